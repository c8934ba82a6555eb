/* The data-file check table: one row per data file that the data-file
 * utilities handle, with its description and record count. bwpos-1 keeps a
 * private copy of it for the life of the library. */
#ifndef BWPS_CHECK_TABLE_H
#define BWPS_CHECK_TABLE_H

#include <stdint.h>

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    CHECK_TABLE_ROWS = 67,       /* the last row is the terminator */
    CHECK_ALL_FILES = -100,      /* the all-files row */
    CHECK_CONVERSION_FILE = -1   /* the file named by the conversion-file rule */
};

/* One row, in memory only: the description is a pointer, so the row has
 * the platform's pointer size rather than the 18 bytes of a 32-bit build. */
typedef struct FileCheckRow {
    int32_t FileNumber;        /* 0 ends the table */
    const char* Description;   /* filled by the status check; null until then */
    int32_t RecordCount;       /* -1 until counted, or when the file is missing */
    char Zero[5];
    char Mark;                 /* blank */
} FileCheckRow;

/* 67. */
BWPS_EXPORT int GetCheckTableSize(void);
/* The size of one row. */
BWPS_EXPORT int GetCheckTableEntrySize(void);
/* Copies the whole table (67 rows) into the block; 1. */
BWPS_EXPORT int CopyCheckTable(void* block);
/* The row of a file number, or null. */
BWPS_EXPORT FileCheckRow* FindCheckEntry(int fileNumber);
/* Copies the row of a file number; false (the buffer untouched) when the
 * file has no row. */
BWPS_EXPORT int CopyCheckEntry(int fileNumber, FileCheckRow* out);
/* The row's record count; -1 when the file has no row. */
BWPS_EXPORT int32_t GetCheckEntryCount(int fileNumber);
#ifdef __cplusplus
}
#endif

#endif
