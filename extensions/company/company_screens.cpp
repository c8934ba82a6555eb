// The screens of the company jobs: the "Open Company" list, the first-company
// screen of a new user and the new-company screen "RSFileCreate".
#include "extensions/company/company.h"
#include "extensions/company/session_steps.h"
#include "extensions/company/screens.h"
#include "extensions/company/services.h"

#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "bwps/versions.h"
#include "fx.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace bwps1;
using bwps::FileNo;
using bwps::Status;

namespace {

// A record-manager failure on the company list, reported with the path of
// the catalogue.
void ReportListError(int status, int operation)
{
    ReportError(Status{status, operation, FileNo::CompanyIds}, nullptr);
}

void SetField(char* field, size_t size, const std::string& text)
{
    std::memset(field, 0, size);
    std::strncpy(field, text.c_str(), size - 1);
}

// Positions the handle on the record of that name (key 2); the status.
int ReadByName(uint16_t handle, const char* name, CompanyListRecord& record)
{
    int keyNumber = 0, second = 0;
    BtrGetDefaults(handle, &keyNumber, &second);
    BtrSetDefaults(handle, 2, -1);
    char key[256] = {};
    std::strncpy(key, Trim(name).c_str(), 18);
    const int status = BtrGet(B_GET_EQUAL, handle, key, &record, sizeof record);
    BtrSetDefaults(handle, keyNumber, second);
    return status;
}

} // namespace

// ---- the "Open Company" list ---------------------------------------------------
//
// The list pages through the company list by name (key 2) in the lookup
// library; the frame window carries the screen's name, its standard keys
// and their menu. The key handlers and the row action run with the
// TagLookUp: the file and its record buffer stand on the highlighted
// company.

