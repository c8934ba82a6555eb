#include "pgstore.hpp"

#include <endian.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>

#include "recman.h"

namespace recman {

namespace {

constexpr int kMaxParams = 160;

const int* binaryFormats() {
    static int f[kMaxParams];
    static bool init = [] {
        for (int& v : f) v = 1;
        return true;
    }();
    (void)init;
    return f;
}

std::map<std::string, std::shared_ptr<PgConn>>& conns() {
    static auto* m = new std::map<std::string, std::shared_ptr<PgConn>>;
    return *m;
}

std::mt19937_64& rng() {
    static std::mt19937_64 r{std::random_device{}()};
    return r;
}

uint32_t fnv(const std::string& a, const std::string& b) {
    uint32_t h = 2166136261u;
    for (unsigned char c : a + std::string(1, '\0') + b) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

// Advisory lock keys: the bigint form is a space of its own (the server
// tells it from the two-int form of record locks).
int64_t openKeyOf(const ServerConf& c, const std::string& name) {
    return (int64_t(1) << 32) | int64_t(fnv(c.uri + "\n" + c.schema, name));
}
int64_t schemaKeyOf(const ServerConf& c) { return (int64_t(3) << 32) | int64_t(fnv(c.uri, c.schema)); }

// Parameters of a statement, all in binary form.
struct Params {
    std::vector<std::string> keep;
    const char* v[kMaxParams] = {};
    int l[kMaxParams] = {};
    int n = 0;
    Params() { keep.reserve(kMaxParams); }
    void raw(const void* p, size_t len) {
        v[n] = len ? static_cast<const char*>(p) : "";
        l[n] = int(len);
        ++n;
    }
    void bytes(const std::string& s) { raw(s.data(), s.size()); }
    void bytes(const std::vector<uint8_t>& b) { raw(b.data(), b.size()); }
    void i8(int64_t x) {
        const uint64_t be = htobe64(uint64_t(x));
        keep.emplace_back(reinterpret_cast<const char*>(&be), 8);
        raw(keep.back().data(), 8);
    }
    void i4(int32_t x) {
        const uint32_t be = htobe32(uint32_t(x));
        keep.emplace_back(reinterpret_cast<const char*>(&be), 4);
        raw(keep.back().data(), 4);
    }
};

int64_t getI8(PGresult* r, int row, int col) {
    uint64_t be = 0;
    std::memcpy(&be, PQgetvalue(r, row, col), 8);
    return int64_t(be64toh(be));
}
int32_t getI4(PGresult* r, int row, int col) {
    uint32_t be = 0;
    std::memcpy(&be, PQgetvalue(r, row, col), 4);
    return int32_t(be32toh(be));
}
bool getBool(PGresult* r, int row, int col) { return PQgetvalue(r, row, col)[0] != 0; }

struct Result {
    PGresult* r = nullptr;
    ~Result() { PQclear(r); }
};

std::string sqlState(PGresult* r) {
    const char* s = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return s ? s : "";
}

void quiet(void*, const char*) {}

int connectTo(const ServerConf& conf, std::shared_ptr<PgConn>& out) {
    auto c = std::make_shared<PgConn>();
    c->key = conf.uri + "\n" + conf.schema;
    c->pg = PQconnectdb(conf.uri.c_str());
    if (!c->pg || PQstatus(c->pg) != CONNECTION_OK) return B_SESSION_LOST;
    PQsetNoticeProcessor(c->pg, quiet, nullptr);
    char* q = PQescapeIdentifier(c->pg, conf.schema.c_str(), conf.schema.size());
    if (!q) return B_IO_ERROR;
    c->schema = q;
    PQfreemem(q);
    char sql[320];
    // The server lets a connection's locks go when the connection ends:
    // keepalives tell it soon when the client's machine went away.
    std::snprintf(sql, sizeof sql,
                  "SET lock_timeout = %d; SET client_min_messages = warning; SET tcp_keepalives_idle = 10;"
                  " SET tcp_keepalives_interval = 5; SET tcp_keepalives_count = 3;"
                  " SET application_name = 'recman %d';",
                  RECMAN_TRAN_WAIT_MS, int(::getpid()));
    int st = c->simple("SET search_path TO " + c->schema + "; " + sql);
    if (st) return st;
    out = std::move(c);
    return 0;
}

// The process's connection to a server folder (a new one when the last
// one was lost).
int connection(const ServerConf& conf, std::shared_ptr<PgConn>& out) {
    const std::string key = conf.uri + "\n" + conf.schema;
    auto& m = conns();
    auto it = m.find(key);
    if (it != m.end() && !it->second->lost) {
        out = it->second;
        return 0;
    }
    std::shared_ptr<PgConn> c;
    const int st = connectTo(conf, c);
    if (st) return st;
    m[key] = c;
    out = c;
    return 0;
}

constexpr const char* kCatalog =
    "CREATE TABLE IF NOT EXISTS rm_files(name text PRIMARY KEY, tbl text NOT NULL, reclen int NOT NULL,"
    " pagesize int NOT NULL, flags int NOT NULL, gen int NOT NULL, nextix int NOT NULL, lockid int NOT NULL);"
    "CREATE TABLE IF NOT EXISTS rm_keys(name text NOT NULL, keyno int NOT NULL, spec bytea NOT NULL,"
    " col text NOT NULL, PRIMARY KEY(name, keyno));";

std::string hexOf(uint64_t v, int digits) {
    char b[17];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(v));
    return std::string(b + 16 - digits);
}

// A statement with text parameters and binary results.
PGresult* textQuery(PgConn& c, const std::string& sql, const std::vector<std::string>& params, int& st) {
    std::vector<const char*> v;
    for (const auto& p : params) v.push_back(p.c_str());
    PGresult* r = PQexecParams(c.pg, sql.c_str(), int(v.size()), nullptr, v.data(), nullptr, nullptr, 1);
    st = c.statusOf(r);
    if (st) {
        PQclear(r);
        return nullptr;
    }
    return r;
}

std::string indexSql(const std::string& tbl, const std::string& ix, const std::string& col, bool dups) {
    return std::string(dups ? "CREATE INDEX " : "CREATE UNIQUE INDEX ") + ix + " ON " + tbl + "(" + col +
           (dups ? ", pos)" : ")");
}

// Drops a file's table and catalog rows inside the caller's transaction.
int dropFile(PgConn& c, const std::string& name) {
    int st = 0;
    Result r;
    r.r = textQuery(c, "SELECT tbl FROM rm_files WHERE name = $1", {name}, st);
    if (st) return st;
    if (PQntuples(r.r) == 0) return B_FILE_NOT_FOUND;
    const std::string tbl(PQgetvalue(r.r, 0, 0), size_t(PQgetlength(r.r, 0, 0)));
    if ((st = c.simple("DROP TABLE IF EXISTS " + tbl))) return st;
    Result d;
    d.r = textQuery(c, "DELETE FROM rm_files WHERE name = $1", {name}, st);
    if (!st) {
        Result k;
        k.r = textQuery(c, "DELETE FROM rm_keys WHERE name = $1", {name}, st);
    }
    return st;
}

// Runs `body` in a transaction of its own: on the process's connection,
// or, while that one is inside the process transaction, on a connection of
// its own (a file is made, renamed or removed at once, as on disk).
template <typename Body>
int ownTransaction(const ServerConf& conf, Body body) {
    std::shared_ptr<PgConn> main;
    int st = connection(conf, main);
    if (st) return st;
    std::shared_ptr<PgConn> c = main;
    if (main->inTx && (st = connectTo(conf, c))) return st;
    if ((st = c->simple("BEGIN"))) return st;
    st = body(*c);
    if (st) {
        c->simple("ROLLBACK");
        return st;
    }
    Result r;
    r.r = PQexec(c->pg, "COMMIT");
    st = c->statusOf(r.r);
    if (!st && std::strcmp(PQcmdStatus(r.r), "COMMIT") != 0) st = B_FILE_IN_USE;
    return st;
}

// 85 unless no other connection has the file open (the caller's
// transaction holds it so until its end).
int claimName(PgConn& c, const ServerConf& conf, const std::string& name) {
    Params p;
    p.i8(openKeyOf(conf, name));
    int st = 0;
    Result r;
    r.r = c.execPrepared("rm_claim", "SELECT pg_try_advisory_xact_lock($1::int8)", p.n, p.v, p.l, st);
    if (st) return st;
    return getBool(r.r, 0, 0) ? 0 : B_FILE_IN_USE;
}

}  // namespace

int pgStatus(const char* s) {
    if (!s || !*s) return B_IO_ERROR;
    const std::string st(s);
    if (st == "23505") return B_DUPLICATE_KEY;
    if (st == "55P03" || st == "40P01" || st == "40001" || st == "57014" || st == "25P02" || st == "55006")
        return B_FILE_IN_USE;
    if (st == "42501") return B_PERMISSION_ERROR;
    if (st == "53100") return B_DISK_FULL;
    if (st == "42P01" || st == "3F000") return B_FILE_NOT_FOUND;
    if (st.compare(0, 2, "08") == 0 || st.compare(0, 2, "57") == 0) return B_SESSION_LOST;
    return B_IO_ERROR;
}

void splitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

int serverFolder(const std::string& folder, ServerConf& conf) {
    const std::string p = folder + "/" + kServerConfName;
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return 0;
    std::ifstream in(p);
    if (!in) return -B_PERMISSION_ERROR;
    std::string line;
    conf = ServerConf();
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        size_t b = line.find_first_not_of(" \t");
        if (b == std::string::npos || line[b] == '#') continue;
        line = line.substr(b);
        if (line.compare(0, 7, "schema ") == 0) {
            conf.schema = line.substr(line.find_first_not_of(' ', 7));
        } else if (conf.uri.empty()) {
            conf.uri = line;
        }
    }
    if (conf.uri.empty() || conf.schema.empty()) return -B_IO_ERROR;
    return 1;
}

