/* bwps/report_services.h: the report writer as the shared services use it:
 * a report record, its opening, plain text lines, page ends and headings,
 * its closing, and the user's break between lines of a long job.
 *
 * The record below holds the fields of the report record that these calls
 * read and write. Without the report engine every destination is a text
 * file: destinations 1 and 2 (printer, preview) append to `outputFile`,
 * destination 3 (text file) writes it anew; destination 4 (export) does
 * not open. */
#ifndef BWPS_REPORT_SERVICES_H
#define BWPS_REPORT_SERVICES_H

#include <stdint.h>

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    REPORT_TO_PRINTER = 1,
    REPORT_TO_PREVIEW = 2,
    REPORT_TO_TEXT_FILE = 3,
    REPORT_TO_EXPORT = 4,
    REPORT_TEXT_PAGE_LINES = 64,
    REPORT_LINE_SIZE = 320,
    REPORT_TITLE_SIZE = 51,
    REPORT_ALIGN_CENTRE = -4,
    REPORT_ALIGN_RIGHT = -6,
    REPORT_BREAK_MESSAGE = 989
};

typedef struct TagRepInfo {
    uint8_t silent;          /* no layout dialog */
    uint8_t wide;            /* 136 columns instead of 80 */
    uint8_t keepStatus;      /* no status window while the report runs */
    uint8_t endPageOnClose;  /* the close ends a page that has lines */
    uint8_t destination;     /* REPORT_TO_* */
    uint8_t headingBlock;    /* the page heading writes date, time and page */
    uint8_t linePending;     /* text stands on the current line */
    uint8_t formFeedPending; /* the next line begins a new page */
    uint8_t aborted;         /* a write failed: nothing more is written */
    char outputFile[780];    /* the file the report goes to */
    char lineBuffer[REPORT_LINE_SIZE];
    char headingTime[64];    /* "Time : ..." */
    char headingDate[64];    /* "Date : ..." */
    uint32_t firstPage;      /* page number of the first page (0 counts as 1) */
    uint32_t page;
    int32_t linesPerPage;
    uint32_t width;          /* report width in columns */
    uint32_t line;           /* line on the page, 0 at the top */
    int32_t fileHandle;      /* -1 when no file is open */
    uint32_t rowCount;       /* lines written */
    char title[REPORT_TITLE_SIZE + 1];
} TagRepInfo;

/* Opens the report titled `title`; 1 when it is open, 0 when not. Sets the
 * session's last report destination. */
BWPS_EXPORT int ReportOpen(TagRepInfo* report, const char* title);
/* Places a text on the current line at a column (or -4 centred, -6 right
 * aligned); a new-line count counts the row. 0. */
BWPS_EXPORT int ReportWriteText(TagRepInfo* report, const char* text, int column, int newLines);
/* Sends the current line and n - 1 blank lines (nothing for n < 1). 0, 1
 * when the write failed. */
BWPS_EXPORT int ReportNewLines(TagRepInfo* report, int count);
/* Ends the page: the next line begins with a form feed. 0. */
BWPS_EXPORT int ReportEndPage(TagRepInfo* report);
/* Writes the page heading (title, date, time, page) and a blank line; a
 * width above 0 sets the report width to twice it. 0, 1 on a failed write. */
BWPS_EXPORT int ReportWritePageHeading(TagRepInfo* report, int width);
/* Sends a pending line and closes the output. 0. */
BWPS_EXPORT int ReportClose(TagRepInfo* report);

/* Between lines of a long job: when a key is waiting, asks whether to stop
 * (message 989, Yes first). 1 to stop, else 0. work: 32 bytes of the
 * caller, cleared. */
BWPS_EXPORT int ReportCheckUserBreak(void* work);

#ifdef __cplusplus
}
#endif

#endif
