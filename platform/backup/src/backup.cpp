// The backup library: archives of a data folder and their restore.
#include "backup_library.h"

#include <archive.h>
#include <archive_entry.h>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kInfoName = "BACKUP.INF";
constexpr const char* kExtension = ".tgz";
// The description lists every file; it is read whole up to this size.
constexpr size_t kInfoLimit = 16u << 20;

// ---- The description of an archive
//
// "BACKUP.INF" comes first: "kind=POS-" (or "ACCT-"), "files=N",
// "source=FOLDER", then one line a file: "file=SIZE CRC NAME" (the size in
// bytes, the CRC-32 of its bytes in 8 hex digits, its path in the folder).
// A restore takes an archive only when it holds exactly the files listed,
// each of its size and checksum.

uint32_t Crc32(uint32_t crc, const void* data, size_t size)
{
    static uint32_t table[256];
    static bool built = false;
    if (!built) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        built = true;
    }
    const auto* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ p[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

struct Listed {
    int64_t size = 0;
    uint32_t crc = 0;
};

struct Description {
    std::string kind;
    long files = -1;
    std::map<std::string, Listed> listed;
};

// False when a line is not of the form above.
bool ParseDescription(const std::string& text, Description& d, std::string& error)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.rfind("kind=", 0) == 0) {
            d.kind = line.substr(5);
        } else if (line.rfind("files=", 0) == 0) {
            char* stop = nullptr;
            d.files = std::strtol(line.c_str() + 6, &stop, 10);
            if (*stop != '\0' || d.files < 0) {
                error = "its description is damaged";
                return false;
            }
        } else if (line.rfind("file=", 0) == 0) {
            long long size = -1;
            unsigned crc = 0;
            int used = 0;
            if (std::sscanf(line.c_str() + 5, "%lld %8x %n", &size, &crc, &used) < 2 || used == 0 ||
                size < 0 || line.size() <= 5 + static_cast<size_t>(used)) {
                error = "its description is damaged";
                return false;
            }
            const std::string name = line.substr(5 + static_cast<size_t>(used));
            if (!d.listed.emplace(name, Listed{size, crc}).second) {
                error = "its description lists \"" + name + "\" twice";
                return false;
            }
        }
    }
    if (d.files != static_cast<long>(d.listed.size())) {
        error = "its description does not list its files";
        return false;
    }
    return true;
}

// The file's size and checksum, read through once.
bool Measure(const std::string& path, Listed& out, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    out = Listed{};
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        out.crc = Crc32(out.crc, buffer, static_cast<size_t>(n));
        out.size += n;
    }
    ::close(fd);
    return true;
}

// ---- The callback

struct Run {
    BackupCallbackBlock* callback;
    int kind;

    int Ask(int event, void* data) const
    {
        if (callback == nullptr || callback->prompt == nullptr)
            return BACKUP_ANSWER_GO_ON;
        return callback->prompt(kind, event, 0, data);
    }
    // An error (kind 1), a notice (2) or a question (3); the answer.
    int Message(int messageKind, const char* format, ...) const __attribute__((format(printf, 3, 4)))
    {
        BackupMessageData data{};
        data.kind = messageKind;
        va_list args;
        va_start(args, format);
        std::vsnprintf(data.text, sizeof data.text, format, args);
        va_end(args);
        return Ask(BACKUP_EVENT_MESSAGE, &data);
    }
    void Total(int total) const
    {
        BackupProgressData data{};
        data.phase = BACKUP_PHASE_TOTAL;
        data.value1 = total;
        data.which = 2;
        Ask(BACKUP_EVENT_PROGRESS, &data);
    }
    // false when the caller asked to stop.
    bool Step(int done, const std::string& text) const
    {
        BackupProgressData data{};
        data.phase = BACKUP_PHASE_STEP;
        data.value1 = done;
        data.which = 2;
        std::snprintf(data.text, sizeof data.text, "%s", text.c_str());
        return Ask(BACKUP_EVENT_PROGRESS, &data) != BACKUP_ANSWER_STOP;
    }
    void Finished(bool completed) const
    {
        BackupFlagData data{};
        data.flag = completed ? 1 : 0;
        Ask(BACKUP_EVENT_FINISHED, &data);
    }
    // A folder that is not there: asks for the disk until it is, or the
    // caller stops. make: a missing folder is made (a backup's target).
    bool Reach(const std::string& folder, bool make) const
    {
        for (;;) {
            std::error_code ec;
            if (fs::is_directory(folder, ec))
                return true;
            if (make && !IsDriveForm(folder) && fs::create_directories(folder, ec) && !ec)
                return true;
            if (make && !IsDriveForm(folder) && fs::is_directory(folder, ec))
                return true;
            char text[260];
            std::snprintf(text, sizeof text, "%s", folder.c_str());
            if (Ask(BACKUP_EVENT_NO_DISK, text) == BACKUP_ANSWER_STOP)
                return false;
        }
    }
    // "A:/": a drive named by its letter, which this system never has.
    static bool IsDriveForm(const std::string& folder)
    {
        return folder.size() >= 2 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
               folder[1] == ':';
    }
};

