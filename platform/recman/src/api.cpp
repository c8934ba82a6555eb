// The client calls: handles, positioning, reads, writes, locks, file and
// key specifications.
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "keys.hpp"
#include "recman.h"
#include "recman_testing.h"
#include "pgstore.hpp"
#include "store.hpp"

using namespace recman;

namespace {

// Records are locked across processes with open-file-description locks on
// one byte per position (kLockBase + position, store.hpp), far above the
// bytes SQLite locks (around 1 GiB) so that the two never meet. The kernel
// drops them when the process dies.

constexpr int kMaxRecordLength = 1 << 24;
constexpr int kMaxKeys = 119;
constexpr int kAheadRows = 4096;
constexpr int kAheadBytes = 512 * 1024;

struct Handle {
    uint16_t id = 0;
    std::shared_ptr<Store> file;
    int keyNo = 0;
    int second = 0;
    // Logical position: the record the handle stands on (or stood on, when
    // it was deleted), as its encoded key under `posKey` and its position.
    bool positioned = false;
    int posKey = -1;
    std::string curEnc;
    uint32_t curPos = 0;
    std::vector<uint8_t> curData;  // that record as last seen
    // When set, curEnc and curData are not filled in yet: the record is the
    // row read ahead at aheadAt - 1, copied only when something needs it
    // (see settle), so that a run of get next copies each record once.
    bool curLazy = false;
    // Current record, for update and delete.
    bool hasCurrent = false;
    int64_t curVer = 0;
    // What the last read gave: bytes returned and whether the stored record
    // was longer (then an update keeps the part the caller never saw).
    int lastLength = 0;
    bool lastTruncated = false;
    // Rows read ahead for a run of sequential reads.
    RowSet ahead;
    size_t aheadAt = 0;
    int aheadOp = -1;
    Snapshot aheadSnap{};
    int runOp = -1;
    int runLength = 0;
    // Locks held.
    bool hasSingle = false;
    uint32_t single = 0;
    std::set<uint32_t> multi;
};

// The process transaction (BtrTransaction): the files it wrote, in the
// order of their first write, and the record locks taken inside it.
struct Tx {
    bool active = false;
    bool savepoint = false;  // a savepoint is set (BtrSavepoint)
    int64_t id = 0;
    std::vector<std::shared_ptr<Store>> files;
    std::vector<std::pair<std::shared_ptr<Store>, uint32_t>> locks;
};

struct State {
    std::map<uint16_t, std::unique_ptr<Handle>> handles;
    Tx tx;
    // This process's marker file (made at its first transaction over two
    // files or more, in the folder of that transaction's first file; removed
    // at exit). Its first line names the transaction between the commits of
    // its files, else zeros; the process holds a lock on it while it lives.
    std::string marker;
    int markerFd = -1;
    // The handle found last, so that a run of calls on one handle skips the
    // search; cleared whenever a handle goes away.
    uint16_t lastId = 0;
    Handle* last = nullptr;
    std::map<std::string, std::weak_ptr<Store>> files;  // by Store::ident
    uint16_t nextHandle = 1;
    uint8_t client[RECMAN_CLIENT_BLOCK] = {};
    std::mt19937_64 rng{std::random_device{}()};
};

void closeAllAtExit();

bool forked = false;
void markForked() { forked = true; }

State& state() {
    // Never destroyed (handles may still be closed by other exit code); at a
    // normal exit every file is closed, so that each is one whole file again
    // (SQLite folds its -wal file back in when the last connection closes).
    static State* s = [] {
        std::atexit(closeAllAtExit);
        ::pthread_atfork(nullptr, nullptr, markForked);
        auto* st = new State;
        recman::openHere = [st](dev_t d, ino_t i) -> std::shared_ptr<File> {
            auto it = st->files.find(localIdent(d, i));
            if (it == st->files.end()) return nullptr;
            std::shared_ptr<Store> f = it->second.lock();
            return f && f->local() ? std::static_pointer_cast<File>(f) : nullptr;
        };
        return st;
    }();
    return *s;
}

// The folder of a path resolved, so that two spellings of one path compare
// equal; the name itself is kept (it may not exist yet).
std::string canonical(const char* path) {
    std::string p(path);
    const size_t slash = p.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
    const std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
    char buf[PATH_MAX];
    if (!::realpath(dir.c_str(), buf)) return p;
    return std::string(buf) + "/" + name;
}

// True when a file that was open under this path has been replaced (deleted
// or renamed over) while its handles stay open: SQLite names its -wal and
// -shm files after the path, so the new file must wait until they close.
bool replacedWhileOpen(const std::string& canon, dev_t dev, ino_t ino) {
    for (auto& [id, w] : state().files) {
        auto f = w.lock();
        if (f && f->local() && f->canon == canon && f->ident != localIdent(dev, ino)) return true;
    }
    return false;
}

// A forked child must not use its parent's connections or lock descriptors:
// it forgets them (without closing, which would disturb the parent's locks).
// The child is told by a fork handler (registered with the state, before
// any handle exists), so that no call pays for a getpid().
void forgetInherited() {
    forked = false;
    State& s = state();
    // Kept, never closed: closing would let SQLite checkpoint the parent's
    // files under it.
    static auto* inherited = new std::vector<std::shared_ptr<Store>>;
    for (auto& [id, h] : s.handles) inherited->push_back(std::move(h->file));
    for (auto& f : s.tx.files) inherited->push_back(std::move(f));
    for (auto& [f, pos] : s.tx.locks) inherited->push_back(std::move(f));
    s.tx = Tx();
    recman::processTxActive = false;
    recman::readTxFiles.clear();  // the parent's read transactions, not ended here
    // a child draws transaction ids of its own, not its parent's sequence
    s.rng.seed(std::random_device{}() ^ (uint64_t(::getpid()) << 32) ^ uint64_t(nowMs()));
    if (s.markerFd >= 0) ::close(s.markerFd);  // the parent's: its lock stays with the parent
    s.markerFd = -1;
    s.marker.clear();
    s.handles.clear();
    s.last = nullptr;
    s.lastId = 0;
    s.files.clear();
    pgForgetInherited();
}

inline void checkFork() {
    if (__builtin_expect(forked, false)) forgetInherited();
}

Handle* getHandle(uint16_t id) {
    checkFork();
    State& s = state();
    if (s.last && s.lastId == id) return s.last;
    auto it = s.handles.find(id);
    if (it == s.handles.end()) return nullptr;
    s.lastId = id;
    s.last = it->second.get();
    return s.last;
}

// ---- record locks ------------------------------------------------------

inline int osLock(Store& f, uint32_t pos, bool wait) { return f.recordLock(pos, wait); }
inline void osUnlock(Store& f, uint32_t pos) { f.recordUnlock(pos); }
inline bool osLockedElsewhere(Store& f, uint32_t pos) { return f.recordLockedElsewhere(pos); }

void releaseLock(Handle& h, uint32_t pos) {
    Store& f = *h.file;
    auto it = f.locks.find(pos);
    if (it != f.locks.end() && it->second.handle != 0) {
        // a lock taken inside a transaction is held to its end
        if (it->second.handle == h.id && !(it->second.tx && state().tx.active)) {
            f.locks.erase(it);
            osUnlock(f, pos);
        }
    }
    if (h.hasSingle && h.single == pos) h.hasSingle = false;
    h.multi.erase(pos);
}

void releaseAll(Handle& h) {
    if (h.hasSingle) releaseLock(h, h.single);
    while (!h.multi.empty()) releaseLock(h, *h.multi.begin());
}

uint16_t idOf(const Handle& h) { return h.id; }

Handle* handleById(uint16_t id);

// A lock that the process's transaction keeps after the handle that took it
// let it go (released, or the handle closed): it guards the transaction's
// writes against other processes, and is this process's own, so any of its
// handles may take it over until the transaction ends.
bool heldOnlyForTx(Store& f, uint32_t pos, const LockEntry& e) {
    if (!e.tx || !state().tx.active) return false;
    const Handle* owner = handleById(e.handle);
    return !(owner && owner->file.get() == &f &&
             ((owner->hasSingle && owner->single == pos) || owner->multi.count(pos)));
}

// Takes a lock of a record for a handle: 0, 84 (held elsewhere, no wait) or
// 78 (held by another handle of this process and the caller would wait:
// nobody could ever release it).
int acquire(Handle& h, uint32_t pos, bool multi, bool wait, bool* held = nullptr) {
    Store& f = *h.file;
    const uint16_t me = idOf(h);
    auto it = f.locks.find(pos);
    if (held) *held = it != f.locks.end() && it->second.handle == me;
    if (it != f.locks.end() && it->second.handle != me && heldOnlyForTx(f, pos, it->second))
        it->second.handle = me;
    if (it != f.locks.end() && it->second.handle != me) return wait ? B_DEADLOCK : B_RECORD_IN_USE;
    if (it == f.locks.end()) {
        const int st = osLock(f, pos, wait);
        if (st) return st;
        Tx& tx = state().tx;
        f.locks[pos] = LockEntry{me, multi, tx.active};
        if (tx.active) tx.locks.emplace_back(h.file, pos);
    } else if (multi && !it->second.multi) {
        it->second.multi = true;
    }
    if (multi) {
        if (h.hasSingle && h.single == pos) h.hasSingle = false;
        h.multi.insert(pos);
    } else if (!h.multi.count(pos)) {
        // a new single-record lock replaces the previous one
        if (h.hasSingle && h.single != pos) releaseLock(h, h.single);
        h.hasSingle = true;
        h.single = pos;
    }
    return 0;
}

// 84 when another handle or process holds the record.
int lockedByOther(Handle& h, uint32_t pos) {
    Store& f = *h.file;
    auto it = f.locks.find(pos);
    if (it != f.locks.end())
        return it->second.handle == idOf(h) || heldOnlyForTx(f, pos, it->second) ? 0 : B_RECORD_IN_USE;
    return osLockedElsewhere(f, pos) ? B_RECORD_IN_USE : 0;
}

// ---- transactions -------------------------------------------------------------

Handle* handleById(uint16_t id) {
    auto& hs = state().handles;
    auto it = hs.find(id);
    return it == hs.end() ? nullptr : it->second.get();
}

// The locks taken inside the transaction: released unless a handle still
// holds them by the ordinary rules (then they follow those from now on).
void endTxLocks() {
    Tx& tx = state().tx;
    for (auto& [f, pos] : tx.locks) {
        auto it = f->locks.find(pos);
        if (it == f->locks.end() || !it->second.tx) continue;
        Handle* h = handleById(it->second.handle);
        const bool used = h && h->file == f && ((h->hasSingle && h->single == pos) || h->multi.count(pos));
        if (used) {
            it->second.tx = false;
        } else {
            f->locks.erase(it);
            osUnlock(*f, pos);
        }
    }
    tx.locks.clear();
}

void endTx() {
    Tx& tx = state().tx;
    tx.active = false;
    tx.savepoint = false;
    recman::processTxActive = false;
    while (!recman::readTxFiles.empty()) recman::readTxFiles.back()->endReadTx();
    endTxLocks();
    tx.files.clear();
    tx.id = 0;
}

void abortTx() {
    for (auto& f : state().tx.files) f->txRollback();
    endTx();
}

std::string hex64(uint64_t v) {
    char b[17];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(v));
    return b;
}

