/* bwps/records/stations.h: the station file BPOSSTN.DB (file 86, base
 * folder) in its current layout and the older ones it is upgraded from, the
 * station index BPOSSTNX.DB, the cash drawers BPOSDRWR.DB (file 100) and the
 * printer catalogue BPOSPRN.DB (file 87, one StationPrinterEntry a record).
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_STATIONS_H
#define BWPS_RECORDS_STATIONS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* One printer entry of a station (and of the session's StationPrinters). */
typedef struct StationPrinterEntry {
    char name[15];            /* 0: printer name, blank-padded, NUL-terminated */
    uint8_t flag15;           /* 15 */
    uint8_t port;             /* 16: 1..6 = LPT1..3, COM1..3 */
    uint16_t word17;          /* 17 */
    uint16_t linesPerPage;    /* 19 */
    uint16_t word21;          /* 21 */
    uint16_t normalCodes[24]; /* 23: normal-mode control codes */
    uint16_t condensedCodes[24]; /* 71: condensed-mode control codes */
} StationPrinterEntry;

/* Print settings of one printer kind (form setup). */
typedef struct StationPrintSettings {
    uint8_t width;      /* 0: 0 = 80 columns, 1 = 40 */
    uint8_t b1[2];
    char numberStyle;   /* 3: 'D' decimal, 'F' fraction */
    uint8_t b4[9];
    char printMode;     /* 13: 'N' normal, 'C' condensed */
    uint8_t b14[2];
    char secondSwitch;  /* 16: 'Y'/'N' */
    char firstSwitch;   /* 17: 'Y'/'N' */
    int16_t count;      /* 18 */
    uint8_t rest[17];
} StationPrintSettings;

enum {
    STATION_ID_LEN = 15,
    STATION_FORM_NAME_LEN = 16,
    STATION_FORM_SETS = 3,
    STATION_FORMS_PER_SET = 5,
    STATION_RECORD_LEN = 1573,
    STATION_FORM_TABLE_LEN = 336,
    STATION_PRINTER_TABLE_LEN = 357 /* three printer entries */
};

/* The current 1573-byte station record of BPOSSTN.DB. */
typedef struct StationRecord {
    char id[15];                       /* 0: key 0 */
    uint8_t flags15[4];                /* 15 */
    uint8_t colours[50];               /* 19: ten 5-byte colour sets */
    StationPrinterEntry printers[4];   /* 69: the first three are the printer settings block */
    char name545[15];                  /* 545 */
    char cardForm[16];                 /* 560 */
    char productForm[16];              /* 576 */
    char labelForm[16];                /* 592 */
    char formSets[3][5][16];           /* 608, 688, 768: receipt, quote, layaway, layaway payment, receivables payment */
    uint8_t flag848;                   /* 848 */
    StationPrintSettings printSettings[4]; /* 849 */
    char drivePath1[144];              /* 997 */
    char drivePath2[144];              /* 1141 */
    char folder1[144];                 /* 1285 */
    char folder2[144];                 /* 1429 */
} StationRecord;

/* BPOSSTNX.DB: four report counters per station. */
typedef struct StationIndexRecord {
    char id[15];          /* 0: key 0 */
    int16_t counters[4];  /* 15: each starting at 1 */
    uint8_t unused[32];   /* 23 */
} StationIndexRecord;

/* The device settings of a customer display or cash drawer port. */
typedef struct DeviceSettings {
    int16_t portCode;      /* 0: 1 none, 2..4 LPT1..3, 5..7 COM1..3 */
    int16_t speedCode;     /* 2: 0xE0 9600 ... 0x40 300 baud */
    uint8_t dataBits;      /* 4: 3 eight, 2 seven */
    uint8_t stopBits;      /* 5: 0 one, 4 two */
    uint8_t parity;        /* 6: 0 none, 8 odd, 0x18 even */
    char flag;             /* 7: 'Y'/'N' */
    int16_t initCodes[5];  /* 8 */
    int16_t secondCodes[5];/* 18 */
    int16_t thirdCodes[5]; /* 28 */
    int16_t cursorCommand; /* 38 */
    char texts[4][21];     /* 40 */
} DeviceSettings;

