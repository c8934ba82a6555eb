/* bwps/records/barcode_printers.h: the barcode printers BPOSBPRN.DB (file
 * 99). Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_BARCODE_PRINTERS_H
#define BWPS_RECORDS_BARCODE_PRINTERS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)
/* One barcode printer, 50 bytes. Key 0: the code; key 1: the name. Texts
 * are NUL-terminated inside their width. */
typedef struct BarcodePrinterRecord {
    char Code[15];            /* 0 */
    char Name[15];            /* 15 */
    char Port[20];            /* 30 */
} BarcodePrinterRecord;
#pragma pack(pop)

static_assert(sizeof(BarcodePrinterRecord) == 50, "barcode printer");
static_assert(offsetof(BarcodePrinterRecord, Name) == 15, "barcode printer name");
static_assert(offsetof(BarcodePrinterRecord, Port) == 30, "barcode printer port");

#endif
