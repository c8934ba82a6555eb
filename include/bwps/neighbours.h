/* bwps/neighbours.h: services of the lookups, the store setup, the reports
 * and the company utilities that the session, message and user code calls:
 * FlyCustomers, FlyProducts and RunTextEditor (the record-notes window of
 * the note editor), declared in bwps/screens.h.
 */
#ifndef BWPS_NEIGHBOURS_H
#define BWPS_NEIGHBOURS_H

#include "bwps/screens.h"

#endif

/* ---- Lookup lists ---- */
#ifndef BWPS_LOOKUP_DEFINITION
#define BWPS_LOOKUP_DEFINITION
#ifdef __cplusplus
extern "C" {
#endif

struct LookUpDefinition;
typedef int (*LookUpKeyHandler)(struct LookUpDefinition* list);
/* Row source of a list over caller rows: fills the row's text for the
 * operation (12 first, 13 last, 6 next, 7 previous); 0, or 9 at either
 * end. */
typedef int (*LookUpReadRow)(void* context, int operation, char* text, int size);
/* Saves (23) or restores (0) the current row. */
typedef int (*LookUpPositionRow)(void* context, int mode);

enum { LOOKUP_KEYS = 6, LOOKUP_REDRAW = 0x5000 };

typedef struct LookUpDefinition {
    int Row, Column, Height, Width;
    const char* Title;
    const char* Heading;            /* column captions as one line */
    int ColourSet;
    LookUpReadRow Read;             /* caller rows (LookUpProcess) */
    LookUpPositionRow Position;
    void* Context;
    uint16_t Handle;                /* an open file (LookUpProcessDlg) */
    int RecordLength;
    void* Record;                   /* the current row's record */
    /* Formats a record of the file as the row's text. */
    void (*FormatRecord)(struct LookUpDefinition* list, const void* record, char* text, int size);
    struct {
        int Key;
        LookUpKeyHandler Handler;   /* answer 1 ends the list */
    } Keys[LOOKUP_KEYS];
    int Current;                    /* the row under the cursor, from 0 */
    int RowCount;
    int Picked;                     /* set when a row was picked */
    int RedrawPending;
    void* Caller;                   /* the caller's object */
} LookUpDefinition;

/* A list over caller rows; non-zero when a row was picked. */
BWPS_EXPORT int LookUpProcess(LookUpDefinition* list);
/* A list over the records of an open file; returns when the list is left.
 * The picked or current record is in list->Record. */
BWPS_EXPORT int LookUpProcessDlg(LookUpDefinition* list, int dialog);
/* LOOKUP_REDRAW: the list reads and draws its rows again. */
BWPS_EXPORT int LookUpSendMsg(LookUpDefinition* list, int message);

#ifdef __cplusplus
}
#endif
#endif
