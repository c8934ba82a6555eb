// The general settings file: keyed reads and their redirects, the interface
// record, counters, the current year, host defaults and station accounts.

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bwps/files.h"
#include "recman_testing.h"
#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/catalogue/fixture.h"

namespace cattest {
namespace {

template <typename T>
T Keyed(const char* key)
{
    T record{};
    std::memcpy(&record, key, GENERAL_KEY_SIZE);
    return record;
}

class SettingsTest : public CompanyCatalogueTest {
protected:
    // An accounting company folder with its own general file.
    std::string MakeAccountingCompany()
    {
        std::string acct = scratch() + "/acct";
        std::filesystem::create_directories(acct);
        TagFileSpec spec{};
        EXPECT_EQ(CreateDataFile(bwps::No(bwps::FileNo::AccountingGeneral), 0, acct.c_str(), nullptr, &spec), 0);
        std::filesystem::rename(acct + "/BPOSGNRL.DB", acct + "/BWAGNRL.DB");
        return acct;
    }

    void Interface(const std::string& folder, int interfaced)
    {
        auto record = Keyed<TagSysInterface>(GENERAL_KEY_SYSINTERFACE);
        std::snprintf(record.AccountingFolder, sizeof record.AccountingFolder, "%s", folder.c_str());
        record.Interfaced = static_cast<int16_t>(interfaced);
        record.InterfacedChar = interfaced ? 'Y' : 'N';
        std::memcpy(record.DefaultTaxCode, "TX1", 4);
        for (auto& account : record.Accounts)
            std::memcpy(account, "4101      ", 11);
        PutSettings(&record, sizeof record);
    }
};

TEST_F(SettingsTest, MissingGeneralFileIsQuietAndNotInterfaced)
{
    std::filesystem::remove(DataPath("BPOSGNRL.DB"));
    FxTranscriptClear();
    uint8_t record[GENERAL_COMPANY_SIZE];
    EXPECT_EQ(ReadGeneralRecord(0, 0, GENERAL_COMPANY_SIZE, GENERAL_KEY_COMPANY, record),
              B_FILE_NOT_FOUND);
    EXPECT_EQ(std::string(FxTranscript()).find("Btrieve"), std::string::npos);
    GetSysInterfaceRecord()->Interfaced = 1;
    EXPECT_FALSE(LoadSysInterfaceRecord());
    const auto* bytes = reinterpret_cast<const uint8_t*>(GetSysInterfaceRecord());
    for (int i = 0; i < GENERAL_SYSINTERFACE_SIZE; ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_FALSE(IsInterfacedToAccounting());
}

TEST_F(SettingsTest, InterfaceRecordLoadsAndIsRepaired)
{
    Interface("/acct/company   ", 0);
    ASSERT_TRUE(LoadSysInterfaceRecord());
    TagSysInterface* record = GetSysInterfaceRecord();
    EXPECT_STREQ(record->AccountingFolder, "/acct/company");
    EXPECT_STREQ(GetAccountingCompanyPath(), "/acct/company");
    EXPECT_STREQ(GetSysInterfaceText102(), "TX1");
    EXPECT_FALSE(IsInterfacedToAccounting());
    // The override takes the record's folder's place while it is set.
    EXPECT_TRUE(SetAccountingFolderIfValid("   "));
    EXPECT_STREQ(GetAccountingCompanyPath(), "/acct/company");
    EXPECT_FALSE(SetAccountingFolderIfValid(scratch().c_str()));

    EXPECT_FALSE(SysInterfaceOptionSet());
    EXPECT_EQ(FixSysInterfaceRecord(), 1);
    record->OptionSet = 'Y';
    record->CardAddressEntry = 0;
    EXPECT_EQ(WriteSysInterfaceRecord(), 1);
    TagSysInterface stored{};
    ASSERT_EQ(ReadGeneralRecord(0, 0, GENERAL_SYSINTERFACE_SIZE, GENERAL_KEY_SYSINTERFACE, &stored),
              0);
    EXPECT_EQ(stored.CardAddressEntry, 'O');
    EXPECT_EQ(stored.OptionSet, 0);   // the stored record is rewritten, not the copy
}

TEST_F(SettingsTest, StandAloneRedirectsGiveBuiltInRecords)
{
    auto year = Keyed<TagCurrentYear>(GENERAL_KEY_CURRENTYEAR);
    year.Year = 2031;
    PutSettings(&year, sizeof year);

    TagInterfaceRecord iface{};
    ASSERT_EQ(ReadGeneralRecord(0, 0, GENERAL_INTERFACE_SIZE, GENERAL_KEY_INTERFACE, &iface), 0);
    EXPECT_EQ(iface.Flag, 'N');
    EXPECT_STREQ(iface.Accounts[0], "11021     ");
    EXPECT_STREQ(iface.Accounts[13], "2107      ");

    TagSystemRecord system;
    std::memset(&system, 0x55, sizeof system);
    ASSERT_EQ(ReadGeneralRecord(0, 0, GENERAL_SYSTEM_SIZE, GENERAL_KEY_SYSTEM, &system), 0);
    EXPECT_EQ(std::memcmp(system.Key, GENERAL_KEY_SYSTEM, 16), 0);
    EXPECT_EQ(system.Byte16, 'A');
    EXPECT_EQ(system.reserved17[0], 0);

    TagPeriods periods{};
    ASSERT_EQ(ReadGeneralRecord(0, 0, GENERAL_PERIODS_SIZE, GENERAL_KEY_PERIODS, &periods), 0);
    EXPECT_EQ(+periods.Count, 12);
    EXPECT_EQ(+periods.CurrentPeriod, -1);
    const struct {
        int entry;
        const char* name;
        int first;
        int last;
    } cases[] = {
        {0, "Jan", 20310101, 20310131},  {1, "Feb", 20310201, 20310228},
        {11, "Dec", 20311201, 20311231}, {13, "Jan", 20320101, 20320131},
        {14, "Feb", 20320201, 20320229}, {24, "Dec", 20321201, 20321231},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        const TagPeriodEntry& e = periods.Entries[c.entry];
        EXPECT_STREQ(e.Name, c.name);
        EXPECT_EQ(+e.FirstDate, c.first);
        EXPECT_EQ(+e.LastDate, c.last);
        EXPECT_EQ(e.Status, 'O');
        EXPECT_EQ(e.State, 'I');
    }
}

TEST_F(SettingsTest, CompanyPictureMovesToTheImagesFolder)
{
    uint8_t company[GENERAL_COMPANY_SIZE] = {};
    std::memcpy(company, GENERAL_KEY_COMPANY, 16);
    std::strcpy(reinterpret_cast<char*>(company + COMPANY_PICTURE_OFFSET), "C:\\OLD\\PICS\\LOGO.BMP");
    PutSettings(company, sizeof company);
    uint8_t read[GENERAL_COMPANY_SIZE] = {};
    ASSERT_EQ(ReadGeneralRecord(0, 0, GENERAL_COMPANY_SIZE, GENERAL_KEY_COMPANY, read), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(read + COMPANY_PICTURE_OFFSET)),
              data() + "/IMAGES/LOGO.BMP");
}

TEST_F(SettingsTest, VariableLengthsAndBothKeyForms)
{
    auto numbers = Keyed<TagLastNumbers>(GENERAL_KEY_LASTNUMBERS);
    for (int i = 0; i < 11; ++i)
        numbers.Counters[i] = 100 + i;
    PutSettings(&numbers, sizeof numbers);
    uint8_t host[GENERAL_HOSTDEFAULTS_SIZE] = {};
    std::memcpy(host, GENERAL_KEY_HOSTDEFAULTS, 16);
    host[289] = 0x7E;
    PutSettings(host, sizeof host);

    // A shorter read gives the first bytes of the record.
    TagLastNumbers part{};
    ASSERT_EQ(ReadGeneralRecord(0, 0, 24, GENERAL_KEY_LASTNUMBERS, &part), 0);
    EXPECT_EQ(+part.Counters[1], 101);
    EXPECT_EQ(+part.Counters[2], 0);
    // A key blank-padded to 16 finds the record stored with its NUL.
    char padded[17];
    std::memcpy(padded, GENERAL_KEY_LASTNUMBERS, 15);
    padded[15] = ' ';
    padded[16] = '\0';
    TagLastNumbers full{};
    ASSERT_EQ(ReadGeneralRecord(0, 0, sizeof full, padded, &full), 0);
    EXPECT_EQ(+full.Counters[10], 110);
    // Records of different lengths live side by side.
    uint8_t hostRead[GENERAL_HOSTDEFAULTS_SIZE] = {};
    ASSERT_EQ(ReadHostDefaults(hostRead), 1);
    EXPECT_EQ(hostRead[289], 0x7E);
    // An unknown key is reported and returned.
    EXPECT_EQ(ReadGeneralRecord(0, 0, 60, "0NoSuchKey     ", &full), B_KEY_NOT_FOUND);
}

TEST_F(SettingsTest, CountersGiveAndTakeNumbers)
{
    auto numbers = Keyed<TagLastNumbers>(GENERAL_KEY_LASTNUMBERS);
    numbers.Counters[0] = 41;
    numbers.Counters[3] = 7;
    numbers.Counters[5] = 9;
    PutSettings(&numbers, sizeof numbers);

    char text[16] = {};
    int32_t value = 0;
    ASSERT_TRUE(ReadLastNumbers(0, 0, text, &value));
    EXPECT_STREQ(text, "        42");
    EXPECT_EQ(value, 7);
    ASSERT_TRUE(ReadLastNumbers(0, 1, text, &value));
    ASSERT_TRUE(ReadLastNumbers(0, 0, text, &value));
    EXPECT_STREQ(text, "        43");
    EXPECT_EQ(value, 8);
    ASSERT_TRUE(NextLastNumber(5, 0, 1, text));
    EXPECT_STREQ(text, "        10");
    ASSERT_TRUE(NextLastNumber(5, 0, 0, text));
    EXPECT_STREQ(text, "        11");
    EXPECT_FALSE(NextLastNumber(11, 0, 0, text));

    auto info = Keyed<TagTransInfo>(GENERAL_KEY_TRANSINFO);
    info.Counters[0] = 4;
    info.Counters[1] = 20;
    info.Counters[2] = 30;
    info.Counters[7] = 70;
    info.Alignment[0][0] = 'Y';
    info.Alignment[7][0] = 'Y';
    PutSettings(&info, sizeof info);
    const struct {
        int kind;
        const char* text;
    } cases[] = {{0, "5         "}, {3, "         1"}, {7, "        71"}, {9, "         1"}};
    for (const auto& c : cases) {
        std::memset(text, '#', sizeof text);
        ASSERT_TRUE(NextTransactionNumber(c.kind, 0, 0, text)) << c.kind;
        EXPECT_STREQ(text, c.text) << c.kind;
    }
    // Kinds 1 and 2 share one sequence.
    ASSERT_TRUE(NextTransactionNumber(2, 0, 1, text));
    EXPECT_STREQ(text, "        31");
    TagTransInfo stored{};
    ASSERT_EQ(ReadGeneralRecord(0, 0, GENERAL_TRANSINFO_SIZE, GENERAL_KEY_TRANSINFO, &stored), 0);
    EXPECT_EQ(+stored.Counters[1], 21);
    EXPECT_EQ(+stored.Counters[2], 31);
    EXPECT_EQ(+stored.Counters[0], 4);
}

// Occurrences of a text in the transcript.
int TimesShown(const std::string& text)
{
    const std::string shown = FxTranscript();
    int n = 0;
    for (size_t at = shown.find(text); at != std::string::npos; at = shown.find(text, at + 1))
        ++n;
    return n;
}

// A failing settings call reports once, naming the general file; a record
// shorter than its struct takes no number and is left as it was.
TEST_F(SettingsTest, FailuresAreReportedOnceAndShortRecordsTakeNoNumber)
{
    const std::string general = GetDataFilePath(bwps::No(bwps::FileNo::General));
    char text[16] = {};
    int32_t value = 0;

    FxTranscriptClear();
    EXPECT_FALSE(NextLastNumber(0, 0, 1, text));
    EXPECT_EQ(TimesShown(general), 1) << "no \"0lastnumbers   \" record";
    EXPECT_NE(FxTranscript(), std::string()) << "the report is shown";

    // A damaged "0lastnumbers   ": 30 bytes of the 60.
    auto numbers = Keyed<TagLastNumbers>(GENERAL_KEY_LASTNUMBERS);
    numbers.Counters[0] = 41;
    PutSettings(&numbers, 30);
    FxTranscriptClear();
    EXPECT_FALSE(ReadLastNumbers(0, 1, text, &value));
    EXPECT_EQ(TimesShown(general), 1);
    EXPECT_FALSE(NextLastNumber(0, 0, 1, text));
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, general.c_str(), 0, 0), 0);
    uint8_t key[256] = {};
    std::memcpy(key, GENERAL_KEY_LASTNUMBERS, GENERAL_KEY_SIZE);
    TagLastNumbers stored{};
    EXPECT_EQ(BtrGet(B_GET_EQUAL, handle, key, &stored, sizeof stored), 0);
    EXPECT_EQ(BtrCall218(handle), 30) << "the record keeps its length";
    EXPECT_EQ(+stored.Counters[0], 41) << "no number was taken";
    BtrCloseFile(handle);

