/* Stations, the station index, station devices and register detail files.
 *
 * A station is one point-of-sale workstation with a record in BPOSSTN.DB
 * (file 86, base folder) under its station id. The station index
 * BPOSSTNX.DB (base folder, not in the data-file table) keeps four report
 * counters per station. Register detail files ("REG" + number + ".db" in
 * the data folder) hold a register's sale lines as consecutive 182-byte
 * records.
 */
#ifndef BWPS_STATIONS_H
#define BWPS_STATIONS_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"

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

/* Reader state over the detail lines of one sale (owned by the caller). */
typedef struct InvDetailSource {
    int16_t handle;          /* 0: BPOSINDT.DB; negative while closed */
    uint8_t unused2[4];      /* 2 */
    uint8_t line[182];       /* 6: the current detail line */
    uint8_t header[586];     /* 188: the sales header, filled by the caller */
    int16_t mode;            /* 774: 1 = lines come from the register file */
    int16_t openCount;       /* 776: +1 data file, +2 register file */
    int32_t fd;              /* 778: register file descriptor, -1 while closed */
} InvDetailSource;

#pragma pack(pop)

#ifdef __cplusplus
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
static_assert(sizeof(InvDetailSource) == 782, "detail source");
static_assert(offsetof(InvDetailSource, header) == 188, "detail source");
static_assert(offsetof(InvDetailSource, fd) == 778, "detail source");
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- stations ---- */

/* Screen that asks for the station id and the working date. 0, or the
 * status of a failed open of the station file. */
BWPS_EXPORT int RSASKSTATIONID(void);
/* Silent station check of the log-in. 1 when the check ran, 0 after an
 * unexpected failure (message box shown). *ok is 1 when no station prompt
 * is configured, or the station was found or added. */
BWPS_EXPORT int ValidateStationAndDate(int* ok);

/* The session's colour-keep flag: while set, settling a station leaves the
 * session's colour table as it is (a station just added still gives its
 * colours). Clear at load. */
BWPS_EXPORT void SetStationColourKeep(int keep);
BWPS_EXPORT int GetStationColourKeep(void);

/* Station index (BPOSSTNX.DB). */
BWPS_EXPORT int ReadStationIndexRecord(const char* stationId, StationIndexRecord* out);
BWPS_EXPORT int GetStationIndexCounter(const char* stationId, int n);
BWPS_EXPORT int WriteStationIndexRecord(short op, uint16_t handle, int lock, StationIndexRecord* record);
BWPS_EXPORT char* GetStationIndexPath(char* out);
BWPS_EXPORT int CreateStationIndexFile(const char* path);

/* ---- station devices ---- */

BWPS_EXPORT int CreateStationFiles(void);
BWPS_EXPORT int ClearDeviceSettings(DeviceSettings* settings);
BWPS_EXPORT int OpenDevicePort(DeviceSettings* settings);
BWPS_EXPORT int CloseDevicePort(DeviceSettings* settings);
BWPS_EXPORT int StationDevicePortIo(DeviceSettings* settings, int row, int column, const char* text);
BWPS_EXPORT int ConfigureDevicePort(DeviceSettings* settings, const char* text1, const char* text2);
/* Port code -> parallel index 0..2 (codes 2..4), serial index 0..2
 * (codes 5..7), or -1 for no port. *serial tells which (may be null). */
BWPS_EXPORT int MapPortCode(int portCode, int* serial);
/* Serial initialisation byte: speed | data bits | stop bits | parity. */
BWPS_EXPORT int DeviceSerialInitByte(const DeviceSettings* settings);
/* Display position of (row, column) on a two-line, 20-column display. */
BWPS_EXPORT int DeviceDisplayPosition(int row, int column);

/* ---- register detail sources ---- */

BWPS_EXPORT int InvDetailUsesRegisterFile(const void* salesHeader);
BWPS_EXPORT int IsRegisterFileMode(const void* salesHeader);
BWPS_EXPORT int OpenInvDetailSource(InvDetailSource* source);
BWPS_EXPORT int ReadInvDetailSource(InvDetailSource* source, short op);
BWPS_EXPORT int ReadInvDetailSourceAt(InvDetailSource* source, short op);
BWPS_EXPORT void CloseInvDetailSource(InvDetailSource* source);
/* True when the register file is open in *fd; otherwise false with
 * *fd = -1. With create, a register that has no file yet is also entered
 * in BPOSREGS.DB (the point-of-sale program writes the file itself). */
BWPS_EXPORT int OpenRegisterDetailFile(int registerNumber, int* fd, int create);
BWPS_EXPORT char* BuildRegisterDetailPath(int registerNumber, char* out);

#ifdef __cplusplus
}
#endif

#endif
