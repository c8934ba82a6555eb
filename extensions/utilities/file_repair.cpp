// Dropping the supplemental indexes of a data file, rebuilding a data file
// record by record, the runs of either over the check table and the key
// poll that stops them.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <recman.h>

#include "bwps/catalogue.h"
#include "bwps/check_table.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/screen_utils.h"
#include "bwps/status_windows.h"
#include "extensions/convert/notice.h"
#include "extensions/utilities/utilities.h"
#include "extensions/utilities/utilities_testing.h"
#include "fx.h"

void ResetAuditFile();

namespace {

using bwps::FileNo;
using bwps::No;

FileCheckRow* g_checkTable = nullptr;

constexpr int kBufferSize = 4096;
constexpr int kOpenOperation = -100;
constexpr int kStatOperation = 12;
constexpr int kCreateFromStatOperation = 14;
constexpr int kModeAccelerated = 0x400;
constexpr int kModeReadOnly = 0x200;
constexpr int kModeNew = 0x100;
constexpr int kStopQuestion = 1519;
constexpr int kHeaderRebuildFailed = 343;
constexpr int kRecordsKeptAside = 3010;

// Statistics block: file specification, then segments.
constexpr int kStatLengthAt = 1817;
constexpr int kSpecRecordLength = 0;
constexpr int kSpecPageSize = 2;
constexpr int kSpecKeyCount = 4;
constexpr int kSpecRecordCount = 6;
constexpr int kSpecFlags = 10;
constexpr int kSegmentFlags = 4;

// The record manager read-locks this byte of a data file while a handle has
// it open; a write lock on it proves that no process has the file open.
constexpr off_t kOpenByte = (off_t(1) << 40) - 1;

// A private catalogue entry of the query-expression file: its NEW copy is
// built from these values and its key definitions.
constexpr const char* kQueryExportName = "bposqexp.db";
constexpr int kQueryExportRecordLength = 327;
constexpr int kQueryExportPageSize = 1024;

uint16_t U16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

int32_t I32(const uint8_t* p)
{
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::string FilePathOf(int fileNumber)
{
    if (fileNumber == CHECK_CONVERSION_FILE) {
        char buffer[FOLDER_BUFFER_SIZE] = {};
        GetConversionFilePath(CHECK_CONVERSION_FILE, buffer);
        return buffer;
    }
    const char* path = GetDataFilePath(fileNumber);
    return path != nullptr ? path : "";
}

std::string FileNameOf(int fileNumber)
{
    if (fileNumber == CHECK_CONVERSION_FILE) {
        char buffer[FOLDER_BUFFER_SIZE] = {};
        GetConversionFileName(CHECK_CONVERSION_FILE, buffer);
        return buffer;
    }
    const char* name = GetDataFileName(fileNumber);
    return name != nullptr ? name : "";
}

// The path with the extension of its file name replaced.
std::string WithExtension(const std::string& path, const char* extension)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.find('.', slash == std::string::npos ? 0 : slash + 1);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + "." + extension;
}

bool Missing(const std::string& path)
{
    return path.empty() || FxFileAccess(path.c_str(), 0) != 0;
}

// The file's attributes cannot be read, or it is read-only.
bool ReadOnly(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return true;
    return ::access(path.c_str(), W_OK) != 0;
}

// A data file and the two files the database library keeps beside it.
void RemoveDataFile(const std::string& path)
{
    ::unlink(path.c_str());
    ::unlink((path + "-wal").c_str());
    ::unlink((path + "-shm").c_str());
}

// The first status 0 of a key poll answered once, through the walk.
void Poll(UtilityRunContext* context, int32_t* interrupted)
{
    if (interrupted != nullptr && *interrupted == 0)
        *interrupted = PollInterruptKey(context, 0);
}

// Puts the rebuilt file in place of the data file in one rename: at every
// moment the path names either the old file or the whole rebuilt one. A
// file that any process (this one included) has open is left alone: 85.
int SwapInRebuiltFile(const std::string& rebuilt, const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? B_FILE_NOT_FOUND : B_PERMISSION_ERROR;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kOpenByte;
    fl.l_len = 1;
    int status = 0;
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        status = B_FILE_IN_USE;
    } else {
        // Nothing has the old file open, so its -wal holds no frames of its
        // own (the last close folded them in); one left beside it must not
        // be replayed into the rebuilt file.
        ::unlink((path + "-wal").c_str());
        ::unlink((path + "-shm").c_str());
        if (::rename(rebuilt.c_str(), path.c_str()) != 0)
            status = B_IO_ERROR;
    }
    ::close(fd);
    return status;
}

