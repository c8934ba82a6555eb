// The key-definition file BPOSKEY.DB (file 88) and the creation of data
// files from it; the small repairs run when the interface record loads.

#include "bwps/catalogue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bwps/messages.h"
#include "bwps/records.h"
#include "recman.h"
#include "session/catalogue_internal.h"
#include "bwps/files.h"
#include "bwps/table.h"

using bwps::FileNo;
using bwps::No;
using bwps::Status;
using bwps::Table;

using bwps::catalogue::Concat;
using bwps::catalogue::MoveFile;
using bwps::catalogue::Progress;
using bwps::catalogue::StatRecordLength;

namespace {

constexpr int kNameCompare = 15;   // key 0 of the key file: the name, 15 bytes
constexpr int kOldSalesHeaderLength = 531;
constexpr int kSalesHeaderLength = 586;
constexpr int kProductLength = 668;
constexpr int kConversionFailedMessage = 831;

bool SameName(const char* a, const char* b)
{
    return strncasecmp(a, b, kNameCompare) == 0;
}

// Opens the key-definition file; a failure is reported. The status.
int OpenKeyFile(Table& keys)
{
    const Status s = keys.Open(FileNo::KeyDefinitions);
    s.Report();
    return s.status;
}

// Files that hold card data (card transactions) or passwords (the users,
// and the settings files with the passwords record): read and written by
// their owner and group only.
constexpr mode_t kSecretMode = 0660;

bool HoldsSecrets(int fileNumber)
{
    switch (static_cast<FileNo>(fileNumber)) {
    case FileNo::CardTransactions:
    case FileNo::Users:
    case FileNo::General:
    case FileNo::AccountingGeneral:
        return true;
    default:
        return false;
    }
}

int CreateUnder(int fileNumber, uint16_t keyHandle, const char* folder, const char* extension,
                void* fileSpec, bool sessionName)
{
    const DataFileEntry* entry = GetDataFileEntry(fileNumber);
    if (fileNumber < 1 || fileNumber > DATA_FILE_COUNT)
        return -1;
    if (!entry->Name)
        return 0;

    unsigned char segments[SEGMENT_BUFFER_SIZE] = {};
    int count = 0;
    char keyName[FOLDER_BUFFER_SIZE];
    std::snprintf(keyName, sizeof keyName, "%s", GetDataFileName(fileNumber));
    int status = ReadFileKeySpecs(keyName, keyHandle, &count, segments);
    if (status != 0)
        return status;

    TagFileSpec spec{};
    spec.RecordLength = static_cast<uint16_t>(entry->RecordLength);
    spec.PageSize = static_cast<uint16_t>(entry->PageSize);
    spec.KeyCount = static_cast<uint8_t>(count);
    // The general settings files and the report-text file hold
    // variable-length records.
    if (fileNumber == No(FileNo::General) || fileNumber == No(FileNo::AccountingGeneral) ||
        fileNumber == No(FileNo::ReportTexts))
        spec.Flags = static_cast<uint16_t>(spec.Flags + FF_VARIABLE);
    if (fileSpec)
        std::memcpy(fileSpec, &spec, sizeof spec);

    char dir[FOLDER_BUFFER_SIZE];
    if (folder)
        std::snprintf(dir, sizeof dir, "%s", folder);
    else
        std::snprintf(dir, sizeof dir, "%s",
                      entry->Kind == FOLDER_BASE ? GetBasePath() : GetFilesPath());
    NormaliseFolder(dir);

    char name[FOLDER_BUFFER_SIZE];
    std::snprintf(name, sizeof name, "%s", sessionName ? GetDataFileName(fileNumber) : entry->Name);
    if (extension) {
        char* dot = std::strchr(name, '.');
        if (dot)
            dot[1] = '\0';
        else
            Concat(name, sizeof name, name, ".");
        Concat(name, sizeof name, name, extension);
    }

    char path[FOLDER_BUFFER_SIZE];
    Concat(path, sizeof path, dir, name);
    status = BtrCreateFile(path, &spec, segments);
    // Card data and passwords: never readable by everyone.
    if (status == 0 && HoldsSecrets(fileNumber))
        ::chmod(path, kSecretMode);
    Status{status, 0, static_cast<FileNo>(fileNumber)}.Report();
    return status;
}

// Creates one file in its own folder when its path does not exist, under
// the name that path uses (the accounting name for a file shared with the
// accounting company), so the file checked is the file created.
int CreateWhenMissing(FileNo file, uint16_t keyHandle)
{
    const char* path = GetDataFilePath(No(file));
    if (!path || FileExistsAt(path))
        return 0;
    char folder[FOLDER_BUFFER_SIZE];
    GetDataFileFolder(No(file), folder);
    unsigned char spec[FILE_SPEC_SIZE];
    return CreateSessionDataFile(No(file), keyHandle, folder, nullptr, spec);
}

}  // namespace

