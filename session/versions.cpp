// Which release wrote the data files of a folder, for a store data set and
// for an accounting data set, and the completeness check of each release.

#include "bwps/versions.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <sys/stat.h>

#include "bwps/catalogue.h"
#include "bwps/conversion.h"
#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"
#include "session/catalogue_internal.h"

using bwps::FileNo;
using bwps::No;
using bwps::Status;
using bwps::Table;
using bwps::catalogue::MoveFile;
using bwps::catalogue::StatRecordLength;

namespace {

constexpr int kRelease10CustomerLength = 718;
constexpr int kRelease9SalesHeaderLength = 586;
constexpr int kCurrentLedgerHeaderLength = 79;

// The data files a store or accounting company holds (the base-folder
// files come after them).
constexpr FileNo kLastCompanyFile = FileNo::ReportFields;

// A run of file numbers, both ends included.
struct Range {
    FileNo from;
    FileNo to;
};

bool InRanges(int fileNumber, std::initializer_list<Range> ranges)
{
    for (const Range& r : ranges)
        if (fileNumber >= No(r.from) && fileNumber <= No(r.to))
            return true;
    return false;
}

// File numbers that the completeness check of a code does not require.
bool Excluded(int code, int fileNumber)
{
    auto in = [fileNumber](std::initializer_list<Range> ranges) {
        return InRanges(fileNumber, ranges);
    };
    switch (code) {
    case 16:
        return false;
    case 15:
    case 14:
        return in({{FileNo::AuditLog, FileNo::PromotionCustomers}});
    case 13:
        return in({{FileNo::PayablesOpenHeaders, FileNo::PromotionCustomers}});
    case 12:
        return in({{FileNo::CustomerFields, FileNo::PromotionCustomers}});
    case 11:
        return in({{FileNo::CustomerFields, FileNo::UserWarehouses}});
    case 10:
        return in({{FileNo::ItemDetails, FileNo::ItemDetails},
                   {FileNo::CustomerFields, FileNo::UserWarehouses}});
    case 0:   // a folder without a version record
        return in({{FileNo::RegisterReconciliations, FileNo::RegisterReconciliations},
                   {FileNo::Users, FileNo::AlternateProducts},
                   {FileNo::Warehouses, FileNo::UserWarehouses}});
    default:
        return false;
    }
}

bool AccountingSkipped(int code, int fileNumber)
{
    auto in = [fileNumber](std::initializer_list<Range> ranges) {
        return InRanges(fileNumber, ranges);
    };
    switch (code) {
    case 10:
        return in({{FileNo::ItemDetails, FileNo::ItemDetails},
                   {FileNo::CustomerFields, FileNo::AlternateProducts},
                   {FileNo::Warehouses, FileNo::UserWarehouses}});
    case 11:
        return in({{FileNo::CustomerFields, FileNo::AlternateProducts},
                   {FileNo::Warehouses, FileNo::UserWarehouses}});
    case 12:
        return in({{FileNo::CustomerFields, FileNo::AlternateProducts}});
    case 13:
        return in({{FileNo::PayablesOpenHeaders, FileNo::AlternateProducts}});
    default:
        return false;
    }
}

bool ExistsIn(const char* folder, const char* name)
{
    char path[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(path, folder, name);
    return FileExistsAt(path) != 0;
}

void NormalisedCopy(char* out, const char* folder)
{
    std::snprintf(out, FOLDER_BUFFER_SIZE, "%s", folder ? folder : "");
    FxTrimText(5, out);
    NormaliseFolder(out);
}

// Path of a data file in a company folder, under its accounting name when
// `accounting` is set.
void DataFilePathIn(char* path, const char* folder, FileNo file, bool accounting)
{
    const char* plain = GetDataFileEntry(No(file))->Name;
    char name[FOLDER_BUFFER_SIZE];
    std::snprintf(name, sizeof name, "%s", accounting ? MapToAccountingFileName(plain) : plain);
    JoinCompanyFilePath(path, folder, name);
}

// Record length of a data file at a path; -1 when it cannot be read (the
// failure is reported against the file number).
int32_t RecordLengthAt(const char* path, FileNo file)
{
    Table table;
    const Status opened = table.OpenPath(file, path);
    if (!opened.Ok()) {
        opened.Report();
        return -1;
    }
    int status = 0;
    int32_t length = StatRecordLength(table.Handle(), &status);
    if (length < 0)
        Status{status, bwps::kOpenOperation, file}.Report();
    return length;
}

// The version of a general file: the stamp first, else "0ProgVersion   ".
bool ReadVersionOf(uint16_t* version, const char* folder, int* status, bool accounting)
{
    uint16_t v = 0;
    int s = 0;
    if (version)
        *version = 0;
    if (status)
        *status = 0;

    char path[FOLDER_BUFFER_SIZE];
    DataFilePathIn(path, folder, FileNo::General, accounting);
    if (!FileExistsAt(path))
        return false;

    TagFilesVersion stamp{};
    if (ReadFileVersionStamp(&stamp, path) == 0) {
        v = stamp.Minor == 0 && stamp.Major >= 11 && stamp.Major <= 14 ? stamp.Major * 100 : 20;
        if (version)
            *version = v;
        return true;
    }

    Table general;
    const Status opened = general.OpenPath(FileNo::General, path);
    if (!opened.Ok()) {
        opened.Report();
        if (status)
            *status = opened.status;
        return false;
    }
    TagProgVersion record{};
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_PROGVERSION, GENERAL_KEY_SIZE);
    const Status got = general.Get(B_GET_EQUAL, key.data(), &record, GENERAL_PROGVERSION_SIZE);
    general.Close();
    const int read = got.status;
    if (got.Ok())
        v = static_cast<uint16_t>(record.Version);
    else if (!got.NotFound()) {
        got.Report();
        s = read;
    }
    if (v == 10 && !CustomerFileIsRelease10(folder, accounting ? FOLDER_ACCOUNTING : FOLDER_SHARED))
        v = 8;
    if (version)
        *version = v;
    if (status)
        *status = s;
    return read == 0;
}

int PlainAccountingCode(int stored)
{
    switch (stored) {
    case 1100:
        return 13;
    case 1200:
        return 14;
    case 1300:
        return 15;
    case 1400:
        return 16;
    case 8:
        return 10;
    case 9:
        return 11;
    case 10:
        return 12;
    default:
        return DATASET_UNKNOWN;
    }
}

// Public release number (8-14) of a data-set code; -1 for any other.
int ReleaseOfCode(int code)
{
    if (code >= 10 && code <= 16)
        return code - 2;
    if (code == 8 || code == 9)
        return code;
    return -1;
}

}  // namespace

