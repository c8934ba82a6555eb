/* recman: the record-manager client. Btrieve-compatible operations over
 * data files that are stored, one file each, as SQLite databases, or, for
 * a folder on a server, as tables of a PostgreSQL database (see "Server
 * folders" at the end).
 *
 * Every call returns a Btrieve status (0 success) unless said otherwise.
 * Handles are unsigned 16-bit and never 0. Callers that go by ordinal use
 * RecmanOrdinal(n), which gives the entry of that ordinal or null.
 *
 * The library is single-threaded: call it from one thread.
 *
 * ---- File specification (16 bytes; BtrCreateFile reads it, BtrStat fills it)
 *   0  u16  record length (the fixed part of a variable-length file)
 *   2  u16  page size: a multiple of 512 (kept and shown; storage uses its own)
 *   4  u8   number of keys. BtrCreateFile takes it as a count n, closes a key
 *           at each segment without KF_SEGMENTED, and stops after n keys or
 *           at the first all-zero segment, whichever comes first (so a count
 *           of segments there works too).
 *   5  u8   reserved, 0
 *   6  u32  record count (BtrStat only; ignored by BtrCreateFile)
 *  10  u16  file flags: FF_VARIABLE = variable-length records
 *  12  4    reserved, 0
 *
 * ---- Key-segment specification (16 bytes each, keys one after another)
 *   0  u16  position in the record, from 1
 *   2  u16  length
 *   4  u16  flags KF_* (duplicates and modifiable are taken from a key's
 *           first segment; KF_SUPPLEMENTAL is set on every segment of a key
 *           added by BtrCreateSupIndex)
 *   6  4    reserved, 0
 *  10  u8   extended type KT_* (read only when KF_EXTENDED is set; else the
 *           segment is a string)
 *  11  u8   null value: kept as given, not used
 *  12  4    reserved, 0
 * Types: string (bytewise), integer (signed, 1/2/4/8 bytes little-endian),
 * unsigned binary (1/2/4/8), float (4 or 8, by value; -0 equals 0), zstring
 * (compared up to its first NUL), autoincrement (2/4/8, a key of one segment
 * without duplicates). KF_NO_CASE compares strings without regard to ASCII
 * case; KF_ALT_COLLATE maps string bytes through the collating sequence;
 * KF_DESCENDING inverts a segment's order. Duplicates come back in the order
 * they were inserted. A key is at most 255 bytes; a file has at most 119
 * keys and, so that its statistics fit, at most 96 segments in all.
 *
 * ---- Statistics block (BtrStat, BtrGetKeyInfo): RECMAN_STAT_BUFFER bytes
 *   the file specification, then every key's segments, then, when a key uses
 *   KF_ALT_COLLATE, the 265-byte collating sequence; u16 at byte 1817 = the
 *   length of that (16 + 16 x segments [+ 265], odd exactly when the
 *   sequence is there). Bytes up to 1817 not used are zeroed. The caller's
 *   buffer must hold RECMAN_STAT_BUFFER bytes.
 *
 * ---- Collating sequence (265 bytes; BtrGetAltCollating gives the default)
 *   0 = 0xAC, 1..8 = its name ("UPPER   "), 9..264 = the byte each byte
 *   sorts as (the default maps a-z to A-Z). A BtrCreateSupIndex block may
 *   carry one after its segments; BtrCreateFile always uses the default.
 *
 * ---- Reading
 *   BtrGet(op + lock bias, handle, key, data, length): the key is the
 *   handle's current key (BtrSetDefaults). length 0 = the file's record
 *   length. A record longer than length gives its first length bytes (status
 *   0); a shorter one gives its own length. BtrCall218 gives the number of
 *   bytes the last read returned. The key buffer (at least the key's length)
 *   comes back holding the key of the record read (not for step operations).
 *   A search key is a whole key buffer: a zero tail is a value like any other
 *   (a zero integer tail skips negative values, as a full-key compare does).
 *   Equal finds the first of duplicates; less-or-equal and less find the
 *   last record at or below the value (the last duplicate). A failed read
 *   leaves the position where it was; get next at the end gives 9 and stays.
 *   Get direct (23): position in the first 4 bytes of data. Get position
 *   (22): position into the first 4 bytes of data; both need a data length
 *   (0 = the record length) of at least 4, else 22. Step operations walk
 *   physical order (positions ascending = insertion order) and also set the
 *   position in the current key. After a delete, get next / previous go on
 *   from where the deleted record stood, in any key. After an update the
 *   position follows the record's new key value.
 *   Positions are 32-bit and stay valid while the record exists; a position
 *   freed by a delete may come back for a later insert.
 *   A damaged file gives 2, never wrong bytes or a walk without end: a
 *   stored record whose length disagrees with the file (not exactly the
 *   record length in a fixed-length file, shorter than it in a
 *   variable-length one), or a get next / previous that would not move on
 *   in key order (an index entry that disagrees with its record).
 *
 * ---- Writing
 *   BtrWrite(2 insert / 3 update / 4 delete, handle, key or null, data,
 *   length). Insert needs length (0 = record length) at least the record
 *   length; a fixed-length file stores exactly the record length.
 *   An autoincrement field of 0 gets the highest value + 1 (written back into
 *   data); another value is kept. Update and delete work on the current
 *   record: 8 without one, 80 when the record changed or went since this
 *   handle read it, 84 when another handle or process locks it, 10 when a key
 *   without KF_MODIFIABLE changes, 5 on a unique-key clash.
 *   Update length: in a variable-length file the record takes the length
 *   given, except that when this handle's last read returned only part of
 *   the record (or the record was made current by BtrPosition 0, which
 *   returns no data), the stored bytes past the length given are kept (a
 *   reader that knows only the first part of a longer record never cuts it
 *   down); a result shorter than the record length gives 22.
 *   In a fixed-length file a shorter length keeps the stored rest.
 *
 * ---- Locks (bias added to a get operation)
 *   +100/+200 single-record wait/no-wait, +300/+400 multiple-record. Held by
 *   another handle or process: no-wait gives 84 at once; wait waits until
 *   the other process releases it, but at most RECMAN_LOCK_WAIT_MS (3 s):
 *   then 78, so that a cycle of wait locks between processes always ends
 *   (each waiter of the cycle gets 78 within that time); it gives 78 at once
 *   when the holder is another handle of this process (it could never be
 *   released). Reads without a
 *   lock are always served. A handle's single-record lock goes with its next
 *   single-locked read, its update or delete of that record, BtrUnlock with
 *   a key number >= 0, and close. Multiple-record locks stay until BtrUnlock
 *   (-2, handle, 0): all of them, or (-1, handle, &position): that one (81
 *   without a position), delete of the record, and close. A process that
 *   ends, however it ends, releases its locks. Inside a transaction the
 *   locks taken are held to its end (see "Transactions").
 *
 * ---- Open modes
 *   Every mode (0, 0x100, 0x200, 0x400, -100 ...) opens for reading and
 *   writing; one file may be open through many handles. A file without
 *   write permission opens for reading only (its writes give 94). A missing
 *   file gives 12, an unreadable one 94, a file that is not a data file of
 *   this manager 30, a damaged one 2 (or 30): among others a stored key
 *   specification that BtrCreateFile would refuse (type, length, position
 *   inside the record, float width 4/8, key length <= 255, key and segment
 *   counts). A path that is not a regular file (FIFO, device, socket,
 *   folder) gives 30. A read-only file in a folder where the database
 *   library cannot make its shared-memory file is read as it stands on disk,
 *   but only when no -wal file with frames lies beside it: then 94 (it
 *   would otherwise give older data than was committed). Running out of file
 *   descriptors gives 86 (B_TOO_MANY_FILES, Btrieve's "file table full").
 *   Opening waits for other processes' writes and checkpoints (up to
 *   RECMAN_BUSY_WAIT_MS) instead of giving 85.
 *   BtrCreateFile replaces a closed file and gives 85 for one open in this
 *   process or in another process; so does opening a path whose file was
 *   replaced while a handle still has the old one open. It never replaces a
 *   path that is not a regular file: 30.
 *
 * ---- Waits: any read or write waits up to RECMAN_BUSY_WAIT_MS (10 s) for
 *   another process's write to end, then gives 85.
 *
 * ---- Transactions: BtrTransaction(19 begin / 20 end / 21 abort); BtrGet
 *   and BtrWrite take these operations too (handle, buffers and length
 *   unused). A transaction covers every write this process makes, through
 *   any handle, to any data file, between begin and end: at end they are
 *   all there, after abort (or the death of the process, or its exit with
 *   the transaction open, or a zero client block, or the test reset) none is.
 *   - begin while one is active gives 37; end or abort without one gives 39.
 *   - A file joins the transaction at its first write in it: the write
 *     waits up to RECMAN_TRAN_WAIT_MS (5 s) for another process's
 *     transaction (or write) on that file to end, then gives 85 (the
 *     transaction stays active: abort it). So transactions of two
 *     processes that wait for each other's files never wait for ever: one
 *     of them, or both, get 85 within that time.
 *     Writes of other processes to a file in a transaction wait for its
 *     end (RECMAN_BUSY_WAIT_MS, then 85).
 *   - Reads in this process see the transaction's own writes (every handle);
 *     other processes see none of them before end, and never half of them:
 *     a read that meets a transaction between the commits of its files
 *     waits for them all (up to RECMAN_TRAN_WAIT_MS, then 85).
 *   - Record locks taken inside are held to the end, whatever would release
 *     them before (update, unlock, another single lock, close).
 *   - All or nothing also holds across a kill -9 between the commits of two
 *     files: the next open of any of them (or the next transaction's first
 *     write to it) puts every file of the transaction back. Until then a
 *     process that had the file open when the writer died may see part.
 *   - Supplemental keys cannot be made or dropped inside one (41).
 *   - End gives 0, or the status of a failed commit (then nothing of the
 *     transaction is there). End returns only once the transaction is on
 *     the disk (synced): after a power loss or a crash of the machine, as
 *     after a kill, each transaction is whole or absent, and one that ended
 *     with 0 is there.
 *   - Reads inside a transaction of a file it has not written see one
 *     snapshot of that file, taken at the first read, to the end of the
 *     transaction (no lock is asked per read); a file's first write starts
 *     from a new snapshot, and its reads see the transaction's writes.
 *   - A record is saved for undoing once per transaction (its state
 *     before it); a transaction that writes one file saves none.
 *   - A lock read (bias 100-400) of a record the handle already holds
 *     takes no second lock and reads the record once.
 *   The files keep two small tables of their own (rm_tx, rm_undo) for this,
 *   written by transactions over two files or more, and each process that
 *   ends such a transaction keeps a marker file ".recman-tx-<pid>-<n>" in
 *   the folder of its first file while it runs (removed at exit; one left
 *   by a killed process is removed by a later transaction in that folder
 *   after a minute).
 *
 * ---- Savepoints: BtrSavepoint(op), inside a transaction.
 *   RECMAN_SAVEPOINT_SET marks the point; RECMAN_SAVEPOINT_UNDO puts back
 *   every write made since, in every file (also files first written after
 *   the mark), and the transaction goes on; RECMAN_SAVEPOINT_RELEASE keeps
 *   them and drops the mark. One mark at a time: set while one is set gives
 *   37; any of them without a transaction, and release or undo without a
 *   mark, give 39. End and abort drop the mark with the transaction. Locks
 *   taken after the mark stay to the end of the transaction. So a batch of
 *   units of work in one transaction (one commit, one sync) lets a unit
 *   that fails go alone: set before each unit, undo when it fails, release
 *   when it succeeds.
 *
 * ---- Server folders
 *   A folder that holds the connection file SERVER.CONF keeps its data
 *   files on a PostgreSQL server; every path in it names a file there by
 *   its file name (no disk file is made). SERVER.CONF: the first line is
 *   the connection URI (postgresql://user@host:port/dbname; a password
 *   comes from ~/.pgpass or the service file, never from this file); an
 *   optional line "schema NAME" names the schema of the folder's files
 *   (public by default). Lines starting with # are comments. A connection
 *   file that cannot be read gives 94 (or 2 when it names no server).
 *   Every call above works on them as on local files, with these
 *   differences:
 *   - One connection per process and server folder, made at its first
 *     open. A connection that cannot be made, or is lost (server stopped,
 *     network cut), gives B_SESSION_LOST (95) for every later call on the
 *     folder's open files, and a transaction open on it is gone (end gives
 *     95); opening a file again connects anew.
 *   - Locks are held by the server for the connection, so they hold
 *     between processes of different machines; a process that ends, however
 *     it ends, loses them as soon as the server sees its connection close.
 *   - A transaction is one server transaction over every file of the
 *     folder it writes (begun at its first write there); no marker files,
 *     no undo rows. Writes of two processes wait for each other only on
 *     the same record or the same unique key value (not for the whole
 *     file): up to RECMAN_TRAN_WAIT_MS, then 85, after which the
 *     transaction can only be aborted (end gives 85, nothing of it is
 *     there). Reads inside a transaction see what has committed when they
 *     run, and the transaction's own writes (no snapshot per file).
 *   - "Open" is a shared lock the server holds on the file's name for the
 *     connection: BtrCreateFile, RecmanRemoveFile and RecmanRenameFile give
 *     85 while another process anywhere has the file open.
 *   - A key added or dropped by another process while this one has the
 *     file open is taken up by this process's next write.
 *   - A transaction that writes local files and files of a server commits
 *     the server's last, just before its commit point: a failure there
 *     puts the local files back; a kill exactly between the two leaves
 *     the server's part without the local one.
 */
