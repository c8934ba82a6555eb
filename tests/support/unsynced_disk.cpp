#include "tests/support/unsynced_disk.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

char g_folder[PATH_MAX] = {};
char g_disk[PATH_MAX] = {};
bool g_on = false;

using SyncFn = int (*)(int);

SyncFn Real(const char* name)
{
    return reinterpret_cast<SyncFn>(dlsym(RTLD_NEXT, name));
}

// The file behind `fd`, copied through `fd` itself (a second descriptor
// on a data file, once closed, would drop the process's locks on it).
void CopyOut(int fd)
{
    if (!g_on)
        return;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[PATH_MAX];
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return;
    path[n] = '\0';
    const size_t len = std::strlen(g_folder);
    if (std::strncmp(path, g_folder, len) != 0 || path[len] != '/')
        return;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return;   // a folder: names are taken as durable with their file
    std::vector<char> bytes(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t r = pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (r <= 0)
            return;
        got += static_cast<size_t>(r);
    }
    const std::string target = std::string(g_disk) + (path + len);
    const std::string tmp = target + ".sync-tmp";
    const int out = open(tmp.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0666);
    if (out < 0)
        return;
    size_t put = 0;
    while (put < bytes.size()) {
        const ssize_t w = write(out, bytes.data() + put, bytes.size() - put);
        if (w <= 0)
            break;
        put += static_cast<size_t>(w);
    }
    close(out);
    rename(tmp.c_str(), target.c_str());   // whole or not at all, also across a kill
}

}  // namespace

extern "C" int fsync(int fd)
{
    static SyncFn real = Real("fsync");
    const int rc = real(fd);
    if (rc == 0)
        CopyOut(fd);
    return rc;
}

extern "C" int fdatasync(int fd)
{
    static SyncFn real = Real("fdatasync");
    const int rc = real(fd);
    if (rc == 0)
        CopyOut(fd);
    return rc;
}

namespace testdisk {

void Mirror(const std::string& folder, const std::string& disk)
{
    fs::remove_all(disk);
    fs::create_directories(disk);
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file()) {
            const std::string name = e.path().filename().string();
            if (name.size() > 4 && name.compare(name.size() - 4, 4, "-shm") == 0)
                continue;
            fs::copy_file(e.path(), fs::path(disk) / name);
        }
    std::snprintf(g_folder, sizeof g_folder, "%s", fs::canonical(folder).string().c_str());
    std::snprintf(g_disk, sizeof g_disk, "%s", fs::canonical(disk).string().c_str());
    g_on = true;
}

void Stop()
{
    g_on = false;
}

void PowerBack(const std::string& folder, const std::string& disk)
{
    Stop();
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& e : fs::directory_iterator(disk)) {
        const std::string name = e.path().filename().string();
        if (name.find(".sync-tmp") != std::string::npos)
            continue;   // a copy cut short: the sync it stood for never returned
        fs::copy_file(e.path(), fs::path(folder) / name);
    }
    fs::remove_all(disk);
}

}  // namespace testdisk
