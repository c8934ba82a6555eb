/* bwps/versions.h: which release wrote a data set (store or accounting),
 * the completeness checks of each release, and the company-id file
 * BPOSCID.DB (file 85, base folder).
 */
#ifndef BWPS_VERSIONS_H
#define BWPS_VERSIONS_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Data-set codes. */
enum {
    DATASET_NONE = 0,
    DATASET_CURRENT = 16,
    DATASET_UNKNOWN = 20,           /* unknown or incomplete */
    COMPANY_ID_OLD_SIZE = 60,
    COMPANY_ID_SIZE = 168
};

/* ---- Exports ---- */
/* 8-14 for a store data set, or -1. */
BWPS_EXPORT int BWPSDataFilesVersion(const char* folder);
/* The result of ReadProgVersionRecord; *version := 8-14, 0 otherwise. */
BWPS_EXPORT int BWPSGetGeneralFileVer(const char* folder, int32_t* version);
/* 1 when the folder exists and holds a file of kind 1 under its session
 * name; else 0. */
BWPS_EXPORT int BWPSFilesInFolder(const char* folder);
/* GetDataFileName of the file number. */
BWPS_EXPORT const char* BWPSFileName(int fileNumber);

/* ---- Detection ---- */
BWPS_EXPORT int DetectDataSetVersion(const char* folder);
/* The version of the folder's general file: the stamp (1100 .. 1400, 20)
 * or "0ProgVersion   " (8, 9, 10; 10 becomes 8 unless the customer file
 * has 718-byte records). False with status 0 when the file is missing. */
BWPS_EXPORT bool ReadProgVersionRecord(uint16_t* version, const char* folder, int* status);
/* The same over the accounting company's file names. */
BWPS_EXPORT bool ReadAccountingProgVersion(uint16_t* version, const char* folder, int* status);
BWPS_EXPORT int GetProgVersionCode(int stored, const char* folder);
/* True when the customer file (kind 3: its accounting name) of the folder
 * has records of 718 bytes or more. */
BWPS_EXPORT int CustomerFileIsRelease10(const char* folder, int kind);
BWPS_EXPORT int FindAccountingFiles(const char* folder, int* fileNumberOut);
BWPS_EXPORT int CheckAccountingFiles(const char* folder, int* fileNumberOut, int code);
/* 1 when every store file of the code's release exists (code 0: the files
 * of a folder without version record), 0 at the first missing one. */
BWPS_EXPORT int CheckStoreFiles(const char* folder, int code, int* fileNumberOut);
/* 1 when every store file of the current names exists (except those added
 * after the releases without a version record); 0 at the first missing.
 * The status window, when given, is updated once per file number. */
BWPS_EXPORT int WalkFolderDataFiles(const char* folder, void* progress);
BWPS_EXPORT bool WriteDataVersionStamp(uint16_t handle, const char* folder, int* status);
/* Renames the folder's files that carry the "POS1" prefix; 1. */
BWPS_EXPORT int RenameRelease1Files(const char* folder);

/* ---- Company-id file ---- */
/* Opens BPOSCID.DB of the base folder, moving an older one from the
 * parent folder, creating a missing one (*created := 1) or converting the
 * 60-byte layout. The open status. */
BWPS_EXPORT int OpenCompanyIdFile(uint16_t* handle, const char* baseFolder, int mode,
                                  int* created);
/* Converts the 60-byte layout to 168-byte records; the old file is kept
 * untouched when the conversion fails. The status. */
BWPS_EXPORT int ConvertCompanyIdFile(const char* baseFolder);
/* Without an array (or count 0): *countOut := the number of records; else
 * up to count records in physical order. The status. */
BWPS_EXPORT int ReadCompanyIdRecords(const char* baseFolder, void* records, int count,
                                     int* countOut);
/* Makes the company of the record the default ("D") and the present
 * default "N". The status. */
BWPS_EXPORT int SetDefaultCompanyId(uint16_t handle, const void* record);
/* Moves an older company-id file to the path; true when moved. */
BWPS_EXPORT int MoveOlderCompanyIdFile(const char* from, const char* to);

#ifdef __cplusplus
}
#endif

#endif
