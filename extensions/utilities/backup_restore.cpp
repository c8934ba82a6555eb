// Backup and restore: the station's backup folders and their editor, the
// backup screen "RSBackupRestore", the call of the backup library and its
// callback.
#include "extensions/utilities/backup_restore.h"
#include "extensions/utilities/backup_restore_testing.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "backup_library.h"
#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/records/stations.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "bwps/versions.h"
#include "fx.h"

namespace fs = std::filesystem;
using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

constexpr const char* kNoFolder = "";
constexpr int kPathBuffer = 260;
constexpr int kStationIdLength = 15;

// Rights of the secured-function list.
constexpr int kRightBackup = 6;
constexpr int kRightRestore = 7;

// Messages.
constexpr int kConfirmBackup = 1001;
constexpr int kConfirmRestore = 1003;
constexpr int kGoOnWithAccounting = 1011;
constexpr int kOfferAccountingBackup = 1013;
constexpr int kOfferAccountingRestore = 1015;
constexpr int kAskStopCopy = 1127;
constexpr int kRunFinished = 1331;
constexpr int kLibraryQuestion = 1461;
constexpr int kBackupRefused = 1447;
constexpr int kTargetCurrentPos = 1495;
constexpr int kTargetCurrentAccounting = 1497;
constexpr int kLibraryMissing = 3100;

// The record manager read-locks this byte of a data file while a handle has
// it open; a write lock on it proves that no process has the file open, and
// keeps every other open waiting until it is released.
constexpr off_t kOpenByte = (off_t(1) << 40) - 1;

// ---- Small helpers

void CopyText(char* out, size_t size, const std::string& text)
{
    std::snprintf(out, size, "%s", text.c_str());
}

std::string StoredText(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

int AskNumbered(int number, int defaultButton, int colourSet)
{
    char list[32] = {};
    list[0] = static_cast<char>(defaultButton);
    std::strcpy(list + 1, "Yes,No");
    uint8_t colours[COLOR_SET_SIZE];
    SetColorSet(colours, colourSet);
    int choice = defaultButton;
    if (AskMessage(number, 1, &choice, list, colours, -1, -1, 0, 0, 0) != 0)
        return 0;
    return choice;
}

// ---- The station record

Status ReadStation(Table& file, KeyBuffer& key, StationRecord& record, int lockBias)
{
    Status s = file.Open(FileNo::Stations);
    if (!s.Ok())
        return s;
    key.Clear();
    if (const SessionBlock* session = GetSessionPaths())
        std::memcpy(key.bytes, session->StationId, kStationIdLength);
    return file.Get(B_GET_EQUAL + lockBias, key, record);
}

void SetStored(char* field, const char* text)
{
    std::memset(field, 0, 144);
    CopyText(field, 144, FxIsEmpty(text) ? kNoFolder : text);
    FxTrimText(5, field);
}

// A folder kept from another system's days: a drive letter ("A:\"), which
// no folder of this one is.
bool DriveLetterFolder(const std::string& folder)
{
    return folder.size() >= 2 && std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == ':';
}

// Where a company's backups go when none was used yet: BACKUP/ beside the
// company's data folder.
std::string DefaultBackupFolder(const std::string& data)
{
    std::string folder = data;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const fs::path parent = fs::path(folder).parent_path();
    if (folder.empty() || parent.empty())
        return "BACKUP/";
    return (parent / "BACKUP").string() + "/";
}

// ---- The library

std::string gLibraryFile = BACKUP_LIBRARY_NAME;

// ---- The screen

enum { kAction = 1, kData = 2, kSource = 3, kTarget = 4, kLine = 5, kHidden = 6 };
constexpr int kSwitchedKeys[] = {FX_KEY_F1, FX_KEY_F1 + 0x100, FX_KEY_F1 + 2 * 0x100,
                                 FX_KEY_F1 + 6 * 0x100, FX_KEY_F10};

struct BackupScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    int action = BACKUP_ACTION_BACKUP;     // chosen before (0: none yet)
    int kind = BACKUP_DATA_POINT_OF_SALE;  // chosen before (0: none yet)
    bool restoreOnly = false;
    bool checkFirst = true;
    bool runDone = false;      // the library ran to its end without a stop or an error
    std::string restoredData;  // the folder point-of-sale data was restored into
    char dataFolder[kPathBuffer] = {};
    char sourceBrowse[kPathBuffer] = {};
    char targetBrowse[kPathBuffer] = {};
};

