// The audit log BPOSAULG.DB: every change of a master record or a
// transaction with the acting user, numbered from a counter of the general
// settings file.
#include "bwps/files.h"
#include "bwps/audit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kAuditFile = bwps::No(bwps::FileNo::AuditLog);
constexpr int kLastNumbersCounter = 9;   // offset 52 of "0lastnumbers   "
constexpr int kTransInfoCounter = 20;    // offset 96 of "0TransInfo     "

struct EntityName {
    const char* title;
    const char* entity;
};

const EntityName kEntities[] = {
    {"Edit Accounts", "Account"},
    {"Edit Customers", "Customer"},
    {"Edit Vendors", "Vendor"},
    {"Edit Products", "Product"},
    {"Edit Services", "Service"},
    {"Edit Master Items", "Master Item"},
    {"Edit Fixed Assets", "Fixed Asset"},
    {"Edit Purchasing Codes", "Purchasing Code"},
    {"Edit Billing Codes", "Billing Code"},
    {"Edit Salespeople", "Salespeople"},
    {"Edit Messages", "Message"},
    {"Edit Price Breaks", "Price Break"},
    {"Edit Shipping Methods", "Shipping Method"},
    {"Edit Terms", "Term"},
    {"Edit Taxes", "Tax"},
    {"Edit Warehouses", "Warehouse"},
    {"Edit Weight Units", "Weight Unit"},
    {"GL Transaction", "General Ledger"},
    {"AR Transaction", "Accounts Receivable"},
    {"AP Transaction", "Accounts Payable"},
    {"Receipts Transaction", "Cash Receipt"},
    {"Autopay Generate", "Cash Autopay"},
    {"Payment Transaction", "Cash Payment"},
    {"Cash Adjustments", "Cash Adjustment"},
    {"Bank Reconciliation", "Reconciliation"},
    {"Cash Void Checks", "Void Checks"},
    {"Puerchase Receipts Entry", "Merchandise Receipt"},
    {"Puerchase Returns Entry", "Merchandise Return"},
    {"Invoices Entry", "Invoice"},
    {"Sale Return Entry", "Sale Return"},
    {"Inventory Adjustments", "Inventory"},
    {"Assembly Transactions", "Assembly"},
    {"Physical Inventory Entry", "Physical Inventory"},
    {"Sales Register Entry", "Sales Register"},
    {"Inventory Adjustments", "Inventory"},
    {"Assembly Transactions", "Assembly"},
    {"Orders Entry", "Orders"},
    {"Invoices Entry", "Invoice"},
    {"Inventory Adjustments", "Inventory"},
    {"Assembly Transactions", "Assembly"},
    {"Edit Employee", "Employee"},
    {"Edit Federal Tax Table", "Federal Tax"},
    {"Edit Local Tax Table", "Local Tax"},
    {"Edit State Tax", "State Tax"},
};

const char* Prefix(int offset, int type)
{
    switch (offset) {
    case 100: return "POS ";
    case 200: return "OE ";
    case 300: return "PR ";
    default: break;
    }
    if (type >= 34 && type <= 36)
        return "POS ";
    if (type >= 37 && type <= 40)
        return "OE ";
    if (type >= 41 && type <= 44)
        return "PR ";
    return "ACCT ";
}

int GeneralFileOf(bool accounting)
{
    return accounting ? bwps::No(bwps::FileNo::AccountingGeneral) : bwps::No(bwps::FileNo::General);
}

}  // namespace

AuditLog::AuditLog()
    : m_auditHandle(0), m_generalHandle(0), m_userId{}, m_logKind(0), m_record{},
      m_productOffset(0), m_accountingCounter(0), m_lastLogStatus(0), m_counterStatus(0)
{
    InitAuditLog();
}

AuditLog::~AuditLog()
{
    FinalizeAuditLog();
}

void AuditLog::InitAuditLog()
{
    int status = BtrOpenFile(&m_auditHandle, GetDataFilePath(kAuditFile), 0, 0);
    if (status != 0) {
        m_auditHandle = 0;
        ReportRecordManagerError(status, 1, B_OPEN, kAuditFile, 0);
    }
    status = BtrOpenFile(&m_generalHandle, GetDataFilePath(bwps::No(bwps::FileNo::General)), 0, 0);
    if (status != 0) {
        m_generalHandle = 0;
        ReportRecordManagerError(status, 1, B_OPEN, bwps::No(bwps::FileNo::General), 0);
    }
}

