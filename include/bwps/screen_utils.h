/* bwps/screen_utils.h: the standard screen frame (key menu and global
 * keys), colour sets, choice and range fields, address compaction, help
 * calls, position saving (CBtrPos), the on/off flag (CFXBool) and small
 * checks of typed values. */
#ifndef BWPS_SCREEN_UTILS_H
#define BWPS_SCREEN_UTILS_H

#include <stdint.h>

#include "bwps/export.h"
#include "fx.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    COLOR_SET_SIZE = 5,
    COLOR_TABLE_SETS = 10,
    ADDRESS_LINE_SIZE = 41,
    ADDRESS_EXTRA_OFFSET = 325,
    ADDRESS_EXTRA_SIZE = 15
};

/* ---- Standard screen frame ---- */
/* Fills the form's key menu (standard items, option items of the bits,
 * items of the text list `listId` when above 0; a negative id keeps the
 * rows there) and binds the global keys. 0; 1 when the list cannot be
 * loaded. */
BWPS_EXPORT int SetupStandardScreen(FxForm* form, int options, int listId);

/* ---- Colour sets ---- */
BWPS_EXPORT int BuildColorSetTable(uint8_t* table50, int monochrome);
BWPS_EXPORT int BuildPlainColorSetTable(uint8_t* table50);                  /* 750 */
/* The library's own table (built on first use). */
BWPS_EXPORT const uint8_t* LibraryColorSets(void);
/* Copies set n of the library's table into the 5 bytes; 0. */
BWPS_EXPORT int SetColorSet(void* definition, int set);

/* ---- Choice and range fields ---- */
BWPS_EXPORT int SetFieldYesNo(FxForm* form, int field, int character);       /* 388 */
BWPS_EXPORT int GetFieldYesNo(FxForm* form, int field);                      /* 389 */
BWPS_EXPORT int SetFieldChoiceByChar(FxForm* form, int field, int character, ...); /* 390 */
BWPS_EXPORT int GetFieldChoiceChar(FxForm* form, int field, ...);            /* 391 */
BWPS_EXPORT int PutYesNoChoice(FxForm* form, int field, int character);
BWPS_EXPORT int ReadYesNoChoice(FxForm* form, int field);
BWPS_EXPORT int SelectChoiceByValue(FxForm* form, int field, int character, ...);
BWPS_EXPORT int GetSelectedChoiceValue(FxForm* form, int field, ...);
BWPS_EXPORT int SetRangeField(FxForm* form, const char* text, int field);    /* 385 */
BWPS_EXPORT int SetRangeFieldFirst(FxForm* form);                            /* 834 */
BWPS_EXPORT int SetRangeFieldLast(FxForm* form);                             /* 835 */
BWPS_EXPORT int SetupRangeFields(FxForm* form);                              /* 382 */

/* Choice source list: 9-byte entries (character, caption pointer, value),
 * ended by an entry whose caption is null or whose character is 0. */
#pragma pack(push, 1)
typedef struct ChoiceSource {
    char Character;
    const char* Caption;
    int16_t Value;
} ChoiceSource;
#pragma pack(pop)
BWPS_EXPORT int BuildChoiceText(const ChoiceSource* list, char** text);      /* 831 */
BWPS_EXPORT int GetChoiceSourceValue(FxForm* form, const ChoiceSource* list, int field); /* 829 */
BWPS_EXPORT int BuildChoiceList(const ChoiceSource* list, char* out);        /* 828 */

/* ---- Column values as text ---- */
/* How a column of a record is shown. Type is the value type of the
 * dictionary's column kind (1 char, 2 text, 3 date, 4 byte, 5 int16,
 * 6 uint16, 7 int32, 8 uint32, 9 float, 10 double, 11 amount, 12 time);
 * Kind says how it is shown (COLUMN_SHOW_*). */
typedef struct TagColumnFormat {
    int32_t Type;
    int32_t Kind;
    int32_t Offset;             /* in the record */
    int32_t SegmentStart;       /* a segmented code: where its sub-column begins, from 1 (0 none) */
    int32_t SegmentLength;
    char Picture[20];
} TagColumnFormat;

