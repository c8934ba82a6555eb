// Record-number counters "0IndexValues   ": read and written under a lock,
// rebuilt from the files when missing, and the numbered insert.
#include "bwps/files.h"
#include "bwps/counters.h"

#include <cstddef>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/open_items.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "recman.h"

namespace {

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kTries = 10;
constexpr int kNumberOffset = 42;
constexpr int kTypeOffset = 41;
constexpr int kPrecedenceOffset = 122;

void SetKey(TagIndexValues& record)
{
    std::memcpy(record.Key, GENERAL_KEY_INDEXVALUES, 16);
}

// Takes the last record's 32-bit number at `offset` through key `key`.
int32_t LastNumber(Table& table, int key, int offset)
{
    if (!table.SetKey(key).Ok())
        return 0;
    uint8_t record[4096] = {};
    KeyBuffer keyBuffer;
    const int length = GetDataFileRecordLength(bwps::No(table.File()));
    Status s = table.Get(B_GET_LAST, keyBuffer.bytes, record, length > 0 ? length : 4096);
    if (!s.Ok()) {
        if (!s.NotFound())
            s.Report();
        return 0;
    }
    int32_t value = 0;
    std::memcpy(&value, record + offset, 4);
    return value;
}

// The offset of a file's counter in the record; 0 for a file without one.
size_t CounterOffset(int fileNumber)
{
    switch (fileNumber) {
    case 3: return offsetof(TagIndexValues, OpenInvoices);
    case 2: return offsetof(TagIndexValues, Second);  // payables: kept apart from receivables
    case 40: return offsetof(TagIndexValues, CustomerHistory);
    case 8: return offsetof(TagIndexValues, CheckRegister);
    case 13: return offsetof(TagIndexValues, LedgerHeaders);
    default: return 0;
    }
}

int GeneralFileNumber()
{
    return IsInterfacedToAccounting() ? bwps::No(bwps::FileNo::AccountingGeneral) : bwps::No(bwps::FileNo::General);
}

}  // namespace

extern "C" {

char OpenItemPrecedence(int fileNumber, char type)
{
    if (fileNumber == 2) {
        if (type == '2')
            return '3';
        if (type == '3')
            return '2';
    }
    return type;
}

int ReadIndexValues(TagIndexValues* record, int operation, uint16_t handle)
{
    int status = 0;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        char key[256] = {};
        std::memcpy(key, GENERAL_KEY_INDEXVALUES, 16);
        status = BtrGet(operation, handle, key, record, INDEX_VALUES_SIZE);
        if (status != B_RECORD_IN_USE && status != B_FILE_IN_USE)
            break;
        if (attempt + 1 < kTries)
            BtrLockDelay(3);
    }
    if (status == 0 || status == B_KEY_NOT_FOUND || status == B_END_OF_FILE ||
        status == B_RECORD_IN_USE || status == B_FILE_IN_USE)
        return status;
    ReportRecordManagerError(status, 1, operation % 100, bwps::No(bwps::FileNo::General), 0);
    return status;
}

int WriteIndexValues(TagIndexValues* record, int operation, uint16_t handle)
{
    char key[256] = {};
    std::memcpy(key, GENERAL_KEY_INDEXVALUES, 16);
    SetKey(*record);
    const int status = BtrWrite(operation, handle, key, record, INDEX_VALUES_SIZE);
    if (status != 0)
        ReportRecordManagerError(status, 1, operation, bwps::No(bwps::FileNo::General), 0);
    return status;
}

int ScanIndexValues(TagIndexValues* record)
{
    std::memset(record, 0, sizeof *record);
    SetKey(*record);
    Table openItems, history, checks, ledger;
    Status s = openItems.Open(FileNo::ReceivablesOpenItems);
    if (s.Ok())
        s = history.Open(FileNo::CustomerHistoryDetail);
    const bool interfaced = IsInterfacedToAccounting() != 0;
    if (s.Ok() && interfaced)
        s = checks.Open(FileNo::CheckRegister);
    if (s.Ok() && interfaced)
        s = ledger.Open(FileNo::LedgerHeader);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    record->OpenInvoices = LastNumber(openItems, 3, kNumberOffset);
    record->CustomerHistory = LastNumber(history, 1, kNumberOffset);
    // the payables lines number from the second counter; the file is the
    // accounting company's and may be missing: then it has no lines
    Table payables;
    if (payables.Open(FileNo::PayablesOpenItems).Ok())
        record->Second = LastNumber(payables, 3, kNumberOffset);
    if (interfaced) {
        record->CheckRegister = LastNumber(checks, 2, 114);
        record->LedgerHeaders = LastNumber(ledger, 2, 64);
    }
    return 0;
}

