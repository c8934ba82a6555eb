// Dates as year*10000 + month*100 + day and the clock.
#include "fx.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Dates, ParseAndFormat) {
    struct Case {
        const char* text;
        int32_t date; // 0: refused
        const char* shown;
    };
    const Case cases[] = {
        {"02/29/24", 20240229, "02/29/24"},  {"2/29/2024", 20240229, "02/29/24"}, {"02/29/23", 0, ""},
        {"02/29/2000", 20000229, "02/29/00"}, {"02/29/1900", 0, ""},             {"12/31/99", 19991231, "12/31/99"},
        {"01/01/49", 20490101, "01/01/49"},  {"01/01/50", 19500101, "01/01/50"}, {"13/01/24", 0, ""},
        {"04/31/24", 0, ""},                 {"20241105", 20241105, "11/05/24"}, {"110524", 20241105, "11/05/24"},
        {" 11-05-2024 ", 20241105, "11/05/24"}, {"11/05", 0, ""},              {"11/05/024", 0, ""},
        {"", 0, ""},                          {"  /  /  ", 0, ""},               {"ab/cd/ef", 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.date, FxDateParse(c.text)) << "'" << c.text << "'";
        EXPECT_EQ(c.date != 0, FxDateValid(c.text) != 0) << "'" << c.text << "'";
        char out[16] = "x";
        EXPECT_STREQ(c.shown, FxDateFormat(out, c.date)) << "'" << c.text << "'";
    }
    char out[16];
    EXPECT_STREQ("02/29/2024", FxDateFormatLong(out, 20240229));
    EXPECT_STREQ("", FxDateFormat(out, 20240230)); // not a date
}

TEST(Dates, MonthEndsAndArithmetic) {
    struct Case {
        int32_t date;
        int32_t monthEnd;
        int32_t nextDay;
        int32_t plusMonth;
        int32_t plusYear;
    };
    const Case cases[] = {
        {20240101, 20240131, 20240102, 20240201, 20250101},
        {20240131, 20240131, 20240201, 20240229, 20250131}, // into a leap February
        {20230131, 20230131, 20230201, 20230228, 20240131},
        {20240229, 20240229, 20240301, 20240329, 20250228}, // Feb 29 one year on
        {20231231, 20231231, 20240101, 20240131, 20241231},
        {21000215, 21000228, 21000216, 21000315, 21010215}, // 2100 is not leap
        {20000210, 20000229, 20000211, 20000310, 20010210}, // 2000 is
        {20240430, 20240430, 20240501, 20240530, 20250430},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.monthEnd, FxMonthEnd(c.date)) << c.date;
        EXPECT_EQ(c.monthEnd, FxDateAdjust(c.date, -1)) << c.date;
        EXPECT_EQ(c.nextDay, FxDateAdjust(c.date, 1)) << c.date;
        EXPECT_EQ(c.nextDay, FxDateAddDays(c.date, 1)) << c.date;
        EXPECT_EQ(c.plusMonth, FxDateAddMonths(c.date, 1)) << c.date;
        EXPECT_EQ(c.plusYear, FxDateAddYears(c.date, 1)) << c.date;
        EXPECT_EQ(c.plusYear, reinterpret_cast<int32_t (*)(int32_t, int)>(FxOrdinal(70))(c.date, 1)) << c.date;
    }
    EXPECT_EQ(20231201, FxDateAddMonths(20240101, -1));
    EXPECT_EQ(20231231, FxDateAddDays(20240101, -1));
    EXPECT_EQ(20240301, FxDateAddDays(20240228, 2));
    EXPECT_EQ(0, FxDateAddDays(20240230, 1)); // no date from a bad date
    EXPECT_EQ(0, FxMonthEnd(0));
    EXPECT_EQ(20240301, FxDateOfPeriod(2024, 3));
    EXPECT_EQ(0, FxDateOfPeriod(2024, 13));
    EXPECT_EQ(2024, FxDateYear(20241105));
    EXPECT_EQ(2024, FxYearOfDate(20241105));
}

TEST(Dates, DayNumbersKeepCalendarOrder) {
    EXPECT_EQ(1, FxDayNumber(19000101));
    EXPECT_EQ(0, FxDayNumber(20240230));
    EXPECT_EQ(365, FxDayNumber(20240101) - FxDayNumber(20230101));
    EXPECT_EQ(366, FxDayNumber(20250101) - FxDayNumber(20240101));
    EXPECT_EQ(30, FxDayNumber(20240301) - FxDayNumber(20240131)); // through February 29
    int32_t prev = 0;
    for (int32_t d = 20231225; d != 20240310; d = FxDateAddDays(d, 1)) {
        int32_t n = FxDayNumber(d);
        EXPECT_EQ(prev ? prev + 1 : n, n);
        EXPECT_EQ(d, FxDateOfDayNumber(n));
        prev = n;
    }
}

TEST(Dates, TodayFollowsTheProgramDate) {
    FxReset();
    int32_t system = FxSystemDate();
    EXPECT_NE(0, FxDateIsValid(system));
    EXPECT_EQ(system, FxToday());
    FxSetProgramDate(20240515);
    EXPECT_EQ(20240515, FxToday());
    EXPECT_EQ(2024, FxYearOfDate(FxToday()));
    FxSetProgramDate(0);
    EXPECT_EQ(system, FxToday());
    FxReset();
}

TEST(Clock, ValuesAndTexts) {
    EXPECT_LT(FxClock(), 1440);
    EXPECT_DOUBLE_EQ(1.5, FxTimeToHours(90));
    char out[16];
    EXPECT_STREQ("13:05", FxTimeFormat(out, 13 * 60 + 5, 0));
    EXPECT_STREQ("01:05 PM", FxTimeFormat(out, 13 * 60 + 5, 4));
    EXPECT_STREQ("12:00 AM", FxTimeFormat(out, 0, 4));
    EXPECT_STREQ("12:30 PM", FxTimeFormat(out, 12 * 60 + 30, 4));
    EXPECT_STREQ("09:00", FxTimeToText(out, 540));
}

} // namespace
