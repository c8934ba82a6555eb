#include "store.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <functional>

#include "recman.h"

namespace recman {

namespace {

// SQLite settings, chosen for durability against a crash of the process and
// for speed:
// - journal_mode=WAL: a commit appends the changed pages to the -wal file
//   with write(); once write() returned, the bytes are in the kernel's page
//   cache and survive a kill -9 of the process (the kernel writes them out).
//   Readers of other processes go on reading while one writes.
// - synchronous=NORMAL: no fsync at each commit, only at checkpoints. A
//   single write outside a transaction may be lost to a power loss or a
//   kernel crash (never to a process crash, and the file is never
//   corrupted); the end of a process transaction syncs what it committed
//   itself (File::syncCommitted), so a transaction that ended is durable.
// - busy timeout (set with sqlite3_busy_timeout before any statement, so
//   that the first read of the schema waits too): several processes share
//   the files; a write waits for another process's write to end instead of
//   failing at once.
// When the last connection closes, SQLite checkpoints and removes the -wal
// file, so a closed data file is one self-contained file on disk.
constexpr const char* kOpenPragmas =
    "PRAGMA synchronous=NORMAL;"
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
void keyFunctionBody(sqlite3_context* ctx, int argc, sqlite3_value** argv);

// No C++ exception may cross SQLite's C frames.
void keyFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    try {
        keyFunctionBody(ctx, argc, argv);
    } catch (...) {
        sqlite3_result_error_nomem(ctx);
    }
}

void keyFunctionBody(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 2) {
        sqlite3_result_error(ctx, "rmkey takes two arguments", -1);
        return;
    }
    auto* def = static_cast<KeyDef*>(sqlite3_get_auxdata(ctx, 1));
    if (!def) {
        const auto* p = static_cast<const uint8_t*>(sqlite3_value_blob(argv[1]));
        const int n = sqlite3_value_bytes(argv[1]);
        auto* k = new KeyDef;
        if (!p || !keyFromSpec(p, n, *k) || validateKey(*k, 0xFFFF) != 0) {
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
    case EMFILE:
    case ENFILE:
        return B_TOO_MANY_FILES;
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

int64_t nowMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int lockByte(int fd, short type, off_t at, bool wait) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = at;
    fl.l_len = 1;
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

bool byteHeld(int fd, short type, off_t at) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = at;
    fl.l_len = 1;
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

std::string localIdent(dev_t dev, ino_t ino) {
    return "local:" + std::to_string(uint64_t(dev)) + ":" + std::to_string(uint64_t(ino));
}

namespace {
// The one-byte lock range of a record position.
struct flock lockRange(short type, uint32_t pos) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = kLockBase + off_t(pos);
    fl.l_len = 1;
    return fl;
}
}  // namespace

// Records are locked across processes with open-file-description locks on
// one byte per position (kLockBase + position), far above the bytes SQLite
// locks (around 1 GiB) so that the two never meet. The kernel drops them
// when the process dies.
// A wait lock never blocks in the kernel (open-file-description locks know
// no deadlocks between processes): it polls with no-wait attempts, and when
// the record is still held after kLockWaitMs it gives 78, so that a cycle
// of waits between processes always ends.
int File::recordLock(uint32_t pos, bool wait) {
    // a read-only descriptor can hold only read locks
    struct flock fl = lockRange(readOnly ? F_RDLCK : F_WRLCK, pos);
    const int64_t end = wait ? nowMs() + kLockWaitMs : 0;
    useconds_t pause = 1000;
    for (;;) {
        if (::fcntl(lockFd, F_OFD_SETLK, &fl) == 0) return 0;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EACCES) return B_IO_ERROR;
        if (!wait) return B_RECORD_IN_USE;
        if (nowMs() >= end) return B_DEADLOCK;
        ::usleep(pause);
        pause = std::min<useconds_t>(pause * 2, 20000);
    }
}

void File::recordUnlock(uint32_t pos) {
    struct flock fl = lockRange(F_UNLCK, pos);
    ::fcntl(lockFd, F_OFD_SETLK, &fl);
}

bool File::recordLockedElsewhere(uint32_t pos) {
    struct flock fl = lockRange(F_WRLCK, pos);
    if (::fcntl(lockFd, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

File::~File() {
    if (readTx_) endReadTx();
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
    shm_ = nullptr;
    // The lock descriptor is closed only after SQLite has closed its own:
    // closing any descriptor of a file drops the process's POSIX locks on
    // it, SQLite's included.
    if (lockFd >= 0) ::close(lockFd);
    for (int fd : spareFds) ::close(fd);
}

std::string File::keyExpr(const KeyDef& k) const { return "rmkey(data, X'" + hex(k.spec()) + "')"; }

void File::dropStatements() {
    for (auto& v : keyStmts_)
        for (auto* s : v) sqlite3_finalize(s);
    keyStmts_.clear();
    for (auto& [mask, s] : updates_) sqlite3_finalize(s);
    updates_.clear();
    for (sqlite3_stmt** s : {&byPos_, &stepStmts_[0], &stepStmts_[1], &stepStmts_[2], &stepStmts_[3], &count_,
                             &insert_, &delete_, &undoIns_, &readBegin_, &txRow_, &leftovers_, &dropRows_[0],
                             &dropRows_[1]}) {
        sqlite3_finalize(*s);
        *s = nullptr;
    }
}

// Looks up a file this process has open (by device and inode); set by the
// client calls. Used so that a second descriptor is never closed under a
// SQLite connection of this process.
std::function<std::shared_ptr<File>(dev_t, ino_t)> openHere;

int File::open(const std::string& path, std::shared_ptr<File>& out, bool recover) {
    // Look at the file before SQLite does: anything that is not a SQLite
    // database (an empty file included, which SQLite would take for a new
    // one) is not a data file of ours.
    // A file without write permission (the dictionary ships read-only) is
    // opened for reading; a write to it gives 94.
    // The descriptor opened here stays open for the life of the File (record
    // locks live on it) and is closed only after SQLite's own.
    for (int attempt = 0;; ++attempt) {
        const bool writable = ::access(path.c_str(), W_OK) == 0;
        int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return errnoStatus(errno);
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            ::close(fd);
            return B_IO_ERROR;
        }
        if (std::shared_ptr<File> here = openHere ? openHere(st.st_dev, st.st_ino) : nullptr) {
            // the path came to name a file this process has open: never
            // close a descriptor under its connection
            here->spareFds.push_back(fd);
            out = here;
            return 0;
        }
        // From here on no SQLite connection of this process is on this file:
        // closing `fd` on a failure is harmless.
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            return B_NOT_A_RECORD_FILE;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        char head[16] = {};
        const ssize_t n = ::pread(fd, head, sizeof head, 0);
        if (n != ssize_t(sizeof head) || std::memcmp(head, "SQLite format 3", 16) != 0) {
            ::close(fd);
            return B_NOT_A_RECORD_FILE;
        }
        // Open: a read lock on the open byte, which BtrCreateFile of another
        // process tests. A creation holds it only for a moment.
        const int64_t end = nowMs() + kTranWaitMs;
        int e = 0;
        while ((e = lockByte(fd, F_RDLCK, kOpenByte)) == EAGAIN || e == EACCES) {
            if (nowMs() > end) break;
            ::usleep(2000);
        }
        if (e) {
            ::close(fd);
            return e == EAGAIN || e == EACCES ? B_FILE_IN_USE : B_IO_ERROR;
        }
        // The path may have been replaced meanwhile: then open what it
        // names now.
        struct stat now {};
        if (::stat(path.c_str(), &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
            ::close(fd);
            if (attempt < 20) continue;
            return B_FILE_IN_USE;
        }

        std::shared_ptr<File> f(new File);
        f->lockFd = fd;
        f->readOnly = !writable;
        f->dev = st.st_dev;
        f->ino = st.st_ino;
        f->ident = localIdent(st.st_dev, st.st_ino);
        f->path_ = path;
        bool immutable = false;
        int status = f->connect(writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, path);
        if (status && !writable && status != B_TOO_MANY_FILES) {
            // A read-only file in a folder where SQLite cannot make its -shm
            // file (read-only media): nobody can write it, so it is read as
            // immutable -- but only when no -wal file holds frames, which
            // that would not see (it would give older data silently).
            struct stat w {};
            if (::stat((path + "-wal").c_str(), &w) == 0 && w.st_size > 32) return B_PERMISSION_ERROR;
            sqlite3_close(f->db_);
            f->db_ = nullptr;
            char* uri = sqlite3_mprintf("file:%q?immutable=1", path.c_str());
            status = f->connect(SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, uri);
            sqlite3_free(uri);
            immutable = true;
        }
        if (status) return status;

        // The connection's own mapping of the -wal index (made by the reads
        // above), through its VFS: its header changes at every commit of any
        // connection, which tells when rows read ahead are stale.
        if (!immutable) {
            sqlite3_file* fp = nullptr;
            if (sqlite3_file_control(f->db_, "main", SQLITE_FCNTL_FILE_POINTER, &fp) == SQLITE_OK && fp &&
                fp->pMethods && fp->pMethods->iVersion >= 2 && fp->pMethods->xShmMap) {
                volatile void* p = nullptr;
                if (fp->pMethods->xShmMap(fp, 0, 32768, 0, &p) == SQLITE_OK && p)
                    f->shm_ = static_cast<const volatile uint8_t*>(p);
            }
        }
        if (recover && !f->readOnly) {
            status = f->recoverDead();
            if (status) return status;
        }
        out = std::move(f);
        return 0;
    }
}

int File::connect(int flags, const std::string& name) {
    int rc = sqlite3_open_v2(name.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const int e = db_ ? sqlite3_system_errno(db_) : 0;
        if (e == EMFILE || e == ENFILE) return B_TOO_MANY_FILES;
        return statusOf(rc) == B_FILE_NOT_FOUND ? B_IO_ERROR : statusOf(rc);
    }
    // Before any statement: the first read of the schema may meet another
    // process's write or checkpoint.
    sqlite3_busy_timeout(db_, kBusyMs);
    sqlite3_extended_result_codes(db_, 1);
    registerKeyFunction(db_);
    const int64_t end = nowMs() + kBusyMs;
    for (;;) {
        const int st = readSchema();
        if (st != B_FILE_IN_USE || nowMs() > end) {
            if (st == B_IO_ERROR) {
                const int e = sqlite3_system_errno(db_);
                if (e == EMFILE || e == ENFILE) return B_TOO_MANY_FILES;
            }
            return st;
        }
        ::usleep(5000);
    }
}

int File::readSchema() {
    int rc = execAll(db_, kOpenPragmas);
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
    if ((rc = metaInt(db_, "reclen", v)) != SQLITE_OK) return rc == SQLITE_NOTFOUND ? B_NOT_A_RECORD_FILE : statusOf(rc);
    recordLength_ = int(v);
    if ((rc = metaInt(db_, "pagesize", v)) != SQLITE_OK) return rc == SQLITE_NOTFOUND ? B_NOT_A_RECORD_FILE : statusOf(rc);
    pageSize_ = int(v);
    if ((rc = metaInt(db_, "flags", v)) != SQLITE_OK) return rc == SQLITE_NOTFOUND ? B_NOT_A_RECORD_FILE : statusOf(rc);
    fileFlags_ = int(v);
    if (recordLength_ <= 0 || recordLength_ > 0xFFFF) return B_NOT_A_RECORD_FILE;
    return loadKeys();
}

namespace {
// A stored key column name: kc<digits>.
bool columnName(const char* c) {
    if (!c || c[0] != 'k' || c[1] != 'c' || !c[2]) return false;
    for (const char* p = c + 2; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return std::strlen(c) < 8;
}
}  // namespace

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
    int segments = 0;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        // A stored key is checked as BtrCreateFile checks one: a damaged
        // specification gives 2 here rather than a read past a record.
        KeyDef k;
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(s, 1));
        const int n = sqlite3_column_bytes(s, 1);
        const auto* col = reinterpret_cast<const char*>(sqlite3_column_text(s, 2));
        if (sqlite3_column_int(s, 0) != expect++ || !p || !keyFromSpec(p, n, k) ||
            int(k.spec().size()) != n || (k.usesAcs() && k.acs.size() != size_t(kAcsSize)) ||
            validateKey(k, recordLength_) != 0 || (col && !columnName(col)) || (!col && !k.supplemental) ||
            (segments += int(k.segs.size())) > 96 || expect > 119) {
            status = B_IO_ERROR;
            break;
        }
        cols_.push_back(col ? col : "");
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

// 0 when a stored record of n bytes fits the file: exactly the record
// length in a fixed-length file, at least that in a variable-length one;
// else 2 (a damaged record).
int File::rowFits(size_t n) const {
    if (variable() ? n < size_t(recordLength_) : n != size_t(recordLength_)) return B_IO_ERROR;
    return 0;
}

// Inside a process transaction, a file it has not written is read in one
// read transaction: one snapshot for every read to the transaction's end,
// checked whole once (afterRead), with no lock taken or asked per read.
std::vector<File*> readTxFiles;
bool processTxActive = false;

int File::beforeRead() {
    if (!processTxActive || txId_ || readTx_ || !shm_ || readOnly) return 0;
    sqlite3_stmt* s = prepare(readBegin_, "BEGIN DEFERRED");
    if (!s) return B_IO_ERROR;
    int rc;
    {
        StmtUse use(s);
        rc = sqlite3_step(s);
    }
    if (rc != SQLITE_DONE) return statusOf(rc);
    readTx_ = true;
    readChecked_ = false;
    readTxFiles.push_back(this);
    return 0;
}

void File::endReadTx() {
    if (!readTx_) return;
    readTx_ = false;
    readChecked_ = false;
    for (size_t i = 0; i < readTxFiles.size(); ++i)
        if (readTxFiles[i] == this) {
            readTxFiles.erase(readTxFiles.begin() + long(i));
            break;
        }
    if (!sqlite3_get_autocommit(db_)) {
        sqlite3_stmt* s = prepare(commit_, "COMMIT");
        if (s) {
            StmtUse use(s);
            if (sqlite3_step(s) != SQLITE_DONE) execAll(db_, "ROLLBACK");
        }
    }
}

int File::afterRead() {
    if (txId_ || !shm_) return 0;
    if (readTx_ && readChecked_) return 0;
    uint8_t now[sizeof checkedHdr_];
    std::memcpy(now, const_cast<const uint8_t*>(shm_), sizeof now);
    if (std::memcmp(now, checkedHdr_, sizeof now) == 0) {
        readChecked_ = readTx_;
        return 0;
    }
    // Something committed since the last check. While a transaction of
    // another process holds the commit byte, it is between the commits of
    // its files: what was read may be half of it. Wait for its end and read
    // again. Else every commit up to `now` is whole.
    if (!byteHeld(lockFd, F_WRLCK, kCommitByte)) {
        std::memcpy(checkedHdr_, now, sizeof now);
        readChecked_ = readTx_;
        return 0;
    }
    // A read transaction keeps its snapshot: it starts again, on a new one.
    const bool again = readTx_;
    if (again) endReadTx();
    const int64_t end = nowMs() + kTranWaitMs;
    while (byteHeld(lockFd, F_WRLCK, kCommitByte)) {
        if (nowMs() > end) return B_FILE_IN_USE;
        ::usleep(500);
    }
    if (again) {
        const int st = beforeRead();
        if (st) return st;
    }
    return 1;
}

static int fetchRow(sqlite3_stmt* s, Row& row, bool& found) {
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        row.pos = uint32_t(sqlite3_column_int64(s, 0));
        row.ver = sqlite3_column_int64(s, 1);
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(s, 2));
        const int n = sqlite3_column_bytes(s, 2);
        if (p)
            row.data.assign(p, p + n);
        else
            row.data.clear();
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
        const size_t n = p ? size_t(sqlite3_column_bytes(s, 2)) : 0;
        const size_t off = rows.bytes.size();
        if (first) rows.bytes.reserve(off + n * size_t(limit));
        rows.bytes.insert(rows.bytes.end(), p, p + n);
        rows.items.push_back({uint32_t(sqlite3_column_int64(s, 0)), sqlite3_column_int64(s, 1), off, n});
    }
}

static void truncateRows(RowSet& rows, size_t items) {
    if (rows.items.size() <= items) return;
    rows.bytes.resize(rows.items[items].off);
    rows.items.resize(items);
}

int File::keyQuery(int key, KeyQuery q, const std::string* enc, uint32_t pos, int limit, RowSet& rows,
                   bool append) {
    if (!append) rows.clear();
    const size_t had = rows.items.size();
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
    if (int st = beforeRead()) return st;
    for (;;) {
        int st;
        {
            StmtUse use(s);
            if (enc) sqlite3_bind_blob(s, 1, enc->data(), int(enc->size()), SQLITE_STATIC);
            if (q == KQ_EQ_AFTER || q == KQ_EQ_BEFORE) sqlite3_bind_int64(s, 2, pos);
            sqlite3_bind_int(s, 9, limit);
            st = fetchRows(s, limit, rows);
        }
        if (st) return st;
        const int a = afterRead();
        if (a == 0) break;
        if (a != 1) return a;
        truncateRows(rows, had);
    }
    for (size_t i = had; i < rows.items.size(); ++i)
        if (int st = rowFits(rows.items[i].len)) return st;
    return 0;
}

int File::byPosition(uint32_t pos, Row& row, bool& found) {
    sqlite3_stmt* s = prepare(byPos_, "SELECT pos, ver, data FROM rec WHERE pos = ?1");
    if (!s) return B_IO_ERROR;
    if (int st = beforeRead()) return st;
    for (;;) {
        int st;
        {
            StmtUse use(s);
            sqlite3_bind_int64(s, 1, pos);
            st = fetchRow(s, row, found);
        }
        if (st) return st;
        const int a = afterRead();
        if (a == 0) break;
        if (a != 1) return a;
    }
    return found ? rowFits(row.data.size()) : 0;
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
    if (int st = beforeRead()) return st;
    for (;;) {
        rows.clear();
        int st;
        {
            StmtUse use(s);
            if (dir == 1 || dir == 2) sqlite3_bind_int64(s, 1, pos);
            sqlite3_bind_int(s, 9, limit);
            st = fetchRows(s, limit, rows);
        }
        if (st) return st;
        const int a = afterRead();
        if (a == 0) break;
        if (a != 1) return a;
    }
    for (size_t i = 0; i < rows.items.size(); ++i)
        if (int st = rowFits(rows.items[i].len)) return st;
    return 0;
}

int File::rowAtRank(int key, int64_t rank, Row& row, bool& found) {
    found = false;
    if (key < 0 || size_t(key) >= exprs_.size()) return B_INVALID_KEY_NUMBER;
    const std::string& e = exprs_[size_t(key)];
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, ("SELECT pos, ver, data FROM rec ORDER BY " + e + ", pos LIMIT 1 OFFSET ?1").c_str(), -1,
                           &s, nullptr) != SQLITE_OK)
        return B_IO_ERROR;
    int st = 0;
    for (;;) {
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, rank);
        st = fetchRow(s, row, found);
        if (st) break;
        const int a = afterRead();
        if (a == 0) break;
        if (a != 1) {
            st = a;
            break;
        }
    }
    sqlite3_finalize(s);
    if (!st && found) st = rowFits(row.data.size());
    return st;
}

