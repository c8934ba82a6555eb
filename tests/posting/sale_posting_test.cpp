// Posting stored sales to the ledger: a table of sales, each checked line
// by line, the chart's rolled-up balances after the posting, re-posting,
// and sales that cannot be posted.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "bwps/files.h"
#include "bwps/accounts.h"
#include "bwps/ledger.h"
#include "posting/posting_internal.h"
#include "fx.h"
#include "recman.h"
#include "tests/posting/fixture.h"
#include "tests/support/library.h"

namespace postingtest {
namespace {

using bwps::posting::CopyText;
using bwps::posting::FieldText;
using bwps::posting::TrimRight;

struct SaleCase {
    const char* name;
    TagSalesHdr header;
    std::vector<SaleLine> lines;
    std::vector<Line> expected;
};

TagSalesHdr With(TagSalesHdr h, const char* customer, const char* tax, double taxAmount,
                 const char* tender1, double amount1, double tendered, double change)
{
    CopyText(h.CustomerNo, customer);
    CopyText(h.TaxCode, tax);
    h.TaxAmount = taxAmount;
    CopyText(h.Tender1, tender1);
    h.TenderAmount1 = amount1;
    h.Tendered = tendered;
    h.ChangeGiven = change;
    return h;
}

std::vector<SaleCase> Cases()
{
    std::vector<SaleCase> cases;
    cases.push_back({"cash sale, product and service, two tax rates",
                     With(Sale("CASH1", '1', 54), "", "ST", 4, "CASH", 54, 60, 6),
                     {{'P', "WIDGET", "", 2, 20}, {'S', "INSTALL", "", 1, 30}},
                     {{"11021", 'D', 54}, {"11071", 'C', 8}, {"2110", 'C', 2.5},
                      {"2120", 'C', 1.5}, {"4101", 'C', 50}, {"5101", 'D', 8}}});
    cases.push_back({"refund",
                     With(Sale("REF1", '1', -21.6), "", "ST", -1.6, "CASH", -21.6, -21.6, 0),
                     {{'P', "WIDGET", "", -1, -20}},
                     {{"11021", 'C', 21.6}, {"11071", 'D', 4}, {"2110", 'D', 1},
                      {"2120", 'D', 0.6}, {"4201", 'D', 20}, {"5101", 'C', 4}}});
    cases.push_back({"charge to a customer",
                     With(Sale("CHG1", '1', 108), "C100", "ST", 8, "", 0, 0, 0),
                     {{'S', "INSTALL", "", 1, 100}},
                     {{"11051", 'D', 108}, {"2110", 'C', 5}, {"2120", 'C', 3}, {"4101", 'C', 100}}});
    {
        TagSalesHdr h = With(Sale("LAY1", '3', 54), "L1", "ST", 4, "CASH", 20, 20, 0);
        CopyText(h.LayawayCustomer, "C100");
        cases.push_back({"layaway in progress with a prepayment", h,
                         {{'P', "GADGET", "", 1, 50}},
                         {{"11021", 'D', 20}, {"11051", 'D', 50}, {"11071", 'C', 10},
                          {"2105", 'C', 20}, {"4105", 'C', 50}, {"5101", 'D', 10}}});
    }
    {
        TagSalesHdr h = With(Sale("LAY2", '3', 54), "L1", "ST", 4, "CASH", 14, 14, 0);
        h.Flags = SALE_LAYAWAY_COMPLETED;
        cases.push_back({"completed layaway", h,
                         {{'P', "GADGET", "", 1, 50}},
                         {{"11021", 'D', 14}, {"11051", 'C', 26}, {"11051", 'D', 40},
                          {"11071", 'C', 10}, {"2105", 'D', 26}, {"2110", 'C', 2.5},
                          {"2120", 'C', 1.5}, {"4105", 'C', 50}, {"5101", 'D', 10}}});
    }
    {
        TagSalesHdr h = With(Sale("RCPT1", '5', 0), "C100", "", 0, "CHECK", 100, 100, 0);
        h.DiscountTaken = 5;
        cases.push_back({"receipt without lines, discount taken", h, {},
                         {{"11031", 'D', 100}, {"11051", 'C', 5}, {"11051", 'C', 100},
                          {"4107", 'D', 5}}});
    }
    {
        TagSalesHdr h = With(Sale("COUT1", '6', 0), "", "", 0, "CASH", -25, 0, 0);
        h.CashAmount = 25;
        CopyText(h.Tender2, "6100");
        CopyText(h.CashDescription, "PETTY");
        cases.push_back({"cash out", h, {}, {{"11021", 'C', 25}, {"6100", 'D', 25}}});
    }
    {
        TagSalesHdr h = With(Sale("CIN1", '6', 0), "", "", 0, "CASH", 40, 0, 0);
        h.CashAmount = -40;
        CopyText(h.Tender2, "6100");
        CopyText(h.CashDescription, "FLOAT");
        cases.push_back({"cash in", h, {}, {{"11021", 'D', 40}, {"6100", 'C', 40}}});
    }
    cases.push_back({"void", With(Sale("VOID1", 'V', 10), "", "", 0, "CASH", 10, 10, 0),
                     {{'P', "WIDGET", "", 1, 10}},
                     {{"11051", 'D', 10}, {"11071", 'C', 4}, {"4101", 'C', 10}, {"5101", 'D', 4}}});
    {
        TagSalesHdr h = With(Sale("DISC1", '1', 37.8), "", "ST", 2.8, "CARD", 37.8, 37.8, 0);
        h.DiscountTaken = 3;   // a sale's discount is in its lines
        cases.push_back({"discount line, billing code, two tax rates", h,
                         {{'P', "WIDGET", "", 1, 10},
                          {'P', "GADGET", "", 1, 20},
                          {'C', "FRT", "", 1, 5},
                          {'D', "DISC", "", 1, -3}},
                         {{"11021", 'D', 37.8}, {"11071", 'C', 14}, {"2110", 'C', 1.75},
                          {"2120", 'C', 1.05}, {"4101", 'C', 30}, {"4501", 'C', 5},
                          {"5101", 'D', 14}}});
    }
    cases.push_back({"nothing to post", With(Sale("ZERO1", '1', 0), "", "", 0, "", 0, 0, 0), {},
                     {{"11051", 'C', 0}, {"11051", 'D', 0}}});
    return cases;
}

class SalePostingTest : public PostingTest {
protected:
    TagGLHeader HeaderOf(long key)
    {
        for (const TagGLHeader& h : Headers())
            if (h.TranKey == key)
                return h;
        return TagGLHeader{};
    }
};

TEST_F(SalePostingTest, EverySaleBecomesABalancedTransaction)
{
    const auto cases = Cases();
    for (const SaleCase& c : cases)
        PutSale(c.header, c.lines);
    CBaseGL gl;
    for (const SaleCase& c : cases) {
        SCOPED_TRACE(c.name);
        TagSalesHdr sale = c.header;
        ASSERT_TRUE(gl.UpdateFromSalesTran(sale)) << gl.GetError() << " " << gl.GetErrorStr() << FxTranscript();
        EXPECT_GT(+sale.LedgerKey, 0);
        EXPECT_EQ(+ReadSale(FieldText(c.header.InvoiceNo, 11).c_str()).LedgerKey, +sale.LedgerKey);
        const TagGLHeader h = HeaderOf(sale.LedgerKey);
        EXPECT_STREQ(h.JournalCode, "POS   ");
        EXPECT_EQ(FieldText(h.SourceDocument, 11), FieldText(c.header.InvoiceNo, 11));
        EXPECT_EQ(FieldText(h.Reference, 11), FieldText(c.header.InvoiceNo, 11));
        EXPECT_EQ(+h.TranDate, +c.header.TranDate);
        std::vector<Line> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Summary(h), expected);
        double debits = 0, credits = 0;
        for (const Line& l : Summary(h))
            (l.side == 'D' ? debits : credits) += l.amount;
        EXPECT_NEAR(debits, credits, 0.001);
        EXPECT_NEAR(h.DebitTotal, debits, 0.001);
    }
    EXPECT_EQ(Headers().size(), cases.size());

