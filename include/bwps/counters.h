/* bwps/counters.h: the record-number counters "0IndexValues   " and the
 * numbered insert of open-item records. */
#ifndef BWPS_COUNTERS_H
#define BWPS_COUNTERS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/counters.h"

#ifdef __cplusplus
extern "C" {
#endif

BWPS_EXPORT int ReadIndexValues(TagIndexValues* record, int operation, uint16_t handle);  /* 83 */
BWPS_EXPORT int WriteIndexValues(TagIndexValues* record, int operation, uint16_t handle); /* 84 */
BWPS_EXPORT int ScanIndexValues(TagIndexValues* record);                                  /* 85 */
BWPS_EXPORT int RaiseIndexValues(TagIndexValues* record);                                 /* 86 */
BWPS_EXPORT int TakeIndexValue(TagIndexValues* record, int32_t* number, int fileNumber);  /* 87 */
/* Numbers the record (offset 42) from the counters and, for operation 2,
 * inserts it. The status of the first failing step, else of the counters'
 * update. */
BWPS_EXPORT int InsertNumberedRecord(int operation, uint16_t generalHandle, uint16_t dataHandle,
                                     int fileNumber, void* record);
BWPS_EXPORT int DeleteByNumber(uint16_t handle, int fileNumber, int32_t number, void* record);
BWPS_EXPORT int SaveRestorePosition(uint16_t handle, int fileNumber, int mode, int* key,
                                    uint32_t* position);                                  /* 82 */
/* The precedence letter of an open item: file 2 swaps "2" and "3". */
BWPS_EXPORT char OpenItemPrecedence(int fileNumber, char type);

#ifdef __cplusplus
}
#endif

#endif
