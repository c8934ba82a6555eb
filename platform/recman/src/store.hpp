// One data file: a SQLite database holding the records, their key indexes
// and the file's specification.
//
// Layout of the database:
//   meta(name, value)              format tag, record length, page size, file
//                                  flags, the counter for index names
//   keys(keyno, ixname, spec, col) one row per key, numbered from 0; spec is
//                                  the key's segment block (+ its collating
//                                  sequence); col names the key's column
//   rec(pos, ver, data, kc0, ...)  pos = INTEGER PRIMARY KEY = the record's
//                                  32-bit physical position; ver changes at
//                                  every update (conflict detection); data =
//                                  the record bytes; kcN = the encoded value
//                                  of key N (see keys.hpp)
// The keys given at creation have a column each, indexed (unique when the key
// allows no duplicates); an update rewrites only the indexes whose key value
// changed. A supplemental key added later is an index on the expression
// rmkey(data, X'<spec>'), an SQL function that encodes the key from the
// record: since the expression carries the key's whole definition, every
// connection keeps that index right, even one that opened the file before
// the key was added. An index entry ends with pos, so duplicates come back in
// position order, which is insertion order (a new record always gets a
// position above every existing one).
//
// Transactions over several files (BtrTransaction, api.cpp): a process
// transaction opens BEGIN IMMEDIATE on each file's connection at its first
// write there and COMMITs them all at the end. While the transaction runs,
// each file keeps in memory the before-image of every record it changes,
// once per record (the first one: what was there before the transaction),
// or the mark that the record did not exist. A transaction that wrote one
// file commits it alone and writes no before-image at all. With two or
// more, each file writes, inside its own SQLite transaction, its before-
// images into rm_undo and a row of rm_tx (keyed by the transaction id)
// naming the process's marker file; then the process writes into its marker
// (a small file it keeps, and holds a lock on, for its life) the
// transaction's id and files and syncs it, COMMITs and syncs every file,
// and overwrites the id with zeros and syncs the marker again: that is the
// commit point. So after a power loss as after a kill, a file that kept its
// commit has the rows to put it back while the marker still names the
// transaction. Opening a file whose rm_tx names a transaction that its
// marker still names while no process holds the marker's lock (its owner
// died, or the machine stopped, between two COMMITs) puts the before-images
// back, in every file the marker names, then removes the marker. Rows of a
// transaction the marker no longer names are left-overs of one that
// committed; they are dropped at the next transaction's first write to the
// file. Savepoints (BtrSavepoint) are SQLite savepoints on every file of the
// transaction; a file that joins after the savepoint was set takes one at
// its join, and each file remembers how many before-images it held then.
//
// Lock bytes on the descriptor each File holds for its whole life (never a
// second descriptor on the data file, -wal or -shm: closing any descriptor
// of a file drops every POSIX lock the process holds on it, SQLite's too):
//   kLockBase + position   record locks (open-file-description locks)
//   kOpenByte              read-locked while the file is open (BtrCreateFile
//                          of another process tests it: 85)
//   kCommitByte            write-locked by a transaction from before its
//                          first COMMIT to after its last; a reader that sees
//                          a commit it has not checked yet waits for it to
//                          be free, so no process reads half a transaction
#pragma once

#include <sqlite3.h>
#include <fcntl.h>
#include <sys/types.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "keys.hpp"
#include "recman.h"

namespace recman {

constexpr const char* kFormatTag = "recman data file 1";

// A prepared statement that is reset when the holder goes out of scope.
class StmtUse {
public:
    explicit StmtUse(sqlite3_stmt* s) : s_(s) {}
    ~StmtUse() {
        if (s_) {
            sqlite3_reset(s_);
            sqlite3_clear_bindings(s_);
        }
    }
    StmtUse(const StmtUse&) = delete;
    StmtUse& operator=(const StmtUse&) = delete;
    sqlite3_stmt* get() const { return s_; }

private:
    sqlite3_stmt* s_;
};

// Statements of one key; prepared on first use. ?9 is the row limit.
enum KeyQuery {
    KQ_GE, KQ_GT, KQ_LE, KQ_LT,      // ?1 = encoded key
    KQ_EQ_AFTER, KQ_EQ_BEFORE,       // ?1 = encoded key, ?2 = position
    KQ_FIRST, KQ_LAST,
    KQ_COUNT_
};

struct Row {
    uint32_t pos = 0;
    int64_t ver = 0;
    std::vector<uint8_t> data;
};

// The rows of one query, their bytes kept in one buffer.
struct RowSet {
    struct Item {
        uint32_t pos;
        int64_t ver;
        size_t off;
        size_t len;
    };
    std::vector<uint8_t> bytes;
    std::vector<Item> items;
    size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }
    const uint8_t* data(size_t i) const { return bytes.data() + items[i].off; }
    void clear() {
        bytes.clear();
        items.clear();
    }
    Row row(size_t i) const {
        Row r;
        r.pos = items[i].pos;
        r.ver = items[i].ver;
        r.data.assign(data(i), data(i) + items[i].len);
        return r;
    }
};

