/* bwps/db_table.h: the exported table classes. CDbTable wraps one open
 * data file; CDbTblActiveRecs hides records whose status character is not
 * the active one; three readers bind it to the accounts, products and
 * services. */
#ifndef BWPS_DB_TABLE_H
#define BWPS_DB_TABLE_H

#include <stdint.h>

#include "bwps/export.h"

/* Status of CDbTblActiveRecs::Read: the record found is inactive. */
enum { DB_INACTIVE_RECORD = 10000 };

class BWPS_EXPORT CDbTable {
public:
    CDbTable();
    explicit CDbTable(uint16_t handle);
    virtual ~CDbTable();
    CDbTable(const CDbTable&) = delete;
    CDbTable& operator=(const CDbTable&) = delete;

    int Open(int fileNumber, int16_t mode, int reserved);
    int Close();
    int GetDefaults(int* key, int* second);
    int OverRideDef(int key, int second);
    int SelectIndex(int key);
    virtual int Read(int16_t operation, void* key, void* data, int16_t length);
    virtual int Modify(int16_t operation, void* key, void* data, int16_t length);
    virtual int Position(int16_t operation, unsigned long* position);
    int CreateSupIndex(int16_t fileNumber, int16_t c1, int16_t c2, int16_t c3);
    int DropSupIndex();
    long GetNumRecs();
    int Unlock(int key, unsigned long* position);
    uint16_t Handle() const { return m_handle; }

protected:
    uint16_t m_handle;
    uint8_t m_ownsHandle;
};

typedef int (*DeleteCallback)(void* data, long argument);

class BWPS_EXPORT CDbTblActiveRecs : public CDbTable {
public:
    CDbTblActiveRecs(int statusOffset, char active);
    CDbTblActiveRecs(uint16_t handle, int statusOffset, char active);
    ~CDbTblActiveRecs() override;
    int Read(int16_t operation, void* key, void* data, int16_t length) override;

    /* Deletes every record whose status column holds `status`, walking a
     * supplemental index over the column. The saved key is always set back. */
    static int DeleteInactiveRecords(int fileNumber, uint16_t handle, int column, char status,
                                     void* data, DeleteCallback callback, long argument);

protected:
    char m_active;
    int32_t m_statusOffset;
};

class BWPS_EXPORT CDbTblActiveAcct : public CDbTblActiveRecs {
public:
    CDbTblActiveAcct();
    explicit CDbTblActiveAcct(uint16_t handle);
    ~CDbTblActiveAcct() override;
    int Read(int16_t operation, void* key, void* data, int16_t length) override;
};

class BWPS_EXPORT CDbTblActiveProd : public CDbTblActiveRecs {
public:
    CDbTblActiveProd();
    explicit CDbTblActiveProd(uint16_t handle);
    ~CDbTblActiveProd() override;
    int Read(int16_t operation, void* key, void* data, int16_t length) override;
};

class BWPS_EXPORT CDbTblActiveServ : public CDbTblActiveRecs {
public:
    CDbTblActiveServ();
    explicit CDbTblActiveServ(uint16_t handle);
    ~CDbTblActiveServ() override;
    int Read(int16_t operation, void* key, void* data, int16_t length) override;
};

class BWPS_EXPORT CDbTblActiveCust : public CDbTblActiveRecs {
public:
    CDbTblActiveCust();
    explicit CDbTblActiveCust(uint16_t handle);
    ~CDbTblActiveCust() override;
    int Read(int16_t operation, void* key, void* data, int16_t length) override;
};

#endif
