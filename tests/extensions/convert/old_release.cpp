#include "tests/extensions/convert/old_release.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "bwps/catalogue.h"
#include "bwps/records/general.h"
#include "recman.h"

namespace convtest {
namespace {

using bwps::FileNo;
namespace fs = std::filesystem;

struct OldFile {
    int firstCode;
    int lastCode;
    FileNo file;
    int length;
};

// The record lengths of the older releases (the new lengths are the
// catalogue's).
constexpr OldFile kOldFiles[] = {
    {13, 15, FileNo::Accounts, 568},
    {10, 12, FileNo::ReceivablesOpenItems, 106},
    {13, 13, FileNo::ReceivablesOpenItems, 122},
    {10, 14, FileNo::AssemblyDetail, 67},
    {10, 14, FileNo::AssemblyHeader, 65},
    {10, 11, FileNo::Customers, 707},
    {12, 12, FileNo::Customers, 718},
    {13, 13, FileNo::Customers, 734},
    {14, 14, FileNo::Customers, 770},
    {15, 15, FileNo::Customers, 795},
    {10, 14, FileNo::LedgerDetail, 64},
    {10, 14, FileNo::LedgerHeader, 59},
    {10, 11, FileNo::Products, 626},
    {12, 13, FileNo::Products, 652},
    {14, 15, FileNo::Products, 667},
    {13, 15, FileNo::Services, 195},
    {10, 13, FileNo::Salespersons, 531},
    {10, 13, FileNo::TaxTable, 994},
    {10, 12, FileNo::Tenders, 96},
    {10, 13, FileNo::SalesHeader, 547},
    {14, 14, FileNo::SalesHeader, 563},
    {10, 13, FileNo::QuoteHeader, 547},
    {14, 14, FileNo::QuoteHeader, 563},
    {10, 12, FileNo::CustomerHistoryDetail, 140},
    {13, 13, FileNo::CustomerHistoryDetail, 156},
    {14, 15, FileNo::PromotionHeader, 88},
    {10, 11, FileNo::Users, 230},
    {13, 15, FileNo::Users, 231},
    {10, 11, FileNo::ProductActivity, 106},
};

// The files each code kept in another layout (the general file aside).
bool InStage(int code, FileNo file)
{
    static const std::vector<std::pair<int, std::vector<FileNo>>> kLists = {
        {10, {FileNo::ReceivablesOpenItems, FileNo::CustomerHistoryDetail, FileNo::Products,
              FileNo::ProductActivity, FileNo::Users, FileNo::TaxTable, FileNo::Salespersons,
              FileNo::Customers, FileNo::SalesHeader, FileNo::QuoteHeader, FileNo::Tenders,
              FileNo::LedgerDetail, FileNo::LedgerHeader, FileNo::AssemblyHeader, FileNo::AssemblyDetail}},
        {12, {FileNo::ReceivablesOpenItems, FileNo::CustomerHistoryDetail, FileNo::Products,
              FileNo::TaxTable, FileNo::Salespersons, FileNo::Customers, FileNo::Tenders,
              FileNo::SalesHeader, FileNo::QuoteHeader, FileNo::LedgerDetail, FileNo::LedgerHeader,
              FileNo::AssemblyHeader, FileNo::AssemblyDetail}},
        {13, {FileNo::ReceivablesOpenItems, FileNo::CustomerHistoryDetail, FileNo::Products,
              FileNo::TaxTable, FileNo::Salespersons, FileNo::Customers, FileNo::SalesHeader,
              FileNo::QuoteHeader, FileNo::LedgerDetail, FileNo::LedgerHeader, FileNo::AssemblyHeader,
              FileNo::AssemblyDetail, FileNo::Users, FileNo::Services, FileNo::Accounts}},
        {14, {FileNo::LedgerDetail, FileNo::LedgerHeader, FileNo::AssemblyHeader, FileNo::AssemblyDetail,
              FileNo::Customers, FileNo::SalesHeader, FileNo::QuoteHeader, FileNo::Users, FileNo::Products,
              FileNo::Services, FileNo::Accounts, FileNo::PromotionHeader}},
        {15, {FileNo::Users, FileNo::Products, FileNo::Services, FileNo::Accounts, FileNo::PromotionHeader,
              FileNo::Customers}},
    };
    const int list = code == 11 ? 10 : code;
    for (const auto& [c, files] : kLists)
        if (c == list)
            for (FileNo f : files)
                if (f == file) return true;
    return false;
}

void Put(std::vector<uint8_t>& r, size_t at, const void* bytes, size_t n) { std::memcpy(r.data() + at, bytes, n); }
void PutText(std::vector<uint8_t>& r, size_t at, size_t width, const char* text)
{
    std::memset(r.data() + at, 0, width);
    std::memcpy(r.data() + at, text, std::strlen(text));
}
void PutDouble(std::vector<uint8_t>& r, size_t at, double v) { Put(r, at, &v, 8); }

int OpenGeneral(const std::string& folder, uint16_t* handle)
{
    return BtrOpenFile(handle, PathOf(folder, FileNo::General).c_str(), 0, 0);
}

// Replaces a settings record by one of another length.
void ReplaceSetting(uint16_t handle, const char* key16, std::vector<uint8_t> record)
{
    char key[256] = {};
    std::memcpy(key, key16, 16);
    std::vector<uint8_t> old(8192);
    if (BtrGet(B_GET_EQUAL, handle, key, old.data(), 8192) == 0) {
        ASSERT_EQ(BtrWrite(B_DELETE, handle, nullptr, old.data(), 0), 0) << key16;
    }
    std::memcpy(record.data(), key16, 16);
    char newKey[256] = {};
    ASSERT_EQ(BtrWrite(B_INSERT, handle, newKey, record.data(), static_cast<int>(record.size())), 0) << key16;
}

std::vector<uint8_t> Pattern(int length, int seed)
{
    std::vector<uint8_t> r(static_cast<size_t>(length));
    for (int j = 0; j < length; ++j) r[j] = static_cast<uint8_t>('A' + (seed + j) % 26);
    return r;
}

}  // namespace

std::string PathOf(const std::string& folder, FileNo file)
{
    return folder + "/" + GetDataFileEntry(bwps::No(file))->Name;
}

int OldLength(int code, FileNo file)
{
    for (const OldFile& f : kOldFiles)
        if (f.file == file && code >= f.firstCode && code <= f.lastCode) return f.length;
    return GetDataFileRecordLength(bwps::No(file));
}

int RecordLengthOf(const std::string& path)
{
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0) return -1;
    uint8_t stat[RECMAN_STAT_BUFFER] = {};
    const int status = BtrStat(handle, stat);
    BtrCloseFile(handle);
    if (status != 0) return -1;
    uint16_t length = 0;
    std::memcpy(&length, stat, 2);
    return length;
}

