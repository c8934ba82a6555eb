/* bwps/records/addresses.h: the further addresses of a customer,
 * BPOSCUSA.DB (file 9). Packed, little-endian. */
#ifndef BWPS_RECORDS_ADDRESSES_H
#define BWPS_RECORDS_ADDRESSES_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* One address (401 bytes). Key 0: customer code + default flag; key 1
 * begins with the customer code. */
typedef struct TagAltAddress {
    char Customer[11];          /* 0 */
    char Default;               /* 11: "Y" or "N" */
    char ShipVia[16];           /* 12 */
    char SecondCode[16];        /* 28 */
    char Lines[4][41];          /* 44, 85, 126, 167: address lines 1-4 */
    uint8_t Unused208[41];      /* 208 */
    char City[16];              /* 249 */
    char State[4];              /* 265 */
    char Zip[11];               /* 269 */
    char Phones[3][16];         /* 280, 296, 312 */
    char Line5[41];             /* 328 */
    char Further[14];           /* 369 */
    uint8_t Unused383[18];      /* 383 */
} TagAltAddress;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagAltAddress) == 401, "BPOSCUSA.DB record");
static_assert(offsetof(TagAltAddress, Default) == 11 && offsetof(TagAltAddress, ShipVia) == 12 &&
                  offsetof(TagAltAddress, SecondCode) == 28 && offsetof(TagAltAddress, Lines) == 44 &&
                  offsetof(TagAltAddress, Unused208) == 208 && offsetof(TagAltAddress, City) == 249 &&
                  offsetof(TagAltAddress, State) == 265 && offsetof(TagAltAddress, Zip) == 269 &&
                  offsetof(TagAltAddress, Phones) == 280 && offsetof(TagAltAddress, Line5) == 328 &&
                  offsetof(TagAltAddress, Further) == 369 && offsetof(TagAltAddress, Unused383) == 383,
              "address offsets");
#endif

#endif
