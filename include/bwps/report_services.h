/* bwps/report_services.h: the report writer.
 *
 * A caller fills a few fields of a TagRepInfo (usually on its stack),
 * opens the report, writes texts at columns, rows of values under a column
 * table, rule rows and heading blocks, ends pages and closes it. The
 * writer sends the lines to one of four destinations:
 *   1 the report engine's preview, 2 the report engine's printer (a PDF
 *     in the printer's folder or on its spool queue),
 *   3 a file: plain text (output mode 0), separated values (1), HTML (2)
 *     or a workbook (3-6, .xlsx),
 *   4 an export: an HTML file through the engine (export kind 3), a
 *     workbook through the office library (kind 1), or a file written by
 *     the engine by its extension (.pdf, .xlsx, .csv, .html; other kinds).
 * Every output file is written aside and renamed at the close, so that a
 * failed or cancelled report leaves the old file whole. Once a write fails
 * the record is `aborted` and every write does nothing until the close.
 *
 * Objects that a report owns (the copy list, the HTML and sheet writers,
 * the heading lines) are kept as numbers in the record, never as
 * addresses, so the record can be copied and cleared as bytes. */
#ifndef BWPS_REPORT_SERVICES_H
#define BWPS_REPORT_SERVICES_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    REPORT_TO_PREVIEW = 1,
    REPORT_TO_PRINTER = 2,
    REPORT_TO_TEXT_FILE = 3,
    REPORT_TO_EXPORT = 4,
    REPORT_MODE_TEXT = 0,
    REPORT_MODE_SEPARATED = 1,
    REPORT_MODE_HTML = 2,
    REPORT_MODE_SHEET = 3,        /* 3-6: workbooks */
    REPORT_EXPORT_OFFICE = 1,     /* export kind 1: the office library */
    REPORT_EXPORT_HTML = 3,       /* export kind 3: HTML through the engine */
    REPORT_EXPORT_FILE = 5,       /* any other kind: a file by its extension */
    REPORT_TEXT_PAGE_LINES = 64,
    REPORT_EXPORT_PAGE_LINES = 99999,
    REPORT_LINE_SIZE = 320,
    REPORT_LINE_LAST = 317,       /* last column a text may start at */
    REPORT_TITLE_SIZE = 51,
    REPORT_OUTPUT_SIZE = 780,
    REPORT_EXPORT_FILE_SIZE = 260,
    REPORT_SETUP_SIZE = 1553,
    REPORT_COMPANY_SIZE = 818,
    REPORT_AUTOMATION_SIZE = 2468,
    REPORT_ALIGN_CENTRE_CELL = -1,
    REPORT_ALIGN_LEFT_CELL = -2,
    REPORT_ALIGN_RIGHT_CELL = -3,
    REPORT_ALIGN_CENTRE = -4,
    REPORT_ALIGN_LEFT = -5,
    REPORT_ALIGN_RIGHT = -6,
    REPORT_OPTION_ALIGNMENT_ROWS = 2, /* options: rows of "X" instead of values */
    REPORT_BREAK_MESSAGE = 989,
    REPORT_FONT_NARROW = 16,
    REPORT_FONT_WIDE = 17,
    REPORT_COLUMN_ENTRY_SIZE = 46,
    REPORT_COLUMN_DEFINITION_SIZE = 52,
    REPORT_LAYOUT_ANSWER_SIZE = 2083
};

/* Value types of a column entry. */
enum {
    REPORT_TYPE_END = 0,
    REPORT_TYPE_TEXT = 2,
    REPORT_TYPE_CHAR = 3,
    REPORT_TYPE_NUMBER_FIRST = 9,    /* 9-0x0B numbers */
    REPORT_TYPE_DOUBLE = 0x0A,
    REPORT_TYPE_NUMBER_LAST = 0x0B,
    REPORT_TYPE_TEXT12 = 0x0C,
    REPORT_TYPE_FORMATTED = 0x0F,
    REPORT_TYPE_PICTURE = 0x15
};

#pragma pack(push, 1)
typedef struct TagRepFont {
    int32_t id;          /* 0: none */
    int32_t value1;      /* -1 by default */
    int32_t value2;
} TagRepFont;

