// Creating a company from nothing, and the cases where a folder already
// holds something.
#include "bwps/records/general.h"
#include "bwps/files.h"
#include "bwps/records/tenders.h"
#include "tests/extensions/company/fixture.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/session.h"
#include "bwps/versions.h"
#include "fx.h"
#include "tests/support/catalogue_table.h"

namespace fs = std::filesystem;

namespace companytest {
namespace {

class CreateCompanyTest : public CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        Start("");
    }
};

TEST_F(CreateCompanyTest, NewCompanyHasEveryDataFileAndOpensAsCurrent)
{
    const std::string folder = Folder("new/store");  // parents are made too
    ASSERT_TRUE(Create("New Store", folder)) << Transcript();

    // Every file of kinds 1 and 2 of the documented catalogue, with its
    // record length.
    int created = 0;
    for (const bwpstest::CatalogueRow& row : bwpstest::kCatalogueRows) {
        if (row.kind != FOLDER_DATA && row.kind != FOLDER_SHARED) continue;
        const std::string path = folder + "/" + row.name;
        ASSERT_TRUE(fs::exists(path)) << path;
        EXPECT_EQ(StoredRecordLength(path), row.length) << path;
        ++created;
    }
    EXPECT_EQ(created, 55);
    EXPECT_EQ(DetectDataSetVersion(folder.c_str()), DATASET_CURRENT);

    // The new company is the session's data folder.
    EXPECT_EQ(std::string(Session().DataPath), folder);
    EXPECT_EQ(std::string(GetFilesPath()).rfind(folder, 0), 0u);
    // Created without the screen, it is not in the company list.
    EXPECT_TRUE(ListRecords().empty());
}

// The defaults of a new company's interface record, byte for byte: every
// listed value at its stored offset, every other byte after the key zero.
TEST(InterfaceDefaults, EveryByteIsAtItsStoredOffset)
{
    struct Value {
        int offset;
        int width;  // 1 a byte, 2 a 16-bit word
        int value;
    };
    const Value kValues[] = {
        {21, 2, 1},      {27, 2, 1},      {31, 2, 1},      {35, 2, 1},      {47, 2, 1},
        {55, 2, 1},      {63, 2, 1},      {69, 2, 1},      {39, 2, 30},     {71, 2, 0x59},
        {73, 2, 0x59},   {75, 2, 0x59},   {77, 2, 0x59},   {79, 2, 0x59},   {441, 1, 'N'},
        {443, 1, 'N'},   {444, 1, 'Y'},   {445, 1, 1},     {446, 1, 'N'},   {447, 1, 'N'},
        {449, 1, 'N'},   {450, 1, 'N'},   {451, 1, 'N'},   {452, 1, 'N'},   {453, 1, 'N'},
    };
    unsigned char record[477];
    std::memset(record, 0xEE, sizeof record);
    InitSysInterfaceRecord(record);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record), 16), std::string("0sysinterface  \0", 16));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record) + 85, 11), std::string("CASH      \0", 11));
    std::vector<bool> listed(sizeof record, false);
    for (int i = 0; i < 16; ++i) listed[i] = true;
    for (int i = 85; i < 96; ++i) listed[i] = true;
    for (const Value& v : kValues) {
        int stored = record[v.offset];
        if (v.width == 2) stored |= record[v.offset + 1] << 8;
        EXPECT_EQ(stored, v.value) << "offset " << v.offset;
        for (int i = 0; i < v.width; ++i) listed[v.offset + i] = true;
    }
    for (size_t i = 0; i < sizeof record; ++i)
        if (!listed[i]) {
            EXPECT_EQ(record[i], 0) << "offset " << i;
        }
}

