/* bwps/custom_forms.h: custom formats, labels and the form tools.
 *
 * A station prints its documents with custom formats: a layout text NAME.TXT
 * of the data-files folder, compiled by the layout tool `mkfmtdf` into
 * NAME.LZR, and format files NAME.FMT in the base folder. The form tools are
 * programs of the program folder (`fmtp`, `mkfmtdf`); they are started with
 * an argument list, never through a shell.
 *
 * Labels print through the report writer on label stock of a known
 * geometry; their styles are kept in the "0LabelDefaults " record of the
 * general settings file. */
#ifndef BWPS_CUSTOM_FORMS_H
#define BWPS_CUSTOM_FORMS_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/labels.h"
#include "bwps/report_services.h"
#include "fx.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    FORM_TOOL_MISSING_MESSAGE = 899,
    FORM_TOOL_FAILED_MESSAGE = 3901,
    FORM_FILE_MISSING_MESSAGE = 1,
    FORM_FILE_UNREADABLE_MESSAGE = 631,
    FORM_LINE_CHARS = 512,     /* the token printer's line */
    FORM_TOKEN_CHARS = 255,    /* a token's copy */
    FORM_FIELD_FILLER = 184,   /* the marked places of a tag */
    FORM_HARD_BLANK = 183      /* a blank inside a word */
};

#define FORM_COMPILER_PROGRAM "fmtp"
#define FORM_LAYOUT_PROGRAM "mkfmtdf"

/* ---- the form tools */

/* Starts the form compiler on a format (its name up to the first '.'; null
 * or empty: an empty argument) for the report's printer; not waited for, and
 * no zombie is left. 1 started; 0 missing (message 899) or not started. */
BWPS_EXPORT int RunFormCompiler(TagRepInfo* report, int mode, const char* formatName);
BWPS_EXPORT int RunFormCompilerMode0(TagRepInfo* report, const char* formatName);
BWPS_EXPORT int RunFormCompilerMode2(TagRepInfo* report, const char* formatName);
BWPS_EXPORT int FormCompilerReady(void);
/* Runs the layout tool on source into target for the printer and waits
 * for it: 1 when it ran and exited with 0; 0 missing (message 899), not
 * started, or failed (message 3901). */
BWPS_EXPORT int RunLayoutDefinitionTool(const char* source, const char* target, const char* printer);
/* Compiles the format file's text (NAME.TXT of the data-files folder) into
 * a temporary layout kept for the process and gives it to the report
 * engine. Non-zero when the layout was made. */
BWPS_EXPORT int PrepareFormPrintFiles(TagRepInfo* report, const char* formatFile);
/* Deletes the kept temporary layout; 0. */
BWPS_EXPORT int RemoveFormTempFile(void);

/* ---- custom formats */

/* Prints the format file (base folder) as a picture of its layout; a mode
 * other than 0 compiles it for the engine first. */
BWPS_EXPORT void PrintCustomFormat(int mode, const char* formatFile);
/* Lays one line out as positioned column entries: 1 printed, 0 empty or
 * blank. */
BWPS_EXPORT int PrintWrappedText(TagRepInfo* report, const char* line);
/* Marks every character of the {...} tags of line with filler. */
BWPS_EXPORT void FormMarkTags(char* line, int filler);

/* ---- labels */

#pragma pack(push, 1)
/* An entry of the label stock list (9 bytes). */
typedef struct TagLabelStock {
    char hotKey;              /* 0 */
    uint32_t name;            /* 1: index + 1 into the built-in names (0 none) */
    uint32_t number;          /* 5 */
} TagLabelStock;

/* A label job for PrintLabelAlign. */
typedef struct TagLabelJob {
    const char* formatPath;
    const char* title;
    TagLabelStyle style;
} TagLabelJob;
#pragma pack(pop)

/* The name of a stock list entry ("" none). */
BWPS_EXPORT const char* LabelStockName(const TagLabelStock* entry);

BWPS_EXPORT int ReadLabelDefaults(uint16_t generalFile, TagLabelDefaults* record);
BWPS_EXPORT int WriteLabelDefaults(uint16_t generalFile, char choice, uint8_t* printMode, TagLabelDefaults* record);
BWPS_EXPORT int LoadLabelPrinterCodes(uint16_t generalFile, TagLabelDefaults* record);
BWPS_EXPORT int TranslatePrinterCodes(TagLabelStyle* style, FxTextReader* reader);
BWPS_EXPORT int LoadLabelStockList(TagLabelStock* list, int count);
BWPS_EXPORT int LabelAdvancePage(TagRepInfo* report, TagLabelStyle* style);
BWPS_EXPORT int LabelSetPaperSize(TagRepInfo* report, int engineArgument, TagLabelStyle* style);
BWPS_EXPORT int PrintLabelAlign(const TagLabelJob* job, const void* printerSetup);
/* The printer test screen "RSTestPrinter": true when it was left with Esc. */
BWPS_EXPORT int TestPrinter(TagRepInfo* report);

/* ---- the screens */

/* The format names screen: the key that ended it; 32 without right 38. */
BWPS_EXPORT int EditFormatNames(int row, int column, int printerKind, void* formatNames);
/* The label layout screen over one style of the record; 0. */
BWPS_EXPORT int EditLabelLayout(uint16_t generalFile, int styleIndex, TagLabelDefaults* record, int fontFlag);

#ifdef __cplusplus
}
static_assert(sizeof(TagLabelStock) == 9, "label stock");
#endif

#endif