#ifndef RECMAN_H
#define RECMAN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RECMAN_API __attribute__((visibility("default")))

/* Operation codes (standard Btrieve). */
enum {
    B_OPEN = 0,
    B_INSERT = 2,
    B_UPDATE = 3,
    B_DELETE = 4,
    B_GET_EQUAL = 5,
    B_GET_NEXT = 6,
    B_GET_PREVIOUS = 7,
    B_GET_GREATER = 8,
    B_GET_GE = 9,
    B_GET_LESS = 10,
    B_GET_LE = 11,
    B_GET_FIRST = 12,
    B_GET_LAST = 13,
    B_BEGIN_TRAN = 19,
    B_END_TRAN = 20,
    B_ABORT_TRAN = 21,
    B_GET_POSITION = 22,
    B_GET_DIRECT = 23,
    B_STEP_NEXT = 24,
    B_STEP_FIRST = 33,
    B_STEP_LAST = 34,
    B_STEP_PREVIOUS = 35,
    B_GET_BY_PERCENTAGE = 44, /* data: share 0..10000 of the current key's order in; the record out */
    B_FIND_PERCENTAGE = 45,   /* data: the share 0..10000 at which the current record stands, out (u32) */
    /* lock biases added to a get operation */
    B_LOCK_SINGLE_WAIT = 100,
    B_LOCK_SINGLE_NOWAIT = 200,
    B_LOCK_MULTI_WAIT = 300,
    B_LOCK_MULTI_NOWAIT = 400
};

