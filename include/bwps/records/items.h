/* bwps/records/items.h: the weight units BPOSWUNI.DB (file 71), the master
 * items BPOSMITM.DB (file 77) with the product-code mask of the general
 * file, the serial-number units BPOSSNUM.DB (file 23) and their movements
 * BPOSSNDT.DB (file 24).
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
 * code, product offset 626, is this code). Key 0 the code. Each field a
 * sub-item inherits is copied to the product field noted beside it. */
typedef struct TagMasterItem {
    char Code[11];            /* 0: 10 characters; product 626 */
    char Description[27];     /* 11: 26 characters; sub-item descriptions start from it */
    char DefaultCode38[6];    /* 38: from the default product, not shown; product 46 */
    char DefaultCode44[6];    /* 44: from the default product, not shown; product 52 */
    char Text50[9];           /* 50: product 58 */
    char UnitNames[2][9];     /* 59: first, second unit name; product 67, 76 */
    char Account[6];          /* 77: interface account code; product 85 */
    char Text83[11];          /* 83: product 91 */
    char Vendors[3][11];      /* 94: vendor codes; product 102 */
    char VendorItems[3][15];  /* 127: each vendor's item code; product 135 */
    char Related[2][15];      /* 172: related product codes; product 180 */
    char PriceBreaks[6][6];   /* 202: price-break codes; product 210 */
    uint8_t Unused238[16];    /* 238 */
    char AssemblyFlag;        /* 254: not shown; product 262 */
    char Flag255;             /* 255: Yes/No; product 263 */
    char Flag256;             /* 256: Yes/No; product 264 */
    char Flag257;             /* 257: not shown; product 265 */
    char Serials;             /* 258: 'Y' units carry serial numbers; product 266 */
    uint8_t Unused259;        /* 259 */
    uint8_t ItemType;         /* 260: 1 Normal, 2 Non-Inventory, 3 Negative; product 268 */
    char CodeKind;            /* 261: 'Y' your code, 'V' vendor's, 'B' both; product 269 */
    int16_t Units[2];         /* 262: units in the first, second unit; product 270, 272 */
    uint32_t Numbers[2];      /* 266: shown blank when 0; product 274, 278 */
    double Amount;            /* 274: 4 decimals; product 290 */
    uint8_t Unused282[8];     /* 282 */
} TagMasterItem;

/* The product-code mask: the general-file record "0ProdMask      ". */
typedef struct TagProductMask {
    char Key[16];             /* 0: "0ProdMask      " and NUL */
    uint8_t Order;            /* 16: 1 master code first, 2 warehouse code first */
    uint8_t Reserved17[2];    /* 17: 2, 0 from the defaults; nothing reads them */
    char Separator;           /* 19: put between the parts; ' ' or NUL: none */
} TagProductMask;

enum { PRODUCT_MASK_MASTER_FIRST = 1, PRODUCT_MASK_WAREHOUSE_FIRST = 2 };

/* One unit of a serialised product. Key 0 code + serial; key 1 the
 * availability first. */
typedef struct TagSerialNumber {
    char Code[15];            /* 0 */
    char Serial[21];          /* 15 */
    char Available;           /* 36: 'Y' in stock, 'N' not */
    int32_t Date;             /* 37: date of the latest movement */
    uint8_t Unused41[16];     /* 41 */
} TagSerialNumber;

/* One movement of a serialised unit (BPOSSNDT.DB, file 24). Key 0 code +
 * serial (duplicates); key 1 the document link number; key 2 code, serial
 * and date. */
typedef struct TagSerialMovement {
    char Code[15];            /* 0 */
    char Serial[21];          /* 15 */
    char Kind;                /* 36: 'P' purchase, 'B' sale, 'I' inventory in, 'O' out */
    char SubKind;             /* 37: 'I' invoice / 'R' return; '1' with 'I'; '5' with 'O' */
    char Document[11];        /* 38 */
    char Party[11];           /* 49: customer or vendor code */
    char Effect;              /* 60: 'A' added to stock, 'R' removed, NUL none */
    int32_t Date;             /* 61 */
    uint32_t Link;            /* 65: shared by the movements of one document */
} TagSerialMovement;

enum { SERIAL_KEY_UNIT = 0, SERIAL_KEY_LINK = 1, SERIAL_KEY_DATE = 2 };

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagMasterItem) == 290, "master item");
static_assert(offsetof(TagMasterItem, Description) == 11, "master description");
static_assert(offsetof(TagMasterItem, DefaultCode44) == 44, "master code 44");
static_assert(offsetof(TagMasterItem, Text50) == 50, "master text 50");
static_assert(offsetof(TagMasterItem, UnitNames) == 59, "master unit names");
static_assert(offsetof(TagMasterItem, Account) == 77, "master account");
static_assert(offsetof(TagMasterItem, Text83) == 83, "master text 83");
static_assert(offsetof(TagMasterItem, Vendors) == 94, "master vendors");
static_assert(offsetof(TagMasterItem, VendorItems) == 127, "master vendor items");
static_assert(offsetof(TagMasterItem, Related) == 172, "master related");
static_assert(offsetof(TagMasterItem, PriceBreaks) == 202, "master price breaks");
static_assert(offsetof(TagMasterItem, AssemblyFlag) == 254, "master assembly flag");
static_assert(offsetof(TagMasterItem, Serials) == 258, "master serials");
static_assert(offsetof(TagMasterItem, ItemType) == 260, "master item type");
static_assert(offsetof(TagMasterItem, CodeKind) == 261, "master code kind");
static_assert(offsetof(TagMasterItem, Units) == 262, "master units");
static_assert(offsetof(TagMasterItem, Numbers) == 266, "master numbers");
static_assert(offsetof(TagMasterItem, Amount) == 274, "master amount");
static_assert(sizeof(TagProductMask) == 20, "product mask");
static_assert(offsetof(TagProductMask, Order) == 16, "mask order");
static_assert(offsetof(TagProductMask, Separator) == 19, "mask separator");
static_assert(sizeof(TagSerialNumber) == 57, "serial number");
static_assert(offsetof(TagSerialNumber, Available) == 36, "serial availability");
static_assert(offsetof(TagSerialNumber, Date) == 37, "serial date");
static_assert(sizeof(TagSerialMovement) == 69, "serial movement");
static_assert(offsetof(TagSerialMovement, Kind) == 36, "movement kind");
static_assert(offsetof(TagSerialMovement, Document) == 38, "movement document");
static_assert(offsetof(TagSerialMovement, Party) == 49, "movement party");
static_assert(offsetof(TagSerialMovement, Effect) == 60, "movement effect");
static_assert(offsetof(TagSerialMovement, Date) == 61, "movement date");
static_assert(offsetof(TagSerialMovement, Link) == 65, "movement link");
#endif

#ifdef __cplusplus
static_assert(sizeof(WeightUnitRecord) == 47, "weight unit record");
static_assert(offsetof(WeightUnitRecord, factor) == 38, "weight unit factor");
static_assert(offsetof(WeightUnitRecord, isDefault) == 46, "weight unit default");
#endif

#endif
