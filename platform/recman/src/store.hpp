// One data file: a SQLite database holding the records, their key indexes
// and the file's specification.
//
// Layout of the database:
//   meta(name, value)         file format tag, record length, page size,
//                             file flags, the counter for index names
//   keys(keyno, ixname, spec) one row per key, numbered from 0; spec is the
//                             key's segment block (+ its collating sequence)
//   rec(pos, ver, data)       pos = INTEGER PRIMARY KEY = the record's 32-bit
//                             physical position; ver changes at every update
//                             (conflict detection); data = the record bytes
// and per key an index on the expression rmkey(data, X'<spec>'): an SQL
// function that encodes the key value of a record so that memcmp order is
// key order. An index entry is (encoded key, pos), so duplicates come back in
// position order, which is insertion order (a new record always gets a
// position above every existing one). Because the expression carries the
// key's whole definition, every connection keeps every index right, even one
// that opened the file before a supplemental key was added.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <cstdint>
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

// Statements of one key; prepared on first use.
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

    // Row access: 0, or 4/9 when nothing matched (as the caller decides), or
    // a status for an engine failure. `found` tells whether a row came back.
    int keyQuery(int key, KeyQuery q, const std::string* enc, uint32_t pos, Row& row, bool& found);
    int byPosition(uint32_t pos, Row& row, bool& found);
    int step(int dir, uint32_t pos, Row& row, bool& found);  // dir: 0 first, 1 next, 2 prev, 3 last
    int count(int64_t& n);

    int insert(const std::vector<uint8_t>& data, int64_t ver, uint32_t& pos);
    int update(uint32_t pos, int64_t ver, const std::vector<uint8_t>& data);
    int remove(uint32_t pos, int64_t ver);

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

    dev_t dev = 0;
    ino_t ino = 0;
    int handles = 0;

private:
    File() = default;
    int loadKeys();
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
    std::vector<std::vector<sqlite3_stmt*>> keyStmts_;
    sqlite3_stmt* byPos_ = nullptr;
    sqlite3_stmt* stepStmts_[4] = {};
    sqlite3_stmt* count_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* update_ = nullptr;
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
