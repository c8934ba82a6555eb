// Users, passwords and access checks: the silent log-in check, the
// passwords settings record, right checks by number, by command and by
// warehouse, and the setting of one right.
#include "bwps/users.h"

#include <cctype>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"
#include "session/session_internal.h"

using bwps::FileNo;
using bwps::Status;
using bwps::Table;

namespace {

PasswordsRecord g_passwords;   // entries 0 to 5 in plain form

const int kPasswordsLength = 167;
const int kUserRecordLength = 231;

// Commands whose screens any one of three rights opens.
struct CommandRights {
    int32_t command;
    int32_t rights[3];
};
const CommandRights kCommandRightsTable[] = {
    {120, {14, 106, 105}}, {122, {15, 109, 110}}, {121, {88, 107, 108}},
    {124, {16, 111, 112}}, {125, {18, 117, 118}}, {133, {23, 113, 114}},
    {134, {24, 115, 116}}, {9999, {0, 0, 0}},
};

// A NUL-terminated copy of a fixed text field.
template <size_t N>
void FieldText(char (&out)[N], const char* field, size_t width)
{
    size_t n = strnlen(field, width < N - 1 ? width : N - 1);
    std::memcpy(out, field, n);
    out[n] = '\0';
}

// Removes trailing blanks in place.
void TrimRight(char* text)
{
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        text[--n] = '\0';
}

bool IsEmptyText(const char* text)
{
    if (text == nullptr)
        return true;
    for (; *text != '\0'; ++text)
        if (*text != ' ')
            return false;
    return true;
}

// Compares two texts as the user typed them: trailing blanks do not count.
bool SameText(const char* a, const char* b)
{
    char x[64] = {};
    char y[64] = {};
    std::strncpy(x, a != nullptr ? a : "", sizeof x - 1);
    std::strncpy(y, b != nullptr ? b : "", sizeof y - 1);
    TrimRight(x);
    TrimRight(y);
    return std::strcmp(x, y) == 0;
}

void RightsToPlain(char* rights)
{
    for (int i = 0; i < USER_RIGHT_COUNT; ++i)
        if (rights[i] != '\0')
            FxCharTransform88(&rights[i]);
}

void RightsToStored(char* rights)
{
    for (int i = 0; i < USER_RIGHT_COUNT; ++i)
        if (rights[i] != '\0')
            FxCharTransform89(&rights[i]);
}

SessionBlock& Session()
{
    return *GetSessionPaths();
}

// The user file: the caller's handle, or the file opened here when the
// caller gave none (closed with the table). The status; a failed open is
// reported.
int UseUserFile(Table& users, uint16_t handle)
{
    const Status status = users.Borrow(FileNo::Users, handle);
    status.Report();
    return status.status;
}

// Reports a failure on the user file.
void ReportUserFileError(int status, int operation)
{
    Status{status, operation, FileNo::Users}.Report();
}

// Reads a user record by the key form of the id. The status.
int ReadUserRecord(uint16_t handle, const char* userId, UserRecord* record)
{
    char key[256] = {};
    MakeUserIdKey(key, userId);
    return BtrGet(B_GET_EQUAL, handle, key, record, kUserRecordLength);
}

// The supervisor's password in plain form.
void SupervisorPassword(char (&out)[PASSWORD_ENTRY_LENGTH + 1])
{
    FieldText(out, g_passwords.Entries[PASSWORD_SUPERVISOR_ENTRY], PASSWORD_ENTRY_LENGTH);
}

}  // namespace

