// The credit check over a table of customers, with scripted answers to its
// screens.
#include "bwps/files.h"
#include "bwps/options.h"
#include "bwps/records/masters.h"
#include "bwps/credit_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "bwps/records/open_invoices.h"
#include "tests/posting/registers/company.h"

namespace {

using regtest::Put;

using Customer = CustomerRecord;

Customer MakeCustomer(const char* code, double limit, double balance)
{
    Customer c{};
    std::strncpy(c.Code, code, 10);
    c.CreditLimit = limit;
    c.Balance = balance;
    return c;
}

using SystemPref = TagSystemPref;

SystemPref MakePref(const char* password, char noOverride)
{
    SystemPref p{};
    p.Options[OPTION_CREDIT_NO_OVERRIDE] = static_cast<uint8_t>(noOverride);
    char* stored = reinterpret_cast<char*>(&p.Options[OPTION_CREDIT_PASSWORD]);
    std::strcpy(stored, password);
    for (char* c = stored; *c != '\0'; ++c)
        FxCharTransform89(c);
    return p;
}

TagOpenInvoice Detail(const char* cust, const char* inv, char type, int32_t id, double amount,
                      char status = 'O')
{
    TagOpenInvoice d;
    std::memset(&d, 0, sizeof d);
    Put(d.Customer, cust);
    Put(d.Invoice, inv);
    d.Type = type;
    d.Status = status;
    d.Id = id;
    d.Amount = amount;
    d.Date = 20260101;
    d.Date46 = 20260131;
    d.Precedence = '1';
    return d;
}

TagOpenInvoiceHdr Header(const char* cust, const char* inv, double balance, int32_t due)
{
    TagOpenInvoiceHdr h;
    std::memset(&h, 0, sizeof h);
    Put(h.Customer, cust);
    Put(h.Invoice, inv);
    h.Balance = balance;
    h.BalanceLessDiscount = balance;
    h.Date52 = due;
    return h;
}

class CreditCheckTest : public regtest::CompanyTest {
protected:
    void SetUp() override
    {
        regtest::CompanyTest::SetUp();
        if (HasFatalFailure())
            return;
        FxSetProductNumber(4);  // the point of sale's dictionary: the open-invoice list's columns
        Insert(10, MakeCustomer("WITHIN", 1000, 200));
        Insert(10, MakeCustomer("OVER", 500, 450));
        Insert(10, MakeCustomer("PASTDUE", 5000, 0));
        Insert(10, MakeCustomer("ZNEXT", 99999, 0));
        // Unposted open items of another invoice count in the exposure;
        // those of the invoice being entered and posted ones do not.
        Insert(3, Detail("OVER", "A1", 'I', 1, 40));
        Insert(3, Detail("OVER", "A1", 'P', 2, 10));
        Insert(3, Detail("OVER", "NEW", 'I', 3, 300));
        Insert(3, Detail("OVER", "B1", 'I', 4, 900, 'P'));
        Insert(70, Header("PASTDUE", "OLD", 75, 20200101));
        Insert(70, Header("PASTDUE", "TINY", 0.0005, 20200101));
        Insert(70, Header("PASTDUE", "NEW", 10, 20200101));
        Insert(70, Header("WITHIN", "LATER", 100, 20991231));
    }
    std::string Run(CBaseCreditCheck& check, bool pastDue, double amount, int level,
                    const char* script)
    {
        FxTranscriptClear();
        EXPECT_EQ(FxScriptLoad(script), 0);
        const bool ran = pastDue ? check.CustPastDueInvoicesOk("NEW", level)
                                 : check.CustAvailableCreditOk(amount, "NEW", level);
        EXPECT_TRUE(ran);
        return FxTranscript();
    }
};

// Levels without a screen over the customers of the fixture.
TEST_F(CreditCheckTest, LevelsWithoutAScreen)
{
    struct Case {
        const char* customer;
        bool pastDue;
        double amount;
        int level;
        int problem, action;
    } cases[] = {
        {"WITHIN", false, 800, 0, 1, 1},   // exactly the available credit
        {"WITHIN", false, 800.01, 0, 2, 0},
        {"WITHIN", false, 800.01, 1, 2, 1},
        {"WITHIN", false, 800.01, -1, 2, 1},
        {"OVER", false, 20, 0, 1, 1},      // 500 - (450 + 40 - 10) = 20
        {"OVER", false, 21, 0, 2, 0},
        {"WITHIN", true, 0, 0, 1, 1},      // due in the future
        {"PASTDUE", true, 0, 0, 2, 0},
        {"PASTDUE", true, 0, 1, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.customer) + " " + std::to_string(c.amount));
        CBaseCreditCheck check;
        ASSERT_TRUE(check.SetCustNo(c.customer));
        const bool ran = c.pastDue ? check.CustPastDueInvoicesOk("NEW", c.level)
                                   : check.CustAvailableCreditOk(c.amount, "NEW", c.level);
        ASSERT_TRUE(ran);
        EXPECT_EQ(check.GetProblem(), c.problem);
        EXPECT_EQ(check.GetAction(), c.action);
    }
}

TEST_F(CreditCheckTest, AmountThatIsNotANumberIsNeverAccepted)
{
    CBaseCreditCheck check;
    ASSERT_TRUE(check.SetCustNo("WITHIN"));
    EXPECT_FALSE(check.CustAvailableCreditOk(std::nan(""), "NEW", 1));
    EXPECT_EQ(check.GetProblem(), 0);
    EXPECT_EQ(check.GetAction(), 0);
}