namespace {

// The list's key menu: LookUp, Delete and Add, and the items of text list
// 323 (Shift+F8 Set Default).
constexpr int kListKeys = 0x01 | 0x02 | 0x20;
constexpr int kListKeyItems = 323;
constexpr int kListKind = 5;     // the lookup dialog kind of the company list
constexpr int kNameKey = 2;      // the company list by name
constexpr int kF6 = FX_KEY_F1 + 5 * 0x100;

struct ListContext {
    FxContext fx;  // first: the framework's part
    FxForm form;
    FxWindow window;
    uint16_t handle = 0;
    uint8_t colours[COLOR_SET_SIZE] = {};
    TagLookUp lookup{};
    TagLookUpData data{};
    CompanyListRecord record{};  // the lookup's record buffer
    uint8_t work[32] = {};
};

// The list being shown (one at a time); null otherwise.
ListContext* g_list = nullptr;

// The highlighted company (a copy of the record buffer).
CompanyListRecord Highlighted(const TagLookUp* lookup)
{
    CompanyListRecord record;
    std::memcpy(&record, lookup->Data->Record, sizeof record);
    return record;
}

// F6 is offered while the list holds a company.
void UpdateDeleteKey(ListContext& c)
{
    char key[256] = {};
    CompanyListRecord r;
    int keyNumber = 0, second = 0;
    BtrGetDefaults(c.handle, &keyNumber, &second);
    uint32_t position = 0;
    const bool kept = BtrPosition(B_GET_DIRECT, c.handle, &position) == 0;
    const bool any = BtrGet(B_GET_FIRST, c.handle, key, &r, sizeof r) == 0;
    FxSetKeyState(&c.form, kF6, any ? 1 : 0);
    if (kept) {
        std::memcpy(&r, &position, sizeof position);
        BtrGet(B_GET_DIRECT, c.handle, key, &r, sizeof r);
    }
    BtrSetDefaults(c.handle, keyNumber, second);
}

// Shows the named company at the top of the list when the handler returns.
int RedrawAtName(TagLookUp* lookup, const char* name)
{
    CompanyListRecord record;
    if (ReadByName(g_list->handle, name, record) == 0) {
        std::memcpy(lookup->Data->Record, &record, sizeof record);
        lookup->StartMode = LK_REDRAW;
        LookUpSendMsg(lookup, LK_REDRAW);
        return FX_STAY;
    }
    return LK_ANSWER_REFRESH;
}

// Enter: opens the highlighted company; true ends the list.
int OnSelect(TagLookUp* lookup)
{
    return SelectCompanyFolder(Highlighted(lookup), 1, 0) ? 1 : 0;
}

int OnDeleteCompany(void* argument)
{
    auto* lookup = static_cast<TagLookUp*>(argument);
    ListContext& c = *g_list;
    CompanyListRecord record = Highlighted(lookup);
    if (record.Status == 'D') {
        ShowNumberedMessage(261);
        return FX_STAY;
    }
    if (!CheckUserAccess(2, 0, Session()->UserId, 1)) return FX_STAY;
    if (AskNumberedMessage(945, "Yes,No", 1) != 1) return FX_STAY;
    const int status = BtrWrite(B_DELETE, c.handle, nullptr, &record, sizeof record);
    if (status != 0) ReportListError(status, B_DELETE);
    UpdateDeleteKey(c);
    return LK_ANSWER_REFRESH;
}

int OnNewCompany(void* argument)
{
    auto* lookup = static_cast<TagLookUp*>(argument);
    ListContext& c = *g_list;
    if (!CheckUserAccess(3, 0, Session()->UserId, 1)) return FX_STAY;
    char name[32] = {};
    char folder[160] = {};
    const int result = CreateCompanyFiles(c.handle, DialogState().newUser ? 1 : 0, name, folder);
    BtrSetDefaults(c.handle, kNameKey, -1);
    UpdateDeleteKey(c);
    if (result == 0) {
        DialogState().chosen = true;
        return RedrawAtName(lookup, name);
    }
    if (result == -1 && ConvertCompanyData(folder) == 0 && AddCompanyToList(c.handle, name, folder) == 0) {
        BtrSetDefaults(c.handle, kNameKey, -1);
        DialogState().chosen = true;
        const int answer = RedrawAtName(lookup, name);
        FxPostKey(FX_KEY_ENTER);
        return answer;
    }
    return LK_ANSWER_REFRESH;
}

int OnSetDefault(void* argument)
{
    auto* lookup = static_cast<TagLookUp*>(argument);
    ListContext& c = *g_list;
    CompanyListRecord record = Highlighted(lookup);
    if (record.Status == 'D') {
        FxBeep();
        return FX_STAY;
    }
    const int status = SetDefaultCompany(c.handle, &record);
    BtrSetDefaults(c.handle, kNameKey, -1);
    if (status != 0) {
        ReportListError(status, LastDefaultMarkOperation());
        return LK_ANSWER_REFRESH;
    }
    return RedrawAtName(lookup, record.CompanyId);
}

} // namespace

