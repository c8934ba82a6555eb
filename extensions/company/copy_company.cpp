// Copying a company of the company list into a new folder under a new name:
// either its set-up data with the running totals started again, or all of
// its data.
//
// The copy is written into a folder beside the destination (".<name>.copying",
// held by a lock while a copy runs) and renamed to the destination only when
// every file is complete: a copy that fails or whose process dies never
// leaves a folder under the destination's name. A later copy finds the
// leftover folder unlocked and starts it again.
//
// Every data file is copied record by record through the record manager,
// never byte by byte: a file that a station has open keeps its last commits
// in the database's log beside it, and a byte copy of the file alone would
// lose them (or catch a page being written back). A station writing while
// the copy runs gets its records into the copy when they were committed
// before the copy read that file.
#include "extensions/company/company.h"
#include "extensions/company/copy_company_testing.h"
#include "extensions/company/session_steps.h"
#include "extensions/company/services.h"

#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/records/running_totals.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/table.h"
#include "bwps/versions.h"
#include "fx.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace bwps1;
using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

// ---- folders and sizes ----

std::string JoinPath(const std::string& folder, const std::string& name)
{
    std::string p = folder;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p.empty() ? name : p + "/" + name;
}

std::string NoEnd(std::string folder)
{
    folder = Trim(folder.c_str());
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// The catalogue files that lie in a company folder: every kind but the
// base, dictionary and accounting folders, and the shared files when the
// store is interfaced (they are the accounting company's then).
bool LiesInCompanyFolder(int file)
{
    const int kind = DataFileKind(file);
    if (kind < 0 || kind == FOLDER_BASE || kind == FOLDER_DICTIONARY || kind == FOLDER_ACCOUNTING)
        return false;
    if (kind == FOLDER_SHARED && IsInterfaced()) return false;
    return !CatalogueFileName(file).empty();
}

template <class F>
void ForEachCatalogueFile(F&& f)
{
    for (int file = 1; DataFileKind(file) != -1; ++file)
        if (LiesInCompanyFolder(file)) f(file);
}

bool FolderHoldsDataFiles(const std::string& folder)
{
    bool found = false;
    ForEachCatalogueFile([&](int file) {
        std::error_code ec;
        if (!found && fs::exists(JoinPath(folder, CatalogueFileName(file)), ec)) found = true;
    });
    return found;
}

// The register detail files of a folder ("reg*.db", any case).
std::vector<std::string> RegisterFiles(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        std::string name = e.path().filename().string();
        std::string lower = name;
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (lower.size() > 6 && lower.rfind("reg", 0) == 0 &&
            lower.compare(lower.size() - 3, 3, ".db") == 0 && e.is_regular_file(ec))
            names.push_back(name);
    }
    return names;
}

uint64_t FileSize(const std::string& path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    uint64_t total = ec ? 0 : size;
    const auto wal = fs::file_size(path + "-wal", ec);
    if (!ec) total += wal;
    return total;
}

// The bytes a copy of the company needs: its data files and its register
// detail files (with the database logs beside them).
uint64_t CompanyDataSize(const std::string& folder)
{
    uint64_t total = 0;
    ForEachCatalogueFile([&](int file) { total += FileSize(JoinPath(folder, CatalogueFileName(file))); });
    for (const std::string& name : RegisterFiles(folder)) total += FileSize(JoinPath(folder, name));
    return total;
}

// Free bytes on the drive that will hold the folder (the nearest folder on
// the way up that exists); false when the disk cannot be asked.
bool FreeSpaceFor(const std::string& folder, uint64_t* free)
{
    fs::path p(folder);
    std::error_code ec;
    while (!p.empty() && p != p.root_path() && !fs::exists(p, ec)) p = p.parent_path();
    uint64_t total = 0;
    return FxDiskSpace(p.empty() ? "/" : p.c_str(), &total, free) == 0;
}