// ---- connection -------------------------------------------------------------

PgConn::~PgConn() {
    if (pg && !forgotten) PQfinish(pg);
}

int PgConn::statusOf(PGresult* r) {
    const ExecStatusType t = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (t == PGRES_COMMAND_OK || t == PGRES_TUPLES_OK) return 0;
    if (!pg || PQstatus(pg) == CONNECTION_BAD) {
        lost = true;
        return B_SESSION_LOST;
    }
    if (inTx) failed = true;
    return pgStatus(r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr);
}

int PgConn::simple(const std::string& sql) {
    if (lost) return B_SESSION_LOST;
    Result r;
    r.r = PQexec(pg, sql.c_str());
    return statusOf(r.r);
}

PGresult* PgConn::exec(const std::string& sql, int& status) {
    if (lost) {
        status = B_SESSION_LOST;
        return nullptr;
    }
    PGresult* r = PQexecParams(pg, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 1);
    status = statusOf(r);
    if (status) {
        PQclear(r);
        return nullptr;
    }
    return r;
}

PGresult* PgConn::execPrepared(const std::string& name, const std::string& sql, int n, const char* const* values,
                               const int* lengths, int& status) {
    if (lost) {
        status = B_SESSION_LOST;
        return nullptr;
    }
    if (!prepared.count(name)) {
        Result p;
        p.r = PQprepare(pg, name.c_str(), sql.c_str(), n, nullptr);
        if ((status = statusOf(p.r))) return nullptr;
        prepared.insert(name);
    }
    PGresult* r = PQexecPrepared(pg, name.c_str(), n, values, lengths, binaryFormats(), 1);
    status = statusOf(r);
    if (status) {
        PQclear(r);
        return nullptr;
    }
    return r;
}