// The open screen (one at a time), and the progress the callback shows.
BackupScreen* gScreen = nullptr;
bool gRunRefused = false;  // a run of the open screen was refused or failed
int gProgressTotal = 0;
int gProgressShown = 0;

BackupScreen& Screen(void* context) { return *static_cast<BackupScreen*>(context); }

std::string AccountingFolder()
{
    if (!IsInterfacedToAccounting())
        return "";
    const char* folder = GetAccountingCompanyPath();
    return folder != nullptr ? folder : "";
}

std::string FolderOfKind(int kind)
{
    char folder[kPathBuffer] = {};
    CopyText(folder, sizeof folder,
             kind == BACKUP_DATA_ACCOUNTING ? AccountingFolder() : std::string(GetFilesPathBuffer()));
    if (folder[0] != '\0')
        NormalizeBackupPath(folder);
    return folder;
}

void FillBackupFolders(BackupScreen& s)
{
    const std::string data = s.kind == BACKUP_DATA_ACCOUNTING ? AccountingFolder() : s.dataFolder;
    BackupSettings settings{};
    ReadBackupSettings(&settings);
    // the folder used last, else BACKUP/ beside the data folder
    auto folder = [&data](const char* stored) {
        const std::string kept = stored;
        return FxIsEmpty(kept.c_str()) || DriveLetterFolder(kept) ? DefaultBackupFolder(data) : kept;
    };
    if (s.action == BACKUP_ACTION_BACKUP) {
        FxFieldSet(&s.form, kTarget, folder(settings.target).c_str());
        FxFieldSet(&s.form, kSource, data.c_str());
    } else {
        FxFieldSet(&s.form, kSource, folder(settings.source).c_str());
        FxFieldSet(&s.form, kTarget, data.c_str());
    }
}

// The backup folder of a finished run (the target of a backup, the source
// of a restore) is the one both offer next time.
void RememberBackupFolder(const std::string& folder)
{
    BackupSettings settings{};
    CopyText(settings.target, sizeof settings.target, folder);
    CopyText(settings.source, sizeof settings.source, folder);
    WriteBackupSettings(&settings);
}

void AttachBrowses(BackupScreen& s)
{
    FxAttachFolderBrowse(&s.form, kSource, "Select path for Source Data files.", s.sourceBrowse);
    FxAttachFolderBrowse(&s.form, kTarget, "Select path for Target Data files.", s.targetBrowse);
}

int InitBackupScreen(void* context)
{
    BackupScreen& s = Screen(context);
    FxChoiceSet(&s.form, kAction, s.restoreOnly ? BACKUP_ACTION_RESTORE : BACKUP_ACTION_BACKUP);
    FxChoiceSet(&s.form, kData, BACKUP_DATA_POINT_OF_SALE);
    CopyText(s.dataFolder, sizeof s.dataFolder, FolderOfKind(BACKUP_DATA_POINT_OF_SALE));
    FxFieldSetState(&s.form, kSource, 0);
    FxFieldSetState(&s.form, kTarget, 0);
    FillBackupFolders(s);
    AttachBrowses(s);
    return FX_GO_ON;
}