std::string Grouped(uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

void SetText(char* field, size_t size, const std::string& text)
{
    std::memset(field, 0, size);
    std::strncpy(field, text.c_str(), size - 1);
}

// ---- one data file, record by record ----

constexpr int kSpecRecordLength = 0;
constexpr int kSpecPageSize = 2;
constexpr int kSpecKeyCount = 4;
constexpr int kSpecFlags = 10;
constexpr int kSegmentFlags = 4;
constexpr int kMaxRecord = 65535;
// Operations named in error reports (the record manager's call numbers).
constexpr int kStatOperation = 15;
constexpr int kCreateOperation = 14;
constexpr int kSupIndexOperation = 31;

uint16_t U16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Closes a record-manager handle at the end of a scope.
struct Handle {
    uint16_t id = 0;
    ~Handle()
    {
        if (id) BtrCloseFile(id);
    }
};

// Copies the data file at `from` to `to` (replaced): the same record
// length, flags and keys (supplemental keys made again as such), every
// record in physical order. 0 or the record-manager status (reported).
int CopyDataFileRecords(const std::string& from, const std::string& to)
{
    Handle source;
    int status = BtrOpenFile(&source.id, from.c_str(), 0, 0);
    if (status != 0) {
        source.id = 0;
        ReportError(status, B_OPEN_REPORT, 0, from.c_str());
        return status;
    }
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER);
    if ((status = BtrStat(source.id, stat.data())) != 0) {
        ReportError(status, kStatOperation, 0, from.c_str());
        return status;
    }
    uint8_t spec[FILE_SPEC_SIZE] = {};
    std::memcpy(spec + kSpecRecordLength, stat.data() + kSpecRecordLength, 2);
    std::memcpy(spec + kSpecPageSize, stat.data() + kSpecPageSize, 2);
    std::memcpy(spec + kSpecFlags, stat.data() + kSpecFlags, 2);
    const int keys = stat[kSpecKeyCount];
    std::vector<uint8_t> primary;                  // keys of the file
    std::vector<std::vector<uint8_t>> supplemental;  // keys added later
    int primaryKeys = 0;
    const uint8_t* segment = stat.data() + FILE_SPEC_SIZE;
    const uint8_t* end = stat.data() + stat.size();
    for (int k = 0; k < keys && segment + KEY_SEGMENT_SIZE <= end; ++k) {
        std::vector<uint8_t> key;
        for (;;) {
            key.insert(key.end(), segment, segment + KEY_SEGMENT_SIZE);
            const bool more = (U16(segment + kSegmentFlags) & KF_SEGMENTED) != 0;
            segment += KEY_SEGMENT_SIZE;
            if (!more || segment + KEY_SEGMENT_SIZE > end) break;
        }
        if (U16(key.data() + kSegmentFlags) & KF_SUPPLEMENTAL) {
            supplemental.push_back(std::move(key));
        } else {
            primary.insert(primary.end(), key.begin(), key.end());
            ++primaryKeys;
        }
    }
    spec[kSpecKeyCount] = static_cast<uint8_t>(primaryKeys);
    primary.resize(primary.size() + KEY_SEGMENT_SIZE, 0);

    for (const char* extra : {"", "-wal", "-shm"}) ::unlink((to + extra).c_str());
    if ((status = BtrCreateFile(to.c_str(), spec, primary.data())) != 0) {
        ReportError(status, kCreateOperation, 0, to.c_str());
        return status;
    }
    Handle target;
    if ((status = BtrOpenFile(&target.id, to.c_str(), 0, 0)) != 0) {
        target.id = 0;
        ReportError(status, B_OPEN_REPORT, 0, to.c_str());
        return status;
    }
    for (std::vector<uint8_t>& key : supplemental) {
        for (size_t at = 0; at < key.size(); at += KEY_SEGMENT_SIZE) {
            uint16_t flags = U16(key.data() + at + kSegmentFlags);
            flags = static_cast<uint16_t>(flags & ~KF_SUPPLEMENTAL);
            std::memcpy(key.data() + at + kSegmentFlags, &flags, 2);
        }
        if ((status = BtrCreateSupIndex(target.id, static_cast<int>(key.size()), key.data())) != 0) {
            ReportError(status, kSupIndexOperation, 0, to.c_str());
            return status;
        }
    }

    // The new file's records are written in one transaction: all or none.
    const bool inTransaction = BtrTransaction(B_BEGIN_TRAN) == 0;
    std::vector<uint8_t> buffer(kMaxRecord);
    uint8_t key[256] = {};
    int op = B_STEP_FIRST;
    for (;;) {
        status = BtrGet(op, source.id, key, buffer.data(), kMaxRecord);
        if (status == B_END_OF_FILE) {
            status = 0;
            break;
        }
        if (status != 0) {
            ReportError(status, op, 0, from.c_str());
            break;
        }
        const int length = BtrCall218(source.id);
        if ((status = BtrWrite(B_INSERT, target.id, nullptr, buffer.data(), length)) != 0) {
            ReportError(status, B_INSERT, 0, to.c_str());
            break;
        }
        op = B_STEP_NEXT;
    }
    if (inTransaction) {
        if (status == 0) {
            status = BtrTransaction(B_END_TRAN);
            if (status != 0) ReportError(status, B_END_TRAN, 0, to.c_str());
        } else {
            BtrTransaction(B_ABORT_TRAN);
        }
    }
    return status;
}