int File::rankOf(int key, const std::string& enc, uint32_t pos, int64_t& rank) {
    if (key < 0 || size_t(key) >= exprs_.size()) return B_INVALID_KEY_NUMBER;
    const std::string& e = exprs_[size_t(key)];
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, ("SELECT count(*) FROM rec WHERE " + e + " < ?1 OR (" + e + " = ?1 AND pos < ?2)").c_str(),
                           -1, &s, nullptr) != SQLITE_OK)
        return B_IO_ERROR;
    int st = 0;
    for (;;) {
        sqlite3_reset(s);
        sqlite3_bind_blob(s, 1, enc.data(), int(enc.size()), SQLITE_STATIC);
        sqlite3_bind_int64(s, 2, pos);
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW) {
            st = statusOf(rc);
            break;
        }
        rank = sqlite3_column_int64(s, 0);
        const int a = afterRead();
        if (a == 0) break;
        if (a != 1) {
            st = a;
            break;
        }
    }
    sqlite3_finalize(s);
    return st;
}

int File::count(int64_t& n) {
    sqlite3_stmt* s = prepare(count_, "SELECT count(*) FROM rec");
    if (!s) return B_IO_ERROR;
    if (int st = beforeRead()) return st;
    for (;;) {
        {
            StmtUse use(s);
            const int rc = sqlite3_step(s);
            if (rc != SQLITE_ROW) return statusOf(rc);
            n = sqlite3_column_int64(s, 0);
        }
        const int a = afterRead();
        if (a == 0) return 0;
        if (a != 1) return a;
    }
}

