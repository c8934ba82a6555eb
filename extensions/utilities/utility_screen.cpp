// The data-file utility screen "RSUtilityScreen" (one file or all files,
// and one of drop indexes, recover, verify and transaction viewing), the
// recover batch that runs without the screen, and the check-table routines
// the runs share.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <recman.h>

#include "bwps/catalogue.h"
#include "bwps/check_table.h"
#include "bwps/file_status.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/status_windows.h"
#include "bwps/users.h"
#include "extensions/utilities/utilities.h"
#include "fx.h"

namespace {

using bwps::FileNo;
using bwps::No;

constexpr int kVerifyDone = 1255;
constexpr int kIndexesDropped = 1257;
constexpr int kRecoverDone = 1259;
constexpr int kRunStopped = 1517;
constexpr int kCannotVerifyMaster = 1265;
constexpr int kCannotVerifyDetail = 439;
constexpr int kCannotVerify = 437;

constexpr int kHighestKey = 65;
constexpr int kKeyF5 = FX_KEY_F1 + 4 * 0x100;
constexpr int kReservedKey = 0x1111;

// Rights of the four actions.
constexpr int kRightDrop = 10, kRightRecover = 11, kRightVerify = 12, kRightView = 13;

enum Action { kDrop = 1, kRecover = 2, kVerify = 3, kView = 4 };

// Items of the status windows of the three runs.
constexpr FxLineItem kDropItems[] = {{LINE_TEXT, 1, 0, "%-34s"}};
constexpr FxLineItem kRecoverItems[] = {
    {LINE_TEXT, 1, 13, "%-34s"}, {LINE_NUMBER, 2, 19, "%6ld"}, {LINE_NUMBER, 3, 45, "%3ld"}};
constexpr FxLineItem kVerifyItems[] = {{LINE_TEXT, 1, 0, "%-34s"}, {LINE_TEXT, 2, 0, "%-10s"}};
constexpr int kDropWindow = 387, kRecoverWindow = 388, kVerifyWindow = 389;

// The choice list of the action field: the default option byte, then the
// options ("Drop Indexes" is stored with 0xFF between its two words).
constexpr const char kActions[] = "\001Drop\xFFIndexes,Recover,Verify,Transaction Viewing";

struct UtilityScreen {
    FxContext fx;  // first: the framework's part
    UtilityRunContext run{nullptr};
    FileCheckRow current{};
    FxWindow window{};
    FxForm form{};
    ScreenField fields[4] = {};
    void* progress = nullptr;
    uint8_t colours[COLOR_SET_SIZE] = {};
};

int ValidateUtilityFileKey(void* context);

// The screen's field table; copied before each use.
void FillTemplate(ScreenField (&fields)[4])
{
    std::memset(fields, 0, sizeof fields);
    fields[0].number = 1;
    fields[0].row = 2;
    fields[0].column = 21;
    std::snprintf(fields[0].picture, sizeof fields[0].picture, "%s", "%-4sC");
    fields[0].flags = FX_FIELD_UPPER;
    fields[1].number = 2;
    fields[1].row = 2;
    fields[1].column = 24;
    std::snprintf(fields[1].picture, sizeof fields[1].picture, "%s", "%-39s");
    fields[1].displayOnly = 1;
    fields[2].number = 3;
    fields[2].row = 4;
    fields[2].column = 21;
    std::snprintf(fields[2].picture, sizeof fields[2].picture, "%s", "%-52sm");
    fields[2].choices = kActions;
}

// A description in the keyed layout: a blank, the key from character 1,
// the description from character 5.
bool KeyedLayout(const char* text)
{
    return text != nullptr && text[0] == ' ' && std::strlen(text) > 4 &&
           std::isalnum(static_cast<unsigned char>(text[1]));
}

// The index of a file's row in bwpsbase's table; -1 when it has none.
int RowIndexOf(int fileNumber)
{
    FileCheckRow rows[CHECK_TABLE_ROWS];
    CopyCheckTable(rows);
    for (int i = 0; i < CHECK_TABLE_ROWS && rows[i].FileNumber != 0; ++i)
        if (rows[i].FileNumber == fileNumber)
            return i;
    return -1;
}

// The file number of row `index` of bwpsbase's table; 0 when out of range.
int FileOfRow(int index)
{
    if (index < 0 || index >= CHECK_TABLE_ROWS)
        return 0;
    FileCheckRow rows[CHECK_TABLE_ROWS];
    CopyCheckTable(rows);
    for (int i = 0; i <= index; ++i)
        if (rows[i].FileNumber == 0)
            return 0;
    return rows[index].FileNumber;
}

// Empty: 0 (no file). A number 1 to 65: the file of that row. "A": all
// files. Anything else: 0.
int ParseUtilityFileKey(const char* text)
{
    std::string key = text != nullptr ? text : "";
    while (!key.empty() && key.back() == ' ')
        key.pop_back();
    while (!key.empty() && key.front() == ' ')
        key.erase(0, 1);
    if (key.empty())
        return 0;
    for (char ch : key) {
        if (!std::isalpha(static_cast<unsigned char>(ch))) {
            bool digits = true;
            for (char d : key)
                digits = digits && std::isdigit(static_cast<unsigned char>(d));
            const long index = digits && key.size() <= 3 ? std::strtol(key.c_str(), nullptr, 10) : 0;
            if (index >= 1 && index <= kHighestKey)
                return FileOfRow(static_cast<int>(index));
        } else if (std::toupper(static_cast<unsigned char>(ch)) == 'A') {
            return CHECK_ALL_FILES;
        }
    }
    return 0;
}

void Refresh(void** progress) { (void)progress; FileCheckRefresh(); }

void ShowDescription(UtilityScreen& s, int fileNumber)
{
    FxFieldSet(&s.form, 2, CheckEntryDescription(fileNumber));
}

int ValidateUtilityFileKey(void* context)
{
    UtilityScreen& s = *static_cast<UtilityScreen*>(context);
    const int file = ParseUtilityFileKey(FxFieldGet(&s.form, 1));
    FileCheckRow row{};
    if (file == 0 || !CopyCheckEntry(file, &row)) {
        FxBeep();
        FxFieldSet(&s.form, 1, "");
        FxFieldSet(&s.form, 2, "");
        s.current = FileCheckRow{};
        return FX_STAY;
    }
    s.current = row;
    ShowDescription(s, file);
    return FX_GO_ON;
}

int ClearUtilityFields(void* context)
{
    UtilityScreen& s = *static_cast<UtilityScreen*>(context);
    s.current = FileCheckRow{};
    FxFieldSet(&s.form, 1, "");
    FxFieldSet(&s.form, 2, "");
    FxChoiceSet(&s.form, 3, 1);
    return FX_GO_ON;
}

int ListUtilityFiles(void* context)
{
    UtilityScreen& s = *static_cast<UtilityScreen*>(context);
    FileCheckRow row{};
    if (!ListFileStatus(&row, 10, 7, 10, 50))
        return FX_STAY;
    s.current = row;
    char key[8] = {};
    CheckEntryKeyText(row.FileNumber, key);
    FxFieldSet(&s.form, 1, key);
    ShowDescription(s, row.FileNumber);
    return FX_LOOKUP_SET;
}

// The status window of a run; false when it could not be opened.
bool OpenRunWindow(int width, int kind, const FxLineItem* items, int bytes, int show)
{
    if (OpenStatusWindow(5, -1, -1, 4, width, nullptr) != 0)
        return false;
    OpenNamedStatusWindow(kind);
    SetStatusWindowKeys(items, bytes);
    if (show >= 0)
        OpenGenericStatusWindow(show);
    return true;
}

void CloseStopMessage(UtilityRunContext& run)
{
    if (run.stopMessage != nullptr) {
        FxStatusClose(run.stopMessage);
        run.stopMessage = nullptr;
    }
}

bool RunFailed(int status)
{
    return status == B_PERMISSION_ERROR || status == B_FILE_IN_USE || status == B_FILE_NOT_FOUND ||
           status == 88;
}

void Stopped()
{
    FxKeyFlush();
    ShowUtilityMessage(kRunStopped);
}

void RunDrop(UtilityScreen& s, int file)
{
    int32_t interrupted = 0;
    int current = file;
    const bool open = OpenRunWindow(58, kDropWindow, kDropItems, sizeof kDropItems, 1);
    AddStatusLine(0, 0, "");
    int status;
    if (file == CHECK_ALL_FILES || file == 0) {
        status = RunUtilityOverAllFiles(&s.run, file, UTILITY_DROP_INDEXES, &current, &interrupted, 0);
    } else {
        AddStatusLine(0, 0, CheckEntryDescription(file));
        status = DropFileIndexes(&s.run, file, &interrupted);
    }
    CloseStopMessage(s.run);
    if (interrupted == 0 && (status == 0 || status == B_KEY_NOT_FOUND))
        ShowUtilityMessage(kIndexesDropped);
    else if (RunFailed(status))
        ReportFileError(status, 1, -100, current, 0);
    if (interrupted != 0)
        Stopped();
    if (open)
        CloseStatusWindow();
}

void RunRecover(UtilityScreen& s, int file)
{
    int32_t interrupted = 0;
    int current = file;
    const bool open = OpenRunWindow(50, kRecoverWindow, kRecoverItems, sizeof kRecoverItems, 1);
    const int32_t zero = 0;
    AddStatusLineV(0, " ", &zero, &zero, nullptr);
    int status;
    if (file == CHECK_ALL_FILES || file == 0) {
        status = RunUtilityOverAllFiles(&s.run, file, UTILITY_RECOVER, &current, &interrupted, 0);
        CheckOneFileStatus(0, &s.progress);
    } else {
        AddStatusLine(0, 0, CheckEntryDescription(file));
        status = RecoverFile(&s.run, file, &interrupted, 0);
        CheckOneFileStatus(file, &s.progress);
    }
    CloseStopMessage(s.run);
    if (status == 0) {
        if (interrupted == 0)
            ShowUtilityMessage(kRecoverDone);
    } else {
        ReportFileError(status, 1, -100, current, 0);
    }
    if (interrupted != 0)
        Stopped();
    if (open)
        CloseStatusWindow();
}

void RunVerify(UtilityScreen& s, int file)
{
    if (file != CHECK_ALL_FILES && file != 0 && !CanVerifyFile(file, 1))
        return;
    int32_t interrupted = 0;
    const bool open = OpenRunWindow(50, kVerifyWindow, kVerifyItems, sizeof kVerifyItems, 1);
    AddStatusLineV(0, " ", " ", nullptr);
    int status;
    if (!IsCompanyDataFile(file)) {
        status = VerifyAllFiles(&s.run, &interrupted);
    } else {
        AddStatusLine(0, 0, CheckEntryDescription(file));
        status = VerifyFile(&s.run, file, &interrupted);
        // The document files answer 1 when they were verified.
        if (status == VERIFY_DONE)
            status = 0;
    }
    CloseStopMessage(s.run);
    if (interrupted == 0 && status == 0)
        ShowUtilityMessage(kVerifyDone);
    if (interrupted != 0)
        Stopped();
    if (open)
        CloseStatusWindow();
}

int ProcessUtilityChoice(void* context)
{
    UtilityScreen& s = *static_cast<UtilityScreen*>(context);
    const int key = s.fx.key;
    if (key == FX_KEY_UP || key == FX_KEY_SHIFT_TAB || key == kReservedKey)
        return FX_GO_ON;
    const int action = FxChoiceGet(&s.form, 3);
    const int file = ParseUtilityFileKey(FxFieldGet(&s.form, 1));
    const int rights[] = {0, kRightDrop, kRightRecover, kRightVerify, kRightView};
    if (action < kDrop || action > kView)
        return FX_STAY;
    if (!CheckUserAccess(rights[action], 0, GetSessionPaths()->UserId, 1))
        return FX_STAY;
    switch (action) {
    case kDrop:
        RunDrop(s, file);
        break;
    case kRecover:
        RunRecover(s, file);
        break;
    case kVerify:
        RunVerify(s, file);
        break;
    case kView:
        ViewTransactions(file);
        CloseStopMessage(s.run);
        break;
    }
    return FX_STAY;
}

void LoadOrRefreshCopy()
{
    if (CheckTableCopy() == nullptr)
        LoadCheckTableCopy();
    else
        CopyCheckTable(CheckTableCopy());
}

// Begins the screen, loads the form and creates the window; false (the
// screen ended again) on a framework failure.
bool BeginScreen(UtilityScreen& s)
{
    FillTemplate(s.fields);
    s.fields[0].exitHandler = ValidateUtilityFileKey;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, s.fields, 1) == 0) {
        FxAppEnd(&s.fx);
        return false;
    }
    SetColorSet(s.colours, 2);
    if (FxWindowCreate(&s.window, 3, 4, 3 + 14 - 1, 4 + 76 - 1, 1, 1, 0x20, nullptr) != 0) {
        FxAppEnd(&s.fx);
        return false;
    }
    return true;
}

}  // namespace

