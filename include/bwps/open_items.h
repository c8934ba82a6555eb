/* bwps/open_items.h: balances and aging of open items, the advance
 * entries, and the data-file existence test in a folder. Side: 3
 * receivables (customers), 2 payables (vendors). */
#ifndef BWPS_OPEN_ITEMS_H
#define BWPS_OPEN_ITEMS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/open_invoices.h"
#include "bwps/records/open_items.h"

#ifdef __cplusplus
class BwOIHeader;
#else
typedef struct BwOIHeader BwOIHeader;
#endif

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
/* Moves the open items of a customer's document (status "O", key 2) into
 * the customer history: each is deleted, its header kept in step and a
 * numbered history line added, all in one transaction. True when every
 * item went to history; on false nothing was moved. */
BWPS_EXPORT int ImportCustHistTransactions(uint16_t openHandle, uint16_t customerHandle,
                                           const char* customer, const char* document,
                                           int unused);                          /* 79 */
/* The numbered insert of a detail (operation 2) with its header kept in
 * step: with the given header object or one over the header file of that
 * detail file (general handle 0: the general file is opened). The status;
 * on a failure neither the detail nor its header was written. */
BWPS_EXPORT int AddOpenInvoiceFromHistory(int operation, uint16_t generalHandle,
                                          uint16_t dataHandle, int fileNumber,
                                          TagOpenInvoice* record, BwOIHeader* header); /* 80 */
/* Deletes the detail with that number (0: nothing) and keeps its header in
 * step. The status. */
BWPS_EXPORT int DeleteOpenInvoiceByNumber(uint16_t handle, int fileNumber, int32_t number,
                                          TagOpenInvoice* record, BwOIHeader* header); /* 81 */
/* Creates the receivables header file (file 70) in the folder (null: the
 * data folder) and rebuilds every header from the details of file 3. The
 * rebuild's status. */
BWPS_EXPORT int ProcessArOpenInvoice(const char* folder);                        /* 3380 */
BWPS_EXPORT int DataFileExistsInFolder(int fileNumber, const char* folder, int* status); /* 4100 */

#ifdef __cplusplus
}
#endif

#endif
