/* bwps/records/masters.h: the master records as the posting reads and
 * writes them (only the fields it uses are named): products, services,
 * tax codes, tenders, billing codes, customers and vendors, layaways,
 * and the salesperson, warehouse and ship-via records the lookups read. */
#ifndef BWPS_RECORDS_MASTERS_H
#define BWPS_RECORDS_MASTERS_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/records/products.h"
#include "bwps/records/promotions.h"
#include "bwps/records/tenders.h"

// The product record is TagProduct (bwps/records/products.h).
using ProductRecord = TagProduct;

#pragma pack(push, 1)
// The period arrays of products, services and customers hold five slots;
// the posting adds into slot 2 (current year) or 4 (next year).
enum { kStatisticSlots = 5 };
struct ServiceRecord {              // BPOSSERV.DB, 196 bytes
    char Code[15];                  // 0
    char Description[31];           // 15
    char Account[6];                // 46: ledger account
    char Text52[21];                // 52
    char NoteName[16];              // 73: note file, in the folder of the file
    char Flags[4];                  // 89: 'Y' / 'N'; a new service has "YNNN"
    int16_t UnitFactor;             // 93: units in a pack (taken as 1 below 1)
    int32_t LastDate;               // 95: last sale
    double Price;                   // 99
    double Amounts[5];              // 107: sales by slot; the history periods are 1-4
    double Quantities[5];           // 147
    uint8_t Data187[8];             // 187
    char Status;                    // 195
};
struct TaxRecord {                  // BPOSTXTB.DB, 995 bytes
    char Code[6];                   // 0
    char Description[13];           // 6
    float TotalRate;                // 19
    uint8_t Data23[4];              // 23
    struct Entry {
        char Account[11];
        float Rate;
    } Entries[8];                   // 27
    char FurtherAccount[11];        // 147
    float FurtherRate;              // 158
    double History[4][26];          // 162: by period index 0-25
    char Flag;                      // 994: 'Y' / 'N'
};
struct BillingCodeRecord {          // BPOSBICD.DB, 89 bytes
    char Code[6];                   // 0
    union {
        uint8_t Data6[41];          // 6
        char Description[41];       // 6
    };
    char Account[11];               // 47: the ledger account, NUL-terminated in
    uint8_t AccountRest[12];        // 58  a field of 23 bytes
    char Options[3];                // 70: 'Y' / 'N'; a new code has 'Y', 'N', 'N'
    double Amount;                  // 73
    uint8_t Data81[8];              // 81: carried unchanged
};
struct PriceBreakRecord {           // BPOSPRBK.DB, 87 bytes
    char Code[6];                   // 0: key 0
    char Description[31];           // 6
    char Rounding;                  // 37: 'O', 'P', 'N', 'D', '$'
    struct Break {
        int32_t Quantity;
        float Value;
    } Breaks[5];                    // 38
    char Type;                      // 78: 'Q', 'P', 'D', 'F'
    double SingleValue;             // 79
};
struct CustomerRecord {             // BPOSCUST.DB, 795 bytes
    char Code[11];                  // 0
    char TaxCode[6];                // 11
    char TermsCode[6];              // 17
    char MessageCode[6];            // 23: a key of BPOSMSGS.DB
    char LedgerAccount[11];         // 29: optional, a kind-D account
    char InterfaceCode[6];          // 40: accounting-interface code
    char Salesperson[6];            // 46
    char Text52[6];                 // 52: taken over from the defaults
    char Text58[6];                 // 58: taken over from the defaults
    char Field27[6];                // 64: screen field 27
    char Field11[14];               // 70: screen field 11
    uint8_t Data84[17];             // 84
    char NoteName[16];              // 101
    char PriceLevel;                // 117: N none, A-F
    char AccountType;               // 118: 'O' open item, 'B' balance forward, 'C' cash
    char NewFlag119;                // 119: 'Y' in a new record
    char NewFlag120;                // 120: 'N' in a new record
    uint8_t Byte121;                // 121
    float Rate;                     // 122: three decimals
    int32_t LastSaleDate;           // 126
    int32_t LastPaymentDate;        // 130
    double CreditLimit;             // 134
    double PaymentsTotal;           // 142
    double ChargesTotal;            // 150
    double CreditsTotal;            // 158
    double Balance;                 // 166
    double LastSaleAmount;          // 174
    double LastPaymentAmount;       // 182
    int32_t Invoices[5];            // 190: sales counted by slot
    int32_t ZeroInvoices[5];        // 210: sales of no amount by slot
    double Payments[5];             // 230
    double Layaways[5];             // 270: taken on layaways in progress
    double Sales[5];                // 310
    char Name[41];                  // 350
    char Field4[41];                // 391: screen field 4
    char Address1[41];              // 432
    char Address2[41];              // 473
    uint8_t Data514[41];            // 514
    char City[16];                  // 555
    char State[4];                  // 571
    char Zip[11];                   // 575
    char Phone[3][16];              // 586, 602, 618
    char Field7[41];                // 634: screen field 7
    char Field15[16];               // 675: screen field 15
    char Field31[16];               // 691: screen field 31
    char Account[11];               // 707: receivable account
    char ShipVia[16];               // 718: ship-via code, 15 characters
    char Status;                    // 734: 'A' active, 'I' inactive
    uint8_t Data735[52];            // 735
    double AmountLimit;             // 787: 0 to 999999999999
};
// Vendors share the customer layout (BPOSVEND.DB).
using VendorRecord = CustomerRecord;
struct SalespersonRecord {          // BPOSSPER.DB, 572 bytes
    char Code[6];                   // 0: key 0, upper case
    char Name[41];                  // 6
    char ShortCode[6];              // 47: copied into time-clock entries (byte 52 NUL)
    uint8_t Data53[6];              // 53
    char SecondCode[6];             // 59
    uint8_t Data65[31];             // 65
    char Flags[3];                  // 96: 'Y' / 'N'; "YYY" for a record made on the editor
    double Rate;                    // 99: 3 decimals
    double SecondRate;              // 107: 2 decimals
    double Sales[26];               // 115: current year 0-12, prior year 13-25
    double Totals[26];              // 323: the second totals, same slots
    char SecondLine[41];            // 531
};
// Slots of one year in the period arrays of a salesperson.
inline constexpr int kSalespersonPeriods = 13;
struct TimeClockRecord {            // BPOSSPTM.DB, 73 bytes
    char Code[6];                   // 0: salesperson code; key 0 with date in and time in
    char Status;                    // 6: 'A' open, 'C' closed, 'E' error; key 1 with the code
    int16_t Station;                // 7: station of the clock-in
    char ShortCode[12];             // 9: the salesperson's short code at clock-in
    int32_t DateIn;                 // 21: framework dates
    int32_t DateOut;                // 25
    int16_t TimeIn;                 // 29: minutes since midnight
    int16_t TimeOut;                // 31
    double Hours;                   // 33
    double Amounts[4];              // 41, 49, 57, 65
};
// Key 1 of BPOSSPTM.DB: the status, then the code.
struct TimeClockStatusKey {
    char Status;
    char Code[6];
};
struct WarehouseRecord {            // BPOSWHSE.DB, 362 bytes; every field NUL-terminated text
    char Code[4];                   // 0: key 0
    char Description[41];           // 4
    char Line2[41];                 // 45
    char Line3[41];                 // 86
    char Line4[82];                 // 127
    char Text209[16];               // 209
    char Text225[4];                // 225
    char Text229[11];               // 229
    char Text240[16];               // 240
    char Text256[16];               // 256
    char Text272[16];               // 272
    char Text288[41];               // 288
    char Text329[16];               // 329
    char Text345[17];               // 345
};
struct ShipViaRecord {              // BPOSSVIA.DB, 114 bytes
    char Code[16];                  // 0: key 0
    char Description[41];           // 16
    char SecondLine[41];            // 57
    char Telephone[16];             // 98: "(nnn) nnn-nnnn"
};
struct LayawayRecord {              // BPOSLAYH.DB, 172 bytes
    char Number[11];                // 0
    char Customer[11];              // 11
    uint8_t Data22[41];             // 22
    int32_t Date;                   // 63: the layaway's date
    uint8_t Data67[47];             // 67
    double Prepayments;             // 114
    uint8_t Data122[12];            // 122
    uint16_t DueDays;               // 134: days from the date to the due date
    double Amount136;               // 136
    double Amount144;               // 144: with 136, the amount before the prepayments
    uint8_t Verified;               // 152: 0 in use; key 3 begins with it
    uint8_t Data153[19];            // 153
};
// The tender record is TagTender (bwps/records/tenders.h).
using TenderRecord = TagTender;
#pragma pack(pop)
static_assert(sizeof(LayawayRecord) == 172 && offsetof(LayawayRecord, Date) == 63 &&
              offsetof(LayawayRecord, Prepayments) == 114 && offsetof(LayawayRecord, DueDays) == 134 &&
              offsetof(LayawayRecord, Amount136) == 136 && offsetof(LayawayRecord, Amount144) == 144 &&
              offsetof(LayawayRecord, Verified) == 152);
