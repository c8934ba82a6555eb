/* bwps/records/udf.h: the user-defined-field settings records of the general
 * settings file ("0UDFCustomer   ", "0UDFProduct    ", "0UDFService    ")
 * and the user-defined-field records of customers (BPOSUDFC.DB, vendors'
 * BPOSUDFV.DB has the same layout), products (BPOSUDFP.DB) and services
 * (BPOSUDFS.DB). Packed and little-endian; the offsets are the stored ones.
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

/* The twelve values of one master record, stored behind its code. Texts
 * are NUL-terminated (40 characters), amounts IEEE doubles, dates the
 * framework's 32-bit date values (0: no date). */
enum { UDF_TEXT_COUNT = 6, UDF_TEXT_SIZE = 41, UDF_AMOUNT_COUNT = 4, UDF_DATE_COUNT = 2 };

struct TagUDFData {
    char texts[UDF_TEXT_COUNT][UDF_TEXT_SIZE];  /* 0 */
    double amounts[UDF_AMOUNT_COUNT];           /* 246 */
    int32_t dates[UDF_DATE_COUNT];              /* 278 */
};

/* The record of a customer's (or vendor's) values: key 0 is the code,
 * 10 characters blank-padded and NUL-terminated. */
struct TagUDFDataCV {
    char code[11];    /* 0 */
    TagUDFData data;  /* 11 */
};

/* The record of a product's or service's values: key 0 is the code,
 * 14 characters blank-padded and NUL-terminated. */
struct TagUDFDataPS {
    char code[15];    /* 0 */
    TagUDFData data;  /* 15 */
};

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagUDFSettings) == 388, "UDF settings record");
static_assert(offsetof(TagUDFSettings, amounts) == 202, "UDF settings record");
static_assert(offsetof(TagUDFSettings, dates) == 326, "UDF settings record");
static_assert(sizeof(TagUDFData) == 286, "UDF values");
static_assert(offsetof(TagUDFData, amounts) == 246, "UDF values");
static_assert(offsetof(TagUDFData, dates) == 278, "UDF values");
static_assert(sizeof(TagUDFDataCV) == 297, "customer UDF record");
static_assert(offsetof(TagUDFDataCV, data) == 11, "customer UDF record");
static_assert(sizeof(TagUDFDataPS) == 301, "product and service UDF record");
static_assert(offsetof(TagUDFDataPS, data) == 15, "product and service UDF record");
#endif

#endif
