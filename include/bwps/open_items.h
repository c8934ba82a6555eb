/* bwps/open_items.h: balances and aging of open items, the advance
 * entries, and the data-file existence test in a folder. Side: 3
 * receivables (customers), 2 payables (vendors). */
#ifndef BWPS_OPEN_ITEMS_H
#define BWPS_OPEN_ITEMS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/open_items.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { AGING_LAST_LIMIT = 30000000, AGING_PERIODS = 10 };

BWPS_EXPORT int ReadAdvanceOpenItems(int side, uint16_t handle, void* key, int32_t dateLimit,
                                     TagOpenItem* record);                       /* 88 */
BWPS_EXPORT int PickMainOpenItem(int* found, int* invoice, int side, TagOpenItem* main,
                                 const TagOpenItem* record);                     /* 89 */
BWPS_EXPORT int IsAdvanceEntry(const TagOpenItem* record);                       /* 90 */
BWPS_EXPORT int AddToAging(TagAgingState* state, const TagOpenItem* record, int side); /* 91 */
BWPS_EXPORT int InitAgingState(TagAgingState* state, const void* customer795);   /* 92 */
BWPS_EXPORT int SetAgingPeriods(TagAgingState* state, int32_t date, int length, int count); /* 93 */
BWPS_EXPORT int CloseAgingDocument(TagAgingState* state);                        /* 94 */
BWPS_EXPORT int SetAgingDueDate(TagAgingState* state, const TagOpenItem* record, int side); /* 95 */
BWPS_EXPORT int IsReducingEntry(int side, const TagOpenItem* record);            /* 96 */
/* A customer's open items on key 1, document by document: the totals of
 * documents on or after the aging date (or negative) and of the others,
 * and the latest invoice. True when the walk ended without a read failure. */
BWPS_EXPORT int ListOpenItemsToWindow(uint16_t handle, const void* customer795, double* current,
                                      double* pastDue, double* lastAmount, int32_t* lastDate,
                                      int32_t agingDate);                        /* 97 */
BWPS_EXPORT int DataFileExistsInFolder(int fileNumber, const char* folder, int* status); /* 4100 */

#ifdef __cplusplus
}
#endif

#endif
