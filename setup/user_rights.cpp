// User access rights: the rights set of one user with its default rights,
// the user-access screen RSEditUserAccess (user id, password, rights by
// copy or by function, warehouse access) and the secured-function list in
// which a user's rights are granted by function.
#include "bwps/user_rights.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/neighbours.h"
#include "bwps/ordinals.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"
#include "setup/user_rights_internal.h"

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

struct DefaultRight {
    int index;
    char flag;
};

// Flag indexes 38 and 99 (rights 39 and 100) are granted by default.
constexpr DefaultRight kDefaultRights[UserRightsSet::kDefaultCount] = {
    {12, 'N'}, {21, 'N'}, {28, 'N'}, {35, 'N'}, {36, 'N'}, {38, 'Y'}, {39, 'N'},
    {67, 'N'}, {71, 'N'}, {72, 'N'}, {74, 'N'}, {75, 'N'}, {76, 'N'}, {77, 'N'},
    {78, 'N'}, {79, 'N'}, {80, 'N'}, {82, 'N'}, {83, 'N'}, {84, 'N'}, {85, 'N'},
    {95, 'N'}, {96, 'N'}, {97, 'N'}, {98, 'N'}, {99, 'Y'}, {100, 'N'},
};

char YesOrNo(char flag) { return flag == 'Y' ? 'Y' : 'N'; }

}  // namespace

// ---- the rights set

UserRightsSet::UserRightsSet() : m_flags{} {}

UserRightsSet::~UserRightsSet() = default;

void UserRightsSet::SetFromString(const char* flags)
{
    for (int i = 0; i < kCount; ++i)
        m_flags[i] = flags != nullptr ? YesOrNo(flags[i]) : 'N';
}

void UserRightsSet::SetAll(char flag)
{
    std::memset(m_flags, YesOrNo(flag), sizeof m_flags);
}

void UserRightsSet::SetRight(int index, char flag)
{
    if (index >= 0 && index < kCount)
        m_flags[index] = YesOrNo(flag);
}

char UserRightsSet::Right(int index) const
{
    return index >= 0 && index < kCount ? m_flags[index] : '\0';
}

bool UserRightsSet::IsDefault() const
{
    for (const DefaultRight& d : kDefaultRights)
        if (m_flags[d.index] != d.flag)
            return false;
    return true;
}

void UserRightsSet::ApplyDefaults()
{
    for (const DefaultRight& d : kDefaultRights)
        m_flags[d.index] = d.flag;
}

bool UserRightsSet::GetDefault(int index, char* flag)
{
    for (const DefaultRight& d : kDefaultRights)
        if (d.index == index) {
            if (flag != nullptr)
                *flag = d.flag;
            return true;
        }
    return false;
}

// ---- the steps of the screens

namespace bwps::rights {

namespace {

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const std::size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

void RightsToPlain(char* rights)
{
    for (int i = 0; i < USER_RIGHT_COUNT; ++i)
        FxCharTransform88(&rights[i]);
}

void RightsToStored(char* rights)
{
    for (int i = 0; i < USER_RIGHT_COUNT; ++i)
        FxCharTransform89(&rights[i]);
}

// The plain record as the file keeps it: password and rights transformed.
UserRecord StoredForm(const UserRecord& plain)
{
    UserRecord stored = plain;
    stored.Password[sizeof stored.Password - 1] = '\0';
    PlainToStoredText(stored.Password, static_cast<int>(sizeof stored.Password));
    RightsToStored(stored.Rights);
    return stored;
}

void ToPlainForm(UserRecord& record)
{
    record.Password[sizeof record.Password - 1] = '\0';
    StoredToPlainText(record.Password, static_cast<int>(sizeof record.Password));
    RightsToPlain(record.Rights);
}

}  // namespace

void MakeUserKey(KeyBuffer& key, const char* typed)
{
    key.Clear();
    MakeUserIdKey(reinterpret_cast<char*>(key.bytes), Trimmed(typed).c_str());
}

bool IsSupervisorId(const char* typed)
{
    const std::string id = Trimmed(typed);
    const std::size_t n = std::strlen(SUPERVISOR_USER_ID);
    if (id.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(id[i])) != SUPERVISOR_USER_ID[i])
            return false;
    return true;
}

