/* bwps/records/window_positions.h: the window-position records of BPOSWPOS.DB.
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_WINDOW_POSITIONS_H
#define BWPS_RECORDS_WINDOW_POSITIONS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* ---- Window positions (BPOSWPOS.DB, base folder, 342 bytes) ---- */
enum { WINDOW_POSITION_DATA_SIZE = 327 };
typedef struct TagWindowPosition {
    char StationId[15];             /* 0: key segment 1 */
    uint8_t Data[WINDOW_POSITION_DATA_SIZE]; /* 15: window name (50) is segment 2, byte 65 segment 3 */
} TagWindowPosition;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagWindowPosition) == 342, "window position");
#endif

#endif