namespace bwps::users {

bool NobodyCanBeChecked(uint16_t handle)
{
    // A failed read of the user file is not an empty file: the checks go on
    // and refuse what they cannot read.
    if (UserFileState(handle) != 1)
        return false;
    char supervisor[PASSWORD_ENTRY_LENGTH + 1];
    SupervisorPassword(supervisor);
    return IsEmptyText(supervisor);
}

SupervisorCheck CheckSupervisor(const char* userIdKeyForm, const char* password)
{
    char id[USER_ID_LENGTH + 1] = {};
    FieldText(id, userIdKeyForm != nullptr ? userIdKeyForm : "", USER_ID_LENGTH);
    TrimRight(id);
    if (std::strcmp(id, SUPERVISOR_USER_ID) != 0)
        return SupervisorCheck::NotSupervisor;
    char supervisor[PASSWORD_ENTRY_LENGTH + 1];
    SupervisorPassword(supervisor);
    if (IsEmptyText(supervisor))
        return IsEmptyText(password) ? SupervisorCheck::SignedIn : SupervisorCheck::WrongPassword;
    return SameText(supervisor, password) ? SupervisorCheck::SignedIn
                                          : SupervisorCheck::WrongPassword;
}

void SignInSupervisor()
{
    Session().UserLevel = BWPS_SUPERVISOR_LEVEL;
    std::memset(Session().UserId, 0, sizeof Session().UserId);
}

bool PasswordMatches(const UserRecord& record, const char* password)
{
    char stored[sizeof record.Password + 1] = {};
    std::memcpy(stored, record.Password, sizeof record.Password);
    StoredToPlainText(stored, static_cast<int>(sizeof record.Password));
    return SameText(stored, password);
}

void SignInUser(const UserRecord& record)
{
    Session().UserLevel = 0;
    std::memset(Session().UserId, 0, sizeof Session().UserId);
    std::memcpy(Session().UserId, record.UserId, strnlen(record.UserId, sizeof record.UserId));
}

}  // namespace bwps::users

using namespace bwps::users;

extern "C" {

BWPS_EXPORT void StoredToPlainText(char* text, int length)
{
    if (text == nullptr)
        return;
    for (int i = 0; i < length && text[i] != '\0'; ++i)
        FxCharTransform88(&text[i]);
}

BWPS_EXPORT void PlainToStoredText(char* text, int length)
{
    if (text == nullptr)
        return;
    for (int i = 0; i < length && text[i] != '\0'; ++i)
        FxCharTransform89(&text[i]);
}

BWPS_EXPORT void MakeUserIdKey(char* key, const char* userId)
{
    // Trailing blanks removed, then blank-padded to 14 characters and
    // NUL-terminated, as the user screen stores the id.
    char work[256] = {};
    if (userId != nullptr)
        std::strncpy(work, userId, sizeof work - 1);
    FxTrimText(5, work);
    FxPadBlanks(work, USER_ID_LENGTH);
    std::memcpy(key, work, USER_ID_LENGTH);
}

BWPS_EXPORT int ReadPasswordsRecord(int* status)
{
    int dummy = 0;
    int& out = status != nullptr ? *status : dummy;
    Table general;
    const Status opened = general.Open(FileNo::General);
    if (!opened.Ok()) {
        opened.Report();
        out = opened.status;
        return 0;
    }
    // A failed read is the caller's to tell: no error report (a company
    // without the record signs in without a record-manager error box).
    PasswordsRecord record{};
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, PASSWORDS_RECORD_KEY, std::strlen(PASSWORDS_RECORD_KEY));
    const int st = general.Get(B_GET_EQUAL, key.data(), &record, kPasswordsLength).status;
    if (st != 0) {
        out = st;
        return 0;
    }
    for (int i = 0; i < PASSWORD_ENTRY_COUNT; ++i)
        StoredToPlainText(record.Entries[i], PASSWORD_ENTRY_LENGTH);
    g_passwords = record;
    general.Close();
    out = 0;
    return 1;
}

BWPS_EXPORT char* GetPasswordEntry(int entry)
{
    if (entry < 0 || entry >= PASSWORD_ENTRY_COUNT)
        return nullptr;
    return g_passwords.Entries[entry];
}

BWPS_EXPORT int PasswordsInForce(void)
{
    const char* path = GetDataFilePath(bwps::No(FileNo::Users));
    if (path == nullptr || FxFileAccess(path, 0) != 0)
        return 0;
    if (!LoadInterfaceRecord())
        return 0;
    return GetSysInterfaceRecord()->PasswordsInForce == 'Y' ? 1 : 0;
}

BWPS_EXPORT int UserFileState(uint16_t handle)
{
    UserRecord record{};
    char key[256] = {};
    int status = BtrGet(B_GET_FIRST, handle, key, &record, kUserRecordLength);
    if (status == 0)
        return 0;
    if (status == B_END_OF_FILE || status == B_KEY_NOT_FOUND)
        return 1;
    ReportUserFileError(status, B_GET_FIRST);
    return -1;
}