int PgConn::txBegin() {
    const int st = simple("BEGIN");
    if (st) return st;
    inTx = true;
    failed = false;
    sp = false;
    steps = 0;
    return 0;
}

int PgConn::txCommit() {
    int st = 0;
    if (lost) {
        st = B_SESSION_LOST;
    } else {
        Result r;
        r.r = PQexec(pg, "COMMIT");
        st = statusOf(r.r);
        // a transaction that failed on the server ends in ROLLBACK
        if (!st && std::strcmp(PQcmdStatus(r.r), "COMMIT") != 0) st = B_FILE_IN_USE;
    }
    for (PgFile* f : joined) f->joined_ = false;
    joined.clear();
    inTx = failed = sp = false;
    steps = 0;
    lastCommit = st;
    return st;
}

void PgConn::txRollback() {
    if (!lost && inTx) simple("ROLLBACK");
    for (PgFile* f : joined) f->joined_ = false;
    joined.clear();
    inTx = failed = sp = false;
    steps = 0;
}

void pgForgetInherited() {
    for (auto& [k, c] : conns()) c->forgotten = true;
    // kept, never closed: the parent's sessions
    static auto* inherited = new std::vector<std::shared_ptr<PgConn>>;
    for (auto& [k, c] : conns()) inherited->push_back(c);
    conns().clear();
}

void pgCloseAll() { conns().clear(); }

// ---- files -------------------------------------------------------------------

PgFile::~PgFile() {
    if (joined_ && conn_) {
        // the process transaction keeps its other files; this one leaves it
        auto& j = conn_->joined;
        for (size_t i = 0; i < j.size(); ++i)
            if (j[i] == this) {
                j.erase(j.begin() + long(i));
                break;
            }
    }
    if (openLocked_ && conn_ && !conn_->lost && !conn_->forgotten) {
        Params p;
        p.i8(openKey_);
        int st = 0;
        Result r;
        r.r = conn_->execPrepared("rm_openrel", "SELECT pg_advisory_unlock_shared($1::int8)", p.n, p.v, p.l, st);
        for (auto& [pos, e] : locks) recordUnlock(pos);
    }
}

int PgFile::gone() { return B_SESSION_LOST; }

int PgFile::load() {
    int st = 0;
    Result r;
    r.r = textQuery(*conn_, "SELECT tbl, reclen, pagesize, flags, gen, lockid FROM rm_files WHERE name = $1",
                    {name_}, st);
    if (st) return st;
    if (PQntuples(r.r) != 1) return B_FILE_NOT_FOUND;
    const std::string tbl(PQgetvalue(r.r, 0, 0), size_t(PQgetlength(r.r, 0, 0)));
    recordLength_ = getI4(r.r, 0, 1);
    pageSize_ = getI4(r.r, 0, 2);
    fileFlags_ = getI4(r.r, 0, 3);
    gen_ = getI4(r.r, 0, 4);
    lockId_ = getI4(r.r, 0, 5);
    tbl_ = tbl;
    Result k;
    k.r = textQuery(*conn_, "SELECT keyno, spec, col FROM rm_keys WHERE name = $1 ORDER BY keyno", {name_}, st);
    if (st) return st;
    keys_.clear();
    cols_.clear();
    for (int i = 0; i < PQntuples(k.r); ++i) {
        KeyDef def;
        const auto* p = reinterpret_cast<const uint8_t*>(PQgetvalue(k.r, i, 1));
        if (getI4(k.r, i, 0) != i || !keyFromSpec(p, PQgetlength(k.r, i, 1), def)) return B_IO_ERROR;
        keys_.push_back(std::move(def));
        cols_.emplace_back(PQgetvalue(k.r, i, 2), size_t(PQgetlength(k.r, i, 2)));
    }
    // statements name the table and the layout they were made for
    tag_ = "f" + tbl_.substr(3) + "g" + std::to_string(gen_) + "_";
    return 0;
}

int PgFile::open(const ServerConf& conf, const std::string& name, std::shared_ptr<Store>& out) {
    std::shared_ptr<PgConn> c;
    int st = connection(conf, c);
    if (st) return st;
    std::shared_ptr<PgFile> f(new PgFile);
    f->conn_ = c;
    f->name_ = name;
    f->path_ = name;
    if ((st = f->load())) return st;
    // the name is held open (shared) for the life of the file; a creation
    // holds it for a moment only
    f->openKey_ = openKeyOf(conf, name);
    const int64_t end = nowMs() + kTranWaitMs;
    for (;;) {
        Params p;
        p.i8(f->openKey_);
        Result r;
        r.r = c->execPrepared("rm_open", "SELECT pg_try_advisory_lock_shared($1::int8)", p.n, p.v, p.l, st);
        if (st) return st;
        if (getBool(r.r, 0, 0)) break;
        if (nowMs() > end) return B_FILE_IN_USE;
        ::usleep(2000);
    }
    f->openLocked_ = true;
    // the file may have been replaced meanwhile
    if ((st = f->load())) return st;
    out = std::move(f);
    return 0;
}

