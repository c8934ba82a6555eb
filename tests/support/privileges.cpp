#include "tests/support/privileges.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace bwpstest {

namespace {

int StatusOf(int raw)
{
    if (WIFEXITED(raw))
        return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw))
        return 128 + WTERMSIG(raw);
    return -1;
}

}  // namespace

bool RunningAsSuperUser()
{
    return ::geteuid() == 0;
}

bool GiveToUnprivileged(const std::string& folder)
{
    if (!RunningAsSuperUser())
        return true;
    const gid_t group = static_cast<gid_t>(kUnprivilegedId);
    if (::lchown(folder.c_str(), kUnprivilegedId, group) != 0)
        return false;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (::lchown(it->path().c_str(), kUnprivilegedId, group) != 0)
            return false;
    }
    return !ec;
}

bool DropPrivileges()
{
    if (!RunningAsSuperUser())
        return true;
    const gid_t group = static_cast<gid_t>(kUnprivilegedId);
    if (::setgroups(0, nullptr) != 0 || ::setgid(group) != 0 || ::setuid(kUnprivilegedId) != 0)
        return false;
    // The rights must be gone for good.
    return ::setuid(0) != 0 && ::geteuid() == kUnprivilegedId;
}

int RunUnprivileged(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (!DropPrivileges())
            ::_exit(126);
        ::_exit(body());
    }
    int raw = 0;
    if (::waitpid(child, &raw, 0) != child)
        return -1;
    return StatusOf(raw);
}

int RunCommandUnprivileged(const std::string& commandLine, std::string& output)
{
    output.clear();
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return -1;
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
        const int input = ::open("/dev/null", O_RDONLY);
        if (input >= 0)
            ::dup2(input, STDIN_FILENO);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::dup2(pipeEnds[1], STDERR_FILENO);
        if (!DropPrivileges())
            ::_exit(126);
        ::execl("/bin/sh", "sh", "-c", commandLine.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    std::array<char, 4096> chunk;
    for (;;) {
        const ssize_t n = ::read(pipeEnds[0], chunk.data(), chunk.size());
        if (n <= 0)
            break;
        output.append(chunk.data(), static_cast<size_t>(n));
    }
    ::close(pipeEnds[0]);
    int raw = 0;
    if (::waitpid(child, &raw, 0) != child)
        return -1;
    return StatusOf(raw);
}

}  // namespace bwpstest