/* One column of a column table (46 bytes); a table ends with an entry of
 * type 0. `value` points at the caller's current value. */
typedef struct TagRepColumn {
    uint8_t type;          /* 0 */
    uint8_t skip;          /* 1 */
    uint8_t decimals;      /* 2: type 0x0A */
    uint8_t blankZero;     /* 3 */
    char format[20];       /* 4: printf format, or the caption when measuring */
    int32_t column;        /* 24: start column, or -1..-6 */
    int16_t width;         /* 28 */
    const void* value;     /* 30 */
    uint32_t extra;        /* 38 */
    int32_t align;         /* 42 */
} TagRepColumn;

/* A caller's column definition (52 bytes) for ReportBuildColumnTable. */
typedef struct TagRepColumnDef {
    uint8_t type;          /* 0 */
    uint8_t skip;          /* 1 */
    uint8_t reserved2;
    char caption[20];      /* 3 */
    int16_t width;         /* 23 */
    uint8_t reserved25[27];
} TagRepColumnDef;

typedef struct TagRepInfo {
    uint8_t silent;                 /* no layout dialog: default printer, saved setup */
    uint8_t wide;                   /* 136 columns in font 17 */
    uint8_t options;                /* REPORT_OPTION_ALIGNMENT_ROWS */
    uint8_t keepStatus;             /* no status window */
    uint8_t reserved4;
    uint8_t preset5;
    uint8_t unused6;
    uint8_t crOnly;                 /* destination 2: a new line is CR alone */
    uint8_t endPageOnClose;
    uint8_t destination;            /* REPORT_TO_* */
    uint8_t unused10[3];
    uint8_t headingBlock;           /* the heading writes date, time and page */
    uint8_t phoneLine;              /* the heading writes the phone/fax line */
    uint8_t preset15;
    uint8_t linePending;
    uint8_t outputMode;             /* destination 3: REPORT_MODE_* */
    uint8_t quoteChar;
    uint8_t separatorChar;
    uint8_t formFeedPending;        /* the next flushed line begins a page */
    uint8_t aborted;
    uint8_t unused22;
    uint8_t portMode;
    char outputFile[REPORT_OUTPUT_SIZE];    /* 24 */
    char lineBuffer[REPORT_LINE_SIZE];      /* 804 */
    char headingTime[64];                   /* 1124 */
    char headingDate[64];                   /* 1188 */
    char phoneFax[80];                      /* 1252 */
    uint32_t headingLines[5];               /* 1332: offsets into companyRecord, 0 none */
    uint32_t unused1352;
    uint8_t headingCount;                   /* 1356 */
    uint32_t lineLength;                    /* 1357 */
    uint32_t firstPage;                     /* 1361 */
    uint32_t page;                          /* 1365 */
    uint32_t unused1369;
    int32_t linesPerPage;                   /* 1373 */
    uint32_t width;                         /* 1377 */
    uint32_t line;                          /* 1381 */
    int32_t fileHandle;                     /* 1385 */
    int32_t portHandles[5];                 /* 1389 */
    uint32_t portFlags[4];                  /* 1409 */
    uint32_t unused1425;
    uint32_t rowCount;                      /* 1429 */
    uint32_t unused1433;
    char title[REPORT_TITLE_SIZE + 1];      /* 1437: always terminated */
    uint8_t engineSetup[REPORT_SETUP_SIZE]; /* 1489 */
    uint8_t companyRecord[REPORT_COMPANY_SIZE]; /* 3042 */
    uint32_t sheetWriter;                   /* 3860 */
    uint32_t htmlWriter;                    /* 3864 */
    uint32_t copies;                        /* 3868 */
    uint8_t copyListInUse;                  /* 3872 */
    uint8_t copyListFailed;
    uint32_t copyList;                      /* 3874 */
    uint32_t fixedPageLines;                /* 3878 */
    int32_t blockStartLine;                 /* 3882 */
    int32_t engine;                         /* 3886 */
    TagRepFont font;                        /* 3890 */
    uint32_t unused3902;
    uint32_t layoutTable;                   /* 3906: 0 the default tables */
    uint8_t exportKind;                     /* 3910 */
    char exportFile[REPORT_EXPORT_FILE_SIZE]; /* 3911 */
    uint32_t openWhenDone;                  /* 4171 */
    uint32_t dialogValue1;                  /* 4175 */
    uint32_t dialogValue2;
    uint8_t unused4183;
    uint8_t dialogFlag;
    uint8_t dialogOptions;                  /* 1: offer the office export */
    uint8_t automationRequest[REPORT_AUTOMATION_SIZE]; /* 4186 */
    /* Kept by the writer for the block and the caller's font. */
    TagRepFont blockFont;
    uint32_t blockSavedLine;
    uint32_t lastFlushedLine;
    uint32_t savedOutputMode;
} TagRepInfo;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagRepColumn) == REPORT_COLUMN_ENTRY_SIZE, "column entry");
static_assert(offsetof(TagRepColumn, column) == 24 && offsetof(TagRepColumn, width) == 28 &&
              offsetof(TagRepColumn, value) == 30 && offsetof(TagRepColumn, extra) == 38 &&
              offsetof(TagRepColumn, align) == 42, "column entry");
