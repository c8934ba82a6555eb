// The price-break editor driven by scripts: the break table's order, the
// single value by type, the type switch, new-record defaults, delete.
#include <gtest/gtest.h>

#include <cstring>

#include "bwps/records/masters.h"
#include "bwps/screens.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

class PriceBreakTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        Create(FileNo::PriceBook);
    }
    std::string Edit(const std::string& script, int* result = nullptr)
    {
        return Run([] { return RSEditPriceBreaks(0); }, script, result);
    }
    static PriceBreakRecord Rule(const char* code, char type, char rounding, double single,
                                 std::initializer_list<std::pair<int32_t, float>> breaks = {})
    {
        PriceBreakRecord r{};
        std::strncpy(r.Code, code, sizeof r.Code - 1);
        std::strncpy(r.Description, "Rule", sizeof r.Description - 1);
        r.Type = type;
        r.Rounding = rounding;
        r.SingleValue = single;
        int i = 0;
        for (const auto& b : breaks) {
            std::memcpy(reinterpret_cast<char*>(&r.Breaks[i].Quantity), &b.first, sizeof b.first);
            std::memcpy(reinterpret_cast<char*>(&r.Breaks[i].Value), &b.second, sizeof b.second);
            ++i;
        }
        return r;
    }
    void Put(const PriceBreakRecord& r)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::PriceBook), r.Code, sizeof r.Code, &r, sizeof r), 0);
    }
    std::vector<PriceBreakRecord> Stored() { return ReadAll<PriceBreakRecord>(Path(FileNo::PriceBook)); }
    static int32_t Quantity(const PriceBreakRecord& r, int i)
    {
        int32_t q = 0;
        std::memcpy(&q, reinterpret_cast<const char*>(&r.Breaks[i].Quantity), sizeof q);
        return q;
    }
    static float Value(const PriceBreakRecord& r, int i)
    {
        float v = 0;
        std::memcpy(&v, reinterpret_cast<const char*>(&r.Breaks[i].Value), sizeof v);
        return v;
    }
    void Reset()
    {
        fs::remove(Path(FileNo::PriceBook));
        Create(FileNo::PriceBook);
    }
};

