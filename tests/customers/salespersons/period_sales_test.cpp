// Period totals of salespersons from posted documents, and salespersons
// created from a code.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "bwps/records/sales.h"
#include "fx.h"
#include "tests/customers/salespersons/salesperson_fixture.h"

namespace bwps::test {
namespace {
constexpr int kReverse = 4;

// Twelve monthly periods of 2024, then twelve of 2025.
TagPeriods Periods()
{
    TagPeriods p{};
    std::memcpy(p.Key, "0Periods", 8);
    p.Count = 12;
    for (int m = 1; m <= 12; ++m) {
        for (int year : {2024, 2025}) {
            TagPeriodEntry& e = p.Entries[(year == 2024 ? 0 : 13) + m - 1];
            e.Status = 'O';
            e.State = 'I';
            e.FirstDate = year * 10000 + m * 100 + 1;
            e.LastDate = FxMonthEnd(e.FirstDate);
        }
    }
    return p;
}

TagSalesHdr Sale(const char* salesperson, int32_t date, double cash, double discount, double second,
                 char type = 1)
{
    TagSalesHdr h{};
    std::strncpy(h.CashDescription, salesperson, sizeof h.CashDescription - 1);
    h.Type = type;
    h.TranDate = date;
    h.CashAmount = cash;
    h.DiscountTaken = discount;
    h.SalespersonSecond = second;
    return h;
}

class PeriodSalesTest : public SalespersonTest {
protected:
    void SetUp() override
    {
        SalespersonTest::SetUp();
        ASSERT_EQ(BtrOpenFile(&handle_, Path(FileNo::Salespersons).c_str(), 0, 0), 0);
    }
    void TearDown() override
    {
        BtrCloseFile(handle_);
        SalespersonTest::TearDown();
    }
    int Post(const TagSalesHdr& sale, int kind = 1)
    {
        const TagPeriods periods = Periods();
        return UpdateSalespersonPeriodSales(handle_, kind, &periods, &sale);
    }
    uint16_t handle_ = 0;
};

TEST_F(PeriodSalesTest, DocumentsGoToTheirPeriodSlots)
{
    PutPerson(Person("ANN", "Ann Smith"));
    struct Row {
        const char* what;
        TagSalesHdr sale;
        int kind;
        int result;
        int slot;          // -1: no slot changes
        double sales, second;
    } rows[] = {
        {"March of the first year", Sale("ANN", 20240315, 100.0, 10.0, 7.5), 1, 0, 2, 90.0, 7.5},
        {"taken off again", Sale("ANN", 20240315, 100.0, 10.0, 7.5), kReverse, 0, 2, 0.0, 0.0},
        {"January of the second year", Sale("ANN", 20250110, 50.0, 0.0, 1.0), 1, 0, 13, 50.0, 1.0},
        {"December of the second year", Sale("ANN", 20251231, 5.0, 0.0, 0.0), 1, 0, 24, 5.0, 0.0},
        {"outside both years", Sale("ANN", 20230601, 100.0, 0.0, 1.0), 1, -2, -1, 0, 0},
        {"kind 5 carries no sales", Sale("ANN", 20240315, 100.0, 0.0, 1.0, 5), 1, 0, -1, 0, 0},
        {"kind 6 carries no sales", Sale("ANN", 20240315, 100.0, 0.0, 1.0, 6), 1, 0, -1, 0, 0},
        {"no salesperson on the sale", Sale("", 20240315, 100.0, 0.0, 1.0), 1, 0, -1, 0, 0},
        {"a blank salesperson", Sale("   ", 20240315, 100.0, 0.0, 1.0), 1, 0, -1, 0, 0},
    };
    SalespersonRecord before = People()[0];
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Post(row.sale, row.kind), row.result);
        const auto people = People();
        ASSERT_EQ(people.size(), 1u);
        const SalespersonRecord after = people[0];
        for (int i = 0; i < 26; ++i) {
            SCOPED_TRACE(i);
            if (i == row.slot) {
                EXPECT_DOUBLE_EQ(+after.Sales[i], row.sales);
                EXPECT_DOUBLE_EQ(+after.Totals[i], row.second);
            } else {
                EXPECT_DOUBLE_EQ(+after.Sales[i], +before.Sales[i]);
                EXPECT_DOUBLE_EQ(+after.Totals[i], +before.Totals[i]);
            }
        }
        EXPECT_STREQ(after.Name, "Ann Smith");
        before = after;
    }
}

