// Interface account checks over the "0Interface     " record and the
// journal numbers of BPOSGLJL.DB.

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/accounts.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/records/masters.h"
#include "bwps/settings.h"
#include "fx.h"
#include "posting/journal_numbers.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

// While set, ValidateInterfaceAccount shows no messages.
int quietValidation = 0;

constexpr int kInterfaceFields = 14;
constexpr int kFieldWidth = ACCOUNT_NUMBER_WIDTH;
constexpr int kRetries = 200;   // 50 ms each while another station holds the journal

bool ReadInterface(TagInterfaceRecord& record)
{
    std::memset(&record, 0, sizeof record);
    return ReadGeneralRecord(0, 0, GENERAL_INTERFACE_SIZE, GENERAL_KEY_INTERFACE, &record) == 0;
}

std::string FieldOf(const TagInterfaceRecord& record, int k)
{
    if (k < 0 || k >= kInterfaceFields)
        return {};
    return Trim(FieldText(record.Accounts[k], kFieldWidth));
}

void Show(int message)
{
    if (!quietValidation)
        ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
}

}  // namespace

namespace bwps::posting {

Status TakeJournalNumber(Table& journals, const char* code, bool take, char* numberOut,
                         TagJournal& record)
{
    char journal[LEDGER_JOURNAL_WIDTH];
    JournalKey(journal, code);
    const int lock = take ? B_LOCK_MULTI_NOWAIT : 0;
    KeyBuffer key;
    key.Set(journal);
    Status s;
    for (int attempt = 0;; ++attempt) {
        key.Set(journal);
        s = journals.Get(B_GET_EQUAL + lock, key, record);
        if (s.NotFound()) {
            // A journal met for the first time starts at 0. Another station
            // that inserted it first (5) is read like a found one.
            TagJournal fresh{};
            std::memcpy(fresh.JournalCode, journal, sizeof journal);
            Status inserted = journals.Insert(fresh);
            if (!inserted.Ok() && !inserted.Is(B_DUPLICATE_KEY))
                return inserted;
            if (!take) {
                record = fresh;
                s = Success();
            } else {
                continue;
            }
        }
        if (s.InUse() && attempt < kRetries) {
            BtrLockDelay(1);
            continue;
        }
        break;
    }
    if (!s.Ok())
        return s;
    char text[16];
    std::snprintf(text, sizeof text, "%u", record.LastNumber + 1);
    FxRightAlignNumber(text, 10);
    if (numberOut != nullptr)
        std::memcpy(numberOut, text, 11);
    if (!take)
        return s;
    record.LastNumber += 1;
    Status updated = journals.Update(record);
    journals.UnlockAll();
    return updated;
}

void ResetPostingState()
{
    quietValidation = 0;
}

}  // namespace bwps::posting

extern "C" {

char GetInterfaceFlag(void)
{
    TagInterfaceRecord record;
    return ReadInterface(record) ? record.Flag : '\0';
}

int ValidateInterfaceAccount(uint16_t accounts, int field, const char* department,
                             const void* interfaceRecord)
{
    if (interfaceRecord == nullptr)
        return 0;
    const auto* record = static_cast<const TagInterfaceRecord*>(interfaceRecord);
    std::string account = FieldOf(*record, field);
    if (department != nullptr)
        account += Trim(FieldText(department, 64));
    char number[kFieldWidth];
    PadText(number, sizeof number, account.c_str());
    TagAccount found;
    const bool exists = ValidateAccountNo(accounts, number, &found) != 0;
    if (!exists) {
        Show(field == 4 ? 571 : field == 5 ? 567 : field == 6 ? 569 : 0);
        return 0;
    }
    if (found.Kind == 'G') {
        Show(field == 4 ? 577 : field == 5 ? 573 : field == 6 ? 575 : 0);
        return 0;
    }
    return found.Kind == 'D' ? 1 : 0;
}

int ValidateInterfaceAccounts(uint16_t accounts, char* department, TagAccount* record)
{
    TagInterfaceRecord interface;
    if (!ReadInterface(interface))
        return 0;
    if (department != nullptr && !Trim(FieldText(department, 64)).empty()) {
        return ValidateInterfaceAccount(accounts, 5, department, &interface) &&
               ValidateInterfaceAccount(accounts, 4, department, &interface) &&
               ValidateInterfaceAccount(accounts, 6, department, &interface);
    }
    if (record == nullptr)
        return 0;
    if (record->Kind == 'G') {
        Show(289);
        return 0;
    }
    const std::string number = TrimRight(FieldText(record->Number, kFieldWidth));
    bool begins = false;
    for (int k : {5, 6, 4}) {
        const std::string field = FieldOf(interface, k);
        if (!field.empty() && number.compare(0, field.size(), field) == 0) {
            begins = true;
            break;
        }
    }
    if (!begins) {
        Show(293);
        return 0;
    }
    const std::string sales = FieldOf(interface, 5);
    std::string part = number.size() > sales.size() ? number.substr(sales.size()) : std::string();
    if (part.empty() || (part.size() > 6 && part[5] != ' ')) {
        Show(441);
        return 0;
    }
    part = part.substr(0, 5);
    if (department != nullptr)
        std::memcpy(department, part.c_str(), part.size() + 1);
    return 1;
}

int ValidateInterfaceAccountsQuiet(uint16_t accounts, char* department, TagAccount* record)
{
    quietValidation = 1;
    const int result = ValidateInterfaceAccounts(accounts, department, record);
    quietValidation = 0;
    return result;
}

int IsAccountReferenced(const char* account, uint16_t handle, int fileNumber)
{
    if (account == nullptr)
        return 0;
    if (fileNumber == No(FileNo::Vendors) && !IsInterfacedToAccounting())
        return 0;
    Table table;
    Status s = table.Borrow(static_cast<FileNo>(fileNumber), handle);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, OPEN_OPERATION, fileNumber, 0);
        return 0;
    }
    const int savedKey = table.Key();
    uint32_t position = 0;
    const bool kept = table.Position(position).Ok();
    table.SetKey(2);
    unsigned char record[1024] = {};
    const int length = GetDataFileRecordLength(fileNumber) > 0 &&
                               GetDataFileRecordLength(fileNumber) <= 1024
                           ? GetDataFileRecordLength(fileNumber)
                           : 795;
    KeyBuffer key;
    PadText(reinterpret_cast<char*>(key.bytes), kFieldWidth, TrimRight(FieldText(account, 64)).c_str());
    s = table.Get(B_GET_GE, key.bytes, record, length);
    bool found = false;
    if (!s.Ok() && !s.Is(B_END_OF_FILE)) {
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, fileNumber, 0);
    } else if (s.Ok() && length >= static_cast<int>(offsetof(CustomerRecord, ShipVia))) {
        CustomerRecord customer;
        std::memcpy(&customer, record, sizeof customer);
        found = TrimRight(FieldText(customer.Account, kFieldWidth)) ==
                TrimRight(FieldText(account, 64));
    }
    table.SetKey(savedKey);
    if (kept) {
        KeyBuffer back;
        std::memcpy(record, &position, 4);
        table.Get(B_GET_DIRECT, back.bytes, record, length);
    }
    return found ? 1 : 0;
}

