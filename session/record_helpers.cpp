// One-record services for other areas: the "0Defaults      " record, tax
// codes, active customers and the customer statistics.
#include "bwps/files.h"
#include "bwps/record_helpers.h"

#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/db_table.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;

constexpr int kTaxNotFoundMessage = 245;
constexpr int kCustomerNotFoundMessage = 235;
constexpr int kCustomerLength = 795;
constexpr int kCustomerStatusOffset = 734;

void CodeKey(char* key, const char* code, size_t width)
{
    std::memset(key, 0, 256);
    if (code != nullptr)
        std::memcpy(key, code, strnlen(code, width));
}

void ReportOpen(int status, int file, int windowFlag)
{
    if (windowFlag)
        ShowDatabaseErrorWindow(6, 0, status, OPEN_OPERATION, file, nullptr);
    else
        ReportRecordManagerError(status, 1, OPEN_OPERATION, file, 0);
}

int GetDefaults(uint16_t handle, TagDefaultsRecord& record, int lock = 0)
{
    char key[256] = {};
    std::memcpy(key, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE);
    return BtrGet(B_GET_EQUAL + lock, handle, key, &record, DEFAULTS_RECORD_SIZE);
}

}  // namespace

extern "C" {

int WriteDefaultsRecord(TagDefaultsRecord* record)
{
    std::memset(record->Data, 0, sizeof record->Data);
    record->Data[DEFAULTS_PRICE_LEVEL] = ' ';
    record->Data[DEFAULTS_ACCOUNT_TYPE] = 'O';
    return 0;
}

int ReadDefaultsRecord(TagDefaultsRecord* record)
{
    bwps::Table general;
    bwps::Status s = general.Open(FileNo::General);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_OPEN, bwps::No(bwps::FileNo::General), 0);
        return 0;
    }
    if (GetDefaults(general.Handle(), *record) != 0) {
        std::memcpy(record->Key, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE);
        WriteDefaultsRecord(record);
        return 0;
    }
    return 1;
}

int ReadTaxRecord(uint16_t handle, const char* code, void* record)
{
    static uint8_t internal[1024];
    void* out = record != nullptr ? record : internal;
    char key[256];
    CodeKey(key, code, 6);
    const int length = GetDataFileRecordLength(bwps::No(FileNo::TaxTable));
    const int status = BtrGet(B_GET_EQUAL, handle, key, out, length);
    if (status == B_KEY_NOT_FOUND)
        ShowMessage(kTaxNotFoundMessage, MESSAGE_DEFAULT_CONTEXT);
    else if (status != 0)
        ReportRecordManagerError(status, 1, B_GET_EQUAL, bwps::No(FileNo::TaxTable), 0);
    return status == 0 ? 1 : 0;
}

int ReadTaxTableRecord(const char* code, int windowFlag)
{
    bwps::Table tax;
    bwps::Status s = tax.Open(FileNo::TaxTable);
    if (!s.Ok()) {
        ReportOpen(s.status, bwps::No(FileNo::TaxTable), windowFlag);
        return 0;
    }
    uint8_t record[1024];
    char key[256];
    CodeKey(key, code, 6);
    return BtrGet(B_GET_EQUAL, tax.Handle(), key, record,
                  GetDataFileRecordLength(bwps::No(FileNo::TaxTable))) == 0
               ? 1
               : 0;
}

int ReadActiveCustomer(uint16_t handle, void* record795, const char* code)
{
    CDbTblActiveRecs customers(handle, kCustomerStatusOffset, 'A');
    char key[256];
    CodeKey(key, code, 11);
    const int status = customers.Read(B_GET_EQUAL, key, record795, kCustomerLength);
    if (status == B_KEY_NOT_FOUND || status == DB_INACTIVE_RECORD)
        ShowMessage(kCustomerNotFoundMessage, MESSAGE_DEFAULT_CONTEXT);
    else if (status != 0)
        ReportRecordManagerError(status, 1, B_GET_EQUAL, bwps::No(FileNo::Customers), 0);
    return status;
}

