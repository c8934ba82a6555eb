/* bwps/records/customer_history.h: the customer history detail file
 * BPOSCUHD.DB (file 40), its summaries BPOSCUHS.DB (file 41), the result
 * block the history services fill and the purchase-history row that a
 * caller's file holds. Packed, little-endian.
 */
#ifndef BWPS_RECORDS_CUSTOMER_HISTORY_H
#define BWPS_RECORDS_CUSTOMER_HISTORY_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/records/open_invoices.h"

#pragma pack(push, 1)

/* One posted open-invoice line (157 bytes). Key 1: the detail number at
 * 42; key 2: customer, document, precedence digit. */
typedef struct CustHistDetail {
    TagOpenInvoice Line;        /* 0: the line as posted; amount at 70 negated for type C */
    char Source[7];             /* 123: "POS" blank padded */
    char Reference[11];         /* 130: first 11 characters of the document header */
    double HeaderDouble;        /* 141: the header's double at 423 */
    double Double149;           /* 149: 0 */
} CustHistDetail;

/* One summary per customer and document (125 bytes). Key 0: customer and
 * document. */
typedef struct CustHistSummary {
    char Customer[11];          /* 0 */
    char Document[11];          /* 11 */
    char Text22[6];             /* 22: the creating line's text at 22 */
    char Type;                  /* 28: type of the originating line */
    int32_t OriginNumber;       /* 29 */
    int32_t PaymentNumber;      /* 33: latest payment line */
    int32_t Origin54;           /* 37 */
    int32_t Origin50;           /* 41 */
    int32_t Origin46;           /* 45 */
    int32_t Payment54;          /* 49 */
    double Total;               /* 53 */
    double Payments;            /* 61: sum of the P lines' doubles at 78 */
    double PaymentDiscounts;    /* 69: sum of the P lines' doubles at 94 */
    double OpenBalance;         /* 77: total - payments - (69) */
    double Amounts70;           /* 85 */
    double Doubles62;           /* 93 */
    double Doubles141;          /* 101 */
    double Doubles149;          /* 109 */
    double Doubles86;           /* 117 */
} CustHistSummary;

/* What a history service did last (275 bytes): cleared, then the file
 * (40, or 41 while the summary is handled), the operation and its status. */
typedef struct HistPostResult {
    uint8_t Data[255];          /* 0 */
    int32_t File;               /* 255 */
    int32_t Operation;          /* 259 */
    int32_t Status;             /* 263 */
    uint8_t Rest[8];            /* 267 */
} HistPostResult;

/* The document key of the history lines: customer, document and the
 * line's type letter. */
typedef struct CustHistDocumentKey {
    char Customer[11];          /* 0 */
    char Document[11];          /* 11 */
    char Type;                  /* 22 */
} CustHistDocumentKey;

/* One purchase of a customer (107 bytes), in a file that the caller
 * builds and opens; key 0 orders the list. */
typedef struct PurchHistRecord {
    int32_t Date;               /* 0: sales date */
    char ItemType[13];          /* 4 */
    char ItemNo[15];            /* 17 */
    char Description[41];       /* 32 */
    int16_t PackSize;           /* 73: the quantity's pack size */
    double Quantity;            /* 75 */
    double Price;               /* 83 */
    double Discount;            /* 91 */
    double Extended;            /* 99 */
} PurchHistRecord;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(PurchHistRecord) == 107, "purchase history row");
static_assert(offsetof(PurchHistRecord, ItemType) == 4, "purchase item type");
static_assert(offsetof(PurchHistRecord, ItemNo) == 17, "purchase item number");
static_assert(offsetof(PurchHistRecord, Description) == 32, "purchase description");
static_assert(offsetof(PurchHistRecord, PackSize) == 73, "purchase pack size");
static_assert(offsetof(PurchHistRecord, Quantity) == 75, "purchase quantity");
static_assert(offsetof(PurchHistRecord, Price) == 83, "purchase price");
static_assert(offsetof(PurchHistRecord, Discount) == 91, "purchase discount");
static_assert(offsetof(PurchHistRecord, Extended) == 99, "purchase extended");
static_assert(sizeof(CustHistDetail) == 157, "history detail");
static_assert(sizeof(CustHistDocumentKey) == 23 && offsetof(CustHistDocumentKey, Type) == 22,
              "history document key");
static_assert(offsetof(CustHistDetail, Source) == 123, "history source");
static_assert(offsetof(CustHistDetail, Reference) == 130, "history reference");
static_assert(offsetof(CustHistDetail, HeaderDouble) == 141, "history 141");
static_assert(offsetof(CustHistDetail, Double149) == 149, "history 149");
static_assert(sizeof(CustHistSummary) == 125, "history summary");
static_assert(offsetof(CustHistSummary, Type) == 28, "summary type");
static_assert(offsetof(CustHistSummary, OriginNumber) == 29, "summary origin");
static_assert(offsetof(CustHistSummary, Payment54) == 49, "summary payment 54");
static_assert(offsetof(CustHistSummary, Total) == 53, "summary total");
static_assert(offsetof(CustHistSummary, OpenBalance) == 77, "summary open");
static_assert(offsetof(CustHistSummary, Doubles86) == 117, "summary 117");
static_assert(sizeof(HistPostResult) == 275, "history result");
static_assert(offsetof(HistPostResult, File) == 255, "result file");
static_assert(offsetof(HistPostResult, Operation) == 259, "result operation");
static_assert(offsetof(HistPostResult, Status) == 263, "result status");
#endif

#endif
