/* bwps/records/items.h: the weight units BPOSWUNI.DB (file 71).
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_ITEMS_H
#define BWPS_RECORDS_ITEMS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* A weight unit: key 0 the code. */
typedef struct WeightUnitRecord {
    char code[7];          /* 0: NUL-terminated */
    char description[31];  /* 7 */
    double factor;         /* 38 */
    char isDefault;        /* 46: "Y" / "N" */
} WeightUnitRecord;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(WeightUnitRecord) == 47, "weight unit record");
static_assert(offsetof(WeightUnitRecord, factor) == 38, "weight unit factor");
static_assert(offsetof(WeightUnitRecord, isDefault) == 46, "weight unit default");
#endif

#endif
