/* bwps/records/periods.h: the period information that GetPeriodInfo fills
 * (37 bytes). The periods record itself is TagPeriods of bwps/records.h. */
#ifndef BWPS_RECORDS_PERIODS_H
#define BWPS_RECORDS_PERIODS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)
typedef struct TagPeriodInfo {
    char Status;                /* 0: status of the date's period ("C" outside) */
    char State;                 /* 1: state of the date's period ("I" outside) */
    uint8_t NextYear;           /* 2: 1 when the date lies in the next year */
    uint8_t Before;             /* 3: 1 when the date lies before the first period */
    uint8_t After;              /* 4: 1 when the date lies after the last period */
    int16_t CurrentPeriod;      /* 5: the record's current period */
    int16_t ActivePeriod;       /* 7: period number of the active ("A") period */
    int16_t Period;             /* 9: period number of the date; 0 when none */
    int16_t Index;              /* 11: entry index of the date; -1 outside */
    int32_t YearFirstDate;      /* 13: first date of the current year */
    int32_t NextYearFirstDate;  /* 17: first date of the next year */
    int32_t FirstDate;          /* 21: first date of the date's period */
    int32_t LastDate;           /* 25: last date of the date's period */
    int32_t ActiveFirstDate;    /* 29 */
    int32_t ActiveLastDate;     /* 33 */
} TagPeriodInfo;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagPeriodInfo) == 37, "period information");
static_assert(offsetof(TagPeriodInfo, CurrentPeriod) == 5, "current period");
static_assert(offsetof(TagPeriodInfo, Index) == 11, "entry index");
static_assert(offsetof(TagPeriodInfo, FirstDate) == 21, "period first date");
static_assert(offsetof(TagPeriodInfo, ActiveLastDate) == 33, "active last date");
#endif

#endif
