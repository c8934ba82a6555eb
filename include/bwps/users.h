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
#include "bwps/records/general.h"
#include "bwps/records/users.h"

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

#ifdef __cplusplus
static_assert(sizeof(((UserRecord*)0)->UserId) == USER_ID_LENGTH, "user id");
static_assert(sizeof(((UserRecord*)0)->Rights) == USER_RIGHT_COUNT, "rights");
static_assert(sizeof(((PasswordsRecord*)0)->Entries) == PASSWORD_ENTRY_COUNT * PASSWORD_ENTRY_LENGTH, "entries");
#endif

/* User id of the built-in supervisor. */
#define SUPERVISOR_USER_ID "HEADKEEPER"
/* Key of the passwords settings record of the general file. */
#define PASSWORDS_RECORD_KEY "0Passwords     "



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
