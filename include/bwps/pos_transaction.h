/* bwps/pos_transaction.h: the services the sale entry calls around a
 * transaction: the receipt-printer set-up of the next document, the cash
 * drawer, the drawer record, layaway headers, the printer test, the station
 * options, a window of numbered text lines and small text utilities.
 *
 * They work on the host's transaction context, of which only the fields of
 * PosTransactionContext below are used, and on the report state of the text
 * report driver (TextReportState).
 */
#ifndef BWPS_POS_TRANSACTION_H
#define BWPS_POS_TRANSACTION_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/general.h"
#include "bwps/records/stations.h"
#include "fx.h"

#pragma pack(push, 1)

#ifndef BWPS_TEXT_REPORT_STATE
#define BWPS_TEXT_REPORT_STATE
/* The state of one character-mode text report (2205 bytes): the caller
 * fills the request fields, opens the report, puts each line into Line with
 * its length in LineLength and writes it, then closes the report. The
 * driver's own objects are kept in 32-bit slots. */
typedef struct TextReportState {
    uint8_t PresetDestination;   /* 0: 0 ask, 1 screen, 2 printer, 3 file */
    uint8_t Condensed;           /* 1 */
    uint8_t Quiet;               /* 2: no stop window */
    uint8_t Kept3;               /* 3 */
    uint8_t PrinterChoice;       /* 4: 1..3 entry of the station's printers */
    uint8_t Byte5;               /* 5 */
    uint8_t CrOnly;              /* 6: line ends are CR only */
    uint8_t Byte7;               /* 7 */
    uint8_t Destination;         /* 8: 1 screen, 2 printer, 3 file */
    uint8_t PrintAfterView;      /* 9 */
    uint8_t Bytes10[3];          /* 10 */
    uint8_t FullHeading;         /* 13 */
    uint8_t Byte14;              /* 14 */
    uint8_t Pending;             /* 15: the line buffer holds text */
    uint8_t ExportKind;          /* 16 */
    uint8_t Qualifier;           /* 17 */
    uint8_t Separator;           /* 18 */
    uint8_t Byte19;              /* 19 */
    uint8_t Aborted;             /* 20: set after a write error */
    uint8_t Byte21;              /* 21 */
    uint8_t Port;                /* 22: 1..3 LPT1..3, 4..6 COM1..3 */
    char FileName[260];          /* 23 */
    char IndexName[260];         /* 283 */
    char Line[320];              /* 543: 319 characters and a terminator */
    char Heading1[64];           /* 863 */
    char Heading2[64];           /* 927 */
    char PhoneFax[80];           /* 991 */
    uint32_t HeadingLines[4];    /* 1071 */
    uint8_t Bytes1087[8];        /* 1087 */
    int8_t HeadingCount;         /* 1095 */
    int32_t LineLength;          /* 1096: characters of Line to write */
    int32_t FirstPage;           /* 1100 */
    int32_t Page;                /* 1104 */
    uint8_t Bytes1108[4];        /* 1108 */
    int32_t LinesPerPage;        /* 1112 */
    int32_t Width;               /* 1116 */
    int32_t LinesOnPage;         /* 1120 */
    int32_t FileHandle;          /* 1124 */
    int32_t IndexHandle;         /* 1128 */
    int32_t ParallelHandle;      /* 1132 */
    int32_t ParallelPort;        /* 1136: 0..2, -1 none */
    int32_t SerialPort;          /* 1140: 0..2, -1 none */
    uint32_t SerialSettings[4];  /* 1144 */
    int32_t ViewerLine;          /* 1160 */
    int32_t ScreenLines;         /* 1164 */
    uint32_t ScreenOffset;       /* 1168 */
    StationPrinterEntry Printer; /* 1172 */
    uint8_t Company[818];        /* 1291 */
    uint32_t SheetBlock;         /* 2109 */
    uint8_t ViewerWindow[4];     /* 2113 */
    uint32_t ViewerKeys[12];     /* 2117 */
    uint8_t NoTitle;             /* 2165 */
    uint8_t KeysGiven;           /* 2166 */
    uint8_t Bytes2167[4];        /* 2167 */
    uint32_t KeyTable;           /* 2171 */
    uint32_t HtmlBlock;          /* 2175 */
    uint8_t Copies[18];          /* 2179 */
    uint32_t Kept2197;           /* 2197 */
    uint32_t StatusWindow;       /* 2201 */
} TextReportState;
#endif