int CheckBackupActionField(void* context)
{
    BackupScreen& s = Screen(context);
    const int action = FxChoiceGet(&s.form, kAction);
    if (action == s.action)
        return FX_GO_ON;
    s.checkFirst = false;
    if (s.restoreOnly && action == BACKUP_ACTION_BACKUP) {
        ShowMessage(kBackupRefused, 1);
        // The field shows the action in force, so that F10 can never run
        // the refused one.
        FxChoiceSet(&s.form, kAction, BACKUP_ACTION_RESTORE);
        return FX_STAY;
    }
    s.kind = FxChoiceGet(&s.form, kData);
    if (s.action != 0)
        CopyText(s.dataFolder, sizeof s.dataFolder, FolderOfKind(s.kind));
    FxFieldSetState(&s.form, kSource, 0);
    FxFieldSetState(&s.form, kTarget, 0);
    s.action = action;
    FillBackupFolders(s);
    return FX_GO_ON;
}

int CheckBackupDataField(void* context)
{
    BackupScreen& s = Screen(context);
    const int kind = FxChoiceGet(&s.form, kData);
    if (kind == s.kind)
        return FX_GO_ON;
    const bool chosenBefore = s.kind != 0;
    s.kind = kind;
    if (chosenBefore) {
        CopyText(s.dataFolder, sizeof s.dataFolder, FolderOfKind(kind));
        FxFieldSet(&s.form, s.action == BACKUP_ACTION_BACKUP ? kSource : kTarget, s.dataFolder);
    }
    FillBackupFolders(s);
    return FX_GO_ON;
}

void SwitchKeys(BackupScreen& s, int on)
{
    for (int key : kSwitchedKeys)
        FxSetKeyState(&s.form, key, on);
}

// The folder of a field as the runs use it.
std::string FieldFolder(BackupScreen& s, int field)
{
    char folder[kPathBuffer] = {};
    CopyText(folder, sizeof folder, FxFieldGet(&s.form, field));
    NormalizeBackupPath(folder);
    return folder;
}

int RunBackupRestore(void* context)
{
    BackupScreen& s = Screen(context);
    if (s.checkFirst && CheckBackupActionField(context) != FX_GO_ON)
        return FX_STAY;
    const int action = FxChoiceGet(&s.form, kAction);
    const int kind = FxChoiceGet(&s.form, kData);
    if (s.restoreOnly && action != BACKUP_ACTION_RESTORE) {
        ShowMessage(kBackupRefused, 1);
        gRunRefused = true;
        return FX_STAY;
    }
    const SessionBlock* session = GetSessionPaths();
    const char* user = session != nullptr ? session->UserId : "";
    const bool backup = action == BACKUP_ACTION_BACKUP;
    if (!CheckUserAccess(backup ? kRightBackup : kRightRestore, 0, user, 1)) {
        gRunRefused = true;
        return FX_STAY;
    }
    const std::string source = FieldFolder(s, kSource);
    const std::string target = FieldFolder(s, kTarget);
    if (!backup) {
        int file = 0;
        const bool current = kind == BACKUP_DATA_POINT_OF_SALE
                                 ? DetectDataSetVersion(target.c_str()) == 16
                                 : FindAccountingFiles(target.c_str(), &file) == 16;
        if (current &&
            AskNumbered(kind == BACKUP_DATA_POINT_OF_SALE ? kTargetCurrentPos : kTargetCurrentAccounting,
                        2, 5) != 1)
            return FX_STAY;
    }
    if (backup) {
        if (AskNumbered(kConfirmBackup, 1, 5) != 1)
            return FX_STAY;
    } else {
        // the question names the folder whose data is replaced
        char text[700];
        std::snprintf(text, sizeof text,
                      "Replace the data in %.260s\nwith the backup in %.260s?\nThe data now in that folder is lost.",
                      target.c_str(), source.c_str());
        if (FxMessageBox(FxActiveOwner(), text, "Restore", FX_MB_YESNO | FX_MB_ICONQUESTION | 0x100, 0) != FX_ID_YES)
            return FX_STAY;
    }

    SwitchKeys(s, 0);
    int result = -1;
    {
        // No other station may have the company's files open while they
        // are copied or replaced.
        DataFolderHold hold(backup ? source.c_str() : target.c_str());
        if (!hold.Held()) {
            char text[400];
            std::snprintf(text, sizeof text,
                          "%s is open at another station. Close the company there, then try again.",
                          hold.busy().c_str());
            FxMessageBox(FxActiveOwner(), text, FxGetAppCaption(0), FX_MB_ICONERROR, 0);
            SwitchKeys(s, 1);
            gRunRefused = true;
            return FX_STAY;
        }
        result = RunBackupLibrary(action, kind, source.c_str(), target.c_str());
        if (result == 0)
            RememberBackupFolder(backup ? target : source);
        if (result == BACKUP_FAILED)
            gRunRefused = true;
    }
    LoadSysInterfaceRecord();
    if (result < 0) {
        ShowMessage(kLibraryMissing, 1);
        SwitchKeys(s, 1);
        return FX_STAY;
    }
    if (result == BACKUP_DONE) {
        s.runDone = true;
        if (!backup && kind == BACKUP_DATA_POINT_OF_SALE)
            s.restoredData = target;
    }

    if (kind == BACKUP_DATA_POINT_OF_SALE && IsInterfacedToAccounting() &&
        AskNumbered(backup ? kOfferAccountingBackup : kOfferAccountingRestore, 1, 5) == 1) {
        ShowMessage(kGoOnWithAccounting, 1);
        FxChoiceSet(&s.form, kData, BACKUP_DATA_ACCOUNTING);
        s.kind = BACKUP_DATA_ACCOUNTING;
        FillBackupFolders(s);
        FxFormText(&s.form, kLine, 2, 0, "", 0);
        FxFormText(&s.form, kLine + 1, 2, 0, "", 0);
        SwitchKeys(s, 1);
        return FX_STAY;
    }
    return FX_LEAVE;
}

