// The form tools as the launcher starts them: argument lists that keep
// empty names and folders with blanks whole, the layout tool waited for and
// its exit status read, the form compiler left running without a zombie, a
// missing tool refused with message 899, and the two tools themselves.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "bwps/custom_forms.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Children of this process that have ended and were never reaped.
int Zombies()
{
    int count = 0;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr)
        return 0;
    while (dirent* e = ::readdir(proc)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
        std::string all;
        std::getline(stat, all);
        const size_t close = all.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(all.substr(close + 2));
        char state = 0;
        int parent = 0;
        rest >> state >> parent;
        if (parent == ::getpid() && state == 'Z')
            ++count;
    }
    ::closedir(proc);
    return count;
}

class FormToolsTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        FxTranscriptClear();
    }
    void TearDown() override
    {
        RemoveFormTempFile();
        InstallationTest::TearDown();
    }

    // A stand-in tool: writes each argument in brackets on a line of
    // ARGS-<name>.txt in the data folder, sleeps, exits with `exitCode`.
    void FakeTool(const char* name, int exitCode, double seconds = 0)
    {
        const fs::path path = program_ / name;
        std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '"
                            << (data_ / ("ARGS-" + std::string(name) + ".txt")).string() << ".part'\n"
                            << "mv '" << (data_ / ("ARGS-" + std::string(name) + ".txt")).string()
                            << ".part' '" << (data_ / ("ARGS-" + std::string(name) + ".txt")).string() << "'\n"
                            << "sleep " << seconds << "\nexit " << exitCode << "\n";
        fs::permissions(path, fs::perms::owner_all);
    }
    void RealTool(const char* name)
    {
        fs::copy_file(bwpstest::BuiltBaseFolder().parent_path() / name, program_ / name,
                      fs::copy_options::overwrite_existing);
    }
    std::vector<std::string> ArgsOf(const char* name, int waitMs = 5000)
    {
        const fs::path path = data_ / ("ARGS-" + std::string(name) + ".txt");
        for (int waited = 0; !fs::exists(path) && waited < waitMs; waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return Lines(Slurp(path));
    }
};

TEST_F(FormToolsTest, AMissingToolIsRefusedWithItsMessage)
{
    TagRepInfo report{};
    EXPECT_EQ(RunFormCompiler(&report, 0, "RECEIPT"), 0);
    EXPECT_EQ(RunLayoutDefinitionTool("a.TXT", "a.LZR", "PDF files"), 0);
    const std::string t = Transcript();
    size_t first = t.find("form tool program is not in the program folder");
    ASSERT_NE(first, std::string::npos) << t;
    EXPECT_NE(t.find("form tool program is not in the program folder", first + 1), std::string::npos) << t;
    EXPECT_EQ(t.find("form tool \""), std::string::npos) << "nothing was started";
}

TEST_F(FormToolsTest, LayoutToolIsWaitedForAndItsExitStatusCounts)
{
    struct Case {
        int exitCode;
        int answer;
        bool failureShown;
    };
    const Case cases[] = {{0, 1, false}, {3, 0, true}};
    for (const Case& c : cases) {
        FakeTool(FORM_LAYOUT_PROGRAM, c.exitCode, 0.6);
        fs::remove(data_ / "ARGS-mkfmtdf.txt");
        FxTranscriptClear();
        const fs::path source = data_ / "my forms" / "SLIP.TXT";
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(RunLayoutDefinitionTool(source.c_str(), "", "Office Printer"), c.answer) << c.exitCode;
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, std::chrono::milliseconds(500)) << "the call waited for the tool";
        EXPECT_EQ(Transcript().find("did not finish its work") != std::string::npos, c.failureShown) << Transcript();
        EXPECT_EQ(ArgsOf(FORM_LAYOUT_PROGRAM, 0),
                  (std::vector<std::string>{"[" + source.string() + "]", "[]", "[Office Printer]"}));
        // The command text as the transcript quotes it: each part in quotes,
        // separated by commas.
        EXPECT_NE(Transcript().find("form tool \\\"" + (program_ / FORM_LAYOUT_PROGRAM).string() + "\\\",\\\"" +
                                    source.string() + "\\\",\\\"\\\",\\\"Office Printer\\\""),
                  std::string::npos)
            << Transcript();
        EXPECT_EQ(Zombies(), 0);
    }
}

