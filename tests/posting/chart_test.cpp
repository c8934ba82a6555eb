// Chart-of-accounts services: roll-up, account numbers, the difference
// account, ledger lines and posting a transaction to the chart.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "bwps/files.h"
#include "bwps/accounts.h"
#include "bwps/records.h"
#include "posting/posting_internal.h"
#include "recman.h"
#include "tests/posting/fixture.h"
#include "tests/support/library.h"

namespace postingtest {
namespace {

using bwps::posting::CopyText;
using bwps::posting::PadText;

class ChartTest : public PostingTest {
protected:
    void SetUp() override
    {
        PostingTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_EQ(BtrOpenFile(&accounts_, FilePath(bwps::No(bwps::FileNo::Accounts)).c_str(), 0, 0), 0);
        ASSERT_EQ(BtrOpenFile(&headers_, FilePath(bwps::No(bwps::FileNo::LedgerHeader)).c_str(), 0, 0), 0);
        ASSERT_EQ(BtrOpenFile(&lines_, FilePath(bwps::No(bwps::FileNo::LedgerDetail)).c_str(), 0, 0), 0);
    }
    void TearDown() override
    {
        for (uint16_t h : {accounts_, headers_, lines_})
            if (h != 0)
                BtrCloseFile(h);
        PostingTest::TearDown();
    }

    // A stored transaction of journal and number with the lines given.
    TagGLHeader StoreTransaction(const char* journal, const char* number,
                                 std::initializer_list<Line> lines)
    {
        TagGLHeader header{};
        PadText(header.JournalCode, journal);
        CopyText(header.TranNo, number);
        header.TranDate = 20260105;
        CopyText(header.Reference, "REF");
        header.Posted = 'N';
        header.Deleted = 'N';
        TagPostingStatus block;
        EXPECT_EQ(InsertGLHeaderRecord(headers_, &header, &block), 0);
        EXPECT_GT(+header.TranKey, 0) << "the stored record is read back with its key";
        uint16_t n = 0;
        for (const Line& l : lines) {
            TagLedgerDetail d{};
            std::memcpy(d.JournalCode, header.JournalCode, 7);
            std::memcpy(d.TranNo, header.TranNo, 11);
            d.LineNo = n++;
            PadText(d.Account, l.account);
            d.DebitCredit = l.side;
            d.Amount = l.amount;
            uint8_t key[256] = {};
            EXPECT_EQ(BtrWrite(B_INSERT, lines_, key, &d, sizeof d), 0);
        }
        return header;
    }