int CheckAccountInUse(const char* account, const void* record)
{
    if (account == nullptr || record == nullptr)
        return 0;
    const char* fields = static_cast<const char*>(record);
    const std::string wanted = TrimRight(FieldText(account, 64));
    const std::string a28 = TrimRight(FieldText(fields + 28, kFieldWidth));
    const std::string a39 = TrimRight(FieldText(fields + 39, kFieldWidth));
    const std::string a50 = TrimRight(FieldText(fields + 50, kFieldWidth));
    if (Trim(a28).empty() && Trim(a39).empty())
        return 0;
    bool inUse = wanted == a28 || wanted == a39 || wanted == a50;
    if (!inUse)
        inUse = IsAccountReferenced(account, 0, No(FileNo::Customers)) ||
                IsAccountReferenced(account, 0, No(FileNo::Vendors));
    if (inUse)
        ShowMessage(425, MESSAGE_DEFAULT_CONTEXT);
    return inUse ? 1 : 0;
}

int CheckInterfaceAccountsSet(int flag, ...)
{
    TagInterfaceRecord interface;
    if (!ReadInterface(interface))
        return 0;
    bool ok = !(flag && FieldOf(interface, 0).empty());
    va_list args;
    va_start(args, flag);
    for (int n = va_arg(args, int); ok && n != 0; n = va_arg(args, int)) {
        if (n >= 1 && n <= 9 && FieldOf(interface, n).empty())
            ok = false;
    }
    va_end(args);
    if (!ok)
        ShowMessage(181, MESSAGE_DEFAULT_CONTEXT);
    return ok ? 1 : 0;
}

int CheckNotInterfaceAccount(const char* account, int flag, ...)
{
    TagInterfaceRecord interface;
    if (!ReadInterface(interface) || account == nullptr)
        return 0;
    const std::string wanted = Trim(FieldText(account, 64));
    if (flag && wanted == FieldOf(interface, 0)) {
        ShowMessage(181, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    int result = 1;
    va_list args;
    va_start(args, flag);
    for (int n = va_arg(args, int); n != 0; n = va_arg(args, int)) {
        if (n >= 1 && n <= 9 && wanted == FieldOf(interface, n)) {
            result = 0;
            break;
        }
    }
    va_end(args);
    if (!result)
        ShowMessage(425, MESSAGE_DEFAULT_CONTEXT);
    return result;
}

int InsertJournalCode(uint16_t journals, const char* code, TagJournal* out)
{
    TagJournal record{};
    JournalKey(record.JournalCode, code);
    Table table;
    table.Borrow(FileNo::Journals, journals);
    Status s = table.Insert(record);
    if (!s.Ok())
        ReportRecordManagerError(s.status, 1, B_INSERT, No(FileNo::Journals), 0);
    if (out != nullptr)
        *out = record;
    return s.status;
}

int IsReservedJournalCode(const char* code)
{
    if (code == nullptr)
        return 0;
    std::string text = Trim(FieldText(code, 16));
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* reserved : {"AR", "AP", "CH", "BI", "PO", "IN", "PY"})
        if (text == reserved)
            return 1;
    return 0;
}

int EnsureJournalCode(int mode, uint16_t journals, const char* code, char* numberOut)
{
    Table table;
    table.Borrow(FileNo::Journals, journals);
    TagJournal record;
    Status s = TakeJournalNumber(table, code, mode != 5, numberOut, record);
    if (!s.Ok())
        s.Report(1, 0);
    return s.status;
}

}  // extern "C"

BWPS_ORDINAL(50, GetInterfaceFlag);
BWPS_ORDINAL(51, ValidateInterfaceAccounts);
BWPS_ORDINAL(52, ValidateInterfaceAccount);
BWPS_ORDINAL(53, CheckAccountInUse);
BWPS_ORDINAL(54, ValidateInterfaceAccountsQuiet);
BWPS_ORDINAL(55, CheckInterfaceAccountsSet);
BWPS_ORDINAL(56, InsertJournalCode);
BWPS_ORDINAL(57, IsReservedJournalCode);
BWPS_ORDINAL(58, EnsureJournalCode);
