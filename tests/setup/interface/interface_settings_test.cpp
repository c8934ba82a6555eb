// The interface settings editors and the link to an accounting company,
// over a throw-away company folder.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/interface_settings.h"
#include "bwps/records/masters.h"
#include "bwps/records/tenders.h"
#include "bwps/versions.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

TagSysInterface CanonicalRecord()
{
    TagSysInterface r{};
    auto* bytes = reinterpret_cast<uint8_t*>(&r);
    // Bytes no editor knows carry a pattern that must survive every save.
    for (int i = 0; i < GENERAL_SYSINTERFACE_SIZE; ++i)
        bytes[i] = static_cast<uint8_t>(0xA0 + i % 7);
    std::memset(r.Key, 0, sizeof r.Key);
    std::memcpy(r.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE - 1);
    r.LookupOrder = 2;
    r.Word23 = 1;
    r.Word25 = 0;
    r.Word27 = 1;
    r.Word29 = 0;
    r.SessionOption = 1;
    r.Word35 = 0;
    r.Word37 = 1;
    r.Number39 = 7;
    r.SerialLevel = 3;
    r.Interfaced = 0;
    r.Word53 = 1;
    r.CheckJournalPrinted = 0;
    r.StationPrompt = 1;
    r.VerifyBeforeCopy = 'N';
    r.SystemByte43 = 'Y';
    r.SystemByte44 = 'N';
    r.TimeClock = 'Y';
    r.Word79 = 'N';
    r.CardAuthorizer = 'Y';
    r.PostingVariant = 1;
    r.DescribeBySale = 'Y';
    std::memset(r.TenderCode, 0, sizeof r.TenderCode);
    std::memset(r.Text96, 0, sizeof r.Text96);
    std::memcpy(r.Text96, "NET30", 5);
    std::memset(r.DefaultTaxCode, 0, sizeof r.DefaultTaxCode);
    std::memset(r.AccountingFolder, 0, sizeof r.AccountingFolder);
    std::memset(r.CardProgram, 0, sizeof r.CardProgram);
    std::memcpy(r.CardProgram, "/opt/card/verify", 16);
    r.OpeningAmount = 'N';
    r.Byte442 = 1;
    r.PasswordsInForce = 'Y';
    r.ProductActivity = 'N';
    r.SerialLevelByte = 2;
    r.InterfacedChar = 'N';
    r.Flag447 = 'Y';
    r.CardAddressEntry = 'A';
    r.SystemByte47 = 'W';
    r.SystemByte48 = 'E';
    r.SystemByte49 = 'N';
    r.OptionSet = 1;
    std::memset(r.SystemText, 0, sizeof r.SystemText);
    return r;
}

class InterfaceSettingsTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        CreateGeneralFile();
        uint8_t spec[FILE_SPEC_SIZE] = {};
        for (FileNo f : {FileNo::TaxTable, FileNo::Terms, FileNo::Tenders, FileNo::Accounts})
            ASSERT_EQ(CreateDataFile(No(f), 0, Folder(data_).c_str(), nullptr, spec), 0);
        PutStamp(data_, 14);
        TagLastNumbers numbers{};
        std::memcpy(numbers.Key, GENERAL_KEY_LASTNUMBERS, GENERAL_KEY_SIZE - 1);
        for (int i = 0; i < 11; ++i)
            numbers.Counters[i] = 100 + i;
        PutGeneralRecord(&numbers, sizeof numbers);
        record_ = CanonicalRecord();
        PutGeneralRecord(&record_, sizeof record_);
        TagTender tender{};
        std::memcpy(tender.Code, "CASH", 4);
        EXPECT_EQ(bwpstest::PutRecord(GetDataFilePath(No(FileNo::Tenders)), tender.Code, sizeof tender.Code,
                                      &tender, sizeof tender),
                  0);
        TaxRecord tax{};
        std::memcpy(tax.Code, "TX1", 3);
        EXPECT_EQ(bwpstest::PutRecord(GetDataFilePath(No(FileNo::TaxTable)), tax.Code, sizeof tax.Code, &tax,
                                      sizeof tax),
                  0);
        FxTranscriptClear();
    }

    void PutStamp(const fs::path& folder, int major, const char* name = nullptr)
    {
        TagFilesVersion stamp{};
        std::memcpy(stamp.Key, GENERAL_KEY_FILESVERSION, GENERAL_KEY_SIZE);
        stamp.Major = static_cast<uint8_t>(major);
        const fs::path path = folder / (name ? name : "BPOSGNRL.DB");
        EXPECT_EQ(bwpstest::PutRecord(path.string(), stamp.Key, GENERAL_KEY_SIZE, &stamp, sizeof stamp), 0);
    }

    // An accounting company of the current version: its general file with
    // the version stamp, and every other file it must hold.
    fs::path MakeAccountingCompany()
    {
        const fs::path acct = root_ / "acct";
        fs::create_directories(acct);
        uint8_t spec[FILE_SPEC_SIZE] = {};
        EXPECT_EQ(CreateDataFile(No(FileNo::General), 0, Folder(acct).c_str(), nullptr, spec), 0);
        const std::string general = AccountingFileNameOfId(No(FileNo::AccountingGeneral));
        fs::rename(acct / "BPOSGNRL.DB", acct / general);
        PutStamp(acct, 14, general.c_str());
        for (int file = 1; file <= 100; ++file) {
            const int kind = GetDataFileKind(file);
            if (kind != FOLDER_SHARED && kind != FOLDER_ACCOUNTING)
                continue;
            const fs::path path = acct / AccountingFileNameOfId(file);
            if (!fs::exists(path))
                std::ofstream(path.string()).put('\0');
        }
        return acct;
    }

    TagSysInterface Stored(int* length = nullptr)
    {
        TagSysInterface record{};
        uint16_t handle = 0;
        EXPECT_EQ(BtrOpenFile(&handle, GetDataFilePath(No(FileNo::General)), 0, 0), 0);
        char key[255] = {};
        std::memcpy(key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
        EXPECT_EQ(BtrGet(B_GET_EQUAL, handle, key, &record, sizeof record), 0);
        if (length != nullptr)
            *length = BtrCall218(handle);
        BtrCloseFile(handle);
        return record;
    }

    TagLastNumbers StoredNumbers()
    {
        TagLastNumbers record{};
        EXPECT_EQ(ReadGeneralRecord(0, 0, sizeof record, GENERAL_KEY_LASTNUMBERS, &record), 0);
        return record;
    }

    static bool SameBytes(const TagSysInterface& a, const TagSysInterface& b)
    {
        return std::memcmp(&a, &b, sizeof a) == 0;
    }

    int RunOptions(const std::string& script)
    {
        FxScriptLoad(script.c_str());
        return RSEditInterface();
    }

    TagSysInterface record_{};
};

// ---- the link to an accounting company ----

TEST_F(InterfaceSettingsTest, LinkStoresAValidFolderAndUnlinkClearsIt)
{
    const fs::path acct = MakeAccountingCompany();
    const std::string folder = acct.string();
    ASSERT_EQ(BWPSInterfaceWithAcct(folder.c_str()), 1);
    TagSysInterface expected = record_;
    expected.Interfaced = 1;
    std::memcpy(expected.AccountingFolder, folder.data(), folder.size());
    EXPECT_TRUE(SameBytes(Stored(), expected));
    EXPECT_STREQ(GetSysInterfaceRecord()->AccountingFolder, folder.c_str());

    ASSERT_EQ(BWPSInterfaceWithAcct(""), 1);
    EXPECT_TRUE(SameBytes(Stored(), record_));
    EXPECT_EQ(IsInterfacedToAccounting(), 0);
    ASSERT_EQ(BWPSInterfaceWithAcct(nullptr), 1);
    EXPECT_TRUE(SameBytes(Stored(), record_));
}

