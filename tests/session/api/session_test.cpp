// Library load, the session block, the session's paths, company
// information, the interface flag and the company-id list.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/versions.h"
#include "fx.h"
#include "recman.h"
#include "recman_testing.h"
#include "tests/session/api/fixture.h"
#include "tests/support/privileges.h"

namespace fs = std::filesystem;
using sessiontest::SessionTest;

// Lookup dialogs of this test program: they take the place of the
// library's own (the picks copy fields of whatever record the dialog gives).
namespace {
int g_lookupResult = 0;
std::string g_screenLibrary;
}  // namespace

// The framework's loader of the screen resource library, seen from here.
extern "C" __attribute__((visibility("default"))) int FxLoadScreenLibrary(const char* path)
{
    g_screenLibrary = path != nullptr ? path : "";
    return 0;
}

extern "C" __attribute__((visibility("default"))) int FlyCustomers(const char*, int, uint16_t,
                                                                     void* record, int, int, int,
                                                                     int, int, int)
{
    auto* r = static_cast<CustomerRecord*>(record);
    std::memcpy(r->Code, "C1234567890", 11);   // 11 characters: only 10 are copied
    std::strcpy(r->Name, "Acme Hardware");
    std::strcpy(r->Zip, "62701");
    std::strcpy(r->Salesperson, "SP1");
    std::strcpy(r->Account, "1200");
    std::strcpy(r->InterfaceCode, "TX1");
    std::memcpy(r->Field27, "BG1234", 6);      // no NUL in the field: cut to 5
    return g_lookupResult;
}

extern "C" __attribute__((visibility("default"))) int FlyProducts(const char*, int, uint16_t,
                                                                    void* record, int, int, int,
                                                                    int, int, int)
{
    auto* r = static_cast<TagProduct*>(record);
    std::strcpy(r->Code, "WIDGET-100");
    std::strcpy(r->Description, "Blue widget");
    std::strcpy(r->Text85, "HW");
    std::strcpy(r->Text58, "UPC12345");
    std::strcpy(r->Vendor1, "VEND1");
    std::strcpy(r->Warehouse, "MAIN");            // cut to 3
    return g_lookupResult;
}

