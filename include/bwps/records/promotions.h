/* bwps/records/promotions.h: promotional-price transactions: the header
 * BPOSPPHD.DB (file 46), its product lines BPOSPPDD.DB (file 47) and its
 * customer lines BPOSPPCU.DB (file 75). Packed; dates are the framework's
 * date values, amounts IEEE doubles, texts NUL-terminated in their field.
 */
#ifndef BWPS_RECORDS_PROMOTIONS_H
#define BWPS_RECORDS_PROMOTIONS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* Selection kinds of the header's product and customer ranges, and its
 * price kinds. */
enum {
    PROMO_PRODUCTS_NONE = 1, PROMO_PRODUCTS_PRODUCT = 2, PROMO_PRODUCTS_VENDOR = 3, PROMO_PRODUCTS_DEPT = 4
};
enum {
    PROMO_CUSTOMERS_NONE = 1, PROMO_CUSTOMERS_CUSTOMER = 2, PROMO_CUSTOMERS_BILLING = 3,
    PROMO_CUSTOMERS_DEPT = 4, PROMO_CUSTOMERS_CITY = 5, PROMO_CUSTOMERS_STATE = 6
};
enum { PROMO_PRICE = 1, PROMO_FLAT = 2, PROMO_PERCENT = 3 };

/* Header (120 bytes). Key 0 the transaction number. */
struct PromotionHeaderRecord {
    char Number[11];          /* 0: counter 5 of "0lastnumbers" for a new one */
    int32_t StartDate;        /* 11 */
    int32_t EndDate;          /* 15: never before the start */
    uint8_t ProductKind;      /* 19: PROMO_PRODUCTS_* */
    char ProductFirst[15];    /* 20: empty: from the beginning */
    char ProductLast[15];     /* 35: empty: to the end */
    char Description[26];     /* 50 */
    uint8_t PriceKind;        /* 76: PROMO_PRICE, _FLAT, _PERCENT */
    double Amount;            /* 77: flat amount or percent taken off */
    char Lowest;              /* 85: 'Y'/'N', copied into every product line */
    char Removed;             /* 86: 'Y' once the lines were deleted */
    char SecondFlag;          /* 87: 'Y'/'N', kept and shown */
    uint8_t CustomerKind;     /* 88: PROMO_CUSTOMERS_* */
    char CustomerFirst[15];   /* 89 */
    char CustomerLast[15];    /* 104 */
    char AllCustomers;        /* 119: 'Y' (or empty) every customer, no customer lines */
};

/* Product line (63 bytes). Key 0 transaction number + line; key 1 begins
 * with the product code. */
struct PromotionProductLine {
    char Number[11];          /* 0 */
    uint16_t Line;            /* 11: from 0 in screen order */
    char Code[15];            /* 13 */
    int32_t StartDate;        /* 28 */
    int32_t EndDate;          /* 32 */
    uint8_t PriceKind;        /* 36 */
    double RegularPrice;      /* 37 */
    double Amount;            /* 45: 0 with PROMO_PRICE */
    double PromoPrice;        /* 53 */
    char Lowest;              /* 61: the header's byte 85 */
    uint8_t Reserved62;       /* 62: always 0 */
};

/* Customer line (24 bytes). Key 0 transaction number + line; key 1
 * transaction number + customer code. */
struct PromotionCustomerLine {
    char Number[11];          /* 0 */
    uint16_t Line;            /* 11 */
    char Customer[11];        /* 13 */
};

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(PromotionHeaderRecord) == 120, "promotion header");
static_assert(offsetof(PromotionHeaderRecord, StartDate) == 11 && offsetof(PromotionHeaderRecord, EndDate) == 15,
              "promotion dates");
static_assert(offsetof(PromotionHeaderRecord, ProductKind) == 19 && offsetof(PromotionHeaderRecord, ProductLast) == 35,
              "promotion product range");
static_assert(offsetof(PromotionHeaderRecord, Description) == 50, "promotion description");
static_assert(offsetof(PromotionHeaderRecord, PriceKind) == 76 && offsetof(PromotionHeaderRecord, Amount) == 77,
              "promotion price");
static_assert(offsetof(PromotionHeaderRecord, Lowest) == 85 && offsetof(PromotionHeaderRecord, Removed) == 86 &&
              offsetof(PromotionHeaderRecord, SecondFlag) == 87, "promotion flags");
static_assert(offsetof(PromotionHeaderRecord, CustomerKind) == 88 && offsetof(PromotionHeaderRecord, CustomerFirst) == 89 &&
              offsetof(PromotionHeaderRecord, CustomerLast) == 104, "promotion customer range");
static_assert(offsetof(PromotionHeaderRecord, AllCustomers) == 119, "promotion all customers");
static_assert(sizeof(PromotionProductLine) == 63, "promotion product line");
static_assert(offsetof(PromotionProductLine, Line) == 11 && offsetof(PromotionProductLine, Code) == 13,
              "promotion product line key");
static_assert(offsetof(PromotionProductLine, StartDate) == 28 && offsetof(PromotionProductLine, EndDate) == 32,
              "promotion line dates");
static_assert(offsetof(PromotionProductLine, PriceKind) == 36 && offsetof(PromotionProductLine, RegularPrice) == 37 &&
              offsetof(PromotionProductLine, Amount) == 45 && offsetof(PromotionProductLine, PromoPrice) == 53,
              "promotion line prices");
static_assert(offsetof(PromotionProductLine, Lowest) == 61, "promotion line flag");
static_assert(sizeof(PromotionCustomerLine) == 24, "promotion customer line");
static_assert(offsetof(PromotionCustomerLine, Line) == 11 && offsetof(PromotionCustomerLine, Customer) == 13,
              "promotion customer line key");
#endif

#endif
