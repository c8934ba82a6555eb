// Record manager against raw SQLite: the same work done both ways in one run.
// 100,000 records of 200 bytes with two keys (a unique 10-byte string and an
// integer with duplicates): insert, get equal, get next over the whole file,
// and read-then-update. The raw side uses prepared statements on a table with
// the keys in their own indexed columns, in the same journal mode and
// synchronous setting as the record manager. Prints each time and the ratio.
// Then transactions: 10 inserts over 3 files per transaction (4, 3, 3), the
// record manager's BtrTransaction against raw SQLite with one transaction
// per file (BEGIN ... COMMIT on each of the three databases).
//
//   recman_bench [records] [folder] [transactions]
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "recman.h"

namespace {

constexpr int kLen = 200;

#pragma pack(push, 1)
struct Record {
    char code[10];   // key 0, unique
    int32_t group;   // key 1, duplicates
    char payload[kLen - 14];
};
#pragma pack(pop)
static_assert(sizeof(Record) == kLen);

Record makeRecord(int i) {
    Record r{};
    std::snprintf(r.code, sizeof r.code, "%09d", i * 7 % 1000003);
    r.group = i % 1000;
    for (size_t j = 0; j < sizeof r.payload; ++j) r.payload[j] = char('a' + (i + int(j)) % 26);
    return r;
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "failed: %s\n", what);
        std::exit(1);
    }
}

struct Times {
    double insert = 0, equal = 0, scan = 1e9, update = 0;
};

// The two sides run in alternating slices of each operation, so that a
// change of machine load falls on both alike; a scan runs several times and
// its best time counts.
class RecmanSide {
public:
    explicit RecmanSide(const std::string& path) {
        create(path);
        check(BtrOpenFile(&h_, path.c_str(), 0, 0) == 0, "open");
    }
    static void create(const std::string& path) {
        uint8_t spec[16] = {};
        spec[0] = kLen;
        spec[3] = 0x10;
        spec[4] = 2;
        uint8_t keys[32] = {};
        keys[0] = 1;
        keys[2] = 10;  // string at 1, unique
        keys[16] = 11;
        keys[18] = 4;
        keys[20] = KF_DUPLICATES | KF_MODIFIABLE;
        keys[21] = KF_EXTENDED >> 8;
        keys[26] = KT_INTEGER;
        check(BtrCreateFile(path.c_str(), spec, keys) == 0, "create");
    }
    uint16_t handle() const { return h_; }
    ~RecmanSide() { BtrCloseFile(h_); }
    void insert(int i) {
        r_ = makeRecord(i);
        check(BtrWrite(B_INSERT, h_, key_, &r_, kLen) == 0, "insert");
    }
    void equal(int i) {
        Record want = makeRecord(i);
        std::memcpy(key_, want.code, 10);
        check(BtrGet(B_GET_EQUAL, h_, key_, &r_, kLen) == 0, "get equal");
    }
    int scan() {
        int seen = 0;
        for (int st = BtrGet(B_GET_FIRST, h_, key_, &r_, kLen); st == 0; st = BtrGet(B_GET_NEXT, h_, key_, &r_, kLen))
            ++seen;
        return seen;
    }
    void update(int i) {
        equal(i);
        r_.group += 1;
        r_.payload[0] = 'U';
        check(BtrWrite(B_UPDATE, h_, key_, &r_, kLen) == 0, "update");
    }

private:
    uint16_t h_ = 0;
    char key_[16] = {};
    Record r_{};
};

sqlite3_stmt* prep(sqlite3* db, const char* sql) {
    sqlite3_stmt* s = nullptr;
    check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK, sql);
    return s;
}