/* Status codes the callers test. */
enum {
    B_OK = 0,
    B_INVALID_OPERATION = 1,
    B_IO_ERROR = 2,
    B_FILE_NOT_OPEN = 3,
    B_KEY_NOT_FOUND = 4,
    B_DUPLICATE_KEY = 5,
    B_INVALID_KEY_NUMBER = 6,
    B_DIFFERENT_KEY_NUMBER = 7,
    B_INVALID_POSITIONING = 8,
    B_END_OF_FILE = 9,
    B_MODIFIABLE_KEY_CHANGED = 10,
    B_INVALID_FILE_NAME = 11,
    B_FILE_NOT_FOUND = 12,
    B_DATA_BUFFER_TOO_SHORT = 22,
    B_KEY_BUFFER_TOO_SHORT = 21,
    B_INVALID_RECORD_ADDRESS = 43,
    B_CONFLICT = 80,
    B_RECORD_IN_USE = 84,
    B_FILE_IN_USE = 85,
    B_FILE_FULL = 86,
    B_TOO_MANY_FILES = 86,         /* the process ran out of file descriptors (EMFILE/ENFILE) */
    B_PERMISSION_ERROR = 94,
    B_SESSION_LOST = 95,           /* the server of a server folder cannot be reached, or the connection was lost */
    B_NOT_A_RECORD_FILE = 30,
    /* further codes this client gives */
    B_DISK_FULL = 18,
    B_PAGE_SIZE_ERROR = 24,
    B_INVALID_KEY_COUNT = 26,      /* too many keys or segments */
    B_INVALID_KEY_POSITION = 27,   /* segment outside the record, or a key left open */
    B_INVALID_RECORD_LENGTH = 28,
    B_INVALID_KEY_LENGTH = 29,
    B_NOT_ALLOWED = 41,            /* e.g. dropping a key that is not supplemental */
    B_INVALID_KEY_FLAGS = 45,
    B_INVALID_KEY_TYPE = 49,
    B_TRANSACTION_ACTIVE = 37,     /* begin transaction while one is active */
    B_NO_TRANSACTION = 39,         /* end or abort transaction without a begin */
    B_DEADLOCK = 78,               /* a wait lock that could never, or not within RECMAN_LOCK_WAIT_MS, be had */
    B_LOCK_ERROR = 81
};

