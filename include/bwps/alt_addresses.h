/* bwps/alt_addresses.h: a customer's further addresses, listed, picked and
 * kept on their screen. */
#ifndef BWPS_ALT_ADDRESSES_H
#define BWPS_ALT_ADDRESSES_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/addresses.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The pick list of addresses: restricted non-zero lists only those of the
 * customer (else the whole file); the open BPOSCUSA.DB; the record that
 * receives the pick; the four window numbers; the file number reported by a
 * failed delete; F6 deletes when allowDelete, F8 adds and F9 changes when
 * allowEdit. Non-zero when an address was picked. */
BWPS_EXPORT int SelectAltAddress(int restricted, const char* customer, uint16_t handle, void* record401,
                                 uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                                 int fileNumber, int allowDelete, int allowEdit); /* 593 */

#ifdef __cplusplus
}
#endif

#endif