    // Records that may be missing stay quiet.
    FxTranscriptClear();
    uint8_t host[GENERAL_HOSTDEFAULTS_SIZE] = {};
    EXPECT_EQ(ReadHostDefaults(host), 0);
    EXPECT_EQ(ReadCurrentYear(), FxToday() / 10000);
    EXPECT_EQ(TimesShown(general), 0);
}

TEST_F(SettingsTest, CurrentYearAndHostDefaults)
{
    EXPECT_EQ(ReadCurrentYear(), FxToday() / 10000);
    EXPECT_FALSE(WriteCurrentYear(0));
    EXPECT_TRUE(WriteCurrentYear(2020));
    EXPECT_EQ(ReadCurrentYear(), 2020);
    // A stored year moves on by one whatever year is given.
    EXPECT_TRUE(WriteCurrentYear(1999));
    EXPECT_EQ(ReadCurrentYear(), 2021);

    uint8_t host[GENERAL_HOSTDEFAULTS_SIZE] = {};
    EXPECT_EQ(ReadHostDefaults(host), 0);
    std::memset(host, 'h', sizeof host);
    EXPECT_EQ(WriteHostDefaults(host), 1);
    host[100] = 'H';
    EXPECT_EQ(WriteHostDefaults(host), 1);
    uint8_t read[GENERAL_HOSTDEFAULTS_SIZE] = {};
    ASSERT_EQ(ReadHostDefaults(read), 1);
    EXPECT_EQ(std::memcmp(read, GENERAL_KEY_HOSTDEFAULTS, 16), 0);
    EXPECT_EQ(read[16], 'h');
    EXPECT_EQ(read[100], 'H');
    EXPECT_EQ(ReadAll(DataPath("BPOSGNRL.DB"), GENERAL_HOSTDEFAULTS_SIZE).size(), 2u);
}

