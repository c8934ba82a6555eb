/* bwps/records/audit.h: a record of the audit file BPOSAULG.DB (file 73,
 * 71 bytes), key 0 the log number, unsigned; a row of the entities list. */
#ifndef BWPS_RECORDS_AUDIT_H
#define BWPS_RECORDS_AUDIT_H

#include <stddef.h>
#include <stdint.h>

enum { AUDIT_RECORD_SIZE = 71 };

#pragma pack(push, 1)
typedef struct TagAuditRecord {
    uint32_t Number;            /* 0: key 0 */
    char UserId[15];            /* 4 */
    int32_t Date;               /* 19: today's date */
    int32_t Time;               /* 23: hour * 100 + minute */
    int32_t EntityType;         /* 27: type (+ product offset for master records) */
    int32_t ChangeType;         /* 31: 2 insert, 3 update, 4 delete */
    int32_t Zero;               /* 35 */
    char TimeText[6];           /* 39: "HH:MM" */
    char KeyText[26];           /* 45 */
} TagAuditRecord;

/* A row of the audit entities' pick list (45 bytes). */
typedef struct TagAuditEntity {
    int32_t Number;             /* 0: the entity type */
    char Name[41];              /* 4 */
} TagAuditEntity;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagAuditRecord) == 71, "audit record");
static_assert(offsetof(TagAuditRecord, Date) == 19, "audit date");
static_assert(offsetof(TagAuditRecord, EntityType) == 27, "entity type");
static_assert(offsetof(TagAuditRecord, TimeText) == 39, "time text");
static_assert(offsetof(TagAuditRecord, KeyText) == 45, "key text");
static_assert(sizeof(TagAuditEntity) == 45 && offsetof(TagAuditEntity, Name) == 4, "audit entity");
#endif

#endif