namespace {

TEST(LibraryLoad, ProgramFolderIsTheLibrarysOwnFolder)
{
    sessiontest::ResetEverything();
    const SessionBlock* session = GetSessionPaths();
    std::string program = fs::canonical(sessiontest::BuildProgramFolder()).string();
    EXPECT_EQ(std::string(session->ProgramPath), program);
    EXPECT_EQ(std::string(session->BasePath), program + "/RAZAVUR");
    EXPECT_EQ(std::string(session->DictionaryPath), program + "/ROVAZERI");
    EXPECT_EQ(std::string(GetBasePath()), program + "/RAZAVUR");
    EXPECT_NE(GetLibraryModuleHandle(), nullptr);
}

TEST(SessionPaths, ExeAndFilesPathsSetTheBlockAndTheFolders)
{
    sessiontest::ResetEverything();
    SessionBlock* session = GetSessionPaths();
    std::memset(session->BasePath, 'x', sizeof session->BasePath);  // cleared before it is written

    EXPECT_EQ(BWPSSetExePath("/opt/store"), 0);
    EXPECT_STREQ(session->ProgramPath, "/opt/store");
    EXPECT_STREQ(session->BasePath, "/opt/store/RAZAVUR");
    EXPECT_EQ(session->BasePath[sizeof "/opt/store/RAZAVUR"], '\0');
    EXPECT_STREQ(session->DictionaryPath, "/opt/store/ROVAZERI");

    EXPECT_EQ(BWPSSetFilesPath("/data/shop1"), 0);
    EXPECT_STREQ(session->DataPath, "/data/shop1");
    EXPECT_STREQ(GetFilesPath(), "/data/shop1");
    EXPECT_STREQ(GetBasePath(), "/opt/store/RAZAVUR");

    // Null folders change nothing.
    EXPECT_EQ(BWPSSetExePath(nullptr), 0);
    EXPECT_EQ(BWPSSetFilesPath(nullptr), 0);
    EXPECT_STREQ(session->ProgramPath, "/opt/store");
    EXPECT_STREQ(session->DataPath, "/data/shop1");

    // A folder longer than the field is cut inside it.
    std::string deep(300, 'd');
    BWPSSetExePath(("/" + deep).c_str());
    EXPECT_EQ(std::strlen(session->ProgramPath), size_t{BWPS_PATH_SIZE - 1});
    EXPECT_EQ(std::strlen(session->BasePath), size_t{BWPS_PATH_SIZE - 1});
    sessiontest::ResetEverything();
}

TEST(SessionPaths, BasePathIsCopiedWithinTheCallersSize)
{
    sessiontest::ResetEverything();
    BWPSSetExePath("/opt/store");
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(BWPSGetBasePath(buffer, 8), 1);
    EXPECT_STREQ(buffer, "/opt/st");
    EXPECT_EQ(buffer[8], '#');
    EXPECT_EQ(BWPSGetBasePath(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "/opt/store/RAZAVUR");
    EXPECT_EQ(BWPSGetBasePath(nullptr, 10), 0);
    sessiontest::ResetEverything();
}

class SessionStartStop : public SessionTest {};

// A company whose files cannot be written, checked without the super-user's
// rights (permission bits do not bind the super-user, and CI runs the tests
// as the super-user): the files open for reading, a write gives 94, and the
// error report shows and counts it.
TEST_F(SessionStartStop, ReadOnlyCompanyReportsPermissionErrors)
{
    SetPasswordsInForce(false);  // a "0sysinterface  " record to rewrite
    RecmanReset();               // no connection opened for writing is kept
    const std::string scratch = fs::path(data()).parent_path().string();
    ASSERT_TRUE(bwpstest::GiveToUnprivileged(scratch));
    const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const auto exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    for (const auto& entry : fs::directory_iterator(data()))
        fs::permissions(entry.path(), readOnly);
    fs::permissions(data(), readOnly | exec);

    // The child answers the number of the first check that failed.
    const int failed = bwpstest::RunUnprivileged([] {
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::General)), 0, 0) != 0) return 1;
        char key[256] = "0sysinterface  ";
        TagSysInterface record{};
        if (BtrGet(B_GET_EQUAL, handle, key, &record, sizeof record) != 0) return 2;
        if (BtrWrite(B_UPDATE, handle, key, &record, sizeof record) != B_PERMISSION_ERROR) return 3;
        if (BtrWrite(B_INSERT, handle, key, &record, sizeof record) != B_PERMISSION_ERROR) return 4;
        BtrCloseFile(handle);
        FxTranscriptClear();
        const int before = RecordManagerErrorsReported(nullptr, nullptr, 0);
        if (WriteSysInterfaceRecord() != 0) return 5;
        int status = 0;
        if (RecordManagerErrorsReported(&status, nullptr, 0) != before + 1 || status != 94) return 6;
        if (std::string(FxTranscript()).find("Btrieve Error #  94") == std::string::npos) return 7;
        return 0;
    });
    fs::permissions(data(), fs::perms::owner_all);
    for (const auto& entry : fs::directory_iterator(data()))
        fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(failed, 0) << "check " << failed << " failed in the unprivileged child";
}