// Copies a data file; a file the record manager does not know as one of
// its own is copied as it stands.
bool CopyOneFile(const std::string& from, const std::string& to)
{
    uint16_t probe = 0;
    const int status = BtrOpenFile(&probe, from.c_str(), 0, 0);
    if (status == 0) BtrCloseFile(probe);
    if (status == B_NOT_A_RECORD_FILE) return FxFileCopy(to.c_str(), from.c_str()) == 0;
    return CopyDataFileRecords(from, to) == 0;
}

// ---- the set-up reset ----

// Runs the reset over every record of the copied file (key-0 order).
bool ApplyToAllRecords(const std::string& folder, const bwps::records::TotalsReset& reset)
{
    const std::string path = JoinPath(folder, CatalogueFileName(bwps::No(reset.file)));
    Table table;
    Status status = table.OpenPath(reset.file, path.c_str(), 256);
    if (!status.Ok()) {
        ReportError(status, path.c_str());
        return false;
    }
    std::vector<unsigned char> record(kMaxRecord);
    KeyBuffer key;
    for (status = table.Get(B_GET_FIRST, key.data(), record.data(), kMaxRecord); status.Ok();
         status = table.Get(B_GET_NEXT, key.data(), record.data(), kMaxRecord)) {
        const int length = BtrCall218(table.Handle());
        bwps::records::ResetTotals(reset, record.data(), static_cast<size_t>(length));
        const Status written = table.Write(B_UPDATE, record.data(), length, &key);
        if (!written.Ok()) {
            ReportError(written, path.c_str());
            return false;
        }
    }
    if (!status.Is(B_END_OF_FILE)) {
        ReportError(status, path.c_str());
        return false;
    }
    return true;
}

void PutKey(char (&key)[GENERAL_KEY_SIZE], const char* name)
{
    std::memset(key, ' ', GENERAL_KEY_SIZE - 1);
    std::memcpy(key, name, std::strlen(name));
    key[GENERAL_KEY_SIZE - 1] = 0;
}

// The copy's general settings: a fresh company record, an empty password
// record and the last-used numbers from 0.
bool ResetCopiedSettings(const std::string& folder)
{
    const std::string path = JoinPath(folder, CatalogueFileName(bwps::No(FileNo::General)));
    Table general;
    Status status = general.OpenPath(FileNo::General, path.c_str(), 1024);
    if (!status.Ok()) {
        ReportError(status, path.c_str());
        return false;
    }
    TagCompanyRecord company;
    BuildCompanyRecord(&company);
    PasswordsRecord passwords{};
    PutKey(passwords.Key, "0Passwords");
    TagLastNumbers numbers{};

    struct Replace {
        const char* name;
        void* record;
        int length;
        bool whole;  // replaced whole; else only the counters
    };
    for (const Replace& r : {Replace{"0Company", &company, sizeof company, true},
                             Replace{"0Passwords", &passwords, sizeof passwords, true},
                             Replace{"0lastnumbers", &numbers, sizeof numbers, false}}) {
        char text[GENERAL_KEY_SIZE];
        PutKey(text, r.name);
        KeyBuffer key;
        key.Set(text);
        std::vector<unsigned char> stored(kMaxRecord);
        status = general.Get(B_GET_EQUAL, key.data(), stored.data(), kMaxRecord);
        if (status.Ok()) {
            if (!r.whole) {
                TagLastNumbers kept;
                std::memcpy(&kept, stored.data(), sizeof kept);
                std::memset(kept.Counters, 0, sizeof kept.Counters);
                std::memcpy(r.record, &kept, sizeof kept);
            }
            status = general.Write(B_UPDATE, r.record, r.length, &key);
        } else if (status.Is(B_KEY_NOT_FOUND) && r.whole) {
            status = general.Write(B_INSERT, r.record, r.length, &key);
        } else if (status.Is(B_KEY_NOT_FOUND)) {
            continue;  // no numbers were ever used
        }
        if (!status.Ok()) {
            ReportError(status, path.c_str());
            return false;
        }
    }
    return true;
}

