// bwpos alerts over the demo company, and a customer's notes written from
// the customer screen and read back, from a private copy of the program
// folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/folders.h"
#include "tests/support/program.h"

namespace fs = std::filesystem;

namespace {

using Outcome = bwpstest::ProgramRun;

class HostAlertsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_ = folder_.path();
        program_ = scratch_ + "/program";
        bwpstest::InstallProgramFolder(program_);
        company_ = scratch_ + "/demo-company";
        ASSERT_EQ(Bwpos({"demo", company_}).status, 0);
    }
    Outcome Bwpos(const std::vector<std::string>& args) { return bwpstest::RunBwpos(program_, args); }
    Outcome Alerts(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"alerts", "--company", company_});
        return Bwpos(args);
    }

    bwpstest::ScratchFolder folder_{"hostalerts"};
    std::string scratch_, program_, company_;
};

TEST_F(HostAlertsTest, RulesRunAndTheAlertList)
{
    ASSERT_EQ(Alerts({"rule-add", "Over 10", "balance-over", "10"}).status, 0);
    ASSERT_EQ(Alerts({"rule-add", "Over 1000", "balance-over", "1000", "--range", "customer", "A", "Z"}).status, 0);
    ASSERT_EQ(Alerts({"rule-add", "Stock", "reorder"}).status, 0);
    const Outcome rules = Alerts({"rules"});
    EXPECT_EQ(rules.status, 0);
    EXPECT_NE(rules.out.find("Over 1000                 balance-over      1000        A .. Z"), std::string::npos)
        << rules.out;
    const Outcome run = Alerts({"run", "--date", "12/31/2026"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("3 rules, 0 not evaluated; 1 alerts in the list."), std::string::npos) << run.out;
    const Outcome list = Alerts({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("Over 10                   balance-over      C100"), std::string::npos) << list.out;
    EXPECT_TRUE(fs::exists(company_ + "/BWBCALRT.DB"));
}

TEST_F(HostAlertsTest, MistakesAUserCanMake)
{
    ASSERT_EQ(Alerts({"rule-add", "Twice", "over-limit"}).status, 0);
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"rule-add", "Twice", "over-limit"}, 1, "exists already"},
        {{"rule-add", "Bad", "balance-over", "12x"}, 2, "THRESHOLD must be an amount"},
        {{"rule-add", "Bad", "sunshine"}, 2, "unknown CONDITION"},
        {{"rule-add", "Bad", "reorder", "", "--range", "zip", "1", "2"}, 2, "not a field of the rule's subjects"},
        {{"run", "--date", "13/45/2026"}, 2, "not a date"},
        {{"explode"}, 2, "usage"},
    };
    for (const auto& c : cases) {
        const Outcome out = Alerts(c.args);
        EXPECT_EQ(out.status, c.status) << c.args[0] << " " << out.out;
        EXPECT_NE(out.out.find(c.says), std::string::npos) << out.out;
    }
    const Outcome none = Bwpos({"alerts", "--company", scratch_ + "/nowhere", "rules"});
    EXPECT_EQ(none.status, 4) << none.out;
}

TEST_F(HostAlertsTest, ACustomersNotesAreWrittenFromTheCustomerScreen)
{
    const std::string script = scratch_ + "/notes.script";
    std::ofstream(script) << "type C100\nkey Enter\nkey F3\ntype Called about the order\nkey Enter\n"
                             "key Shift+F5\nkey F10\nkey Esc\n";
    const Outcome out = Bwpos({"--company", company_, "--user", "", "--password", "", "--script", script, "120"});
    EXPECT_NE(out.out.find("window name RSRecordNotes"), std::string::npos) << out.out;
    const std::string notes = bwpstest::ReadFileText(company_ + "/C100.CST");
    EXPECT_EQ(notes.rfind("Called about the order\r\n", 0), 0u) << notes;
    ASSERT_GE(notes.size(), 24u + 11u);
    const std::string stamp = notes.substr(24);
    EXPECT_TRUE(stamp.size() == 11 && stamp[2] == ':' && stamp[5] == ':' &&
                (stamp.substr(8) == " AM" || stamp.substr(8) == " PM"))
        << "a time stamp and no NUL: " << stamp;
}

}  // namespace
