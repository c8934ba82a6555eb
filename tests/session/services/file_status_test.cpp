// Record counts of the data files and the directory list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "bwps/catalogue.h"
#include "bwps/check_table.h"
#include "bwps/file_status.h"
#include "fx.h"
#include "tests/session/services/fixture.h"

namespace fs = std::filesystem;

namespace svctest {
namespace {

class FileStatusTest : public ServicesTest {
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        if (IsSkipped())
            return;
        const fs::path texts = bwpstest::BuiltBaseFolder() / "WBPSRSC1.DAT";
        ASSERT_EQ(FxResourceLoadFile(texts.c_str()), 0);
    }
};

TEST_F(FileStatusTest, CountsWithAMissingAndADamagedFile)
{
    const uint8_t tender[97] = {'C', 'A', 'S', 'H'};
    Put(33, tender, sizeof tender, 11);
    for (const char* code : {"A", "B"}) {
        uint8_t unit[47] = {};
        unit[0] = static_cast<uint8_t>(code[0]);
        Put(71, unit, sizeof unit, 7);
    }
    fs::remove(PathOf(27));                              // missing
    std::ofstream(PathOf(28), std::ios::trunc) << "not a data file";  // damaged
    ASSERT_EQ(CheckAllFilesStatus(nullptr), 1);
    EXPECT_EQ(GetCheckEntryCount(33), 1);
    EXPECT_EQ(GetCheckEntryCount(71), 2);
    EXPECT_EQ(GetCheckEntryCount(27), -1);
    EXPECT_EQ(GetCheckEntryCount(28), -1);
    EXPECT_EQ(GetCheckEntryCount(2), -1) << "a file without a row";
    // The dictionary of the program folder is counted too.
    EXPECT_EQ(GetCheckEntryCount(CHECK_ALL_FILES), 3 + GetCheckEntryCount(89))
        << "missing and damaged files add nothing";
    EXPECT_STREQ(FindCheckEntry(33)->Description, "Tenders");
    EXPECT_STREQ(FindCheckEntry(CHECK_ALL_FILES)->Description, "All Files");
    EXPECT_NE(Transcript().find("progress open Checking File Status"), std::string::npos)
        << Transcript();
    EXPECT_NE(Transcript().find("66/66"), std::string::npos) << "one step a row: " << Transcript();
    FileCheckRow row{};
    row.FileNumber = 77;
    EXPECT_FALSE(CopyCheckEntry(2, &row));
    EXPECT_EQ(+row.FileNumber, 77);
    EXPECT_EQ(FileCheckRefresh(), 1);
    EXPECT_EQ(FindCheckEntry(33)->Description, nullptr);
    EXPECT_EQ(CheckOneFileStatus(0, nullptr), 1);
}

TEST_F(FileStatusTest, DirectoryListSortedIgnoringCase)
{
    const std::string folder = scratch() + "/list";
    fs::create_directories(folder);
    EXPECT_TRUE(bwps::ListDirectory(folder, "*.DB").empty());
    for (const char* name : {"b.db", "A.DB", "c.txt", "a2.Db"})
        std::ofstream(folder + "/" + name) << name;
    fs::create_directories(folder + "/sub.db");
    const auto list = bwps::ListDirectory(folder, "*.DB");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "A.DB");
    EXPECT_EQ(list[1].name, "a2.Db");
    EXPECT_EQ(list[2].name, "b.db");
    EXPECT_EQ(+list[2].size, 4u);
}

}  // namespace
}  // namespace svctest

namespace svctest {
namespace {

TEST_F(FileStatusTest, ListsPickARowAndAFile)
{
    ASSERT_EQ(CheckAllFilesStatus(nullptr), 1);
    FxScriptLoad("key Down\nkey Down\nkey Enter\n");
    FileCheckRow row{};
    EXPECT_EQ(ListFileStatus(&row, 3, 5, 18, 60), 1);
    EXPECT_EQ(+row.FileNumber, 3);
    EXPECT_STREQ(row.Description, "Receivables Open Invoices");
    FxScriptLoad("key Esc\n");
    EXPECT_EQ(ListFileStatus(&row, 3, 5, 18, 60), 0);

    const std::string folder = scratch() + "/pick";
    fs::create_directories(folder);
    char text[FOLDER_BUFFER_SIZE];
    std::snprintf(text, sizeof text, "%s", folder.c_str());
    FxScriptLoad("key Enter\nkey Esc\n");
    EXPECT_EQ(ShowDirectoryLookup(text, "*.csv", 2, 2, 10, 40), 0) << "an empty folder offers nothing";
    for (const char* name : {"b.csv", "A.CSV", "c.txt"})
        std::ofstream(folder + "/" + name) << name;
    FxScriptLoad("key Down\nkey Enter\n");
    EXPECT_EQ(ShowDirectoryLookup(text, "*.csv", 2, 2, 10, 40), 1);
    EXPECT_EQ(std::string(text), folder + "/b.csv");
}

}  // namespace
}  // namespace svctest
