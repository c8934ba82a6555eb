// Prompts over the store's message codes, the choice asked on a status
// window, the user's break of long jobs and the continue window.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/files.h"
#include "bwps/records/masters.h"
#include "bwps/records/messages.h"
#include "bwps/records/products.h"
#include "bwps/records/sales.h"
#include "bwps/report_services.h"
#include "bwps/session.h"
#include "bwps/status_windows.h"
#include "fx.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

namespace fs = std::filesystem;
using bwps::FileNo;
using bwps::No;

class PromptsTest : public ServicesTest {
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        if (IsSkipped())
            return;
        // The screen resources: the text lists the prompts show.
        for (const auto& entry : fs::directory_iterator(bwpstest::BuiltBaseFolder()))
            if (entry.path().filename().string().rfind("WBPSRSC", 0) == 0)
                fs::copy_file(entry.path(), base() + "/" + entry.path().filename().string(),
                              fs::copy_options::overwrite_existing);
        OpenScreenResourceFiles();
    }
    void TearDown() override
    {
        while (StatusWindowDepth() > 0)
            CloseStatusWindow();
        ServicesTest::TearDown();
    }
    void PutMessageCode(const char* code, const char* l1, const char* l2, const char* l3)
    {
        MessageCodeRecord m{};
        std::strncpy(m.Code, code, sizeof m.Code - 1);
        m.Flag = 'N';
        std::strncpy(m.Lines[0], l1, 40);
        std::strncpy(m.Lines[1], l2, 40);
        std::strncpy(m.Lines[2], l3, 40);
        Put(No(FileNo::MessageCodes), &m, sizeof m, 6);
    }
    void PutItemLine(const char* code, int line, char kind, const char* messageCode,
                     const char* text)
    {
        TagItemDetail d{};
        std::strncpy(d.Code, code, 14);
        d.Code[15] = static_cast<char>(line);
        d.Status = kind;
        std::strncpy(d.MessageCode, messageCode, 5);
        std::strncpy(d.Text, text, 40);
        Put(No(FileNo::ItemDetails), &d, sizeof d, 16);
    }
};