void File::saveBefore(uint32_t pos, int64_t ver, const std::vector<uint8_t>* old) {
    if (!txId_ || imaged_.count(pos)) return;
    imaged_.emplace(pos, images_.size());
    images_.push_back(Image{pos, old != nullptr, ver, old ? *old : std::vector<uint8_t>()});
}

int File::insert(const std::vector<uint8_t>& data, int64_t ver, const std::vector<std::string>& encs,
                 uint32_t& pos) {
    ++writeSeq_;
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
    int rc;
    {
        StmtUse use(s);
        sqlite3_bind_int64(s, 1, ver);
        sqlite3_bind_blob(s, 2, data.data(), int(data.size()), SQLITE_STATIC);
        for (size_t i = 0; i < cols_.size(); ++i)
            if (!cols_[i].empty())
                sqlite3_bind_blob(s, int(i) + 3, encs[i].data(), int(encs[i].size()), SQLITE_STATIC);
        rc = sqlite3_step(s);
    }
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
    saveBefore(pos, 0, nullptr);
    return 0;
}

int File::update(uint32_t pos, int64_t ver, const std::vector<uint8_t>& data, const std::vector<std::string>& encs,
                 const std::vector<bool>& changed, const std::vector<uint8_t>& old) {
    ++writeSeq_;
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
    if (sqlite3_changes(db_) != 1) return B_CONFLICT;
    saveBefore(pos, ver, &old);
    return 0;
}