/* A cash register (drawer) of BPOSDRWR.DB (file 100, base folder). */
typedef struct CashRegisterRecord {
    int16_t registerNumber;      /* 0: key 0 */
    char description[16];        /* 2 */
    int16_t drawerPort;          /* 18: 0 none .. 6 COM3 */
    int16_t drawerCodes[12];     /* 20 */
    uint8_t unused44[4];         /* 44 */
    DeviceSettings display;      /* 48: the customer display */
    char flag172;                /* 172 */
    int16_t printerChoice173;    /* 173 */
    int16_t number175;           /* 175 */
    uint8_t width40;             /* 177 */
    char flag178;                /* 178 */
    int16_t number179;           /* 179 */
    uint8_t unused181[257];      /* 181 */
    int16_t printerChoice438;    /* 438 */
    int16_t printerChoice440;    /* 440 */
} CashRegisterRecord;

/* Station account block (336 bytes) built from a station record. */
typedef struct TagStationAccounts {
    uint8_t Head[16];               /* 0 */
    char Account1[16];              /* 16 */
    char Account2[16];              /* 32 */
    char Account3[16];              /* 48 */
    char StationField1[16];         /* 64 */
    char Account4[16];              /* 80 */
    char Account5[16];              /* 96 */
    char StationField2[16];         /* 112 */
    char StationField3[16];         /* 128 */
    uint8_t Rest[192];              /* 144 */
} TagStationAccounts;

/* Offsets of the station record that the account block names
 * (StationRecord.cardForm, productForm, labelForm, formSets and
 * printers[3]). */
enum {
    STATION_RECORD_SIZE = 1573,
    STATION_FIELD1_OFFSET = 560,
    STATION_FIELD2_OFFSET = 576,
    STATION_FIELD3_OFFSET = 592,
    STATION_SET1_OFFSET = 608,
    STATION_SET2_OFFSET = 688,
    STATION_SET3_OFFSET = 768,
    STATION_PRINT_OFFSET = 426,
    STATION_PRINT_SIZE = 119
};

/* The form table of a station (336 bytes): a 16-byte head, then one
 * 16-byte form name per form kind (FORM_... of bwps/stations.h). */
typedef struct StationFormTable {
    uint8_t Head[16];               /* 0 */
    char Forms[20][16];             /* 16: by form kind */
} StationFormTable;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(StationFormTable) == STATION_FORM_TABLE_LEN, "form table");
static_assert(sizeof(StationPrinterEntry) == 119, "printer entry");
static_assert(offsetof(StationPrinterEntry, normalCodes) == 23, "printer entry");
static_assert(offsetof(StationPrinterEntry, condensedCodes) == 71, "printer entry");
static_assert(sizeof(StationPrintSettings) == 37, "print settings");
static_assert(offsetof(StationPrintSettings, count) == 18, "print settings");
static_assert(sizeof(StationRecord) == 1573, "station record");
static_assert(offsetof(StationRecord, colours) == 19, "station record");
static_assert(offsetof(StationRecord, printers) == 69, "station record");
static_assert(offsetof(StationRecord, name545) == 545, "station record");
static_assert(offsetof(StationRecord, cardForm) == 560, "station record");
static_assert(offsetof(StationRecord, formSets) == 608, "station record");
static_assert(offsetof(StationRecord, flag848) == 848, "station record");
static_assert(offsetof(StationRecord, printSettings) == 849, "station record");
static_assert(offsetof(StationRecord, drivePath1) == 997, "station record");
static_assert(offsetof(StationRecord, folder1) == 1285, "station record");
static_assert(sizeof(StationIndexRecord) == 55, "station index record");
static_assert(sizeof(DeviceSettings) == 124, "device settings");
static_assert(offsetof(DeviceSettings, cursorCommand) == 38, "device settings");
static_assert(sizeof(CashRegisterRecord) == 442, "cash register record");
static_assert(offsetof(CashRegisterRecord, display) == 48, "cash register record");
static_assert(offsetof(CashRegisterRecord, number179) == 179, "cash register record");
static_assert(offsetof(CashRegisterRecord, printerChoice438) == 438, "cash register record");
static_assert(sizeof(TagStationAccounts) == 336, "station accounts");
static_assert(offsetof(TagStationAccounts, StationField3) == 128, "station field 3");
static_assert(offsetof(StationRecord, cardForm) == STATION_FIELD1_OFFSET, "station field 1");
static_assert(offsetof(StationRecord, productForm) == STATION_FIELD2_OFFSET, "station field 2");
static_assert(offsetof(StationRecord, labelForm) == STATION_FIELD3_OFFSET, "station field 3");
static_assert(offsetof(StationRecord, formSets) == STATION_SET1_OFFSET, "station set 1");
static_assert(offsetof(StationRecord, formSets[1]) == STATION_SET2_OFFSET, "station set 2");
static_assert(offsetof(StationRecord, formSets[2]) == STATION_SET3_OFFSET, "station set 3");
static_assert(offsetof(StationRecord, printers[3]) == STATION_PRINT_OFFSET, "station print settings");
static_assert(sizeof(StationRecord) == STATION_RECORD_SIZE, "station record");
static_assert(offsetof(TagStationAccounts, Account1) == 16, "station accounts");
static_assert(offsetof(TagStationAccounts, StationField1) == 64, "station accounts");
static_assert(offsetof(TagStationAccounts, Account4) == 80, "station accounts");
static_assert(offsetof(TagStationAccounts, StationField2) == 112, "station accounts");