    uint16_t accounts_ = 0, headers_ = 0, lines_ = 0;
};

TEST_F(ChartTest, RollUpChangesTheAccountAndEveryParent)
{
    // Credit 100 to an expense account; debit -50 to a revenue account.
    ASSERT_EQ(PostAccountAmount(accounts_, "5101", 'C', 0, 3, 100.0, nullptr), 0);
    for (const char* a : {"5101", "5"}) {
        TagAccount r = Account(a);
        EXPECT_DOUBLE_EQ(r.CreditTotal, 100.0) << a;
        EXPECT_DOUBLE_EQ(r.Balance, -100.0) << a;
        EXPECT_DOUBLE_EQ(r.Periods[3], -100.0) << a;
    }
    ASSERT_EQ(PostAccountAmount(accounts_, "4101", 'D', 0, 0, -50.0, nullptr), 0);
    for (const char* a : {"4101", "41", "4"}) {
        TagAccount r = Account(a);
        EXPECT_DOUBLE_EQ(r.CreditTotal, 50.0) << a;
        EXPECT_DOUBLE_EQ(r.Balance, 50.0) << a;
    }
    EXPECT_DOUBLE_EQ(Account("42").Balance, 0.0);
    // The alternate flag uses the second pair of totals.
    ASSERT_EQ(PostAccountAmount(accounts_, "11021", 'D', 1, 25, 7.5, nullptr), 0);
    TagAccount cash = Account("11");
    EXPECT_DOUBLE_EQ(cash.DebitTotal2, 7.5);
    EXPECT_DOUBLE_EQ(cash.DebitTotal, 0.0);
    EXPECT_DOUBLE_EQ(cash.Periods[25], 7.5);
}

TEST_F(ChartTest, AMissingParentLeavesEveryAccountUntouched)
{
    PutAccount("7002", "7001", '3', ACCOUNT_EXPENSE, 'D');   // 7002 -> 7001 -> (70 missing)
    EXPECT_EQ(PostAccountAmount(accounts_, "7002", 'D', 0, 0, 10.0, nullptr), B_KEY_NOT_FOUND);
    EXPECT_DOUBLE_EQ(Account("7002").Balance, 0.0);
    EXPECT_DOUBLE_EQ(Account("7001").Balance, 0.0);
    TagPostingStatus block;
    EXPECT_EQ(PostAccountAmountStatus(accounts_, "7001", 'D', 0, 0, 10.0, &block, nullptr),
              B_KEY_NOT_FOUND);
    EXPECT_EQ(+block.FileNumber, 1);
    EXPECT_EQ(+block.Status, B_KEY_NOT_FOUND);
    EXPECT_DOUBLE_EQ(Account("7001").Balance, 0.0);
}

TEST_F(ChartTest, RollUpRefusesBadInputAndLoops)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(PostAccountAmount(accounts_, "4101", 'C', 0, 26, 1.0, nullptr), 0) << "period 26";
    EXPECT_NE(PostAccountAmount(accounts_, "4101", 'C', 0, -1, 1.0, nullptr), 0);
    EXPECT_NE(PostAccountAmount(accounts_, "4101", 'C', 0, 0, nan, nullptr), 0);
    EXPECT_DOUBLE_EQ(Account("4101").Balance, 0.0);
    // A chain that comes back on itself never reaches a top account.
    PutAccount("8001", "8002", '3', ACCOUNT_EXPENSE, 'D');
    PutAccount("8002", "8001", '2', ACCOUNT_EXPENSE, 'G');
    EXPECT_EQ(PostAccountAmount(accounts_, "8001", 'D', 0, 0, 1.0, nullptr), B_KEY_NOT_FOUND);
    EXPECT_DOUBLE_EQ(Account("8001").Balance, 0.0);
}

TEST_F(ChartTest, AccountNumbersAndRecords)
{
    char out[11];
    BuildAccountNo(out, "4000  ", "01");
    EXPECT_STREQ(out, "400001    ");
    BuildAccountNo(out, "4101", "");
    EXPECT_STREQ(out, "4101      ");
    EXPECT_STREQ(AccountTypeText(5), "Expense");
    EXPECT_STREQ(AccountTypeText(7), "Other Dr");
    EXPECT_EQ(AccountTypeText(0), nullptr);
    EXPECT_EQ(AccountTypeText(8), nullptr);
    EXPECT_EQ(IsDifferenceAccount("D         "), 1);
    EXPECT_EQ(IsDifferenceAccount("D1"), 0);

    TagAccount a;
    InitAccountRecord(&a);
    EXPECT_EQ(a.Type, 1);
    EXPECT_EQ(a.Kind, 'G');
    EXPECT_EQ(+a.NextNumber, 1);
    EXPECT_EQ(AccountHasAmounts(&a), 0);
    a.Periods[4] = 2.0;
    EXPECT_EQ(AccountHasAmounts(&a), 2);
    a.Balance = 0.0005;   // within the zero test
    EXPECT_EQ(AccountHasAmounts(&a), 2);
    a.Balance = 1.0;
    EXPECT_EQ(AccountHasAmounts(&a), 1);
    TagAccount b = a;
    EXPECT_EQ(CompareAccountRecords(26, &a, &b), 0);
    b.Periods2[3] = 1.0;
    EXPECT_EQ(CompareAccountRecords(3, &a, &b), 0) << "only the first count amounts";
    EXPECT_EQ(CompareAccountRecords(4, &a, &b), 1);
}

TEST_F(ChartTest, ValidateAccountNo)
{
    TagAccount r;
    EXPECT_EQ(ValidateAccountNo(accounts_, "4101", &r), 1);
    EXPECT_EQ(r.Kind, 'D');
    EXPECT_EQ(ValidateAccountNo(accounts_, "4199", &r), 0);
    EXPECT_EQ(ValidateAccountNo(accounts_, "", &r), 0);
    EXPECT_EQ(ValidateAccountNo(accounts_, nullptr, &r), 0);
    // An inactive account is not an account to post to.
    TagAccount closed = Account("4107");
    closed.RecordStatus = 'I';
    ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::Accounts)), closed.Number, 11, &closed, sizeof closed), 0);
    EXPECT_EQ(ValidateAccountNo(accounts_, "4107", &r), 0);
    // A read error is never taken as an account: a closed handle gives 3.
    uint16_t gone = accounts_;
    BtrCloseFile(gone);
    accounts_ = 0;
    std::memset(&r, 'x', sizeof r);
    EXPECT_EQ(ValidateAccountNo(gone, "4101", &r), 0);
    EXPECT_EQ(r.Kind, 0) << "no stale buffer handed out";
}

