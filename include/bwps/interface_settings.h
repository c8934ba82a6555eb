/* bwps/interface_settings.h: the editors of the store's interface settings
 * ("0sysinterface  " of the general settings file): the system-options
 * screen with the running document numbers, the accounting-interface
 * screen, and the link to an accounting company that the accounting side
 * sets or clears. */
#ifndef BWPS_INTERFACE_SETTINGS_H
#define BWPS_INTERFACE_SETTINGS_H

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* 619: the system-options screen "RSEditInterface"; the key that ended it,
 * 0 when it could not start. */
BWPS_EXPORT int RSEditInterface(void);
/* 611: the accounting-interface screen "RSEditAccInterface"; the key that
 * ended it, 0 when it could not start. */
BWPS_EXPORT int RSEditAccInterface(void);
/* Links the store to the accounting company in the folder (an empty or
 * missing text unlinks it). A folder must hold an accounting data set of
 * the current version and fit the record (143 characters). 1 when the
 * record was written, 0 otherwise (nothing written). */
BWPS_EXPORT int BWPSInterfaceWithAcct(const char* folder);

#ifdef __cplusplus
}
#endif

#endif
