/* backup_library.h: the entries of the backup library (libDuVoDod.so) and
 * the callback through which it asks its caller.
 *
 * A backup writes one archive into the target folder: "POS-" or "ACCT-",
 * the date and time, ".tgz" (a gzip-compressed tar holding "BACKUP.INF"
 * first, then the data folder's files by their paths inside it). The
 * archive is written under a hidden temporary name beside its final one
 * and renamed when complete, so a target folder never holds half a backup
 * under a backup's name.
 *
 * A restore takes the newest archive of the kind in the source folder,
 * reads it through once (every name relative, no "..", files and folders
 * only, the kind matching), extracts it into a temporary folder beside the
 * target folder and only then puts that folder in place of the target in
 * one exchange of names. Killed or failed at any moment before the
 * exchange, the target is as it was; after it, the target is the whole
 * restored folder.
 *
 * The base folder (the files every company and station shares) is never
 * backed up or restored, and neither folder of a run may be it.
 */
#ifndef BACKUP_LIBRARY_H
#define BACKUP_LIBRARY_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define BACKUP_API __attribute__((visibility("default")))

/* Data kinds (the first word of the callback block). */
enum { BACKUP_KIND_ACCOUNTING = 1, BACKUP_KIND_POINT_OF_SALE = 2 };

/* Callback events. */
enum {
    BACKUP_EVENT_INSERT_DISK = 1, /* data: BackupDiskData */
    BACKUP_EVENT_MESSAGE = 2,     /* data: BackupMessageData */
    BACKUP_EVENT_PROGRESS = 3,    /* data: BackupProgressData */
    BACKUP_EVENT_FINISHED = 5,    /* data: BackupFlagData, flag 1 when the run completed */
    BACKUP_EVENT_NO_DISK = 6      /* data: the folder (drive) text */
};

/* Answers of the callback. */
enum { BACKUP_ANSWER_GO_ON = 2, BACKUP_ANSWER_RETRY = 3, BACKUP_ANSWER_STOP = 4 };

/* Kinds of a library message. */
enum { BACKUP_MESSAGE_ERROR = 1, BACKUP_MESSAGE_NOTICE = 2, BACKUP_MESSAGE_ASK = 3 };

/* Progress phases. */
enum { BACKUP_PHASE_TOTAL = 2, BACKUP_PHASE_STEP = 3 };

/* Results of the entries (callers may ignore them). */
enum { BACKUP_DONE = 0, BACKUP_STOPPED = 1, BACKUP_FAILED = 2 };

typedef int (*BackupPromptFn)(int kind, int event, int parameter, void* data);

/* The callback block: the data kind, then the callback. */
typedef struct BackupCallbackBlock {
    int32_t kind;
    int32_t reserved;
    BackupPromptFn prompt;
} BackupCallbackBlock;

#pragma pack(push, 1)
typedef struct BackupDiskData {
    int32_t disk;            /* 0 */
} BackupDiskData;

typedef struct BackupMessageData {
    uint8_t head[8];         /* 0 */
    int32_t kind;            /* 8: BACKUP_MESSAGE_* */
    uint8_t unused12[260];   /* 12 */
    char text[256];          /* 272 */
} BackupMessageData;

typedef struct BackupProgressData {
    int32_t phase;           /* 0: BACKUP_PHASE_* */
    int32_t value1;          /* 4: the total (phase 2) or the files done */
    int32_t value2;          /* 8 */
    int32_t which;           /* 12: 2 the word at 4 holds the value, 4 the word at 8 */
    char text[256];          /* 16 */
} BackupProgressData;

typedef struct BackupFlagData {
    int32_t unused;          /* 0 */
    int32_t flag;            /* 4 */
} BackupFlagData;

typedef struct BackupKeyData {
    uint8_t head[11];        /* 0 */
    uint16_t key;            /* 11 */
} BackupKeyData;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(offsetof(BackupMessageData, kind) == 8, "message kind");
static_assert(offsetof(BackupMessageData, text) == 272, "message text");
static_assert(offsetof(BackupProgressData, value1) == 4, "progress value");
static_assert(offsetof(BackupProgressData, value2) == 8, "progress value");
static_assert(offsetof(BackupProgressData, which) == 12, "progress word");
static_assert(offsetof(BackupProgressData, text) == 16, "progress text");
static_assert(offsetof(BackupFlagData, flag) == 4, "flag");
static_assert(offsetof(BackupKeyData, key) == 11, "key word");
#endif

BACKUP_API int BWFXBackupAccounting(const char* source, const char* target,
                                    BackupCallbackBlock* callback);
BACKUP_API int BWFXRestoreAccounting(const char* source, const char* target, int unused,
                                     BackupCallbackBlock* callback);
BACKUP_API int BWFXBackupPointOfSale(const char* source, const char* base, const char* target,
                                     BackupCallbackBlock* callback);
BACKUP_API int BWFXRestorePointOfSale(const char* source, const char* target, const char* base,
                                      int unused, BackupCallbackBlock* callback);

/* The entry types, for callers that look them up by name. */
typedef int (*BackupAccountingFn)(const char*, const char*, BackupCallbackBlock*);
typedef int (*RestoreAccountingFn)(const char*, const char*, int, BackupCallbackBlock*);
typedef int (*BackupPointOfSaleFn)(const char*, const char*, const char*, BackupCallbackBlock*);
typedef int (*RestorePointOfSaleFn)(const char*, const char*, const char*, int,
                                    BackupCallbackBlock*);

/* The library's file name. */
#define BACKUP_LIBRARY_NAME "libDuVoDod.so"

#ifdef __cplusplus
}
#endif

#endif