namespace bwps1 {

bool RunCompanyListDialog(uint16_t handle, int pendingAction, CompanyListRecord& record)
{
    // The columns: company, date, default mark and folder.
    TagColumnDefinition definitions[5] = {};
    if (GetColumnDefinitions(GetDataFileName(bwps::No(FileNo::CompanyIds)), static_cast<int>(sizeof definitions),
                             definitions, 2, 4, 1, 3, -1) != 0)
        return false;
    static_assert(sizeof(TagColumnDefinition) == sizeof(TagLookUpField), "a column is 103 bytes");
    TagLookUpField columns[5] = {};
    std::memcpy(columns, definitions, 4 * sizeof(TagLookUpField));
    for (int i = 0; i < 4; ++i) {
        columns[i].Offset2 = 0;
        columns[i].Align = 0;
    }

    ListContext c{};
    c.handle = handle;
    FxAppBegin(&c.fx);
    bool shown = false;
    if (FxWindowCreate(&c.window, 3, 0, 3 + 10 - 1, 0 + 78 - 1, 1, 1, ' ', " Open Company ") == 0) {
        if (SetupStandardScreen(&c.form, kListKeys, kListKeyItems) != 0) {
            FxWindowClose(&c.window, 1);
            FxAppEnd(&c.fx);
            return false;
        }
        shown = true;
        SetColorSet(c.colours, 2);
        FxWindowSetName(&c.window, "RSOpenCompany");
        FxReleaseKey(&c.form, FX_KEY_F1 + 4 * 0x100);  // F5
        FxSetKeyHandler(&c.form, kF6, OnDeleteCompany);
        FxSetKeyHandler(&c.form, FX_KEY_F1 + 7 * 0x100, OnNewCompany);
        FxSetKeyHandler(&c.form, FX_KEY_SHIFT_F1 + 7 * 0x100, OnSetDefault);
        FxWindowAttachForm(&c.window, &c.form, 0);

        int keyNumber = 0, second = 0;
        BtrGetDefaults(handle, &keyNumber, &second);
        BtrSetDefaults(handle, kNameKey, -1);
        UpdateDeleteKey(c);

        TagLookUp& l = c.lookup;
        TagLookUpData& d = c.data;
        d.FileId = static_cast<uint16_t>(bwps::No(FileNo::CompanyIds));
        d.RecordLength = sizeof(CompanyListRecord);
        d.Handle = handle;
        d.KeyNumber = kNameKey;
        d.Record = &c.record;
        l.Row = 3;
        l.Column = 0;
        l.Height = 10;
        l.Width = 78;
        l.Title = " Open Company ";
        l.SearchPrompt = "Search :";
        std::memcpy(l.Colours, c.colours, sizeof l.Colours);
        l.Columns = columns;
        l.Data = &d;
        l.WorkArea = c.work;
        l.Form = &c.form;
        l.RowAction = OnSelect;
        l.Read = LookUpReadRecordCallback;
        l.ReadAtPosition = LookUpReadAtPositionCallback;
        l.Search = LookUpReadSearchCallback;
        // Positioned on the pending action's company, else on the open one.
        const auto* current = static_cast<const CompanyListRecord*>(CompanyRecord());
        const std::string start = Trim(pendingAction ? record.CompanyId : current->CompanyId);
        std::snprintf(d.KeyBuffer, sizeof d.KeyBuffer, "%s", start.c_str());
        l.StartMode = start.empty() ? LK_START_FIRST : LK_START_SEARCH;
        if (pendingAction == 0x4200) FxPostKey(FX_KEY_F1 + 7 * 0x100);
        else if (pendingAction == 13) FxPostKey(FX_KEY_ENTER);

        g_list = &c;
        LookUpProcessDlg(&l, kListKind);
        g_list = nullptr;
        BtrSetDefaults(handle, keyNumber, second);
        FxWindowClose(&c.window, 1);
    }
    FxAppEnd(&c.fx);
    return shown;
}

} // namespace bwps1

// ---- the first-company screen of a new user -------------------------------------

namespace {

struct NewUserContext {
    FxContext fx;
    FxForm form;
    FxWindow window;
    uint16_t handle = 0;
    CompanyListRecord* record = nullptr;
    uint8_t colours[COLOR_SET_SIZE] = {};
};

int OnOpenSample(void* context)
{
    NewUserContext& c = *static_cast<NewUserContext*>(context);
    if (FxChoiceGet(&c.form, 1) != 1) return FX_LEAVE;
    const std::string folder = std::string(ProgramPath()) + "/SAMPDATA";
    if (bwps1::DetectDataSetVersion(folder.c_str()) != DataSetCurrent) {
        ShowTextMessage("Sample company files cannot be located.  Please reinstall\n"
                        "the application selecting 'Sample Company' to use this option.");
        return FX_STAY;
    }
    if (AddCompanyToList(c.handle, "Sample Company", folder.c_str()) == 0) {
        SetField(c.record->Folder, sizeof c.record->Folder, folder);
        SetField(c.record->CompanyId, sizeof c.record->CompanyId, "Sample Company");
        return FX_LEAVE;
    }
    return FX_STAY;
}

int OnQuickTour(void*)
{
    FxShowHelp(513, reinterpret_cast<intptr_t>("Quick Tour Intro"), 0);
    return FX_STAY;
}

int OnWelcome(void*)
{
    FxShowHelp(513, reinterpret_cast<intptr_t>("Welcome"), 0);
    return FX_STAY;
}

} // namespace

