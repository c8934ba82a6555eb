#include "store.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "recman.h"

namespace recman {

namespace {

// SQLite settings, chosen for durability against a crash of the process and
// for speed:
// - journal_mode=WAL: a commit appends the changed pages to the -wal file
//   with write(); once write() returned, the bytes are in the kernel's page
//   cache and survive a kill -9 of the process (the kernel writes them out).
//   Readers of other processes go on reading while one writes.
// - synchronous=NORMAL: no fsync at each commit, only at checkpoints. That
//   gives up only the last commits on a power loss or a kernel crash, never
//   on a process crash, and it never corrupts the file.
// - busy_timeout: several processes share the files; a write waits for
//   another process's write to end instead of failing at once.
// When the last connection closes, SQLite checkpoints and removes the -wal
// file, so a closed data file is one self-contained file on disk.
constexpr const char* kOpenPragmas =
    "PRAGMA synchronous=NORMAL;"
    "PRAGMA busy_timeout=10000;"
    "PRAGMA cache_size=-16384;"
    "PRAGMA temp_store=MEMORY;";

std::string hex(const std::vector<uint8_t>& b) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    s.reserve(b.size() * 2);
    for (uint8_t c : b) {
        s += d[c >> 4];
        s += d[c & 15];
    }
    return s;
}

// rmkey(data, spec): the encoded key of a record. The parsed spec is kept as
// auxiliary data of the constant argument, so it is parsed once per statement.
void keyFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 2) {
        sqlite3_result_error(ctx, "rmkey takes two arguments", -1);
        return;
    }
    auto* def = static_cast<KeyDef*>(sqlite3_get_auxdata(ctx, 1));
    if (!def) {
        const auto* p = static_cast<const uint8_t*>(sqlite3_value_blob(argv[1]));
        const int n = sqlite3_value_bytes(argv[1]);
        auto* k = new KeyDef;
        if (!p || !keyFromSpec(p, n, *k)) {
            delete k;
            sqlite3_result_error(ctx, "rmkey: bad key specification", -1);
            return;
        }
        sqlite3_set_auxdata(ctx, 1, k, [](void* v) { delete static_cast<KeyDef*>(v); });
        def = static_cast<KeyDef*>(sqlite3_get_auxdata(ctx, 1));
        if (!def) def = k;  // SQLite may drop it at once; k stays valid until this call ends
    }
    const auto* data = static_cast<const uint8_t*>(sqlite3_value_blob(argv[0]));
    const int len = sqlite3_value_bytes(argv[0]);
    static const uint8_t empty[1] = {0};
    const std::string enc = encodeRecordKey(*def, data ? data : empty, data ? size_t(len) : 0);
    sqlite3_result_blob(ctx, enc.data(), int(enc.size()), SQLITE_TRANSIENT);
}

int execAll(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

int metaInt(sqlite3* db, const char* name, int64_t& out) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT value FROM meta WHERE name=?1", -1, &s, nullptr);
    if (rc != SQLITE_OK) return rc;
    sqlite3_bind_text(s, 1, name, -1, SQLITE_STATIC);
    rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        out = sqlite3_column_int64(s, 0);
        rc = SQLITE_OK;
    } else if (rc == SQLITE_DONE) {
        rc = SQLITE_NOTFOUND;
    }
    sqlite3_finalize(s);
    return rc;
}

int writeKeyRow(sqlite3* db, int keyNo, const std::string& ixname, const std::vector<uint8_t>& spec,
                const std::string& col) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, "INSERT INTO keys(keyno, ixname, spec, col) VALUES(?1, ?2, ?3, ?4)", -1, &s,
                                nullptr);
    if (rc != SQLITE_OK) return rc;
    sqlite3_bind_int(s, 1, keyNo);
    sqlite3_bind_text(s, 2, ixname.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_blob(s, 3, spec.data(), int(spec.size()), SQLITE_TRANSIENT);
    if (col.empty())
        sqlite3_bind_null(s, 4);
    else
        sqlite3_bind_text(s, 4, col.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(s);
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

std::string indexSql(const std::string& ixname, const KeyDef& k, const std::string& col) {
    return std::string(k.duplicates ? "CREATE INDEX " : "CREATE UNIQUE INDEX ") + ixname + " ON rec(" +
           (col.empty() ? "rmkey(data, X'" + hex(k.spec()) + "')" : col) + ")";
}

int errnoStatus(int e) {
    switch (e) {
    case ENOENT:
    case ENOTDIR:
        return B_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return B_PERMISSION_ERROR;
    case ENOSPC:
        return B_DISK_FULL;
    case ENAMETOOLONG:
        return B_INVALID_FILE_NAME;
    default:
        return B_IO_ERROR;
    }
}

}  // namespace

int statusOf(int rc) {
    switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return 0;
    case SQLITE_CONSTRAINT:
        return B_DUPLICATE_KEY;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return B_FILE_IN_USE;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return B_PERMISSION_ERROR;
    case SQLITE_FULL:
        return B_DISK_FULL;
    case SQLITE_NOTADB:
        return B_NOT_A_RECORD_FILE;
    case SQLITE_CANTOPEN:
        return B_FILE_NOT_FOUND;
    default:
        return B_IO_ERROR;
    }
}

