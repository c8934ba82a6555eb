/* bwps/records/alerts.h: the records of the business-alert files that lie
 * beside the data files (none is in the catalogue): the rules
 * (BWBCARUL.DB), the alerts (BWBCALRT.DB), their history (BWBCAHST.DB),
 * the e-mail queue (BWBCAEML.DB) and the preferences (BWBCAPRF.DB, a flat
 * file of one record), and the subject blocks an alert carries.
 */
#ifndef BWPS_RECORDS_ALERTS_H
#define BWPS_RECORDS_ALERTS_H

#include <stddef.h>
#include <stdint.h>

enum {
    ALERT_RULE_SIZE = 526,
    ALERT_RECORD_SIZE = 856,
    ALERT_HISTORY_SIZE = 287,
    ALERT_EMAIL_FIXED_SIZE = 148,
    ALERT_EMAIL_BUFFER_SIZE = 4244,
    ALERT_EMAIL_TEXTS = 6,
    ALERT_EMAIL_MESSAGE_SIZE = 5634,
    ALERT_PREFS_SIZE = 19,
    ALERT_CUSTOMER_BLOCK_SIZE = 343,
    ALERT_CUSTOMER_BASE_SIZE = 233,   /* the block without the layaway part */
    ALERT_PRODUCT_BLOCK_SIZE = 218,
    ALERT_TEXT_SIZE = 128,
    ALERT_SUBJECT_KEY_SIZE = 64,
    ALERT_PAGE_SIZE = 4096
};

/* Condition codes: byte 0 the condition number, byte 1 the subject kind
 * (2 customers, 4 products), byte 2 the class (bit value 8: evaluated by
 * the alert session). */
enum {
    ALERT_KIND_CUSTOMER = 2,
    ALERT_KIND_PRODUCT = 4,
    ALERT_CLASS_EVALUATED = 8,
    ALERT_CUSTOMER_BALANCE_OVER = 0xd0201,   /* balance above the threshold */
    ALERT_CUSTOMER_OVER_LIMIT = 0xd0202,     /* balance above the customer's limit */
    ALERT_CUSTOMER_INVOICE_OLD = 0xd0203,    /* latest invoice older than N days */
    ALERT_LAYAWAY_DUE = 0x80208,             /* a layaway due within N days */
    ALERT_LAYAWAY_OVERDUE = 0x80209,         /* a layaway due today or before */
    ALERT_PRODUCT_REORDER = 0xd0401,         /* available below the reorder level */
    ALERT_PRODUCT_AVAILABLE_OVER = 0xd0402,  /* available above N (reorder level set) */
    ALERT_PRODUCT_NEGATIVE = 0xd0403,        /* available below 0 */
    ALERT_PRODUCT_DATE_OLD = 0xd0404,        /* product date + N days before today */
    ALERT_PRODUCT_DATE_RECENT = 0xd0405      /* product date + N days after today */
};

/* Range field codes of a rule. */
enum {
    ALERT_RANGE_CUSTOMER_ID = 0x201,
    ALERT_RANGE_CUSTOMER_NAME = 0x202,
    ALERT_RANGE_CUSTOMER_ZIP = 0x203,
    ALERT_RANGE_CUSTOMER_SALESPERSON = 0x204,
    ALERT_RANGE_CUSTOMER_ACCOUNT = 0x205,
    ALERT_RANGE_CUSTOMER_INTERFACE = 0x206,
    ALERT_RANGE_CUSTOMER_GROUP = 0x207,
    ALERT_RANGE_PRODUCT_ID = 0x401,
    ALERT_RANGE_PRODUCT_DESCRIPTION = 0x402,
    ALERT_RANGE_PRODUCT_DEPARTMENT = 0x403,
    ALERT_RANGE_PRODUCT_TEXT58 = 0x404,
    ALERT_RANGE_PRODUCT_VENDOR = 0x405,
    ALERT_RANGE_PRODUCT_WAREHOUSE = 0x406
};

#pragma pack(push, 1)