TEST_F(FormToolsTest, FormCompilerRunsOnItsOwnAndLeavesNoZombie)
{
    // The stand-in compiler writes its arguments, waits for GO (at most ten
    // seconds), writes DONE and ends.
    const fs::path go = data_ / "GO", done = data_ / "DONE";
    const fs::path program = program_ / FORM_COMPILER_PROGRAM;
    std::ofstream(program) << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" << data_.string()
                           << "/args.part'\nmv '" << data_.string() << "/args.part' '" << data_.string()
                           << "/ARGS-fmtp.txt'\nn=0\nwhile [ ! -f '" << go.string()
                           << "' ] && [ $n -lt 200 ]; do sleep 0.05; n=$((n+1)); done\ntouch '" << done.string()
                           << "'\n";
    fs::permissions(program, fs::perms::owner_all);
    struct Case {
        const char* name;
        int mode;
        const char* base;
    };
    const Case cases[] = {{"LABELS.FMT", 0, "LABELS"}, {nullptr, 2, ""}, {"  RECEIPT  ", 2, "RECEIPT"}};
    for (const Case& c : cases) {
        for (const fs::path& p : {go, done, data_ / "ARGS-fmtp.txt"})
            fs::remove(p);
        TagRepInfo report{};
        EXPECT_EQ(c.mode == 0 ? RunFormCompilerMode0(&report, c.name) : RunFormCompilerMode2(&report, c.name), 1);
        const std::vector<std::string> args = ArgsOf(FORM_COMPILER_PROGRAM);
        EXPECT_FALSE(fs::exists(done)) << "the call came back while the compiler still ran";
        ASSERT_EQ(args.size(), 5u) << (c.name ? c.name : "no name");
        EXPECT_EQ(args[0], "[/ID=BRAMLOW]");
        EXPECT_EQ(args[1], "[" + Folder(data_) + "]");
        EXPECT_EQ(args[2], std::string("[") + c.base + "]");
        EXPECT_EQ(args[4], "[" + std::to_string(c.mode) + "]");
        std::ofstream(go) << "";
        for (int waited = 0; !fs::exists(done) && waited < 10000; waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(fs::exists(done));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(Zombies(), 0);
    }
}

TEST_F(FormToolsTest, PreparedPrintCompilesTheFormatsTextIntoATemporaryLayout)
{
    FakeTool(FORM_LAYOUT_PROGRAM, 0);
    TagRepInfo report{};
    report.engine = -1;
    EXPECT_EQ(PrepareFormPrintFiles(&report, "INVOICE.FMT"), 1);
    const std::vector<std::string> args = ArgsOf(FORM_LAYOUT_PROGRAM);
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[0], "[" + (data_ / "INVOICE.TXT").string() + "]");
    const std::string layout = args[1].substr(1, args[1].size() - 2);
    EXPECT_EQ(fs::path(layout).parent_path(), data_);
    EXPECT_EQ(fs::path(layout).extension(), ".LZR");
    EXPECT_TRUE(fs::exists(layout));
    RemoveFormTempFile();
    EXPECT_FALSE(fs::exists(layout));
}

TEST_F(FormToolsTest, LayoutToolCompilesAndNamesABadTagsPlace)
{
    RealTool(FORM_LAYOUT_PROGRAM);
    std::ofstream(data_ / "GOOD.TXT") << "Total {INV_TOTAL  }\r\nDate {DATE}\n";
    std::ofstream(data_ / "BAD.TXT") << "line one\nTo {CV_NAME    \n";
    EXPECT_EQ(RunLayoutDefinitionTool((data_ / "GOOD.TXT").c_str(), (data_ / "GOOD.LZR").c_str(), "PDF files"), 1);
    const std::string compiled = Slurp(data_ / "GOOD.LZR");
    EXPECT_NE(compiled.find("F 1 7 13 INV_TOTAL\n"), std::string::npos) << compiled;
    EXPECT_NE(compiled.find("F 2 6 6 DATE\n"), std::string::npos) << compiled;
    EXPECT_NE(compiled.find("PRINTER PDF files\n"), std::string::npos) << compiled;

    FxTranscriptClear();
    EXPECT_EQ(RunLayoutDefinitionTool((data_ / "BAD.TXT").c_str(), (data_ / "GOOD.LZR").c_str(), "PDF files"), 0);
    EXPECT_NE(Transcript().find("did not finish its work"), std::string::npos);
    EXPECT_EQ(Slurp(data_ / "GOOD.LZR"), compiled) << "a failed run leaves the old layout";
    std::string errors;
    if (FILE* p = ::popen(((program_ / FORM_LAYOUT_PROGRAM).string() + " '" + (data_ / "BAD.TXT").string() + "' '" +
                           (data_ / "X.LZR").string() + "' P 2>&1; echo exit $?")
                              .c_str(),
                          "r")) {
        char buffer[512];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            errors.append(buffer, n);
        ::pclose(p);
    }
    EXPECT_NE(errors.find("BAD.TXT:2:4: the tag is not closed"), std::string::npos) << errors;
    EXPECT_NE(errors.find("exit 1"), std::string::npos) << errors;
}

TEST_F(FormToolsTest, FormCompilerWritesItsCheckToTheLog)
{
    RealTool(FORM_COMPILER_PROGRAM);
    std::ofstream(data_ / "SLIP.TXT") << "Card {TENDER1}\n{}\n" << std::string(600, 'x') << "\n";
    TagRepInfo report{};
    ASSERT_EQ(RunFormCompiler(&report, 2, "SLIP.FMT"), 1);
    const fs::path log = data_ / "SLIP.LOG";
    for (int waited = 0; !fs::exists(log) && waited < 5000; waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string text = Slurp(log);
    EXPECT_NE(text.find("Format SLIP for port"), std::string::npos) << text;
    EXPECT_NE(text.find("mode 2"), std::string::npos) << text;
    EXPECT_NE(text.find("line 2, column 1: the tag names no variable"), std::string::npos) << text;
    EXPECT_NE(text.find("line 3, column 513: the line is longer than 512 characters"), std::string::npos) << text;
    EXPECT_NE(text.find("3 lines, 1 fields, 2 errors"), std::string::npos) << text;
}

}  // namespace
}  // namespace bwps::test