Status ReadUserForEdit(Table& users, const char* typed, UserRecord& plain)
{
    // The user shown before is no longer edited: other stations may have it.
    users.UnlockAll();
    KeyBuffer key;
    MakeUserKey(key, typed);
    UserRecord record;
    const Status s = users.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, record);
    if (!s.Ok())
        return s;
    ToPlainForm(record);
    plain = record;
    return s;
}

void StartNewUser(const char* typed, UserRecord& plain)
{
    std::memset(&plain, 0, sizeof plain);
    KeyBuffer key;
    MakeUserKey(key, typed);
    std::memcpy(plain.UserId, key.bytes, sizeof plain.UserId);
    plain.UserId[sizeof plain.UserId - 1] = '\0';
    std::memset(plain.Rights, 'N', sizeof plain.Rights);
}

Status CopyRightsFrom(Table& users, const char* typed, UserRecord& plain)
{
    KeyBuffer key;
    MakeUserKey(key, typed);
    UserRecord source;
    const Status s = users.Get(B_GET_EQUAL, key, source);
    if (!s.Ok())
        return s;
    RightsToPlain(source.Rights);
    std::memcpy(plain.Rights, source.Rights, sizeof plain.Rights);
    return s;
}

bool HasAnyRight(const UserRecord& plain)
{
    return std::memchr(plain.Rights, 'Y', sizeof plain.Rights) != nullptr;
}

Status WriteUser(Table& users, const UserRecord& plain, bool existing, CUserAccessTable* marks)
{
    UserRecord stored = StoredForm(plain);
    WriteBatch batch;
    if (!batch.Begun().Ok())
        return batch.Begun();
    if (marks != nullptr && !marks->SaveMarks())
        return {B_INVALID_OPERATION, B_INSERT, FileNo::UserWarehouses};
    KeyBuffer key;
    std::memcpy(key.bytes, stored.UserId, sizeof stored.UserId);
    const Status s = existing ? users.Update(stored, &key) : users.Insert(stored, &key);
    if (!s.Ok())
        return s;
    return batch.Commit();
}

Status DeleteUser(Table& users, CUserAccessTable& access)
{
    WriteBatch batch;
    if (!batch.Begun().Ok())
        return batch.Begun();
    const int status = access.DeleteUserAccess();
    if (status != 0)
        return {status, B_DELETE, FileNo::UserWarehouses};
    const Status s = users.Delete();
    if (!s.Ok())
        return s;
    return batch.Commit();
}

// ---- the secured-function list

PermitsList::PermitsList(UserRecord& plain) : record_(plain)
{
    rights_.SetFromString(plain.Rights);
}

Status PermitsList::WriteMark(SecuredFunctionRecord& function, KeyBuffer& key)
{
    std::memset(function.LastUserId, 0, sizeof function.LastUserId);
    std::memcpy(function.LastUserId, record_.UserId,
                strnlen(record_.UserId, sizeof function.LastUserId - 1));
    function.Mark = Granted(function) ? uint8_t{SECURED_FUNCTION_MARK} : uint8_t{' '};
    return file_.Update(function, &key);
}

bool PermitsList::Granted(const SecuredFunctionRecord& function) const
{
    return rights_.Right(function.FlagIndex) == 'Y';
}

Status PermitsList::Open()
{
    Status s = file_.Open(FileNo::MenuRights);
    if (!s.Ok())
        return s;
    file_.SetKey(0);
    KeyBuffer key;
    SecuredFunctionRecord function;
    for (s = file_.Get(B_GET_FIRST, key, function); s.Ok(); s = file_.Get(B_GET_NEXT, key, function)) {
        const Status w = WriteMark(function, key);
        if (!w.Ok()) {
            file_.Close();
            return w;
        }
    }
    if (!s.NotFound()) {
        file_.Close();
        return s;
    }
    return Success();
}