const char* Prefix(int kind) { return kind == BACKUP_KIND_ACCOUNTING ? "ACCT-" : "POS-"; }
const char* KindName(int kind)
{
    return kind == BACKUP_KIND_ACCOUNTING ? "accounting" : "point-of-sale";
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// The folder as a lexically normal absolute path without a final '/'.
std::string Canonical(const std::string& folder)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    std::string s = p.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

// a is b, or lies inside it.
bool Within(const std::string& a, const std::string& b)
{
    return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 &&
                      (b == "/" || a[b.size()] == '/'));
}

bool SyncPath(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
bool SyncFolder(const std::string& folder) { return SyncPath(folder, O_RDONLY | O_DIRECTORY); }

// The files of a folder, by their paths inside it, in name order. The
// record manager's shared-memory index ("-shm") is rebuilt on open and
// left out, and so are its transaction markers; links and special files
// are left out.
bool ListFiles(const std::string& root, std::vector<std::string>& out, std::string& error)
{
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end;
    if (ec) {
        error = ec.message();
        return false;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) {
            error = ec.message();
            return false;
        }
        const fs::directory_entry& e = *it;
        if (e.is_symlink(ec) || !e.is_regular_file(ec))
            continue;
        const std::string name = e.path().filename().string();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, "-shm") == 0)
            continue;
        // A transaction marker belongs to the process that made it and names
        // files by their paths here: never part of a copy.
        if (name.rfind(".recman-tx-", 0) == 0)
            continue;
        out.push_back(e.path().lexically_relative(root).string());
    }
    std::sort(out.begin(), out.end());
    return true;
}

// ---- Backup

std::string ArchiveName(int kind, const std::string& target)
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    std::string base = std::string(Prefix(kind)) + stamp;
    std::string name = base + kExtension;
    std::error_code ec;
    for (int n = 2; fs::exists(target + "/" + name, ec); ++n)
        name = base + "-" + std::to_string(n) + kExtension;
    return name;
}

bool AddFile(archive* a, const std::string& root, const std::string& relative, const Listed& listed,
             std::string& error)
{
    const std::string path = root + "/" + relative;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = relative + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    ::fstat(fd, &st);
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, relative.c_str());
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, st.st_mode & 0777);
    archive_entry_set_size(e, listed.size);
    archive_entry_set_mtime(e, st.st_mtime, 0);
    bool ok = archive_write_header(a, e) == ARCHIVE_OK;
    char buffer[65536];
    la_int64_t left = listed.size;
    uint32_t crc = 0;
    while (ok && left > 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        const ssize_t take = std::min<ssize_t>(n, static_cast<ssize_t>(left));
        crc = Crc32(crc, buffer, static_cast<size_t>(take));
        ok = archive_write_data(a, buffer, take) == take;
        left -= take;
    }
    // A file that changed after it was described fails the backup.
    if (ok && (left > 0 || crc != listed.crc || st.st_size != listed.size)) {
        error = relative + ": the file changed while it was read";
        ok = false;
    }
    if (!ok && error.empty())
        error = relative + ": " + archive_error_string(a);
    archive_entry_free(e);
    ::close(fd);
    return ok;
}