// ---- the copies ----

constexpr FileNo kSetupFiles[] = {
    FileNo::Accounts,        FileNo::Customers,       FileNo::Products,      FileNo::Services,
    FileNo::Salespersons,    FileNo::TaxTable,        FileNo::General,       FileNo::CustomerAddresses,
    FileNo::Terms,           FileNo::MessageCodes,    FileNo::PriceBook,     FileNo::BillingCodes,
    FileNo::Assemblies,      FileNo::Tenders,         FileNo::QueryColumns,  FileNo::QueryExpressions,
    FileNo::QueryHeaders,    FileNo::ReportFields,    FileNo::ReportHeaders, FileNo::ReportTexts,
    FileNo::CustomerFields,  FileNo::VendorFields,    FileNo::ProductFields, FileNo::ServiceFields,
    FileNo::Units,           FileNo::AlternateProducts,
};

// A new company's empty files and settings in the folder.
bool StartCopyFolder(const std::string& folder)
{
    std::error_code ec;
    if (fs::exists(JoinPath(folder, CatalogueFileName(bwps::No(FileNo::General))), ec)) return false;
    if (CreateMissingFiles(folder.c_str()) != 0 ||
        SeedCompanySettingsRecords(folder.c_str(), nullptr) != 0)
        return false;
    SetDataFolders(folder.c_str());
    ReloadSysInterface();
    return true;
}

bool CopyTemplateFiles(const std::string& source, const std::string& target)
{
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(source, ec)) {
        std::string name = e.path().filename().string();
        std::string lower = name;
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (lower.size() < 5 || lower.compare(lower.size() - 4, 4, ".ipt") != 0) continue;
        if (FxFileCopy(JoinPath(target, name).c_str(), e.path().c_str()) != 0) return false;
    }
    return true;
}

bool CopySetupData(const std::string& source, const std::string& target, FxStatus* window)
{
    if (!StartCopyFolder(target)) return false;
    for (FileNo file : kSetupFiles) {
        if (window) FxStatusUpdate(window, 0);
        if (!LiesInCompanyFolder(bwps::No(file))) continue;
        const std::string name = CatalogueFileName(bwps::No(file));
        std::error_code ec;
        if (!fs::exists(JoinPath(source, name), ec)) continue;
        if (!CopyOneFile(JoinPath(source, name), JoinPath(target, name))) {
            ShowNumberedMessage(357);
            return false;
        }
        if (const auto* reset = bwps::records::TotalsResetOf(file)) {
            if (!ApplyToAllRecords(target, *reset)) return false;
        }
        if (file == FileNo::General && !ResetCopiedSettings(target)) return false;
    }
    return CopyTemplateFiles(source, target);
}

bool CopyAllData(const std::string& source, const std::string& target, FxStatus* window)
{
    if (!StartCopyFolder(target)) return false;
    bool ok = true;
    ForEachCatalogueFile([&](int file) {
        if (!ok) return;
        if (window) FxStatusUpdate(window, 0);
        const std::string name = CatalogueFileName(file);
        std::error_code ec;
        if (!fs::exists(JoinPath(source, name), ec)) return;
        if (!CopyOneFile(JoinPath(source, name), JoinPath(target, name))) {
            ShowNumberedMessage(357);
            ok = false;
        }
    });
    for (const std::string& name : RegisterFiles(source)) {
        if (!ok) break;
        if (window) FxStatusUpdate(window, 0);
        if (!CopyOneFile(JoinPath(source, name), JoinPath(target, name))) {
            ShowNumberedMessage(357);
            ok = false;
        }
    }
    return ok && CopyTemplateFiles(source, target);
}