TEST_F(CreateCompanyTest, SettingsRecordsAreSeeded)
{
    const std::string folder = Folder("store");
    ASSERT_TRUE(Create("Store", folder));

    char company[818];
    ASSERT_EQ(ReadSetting(folder, "0Company       ", company, sizeof company), 0);
    EXPECT_EQ(std::string(company + 16, 31), std::string(30, ' ') + '\0');
    EXPECT_EQ(std::string(company + 180, 31), std::string(30, ' ') + '\0');
    EXPECT_EQ(company[300], 0);

    char passwords[167];
    ASSERT_EQ(ReadSetting(folder, "0Passwords     ", passwords, sizeof passwords), 0);
    EXPECT_EQ(passwords[16], 'L');

    TagSysInterface iface{};
    ASSERT_EQ(ReadSetting(folder, "0sysinterface  ", &iface, sizeof iface), 0);
    EXPECT_EQ(static_cast<int>(iface.Interfaced), 0);
    EXPECT_EQ(iface.PasswordsInForce, 'N');
    EXPECT_EQ(iface.ProductActivity, 'Y');
    EXPECT_EQ(iface.InterfacedChar, 'N');
    EXPECT_EQ(static_cast<int>(iface.VerifyBeforeCopy), 0x59);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&iface) + 85, 10), "CASH      ");
    int16_t word = 0;
    std::memcpy(&word, reinterpret_cast<char*>(&iface) + 39, 2);
    EXPECT_EQ(word, 30);

    char defaults[1479];
    ASSERT_EQ(ReadSetting(folder, "0Defaults      ", defaults, sizeof defaults), 0);
    EXPECT_EQ(std::string(defaults + 133, 5), std::string("NOY\0R", 5));
    EXPECT_EQ(std::string(defaults + 811 + 67, 3), std::string("EA\0", 3))
        << "the product image holds the product defaults";
    EXPECT_EQ(defaults[811 + 268], 3);

    char last[60];
    ASSERT_EQ(ReadSetting(folder, "0lastnumbers   ", last, sizeof last), 0);
    int32_t value = 0;
    std::memcpy(&value, last + 28, 4);
    EXPECT_EQ(value, 1);

    char year[20];
    ASSERT_EQ(ReadSetting(folder, "0currentyear   ", year, sizeof year), 0);
    std::memcpy(&word, year + 16, 2);
    EXPECT_EQ(word, FxToday() / 10000);

    char lookUps[76];
    ASSERT_EQ(ReadSetting(folder, "0LookUps       ", lookUps, sizeof lookUps), 0);
    EXPECT_EQ(std::string(lookUps + 16, 16), std::string(16, 'C'));
    EXPECT_EQ(std::string(lookUps + 36, 13), std::string(13, 'N'));

    TagFilesVersion stamp{};
    const std::string general = folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::General));
    ASSERT_EQ(ReadFileVersionStamp(&stamp, general.c_str()), 0);
    EXPECT_EQ(stamp.Major, 14);
    EXPECT_EQ(stamp.Minor, 0);
}

TEST_F(CreateCompanyTest, DefaultTendersAreSeeded)
{
    const std::string folder = Folder("store");
    ASSERT_TRUE(Create("Store", folder));
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, (folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::Tenders))).c_str(), 0, 0), 0);
    struct Row {
        const char* code;
        const char* account;
        char kind;
    };
    const Row expected[] = {{"AMEX      ", "11025     ", 'O'}, {"CASH      ", "11021     ", 'C'},
                            {"CHECK     ", "11021     ", 'K'}, {"M/C       ", "11023     ", 'O'},
                            {"VISA      ", "11024     ", 'O'}};
    char key[64] = {};
    TagTender record;
    int status = BtrGet(B_GET_FIRST, handle, key, &record, sizeof record);
    for (const Row& row : expected) {
        ASSERT_EQ(status, 0) << row.code;
        EXPECT_EQ(std::string(record.Code, 10), row.code);
        EXPECT_EQ(std::string(record.Account, 10), row.account) << row.code;
        EXPECT_EQ(record.Type, row.kind) << row.code;
        EXPECT_EQ(record.Processing, 'N');
        status = BtrGet(B_GET_NEXT, handle, key, &record, sizeof record);
    }
    EXPECT_EQ(status, B_END_OF_FILE);
    BtrCloseFile(handle);
}

TEST_F(CreateCompanyTest, SeedDataFilesComeFromTheBaseFolder)
{
    const std::string folder = Folder("store");
    ASSERT_TRUE(Create("Store", folder));
    for (int file : {1, 7, 28, 27, 71, 16}) {
        const std::string name = GetDataFileName(file);
        if (!fs::exists(base() + "/" + name)) continue;
        EXPECT_EQ(fs::file_size(folder + "/" + name), fs::file_size(base() + "/" + name)) << name;
    }
}

