// The salesperson time clock: hours of an entry, clock in and out, amounts,
// open entries of a station and of a salesperson clocked in twice.
#include <gtest/gtest.h>

#include <filesystem>

#include "fx.h"
#include "tests/customers/salespersons/salesperson_fixture.h"

namespace bwps::test {
namespace {

constexpr int32_t kDay1 = 20240314, kDay2 = 20240315, kDay3 = 20240316;
constexpr double kMinute = 1.0 / 60.0 + 1e-9;

TEST(TimeClockHours, FromDatesAndTimes)
{
    struct Row {
        const char* what;
        int32_t dateIn;
        int16_t timeIn;
        int32_t dateOut;
        int16_t timeOut;
        double hours;
    } rows[] = {
        {"one day", kDay1, 9 * 60, kDay1, 17 * 60 + 30, 8.5},
        {"across midnight", kDay1, 22 * 60, kDay2, 6 * 60, 8.0},
        {"across two midnights", kDay1, 22 * 60, kDay3, 6 * 60, 32.0},
        {"out at the minute of in", kDay1, 600, kDay1, 600, 0.0},
        {"date out before date in", kDay2, 22 * 60, kDay1, 6 * 60, 0.0},
        {"time out before time in on one day", kDay1, 17 * 60, kDay1, 9 * 60, 0.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TimeClockRecord e{};
        e.DateIn = row.dateIn, e.TimeIn = row.timeIn, e.DateOut = row.dateOut, e.TimeOut = row.timeOut;
        e.Hours = -99.0;
        EXPECT_EQ(ComputeTimeClockHours(&e, 0), 1);
        EXPECT_NEAR(+e.Hours, row.hours, 1e-9);
        EXPECT_EQ(+e.DateOut, row.dateOut) << "without stamp-now the end stays";
    }
}

TEST(TimeClockHours, StampNowEndsTheEntryToday)
{
    FxSetProgramDate(kDay2);
    TimeClockRecord e{};
    e.DateIn = kDay1;
    e.TimeIn = static_cast<int16_t>(FxClock());
    ComputeTimeClockHours(&e, 1);
    EXPECT_EQ(+e.DateOut, kDay2);
    EXPECT_NEAR(+e.Hours, 24.0, kMinute);
    FxSetProgramDate(0);
}

class TimeClockTest : public SalespersonTest {
protected:
    void SetUp() override
    {
        SalespersonTest::SetUp();
        PutPerson(Person("ANN", "Ann Smith", "AS1"));
        PutPerson(Person("BOB", "Bob Jones", "BJ"));
    }
    // Moves the start of every entry back, so that clock-out finds hours.
    void StartEarlier(int minutes)
    {
        auto entries = Entries();
        for (auto& e : entries) {
            int start = e.TimeIn - minutes;
            int32_t date = e.DateIn;
            if (start < 0) {
                start += 24 * 60;
                date = FxDateAddDays(date, -1);
            }
            e.TimeIn = static_cast<int16_t>(start);
            e.DateIn = date;
        }
        PutEntries(entries);
    }
};

TEST_F(TimeClockTest, ClockInWritesAnOpenEntryWithTheShortCode)
{
    EXPECT_EQ(ClockInSalesperson(3, "ANN"), 1);
    const auto e = Entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_STREQ(e[0].Code, "ANN");
    EXPECT_EQ(e[0].Status, 'A');
    EXPECT_EQ(+e[0].Station, 3);
    EXPECT_STREQ(e[0].ShortCode, "AS1");
    EXPECT_EQ(+e[0].DateIn, FxToday());
    EXPECT_EQ(+e[0].DateOut, FxToday());
    EXPECT_EQ(+e[0].TimeOut, +e[0].TimeIn);
    EXPECT_EQ(+e[0].Hours, 0.0);
    EXPECT_EQ(IsSalespersonClockedIn("ANN"), 1);
    EXPECT_EQ(IsSalespersonClockedIn("BOB"), 0);
}

TEST_F(TimeClockTest, ClockInOfAnUnknownSalespersonWritesNothing)
{
    const std::string t = Run([] { return ClockInSalesperson(1, "ZED"); }, "");
    EXPECT_TRUE(Entries().empty());
    EXPECT_FALSE(t.empty()) << "the failed read is reported";
}

TEST_F(TimeClockTest, ClockOut)
{
    struct Row {
        const char* what;
        bool clockIn;
        int earlier;        // minutes the start is moved back
        int result;
        size_t entries;
        char status;
        double hours;
        const char* message;
    } rows[] = {
        {"after 90 minutes", true, 90, 0, 1, 'C', 1.5, nullptr},
        {"across midnight", true, 8 * 60 + 24 * 60, 0, 1, 'C', 32.0, nullptr},
        {"not clocked in", false, 0, 1, 0, 0, 0.0, "This salesperson is not clocked in."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PutEntries({});
        if (row.clockIn) {
            ASSERT_EQ(ClockInSalesperson(1, "ANN"), 1);
            StartEarlier(row.earlier);
        }
        int result = -1;
        const std::string t = Run([&] { return ClockOutSalesperson("ANN"); }, "", &result);
        EXPECT_EQ(result, row.result) << t;
        const auto e = Entries();
        ASSERT_EQ(e.size(), row.entries) << t;
        if (!e.empty()) {
            EXPECT_EQ(e[0].Status, row.status);
            EXPECT_NEAR(+e[0].Hours, row.hours, kMinute);
            EXPECT_EQ(+e[0].DateOut, FxToday());
        }
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
        EXPECT_EQ(IsSalespersonClockedIn("ANN"), 0);
    }
}

TEST_F(TimeClockTest, ClockOutInTheMinuteOfClockInRemovesTheEntry)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        PutEntries({});
        const uint16_t before = FxClock();
        ASSERT_EQ(ClockInSalesperson(1, "ANN"), 1);
        EXPECT_EQ(ClockOutSalesperson("ANN"), 0);
        if (FxClock() != before)
            continue;   // the minute turned between the two: try again
        EXPECT_TRUE(Entries().empty());
        return;
    }
}

// Two stations clock one salesperson in: both entries stay open; the
// services act on the first open entry, and closing a station closes only
// the entries clocked in there.
TEST_F(TimeClockTest, TwoStationsClockTheSamePerson)
{
    ASSERT_EQ(ClockInSalesperson(1, "ANN"), 1);
    ASSERT_EQ(ClockInSalesperson(2, "ANN"), 1);
    StartEarlier(60);
    auto e = Entries();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].Status, 'A');
    EXPECT_EQ(e[1].Status, 'A');

