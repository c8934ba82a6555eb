/* bwps/records/counters.h: "0IndexValues   " of the general settings file
 * (40 bytes): the last record number given out for the open invoices,
 * customer history, check register and ledger headers. */
#ifndef BWPS_RECORDS_COUNTERS_H
#define BWPS_RECORDS_COUNTERS_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/records.h"

enum { INDEX_VALUES_SIZE = 40 };

#pragma pack(push, 1)
typedef struct TagIndexValues {
    char Key[16];               /* 0 */
    int32_t OpenInvoices;       /* 16: last number of file 3 */
    int32_t Second;             /* 20: last number of file 2 (payables); kept at least as high as Fourth */
    int32_t CustomerHistory;    /* 24: last number of file 40 */
    int32_t Fourth;             /* 28 */
    int32_t CheckRegister;      /* 32: last number of file 8 */
    int32_t LedgerHeaders;      /* 36: last number of file 13 */
} TagIndexValues;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagIndexValues) == 40, "0IndexValues");
static_assert(offsetof(TagIndexValues, OpenInvoices) == 16, "open invoices counter");
static_assert(offsetof(TagIndexValues, CustomerHistory) == 24, "customer history counter");
static_assert(offsetof(TagIndexValues, CheckRegister) == 32, "check register counter");
static_assert(offsetof(TagIndexValues, LedgerHeaders) == 36, "ledger header counter");
#endif

#endif
