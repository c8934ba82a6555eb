// Several processes on one data file: opens under contention,
// record locks across processes, a writer while others open and close, a
// cycle of wait locks, replacing a file another process has open, and
// durability across a kill -9 with another process opening the file.
#include <array>

#include "multiproc.hpp"

using namespace rmtest;
using mp::Pipe;

namespace {

// Counter record: int32 id (key 0, unique), int64 count, 4 bytes pad.
constexpr int kLen = 16;
constexpr int kCounters = 8;
constexpr int kProcs = 8;

class MultiProcess : public RecmanTest {
protected:
    void SetUp() override {
        RecmanTest::SetUp();
        file = path("mp.db");
        uint16_t h = make("mp.db", kLen, {{1, 4, KF_EXTENDED, KT_INTEGER}}, 1);
        for (int32_t i = 0; i < kCounters; ++i) {
            uint8_t rec[kLen] = {};
            std::memcpy(rec, &i, 4);
            EXPECT_EQ(BtrWrite(B_INSERT, h, nullptr, rec, kLen), 0);
        }
        // the parent holds nothing open while children run
        RecmanReset();
    }
    std::string file;
};

// (a) 8 processes, each opening the file, adding one to a counter under a
// wait lock and closing, for the run's length: the counters add up to the
// increments acknowledged; no 85, no crash.
TEST_F(MultiProcess, CountersUpdatedUnderLocksByEightProcessesAddUp) {
    struct Report {
        std::array<int64_t, kCounters> acked{};
        int bad = 0;  // first unexpected status
        int badOp = 0;
    };
    std::vector<pid_t> kids;
    std::vector<std::unique_ptr<Pipe>> pipes;
    for (int p = 0; p < kProcs; ++p) {
        pipes.push_back(std::make_unique<Pipe>());
        Pipe& out = *pipes.back();
        kids.push_back(mp::spawn([&, p]() -> int {
            Report r;
            const int64_t end = mp::nowMs() + mp::kRunMs;
            uint32_t seed = uint32_t(p * 7919 + 1);
            auto fail = [&](int st, int op) {
                if (!r.bad) {
                    r.bad = st;
                    r.badOp = op;
                }
            };
            while (mp::nowMs() < end && !r.bad) {
                uint16_t h = 0;
                int st = BtrOpenFile(&h, file.c_str(), 0, 0);
                if (st) {
                    fail(st, 0);
                    break;
                }
                for (int i = 0; i < 5; ++i) {
                    seed = seed * 1103515245u + 12345u;
                    int32_t k = int32_t((seed >> 16) % kCounters);
                    uint8_t rec[kLen];
                    st = BtrGet(B_GET_EQUAL + B_LOCK_SINGLE_WAIT, h, &k, rec, kLen);
                    if (st) {
                        fail(st, 105);
                        break;
                    }
                    int64_t c;
                    std::memcpy(&c, rec + 4, 8);
                    ++c;
                    std::memcpy(rec + 4, &c, 8);
                    st = BtrWrite(B_UPDATE, h, nullptr, rec, kLen);
                    if (st) {
                        fail(st, 3);
                        break;
                    }
                    ++r.acked[size_t(k)];
                }
                st = BtrCloseFile(h);
                if (st) fail(st, 1);
            }
            out.putValue(r);
            return 0;
        }));
    }
    std::array<int64_t, kCounters> acked{};
    for (int p = 0; p < kProcs; ++p) {
        Report r;
        ASSERT_TRUE(pipes[size_t(p)]->getValue(r, mp::kRunMs + 20000)) << "process " << p << " gave no report";
        EXPECT_EQ(r.bad, 0) << "process " << p << " op " << r.badOp;
        for (int k = 0; k < kCounters; ++k) acked[size_t(k)] += r.acked[size_t(k)];
        EXPECT_EQ(mp::reap(kids[size_t(p)]), 0) << "process " << p;
    }
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
    int64_t total = 0;
    for (int32_t k = 0; k < kCounters; ++k) {
        uint8_t rec[kLen];
        int32_t key = k;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, rec, kLen), 0);
        int64_t c;
        std::memcpy(&c, rec + 4, 8);
        EXPECT_EQ(c, acked[size_t(k)]) << "counter " << k;
        total += c;
    }
    EXPECT_GT(total, 0);
}

