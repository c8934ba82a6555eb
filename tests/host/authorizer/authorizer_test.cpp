// The authorizer program run over a scratch folder, as the library (or a
// person) runs it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/folders.h"

namespace fs = std::filesystem;

namespace {

std::string Program() { return bwpstest::BuildProgramFolder() + "/bwpos-authorizer"; }

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Outcome {
    int status;
    std::string err;
};

Outcome RunProgram(const std::string& arguments, const std::string& scratch)
{
    const std::string errPath = scratch + "/stderr.txt";
    const std::string command = Program() + " " + arguments + " >/dev/null 2>" + errPath;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(errPath)};
}

class AuthorizerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = scratch_.path() + "/folder";
        fs::create_directories(folder_);
    }
    void TearDown() override { Stop(); }

    void Start(const std::string& rules)
    {
        const std::string rulesPath = scratch_.path() + "/rules.txt";
        std::ofstream(rulesPath) << rules;
        pid_ = ::fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            ::execl(Program().c_str(), Program().c_str(), folder_.c_str(), "--rules",
                    rulesPath.c_str(), "--idle-exit", "60", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 300 && !fs::exists(folder_ + "/AUTHORIZER.LOG"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    void Stop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
    }

    // Hands a request over as the library does and waits for its answer
    // ("" when none comes within the wait).
    std::string Exchange(const std::string& number, const std::string& line, int waitMs = 3000)
    {
        const std::string base = folder_ + "/AUTH" + number;
        fs::remove(base + ".OUT");
        {
            std::ofstream out(base + ".TMP", std::ios::binary);
            out << line << '\0';
        }
        fs::rename(base + ".TMP", base + ".IN");
        for (int waited = 0; waited < waitMs; waited += 10) {
            if (fs::exists(base + ".OUT"))
                return Slurp(base + ".OUT");
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "";
    }

    static std::string Line(char kind, char code, const std::string& card, const std::string& amount,
                            const std::string& approval = "")
    {
        return std::string(1, kind) + ",P," + code + ",0," + card + "," + amount + ",,," + approval +
               ",00012345,,,,";
    }

    bwpstest::ScratchFolder scratch_{"authorizer"};
    std::string folder_;
    pid_t pid_ = 0;
};

TEST_F(AuthorizerTest, BadArgumentsAreRefusedWithOneLine)
{
    const std::string bad = scratch_.path() + "/bad-rules.txt";
    std::ofstream(bad) << "card=12 explode\n";
    struct Case {
        std::string arguments;
        int status;
    } cases[] = {
        {"", 2},
        {folder_ + " --bogus", 2},
        {scratch_.path() + "/missing", 2},
        {folder_ + " --delay-ms soon", 2},
        {folder_ + " --idle-exit 0", 2},
        {folder_ + " --rules " + bad, 2},
        {folder_ + " --rules " + scratch_.path() + "/none.txt", 2},
        {"init " + folder_, 2},
    };
    for (const Case& c : cases) {
        const Outcome r = RunProgram(c.arguments, scratch_.path());
        EXPECT_EQ(r.status, c.status) << c.arguments;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.arguments << ": " << r.err;
    }
    const Outcome help = RunProgram("--help", scratch_.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.err.empty());
}

TEST_F(AuthorizerTest, RequestsAnsweredByTheRules)
{
    Start("card=0002 decline 1 12 CALL CENTER\n"
          "card=0003 approve 300003 APPROVED AVS=N\n"
          "amount=99.99 decline 2 51\n"
          "any approve 123456\n");
    struct Case {
        const char* what;
        std::string line;
        std::string answer;
    } cases[] = {
        {"approved", Line('W', '5', "4111111111111111+1209", "1250"), "0,123456,APPROVED,00012345,1250"},
        {"declined by card ending", Line('W', '5', "4000000000000002+1209", "1250"),
         "1,12,CALL CENTER,00012345,1250"},
        {"address result", Line('W', '5', "4000000000000003+1209", "1250"),
         "0,300003,APPROVED AVS=N,00012345,1250"},
        {"declined by amount", Line('W', '0', "4111111111111111+1209", "9999"), "2,51,DECLINED,00012345,9999"},
        {"voice approval takes its code", Line('W', '1', "4000000000000002+1209", "1250", "A1B2C3"),
         "0,A1B2C3,VOICE APPROVED,00012345,1250"},
        {"too few fields", "W,P,5,0,4111+1209,1250", "2,96,BAD REQUEST 6 FIELDS"},
        {"amount not digits", Line('W', '5', "4111111111111111+1209", "12.50"), "2,96,BAD AMOUNT"},
        {"amount of 10 digits", Line('W', '5', "4111111111111111+1209", "1000000000"),
         "2,96,BAD AMOUNT"},
        {"unknown code", Line('W', '9', "4111111111111111+1209", "1250"),
         "2,96,BAD TRANSACTION CODE"},
        {"keyed expiry not digits", Line('W', '5', "4111111111111111+12A9", "1250"),
         "2,96,BAD CARD NUMBER OR EXPIRY"},
        {"voice approval without code", Line('W', '2', "4111111111111111+1209", "1250"),
         "2,96,BAD VOICE APPROVAL CODE"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Exchange("0007", c.line), c.answer) << c.what;
        EXPECT_FALSE(fs::exists(folder_ + "/AUTH0007.IN")) << c.what << ": the request is removed";
        EXPECT_EQ(fs::status(folder_ + "/AUTH0007.OUT").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << c.what;
    }
    const std::string log = Slurp(folder_ + "/AUTHORIZER.LOG");
    EXPECT_NE(log.find("card ************0002"), std::string::npos) << log;
    EXPECT_EQ(log.find("4000000000000002"), std::string::npos) << "card numbers are masked";
}

TEST_F(AuthorizerTest, AVoidCancelsAnUnansweredRequest)
{
    Start("card=0009 noanswer\ncard=0008 delay=800 approve 808080\n");
    EXPECT_EQ(Exchange("0003", Line('W', '5', "4000000000000009+1209", "500"), 300), "");
    EXPECT_EQ(Exchange("0003", Line('C', '5', "4000000000000009+1209", "500")),
              "0,000000,CANCELLED,00012345,500");

    // A delayed approval cancelled before it is due never comes.
    EXPECT_EQ(Exchange("0004", Line('W', '5', "4000000000000008+1209", "500"), 100), "");
    EXPECT_EQ(Exchange("0004", Line('C', '5', "4000000000000008+1209", "500")),
              "0,808080,CANCELLED,00012345,500");
    fs::remove(folder_ + "/AUTH0004.OUT");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_FALSE(fs::exists(folder_ + "/AUTH0004.OUT"));

    // A void of an answered request reverses it.
    EXPECT_EQ(Exchange("0005", Line('W', '5', "4111111111111111+1209", "500")).substr(0, 2), "0,");
    EXPECT_EQ(Exchange("0005", Line('C', '5', "4111111111111111+1209", "500", "100001")),
              "0,100001,VOIDED,00012345,500");
}

TEST_F(AuthorizerTest, OneAuthorizerAFolderAndItsLockNamesIt)
{
    Start("");
    EXPECT_EQ(std::stoi(Slurp(folder_ + "/AUTHORIZER.LCK")), pid_);
    const Outcome second = RunProgram(folder_, scratch_.path());
    EXPECT_EQ(second.status, 3);
    EXPECT_NE(second.err.find("another authorizer"), std::string::npos) << second.err;
}

// Nobody can send to a folder that is gone: its authorizer ends (its idle
// time aside), and so does one whose folder another took the place of.
TEST_F(AuthorizerTest, TheAuthorizerEndsWhenItsFolderGoes)
{
    for (bool replaced : {false, true}) {
        SCOPED_TRACE(replaced ? "replaced" : "removed");
        fs::create_directories(folder_);
        Start("");
        ASSERT_TRUE(fs::exists(folder_ + "/AUTHORIZER.LCK"));
        fs::remove_all(folder_);
        if (replaced)
            fs::create_directories(folder_);
        int status = -1;
        pid_t ended = 0;
        for (int i = 0; i < 300 && ended == 0; ++i) {
            ended = ::waitpid(pid_, &status, WNOHANG);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(ended, pid_) << "still running after its folder went";
        if (ended == pid_) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            pid_ = 0;
        }
        Stop();
    }
}

// A pipe put at a request's name is passed over, never waited on: the
// requests after it are still answered.
TEST_F(AuthorizerTest, APipeAtARequestNameDoesNotStopTheService)
{
    Start("");
    ASSERT_EQ(::mkfifo((folder_ + "/AUTH0001.IN").c_str(), 0600), 0);
    EXPECT_EQ(Exchange("0002", Line('W', '5', "4111111111111111+1209", "700")).substr(0, 2), "0,");
}

TEST_F(AuthorizerTest, InitWritesTheParameterTexts)
{
    ASSERT_EQ(RunProgram("init " + folder_ + " 'CALL 800-555-0100' 'MERCHANT 42'", scratch_.path())
                  .status,
              0);
    const std::string bytes = Slurp(folder_ + "/ATOM.PRM");
    ASSERT_GE(bytes.size(), 1666u);
    EXPECT_EQ(std::string(bytes.c_str() + 1270), "CALL 800-555-0100");
    EXPECT_EQ(std::string(bytes.c_str() + 1649), "MERCHANT 42");
}

}  // namespace
