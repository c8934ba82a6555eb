/* fx.h: the screen framework RuDeRivi.
 *
 * Screens, fields, keys, message boxes, status and progress windows, texts,
 * numbers, dates, memory, lists, plain files, device ports and the stored
 * password transform. Two front ends run the screens:
 *   - the script driver (headless): input is a script of events, output a
 *     transcript of what a person would have seen. It is the default when
 *     stdin is not a terminal, and what every test uses;
 *   - the terminal driver (ncurses), chosen when stdin is a terminal.
 *
 * Callers that go by ordinal use FxOrdinal(n). Every call whose ordinal is
 * known carries it in the comment of its declaration: "(59)".
 *
 * Conventions fixed here
 *   - Rows and columns count from 0 at the top left of a 25 x 80 screen.
 *     FxWindowCreate takes the four corners: top row, left column, bottom
 *     row, right column (all inclusive), never a height and a width.
 *   - Key calls (FxSetKeyHandler, FxSetKeyState, FxSetKeyCaption, ...)
 *     take `void* keys`: a form or a key bar, both accepted, since every
 *     form begins with its key bar. A stand-alone key bar belongs to the
 *     screen context that is innermost when it is first used.
 *   - A screen runs the first form loaded (or attached) since its
 *     FxAppBegin, in the first window created (or attached) since then.
 *   - Key codes: PC scan code << 8 (F1 0x3B00 .. F10 0x4400, Shift+F1
 *     0x5400 .. Shift+F10 0x5D00, Alt+letter by its scan code, Alt+1..9
 *     0x7800..0x8000, Alt+0 0x8100); Esc 27, Enter 13; FX_KEY_* below.
 *   - Handlers (keys, field exits and entries, new-record callback) take the
 *     context handed to FxAppBegin (the caller's own context may begin with
 *     an FxContext) and answer FX_STAY and friends below.
 *   - Dates: int32 year*10000 + month*100 + day; 0 is "no date". Texts of
 *     dates are "MM/DD/YY" (also read: "MM/DD/YYYY", "M/D/YY", "YYYYMMDD";
 *     two-digit years 00-49 are 20xx, 50-99 are 19xx).
 *   - Clock values: minutes since midnight (0..1439).
 *   - Folders use '/'; a normalised folder ends with exactly one '/'; an
 *     empty folder stays empty.
 *   - Widths of "pad" calls follow the record fields: FxPadBlanks(text, n)
 *     leaves n-1 characters and the terminating zero.
 *   - A call given the wrong kind of object (a window where a form is
 *     expected, a closed window, an unknown status window) refuses with -1
 *     and a transcript line; it never falls back to the last form or window.
 *
 * Calls that only record (accepted, written to the transcript or kept, with
 * no other effect in this build), so that a caller knows:
 *   FxSetAppFlags 1309, FxSetAppMode 1313, FxSetProductId 1315,
 *     FxSetAppVersionFlag 1339: values kept, read by nothing;
 *   FxLoadScreenLibrary 1370, FxUnloadScreenLibrary 1371: the path is kept;
 *     screens come from the screen resource files;
 *   FxCenterDialog 1110, FxRegisterDialog 1230, FxUnregisterDialog 1231,
 *     FxSetOwnerWindow 1341, FxAppIcon 1320: there are no host dialogs;
 *   FxBannerCreate 941, FxBannerColour 943: the banner is the heading line;
 *     FxBannerShow 945 records its text and shows its first line there while
 *     no company name (677) is set (FxBannerClear clears it);
 *   FxShowHelp: a "help" line (the help windows are F1, Shift+F1 and the
 *     "F1 Help" button of FxChoiceDialog);
 *   FxFolderCleanup 106: records, deletes nothing;
 *   FxKeyMenuShowBeside 364, FxSetKeyButton 362: the key bar shows every
 *     row of the key-menu table anyway;
 *   FxWindowStateSave 1332, FxWindowStateRestore 674: a number kept;
 *   FxGridApplyChoices 1020;
 *   FxSerialOpen 1440 / FxSerialReopen 700 settings: not used by the port files.
 */
#ifndef FX_H
#define FX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define FX_API __attribute__((visibility("default")))

/* ---------------------------------------------------------------- keys */
enum {
    FX_KEY_ENTER = 13,
    FX_KEY_ESC = 27,
    FX_KEY_TAB = 9,
    FX_KEY_SHIFT_TAB = 0x0F00,
    FX_KEY_UP = 0x4800,
    FX_KEY_DOWN = 0x5000,
    FX_KEY_LEFT = 0x4B00,
    FX_KEY_RIGHT = 0x4D00,
    FX_KEY_PGUP = 0x4900,
    FX_KEY_PGDN = 0x5100,
    FX_KEY_HOME = 0x4700,
    FX_KEY_END = 0x4F00,
    FX_KEY_INS = 0x5200,
    FX_KEY_DEL = 0x5300,
    FX_KEY_BACKSPACE = 8,
    FX_KEY_CTRL_HOME = 0x7700, /* delivered to handlers; the field loop gives it no meaning */
    FX_KEY_CTRL_END = 0x7500,
    FX_KEY_F1 = 0x3B00, /* F(n) = 0x3B00 + (n-1)*0x100, n = 1..10 */
    FX_KEY_F10 = 0x4400,
    FX_KEY_SHIFT_F1 = 0x5400, /* Shift+F(n) = 0x5400 + (n-1)*0x100 */
    FX_KEY_SHIFT_F10 = 0x5D00
};

/* Answers of handlers, as the screen loop reads them. The low 16 bits
 * choose the action; unknown low values count as FX_STAY. An answer with
 * bit 0x40000 (the list changed) or 0x80000 (a line was removed or added)
 * is a grid answer: the grid is drawn again and the cursor takes up the
 * current line again (its line-enter callback runs); only a low part of 1
 * (leave) still counts. */
enum {
    FX_GO_ON = 0,         /* field accepted: the cursor goes on (to the field the handler
                             focused, if it did) / key did its work; Esc leaves */
    FX_LEAVE = 1,         /* leave the screen: FxAppRun returns */
    FX_RECORD_DONE = 2,   /* the form starts empty again (new-record callback) */
    FX_STAY = 0x20,       /* stay where the cursor is */
    FX_LOOKUP_SET = 0x40, /* a lookup set the current field: accept it */
    FX_STAY_FOCUSED = 0x80, /* stay on the field the handler focused */
    /* Screens with a grid (a list form under the main form): */
    FX_MAIN_FORM = 4,        /* back to the main form, at its current field */
    FX_RECORD_DONE_MAIN = 6, /* the record is done, from either form (as 2 from the main form) */
    FX_MAIN_FORM_AT = 0x84,  /* back to the main form at the field the handler focused */
    FX_GRID_FILLED = 0x10000 /* the list was filled: drawn again; with 2 or 6
                                (0x10002, 0x10006) the cursor goes into the list */
};
/* On a grid line 2 means the line is done: its line-leave callback runs and
 * the cursor goes to the next line; a line-leave callback answering 2 lets
 * the cursor go as 0 does. 0x40000 with 2 or 6 (0x40002, 0x40006: the list
 * was emptied) ends the record; 0x80002 (a line removed) takes the current
 * line up again. */

/* Message-box styles and results (platform values). */
enum {
    FX_MB_OK = 0x00, FX_MB_OKCANCEL = 0x01, FX_MB_ABORTRETRYIGNORE = 0x02,
    FX_MB_YESNOCANCEL = 0x03, FX_MB_YESNO = 0x04, FX_MB_RETRYCANCEL = 0x05,
    FX_MB_ICONERROR = 0x10, FX_MB_ICONQUESTION = 0x20,
    FX_MB_ICONEXCLAMATION = 0x30, FX_MB_ICONINFORMATION = 0x40,
    FX_ID_OK = 1, FX_ID_CANCEL = 2, FX_ID_ABORT = 3, FX_ID_RETRY = 4,
    FX_ID_IGNORE = 5, FX_ID_YES = 6, FX_ID_NO = 7
};

/* Field flags of a screen field (ScreenField.flags). */
enum {
    FX_FIELD_UPPER = 0x10, /* typed text is turned to upper case */
    FX_FIELD_SKIP = 0x80,  /* the cursor skips the field (shown only) */
    FX_FIELD_CONCEALED = 0x0400, /* a password: shown and written to the transcript as '*' */
    FX_FIELD_CARD = 0x0800       /* a card number: the transcript shows its last four characters only (the others as '*') */
};

