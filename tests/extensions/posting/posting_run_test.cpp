// The posting run through command 206 (ShowPosPostScreen) from a script,
// over the posting fixture's company.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "bwps/files.h"
#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/customer_history.h"
#include "bwps/ledger.h"
#include "bwps/records.h"
#include "bwps/records/customer_history.h"
#include "bwps/records/open_invoices.h"
#include "bwps/options.h"
#include "bwps/records/masters.h"
#include "bwps/records/options.h"
#include "bwps/records/products.h"
#include "bwps/records/documents.h"
#include "bwps/periods.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "extensions/posting/post_outcome.h"
#include "fx.h"
#include "posting/posting_internal.h"
#include "recman.h"
#include "tests/posting/fixture.h"
#include "tests/support/library.h"

namespace fs = std::filesystem;
using namespace postingtest;
using namespace bwps::posting;

namespace {

// A sale whose lines are in the sales-lines file (register field -1).
TagSalesHdr Sale(const char* invoice, char type, double total)
{
    TagSalesHdr h = postingtest::Sale(invoice, type, total);
    h.FirstLineOffset = -1;
    return h;
}

constexpr const char* kRunScript = "type 01/05/26\nkey F10\nanswer Continue\n";

class PostingRunTest : public PostingTest {
protected:
    void SetUp() override
    {
        PostingTest::SetUp();
        if (IsSkipped())
            return;
        FxUseScriptDriver();
        SetOnline('N');
    }

    // Runs command 206 with the script; the transcript.
    std::string Run(const std::string& script = kRunScript)
    {
        FxTranscriptClear();
        EXPECT_EQ(FxScriptLoad(script.c_str()), 0);
        EXPECT_EQ(ShowPosPostScreen(), 1) << FxTranscript();
        return FxTranscript();
    }

    void StoreDay()
    {
        TagSalesHdr cash = Sale("0000001001", 1, 42.0);
        CopyText(cash.Tender1, "CASH");
        cash.TenderAmount1 = 42.0;
        cash.Tendered = 42.0;
        cash.TaxAmount = 2.0;
        CopyText(cash.TaxCode, "ST");
        PutSale(cash, {{'P', "WIDGET", "", 2.0, 40.0}});

        TagSalesHdr refund = Sale("0000001002", 1, -10.0);
        CopyText(refund.Tender1, "CASH");
        refund.TenderAmount1 = -10.0;
        refund.Tendered = -10.0;
        PutSale(refund, {{'P', "GADGET", "", -1.0, -10.0}});

        TagSalesHdr charge = Sale("0000001003", 1, 25.0);
        CopyText(charge.CustomerNo, "C100");
        PutSale(charge, {{'S', "INSTALL", "", 1.0, 25.0}});

        TagSalesHdr voided = Sale("0000001004", 'V', 99.0);
        PutSale(voided, {{'P', "WIDGET", "", 1.0, 99.0}});

        TagSalesHdr done = Sale("0000001005", 1, 7.0);
        done.Flags = 2;
        PutSale(done, {{'P', "WIDGET", "", 1.0, 7.0}});
    }

    // Debit and credit totals of every ledger line.
    std::pair<double, double> Totals()
    {
        double debit = 0.0, credit = 0.0;
        for (const TagLedgerDetail& l : AllLines())
            (l.DebitCredit == 'D' ? debit : credit) += l.Amount;
        return {debit, credit};
    }

    template <class R, class F>
    void Each(int file, F f)
    {
        ForEachRecord<R>(FilePath(file), f);
    }

    TagProduct Product(const char* code)
    {
        TagProduct p{};
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, FilePath(bwps::No(bwps::FileNo::Products)).c_str(), 0, 0) != 0)
            return p;
        uint8_t key[256] = {};
        std::snprintf(reinterpret_cast<char*>(key), 16, "%s", code);
        BtrGet(B_GET_EQUAL, handle, key, &p, sizeof p);
        BtrCloseFile(handle);
        return p;
    }
};

TEST_F(PostingRunTest, PostsTheDayOnceIntoOneBalancedRunTransaction)
{
    StoreDay();
    const double widgetsBefore = Product("WIDGET").Amounts[6];
    const std::string transcript = Run();
    EXPECT_NE(transcript.find("Sales posted: 4 of 4"), std::string::npos) << transcript;

    // Every sale taken is marked posted with its register field cleared.
    for (const char* invoice : {"0000001001", "0000001002", "0000001003", "0000001004"}) {
        const TagSalesHdr h = ReadSale(invoice);
        EXPECT_TRUE(h.Flags & 2) << invoice;
        EXPECT_EQ(+h.FirstLineOffset, -1) << invoice;
    }
    // One "POS" run transaction, its lines balanced and merged per account.
    int runs = 0;
    for (const TagGLHeader& h : Headers())
        if (std::strncmp(h.JournalCode, "POS", 3) == 0)
            ++runs;
    EXPECT_EQ(runs, 1);
    const auto [debit, credit] = Totals();
    EXPECT_GT(debit, 0.0);
    EXPECT_NEAR(debit, credit, 0.005);
    std::map<std::pair<std::string, char>, int> seen;
    for (const TagLedgerDetail& l : AllLines())
    {
        const std::pair<std::string, char> k{std::string(l.Account, 11), l.DebitCredit};
        EXPECT_EQ(++seen[k], 1) << "two lines for " << k.first;
    }
    // Two widgets left stock; the voided sale took none.
    EXPECT_NEAR(Product("WIDGET").Amounts[6], widgetsBefore - 2.0, 1e-9);
    // The period's history: the product's sales and cost, the service's
    // sales, the customer's purchases.
    std::map<std::string, std::pair<double, double>> products;
    Each<TagProductHistory>(bwps::No(bwps::FileNo::ProductHistory), [&](const TagProductHistory& h) {
        if (h.Year == 2026)
            products[h.Code] = {+h.First[0], +h.Second[0]};
    });
    EXPECT_NEAR(products["WIDGET"].first, 40.0, 0.005);
    EXPECT_NEAR(products["WIDGET"].second, 8.0, 0.005);    // 2 at an average cost of 4
    EXPECT_NEAR(products["GADGET"].first, -10.0, 0.005);   // the return
    double service = 0.0, customer = 0.0;
    Each<TagServiceHistory>(bwps::No(bwps::FileNo::ServiceHistory), [&](const TagServiceHistory& h) { service += h.Amounts[0]; });
    Each<TagCustomerStatistics>(bwps::No(bwps::FileNo::CustomerStatistics), [&](const TagCustomerStatistics& h) {
        if (std::strncmp(h.Code, "C100", 4) == 0 && h.Kind == 2026)
            customer += h.First[0];
    });
    EXPECT_NEAR(service, 25.0, 0.005);
    EXPECT_NEAR(customer, 25.0, 0.005);
    // The charge customer owes what the sale left unpaid.
    double balance = -1.0;
    Each<CustomerRecord>(bwps::No(bwps::FileNo::Customers), [&](const CustomerRecord& c) {
        if (std::strncmp(c.Code, "C100", 4) == 0)
            balance = c.Balance;
    });
    EXPECT_NEAR(balance, 25.0, 0.005);
    // The tax code's statistics of the period.
    double tax = 0.0;
    Each<TaxRecord>(bwps::No(bwps::FileNo::TaxTable), [&](const TaxRecord& t) {
        if (std::strncmp(t.Code, "ST", 2) == 0)
            tax = t.History[1][0];
    });
    EXPECT_NEAR(tax, 2.0, 0.005);

    // A second run finds nothing left and changes nothing.
    const auto lines = AllLines().size();
    const std::string again = Run();
    EXPECT_NE(again.find("nothing to export or post"), std::string::npos) << again;
    EXPECT_EQ(AllLines().size(), lines);
    EXPECT_NEAR(Totals().first, debit, 0.005);
}