int PgFile::create(const ServerConf& conf, const std::string& name, int recordLength, int pageSize, int fileFlags,
                   const std::vector<KeyDef>& keys) {
    // the catalog, once per schema (serialised: two first creations race)
    int st = ownTransaction(conf, [&](PgConn& c) {
        Params p;
        p.i8(schemaKeyOf(conf));
        int s = 0;
        Result r;
        r.r = c.execPrepared("rm_schemalock", "SELECT pg_advisory_xact_lock($1::int8)", p.n, p.v, p.l, s);
        if (s) return s;
        return c.simple("CREATE SCHEMA IF NOT EXISTS " + c.schema + "; " + kCatalog);
    });
    if (st) return st;
    return ownTransaction(conf, [&](PgConn& c) {
        int s = claimName(c, conf, name);
        if (s) return s;
        s = dropFile(c, name);
        if (s && s != B_FILE_NOT_FOUND) return s;
        const uint64_t id = rng()();
        const std::string tbl = "rm_" + hexOf(id, 12);
        std::string sql = "CREATE TABLE " + tbl +
                          "(pos bigint GENERATED BY DEFAULT AS IDENTITY (MAXVALUE 4294967295) PRIMARY KEY,"
                          " ver bigint NOT NULL, gen int NOT NULL, data bytea NOT NULL";
        for (size_t i = 0; i < keys.size(); ++i) sql += ", kc" + std::to_string(i) + " bytea NOT NULL";
        sql += ", CONSTRAINT " + tbl + "_gen CHECK (gen = 0))";
        if ((s = c.simple(sql))) return s;
        for (size_t i = 0; i < keys.size(); ++i) {
            const std::string col = "kc" + std::to_string(i);
            if ((s = c.simple(indexSql(tbl, tbl + "_" + col, col, keys[i].duplicates)))) return s;
            const auto spec = keys[i].spec();
            Params p;
            p.raw(name.data(), name.size());
            p.i4(int32_t(i));
            p.bytes(spec);
            p.raw(col.data(), col.size());
            Result r;
            // name and col go as text: the binary form of text is its bytes
            r.r = c.execPrepared("rm_addkey", "INSERT INTO rm_keys(name, keyno, spec, col) VALUES($1::text, $2::int4,"
                                 " $3::bytea, $4::text)", p.n, p.v, p.l, s);
            if (s) return s;
        }
        Params p;
        p.raw(name.data(), name.size());
        p.raw(tbl.data(), tbl.size());
        p.i4(recordLength);
        p.i4(pageSize);
        p.i4(fileFlags);
        p.i4(int32_t(keys.size()));
        p.i4(int32_t(uint32_t(id >> 32)));
        Result r;
        r.r = c.execPrepared("rm_addfile",
                             "INSERT INTO rm_files(name, tbl, reclen, pagesize, flags, gen, nextix, lockid)"
                             " VALUES($1::text, $2::text, $3::int4, $4::int4, $5::int4, 0, $6::int4, $7::int4)",
                             p.n, p.v, p.l, s);
        return s;
    });
}

int PgFile::remove(const ServerConf& conf, const std::string& name) {
    return ownTransaction(conf, [&](PgConn& c) {
        const int s = claimName(c, conf, name);
        return s ? s : dropFile(c, name);
    });
}

int PgFile::rename(const ServerConf& conf, const std::string& from, const std::string& to) {
    if (from == to) return exists(conf, from) == 1 ? 0 : B_FILE_NOT_FOUND;
    return ownTransaction(conf, [&](PgConn& c) {
        int s = claimName(c, conf, from);
        if (!s) s = claimName(c, conf, to);
        if (s) return s;
        s = dropFile(c, to);
        if (s && s != B_FILE_NOT_FOUND) return s;
        Result r;
        r.r = textQuery(c, "UPDATE rm_files SET name = $2 WHERE name = $1", {from, to}, s);
        if (s) return s;
        if (std::strcmp(PQcmdTuples(r.r), "1") != 0) return int(B_FILE_NOT_FOUND);
        Result k;
        k.r = textQuery(c, "UPDATE rm_keys SET name = $2 WHERE name = $1", {from, to}, s);
        return s;
    });
}

int PgFile::exists(const ServerConf& conf, const std::string& name) {
    std::shared_ptr<PgConn> c;
    int st = connection(conf, c);
    if (st) return -st;
    Result r;
    r.r = textQuery(*c, "SELECT 1 FROM rm_files WHERE name = $1", {name}, st);
    if (st == B_FILE_NOT_FOUND) return 0;  // no catalog yet
    if (st) return -st;
    return PQntuples(r.r) > 0 ? 1 : 0;
}

int PgFile::openElsewhere(const ServerConf& conf, const std::string& name) {
    std::shared_ptr<PgConn> c;
    int st = connection(conf, c);
    if (st) return -st;
    Params p;
    p.i8(openKeyOf(conf, name));
    Result r;
    r.r = c->execPrepared("rm_probe", "SELECT pg_try_advisory_lock($1::int8)", p.n, p.v, p.l, st);
    if (st) return -st;
    if (!getBool(r.r, 0, 0)) return 1;
    Result u;
    u.r = c->execPrepared("rm_unprobe", "SELECT pg_advisory_unlock($1::int8)", p.n, p.v, p.l, st);
    return 0;
}

