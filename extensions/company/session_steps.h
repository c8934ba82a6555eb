// Session steps of the command entry that other areas of the system carry
// out: stations, banner, users, online checks, conversion. Each is a thin
// call into bwpsbase; where that service is not in this build the call
// answers as documented in session_steps.cpp.
#pragma once

namespace bwps1 {

// The one placeholder for screens that are not in this build: shows
// "<screen> is not available in this build." and leaves ExitCode
// ExitNotInThisBuild.
void ScreenNotInThisBuild(const char* screen);
// True when this build shows help topics.
bool HelpTopicsInBuild();

void ShowCompanyBanner(int flag);
void ShowPeriodStatus();
void ShowHelpTopic(int topic);
bool CreateStationFiles();
bool ValidateStationAndDate(int* stationKnown);
void AskStationId();
void CheckNewFiles90();
void WriteSysInterfaceRecord();
void SetUdfGeneralTable(int file);
void ClearOptionFlag(unsigned bit);
bool ValidateUserPassword(char* userId, char* password, int* rejected, int* signedIn);
bool PromptUserPassword(char* userId, char* password);
bool VerifyOnlineCheckRegister();
bool VerifyOnlineLedger();
int GetConversionState();
void SetConversionState(int state);
int ConvertCompanyData(const char* folder);
void PushClientConfig();
void ReloadPasswords();
bool CheckSessionCommandAccess();
const char* AccountingFolderText();
// The host's parameter text (name='value' pairs) for the editors that pick
// a code from it.
const char* CommandParamText();
char* ReportPrinterName();
bool FormatToolsReady(int ready, int command);
void ReadLookUpsRecord();
void ClearEditorCallFlag();
void SetSessionDatesToToday();
void SetDefaultPrinterSettings();
bool StartUdfManager(const char* folder);
void InitProductRecord(void* record668);
void InitLookUpsRecord(void* record76);
int GetColumnDefinitions85();
int ReadAccountingInterfaceAccount(char* account11);

// The check-register and ledger objects that live for one call of the
// command entry.
struct LedgerObjects {
    LedgerObjects();
    ~LedgerObjects();
    LedgerObjects(const LedgerObjects&) = delete;
    LedgerObjects& operator=(const LedgerObjects&) = delete;
};

} // namespace bwps1
