/* bwps/records/sales.h: the sales documents BPOSINHD.DB (file 36, and the
 * quotes BPOSQTEH.DB, file 42), their lines BPOSINDT.DB (file 37) and the
 * registers BPOSREGS.DB (file 32): the fields this build reads.
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_SALES_H
#define BWPS_RECORDS_SALES_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* A sales header (586 bytes). */
typedef struct SalesHeaderRecord {
    char Number[11];                /* 0: the document number, key 0 */
    char DocumentType;              /* 11 */
    int16_t RegisterNumber;         /* 12 */
    uint8_t reserved14[461];        /* 14 */
    uint16_t Flags;                 /* 475: SALES_LINES_IN_DATA_FILE */
    uint8_t reserved477[4];         /* 477 */
    int32_t FirstLineOffset;        /* 481: first line in the register file; negative: none */
    uint8_t reserved485[101];       /* 485 */
} SalesHeaderRecord;

enum { SALES_LINES_IN_DATA_FILE = 0x0002 };

/* A sales line (182 bytes), also the record of a register detail file. */
typedef struct SalesLineRecord {
    char Number[11];                /* 0: the document number */
    uint8_t reserved11[171];        /* 11 */
} SalesLineRecord;

/* A register of BPOSREGS.DB (777 bytes). */
typedef struct RegisterRecord {
    char Name[11];                  /* 0: "REG" and the number, upper case, blank padded; key 0 */
    uint8_t reserved11[766];        /* 11 */
} RegisterRecord;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(SalesHeaderRecord) == 586, "sales header");
static_assert(offsetof(SalesHeaderRecord, RegisterNumber) == 12, "sales header register");
static_assert(offsetof(SalesHeaderRecord, Flags) == 475, "sales header flags");
static_assert(offsetof(SalesHeaderRecord, FirstLineOffset) == 481, "sales header line offset");
static_assert(sizeof(SalesLineRecord) == 182, "sales line");
static_assert(sizeof(RegisterRecord) == 777, "register");
#endif

#endif