    // Posted to the chart, the whole ledger balances there too.
    uint16_t headers = gl.GLHdrHdl(), lines = gl.GLDtlHdl(), accounts = gl.AcctHdl();
    uint8_t periods[37] = {};
    for (TagGLHeader h : Headers()) {
        TagPostingStatus block;
        double d = 0, c = 0;
        ASSERT_EQ(PostChartOfAccounts(headers, lines, accounts, &d, &c, periods, &h, &block), 0)
            << h.Reference;
    }
    double debits = 0, credits = 0;
    for (const char* top : {"1", "2", "4", "5", "6"}) {
        debits += Account(top).DebitTotal;
        credits += Account(top).CreditTotal;
    }
    EXPECT_NEAR(debits, credits, 0.001);
    EXPECT_NEAR(Account("4101").CreditTotal, 50 + 100 + 10 + 30, 0.001);
    EXPECT_NEAR(Account("41").Balance, Account("4101").Balance + Account("4105").Balance +
                                           Account("4107").Balance + Account("4201").Balance +
                                           Account("4501").Balance,
                0.001);
    EXPECT_NEAR(Account("11021").Balance, 54 - 21.6 + 20 + 14 - 25 + 40 + 37.8, 0.001);
}

TEST_F(SalePostingTest, RepostingASaleReplacesItsTransaction)
{
    const SaleCase c = Cases()[0];
    PutSale(c.header, c.lines);
    CBaseGL gl;
    TagSalesHdr sale = c.header;
    ASSERT_TRUE(gl.UpdateFromSalesTran(sale));
    const TagGLHeader first = HeaderOf(sale.LedgerKey);
    ASSERT_TRUE(gl.UpdateFromSalesTran(sale));
    const auto headers = Headers();
    ASSERT_EQ(headers.size(), 1u) << "replaced, never doubled";
    EXPECT_STREQ(headers[0].TranNo, first.TranNo);
    EXPECT_STREQ(headers[0].JournalCode, first.JournalCode);
    EXPECT_EQ(+headers[0].TranKey, +sale.LedgerKey);
    EXPECT_EQ(AllLines().size(), c.expected.size());
    EXPECT_EQ(+ReadSale("CASH1").LedgerKey, +sale.LedgerKey);
}

TEST_F(SalePostingTest, TheOnlineOptionOffPostsNothing)
{
    SetOnline('N');
    const SaleCase c = Cases()[0];
    PutSale(c.header, c.lines);
    CBaseGL gl;
    TagSalesHdr sale = c.header;
    EXPECT_TRUE(gl.UpdateFromSalesTran(sale));
    EXPECT_TRUE(Headers().empty());
    EXPECT_EQ(+sale.LedgerKey, 0);
}

TEST_F(SalePostingTest, ASaleThatCannotBePostedWritesNothing)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Bad {
        const char* name;
        TagSalesHdr header;
        std::vector<SaleLine> lines;
        int error;
        const char* cause;
    };
    TagSalesHdr nanTotal = With(Sale("BAD3", '1', nan), "", "", 0, "CASH", 1, 1, 0);
    TagSalesHdr huge = With(Sale("BAD4", '1', 1), "", "", 0, "CASH", 1e300, 1, 0);
    const Bad cases[] = {
        {"unknown line kind", With(Sale("BAD1", '1', 5), "", "", 0, "CASH", 5, 5, 0),
         {{'X', "WIDGET", "", 1, 5}}, GL_ERROR_SALE, "unknown kind"},
        {"missing product", With(Sale("BAD2", '1', 5), "", "", 0, "CASH", 5, 5, 0),
         {{'P', "NOSUCH", "", 1, 5}}, GL_ERROR_SALE, "product"},
        {"amount not a number", nanTotal, {}, GL_ERROR_SALE, "not a number"},
        {"amount too large", huge, {}, GL_ERROR_SALE, "too large"},
        {"line amount not a number", With(Sale("BAD5", '1', 5), "", "", 0, "CASH", 5, 5, 0),
         {{'S', "INSTALL", "", 1, nan}}, GL_ERROR_SALE, "line amount"},
        {"missing customer", With(Sale("BAD7", '1', 5), "C999", "", 0, "", 0, 0, 0),
         {{'S', "INSTALL", "", 1, 5}}, GL_ERROR_SALE, "customer"},
        {"line to an account outside the chart", With(Sale("BAD8", '6', 0), "", "", 0, "CASH", 3, 0, 0),
         {}, GL_ERROR_ACCOUNT, "9999"},
    };
    CBaseGL gl;
    for (Bad b : cases) {
        SCOPED_TRACE(b.name);
        if (b.error == GL_ERROR_ACCOUNT) {
            b.header.CashAmount = -3;
            CopyText(b.header.Tender2, "9999");
        }
        PutSale(b.header, b.lines);
        TagSalesHdr sale = b.header;
        EXPECT_FALSE(gl.UpdateFromSalesTran(sale));
        EXPECT_EQ(gl.GetError(), b.error);
        EXPECT_NE(std::string(gl.GetErrorStr()).find(b.cause), std::string::npos)
            << gl.GetErrorStr();
        if (b.error == GL_ERROR_SALE) {
            EXPECT_NE(std::string(gl.GetErrorStr()).find(FieldText(b.header.InvoiceNo, 11)),
                      std::string::npos);
        }
        EXPECT_EQ(+ReadSale(FieldText(b.header.InvoiceNo, 11).c_str()).LedgerKey, 0);
    }
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(AllLines().empty());
}

