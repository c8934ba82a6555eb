/* bwps/text_report.h: the character-mode text report driver and its outputs.
 *
 * A caller owns one TextReportState (bwps/pos_transaction.h), fills its
 * request bytes, opens the report, places text into the line buffer (or
 * fills Line and LineLength itself and writes the line), ends lines and
 * pages, and closes the report. The destination is the screen (a temporary
 * report file with a line index, shown by the viewer when the report is
 * closed), a printer port, or a file: plain text, delimited text, HTML or a
 * spreadsheet. Every call does nothing once the state's abort flag is set.
 *
 * Slots of the state that hold the driver's own objects are 32-bit:
 *  - HeadingLines[i]: the offset, inside the state's copy of the company
 *    record (Company), of heading line i (0 when absent);
 *  - SheetBlock, HtmlBlock, StatusWindow and the list of kept lines of the
 *    copies block: numbers of objects the driver keeps (0 none).
 *
 * File outputs are written beside their target (the target's name and
 * ".part") and put in its place when the report is closed without a write
 * error: a report file on disk is either the old one or the whole new one.
 */
#ifndef BWPS_TEXT_REPORT_H
#define BWPS_TEXT_REPORT_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"
#include "bwps/pos_transaction.h"

enum {
    TEXT_REPORT_TO_SCREEN = 1,
    TEXT_REPORT_TO_PRINTER = 2,
    TEXT_REPORT_TO_FILE = 3,
    TEXT_REPORT_LINE_CHARS = 319,      /* characters of the line buffer */
    TEXT_REPORT_ROW_LIMIT = 317,       /* a column row or rule stops at this column */
    TEXT_REPORT_COLUMN_LIMIT = 256,
    TEXT_REPORT_TEMP_NAMES = 25,       /* VF0.PRN .. VF24.PRN */
    TEXT_REPORT_INDEX_RECORD = 6,      /* u16 length, u32 offset */
    TEXT_REPORT_KEPT_LINE = 322,       /* a kept line: 320 bytes and its i16 length */
    TEXT_REPORT_KEPT_LINES_MAX = 8192, /* kept lines of one page for the copies */
    TEXT_REPORT_HTML_LIST = 455,       /* text list of the HTML template lines */
    TEXT_REPORT_HTML_TEMPLATE = 13
};

/* Export kinds (byte 16). */
enum {
    TEXT_EXPORT_REPORT = 0,
    TEXT_EXPORT_DELIMITED = 1,
    TEXT_EXPORT_HTML = 2,
    TEXT_EXPORT_XLS = 3,
    TEXT_EXPORT_XLS2 = 4,
    TEXT_EXPORT_WK3 = 5,
    TEXT_EXPORT_WKW = 6
};

/* Messages of the driver and its outputs. */
enum {
    TEXT_MSG_CANNOT_CREATE = 375,
    TEXT_MSG_OPEN_ERROR = 401,
    TEXT_MSG_SERIAL_SEND = 421,
    TEXT_MSG_SERIAL_SETUP = 423,
    TEXT_MSG_WRITE_FAILED = 537,
    TEXT_MSG_READ_LINE = 541,
    TEXT_MSG_READ_INDEX = 543,
    TEXT_MSG_SHEET_ROW = 839,
    TEXT_MSG_NOT_READY = 987,
    TEXT_MSG_STOP_PRINTING = 989,
    TEXT_MSG_FILE_EXISTS = 1007,
    TEXT_MSG_EXPORT_EXISTS = 1157,
    TEXT_MSG_COPIES_FULL = 1441
};

#pragma pack(push, 1)
#ifndef BWPS_REPORT_COLUMN_ENTRY
#define BWPS_REPORT_COLUMN_ENTRY
/* One column of a row of values (46 bytes where pointers are 32-bit; the
 * pointers take their native width here). A table ends with an entry whose
 * type is 0. */
typedef struct TagReportColumn {
    uint8_t type;        /* 0: 2 text, 9..11 numbers (10 a double); 0 ends the table */
    uint8_t skip;        /* 1: not written */
    uint8_t decimals;    /* type 10: 0 the format as given; d >= 1 the format adjusted,
                            d > 1 the value divided by 10^(d-1) */
    uint8_t blankZero;   /* 3: a zero value is written as blanks */
    char format[20];     /* 4: picture of the value, or the caption when measuring */
    int32_t column;      /* 24: start column */
    int16_t width;       /* 28: width in characters (0: measured from the caption) */
    const void* value;   /* 30 */
    uint32_t extra;
    int32_t align;
    const void* cellFormat;
} TagReportColumn;
#endif
#pragma pack(pop)

