/* bwps/records/labels.h: the label styles of "0LabelDefaults " (general
 * settings file, file 31). Packed and little-endian; the offsets are the
 * stored ones.
 */
#ifndef BWPS_RECORDS_LABELS_H
#define BWPS_RECORDS_LABELS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)
/* One label style (29 bytes). */
typedef struct TagLabelStyle {
    uint8_t printMode;        /* 0: 0 normal, 1 condensed */
    int16_t column;           /* 1: current label column (run time) */
    int16_t row;              /* 3: current label row (run time) */
    int16_t stock;            /* 5: label stock 0-6 */
    int16_t across;           /* 7 */
    int16_t rowsPerPage;      /* 9 */
    int16_t topLines;         /* 11: lines at the top of a new page, plus one */
    int16_t linesPerLabel;    /* 13 */
    int16_t betweenRows;      /* 15 */
    int16_t normalFirst;      /* 17 */
    int16_t normalWidth;      /* 19 */
    int16_t normalGap;        /* 21 */
    int16_t condensedFirst;   /* 23 */
    int16_t condensedWidth;   /* 25 */
    int16_t condensedGap;     /* 27 */
} TagLabelStyle;

/* "0LabelDefaults " of the general settings file (161 bytes). */
typedef struct TagLabelDefaults {
    char key[16];             /* 0 */
    TagLabelStyle styles[5];  /* 16, 45, 74, 103, 132 */
} TagLabelDefaults;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagLabelStyle) == 29 && offsetof(TagLabelStyle, stock) == 5 &&
                  offsetof(TagLabelStyle, across) == 7 && offsetof(TagLabelStyle, linesPerLabel) == 13 &&
                  offsetof(TagLabelStyle, normalWidth) == 19 && offsetof(TagLabelStyle, condensedWidth) == 25,
              "label style");
static_assert(sizeof(TagLabelDefaults) == 161 && offsetof(TagLabelDefaults, styles) == 16, "label defaults");
#endif

#endif
