/* bwps/settings.h: the general settings file (file 31, the store's; file
 * 15, the accounting company's): the keyed read, the in-memory interface
 * record "0sysinterface  ", counters, the current year, the host defaults,
 * the interface accounts and the station account block.
 */
#ifndef BWPS_SETTINGS_H
#define BWPS_SETTINGS_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/records.h"

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Reads one settings record by its 16-byte key with get equal (operation 5
 * + bias) and the given length. "0Interface     ", "0Periods       " and
 * "0System        " go to their own readers. With handle 0 the store's
 * general file is opened and closed here (a missing file gives 12 without
 * a report). The status. */
BWPS_EXPORT int ReadGeneralRecord(int bias, uint16_t handle, int length, const char* key,
                                  void* record);

/* ---- The in-memory interface record ---- */
/* Reloads it from file 31 (cleared when the file or record is missing),
 * runs the later-release file checks and applies the accounting company's
 * flags. True when read. */
BWPS_EXPORT int LoadSysInterfaceRecord(void);
BWPS_EXPORT TagSysInterface* GetSysInterfaceRecord(void);
/* Rewrites the stored "0sysinterface  " record of file 31 at its full
 * length; true on success. */
BWPS_EXPORT int WriteSysInterfaceRecord(void);
BWPS_EXPORT int IsInterfacedToAccounting(void);
BWPS_EXPORT void SetInterfacedFlag(int flag);
BWPS_EXPORT int GetSysInterfaceWord25(void);
BWPS_EXPORT int GetSessionOptionWord(void);
BWPS_EXPORT int GetSysInterfaceWord53(void);
BWPS_EXPORT int GetSysInterfaceWord57(void);
BWPS_EXPORT char* GetSysInterfaceText96(void);
BWPS_EXPORT char* GetSysInterfaceText102(void);
/* The 16-bit entry `index` of the caller's block. */
BWPS_EXPORT int GetInterfaceWord(const void* block, int index);

/* The override when not empty, else the record's folder. */
BWPS_EXPORT char* GetAccountingCompanyPath(void);
BWPS_EXPORT void SetAccountingCompanyPath(const char* folder);
/* An empty folder or one holding an accounting data set becomes the
 * override; true, else false. */
BWPS_EXPORT int SetAccountingFolderIfValid(const char* folder);
/* Reads another company's interface record: *flag := its interfaced flag,
 * folder copied when the flag is 1. 1 on success, 0 on a read failure, or
 * the open status. */
BWPS_EXPORT int ReadAccountingLinkPath(const char* companyFolder, char* folderOut,
                                       int* flagOut);
BWPS_EXPORT int ApplySysInterfaceFlags(TagSysInterface* record);
BWPS_EXPORT int FixSysInterfaceRecord(void);
BWPS_EXPORT int SysInterfaceOptionSet(void);

/* ---- Interface accounts ---- */
BWPS_EXPORT int ReadInterfaceRecord(void* record204);
/* Fills the built-in accounts (only when not interfaced); either may be null. */
BWPS_EXPORT void InterfaceRecordDefaults(void* interfaceRecord, TagSysInterface* sysInterface);
BWPS_EXPORT int CheckInterfaceAccountsFilled(void);
BWPS_EXPORT int FindInterfaceAccountCaption(char* out, const char* caption);
/* Row 1-18 of the built-in account table (10 characters, blank padded) and
 * its caption; null outside. */
BWPS_EXPORT const char* DefaultInterfaceAccount(int row);
BWPS_EXPORT const char* DefaultInterfaceCaption(int row);

/* The store's view of the accounting company's system record (360 bytes). */
BWPS_EXPORT int ReadSystemRecordRaw(void* buffer360);

/* ---- Counters ---- */
BWPS_EXPORT int ReadLastNumbers(uint16_t handle, int take, char* textOut, int32_t* valueOut);
BWPS_EXPORT int NextLastNumber(int counter, uint16_t handle, int take, char* textOut);
BWPS_EXPORT int NextTransactionNumber(int kind, uint16_t handle, int take, char* textOut);

/* ---- Current year and host defaults ---- */
BWPS_EXPORT int ReadCurrentYear(void);
BWPS_EXPORT int WriteCurrentYear(int year);
BWPS_EXPORT int ReadHostDefaults(void* buffer290);
BWPS_EXPORT int WriteHostDefaults(const void* buffer290);

/* ---- Station ---- */
BWPS_EXPORT int ReadStationRecord(uint16_t unused, void* block336);
BWPS_EXPORT int LoadStationPrintSettings(void);
BWPS_EXPORT uint8_t* GetStationPrintSettings(void);
BWPS_EXPORT void CopyInterfaceAccountsToStation(void* work80, void* block336,
                                                const void* stationRecord, int set);
BWPS_EXPORT void CopyInterfaceAccountsFromStation(void* stationRecord, const void* block336,
                                                  int set);

/* ---- Periods record defaults (read through ReadGeneralRecord) ---- */
/* Not interfaced: the built-in periods, 0. Interfaced: "0Periods       " of
 * file 15; the status. */
BWPS_EXPORT int LoadPeriodsRecord(void* record462);
/* Twelve calendar months of the current year and twelve of the next; 1. */
BWPS_EXPORT int BuildDefaultPeriods(void* record462);

#ifdef __cplusplus
}
#endif

#endif
