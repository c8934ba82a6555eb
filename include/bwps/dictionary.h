/* bwps/dictionary.h: the data dictionary (WBWPOCOL.DB, file 89): table
 * names of data files by application, column definitions, text padding of
 * records and supplemental indexes built from columns. */
#ifndef BWPS_DICTIONARY_H
#define BWPS_DICTIONARY_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records.h"
#include "bwps/records/dictionary.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { DICTIONARY_FILE_NUMBER = 89 };

/* ---- Names by application ---- */
/* "BWA13", "BWP13", "OE13", "POS13" or "BWJC13" by the framework's product
 * number; the buffer. */
BWPS_EXPORT char* GetAppProductCode(char* buffer);
/* The data-file name of a table name (in place, 16 bytes: padded). */
BWPS_EXPORT char* DictTableToFileName(char* name);
/* The table name of a file name or path, padded to 12; tableOut (13 bytes). */
BWPS_EXPORT char* FileToDictTableName(const char* file, char* tableOut);
BWPS_EXPORT int DictTypeToFieldType(int type);
BWPS_EXPORT int DictColumnToFieldSpec(TagDictFieldSpec* out, const TagDictionaryRecord* record);
/* The table name of a data file by number (13 bytes); the buffer. */
BWPS_EXPORT char* DataFileTableName(int fileNumber, char* tableOut);
/* The column kind of a type code. */
BWPS_EXPORT int DictTypeToColumnKind(int type);

/* ---- Dictionary ---- */
BWPS_EXPORT int OpenColumnDictionary(uint16_t* handle);                        /* 35 */
BWPS_EXPORT int GetColumnDefinition(uint16_t handle, int number, const char* table,
                                    TagColumnInfo* out);                       /* 36 */
/* Column numbers end with 0 or -1. 0, a status, or -1 when the array is
 * full (it holds size / 103 - 1 entries). */
BWPS_EXPORT int GetColumnDefinitions(const char* fileName, int size, TagColumnDefinition* out,
                                     ...);                                     /* 37 */
BWPS_EXPORT int CreateSupplementalIndex(int fileNumber, uint16_t handle, int c1, int c2,
                                        int c3);                               /* 38 */
/* Column numbers end with a number below 1. */
BWPS_EXPORT int BuildSupplementalIndex(int fileNumber, uint16_t handle, ...);
BWPS_EXPORT int ReadByDictionaryKey(uint16_t handle, const char* table, const char* column,
                                    TagColumnInfo* out);
BWPS_EXPORT int ReadColumnRecord(int operation, uint16_t handle, void* key,
                                 TagColumnInfo* out);                          /* 857 */
BWPS_EXPORT int CountFileColumns(int fileNumber);                              /* 866 */
BWPS_EXPORT int PadTextColumns(int fileNumber, void* record, int length);      /* 570 */
BWPS_EXPORT int ColumnToKeySegment(TagKeySegment* segment, const TagColumnInfo* column,
                                   int* alternate);                            /* 855 */
BWPS_EXPORT int GetColumnPictureMask(char* mask, const TagDictionaryRecord* record); /* 408 */
BWPS_EXPORT int TestLowBit(int any, int value);                                /* 858 */

/* Unpacks a dictionary record. */
BWPS_EXPORT void UnpackColumnRecord(const TagDictionaryRecord* record, TagColumnInfo* out);

#ifdef __cplusplus
}
#endif

#endif
