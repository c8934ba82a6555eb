/* bwps/accounts.h: chart-of-accounts services, interface account checks
 * and journal numbers. Plain exported functions (reached by ordinal as
 * well); they keep no state of their own and work on the handles and
 * records that the caller passes. Most report through a posting status
 * block (TagPostingStatus) that the caller reads.
 */
#ifndef BWPS_ACCOUNTS_H
#define BWPS_ACCOUNTS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/accounts.h"
#include "bwps/records/ledger.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FxStatus FxStatus;

/* ---- Account numbers and records ---- */
/* Adds an amount to an account and every account above it (side 'D' or
 * 'C'; alternate flag: the second pair of totals; period 0-25). The whole
 * parent chain is read first: a missing parent shows message 233 and
 * changes nothing. 0 or the status. */
BWPS_EXPORT int PostAccountAmount(uint16_t accounts, const char* account, char side,
                                  int alternate, int period, double amount, FxStatus* progress);
BWPS_EXPORT int AccountHasAmounts(const TagAccount* record);
/* True for an account found (status 0); false for a missing one and for a
 * read error (reported). */
BWPS_EXPORT int ValidateAccountNo(uint16_t accounts, const char* account, TagAccount* out);
BWPS_EXPORT int ValidateAccountKeepPosition(uint16_t accounts, const char* account);
BWPS_EXPORT const char* AccountTypeText(int type);
BWPS_EXPORT int GetDifferenceAccount(uint16_t accounts, int lockBias, TagAccount* out);
BWPS_EXPORT int IsDifferenceAccount(const char* account);
BWPS_EXPORT int InitAccountRecord(TagAccount* record);
BWPS_EXPORT int CompareAccountRecords(int count, const TagAccount* a, const TagAccount* b);
BWPS_EXPORT int BuildAccountNo(char* out11, const char* base, const char* suffix);
BWPS_EXPORT int ReadAccountRecord(const char* account);
BWPS_EXPORT int ReadPostingAccount(int climb, uint16_t accounts, const char* account,
                                   TagAccount* out, TagPostingStatus* block);
/* Indexes 0-11 of the "0Interface     " accounts, ended by any other value. */
BWPS_EXPORT int ReadPostingAccounts(int climb, uint16_t accounts, TagAccount* out,
                                    const void* interfaceRecord, TagPostingStatus* block, ...);

/* ---- Ledger records and posting ---- */
BWPS_EXPORT int NextUnpostedInRange(char deleteFlag, int operation, uint16_t handle,
                                    int fileNumber, void* key, void* record, const void* range,
                                    TagPostingStatus* block);
BWPS_EXPORT char* GetRecordDateAndDeleted(int* deleted, int32_t* date, int fileNumber,
                                          void* record);
BWPS_EXPORT int ReadRecordByKey(uint16_t handle, int fileNumber, const char* key, void* record,
                                TagPostingStatus* block);
BWPS_EXPORT int UpdateRecord(uint16_t handle, int fileNumber, void* record,
                             TagPostingStatus* block);
BWPS_EXPORT int PostAccountAmountStatus(uint16_t accounts, const char* account, char side,
                                        int alternate, int period, double amount,
                                        TagPostingStatus* block, FxStatus* progress);
BWPS_EXPORT int LockDifferenceAccount(uint16_t accounts, TagAccount* out);
/* Draws the next number of a journal under a record lock (405). */
BWPS_EXPORT int DrawJournalNumber(uint16_t journals, const char* journal, char* numberOut,
                                  TagPostingStatus* block);
BWPS_EXPORT int InsertGLHeaderRecord(uint16_t headers, TagGLHeader* header,
                                     TagPostingStatus* block);
BWPS_EXPORT int AddGLDetailAmount(int merge, uint16_t lines, int32_t* debitCounter,
                                  int32_t* creditCounter, TagLedgerDetail* line,
                                  TagPostingStatus* block);
/* Posts a whole ledger transaction to the chart: balance and the "SU" rule
 * are checked on the whole transaction first, then every line is rolled
 * up and the header marked posted inside one record-manager transaction. */
BWPS_EXPORT int PostChartOfAccounts(uint16_t headers, uint16_t lines, uint16_t accounts,
                                    double* debitTotal, double* creditTotal,
                                    const void* periodInfo, TagGLHeader* header,
                                    TagPostingStatus* block);
BWPS_EXPORT int ShowPostingStatus(double debitTotal, double creditTotal,
                                  const TagGLHeader* header, TagPostingStatus* block);
