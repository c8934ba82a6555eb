// Dates (year*10000 + month*100 + day) and clock values (minutes).
#include "internal.hpp"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

int32_t gProgramDate = 0;
int32_t gSystemDate = 0; // 0: read the clock at each call

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int d[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : d[m - 1];
}

bool split(int32_t date, int& y, int& m, int& d) {
    if (date <= 0) return false;
    y = date / 10000;
    m = date / 100 % 100;
    d = date % 100;
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

// Days from 0001-01-01 (day 0) of a civil date.
long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    long era = y / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

void civilFromDays(long z, int& y, int& m, int& d) {
    long era = z / 146097;
    long doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long yy = yoe + era * 400;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

const long kDay1900 = daysFromCivil(1900, 1, 1);

int32_t make(int y, int m, int d) { return y * 10000 + m * 100 + d; }

int32_t clockDate() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return make(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

int readNumber(const std::string& s, size_t& i, int maxDigits, int& digits) {
    int v = 0;
    digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && digits < maxDigits) {
        v = v * 10 + (s[i] - '0');
        ++i;
        ++digits;
    }
    return v;
}

int fullYear(int y, int digits) {
    if (digits <= 2) return y < 50 ? 2000 + y : 1900 + y;
    return y;
}

} // namespace

namespace fx {
void resetDates() {
    gProgramDate = 0;
    gSystemDate = 0;
}
} // namespace fx

extern "C" {

int FxDateIsValid(int32_t date) {
    int y, m, d;
    return split(date, y, m, d) ? 1 : 0;
}

int32_t FxSystemDate(void) { return gSystemDate ? gSystemDate : clockDate(); }

void FxTodayRefresh(void) { gSystemDate = 0; }

int32_t FxToday(void) { return gProgramDate ? gProgramDate : FxSystemDate(); }

int FxSetProgramDate(int32_t date) {
    gProgramDate = FxDateIsValid(date) ? date : 0;
    return 0;
}

int32_t FxDateParse(const char* text) {
    if (!text) return 0;
    std::string s = fx::trimmed(text);
    if (s.empty()) return 0;
    bool allDigits = true;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) allDigits = false;
    int y = 0, m = 0, d = 0;
    if (allDigits) {
        if (s.size() == 8) { // YYYYMMDD
            y = std::stoi(s.substr(0, 4));
            m = std::stoi(s.substr(4, 2));
            d = std::stoi(s.substr(6, 2));
        } else if (s.size() == 6) { // MMDDYY
            m = std::stoi(s.substr(0, 2));
            d = std::stoi(s.substr(2, 2));
            y = fullYear(std::stoi(s.substr(4, 2)), 2);
        } else {
            return 0;
        }
    } else {
        size_t i = 0;
        int dm, dd, dy;
        m = readNumber(s, i, 2, dm);
        if (!dm || i >= s.size() || !std::strchr("/-.", s[i])) return 0;
        char sep = s[i++];
        d = readNumber(s, i, 2, dd);
        if (!dd || i >= s.size() || s[i] != sep) return 0;
        ++i;
        y = readNumber(s, i, 4, dy);
        if (i != s.size() || (dy != 2 && dy != 4)) return 0;
        y = fullYear(y, dy);
    }
    int32_t date = make(y, m, d);
    return FxDateIsValid(date) ? date : 0;
}

int FxDateValid(const char* text) { return FxDateParse(text) != 0 ? 1 : 0; }

int FxDateCheck(const char* text) {
    int32_t date = FxDateParse(text);
    int year = date / 10000;
    return date != 0 && year >= 1900 && year <= 2099 ? 1 : 0;
}

int FxDateMonth(int32_t date) {
    int y, m, d;
    return split(date, y, m, d) ? m : 0;
}

char* FxDateWithMonth(char* out, int32_t date, const char* month) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!out) return out;
    int y, m, d;
    if (!split(date, y, m, d)) {
        out[0] = '\0';
        return out;
    }
    char name[4] = {};
    std::strncpy(name, month && *month ? month : kMonths[m - 1], 3);
    std::snprintf(out, 13, "%s %02d, %04d", name, d, y);
    return out;
}

