// The time-clock screen driven by scripts: the header, the lines of a
// salesperson, corrections and removals.
#include <gtest/gtest.h>

#include "bwps/screens.h"
#include "tests/customers/salespersons/salesperson_fixture.h"

namespace bwps::test {
namespace {

// Enter on the code and on the short code puts the cursor on the first line.
// A script ends without Esc: an exhausted script answers every wait as Esc.
constexpr const char* kIntoLines = "type ann\nkey Enter\nkey Enter\n";

class TimeClockScreenTest : public SalespersonTest {
protected:
    void SetUp() override
    {
        SalespersonTest::SetUp();
        PutPerson(Person("ANN", "Ann Smith", "AS"));
        PutPerson(Person("BOB", "Bob Jones"));
        PutEntries({Entry("ANN", 'C', 1, 20250301, 540, 20250301, 1020), Entry("ANN", 'A', 2, 20250302, 600),
                    Entry("BOB", 'C', 1, 20250301, 480, 20250301, 960)});
    }
    std::string Screen(const std::string& script, int* result = nullptr)
    {
        return Run([] { return RSEditSPTime(); }, script, result);
    }
    TimeClockRecord Find(const char* code, int32_t dateIn)
    {
        for (const TimeClockRecord& e : Entries())
            if (std::strcmp(e.Code, code) == 0 && e.DateIn == dateIn)
                return e;
        return TimeClockRecord{};
    }
};

TEST_F(TimeClockScreenTest, TheHeaderChecksTheCodeAndLoadsOnlyItsEntries)
{
    struct Row {
        const char* what;
        const char* script;
        const char* shown;
        const char* absent;
    } rows[] = {
        {"a known code lists its entries",
         "type ann\nkey Enter\n", "grid row 2 \"03/02/25 03/02/25 10:00 10:00       0.00       0.00       0.00       0.00  A|A\"",
         "08:00"},
        {"a blank code is refused", "key F10\n", "Enter a salesperson code first.", "grid row 1 > \"03"},
        {"an unknown code is refused", "type zed\nkey Enter\n", "There is no salesperson with this code.",
         "grid row 1 > \"03"},
        {"leaving the code upwards skips the check", "type zed\nkey Up\n", "field 1 exit \"ZED\" -> 0",
         "There is no salesperson"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string t = Screen(std::string(row.script));
        EXPECT_TRUE(Has(t, row.shown)) << t;
        EXPECT_FALSE(Has(t, row.absent)) << t;
    }
}

TEST_F(TimeClockScreenTest, ACorrectedLineIsWrittenWithItsHoursAgain)
{
    struct Row {
        const char* what;
        char twelveHour;      // the interface record's time display flag
        const char* edits;    // from the first field of the first line, ending past the line
        double amount1;
        int16_t timeOut;
        double hours;
        char status;
    } rows[] = {
        {"an amount", 'N', "key Enter\nkey Enter\nkey Enter\nkey Enter\ntype 12.5\nkey Down\n", 12.5, 1020, 8.0, 'C'},
        {"the time out", 'N', "key Enter\nkey Enter\nkey Enter\ntype 1830\nkey Down\n", 0.0, 1110, 9.5, 'C'},
        {"the status", 'N', "field 9 E|Error\nkey Enter\n", 0.0, 1020, 8.0, 'E'},
        // the afternoon time out keeps its hour where times show twelve-hour
        {"an amount with the twelve-hour display", 'Y',
         "key Enter\nkey Enter\nkey Enter\nkey Enter\ntype 3\nkey Down\n", 3.0, 1020, 8.0, 'C'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PutEntries({Entry("ANN", 'C', 1, 20250301, 540, 20250301, 1020), Entry("ANN", 'A', 2, 20250302, 600)});
        GetSysInterfaceRecord()->InterfacedChar = row.twelveHour;
        const std::string t = Screen(std::string(kIntoLines) + row.edits);
        GetSysInterfaceRecord()->InterfacedChar = 'N';
        const TimeClockRecord e = Find("ANN", 20250301);
        EXPECT_DOUBLE_EQ(+e.Amounts[0], row.amount1) << t;
        EXPECT_EQ(+e.TimeIn, 540) << t;
        EXPECT_EQ(+e.TimeOut, row.timeOut) << t;
        EXPECT_DOUBLE_EQ(+e.Hours, row.hours) << t;
        EXPECT_EQ(e.Status, row.status) << t;
        EXPECT_EQ(+e.Station, 1);
        const TimeClockRecord other = Find("ANN", 20250302);
        EXPECT_EQ(other.Status, 'A');
        EXPECT_EQ(+other.TimeIn, 600);
    }
}

TEST_F(TimeClockScreenTest, RefusedLineFields)
{
    struct Row {
        const char* what;
        const char* edits;
        const char* message;
    } rows[] = {
        {"a date in after the date out", "type 030525\nkey Enter\nkey Enter\n",
         "The date in cannot be later than the date out."},
        {"a date out before the date in", "key Enter\ntype 022825\nkey Enter\n",
         "The date in cannot be later than the date out."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string t = Screen(std::string(kIntoLines) + row.edits);
        EXPECT_TRUE(Has(t, row.message)) << t;
        const TimeClockRecord e = Find("ANN", 20250301);
        EXPECT_EQ(+e.DateOut, 20250301) << t;
        EXPECT_EQ(e.Code[0], 'A') << "the entry stays as stored\n" << t;
    }
}

TEST_F(TimeClockScreenTest, ShiftF6RemovesTheEntryOfTheLine)
{
    const std::string t = Screen(std::string(kIntoLines) + "key Down\nkey Shift+F6\n");
    EXPECT_TRUE(Has(t, "key Shift+F6 -> 0x80002")) << t;
    const auto left = Entries();
    ASSERT_EQ(left.size(), 2u) << t;
    EXPECT_EQ(Find("ANN", 20250302).Code[0], '\0') << t;
    EXPECT_STREQ(Find("ANN", 20250301).Code, "ANN");
    EXPECT_STREQ(Find("BOB", 20250301).Code, "BOB");
}

// The entries of two salespersons share the file: a line is written back
// over the record at its own position.
TEST_F(TimeClockScreenTest, TheLineIsWrittenByItsPosition)
{
    const std::string t = Screen("type bob\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Enter\n"
                                 "type 7\nkey Down\n");
    const TimeClockRecord bob = Find("BOB", 20250301);
    EXPECT_DOUBLE_EQ(+bob.Amounts[0], 7.0) << t;
    EXPECT_DOUBLE_EQ(+Find("ANN", 20250301).Amounts[0], 0.0) << t;
    EXPECT_EQ(Entries().size(), 3u);
}

}  // namespace
}  // namespace bwps::test