// Hidden archives of backups that were killed while they wrote: nobody
// holds them (a running backup holds its own).
void RemoveKilledBackups(int kind, const std::string& target)
{
    const std::string prefix = std::string(".") + Prefix(kind);
    const std::string middle = std::string(kExtension) + ".";
    DIR* d = ::opendir(target.c_str());
    if (d == nullptr)
        return;
    std::vector<std::string> found;
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0 && name.find(middle) != std::string::npos)
            found.push_back(target + "/" + name);
    }
    ::closedir(d);
    for (const std::string& path : found) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
        ::close(fd);
    }
}

int Backup(int kind, const char* sourceText, const char* baseText, const char* targetText,
           BackupCallbackBlock* callback)
{
    const Run run{callback, kind};
    const std::string sourceIn = Text(sourceText), targetIn = Text(targetText);
    if (sourceIn.empty() || targetIn.empty()) {
        run.Message(BACKUP_MESSAGE_ERROR, "Both folders are needed for a backup.");
        return BACKUP_FAILED;
    }
    if (!run.Reach(sourceIn, false))
        return BACKUP_STOPPED;
    const std::string source = Canonical(sourceIn);
    const std::string base = Text(baseText).empty() ? std::string() : Canonical(baseText);
    if (!Run::IsDriveForm(targetIn) && Within(Canonical(targetIn), source)) {
        run.Message(BACKUP_MESSAGE_ERROR,
                    "The backup cannot be kept inside the data folder %s: choose another folder.",
                    source.c_str());
        return BACKUP_FAILED;
    }
    if (!run.Reach(targetIn, true))
        return BACKUP_STOPPED;
    const std::string target = Canonical(targetIn);
    if (!base.empty() && (source == base || target == base)) {
        run.Message(BACKUP_MESSAGE_ERROR, "The program's shared folder %s is not a data folder.",
                    base.c_str());
        return BACKUP_FAILED;
    }

    std::vector<std::string> files;
    std::string error;
    if (!ListFiles(source, files, error)) {
        run.Message(BACKUP_MESSAGE_ERROR, "The folder %s cannot be read: %s", source.c_str(),
                    error.c_str());
        return BACKUP_FAILED;
    }
    std::vector<Listed> listed(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].find('\n') != std::string::npos) {
            run.Message(BACKUP_MESSAGE_ERROR, "The file name \"%s\" holds a line end: rename the file.",
                        files[i].c_str());
            return BACKUP_FAILED;
        }
        if (!Measure(source + "/" + files[i], listed[i], error)) {
            run.Message(BACKUP_MESSAGE_ERROR, "The file %s cannot be read: %s", files[i].c_str(),
                        error.c_str());
            return BACKUP_FAILED;
        }
    }
    RemoveKilledBackups(kind, target);
    const std::string name = ArchiveName(kind, target);
    std::string temp = target + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        run.Message(BACKUP_MESSAGE_ERROR, "The backup cannot be written into %s: %s",
                    target.c_str(), std::strerror(errno));
        return BACKUP_FAILED;
    }
    // Held while it is written: a later backup removes only the hidden
    // archives nobody holds (those of killed runs).
    ::flock(fd, LOCK_EX);
    archive* a = archive_write_new();
    archive_write_add_filter_gzip(a);
    archive_write_set_format_pax_restricted(a);
    bool ok = archive_write_open_fd(a, fd) == ARCHIVE_OK;
    if (ok) {
        std::string info = std::string("kind=") + Prefix(kind) + "\nfiles=" + std::to_string(files.size()) +
                           "\nsource=" + source + "\n";
        for (size_t i = 0; i < files.size(); ++i) {
            char head[64];
            std::snprintf(head, sizeof head, "file=%lld %08x ", static_cast<long long>(listed[i].size),
                          static_cast<unsigned>(listed[i].crc));
            info += head + files[i] + "\n";
        }
        const auto length = static_cast<la_ssize_t>(info.size());
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, kInfoName);
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0600);
        archive_entry_set_size(e, length);
        ok = archive_write_header(a, e) == ARCHIVE_OK && archive_write_data(a, info.data(), info.size()) == length;
        archive_entry_free(e);
    }
    run.Total(static_cast<int>(files.size()));
    bool stopped = false;
    for (size_t i = 0; ok && i < files.size(); ++i) {
        ok = AddFile(a, source, files[i], listed[i], error);
        if (ok && !run.Step(static_cast<int>(i + 1), files[i]))
            stopped = true;
        if (stopped)
            break;
    }
    if (archive_write_close(a) != ARCHIVE_OK && ok && !stopped) {
        ok = false;
        error = archive_error_string(a);
    }
    archive_write_free(a);
    if (ok && !stopped && ::fsync(fd) != 0) {
        ok = false;
        error = std::strerror(errno);
    }
    ::close(fd);
    if (ok && !stopped && ::rename(temp.c_str(), (target + "/" + name).c_str()) != 0) {
        ok = false;
        error = std::strerror(errno);
    }
    if (!ok || stopped) {
        ::unlink(temp.c_str());
        if (!stopped)
            run.Message(BACKUP_MESSAGE_ERROR, "The backup was not made: %s", error.c_str());
        run.Finished(false);
        return stopped ? BACKUP_STOPPED : BACKUP_FAILED;
    }
    SyncFolder(target);
    run.Finished(true);
    return BACKUP_DONE;
}