struct LockEntry {
    uint16_t handle = 0;
    bool multi = false;
    bool tx = false;  // taken inside a transaction: held to its end
};

constexpr off_t kLockBase = off_t(1) << 40;
constexpr off_t kOpenByte = kLockBase - 1;
constexpr off_t kCommitByte = kLockBase - 2;

// Bounded waits (documented in recman.h).
constexpr int kBusyMs = RECMAN_BUSY_WAIT_MS;
constexpr int kTranWaitMs = RECMAN_TRAN_WAIT_MS;
constexpr int kLockWaitMs = RECMAN_LOCK_WAIT_MS;

// What a read ahead depends on: the write-ahead-log index header (changes
// at every commit of any connection) and this process's own write counter
// (changes at every write, also inside a transaction, whose commit is
// still to come).
struct Snapshot {
    uint8_t hdr[48];
    uint64_t seq;
};

// Milliseconds of a monotonic clock.
int64_t nowMs();

// What every store of data files does (the local SQLite store, File below,
// and the server store, PgFile in pgstore.hpp): the client calls of api.cpp
// reach a data file only through this.
class Store {
public:
    virtual ~Store() = default;

    // True for a file of the local store (a File).
    virtual bool local() const = 0;

    int recordLength() const { return recordLength_; }
    int pageSize() const { return pageSize_; }
    int fileFlags() const { return fileFlags_; }
    bool variable() const { return fileFlags_ & 0x0001; }
    const std::vector<KeyDef>& keys() const { return keys_; }
    const std::string& path() const { return path_; }

    // Row access: 0 or a status for an engine failure; `rows` gets at most
    // `limit` rows (none when nothing matched).
    // With `append`, the rows are added after those `rows` holds already.
    virtual int keyQuery(int key, KeyQuery q, const std::string* enc, uint32_t pos, int limit, RowSet& rows,
                         bool append = false) = 0;
    virtual int byPosition(uint32_t pos, Row& row, bool& found) = 0;
    // dir: 0 first, 1 next, 2 prev, 3 last
    virtual int step(int dir, uint32_t pos, int limit, RowSet& rows) = 0;
    virtual int count(int64_t& n) = 0;
    // Key order by rank: the row at rank `rank` (from 0) of key `key`, and
    // the rank of the row of encoded key `enc` at position `pos`.
    virtual int rowAtRank(int key, int64_t rank, Row& row, bool& found) = 0;
    virtual int rankOf(int key, const std::string& enc, uint32_t pos, int64_t& rank) = 0;

    // Keys whose encoded value the writes pass in `encs`.
    virtual bool hasColumn(int key) const = 0;
    // `encs` holds the encoded value of every key (only column keys are used).
    virtual int insert(const std::vector<uint8_t>& data, int64_t ver, const std::vector<std::string>& encs,
                       uint32_t& pos) = 0;
    // `changed` marks the column keys whose value changes.
    // `old` is the record as stored (version `ver`): its before-image.
    virtual int update(uint32_t pos, int64_t ver, const std::vector<uint8_t>& data,
                       const std::vector<std::string>& encs, const std::vector<bool>& changed,
                       const std::vector<uint8_t>& old) = 0;
    virtual int remove(uint32_t pos, int64_t ver, const std::vector<uint8_t>& old) = 0;

    // Snapshot of what rows read ahead depend on; false when there is
    // nothing to look at (then nothing is read ahead).
    virtual bool snapshot(Snapshot&) const { return false; }
    virtual bool unchanged(const Snapshot&) const { return false; }

    // A transaction around a multi-step write (an autoincrement value and
    // its insert): no other process draws a value of this file meanwhile.
    virtual int begin() = 0;
    virtual int commit() = 0;
    virtual void rollback() = 0;

    virtual int addKey(const KeyDef& k, int& keyNo) = 0;
    virtual int dropKey(int keyNo) = 0;

