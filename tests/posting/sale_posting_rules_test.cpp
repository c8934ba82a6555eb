// The posting rules of a sale, without files: a table of sales, each with
// the records it names held in memory, and the posting expected of it
// (ledger lines and their kinds, stock moves, customer, tax-code and
// history amounts, open invoices and customer history). Then what the
// check refuses, and a sale's records read once each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "bwps/files.h"
#include "bwps/sale_posting.h"
#include "posting/posting_internal.h"

namespace {

using bwps::FileNo;
using bwps::posting::CopyText;
using bwps::posting::FieldText;
using bwps::posting::TrimRight;
using Kind = CBaseGL::LineKind;

// ---- The store: its accounts, tax code, tenders, products and customer

TagAccount Account(const char* number, char kind = 'D', char bank = 'N')
{
    TagAccount a{};
    CopyText(a.Number, number);
    a.Kind = kind;
    a.CheckRegister = bank;
    a.RecordStatus = 'A';
    return a;
}

ProductRecord Product(const char* code, double onHand, double value, double averageCost)
{
    ProductRecord p{};
    CopyText(p.Code, code);
    p.Kind = 1;
    p.UnitFactor = 1;
    p.Amounts[PRODUCT_QUANTITY] = onHand;
    p.Amounts[PRODUCT_VALUE] = value;
    p.Amounts[PRODUCT_AVERAGE_COST] = averageCost;
    return p;
}

bwps::SalePostingSettings Settings()
{
    bwps::SalePostingSettings s;
    s.interface.Flag = 'N';
    const std::pair<int, const char*> accounts[] = {{0, "11021"}, {1, "11051"}, {3, "11071"},
                                                    {4, "5101"},  {5, "4101"},  {6, "4201"},
                                                    {8, "4107"}};
    for (auto [at, number] : accounts)
        CopyText(s.interface.Accounts[at], number);
    CopyText(s.sysInterface.Accounts[1], "2105");   // layaway prepayments
    CopyText(s.sysInterface.Accounts[2], "4105");   // layaway sales
    s.costMethod = 'A';
    s.unlistedAccounts = true;
    s.statistics = true;
    s.periodIndex = 14;   // the second period of the next year: bucket 1
    s.slot = 4;
    s.customerHistory = true;
    return s;
}

void Store(bwps::SaleSnapshot& snap)
{
    for (const char* number : {"11021", "11031", "11041", "11051", "11071", "2105", "2110", "2120",
                               "21042", "4101", "4105", "4107", "4201", "5101"})
        snap.PutAccount(Account(number));
    TaxRecord tax{};
    CopyText(tax.Code, "ST");
    tax.TotalRate = 8.0f;
    CopyText(tax.Entries[0].Account, "2110");
    tax.Entries[0].Rate = 5.0f;
    CopyText(tax.Entries[1].Account, "2120");
    tax.Entries[1].Rate = 3.0f;
    snap.Put(FileNo::TaxTable, bwps::PaddedKey("ST", 6), &tax, sizeof tax);
    for (auto [code, account] : {std::pair{"CASH", "11021"}, std::pair{"CHECK", "11031"}}) {
        TenderRecord t{};
        CopyText(t.Code, code);
        CopyText(t.Account, account);
        snap.Put(FileNo::Tenders, bwps::PaddedKey(code, 11), &t, sizeof t);
    }
    for (const ProductRecord& p : {Product("WIDGET", 10, 40, 4), Product("GADGET", 5, 50, 10),
                                   Product("LAST", 1, 3, 4)})
        snap.Put(FileNo::Products, bwps::ProductKey(p.Code), &p, sizeof p);
    ServiceRecord install{};
    CopyText(install.Code, "INSTALL");
    snap.Put(FileNo::Services, bwps::ProductKey("INSTALL"), &install, sizeof install);
    CustomerRecord c{};
    CopyText(c.Code, "C100");
    CopyText(c.Account, "11041");
    c.AccountType = 'O';
    c.Balance = 50;
    snap.Put(FileNo::Customers, bwps::CustomerKey("C100"), &c, sizeof c);
    LayawayRecord lay{};
    CopyText(lay.Number, "L1");
    CopyText(lay.Customer, "C100");
    lay.Prepayments = 40;
    snap.Put(FileNo::LayawayHeader, bwps::CustomerKey("L1"), &lay, sizeof lay);
}

// ---- Sales

struct SaleLine {
    char kind;
    const char* item;
    double quantity;
    double amount;
};

TagSalesHdr Sale(const char* invoice, char type, double total, double tax, const char* tender1,
                 double amount1, const char* tender2 = "", double amount2 = 0)
{
    TagSalesHdr h{};
    CopyText(h.InvoiceNo, invoice);
    h.Type = type;
    h.TranDate = 20260105;
    h.InvoiceTotal = total;
    h.TaxAmount = tax;
    h.TaxableAmount = total - tax;
    if (tax != 0)
        CopyText(h.TaxCode, "ST");
    CopyText(h.Tender1, tender1);
    h.TenderAmount1 = amount1;
    CopyText(h.Tender2, tender2);
    h.TenderAmount2 = amount2;
    h.Tendered = amount1 + amount2;
    return h;
}

std::vector<TagSalesDetail> Lines(const TagSalesHdr& sale, const std::vector<SaleLine>& lines)
{
    std::vector<TagSalesDetail> out;
    int16_t n = 1;
    for (const SaleLine& l : lines) {
        TagSalesDetail d{};
        std::memcpy(d.InvoiceNo, sale.InvoiceNo, sizeof d.InvoiceNo);
        d.LineNo = n++;
        d.Kind = l.kind;
        CopyText(d.ItemCode, l.item);
        d.Quantity = l.quantity;
        d.Extended = l.amount;
        out.push_back(d);
    }
    return out;
}

// ---- What a posting is expected to hold

using LedgerLine = std::tuple<std::string, char, double, Kind>;
using Move = std::tuple<std::string, double, double>;   // product, cost, value after
using Bucket = std::tuple<int, std::string, int, double, double>;

struct Case {
    const char* name;
    TagSalesHdr sale;
    std::vector<SaleLine> lines;
    std::vector<LedgerLine> ledger;
    std::vector<Move> moves;
    double customerBalance;           // NaN: the customer is not changed
    std::pair<double, double> taxStats;   // taxable and tax of the period; NaN: not changed
    std::vector<Bucket> history;
    int openInvoices = 0;             // posted open items
    int historyRecords = 0;           // numbered customer-history records
};

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
constexpr int kProductHistory = static_cast<int>(FileNo::ProductHistory);
constexpr int kServiceHistory = static_cast<int>(FileNo::ServiceHistory);
constexpr int kCustomerHistory = static_cast<int>(FileNo::CustomerStatistics);

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    cases.push_back({"cash sale, two tax rates",
                     Sale("CASH1", 1, 21.6, 1.6, "CASH", 21.6),
                     {{'P', "WIDGET", 2, 20}},
                     {{"11021", 'D', 21.6, Kind::Summary}, {"11071", 'C', 8, Kind::Summary},
                      {"2110", 'C', 1.0, Kind::Tax}, {"2120", 'C', 0.6, Kind::Tax},
                      {"4101", 'C', 20, Kind::Detail}, {"5101", 'D', 8, Kind::Detail}},
                     {{"WIDGET", 8, 32}},
                     kNone,
                     {20, 1.6},
                     {{kProductHistory, "WIDGET", 1, 20, 8}}});
    cases.push_back({"refund",
                     Sale("REF1", 1, -10.8, -0.8, "CASH", -10.8),
                     {{'P', "WIDGET", -1, -10}},
                     {{"11021", 'C', 10.8, Kind::Summary}, {"11071", 'D', 4, Kind::Summary},
                      {"2110", 'D', 0.5, Kind::Tax}, {"2120", 'D', 0.3, Kind::Tax},
                      {"4201", 'D', 10, Kind::Detail}, {"5101", 'C', 4, Kind::Detail}},
                     {{"WIDGET", -4, 44}},
                     kNone,
                     {-10, -0.8},
                     {{kProductHistory, "WIDGET", 1, -10, -4}}});
    {
        TagSalesHdr h = Sale("CHG1", 1, 108, 8, "", 0);
        CopyText(h.CustomerNo, "C100");
        h.TotalCost = 7.5;
        h.HistoryNumber = -3;
        cases.push_back({"charge to an open-item customer", h,
                         {{'S', "INSTALL", 1, 100}},
                         {{"11041", 'D', 108, Kind::Summary}, {"2110", 'C', 5, Kind::Tax},
                          {"2120", 'C', 3, Kind::Tax}, {"4101", 'C', 100, Kind::Detail}},
                         {},
                         50 + 108,
                         {100, 8},
                         {{kServiceHistory, "INSTALL", 1, 100, 0}, {kCustomerHistory, "C100", 1, 100, 0}},
                         1,
                         1});
    }
    {
        TagSalesHdr h = Sale("LAY1", 3, 54, 4, "CASH", 20);
        CopyText(h.CustomerNo, "L1");
        CopyText(h.LayawayCustomer, "C100");
        cases.push_back({"layaway in progress with a prepayment", h,
                         {{'P', "GADGET", 1, 50}},
                         {{"11021", 'D', 20, Kind::Summary}, {"11051", 'D', 50, Kind::Summary},
                          {"11071", 'C', 10, Kind::Summary}, {"2105", 'C', 20, Kind::Layaway},
                          {"4105", 'C', 50, Kind::Detail}, {"5101", 'D', 10, Kind::Detail}},
                         {{"GADGET", 10, 40}},
                         50,   // the payment goes to the layaway slot, not the balance
                         {kNone, kNone},
                         {{kProductHistory, "GADGET", 1, 50, 10}, {kCustomerHistory, "C100", 1, 50, 10}}});
    }
    cases.push_back({"void: the run posts nothing", Sale("VOID1", 'V', 10, 0, "CASH", 10),
                     {{'P', "WIDGET", 1, 10}}, {}, {}, kNone, {kNone, kNone}, {}});
    cases.push_back({"two tenders",
                     Sale("TWO1", 1, 25, 0, "CASH", 15, "CHECK", 10),
                     {{'S', "INSTALL", 1, 25}},
                     {{"11021", 'D', 15, Kind::Summary}, {"11031", 'D', 10, Kind::Summary},
                      {"4101", 'C', 25, Kind::Detail}},
                     {},
                     kNone,
                     {kNone, kNone},
                     {{kServiceHistory, "INSTALL", 1, 25, 0}}});
    cases.push_back({"a 10.00 tax at rates 5 and 3: the second takes the remainder",
                     Sale("TAX1", 1, 110, 10, "CASH", 110),
                     {{'S', "INSTALL", 1, 100}},
                     {{"11021", 'D', 110, Kind::Summary}, {"2110", 'C', 6.25, Kind::Tax},
                      {"2120", 'C', 3.75, Kind::Tax}, {"4101", 'C', 100, Kind::Detail}},
                     {},
                     kNone,
                     {100, 10},
                     {{kServiceHistory, "INSTALL", 1, 100, 0}}});
    {
        TagSalesHdr h = Sale("TAXZ", 1, 12, 2, "CASH", 12);
        CopyText(h.TaxCode, "ZZ");
        cases.push_back({"a tax code not on file: its tax to the summary tax account", h,
                         {{'S', "INSTALL", 1, 10}},
                         {{"11021", 'D', 12, Kind::Summary}, {"21042", 'C', 2, Kind::Tax},
                          {"4101", 'C', 10, Kind::Detail}},
                         {},
                         kNone,
                         {kNone, kNone},
                         {{kServiceHistory, "INSTALL", 1, 10, 0}}});
    }
    cases.push_back({"the last unit out costs what value is left",
                     Sale("LAST1", 1, 9, 0, "CASH", 9),
                     {{'P', "LAST", 1, 9}},
                     {{"11021", 'D', 9, Kind::Summary}, {"11071", 'C', 3, Kind::Summary},
                      {"4101", 'C', 9, Kind::Detail}, {"5101", 'D', 3, Kind::Detail}},
                     {{"LAST", 3, 0}},
                     kNone,
                     {kNone, kNone},
                     {{kProductHistory, "LAST", 1, 9, 3}}});
    cases.push_back({"one product on two lines: the second costed from what the first left",
                     Sale("TWICE", 1, 18, 0, "CASH", 18),
                     {{'P', "LAST", 1, 9}, {'P', "LAST", 1, 9}},
                     {{"11021", 'D', 18, Kind::Summary}, {"11071", 'C', 7, Kind::Summary},
                      {"4101", 'C', 18, Kind::Detail}, {"5101", 'D', 7, Kind::Detail}},
                     {{"LAST", 3, 0}, {"LAST", 4, -4}},
                     kNone,
                     {kNone, kNone},
                     {{kProductHistory, "LAST", 1, 18, 7}}});
    return cases;
}