/* BWBCARUL.DB: key 0 the name (zero-terminated, unique, modifiable, case
 * ignored), key 1 the rule id (autoincrement). */
typedef struct AlertRuleRecord {
    char Name[128];             /* 0 */
    uint32_t Condition;         /* 128 */
    uint32_t RuleId;            /* 132 */
    uint8_t Byte136;            /* 136 */
    uint32_t RangeField;        /* 137 */
    char RangeStart[128];       /* 141: empty, no lower bound */
    char RangeEnd[128];         /* 269: empty, no upper bound */
    char Threshold[129];        /* 397: an amount or a number of days */
} AlertRuleRecord;

/* BWBCALRT.DB, nine keys: 0 the alert id (autoincrement); 1 condition
 * number, subject kind and subject key (unique); 2 the rule name; 3 the
 * subject kind; 4, 5, 6 and 8 the kind and the first 11 bytes of the
 * subject key; 7 the kind and its first 15 bytes. */
typedef struct AlertRecord {
    uint32_t AlertId;           /* 0 */
    char RuleName[128];         /* 4 */
    char Threshold[128];        /* 132 */
    uint32_t Condition;         /* 260 */
    char SubjectKey[64];        /* 264: customer id (+ layaway number) or product id */
    uint8_t Data328[4];         /* 328 */
    uint32_t Value332;          /* 332: taken from the new record on an update */
    uint8_t Data336[8];         /* 336 */
    uint8_t Subject[512];       /* 344: AlertCustomerBlock or AlertProductBlock */
} AlertRecord;

typedef struct AlertCustomerBlock {
    char CustomerId[11];        /* 0 */
    char Name[41];              /* 11: customer byte 350 */
    char Text52[41];            /* 52: customer byte 634 */
    char Salesperson[6];        /* 93: customer byte 46 */
    char SalespersonName[41];   /* 99: salesperson byte 6 */
    char SalespersonText[41];   /* 140: salesperson byte 531 */
    double Limit;               /* 181: customer byte 134 */
    double Balance;             /* 189: customer byte 166 */
    double AgedBalance;         /* 197: the balance again, after the aging */
    double PastDue;             /* 205 */
    double Current;             /* 213 */
    int32_t LatestInvoiceDate;  /* 221: 0 none */
    double LatestInvoiceAmount; /* 225 */
    char LayawayNumber[12];     /* 233 */
    int32_t LayawayDate;        /* 245 */
    int32_t LayawayDueDate;     /* 249 */
    uint8_t Data253[8];         /* 253 */
    double LayawayAmountDue;    /* 261 */
    uint8_t Data269[74];        /* 269 */
} AlertCustomerBlock;

typedef struct AlertProductBlock {
    char ProductId[15];         /* 0 */
    char Description[31];       /* 15: product byte 15 */
    int32_t Date282;            /* 46: the date the day conditions test */
    int32_t Date286;            /* 50 */
    double Available;           /* 54: on hand less committed */
    double ReorderLevel;        /* 62: product byte 274 */
    double Number278;           /* 70: product byte 278 */
    double Amount354;           /* 78 */
    char Vendor[11];            /* 86: product byte 102 */
    char VendorName[41];        /* 97: only when interfaced */
    char VendorText[41];        /* 138: only when interfaced */
    uint8_t Data179[39];        /* 179 */
} AlertProductBlock;

/* BWBCAHST.DB: key 0 the alert id (duplicates), key 1 the history id
 * (autoincrement), key 2 both. */
typedef struct AlertHistoryRecord {
    uint32_t AlertId;           /* 0 */
    uint32_t HistoryId;         /* 4 */
    uint8_t Data8[279];         /* 8 */
} AlertHistoryRecord;

/* BWBCAEML.DB, variable length: key 0 the name (zero-terminated, unique,
 * modifiable, case ignored), key 1 the id (autoincrement). The six texts
 * follow the fixed part one after another, each zero-terminated; their
 * offsets count from the text area. */