// ---- Making the NEW file

struct RecoverFiles {
    int fileNumber = 0;
    std::string path, oldPath, newPath, rejectPath;
    int rejected = 0;   // records kept in the REJ file by this recover
    uint16_t slots[FILE_LIST_SLOTS] = {};
    uint8_t spec[FILE_SPEC_SIZE] = {};
    bool sourceOpen = false;
};

int CreateQueryExportFile(RecoverFiles& f)
{
    std::memset(f.spec, 0, sizeof f.spec);
    uint16_t recordLength = kQueryExportRecordLength;
    if (f.sourceOpen) {
        std::vector<uint8_t> stat(RECMAN_STAT_BUFFER);
        if (BtrStat(f.slots[1], stat.data()) == 0)
            recordLength = U16(stat.data() + kSpecRecordLength);
    }
    std::vector<uint8_t> segments(SEGMENT_BUFFER_SIZE);
    int count = 0;
    const int status = ReadFileKeySpecs(kQueryExportName, 0, &count, segments.data());
    if (status != 0)
        return status;
    const uint16_t pageSize = kQueryExportPageSize;
    std::memcpy(f.spec + kSpecRecordLength, &recordLength, 2);
    std::memcpy(f.spec + kSpecPageSize, &pageSize, 2);
    f.spec[kSpecKeyCount] = static_cast<uint8_t>(count);
    const int created = BtrCreateFile(f.newPath.c_str(), f.spec, segments.data());
    if (created != 0)
        ShowRecordManagerError(created, 1, 0, f.newPath.c_str(), 0);
    return created;
}

// The source's own specification and its keys up to the first
// supplemental one.
int CreateFromSourceStat(RecoverFiles& f)
{
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER);
    int status = BtrStat(f.slots[1], stat.data());
    if (status != 0) {
        ShowRecordManagerError(status, 1, kStatOperation, f.path.c_str(), 0);
        return status;
    }
    std::memset(f.spec, 0, sizeof f.spec);
    std::memcpy(f.spec + kSpecRecordLength, stat.data() + kSpecRecordLength, 2);
    std::memcpy(f.spec + kSpecPageSize, stat.data() + kSpecPageSize, 2);
    std::memcpy(f.spec + kSpecFlags, stat.data() + kSpecFlags, 2);
    const int keys = stat[kSpecKeyCount];
    std::vector<uint8_t> segments(SEGMENT_BUFFER_SIZE + KEY_SEGMENT_SIZE);
    const uint8_t* segment = stat.data() + FILE_SPEC_SIZE;
    const uint8_t* end = stat.data() + kStatLengthAt;
    size_t taken = 0;
    int keysTaken = 0;
    for (int k = 0; k < keys && segment + KEY_SEGMENT_SIZE <= end; ++k) {
        if (U16(segment + kSegmentFlags) & KF_SUPPLEMENTAL)
            break;
        for (;;) {
            if (taken + KEY_SEGMENT_SIZE > SEGMENT_BUFFER_SIZE || segment + KEY_SEGMENT_SIZE > end)
                break;
            std::memcpy(segments.data() + taken, segment, KEY_SEGMENT_SIZE);
            taken += KEY_SEGMENT_SIZE;
            const bool more = U16(segment + kSegmentFlags) & KF_SEGMENTED;
            segment += KEY_SEGMENT_SIZE;
            if (!more)
                break;
        }
        ++keysTaken;
    }
    f.spec[kSpecKeyCount] = static_cast<uint8_t>(keysTaken);
    status = BtrCreateFile(f.newPath.c_str(), f.spec, segments.data());
    if (status != 0)
        ShowRecordManagerError(status, 1, kCreateFromStatOperation, f.newPath.c_str(), 0);
    return status;
}