enum {
    COLUMN_SHOW_PLAIN = 0,
    COLUMN_SHOW_CODE = 4,           /* a segmented code (FormatCodeColumn) */
    COLUMN_SHOW_ZIP = 11,           /* blank when only the mask is left */
    COLUMN_SHOW_PHONE = 12,         /* 12 to 14: telephones, blank when only the mask is left */
    COLUMN_SHOW_PHONE_LAST = 14,
    COLUMN_SHOW_FLAG = 15,          /* 15, 16: the one character between blanks (short set) */
    COLUMN_SHOW_FLAG_LAST = 16,
    COLUMN_SHOW_AT_270 = 17,        /* 17, 18: the values at record offsets 270 and 272 (short set) */
    COLUMN_SHOW_AT_272 = 18,
    COLUMN_SHOW_PAIR = 21,          /* 21 to 27: a pair of 32-bit values of the second record */
    COLUMN_SHOW_PAIR_LAST = 27,
    COLUMN_SHOW_DATE_21 = 28,       /* 28, 29, 30: a date column taken from the second */
    COLUMN_SHOW_DATE_25 = 29,       /*   record at offsets 21, 25 and 17 */
    COLUMN_SHOW_DATE_17 = 30,
    COLUMN_SEGMENT_OUTSIDE = -1     /* FormatCodeColumn: the sub-column lies outside the code */
};

/* One column of a record as text, at most `width` characters (out holds
 * width + 1). Dates read as "Jan 05, 2025"; an invalid date or a value
 * that is not a number gives an empty text. 1. */
BWPS_EXPORT int FormatColumnValue(char* out, int width, const void* record, const void* second,
                                  const TagColumnFormat* column);                /* 235 */
/* A segmented code: the leading part, the sub-column and the rest joined
 * by '-'. 0; COLUMN_SEGMENT_OUTSIDE (shown, the code copied) when the
 * sub-column does not lie inside the code. */
BWPS_EXPORT int FormatCodeColumn(char* out, int width, const void* record,
                                 const TagColumnFormat* column);                 /* 236 */
/* As FormatColumnValue for the short column set (no second record). 1. */
BWPS_EXPORT int FormatColumnValueShort(char* out, int width, const void* record,
                                       const TagColumnFormat* column);           /* 289 */

/* ---- Addresses, dates, amounts, folders ---- */
BWPS_EXPORT int CompactAddressLines(void* block, int keepSecond);           /* 394 */
BWPS_EXPORT int CompactAddressLinesAll(void* block);                        /* 387 */
BWPS_EXPORT const char* MonthAbbreviation(int32_t date);                    /* 386 */
BWPS_EXPORT double AmountDifference(double a, double b);                    /* 381 */
BWPS_EXPORT int CheckDiskSpace(double bytes);                               /* 373 */
BWPS_EXPORT int AskChoiceMessage(FxForm* form);                             /* 287 */
BWPS_EXPORT int HelpIndex(void);
/* The help topic of a screen by its name; a screen without a topic of its
 * own is shown its keys (from keys, a form or key bar; may be null). 0. */
BWPS_EXPORT int ShowScreenHelp(const char* screen, void* keys);
/* 0 when the value (not 0) is among the candidates (ended by a negative
 * value), else the value. */
BWPS_EXPORT int FindInShortList(int value, ...);
/* Runs a get (write flag 0) or write; true when the status is 0 or one of
 * the accepted ones (ended by -1), else reports it and gives false. */
BWPS_EXPORT int CheckedRecordCall(int write, int operation, uint16_t handle, void* key,
                                  void* record, int length, int kind, int* status,
                                  int fileNumber, ...);
BWPS_EXPORT int SetScreenFieldAttr(FxForm* form, int field, int attribute, int flag);
BWPS_EXPORT int SetScreenFieldEnabled(FxForm* form, int field, int on, int useCurrent);
/* Status-window quiet flag: while set, the status windows of long jobs are
 * not shown. */
BWPS_EXPORT void SetStatusWindowQuiet(int quiet);
BWPS_EXPORT int GetStatusWindowQuiet(void);

#ifdef __cplusplus
}

/* Saves and restores a file's position and key around a nested read. */
class BWPS_EXPORT CBtrPos {
public:
    CBtrPos();
    explicit CBtrPos(uint16_t handle);
    void Init();
    bool Save();
    bool Save(int);
    bool Restore();

private:
    uint32_t m_position;
    int16_t m_saveStatus;
    int32_t m_key;
    int32_t m_second;
    uint16_t m_handle;
};

/* The Yes/No value of a screen field. */
class BWPS_EXPORT CFXBool {
public:
    CFXBool() : m_value(0) {}
    uint8_t m_value;
};
#endif

#endif