typedef struct AlertEmailRecord {
    char Name[128];             /* 0 */
    uint32_t Id;                /* 128 */
    uint8_t Flag1;              /* 132 */
    uint8_t Flag2;              /* 133 */
    uint16_t TextOffsets[6];    /* 134 */
    uint16_t TextsLength;       /* 146 */
    char Texts[ALERT_EMAIL_BUFFER_SIZE - ALERT_EMAIL_FIXED_SIZE]; /* 148 */
} AlertEmailRecord;

/* The message the host packs into an e-mail record. */
typedef struct AlertEmailMessage {
    char Name[128];             /* 0 */
    char From[128];             /* 128 */
    char To[1024];              /* 256 */
    char Cc[1024];              /* 1280 */
    char Bcc[1024];             /* 2304 */
    char Subject[256];          /* 3328 */
    uint8_t Flag1;              /* 3584 */
    uint8_t Data3585[512];      /* 3585 */
    uint8_t Flag2;              /* 4097 */
    char Body[1536];            /* 4098 */
} AlertEmailMessage;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(AlertRuleRecord) == ALERT_RULE_SIZE, "rule record");
static_assert(offsetof(AlertRuleRecord, Condition) == 128 && offsetof(AlertRuleRecord, RuleId) == 132 &&
                  offsetof(AlertRuleRecord, RangeField) == 137 && offsetof(AlertRuleRecord, RangeStart) == 141 &&
                  offsetof(AlertRuleRecord, RangeEnd) == 269 && offsetof(AlertRuleRecord, Threshold) == 397,
              "rule record");
static_assert(sizeof(AlertRecord) == ALERT_RECORD_SIZE, "alert record");
static_assert(offsetof(AlertRecord, RuleName) == 4 && offsetof(AlertRecord, Threshold) == 132 &&
                  offsetof(AlertRecord, Condition) == 260 && offsetof(AlertRecord, SubjectKey) == 264 &&
                  offsetof(AlertRecord, Value332) == 332 && offsetof(AlertRecord, Subject) == 344,
              "alert record");
static_assert(sizeof(AlertCustomerBlock) == ALERT_CUSTOMER_BLOCK_SIZE, "customer block");
static_assert(offsetof(AlertCustomerBlock, Salesperson) == 93 && offsetof(AlertCustomerBlock, Limit) == 181 &&
                  offsetof(AlertCustomerBlock, LatestInvoiceDate) == 221 &&
                  offsetof(AlertCustomerBlock, LatestInvoiceAmount) == 225 &&
                  offsetof(AlertCustomerBlock, LayawayNumber) == 233 &&
                  offsetof(AlertCustomerBlock, LayawayDueDate) == 249 &&
                  offsetof(AlertCustomerBlock, LayawayAmountDue) == 261,
              "customer block");
static_assert(sizeof(AlertProductBlock) == ALERT_PRODUCT_BLOCK_SIZE, "product block");
static_assert(offsetof(AlertProductBlock, Date282) == 46 && offsetof(AlertProductBlock, Available) == 54 &&
                  offsetof(AlertProductBlock, Amount354) == 78 && offsetof(AlertProductBlock, Vendor) == 86 &&
                  offsetof(AlertProductBlock, VendorText) == 138,
              "product block");
static_assert(sizeof(AlertHistoryRecord) == ALERT_HISTORY_SIZE, "history record");
static_assert(sizeof(AlertEmailRecord) == ALERT_EMAIL_BUFFER_SIZE && offsetof(AlertEmailRecord, Texts) == 148 &&
                  offsetof(AlertEmailRecord, TextOffsets) == 134 && offsetof(AlertEmailRecord, TextsLength) == 146,
              "e-mail record");
static_assert(sizeof(AlertEmailMessage) == ALERT_EMAIL_MESSAGE_SIZE && offsetof(AlertEmailMessage, Subject) == 3328 &&
                  offsetof(AlertEmailMessage, Flag1) == 3584 && offsetof(AlertEmailMessage, Flag2) == 4097 &&
                  offsetof(AlertEmailMessage, Body) == 4098,
              "e-mail message");
#endif

#endif
