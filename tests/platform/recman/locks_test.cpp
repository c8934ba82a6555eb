// Record locks between handles and between processes, update conflicts and
// durability across a killed process.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <functional>

#include "recman_fixture.hpp"

using namespace rmtest;

namespace {

constexpr int kLen = 8;

class Locks : public RecmanTest {
protected:
    void SetUp() override {
        RecmanTest::SetUp();
        a = make("l.db", kLen, {{1, 2, 0}}, 1);
        for (const char* r : {"r1 one  ", "r2 two  ", "r3 three"})
            ASSERT_EQ(BtrWrite(B_INSERT, a, nullptr, const_cast<char*>(r), kLen), 0);
        ASSERT_EQ(BtrOpenFile(&b, path("l.db").c_str(), 0, 0), 0);
    }
    // get equal on "rN" with a lock bias
    int read(uint16_t h, const char* k, int bias = 0) {
        char key[2] = {k[0], k[1]};
        return BtrGet(B_GET_EQUAL + bias, h, key, buf, kLen);
    }
    uint16_t a = 0, b = 0;
    char buf[kLen + 1] = {};
};

TEST_F(Locks, SingleRecordLockKeepsOtherHandlesOut) {
    ASSERT_EQ(read(a, "r1", B_LOCK_SINGLE_NOWAIT), 0);
    EXPECT_EQ(read(b, "r1", B_LOCK_SINGLE_NOWAIT), B_RECORD_IN_USE);
    EXPECT_EQ(read(b, "r1", B_LOCK_MULTI_NOWAIT), B_RECORD_IN_USE);
    EXPECT_EQ(read(b, "r1", B_LOCK_SINGLE_WAIT), B_DEADLOCK) << "waiting on this process's own lock would hang";
    ASSERT_EQ(read(b, "r1"), 0) << "a read without lock is served";
    EXPECT_EQ(BtrWrite(B_UPDATE, b, nullptr, buf, kLen), B_RECORD_IN_USE);
    EXPECT_EQ(BtrWrite(B_DELETE, b, nullptr, nullptr, 0), B_RECORD_IN_USE);
    EXPECT_EQ(read(a, "r1", B_LOCK_SINGLE_NOWAIT), 0) << "the holder may read it again";

    // a new single lock of the holder releases the old one
    ASSERT_EQ(read(a, "r2", B_LOCK_SINGLE_NOWAIT), 0);
    EXPECT_EQ(read(b, "r1", B_LOCK_SINGLE_NOWAIT), 0);
    EXPECT_EQ(read(a, "r1", B_LOCK_SINGLE_NOWAIT), B_RECORD_IN_USE);
    // an update releases the single lock
    ASSERT_EQ(BtrWrite(B_UPDATE, b, nullptr, buf, kLen), 0);
    EXPECT_EQ(read(a, "r1", B_LOCK_SINGLE_NOWAIT), 0);
    // unlock with a key number releases it; so does closing
    ASSERT_EQ(BtrUnlock(0, a, nullptr), 0);
    EXPECT_EQ(read(b, "r1", B_LOCK_SINGLE_NOWAIT), 0);
    ASSERT_EQ(read(a, "r3", B_LOCK_SINGLE_NOWAIT), 0);
    ASSERT_EQ(BtrCloseFile(a), 0);
    EXPECT_EQ(read(b, "r3", B_LOCK_SINGLE_NOWAIT), 0);
}

TEST_F(Locks, MultipleRecordLocksAccumulateUntilUnlocked) {
    ASSERT_EQ(read(a, "r1", B_LOCK_MULTI_NOWAIT), 0);
    uint32_t p1 = 0;
    ASSERT_EQ(BtrPosition(B_GET_DIRECT, a, &p1), 0);
    ASSERT_EQ(read(a, "r2", B_LOCK_MULTI_WAIT), 0);
    ASSERT_EQ(read(a, "r3", B_LOCK_MULTI_NOWAIT), 0);
    ASSERT_EQ(BtrWrite(B_UPDATE, a, nullptr, buf, kLen), 0);
    for (const char* k : {"r1", "r2", "r3"}) EXPECT_EQ(read(b, k, B_LOCK_SINGLE_NOWAIT), B_RECORD_IN_USE) << k;
    ASSERT_EQ(BtrUnlock(-1, a, &p1), 0);
    EXPECT_EQ(read(b, "r1", B_LOCK_SINGLE_NOWAIT), 0);
    EXPECT_EQ(read(b, "r2", B_LOCK_SINGLE_NOWAIT), B_RECORD_IN_USE);
    ASSERT_EQ(BtrUnlock(-2, a, nullptr), 0);
    EXPECT_EQ(read(b, "r2", B_LOCK_MULTI_NOWAIT), 0);
    EXPECT_EQ(read(b, "r3", B_LOCK_MULTI_NOWAIT), 0);
    EXPECT_EQ(BtrUnlock(-1, b, nullptr), B_LOCK_ERROR);
}

TEST_F(Locks, UpdateOfARecordChangedSinceItWasReadGivesConflict) {
    ASSERT_EQ(read(a, "r1"), 0);
    ASSERT_EQ(read(b, "r1"), 0);
    buf[3] = 'X';
    ASSERT_EQ(BtrWrite(B_UPDATE, b, nullptr, buf, kLen), 0);
    char mine[kLen] = {'r', '1', ' ', 'm', 'i', 'n', 'e', ' '};
    EXPECT_EQ(BtrWrite(B_UPDATE, a, nullptr, mine, kLen), B_CONFLICT);
    EXPECT_EQ(BtrWrite(B_DELETE, a, nullptr, nullptr, 0), B_CONFLICT);
    ASSERT_EQ(read(a, "r1"), 0);
    EXPECT_EQ(buf[3], 'X') << "the other handle's update stands";
    EXPECT_EQ(BtrWrite(B_UPDATE, a, nullptr, mine, kLen), 0) << "after a fresh read the update goes through";
    // a record deleted by another handle
    ASSERT_EQ(read(a, "r2"), 0);
    ASSERT_EQ(read(b, "r2"), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, b, nullptr, nullptr, 0), 0);
    EXPECT_EQ(BtrWrite(B_UPDATE, a, nullptr, buf, kLen), B_CONFLICT);
}