static_assert(sizeof(TagRepColumnDef) == REPORT_COLUMN_DEFINITION_SIZE && offsetof(TagRepColumnDef, caption) == 3 &&
              offsetof(TagRepColumnDef, width) == 23, "column definition");
static_assert(offsetof(TagRepInfo, outputFile) == 24 && offsetof(TagRepInfo, lineBuffer) == 804, "report record");
static_assert(offsetof(TagRepInfo, title) == 1437 && offsetof(TagRepInfo, engineSetup) == 1489, "report record");
static_assert(offsetof(TagRepInfo, automationRequest) == 4186, "report record");
#endif

/* ---- opening and closing */

/* Opens the report titled `title` (cut to 51): 1 when open, 0 when not
 * (dialog cancelled, no default printer, a bad file name, no company
 * record, the destination refused). A silent report to a file (destination
 * 3) keeps the caller's outputFile and outputMode. */
BWPS_EXPORT int ReportOpen(TagRepInfo* report, const char* title);
/* After the layout dialog: 1 open, 27 no page length, 0x80 a bad name or
 * an overwrite refused, 0x20 the destination did not open. */
BWPS_EXPORT int ReportApplyLayout(TagRepInfo* report);
BWPS_EXPORT int ReportOpenDestination(TagRepInfo* report);
/* 0, 1 when the report close failed (office export not saved, a file not
 * put in place). */
BWPS_EXPORT int ReportClose(TagRepInfo* report);
/* Opens a report text file: 0 open (*handle), -10 exists and refused, 1
 * cancelled, -1 failed (message 375 or 401 shown). The handle is on a
 * file beside the target; ReportClose renames it into place. */
BWPS_EXPORT int OpenReportTextFile(int refuseExisting, int* handle, const char* path, int outputMode);
/* Completes a typed name into a full path (path holds REPORT_OUTPUT_SIZE
 * bytes): 0 done, 1 empty, 2 no file name. */
BWPS_EXPORT int CompleteOutputFileName(char* path, const char* folder, int type);
BWPS_EXPORT int CompleteExportFileName(char* path, const char* folder, int exportKind, int officeActive);
/* 1 to go on writing `path` (the person agreed to overwrite, or the file is
 * new and the folder takes it), 0 not. The old file is kept: the report is
 * written aside and replaces it at the close. */
BWPS_EXPORT int ConfirmOverwrite(const char* path);

/* ---- lines */

BWPS_EXPORT int ReportWriteText(TagRepInfo* report, const char* text, int column, int newLines);
BWPS_EXPORT int ReportWriteColumnRow(TagRepInfo* report, const TagRepColumn* columns, int newLines);
BWPS_EXPORT int ReportWriteColumnRule(TagRepInfo* report, TagRepColumn* columns, int newLines, int fill);
BWPS_EXPORT int ReportMeasureColumns(TagRepInfo* report, TagRepColumn* columns);
BWPS_EXPORT int ReportBuildColumnTable(const TagRepColumnDef* definitions, int count, TagRepColumn* table);
BWPS_EXPORT int ReportWriteWords(TagRepInfo* report, const char* text, int column, int newLines, const char* separator);
BWPS_EXPORT int ReportWriteWordsEx(TagRepInfo* report, const char* text, int column, int newLines, const char* separator);
/* Sends the current line and moves n lines on (nothing for n < 1). 0, 1
 * when a write failed. */