TEST_F(PromptsTest, AmountPromptShowsTheCustomersMessageOverItsCredit)
{
    PutMessageCode("VIP", "Valued customer", "", "Offer the club card");
    struct Case {
        const char* code;
        bool shown;
    };
    const Case cases[] = {{"", false}, {"NONE", false}, {"VIP", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        CustomerRecord customer{};
        std::strcpy(customer.Code, "C1");
        std::strncpy(customer.MessageCode, c.code, 5);
        customer.CreditLimit = 1000;
        customer.Balance = 1250.5;
        FxTranscriptClear();
        FxScriptLoad("answer OK");
        EXPECT_EQ(ShowAmountPrompt(&customer), 0);
        const std::string t = Transcript();
        EXPECT_EQ(t.find("message ") != std::string::npos, c.shown) << t;
        if (!c.shown) {
            FxScriptLoad("");
            continue;
        }
        EXPECT_NE(t.find("Valued customer\\nOffer the club card\\n\\n"), std::string::npos) << t;
        EXPECT_NE(t.find("Credit limit" + std::string(14, ' ') + "\\t$     1000.00"),
                  std::string::npos)
            << "dots become blanks, the amount follows a tab: " << t;
        EXPECT_NE(t.find("\\t$     1250.50"), std::string::npos);
        EXPECT_NE(t.find("\\t$     -250.50"), std::string::npos) << "what is left may be negative";
        EXPECT_EQ(t.find("Continue"), std::string::npos) << "the button line is dropped";
    }
    // Without the text list nothing is shown and the answer is 1.
    FxCloseStringFiles();
    CustomerRecord customer{};
    std::strcpy(customer.MessageCode, "VIP");
    FxTranscriptClear();
    EXPECT_EQ(ShowAmountPrompt(&customer), 1);
    EXPECT_EQ(Transcript().find("message "), std::string::npos);
}

TEST_F(PromptsTest, ProdServMessageShowsThePopUpLinesOfTheItem)
{
    PutMessageCode("AGE", "Ask for an identity card", "", "Over 18 only");
    PutItemLine("WINE", 0, 'P', "AGE", "");
    PutItemLine("WINE", 1, 'D', "", "A description line is not shown");
    PutItemLine("WINE", 2, 'P', "", "Keep cool");
    PutItemLine("WINEX", 0, 'P', "", "Another item");

    TagSalesDetail line{};
    std::strcpy(line.ItemCode, "WINE");
    std::strcpy(line.Description, "Red wine");
    line.Quantity = 3;
    struct Case {
        int kind;
        const char* quantity;
    };
    for (const Case& c : {Case{0, "\"          3\""}, Case{1, "\"     3.0000\""}}) {
        SCOPED_TRACE(c.kind);
        FxTranscriptClear();
        FxScriptLoad("key Esc");
        EXPECT_EQ(ShowProdServMessage(nullptr, nullptr, c.kind, &line), 0);
        const std::string t = Transcript();
        EXPECT_NE(t.find("RSProdServMessage"), std::string::npos) << t;
        for (const char* shown : {"\"WINE\"", "\"Red wine\"", c.quantity, "\"Ask for an identity card\"",
                                  "\"Over 18 only\"", "\"Keep cool\""})
            EXPECT_NE(t.find(shown), std::string::npos) << shown << "\n" << t;
        EXPECT_EQ(t.find("description line"), std::string::npos);
        EXPECT_EQ(t.find("Another item"), std::string::npos);
        EXPECT_EQ(StatusWindowDepth(), 0) << "the window closes when the user leaves it";
    }
    std::memset(line.ItemCode, 0, sizeof line.ItemCode);
    FxTranscriptClear();
    EXPECT_EQ(ShowProdServMessage(nullptr, nullptr, 0, &line), 0);
    EXPECT_EQ(Transcript().find("window open"), std::string::npos) << "no code, no window";
}

TEST_F(PromptsTest, ChoiceOnTheStatusWindow)
{
    char choice = 'Y';
    EXPECT_EQ(AskStatusWindowChoice(2, 4, 0, &choice, "\001Yes,No"), STATUS_NO_WINDOW);
    ASSERT_EQ(OpenStatusWindow(5, -1, -1, 6, 40, nullptr), 0);
    struct Case {
        const char* script;
        char in;
        char out;
    };
    const Case cases[] = {
        {"type No\nkey F10", 'Y', 'N'},
        {"key Enter", 'N', 'N'},          // starts at the option of the choice in
        {"type Yes\nkey Enter", 'N', 'Y'},
        {"type Yes\nkey Esc", 'N', 'N'},  // Esc leaves the choice as it was
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        choice = c.in;
        FxScriptLoad(c.script);
        EXPECT_EQ(AskStatusWindowChoice(2, 4, 0, &choice, "\001Yes,No"), 0);
        EXPECT_EQ(choice, c.out);
    }
    EXPECT_EQ(StatusWindowDepth(), 1) << "the status window stays open";
}

TEST_F(PromptsTest, UserBreakAsksWhetherToStop)
{
    struct Case {
        const char* script;
        int result;
        bool asked;
    };
    const Case cases[] = {
        {"", 0, false},
        {"key A\nanswer Yes", 1, true},
        {"key Esc\nanswer No", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        FxTranscriptClear();
        FxScriptLoad(c.script);
        char work[32];
        std::memset(work, 0x55, sizeof work);
        EXPECT_EQ(ReportCheckUserBreak(work), c.result);
        EXPECT_EQ(work[31], 0) << "the work area is cleared";
        EXPECT_EQ(Transcript().find("Do you want to stop now?") != std::string::npos, c.asked)
            << Transcript();
    }
}

TEST_F(PromptsTest, ContinueWindowShowsCountAndAmountsUnderTheirCaptions)
{
    FxTranscriptClear();
    FxScriptLoad("answer Continue");
    EXPECT_EQ(AskContinue(366, 0, 12, 150.25, -20.5), 2);
    const std::string t = Transcript();
    for (const char* shown : {"RSPOSTTRANSUCCESS", "\"Transactions\"", "\"Total\"", "\"Posted\"",
                              "\"  12\"", "\"      -20.50\"", "\"      150.25\""})
        EXPECT_NE(t.find(shown), std::string::npos) << shown << "\n" << t;
    EXPECT_EQ(StatusWindowDepth(), 0);
}

}  // namespace
}  // namespace svctest