bool UsesOwnFileSpec(int fileNumber)
{
    return fileNumber != CHECK_CONVERSION_FILE && fileNumber != No(FileNo::DictionaryColumns) &&
           fileNumber != No(FileNo::FormVariables);
}

int CreateNewFile(RecoverFiles& f)
{
    if (f.fileNumber == No(FileNo::QueryExpressions))
        return CreateQueryExportFile(f);
    if (!UsesOwnFileSpec(f.fileNumber)) {
        // Without a readable source there is nothing to take the layout from.
        if (!f.sourceOpen) {
            ShowRecordManagerError(B_NOT_A_RECORD_FILE, 1, kOpenOperation, f.path.c_str(), 0);
            return B_NOT_A_RECORD_FILE;
        }
        return CreateFromSourceStat(f);
    }
    char folder[FOLDER_BUFFER_SIZE] = {};
    GetDataFileFolder(f.fileNumber, folder);
    const int status = CreateSessionDataFile(f.fileNumber, 0, folder, "NEW", f.spec);
    if (status != 0)
        ShowRecordManagerError(status, 1, kStatOperation, f.newPath.c_str(), 0);
    return status;
}

// Opens the data file and creates the empty NEW file. 0, or the status to
// give back (the source stays closed).
int PrepareRecoverFiles(RecoverFiles& f)
{
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, f.path.c_str(), kModeAccelerated, 0);
    if (status == B_PERMISSION_ERROR || status == B_FILE_IN_USE || status == B_FILE_NOT_FOUND ||
        status == 88)
        return status;
    if (status != 0 && status != B_NOT_A_RECORD_FILE) {
        status = BtrOpenFile(&handle, f.path.c_str(), kModeReadOnly, 0);
        if (status == B_PERMISSION_ERROR || status == B_FILE_IN_USE || status == B_FILE_NOT_FOUND) {
            ShowRecordManagerError(B_PERMISSION_ERROR, 1, kOpenOperation, f.path.c_str(), kModeReadOnly);
            return B_PERMISSION_ERROR;
        }
    }
    if (status == 0) {
        f.slots[1] = handle;
        f.sourceOpen = true;
    } else {
        f.slots[1] = 0;
    }
    const int created = CreateNewFile(f);
    if (created != 0) {
        CloseFileList(f.slots);
        f.sourceOpen = false;
        return created;
    }
    return 0;
}

// A source that the record manager cannot open is copied to the OLD name
// and read from there, so that nothing is ever written to the data file
// itself. 0, or the copy's failure.
int CopyDamagedFile(RecoverFiles& f)
{
    ::unlink(f.oldPath.c_str());
    if (FxFileCopy(f.oldPath.c_str(), f.path.c_str()) != 0)
        return errno != 0 ? errno : B_IO_ERROR;
    // A -wal file beside the damaged file holds its last commits: it goes
    // with the copy.
    const std::string wal = f.path + "-wal";
    if (FxFileAccess(wal.c_str(), 0) == 0 && FxFileCopy((f.oldPath + "-wal").c_str(), wal.c_str()) != 0)
        return errno != 0 ? errno : B_IO_ERROR;
    return 0;
}

int OpenRecoverFiles(RecoverFiles& f, int32_t& total)
{
    int status = BtrOpenFile(&f.slots[0], f.newPath.c_str(), kModeNew, 0);
    if (status != 0) {
        f.slots[0] = 0;
        ShowRecordManagerError(status, 1, kOpenOperation, f.newPath.c_str(), kModeNew);
        return status;
    }
    if (f.slots[1] == 0) {
        status = BtrOpenFile(&f.slots[1], f.oldPath.c_str(), kModeReadOnly, 0);
        if (status != 0) {
            f.slots[1] = 0;
            // The copy goes at the end of the recover: the report names the
            // data file that the user knows.
            ShowRecordManagerError(status, 1, kOpenOperation, f.path.c_str(), kModeReadOnly);
            return status;
        }
    }
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER);
    total = BtrStat(f.slots[1], stat.data()) == 0 ? I32(stat.data() + kSpecRecordCount) : -1;
    if ((U16(stat.data() + kSpecFlags) & FF_VARIABLE) != 0) {
        const uint16_t flags = static_cast<uint16_t>(U16(f.spec + kSpecFlags) | FF_VARIABLE);
        std::memcpy(f.spec + kSpecFlags, &flags, 2);
    }
    return 0;
}

