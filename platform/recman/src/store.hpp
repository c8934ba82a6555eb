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
// Transactions over several files (not asked for yet) fit this layout: a
// session transaction opens BEGIN IMMEDIATE on each file's connection at its
// first write and COMMITs them all at the end. To make the set all or
// nothing across a crash between two COMMITs, each file would also write,
// inside its own SQLite transaction, the before-images of what it changes
// into an undo table keyed by the transaction id; a marker file naming the
// transaction and its files is written before the first COMMIT and removed
// (with the undo rows) after the last. Opening a file whose undo table holds
// rows of a transaction whose marker is still there (its process died) puts
// the before-images back.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "keys.hpp"

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
};

class File {
public:
    ~File();

    // Opens an existing data file; 0 or a status.
    static int open(const std::string& path, std::shared_ptr<File>& out);
    // Creates (or replaces) a data file; 0 or a status.
    static int create(const std::string& path, int recordLength, int pageSize, int fileFlags,
                      const std::vector<KeyDef>& keys);

    int recordLength() const { return recordLength_; }
    int pageSize() const { return pageSize_; }
    int fileFlags() const { return fileFlags_; }
    bool variable() const { return fileFlags_ & 0x0001; }
    const std::vector<KeyDef>& keys() const { return keys_; }
    const std::string& path() const { return path_; }
    sqlite3* db() const { return db_; }

    // Row access: 0 or a status for an engine failure; `rows` gets at most
    // `limit` rows (none when nothing matched).
    // With `append`, the rows are added after those `rows` holds already.
    int keyQuery(int key, KeyQuery q, const std::string* enc, uint32_t pos, int limit, RowSet& rows,
                 bool append = false);
    int byPosition(uint32_t pos, Row& row, bool& found);
    // dir: 0 first, 1 next, 2 prev, 3 last
    int step(int dir, uint32_t pos, int limit, RowSet& rows);
    int count(int64_t& n);

    // Keys with a column of their own (the keys given at creation).
    bool hasColumn(int key) const { return !cols_[size_t(key)].empty(); }
    // `encs` holds the encoded value of every key (only column keys are used).
    int insert(const std::vector<uint8_t>& data, int64_t ver, const std::vector<std::string>& encs, uint32_t& pos);
    // `changed` marks the column keys whose value changes.
    int update(uint32_t pos, int64_t ver, const std::vector<uint8_t>& data, const std::vector<std::string>& encs,
               const std::vector<bool>& changed);
    int remove(uint32_t pos, int64_t ver);

    // The write-ahead-log index header changes at every commit of any
    // connection. Rows read ahead stay valid while it is unchanged.
    static constexpr int kShmHeader = 48;
    bool shmSnapshot(uint8_t* out) const;
    // False also when there is no header to look at.
    bool shmUnchanged(const uint8_t* snapshot) const {
        if (!shm_) return false;
        uint8_t now[kShmHeader];
        std::memcpy(now, shm_, kShmHeader);
        return std::memcmp(now, snapshot, kShmHeader) == 0;
    }

    // Transactions around multi-step writes (autoincrement, index builds).
    int begin();
    int commit();
    void rollback();

    int addKey(const KeyDef& k, int& keyNo);
    int dropKey(int keyNo);

    // Locks of records: the in-process table, and the OS byte-range locks
    // that keep other processes out.
    std::map<uint32_t, LockEntry> locks;
    int lockFd = -1;
    bool readOnly = false;  // opened for reading only: record locks are read locks

    dev_t dev = 0;
    ino_t ino = 0;
    std::string canon;  // the path with its folder resolved
    int handles = 0;

private:
    File() = default;
    int connect(int flags, const std::string& name);
    int loadKeys();
    int endKeyChange(int rc);
    void dropStatements();
    sqlite3_stmt* prepare(sqlite3_stmt*& slot, const std::string& sql);
    std::string keyExpr(const KeyDef& k) const;

    std::string path_;
    sqlite3* db_ = nullptr;
    int recordLength_ = 0;
    int pageSize_ = 0;
    int fileFlags_ = 0;
    std::vector<KeyDef> keys_;
    std::vector<std::string> exprs_;
    std::vector<std::string> cols_;
    std::vector<std::vector<sqlite3_stmt*>> keyStmts_;
    std::map<std::vector<bool>, sqlite3_stmt*> updates_;
    const uint8_t* shm_ = nullptr;
    size_t shmLen_ = 0;
    sqlite3_stmt* byPos_ = nullptr;
    sqlite3_stmt* stepStmts_[4] = {};
    sqlite3_stmt* count_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* delete_ = nullptr;
    sqlite3_stmt* begin_ = nullptr;
    sqlite3_stmt* commit_ = nullptr;
    sqlite3_stmt* rollback_ = nullptr;
};

// Maps a SQLite result code to a record-manager status.
int statusOf(int rc);

// Registers the key function on a connection.
void registerKeyFunction(sqlite3* db);

}  // namespace recman
