// Converting the data of older releases: the exported entries of bwpos-1.
#pragma once

#include <cstdint>

#include "extensions/company/company.h"

// ---- the conversion of a company folder (driver and screen) ----
// Shows the conversion screen over the folder; the conversion status: 0
// converted, 27 refused or cancelled, 1 the weight-units file could not be
// copied, any other value the record-manager status that stopped it.
BWPS1_API int ConvertCompanyData(const char* folder);                       // 41
// Runs the checks, the stage of the folder's code and what follows it;
// the status is written to *status. 1.
BWPS1_API int ConvertCompanyDataStages(const char* folder, int deleteOld, uint64_t neededDeleted,
                                       uint64_t neededKept, uint64_t freeSpace, int* status);
// The release name of a data-version code ("8.0" .. "13.0", "N/A").
BWPS1_API char* VersionCodeText(char* text, int code);

// ---- exported record converters of older files ----
BWPS1_API int ConvertFileRecords20(uint16_t newHandle, uint16_t oldHandle);   // 20
BWPS1_API int ConvertFileRecords21(uint16_t newHandle, uint16_t oldHandle);   // 21
BWPS1_API int ConvertRecordLayout22(void* newRecord, const void* oldRecord);  // 22
BWPS1_API int ConvertRecordLayout23(void* newBlock, const void* oldBlock);    // 23
BWPS1_API int ConvertRecordLayout24(void* newBlock, const void* oldBlock);    // 24
BWPS1_API int ConvertRecordLayout25(void* newLine, const void* oldLine);      // 25
BWPS1_API int ConvertFileRecords26(uint16_t newHandle, uint16_t oldHandle);   // 26
BWPS1_API int ConvertFileRecords27(uint16_t newHandle, uint16_t oldHandle);   // 27
BWPS1_API int ConvertFileRecords28(uint16_t newHandle, uint16_t oldHandle);   // 28
BWPS1_API int ConvertSystemRecords(uint16_t oldHandle, uint16_t newHandle);   // 29
BWPS1_API int ConvertFileRecords32(uint16_t newHandle, uint16_t oldHandle);   // 32

// ---- import templates ----
// Rewrites the "*.IPT" import templates of the data folder for the current
// record layouts (sourceRelease 8: the release whose numbering differs).
// 0 when there is none, -1 otherwise.
BWPS1_API int ConvertImportTemplates(int sourceRelease);                    // 30
// Carries the file-name field of a list file into the customer (type 10),
// product (20) or service (21) records. 0 at the end of the list, else the
// failing status.
BWPS1_API int ConvertImportTemplateFields(void* window, uint16_t masterHandle,
                                          uint16_t listHandle, int fileType); // 31

// ---- register detail files and serial numbers ----
// Rewrites every register's detail file in the current line layout.
// 1 when the pass ended with status 0, 4 or 9; else 0.
BWPS1_API int RebuildFileThroughTemp(int unused, int olderRelease);         // 33
// The serial numbers of one detail line (182 bytes) into movements. 1 or 0.
BWPS1_API int CopyDataFileToNewLayout34(const void* line, int olderRelease); // 34
// The older serial records not yet carried into movements. 1 or 0.
BWPS1_API int CopyDataFileToNewLayout35(void* window, int olderRelease, int deleteOld); // 35