/* Key-segment flags (word 2 of a 16-byte segment specification). */
enum {
    KF_DUPLICATES = 0x0001,
    KF_MODIFIABLE = 0x0002,
    KF_SEGMENTED = 0x0010,   /* another segment of this key follows */
    KF_ALT_COLLATE = 0x0020,
    KF_DESCENDING = 0x0040,
    KF_SUPPLEMENTAL = 0x0080,
    KF_EXTENDED = 0x0100,
    KF_NO_CASE = 0x0400
};

/* Extended key types (byte 10 of a segment specification). */
enum {
    KT_STRING = 0,
    KT_INTEGER = 1,
    KT_FLOAT = 2,
    KT_ZSTRING = 11,
    KT_UNSIGNED = 14,
    KT_AUTOINC = 15
};

/* File flags (word at byte 10 of the file specification). */
enum { FF_VARIABLE = 0x0001 };

enum {
    RECMAN_CLIENT_BLOCK = 872,   /* six 144-byte paths and two 32-bit values */
    RECMAN_STAT_BUFFER = 1819,   /* largest block BtrStat writes */
    RECMAN_COLLATE_SIZE = 265,
    RECMAN_MAX_SEGMENTS = 96
};

/* Bounded waits, in milliseconds (see "Locks", "Open modes" and
 * "Transactions" above). */