std::vector<std::vector<uint8_t>> ReadRecords(const std::string& path, int length)
{
    std::vector<std::vector<uint8_t>> records;
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0) return records;
    std::vector<uint8_t> r(static_cast<size_t>(length));
    char key[256] = {};
    for (int s = BtrGet(B_STEP_FIRST, handle, key, r.data(), length); s == 0;
         s = BtrGet(B_STEP_NEXT, handle, key, r.data(), length))
        records.push_back(r);
    BtrCloseFile(handle);
    return records;
}

std::vector<uint8_t> ReadSettingRecord(const std::string& folder, const char* key16)
{
    uint16_t handle = 0;
    if (OpenGeneral(folder, &handle) != 0) return {};
    std::vector<uint8_t> r(8192);
    char key[256] = {};
    std::memcpy(key, key16, 16);
    const int status = BtrGet(B_GET_EQUAL, handle, key, r.data(), 8192);
    const int length = BtrCall218(handle);
    BtrCloseFile(handle);
    if (status != 0) return {};
    r.resize(static_cast<size_t>(length));
    return r;
}

std::vector<std::vector<uint8_t>> SampleRecords(int code, FileNo file, int length)
{
    // The first record sorts first on keys that begin with a pattern byte.
    std::vector<std::vector<uint8_t>> records = {Pattern(length, 0), Pattern(length, 1)};
    for (auto& r : records) {
        // Every 16th byte zero: texts end inside their fields.
        for (int j = 15; j < length; j += 16) r[j] = 0;
    }
    switch (file) {
    case FileNo::Tenders:
        PutText(records[0], 0, 11, "CASH      ");
        PutText(records[1], 0, 11, "CHECKS    ");
        break;
    case FileNo::SalesHeader:
    case FileNo::QuoteHeader:
        if (code > 13) break;
        for (auto& r : records) {
            PutDouble(r, 415, 10.0);
            PutDouble(r, 423, 2.5);
            PutDouble(r, 485, 1.0);
            PutDouble(r, 439, 7.0);
        }
        records[0][11] = 5;
        records[1][11] = 1;
        break;
    case FileNo::ReceivablesOpenItems:
    case FileNo::CustomerHistoryDetail:
        records[0][40] = 'O';
        records[1][40] = 'B';
        PutText(records[0], 11, 11, "INV-1");
        break;
    case FileNo::AssemblyDetail:
    case FileNo::AssemblyHeader:
        PutText(records[0], 0, 6, "A1");
        PutText(records[1], 0, 6, "A2");
        break;
    default: break;
    }
    return records;
}