int PgFile::list(const ServerConf& conf, std::vector<std::string>& names) {
    names.clear();
    std::shared_ptr<PgConn> c;
    int st = connection(conf, c);
    if (st) return st;
    Result r;
    r.r = textQuery(*c, "SELECT name FROM rm_files ORDER BY name", {}, st);
    if (st == B_FILE_NOT_FOUND) return 0;
    if (st) return st;
    for (int i = 0; i < PQntuples(r.r); ++i) names.emplace_back(PQgetvalue(r.r, i, 0), size_t(PQgetlength(r.r, i, 0)));
    return 0;
}

// ---- reads -------------------------------------------------------------------

int PgFile::run(const std::string& tag, const std::string& sql, int n, const char* const* v, const int* l,
                PGresult*& out) {
    int st = 0;
    out = conn_->execPrepared(tag_ + tag, sql, n, v, l, st);
    return st;
}

int PgFile::rowsOf(PGresult* r, RowSet& rows) {
    const int n = PQntuples(r);
    rows.items.reserve(rows.items.size() + size_t(n));
    for (int i = 0; i < n; ++i) {
        const size_t len = size_t(PQgetlength(r, i, 2));
        if (variable() ? len < size_t(recordLength_) : len != size_t(recordLength_)) return B_IO_ERROR;
        const size_t off = rows.bytes.size();
        const auto* p = reinterpret_cast<const uint8_t*>(PQgetvalue(r, i, 2));
        rows.bytes.insert(rows.bytes.end(), p, p + len);
        rows.items.push_back({uint32_t(getI8(r, i, 0)), getI8(r, i, 1), off, len});
    }
    return 0;
}

int PgFile::readRows(const std::string& tag, const std::string& sql, int n, const char* const* v, const int* l,
                     RowSet& rows) {
    Result r;
    const int st = run(tag, sql, n, v, l, r.r);
    return st ? st : rowsOf(r.r, rows);
}

int PgFile::keyQuery(int key, KeyQuery q, const std::string* enc, uint32_t pos, int limit, RowSet& rows,
                     bool append) {
    if (!append) rows.clear();
    if (key < 0 || size_t(key) >= keys_.size()) return B_INVALID_KEY_NUMBER;
    const std::string& e = cols_[size_t(key)];
    const bool dups = keys_[size_t(key)].duplicates;
    const std::string asc = dups ? e + ", pos" : e;
    const std::string desc = dups ? e + " DESC, pos DESC" : e + " DESC";
    const std::string head = "SELECT pos, ver, data FROM " + tbl_ + " ";
    Params p;
    std::string sql;
    switch (q) {
    case KQ_GE: sql = head + "WHERE " + e + " >= $1::bytea ORDER BY " + asc; break;
    case KQ_GT: sql = head + "WHERE " + e + " > $1::bytea ORDER BY " + asc; break;
    case KQ_LE: sql = head + "WHERE " + e + " <= $1::bytea ORDER BY " + desc; break;
    case KQ_LT: sql = head + "WHERE " + e + " < $1::bytea ORDER BY " + desc; break;
    case KQ_EQ_AFTER: sql = head + "WHERE " + e + " = $1::bytea AND pos > $2::int8 ORDER BY pos"; break;
    case KQ_EQ_BEFORE: sql = head + "WHERE " + e + " = $1::bytea AND pos < $2::int8 ORDER BY pos DESC"; break;
    case KQ_FIRST: sql = head + "ORDER BY " + asc; break;
    case KQ_LAST: sql = head + "ORDER BY " + desc; break;
    default: return B_INVALID_OPERATION;
    }
    if (enc) p.bytes(*enc);
    if (q == KQ_EQ_AFTER || q == KQ_EQ_BEFORE) p.i8(pos);
    sql += " LIMIT $" + std::to_string(p.n + 1) + "::int8";
    p.i8(limit);
    return readRows("k" + std::to_string(key) + "_" + std::to_string(int(q)), sql, p.n, p.v, p.l, rows);
}

int PgFile::byPosition(uint32_t pos, Row& row, bool& found) {
    found = false;
    Params p;
    p.i8(pos);
    RowSet rows;
    const int st = readRows("bypos", "SELECT pos, ver, data FROM " + tbl_ + " WHERE pos = $1::int8", p.n, p.v, p.l, rows);
    if (st || rows.empty()) return st;
    row = rows.row(0);
    found = true;
    return 0;
}

int PgFile::step(int dir, uint32_t pos, int limit, RowSet& rows) {
    rows.clear();
    const std::string head = "SELECT pos, ver, data FROM " + tbl_ + " ";
    static const char* tail[4] = {"ORDER BY pos LIMIT $1::int8", "WHERE pos > $2::int8 ORDER BY pos LIMIT $1::int8",
                                  "WHERE pos < $2::int8 ORDER BY pos DESC LIMIT $1::int8",
                                  "ORDER BY pos DESC LIMIT $1::int8"};
    Params p;
    p.i8(limit);
    if (dir == 1 || dir == 2) p.i8(pos);
    return readRows("step" + std::to_string(dir), head + tail[dir], p.n, p.v, p.l, rows);
}

int PgFile::count(int64_t& n) {
    Result r;
    const int st = run("count", "SELECT count(*) FROM " + tbl_, 0, nullptr, nullptr, r.r);
    if (st) return st;
    n = getI8(r.r, 0, 0);
    return 0;
}

int PgFile::rowAtRank(int key, int64_t rank, Row& row, bool& found) {
    found = false;
    if (key < 0 || size_t(key) >= keys_.size()) return B_INVALID_KEY_NUMBER;
    const std::string& e = cols_[size_t(key)];
    Params p;
    p.i8(rank);
    RowSet rows;
    const int st = readRows("rank" + std::to_string(key),
                            "SELECT pos, ver, data FROM " + tbl_ + " ORDER BY " + e + ", pos OFFSET $1::int8 LIMIT 1",
                            p.n, p.v, p.l, rows);
    if (st || rows.empty()) return st;
    row = rows.row(0);
    found = true;
    return 0;
}

