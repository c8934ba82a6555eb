/* bwps/records/options.h: the system options record "0System        "
 * (TagSystemPref, 469 bytes), the terms record (file 27), the
 * "0Defaults      " record and the customer statistics record (file 39). */
#ifndef BWPS_RECORDS_OPTIONS_H
#define BWPS_RECORDS_OPTIONS_H

#include <stddef.h>
#include <stdint.h>

enum {
    SYSTEM_PREF_SIZE = 469,
    SYSTEM_OPTIONS_OFFSET = 304,
    SYSTEM_OPTIONS_SIZE = 165,
    TERMS_RECORD_SIZE = 36,
    DEFAULTS_RECORD_SIZE = 1479,
    CUSTOMER_STATISTICS_SIZE = 223
};

#pragma pack(push, 1)
typedef struct TagSystemPref {
    char Key[16];                           /* 0 */
    uint8_t Data16[288];                    /* 16 */
    uint8_t Options[SYSTEM_OPTIONS_SIZE];   /* 304: index = offset - 304 */
} TagSystemPref;

typedef struct TagTermsRecord {
    char Code[6];               /* 0: key 0 */
    char Description[18];       /* 6 */
    char Mode;                  /* 24: "N" days, "D" days of the month (99: the month's last day) */
    char NextMonth;             /* 25: "Y" moves the due date one month on */
    float DiscountPercent;      /* 26 */
    int16_t DiscountDay;        /* 30 */
    int16_t DueDay;             /* 32 */
    int16_t CutOffDay;          /* 34 */
} TagTermsRecord;

typedef struct TagDefaultsRecord {
    char Key[16];               /* 0 */
    uint8_t Data[1463];         /* 16: the default customer's record first */
} TagDefaultsRecord;

/* Bytes of the default customer inside TagDefaultsRecord.Data. */
enum {
    DEFAULTS_PRICE_LEVEL = 117,   /* offset 133: the customer's price level */
    DEFAULTS_ACCOUNT_TYPE = 118   /* offset 134: the customer's account type */
};

typedef struct TagCustomerStatistics {
    char Code[11];              /* 0 */
    int32_t Kind;               /* 11 */
    double First[13];           /* 15 */
    double Second[13];          /* 119 */
} TagCustomerStatistics;

/* The part of a document that the terms fill (ApplyTermsToDocument). */
typedef struct TagTermsDates {
    int32_t DocumentDate;
    int32_t DueDate;
    int32_t DiscountDate;
    float DiscountPercent;
} TagTermsDates;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagSystemPref) == 469, "0System");
static_assert(offsetof(TagSystemPref, Options) == 304, "option bytes");
static_assert(sizeof(TagTermsRecord) == 36, "terms record");
static_assert(sizeof(TagTermsDates) == 16 && offsetof(TagTermsDates, DiscountPercent) == 12, "terms dates");
static_assert(offsetof(TagTermsRecord, Description) == 6, "terms description");
static_assert(offsetof(TagTermsRecord, Mode) == 24, "terms mode");
static_assert(offsetof(TagTermsRecord, NextMonth) == 25, "terms flag");
static_assert(offsetof(TagTermsRecord, DueDay) == 32, "second day value");
static_assert(offsetof(TagTermsRecord, DiscountPercent) == 26, "discount percent");
static_assert(offsetof(TagTermsRecord, DiscountDay) == 30, "discount day");
static_assert(offsetof(TagTermsRecord, CutOffDay) == 34, "cut-off day");
static_assert(sizeof(TagDefaultsRecord) == 1479, "0Defaults");
static_assert(offsetof(TagDefaultsRecord, Data) + DEFAULTS_ACCOUNT_TYPE == 134, "default account type");
static_assert(sizeof(TagCustomerStatistics) == 223, "customer statistics");
static_assert(offsetof(TagCustomerStatistics, Second) == 119, "second amounts");
#endif

#endif