// ---- two processes ----------------------------------------------------------

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe(fd), 0); }
    ~Pipe() {
        ::close(fd[0]);
        ::close(fd[1]);
    }
    void put(char c) { EXPECT_EQ(::write(fd[1], &c, 1), 1); }
    // the next byte, or 0 after a timeout or the writer's end
    char get(int ms = 10000) {
        pollfd p{fd[0], POLLIN, 0};
        if (::poll(&p, 1, ms) != 1) return 0;
        char c = 0;
        return ::read(fd[0], &c, 1) == 1 ? c : 0;
    }
};

pid_t spawn(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    return pid;
}

TEST_F(Locks, LocksHoldAcrossProcessesAndDieWithTheirProcess) {
    Pipe toChild, toParent;
    const std::string file = path("l.db");
    const std::string released = path("released");
    const pid_t child = spawn([&]() -> int {
        uint16_t h = 0;
        char key[2], rec[kLen];
        if (BtrOpenFile(&h, file.c_str(), 0, 0)) return 10;
        std::memcpy(key, "r1", 2);
        if (BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, h, key, rec, kLen)) return 11;
        toParent.put('a');
        if (toChild.get() != 'x') return 12;
        BtrUnlock(-2, h, nullptr);
        toParent.put('b');
        if (toChild.get() != 'y') return 13;
        std::memcpy(key, "r3", 2);
        if (BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, h, key, rec, kLen)) return 14;
        toParent.put('c');
        ::usleep(300000);
        std::ofstream(released).close();  // made before the release: a waiter that got in early cannot see it
        BtrUnlock(-2, h, nullptr);
        if (toChild.get() != 'z') return 15;
        std::memcpy(key, "r2", 2);
        if (BtrGet(B_GET_EQUAL + B_LOCK_SINGLE_NOWAIT, h, key, rec, kLen)) return 16;
        toParent.put('d');
        for (;;) ::pause();
    });
    ASSERT_GT(child, 0);

    ASSERT_EQ(toParent.get(), 'a');
    EXPECT_EQ(read(b, "r1", B_LOCK_SINGLE_NOWAIT), B_RECORD_IN_USE);
    EXPECT_EQ(read(b, "r1", B_LOCK_MULTI_NOWAIT), B_RECORD_IN_USE);
    ASSERT_EQ(read(b, "r1"), 0);
    EXPECT_EQ(BtrWrite(B_UPDATE, b, nullptr, buf, kLen), B_RECORD_IN_USE);
    EXPECT_EQ(read(b, "r2", B_LOCK_SINGLE_NOWAIT), 0) << "only the locked record is held";
    BtrUnlock(0, b, nullptr);
    toChild.put('x');

    ASSERT_EQ(toParent.get(), 'b');
    EXPECT_EQ(read(b, "r1", B_LOCK_SINGLE_NOWAIT), 0) << "released by the other process";
    BtrUnlock(0, b, nullptr);
    toChild.put('y');

    ASSERT_EQ(toParent.get(), 'c');
    EXPECT_EQ(read(b, "r3", B_LOCK_SINGLE_WAIT), 0);
    EXPECT_TRUE(std::filesystem::exists(released)) << "the wait read blocked until the release";
    BtrUnlock(0, b, nullptr);
    toChild.put('z');

    ASSERT_EQ(toParent.get(), 'd');
    EXPECT_EQ(read(b, "r2", B_LOCK_SINGLE_NOWAIT), B_RECORD_IN_USE);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "child ended early with " << WEXITSTATUS(status);
    // A server lets the locks of a connection go once it sees the
    // connection end: a moment after the kill.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(serverStore() ? 2000 : 0);
    int st = read(b, "r2", B_LOCK_SINGLE_NOWAIT);
    while (st == B_RECORD_IN_USE && std::chrono::steady_clock::now() < until) {
        ::usleep(5000);
        st = read(b, "r2", B_LOCK_SINGLE_NOWAIT);
    }
    EXPECT_EQ(st, 0) << "the killed process's lock is gone";
}

