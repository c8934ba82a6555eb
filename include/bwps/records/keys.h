/* bwps/records/keys.h: the record manager's create format and the key-definition
 * records of BPOSKEY.DB (file 88).
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_KEYS_H
#define BWPS_RECORDS_KEYS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* ---- Record-manager create format ---- */

/* 16-byte file specification of BtrCreateFile. */
typedef struct TagFileSpec {
    uint16_t RecordLength;      /* 0 */
    uint16_t PageSize;          /* 2 */
    uint8_t KeyCount;           /* 4: data-file creation writes the segment count */
    uint8_t Reserved5;          /* 5 */
    uint32_t RecordCount;       /* 6: filled by BtrStat; ignored by BtrCreateFile */
    uint16_t Flags;             /* 10: bit 0x0001 variable-length records */
    uint8_t Reserved2[4];       /* 12 */
} TagFileSpec;

/* 16-byte key segment specification. */
typedef struct TagKeySegment {
    uint16_t Position;          /* 0: 1-based */
    uint16_t Length;            /* 2 */
    uint16_t Flags;             /* 4: KF_... of recman.h */
    uint8_t Reserved1[4];       /* 6 */
    uint8_t Type;               /* 10: KT_... of recman.h */
    uint8_t NullValue;          /* 11 */
    uint8_t Reserved2[4];       /* 12 */
} TagKeySegment;

/* Key-definition record of BPOSKEY.DB (file 88), one per segment. Key 0:
 * the name, 15 bytes, case-insensitive, duplicates in insertion order. */
typedef struct TagKeyDefinition {
    char FileName[16];          /* 0: accounting form, blank padded */
    int16_t Unused;             /* 16: zero */
    int16_t SegmentNumber;      /* 18: counted from 0 over all keys of the file */
    TagKeySegment Segment;      /* 20 */
} TagKeyDefinition;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagFileSpec) == 16, "file specification");
static_assert(offsetof(TagFileSpec, KeyCount) == 4, "key count");
static_assert(offsetof(TagFileSpec, RecordCount) == 6, "record count");
static_assert(offsetof(TagFileSpec, Flags) == 10, "file flags");
static_assert(sizeof(TagKeySegment) == 16, "key segment");
static_assert(offsetof(TagKeySegment, Flags) == 4, "segment flags");
static_assert(offsetof(TagKeySegment, Type) == 10, "segment type");
static_assert(sizeof(TagKeyDefinition) == 36, "key definition");
static_assert(offsetof(TagKeyDefinition, SegmentNumber) == 18, "segment number");
static_assert(offsetof(TagKeyDefinition, Segment) == 20, "segment");
#endif

#endif