int PgFile::rankOf(int key, const std::string& enc, uint32_t pos, int64_t& rank) {
    if (key < 0 || size_t(key) >= keys_.size()) return B_INVALID_KEY_NUMBER;
    const std::string& e = cols_[size_t(key)];
    Params p;
    p.bytes(enc);
    p.i8(pos);
    Result r;
    const int st = run("rankof" + std::to_string(key),
                       "SELECT count(*) FROM " + tbl_ + " WHERE " + e + " < $1::bytea OR (" + e +
                           " = $1::bytea AND pos < $2::int8)",
                       p.n, p.v, p.l, r.r);
    if (st) return st;
    rank = getI8(r.r, 0, 0);
    return 0;
}

// ---- writes ------------------------------------------------------------------

namespace {
bool staleLayout(PgConn& c, int st, const std::string& state) {
    (void)c;
    return st && (state == "23514" || state == "42703" || state == "0A000");
}
}  // namespace

int PgFile::writeInsert(const std::vector<uint8_t>& data, int64_t ver, const std::vector<std::string>& encs,
                        uint32_t& pos) {
    std::string cols = "ver, gen, data", vals = "$1::int8, $2::int4, $3::bytea";
    Params p;
    p.i8(ver);
    p.i4(gen_);
    p.bytes(data);
    for (size_t i = 0; i < cols_.size(); ++i) {
        cols += ", " + cols_[i];
        vals += ", $" + std::to_string(i + 4) + "::bytea";
        p.bytes(encs[i]);
    }
    int st = 0;
    Result r;
    r.r = conn_->execPrepared(tag_ + "ins",
                              "INSERT INTO " + tbl_ + "(" + cols + ") VALUES(" + vals +
                                  ") ON CONFLICT DO NOTHING RETURNING pos",
                              p.n, p.v, p.l, st);
    if (st) return st;
    if (PQntuples(r.r) == 0) return B_DUPLICATE_KEY;
    const int64_t at = getI8(r.r, 0, 0);
    if (at > int64_t(UINT32_MAX) || at <= 0) return B_FILE_FULL;
    pos = uint32_t(at);
    return 0;
}

int PgFile::insert(const std::vector<uint8_t>& data, int64_t ver, const std::vector<std::string>& encs,
                   uint32_t& pos) {
    if (conn_->lost) return gone();
    for (int attempt = 0;; ++attempt) {
        std::vector<std::string> mine;
        const std::vector<std::string>* use = &encs;
        if (attempt > 0 || encs.size() != keys_.size()) {
            for (const auto& k : keys_) mine.push_back(encodeRecordKey(k, data.data(), data.size()));
            use = &mine;
        }
        const int st = writeInsert(data, ver, *use, pos);
        // another process changed the keys: read them again and write anew
        // (inside a transaction the server has given it up: 85)
        if (st == B_IO_ERROR && attempt == 0 && !conn_->inTx && load() == 0) continue;
        return st;
    }
}

int PgFile::update(uint32_t pos, int64_t ver, const std::vector<uint8_t>& data, const std::vector<std::string>& encs,
                   const std::vector<bool>& changed, const std::vector<uint8_t>&) {
    if (conn_->lost) return gone();
    for (int attempt = 0;; ++attempt) {
        const bool fresh = attempt > 0 || encs.size() != keys_.size();
        std::string sql = "UPDATE " + tbl_ + " SET data = $1::bytea, ver = ver + 1, gen = $2::int4";
        std::string tag = "upd";
        Params p;
        p.bytes(data);
        p.i4(gen_);
        p.i8(pos);
        p.i8(ver);
        p.i4(lockId_);
        p.i4(int32_t(pos));
        bool uniqueChange = false;
        std::vector<std::string> mine;
        for (size_t i = 0; i < cols_.size(); ++i) {
            if (!fresh && !changed[i]) continue;
            sql += ", " + cols_[i] + " = $" + std::to_string(p.n + 1) + "::bytea";
            tag += "_" + std::to_string(i);
            if (fresh) {
                mine.push_back(encodeRecordKey(keys_[i], data.data(), data.size()));
                p.bytes(mine.back());
            } else {
                p.bytes(encs[i]);
            }
            uniqueChange = uniqueChange || !keys_[i].duplicates;
        }
        (void)mine.capacity();
        sql += " WHERE pos = $3::int8 AND ver = $4::int8 AND pg_try_advisory_xact_lock_shared($5::int4, $6::int4)"
               " RETURNING 1";
        if (fresh) tag += "_all";
        // inside a transaction a failed statement would end it on the
        // server: a change of a unique key (which may clash) is guarded
        const bool guard = conn_->inTx && uniqueChange;
        if (guard && conn_->simple("SAVEPOINT rm_w")) return B_FILE_IN_USE;
        int st = 0;
        std::string state;
        Result r;
        {
            if (!conn_->prepared.count(tag_ + tag)) {
                Result pr;
                pr.r = PQprepare(conn_->pg, (tag_ + tag).c_str(), sql.c_str(), p.n, nullptr);
                st = conn_->statusOf(pr.r);
                if (!st) conn_->prepared.insert(tag_ + tag);
            }
            if (!st) {
                r.r = PQexecPrepared(conn_->pg, (tag_ + tag).c_str(), p.n, p.v, p.l, binaryFormats(), 1);
                st = conn_->statusOf(r.r);
                state = sqlState(r.r);
            }
        }
        if (guard && st != B_SESSION_LOST) {
            if (st) {
                conn_->simple("ROLLBACK TO rm_w");
                conn_->failed = false;
            }
            conn_->simple("RELEASE rm_w");
        }
        if (st) {
            if (staleLayout(*conn_, st, state) && attempt == 0 && !conn_->inTx && load() == 0) continue;
            return st;
        }
        if (PQntuples(r.r) == 1) return 0;
        // not written: changed or gone since read (80), or locked by another
        // process (84)
        Params q;
        q.i8(pos);
        Result v;
        if ((st = run("ver", "SELECT ver FROM " + tbl_ + " WHERE pos = $1::int8", q.n, q.v, q.l, v.r))) return st;
        return PQntuples(v.r) == 1 && getI8(v.r, 0, 0) == ver ? B_RECORD_IN_USE : B_CONFLICT;
    }
}

