/* bwps/code_editors.h: the editors of the store's short-code tables (billing
 * codes, message codes, warehouses, weight units), the note-name screen and
 * the weight-unit questions the product screens ask.
 *
 * An editor runs either on its own (the command entry, the host) or for a
 * caller, usually a lookup that holds a record of the editor's file. The
 * caller hands its open handle of that file, its record buffer and a key
 * word; the editor keeps the caller's current key, edits the caller's
 * record, and writes the key that ended it into the word: F10 (0x4400)
 * after a save, F6 (0x4000) after a delete, 0 otherwise. A caller key word
 * holding F8 (0x4200) on entry asks for a new, empty record.
 *
 * The screen entries that the command entry runs (EditBillCodesByParams,
 * RSEditMsgCode, RSEditWarehouses, EditWUCode) are declared in
 * bwps/screens.h and run without a caller. */
#ifndef BWPS_CODE_EDITORS_H
#define BWPS_CODE_EDITORS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/items.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct EditorCaller {
    uint16_t Handle;   /* the caller's open handle of the editor's file, or 0 */
    void* Record;      /* the caller's record buffer (the file's record length), or null */
    int32_t* KeyCode;  /* the key word described above, or null */
} EditorCaller;

/* ---- billing codes (BPOSBICD.DB) */
/* The caller's key code, or 0 when the screen did not open. */
BWPS_EXPORT int EditBillCodes(EditorCaller* caller);                 /* 598 */
BWPS_EXPORT int RSEditBillCode(EditorCaller* caller, int fileNumber);

/* ---- message codes (BPOSMSGS.DB) and note names */
BWPS_EXPORT int RSEditMsgCodeFor(EditorCaller* caller);
/* Lets the user choose the name of a record's note file: on acceptance the
 * buffer (at least 13 bytes) receives the name and the extension of the
 * record kind (the record's file number: 10 customers, 20 products ...).
 * 0. */
BWPS_EXPORT int RSEditNoteName(char* buffer, const char* defaultName, int recordKind); /* 615 */

/* ---- warehouses (BPOSWHSE.DB) */
BWPS_EXPORT int RSEditWarehousesFor(EditorCaller* caller);

/* ---- weight units (BPOSWUNI.DB) */
BWPS_EXPORT int EditWUCodeFor(EditorCaller* caller);

/* The built-in unit: never deleted, its factor never edited. */
#define WEIGHT_UNIT_BUILT_IN "gm"

/* The handle arguments are an open handle of the file named, or 0 to let
 * the function open and close the file itself. Each keeps the current key
 * of a handle it was given and, where it moves in that file, the position. */
/* True when a unit other than the given one carries the default flag. */
BWPS_EXPORT int WeightDefaultExist(const WeightUnitRecord* unit, uint16_t units);
/* The default unit; when none is flagged, the first unit at or after "gm".
 * restorePosition: put the caller's position back as well. */
BWPS_EXPORT int GetWUnitDefault(WeightUnitRecord* out, uint16_t units, int restorePosition);
/* True when a product names the unit. */
BWPS_EXPORT int WUnitUsedInProduct(const char* code, uint16_t products);
/* True when the store is interfaced and an invoice header of the accounting
 * company names the unit. */
BWPS_EXPORT int WUnitUsedInInvHeader(const char* code, uint16_t headers);
/* True for the built-in unit (the record or its code at the pointer); the
 * message flag shows why it cannot be changed. */
BWPS_EXPORT int WUnitIsDefault(const void* unitOrCode, int unused, int showMessage);
/* The unit at or after the code (key order). A failure goes to *status, or
 * is reported when status is null. */
BWPS_EXPORT int GetWUnitRecord(const char* code, WeightUnitRecord* out, uint16_t units, int* status);

#ifdef __cplusplus
}
#endif

#endif