Status PermitsList::Toggle(const SecuredFunctionRecord& current)
{
    if (current.FlagIndex < 0 || current.FlagIndex >= UserRightsSet::kCount)
        return Success();
    rights_.SetRight(current.FlagIndex, Granted(current) ? 'N' : 'Y');
    // Every row of the same right shows the change: its stored mark too.
    const int keyBefore = file_.Key();
    uint32_t position = 0;
    const bool placed = file_.Position(position).Ok();
    KeyBuffer key;
    key.Set(+current.Right);
    SecuredFunctionRecord function;
    Status result = Success();
    file_.SetKey(0);
    for (Status s = file_.Get(B_GET_EQUAL, key, function); s.Ok() && function.Right == current.Right;
         s = file_.Get(B_GET_NEXT, key, function)) {
        result = WriteMark(function, key);
        if (!result.Ok())
            break;
    }
    file_.SetKey(keyBefore);
    if (placed) {
        SecuredFunctionRecord scratch;
        file_.Direct(position, key, scratch);
    }
    return result;
}

Status PermitsList::MarkAll(bool grant)
{
    rights_.SetAll(grant ? 'Y' : 'N');
    KeyBuffer key;
    SecuredFunctionRecord function;
    Status s;
    for (s = file_.Get(B_GET_FIRST, key, function); s.Ok(); s = file_.Get(B_GET_NEXT, key, function)) {
        const uint8_t wanted = grant ? uint8_t{SECURED_FUNCTION_MARK} : uint8_t{' '};
        if (function.Mark == wanted)
            continue;
        const Status w = WriteMark(function, key);
        if (!w.Ok())
            return w;
    }
    return s.NotFound() ? Success() : s;
}

Status PermitsList::ApplyDefaults()
{
    KeyBuffer key;
    SecuredFunctionRecord function;
    Status s;
    for (s = file_.Get(B_GET_FIRST, key, function); s.Ok(); s = file_.Get(B_GET_NEXT, key, function)) {
        char flag = 0;
        if (!UserRightsSet::GetDefault(function.FlagIndex, &flag))
            continue;
        rights_.SetRight(function.FlagIndex, flag);
        const uint8_t wanted = flag == 'Y' ? uint8_t{SECURED_FUNCTION_MARK} : uint8_t{' '};
        if (function.Mark == wanted)
            continue;
        const Status w = WriteMark(function, key);
        if (!w.Ok())
            return w;
    }
    return s.NotFound() ? Success() : s;
}

Status PermitsList::Accept()
{
    char flags[USER_RIGHT_COUNT];
    std::memcpy(flags, record_.Rights, sizeof flags);
    KeyBuffer key;
    SecuredFunctionRecord function;
    Status s;
    for (s = file_.Get(B_GET_FIRST, key, function); s.Ok(); s = file_.Get(B_GET_NEXT, key, function))
        if (function.FlagIndex >= 0 && function.FlagIndex < USER_RIGHT_COUNT)
            flags[function.FlagIndex] = Granted(function) ? 'Y' : 'N';
    if (!s.NotFound())
        return s;
    // The record changes only when every listed function was read.
    std::memcpy(record_.Rights, flags, sizeof flags);
    return Success();
}

}  // namespace bwps::rights

using namespace bwps::rights;

// ---- EditUserPermits