enum {
    RECMAN_BUSY_WAIT_MS = 10000,  /* a read or write waits this long for another process's write: then 85 */
    RECMAN_TRAN_WAIT_MS = 5000,   /* a transaction's first write to a file; a reader waiting for another
                                     process's transaction to finish its commits: then 85 */
    RECMAN_LOCK_WAIT_MS = 3000    /* a wait lock (bias 100/300) held by another process: then 78 */
};

/* 200: the 872-byte block is kept (BtrGetClientConfig gives it back); an
 * all-zero block ends the client session: every handle is closed. */
RECMAN_API int BtrSetClientConfig(const void* block);               /* 200 */
RECMAN_API int BtrGetClientConfig(void* block);                     /* 201 */
RECMAN_API int BtrOpenFile(uint16_t* handle, const char* path, int mode, int reserved); /* 202 */
RECMAN_API int BtrCloseFile(uint16_t handle);                       /* 203 */
RECMAN_API int BtrGet(int op, uint16_t handle, void* key, void* data, int length); /* 205 */
/* 206: op 23 stores the current record's position in *position; op 0 makes
 * the record at *position current again (43 when it is gone). */
RECMAN_API int BtrPosition(int op, uint16_t handle, uint32_t* position); /* 206 */
/* 207: key -1 or second -1 leave that value; the second value is kept for
 * BtrGetDefaults only. A key number the file does not have gives 6. */
RECMAN_API int BtrSetDefaults(uint16_t handle, int key, int second); /* 207 */
RECMAN_API int BtrUnlock(int key, uint16_t handle, const uint32_t* position); /* 208 */
RECMAN_API int BtrWrite(int op, uint16_t handle, void* key, void* data, int length); /* 209 */
/* 210: drops supplemental key `key` (key < 0: the handle's current key).
 * Keys above it move down one number; handles on the dropped key go to key
 * 0. A key given at creation cannot be dropped (41). */
RECMAN_API int BtrDropSupIndex(uint16_t handle, int key);           /* 210 */
RECMAN_API int BtrCall211(uint16_t handle);  /* drop the supplemental index of the selected key */
RECMAN_API int BtrCall212(uint16_t handle);  /* maintenance after a rebuild: no work needed here */
RECMAN_API int BtrStat(uint16_t handle, void* buffer);              /* 213 */
/* 216: block = one key's segments (ended by a segment without KF_SEGMENTED),
 * then optionally a collating sequence; length = the block's length. The
 * key gets the next free number, is filled at once and becomes the handle's
 * current key. A supplemental key equal to one the file has is not made
 * twice: that one is selected. 5 when a key without duplicates meets
 * duplicate values (the file is left as it was). */
