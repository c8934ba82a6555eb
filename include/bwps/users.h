/* bwps/users.h: users, passwords and access checks.
 *
 * Stored passwords and rights are kept transformed one character at a time
 * (FxCharTransform89 to store, FxCharTransform88 to read); plain values
 * exist only in memory.
 */
#ifndef BWPS_USERS_H
#define BWPS_USERS_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    USER_FILE_NUMBER = 61,          /* BPOSGEN3.DB */
    SECURED_FUNCTION_FILE_NUMBER = 96, /* BPOSGEN2.DB */
    USER_WAREHOUSE_FILE_NUMBER = 78,   /* BPOSGEN4.DB */
    USER_ID_LENGTH = 15,
    USER_RIGHT_COUNT = 200,
    PASSWORD_ENTRY_LENGTH = 15,
    PASSWORD_ENTRY_COUNT = 6,       /* entries 0 to 5; 5 is the supervisor */
    PASSWORD_SUPERVISOR_ENTRY = 5,
    SIGN_IN_ATTEMPTS = 5            /* the fifth failed attempt ends the sign-in */
};

/* User id of the built-in supervisor. */
#define SUPERVISOR_USER_ID "HEADKEEPER"
/* Key of the passwords settings record of the general file. */
#define PASSWORDS_RECORD_KEY "0Passwords     "

#pragma pack(push, 1)
/* A record of the user file BPOSGEN3.DB (file 61), key 0 the user id. */
typedef struct UserRecord {
    char UserId[USER_ID_LENGTH];        /* 0 */
    char Password[15];                  /* 15: stored form */
    char Rights[USER_RIGHT_COUNT];      /* 30: right n at offset 29 + n, "Y" granted; stored form */
    char WarehouseFlag;                 /* 230: "N" = every warehouse */
} UserRecord;

/* "0Passwords     " of the general settings file (file 31). */
typedef struct PasswordsRecord {
    char Key[16];                       /* 0: key and its terminating zero */
    char Unused1;                       /* 16 */
    char Entries[PASSWORD_ENTRY_COUNT][PASSWORD_ENTRY_LENGTH]; /* 17: entry 5 at 92 is the supervisor */
    char Unused2[60];                   /* 107 */
} PasswordsRecord;

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
    char UserId[USER_ID_LENGTH];        /* 0 */
    char WarehouseId[4];                /* 15 */
} UserWarehouseRecord;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(UserRecord) == 231, "user record");
static_assert(offsetof(UserRecord, Rights) == 30, "user rights");
static_assert(offsetof(UserRecord, WarehouseFlag) == 230, "warehouse flag");
static_assert(sizeof(PasswordsRecord) == 167, "passwords record");
static_assert(offsetof(PasswordsRecord, Entries) == 17, "password entries");
static_assert(offsetof(PasswordsRecord, Entries) + 5 * 15 == 92, "supervisor entry");
static_assert(sizeof(SecuredFunctionRecord) == 65, "secured function record");
static_assert(offsetof(SecuredFunctionRecord, Command) == 51, "secured function command");
static_assert(sizeof(UserWarehouseRecord) == 19, "user warehouse record");
#endif

/* The silent log-in: checks the user id and password as given. 1 when the
 * check ran (whatever its verdict; the out flags give it), 0 on a
 * record-manager failure or when the passwords record cannot be read. */
BWPS_EXPORT int CheckSilentUserId(int* passwordsInForce, const char* userId, int* idValid,
                                  const char* password, int* passwordValid);
/* Takes the user id and password of the framework's log-in block into the
 * buffers (16 bytes each at least) and checks them; 0 only after the
 * unexpected-error message, else 1. */
BWPS_EXPORT int ValidateUserPassword(char* userId, char* password, int* stillToPrompt,
                                     int* signedIn);
/* The sign-in screen "RSGetUserPassword". The two texts (the host's log-in
 * texts, may be null) are not used: the screen asks anew. True when someone
 * signed in, when passwords are not in force, or when nobody can be checked. */
BWPS_EXPORT int PromptUserPassword(const char* userId, const char* password);
BWPS_EXPORT int ReadPasswordsRecord(int* status);
BWPS_EXPORT char* GetPasswordEntry(int entry);
/* Right numbers are 1 to 200. handle: an open user file, or 0 to open it. */
BWPS_EXPORT int CheckUserAccess(int right, uint16_t handle, const char* userId, int showMessage);
BWPS_EXPORT int SetUserRight(int right, uint16_t handle, const char* userId, int grant);
/* True when get first finds nothing, and also when the read fails: callers
 * that grant every right on an empty file must tell the two apart through
 * UserFileState. */
BWPS_EXPORT int UserFileIsEmpty(uint16_t handle);
BWPS_EXPORT int CheckUserGroupAccess(int command);
BWPS_EXPORT int CheckSessionCommandAccess(int userLevel);
BWPS_EXPORT int CheckUserWarehouseAccess(uint16_t handle, const char* userId,
                                         const char* warehouseId, int showMessage);
BWPS_EXPORT int PasswordsInForce(void);
BWPS_EXPORT int CheckUserAccessOrMessage(int command, const char* userId, int showMessage);
BWPS_EXPORT int MapCommandToSecuredFunction(int command);

/* State of the open user file: 0 holds records, 1 empty (get first gave 9
 * or 4), -1 the read failed (reported). */
BWPS_EXPORT int UserFileState(uint16_t handle);

/* Character transforms of a stored text, in place, up to its length
 * (NUL-terminated) or `length` characters, whichever ends first. */
BWPS_EXPORT void StoredToPlainText(char* text, int length);
BWPS_EXPORT void PlainToStoredText(char* text, int length);

/* Brings a user id to the key form of the user file: trailing blanks
 * removed, blank-padded to 15 characters; `key` holds 16 bytes at least. */
BWPS_EXPORT void MakeUserIdKey(char* key, const char* userId);

/* Failed attempts on the current sign-in screen. */
BWPS_EXPORT int GetSignInFailureCount(void);
#ifdef __cplusplus
}
#endif

#endif