void registerKeyFunction(sqlite3* db) {
    sqlite3_create_function_v2(db, "rmkey", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, keyFunction, nullptr,
                               nullptr, nullptr);
}

File::~File() {
    dropStatements();
    for (sqlite3_stmt** s : {&begin_, &commit_, &rollback_}) {
        sqlite3_finalize(*s);
        *s = nullptr;
    }
    if (db_) {
        // SQLite does not fold the -wal file back in when the file was
        // deleted or renamed over while open; its -wal (named after the path)
        // would then be replayed into whatever file comes to that path. Empty
        // it here so that it is harmless.
        struct stat st {};
        if (::stat(path_.c_str(), &st) != 0 || st.st_dev != dev || st.st_ino != ino)
            sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_close(db_);
    }
    if (shm_) ::munmap(const_cast<uint8_t*>(shm_), shmLen_);
    // The lock descriptor is closed only after SQLite has closed its own:
    // closing any descriptor of a file drops the process's POSIX locks on
    // it, SQLite's included.
    if (lockFd >= 0) ::close(lockFd);
}

std::string File::keyExpr(const KeyDef& k) const { return "rmkey(data, X'" + hex(k.spec()) + "')"; }

void File::dropStatements() {
    for (auto& v : keyStmts_)
        for (auto* s : v) sqlite3_finalize(s);
    keyStmts_.clear();
    for (auto& [mask, s] : updates_) sqlite3_finalize(s);
    updates_.clear();
    for (sqlite3_stmt** s : {&byPos_, &stepStmts_[0], &stepStmts_[1], &stepStmts_[2], &stepStmts_[3], &count_,
                             &insert_, &delete_}) {
        sqlite3_finalize(*s);
        *s = nullptr;
    }
}

int File::open(const std::string& path, std::shared_ptr<File>& out) {
    // Look at the file before SQLite does: anything that is not a SQLite
    // database (an empty file included, which SQLite would take for a new
    // one) is not a data file of ours.
    // A file without write permission (the dictionary ships read-only) is
    // opened for reading; a write to it gives 94.
    const bool writable = ::access(path.c_str(), W_OK) == 0;
    int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return errnoStatus(errno);
    char head[16] = {};
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    if (n != ssize_t(sizeof head) || std::memcmp(head, "SQLite format 3", 16) != 0) {
        ::close(fd);
        return B_NOT_A_RECORD_FILE;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return B_IO_ERROR;
    }

    std::shared_ptr<File> f(new File);
    f->lockFd = fd;
    f->readOnly = !writable;
    f->dev = st.st_dev;
    f->ino = st.st_ino;
    f->path_ = path;
    int status = f->connect(writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, path);
    if (status && !writable) {
        // a read-only file in a folder where SQLite cannot make its -shm
        // file (read-only media): nobody writes it, so read it as immutable
        sqlite3_close(f->db_);
        f->db_ = nullptr;
        char* uri = sqlite3_mprintf("file:%q?immutable=1", path.c_str());
        status = f->connect(SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, uri);
        sqlite3_free(uri);
    }
    if (status) return status;

    // The -wal index exists now (the reads above made it); map its header
    // to see commits of every connection without starting a transaction.
    const int shmFd = ::open((path + "-shm").c_str(), O_RDONLY | O_CLOEXEC);
    if (shmFd >= 0) {
        void* m = ::mmap(nullptr, kShmHeader, PROT_READ, MAP_SHARED, shmFd, 0);
        ::close(shmFd);
        if (m != MAP_FAILED) {
            f->shm_ = static_cast<const uint8_t*>(m);
            f->shmLen_ = kShmHeader;
        }
    }
    out = std::move(f);
    return 0;
}

