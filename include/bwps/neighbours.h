/* bwps/neighbours.h: services of the lookups, the store setup, the reports
 * and the company utilities that the session, message and user code calls.
 *
 * Where a service is not in this build, bwpsbase carries a stand-in for it
 * that is a weak definition: the real one, wherever it is compiled into
 * bwpsbase, takes its place without further change.
 */
#ifndef BWPS_NEIGHBOURS_H
#define BWPS_NEIGHBOURS_H

#include <stdint.h>

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Customer lookup dialog over BPOSCUST.DB (file 10): start text or null,
 * restore-position flag, open handle, 795-byte record out, then the list's
 * placement values (4, 4, 20, 60, 0, 1). Non-zero when a customer was
 * picked (its record is then in the buffer); 0 when cancelled. */
BWPS_EXPORT int FlyCustomers(const char* startText, int restorePosition, uint16_t handle,
                             void* record, int a, int b, int c, int d, int e, int f);

/* Product lookup dialog over BPOSPROD.DB (file 20), as FlyCustomers with
 * the 668-byte product record; the low byte of the result is non-zero when
 * a product was picked. */
BWPS_EXPORT int FlyProducts(const char* startText, int restorePosition, uint16_t handle,
                            void* record, int a, int b, int c, int d, int e, int f);

/* Text editor window on a file: top row, left column, bottom row, right
 * column, line length, 32-bit result (the caller sets -1), full path. */
BWPS_EXPORT int RunTextEditor(int top, int left, int bottom, int right, int lineLength,
                              int32_t* result, const char* path);

#ifdef __cplusplus
}
#endif

#endif