namespace bwps1 {

// The first-company form: one choice field.
constexpr std::array<ScreenField, 2> kNewUserFields{{
    bwps::Field(1, 2, 4, "%-30sm").Choices("\001Open the sample company data,Add new company data"),
    {},
}};

bool RunNewUserScreen(uint16_t handle, CompanyListRecord& record)
{
    std::array<ScreenField, kNewUserFields.size()> fields = kNewUserFields;

    NewUserContext c{};
    c.handle = handle;
    c.record = &record;
    std::memset(record.Folder, 0, sizeof record.Folder);
    FxAppBegin(&c.fx);
    if (FxFormLoad(&c.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&c.window, 6, 10, 6 + 8 - 1, 10 + 60 - 1, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&c.window, "RSNewUserCID");
        SetColorSet(c.colours, 3);
        SetupStandardScreen(&c.form, 0, -1);
        FxReleaseKey(&c.form, FX_KEY_F1 + 0x100);  // F2
        FxSetKeyHandler(&c.form, FX_KEY_F10, OnOpenSample);
        FxSetKeyHandler(&c.form, FX_KEY_F1 + 6 * 0x100, OnQuickTour);
        FxSetKeyHandler(&c.form, FX_KEY_F1 + 7 * 0x100, OnWelcome);
        FxWindowAttachForm(&c.window, &c.form, 0);
        FxChoiceSet(&c.form, 1, 1);
        FxAppRun(&c.fx, 0);
        FxWindowClose(&c.window, 1);
    }
    FxAppEnd(&c.fx);
    return record.Folder[0] != 0;
}

} // namespace bwps1

// ---- the new-company screen "RSFileCreate" -------------------------------------