// The period statistics a day's sales leave on the items and the customer,
// in the current year's slot (2) of their period arrays.
TEST_F(PostingRunTest, ItemsAndCustomersKeepThePeriodStatisticsOfTheirSales)
{
    TagSalesHdr charge = Sale("0000005001", 1, 42.0);   // 40 of widgets and 2 of tax, 10 paid
    CopyText(charge.CustomerNo, "C100");
    CopyText(charge.Tender1, "CASH");
    charge.TenderAmount1 = 10.0;
    charge.Tendered = 10.0;
    charge.TaxAmount = 2.0;
    CopyText(charge.TaxCode, "ST");
    PutSale(charge, {{'P', "WIDGET", "", 2.0, 40.0}});

    TagSalesHdr service = Sale("0000005002", 1, 25.0);
    CopyText(service.Tender1, "CASH");
    service.TenderAmount1 = 25.0;
    service.Tendered = 25.0;
    PutSale(service, {{'S', "INSTALL", "", 1.0, 25.0}});

    TagSalesHdr receipt = Sale("0000005003", SALE_TYPE_RECEIPT, 0.0);
    CopyText(receipt.CustomerNo, "C100");
    CopyText(receipt.Tender1, "CASH");
    receipt.TenderAmount1 = 12.0;
    receipt.Tendered = 12.0;
    receipt.TranDate = 20260106;
    PutSale(receipt, {});

    TagSalesHdr layaway = Sale("0000005004", SALE_TYPE_LAYAWAY, 30.0);   // in progress
    CopyText(layaway.CustomerNo, "L2");
    CopyText(layaway.LayawayCustomer, "C100");
    CopyText(layaway.Tender1, "CASH");
    layaway.TenderAmount1 = 15.0;
    layaway.Tendered = 15.0;
    PutSale(layaway, {{'P', "WIDGET", "", 1.0, 30.0}});

    const TagProduct widgetBefore = Product("WIDGET");
    // The sales-detail history lives with the accounting company's files.
    SetAccountingFolder(DataPath(""));
    uint8_t spec[FILE_SPEC_SIZE] = {};
    ASSERT_EQ(CreateSessionDataFile(bwps::No(bwps::FileNo::AccountingSalesLines), 0, DataPath("").c_str(), nullptr, spec), 0);
    ASSERT_EQ(SetSystemOption(OPTION_SALES_DETAIL_HISTORY, 'Y'), 0);
    const std::string transcript = Run();
    SetSystemOption(OPTION_SALES_DETAIL_HISTORY, 'N');
    EXPECT_NE(transcript.find("Sales posted: 4 of 4"), std::string::npos) << transcript;

    const TagProduct widget = Product("WIDGET");
    // Two widgets sold and one put on layaway, at an average cost of 4.
    EXPECT_NEAR(widget.Runs[0][2] - widgetBefore.Runs[0][2], 3.0, 1e-9);    // quantity
    EXPECT_NEAR(widget.Runs[2][2] - widgetBefore.Runs[2][2], 70.0, 0.005);  // sales
    EXPECT_NEAR(widget.Runs[3][2] - widgetBefore.Runs[3][2], 12.0, 0.005);  // cost
    EXPECT_NEAR(widget.Runs[4][2], widget.Runs[2][2] - widget.Runs[3][2], 0.005);   // profit
    EXPECT_EQ(+widget.LastDate, 20260105);

    ServiceRecord install{};
    Each<ServiceRecord>(bwps::No(bwps::FileNo::Services), [&](const ServiceRecord& r) {
        if (std::strncmp(r.Code, "INSTALL", 7) == 0)
            install = r;
    });
    EXPECT_NEAR(install.Amounts[2], 25.0, 0.005);
    EXPECT_NEAR(install.Quantities[2], 1.0, 1e-9);
    EXPECT_EQ(+install.LastDate, 20260105);

    CustomerRecord c{};
    Each<CustomerRecord>(bwps::No(bwps::FileNo::Customers), [&](const CustomerRecord& r) {
        if (std::strncmp(r.Code, "C100", 4) == 0)
            c = r;
    });
    EXPECT_EQ(+c.Invoices[2], 1);
    EXPECT_NEAR(c.Sales[2], 40.0, 0.005);              // without its tax
    EXPECT_NEAR(c.Payments[2], 10.0 + 12.0, 0.005);    // on the sale and the receipt
    EXPECT_NEAR(c.PaymentsTotal, 12.0, 0.005);
    EXPECT_NEAR(c.Layaways[2], 15.0, 0.005);           // paid on the layaway in progress
    EXPECT_EQ(+c.LastSaleDate, 20260105);
    EXPECT_NEAR(c.LastSaleAmount, 40.0, 0.005);
    EXPECT_EQ(+c.LastPaymentDate, 20260106);
    EXPECT_NEAR(c.LastPaymentAmount, 12.0, 0.005);
    EXPECT_NEAR(c.Balance, 32.0 - 12.0, 0.005);        // owed on the sale, less the receipt
    EXPECT_NEAR(c.CreditsTotal, 12.0, 0.005);

    // One sales-detail history record per posted line; the layaway in
    // progress keeps none yet.
    std::map<std::string, SalesDetailHistoryRecord> history;
    Each<SalesDetailHistoryRecord>(bwps::No(bwps::FileNo::AccountingSalesLines), [&](const SalesDetailHistoryRecord& r) {
        history[std::string(r.InvoiceNo)] = r;
    });
    ASSERT_EQ(history.size(), 2u);
    const SalesDetailHistoryRecord& w = history["0000005001"];
    EXPECT_EQ(w.Kind, 'I');
    EXPECT_EQ(+w.ItemType, 3);
    EXPECT_STREQ(w.ItemCode, "WIDGET");
    EXPECT_STREQ(w.CustomerNo, "C100");
    EXPECT_NEAR(w.Amount, 40.0, 0.005);
    EXPECT_NEAR(w.Cost, 8.0, 0.005);
    EXPECT_EQ(+history["0000005002"].ItemType, 6);
}

