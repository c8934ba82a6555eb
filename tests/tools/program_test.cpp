// The bwps-basefiles program: its help and its refusals write nothing.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/folders.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
};

// Runs the program in `folder` with the arguments (already quoted).
Outcome RunBuilder(const std::string& folder, const std::string& arguments)
{
    const std::string command = "cd '" + folder + "' && '" + BWPS_BASEFILES_PROGRAM + "' " +
                                arguments + " </dev/null 2>&1";
    Outcome o;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return o;
    std::array<char, 4096> chunk;
    size_t n = 0;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) o.out.append(chunk.data(), n);
    const int raw = pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return o;
}

bool Empty(const std::string& folder)
{
    return fs::is_empty(folder);
}

TEST(BaseFilesProgram, HelpPrintsTheUsageAndWritesNothing)
{
    bwpstest::ScratchFolder scratch("basefiles-program");
    for (const char* help : {"--help", "-h"}) {
        const Outcome o = RunBuilder(scratch.path(), help);
        EXPECT_EQ(o.status, 0) << help;
        EXPECT_NE(o.out.find("usage: bwps-basefiles PROGRAMDIR"), std::string::npos) << o.out;
        EXPECT_TRUE(Empty(scratch.path())) << help;
    }
    for (const char* wrong : {"--bogus", "-x out", "", "a b c"}) {
        const Outcome o = RunBuilder(scratch.path(), wrong);
        EXPECT_EQ(o.status, 2) << wrong << ": " << o.out;
        EXPECT_TRUE(Empty(scratch.path())) << wrong;
    }
}

}  // namespace
