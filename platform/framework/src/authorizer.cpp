// The card authorizer as the framework sees it: a program that serves one
// folder and holds a write lock on the folder's lock file while it runs.
// The framework tells whether it runs, and starts it detached.
#include "internal.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::size_t kWorkSize = 260;
constexpr const char* kLockName = "AUTHORIZER.LCK";

std::string folderOf(const void* work) {
    if (!work) return {};
    const char* text = static_cast<const char*>(work);
    std::size_t n = ::strnlen(text, kWorkSize);
    std::string folder(text, n);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

// The process that holds the lock of the folder's lock file, or 0. A lock
// is only ever held by a live process: the system drops it when the holder
// ends, whatever the file still says.
pid_t lockHolder(const std::string& folder) {
    if (folder.empty()) return 0;
    const std::string path = folder + kLockName;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 0;
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    pid_t holder = 0;
    if (::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) holder = probe.l_pid;
    ::close(fd);
    return holder;
}

// Starts program detached (its own session, standard streams on /dev/null,
// the folder as working directory) and reaps the intermediate child, so
// that nothing is left for this process to wait for. 0 when the program
// was handed to exec (its own failure shows as the lock never coming).
int startDetached(const std::string& program, const std::string& folder) {
    pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        if (::chdir(folder.c_str()) != 0) ::_exit(127);
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            if (null > 2) ::close(null);
        }
        for (int fd = 3; fd < 1024; ++fd) ::close(fd);
        ::signal(SIGPIPE, SIG_DFL);
        ::execl(program.c_str(), program.c_str(), folder.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}

} // namespace

extern "C" {

int FxAuthorizerPrepare(void* work, const char* folder) {
    if (!work || !folder) return 0;
    std::string f = folder;
    if (f.size() > kWorkSize - 1) f.resize(kWorkSize - 1);
    std::memset(work, 0, kWorkSize);
    std::memcpy(work, f.c_str(), f.size() + 1);
    struct stat st;
    return ::stat(f.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

int FxAuthorizerRunning(void* work) {
    return lockHolder(folderOf(work)) != 0 ? 0 : 1;
}

int FxAuthorizerPid(void* work) {
    return static_cast<int>(lockHolder(folderOf(work)));
}

int FxAuthorizerStart(void* work, const char* program, int waitMs) {
    const std::string folder = folderOf(work);
    if (folder.empty() || !program || !*program) return -1;
    if (lockHolder(folder) != 0) return 0;
    if (::access(program, X_OK) != 0) {
        fx::record(std::string("authorizer not started: ") + program + " cannot be run");
        return -1;
    }
    if (startDetached(program, folder) != 0) {
        fx::record("authorizer not started: the process could not be made");
        return -1;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs < 0 ? 0 : waitMs);
    for (;;) {
        if (lockHolder(folder) != 0) return 0;
        if (std::chrono::steady_clock::now() >= until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    fx::record("authorizer started but did not take its lock in time");
    return -1;
}

} // extern "C"
