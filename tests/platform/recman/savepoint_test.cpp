// Savepoints inside a transaction, the undo rows a transaction leaves, and
// the one snapshot its reads see.
#include <sqlite3.h>

#include "multiproc.hpp"

using namespace rmtest;
using mp::Pipe;

namespace {

constexpr int kLen = 16;

struct Rec {
    int32_t id;
    char text[12];
};
static_assert(sizeof(Rec) == kLen);

class Savepoints : public RecmanTest {
protected:
    void SetUp() override {
        RecmanTest::SetUp();
        for (int i = 0; i < 3; ++i) {
            names[i] = path("s" + std::to_string(i) + ".db");
            auto spec = fileSpec(kLen, 1);
            auto keys = segBlock({{1, 4, KF_EXTENDED, KT_INTEGER}});
            ASSERT_EQ(BtrCreateFile(names[i].c_str(), spec.data(), keys.data()), 0);
        }
    }
    void openAll() {
        for (int i = 0; i < 3; ++i) ASSERT_EQ(BtrOpenFile(&h[i], names[i].c_str(), 0, 0), 0);
    }
    bool has(int file, int32_t id) {
        Rec r;
        int32_t k = id;
        return BtrGet(B_GET_EQUAL, h[file], &k, &r, kLen) == 0;
    }
    std::string text(int file, int32_t id) {
        Rec r{};
        int32_t k = id;
        if (BtrGet(B_GET_EQUAL, h[file], &k, &r, kLen) != 0) return "<none>";
        return std::string(r.text, strnlen(r.text, sizeof r.text));
    }
    int put(int file, int32_t id, const char* t) {
        Rec r{id, {}};
        std::snprintf(r.text, sizeof r.text, "%s", t);
        return BtrWrite(B_INSERT, h[file], nullptr, &r, kLen);
    }
    int set(int file, int32_t id, const char* t) {
        Rec r{};
        int32_t k = id;
        if (int st = BtrGet(B_GET_EQUAL, h[file], &k, &r, kLen)) return st;
        std::snprintf(r.text, sizeof r.text, "%s", t);
        return BtrWrite(B_UPDATE, h[file], nullptr, &r, kLen);
    }
    std::string names[3];
    uint16_t h[3] = {};
};

TEST_F(Savepoints, StatusesOutsideAndInsideATransaction) {
    struct Case {
        bool inTx;
        bool marked;
        int op;
        int status;
    } cases[] = {
        {false, false, RECMAN_SAVEPOINT_SET, B_NO_TRANSACTION},
        {false, false, RECMAN_SAVEPOINT_RELEASE, B_NO_TRANSACTION},
        {false, false, RECMAN_SAVEPOINT_UNDO, B_NO_TRANSACTION},
        {true, false, RECMAN_SAVEPOINT_RELEASE, B_NO_TRANSACTION},
        {true, false, RECMAN_SAVEPOINT_UNDO, B_NO_TRANSACTION},
        {true, true, RECMAN_SAVEPOINT_SET, B_TRANSACTION_ACTIVE},
        {true, false, 9, B_INVALID_OPERATION},
        {true, false, RECMAN_SAVEPOINT_SET, 0},
    };
    openAll();
    for (const Case& c : cases) {
        if (c.inTx) {
            ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
        }
        if (c.marked) {
            ASSERT_EQ(BtrSavepoint(RECMAN_SAVEPOINT_SET), 0);
        }
        EXPECT_EQ(BtrSavepoint(c.op), c.status) << "op " << c.op << (c.inTx ? " in" : " outside") << " a transaction";
        if (c.inTx) {
            ASSERT_EQ(BtrTransaction(B_ABORT_TRAN), 0);
        }
    }
    // end drops the mark with the transaction
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    ASSERT_EQ(BtrSavepoint(RECMAN_SAVEPOINT_SET), 0);
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    EXPECT_EQ(BtrSavepoint(RECMAN_SAVEPOINT_RELEASE), B_NO_TRANSACTION);
}

// Three units of work in one transaction, each behind a savepoint; the
// second fails after writing every file (the third file first written in
// it) and is undone alone; the others commit.
TEST_F(Savepoints, AUnitUndoneInsideABatchGoesAloneAndTheOthersCommit) {
    openAll();
    ASSERT_EQ(put(0, 0, "0"), 0);
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    for (int32_t unit = 1; unit <= 3; ++unit) {
        ASSERT_EQ(BtrSavepoint(RECMAN_SAVEPOINT_SET), 0);
        ASSERT_EQ(put(0, unit, "unit"), 0);
        ASSERT_EQ(put(1, unit, "unit"), 0);
        ASSERT_EQ(set(0, 0, std::to_string(unit).c_str()), 0);
        if (unit == 2) {
            ASSERT_EQ(put(2, unit, "unit"), 0);
            ASSERT_EQ(set(1, 1, "changed"), 0);
            EXPECT_TRUE(has(2, 2)) << "the unit's own writes are seen before the undo";
            ASSERT_EQ(BtrSavepoint(RECMAN_SAVEPOINT_UNDO), 0);
            EXPECT_FALSE(has(0, 2));
            EXPECT_EQ(text(0, 0), "1") << "the record as it stood at the mark";
        } else {
            ASSERT_EQ(BtrSavepoint(RECMAN_SAVEPOINT_RELEASE), 0);
        }
    }
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    RecmanReset();
    openAll();
    for (int file = 0; file < 3; ++file) {
        EXPECT_EQ(has(file, 1), file < 2) << "file " << file;
        EXPECT_FALSE(has(file, 2)) << "file " << file;
        EXPECT_EQ(has(file, 3), file < 2) << "file " << file;
    }
    EXPECT_EQ(text(0, 0), "3");
    EXPECT_EQ(text(1, 1), "unit");
}

// The rows a closed file keeps for undoing, read directly.
int undoRows(const std::string& file) {
    sqlite3* db = nullptr;
    int n = -1;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM rm_undo", -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            n = sqlite3_column_int(s, 0);
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return n;
}

TEST_F(Savepoints, ARecordIsSavedForUndoingOnceAndAOneFileTransactionSavesNone) {
    RMTEST_LOCAL_ONLY();
    openAll();
    ASSERT_EQ(put(0, 1, "a"), 0);
    ASSERT_EQ(put(1, 1, "a"), 0);
    // one file, the record changed five times
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(set(0, 1, std::to_string(i).c_str()), 0);
    ASSERT_EQ(put(0, 2, "b"), 0);
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    RecmanReset();
    EXPECT_EQ(undoRows(names[0]), 0) << "a one-file transaction saves nothing";
    // two files: the record once, the new record once
    openAll();
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(set(0, 1, std::to_string(i + 10).c_str()), 0);
    ASSERT_EQ(put(1, 2, "b"), 0);
    ASSERT_EQ(set(1, 2, "c"), 0);
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    RecmanReset();
    EXPECT_EQ(undoRows(names[0]), 1);
    EXPECT_EQ(undoRows(names[1]), 1);
}

// A file read inside a transaction keeps the snapshot of its first read,
// while another process changes the record; the first write to the file
// starts from a new one (the record changed since it was read: 80); after
// the end the change is seen.
TEST_F(Savepoints, ReadsInsideATransactionSeeOneSnapshot) {
    RMTEST_LOCAL_ONLY();
    openAll();
    ASSERT_EQ(put(0, 1, "before"), 0);
    RecmanReset();
    Pipe go, done;
    const pid_t kid = mp::spawn([&]() -> int {
        uint16_t f = 0;
        if (BtrOpenFile(&f, names[0].c_str(), 0, 0)) return 10;
        if (go.get() != 'g') return 11;
        Rec r{};
        int32_t k = 1;
        if (BtrGet(B_GET_EQUAL, f, &k, &r, kLen)) return 12;
        std::snprintf(r.text, sizeof r.text, "after");
        if (BtrWrite(B_UPDATE, f, nullptr, &r, kLen)) return 13;
        done.put('d');
        return 0;
    });
    openAll();
    ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
    EXPECT_EQ(text(0, 1), "before");
    go.put('g');
    ASSERT_EQ(done.get(), 'd');
    EXPECT_EQ(text(0, 1), "before") << "the transaction's snapshot";
    Rec r{};
    int32_t k = 1;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h[0], &k, &r, kLen), 0);
    ASSERT_EQ(put(1, 5, "other"), 0);
    EXPECT_EQ(BtrWrite(B_UPDATE, h[0], nullptr, &r, kLen), B_CONFLICT);
    EXPECT_EQ(text(0, 1), "after") << "after its first write the file is read anew";
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    EXPECT_EQ(text(0, 1), "after");
    EXPECT_EQ(mp::reap(kid), 0);
}

}  // namespace