// Closes both files; a rebuilt file goes in place of the data file, a
// failed one is deleted; the OLD copy never stays.
int FinishRecover(RecoverFiles& f, int status)
{
    CloseFileList(f.slots);
    if (status == 0)
        status = SwapInRebuiltFile(f.newPath, f.path);
    if (status != 0)
        RemoveDataFile(f.newPath);
    RemoveDataFile(f.oldPath);
    return status;
}

void FinishRebuiltFile(const std::string& path)
{
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
        return;
    BtrCall212(handle);
    BtrCloseFile(handle);
}

// Status bytes of the master files: a record without one is active.
void SetDefaultActiveStatus(int fileNumber, uint8_t* record, int length)
{
    int at = -1;
    if (fileNumber == No(FileNo::Accounts))
        at = 568;
    else if (fileNumber == No(FileNo::Customers) || fileNumber == No(FileNo::Vendors))
        at = 734;
    else if (fileNumber == No(FileNo::Products))
        at = 667;
    else if (fileNumber == No(FileNo::Services))
        at = 195;
    if (at >= 0 && at < length && (record[at] == 0 || record[at] == ' '))
        record[at] = 'A';
}

// The product file's two amounts at 610 and 618 lose a negative zero or a
// value too small to be an amount.
void CleanProductAmounts(uint8_t* record, int length)
{
    for (int at : {610, 618}) {
        if (at + 8 > length)
            continue;
        double value;
        std::memcpy(&value, record + at, sizeof value);
        FxIsZeroAmount(&value);
        std::memcpy(record + at, &value, sizeof value);
    }
}

// Reads the record the source stands on whole: a variable-length record
// longer than the buffer is read again, by its position, into a larger one.
// The status and the record's length.
int ReadWhole(uint16_t source, std::vector<uint8_t>& buffer, int status, int& length)
{
    length = BtrCall218(source);
    while (status == 0 && length >= static_cast<int>(buffer.size())) {
        uint32_t position = 0;
        status = BtrGet(B_GET_POSITION, source, nullptr, &position, sizeof position);
        if (status != 0)
            break;
        buffer.assign(buffer.size() * 2, 0);
        std::memcpy(buffer.data(), &position, sizeof position);
        uint8_t key[256] = {};
        status = BtrGet(B_GET_DIRECT, source, key, buffer.data(), static_cast<int>(buffer.size()));
        length = BtrCall218(source);
    }
    return status;
}

// The rebuilt file takes the source's records whole: a source whose
// records are of another length than the file's (longer ones would be cut,
// shorter ones filled out) is not rebuilt. 0, or the status shown.
int CheckRecordLengths(RecoverFiles& f)
{
    std::vector<uint8_t> source(RECMAN_STAT_BUFFER), rebuilt(RECMAN_STAT_BUFFER);
    int status = BtrStat(f.slots[1], source.data());
    if (status != 0) {
        ShowRecordManagerError(status, 1, kStatOperation, f.path.c_str(), 0);
        return status;
    }
    status = BtrStat(f.slots[0], rebuilt.data());
    if (status != 0) {
        ShowRecordManagerError(status, 1, kStatOperation, f.newPath.c_str(), 0);
        return status;
    }
    if (U16(source.data() + kSpecRecordLength) != U16(rebuilt.data() + kSpecRecordLength)) {
        ShowRecordManagerError(B_INVALID_RECORD_LENGTH, 1, kStatOperation, f.path.c_str(), 0);
        return B_INVALID_RECORD_LENGTH;
    }
    return 0;
}

// Keeps a record the rebuilt file refused in the REJ file beside the data
// file: its length (32-bit, little-endian), then its bytes. Records are
// added after those of earlier recovers. 0, or the failure.
int KeepRejectedRecord(RecoverFiles& f, const uint8_t* record, int length)
{
    const int fd = ::open(f.rejectPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0660);
    if (fd < 0)
        return B_IO_ERROR;
    std::vector<uint8_t> entry(4 + static_cast<size_t>(length));
    const uint32_t size = static_cast<uint32_t>(length);
    for (int i = 0; i < 4; ++i)
        entry[static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (8 * i));
    std::memcpy(entry.data() + 4, record, static_cast<size_t>(length));
    const bool written = ::write(fd, entry.data(), entry.size()) == static_cast<ssize_t>(entry.size());
    const bool synced = written && ::fsync(fd) == 0;
    ::close(fd);
    if (!synced)
        return B_IO_ERROR;
    ++f.rejected;
    return 0;
}