// ---- Check-table routines

BWPS1_API void CheckEntryKeyText(int fileNumber, char* out)
{
    if (out == nullptr)
        return;
    out[0] = '\0';
    const FileCheckRow* row = FindCheckEntry(fileNumber);
    if (row == nullptr)
        return;
    if (KeyedLayout(row->Description)) {
        const char* p = row->Description + 1;
        if (std::isdigit(static_cast<unsigned char>(*p)))
            std::snprintf(out, 4, "%d", static_cast<int>(std::strtol(p, nullptr, 10) % 100));
        else
            std::snprintf(out, 4, "%c", *p);
        return;
    }
    if (fileNumber == CHECK_ALL_FILES) {
        std::snprintf(out, 4, "%s", "A");
        return;
    }
    const int index = RowIndexOf(fileNumber);
    if (index > 0 && index <= kHighestKey)
        std::snprintf(out, 4, "%d", index % 100);
}

BWPS1_API int UpdateCheckEntryCount(uint16_t handle, int fileNumber)
{
    if (handle == 0 || fileNumber < 1 || fileNumber > 84)
        return 0;
    FileCheckRow* row = FindCheckEntry(fileNumber);
    if (row == nullptr)
        return 0;
    uint8_t stat[RECMAN_STAT_BUFFER] = {};
    if (BtrStat(handle, stat) != 0)
        return 0;
    int32_t count = 0;
    std::memcpy(&count, stat + 6, sizeof count);
    row->RecordCount = count;
    return 1;
}

