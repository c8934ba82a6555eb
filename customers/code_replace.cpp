// The replacement of a customer, product or service code in every file that
// holds it (see customers/code_replace.h).
#include "customers/code_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records/code_fields.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "bwps/records/sales.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "recman.h"

namespace bwps::customers {
namespace {

using records::CodeField;
using records::CodeWalk;

constexpr int kMsgCodeEmpty = 193;
constexpr int kMsgCustomerExists = 1427;
constexpr int kMsgItemExists = 535;
constexpr int kMsgTooLong = 3603;
constexpr int kMsgRegisterOpen = 501;
constexpr int kMsgRegisterWrite = 503;
constexpr int kMsgRegisterRead = 1433;
constexpr int kAccountingFolder = 3;
constexpr int kWorkLength = 4096;
constexpr const char* kCopySuffix = ".RPL";

int CodeWidth(CodeKind kind)
{
    return kind == CodeKind::Customer ? static_cast<int>(sizeof(CustomerRecord::Code))
                                      : static_cast<int>(sizeof(TagProduct::Code));
}

FileNo MasterFile(CodeKind kind)
{
    switch (kind) {
    case CodeKind::Customer:
        return FileNo::Customers;
    case CodeKind::Service:
        return FileNo::Services;
    default:
        return FileNo::Products;
    }
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// One code field of a record read into a buffer of n bytes.
struct Field {
    uint8_t* at;
    int width;
    std::string Text() const { return std::string(reinterpret_cast<const char*>(at), strnlen(reinterpret_cast<const char*>(at), static_cast<size_t>(width))); }
    // The new code, the rest of the field cleared: a key over the field
    // then equals the key of a record written with the code.
    void Put(const std::string& code) const
    {
        std::memset(at, 0, static_cast<size_t>(width));
        std::memcpy(at, code.data(), std::min(code.size(), static_cast<size_t>(width - 1)));
    }
};

class Run {
public:
    Run(CodeKind kind, const std::string& oldCode, const std::string& newCode,
        const std::function<void(const char*)>& progress)
        : kind_(kind), old_(oldCode), new_(newCode), width_(CodeWidth(kind)), progress_(progress)
    {
    }

    Status WalkTable(const CodeField& row);
    Status WalkProductReferences(Table& master);
    Status RekeyMaster(Table& master);
    bool PrepareRegisterFiles(ReplaceOutcome& outcome);
    const std::vector<std::pair<std::string, std::string>>& Copies() const { return copies_; }
    void RemoveCopies();

private:
    // Scans every record in stored order; fields(buffer, n) gives the code
    // fields to compare (ignoring case) in one record.
    template <class Fields>
    Status Scan(Table& t, Fields fields);
    // Key 0 begins with the code: each record of the old code (exactly) is
    // rewritten, then the search starts again from the old code.
    Status Keyed(Table& t);
    Status Rekey(Table& t);

    void Show(FileNo file)
    {
        if (progress_)
            progress_(GetDataFileName(No(file)));
    }

    CodeKind kind_;
    std::string old_, new_;
    int width_;
    const std::function<void(const char*)>& progress_;
    std::vector<std::pair<std::string, std::string>> copies_;  // copy, target
};

template <class Fields>
Status Run::Scan(Table& t, Fields fields)
{
    std::vector<uint8_t> buffer(kWorkLength, 0);
    KeyBuffer key;
    int op = B_STEP_FIRST;
    for (;;) {
        const Status s = t.Get(op, key.bytes, buffer.data(), kWorkLength);
        if (s.Is(B_END_OF_FILE) || s.Is(B_KEY_NOT_FOUND))
            return {};
        if (!s.Ok())
            return s;
        const int n = t.BytesRead();
        bool changed = false;
        for (const Field& f : fields(buffer.data(), n)) {
            if (SameIgnoringCase(f.Text(), old_)) {
                f.Put(new_);
                changed = true;
            }
        }
        if (changed) {
            const Status w = t.Write(B_UPDATE, buffer.data(), n, &key);
            if (!w.Ok())
                return w;
        }
        op = B_STEP_NEXT;
    }
}

Status Run::Keyed(Table& t)
{
    const Status k = t.SetKey(0);
    if (!k.Ok())
        return k;
    std::vector<uint8_t> buffer(kWorkLength, 0);
    for (;;) {
        KeyBuffer key;
        std::memcpy(key.bytes, old_.data(), old_.size());
        const Status s = t.Get(B_GET_GE, key.bytes, buffer.data(), kWorkLength);
        if (s.Is(B_END_OF_FILE) || s.Is(B_KEY_NOT_FOUND))
            return {};
        if (!s.Ok())
            return s;
        const int n = t.BytesRead();
        const Field code{buffer.data(), width_};
        if (n < width_ || code.Text() != old_)
            return {};
        code.Put(new_);
        const Status w = t.Write(B_UPDATE, buffer.data(), n, &key);
        if (!w.Ok())
            return w;
    }
}

// The one record under the code: the copy under the new code is inserted
// before the old record is deleted.
Status Run::Rekey(Table& t)
{
    std::vector<uint8_t> buffer(kWorkLength, 0);
    KeyBuffer key;
    std::memcpy(key.bytes, old_.data(), old_.size());
    Status s = t.Get(B_GET_EQUAL, key.bytes, buffer.data(), kWorkLength);
    if (s.NotFound())
        return {};
    if (!s.Ok())
        return s;
    const int n = t.BytesRead();
    Field{buffer.data(), width_}.Put(new_);
    KeyBuffer newKey;
    s = t.Write(B_INSERT, buffer.data(), n, &newKey);
    if (!s.Ok())
        return s;
    key.Clear();
    std::memcpy(key.bytes, old_.data(), old_.size());
    s = t.Get(B_GET_EQUAL, key.bytes, buffer.data(), kWorkLength);
    if (!s.Ok())
        return s;
    return t.Write(B_DELETE, buffer.data(), t.BytesRead(), &key);
}

Status Run::WalkTable(const CodeField& row)
{
    Table t;
    Status s = t.Open(row.file);
    if (!s.Ok())
        return s;
    Show(row.file);
    const int width = width_;
    auto at = [width](uint8_t* b, int n, int offset) {
        std::vector<Field> out;
        if (offset >= 0 && offset + width <= n)
            out.push_back(Field{b + offset, width});
        return out;
    };
    switch (row.walk) {
    case CodeWalk::Keyed:
        return Keyed(t);
    case CodeWalk::Rekey:
        return Rekey(t);
    case CodeWalk::TwoFields:
        return Scan(t, [&](uint8_t* b, int n) {
            auto out = at(b, n, row.offset);
            for (const Field& f : at(b, n, row.second))
                out.push_back(f);
            return out;
        });
    case CodeWalk::KeyedThenScan:
        s = Keyed(t);
        if (!s.Ok())
            return s;
        return Scan(t, [&](uint8_t* b, int n) { return at(b, n, row.second); });
    case CodeWalk::Scan:
    case CodeWalk::SalesLines:
        break;
    }
    if (kind_ == CodeKind::Customer && row.file == FileNo::SalesHeader) {
        return Scan(t, [&](uint8_t* b, int n) {
            const bool second = n > static_cast<int>(offsetof(TagSalesHdr, Type)) &&
                                SaleTypeIs(static_cast<char>(b[offsetof(TagSalesHdr, Type)]),
                                           records::kSecondCustomerDocument) != 0;
            return at(b, n, second ? static_cast<int>(offsetof(TagSalesHdr, LayawayCustomer)) : row.offset);
        });
    }
    if (kind_ == CodeKind::Customer && row.file == FileNo::ChargeHeader) {
        return Scan(t, [&](uint8_t* b, int n) {
            const bool charge = n > records::kChargeHeaderKind &&
                                (b[records::kChargeHeaderKind] == 'C' || b[records::kChargeHeaderKind] == 'G');
            return charge ? at(b, n, row.offset) : std::vector<Field>{};
        });
    }
    return Scan(t, [&](uint8_t* b, int n) { return at(b, n, row.offset); });
}

Status Run::WalkProductReferences(Table& master)
{
    Show(FileNo::Products);
    const int width = width_;
    return Scan(master, [width](uint8_t* b, int n) {
        std::vector<Field> out;
        for (int offset : {records::kProductReference1, records::kProductReference2})
            if (offset + width <= n)
                out.push_back(Field{b + offset, width});
        return out;
    });
}

Status Run::RekeyMaster(Table& master)
{
    const Status k = master.SetKey(0);
    if (!k.Ok())
        return k;
    return Rekey(master);
}

bool IsRegisterFileName(const std::string& name)
{
    if (name.size() < 6)
        return false;
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.compare(0, 3, "reg") == 0 && lower.compare(lower.size() - 3, 3, ".db") == 0;
}

std::string DataFolder()
{
    std::string folder = GetSessionPaths()->DataPath;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool WriteWhole(int fd, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0;
}

// Reads a register detail file whole; false on a read failure.
bool ReadWhole(const std::string& path, std::vector<uint8_t>& bytes, bool& opened)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    opened = fd >= 0;
    if (fd < 0)
        return false;
    bytes.clear();
    uint8_t chunk[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return ok;
}

// The register detail files that hold the code get a changed copy beside
// them; the list of copies is kept for the renames.
bool Run::PrepareRegisterFiles(ReplaceOutcome& outcome)
{
    const std::string folder = DataFolder();
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return true;  // no folder to list: no register files
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir))
        if (IsRegisterFileName(e->d_name))
            names.push_back(e->d_name);
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (progress_)
            progress_(name.c_str());
        std::vector<uint8_t> bytes;
        bool opened = false;
        if (!ReadWhole(path, bytes, opened)) {
            outcome.message = opened ? kMsgRegisterRead : kMsgRegisterOpen;
            outcome.failed = path;
            return false;
        }
        bool changed = false;
        const size_t line = static_cast<size_t>(records::kRegisterLineLength);
        for (size_t at = 0; at + line <= bytes.size(); at += line) {
            const Field code{bytes.data() + at + records::kRegisterLineCode, width_};
            if (SameIgnoringCase(code.Text(), old_)) {
                code.Put(new_);
                changed = true;
            }
        }
        if (!changed)
            continue;
        const std::string copy = path + kCopySuffix;
        const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 07777);
        const bool written = fd >= 0 && ::fchmod(fd, st.st_mode & 07777) == 0 && WriteWhole(fd, bytes);
        if (fd >= 0)
            ::close(fd);
        copies_.emplace_back(copy, path);
        if (!written) {
            outcome.message = kMsgRegisterWrite;
            outcome.failed = path;
            return false;
        }
    }
    return true;
}

