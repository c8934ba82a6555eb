// Opening open items of a customer or vendor driven by scripts over a
// company with a chart of accounts: the open-invoice lines, the ledger
// transaction of journal "SU" and its sides, the account and master totals,
// the warning on an existing balance, and a failed posting that leaves
// nothing behind.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <utility>
#include <initializer_list>
#include <vector>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/periods.h"
#include "bwps/records.h"
#include "bwps/records/masters.h"
#include "bwps/records/open_invoices.h"
#include "bwps/records/options.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"
#include "tests/posting/fixture.h"
#include "tests/support/library.h"

namespace {

using bwps::FileNo;
using bwps::No;

constexpr int kNotPosted = 0x20;

std::string Trim(const char* field, size_t size)
{
    std::string s(field, strnlen(field, size));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

class CVBalanceTest : public postingtest::PostingTest {
protected:
    void SetUp() override
    {
        PostingTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        TagLastNumbers numbers{};
        std::memcpy(numbers.Key, GENERAL_KEY_LASTNUMBERS, 16);
        ASSERT_EQ(bwpstest::PutRecord(FilePath(No(FileNo::General)), &numbers, 16, &numbers, sizeof numbers), 0);
        ASSERT_EQ(GetPeriodInfo(0, 0, &period_), 0);
        // the payables side lives in the accounting folder: here the data folder
        SetAccountingFolder(std::filesystem::path(FilePath(No(FileNo::General))).parent_path().string() + "/");
        // the vendor side's files share the layouts of the customer side's
        const std::pair<FileNo, FileNo> copies[] = {
            {FileNo::Customers, FileNo::Vendors},
            {FileNo::ReceivablesOpenItems, FileNo::PayablesOpenItems},
            {FileNo::ReceivablesOpenHeaders, FileNo::PayablesOpenHeaders}};
        for (const auto& [from, to] : copies)
            if (!std::filesystem::exists(Path(to)))
                std::filesystem::copy_file(Path(from), Path(to));
        std::memcpy(master_.Code, "C100", 4);
        std::memcpy(master_.Account, "11051     ", 10);
        master_.AccountType = 'O';
    }

    // Where the library keeps a file (the payables side may sit in the
    // accounting folder).
    static std::string Path(FileNo file) { return GetDataFilePath(No(file)); }

    void PutCustomerRecord(const char* code, double balance)
    {
        std::memset(&master_, 0, sizeof master_);
        std::strncpy(master_.Code, code, 10);
        std::memcpy(master_.Account, "11051     ", 10);
        master_.AccountType = 'O';
        master_.Balance = balance;
        ASSERT_EQ(bwpstest::PutRecord(FilePath(No(FileNo::Customers)), master_.Code, 11, &master_, sizeof master_), 0);
    }

    void PutVendor(const char* code, double balance)
    {
        std::memset(&master_, 0, sizeof master_);
        std::strncpy(master_.Code, code, 10);
        std::memcpy(master_.Account, "2105      ", 10);
        master_.Balance = balance;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Vendors), master_.Code, 11, &master_, sizeof master_), 0);
    }

    int Run(int customer, const std::string& script)
    {
        FxTranscriptClear();
        EXPECT_EQ(FxScriptLoad(script.c_str()), 0) << script;
        const FileNo file = customer ? FileNo::Customers : FileNo::Vendors;
        const FileNo open = customer ? FileNo::ReceivablesOpenItems : FileNo::PayablesOpenItems;
        uint16_t accounts = 0, masters = 0, items = 0;
        EXPECT_EQ(BtrOpenFile(&accounts, FilePath(No(FileNo::Accounts)).c_str(), 0, 0), 0);
        EXPECT_EQ(BtrOpenFile(&masters, Path(file).c_str(), 0, 0), 0);
        EXPECT_EQ(BtrOpenFile(&items, Path(open).c_str(), 0, 0), 0);
        const int answer = RSEditCVBal(customer, masters, items, accounts, &terms_, &master_);
        BtrCloseFile(items);
        BtrCloseFile(masters);
        BtrCloseFile(accounts);
        transcript_ = FxTranscript();
        return answer;
    }

    // Lines as document, type and amount, then F10.
    static std::string Lines(std::initializer_list<std::array<const char*, 3>> lines)
    {
        std::string s = "key Enter\n";
        for (const auto& l : lines)
            s += std::string("field 1 ") + l[0] + "\nkey Enter\nfield 2 " + l[1] +
                 "\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nfield 6 " + l[2] + "\nkey Enter\nkey Enter\n";
        return s + "key F10\n";
    }

    std::vector<TagOpenInvoice> Items(int customer)
    {
        return postingtest::ReadAll<TagOpenInvoice>(
            Path(customer ? FileNo::ReceivablesOpenItems : FileNo::PayablesOpenItems));
    }
    CustomerRecord Stored(int customer)
    {
        for (const auto& c : postingtest::ReadAll<CustomerRecord>(
                 Path(customer ? FileNo::Customers : FileNo::Vendors)))
            if (Trim(c.Code, sizeof c.Code) == Trim(master_.Code, sizeof master_.Code))
                return c;
        return CustomerRecord{};
    }
    double Period(const char* account) { return Account(account).Periods[period_.Index]; }
    bool Has(const std::string& text) const { return transcript_.find(text) != std::string::npos; }

    CustomerRecord master_{};
    TagTermsRecord terms_{};
    TagPeriodInfo period_{};
    std::string transcript_;
};

