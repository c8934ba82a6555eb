/* bwps/transfer.h: comma-separated export and import of a data file, by
 * dictionary columns.
 *
 * Text file format: one line per record, lines ended by CR LF (import also
 * takes LF alone); the values in column-list order joined by the
 * separator; texts enclosed in the quote character, a quote character
 * inside a text doubled; dates "MM/DD/YYYY" (empty for no date); numbers
 * with a "." decimal point.
 */
#ifndef BWPS_TRANSFER_H
#define BWPS_TRANSFER_H

#include <stdint.h>

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    TRANSFER_APPEND = 3,            /* mode: append to the text file */
    TRANSFER_EVENT_SCAN_FAILED = 1001,
    TRANSFER_EVENT_BEGIN = 1002,
    TRANSFER_EVENT_END = 1003,
    TRANSFER_EVENT_SCAN_LINE = 1004,
    TRANSFER_EVENT_WRITE_LINE = 1005,
    TRANSFER_ACTION_DECIDE = 1,     /* with the decision flag 0: skip an existing record */
    TRANSFER_ACTION_WRITE = 2,      /* insert, or update an existing record */
    TRANSFER_ACTION_SKIP = 3,       /* skip an existing record */
    TRANSFER_ACTION_STOP = 4,       /* stop: the import fails, nothing is written */
    TRANSFER_COLUMN_TEXT_SIZE = 512,
    TRANSFER_PATH_SIZE = 260,
    TRANSFER_ERROR_SIZE = 320
};

struct TransferContext;
/* Import callback: non-zero to go on. */
typedef int (*TransferCallback)(struct TransferContext* context);

typedef struct TransferContext {
    uint16_t Handle;                /* set here */
    int32_t FileNumber;
    int32_t LineLength;             /* longest line read or written */
    /* Parts separated by ";": part 0 is a name and not read, parts 1 to 14
     * are comma-separated dictionary column numbers ("TENDERS;1,2,7"). */
    char ColumnList[TRANSFER_COLUMN_TEXT_SIZE];
    char Path[TRANSFER_PATH_SIZE];
    char Separator;
    char Quote;
    uint8_t Mode;                   /* TRANSFER_APPEND, anything else: a new file */
    void* Record;                   /* the record being written or read */
    int32_t RecordLength;
    char* Line;                     /* set here */
    void* Report;                   /* closed after an import when set */
    void* Columns;                  /* set here */
    void* TextFile;                 /* set here */
    void* Progress;                 /* the caller's status window (FxStatus), or null */
    int32_t RecordCount;            /* set here */
    int32_t LineNumber;             /* set here */
    int32_t Event;
    int32_t Action;
    uint8_t Decision;
    uint8_t Exists;                 /* set here before each callback: the key exists */
    TransferCallback Callback;
    void* CallbackData;             /* the caller's */
    /* Set here when the transfer fails: one line naming the file, the line
     * and the column (a callback may fill it to refuse a line). */
    char Error[TRANSFER_ERROR_SIZE];
} TransferContext;

BWPS_EXPORT int ExportDataFileToText(TransferContext* context);   /* 321 */
/* Every line is read and checked before the first write; the writes go in
 * one record-manager transaction: on any failure the file stays as it was. */
BWPS_EXPORT int ImportDataFileFromText(TransferContext* context); /* 322 */

/* The numbers of every dictionary column of a data file that lies inside
 * its record, comma-separated; the count (0: none or no dictionary). */
BWPS_EXPORT int ListFileColumns(int fileNumber, char* out, int size);

#ifdef __cplusplus
}
#endif

#endif
