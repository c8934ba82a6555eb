// The command table of BWPSRunCommand and the base-file checks.
#include "bwps/files.h"
#include "bwps/records/users.h"
#include "tests/extensions/company/fixture.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "bwps/catalogue.h"
#include "bwps/check_table.h"
#include "bwps/testing.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/versions.h"
#include "bwps/session.h"
#include "extensions/utilities/backup_restore_testing.h"
#include "fx.h"

namespace fs = std::filesystem;

namespace companytest {
namespace {

class CommandEntryTest : public CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        company_ = Folder("store");
        Start("");
        ASSERT_TRUE(Create("Store", company_));
    }
    std::string company_;
};

std::set<int> TableNumbers()
{
    std::set<int> numbers;
    int number = 0;
    for (int i = 0; BWPS1CommandInfo(i, &number, nullptr, nullptr); ++i) numbers.insert(number);
    return numbers;
}

TEST_F(CommandEntryTest, TableHoldsExactlyTheKnownCommands)
{
    const std::set<int> expected = {101, 102, 103, 104, 105, 110, 111, 112, 113, 120, 121, 122, 124,
                                    125, 126, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140,
                                    141, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 206, 401};
    EXPECT_EQ(TableNumbers(), expected);
}

// Which entry each command number reaches. A screen that is not in this
// build names its entry in the placeholder and leaves ExitNotInThisBuild
// (told apart from a cancelled command); the company jobs' own commands
// leave their own marks. The log-in and the company opening have tests of
// their own.
TEST_F(CommandEntryTest, EachNumberReachesItsEntry)
{
    const std::map<int, std::string> screens = {
        {102, "RSEDITDATE"},         {111, "CopyCompany"},         {112, "BackupRestore"},
        {113, "ShowUtilityScreen"},  {120, "RSEditCustomer"},      {121, "RSEditMasterItems"},
        {122, "RSEditProduct"},      {124, "EditServiceByCode"},   {125, "EditBillCodesByParams"},
        {126, "RSEditSerialNumbers"}, {130, "RSEditTenders"},      {131, "RSEditMsgCode"},
        {132, "RSEditPriceBreaks"},  {133, "RSEditTermsCode"},     {134, "RSEditTaxCode"},
        {135, "EditSalespersonByParams"}, {136, "RSEditSPTime"},   {137, "RSEditCashReg"},
        {138, "RSEditWarehouses"},   {139, "RSEditShipVia"},       {140, "EditWUCode"},
        {141, "RSEditCompanyId"},    {144, "RSEditSystemLook"},    {145, "RSEditDefaultProduct"},
        {146, "RSEditDefaultCustomer"}, {148, "EditDefaultPrinter"}, {149, "RSEditUserAccess"},
        {150, "RSEditPassword"},     {151, "EditFormSetup"},       {152, "RSDosEditPrinters"},
        {153, "RSUDFSettings"},      {401, "ViewCustHistoryByParams"},
    };
    for (const auto& [number, entry] : screens) {
        SCOPED_TRACE("command " + std::to_string(number) + " " + entry);
        if (BWPS1CommandInBuild(number) == 1) continue;  // the screen is in this build
        EXPECT_EQ(BWPS1CommandInBuild(number), 0);
        FxTranscriptClear();
        Session().ExitCode = 0;
        EXPECT_EQ(Run(number), 0);
        EXPECT_TRUE(Saw("\"" + entry + " is not available in this build.\"")) << Transcript();
        EXPECT_EQ(Count("not available in this build"), 1) << Transcript();
        EXPECT_EQ(Session().ExitCode, ExitNotInThisBuild);
    }

    // The company jobs' own commands.
    struct Own {
        int number;
        const char* script;
        const char* mark;  // null: nothing is shown
    };
    const Own own[] = {
        {CmdCompanyHeading, "", "banner \""},
        {CmdConfirmExit, "answer No", "\"Exit the program?\""},
        {CmdRefreshHeading, "", nullptr},
    };
    for (const Own& c : own) {
        SCOPED_TRACE("command " + std::to_string(c.number));
        EXPECT_EQ(BWPS1CommandInBuild(c.number), 1);
        Script(c.script);
        FxTranscriptClear();
        Session().ExitCode = 0;
        EXPECT_EQ(Run(c.number), 0);
        EXPECT_EQ(Session().ExitCode, 0);
        EXPECT_FALSE(Saw("not available")) << Transcript();
        if (c.mark != nullptr) {
            EXPECT_TRUE(Saw(c.mark)) << Transcript();
        }
    }
    EXPECT_EQ(BWPS1CommandInBuild(CmdLogin), 1);
    EXPECT_EQ(BWPS1CommandInBuild(CmdOpenCompany), 1);
    EXPECT_EQ(BWPS1CommandInBuild(106), -1);
    // Every number of the table is in one of the lists above.
    for (int number : TableNumbers()) {
        const bool listed = screens.count(number) != 0 || number == CmdLogin ||
                            number == CmdOpenCompany || number == CmdHelpIndex ||
                            number == CmdCompanyHeading || number == CmdConfirmExit ||
                            number == CmdRefreshHeading || number == CmdSalesPosting;
        EXPECT_TRUE(listed) << "command " << number;
    }
}