TEST_F(InterfaceSettingsTest, LinkRefusesFoldersThatHoldNoUsableCompany)
{
    const fs::path empty = root_ / "empty";
    fs::create_directories(empty);
    const fs::path older = root_ / "older";
    fs::create_directories(older);
    const std::string longFolder = "/" + std::string(199, 'f');
    struct {
        const char* name;
        std::string folder;
    } cases[] = {
        {"missing folder", (root_ / "nowhere").string()},
        {"folder without accounting files", empty.string()},
        {"folder of another data set", older.string()},
        {"folder longer than the record holds", longFolder},
    };
    // The older folder holds only a store general file of an old version.
    uint8_t spec[FILE_SPEC_SIZE] = {};
    ASSERT_EQ(CreateDataFile(No(FileNo::General), 0, Folder(older).c_str(), nullptr, spec), 0);
    PutStamp(older, 11);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BWPSInterfaceWithAcct(c.folder.c_str()), 0);
        EXPECT_TRUE(SameBytes(Stored(), record_));
    }
}

TEST_F(InterfaceSettingsTest, LinkWritesTheOlderLayoutAtItsOwnLength)
{
    PutStamp(data_, 11);  // a data set whose record ends at 452
    // Replace the record by its 452-byte form.
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(No(FileNo::General)), 0, 0), 0);
    char key[255] = {};
    std::memcpy(key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
    TagSysInterface scratch{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, &scratch, sizeof scratch), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, handle, nullptr, &scratch, 0), 0);
    ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &record_, GENERAL_SYSINTERFACE_OLD_SIZE), 0);
    BtrCloseFile(handle);

    const fs::path acct = MakeAccountingCompany();
    ASSERT_EQ(BWPSInterfaceWithAcct(acct.string().c_str()), 1);
    int length = 0;
    const TagSysInterface stored = Stored(&length);
    EXPECT_EQ(length, GENERAL_SYSINTERFACE_OLD_SIZE);
    EXPECT_EQ(+stored.Interfaced, 1);
    EXPECT_EQ(std::memcmp(&stored, &record_, offsetof(TagSysInterface, Interfaced)), 0);
}

TEST_F(InterfaceSettingsTest, LinkWithoutVersionOrGeneralFileFails)
{
    // No version stamp and no version record: nothing is written.
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(No(FileNo::General)), 0, 0), 0);
    char key[255] = {};
    std::memcpy(key, GENERAL_KEY_FILESVERSION, GENERAL_KEY_SIZE);
    TagFilesVersion stamp{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, &stamp, sizeof stamp), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, handle, nullptr, &stamp, 0), 0);
    BtrCloseFile(handle);
    EXPECT_EQ(BWPSInterfaceWithAcct(""), 0);
    EXPECT_TRUE(SameBytes(Stored(), record_));
    fs::remove(GetDataFilePath(No(FileNo::General)));
    EXPECT_EQ(BWPSInterfaceWithAcct(""), 0);
}

// ---- the system-options screen ----

TEST_F(InterfaceSettingsTest, OptionsSaveWritesBackWhatItShowed)
{
    record_.CardAddressEntry = 0;  // reads as "Optional"
    record_.SerialLevelByte = 0;   // reads as "No"
    PutGeneralRecord(&record_, sizeof record_);
    RunOptions("key F10\n");
    TagSysInterface expected = record_;
    expected.CardAddressEntry = 'O';
    expected.SerialLevelByte = 1;
    EXPECT_TRUE(SameBytes(Stored(), expected)) << Transcript();
    const TagLastNumbers numbers = StoredNumbers();
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(numbers.Counters[i], 100 + i);
}

TEST_F(InterfaceSettingsTest, OptionsSaveKeepsALongCardProgramPath)
{
    const std::string path = "/opt/" + std::string(80, 'p') + "/verify";
    std::memset(record_.CardProgram, 0, sizeof record_.CardProgram);
    std::memcpy(record_.CardProgram, path.data(), path.size());
    PutGeneralRecord(&record_, sizeof record_);
    RunOptions("key F10\n");
    EXPECT_STREQ(Stored().CardProgram, path.c_str());
}