// A new rule typed as a break table: the order of quantities, a zero
// quantity by the key that leaves it.
TEST_F(PriceBreakTest, BreakTableOrder)
{
    struct Row {
        const char* what;
        const char* breaks;       // script after the rounding field
        const char* message;      // shown, or null
        bool saved;
        int32_t quantities[5];
    } rows[] = {
        {"rising quantities are kept", "type 10\nkey Enter\ntype 1.5\nkey Enter\ntype 20\nkey Enter\ntype 1.25\nkey Enter\n",
         nullptr, true, {10, 20, 0, 0, 0}},
        {"10, 20, 15 refused at the third break",
         "type 10\nkey Enter\nkey Enter\ntype 20\nkey Enter\nkey Enter\ntype 15\nkey Enter\nanswer Continue\n",
         "Each break must be for a larger quantity", false, {}},
        {"an equal quantity is refused", "type 10\nkey Enter\nkey Enter\ntype 10\nkey Enter\nanswer Continue\n",
         "Each break must be for a larger quantity", false, {}},
        {"zero left with Enter is refused", "key Enter\nanswer Continue\n", "A break needs a quantity.", true, {0, 0, 0, 0, 0}},
        {"zero left with Up is accepted", "key Up\n", nullptr, true, {0, 0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string t = Edit("type PB1\nkey Enter\ntype Volume\nkey Enter\nkey Enter\nkey Enter\n" +
                                   std::string(row.breaks) +
                                   (row.saved ? "key F10\nkey Esc\n" : "key F10\nanswer Continue\nkey Esc\nanswer Yes\n"));
        if (row.message != nullptr)
            EXPECT_TRUE(Has(t, row.message)) << t;
        else
            EXPECT_FALSE(Has(t, "A break needs")) << t;
        const auto stored = Stored();
        ASSERT_EQ(stored.size(), row.saved ? 1u : 0u) << t;
        if (row.saved) {
            for (int i = 0; i < 5; ++i)
                EXPECT_EQ(Quantity(stored[0], i), row.quantities[i]) << i;
            EXPECT_EQ(+stored[0].Type, 'Q');
            EXPECT_EQ(+stored[0].Rounding, 'P');
            EXPECT_EQ(+stored[0].SingleValue, 0.0);
        }
        Reset();
    }
}

TEST_F(PriceBreakTest, BreakValuesAreStoredAsSingles)
{
    const std::string t = Edit("type PB1\nkey Enter\nkey Enter\nkey Enter\nkey Enter\n"
                               "type 10\nkey Enter\ntype 1.5\nkey Enter\ntype 20\nkey Enter\ntype 1.25\nkey Enter\n"
                               "key F10\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u) << t;
    EXPECT_FLOAT_EQ(Value(stored[0], 0), 1.5f);
    EXPECT_FLOAT_EQ(Value(stored[0], 1), 1.25f);
}

// The single value of the types that use it: a percentage up to 100.
TEST_F(PriceBreakTest, SingleValueByType)
{
    struct Row {
        const char* what;
        const char* type;
        const char* value;
        bool saved;
        char typeLetter;
        double stored;
    } rows[] = {
        {"percentage 100 is saved", "Percentage", "100", true, 'P', 100.0},
        {"percentage above 100 is refused", "Percentage", "100.5", false, 'P', 0},
        {"dollar amount above 100 is kept", "Dollar", "150", true, 'D', 150.0},
        {"flat price", "Flat Price", "9.9999", true, 'F', 9.9999},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // Dollar and flat price go straight to the value; a percentage passes
        // the rounding field
        const bool direct = row.typeLetter != 'P';
        const std::string t =
            Edit("type PB2\nkey Enter\nkey Enter\ntype " + std::string(row.type) + "\nkey Enter\n" +
                 (direct ? "" : "key Enter\n") + "type " + row.value + "\nkey F10\n" +
                 (row.saved ? "key Esc\n" : "answer Continue\nkey Esc\nanswer Yes\n"));
        const auto stored = Stored();
        ASSERT_EQ(stored.size(), row.saved ? 1u : 0u) << t;
        if (row.saved) {
            EXPECT_EQ(+stored[0].Type, row.typeLetter);
            EXPECT_NEAR(+stored[0].SingleValue, row.stored, 1e-9);
        } else {
            EXPECT_TRUE(Has(t, "A percentage cannot be more than 100.")) << t;
            EXPECT_TRUE(Has(t, "key F10 -> stay focused")) << t;
        }
        Reset();
    }
}

// Switching a loaded table rule to dollars: the value empties, rounding
// goes to None, the breaks are kept but locked.
TEST_F(PriceBreakTest, SwitchingFromQuantityToDollar)
{
    Put(Rule("VOL", 'Q', 'N', 0.0, {{5, 2.0f}, {10, 1.5f}}));
    const std::string t = Edit("type VOL\nkey Enter\nkey Enter\ntype Dollar\nkey Enter\ntype 3\nkey F10\nkey Esc\n");
    EXPECT_TRUE(Has(t, "field 15 type \"3\"")) << t;
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(+stored[0].Type, 'D');
    EXPECT_EQ(+stored[0].Rounding, 'O');
    EXPECT_DOUBLE_EQ(+stored[0].SingleValue, 3.0);
    EXPECT_EQ(Quantity(stored[0], 0), 5);
}

// A loaded percentage rule shows its value; switched back to quantity the
// value is dropped on save.
TEST_F(PriceBreakTest, TableTypeSavesNoSingleValue)
{
    Put(Rule("PCT", 'P', 'D', 12.5));
    const std::string t =
        Edit("type PCT\nkey Enter\nkey Enter\ntype Quantity\nkey Enter\nkey Enter\ntype 4\nkey Enter\nkey F10\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(+stored[0].Type, 'Q');
    EXPECT_EQ(+stored[0].Rounding, 'D');
    EXPECT_EQ(+stored[0].SingleValue, 0.0) << t;
    EXPECT_EQ(Quantity(stored[0], 0), 4);
}

TEST_F(PriceBreakTest, DeleteAfterTheQuestion)
{
    PasswordsOn();
    Put(Rule("OLD", 'F', 'O', 2.0));
    struct Row {
        const char* answer;
        size_t left;
    } rows[] = {{"No", 1}, {"Yes", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        const std::string t = Edit("type OLD\nkey Enter\nkey F6\nanswer " + std::string(row.answer) + "\nkey Esc\nkey Esc\n");
        EXPECT_TRUE(Has(t, "Delete this price break?")) << t;
        EXPECT_EQ(Stored().size(), row.left) << t;
    }
    EXPECT_TRUE(Has(Audit(), "12 ")) << Audit();
}

TEST_F(PriceBreakTest, EmptyCodeIsRefused)
{
    const std::string t = Edit("key Enter\nkey Esc\n");
    EXPECT_TRUE(Has(t, "Enter a price-break code first.")) << t;
}

}  // namespace
}  // namespace bwps::test