/* ------------------------------------------------------------- types */
typedef int (*FxHandler)(void* context);
typedef struct FxForm FxForm;
/* Question callback of a form: called when the user leaves (Esc) a screen
 * whose fields were changed; 1 leaves, 0 stays. */
typedef int (*FxQuestion)(FxForm* form);

#ifdef __cplusplus
class AutoFill;
#else
typedef struct AutoFill AutoFill;
#endif

/* One field of a screen-field table (in memory only; native pointers, the
 * field order of the stored 52-byte layout). A table runs in field-number
 * order 1, 2, 3 ... and ends with a record whose number is 0.
 * Pictures: printf-like width and type ("%-14sC", "%-30s", "%6lu", "%-4u",
 * "%11.4fu", "%10.2f"), a date mask ("nn/nn/nn", "nn/nn/nnnn") or a choice
 * field ("%-10sm"). Type letters after the printf part: C code (upper
 * case), m choice list, u no sign, F quantity in packs. A row of 0 places
 * the field on the row of the field before it. */
typedef struct ScreenField {
    uint8_t number;          /* field number, 0 ends the table */
    uint8_t row;             /* screen row inside the window (0: not drawn) */
    uint8_t column;          /* screen column inside the window */
    char picture[16];        /* picture, NUL-terminated */
    const char* choices;     /* "m" fields: default option byte, then "Yes,No" */
    uint16_t prompt;         /* prompt and help number in the screen resources */
    uint16_t flags;          /* FX_FIELD_* */
    FxHandler exitHandler;   /* called when the cursor leaves the field */
    FxHandler entryHandler;  /* called when the cursor enters the field */
    uint8_t displayOnly;     /* 1: starts display-only (see FxFieldSetDisplayOnly) */
    uint8_t reserved[12];
    AutoFill* typeAhead;     /* type-ahead source, or null */
} ScreenField;

#pragma pack(push, 1)
/* Line item of a status window layout (stored in resource files, 52 bytes):
 * byte 0 item type (2 text, 5 whole number, 10 amount; 0 ends a list),
 * byte 1 row, byte 2 column, bytes 3-51 picture text, NUL-terminated. */
typedef struct FxLineItem {
    uint8_t type;
    uint8_t row;
    uint8_t column;
    char picture[49];
} FxLineItem;

/* A screen field as stored in the resource files (52 bytes): the layout of
 * ScreenField with 32-bit slots where the memory record has pointers; the
 * slots are zero in a file. */
typedef struct FxStoredField {
    uint8_t number;
    uint8_t row;
    uint8_t column;
    char picture[16];
    uint32_t choices;
    uint16_t prompt;
    uint16_t flags;
    uint32_t exitHandler;
    uint32_t entryHandler;
    uint8_t displayOnly;
    uint8_t reserved[12];
    uint32_t typeAhead;
} FxStoredField;

/* One record of a screen resource file (record-manager file, fixed record
 * length 264). Files 90 and 91 (opened by FxOpenStringFiles) and 92, 93
 * and 95 (opened by FxOpenScreenFiles) all hold such records; every record
 * of every opened file is read once at open (step first / step next), so
 * the files' keys are free (recommended key 0: kind, number, line, each an
 * unsigned 2-byte segment, no duplicates). Kinds:
 *   1 FX_RES_STRING:    text `number` (FxLoadString); line 0; data = text
 *   2 FX_RES_TEXTLIST:  line `line` (from 0) of text list `number`
 *                       (FxTextListLoad, SetupStandardScreen lists,
 *                       message-style line lists); data = text
 *   3 FX_RES_LINEITEMS: item `line` of line-item table `number`
 *                       (FxLoadResourceTable); data = one 52-byte FxLineItem
 *   4 FX_RES_FORM:      field `line` of form `number` (FxLoadResourceTable
 *                       into ScreenField records); data = one FxStoredField
 *   5 FX_RES_SCREEN:    line `line` of the named screen text shown in a
 *                       status window or screen; data bytes 0-31 the screen
 *                       name (NUL-padded, "RSMsgPostingCOA"), 32.. the text;
 *                       `number` is free (use a running number)
 * `length` is the count of data bytes used. Texts are NUL-terminated within
 * data. When a kind/number/line appears in two files, the file read last
 * wins; records added with FxResourceAdd win over files. Missing files are
 * skipped: the calls that need them then fail. */
typedef struct FxResourceRecord {
    uint16_t kind;
    uint16_t number;
    uint16_t line;
    uint16_t length;
    char data[256];
} FxResourceRecord;
#pragma pack(pop)

enum {
    FX_RES_STRING = 1,
    FX_RES_TEXTLIST = 2,
    FX_RES_LINEITEMS = 3,
    FX_RES_FORM = 4,
    FX_RES_SCREEN = 5,
    FX_RES_RECORD_LENGTH = 264,
    FX_SCREEN_TITLE_LINE = 100 /* kind 5 line 100 of a screen name: the screen's title ("Create a Company");
                                  lines 0-63 are its text lines */
};

#ifdef __cplusplus
static_assert(sizeof(FxLineItem) == 52, "line item is 52 bytes");
static_assert(sizeof(FxStoredField) == 52, "stored field is 52 bytes");
static_assert(offsetof(FxStoredField, choices) == 19, "choices at 19");
static_assert(offsetof(FxStoredField, prompt) == 23, "prompt at 23");
static_assert(offsetof(FxStoredField, flags) == 25, "flags at 25");
static_assert(offsetof(FxStoredField, displayOnly) == 35, "display-only at 35");
static_assert(offsetof(FxStoredField, typeAhead) == 48, "type-ahead at 48");
static_assert(sizeof(FxResourceRecord) == 264, "resource record is 264 bytes");
#endif

/* One row of the key-menu table that heads every form. Rows follow one
 * another; the first row whose key is 0 ends the table. */
typedef struct FxKeyMenuItem {
    int32_t key;             /* key code */
    int32_t parent;          /* 0x3C00 when listed under F2 "Options", else 0 */
    char keyText[20];        /* "F1"; 0x18 before it for a shifted key; "ESC" */
    char caption[50];
    char longCaption[254];
    int32_t attribute;       /* 0x20 for F2, else 0 */
    int32_t keyCopy;         /* the key again */
    uint8_t flag1, flag2, flag3; /* on/off switches kept for the key bar */
} FxKeyMenuItem;

enum { FX_KEYMENU_ROWS = 48, FX_MAX_FIELDS = 255 };

/* Key bar: the key-menu table plus the framework's bindings. A form begins
 * with its key bar, so a form pointer is also a key-bar pointer: every
 * call taking `void* keys` accepts either. */
typedef struct FxKeyBar {
    FxKeyMenuItem menu[FX_KEYMENU_ROWS];
    void* impl;              /* framework's bindings: leave alone */
} FxKeyBar;

/* A form: fields loaded from a ScreenField table (read in place for the
 * whole run). Callers set the callbacks directly. */
struct FxForm {
    FxKeyBar keys;           /* key bar at the head of the form */
    int32_t currentField;    /* number of the field that has the cursor */
    FxHandler newRecord;     /* runs whenever the form starts empty */
    FxQuestion question;     /* asked when a changed screen is left by Esc */
    FxHandler lineEnter;     /* grids: a line is entered */
    FxHandler lineLeave;     /* grids: a line is left */
    FxHandler lineShow;      /* grids: a line is shown */
    void* impl;              /* framework state: leave alone */
};

/* A window: four corners, fill, title, the screen name it shows and the
 * form attached to it. */
typedef struct FxWindow {
    int32_t top, left, bottom, right;
    int32_t border, style, fill;
    char title[80];
    char name[32];           /* screen name ("RSEditProduct") */
    FxForm* form;            /* attached form or null */
    int32_t open;            /* 1 while open */
    void* impl;
} FxWindow;

/* A screen context: first member of every caller's screen context. `key`
 * is the key slot: the framework writes the key code into it before it
 * calls a key handler (13 for Enter on a field exit); a handler that writes
 * 27 into it and answers 0 leaves the screen as Esc does. */
typedef struct FxContext {
    int32_t key;
    int32_t exitKey;         /* key that ended the last run (27: escaped) */
    FxForm* form;            /* first form attached since FxAppBegin */
    FxWindow* window;        /* its window */
    void* impl;
} FxContext;

