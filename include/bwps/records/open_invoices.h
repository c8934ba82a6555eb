/* bwps/records/open_invoices.h: open-invoice details (BPOSAROP.DB file 3,
 * BPOSAPOP.DB file 2) and their headers (BPOSAROH.DB file 70, BPOSAPOH.DB
 * file 69). Packed, little-endian; offsets are fixed.
 */
#ifndef BWPS_RECORDS_OPEN_INVOICES_H
#define BWPS_RECORDS_OPEN_INVOICES_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* One invoice, memo or payment line (123 bytes). Key 0: customer, invoice,
 * precedence letter, date (the first in key order is the main detail);
 * key 3: the identifier at 42. */
typedef struct TagOpenInvoice {
    char Customer[11];          /* 0: customer (receivables) or vendor number */
    char Invoice[11];           /* 11 */
    char Text22[6];             /* 22 */
    char Reference[11];         /* 28: carried to header 41 */
    char Type;                  /* 39: 'I', 'C', 'D', 'P'; others count as charges */
    char Status;                /* 40: 'O' open, 'P' posted */
    char Type2;                 /* 41: carried to header 23 */
    int32_t Id;                 /* 42: detail identifier (key 3) */
    int32_t Date46;             /* 46: carried to header 52 (terms date) */
    int32_t Date50;             /* 50: carried to header 56 (due date) */
    int32_t Date;               /* 54: detail date */
    int32_t Value58;            /* 58: carried to header 64 */
    double Double62;            /* 62 */
    double Double70;            /* 70 */
    double Amount;              /* 78 */
    double Double86;            /* 86: carried to header 76 */
    double Discount;            /* 94: discount taken with a payment */
    uint8_t Data102[4];         /* 102 */
    char Text106[11];           /* 106: carried to header 26 */
    char Byte117;               /* 117: carried to header 25 */
    uint8_t Data118[4];         /* 118 */
    char Precedence;            /* 122: digit character */
} TagOpenInvoice;

/* One header per customer (or vendor) and invoice (124 bytes): the
 * running totals and the data of the main detail. Key 0: customer and
 * invoice; key 1: the main detail's identifier; key 2: customer and
 * balance. */
typedef struct TagOpenInvoiceHdr {
    char Customer[11];          /* 0 */
    char Invoice[11];           /* 11 */
    char Precedence;            /* 22: of the main detail */
    char Type2;                 /* 23: detail 41 */
    char Type;                  /* 24: detail 39 */
    char Byte25;                /* 25: detail 117 */
    char Text26[11];            /* 26: detail 106 */
    int32_t MainId;             /* 37: detail 42 */
    char Reference[11];         /* 41: detail 28 */
    int32_t Date52;             /* 52: detail 46 (due date of the credit check) */
    int32_t Date56;             /* 56: detail 50 */
    int32_t Date;               /* 60: detail 54 */
    int32_t Value64;            /* 64: detail 58 */
    double Balance;             /* 68: charges less payments and memos */
    double Double76;            /* 76: detail 86 */
    double DiscountTotal;       /* 84 */
    double ChargesTotal;        /* 92 */
    double BalanceLessDiscount; /* 100 */
    double PaymentsTotal;       /* 108 */
    double MemoTotal;           /* 116: credit memos (receivables), debit memos (payables) */
} TagOpenInvoiceHdr;

/* Key 2 of the open-invoice details: the status letter, the customer (or
 * vendor) and the invoice. */
typedef struct OpenInvoiceStatusKey {
    char Status;                /* 0 */
    char Customer[11];          /* 1 */
    char Invoice[11];           /* 12 */
} OpenInvoiceStatusKey;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagOpenInvoice) == 123, "open-invoice detail");
static_assert(sizeof(OpenInvoiceStatusKey) == 23 && offsetof(OpenInvoiceStatusKey, Invoice) == 12,
              "open-invoice status key");
static_assert(offsetof(TagOpenInvoice, Reference) == 28, "detail 28");
static_assert(offsetof(TagOpenInvoice, Type) == 39, "detail type");
static_assert(offsetof(TagOpenInvoice, Status) == 40, "detail status");
static_assert(offsetof(TagOpenInvoice, Id) == 42, "detail id");
static_assert(offsetof(TagOpenInvoice, Date46) == 46, "detail 46");
static_assert(offsetof(TagOpenInvoice, Date) == 54, "detail date");
static_assert(offsetof(TagOpenInvoice, Value58) == 58, "detail 58");
static_assert(offsetof(TagOpenInvoice, Double62) == 62, "detail 62");
static_assert(offsetof(TagOpenInvoice, Double70) == 70, "detail 70");
static_assert(offsetof(TagOpenInvoice, Amount) == 78, "detail amount");
static_assert(offsetof(TagOpenInvoice, Double86) == 86, "detail 86");
static_assert(offsetof(TagOpenInvoice, Discount) == 94, "detail discount");
static_assert(offsetof(TagOpenInvoice, Text106) == 106, "detail 106");
static_assert(offsetof(TagOpenInvoice, Byte117) == 117, "detail 117");
static_assert(offsetof(TagOpenInvoice, Precedence) == 122, "detail precedence");
static_assert(sizeof(TagOpenInvoiceHdr) == 124, "open-invoice header");
static_assert(offsetof(TagOpenInvoiceHdr, Precedence) == 22, "header precedence");
static_assert(offsetof(TagOpenInvoiceHdr, Text26) == 26, "header 26");
static_assert(offsetof(TagOpenInvoiceHdr, MainId) == 37, "header main id");
static_assert(offsetof(TagOpenInvoiceHdr, Reference) == 41, "header 41");
static_assert(offsetof(TagOpenInvoiceHdr, Date52) == 52, "header 52");
static_assert(offsetof(TagOpenInvoiceHdr, Date) == 60, "header date");
static_assert(offsetof(TagOpenInvoiceHdr, Value64) == 64, "header 64");
static_assert(offsetof(TagOpenInvoiceHdr, Balance) == 68, "header balance");
static_assert(offsetof(TagOpenInvoiceHdr, Double76) == 76, "header 76");
static_assert(offsetof(TagOpenInvoiceHdr, DiscountTotal) == 84, "header discount");
static_assert(offsetof(TagOpenInvoiceHdr, ChargesTotal) == 92, "header charges");
static_assert(offsetof(TagOpenInvoiceHdr, BalanceLessDiscount) == 100, "header 100");
static_assert(offsetof(TagOpenInvoiceHdr, PaymentsTotal) == 108, "header payments");
static_assert(offsetof(TagOpenInvoiceHdr, MemoTotal) == 116, "header memos");
#endif

#endif
