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

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
};

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class DataCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_ = folder_.path();
        program_ = scratch_ + "/program";
        fs::create_directories(program_);
        const fs::path shipped = bwpstest::BuildProgramFolder();
        ASSERT_TRUE(fs::exists(shipped / "bwpos"));
        for (const auto& entry : fs::directory_iterator(shipped)) {
            const std::string name = entry.path().filename().string();
            if (name == "bwpos" || name.find(".so") != std::string::npos)
                fs::copy(entry.path(), program_ + "/" + name);
        }
        bwpstest::CopyBaseFolder(program_);
        std::error_code ec;
        fs::remove(program_ + "/RAZAVUR/BPOSCID.DB", ec);
        company_ = scratch_ + "/demo-company";
        ASSERT_EQ(Bwpos({"demo", company_}).status, 0);
    }

    Outcome Bwpos(const std::vector<std::string>& args)
    {
        std::string command = Quote(program_ + "/bwpos");
        for (const std::string& a : args)
            command += " " + Quote(a);
        command += " </dev/null 2>&1";
        Outcome o;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return o;
        std::array<char, 4096> chunk;
        size_t n = 0;
        while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
            o.out.append(chunk.data(), n);
        const int raw = pclose(pipe);
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return o;
    }

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
        {{"export", "--company", scratch_ + "/none", "33", "x.csv"}, 2, "does not exist"},
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