// A folder that already holds data files is not emptied unless the user
// says so: No keeps every record, Yes makes the files new.
TEST_F(CreateCompanyTest, ExistingDataFilesAreReplacedOnlyWhenConfirmed)
{
    const std::string folder = Folder("store");
    ASSERT_TRUE(Create("Store", folder));
    const std::string tenders = folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::Tenders));

    auto tenderCount = [&]() {
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, tenders.c_str(), 0, 0) != 0) return -1;
        const int count = BtrGetRecordCount(handle);
        BtrCloseFile(handle);
        return count;
    };
    // A record the user added after the creation.
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, tenders.c_str(), 0, 0), 0);
    char record[97] = {};
    std::memcpy(record, "GIFT      ", 10);
    char key[64] = {};
    ASSERT_EQ(BtrWrite(B_INSERT, handle, key, record, sizeof record), 0);
    BtrCloseFile(handle);
    ASSERT_EQ(tenderCount(), 6);

    for (const char* answer : {"", "answer No\n"}) {
        Script(answer);
        FxTranscriptClear();
        EXPECT_FALSE(Create("Store", folder));
        EXPECT_TRUE(Saw("already holds company data files"));
        EXPECT_EQ(tenderCount(), 6) << "answer: " << answer;
    }

    Script("answer Yes\n");
    EXPECT_TRUE(Create("Store", folder));
    EXPECT_EQ(tenderCount(), 5);
}

// A company interfaced with an accounting company takes that company's
// settings, and its tenders take the interface's first default account.
TEST_F(CreateCompanyTest, InterfacedCompanyTakesTheAccountingSettings)
{
    const std::string acc = Folder("accounting");
    fs::create_directories(acc);
    char spec[16] = {};
    ASSERT_EQ(CreateSessionDataFile(bwps::No(bwps::FileNo::AccountingGeneral), 0, acc.c_str(), nullptr, spec), 0);
    const std::string accGeneral = acc + "/" + GetAccountingDataFileName(bwps::No(bwps::FileNo::AccountingGeneral));
    ASSERT_TRUE(fs::exists(accGeneral)) << accGeneral;
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, accGeneral.c_str(), 0, 0), 0);
    auto put = [&](const char* key, char* record, int length) {
        std::memset(record, 0, 16);
        std::memcpy(record, key, std::strlen(key));
        char k[64] = {};
        EXPECT_EQ(BtrWrite(B_INSERT, handle, k, record, length), 0) << key;
    };
    char company[818] = {}, lookUps[76] = {}, defaults[2274] = {}, iface[204] = {};
    std::memcpy(company + 16, "Ledger House", 12);
    std::memset(lookUps + 16, 'N', 16);
    std::memset(defaults + 16, 'A', 810 - 16 + 1);
    std::memset(defaults + 1606, 'P', 2273 - 1606 + 1);
    std::memcpy(iface + offsetof(TagInterfaceRecord, Accounts), "10100     ", 10);
    put("0Company       ", company, sizeof company);
    put("0LookUps       ", lookUps, sizeof lookUps);
    put("0Defaults      ", defaults, sizeof defaults);
    put("0Interface     ", iface, sizeof iface);
    BtrCloseFile(handle);

    TagSysInterface record{};
    InitSysInterfaceRecord(&record);
    record.Interfaced = 1;
    std::memcpy(record.AccountingFolder, acc.c_str(), acc.size());
    const std::string folder = Folder("linked");
    int result = -5;
    ASSERT_EQ(CreateCompanyInFolder(0, "Linked", folder.c_str(), &record, &result), 0) << Transcript();
    EXPECT_EQ(result, 0);

    char read[1479] = {};
    ASSERT_EQ(ReadSetting(folder, "0Company       ", read, 818), 0);
    EXPECT_EQ(std::string(read + 16, 12), "Ledger House");
    ASSERT_EQ(ReadSetting(folder, "0LookUps       ", read, 76), 0);
    EXPECT_EQ(std::string(read + 16, 16), std::string(16, 'N'));
    ASSERT_EQ(ReadSetting(folder, "0Defaults      ", read, 1479), 0);
    EXPECT_EQ(std::string(read + 16, 795), std::string(795, 'A'));
    EXPECT_EQ(std::string(read + 811, 668), std::string(668, 'P'));

    ASSERT_EQ(BtrOpenFile(&handle, (folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::Tenders))).c_str(), 0, 0), 0);
    char key[64] = {};
    char tender[97];
    int count = 0;
    for (int st = BtrGet(B_GET_FIRST, handle, key, tender, sizeof tender); st == 0;
         st = BtrGet(B_GET_NEXT, handle, key, tender, sizeof tender), ++count)
        EXPECT_EQ(std::string(tender + 44, 10), "10100     ") << std::string(tender, 10);
    EXPECT_EQ(count, 5);
    BtrCloseFile(handle);
}