BWPS_EXPORT int ReportNewLines(TagRepInfo* report, int count);
BWPS_EXPORT int ReportFlushLine(TagRepInfo* report);
BWPS_EXPORT int ReportEndPage(TagRepInfo* report);
/* The page heading; a width above 0 sets the report width to twice it. */
BWPS_EXPORT int ReportWritePageHeading(TagRepInfo* report, int width);
BWPS_EXPORT int ReportWritePageNumber(TagRepInfo* report, int column, int newLines);
BWPS_EXPORT int ReportWriteHeadingLine1(TagRepInfo* report, int column);
BWPS_EXPORT int ReportWriteHeadingLine2(TagRepInfo* report, int column);
BWPS_EXPORT int ReportClearLine(TagRepInfo* report);
BWPS_EXPORT int ReportWriteDashLine(int count, int newLines, TagRepInfo* report);
BWPS_EXPORT int ReportWriteField(TagRepInfo* report, const char* text, int column, int width, int newLines);

/* ---- fonts and blocks */

BWPS_EXPORT int ReportSetFont(TagRepInfo* report, int font);
BWPS_EXPORT int ReportSetFontRecord(TagRepInfo* report, const TagRepFont* font);
BWPS_EXPORT int ReportBlockBegin(TagRepInfo* report, int font);
/* The block's height in lines. */
BWPS_EXPORT int ReportBlockEnd(TagRepInfo* report);

/* ---- questions */

BWPS_EXPORT int ReportIsOutputSuppressed(const TagRepInfo* report);
BWPS_EXPORT int ReportIsExport(const TagRepInfo* report);
BWPS_EXPORT int ReportIsExportKind(const TagRepInfo* report, int kind);
BWPS_EXPORT int ReportIsSpreadsheetActive(const TagRepInfo* report);
BWPS_EXPORT int ReportToggleWidth(TagRepInfo* report);
BWPS_EXPORT int ReportShadeStub(void);
BWPS_EXPORT int ReportReopenPort(TagRepInfo* report);

/* Between lines of a long job: when a key is waiting, asks whether to stop
 * (message 989, Yes first). 1 to stop, else 0. work: 32 bytes, cleared. */
BWPS_EXPORT int ReportCheckUserBreak(void* work);
/* The same; an engine file export (kind 4) stops at once on any key. A
 * report stopped here is dropped at its close: no output replaces an older
 * file of its name. */
BWPS_EXPORT int ReportCheckUserBreakEx(TagRepInfo* report, void* work);

/* ---- small helpers */

BWPS_EXPORT int PackAddressLines(char* addressBlock);
BWPS_EXPORT int JoinCityStateZip(const char* addressBlock, char* out);
BWPS_EXPORT int ReportClearRangeWord(char* text);

/* ---- spreadsheet export through the office library */

BWPS_EXPORT int ReportSetSpreadsheetColumns(TagRepInfo* report, const TagRepColumn* columns, int mode);
BWPS_EXPORT int ReportFindSpreadsheetColumn(TagRepInfo* report, int position, int* number);
BWPS_EXPORT int ReportSendSpreadsheetCommand(TagRepInfo* report, int argument);
BWPS_EXPORT int ReportSpreadsheetCommand11(TagRepInfo* report);

/* ---- engine bridge */

/* The engine's entry (loaded on first use); -1 when the engine is missing. */
BWPS_EXPORT int ReportEngineCall(int engine, int service, void* request);
BWPS_EXPORT int ReportEngineStart(TagRepInfo* report);
BWPS_EXPORT int ReportEngineGetPageLines(TagRepInfo* report);
BWPS_EXPORT int ReportEngineEnd(int engine);
BWPS_EXPORT int ReportEngineWriteString(TagRepInfo* report, int column, int line, int align, const char* text,
                                        int width, const void* cellFormat);