int File::connect(int flags, const std::string& name) {
    int rc = sqlite3_open_v2(name.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) return statusOf(rc) == B_FILE_NOT_FOUND ? B_IO_ERROR : statusOf(rc);
    sqlite3_extended_result_codes(db_, 1);
    registerKeyFunction(db_);
    rc = execAll(db_, kOpenPragmas);
    if (rc != SQLITE_OK) return statusOf(rc);
    int64_t v = 0;
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(db_, "SELECT value FROM meta WHERE name='format'", -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        const int st2 = statusOf(rc);
        sqlite3_finalize(s);
        // no meta table: a SQLite database, but not one of ours
        return st2 == B_IO_ERROR && (rc & 0xff) == SQLITE_ERROR ? B_NOT_A_RECORD_FILE : st2;
    }
    rc = sqlite3_step(s);
    const bool ours = rc == SQLITE_ROW && sqlite3_column_type(s, 0) == SQLITE_TEXT &&
                      std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), kFormatTag) == 0;
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return statusOf(rc);
    if (!ours) return B_NOT_A_RECORD_FILE;
    if (metaInt(db_, "reclen", v) != SQLITE_OK) return B_NOT_A_RECORD_FILE;
    recordLength_ = int(v);
    if (metaInt(db_, "pagesize", v) != SQLITE_OK) return B_NOT_A_RECORD_FILE;
    pageSize_ = int(v);
    if (metaInt(db_, "flags", v) != SQLITE_OK) return B_NOT_A_RECORD_FILE;
    fileFlags_ = int(v);
    if (recordLength_ <= 0 || recordLength_ > 0xFFFF) return B_NOT_A_RECORD_FILE;
    const int st3 = loadKeys();
    if (st3) return st3;
    return 0;
}

int File::loadKeys() {
    dropStatements();
    keys_.clear();
    exprs_.clear();
    cols_.clear();
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT keyno, spec, col FROM keys ORDER BY keyno", -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(s);
        return (rc & 0xff) == SQLITE_ERROR ? B_NOT_A_RECORD_FILE : statusOf(rc);
    }
    int expect = 0;
    int status = 0;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        KeyDef k;
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(s, 1));
        if (sqlite3_column_int(s, 0) != expect++ || !p || !keyFromSpec(p, sqlite3_column_bytes(s, 1), k)) {
            status = B_NOT_A_RECORD_FILE;
            break;
        }
        const auto* col = sqlite3_column_text(s, 2);
        cols_.push_back(col ? reinterpret_cast<const char*>(col) : "");
        exprs_.push_back(col ? cols_.back() : keyExpr(k));
        keys_.push_back(std::move(k));
    }
    if (!status && rc != SQLITE_DONE) status = statusOf(rc);
    sqlite3_finalize(s);
    keyStmts_.assign(keys_.size(), std::vector<sqlite3_stmt*>(KQ_COUNT_, nullptr));
    return status;
}

sqlite3_stmt* File::prepare(sqlite3_stmt*& slot, const std::string& sql) {
    if (!slot) {
        if (sqlite3_prepare_v3(db_, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &slot, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(slot);
            slot = nullptr;
        }
    }
    return slot;
}

static int fetchRow(sqlite3_stmt* s, Row& row, bool& found) {
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        row.pos = uint32_t(sqlite3_column_int64(s, 0));
        row.ver = sqlite3_column_int64(s, 1);
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(s, 2));
        const int n = sqlite3_column_bytes(s, 2);
        row.data.assign(p, p + n);
        found = true;
        return 0;
    }
    found = false;
    return rc == SQLITE_DONE ? 0 : statusOf(rc);
}

// Adds the rows of a query to `rows`.
static int fetchRows(sqlite3_stmt* s, int limit, RowSet& rows) {
    rows.items.reserve(rows.items.size() + size_t(limit));
    for (bool first = true;; first = false) {
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_DONE) return 0;
        if (rc != SQLITE_ROW) return statusOf(rc);
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(s, 2));
        const size_t n = size_t(sqlite3_column_bytes(s, 2));
        const size_t off = rows.bytes.size();
        if (first) rows.bytes.reserve(off + n * size_t(limit));
        rows.bytes.insert(rows.bytes.end(), p, p + n);
        rows.items.push_back({uint32_t(sqlite3_column_int64(s, 0)), sqlite3_column_int64(s, 1), off, n});
    }
}

