/* bwps/records/products.h: the product record (BPOSPROD.DB, file 20) as
 * far as the posting services use it, product activity (BPOSPRTD.DB, file
 * 63), item details (BPOSITMD.DB, file 62) and the product and service
 * history files (BPOSPRHI.DB file 38, BPOSSERH.DB file 44) and the
 * substitutes of a product (BPOSPALT.DB, file 72). Packed.
 */
#ifndef BWPS_RECORDS_PRODUCTS_H
#define BWPS_RECORDS_PRODUCTS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* Product record (668 bytes). Key 0: the code. */
typedef struct TagProduct {
    char Code[15];              /* 0 */
    char Description[31];       /* 15 */
    char Code46[6];             /* 46: taken over by master items */
    char Code52[6];             /* 52: taken over by master items */
    char Text58[9];             /* 58: returned by the product lookup */
    char Unit1[9];              /* 67: "EA" in a new record */
    char Unit2[9];              /* 76: "EA" in a new record */
    char Text85[6];             /* 85: copied into activity records */
    char Text91[11];            /* 91 */
    char Vendor1[11];           /* 102: the first vendor's code */
    char Vendor2[11];           /* 113 */
    char Vendor3[11];           /* 124 */
    char VendorCodes[3][15];    /* 135: each vendor's own code of the product */
    char Related[2][15];        /* 180: related products (must exist) */
    char Entries210[6][6];      /* 210: price-break codes 1-6 */
    char NoteName[16];          /* 246: the product's note file */
    char Flags262[5];           /* 262 assembly, 263, 264, 265, 266 serial
                                   numbers: 'Y' / 'N' */
    char AssemblyOnly;          /* 267: 'Y' only on an assembly */
    uint8_t Kind;               /* 268: 1 Normal, 2 Non-Inventory, 3 Negative
                                   (1 and 3 keep stock) */
    char Byte269;               /* 269: code printed 'Y' own, 'V' vendor's, 'B' both */
    int16_t UnitFactor;         /* 270: units in the first unit, taken as 1 when below 1 */
    uint16_t Value272;          /* 272: units in the second unit */
    uint32_t Number274;         /* 274 */
    uint32_t Number278;         /* 278 */
    int32_t Date282;            /* 282 */
    int32_t LastDate;           /* 286 */
    double Amounts[10];         /* 290: 306 last cost, 322 average cost,
                                   330 value on hand, 338 quantity on hand,
                                   346 second quantity (committed),
                                   362 available (on hand less committed,
                                   worked out by the lookups) */
    double Runs[6][5];          /* 370, 410, 450, 490, 530, 570 */
    double BaselineQuantity;    /* 610: before the recorded activity */
    double BaselineValue;       /* 618 */
    char MasterCode[11];        /* 626: master item of a sub-item; copied into activity 106 */
    char Warehouse[11];         /* 637: warehouse code, 3 characters; copied into activity 117 */
    uint8_t Data648[4];         /* 648 */
    char WeightUnit[7];         /* 652: a unit code of BPOSWUNI.DB (key 7) */
    double Weight;              /* 659 */
    char Status;                /* 667: 'A', blank or 0 active */
} TagProduct;

enum {
    PRODUCT_AMOUNT290 = 0,      /* 290: shown with four decimals */
    PRODUCT_LAST_COST = 2,      /* index into TagProduct.Amounts: offset 306 */
    PRODUCT_STANDARD_COST = 3,  /* 314 */
    PRODUCT_AVERAGE_COST = 4,   /* 322 */
    PRODUCT_VALUE = 5,          /* 330 */
    PRODUCT_QUANTITY = 6,       /* 338 */
    PRODUCT_SECOND_QUANTITY = 7,/* 346: committed */
    PRODUCT_FURTHER_QUANTITY = 8,/* 354: must be 0 to delete */
    PRODUCT_AVAILABLE = 9       /* 362 */
};

