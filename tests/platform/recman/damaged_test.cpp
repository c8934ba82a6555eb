// Damaged files and calls at the edges of the C API: each gives its status, never a crash, a hang or wrong bytes.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <random>

#include "recman_fixture.hpp"

using namespace rmtest;

namespace {

constexpr int kLen = 16;

class Damaged : public RecmanTest {
protected:
    // A file of 20 records: int32 id (key 0, unique), a 4-byte tag (key 1,
    // duplicates), 8 bytes pad.
    void SetUp() override {
        RecmanTest::SetUp();
        file = path("d.db");
        uint16_t h = make("d.db", kLen, {{1, 4, KF_EXTENDED, KT_INTEGER}, {5, 4, KF_DUPLICATES}}, 2);
        for (int32_t i = 0; i < 20; ++i) {
            uint8_t rec[kLen] = {};
            std::memcpy(rec, &i, 4);
            std::memcpy(rec + 4, i % 2 ? "odd " : "even", 4);
            EXPECT_EQ(BtrWrite(B_INSERT, h, nullptr, rec, kLen), 0);
        }
        RecmanReset();
    }
    // Runs SQL on the closed file directly.
    void sql(const std::string& text) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        char* err = nullptr;
        EXPECT_EQ(sqlite3_exec(db, text.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
        sqlite3_free(err);
        sqlite3_close(db);
    }
    std::string file;
};

TEST_F(Damaged, StoredKeySpecificationsAreCheckedAtOpen) {
    RMTEST_LOCAL_ONLY();
    // segment length 300 (longer than a key may be and than the record),
    // a position past the record, a float of width 3, an unknown type
    for (const char* spec : {"X'01002C01000000000000000000000000'", "X'10000400000000000000000000000000'",
                             "X'01000300000100000000020000000000'", "X'01000400000100000000630000000000'",
                             "X'0100'"}) {
        SCOPED_TRACE(spec);
        SetUp();
        sql(std::string("UPDATE keys SET spec = ") + spec + " WHERE keyno = 0");
        uint16_t h = 0;
        EXPECT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), B_IO_ERROR);
        RecmanReset();
    }
    sql("UPDATE keys SET col = 'data) FROM rec; --' WHERE keyno = 1");
    uint16_t h = 0;
    EXPECT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), B_IO_ERROR) << "a column name that is not kc<n>";
}

TEST_F(Damaged, AWalkOverADamagedIndexEndsWithStatus2) {
    RMTEST_LOCAL_ONLY();
    // record 5's stored key 0 says it sorts last, its bytes say 5
    sql("UPDATE rec SET kc0 = X'FFFFFFFF' WHERE pos = 6");
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
    uint8_t rec[kLen];
    int32_t k = 0;
    int st = BtrGet(B_GET_FIRST, h, &k, rec, kLen);
    int steps = 0;
    while (st == 0 && steps < 1000) {
        st = BtrGet(B_GET_NEXT, h, &k, rec, kLen);
        ++steps;
    }
    EXPECT_LT(steps, 1000) << "the walk ends";
    EXPECT_EQ(st, B_IO_ERROR);
    // backwards too
    ASSERT_EQ(BtrGet(B_GET_LAST, h, &k, rec, kLen), 0);
    steps = 0;
    while ((st = BtrGet(B_GET_PREVIOUS, h, &k, rec, kLen)) == 0 && steps < 1000) ++steps;
    EXPECT_LT(steps, 1000);
    EXPECT_TRUE(st == B_IO_ERROR || st == B_END_OF_FILE) << st;
}

TEST_F(Damaged, ARecordOfTheWrongLengthInAFixedLengthFileGives2) {
    RMTEST_LOCAL_ONLY();
    sql("UPDATE rec SET data = X'0300000041' WHERE pos = 4");
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
    uint8_t rec[kLen];
    int32_t k = 3;
    EXPECT_EQ(BtrGet(B_GET_EQUAL, h, &k, rec, kLen), B_IO_ERROR);
    uint32_t pos = 4;
    std::memcpy(rec, &pos, 4);
    EXPECT_EQ(BtrGet(B_GET_DIRECT, h, &k, rec, kLen), B_IO_ERROR);
    int st = BtrGet(B_STEP_FIRST, h, &k, rec, kLen), n = 0;
    while (st == 0 && n < 100) {
        st = BtrGet(B_STEP_NEXT, h, &k, rec, kLen);
        ++n;
    }
    EXPECT_EQ(st, B_IO_ERROR);
}