int UnlockArchiveFilesKey(void* context)
{
    BackupScreen& s = Screen(context);
    char folder[kPathBuffer] = {};
    CopyText(folder, sizeof folder,
             FxFieldGet(&s.form, FxChoiceGet(&s.form, kAction) == BACKUP_ACTION_BACKUP ? kSource : kTarget));
    FxTrimText(5, folder);
    FxFolderEnd(folder);
    UnlockArchiveFiles(folder);
    return FX_GO_ON;
}

int EditBackupDefaultsKey(void*)
{
    EditBackupDefaults();
    return FX_GO_ON;
}

// ---- The settings editor

struct DefaultsScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    char targetBrowse[kPathBuffer] = {};
    char sourceBrowse[kPathBuffer] = {};
};

int SaveBackupDefaults(void* context)
{
    DefaultsScreen& d = *static_cast<DefaultsScreen*>(context);
    BackupSettings settings{};
    CopyText(settings.target, sizeof settings.target, FxFieldGet(&d.form, 1));
    CopyText(settings.source, sizeof settings.source, FxFieldGet(&d.form, 2));
    FxTrimText(5, settings.target);
    FxTrimText(5, settings.source);
    return WriteBackupSettings(&settings) ? FX_LEAVE : FX_STAY;
}

}  // namespace

// ---- Exports

BWPS1_API int ReadBackupSettings(BackupSettings* settings)
{
    BackupSettings out{};
    CopyText(out.target, sizeof out.target, kNoFolder);
    CopyText(out.source, sizeof out.source, kNoFolder);
    Table file;
    KeyBuffer key;
    StationRecord record;
    const Status s = ReadStation(file, key, record, 0);
    int result = 0;
    if (s.Ok()) {
        const std::string target = StoredText(record.drivePath1, sizeof record.drivePath1);
        const std::string source = StoredText(record.drivePath2, sizeof record.drivePath2);
        if (!FxIsEmpty(target.c_str()))
            CopyText(out.target, sizeof out.target, target);
        if (!FxIsEmpty(source.c_str()))
            CopyText(out.source, sizeof out.source, source);
        result = 1;
    } else {
        s.Report();
    }
    if (settings != nullptr)
        *settings = out;
    return result;
}

