// Record manager against raw SQLite: the same work done both ways in one run.
// 100,000 records of 200 bytes with two keys (a unique 10-byte string and an
// integer with duplicates): insert, get equal, get next over the whole file,
// and read-then-update. The raw side uses prepared statements on a table with
// the keys in their own indexed columns, in the same journal mode and
// synchronous setting as the record manager. Prints each time and the ratio.
//
//   recman_bench [records] [folder]
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
    double insert = 0, equal = 0, scan = 0, update = 0;
};

Times runRecman(const std::string& path, int n, const std::vector<int>& order) {
    Times t;
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
    uint16_t h = 0;
    check(BtrOpenFile(&h, path.c_str(), 0, 0) == 0, "open");
    char key[16];
    Record r{};

    double t0 = now();
    for (int i = 0; i < n; ++i) {
        r = makeRecord(i);
        check(BtrWrite(B_INSERT, h, key, &r, kLen) == 0, "insert");
    }
    t.insert = now() - t0;

    t0 = now();
    for (int i : order) {
        Record want = makeRecord(i);
        std::memcpy(key, want.code, 10);
        check(BtrGet(B_GET_EQUAL, h, key, &r, kLen) == 0, "get equal");
    }
    t.equal = now() - t0;

    t0 = now();
    int seen = 0;
    for (int st = BtrGet(B_GET_FIRST, h, key, &r, kLen); st == 0; st = BtrGet(B_GET_NEXT, h, key, &r, kLen)) ++seen;
    t.scan = now() - t0;
    check(seen == n, "scan count");

    t0 = now();
    for (int i : order) {
        Record want = makeRecord(i);
        std::memcpy(key, want.code, 10);
        check(BtrGet(B_GET_EQUAL, h, key, &r, kLen) == 0, "get equal before update");
        r.group += 1;
        r.payload[0] = 'U';
        check(BtrWrite(B_UPDATE, h, key, &r, kLen) == 0, "update");
    }
    t.update = now() - t0;
    BtrCloseFile(h);
    return t;
}

sqlite3_stmt* prep(sqlite3* db, const char* sql) {
    sqlite3_stmt* s = nullptr;
    check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK, sql);
    return s;
}

Times runRaw(const std::string& path, int n, const std::vector<int>& order) {
    Times t;
    ::unlink(path.c_str());
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "raw open");
    check(sqlite3_exec(db,
                       "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-16384;"
                       "CREATE TABLE rec(pos INTEGER PRIMARY KEY, code BLOB NOT NULL, grp INTEGER NOT NULL,"
                       " data BLOB NOT NULL);"
                       "CREATE UNIQUE INDEX rec_code ON rec(code); CREATE INDEX rec_grp ON rec(grp);",
                       nullptr, nullptr, nullptr) == SQLITE_OK,
          "raw schema");
    sqlite3_stmt* ins = prep(db, "INSERT INTO rec(code, grp, data) VALUES(?1, ?2, ?3)");
    sqlite3_stmt* get = prep(db, "SELECT pos, data FROM rec WHERE code = ?1");
    sqlite3_stmt* scan = prep(db, "SELECT data FROM rec ORDER BY code");
    sqlite3_stmt* upd = prep(db, "UPDATE rec SET grp = ?1, data = ?2 WHERE pos = ?3");
    Record r{};

    double t0 = now();
    for (int i = 0; i < n; ++i) {
        r = makeRecord(i);
        sqlite3_bind_blob(ins, 1, r.code, 10, SQLITE_STATIC);
        sqlite3_bind_int(ins, 2, r.group);
        sqlite3_bind_blob(ins, 3, &r, kLen, SQLITE_STATIC);
        check(sqlite3_step(ins) == SQLITE_DONE, "raw insert");
        sqlite3_reset(ins);
    }
    t.insert = now() - t0;

    t0 = now();
    for (int i : order) {
        Record want = makeRecord(i);
        sqlite3_bind_blob(get, 1, want.code, 10, SQLITE_STATIC);
        check(sqlite3_step(get) == SQLITE_ROW, "raw get");
        std::memcpy(&r, sqlite3_column_blob(get, 1), kLen);
        sqlite3_reset(get);
    }
    t.equal = now() - t0;

    t0 = now();
    int seen = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
        std::memcpy(&r, sqlite3_column_blob(scan, 0), kLen);
        ++seen;
    }
    sqlite3_reset(scan);
    t.scan = now() - t0;
    check(seen == n, "raw scan count");

    t0 = now();
    for (int i : order) {
        Record want = makeRecord(i);
        sqlite3_bind_blob(get, 1, want.code, 10, SQLITE_STATIC);
        check(sqlite3_step(get) == SQLITE_ROW, "raw get before update");
        const int64_t pos = sqlite3_column_int64(get, 0);
        std::memcpy(&r, sqlite3_column_blob(get, 1), kLen);
        sqlite3_reset(get);
        r.group += 1;
        r.payload[0] = 'U';
        sqlite3_bind_int(upd, 1, r.group);
        sqlite3_bind_blob(upd, 2, &r, kLen, SQLITE_STATIC);
        sqlite3_bind_int64(upd, 3, pos);
        check(sqlite3_step(upd) == SQLITE_DONE, "raw update");
        sqlite3_reset(upd);
    }
    t.update = now() - t0;
    for (auto* s : {ins, get, scan, upd}) sqlite3_finalize(s);
    sqlite3_close(db);
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string dir = argc > 2 ? argv[2] : "/tmp";
    const std::string rmPath = dir + "/recman_bench.db";
    const std::string rawPath = dir + "/recman_bench_raw.db";
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[size_t(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(42));

    const Times raw = runRaw(rawPath, n, order);
    const Times rm = runRecman(rmPath, n, order);
    std::printf("%d records of %d bytes, two keys\n", n, kLen);
    std::printf("%-22s %12s %12s %8s\n", "operation", "recman s", "sqlite s", "ratio");
    auto row = [](const char* what, double a, double b) {
        std::printf("%-22s %12.3f %12.3f %8.2f\n", what, a, b, a / b);
    };
    row("insert", rm.insert, raw.insert);
    row("get equal", rm.equal, raw.equal);
    row("get next scan", rm.scan, raw.scan);
    row("get equal + update", rm.update, raw.update);
    for (const auto& p : {rmPath, rawPath}) {
        ::unlink(p.c_str());
        ::unlink((p + "-wal").c_str());
        ::unlink((p + "-shm").c_str());
    }
    return 0;
}