    int32_t found = -1;
    EXPECT_EQ(AddTimeClockAmounts("ANN", &found, 10.0, 0, 0, 1.0), 1);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(CloseTimeClockEntriesOfStation(2), 0);
    e = Entries();
    ASSERT_EQ(e.size(), 2u);
    int open = 0, closed = 0;
    double amount = 0;
    for (const auto& x : e) {
        if (x.Station == 2) {
            EXPECT_EQ(x.Status, 'C');
            EXPECT_NEAR(+x.Hours, 1.0, kMinute);
            ++closed;
        } else {
            EXPECT_EQ(x.Status, 'A');
            ++open;
        }
        amount += x.Amounts[0];
    }
    EXPECT_EQ(open, 1);
    EXPECT_EQ(closed, 1);
    EXPECT_DOUBLE_EQ(amount, 10.0) << "the amounts went to one entry only";
    EXPECT_EQ(IsSalespersonClockedIn("ANN"), 1);
    EXPECT_EQ(ClockOutSalesperson("ANN"), 0);
    EXPECT_EQ(IsSalespersonClockedIn("ANN"), 0);
}

TEST_F(TimeClockTest, ClosingAStation)
{
    const int32_t today = FxToday();
    const int16_t now = static_cast<int16_t>(FxClock());
    const int32_t yesterday = FxDateAddDays(today, -1);
    TimeClockRecord withAmounts = Entry("BOB", 'A', 1, today, now);
    withAmounts.Amounts[2] = 4.0;
    PutEntries({Entry("ANN", 'A', 1, yesterday, now), withAmounts, Entry("ANN", 'A', 2, yesterday, now),
                Entry("BOB", 'C', 1, yesterday, 60, yesterday, 120)});
    // an entry of this minute with nothing on it is removed, whatever the minute
    PutEntries([&] {
        auto all = Entries();
        all.push_back(Entry("CAT", 'A', 1, today, now));
        return all;
    }());
    EXPECT_EQ(CloseTimeClockEntriesOfStation(1), 0);
    struct Expect {
        const char* code;
        int16_t station;
        char status;
    };
    std::vector<Expect> want = {{"ANN", 1, 'C'}, {"ANN", 2, 'A'}, {"BOB", 1, 'C'}, {"BOB", 1, 'C'}};
    const auto e = Entries();
    ASSERT_EQ(e.size(), want.size());
    int withFour = 0;
    for (size_t i = 0; i < e.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(e[i].Code, want[i].code);
        EXPECT_EQ(+e[i].Station, want[i].station);
        EXPECT_EQ(e[i].Status, want[i].status);
        if (e[i].Amounts[2] == 4.0)
            ++withFour;
    }
    EXPECT_EQ(withFour, 1) << "an entry with amounts is closed, not removed";
    EXPECT_NEAR(+e[0].Hours, 24.0, kMinute);
}