namespace {

constexpr uint64_t kRequiredSpace = 550000;

enum { kName = 1, kFolder = 2, kRequired = 3, kFree = 4, kInterfaced = 5, kAccFolder = 6 };

struct CreateContext {
    FxContext fx;
    FxForm form;
    FxWindow window;
    uint16_t handle = 0;
    int result = 0;
    bool left = false;  // the F10 handler ended the screen
    uint64_t freeSpace = 0;
    char folderBrowse[260] = {};
    char accBrowse[260] = {};
    TagSysInterface iface{};
    std::string name, folder;
    uint8_t colours[COLOR_SET_SIZE] = {};
};

CreateContext& Create(void* context) { return *static_cast<CreateContext*>(context); }

std::string Grouped(uint64_t value)
{
    std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

uint64_t FreeSpaceOf(const std::string& folder)
{
    // The nearest existing folder on the way up tells the drive.
    fs::path p = folder.empty() ? fs::path(ProgramPath()) : fs::path(folder);
    std::error_code ec;
    while (!p.empty() && !fs::exists(p, ec)) p = p.parent_path();
    uint64_t total = 0, available = 0;
    if (FxDiskSpace(p.empty() ? "." : p.c_str(), &total, &available) != 0) return 0;
    return available;
}

bool IsProgramFolder(const std::string& folder)
{
    auto norm = [](std::string s) {
        s = Trim(s.c_str());
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        std::error_code ec;
        fs::path p = fs::weakly_canonical(s, ec);
        std::string out = ec ? s : p.string();
        for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return out;
    };
    if (norm(folder) != norm(ProgramPath())) return false;
    ShowNumberedMessage(355);
    return true;
}

bool CompanyNameExists(const std::string& name, uint16_t handle)
{
    if (handle == 0) return false;
    CompanyListRecord record;
    const int status = ReadByName(handle, name.c_str(), record);
    if (status == 0) {
        ShowTextMessage("Company name already exist.");
        return true;
    }
    if (status != B_KEY_NOT_FOUND && status != B_END_OF_FILE)
        ReportListError(status, B_GET_EQUAL);
    return false;
}

// The typed folder made absolute and checked (CheckFolderText), written
// back into its field; false (the field keeps the checked text) when it
// does not pass.
bool CheckFolderField(CreateContext& c, std::string& folder)
{
    char text[FOLDER_BUFFER_SIZE] = {};
    std::snprintf(text, sizeof text, "%s", FxFieldGet(&c.form, kFolder));
    const bool valid = CheckFolderText(text) != 0 && !IsProgramFolder(text);
    FxFieldSet(&c.form, kFolder, text);
    folder = Trim(text);
    return valid;
}

int OnFolderLeft(void* context)
{
    CreateContext& c = Create(context);
    std::string folder;
    if (!CheckFolderField(c, folder)) {
        FxFocusField(&c.form, kFolder);
        return FX_STAY_FOCUSED;
    }
    c.freeSpace = FreeSpaceOf(folder);
    FxFieldSet(&c.form, kFree, Grouped(c.freeSpace).c_str());
    return FX_GO_ON;
}

int OnInterfacedChoice(void* context)
{
    CreateContext& c = Create(context);
    if (FxChoiceGet(&c.form, kInterfaced) == 2) {
        FxFieldSetDisplayOnly(&c.form, kAccFolder, 0);
    } else {
        FxFieldSet(&c.form, kAccFolder, "");
        FxFieldSetDisplayOnly(&c.form, kAccFolder, 1);
    }
    return FX_GO_ON;
}

// After message 943 the folder is listed (Yes) or left alone (No): only a
// company that was listed becomes the session's data folder.
void TakeExistingCompany(CreateContext& c, const std::string& folder)
{
    SetDataPath(folder.c_str());
    SetDataFolders(DataPath());
    ReloadSysInterface();
    SetAccountingFolderIfValid(" ");
    (void)c;
}

int OnCreateCompany(void* context)
{
    CreateContext& c = Create(context);
    const std::string name = Trim(FxFieldGet(&c.form, kName));
    if (name.empty() || CompanyNameExists(name, c.handle)) {
        FxFocusField(&c.form, kName);
        return FX_STAY_FOCUSED;
    }
    std::string folder;
    if (!CheckFolderField(c, folder)) {
        FxFocusField(&c.form, kFolder);
        return FX_STAY_FOCUSED;
    }
    c.name = name;
    c.folder = folder;
    c.result = 0;

    const int code = bwps1::DetectDataSetVersion(folder.c_str());
    if (code == DataSetCurrent) {
        if (AskNumberedMessage(943, "Yes,No", 1) == 1) {
            c.result = c.handle ? AddCompanyToList(c.handle, name.c_str(), folder.c_str()) : 0;
            TakeExistingCompany(c, folder);
        } else {
            c.result = ExitCancelled;
        }
        c.left = true;
        return FX_LEAVE;
    }
    if (code >= 10 && code <= 15) {
        if (AskNumberedMessage(1009, "Yes,No", 1) != 1) return FX_STAY;
        c.result = -1;
        c.left = true;
        return FX_LEAVE;
    }
    if (code >= 6 && code <= 9) {
        ShowNumberedMessage(897);
        return FX_STAY;
    }
    if (code == 5 && AskNumberedMessage(1171, "Yes,No", 1) != 1) return FX_STAY;

    InitSysInterfaceRecord(&c.iface);
    if (FxChoiceGet(&c.form, kInterfaced) == 2) {
        std::string acc = Trim(FxFieldGet(&c.form, kAccFolder));
        while (acc.size() > 1 && acc.back() == '/') acc.pop_back();
        int file = 0;
        const int accCode = FindAccountingFiles(acc.c_str(), &file);
        if (accCode != DataSetCurrent) {
            ShowNumberedMessage(accCode == 0 || accCode == DataSetUnusable ? 457 : 459);
            FxFocusField(&c.form, kAccFolder);
            return FX_STAY_FOCUSED;
        }
        c.iface.Interfaced = 1;
        SetField(c.iface.AccountingFolder, sizeof c.iface.AccountingFolder, acc);
    }

    if (FreeSpaceOf(folder) < kRequiredSpace) {
        ShowNumberedMessage(61);
        c.result = ExitCancelled;
        c.left = true;
        return FX_LEAVE;
    }
    // A stopped creation leaves the screen too: the result (27 or the
    // record-manager status) goes back to the caller and to the clean-up.
    CreateCompanyInFolder(c.handle, name.c_str(), folder.c_str(), &c.iface, &c.result);
    c.left = true;
    return FX_LEAVE;
}

// The "RSFileCreate" form (the table ends with a zero field).
constexpr std::array<ScreenField, 7> kCreateFields{{
    bwps::Field(kName, 2, 24, "%-18s"),
    bwps::Field(kFolder, 3, 24, "%-143s").Exit(OnFolderLeft),
    bwps::Field(kRequired, 5, 24, "%-15s").DisplayOnly(),
    bwps::Field(kFree, 6, 24, "%-15s").DisplayOnly(),
    bwps::Field(kInterfaced, 9, 34, "%-10sm").Choices("\001No,Yes").Exit(OnInterfacedChoice),
    bwps::Field(kAccFolder, 10, 34, "%-143s").DisplayOnly(),
    {},
}};

} // namespace

BWPS1_API int CreateCompanyFiles(uint16_t listHandle, int newUser, char* name, char* folder)
{
    CreateContext c{};
    c.handle = listHandle;
    // A company folder is never inside the program folder (a rebuild
    // replaces it): the default is POSFILES in the home folder.
    (void)newUser;
    char defaultText[FOLDER_BUFFER_SIZE] = {};
    if (CheckFolderTextProblem("~/POSFILES", defaultText, sizeof defaultText) != FOLDER_TEXT_OK)
        defaultText[0] = '\0';
    const std::string defaultFolder = defaultText;
    c.freeSpace = FreeSpaceOf(defaultFolder.empty() ? ProgramPath() : defaultFolder);

    FxAppBegin(&c.fx);
    int exitKey = FX_KEY_ESC;
    std::array<ScreenField, kCreateFields.size()> fields = kCreateFields;
    if (FxFormLoad(&c.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&c.window, 6, 4, 6 + 19 - 1, 4 + 76 - 1, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&c.window, "RSFileCreate");
        SetColorSet(c.colours, 5);
        SetupStandardScreen(&c.form, 0, 0);
        FxSetKeyHandler(&c.form, FX_KEY_F10, OnCreateCompany);
        FxAttachFolderBrowse(&c.form, kFolder, "Point Of Sale Data Files Path.", c.folderBrowse);
        FxAttachFolderBrowse(&c.form, kAccFolder, "Acoounting Data Files Path.", c.accBrowse);
        FxWindowAttachForm(&c.window, &c.form, 0);
        struct Label {
            int row;
            const char* text;
        };
        for (const Label& l : {Label{2, "Company Name"}, Label{3, "Data Files Folder"},
                               Label{5, "Disk Space Required"}, Label{6, "Disk Space Available"},
                               Label{9, "Interfaced with Accounting"}, Label{10, "Accounting Folder"}})
            FxWindowText(&c.window, l.row, 2, 0, l.text, 0);
        FxFieldSet(&c.form, kFolder, defaultFolder.c_str());
        FxFieldSet(&c.form, kRequired, Grouped(kRequiredSpace).c_str());
        FxFieldSet(&c.form, kFree, Grouped(c.freeSpace).c_str());
        FxChoiceSet(&c.form, kInterfaced, 1);
        exitKey = FxAppRun(&c.fx, 0);
        if (name) SetField(name, 19, c.name.empty() ? Trim(FxFieldGet(&c.form, kName)) : c.name);
        if (folder)
            SetField(folder, 144, c.folder.empty() ? Trim(FxFieldGet(&c.form, kFolder)) : c.folder);
        FxWindowClose(&c.window, 1);
    } else {
        FxAppEnd(&c.fx);
        return 0;
    }
    FxAppEnd(&c.fx);
    (void)exitKey;
    if (!c.left) c.result = ExitCancelled;
    if (c.result != 0 && c.result != ExitCancelled && c.result != -1 && folder)
        FxFolderCleanup(folder, "POS5*.*");
    return c.result;
}
