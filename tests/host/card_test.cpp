// bwpos card run as a user runs it, from a private copy of the program
// folder: the demo company's card interface, a tender approved by the
// authorizer program that the library starts, swipes, checks and voids,
// a time-out that ends at the retry question, and the command's errors.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/folders.h"
#include "tests/support/program.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using Outcome = bwpstest::ProgramRun;

std::string Slurp(const std::string& path)
{
    return bwpstest::ReadFileText(path);
}

class CardCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_ = folder_.path();
        program_ = scratch_ + "/program";
        bwpstest::InstallProgramFolder(program_, {"bwpos-authorizer"});
        ASSERT_TRUE(fs::exists(program_ + "/bwpos"));
        company_ = scratch_ + "/demo-company";
        authorizer_ = company_ + "/authorizer";
    }

    void TearDown() override
    {
        // The authorizer the library started, or the one the test did.
        const std::string lock = authorizer_ + "/AUTHORIZER.LCK";
        if (fs::exists(lock)) {
            const std::string text = Slurp(lock);
            const pid_t started = text.empty() ? 0 : static_cast<pid_t>(std::atoi(text.c_str()));
            if (started > 0)
                ::kill(started, SIGTERM);
        }
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    Outcome Bwpos(const std::vector<std::string>& args) { return bwpstest::RunBwpos(program_, args); }

    void Demo()
    {
        const Outcome o = Bwpos({"demo", company_});
        ASSERT_EQ(o.status, 0) << o.out;
        ASSERT_TRUE(Has(o, "Card interface on; authorizer folder " + authorizer_)) << o.out;
        ASSERT_TRUE(fs::exists(authorizer_ + "/ATOM.PRM"));
    }

    Outcome Card(std::vector<std::string> rest)
    {
        std::vector<std::string> args = {"card", "--company", company_};
        args.insert(args.end(), rest.begin(), rest.end());
        return Bwpos(args);
    }

    // Starts the authorizer over the company's folder with the rules given.
    void StartAuthorizer(const std::string& rules)
    {
        const std::string rulesPath = scratch_ + "/rules.txt";
        std::ofstream(rulesPath) << rules;
        const std::string program = program_ + "/bwpos-authorizer";
        pid_ = ::fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            ::execl(program.c_str(), program.c_str(), authorizer_.c_str(), "--rules",
                    rulesPath.c_str(), "--idle-exit", "60", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 200 && !fs::exists(authorizer_ + "/AUTHORIZER.LCK"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    std::string Log() const { return Slurp(authorizer_ + "/AUTHORIZER.LOG"); }
    static bool Has(const Outcome& o, const std::string& text)
    {
        return o.out.find(text) != std::string::npos;
    }

    bwpstest::ScratchFolder folder_{"card-command"};
    std::string scratch_;
    std::string program_;
    std::string company_;
    std::string authorizer_;
    pid_t pid_ = 0;
};

TEST_F(CardCommandTest, AfterTheDemoATenderIsApprovedStoredAndVoided)
{
    Demo();
    Outcome o = Card({"--amount", "12.34"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(Has(o, "the test card ending 1111 is used")) << o.out;
    EXPECT_TRUE(Has(o, "payment VISA")) << o.out;
    EXPECT_FALSE(Has(o, "4111111111111111")) << "no card number is printed whole";
    EXPECT_FALSE(Has(o, "1111 1111 1111")) << o.out;
    EXPECT_TRUE(Has(o, "Tender of invoice IN00000001, register 1, amount 12.34")) << o.out;
    EXPECT_TRUE(Has(o, "Answer: approved, approval code ")) << o.out;
    EXPECT_TRUE(Has(o, "invoice IN00000001  register 1  kind 1 (sale)")) << o.out;
    EXPECT_TRUE(Has(o, "card ************1111")) << o.out;
    EXPECT_TRUE(Has(o, "amount 12.34")) << o.out;
    EXPECT_FALSE(Has(o, "4111111111111111\n")) << "the printed record masks the card";
    // The library started the authorizer from the program folder.
    EXPECT_TRUE(fs::exists(authorizer_ + "/AUTHORIZER.LCK"));
    EXPECT_NE(Log().find("AUTH0001 W code 5 card ************1111 amount 1234 -> 0,"),
              std::string::npos)
        << Log();

    // A swiped debit card and a check on the same register.
    o = Card({"--amount", "20", "--kind", "D", "--swipe", ";5500000000000004=25121010000?"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(Has(o, "typed 30 characters read as keys")) << o.out;
    EXPECT_FALSE(Has(o, "5500000000000004")) << "neither the stripe nor its number is printed";
    EXPECT_TRUE(Has(o, "invoice IN00000002  register 1  kind 5 (debit card)")) << o.out;
    EXPECT_TRUE(Has(o, "card ************0004  expiry 2512")) << o.out;
    o = Card({"--amount", "40", "--kind", "C", "--bank-line", "T011000015 0001234", "--check-number",
              "1001", "--name", "PAT DOE"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(Has(o, "window name RSEditCheckMicr")) << o.out;
    EXPECT_TRUE(Has(o, "kind 6 (check)")) << o.out;

    // The sale voided: a credit goes to the authorizer, the record is marked.
    o = Card({"--invoice", "IN00000001", "--void"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(Has(o, "Do you want to issue a Void or Credit ?")) << o.out;
    EXPECT_FALSE(Has(o, "4111111111111111")) << o.out;
    EXPECT_TRUE(Has(o, "kind 3 (voided), was 1 (sale)")) << o.out;
    EXPECT_NE(Log().find("W code 0 card ************1111 amount 1234"), std::string::npos) << Log();

    // Voided already: refused.
    o = Card({"--invoice", "IN00000001", "--void"});
    EXPECT_EQ(o.status, 31) << o.out;
    EXPECT_TRUE(Has(o, "could not be voided")) << o.out;
    EXPECT_TRUE(Has(o, "bwpos: card: the void was not recorded\n")) << o.out;
}

TEST_F(CardCommandTest, ADeclineAndATimeOutEndWithoutHanging)
{
    Demo();
    StartAuthorizer("card=0002 decline 2 05 DO NOT HONOR\nany noanswer\n");

    Outcome o = Card({"--amount", "5", "--card", "4000000000000002", "--expiry", "2512"});
    EXPECT_EQ(o.status, 31) << o.out;
    EXPECT_TRUE(Has(o, "Answer: declined: 05 DO NOT HONOR")) << o.out;
    EXPECT_TRUE(Has(o, "bwpos: card: the tender was not approved")) << o.out;
    EXPECT_TRUE(Has(o, "Nothing is stored in BPOSCARD.DB for invoice IN00000001")) << o.out;

    const auto start = Clock::now();
    o = Card({"--amount", "12.34", "--card-timeout", "1"});
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(o.status, 31) << o.out;
    EXPECT_TRUE(Has(o, "Try again?\" [Yes,No] -> No")) << o.out;
    EXPECT_TRUE(Has(o, "Answer: none: the tender was not authorised")) << o.out;
    EXPECT_NE(Log().find("void -> 0,000000,CANCELLED"), std::string::npos) << Log();
}

TEST_F(CardCommandTest, AScriptFillsTheTenderScreen)
{
    Demo();
    const std::string script = scratch_ + "/tender.txt";
    std::ofstream(script) << "type %B4111111111111111^DOE/PAT^2512101?\nkey Enter\nkey F10\n";
    Outcome o = Card({"--amount", "8.50", "--swipe-first", "--script", script});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(Has(o, "window name RSCCardSwipe")) << o.out;
    EXPECT_TRUE(Has(o, "name DOE/PAT")) << o.out;
    EXPECT_FALSE(Has(o, "4111111111111111")) << o.out;
    EXPECT_FALSE(Has(o, "^2512")) << "the stripe is never printed";

    // Esc on the tender screen: nothing is sent.
    std::ofstream(script) << "key Esc\n";
    o = Card({"--amount", "8.50", "--script", script});
    EXPECT_EQ(o.status, 31) << o.out;
    EXPECT_TRUE(Has(o, "Answer: none")) << o.out;
}

TEST_F(CardCommandTest, ArgumentsThatCannotBeUsed)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"card", "--amount", "1"}, 2, "--company DIR is required"},
        {{"card", "--company", "x"}, 2, "--amount A is required"},
        {{"card", "--company", "x", "--amount", "1", "--kind", "Q"}, 2, "--kind is N"},
        {{"card", "--company", "x", "--amount", "ten"}, 2, "--amount takes an amount"},
        {{"card", "--company", "x", "--amount", "nan"}, 2, "--amount takes an amount"},
        {{"card", "--company", "x", "--void"}, 2, "--invoice NO names the tender"},
        {{"card", "--company", "x", "--amount", "1", "--card-timeout", "0"}, 2, "--card-timeout takes"},
        {{"card", "--company", "x", "--amount", "1", "--invoice", "IN0000000001"}, 2, "at most 10"},
        {{"card", "--company", "x", "--amount", "1", "--check-mode", "3"}, 2, "--check-mode is 2"},
        {{"card", "--company", "x", "--amount", "1", "--name", "A\nkey Esc"}, 2, "no control characters"},
        {{"card", "--company", "x", "--amount", "1", "--colour"}, 2, "unknown argument --colour"},
        {{"card", "--company", scratch_ + "/none", "--amount", "1"}, 4, "does not exist"},
    };
    for (const Case& c : cases) {
        const Outcome o = Bwpos(c.args);
        EXPECT_EQ(o.status, c.status) << o.out;
        EXPECT_TRUE(Has(o, c.says)) << o.out;
    }
}

}  // namespace
