// Customer history: detail lines and their summaries through the services.
#include "bwps/customer_history.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "bwps/ordinals.h"
#include "bwps/records/masters.h"
#include "bwps/records/sales.h"
#include "customers/history_internal.h"
#include "tests/posting/registers/company.h"

namespace {

using regtest::Put;

using Customer = CustomerRecord;

Customer MakeCustomer(const char* code, char accountType)
{
    Customer c{};
    std::strncpy(c.Code, code, 10);
    c.AccountType = accountType;
    return c;
}

using SaleHeader = TagSalesHdr;

SaleHeader MakeHeader(const char* invoice, double tax)
{
    SaleHeader h{};
    std::strncpy(h.InvoiceNo, invoice, 10);
    h.TaxAmount = tax;
    return h;
}

TagOpenInvoice Line(char type, int32_t id, double amount, int32_t date, double discount = 0)
{
    TagOpenInvoice l;
    std::memset(&l, 0, sizeof l);
    Put(l.Customer, "C1");
    Put(l.Invoice, "D1");
    Put(l.Text22, "T22");
    l.Type = type;
    l.Status = 'O';
    l.Id = id;
    l.Amount = amount;
    l.Double70 = amount;
    l.Double62 = 5;
    l.Double86 = 1;
    l.Discount = discount;
    l.Date = date;
    l.Date46 = date;
    l.Precedence = type == 'I' ? '1' : type == 'D' ? '2' : type == 'C' ? '3' : '4';
    return l;
}

class HistoryTest : public regtest::CompanyTest {
protected:
    void SetUp() override
    {
        regtest::CompanyTest::SetUp();
        if (HasFatalFailure())
            return;
        bwps::customers::ResetCustomerHistoryState();
        KeepHistory(true);
    }
    void TearDown() override
    {
        CloseCustomerHistoryFiles();
        bwps::customers::ResetCustomerHistoryState();
        regtest::CompanyTest::TearDown();
    }
    void KeepHistory(bool on)
    {
        GetSysInterfaceRecord()->SystemByte43 = on ? 'Y' : 'N';
    }
    std::vector<CustHistSummary> Summaries() { return All<CustHistSummary>(41); }

