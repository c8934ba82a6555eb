// Record-manager transactions: all or nothing over every
// file a process writes between begin and end, also across a kill -9
// between the commits of two files; reads inside see their own writes;
// locks taken inside are held to the end; other processes see nothing of a
// transaction before its end.
#include <dirent.h>
#include <sqlite3.h>

#include <fstream>
#include <random>

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

Rec rec(int32_t id, const char* text = "transaction") {
    Rec r{};
    r.id = id;
    std::strncpy(r.text, text, sizeof r.text);
    return r;
}

class Tran : public RecmanTest {
protected:
    void SetUp() override {
        RecmanTest::SetUp();
        for (int i = 0; i < 3; ++i) {
            names[i] = path("t" + std::to_string(i) + ".db");
            auto spec = fileSpec(kLen, 1);
            auto keys = segBlock({{1, 4, KF_EXTENDED, KT_INTEGER}});
            ASSERT_EQ(BtrCreateFile(names[i].c_str(), spec.data(), keys.data()), 0);
        }
    }
    void openAll() {
        for (int i = 0; i < 3; ++i) ASSERT_EQ(BtrOpenFile(&h[i], names[i].c_str(), 0, 0), 0);
    }
    int count(int i) { return BtrGetRecordCount(h[i]); }
    bool has(uint16_t handle, int32_t id) {
        Rec r;
        int32_t k = id;
        return BtrGet(B_GET_EQUAL, handle, &k, &r, kLen) == 0;
    }
    std::string names[3];
    uint16_t h[3] = {};
};

TEST_F(Tran, BeginInsertIntoThreeFilesAbortLeavesNone) {
    openAll();
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    for (int i = 0; i < 3; ++i) {
        Rec r = rec(i + 1);
        ASSERT_EQ(BtrWrite(B_INSERT, h[i], nullptr, &r, kLen), 0);
        EXPECT_EQ(count(i), 1) << "the transaction reads its own write";
    }
    ASSERT_EQ(BtrTransaction(B_ABORT_TRAN), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(count(i), 0) << "file " << i;
    RecmanReset();
    openAll();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(count(i), 0) << "file " << i << " after reopening";
}

TEST_F(Tran, BeginWritesEndLeavesAll) {
    openAll();
    Rec before = rec(50, "before");
    ASSERT_EQ(BtrWrite(B_INSERT, h[1], nullptr, &before, kLen), 0);
    ASSERT_EQ(BtrWrite(B_INSERT, h[2], nullptr, &before, kLen), 0);
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    for (int i = 0; i < 3; ++i) {
        for (int32_t id = 1; id <= 4; ++id) {
            Rec r = rec(id);
            ASSERT_EQ(BtrWrite(B_INSERT, h[i], nullptr, &r, kLen), 0);
        }
    }
    Rec r;
    int32_t k = 50;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[1], &k, &r, kLen), 0);
    std::strcpy(r.text, "changed");
    ASSERT_EQ(BtrWrite(B_UPDATE, h[1], nullptr, &r, kLen), 0);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[2], &k, &r, kLen), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, h[2], nullptr, nullptr, 0), 0);
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    RecmanReset();
    openAll();
    EXPECT_EQ(count(0), 4);
    EXPECT_EQ(count(1), 5);
    EXPECT_EQ(count(2), 4);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[1], &k, &r, kLen), 0);
    EXPECT_STREQ(r.text, "changed");
    EXPECT_FALSE(has(h[2], 50));

    // an abort puts back updates and deletes too
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[1], &k, &r, kLen), 0);
    std::strcpy(r.text, "again");
    ASSERT_EQ(BtrWrite(B_UPDATE, h[1], nullptr, &r, kLen), 0);
    k = 1;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[0], &k, &r, kLen), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, h[0], nullptr, nullptr, 0), 0);
    ASSERT_EQ(BtrTransaction(B_ABORT_TRAN), 0);
    k = 50;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[1], &k, &r, kLen), 0);
    EXPECT_STREQ(r.text, "changed");
    EXPECT_TRUE(has(h[0], 1));
}