namespace {

constexpr int kTitleString = 444;
constexpr int kGrantAllQuestion = 1485; // mark all, clear all, cancel
constexpr int kDefaultsQuestion = 1704;
constexpr int kQuestionColourSet = 5;

void FormatFunction(LookUpDefinition* list, const void* record, char* text, int size)
{
    auto* permits = static_cast<PermitsList*>(list->Caller);
    SecuredFunctionRecord function;
    std::memcpy(&function, record, sizeof function);
    char name[sizeof function.Name + 1] = {};
    std::memcpy(name, function.Name, sizeof function.Name);
    std::snprintf(text, static_cast<std::size_t>(size), "%s %4d %-30.30s",
                  permits->Granted(function) ? "[x]" : "[ ]", function.Right, name);
}

const uint8_t* QuestionColours()
{
    return LibraryColorSets() + 5 * kQuestionColourSet;
}

int PermitToggleKey(LookUpDefinition* list)
{
    auto* permits = static_cast<PermitsList*>(list->Caller);
    if (list->RowCount < 1 || list->Record == nullptr)
        return 0;
    SecuredFunctionRecord current;
    std::memcpy(&current, list->Record, sizeof current);
    permits->Toggle(current).Report();
    LookUpSendMsg(list, LOOKUP_REDRAW);
    return 0;
}

int PermitAllKey(LookUpDefinition* list)
{
    auto* permits = static_cast<PermitsList*>(list->Caller);
    int choice = 3;
    char buttons[] = "\001Grant All,Revoke All,Cancel";
    if (AskMessage(kGrantAllQuestion, MESSAGE_DEFAULT_CONTEXT, &choice, buttons, QuestionColours(), -1,
                   -1, 0, 0, 0) != 0)
        return 0;
    if (choice != 1 && choice != 2)
        return 0;
    permits->MarkAll(choice == 1).Report();
    LookUpSendMsg(list, LOOKUP_REDRAW);
    return 0;
}

int PermitDefaultsKey(LookUpDefinition* list)
{
    auto* permits = static_cast<PermitsList*>(list->Caller);
    if (!permits->DefaultsKeyOn())
        return 0;
    int choice = 2;
    char buttons[] = MESSAGE_BUTTONS_CONTINUE_CANCEL_HELP;
    if (AskMessage(kDefaultsQuestion, MESSAGE_DEFAULT_CONTEXT, &choice, buttons, QuestionColours(), -1,
                   -1, 0, 0, 0) != 0)
        return 0;
    if (choice != 1)
        return 0;
    permits->ApplyDefaults().Report();
    LookUpSendMsg(list, LOOKUP_REDRAW);
    return 0;
}

int PermitAcceptKey(LookUpDefinition* list)
{
    auto* permits = static_cast<PermitsList*>(list->Caller);
    const Status s = permits->Accept();
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    list->Picked = 1;
    return 1;
}

}  // namespace

extern "C" BWPS_EXPORT uint8_t EditUserPermits(uint16_t, UserRecord* record)
{
    if (record == nullptr)
        return 0;
    PermitsList permits(*record);
    const Status opened = permits.Open();
    if (!opened.Ok()) {
        opened.Report();
        return 0;
    }
    char title[65] = {};
    FxLoadString(kTitleString, sizeof title, title);
    SecuredFunctionRecord current{};
    LookUpDefinition list{};
    list.Row = 6;
    list.Column = 7;
    list.Height = 10;
    list.Width = 64;
    list.Title = title;
    list.ColourSet = 3;
    list.Handle = permits.File().Handle();
    list.RecordLength = sizeof current;
    list.Record = &current;
    list.FormatRecord = FormatFunction;
    list.Keys[0] = {FX_KEY_F1 + 2 * 0x100, PermitToggleKey};        // F3
    list.Keys[1] = {FX_KEY_F1 + 6 * 0x100, PermitAllKey};           // F7
    list.Keys[2] = {FX_KEY_SHIFT_F1 + 6 * 0x100, PermitDefaultsKey}; // Shift+F7
    list.Keys[3] = {FX_KEY_F10, PermitAcceptKey};
    list.Caller = &permits;
    LookUpProcessDlg(&list, 0);
    return list.Picked != 0 ? 1 : 0;
}

// ---- RSEditUserAccess

namespace {

constexpr int kEmptyIdMessage = 193;
constexpr int kDeleteQuestion = 1479;
constexpr int kUnknownUserMessage = 1481;
constexpr int kSupervisorMessage = 1501;
constexpr int kConfirmMessage = 1636;
constexpr int kScreenColourSet = 2;
constexpr int kKeyF3 = FX_KEY_F1 + 2 * 0x100;
constexpr int kKeyF5 = FX_KEY_F1 + 4 * 0x100;
constexpr int kKeyF6 = FX_KEY_F1 + 5 * 0x100;
constexpr int kKeyF7 = FX_KEY_F1 + 6 * 0x100;
constexpr int kKeyF8 = FX_KEY_F1 + 7 * 0x100;
constexpr int kFieldUser = 1;
constexpr int kFieldPassword = 2;
constexpr int kFieldConfirm = 3;
constexpr int kFieldFlag = 4;
constexpr int kFieldCopyFrom = 5;
constexpr int kPasswordChars = 8;

struct UserScreen {
    FxContext fx;  // first: the framework hands the context to the handlers
    FxForm form;
    FxWindow window;
    Table users;       // the user on screen, read with a lock
    Table others;      // lookups and the user rights are copied from
    Table warehouses;
    uint8_t colours[COLOR_SET_SIZE];
    bool existing = false;
    char copyFrom[USER_ID_LENGTH] = {};
    UserRecord record{};  // plain form
    bool warehouseList = false;
    std::unique_ptr<CUserAccessTable> access;
    char confirm[PASSWORD_ENTRY_LENGTH] = {};
};

UserScreen& Screen(void* context) { return *static_cast<UserScreen*>(context); }

template <std::size_t N>
void PutText(char (&field)[N], const std::string& text, std::size_t most = N - 1)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min({text.size(), most, N - 1}));
}