// A history record that cannot be written (here another station's open
// transaction holds the file) fails the sale, which stays unposted with
// nothing of it written; once the file is free the next run posts it with
// its history.
TEST_F(PostingRunTest, ASalesDetailHistoryRecordThatCannotBeWrittenLeavesTheSaleForTheNextRun)
{
    SetAccountingFolder(DataPath(""));
    uint8_t spec[FILE_SPEC_SIZE] = {};
    ASSERT_EQ(CreateSessionDataFile(bwps::No(bwps::FileNo::AccountingSalesLines), 0, DataPath("").c_str(), nullptr, spec), 0);
    TagSalesHdr sale = Sale("0000007001", 1, 40.0);
    CopyText(sale.Tender1, "CASH");
    sale.TenderAmount1 = 40.0;
    sale.Tendered = 40.0;
    PutSale(sale, {{'P', "WIDGET", "", 2.0, 40.0}});
    const double before = Product("WIDGET").Amounts[6];

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t station = fork();
    ASSERT_GE(station, 0);
    if (station == 0) {
        uint16_t handle = 0;
        SalesDetailHistoryRecord other{};
        CopyText(other.InvoiceNo, "0000000001");
        uint8_t key[256] = {};
        const bool held = BtrOpenFile(&handle, FilePath(bwps::No(bwps::FileNo::AccountingSalesLines)).c_str(), 0, 0) == 0 &&
                          BtrTransaction(19) == 0 &&
                          BtrWrite(B_INSERT, handle, key, &other, sizeof other) == 0;
        const char answer = held ? 'Y' : 'N';
        (void)!write(ready[1], &answer, 1);
        pause();
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'Y');
    ASSERT_EQ(SetSystemOption(OPTION_SALES_DETAIL_HISTORY, 'Y'), 0);

    const std::string failed = Run(std::string(kRunScript) + "key Enter\n");
    kill(station, SIGKILL);
    waitpid(station, nullptr, 0);
    EXPECT_NE(failed.find("sales-detail history"), std::string::npos) << failed;
    EXPECT_FALSE(ReadSale("0000007001").Flags & SALE_POSTED);
    EXPECT_NEAR(Product("WIDGET").Amounts[6], before, 1e-9);
    EXPECT_TRUE(AllLines().empty());

    ASSERT_EQ(SetSystemOption(OPTION_SALES_DETAIL_HISTORY, 'Y'), 0);
    Run();
    SetSystemOption(OPTION_SALES_DETAIL_HISTORY, 'N');
    EXPECT_TRUE(ReadSale("0000007001").Flags & SALE_POSTED);
    EXPECT_NEAR(Product("WIDGET").Amounts[6], before - 2.0, 1e-9);
    const auto history = ReadAll<SalesDetailHistoryRecord>(FilePath(bwps::No(bwps::FileNo::AccountingSalesLines)));
    ASSERT_EQ(history.size(), 1u);
    EXPECT_STREQ(history[0].InvoiceNo, "0000007001");
}

// The last unit out takes the value left on hand as its cost, so stock is
// never worth less than nothing.
// The last units out take what value is left, and the ledger's inventory
// credit is what the stock's value lost: stock and ledger agree, also for
// a product on two lines of one sale.
TEST_F(PostingRunTest, TheLastUnitOutCostsWhatValueIsLeft)
{
    struct Case {
        const char* what;
        double onHand, value;
        std::vector<double> lines;
        double cost;
    } cases[] = {
        {"one line, the last unit", 1.0, 3.0, {1.0}, 3.0},
        {"two lines, the second takes the last unit", 2.0, 7.0, {1.0, 1.0}, 7.0},
        {"stock left, the unit cost", 3.0, 12.0, {1.0}, 4.0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string code = "LAST" + std::to_string(++n);
        PutProduct(code.c_str(), 1, 4.0);
        TagProduct p = Product(code.c_str());
        p.Amounts[PRODUCT_QUANTITY] = c.onHand;
        p.Amounts[PRODUCT_VALUE] = c.value;
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::Products)), &p, 15, &p, sizeof p), 0);
        char invoice[11];
        std::snprintf(invoice, sizeof invoice, "%010d", 8000 + n);
        TagSalesHdr sale = Sale(invoice, 1, 9.0);
        CopyText(sale.Tender1, "CASH");
        sale.TenderAmount1 = sale.Tendered = 9.0;
        std::vector<SaleLine> lines;
        for (double q : c.lines)
            lines.push_back({'P', code.c_str(), "", q, 9.0 / static_cast<double>(c.lines.size())});
        PutSale(sale, lines);
        const double creditBefore = Account("11071").CreditTotal;
        Run();
        const TagProduct after = Product(code.c_str());
        double sold = 0.0;
        for (double q : c.lines)
            sold += q;
        EXPECT_NEAR(after.Amounts[PRODUCT_QUANTITY], c.onHand - sold, 1e-9) << c.what;
        EXPECT_NEAR(after.Amounts[PRODUCT_VALUE], c.value - c.cost, 0.005) << c.what;
        EXPECT_NEAR(after.Runs[3][2], c.cost, 0.005) << c.what << ": the period's cost";
        EXPECT_NEAR(Account("11071").CreditTotal - creditBefore, c.cost, 0.005)
            << c.what << ": the inventory credit is what the stock's value lost";
    }
}

// A completed layaway is its customer's sale: the customer is found through
// the layaway, and an unknown layaway stops the run with the sale unposted.
TEST_F(PostingRunTest, ACompletedLayawayIsPostedToTheLayawaysCustomer)
{
    TagSalesHdr done = Sale("0000006001", SALE_TYPE_LAYAWAY, 50.0);
    done.Flags = SALE_LAYAWAY_COMPLETED;
    CopyText(done.CustomerNo, "L1");   // the layaway number
    CopyText(done.Tender1, "CASH");
    done.TenderAmount1 = 10.0;
    done.Tendered = 10.0;
    PutSale(done, {{'P', "WIDGET", "", 1.0, 50.0}});
    Run();
    EXPECT_TRUE(ReadSale("0000006001").Flags & SALE_POSTED);
    CustomerRecord c{};
    Each<CustomerRecord>(bwps::No(bwps::FileNo::Customers), [&](const CustomerRecord& r) {
        if (std::strncmp(r.Code, "C100", 4) == 0)
            c = r;
    });
    EXPECT_EQ(+c.Invoices[2], 1);
    EXPECT_NEAR(c.Sales[2], 50.0, 0.005);

    TagSalesHdr unknown = Sale("0000006002", SALE_TYPE_LAYAWAY, 20.0);
    unknown.Flags = SALE_LAYAWAY_COMPLETED;
    CopyText(unknown.CustomerNo, "L9");
    PutSale(unknown, {{'P', "WIDGET", "", 1.0, 20.0}});
    FxTranscriptClear();
    ASSERT_EQ(FxScriptLoad(kRunScript), 0);
    ShowPosPostScreen();
    EXPECT_FALSE(ReadSale("0000006002").Flags & SALE_POSTED);
}