TEST_F(Tran, NestedBeginAndEndOrAbortWithoutBeginGiveTheirStatuses) {
    openAll();
    EXPECT_EQ(BtrTransaction(B_END_TRAN), B_NO_TRANSACTION);
    EXPECT_EQ(BtrTransaction(B_ABORT_TRAN), B_NO_TRANSACTION);
    EXPECT_EQ(BtrTransaction(7), B_INVALID_OPERATION);
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    EXPECT_EQ(BtrTransaction(B_BEGIN_TRAN), B_TRANSACTION_ACTIVE);
    EXPECT_EQ(BtrGet(B_BEGIN_TRAN, h[0], nullptr, nullptr, 0), B_TRANSACTION_ACTIVE) << "op 19 through BtrGet";
    Rec r = rec(9);
    ASSERT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &r, kLen), 0);
    EXPECT_EQ(BtrWrite(B_END_TRAN, 0, nullptr, nullptr, 0), 0) << "op 20 through BtrWrite";
    EXPECT_EQ(BtrGet(B_ABORT_TRAN, 0, nullptr, nullptr, 0), B_NO_TRANSACTION);
    EXPECT_EQ(count(0), 1);
    // supplemental keys are not made or dropped inside a transaction
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    auto sup = segBlock({{5, 4, KF_DUPLICATES}}, 0);
    EXPECT_EQ(BtrCreateSupIndex(h[0], int(sup.size()), sup.data()), B_NOT_ALLOWED);
    EXPECT_EQ(BtrTransaction(B_ABORT_TRAN), 0);
}

TEST_F(Tran, ReadsInsideSeeOwnWritesThroughEveryHandle) {
    openAll();
    uint16_t other = 0;
    ASSERT_EQ(BtrOpenFile(&other, names[0].c_str(), 0, 0), 0);
    for (int32_t id = 10; id < 20; ++id) {
        Rec r = rec(id);
        ASSERT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &r, kLen), 0);
    }
    // the other handle is in a run of get next, rows read ahead
    Rec r;
    int32_t k = 0;
    ASSERT_EQ(BtrGet(B_GET_FIRST, other, &k, &r, kLen), 0);
    ASSERT_EQ(BtrGet(B_GET_NEXT, other, &k, &r, kLen), 0);
    ASSERT_EQ(BtrGet(B_GET_NEXT, other, &k, &r, kLen), 0);
    ASSERT_EQ(r.id, 12);
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    Rec n = rec(13 + 100);
    k = 13;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[0], &k, &r, kLen), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, h[0], nullptr, nullptr, 0), 0);
    ASSERT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &n, kLen), 0);
    std::vector<int32_t> seen;
    while (BtrGet(B_GET_NEXT, other, &k, &r, kLen) == 0) seen.push_back(r.id);
    EXPECT_EQ(seen, (std::vector<int32_t>{14, 15, 16, 17, 18, 19, 113}));
    EXPECT_TRUE(has(other, 113));
    ASSERT_EQ(BtrTransaction(B_ABORT_TRAN), 0);
    EXPECT_FALSE(has(other, 113));
    EXPECT_TRUE(has(other, 13));
}

TEST_F(Tran, LocksTakenInsideAreHeldToTheEnd) {
    openAll();
    for (int32_t id = 1; id <= 3; ++id) {
        Rec r = rec(id);
        ASSERT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &r, kLen), 0);
    }
    uint16_t other = 0;
    ASSERT_EQ(BtrOpenFile(&other, names[0].c_str(), 0, 0), 0);
    Rec r;
    int32_t k = 1;
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_SINGLE_NOWAIT, h[0], &k, &r, kLen), 0);
    ASSERT_EQ(BtrWrite(B_UPDATE, h[0], nullptr, &r, kLen), 0);  // would release it outside
    k = 2;
    ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_SINGLE_NOWAIT, h[0], &k, &r, kLen), 0);  // would release 1
    ASSERT_EQ(BtrUnlock(0, h[0], nullptr), 0);
    k = 3;
    ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, h[0], &k, &r, kLen), 0);
    ASSERT_EQ(BtrUnlock(-2, h[0], nullptr), 0);
    // Another process finds all three locked until the end.
    const pid_t kid = mp::spawn([&]() -> int {
        uint16_t elsewhere = 0;
        if (BtrOpenFile(&elsewhere, names[0].c_str(), 0, 0)) return 10;
        for (int32_t id = 1; id <= 3; ++id) {
            Rec rr;
            int32_t kk = id;
            if (BtrGet(B_GET_EQUAL + B_LOCK_SINGLE_NOWAIT, elsewhere, &kk, &rr, kLen) != B_RECORD_IN_USE)
                return 20 + id;
        }
        return 0;
    });
    EXPECT_EQ(mp::reap(kid), 0);
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    for (int32_t id = 1; id <= 3; ++id) {
        k = id;
        EXPECT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, other, &k, &r, kLen), 0) << id;
    }
}

