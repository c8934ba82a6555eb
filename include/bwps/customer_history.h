/* bwps/customer_history.h: the customer history services (ordinals 42-49)
 * and the temporary work files (396, 397).
 *
 * History is kept for open-item customers (account type 'O') when the
 * store's setting is on (bytes 73-74 of "0sysinterface  " are "Y"). The
 * customer and the document header are passed as their stored records
 * (795-byte customer, 586-byte sales header).
 */
#ifndef BWPS_CUSTOMER_HISTORY_H
#define BWPS_CUSTOMER_HISTORY_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/customer_history.h"

#ifdef __cplusplus
extern "C" {
#endif

/* 42: opens files 40 and 41 when history is kept; the open status (0 when
 * history is off). A failed open switches history off. */
BWPS_EXPORT int OpenCustomerHistoryFiles(void);
/* 43: closes them; 0. */
BWPS_EXPORT int CloseCustomerHistoryFiles(void);
/* 44: posts one line: operation 2 insert, 3 update, 4 delete (by the
 * line's number at 42). copyOnly keeps only the line's 123 bytes. 0 or the
 * failing status (result names file, operation, status). */
BWPS_EXPORT int PostCustHistDetail(int16_t operation, int copyOnly, const TagOpenInvoice* line,
                                   const void* customer, const void* header,
                                   HistPostResult* result);
/* 45: inserts the line under the next history number (written into the
 * line's number at 42), with its summary. generalHandle 0: the general file
 * is opened here. 0 or the failing status. */
BWPS_EXPORT int AddNumberedCustHistDetail(uint16_t generalHandle, TagOpenInvoice* line,
                                          const void* customer, const void* header,
                                          HistPostResult* result);
/* 46: deletes the detail with that number and keeps its summary in step. */
BWPS_EXPORT int DeleteCustHistDetail(int32_t number, HistPostResult* result);
/* 47: marks the stored line posted ('P'); 0 when history is not kept. */
BWPS_EXPORT int MarkCustHistDetailPosted(const TagOpenInvoice* line, const void* customer,
                                         const void* unused, HistPostResult* result);
/* 48: marks the detail posted with a new amount (at 70); summary updated. */
BWPS_EXPORT int UpdateCustHistDetail(int32_t number, double amount, HistPostResult* result);
/* 49: the next free negative detail number (below every number in use),
 * or 0 when there is none to give: the files are not open or the read
 * failed (reported). */
BWPS_EXPORT int32_t NextSetupCustHistNumber(void);

/* 396: creates and opens a work file of one of five layouts (0-4);
 * variable adds variable-length records. True when created and opened. */
BWPS_EXPORT int CreateWorkFile(uint16_t* handle, const char* name, int layout, int variable);
/* 397: closes the work file and removes it; true. */
BWPS_EXPORT int CloseWorkFile(uint16_t handle, const char* name);

#ifdef __cplusplus
}
#endif

#endif
