/* bwps/user_access.h: the warehouses a user may use (BPOSGEN4.DB, file 78)
 * kept through marks in the warehouse file (BPOSWHSE.DB, file 76, last
 * byte: 0xFB granted, blank not). */
#ifndef BWPS_USER_ACCESS_H
#define BWPS_USER_ACCESS_H

#include <stdint.h>

#include "bwps/export.h"

enum { WAREHOUSE_RECORD_SIZE = 362, WAREHOUSE_MARK_OFFSET = 361, WAREHOUSE_MARK = 0xFB };

class BWPS_EXPORT CUserAccessTable {
public:
    CUserAccessTable();
    explicit CUserAccessTable(const char* userId);
    virtual ~CUserAccessTable();
    CUserAccessTable(const CUserAccessTable&) = delete;
    CUserAccessTable& operator=(const CUserAccessTable&) = delete;

    int OpenAccessFile();
    int CloseAccessFile();
    bool OpenWarehouseFile();
    int CloseWarehouseFile();
    int FindAccess();
    int InsertAccess(const void* warehouse);
    int DeleteUserAccess();
    bool LoadMarks();
    bool SaveMarks();
    int FillList();

    /* Toggles the mark of one warehouse (list key); the update status. */
    int ToggleMark(const char* warehouseId);
    /* Marks (choice 1) or clears (choice 2) every warehouse; 0 or a status. */
    int MarkAll(bool mark);
    uint16_t WarehouseHandle() const { return m_warehouseHandle; }

private:
    void BuildAccessKey(const char* userId, const void* warehouse);

    uint8_t m_access[19];
    char m_userId[19];
    uint8_t m_key[19];
    uint8_t m_warehouse[WAREHOUSE_RECORD_SIZE];
    uint16_t m_accessHandle;
    uint16_t m_warehouseHandle;
    uint8_t m_accessOpen;
    uint8_t m_warehouseOpen;
    int32_t m_listResult;
};

#endif
