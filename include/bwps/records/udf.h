/* bwps/records/udf.h: the user-defined-field settings records of the general
 * settings file ("0UDFCustomer   ", "0UDFProduct    ", "0UDFService    ").
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_UDF_H
#define BWPS_RECORDS_UDF_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

struct TagUDFSettings {
    char key[16];         // "0UDFCustomer   ", "0UDFProduct    ", "0UDFService    "
    char texts[6][31];    // 16
    char amounts[4][31];  // 202
    char dates[2][31];    // 326
};

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagUDFSettings) == 388, "UDF settings record");
static_assert(offsetof(TagUDFSettings, amounts) == 202, "UDF settings record");
static_assert(offsetof(TagUDFSettings, dates) == 326, "UDF settings record");
#endif

#endif