// ---- the folder written aside ----

// The folder beside the destination that a copy is written into, held
// (flock on a file in it) while the copy runs. A lock that no process
// holds marks the remains of a copy that died: they are removed.
class AsideFolder {
public:
    explicit AsideFolder(const std::string& destination)
    {
        const fs::path d(destination);
        path_ = (d.parent_path() / ("." + d.filename().string() + ".copying")).string();
    }
    ~AsideFolder()
    {
        if (fd_ >= 0) {
            if (!kept_) {
                std::error_code ec;
                fs::remove_all(path_, ec);
            }
            ::close(fd_);
        }
    }
    AsideFolder(const AsideFolder&) = delete;
    AsideFolder& operator=(const AsideFolder&) = delete;

    // 0 held, 1 another copy holds it, 2 it cannot be made.
    int Take()
    {
        std::error_code ec;
        fs::create_directories(path_, ec);
        if (!fs::is_directory(path_, ec)) return 2;
        const std::string lock = JoinPath(path_, ".lock");
        fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return 2;
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd_);
            fd_ = -1;
            return 1;
        }
        // Whatever a copy that died left in it goes.
        for (const auto& e : fs::directory_iterator(path_, ec))
            if (e.path().filename() != ".lock") fs::remove_all(e.path(), ec);
        return 0;
    }
    const std::string& path() const { return path_; }

    // Gives the folder its final name; false when it cannot.
    bool Publish(const std::string& destination)
    {
        ::unlink(JoinPath(path_, ".lock").c_str());
        std::error_code ec;
        if (fs::is_directory(destination, ec) && fs::is_empty(destination, ec))
            fs::remove(destination, ec);
        if (::rename(path_.c_str(), destination.c_str()) != 0) return false;
        kept_ = true;
        const int dir = ::open(fs::path(destination).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return true;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

// The session's data folder, put back when the copy ends however it ends.
class KeptFolders {
public:
    KeptFolders() : data_(DataPath()) {}
    ~KeptFolders()
    {
        SetDataPath(data_.c_str());
        SetDataFolders(DataPath());
        ReloadSysInterface();
    }
    KeptFolders(const KeptFolders&) = delete;
    KeptFolders& operator=(const KeptFolders&) = delete;

private:
    std::string data_;
};

// "RSErrCreateFileRequirements": both numbers, until a key.
void ShowSpaceRequirements(uint64_t needed, uint64_t free)
{
    FxContext fx{};
    FxWindow window{};
    FxAppBegin(&fx);
    if (FxWindowCreate(&window, 8, 10, 8 + 8 - 1, 10 + 60 - 1, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&window, "RSErrCreateFileRequirements");
        char line[80];
        std::snprintf(line, sizeof line, "%ld", static_cast<long>(needed));
        FxWindowText(&window, 2, 2, 0, "Disk space required", 0);
        FxWindowText(&window, 2, 26, 0, line, 0);
        std::snprintf(line, sizeof line, "%ld", static_cast<long>(free));
        FxWindowText(&window, 3, 2, 0, "Disk space available", 0);
        FxWindowText(&window, 3, 26, 0, line, 0);
        int32_t key = 0;
        FxKeyRead(&key, 1, 0);
        FxWindowClose(&window, 1);
    }
    FxAppEnd(&fx);
}

} // namespace

// ---- exported steps ----

namespace {
struct SpaceContext {
    FxContext fx;
    FxForm form;
    FxWindow window;
    bool goOn = false;
};
int OnGoOn(void* context)
{
    static_cast<SpaceContext*>(context)->goOn = true;
    return FX_LEAVE;
}
} // namespace

BWPS1_API int CheckCopyDestinationSpace(int64_t needed, int64_t free)
{
    enum { kNeeded = 1, kFree = 2 };
    static constexpr std::array<ScreenField, 3> kFields{{
        bwps::Field(kNeeded, 3, 30, "%-15s").DisplayOnly(),
        bwps::Field(kFree, 4, 30, "%-15s").DisplayOnly(),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    SpaceContext c{};
    FxForm& form = c.form;
    FxWindow& window = c.window;
    FxAppBegin(&c.fx);
    if (FxFormLoad(&form, fields.data(), 0) != 0 &&
        FxWindowCreate(&window, 10, 20, 10 + 14 - 1, 20 + 60 - 1, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&window, "RSCopyDestSpaceReq");
        SetupStandardScreen(&form, 0, 0);
        FxSetKeyHandler(&form, FX_KEY_F10, OnGoOn);
        FxWindowAttachForm(&window, &form, 0);
        FxWindowText(&window, 3, 2, 0, "Disk space required", 0);
        FxWindowText(&window, 4, 2, 0, "Disk space available", 0);
        FxFieldSet(&form, kNeeded, Grouped(static_cast<uint64_t>(needed)).c_str());
        FxFieldSet(&form, kFree, Grouped(static_cast<uint64_t>(free)).c_str());
        FxAppRun(&c.fx, 0);
        FxWindowClose(&window, 1);
    }
    FxAppEnd(&c.fx);
    return c.goOn ? 0 : ExitCancelled;
}

namespace {

enum { kNewName = 1, kNewFolder = 2, kCopyMode = 3 };

struct SystemIdContext {
    FxContext fx;
    FxForm form;
    FxWindow window;
    bool accepted = false;
};

int OnAcceptSystemId(void* context)
{
    auto& c = *static_cast<SystemIdContext*>(context);
    if (Trim(FxFieldGet(&c.form, kNewName)).empty()) {
        ShowNumberedMessage(197);
        FxFocusField(&c.form, kNewName);
        return FX_STAY_FOCUSED;
    }
    char normalised[FOLDER_BUFFER_SIZE] = {};
    const int problem =
        CheckFolderTextProblem(Trim(FxFieldGet(&c.form, kNewFolder)).c_str(), normalised, sizeof normalised);
    if (problem != FOLDER_TEXT_OK) {
        ShowNumberedMessage(problem == FOLDER_TEXT_EMPTY     ? 195
                            : problem == FOLDER_TEXT_PROGRAM ? 355
                                                             : 325);
        FxFocusField(&c.form, kNewFolder);
        return FX_STAY_FOCUSED;
    }
    FxFieldSet(&c.form, kNewFolder, normalised);
    c.accepted = true;
    return FX_LEAVE;
}

} // namespace

BWPS1_API int EditCopySystemId(void* record168, int* copyMode)
{
    static constexpr std::array<ScreenField, 4> kFields{{
        bwps::Field(kNewName, 1, 27, "%-18s"),
        bwps::Field(kNewFolder, 2, 27, "%-143s"),
        bwps::Field(kCopyMode, 3, 27, "%-10sm").Choices("\001Set-up,All data"),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    SystemIdContext c{};
    FxAppBegin(&c.fx);
    if (FxFormLoad(&c.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&c.window, 8, 6, 8 + 7 - 1, 6 + 68 - 1, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&c.window, "RSEditSystemId");
        SetupStandardScreen(&c.form, 0, 0);
        FxSetKeyHandler(&c.form, FX_KEY_F10, OnAcceptSystemId);
        FxWindowAttachForm(&c.window, &c.form, 0);
        FxWindowText(&c.window, 1, 2, 0, "New Company Name", 0);
        FxWindowText(&c.window, 2, 2, 0, "New Data Files Folder", 0);
        FxWindowText(&c.window, 3, 2, 0, "Copy", 0);
        FxChoiceSet(&c.form, kCopyMode, 1);
        FxAppRun(&c.fx, 0);
        if (c.accepted) {
            auto* record = static_cast<CompanyListRecord*>(record168);
            SetText(record->CompanyId, sizeof record->CompanyId, Trim(FxFieldGet(&c.form, kNewName)));
            SetText(record->Folder, sizeof record->Folder, NoEnd(FxFieldGet(&c.form, kNewFolder)));
            if (copyMode) *copyMode = FxChoiceGet(&c.form, kCopyMode) == 1 ? 0 : 1;
        }
        FxWindowClose(&c.window, 1);
    }
    FxAppEnd(&c.fx);
    return c.accepted ? 1 : 0;
}

BWPS1_API int CopyCompanyToFolder(const char* sourceFolder, const char* name, const char* folder,
                                  int copyMode, uint16_t listHandle)
{
    const std::string source = NoEnd(sourceFolder ? sourceFolder : "");
    const std::string target = NoEnd(folder ? folder : "");
    if (source.empty() || WalkFolderDataFiles(source.c_str(), nullptr) == 0) {
        ShowNumberedMessage(1227);
        return ExitCancelled;
    }
    if (target.empty() || name == nullptr || Trim(name).empty()) return ExitCancelled;

    const uint64_t needed = CompanyDataSize(source);
    uint64_t free = 0;
    if (!FreeSpaceFor(target, &free)) {
        ShowNumberedMessage(355);
        return ExitCancelled;
    }
    if (free < needed) {
        ShowSpaceRequirements(needed, free);
        return ExitCancelled;
    }
    if (CheckCopyDestinationSpace(static_cast<int64_t>(needed), static_cast<int64_t>(free)) != 0)
        return ExitCancelled;

    // The destination: a new folder, or an empty one.
    std::error_code ec;
    if (FolderHoldsDataFiles(target) || (fs::exists(target, ec) && !(fs::is_directory(target, ec) &&
                                                                    fs::is_empty(target, ec)))) {
        ShowNumberedMessage(359);
        return ExitCancelled;
    }
    ReloadSysInterface();
    AsideFolder aside(target);
    const int taken = aside.Take();
    if (taken == 1) {
        ShowTextMessage("A copy into this folder is under way at another station.");
        return ExitCancelled;
    }
    if (taken != 0) {
        ShowNumberedMessage(361);
        return ExitCancelled;
    }

    bool ok = false;
    {
        KeptFolders kept;
        FxStatus* window = FxStatusOpen("RSMsgCopyFiles", 0);
        ok = copyMode == 0 ? CopySetupData(source, aside.path(), window)
                           : CopyAllData(source, aside.path(), window);
        if (window) FxStatusClose(window);
    }
    if (ok && !aside.Publish(target)) {
        ShowNumberedMessage(361);
        ok = false;
    }
    if (!ok) {
        ShowNumberedMessage(357);
        return ExitCancelled;
    }
    if (listHandle != 0) {
        const int status = AddCompanyToList(listHandle, name, target.c_str());
        if (status != 0) {
            ReportError(Status{status, B_INSERT, FileNo::CompanyIds}, nullptr);
            return status;
        }
    }
    return 0;
}

// ---- the "Copy Company" list ----

namespace {

struct CopyListContext {
    FxContext fx;
    FxForm form;
    FxWindow window;
    uint16_t handle = 0;
    uint8_t colours[COLOR_SET_SIZE] = {};
    TagLookUp lookup{};
    TagLookUpData data{};
    CompanyListRecord record{};
    uint8_t work[32] = {};
};

CopyListContext* g_copyList = nullptr;

bool CompanyNameListed(uint16_t handle, const std::string& name)
{
    int keyNumber = 0, second = 0;
    BtrGetDefaults(handle, &keyNumber, &second);
    BtrSetDefaults(handle, 2, -1);
    char key[256] = {};
    std::strncpy(key, name.c_str(), 18);
    CompanyListRecord r;
    const int status = BtrGet(B_GET_EQUAL, handle, key, &r, sizeof r);
    BtrSetDefaults(handle, keyNumber, second);
    if (status == 0) {
        ShowTextMessage("Company name already exist.");
        return true;
    }
    if (status != B_KEY_NOT_FOUND && status != B_END_OF_FILE)
        ReportError(Status{status, B_GET_EQUAL, FileNo::CompanyIds}, nullptr);
    return false;
}

// Enter on a company of the list.
int CopyCompanyJob(TagLookUp* lookup)
{
    CompanyListRecord source;
    std::memcpy(&source, lookup->Data->Record, sizeof source);
    const std::string folder = NoEnd(source.Folder);
    if (WalkFolderDataFiles(folder.c_str(), nullptr) == 0) {
        ShowNumberedMessage(1227);
        return FX_STAY;
    }
    CompanyListRecord copy{};
    int mode = 0;
    if (!EditCopySystemId(&copy, &mode)) return FX_STAY;
    if (CompanyNameListed(g_copyList->handle, Trim(copy.CompanyId))) return FX_STAY;
    // The list handle is the dialog's: the copy is listed through a handle
    // of its own.
    if (CopyCompanyToFolder(folder.c_str(), copy.CompanyId, copy.Folder, mode, 0) != 0)
        return FX_STAY;
    uint16_t handle = 0;
    int created = 0;
    int status = OpenCompanyList(&handle, BasePath(), 0, &created);
    if (status != 0) {
        ReportError(Status{status, B_OPEN_REPORT, FileNo::CompanyIds}, nullptr);
        return FX_STAY;
    }
    status = AddCompanyToList(handle, copy.CompanyId, copy.Folder);
    BtrCloseFile(handle);
    if (status != 0) {
        ReportError(Status{status, B_INSERT, FileNo::CompanyIds}, nullptr);
        return FX_STAY;
    }
    ShowNumberedMessage(1229);
    return LK_ANSWER_REFRESH;
}

} // namespace

BWPS1_API int CopyCompany(void)
{
    TagColumnDefinition definitions[5] = {};
    if (GetColumnDefinitions(GetDataFileName(bwps::No(FileNo::CompanyIds)), static_cast<int>(sizeof definitions),
                             definitions, 2, 4, 1, 3, -1) != 0)
        return 1;
    TagLookUpField columns[5] = {};
    std::memcpy(columns, definitions, 4 * sizeof(TagLookUpField));
    for (int i = 0; i < 4; ++i) {
        columns[i].Offset2 = 0;
        columns[i].Align = 0;
    }
    CopyListContext c{};
    int created = 0;
    int status = OpenCompanyList(&c.handle, BasePath(), 0, &created);
    if (status != 0) {
        ReportError(Status{status, B_OPEN_REPORT, FileNo::CompanyIds}, nullptr);
        return 1;
    }
    FxAppBegin(&c.fx);
    if (FxWindowCreate(&c.window, 3, 0, 3 + 10 - 1, 0 + 78 - 1, 1, 1, ' ', " Copy Company ") == 0) {
        if (SetupStandardScreen(&c.form, 0, 0) == 0) {
            SetColorSet(c.colours, 2);
            FxWindowSetName(&c.window, "RSCopyCompany");
            FxWindowAttachForm(&c.window, &c.form, 0);
            BtrSetDefaults(c.handle, 2, -1);
            TagLookUp& l = c.lookup;
            TagLookUpData& d = c.data;
            d.FileId = static_cast<uint16_t>(bwps::No(FileNo::CompanyIds));
            d.RecordLength = sizeof(CompanyListRecord);
            d.Handle = c.handle;
            d.KeyNumber = 2;
            d.Record = &c.record;
            l.Row = 3;
            l.Column = 0;
            l.Height = 10;
            l.Width = 78;
            l.Title = " Copy Company ";
            l.SearchPrompt = "Search :";
            std::memcpy(l.Colours, c.colours, sizeof l.Colours);
            l.Columns = columns;
            l.Data = &d;
            l.WorkArea = c.work;
            l.Form = &c.form;
            l.RowAction = CopyCompanyJob;
            l.Read = LookUpReadRecordCallback;
            l.ReadAtPosition = LookUpReadAtPositionCallback;
            l.Search = LookUpReadSearchCallback;
            const auto* current = static_cast<const CompanyListRecord*>(CompanyRecord());
            const std::string start = Trim(current->CompanyId);
            std::snprintf(d.KeyBuffer, sizeof d.KeyBuffer, "%s", start.c_str());
            l.StartMode = start.empty() ? LK_START_FIRST : LK_START_SEARCH;
            g_copyList = &c;
            LookUpProcessDlg(&l, 6);
            g_copyList = nullptr;
        }
        FxWindowClose(&c.window, 1);
    }
    FxAppEnd(&c.fx);
    BtrCloseFile(c.handle);
    return 0;
}