TEST_F(ChartTest, DifferenceAccountIsCreatedOnceAndLocked)
{
    TagAccount d;
    ASSERT_EQ(GetDifferenceAccount(accounts_, 0, &d), 1);
    EXPECT_EQ(d.Type, 7);
    EXPECT_EQ(d.Kind, 'D');
    EXPECT_EQ(d.Level, '1');
    EXPECT_STREQ(d.Description, "Difference");
    EXPECT_STREQ(d.TypeText, "Other Dr");
    ASSERT_EQ(GetDifferenceAccount(accounts_, 0, nullptr), 1);
    EXPECT_EQ(LockDifferenceAccount(accounts_, &d), 0);
    BtrUnlock(-2, accounts_, nullptr);
}

TEST_F(ChartTest, ABalancedTransactionIsPostedOnceAndMarkedPosted)
{
    TagGLHeader h = StoreTransaction("POS", "1", {{"11021", 'D', 54}, {"4101", 'C', 50},
                                                  {"2110", 'C', 4}});
    uint8_t periods[37] = {};
    periods[11] = 2;
    double debit = 0, credit = 0;
    TagPostingStatus block;
    ASSERT_EQ(PostChartOfAccounts(headers_, lines_, accounts_, &debit, &credit, periods, &h,
                                  &block),
              0);
    EXPECT_DOUBLE_EQ(debit, 54.0);
    EXPECT_DOUBLE_EQ(credit, 54.0);
    EXPECT_EQ(h.Posted, 'Y');
    EXPECT_DOUBLE_EQ(Account("1").Balance, 54.0);
    EXPECT_DOUBLE_EQ(Account("4").Balance, 50.0);
    EXPECT_DOUBLE_EQ(Account("2").Periods[2], 4.0);
    EXPECT_EQ(Headers()[0].Posted, 'Y');
}

TEST_F(ChartTest, UnbalancedOrDifferenceAccountTransactionsLeaveTheChartUnchanged)
{
    struct Case {
        const char* journal;
        std::initializer_list<Line> lines;
        int code;
    };
    const Case cases[] = {
        {"POS", {{"11021", 'D', 10}, {"4101", 'C', 9}}, POSTING_OUT_OF_BALANCE},
        {"POS", {{"11021", 'D', 10}, {"D", 'C', 10}}, POSTING_DIFFERENCE_ACCOUNT},
        // The accounts before the missing parent are not changed either.
        {"POS", {{"11021", 'D', 10}, {"7001", 'C', 10}}, B_KEY_NOT_FOUND},
    };
    int n = 10;
    uint8_t periods[37] = {};
    for (const Case& c : cases) {
        TagGLHeader h = StoreTransaction(c.journal, std::to_string(n++).c_str(), c.lines);
        TagPostingStatus block;
        double debit = 0, credit = 0;
        EXPECT_EQ(PostChartOfAccounts(headers_, lines_, accounts_, &debit, &credit, periods, &h,
                                      &block),
                  c.code);
        EXPECT_DOUBLE_EQ(Account("11021").Balance, 0.0) << "nothing posted for " << c.code;
        EXPECT_DOUBLE_EQ(Account("1").DebitTotal, 0.0);
        EXPECT_EQ(ShowPostingStatus(debit, credit, &h, &block), 1);
        EXPECT_EQ(+block.StopFlag, 1);
    }
    for (const TagGLHeader& h : Headers())
        EXPECT_EQ(h.Posted, 'N');
    // The difference account in journal SU is accepted.
    GetDifferenceAccount(accounts_, 0, nullptr);
    TagGLHeader su = StoreTransaction("SU", "1", {{"11021", 'D', 10}, {"D", 'C', 10}});
    TagPostingStatus block;
    double debit = 0, credit = 0;
    EXPECT_EQ(PostChartOfAccounts(headers_, lines_, accounts_, &debit, &credit, periods, &su,
                                  &block),
              0);
    EXPECT_DOUBLE_EQ(Account("11021").Balance, 10.0);
}