void Run::RemoveCopies()
{
    for (const auto& [copy, target] : copies_)
        std::remove(copy.c_str());
    copies_.clear();
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string MarkerPath(const std::string& folder) { return folder + "/" + kReplaceMarker; }

// The marker: the run's name, then one "copy<TAB>target" line per copy.
bool WriteMarker(const std::string& folder, const std::string& run,
                 const std::vector<std::pair<std::string, std::string>>& copies)
{
    std::string text = "run " + run + "\n";
    for (const auto& [copy, target] : copies)
        text += copy + "\t" + target + "\n";
    const std::string temporary = MarkerPath(folder) + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = WriteWhole(fd, std::vector<uint8_t>(text.begin(), text.end()));
    ::close(fd);
    if (!written || std::rename(temporary.c_str(), MarkerPath(folder).c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

std::string NewRunName()
{
    static int counter = 0;
    char name[32];
    std::snprintf(name, sizeof name, "%d-%lld-%d", static_cast<int>(::getpid()),
                  static_cast<long long>(std::time(nullptr)), ++counter);
    return name;
}

Status WriteRunRecord(const std::string& run)
{
    Table general;
    Status s = general.Open(FileNo::General);
    if (!s.Ok())
        return s;
    TagReplaceRunRecord record{};
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_REPLACERUN, GENERAL_KEY_SIZE);
    s = general.Get(B_GET_EQUAL, key.bytes, &record, static_cast<int>(sizeof record));
    const bool found = s.Ok();
    if (!found && !s.Is(B_KEY_NOT_FOUND))
        return s;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.Key, GENERAL_KEY_REPLACERUN, GENERAL_KEY_SIZE);
    std::snprintf(record.Run, sizeof record.Run, "%s", run.c_str());
    return general.Write(found ? B_UPDATE : B_INSERT, &record, static_cast<int>(sizeof record), &key);
}

void RenameCopies(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& copies)
{
    for (const auto& [copy, target] : copies)
        std::rename(copy.c_str(), target.c_str());
    SyncFolder(folder);
}

// Refuses a new code that is empty, too long or taken; message 0 when free.
ReplaceOutcome CheckNewCode(CodeKind kind, Table& master, const std::string& oldCode, const std::string& newCode)
{
    ReplaceOutcome outcome;
    if (newCode.empty() || oldCode.empty()) {
        outcome.message = kMsgCodeEmpty;
        return outcome;
    }
    if (static_cast<int>(newCode.size()) > CodeWidth(kind) - 1) {
        outcome.message = kMsgTooLong;
        return outcome;
    }
    const int exists = kind == CodeKind::Customer ? kMsgCustomerExists : kMsgItemExists;
    std::vector<uint8_t> buffer(kWorkLength, 0);
    KeyBuffer key;
    std::memcpy(key.bytes, newCode.data(), newCode.size());
    Status s = master.Get(B_GET_EQUAL, key.bytes, buffer.data(), kWorkLength);
    if (s.Ok()) {
        outcome.message = exists;
        return outcome;
    }
    if (!s.Is(B_KEY_NOT_FOUND)) {
        outcome.status = s;
        return outcome;
    }
    if (kind != CodeKind::Customer) {
        // products and services share their codes
        Table other;
        s = other.Open(kind == CodeKind::Product ? FileNo::Services : FileNo::Products);
        if (s.Ok()) {
            key.Clear();
            std::memcpy(key.bytes, newCode.data(), newCode.size());
            s = other.Get(B_GET_EQUAL, key.bytes, buffer.data(), kWorkLength);
        }
        if (!s.Is(B_KEY_NOT_FOUND)) {
            if (!s.Ok())
                s.Report();
            outcome.message = exists;
            return outcome;
        }
    }
    return outcome;
}

}  // namespace

CodeKind CodeKindOfFile(int fileNumber)
{
    if (fileNumber == No(FileNo::Customers))
        return CodeKind::Customer;
    if (fileNumber == No(FileNo::Services))
        return CodeKind::Service;
    return CodeKind::Product;
}

ReplaceOutcome ReplaceCode(CodeKind kind, uint16_t masterHandle, const std::string& oldText,
                           const std::string& newText, const std::function<void(const char*)>& progress)
{
    const std::string oldCode = Trim(oldText), newCode = Trim(newText);
    Table master;
    ReplaceOutcome outcome;
    outcome.status = master.Borrow(MasterFile(kind), masterHandle);
    if (!outcome.status.Ok())
        return outcome;
    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(master.Handle(), &savedKey, &savedSecond);
    master.SetKey(0);
    struct KeyBack {
        Table& t;
        int key, second;
        ~KeyBack() { BtrSetDefaults(t.Handle(), key, second); }
    } back{master, savedKey, savedSecond};

    outcome = CheckNewCode(kind, master, oldCode, newCode);
    if (!outcome.Ok())
        return outcome;
    // the master record under the old code, held by this run to its end
    std::vector<uint8_t> buffer(kWorkLength, 0);
    KeyBuffer key;
    std::memcpy(key.bytes, oldCode.data(), std::min(oldCode.size(), sizeof key.bytes - 1));
    WriteBatch batch;
    if (!batch.Begun().Ok()) {
        outcome.status = batch.Begun();
        return outcome;
    }
    outcome.status = master.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key.bytes, buffer.data(), kWorkLength);
    if (!outcome.status.Ok())
        return outcome;

    Run run(kind, oldCode, newCode, progress);
    const bool interfaced = IsInterfacedToAccounting() != 0;
    const uint8_t wanted = kind == CodeKind::Service ? records::kServiceCodes : records::kCustomerCodes;
    auto walk = [&](const auto& table) -> bool {
        for (const CodeField& row : table) {
            if ((row.kinds & wanted) == 0)
                continue;
            const DataFileEntry* entry = GetDataFileEntry(No(row.file));
            if (entry != nullptr && entry->Kind == kAccountingFolder && !interfaced)
                continue;
            outcome.status = run.WalkTable(row);
            if (!outcome.status.Ok())
                return false;
            if (row.walk == CodeWalk::SalesLines && !run.PrepareRegisterFiles(outcome))
                return false;
        }
        return true;
    };
    bool ok = kind == CodeKind::Customer ? walk(records::kCustomerCodeFields) : walk(records::kItemCodeFields);
    if (ok && kind == CodeKind::Product) {
        outcome.status = run.WalkProductReferences(master);
        ok = outcome.status.Ok();
    }
    if (ok) {
        outcome.status = run.RekeyMaster(master);
        ok = outcome.status.Ok();
    }
    const std::string folder = DataFolder();
    const std::string runName = NewRunName();
    if (ok && !run.Copies().empty()) {
        outcome.status = WriteRunRecord(runName);
        ok = outcome.status.Ok();
        if (ok && !WriteMarker(folder, runName, run.Copies())) {
            outcome.message = kMsgRegisterWrite;
            outcome.failed = MarkerPath(folder);
            ok = false;
        }
    }
    if (!ok) {
        batch.Abort();
        run.RemoveCopies();
        std::remove(MarkerPath(folder).c_str());
        return outcome;
    }
    outcome.status = batch.Commit();
    if (!outcome.status.Ok()) {
        run.RemoveCopies();
        std::remove(MarkerPath(folder).c_str());
        return outcome;
    }
    if (!run.Copies().empty()) {
        RenameCopies(folder, run.Copies());
        std::remove(MarkerPath(folder).c_str());
        SyncFolder(folder);
    }
    return outcome;
}

