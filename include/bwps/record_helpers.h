/* bwps/record_helpers.h: one-record services: the "0Defaults      " record,
 * tax codes, active customers and customer statistics. */
#ifndef BWPS_RECORD_HELPERS_H
#define BWPS_RECORD_HELPERS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/options.h"

#ifdef __cplusplus
extern "C" {
#endif

/* True when read; a missing record gives the built-in defaults. */
BWPS_EXPORT int ReadDefaultsRecord(TagDefaultsRecord* record);
BWPS_EXPORT int WriteDefaultsRecord(TagDefaultsRecord* record);                     /* 301 */
BWPS_EXPORT int ReadTaxRecord(uint16_t handle, const char* code, void* record);
BWPS_EXPORT int ReadTaxTableRecord(const char* code, int windowFlag);
/* The status of the read; inactive customers (status byte not "A") count
 * as not found. */
BWPS_EXPORT int ReadActiveCustomer(uint16_t handle, void* record795, const char* code);
BWPS_EXPORT int LookupActiveCustomer(const char* code, int windowFlag);
BWPS_EXPORT int ReadCustomerHistory(uint16_t handle, const void* key15, TagCustomerStatistics* record);
BWPS_EXPORT int AddSaleToCustomerHistory(uint16_t handle, const TagCustomerStatistics* source,
                                         const char* code, int32_t kind, int period, int count);
BWPS_EXPORT int ReadGeneralMessageText(int unused, const char* key16, void* record818); /* 1289 */
BWPS_EXPORT void ClearCustomerHistoryAmounts(void* record);

#ifdef __cplusplus
}

class BWPS_EXPORT CDefaultsRecord {
public:
    CDefaultsRecord();
    virtual ~CDefaultsRecord();
    int Read();
    int Write();
    TagDefaultsRecord& Record() { return m_record; }

private:
    TagDefaultsRecord m_record;
    uint16_t m_handle;
    char m_key[16];
};
#endif

#endif