TEST_F(SettingsTest, InterfacedRecordsComeFromTheAccountingCompany)
{
    std::string acct = MakeAccountingCompany();
    uint8_t work[GENERAL_ACCOUNTING_SYSTEM_SIZE] = {};
    std::memcpy(work, GENERAL_KEY_SYSTEM, 16);
    work[304] = 'a';
    work[306] = 0xF0;   // sign-extended into the 16-bit copy
    work[312] = 'b';
    work[314] = 'c';
    work[315] = 5;
    work[319] = 'Y';
    work[326] = 'p';
    work[327] = 'q';
    work[328] = 'r';
    work[365] = 'Y';
    std::strcpy(reinterpret_cast<char*>(work + 414), "ACCTPASS");
    ASSERT_EQ(PutRecord(acct + "/BWAGNRL.DB", work, sizeof work, 15), 0);
    auto accountingIface = Keyed<TagInterfaceRecord>(GENERAL_KEY_INTERFACE);
    std::memcpy(accountingIface.Accounts[0], "99999", 6);
    ASSERT_EQ(PutRecord(acct + "/BWAGNRL.DB", &accountingIface, sizeof accountingIface, 15), 0);

    Interface(acct, 1);
    ASSERT_TRUE(LoadSysInterfaceRecord());
    ASSERT_TRUE(IsInterfacedToAccounting());
    TagSysInterface* record = GetSysInterfaceRecord();
    EXPECT_EQ(+record->SystemByte43, -16);
    EXPECT_EQ(+record->SystemByte44, 5);
    EXPECT_EQ(record->ProductActivity, 'Y');
    EXPECT_EQ(+record->SystemByte47, 'p');
    EXPECT_EQ(+record->SystemByte49, 'r');
    EXPECT_STREQ(record->SystemText, "ACCTPASS");

    TagSystemRecord system;
    ASSERT_EQ(ReadSystemRecordRaw(&system), 0);
    EXPECT_EQ(system.Key[0], 0);   // no key when mapped
    EXPECT_EQ(system.Byte16, 'b');
    EXPECT_EQ(system.Byte29, 'D');
    EXPECT_EQ(system.Byte38, 'a');
    EXPECT_EQ(system.Byte45, 'c');

    TagInterfaceRecord iface{};
    ASSERT_EQ(ReadGeneralRecord(0, 0, GENERAL_INTERFACE_SIZE, GENERAL_KEY_INTERFACE, &iface), 0);
    EXPECT_STREQ(iface.Accounts[0], "99999");
    // The built-in accounts never overwrite an interfaced store's.
    InterfaceRecordDefaults(&iface, record);
    EXPECT_STREQ(iface.Accounts[0], "99999");
    EXPECT_EQ(CheckInterfaceAccountsFilled(), 1);
    // Interfaced periods are the accounting company's: none stored here.
    TagPeriods periods{};
    EXPECT_EQ(LoadPeriodsRecord(&periods), B_KEY_NOT_FOUND);
}