TEST_F(SalePostingTest, ARepostThatFailsKeepsTheEarlierTransaction)
{
    const SaleCase c = Cases()[0];
    PutSale(c.header, c.lines);
    CBaseGL gl;
    TagSalesHdr sale = c.header;
    ASSERT_TRUE(gl.UpdateFromSalesTran(sale));
    const TagGLHeader before = HeaderOf(sale.LedgerKey);
    // The product of the sale is gone: the re-post fails.
    uint16_t products = 0;
    ASSERT_EQ(BtrOpenFile(&products, FilePath(bwps::No(bwps::FileNo::Products)).c_str(), 0, 0), 0);
    uint8_t key[256] = {};
    std::memcpy(key, "WIDGET", 6);
    uint8_t record[668];
    ASSERT_EQ(BtrGet(B_GET_EQUAL, products, key, record, sizeof record), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, products, nullptr, record, 0), 0);
    BtrCloseFile(products);
    EXPECT_FALSE(gl.UpdateFromSalesTran(sale));
    EXPECT_EQ(+sale.LedgerKey, +before.TranKey);
    const auto headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(+headers[0].TranKey, +before.TranKey);
    EXPECT_EQ(AllLines().size(), c.expected.size());
    EXPECT_EQ(+ReadSale("CASH1").LedgerKey, +before.TranKey);
}

