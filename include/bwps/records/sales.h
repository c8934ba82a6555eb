/* bwps/records/sales.h: stored point-of-sale transactions. Sales headers of
 * BPOSINHD.DB (file 36, and the quotes BPOSQTEH.DB, file 42), sales lines
 * of BPOSINDT.DB (file 37, also the record of a register detail file) and
 * the registers of BPOSREGS.DB (file 32). Packed,
 * little-endian, fixed offsets; text fields are NUL-terminated inside
 * their width. Bytes that the posting does not read are kept as they are.
 */
#ifndef BWPS_RECORDS_SALES_H
#define BWPS_RECORDS_SALES_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* Transaction types of a sale (offset 11): layaway 3, receipt without
 * lines 5, cash in/out 6, stored as the digit or as the byte value; 'V'
 * a void. */
enum {
    SALE_TYPE_LAYAWAY = 3,
    SALE_TYPE_RECEIPT = 5,
    SALE_TYPE_CASH_IN_OUT = 6,
    SALE_TYPE_VOID = 'V'
};
/* Flag value of a completed layaway (offset 475). */
enum { SALE_LAYAWAY_COMPLETED = 4 };

/* BPOSINHD.DB, 586 bytes. Key 0: the invoice number. */
typedef struct TagSalesHdr {
    char InvoiceNo[11];             /* 0 */
    char Type;                      /* 11 */
    int16_t RegisterNumber;         /* 12 */
    uint8_t Data14[6];              /* 14 */
    char CustomerNo[11];            /* 20: the layaway number for a layaway */
    char CustomerName[40];          /* 31 */
    uint8_t Data71[196];            /* 71 */
    int32_t TranDate;               /* 267 */
    uint8_t Data271[16];            /* 271 */
    char TaxCode[6];                /* 287 */
    char TermsCode[6];              /* 293 */
    uint8_t Data299[4];             /* 299 */
    char CashDescription[6];        /* 303: also the salesperson code of a sale */
    char LayawayCustomer[11];       /* 309: customer of a layaway in progress */
    uint8_t Data320[11];            /* 320 */
    char Tender1[11];               /* 331 */
    char Tender2[11];               /* 342: also the account of a cash in/out */
    char TenderRef1[31];            /* 353 */
    char TenderRef2[31];            /* 384 */
    double CashAmount;              /* 415 */
    double TaxAmount;               /* 423 */
    double InvoiceTotal;            /* 431 */
    double Tendered;                /* 439 */
    double ChangeGiven;             /* 447 */
    double TenderAmount1;           /* 455 */
    double TenderAmount2;           /* 463 */
    uint8_t Data471[4];             /* 471 */
    uint16_t Flags;                 /* 475: 4 = layaway completed; SALES_LINES_IN_DATA_FILE */
    uint8_t Data477[4];             /* 477 */
    int32_t FirstLineOffset;        /* 481: first line in the register file; negative: none */
    double DiscountTaken;           /* 485 */
    uint8_t Data493[8];             /* 493 */
    double TaxableAmount;           /* 501: added to the tax code's statistics */
    uint8_t Data509[2];             /* 509 */
    int32_t HistoryNumber;          /* 511: customer-history record of the sale, 0 when none */
    double SalespersonSecond;       /* 515: added to the salesperson's second period total */
    double TotalCost;               /* 523 */
    int32_t SecondHistoryNumber;    /* 531: a second customer-history record of the sale, 0 when none */
    uint8_t Data535[39];            /* 535 */
    int32_t LedgerKey;              /* 574: key 2 of the sale's ledger transaction, 0 when none */
    int32_t DepositKey1;            /* 578: check-register keys of the deposits */
    int32_t DepositKey2;            /* 582 */
} TagSalesHdr;

/* Flag bit of a sale whose lines are in BPOSINDT.DB (offset 475); the
 * posting sets it with the posted mark. */
enum { SALES_LINES_IN_DATA_FILE = 0x0002, SALE_POSTED = 0x0002 };

/* A type stored as the digit or as the byte value. */
static inline int SaleTypeIs(char type, int value)
{
    return type == value || type == '0' + value;
}

/* A layaway whose completion has not been rung up yet. */
static inline int SaleLayawayInProgress(const TagSalesHdr* sale)
{
    return SaleTypeIs(sale->Type, SALE_TYPE_LAYAWAY) && (sale->Flags & SALE_LAYAWAY_COMPLETED) == 0;
}

/* Line kinds (offset 21). */
enum {
    SALE_LINE_PRODUCT = 'P',
    SALE_LINE_SERVICE = 'S',
    SALE_LINE_BILLING = 'C'
};