BWPS1_API int WriteBackupSettings(const BackupSettings* settings)
{
    if (settings == nullptr)
        return 0;
    // Read under the record's lock: the rest of the record is what the
    // file holds at the moment of the update, whatever another station
    // saved meanwhile.
    Table file;
    KeyBuffer key;
    StationRecord record;
    Status s = ReadStation(file, key, record, B_LOCK_SINGLE_WAIT);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    BackupSettings copy = *settings;
    copy.target[sizeof copy.target - 1] = '\0';
    copy.source[sizeof copy.source - 1] = '\0';
    SetStored(record.drivePath1, copy.target);
    SetStored(record.drivePath2, copy.source);
    s = file.Update(record, &key);
    if (!s.Ok()) {
        file.Unlock();
        s.Report();
        return 0;
    }
    return 1;
}

BWPS1_API char* NormalizeBackupPath(char* path)
{
    if (path == nullptr)
        return path;
    path[kPathBuffer - 1] = '\0';
    FxTrimText(7, path);
    if (path[0] == '\0')
        return path;
    std::string text = path;
    if (text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':') {
        // A drive named by its letter: kept as typed, the letter upper case.
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        std::string rest = fs::path(text.substr(2)).lexically_normal().string();
        if (rest.empty() || rest[0] != '/')
            rest = "/" + rest;
        text = text.substr(0, 2) + rest;
    } else {
        fs::path p(text);
        std::error_code ec;
        if (p.is_relative())
            p = fs::current_path(ec) / p;
        p = p.lexically_normal();
        std::string s = p.string();
        while (s.size() > 1 && s.back() == '/')
            s.pop_back();
        // A last part that names a file is not part of the folder.
        if (s.size() > 1 && fs::is_regular_file(s, ec))
            s = fs::path(s).parent_path().string();
        text = s;
    }
    CopyText(path, kPathBuffer - 1, text);
    FxFolderEnd(path);
    return path;
}

