/* bwps/records/dictionary.h: the column dictionary WBWPOCOL.DB (file 89,
 * dictionary folder), a column unpacked from it, the exported column
 * definition and the field descriptor of the naming services. */
#ifndef BWPS_RECORDS_DICTIONARY_H
#define BWPS_RECORDS_DICTIONARY_H

#include <stddef.h>
#include <stdint.h>

enum {
    DICTIONARY_RECORD_SIZE = 130,
    DICTIONARY_TABLE_SIZE = 12,
    DICTIONARY_COLUMN_NAME_SIZE = 16,
    DICTIONARY_NO_DECIMALS = 0xFFFF,
    DICTIONARY_FLAG_DESCENDING = 2
};

/* Column kinds (from the record's type code). */
enum {
    COLUMN_CHAR = 1,
    COLUMN_TEXT = 2,
    COLUMN_DATE = 3,
    COLUMN_BYTE = 4,
    COLUMN_INT16 = 5,
    COLUMN_UINT16 = 6,
    COLUMN_INT32 = 7,
    COLUMN_UINT32 = 8,
    COLUMN_FLOAT = 9,
    COLUMN_DOUBLE = 10,
    COLUMN_AMOUNT = 11,
    COLUMN_TIME = 12,
    COLUMN_OTHER = 13
};

#pragma pack(push, 1)
/* One column of one table. Key 0: table + number; key 1: table + name. */
typedef struct TagDictionaryRecord {
    char TableName[12];         /* 0: blank padded */
    char ColumnName[16];        /* 12: blank padded */
    int16_t Number;             /* 28: from 1 */
    int16_t Type;               /* 30: type code */
    int16_t Length;             /* 32: bytes of the column in the record */
    uint8_t Unused34[2];        /* 34 */
    int16_t Offset;             /* 36: from 0 */
    uint8_t Zero;               /* 38: 0 (key 4) */
    uint8_t Flags;              /* 39: 2 descending */
    char Description[32];       /* 40 */
    char Picture[16];           /* 72 */
    uint16_t Decimals;          /* 88: decimals column of an amount, 0xFFFF none */
    char Caption[40];           /* 90 */
} TagDictionaryRecord;

/* ColumnDefinition: the exported descriptor (103 bytes). */
typedef struct TagColumnDefinition {
    char Caption[40];           /* 0 */
    char Picture[19];           /* 40 */
    int32_t Kind;               /* 59 */
    int32_t Offset;             /* 63 */
    int32_t Decimals;           /* 67: value of record offset 88 */
    char TableName[12];         /* 71 */
    char ColumnName[20];        /* 83 */
} TagColumnDefinition;

/* Field descriptor of DictColumnToFieldSpec. */
typedef struct TagDictFieldSpec {
    char FileName[16];          /* 0 */
    int16_t Value1;             /* 16: column number */
    int16_t Value2;             /* 18: offset */
    int16_t Value3;             /* 20: decimals column */
    int16_t FieldType;          /* 22 */
    int16_t Value4;             /* 24: flags */
    char Caption[40];           /* 26 */
    char Name[19];              /* 66 */
} TagDictFieldSpec;

/* The second record that a row of column values may be shown with: the
 * dates and the value pairs that some columns take from it. */
typedef struct TagColumnSecondRecord {
    uint8_t Data0[17];          /* 0 */
    int32_t Date17;             /* 17 */
    int32_t Date21;             /* 21 */
    int32_t Date25;             /* 25 */
    int32_t Pairs[7][2];        /* 29: one pair for each of the kinds 21 to 27 */
} TagColumnSecondRecord;
#pragma pack(pop)

/* One column unpacked (in memory only). */
typedef struct TagColumnInfo {
    char Name[17];
    int16_t Number;
    int16_t Offset;
    uint16_t Decimals;
    int16_t Kind;
    int16_t Flags;
    int16_t Type;               /* the record's type code */
    int16_t Length;
    char Caption[41];
    char Picture[19];
} TagColumnInfo;

#ifdef __cplusplus
static_assert(sizeof(TagDictionaryRecord) == 130, "dictionary record");
static_assert(offsetof(TagDictionaryRecord, Number) == 28, "column number");
static_assert(offsetof(TagDictionaryRecord, Type) == 30, "type code");
static_assert(offsetof(TagDictionaryRecord, Offset) == 36, "column offset");
static_assert(offsetof(TagDictionaryRecord, Flags) == 39, "column flags");
static_assert(offsetof(TagDictionaryRecord, Description) == 40, "description");
static_assert(offsetof(TagDictionaryRecord, Picture) == 72, "picture");
static_assert(offsetof(TagDictionaryRecord, Decimals) == 88, "decimals column");
static_assert(offsetof(TagDictionaryRecord, Caption) == 90, "caption");
static_assert(sizeof(TagColumnDefinition) == 103, "column definition");
static_assert(offsetof(TagColumnDefinition, Kind) == 59, "kind");
static_assert(offsetof(TagColumnDefinition, TableName) == 71, "table name");
static_assert(offsetof(TagColumnDefinition, ColumnName) == 83, "column name");
static_assert(sizeof(TagDictFieldSpec) == 85, "field descriptor");
#endif

#ifdef __cplusplus
static_assert(sizeof(TagColumnSecondRecord) == 85, "second record of a column row");
static_assert(offsetof(TagColumnSecondRecord, Date21) == 21, "date at 21");
static_assert(offsetof(TagColumnSecondRecord, Date25) == 25, "date at 25");
static_assert(offsetof(TagColumnSecondRecord, Pairs) == 29, "value pairs");
#endif

#endif