// processes that do nothing but open, read and close one
// file never see 85 (the busy timeout is set before the schema is read).
TEST_F(MultiProcess, OpensAndClosesUnderContentionNeverGiveFileInUse) {
    std::vector<pid_t> kids;
    for (int p = 0; p < kProcs; ++p) {
        kids.push_back(mp::spawn([&]() -> int {
            const int64_t end = mp::nowMs() + mp::kRunMs;
            while (mp::nowMs() < end) {
                uint16_t h = 0;
                int st = BtrOpenFile(&h, file.c_str(), 0, 0);
                if (st) return st;
                uint8_t rec[kLen];
                int32_t k = 0;
                st = BtrGet(B_GET_FIRST, h, &k, rec, kLen);
                if (st) return 100 + st % 100;
                if (BtrCloseFile(h)) return 99;
            }
            return 0;
        }));
    }
    for (pid_t k : kids) EXPECT_EQ(mp::reap(k), 0) << "a status (or 1000 + signal) from an opener";
}

// (b) A holder keeps the file open, a writer inserts, 20 other processes
// open and close the file meanwhile: the writer finishes and nothing is lost.
TEST_F(MultiProcess, AWriterFinishesWhileTwentyProcessesOpenAndClose) {
    Pipe holdCmd, holdReady, acks;
    const pid_t holder = mp::spawn([&]() -> int {
        uint16_t h = 0;
        if (BtrOpenFile(&h, file.c_str(), 0, 0)) return 10;
        holdReady.put('r');
        holdCmd.get(60000);
        return BtrCloseFile(h);
    });
    ASSERT_EQ(holdReady.get(), 'r');
    const pid_t writer = mp::spawn([&]() -> int {
        uint16_t h = 0;
        if (BtrOpenFile(&h, file.c_str(), 0, 0)) return 10;
        const int64_t end = mp::nowMs() + mp::kRunMs;
        for (int32_t i = 1000; mp::nowMs() < end; ++i) {
            uint8_t rec[kLen] = {};
            std::memcpy(rec, &i, 4);
            const int st = BtrWrite(B_INSERT, h, nullptr, rec, kLen);
            if (st) return st;
            acks.putValue(i);
        }
        acks.putValue(int32_t(-1));  // the end (other children hold the pipe open too)
        return BtrCloseFile(h);
    });
    std::vector<pid_t> openers;
    for (int p = 0; p < 20; ++p) {
        openers.push_back(mp::spawn([&]() -> int {
            const int64_t end = mp::nowMs() + mp::kRunMs;
            while (mp::nowMs() < end) {
                uint16_t h = 0;
                int st = BtrOpenFile(&h, file.c_str(), 0, 0);
                if (st) return st;
                uint8_t rec[kLen];
                int32_t k = 0;
                st = BtrGet(B_GET_LAST, h, &k, rec, kLen);
                if (st) return 100 + st % 100;
                if (BtrCloseFile(h)) return 99;
            }
            return 0;
        }));
    }
    acks.closeWrite();
    std::vector<int32_t> acked;
    for (int32_t v; acks.getValue(v, mp::kRunMs + 20000) && v >= 0;) acked.push_back(v);
    EXPECT_EQ(mp::reap(writer), 0) << "the writer's status";
    for (pid_t k : openers) EXPECT_EQ(mp::reap(k), 0) << "an opener's status";
    holdCmd.put('x');
    EXPECT_EQ(mp::reap(holder), 0);
    ASSERT_GT(acked.size(), 10u);
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
    for (int32_t v : acked) {
        uint8_t rec[kLen];
        int32_t key = v;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, rec, kLen), 0) << "record " << v << " lost";
    }
    EXPECT_EQ(BtrGetRecordCount(h), int32_t(acked.size()) + kCounters);
}

