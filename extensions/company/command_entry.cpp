// BWPSRunCommand: the command entry that the host calls with a command
// number in the session block, the log-in loop and the base-file checks.
#include "extensions/company/company.h"
#include "extensions/company/services.h"
#include "extensions/company/session_steps.h"
#include "extensions/posting/post_outcome.h"
#include "extensions/utilities/backup_restore.h"
#include "bwps/files.h"
#include "bwps/screens.h"
#include "fx.h"
#include "recman.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace bwps1;
using bwps::FileNo;
using bwps::No;

namespace {

// What the last command left undone, in one line for the host ("" when
// it did its work).
std::string g_outcome;

// ---- commands -------------------------------------------------------------

void RunLogin();
void RunOpenCompany();

constexpr int kBackupRunDone = 0x4400;  // BackupRestore's answer after a finished run

// Screens of other areas are reached by their plain names (bwps/screens.h).
// A screen that is not in this build has no entry, and its command answers
// through ScreenNotInThisBuild.

// Runs the screen entry when this build has it, else the placeholder.
#define SCREEN(entry, ...)                                   \
    do {                                                     \
        if (::entry) ::entry(__VA_ARGS__);                   \
        else ScreenNotInThisBuild(#entry);                   \
    } while (false)

void RunEditDate() { SCREEN(RSEDITDATE); }
void RunCompanyHeading() { ShowCompanyBanner(0); }
void RunConfirmExit()
{
    if (AskNumberedMessage(955, "Yes,No", 2) == 1) ExitCode() = ExitCancelled;
}
void RunHelpIndex()
{
    if (HelpTopicsInBuild()) ShowHelpTopic(156);
    else ScreenNotInThisBuild("ShowHelpTopic");
}
void RunCopyCompany() { SCREEN(CopyCompany); }
// Left without a backup or restore that ran to its end: cancelled; one
// asked for and refused or not completed: not done.
void RunBackupRestore()
{
    if (!::BackupRestore) {
        ScreenNotInThisBuild("BackupRestore");
        return;
    }
    const int ran = ::BackupRestore(0, 0);
    if (BackupRunRefused()) {
        ExitCode() = ExitNotDone;
        g_outcome = "the backup or restore was refused or did not complete";
    } else if (ran != kBackupRunDone && ExitCode() == ExitDone) {
        ExitCode() = ExitCancelled;
    }
}
void RunFileUtilities() { SCREEN(ShowUtilityScreen); }
void RunEditCompanyId()
{
    SCREEN(RSEditCompanyId);
    ShowPeriodStatus();
}
void RunNothing() {}
void RunEditCustomers() { SCREEN(RSEditCustomer, 0); }
void RunEditMasterItems() { SCREEN(RSEditMasterItems, 0); }
void RunEditProducts() { SCREEN(RSEditProduct, 0); }
void RunEditServices() { SCREEN(EditServiceByCode, CommandParamText()); }
void RunEditBillingCodes() { SCREEN(EditBillCodesByParams, CommandParamText()); }
void RunEditSerialNumbers() { SCREEN(RSEditSerialNumbers, 0); }
void RunEditTenders() { SCREEN(RSEditTenders, 0); }
void RunEditMessageCodes() { SCREEN(RSEditMsgCode, 0); }
void RunEditPriceBreaks() { SCREEN(RSEditPriceBreaks, 0); }
void RunEditTermsCodes() { SCREEN(RSEditTermsCode, 0); }
void RunEditTaxCodes() { SCREEN(RSEditTaxCode, 0); }
void RunEditSalespersons() { SCREEN(EditSalespersonByParams, CommandParamText()); }
void RunEditSalespersonTime() { SCREEN(RSEditSPTime); }
void RunEditCashRegisters() { SCREEN(RSEditCashReg, 0); }
void RunEditWarehouses() { SCREEN(RSEditWarehouses, 0); }
void RunEditShipVia() { SCREEN(RSEditShipVia, 0); }
void RunEditWeightUnits() { SCREEN(EditWUCode, 0); }
void RunEditSystemLookups() { SCREEN(RSEditSystemLook); }
void RunEditDefaultProduct() { SCREEN(RSEditDefaultProduct); }
void RunEditDefaultCustomer() { SCREEN(RSEditDefaultCustomer, 2); }
void RunEditDefaultPrinter()
{
    SCREEN(EditDefaultPrinter, BasePath(), ReportPrinterName(), "Generic Report");
}
void RunEditUserAccess() { SCREEN(RSEditUserAccess); }
void RunEditPasswords() { SCREEN(RSEditPassword); }
void RunEditFormSetup() { SCREEN(EditFormSetup); }
void RunEditPrinters() { SCREEN(RSDosEditPrinters); }
void RunEditUdfSettings() { SCREEN(RSUDFSettings); }
void RunSalesPosting()
{
    SCREEN(ShowPosPostScreen);
    int found = 0, posted = 0, stopped = 0;
    if (::ShowPosPostScreen && PostingRunOutcome(&found, &posted, &stopped)) {
        ExitCode() = ExitNotDone;
        g_outcome = "sales posted: " + std::to_string(posted) + " of " + std::to_string(found) +
                    (stopped ? ", the run was stopped" : found == 0 ? ", the run was refused" : "") +
                    "; the rest stay unposted";
    }
}
void RunCustomerHistory() { SCREEN(ViewCustHistoryByParams, CommandParamText()); }
#undef SCREEN

struct Command {
    int number;
    const char* constant;
    const char* title;
    void (*run)();
    bool (*inBuild)();  // false when the command answers "not available in this build"
};

bool Own() { return true; }
bool HelpInBuild() { return HelpTopicsInBuild(); }
#define HAS(entry) [] { return ::entry != nullptr; }

const Command kCommands[] = {
    {CmdLogin, "CmdLogin", "Sign in", RunLogin, Own},
    {CmdEditDate, "CmdEditDate", "System date", RunEditDate, HAS(RSEDITDATE)},
    {CmdCompanyHeading, "CmdCompanyHeading", "Company banner", RunCompanyHeading, Own},
    {CmdConfirmExit, "CmdConfirmExit", "Leave", RunConfirmExit, Own},
    {CmdHelpIndex, "CmdHelpIndex", "Help index", RunHelpIndex, HelpInBuild},
    {CmdOpenCompany, "CmdOpenCompany", "Open another company", RunOpenCompany, Own},
    {CmdCopyCompany, "CmdCopyCompany", "Copy company", RunCopyCompany, HAS(CopyCompany)},
    {CmdBackupRestore, "CmdBackupRestore", "Backup and restore", RunBackupRestore, HAS(BackupRestore)},
    {CmdFileUtilities, "CmdFileUtilities", "Data-file utilities", RunFileUtilities, HAS(ShowUtilityScreen)},
    {CmdEditCustomers, "CmdEditCustomers", "Customers", RunEditCustomers, HAS(RSEditCustomer)},
    {CmdEditMasterItems, "CmdEditMasterItems", "Master items", RunEditMasterItems, HAS(RSEditMasterItems)},
    {CmdEditProducts, "CmdEditProducts", "Products", RunEditProducts, HAS(RSEditProduct)},
    {CmdEditServices, "CmdEditServices", "Services", RunEditServices, HAS(EditServiceByCode)},
    {CmdEditBillingCodes, "CmdEditBillingCodes", "Billing codes", RunEditBillingCodes, HAS(EditBillCodesByParams)},
    {CmdEditSerialNumbers, "CmdEditSerialNumbers", "Serial numbers", RunEditSerialNumbers, HAS(RSEditSerialNumbers)},
    {CmdEditTenders, "CmdEditTenders", "Tenders", RunEditTenders, HAS(RSEditTenders)},
    {CmdEditMessageCodes, "CmdEditMessageCodes", "Message codes", RunEditMessageCodes, HAS(RSEditMsgCode)},
    {CmdEditPriceBreaks, "CmdEditPriceBreaks", "Price breaks", RunEditPriceBreaks, HAS(RSEditPriceBreaks)},
    {CmdEditTermsCodes, "CmdEditTermsCodes", "Terms codes", RunEditTermsCodes, HAS(RSEditTermsCode)},
    {CmdEditTaxCodes, "CmdEditTaxCodes", "Tax codes", RunEditTaxCodes, HAS(RSEditTaxCode)},
    {CmdEditSalespersons, "CmdEditSalespersons", "Salespersons", RunEditSalespersons, HAS(EditSalespersonByParams)},
    {CmdEditSalespersonTime, "CmdEditSalespersonTime", "Salesperson time clock", RunEditSalespersonTime, HAS(RSEditSPTime)},
    {CmdEditCashRegisters, "CmdEditCashRegisters", "Cash registers", RunEditCashRegisters, HAS(RSEditCashReg)},
    {CmdEditWarehouses, "CmdEditWarehouses", "Warehouses", RunEditWarehouses, HAS(RSEditWarehouses)},
    {CmdEditShipVia, "CmdEditShipVia", "Ship via", RunEditShipVia, HAS(RSEditShipVia)},
    {CmdEditWeightUnits, "CmdEditWeightUnits", "Weight units", RunEditWeightUnits, HAS(EditWUCode)},
    {CmdEditCompanyId, "CmdEditCompanyId", "Company information", RunEditCompanyId, HAS(RSEditCompanyId)},
    {CmdEditSystemLookups, "CmdEditSystemLookups", "Lookup settings", RunEditSystemLookups, HAS(RSEditSystemLook)},
    {CmdEditDefaultProduct, "CmdEditDefaultProduct", "Default product", RunEditDefaultProduct, HAS(RSEditDefaultProduct)},
    {CmdEditDefaultCustomer, "CmdEditDefaultCustomer", "Default customer", RunEditDefaultCustomer, HAS(RSEditDefaultCustomer)},
    {CmdRefreshHeading, "CmdRefreshHeading", "Refresh heading", RunNothing, Own},
    {CmdEditDefaultPrinter, "CmdEditDefaultPrinter", "Default printer", RunEditDefaultPrinter, HAS(EditDefaultPrinter)},
    {CmdEditUserAccess, "CmdEditUserAccess", "User access rights", RunEditUserAccess, HAS(RSEditUserAccess)},
    {CmdEditPasswords, "CmdEditPasswords", "Passwords", RunEditPasswords, HAS(RSEditPassword)},
    {CmdEditFormSetup, "CmdEditFormSetup", "Form setup", RunEditFormSetup, HAS(EditFormSetup)},
    {CmdEditPrinters, "CmdEditPrinters", "Receipt printers", RunEditPrinters, HAS(RSDosEditPrinters)},
    {CmdEditUdfSettings, "CmdEditUdfSettings", "User-defined fields", RunEditUdfSettings, HAS(RSUDFSettings)},
    {CmdSalesPosting, "CmdSalesPosting", "Post sales", RunSalesPosting, HAS(ShowPosPostScreen)},
    {CmdCustomerHistory, "CmdCustomerHistory", "Customer history", RunCustomerHistory, HAS(ViewCustHistoryByParams)},
};
#undef HAS

const Command* FindCommand(int number)
{
    for (const Command& c : kCommands)
        if (c.number == number) return &c;
    return nullptr;
}

// ---- the log-in loop -------------------------------------------------------

// Banner, period lines, settings and the user-defined-field table id after a
// company was opened.
void AfterCompanyOpened()
{
    ShowCompanyBanner(0);
    ShowPeriodStatus();
    ReloadSysInterface();
    SetUdfGeneralTable(No(IsInterfaced() ? FileNo::AccountingGeneral : FileNo::General));
}

void RunLogin()
{
    int firstPass = 1;
    int repeat = 0;
    char userId[32] = {};
    char password[32] = {};
    for (;;) {
        if (!CreateStationFiles()) break;
        int listCreated = 0, defaultKnown = 0;
        if (!OpenCompany(firstPass, &listCreated, &defaultKnown)) break;
        if (DataPath()[0] == 0) return;
        RecmanClearStaleMarkers(DataPath());
        CheckNewFiles90();
        WriteSysInterfaceRecord();
        ExitCode() = ExitDone;

        int stationKnown = 0;
        if (!ValidateStationAndDate(&stationKnown)) {
            ExitCode() = ExitCancelled;
            return;
        }
        if (!stationKnown) AskStationId();

        AfterCompanyOpened();
        ClearOptionFlag(2);

        int rejected = 0, signedIn = 0;
        std::memset(userId, 0, sizeof userId);
        std::memset(password, 0, sizeof password);
        if (!ValidateUserPassword(userId, password, &rejected, &signedIn) || rejected) {
            ExitCode() = ExitCancelled;
            return;
        }
        if (!VerifyOnlineCheckRegister() || !VerifyOnlineLedger()) {
            ExitCode() = ExitCancelled;
            return;
        }
        if (signedIn) return;
        if (PromptUserPassword(userId, password)) return;
        // Run from a script that has nothing left, nobody can pick another
        // company or type again: the cancelled or failed sign-in ends the
        // log-in at once (the company list would only open the same one).
        if (!FxUsingTerminal() && FxScriptRemaining() == 0) {
            ExitCode() = ExitCancelled;
            return;
        }
        repeat = 1;
        firstPass = 0;
    }
    if (repeat) ExitCode() = ExitCancelled;
}

void RunOpenCompany()
{
    int listCreated = 0, defaultKnown = 0;
    if (!OpenCompany(0, &listCreated, &defaultKnown)) return;
    if (DataPath()[0] == 0) return;
    RecmanClearStaleMarkers(DataPath());
    CheckNewFiles90();
    WriteSysInterfaceRecord();
    ShowCompanyBanner(0);
    ShowPeriodStatus();
    SetUdfGeneralTable(No(IsInterfaced() ? FileNo::AccountingGeneral : FileNo::General));
    if (!VerifyOnlineCheckRegister() || !VerifyOnlineLedger()) {
        ExitCode() = ExitCancelled;
        return;
    }
    char userId[32] = {};
    char password[32] = {};
    PromptUserPassword(userId, password);
}

// After a restore: is the restored data current, convertible or refused?
void RestoreCheck()
{
    const int code = DetectDataSetVersion(DataPath());
    if (code >= 10 && code <= 15) {
        SetConversionState(107);
    } else if (code != DataSetCurrent) {
        AskNumberedMessage(1487, "Continue", 1);
        SetConversionState(110);
    }
}

void ConvertAfterRestore()
{
    if (GetConversionState() != 107) return;
    SetConversionState(0);
    if (ConvertCompanyData(DataPath()) == 0) {
        SetDataFolders(DataPath());
        ReloadSysInterface();
        SetAccountingFolderIfValid(" ");
    }
}

} // namespace

BWPS1_API int BWPS1CommandInfo(int index, int* number, const char** constant, const char** title)
{
    constexpr int count = sizeof kCommands / sizeof kCommands[0];
    if (index < 0 || index >= count) return 0;
    if (number) *number = kCommands[index].number;
    if (constant) *constant = kCommands[index].constant;
    if (title) *title = kCommands[index].title;
    return 1;
}

BWPS1_API int BWPS1CommandOutcome(char* text, int size)
{
    if (text != nullptr && size > 0)
        std::snprintf(text, static_cast<size_t>(size), "%s", g_outcome.c_str());
    return g_outcome.empty() ? 0 : 1;
}

BWPS1_API int BWPS1CommandInBuild(int number)
{
    const Command* c = FindCommand(number);
    if (!c) return -1;
    return c->inBuild() ? 1 : 0;
}

BWPS1_API int CheckCommandAccess(void)
{
    return CheckSessionCommandAccess() ? 0 : 1;
}

BWPS1_API int BWPSRunCommand(void)
{
    LedgerObjects objects;  // the check-register and ledger objects of this call
    PushClientConfig();

    const int command = CommandNumber();
    if (command != CmdLogin && command != CmdCompanyHeading && command != CmdConfirmExit &&
        command != -102) {
        ReloadPasswords();
        ReloadSysInterface();
        if (command != 115 && CheckCommandAccess()) {
            ShowCompanyBanner(0);
            return 0;
        }
    }
    SetAccountingFolderIfValid(AccountingFolderText());

    if (static_cast<unsigned>(command) > 106u) {
        if (!FormatToolsReady(1, command)) CommandNumber() = -1;
        ReadLookUpsRecord();
        ClearEditorCallFlag();
    }

    int result = 0;
    g_outcome.clear();
    const Command* c = FindCommand(CommandNumber());
    if (c) {
        c->run();
        if (c->number == CmdBackupRestore) RestoreCheck();
    } else {
        result = -1;
    }

    ConvertAfterRestore();
    FormatToolsReady(0, -1);
    if (command != CmdLogin && command != CmdCompanyHeading) ShowCompanyBanner(0);
    return result;
}

BWPS1_API int BWPSVerifyBaseFiles(const char* baseFolder, int* missing)
{
    std::string folder = baseFolder ? baseFolder : "";
    if (folder.empty() || folder.back() != '/') folder += '/';
    if (missing) *missing = 0;
    // The base folder's files from the company list on, other than the
    // company list, the station file and the cash registers.
    for (int file = No(FileNo::CompanyIds); DataFileKind(file) != -1; ++file) {
        if (DataFileKind(file) != 0) continue;
        const FileNo no = static_cast<FileNo>(file);
        if (no == FileNo::CompanyIds || no == FileNo::Stations || no == FileNo::CashRegisters)
            continue;
        std::error_code ec;
        if (!fs::exists(folder + DataFileName(file), ec)) {
            if (missing) *missing = file;
            return 0;
        }
    }
    return 1;
}

BWPS1_API int BWPSVerifyBaseFilesDefault(void)
{
    ExitCode() = ExitCancelled;
    SetSessionDatesToToday();
    SetDefaultPrinterSettings();
    int missing = 0;
    if (!BWPSVerifyBaseFiles(BasePath(), &missing)) {
        char text[200];
        std::snprintf(text, sizeof text, " A file is missing from the RAZAVUR subdirectory : %s ",
                      DataFileName(missing).c_str());
        ShowTextMessage(text);
        return 0;
    }
    return 1;
}