// Customers add invoices and debits and take credits off; vendors take
// debits off. The account is on the run's side, the difference account on
// the other.
TEST_F(CVBalanceTest, PostsLinesLedgerAndMaster)
{
    struct Row {
        const char* what;
        int customer;
        std::initializer_list<std::array<const char*, 3>> lines;
        double total;
        int invoices;
        const char* account;
        char side;
    } rows[] = {
        {"customer invoice and credit", 1, {{"INV1", "I", "100"}, {"CR1", "C", "30"}}, 70.0, 1, "11051", 'D'},
        {"customer debit", 1, {{"DB1", "D", "15"}}, 15.0, 0, "11051", 'D'},
        {"vendor debit decreases", 0, {{"V2", "D", "20"}}, -20.0, 0, "2105", 'C'},
        // payables lines take numbers of their own: two lines do not clash
        {"vendor invoice and credit", 0, {{"VI1", "I", "80"}, {"VC1", "C", "10"}}, 90.0, 1, "2105", 'C'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // a master without a balance, so that no warning comes first
        static int next = 0;
        const std::string code = std::string(row.customer ? "C" : "V") + std::to_string(++next);
        if (row.customer == 0)
            PutVendor(code.c_str(), 0);
        else
            PutCustomerRecord(code.c_str(), 0);
        const size_t itemsBefore = Items(row.customer).size(), headersBefore = Headers().size();
        const double accountBefore = Period(row.account), differenceBefore = Period("D");
        const CustomerRecord before = Stored(row.customer);
        ASSERT_EQ(Run(row.customer, Lines(row.lines)), 1) << transcript_;

        const auto items = Items(row.customer);
        ASSERT_EQ(items.size(), itemsBefore + row.lines.size()) << transcript_;
        const TagOpenInvoice& last = items.back();
        EXPECT_EQ(last.Status, 'P');
        EXPECT_EQ(last.Byte117, 'S');
        EXPECT_EQ(Trim(last.Customer, sizeof last.Customer), Trim(master_.Code, 11));

        const auto headers = Headers();
        ASSERT_EQ(headers.size(), headersBefore + 1);
        EXPECT_EQ(Trim(headers.back().JournalCode, sizeof headers.back().JournalCode), "SU");
        const auto lines = LinesOf(headers.back());
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(Trim(lines[0].Account, 11), row.account);
        const char otherSide = row.side == 'D' ? 'C' : 'D';
        EXPECT_EQ(lines[0].DebitCredit, row.total >= 0 ? row.side : otherSide);
        EXPECT_DOUBLE_EQ(+lines[0].Amount, row.total >= 0 ? row.total : -row.total);
        EXPECT_EQ(Trim(lines[0].Description, sizeof lines[0].Description), "Summ. Customer Setup");

        // period totals grow on the account's own side: receivables (an
        // asset) by debits, payables (a liability) by credits
        EXPECT_DOUBLE_EQ(Period(row.account) - accountBefore, row.total);
        EXPECT_DOUBLE_EQ(Period("D") - differenceBefore, row.customer ? -row.total : row.total);

        const CustomerRecord after = Stored(row.customer);
        EXPECT_DOUBLE_EQ(after.Balance - before.Balance, row.total);
        EXPECT_DOUBLE_EQ(+master_.Balance, +after.Balance);   // the caller's copy follows
        const double running = row.customer ? after.ChargesTotal - before.ChargesTotal
                                            : after.CreditsTotal - before.CreditsTotal;
        EXPECT_DOUBLE_EQ(running, row.total);
        EXPECT_EQ(after.Invoices[2] - before.Invoices[2], row.invoices);
        EXPECT_DOUBLE_EQ(after.Payments[2] - before.Payments[2], row.total);
    }
}

// An existing balance asks first: No leaves everything as it was.
TEST_F(CVBalanceTest, ExistingBalanceAsks)
{
    struct Row {
        const char* what;
        int customer;
        const char* answer;
        int result;
        const char* word;
    } rows[] = {
        {"customer, No", 1, "No", kNotPosted, "customer"},
        {"vendor, No", 0, "No", kNotPosted, "vendor"},
        {"customer, Yes", 1, "Yes", 1, "customer"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.customer == 0)
            PutVendor("V200", 5);
        else
            PutCustomerRecord("C200", 5);
        const size_t before = Headers().size();
        // No ends the screen before it runs: the script holds only the answer
        const std::string lines = row.result == 1 ? Lines({{"A1", "I", "10"}}) : "";
        EXPECT_EQ(Run(row.customer, std::string("answer ") + row.answer + "\n" + lines), row.result);
        EXPECT_TRUE(Has(std::string("Balances already exist for this ") + row.word)) << transcript_;
        EXPECT_EQ(Headers().size(), before + (row.result == 1 ? 1u : 0u));
    }
}

// Without a receivables account of its own the customer's total goes to
// the store's default account.
TEST_F(CVBalanceTest, EmptyAccountTakesTheDefault)
{
    TagInterfaceRecord iface{};
    ASSERT_EQ(ReadInterfaceRecord(&iface), 0);
    const std::string fallback = Trim(iface.Accounts[1], 11);
    std::memset(master_.Account, 0, sizeof master_.Account);
    ASSERT_EQ(bwpstest::PutRecord(FilePath(No(FileNo::Customers)), master_.Code, 11, &master_, sizeof master_), 0);
    const double before = Period(fallback.c_str());
    ASSERT_EQ(Run(1, Lines({{"INV9", "I", "40"}})), 1) << transcript_;
    const auto lines = LinesOf(Headers().back());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Trim(lines[0].Account, 11), fallback);
    EXPECT_EQ(lines[0].DebitCredit, 'D');
    EXPECT_DOUBLE_EQ(Period(fallback.c_str()) - before, 40.0);
}