TEST_F(Tran, ASecondProcessReadsNothingOfAnOpenTransaction) {
    Pipe ready, go;
    const pid_t kid = mp::spawn([&]() -> int {
        uint16_t hs[3];
        for (int i = 0; i < 3; ++i)
            if (BtrOpenFile(&hs[i], names[i].c_str(), 0, 0)) return 10;
        if (BtrTransaction(B_BEGIN_TRAN)) return 11;
        for (int i = 0; i < 3; ++i)
            for (int32_t id = 1; id <= 5; ++id) {
                Rec r = rec(id);
                if (BtrWrite(B_INSERT, hs[i], nullptr, &r, kLen)) return 12;
            }
        ready.put('r');
        if (go.get() != 'g') return 13;
        if (BtrTransaction(B_END_TRAN)) return 14;
        ready.put('e');
        return 0;
    });
    ASSERT_EQ(ready.get(), 'r');
    openAll();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(count(i), 0) << "file " << i;
        EXPECT_FALSE(has(h[i], 3));
        Rec r;
        int32_t k = 0;
        EXPECT_EQ(BtrGet(B_GET_FIRST, h[i], &k, &r, kLen), B_END_OF_FILE);
        EXPECT_EQ(BtrGet(B_STEP_FIRST, h[i], &k, &r, kLen), B_END_OF_FILE);
    }
    go.put('g');
    ASSERT_EQ(ready.get(), 'e');
    EXPECT_EQ(mp::reap(kid), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(count(i), 5) << "file " << i;
}

// A transaction whose first write to a file meets another process's open
// transaction on that file waits the documented time, then gives 85 (and
// stays active); once the other ends, the file can join.
TEST_F(Tran, AFileInAnotherProcessesTransactionGivesFileInUseAfterTheBoundedWait) {
    RMTEST_LOCAL_ONLY();
    Pipe ready, go;
    const pid_t kid = mp::spawn([&]() -> int {
        uint16_t a = 0;
        if (BtrOpenFile(&a, names[0].c_str(), 0, 0)) return 10;
        if (BtrTransaction(B_BEGIN_TRAN)) return 11;
        Rec r = rec(1);
        if (BtrWrite(B_INSERT, a, nullptr, &r, kLen)) return 12;
        ready.put('r');
        if (go.get(30000) != 'g') return 13;
        return BtrTransaction(B_END_TRAN);
    });
    ASSERT_EQ(ready.get(), 'r');
    openAll();
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    Rec r = rec(2);
    ASSERT_EQ(BtrWrite(B_INSERT, h[1], nullptr, &r, kLen), 0);
    const int64_t t0 = mp::nowMs();
    EXPECT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &r, kLen), B_FILE_IN_USE);
    const int64_t took = mp::nowMs() - t0;
    EXPECT_GE(took, RECMAN_TRAN_WAIT_MS - 500);
    EXPECT_LE(took, RECMAN_TRAN_WAIT_MS + 2000);
    go.put('g');
    EXPECT_EQ(mp::reap(kid), 0);
    EXPECT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &r, kLen), 0) << "the other transaction ended";
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    EXPECT_EQ(count(0), 2);
    EXPECT_EQ(count(1), 1);
}

TEST_F(Tran, ATransactionLeftOpenAtExitIsRolledBack) {
    const pid_t kid = mp::spawn(
        [&]() -> int {
            uint16_t hs[3];
            for (int i = 0; i < 3; ++i)
                if (BtrOpenFile(&hs[i], names[i].c_str(), 0, 0)) return 10;
            if (BtrTransaction(B_BEGIN_TRAN)) return 11;
            for (int i = 0; i < 3; ++i) {
                Rec r = rec(7);
                if (BtrWrite(B_INSERT, hs[i], nullptr, &r, kLen)) return 12;
            }
            return 0;  // exit() with the transaction open
        },
        true);
    ASSERT_EQ(mp::reap(kid), 0);
    openAll();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(count(i), 0) << "file " << i;
}

// Rows of rm_undo of one transaction in a (closed) file, read directly.
int undoRows(const std::string& file, int64_t txid) {
    sqlite3* db = nullptr;
    int n = -1;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM rm_undo WHERE txid = ?1", -1, &s, nullptr) ==
                SQLITE_OK &&
            sqlite3_bind_int64(s, 1, txid) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            n = sqlite3_column_int(s, 0);
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return n;
}