// ---- Restore

// The newest archive of the kind in the folder ("" when none).
std::string NewestArchive(int kind, const std::string& folder)
{
    std::string best;
    DIR* d = ::opendir(folder.c_str());
    if (d == nullptr)
        return best;
    const std::string prefix = Prefix(kind);
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, kExtension) != 0)
            continue;
        // Names sort by their time; "-2" after the same second's first.
        if (best.empty() || name.size() > best.size() ||
            (name.size() == best.size() && name > best))
            best = name;
    }
    ::closedir(d);
    return best.empty() ? best : folder + "/" + best;
}

// A path that stays inside the folder it is extracted into.
bool SafeName(const char* name)
{
    if (name == nullptr || name[0] == '\0' || name[0] == '/')
        return false;
    std::string part;
    for (const char* p = name;; ++p) {
        if (*p == '/' || *p == '\0') {
            if (part.empty() || part == "." || part == "..")
                return false;
            part.clear();
            if (*p == '\0')
                break;
        } else if (*p == '\\') {
            return false;
        } else {
            part += *p;
        }
    }
    return true;
}

archive* OpenArchive(const std::string& path)
{
    archive* a = archive_read_new();
    archive_read_support_filter_gzip(a);
    archive_read_support_format_tar(a);
    if (archive_read_open_filename(a, path.c_str(), 65536) != ARCHIVE_OK) {
        archive_read_free(a);
        return nullptr;
    }
    return a;
}

// Free bytes of the file system that holds the folder; false when it
// cannot be asked.
bool FreeBytes(const std::string& folder, unsigned long long& bytes)
{
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0)
        return false;
    bytes = static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
    return true;
}