template <std::size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

std::string RightTrimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

void ShowRecord(UserScreen& s)
{
    FxFieldSet(&s.form, kFieldUser, Trimmed(s.record.UserId).c_str());
    FxFieldSet(&s.form, kFieldPassword, FieldText(s.record.Password).c_str());
    FxFieldSet(&s.form, kFieldConfirm, FieldText(s.confirm).c_str());
    FxChoiceSet(&s.form, kFieldFlag, s.record.WarehouseFlag == 'Y' ? 1 : 2);
    FxFieldSet(&s.form, kFieldCopyFrom, FieldText(s.copyFrom).c_str());
    FxFormRedraw(&s.fx, &s.form);
}

void ScreenToRecord(UserScreen& s)
{
    PutText(s.record.Password, RightTrimmed(FxFieldGet(&s.form, kFieldPassword)), kPasswordChars);
    PutText(s.confirm, RightTrimmed(FxFieldGet(&s.form, kFieldConfirm)), kPasswordChars);
    PutText(s.copyFrom, Trimmed(FxFieldGet(&s.form, kFieldCopyFrom)));
    s.record.WarehouseFlag = FxChoiceGet(&s.form, kFieldFlag) == 1 ? 'Y' : 'N';
}

void UseAccessTableOf(UserScreen& s)
{
    // The access records carry the id as the user file keys it.
    s.access = std::make_unique<CUserAccessTable>(s.record.UserId);
    s.access->OpenAccessFile();
    s.warehouseList = false;
}

int OnNewRecord(void* context)
{
    UserScreen& s = Screen(context);
    s.users.UnlockAll();
    s.existing = false;
    std::memset(&s.record, 0, sizeof s.record);
    std::memset(s.copyFrom, 0, sizeof s.copyFrom);
    std::memcpy(s.confirm, s.record.Password, sizeof s.confirm);
    if (s.access != nullptr && s.warehouseList)
        s.access->CloseWarehouseFile();
    s.warehouseList = false;
    ShowRecord(s);
    FxSetKeyState(&s.form, kKeyF6, 0);
    return FX_GO_ON;
}

bool HasUser(const UserScreen& s) { return s.record.UserId[0] != '\0'; }