    Customer customer_ = MakeCustomer("C1", 'O');
    SaleHeader header_ = MakeHeader("D1", 7);
};

TEST_F(HistoryTest, NothingIsWrittenWhenHistoryIsOffOrTheCustomerIsNotOpenItem)
{
    struct Case {
        const char* what;
        bool kept;
        char accountType;
    } cases[] = {{"setting off", false, 'O'}, {"balance forward", true, 'B'}, {"cash", true, 'C'}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KeepHistory(c.kept);
        ASSERT_EQ(OpenCustomerHistoryFiles(), 0);
        Customer cust = MakeCustomer("C1", c.accountType);
        TagOpenInvoice l = Line('I', 1, 100, 20260101);
        HistPostResult r;
        EXPECT_EQ(PostCustHistDetail(2, 0, &l, &cust, &header_, &r), 0);
        EXPECT_EQ(AddNumberedCustHistDetail(0, &l, &cust, &header_, &r), 0);
        EXPECT_EQ(MarkCustHistDetailPosted(&l, &cust, nullptr, &r), 0);
        CloseCustomerHistoryFiles();
        EXPECT_EQ(Count(40), 0);
        EXPECT_EQ(Count(41), 0);
    }
}

// The summary of one document after a sequence of inserts, changes and
// deletes of its lines.
TEST_F(HistoryTest, SummaryFollowsInsertUpdateAndDelete)
{
    ASSERT_EQ(OpenCustomerHistoryFiles(), 0);
    struct Step {
        const char* what;
        int op;
        TagOpenInvoice line;
        double total, payments, discounts, open, amounts70, doubles141;
        int32_t origin, payment;
        char originType;
    };
    const Step steps[] = {
        {"invoice", 2, Line('I', 1, 100, 20260101), 100, 0, 0, 100, 100, 7, 1, 0, 'I'},
        {"payment", 2, Line('P', 2, 40, 20260110, 2), 100, 40, 2, 58, 100, 7, 1, 2, 'I'},
        {"later payment", 2, Line('P', 3, 10, 20260120), 100, 50, 2, 48, 100, 7, 1, 3, 'I'},
        {"later payment raised", 3, Line('P', 3, 20, 20260120), 100, 60, 2, 38, 100, 7, 1, 3, 'I'},
        {"later payment deleted", 4, Line('P', 3, 20, 20260120), 100, 40, 2, 58, 100, 7, 1, 2,
         'I'},
        {"credit memo", 2, Line('C', 4, 10, 20260125), 90, 40, 2, 48, 110, 0, 1, 2, 'I'},
        {"invoice deleted", 4, Line('I', 1, 100, 20260101), -10, 40, 2, -52, 10, -7, 4, 2, 'C'},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        HistPostResult r;
        ASSERT_EQ(PostCustHistDetail(static_cast<int16_t>(s.op), 0, &s.line, &customer_, &header_,
                                     &r),
                  0)
            << "file " << r.File << " operation " << r.Operation << " status " << r.Status;
        const auto summaries = Summaries();
        ASSERT_EQ(summaries.size(), 1u);
        const CustHistSummary& sum = summaries[0];
        EXPECT_DOUBLE_EQ(+sum.Total, s.total);
        EXPECT_DOUBLE_EQ(+sum.Payments, s.payments);
        EXPECT_DOUBLE_EQ(+sum.PaymentDiscounts, s.discounts);
        EXPECT_DOUBLE_EQ(+sum.OpenBalance, s.open);
        EXPECT_DOUBLE_EQ(+sum.Amounts70, s.amounts70);
        EXPECT_DOUBLE_EQ(+sum.Doubles141, s.doubles141);
        EXPECT_EQ(+sum.OriginNumber, s.origin);
        EXPECT_EQ(+sum.PaymentNumber, s.payment);
        EXPECT_EQ(+sum.Type, s.originType);
        EXPECT_STREQ(sum.Text22, "T22");
    }
    HistPostResult r;
    for (int32_t id : {2, 4}) {
        TagOpenInvoice l = Line('P', id, 0, 0);
        ASSERT_EQ(PostCustHistDetail(4, 0, &l, &customer_, &header_, &r), 0);
    }
    EXPECT_EQ(Count(41), 0) << "the last line's deletion deletes the summary";
    EXPECT_EQ(Count(40), 0);
}

TEST_F(HistoryTest, CreditLineIsStoredNegatedWithSourceAndReference)
{
    ASSERT_EQ(OpenCustomerHistoryFiles(), 0);
    TagOpenInvoice l = Line('C', 9, 25, 20260101);
    HistPostResult r;
    ASSERT_EQ(PostCustHistDetail(2, 0, &l, &customer_, &header_, &r), 0);
    const auto details = All<CustHistDetail>(40);
    ASSERT_EQ(details.size(), 1u);
    EXPECT_DOUBLE_EQ(+details[0].Line.Double70, -25);
    EXPECT_EQ(std::string(details[0].Source, 7), std::string("POS   \0", 7));
    EXPECT_STREQ(details[0].Reference, "D1");
    EXPECT_DOUBLE_EQ(+details[0].HeaderDouble, 7);
    EXPECT_DOUBLE_EQ(+Summaries()[0].Total, -25);

    TagOpenInvoice copy = Line('I', 10, 5, 20260101);
    ASSERT_EQ(PostCustHistDetail(2, 1, &copy, &customer_, &header_, &r), 0);
    CustHistDetail stored = All<CustHistDetail>(40, 1)[1];
    EXPECT_EQ(+stored.Source[0], 0) << "a copy-only line keeps only the line";
    EXPECT_DOUBLE_EQ(+stored.HeaderDouble, 0);
}

TEST_F(HistoryTest, ChangeOfAnUnknownLineAnswersNotFoundWithItsFile)
{
    ASSERT_EQ(OpenCustomerHistoryFiles(), 0);
    TagOpenInvoice l = Line('I', 77, 10, 20260101);
    HistPostResult r;
    EXPECT_EQ(PostCustHistDetail(3, 0, &l, &customer_, &header_, &r), B_KEY_NOT_FOUND);
    EXPECT_EQ(+r.File, 40);
    EXPECT_EQ(+r.Operation, B_GET_EQUAL);
    EXPECT_EQ(+r.Status, B_KEY_NOT_FOUND);
    EXPECT_EQ(DeleteCustHistDetail(77, &r), B_KEY_NOT_FOUND);
    EXPECT_EQ(UpdateCustHistDetail(77, 1.0, &r), B_KEY_NOT_FOUND);
    EXPECT_EQ(Count(41), 0);
}

TEST_F(HistoryTest, NumberedLinesContinueAfterTheHighestStoredNumber)
{
    ASSERT_EQ(OpenCustomerHistoryFiles(), 0);
    HistPostResult r;
    TagOpenInvoice stored = Line('I', 41, 10, 20260101);
    ASSERT_EQ(PostCustHistDetail(2, 0, &stored, &customer_, &header_, &r), 0);
    for (int32_t expected : {42, 43}) {
        TagOpenInvoice l = Line('P', 0, 1, 20260102);
        ASSERT_EQ(AddNumberedCustHistDetail(0, &l, &customer_, &header_, &r), 0);
        EXPECT_EQ(+l.Id, expected);
    }
    EXPECT_EQ(Count(40), 3);
    EXPECT_DOUBLE_EQ(+Summaries()[0].Payments, 2);
}

// A history line that cannot be added answers its status and writes
// nothing: the caller keeps the open item it was moving.
TEST_F(HistoryTest, FailedNumberedAddAnswersItsStatusAndWritesNothing)
{
    ASSERT_EQ(OpenCustomerHistoryFiles(), 0);
    std::filesystem::remove(Path(31));
    TagOpenInvoice l = Line('I', 0, 10, 20260101);
    HistPostResult r;
    EXPECT_EQ(AddNumberedCustHistDetail(0, &l, &customer_, &header_, &r), B_FILE_NOT_FOUND);
    EXPECT_EQ(+r.File, 31);
    EXPECT_EQ(Count(40), 0);
    EXPECT_EQ(Count(41), 0);
    EXPECT_EQ(+l.Id, 0);
}

TEST_F(HistoryTest, AmountChangeMarksPostedAndMovesTheSummary)
{
    ASSERT_EQ(OpenCustomerHistoryFiles(), 0);
    TagOpenInvoice l = Line('I', 5, 100, 20260101);
    HistPostResult r;
    ASSERT_EQ(PostCustHistDetail(2, 0, &l, &customer_, &header_, &r), 0);
    ASSERT_EQ(UpdateCustHistDetail(5, 60, &r), 0);
    const auto details = All<CustHistDetail>(40);
    EXPECT_EQ(+details[0].Line.Status, 'P');
    EXPECT_DOUBLE_EQ(+details[0].Line.Double70, 60);
    EXPECT_DOUBLE_EQ(+Summaries()[0].Amounts70, 60);
    l.Id = 5;
    ASSERT_EQ(MarkCustHistDetailPosted(&l, &customer_, nullptr, &r), 0);
}

TEST_F(HistoryTest, SetupNumbersGoBelowEveryNumberInUse)
{
    ASSERT_EQ(OpenCustomerHistoryFiles(), 0);
    EXPECT_EQ(NextSetupCustHistNumber(), -1);
    HistPostResult r;
    for (int32_t id : {12, -7, -3}) {
        TagOpenInvoice l = Line('I', id, 1, 20260101);
        ASSERT_EQ(PostCustHistDetail(2, 1, &l, &customer_, &header_, &r), 0);
    }
    EXPECT_EQ(NextSetupCustHistNumber(), -8);
}

TEST_F(HistoryTest, ServicesOnClosedHistoryFilesAnswerNotOpen)
{
    HistPostResult r;
    EXPECT_EQ(DeleteCustHistDetail(1, &r), B_FILE_NOT_OPEN);
    EXPECT_EQ(UpdateCustHistDetail(1, 2.0, &r), B_FILE_NOT_OPEN);
    EXPECT_EQ(NextSetupCustHistNumber(), 0) << "no number, never one that could be in use";
    EXPECT_EQ(Count(40), 0);
}

TEST_F(HistoryTest, WorkFilesAreCreatedAndRemoved)
{
    const std::string path = data() + "/work.tmp";
    uint16_t handle = 0;
    ASSERT_TRUE(CreateWorkFile(&handle, (path + "   ").c_str(), 3, 0));
    char record[43] = "A";
    char key[256] = {};
    EXPECT_EQ(BtrWrite(B_INSERT, handle, key, record, 43), 0);
    EXPECT_EQ(BtrWrite(B_INSERT, handle, key, record, 43), 0) << "duplicates allowed";
    EXPECT_TRUE(CloseWorkFile(handle, path.c_str()));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(CreateWorkFile(&handle, path.c_str(), 5, 0));
    EXPECT_FALSE(CreateWorkFile(&handle, (data() + "/missing/x.tmp").c_str(), 0, 0));
    EXPECT_TRUE(TranscriptHas("x.tmp")) << "the failure names the work file";
}

TEST(HistoryOrdinals, ServicesAreReachedByNumber)
{
    EXPECT_EQ(BWPSOrdinal(45), reinterpret_cast<void*>(&AddNumberedCustHistDetail));
    EXPECT_EQ(BWPSOrdinal(397), reinterpret_cast<void*>(&CloseWorkFile));
}

}  // namespace