int CopyRecords(RecoverFiles& f, int32_t total, UtilityRunContext* context, int32_t* interrupted,
                int quiet)
{
    const bool variable = (U16(f.spec + kSpecFlags) & FF_VARIABLE) != 0;
    std::vector<uint8_t> buffer(kBufferSize);
    std::vector<uint8_t> asRead;   // the record before the copy's changes
    const uint16_t source = f.slots[1], target = f.slots[0];
    uint8_t key[256] = {};
    const int readLength = [&] { return variable ? static_cast<int>(buffer.size()) : 0; }();
    int status = BtrGet(B_STEP_FIRST, source, key, buffer.data(), readLength);
    int length = 0;
    if (status == 0 && variable)
        status = ReadWhole(source, buffer, status, length);
    if (status != 0) {
        if (status == B_END_OF_FILE)
            return 0;
        ShowRecordManagerError(status, 1, B_STEP_FIRST, f.oldPath.c_str(), 0);
        return status;
    }
    for (int32_t counter = 1;; ++counter) {
        if (!quiet)
            Poll(context, interrupted);
        AddStatusLine(1, 0, &counter);
        if (total > 0) {
            const int32_t percent =
                static_cast<int32_t>(FxAmountCorrect(100.0 * counter / total, 0));
            if (percent % 10 == 0)
                AddStatusLine(2, 0, &percent);
        }
        const int recordLength =
            variable ? length : static_cast<int>(U16(f.spec + kSpecRecordLength));
        asRead.assign(buffer.begin(), buffer.begin() + std::min<size_t>(buffer.size(), static_cast<size_t>(recordLength)));
        if (f.fileNumber == No(FileNo::Products))
            CleanProductAmounts(buffer.data(), recordLength);
        SetDefaultActiveStatus(f.fileNumber, buffer.data(), recordLength);
        status = BtrWrite(B_INSERT, target, nullptr, buffer.data(), variable ? length : 0);
        if (status != 0) {
            ShowRecordManagerError(status, 1, B_INSERT, f.newPath.c_str(), 0);
            if (status != B_DUPLICATE_KEY)
                return status;
            // A record left out of the rebuilt file is kept, or the file is
            // not rebuilt.
            status = KeepRejectedRecord(f, asRead.data(), static_cast<int>(asRead.size()));
            if (status != 0) {
                ShowRecordManagerError(status, 1, B_INSERT, f.rejectPath.c_str(), 0);
                return status;
            }
        }
        status = BtrGet(B_STEP_NEXT, source, key, buffer.data(),
                        variable ? static_cast<int>(buffer.size()) : 0);
        if (status == 0 && variable)
            status = ReadWhole(source, buffer, status, length);
        if (status != 0)
            break;
    }
    if (status == B_END_OF_FILE)
        return 0;
    ShowRecordManagerError(status, 1, B_STEP_NEXT, f.oldPath.c_str(), 0);
    return status;
}

