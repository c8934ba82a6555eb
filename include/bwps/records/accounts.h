/* bwps/records/accounts.h: the chart of accounts (BPOSACCT.DB, file 1),
 * the posting status block that the chart-of-accounts services and the
 * deleted-transaction markers fill for their caller, and the
 * "0CurrPosting   " settings record. Packed, little-endian, fixed offsets.
 */
#ifndef BWPS_RECORDS_ACCOUNTS_H
#define BWPS_RECORDS_ACCOUNTS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

enum {
    ACCOUNT_NUMBER_WIDTH = 11,      /* 10 characters blank padded, NUL */
    ACCOUNT_PERIODS = 26,
    ACCOUNT_RECORD_SIZE = 569,
    POSTING_STATUS_SIZE = 275,
    POSTING_KEY_SIZE = 255
};

/* Account types. 1, 5 and 7 are debit-normal. */
enum {
    ACCOUNT_ASSET = 1,
    ACCOUNT_LIABILITY = 2,
    ACCOUNT_CAPITAL = 3,
    ACCOUNT_REVENUE = 4,
    ACCOUNT_EXPENSE = 5,
    ACCOUNT_OTHER_CREDIT = 6,
    ACCOUNT_OTHER_DEBIT = 7
};

/* BPOSACCT.DB, 569 bytes. Key 0 and key 1: the account number. */
typedef struct TagAccount {
    char Number[11];                /* 0 */
    char Parent[11];                /* 11: the account one level up */
    char Description[26];           /* 22 */
    char TypeText[16];              /* 48 */
    char Text64[11];                /* 64 */
    char Level;                     /* 75: '1' at the top of the chart */
    uint8_t Unused76;               /* 76 */
    uint8_t Type;                   /* 77: 1 to 7 */
    char Kind;                      /* 78: 'G' general, 'D' detail */
    char CheckRegister;             /* 79: 'Y' / 'N' (a bank account) */
    int32_t Value80;                /* 80: 1 in a new record */
    int32_t NextNumber;             /* 84: running number of register entries */
    uint8_t Unused88[8];            /* 88 */
    double Balance;                 /* 96 */
    uint8_t Unused104[16];          /* 104 */
    double DebitTotal;              /* 120 */
    double CreditTotal;             /* 128 */
    double DebitTotal2;             /* 136: alternate totals */
    double CreditTotal2;            /* 144 */
    double Periods[26];             /* 152 */
    double Periods2[26];            /* 360 */
    char RecordStatus;              /* 568: 'A' active */
} TagAccount;

/* Posting status block: what the last read or write of a service did. */
typedef struct TagPostingStatus {
    char Key[255];                  /* 0: key of the last read or write */
    int32_t FileNumber;             /* 255 */
    int32_t Operation;              /* 259 */
    int32_t Status;                 /* 263: record-manager status, or a posting code */
    int32_t PostingCode;            /* 267: 0, -11 out of balance, -12 difference account */
    int32_t StopFlag;               /* 271: 1 when the caller must stop */
} TagPostingStatus;

enum {
    POSTING_OUT_OF_BALANCE = -11,
    POSTING_DIFFERENCE_ACCOUNT = -12
};

/* "0CurrPosting   " of the store's general file (25 bytes). */
typedef struct TagCurrentPosting {
    char Key[16];                   /* 0 */
    char Flag;                      /* 16: 'Y' a posting run is under way */
    int32_t First;                  /* 17 */
    int32_t Last;                   /* 21 */
} TagCurrentPosting;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagAccount) == 569, "account record");
static_assert(offsetof(TagAccount, Parent) == 11, "account parent");
static_assert(offsetof(TagAccount, Description) == 22, "account description");
static_assert(offsetof(TagAccount, TypeText) == 48, "account type text");
static_assert(offsetof(TagAccount, Text64) == 64, "account text 64");
static_assert(offsetof(TagAccount, Level) == 75, "account level");
static_assert(offsetof(TagAccount, Type) == 77, "account type");
static_assert(offsetof(TagAccount, Kind) == 78, "account kind");
static_assert(offsetof(TagAccount, CheckRegister) == 79, "account register flag");
static_assert(offsetof(TagAccount, Value80) == 80, "account 80");
static_assert(offsetof(TagAccount, NextNumber) == 84, "account next number");
static_assert(offsetof(TagAccount, Balance) == 96, "account balance");
static_assert(offsetof(TagAccount, DebitTotal) == 120, "account debit total");
static_assert(offsetof(TagAccount, CreditTotal) == 128, "account credit total");
static_assert(offsetof(TagAccount, DebitTotal2) == 136, "account second debit total");
static_assert(offsetof(TagAccount, CreditTotal2) == 144, "account second credit total");
static_assert(offsetof(TagAccount, Periods) == 152, "account periods");
static_assert(offsetof(TagAccount, Periods2) == 360, "account second periods");
static_assert(offsetof(TagAccount, RecordStatus) == 568, "account status");
static_assert(sizeof(TagPostingStatus) == 275, "posting status block");
static_assert(offsetof(TagPostingStatus, FileNumber) == 255, "posting status file");
static_assert(offsetof(TagPostingStatus, Status) == 263, "posting status status");
static_assert(offsetof(TagPostingStatus, StopFlag) == 271, "posting status stop flag");
static_assert(sizeof(TagCurrentPosting) == 25, "0CurrPosting");
static_assert(offsetof(TagCurrentPosting, First) == 17, "0CurrPosting first");
#endif

#endif