// (c) Two processes each hold one record and wait for the other's: one of
// them (or both) gets 78 within the documented time, and nobody hangs.
TEST_F(MultiProcess, ACycleOfWaitLocksBetweenTwoProcessesEndsInDeadlockStatus) {
    Pipe ready, go, result;
    auto side = [&](int32_t mine, int32_t theirs) {
        return [&, mine, theirs]() -> int {
            uint16_t h = 0;
            if (BtrOpenFile(&h, file.c_str(), 0, 0)) return 10;
            uint8_t rec[kLen];
            int32_t k = mine;
            if (BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, h, &k, rec, kLen)) return 11;
            ready.put('r');
            if (go.get() != 'g') return 12;
            const int64_t t0 = mp::nowMs();
            k = theirs;
            const int st = BtrGet(B_GET_EQUAL + B_LOCK_MULTI_WAIT, h, &k, rec, kLen);
            const int64_t took = mp::nowMs() - t0;
            result.putValue(std::array<int64_t, 2>{st, took});
            // give the record up so that the other side can go on
            BtrUnlock(-2, h, nullptr);
            BtrCloseFile(h);
            return 0;
        };
    };
    const pid_t a = mp::spawn(side(1, 2));
    const pid_t b = mp::spawn(side(2, 1));
    ASSERT_EQ(ready.get(), 'r');
    ASSERT_EQ(ready.get(), 'r');
    go.put('g');
    go.put('g');
    int deadlocks = 0;
    for (int i = 0; i < 2; ++i) {
        std::array<int64_t, 2> r{};
        ASSERT_TRUE(result.getValue(r, 20000)) << "a side still waits";
        EXPECT_TRUE(r[0] == B_DEADLOCK || r[0] == 0) << "status " << r[0];
        if (r[0] == B_DEADLOCK) {
            ++deadlocks;
            EXPECT_LE(r[1], RECMAN_LOCK_WAIT_MS + 1500) << "78 came late";
        }
    }
    EXPECT_GE(deadlocks, 1);
    EXPECT_EQ(mp::reap(a), 0);
    EXPECT_EQ(mp::reap(b), 0);
}

// BtrCreateFile does not replace a file that another
// process has open (85), and does once it is closed.
TEST_F(MultiProcess, CreateGivesFileInUseWhileAnotherProcessHasTheFileOpen) {
    Pipe ready, done;
    const pid_t kid = mp::spawn([&]() -> int {
        uint16_t h = 0;
        if (BtrOpenFile(&h, file.c_str(), 0, 0)) return 10;
        ready.put('r');
        done.get(20000);
        return BtrCloseFile(h);
    });
    ASSERT_EQ(ready.get(), 'r');
    auto spec = fileSpec(kLen, 1);
    auto keys = segBlock({{1, 4, 0}});
    EXPECT_EQ(BtrCreateFile(file.c_str(), spec.data(), keys.data()), B_FILE_IN_USE);
    done.put('x');
    ASSERT_EQ(mp::reap(kid), 0);
    EXPECT_EQ(BtrCreateFile(file.c_str(), spec.data(), keys.data()), 0);
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
    EXPECT_EQ(BtrGetRecordCount(h), 0) << "replaced";
}

// Kill -9 of a writer while another process opens and closes the file:
// every acknowledged record is there afterwards.
TEST_F(MultiProcess, AcknowledgedWritesSurviveAKillWhileAnotherProcessOpensAndCloses) {
    Pipe acks, stop;
    const pid_t writer = mp::spawn([&]() -> int {
        uint16_t h = 0;
        if (BtrOpenFile(&h, file.c_str(), 0, 0)) return 10;
        for (int32_t i = 1000;; ++i) {
            uint8_t rec[kLen] = {};
            std::memcpy(rec, &i, 4);
            if (BtrWrite(B_INSERT, h, nullptr, rec, kLen)) return 11;
            acks.putValue(i);
        }
    });
    const pid_t opener = mp::spawn([&]() -> int {
        for (;;) {
            uint16_t h = 0;
            if (BtrOpenFile(&h, file.c_str(), 0, 0)) return 10;
            uint8_t rec[kLen];
            int32_t k = 0;
            if (BtrGet(B_GET_LAST, h, &k, rec, kLen)) return 11;
            if (BtrCloseFile(h)) return 12;
            if (stop.get(0) == 's') return 0;
        }
    });
    std::vector<int32_t> acked;
    for (int32_t v; acked.size() < 400 && acks.getValue(v, 20000);) acked.push_back(v);
    ::kill(writer, SIGKILL);
    EXPECT_EQ(mp::reap(writer), 1000 + SIGKILL);
    stop.put('s');
    EXPECT_EQ(mp::reap(opener), 0);
    ASSERT_EQ(acked.size(), 400u);
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, file.c_str(), 0, 0), 0);
    for (int32_t v : acked) {
        uint8_t rec[kLen];
        int32_t key = v;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, &key, rec, kLen), 0) << "record " << v << " lost";
    }
}

}  // namespace
