// The catalogue table, the name mappings and the folders.

#include <cstring>
#include <string>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/settings.h"
#include "bwps/versions.h"
#include "tests/support/catalogue_table.h"
#include "tests/session/catalogue/fixture.h"

namespace cattest {
namespace {

TEST(Catalogue, EntriesAsTabled)
{
    ResetAll();
    for (const bwpstest::CatalogueRow& r : bwpstest::kCatalogueRows) {
        SCOPED_TRACE(r.file);
        EXPECT_EQ(GetDataFileKind(r.file), r.kind);
        EXPECT_EQ(GetDataFileRecordLength(r.file), r.length);
        EXPECT_EQ(GetDataFilePageSize(r.file), r.page);
        char name[FOLDER_BUFFER_SIZE] = "garbage";
        EXPECT_STREQ(CopyDataFileName(r.file, name), r.name);
        EXPECT_STREQ(GetDataFileEntry(r.file)->Name, r.name);
    }
    // Every number from 1 to 100 names a file; the kinds hold 0 to 5.
    int perKind[6] = {};
    for (int file = 1; file <= DATA_FILE_COUNT; ++file) {
        int kind = GetDataFileKind(file);
        ASSERT_GE(kind, 0) << file;
        ASSERT_LE(kind, 5) << file;
        ++perKind[kind];
        ASSERT_NE(GetDataFileEntry(file)->Name, nullptr) << file;
    }
    EXPECT_EQ(perKind[0], 15);
    EXPECT_EQ(perKind[4], 6);
    EXPECT_EQ(perKind[5], 1);
}

TEST(Catalogue, OutOfRangeNumbersGiveTheEmptyEntry)
{
    ResetAll();
    for (int file : {0, -1, 101, 255, -100}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(GetDataFileKind(file), -1);
        EXPECT_EQ(GetDataFileRecordLength(file), -1);
        EXPECT_EQ(GetDataFileName(file), nullptr);
        EXPECT_EQ(GetDataFilePath(file), nullptr);
        EXPECT_EQ(AccountingFileNameOfId(file), nullptr);
        EXPECT_FALSE(IsCompanyDataFile(file));
        EXPECT_FALSE(DataFileExists(file, 0, "/tmp"));
        char buffer[FOLDER_BUFFER_SIZE] = "kept";
        EXPECT_EQ(CopyDataFileName(file, buffer), nullptr);
        EXPECT_STREQ(buffer, "kept");
        GetDataFileFolder(file, buffer);
        EXPECT_STREQ(buffer, "");
    }
}

TEST(Catalogue, AccountingNameMapping)
{
    const struct {
        const char* name;
        const char* accounting;
    } cases[] = {
        {"BPOSCUST.DB", "BWACUST.DB"},  {"BWACUST.DB", "BWACUST.DB"},
        {"WBWPOCOL.DB", "BWAOCOL.DB"},  {"BWPSMMCS.DB", "BWAMMCS.DB"},
        {"BPOSCID.DB", "BWACID.DB"},    {"BPOS", "BWA"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(MapToAccountingFileName(c.name), c.accounting) << c.name;
}

class FolderTest : public CatalogueTest {};

TEST_F(FolderTest, SessionNamesAndPathsFollowTheInterfaceFlag)
{
    SetAccountingCompanyPath("/acct/company  ");
    // Stand-alone: kind 3 lives in the accounting folder under its
    // accounting name even without a link; kind 2 stays with the data.
    EXPECT_EQ(std::string(GetDataFilePath(bwps::No(bwps::FileNo::AccountingGeneral))), "/acct/company/BWAGNRL.DB");
    EXPECT_EQ(std::string(GetDataFilePath(bwps::No(bwps::FileNo::Customers))), data() + "/BPOSCUST.DB");
    EXPECT_STREQ(GetDataFileName(bwps::No(bwps::FileNo::Customers)), "BPOSCUST.DB");
    EXPECT_EQ(std::string(GetDataFilePath(bwps::No(bwps::FileNo::General))), data() + "/BPOSGNRL.DB");
    EXPECT_EQ(std::string(GetDataFilePath(bwps::No(bwps::FileNo::KeyDefinitions))), base() + "/BPOSKEY.DB");
    EXPECT_EQ(std::string(GetDataFilePath(bwps::No(bwps::FileNo::DictionaryColumns))), program() + "/ROVAZERI/WBWPOCOL.DB");
    EXPECT_EQ(std::string(GetDataFilePath(bwps::No(bwps::FileNo::QueryColumns))), data() + "/BPOSQCOL.DB");

    SetInterfacedFlag(1);
    EXPECT_EQ(std::string(GetDataFilePath(bwps::No(bwps::FileNo::Customers))), "/acct/company/BWACUST.DB");
    EXPECT_STREQ(BWPSFileName(10), "BWACUST.DB");
    EXPECT_STREQ(AccountingNameOfSessionFile(10), "BWACUST.DB");
    EXPECT_EQ(std::string(GetDataFilePath(bwps::No(bwps::FileNo::General))), data() + "/BPOSGNRL.DB");
    char name[FOLDER_BUFFER_SIZE];
    EXPECT_STREQ(CopyDataFileName(10, name), "BPOSCUST.DB");
}

TEST_F(FolderTest, OlderReleaseNames)
{
    const struct {
        int file;
        bool interfaced;
        const char* release5;
        const char* release1;
    } cases[] = {
        {10, false, "POS5CUST.DB", "POS1CUST.DB"}, {10, true, "BA43CUST.DB", "BA43CUST.DB"},
        {8, false, "BA43CHCK.DB", "BA43CHCK.DB"},  {31, true, "POS5GNRL.DB", "POS1GNRL.DB"},
        {85, false, "POS5CID.DB", "POS1CID.DB"},   {23, true, "POS5SNUM.DB", "POS1SNUM.DB"},
        {89, false, nullptr, nullptr},             {0, false, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        SetInterfacedFlag(c.interfaced);
        EXPECT_STREQ(GetRelease5FileName(c.file), c.release5);
        EXPECT_STREQ(GetRelease1FileName(c.file), c.release1);
    }
    // File 23 counts as a data-folder file even when interfaced.
    SetInterfacedFlag(1);
    SetAccountingCompanyPath("/acct");
    EXPECT_EQ(std::string(GetRelease5FilePath(bwps::No(bwps::FileNo::SerialNumbers))), data() + "/POS5SNUM.DB");
    EXPECT_EQ(std::string(GetRelease1FilePath(bwps::No(bwps::FileNo::Customers))), "/acct/BA43CUST.DB");
    char buffer[FOLDER_BUFFER_SIZE];
    EXPECT_EQ(std::string(GetConversionFilePath(-1, buffer)), data() + "/BWPSMMCS.DB");
    EXPECT_STREQ(GetConversionFilePath(0, buffer), "");
    EXPECT_STREQ(GetConversionFileName(-1, buffer), "BWPSMMCS.DB");
    EXPECT_STREQ(GetConversionFileName(-2, buffer), "");
}

TEST_F(FolderTest, DefaultFoldersAndReTermination)
{
    SetFolders("/opt/pos", nullptr, nullptr);
    EXPECT_STREQ(GetFilesPath(), "/opt/pos/POSFILES");
    EXPECT_STREQ(GetBasePath(), "/opt/pos/RAZAVUR");
    // Text appended to a returned folder is gone at the next call.
    std::strcat(GetFilesPath(), "/EXTRA");
    EXPECT_STREQ(GetFilesPathBuffer(), "/opt/pos/POSFILES/EXTRA");
    EXPECT_STREQ(GetFilesPath(), "/opt/pos/POSFILES");
    // A null program folder keeps the one set before.
    SetFolders(nullptr, "/data", "/base");
    EXPECT_STREQ(GetProgramPath(), "/opt/pos");
    EXPECT_STREQ(GetFilesPath(), "/data");

    char buffer[FOLDER_BUFFER_SIZE];
    EXPECT_STREQ(GetFolderOfKind(1, buffer), "/data/");
    EXPECT_STREQ(GetFolderOfKind(9, buffer), "");
    EXPECT_STREQ(JoinCompanyFilePath(buffer, "/x/y//  ", "A.DB"), "/x/y/A.DB");
    EXPECT_STREQ(JoinCompanyFilePath(buffer, "C:\\POS\\DATA", "A.DB"), "C:/POS/DATA/A.DB");
    EXPECT_STREQ(GetImagesPath(31, buffer), "/data/IMAGES/");
    EXPECT_STREQ(GetDefaultRegisterPrefix(buffer), "REG");

    char table[16 * 9] = {};
    std::memcpy(table + 16 * 2, "RECEIPT        ", 16);
    EXPECT_EQ(GetFormatFileName(1, buffer, table), 0);
    EXPECT_STREQ(buffer, "RECEIPT.FMT");
}

TEST_F(FolderTest, ExistenceChecks)
{
    EXPECT_FALSE(DataFileExists(10, 0, nullptr));
    Touch(DataPath("BPOSCUST.DB"));
    EXPECT_TRUE(DataFileExists(10, 0, nullptr));
    EXPECT_TRUE(DataFileExists(10, 0, data().c_str()));
    SetInterfacedFlag(1);
    SetAccountingCompanyPath(data().c_str());
    // Interfaced, the session name is the accounting one.
    EXPECT_FALSE(DataFileExists(10, 0, data().c_str()));
    EXPECT_TRUE(DataFileExistsPlain(10, 0, data().c_str()));
    EXPECT_FALSE(CompanyIdFileExists());
    Touch(base() + "/BPOSCID.DB");
    EXPECT_TRUE(CompanyIdFileExists());
}

}  // namespace
}  // namespace cattest