TEST_F(CreditCheckTest, OnlyTheOldInvoiceIsPastDue)
{
    Insert(10, MakeCustomer("SMALL", 100, 0));
    Insert(70, Header("SMALL", "TINY", 0.0005, 20200101));
    Insert(70, Header("SMALL", "NEW", 10, 20200101));
    CBaseCreditCheck check;
    ASSERT_TRUE(check.SetCustNo("SMALL"));
    ASSERT_TRUE(check.CustPastDueInvoicesOk("NEW", 0));
    EXPECT_EQ(check.GetProblem(), 1) << "a balance below 0.001 and the invoice being entered";
}

// An unknown customer is not found; it never takes the next one's credit.
TEST_F(CreditCheckTest, UnknownCustomerIsNotFound)
{
    CBaseCreditCheck check;
    FxTranscriptClear();
    EXPECT_FALSE(check.SetCustNo("XNONE"));
    EXPECT_STREQ(check.GetCustNo(), "");
    EXPECT_FALSE(check.CustAvailableCreditOk(1, "NEW", 1));
    EXPECT_EQ(check.GetProblem(), 0);
    EXPECT_FALSE(check.CustPastDueInvoicesOk("NEW", 1));
    EXPECT_FALSE(check.SetCustNo(""));
}

TEST_F(CreditCheckTest, ScreensAnsweredByTheClerkAndTheSupervisor)
{
    const SystemPref pref = MakePref("BOSS", 'Y');
    struct Case {
        const char* what;
        bool pastDue;
        int level;
        const char* script;
        int action;
        const char* screen;
    } cases[] = {
        {"warning, continue", false, 2, "key Enter\n", 1, "RSWARNCREDITLIMIT"},
        {"warning, cancel", false, 2, "key Tab\nkey Enter\n", 0, "RSWARNCREDITLIMIT"},
        {"warning, escape", false, 2, "key Esc\n", 0, "RSWARNCREDITLIMIT"},
        {"error, OK", false, 3, "key Enter\n", 0, "RSERRCREDITLIMIT"},
        {"error, right password", false, 3, "key Tab\nkey Enter\ntype BOSS\nkey Enter\n", 1,
         "RSCRCHKPASSWORD"},
        {"error, wrong password", false, 3,
         "key Tab\nkey Enter\ntype WRONG\nkey Enter\nanswer OK\nkey Esc\nkey Esc\n", 0,
         "password is wrong"},
        {"error, view then OK", false, 3, "key Tab\nkey Tab\nkey Enter\nkey Esc\nkey Tab\nkey Tab\nkey Enter\n",
         0, "list open"},
        {"past due error, view lists the overdue invoices", true, 3,
         "key Tab\nkey Tab\nkey Enter\nkey Esc\nkey Tab\nkey Tab\nkey Enter\n", 0, "OLD"},
        {"past due warning, continue", true, 2, "key Enter\n", 1, "RSWARNOVERDUE"},
        {"past due error, right password", true, 3, "key Tab\nkey Enter\ntype BOSS\nkey Enter\n", 1,
         "RSERROVERDUE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CBaseCreditCheck check;
        check.SetSysPref(&pref);
        ASSERT_TRUE(check.SetCustNo(c.pastDue ? "PASTDUE" : "OVER"));
        const std::string transcript = Run(check, c.pastDue, 100, c.level, c.script);
        EXPECT_EQ(check.GetProblem(), 2);
        EXPECT_EQ(check.GetAction(), c.action) << transcript;
        EXPECT_NE(transcript.find(c.screen), std::string::npos) << transcript;
    }
}

TEST_F(CreditCheckTest, ErrorScreenWithoutOverrideCanOnlyRefuse)
{
    const SystemPref pref = MakePref("BOSS", 'N');
    CBaseCreditCheck check;
    check.SetSysPref(&pref);
    ASSERT_TRUE(check.SetCustNo("OVER"));
    const std::string transcript =
        Run(check, false, 100, 3, "key Tab\nkey Enter\ntype BOSS\nkey Enter\n");
    EXPECT_NE(transcript.find("RSERRCREDITLIMIT2"), std::string::npos);
    EXPECT_EQ(transcript.find("RSCRCHKPASSWORD"), std::string::npos) << transcript;
    EXPECT_EQ(check.GetAction(), 0);
}

// In a batch the first answer is kept: the clerk is asked once.
TEST_F(CreditCheckTest, BatchAsksOncePerCheck)
{
    CBaseCreditCheck check;
    check.SetBatchProcess(true);
    ASSERT_TRUE(check.SetCustNo("OVER"));
    std::string first = Run(check, false, 100, 2, "key Enter\n");
    EXPECT_EQ(check.GetAction(), 1);
    std::string second = Run(check, false, 100, 2, "");
    EXPECT_EQ(check.GetAction(), 1);
    EXPECT_EQ(second.find("RSWARNCREDITLIMIT"), std::string::npos) << second;
}

TEST_F(CreditCheckTest, GivenHandlesStayOpenAndOwnOnesClose)
{
    uint16_t customers = Open(bwps::No(bwps::FileNo::Customers));
    {
        CBaseCreditCheck check(static_cast<short>(customers), -1, -1);
        ASSERT_TRUE(check.SetCustNo("WITHIN"));
        ASSERT_TRUE(check.CustAvailableCreditOk(1, "NEW", 0));
        CBaseCreditCheck copy = check;
        EXPECT_EQ(copy.GetProblem(), 1);
    }
    char key[256] = {};
    std::strcpy(key, "WITHIN");
    Customer c;
    EXPECT_EQ(BtrGet(B_GET_EQUAL, customers, key, &c, sizeof c), 0) << "the lent handle is open";
    BtrCloseFile(customers);
}

}  // namespace