void AuditLog::FinalizeAuditLog()
{
    if (m_auditHandle != 0)
        BtrCloseFile(m_auditHandle);
    if (m_generalHandle != 0)
        BtrCloseFile(m_generalHandle);
    m_auditHandle = m_generalHandle = 0;
}

void AuditLog::SetUser(const char* userId)
{
    std::memset(m_userId, 0, sizeof m_userId);
    if (userId != nullptr)
        std::strncpy(m_userId, userId, sizeof m_userId - 1);
}

void AuditLog::SetBrmProdtId(int productOffset, unsigned char accountingCounter)
{
    m_productOffset = productOffset;
    m_accountingCounter = accountingCounter;
    if (accountingCounter == 0)
        return;
    if (m_generalHandle != 0)
        BtrCloseFile(m_generalHandle);
    m_generalHandle = 0;
    const int status =
        BtrOpenFile(&m_generalHandle, GetDataFilePath(bwps::No(bwps::FileNo::AccountingGeneral)), 0, 0);
    if (status != 0) {
        m_generalHandle = 0;
        ReportRecordManagerError(status, 1, B_OPEN, bwps::No(bwps::FileNo::AccountingGeneral), 0);
    }
}

int AuditLog::ADbModify(ENTITY_TYPE type, const char* keyText, int16_t operation, uint16_t handle,
                        void* key, void* data, int16_t length, int16_t changeType)
{
    const int status = BtrWrite(operation, handle, key, data, length);
    m_lastLogStatus = 0;
    if (status != 0 || type == -1)
        return status;
    const int change = changeType == -1 ? operation : changeType;
    m_lastLogStatus = type >= 1 && type <= 17 ? RegMasterTableLog(type, change, keyText)
                                              : RegTransactionLog(type, change, keyText);
    // The record is written whatever became of its log entry; the log's own
    // failure has been reported where it happened.
    return status;
}

int AuditLog::Register(int kind, ENTITY_TYPE type, int changeType, const char* keyText)
{
    m_logKind = kind;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::memset(&m_record, 0, sizeof m_record);
    std::memcpy(m_record.UserId, m_userId, sizeof m_record.UserId);
    m_record.UserId[sizeof m_record.UserId - 1] = '\0';
    m_record.Date = FxSystemDate();
    m_record.Time = local.tm_hour * 100 + local.tm_min;
    m_record.EntityType = kind == 0 ? type + m_productOffset : type;
    m_record.ChangeType = changeType;
    m_record.Zero = 0;
    const unsigned hour = static_cast<unsigned>(local.tm_hour) % 24u;
    const unsigned minute = static_cast<unsigned>(local.tm_min) % 60u;
    m_record.TimeText[0] = static_cast<char>('0' + hour / 10);
    m_record.TimeText[1] = static_cast<char>('0' + hour % 10);
    m_record.TimeText[2] = ':';
    m_record.TimeText[3] = static_cast<char>('0' + minute / 10);
    m_record.TimeText[4] = static_cast<char>('0' + minute % 10);
    m_record.TimeText[5] = '\0';
    if (keyText != nullptr)
        std::strncpy(m_record.KeyText, keyText, sizeof m_record.KeyText - 1);
    return RegAuditLog();
}

int AuditLog::RegMasterTableLog(ENTITY_TYPE type, int changeType, const char* keyText)
{
    return Register(0, type, changeType, keyText);
}

int AuditLog::RegTransactionLog(ENTITY_TYPE type, int changeType, const char* keyText)
{
    return Register(1, type, changeType, keyText);
}