extern "C" {

int CustomerFileIsRelease10(const char* folder, int kind)
{
    char path[FOLDER_BUFFER_SIZE];
    DataFilePathIn(path, folder, FileNo::Customers, kind == FOLDER_ACCOUNTING);

    RecmanTable* table = BtrTableCreate(kRelease10CustomerLength, 255);
    if (!table) {
        ShowMessage(1, 2);
        return 0;
    }
    bool release10 = false;
    int status = BtrTableOpen(table, path);
    if (status != 0) {
        ShowRecordManagerError(status, 1, 0, path, 0);
    } else {
        int32_t length = StatRecordLength(BtrTableHandle(table), &status);
        if (length < 0)
            ShowRecordManagerError(status, 1, 0, path, 0);
        else
            release10 = length >= kRelease10CustomerLength;
        BtrTableClose(table);
    }
    BtrTableFree(table);
    return release10;
}

bool ReadProgVersionRecord(uint16_t* version, const char* folder, int* status)
{
    return ReadVersionOf(version, folder, status, false);
}

bool ReadAccountingProgVersion(uint16_t* version, const char* folder, int* status)
{
    return ReadVersionOf(version, folder, status, true);
}

int GetProgVersionCode(int stored, const char* folder)
{
    // A store stamped 10 may still hold the customer file of release 8.
    if (stored == 10)
        return CustomerFileIsRelease10(folder, FOLDER_SHARED) ? 12 : 10;
    return PlainAccountingCode(stored);
}

int CheckStoreFiles(const char* folder, int code, int* fileNumberOut)
{
    for (int file = 1; GetDataFileKind(file) != -1; ++file) {
        if (GetDataFileKind(file) != FOLDER_DATA || Excluded(code, file))
            continue;
        if (!ExistsIn(folder, GetDataFileName(file))) {
            if (fileNumberOut)
                *fileNumberOut = file;
            return 0;
        }
    }
    return 1;
}

int WalkFolderDataFiles(const char* folder, void* progress)
{
    for (int file = 1; GetDataFileKind(file) != -1; ++file) {
        if (progress)
            FxStatusUpdate(static_cast<FxStatus*>(progress), 0);
        if (GetDataFileKind(file) != FOLDER_DATA || Excluded(0, file))
            continue;
        if (!ExistsIn(folder, GetDataFileName(file)))
            return 0;
    }
    return 1;
}

int DetectDataSetVersion(const char* folder)
{
    char dir[FOLDER_BUFFER_SIZE];
    NormalisedCopy(dir, folder);
    // A conversion that stopped without its process is finished or undone
    // first, so that the folder is wholly of one release.
    bwps::conversion::ResolvePending(dir);

    uint16_t stored = 0;
    int status = 0;
    if (ReadProgVersionRecord(&stored, dir, &status)) {
        int code = GetProgVersionCode(stored, dir);
        if (code == DATASET_UNKNOWN)
            return DATASET_UNKNOWN;
        return CheckStoreFiles(dir, code, nullptr) ? code : DATASET_UNKNOWN;
    }
    if (status != 0)
        return DATASET_UNKNOWN;

    // No general file (or no version in it): the names tell the release.
    if (ExistsIn(dir, GetDataFileEntry(No(FileNo::Accounts))->Name)) {
        if (!WalkFolderDataFiles(dir, nullptr))
            return DATASET_UNKNOWN;
        char path[FOLDER_BUFFER_SIZE];
        JoinCompanyFilePath(path, dir, GetDataFileEntry(No(FileNo::SalesHeader))->Name);
        return RecordLengthAt(path, FileNo::SalesHeader) == kRelease9SalesHeaderLength ? 9 : 8;
    }
    if (ExistsIn(dir, "POS5ACCT.DB"))
        return 7;
    if (ExistsIn(dir, "POS1ACCT.DB"))
        return 6;
    if (ExistsIn(dir, "POSACCT.DB"))
        return 5;
    return DATASET_NONE;
}

int CheckAccountingFiles(const char* folder, int* fileNumberOut, int code)
{
    for (int file = No(FileNo::Accounts); file <= No(kLastCompanyFile); ++file) {
        int kind = GetDataFileKind(file);
        if (kind != FOLDER_SHARED && kind != FOLDER_ACCOUNTING)
            continue;
        if (AccountingSkipped(code, file))
            continue;
        if (fileNumberOut)
            *fileNumberOut = file;
        if (!ExistsIn(folder, AccountingFileNameOfId(file)))
            return 0;
    }
    return 1;
}

int FindAccountingFiles(const char* folder, int* fileNumberOut)
{
    char dir[FOLDER_BUFFER_SIZE];
    NormalisedCopy(dir, folder);
    uint16_t stored = 0;
    int status = 0;
    if (ReadAccountingProgVersion(&stored, dir, &status)) {
        int code = PlainAccountingCode(stored);
        return CheckAccountingFiles(dir, fileNumberOut, code) ? code : DATASET_UNKNOWN;
    }
    if (status != 0)
        return DATASET_UNKNOWN;
    if (ExistsIn(dir, "BWAACCT.DB")) {
        if (!CheckAccountingFiles(dir, fileNumberOut, DATASET_CURRENT))
            return DATASET_UNKNOWN;
        char path[FOLDER_BUFFER_SIZE];
        JoinCompanyFilePath(path, dir, AccountingFileNameOfId(No(FileNo::LedgerHeader)));
        return RecordLengthAt(path, FileNo::LedgerHeader) == kCurrentLedgerHeaderLength
                   ? DATASET_CURRENT
                   : 8;
    }
    static const struct {
        const char* name;
        int code;
    } kOlder[] = {{"BA43QCOL.DB", 7}, {"BA43CUSN.DB", 6}, {"BA43ACCT.DB", 5},
                  {"BWA4ACCT.DB", 4}, {"BA3-F00.DAT", 3}, {"BWA-F00.DAT", 2}};
    for (const auto& older : kOlder)
        if (ExistsIn(dir, older.name))
            return older.code;
    return DATASET_NONE;
}

bool WriteDataVersionStamp(uint16_t handle, const char* folder, int* status)
{
    char path[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(path, folder, GetDataFileEntry(No(FileNo::General))->Name);
    Table general;
    if (handle == 0) {
        if (!FileExistsAt(path)) {
            if (status)
                *status = -1;
            return false;
        }
        const Status opened = general.OpenPath(FileNo::General, path);
        if (!opened.Ok()) {
            opened.Report();
            if (status)
                *status = opened.status;
            return false;
        }
    } else {
        general.Borrow(FileNo::General, handle);
    }
    int s = GetFileVersionStamp(path, general.Handle());
    if (status)
        *status = s;
    return s == 0;
}

int RenameRelease1Files(const char* folder)
{
    for (int file = 1; file <= DATA_FILE_COUNT; ++file) {
        const char* name = GetDataFileEntry(file)->Name;
        if (!name || std::strlen(name) <= 4)
            continue;
        char older[FOLDER_BUFFER_SIZE];
        std::snprintf(older, sizeof older, "POS1%s", name + 4);
        char from[FOLDER_BUFFER_SIZE];
        char to[FOLDER_BUFFER_SIZE];
        JoinCompanyFilePath(from, folder, older);
        JoinCompanyFilePath(to, folder, name);
        if (FileExistsAt(from) && !FileExistsAt(to))
            MoveFile(from, to);
    }
    return 1;
}

int BWPSDataFilesVersion(const char* folder)
{
    return ReleaseOfCode(DetectDataSetVersion(folder));
}

int BWPSGetGeneralFileVer(const char* folder, int32_t* version)
{
    uint16_t stored = 0;
    int status = 0;
    bool found = ReadProgVersionRecord(&stored, folder, &status);
    if (version) {
        switch (stored) {
        case 8:
        case 9:
        case 10:
            *version = stored;
            break;
        case 1100:
        case 1200:
        case 1300:
        case 1400:
            *version = stored / 100;
            break;
        default:
            *version = 0;
        }
    }
    return found;
}

int BWPSFilesInFolder(const char* folder)
{
    if (!folder || !*folder)
        return 0;
    struct stat st;
    if (::stat(folder, &st) != 0 || !S_ISDIR(st.st_mode))
        return 0;
    for (int file = 1; file <= DATA_FILE_COUNT; ++file)
        if (GetDataFileKind(file) == FOLDER_DATA && ExistsIn(folder, GetDataFileName(file)))
            return 1;
    return 0;
}

const char* BWPSFileName(int fileNumber)
{
    return GetDataFileName(fileNumber);
}

}  // extern "C"
