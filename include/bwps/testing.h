/* bwps/testing.h: the resets that tests call to forget the state a library
 * keeps between calls, so that one process can run several sessions. They
 * are exported (tests reach them through the shared libraries) but belong
 * to no public header: product code never calls them.
 *
 * The record manager's RecmanReset (recman_testing.h) comes with this
 * header, and the framework's FxReset is declared again here, so that a
 * test has the eight resets from one header.
 */
#ifndef BWPS_TESTING_H
#define BWPS_TESTING_H

#include "bwps/export.h"
#include "recman_testing.h" /* RecmanReset */

#ifdef __cplusplus
extern "C" {
#endif

/* Forgets the session: clears the session block (the folders of the
 * library's own location are set again), the company-id list, the signed-in
 * user, the in-memory passwords record, the folders of the catalogue, the
 * settings copies, the report and station state and the check table. */
BWPS_EXPORT void BWPSResetSession(void);
/* Forgets the in-memory passwords record and the failure count. */
BWPS_EXPORT void ResetUserState(void);
/* Forgets the folders of the catalogue. */
BWPS_EXPORT void ResetCatalogueState(void);
/* Clears the interface record, the override and the station settings. */
BWPS_EXPORT void ResetSettingsState(void);
/* Forgets the banner, the period switch and the upgrade state. */
BWPS_EXPORT void ResetReportsState(void);
/* Puts every row of the check table back as at load: no descriptions,
 * counts -1. */
BWPS_EXPORT void ResetCheckTable(void);

/* The framework: forgets all framework state and keeps the script driver. */
__attribute__((visibility("default"))) void FxReset(void);

#ifdef __cplusplus
}

namespace bwps::lookups {
/* Forgets the last picks, the document last picks and the copy of the
 * "0LookUps" record. */
BWPS_EXPORT void Reset();
/* Forgets the state of the master lookups: the audit entity, the form
 * variables' group and category choices, the column lookup's table and
 * column, the master item and the serial-number status. */
BWPS_EXPORT void ResetMasters();
/* Forgets the customer, reference and product of the history and
 * substitute lists. */
BWPS_EXPORT void ResetHistory();
}  // namespace bwps::lookups
#endif

#endif
