/* bwps/records/ledger.h: the ledger files. Header records of BPOSGLTH.DB
 * (file 13), distribution lines of BPOSGLTD.DB (file 12), journal records
 * of BPOSGLJL.DB (file 11). The work block of the deleted-transaction
 * markers is the posting status block of bwps/records/accounts.h. Packed, little-endian, fixed offsets; text fields are
 * NUL-terminated inside their width.
 */
#ifndef BWPS_RECORDS_LEDGER_H
#define BWPS_RECORDS_LEDGER_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

enum {
    LEDGER_JOURNAL_WIDTH = 7,
    LEDGER_NUMBER_WIDTH = 11,
    LEDGER_ACCOUNT_WIDTH = 11,
    LEDGER_DESCRIPTION_WIDTH = 25,
    LEDGER_KEY_WIDTH = 18          /* journal code + transaction number */
};

/* BPOSGLTH.DB, 79 bytes. Key 0: journal + number (0-17); key 1: date (18);
 * key 2: the automatic transaction key (64). */
typedef struct TagGLHeader {
    char JournalCode[7];            /* 0: "POS" by default */
    char TranNo[11];                /* 7: empty until a number is drawn */
    int32_t TranDate;               /* 18 */
    char Reference[11];             /* 22: invoice number, posting reference or "DELETED" */
    uint8_t Unused33[16];           /* 33: zero */
    char Posted;                    /* 49: 'N'; 'Y', 'y' or 1 count as posted */
    char Deleted;                   /* 50: 'Y' / 'N' */
    char Reverse;                   /* 51: 'Y' / 'N' */
    int32_t StartDate;              /* 52: written as 0 */
    double DebitTotal;              /* 56 */
    int32_t TranKey;                /* 64: 0 on insert lets the record manager assign it */
    char SourceDocument[11];        /* 68: the invoice number of the sale */
} TagGLHeader;

/* BPOSGLTD.DB, 84 bytes. Key 0: journal + number + line number; key 1:
 * journal + number + account. */
typedef struct TagLedgerDetail {
    char JournalCode[7];            /* 0 */
    char TranNo[11];                /* 7 */
    uint16_t LineNo;                /* 18 */
    char Account[11];               /* 20 */
    char Description[25];           /* 31 */
    char DebitCredit;               /* 56: 'D' or 'C' */
    double Amount;                  /* 57: never negative once accepted */
    int32_t TranDate;               /* 65 */
    int32_t RegisterKey;            /* 69: key 2 of the line's check-register entry, 0 when none */
    uint8_t Unused73[11];           /* 73: zero */
} TagLedgerDetail;

/* BPOSGLJL.DB, 11 bytes: one record per journal. Key 0: the code. */
typedef struct TagJournal {
    char JournalCode[7];            /* 0: 6 characters blank padded, NUL */
    uint32_t LastNumber;            /* 7 */
} TagJournal;

/* The key of a ledger header and of the first part of a line. */
typedef struct TagLedgerKey {
    char JournalCode[7];
    char TranNo[11];
} TagLedgerKey;

/* Key 1 of the lines: journal, number, account. */
typedef struct TagLedgerAccountKey {
    char JournalCode[7];
    char TranNo[11];
    char Account[11];
} TagLedgerAccountKey;

/* Marker texts. */
#define LEDGER_DELETED_TEXT "DELETED"
#define LEDGER_DEFAULT_JOURNAL "POS"

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagGLHeader) == 79, "ledger header");
static_assert(offsetof(TagGLHeader, TranNo) == 7, "ledger header number");
static_assert(offsetof(TagGLHeader, TranDate) == 18, "ledger header date");
static_assert(offsetof(TagGLHeader, Reference) == 22, "ledger header reference");
static_assert(offsetof(TagGLHeader, Posted) == 49, "ledger header posted flag");
static_assert(offsetof(TagGLHeader, Deleted) == 50, "ledger header deleted flag");
static_assert(offsetof(TagGLHeader, Reverse) == 51, "ledger header reverse flag");
static_assert(offsetof(TagGLHeader, StartDate) == 52, "ledger header 52");
static_assert(offsetof(TagGLHeader, DebitTotal) == 56, "ledger header debit total");
static_assert(offsetof(TagGLHeader, TranKey) == 64, "ledger header key 2");
static_assert(offsetof(TagGLHeader, SourceDocument) == 68, "ledger header source");
static_assert(sizeof(TagLedgerDetail) == 84, "ledger line");
static_assert(offsetof(TagLedgerDetail, LineNo) == 18, "ledger line number");
static_assert(offsetof(TagLedgerDetail, Account) == 20, "ledger line account");
static_assert(offsetof(TagLedgerDetail, Description) == 31, "ledger line description");
static_assert(offsetof(TagLedgerDetail, DebitCredit) == 56, "ledger line side");
static_assert(offsetof(TagLedgerDetail, Amount) == 57, "ledger line amount");
static_assert(offsetof(TagLedgerDetail, TranDate) == 65, "ledger line date");
static_assert(offsetof(TagLedgerDetail, RegisterKey) == 69, "ledger line register key");
static_assert(sizeof(TagJournal) == 11, "journal record");
static_assert(offsetof(TagJournal, LastNumber) == 7, "journal counter");
static_assert(sizeof(TagLedgerKey) == 18, "ledger key");
static_assert(sizeof(TagLedgerAccountKey) == 29, "ledger line key 1");
#endif

#endif
