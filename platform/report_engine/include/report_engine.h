/* report_engine.h: the request blocks of the report engine and its entries.
 *
 * The report writer and the engine exchange numbered request blocks through
 * one entry, BrmReportEngine (engine handle or 0, service, request): service
 * 1 opens a job and answers its handle (-1 on failure), 2 sends a command,
 * 3 asks a query (the engine fills the block), 4 ends the job and produces
 * its output (with a request whose first 16-bit word is 1, the job is
 * dropped: a report that failed or was stopped leaves no output). Every block begins with a 16-bit code and a 16-bit length;
 * the layouts below are exact. The writer loads the engine by name from the
 * program folder (ENGINE_LIBRARY_NAME) and finds its entries with dlsym.
 *
 * Output kinds of a job: 0 preview, 1 printer, 4 an HTML file, 5 a file by
 * its extension (.pdf, .xlsx, .csv, .html; none: .pdf). */
#ifndef BWPS_REPORT_ENGINE_H
#define BWPS_REPORT_ENGINE_H

#include <stddef.h>
#include <stdint.h>

#define ENGINE_LIBRARY_NAME "libduzo20.so"
#define ENGINE_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

enum {
    ENGINE_OPEN_JOB = 1,
    ENGINE_COMMAND = 2,
    ENGINE_QUERY = 3,
    ENGINE_END_JOB = 4,

    ENGINE_KIND_PREVIEW = 0,
    ENGINE_KIND_PRINTER = 1,
    ENGINE_KIND_HTML = 4,
    ENGINE_KIND_FILE = 5,

    ENGINE_FONT_COUNT = 23,
    ENGINE_SETUP_SIZE = 1553,
    ENGINE_CELL_FORMAT_SIZE = 341,
    ENGINE_TEXT_MAX = 511,
    ENGINE_METRICS_SIZE = 12760,
    ENGINE_METRICS_FONTS = 946,     /* 11 words a font from here */
    ENGINE_METRICS_PAGE_LINES = 12176,
    ENGINE_LAYOUT_ANSWER_SIZE = 2083,

    /* Command codes. */
    ENG_CMD_OPEN = 0,
    ENG_CMD_IDENTITY = 1,
    ENG_CMD_MARGINS = 4,
    ENG_CMD_5 = 5,
    ENG_CMD_PAGE_FORMAT = 6,
    ENG_CMD_FONT = 7,
    ENG_QUERY_METRICS = 9,
    ENG_CMD_128 = 128,
    ENG_CMD_STRING = 129,
    ENG_CMD_OUT_TEXT = 133,
    ENG_CMD_BOX = 134,
    ENG_CMD_PICTURE = 135,
    ENG_CMD_FORM_FILE = 136,
    ENG_CMD_FORMATTED = 137,
    ENG_CMD_TEXT_BOX = 138,
    ENG_CMD_139 = 139,
    ENG_CMD_CELL_FORMAT = 144,
    ENG_CMD_FONT_BASE = 247,
    ENG_CMD_SELECT_FONT = 248,
    ENG_CMD_BLOCK_BEGIN = 249,
    ENG_CMD_BLOCK_FONT = 250,
    ENG_CMD_BLOCK_END = 251,
    ENG_QUERY_BLOCK_HEIGHT = 252,
    ENG_QUERY_LINE_STEP = 253,
    ENG_CMD_PAGE_END = 254
};

#pragma pack(push, 1)
typedef struct EngHead {
    uint16_t code;
    uint16_t length;
} EngHead;

typedef struct EngOpen {            /* 780 bytes, length 775 */
    EngHead head;
    uint32_t window;                /* 4: the framework's main window (0: no job) */
    uint8_t kind;                   /* 8 */
    char printer[144];              /* 9 */
    char programFolder[260];        /* 153 */
    char exportFile[260];           /* 413 */
    uint16_t paperCode;             /* 673 */
    char paperName[32];             /* 675 */
    int32_t paperWidth;             /* 707: setup value x 254 (micrometres) */
    int32_t paperHeight;            /* 711 */
    uint8_t unused715[8];
    uint8_t orientation;            /* 723: 2 landscape */
    char title[56];                 /* 724 */
} EngOpen;

typedef struct EngFontBase {        /* 247, 9 */
    EngHead head;
    uint8_t font;
    uint32_t value;
} EngFontBase;

/* The length word of command 1 reads 74; its last word runs to byte 75. */
typedef struct EngIdentity {        /* 1 */
    EngHead head;
    char product[32];               /* 4 */
    char maker[32];                 /* 36 */
    uint16_t one;                   /* 68 */
    uint16_t zero;                  /* 70 */
    uint32_t zero2;                 /* 72 */
} EngIdentity;