TEST_F(ChartTest, PostGLToAccountsRefusesAnUnbalancedTransactionAndNeverPostsTwice)
{
    TagGLHeader bad = StoreTransaction("GJ", "1", {{"11021", 'D', 10}, {"4101", 'C', 5}});
    EXPECT_EQ(PostGLToAccounts(headers_, lines_, accounts_, 0, 0, &bad), -1);
    EXPECT_DOUBLE_EQ(Account("11021").Balance, 0.0);
    TagGLHeader good = StoreTransaction("GJ", "2", {{"11021", 'D', 10}, {"4101", 'C', 10}});
    EXPECT_EQ(PostGLToAccounts(headers_, lines_, accounts_, 0, 0, &good), 0);
    EXPECT_EQ(good.Posted, 'Y');
    EXPECT_DOUBLE_EQ(Account("11021").Balance, 10.0);
}

TEST_F(ChartTest, AZeroTransactionIsMarkedDeleted)
{
    TagGLHeader h = StoreTransaction("POS", "5", {{"11051", 'D', 0}, {"11051", 'C', 0}});
    uint8_t periods[37] = {};
    TagPostingStatus block;
    double debit = 0, credit = 0;
    ASSERT_EQ(PostChartOfAccounts(headers_, lines_, accounts_, &debit, &credit, periods, &h,
                                  &block),
              0);
    EXPECT_EQ(h.Deleted, 'Y');
    EXPECT_STREQ(h.Reference, "DELETED");
}

TEST_F(ChartTest, DetailAmountsAreMergedByAccount)
{
    TagLedgerDetail line{};
    PadText(line.JournalCode, "GJ");
    CopyText(line.TranNo, "1");
    PadText(line.Account, "4101");
    line.DebitCredit = 'C';
    line.Amount = 30;
    int32_t debits = 0, credits = 0;
    TagPostingStatus block;
    ASSERT_EQ(AddGLDetailAmount(1, lines_, &debits, &credits, &line, &block), 0);
    line.DebitCredit = 'D';
    line.Amount = 50;   // turns the merged line over: 20 debit
    ASSERT_EQ(AddGLDetailAmount(1, lines_, &debits, &credits, &line, &block), 0);
    line.Amount = -5;   // a negative amount is the other side
    ASSERT_EQ(AddGLDetailAmount(1, lines_, &debits, &credits, &line, &block), 0);
    const auto all = AllLines();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].DebitCredit, 'D');
    EXPECT_DOUBLE_EQ(all[0].Amount, 15.0);
    EXPECT_EQ(credits, 1);
    EXPECT_EQ(debits, 1);
}

TEST_F(ChartTest, WrittenAndRemovedTransactions)
{
    TagAccount cash = Account("11021");
    ASSERT_EQ(WriteGLTransaction(headers_, lines_, "SU", "7", "Opening", 20260101, -25.0, &cash,
                                 nullptr),
              1);
    auto headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_DOUBLE_EQ(headers[0].DebitTotal, 25.0);
    EXPECT_STREQ(headers[0].Reference, "01/01/26");
    EXPECT_EQ((std::vector<Line>{{"11021", 'C', 25}, {"D", 'D', 25}}), Summary(headers[0]));
    EXPECT_EQ(RemoveGLTransaction(B_UPDATE, headers_, lines_, "SU", "7"), 0);
    headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_STREQ(headers[0].Reference, "DELETED");
    EXPECT_TRUE(AllLines().empty());
}

TEST_F(ChartTest, CurrentPostingRecord)
{
    EXPECT_EQ(SetCurrentPosting(0, 20260101, 20260131), 1);
    TagCurrentPosting record;
    EXPECT_EQ(ReadCurrentPosting(0, &record), 0);
    EXPECT_EQ(record.Flag, 'Y');
    EXPECT_EQ(+record.Last, 20260131);
    EXPECT_EQ(ClearCurrentPosting(0), 1);
    EXPECT_EQ(ReadCurrentPosting(0, &record), 0);
    EXPECT_EQ(record.Flag, 'N');
}

}  // namespace
}  // namespace postingtest