/* A list of copied records. Each node's second word is its data pointer. */
typedef struct FxListNode {
    struct FxListNode* next;
    void* data;              /* the copy */
    int32_t size;
} FxListNode;

typedef struct FxList {
    FxListNode* first;
    FxListNode* last;
    FxListNode* walk;        /* node last given by FxListWalk */
    int32_t count;
} FxList;

/* Grid placement block (FxGridAttach): rows shown, first column, width,
 * rows per line. */
typedef struct FxGridBlock {
    int32_t rows;
    int32_t column;
    int32_t width;
    int32_t step;
} FxGridBlock;

/* Four corners (FxPlaceWindow). */
typedef struct FxRect {
    int32_t top, left, bottom, right;
} FxRect;

/* Line reader over a text file (FxTextOpen ...). status: 0 while lines
 * come, 1 at the end, -2 after an open of a missing file, -1 on an error.
 * line holds the last line without its line end; length its length. */
typedef struct FxTextReader {
    int32_t status;
    int32_t length;
    char line[1024];
    void* impl;
} FxTextReader;

/* Spreadsheet writer. FxSheetOpen opens a workbook (.xlsx) by name into a
 * caller's block that begins with an FxSheet: text cells, number cells and
 * row ends fill its one sheet, and FxSheetClose writes the file (under a
 * temporary name, renamed into place only when it was written whole) with
 * each column as wide as its widest cell. A caller that opened a plain
 * file itself (FxFileOpen) fills handle and gets text rows ended by CR LF,
 * cells separated by tabs (FX_SHEET_TABS) or by commas with every text cell
 * in double quotes (FX_SHEET_COMMAS, a quote doubled). */
typedef struct FxSheet {
    int32_t handle;
    int32_t column;          /* cells written in the current row */
    int32_t row;             /* rows ended */
    int32_t kind;            /* FX_SHEET_TABS or FX_SHEET_COMMAS (plain files) */
    int32_t owned;           /* 1 when FxSheetOpen opened the workbook */
    int32_t book;            /* the workbook's number, 0 for a plain file */
} FxSheet;

enum { FX_SHEET_TABS = 1, FX_SHEET_COMMAS = 3, FX_SHEET_BLOCK = 279 };

/* The framework's report block (FxReportBlockGet, 1430): a 32-bit flag word
 * (bit 0x40: a working date is set) and the working date's text, 11
 * characters, read by the report writer for its period heading. */
#pragma pack(push, 1)
typedef struct FxReportBlock {
    uint32_t flags;
    char date[11];
} FxReportBlock;
#pragma pack(pop)

/* Where FxFreeSpace (435) learns the free bytes of a folder: 0 and the
 * bytes, or non-zero when the folder cannot be asked. */
typedef int (*FxFreeSpaceSource)(const char* folder, uint64_t* bytes);

#ifdef __cplusplus
static_assert(sizeof(FxReportBlock) == 15, "report block: flag word and 11-character date");
static_assert(sizeof(FxSheet) <= FX_SHEET_BLOCK, "a sheet fits the caller's block");
#endif

/* Status and progress windows. */
typedef struct FxStatus FxStatus;

/* Application object: what the host fills before it starts a session. */
typedef struct FxAppObject {
    char userId[16];         /* user id typed at the host's log-in (15 + NUL) */
    char password[16];       /* password typed at the log-in (15 + NUL) */
    char parameterText[1024];/* name='value' pairs the host was given */
    char companyText[260];   /* company the host asks to open, or empty */
    char stationText[64];    /* station id of this workstation */
    int32_t firstRun;        /* host marks a first start (new user) */
} FxAppObject;

/* =============================================================== calls */

/* ---- application, identity, start and stop
 *
 * The screen loop (FxAppRun): the form starts empty and its newRecord
 * callback runs; the cursor goes to the first field that takes input (not
 * display-only, hidden, disabled or FX_FIELD_SKIP), or to the field
 * focused before the run; the field's entryHandler runs. Then, for each key:
 *   - a key bound on the form (or on its main form, for a grid, or on a
 *     stand-alone key bar of the screen): its handler runs with the key in
 *     the context's key slot; switched off: nothing; bound to null: nothing;
 *   - else Enter, Tab, Down: the field's exitHandler runs, then the cursor
 *     goes forward (wrapping round); Up, Shift+Tab: the same, backward;
 *   - else Esc leaves; printable keys and Backspace edit the field (the
 *     first key after entering a field replaces its text; a choice field
 *     takes a letter of an option, Space moves to the next option).
 * Answers as listed above; leaving by Esc on a form whose fields were
 * typed into first asks the form's question callback. FxAppRun returns the
 * key that ended the screen and leaves it in the context's key slot. */
FX_API int FxAppBegin(FxContext* context);                 /* (270) starts a screen context; 0 */
FX_API int FxAppRun(FxContext* context, int nested);       /* (227) runs the screen; the key that ended it (27 Esc) */
FX_API int FxAppEnd(FxContext* context);                   /* (273) ends the screen context; 0 */
FX_API int FxStart(void);                                  /* (220) framework start (the terminal driver when stdin and stdout are terminals and no driver was chosen by a call or FxReset); 0 */
FX_API int FxStop(void);                                   /* (221) framework end: windows closed, terminal restored; 0 */
FX_API int FxContextBegin(intptr_t a, intptr_t b, intptr_t c); /* (1478) outer begin of a host call (starts the framework when needed); 0 */
FX_API int FxContextEnd(void);                             /* (1477) ends what FxContextBegin began; 0 */
FX_API FxAppObject* FxApp(void);                           /* (1290) the application object (log-in block first) */
FX_API int FxAppFirstRun(void);                            /* (1302) non-zero when the host marked a first start */
FX_API void FxAppSetUserId(const char* id);                /* host: user id of the log-in */
FX_API void FxAppSetPassword(const char* password);        /* host: password of the log-in */
FX_API void FxAppSetParameterText(const char* text);       /* host: parameter text */
FX_API void FxAppSetCompanyText(const char* text);         /* host: company to open */
FX_API void FxAppSetStationText(const char* text);         /* host: station id */
FX_API void FxAppSetFirstRun(int on);                      /* host: first start */
FX_API const char* FxAppUserId(void);                      /* user id */
FX_API const char* FxAppPassword(void);                    /* password */
FX_API const char* FxAppParameterText(void);               /* parameter text */
FX_API const char* FxAppCompanyText(void);                 /* company text */
FX_API const char* FxAppStationText(void);                 /* station text */
FX_API void FxSetAppFlags(int value);                      /* (1309) identity value kept */
FX_API void FxSetPathLength(int value);                    /* (1311) longest path the host uses (260) */
FX_API void FxSetAppMode(int value);                       /* (1313) identity value kept */
FX_API void FxSetProductId(int value);                     /* (1315) identity value kept */
FX_API void FxSetInterfaced(int on);                       /* (1335) the store works with the accounting product */
FX_API void FxSetProductNumber(int value);                 /* (1337) product number (4: point of sale) */
FX_API int FxGetProductNumber(void);                       /* (1338) product number set by 1337 (0 when unset) */
FX_API void FxSetAppVersionFlag(int value);                /* (1339) identity value kept */
FX_API void FxSetAppTitle(const char* text);               /* (1317) program title */
FX_API const char* FxGetAppCaption(int flags);             /* (1318) caption for message boxes: the program title */
FX_API void FxSetAppCode(const char* text);                /* (1319) application code ("BWPOS") */
FX_API void FxSetAppShortName(const char* text);           /* (1321) short name */
FX_API void FxSetAppKey(const char* text);                 /* (1323) settings key name */
FX_API void FxSetSingleUserTitle(const char* text);        /* (1325) single-user title */
FX_API char* FxConvertText(char* text);                    /* (1326) a text to its display form, in place (unchanged); null: the program title (FxSetAppTitle; read only) */
FX_API void FxSetProductName(const char* text);            /* (1327) product name */
FX_API void FxSetAppVersion(const char* text);             /* (1329) version text */
FX_API void FxSetHelpFile(const char* name);               /* (1331) help file name */
FX_API void FxSetAccountingHelpFile(const char* name);     /* (1333) accounting help file name */
FX_API void* FxAppIcon(void);                              /* (1320) program icon (null here) */
FX_API void FxSetOwnerWindow(void* window);                /* (1341) owner of all framework dialogs */
FX_API void* FxGetMainWindow(void);                        /* (657) host's main window (a token here, never null) */
FX_API void* FxGetOwnerWindow(void);                       /* (952) owner of message boxes */
FX_API int FxHasOwnWindow(void);                           /* (1304) non-zero while a framework window is active */
FX_API void* FxActiveOwner(void);                          /* (1262) that active window, else the main window */
FX_API int FxSetProgramDate(int32_t date);                 /* (45) working date (0: the system date); 0 */
FX_API void FxSetCompanyName(const char* name);            /* (677) company name for headings */
FX_API void FxSetHeadingLine(int line, const char* text);  /* (725) heading line 1 or 2 */
FX_API void FxSetDataFolder(const char* folder);           /* (764) data folder of the open company */
FX_API void FxSetHelpFolder(const char* folder);           /* (680) help folder */
FX_API int FxWindowStateSave(int flags);                   /* (1332) current window state, for 674 */
FX_API void FxWindowStateRestore(int state);               /* (674) puts back a state of 1332 */
FX_API int FxLoadScreenLibrary(const char* path);          /* (1370) screen resource library: recorded; 0 */
FX_API void FxUnloadScreenLibrary(void);                   /* (1371) releases it */
FX_API int FxRestoreWindowPos(const char* name, void* window); /* (1272) asks the registered store for the window (an open FxWindow, or null) under the name and moves it there; 0 when the store knew it, -1 otherwise */
FX_API int FxSaveWindowPos(const char* name, void* window);    /* (1273) gives the window's corners (an open FxWindow, or null) under the name to the registered store; 0 when stored, -1 otherwise (no store among them) */
FX_API void FxCenterDialog(void* dialog, void* owner);     /* (1110) centres a dialog (recorded) */
FX_API void FxRegisterDialog(void* dialog);                /* (1230) a dialog of the host opened */
FX_API void FxUnregisterDialog(void* dialog);              /* (1231) it closed */
FX_API int FxBannerCreate(int a, int b, int c, int d, int colour1, int colour2); /* (941) company banner (recorded); 0 */
FX_API int FxBannerColour(int colour1, int colour2);       /* (943) recolours the banner; 0 */
FX_API void FxBannerClear(void);                           /* clears the banner text */
FX_API FxReportBlock* FxReportBlockGet(void);              /* (1430) the framework's report block (flag word, then the 11-character date) */
FX_API int FxBannerShow(const char* text, int colour);     /* (945) shows the banner text; 0 */