// This process itself has the file open: one of its descriptors is the
// file's (a handle of the caller, such as the company list of the dialog
// that asked for a conversion).
bool HeldOpenHere(const std::string& path)
{
    struct stat target {};
    if (path.empty() || ::stat(path.c_str(), &target) != 0)
        return false;
    DIR* fds = ::opendir("/proc/self/fd");
    if (fds == nullptr)
        return false;
    bool held = false;
    while (const dirent* e = ::readdir(fds)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        struct stat st {};
        if (::fstat(std::atoi(e->d_name), &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino) {
            held = true;
            break;
        }
    }
    ::closedir(fds);
    return held;
}

const char* RowDescription(const FileCheckRow& row)
{
    return CheckEntryDescription(row.FileNumber);
}

int OverAllFiles(UtilityRunContext* context, int selection, int operation, int* current, int32_t* interrupted,
                 int quiet, bool passOwnOpen)
{
    if (g_checkTable == nullptr)
        LoadCheckTableCopy();
    if (g_checkTable == nullptr)
        return -1;
    int status = 0;
    for (int i = 1; i < GetCheckTableSize() && g_checkTable[i].FileNumber != 0 && status == 0; ++i) {
        const int file = selection == CHECK_ALL_FILES ? g_checkTable[i].FileNumber : 0;
        if (current != nullptr)
            *current = file;
        if (file == 0)
            continue;
        if (GetStatusWindowQuiet())
            AddStatusLine(0, 0, FileNameOf(file).c_str());
        else
            AddStatusLine(0, 0, RowDescription(g_checkTable[i]));
        if (operation == UTILITY_DROP_INDEXES) {
            status = DropFileIndexes(context, file, interrupted);
            if (status == B_KEY_NOT_FOUND)
                status = 0;
        } else if (operation == UTILITY_RECOVER) {
            status = RecoverFile(context, file, interrupted, quiet);
            if (status == B_FILE_NOT_FOUND)
                status = 0;
            // In use by this very process: the caller keeps it open on
            // purpose, and it stays as it is.
            if (status == B_FILE_IN_USE && passOwnOpen && HeldOpenHere(FilePathOf(file)))
                status = 0;
        }
        if (interrupted != nullptr && *interrupted != 0)
            break;
    }
    return status;
}

}  // namespace

// ---- The check-table copy

BWPS1_API void LoadCheckTableCopy(void)
{
    if (g_checkTable == nullptr) {
        const int count = GetCheckTableSize();
        const int size = GetCheckTableEntrySize();
        if (count <= 0 || size <= 0)
            return;
        g_checkTable = static_cast<FileCheckRow*>(FxAlloc(count, size));
    }
    if (g_checkTable != nullptr)
        CopyCheckTable(g_checkTable);
}

BWPS1_API void FreeCheckTableCopy(void)
{
    FxFree(g_checkTable);
    g_checkTable = nullptr;
}

BWPS1_API FileCheckRow* CheckTableCopy(void) { return g_checkTable; }

BWPS1_API const char* CheckEntryDescription(int fileNumber)
{
    static std::string text;
    const FileCheckRow* row = FindCheckEntry(fileNumber);
    if (row == nullptr)
        return "";
    // Only a keyed text (" K  Description") carries its key before the
    // description; a plain one is the description whole.
    if (row->Description != nullptr && row->Description[0] == ' ' && std::strlen(row->Description) > 4)
        text = row->Description + 4;
    else if (row->Description != nullptr && *row->Description != '\0')
        text = row->Description;
    else
        text = fileNumber == CHECK_ALL_FILES ? "All Files" : FileNameOf(fileNumber);
    return text.c_str();
}

BWPS1_API void ResetUtilitiesState(void)
{
    ResetAuditFile();
    FreeCheckTableCopy();
}

// ---- Key poll

BWPS1_API int32_t PollInterruptKey(UtilityRunContext* context, int32_t interrupted)
{
    if (interrupted != 0)
        return 1;
    FxPump();
    int32_t key = 0;
    if (FxKeyRead(&key, 0, 1) == 0)
        return 0;
    int choice = 1;
    if (AskMessage(kStopQuestion, 1, &choice, "\001No,Yes", nullptr, -1, -1, 0, 0, 0) != 0 ||
        choice != 2)
        return 0;
    FxStatus* message = FxStatusOpen(nullptr, 0);
    if (message != nullptr) {
        FxStatusSetLine(message, 0, "Completing current file");
        FxStatusSetLine(message, 1, "Please wait");
    }
    if (context != nullptr)
        context->stopMessage = message;
    else if (message != nullptr)
        FxStatusClose(message);
    return 1;
}

BWPS1_API int ReportFileError(int status, int kind, int operation, int fileNumber, int mode)
{
    const std::string path = FilePathOf(fileNumber);
    ShowRecordManagerError(status, kind, operation, path.c_str(), mode);
    return 0;
}

// ---- Dropping the supplemental indexes