TEST_F(PostingRunTest, ASaleThatCannotBePostedIsLeftWholeAndTheRunStops)
{
    TagSalesHdr good = Sale("0000002001", 1, 40.0);
    CopyText(good.Tender1, "CASH");
    good.TenderAmount1 = 40.0;
    good.Tendered = 40.0;
    PutSale(good, {{'P', "WIDGET", "", 2.0, 40.0}});
    TagSalesHdr bad = Sale("0000002002", 1, 5.0);
    CopyText(bad.Tender1, "CASH");
    bad.TenderAmount1 = 5.0;
    bad.Tendered = 5.0;
    PutSale(bad, {{'P', "NOSUCH", "", 1.0, 5.0}});
    TagSalesHdr later = Sale("0000002003", 1, 20.0);
    later.TranDate = 20260106;
    CopyText(later.Tender1, "CASH");
    later.TenderAmount1 = 20.0;
    later.Tendered = 20.0;
    PutSale(later, {{'P', "WIDGET", "", 1.0, 20.0}});

    const std::string transcript = Run(std::string(kRunScript) + "key Enter\n");
    EXPECT_NE(transcript.find("0000002002"), std::string::npos) << transcript;
    EXPECT_TRUE(ReadSale("0000002001").Flags & 2);
    EXPECT_FALSE(ReadSale("0000002002").Flags & 2);
    EXPECT_FALSE(ReadSale("0000002003").Flags & 2);
    const auto [debit, credit] = Totals();
    EXPECT_NEAR(debit, credit, 0.005);
    // The command reports the run as not done, with its counts.
    int found = 0, posted = 0, stopped = 0;
    EXPECT_EQ(PostingRunOutcome(&found, &posted, &stopped), 1);
    EXPECT_EQ(found, 3);
    EXPECT_EQ(posted, 1);

    // Put right, the next run posts the rest exactly once.
    PutProduct("NOSUCH", 1, 1.0);
    Run();
    EXPECT_EQ(PostingRunOutcome(&found, &posted, &stopped), 0);
    EXPECT_EQ(posted, 2);
    EXPECT_TRUE(ReadSale("0000002002").Flags & 2);
    EXPECT_TRUE(ReadSale("0000002003").Flags & 2);
    const auto after = Totals();
    EXPECT_NEAR(after.first, after.second, 0.005);
    EXPECT_NEAR(after.first - debit, 25.0 + 1.0, 30.0);   // more was posted
}

TEST_F(PostingRunTest, RegisterLinesAreCopiedOnceAndTheSaleIsPostedFromThem)
{
    // Two sales whose lines live only in register 1's detail file; the
    // second one's line an earlier run copied before it was stopped (its
    // header still points into the register file).
    struct Stored {
        const char* invoice;
        double quantity;
        bool copiedBefore;
    } const sales[] = {{"0000003001", 3.0, false}, {"0000003002", 2.0, true}};
    std::ofstream out(DataPath("REG1.db"), std::ios::binary);
    int32_t offset = 0;
    for (const Stored& st : sales) {
        TagSalesHdr sale = Sale(st.invoice, 1, 10.0 * st.quantity);
        CopyText(sale.Tender1, "CASH");
        sale.TenderAmount1 = sale.Tendered = 10.0 * st.quantity;
        sale.RegisterNumber = 1;
        sale.FirstLineOffset = offset;
        if (st.copiedBefore)
            PutSale(sale, {{'P', "GADGET", "", st.quantity, 10.0 * st.quantity}});
        else
            PutSale(sale, {});
        TagSalesDetail line{};
        std::memcpy(line.InvoiceNo, sale.InvoiceNo, sizeof line.InvoiceNo);
        line.LineNo = 1;
        line.Kind = 'P';
        CopyText(line.ItemCode, "GADGET");
        line.Quantity = line.Quantity2 = st.quantity;
        line.Extended = 10.0 * st.quantity;
        out.write(reinterpret_cast<const char*>(&line), sizeof line);
        offset += static_cast<int32_t>(sizeof line);
    }
    out.write("cut short", 9);   // a last line cut short is not a line
    out.close();
    const double before = Product("GADGET").Amounts[6];
    const std::string transcript = Run();
    std::map<std::string, int> copied;
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, FilePath(bwps::No(bwps::FileNo::SalesDetail)).c_str(), 0, 0), 0);
    uint8_t key[256] = {};
    TagSalesDetail row;
    for (int op = B_GET_FIRST; BtrGet(op, handle, key, &row, sizeof row) == 0; op = B_GET_NEXT)
        ++copied[std::string(row.InvoiceNo, strnlen(row.InvoiceNo, sizeof row.InvoiceNo))];
    BtrCloseFile(handle);
    for (const Stored& st : sales) {
        SCOPED_TRACE(st.invoice);
        const TagSalesHdr after = ReadSale(st.invoice);
        EXPECT_TRUE(after.Flags & 2) << transcript;
        EXPECT_EQ(+after.FirstLineOffset, -1);
        EXPECT_EQ(copied[st.invoice], 1);
    }
    EXPECT_NEAR(Product("GADGET").Amounts[6], before - 5.0, 1e-9) << transcript;
}

TEST_F(PostingRunTest, AMissingRegisterFileStopsTheRunNamingTheFile)
{
    TagSalesHdr sale = Sale("0000004001", 1, 30.0);
    sale.RegisterNumber = 7;
    sale.FirstLineOffset = 0;
    PutSale(sale, {});
    const std::string transcript = Run(std::string(kRunScript) + "key Enter\n");
    EXPECT_NE(transcript.find("REG7.db"), std::string::npos) << transcript;
    EXPECT_FALSE(ReadSale("0000004001").Flags & 2);
    EXPECT_TRUE(AllLines().empty());
}

TEST_F(PostingRunTest, UnpostedSalesOfAnEarlierPeriodStopTheRun)
{
    TagSalesHdr old = Sale("0000005001", 1, 10.0);
    old.TranDate = 20251115;
    PutSale(old, {{'S', "INSTALL", "", 1.0, 10.0}});
    TagSalesHdr now = Sale("0000005002", 1, 10.0);
    PutSale(now, {{'S', "INSTALL", "", 1.0, 10.0}});
    const std::string transcript = Run(std::string(kRunScript) + "key Enter\n");
    EXPECT_NE(transcript.find("RSUnpostedTranCount"), std::string::npos) << transcript;
    EXPECT_FALSE(ReadSale("0000005002").Flags & 2);
    EXPECT_TRUE(AllLines().empty());
    int found = 0, posted = 0, stopped = 0;
    EXPECT_EQ(PostingRunOutcome(&found, &posted, &stopped), 1) << "nothing could be posted";
    EXPECT_EQ(posted, 0);
}

}  // namespace

namespace {

class PostingVariantTest : public PostingRunTest {
protected:
    void SetInterface(char online, uint8_t variant, char describeBySale = 'N')
    {
        TagSysInterface record{};
        std::memcpy(record.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
        InterfaceRecordDefaults(nullptr, &record);
        record.OnlineLedger = online;
        record.PostingVariant = variant;
        record.DescribeBySale = describeBySale;
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::General)), &record, 15, &record, sizeof record), 0);
        LoadSysInterfaceRecord();
    }

    void CashSale(const char* invoice, int32_t date, double amount)
    {
        TagSalesHdr h = Sale(invoice, 1, amount);
        h.TranDate = date;
        CopyText(h.Tender1, "CASH");
        h.TenderAmount1 = h.Tendered = amount;
        PutSale(h, {{'P', "WIDGET", "", 1.0, amount}});
    }
};