typedef struct EngByte {            /* 5 (length 5), 248 (length 5) */
    EngHead head;
    uint8_t value;
} EngByte;

typedef struct EngPageFormat {      /* 6, 22 */
    EngHead head;
    uint8_t zero;                   /* 4 */
    uint8_t mode;                   /* 5: 2 the engine counts lines by the font, 0 fixed */
    uint8_t pitch;                  /* 6: 17 wide, 10 narrow (characters an inch) */
    uint8_t unused7[3];
    uint32_t fixedPageLines;        /* 10 */
    int32_t value1;                 /* 14 */
    int32_t value2;                 /* 18 */
} EngPageFormat;

typedef struct EngMargins {         /* 4, 20: in 1/100 inch */
    EngHead head;
    int32_t margin[4];              /* left, top, right, bottom */
} EngMargins;

typedef struct EngWord {            /* 139 (6), 251 (6), 253 (6) */
    EngHead head;
    uint16_t value;
} EngWord;

typedef struct EngFont {            /* 7, 44 */
    EngHead head;
    uint8_t font;                   /* 4 */
    char face[32];                  /* 5 */
    uint16_t value;                 /* 37: size in points */
    uint8_t style;                  /* 39: 1 bold, 4 italic, 8 underline */
    uint16_t colour;                /* 40: colour code */
    uint16_t fifteen;               /* 42 */
} EngFont;

typedef struct EngString {          /* 129, 356 + text */
    EngHead head;
    uint16_t column;                /* 4 */
    uint16_t line;                  /* 6 */
    int8_t align;                   /* 8 */
    uint8_t font;                   /* 9 */
    uint8_t zero;                   /* 10 */
    uint16_t textLength;            /* 11 */
    uint16_t width;                 /* 13 */
    uint8_t cellFormat[ENGINE_CELL_FORMAT_SIZE]; /* 15 */
    char text[ENGINE_TEXT_MAX + 1]; /* 356 */
} EngString;

typedef struct EngOutText {         /* 133, 22 */
    EngHead head;
    uint16_t startColumn;           /* 4 */
    uint16_t line;                  /* 6 */
    uint16_t endColumn;             /* 8 */
    uint16_t line2;                 /* 10 */
    uint8_t unused12;
    uint8_t fill;                   /* 13 */
    uint8_t three;                  /* 14 */
    uint8_t unused15;
    uint16_t fillCode;              /* 16 */
    uint32_t zero;                  /* 18 */
} EngOutText;

typedef struct EngBox {             /* 134, 26 */
    EngHead head;
    uint16_t x1, y1, x2, y2;        /* 4 */
    uint16_t one;                   /* 12 */
    uint16_t style;                 /* 14 */
    uint16_t zero[3];               /* 16 */
    uint32_t value;                 /* 22 */
} EngBox;

typedef struct EngPicture {         /* 135, 276 */
    EngHead head;
    char file[260];                 /* 4 */
    uint8_t flag;                   /* 264 */
    uint16_t column;                /* 265 */
    uint16_t line;                  /* 267 */
    uint16_t twentySix;             /* 269 */
    uint16_t height;                /* 271 */
    uint16_t widthCode;             /* 273 */
    uint8_t one;                    /* 275 */
} EngPicture;

typedef struct EngFormFile {        /* 136, 265 */
    EngHead head;
    char file[260];
    uint8_t one;
} EngFormFile;

typedef struct EngFormatted {       /* 137, 13 + text */
    EngHead head;
    uint16_t column;
    uint16_t line;
    int8_t align;
    uint8_t font;
    uint8_t zero;
    uint16_t textLength;
    char text[ENGINE_TEXT_MAX + 1]; /* 13 */
} EngFormatted;

typedef struct EngTextBox {         /* 138, 25 + text */
    EngHead head;
    uint16_t column;
    uint16_t line;
    uint8_t style;                  /* 8 */
    int32_t value1;                 /* 9 */
    int32_t value2;                 /* 13 */
    uint32_t zero;                  /* 17 */
    uint32_t textLength;            /* 21 */
    char text[ENGINE_TEXT_MAX + 1]; /* 25 */
} EngTextBox;

typedef struct EngCellFormat {      /* 144, 345 */
    EngHead head;
    uint8_t format[ENGINE_CELL_FORMAT_SIZE];
} EngCellFormat;

typedef struct EngTwoWords {        /* 249, 250, 252 (8) */
    EngHead head;
    uint16_t first;                 /* line, lines since the block began (+1 for 250) */
    uint16_t second;                /* font; the answer of 252: height in lines */
} EngTwoWords;

typedef struct EngPageEnd {         /* 254, 8 */
    EngHead head;
    uint32_t page;
} EngPageEnd;