BWPS1_API int DropFileIndexes(UtilityRunContext* context, int fileNumber, int32_t* interrupted)
{
    const std::string path = FilePathOf(fileNumber);
    if (Missing(path))
        return fileNumber == CHECK_CONVERSION_FILE ? 0 : B_FILE_NOT_FOUND;
    if (ReadOnly(path))
        return B_PERMISSION_ERROR;
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, path.c_str(), kModeAccelerated, 0);
    if (status != 0) {
        ShowRecordManagerError(status, 1, kOpenOperation, path.c_str(), kModeAccelerated);
        return status;
    }
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER);
    status = BtrStat(handle, stat.data());
    if (status != 0) {
        ShowRecordManagerError(status, 1, kStatOperation, path.c_str(), 0);
        BtrCloseFile(handle);
        return status;
    }
    const int returned = U16(stat.data() + kStatLengthAt);
    int body = returned - FILE_SPEC_SIZE;
    if (body % 2 != 0)
        body -= RECMAN_COLLATE_SIZE;
    const int segments = body > 0 ? body / KEY_SEGMENT_SIZE : 0;
    auto flagsOf = [&](int s) { return U16(stat.data() + FILE_SPEC_SIZE + s * KEY_SEGMENT_SIZE + kSegmentFlags); };
    int cursor = segments - 1;
    bool supplemental = false;
    for (int k = stat[kSpecKeyCount] - 1; k >= 0 && cursor >= 0; --k) {
        Poll(context, interrupted);
        if (flagsOf(cursor) & KF_SUPPLEMENTAL) {
            supplemental = true;
            BtrSetDefaults(handle, k, 0);
            const int dropped = BtrCall211(handle);
            if (dropped != 0)
                ShowRecordManagerError(dropped, 1, kStatOperation, path.c_str(), 0);
        }
        --cursor;
        while (cursor >= 0 && (flagsOf(cursor) & KF_SEGMENTED))
            --cursor;
    }
    BtrCall212(handle);
    BtrCloseFile(handle);
    return supplemental ? 0 : B_KEY_NOT_FOUND;
}

// ---- Rebuilding a file

BWPS1_API int RecoverFile(UtilityRunContext* context, int fileNumber, int32_t* interrupted, int quiet)
{
    void* block = FxAlloc(1, kBufferSize);
    if (block == nullptr)
        return -1;
    FxFree(block);
    RecoverFiles f;
    f.fileNumber = fileNumber;
    f.path = FilePathOf(fileNumber);
    if (Missing(f.path))
        return fileNumber == CHECK_CONVERSION_FILE ? 0 : B_FILE_NOT_FOUND;
    if (ReadOnly(f.path))
        return B_PERMISSION_ERROR;
    f.oldPath = WithExtension(f.path, "OLD");
    f.newPath = WithExtension(f.path, "NEW");
    f.rejectPath = WithExtension(f.path, "REJ");
    f.slots[1] = 0xFFFF;

    int status = PrepareRecoverFiles(f);
    if (status != 0)
        return status;
    if (!f.sourceOpen) {
        status = CopyDamagedFile(f);
        if (status != 0) {
            ShowMessage(kHeaderRebuildFailed, 1);
            return FinishRecover(f, status);
        }
    }
    int32_t total = -1;
    status = OpenRecoverFiles(f, total);
    if (status == 0)
        status = CheckRecordLengths(f);
    if (status == 0)
        status = CopyRecords(f, total, context, interrupted, quiet);
    status = FinishRecover(f, status);
    if (status == 0)
        FinishRebuiltFile(f.path);
    if (f.rejected > 0)
        bwps1::convert::ShowMessageWithLine(kRecordsKeptAside, f.rejectPath.substr(f.rejectPath.rfind('/') + 1));
    return status;
}

// ---- Runs over every file

BWPS1_API int RunUtilityOverAllFiles(UtilityRunContext* context, int selection, int operation,
                                     int* current, int32_t* interrupted, int quiet)
{
    return OverAllFiles(context, selection, operation, current, interrupted, quiet, false);
}

int RecoverAllFilesButOwnOpen(UtilityRunContext* context, int* current, int32_t* interrupted)
{
    return OverAllFiles(context, CHECK_ALL_FILES, UTILITY_RECOVER, current, interrupted, 1, true);
}