int RaiseIndexValues(TagIndexValues* record)
{
    if (record->CustomerHistory > record->OpenInvoices)
        record->OpenInvoices = record->CustomerHistory;
    if (record->Fourth > record->Second)
        record->Second = record->Fourth;
    return 0;
}

int TakeIndexValue(TagIndexValues* record, int32_t* number, int fileNumber)
{
    const size_t offset = CounterOffset(fileNumber);
    if (offset == 0)
        return 0;
    auto* bytes = reinterpret_cast<uint8_t*>(record) + offset;
    int32_t counter = 0;
    std::memcpy(&counter, bytes, 4);
    counter = counter < 1 || counter == INT32_MAX ? 1 : counter + 1;
    std::memcpy(bytes, &counter, 4);
    if (number)
        *number = counter;
    return 0;
}

int InsertNumberedRecord(int operation, uint16_t generalHandle, uint16_t dataHandle,
                         int fileNumber, void* record)
{
    const FileNo generalFile = static_cast<FileNo>(GeneralFileNumber());
    Table general;
    Status s = general.Borrow(generalFile, generalHandle, OPEN_OPERATION);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, OPEN_OPERATION, bwps::No(bwps::FileNo::General), 0);
        return s.status;
    }
    const uint16_t handle = general.Handle();
    constexpr int kLockedRead = B_GET_EQUAL + B_LOCK_MULTI_NOWAIT;
    TagIndexValues counters{};
    int status = ReadIndexValues(&counters, kLockedRead, handle);
    if (status == B_KEY_NOT_FOUND) {
        ScanIndexValues(&counters);
        RaiseIndexValues(&counters);
        status = WriteIndexValues(&counters, B_INSERT, handle);
        if (status == 0)
            status = ReadIndexValues(&counters, kLockedRead, handle);
    }
    if (status != 0) {
        general.UnlockAll();
        return status;
    }

    auto* bytes = static_cast<uint8_t*>(record);
    int32_t number = 0;
    TakeIndexValue(&counters, &number, fileNumber);
    std::memcpy(bytes + kNumberOffset, &number, 4);

    int insertStatus = 0;
    if (operation == B_INSERT) {
        bytes[kPrecedenceOffset] =
            static_cast<uint8_t>(OpenItemPrecedence(fileNumber, static_cast<char>(bytes[kTypeOffset])));
        const int length = GetDataFileRecordLength(fileNumber);
        char key[256] = {};
        insertStatus = BtrWrite(B_INSERT, dataHandle, key, record, length);
        if (insertStatus == B_DUPLICATE_KEY) {
            ScanIndexValues(&counters);
            RaiseIndexValues(&counters);
            TakeIndexValue(&counters, &number, fileNumber);
            std::memcpy(bytes + kNumberOffset, &number, 4);
            insertStatus = BtrWrite(B_INSERT, dataHandle, key, record, length);
        }
        if (insertStatus != 0)
            ReportRecordManagerError(insertStatus, 1, B_INSERT, fileNumber, 0);
    }
    status = WriteIndexValues(&counters, B_UPDATE, handle);
    general.UnlockAll();
    // A failed insert is the answer even though the counters moved on: the
    // caller must not take the record as written.
    return insertStatus != 0 ? insertStatus : status;
}

int DeleteByNumber(uint16_t handle, int fileNumber, int32_t number, void* record)
{
    if (number == 0)
        return 0;
    char key[256] = {};
    std::memcpy(key, &number, 4);
    const int length = GetDataFileRecordLength(fileNumber);
    int status = BtrGet(B_GET_EQUAL, handle, key, record, length);
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, fileNumber, 0);
        return status;
    }
    status = BtrWrite(B_DELETE, handle, key, record, length);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_DELETE, fileNumber, 0);
    return status;
}

int SaveRestorePosition(uint16_t handle, int fileNumber, int mode, int* key, uint32_t* position)
{
    if (mode == B_GET_DIRECT) {
        int second = 0;
        BtrGetDefaults(handle, key, &second);
        if (BtrPosition(B_GET_DIRECT, handle, position) != 0)
            *position = 0;
        return 0;
    }
    BtrSetDefaults(handle, *key, -1);
    const int status = BtrPosition(0, handle, position);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_GET_DIRECT, fileNumber, 0);
    return status;
}

}  // extern "C"

BWPS_ORDINAL(82, SaveRestorePosition);
BWPS_ORDINAL(83, ReadIndexValues);
BWPS_ORDINAL(84, WriteIndexValues);
BWPS_ORDINAL(85, ScanIndexValues);
BWPS_ORDINAL(86, RaiseIndexValues);
BWPS_ORDINAL(87, TakeIndexValue);