// Reads the archive through: its description first, every entry a plain
// file (or folder) under a safe name, exactly the files the description
// lists, each of its size and checksum, and room for them beside the
// folder restored into. The count of files.
bool CheckArchive(int kind, const std::string& path, const std::string& room, int& files,
                  std::string& error)
{
    archive* a = OpenArchive(path);
    if (a == nullptr) {
        error = "it cannot be opened";
        return false;
    }
    files = 0;
    bool ok = true, first = true;
    Description d;
    std::map<std::string, bool> seen;
    archive_entry* e = nullptr;
    int r;
    while (ok && (r = archive_read_next_header(a, &e)) == ARCHIVE_OK) {
        const char* name = archive_entry_pathname(e);
        const mode_t type = archive_entry_filetype(e);
        if (!SafeName(name)) {
            error = std::string("it holds the unsafe name \"") + (name ? name : "") + "\"";
            ok = false;
            break;
        }
        if (type != AE_IFREG && type != AE_IFDIR) {
            error = std::string("it holds \"") + name + "\", which is not a plain file";
            ok = false;
            break;
        }
        if (archive_entry_hardlink(e) != nullptr || archive_entry_symlink(e) != nullptr) {
            error = std::string("it holds the link \"") + name + "\"";
            ok = false;
            break;
        }
        if (first) {
            first = false;
            const std::string want = std::string("kind=") + Prefix(kind) + "\n";
            std::string info;
            char buffer[65536];
            la_ssize_t n = 0;
            while ((n = archive_read_data(a, buffer, sizeof buffer)) > 0 && info.size() <= kInfoLimit)
                info.append(buffer, static_cast<size_t>(n));
            if (std::strcmp(name, kInfoName) != 0 || n < 0 || info.compare(0, want.size(), want) != 0) {
                error = std::string("it is not a backup of ") + KindName(kind) + " data";
                ok = false;
            } else if (info.size() > kInfoLimit || !ParseDescription(info, d, error)) {
                if (info.size() > kInfoLimit)
                    error = "its description is too long";
                ok = false;
            } else {
                unsigned long long total = 0, available = 0;
                for (const auto& entry : d.listed)
                    total += static_cast<unsigned long long>(entry.second.size);
                if (FreeBytes(room, available) && total > available) {
                    error = "it needs " + std::to_string(total) + " bytes and " + room + " has " +
                            std::to_string(available) + " free";
                    ok = false;
                }
            }
            continue;
        }
        if (std::strcmp(name, kInfoName) == 0) {
            error = "it holds a second description";
            ok = false;
            break;
        }
        const auto listed = d.listed.find(name);
        if (type == AE_IFREG && listed == d.listed.end()) {
            error = std::string("it holds \"") + name + "\", which its description does not list";
            ok = false;
            break;
        }
        if (type == AE_IFREG && !seen.emplace(name, true).second) {
            error = std::string("it holds \"") + name + "\" twice";
            ok = false;
            break;
        }
        const void* block;
        size_t size;
        la_int64_t offset;
        int64_t bytes = 0;
        uint32_t crc = 0;
        while ((r = archive_read_data_block(a, &block, &size, &offset)) == ARCHIVE_OK) {
            // holes read as zeros
            static const char zeros[4096] = {};
            while (bytes < offset) {
                const auto gap = static_cast<size_t>(std::min<int64_t>(offset - bytes, sizeof zeros));
                crc = Crc32(crc, zeros, gap);
                bytes += static_cast<int64_t>(gap);
            }
            crc = Crc32(crc, block, size);
            bytes += static_cast<int64_t>(size);
        }
        if (r != ARCHIVE_EOF) {
            error = std::string("it is damaged (") + archive_error_string(a) + ")";
            ok = false;
            break;
        }
        if (type == AE_IFREG) {
            // a hole at the end reads as zeros too
            static const char tail[4096] = {};
            while (archive_entry_size_is_set(e) && archive_entry_size(e) > bytes) {
                const auto gap = static_cast<size_t>(std::min<int64_t>(archive_entry_size(e) - bytes, sizeof tail));
                crc = Crc32(crc, tail, gap);
                bytes += static_cast<int64_t>(gap);
            }
            if (bytes != listed->second.size || crc != listed->second.crc) {
                error = std::string("\"") + name + "\" is not the file that was backed up";
                ok = false;
                break;
            }
            ++files;
        }
    }
    if (ok && r != ARCHIVE_EOF) {
        error = std::string("it is damaged (") + archive_error_string(a) + ")";
        ok = false;
    }
    if (ok && first) {
        error = "it is empty";
        ok = false;
    }
    if (ok && seen.size() != d.listed.size()) {
        for (const auto& [file, entry] : d.listed)
            if (!seen.count(file)) {
                error = "it lacks \"" + file + "\" and " + std::to_string(d.listed.size() - seen.size() - 1) +
                        " more of the " + std::to_string(d.listed.size()) + " files it lists";
                break;
            }
        ok = false;
    }
    archive_read_free(a);
    return ok;
}