/* Product activity record (175 bytes). Key 0: product code and number. */
typedef struct TagProductActivity {
    char Code[15];              /* 0 */
    char Number[11];            /* 15: right-aligned in 10 characters */
    char Source;                /* 26: 'P' */
    int32_t Value27;            /* 27: from the source document */
    int32_t Date;               /* 31 */
    char Direction;             /* 35: '1' into stock, '5' out of stock */
    char DocumentKind[2];       /* 36: "AA" an assembly */
    char Document[15];          /* 38 */
    char Description[11];       /* 53 */
    char Text64[6];             /* 64: the product's text at 85 (service: 46) */
    double Quantity;            /* 70: negative out of stock */
    double UnitCost;            /* 78 */
    double Value;               /* 86: negative out of stock */
    uint16_t Value94;           /* 94: the product's value at 272 */
    int16_t UnitFactor;         /* 96 */
    uint8_t Data98[8];          /* 98 */
    char Text106[11];           /* 106: the product's text at 626 */
    char Text117[11];           /* 117: the product's text at 637 */
    uint8_t Data128[47];        /* 128 */
} TagProductActivity;

/* Item detail (64 bytes): a description line of a product or a service.
 * Key 0: item code and line. */
typedef struct TagItemDetail {
    char Code[16];              /* 0: the item code (14 characters and NUL);
                                   byte 15 the line number, from 0, no gaps */
    char Status;                /* 16: kind: 'D' description, 'H' hidden, 'P' pop-up */
    char MessageCode[6];        /* 17: a key of BPOSMSGS.DB */
    char Text[41];              /* 23: used when the message code is empty */
} TagItemDetail;

/* Product history (227 bytes). Key: code and year. */
typedef struct TagProductHistory {
    char Code[15];              /* 0 */
    int32_t Year;               /* 15 */
    double First[13];           /* 19 */
    double Second[13];          /* 123 */
} TagProductHistory;

/* Service history (123 bytes). Key: code and year. */
typedef struct TagServiceHistory {
    char Code[15];              /* 0 */
    int32_t Year;               /* 15 */
    double Amounts[13];         /* 19 */
} TagServiceHistory;