TEST_F(CommandEntryTest, UnknownNumbersAnswerMinusOneAndRunNothing)
{
    for (int number : {0, 1, 100, 106, 107, 108, 109, 114, 115, 116, 117, 118, 119, 123, 127, 128,
                       129, 142, 143, 154, 205, 400, 402, -1, -102, 102 + 65536}) {
        FxTranscriptClear();
        Session().ExitCode = 5;
        EXPECT_EQ(Run(number), -1) << "command " << number;
        EXPECT_EQ(Session().ExitCode, 5) << "command " << number;
        EXPECT_FALSE(Saw("not available")) << "command " << number;
    }
}

TEST_F(CommandEntryTest, RefreshHeadingOpensNothing)
{
    FxTranscriptClear();
    Session().ExitCode = 0;
    EXPECT_EQ(Run(CmdRefreshHeading), 0);
    EXPECT_EQ(Session().ExitCode, 0);
    EXPECT_FALSE(Saw("window open"));
    EXPECT_FALSE(Saw("message"));
}

// Enter alone takes the default, No: leaving is never the answer a slip gives.
TEST_F(CommandEntryTest, ConfirmExitDefaultsToStaying)
{
    Script("key Enter\n");
    Session().ExitCode = 0;
    FxTranscriptClear();
    EXPECT_EQ(Run(CmdConfirmExit), 0);
    EXPECT_EQ(Session().ExitCode, 0);
    EXPECT_TRUE(Saw("\"Exit the program?\" [Yes,No] -> No")) << Transcript();
}

TEST_F(CommandEntryTest, ConfirmExitSetsCancelOnlyForYes)
{
    Script("answer Yes\n");
    Session().ExitCode = 0;
    FxTranscriptClear();
    EXPECT_EQ(Run(CmdConfirmExit), 0);
    EXPECT_EQ(Session().ExitCode, ExitCancelled);
    EXPECT_TRUE(Saw("\"Exit the program?\" [Yes,No] -> Yes")) << Transcript();

    Script("answer No\n");
    Session().ExitCode = 0;
    EXPECT_EQ(Run(CmdConfirmExit), 0);
    EXPECT_EQ(Session().ExitCode, 0);
}

