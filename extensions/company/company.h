// Company files: the command entry of bwpos-1, opening and creating a
// company, and the company list. Exported functions carry plain C names so
// the host and the tests reach them with dlsym or by linking.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bwps/records.h"
#include "bwps/session.h"

#define BWPS1_API extern "C" __attribute__((visibility("default")))

// The company list (file 85, base folder) keeps CompanyIdRecord records
// (168 bytes); a list of an older release has TagCompanyIdOld (60 bytes).
using CompanyListRecord = CompanyIdRecord;

// Command numbers of BWPSRunCommand.
enum : int {
    CmdLogin = 101,
    CmdEditDate = 102,
    CmdCompanyHeading = 103,
    CmdConfirmExit = 104,
    CmdHelpIndex = 105,
    CmdOpenCompany = 110,
    CmdCopyCompany = 111,
    CmdBackupRestore = 112,
    CmdFileUtilities = 113,
    CmdEditCustomers = 120,
    CmdEditMasterItems = 121,
    CmdEditProducts = 122,
    CmdEditServices = 124,
    CmdEditBillingCodes = 125,
    CmdEditSerialNumbers = 126,
    CmdEditTenders = 130,
    CmdEditMessageCodes = 131,
    CmdEditPriceBreaks = 132,
    CmdEditTermsCodes = 133,
    CmdEditTaxCodes = 134,
    CmdEditSalespersons = 135,
    CmdEditSalespersonTime = 136,
    CmdEditCashRegisters = 137,
    CmdEditWarehouses = 138,
    CmdEditShipVia = 139,
    CmdEditWeightUnits = 140,
    CmdEditCompanyId = 141,
    CmdEditSystemLookups = 144,
    CmdEditDefaultProduct = 145,
    CmdEditDefaultCustomer = 146,
    CmdRefreshHeading = 147,
    CmdEditDefaultPrinter = 148,
    CmdEditUserAccess = 149,
    CmdEditPasswords = 150,
    CmdEditFormSetup = 151,
    CmdEditPrinters = 152,
    CmdEditUdfSettings = 153,
    CmdSalesPosting = 206,
    CmdCustomerHistory = 401
};

// Exit codes left in the session block.
// ExitNotInThisBuild: the command's screen is not in this build (told
// apart from a cancelled command). ExitNotDone: the command ran but did
// not do its work (sales left unposted, a backup or restore refused);
// BWPS1CommandOutcome says what.
enum : int { ExitDone = 0, ExitCancelled = 27, ExitNotInThisBuild = 28, ExitNotDone = 33, ExitRunRestore = 112 };

// Data-set codes of a folder.
enum : int { DataSetCurrent = 16, DataSetUnusable = 20 };

// ---- exports (ordinal in the comment) ----
BWPS1_API int BWPSRunCommand(void);                                          // 1
BWPS1_API int BWPSVerifyBaseFilesDefault(void);                              // 2
BWPS1_API int BWPSVerifyBaseFiles(const char* baseFolder, int* missing);     // 3
BWPS1_API int OpenCompanyList(uint16_t* handle, const char* folder, int16_t mode,
                              int* listCreated);                             // 36
BWPS1_API int SetDefaultCompany(uint16_t handle, const CompanyListRecord* record); // 37
BWPS1_API int CheckCopyDestinationSpace(int64_t needed, int64_t free);   // 39
BWPS1_API int EditCopySystemId(void* record168, int* copyMode);           // 40
BWPS1_API int CreateCompanyFiles(uint16_t listHandle, int newUser, char* name,
                                 char* folder);                              // 42
BWPS1_API int SeedCompanySettingsRecords(const char* folder, const void* sysInterface); // 43
BWPS1_API int BuildCompanyRecord(void* record818);                          // 44
BWPS1_API int OpenCompany(int firstPass, int* listCreated, int* defaultKnown); // 45
BWPS1_API int AddCompanyToList(uint16_t handle, const char* name, const char* folder); // 46
BWPS1_API int BWPSCreateCompany(const char* name, const char* folder, int x, int y,
                                int z);                                      // 100
BWPS1_API int BWPSFileOpenSelect(const char* name, const char* folder, int unused,
                                 int conversionArg, int x, int y, int z,
                                 int statusQuiet);                           // 103

// The private copy of the data-file check table, or null.
BWPS1_API void* BWPS1CheckTableCopy(void);

// The entry of an ordinal of bwpos-1, or null.
BWPS1_API void* BWPS1Ordinal(int ordinal);

// The command table, for the host's menu: the number, constant and title of
// entry `index` (0-based); false past the end.
BWPS1_API int BWPS1CommandInfo(int index, int* number, const char** constant,
                               const char** title);
// 1 when this build has what the command runs, 0 when the command answers
// "... is not available in this build.", -1 for an unknown command.
BWPS1_API int BWPS1CommandInBuild(int number);
// What the last command left undone, one line into text (empty when it
// did its work); 1 when there is such a line.
BWPS1_API int BWPS1CommandOutcome(char* text, int size);

// Lower-level steps, exported for the host and the tests.
BWPS1_API int ConvertCompanyList(const char* folder);
BWPS1_API int CreateCompanyInFolder(uint16_t listHandle, const char* name,
                                    const char* folder, const void* sysInterface,
                                    int* result);
BWPS1_API int SeedTenders(const char* folder, int interfaced);
BWPS1_API void InitSysInterfaceRecord(void* record477);
BWPS1_API int CheckCommandAccess(void);