bool ExtractFile(archive* a, const std::string& path, mode_t perm, std::string& error)
{
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          (perm & 0777) | 0600);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const void* block;
    size_t size;
    la_int64_t offset;
    int r;
    bool ok = true;
    while (ok && (r = archive_read_data_block(a, &block, &size, &offset)) == ARCHIVE_OK) {
        const char* p = static_cast<const char*>(block);
        while (size > 0) {
            const ssize_t n = ::pwrite(fd, p, size, offset);
            if (n <= 0) {
                error = path + ": " + std::strerror(errno);
                ok = false;
                break;
            }
            p += n;
            offset += n;
            size -= static_cast<size_t>(n);
        }
    }
    if (ok && r != ARCHIVE_EOF) {
        error = archive_error_string(a);
        ok = false;
    }
    if (ok && ::fsync(fd) != 0) {
        error = path + ": " + std::strerror(errno);
        ok = false;
    }
    ::close(fd);
    return ok;
}

void RemoveTree(const std::string& path)
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

// Left-overs of restores into the folder that were killed: the hidden
// folders beside it that only a restore makes.
void RemoveLeftovers(const std::string& target)
{
    const fs::path t(target);
    const std::string prefix = "." + t.filename().string() + ".restore-";
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(t.parent_path(), ec)) {
        const std::string name = e.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0 && e.is_directory(ec))
            RemoveTree(e.path().string());
    }
}