// A failure while seeding another company than the session's names that
// company's file and the operation that failed.
TEST_F(CreateCompanyTest, SeedingFailureNamesTheFileOfTheNewCompany)
{
    ASSERT_TRUE(Create("Store", Folder("store")));
    fs::create_directories(Folder("bare"));
    FxTranscriptClear();
    EXPECT_EQ(SeedCompanySettingsRecords(Folder("bare").c_str(), nullptr), B_FILE_NOT_FOUND);
    EXPECT_TRUE(Saw(Folder("bare") + "/BPOSGNRL.DB")) << Transcript();
    EXPECT_FALSE(Saw(Folder("store") + "/BPOSGNRL.DB")) << Transcript();

    FxTranscriptClear();
    EXPECT_EQ(SeedTenders(Folder("bare").c_str(), 0), B_FILE_NOT_FOUND);
    EXPECT_TRUE(Saw(Folder("bare") + "/BPOSTEND.DB")) << Transcript();
}

TEST_F(CreateCompanyTest, FolderThatCannotBeMadeIsReported)
{
    const std::string file = Folder("plain-file");
    std::ofstream(file) << "x";
    FxTranscriptClear();
    EXPECT_FALSE(Create("Store", file + "/store"));
    EXPECT_TRUE(Saw("The data folder could not be created."));
}

// ---- the "RSFileCreate" screen from the company list ----

class CreateScreenTest : public CreateCompanyTest {
protected:
    int RunScreen(const std::string& script, std::string* name = nullptr, std::string* folder = nullptr,
                  int newUser = 0)
    {
        Script(script);
        uint16_t handle = 0;
        int created = 0;
        EXPECT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
        char n[32] = {}, f[160] = {};
        FxTranscriptClear();
        const int result = CreateCompanyFiles(handle, newUser, n, f);
        BtrCloseFile(handle);
        if (name) *name = n;
        if (folder) *folder = f;
        return result;
    }
};

TEST_F(CreateScreenTest, CreatesAndListsTheCompany)
{
    std::string name, folder;
    const int result =
        RunScreen("field 1 Shop\nfield 2 " + Folder("shop") + "\nkey F10\n", &name, &folder);
    EXPECT_EQ(result, 0) << Transcript();
    EXPECT_EQ(name, "Shop");
    EXPECT_EQ(folder, Folder("shop"));
    const auto records = ListRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0].CompanyId, "Shop");
    EXPECT_EQ(records[0].Status, 'D');
    EXPECT_EQ(std::string(Session().DataPath), Folder("shop"));
}

// A company folder is never inside the program folder: the default is
// POSFILES in the home folder.
TEST_F(CreateScreenTest, DefaultFolderIsPosfilesInTheHomeFolder)
{
    const char* oldHome = std::getenv("HOME");
    const std::string keep = oldHome != nullptr ? oldHome : "";
    setenv("HOME", Folder("home").c_str(), 1);
    std::string folder;
    EXPECT_EQ(RunScreen("key Esc\n", nullptr, &folder, 1), ExitCancelled);
    EXPECT_EQ(folder, Folder("home") + "/POSFILES");
    EXPECT_EQ(RunScreen("key Esc\n", nullptr, &folder, 0), ExitCancelled);
    EXPECT_EQ(folder, Folder("home") + "/POSFILES");
    EXPECT_TRUE(ListRecords().empty());

    // "~" stands for the home folder; the company's folder is stored whole.
    EXPECT_EQ(RunScreen("field 1 Home\nfield 2 ~/shop\nkey F10\n", nullptr, &folder), 0)
        << Transcript();
    EXPECT_EQ(folder, Folder("home") + "/shop");
    ASSERT_EQ(ListRecords().size(), 1u);
    EXPECT_EQ(std::string(ListRecords()[0].Folder), Folder("home") + "/shop");
    if (oldHome != nullptr) setenv("HOME", keep.c_str(), 1);
    else unsetenv("HOME");
}

