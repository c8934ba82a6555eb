// Table classes: a thin handle class over one data file and the readers
// that pass over inactive records.
#include "bwps/db_table.h"

#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/records/accounts.h"
#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "recman.h"

CDbTable::CDbTable() : m_handle(0), m_ownsHandle(0) {}
CDbTable::CDbTable(uint16_t handle) : m_handle(handle), m_ownsHandle(0) {}

CDbTable::~CDbTable()
{
    if (m_ownsHandle && m_handle != 0)
        BtrCloseFile(m_handle);
}

int CDbTable::Open(int fileNumber, int16_t mode, int reserved)
{
    if (m_handle != 0)
        return 0;
    uint16_t handle = 0;
    const char* path = GetDataFilePath(fileNumber);
    if (path == nullptr)
        return B_INVALID_FILE_NAME;
    const int status = BtrOpenFile(&handle, path, mode, reserved);
    if (status == 0) {
        m_handle = handle;
        m_ownsHandle = 1;
    }
    return status;
}

int CDbTable::Close()
{
    if (m_handle == 0)
        return 0;
    const int status = BtrCloseFile(m_handle);
    m_handle = 0;
    m_ownsHandle = 0;
    return status;
}

int CDbTable::GetDefaults(int* key, int* second)
{
    return m_handle == 0 ? -1 : BtrGetDefaults(m_handle, key, second);
}

int CDbTable::OverRideDef(int key, int second)
{
    return m_handle == 0 ? -1 : BtrSetDefaults(m_handle, key, second);
}

int CDbTable::SelectIndex(int key)
{
    return OverRideDef(key, -1);
}

int CDbTable::Read(int16_t operation, void* key, void* data, int16_t length)
{
    return m_handle == 0 ? -1 : BtrGet(operation, m_handle, key, data, length);
}

int CDbTable::Modify(int16_t operation, void* key, void* data, int16_t length)
{
    return m_handle == 0 ? -1 : BtrWrite(operation, m_handle, key, data, length);
}

int CDbTable::Position(int16_t operation, unsigned long* position)
{
    if (m_handle == 0)
        return -1;
    uint32_t p = position != nullptr ? static_cast<uint32_t>(*position) : 0;
    const int status = BtrPosition(operation, m_handle, &p);
    if (position != nullptr)
        *position = p;
    return status;
}

int CDbTable::CreateSupIndex(int16_t fileNumber, int16_t c1, int16_t c2, int16_t c3)
{
    return m_handle == 0 ? -1 : CreateSupplementalIndex(fileNumber, m_handle, c1, c2, c3);
}

int CDbTable::DropSupIndex()
{
    return m_handle == 0 ? -1 : BtrCall211(m_handle);
}

long CDbTable::GetNumRecs()
{
    return m_handle == 0 ? -1 : BtrGetRecordCount(m_handle);
}

int CDbTable::Unlock(int key, unsigned long* position)
{
    if (m_handle == 0)
        return -1;
    uint32_t p = position != nullptr ? static_cast<uint32_t>(*position) : 0;
    return BtrUnlock(key, m_handle, position != nullptr ? &p : nullptr);
}

CDbTblActiveRecs::CDbTblActiveRecs(int statusOffset, char active)
    : m_active(active), m_statusOffset(statusOffset)
{
}

CDbTblActiveRecs::CDbTblActiveRecs(uint16_t handle, int statusOffset, char active)
    : CDbTable(handle), m_active(active), m_statusOffset(statusOffset)
{
}

CDbTblActiveRecs::~CDbTblActiveRecs() = default;

int CDbTblActiveRecs::Read(int16_t operation, void* key, void* data, int16_t length)
{
    const int bias = operation / 100 * 100;
    const int base = operation % 100;
    int status = CDbTable::Read(operation, key, data, length);
    for (;;) {
        if (status != 0)
            return status;
        const char c = static_cast<const char*>(data)[m_statusOffset];
        if (c == m_active || c == '\0' || c == ' ')
            return 0;
        int next = 0;
        switch (base) {
        case B_GET_EQUAL: return DB_INACTIVE_RECORD;
        case B_GET_NEXT: case B_GET_GE: case B_GET_FIRST: next = B_GET_NEXT; break;
        case B_GET_PREVIOUS: case B_GET_LAST: next = B_GET_PREVIOUS; break;
        case B_STEP_NEXT: case B_STEP_FIRST: next = B_STEP_NEXT; break;
        case B_GET_DIRECT: return 0;
        default: return DB_INACTIVE_RECORD;
        }
        status = CDbTable::Read(static_cast<int16_t>(next + bias), key, data, length);
    }
}

int CDbTblActiveRecs::DeleteInactiveRecords(int fileNumber, uint16_t handle, int column,
                                            char status, void* data, DeleteCallback callback,
                                            long argument)
{
    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(handle, &savedKey, &savedSecond);
    int result = BuildSupplementalIndex(fileNumber, handle, column, -1);
    if (result != 0) {
        BtrSetDefaults(handle, savedKey, savedSecond);
        return result;
    }
    const int length = GetDataFileRecordLength(fileNumber);
    char key[256] = {};
    key[0] = status;
    result = BtrGet(B_GET_GE, handle, key, data, length);
    if (result == B_KEY_NOT_FOUND || result == B_END_OF_FILE) {
        result = 0;
    } else {
        while (result == 0 && key[0] == status) {
            result = BtrWrite(B_DELETE, handle, key, data, length);
            if (result != 0)
                break;
            if (callback != nullptr) {
                result = callback(data, argument);
                if (result != 0)
                    break;
            }
            result = BtrGet(B_GET_NEXT, handle, key, data, length);
        }
        if (result == B_END_OF_FILE)
            result = 0;
    }
    BtrSetDefaults(handle, savedKey, savedSecond);
    return result;
}

#define BWPS_ACTIVE_READER(Class, offset)                                        \
    Class::Class() : CDbTblActiveRecs(offset, 'A') {}                                \
    Class::Class(uint16_t handle) : CDbTblActiveRecs(handle, offset, 'A') {}          \
    Class::~Class() = default;                                                         \
    int Class::Read(int16_t operation, void* key, void* data, int16_t length)          \
    {                                                                                  \
        return CDbTblActiveRecs::Read(operation, key, data, length);                   \
    }

BWPS_ACTIVE_READER(CDbTblActiveAcct, offsetof(TagAccount, RecordStatus))
BWPS_ACTIVE_READER(CDbTblActiveProd, offsetof(ProductRecord, Status))
BWPS_ACTIVE_READER(CDbTblActiveServ, offsetof(ServiceRecord, Status))
BWPS_ACTIVE_READER(CDbTblActiveCust, offsetof(CustomerRecord, Status))