class RawSide {
public:
    explicit RawSide(const std::string& path) {
        ::unlink(path.c_str());
        check(sqlite3_open(path.c_str(), &db_) == SQLITE_OK, "raw open");
        check(sqlite3_exec(db_,
                           "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-16384;"
                           "CREATE TABLE rec(pos INTEGER PRIMARY KEY, code BLOB NOT NULL, grp INTEGER NOT NULL,"
                           " data BLOB NOT NULL);"
                           "CREATE UNIQUE INDEX rec_code ON rec(code); CREATE INDEX rec_grp ON rec(grp);",
                           nullptr, nullptr, nullptr) == SQLITE_OK,
              "raw schema");
        ins_ = prep(db_, "INSERT INTO rec(code, grp, data) VALUES(?1, ?2, ?3)");
        get_ = prep(db_, "SELECT pos, data FROM rec WHERE code = ?1");
        scan_ = prep(db_, "SELECT data FROM rec ORDER BY code");
        upd_ = prep(db_, "UPDATE rec SET grp = ?1, data = ?2 WHERE pos = ?3");
    }
    ~RawSide() {
        for (auto* s : {ins_, get_, scan_, upd_}) sqlite3_finalize(s);
        sqlite3_close(db_);
    }
    void insert(int i) {
        r_ = makeRecord(i);
        sqlite3_bind_blob(ins_, 1, r_.code, 10, SQLITE_STATIC);
        sqlite3_bind_int(ins_, 2, r_.group);
        sqlite3_bind_blob(ins_, 3, &r_, kLen, SQLITE_STATIC);
        check(sqlite3_step(ins_) == SQLITE_DONE, "raw insert");
        sqlite3_reset(ins_);
    }
    int64_t equal(int i) {
        Record want = makeRecord(i);
        sqlite3_bind_blob(get_, 1, want.code, 10, SQLITE_STATIC);
        check(sqlite3_step(get_) == SQLITE_ROW, "raw get");
        const int64_t pos = sqlite3_column_int64(get_, 0);
        std::memcpy(&r_, sqlite3_column_blob(get_, 1), kLen);
        sqlite3_reset(get_);
        return pos;
    }
    int scan() {
        int seen = 0;
        while (sqlite3_step(scan_) == SQLITE_ROW) {
            std::memcpy(&r_, sqlite3_column_blob(scan_, 0), kLen);
            ++seen;
        }
        sqlite3_reset(scan_);
        return seen;
    }
    void update(int i) {
        const int64_t pos = equal(i);
        r_.group += 1;
        r_.payload[0] = 'U';
        sqlite3_bind_int(upd_, 1, r_.group);
        sqlite3_bind_blob(upd_, 2, &r_, kLen, SQLITE_STATIC);
        sqlite3_bind_int64(upd_, 3, pos);
        check(sqlite3_step(upd_) == SQLITE_DONE, "raw update");
        sqlite3_reset(upd_);
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt *ins_ = nullptr, *get_ = nullptr, *scan_ = nullptr, *upd_ = nullptr;
    Record r_{};
};

// Three files, 10 inserts per transaction.
constexpr int kTxFiles = 3;
constexpr int kTxInserts = 10;

class RecmanTx {
public:
    explicit RecmanTx(const std::string& dir) {
        for (int i = 0; i < kTxFiles; ++i) {
            paths_[i] = dir + "/recman_bench_tx" + std::to_string(i) + ".db";
            RecmanSide::create(paths_[i]);
            check(BtrOpenFile(&h_[i], paths_[i].c_str(), 0, 0) == 0, "open tx file");
        }
    }
    ~RecmanTx() {
        for (int i = 0; i < kTxFiles; ++i) BtrCloseFile(h_[i]);
        for (auto& p : paths_) {
            ::unlink(p.c_str());
            ::unlink((p + "-wal").c_str());
            ::unlink((p + "-shm").c_str());
        }
    }
    void run(int t) {
        check(BtrTransaction(B_BEGIN_TRAN) == 0, "begin");
        for (int j = 0; j < kTxInserts; ++j) {
            Record r = makeRecord(t * kTxInserts + j);
            check(BtrWrite(B_INSERT, h_[j % kTxFiles], key_, &r, kLen) == 0, "tx insert");
        }
        check(BtrTransaction(B_END_TRAN) == 0, "end");
    }
    int64_t count() const {
        int64_t n = 0;
        for (int i = 0; i < kTxFiles; ++i) n += BtrGetRecordCount(h_[i]);
        return n;
    }

private:
    std::string paths_[kTxFiles];
    uint16_t h_[kTxFiles] = {};
    char key_[16] = {};
};

class RawTx {
public:
    explicit RawTx(const std::string& dir) {
        for (int i = 0; i < kTxFiles; ++i) {
            paths_[i] = dir + "/recman_bench_rawtx" + std::to_string(i) + ".db";
            ::unlink(paths_[i].c_str());
            check(sqlite3_open(paths_[i].c_str(), &db_[i]) == SQLITE_OK, "raw tx open");
            check(sqlite3_exec(db_[i],
                               "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-16384;"
                               "CREATE TABLE rec(pos INTEGER PRIMARY KEY, code BLOB NOT NULL, grp INTEGER NOT NULL,"
                               " data BLOB NOT NULL);"
                               "CREATE UNIQUE INDEX rec_code ON rec(code); CREATE INDEX rec_grp ON rec(grp);",
                               nullptr, nullptr, nullptr) == SQLITE_OK,
                  "raw tx schema");
            ins_[i] = prep(db_[i], "INSERT INTO rec(code, grp, data) VALUES(?1, ?2, ?3)");
            begin_[i] = prep(db_[i], "BEGIN");
            commit_[i] = prep(db_[i], "COMMIT");
        }
    }
    ~RawTx() {
        for (int i = 0; i < kTxFiles; ++i) {
            for (auto* s : {ins_[i], begin_[i], commit_[i]}) sqlite3_finalize(s);
            sqlite3_close(db_[i]);
            ::unlink(paths_[i].c_str());
        }
    }
    void run(int t) {
        for (int i = 0; i < kTxFiles; ++i) {
            check(sqlite3_step(begin_[i]) == SQLITE_DONE, "raw begin");
            sqlite3_reset(begin_[i]);
            for (int j = i; j < kTxInserts; j += kTxFiles) {
                Record r = makeRecord(t * kTxInserts + j);
                sqlite3_bind_blob(ins_[i], 1, r.code, 10, SQLITE_STATIC);
                sqlite3_bind_int(ins_[i], 2, r.group);
                sqlite3_bind_blob(ins_[i], 3, &r, kLen, SQLITE_STATIC);
                check(sqlite3_step(ins_[i]) == SQLITE_DONE, "raw tx insert");
                sqlite3_reset(ins_[i]);
            }
            check(sqlite3_step(commit_[i]) == SQLITE_DONE, "raw commit");
            sqlite3_reset(commit_[i]);
        }
    }

private:
    std::string paths_[kTxFiles];
    sqlite3* db_[kTxFiles] = {};
    sqlite3_stmt* ins_[kTxFiles] = {};
    sqlite3_stmt* begin_[kTxFiles] = {};
    sqlite3_stmt* commit_[kTxFiles] = {};
};

template <typename F>
double timed(F&& f) {
    const double t0 = now();
    f();
    return now() - t0;
}

void run(RecmanSide& rm, RawSide& raw, int n, const std::vector<int>& order, Times& trm, Times& traw) {
    const int slices = 10;
    const int per = (n + slices - 1) / slices;
    for (int s = 0; s < slices; ++s) {
        const int lo = s * per, hi = std::min(n, lo + per);
        traw.insert += timed([&] { for (int i = lo; i < hi; ++i) raw.insert(i); });
        trm.insert += timed([&] { for (int i = lo; i < hi; ++i) rm.insert(i); });
    }
    for (int s = 0; s < slices; ++s) {
        const int lo = s * per, hi = std::min(n, lo + per);
        traw.equal += timed([&] { for (int i = lo; i < hi; ++i) raw.equal(order[size_t(i)]); });
        trm.equal += timed([&] { for (int i = lo; i < hi; ++i) rm.equal(order[size_t(i)]); });
    }
    for (int s = 0; s < 5; ++s) {
        int a = 0, b = 0;
        traw.scan = std::min(traw.scan, timed([&] { a = raw.scan(); }));
        trm.scan = std::min(trm.scan, timed([&] { b = rm.scan(); }));
        check(a == n && b == n, "scan count");
    }
    for (int s = 0; s < slices; ++s) {
        const int lo = s * per, hi = std::min(n, lo + per);
        traw.update += timed([&] { for (int i = lo; i < hi; ++i) raw.update(order[size_t(i)]); });
        trm.update += timed([&] { for (int i = lo; i < hi; ++i) rm.update(order[size_t(i)]); });
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string dir = argc > 2 ? argv[2] : "/tmp";
    const int ntx = argc > 3 ? std::atoi(argv[3]) : 5000;
    const std::string rmPath = dir + "/recman_bench.db";
    const std::string rawPath = dir + "/recman_bench_raw.db";
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[size_t(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(42));

    Times rm, raw;
    {
        RecmanSide rmSide(rmPath);
        RawSide rawSide(rawPath);
        run(rmSide, rawSide, n, order, rm, raw);
    }
    std::printf("%d records of %d bytes, two keys\n", n, kLen);
    std::printf("%-22s %12s %12s %8s\n", "operation", "recman s", "sqlite s", "ratio");
    auto row = [](const char* what, double a, double b) {
        std::printf("%-22s %12.3f %12.3f %8.2f\n", what, a, b, a / b);
    };
    row("insert", rm.insert, raw.insert);
    row("get equal", rm.equal, raw.equal);
    row("get next scan", rm.scan, raw.scan);
    row("get equal + update", rm.update, raw.update);

    double txRm = 0, txRaw = 0;
    {
        RecmanTx rmTx(dir);
        RawTx rawTx(dir);
        const int slices = 10;
        const int per = (ntx + slices - 1) / slices;
        for (int s = 0; s < slices; ++s) {
            const int lo = s * per, hi = std::min(ntx, lo + per);
            txRaw += timed([&] { for (int t = lo; t < hi; ++t) rawTx.run(t); });
            txRm += timed([&] { for (int t = lo; t < hi; ++t) rmTx.run(t); });
        }
        check(rmTx.count() == int64_t(ntx) * kTxInserts, "tx count");
    }
    std::printf("%d transactions of %d inserts over %d files\n", ntx, kTxInserts, kTxFiles);
    row("transaction", txRm, txRaw);
    row("per transaction (ms)", txRm * 1000 / ntx, txRaw * 1000 / ntx);
    for (const auto& p : {rmPath, rawPath}) {
        ::unlink(p.c_str());
        ::unlink((p + "-wal").c_str());
        ::unlink((p + "-shm").c_str());
    }
    return 0;
}
