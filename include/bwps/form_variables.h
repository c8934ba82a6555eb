/* bwps/form_variables.h: the dictionary of form variables and the tags of
 * printed forms.
 *
 * A printed form is a plain text layout in which a variable is written as a
 * tag in braces ("{NEW_PG}", "{CUST_NAME}"). The dictionary BPOSVAR.DB
 * (file 98, TagColumnVar) names the variables; a load copies the records of
 * the groups a printer needs into one in-memory table of at most
 * FORM_VARS_CAPACITY entries, sorted by name, and the calls below find
 * tags in a line, look their names up, format the values to the tag's width
 * and act on the control variables.
 *
 * Every text call takes NUL-terminated texts; a tag name holds at most 18
 * characters (a longer one names no variable). */
#ifndef BWPS_FORM_VARIABLES_H
#define BWPS_FORM_VARIABLES_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/form_variables.h"
#include "fx.h"

#ifdef __cplusplus
extern "C" {
#endif

struct TagRepInfo;
struct TextReportState;

enum {
    FORM_VARS_CAPACITY = 170,
    FORM_VAR_NAME_CHARS = 18,
    FORM_VARS_END = -1,          /* ends the group list of LoadFormVars */
    FORM_TAG_UNCLOSED = -1,      /* status of a tag without '}' */
    FORM_TAG_UNKNOWN = -2,       /* status of a tag naming no variable */
    FORM_TAG_ERROR_LIST = 191,   /* the four texts of a tag error */
    FORM_VARS_FULL_MESSAGE = 3900
};

/* Groups of variables (TagColumnVar.Category). */
enum {
    FORM_GROUP_NONE = 0,
    FORM_GROUP_CTRL = 1,
    FORM_GROUP_COMP_ID = 2,
    FORM_GROUP_PROD = 3,
    FORM_GROUP_CUST = 4,
    FORM_GROUP_INV_HEAD = 5,
    FORM_GROUP_INV_DETAIL = 6,
    FORM_GROUP_INV_ADDR = 7,
    FORM_GROUP_INV_FOOT = 8
};

/* Control codes: TagColumnVar.Number of a CTRL variable. */
enum {
    FORM_CTRL_DATE = 1,
    FORM_CTRL_TIME = 2,
    FORM_CTRL_PAGE = 3,
    FORM_CTRL_PAGE_END = 4,
    FORM_CTRL_NORMAL = 5,
    FORM_CTRL_CONDENSED = 6,
    FORM_CTRL_LINE_FEED = 20,
    FORM_CTRL_ESCAPE = 21,
    FORM_CTRL_FIRST_CUT = 22,
    FORM_CTRL_SECOND_CUT = 23
};

/* Flags of FormScanLayout (six bytes; 0 and 1 are the caller's). */
enum {
    FORM_SCAN_ADDRESS3 = 2,
    FORM_SCAN_COUNTRY = 3,
    FORM_SCAN_CONTACT = 4,
    FORM_SCAN_ENDS_WITH_PAGE = 5
};

/* 204: allocates the table once; 1 when it exists. */
BWPS_EXPORT int FormVarsAlloc(void);
/* 205: frees the table (the count becomes 0); 0. */
BWPS_EXPORT int FormVarsFree(void);
/* 206: opens BPOSVAR.DB (the data-files folder's, else the catalogue's);
 * the record-manager status, reported on file 98 with the open. */
BWPS_EXPORT int OpenFormVarsFile(uint16_t* handle);
/* 207: loads the groups listed (ended by FORM_VARS_END) into the table,
 * sorted by name; the page-end control variable only with pageEnd set.
 * -1 without a table; else the first failing status, 0. Stops at
 * FORM_VARS_CAPACITY entries and says so (message 3900). */
BWPS_EXPORT int LoadFormVars(int pageEnd, int group, ...);
/* 208: appends one group at firstFree; *count is the number of entries in
 * the table before and after. The status. */
BWPS_EXPORT int LoadFormVarsGroup(uint16_t handle, int pageEnd, int group, int* count, TagColumnVar* firstFree);
/* 209: the entry of a name (cut at its first blank-padding); 1 found. */
BWPS_EXPORT int FormVarsFind(const char* name, TagColumnVar* entry);
/* 210: " Name = %s\n" for each entry to the standard output; 1. */
BWPS_EXPORT int FormVarsDump(void);
/* 211: the next tag at or after *position in text. True when it names a
 * variable (entry filled, *position behind the tag, the tag blanked when
 * blank is set); else *status 0 (no tag), -1 (unclosed) or -2 (unknown),
 * *position unchanged. */
BWPS_EXPORT int FormFindNextVariable(int blank, int* position, int* tagStart, int* tagLength, int* status,
                                     char* text, TagColumnVar* entry);
/* 212: the name of the tag whose '{' is at tagStart (blanks, points and
 * characters outside '!'..'z' dropped; name holds 19 bytes, cut at 18);
 * *tagLength from '{' to '}'. True when the tag is closed. */
BWPS_EXPORT int FormParseTagName(int tagStart, int* tagLength, char* name, const char* text);
/* 213: output gets blanks where text is outside braces; the tags' places
 * are left as they are; the terminator is copied. 0. */
BWPS_EXPORT int FormKeepTagsOnly(char* output, const char* text);
/* 214: cuts the value to width (when below the entry's) and aligns it by
 * the entry ('C', 'L', 'R'). value holds at least width + 1 bytes. 1. */
BWPS_EXPORT int FormFormatVariable(char* value, int width, const TagColumnVar* entry);
/* 215: the zero style of the entry ('W' blanks a zero value, 'F' drops a
 * fraction of zeros); 1 when the value changed. */
BWPS_EXPORT int FormTrimNumericValue(char* value, int unused, const TagColumnVar* entry);
/* 216: shows a tag error (status -1 or -2) with the texts of string list
 * 191 and the caller's buttons; 0. */
BWPS_EXPORT int FormShowTagError(const char* buttons, int status, int line, int column, const char* name);
/* 217: as FormScanLayout with the page-break and address-line-3 answers. */
BWPS_EXPORT int FormScanLayoutTags(int* lineCount, int* endsWithPageBreak, int* hasAddress3, FxTextReader* layout);
/* 218: the entry's field of the source record, formatted by its picture
 * and type, then to width (214). value holds at least 256 bytes. 1. */
BWPS_EXPORT int FormFormatFieldValue(char* value, int width, const void* record, const TagColumnVar* entry);
/* 219: a CTRL variable on a report of the writer; true when text was made. */
BWPS_EXPORT int ReportControlVariable(char* text, int page, const TagColumnVar* entry, struct TagRepInfo* report);
/* 220: the position of "{" + tag text in line from *position (0 when null
 * or -1); *position -1 when not found. */
BWPS_EXPORT int FormFindTag(const char* tag, const char* line, int* position);
/* 221: blanks from position through the next '}'; 0 for an empty line or
 * a negative position, else 1. */
BWPS_EXPORT int FormBlankTag(int position, char* line);
/* 222: counts the lines of the layout and notes its tags (flags above);
 * the line count. */
BWPS_EXPORT int FormScanLayout(int* lineCount, uint8_t* flags, FxTextReader* layout);
/* 778: as 219 for a text report. */
BWPS_EXPORT int TextReportControlVariable(char* text, int page, const TagColumnVar* entry,
                                          struct TextReportState* state);
/* 781, 782: the loaded entries. */
BWPS_EXPORT int FormVarsCount(void);
BWPS_EXPORT TagColumnVar* FormVarsTable(void);
/* 783: writes the dictionary as a source table; the status (-1 a short
 * write). */
BWPS_EXPORT int FormVarsWriteSource(const char* path);

#ifdef __cplusplus
}
#endif

#endif
