/* bwps/records/items.h: the weight units BPOSWUNI.DB (file 71), the master
 * items BPOSMITM.DB (file 77) and the serial numbers BPOSSNUM.DB (file 23).
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_ITEMS_H
#define BWPS_RECORDS_ITEMS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* Keys of the weight units and of the files that name a unit. */
enum {
    WEIGHT_UNIT_DEFAULT_KEY = 2,        /* BPOSWUNI.DB: the default flag */
    PRODUCT_WEIGHT_UNIT_KEY = 7,        /* BPOSPROD.DB: TagProduct.WeightUnit */
    ACCOUNTING_INVOICE_UNIT_KEY = 11    /* the accounting company's invoice headers */
};
/* An invoice header of the accounting company (1311 bytes): only its weight
 * unit, 7 bytes at this offset, is read here. */
enum { ACCOUNTING_INVOICE_HEADER_SIZE = 1311, ACCOUNTING_INVOICE_UNIT_OFFSET = 1285 };

/* A weight unit: key 0 the code (upper case, NUL-filled), key 2 the
 * default flag; at most one unit carries 'Y'. */
typedef struct WeightUnitRecord {
    char code[7];          /* 0: NUL-terminated */
    char description[31];  /* 7 */
    double factor;         /* 38 */
    char isDefault;        /* 46: "Y" / "N" */
} WeightUnitRecord;

/* A master item: the template of its sub-items (products whose master
 * code, product offset 626, is this code). Key 0 the code. */
typedef struct TagMasterItem {
    char Code[11];            /* 0 */
    char Description[27];     /* 11 */
    char Texts38[12];         /* 38: two texts taken from the default product */
    char Text50[9];           /* 50 */
    char UnitNames[2][9];     /* 59 */
    char Account[6];          /* 77 */
    char Text83[11];          /* 83 */
    char Vendors[3][11];      /* 94 */
    char VendorItems[3][15];  /* 127 */
    char Related[2][15];      /* 172 */
    char PriceBreaks[6][6];   /* 202 */
    uint8_t Unused238[16];    /* 238 */
    char Flags[4];            /* 254: assembly, taxable, 256, 257 */
    char Serials;             /* 258 */
    uint8_t Unused259;        /* 259 */
    uint8_t ItemType;         /* 260 */
    char CodeKind;            /* 261 */
    int16_t Units[2];         /* 262 */
    uint32_t Numbers[2];      /* 266 */
    double Amount;            /* 274 */
    uint8_t Unused282[8];     /* 282 */
} TagMasterItem;

/* One unit of a serialised product. Key 0 code + serial; key 1 the
 * availability first. */
typedef struct TagSerialNumber {
    char Code[15];            /* 0 */
    char Serial[21];          /* 15 */
    char Available;           /* 36: 'Y' in stock, 'N' not */
    int32_t Date;             /* 37 */
    uint8_t Unused41[16];     /* 41 */
} TagSerialNumber;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagMasterItem) == 290, "master item");
static_assert(offsetof(TagMasterItem, Description) == 11, "master description");
static_assert(offsetof(TagMasterItem, Account) == 77, "master account");
static_assert(offsetof(TagMasterItem, PriceBreaks) == 202, "master price breaks");
static_assert(offsetof(TagMasterItem, Flags) == 254, "master flags");
static_assert(offsetof(TagMasterItem, ItemType) == 260, "master item type");
static_assert(offsetof(TagMasterItem, Amount) == 274, "master amount");
static_assert(sizeof(TagSerialNumber) == 57, "serial number");
static_assert(offsetof(TagSerialNumber, Available) == 36, "serial availability");
static_assert(offsetof(TagSerialNumber, Date) == 37, "serial date");
#endif

#ifdef __cplusplus
static_assert(sizeof(WeightUnitRecord) == 47, "weight unit record");
static_assert(offsetof(WeightUnitRecord, factor) == 38, "weight unit factor");
static_assert(offsetof(WeightUnitRecord, isDefault) == 46, "weight unit default");
#endif

#endif