int File::remove(uint32_t pos, int64_t ver, const std::vector<uint8_t>& old) {
    ++writeSeq_;
    sqlite3_stmt* s = prepare(delete_, "DELETE FROM rec WHERE pos = ?1 AND ver = ?2");
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    sqlite3_bind_int64(s, 1, pos);
    sqlite3_bind_int64(s, 2, ver);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return statusOf(rc);
    if (sqlite3_changes(db_) != 1) return B_CONFLICT;
    saveBefore(pos, ver, &old);
    return 0;
}

int File::begin() {
    if (txId_) {  // inside a process transaction: a savepoint
        const int rc = execAll(db_, "SAVEPOINT rm_step");
        if (rc == SQLITE_OK) ++savepoints_;
        return statusOf(rc);
    }
    sqlite3_stmt* s = prepare(begin_, "BEGIN IMMEDIATE");
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    return statusOf(sqlite3_step(s));
}

int File::commit() {
    if (txId_) {
        if (savepoints_ <= 0) return 0;
        --savepoints_;
        return statusOf(execAll(db_, "RELEASE rm_step"));
    }
    sqlite3_stmt* s = prepare(commit_, "COMMIT");
    if (!s) return B_IO_ERROR;
    StmtUse use(s);
    return statusOf(sqlite3_step(s));
}