bool FinishCodeReplacement(const char* dataFolder)
{
    if (dataFolder == nullptr || dataFolder[0] == '\0')
        return true;
    std::string folder = dataFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::ifstream in(MarkerPath(folder));
    if (!in)
        return true;
    std::string line;
    std::getline(in, line);
    if (line.compare(0, 4, "run ") != 0) {
        in.close();
        std::remove(MarkerPath(folder).c_str());
        return true;
    }
    const std::string runName = line.substr(4);
    std::vector<std::pair<std::string, std::string>> copies;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab != std::string::npos)
            copies.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    in.close();
    // the run committed when the general file names it
    Table general;
    const std::string path = folder + "/" + GetDataFileName(No(FileNo::General));
    Status s = general.OpenPath(FileNo::General, path.c_str());
    TagReplaceRunRecord record{};
    if (s.Ok()) {
        KeyBuffer key;
        std::memcpy(key.bytes, GENERAL_KEY_REPLACERUN, GENERAL_KEY_SIZE);
        s = general.Get(B_GET_EQUAL, key.bytes, &record, static_cast<int>(sizeof record));
    }
    if (!s.Ok() && !s.Is(B_KEY_NOT_FOUND))
        return false;  // not known yet: the marker stays for the next opening
    const bool committed = s.Ok() && runName == std::string(record.Run, strnlen(record.Run, sizeof record.Run));
    for (const auto& [copy, target] : copies) {
        struct stat st {};
        if (::stat(copy.c_str(), &st) != 0)
            continue;  // renamed already
        if (committed)
            std::rename(copy.c_str(), target.c_str());
        else
            std::remove(copy.c_str());
    }
    SyncFolder(folder);
    std::remove(MarkerPath(folder).c_str());
    SyncFolder(folder);
    return true;
}

}  // namespace bwps::customers