TEST_F(PeriodSalesTest, NothingIsDoneWhenTotalsAreOffOrThereIsNoFile)
{
    PutPerson(Person("ANN", "Ann Smith"));
    GetSysInterfaceRecord()->SystemByte44 = 'N';
    EXPECT_EQ(Post(Sale("ANN", 20240315, 100.0, 0.0, 1.0)), 0);
    GetSysInterfaceRecord()->SystemByte44 = 'Y';
    const TagPeriods periods = Periods();
    const TagSalesHdr sale = Sale("ANN", 20240315, 100.0, 0.0, 1.0);
    EXPECT_EQ(UpdateSalespersonPeriodSales(0, 1, &periods, &sale), 0);
    EXPECT_DOUBLE_EQ(+People()[0].Sales[2], 0.0);
}

// A salesperson missing from the file is created with the code only, even
// when the document's date then lies in no period.
TEST_F(PeriodSalesTest, AMissingSalespersonIsCreated)
{
    struct Row {
        const char* what;
        int32_t date;
        int result;
        double march;
    } rows[] = {
        {"in a period", 20240320, 0, 12.0},
        {"in no period", 20260320, -2, 0.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PutPerson(Person("ZZ", "x"));   // a neighbour that stays as it is
        EXPECT_EQ(Post(Sale("NEW", row.date, 12.0, 0.0, 0.0)), row.result);
        const auto people = People();
        ASSERT_EQ(people.size(), 2u);
        EXPECT_STREQ(people[0].Code, "NEW");
        EXPECT_STREQ(people[0].Name, "");
        EXPECT_EQ(std::string(people[0].Flags, 3), std::string(3, '\0'));
        EXPECT_DOUBLE_EQ(+people[0].Sales[2], row.march);
        uint8_t key[256] = {};
        std::memcpy(key, "NEW", 3);
        SalespersonRecord r{};
        ASSERT_EQ(BtrGet(B_GET_EQUAL, handle_, key, &r, sizeof r), 0);
        ASSERT_EQ(BtrWrite(B_DELETE, handle_, nullptr, &r, 0), 0);
    }
}

TEST_F(PeriodSalesTest, CreateSalesperson)
{
    SalespersonRecord out{};
    std::memset(&out, 'x', sizeof out);
    EXPECT_EQ(CreateSalesperson(handle_, "  ", &out), 0);
    EXPECT_EQ(CreateSalesperson(0, "ANN", &out), 0);
    EXPECT_TRUE(People().empty());
    EXPECT_EQ(CreateSalesperson(handle_, "TOOLONGCODE", &out), 0);
    EXPECT_STREQ(out.Code, "TOOLO") << "the code is cut to its five characters";
    EXPECT_EQ(out.Name[0], '\0');
    const std::string t = Run([&] { return CreateSalesperson(handle_, "TOOLO", &out); }, "");
    EXPECT_EQ(CreateSalesperson(handle_, "TOOLO", &out), B_DUPLICATE_KEY);
    EXPECT_EQ(People().size(), 1u);
}

// Two stations post documents of one salesperson at the same time: every
// document counts.
TEST_F(PeriodSalesTest, TwoStationsPostingAtOnceBothCount)
{
    PutPerson(Person("ANN", "Ann Smith"));
    constexpr int kEach = 40;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        uint16_t own = 0;
        int failures = BtrOpenFile(&own, Path(FileNo::Salespersons).c_str(), 0, 0) != 0 ? 1 : 0;
        const TagPeriods periods = Periods();
        const TagSalesHdr sale = Sale("ANN", 20240315, 1.0, 0.0, 1.0);
        for (int i = 0; i < kEach && failures == 0; ++i)
            failures += UpdateSalespersonPeriodSales(own, 1, &periods, &sale) != 0 ? 1 : 0;
        BtrCloseFile(own);
        _exit(failures == 0 ? 0 : 1);
    }
    int failures = 0;
    for (int i = 0; i < kEach; ++i)
        failures += Post(Sale("ANN", 20240315, 1.0, 0.0, 1.0)) != 0 ? 1 : 0;
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(failures, 0);
    EXPECT_DOUBLE_EQ(+People()[0].Sales[2], 2.0 * kEach);
    EXPECT_DOUBLE_EQ(+People()[0].Totals[2], 2.0 * kEach);
}

}  // namespace
}  // namespace bwps::test