TEST_F(SessionStartStop, RecordManagerGetsThePathBlockAndAZeroBlockAtStop)
{
    SessionPathBlock block;
    ASSERT_EQ(BtrGetClientConfig(&block), 0);
    const SessionBlock* session = GetSessionPaths();
    EXPECT_STREQ(block.ProgramPath, session->ProgramPath);
    EXPECT_STREQ(block.BasePath, (program() + "/RAZAVUR").c_str());
    EXPECT_STREQ(block.DictionaryPath, (program() + "/ROVAZERI").c_str());
    EXPECT_STREQ(block.DataPath, data().c_str());
    EXPECT_STREQ(block.AccountingPath, "");  // not interfaced
    EXPECT_STREQ(block.Unused, "");
    EXPECT_EQ(block.Zero, 0);
    EXPECT_EQ(block.One, 1);

    EXPECT_EQ(BWPSStopSession(), 1);
    SessionPathBlock after;
    std::memset(&after, 0x55, sizeof after);
    BtrGetClientConfig(&after);
    SessionPathBlock zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&after, &zero, sizeof zero), 0);
}

TEST_F(SessionStartStop, InterfacedStoreHandsTheAccountingFolderToTheRecordManager)
{
    TagSysInterface record{};
    std::memcpy(record.Key, "0sysinterface  ", 16);
    record.Interfaced = 1;
    record.InterfacedChar = 'Y';
    std::strcpy(record.AccountingFolder, "/books/acme   ");
    PutSettingsRecord("0sysinterface  ", &record, sizeof record);

    EXPECT_EQ(BWPSIsInterfaced(), 1);
    EXPECT_STREQ(GetSysInterfaceRecord()->AccountingFolder, "/books/acme");  // trimmed
    SessionPathBlock block;
    FillSessionPathBlock(&block);
    EXPECT_STREQ(block.AccountingPath, "/books/acme");
}

TEST_F(SessionStartStop, InterfaceRecordIsClearedWhenMissing)
{
    GetSysInterfaceRecord()->PasswordsInForce = 'Y';
    EXPECT_EQ(BWPSIsInterfaced(), 0);
    EXPECT_EQ(LoadInterfaceRecord(), 0);  // the record does not exist: status 4, reported
    EXPECT_EQ(GetSysInterfaceRecord()->PasswordsInForce, 0);
    EXPECT_NE(Transcript().find("Btrieve Error #   4"), std::string::npos);

    // Without the general file nothing is reported.
    fs::remove(data() + "/BPOSGNRL.DB");
    FxTranscriptClear();
    EXPECT_EQ(LoadInterfaceRecord(), 0);
    EXPECT_EQ(Transcript().find("Btrieve Error"), std::string::npos);
}