static_assert(sizeof(ServiceRecord) == 196 && offsetof(ServiceRecord, LastDate) == 95 &&
              offsetof(ServiceRecord, Description) == 15 && offsetof(ServiceRecord, UnitFactor) == 93 &&
              offsetof(ServiceRecord, Amounts) == 107 &&
              offsetof(ServiceRecord, Account) == 46 && offsetof(ServiceRecord, Text52) == 52 &&
              offsetof(ServiceRecord, NoteName) == 73 && offsetof(ServiceRecord, Flags) == 89 &&
              offsetof(ServiceRecord, Price) == 99 &&
              offsetof(ServiceRecord, Quantities) == 147 && offsetof(ServiceRecord, Status) == 195);
static_assert(sizeof(TaxRecord) == 995 && offsetof(TaxRecord, TotalRate) == 19 &&
              offsetof(TaxRecord, Description) == 6 &&
              offsetof(TaxRecord, History) == 162 && offsetof(TaxRecord, Flag) == 994 &&
              offsetof(TaxRecord, Entries) == 27 && sizeof(TaxRecord::Entry) == 15);
static_assert(sizeof(BillingCodeRecord) == 89 && offsetof(BillingCodeRecord, Account) == 47 &&
              offsetof(BillingCodeRecord, Description) == 6 &&
              offsetof(BillingCodeRecord, Options) == 70 && offsetof(BillingCodeRecord, Amount) == 73 &&
              offsetof(BillingCodeRecord, Data81) == 81);