#ifdef __cplusplus
static_assert(offsetof(TagReportColumn, format) == 4, "column format");
static_assert(offsetof(TagReportColumn, column) == 24, "column start");
static_assert(offsetof(TagReportColumn, width) == 28, "column width");
static_assert(offsetof(TagReportColumn, value) == 30, "column value");
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* TextReportOpen (758), TextReportWriteLine (760) and TextReportClose
 * (759) are declared in bwps/pos_transaction.h. */

/* 761: the page heading block; half width 0 keeps the width. 0. */
BWPS_EXPORT int TextReportWritePageHeading(TextReportState* state, int halfWidth, int column,
                                           int extraLines);
/* 762, 763: "Time : ..." and "Date : ..." at the column. 0. */
BWPS_EXPORT int TextReportWriteHeadingLine1(TextReportState* state, int column, int newLines);
BWPS_EXPORT int TextReportWriteHeadingLine2(TextReportState* state, int column, int newLines);
/* 764: "Page no. N"; column -1 places it at width - length - 9. 0. */
BWPS_EXPORT int TextReportWritePageNumber(TextReportState* state, int column, int newLines);
/* 765: 1 for destinations 4 and 5, else TextReportNewLines. */
BWPS_EXPORT int TextReportLineFeed(TextReportState* state, int count);
/* 768: ends the page (form feed, copies). 0. */
BWPS_EXPORT int TextReportEndPage(TextReportState* state);
/* 769: printer destination: re-opens the port for raw bytes (flag 0) or
 * closes it (flag 1); 0 on failure, else 1. */
BWPS_EXPORT int TextReportReopenPrinter(TextReportState* state, int flag);
/* 770: printer destination: sends the condensed or normal codes and flips
 * the condensed byte. 0. */
BWPS_EXPORT int TextReportToggleCondensed(TextReportState* state);
/* 771: blanks the line buffer. 0. */
BWPS_EXPORT int TextReportClearLine(TextReportState* state);
/* 772: ends the current line and adds blank lines; 0. */
BWPS_EXPORT int TextReportNewLines(TextReportState* state, int count);
/* 773: places text at a column (-1 centred); then new lines. 0. */
BWPS_EXPORT int TextReportWriteText(TextReportState* state, const char* text, int column,
                                    int newLines);
/* 774: one row of values. 0. */
BWPS_EXPORT int TextReportWriteColumnRow(TextReportState* state, TagReportColumn* columns,
                                         int newLines);
/* 775: every shown column filled with one character. 0. */
BWPS_EXPORT int TextReportWriteColumnRule(TextReportState* state, TagReportColumn* columns,
                                          int newLines, int fill);
/* 776: the page heading with the company name centred. 0. */
BWPS_EXPORT int TextReportWriteCentredHeading(TextReportState* state, int halfWidth,
                                              int newLines);
/* 777: count '-' at column 1. 0. */
BWPS_EXPORT int TextReportWriteDashLine(int count, int newLines, TextReportState* state);
/* 822: 256. */
BWPS_EXPORT int TextReportColumnLimit(void);

#ifdef __cplusplus
}

namespace bwps::textreport {
/* Opens the output of the state's destination (screen files, printer port,
 * file and export writer); true when it is open. On failure nothing is left
 * open and a file made by the attempt is removed. */
bool OpenOutput(TextReportState& state);
/* Closes the output of the state's destination (for the screen: shows the
 * report, prints it when asked, removes the temporary files). */
void CloseOutput(TextReportState& state);
/* Writes bytes to the file output (report file, temporary report file or
 * HTML file); a failure or short write shows 537 and aborts. */
bool WriteFileBytes(TextReportState& state, const char* bytes, int length);
/* Sends bytes to the printer port of the state; printer writes are not
 * checked. */
void SendPrinterBytes(TextReportState& state, const char* bytes, int length);
/* The sheet writer of the state, null when none. */
FxSheet* Sheet(const TextReportState& state);
/* Polls the status window when one is open. */
void PollStatus(TextReportState& state);
void OpenStatusWindow(TextReportState& state);
void CloseStatusWindow(TextReportState& state);
/* Shows a numbered message (colour set 5). */
void Show(int message);
/* Asks a numbered message with its own buttons (or the list); the button
 * chosen, 0 when it could not be asked. */
int Ask(int message, const char* buttons = nullptr);

/* Forgets the kept lines of every report (tests). */
void ForgetKeptLines();

/* The destination screen and the report viewer. Without those screens in
 * the build, the open of a report without a preset destination says so and
 * fails, and a screen report is closed without being shown. */
bool RunDestinationScreen(TextReportState& state);
void RunViewer(TextReportState& state);
}  // namespace bwps::textreport
#endif

#endif