/* BPOSINDT.DB, 182 bytes. Key 0: invoice number + line number. */
typedef struct TagSalesDetail {
    char InvoiceNo[11];             /* 0 */
    int16_t LineNo;                 /* 11 */
    uint8_t Data13[2];              /* 13 */
    char Category[6];               /* 15 */
    char Kind;                      /* 21 */
    char ItemCode[15];              /* 22 */
    char Description[31];           /* 37 */
    uint8_t Data68[20];             /* 68 */
    double Quantity;                /* 88 */
    uint8_t Data96[8];              /* 96 */
    double UnitPrice;               /* 104 */
    double Value112;                /* 112: non-zero on a taxable line */
    uint8_t Data120[8];             /* 120 */
    double Quantity2;               /* 128: its sign is given to the line's cost */
    double Extended;                /* 136 */
    double Cost;                    /* 144 */
    uint8_t Data152[19];            /* 152 */
    char HasSerials;                /* 171: 'Y' when serial movements belong to the line */
    uint8_t Data172;                /* 172 */
    uint32_t SerialLink;            /* 173: link number of the line's serial movements; 0 or -1 none */
    uint8_t Data177[5];             /* 177 */
} TagSalesDetail;

/* A tender slot of a register: its code and the amount taken (19 bytes). */
typedef struct RegisterTenderSlot {
    char Code[11];                  /* 0: 10 characters and NUL; 10 blanks when empty */
    double Amount;                  /* 11 */
} RegisterTenderSlot;

/* A register of BPOSREGS.DB (777 bytes). */
typedef struct RegisterRecord {
    char Name[11];                  /* 0: "REG" and the number, upper case, blank padded; key 0 */
    char NameEnd;                   /* 11: NUL */
    uint8_t Open;                   /* 12: 1 open, 0 closed */
    int32_t Shift;                  /* 13: shift number; 0 while no opening amount was taken */
    uint8_t reserved17[11];         /* 17: the host's */
    double Total;                   /* 28: opening amount, or the sum of the slots at closing */
    RegisterTenderSlot Slots[39];   /* 36 */
} RegisterRecord;

/* A saved reconciliation of BPOSRSAV.DB (793 bytes). */
typedef struct RegisterReconRecord {
    char Name[12];                  /* 0: typed by the user, NUL-terminated; key 0 */
    int32_t Date;                   /* 12 */
    RegisterRecord Register;        /* 16: the register as it was */
} RegisterReconRecord;

/* Sales-detail history of BPOSSLDT.DB (259 bytes), one per posted line
 * when the store keeps it. Key 0: the invoice and line number. */
typedef struct SalesDetailHistoryRecord {
    char Kind;                      /* 0: 'I' issued, 'R' returned */
    char InvoiceNo[11];             /* 1 */
    int16_t LineNo;                 /* 12 */
    uint8_t ItemType;               /* 14: 1 other, 2 product without stock, 3 product,
                                       4 billing code, 5 'D'/'K' line, 6 service, 7 'M' line */
    char ItemCode[15];              /* 15 */
    char Description[31];           /* 30 */
    char Category[6];               /* 61 */
    int32_t Date;                   /* 67 */
    char SaleType;                  /* 71 */
    int16_t RegisterNumber;         /* 72 */
    uint8_t reserved74[3];          /* 74 */
    char CustomerNo[11];            /* 77 */
    double Quantity;                /* 88 */
    double UnitPrice;               /* 96 */
    double Amount;                  /* 104 */
    char Taxable;                   /* 112: 'Y' / 'N' */
    double UnitCost;                /* 113 */
    double Cost;                    /* 121: unit cost times quantity */
    char TaxCode[6];                /* 129 */
    uint8_t reserved135[124];       /* 135 */
} SalesDetailHistoryRecord;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagSalesHdr) == 586, "sales header");
static_assert(offsetof(TagSalesHdr, Type) == 11, "sale type");
static_assert(offsetof(TagSalesHdr, RegisterNumber) == 12, "sale register");
static_assert(offsetof(TagSalesHdr, FirstLineOffset) == 481, "sale first register line");
static_assert(offsetof(TagSalesHdr, CustomerNo) == 20, "sale customer");
static_assert(offsetof(TagSalesHdr, CustomerName) == 31, "sale customer name");
static_assert(offsetof(TagSalesHdr, TranDate) == 267, "sale date");
static_assert(offsetof(TagSalesHdr, TaxCode) == 287, "sale tax code");
static_assert(offsetof(TagSalesHdr, TermsCode) == 293, "sale terms code");
static_assert(offsetof(TagSalesHdr, CashDescription) == 303, "sale cash description");
static_assert(offsetof(TagSalesHdr, LayawayCustomer) == 309, "sale layaway customer");
static_assert(offsetof(TagSalesDetail, HasSerials) == 171 && offsetof(TagSalesDetail, SerialLink) == 173 &&
                  sizeof(TagSalesDetail) == 182,
              "sale line serial fields");