    // ---- process transactions ----
    virtual bool inTx() const = 0;
    // First write of transaction `id` to this file.
    virtual int txJoin(int64_t id) = 0;
    virtual int txCommit() = 0;     // the file leaves the transaction, its writes kept
    virtual void txRollback() = 0;  // the file leaves the transaction, its writes dropped
    virtual int spSet() = 0;
    virtual int spRelease() = 0;
    virtual int spUndo() = 0;

    // Record locks that keep other processes out (the in-process table,
    // `locks`, is the client's): 0, 84 (held elsewhere, no wait) or 78
    // (still held after kLockWaitMs).
    virtual int recordLock(uint32_t pos, bool wait) = 0;
    virtual void recordUnlock(uint32_t pos) = 0;
    // True when another process holds the lock of a position.
    virtual bool recordLockedElsewhere(uint32_t pos) = 0;

    std::map<uint32_t, LockEntry> locks;
    bool readOnly = false;  // opened for reading only
    std::string canon;      // the path with its folder resolved
    std::string ident;      // names the file among those this process has open
    int handles = 0;

protected:
    std::string path_;
    int recordLength_ = 0;
    int pageSize_ = 0;
    int fileFlags_ = 0;
    std::vector<KeyDef> keys_;
};

// The local store: one SQLite database per data file.
class File final : public Store {
public:
    ~File() override;

    // Opens an existing data file; 0 or a status. `recover` runs the
    // recovery of transactions whose process died (see above).
    static int open(const std::string& path, std::shared_ptr<File>& out, bool recover = true);
    // Creates (or replaces) a data file; 0 or a status.
    static int create(const std::string& path, int recordLength, int pageSize, int fileFlags,
                      const std::vector<KeyDef>& keys);

    sqlite3* db() const { return db_; }
    bool local() const override { return true; }

    int keyQuery(int key, KeyQuery q, const std::string* enc, uint32_t pos, int limit, RowSet& rows,
                 bool append = false) override;
    int byPosition(uint32_t pos, Row& row, bool& found) override;
    int step(int dir, uint32_t pos, int limit, RowSet& rows) override;
    int count(int64_t& n) override;
    int rowAtRank(int key, int64_t rank, Row& row, bool& found) override;
    int rankOf(int key, const std::string& enc, uint32_t pos, int64_t& rank) override;

    // Keys with a column of their own (the keys given at creation).
    bool hasColumn(int key) const override { return !cols_[size_t(key)].empty(); }
    int insert(const std::vector<uint8_t>& data, int64_t ver, const std::vector<std::string>& encs,
               uint32_t& pos) override;
    int update(uint32_t pos, int64_t ver, const std::vector<uint8_t>& data, const std::vector<std::string>& encs,
               const std::vector<bool>& changed, const std::vector<uint8_t>& old) override;
    int remove(uint32_t pos, int64_t ver, const std::vector<uint8_t>& old) override;

    bool snapshot(Snapshot& out) const override {
        if (!shm_) return false;
        std::memcpy(out.hdr, const_cast<const uint8_t*>(shm_), sizeof out.hdr);
        out.seq = writeSeq_;
        return true;
    }
    bool unchanged(const Snapshot& s) const override {
        if (!shm_ || s.seq != writeSeq_) return false;
        uint8_t now[sizeof s.hdr];
        std::memcpy(now, const_cast<const uint8_t*>(shm_), sizeof now);
        return std::memcmp(now, s.hdr, sizeof now) == 0;
    }

    // Transactions around multi-step writes (autoincrement, index builds);
    // savepoints inside a process transaction.
    int begin() override;
    int commit() override;
    void rollback() override;

    int addKey(const KeyDef& k, int& keyNo) override;
    int dropKey(int keyNo) override;

    // ---- process transactions ----
    bool inTx() const override { return txId_ != 0; }
    int64_t txId() const { return txId_; }
    // First write of transaction `id` to this file: BEGIN IMMEDIATE within
    // kTranWaitMs (else 85), left-overs of committed transactions dropped.
    int txJoin(int64_t id) override;
    // For a transaction over several files, before the first COMMIT: the
    // before-images and the rm_tx row naming `marker` go into this file's
    // transaction.
    int txWriteUndo(const std::string& marker);
    int txCommit() override;     // COMMIT; the file leaves the transaction
    void txRollback() override;  // ROLLBACK; the file leaves the transaction
    int spSet() override;
    int spRelease() override;
    int spUndo() override;
    int recordLock(uint32_t pos, bool wait) override;
    void recordUnlock(uint32_t pos) override;
    bool recordLockedElsewhere(uint32_t pos) override;
    // Syncs what the last COMMIT wrote to the disk; 0 or a status.
    int syncCommitted();
    bool hasSavepoint() const { return spImages_ >= 0; }
    // Reads inside a process transaction on a file it has not written: one
    // read transaction, begun at the first read and checked once, serves
    // every read to the end of the process transaction (endReadTx).
    bool inReadTx() const { return readTx_; }
    void endReadTx();
    // Puts back the before-images of transaction `id` in a transaction of
    // its own; 0 or a status.
    int undo(int64_t id);
    // Runs recovery of transactions whose process died; 0 or a status.
    int recoverDead();
    std::vector<int64_t> doneTx;  // own transactions that committed: left-overs to drop