BWPS1_API int RunBackupLibrary(int action, int kind, const char* source, const char* target)
{
    void* library = dlopen(gLibraryFile.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return -1;
    BackupCallbackBlock block{};
    block.kind = kind;
    block.prompt = BackupDiskPrompt;
    gProgressTotal = 0;
    gProgressShown = 0;
    const char* base = GetBasePath();
    int result = -1;
    const bool backup = action == BACKUP_ACTION_BACKUP;
    if (kind == BACKUP_DATA_ACCOUNTING) {
        if (backup) {
            if (auto entry = reinterpret_cast<BackupAccountingFn>(dlsym(library, "BWFXBackupAccounting")))
                result = entry(source, target, &block);
        } else if (auto entry = reinterpret_cast<RestoreAccountingFn>(dlsym(library, "BWFXRestoreAccounting"))) {
            result = entry(source, target, 0, &block);
        }
    } else {
        if (backup) {
            if (auto entry = reinterpret_cast<BackupPointOfSaleFn>(dlsym(library, "BWFXBackupPointOfSale")))
                result = entry(source, base, target, &block);
        } else if (auto entry = reinterpret_cast<RestorePointOfSaleFn>(dlsym(library, "BWFXRestorePointOfSale"))) {
            result = entry(source, target, base, 0, &block);
        }
    }
    dlclose(library);
    return result;
}

BWPS1_API int BackupDiskPrompt(int kind, int event, int parameter, void* data)
{
    const char* kindName = kind == BACKUP_DATA_ACCOUNTING ? "Accounting" : "Point of Sale";
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    auto word = [&](int offset) {
        int32_t v = 0;
        if (bytes != nullptr)
            std::memcpy(&v, bytes + offset, sizeof v);
        return v;
    };
    switch (event) {
    case BACKUP_EVENT_INSERT_DISK: {
        FxBeep();
        char text[128];
        std::snprintf(text, sizeof text, "Please insert backup disk number: %d for %s", word(0), kindName);
        return FxMessageBox(FxActiveOwner(), text, FxGetAppCaption(0), FX_MB_OKCANCEL | FX_MB_ICONINFORMATION, 0) ==
                       FX_ID_CANCEL
                   ? BACKUP_ANSWER_STOP
                   : BACKUP_ANSWER_GO_ON;
    }
    case BACKUP_EVENT_MESSAGE: {
        if (bytes == nullptr)
            return BACKUP_ANSWER_GO_ON;
        const int messageKind = word(8);
        const char* text = reinterpret_cast<const char*>(bytes + 272);
        const char* caption = FxGetAppCaption(0);
        if (messageKind == BACKUP_MESSAGE_ASK)
            return FxMessageBox(FxActiveOwner(), text, caption, FX_MB_OKCANCEL | FX_MB_ICONEXCLAMATION, 0) ==
                           FX_ID_CANCEL
                       ? BACKUP_ANSWER_STOP
                       : BACKUP_ANSWER_GO_ON;
        FxMessageBox(FxActiveOwner(), text, caption, FX_MB_ICONERROR, 0);
        return messageKind == BACKUP_MESSAGE_ERROR ? BACKUP_ANSWER_STOP : BACKUP_ANSWER_GO_ON;
    }
    case BACKUP_EVENT_PROGRESS: {
        if (bytes == nullptr)
            return BACKUP_ANSWER_GO_ON;
        const int phase = word(0);
        const int value = word(12) == 4 ? word(8) : word(4);
        if (phase == BACKUP_PHASE_TOTAL) {
            gProgressTotal = word(4);
            gProgressShown = 0;
        } else if (phase == BACKUP_PHASE_STEP) {
            if (value == 0 || value == gProgressTotal || value - gProgressShown >= gProgressTotal / 20) {
                if (FxGetKey(0) == FX_KEY_ESC && AskNumbered(kAskStopCopy, 1, 5) == 1)
                    return BACKUP_ANSWER_STOP;
                char text[257] = {};
                std::memcpy(text, bytes + 16, 256);
                char number[16];
                std::snprintf(number, sizeof number, "%d", value);
                if (gScreen != nullptr) {
                    FxFormText(&gScreen->form, kLine, 2, 0, text, 0);
                    FxFormText(&gScreen->form, kLine + 1, 2, 0, number, 0);
                }
                gProgressShown = value;
            }
        }
        return BACKUP_ANSWER_GO_ON;
    }
    case 4:
        return BACKUP_ANSWER_GO_ON;
    case BACKUP_EVENT_FINISHED:
        if (word(4) != 0)
            ShowMessage(kRunFinished, 1);
        return BACKUP_ANSWER_GO_ON;
    case BACKUP_EVENT_NO_DISK: {
        FxBeep();
        char text[400];
        std::snprintf(text, sizeof text, "The folder %.260s cannot be reached. Check it, then choose OK to try again.",
                      bytes != nullptr ? reinterpret_cast<const char*>(bytes) : "");
        return FxMessageBox(FxActiveOwner(), text, FxGetAppCaption(0), FX_MB_OKCANCEL | FX_MB_ICONEXCLAMATION, 0) ==
                       FX_ID_CANCEL
                   ? BACKUP_ANSWER_STOP
                   : BACKUP_ANSWER_GO_ON;
    }
    case 7: {
        FxBeep();
        uint8_t colours[COLOR_SET_SIZE];
        SetColorSet(colours, 5);
        int choice = 0;
        if (AskMessage(kLibraryQuestion, 1, &choice, nullptr, colours, -1, -1, 0, 0, 0) != 0)
            return BACKUP_ANSWER_STOP;
        return choice == 1 ? BACKUP_ANSWER_RETRY : choice == 2 ? BACKUP_ANSWER_GO_ON : BACKUP_ANSWER_STOP;
    }
    case 8:
    case 9:
        return 0;
    case 10:
        if ((parameter & 0xFFFF) == 1 && data != nullptr) {
            const uint16_t key = 0x0D00;
            std::memcpy(static_cast<unsigned char*>(data) + 11, &key, sizeof key);
        }
        return BACKUP_ANSWER_GO_ON;
    default:
        return BACKUP_ANSWER_GO_ON;
    }
}

BWPS1_API int UnlockArchiveFiles(const char* folderText)
{
    std::string folder = folderText != nullptr ? folderText : "";
    if (folder.empty())
        return 0;
    std::error_code ec;
    int count = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file(ec))
            ++count;
    FxStatus* progress = FxProgressOpen("RSMsgArcUnLock", count);
    int done = 0, changed = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        if (!e.is_regular_file(ec))
            continue;
        FxProgressStep(progress, ++done);
        const std::string path = e.path().string();
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0 &&
            FxFileAccess(path.c_str(), 0) == 0 && ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0)
            ++changed;
    }
    if (progress != nullptr)
        FxProgressCloseHandle(progress);
    return changed;
}