extern "C" {

int ReadFileKeySpecs(const char* name, uint16_t keyHandle, int* count, void* segments)
{
    Table keys;
    {
        const Status s = keys.Borrow(FileNo::KeyDefinitions, keyHandle);
        if (!s.Ok())
            return s.Report(), s.status;
    }
    const uint16_t handle = keys.Handle();

    char key[256] = {};
    std::memset(key, ' ', GENERAL_KEY_SIZE);
    const char* accounting = MapToAccountingFileName(name ? name : "");
    std::memcpy(key, accounting, std::min<size_t>(std::strlen(accounting), GENERAL_KEY_SIZE));

    TagKeyDefinition record{};
    char search[256];
    std::memcpy(search, key, sizeof search);
    int status = BtrGet(B_GET_GE, handle, search, &record, sizeof record);
    if (status == 0 && !SameName(record.FileName, key))
        status = B_END_OF_FILE;
    if (status != 0) {
        Status{status, B_GET_GE, FileNo::KeyDefinitions}.Report();
        return status;
    }

    unsigned char* out = static_cast<unsigned char*>(segments);
    int last = 0;
    int stored = 0;
    for (;;) {
        last = record.SegmentNumber;
        // The buffer holds at most SEGMENT_BUFFER_SIZE bytes of segments.
        if (stored < SEGMENT_BUFFER_SIZE / KEY_SEGMENT_SIZE && out)
            std::memcpy(out + KEY_SEGMENT_SIZE * stored, &record.Segment, KEY_SEGMENT_SIZE);
        ++stored;
        int next = BtrGet(B_GET_NEXT, handle, search, &record, sizeof record);
        if (next != 0) {
            if (next != B_END_OF_FILE)
                Status{next, B_GET_NEXT, FileNo::KeyDefinitions}.Report();
            break;
        }
        if (!SameName(record.FileName, key))
            break;
    }
    if (count)
        *count = last + 1;
    return 0;
}

int CreateDataFile(int fileNumber, uint16_t keyHandle, const char* folder, const char* extension,
                   void* fileSpec)
{
    return CreateUnder(fileNumber, keyHandle, folder, extension, fileSpec, false);
}

int CreateSessionDataFile(int fileNumber, uint16_t keyHandle, const char* folder,
                          const char* extension, void* fileSpec)
{
    return CreateUnder(fileNumber, keyHandle, folder, extension, fileSpec, true);
}

int CreateMissingDataFiles(const char* folder)
{
    Table keys;
    int status = OpenKeyFile(keys);
    if (status != 0)
        return status;
    const uint16_t keyHandle = keys.Handle();
    {
        Progress progress("RSMsgCreateFiles", 100);
        for (int file = 1; GetDataFileKind(file) != -1; ++file) {
            progress.Step();
            int kind = GetDataFileKind(file);
            if (kind != FOLDER_DATA && kind != FOLDER_SHARED)
                continue;
            unsigned char spec[FILE_SPEC_SIZE];
            status = CreateDataFile(file, keyHandle, folder, nullptr, spec);
            if (status != 0)
                break;
        }
    }
    return status;
}

int CheckNewFiles90(void)
{
    const int status = CreateWhenMissing(FileNo::ItemDetails, 0);
    if (status != 0) {
        Status{status, B_INSERT, FileNo::ItemDetails}.Report();
        return 0;
    }
    return 1;
}

int EnsureLaterReleaseFiles(void)
{
    static const FileNo kFiles[] = {FileNo::CardTransactions, FileNo::RegisterReconciliations,
                                    FileNo::PromotionHeader, FileNo::PromotionProducts,
                                    FileNo::ItemDetails};
    // A file whose folder is not known yet (an interfaced store before the
    // accounting company's folder is set) has no absolute path: it is never
    // made in the program's working folder.
    auto placed = [](FileNo file) {
        const char* path = GetDataFilePath(No(file));
        return path != nullptr && path[0] == '/';
    };
    bool anyMissing = false;
    for (FileNo file : kFiles)
        if (placed(file) && !FileExistsAt(GetDataFilePath(No(file))))
            anyMissing = true;
    if (!anyMissing)
        return 1;
    Table keys;
    if (OpenKeyFile(keys) != 0)
        return 0;
    for (FileNo file : kFiles)
        if (placed(file) && CreateWhenMissing(file, keys.Handle()) != 0)
            return 0;
    return 1;
}

int ConvertSalesHeaderFile(void)
{
    char path[FOLDER_BUFFER_SIZE];
    Concat(path, sizeof path, GetDataFilePath(No(FileNo::SalesHeader)), "");

    int status = 0;
    int32_t length = -1;
    {
        Table headers;
        Status s = headers.OpenPath(FileNo::SalesHeader, path);
        if (s.Ok()) {
            length = StatRecordLength(headers.Handle(), &status);
            if (length < 0)
                s = {status, bwps::kOpenOperation, FileNo::SalesHeader};
        }
        if (!s.Ok()) {
            s.Report();
            return 0;
        }
    }
    if (length != kOldSalesHeaderLength)
        return 1;

    // Set the old file aside under a temporary name in the data folder.
    char folder[FOLDER_BUFFER_SIZE];
    std::snprintf(folder, sizeof folder, "%s", GetFilesPath());
    NormaliseFolder(folder);
    char temp[FOLDER_BUFFER_SIZE];
    Concat(temp, sizeof temp, folder, "IFXXXXXX");
    int fd = mkstemp(temp);
    if (fd < 0)
        return 0;
    close(fd);
    unlink(temp);
    std::strncat(temp, ".db", sizeof temp - std::strlen(temp) - 1);
    if (!MoveFile(path, temp)) {
        ShowMessage(kConversionFailedMessage, 1);
        return 0;
    }

    {
        Table keys;
        status = OpenKeyFile(keys);
        if (status == 0) {
            unsigned char spec[FILE_SPEC_SIZE];
            status =
                CreateDataFile(No(FileNo::SalesHeader), keys.Handle(), nullptr, nullptr, spec);
        }
    }
    if (status != 0) {
        unlink(path);
        MoveFile(temp, path);
        return 0;
    }

    bool copied = true;
    {
        Table newer;
        Table older;
        Status s = newer.OpenPath(FileNo::SalesHeader, path);
        if (s.Ok())
            s = older.OpenPath(FileNo::SalesHeader, temp);
        if (!s.Ok()) {
            s.Report();
            newer.Close();
            unlink(path);
            MoveFile(temp, path);
            return 0;
        }
        const uint16_t newHandle = newer.Handle();
        const uint16_t oldHandle = older.Handle();
        Progress progress("RSMsgConvertTrans", 100);
        unsigned char key[256];
        unsigned char record[kSalesHeaderLength];
        int op = B_GET_FIRST;
        for (;;) {
            std::memset(record, 0, sizeof record);
            status = BtrGet(op, oldHandle, key, record, kOldSalesHeaderLength);
            op = B_GET_NEXT;
            if (status == B_END_OF_FILE)
                break;
            if (status != 0) {
                // A read failure other than the end keeps the old file.
                Status{status, B_GET_NEXT, FileNo::SalesHeader}.Report();
                copied = false;
                break;
            }
            unsigned char newKey[256];
            status = BtrWrite(B_INSERT, newHandle, newKey, record, kSalesHeaderLength);
            if (status != 0) {
                copied = false;
                break;
            }
            progress.Step();
        }
    }
    if (!copied) {
        ShowMessage(kConversionFailedMessage, 1);
        unlink(path);
        MoveFile(temp, path);
        return 0;
    }
    unlink(temp);
    return 1;
}

int QueryProductFile(int /*unused*/)
{
    Table products;
    if (!products.Open(FileNo::Products).Ok())
        return 0;
    int status = 0;
    const int32_t length = StatRecordLength(products.Handle(), &status);
    return length >= 0 && length < kProductLength ? 1 : 0;
}

int ProductFileNeedsConversion(uint16_t handle)
{
    Table products;
    if (!products.Borrow(FileNo::Products, handle).Ok())
        return 1;
    int status = 0;
    return StatRecordLength(products.Handle(), &status) != kProductLength;
}

}  // extern "C"

namespace bwps::catalogue {

int CreateFromKeyFile(int fileNumber, const char* folder)
{
    Table keys;
    const int status = OpenKeyFile(keys);
    if (status != 0)
        return status;
    uint8_t spec[FILE_SPEC_SIZE] = {};
    return CreateDataFile(fileNumber, keys.Handle(), folder, nullptr, spec);
}

}  // namespace bwps::catalogue