// The transactions that markers in `dir` still name (their process died
// between writing the marker and clearing it).
std::vector<int64_t> namedTransactions(const std::string& dir) {
    std::vector<int64_t> named;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return named;
    while (dirent* e = ::readdir(d)) {
        if (std::strncmp(e->d_name, ".recman-tx-", 11) != 0) continue;
        std::ifstream in(dir + "/" + e->d_name);
        std::string line;
        std::getline(in, line);
        if (!line.empty() && line != "0000000000000000")
            named.push_back(int64_t(std::strtoull(line.c_str(), nullptr, 16)));
    }
    ::closedir(d);
    return named;
}

// A forked writer runs 100 transactions, each inserting record t into the
// three files and adding one to a counter record in the second; it is
// killed with SIGKILL at random points, again and again (kKills times), and
// restarted from what is there; a last run (not killed) finishes them.
// After every kill each transaction is whole or absent, and the counter
// agrees.
TEST_F(Tran, AWriterKilledAtRandomPointsLeavesEveryTransactionWholeOrAbsent) {
    constexpr int kTransactions = 100;
    constexpr int kKills = 30;
    {
        uint16_t c = 0;
        ASSERT_EQ(BtrOpenFile(&c, names[1].c_str(), 0, 0), 0);
        Rec counter = rec(-1, "0");
        ASSERT_EQ(BtrWrite(B_INSERT, c, nullptr, &counter, kLen), 0);
        RecmanReset();
    }
    std::mt19937 rng(20261210);
    int done = 0, rounds = 0, cutBetweenCommits = 0;
    uint32_t window = 6000;
    while (done < kTransactions) {
        const bool kill = rounds < kKills;
        ++rounds;
        RecmanReset();
        Pipe started;
        const int from = done;
        const pid_t kid = mp::spawn([&]() -> int {
            uint16_t hs[3];
            for (int i = 0; i < 3; ++i)
                if (BtrOpenFile(&hs[i], names[i].c_str(), 0, 0)) return 10;
            started.put('s');
            for (int32_t t = from + 1; t <= kTransactions; ++t) {
                if (BtrTransaction(B_BEGIN_TRAN)) return 11;
                for (int i = 0; i < 3; ++i) {
                    Rec r = rec(t);
                    if (BtrWrite(B_INSERT, hs[i], nullptr, &r, kLen)) return 12;
                    if (i == 1) {
                        int32_t k = -1;
                        Rec c;
                        if (BtrGet(B_GET_EQUAL, hs[1], &k, &c, kLen)) return 13;
                        std::snprintf(c.text, sizeof c.text, "%d", std::atoi(c.text) + 1);
                        if (BtrWrite(B_UPDATE, hs[1], nullptr, &c, kLen)) return 14;
                    }
                }
                if (BtrTransaction(B_END_TRAN)) return 15;
                ::usleep(300);  // the work between two transactions
            }
            return 0;
        });
        ASSERT_EQ(started.get(), 's');
        if (kill) {
            // (the first commits of a run are the slowest: SQLite syncs each
            // new -wal header, so many kills fall between two commits)
            // The window of the kill widens while a round makes no progress
            // and narrows after one that did: many kills, at varied points.
            ::usleep(useconds_t(1000 + rng() % window));
            ::kill(kid, SIGKILL);
        }
        const int rc = mp::reap(kid, 60000);
        ASSERT_TRUE(rc == 1000 + SIGKILL || rc == 0) << "writer ended with " << rc;
        ASSERT_TRUE(kill || rc == 0) << "the last run ends by itself";
        // cut between two commits: a marker names the transaction and some
        // file holds committed rows of it (the next open puts them back)
        const std::vector<int64_t> named = namedTransactions(dir_.string());
        int rows = 0;
        for (int64_t t : named)
            for (const auto& n : names) rows += std::max(0, undoRows(n, t));
        if (rows > 0) ++cutBetweenCommits;

        openAll();
        std::vector<int> present(kTransactions + 1, 0);
        for (int i = 0; i < 3; ++i) {
            Rec r;
            int32_t k;
            for (int st = BtrGet(B_GET_FIRST, h[i], &k, &r, kLen); st == 0; st = BtrGet(B_GET_NEXT, h[i], &k, &r, kLen))
                if (r.id > 0) ++present[size_t(r.id)];
        }
        int whole = 0;
        for (int t = 1; t <= kTransactions; ++t) {
            ASSERT_TRUE(present[size_t(t)] == 0 || present[size_t(t)] == 3)
                << "transaction " << t << " is in " << present[size_t(t)] << " files (round " << rounds << ")";
            if (present[size_t(t)] == 3) ++whole;
        }
        Rec c;
        int32_t k = -1;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h[1], &k, &c, kLen), 0);
        ASSERT_EQ(std::atoi(c.text), whole) << "the counter agrees with the transactions there";
        for (int t = 1; t <= whole; ++t) ASSERT_EQ(present[size_t(t)], 3) << "transactions end in order";
        window = whole > done ? std::max<uint32_t>(6000, window / 2) : window + 4000;
        done = whole;
    }
    EXPECT_EQ(done, kTransactions) << "after " << rounds << " rounds";
    EXPECT_GE(rounds, 2);
    std::printf("[ info ] %d rounds, %d of them cut between the commits of two files\n", rounds,
                cutBetweenCommits);
}

}  // namespace