TEST_F(PostingVariantTest, ThroughADatePostsUpToTheDateOfField4)
{
    SetInterface('N', 1);
    CashSale("0000006001", 20260105, 10.0);
    CashSale("0000006002", 20260106, 20.0);
    const std::string transcript =
        Run("type 01/05/26\nfield 4 01/05/26\nkey F10\nanswer Continue\n");
    EXPECT_NE(transcript.find("window name RSPosPost\n"), std::string::npos) << transcript;
    EXPECT_TRUE(ReadSale("0000006001").Flags & 2) << transcript;
    EXPECT_FALSE(ReadSale("0000006002").Flags & 2);
    // The run's mark in "0CurrPosting" is cleared at its end.
    TagCurrentPosting current{};
    ReadCurrentPosting(0, &current);
    EXPECT_NE(current.Flag, 'Y');
}

// Through a date a store may describe lines by the sale: each sale's
// detail and tax lines stand on their own as "POS-" and the customer (or
// "POS-Walk-In"), then the invoice number without its leading zeros; the
// payments still merge into one line per account.
TEST_F(PostingVariantTest, ThroughADateLinesDescribedBySaleStandOnTheirOwn)
{
    SetInterface('N', 1, 'Y');
    CashSale("0000006001", 20260105, 10.0);
    TagSalesHdr charge = Sale("0000006002", 1, 21.0);
    CopyText(charge.CustomerNo, "C100");
    CopyText(charge.Tender1, "CASH");
    charge.TenderAmount1 = charge.Tendered = 21.0;
    charge.TaxAmount = 1.0;
    CopyText(charge.TaxCode, "ST");
    PutSale(charge, {{'P', "WIDGET", "", 1.0, 20.0}});
    Run("type 01/05/26\nfield 4 01/05/26\nkey F10\nanswer Continue\n");
    ASSERT_TRUE(ReadSale("0000006002").Flags & SALE_POSTED);

    std::map<std::string, int> described;
    std::map<std::string, int> summaryLines;   // per account and side
    double debit = 0.0, credit = 0.0, headerDebits = -1.0;
    for (const TagLedgerDetail& l : AllLines()) {
        std::string d(l.Description, strnlen(l.Description, sizeof l.Description));
        d.erase(d.find_last_not_of(' ') + 1);
        ++described[d];
        if (d == "POS System Summary")
            ++summaryLines[std::string(l.Account, 11) + l.DebitCredit];
        (l.DebitCredit == 'D' ? debit : credit) += l.Amount;
    }
    for (const TagGLHeader& h : Headers())
        headerDebits = h.DebitTotal;
    EXPECT_GE(described["POS-Walk-In /6001"], 2) << "sales and cost of the walk-in sale";
    EXPECT_GE(described["POS-C100 /6002"], 3) << "sales, cost and tax of the charge";
    EXPECT_EQ(described.count("POS System Summary-Tax"), 0u);
    EXPECT_NEAR(debit, credit, 0.005);
    EXPECT_NEAR(headerDebits, debit, 0.005);
    // The payments of both sales merge: one summary line per account.
    EXPECT_FALSE(summaryLines.empty());
    for (const auto& [account, count] : summaryLines)
        EXPECT_EQ(count, 1) << account;
}

TEST_F(PostingVariantTest, WithTheOnlineLedgerEachSaleGetsItsOwnPostedTransaction)
{
    SetInterface('Y', 0);
    CashSale("0000007001", 20260105, 10.0);
    CashSale("0000007002", 20260105, 20.0);
    Run();
    // One transaction per sale, each naming its sale and posted to the
    // chart; no run transaction.
    std::vector<std::string> sources;
    for (const TagGLHeader& h : Headers()) {
        sources.emplace_back(h.SourceDocument, 10);
        EXPECT_EQ(h.Posted, 'Y');
    }
    std::sort(sources.begin(), sources.end());
    EXPECT_EQ(sources, (std::vector<std::string>{"0000007001", "0000007002"}));
    for (const char* invoice : {"0000007001", "0000007002"}) {
        const TagSalesHdr h = ReadSale(invoice);
        EXPECT_TRUE(h.Flags & 2) << invoice;
        EXPECT_NE(+h.LedgerKey, 0) << invoice;
    }
    const TagAccount cash = Account("11021");
    EXPECT_NEAR(cash.DebitTotal - cash.CreditTotal, 30.0, 0.005);
}

TEST_F(PostingVariantTest, ASaleInUseAtAnotherStationStopsTheRunWhenTheUserStops)
{
    SetInterface('N', 0);
    CashSale("0000008001", 20260105, 10.0);
    CashSale("0000008002", 20260105, 20.0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        uint16_t handle = 0;
        uint8_t key[256] = {};
        std::memcpy(key, "0000008002", 10);
        TagSalesHdr h;
        BtrOpenFile(&handle, FilePath(bwps::No(bwps::FileNo::SalesHeader)).c_str(), 0, 0);
        const int status = BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, handle, key, &h, sizeof h);
        (void)!write(ready[1], &status, sizeof status);
        pause();
        _exit(0);
    }
    int status = -1;
    ASSERT_EQ(read(ready[0], &status, sizeof status), static_cast<ssize_t>(sizeof status));
    ASSERT_EQ(status, 0);
    const std::string transcript = Run(std::string(kRunScript) + "answer Stop\n");
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_NE(transcript.find("in use at another station"), std::string::npos) << transcript;
    EXPECT_TRUE(ReadSale("0000008001").Flags & 2);
    EXPECT_FALSE(ReadSale("0000008002").Flags & 2);
    // Free again, the next run posts it.
    Run();
    EXPECT_TRUE(ReadSale("0000008002").Flags & 2);
}

}  // namespace

namespace {

TEST_F(PostingRunTest, TheVerificationSweepNamesEveryFaultAndPostsNothing)
{
    TagSysInterface record{};
    std::memcpy(record.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
    InterfaceRecordDefaults(nullptr, &record);
    record.OnlineLedger = 'N';
    record.VerifyBeforeCopy = 'Y';
    ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::General)), &record, 15, &record, sizeof record), 0);
    LoadSysInterfaceRecord();

    TagSalesHdr good = Sale("0000010001", 1, 10.0);
    CopyText(good.Tender1, "CASH");
    good.TenderAmount1 = good.Tendered = 10.0;
    PutSale(good, {{'P', "WIDGET", "", 1.0, 10.0}});
    TagSalesHdr bad = Sale("0000010002", 1, 10.0);
    CopyText(bad.CustomerNo, "NOBODY");
    CopyText(bad.Tender1, "GOLD");
    PutSale(bad, {{'P', "NOSUCH", "", 1.0, 5.0}, {'C', "NOFRT", "", 1.0, 5.0}});

    const std::string transcript = Run(std::string(kRunScript) + "answer OK\nanswer OK\nanswer OK\nanswer OK\n");
    for (const char* code : {"NOBODY", "GOLD", "NOSUCH", "NOFRT"})
        EXPECT_NE(transcript.find(code), std::string::npos) << code << "\n" << transcript;
    EXPECT_FALSE(ReadSale("0000010001").Flags & 2);
    EXPECT_TRUE(AllLines().empty());
}


}  // namespace