int PgFile::remove(uint32_t pos, int64_t ver, const std::vector<uint8_t>&) {
    if (conn_->lost) return gone();
    Params p;
    p.i8(pos);
    p.i8(ver);
    p.i4(lockId_);
    p.i4(int32_t(pos));
    Result r;
    int st = run("del",
                 "DELETE FROM " + tbl_ +
                     " WHERE pos = $1::int8 AND ver = $2::int8 AND pg_try_advisory_xact_lock_shared($3::int4, $4::int4)"
                     " RETURNING 1",
                 p.n, p.v, p.l, r.r);
    if (st) return st;
    if (PQntuples(r.r) == 1) return 0;
    Params q;
    q.i8(pos);
    Result v;
    if ((st = run("ver", "SELECT ver FROM " + tbl_ + " WHERE pos = $1::int8", q.n, q.v, q.l, v.r))) return st;
    return PQntuples(v.r) == 1 && getI8(v.r, 0, 0) == ver ? B_RECORD_IN_USE : B_CONFLICT;
}

// An autoincrement value and its insert: one transaction (a savepoint
// inside the process transaction) under the file's own advisory lock, so
// that two processes never draw the same value.
int PgFile::begin() {
    if (conn_->lost) return gone();
    int st = conn_->inTx ? conn_->simple("SAVEPOINT rm_step") : conn_->simple("BEGIN");
    if (st) return st;
    if (conn_->inTx) ++conn_->steps;
    Params p;
    p.i8((int64_t(2) << 32) | int64_t(uint32_t(lockId_)));
    Result r;
    r.r = conn_->execPrepared("rm_autolock", "SELECT pg_advisory_xact_lock($1::int8)", p.n, p.v, p.l, st);
    if (st) rollback();
    return st;
}

int PgFile::commit() {
    if (conn_->inTx) {
        if (conn_->steps <= 0) return 0;
        --conn_->steps;
        return conn_->simple("RELEASE rm_step");
    }
    Result r;
    r.r = PQexec(conn_->pg, "COMMIT");
    int st = conn_->statusOf(r.r);
    if (!st && std::strcmp(PQcmdStatus(r.r), "COMMIT") != 0) st = B_FILE_IN_USE;
    return st;
}

void PgFile::rollback() {
    if (conn_->lost) return;
    if (conn_->inTx) {
        if (conn_->steps <= 0) return;
        --conn_->steps;
        conn_->simple("ROLLBACK TO rm_step");
        conn_->simple("RELEASE rm_step");
        conn_->failed = false;
        return;
    }
    conn_->simple("ROLLBACK");
}