void File::rollback() {
    ++writeSeq_;
    if (txId_) {
        if (savepoints_ <= 0) return;
        --savepoints_;
        execAll(db_, "ROLLBACK TO rm_step; RELEASE rm_step");
        return;
    }
    if (sqlite3_get_autocommit(db_)) return;
    sqlite3_stmt* s = prepare(rollback_, "ROLLBACK");
    if (!s) return;
    StmtUse use(s);
    sqlite3_step(s);
}

// ---- process transactions ---------------------------------------------------

namespace {

constexpr const char* kTxTables =
    "CREATE TABLE IF NOT EXISTS rm_tx(txid INTEGER PRIMARY KEY, marker TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS rm_undo(seq INTEGER PRIMARY KEY, txid INTEGER NOT NULL, pos INTEGER NOT NULL,"
    " ver INTEGER, data BLOB);";

enum class Marker { Absent, Alive, Dead };

// The state of transaction `txid` by its marker: absent (the marker names
// another transaction or none: it committed, or was put back everywhere),
// held by its living owner, or left by a process that died.
Marker markerState(const std::string& m, int64_t txid) {
    if (m.empty()) return Marker::Absent;
    const int fd = ::open(m.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Marker::Absent : Marker::Alive;  // unknown: do not touch
    char b[17] = {};
    const bool named = ::pread(fd, b, 16, 0) == 16 && std::strtoull(b, nullptr, 16) == uint64_t(txid);
    const bool held = named && byteHeld(fd, F_WRLCK, 0);
    ::close(fd);  // a marker, not a data file: no lock of SQLite's is on it
    return !named ? Marker::Absent : held ? Marker::Alive : Marker::Dead;
}

// The files a marker names, one a line after the transaction's line, up
// to an empty line.
std::vector<std::string> markerFiles(const std::string& m) {
    std::vector<std::string> out;
    FILE* f = std::fopen(m.c_str(), "re");
    if (!f) return out;
    char line[4200];
    bool first = true;
    while (std::fgets(line, sizeof line, f)) {
        std::string l(line);
        while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
        if (first) {
            first = false;
            continue;
        }
        if (l.empty()) break;
        out.push_back(l);
    }
    std::fclose(f);
    return out;
}

}  // namespace

int File::txJoin(int64_t id) {
    if (readOnly) return B_PERMISSION_ERROR;
    if (readTx_) endReadTx();  // the write transaction takes a snapshot of its own
    const int64_t end = nowMs() + kTranWaitMs;
    for (bool recover = false;; recover = true) {
        int st = 0;
        if (recover) {
            st = recoverDead();  // transactions of dead processes, each in a transaction of its own
            if (st && st != B_FILE_IN_USE) return st;
        }
        const int64_t left = end - nowMs();
        if (left <= 0) return B_FILE_IN_USE;
        sqlite3_busy_timeout(db_, int(left));
        st = begin();
        sqlite3_busy_timeout(db_, kBusyMs);
        if (st) return st;
        // Another process's transaction may still be committing its other
        // files (it wrote this one already): wait for its end.
        if (byteHeld(lockFd, F_WRLCK, kCommitByte)) {
            rollback();
            ::usleep(1000);
            continue;
        }
        int rc = txTables_ ? SQLITE_OK : execAll(db_, kTxTables);
        if (rc == SQLITE_OK) txTables_ = true;
        std::vector<Leftover> rows;
        if (rc == SQLITE_OK) st = leftovers(rows);
        else st = statusOf(rc);
        bool dead = false;
        for (const auto& l : rows) {
            if (st) break;
            bool mine = false;
            for (int64_t d : doneTx) mine = mine || d == l.txid;
            const Marker m = mine ? Marker::Absent : markerState(l.marker, l.txid);
            if (m == Marker::Dead) dead = true;
            else if (m == Marker::Absent) st = dropRows(l.txid);
        }
        if (!st && !dead) doneTx.clear();
        if (st || dead) {
            sqlite3_stmt* r = prepare(rollback_, "ROLLBACK");
            if (r) {
                StmtUse use(r);
                sqlite3_step(r);
            }
            if (st) return st;
            continue;  // a process died meanwhile: recover first
        }
        txId_ = id;
        savepoints_ = 0;
        images_.clear();
        imaged_.clear();
        spImages_ = -1;
        return 0;
    }
}

int File::txWriteUndo(const std::string& marker) {
    if (!txId_) return 0;
    sqlite3_stmt* s = prepare(txRow_, "INSERT OR REPLACE INTO rm_tx(txid, marker) VALUES(?1, ?2)");
    if (!s) return B_IO_ERROR;
    {
        StmtUse use(s);
        sqlite3_bind_int64(s, 1, txId_);
        sqlite3_bind_text(s, 2, marker.c_str(), -1, SQLITE_STATIC);
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_DONE) return statusOf(rc);
    }
    sqlite3_stmt* ins = prepare(undoIns_, "INSERT INTO rm_undo(txid, pos, ver, data) VALUES(?1, ?2, ?3, ?4)");
    if (!ins) return B_IO_ERROR;
    for (const Image& im : images_) {
        StmtUse use(ins);
        sqlite3_bind_int64(ins, 1, txId_);
        sqlite3_bind_int64(ins, 2, im.pos);
        if (im.existed) {
            sqlite3_bind_int64(ins, 3, im.ver);
            sqlite3_bind_blob(ins, 4, im.data.data(), int(im.data.size()), SQLITE_STATIC);
        }
        const int rc = sqlite3_step(ins);
        if (rc != SQLITE_DONE) return statusOf(rc);
    }
    return 0;
}

