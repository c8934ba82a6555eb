// The conversion's module state, for the tests. Product code never calls it.
#pragma once

#include "extensions/company/company.h"

// Forgets the data-version code kept for the length of a conversion.
BWPS1_API void ResetConversionState(void);
// The conversion of a folder as the company opening runs it (show-screen
// flag, delete-old-files flag); the conversion status.
BWPS1_API int ConvertCompanyFolder(const char* folder, int showScreen, int deleteOld);
// The file numbers of the stage of a code, in their order: the count (at
// most `capacity` written).
BWPS1_API int ConversionStageFiles(int code, int* files, int capacity);
// The old and new record lengths the stage of a code reads and writes for
// a file; 0 when it has no converter for it.
BWPS1_API int ConversionRecordLengths(int code, int file, int* oldLength, int* newLength);