int LookupActiveCustomer(const char* code, int windowFlag)
{
    bwps::Table customers;
    bwps::Status s = customers.Open(FileNo::Customers);
    if (!s.Ok()) {
        ReportOpen(s.status, bwps::No(FileNo::Customers), windowFlag);
        return 0;
    }
    uint8_t record[kCustomerLength];
    return ReadActiveCustomer(customers.Handle(), record, code) == 0 ? 1 : 0;
}

int ReadCustomerHistory(uint16_t handle, const void* key15, TagCustomerStatistics* record)
{
    char key[256] = {};
    std::memcpy(key, key15, 15);
    const int status = BtrGet(B_GET_EQUAL, handle, key, record, CUSTOMER_STATISTICS_SIZE);
    if (status != 0) {
        if (status != B_KEY_NOT_FOUND)
            ReportRecordManagerError(status, 1, B_GET_EQUAL, bwps::No(FileNo::CustomerStatistics), 0);
        std::memset(record, 0, sizeof *record);
        return 0;
    }
    return 1;
}

int AddSaleToCustomerHistory(uint16_t handle, const TagCustomerStatistics* source,
                             const char* code, int32_t kind, int period, int count)
{
    uint8_t key[15] = {};
    if (code != nullptr)
        std::memcpy(key, code, strnlen(code, 11));
    std::memcpy(key + 11, &kind, 4);
    TagCustomerStatistics work{};
    const bool found = ReadCustomerHistory(handle, key, &work) != 0;
    const int bucket = period >= count ? period - 13 : period;
    if (bucket < 0 || bucket >= 13)
        return 0;
    work.First[bucket] += source->First[bucket];
    work.Second[bucket] += source->Second[bucket];
    if (!found) {
        std::memcpy(work.Code, key, 11);
        work.Kind = kind;
    }
    char keyBuffer[256] = {};
    std::memcpy(keyBuffer, key, 15);
    const int status = BtrWrite(found ? B_UPDATE : B_INSERT, handle, keyBuffer, &work,
                                CUSTOMER_STATISTICS_SIZE);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_UPDATE, bwps::No(FileNo::CustomerStatistics), 0);
    return status == 0 ? 1 : 0;
}

int ReadGeneralMessageText(int, const char* key16, void* record818)
{
    std::string path = GetSessionPaths()->DataPath;
    if (!path.empty() && path.back() != '/' && path.back() != '\\')
        path += '/';
    path += "BPOSGNRL.DB";
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, path.c_str(), 0, 0);
    if (status != 0)
        return status;
    char key[256] = {};
    std::memcpy(key, key16, GENERAL_KEY_SIZE);
    status = BtrGet(B_GET_EQUAL, handle, key, record818, GENERAL_COMPANY_SIZE);
    BtrCloseFile(handle);
    return status;
}

void ClearCustomerHistoryAmounts(void* record)
{
    auto* bytes = static_cast<uint8_t*>(record);
    for (int offset = 134; offset <= 182; offset += 8) {
        double value = 0.0;
        std::memcpy(bytes + offset, &value, sizeof value);
    }
}

}  // extern "C"

CDefaultsRecord::CDefaultsRecord() : m_record{}, m_handle(0), m_key{}
{
    std::memcpy(m_key, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE);
    std::memcpy(m_record.Key, m_key, GENERAL_KEY_SIZE);
}

CDefaultsRecord::~CDefaultsRecord() = default;

int CDefaultsRecord::Read()
{
    bwps::Table general;
    bwps::Status s = general.Open(FileNo::General);
    if (!s.Ok())
        return s.status;
    return GetDefaults(general.Handle(), m_record);
}

int CDefaultsRecord::Write()
{
    bwps::Table general;
    bwps::Status s = general.Open(FileNo::General);
    if (!s.Ok())
        return s.status;
    TagDefaultsRecord stored{};
    int status = GetDefaults(general.Handle(), stored);
    if (status != 0)
        return status;
    char key[256] = {};
    std::memcpy(key, m_key, GENERAL_KEY_SIZE);
    std::memcpy(m_record.Key, m_key, GENERAL_KEY_SIZE);
    return BtrWrite(B_UPDATE, general.Handle(), key, &m_record, DEFAULTS_RECORD_SIZE);
}

BWPS_ORDINAL(301, WriteDefaultsRecord);
BWPS_ORDINAL(1289, ReadGeneralMessageText);
