/* bwps/records/documents.h: a document header of the accounting company,
 * BPOSPOHD.DB (file 19). Packed, little-endian, fixed offsets. Only the
 * fields the posting checks read are named; key 0 is the kind byte and the
 * document number.
 */
#ifndef BWPS_RECORDS_DOCUMENTS_H
#define BWPS_RECORDS_DOCUMENTS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

enum { ACCOUNTING_DOCUMENT_SIZE = 1311 };

/* 1311 bytes. */
typedef struct TagAccountingDocument {
    char Kind;                      /* 0: 'O' an order (never posted) */
    char Number[15];                /* 1 */
    uint8_t Unused16[368];          /* 16 */
    char Closed;                    /* 384: 'Y' when the document is done with */
    uint8_t Unused385[2];           /* 385 */
    char Posted;                    /* 387: 'Y' when posted to the ledger */
    uint8_t Unused388[9];           /* 388 */
    int32_t Date;                   /* 397 */
    uint8_t Unused401[910];         /* 401 */
} TagAccountingDocument;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagAccountingDocument) == ACCOUNTING_DOCUMENT_SIZE, "accounting document");
static_assert(offsetof(TagAccountingDocument, Number) == 1, "document number");
static_assert(offsetof(TagAccountingDocument, Closed) == 384, "document closed flag");
static_assert(offsetof(TagAccountingDocument, Posted) == 387, "document posted flag");
static_assert(offsetof(TagAccountingDocument, Date) == 397, "document date");
#endif

#endif