static_assert(offsetof(TagSalesHdr, Tender1) == 331, "sale tender 1");
static_assert(offsetof(TagSalesHdr, Tender2) == 342, "sale tender 2");
static_assert(offsetof(TagSalesHdr, TenderRef1) == 353, "sale tender reference 1");
static_assert(offsetof(TagSalesHdr, TenderRef2) == 384, "sale tender reference 2");
static_assert(offsetof(TagSalesHdr, CashAmount) == 415, "sale cash amount");
static_assert(offsetof(TagSalesHdr, TaxAmount) == 423, "sale tax");
static_assert(offsetof(TagSalesHdr, InvoiceTotal) == 431, "sale total");
static_assert(offsetof(TagSalesHdr, Tendered) == 439, "sale tendered");
static_assert(offsetof(TagSalesHdr, ChangeGiven) == 447, "sale change");
static_assert(offsetof(TagSalesHdr, TenderAmount1) == 455, "sale tender amount 1");
static_assert(offsetof(TagSalesHdr, TenderAmount2) == 463, "sale tender amount 2");
static_assert(offsetof(TagSalesHdr, Flags) == 475, "sale flags");
static_assert(offsetof(TagSalesHdr, DiscountTaken) == 485, "sale discount");
static_assert(offsetof(TagSalesHdr, TotalCost) == 523, "sale total cost");
static_assert(offsetof(TagSalesHdr, HistoryNumber) == 511, "sale history record");
static_assert(offsetof(TagSalesHdr, SecondHistoryNumber) == 531, "sale second history record");
static_assert(offsetof(TagSalesHdr, SalespersonSecond) == 515, "sale salesperson second amount");
static_assert(offsetof(TagSalesHdr, TaxableAmount) == 501, "sale taxable amount");
static_assert(offsetof(TagSalesHdr, LedgerKey) == 574, "sale ledger key");
static_assert(offsetof(TagSalesHdr, DepositKey1) == 578, "sale first deposit key");
static_assert(offsetof(TagSalesHdr, DepositKey2) == 582, "sale second deposit key");
static_assert(sizeof(TagSalesDetail) == 182, "sales line");
static_assert(offsetof(TagSalesDetail, Description) == 37, "sales line description");
static_assert(offsetof(TagSalesDetail, UnitPrice) == 104, "sales line unit price");
static_assert(offsetof(TagSalesDetail, Value112) == 112, "sales line taxable value");
static_assert(sizeof(SalesDetailHistoryRecord) == 259, "sales-detail history");
static_assert(offsetof(SalesDetailHistoryRecord, InvoiceNo) == 1, "history invoice");
static_assert(offsetof(SalesDetailHistoryRecord, LineNo) == 12, "history line number");
static_assert(offsetof(SalesDetailHistoryRecord, ItemCode) == 15, "history item code");
static_assert(offsetof(SalesDetailHistoryRecord, CustomerNo) == 77, "history customer");
static_assert(sizeof(RegisterRecord) == 777, "register");
static_assert(sizeof(RegisterTenderSlot) == 19, "register slot");
static_assert(offsetof(RegisterRecord, Open) == 12, "register open flag");
static_assert(offsetof(RegisterRecord, Shift) == 13, "register shift");
static_assert(offsetof(RegisterRecord, Total) == 28, "register total");
static_assert(offsetof(RegisterRecord, Slots) == 36, "register slots");
static_assert(sizeof(RegisterReconRecord) == 793, "register reconciliation");
static_assert(offsetof(RegisterReconRecord, Register) == 16, "reconciled register");
static_assert(offsetof(TagSalesDetail, LineNo) == 11, "sales line number");
static_assert(offsetof(TagSalesDetail, Category) == 15, "sales line category");
static_assert(offsetof(TagSalesDetail, Kind) == 21, "sales line kind");
static_assert(offsetof(TagSalesDetail, ItemCode) == 22, "sales line item");
static_assert(offsetof(TagSalesDetail, Quantity) == 88, "sales line quantity");
static_assert(offsetof(TagSalesDetail, Quantity2) == 128, "sales line second quantity");
static_assert(offsetof(TagSalesDetail, Extended) == 136, "sales line amount");
static_assert(offsetof(TagSalesDetail, Cost) == 144, "sales line cost");
#endif

#endif