namespace {

TEST_F(PostingRunTest, AnInterfacedStoreMakesNoFileInTheWorkingFolder)
{
    const fs::path work = fs::path(scratch_.path()) / "working";
    fs::create_directories(work);
    const fs::path before = fs::current_path();
    fs::current_path(work);
    TagSysInterface record{};
    std::memcpy(record.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
    InterfaceRecordDefaults(nullptr, &record);
    record.Interfaced = 1;   // and no accounting folder yet
    const int put = bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::General)), &record, 15, &record, sizeof record);
    LoadSysInterfaceRecord();
    fs::current_path(before);
    ASSERT_EQ(put, 0);
    EXPECT_TRUE(fs::is_empty(work));
}

}  // namespace

namespace {

TEST_F(PostingRunTest, EscBetweenSalesAsksAndAStopKeepsWhatWasPosted)
{
    for (const char* invoice : {"0000011001", "0000011002", "0000011003"}) {
        TagSalesHdr h = Sale(invoice, 1, 10.0);
        CopyText(h.Tender1, "CASH");
        h.TenderAmount1 = h.Tendered = 10.0;
        PutSale(h, {{'P', "WIDGET", "", 1.0, 10.0}});
    }
    // Esc after the first sale, answered No; Esc after the second, Yes.
    const std::string transcript =
        Run("type 01/05/26\nkey F10\nkey Esc\nanswer No\nkey Esc\nanswer Yes\n");
    EXPECT_NE(transcript.find("Sales posted: 2 of 3 (stopped)"), std::string::npos) << transcript;
    EXPECT_TRUE(ReadSale("0000011001").Flags & 2);
    EXPECT_TRUE(ReadSale("0000011002").Flags & 2);
    EXPECT_FALSE(ReadSale("0000011003").Flags & 2);
    Run();
    EXPECT_TRUE(ReadSale("0000011003").Flags & 2);
    double debit = 0.0, credit = 0.0;
    for (const TagLedgerDetail& l : AllLines())
        (l.DebitCredit == 'D' ? debit : credit) += l.Amount;
    EXPECT_NEAR(debit, credit, 0.005);
}

}  // namespace

namespace {

// Inside one batch, the third sale fails after its ledger lines and its
// product were written (its second line names a service not on file): it
// is put back alone, the two before it stay posted, the run stops before
// the fourth; put right, the next run posts the rest once.
TEST_F(PostingRunTest, ASaleThatFailsInsideABatchGoesAloneAndTheSalesBeforeItStay)
{
    const double onHand = Product("WIDGET").Amounts[PRODUCT_QUANTITY];
    const char* invoices[] = {"0000012001", "0000012002", "0000012003", "0000012004"};
    for (const char* invoice : invoices) {
        TagSalesHdr h = Sale(invoice, 1, 10.0);
        CopyText(h.Tender1, "CASH");
        h.TenderAmount1 = h.Tendered = 10.0;
        if (std::strcmp(invoice, "0000012003") == 0)
            PutSale(h, {{'P', "WIDGET", "", 1.0, 10.0}, {'S', "NOSERV", "", 1.0, 0.0}});
        else
            PutSale(h, {{'P', "WIDGET", "", 1.0, 10.0}});
    }
    const std::string transcript = Run(std::string(kRunScript) + "key Enter\n");
    EXPECT_NE(transcript.find("0000012003"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("NOSERV"), std::string::npos) << transcript;
    EXPECT_TRUE(ReadSale("0000012001").Flags & SALE_POSTED);
    EXPECT_TRUE(ReadSale("0000012002").Flags & SALE_POSTED);
    EXPECT_FALSE(ReadSale("0000012003").Flags & SALE_POSTED);
    EXPECT_FALSE(ReadSale("0000012004").Flags & SALE_POSTED);
    EXPECT_NEAR(Product("WIDGET").Amounts[PRODUCT_QUANTITY], onHand - 2.0, 1e-9);
    auto [debit, credit] = Totals();
    EXPECT_NEAR(debit, credit, 0.005);
    EXPECT_NEAR(Account("11071").CreditTotal, 8.0, 0.005) << "the cost of two widgets, no more";

    PutService("NOSERV");
    Run();
    for (const char* invoice : invoices)
        EXPECT_TRUE(ReadSale(invoice).Flags & SALE_POSTED) << invoice;
    EXPECT_NEAR(Product("WIDGET").Amounts[PRODUCT_QUANTITY], onHand - 4.0, 1e-9);
    std::tie(debit, credit) = Totals();
    EXPECT_NEAR(debit, credit, 0.005);
    EXPECT_NEAR(Account("11071").CreditTotal, 16.0, 0.005);
}

// A file named like the accounting vendor file in the working folder is
// none of a stand-alone store's business: the run posts as without it.
TEST_F(PostingRunTest, AStrayVendorFileInTheWorkingFolderChangesNothing)
{
    const fs::path work = fs::path(scratch_.path()) / "working";
    fs::create_directories(work);
    {
        std::ofstream stray(work / "BWAVEND.DB");
        stray << "not a data file";
    }
    TagSalesHdr h = Sale("0000013001", 1, 10.0);
    CopyText(h.Tender1, "CASH");
    h.TenderAmount1 = h.Tendered = 10.0;
    PutSale(h, {{'P', "WIDGET", "", 1.0, 10.0}});
    const fs::path before = fs::current_path();
    fs::current_path(work);
    const std::string transcript = Run();
    fs::current_path(before);
    EXPECT_NE(transcript.find("Sales posted: 1 of 1"), std::string::npos) << transcript;
    EXPECT_TRUE(ReadSale("0000013001").Flags & SALE_POSTED);
}

}  // namespace

namespace {

// A tax code that the sale names but the tax file lacks posts its tax to
// the summary tax account, as a sale without a code does; the sale is
// posted.
TEST_F(PostingRunTest, ATaxCodeNotOnFilePostsItsTaxToTheSummaryAccount)
{
    TagSalesHdr h = Sale("0000014001", 1, 11.5);
    CopyText(h.Tender1, "CASH");
    h.TenderAmount1 = h.Tendered = 11.5;
    h.TaxAmount = 1.5;
    CopyText(h.TaxCode, "ZZ");
    PutSale(h, {{'P', "WIDGET", "", 1.0, 10.0}});
    const std::string transcript = Run();
    EXPECT_NE(transcript.find("Sales posted: 1 of 1"), std::string::npos) << transcript;
    EXPECT_TRUE(ReadSale("0000014001").Flags & SALE_POSTED);
    double tax = 0.0;
    for (const TagLedgerDetail& l : AllLines())
        if (std::strncmp(l.Description, "POS System Summary-Tax", 22) == 0)
            tax += l.DebitCredit == 'C' ? l.Amount : -l.Amount;
    EXPECT_NEAR(tax, 1.5, 0.005);
    const auto [debit, credit] = Totals();
    EXPECT_NEAR(debit, credit, 0.005);
}

// A stand-alone store's run writes a line to an account that is not on
// file as a detail account's line; the chart has nothing to roll it up to.
TEST_F(PostingRunTest, AStandAloneStoreWritesALineToAnAccountNotOnFile)
{
    TagSalesHdr h = Sale("0000014101", 6, 0.0);
    CopyText(h.Tender1, "CASH");
    h.TenderAmount1 = -3.0;
    h.CashAmount = 3.0;
    CopyText(h.Tender2, "9999");
    CopyText(h.CashDescription, "PETTY");
    PutSale(h, {});
    const std::string transcript = Run();
    EXPECT_NE(transcript.find("Sales posted: 1 of 1"), std::string::npos) << transcript;
    double net = 0.0;
    for (const TagLedgerDetail& l : AllLines())
        if (TrimRight(FieldText(l.Account, 11)) == "9999")
            net += l.DebitCredit == 'D' ? l.Amount : -l.Amount;
    EXPECT_NEAR(net, 3.0, 0.005);
    EXPECT_EQ(Account("9999").Number[0], '\0');
    const auto [debit, credit] = Totals();
    EXPECT_NEAR(debit, credit, 0.005);
}

// The sale's open receivable detail, marked posted, takes its precedence
// letter from its type digit, and an invoice the sale's cost.
TEST_F(PostingRunTest, AnOpenInvoicePostedTakesItsPrecedenceAndTheSalesCost)
{
    TagSalesHdr h = Sale("0000015001", 1, 40.0);
    CopyText(h.CustomerNo, "C100");
    h.TotalCost = 8.0;
    PutSale(h, {{'P', "WIDGET", "", 2.0, 40.0}});
    TagOpenInvoice d{};
    CopyText(d.Customer, "C100");
    CopyText(d.Invoice, "0000015001");
    CopyText(d.Reference, "0000015001");
    d.Type = 'I';
    d.Type2 = '1';
    d.Status = 'O';
    d.Id = 7;
    d.Date = h.TranDate;
    d.Amount = 40.0;
    d.Precedence = '0';
    ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::ReceivablesOpenItems)), &d, 27, &d, sizeof d), 0);
    TagOpenInvoiceHdr o{};
    CopyText(o.Customer, "C100");
    CopyText(o.Invoice, "0000015001");
    CopyText(o.Reference, "0000015001");
    o.Type = 'I';
    o.Precedence = '0';
    o.MainId = 7;
    o.Date = h.TranDate;
    o.Balance = o.ChargesTotal = o.BalanceLessDiscount = 40.0;
    ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::ReceivablesOpenHeaders)), &o, 22, &o, sizeof o), 0);
    const std::string transcript = Run();
    EXPECT_NE(transcript.find("Sales posted: 1 of 1"), std::string::npos) << transcript;
    const auto details = ReadAll<TagOpenInvoice>(FilePath(bwps::No(bwps::FileNo::ReceivablesOpenItems)));
    ASSERT_EQ(details.size(), 1u);
    EXPECT_EQ(details[0].Status, 'P');
    EXPECT_EQ(details[0].Precedence, '1');
    EXPECT_NEAR(details[0].Double70, 8.0, 1e-9);
}