    // The descriptor that holds the OS byte-range locks of records.
    int lockFd = -1;
    std::vector<int> spareFds;  // descriptors of this file closed only after SQLite's

    dev_t dev = 0;
    ino_t ino = 0;

private:
    File() = default;
    int connect(int flags, const std::string& name);
    int readSchema();
    int loadKeys();
    int endKeyChange(int rc);
    void dropStatements();
    sqlite3_stmt* prepare(sqlite3_stmt*& slot, const std::string& sql);
    std::string keyExpr(const KeyDef& k) const;
    // After a read outside a transaction: 0 when what was read is whole,
    // 1 when it must be read again (a transaction of another process was
    // committing), or a status.
    int afterRead();
    // Inside a process transaction: keeps the before-image of a record
    // about to change (`old` null: the record is new), the first time only.
    void saveBefore(uint32_t pos, int64_t ver, const std::vector<uint8_t>* old);
    // Before a read: inside a process transaction, the file's one read
    // transaction is begun; 0 or a status.
    int beforeRead();
    struct Leftover {
        int64_t txid;
        std::string marker;
    };
    int leftovers(std::vector<Leftover>& out);
    int dropRows(int64_t txid);
    int rowFits(size_t n) const;

    sqlite3* db_ = nullptr;
    std::vector<std::string> exprs_;
    std::vector<std::string> cols_;
    std::vector<std::vector<sqlite3_stmt*>> keyStmts_;
    std::map<std::vector<bool>, sqlite3_stmt*> updates_;
    const volatile uint8_t* shm_ = nullptr;  // SQLite's own mapping of the -shm file
    uint8_t checkedHdr_[48] = {};
    uint64_t writeSeq_ = 0;
    int64_t txId_ = 0;
    int savepoints_ = 0;
    bool readTx_ = false;       // a read transaction of the process transaction is open
    bool readChecked_ = false;  // and what it sees was checked whole
    struct Image {
        uint32_t pos;
        bool existed;
        int64_t ver;
        std::vector<uint8_t> data;
    };
    std::vector<Image> images_;
    std::unordered_map<uint32_t, size_t> imaged_;
    long spImages_ = -1;  // images held when the savepoint was set; -1: none set
    sqlite3_stmt* byPos_ = nullptr;
    sqlite3_stmt* stepStmts_[4] = {};
    sqlite3_stmt* count_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* delete_ = nullptr;
    sqlite3_stmt* begin_ = nullptr;
    sqlite3_stmt* commit_ = nullptr;
    sqlite3_stmt* rollback_ = nullptr;
    sqlite3_stmt* undoIns_ = nullptr;
    sqlite3_stmt* txRow_ = nullptr;
    sqlite3_stmt* readBegin_ = nullptr;
    sqlite3_stmt* leftovers_ = nullptr;
    sqlite3_stmt* dropRows_[2] = {};
    bool txTables_ = false;

    friend struct FileAccess;
};

// The name of a local file among the files this process has open.
std::string localIdent(dev_t dev, ino_t ino);

// Finds a file this process has open by device and inode (set by the
// client calls).
extern std::function<std::shared_ptr<File>(dev_t, ino_t)> openHere;

// Set while this process has a transaction open (api.cpp); the files read
// in it with a read transaction of their own, ended with the transaction.
extern bool processTxActive;
extern std::vector<File*> readTxFiles;

// Lock helpers on a File's descriptor (open-file-description locks).
// 0 when set, else errno.
int lockByte(int fd, short type, off_t at, bool wait = false);
// True when another descriptor (of any process) holds a lock on the byte
// that conflicts with `type`.
bool byteHeld(int fd, short type, off_t at);

// Maps a SQLite result code to a record-manager status.
int statusOf(int rc);

// Registers the key function on a connection.
void registerKeyFunction(sqlite3* db);

}  // namespace recman