bool Same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::fabs(a - b) < 0.005;
}

TEST(SalePostingRules, EachSaleGivesItsPosting)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        bwps::SaleSnapshot snap;
        Store(snap);
        snap.sale = c.sale;
        snap.lines = Lines(c.sale, c.lines);
        if (c.openInvoices > 0) {
            TagOpenInvoice item{};
            CopyText(item.Customer, "C100");
            std::memcpy(item.Invoice, c.sale.InvoiceNo, sizeof item.Invoice);
            item.Type = 'I';
            item.Type2 = '1';
            item.Status = 'O';
            snap.openItems.push_back(item);
        }
        const bwps::SalePostingSettings settings = Settings();
        bwps::SalePosting posting;
        bwps::SalePostingError error;
        ASSERT_TRUE(bwps::BuildSalePosting(settings, snap, posting, error)) << error.cause;
        EXPECT_TRUE(bwps::CheckSalePosting(settings, snap, posting, error)) << error.runText;

        std::vector<LedgerLine> ledger;
        for (const bwps::SalePostingLine& l : posting.ledger)
            ledger.emplace_back(TrimRight(FieldText(l.line.Account, 11)), l.line.DebitCredit,
                                std::round(l.line.Amount * 100) / 100, l.kind);
        std::sort(ledger.begin(), ledger.end());
        std::vector<LedgerLine> expected = c.ledger;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ledger, expected);

        std::vector<Move> moves;
        for (const bwps::ProductMove& m : posting.moves)
            if (m.stock)
                moves.emplace_back(m.code, std::round(m.cost * 100) / 100, m.valueAfter);
        EXPECT_EQ(moves, c.moves);

        const double balance = posting.customer.Balance;
        EXPECT_TRUE(Same(posting.customerChanged ? balance : kNone, c.customerBalance)) << balance;
        const double taxable = posting.tax.History[0][14], tax = posting.tax.History[1][14];
        EXPECT_TRUE(Same(posting.taxChanged ? taxable : kNone, c.taxStats.first));
        EXPECT_TRUE(Same(posting.taxChanged ? tax : kNone, c.taxStats.second));

        std::vector<Bucket> history;
        std::map<std::tuple<int, std::string, int>, std::pair<double, double>> sums;
        for (const bwps::HistoryBucket& b : posting.history) {
            auto& sum = sums[{static_cast<int>(b.file), TrimRight(b.code), b.bucket}];
            sum.first += b.amount;
            sum.second += b.cost;
        }
        for (const auto& [key, sum] : sums)
            history.emplace_back(std::get<0>(key), std::get<1>(key), std::get<2>(key), sum.first,
                                 sum.second);
        std::vector<Bucket> expectedHistory = c.history;
        std::sort(expectedHistory.begin(), expectedHistory.end());
        EXPECT_EQ(history, expectedHistory);

        ASSERT_EQ(static_cast<int>(posting.openInvoices.size()), c.openInvoices);
        for (const TagOpenInvoice& item : posting.openInvoices) {
            EXPECT_EQ(item.Status, 'P');
            EXPECT_EQ(item.Precedence, '1');
            const double amount = item.Double70, cost = c.sale.TotalCost;
            EXPECT_DOUBLE_EQ(amount, cost);
        }
        EXPECT_EQ(static_cast<int>(posting.customerHistory.size()), c.historyRecords);
        EXPECT_EQ(posting.historyMarks,
                  c.sale.HistoryNumber != 0 ? std::vector<int32_t>{c.sale.HistoryNumber}
                                            : std::vector<int32_t>{});
    }
}