/* Older layouts of the station record, read when a station file of an
 * earlier release is brought to the current layout. */
namespace bwps::stations {

#pragma pack(push, 1)

// A printer entry of the 1017-byte layout: as the current one without the
// 16-bit value at +21.
struct PrinterEntry117 {
    char name[15];                // 0
    uint8_t flag15;               // 15
    uint8_t port;                 // 16
    uint16_t word17;              // 17
    uint16_t linesPerPage;        // 19
    uint16_t normalCodes[24];     // 21
    uint16_t condensedCodes[24];  // 69
};

struct StationRecord1017 {
    char id[15];                            // 0
    uint8_t flags15[4];                     // 15
    uint8_t colours[50];                    // 19
    PrinterEntry117 printers[4];            // 69
    char name537[15];                       // 537
    uint8_t flag552;                        // 552
    StationPrintSettings printSettings[2];  // 553
    char receiptForm[16];                   // 627
    char quoteForm[16];                     // 643
    char layawayForm[16];                   // 659
    char cardForm[16];                      // 675
    char layawayPaymentForm[16];            // 691
    char arPaymentForm[16];                 // 707
    char drive1;                            // 723
    char drive2;                            // 724
    uint16_t word725;                       // 725
    uint16_t word727;                       // 727
    char folder1[144];                      // 729
    char folder2[144];                      // 873
};

// The 1291-byte layout: the current one up to offset 997, then drive
// letters in place of the drive paths.
struct StationRecord1291 {
    uint8_t head[997];   // 0: as StationRecord
    char drive1;         // 997
    char drive2;         // 998
    uint8_t bytes999[4]; // 999
    char folder1[144];   // 1003
    char folder2[144];   // 1147
};

#pragma pack(pop)

static_assert(sizeof(PrinterEntry117) == 117);
static_assert(offsetof(PrinterEntry117, condensedCodes) == 69);
static_assert(sizeof(StationRecord1017) == 1017);
static_assert(offsetof(StationRecord1017, name537) == 537);
static_assert(offsetof(StationRecord1017, flag552) == 552);
static_assert(offsetof(StationRecord1017, receiptForm) == 627);
static_assert(offsetof(StationRecord1017, cardForm) == 675);
static_assert(offsetof(StationRecord1017, arPaymentForm) == 707);
static_assert(offsetof(StationRecord1017, drive1) == 723);
static_assert(offsetof(StationRecord1017, folder1) == 729);
static_assert(offsetof(StationRecord1017, folder2) == 873);
static_assert(sizeof(StationRecord1291) == 1291);
static_assert(offsetof(StationRecord1291, folder1) == 1003);

}  // namespace bwps::stations
#endif

#endif
