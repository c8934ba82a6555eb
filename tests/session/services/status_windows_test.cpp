// Status windows, posting error windows and the message log.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bwps/files.h"
#include "bwps/records/general.h"
#include "bwps/status_windows.h"
#include "fx.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

std::vector<std::pair<int, std::string>> g_hooked;
void Hook(int row, const char* text) { g_hooked.emplace_back(row, text); }

class StatusWindowsTest : public ServicesTest {
protected:
    void TearDown() override
    {
        SetStatusLineHook(nullptr);
        while (StatusWindowDepth() > 0)
            CloseStatusWindow();
        ServicesTest::TearDown();
    }
    std::string Log()
    {
        std::ifstream in(data() + "/MSGLOG.TXT", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(StatusWindowsTest, StackOfFiveAndItsCalls)
{
    const int32_t number = 5;
    EXPECT_EQ(AddStatusLine(0, 0, &number), STATUS_NO_WINDOW);
    EXPECT_EQ(CloseStatusWindow(), STATUS_NO_WINDOW);
    EXPECT_EQ(OpenGenericStatusWindow(1), STATUS_NO_WINDOW);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(OpenStatusWindow(5, -1, -1, 6, 40, "Working"), 0);
    EXPECT_EQ(OpenStatusWindow(5, -1, -1, 6, 40, "Sixth"), STATUS_TOO_MANY);
    EXPECT_EQ(StatusWindowDepth(), 5);
    EXPECT_EQ(OpenNamedStatusWindow(437), 0);
    EXPECT_STREQ(StatusWindowScreen(), "RSCONVERTSTATUS");
    EXPECT_EQ(OpenNamedStatusWindow(1), 0);
    EXPECT_STREQ(StatusWindowScreen(), "RSCONVERTSTATUS") << "an unknown kind keeps the name";
    const FxLineItem items[2] = {{LINE_NUMBER, 1, 2, "%4d"}, {LINE_AMOUNT, 2, 2, "%12.2f"}};
    EXPECT_EQ(SetStatusWindowKeys(items, 10), 1);
    EXPECT_EQ(SetStatusWindowKeys(items, sizeof items), 0);
    EXPECT_EQ(AddStatusLine(8, 0, &number), STATUS_BAD_SLOT);
    EXPECT_EQ(AddStatusLine(-1, 0, &number), STATUS_BAD_SLOT);
    EXPECT_EQ(LoadStatusLines(0), 0);
    EXPECT_EQ(LoadStatusLines(4321), STATUS_NO_LIST);

    SetStatusLineHook(Hook);
    EXPECT_TRUE(HasStatusLineHook());
    g_hooked.clear();
    FxTranscriptClear();
    const double amount = -12.5;
    EXPECT_EQ(AddStatusLineV(0, &number, &amount, nullptr), 0);
    ASSERT_EQ(g_hooked.size(), 2u);
    EXPECT_EQ(g_hooked[0], std::make_pair(1, std::string("   5")));
    EXPECT_EQ(g_hooked[1], std::make_pair(2, std::string("      -12.50")));
    EXPECT_EQ(Transcript().find("text"), std::string::npos) << "with a hook nothing is written";
    SetStatusLineHook(nullptr);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(CloseStatusWindow(), 0);
    EXPECT_EQ(CloseStatusWindow(), STATUS_NO_WINDOW);
}

TEST_F(StatusWindowsTest, ErrorWindowsShowTheirValues)
{
    FxTranscriptClear();
    EXPECT_EQ(ShowErrorMessageWindow(12, 0, 3, 0, "A", nullptr), 1);
    EXPECT_EQ(StatusWindowDepth(), 0);
    EXPECT_EQ(Transcript().find("window open"), std::string::npos) << "message 12 has no error screen";

    struct Case {
        int message;
        std::vector<const void*> values;
        std::vector<std::pair<int, std::string>> lines;
        const char* answer;
        int result;
    };
    static const double debit = 100.0, credit = 99.5;
    const Case cases[] = {
        {1319, {"INV1", "interface record missing"},
         {{1, "INV1      "}, {2, std::string("interface record missing") + std::string(8, ' ')}},
         "answer Continue", 2},
        {1247, {&debit, &credit, "GJ", "12"},
         {{1, "      100.00"}, {2, "       99.50"}, {3, "GJ    "}, {4, "12   "}}, "answer Cancel", 1},
        {1275, {"CUST1", "INV9"}, {{1, "CUST1     "}, {2, "INV9      "}}, "answer Continue", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        SetStatusLineHook(Hook);
        g_hooked.clear();
        FxScriptLoad(c.answer);
        std::vector<const void*> v = c.values;
        int result = 0;
        if (v.size() == 2)
            result = ShowErrorMessageWindow(c.message, 0, 7, 0, v[0], v[1], nullptr);
        else
            result = ShowErrorMessageWindow(c.message, 0, 7, 0, v[0], v[1], v[2], v[3], nullptr);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(g_hooked, c.lines);
        EXPECT_EQ(StatusWindowDepth(), 0);
    }
}

TEST_F(StatusWindowsTest, DatabaseErrorWindowWritesTheMessageLog)
{
    // The log is a report: it takes its heading from the company record.
    TagCompanyRecord company{};
    std::memcpy(company.Key, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
    std::snprintf(company.Name, sizeof company.Name, "Corner Shop");
    Put(bwps::No(bwps::FileNo::General), &company, sizeof company, GENERAL_KEY_SIZE);
    FxTranscriptClear();
    FxScriptLoad("answer Continue");
    EXPECT_EQ(ShowDatabaseErrorWindow(3, 1, 4, 5, 33, nullptr), 2);
    EXPECT_NE(Transcript().find("MSGLOG.TXT"), std::string::npos) << Transcript();
    // A full page goes on after a form feed under a new heading.
    for (int i = 0; i < 70; ++i)
        WriteMessageLogLine("line", 2, 0);
    // The log's lines are in the file once it closes.
    CloseMessageLog();
    std::string log = Log();
    EXPECT_NE(log.find("Page 1"), std::string::npos) << log;
    EXPECT_NE(log.find("Btrieve Error #   4\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("BPOSTEND.DB"), std::string::npos);
    EXPECT_NE(log.find("The record was not found."), std::string::npos);
    EXPECT_NE(log.find("\f Date :"), std::string::npos) << log;
    EXPECT_NE(log.find("Page 2"), std::string::npos);
    // A second opening adds to the end of the log.
    FxScriptLoad("answer Continue");
    EXPECT_EQ(ShowDatabaseErrorWindow(3, 1, 4, 5, 33, nullptr), 2);
    CloseMessageLog();
    const std::string longer = Log();
    EXPECT_EQ(longer.rfind(log, 0), 0u) << "the first opening's lines stay first";
    EXPECT_GT(longer.size(), log.size());
    CloseMessageLog();
    EXPECT_EQ(WriteMessageLogLine("after", 0, 0), 0);
    EXPECT_EQ(Log().find("after"), std::string::npos) << "nothing is written without a log";
    // Without log flags nothing is written.
    const size_t size = Log().size();
    FxScriptLoad("answer Continue");
    ShowDatabaseErrorWindow(1, 0, 4, 5, 33, nullptr);
    EXPECT_EQ(Log().size(), size);
}

}  // namespace
}  // namespace svctest
