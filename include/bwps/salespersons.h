/* bwps/salespersons.h: the salesperson record services (period totals,
 * a record made from a code) and the salesperson time clock. The register
 * and the host call them by ordinal; the screens are in bwps/screens.h. */
#ifndef BWPS_SALESPERSONS_H
#define BWPS_SALESPERSONS_H

#include <stdint.h>

#include "bwps/export.h"

/* The kind of a document that takes its amounts off again. */
enum { SALESPERSON_SUBTRACT = 4 };

#ifdef __cplusplus
extern "C" {
#endif

/* Adds a posted document's amounts to its salesperson's period totals
 * (kind 4 takes them off again). handle: open BPOSSPER.DB; periods: the
 * 462-byte "0Periods" record; header: the 586-byte sales header. The
 * record-manager status, -2 when the date lies in no period; 0 when there
 * is nothing to do. */
BWPS_EXPORT int UpdateSalespersonPeriodSales(uint16_t handle, int kind, const void* periods,
                                             const void* header);                     /* 156 */
/* Inserts a salesperson that holds only its code and reads it back into
 * record (572 bytes). 0 with nothing done for a zero handle or blank code. */
BWPS_EXPORT int CreateSalesperson(uint16_t handle, const char* code, void* record); /* 157 */

/* ---- Time clock (BPOSSPTM.DB) ---- */
/* An open entry found at start: asks whether it stays open. 0 when no open
 * entry remains (or the time clock is off), 1 when it stays open. */
BWPS_EXPORT int ConfirmOpenTimeClockEntry(const char* code);                        /* 158 */
/* Closes the open entries of a station. 0; 1 when the file cannot be opened
 * or a write failed. */
BWPS_EXPORT int CloseTimeClockEntriesOfStation(int32_t station);                    /* 159 */
/* Writes an open entry for the salesperson; true when written. */
BWPS_EXPORT int ClockInSalesperson(int16_t station, const char* code);              /* 160 */
/* Closes the salesperson's open entry: 0 when closed, 1 otherwise. */
BWPS_EXPORT int ClockOutSalesperson(const char* code);                              /* 161 */
/* The hours of an entry (73 bytes) from its dates and times; with stampNow
 * the entry ends now. 1. */
BWPS_EXPORT int ComputeTimeClockHours(void* entry, int stampNow);                    /* 162 */
/* Clears the noise of the hours and the four amounts of an entry. */
BWPS_EXPORT int NormalizeTimeClockAmounts(void* entry);                             /* 163 */
/* Adds four amounts to the salesperson's open entry; *found 0 when there is
 * none. 1 on success or with the time clock off, else 0. */
BWPS_EXPORT int AddTimeClockAmounts(const char* code, int32_t* found, double amount1, double amount2,
                                    double amount3, double amount4);                 /* 164 */
/* 1 when the salesperson has an open entry (or the file cannot be opened). */
BWPS_EXPORT int IsSalespersonClockedIn(const char* code);                           /* 165 */

/* ---- Screens ---- */
/* The salesperson editor; lookup: the calling TagLookUp or null. */
BWPS_EXPORT int RSEditSPerNoTrack(void* lookup);                                     /* 628 */
/* The period totals of a salesperson: handle of the open BPOSSPER.DB, the
 * record (572 bytes), the "0Periods" record (462 bytes). */
BWPS_EXPORT int RSEditSPHistory(uint16_t handle, void* record, const void* periods); /* 629 */

#ifdef __cplusplus
}
#endif

#endif