BWPS1_API int EditBackupDefaults(void)
{
    DefaultsScreen d{};
    std::array<ScreenField, 3> fields{{
        bwps::Field(1, 1, 22, "%-143s"),
        bwps::Field(2, 2, 22, "%-143s"),
        {},
    }};
    FxAppBegin(&d.fx);
    if (FxFormLoad(&d.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&d.window, 16, 11, 19, 69, 1, 1, 0x20, nullptr) == 0) {
        FxWindowSetName(&d.window, "RSEditBackUpDefaults");
        SetupStandardScreen(&d.form, 0, 0);
        FxReleaseKey(&d.form, FX_KEY_F1 + 0x100);
        FxSetKeyHandler(&d.form, FX_KEY_F10, SaveBackupDefaults);
        FxSetKeyCaption(&d.form, FX_KEY_F10, "Save");
        FxWindowAttachForm(&d.window, &d.form, 0);
        FxWindowText(&d.window, 1, 2, 0, "Backup Target", 0);
        FxWindowText(&d.window, 2, 2, 0, "Restore Source", 0);
        BackupSettings settings{};
        ReadBackupSettings(&settings);
        CopyText(d.targetBrowse, sizeof d.targetBrowse, settings.target);
        CopyText(d.sourceBrowse, sizeof d.sourceBrowse, settings.source);
        FxAttachFolderBrowse(&d.form, 1, "Select Backup default Target path.", d.targetBrowse);
        FxAttachFolderBrowse(&d.form, 2, "Select Restore default Source path.", d.sourceBrowse);
        FxFieldSet(&d.form, 1, settings.target);
        FxFieldSet(&d.form, 2, settings.source);
        FxAppRun(&d.fx, 0);
        FxWindowClose(&d.window, 1);
    }
    FxAppEnd(&d.fx);
    return 0;
}