/* One receipt-printer set-up of the host's context (2582 bytes): a report
 * state and what the host keeps behind it. */
typedef struct PosReportSlot {
    TextReportState State;       /* 0 */
    uint8_t HostData[376];       /* 2205 */
    uint8_t DrawerSkip;          /* 2581: first stored set-up only: a drawer on port 1 is
                                    opened by the host itself */
} PosReportSlot;

/* A layaway header of BPOSLAYH.DB (file 34, 172 bytes) as the layaway
 * services read it. */
typedef struct PosLayawayHeader {
    char Number[11];             /* 0: key 0 */
    uint8_t Data11[141];         /* 11 */
    uint8_t Status;              /* 152: handed to the host */
    uint8_t Data153[4];          /* 153 */
    char FinalReceipt[15];       /* 157: the final receipt number (to the record's end) */
} PosLayawayHeader;

/* The block of 156 bytes whose two texts BothTextsEmpty looks at. */
typedef struct PosTextPair {
    uint8_t Head[3];             /* 0 */
    char First[15];              /* 3 */
    char Second[138];            /* 18 */
} PosTextPair;

#pragma pack(pop)

enum {
    POS_REPORT_SLOT_SIZE = 2582,
    POS_STORED_REPORTS = 4,
    POS_DRAWER_CODES = 12,
    POS_DRAWER_BUFFER = 15,     /* bytes sent to a serial drawer */
    POS_NUMBERED_TEXT_LIST = 162
};

/* The host's transaction context: the fields these services use. */
typedef struct PosTransactionContext {
    /* The station's drawer flags, kept by the host: the drawer key may open
     * the drawer; the station has a cash drawer (the register's drawer port
     * is not 0). */
    int16_t DrawerKey;
    int16_t HasDrawer;
    CashRegisterRecord* Drawer;  /* the register's cash drawer record */
    int16_t DocumentKind1;       /* 2, 3 or 4 in either: the form is asked */
    int16_t DocumentKind2;
    PosReportSlot Working;       /* the set-up the next document uses */
    PosReportSlot Stored[POS_STORED_REPORTS]; /* 0 the default, 2 and 3 the alternatives */
    uint8_t TransactionKind;     /* 2 and 6 never open the drawer */
    uint8_t StationOption;       /* 0 or 1, set by the station options */
    TextReportState* Printer;    /* the report state the printer test writes to */
    TagBanners Banners;          /* the receipt banner record; the banner editor edits it here */
} PosTransactionContext;

/* The framework's screen context of the host's sale screen, handed to the
 * key handlers 714 to 716. */
typedef struct PosScreenContext {
    FxContext Fx;
    PosTransactionContext* Transaction;
} PosScreenContext;

