/* bwps/cash_registers.h: the store's cash registers (BPOSREGS.DB) opened,
 * closed, reconciled (BPOSRSAV.DB) and purged once every sale in their
 * detail file ("REGn.db" in the data folder) is posted. */
#ifndef BWPS_CASH_REGISTERS_H
#define BWPS_CASH_REGISTERS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/sales.h"

#ifdef __cplusplus
extern "C" {
#endif

/* 439: 1 when the register is open afterwards, 0 otherwise; the record as written. */
BWPS_EXPORT int OpenRegister(int registerNumber, RegisterRecord* record);
/* 440: 1 on success, 0 on a file failure. */
BWPS_EXPORT int CloseRegister(int registerNumber, int reset);
/* 441: true when the walk over the registers ended normally. */
BWPS_EXPORT uint8_t PurgeRegister(void);
/* 442: 0x4400 accepted with F10, 27 left with Esc, 0 not run or refused. */
BWPS_EXPORT int InitRegisterScreen(RegisterRecord* record, int takeNumber);
/* 443: the next shift number; 0 on a failure. */
BWPS_EXPORT int NextRegisterSessionNumber(void);
/* 444: the register number of a register name ("REG12" gives 12). */
BWPS_EXPORT int RegisterNumberFromKey(const char* name);

#ifdef __cplusplus
}
#endif

#endif