/* ---- forms and fields */
FX_API int FxFormLoad(FxForm* form, ScreenField* table, int mode);  /* (271) binds the table (read in place); non-zero on success */
FX_API const char* FxFieldGet(FxForm* form, int field);    /* (301) the field's text, or its option's text (valid until the next get or change of the field; copy it); "" when unknown */
FX_API int FxFieldSet(FxForm* form, int field, const char* value);  /* (302) sets the text (copied, cut to the picture width); 0 */
FX_API int FxChoiceGet(FxForm* form, int field);           /* (304) selected option from 1; 0 when not a choice field */
FX_API int FxChoiceSet(FxForm* form, int field, int option);/* (305) selects an option from 1; 0, -1 when out of range */
FX_API int FxFocusField(FxForm* form, int field);          /* (286) cursor to the field; 0 */
FX_API int FxFieldSetConcealed(FxForm* form, int field, int on); /* 1: a password field, shown (and written to the transcript) as '*' (as FX_FIELD_CONCEALED); 0 */
FX_API int FxEnableField(FxForm* form, int field, int on); /* enables a field (on 1) or disables it (on 0); 0, -1 when unknown */
FX_API int FxFieldSetDisplayOnly(FxForm* form, int field, int on); /* (282) 1 display-only, 0 enterable; 0 */
FX_API int FxFieldSetState(FxForm* form, int field, int state);    /* (284) 0 shown, 2 hidden (blank, skipped); 0 */
FX_API int FxColumnSetState(FxForm* form, int field, int state);   /* (285) grid column: 0 shown, 2 hidden; 0 */
FX_API int FxFieldIsEmpty(FxForm* form, int field, int flags, int* out); /* (280) non-zero when blank or "First"/"Last" (an open range end) */
FX_API int FxFormRedraw(void* context, FxForm* form);      /* (277) redisplay after fields were set; 0 */
FX_API int FxFormRedrawAfterPick(void* context, FxForm* form); /* (276) redisplay after a pick; 0 */
FX_API int FxSetChoiceLetters(FxWindow* window, int zero, int field, const char* letters); /* (1027) count byte, then one letter per option: typing a letter picks its option; 0 */
FX_API int FxAttachFolderBrowse(FxForm* form, int field, const char* title, char* buffer); /* (1035) F5 on the field opens a folder browser from the
                                                              field's folder: Enter goes into a folder ("..": up), Backspace up,
                                                              F10 picks (field and the 260-byte buffer get the folder, ending '/'),
                                                              Esc leaves; 0, -1 for an unknown field */
FX_API int FxFormText(void* form, int row, int column, int attribute, const char* text, int flags); /* (1002) writes a text on a form's window; 0 */
FX_API void FxWindowSetName(FxWindow* window, const char* name); /* screen name shown by the window */

/* ---- grids: a form of one line's fields placed under a main form, whose
 * lines are records held by the framework. Leaving the main form's last
 * field forward enters the grid at its current line. On each line the
 * grid's fields start blank and its lineEnter callback fills them from
 * FxGridCurrent (null on the new line past the last one). Leaving a line
 * (forward past its last field, back before its first, Up, Down) first
 * runs lineLeave, whose answer 0 or 0x40 lets the cursor go; going back
 * from the first line's first field returns to the main form. */
FX_API int FxGridAttach(FxForm* mainForm, FxForm* grid, const FxGridBlock* block); /* (316) places the grid under the main form; 0 */
FX_API int FxGridClear(FxForm* grid);                      /* (317) removes every line; 0 */
FX_API int FxGridRedraw(FxForm* grid);                     /* (318) draws the lines again; 0 */
FX_API int FxGridLine(void* context, FxForm* grid, void* line, int flags); /* (325) 0x200000 appends line, 0x400000 removes line (null: the current one); 0 */
FX_API void* FxGridNewLine(FxForm* grid, int size);        /* (326) a zeroed line record of size bytes, not yet in the grid; null on failure */
FX_API int FxGridSetRow(FxForm* grid, int row);            /* (327) cursor to line row (from 0); 0 */
FX_API int FxGridEmpty(FxForm* grid);                      /* (1011) removes every line and redraws; 0 */
FX_API void* FxGridCurrent(FxForm* grid);                  /* the line under the cursor, or null */
FX_API int FxGridCount(FxForm* grid);                      /* number of lines */
FX_API int FxGridSetColumnChoices(FxForm* grid, int field, const char* choices); /* (1000) choice list of a grid column; 0 */
FX_API int FxGridApplyChoices(FxForm* grid);               /* (1020) re-attaches the column choice lists to every line; 0 */
FX_API void* FxGridFirst(FxForm* grid);                    /* (1032) first line record, or null */
FX_API void* FxGridNext(FxForm* grid);                     /* (1033) next line record, or null */
FX_API int FxGridLineChoicesReset(FxForm* grid, void* line); /* (1045) one line's choices back to their defaults; 0 */

/* ---- windows */
FX_API int FxWindowCreate(FxWindow* window, int top, int left, int bottom, int right,
                          int border, int style, int fill, const char* title); /* (172) corners, cut to the 25 x 80 screen; 0 on success, -1 when top > bottom or left > right */
FX_API int FxWindowClose(FxWindow* window, int restore);   /* (173) 0 */
FX_API int FxWindowAttachForm(FxWindow* window, FxForm* form, int flags); /* (174) shows the form (null: none); 0 */
FX_API int FxWindowText(FxWindow* window, int row, int column, int attribute, const char* text, int flags); /* writes a text in the window; 0 */
FX_API int FxWindowHasForm(FxWindow* window);              /* (1100) non-zero when the window shows a form */
FX_API int FxWindowCursor(FxWindow* window, int row, int column); /* the terminal cursor at the window's row and column (as FxWindowText)
                                                              while no field has it; row -1 takes it away; 0 */
FX_API int FxWindowMark(FxWindow* window, int row, int column, int width); /* shows width characters of the window's row from column
                                                              reversed (a block, a found text); width 0: no mark on that row any
                                                              more; row -1: none at all; 0. Transcript: "mark <window> <row>,<col>
                                                              <width>", "mark <window> <row> none", "mark <window> none" */