TEST_F(Damaged, ATruncatedFileGivesAStatusNotACrash) {
    RMTEST_LOCAL_ONLY();
    ::truncate(file.c_str(), 4096 + 100);
    uint16_t h = 0;
    int st = BtrOpenFile(&h, file.c_str(), 0, 0);
    if (st == 0) {
        uint8_t rec[kLen];
        int32_t k = 0;
        for (int i = 0; i < 50 && st == 0; ++i) st = BtrGet(i ? B_GET_NEXT : B_GET_FIRST, h, &k, rec, kLen);
    }
    EXPECT_NE(st, 0);
    ::truncate(file.c_str(), 10);
    RecmanReset();
    EXPECT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), B_NOT_A_RECORD_FILE);
}

TEST_F(Damaged, PathsThatAreNotRegularFilesAreNeitherOpenedNorReplaced) {
    RMTEST_LOCAL_ONLY();
    const std::string fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string dir = path("sub");
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    auto spec = fileSpec(kLen, 1);
    auto keys = segBlock({{1, 4, 0}});
    for (const std::string& p : {fifo, dir, std::string("/dev/null")}) {
        SCOPED_TRACE(p);
        uint16_t h = 0;
        EXPECT_EQ(BtrOpenFile(&h, p.c_str(), 0, 0), B_NOT_A_RECORD_FILE);
        EXPECT_EQ(BtrCreateFile(p.c_str(), spec.data(), keys.data()), B_NOT_A_RECORD_FILE);
    }
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO is still there";
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// a read-only folder whose -wal holds frames gives 94 rather
// than older data. Run as an unprivileged user (permission bits do not bind
// the super-user): the test drops to "nobody" in a child.
TEST_F(Damaged, AReadOnlyFolderWithFramesInItsWalGives94) {
    RMTEST_LOCAL_ONLY();
    // a writer killed with its last commits in the -wal
    const pid_t kid = ::fork();
    if (kid == 0) {
        uint16_t h = 0;
        if (BtrOpenFile(&h, file.c_str(), 0, 0)) ::_exit(10);
        uint8_t rec[kLen] = {};
        int32_t id = 77;
        std::memcpy(rec, &id, 4);
        if (BtrWrite(B_INSERT, h, nullptr, rec, kLen)) ::_exit(11);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ::waitpid(kid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    struct stat w {};
    ASSERT_EQ(::stat((file + "-wal").c_str(), &w), 0);
    ASSERT_GT(w.st_size, 32);
    ::unlink((file + "-shm").c_str());  // as on media copied without it
    ::chmod(file.c_str(), 0444);
    ::chmod((file + "-wal").c_str(), 0444);
    ::chmod(dir_.c_str(), 0555);
    const pid_t reader = ::fork();
    if (reader == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(20);
        uint16_t h = 0;
        const int st = BtrOpenFile(&h, file.c_str(), 0, 0);
        if (st == 0) {  // served: then it must be the newest data
            uint8_t rec[kLen];
            int32_t k = 77;
            ::_exit(BtrGet(B_GET_EQUAL, h, &k, rec, kLen) == 0 ? 0 : 30);
        }
        ::_exit(st);
    }
    ::waitpid(reader, &status, 0);
    ::chmod(dir_.c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), B_PERMISSION_ERROR);
    RecmanReset();
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
    uint8_t rec[kLen];
    int32_t k = 77;
    EXPECT_EQ(BtrGet(B_GET_EQUAL, h, &k, rec, kLen), 0) << "the committed record is there";
    // Folded in (the last close checkpoints and removes the -wal): now the
    // read-only folder reads the file as it stands.
    RecmanReset();
    struct stat gone {};
    ASSERT_NE(::stat((file + "-wal").c_str(), &gone), 0);
    ::unlink((file + "-shm").c_str());
    ::chmod(dir_.c_str(), 0555);
    const pid_t again = ::fork();
    if (again == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(20);
        uint16_t h2 = 0;
        const int st = BtrOpenFile(&h2, file.c_str(), 0, 0);
        if (st) ::_exit(st);
        uint8_t r2[kLen];
        int32_t k2 = 77;
        ::_exit(BtrGet(B_GET_EQUAL, h2, &k2, r2, kLen) == 0 ? 0 : 30);
    }
    ::waitpid(again, &status, 0);
    ::chmod(dir_.c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "read-only folder without a -wal";
}

TEST_F(Damaged, RunningOutOfDescriptorsGivesTooManyFiles) {
    RMTEST_LOCAL_ONLY();
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    std::vector<int> fds;
    for (int fd; (fd = ::dup(0)) >= 0;) fds.push_back(fd);
    uint16_t h = 0;
    EXPECT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), B_TOO_MANY_FILES);
    for (int fd : fds) ::close(fd);
    EXPECT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
}

// (e) Random calls with short buffers, huge and negative sizes, bad
// handles: statuses, never a crash (run under the sanitizer build too).
TEST_F(Damaged, TheCApiSurvivesShortBuffersAndAbsurdSizes) {
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
    {
        std::vector<uint8_t> two(2);
        std::vector<uint8_t> rec(kLen), key(4);
        ASSERT_EQ(BtrGet(B_GET_FIRST, h, key.data(), rec.data(), kLen), 0);
        EXPECT_EQ(BtrGet(B_GET_POSITION, h, key.data(), two.data(), 2), B_DATA_BUFFER_TOO_SHORT);
        EXPECT_EQ(BtrGet(B_GET_DIRECT, h, key.data(), two.data(), 3), B_DATA_BUFFER_TOO_SHORT);
        std::vector<uint8_t> four(4);
        EXPECT_EQ(BtrGet(B_GET_POSITION, h, key.data(), four.data(), 4), 0);
    }
    EXPECT_EQ(BtrTableCreate(16, 1 << 30), nullptr);
    EXPECT_EQ(BtrTableCreate(1 << 30, 255), nullptr);
    EXPECT_EQ(BtrTableCreate(-1, -1), nullptr);
    std::mt19937 rng(8);
    const int ops[] = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 22, 23, 24, 33, 34, 35, 19, 20, 21, 99};
    const int lens[] = {0, 1, 2, 3, 4, 15, 16, 17, 64, -1, -100000, 1 << 30, INT32_MAX};
    for (int i = 0; i < 20000; ++i) {
        const int op = ops[rng() % (sizeof ops / sizeof *ops)] + int(rng() % 5) * 100;
        const int len = lens[rng() % (sizeof lens / sizeof *lens)];
        const size_t have = size_t(rng() % 24);
        std::vector<uint8_t> data(have), key(4 + rng() % 8);
        for (auto& b : data) b = uint8_t(rng());
        for (auto& b : key) b = uint8_t(rng() % 3);
        const uint16_t handle = rng() % 8 ? h : uint16_t(rng());
        // the buffer given holds at least what the length says, or the call
        // is told a length the buffer has (the contract: length = buffer)
        const int safeLen = len > int(have) ? int(have) : len;
        if (op % 100 == 2 || op % 100 == 3 || op % 100 == 4)
            BtrWrite(op, handle, key.data(), have ? data.data() : nullptr, safeLen == 0 ? int(have) : safeLen);
        else
            BtrGet(op, handle, key.data(), have ? data.data() : nullptr, safeLen == 0 ? int(have) : safeLen);
        if (rng() % 50 == 0) {
            uint32_t pos = uint32_t(rng() % 30);
            BtrPosition(int(rng() % 30), handle, rng() % 4 ? &pos : nullptr);
        }
        if (rng() % 200 == 0) BtrUnlock(int(rng() % 5) - 2, handle, nullptr);
        if (rng() % 300 == 0) BtrSetDefaults(handle, int(rng() % 5) - 1, -1);
        if (rng() % 500 == 0) {
            std::vector<uint8_t> blk(size_t(rng() % 40));
            for (auto& b : blk) b = uint8_t(rng());
            BtrCreateSupIndex(handle, int(blk.size()), blk.data());
        }
    }
    BtrTransaction(B_ABORT_TRAN);
    EXPECT_GE(BtrGetRecordCount(h), 0);
}

}  // namespace
