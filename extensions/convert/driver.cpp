// The conversion of a company folder of an older release: the screen that
// offers it, the checks before it, the stage of the folder's data-version
// code and what follows a good stage (the receivables open-invoice routine,
// the version stamp, the file utility pass, the promotional prices of a
// linked accounting company).
//
// A run is all or nothing: the files it creates and swaps are written in
// the folder's conversion journal before they change, the version stamp is
// its last write, and any failure before the stamp puts the folder back as
// it was (bwps/conversion.h). A run that dies is finished or undone by the
// next open of the folder.
#include "extensions/convert/convert.h"
#include "extensions/convert/convert_testing.h"
#include "extensions/convert/converters.h"
#include "extensions/convert/notice.h"
#include "extensions/convert/stages.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/conversion.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/open_items.h"
#include "bwps/records/general.h"
#include "bwps/reports.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "bwps/versions.h"
#include "extensions/company/screens.h"
#include "extensions/company/services.h"
#include "extensions/company/session_steps.h"
#include "extensions/utilities/utilities.h"
#include "fx.h"
#include "recman.h"

using bwps::FileNo;
using bwps::No;
using bwps::Status;
using bwps::Table;
namespace journal = bwps::conversion;
namespace convert = bwps1::convert;

namespace {

constexpr int kStatusCancelled = 27;
constexpr int kStatusUnitsNotCopied = 1;
constexpr int kMsgUnitsNotCopied = 357;
constexpr int kMsgNoAccounting = 457;
constexpr int kMsgAccountingRelease = 459;
constexpr int kMsgNotConvertible = 897;
constexpr int kMsgOtherLayout = 3800;
constexpr int kMsgConversionBusy = 3801;
constexpr int kMsgUdfStart = 3802;
constexpr size_t kLinkFlag = 51;

// The data-version code of the folder being converted, for the length of a
// call.
int g_code = 0;

std::string Join(const std::string& folder, const std::string& name)
{
    std::string p = folder;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p + "/" + name;
}

std::string NameOf(FileNo file)
{
    char name[FOLDER_BUFFER_SIZE] = {};
    CopyDataFileName(No(file), name);
    return name;
}

std::string FolderText(const char* folder)
{
    char text[FOLDER_BUFFER_SIZE] = {};
    std::snprintf(text, sizeof text, "%s", folder ? folder : "");
    FxTrimText(7, text);
    std::string s = text;
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// The store's general file must be readable; a linked accounting company
// must be of the current release.
bool CheckLinkedAccountingRelease(const std::string& folder)
{
    const std::string path = Join(folder, NameOf(FileNo::General));
    if (!FileExistsAt(path.c_str())) {
        ShowMessage(kMsgNoAccounting, 1);
        return false;
    }
    Table general;
    Status s = general.OpenPath(FileNo::General, path.c_str());
    if (!s.Ok()) {
        s.Report();
        return false;
    }
    uint8_t record[GENERAL_SYSINTERFACE_SIZE] = {};
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
    s = general.Get(B_GET_EQUAL, key.bytes, record, sizeof record);
    if (!s.Ok()) {
        s.Report();
        return false;
    }
    int16_t linked = 0;
    std::memcpy(&linked, record + kLinkFlag, 2);
    if (linked == 0) return true;
    int file = 0;
    const int code = FindAccountingFiles(GetAccountingCompanyPath(), &file);
    if (code == DATASET_CURRENT) return true;
    ShowMessage(code >= 10 && code <= 15 && code != 14 ? kMsgAccountingRelease : kMsgNoAccounting, 1);
    return false;
}

// Creates the catalogue's files that the folder lacks, each named in the
// journal before it is made. The weight units of a code before 15 come
// from the base folder when the folder has none.
int CreateAbsentDataFiles(const std::string& folder, int code, journal::Journal& record)
{
    const std::string units = NameOf(FileNo::Units);
    if (code < 15 && !FileExistsAt(Join(folder, units).c_str())) {
        record.created.push_back(units);
        if (!journal::WriteJournal(folder, record)) return B_DISK_FULL;
        char from[FOLDER_BUFFER_SIZE] = {};
        JoinCompanyFilePath(from, GetBasePath(), units.c_str());
        if (FxFileCopy(Join(folder, units).c_str(), from) != 0) {
            ShowMessage(kMsgUnitsNotCopied, 1);
            return kStatusUnitsNotCopied;
        }
    }
    int ids = 0;
    while (GetDataFileKind(ids + 1) >= 0) ++ids;
    FxStatus* window = GetStatusWindowQuiet() ? nullptr : FxProgressOpen("RSMsgConversionStatus", ids);
    Table keys;
    Status s = keys.Open(FileNo::KeyDefinitions);
    int status = s.status;
    if (!s.Ok()) s.Report();
    for (int id = 1; status == 0 && id <= ids; ++id) {
        if (window) FxProgressStep(window, id);
        const int kind = GetDataFileKind(id);
        if (kind == FOLDER_BASE || kind == FOLDER_ACCOUNTING || kind == FOLDER_DICTIONARY) continue;
        const std::string name = NameOf(static_cast<FileNo>(id));
        if (name.empty() || FileExistsAt(Join(folder, name).c_str())) continue;
        record.created.push_back(name);
        if (!journal::WriteJournal(folder, record)) {
            status = B_DISK_FULL;
            break;
        }
        uint8_t spec[FILE_SPEC_SIZE] = {};
        status = CreateDataFile(id, keys.Handle(), folder.c_str(), nullptr, spec);
        if (status != 0) ReportRecordManagerError(status, 1, B_INSERT, id, 0);
    }
    if (window) FxProgressClose(window);
    return status;
}

// Copies every record of one file of the data folder into the accounting
// company's file of the same id.
void CopyToAccounting(const std::string& folder, const std::string& accounting, FileNo file)
{
    Table source, target;
    Status s = source.OpenPath(file, Join(folder, NameOf(file)).c_str());
    if (s.Ok()) s = target.OpenPath(file, Join(accounting, AccountingFileNameOfId(No(file))).c_str());
    if (!s.Ok()) {
        s.Report();
        return;
    }
    const int length = GetDataFileRecordLength(No(file));
    std::vector<uint8_t> record(static_cast<size_t>(length));
    bwps::KeyBuffer key;
    for (s = source.Get(B_GET_FIRST, key.bytes, record.data(), length); s.Ok();
         s = source.Get(B_GET_NEXT, key.bytes, record.data(), length)) {
        bwps::KeyBuffer newKey;
        const Status inserted = target.Write(B_INSERT, record.data(), length, &newKey);
        if (!inserted.Ok()) {
            inserted.Report();
            return;
        }
    }
    if (!s.Is(B_END_OF_FILE)) s.Report();
}

// The promotional prices into the linked accounting company.
void FinishConversion(const std::string& folder)
{
    char accounting[FOLDER_BUFFER_SIZE] = {};
    int valid = 0;
    if (ReadAccountingLinkPath(folder.c_str(), accounting, &valid) != 1 || valid != 1) return;
    CopyToAccounting(folder, accounting, FileNo::PromotionHeader);
    CopyToAccounting(folder, accounting, FileNo::PromotionProducts);
}

// The record-manager client set to the company folder while it lives.
class ClientFolder {
public:
    explicit ClientFolder(const std::string& folder)
    {
        BtrGetClientConfig(&saved_);
        SessionPathBlock block = saved_;
        std::memset(block.DataPath, 0, sizeof block.DataPath);
        std::snprintf(block.DataPath, sizeof block.DataPath, "%s", folder.c_str());
        block.One = 1;
        BtrSetClientConfig(&block);
    }
    ~ClientFolder()
    {
        static const SessionPathBlock kNone{};
        if (std::memcmp(&saved_, &kNone, sizeof saved_) != 0) BtrSetClientConfig(&saved_);
    }
    ClientFolder(const ClientFolder&) = delete;
    ClientFolder& operator=(const ClientFolder&) = delete;

private:
    SessionPathBlock saved_{};
};

// The run under the folder's lock; the conversion status. *touched tells
// whether it got past the checks that change nothing.
int RunConversion(const std::string& folder, int code, bool deleteOld, bool* touched)
{
    *touched = false;
    journal::Lock lock(folder);
    if (!lock.Held()) {
        ShowMessage(kMsgConversionBusy, 1);
        return kStatusCancelled;
    }
    std::vector<std::string> otherLayout;
    Status s = convert::CheckStageFiles(folder, code, &otherLayout);
    if (!otherLayout.empty()) {
        std::string names;
        for (const std::string& name : otherLayout) names += (names.empty() ? "" : ", ") + name;
        convert::ShowMessageWithLine(kMsgOtherLayout, names);
        return kStatusCancelled;
    }
    if (!s.Ok()) return s.status;

    *touched = true;
    journal::Journal record;
    record.code = code;
    record.deleteOld = deleteOld;
    if (!journal::WriteJournal(folder, record)) {
        ShowMessage(61, 1);
        return B_DISK_FULL;
    }
    auto undo = [&](int status) {
        journal::UndoConversion(folder, record);
        return status;
    };

    if (const int status = CreateAbsentDataFiles(folder, code, record); status != 0) return undo(status);
    if (!bwps1::StartUdfManager(folder.c_str())) {
        ShowMessage(kMsgUdfStart, 1);
        return undo(kStatusCancelled);
    }

    FxStatus* window =
        GetStatusWindowQuiet() ? nullptr
                               : FxProgressOpen("RSMsgConversionStatus",
                                                2 * static_cast<int>(convert::StageFiles(code).size()));
    if (window) FxProgressSetLine(window, 0, "");
    convert::StageProgress progress(window);
    s = convert::BuildStage(folder, code, record, progress);
    if (s.Ok()) s = convert::SwapStage(folder, code, record, progress);
    if (window) FxProgressClose(window);
    if (!s.Ok()) return undo(s.status == FX_KEY_ESC ? kStatusCancelled : s.status);

    if (code <= 13) {
        const std::string withSeparator = folder + "/";
        if (const int status = ProcessArOpenInvoice(withSeparator.c_str()); status != 0)
            return undo(status);
    }
    int stamped = 0;
    if (!WriteDataVersionStamp(0, folder.c_str(), &stamped))
        return undo(stamped != 0 ? stamped : B_IO_ERROR);
    journal::CommitConversion(folder, record);
    return 0;
}

}  // namespace

BWPS1_API char* VersionCodeText(char* text, int code)
{
    static const char* const kNames[] = {"5.0", "6.0", "7.0", "8.0", "9.0", "10.0", "11.0", "12.0", "13.0"};
    const char* name = code >= 7 && code <= 15 ? kNames[code - 7] : "N/A";
    std::snprintf(text, 8, std::strlen(name) == 3 ? "%3s" : "%4s", name);
    return text;
}

BWPS1_API int ConvertCompanyDataStages(const char* folderText, int deleteOld, uint64_t neededDeleted,
                                       uint64_t neededKept, uint64_t freeSpace, int* statusOut)
{
    int status = 0;
    const std::string folder = FolderText(folderText);
    const uint64_t needed = deleteOld ? neededDeleted : neededKept;
    if (freeSpace < needed) {
        *statusOut = kStatusCancelled;
        return 1;
    }
    const std::string program = GetProgramPath();
    const std::string base = GetBasePath();
    SetFolders(program.c_str(), folder.c_str(), base.c_str());

    g_code = DetectDataSetVersion(folder.c_str());
    if (g_code < 10 || g_code > 15) {
        ShowMessage(kMsgNotConvertible, 1);
        *statusOut = kStatusCancelled;
        return 1;
    }
    if (!CheckLinkedAccountingRelease(folder)) {
        *statusOut = kStatusCancelled;
        return 1;
    }
    {
        ClientFolder client(folder);
        bool touched = false;
        status = RunConversion(folder, g_code, deleteOld != 0, &touched);
        // The utility pass rebuilds files at the current record lengths and
        // the accounting company takes current records: both only over
        // converted data, never over a folder put back to its old release.
        if (status == 0) {
            RunFileUtilityBatch();
            FinishConversion(folder);
        }
    }
    *statusOut = status;
    return 1;
}

namespace {

enum { kFieldKeep = 1, kFieldNeeded = 2, kFieldFree = 3, kFieldRelease = 4 };

struct ConvertScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    std::string folder;
    uint64_t neededKept = 0;
    uint64_t neededDeleted = 0;
    uint64_t freeSpace = 0;
    int status = kStatusCancelled;
    bool ran = false;
};

std::string NumberText(uint64_t value)
{
    char text[40] = {};
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
    FxBlankZero(text, 0);
    FxGroupThousands(text, 15);
    return text;
}

void ShowNeeded(ConvertScreen& c)
{
    const bool deleteOld = FxChoiceGet(&c.form, kFieldKeep) == 1;
    FxFieldSet(&c.form, kFieldNeeded, NumberText(deleteOld ? c.neededDeleted : c.neededKept).c_str());
}

int OnChoiceLeft(void* context)
{
    ShowNeeded(*static_cast<ConvertScreen*>(context));
    return FX_GO_ON;
}

int OnConvert(void* context)
{
    auto& c = *static_cast<ConvertScreen*>(context);
    const int deleteOld = FxChoiceGet(&c.form, kFieldKeep) == 1 ? 1 : 0;
    ConvertCompanyDataStages(c.folder.c_str(), deleteOld, c.neededDeleted, c.neededKept, c.freeSpace,
                             &c.status);
    c.ran = true;
    return FX_LEAVE;
}

int RunScreen(ConvertScreen& c)
{
    static constexpr std::array<ScreenField, 5> kFields{{
        bwps::Field(kFieldKeep, 4, 30, "%-16sm").Choices("\001Delete old files,Keep old files").Exit(OnChoiceLeft),
        bwps::Field(kFieldNeeded, 6, 30, "%15s").DisplayOnly(),
        bwps::Field(kFieldFree, 7, 30, "%15s").DisplayOnly(),
        bwps::Field(kFieldRelease, 8, 30, "%4s").DisplayOnly(),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    FxAppBegin(&c.fx);
    if (FxFormLoad(&c.form, fields.data(), 0) == 0) {
        FxAppEnd(&c.fx);
        return 0;
    }
    if (FxWindowCreate(&c.window, 5, 3, 5 + 16 - 1, 3 + 77 - 1, 1, 1, ' ', " Convert Company Data ") != 0) {
        FxAppEnd(&c.fx);
        return 0;
    }
    uint8_t colours[COLOR_SET_SIZE] = {};
    SetColorSet(colours, 5);
    FxWindowSetName(&c.window, "RSFileConvert");
    SetupStandardScreen(&c.form, 0, 0);
    FxSetKeyHandler(&c.form, FX_KEY_F10, OnConvert);
    FxSetKeyCaption(&c.form, FX_KEY_F10, "Convert");
    FxWindowAttachForm(&c.window, &c.form, 0);
    FxWindowText(&c.window, 1, 2, 0, "This company's data is of an earlier release. F10 converts it;", 0);
    FxWindowText(&c.window, 2, 2, 0, "Esc leaves it as it is.", 0);
    FxWindowText(&c.window, 4, 2, 0, "Old data files", 0);
    FxWindowText(&c.window, 6, 2, 0, "Disk space needed (bytes)", 0);
    FxWindowText(&c.window, 7, 2, 0, "Disk space free (bytes)", 0);
    FxWindowText(&c.window, 8, 2, 0, "Release of the data", 0);
    FxChoiceSet(&c.form, kFieldKeep, 1);
    ShowNeeded(c);
    FxFieldSet(&c.form, kFieldFree, NumberText(c.freeSpace).c_str());
    char release[8] = {};
    FxFieldSet(&c.form, kFieldRelease, VersionCodeText(release, g_code));
    FxAppRun(&c.fx, 0);
    if (!c.ran) c.status = kStatusCancelled;
    FxWindowClose(&c.window, 1);
    FxAppEnd(&c.fx);
    return 1;
}

}  // namespace

namespace bwps1 {

int ShowFileConvert(const char* folderText, int showScreen, int deleteOld)
{
    const std::string folder = FolderText(folderText);
    ConvertScreen c{};
    c.folder = folder;
    uint64_t total = 0;
    FxDiskSpace(folder.c_str(), &total, &c.freeSpace);
    FxFolderPatternSizes(folder.c_str(), "BPOS*.*", &c.neededKept, &c.neededDeleted);
    if (c.neededKept == 0 && c.neededDeleted == 0)
        FxFolderPatternSizes(folder.c_str(), "POS*.*", &c.neededKept, &c.neededDeleted);
    g_code = DetectDataSetVersion(folder.c_str());
    const std::string remembered = GetFilesPath();
    const std::string program = GetProgramPath();
    const std::string base = GetBasePath();

    if (!showScreen) {
        int status = kStatusCancelled;
        ConvertCompanyDataStages(folder.c_str(), deleteOld, c.neededDeleted, c.neededKept, c.freeSpace,
                                 &status);
        SetFolders(program.c_str(), remembered.c_str(), base.c_str());
        return status;
    }
    if (!RunScreen(c)) return 0;
    SetFolders(program.c_str(), remembered.c_str(), base.c_str());
    if (c.status != 0 && c.status != kStatusCancelled) FxFolderCleanup(folder.c_str(), "POS5*.*");
    if (c.status != kStatusCancelled) ReadStationDefaultForm();
    return c.status;
}

}  // namespace bwps1

BWPS1_API int ConvertCompanyData(const char* folder)
{
    return bwps1::ShowFileConvert(folder, 1, 0);
}

BWPS1_API void ResetConversionState(void) { g_code = 0; }

BWPS1_API int ConvertCompanyFolder(const char* folder, int showScreen, int deleteOld)
{
    return bwps1::ShowFileConvert(folder, showScreen, deleteOld);
}

BWPS1_API int ConversionStageFiles(int code, int* files, int capacity)
{
    const auto list = convert::StageFiles(code);
    for (size_t i = 0; i < list.size() && static_cast<int>(i) < capacity; ++i) files[i] = No(list[i]);
    return static_cast<int>(list.size());
}

BWPS1_API int ConversionRecordLengths(int code, int file, int* oldLength, int* newLength)
{
    const convert::FileConverter* c = convert::FindConverter(code, static_cast<FileNo>(file));
    if (c == nullptr) return 0;
    *oldLength = c->oldLength;
    *newLength = c->newLength;
    return 1;
}
