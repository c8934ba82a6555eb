// bwps/table.h: the one way the libraries reach stored records.
//
//  - Status: a record-manager status with the operation and the file that
//    gave it. Internal code passes it upward; the exported function that a
//    caller sees reports it once (Status::Report) in the shape its screen
//    wants.
//  - Table: a data file opened by number through the catalogue and the
//    session's folders (or a handle the caller lends), closed on every path;
//    typed reads and writes of the file's record struct.
//  - WriteBatch: begins a record-manager transaction; Commit ends it, and a
//    batch left without a commit is aborted. Code that writes several files
//    together does it inside one.
//
// Header only: both libraries and the host compile it over the exported C
// calls of recman and bwpsbase.
#ifndef BWPS_TABLE_H
#define BWPS_TABLE_H

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "recman.h"

namespace bwps {

// Operation reported for a failed open (the error report's convention).
constexpr int kOpenOperation = OPEN_OPERATION;

struct Status {
    int status = 0;      // record-manager status; 0 success
    int operation = 0;   // the operation that gave it (kOpenOperation for an open)
    FileNo file = FileNo::None;

    constexpr bool Ok() const { return status == 0; }
    constexpr bool Is(int code) const { return status == code; }
    // 4 (not found) or 9 (end of file): a walk or a search that found nothing.
    constexpr bool NotFound() const { return status == B_KEY_NOT_FOUND || status == B_END_OF_FILE; }
    // 84 and 85 (and 88, 94 as the services treat them): another station has it.
    constexpr bool InUse() const
    {
        return status == B_RECORD_IN_USE || status == B_FILE_IN_USE || status == 88 ||
               status == B_PERMISSION_ERROR;
    }

    // Shows the record-manager error report for this status, naming the
    // file's path. kind and mode as ReportRecordManagerError takes them.
    void Report(int kind = 1, int mode = 0) const
    {
        if (status != 0)
            ReportRecordManagerError(status, kind, operation, No(file), mode);
    }
};

constexpr Status Success() { return Status{}; }

// A key buffer: the record manager reads and writes up to 255 bytes.
struct KeyBuffer {
    uint8_t bytes[256] = {};

