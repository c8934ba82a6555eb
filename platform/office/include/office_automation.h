/* office_automation.h: the office library's request blocks.
 *
 * The report writer hands a spreadsheet export to the office library cell
 * by cell: numbered requests in one 2468-byte block, passed to its entry
 * BwExcelAutomation (the answer an int; -1 when the library is not
 * loaded). The library keeps the workbook in memory from request 2 (open)
 * to request 3 (close and save) and writes it as .xlsx. The mail merges
 * take a 792-byte block: CustomerMailMerge and VendorMailMerge write, in
 * MAILMERGE/ of the data folder, a CSV data source with a header row and
 * the letter (CUSTMERG.TXT or VENDMERG.TXT there) as an .odt. */
#ifndef BWPS_OFFICE_AUTOMATION_H
#define BWPS_OFFICE_AUTOMATION_H

#include <stddef.h>
#include <stdint.h>

#define OFFICE_LIBRARY_NAME "libBWOffice.so"
#define MAILMERGE_LIBRARY_NAME "libBwPoOffi.so"
#define OFFICE_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

enum {
    OFFICE_PROBE = 1,
    OFFICE_OPEN = 2,
    OFFICE_CLOSE = 3,
    OFFICE_ADD_SHEET = 4,
    OFFICE_COUNT_SHEETS = 5,
    OFFICE_SELECT_SHEET = 6,
    OFFICE_WRITE_CELL_FONT = 7,
    OFFICE_WRITE_CELL = 8,
    OFFICE_COMMAND1 = 10,   /* freeze panes: at the row (570) */
    OFFICE_COMMAND0 = 11,   /* fit the column widths */
    OFFICE_APPLY_COLUMNS = 12,
    OFFICE_RULE = 13,
    OFFICE_REQUEST_SIZE = 2468,
    MAILMERGE_REQUEST_SIZE = 792,
    MAILMERGE_CUSTOMERS = 1,
    MAILMERGE_VENDORS = 2
};

#pragma pack(push, 1)
typedef struct OfficeFont {     /* 44 bytes */
    char face[32];
    uint32_t style;             /* 1 bold, 2 italic, 4 underline */
    uint32_t size;
    uint32_t colour;            /* RGB */
} OfficeFont;

typedef struct OfficeRequest {  /* 2468 bytes */
    uint16_t zero;              /* 0 */
    uint32_t request;           /* 2 */
    char workbook[260];         /* 6 */
    char text[256];             /* 266 */
    OfficeFont cellFont;        /* 522 */
    uint32_t align;             /* 566: 0 none, 1 left, 2 right, 3 centre */
    uint32_t row;               /* 570: from 1 */
    uint32_t column;            /* 574: from 1 */
    uint32_t option2;           /* 578 */
    uint32_t option1;           /* 582 */
    uint32_t sheet;             /* 586 */
    uint32_t currentFont;       /* 590 */
    OfficeFont reportFont;      /* 594 */
    uint32_t unused638;
    uint32_t ruleStyle;         /* 642 */
    uint32_t ruleWeight;        /* 646 */
    uint32_t rulePosition;      /* 650 */
    uint32_t zero654;           /* 654 */
    uint32_t filledFromList;    /* 658 */
    int16_t starts[256];        /* 662 */
    int16_t ends[256];          /* 1174 */
    int16_t numbers[256];       /* 1686 */
    uint8_t enabled[256];       /* 2198 */
    uint16_t firstColumn;       /* 2454 */
    uint16_t middleColumn;      /* 2456 */
    uint16_t lastColumn;        /* 2458 */
    uint32_t openWhenDone;      /* 2460 */
    uint32_t newSheetDue;       /* 2464 */
} OfficeRequest;

typedef struct MailMergeRequest { /* 792 bytes */
    char dataFolder[260];       /* 0 */
    char code[16];              /* 260: one customer or vendor; empty: all */
    char written[504];          /* 276: answer: the data source and letter written, '\n' between */
    uint32_t kind;              /* 780: 1 customers, 2 vendors */
    uint32_t probe;             /* 784: 1 asks only whether the merge can run */
    uint32_t answer;            /* 788 */
} MailMergeRequest;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(OfficeFont) == 44, "font");
static_assert(sizeof(OfficeRequest) == OFFICE_REQUEST_SIZE, "request block");
static_assert(offsetof(OfficeRequest, request) == 2 && offsetof(OfficeRequest, workbook) == 6 &&
              offsetof(OfficeRequest, text) == 266 && offsetof(OfficeRequest, cellFont) == 522 &&
              offsetof(OfficeRequest, align) == 566 && offsetof(OfficeRequest, row) == 570 &&
              offsetof(OfficeRequest, column) == 574 && offsetof(OfficeRequest, option2) == 578 &&
              offsetof(OfficeRequest, option1) == 582 && offsetof(OfficeRequest, sheet) == 586 &&
              offsetof(OfficeRequest, currentFont) == 590 && offsetof(OfficeRequest, reportFont) == 594 &&
              offsetof(OfficeRequest, ruleStyle) == 642 && offsetof(OfficeRequest, ruleWeight) == 646 &&
              offsetof(OfficeRequest, rulePosition) == 650 && offsetof(OfficeRequest, filledFromList) == 658 &&
              offsetof(OfficeRequest, starts) == 662 && offsetof(OfficeRequest, ends) == 1174 &&
              offsetof(OfficeRequest, numbers) == 1686 && offsetof(OfficeRequest, enabled) == 2198 &&
              offsetof(OfficeRequest, firstColumn) == 2454 && offsetof(OfficeRequest, middleColumn) == 2456 &&
              offsetof(OfficeRequest, lastColumn) == 2458 && offsetof(OfficeRequest, openWhenDone) == 2460 &&
              offsetof(OfficeRequest, newSheetDue) == 2464,
              "request block");
static_assert(sizeof(MailMergeRequest) == MAILMERGE_REQUEST_SIZE && offsetof(MailMergeRequest, probe) == 784,
              "mail merge block");
#endif

typedef int (*OfficeEntry)(void* request);
typedef int (*MailMergeEntry)(MailMergeRequest* request);

OFFICE_API int BwExcelAutomation(void* request);
OFFICE_API int BwMailMergeAutomation(void* request);
OFFICE_API int CustomerMailMerge(MailMergeRequest* request);
OFFICE_API int VendorMailMerge(MailMergeRequest* request);

#ifdef __cplusplus
}
#endif

#endif
