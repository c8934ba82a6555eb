// Accounting periods: the period of a date in both years, the checks of
// postings, and period numbers.
#include <gtest/gtest.h>

#include <cstring>

#include "bwps/periods.h"
#include "bwps/settings.h"
#include "fx.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

int32_t D(int y, int m, int d) { return y * 10000 + m * 100 + d; }

// Periods of a fiscal year of `count` four-week periods from 1 January of
// `year`; the next year follows on.
TagPeriods FourWeekPeriods(int year, int count)
{
    auto record = Keyed<TagPeriods>(GENERAL_KEY_PERIODS);
    record.Count = static_cast<int16_t>(count);
    record.CurrentPeriod = -1;
    int32_t start = D(year, 1, 1);
    for (int i = 0; i < 26; ++i) {
        if (i == count)
            i = 13;
        if (i >= 13 + count)
            break;
        TagPeriodEntry& e = record.Entries[i];
        e.Status = 'O';
        e.State = 'I';
        e.Name[0] = 'P';
        e.FirstDate = start;
        e.LastDate = FxDateAddDays(start, 27);
        start = FxDateAddDays(start, 28);
    }
    return record;
}

class PeriodsTest : public ServicesTest {};

TEST_F(PeriodsTest, StandAloneDatesOfBothYears)
{
    const int y = ReadCurrentYear();
    struct Case {
        int32_t date;
        int flags;
        int result;
        int period;
        int index;
        int next, before, after;
    };
    const Case cases[] = {
        {D(y, 1, 1), 4, 0, 1, 0, 0, 0, 0},
        {D(y, 12, 31), 4, 0, 12, 11, 0, 0, 0},
        {D(y + 1, 6, 15), 4, 0, 18, 18, 1, 0, 0},     // sixth month of the next year
        {D(y + 1, 12, 31), 4, 0, 24, 24, 1, 0, 0},
        {D(y - 1, 12, 31), 1, PERIOD_NONE, 0, -1, 0, 1, 0},
        {D(y + 2, 1, 1), 0, PERIOD_NONE, 0, -1, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date);
        FxTranscriptClear();
        TagPeriodInfo info;
        ASSERT_EQ(GetPeriodInfo(c.flags, c.date, &info), c.result);
        EXPECT_EQ(+info.Period, +c.period);
        EXPECT_EQ(+info.Index, +c.index);
        EXPECT_EQ(+info.NextYear, +c.next);
        EXPECT_EQ(+info.Before, +c.before);
        EXPECT_EQ(+info.After, +c.after);
        EXPECT_EQ(+info.CurrentPeriod, -1);
        EXPECT_EQ(+info.YearFirstDate, D(y, 1, 1));
        EXPECT_EQ(+info.NextYearFirstDate, D(y + 1, 1, 1));
        const bool shown = Transcript().find("no accounting period") != std::string::npos;
        EXPECT_EQ(shown, c.result == PERIOD_NONE && (c.flags & 1));
        if (c.result == 0) {
            EXPECT_EQ(+info.Status, 'O');
            EXPECT_LE(+info.FirstDate, +c.date);
            EXPECT_GE(+info.LastDate, +c.date);
        } else {
            EXPECT_EQ(+info.Status, 'C');
            EXPECT_EQ(+info.FirstDate, FxToday());
        }
    }
}

