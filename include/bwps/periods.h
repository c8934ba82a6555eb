/* bwps/periods.h: accounting periods: the period of a date, the period
 * check that postings run, and period numbers. The record comes from
 * LoadPeriodsRecord (bwps/settings.h). */
#ifndef BWPS_PERIODS_H
#define BWPS_PERIODS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records.h"
#include "bwps/records/periods.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Flags of GetPeriodInfo. */
enum {
    PERIOD_SHOW_OUTSIDE = 1,    /* a date outside both years shows message 191 */
    PERIOD_REFUSE_CLOSED = 2,   /* a closed period gives message 187 and 1 */
    PERIOD_REFUSE_OTHER = 4,    /* a period other than the current one: 189 and 1 */
    PERIOD_NONE = -2            /* no period for the date */
};

/* The period of a date (0: today) from the store's periods record: 0, 1
 * (refused), -2 (no period) or a record-manager status. */
BWPS_EXPORT int GetPeriodInfo(int flags, int32_t date, TagPeriodInfo* info);
/* -2: message 191; -1: message 185. 0. */
BWPS_EXPORT int ShowPeriodError(int error);
BWPS_EXPORT int PeriodIndexOfNumber(int number, int* index, int* nextYear, const TagPeriods* record);
/* True when the date lies in a period of either year. */
BWPS_EXPORT int FindPeriodOfDate(int32_t date, int* index, int* nextYear, const TagPeriods* record);
BWPS_EXPORT int32_t PeriodDateOfDate(int32_t date);
/* The first day of the date's period position within its year, in the
 * period's year; 0 when the date lies in no period. */
BWPS_EXPORT int32_t PeriodDateOfRecord(int32_t date, const TagPeriods* record);
/* number: -3 before the first period (or no first period), -4 after the
 * last; 0 always. */
BWPS_EXPORT int LocatePeriod(int32_t date, int32_t* first, int32_t* last, int* number, int* index,
                             int* nextYear, const TagPeriods* record);

#ifdef __cplusplus
}
#endif

#endif