TEST_F(TimeClockTest, AddingAmounts)
{
    int32_t found = -1;
    EXPECT_EQ(AddTimeClockAmounts("ANN", &found, 1, 2, 3, 4), 0);
    EXPECT_EQ(found, 0) << "no open entry";
    EXPECT_TRUE(Entries().empty());

    ASSERT_EQ(ClockInSalesperson(1, "ANN"), 1);
    StartEarlier(30);
    EXPECT_EQ(AddTimeClockAmounts("ANN", &found, 1, 2, 3, 4), 1);
    EXPECT_EQ(AddTimeClockAmounts("ANN", &found, 1, 0, 0, -4), 1);
    auto e = Entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(e[0].Status, 'A');
    EXPECT_DOUBLE_EQ(+e[0].Amounts[0], 2.0);
    EXPECT_DOUBLE_EQ(+e[0].Amounts[1], 2.0);
    EXPECT_DOUBLE_EQ(+e[0].Amounts[2], 3.0);
    EXPECT_DOUBLE_EQ(+e[0].Amounts[3], 0.0);
    EXPECT_NEAR(+e[0].Hours, 0.5, kMinute);
}

// With the time clock off, the register's services answer at once and
// touch no file (the file is gone: an open would fail), while clock-in
// and clock-out still work.
TEST_F(TimeClockTest, TimeClockOff)
{
    GetSysInterfaceRecord()->TimeClock = 'N';
    std::filesystem::remove(Path(FileNo::TimeClock));
    int32_t found = -1;
    const std::string t = Run(
        [&] {
            EXPECT_EQ(ConfirmOpenTimeClockEntry("ANN"), 0);
            EXPECT_EQ(CloseTimeClockEntriesOfStation(1), 0);
            EXPECT_EQ(AddTimeClockAmounts("ANN", &found, 1, 0, 0, 0), 1);
            EXPECT_EQ(IsSalespersonClockedIn("ANN"), 0);
            return 0;
        },
        "");
    EXPECT_EQ(found, 1);
    EXPECT_TRUE(t.empty()) << t;
    Create(FileNo::TimeClock);
    EXPECT_EQ(ClockInSalesperson(1, "ANN"), 1);
    EXPECT_EQ(Entries().size(), 1u);
}

TEST_F(TimeClockTest, AMissingFileIsReportedAndAnsweredAsTheCallersExpect)
{
    std::filesystem::remove(Path(FileNo::TimeClock));
    const std::string t = Run(
        [&] {
            EXPECT_EQ(IsSalespersonClockedIn("ANN"), 1);
            EXPECT_EQ(CloseTimeClockEntriesOfStation(1), 1);
            EXPECT_EQ(ConfirmOpenTimeClockEntry("ANN"), 1);
            EXPECT_EQ(ClockOutSalesperson("ANN"), 1);
            EXPECT_EQ(ClockInSalesperson(1, "ANN"), 0);
            return 0;
        },
        "");
    EXPECT_FALSE(t.empty());
}

TEST_F(TimeClockTest, ConfirmingAnOpenEntry)
{
    struct Row {
        const char* what;
        const char* script;
        int result;
        char status;
    } rows[] = {
        {"kept open", "answer Keep open\n", 1, 'A'},
        {"marked as an error", "answer Mark as error\n", 0, 'E'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PutEntries({Entry("ANN", 'A', 1, kDay1, 600)});
        int result = -1;
        const std::string t = Run([] { return ConfirmOpenTimeClockEntry("ANN"); }, row.script, &result);
        EXPECT_EQ(result, row.result) << t;
        ASSERT_EQ(Entries().size(), 1u);
        EXPECT_EQ(Entries()[0].Status, row.status) << t;
    }
    EXPECT_EQ(ConfirmOpenTimeClockEntry("BOB"), 0) << "no open entry";
}

}  // namespace
}  // namespace bwps::test