int File::keyQuery(int key, KeyQuery q, const std::string* enc, uint32_t pos, int limit, RowSet& rows,
                   bool append) {
    if (!append) rows.clear();
    sqlite3_stmt*& slot = keyStmts_[size_t(key)][q];
    if (!slot) {
        const std::string& e = exprs_[size_t(key)];
        const std::string head = "SELECT pos, ver, data FROM rec ";
        std::string sql;
        switch (q) {
        case KQ_GE: sql = head + "WHERE " + e + " >= ?1 ORDER BY " + e + ", pos LIMIT ?9"; break;
        case KQ_GT: sql = head + "WHERE " + e + " > ?1 ORDER BY " + e + ", pos LIMIT ?9"; break;
        case KQ_LE: sql = head + "WHERE " + e + " <= ?1 ORDER BY " + e + " DESC, pos DESC LIMIT ?9"; break;
        case KQ_LT: sql = head + "WHERE " + e + " < ?1 ORDER BY " + e + " DESC, pos DESC LIMIT ?9"; break;
        case KQ_EQ_AFTER: sql = head + "WHERE " + e + " = ?1 AND pos > ?2 ORDER BY pos LIMIT ?9"; break;
        case KQ_EQ_BEFORE: sql = head + "WHERE " + e + " = ?1 AND pos < ?2 ORDER BY pos DESC LIMIT ?9"; break;
        case KQ_FIRST: sql = head + "ORDER BY " + e + ", pos LIMIT ?9"; break;
        case KQ_LAST: sql = head + "ORDER BY " + e + " DESC, pos DESC LIMIT ?9"; break;
        default: return B_INVALID_OPERATION;
        }
        prepare(slot, sql);
    }
    sqlite3_stmt* s = slot;
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    if (enc) sqlite3_bind_blob(s, 1, enc->data(), int(enc->size()), SQLITE_STATIC);
    if (q == KQ_EQ_AFTER || q == KQ_EQ_BEFORE) sqlite3_bind_int64(s, 2, pos);
    sqlite3_bind_int(s, 9, limit);
    return fetchRows(s, limit, rows);
}

int File::byPosition(uint32_t pos, Row& row, bool& found) {
    sqlite3_stmt* s = prepare(byPos_, "SELECT pos, ver, data FROM rec WHERE pos = ?1");
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    sqlite3_bind_int64(s, 1, pos);
    return fetchRow(s, row, found);
}

int File::step(int dir, uint32_t pos, int limit, RowSet& rows) {
    static const char* sql[4] = {
        "SELECT pos, ver, data FROM rec ORDER BY pos LIMIT ?9",
        "SELECT pos, ver, data FROM rec WHERE pos > ?1 ORDER BY pos LIMIT ?9",
        "SELECT pos, ver, data FROM rec WHERE pos < ?1 ORDER BY pos DESC LIMIT ?9",
        "SELECT pos, ver, data FROM rec ORDER BY pos DESC LIMIT ?9",
    };
    sqlite3_stmt* s = prepare(stepStmts_[dir], sql[dir]);
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    if (dir == 1 || dir == 2) sqlite3_bind_int64(s, 1, pos);
    sqlite3_bind_int(s, 9, limit);
    rows.clear();
    return fetchRows(s, limit, rows);
}

int File::count(int64_t& n) {
    sqlite3_stmt* s = prepare(count_, "SELECT count(*) FROM rec");
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) return statusOf(rc);
    n = sqlite3_column_int64(s, 0);
    return 0;
}

bool File::shmSnapshot(uint8_t* out) const {
    if (!shm_) return false;
    std::memcpy(out, shm_, kShmHeader);
    return true;
}

