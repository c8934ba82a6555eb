/* bwps/window_positions.h: the window positions of each station, kept in
 * BPOSWPOS.DB of the base folder (342-byte records, key: station id +
 * window name + one byte of the position data).
 */
#ifndef BWPS_WINDOW_POSITIONS_H
#define BWPS_WINDOW_POSITIONS_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/records.h"

#include "bwps/export.h"

#define WINDOW_POSITION_FILE_NAME "BPOSWPOS.DB"

#ifdef __cplusplus
extern "C" {
#endif

/* Session start: builds the one position store, registers it with the
 * framework (CBrmWinPosition::SetObject: from then on the framework loads a
 * named window's position when it opens and saves it when it closes),
 * creates the file when missing and opens it. True when the file is open;
 * false when a store already exists. */
BWPS_EXPORT int RestoreWindowPositions(const char* fileName);
/* Session stop: closes the file, unregisters the store from the framework
 * and frees it. The close result. */
BWPS_EXPORT int SaveWindowPositions(void);
/* Loads (save 0) or saves (non-zero) the position data of the store for
 * this station; true on success. */
BWPS_EXPORT int WindowPositionsLoadOrSave(int save);
/* The position data of the store (327 bytes, window name first), null when
 * there is no store. */
BWPS_EXPORT uint8_t* WindowPositionsData(void);

#ifdef __cplusplus
}
#endif

#endif