// With customer history kept, an open-item customer's invoice posted gets a
// numbered history record and the sale's own history record is marked
// posted; a sale that fails leaves the history as it was.
TEST_F(PostingRunTest, WithCustomerHistoryAPostedInvoiceGetsItsNumberedRecordAndTheSalesOwnIsMarked)
{
    TagSysInterface record = *GetSysInterfaceRecord();
    record.SystemByte43 = 'Y';
    ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::General)), &record, 15, &record, sizeof record), 0);
    ASSERT_TRUE(LoadSysInterfaceRecord());
    CustomerRecord customer{};
    CopyText(customer.Code, "C100");
    bwps::posting::PadText(customer.Account, "11051");
    customer.AccountType = 'O';
    ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::Customers)), &customer, 11, &customer, sizeof customer), 0);

    struct Row {
        const char* invoice;
        const char* product;
        int32_t history;
        bool posted;
    } rows[] = {{"0000016001", "WIDGET", -2, true}, {"0000016002", "NOSUCH", -3, false}};
    for (const Row& r : rows) {
        TagSalesHdr h = Sale(r.invoice, 1, 40.0);
        CopyText(h.CustomerNo, "C100");
        h.TotalCost = 8.0;
        h.HistoryNumber = r.history;
        PutSale(h, {{'P', r.product, "", 2.0, 40.0}});
        TagOpenInvoice d{};
        CopyText(d.Customer, "C100");
        CopyText(d.Invoice, r.invoice);
        CopyText(d.Reference, r.invoice);
        d.Type = 'I';
        d.Type2 = '1';
        d.Status = 'O';
        d.Date = h.TranDate;
        d.Amount = 40.0;
        d.Id = -10 * r.history;
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::ReceivablesOpenItems)), &d, 27, &d, sizeof d), 0);
        TagOpenInvoiceHdr o{};
        CopyText(o.Customer, "C100");
        CopyText(o.Invoice, r.invoice);
        CopyText(o.Reference, r.invoice);
        o.Type = 'I';
        o.MainId = d.Id;
        o.Date = h.TranDate;
        o.Balance = o.ChargesTotal = o.BalanceLessDiscount = 40.0;
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::ReceivablesOpenHeaders)), &o, 22, &o, sizeof o), 0);
        // The sale's own history record, as the register left it.
        ASSERT_EQ(OpenCustomerHistoryFiles(), 0);
        TagOpenInvoice own = d;
        own.Id = r.history;
        HistPostResult result{};
        ASSERT_EQ(PostCustHistDetail(B_INSERT, 0, &own, &customer, &h, &result), 0);
        CloseCustomerHistoryFiles();
    }
    const std::string transcript = Run(std::string(kRunScript) + "key Enter\n");
    EXPECT_TRUE(ReadSale("0000016001").Flags & 2) << transcript;
    EXPECT_FALSE(ReadSale("0000016002").Flags & 2);

    std::map<int32_t, CustHistDetail> byNumber;
    for (const CustHistDetail& d : ReadAll<CustHistDetail>(FilePath(bwps::No(bwps::FileNo::CustomerHistoryDetail)))) {
        const int32_t number = d.Line.Id;
        byNumber[number] = d;
    }
    ASSERT_EQ(byNumber.size(), 3u) << "the two sales' own records and one numbered record";
    EXPECT_EQ(byNumber[-2].Line.Status, 'P');
    EXPECT_NEAR(byNumber[-2].Line.Double70, 8.0, 1e-9);
    EXPECT_EQ(byNumber[-3].Line.Status, 'O') << "the sale that failed left its record";
    const auto numbered = std::find_if(byNumber.begin(), byNumber.end(), [](const auto& e) { return e.first > 0; });
    ASSERT_NE(numbered, byNumber.end());
    EXPECT_EQ(FieldText(numbered->second.Line.Invoice, 11), "0000016001");
    EXPECT_EQ(numbered->second.Line.Status, 'P');
}

}  // namespace