BWPS_EXPORT int ReportEngineOutText(TagRepInfo* report, int startColumn, int endColumn, int line, int fill);
BWPS_EXPORT int ReportEnginePicture(TagRepInfo* report, const char* file, int column, int line, int height,
                                    int widthCode);
BWPS_EXPORT int ReportEngineSetFormFile(TagRepInfo* report, const char* file);
BWPS_EXPORT int ReportEngineFormattedText(TagRepInfo* report, int column, int line, int align, const char* text);
BWPS_EXPORT int ReportEngineTextBox(TagRepInfo* report, int column, int line, int style, int value1, int value2,
                                    const char* text);
BWPS_EXPORT int ReportEngineSelectFont(TagRepInfo* report, int font);
BWPS_EXPORT int ReportEngineBlockBegin(TagRepInfo* report, int font);
BWPS_EXPORT int ReportEngineSwitchBlockFont(TagRepInfo* report, int font);
BWPS_EXPORT int ReportEngineBlockEnd(TagRepInfo* report);
BWPS_EXPORT int ReportDrawBox(int engine, int x1, int y1, int x2, int y2, int style, int value);
BWPS_EXPORT int ReportSetCellFormat(TagRepInfo* report, const void* format);
BWPS_EXPORT int ReportWriteEngineText(int engine, int column, int line, const char* text, int length, int width);
/* The engine's default printer into name (64 bytes); 1 when there is one. */
BWPS_EXPORT int BrmReportGetDefaultPrinterName(char* name);
/* The file the engine produced last ("" none) and its last failure. */
BWPS_EXPORT const char* ReportEngineLastOutput(void);
BWPS_EXPORT const char* ReportEngineLastError(void);

/* ---- dialogs and printers */

/* The "Report Layout" dialog; 1 when it opened the report. */
BWPS_EXPORT int ReportRunLayoutDialog(TagRepInfo* report);
/* Takes a 2083-byte answer block of the layout dialog into the record. */
BWPS_EXPORT void ReportApplyDialogResult(TagRepInfo* report, const void* answer);
BWPS_EXPORT int SelectPrinter(char* name);
BWPS_EXPORT int GetPrinterPortName(const char* printer, char* port);
BWPS_EXPORT int ReportSetCustomPaperSize(TagRepInfo* report, const char* layout, int mask);

/* ---- label style presets */

/* A label style record is 29 bytes: a leading byte, four more, then the
 * preset part of twelve 16-bit values (the id and eleven layout values).
 * Init clears the record and selects preset 0; Select clears the preset
 * part and copies preset `id` (an unknown id leaves only the id). */
BWPS_EXPORT void StylePresetInit(void* record);
BWPS_EXPORT void StylePresetSelect(void* record, int id);

/* ---- session printing services */

/* The session's own 119-byte printer entry (StationPrinterEntry), the text
 * reports' printer choice 'c'. */
BWPS_EXPORT void* GetSessionPrinterEntry(void);
/* A yyyymmdd date in the picture of a date format: 0 MM/DD/YY, 1
 * MM/DD/YYYY, 2 DD/MM/YY, 3 DD/MM/YYYY, 4 YYYY-MM-DD, 5 YYYYMMDD (others as
 * 0); out holds 11 bytes; "" for 0. out. */
BWPS_EXPORT char* GetMaskForColumnKind(int32_t date, int format, char* out);

/* ---- mail merge */

/* Runs the customer (vendor) mail merge for one customer (vendor) by its
 * code (an empty code or null: every one): a CSV data source with a header
 * row and the letter as an .odt, in MAILMERGE/ of the data folder. The
 * library's answer: the number of records merged, 0 when the library or
 * its entry is missing, -1 when the files could not be written. */
BWPS_EXPORT int RunCustomerMailMerge(const char* customerCode);
BWPS_EXPORT int RunVendorMailMerge(const char* vendorCode);

#ifdef __cplusplus
}
#endif

#endif