TEST_F(SettingsTest, FailedSystemReadChangesNothing)
{
    std::string acct = MakeAccountingCompany();
    Interface(acct, 1);
    ASSERT_TRUE(LoadSysInterfaceRecord());
    TagSysInterface* record = GetSysInterfaceRecord();
    EXPECT_EQ(+record->SystemByte43, 0);
    TagSystemRecord system;
    std::memset(&system, 0x33, sizeof system);
    EXPECT_EQ(ReadSystemRecordRaw(&system), B_KEY_NOT_FOUND);
    EXPECT_EQ(system.Byte16, 0x33);
    record->SystemByte44 = 77;
    EXPECT_EQ(ApplySysInterfaceFlags(record), 0);
    EXPECT_EQ(+record->SystemByte44, 77);

    // Missing accounts and tax code are refused with their messages.
    Interface(acct, 1);
    TagSysInterface blank = *GetSysInterfaceRecord();
    std::memset(blank.Accounts[2], ' ', 10);
    PutSettings(&blank, sizeof blank);
    EXPECT_EQ(CheckInterfaceAccountsFilled(), 0);
}

TEST_F(SettingsTest, LinkOfAnotherCompany)
{
    std::string acct = "/somewhere/acct";
    Interface(acct, 1);
    char folder[FOLDER_BUFFER_SIZE] = "untouched";
    int flag = -1;
    EXPECT_EQ(ReadAccountingLinkPath(data().c_str(), folder, &flag), 1);
    EXPECT_EQ(flag, 1);
    EXPECT_STREQ(folder, "/somewhere/acct");
    Interface(acct, 0);
    std::strcpy(folder, "untouched");
    EXPECT_EQ(ReadAccountingLinkPath(data().c_str(), folder, &flag), 1);
    EXPECT_EQ(flag, 0);
    EXPECT_STREQ(folder, "untouched");
    EXPECT_EQ(ReadAccountingLinkPath(scratch().c_str(), folder, &flag), B_FILE_NOT_FOUND);
}