void WriteOldFile(const std::string& folder, FileNo file, int length,
                  const std::vector<std::vector<uint8_t>>& records)
{
    const char* name = GetDataFileEntry(bwps::No(file))->Name;
    int count = 0;
    std::vector<uint8_t> segments(SEGMENT_BUFFER_SIZE + 16, 0);
    ASSERT_EQ(ReadFileKeySpecs(name, 0, &count, segments.data()), 0) << name;
    // The keys of the current layout that lie inside the older record.
    std::vector<uint8_t> kept;
    int keys = 0;
    for (int i = 0; i < count;) {
        int first = i;
        bool fits = true;
        for (;; ++i) {
            const uint8_t* s = segments.data() + i * 16;
            uint16_t position = 0, width = 0, flags = 0;
            std::memcpy(&position, s, 2);
            std::memcpy(&width, s + 2, 2);
            std::memcpy(&flags, s + 4, 2);
            if (position + width - 1 > length) fits = false;
            if ((flags & KF_SEGMENTED) == 0 || i + 1 == count) break;
        }
        ++i;
        if (fits) {
            kept.insert(kept.end(), segments.begin() + first * 16, segments.begin() + i * 16);
            ++keys;
        }
    }
    kept.resize(kept.size() + 16, 0);
    uint8_t spec[FILE_SPEC_SIZE] = {};
    const uint16_t recordLength = static_cast<uint16_t>(length), page = 4096;
    std::memcpy(spec, &recordLength, 2);
    std::memcpy(spec + 2, &page, 2);
    spec[4] = static_cast<uint8_t>(keys);
    const std::string path = PathOf(folder, file);
    for (const char* extra : {"", "-wal", "-shm"}) fs::remove(path + extra);
    ASSERT_EQ(BtrCreateFile(path.c_str(), spec, kept.data()), 0) << name;
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
    for (auto r : records) {
        char key[256] = {};
        ASSERT_EQ(BtrWrite(B_INSERT, handle, key, r.data(), length), 0) << name;
    }
    BtrCloseFile(handle);
}

void MakeOldRelease(const std::string& folder, int code)
{
    for (const OldFile& f : kOldFiles) {
        if (code < f.firstCode || code > f.lastCode || !InStage(code, f.file)) continue;
        WriteOldFile(folder, f.file, f.length, SampleRecords(code, f.file, f.length));
        if (::testing::Test::HasFatalFailure()) return;
    }
    // Files a later release added.
    if (code <= 13) {
        for (FileNo added : {FileNo::ReceivablesOpenHeaders, FileNo::Units})
            for (const char* extra : {"", "-wal", "-shm"}) fs::remove(PathOf(folder, added) + extra);
    }

    uint16_t handle = 0;
    ASSERT_EQ(OpenGeneral(folder, &handle), 0);
    const std::vector<uint8_t> sysInterface = ReadSettingRecord(folder, GENERAL_KEY_SYSINTERFACE);
    const std::vector<uint8_t> company = ReadSettingRecord(folder, GENERAL_KEY_COMPANY);
    ASSERT_EQ(sysInterface.size(), 477u);
    ASSERT_EQ(company.size(), 818u);
    const int defaults = code <= 11 ? 1349 : code <= 13 ? 1402 : code == 14 ? 1454 : 0;
    if (defaults) ReplaceSetting(handle, GENERAL_KEY_DEFAULTS, Pattern(defaults, 3));
    if (code <= 12) {
        std::vector<uint8_t> lookups(76, 'C');
        std::memset(lookups.data() + 36, 0, 13);
        lookups[40] = 'D';
        ReplaceSetting(handle, GENERAL_KEY_LOOKUPS, lookups);
    }
    if (code <= 13)
        ReplaceSetting(handle, GENERAL_KEY_SYSINTERFACE,
                       std::vector<uint8_t>(sysInterface.begin(), sysInterface.begin() + 452));
    if (code >= 12)
        ReplaceSetting(handle, GENERAL_KEY_COMPANY, std::vector<uint8_t>(company.begin(), company.begin() + 557));
    if (code <= 11) {
        std::vector<uint8_t> interface(204, 0);
        PutText(interface, 17, 11, "1100");
        PutText(interface, 28, 11, "1200");
        ReplaceSetting(handle, GENERAL_KEY_INTERFACE, interface);
    }
    // The release: "0ProgVersion   " before code 13, the stamp from 13 on.
    if (code <= 12) {
        std::vector<uint8_t> stamp(18, 0);
        char key[256] = {};
        std::memcpy(key, GENERAL_KEY_FILESVERSION, 15);
        if (BtrGet(B_GET_EQUAL, handle, key, stamp.data(), 18) == 0) {
            ASSERT_EQ(BtrWrite(B_DELETE, handle, nullptr, stamp.data(), 0), 0);
        }
        std::vector<uint8_t> version(18, 0);
        const int16_t stored = static_cast<int16_t>(code - 2);
        std::memcpy(version.data() + 16, &stored, 2);
        ReplaceSetting(handle, GENERAL_KEY_PROGVERSION, version);
    } else {
        std::vector<uint8_t> stamp(18, 0);
        std::memcpy(stamp.data(), GENERAL_KEY_FILESVERSION, 15);
        stamp[16] = static_cast<uint8_t>(code - 2);
        ReplaceSetting(handle, "0BwFilesVersion", stamp);
    }
    BtrCloseFile(handle);
}

}  // namespace convtest
