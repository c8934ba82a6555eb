// Runs the bwpos program from a private copy of the program folder: creating
// a company, commands headless, the demo, and the errors a user can make.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/folders.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out;  // stdout and stderr together
};

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

class HostTest : public ::testing::Test {
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
        fs::create_directories(program_ + "/ROVAZERI");
    }

    Outcome Bwpos(const std::vector<std::string>& args)
    {
        std::string command = Quote(program_ + "/bwpos");
        for (const std::string& a : args) command += " " + Quote(a);
        command += " </dev/null 2>&1";
        Outcome o;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return o;
        std::array<char, 4096> chunk;
        size_t n = 0;
        while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) o.out.append(chunk.data(), n);
        const int raw = pclose(pipe);
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return o;
    }

    static int Lines(const std::string& text)
    {
        int n = 0;
        for (char c : text)
            if (c == '\n') ++n;
        return n;
    }

    bwpstest::ScratchFolder folder_{"host"};
    std::string scratch_;
    std::string program_;
};

TEST_F(HostTest, CreateCompanyThenRunCommandsHeadless)
{
    const std::string company = scratch_ + "/shop";
    Outcome o = Bwpos({"create-company", company, "Corner Shop"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_NE(o.out.find("Created company \"Corner Shop\""), std::string::npos) << o.out;
    EXPECT_TRUE(fs::exists(company + "/BPOSGNRL.DB"));

    o = Bwpos({"--company", company, "--user", "", "--password", "", "CmdRefreshHeading", "103"});
    EXPECT_EQ(o.status, 0) << o.out;

    // A screen of a later part answers with exit code 27 and says why.
    o = Bwpos({"--company", company, "--user", "", "--password", "", "141"});
    EXPECT_EQ(o.status, 27) << o.out;
    EXPECT_NE(o.out.find("not available in this build"), std::string::npos) << o.out;

    // The leave question answered from a script.
    const std::string script = scratch_ + "/leave.txt";
    std::ofstream(script) << "answer Yes\n";
    o = Bwpos({"--company", company, "--user", "", "--password", "", "--script", script, "104"});
    EXPECT_EQ(o.status, 27) << o.out;
    EXPECT_NE(o.out.find("Exit the program?\" [Yes,No] -> Yes"), std::string::npos) << o.out;

    // The same folder again is refused without touching it, and so is a
    // folder that holds only some of a company's files.
    o = Bwpos({"create-company", company, "Other"});
    EXPECT_NE(o.status, 0);
    EXPECT_EQ(Lines(o.out), 1) << o.out;
    fs::remove(company + "/BPOSGNRL.DB");
    const auto customers = fs::file_size(company + "/BPOSCUST.DB");
    o = Bwpos({"create-company", company, "Other"});
    EXPECT_NE(o.status, 0);
    EXPECT_EQ(Lines(o.out), 1) << o.out;
    EXPECT_EQ(fs::file_size(company + "/BPOSCUST.DB"), customers);
}

TEST_F(HostTest, DemoCreatesOpensAndListsTheCompany)
{
    const std::string folder = scratch_ + "/demo";
    Outcome o = Bwpos({"demo", folder});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_NE(o.out.find("Signed in"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(folder), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("Demo Company"), std::string::npos) << o.out;
    // A second run opens the same company.
    o = Bwpos({"demo", folder});
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_NE(o.out.find("already"), std::string::npos) << o.out;
}

// Every mistake gives one line and a non-zero status, never a crash.
TEST_F(HostTest, MistakesGiveOneLineAndFailure)
{
    fs::create_directories(scratch_ + "/empty");
    const std::vector<std::vector<std::string>> cases = {
        {"--company"},
        {"--company", scratch_ + "/missing", "103"},
        {"--company", scratch_ + "/empty", "103"},
        {"--company", scratch_ + "/empty"},
        {"--bogus", "1"},
        {"create-company", scratch_ + "/x"},
        {"create-company", scratch_ + "/x", "A name that is far too long"},
        {"create-company", program_, "Prog"},
        {"demo", "a", "b"},
    };
    for (const auto& args : cases) {
        const Outcome o = Bwpos(args);
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        EXPECT_NE(o.status, 0) << shown;
        EXPECT_LT(o.status, 128) << shown << o.out;
        EXPECT_EQ(Lines(o.out), 1) << shown << o.out;
    }
}

TEST_F(HostTest, UnknownCommandIsRefused)
{
    const std::string company = scratch_ + "/shop";
    ASSERT_EQ(Bwpos({"create-company", company, "Shop"}).status, 0);
    for (const char* command : {"CmdNoSuchThing", "999", "106"}) {
        const Outcome o = Bwpos({"--company", company, command});
        EXPECT_NE(o.status, 0) << command;
        EXPECT_NE(o.out.find("bwpos:"), std::string::npos) << o.out;
    }
}

TEST_F(HostTest, MissingLibraryOrDamagedBaseFolderIsReported)
{
    fs::remove(program_ + "/RAZAVUR/BPOSKEY.DB");
    Outcome o = Bwpos({"demo", scratch_ + "/demo"});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.out.find("BPOSKEY.DB"), std::string::npos) << o.out;
    EXPECT_EQ(Lines(o.out), 1) << o.out;

    fs::rename(program_ + "/libbwpos-1.so", program_ + "/libbwpos-1.keep");
    o = Bwpos({"demo", scratch_ + "/demo"});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.out.find("libbwpos-1.so"), std::string::npos) << o.out;
    EXPECT_EQ(Lines(o.out), 1) << o.out;
    fs::rename(program_ + "/libbwpos-1.keep", program_ + "/libbwpos-1.so");

    fs::remove_all(program_ + "/RAZAVUR");
    o = Bwpos({"demo", scratch_ + "/demo"});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.out.find("RAZAVUR"), std::string::npos) << o.out;
    EXPECT_EQ(Lines(o.out), 1) << o.out;
    EXPECT_FALSE(fs::exists(scratch_ + "/demo"));
}

}  // namespace