TEST_F(PeriodsTest, AccountingRecordChecksOfPostings)
{
    Interface();
    const int y = 2030;
    TagPeriods record = FourWeekPeriods(y, 13);
    record.Entries[2].Status = 'C';
    record.Entries[4].State = 'A';
    record.CurrentPeriod = 5;
    PutAccounting(&record, sizeof record);

    struct Case {
        const char* what;
        int32_t date;
        int flags;
        int result;
        const char* message;
        int period;
    };
    const Case cases[] = {
        {"closed period refused", FxDateAddDays(D(y, 1, 1), 60), 2, 1, "is closed", 3},
        {"closed period without the flag", FxDateAddDays(D(y, 1, 1), 60), 4, 1, "current period", 3},
        {"current period accepted", FxDateAddDays(D(y, 1, 1), 115), 6, 0, nullptr, 5},
        {"thirteenth period", FxDateAddDays(D(y, 1, 1), 12 * 28), 0, 0, nullptr, 13},
        {"first of the next year", record.Entries[13].FirstDate, 0, 0, nullptr, 14},
        {"last of the next year", record.Entries[25].LastDate, 0, 0, nullptr, 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FxTranscriptClear();
        TagPeriodInfo info;
        EXPECT_EQ(GetPeriodInfo(c.flags, c.date, &info), c.result);
        EXPECT_EQ(+info.Period, +c.period);
        EXPECT_EQ(+info.ActivePeriod, 5);
        EXPECT_EQ(+info.ActiveFirstDate, +record.Entries[4].FirstDate);
        if (c.message)
            EXPECT_NE(Transcript().find(c.message), std::string::npos) << Transcript();
        else
            EXPECT_EQ(Transcript().find("message"), std::string::npos) << Transcript();
    }
}

TEST_F(PeriodsTest, PeriodCountOutsideOneToThirteenHasNoPeriods)
{
    Interface();
    for (int count : {0, 14, -3}) {
        SCOPED_TRACE(count);
        TagPeriods record = FourWeekPeriods(2030, 12);
        record.Count = static_cast<int16_t>(count);
        PutAccounting(&record, sizeof record);
        FxTranscriptClear();
        TagPeriodInfo info;
        EXPECT_EQ(GetPeriodInfo(0, D(2030, 2, 1), &info), PERIOD_NONE);
        EXPECT_NE(Transcript().find("no accounting period"), std::string::npos);
        int index = 0, next = 0;
        EXPECT_FALSE(FindPeriodOfDate(D(2030, 2, 1), &index, &next, &record));
    }
}

TEST(PeriodNumbers, NumbersIndexesAndLocations)
{
    TagPeriods record = FourWeekPeriods(2030, 12);
    struct Case {
        int number, index, next;
    };
    for (const Case& c : {Case{1, 0, 0}, Case{12, 11, 0}, Case{13, 13, 1}, Case{18, 18, 1}}) {
        int index = -9, next = -9;
        EXPECT_EQ(PeriodIndexOfNumber(c.number, &index, &next, &record), 0);
        EXPECT_EQ(index, c.index) << c.number;
        EXPECT_EQ(next, c.next) << c.number;
    }
    struct Locate {
        int32_t date;
        int number, index, next;
    };
    const Locate locates[] = {
        {D(2029, 12, 31), -3, -1, 0},
        {D(2030, 1, 1), 1, 0, 0},
        {record.Entries[18].FirstDate, 18, 18, 1},
        {FxDateAddDays(record.Entries[24].LastDate, 1), -4, -1, 0},
    };
    for (const Locate& l : locates) {
        int32_t first = -1, last = -1;
        int number = 0, index = 0, next = 0;
        EXPECT_EQ(LocatePeriod(l.date, &first, &last, &number, &index, &next, &record), 0);
        EXPECT_EQ(number, l.number) << l.date;
        EXPECT_EQ(index, l.index) << l.date;
        EXPECT_EQ(next, l.next) << l.date;
        if (l.number > 0) {
            EXPECT_LE(first, l.date);
            EXPECT_GE(last, l.date);
        }
    }
    int index = 0, next = 0;
    EXPECT_TRUE(FindPeriodOfDate(record.Entries[15].LastDate, &index, &next, &record));
    EXPECT_EQ(index, 15);
    EXPECT_EQ(next, 1);
    // The date's position in its year: the third period gives month 3.
    EXPECT_EQ(PeriodDateOfRecord(record.Entries[2].FirstDate, &record), D(2030, 3, 1));
    EXPECT_EQ(PeriodDateOfRecord(D(2020, 1, 1), &record), 0);
}

TEST_F(PeriodsTest, DefaultNextYearHoldsItsLeapDay)
{
    // Whatever the current year, each default period is a calendar month of
    // its own year, so 29 February of a leap next year lies in period 14.
    const int y = ReadCurrentYear();
    TagPeriods record{};
    BuildDefaultPeriods(&record);
    EXPECT_EQ(+record.Entries[14].FirstDate, D(y + 1, 2, 1));
    EXPECT_EQ(+record.Entries[14].LastDate, FxMonthEnd(D(y + 1, 2, 1)));
    EXPECT_EQ(+record.Entries[1].LastDate, FxMonthEnd(D(y, 2, 1)));
}

}  // namespace
}  // namespace svctest