TEST(SalePostingRules, CustomerHistoryOnlyForOpenItemCustomersWithHistoryKept)
{
    struct Row {
        const char* name;
        bool kept;
        char accountType;
        std::size_t records;
    } rows[] = {
        {"kept, open-item customer", true, 'O', 1},
        {"kept, balance-forward customer", true, 'B', 0},
        {"not kept", false, 'O', 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        bwps::SaleSnapshot snap;
        Store(snap);
        CustomerRecord c{};
        CopyText(c.Code, "C100");
        CopyText(c.Account, "11041");
        c.AccountType = r.accountType;
        snap.Put(FileNo::Customers, bwps::CustomerKey("C100"), &c, sizeof c);
        TagSalesHdr h = Sale("CHG2", 1, 10, 0, "", 0);
        CopyText(h.CustomerNo, "C100");
        h.SecondHistoryNumber = 9;
        snap.sale = h;
        snap.lines = Lines(h, {{'S', "INSTALL", 1, 10}});
        TagOpenInvoice item{};
        CopyText(item.Customer, "C100");
        std::memcpy(item.Invoice, h.InvoiceNo, sizeof item.Invoice);
        item.Status = 'O';
        snap.openItems.push_back(item);
        bwps::SalePostingSettings settings = Settings();
        settings.customerHistory = r.kept;
        bwps::SalePosting posting;
        bwps::SalePostingError error;
        ASSERT_TRUE(bwps::BuildSalePosting(settings, snap, posting, error)) << error.cause;
        EXPECT_EQ(posting.customerHistory.size(), r.records);
        EXPECT_EQ(posting.historyMarks, r.kept ? std::vector<int32_t>{9} : std::vector<int32_t>{});
    }
}

TEST(SalePostingRules, TheCheckRefusesAPostingThatIsNotWhole)
{
    struct Row {
        const char* name;
        void (*spoil)(bwps::SalePosting&, bwps::SalePostingSettings&);
        int code;
        const char* text;
    } rows[] = {
        {"debits are not credits",
         [](bwps::SalePosting& p, bwps::SalePostingSettings&) { p.ledger[0].line.Amount += 1; },
         GL_ERROR_SALE, "do not balance"},
        {"inventory credit is not what the stock loses",
         [](bwps::SalePosting& p, bwps::SalePostingSettings&) { p.inventoryCredit += 1; }, GL_ERROR_SALE,
         "inventory credit"},
        {"a line to a general account",
         [](bwps::SalePosting& p, bwps::SalePostingSettings&) {
             CopyText(p.ledger[0].line.Account, "GEN");
             CopyText(p.ledger[1].line.Account, "GEN");
         },
         GL_ERROR_ACCOUNT, "not a detail account"},
        {"an account not on file, interfaced",
         [](bwps::SalePosting& p, bwps::SalePostingSettings& s) {
             CopyText(p.ledger[0].line.Account, "9999");
             CopyText(p.ledger[1].line.Account, "9999");
             s.interfaced = true;
         },
         GL_ERROR_ACCOUNT, "Error in reading or updating account : 9999"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        bwps::SaleSnapshot snap;
        Store(snap);
        snap.PutAccount(Account("GEN", 'G'));
        snap.sale = Sale("CHK1", 1, 21.6, 1.6, "CASH", 21.6);
        snap.lines = Lines(snap.sale, {{'P', "WIDGET", 2, 20}});
        bwps::SalePostingSettings settings = Settings();
        bwps::SalePosting posting;
        bwps::SalePostingError error;
        ASSERT_TRUE(bwps::BuildSalePosting(settings, snap, posting, error));
        ASSERT_TRUE(bwps::CheckSalePosting(settings, snap, posting, error));
        r.spoil(posting, settings);
        EXPECT_FALSE(bwps::CheckSalePosting(settings, snap, posting, error));
        EXPECT_EQ(error.code, r.code);
        EXPECT_NE(error.runText.find(r.text), std::string::npos) << error.runText;
    }
    // A stand-alone store's run takes an account that is not on file.
    bwps::SaleSnapshot snap;
    Store(snap);
    snap.sale = Sale("CHK2", 1, 21.6, 1.6, "CASH", 21.6);
    snap.lines = Lines(snap.sale, {{'P', "WIDGET", 2, 20}});
    bwps::SalePostingSettings settings = Settings();
    bwps::SalePosting posting;
    bwps::SalePostingError error;
    ASSERT_TRUE(bwps::BuildSalePosting(settings, snap, posting, error));
    CopyText(posting.ledger[0].line.Account, "9999");
    EXPECT_TRUE(bwps::CheckSalePosting(settings, snap, posting, error)) << error.runText;
}

TEST(SalePostingRules, EachRecordOfASaleIsReadOnce)
{
    bwps::SaleSnapshot store;
    Store(store);
    std::map<std::pair<int, std::string>, int> asked;
    bwps::SaleSnapshot snap;
    snap.reader = [&](FileNo file, const std::string& key, void* record, int size) {
        ++asked[{static_cast<int>(file), key}];
        return store.Get(file, key, record, size);
    };
    TagSalesHdr h = Sale("ONCE1", 1, 108, 8, "CASH", 50, "CASH", 58);
    CopyText(h.CustomerNo, "C100");
    snap.sale = h;
    snap.lines = Lines(h, {{'P', "WIDGET", 1, 10}, {'P', "GADGET", 1, 40}, {'P', "WIDGET", 1, 10},
                           {'S', "INSTALL", 1, 20}, {'S', "INSTALL", 1, 20}});
    bwps::SalePosting posting;
    bwps::SalePostingError error;
    ASSERT_TRUE(bwps::BuildSalePosting(Settings(), snap, posting, error)) << error.cause;
    ASSERT_TRUE(bwps::CheckSalePosting(Settings(), snap, posting, error)) << error.runText;
    for (const auto& [key, times] : asked)
        EXPECT_EQ(times, 1) << "file " << key.first << " key " << key.second;
    EXPECT_EQ(snap.reads, static_cast<int>(asked.size()));
}

}  // namespace
