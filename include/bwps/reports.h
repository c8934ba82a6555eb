/* Output side: the station's document forms, the data-files version stamp,
 * the company banner and the period status lines.
 */
#ifndef BWPS_REPORTS_H
#define BWPS_REPORTS_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "bwps/stations.h"

#ifndef BWPS_API
#define BWPS_API __attribute__((visibility("default")))
#endif

#pragma pack(push, 1)
/* The "0BwFilesVersion" record of the general settings file. */
typedef struct FileVersionStamp {
    char key[16];   /* "0BwFilesVersion" and a NUL */
    uint8_t major;  /* 16 */
    uint8_t minor;  /* 17 */
} FileVersionStamp;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(FileVersionStamp) == 18, "version stamp");
#endif

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
BWPS_API int ConvertDocumentForms(const char* folder, uint16_t* handle, uint16_t mode);
BWPS_API int EnsureDefaultStationRecord(void);
BWPS_API int ReadStationDefaultForm(void);
/* Upgrade steps run by ConvertDocumentForms: oldest layout -> 1017 bytes,
 * 1017 -> 1573, 1291 -> 1573. */
BWPS_API int UpgradeStationFileStep1(const char* folder, intptr_t statusWindow);
BWPS_API int UpgradeStationFileStep2(const char* folder, intptr_t statusWindow);
BWPS_API int UpgradeStationFileStep3(const char* folder, intptr_t statusWindow);
/* Built-in station record "DEFAULT       " (programFolder at 1285, 1429). */
BWPS_API void BuildDefaultStationRecord(StationRecord* record, const char* programFolder);

/* Form table (336 bytes): the names of form kinds 0..7 in 16-byte entries
 * from offset 16, taken from form set 2, 3 or else 1 of the record. */
BWPS_API void BuildStationFormTable(char* scratch, void* formTable, const StationRecord* record, int set);
/* The reverse: printer kind 2 -> second set, 3 -> third set, other -> the
 * first set and the card, product and label slots. */
BWPS_API void StoreStationFormTable(StationRecord* record, const void* formTable, int printerKind);
/* Reads the session station's record and builds its form table (set 1). */
BWPS_API int ReadStationRecord(uint16_t unused, void* formTable);
/* Fills a 357-byte printer table from the session station's record. */
BWPS_API int GetDefaultProfileName(void* printerTable);

/* ---- data-files version stamp ---- */

/* Status; 4 when the file has no stamp, -1 when the file is missing. */
BWPS_API int ReadFileVersionStamp(FileVersionStamp* stamp, const char* generalFilePath);
/* Writes the current stamp (14.0) through the path or the open handle. */
BWPS_API int GetFileVersionStamp(const char* generalFilePath, uint16_t handle);
/* Inserts or updates the stamp on an open general file. */
BWPS_API int WriteFileVersionStamp(uint16_t handle, FileVersionStamp* stamp);
/* Opens a general file for the stamp; -1 without a record-manager call
 * when the path does not exist. */
BWPS_API int OpenFileVersionStampFile(const char* path, uint16_t* handle);
/* The folder's data-layout version: 1100..1400 from the stamp, 20 for any
 * other stamp, else the "0ProgVersion" record's value. True when found. */
BWPS_API bool ReadProgVersionRecord(uint16_t* version, const char* folder, int* status);
/* Stamps the folder's general file (file 31) with the current release,
 * through the open handle or, with 0, opening the file itself. */
BWPS_API bool WriteDataVersionStamp(uint16_t handle, const char* folder, int* status);

/* ---- company banner and period lines ---- */

BWPS_API void ShowCompanyBanner(int flag);
BWPS_API int ShowPeriodStatus(void);
BWPS_API void ReportSetPeriodHeadingOff(int value);
BWPS_API int ReportGetPeriodHeadingOff(void);

#ifdef __cplusplus
}
#endif

#endif