FX_API int FxPlaceWindow(int row, int column, int height, int width, FxRect* out); /* (494) corners of a window; -1 centres; 0 */
FX_API int FxClearWindow(FxWindow* window);                /* (200) blanks the window's inside; 0 */

/* ---- keys */
FX_API int FxSetKeyHandler(void* keys, int key, FxHandler handler); /* (360) binds a key; null: no action; 0 */
FX_API int FxSetKeyState(void* keys, int key, int on);     /* (366) switches a bound key off (0) or on (1); 0 */
FX_API int FxSetKeyCaption(void* keys, int key, const char* text); /* labels a key; 0 */
FX_API int FxSetKeyButton(void* keys, int key);            /* (362) shows the key as a button of the window; 0 */
FX_API int FxKeyMenuShowBeside(void* keys, int key, int on); /* (364) rows after `key` in the menu go on the key bar beside it; 0 */
FX_API int FxReleaseKey(void* keys, int key);              /* (365) removes a key's binding and menu row; 0 */
FX_API int FxKeyMenuApply(void* keys);                     /* (367) takes the key-menu table into the key bar; 0 */
FX_API int FxKeyBarText(void* keys, int width, char* out, int size); /* the key bar as drawn in width columns: rows joined by '\n'
                                                              ("F1 Help  F10 Save"; a key switched off in parentheses; rows
                                                              under F2 left out); one row when it fits, else two, with
                                                              captions shortened, then keys only; the number of rows */
FX_API int FxKeyRead(void* buffer, int wait, int flags);   /* (344) reads a key into the int32 at buffer; non-zero when one came */
FX_API int FxIsLeaveKey(const void* keyOrContext);         /* (346) non-zero when the int32 at the pointer is Esc (contexts: escaped) */
FX_API int FxGetKey(int wait);                             /* (348) next key, 0 when none (wait 0) */
FX_API int FxScreenKey(const char* name);                  /* next key of a screen that reads its own keys (a text editor), waiting:
                                                              a script's "type TEXT" gives its characters one a call (transcript
                                                              "type "TEXT""); a script that ran out answers Esc, and from its fourth
                                                              time 0: the framework closes the screen (transcript "run forced closed
                                                              <name>"), as it closes a screen of FxAppRun */
FX_API int FxPostKey(int key);                             /* (950) queues a key for the running screen; 0 */
FX_API int FxPump(void);                                   /* (660) lets the screen refresh; 0 */
FX_API int FxKeyFlush(void);                               /* (500) drops the keys typed ahead and queued by FxPostKey (after a run was broken off); 0 */
FX_API int FxRefreshTop(void);                             /* (175) draws the top window again; 0 */
FX_API int FxWindowPrompt(FxWindow* window, const char* text); /* (1043) a prompt on the window's last inside row; 0, -1 when the window is not open */
FX_API void FxBeep(void);                                  /* (3) alert sound (recorded) */

/* ---- message boxes, choice dialogs, pop-up lists, help */
FX_API int FxMessageBox(void* owner, const char* text, const char* caption, int style, int flags); /* (613) FX_ID_* result (6 Yes) */
FX_API int FxMessageBoxEx(const char* text, const char* caption, int style); /* FX_ID_* result */
FX_API int FxShowText(const char* text);                   /* (612) plain message with OK; 0 */
FX_API int FxChoiceDialog(char** lines, const char* buttons, int style, int helpContext,
                          const char* caption, int flags); /* (805) lines (null-ended), buttons " A,B,F1 Help" (first byte: default); chosen button from 1 */
FX_API int FxPopupChoose(const char* list, int row, int column, int current); /* (601) pop-up list of "A,B,C"; option from 1, 0 on Esc */
FX_API int FxChoosePrinter(const char* printers, char* out, int size); /* pop-up list of the printers given ("IBM-Default,Office"; those of the
                                                              printer file), the system's printers (lpstat, when installed) and
                                                              "file"; the chosen name into out; its number from 1, 0 on Esc */
FX_API char* FxChoiceText(char* out, const char* list, int option); /* (602) text of option n of a list (first byte skipped when below ' '); out */
FX_API int FxShowHelp(int kind, intptr_t topic, int flags);/* help (recorded): kind 1 topic number, 11 index, 513 topic text; 0 */
FX_API int FxCurrentScreen(char* name, int size, void** keys); /* the innermost screen context's name (its first window's) and its first form (the keys of F1 help); 1, 0 when no screen runs */

/* ---- status and progress windows */
FX_API FxStatus* FxStatusOpen(const char* name, int flags);/* (1470) status window by screen name; null on failure */
FX_API int FxStatusUpdate(FxStatus* status, int flags);    /* (1471) shows it again (spinner step); 0 */
FX_API int FxStatusClose(FxStatus* status);                /* (1472) 0 */
FX_API int FxStatusSetLine(FxStatus* status, int line, const char* text); /* text of line 0-7 of a status window; 0 */
FX_API FxStatus* FxProgressOpen(const char* name, int total); /* progress window with a total; null on failure */
FX_API int FxProgressStep(FxStatus* progress, int count);  /* shows count of total; 0 */
FX_API int FxProgressSetLine(FxStatus* progress, int line, const char* text); /* text line 0 or 1 (null: empty); 0 */
FX_API int FxProgressClose(FxStatus* progress);            /* 0 */
FX_API int FxProgressSetTitle(FxStatus* progress, const char* title); /* (1473) 0 */
FX_API FxStatus* FxProgressOpenTitled(const char* title, int total); /* (1479) as FxProgressOpen */
FX_API int FxProgressCloseHandle(FxStatus* progress);      /* (1481) as FxProgressClose */

/* ---- texts */
FX_API int FxIsEmpty(const char* text);                    /* (539) non-zero for null, empty or all blanks */
FX_API char* FxTrimText(int mode, char* text);             /* (540) in place: 1 leading, 4 both ends, 5 trailing, 7 both ends + '\' to '/'; other modes: both ends; the text */
FX_API char* FxPadString(char* text, int width, int fill); /* (536) pads (or cuts) to width characters with fill; the text */
FX_API char* FxPadBlanks(char* text, int width);           /* (545) blank-padded (or cut) to width-1 characters; the text */
FX_API char* FxCenterText(char* dest, const char* src);    /* (538) src trimmed, centred over dest's length; dest */
FX_API char* FxLeftAlign(char* dest, const char* src);     /* (543) src trimmed, laid left into dest's length; dest */
FX_API char* FxRightAlign(char* dest, const char* src);    /* (544) src trimmed, laid right into dest's length; dest */
FX_API char* FxRightAlignNumber(char* text, int width);    /* (549) trimmed, right-aligned in width characters; the text (width+1 bytes) */
FX_API char* FxGroupThousands(char* text, int width);      /* (546) ',' every 3 digits, right-aligned in width; the text */
FX_API char* FxBlankZero(char* text, int point);           /* (550) a zero number text becomes blanks of its length; the text */
FX_API char* FxDecimalPoint(int point, char* text);        /* (551) decimal separator written as point ('.' when 0); the text */
FX_API int FxIsFillerChar(int ch);                         /* (261) non-zero for blank ( ) - . / (dialing ignores them) */
FX_API int FxLoadString(int number, int size, char* buffer); /* (502) text by number; its length, 0 (buffer "") when missing */
FX_API int FxTextListLoad(int id, char** lines, int* width, int* count, int capacity); /* lines of text list id into lines[capacity] (FxAlloc'd, null-ended); 0, non-zero when missing */
FX_API int FxTextListSplit(const char* text, char** lines, int* width, int* count, int capacity); /* the parts of a text split at '|' and line ends, as FxTextListLoad gives lines (at most capacity-1); 0 */
FX_API int FxTextListLoadOrSplit(intptr_t listOrText, char** lines, int* width, int* count, int capacity); /* (492) 0..0xFFFF: FxTextListLoad of that list; else the address of a text: FxTextListSplit (a column-list text) */
FX_API void FxTextListFree(char** lines);                  /* (493) frees each line of a loaded list, slots set to null */
FX_API char* FxAllocLine(int width);                       /* (257) a line of width blanks (FxAlloc'd) */
/* The stored form of passwords and rights flags: a fixed permutation of the
 * byte values 1..255 in which no value stays itself; 0 stays 0, so stored
 * texts keep their terminating zero. 88 undoes 89 for every byte. */