typedef struct EngMetrics {         /* 9, 12760 */
    EngHead head;
    uint8_t unused4[ENGINE_METRICS_FONTS - 4];
    uint16_t font[ENGINE_FONT_COUNT][11];      /* 946: word 0 the rule fill code */
    uint8_t unused1452[ENGINE_METRICS_PAGE_LINES - ENGINE_METRICS_FONTS - ENGINE_FONT_COUNT * 22];
    uint16_t pageLines;                        /* 12176 */
    uint8_t unused12178[ENGINE_METRICS_SIZE - ENGINE_METRICS_PAGE_LINES - 2];
} EngMetrics;

/* The setup block: what the system reads or sets of it. */
typedef struct EngSetupFont {       /* 42 bytes */
    char face[32];
    uint16_t style;                 /* +32 */
    uint16_t value;                 /* +34: size in points */
    uint16_t unused36;
    uint16_t colour;                /* +38 */
    uint16_t unused40;
} EngSetupFont;

typedef struct EngSetup {           /* 1553 bytes */
    char owner[16];                 /* 0 */
    char layout[51];                /* 16 */
    char printer[208];              /* 67 */
    EngSetupFont fonts[ENGINE_FONT_COUNT]; /* 275 */
    uint8_t unused1241[126];
    uint16_t paperCode;             /* 1367 */
    uint16_t unused1369;
    char paperName[32];             /* 1371 */
    int32_t paperWidth;             /* 1403: 1/100 inch */
    int32_t paperHeight;            /* 1407 */
    uint8_t orientation;            /* 1411 */
    int32_t margin[4];              /* 1412 */
    uint16_t value139;              /* 1428 */
    uint8_t unused1430[10];
    int32_t pageFormat1;            /* 1440 */
    int32_t pageFormat2;            /* 1444 */
    int32_t fontBase;               /* 1448 */
    uint8_t loaded;                 /* 1452: 'Y' */
    uint8_t unused1453[100];
} EngSetup;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(EngOpen) == 780, "open block");
static_assert(offsetof(EngOpen, kind) == 8 && offsetof(EngOpen, printer) == 9, "open block");
static_assert(offsetof(EngOpen, programFolder) == 153 && offsetof(EngOpen, exportFile) == 413, "open block");
static_assert(offsetof(EngOpen, paperCode) == 673 && offsetof(EngOpen, paperName) == 675, "open block");
static_assert(offsetof(EngOpen, paperWidth) == 707 && offsetof(EngOpen, paperHeight) == 711, "open block");
static_assert(offsetof(EngOpen, orientation) == 723 && offsetof(EngOpen, title) == 724, "open block");
static_assert(sizeof(EngFontBase) == 9, "247");
static_assert(offsetof(EngIdentity, maker) == 36 && offsetof(EngIdentity, one) == 68 &&
              offsetof(EngIdentity, zero2) == 72, "1");
static_assert(sizeof(EngByte) == 5, "5, 248");
static_assert(sizeof(EngPageFormat) == 22 && offsetof(EngPageFormat, fixedPageLines) == 10 &&
              offsetof(EngPageFormat, value1) == 14 && offsetof(EngPageFormat, value2) == 18, "6");
static_assert(sizeof(EngMargins) == 20, "4");
static_assert(sizeof(EngWord) == 6, "139, 251, 253");
static_assert(sizeof(EngFont) == 44 && offsetof(EngFont, value) == 37 && offsetof(EngFont, style) == 39 &&
              offsetof(EngFont, colour) == 40 && offsetof(EngFont, fifteen) == 42, "7");
static_assert(offsetof(EngString, textLength) == 11 && offsetof(EngString, width) == 13 &&
              offsetof(EngString, cellFormat) == 15 && offsetof(EngString, text) == 356, "129");
static_assert(sizeof(EngOutText) == 22 && offsetof(EngOutText, fill) == 13 && offsetof(EngOutText, three) == 14 &&
              offsetof(EngOutText, fillCode) == 16 && offsetof(EngOutText, zero) == 18, "133");
static_assert(sizeof(EngBox) == 26 && offsetof(EngBox, one) == 12 && offsetof(EngBox, style) == 14 &&
              offsetof(EngBox, value) == 22, "134");
static_assert(sizeof(EngPicture) == 276 && offsetof(EngPicture, flag) == 264 && offsetof(EngPicture, column) == 265 &&
              offsetof(EngPicture, line) == 267 && offsetof(EngPicture, height) == 271 &&
              offsetof(EngPicture, widthCode) == 273 && offsetof(EngPicture, one) == 275, "135");
static_assert(sizeof(EngFormFile) == 265, "136");
static_assert(offsetof(EngFormatted, textLength) == 11 && offsetof(EngFormatted, text) == 13, "137");
static_assert(offsetof(EngTextBox, value1) == 9 && offsetof(EngTextBox, value2) == 13 &&
              offsetof(EngTextBox, textLength) == 21 && offsetof(EngTextBox, text) == 25, "138");