BWPS1_API int ShowUtilityMessage(int number)
{
    uint8_t colours[COLOR_SET_SIZE] = {};
    SetColorSet(colours, 5);
    int choice = 1;
    AskMessage(number, 1, &choice, MESSAGE_BUTTONS_CONTINUE, colours, -1, -1, 1, 0, 0);
    return choice;
}

BWPS1_API int CanVerifyFile(int fileNumber, int tell)
{
    if (fileNumber == No(FileNo::AssemblyHeader) || fileNumber == No(FileNo::LedgerHeader) ||
        fileNumber == No(FileNo::LayawayHeader) || fileNumber == No(FileNo::SalesHeader) ||
        fileNumber == No(FileNo::QuoteHeader))
        return 1;
    int message = kCannotVerify;
    if (fileNumber == 3 || fileNumber == 70)
        message = kCannotVerifyMaster;
    else if (fileNumber == No(FileNo::AssemblyDetail) || fileNumber == No(FileNo::LedgerDetail))
        message = kCannotVerifyDetail;
    if (tell)
        ShowUtilityMessage(message);
    return 0;
}

BWPS1_API int ParseUtilityKey(const char* text) { return ParseUtilityFileKey(text); }

// ---- The screen

BWPS_OPTIONAL_ENTRY int ShowUtilityScreen(void)
{
    void* progress = nullptr;
    if (CheckAllFilesStatus(&progress) == 0)
        return 0;
    LoadOrRefreshCopy();
    UtilityScreen s{};
    if (!BeginScreen(s)) {
        Refresh(&progress);
        return 0;
    }
    FxWindowSetName(&s.window, "RSUtilityScreen");
    SetupStandardScreen(&s.form, 1, 0);
    FxSetKeyHandler(&s.form, kKeyF5, ListUtilityFiles);
    FxSetKeyHandler(&s.form, FX_KEY_F10, ProcessUtilityChoice);
    s.form.newRecord = ClearUtilityFields;
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    Refresh(&progress);
    return 0;
}

BWPS1_API int RunFileUtilityBatch(void)
{
    const bool quiet = GetStatusWindowQuiet() != 0;
    UtilityScreen s{};
    bool backdrop = false;
    if (!quiet) {
        void* progress = nullptr;
        if (CheckAllFilesStatus(&progress) == 0)
            return 0;
        LoadOrRefreshCopy();
        if (!BeginScreen(s)) {
            FileCheckRefresh();
            return 0;
        }
        backdrop = true;
    } else {
        LoadOrRefreshCopy();
    }
    const bool open = OpenRunWindow(50, kRecoverWindow, kRecoverItems, sizeof kRecoverItems, quiet ? -1 : 0);
    int32_t interrupted = 0;
    int current = 0;
    const int status = RecoverAllFilesButOwnOpen(&s.run, &current, &interrupted);
    if (RunFailed(status))
        ReportFileError(status, 1, -100, current, 0);
    if (open)
        CloseStatusWindow();
    if (backdrop) {
        FxWindowClose(&s.window, 1);
        FxAppEnd(&s.fx);
        FileCheckRefresh();
    }
    return 0;
}