// Typed folders go through CheckFolderText: "." and ".." are resolved and
// the absolute folder is stored; a relative folder, an empty field and the
// program folder (or inside it) are refused with their messages and nothing
// is created. A control character never reaches the check from the screen
// (the field takes none); the check itself refuses one.
TEST_F(CreateScreenTest, TypedFoldersAreCheckedAndStoredAbsolute)
{
    std::string folder;
    EXPECT_EQ(RunScreen("field 1 Dots\nfield 2 " + Folder("x") + "/../dots/./\nkey F10\n", nullptr,
                        &folder),
              0)
        << Transcript();
    EXPECT_EQ(folder, Folder("dots"));
    ASSERT_EQ(ListRecords().size(), 1u);
    EXPECT_EQ(std::string(ListRecords()[0].Folder), Folder("dots"));

    struct Case {
        std::string typed;
        const char* message;
    };
    const Case cases[] = {
        {"relative/shop", "The folder name is not valid."},
        {"/", "The folder name is not valid."},
        {program() + "/POSFILES", "cannot be the program folder or a folder inside it."},
        {"   ", "Enter the folder of the company's data files."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(RunScreen("field 1 Other\nfield 2 " + c.typed + "\nkey F10\nkey Esc\n"),
                  ExitCancelled);
        EXPECT_TRUE(Saw(c.message)) << Transcript();
        EXPECT_EQ(ListRecords().size(), 1u);
    }
    EXPECT_FALSE(fs::exists("relative"));
    EXPECT_FALSE(fs::exists(program() + "/POSFILES"));

    char tab[FOLDER_BUFFER_SIZE] = "/a/tab\tname";
    EXPECT_EQ(CheckFolderText(tab), 0);
    char text[FOLDER_BUFFER_SIZE] = "/a/./b/../c/";
    EXPECT_EQ(CheckFolderText(text), 1);
    EXPECT_STREQ(text, "/a/c");
    // The field holds 143 characters; a longer folder text is refused.
    char out[FOLDER_BUFFER_SIZE];
    const std::string longest = "/" + std::string(COMPANY_FOLDER_MAX - 1, 'a');
    EXPECT_EQ(CheckFolderTextProblem(longest.c_str(), out, sizeof out), FOLDER_TEXT_OK);
    EXPECT_EQ(CheckFolderTextProblem((longest + "a").c_str(), out, sizeof out),
              FOLDER_TEXT_TOO_LONG);
    EXPECT_EQ(CheckFolderTextProblem((longest + "/./").c_str(), out, sizeof out), FOLDER_TEXT_OK);
    EXPECT_EQ(BWPSOrdinal(374), reinterpret_cast<void*>(&CheckFolderText));
}

// A creation that stops on a failure leaves the screen with its status, so
// that the caller and the clean-up see it (not a cancel).
TEST_F(CreateScreenTest, StoppedCreationAnswersItsStatus)
{
    uint16_t handle = 0;
    int created = 0;
    ASSERT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
    BtrCloseFile(handle);
    fs::remove(base() + "/" + GetDataFileName(bwps::No(bwps::FileNo::KeyDefinitions)));  // the key definitions
    const int result = RunScreen("field 1 Shop\nfield 2 " + Folder("shop") + "\nkey F10\n");
    EXPECT_EQ(result, B_FILE_NOT_FOUND) << Transcript();
    EXPECT_TRUE(ListRecords().empty());
}

TEST_F(CreateScreenTest, RefusesTheProgramFolderAndAKnownName)
{
    CreateListed("Shop", Folder("shop"));
    EXPECT_EQ(RunScreen("field 1 Other\nfield 2 " + program() + "\nkey F10\nkey Esc\n"), ExitCancelled);
    EXPECT_TRUE(Saw("The data folder cannot be the program folder")) << Transcript();

    EXPECT_EQ(RunScreen("field 1 Shop\nfield 2 " + Folder("other") + "\nkey F10\nkey Esc\n"),
              ExitCancelled);
    EXPECT_TRUE(Saw("Company name already exist.")) << Transcript();
    EXPECT_FALSE(fs::exists(Folder("other")));
}

// A folder with a current company: Yes lists it and opens it; No leaves
// the list and the session's data folder as they were.
TEST_F(CreateScreenTest, FolderWithACompanyIsListedOnlyWhenConfirmed)
{
    ASSERT_TRUE(Create("Old", Folder("old")));
    ASSERT_TRUE(Create("Current", Folder("current")));
    ASSERT_EQ(std::string(Session().DataPath), Folder("current"));

    EXPECT_EQ(RunScreen("field 1 Old\nfield 2 " + Folder("old") + "\nkey F10\nanswer No\n"),
              ExitCancelled);
    EXPECT_TRUE(Saw("This folder already holds company data.")) << Transcript();
    EXPECT_EQ(std::string(Session().DataPath), Folder("current"));
    EXPECT_TRUE(ListRecords().empty());

    EXPECT_EQ(RunScreen("field 1 Old\nfield 2 " + Folder("old") + "\nkey F10\nanswer Yes\n"), 0);
    EXPECT_EQ(std::string(Session().DataPath), Folder("old"));
    ASSERT_EQ(ListRecords().size(), 1u);
    EXPECT_STREQ(ListRecords()[0].CompanyId, "Old");
}

}  // namespace
}  // namespace companytest