TEST_F(SettingsTest, InterfaceAccountCaptions)
{
    char out[32] = "x";
    EXPECT_EQ(FindInterfaceAccountCaption(out, "Layaway Revenue"), 1);
    EXPECT_STREQ(out, "Layaway Revenue");
    EXPECT_EQ(FindInterfaceAccountCaption(out, "Returns "), 1);
    EXPECT_EQ(FindInterfaceAccountCaption(out, "Returns"), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(FindInterfaceAccountCaption(out, ""), 0);
    TagSysInterface record{};
    InterfaceRecordDefaults(nullptr, &record);
    EXPECT_STREQ(record.Accounts[0], "4101      ");
    EXPECT_STREQ(record.Accounts[3], "21042     ");
}

TEST_F(SettingsTest, StationAccountBlock)
{
    TagFileSpec spec{};
    ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::Stations), 0, nullptr, nullptr, &spec), 0);
    uint8_t station[STATION_RECORD_SIZE] = {};
    std::memcpy(station, "DEFAULT       ", 15);
    for (int set = 0; set < 3; ++set)
        for (int i = 0; i < 5; ++i)
            std::snprintf(reinterpret_cast<char*>(station + STATION_SET1_OFFSET + 80 * set + 16 * i),
                          16, "S%dA%d", set + 1, i + 1);
    std::strcpy(reinterpret_cast<char*>(station + STATION_FIELD1_OFFSET), "CARDFORM");
    std::strcpy(reinterpret_cast<char*>(station + STATION_FIELD3_OFFSET), "LABEL");
    station[STATION_PRINT_OFFSET] = 'P';
    ASSERT_EQ(PutRecord(base() + "/BPOSSTN.DB", station, sizeof station, 15), 0);

    TagStationAccounts block{};
    ASSERT_EQ(ReadStationRecord(0, &block), 0);
    EXPECT_STREQ(block.Account1, "S1A1");
    EXPECT_STREQ(block.Account3, "S1A3");
    EXPECT_STREQ(block.Account5, "S1A5");
    EXPECT_STREQ(block.StationField1, "CARDFORM");
    EXPECT_STREQ(block.StationField3, "LABEL");

    uint8_t work[80];
    CopyInterfaceAccountsToStation(work, &block, station, 3);
    EXPECT_STREQ(block.Account4, "S3A4");
    std::strcpy(block.Account2, "NEW");
    CopyInterfaceAccountsFromStation(station, &block, 2);
    EXPECT_STREQ(reinterpret_cast<char*>(station + STATION_SET2_OFFSET + 16), "NEW");
    EXPECT_STREQ(reinterpret_cast<char*>(station + STATION_SET2_OFFSET + 48), "S3A4");

    EXPECT_EQ(LoadStationPrintSettings(), 1);
    EXPECT_EQ(GetStationPrintSettings()[0], 'P');
    std::memcpy(GetSessionPaths()->StationId, "NOSUCH", 7);
    EXPECT_EQ(LoadStationPrintSettings(), 0);
    EXPECT_EQ(GetStationPrintSettings()[0], 0);
}


// Stations that rewrite the interface record at the same time (every
// sign-in does) take turns: none meets a conflict or reports an error.
TEST_F(SettingsTest, StationsRewritingTheInterfaceRecordTogetherMeetNoConflict)
{
    Interface("/acct/company   ", 0);
    constexpr int kStations = 4;
    constexpr int kRewrites = 40;
    RecmanReset();   // no connection of this process is carried into the children
    std::vector<pid_t> children;
    for (int i = 0; i < kStations; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int failures = 0;
            for (int n = 0; n < kRewrites; ++n)
                if (WriteSysInterfaceRecord() != 1 || FixSysInterfaceRecord() != 1)
                    ++failures;
            int last = 0;
            failures += RecordManagerErrorsReported(&last, nullptr, 0);
            ::_exit(failures == 0 ? 0 : 1);
        }
        ASSERT_GT(pid, 0);
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "station " << pid;
    }
}

}  // namespace
}  // namespace cattest
