/* bwps/records/form_variables.h: the form variables BPOSVAR.DB (file 98).
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_FORM_VARIABLES_H
#define BWPS_RECORDS_FORM_VARIABLES_H

#include <stddef.h>
#include <stdint.h>

enum {
    FORM_VARIABLE_RECORD_SIZE = 98,
    FORM_VARIABLE_DATE_TEXT_SIZE = 16
};

#pragma pack(push, 1)
/* One variable of the printed forms. Key 2: category, then number. */
typedef struct TagColumnVar {
    char Name[19];            /* 0 */
    int16_t Category;         /* 19 */
    int16_t Number;           /* 21 */
    char Justify;             /* 23: 'N' (or blank, NUL), 'L', 'C', 'R' */
    char Fill;                /* 24: 'N' (or blank, NUL), 'W', 'F' */
    int16_t SourceFile;       /* 25 */
    int16_t Width;            /* 27 */
    int16_t SourceOffset;     /* 29 */
    int16_t Value31;          /* 31 */
    int16_t DateFormat;       /* 33: 1-9, 0 not yet set */
    int16_t Type;             /* 35: 3 and 12 dates */
    int16_t WidthFollows;     /* 37: non-zero: the width follows the description */
    char Picture[19];         /* 39 */
    char Description[40];     /* 58 */
} TagColumnVar;

/* A variable as the variables lookup holds it: the record and the sample
 * text of its date format (never stored). */
typedef struct TagColumnVarRow {
    TagColumnVar Record;      /* 0 */
    char DateText[16];        /* 98 */
} TagColumnVarRow;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagColumnVar) == FORM_VARIABLE_RECORD_SIZE, "form variable");
static_assert(offsetof(TagColumnVar, Justify) == 23, "justification");
static_assert(offsetof(TagColumnVar, Width) == 27, "width");
static_assert(offsetof(TagColumnVar, DateFormat) == 33, "date format");
static_assert(offsetof(TagColumnVar, Type) == 35, "type");
static_assert(offsetof(TagColumnVar, Description) == 58, "description");
static_assert(sizeof(TagColumnVarRow) == 114, "lookup row of a form variable");
static_assert(offsetof(TagColumnVarRow, DateText) == 98, "date text");
#endif

#endif
