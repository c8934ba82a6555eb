// The station's form screens: which format file each document uses
// ("RSEditFormatNames"), the print settings of each printer set
// ("RSEditFormSetup") and the numbers of one label style
// ("RSEditLabelLayout"). The first two write the session's record of the
// station file BPOSSTN.DB (and its station index record); the third the
// "0LabelDefaults " record of the general settings file.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <sys/stat.h>

#include "bwps/catalogue.h"
#include "bwps/custom_forms.h"
#include "bwps/file_status.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/records/stations.h"
#include "bwps/reports.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/stations.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"

using bwps::FileNo;
using bwps::No;

namespace {

constexpr int kRightFormatNames = 38;
constexpr int kNoRight = 32;
constexpr int kMsgBadName = 655;
constexpr int kMsgCopyTargetExists = 669;
constexpr int kMsgCopySourceMissing = 627;
constexpr int kMsgCopyFolderMissing = 629;
constexpr int kMsgCopyFailed = 625;
constexpr int kMsgCopyFolder = 1083;
constexpr int kMsgWhichForm = 1085;
constexpr int kMsgCountBelowOne = 1443;
constexpr int kF3 = FX_KEY_F1 + 2 * 0x100;
constexpr int kF5 = FX_KEY_F1 + 4 * 0x100;
constexpr int kF6 = FX_KEY_F1 + 5 * 0x100;
constexpr int kF7 = FX_KEY_F1 + 6 * 0x100;
constexpr int kF8 = FX_KEY_F1 + 7 * 0x100;
constexpr int kF9 = FX_KEY_F1 + 8 * 0x100;
constexpr int kShiftF3 = FX_KEY_SHIFT_F1 + 2 * 0x100;
constexpr int kShiftF4 = FX_KEY_SHIFT_F1 + 3 * 0x100;
constexpr int kNameChars = 8;
constexpr int kUnlockOperation = 27;

std::string Trimmed(const std::string& s)
{
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string Folder(const char* folder)
{
    std::string f = folder != nullptr ? folder : "";
    if (!f.empty() && f.back() != '/')
        f += '/';
    return f;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A format name: no blank, no point, nothing that reaches another folder.
bool IsFormatName(const std::string& name)
{
    return !name.empty() && name.find_first_of(" ./\\") == std::string::npos;
}

std::string StationKey()
{
    const SessionBlock* session = GetSessionPaths();
    std::string key(STATION_ID_LEN, '\0');
    if (session != nullptr)
        std::memcpy(key.data(), session->StationId, STATION_ID_LEN);
    return key;
}

void Report(int status, int operation, FileNo file)
{
    ReportRecordManagerError(status, 1, operation, No(file), 0);
}

int16_t Number(const char* text)
{
    const std::string t = Trimmed(text != nullptr ? text : "");
    char* end = nullptr;
    const long v = std::strtol(t.c_str(), &end, 10);
    if (t.empty() || end == nullptr || *end != '\0' || v < -32768 || v > 32767)
        return 0;
    return static_cast<int16_t>(v);
}

// ---------------------------------------------------------------- copy

struct CopyScreen {
    FxContext fx;   // first
    FxForm form;
    FxWindow window;
    uint8_t colours[COLOR_SET_SIZE];
};

CopyScreen* Copy(void* context)
{
    return static_cast<CopyScreen*>(context);
}

int OnCopyLookup(void* context)
{
    CopyScreen& s = *Copy(context);
    int choice = 0;
    AskMessage(kMsgCopyFolder, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, nullptr, 0, 0, 0, 0, 0);
    if (choice != 1 && choice != 2)
        return FX_STAY;
    char folder[FOLDER_BUFFER_SIZE];
    std::snprintf(folder, sizeof folder, "%s", Folder(choice == 1 ? GetFilesPath() : GetBasePath()).c_str());
    if (!ShowDirectoryLookup(folder, "*.FMT", 5, 5, 10, 40))
        return FX_STAY;
    std::string picked = folder;
    const size_t dot = picked.rfind('.');
    if (dot != std::string::npos && picked.find('/', dot) == std::string::npos)
        picked.erase(dot);
    FxFieldSet(&s.form, s.form.currentField, picked.c_str());
    FxFormRedraw(&s.fx, &s.form);
    return FX_LOOKUP_SET;
}

int OnCopySave(void* context)
{
    CopyScreen& s = *Copy(context);
    const std::string from = Trimmed(FxFieldGet(&s.form, 1));
    const std::string to = Trimmed(FxFieldGet(&s.form, 2));
    const auto refuse = [&](int message, int field) {
        ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(&s.form, field);
        return FX_STAY_FOCUSED;
    };
    if (Exists(to + ".FMT"))
        return refuse(kMsgCopyTargetExists, 2);
    if (!Exists(from + ".FMT") || IsFolder(from + ".FMT"))
        return refuse(kMsgCopySourceMissing, 1);
    const size_t slash = to.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : to.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? to : to.substr(slash + 1);
    if (!IsFolder(folder))
        return refuse(kMsgCopyFolderMissing, 2);
    if (!IsFormatName(name))
        return refuse(kMsgBadName, 2);
    if (FxFileCopy((to + ".FMT").c_str(), (from + ".FMT").c_str()) != 0)
        ShowMessage(kMsgCopyFailed, MESSAGE_DEFAULT_CONTEXT);
    return FX_LEAVE;
}

void RunCopyScreen(const std::string& current)
{
    static constexpr std::array<ScreenField, 3> kCopyFields{{
        bwps::Field(1, 1, 8, "%-64s"),
        bwps::Field(2, 2, 8, "%-64s"),
        {},
    }};
    std::array<ScreenField, kCopyFields.size()> fields = kCopyFields;
    auto screen = std::make_unique<CopyScreen>();
    CopyScreen& s = *screen;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) && FxWindowCreate(&s.window, 10, 2, 13, 77, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSFormatFileCopy");
        SetColorSet(s.colours, 5);
        SetupStandardScreen(&s.form, 1, 0);
        FxSetKeyHandler(&s.form, kF5, OnCopyLookup);
        FxSetKeyHandler(&s.form, FX_KEY_F10, OnCopySave);
        FxSetKeyCaption(&s.form, FX_KEY_F10, "Copy");
        FxWindowAttachForm(&s.window, &s.form, 0);
        FxWindowText(&s.window, 1, 2, -1, "From:", 0);
        FxWindowText(&s.window, 2, 2, -1, "To:", 0);
        const std::string preset = Folder(GetBasePath()) + current;
        FxFieldSet(&s.form, 1, preset.c_str());
        FxFieldSet(&s.form, 2, preset.c_str());
        FxFormRedraw(&s.fx, &s.form);
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
}

// ---------------------------------------------------------------- format names

constexpr int kFormatFields = 8;

struct NamesScreen {
    FxContext fx;   // first
    FxForm form;
    FxWindow window;
    StationFormTable* names = nullptr;
    int printerKind = 0;
    uint8_t colours[COLOR_SET_SIZE];
};

NamesScreen* Names(void* context)
{
    return static_cast<NamesScreen*>(context);
}

std::string CurrentName(NamesScreen& s)
{
    return Trimmed(FxFieldGet(&s.form, s.form.currentField));
}

int OnPickFormat(void* context)
{
    NamesScreen& s = *Names(context);
    char folder[FOLDER_BUFFER_SIZE];
    std::snprintf(folder, sizeof folder, "%s", Folder(GetBasePath()).c_str());
    if (!ShowDirectoryLookup(folder, "*.FMT", 5, 5, 10, 40))
        return FX_STAY;
    std::string name = folder;
    name = name.substr(name.rfind('/') + 1);
    name = name.substr(0, name.find('.'));
    FxFieldSet(&s.form, s.form.currentField, name.substr(0, kNameChars).c_str());
    FxFormRedraw(&s.fx, &s.form);
    return FX_LOOKUP_SET;
}

int OnEditFormatText(void* context)
{
    NamesScreen& s = *Names(context);
    const std::string name = CurrentName(s);
    if (!IsFormatName(name)) {
        ShowMessage(kMsgBadName, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    const std::string path = Folder(GetFilesPath()) + name + ".TXT";
    int32_t result = -1;
    RunTextEditor(2, 1, 20, 77, 140, &result, path.c_str());
    return FX_STAY;
}

int OnPrintFormat(void* context)
{
    NamesScreen& s = *Names(context);
    const std::string name = CurrentName(s);
    if (!IsFormatName(name)) {
        ShowMessage(kMsgBadName, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    PrintCustomFormat(0, (name + ".FMT").c_str());
    return FX_STAY;
}

int OnCompileFormat(void* context)
{
    NamesScreen& s = *Names(context);
    const std::string name = CurrentName(s);
    if (!IsFormatName(name)) {
        ShowMessage(kMsgBadName, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    FxStatus* status = FxStatusOpen("RSMsgCompileFormat", 0);
    const std::string folder = Folder(GetFilesPath());
    const std::string source = folder + name + ".TXT", target = folder + name + ".LZR";
    char printer[260] = {};
    BrmReportGetDefaultPrinterName(printer);
    RunLayoutDefinitionTool(source.c_str(), target.c_str(), printer);
    if (status != nullptr)
        FxStatusClose(status);
    return FX_STAY;
}

int OnCopyFormat(void* context)
{
    RunCopyScreen(CurrentName(*Names(context)));
    return FX_STAY;
}

int OnSaveNames(void* context)
{
    NamesScreen& s = *Names(context);
    std::string names[kFormatFields];
    for (int field = 1; field <= kFormatFields; ++field) {
        names[field - 1] = Trimmed(FxFieldGet(&s.form, field));
        if (names[field - 1].find_first_of(" .") != std::string::npos ||
            names[field - 1].find_first_of("/\\") != std::string::npos) {
            ShowMessage(kMsgBadName, MESSAGE_DEFAULT_CONTEXT);
            FxFocusField(&s.form, field);
            return FX_STAY_FOCUSED;
        }
    }
    for (int i = 0; i < kFormatFields; ++i) {
        std::memset(s.names->Forms[i], 0, STATION_FORM_NAME_LEN);
        std::memcpy(s.names->Forms[i], names[i].data(), std::min<size_t>(names[i].size(), kNameChars));
    }
    bwps::Table stations;
    const bwps::Status opened = stations.Open(FileNo::Stations);
    if (!opened.Ok()) {
        opened.Report();
        return FX_LEAVE;
    }
    bwps::KeyBuffer key;
    const std::string id = StationKey();
    std::memcpy(key.bytes, id.data(), id.size());
    auto record = std::make_unique<StationRecord>();
    int status = BtrGet(B_GET_EQUAL, stations.Handle(), key.bytes, record.get(), sizeof *record);
    if (status != 0) {
        Report(status, B_GET_EQUAL, FileNo::Stations);
        return FX_LEAVE;
    }
    // The shared names (card slip, product and customer labels) belong to
    // the set of printer kinds 0 and 1 only.
    StoreStationFormTable(record.get(), s.names, s.printerKind);
    status = BtrWrite(B_UPDATE, stations.Handle(), key.bytes, record.get(), sizeof *record);
    if (status != 0)
        Report(status, B_UPDATE, FileNo::Stations);
    return FX_LEAVE;
}

constexpr const char* kFormLabels[kFormatFields] = {"Receipt:",        "Quote:",      "Layaway:",
                                                    "Card slip:",      "Layaway pay:", "Account pay:",
                                                    "Product label:",  "Customer label:"};

// ---------------------------------------------------------------- form setup

struct SetupScreen {
    FxContext fx;   // first
    FxForm form;
    FxWindow window;
    StationRecord record;
    StationIndexRecord index;
    int kind = 0;
    char picture1[16];
    uint8_t colours[COLOR_SET_SIZE];
};

SetupScreen* Setup(void* context)
{
    return static_cast<SetupScreen*>(context);
}

constexpr const char kPrinterSets[] =
    "Receipts/Quotes/Layaway/Ar Payments,Credit Card Slip,Alternative Printer 1,Alternative Printer 2";

void FillSetup(SetupScreen& s)
{
    const StationPrintSettings& p = s.record.printSettings[s.kind];
    FxChoiceSet(&s.form, 1, s.kind + 1);
    FxChoiceSet(&s.form, 2, p.printMode == 'N' ? 1 : 2);
    FxChoiceSet(&s.form, 3, p.width == 1 ? 2 : 1);
    FxChoiceSet(&s.form, 4, p.numberStyle == 'D' ? 1 : 2);
    FxChoiceSet(&s.form, 5, p.firstSwitch == 'Y' ? 1 : 2);
    FxChoiceSet(&s.form, 6, p.secondSwitch == 'Y' ? 1 : 2);
    FxFieldSet(&s.form, 7, std::to_string(p.count).c_str());
    FxFieldSet(&s.form, 8, std::to_string(s.index.counters[s.kind]).c_str());
    FxFormRedraw(&s.fx, &s.form);
}

int OnPrinterSetLeft(void* context)
{
    SetupScreen& s = *Setup(context);
    const int kind = FxChoiceGet(&s.form, 1) - 1;
    if (kind >= 0 && kind <= 3 && kind != s.kind) {
        s.kind = kind;
        FillSetup(s);
    }
    return FX_GO_ON;
}

int OnCountLeft(void* context)
{
    SetupScreen& s = *Setup(context);
    if (Number(FxFieldGet(&s.form, 8)) < 1) {
        ShowMessage(kMsgCountBelowOne, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    return FX_GO_ON;
}

int OnSaveSetup(void* context)
{
    SetupScreen& s = *Setup(context);
    if (OnCountLeft(context) != FX_GO_ON) {
        FxFocusField(&s.form, 8);
        return FX_STAY_FOCUSED;
    }
    bwps::Table stations;
    bwps::Status st = stations.Open(FileNo::Stations);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    bwps::KeyBuffer key;
    const std::string id = StationKey();
    std::memcpy(key.bytes, id.data(), id.size());
    auto scratch = std::make_unique<StationRecord>();
    int status = BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, stations.Handle(), key.bytes, scratch.get(),
                        sizeof *scratch);
    if (status != 0) {
        Report(status, B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, FileNo::Stations);
        return FX_STAY;
    }
    StationPrintSettings& p = s.record.printSettings[s.kind];
    p.printMode = FxChoiceGet(&s.form, 2) == 2 ? 'C' : 'N';
    p.width = FxChoiceGet(&s.form, 3) == 2 ? 1 : 0;
    p.numberStyle = FxChoiceGet(&s.form, 4) == 2 ? 'F' : 'D';
    p.firstSwitch = FxChoiceGet(&s.form, 5) == 2 ? 'N' : 'Y';
    p.secondSwitch = FxChoiceGet(&s.form, 6) == 2 ? 'N' : 'Y';
    p.count = Number(FxFieldGet(&s.form, 7));
    s.index.counters[s.kind] = Number(FxFieldGet(&s.form, 8));
    StationRecord written = s.record;
    status = BtrWrite(B_UPDATE, stations.Handle(), key.bytes, &written, sizeof written);
    BtrUnlock(-2, stations.Handle(), nullptr);
    if (status != 0) {
        Report(status, B_UPDATE, FileNo::Stations);
        return FX_STAY;
    }
    if (WriteStationIndexRecord(B_UPDATE, 0, 1, &s.index) != 0)
        return FX_STAY;
    return FX_LEAVE;
}

int OnEditFormFile(void* context)
{
    SetupScreen& s = *Setup(context);
    int answer = 7;
    if (s.kind != 1) {
        answer = 1;
        if (AskMessage(kMsgWhichForm, MESSAGE_DEFAULT_CONTEXT, &answer, nullptr, nullptr, 0, 0, 0, 0, 0) != 0)
            return FX_STAY;
    }
    struct Choice {
        int answer, group, entry;
    };
    static constexpr Choice kChoices[] = {{1, 1, 0}, {7, 1, 3}, {2, 4, 4}, {3, 2, 1}, {4, 3, 2}, {5, 5, 5}};
    const Choice* chosen = nullptr;
    for (const Choice& c : kChoices)
        if (c.answer == answer)
            chosen = &c;
    if (chosen == nullptr)
        return FX_STAY;
    StationFormTable table{};
    BuildStationFormTable(nullptr, &table, &s.record, s.kind);
    char path[FOLDER_BUFFER_SIZE] = {};
    GetFormatFilePath(chosen->entry, path, reinterpret_cast<const char*>(&table));
    SetVariableLookUpGroup(chosen->group);
    int32_t result = -1;
    RunTextEditor(9, 1, 13, 76, 132, &result, path);
    return FX_STAY;
}

int OnEditNames(void* context)
{
    SetupScreen& s = *Setup(context);
    StationFormTable table{};
    BuildStationFormTable(nullptr, &table, &s.record, s.kind);
    if (EditFormatNames(6, 15, s.kind, &table) != FX_KEY_ESC)
        StoreStationFormTable(&s.record, &table, s.kind);
    return FX_STAY;
}

// ---------------------------------------------------------------- label layout

struct LabelScreen {
    FxContext fx;   // first
    FxForm form;
    FxWindow window;
    uint16_t generalFile = 0;
    int styleIndex = 0;
    TagLabelDefaults* record = nullptr;
    bool fontFlag = false;
    uint8_t colours[COLOR_SET_SIZE];
};

LabelScreen* Label(void* context)
{
    return static_cast<LabelScreen*>(context);
}

int OnSaveLabel(void* context)
{
    LabelScreen& s = *Label(context);
    bwps::Table file;
    const bwps::Status opened = file.Borrow(FileNo::General, s.generalFile);
    if (!opened.Ok()) {
        opened.Report();
        return FX_STAY;
    }
    TagLabelDefaults scratch{};
    ReadLabelDefaults(file.Handle(), &scratch);
    TagLabelStyle& style = s.record->styles[s.styleIndex];
    for (int field = 1; field <= 11; ++field) {
        if (field >= 9 && !s.fontFlag)
            continue;
        const int16_t value = Number(FxFieldGet(&s.form, field));
        std::memcpy(reinterpret_cast<uint8_t*>(&style) + offsetof(TagLabelStyle, across) +
                        static_cast<size_t>(field - 1) * sizeof(int16_t),
                    &value, sizeof value);
    }
    std::memcpy(s.record->key, GENERAL_KEY_LABELDEFAULTS, GENERAL_KEY_SIZE);
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_LABELDEFAULTS, GENERAL_KEY_SIZE);
    TagLabelDefaults written = *s.record;
    const int status = BtrWrite(B_UPDATE, file.Handle(), key.bytes, &written, sizeof written);
    if (status == 0)
        return FX_LEAVE;
    Report(status, B_UPDATE, FileNo::General);
    if (status == B_CONFLICT || status == B_DUPLICATE_KEY)
        return FX_RECORD_DONE;
    return FX_STAY;
}

}  // namespace

extern "C" {

BWPS_EXPORT int EditFormatNames(int row, int column, int printerKind, void* formatNames)
{
    const SessionBlock* session = GetSessionPaths();
    if (formatNames == nullptr ||
        !CheckUserAccess(kRightFormatNames, 0, session != nullptr ? session->UserId : "", 1))
        return kNoRight;
    std::array<ScreenField, kFormatFields + 1> fields{};
    for (int i = 0; i < kFormatFields; ++i)
        fields[static_cast<size_t>(i)] =
            bwps::Field(static_cast<uint8_t>(i + 1), static_cast<uint8_t>(i + 1), 20, "%-8s").Flags(FX_FIELD_UPPER);
    // Printer sets 2 and 3 have no card slip or label forms of their own.
    if (printerKind == 2 || printerKind == 3)
        for (int field : {4, 7, 8})
            fields[static_cast<size_t>(field - 1)].displayOnly = 1;
    auto screen = std::make_unique<NamesScreen>();
    NamesScreen& s = *screen;
    s.names = static_cast<StationFormTable*>(formatNames);
    s.printerKind = printerKind;
    int key = FX_KEY_ESC;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) &&
        FxWindowCreate(&s.window, row, column, row + 10, column + 48, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditFormatNames");
        SetColorSet(s.colours, 5);
        SetupStandardScreen(&s.form, 17, 315);
        FxSetKeyHandler(&s.form, kShiftF3, OnCopyFormat);
        FxSetKeyHandler(&s.form, kF3, OnEditFormatText);
        FxSetKeyHandler(&s.form, kF5, OnPickFormat);
        FxSetKeyHandler(&s.form, kF7, OnPrintFormat);
        FxSetKeyHandler(&s.form, kShiftF4, OnCompileFormat);
        FxSetKeyHandler(&s.form, FX_KEY_F10, OnSaveNames);
        FxSetKeyCaption(&s.form, FX_KEY_F10, "Save");
        for (int off : {kF6, kF8, kF9})
            FxReleaseKey(&s.form, off);
        FxWindowAttachForm(&s.window, &s.form, 0);
        for (int i = 0; i < kFormatFields; ++i) {
            FxWindowText(&s.window, i + 1, 2, -1, kFormLabels[i], 0);
            const std::string name(s.names->Forms[i], strnlen(s.names->Forms[i], kNameChars));
            FxFieldSet(&s.form, i + 1, name.c_str());
        }
        FxFormRedraw(&s.fx, &s.form);
        key = FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    return key;
}

BWPS_EXPORT int EditFormSetup(void)
{
    auto screen = std::make_unique<SetupScreen>();
    SetupScreen& s = *screen;
    // The printer set's field is as wide as its longest choice.
    std::snprintf(s.picture1, sizeof s.picture1, "%%-%dsm", 36);
    std::array<ScreenField, 9> fields{{
        bwps::Field(1, 1, 22, "%-36sm").Choices(kPrinterSets).Exit(OnPrinterSetLeft),
        bwps::Field(2, 2, 22, "%-10sm").Choices("Normal,Condensed"),
        bwps::Field(3, 3, 22, "%-3sm").Choices("80,40"),
        bwps::Field(4, 4, 22, "%-9sm").Choices("Decimal,Fraction"),
        bwps::Field(5, 5, 22, "%-4sm").Choices("Yes,No"),
        bwps::Field(6, 6, 22, "%-4sm").Choices("Yes,No"),
        bwps::Field(7, 7, 22, "%-6s"),
        bwps::Field(8, 8, 22, "%-6s").Exit(OnCountLeft),
        {},
    }};
    std::memcpy(fields[0].picture, s.picture1, sizeof fields[0].picture);
    bwps::Table stations;
    bwps::Status st = stations.Open(FileNo::Stations);
    if (!st.Ok()) {
        st.Report();
        return 0;
    }
    bwps::KeyBuffer key;
    const std::string id = StationKey();
    std::memcpy(key.bytes, id.data(), id.size());
    int status = BtrGet(B_GET_EQUAL, stations.Handle(), key.bytes, &s.record, sizeof s.record);
    if (status != 0) {
        Report(status, B_GET_EQUAL, FileNo::Stations);
        return 0;
    }
    if (ReadStationIndexRecord(id.c_str(), &s.index) != 0)
        return 0;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) && FxWindowCreate(&s.window, 5, 12, 15, 68, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditFormSetup");
        SetColorSet(s.colours, 2);
        SetupStandardScreen(&s.form, 0, 316);
        FxSetKeyHandler(&s.form, FX_KEY_F10, OnSaveSetup);
        FxSetKeyCaption(&s.form, FX_KEY_F10, "Save");
        FxSetKeyHandler(&s.form, kF3, OnEditFormFile);
        FxSetKeyHandler(&s.form, kF9, OnEditNames);
        s.form.question = AskChoiceMessage;
        FxWindowAttachForm(&s.window, &s.form, 0);
        static constexpr const char* kLabels[] = {"Printer set:", "Print mode:", "Width:",
                                                  "Numbers:",     "Print logo:", "Print notes:",
                                                  "Copies:",      "Next number:"};
        for (int i = 0; i < 8; ++i)
            FxWindowText(&s.window, i + 1, 2, -1, kLabels[i], 0);
        FillSetup(s);
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    const int unlocked = BtrUnlock(-2, stations.Handle(), nullptr);
    if (unlocked != 0)
        Report(unlocked, kUnlockOperation, FileNo::Stations);
    return 0;
}

BWPS_EXPORT int EditLabelLayout(uint16_t generalFile, int styleIndex, TagLabelDefaults* record, int fontFlag)
{
    if (record == nullptr || styleIndex < 0 || styleIndex >= 5)
        return 0;
    auto screen = std::make_unique<LabelScreen>();
    LabelScreen& s = *screen;
    s.generalFile = generalFile;
    s.styleIndex = styleIndex;
    s.record = record;
    s.fontFlag = fontFlag != 0;
    std::array<ScreenField, 12> fields{};
    for (int i = 0; i < 11; ++i) {
        const int row = i < 8 ? i + 1 : i - 8 + 3;
        const int column = i < 8 ? 26 : 50;
        fields[static_cast<size_t>(i)] =
            bwps::Field(static_cast<uint8_t>(i + 1), static_cast<uint8_t>(row), static_cast<uint8_t>(column), "%-5s");
    }
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) && FxWindowCreate(&s.window, 7, 11, 18, 69, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditLabelLayout");
        SetColorSet(s.colours, 5);
        SetupStandardScreen(&s.form, 0, 0);
        FxSetKeyHandler(&s.form, FX_KEY_F10, OnSaveLabel);
        FxSetKeyCaption(&s.form, FX_KEY_F10, "Save");
        FxWindowAttachForm(&s.window, &s.form, 0);
        static constexpr const char* kLabels[] = {"Labels across:",   "Label rows a page:", "Top lines + 1:",
                                                  "Lines a label:",   "Lines between rows:", "First column:",
                                                  "Label width:",     "Columns between:"};
        for (int i = 0; i < 8; ++i)
            FxWindowText(&s.window, i + 1, 2, -1, kLabels[i], 0);
        if (fontFlag) {
            FxWindowText(&s.window, 1, 26 + 10, -1, "Large Fonts:", 0);
            FxWindowText(&s.window, 2, 26 + 10, -1, "Small Fonts:", 0);
            FxWindowText(&s.window, 3, 36, -1, "First:", 0);
            FxWindowText(&s.window, 4, 36, -1, "Width:", 0);
            FxWindowText(&s.window, 5, 36, -1, "Between:", 0);
        } else {
            for (int field = 9; field <= 11; ++field)
                FxFieldSetState(&s.form, field, 2);
        }
        const TagLabelStyle& style = record->styles[styleIndex];
        for (int field = 1; field <= 11; ++field) {
            int16_t value = 0;
            std::memcpy(&value,
                        reinterpret_cast<const uint8_t*>(&style) + offsetof(TagLabelStyle, across) +
                            static_cast<size_t>(field - 1) * sizeof(int16_t),
                        sizeof value);
            FxFieldSet(&s.form, field, std::to_string(value).c_str());
        }
        FxFormRedraw(&s.fx, &s.form);
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(609, EditFormatNames);
BWPS_ORDINAL(610, EditFormSetup);
BWPS_ORDINAL(612, EditLabelLayout);