TEST_F(SessionStartStop, AccountingPathOfAnotherCompanyOnlyWhenALinkIsSet)
{
    sessiontest::ScratchFolder other;
    uint8_t spec[FILE_SPEC_SIZE] = {};
    ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::General), 0, other.path().c_str(), nullptr, spec), 0);
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, (other.path() + "/BPOSGNRL.DB").c_str(), 0, 0), 0);
    TagSysInterface record{};
    std::memcpy(record.Key, "0sysinterface  ", 16);
    record.Interfaced = 1;
    std::strcpy(record.AccountingFolder, "/books/acme");
    char key[256] = "0sysinterface  ";
    ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &record, sizeof record), 0);

    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(BWPSGetAccountingPath(other.path().c_str(), buffer, 7), 1);
    EXPECT_STREQ(buffer, "/books");
    EXPECT_EQ(BWPSGetAccountingPath(other.path().c_str(), buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "/books/acme");

    record.Interfaced = 0;
    ASSERT_EQ(BtrWrite(B_UPDATE, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
    EXPECT_EQ(BWPSGetAccountingPath(other.path().c_str(), buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
}

TEST_F(SessionStartStop, ScreenLibraryComesFromTheProgramFolderOrTheLibrarysOwn)
{
    EXPECT_EQ(g_screenLibrary, program() + "/DADOVIDA.DLL");
    BWPSStopSession();
    EXPECT_EQ(BWPSStartSession(nullptr, data().c_str()), 1);
    EXPECT_EQ(g_screenLibrary,
              fs::canonical(sessiontest::BuildProgramFolder()).string() + "/DADOVIDA.DLL");
}

TEST_F(SessionStartStop, FrameworkKnowsTheApplication)
{
    EXPECT_STREQ(FxGetAppCaption(0), "Bramlow Point of Sale");
    EXPECT_EQ(FxGetProductNumber(), 4);
}

class Picks : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        CreateFiles({10, 20});
    }
    // The buffer as text, with '#' for the bytes the pick left alone and
    // '.' for NULs.
    static std::string Shown(const char* buffer, int size)
    {
        std::string s(buffer, static_cast<size_t>(size));
        for (char& c : s)
            if (c == '\0')
                c = '.';
        return s;
    }
};

TEST_F(Picks, CustomerFieldsGoToTheirPlacesPaddedWithNuls)
{
    char buffer[100];
    std::memset(buffer, '#', sizeof buffer);
    g_lookupResult = 0;
    EXPECT_EQ(BWPSLookupCustomer(buffer), 0);
    EXPECT_EQ(Shown(buffer, 8), "########");

    g_lookupResult = 1;
    EXPECT_EQ(BWPSLookupCustomer(buffer), 1);
    EXPECT_EQ(Shown(buffer, 92),
              "C123456789#"
              "Acme Hardware..........................."
              "#62701.....#SP1..#1200......#TX1..#BG123#");
}

TEST_F(Picks, ProductResultIsTheLowByte)
{
    char buffer[80];
    std::memset(buffer, '#', sizeof buffer);
    g_lookupResult = 0x100;
    EXPECT_EQ(BWPSLookupProduct(buffer), 0);
    EXPECT_EQ(Shown(buffer, 4), "####");

    g_lookupResult = 0x101;
    EXPECT_EQ(BWPSLookupProduct(buffer), 1);
    EXPECT_EQ(Shown(buffer, 76),
              "WIDGET-100....#Blue widget...................#HW...#UPC12345#VEND1.....#MAI#");
}

TEST_F(Picks, MissingFileIsReported)
{
    fs::remove(data() + "/BPOSCUST.DB");
    g_lookupResult = 1;
    char buffer[100] = {};
    EXPECT_EQ(BWPSLookupCustomer(buffer), 0);
    EXPECT_NE(Transcript().find("Btrieve Error #  12"), std::string::npos);
}

class CompanyInfo : public SessionTest {};

TEST_F(CompanyInfo, TextsAreCutOrBlankPaddedToTheirFields)
{
    uint8_t record[818] = {};
    std::memcpy(record, "0Company       ", 16);
    PutSettingsRecord("0Company       ", record, sizeof record);

    const std::string longName(60, 'N');
    ASSERT_EQ(BWPSUpdateCompanyInfo(longName.c_str(), "12 Main St", "", "Springfield", "IL", "US",
                                    "62701", "555-0100", "555-0101", "555-0102",
                                    "owner@example.com", "12-3456789", "ST-1", "RES-9"),
              1);

    uint8_t stored[818] = {};
    ASSERT_EQ(ReadGeneralRecord(0, 0, sizeof stored, "0Company       ", stored), 0);
    struct Row {
        int offset;
        int width;
        std::string text;
    };
    const Row rows[] = {
        {517, 24, std::string(23, 'N')}, {16, 41, std::string(40, 'N')},
        {98, 41, "12 Main St"},          {139, 41, ""},
        {180, 41, "Springfield"},        {221, 16, "IL"},
        {237, 4, "US"},                  {241, 11, "62701"},
        {252, 15, "555-0100"},           {268, 15, "555-0101"},
        {284, 15, "555-0102"},           {300, 41, "owner@example.com"},
        {341, 14, "12-3456789"},         {393, 14, "ST-1"},
        {424, 14, "RES-9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.offset);
        std::string expected = row.text + std::string(row.width - 1 - row.text.size(), ' ');
        EXPECT_EQ(std::string(reinterpret_cast<char*>(stored + row.offset), row.width - 1),
                  expected);
        EXPECT_EQ(stored[row.offset + row.width - 1], 0);
    }
}

TEST_F(CompanyInfo, MissingRecordWritesNothing)
{
    EXPECT_EQ(BWPSUpdateCompanyInfo("a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l",
                                    "m", "n"),
              0);
    uint8_t stored[818];
    EXPECT_EQ(ReadGeneralRecord(0, 0, sizeof stored, "0Company       ", stored), 4);
}

class CompanyIdList : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        fs::remove(base() + "/BPOSCID.DB");
    }

    struct Entry {
        int result;
        std::string id;
        std::string path;
        int32_t date;
        char status;
    };
    Entry Hand(bool first, int idSize = 32, int pathSize = 160)
    {
        Entry e{};
        char id[64];
        char path[200];
        std::memset(id, '#', sizeof id);
        std::memset(path, '#', sizeof path);
        e.date = -1;
        e.status = '?';
        e.result = first ? BWPSGetFirstAppCID(nullptr, id, idSize, path, pathSize, &e.date, &e.status)
                         : BWPSGetNextAppCID(nullptr, id, idSize, path, pathSize, &e.date, &e.status);
        id[idSize - 1] = '\0';
        path[pathSize - 1] = '\0';
        e.id = id;
        e.path = path;
        return e;
    }
};

TEST_F(CompanyIdList, FirstCompanyIsTheDefaultAndAKnownFolderIsNotAddedTwice)
{
    EXPECT_EQ(BWPSUpdateAppCID("Main Store", "/data/main"), 1);
    EXPECT_EQ(BWPSUpdateAppCID("Second Store", "/data/second"), 1);
    EXPECT_EQ(BWPSUpdateAppCID("Renamed", "/DATA/Main"), 1);  // the folder compares without case

    Entry a = Hand(true);
    Entry b = Hand(false);
    Entry end = Hand(false);
    ASSERT_EQ(a.result, 1);
    ASSERT_EQ(b.result, 1);
    EXPECT_EQ(end.result, 0);

    EXPECT_EQ(a.id, "Main Store");
    EXPECT_EQ(a.path, "/data/main");
    EXPECT_EQ(a.status, 'D');
    EXPECT_EQ(a.date, FxToday());
    EXPECT_EQ(b.id, "Second Store");
    EXPECT_EQ(b.status, 'N');

    int count = 0;
    EXPECT_EQ(ReadCompanyIdRecords(GetBasePath(), nullptr, 0, &count), 0);
    EXPECT_EQ(count, 2);
}

TEST_F(CompanyIdList, ListIsEmptyAfterTheLastUntilItIsReadAgain)
{
    EXPECT_EQ(Hand(true).result, 0);  // no companies yet
    ASSERT_EQ(BWPSUpdateAppCID("Only", "/data/only"), 1);
    EXPECT_EQ(Hand(false).result, 0);  // nothing read yet
    EXPECT_EQ(Hand(true).result, 1);
    EXPECT_EQ(Hand(false).result, 0);
    EXPECT_EQ(Hand(false).result, 0);
    Entry again = Hand(true);
    EXPECT_EQ(again.result, 1);
    EXPECT_EQ(again.path, "/data/only");
}

TEST_F(CompanyIdList, TextsAreCutToTheRecordAndToTheCallersBuffers)
{
    const std::string id(30, 'I');
    const std::string folder = "/" + std::string(200, 'f');
    ASSERT_EQ(BWPSUpdateAppCID(id.c_str(), folder.c_str()), 1);
    Entry whole = Hand(true);
    EXPECT_EQ(whole.id, std::string(18, 'I'));
    EXPECT_EQ(whole.path, folder.substr(0, 143));

    Entry cut = Hand(true, 5, 10);
    EXPECT_EQ(cut.id, "IIII");
    EXPECT_EQ(cut.path, folder.substr(0, 9));
}

}  // namespace