    void Clear() { std::memset(bytes, 0, sizeof bytes); }
    // Copies a key struct (or any trivially copyable value) into the front.
    template <class K>
    void Set(const K& key)
    {
        static_assert(std::is_trivially_copyable_v<K> && sizeof(K) <= 255);
        Clear();
        std::memcpy(bytes, &key, sizeof key);
    }
    template <class K>
    K As() const
    {
        static_assert(std::is_trivially_copyable_v<K> && sizeof(K) <= 255);
        K key;
        std::memcpy(&key, bytes, sizeof key);
        return key;
    }
    void* data() { return bytes; }
};

class Table {
public:
    Table() = default;
    explicit Table(FileNo file) : file_(file) {}
    ~Table() { Close(); }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    Table(Table&& other) noexcept { *this = std::move(other); }
    Table& operator=(Table&& other) noexcept
    {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, 0);
            owned_ = std::exchange(other.owned_, false);
            file_ = other.file_;
        }
        return *this;
    }

    // Opens the file at its catalogue path (GetDataFilePath).
    Status Open(FileNo file, int mode = 0)
    {
        const char* path = GetDataFilePath(No(file));
        return OpenPath(file, path, mode);
    }
    Status Open(int mode = 0) { return Open(file_, mode); }
    // Opens the file at another path (a copy, a file of another folder);
    // errors still name the file number.
    Status OpenPath(FileNo file, const char* path, int mode = 0)
    {
        Close();
        file_ = file;
        if (path == nullptr)
            return {B_INVALID_FILE_NAME, kOpenOperation, file};
        uint16_t handle = 0;
        const int status = BtrOpenFile(&handle, path, mode, 0);
        if (status != 0)
            return {status, kOpenOperation, file};
        handle_ = handle;
        owned_ = true;
        return {};
    }
    // Uses a handle the caller owns (never closed here). A zero handle
    // opens the file instead, and that one is closed here.
    Status Borrow(FileNo file, uint16_t handle, int mode = 0)
    {
        if (handle == 0)
            return Open(file, mode);
        Close();
        file_ = file;
        handle_ = handle;
        owned_ = false;
        return {};
    }
    // Takes over a handle opened elsewhere: closed here from now on.
    void Adopt(FileNo file, uint16_t handle)
    {
        Close();
        file_ = file;
        handle_ = handle;
        owned_ = handle != 0;
    }
    void Close()
    {
        if (owned_ && handle_ != 0)
            BtrCloseFile(handle_);
        handle_ = 0;
        owned_ = false;
    }
    // Gives up ownership: the caller closes the handle.
    uint16_t Release()
    {
        owned_ = false;
        return std::exchange(handle_, 0);
    }

    bool IsOpen() const { return handle_ != 0; }
    bool Owned() const { return owned_; }
    uint16_t Handle() const { return handle_; }
    FileNo File() const { return file_; }

    // ---- Reading. op is a get operation, with a lock bias when wanted.
    Status Get(int op, void* key, void* data, int length)
    {
        return Result(BtrGet(op, handle_, key, data, length), op);
    }
    // Reads a whole record struct. A record shorter than the struct (a
    // damaged or foreign file) gives 22 and leaves the struct's tail zeroed,
    // never filled past the bytes read.
    template <class R>
    Status Get(int op, KeyBuffer& key, R& record)
    {
        static_assert(std::is_trivially_copyable_v<R>);
        std::memset(&record, 0, sizeof record);
        Status s = Get(op, key.bytes, &record, static_cast<int>(sizeof record));
        if (s.Ok() && IsFixedRead(op) && BytesRead() < static_cast<int>(sizeof record)) {
            ReleaseLockOfFailedRead(op);
            return {B_DATA_BUFFER_TOO_SHORT, op % 100, file_};
        }
        return s;
    }
    // Get equal by a key struct.
    template <class R, class K>
    Status Find(const K& keyValue, R& record, int lockBias = 0)
    {
        KeyBuffer key;
        key.Set(keyValue);
        return Get(B_GET_EQUAL + lockBias, key, record);
    }
    int BytesRead() const { return BtrCall218(handle_); }

    Status SetKey(int key) { return Result(BtrSetDefaults(handle_, key, -1), 207); }
    int Key() const
    {
        int key = 0, second = 0;
        BtrGetDefaults(handle_, &key, &second);
        return key;
    }
    // The current record's position (get position, 22).
    Status Position(uint32_t& position)
    {
        uint8_t buffer[4] = {};
        Status s = Result(BtrGet(B_GET_POSITION, handle_, nullptr, buffer, 4), B_GET_POSITION);
        std::memcpy(&position, buffer, 4);
        return s;
    }
    // Get direct (23): the record at a position, made current in the key.
    template <class R>
    Status Direct(uint32_t position, KeyBuffer& key, R& record, int lockBias = 0)
    {
        static_assert(std::is_trivially_copyable_v<R> && sizeof(R) >= 4);
        std::memset(&record, 0, sizeof record);
        std::memcpy(&record, &position, 4);
        const int op = B_GET_DIRECT + lockBias;
        Status s = Get(op, key.bytes, &record, static_cast<int>(sizeof record));
        if (s.Ok() && BytesRead() < static_cast<int>(sizeof record))
            return {B_DATA_BUFFER_TOO_SHORT, B_GET_DIRECT, file_};
        return s;
    }

    // ---- Writing: the record struct whole.
    template <class R>
    Status Insert(R& record, KeyBuffer* key = nullptr)
    {
        return Write(B_INSERT, &record, static_cast<int>(sizeof record), key);
    }
    template <class R>
    Status Update(R& record, KeyBuffer* key = nullptr)
    {
        return Write(B_UPDATE, &record, static_cast<int>(sizeof record), key);
    }
    // Deletes the current record.
    Status Delete()
    {
        uint8_t none[1] = {0};
        return Result(BtrWrite(B_DELETE, handle_, nullptr, none, 0), B_DELETE);
    }
    Status Write(int op, void* data, int length, KeyBuffer* key = nullptr)
    {
        return Result(BtrWrite(op, handle_, key != nullptr ? key->bytes : nullptr, data, length),
                      op);
    }

    // ---- Locks
    Status UnlockAll() { return Result(BtrUnlock(-2, handle_, nullptr), 27); }
    Status Unlock() { return Result(BtrUnlock(0, handle_, nullptr), 27); }

    int32_t RecordCount() const { return BtrGetRecordCount(handle_); }

