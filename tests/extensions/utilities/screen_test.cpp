// The data-file utility screen: the file key, the four actions per file,
// the refusals with their messages, and the recover batch without a screen.
#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/check_table.h"
#include "bwps/file_status.h"
#include "bwps/files.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "extensions/utilities/utilities.h"
#include "extensions/utilities/verify_records.h"
#include "fx.h"
#include "recman.h"
#include "tests/extensions/utilities/fixture.h"

namespace fs = std::filesystem;
using bwps::FileNo;
using bwps::No;

namespace utiltest {
namespace {

class ScreenTest : public UtilitiesTest {
protected:
    void SetUp() override
    {
        UtilitiesTest::SetUp();
        if (IsSkipped())
            return;
        LoadResources();
        GetSessionPaths()->UserLevel = BWPS_SUPERVISOR_LEVEL;
        void* progress = nullptr;
        ASSERT_EQ(CheckAllFilesStatus(&progress), 1);
    }
    std::string KeyOf(FileNo file)
    {
        char key[8] = {};
        CheckEntryKeyText(No(file), key);
        return key;
    }
    bool Shown(const char* text) { return std::string(FxTranscript()).find(text) != std::string::npos; }
    void PutLayaway(const char* number)
    {
        LayawayHeaderRecord h{};
        std::snprintf(h.Number, sizeof h.Number, "%s", number);
        ASSERT_EQ(Insert(No(FileNo::LayawayHeader), &h, sizeof h), 0);
    }
};

TEST_F(ScreenTest, TheFileKeyPicksARowOfTheCheckTableOrAllFiles)
{
    FileCheckRow rows[CHECK_TABLE_ROWS];
    CopyCheckTable(rows);
    struct Case {
        const char* key;
        int file;
    } const cases[] = {
        {"A", CHECK_ALL_FILES}, {"a", CHECK_ALL_FILES}, {"12", rows[12].FileNumber}, {"1", rows[1].FileNumber},
        {"66", 0}, {"0", 0}, {"", 0}, {"Z", 0}, {"1X", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ParseUtilityKey(c.key), c.file);
    }
    // The key shown for a row picks that row again.
    for (FileNo f : {FileNo::Customers, FileNo::LayawayHeader, FileNo::SalesDetail}) {
        EXPECT_EQ(ParseUtilityKey(KeyOf(f).c_str()), No(f));
    }
    char key[8] = {};
    CheckEntryKeyText(CHECK_ALL_FILES, key);
    EXPECT_STREQ(key, "A");
}

TEST_F(ScreenTest, APlainDescriptionIsShownWhole)
{
    EXPECT_STREQ(CheckEntryDescription(No(FileNo::Tenders)), "Tenders");
    EXPECT_STREQ(CheckEntryDescription(CHECK_ALL_FILES), "All Files");
}

TEST_F(ScreenTest, EachActionRunsOnTheChosenFileAndSaysSo)
{
    struct Case {
        const char* name;
        FileNo file;
        const char* action;
        const char* shown;
    } const cases[] = {
        {"recover", FileNo::Customers, "Recover", "The files are recovered."},
        {"drop", FileNo::Customers, "Drop Indexes", "The supplemental indexes are dropped."},
        {"verify", FileNo::LayawayHeader, "Verify", "The verification is done."},
        {"verify a detail file", FileNo::LayawayDetail, "Verify", "This file cannot be verified."},
        {"verify a header-line detail", FileNo::AssemblyDetail, "Verify",
         "Detail files are verified with their header file."},
        {"view without a browse screen", FileNo::Customers, "Transaction Viewing",
         "This file has no browse screen."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FxTranscriptClear();
        const std::string script = "type " + KeyOf(c.file) + "\nkey Enter\ntype " + c.action +
                                   "\nkey F10\nanswer Continue\nanswer Continue\nkey Esc\n";
        Script(script.c_str());
        EXPECT_EQ(ShowUtilityScreen(), 0);
        EXPECT_TRUE(Shown(c.shown)) << FxTranscript();
    }
}

TEST_F(ScreenTest, RecoverKeepsTheRecordsOfTheChosenFile)
{
    PutLayaway("L1");
    PutLayaway("L2");
    const std::string script =
        "type " + KeyOf(FileNo::LayawayHeader) + "\nkey Enter\ntype Recover\nkey F10\nanswer Continue\nkey Esc\n";
    Script(script.c_str());
    ShowUtilityScreen();
    EXPECT_TRUE(Shown("The files are recovered.")) << FxTranscript();
    EXPECT_EQ(Records(FilePath(No(FileNo::LayawayHeader))).size(), 2u);
    EXPECT_FALSE(fs::exists(data_ + "/BPOSLAYH.NEW"));
}

TEST_F(ScreenTest, AnUnknownKeyIsRefusedWithTheAlert)
{
    for (const char* key : {"66", "0", "Q"}) {
        SCOPED_TRACE(key);
        FxTranscriptClear();
        const std::string script = std::string("type ") + key + "\nkey Enter\nkey Esc\n";
        Script(script.c_str());
        ShowUtilityScreen();
        const std::string shown = FxTranscript();
        EXPECT_NE(shown.find("-> stay"), std::string::npos) << shown;
        EXPECT_NE(shown.find("beep"), std::string::npos) << shown;
    }
}

TEST_F(ScreenTest, AnEmptyKeyVerifiesEveryVerifiableFile)
{
    PutLayaway("L1");
    Script("field 3 Verify\nkey F10\nanswer Continue\nanswer Continue\nanswer Continue\nanswer Continue\n"
           "answer Continue\nanswer Continue\nkey Esc\n");
    ShowUtilityScreen();
    EXPECT_TRUE(Shown("The verification is done.")) << FxTranscript();
    EXPECT_TRUE(fs::exists(data_ + "/verlay.txt"));
    EXPECT_TRUE(fs::exists(data_ + "/versale.txt"));
    EXPECT_TRUE(fs::exists(data_ + "/verquote.txt"));
}

TEST_F(ScreenTest, TheBatchRecoversEveryFileWithoutAskingAnything)
{
    PutLayaway("L1");
    PutLayaway("L2");
    Script("key Enter\n");
    EXPECT_EQ(RunFileUtilityBatch(), 0);
    // The key was never read and no question was asked.
    EXPECT_EQ(FxScriptRemaining(), 1);
    EXPECT_EQ(Records(FilePath(No(FileNo::LayawayHeader))).size(), 2u);
    for (const auto& entry : fs::directory_iterator(data_)) {
        const std::string ext = entry.path().extension().string();
        EXPECT_NE(ext, ".NEW") << entry.path();
        EXPECT_NE(ext, ".OLD") << entry.path();
    }
}

}  // namespace
}  // namespace utiltest
