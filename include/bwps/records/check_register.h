/* bwps/records/check_register.h: one entry of the check register
 * BPOSCHCK.DB (file 8): a bank deposit or withdrawal. Packed,
 * little-endian, fixed offsets; text fields are NUL-terminated inside
 * their width. Key 0: bank account + date; key 1: bank account + check
 * number; key 2: the transaction key (automatic, unique).
 */
#ifndef BWPS_RECORDS_CHECK_REGISTER_H
#define BWPS_RECORDS_CHECK_REGISTER_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

enum {
    CHECK_REGISTER_RECORD_SIZE = 120,
    CHECK_REGISTER_TRAN_KEY = 2     /* key number of the transaction key */
};

/* 120 bytes. */
typedef struct TagCheckRegister {
    char Account[11];               /* 0: bank account number */
    char CheckNo[9];                /* 11: check or deposit number, at most 8 characters */
    char Reference[15];             /* 20: ledger transaction number or invoice number */
    char Payee[11];                 /* 35: customer number */
    char Description[41];           /* 46: 40 characters blank padded */
    char Reference2[11];            /* 87: ledger reference or method-of-payment code */
    char Status;                    /* 98: 'O' outstanding, 'C' cleared */
    char Byte99;                    /* 99: 'P' in a posting run's bank entry */
    char Kind;                      /* 100: 'D' deposit, 'M' withdrawal, 'C', 'V' void, 'b', 'c' */
    char KindDigit;                 /* 101: '1' D, '2' b, '3' C and M, '4' c, '5' V */
    int32_t Date;                   /* 102 */
    double Amount;                  /* 106: never negative; 0 for a void */
    int32_t TranKey;                /* 114: key 2; 0 on insert lets the record manager assign it */
    char Source;                    /* 118: 'S' sale, 'G' ledger transaction */
    char Posted;                    /* 119: 'Y' / 'N' */
} TagCheckRegister;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagCheckRegister) == 120, "check register entry");
static_assert(offsetof(TagCheckRegister, CheckNo) == 11, "register check number");
static_assert(offsetof(TagCheckRegister, Reference) == 20, "register reference");
static_assert(offsetof(TagCheckRegister, Payee) == 35, "register payee");
static_assert(offsetof(TagCheckRegister, Description) == 46, "register description");
static_assert(offsetof(TagCheckRegister, Reference2) == 87, "register second reference");
static_assert(offsetof(TagCheckRegister, Status) == 98, "register status");
static_assert(offsetof(TagCheckRegister, Byte99) == 99, "register byte 99");
static_assert(offsetof(TagCheckRegister, Kind) == 100, "register kind");
static_assert(offsetof(TagCheckRegister, KindDigit) == 101, "register kind digit");
static_assert(offsetof(TagCheckRegister, Date) == 102, "register date");
static_assert(offsetof(TagCheckRegister, Amount) == 106, "register amount");
static_assert(offsetof(TagCheckRegister, TranKey) == 114, "register transaction key");
static_assert(offsetof(TagCheckRegister, Source) == 118, "register source");
static_assert(offsetof(TagCheckRegister, Posted) == 119, "register posted flag");
#endif

#endif
