// The warehouses a user may use: marks in the warehouse list written back
// as access records.
#include "bwps/files.h"
#include "bwps/user_access.h"

#include <cstdio>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/messages.h"
#include "bwps/neighbours.h"
#include "bwps/screen_utils.h"
#include "recman.h"

namespace {

constexpr int kAccessFile = bwps::No(bwps::FileNo::UserWarehouses);
constexpr int kWarehouseFile = bwps::No(bwps::FileNo::Warehouses);
constexpr int kAccessSize = 19;
constexpr int kMarkAllMessage = 1485;

uint8_t& Mark(uint8_t* warehouse) { return warehouse[WAREHOUSE_MARK_OFFSET]; }

void FormatWarehouse(LookUpDefinition*, const void* record, char* text, int size)
{
    const auto* w = static_cast<const uint8_t*>(record);
    std::snprintf(text, static_cast<size_t>(size), "%s %-4.4s %-40.40s",
                  w[WAREHOUSE_MARK_OFFSET] == WAREHOUSE_MARK ? "[x]" : "[ ]",
                  reinterpret_cast<const char*>(w), reinterpret_cast<const char*>(w + 4));
}

int ToggleKey(LookUpDefinition* list)
{
    auto* table = static_cast<CUserAccessTable*>(list->Caller);
    if (list->RowCount < 1)
        return 0;
    const auto* record = static_cast<const uint8_t*>(list->Record);
    char id[5] = {};
    std::memcpy(id, record, 4);
    table->ToggleMark(id);
    LookUpSendMsg(list, LOOKUP_REDRAW);
    return 0;
}

int AllKey(LookUpDefinition* list)
{
    auto* table = static_cast<CUserAccessTable*>(list->Caller);
    int choice = 3;
    AskMessage(kMarkAllMessage, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, LibraryColorSets() + 25, 0,
               0, 0, 0, 0);
    if (choice == 1 || choice == 2) {
        table->MarkAll(choice == 1);
        LookUpSendMsg(list, LOOKUP_REDRAW);
    }
    return 0;
}

int AcceptKey(LookUpDefinition* list)
{
    list->Picked = 1;
    return 1;
}

}  // namespace

CUserAccessTable::CUserAccessTable()
    : m_access{}, m_userId{}, m_key{}, m_warehouse{}, m_accessHandle(0), m_warehouseHandle(0),
      m_accessOpen(0), m_warehouseOpen(0), m_listResult(0)
{
}

CUserAccessTable::CUserAccessTable(const char* userId) : CUserAccessTable()
{
    if (userId != nullptr)
        std::memcpy(m_userId, userId, strnlen(userId, sizeof m_userId));
}

CUserAccessTable::~CUserAccessTable()
{
    CloseAccessFile();
    CloseWarehouseFile();
}

int CUserAccessTable::OpenAccessFile()
{
    if (m_accessOpen)
        return 0;
    const int status = BtrOpenFile(&m_accessHandle, GetDataFilePath(kAccessFile), 0, 0);
    m_accessOpen = status == 0;
    return status;
}

int CUserAccessTable::CloseAccessFile()
{
    if (!m_accessOpen)
        return 0;
    m_accessOpen = 0;
    return BtrCloseFile(m_accessHandle);
}

bool CUserAccessTable::OpenWarehouseFile()
{
    if (m_warehouseOpen)
        return true;
    const int status = BtrOpenFile(&m_warehouseHandle, GetDataFilePath(kWarehouseFile), 1024, 0);
    if (status != 0) {
        ReportRecordManagerError(status, 1, OPEN_OPERATION, kWarehouseFile, 0);
        return false;
    }
    m_warehouseOpen = 1;
    return true;
}

int CUserAccessTable::CloseWarehouseFile()
{
    if (!m_warehouseOpen)
        return 0;
    m_warehouseOpen = 0;
    return BtrCloseFile(m_warehouseHandle);
}

void CUserAccessTable::BuildAccessKey(const char* userId, const void* warehouse)
{
    std::memset(m_key, 0, sizeof m_key);
    std::memcpy(m_key, userId, strnlen(userId, 15));
    if (warehouse != nullptr)
        std::memcpy(m_key + 15, warehouse, 4);
}

int CUserAccessTable::FindAccess()
{
    char key[256] = {};
    std::memcpy(key, m_key, sizeof m_key);
    return BtrGet(B_GET_EQUAL, m_accessHandle, key, m_access, kAccessSize);
}

int CUserAccessTable::InsertAccess(const void* warehouse)
{
    BuildAccessKey(m_userId, warehouse);
    std::memcpy(m_access, m_key, kAccessSize);
    char key[256] = {};
    const int status = BtrWrite(B_INSERT, m_accessHandle, key, m_access, kAccessSize);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_INSERT, kAccessFile, 0);
    return status;
}

int CUserAccessTable::DeleteUserAccess()
{
    if (OpenAccessFile() != 0)
        return B_FILE_NOT_OPEN;
    BuildAccessKey(m_userId, nullptr);
    char key[256] = {};
    std::memcpy(key, m_key, 15);
    int status = BtrGet(B_GET_GE, m_accessHandle, key, m_access, kAccessSize);
    while (status == 0 && std::memcmp(m_access, m_key, 15) == 0) {
        status = BtrWrite(B_DELETE, m_accessHandle, key, m_access, kAccessSize);
        if (status != 0)
            break;
        std::memset(key, 0, sizeof key);
        std::memcpy(key, m_key, 15);
        status = BtrGet(B_GET_GE, m_accessHandle, key, m_access, kAccessSize);
    }
    if (status == 0 || status == B_END_OF_FILE)
        return 0;
    ReportRecordManagerError(status, 1, B_GET_GE, kAccessFile, 0);
    return status;
}

