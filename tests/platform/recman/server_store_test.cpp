// What only the server store has to show: a connection that is lost, a key
// layout changed by another process, two transactions on one record. The
// rest of the record manager's cases run against the server store as they
// are (RECMAN_TEST_SERVER).
#include <fstream>

#include "multiproc.hpp"

using namespace rmtest;
using mp::Pipe;

namespace {

// Record: int32 id (key 0, unique), 12 bytes of text.
constexpr int kLen = 16;

struct Rec {
    int32_t id;
    char text[12];
};
static_assert(sizeof(Rec) == kLen);

Rec rec(int32_t id, const char* text = "server") {
    Rec r{};
    r.id = id;
    std::strncpy(r.text, text, sizeof r.text);
    return r;
}

class ServerStore : public RecmanTest {
protected:
    void SetUp() override {
        RecmanTest::SetUp();
        if (!serverStore()) GTEST_SKIP() << "server store only";
        if (IsSkipped()) return;
        for (int i = 0; i < 2; ++i) {
            names[i] = path("s" + std::to_string(i) + ".db");
            auto spec = fileSpec(kLen, 1);
            auto keys = segBlock({{1, 4, KF_EXTENDED, KT_INTEGER}});
            ASSERT_EQ(BtrCreateFile(names[i].c_str(), spec.data(), keys.data()), 0);
        }
    }
    void openAll() {
        for (int i = 0; i < 2; ++i) ASSERT_EQ(BtrOpenFile(&h[i], names[i].c_str(), 0, 0), 0);
    }
    // Ends this process's server session from outside, as a server restart
    // or a cut network would.
    void cutConnection() {
        ASSERT_TRUE(serverExec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'recman " +
                               std::to_string(::getpid()) + "'"));
        ::usleep(50000);
    }
    std::string names[2];
    uint16_t h[2] = {};
};

TEST_F(ServerStore, ALostConnectionGivesSessionLostUntilTheFileIsOpenedAgain) {
    openAll();
    Rec r = rec(1);
    ASSERT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &r, kLen), 0);
    cutConnection();
    int32_t k = 1;
    struct Case {
        const char* what;
        int st;
    } cases[] = {
        {"read", BtrGet(B_GET_EQUAL, h[0], &k, &r, kLen)},
        {"insert", BtrWrite(B_INSERT, h[0], nullptr, &(r = rec(2)), kLen)},
        {"lock read", BtrGet(B_GET_FIRST + B_LOCK_SINGLE_NOWAIT, h[1], &k, &r, kLen)},
        {"record count", BtrGetRecordCount(h[0]) < 0 ? int(B_SESSION_LOST) : 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.st, B_SESSION_LOST) << c.what;
    for (uint16_t x : h) EXPECT_EQ(BtrCloseFile(x), 0);
    openAll();
    EXPECT_EQ(BtrGetRecordCount(h[0]), 1) << "what was written before the cut is there, nothing after it";
    EXPECT_EQ(BtrGet(B_GET_EQUAL, h[0], &k, &r, kLen), 0);
}

TEST_F(ServerStore, ATransactionCutByALostConnectionLeavesNothing) {
    openAll();
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    for (int i = 0; i < 2; ++i) {
        Rec r = rec(10 + i);
        ASSERT_EQ(BtrWrite(B_INSERT, h[i], nullptr, &r, kLen), 0);
    }
    cutConnection();
    EXPECT_EQ(BtrTransaction(B_END_TRAN), B_SESSION_LOST);
    EXPECT_EQ(BtrTransaction(B_BEGIN_TRAN), 0) << "the transaction ended with the connection";
    EXPECT_EQ(BtrTransaction(B_ABORT_TRAN), 0);
    for (uint16_t x : h) BtrCloseFile(x);
    openAll();
    for (int i = 0; i < 2; ++i) EXPECT_EQ(BtrGetRecordCount(h[i]), 0) << "file " << i;
}

// A key another process adds while this one has the file open is kept by
// this process's later writes: the record it inserts, and the new key
// value of a record it updates, are found through that key.
TEST_F(ServerStore, AKeyAddedByAnotherProcessIsKeptByThisProcessesWrites) {
    openAll();
    Rec r = rec(1, "mmm");
    ASSERT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &r, kLen), 0);
    const pid_t kid = mp::spawn([&]() -> int {
        uint16_t x = 0;
        if (BtrOpenFile(&x, names[0].c_str(), 0, 0)) return 10;
        auto block = segBlock({{5, 12, KF_DUPLICATES | KF_MODIFIABLE}}, 0);
        return BtrCreateSupIndex(x, int(block.size()), block.data());
    });
    ASSERT_EQ(mp::reap(kid), 0);
    r = rec(2, "aaa");
    ASSERT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &r, kLen), 0);
    int32_t k = 1;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[0], &k, &r, kLen), 0);
    std::strncpy(r.text, "zzz", sizeof r.text);
    ASSERT_EQ(BtrWrite(B_UPDATE, h[0], nullptr, &r, kLen), 0);

    uint16_t y = 0;
    ASSERT_EQ(BtrOpenFile(&y, names[0].c_str(), 0, 0), 0);
    ASSERT_EQ(BtrSetDefaults(y, 1, -1), 0);
    char key[12] = {};
    std::vector<std::string> order;
    for (int st = BtrGet(B_GET_FIRST, y, key, &r, kLen); st == 0; st = BtrGet(B_GET_NEXT, y, key, &r, kLen))
        order.emplace_back(r.text);
    EXPECT_EQ(order, (std::vector<std::string>{"aaa", "zzz"}));
}

// Two transactions that write one record: the second waits for the first,
// at most the documented time, then gives 85; after the first ends it
// reads what that one wrote.
TEST_F(ServerStore, TwoTransactionsWritingOneRecordWaitThenGiveFileInUse) {
    openAll();
    Rec r = rec(1, "first");
    ASSERT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &r, kLen), 0);
    Pipe ready, go;
    const pid_t kid = mp::spawn([&]() -> int {
        uint16_t x = 0;
        if (BtrOpenFile(&x, names[0].c_str(), 0, 0)) return 10;
        Rec c;
        int32_t k = 1;
        if (BtrGet(B_GET_EQUAL, x, &k, &c, kLen)) return 11;
        if (BtrTransaction(B_BEGIN_TRAN)) return 12;
        std::strncpy(c.text, "other", sizeof c.text);
        if (BtrWrite(B_UPDATE, x, nullptr, &c, kLen)) return 13;
        ready.put('r');
        if (go.get(30000) != 'g') return 14;
        return BtrTransaction(B_END_TRAN);
    });
    ASSERT_EQ(ready.get(), 'r');
    int32_t k = 1;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[0], &k, &r, kLen), 0);
    EXPECT_STREQ(r.text, "first") << "the other transaction is not seen before its end";
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    std::strncpy(r.text, "mine", sizeof r.text);
    const int64_t t0 = mp::nowMs();
    EXPECT_EQ(BtrWrite(B_UPDATE, h[0], nullptr, &r, kLen), B_FILE_IN_USE);
    const int64_t took = mp::nowMs() - t0;
    EXPECT_GE(took, RECMAN_TRAN_WAIT_MS - 500);
    EXPECT_LE(took, RECMAN_TRAN_WAIT_MS + 2000);
    EXPECT_EQ(BtrTransaction(B_END_TRAN), B_FILE_IN_USE) << "a transaction the server gave up does not end well";
    go.put('g');
    EXPECT_EQ(mp::reap(kid), 0);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[0], &k, &r, kLen), 0);
    EXPECT_STREQ(r.text, "other");
}

}  // namespace
