/* bwps/records/company_ids.h: the company list BPOSCID.DB (file 85, base folder), in
 * its current and its older 60-byte layout.
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_COMPANY_IDS_H
#define BWPS_RECORDS_COMPANY_IDS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* The company-id record of BPOSCID.DB (file 85, base folder). */
typedef struct CompanyIdRecord {
    char Status;                          /* 0: "D" default company, "N" any other */
    char CompanyId[19];                   /* 1: 18 characters + NUL */
    char Folder[144];                     /* 20: 143 characters + NUL */
    int32_t Date;                         /* 164: framework date when written */
} CompanyIdRecord;

/* Key 1 of the company list: the mark, then the company id. */
typedef struct CompanyIdKey1 {
    char Status;                          /* 0 */
    char CompanyId[19];                   /* 1 */
} CompanyIdKey1;

/* ---- Company-id file, older layout (60 bytes) ---- */
typedef struct TagCompanyIdOld {
    char Status;                    /* 0 */
    char CompanyId[19];             /* 1 */
    char Folder[36];                /* 20 */
    int32_t Value;                  /* 56 */
} TagCompanyIdOld;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(CompanyIdRecord) == 168, "company-id record");
static_assert(sizeof(CompanyIdKey1) == 20, "company-id key 1");
static_assert(offsetof(CompanyIdRecord, Folder) == 20, "company folder");
static_assert(offsetof(CompanyIdRecord, Date) == 164, "company date");
static_assert(sizeof(TagCompanyIdOld) == 60, "old company id");
static_assert(offsetof(TagCompanyIdOld, Value) == 56, "old company value");
#endif

#endif