int File::insert(const std::vector<uint8_t>& data, int64_t ver, const std::vector<std::string>& encs,
                 uint32_t& pos) {
    if (!insert_) {
        std::string cols = "ver, data", vals = "?1, ?2";
        for (size_t i = 0; i < cols_.size(); ++i) {
            if (cols_[i].empty()) continue;
            cols += ", " + cols_[i];
            vals += ", ?" + std::to_string(i + 3);
        }
        prepare(insert_, "INSERT INTO rec(" + cols + ") VALUES(" + vals + ")");
    }
    sqlite3_stmt* s = insert_;
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    sqlite3_bind_int64(s, 1, ver);
    sqlite3_bind_blob(s, 2, data.data(), int(data.size()), SQLITE_STATIC);
    for (size_t i = 0; i < cols_.size(); ++i)
        if (!cols_[i].empty()) sqlite3_bind_blob(s, int(i) + 3, encs[i].data(), int(encs[i].size()), SQLITE_STATIC);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return statusOf(rc);
    const int64_t p = sqlite3_last_insert_rowid(db_);
    if (p > int64_t(UINT32_MAX)) {  // positions are 32-bit
        sqlite3_stmt* d = nullptr;
        sqlite3_prepare_v2(db_, "DELETE FROM rec WHERE pos=?1", -1, &d, nullptr);
        sqlite3_bind_int64(d, 1, p);
        sqlite3_step(d);
        sqlite3_finalize(d);
        return B_FILE_FULL;
    }
    pos = uint32_t(p);
    return 0;
}

int File::update(uint32_t pos, int64_t ver, const std::vector<uint8_t>& data, const std::vector<std::string>& encs,
                 const std::vector<bool>& changed) {
    // One statement per set of changed key columns, so that an index whose
    // key value stays is not touched.
    sqlite3_stmt*& slot = updates_[changed];
    if (!slot) {
        std::string sql = "UPDATE rec SET data = ?1, ver = ver + 1";
        for (size_t i = 0; i < cols_.size(); ++i)
            if (!cols_[i].empty() && changed[i]) sql += ", " + cols_[i] + " = ?" + std::to_string(i + 4);
        prepare(slot, sql + " WHERE pos = ?2 AND ver = ?3");
    }
    sqlite3_stmt* s = slot;
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    sqlite3_bind_blob(s, 1, data.data(), int(data.size()), SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, pos);
    sqlite3_bind_int64(s, 3, ver);
    for (size_t i = 0; i < cols_.size(); ++i)
        if (!cols_[i].empty() && changed[i])
            sqlite3_bind_blob(s, int(i) + 4, encs[i].data(), int(encs[i].size()), SQLITE_STATIC);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return statusOf(rc);
    return sqlite3_changes(db_) == 1 ? 0 : B_CONFLICT;
}

int File::remove(uint32_t pos, int64_t ver) {
    sqlite3_stmt* s = prepare(delete_, "DELETE FROM rec WHERE pos = ?1 AND ver = ?2");
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    sqlite3_bind_int64(s, 1, pos);
    sqlite3_bind_int64(s, 2, ver);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return statusOf(rc);
    return sqlite3_changes(db_) == 1 ? 0 : B_CONFLICT;
}

int File::begin() {
    sqlite3_stmt* s = prepare(begin_, "BEGIN IMMEDIATE");
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    return statusOf(sqlite3_step(s));
}

int File::commit() {
    sqlite3_stmt* s = prepare(commit_, "COMMIT");
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    return statusOf(sqlite3_step(s));
}

void File::rollback() {
    if (sqlite3_get_autocommit(db_)) return;
    sqlite3_stmt* s = prepare(rollback_, "ROLLBACK");
    if (!s) return;
    StmtUse use(s);
    sqlite3_step(s);
}

