// Helpers of the multi-process tests: forked children and pipes. A test
// forks before it opens any file (RecmanReset first), so that no child
// inherits a connection of the parent's: each child is a record-manager
// client of its own, as a second station would be.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "recman_fixture.hpp"

namespace mp {

// Length of the timed multi-process runs: short, so that CI stays fast.
constexpr int kRunMs = 2000;

inline int64_t nowMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe(fd), 0); }
    ~Pipe() {
        ::close(fd[0]);
        ::close(fd[1]);
    }
    void put(const void* p, size_t n) { (void)!::write(fd[1], p, n); }
    void put(char c) { put(&c, 1); }
    template <typename T>
    void putValue(const T& v) { put(&v, sizeof v); }
    // the next byte, or 0 after a timeout or the writer's end
    char get(int ms = 10000) {
        pollfd p{fd[0], POLLIN, 0};
        if (::poll(&p, 1, ms) != 1) return 0;
        char c = 0;
        return ::read(fd[0], &c, 1) == 1 ? c : 0;
    }
    template <typename T>
    bool getValue(T& v, int ms = 10000) {
        size_t got = 0;
        auto* b = reinterpret_cast<char*>(&v);
        while (got < sizeof v) {
            pollfd p{fd[0], POLLIN, 0};
            if (::poll(&p, 1, ms) != 1) return false;
            const ssize_t n = ::read(fd[0], b + got, sizeof v - got);
            if (n <= 0) return false;
            got += size_t(n);
        }
        return true;
    }
    void closeWrite() {
        ::close(fd[1]);
        fd[1] = -1;
    }
};

// Forks a child running `body`; its result is the exit code. The child
// ends with _exit unless `atExit` is set (then exit: the record manager's
// exit handler runs).
inline pid_t spawn(const std::function<int()>& body, bool atExit = false) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int rc = body();
        if (atExit) ::exit(rc);
        ::_exit(rc);
    }
    return pid;
}

// Waits for a child: its exit code, or 1000 + signal, or -1 after `ms`.
inline int reap(pid_t pid, int ms = 30000) {
    const int64_t end = nowMs() + ms;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        if (r < 0) return -2;
        if (nowMs() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        ::usleep(2000);
    }
}

}  // namespace mp