BWPS_EXPORT int UserFileIsEmpty(uint16_t handle)
{
    return UserFileState(handle) != 0 ? 1 : 0;
}

BWPS_EXPORT int CheckSilentUserId(int* passwordsInForce, const char* userId, int* idValid,
                                  const char* password, int* passwordValid)
{
    int dummyForce = 0, dummyId = 0, dummyPassword = 0;
    int& inForce = passwordsInForce != nullptr ? *passwordsInForce : dummyForce;
    int& idOk = idValid != nullptr ? *idValid : dummyId;
    int& passwordOk = passwordValid != nullptr ? *passwordValid : dummyPassword;

    int status = 0;
    if (!ReadPasswordsRecord(&status))
        return 0;
    // Passwords are in force only with a user file: a store without one
    // lets everybody in, as every right check does.
    inForce = PasswordsInForce();
    if (!inForce)
        return 1;
    Table users;
    if (UseUserFile(users, 0) != 0)
        return 0;
    const uint16_t handle = users.Handle();
    idOk = 1;
    passwordOk = 1;
    char key[256] = {};
    MakeUserIdKey(key, userId);

    int result = 1;
    switch (CheckSupervisor(key, password)) {
    case SupervisorCheck::SignedIn:
        SignInSupervisor();
        break;
    case SupervisorCheck::WrongPassword:
        passwordOk = 0;
        break;
    case SupervisorCheck::NotSupervisor:
        if (IsEmptyText(userId)) {
            idOk = 0;
            break;
        }
        {
            UserRecord record{};
            status = BtrGet(B_GET_EQUAL, handle, key, &record, kUserRecordLength);
            if (status == 0) {
                if (PasswordMatches(record, password))
                    SignInUser(record);
                else
                    passwordOk = 0;
            } else {
                idOk = 0;
                result = status == B_KEY_NOT_FOUND ? 1 : 0;
            }
        }
        break;
    }
    return result;
}

BWPS_EXPORT int BWPSCheckUser(int* passwordsInForce, const char* userId, int* idValid,
                              const char* password, int* passwordValid)
{
    LoadInterfaceRecord();
    return CheckSilentUserId(passwordsInForce, userId, idValid, password, passwordValid);
}

BWPS_EXPORT int ValidateUserPassword(char* userId, char* password, int* stillToPrompt,
                                     int* signedIn)
{
    int dummyPrompt = 0, dummySigned = 0;
    int& prompt = stillToPrompt != nullptr ? *stillToPrompt : dummyPrompt;
    int& in = signedIn != nullptr ? *signedIn : dummySigned;
    prompt = 0;
    in = 0;

    char id[USER_ID_LENGTH + 1] = {};
    char pw[PASSWORD_ENTRY_LENGTH + 1] = {};
    const FxAppObject* app = FxApp();
    if (app != nullptr) {
        std::memcpy(id, app->userId, USER_ID_LENGTH);
        std::memcpy(pw, app->password, PASSWORD_ENTRY_LENGTH);
    }
    if (userId != nullptr)
        std::memcpy(userId, id, sizeof id);
    if (password != nullptr)
        std::memcpy(password, pw, sizeof pw);
    if (IsEmptyText(id))
        return 1;

    prompt = 1;
    int inForce = 0, idOk = 0, passwordOk = 0;
    if (!CheckSilentUserId(&inForce, id, &idOk, pw, &passwordOk)) {
        FxMessageBox(nullptr,
                     "Unexpected error while validating user id and password. Please try again.",
                     0, 0x10, 0);
        return 0;
    }
    // The user screens keep ids and passwords in upper case: texts given in
    // lower case are tried in the form the screens store.
    char upperId[sizeof id] = {};
    char upperPw[sizeof pw] = {};
    for (size_t i = 0; i < sizeof id; ++i)
        upperId[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(id[i])));
    for (size_t i = 0; i < sizeof pw; ++i)
        upperPw[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(pw[i])));
    if (inForce && (!idOk || !passwordOk) &&
        (std::memcmp(upperId, id, sizeof id) != 0 || std::memcmp(upperPw, pw, sizeof pw) != 0) &&
        !CheckSilentUserId(&inForce, upperId, &idOk, upperPw, &passwordOk)) {
        FxMessageBox(nullptr,
                     "Unexpected error while validating user id and password. Please try again.",
                     0, 0x10, 0);
        return 0;
    }
    if (!inForce) {
        prompt = 0;
    } else if (!idOk) {
        FxMessageBox(nullptr, "Invalid user id. Please try again.", 0, 0x10, 0);
    } else if (!passwordOk) {
        FxMessageBox(nullptr, "Invalid user password. Please try again.", 0, 0x10, 0);
    } else {
        in = 1;
        prompt = 0;
    }
    return 1;
}

