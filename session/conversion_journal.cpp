// The state file of a conversion and what the next open of the folder does
// with one that its process left behind (see bwps/conversion.h).
#include "bwps/conversion.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/records/general.h"
#include "bwps/reports.h"

namespace bwps::conversion {
namespace {

constexpr const char* kStateName = "CVTSTATE.TXT";
constexpr const char* kStateNew = "CVTSTATE.NEW";
constexpr const char* kLockName = "CVTSTATE.LCK";

std::string Join(const std::string& folder, const std::string& name)
{
    std::string p = folder;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p + "/" + name;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A name written into the state file: one line, no separator.
bool PlainName(const std::string& name)
{
    return !name.empty() && name.find_first_of("/\n\t ") == std::string::npos;
}

}  // namespace

Lock::Lock(const std::string& folder)
{
    const std::string path = Join(folder, kLockName);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

Lock::~Lock()
{
    if (fd_ >= 0) ::close(fd_);
}

bool WriteJournal(const std::string& folder, const Journal& journal)
{
    std::ostringstream text;
    text << "code " << journal.code << "\n";
    text << "delete " << (journal.deleteOld ? 1 : 0) << "\n";
    for (const std::string& name : journal.created) {
        if (!PlainName(name)) return false;
        text << "created " << name << "\n";
    }
    for (const std::string& name : journal.temporary) {
        if (!PlainName(name)) return false;
        text << "temporary " << name << "\n";
    }
    for (const auto& [name, backup] : journal.swapped) {
        if (!PlainName(name) || !PlainName(backup)) return false;
        text << "swapped " << name << " " << backup << "\n";
    }
    text << "end\n";
    const std::string body = text.str();
    const std::string fresh = Join(folder, kStateNew);
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = ::write(fd, body.data(), body.size()) == static_cast<ssize_t>(body.size());
    ok = ::fsync(fd) == 0 && ok;
    ::close(fd);
    if (ok) ok = std::rename(fresh.c_str(), Join(folder, kStateName).c_str()) == 0;
    if (!ok) {
        ::unlink(fresh.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

bool ReadJournal(const std::string& folder, Journal& journal)
{
    journal = Journal{};
    std::ifstream in(Join(folder, kStateName));
    if (!in) return false;
    std::string line;
    bool ended = false;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string what;
        words >> what;
        if (what == "code") {
            words >> journal.code;
        } else if (what == "delete") {
            int flag = 0;
            words >> flag;
            journal.deleteOld = flag != 0;
        } else if (what == "created" || what == "temporary") {
            std::string name;
            words >> name;
            if (!PlainName(name)) return false;
            (what == "created" ? journal.created : journal.temporary).push_back(name);
        } else if (what == "swapped") {
            std::string name, backup;
            words >> name >> backup;
            if (!PlainName(name) || !PlainName(backup)) return false;
            journal.swapped.emplace_back(name, backup);
        } else if (what == "end") {
            ended = true;
        }
    }
    return ended;
}

bool JournalExists(const std::string& folder) { return Exists(Join(folder, kStateName)); }

bool MoveDataFile(const std::string& from, const std::string& to)
{
    RemoveDataFile(to);
    if (std::rename(from.c_str(), to.c_str()) != 0) return false;
    if (Exists(from + "-wal")) std::rename((from + "-wal").c_str(), (to + "-wal").c_str());
    ::unlink((from + "-shm").c_str());
    return true;
}

void RemoveDataFile(const std::string& path)
{
    for (const char* extra : {"", "-wal", "-shm"}) ::unlink((path + extra).c_str());
    // A creation that was cut short leaves its file under "<name>.new-<pid>".
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".new-";
    if (DIR* d = ::opendir(folder.c_str())) {
        std::vector<std::string> leftovers;
        while (dirent* e = ::readdir(d))
            if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) leftovers.push_back(e->d_name);
        ::closedir(d);
        for (const std::string& name : leftovers)
            for (const char* extra : {"", "-wal", "-shm"}) ::unlink((folder + "/" + name + extra).c_str());
    }
}

void UndoConversion(const std::string& folder, const Journal& journal)
{
    for (auto it = journal.swapped.rbegin(); it != journal.swapped.rend(); ++it) {
        const std::string name = Join(folder, it->first);
        const std::string backup = Join(folder, it->second);
        if (Exists(backup)) MoveDataFile(backup, name);
    }
    for (const std::string& name : journal.temporary) RemoveDataFile(Join(folder, name));
    for (const std::string& name : journal.created) RemoveDataFile(Join(folder, name));
    SyncFolder(folder);
    ::unlink(Join(folder, kStateNew).c_str());
    ::unlink(Join(folder, kStateName).c_str());
    SyncFolder(folder);
}

void CommitConversion(const std::string& folder, const Journal& journal)
{
    for (const std::string& name : journal.temporary) RemoveDataFile(Join(folder, name));
    if (journal.deleteOld)
        for (const auto& swapped : journal.swapped) RemoveDataFile(Join(folder, swapped.second));
    SyncFolder(folder);
    ::unlink(Join(folder, kStateNew).c_str());
    ::unlink(Join(folder, kStateName).c_str());
    SyncFolder(folder);
}

bool CurrentStampInFolder(const std::string& folder)
{
    const std::string path = Join(folder, GetDataFileEntry(No(FileNo::General))->Name);
    if (!Exists(path)) return false;
    TagFilesVersion stamp{};
    return ReadFileVersionStamp(&stamp, path.c_str()) == 0 && stamp.Major == FILE_VERSION_MAJOR &&
           stamp.Minor == FILE_VERSION_MINOR;
}

Pending ResolvePending(const std::string& folder)
{
    if (folder.empty() || !JournalExists(folder)) return Pending::None;
    Lock lock(folder);
    if (!lock.Held()) return Pending::Busy;
    Journal journal;
    if (!ReadJournal(folder, journal)) {
        // Written whole by rename: a state file without its end is not ours.
        return Pending::Busy;
    }
    // The stamp is the last write of a run: with it the run was complete.
    bool swappedIn = true;
    for (const auto& swapped : journal.swapped)
        if (!Exists(Join(folder, swapped.first))) swappedIn = false;
    if (!journal.swapped.empty() && swappedIn && CurrentStampInFolder(folder)) {
        CommitConversion(folder, journal);
        return Pending::Finished;
    }
    UndoConversion(folder, journal);
    return Pending::Undone;
}

}  // namespace bwps::conversion