// Markers left by processes that died outside a commit (naming no
// transaction, unlocked, at least minAge seconds old) are removed; this
// process's own marker is kept (its lock does not show to itself). The
// number removed.
int sweepMarkers(const std::string& dir, time_t minAge) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return 0;
    const time_t now = ::time(nullptr);
    const std::string own = state().markerFd >= 0 ? state().marker : std::string();
    int removed = 0;
    while (dirent* e = ::readdir(d)) {
        if (std::strncmp(e->d_name, ".recman-tx-", 11) != 0) continue;
        const std::string m = dir + "/" + e->d_name;
        if (!own.empty() && m == own) continue;
        struct stat st {};
        if (::stat(m.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || now - st.st_mtime < minAge) continue;
        const int fd = ::open(m.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        char b[17] = {};
        const bool zero = ::pread(fd, b, 16, 0) == 16 && std::strtoull(b, nullptr, 16) == 0;
        if (zero && !byteHeld(fd, F_WRLCK, 0) && ::unlink(m.c_str()) == 0) ++removed;
        ::close(fd);
    }
    ::closedir(d);
    return removed;
}

// Before a write inside a transaction: the file joins it (0 or a status).
// A file joining while a savepoint is set takes one too, so that undoing
// the savepoint undoes what it wrote.
int joinTx(Handle& h) {
    Tx& tx = state().tx;
    Store& f = *h.file;
    if (!tx.active || f.inTx()) return 0;
    int st = f.txJoin(tx.id);
    if (st) return st;
    tx.files.push_back(h.file);
    if (tx.savepoint && (st = f.spSet())) return st;
    return 0;
}

// Syncs a descriptor's data to the disk; 0 or a status.
int syncFd(int fd) { return ::fdatasync(fd) == 0 ? 0 : B_IO_ERROR; }

// The process's marker, made at its first transaction over two files or
// more, in the folder of that transaction's first file; its name is made
// durable with the folder, so that it is there after a power loss.
int ensureMarker(const File& first) {
    State& s = state();
    if (s.markerFd >= 0) return 0;
    const size_t slash = first.canon.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : first.canon.substr(0, slash);
    sweepMarkers(dir, 60);
    s.marker = dir + "/.recman-tx-" + std::to_string(::getpid()) + "-" + hex64(s.rng()).substr(0, 8);
    s.markerFd = ::open(s.marker.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (s.markerFd < 0) {
        const int e = errno;
        s.marker.clear();
        return e == EMFILE || e == ENFILE ? B_TOO_MANY_FILES
               : e == EACCES || e == EPERM || e == EROFS ? B_PERMISSION_ERROR
                                                         : B_IO_ERROR;
    }
    static const char zeros[] = "0000000000000000\n";
    bool ok = lockByte(s.markerFd, F_WRLCK, 0) == 0 && ::pwrite(s.markerFd, zeros, 17, 0) == 17 &&
              syncFd(s.markerFd) == 0;
    if (ok) {
        const int d = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ok = d >= 0 && ::fsync(d) == 0;
        if (d >= 0) ::close(d);
    }
    if (!ok) {
        ::close(s.markerFd);
        ::unlink(s.marker.c_str());
        s.markerFd = -1;
        s.marker.clear();
        return B_IO_ERROR;
    }
    return 0;
}

// All or nothing, and durable when it returns 0: one file commits alone
// and is synced; several write their before-images and commit under their
// commit bytes, between the marker naming the transaction (synced before
// the first COMMIT) and its zeros (written and synced after every file is
// synced: the commit point; see store.hpp).
int commitTx() {
    Tx& tx = state().tx;
    // The local files, and the server files: those of one connection are
    // one server transaction, which the first of them commits.
    std::vector<File*> files;
    std::vector<Store*> server;
    for (auto& f : tx.files) {
        if (f->local())
            files.push_back(static_cast<File*>(f.get()));
        else
            server.push_back(f.get());
    }
    auto commitServer = [&server]() {
        int st = 0;
        for (Store* f : server) {
            const int one = f->txCommit();
            if (!st) st = one;
        }
        return st;
    };
    int st = 0;
    if (files.size() == 1 && server.empty()) {
        st = files[0]->txCommit();
        if (st) files[0]->txRollback();
        else st = files[0]->syncCommitted();
        endTx();
        return st;
    }
    if (files.empty()) {
        st = commitServer();
        if (st) abortTx();
        else endTx();
        return st;
    }
    State& s = state();
    st = ensureMarker(*files[0]);
    for (size_t i = 0; !st && i < files.size(); ++i) st = files[i]->txWriteUndo(s.marker);
    if (st) {
        abortTx();
        return st;
    }
    size_t locked = 0;
    for (; locked < files.size(); ++locked)
        if (lockByte(files[locked]->lockFd, F_WRLCK, kCommitByte) != 0) break;
    bool named = false;
    if (locked == files.size()) {
        std::string body = hex64(uint64_t(tx.id)) + "\n";
        for (auto& f : files) body += f->canon + "\n";
        body += "\n";
        if (::pwrite(s.markerFd, body.data(), body.size(), 0) != ssize_t(body.size()) || syncFd(s.markerFd))
            st = B_IO_ERROR;
        else
            named = true;
    } else {
        st = B_FILE_IN_USE;
    }
    static const char zeros[] = "0000000000000000";
    size_t committed = 0;
    if (!st) {
        for (; committed < files.size(); ++committed)
            if ((st = files[committed]->txCommit())) break;
    }
    for (size_t i = 0; !st && i < committed; ++i) st = files[i]->syncCommitted();
    // Server files commit last, just before the commit point: a failure
    // there puts the local files back.
    if (!st) st = commitServer();
    if (st) {
        for (Store* f : server) f->txRollback();
        // Put back what committed, drop the rest.
        bool all = true;
        for (size_t i = 0; i < files.size(); ++i) {
            if (i < committed) {
                if (files[i]->undo(tx.id)) all = false;
            } else {
                files[i]->txRollback();
            }
        }
        if (named && all) ::pwrite(s.markerFd, zeros, 16, 0);
    } else {
        // the commit point: the marker names this transaction no more
        if (::pwrite(s.markerFd, zeros, 16, 0) != 16 || syncFd(s.markerFd)) st = B_IO_ERROR;
    }
    for (size_t i = 0; i < locked; ++i) {
        struct flock fl {};
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = kCommitByte;
        fl.l_len = 1;
        ::fcntl(files[i]->lockFd, F_OFD_SETLK, &fl);
    }
    endTx();
    return st;
}

// Savepoints inside the transaction (BtrSavepoint).
int savepoint(int op) {
    checkFork();
    Tx& tx = state().tx;
    if (!tx.active) return B_NO_TRANSACTION;
    int st = 0;
    switch (op) {
    case RECMAN_SAVEPOINT_SET:
        if (tx.savepoint) return B_TRANSACTION_ACTIVE;
        for (auto& f : tx.files)
            if (!st) st = f->spSet();
        if (st) {
            for (auto& f : tx.files) f->spUndo();
            return st;
        }
        tx.savepoint = true;
        return 0;
    case RECMAN_SAVEPOINT_RELEASE:
    case RECMAN_SAVEPOINT_UNDO:
        if (!tx.savepoint) return B_NO_TRANSACTION;
        for (auto& f : tx.files) {
            const int one = op == RECMAN_SAVEPOINT_UNDO ? f->spUndo() : f->spRelease();
            if (!st) st = one;
        }
        tx.savepoint = false;
        return st;
    default:
        return B_INVALID_OPERATION;
    }
}

int transaction(int op) {
    checkFork();
    Tx& tx = state().tx;
    switch (op) {
    case B_BEGIN_TRAN:
        if (tx.active) return B_TRANSACTION_ACTIVE;
        tx = Tx();
        tx.active = true;
        recman::processTxActive = true;
        while (tx.id == 0) tx.id = int64_t(state().rng() >> 1);
        return 0;
    case B_END_TRAN:
        if (!tx.active) return B_NO_TRANSACTION;
        return commitTx();
    case B_ABORT_TRAN:
        if (!tx.active) return B_NO_TRANSACTION;
        abortTx();
        return 0;
    default:
        return B_INVALID_OPERATION;
    }
}

// ---- positioning ------------------------------------------------------------

bool validKey(const Handle& h, int key) { return key >= 0 && size_t(key) < h.file->keys().size(); }

// A record found by a read: in a Row of its own or among rows read ahead.
struct RowView {
    uint32_t pos = 0;
    int64_t ver = 0;
    const uint8_t* data = nullptr;
    size_t len = 0;
};

RowView viewOf(const Row& r) { return RowView{r.pos, r.ver, r.data.data(), r.data.size()}; }

void setCurrent(Handle& h, const RowView& row) {
    h.positioned = true;
    h.hasCurrent = true;
    h.curLazy = false;
    h.curPos = row.pos;
    h.curVer = row.ver;
    if (validKey(h, h.keyNo)) {
        h.posKey = h.keyNo;
        h.curEnc = encodeRecordKey(h.file->keys()[size_t(h.keyNo)], row.data, row.len);
    } else {
        h.posKey = -1;
        h.curEnc.clear();
    }
    h.curData.assign(row.data, row.data + row.len);
}

void setCurrent(Handle& h, const Row& row) { setCurrent(h, viewOf(row)); }

void copyOut(Handle& h, const RowView& row, void* data, int length, void* key, bool giveKey) {
    const int want = length == 0 ? h.file->recordLength() : length;
    const int n = std::min<int>(want, int(row.len));
    if (data && n > 0) std::memcpy(data, row.data, size_t(n));
    h.lastLength = n;
    h.lastTruncated = n < int(row.len);
    if (giveKey && key && validKey(h, h.keyNo)) {
        const KeyDef& k = h.file->keys()[size_t(h.keyNo)];
        extractRawKey(k, row.data, row.len, static_cast<uint8_t*>(key));
    }
}

// Makes sure the logical position is expressed in the handle's current key
// (the key may have been changed since the position was taken).
void settle(Handle& h);

int alignPosition(Handle& h) {
    if (!h.positioned) return B_INVALID_POSITIONING;
    if (h.posKey == h.keyNo) return 0;
    settle(h);
    // The record as this handle last saw it: also right after it was
    // deleted, when get next must still find its neighbour in the new key.
    h.posKey = h.keyNo;
    h.curEnc = encodeRecordKey(h.file->keys()[size_t(h.keyNo)], h.curData.data(), h.curData.size());
    return 0;
}

// One row of a query that gives at most one.
int single(int st, const RowSet& rows, Row& row, bool& found) {
    found = !st && !rows.empty();
    if (found) row = rows.row(0);
    return st;
}

// Sequential reads (get next / previous, step next / previous) fetch the
// following rows ahead, more the longer a run of them goes on. The rows are
// served while no connection has committed anything since they were read
// (the -wal index header is unchanged) and the handle did nothing else.
RowView viewAt(const RowSet& rows, size_t i) {
    return RowView{rows.items[i].pos, rows.items[i].ver, rows.data(i), rows.items[i].len};
}

// The current record taken from the rows read ahead: only its position and
// version now; its bytes and encoded key when settle() asks for them.
void setCurrentAhead(Handle& h, const RowView& row) {
    h.positioned = true;
    h.hasCurrent = true;
    h.curLazy = true;
    h.curPos = row.pos;
    h.curVer = row.ver;
    h.posKey = validKey(h, h.keyNo) ? h.keyNo : -1;
}

// Fills in curData and curEnc of a current record set by setCurrentAhead.
// Must run before the rows read ahead are dropped or replaced.
void settle(Handle& h) {
    if (!h.curLazy) return;
    h.curLazy = false;
    const RowView row = viewAt(h.ahead, h.aheadAt - 1);
    if (h.posKey >= 0 && validKey(h, h.posKey)) {
        h.curEnc = encodeRecordKey(h.file->keys()[size_t(h.posKey)], row.data, row.len);
    } else {
        h.posKey = -1;
        h.curEnc.clear();
    }
    h.curData.assign(row.data, row.data + row.len);
}

void dropAhead(Handle& h) {
    settle(h);
    h.ahead.clear();
    h.aheadAt = 0;
    h.aheadOp = -1;
}

int aheadLimit(Handle& h, int base) {
    if (h.runOp != base) {
        h.runOp = base;
        h.runLength = 0;
    }
    ++h.runLength;
    if (h.runLength < 2) return 1;
    // Each batch costs a read transaction and a search, so long runs read
    // large batches: up to kAheadRows rows and about kAheadBytes of records,
    // yet never fewer than 256 rows.
    const int cap = std::max(256, std::min(kAheadRows, kAheadBytes / std::max(1, h.file->recordLength())));
    return std::min(1 << std::min(h.runLength, 12), cap);
}

bool takeAhead(Handle& h, int base, RowView& row) {
    if (h.aheadOp != base || h.aheadAt >= h.ahead.size()) return false;
    if (!h.file->unchanged(h.aheadSnap)) return false;
    row = viewAt(h.ahead, h.aheadAt++);
    return true;
}

// The rows just read into `ahead` are kept for the sequential reads that
// follow; the first of them is the one read now.
void keepAhead(Handle& h, int base, const Snapshot& snap) {
    h.aheadAt = 1;
    h.aheadOp = base;
    h.aheadSnap = snap;
}

// Finds the row an operation asks for. 0 with found=false means "none".
// `sequential` allows reading ahead (no lock asked).
// The row found is in `view`, which points into `row` or, with `fromAhead`
// set, into the rows the handle read ahead (at aheadAt - 1).
int locateRow(Handle& h, int base, const void* key, const void* data, Row& row, bool& found);

int locate(Handle& h, int base, const void* key, const void* data, Row& row, RowView& view, bool& found,
           bool sequential, bool& fromAhead) {
    fromAhead = false;
    if (base == B_GET_NEXT || base == B_GET_PREVIOUS || base == B_STEP_NEXT || base == B_STEP_PREVIOUS) {
        Store& f = *h.file;
        found = false;
        const bool byKey = base == B_GET_NEXT || base == B_GET_PREVIOUS;
        if (byKey && !validKey(h, h.keyNo)) return B_INVALID_KEY_NUMBER;
        int st = byKey ? alignPosition(h) : (h.positioned ? 0 : int(B_INVALID_POSITIONING));
        if (st) return st;
        if (sequential && takeAhead(h, base, view)) {
            found = fromAhead = true;
            return 0;
        }
        // The query below starts from the current record's key, and reads
        // into the buffer of the rows read ahead.
        dropAhead(h);
        RowSet& rows = h.ahead;
        Snapshot snap;
        const bool canKeep = sequential && f.snapshot(snap);
        const int limit = canKeep ? aheadLimit(h, base) : 1;
        const bool next = base == B_GET_NEXT || base == B_STEP_NEXT;
        if (!byKey) {
            st = f.step(next ? 1 : 2, h.curPos, limit, rows);
        } else {
            if (f.keys()[size_t(h.keyNo)].duplicates)
                st = f.keyQuery(h.keyNo, next ? KQ_EQ_AFTER : KQ_EQ_BEFORE, &h.curEnc, h.curPos, limit, rows);
            if (!st && int(rows.size()) < limit)
                st = f.keyQuery(h.keyNo, next ? KQ_GT : KQ_LT, &h.curEnc, 0, limit - int(rows.size()), rows,
                                true);
        }
        if (st || rows.empty()) {
            rows.clear();
            return st;
        }
        // A walk always ends: in key order every row must come after the
        // current one by its own record (a damaged index, whose stored key
        // disagrees with the record, would else lead back for ever). The
        // first and the last row are checked: the last one is where the
        // next query starts.
        if (byKey) {
            const KeyDef& k = f.keys()[size_t(h.keyNo)];
            for (size_t i : {size_t(0), rows.size() - 1}) {
                const std::string e = encodeRecordKey(k, rows.data(i), rows.items[i].len);
                const int c = e.compare(h.curEnc);
                const bool after = next ? (c > 0 || (c == 0 && rows.items[i].pos > h.curPos))
                                        : (c < 0 || (c == 0 && rows.items[i].pos < h.curPos));
                if (!after) {
                    rows.clear();
                    return B_IO_ERROR;
                }
            }
        }
        found = true;
        if (canKeep && rows.size() > 1) {
            keepAhead(h, base, snap);
            view = viewAt(h.ahead, 0);
            fromAhead = true;
        } else {
            row = rows.row(0);
            rows.clear();
            view = viewOf(row);
        }
        return 0;
    }
    const int st = locateRow(h, base, key, data, row, found);
    if (!st && found) view = viewOf(row);
    return st;
}

int locateRow(Handle& h, int base, const void* key, const void* data, Row& row, bool& found) {
    Store& f = *h.file;
    found = false;
    RowSet rows;
    switch (base) {
    case B_GET_EQUAL:
    case B_GET_GREATER:
    case B_GET_GE:
    case B_GET_LESS:
    case B_GET_LE: {
        if (!validKey(h, h.keyNo)) return B_INVALID_KEY_NUMBER;
        if (!key) return B_KEY_BUFFER_TOO_SHORT;
        const KeyDef& k = f.keys()[size_t(h.keyNo)];
        const std::string enc = encodeBufferKey(k, static_cast<const uint8_t*>(key));
        const KeyQuery q = base == B_GET_EQUAL || base == B_GET_GE ? KQ_GE
                           : base == B_GET_GREATER                 ? KQ_GT
                           : base == B_GET_LESS                    ? KQ_LT
                                                                   : KQ_LE;
        const int st = single(f.keyQuery(h.keyNo, q, &enc, 0, 1, rows), rows, row, found);
        if (st) return st;
        if (found && base == B_GET_EQUAL && encodeRecordKey(k, row.data.data(), row.data.size()) != enc)
            found = false;
        return 0;
    }
    case B_GET_FIRST:
    case B_GET_LAST:
        if (!validKey(h, h.keyNo)) return B_INVALID_KEY_NUMBER;
        return single(f.keyQuery(h.keyNo, base == B_GET_FIRST ? KQ_FIRST : KQ_LAST, nullptr, 0, 1, rows), rows,
                      row, found);
    case B_GET_DIRECT: {
        if (!data) return B_DATA_BUFFER_TOO_SHORT;
        uint32_t pos;
        std::memcpy(&pos, data, 4);
        const int st = f.byPosition(pos, row, found);
        if (!st && !found) return B_INVALID_RECORD_ADDRESS;
        return st;
    }
    case B_STEP_FIRST:
        return single(f.step(0, 0, 1, rows), rows, row, found);
    case B_STEP_LAST:
        return single(f.step(3, 0, 1, rows), rows, row, found);
    default:
        return B_INVALID_OPERATION;
    }
}

int writeLength(const Handle& h, int length, int& n) {
    const int rl = h.file->recordLength();
    n = length == 0 ? rl : length;
    if (n < rl || n > kMaxRecordLength) return B_DATA_BUFFER_TOO_SHORT;
    if (!h.file->variable()) n = rl;  // a fixed-length file keeps its length
    return 0;
}

int doInsert(Handle& h, void* key, void* data, int length) {
    Store& f = *h.file;
    int n = 0;
    if (!data) return B_DATA_BUFFER_TOO_SHORT;
    int st = writeLength(h, length, n);
    if (st) return st;
    std::vector<uint8_t> rec(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);

    bool needsAuto = false;
    for (const auto& k : f.keys())
        if (k.autoinc && readAutoinc(k.segs[0], rec.data()) == 0) needsAuto = true;
    // An assigned autoincrement value and the insert are one transaction, so
    // that two processes never hand out the same number.
    if (needsAuto && (st = f.begin())) return st;
    if (needsAuto) {
        for (size_t i = 0; i < f.keys().size(); ++i) {
            const KeyDef& k = f.keys()[i];
            if (!k.autoinc || readAutoinc(k.segs[0], rec.data()) != 0) continue;
            RowSet rows;
            Row last;
            bool found = false;
            st = single(f.keyQuery(int(i), (k.segs[0].flags & KF_DESCENDING) ? KQ_FIRST : KQ_LAST, nullptr, 0, 1,
                                   rows),
                        rows, last, found);
            if (st) break;
            const int64_t v = found ? readAutoinc(k.segs[0], last.data.data()) + 1 : 1;
            writeAutoinc(k.segs[0], rec.data(), v);
            writeAutoinc(k.segs[0], static_cast<uint8_t*>(data), v);
        }
    }
    uint32_t pos = 0;
    const int64_t ver = int64_t(state().rng() >> 2);
    std::vector<std::string> encs(f.keys().size());
    for (size_t i = 0; i < encs.size(); ++i)
        if (f.hasColumn(int(i))) encs[i] = encodeRecordKey(f.keys()[i], rec.data(), rec.size());
    if (!st) st = f.insert(rec, ver, encs, pos);
    if (needsAuto) {
        if (st)
            f.rollback();
        else if ((st = f.commit()))
            f.rollback();
    }
    if (st) return st;
    Row row;
    row.pos = pos;
    row.ver = ver;
    row.data = std::move(rec);
    setCurrent(h, row);
    h.lastLength = int(row.data.size());
    h.lastTruncated = false;
    if (key && validKey(h, h.keyNo))
        extractRawKey(f.keys()[size_t(h.keyNo)], row.data.data(), row.data.size(), static_cast<uint8_t*>(key));
    return 0;
}

int doUpdate(Handle& h, void* key, void* data, int length) {
    Store& f = *h.file;
    if (!h.hasCurrent) return B_INVALID_POSITIONING;
    if (!data) return B_DATA_BUFFER_TOO_SHORT;
    int st = lockedByOther(h, h.curPos);
    if (st) return st;
    // The record as this handle read it; the update applies only while the
    // stored record is still that version (else 80), so this is its content.
    const std::vector<uint8_t>& old = h.curData;

    int n = 0;
    const int rl = f.recordLength();
    n = length == 0 ? rl : length;
    if (n <= 0 || n > kMaxRecordLength) return B_DATA_BUFFER_TOO_SHORT;
    std::vector<uint8_t> rec(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + std::min(n, f.variable() ? n : rl));
    // The stored bytes beyond the caller's length are kept when the caller
    // cannot have seen them: always in a fixed-length file, and in a
    // variable-length one when the last read gave only part of the record.
    // So a reader that knows only the first part of a longer record (kept so
    // by another program) never cuts the record down.
    const bool keepTail = !f.variable() || h.lastTruncated;
    if (keepTail && rec.size() < old.size())
        rec.insert(rec.end(), old.begin() + long(rec.size()), old.end());
    if (int(rec.size()) < rl) return B_DATA_BUFFER_TOO_SHORT;

    std::vector<std::string> encs(f.keys().size());
    std::vector<bool> changed(f.keys().size());
    for (size_t i = 0; i < encs.size(); ++i) {
        const KeyDef& k = f.keys()[i];
        encs[i] = encodeRecordKey(k, rec.data(), rec.size());
        changed[i] = encodeRecordKey(k, old.data(), old.size()) != encs[i];
        if (changed[i] && !k.modifiable) return B_MODIFIABLE_KEY_CHANGED;
    }
    st = f.update(h.curPos, h.curVer, rec, encs, changed, old);
    if (st) return st;
    Row row;
    row.pos = h.curPos;
    row.ver = h.curVer + 1;
    row.data = std::move(rec);
    setCurrent(h, row);
    h.lastLength = int(row.data.size());
    h.lastTruncated = false;
    if (h.hasSingle && h.single == row.pos) releaseLock(h, row.pos);
    if (key && validKey(h, h.keyNo))
        extractRawKey(f.keys()[size_t(h.keyNo)], row.data.data(), row.data.size(), static_cast<uint8_t*>(key));
    return 0;
}

int doDelete(Handle& h) {
    Store& f = *h.file;
    if (!h.hasCurrent) return B_INVALID_POSITIONING;
    int st = lockedByOther(h, h.curPos);
    if (st) return st;
    st = f.remove(h.curPos, h.curVer, h.curData);
    if (st) return st;
    // The logical position stays where the record was, so that get next
    // and get previous continue with its neighbours.
    h.hasCurrent = false;
    releaseLock(h, h.curPos);
    return 0;
}

void closeHandle(uint16_t id) {
    auto& hs = state().handles;
    auto it = hs.find(id);
    if (it == hs.end()) return;
    Handle& h = *it->second;
    releaseAll(h);
    std::shared_ptr<Store> f = std::move(h.file);
    if (state().last == &h) {
        state().last = nullptr;
        state().lastId = 0;
    }
    hs.erase(it);
    if (!f) return;
    --f->handles;
    const std::string id2 = f->ident;
    f.reset();  // a transaction may keep the file open to its end
    auto fit = state().files.find(id2);
    if (fit != state().files.end() && fit->second.expired()) state().files.erase(fit);
}

int statFill(Handle& h, uint8_t* b, int64_t count) {
    Store& f = *h.file;
    std::memset(b, 0, RECMAN_STAT_BUFFER);
    auto wr16 = [](uint8_t* p, int v) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
    };
    wr16(b, f.recordLength());
    wr16(b + 2, f.pageSize());
    b[4] = uint8_t(f.keys().size());
    const uint32_t c = count > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(count);
    std::memcpy(b + 6, &c, 4);
    wr16(b + 10, f.fileFlags());
    int off = 16;
    const std::vector<uint8_t>* acs = nullptr;
    for (const auto& k : f.keys()) {
        for (const auto& s : k.segs) {
            writeSegment(s, b + off);
            off += kSegSize;
        }
        if (!acs && k.usesAcs()) acs = &k.acs;
    }
    if (acs) {
        std::memcpy(b + off, acs->data(), kAcsSize);
        off += kAcsSize;
    }
    wr16(b + RECMAN_STAT_BUFFER - 2, off);
    return 0;
}

int totalSegments(const Store& f) {
    int n = 0;
    for (const auto& k : f.keys()) n += int(k.segs.size());
    return n;
}

// Room in a stat block: 16 + 16 per segment + 265 must stay below byte 1817.
bool fitsStat(int segments) { return 16 + segments * kSegSize + kAcsSize <= RECMAN_STAT_BUFFER - 2; }

void fixKeyNumbersAfterDrop(Store& f, int dropped) {
    for (auto& [id, h] : state().handles) {
        if (h->file.get() != &f) continue;
        if (h->keyNo == dropped)
            h->keyNo = 0;
        else if (h->keyNo > dropped)
            --h->keyNo;
        h->posKey = -1;  // re-derived from the position at the next move
    }
}

int dropKey(Handle& h, int key) {
    Store& f = *h.file;
    if (!validKey(h, key)) return B_INVALID_KEY_NUMBER;
    if (!f.keys()[size_t(key)].supplemental) return B_NOT_ALLOWED;
    const int st = f.dropKey(key);
    if (st) return st;
    fixKeyNumbersAfterDrop(f, key);
    return 0;
}

struct TableObject {
    int recordLength = 0;
    int nameLength = 0;
    uint16_t handle = 0;
    std::vector<char> name;
};

}  // namespace