RECMAN_API int BtrCreateSupIndex(uint16_t handle, int length, const void* block); /* 216 */
RECMAN_API int BtrGetDefaults(uint16_t handle, int* key, int* second); /* 217 */
RECMAN_API int BtrCall218(uint16_t handle);  /* bytes returned by the last read (0 for an unknown handle) */
RECMAN_API int32_t BtrGetRecordCount(uint16_t handle);              /* 219: the count, or -1 */
RECMAN_API int BtrLockDelay(int count);                             /* 220: waits count x 50 ms */
/* Transactions: op B_BEGIN_TRAN 19, B_END_TRAN 20, B_ABORT_TRAN 21 (see
 * "Transactions" above; BtrGet and BtrWrite take these operations too). */
RECMAN_API int BtrTransaction(int op);
/* Savepoints inside a transaction (see "Savepoints" above). */
enum { RECMAN_SAVEPOINT_SET = 1, RECMAN_SAVEPOINT_RELEASE = 2, RECMAN_SAVEPOINT_UNDO = 3 };
RECMAN_API int BtrSavepoint(int op);
/* 227: fills buffer as BtrStat does and returns a pointer into it at the
 * first segment of `key`, or null (unknown handle or key). */
RECMAN_API void* BtrGetKeyInfo(uint16_t handle, void* buffer, int key); /* 227 */
RECMAN_API int BtrCreateFile(const char* path, const void* fileSpec, const void* keySpecs); /* 1 */
RECMAN_API int BtrGetAltCollating(void* buffer);                    /* 2: 265 bytes */
/* 102: *version = 1, revision "00" (3 bytes with the NUL), platform "L" (2). */
RECMAN_API int BtrGetVersion(int16_t* version, char* revision, char* platform); /* 102 */

/* Table objects (300, 301, 303, 304): a file opened through a small object.
 * BtrTableCreate(record length, longest path) gives null for lengths below 1;
 * BtrTableOpen opens the path (mode 0) into the object; BtrTableHandle (also
 * ordinal 302) gives its handle for the other calls (0 when closed);
 * BtrTableFree closes it when open and frees the object. */
typedef struct RecmanTable RecmanTable;
RECMAN_API RecmanTable* BtrTableCreate(int recordLength, int nameLength); /* 300 */
RECMAN_API int BtrTableOpen(RecmanTable* table, const char* path);       /* 301 */
RECMAN_API int BtrTableClose(RecmanTable* table);                        /* 303 */
RECMAN_API void BtrTableFree(RecmanTable* table);                        /* 304 */
RECMAN_API uint16_t BtrTableHandle(const RecmanTable* table);

/* Removes the transaction markers in the folder that processes stopped
 * outside a commit left behind (naming no transaction, no longer held);
 * a marker that names a transaction is kept for its files' next open.
 * The number removed. */
RECMAN_API int RecmanClearStaleMarkers(const char* folder);

/* Data files as wholes, in a local folder or a server folder alike (so that
 * no caller needs to know where a file lives):
 * RecmanFileExists: 1 when the path names a data file (local: a regular
 *   file there, whatever it holds), 0 when not.
 * RecmanFileInUse: 1 when a process other than this one has the file open
 *   (on a server: a process of any machine), 0 when not (also when the file
 *   is not there).
 * RecmanRemoveFile: removes a data file; 12 when there is none, 85 when
 *   this or another process has it open.
 * RecmanRenameFile: gives a data file another name in its folder, replacing
 *   a file of that name; 12 without the source, 85 when either is open
 *   (this or another process). Between a local folder and a server folder,
 *   or two servers, the file is copied and the source removed.
 * RecmanCopyFile: copies a data file (its specification, keys with their
 *   supplemental keys, and records in position order) to another path,
 *   replacing a closed file there; works between any two folders, local or
 *   on a server. The source is read in one transaction-free pass while it
 *   may be open elsewhere; a caller that needs one consistent state of
 *   several files reads them inside a transaction (as a backup does).
 * RecmanListFiles: calls `each` with the name of every data file of a
 *   folder (local: every regular file that holds a data file of this
 *   manager; server: every file of the folder's schema), in name order;
 *   0 or a status. */
RECMAN_API int RecmanFileExists(const char* path);
RECMAN_API int RecmanFileInUse(const char* path);
RECMAN_API int RecmanRemoveFile(const char* path);
RECMAN_API int RecmanRenameFile(const char* from, const char* to);
RECMAN_API int RecmanCopyFile(const char* from, const char* to);
RECMAN_API int RecmanListFiles(const char* folder, void (*each)(const char* name, void* context), void* context);

/* The entry of an ordinal, or null. */
RECMAN_API void* RecmanOrdinal(int ordinal);

#ifdef __cplusplus
}
#endif

#endif