BWPS_EXPORT int CheckUserAccess(int right, uint16_t handle, const char* userId, int showMessage)
{
    if (Session().UserLevel == BWPS_SUPERVISOR_LEVEL)
        return 1;
    if (!PasswordsInForce())
        return 1;
    Table users;
    if (UseUserFile(users, handle) != 0)
        return 0;
    handle = users.Handle();
    int result = 0;
    if (NobodyCanBeChecked(handle)) {
        result = 1;
    } else {
        UserRecord record{};
        int status = ReadUserRecord(handle, userId, &record);
        if (status == 0) {
            RightsToPlain(record.Rights);
            result = right >= 1 && right <= USER_RIGHT_COUNT && record.Rights[right - 1] == 'Y';
            if (!result && showMessage)
                ShowMessage(1483, MESSAGE_DEFAULT_CONTEXT);
        } else if (status == B_KEY_NOT_FOUND) {
            if (showMessage)
                ShowMessage(1481, MESSAGE_DEFAULT_CONTEXT);
        } else {
            ReportUserFileError(status, B_GET_EQUAL);
        }
    }
    return result;
}

BWPS_EXPORT int BWPSGetUserPermit(int permissionKey, const char* userId)
{
    return CheckUserAccess(permissionKey, 0, userId, 0) != 0 ? 1 : 0;
}

BWPS_EXPORT int SetUserRight(int right, uint16_t handle, const char* userId, int grant)
{
    const char* path = GetDataFilePath(bwps::No(FileNo::Users));
    if (path == nullptr || FxFileAccess(path, 0) != 0)
        return 0;
    Table users;
    int status = UseUserFile(users, handle);
    if (status != 0)
        return status;
    handle = users.Handle();
    if (NobodyCanBeChecked(handle))
        return 0;
    if (right < 1 || right > USER_RIGHT_COUNT)
        return B_INVALID_OPERATION;
    UserRecord record{};
    char key[256] = {};
    MakeUserIdKey(key, userId);
    status = BtrGet(B_GET_EQUAL, handle, key, &record, kUserRecordLength);
    if (status == 0) {
        RightsToPlain(record.Rights);
        record.Rights[right - 1] = grant != 0 ? 'Y' : 'N';
        RightsToStored(record.Rights);
        status = BtrWrite(B_UPDATE, handle, key, &record, kUserRecordLength);
        if (status != 0)
            ReportUserFileError(status, B_UPDATE);
    } else if (status != B_KEY_NOT_FOUND) {
        ReportUserFileError(status, B_GET_EQUAL);
    }
    return status;
}

BWPS_EXPORT int MapCommandToSecuredFunction(int command)
{
    return command == 152 ? 148 : command;
}