private:
    Status Result(int status, int op) const
    {
        if (status == 0)
            return {};
        return {status, op % 100, file_};
    }
    // A read refused after the record manager served it leaves no lock.
    void ReleaseLockOfFailedRead(int op)
    {
        const int bias = op / 100 * 100;
        if (bias == B_LOCK_SINGLE_WAIT || bias == B_LOCK_SINGLE_NOWAIT) {
            BtrUnlock(0, handle_, nullptr);
        } else if (bias == B_LOCK_MULTI_WAIT || bias == B_LOCK_MULTI_NOWAIT) {
            uint32_t position = 0;
            if (Position(position).Ok())
                BtrUnlock(-1, handle_, &position);
        }
    }
    static bool IsFixedRead(int op)
    {
        const int base = op % 100;
        return base != B_GET_POSITION;
    }

    uint16_t handle_ = 0;
    bool owned_ = false;
    FileNo file_ = FileNo::None;
};

// Writes of several files together: all or nothing.
//
//   WriteBatch batch;
//   if (!batch.Begun().Ok()) return batch.Begun();
//   ... table writes; on any failure: return failure (the batch aborts) ...
//   return batch.Commit();
class WriteBatch {
public:
    WriteBatch() : begun_{BtrTransaction(B_BEGIN_TRAN), B_BEGIN_TRAN, FileNo::None}
    {
        active_ = begun_.Ok();
    }
    ~WriteBatch() { Abort(); }
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    // The status of the begin: a batch that did not begin writes nothing.
    const Status& Begun() const { return begun_; }
    bool Active() const { return active_; }

    Status Commit()
    {
        if (!active_)
            return begun_.Ok() ? Status{B_INVALID_OPERATION, B_END_TRAN, FileNo::None} : begun_;
        active_ = false;
        const int status = BtrTransaction(B_END_TRAN);
        return status == 0 ? Status{} : Status{status, B_END_TRAN, FileNo::None};
    }
    void Abort()
    {
        if (active_) {
            active_ = false;
            BtrTransaction(B_ABORT_TRAN);
        }
    }

    // A unit of work inside the batch: Mark before it, then Keep when it
    // went through or Undo to put back all it wrote (the batch goes on).
    Status Mark() { return Savepoint(RECMAN_SAVEPOINT_SET); }
    Status Keep() { return Savepoint(RECMAN_SAVEPOINT_RELEASE); }
    Status Undo() { return Savepoint(RECMAN_SAVEPOINT_UNDO); }

private:
    Status Savepoint(int op)
    {
        if (!active_)
            return Status{B_NO_TRANSACTION, B_BEGIN_TRAN, FileNo::None};
        const int status = BtrSavepoint(op);
        return status == 0 ? Status{} : Status{status, B_BEGIN_TRAN, FileNo::None};
    }

    Status begun_;
    bool active_ = false;
};

// A write batch that joins a record-manager transaction the caller has
// already begun (the begin answers 37): then the caller's commit or abort
// decides for both, and Commit here is a no-op success.
class JoinedBatch {
public:
    JoinedBatch() : joined_(batch_.Begun().Is(kNested)) {}
    JoinedBatch(const JoinedBatch&) = delete;
    JoinedBatch& operator=(const JoinedBatch&) = delete;
    bool Ok() const { return batch_.Active() || joined_; }
    // True when the caller's transaction is the one that commits.
    bool Joined() const { return joined_; }
    const Status& Begun() const { return batch_.Begun(); }
    Status Commit() { return joined_ ? Success() : batch_.Commit(); }
    void Abort() { batch_.Abort(); }

private:
    static constexpr int kNested = 37;
    WriteBatch batch_;
    bool joined_;
};

}  // namespace bwps

#endif
