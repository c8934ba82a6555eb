/* bwps/setup_screens.h: the small setup screens of bwpsbase and the checks
 * and lookups they export: the supervisor password, the program date and
 * its date checks, the company identification, the default lookup orders,
 * the receipt banners, the current year, the cash registers and the
 * station's receipt printers. The screen entries the command entry runs are
 * declared in bwps/screens.h. */
#ifndef BWPS_SETUP_SCREENS_H
#define BWPS_SETUP_SCREENS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/stations.h"
#include "bwps/screens.h"
#include "fx.h"
#include "lookup.h"

#ifdef __cplusplus
extern "C" {
#endif

/* 605: 1 when the text is a date the program works with; with blank
 * allowed, the blank date "  /  /    " is valid as well. Otherwise message
 * 185 (not a date) or 1672 (a date outside the years worked with); 0. */
BWPS_EXPORT int ValidateDateText(const char* text, int blankAllowed);
/* 606: the field-exit form of the same check on the current field of the
 * context's form, blank allowed: 0 or 0x20. */
BWPS_EXPORT int ValidateDateField(void* context);
/* Sets (set non-zero) or clears the mask in the 32-bit flag word at the
 * head of the block; the word as it was. */
BWPS_EXPORT uint32_t SetFlagBits(void* block, uint32_t mask, int set);
/* 639: the current-year screen; its exit key, 0 when it could not start. */
BWPS_EXPORT int RSEditCurrentYear(void);

/* The cash-register editor opened from a lookup of file 100: it edits the
 * lookup's current record (cleared first when the lookup was left with F8)
 * under key 0 and gives the key that ended it: F10 (0x4400) after a save,
 * F6 (0x4000) after a delete, else the key the lookup held. */
BWPS_EXPORT int RSEditCashRegOfLookup(TagLookUp* lookup);
/* 624: the lookup of the cash registers; 1 when one was picked (copied
 * into out). A key handler is bound to F8 and F9 of the list. */
BWPS_EXPORT int LookupCashRegister(const char* search, int keepPosition, uint16_t handle,
                                   CashRegisterRecord* out, int row, int column, int height,
                                   int width, FxHandler keyHandler);
/* 767: the lookup of the printer catalogue BPOSPRN.DB; 1 when a definition
 * was picked (copied into out). */
BWPS_EXPORT int LookupReceiptPrinter(const char* search, int keepPosition, uint16_t handle,
                                     StationPrinterEntry* out, int row, int column, int height,
                                     int width);

#ifdef __cplusplus
}
#endif

#endif