// A user who lacks the right to a secured command is refused: nothing runs,
// the exit code stays, and 0 comes back. Command 115 and -102 skip that
// check and end as unknown commands.
TEST_F(CommandEntryTest, RightsCheckRefusesSecuredCommands)
{
    RequirePasswords(company_);
    AddUser(company_, "CLERK", "pw");
    SetFolders(nullptr, company_.c_str(), nullptr);
    std::memcpy(Session().DataPath, company_.c_str(), company_.size() + 1);
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::MenuRights)), 0, 0), 0);
    SecuredFunctionRecord record{};
    record.Right = 7;
    record.Command = CmdEditCustomers;
    char key[64] = {};
    ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
    Session().UserLevel = 0;
    std::memset(Session().UserId, 0, sizeof Session().UserId);
    std::memcpy(Session().UserId, "NOBODY", 6);

    FxTranscriptClear();
    Session().ExitCode = 3;
    EXPECT_EQ(Run(CmdEditCustomers), 0);
    EXPECT_EQ(Session().ExitCode, 3);
    EXPECT_FALSE(Saw("not available"));

    // An unlisted number is refused like any secured command; 115 and -102
    // pass by the check and end as unknown.
    EXPECT_EQ(Run(116), 0);
    EXPECT_EQ(Run(115), -1);
    EXPECT_EQ(Run(-102), -1);

    Session().UserLevel = BWPS_SUPERVISOR_LEVEL;
    FxTranscriptClear();
    EXPECT_EQ(Run(CmdEditCustomers), 0);
    // the supervisor passes the check and reaches the customer screen
    EXPECT_FALSE(Saw("not available")) << FxTranscript();
    EXPECT_TRUE(Saw("RSEditCustomer")) << FxTranscript();
}

// After the backup-and-restore command the restored data is checked: a
// convertible release is converted in the same call, an unusable one is
// refused with message 1487, a current one is left alone.
TEST_F(CommandEntryTest, RestoreCheckDecidesOnTheRestoredData)
{
    // Current data: nothing more happens.
    FxTranscriptClear();
    EXPECT_EQ(Run(CmdBackupRestore), 0);
    EXPECT_EQ(Session().ConversionState, 0);
    EXPECT_FALSE(Saw("incomplete or of an unknown version"));

    // Data stamped 12.0: the conversion screen comes up at once; left with
    // Esc, the data stays as it is.
    TagFilesVersion stamp{};
    std::memcpy(stamp.Key, "0BwFilesVersion", 16);
    stamp.Major = 12;
    const std::string general = company_ + "/" + GetDataFileName(bwps::No(bwps::FileNo::General));
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, general.c_str(), 0, 0), 0);
    ASSERT_EQ(WriteFileVersionStamp(handle, &stamp), 0);
    BtrCloseFile(handle);
    ASSERT_EQ(DetectDataSetVersion(company_.c_str()), 14);
    FxTranscriptClear();
    EXPECT_EQ(Run(CmdBackupRestore), 0);
    EXPECT_EQ(Session().ConversionState, 0);
    EXPECT_TRUE(Saw("run end RSFileConvert Esc")) << Transcript();
    EXPECT_EQ(DetectDataSetVersion(company_.c_str()), 14);

    // Data of the oldest release: refused.
    const std::string oldest = Folder("oldest");
    fs::create_directories(oldest);
    std::ofstream(oldest + "/POSACCT.DB") << "old";
    std::memset(Session().DataPath, 0, BWPS_PATH_SIZE);
    std::memcpy(Session().DataPath, oldest.c_str(), oldest.size());
    FxTranscriptClear();
    EXPECT_EQ(Run(CmdBackupRestore), 0);
    EXPECT_EQ(Session().ConversionState, BWPS_CONVERSION_REFUSED);
    EXPECT_TRUE(Saw("The company data is incomplete or of an unknown version.")) << Transcript();
    EXPECT_FALSE(Saw("ConvertCompanyData"));
}