/* A substitute of a product (63 bytes). Key 0: code and line number. */
typedef struct AltProductRecord {
    char Code[15];              /* 0: the product substituted */
    uint16_t Line;              /* 15 */
    char AltCode[15];           /* 17: the substitute */
    char Description[31];       /* 32 */
} AltProductRecord;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(AltProductRecord) == 63, "substitute product");
static_assert(offsetof(AltProductRecord, Line) == 15, "substitute line");
static_assert(offsetof(AltProductRecord, AltCode) == 17, "substitute code");
static_assert(offsetof(AltProductRecord, Description) == 32, "substitute description");
static_assert(sizeof(TagProduct) == 668, "product");
static_assert(offsetof(TagProduct, Description) == 15, "product description");
static_assert(offsetof(TagProduct, Unit1) == 67, "product unit 1");
static_assert(offsetof(TagProduct, Unit2) == 76, "product unit 2");
static_assert(offsetof(TagProduct, Text85) == 85, "product 85");
static_assert(offsetof(TagProduct, Entries210) == 210, "product 210");
static_assert(offsetof(TagProduct, Vendor2) == 113 && offsetof(TagProduct, Vendor3) == 124, "product vendors");
static_assert(offsetof(TagProduct, VendorCodes) == 135, "product vendor codes");
static_assert(offsetof(TagProduct, Related) == 180, "product related");
static_assert(offsetof(TagProduct, NoteName) == 246, "product note name");
static_assert(offsetof(TagProduct, AssemblyOnly) == 267, "product 267");
static_assert(offsetof(TagProduct, Byte269) == 269, "product code printed");
static_assert(offsetof(TagProduct, Number274) == 274 && offsetof(TagProduct, Number278) == 278, "product numbers");
static_assert(offsetof(TagProduct, Date282) == 282, "product date 282");
static_assert(offsetof(TagProduct, Weight) == 659, "product weight");
static_assert(offsetof(TagProduct, Amounts) + 8 * PRODUCT_FURTHER_QUANTITY == 354, "further quantity");
static_assert(offsetof(TagProduct, Flags262) == 262, "product flags");
static_assert(offsetof(TagProduct, Kind) == 268, "product kind");
static_assert(offsetof(TagProduct, UnitFactor) == 270, "product unit factor");
static_assert(offsetof(TagProduct, Value272) == 272, "product 272");
static_assert(offsetof(TagProduct, LastDate) == 286, "product last date");
static_assert(offsetof(TagProduct, Amounts) == 290, "product amounts");
static_assert(offsetof(TagProduct, Text58) == 58 && offsetof(TagProduct, Vendor1) == 102, "product texts");
static_assert(offsetof(TagProduct, Amounts) + 8 * PRODUCT_LAST_COST == 306, "last cost");
static_assert(offsetof(TagProduct, Amounts) + 8 * PRODUCT_STANDARD_COST == 314, "standard cost");
static_assert(offsetof(TagProduct, Amounts) + 8 * PRODUCT_AVERAGE_COST == 322, "average cost");
static_assert(offsetof(TagProduct, Amounts) + 8 * PRODUCT_VALUE == 330, "value on hand");
static_assert(offsetof(TagProduct, Amounts) + 8 * PRODUCT_QUANTITY == 338, "quantity");
static_assert(offsetof(TagProduct, Amounts) + 8 * PRODUCT_SECOND_QUANTITY == 346, "second");
static_assert(offsetof(TagProduct, Amounts) + 8 * PRODUCT_AVAILABLE == 362, "available");
static_assert(offsetof(TagProduct, Runs) == 370, "product runs");
static_assert(offsetof(TagProduct, BaselineQuantity) == 610, "baseline quantity");
static_assert(offsetof(TagProduct, BaselineValue) == 618, "baseline value");
static_assert(offsetof(TagProduct, MasterCode) == 626, "product master code");
static_assert(offsetof(TagProduct, Warehouse) == 637, "product warehouse");
static_assert(offsetof(TagProduct, Status) == 667, "product status");
static_assert(offsetof(TagProduct, WeightUnit) == 652, "product weight unit");
static_assert(sizeof(TagProductActivity) == 175, "product activity");
static_assert(offsetof(TagProductActivity, Number) == 15, "activity number");
static_assert(offsetof(TagProductActivity, Source) == 26, "activity source");
static_assert(offsetof(TagProductActivity, Date) == 31, "activity date");
static_assert(offsetof(TagProductActivity, Direction) == 35, "activity direction");
static_assert(offsetof(TagProductActivity, Document) == 38, "activity document");
static_assert(offsetof(TagProductActivity, Text64) == 64, "activity 64");
static_assert(offsetof(TagProductActivity, Quantity) == 70, "activity quantity");
static_assert(offsetof(TagProductActivity, UnitCost) == 78, "activity unit cost");
static_assert(offsetof(TagProductActivity, Value) == 86, "activity value");
static_assert(offsetof(TagProductActivity, Value94) == 94, "activity 94");
static_assert(offsetof(TagProductActivity, UnitFactor) == 96, "activity unit factor");
static_assert(offsetof(TagProductActivity, Text106) == 106, "activity 106");
static_assert(offsetof(TagProductActivity, Text117) == 117, "activity 117");
static_assert(sizeof(TagItemDetail) == 64, "item detail");
static_assert(offsetof(TagItemDetail, Status) == 16, "item line kind");
static_assert(offsetof(TagItemDetail, MessageCode) == 17, "item message code");
static_assert(offsetof(TagItemDetail, Text) == 23, "item text");
static_assert(sizeof(TagProductHistory) == 227, "product history");
static_assert(offsetof(TagProductHistory, Second) == 123, "product history second");
static_assert(sizeof(TagServiceHistory) == 123, "service history");
#endif

#endif