bool CUserAccessTable::LoadMarks()
{
    if (!OpenWarehouseFile() || OpenAccessFile() != 0)
        return false;
    char key[256] = {};
    int status = BtrGet(B_GET_FIRST, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
    while (status == 0) {
        BuildAccessKey(m_userId, m_warehouse);
        const int found = FindAccess();
        if (found == 0)
            Mark(m_warehouse) = WAREHOUSE_MARK;
        else if (found == B_KEY_NOT_FOUND)
            Mark(m_warehouse) = ' ';
        else {
            ReportRecordManagerError(found, 1, B_GET_EQUAL, kAccessFile, 0);
            return false;
        }
        const int updated = BtrWrite(B_UPDATE, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
        if (updated != 0) {
            ReportRecordManagerError(updated, 1, B_UPDATE, kWarehouseFile, 0);
            return false;
        }
        status = BtrGet(B_GET_NEXT, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
    }
    if (status == B_END_OF_FILE)
        return true;
    ReportRecordManagerError(status, 1, B_GET_NEXT, kWarehouseFile, 0);
    return false;
}

bool CUserAccessTable::SaveMarks()
{
    if (m_userId[0] == '\0' || !OpenWarehouseFile())
        return false;
    if (DeleteUserAccess() != 0)
        return false;
    char key[256] = {};
    int status = BtrGet(B_GET_FIRST, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
    while (status == 0) {
        if (Mark(m_warehouse) == WAREHOUSE_MARK && InsertAccess(m_warehouse) != 0)
            return false;
        status = BtrGet(B_GET_NEXT, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
    }
    if (status == B_END_OF_FILE)
        return true;
    ReportRecordManagerError(status, 1, B_GET_NEXT, kWarehouseFile, 0);
    return false;
}

int CUserAccessTable::ToggleMark(const char* warehouseId)
{
    if (!OpenWarehouseFile())
        return B_FILE_NOT_OPEN;
    int key0 = 0, second = 0;
    BtrGetDefaults(m_warehouseHandle, &key0, &second);
    uint32_t position = 0;
    const bool saved = BtrPosition(B_GET_DIRECT, m_warehouseHandle, &position) == 0;
    char key[256] = {};
    std::memcpy(key, warehouseId, strnlen(warehouseId, 4));
    BtrSetDefaults(m_warehouseHandle, 0, -1);
    int status = BtrGet(B_GET_EQUAL, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
    if (status == 0) {
        Mark(m_warehouse) = Mark(m_warehouse) == WAREHOUSE_MARK ? uint8_t{' '} : uint8_t{WAREHOUSE_MARK};
        status = BtrWrite(B_UPDATE, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
    }
    if (status != 0)
        ReportRecordManagerError(status, 1, B_UPDATE, kWarehouseFile, 0);
    BtrSetDefaults(m_warehouseHandle, key0, -1);
    if (saved)
        BtrPosition(0, m_warehouseHandle, &position);
    return status;
}

int CUserAccessTable::MarkAll(bool mark)
{
    if (!OpenWarehouseFile())
        return B_FILE_NOT_OPEN;
    const uint8_t wanted = mark ? uint8_t{WAREHOUSE_MARK} : uint8_t{' '};
    char key[256] = {};
    int status = BtrGet(B_GET_FIRST, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
    while (status == 0) {
        if (Mark(m_warehouse) != wanted) {
            Mark(m_warehouse) = wanted;
            status = BtrWrite(B_UPDATE, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
            if (status != 0) {
                ReportRecordManagerError(status, 1, B_UPDATE, kWarehouseFile, 0);
                return status;
            }
        }
        status = BtrGet(B_GET_NEXT, m_warehouseHandle, key, m_warehouse, WAREHOUSE_RECORD_SIZE);
    }
    return status == B_END_OF_FILE ? 0 : status;
}

int CUserAccessTable::FillList()
{
    m_listResult = 0;
    TagColumnDefinition columns[3];
    if (GetColumnDefinitions("BPOSWHSE.DB", sizeof columns, columns, 1, 2, 0) != 0)
        return 0;
    if (!OpenWarehouseFile())
        return 0;
    LookUpDefinition list{};
    list.Row = 6;
    list.Column = 7;
    list.Height = 10;
    list.Width = 64;
    list.Title = " Warehouses ";
    list.ColourSet = 3;
    list.Handle = m_warehouseHandle;
    list.RecordLength = WAREHOUSE_RECORD_SIZE;
    list.Record = m_warehouse;
    list.FormatRecord = FormatWarehouse;
    list.Keys[0] = {' ', ToggleKey};
    list.Keys[1] = {0x4200, AllKey};      // F8
    list.Keys[2] = {0x4400, AcceptKey};   // F10
    list.Caller = this;
    LookUpProcessDlg(&list, 0);
    m_listResult = list.Picked;
    return m_listResult;
}
