// Session steps that other areas of the system carry out. Functions of
// bwpsbase that are declared in its headers are called directly; services
// that a build may lack are declared in bwps/screens.h (bwps::service, weak
// references): the real entry takes over when bwpsbase exports it, and
// without it the stand-in below answers as a store without that feature
// would.
#include "bwps/files.h"
#include "extensions/company/company.h"
#include "extensions/company/session_steps.h"
#include "extensions/company/services.h"
#include "extensions/convert/convert.h"

#include "bwps/catalogue.h"
#include "bwps/check_register.h"
#include "bwps/ledger.h"
#include "bwps/products.h"
#include "bwps/dictionary.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/stations.h"
#include "bwps/udf.h"
#include "bwps/users.h"

#include <cstring>

namespace service = bwps::service;

namespace bwps1 {

void ShowCompanyBanner(int flag) { ::ShowCompanyBanner(flag); }
void ShowPeriodStatus() { ::ShowPeriodStatus(); }

void ShowHelpTopic(int topic)
{
    if (service::ShowHelpTopic) service::ShowHelpTopic(topic);
}

bool HelpTopicsInBuild() { return service::ShowHelpTopic != nullptr; }

bool CreateStationFiles() { return ::CreateStationFiles() != 0; }
bool ValidateStationAndDate(int* stationKnown) { return ::ValidateStationAndDate(stationKnown) != 0; }
void AskStationId() { RSASKSTATIONID(); }
void CheckNewFiles90() { ::CheckNewFiles90(); }
void WriteSysInterfaceRecord() { ::WriteSysInterfaceRecord(); }
void SetUdfGeneralTable(int file) { CBwUDFSMngr::SetGrlTableId(file); }
void ClearOptionFlag(unsigned bit) { Session()->OptionFlags &= ~bit; }

bool ValidateUserPassword(char* userId, char* password, int* rejected, int* signedIn)
{
    return ::ValidateUserPassword(userId, password, rejected, signedIn) != 0;
}

bool PromptUserPassword(char* userId, char* password)
{
    return ::PromptUserPassword(userId, password) != 0;
}

// The check register and the online ledger are brought in line with the
// store's options (the question screens).
bool VerifyOnlineCheckRegister()
{
    CBaseCheckReg reg;
    return reg.VerifyChkRegOnLine();
}
bool VerifyOnlineLedger()
{
    CBaseGL ledger;
    return ledger.VerifyGLOnLine();
}
LedgerObjects::LedgerObjects() = default;
LedgerObjects::~LedgerObjects() = default;

int GetConversionState() { return Session()->ConversionState; }
void SetConversionState(int state) { Session()->ConversionState = state; }

int ConvertCompanyData(const char* folder) { return ::ConvertCompanyData(folder); }

void PushClientConfig()
{
    SessionPathBlock block;
    std::memset(&block, 0, sizeof block);
    SessionBlock* s = Session();
    std::memcpy(block.ProgramPath, s->ProgramPath, sizeof block.ProgramPath);
    std::memcpy(block.BasePath, s->BasePath, sizeof block.BasePath);
    std::memcpy(block.DictionaryPath, s->DictionaryPath, sizeof block.DictionaryPath);
    std::memcpy(block.DataPath, s->DataPath, sizeof block.DataPath);
    if (IsInterfacedToAccounting()) {
        const char* acc = GetAccountingCompanyPath();
        if (acc) std::strncpy(block.AccountingPath, acc, sizeof block.AccountingPath - 1);
    }
    block.Zero = 0;
    block.One = 1;
    BtrSetClientConfig(&block);
}

void ReloadPasswords()
{
    int status = 0;
    ReadPasswordsRecord(&status);
}

bool CheckSessionCommandAccess() { return ::CheckSessionCommandAccess(Session()->UserLevel) != 0; }

const char* AccountingFolderText() { return Session()->AccountingFolderText; }
char* ReportPrinterName() { return Session()->ReportPrinterName; }

// The form tools of the report side are not in this build: every command
// may run.
bool FormatToolsReady(int ready, int command)
{
    if (service::FormatToolsReady) return service::FormatToolsReady(ready, command) != 0;
    return true;
}

void ReadLookUpsRecord()
{
    if (service::ReadLookUpsRecord) service::ReadLookUpsRecord(0, nullptr);
}

void ClearEditorCallFlag() { Session()->EditorCallFlag = 0; }

void SetDefaultPrinterSettings()
{
    SessionBlock* s = Session();
    std::memset(s->PrinterTypeName, 0, sizeof s->PrinterTypeName);
    std::memcpy(s->PrinterTypeName, "IBM-Default   ", 14);
    auto* printer = reinterpret_cast<StationPrinterEntry*>(s->StationPrinters[0]);
    std::memcpy(printer->name, "IBM-Default   ", 14);
    printer->name[14] = 0;
    printer->normalCodes[0] = 18;
    printer->condensedCodes[0] = 15;
    s->PrinterOption = 0;
}

bool StartUdfManager(const char* folder)
{
    CBwUDFSMngr::SetGrlTableId(bwps::No(bwps::FileNo::General));
    CBwUDFSMngr::Create();
    const bool ok = CBwUDFSMngr::InitializeAll(folder);
    CBwUDFSMngr::Destroy();
    return ok;
}

void InitProductRecord(void* record668) { ::InitProductRecord(record668); }

void InitLookUpsRecord(void* record76)
{
    if (service::InitLookUpsRecord) {
        service::InitLookUpsRecord(record76);
        return;
    }
    TagLookUps r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.Key, GENERAL_KEY_LOOKUPS, GENERAL_KEY_SIZE - 1);
    std::memset(r.LookupOrder, 'C', sizeof r.LookupOrder);
    std::memset(r.DocumentOrder, 'N', sizeof r.DocumentOrder);
    std::memcpy(record76, &r, sizeof r);
}

// The company list's columns 1-4 from the data dictionary; 0 when read.
int GetColumnDefinitions85()
{
    TagColumnDefinition columns[5];
    return ::GetColumnDefinitions("BPOSCID.DB", static_cast<int>(sizeof columns), columns, 1, 2,
                                  3, 4, 0);
}

int ReadAccountingInterfaceAccount(char* account11)
{
    TagInterfaceRecord record;
    std::memset(&record, 0, sizeof record);
    const int status = ReadInterfaceRecord(&record);
    if (status != 0) return status;
    std::memcpy(account11, record.Accounts[0], 10);
    account11[10] = 0;
    return 0;
}

} // namespace bwps1