static_assert(sizeof(EngCellFormat) == 345, "144");
static_assert(sizeof(EngTwoWords) == 8, "249, 250, 252");
static_assert(sizeof(EngPageEnd) == 8, "254");
static_assert(sizeof(EngMetrics) == ENGINE_METRICS_SIZE && offsetof(EngMetrics, font) == 946 &&
              offsetof(EngMetrics, pageLines) == 12176, "9");
static_assert(sizeof(EngSetupFont) == 42 && offsetof(EngSetupFont, value) == 34 &&
              offsetof(EngSetupFont, colour) == 38, "setup font");
static_assert(sizeof(EngSetup) == ENGINE_SETUP_SIZE, "setup block");
static_assert(offsetof(EngSetup, layout) == 16 && offsetof(EngSetup, printer) == 67 &&
              offsetof(EngSetup, fonts) == 275 && offsetof(EngSetup, paperCode) == 1367 &&
              offsetof(EngSetup, paperName) == 1371 && offsetof(EngSetup, paperWidth) == 1403 &&
              offsetof(EngSetup, paperHeight) == 1407 && offsetof(EngSetup, orientation) == 1411 &&
              offsetof(EngSetup, margin) == 1412 && offsetof(EngSetup, value139) == 1428 &&
              offsetof(EngSetup, pageFormat1) == 1440 && offsetof(EngSetup, pageFormat2) == 1444 &&
              offsetof(EngSetup, fontBase) == 1448 && offsetof(EngSetup, loaded) == 1452, "setup block");
#endif

/* A decoded command: what the engine keeps of any request block. The one
 * decoder that the engine runs and that the tests check the writer's blocks
 * with. Texts are cut to their length words. */
typedef struct EngDecoded {
    int code;
    int length;            /* the length word */
    int column, line, column2, line2;
    int align, font, width, height;
    int fill, fillCode, style;
    int32_t value1, value2;
    uint32_t number;       /* page, fixed lines, window, font base */
    char text[ENGINE_TEXT_MAX + 1];
    const uint8_t* cellFormat; /* into the block, or null */
} EngDecoded;

/* 0 when the block is a known command of a plausible length, -1 else. */
ENGINE_API int EngDecode(const void* block, int size, EngDecoded* out);

/* The entries. */
ENGINE_API int BrmReportEngine(int engine, int service, void* request);
/* The default printer of the engine's printer table into name (size bytes);
 * 1 when there is one. */
ENGINE_API int BrmReportGetDefaultPrinter(const char* baseFolder, char* name, int size);
/* The setup block saved for an owner and a layout ("" the owner's own);
 * 0 when read, 1 when there is none (the block then gets the engine's
 * defaults), -1 when the data file cannot be read. */
ENGINE_API int ReportSetupRead(const char* baseFolder, const char* owner, const char* layout, void* setup);
/* Saves a setup block under its owner and layout; 0, -1 on failure. */
ENGINE_API int ReportSetupUpdate(const char* baseFolder, const void* setup);
/* 1 when a setup block is saved under that owner and layout name. */
ENGINE_API int ReportCustomLayoutExist(const char* owner, const char* baseFolder, const char* layout);
/* RGB of a colour code of the font table (0 black). */
ENGINE_API uint32_t BrmRepGetRGBColor(int code);

/* The printer table: a name, and a target that is a folder (PDF files named
 * by report and time) or a spool queue ("lp -d QUEUE" takes the PDF on its
 * input). */
typedef struct EngPrinter {
    char name[64];
    char folder[260];     /* relative folders are in the program folder */
    char queue[64];
    int32_t isDefault;
} EngPrinter;
/* Printer n (from 0) into out; 0, 1 past the end, -1 when the table cannot
 * be read. */
ENGINE_API int BrmRepPrinterAt(const char* baseFolder, int n, EngPrinter* out);
/* Adds or replaces a printer by name; a default one takes the mark from
 * the others. 0, -1 on failure. */
ENGINE_API int BrmRepPutPrinter(const char* baseFolder, const EngPrinter* printer);
ENGINE_API int BrmRepDeletePrinter(const char* baseFolder, const char* name);
ENGINE_API int BrmRepSetDefaultPrinter(const char* baseFolder, const char* name);

/* Where the engine says what a person saw or must know: the file a job
 * produced (empty when none) and the last failure text. */
ENGINE_API const char* BrmRepLastOutput(void);
ENGINE_API const char* BrmRepLastError(void);
/* The base folder that holds the engine's data file (printers, setups),
 * for the jobs that print. */
ENGINE_API void BrmRepSetDataFolder(const char* baseFolder);

#ifdef __cplusplus
}
#endif

#endif