static_assert(sizeof(PriceBreakRecord) == 87 && offsetof(PriceBreakRecord, Breaks) == 38 &&
              offsetof(PriceBreakRecord, Type) == 78 && offsetof(PriceBreakRecord, SingleValue) == 79);
static_assert(offsetof(CustomerRecord, LedgerAccount) == 29 &&
              offsetof(CustomerRecord, Salesperson) == 46 &&
              offsetof(CustomerRecord, Field27) == 64 && offsetof(CustomerRecord, NoteName) == 101 &&
              offsetof(CustomerRecord, PriceLevel) == 117 && offsetof(CustomerRecord, City) == 555 &&
              offsetof(CustomerRecord, Zip) == 575 && offsetof(CustomerRecord, Phone) == 586 &&
              offsetof(CustomerRecord, Field31) == 691);
static_assert(sizeof(CustomerRecord) == 795 && offsetof(CustomerRecord, Account) == 707 &&
              offsetof(CustomerRecord, MessageCode) == 23 &&
              offsetof(CustomerRecord, CreditLimit) == 134 &&
              offsetof(CustomerRecord, AccountType) == 118 &&
              offsetof(CustomerRecord, Balance) == 166 &&
              offsetof(CustomerRecord, LastSaleDate) == 126 &&
              offsetof(CustomerRecord, LastSaleAmount) == 174 &&
              offsetof(CustomerRecord, Invoices) == 190 &&
              offsetof(CustomerRecord, ZeroInvoices) == 210 &&
              offsetof(CustomerRecord, Payments) == 230 &&
              offsetof(CustomerRecord, Layaways) == 270 && offsetof(CustomerRecord, Sales) == 310 &&
              offsetof(CustomerRecord, Name) == 350 && offsetof(CustomerRecord, ShipVia) == 718 &&
              offsetof(CustomerRecord, Rate) == 122 && offsetof(CustomerRecord, AmountLimit) == 787 &&
              offsetof(CustomerRecord, NewFlag119) == 119 &&
              offsetof(CustomerRecord, Status) == 734);
static_assert(sizeof(SalespersonRecord) == 572 && offsetof(SalespersonRecord, Name) == 6 &&
              offsetof(SalespersonRecord, ShortCode) == 47 && offsetof(SalespersonRecord, Rate) == 99 &&
              offsetof(SalespersonRecord, Sales) == 115 && offsetof(SalespersonRecord, Totals) == 323 &&
              offsetof(SalespersonRecord, SecondLine) == 531 &&
              offsetof(SalespersonRecord, SecondCode) == 59 && offsetof(SalespersonRecord, Flags) == 96 &&
              offsetof(SalespersonRecord, SecondRate) == 107);
static_assert(sizeof(TimeClockRecord) == 73 && offsetof(TimeClockRecord, Status) == 6 &&
              offsetof(TimeClockRecord, Station) == 7 && offsetof(TimeClockRecord, ShortCode) == 9 &&
              offsetof(TimeClockRecord, DateIn) == 21 && offsetof(TimeClockRecord, DateOut) == 25 &&
              offsetof(TimeClockRecord, TimeIn) == 29 && offsetof(TimeClockRecord, TimeOut) == 31 &&
              offsetof(TimeClockRecord, Hours) == 33 && offsetof(TimeClockRecord, Amounts) == 41);
static_assert(sizeof(TimeClockStatusKey) == 7);
static_assert(sizeof(WarehouseRecord) == 362 && offsetof(WarehouseRecord, Description) == 4 &&
              offsetof(WarehouseRecord, Line4) == 127 && offsetof(WarehouseRecord, Text209) == 209 &&
              offsetof(WarehouseRecord, Text240) == 240 && offsetof(WarehouseRecord, Text288) == 288 &&
              offsetof(WarehouseRecord, Text329) == 329 && offsetof(WarehouseRecord, Text345) == 345);
static_assert(sizeof(ShipViaRecord) == 114 && offsetof(ShipViaRecord, Description) == 16 &&
              offsetof(ShipViaRecord, SecondLine) == 57 && offsetof(ShipViaRecord, Telephone) == 98);
// The telephone of a cleared ship-via record: the picture's places blank.
inline constexpr char kBlankTelephone[] = "(   )    -    ";
static_assert(sizeof(kBlankTelephone) <= sizeof(ShipViaRecord::Telephone));
static_assert(sizeof(LayawayRecord) == 172 && offsetof(LayawayRecord, Customer) == 11 &&
              offsetof(LayawayRecord, Prepayments) == 114);

#endif