int OnUserLeave(void* context)
{
    UserScreen& s = Screen(context);
    const std::string typed = Trimmed(FxFieldGet(&s.form, kFieldUser));
    if (typed.empty()) {
        ShowMessage(kEmptyIdMessage, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (IsSupervisorId(typed.c_str())) {
        ShowMessage(kSupervisorMessage, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    const Status read = ReadUserForEdit(s.users, typed.c_str(), s.record);
    if (read.Ok()) {
        s.existing = true;
        std::memset(s.copyFrom, 0, sizeof s.copyFrom);
        FxSetKeyState(&s.form, kKeyF6, 1);
    } else if (read.Is(B_KEY_NOT_FOUND)) {
        StartNewUser(typed.c_str(), s.record);
        s.existing = false;
        FxSetKeyState(&s.form, kKeyF6, 0);
    } else {
        read.Report();
        return FX_STAY;
    }
    std::memcpy(s.confirm, s.record.Password, sizeof s.confirm);
    UseAccessTableOf(s);
    ShowRecord(s);
    return FX_GO_ON;
}

// The id typed in field 1 is the user on screen. A key pressed before the
// cursor left a newly typed id reads (or starts) that user and stays, so
// that nothing is written that the screen did not show.
bool UserSettled(UserScreen& s)
{
    const std::string typed = Trimmed(FxFieldGet(&s.form, kFieldUser));
    if (HasUser(s) && typed == Trimmed(s.record.UserId))
        return true;
    OnUserLeave(&s);
    FxFocusField(&s.form, kFieldUser);
    return false;
}

int OnCopyFromLeave(void* context)
{
    UserScreen& s = Screen(context);
    const std::string from = Trimmed(FxFieldGet(&s.form, kFieldCopyFrom));
    if (from.empty() || !HasUser(s))
        return FX_GO_ON;
    ScreenToRecord(s);
    const Status copied = CopyRightsFrom(s.others, from.c_str(), s.record);
    if (copied.Is(B_KEY_NOT_FOUND)) {
        ShowMessage(kUnknownUserMessage, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (!copied.Ok()) {
        copied.Report();
        return FX_STAY;
    }
    ShowRecord(s);
    return FX_GO_ON;
}

int OnSave(void* context)
{
    UserScreen& s = Screen(context);
    if (!UserSettled(s))
        return FX_STAY_FOCUSED;
    ScreenToRecord(s);
    if (std::strncmp(s.record.Password, s.confirm, sizeof s.confirm) != 0) {
        ShowMessage(kConfirmMessage, MESSAGE_DEFAULT_CONTEXT);
        std::memset(s.confirm, 0, sizeof s.confirm);
        FxFieldSet(&s.form, kFieldConfirm, "");
        FxFocusField(&s.form, kFieldConfirm);
        return FX_STAY_FOCUSED;
    }
    if (!HasAnyRight(s.record)) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "No access rights have been granted for %s.\nDo you want to process User ID",
                      Trimmed(s.record.UserId).c_str());
        if (FxMessageBox(FxGetMainWindow(), text, FxGetAppCaption(0), FX_MB_YESNO | FX_MB_ICONQUESTION,
                         0) != FX_ID_YES) {
            FxMessageBox(FxGetMainWindow(),
                         "Click Edit User Permits to assign access rights\n"
                         "or enter a User Id in the Copy from User field.",
                         FxGetAppCaption(0), FX_MB_OK | FX_MB_ICONERROR, 0);
            return FX_STAY;
        }
    }
    CUserAccessTable* marks = s.warehouseList ? s.access.get() : nullptr;
    const Status written = WriteUser(s.users, s.record, s.existing, marks);
    if (!written.Ok()) {
        written.Report();
        // A record changed elsewhere since it was read is read afresh.
        return written.Is(B_CONFLICT) ? FX_RECORD_DONE : FX_STAY;
    }
    if (marks != nullptr)
        marks->CloseWarehouseFile();
    s.warehouseList = false;
    return FX_RECORD_DONE;
}

int OnDelete(void* context)
{
    UserScreen& s = Screen(context);
    if (!s.existing || s.access == nullptr)
        return FX_STAY;
    int choice = 1;
    char buttons[] = MESSAGE_BUTTONS_YES_NO;
    SetColorSet(s.colours, kQuestionColourSet);
    if (AskMessage(kDeleteQuestion, MESSAGE_DEFAULT_CONTEXT, &choice, buttons, s.colours, -1, -1, 0, 0,
                   0) != 0 ||
        choice != 1)
        return FX_STAY;
    const Status deleted = DeleteUser(s.users, *s.access);
    if (!deleted.Ok()) {
        deleted.Report();
        return FX_STAY;
    }
    return FX_RECORD_DONE;
}

int OnWarehouses(void* context)
{
    UserScreen& s = Screen(context);
    if (!UserSettled(s))
        return FX_STAY_FOCUSED;
    ScreenToRecord(s);
    if (!s.warehouseList && !s.access->LoadMarks())
        return FX_STAY;
    if (s.access->FillList()) {
        s.warehouseList = true;
    } else {
        s.warehouseList = false;
        s.access->CloseWarehouseFile();
    }
    ShowRecord(s);
    return FX_GO_ON;
}

int OnPermits(void* context)
{
    UserScreen& s = Screen(context);
    if (!UserSettled(s))
        return FX_STAY_FOCUSED;
    ScreenToRecord(s);
    if (EditUserPermits(s.users.Handle(), &s.record) != 1) {
        ShowRecord(s);
        return FX_STAY;
    }
    ShowRecord(s);
    return OnSave(context);
}

int OnLookup(void* context)
{
    UserScreen& s = Screen(context);
    const int field = s.form.currentField;
    if (field != kFieldUser && field != kFieldCopyFrom)
        return FX_STAY;
    UserRecord picked{};
    const std::string text = Trimmed(FxFieldGet(&s.form, field));
    if (!FlyUsers(text.c_str(), field == kFieldUser ? 0 : 1, s.others.Handle(), &picked, 6, 20, 7, 25))
        return FX_STAY;
    FxFieldSet(&s.form, field, Trimmed(std::string(picked.UserId, strnlen(picked.UserId, sizeof picked.UserId)).c_str()).c_str());
    const int answer = field == kFieldUser ? OnUserLeave(context) : OnCopyFromLeave(context);
    return answer == FX_GO_ON ? FX_LOOKUP_SET : FX_STAY;
}

constexpr std::array<ScreenField, 6> kUserFields{{
    bwps::Field(kFieldUser, 1, 24, "%-14sC").Flags(FX_FIELD_UPPER).Exit(OnUserLeave),
    bwps::Field(kFieldPassword, 2, 24, "%-8sC").Flags(FX_FIELD_UPPER | FX_FIELD_CONCEALED),
    bwps::Field(kFieldConfirm, 3, 24, "%-8sC").Flags(FX_FIELD_UPPER | FX_FIELD_CONCEALED),
    bwps::Field(kFieldFlag, 4, 24, "%-10sm").Choices("\001Yes,No"),
    bwps::Field(kFieldCopyFrom, 5, 24, "%-14sC").Flags(FX_FIELD_UPPER).Exit(OnCopyFromLeave),
    {},
}};

}  // namespace

extern "C" BWPS_EXPORT int RSEditUserAccess(void)
{
    auto screen = std::make_unique<UserScreen>();
    UserScreen& s = *screen;
    Status opened = s.users.Open(FileNo::Users);
    if (opened.Ok())
        opened = s.others.Open(FileNo::Users);
    if (opened.Ok())
        opened = s.warehouses.Open(FileNo::Warehouses);
    if (!opened.Ok()) {
        opened.Report();
        return 0;
    }
    std::array<ScreenField, kUserFields.size()> fields = kUserFields;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 0) ||
        FxWindowCreate(&s.window, 3, 9, 12, 79, 1, 1, ' ', nullptr) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    FxWindowSetName(&s.window, "RSEditUserAccess");
    SetColorSet(s.colours, kScreenColourSet);
    SetupStandardScreen(&s.form, 35, 440);
    FxReleaseKey(&s.form, kKeyF8);
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxWindowText(&s.window, 1, 3, -1, "User Id:", 0);
    FxWindowText(&s.window, 2, 3, -1, "Password:", 0);
    FxWindowText(&s.window, 3, 3, -1, "Confirm Password:", 0);
    FxWindowText(&s.window, 4, 3, -1, "All Warehouses:", 0);
    FxWindowText(&s.window, 5, 3, -1, "Copy from User:", 0);
    s.form.newRecord = OnNewRecord;
    s.form.question = AskChoiceMessage;
    FxSetKeyHandler(&s.form, kKeyF3, OnPermits);
    FxSetKeyHandler(&s.form, kKeyF5, OnLookup);
    FxSetKeyHandler(&s.form, kKeyF6, OnDelete);
    FxSetKeyHandler(&s.form, kKeyF7, OnWarehouses);
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnSave);
    FxSetKeyState(&s.form, kKeyF6, 0);

    int result = 0;
    CUserAccessTable probe("");
    const int accessStatus = probe.OpenAccessFile();
    if (accessStatus != 0) {
        Status{accessStatus, OPEN_OPERATION, FileNo::UserWarehouses}.Report();
    } else {
        FxAppRun(&s.fx, 0);
        result = 1;
    }
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    s.users.UnlockAll();
    return result;
}

BWPS_ORDINAL(638, RSEditUserAccess);
BWPS_ORDINAL(694, EditUserPermits);