char* FxDateFormat(char* out, int32_t date) {
    if (!out) return out;
    int y, m, d;
    if (!split(date, y, m, d)) {
        out[0] = '\0';
        return out;
    }
    // split() keeps month and day in range; the modulo tells the compiler so.
    std::snprintf(out, 9, "%02u/%02u/%02u", unsigned(m) % 100u, unsigned(d) % 100u, unsigned(y) % 100u);
    return out;
}

char* FxDateFormatLong(char* out, int32_t date) {
    if (!out) return out;
    int y, m, d;
    if (!split(date, y, m, d)) {
        out[0] = '\0';
        return out;
    }
    std::snprintf(out, 11, "%02d/%02d/%04d", m, d, y);
    return out;
}

int32_t FxDateOfPeriod(int year, int month) {
    int32_t date = make(year, month, 1);
    return FxDateIsValid(date) ? date : 0;
}

int FxDateYear(int32_t date) { return date > 0 ? date / 10000 : 0; }

int FxYearOfDate(int32_t date) { return FxDateYear(date); }

int32_t FxMonthEnd(int32_t date) {
    int y, m, d;
    if (!split(date, y, m, d)) return 0;
    return make(y, m, daysInMonth(y, m));
}

int32_t FxDayNumber(int32_t date) {
    int y, m, d;
    if (!split(date, y, m, d)) return 0;
    return static_cast<int32_t>(daysFromCivil(y, m, d) - kDay1900 + 1);
}

int32_t FxDateOfDayNumber(int32_t day) {
    int y, m, d;
    civilFromDays(day - 1 + kDay1900, y, m, d);
    int32_t date = make(y, m, d);
    return FxDateIsValid(date) ? date : 0;
}

int32_t FxDateAddDays(int32_t date, int days) {
    int32_t n = FxDayNumber(date);
    if (!n) return 0;
    return FxDateOfDayNumber(n + days);
}

int32_t FxDateAdjust(int32_t date, int n) { return n == -1 ? FxMonthEnd(date) : FxDateAddDays(date, n); }

int32_t FxDateAddMonths(int32_t date, int months) {
    int y, m, d;
    if (!split(date, y, m, d)) return 0;
    long total = static_cast<long>(y) * 12 + (m - 1) + months;
    if (total < 12 || total >= 10000L * 12) return 0;
    y = static_cast<int>(total / 12);
    m = static_cast<int>(total % 12) + 1;
    if (d > daysInMonth(y, m)) d = daysInMonth(y, m);
    return make(y, m, d);
}

int32_t FxDateAddYears(int32_t date, int years) {
    int y, m, d;
    if (!split(date, y, m, d)) return date; // not a date: kept as it is
    int32_t moved = FxDateAddMonths(date, years * 12);
    return moved ? moved : date;
}

uint16_t FxClock(void) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return static_cast<uint16_t>(tm.tm_hour * 60 + tm.tm_min);
}

double FxTimeToHours(int32_t time) { return time / 60.0; }

char* FxTimeFormat(char* out, int32_t time, int style) {
    if (!out) return out;
    if (time < 0) time = 0;
    int h = time / 60 % 24, mi = time % 60;
    if (style == 4)
        std::snprintf(out, 9, "%02d:%02d %s", h % 12 == 0 ? 12 : h % 12, mi, h < 12 ? "AM" : "PM");
    else
        std::snprintf(out, 6, "%02d:%02d", h, mi);
    return out;
}

char* FxTimeNowText(char* out, int style) { return FxTimeFormat(out, FxClock(), style); }

char* FxTimeToText(char* out, int32_t value) {
    if (!out) return out;
    if (value >= 0 && value < 24 * 60) return FxTimeFormat(out, value, 0);
    int y, m, d;
    if (split(value, y, m, d)) return FxDateFormatLong(out, value);
    out[0] = '\0';
    return out;
}

} // extern "C"