int AuditLog::RegAuditLog()
{
    if (!PasswordsInForce())
        return 0;
    m_record.Number = GetLastLogKey();
    if (m_counterStatus != 0)
        return m_counterStatus;   // no number: nothing is written
    const uint32_t number = m_record.Number;
    char key[256] = {};
    std::memcpy(key, &number, 4);
    TagAuditRecord found{};
    int status = BtrGet(B_GET_GE, m_auditHandle, key, &found, AUDIT_RECORD_SIZE);
    if (status == 0 && found.Number == number) {
        // Numbers that come round again replace the oldest entry.
        status = BtrWrite(B_DELETE, m_auditHandle, key, &found, AUDIT_RECORD_SIZE);
    }
    if (status != 0 && status != B_KEY_NOT_FOUND && status != B_END_OF_FILE) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, kAuditFile, 0);
        return status;
    }
    std::memcpy(key, &number, 4);
    status = BtrWrite(B_INSERT, m_auditHandle, key, &m_record, AUDIT_RECORD_SIZE);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_INSERT, kAuditFile, 0);
    return status;
}

bool AuditLog::ReadAuditLogLastNumbers(uint16_t handle, int update, char* numberText)
{
    const bool accounting = m_accountingCounter != 0;
    const int file = GeneralFileOf(accounting);
    const char* recordKey = accounting ? GENERAL_KEY_TRANSINFO : GENERAL_KEY_LASTNUMBERS;
    const int length = accounting ? GENERAL_TRANSINFO_SIZE : GENERAL_LASTNUMBERS_SIZE;
    const int counter = accounting ? kTransInfoCounter : kLastNumbersCounter;
    bool opened = false;
    m_counterStatus = 0;
    if (handle == 0) {
        const int status = BtrOpenFile(&handle, GetDataFilePath(file), 0, 0);
        if (status != 0) {
            ReportRecordManagerError(status, 1, OPEN_OPERATION, file, 0);
            m_counterStatus = status;
            return false;
        }
        opened = true;
    }
    TagTransInfo record{};   // the longer of the two layouts
    char key[256] = {};
    std::memcpy(key, recordKey, GENERAL_KEY_SIZE);
    int status = BtrGet(B_GET_EQUAL + (update ? B_LOCK_MULTI_NOWAIT : 0), handle, key, &record,
                        length);
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, file, 0);
        m_counterStatus = status;
        if (opened)
            BtrCloseFile(handle);
        return false;
    }
    uint32_t value = static_cast<uint32_t>(record.Counters[counter]);
    value = value < 4294967295u ? value + 1 : 1;
    record.Counters[counter] = static_cast<int32_t>(value);
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", static_cast<double>(value));
    // Right-aligned in 14 characters (the counter never has more digits).
    const size_t digits = std::strlen(text);
    std::memset(numberText, ' ', 14);
    std::memcpy(numberText + 14 - digits, text, digits);
    numberText[14] = '\0';
    if (update) {
        status = BtrWrite(B_UPDATE, handle, key, &record, length);
        if (status != 0)
            ReportRecordManagerError(status, 1, B_UPDATE, file, 0);
        const int unlocked = BtrUnlock(-2, handle, nullptr);
        if (unlocked != 0) {
            ReportRecordManagerError(unlocked, 1, -2, file, 0);
            if (status == 0)
                status = unlocked;
        }
    }
    if (opened)
        BtrCloseFile(handle);
    m_counterStatus = status;
    return status == 0;
}

uint32_t AuditLog::GetLastLogKey()
{
    char text[16] = {};
    if (!ReadAuditLogLastNumbers(m_generalHandle, 1, text))
        return 0;
    return static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
}

void AuditLog::GetEntityStringNames(ENTITY_TYPE type, char* entityName, char* title)
{
    const int offset = type / 100 * 100;
    const int proper = type % 100;
    const EntityName* e = proper >= 1 && proper <= 44 ? &kEntities[proper - 1] : nullptr;
    if (entityName != nullptr)
        std::strcpy(entityName, e != nullptr ? e->entity : "Record");
    if (title != nullptr)
        std::sprintf(title, "%s%s", Prefix(offset, proper), e != nullptr ? e->title : "Unknown");
}

void AuditLog::GetChangeType(int16_t changeType, char* text)
{
    switch (changeType) {
    case B_INSERT: std::strcpy(text, "Insert"); break;
    case B_UPDATE: std::strcpy(text, "Update"); break;
    case B_DELETE: std::strcpy(text, "Delete"); break;
    default: std::strcpy(text, "Change"); break;
    }
}
