/* bwps/records/tenders.h: the tender record of BPOSTEND.DB (file 33). */
#ifndef BWPS_RECORDS_TENDERS_H
#define BWPS_RECORDS_TENDERS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)
/* 97 bytes. Key 0: the code. */
typedef struct TagTender {
    char Code[11];              /* 0: up to 10 characters, upper case */
    char Description[31];       /* 11 */
    char Processing;            /* 42: 'Y' / 'N' */
    uint8_t ProcessingKind;     /* 43: 0-5 */
    char Account[11];           /* 44: ledger account */
    char Remark[41];            /* 55 */
    char Type;                  /* 96: 'K' check, 'C' cash, 'O' other */
} TagTender;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagTender) == 97, "tender");
static_assert(offsetof(TagTender, Account) == 44, "tender account");
static_assert(offsetof(TagTender, Type) == 96, "tender type");
#endif

#endif