#ifdef __cplusplus
static_assert(sizeof(TextReportState) == 2205, "text report state");
static_assert(offsetof(TextReportState, Port) == 22, "port");
static_assert(offsetof(TextReportState, Line) == 543, "line buffer");
static_assert(offsetof(TextReportState, HeadingCount) == 1095, "heading count");
static_assert(offsetof(TextReportState, LineLength) == 1096, "line length");
static_assert(offsetof(TextReportState, FileHandle) == 1124, "file handle");
static_assert(offsetof(TextReportState, SerialPort) == 1140, "serial port");
static_assert(offsetof(TextReportState, Printer) == 1172, "printer entry");
static_assert(offsetof(TextReportState, Company) == 1291, "company");
static_assert(offsetof(TextReportState, SheetBlock) == 2109, "sheet block");
static_assert(offsetof(TextReportState, KeyTable) == 2171, "key table");
static_assert(offsetof(TextReportState, Copies) == 2179, "copies");
static_assert(offsetof(TextReportState, StatusWindow) == 2201, "status window");
static_assert(sizeof(PosReportSlot) == POS_REPORT_SLOT_SIZE, "report slot");
static_assert(offsetof(PosReportSlot, DrawerSkip) == POS_REPORT_SLOT_SIZE - 1, "drawer skip");
static_assert(sizeof(PosLayawayHeader) == 172, "layaway header");
static_assert(offsetof(PosLayawayHeader, Status) == 152, "layaway status");
static_assert(offsetof(PosLayawayHeader, FinalReceipt) == 157, "final receipt");
static_assert(sizeof(PosTextPair) == 156, "text pair");
static_assert(offsetof(PosTextPair, Second) == 18, "second text");
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* 724: makes a stored set-up the working one: the default, or (when a
 * document-kind setting is 2, 3 or 4) the one the clerk picks; 0, 2 or 3. */
BWPS_EXPORT int16_t ChooseInvoiceKind(PosTransactionContext* context);
/* 712: opens the cash drawer: the status of the port call, 0 when nothing
 * was sent. */
BWPS_EXPORT int SetupCashDrawerPort(PosTransactionContext* context);
/* 713: the cash drawer record of the number; a missing one reads as
 * cleared with its first open code 7. True when found. */
BWPS_EXPORT int ReadDrawerRecord(int32_t number, CashRegisterRecord* record);
/* 714 to 716: key handlers of the sale screen (context: PosScreenContext);
 * each answers 0x20. The drawer key, the printer test, the station
 * options. */
BWPS_EXPORT int OnOpenDrawerKey(void* context);
BWPS_EXPORT int RunPrinterTest(void* context);
BWPS_EXPORT int OnStationOptionsKey(void* context);
/* 717: the layaway header of the number; the header's status byte, 0 when
 * the layaway is not found (the record then cleared). */
BWPS_EXPORT int ReadLayawayHeader(const char* number, PosLayawayHeader* record);
/* 718: tells the clerk that a finalized layaway takes no transaction. */
BWPS_EXPORT void CheckLayawayNotFinal(PosLayawayHeader header);
/* 719: an empty text becomes width - 1 blanks; 0. */
BWPS_EXPORT int BlankFillIfEmpty(char* text, int width);
/* 720: 1 when both texts of the block are empty. */
BWPS_EXPORT int BothTextsEmpty(PosTextPair block);
/* 721: the value as text by the picture; 0. */
BWPS_EXPORT int FormatNumberText(int16_t decimals, const char* picture, char* target, double value);
/* 722: the lines of text list 162 in a window, "%d" in them replaced by the
 * number; returns after a key. */
BWPS_EXPORT void ShowNumberedTextWindow(int16_t number);
/* 595: the receipt-banner editor on the context's banner lines; the
 * screen's result, 0 when it cannot run. */
BWPS_EXPORT int16_t RSBanners(PosTransactionContext* context);

/* The settings of the cash drawer and its port, read from "bwwreg.ini" in
 * the program folder ("[CashDrawer]" / "InitComPort=1"); the value of the
 * setting, else the default. */
BWPS_EXPORT int WRegGetSetting(const char* section, const char* name, int defaultValue);

/* 758 to 760: the text report driver, as far as this build has one: reports
 * go to the printer's port. */
BWPS_EXPORT uint8_t TextReportOpen(TextReportState* state);
BWPS_EXPORT int TextReportWriteLine(TextReportState* state);
BWPS_EXPORT int TextReportClose(TextReportState* state);

#ifdef __cplusplus
}
#endif

#endif