namespace {

// A counter drawn twice inside one transaction, each time through a handle
// of its own that reads with a lock, updates and closes: the lock the
// transaction keeps after the first close is the process's own, so the
// second draw takes it over instead of finding the record in use.
TEST_F(Tran, LocksKeptForTheTransactionServeItsOtherHandles) {
    openAll();
    Rec counter = rec(1, "0");
    ASSERT_EQ(BtrWrite(B_INSERT, h[0], nullptr, &counter, kLen), 0);
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    for (int draw = 0; draw < 2; ++draw) {
        uint16_t own = 0;
        ASSERT_EQ(BtrOpenFile(&own, names[0].c_str(), 0, 0), 0);
        Rec r;
        int32_t k = 1;
        ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, own, &k, &r, kLen), 0) << "draw " << draw;
        r.text[0] = static_cast<char>('1' + draw);
        ASSERT_EQ(BtrWrite(B_UPDATE, own, nullptr, &r, kLen), 0) << "draw " << draw;
        ASSERT_EQ(BtrCloseFile(own), 0);
    }
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    Rec r;
    int32_t k = 1;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[0], &k, &r, kLen), 0);
    EXPECT_EQ(r.text[0], '2');
}

}  // namespace

namespace {

int markerCount(const std::string& dir) {
    int n = 0;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return -1;
    while (dirent* e = ::readdir(d))
        if (std::strncmp(e->d_name, ".recman-tx-", 11) == 0) ++n;
    ::closedir(d);
    return n;
}

// A process stopped after its transactions (Ctrl+C, kill) leaves its marker
// naming none; the clearing removes that one at once and keeps the markers
// of processes that still run, this one's own included.
TEST_F(Tran, MarkersOfStoppedProcessesAreClearedAndLiveOnesKept) {
    RMTEST_LOCAL_ONLY();
    const std::string dir = names[0].substr(0, names[0].rfind('/'));
    RecmanReset();
    Pipe ended, hold;
    const pid_t kid = mp::spawn([&]() -> int {
        uint16_t hs[3];
        for (int i = 0; i < 3; ++i)
            if (BtrOpenFile(&hs[i], names[i].c_str(), 0, 0)) return 10;
        if (BtrTransaction(B_BEGIN_TRAN)) return 11;
        for (int i = 0; i < 3; ++i) {
            Rec r = rec(i + 1);
            if (BtrWrite(B_INSERT, hs[i], nullptr, &r, kLen)) return 12;
        }
        if (BtrTransaction(B_END_TRAN)) return 13;
        ended.put('e');
        hold.get(60000);
        return 0;
    });
    ASSERT_EQ(ended.get(), 'e');
    EXPECT_EQ(markerCount(dir), 1);
    EXPECT_EQ(RecmanClearStaleMarkers(dir.c_str()), 0) << "its process still runs";
    ::kill(kid, SIGKILL);
    mp::reap(kid);

    openAll();
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    for (int i = 0; i < 2; ++i) {
        Rec r = rec(10 + i);
        ASSERT_EQ(BtrWrite(B_INSERT, h[i], nullptr, &r, kLen), 0);
    }
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    EXPECT_EQ(markerCount(dir), 2);
    EXPECT_EQ(RecmanClearStaleMarkers((dir + "/").c_str()), 1);
    EXPECT_EQ(markerCount(dir), 1) << "this process's own marker is kept";
    for (int i = 0; i < 2; ++i) EXPECT_EQ(count(i), 2);
}

}  // namespace
