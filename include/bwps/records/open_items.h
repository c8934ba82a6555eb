/* bwps/records/open_items.h: an open-item detail record of the receivables
 * (file 3) or payables (file 2) open-invoice file, 123 bytes: the fields
 * the numbering, aging and history services use. */
#ifndef BWPS_RECORDS_OPEN_ITEMS_H
#define BWPS_RECORDS_OPEN_ITEMS_H

#include <stddef.h>
#include <stdint.h>

enum { OPEN_ITEM_SIZE = 123 };

#pragma pack(push, 1)
typedef struct TagOpenItem {
    char Customer[11];          /* 0: customer or vendor */
    char Document[28];          /* 11: document (reference) number */
    char Type;                  /* 39: I, D, C, P, F, T */
    char Status;                /* 40: "O" open */
    char Type2;                 /* 41 */
    int32_t Number;             /* 42: record number (key 3) */
    int32_t DocumentDate;       /* 46 */
    int32_t DueDate;            /* 50 */
    int32_t TransactionDate;    /* 54 */
    uint8_t Data58[20];         /* 58 */
    double Amount;              /* 78 */
    double OpenAmount;          /* 86 */
    double Discount;            /* 94 */
    uint8_t Data102[20];        /* 102 */
    char Precedence;            /* 122 */
} TagOpenItem;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagOpenItem) == 123, "open item");
static_assert(offsetof(TagOpenItem, Number) == 42, "open item number");
static_assert(offsetof(TagOpenItem, TransactionDate) == 54, "transaction date");
static_assert(offsetof(TagOpenItem, Amount) == 78, "amount");
static_assert(offsetof(TagOpenItem, Discount) == 94, "discount");
static_assert(offsetof(TagOpenItem, Precedence) == 122, "precedence");
#endif

#endif

#ifndef BWPS_RECORDS_AGING_STATE
#define BWPS_RECORDS_AGING_STATE
#pragma pack(push, 1)
/* The aging of one customer's open items into periods. */
typedef struct TagAgingPeriod {
    int32_t Limit;              /* upper age limit in days */
    double Amount;
} TagAgingPeriod;

typedef struct TagAgingState {
    char Document[11];          /* the document being summed */
    int16_t Age;                /* its age in days */
    int32_t DueDate;
    int32_t AgingDate;
    int32_t LastInvoiceDate;
    int32_t LastPaymentDate;
    double Balance;
    double Current;
    double PastDue;
    double CreditLimit;
    double Available;
    double DocumentAmount;
    TagAgingPeriod Periods[10];
} TagAgingState;
#pragma pack(pop)
#ifdef __cplusplus
static_assert(sizeof(TagAgingPeriod) == 12, "aging period");
static_assert(offsetof(TagAgingState, Balance) == 29, "aging balance");
static_assert(sizeof(TagAgingState) == 197, "aging state");
#endif
#endif