FX_API void FxCharTransform88(char* ch);                   /* (88) one stored character to its plain form, in place */
FX_API void FxCharTransform89(char* ch);                   /* (89) one plain character to its stored form, in place */
FX_API char* FxPasswordToPlain(char* text);                /* (90) a stored password held in a record to its plain form, in place, up to its NUL; text */
FX_API char* FxPasswordToStored(char* text);               /* (94) a plain password to its stored form, in place, up to its NUL; text */
FX_API char* FxButtonListAdd(char* list, const char* caption); /* (226) appends a button caption to a button list of FxChoiceDialog (a ',' between captions; a lone default byte kept first); list */

/* ---- numbers and pictures */
FX_API char* FxFormatAmount(double value, char* out, int decimals); /* "%.*f" with round half away from zero; out */
FX_API double FxRound(double value, int decimals);         /* round half away from zero (0.005 -> 0.01) */
FX_API int FxIsZeroAmount(double* amount);                 /* (418) non-zero within 0.001 of zero; such an amount (and NaN) is set to 0.0 */
FX_API int FxAmountsEqual(double a, double b);             /* (423) non-zero when they differ by less than 0.001 */
FX_API int FxIsNegativeAmount(double value);               /* (427) non-zero below -0.001 */
FX_API int FxIsPositiveAmount(double value);               /* (428) non-zero above 0.001 (the zero band of 418 is neither) */
FX_API double FxDivide(double a, double b);                /* (417) a / b, 0 when b is within 0.000001 of zero */
FX_API double FxAmountCorrect(double value, int decimals); /* (422) removes binary noise: FxRound to decimals */
FX_API double FxLongToAmount(int32_t value, int decimals); /* (425) value / 10^decimals */
FX_API int FxPictureWidth(const char* picture);            /* display width of a picture */
FX_API int FxPictureIsNumeric(const char* picture);        /* (235) non-zero for d, u, f, l pictures */
FX_API int FxPictureNumberInfo(const char* picture, int* decimals, int* width, int* sign); /* (244) 0 for numeric pictures */
FX_API int FxPictureMatch(const char* text, const char* mask); /* (243) 0 when text fits the mask (n digit, c any, a letter, others literal) */
FX_API char* FxPictureAdjust(int flags, char* format);     /* (259) picture to a printf format (type letters dropped), in place */
FX_API char* FxFormatValue(char* out, const char* picture, int type, const void* value); /* (260) the value at the pointer by its data type: 1 char, 2 text, 3 date, 4 byte, 5 int16, 6 uint16, 7 int32, 8 uint32, 9 float, 10 and 11 double, 12 time; out */
FX_API int FxFormatNumber(char* out, const char* picture, int flags, int pack, double value); /* quantity as text; "packs/units" for 'F' pictures with pack > 1; 0 */
FX_API int FxParseNumber(const char* text, int pack, double* value); /* (332) text of FxFormatNumber back to a quantity; 0, -1 when not a number */

/* ---- dates and clock */
FX_API int32_t FxToday(void);                              /* (59) working date (program date, else system date) */
FX_API void FxTodayRefresh(void);                          /* (57) reads the system clock again */
FX_API int32_t FxSystemDate(void);                         /* (58) the system's date */
FX_API int FxDateValid(const char* text);                  /* (49) non-zero when text is a date */
FX_API int FxDateCheck(const char* text);                  /* (50) the full check: a date (as 49) whose year is 1900..2099, the years the
                                                              day numbers (72) and the two-digit years cover; a text 49 reads but 50
                                                              refuses ("01/01/1850") is the case of message 1672 */
FX_API int FxDateMonth(int32_t date);                      /* (62) month of a date, 1..12; 0 for an invalid date */
FX_API char* FxDateWithMonth(char* out, int32_t date, const char* month); /* (56) "Jan 05, 2025" (13 bytes) with the given month abbreviation
                                                              (null: the English one); "" for an invalid date; out */
FX_API int32_t FxDateParse(const char* text);              /* (54) date of a text, 0 when invalid */
FX_API char* FxDateFormat(char* out, int32_t date);        /* (47) "MM/DD/YY" (9 bytes), "" for 0 or an invalid date; out */
FX_API char* FxDateFormatLong(char* out, int32_t date);    /* "MM/DD/YYYY" (11 bytes); out */
FX_API int FxDateIsValid(int32_t date);                    /* non-zero for a real calendar date */
FX_API int32_t FxDateOfPeriod(int year, int month);        /* (60) first day of month n of year */
FX_API int FxDateYear(int32_t date);                       /* (61) year of a date */
FX_API int FxYearOfDate(int32_t date);                     /* (64) year of a date */
FX_API int32_t FxDateAdjust(int32_t date, int n);          /* (66) n = -1: last day of the date's month; else date + n days */
FX_API int32_t FxDateAddYears(int32_t date, int years);    /* (70) same day years on (Feb 29 -> Feb 28). Every caller passes a stored
                                                              date and 1 (next-year periods; the record passes that move a file's
                                                              dates one year on): a value that is not a date (0 included) comes
                                                              back unchanged, so no stored value is ever lost */
FX_API int32_t FxDateAddMonths(int32_t date, int months);  /* same day months on, cut to the month's end */
FX_API int32_t FxDateAddDays(int32_t date, int days);      /* date + days */
FX_API int32_t FxMonthEnd(int32_t date);                   /* last day of the date's month */
FX_API int32_t FxDayNumber(int32_t date);                  /* (72) day number (1 Jan 1900 is 1), 0 for an invalid date */
FX_API int32_t FxDateOfDayNumber(int32_t day);             /* date of a day number */
FX_API uint16_t FxClock(void);                             /* (12) minutes since midnight */
FX_API double FxTimeToHours(int32_t time);                 /* (13) minutes to hours */
FX_API char* FxTimeFormat(char* out, int32_t time, int style); /* (7) style 4 "hh:mm AM", others "HH:MM"; out */
FX_API char* FxTimeNowText(char* out, int style);          /* (5) current time as FxTimeFormat; out */
FX_API char* FxTimeToText(char* out, int32_t value);       /* (48) a clock value 0..1439 as "HH:MM" (time columns); a date
                                                              (year*10000+month*100+day) as "MM/DD/YYYY" (the working-date field
                                                              and the report block's 11 characters); anything else ""; out (11 bytes) */

/* ---- memory and lists */
FX_API void* FxAlloc(int count, int size);                 /* (437) zeroed block, null on failure */
FX_API void FxFree(void* block);                           /* (438) frees a block (null is fine) */
FX_API void FxListInit(FxList* list);                      /* empties a list without freeing */
FX_API void* FxListAdd(FxList* list, const void* record, int size); /* appends a copy; the copy, null on failure */
FX_API void* FxListWalk(FxList* list, int how, int a, int b); /* 1 first, 2 next, 3 previous, 4 last, 7 search (the first node whose
                                                              data begins with the text of FxListSetSearch, case ignored): the copy,
                                                              or null (a failed search leaves the walk where it was) */
FX_API void FxListClear(FxList* list);                     /* frees every node and copy */