// The master record cannot be written (it is not in the file): the open
// items, the ledger transaction and the account totals written before it
// are undone with it.
TEST_F(CVBalanceTest, FailedMasterUpdateLeavesNothing)
{
    std::memcpy(master_.Code, "GONE", 4);
    EXPECT_EQ(Run(1, Lines({{"INV1", "I", "100"}, {"INV2", "I", "50"}})), 1) << transcript_;
    EXPECT_TRUE(Has("BPOSCUST.DB")) << transcript_;
    EXPECT_TRUE(Items(1).empty());
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(AllLines().empty());
    EXPECT_DOUBLE_EQ(Period("11051"), 0.0);
    EXPECT_DOUBLE_EQ(Period("D"), 0.0);
    EXPECT_DOUBLE_EQ(+master_.Balance, 0.0);
}

// Line checks refuse with their message and post nothing.
TEST_F(CVBalanceTest, LineChecks)
{
    struct Row {
        const char* what;
        const char* script;
        const char* message;
    } rows[] = {
        {"type not I, D or C", "key Enter\nfield 1 X1\nkey Enter\nfield 2 Z\nkey Enter\nanswer Continue\nkey F6\nanswer Yes\n",
         "The type must be I"},
        {"document number missing on a typed line",
         "key Enter\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nfield 6 5\nkey Enter\nkey Enter\nanswer Continue\nkey F6\nanswer Yes\n",
         "Enter a document number."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Run(1, row.script), kNotPosted);
        EXPECT_TRUE(Has(row.message)) << transcript_;
        EXPECT_TRUE(Items(1).empty());
        EXPECT_TRUE(Headers().empty());
    }
}

}  // namespace
