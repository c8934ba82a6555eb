/* recman: the record-manager client. Btrieve-compatible operations over
 * data files that are stored, one file each, as SQLite databases.
 *
 * Every call returns a Btrieve status (0 success) unless said otherwise.
 * Handles are unsigned 16-bit. Callers that go by ordinal use
 * RecmanOrdinal(n), which gives the entry of that ordinal or null.
 */
#ifndef RECMAN_H
#define RECMAN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RECMAN_API __attribute__((visibility("default")))

/* Operation codes (standard Btrieve). */
enum {
    B_OPEN = 0,
    B_INSERT = 2,
    B_UPDATE = 3,
    B_DELETE = 4,
    B_GET_EQUAL = 5,
    B_GET_NEXT = 6,
    B_GET_PREVIOUS = 7,
    B_GET_GREATER = 8,
    B_GET_GE = 9,
    B_GET_LESS = 10,
    B_GET_LE = 11,
    B_GET_FIRST = 12,
    B_GET_LAST = 13,
    B_BEGIN_TRAN = 19,
    B_END_TRAN = 20,
    B_ABORT_TRAN = 21,
    B_GET_POSITION = 22,
    B_GET_DIRECT = 23,
    B_STEP_NEXT = 24,
    B_STEP_FIRST = 33,
    B_STEP_LAST = 34,
    B_STEP_PREVIOUS = 35,
    /* lock biases added to a get operation */
    B_LOCK_SINGLE_WAIT = 100,
    B_LOCK_SINGLE_NOWAIT = 200,
    B_LOCK_MULTI_WAIT = 300,
    B_LOCK_MULTI_NOWAIT = 400
};

/* Status codes the callers test. */
enum {
    B_OK = 0,
    B_INVALID_OPERATION = 1,
    B_IO_ERROR = 2,
    B_FILE_NOT_OPEN = 3,
    B_KEY_NOT_FOUND = 4,
    B_DUPLICATE_KEY = 5,
    B_INVALID_KEY_NUMBER = 6,
    B_DIFFERENT_KEY_NUMBER = 7,
    B_INVALID_POSITIONING = 8,
    B_END_OF_FILE = 9,
    B_MODIFIABLE_KEY_CHANGED = 10,
    B_INVALID_FILE_NAME = 11,
    B_FILE_NOT_FOUND = 12,
    B_DATA_BUFFER_TOO_SHORT = 22,
    B_KEY_BUFFER_TOO_SHORT = 21,
    B_INVALID_RECORD_ADDRESS = 43,
    B_CONFLICT = 80,
    B_RECORD_IN_USE = 84,
    B_FILE_IN_USE = 85,
    B_FILE_FULL = 86,
    B_PERMISSION_ERROR = 94,
    B_NOT_A_RECORD_FILE = 30,
    /* further codes this client gives */
    B_DISK_FULL = 18,
    B_PAGE_SIZE_ERROR = 24,
    B_INVALID_KEY_COUNT = 26,      /* too many keys or segments */
    B_INVALID_KEY_POSITION = 27,   /* segment outside the record, or a key left open */
    B_INVALID_RECORD_LENGTH = 28,
    B_INVALID_KEY_LENGTH = 29,
    B_NOT_ALLOWED = 41,            /* e.g. dropping a key that is not supplemental */
    B_INVALID_KEY_FLAGS = 45,
    B_INVALID_KEY_TYPE = 49,
    B_DEADLOCK = 78,               /* a wait lock on a record that another handle of this process holds */
    B_LOCK_ERROR = 81
};

/* Key-segment flags (word 2 of a 16-byte segment specification). */
enum {
    KF_DUPLICATES = 0x0001,
    KF_MODIFIABLE = 0x0002,
    KF_SEGMENTED = 0x0010,   /* another segment of this key follows */
    KF_ALT_COLLATE = 0x0020,
    KF_DESCENDING = 0x0040,
    KF_SUPPLEMENTAL = 0x0080,
    KF_EXTENDED = 0x0100,
    KF_NO_CASE = 0x0400
};