extern "C" int BackupRestore(int first, int second)
{
    SessionBlock* session = GetSessionPaths();
    if (gScreen != nullptr)
        return 0;  // one backup screen at a time
    BackupScreen s{};
    std::array<ScreenField, 7> fields{{
        bwps::Field(kAction, 1, 16, "%-16sm").Choices("\001Backup,Restore").Exit(CheckBackupActionField),
        bwps::Field(kData, 2, 16, "%-28sm").Choices("\002Accounting,Point Of Sale").Exit(CheckBackupDataField),
        bwps::Field(kSource, 3, 16, "%-143s"),
        bwps::Field(kTarget, 4, 16, "%-143s"),
        bwps::Field(kLine, 5, 16, "%-143s").DisplayOnly(),
        bwps::Field(kHidden, 0, 0, "%-15s"),
        {},
    }};
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) == 0) {
        FxAppEnd(&s.fx);
        if (session != nullptr)
            session->OptionFlags &= ~static_cast<uint32_t>(BWPS_OPTION_RESTORE_ONLY);
        return 0;
    }
    if (FxWindowCreate(&s.window, 7, 2, 14, 78, 1, 1, 0x20, nullptr) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    FxWindowSetName(&s.window, "RSBackupRestore");
    SetupStandardScreen(&s.form, 0x142, 0);
    FxSetKeyHandler(&s.form, FX_KEY_F1 + 2 * 0x100, UnlockArchiveFilesKey);
    FxSetKeyHandler(&s.form, FX_KEY_F1 + 6 * 0x100, EditBackupDefaultsKey);
    FxSetKeyHandler(&s.form, FX_KEY_F10, RunBackupRestore);
    FxSetKeyCaption(&s.form, FX_KEY_F1 + 2 * 0x100, "Make Writable");
    FxSetKeyCaption(&s.form, FX_KEY_F1 + 6 * 0x100, "Defaults");
    FxSetKeyCaption(&s.form, FX_KEY_F10, "Run");
    s.form.newRecord = InitBackupScreen;
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxWindowText(&s.window, 1, 2, 0, "Action", 0);
    FxWindowText(&s.window, 2, 2, 0, "Data", 0);
    FxWindowText(&s.window, 3, 2, 0, "Source", 0);
    FxWindowText(&s.window, 4, 2, 0, "Target", 0);
    s.restoreOnly = second != 0 && session != nullptr &&
                    (session->OptionFlags & BWPS_OPTION_RESTORE_ONLY) != 0;
    s.action = s.restoreOnly ? BACKUP_ACTION_RESTORE : BACKUP_ACTION_BACKUP;
    FxFieldSetState(&s.form, kHidden, 2);
    FxFieldSet(&s.form, kLine, "");
    const std::string dataFolder = GetFilesPathBuffer();
    CopyText(s.dataFolder, sizeof s.dataFolder, dataFolder);
    gScreen = &s;
    gRunRefused = false;
    FxAppRun(&s.fx, 0);
    gScreen = nullptr;
    if (session != nullptr) {
        // With a first argument the restored point-of-sale data becomes the
        // session's company.
        const bool openRestored = s.runDone && first != 0 && !s.restoredData.empty();
        if (openRestored) {
            std::string folder = s.restoredData;
            while (folder.size() > 1 && folder.back() == '/')
                folder.pop_back();
            CopyText(session->DataPath, sizeof session->DataPath, folder);
        }
        SetFolders(nullptr, openRestored ? session->DataPath : dataFolder.c_str(), session->BasePath);
        if (openRestored)
            LoadSysInterfaceRecord();
        session->OptionFlags &= ~static_cast<uint32_t>(BWPS_OPTION_RESTORE_ONLY);
    }
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    // 0x4400 (F10) once a run was done, else 27 (left without one).
    return s.runDone ? FX_KEY_F10 : 27;
}

BWPS1_API int BackupRunRefused(void)
{
    return gRunRefused ? 1 : 0;
}

// ---- Holding a data folder

DataFolderHold::DataFolderHold(const char* folder)
{
    held_ = true;
    std::error_code ec;
    if (folder == nullptr || folder[0] == '\0' || !fs::is_directory(folder, ec))
        return;  // nothing there to hold: the library says so
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        if (!e.is_regular_file(ec))
            continue;
        const std::string path = e.path().string();
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;  // a file nothing can write is nothing to hold
        char head[16] = {};
        if (::pread(fd, head, sizeof head, 0) != ssize_t(sizeof head) ||
            std::memcmp(head, "SQLite format 3", 16) != 0) {
            ::close(fd);
            continue;
        }
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = kOpenByte;
        fl.l_len = 1;
        if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
            ::close(fd);
            held_ = false;
            busy_ = e.path().filename().string();
            break;
        }
        fds_.push_back(fd);
    }
    if (!held_) {
        for (int fd : fds_)
            ::close(fd);
        fds_.clear();
    }
}

DataFolderHold::~DataFolderHold()
{
    for (int fd : fds_)
        ::close(fd);
}

BWPS1_API void ResetBackupRestoreState(void)
{
    gScreen = nullptr;
    gRunRefused = false;
    gProgressTotal = 0;
    gProgressShown = 0;
    gLibraryFile = BACKUP_LIBRARY_NAME;
}

BWPS1_API void SetBackupLibraryFile(const char* name)
{
    gLibraryFile = name != nullptr ? name : BACKUP_LIBRARY_NAME;
}