namespace {

// An interfaced store whose accounting company shares the data folder: the
// shared and accounting files under their accounting names, the posting
// accounts, the periods of 2026 and 2027, and documents of the accounting
// company.
class InterfacedPostingTest : public PostingRunTest {
protected:
    void SetUp() override
    {
        PostingRunTest::SetUp();
        if (IsSkipped())
            return;
        std::memcpy(accounts_.Key, GENERAL_KEY_INTERFACE, GENERAL_KEY_SIZE);
        InterfaceRecordDefaults(&accounts_, nullptr);
        for (int n = 1; n <= DATA_FILE_COUNT; ++n) {
            const int kind = GetDataFileKind(n);
            const char* name = GetDataFileEntry(n)->Name;
            if ((kind != FOLDER_SHARED && kind != FOLDER_ACCOUNTING) || name == nullptr)
                continue;
            const std::string own = DataPath(name);
            const std::string mapped = DataPath(MapToAccountingFileName(name));
            if (!fs::exists(own)) {
                uint8_t spec[FILE_SPEC_SIZE] = {};
                ASSERT_EQ(CreateDataFile(n, 0, data_.c_str(), nullptr, spec), 0) << n;
            }
            fs::copy_file(own, mapped, fs::copy_options::overwrite_existing);
        }
        general_ = DataPath(MapToAccountingFileName(GetDataFileEntry(bwps::No(bwps::FileNo::AccountingGeneral))->Name));
        ASSERT_EQ(bwpstest::PutRecord(general_, &accounts_, 15, &accounts_, sizeof accounts_), 0);
        TagAccountingSystemRecord system{};
        std::memcpy(system.Key, GENERAL_KEY_SYSTEM, GENERAL_KEY_SIZE);
        ASSERT_EQ(bwpstest::PutRecord(general_, &system, 15, &system, sizeof system), 0);
        PutPeriods('O', -1);

        TagSysInterface record = *GetSysInterfaceRecord();
        record.Interfaced = 1;
        record.InterfacedChar = 'Y';
        std::snprintf(record.DefaultTaxCode, sizeof record.DefaultTaxCode, "%s", "ST");
        std::snprintf(record.AccountingFolder, sizeof record.AccountingFolder, "%s/", data_.c_str());
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::General)), &record, 15, &record, sizeof record), 0);
        ASSERT_TRUE(LoadSysInterfaceRecord());
        ASSERT_TRUE(IsInterfacedToAccounting());

        TagSalesHdr h = Sale("0000012001", 1, 10.0);
        CopyText(h.Tender1, "CASH");
        h.TenderAmount1 = h.Tendered = 10.0;
        PutSale(h, {{'P', "WIDGET", "", 1.0, 10.0}});
    }

    // Monthly periods of 2026 and 2027; January 2026 with the status given.
    void PutPeriods(char january, int16_t current)
    {
        TagPeriods periods{};
        std::memcpy(periods.Key, GENERAL_KEY_PERIODS, GENERAL_KEY_SIZE);
        periods.Count = 12;
        periods.CurrentPeriod = current;
        static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int year = 0; year < 2; ++year)
            for (int m = 0; m < 12; ++m) {
                TagPeriodEntry& e = periods.Entries[year * 13 + m];
                e.Status = 'O';
                e.State = 'I';
                e.FirstDate = (2026 + year) * 10000 + (m + 1) * 100 + 1;
                e.LastDate = (2026 + year) * 10000 + (m + 1) * 100 + kDays[m];
            }
        periods.Entries[0].Status = january;
        ASSERT_EQ(bwpstest::PutRecord(general_, &periods, 15, &periods, sizeof periods), 0);
    }

    void PutDocument(const char* number, char kind, int32_t date, char closed, char posted)
    {
        TagAccountingDocument d{};
        d.Kind = kind;
        CopyText(d.Number, number);
        d.Date = date;
        d.Closed = closed;
        d.Posted = posted;
        const std::string path = DataPath(MapToAccountingFileName(
            GetDataFileEntry(bwps::No(bwps::FileNo::PurchaseOrderHeader))->Name));
        ASSERT_EQ(bwpstest::PutRecord(path, &d, 16, &d, sizeof d), 0);
    }

    bool Posted() { return (ReadSale("0000012001").Flags & 2) != 0; }

    std::string general_;
    TagInterfaceRecord accounts_{};
};

TEST_F(InterfacedPostingTest, ADateThePeriodsRefuseIsNotPosted)
{
    struct Case {
        const char* name;
        char january;
        int16_t current;
        const char* date;
        bool posted;
    };
    const Case cases[] = {
        {"open January", 'O', -1, "01/05/26", true},
        {"closed January", 'C', -1, "01/05/26", false},
        {"the current period is March", 'O', 3, "01/05/26", false},
        {"before the first period", 'O', -1, "12/05/25", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutPeriods(c.january, c.current);
        const std::string transcript = Run(std::string("type ") + c.date + "\nkey F10\nkey Enter\nanswer Continue\nkey Esc\n");
        EXPECT_EQ(Posted(), c.posted) << transcript;
        if (c.posted)
            break;
    }
}

TEST_F(InterfacedPostingTest, UnpostedAccountingDocumentsAskBeforeTheRun)
{
    struct Case {
        const char* name;
        char kind;
        int32_t date;
        char closed, posted;
        bool asked;
    };
    const Case cases[] = {
        {"an order", 'O', 20260103, 'N', 'N', false},
        {"done with", 'I', 20260103, 'Y', 'N', false},
        {"posted", 'I', 20260103, 'N', 'Y', false},
        {"after the period", 'I', 20260203, 'N', 'N', false},
        {"unposted in the period", 'I', 20260103, 'N', 'N', true},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutDocument(std::to_string(++number).c_str(), c.kind, c.date, c.closed, c.posted);
        // Answered No: the run stops before anything is posted.
        const std::string transcript = Run("type 01/05/26\nkey F10\nanswer No\nanswer Continue\nkey Esc\n");
        EXPECT_EQ(transcript.find("not posted.") != std::string::npos, c.asked) << transcript;
        EXPECT_EQ(Posted(), !c.asked) << transcript;
        if (!c.asked)
            return;
    }
    // Answered Yes: the sales are posted.
    const std::string transcript = Run("type 01/05/26\nkey F10\nanswer Yes\nanswer Continue\n");
    EXPECT_TRUE(Posted()) << transcript;
}

TEST_F(InterfacedPostingTest, AMissingPostingAccountKeepsTheScreenShut)
{
    // The sales account of the store's interface is not in the chart.
    TagInterfaceRecord accounts = accounts_;
    PadText(accounts.Accounts[1], "9999");
    ASSERT_EQ(bwpstest::PutRecord(general_, &accounts, 15, &accounts, sizeof accounts), 0);
    FxTranscriptClear();
    ASSERT_EQ(FxScriptLoad("key Enter\ntype 01/05/26\nkey F10\nanswer Continue\n"), 0);
    EXPECT_EQ(ShowPosPostScreen(), 0) << FxTranscript();
    EXPECT_NE(std::string(FxTranscript()).find("9999"), std::string::npos) << FxTranscript();
    EXPECT_FALSE(Posted());
}

}  // namespace