int File::leftovers(std::vector<Leftover>& out) {
    out.clear();
    sqlite3_stmt* s = prepare(leftovers_, "SELECT txid, marker FROM rm_tx");
    if (!s) return 0;  // no such table (a file of an older build): nothing left over
    StmtUse use(s);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        const auto* m = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
        out.push_back({sqlite3_column_int64(s, 0), m ? m : ""});
    }
    return rc == SQLITE_DONE ? 0 : statusOf(rc);
}

int File::dropRows(int64_t txid) {
    for (int i = 0; i < 2; ++i) {
        sqlite3_stmt* s = prepare(dropRows_[i], i ? "DELETE FROM rm_tx WHERE txid=?1" : "DELETE FROM rm_undo WHERE txid=?1");
        if (!s) return B_IO_ERROR;
        StmtUse use(s);
        sqlite3_bind_int64(s, 1, txid);
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_DONE) return statusOf(rc);
    }
    return 0;
}

int File::txCommit() {
    if (!txId_) return 0;
    sqlite3_stmt* s = prepare(commit_, "COMMIT");
    int st = B_IO_ERROR;
    if (s) {
        StmtUse use(s);
        st = statusOf(sqlite3_step(s));
    }
    if (st) return st;  // still in the transaction: the caller rolls back
    doneTx.push_back(txId_);
    txId_ = 0;
    savepoints_ = 0;
    images_.clear();
    imaged_.clear();
    spImages_ = -1;
    ++writeSeq_;
    return 0;
}

