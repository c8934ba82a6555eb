/* bwps/audit.h: the audit log. A record editor replaces each insert,
 * update or delete of a master record by one ADbModify call, which writes
 * the record and logs the change with the acting user. */
#ifndef BWPS_AUDIT_H
#define BWPS_AUDIT_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/audit.h"

typedef int ENTITY_TYPE;

class BWPS_EXPORT AuditLog {
public:
    AuditLog();
    ~AuditLog();
    AuditLog(const AuditLog&) = delete;
    AuditLog& operator=(const AuditLog&) = delete;

    void SetUser(const char* userId);
    void SetBrmProdtId(int productOffset, unsigned char accountingCounter);
    /* The status of the data write. A failed log write after a good data
     * write is reported on its own and kept in LastLogStatus. */
    int ADbModify(ENTITY_TYPE type, const char* keyText, int16_t operation, uint16_t handle,
                  void* key, void* data, int16_t length, int16_t changeType);
    int RegMasterTableLog(ENTITY_TYPE type, int changeType, const char* keyText);
    int RegTransactionLog(ENTITY_TYPE type, int changeType, const char* keyText);
    static void GetEntityStringNames(ENTITY_TYPE type, char* entityName, char* title);
    static void GetChangeType(int16_t changeType, char* text);
    int LastLogStatus() const { return m_lastLogStatus; }

private:
    void InitAuditLog();
    void FinalizeAuditLog();
    bool ReadAuditLogLastNumbers(uint16_t handle, int update, char* numberText);
    uint32_t GetLastLogKey();
    int RegAuditLog();
    int Register(int kind, ENTITY_TYPE type, int changeType, const char* keyText);

    uint16_t m_auditHandle;
    uint16_t m_generalHandle;
    char m_userId[15];
    int32_t m_logKind;
    TagAuditRecord m_record;
    int32_t m_productOffset;
    uint8_t m_accountingCounter;
    int m_lastLogStatus;
    int m_counterStatus;
};

#endif
