/* bwps/products.h: product activity, item details, product and service
 * history and the product record services (ordinals 418-438).
 *
 * Product activity is written only when byte 444 of "0sysinterface  " is
 * 'Y'. Handles are record-manager handles; 0 (or -1 where said) lets the
 * service open the file itself and close it after.
 */
#ifndef BWPS_PRODUCTS_H
#define BWPS_PRODUCTS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/products.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Product activity (file 63) ---- */
/* 430: the next activity number, right-aligned in 10 characters (11 bytes
 * with the NUL); with take the counter moves on. */
BWPS_EXPORT int NextActivityNumber(uint16_t generalHandle, int take, char* numberOut);
/* 427: numbers and inserts the activity record (texts from the product or
 * the service); 0 without writing when activity is off or the record's
 * quantity and value are zero. The status. */
BWPS_EXPORT int WriteProductActivity(uint16_t activityHandle, const TagProduct* product,
                                     const void* service196, TagProductActivity* activity);
/* The activity records of one document (products[i] the product of
 * activities[i], or null), numbered in one draw of the counter and
 * inserted; records of zero quantity and value are left out. generalHandle
 * 0: the general file is opened here. 0 or the failing status. */
BWPS_EXPORT int WriteProductActivities(uint16_t activityHandle, uint16_t generalHandle,
                                       const TagProduct* const* products, TagProductActivity* activities,
                                       int count);
/* 428, 429: whether the product has activity records; delete them (true
 * when one was deleted). handle -1: the file is opened here. */
BWPS_EXPORT int HasProductActivity(const char* code, int handle);
BWPS_EXPORT int DeleteProductActivity(const char* code, int handle);
BWPS_EXPORT int UpdateActivityTexts(const char* code, const char* first, const char* second,
                                    int handle);
/* 426: baseline := quantity and value on hand for every product; 0 when the
 * walk reached the end, else 1 (or the open status). */
BWPS_EXPORT int ResetActivityBaseline(void);
/* 431: the baseline less every activity record; 0 or 1. */
BWPS_EXPORT int ScanProductActivity(void);

/* ---- Item details (file 62) ---- */
BWPS_EXPORT int FindByCodeOnKey1(const char* code, uint16_t handle);   /* 433 */
BWPS_EXPORT int HasItemDetails(uint16_t handle, const char* code);     /* 434 */
BWPS_EXPORT int HasUnpostedItemDetail(uint16_t handle, const char* code); /* 438 */
/* 435: counts the non-empty lines of the item's details (posted ones only
 * when asked); 0 or the failing status. */
BWPS_EXPORT int ReadItemDetails(uint16_t handle, uint16_t messagesHandle, int* count,
                                const char* code, int postedOnly);
BWPS_EXPORT int DeleteItemDetails(uint16_t handle, const char* code);  /* 436 */

/* ---- Products and services ---- */
/* Reads the item as a product (file 20), else as a service (21), with a
 * multiple no-wait lock; *file 20, 21 or -1. */
BWPS_EXPORT int ReadRecordLocked(const char* code, uint16_t productsHandle,
                                 uint16_t servicesHandle, void* record, int* file, int* status);
BWPS_EXPORT int InitProductRecord(void* record668);                    /* 421 */
BWPS_EXPORT int InitProductRecordDefaults(void* record668);
BWPS_EXPORT int NormalizeProductYesNo(void* record668);
BWPS_EXPORT void ClearProductAmounts(void* record668);                 /* 437 */
BWPS_EXPORT int ReadActiveProduct(uint16_t handle, const char* code, void* record668); /* 418 */
BWPS_EXPORT int ReadActiveService(uint16_t handle, const char* code, void* record196); /* 419 */
/* 420: adds the amount to the second quantity of a stock product. */
BWPS_EXPORT int UpdateProductRecord(uint16_t handle, const char* code, double amount);

/* ---- History (files 38 and 44) ---- */
BWPS_EXPORT int ReadProductHistory(uint16_t handle, const void* key19, TagProductHistory* out); /* 422 */
/* 423: adds the amounts of one period (bucket = period, less 13 when not
 * below the periods in the year) into the product's history of the year. */
BWPS_EXPORT int AddProductHistory(uint16_t handle, const TagProductHistory* amounts,
                                  const char* code, int32_t year, int period, int periodsInYear);
BWPS_EXPORT int ReadServiceHistory(uint16_t handle, const void* key19, TagServiceHistory* out); /* 424 */
BWPS_EXPORT int AddServiceHistory(uint16_t handle, const TagServiceHistory* amounts,
                                  const char* code, int32_t year, int period, int periodsInYear); /* 425 */

/* 432: the product-record warning; true when it was left with F10. */
BWPS_EXPORT int WarnProductRecordVersion(void);

#ifdef __cplusplus
}
#endif

#endif