TEST_F(SalePostingTest, AProductWithoutAUnitFactorIsCostedByTheUnit)
{
    bwps::posting::ProductRecord bulk{};
    CopyText(bulk.Code, "BULK");
    bulk.Kind = 1;
    bulk.UnitFactor = 0;
    bulk.Amounts[PRODUCT_AVERAGE_COST] = 3.0;
    ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::Products)), bulk.Code, 15, &bulk, sizeof bulk), 0);
    PutSale(With(Sale("BULK1", '1', 10), "", "", 0, "CASH", 10, 10, 0), {{'P', "BULK", "", 2, 10}});
    CBaseGL gl;
    TagSalesHdr sale = ReadSale("BULK1");
    ASSERT_TRUE(gl.UpdateFromSalesTran(sale));
    EXPECT_EQ(Summary(HeaderOf(sale.LedgerKey)),
              (std::vector<Line>{{"11021", 'D', 10}, {"11071", 'C', 6}, {"4101", 'C', 10},
                                 {"5101", 'D', 6}}));
}

TEST_F(SalePostingTest, DeletingASalesTransactionClearsTheSalesKey)
{
    const SaleCase c = Cases()[2];
    PutSale(c.header, c.lines);
    CBaseGL gl;
    TagSalesHdr sale = c.header;
    ASSERT_TRUE(gl.UpdateFromSalesTran(sale));
    ASSERT_TRUE(gl.DeleteTran(sale));
    EXPECT_EQ(+sale.LedgerKey, 0);
    EXPECT_EQ(+ReadSale("CHG1").LedgerKey, 0);
    const auto headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_STREQ(headers[0].Reference, "DELETED");
    EXPECT_TRUE(AllLines().empty());
}

}  // namespace
}  // namespace postingtest
