/* bwps/records/users.h: the user file BPOSGEN3.DB (file 61), the secured-function
 * file BPOSGEN2.DB (file 96) and the user warehouses BPOSGEN4.DB (file 78).
 * The passwords record "0Passwords     " is in records/general.h.
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_USERS_H
#define BWPS_RECORDS_USERS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* A record of the user file BPOSGEN3.DB (file 61), key 0 the user id. */
typedef struct UserRecord {
    char UserId[15];        /* 0 */
    char Password[15];                  /* 15: stored form */
    char Rights[200];           /* 30: right n at offset 29 + n, "Y" granted; stored form */
    char WarehouseFlag;                 /* 230: "N" = every warehouse */
} UserRecord;


/* A record of the secured-function file BPOSGEN2.DB (file 96): key 1 is
 * the command number. Only the two leading fields are read here. */
typedef struct SecuredFunctionRecord {
    int16_t Right;                      /* 0: 1-based right number; key 0 */
    char Name[31];                      /* 2 */
    char LastUserId[15];                /* 33 */
    uint8_t Mark;                       /* 48 */
    int16_t FlagIndex;                  /* 49 */
    int16_t Command;                    /* 51: menu command number; key 1 */
    int16_t Numbers[5];                 /* 53 */
    char Unused[2];                     /* 63 */
} SecuredFunctionRecord;

/* A record of BPOSGEN4.DB (file 78): its presence grants the warehouse. */
typedef struct UserWarehouseRecord {
    char UserId[15];        /* 0 */
    char WarehouseId[4];                /* 15 */
} UserWarehouseRecord;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(UserRecord) == 231, "user record");
static_assert(offsetof(UserRecord, Rights) == 30, "user rights");
static_assert(offsetof(UserRecord, WarehouseFlag) == 230, "warehouse flag");
static_assert(sizeof(SecuredFunctionRecord) == 65, "secured function record");
static_assert(offsetof(SecuredFunctionRecord, Command) == 51, "secured function command");
static_assert(sizeof(UserWarehouseRecord) == 19, "user warehouse record");
#endif

#endif