/* Extended key types (byte 10 of a segment specification). */
enum {
    KT_STRING = 0,
    KT_INTEGER = 1,
    KT_FLOAT = 2,
    KT_ZSTRING = 11,
    KT_UNSIGNED = 14,
    KT_AUTOINC = 15
};

/* File flags (word at byte 10 of the file specification). */
enum { FF_VARIABLE = 0x0001 };

enum {
    RECMAN_CLIENT_BLOCK = 872,   /* six 144-byte paths and two 32-bit values */
    RECMAN_STAT_BUFFER = 1819,   /* largest block BtrStat writes */
    RECMAN_COLLATE_SIZE = 265,
    RECMAN_MAX_SEGMENTS = 96
};

RECMAN_API int BtrSetClientConfig(const void* block);               /* 200 */
RECMAN_API int BtrGetClientConfig(void* block);                     /* 201 */
RECMAN_API int BtrOpenFile(uint16_t* handle, const char* path, int mode, int reserved); /* 202 */
RECMAN_API int BtrCloseFile(uint16_t handle);                       /* 203 */
RECMAN_API int BtrGet(int op, uint16_t handle, void* key, void* data, int length); /* 205 */
RECMAN_API int BtrPosition(int op, uint16_t handle, uint32_t* position); /* 206 */
RECMAN_API int BtrSetDefaults(uint16_t handle, int key, int second); /* 207 */
RECMAN_API int BtrUnlock(int key, uint16_t handle, const uint32_t* position); /* 208 */
RECMAN_API int BtrWrite(int op, uint16_t handle, void* key, void* data, int length); /* 209 */
RECMAN_API int BtrDropSupIndex(uint16_t handle, int key);           /* 210 */
RECMAN_API int BtrCall211(uint16_t handle);  /* drop the supplemental index of the selected key */
RECMAN_API int BtrCall212(uint16_t handle);  /* maintenance after a rebuild: no work needed here */
RECMAN_API int BtrStat(uint16_t handle, void* buffer);              /* 213 */
RECMAN_API int BtrCreateSupIndex(uint16_t handle, int length, const void* block); /* 216 */
RECMAN_API int BtrGetDefaults(uint16_t handle, int* key, int* second); /* 217 */
RECMAN_API int BtrCall218(uint16_t handle);  /* length of the record just read */
RECMAN_API int32_t BtrGetRecordCount(uint16_t handle);              /* 219: the count, or -1 */
RECMAN_API int BtrLockDelay(int count);                             /* 220 */
RECMAN_API void* BtrGetKeyInfo(uint16_t handle, void* buffer, int key); /* 227 */
RECMAN_API int BtrCreateFile(const char* path, const void* fileSpec, const void* keySpecs); /* 1 */
RECMAN_API int BtrGetAltCollating(void* buffer);                    /* 2: 265 bytes */
RECMAN_API int BtrGetVersion(int16_t* version, char* revision, char* platform); /* 102 */

/* Table objects (300, 301, 303, 304): a file opened through a small object. */
typedef struct RecmanTable RecmanTable;
RECMAN_API RecmanTable* BtrTableCreate(int recordLength, int nameLength); /* 300 */
RECMAN_API int BtrTableOpen(RecmanTable* table, const char* path);       /* 301 */
RECMAN_API int BtrTableClose(RecmanTable* table);                        /* 303 */
RECMAN_API void BtrTableFree(RecmanTable* table);                        /* 304 */
RECMAN_API uint16_t BtrTableHandle(const RecmanTable* table);

/* The entry of an ordinal, or null. */
RECMAN_API void* RecmanOrdinal(int ordinal);

/* Closes every handle and forgets the client block: a clean slate between
 * two sessions in one process. */
RECMAN_API void RecmanReset(void);

#ifdef __cplusplus
}
#endif

#endif