TEST_F(InterfaceSettingsTest, OptionsStoreChangedFieldsAndNumbers)
{
    RunOptions("field 9 By Period\nkey Enter\nfield 12 TX1\nkey Enter\nfield 14 CASH\nkey Enter\n"
               "field 36 500\nkey Enter\nfield 40 7\nkey Enter\nfield 43 Yes\nkey Enter\n"
               "field 44 ABC\nfield 45 ABC\nkey Enter\nkey F10\n");
    const TagSysInterface stored = Stored();
    EXPECT_EQ(stored.PostingVariant, 0);
    EXPECT_EQ(stored.DescribeBySale, 'N');  // forced by "By Period"
    EXPECT_STREQ(stored.DefaultTaxCode, "TX1");
    EXPECT_STREQ(stored.TenderCode, "CASH");
    EXPECT_EQ(stored.SystemByte49, 'Y');
    char plain[16] = {};
    std::memcpy(plain, stored.SystemText, sizeof stored.SystemText);
    FxPasswordToPlain(plain);
    EXPECT_STREQ(plain, "ABC");
    const TagLastNumbers numbers = StoredNumbers();
    EXPECT_EQ(numbers.Counters[LASTNUMBER_FIRST], 500);
    EXPECT_EQ(numbers.Counters[LASTNUMBER_SIXTH], 7);
    EXPECT_EQ(numbers.Counters[3], 103);  // not on the screen
}

