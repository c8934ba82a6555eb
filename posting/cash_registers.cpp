// Cash registers: open, close, reconcile and purge.
#include "bwps/cash_registers.h"

#include "bwps/ordinals.h"

extern "C" {

int OpenRegister(int, RegisterRecord*) { return 0; }
int CloseRegister(int, int) { return 0; }
uint8_t PurgeRegister(void) { return 1; }
int InitRegisterScreen(RegisterRecord*, int) { return 0; }
int NextRegisterSessionNumber(void) { return 0; }
int RegisterNumberFromKey(const char*) { return 0; }

}  // extern "C"

BWPS_ORDINAL(439, OpenRegister);
BWPS_ORDINAL(440, CloseRegister);
BWPS_ORDINAL(441, PurgeRegister);
BWPS_ORDINAL(442, InitRegisterScreen);
BWPS_ORDINAL(443, NextRegisterSessionNumber);
BWPS_ORDINAL(444, RegisterNumberFromKey);