int PgFile::changeKeys(const KeyDef* add, int dropNo, int& keyNo) {
    if (conn_->lost) return gone();
    if (conn_->inTx) return B_NOT_ALLOWED;
    int st = conn_->simple("BEGIN");
    if (st) return st;
    auto body = [&]() -> int {
        int s = conn_->simple("LOCK TABLE " + tbl_ + " IN ACCESS EXCLUSIVE MODE");
        if (s) return s;
        Result m;
        m.r = textQuery(*conn_, "SELECT gen, nextix FROM rm_files WHERE name = $1 FOR UPDATE", {name_}, s);
        if (s) return s;
        if (PQntuples(m.r) != 1) return B_FILE_NOT_FOUND;
        const int gen = getI4(m.r, 0, 0) + 1;
        const int next = getI4(m.r, 0, 1);
        // a writer that does not know this layout yet is refused by the check
        if ((s = conn_->simple("ALTER TABLE " + tbl_ + " DROP CONSTRAINT " + tbl_ + "_gen"))) return s;
        if (add) {
            const std::string col = "kc" + std::to_string(next);
            if ((s = conn_->simple("ALTER TABLE " + tbl_ + " ADD COLUMN " + col + " bytea"))) return s;
            Result all;
            all.r = conn_->exec("SELECT pos, data FROM " + tbl_, s);
            if (s) return s;
            const std::string upd = "UPDATE " + tbl_ + " SET " + col + " = $2::bytea, gen = " + std::to_string(gen) +
                                    " WHERE pos = $1::int8";
            for (int i = 0; i < PQntuples(all.r); ++i) {
                const auto* d = reinterpret_cast<const uint8_t*>(PQgetvalue(all.r, i, 1));
                const std::string enc = encodeRecordKey(*add, d, size_t(PQgetlength(all.r, i, 1)));
                Params p;
                p.i8(getI8(all.r, i, 0));
                p.bytes(enc);
                Result u;
                u.r = PQexecParams(conn_->pg, upd.c_str(), p.n, nullptr, p.v, p.l, binaryFormats(), 1);
                if ((s = conn_->statusOf(u.r))) return s;
            }
            if ((s = conn_->simple("ALTER TABLE " + tbl_ + " ALTER COLUMN " + col + " SET NOT NULL"))) return s;
            if ((s = conn_->simple(indexSql(tbl_, tbl_ + "_" + col, col, add->duplicates)))) return s;
            const auto spec = add->spec();
            Params p;
            p.raw(name_.data(), name_.size());
            p.i4(int32_t(keys_.size()));
            p.bytes(spec);
            p.raw(col.data(), col.size());
            Result r;
            r.r = PQexecParams(conn_->pg,
                               "INSERT INTO rm_keys(name, keyno, spec, col) VALUES($1::text, $2::int4, $3::bytea, $4::text)",
                               p.n, nullptr, p.v, p.l, binaryFormats(), 1);
            if ((s = conn_->statusOf(r.r))) return s;
        } else {
            const std::string col = cols_[size_t(dropNo)];
            if ((s = conn_->simple("ALTER TABLE " + tbl_ + " DROP COLUMN " + col))) return s;
            const std::string n = std::to_string(dropNo);
            Result a, b, c;
            a.r = textQuery(*conn_, "DELETE FROM rm_keys WHERE name = $1 AND keyno = " + n, {name_}, s);
            if (!s) b.r = textQuery(*conn_, "UPDATE rm_keys SET keyno = -keyno WHERE name = $1 AND keyno > " + n, {name_}, s);
            if (!s) c.r = textQuery(*conn_, "UPDATE rm_keys SET keyno = -keyno - 1 WHERE name = $1 AND keyno < 0", {name_}, s);
            if (s) return s;
        }
        if ((s = conn_->simple("ALTER TABLE " + tbl_ + " ADD CONSTRAINT " + tbl_ + "_gen CHECK (gen = " +
                               std::to_string(gen) + ") NOT VALID")))
            return s;
        Result u;
        u.r = textQuery(*conn_, "UPDATE rm_files SET gen = $2::int4, nextix = $3::int4 WHERE name = $1",
                        {name_, std::to_string(gen), std::to_string(add ? next + 1 : next)}, s);
        return s;
    };
    st = body();
    if (!st) {
        Result r;
        r.r = PQexec(conn_->pg, "COMMIT");
        st = conn_->statusOf(r.r);
        if (!st && std::strcmp(PQcmdStatus(r.r), "COMMIT") != 0) st = B_FILE_IN_USE;
    } else {
        conn_->simple("ROLLBACK");
    }
    const int l = load();
    if (!st) st = l;
    keyNo = int(keys_.size()) - 1;
    return st;
}

int PgFile::addKey(const KeyDef& k, int& keyNo) { return changeKeys(&k, -1, keyNo); }

int PgFile::dropKey(int keyNo) {
    int unused = 0;
    return changeKeys(nullptr, keyNo, unused);
}

// ---- process transactions ------------------------------------------------------

int PgFile::txJoin(int64_t) {
    if (conn_->lost) return gone();
    if (!conn_->inTx) {
        const int st = conn_->txBegin();
        if (st) return st;
    }
    joined_ = true;
    conn_->joined.push_back(this);
    return 0;
}

int PgFile::txCommit() {
    if (!joined_) return conn_->lastCommit;
    return conn_->txCommit();
}

void PgFile::txRollback() {
    if (joined_) conn_->txRollback();
}

int PgFile::spSet() {
    if (conn_->sp) return 0;
    const int st = conn_->simple("SAVEPOINT rm_sp");
    if (!st) conn_->sp = true;
    return st;
}

int PgFile::spRelease() {
    if (!conn_->sp) return 0;
    conn_->sp = false;
    return conn_->simple("RELEASE rm_sp");
}

int PgFile::spUndo() {
    if (!conn_->sp) return 0;
    conn_->sp = false;
    int st = conn_->simple("ROLLBACK TO rm_sp");
    if (!st) {
        conn_->failed = false;
        st = conn_->simple("RELEASE rm_sp");
    }
    return st;
}

// ---- record locks ----------------------------------------------------------------

// Session-level advisory locks (lockid, position). A wait lock polls with
// no-wait attempts and gives 78 after kLockWaitMs, as the local store does.
int PgFile::recordLock(uint32_t pos, bool wait) {
    if (conn_->lost) return gone();
    const int64_t end = wait ? nowMs() + kLockWaitMs : 0;
    useconds_t pause = 1000;
    for (;;) {
        Params p;
        p.i4(lockId_);
        p.i4(int32_t(pos));
        int st = 0;
        Result r;
        r.r = conn_->execPrepared("rm_lock", "SELECT pg_try_advisory_lock($1::int4, $2::int4)", p.n, p.v, p.l, st);
        if (st) return st;
        if (getBool(r.r, 0, 0)) return 0;
        if (!wait) return B_RECORD_IN_USE;
        if (nowMs() >= end) return B_DEADLOCK;
        ::usleep(pause);
        pause = std::min<useconds_t>(pause * 2, 20000);
    }
}

void PgFile::recordUnlock(uint32_t pos) {
    if (conn_->lost || conn_->forgotten) return;
    Params p;
    p.i4(lockId_);
    p.i4(int32_t(pos));
    int st = 0;
    Result r;
    r.r = conn_->execPrepared("rm_unlock", "SELECT pg_advisory_unlock($1::int4, $2::int4)", p.n, p.v, p.l, st);
}

// Writes ask the server themselves (an update or delete of a record that
// another connection locks gives 84): no question here.
bool PgFile::recordLockedElsewhere(uint32_t) { return false; }

}  // namespace recman