// The write-ahead log holds what COMMIT wrote (the connection's own file
// object syncs it: no second descriptor on the file, whose closing would
// drop this process's locks).
int File::syncCommitted() {
    sqlite3_file* fp = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &fp) != SQLITE_OK || !fp ||
        !fp->pMethods)
        return 0;  // no log open: the commit went into the file itself
    return fp->pMethods->xSync(fp, SQLITE_SYNC_NORMAL) == SQLITE_OK ? 0 : B_IO_ERROR;
}

void File::txRollback() {
    txId_ = 0;
    savepoints_ = 0;
    images_.clear();
    imaged_.clear();
    spImages_ = -1;
    ++writeSeq_;
    if (sqlite3_get_autocommit(db_)) return;
    sqlite3_stmt* s = prepare(rollback_, "ROLLBACK");
    if (!s) return;
    StmtUse use(s);
    sqlite3_step(s);
}

int File::spSet() {
    if (!txId_ || spImages_ >= 0) return B_TRANSACTION_ACTIVE;
    const int rc = execAll(db_, "SAVEPOINT rm_sp");
    if (rc != SQLITE_OK) return statusOf(rc);
    spImages_ = long(images_.size());
    return 0;
}

int File::spRelease() {
    if (spImages_ < 0) return 0;
    const int rc = execAll(db_, "RELEASE rm_sp");
    if (rc != SQLITE_OK) return statusOf(rc);
    spImages_ = -1;
    return 0;
}

int File::spUndo() {
    if (spImages_ < 0) return 0;
    ++writeSeq_;
    const int rc = execAll(db_, "ROLLBACK TO rm_sp; RELEASE rm_sp");
    if (rc != SQLITE_OK) return statusOf(rc);
    while (images_.size() > size_t(spImages_)) {
        imaged_.erase(images_.back().pos);
        images_.pop_back();
    }
    spImages_ = -1;
    return 0;
}