TEST_F(InterfaceSettingsTest, OptionsFieldsRefuseBadValues)
{
    struct {
        const char* name;
        const char* script;
        const char* message;
    } cases[] = {
        {"number too large", "field 36 2147483648\nkey Enter\n", "Enter a whole number from 0"},
        {"negative number", "field 35 -5\nkey Enter\n", "Enter a whole number from 0"},
        {"letters in a number", "field 38 12a\nkey Enter\n", "Enter a whole number from 0"},
        {"unknown tender", "field 14 NOPE\nkey Enter\n", "This tender code does not exist"},
        {"unknown tax code", "field 12 ZZ\nkey Enter\n", "This tax code does not exist"},
        {"empty required password", "field 43 Yes\nkey Enter\nfield 44 \nkey Enter\nkey F10\n",
         "A password is required"},
        {"confirmation differs", "field 43 Yes\nkey Enter\nfield 44 ABC\nfield 45 ABD\nkey Enter\n",
         "The password and its confirmation differ"},
        {"save with a bad number", "field 39 x\nkey F10\n", "Enter a whole number from 0"},
        {"save with an unknown tender", "field 14 NOPE\nkey F10\n", "This tender code does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FxTranscriptClear();
        RunOptions(c.script);
        EXPECT_NE(Transcript().find(c.message), std::string::npos) << Transcript();
        EXPECT_TRUE(SameBytes(Stored(), record_));
        const TagLastNumbers numbers = StoredNumbers();
        EXPECT_EQ(numbers.Counters[LASTNUMBER_FIRST], 100);
    }
}

TEST_F(InterfaceSettingsTest, OptionsEscLeavesEverythingAsItWas)
{
    RunOptions("field 36 900\nfield 12 TX1\nkey Esc\nanswer Yes\nkey Esc\nanswer No\nkey Esc\n");
    EXPECT_TRUE(SameBytes(Stored(), record_));
    EXPECT_EQ(StoredNumbers().Counters[LASTNUMBER_FIRST], 100);
}

TEST_F(InterfaceSettingsTest, OptionsLowerFirstNumberIsAskedAndPutBackOnNo)
{
    RunOptions("field 36 50\nkey Enter\nanswer No\nkey F10\n");
    EXPECT_EQ(StoredNumbers().Counters[LASTNUMBER_FIRST], 100);
    FxTranscriptClear();
    RunOptions("field 36 50\nkey Enter\nanswer Yes\nkey F10\n");
    EXPECT_EQ(StoredNumbers().Counters[LASTNUMBER_FIRST], 50);
}

TEST_F(InterfaceSettingsTest, TurningPasswordsOffGivesTheSessionFullRights)
{
    GetSessionPaths()->UserLevel = 0;
    RunOptions("field 2 No\nkey Enter\nkey F10\n");
    EXPECT_EQ(Stored().PasswordsInForce, 'N');
    EXPECT_EQ(GetSessionPaths()->UserLevel, 5);
}

TEST_F(InterfaceSettingsTest, AnOptionsSaveThatIsRefusedOrFailsKeepsTheSessionsRights)
{
    struct {
        const char* name;
        bool held;   // another station holds the record
        const char* script;
    } cases[] = {
        {"a required password left empty", false,
         "field 2 No\nkey Enter\nfield 43 Yes\nkey Enter\nfield 44 \nkey Enter\nkey F10\n"},
        {"the record held by another station", true, "field 2 No\nkey Enter\nkey F10\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GetSessionPaths()->UserLevel = 0;
        FxTranscriptClear();
        {
            std::unique_ptr<HeldGeneralRecord> held;
            if (c.held)
                held = std::make_unique<HeldGeneralRecord>(GENERAL_KEY_SYSINTERFACE);
            RunOptions(std::string(c.script) + "key Esc\nanswer Yes\nkey Esc\nanswer No\nkey Esc\n");
        }
        EXPECT_TRUE(SameBytes(Stored(), record_)) << Transcript();
        EXPECT_EQ(GetSessionPaths()->UserLevel, 0) << Transcript();
    }
}

// ---- the accounting-interface screen ----

TEST_F(InterfaceSettingsTest, AccountingScreenRefusesBadFolders)
{
    const fs::path empty = root_ / "empty";
    fs::create_directories(empty);
    struct {
        const char* name;
        std::string script;
        const char* message;
    } cases[] = {
        {"blank folder", "field 1 Yes\nkey Enter\nfield 2 \nkey Enter\n", "The code cannot be empty"},
        {"no accounting company", "field 1 Yes\nkey Enter\nfield 2 " + empty.string() + "\nkey Enter\n",
         "No accounting company was found"},
        {"save linked without a folder", "field 1 Yes\nkey Enter\nkey F10\n", "No accounting company was found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FxTranscriptClear();
        FxScriptLoad(c.script.c_str());
        RSEditAccInterface();
        EXPECT_NE(Transcript().find(c.message), std::string::npos) << Transcript();
        EXPECT_TRUE(SameBytes(Stored(), record_));
        EXPECT_EQ(IsInterfacedToAccounting(), 0);
    }
}

TEST_F(InterfaceSettingsTest, AccountingScreenUnlinksAndClearsTheLink)
{
    std::memcpy(record_.AccountingFolder, "/old/acct", 9);
    std::memcpy(record_.Accounts[0], "4100", 4);
    PutGeneralRecord(&record_, sizeof record_);
    FxScriptLoad("key F10\n");
    RSEditAccInterface();
    const TagSysInterface stored = Stored();
    EXPECT_EQ(+stored.Interfaced, 0);
    EXPECT_EQ(stored.AccountingFolder[0], '\0');
    EXPECT_EQ(stored.Accounts[0][0], '\0');
    EXPECT_EQ(std::memcmp(&stored, &record_, offsetof(TagSysInterface, Interfaced)), 0);
    EXPECT_EQ(std::memcmp(&stored.CardProgram, &record_.CardProgram,
                          sizeof record_ - offsetof(TagSysInterface, CardProgram)),
              0);
}

TEST_F(InterfaceSettingsTest, AccountingScreenLeftUnsavedKeepsTheSessionLink)
{
    LoadSysInterfaceRecord();
    FxScriptLoad("field 1 Yes\nkey Enter\nkey Esc\nanswer Yes\nkey Esc\n");
    RSEditAccInterface();
    EXPECT_EQ(IsInterfacedToAccounting(), 0);
    EXPECT_TRUE(SameBytes(Stored(), record_));
}

}  // namespace
}  // namespace bwps::test
