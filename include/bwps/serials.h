/* bwps/serials.h: the services that keep the serial-number units
 * (BPOSSNUM.DB) and their movements (BPOSSNDT.DB) consistent. Except
 * DeleteSerialMovementsOfDocument, which opens the files itself, they work
 * on handles the caller opened; a record to delete must be the current
 * record of its handle. Failures are reported and returned.
 */
#ifndef BWPS_SERIALS_H
#define BWPS_SERIALS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/items.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What DeleteSerialNumber did last, for the caller's error report. */
typedef struct SerialDeleteResult {
    char Key[255];      /* code and serial of the last operation */
    int32_t File;       /* file of the last operation (movements, then units) */
    int32_t Operation;  /* its operation */
    int32_t Status;     /* its status */
    uint8_t Unset[8];
} SerialDeleteResult;

/* Status returned when the user declined a delete. */
enum { SERIAL_DELETE_DECLINED = 27 };

/* Deletes a unit (the current record of the units handle) and all its
 * movements; with ask set, after message 1177 (No: 27). */
BWPS_EXPORT int DeleteSerialNumber(uint16_t units, uint16_t movements, TagSerialNumber* unit,
                                   TagSerialMovement* work, SerialDeleteResult* result, int ask);
/* Deletes every movement carrying the link number, undoing each on its
 * unit, all or nothing; the number becomes 0. 0, or the first failure's
 * status. A null pointer or a number of 0 does nothing. */
BWPS_EXPORT int DeleteSerialMovementsOfDocument(uint32_t* link);
/* 1 when a movement of the unit (36 bytes: code and serial) exists. */
BWPS_EXPORT int SerialHasMovements(uint16_t movements, const char* key);
/* Deletes the current movement and undoes it on its unit; a unit left
 * without movements goes too when deleteEmptyUnit is set. */
BWPS_EXPORT int DeleteSerialMovement(uint16_t units, uint16_t movements, int deleteEmptyUnit,
                                     TagSerialNumber* unit, TagSerialMovement* movement);
/* Undoes a movement on its unit: availability back, date back to the
 * latest remaining movement. */
BWPS_EXPORT int UndoSerialMovement(uint16_t units, uint16_t movements, int deleteEmptyUnit,
                                   TagSerialNumber* unit, TagSerialMovement* movement);
/* Writes a movement and applies it to its unit (made when new), in one
 * transaction. Without a document, or with one whose link number (32 bits
 * at offset 173) is below 1, a new link number is drawn and given to both.
 * 1 written, 0 failed. */
BWPS_EXPORT int AddSerialMovement(uint16_t movements, uint16_t units, TagSerialMovement* movement,
                                  void* document);
/* Applies a movement to a unit in memory; writes nothing. */
BWPS_EXPORT int MergeSerialAvailability(TagSerialNumber* unit, const TagSerialMovement* movement);

#ifdef __cplusplus
}
#endif

#endif