TEST_F(Locks, AReadingRunSeesAnotherProcessesWrites) {
    for (const char* r : {"r4 four ", "r5 five ", "r6 six  "})
        ASSERT_EQ(BtrWrite(B_INSERT, a, nullptr, const_cast<char*>(r), kLen), 0);
    Pipe toChild, toParent;
    const std::string file = path("l.db");
    const pid_t child = spawn([&]() -> int {
        uint16_t h = 0;
        char key[2] = {'r', '5'}, rec[kLen];
        if (BtrOpenFile(&h, file.c_str(), 0, 0)) return 10;
        if (toChild.get() != 'x') return 11;
        if (BtrGet(B_GET_EQUAL, h, key, rec, kLen)) return 12;
        rec[3] = 'F';
        if (BtrWrite(B_UPDATE, h, nullptr, rec, kLen)) return 13;
        key[1] = '4';
        if (BtrGet(B_GET_EQUAL, h, key, rec, kLen) || BtrWrite(B_DELETE, h, nullptr, nullptr, 0)) return 14;
        if (BtrWrite(B_INSERT, h, nullptr, const_cast<char*>("r7 seven"), kLen)) return 15;
        toParent.put('a');
        return 0;
    });
    // the reader is three records into a run (rows after it read ahead) when
    // the other process updates r5, deletes r4 and adds r7
    char key[2];
    std::string seen;
    ASSERT_EQ(BtrGet(B_GET_FIRST, b, key, buf, kLen), 0);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(BtrGet(B_GET_NEXT, b, key, buf, kLen), 0);
        seen += buf[1];
    }
    toChild.put('x');
    ASSERT_EQ(toParent.get(), 'a');
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    while (BtrGet(B_GET_NEXT, b, key, buf, kLen) == 0) {
        seen += buf[1];
        if (buf[1] == '5') {
            EXPECT_EQ(buf[3], 'F') << "the other process's update is read";
        }
    }
    EXPECT_EQ(seen, "23567");
}

TEST_F(RecmanTest, AWriteThatReturnedSurvivesKillOfItsProcess) {
    const std::string file = path("d.db");
    uint16_t h = make("d.db", 16, {{1, 4, 0x100, KT_INTEGER}}, 1);
    BtrCloseFile(h);
    Pipe acks;
    const pid_t child = spawn([&]() -> int {
        uint16_t w = 0;
        if (BtrOpenFile(&w, file.c_str(), 0, 0)) return 10;
        uint8_t rec[16];
        for (int32_t i = 1;; ++i) {
            std::memset(rec, 'v', sizeof rec);
            std::memcpy(rec, &i, 4);
            if (BtrWrite(B_INSERT, w, nullptr, rec, 16)) return 11;
            if (i > 1) {  // and mark the previous record updated
                int32_t k = i - 1;
                if (BtrGet(B_GET_EQUAL, w, &k, rec, 16)) return 12;
                rec[8] = 'U';
                if (BtrWrite(B_UPDATE, w, nullptr, rec, 16)) return 13;
            }
            acks.put('+');
        }
    });
    int acked = 0;
    while (acked < 300 && acks.get() == '+') ++acked;
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(acked, 300) << "child ended with " << WEXITSTATUS(status);

    ASSERT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
    ASSERT_GE(BtrGetRecordCount(h), acked);
    uint8_t rec[16];
    for (int32_t i = 1; i <= acked; ++i) {
        int32_t k = i;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &k, rec, 16), 0) << "record " << i;
        if (i < acked) {
            EXPECT_EQ(rec[8], 'U') << "update of record " << i;
        }
    }
    // the file is whole: the key order and the physical order agree in count
    int byKey = 0, byStep = 0;
    int32_t k;
    for (int st = BtrGet(B_GET_FIRST, h, &k, rec, 16); st == 0; st = BtrGet(B_GET_NEXT, h, &k, rec, 16)) ++byKey;
    for (int st = BtrGet(B_STEP_FIRST, h, &k, rec, 16); st == 0; st = BtrGet(B_STEP_NEXT, h, &k, rec, 16)) ++byStep;
    EXPECT_EQ(byKey, byStep);
    EXPECT_EQ(byKey, BtrGetRecordCount(h));
}

}  // namespace
