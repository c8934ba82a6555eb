/* Output side: the station's document forms, the data-files version stamp,
 * the company banner and the period status lines.
 */
#ifndef BWPS_REPORTS_H
#define BWPS_REPORTS_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/records.h"
#include "bwps/stations.h"

#include "bwps/export.h"

/* The stamp is the "0BwFilesVersion" record (TagFilesVersion, 18 bytes). */

enum {
    FILE_VERSION_MAJOR = 14,
    FILE_VERSION_MINOR = 0,
    /* Document form kinds of the station's form table. */
    FORM_RECEIPT = 0,
    FORM_QUOTE = 1,
    FORM_LAYAWAY = 2,
    FORM_CARD = 3,
    FORM_LAYAWAY_PAYMENT = 4,
    FORM_AR_PAYMENT = 5,
    FORM_PRODUCT = 6,
    FORM_LABEL = 7
};

#ifdef __cplusplus
extern "C" {
#endif

/* ---- document forms of the station file ---- */

/* Opens BPOSSTN.DB of the (base) folder into *handle with the open mode,
 * creating it or upgrading an older layout first. Record-manager status,
 * or -1 when the station file could not be set aside for an upgrade. */
BWPS_EXPORT int ConvertDocumentForms(const char* folder, uint16_t* handle, uint16_t mode);
BWPS_EXPORT int EnsureDefaultStationRecord(void);
BWPS_EXPORT int ReadStationDefaultForm(void);
/* Upgrade steps run by ConvertDocumentForms: oldest layout -> 1017 bytes,
 * 1017 -> 1573, 1291 -> 1573. */
BWPS_EXPORT int UpgradeStationFileStep1(const char* folder, intptr_t statusWindow);
BWPS_EXPORT int UpgradeStationFileStep2(const char* folder, intptr_t statusWindow);
BWPS_EXPORT int UpgradeStationFileStep3(const char* folder, intptr_t statusWindow);
/* Built-in station record "DEFAULT       " (programFolder at 1285, 1429). */
BWPS_EXPORT void BuildDefaultStationRecord(StationRecord* record, const char* programFolder);

/* Form table (336 bytes): the names of form kinds 0..7 in 16-byte entries
 * from offset 16, taken from form set 2, 3 or else 1 of the record. */
BWPS_EXPORT void BuildStationFormTable(char* scratch, void* formTable, const StationRecord* record, int set);
/* The reverse: printer kind 2 -> second set, 3 -> third set, other -> the
 * first set and the card, product and label slots. */
BWPS_EXPORT void StoreStationFormTable(StationRecord* record, const void* formTable, int printerKind);
/* Fills a 357-byte printer table from the session station's record. */
BWPS_EXPORT int GetDefaultProfileName(void* printerTable);

/* ---- data-files version stamp ---- */

/* Status; 4 when the file has no stamp, -1 when the file is missing. */
BWPS_EXPORT int ReadFileVersionStamp(TagFilesVersion* stamp, const char* generalFilePath);
/* Writes the current stamp (14.0) through the path or the open handle. */
BWPS_EXPORT int GetFileVersionStamp(const char* generalFilePath, uint16_t handle);
/* Inserts or updates the stamp on an open general file. */
BWPS_EXPORT int WriteFileVersionStamp(uint16_t handle, TagFilesVersion* stamp);
/* Opens a general file for the stamp; -1 without a record-manager call
 * when the path does not exist. */
BWPS_EXPORT int OpenFileVersionStampFile(const char* path, uint16_t* handle);

/* ---- company banner and period lines ---- */

BWPS_EXPORT void ShowCompanyBanner(int flag);
BWPS_EXPORT int ShowPeriodStatus(void);
BWPS_EXPORT void ReportSetPeriodHeadingOff(int value);
BWPS_EXPORT int ReportGetPeriodHeadingOff(void);

#ifdef __cplusplus
}
#endif

#endif