/* ---- files and folders (handles are small integers, -1 for none) */
FX_API int FxFileAccess(const char* path, int mode);       /* (128) 0 when the file exists, -1 when missing */
FX_API int FxFileOpen(const char* path, int flags, int perm, int share, int* handle); /* (129) flags: 0 read, 1 write, 2 read-write, 0x100 create, 0x200 empty, 0x008 append, 0x8000 binary; 0 on success, 4 when missing, 2 on another failure */
FX_API int FxFileCreate(const char* path, int perm);       /* (130) creates (or empties) a file; 0, -1 on failure */
FX_API int FxFileClose(int handle);                        /* (131) 0 */
FX_API int FxFileRead(int handle, void* buffer, int size, int* count); /* (132) 0, -1 on error; count read */
FX_API int FxFileWrite(int handle, const void* buffer, int size, int* count); /* (133) 0, -1 on error; count written */
FX_API int32_t FxFileSeek(int handle, int32_t offset, int whence); /* (134) new position, -1 on error (0 set, 1 current, 2 end) */
FX_API int FxFileDelete(const char* path);                 /* (135) 0, -1 on failure */
FX_API int32_t FxFileTell(int handle);                     /* (138) current position, -1 on error */
FX_API int FxFileCopy(const char* dest, const char* src);  /* (91) 0 on success */
FX_API int FxFileRename(const char* from, const char* to); /* 0 on success */
FX_API char* FxPathSetExtension(char* path, const char* ext); /* (136) replaces (or adds) the extension; path */
FX_API int FxMakeFolder(const char* folder);               /* (107) makes the folder and its parents; 0 (also when it exists) */
FX_API char* FxFolderEnd(char* folder);                    /* (552) '\' to '/', ends with one '/' (empty stays empty); folder */
FX_API char* FxFolderWithSeparator(char* folder);          /* (554) as FxFolderEnd */
FX_API char* FxFolderNoEnd(char* folder);                  /* (555) trailing separators removed ("/" stays); folder */
FX_API int FxPathAccepted(const char* path);               /* (120) non-zero when the path needs no rebuilding */
FX_API int FxDiskSpace(const char* folder, uint64_t* total, uint64_t* available); /* (118) 0, -1 when the folder cannot be queried */
FX_API int FxFolderPatternSizes(const char* folder, const char* pattern, uint64_t* total, uint64_t* largest); /* (105) sizes of the matching files; 0 */
FX_API int FxFolderCleanup(const char* folder, const char* pattern); /* (106) recorded only: nothing is deleted; 0 */
FX_API int FxTextOpen(FxTextReader* reader, const char* path); /* (148) status */
FX_API int FxTextClose(FxTextReader* reader);              /* (149) 0 */
FX_API int FxTextRewind(FxTextReader* reader);             /* (150) status */
FX_API int FxTextNext(FxTextReader* reader);               /* (151) reads the next line; status */
FX_API int FxSheetEndRow(FxSheet* sheet);                  /* (514) ends the row; 0, -1 on a write failure */
FX_API int FxSheetText(FxSheet* sheet, const char* text);  /* (515) a text cell; 0 */
FX_API int FxSheetNumber(FxSheet* sheet, double value);    /* (516) a number cell; 0 */
FX_API int FxSheetOpen(int kind, int unused1, int unused2, const char* path, void* block); /* (512) starts a workbook for the file and an FxSheet at the head of block (FX_SHEET_BLOCK bytes); 0, -1 when the folder cannot take the file */
FX_API int FxSheetClose(void* block);                      /* (513) writes and closes a workbook of 512; 0, -1 when it was not open or could not be written (the target is left as it was) */
FX_API int FxFreeSpace(const char* folder, uint64_t* bytes); /* (435) free bytes of the folder (null or "": the data folder, else the current one); 0, -1 when it cannot be asked */
FX_API void FxSetFreeSpaceSource(FxFreeSpaceSource source); /* where 435 asks (null: the file system) */

/* ---- screen resources */
FX_API int FxOpenStringFiles(const char* base, const char* name1, const char* name2); /* (491) files 90, 91; 0 (missing files are skipped) */
FX_API int FxOpenScreenFiles(const char* base, const char* name1, const char* name2, const char* name3); /* (478) files 92, 93, 95; 0 */
FX_API void FxCloseStringFiles(void);                      /* (501) forgets what 491 loaded */
FX_API void FxCloseScreenFiles(void);                      /* (479) forgets what 478 loaded */
FX_API int FxLoadResourceTable(void* table, int number, int bytes, int* count); /* (480) table `number` into table (bytes = sizeof the caller's array: FxLineItem[] or ScreenField[] by the table's kind), ended by a zero record when room; 0, non-zero when missing */
FX_API int FxResourceAdd(int kind, int number, int line, const void* data, int length); /* adds one resource record in memory (tests, host); 0 */
FX_API int FxResourceLoadFile(const char* path);           /* reads one resource file; 0, non-zero when it cannot be read */

/* ---- device ports: output goes to files in the device folder:
 * parallel port index i -> "LPT<i+1>.out", serial port p -> "COM<p+1>.out" */
FX_API void FxSetDeviceFolder(const char* folder);         /* folder of the port files, set by the station set-up (unset: the data
                                                              folder of 764; neither set: device output is refused, never written
                                                              into the working folder) */
FX_API int FxSerialOpen(int port, int settings);           /* (1440) 0 */
FX_API int FxSerialSend(int port, const char* data, int length); /* (1441) length 0: up to the NUL; 0 */
FX_API int FxSerialClose(int port);                        /* (1442) 0 */
FX_API int FxSerialWrite(int port, const char* data, int length); /* (1443) as FxSerialSend */
FX_API int FxSerialReopen(int port, int settings);         /* (700) 0 */
FX_API int FxParallelOpen(int kind, int index, int* handle, int flags); /* (1450) file handle for FxFileWrite/FxFileClose; 0 */
FX_API int FxParallelClose(int port, int handle);          /* (1451) closes the handle FxParallelOpen gave for the port (a negative handle: nothing); 0 */
FX_API int FxParallelControl(int index, int op, const void* block, int flags); /* (1452) flags bit 1: op 16-bit codes at block are sent (their low bytes,
                                                              as FxDeviceSend); else the 12-byte command block (3 int32) goes to the port; 0 */
FX_API int FxPrinterReady(int port, int wait, int tries, int flags); /* (1454) asks the port up to tries times (at least once); non-zero when ready */
FX_API int FxParallelReopen(int kind, int index, int* handle); /* (685) as FxParallelOpen; 0 */
FX_API int FxParallelReady(int index);                     /* (687) non-zero when the port can take output */
FX_API int FxDeviceSend(int port, int count, const uint16_t* codes); /* (1453) 16-bit codes to parallel port index port; 0 */
/* The card authorizer: a program serving one folder, running while a live
 * process holds a write lock (fcntl) on the folder's "AUTHORIZER.LCK". */
FX_API int FxAuthorizerPrepare(void* work, const char* folder); /* (886) keeps the folder in work (260 bytes); non-zero when it exists */
FX_API int FxAuthorizerRunning(void* work);                /* (887) 0 when the authorizer of work's folder runs, 1 when not */
FX_API int FxAuthorizerPid(void* work);                    /* the process that holds the folder's lock, 0 when none */
FX_API int FxAuthorizerStart(void* work, const char* program, int waitMs); /* starts program (argument: the folder) detached, the folder as working
                                                              directory, and waits up to waitMs for its lock; 0 when it runs then
                                                              (also when it already ran), -1 otherwise */

/* ---- ordinals, drivers, script and transcript */
FX_API void* FxOrdinal(int ordinal);                       /* entry of an ordinal, or null */
FX_API void FxUseScriptDriver(void);                       /* headless: script in, transcript out */
FX_API void FxUseTerminalDriver(void);                     /* ncurses (falls back to the script driver without a terminal) */
FX_API int FxUsingTerminal(void);                          /* non-zero when the terminal driver runs */
FX_API int FxScriptLoad(const char* text);                 /* appends script events (one a line); 0, -1 on a bad line (nothing added) */
FX_API int FxScriptLoadFile(const char* path);             /* as FxScriptLoad from a file; -2 when it cannot be read */
FX_API int FxScriptRemaining(void);                        /* events not yet taken */
FX_API const char* FxTranscript(void);                     /* the transcript so far (the script driver's; the terminal driver keeps none in memory) */
FX_API int FxTranscriptToFile(const char* path);           /* also appends every transcript line to the file (either driver; null: stops); 0, -1 when it cannot be opened */
FX_API void FxTranscriptClear(void);                       /* empties the transcript */
FX_API void FxTranscriptNote(const char* text);            /* adds one line "note <text>" */
FX_API void FxReset(void);                                 /* forgets all framework state (script, transcript, app object, resources, windows, identity) and keeps the script driver */