int Restore(int kind, const char* sourceText, const char* targetText, const char* baseText,
            BackupCallbackBlock* callback)
{
    const Run run{callback, kind};
    const std::string sourceIn = Text(sourceText), targetIn = Text(targetText);
    if (sourceIn.empty() || targetIn.empty()) {
        run.Message(BACKUP_MESSAGE_ERROR, "Both folders are needed for a restore.");
        return BACKUP_FAILED;
    }
    if (!run.Reach(sourceIn, false))
        return BACKUP_STOPPED;
    const std::string source = Canonical(sourceIn), target = Canonical(targetIn);
    const std::string base = Text(baseText).empty() ? std::string() : Canonical(baseText);
    if (target == "/" || (!base.empty() && Within(base, target))) {
        run.Message(BACKUP_MESSAGE_ERROR, "The data cannot be restored into %s.", target.c_str());
        return BACKUP_FAILED;
    }
    // The exchange of names takes the old folder away, with whatever lies
    // inside it.
    if (Within(source, target)) {
        run.Message(BACKUP_MESSAGE_ERROR,
                    "The backup in %s lies inside the folder it would replace: move it first.",
                    source.c_str());
        return BACKUP_FAILED;
    }
    const std::string archivePath = NewestArchive(kind, source);
    if (archivePath.empty()) {
        run.Message(BACKUP_MESSAGE_ERROR, "There is no backup of %s data in %s.", KindName(kind),
                    source.c_str());
        return BACKUP_FAILED;
    }
    const std::string parent = fs::path(target).parent_path().string();
    std::error_code ec;
    if (!fs::is_directory(parent, ec)) {
        run.Message(BACKUP_MESSAGE_ERROR, "The folder %s does not exist.", parent.c_str());
        return BACKUP_FAILED;
    }
    int files = 0;
    std::string error;
    if (!CheckArchive(kind, archivePath, parent, files, error)) {
        run.Message(BACKUP_MESSAGE_ERROR, "The backup %s cannot be restored: %s.",
                    archivePath.c_str(), error.c_str());
        return BACKUP_FAILED;
    }

    RemoveLeftovers(target);
    std::string temp = parent + "/." + fs::path(target).filename().string() + ".restore-XXXXXX";
    if (::mkdtemp(temp.data()) == nullptr) {
        run.Message(BACKUP_MESSAGE_ERROR, "No room for the restore beside %s: %s", target.c_str(),
                    std::strerror(errno));
        return BACKUP_FAILED;
    }
    archive* a = OpenArchive(archivePath);
    bool ok = a != nullptr, stopped = false;
    run.Total(files);
    int done = 0;
    archive_entry* e = nullptr;
    int r = ARCHIVE_OK;
    while (ok && !stopped && (r = archive_read_next_header(a, &e)) == ARCHIVE_OK) {
        const char* name = archive_entry_pathname(e);
        // Checked above; checked again, since the file may have changed.
        if (!SafeName(name)) {
            error = "an unsafe name";
            ok = false;
            break;
        }
        if (std::strcmp(name, kInfoName) == 0 && done == 0)
            continue;
        const std::string path = temp + "/" + name;
        if (archive_entry_filetype(e) == AE_IFDIR) {
            fs::create_directories(path, ec);
            continue;
        }
        if (archive_entry_filetype(e) != AE_IFREG) {
            error = "not a plain file";
            ok = false;
            break;
        }
        ok = ExtractFile(a, path, archive_entry_perm(e), error);
        if (ok && !run.Step(++done, name))
            stopped = true;
    }
    if (ok && !stopped && r != ARCHIVE_EOF) {
        error = a != nullptr ? archive_error_string(a) : "read error";
        ok = false;
    }
    if (a != nullptr)
        archive_read_free(a);
    if (ok && !stopped) {
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0)
            ::chmod(temp.c_str(), st.st_mode & 07777);
        else
            ::chmod(temp.c_str(), 0755);
        // Every folder of the restored tree reaches the disk before the
        // exchange of names makes it the company.
        for (fs::recursive_directory_iterator it(temp, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_directory(ec))
                SyncFolder(it->path().string());
        SyncFolder(temp);
    }
    if (!ok || stopped) {
        RemoveTree(temp);
        if (!stopped)
            run.Message(BACKUP_MESSAGE_ERROR, "Nothing was restored: %s", error.c_str());
        run.Finished(false);
        return stopped ? BACKUP_STOPPED : BACKUP_FAILED;
    }

    // One exchange of names: the target is the old folder or the whole
    // restored one at every moment.
    if (fs::exists(target, ec)) {
        if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) {
            error = std::strerror(errno);
            RemoveTree(temp);
            run.Message(BACKUP_MESSAGE_ERROR, "Nothing was restored: %s", error.c_str());
            run.Finished(false);
            return BACKUP_FAILED;
        }
        SyncFolder(parent);
        RemoveTree(temp);  // now the old data
    } else {
        if (::rename(temp.c_str(), target.c_str()) != 0) {
            error = std::strerror(errno);
            RemoveTree(temp);
            run.Message(BACKUP_MESSAGE_ERROR, "Nothing was restored: %s", error.c_str());
            run.Finished(false);
            return BACKUP_FAILED;
        }
        SyncFolder(parent);
    }
    run.Finished(true);
    return BACKUP_DONE;
}

}  // namespace

extern "C" {

int BWFXBackupAccounting(const char* source, const char* target, BackupCallbackBlock* callback)
{
    return Backup(BACKUP_KIND_ACCOUNTING, source, nullptr, target, callback);
}

int BWFXRestoreAccounting(const char* source, const char* target, int, BackupCallbackBlock* callback)
{
    return Restore(BACKUP_KIND_ACCOUNTING, source, target, nullptr, callback);
}

int BWFXBackupPointOfSale(const char* source, const char* base, const char* target,
                          BackupCallbackBlock* callback)
{
    return Backup(BACKUP_KIND_POINT_OF_SALE, source, base, target, callback);
}

int BWFXRestorePointOfSale(const char* source, const char* target, const char* base, int,
                           BackupCallbackBlock* callback)
{
    return Restore(BACKUP_KIND_POINT_OF_SALE, source, target, base, callback);
}

}  // extern "C"
