// The server store: the data files of a company folder kept in a PostgreSQL
// database, reached through libpq.
//
// A folder is on a server when it holds the connection file SERVER.CONF:
//   first line   the connection URI (postgresql://user@host:port/dbname;
//                the password comes from ~/.pgpass or the service file)
//   "schema X"   optional line: the schema that holds the folder's files
//                (public when none is given)
// Every path in that folder names a file on the server by its file name.
//
// Layout in the schema:
//   rm_files(name, tbl, reclen, pagesize, flags, gen, nextix, lockid)
//            one row per data file; tbl is the file's table, gen the
//            generation of its key layout, lockid the number its record
//            locks are taken under
//   rm_keys(name, keyno, spec, col)   the file's keys, numbered from 0
//   <tbl>(pos, ver, gen, data, kc0, ...)
//            pos: identity column, the record's 32-bit position (ascending
//            in insertion order); ver changes at every write (conflict
//            detection); data: the record bytes; kcN: the key's value in
//            the record manager's own encoding (keys.hpp), so that bytewise
//            order is key order; an index on (kcN) for a unique key, on
//            (kcN, pos) for one with duplicates. A supplemental key is one
//            more column and index. Each write states the key layout it
//            knows in gen; a CHECK on gen refuses a writer whose layout is
//            stale (another process added or dropped a key): it reloads
//            the layout and writes again.
//
// One connection per process and server folder (URI and schema), opened at
// the first file. A process transaction is one server transaction on it,
// begun at its first write of a server file (READ COMMITTED: each read sees
// what has committed, and the transaction's own writes). Record locks are
// session-level advisory locks (lockid, position); an open file holds a
// shared session advisory lock on its name, which BtrCreateFile of another
// process meets (85). The server releases both when the connection ends,
// however the process ends. A connection that is lost gives 95 for every
// later call on its files; opening a file again connects anew.
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "store.hpp"

namespace recman {

constexpr const char* kServerConfName = "SERVER.CONF";

struct ServerConf {
    std::string uri;
    std::string schema = "public";
};

// Reads a folder's connection file: 1 when the folder is on a server (conf
// filled), 0 when it is local, or -status for a connection file that cannot
// be read.
int serverFolder(const std::string& folder, ServerConf& conf);

// Splits a path into its folder and file name.
void splitPath(const std::string& path, std::string& folder, std::string& name);

class PgFile;

class PgConn {
public:
    ~PgConn();
    PGconn* pg = nullptr;
    std::string key;     // URI and schema
    std::string schema;  // quoted
    bool lost = false;
    bool forgotten = false;  // inherited by a forked child: never used nor closed
    // the server transaction of the process transaction
    bool inTx = false;
    bool failed = false;  // a statement failed inside it: it can only be rolled back
    bool sp = false;      // the savepoint of BtrSavepoint is set
    int steps = 0;        // nested begin() inside the transaction
    int lastCommit = 0;
    std::vector<PgFile*> joined;
    std::set<std::string> prepared;

    // Runs a statement; the result (caller clears), or null with `status`
    // set. `want` is PGRES_COMMAND_OK or PGRES_TUPLES_OK.
    PGresult* exec(const std::string& sql, int& status);
    PGresult* execPrepared(const std::string& name, const std::string& sql, int n, const char* const* values,
                           const int* lengths, int& status);
    // The status of a result (0 for success); marks the connection lost.
    int statusOf(PGresult* r);
    int simple(const std::string& sql);  // runs it, the status
    int txBegin();
    int txCommit();
    void txRollback();
};

class PgFile final : public Store {
public:
    ~PgFile() override;
    static int open(const ServerConf& conf, const std::string& name, std::shared_ptr<Store>& out);
    static int create(const ServerConf& conf, const std::string& name, int recordLength, int pageSize,
                      int fileFlags, const std::vector<KeyDef>& keys);
    // Removes a file; 12 when there is none, 85 when it is open elsewhere.
    static int remove(const ServerConf& conf, const std::string& name);
    // Renames a file (the target is replaced).
    static int rename(const ServerConf& conf, const std::string& from, const std::string& to);
    // 1 when the file is there, 0 when not, or -status.
    static int exists(const ServerConf& conf, const std::string& name);
    // 1 when some connection other than this process's has it open, 0 when
    // none, or -status.
    static int openElsewhere(const ServerConf& conf, const std::string& name);
    // The files of a server folder.
    static int list(const ServerConf& conf, std::vector<std::string>& names);

    bool local() const override { return false; }
    int keyQuery(int key, KeyQuery q, const std::string* enc, uint32_t pos, int limit, RowSet& rows,
                 bool append = false) override;
    int byPosition(uint32_t pos, Row& row, bool& found) override;
    int step(int dir, uint32_t pos, int limit, RowSet& rows) override;
    int count(int64_t& n) override;
    int rowAtRank(int key, int64_t rank, Row& row, bool& found) override;
    int rankOf(int key, const std::string& enc, uint32_t pos, int64_t& rank) override;
    bool hasColumn(int) const override { return true; }
    int insert(const std::vector<uint8_t>& data, int64_t ver, const std::vector<std::string>& encs,
               uint32_t& pos) override;
    int update(uint32_t pos, int64_t ver, const std::vector<uint8_t>& data, const std::vector<std::string>& encs,
               const std::vector<bool>& changed, const std::vector<uint8_t>& old) override;
    int remove(uint32_t pos, int64_t ver, const std::vector<uint8_t>& old) override;
    int begin() override;
    int commit() override;
    void rollback() override;
    int addKey(const KeyDef& k, int& keyNo) override;
    int dropKey(int keyNo) override;
    bool inTx() const override { return joined_; }
    int txJoin(int64_t id) override;
    int txCommit() override;
    void txRollback() override;
    int spSet() override;
    int spRelease() override;
    int spUndo() override;
    int recordLock(uint32_t pos, bool wait) override;
    void recordUnlock(uint32_t pos) override;
    bool recordLockedElsewhere(uint32_t pos) override;

    bool joined_ = false;

private:
    PgFile() = default;
    int load();
    int rowsOf(PGresult* r, RowSet& rows);
    int run(const std::string& tag, const std::string& sql, int n, const char* const* v, const int* l,
            PGresult*& out);
    int readRows(const std::string& tag, const std::string& sql, int n, const char* const* v, const int* l,
                 RowSet& rows);
    int gone();  // the status for a call on a lost connection
    int writeInsert(const std::vector<uint8_t>& data, int64_t ver, const std::vector<std::string>& encs,
                    uint32_t& pos);
    int changeKeys(const KeyDef* add, int dropNo, int& keyNo);

    std::shared_ptr<PgConn> conn_;
    std::string name_;
    std::string tbl_;  // quoted table name
    std::string tag_;  // prefix of this file's statement names
    std::vector<std::string> cols_;
    int gen_ = 0;
    int32_t lockId_ = 0;
    int64_t openKey_ = 0;
    bool openLocked_ = false;
};

// Connections of this process: forgotten in a forked child (never closed
// there: the parent uses them), closed at the end of the session.
void pgForgetInherited();
void pgCloseAll();

// Maps a server status to the record manager's.
int pgStatus(const char* sqlstate);

}  // namespace recman