// A backup that was asked for and not made ends the command with exit code
// 33 and a line saying so; leaving the screen without a run is no failure.
TEST_F(CommandEntryTest, ABackupNotMadeEndsTheCommandNotDone)
{
    // A backup into the data folder itself: the library refuses it.
    const std::string library = bwpstest::BuildProgramFolder() + "/libDuVoDod.so";
    SetBackupLibraryFile(library.c_str());
    Script("field 3 " + company_ + "\nfield 4 " + company_ + "/bk\nkey F10\nanswer 1\nanswer OK\nkey Esc\n");
    Session().ExitCode = 0;
    EXPECT_EQ(Run(CmdBackupRestore), 0);
    EXPECT_EQ(Session().ExitCode, ExitNotDone) << Transcript();
    char outcome[200] = {};
    EXPECT_EQ(BWPS1CommandOutcome(outcome, sizeof outcome), 1);
    EXPECT_NE(std::string(outcome).find("backup or restore"), std::string::npos) << outcome;

    Script("key Esc\n");
    Session().ExitCode = 0;
    EXPECT_EQ(Run(CmdBackupRestore), 0);
    EXPECT_NE(Session().ExitCode, ExitNotDone) << Transcript();
    EXPECT_EQ(BWPS1CommandOutcome(outcome, sizeof outcome), 0);
    ResetBackupRestoreState();
}

TEST_F(CommandEntryTest, VerifyBaseFilesFindsTheFirstMissingFile)
{
    int missing = -1;
    EXPECT_EQ(BWPSVerifyBaseFiles(base().c_str(), &missing), 1);
    EXPECT_EQ(missing, 0);
    const std::string slash = base() + "/";
    EXPECT_EQ(BWPSVerifyBaseFiles(slash.c_str(), &missing), 1);

    // The company list, the stations and the cash drawers are not checked.
    for (int file : {85, 86, 100}) fs::remove(base() + "/" + GetDataFileName(file));
    EXPECT_EQ(BWPSVerifyBaseFiles(base().c_str(), &missing), 1);

    fs::remove(base() + "/" + GetDataFileName(bwps::No(bwps::FileNo::KeyDefinitions)));
    EXPECT_EQ(BWPSVerifyBaseFiles(base().c_str(), &missing), 0);
    EXPECT_EQ(missing, 88);

    FxTranscriptClear();
    EXPECT_EQ(BWPSVerifyBaseFilesDefault(), 0);
    EXPECT_EQ(Session().ExitCode, ExitCancelled);
    EXPECT_TRUE(Saw("A file is missing from the RAZAVUR subdirectory : BPOSKEY.DB"));
    EXPECT_EQ(std::string(Session().PrinterTypeName).substr(0, 14), "IBM-Default   ");
    EXPECT_NE(Session().SystemDate, 0);
    EXPECT_EQ(Session().SystemDate, Session().ProgramDate);
}

TEST_F(CommandEntryTest, OrdinalsGiveTheExports)
{
    EXPECT_EQ(BWPS1Ordinal(1), reinterpret_cast<void*>(&BWPSRunCommand));
    EXPECT_EQ(BWPS1Ordinal(2), reinterpret_cast<void*>(&BWPSVerifyBaseFilesDefault));
    EXPECT_EQ(BWPS1Ordinal(3), reinterpret_cast<void*>(&BWPSVerifyBaseFiles));
    EXPECT_EQ(BWPS1Ordinal(45), reinterpret_cast<void*>(&OpenCompany));
    EXPECT_EQ(BWPS1Ordinal(100), reinterpret_cast<void*>(&BWPSCreateCompany));
    EXPECT_EQ(BWPS1Ordinal(103), reinterpret_cast<void*>(&BWPSFileOpenSelect));
    EXPECT_EQ(BWPS1Ordinal(4), nullptr);
}

TEST_F(CommandEntryTest, KeepsAPrivateCopyOfTheCheckTableFromLoad)
{
    const auto* copy = static_cast<const FileCheckRow*>(BWPS1CheckTableCopy());
    ASSERT_NE(copy, nullptr);
    FindCheckEntry(10)->RecordCount = 99;  // the library's table changes ...
    EXPECT_EQ(copy[0].FileNumber, CHECK_ALL_FILES);
    EXPECT_EQ(copy[8].FileNumber, 10);
    EXPECT_EQ(copy[8].RecordCount, -1);  // ... the copy does not
    EXPECT_EQ(copy[GetCheckTableSize() - 1].FileNumber, 0);
    ResetCheckTable();
}

}  // namespace
}  // namespace companytest