BWPS_EXPORT int CheckUserGroupAccess(int command)
{
    if (Session().UserLevel == BWPS_SUPERVISOR_LEVEL || command == 112 || command == 113)
        return 1;
    if (!PasswordsInForce())
        return 1;
    Table functions;
    const Status opened = functions.Open(FileNo::MenuRights);
    if (!opened.Ok()) {
        opened.Report();
        return 0;
    }
    const uint16_t handle = functions.Handle();
    BtrSetDefaults(handle, 1, -1);
    SecuredFunctionRecord record{};
    char key[256] = {};
    int16_t wanted = static_cast<int16_t>(MapCommandToSecuredFunction(command));
    std::memcpy(key, &wanted, sizeof wanted);
    int status = BtrGet(B_GET_EQUAL, handle, key, &record, sizeof record);
    BtrSetDefaults(handle, 0, -1);
    functions.Close();
    if (status == 0) {
        char user[BWPS_USER_ID_SIZE + 1] = {};
        std::memcpy(user, Session().UserId, BWPS_USER_ID_SIZE);
        return CheckUserAccess(record.Right, 0, user, 1) != 0 ? 1 : 0;
    }
    if (status != B_KEY_NOT_FOUND)
        Status{status, B_GET_EQUAL, FileNo::MenuRights}.Report();
    return 0;
}

BWPS_EXPORT int CheckSessionCommandAccess(int userLevel)
{
    int command = Session().CommandNumber;
    if (command == 110 || command == 101 || userLevel == BWPS_SUPERVISOR_LEVEL)
        return 1;
    if (!PasswordsInForce())
        return 1;
    return CheckUserGroupAccess(command);
}

BWPS_EXPORT int CheckUserAccessOrMessage(int command, const char* userId, int showMessage)
{
    for (const CommandRights& row : kCommandRightsTable) {
        if (row.command == 9999)
            break;
        if (row.command != command)
            continue;
        for (int right : row.rights)
            if (CheckUserAccess(right, 0, userId, 0))
                return 1;
        // The refusal names its reason: 1483 for a user without the
        // rights, 1481 for a user id that is not in the user file.
        if (showMessage)
            CheckUserAccess(row.rights[0], 0, userId, 1);
        return 0;
    }
    return 0;
}

BWPS_EXPORT int CheckUserWarehouseAccess(uint16_t handle, const char* userId,
                                         const char* warehouseId, int showMessage)
{
    if (Session().UserLevel == BWPS_SUPERVISOR_LEVEL || IsEmptyText(warehouseId))
        return 1;
    if (!PasswordsInForce())
        return 1;
    Table users;
    if (UseUserFile(users, handle) != 0)
        return 0;
    if (NobodyCanBeChecked(users.Handle()))
        return 1;
    UserRecord record{};
    int status = ReadUserRecord(users.Handle(), userId, &record);
    users.Close();
    if (status == B_KEY_NOT_FOUND) {
        if (showMessage)
            ShowMessage(1481, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    if (status != 0) {
        ReportUserFileError(status, B_GET_EQUAL);
        return 0;
    }
    if (record.WarehouseFlag == 'N')
        return 1;

    Table warehouses;
    const Status opened = warehouses.Open(FileNo::UserWarehouses);
    if (!opened.Ok()) {
        opened.Report();
        return 0;
    }
    char key[256] = {};
    MakeUserIdKey(key, userId);
    size_t n = strnlen(warehouseId, sizeof(UserWarehouseRecord::WarehouseId));
    std::memcpy(key + USER_ID_LENGTH, warehouseId, n);
    UserWarehouseRecord entry{};
    status = warehouses.Get(B_GET_EQUAL, key, &entry, sizeof entry).status;
    warehouses.Close();
    if (status == 0)
        return 1;
    if (status == B_KEY_NOT_FOUND) {
        if (showMessage)
            ShowMessage(1547, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    Status{status, B_GET_EQUAL, FileNo::UserWarehouses}.Report();
    return 0;
}

BWPS_EXPORT void ResetUserState(void)
{
    std::memset(&g_passwords, 0, sizeof g_passwords);
    bwps::users::ResetSignInState();
}

}  // extern "C"

BWPS_ORDINAL(400, ReadPasswordsRecord);
BWPS_ORDINAL(401, CheckSessionCommandAccess);
BWPS_ORDINAL(402, GetPasswordEntry);
BWPS_ORDINAL(403, CheckUserAccess);
BWPS_ORDINAL(404, SetUserRight);
BWPS_ORDINAL(405, UserFileIsEmpty);
BWPS_ORDINAL(407, CheckUserGroupAccess);
BWPS_ORDINAL(860, CheckUserWarehouseAccess);
BWPS_ORDINAL(861, PasswordsInForce);
BWPS_ORDINAL(4102, ValidateUserPassword);