int File::undo(int64_t id) {
    if (txId_ || readOnly) return B_FILE_IN_USE;
    if (readTx_) endReadTx();
    int st = begin();
    if (st) return st;
    ++writeSeq_;
    sqlite3_stmt* q = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT pos, ver, data FROM rm_undo WHERE txid=?1 ORDER BY seq DESC", -1, &q,
                                nullptr);
    sqlite3_stmt* del = nullptr;
    sqlite3_stmt* ins = nullptr;
    if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db_, "DELETE FROM rec WHERE pos=?1", -1, &del, nullptr);
    if (rc == SQLITE_OK) {
        std::string cols = "pos, ver, data", vals = "?1, ?2, ?3";
        for (size_t i = 0; i < cols_.size(); ++i) {
            if (cols_[i].empty()) continue;
            cols += ", " + cols_[i];
            vals += ", ?" + std::to_string(i + 4);
        }
        rc = sqlite3_prepare_v2(db_, ("INSERT INTO rec(" + cols + ") VALUES(" + vals + ")").c_str(), -1, &ins,
                                nullptr);
    }
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(q, 1, id);
        while (rc == SQLITE_OK && (rc = sqlite3_step(q)) == SQLITE_ROW) {
            const int64_t pos = sqlite3_column_int64(q, 0);
            sqlite3_bind_int64(del, 1, pos);
            rc = sqlite3_step(del);
            sqlite3_reset(del);
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
            if (rc != SQLITE_OK || sqlite3_column_type(q, 2) == SQLITE_NULL) continue;
            const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(q, 2));
            const int n = sqlite3_column_bytes(q, 2);
            std::vector<uint8_t> data(p, p + n);
            std::vector<std::string> encs(keys_.size());
            sqlite3_bind_int64(ins, 1, pos);
            sqlite3_bind_int64(ins, 2, sqlite3_column_int64(q, 1));
            sqlite3_bind_blob(ins, 3, data.data(), n, SQLITE_TRANSIENT);
            for (size_t i = 0; i < cols_.size(); ++i) {
                if (cols_[i].empty()) continue;
                encs[i] = encodeRecordKey(keys_[i], data.data(), data.size());
                sqlite3_bind_blob(ins, int(i) + 4, encs[i].data(), int(encs[i].size()), SQLITE_TRANSIENT);
            }
            rc = sqlite3_step(ins);
            sqlite3_reset(ins);
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        }
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    sqlite3_finalize(q);
    sqlite3_finalize(del);
    sqlite3_finalize(ins);
    st = rc == SQLITE_OK ? dropRows(id) : statusOf(rc);
    if (!st) st = commit();
    if (st) rollback();
    return st;
}

int File::recoverDead() {
    if (readOnly || txId_) return 0;
    std::vector<Leftover> rows;
    int st = leftovers(rows);
    if (st) return st;
    for (const auto& l : rows) {
        if (markerState(l.marker, l.txid) != Marker::Dead) continue;
        // Its process died between the commits of its files: put every
        // file the marker names back (this one first), then remove the
        // marker.
        const int self = undo(l.txid);
        if (self) {
            st = self;  // this file stays as it is: not opened
            continue;
        }
        bool all = true;
        for (const std::string& p : markerFiles(l.marker)) {
            struct stat ps {};
            if (::stat(p.c_str(), &ps) != 0) continue;  // gone: nothing to put back
            if (ps.st_dev == dev && ps.st_ino == ino) continue;
            std::shared_ptr<File> other = openHere ? openHere(ps.st_dev, ps.st_ino) : nullptr;
            int s2 = 0;
            if (!other) s2 = File::open(p, other, false);
            if (!s2 && other) s2 = other->undo(l.txid);
            if (s2) all = false;
        }
        // Another file that cannot be put back now (busy) keeps the marker:
        // its next open or transaction does it.
        if (all) ::unlink(l.marker.c_str());
    }
    return st;
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
    // A file of that name open in another process (it holds a read lock on
    // the open byte) is not replaced: 85. The check holds a write lock on
    // the old file's open byte until the new file is in place, so that no
    // process opens the old one meanwhile. (The caller made sure that this
    // process has no connection on it: closing `old` drops no lock of
    // SQLite's.) A path that is not a regular file is never replaced: 30.
    int old = -1;
    struct stat ost {};
    if (::stat(path.c_str(), &ost) == 0) {
        if (!S_ISREG(ost.st_mode)) return B_NOT_A_RECORD_FILE;
        const bool w = ::access(path.c_str(), W_OK) == 0;
        old = ::open(path.c_str(), (w ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
        if (old >= 0) {
            const bool busy = w ? lockByte(old, F_WRLCK, kOpenByte) != 0 : byteHeld(old, F_WRLCK, kOpenByte);
            if (busy) {
                ::close(old);
                return B_FILE_IN_USE;
            }
        }
    } else if (errno != ENOENT) {
        return errnoStatus(errno);
    }
    struct Closer {
        int& fd;
        ~Closer() {
            if (fd >= 0) ::close(fd);
        }
    } closer{old};
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
        if (rc == SQLITE_OK) rc = execAll(db, kTxTables);
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
