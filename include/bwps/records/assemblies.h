/* bwps/records/assemblies.h: assembly headers (BPOSASTH.DB, file 6) and
 * their component lines (BPOSASTD.DB, file 5), as far as the assembly
 * posting reads them; the component list of an assembled product
 * (BPOSASSM.DB, file 4). */
#ifndef BWPS_RECORDS_ASSEMBLIES_H
#define BWPS_RECORDS_ASSEMBLIES_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)
/* 70 bytes. Key 0: the number. */
typedef struct TagAssemblyHeader {
    char Number[13];            /* 0: the key of its component lines */
    uint8_t Data13[13];         /* 13 */
    char Description[11];       /* 26: "DELETED" in a removed assembly's placeholder */
    int32_t Date;               /* 37 */
    int32_t Value41;            /* 41: copied into the activity records */
    uint8_t Data45[4];          /* 45 */
    char Posted;                /* 49: 'N', 'n' or 0 not posted */
    uint8_t Data50;             /* 50 */
    double QuantityBuilt;       /* 51 */
    double Cost;                /* 59 */
    uint8_t Data67[2];          /* 67 */
    char Kind;                  /* 69: 'A' builds the product, else takes it apart */
} TagAssemblyHeader;

/* 72 bytes. Key 0 begins with the assembly number. */
typedef struct TagAssemblyLine {
    char Number[13];            /* 0 */
    char ItemCode[15];          /* 13: a product (file 20) or a service (file 21) */
    char Flag;                  /* 28: 'N', 'n' or 0: no positive second quantity */
    char Kind;                  /* 29: 'A' the component goes into the assembly */
    uint8_t Data30[8];          /* 30 */
    double Quantity;            /* 38 */
    double SecondQuantity;      /* 46 */
    uint8_t Data54[8];          /* 54 */
    double Cost;                /* 62 */
    uint8_t Data70[2];          /* 70 */
} TagAssemblyLine;

/* 40 bytes. Key 0: assembly code and line number; key 1: component code. */
typedef struct TagAssemblyComponent {
    char Code[15];              /* 0: the assembled product */
    uint16_t Line;              /* 15: from 0, in list order */
    char ItemCode[15];          /* 17: a product or a service */
    double Quantity;            /* 32: per assembly */
} TagAssemblyComponent;
#pragma pack(pop)

/* The product code of an assembly header (15 bytes, key 1) begins inside
 * the number field, at byte 11. */
#define ASSEMBLY_HEADER_PRODUCT_OFFSET 11
#define ASSEMBLY_HEADER_PRODUCT_SIZE 15

#ifdef __cplusplus
static_assert(sizeof(TagAssemblyHeader) == 70, "assembly header");
static_assert(offsetof(TagAssemblyHeader, Description) == 26, "assembly description");
static_assert(offsetof(TagAssemblyHeader, Date) == 37, "assembly date");
static_assert(offsetof(TagAssemblyHeader, Posted) == 49, "assembly posted");
static_assert(offsetof(TagAssemblyHeader, QuantityBuilt) == 51, "assembly quantity");
static_assert(offsetof(TagAssemblyHeader, Cost) == 59, "assembly cost");
static_assert(offsetof(TagAssemblyHeader, Kind) == 69, "assembly kind");
static_assert(sizeof(TagAssemblyLine) == 72, "assembly line");
static_assert(offsetof(TagAssemblyLine, Flag) == 28, "line flag");
static_assert(offsetof(TagAssemblyLine, Quantity) == 38, "line quantity");
static_assert(offsetof(TagAssemblyLine, SecondQuantity) == 46, "line second quantity");
static_assert(offsetof(TagAssemblyLine, Cost) == 62, "line cost");
static_assert(sizeof(TagAssemblyComponent) == 40, "assembly component");
static_assert(offsetof(TagAssemblyComponent, Line) == 15, "component line");
static_assert(offsetof(TagAssemblyComponent, ItemCode) == 17, "component code");
static_assert(offsetof(TagAssemblyComponent, Quantity) == 32, "component quantity");
static_assert(ASSEMBLY_HEADER_PRODUCT_OFFSET + ASSEMBLY_HEADER_PRODUCT_SIZE ==
                  offsetof(TagAssemblyHeader, Description), "header product code");
#endif

#endif