int File::addKey(const KeyDef& k, int& keyNo) {
    int st = begin();
    if (st) return st;
    int64_t next = 0;
    int rc = metaInt(db_, "nextix", next);
    const std::string ixname = "key_ix" + std::to_string(next);
    if (rc == SQLITE_OK) rc = writeKeyRow(db_, int(keys_.size()), ixname, k.spec(), "");
    if (rc == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        rc = sqlite3_prepare_v2(db_, "UPDATE meta SET value = value + 1 WHERE name='nextix'", -1, &s, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_step(s) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
        sqlite3_finalize(s);
    }
    dropStatements();  // a schema change: let nothing hold the old schema
    if (rc == SQLITE_OK) rc = execAll(db_, indexSql(ixname, k, "").c_str());
    st = endKeyChange(rc);
    if (st) return st;
    keyNo = int(keys_.size());
    return loadKeys();
}

// Ends a change of the keys: commits it, or on any failure rolls it back and
// reads the keys as they were; the status.
int File::endKeyChange(int rc) {
    const int st = rc != SQLITE_OK ? statusOf(rc) : commit();
    if (st) {
        rollback();
        loadKeys();
    }
    return st;
}

int File::dropKey(int keyNo) {
    int st = begin();
    if (st) return st;
    sqlite3_stmt* s = nullptr;
    std::string ixname;
    int rc = sqlite3_prepare_v2(db_, "SELECT ixname FROM keys WHERE keyno=?1", -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int(s, 1, keyNo);
        if (sqlite3_step(s) == SQLITE_ROW) ixname = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    }
    sqlite3_finalize(s);
    dropStatements();
    if (ixname.empty()) rc = SQLITE_ERROR;
    if (rc == SQLITE_OK) rc = execAll(db_, ("DROP INDEX IF EXISTS " + ixname).c_str());
    if (rc == SQLITE_OK) {
        const std::string sql = "DELETE FROM keys WHERE keyno=" + std::to_string(keyNo) +
                                "; UPDATE keys SET keyno = -keyno WHERE keyno > " + std::to_string(keyNo) +
                                "; UPDATE keys SET keyno = -keyno - 1 WHERE keyno < 0;";
        rc = execAll(db_, sql.c_str());
    }
    st = endKeyChange(rc);
    return st ? st : loadKeys();
}

int File::create(const std::string& path, int recordLength, int pageSize, int fileFlags,
                 const std::vector<KeyDef>& keys) {
    // Build the new file beside the target and move it in place in one
    // rename, so that a failed creation never leaves half a file behind.
    const std::string tmp = path + ".new-" + std::to_string(::getpid());
    ::unlink(tmp.c_str());
    int fd = ::open(tmp.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) return errnoStatus(errno);
    ::close(fd);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    int status = 0;
    if (rc == SQLITE_OK) {
        registerKeyFunction(db);
        rc = execAll(db,
                     "PRAGMA page_size=4096;"
                     "PRAGMA journal_mode=WAL;"
                     "BEGIN;"
                     "CREATE TABLE meta(name TEXT PRIMARY KEY, value) WITHOUT ROWID;"
                     "CREATE TABLE keys(keyno INTEGER PRIMARY KEY, ixname TEXT NOT NULL, spec BLOB NOT NULL,"
                     " col TEXT);");
    }
    if (rc == SQLITE_OK) {
        std::string sql = "CREATE TABLE rec(pos INTEGER PRIMARY KEY, ver INTEGER NOT NULL, data BLOB NOT NULL";
        for (size_t i = 0; i < keys.size(); ++i) sql += ", kc" + std::to_string(i) + " BLOB NOT NULL";
        rc = execAll(db, (sql + ")").c_str());
    }
    if (rc == SQLITE_OK) {
        char sql[512];
        std::snprintf(sql, sizeof sql,
                      "INSERT INTO meta VALUES('format', '%s'), ('reclen', %d), ('pagesize', %d), ('flags', %d),"
                      " ('nextix', %d);",
                      kFormatTag, recordLength, pageSize, fileFlags, int(keys.size()));
        rc = execAll(db, sql);
    }
    for (size_t i = 0; rc == SQLITE_OK && i < keys.size(); ++i) {
        const std::string ixname = "key_ix" + std::to_string(i);
        const std::string col = "kc" + std::to_string(i);
        rc = writeKeyRow(db, int(i), ixname, keys[i].spec(), col);
        if (rc == SQLITE_OK) rc = execAll(db, indexSql(ixname, keys[i], col).c_str());
    }
    if (rc == SQLITE_OK) rc = execAll(db, "COMMIT;");
    if (rc != SQLITE_OK) status = statusOf(rc);
    sqlite3_close(db);
    if (!status) {
        // A -wal file left by a crashed process belongs to the file that is
        // being replaced; it must not be replayed into the new one.
        ::unlink((path + "-wal").c_str());
        ::unlink((path + "-shm").c_str());
        if (::rename(tmp.c_str(), path.c_str()) != 0) status = errnoStatus(errno);
    }
    if (status) {
        ::unlink(tmp.c_str());
        ::unlink((tmp + "-wal").c_str());
        ::unlink((tmp + "-shm").c_str());
    }
    return status;
}

}  // namespace recman