BWPS_EXPORT int SelectKeySavePosition(int* savedKey, int wantedKey, uint16_t handle,
                                      uint32_t* position);
BWPS_EXPORT int RestoreKeyPosition(int savedKey, int currentKey, uint16_t handle,
                                   uint32_t position, void* record);
BWPS_EXPORT int AssemblyHasItemIn(uint16_t details, uint16_t items, const char* assemblyKey);
BWPS_EXPORT int ReadCurrentPosting(int settings, TagCurrentPosting* out);
BWPS_EXPORT int WriteCurrentPosting(int settings, const TagCurrentPosting* record);
BWPS_EXPORT int SetCurrentPosting(int settings, int32_t first, int32_t last);
BWPS_EXPORT int ClearCurrentPosting(int settings);
BWPS_EXPORT int PostChartOfAccountsLocked(uint16_t headers, uint16_t lines, uint16_t accounts,
                                          double* debitTotal, double* creditTotal,
                                          const void* periodInfo, TagGLHeader* header,
                                          TagPostingStatus* block, int lockFlag);
BWPS_EXPORT int WriteGLTransaction(uint16_t headers, uint16_t lines, const char* journal,
                                   const char* number, const char* description, int32_t date,
                                   double amount, const TagAccount* account,
                                   const char* reference);
BWPS_EXPORT int RemoveGLTransaction(int operation, uint16_t headers, uint16_t lines,
                                    const char* journal, const char* number);
BWPS_EXPORT int MergeGLLine(TagLedgerDetail* line, uint16_t lines, int accountType,
                            int32_t* debitCounter, int32_t* creditCounter);
BWPS_EXPORT int PostGLToAccounts(uint16_t headers, uint16_t lines, uint16_t accounts, int period,
                                 int alternate, TagGLHeader* header);

/* ---- Interface account checks and journal numbers ---- */
BWPS_EXPORT char GetInterfaceFlag(void);
BWPS_EXPORT int ValidateInterfaceAccounts(uint16_t accounts, char* department,
                                          TagAccount* record);
BWPS_EXPORT int ValidateInterfaceAccount(uint16_t accounts, int field, const char* department,
                                         const void* interfaceRecord);
BWPS_EXPORT int CheckAccountInUse(const char* account, const void* record);
BWPS_EXPORT int ValidateInterfaceAccountsQuiet(uint16_t accounts, char* department,
                                               TagAccount* record);
/* Field numbers 1-9, ended by 0 (others are skipped). */
BWPS_EXPORT int CheckInterfaceAccountsSet(int flag, ...);
BWPS_EXPORT int InsertJournalCode(uint16_t journals, const char* code, TagJournal* out);
BWPS_EXPORT int IsReservedJournalCode(const char* code);
/* Mode 5 looks at the next number; any other mode takes it under a record
 * lock and advances the journal's counter. The status. */
BWPS_EXPORT int EnsureJournalCode(int mode, uint16_t journals, const char* code,
                                  char* numberOut);
BWPS_EXPORT int CheckNotInterfaceAccount(const char* account, int flag, ...);
BWPS_EXPORT int IsAccountReferenced(const char* account, uint16_t handle, int fileNumber);

/* ---- Deleted-transaction markers ---- */
BWPS_EXPORT int32_t WriteDeletedMarker(int16_t operation, uint16_t headers, uint16_t lines,
                                       void* header, TagPostingStatus* block);
BWPS_EXPORT int32_t ClearDeletedMarkers(uint16_t lines, const char* document,
                                        TagPostingStatus* block);
BWPS_EXPORT int32_t FindDeletedMarker(uint16_t handle, const char* document, void* record,
                                      TagPostingStatus* block);
BWPS_EXPORT int32_t FindNextDeletedMarker(uint16_t handle, const char* document, void* record,
                                          TagPostingStatus* block);
BWPS_EXPORT int32_t WriteDeletedGLMarker(int16_t operation, uint16_t headers, uint16_t lines,
                                         TagGLHeader* header, TagPostingStatus* block);
BWPS_EXPORT int32_t ClearDeletedMarkersByNumber(uint16_t lines, const char* journal,
                                                const char* number, TagPostingStatus* block);
BWPS_EXPORT int32_t FindDeletedMarkerByNumber(uint16_t handle, const char* journal,
                                              const char* number, void* record,
                                              TagPostingStatus* block);
BWPS_EXPORT int32_t FindNextDeletedMarkerByNumber(uint16_t handle, const char* journal,
                                                  const char* number, void* record,
                                                  TagPostingStatus* block);

#ifdef __cplusplus
}
#endif

#endif