struct RecmanTable : TableObject {};

namespace {

// A path in a folder on a server: 1 (conf and name filled), 0 for a local
// path, or -status when the folder's connection file cannot be read.
int serverPath(const char* path, ServerConf& conf, std::string& name) {
    std::string folder;
    splitPath(path, folder, name);
    return serverFolder(folder, conf);
}

std::string serverIdent(const ServerConf& conf, const std::string& name) {
    return "server:" + conf.uri + "\n" + conf.schema + "\n" + name;
}

// A new handle on an open file.
int newHandle(const std::shared_ptr<Store>& f, uint16_t& out) {
    State& s = state();
    if (s.handles.size() >= 0xFFFE) return B_IO_ERROR;
    uint16_t id = s.nextHandle;
    while (id == 0 || s.handles.count(id)) ++id;
    s.nextHandle = uint16_t(id + 1);
    auto h = std::make_unique<Handle>();
    h->id = id;
    h->file = f;
    ++f->handles;
    s.handles[id] = std::move(h);
    out = id;
    return 0;
}

}  // namespace

// Every entry below catches whatever C++ exception its work may raise
// (bad_alloc above all): none ever crosses into a C caller; it gives 2 (or
// the entry's "nothing" value) instead.
extern "C" {

int BtrSetClientConfig(const void* block) {
    try {
        checkFork();
        if (!block) return B_DATA_BUFFER_TOO_SHORT;
        const auto* p = static_cast<const uint8_t*>(block);
        bool zero = true;
        for (int i = 0; i < RECMAN_CLIENT_BLOCK && zero; ++i) zero = p[i] == 0;
        if (zero) {
            // end of the client session: a transaction left open is rolled
            // back and every handle is closed
            if (state().tx.active) abortTx();
            std::vector<uint16_t> ids;
            for (auto& [id, h] : state().handles) ids.push_back(id);
            for (uint16_t id : ids) closeHandle(id);
        }
        std::memcpy(state().client, p, RECMAN_CLIENT_BLOCK);
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrGetClientConfig(void* block) {
    try {
        if (!block) return B_DATA_BUFFER_TOO_SHORT;
        std::memcpy(block, state().client, RECMAN_CLIENT_BLOCK);
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrOpenFile(uint16_t* handle, const char* path, int /*mode*/, int /*reserved*/) {
    try {
        checkFork();
        if (!handle) return B_INVALID_OPERATION;
        *handle = 0;
        if (!path || !*path) return B_INVALID_FILE_NAME;
        State& s = state();
        ServerConf conf;
        std::string name;
        if (const int sv = serverPath(path, conf, name)) {
            if (sv < 0) return -sv;
            std::shared_ptr<Store> f;
            const std::string ident = serverIdent(conf, name);
            if (auto it = s.files.find(ident); it != s.files.end()) f = it->second.lock();
            if (!f) {
                const int rc = PgFile::open(conf, name, f);
                if (rc) return rc;
                f->ident = ident;
                f->canon = canonical(path);
                s.files[ident] = f;
            }
            return newHandle(f, *handle);
        }
        struct stat st {};
        if (::stat(path, &st) != 0) {
            if (errno == ENOENT || errno == ENOTDIR) return B_FILE_NOT_FOUND;
            if (errno == EACCES) return B_PERMISSION_ERROR;
            if (errno == ENAMETOOLONG) return B_INVALID_FILE_NAME;
            return B_IO_ERROR;
        }
        if (!S_ISREG(st.st_mode)) return B_NOT_A_RECORD_FILE;
        if (::access(path, R_OK) != 0) return B_PERMISSION_ERROR;
        const std::string canon = canonical(path);
        if (replacedWhileOpen(canon, st.st_dev, st.st_ino)) return B_FILE_IN_USE;
        std::shared_ptr<Store> f;
        if (auto it = s.files.find(localIdent(st.st_dev, st.st_ino)); it != s.files.end()) f = it->second.lock();
        if (!f) {
            std::shared_ptr<File> lf;
            const int rc = File::open(path, lf);
            f = lf;
            if (rc) return rc;
            if (f->canon.empty()) f->canon = canon;
            s.files[f->ident] = f;
        }
        return newHandle(f, *handle);
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrCloseFile(uint16_t handle) {
    try {
        if (!getHandle(handle)) return B_FILE_NOT_OPEN;
        closeHandle(handle);
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

namespace {

// Get by percentage (44): the record at the share of the current key's
// order that data holds (0 to 10000, hundredths of a per cent). Find
// percentage (45): the share at which the current record stands, into data.
int percentage(Handle& h, int base, void* data, int length, void* key) {
    Store& f = *h.file;
    if (!validKey(h, h.keyNo)) return B_INVALID_KEY_NUMBER;
    int64_t count = 0;
    if (int st = f.count(count)) return st;
    if (base == B_GET_BY_PERCENTAGE) {
        uint32_t share = 0;
        std::memcpy(&share, data, 4);
        if (share > 10000) return B_INVALID_OPERATION;
        if (count == 0) return B_END_OF_FILE;
        const int64_t rank = std::min<int64_t>(count - 1, (static_cast<int64_t>(share) * count) / 10000);
        Row row;
        bool found = false;
        if (int st = f.rowAtRank(h.keyNo, rank, row, found)) return st;
        if (!found) return B_END_OF_FILE;
        dropAhead(h);
        h.runOp = -1;
        copyOut(h, viewOf(row), data, length, key, true);
        setCurrent(h, row);
        return 0;
    }
    if (!h.hasCurrent) return B_INVALID_POSITIONING;
    settle(h);
    const std::string enc = encodeRecordKey(f.keys()[size_t(h.keyNo)], h.curData.data(), h.curData.size());
    int64_t rank = 0;
    if (int st = f.rankOf(h.keyNo, enc, h.curPos, rank)) return st;
    const uint32_t share = count <= 1 ? 0 : static_cast<uint32_t>((rank * 10000) / (count - 1));
    std::memcpy(data, &share, 4);
    return 0;
}

} // namespace

int BtrGet(int op, uint16_t handle, void* key, void* data, int length) {
    try {
        if (op >= B_BEGIN_TRAN && op <= B_ABORT_TRAN) return BtrTransaction(op);
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        if (op < 0 || length < 0) return B_INVALID_OPERATION;
        const int bias = (op / 100) * 100;
        const int base = op % 100;
        if (bias > B_LOCK_MULTI_NOWAIT) return B_INVALID_OPERATION;

        if (base == B_GET_POSITION || base == B_GET_DIRECT) {
            // the position takes 4 bytes of the data buffer
            const int n = length == 0 ? h->file->recordLength() : length;
            if (!data || n < 4) return B_DATA_BUFFER_TOO_SHORT;
        }
        if (base == B_GET_POSITION) {
            if (!h->hasCurrent) return B_INVALID_POSITIONING;
            std::memcpy(data, &h->curPos, 4);
            return 0;
        }
        if (base == B_GET_BY_PERCENTAGE || base == B_FIND_PERCENTAGE) {
            const int n = length == 0 ? h->file->recordLength() : length;
            if (!data || n < 4) return B_DATA_BUFFER_TOO_SHORT;
            if (bias) return B_INVALID_OPERATION;
            return percentage(*h, base, data, length, key);
        }
        Store& f = *h->file;
        const bool sequential = bias == 0 && (base == B_GET_NEXT || base == B_GET_PREVIOUS || base == B_STEP_NEXT ||
                                              base == B_STEP_PREVIOUS);
        if (!sequential) {
            dropAhead(*h);
            h->runOp = -1;
        } else if (h->positioned && h->aheadOp == base) {
            // The common case of a run: the next row read ahead, in the key the
            // position is taken in (else locate re-expresses the position first).
            const bool byKey = base == B_GET_NEXT || base == B_GET_PREVIOUS;
            RowView view;
            if ((!byKey || h->posKey == h->keyNo) && takeAhead(*h, base, view)) {
                copyOut(*h, view, data, length, key, byKey);
                setCurrentAhead(*h, view);
                return 0;
            }
        }
        for (int attempt = 0;; ++attempt) {
            Row row;
            RowView view;
            bool found = false, fromAhead = false;
            int st = locate(*h, base, key, data, row, view, found, sequential, fromAhead);
            if (st) return st;
            if (!found) {
                if (base == B_GET_EQUAL) return B_KEY_NOT_FOUND;
                return B_END_OF_FILE;
            }
            if (bias) {
                const bool multi = bias >= B_LOCK_MULTI_WAIT;
                const bool wait = bias == B_LOCK_SINGLE_WAIT || bias == B_LOCK_MULTI_WAIT;
                const uint32_t pos = view.pos;
                bool held = false;
                st = acquire(*h, pos, multi, wait, &held);
                if (st) return st;
                // Held by this handle already: nobody could change the
                // record since it was locked; what was read stands.
                if (held) {
                    const bool step = base == B_STEP_NEXT || base == B_STEP_FIRST || base == B_STEP_LAST ||
                                      base == B_STEP_PREVIOUS;
                    copyOut(*h, view, data, length, key, !step);
                    if (fromAhead)
                        setCurrentAhead(*h, view);
                    else
                        setCurrent(*h, view);
                    return 0;
                }
                // Read again under the lock: the record may have changed (or gone)
                // while this handle waited for it.
                st = f.byPosition(pos, row, found);
                if (st) return st;
                if (!found) {
                    releaseLock(*h, pos);
                    if (attempt < 8) continue;
                    return base == B_GET_DIRECT ? B_INVALID_RECORD_ADDRESS : B_CONFLICT;
                }
                view = viewOf(row);
                fromAhead = false;
            }
            const bool step = base == B_STEP_NEXT || base == B_STEP_FIRST || base == B_STEP_LAST ||
                              base == B_STEP_PREVIOUS;
            copyOut(*h, view, data, length, key, !step);
            if (fromAhead)
                setCurrentAhead(*h, view);
            else
                setCurrent(*h, view);
            return 0;
        }
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrPosition(int op, uint16_t handle, uint32_t* position) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        if (!position) return B_DATA_BUFFER_TOO_SHORT;
        if (op == B_GET_DIRECT) {
            if (!h->hasCurrent) return B_INVALID_POSITIONING;
            *position = h->curPos;
            return 0;
        }
        if (op == 0) {
            dropAhead(*h);
            Row row;
            bool found = false;
            const int st = h->file->byPosition(*position, row, found);
            if (st) return st;
            if (!found) return B_INVALID_RECORD_ADDRESS;
            setCurrent(*h, row);
            // the caller got no data here: an update keeps what it may not know
            h->lastLength = 0;
            h->lastTruncated = true;
            return 0;
        }
        return B_INVALID_OPERATION;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrSetDefaults(uint16_t handle, int key, int second) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        dropAhead(*h);
        if (key != -1) {
            if (!validKey(*h, key)) return B_INVALID_KEY_NUMBER;
            h->keyNo = key;
        }
        if (second != -1) h->second = second;
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrGetDefaults(uint16_t handle, int* key, int* second) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        if (key) *key = h->keyNo;
        if (second) *second = h->second;
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrUnlock(int key, uint16_t handle, const uint32_t* position) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        if (key == -2) {
            while (!h->multi.empty()) releaseLock(*h, *h->multi.begin());
            return 0;
        }
        if (key == -1) {
            if (!position) return B_LOCK_ERROR;
            if (h->multi.count(*position)) releaseLock(*h, *position);
            return 0;
        }
        if (h->hasSingle) releaseLock(*h, h->single);
        if (position && h->multi.count(*position)) releaseLock(*h, *position);
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrWrite(int op, uint16_t handle, void* key, void* data, int length) {
    try {
        if (op >= B_BEGIN_TRAN && op <= B_ABORT_TRAN) return BtrTransaction(op);
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        dropAhead(*h);
        if (length < 0) return B_DATA_BUFFER_TOO_SHORT;
        if (h->file->readOnly && (op == B_INSERT || op == B_UPDATE || op == B_DELETE)) return B_PERMISSION_ERROR;
        if (op == B_INSERT || op == B_UPDATE || op == B_DELETE) {
            const int st = joinTx(*h);
            if (st) return st;
        }
        switch (op) {
        case B_INSERT: return doInsert(*h, key, data, length);
        case B_UPDATE: return doUpdate(*h, key, data, length);
        case B_DELETE: return doDelete(*h);
        default: return B_INVALID_OPERATION;
        }
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrDropSupIndex(uint16_t handle, int key) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        if (state().tx.active) return B_NOT_ALLOWED;
        return dropKey(*h, key < 0 ? h->keyNo : key);
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrCall211(uint16_t handle) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        if (state().tx.active) return B_NOT_ALLOWED;
        return dropKey(*h, h->keyNo);
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrCall212(uint16_t handle) {
    try {
        return getHandle(handle) ? 0 : B_FILE_NOT_OPEN;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrStat(uint16_t handle, void* buffer) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        if (!buffer) return B_DATA_BUFFER_TOO_SHORT;
        int64_t n = 0;
        const int st = h->file->count(n);
        if (st) return st;
        return statFill(*h, static_cast<uint8_t*>(buffer), n);
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrCreateSupIndex(uint16_t handle, int length, const void* block) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return B_FILE_NOT_OPEN;
        if (!block || length < kSegSize) return B_DATA_BUFFER_TOO_SHORT;
        if (state().tx.active) return B_NOT_ALLOWED;
        KeyDef k;
        if (!keyFromSpec(static_cast<const uint8_t*>(block), length, k)) return B_INVALID_KEY_POSITION;
        if (k.segs.back().flags & KF_SEGMENTED) return B_INVALID_KEY_POSITION;  // the block ends inside a key
        for (auto& s : k.segs) s.flags |= KF_SUPPLEMENTAL;
        finishKey(k);
        Store& f = *h->file;
        int st = validateKey(k, f.recordLength());
        if (st) return st;
        if (k.autoinc) return B_INVALID_KEY_TYPE;
        // A supplemental key equal to one the file has is used again, rather
        // than one more index of the same order.
        for (size_t i = 0; i < f.keys().size(); ++i) {
            if (f.keys()[i].supplemental && f.keys()[i].spec() == k.spec()) {
                h->keyNo = int(i);
                return 0;
            }
        }
        if (int(f.keys().size()) >= kMaxKeys || !fitsStat(totalSegments(f) + int(k.segs.size())))
            return B_INVALID_KEY_COUNT;
        int keyNo = 0;
        st = f.addKey(k, keyNo);
        if (st) return st;
        h->keyNo = keyNo;
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrCall218(uint16_t handle) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return 0;
        return h->lastLength;
    } catch (...) {
        return 0;
    }
}

int32_t BtrGetRecordCount(uint16_t handle) {
    try {
        Handle* h = getHandle(handle);
        if (!h) return -1;
        int64_t n = 0;
        if (h->file->count(n)) return -1;
        return n > INT32_MAX ? INT32_MAX : int32_t(n);
    } catch (...) {
        return -1;
    }
}

int RecmanClearStaleMarkers(const char* folder) {
    if (folder == nullptr || folder[0] == '\0') return 0;
    std::string dir = folder;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return sweepMarkers(dir, 0);
}

namespace {

// The file a path names among those this process has open, or null.
std::shared_ptr<Store> openByPath(const char* path) {
    State& s = state();
    ServerConf conf;
    std::string name;
    const int sv = serverPath(path, conf, name);
    std::string ident;
    if (sv > 0) {
        ident = serverIdent(conf, name);
    } else {
        struct stat st {};
        if (::stat(path, &st) != 0) return nullptr;
        ident = localIdent(st.st_dev, st.st_ino);
    }
    auto it = s.files.find(ident);
    return it == s.files.end() ? nullptr : it->second.lock();
}

// A local path: 1 when another process holds the file open, 0 when not,
// -status when it cannot be told. Never a second descriptor on a file this
// process has open (closing it would drop the database library's locks).
int localInUse(const char* path) {
    if (std::shared_ptr<Store> f = openByPath(path)) {
        if (!f->local()) return 0;
        return byteHeld(static_cast<File&>(*f).lockFd, F_WRLCK, kOpenByte) ? 1 : 0;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? 0 : -B_PERMISSION_ERROR;
    const bool held = byteHeld(fd, F_WRLCK, kOpenByte);
    ::close(fd);
    return held ? 1 : 0;
}

bool localDataFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    char head[16] = {};
    const bool ok = ::pread(fd, head, sizeof head, 0) == ssize_t(sizeof head) &&
                    std::memcmp(head, "SQLite format 3", 16) == 0;
    ::close(fd);
    return ok;
}

int localRemove(const char* path) {
    struct stat st {};
    if (::stat(path, &st) != 0) return errno == ENOENT || errno == ENOTDIR ? B_FILE_NOT_FOUND : B_IO_ERROR;
    if (!S_ISREG(st.st_mode)) return B_NOT_A_RECORD_FILE;
    // held against opens while it goes (as a creation holds the old file)
    const int fd = ::open(path, O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == EACCES || errno == EPERM || errno == EROFS ? B_PERMISSION_ERROR : B_IO_ERROR;
    if (lockByte(fd, F_WRLCK, kOpenByte) != 0) {
        ::close(fd);
        return B_FILE_IN_USE;
    }
    int st2 = 0;
    if (::unlink(path) != 0) st2 = errno == EACCES || errno == EPERM ? B_PERMISSION_ERROR : B_IO_ERROR;
    if (!st2) {
        ::unlink((std::string(path) + "-wal").c_str());
        ::unlink((std::string(path) + "-shm").c_str());
    }
    ::close(fd);
    return st2;
}

// The stat block's keys, split into those of creation and supplemental
// ones (each as its block, with the collating sequence when it uses one).
struct CopySpec {
    std::vector<uint8_t> fileSpec;
    std::vector<uint8_t> keys;                      // creation keys' segments
    std::vector<std::vector<uint8_t>> supplemental;  // one block each
};

int readSpec(uint16_t h, CopySpec& out) {
    std::vector<uint8_t> b(RECMAN_STAT_BUFFER);
    int st = BtrStat(h, b.data());
    if (st) return st;
    out.fileSpec.assign(b.begin(), b.begin() + 16);
    Handle* hd = getHandle(h);
    if (!hd) return B_FILE_NOT_OPEN;
    int created = 0;
    const uint8_t* acs = nullptr;
    for (const KeyDef& k : hd->file->keys())
        if (k.usesAcs()) acs = k.acs.data();
    for (const KeyDef& k : hd->file->keys()) {
        std::vector<uint8_t> block(k.segs.size() * kSegSize);
        for (size_t i = 0; i < k.segs.size(); ++i) writeSegment(k.segs[i], block.data() + i * kSegSize);
        if (k.supplemental) {
            if (k.usesAcs() && acs) block.insert(block.end(), k.acs.begin(), k.acs.end());
            out.supplemental.push_back(std::move(block));
        } else {
            out.keys.insert(out.keys.end(), block.begin(), block.end());
            ++created;
        }
    }
    out.keys.resize(out.keys.size() + kSegSize, 0);  // ends the block
    out.fileSpec[4] = uint8_t(created);
    std::memset(out.fileSpec.data() + 6, 0, 4);
    return 0;
}

int copyRecords(uint16_t from, uint16_t to, int recordLength) {
    std::vector<uint8_t> buf(size_t(std::max(recordLength, 4096)));
    std::vector<uint8_t> key(256);
    for (int st = BtrGet(B_STEP_FIRST, from, key.data(), buf.data(), int(buf.size()));; ) {
        if (st == B_END_OF_FILE) return 0;
        if (st) return st;
        int n = BtrCall218(from);
        if (n == int(buf.size())) {
            // perhaps longer: read it again, whole
            uint32_t pos = 0;
            if ((st = BtrPosition(B_GET_DIRECT, from, &pos))) return st;
            for (;;) {
                buf.resize(buf.size() * 4);
                std::memcpy(buf.data(), &pos, 4);
                if ((st = BtrGet(B_GET_DIRECT, from, key.data(), buf.data(), int(buf.size())))) return st;
                n = BtrCall218(from);
                if (n < int(buf.size()) || buf.size() >= (size_t(1) << 24)) break;
            }
        }
        std::vector<uint8_t> rec(buf.begin(), buf.begin() + n);
        if ((st = BtrWrite(B_INSERT, to, nullptr, rec.data(), n))) return st;
        st = BtrGet(B_STEP_NEXT, from, key.data(), buf.data(), int(buf.size()));
    }
}

}  // namespace

int RecmanFileExists(const char* path) {
    try {
        checkFork();
        if (!path || !*path) return 0;
        ServerConf conf;
        std::string name;
        const int sv = serverPath(path, conf, name);
        if (sv < 0) return 0;
        if (sv > 0) return PgFile::exists(conf, name) == 1 ? 1 : 0;
        struct stat st {};
        return ::stat(path, &st) == 0 && S_ISREG(st.st_mode) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int RecmanFileInUse(const char* path) {
    try {
        checkFork();
        if (!path || !*path) return 0;
        ServerConf conf;
        std::string name;
        const int sv = serverPath(path, conf, name);
        if (sv < 0) return 0;
        if (sv > 0) return PgFile::openElsewhere(conf, name) == 1 ? 1 : 0;
        return localInUse(path) == 1 ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int RecmanRemoveFile(const char* path) {
    try {
        checkFork();
        if (!path || !*path) return B_INVALID_FILE_NAME;
        if (openByPath(path)) return B_FILE_IN_USE;
        ServerConf conf;
        std::string name;
        const int sv = serverPath(path, conf, name);
        if (sv < 0) return -sv;
        if (sv > 0) return PgFile::remove(conf, name);
        return localRemove(path);
    } catch (...) {
        return B_IO_ERROR;
    }
}

int RecmanCopyFile(const char* from, const char* to) {
    try {
        checkFork();
        if (!from || !*from || !to || !*to) return B_INVALID_FILE_NAME;
        uint16_t src = 0, dst = 0;
        int st = BtrOpenFile(&src, from, 0, 0);
        if (st) return st;
        CopySpec spec;
        st = readSpec(src, spec);
        const int recordLength = spec.fileSpec.empty() ? 0 : spec.fileSpec[0] | (spec.fileSpec[1] << 8);
        if (!st) st = BtrCreateFile(to, spec.fileSpec.data(), spec.keys.data());
        if (!st) st = BtrOpenFile(&dst, to, 0, 0);
        for (const auto& block : spec.supplemental)
            if (!st) st = BtrCreateSupIndex(dst, int(block.size()), block.data());
        if (!st) {
            // the records go in one transaction (unless the caller has one open)
            const bool own = BtrTransaction(B_BEGIN_TRAN) == 0;
            st = copyRecords(src, dst, recordLength);
            if (own) {
                if (st) BtrTransaction(B_ABORT_TRAN);
                else st = BtrTransaction(B_END_TRAN);
            }
        }
        BtrCloseFile(src);
        if (dst) BtrCloseFile(dst);
        if (st && dst) RecmanRemoveFile(to);
        return st;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int RecmanRenameFile(const char* from, const char* to) {
    try {
        checkFork();
        if (!from || !*from || !to || !*to) return B_INVALID_FILE_NAME;
        if (openByPath(from) || openByPath(to)) return B_FILE_IN_USE;
        ServerConf fc, tc;
        std::string fn, tn;
        const int fs = serverPath(from, fc, fn);
        const int ts = serverPath(to, tc, tn);
        if (fs < 0) return -fs;
        if (ts < 0) return -ts;
        if (fs > 0 && ts > 0 && fc.uri == tc.uri && fc.schema == tc.schema) return PgFile::rename(fc, fn, tn);
        if (fs == 0 && ts == 0) {
            struct stat st {};
            if (::stat(from, &st) != 0) return B_FILE_NOT_FOUND;
            if (localInUse(from) == 1 || localInUse(to) == 1) return B_FILE_IN_USE;
            if (::rename(from, to) == 0) {
                ::unlink((std::string(to) + "-wal").c_str());
                ::unlink((std::string(to) + "-shm").c_str());
                return 0;
            }
            if (errno != EXDEV) return errno == EACCES || errno == EPERM ? B_PERMISSION_ERROR : B_IO_ERROR;
        }
        if (!RecmanFileExists(from)) return B_FILE_NOT_FOUND;
        if (RecmanFileInUse(from)) return B_FILE_IN_USE;
        const int st = RecmanCopyFile(from, to);
        return st ? st : RecmanRemoveFile(from);
    } catch (...) {
        return B_IO_ERROR;
    }
}

namespace {
int listFiles(const char* folder, void (*each)(const char*, void*), void* context) {
    if (!folder || !*folder || !each) return B_INVALID_FILE_NAME;
    std::string dir = folder;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    ServerConf conf;
    const int sv = serverFolder(dir, conf);
    if (sv < 0) return -sv;
    std::vector<std::string> names;
    if (sv > 0) {
        const int st = PgFile::list(conf, names);
        if (st) return st;
    } else {
        DIR* d = ::opendir(dir.c_str());
        if (!d) return errno == ENOENT || errno == ENOTDIR ? B_FILE_NOT_FOUND : B_PERMISSION_ERROR;
        while (dirent* e = ::readdir(d))
            if (e->d_name[0] != '.' && localDataFile(dir + "/" + e->d_name)) names.emplace_back(e->d_name);
        ::closedir(d);
        std::sort(names.begin(), names.end());
    }
    for (const auto& n : names) each(n.c_str(), context);
    return 0;
}
}  // namespace

int RecmanListFiles(const char* folder, void (*each)(const char* name, void* context), void* context) {
    try {
        checkFork();
        return listFiles(folder, each, context);
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrLockDelay(int count) {
    try {
        if (count > 0) ::usleep(useconds_t(count) * 50000u);
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

void* BtrGetKeyInfo(uint16_t handle, void* buffer, int key) {
    try {
        Handle* h = getHandle(handle);
        if (!h || !buffer || !validKey(*h, key)) return nullptr;
        int64_t n = 0;
        if (h->file->count(n)) return nullptr;
        statFill(*h, static_cast<uint8_t*>(buffer), n);
        int seg = 0;
        for (int i = 0; i < key; ++i) seg += int(h->file->keys()[size_t(i)].segs.size());
        return static_cast<uint8_t*>(buffer) + 16 + seg * kSegSize;
    } catch (...) {
        return nullptr;
    }
}

int BtrCreateFile(const char* path, const void* fileSpec, const void* keySpecs) {
    try {
        checkFork();
        if (!path || !*path) return B_INVALID_FILE_NAME;
        if (!fileSpec) return B_DATA_BUFFER_TOO_SHORT;
        const auto* fs = static_cast<const uint8_t*>(fileSpec);
        const int recordLength = fs[0] | (fs[1] << 8);
        const int pageSize = fs[2] | (fs[3] << 8);
        const int wanted = fs[4];
        const int flags = fs[10] | (fs[11] << 8);
        if (recordLength <= 0) return B_INVALID_RECORD_LENGTH;
        if (pageSize <= 0 || pageSize % 512 != 0) return B_PAGE_SIZE_ERROR;
        if (wanted > 0 && !keySpecs) return B_DATA_BUFFER_TOO_SHORT;

        // Byte 4 counts keys; a key ends at a segment without the "another
        // segment follows" flag. Creation stops after that many keys or at the
        // first all-zero segment, so a count of segments there works as well.
        std::vector<KeyDef> keys;
        const auto* p = static_cast<const uint8_t*>(keySpecs);
        KeyDef cur;
        int segments = 0;
        while (int(keys.size()) < wanted) {
            static const uint8_t zero[kSegSize] = {};
            if (std::memcmp(p, zero, kSegSize) == 0) break;
            const Segment s = parseSegment(p);
            p += kSegSize;
            ++segments;
            if (!fitsStat(segments)) return B_INVALID_KEY_COUNT;
            cur.segs.push_back(s);
            if (!(s.flags & KF_SEGMENTED)) {
                finishKey(cur);
                keys.push_back(std::move(cur));
                cur = KeyDef();
            }
        }
        if (!cur.segs.empty()) return B_INVALID_KEY_POSITION;  // the last key was left open
        for (const auto& k : keys) {
            const int st = validateKey(k, recordLength);
            if (st) return st;
        }
        ServerConf conf;
        std::string name;
        if (const int sv = serverPath(path, conf, name)) {
            if (sv < 0) return -sv;
            if (auto it = state().files.find(serverIdent(conf, name)); it != state().files.end() && !it->second.expired())
                return B_FILE_IN_USE;
            return PgFile::create(conf, name, recordLength, pageSize, flags, keys);
        }
        // A file open here cannot be replaced under its handles.
        struct stat st {};
        const bool exists = ::stat(path, &st) == 0;
        for (auto& [id, w] : state().files) {
            auto f = w.lock();
            if (f && (f->canon == canonical(path) || (exists && f->ident == localIdent(st.st_dev, st.st_ino))))
                return B_FILE_IN_USE;
        }
        return File::create(path, recordLength, pageSize, flags, keys);
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrGetAltCollating(void* buffer) {
    try {
        if (!buffer) return B_DATA_BUFFER_TOO_SHORT;
        std::memcpy(buffer, defaultAcs().data(), kAcsSize);
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrGetVersion(int16_t* version, char* revision, char* platform) {
    try {
        if (version) *version = 1;
        if (revision) std::memcpy(revision, "00", 3);
        if (platform) std::memcpy(platform, "L", 2);
        return 0;
    } catch (...) {
        return B_IO_ERROR;
    }
}

RecmanTable* BtrTableCreate(int recordLength, int nameLength) {
    try {
        if (recordLength <= 0 || nameLength <= 0) return nullptr;
        if (recordLength > 0xFFFF || nameLength > PATH_MAX) return nullptr;
        auto* t = new (std::nothrow) RecmanTable;
        if (!t) return nullptr;
        t->recordLength = recordLength;
        t->nameLength = nameLength;
        t->name.assign(size_t(nameLength) + 1, '\0');
        return t;
    } catch (...) {
        return nullptr;
    }
}

int BtrTableOpen(RecmanTable* table, const char* path) {
    try {
        if (!table) return B_INVALID_OPERATION;
        if (!path) return B_INVALID_FILE_NAME;
        if (std::strlen(path) > size_t(table->nameLength)) return B_INVALID_FILE_NAME;
        if (table->handle) BtrCloseFile(table->handle);
        table->handle = 0;
        std::strcpy(table->name.data(), path);
        return BtrOpenFile(&table->handle, path, 0, 0);
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrTableClose(RecmanTable* table) {
    try {
        if (!table) return B_INVALID_OPERATION;
        if (!table->handle) return 0;
        const int st = BtrCloseFile(table->handle);
        table->handle = 0;
        return st;
    } catch (...) {
        return B_IO_ERROR;
    }
}

void BtrTableFree(RecmanTable* table) {
    try {
        if (!table) return;
        if (table->handle) BtrCloseFile(table->handle);
        delete table;
    } catch (...) {
        // nothing to give back
    }
}

uint16_t BtrTableHandle(const RecmanTable* table) {
    try {
        return table ? table->handle : 0;
    } catch (...) {
        return 0;
    }
}

void* RecmanOrdinal(int ordinal) {
    try {
        switch (ordinal) {
        case 1: return reinterpret_cast<void*>(&BtrCreateFile);
        case 2: return reinterpret_cast<void*>(&BtrGetAltCollating);
        case 102: return reinterpret_cast<void*>(&BtrGetVersion);
        case 200: return reinterpret_cast<void*>(&BtrSetClientConfig);
        case 201: return reinterpret_cast<void*>(&BtrGetClientConfig);
        case 202: return reinterpret_cast<void*>(&BtrOpenFile);
        case 203: return reinterpret_cast<void*>(&BtrCloseFile);
        case 205: return reinterpret_cast<void*>(&BtrGet);
        case 206: return reinterpret_cast<void*>(&BtrPosition);
        case 207: return reinterpret_cast<void*>(&BtrSetDefaults);
        case 208: return reinterpret_cast<void*>(&BtrUnlock);
        case 209: return reinterpret_cast<void*>(&BtrWrite);
        case 210: return reinterpret_cast<void*>(&BtrDropSupIndex);
        case 211: return reinterpret_cast<void*>(&BtrCall211);
        case 212: return reinterpret_cast<void*>(&BtrCall212);
        case 213: return reinterpret_cast<void*>(&BtrStat);
        case 216: return reinterpret_cast<void*>(&BtrCreateSupIndex);
        case 217: return reinterpret_cast<void*>(&BtrGetDefaults);
        case 218: return reinterpret_cast<void*>(&BtrCall218);
        case 219: return reinterpret_cast<void*>(&BtrGetRecordCount);
        case 220: return reinterpret_cast<void*>(&BtrLockDelay);
        case 227: return reinterpret_cast<void*>(&BtrGetKeyInfo);
        case 300: return reinterpret_cast<void*>(&BtrTableCreate);
        case 301: return reinterpret_cast<void*>(&BtrTableOpen);
        case 302: return reinterpret_cast<void*>(&BtrTableHandle);
        case 303: return reinterpret_cast<void*>(&BtrTableClose);
        case 304: return reinterpret_cast<void*>(&BtrTableFree);
        default: return nullptr;
        }
    } catch (...) {
        return nullptr;
    }
}

int BtrTransaction(int op) {
    try {
        return transaction(op);
    } catch (...) {
        return B_IO_ERROR;
    }
}

int BtrSavepoint(int op) {
    try {
        return savepoint(op);
    } catch (...) {
        return B_IO_ERROR;
    }
}

void RecmanReset(void) {
    try {
        closeAllAtExit();
        state().nextHandle = 1;
    } catch (...) {
        // nothing to give back
    }
}

}  // extern "C"

namespace {
void closeAll();
void closeAllAtExit() {
    try {
        closeAll();
    } catch (...) {
        // at exit: nothing more to do
    }
}
void closeAll() {
    checkFork();
    // a transaction left open is rolled back
    if (state().tx.active) abortTx();
    if (state().markerFd >= 0) {
        ::unlink(state().marker.c_str());
        ::close(state().markerFd);
        state().markerFd = -1;
    }
    state().marker.clear();
    std::vector<uint16_t> ids;
    for (auto& [id, h] : state().handles) ids.push_back(id);
    for (uint16_t id : ids) closeHandle(id);
    state().files.clear();
    pgCloseAll();
    std::memset(state().client, 0, RECMAN_CLIENT_BLOCK);
}
}  // namespace
