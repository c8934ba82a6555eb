// bwpos export, import and files over the demo company, from a private copy
// of the program folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/folders.h"
#include "tests/support/program.h"

namespace fs = std::filesystem;

namespace {

using Outcome = bwpstest::ProgramRun;

std::string Read(const std::string& path)
{
    return bwpstest::ReadFileText(path);
}

class DataCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_ = folder_.path();
        program_ = scratch_ + "/program";
        bwpstest::InstallProgramFolder(program_);
        ASSERT_TRUE(fs::exists(program_ + "/bwpos"));
        company_ = scratch_ + "/demo-company";
        ASSERT_EQ(Bwpos({"demo", company_}).status, 0);
    }

    Outcome Bwpos(const std::vector<std::string>& args) { return bwpstest::RunBwpos(program_, args); }

    bwpstest::ScratchFolder folder_{"hostdata"};
    std::string scratch_, program_, company_;
};

TEST_F(DataCommandsTest, TendersExportImportAndFiles)
{
    const std::string csv = scratch_ + "/tenders.csv";
    Outcome out = Bwpos({"export", "--company", company_, "33", csv});
    ASSERT_EQ(out.status, 0) << out.out;
    EXPECT_NE(out.out.find("Exported 5 records"), std::string::npos) << out.out;
    const std::string text = Read(csv);
    EXPECT_NE(text.find("\"CASH\",\"CASH\",N,0,\"11021\",\"\",C\r\n"), std::string::npos) << text;
    const std::string tenders = company_ + "/BPOSTEND.DB";
    const std::string before = Read(tenders);

    out = Bwpos({"import", "--update", "--company", company_, "33", csv});
    ASSERT_EQ(out.status, 0) << out.out;
    const std::string again = scratch_ + "/again.csv";
    ASSERT_EQ(Bwpos({"export", "--company", company_, "33", again}).status, 0);
    EXPECT_EQ(Read(again), text) << "the records are unchanged";

    // Without --update an existing key is refused with its line.
    out = Bwpos({"import", "--company", company_, "33", csv});
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.out.find("line 1"), std::string::npos) << out.out;

    // A damaged line is refused with its line number; nothing changes.
    std::ofstream(csv, std::ios::app) << "\"DISC\",\"Discover,N,0,\"11026\",\"\",O\r\n";
    out = Bwpos({"import", "--update", "--company", company_, "33", csv});
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.out.find("line 6"), std::string::npos) << out.out;
    ASSERT_EQ(Bwpos({"export", "--company", company_, "33", again}).status, 0);
    EXPECT_EQ(Read(again), text);

    // Chosen columns.
    out = Bwpos({"export", "--company", company_, "33", again, "--columns", "1,7"});
    ASSERT_EQ(out.status, 0) << out.out;
    EXPECT_NE(Read(again).find("\"VISA\",O\r\n"), std::string::npos) << Read(again);

    out = Bwpos({"files", "--company", company_});
    ASSERT_EQ(out.status, 0) << out.out;
    EXPECT_NE(out.out.find("33    Tenders                           5"), std::string::npos) << out.out;
    EXPECT_NE(out.out.find("all   All Files"), std::string::npos);
}

TEST_F(DataCommandsTest, ErrorsAUserCanMake)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* text;
    };
    const Case cases[] = {
        {{"export", "--company", company_, "33"}, 2, "usage"},
        {{"export", "--company", company_, "333", "x.csv"}, 2, "FILE-NUMBER"},
        {{"export", "--company", scratch_ + "/none", "33", "x.csv"}, 4, "does not exist"},
        {{"export", "--company", company_, "4", scratch_ + "/c.csv"}, 2, "no column"},
        {{"export", "--company", company_, "27", scratch_ + "/t.csv"}, 1, "holds no record"},
        {{"import", "--company", company_, "33", scratch_ + "/missing.csv"}, 1, "cannot be opened"},
        {{"files", "--company", company_, "--update"}, 2, "unknown option"},
    };
    for (const Case& c : cases) {
        const Outcome out = Bwpos(c.args);
        EXPECT_EQ(out.status, c.status) << out.out;
        EXPECT_NE(out.out.find(c.text), std::string::npos) << out.out;
    }
}

}  // namespace