/* Script format: one event a line; blank lines and lines starting '#'
 * are skipped. Keys are named F1..F10, Shift+F1..Shift+F10, Alt+A..Alt+Z,
 * Alt+0..Alt+9, Ctrl+A..Ctrl+Z (the control codes 1..26; the terminal
 * gives them as typed, except those the terminal keeps for itself, such as
 * Ctrl+C), Esc, Enter, Tab, ShiftTab, Up, Down, Left, Right, PgUp,
 * PgDn, Home, End, Backspace, Del, Ins, Ctrl+Home, Ctrl+End, Space, a
 * single character ('A' or A), or given as a number (0x4400, 27).
 *   key <key>            press a key
 *   type <text>          empty the current field and type the text into it
 *                        character by character (what the picture refuses
 *                        is left out); choice fields: the option whose text
 *                        is typed, or its number
 *   field <n> <text>     focus field n and type into it (no exit handler)
 *   answer <button>      answers the next message box or choice dialog:
 *                        Yes, No, OK, Cancel, Retry, Abort, Ignore, a
 *                        button caption, or its number from 1
 *   pick <n>             picks line n (from 1) of the next pop-up list
 *                        (0: none); in the folder browser, goes into line n;
 *                        under a type-ahead drop list, match n (every other
 *                        event after a drop list goes to the field)
 *   wait                 a key read that finds no key (polls go on)
 * When the script is exhausted, every wait for input is answered as if Esc
 * were pressed, and the transcript says "script exhausted"; a screen that
 * still runs after three such answers is closed by the framework, and a
 * blocking key read that got ten such answers in a row gets Enter, so that
 * no wait can last for ever.
 *
 * Transcript lines (one event each; texts quoted with C escapes):
 *   window open <t>,<l>-<b>,<r> ["title"]     window name <name> ["title"]
 *   window position <name> <t>,<l>-<b>,<r>   (moved to its stored place)
 *   window close <name>                       text <window> <row>,<col> "text"
 *   run begin <name> [nested]                 run end <name> <key>
 *   field <n> enter "text"                    field <n> type "text"
 *   field <n> exit "text" -> <answer>         record done
 *   field <n> refused ["text"]: <reason>      (a character or the leaving
 *                                             refused by the picture; a beep follows)
 *   key <key> -> <answer> | off | no action   key Esc    leave refused
 *   line enter <row> [new]                    line leave <row> -> <answer>
 *   grid changed    grid filled
 *   autofill <n> "code  description"         (a type-ahead drop list, one line
 *                                             a match; then the pick or none)
 *   autofill picked <n> | none                field <n> filled "text"
 *   message "text" [<buttons>] -> <button> [(Esc) | (default)]
 *   popup [<items>] at <row>,<col> -> <item> | none [(Esc) | (F10) | (Enter)]
 *   help <kind> <topic>                       help open "title" [(general)]
 *   help line "text"    help close            browse "folder" [<folders>]
 *   browse picked "folder"    browse left
 *   status open <name>                        status <name> line <n> "text"
 *   status close <name> after <n> updates     progress open <name> <total>
 *   progress <name> <count>/<total>           progress close <name>
 *     (one progress line per whole percent; without a total at 1, 2, 5, 10 ...)
 *   progress open <name> <total> "title"      progress title "title"
 *   beep    note "text"    script exhausted    run forced closed <name>
 * Answers read 0, leave, record done, stay, lookup set, stay focused, or
 * the number in hex. Keys are named as in scripts ('A' for a character).
 * Concealed fields appear as '*' in every line. */

#ifdef __cplusplus
} /* extern "C" */

/* Type-ahead source of a field (base class): the framework asks it for the
 * records whose code begins with the typed text. */
class FX_API AutoFill {
public:
    struct Item {
        const char* code;
        const char* description;
    };
    struct Columns {
        const char* title1;
        int width1;
        const char* title2;
        int width2;
    };
    virtual ~AutoFill();
    virtual bool DefineColumns(Columns& columns);
    virtual bool FindOpen(const char* text);
    virtual bool FindClose();
    virtual bool FindFirst(Item& item);
    virtual bool FindNext(Item& item);
};

/* The store of window positions (one per session, registered with
 * SetObject). The framework fills the store's position data for one window
 * and calls LoadOrSave(0) when a named window opens (FxWindowSetName, 1272)
 * and LoadOrSave(1) when it closes (FxWindowClose, 1273). Position data
 * (FX_WINPOS_DATA bytes): bytes 0-49 the window name (NUL-padded), byte 50
 * zero, bytes 51-66 the window's top, left, bottom and right (int32, little
 * endian), the rest zero. A load that answers true moves the window to the
 * stored corners when they have the window's size and lie on the screen.
 * Without a registered store nothing is kept. */
class FX_API CBrmWinPosition {
public:
    enum { FX_WINPOS_DATA = 327, FX_WINPOS_NAME = 50 };
    explicit CBrmWinPosition(uint8_t* positionData);
    virtual int LoadOrSave(int save) = 0; /* true on success */
    virtual ~CBrmWinPosition();
    static void SetObject(CBrmWinPosition* store); /* null unregisters */
    static CBrmWinPosition* GetObject();
    uint8_t* PositionData() const { return data_; }

private:
    uint8_t* data_;
};
#endif


/* ---- scrolling list views: the pick lists of the lookups and grids.
 * A view is a boxed window (corners as FxWindowCreate, clipped to the
 * screen) holding a heading line of column captions, as many rows as its
 * inside holds below the heading and the title lines, and a prompt line at
 * the bottom ("Search : text"). The caller gives the visible rows only; the
 * view marks the highlighted one, scrolls columns that do not fit with Left
 * and Right by itself, and gives every other input to the caller.
 * Script driver: on opening and after every change the transcript shows
 *   list open "title" <t>,<l>-<b>,<r> rows <n>
 *   list heading "captions"
 *   list row <n> [>] "cells"        (> marks the highlighted row)
 *   list search "text"              list columns from <n>
 *   list empty                      list note "text"
 * and input comes as key events, "type TEXT" (a search) and "pick N" (the
 * visible row N, from 1). Terminal: typing builds the search text. */
#ifdef __cplusplus
extern "C" {
#endif
typedef struct FxListView FxListView;
enum {
    FX_LIST_SEARCH = 0x100000, /* FxListViewInput: the search text changed (in text) */
    FX_LIST_PICK = 0x200000    /* FxListViewInput: | row (from 1): a visible row was picked */
};
FX_API FxListView* FxListViewOpen(int top, int left, int bottom, int right, const char* title); /* null when nothing of it lies on the screen */
FX_API int FxListViewSetColumns(FxListView* view, int count, const char* const* captions, const int* widths,
                                const int* rightAligned); /* column captions and widths (rightAligned may be null); 0 */
FX_API int FxListViewSetLine(FxListView* view, int line, const char* text); /* title lines under the title: 1 second, 2 third (null or "": none); 0 */
FX_API int FxListViewSetPrompt(FxListView* view, const char* prompt); /* "Search :" (null: no prompt line); 0 */
FX_API int FxListViewRows(FxListView* view);               /* the rows the view shows at a time (at least 1) */
FX_API int FxListViewSetRows(FxListView* view, int count, const char* const* cells, int highlight); /* count rows of cells (columns each, row by row); highlight from 0 (-1 none); 0 */
FX_API int FxListViewSetSearch(FxListView* view, const char* text); /* the search text shown after the prompt; 0 */
FX_API int FxListViewShow(FxListView* view);               /* draws the view; the script driver writes what changed; 0 */
FX_API int FxListViewInput(FxListView* view, char* text, int size); /* next input: a key code, FX_LIST_SEARCH (text holds the search text) or FX_LIST_PICK | n; Esc when the script ran out */
FX_API int FxListViewNote(FxListView* view, const char* text); /* a line "list note" in the transcript; 0 */
FX_API void FxListViewClose(FxListView* view);             /* closes and frees the view */
/* Key binding of a key bar or form: 1 bound (handler into *handler, null
 * for a key bound to no action), 0 not bound, -1 bound but switched off. */
FX_API int FxKeyBinding(void* keys, int key, FxHandler* handler);
/* A key bar that goes away while screens run (a list's keys on the stack,
 * never loaded as a form): its bindings are dropped and no running screen
 * consults it any more. A loaded form is left alone (its bindings go when
 * its screen ends). */
FX_API void FxKeyBarForget(void* keys);
/* Sets the text that FxListWalk mode 7 searches for (the list keeps the
 * pointer; null: none). */
FX_API void FxListSetSearch(FxList* list, const char* text, int length);
/* Type-ahead drop list of a field (FxLookupField's page of matches): the
 * codes and descriptions of up to count items shown under the field; the
 * chosen item from 1, 0 when none. */
FX_API int FxAutoFillChoose(int row, int column, int count, const char* const* codes, const char* const* descriptions);

/* ---- card readers: a reader types the stripe as a keyboard does */
/* As FxGetKey (348); in the script driver a "type TEXT" event is read too,
 * its characters given one key a call (a stripe typed by the reader). */
FX_API int FxGetKeyOrTyped(int wait);
#ifdef __cplusplus
}
#endif

#endif
