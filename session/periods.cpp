// Accounting periods: the period of a date in the current or the next
// fiscal year, period numbers, and the period check of postings.
#include "bwps/periods.h"

#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"

namespace {

constexpr int kNextYear = 13;           // entry of the next year's first period
constexpr int kNoPeriodMessage = 191;
constexpr int kBadDateMessage = 185;
constexpr int kClosedMessage = 187;
constexpr int kOtherPeriodMessage = 189;

// The record's number of periods, 0 when it lies outside 1-13 (a damaged
// or empty record has no periods).
int PeriodCount(const TagPeriods& record)
{
    return record.Count >= 1 && record.Count <= 13 ? record.Count : 0;
}

int NumberOfIndex(int index, int count)
{
    return index < kNextYear ? index + 1 : index - 12 + count;
}

bool Holds(const TagPeriodEntry& e, int32_t date)
{
    return date >= e.FirstDate && date <= e.LastDate;
}

// The entry holding the date: the current year's entries first, then the
// next year's; -1 when none.
int EntryOfDate(const TagPeriods& record, int32_t date)
{
    const int count = PeriodCount(record);
    for (int i = 0; i < count; ++i)
        if (Holds(record.Entries[i], date))
            return i;
    for (int i = kNextYear; i < kNextYear + count; ++i)
        if (Holds(record.Entries[i], date))
            return i;
    return -1;
}

}  // namespace

extern "C" {

int ShowPeriodError(int error)
{
    if (error == PERIOD_NONE)
        ShowMessage(kNoPeriodMessage, MESSAGE_DEFAULT_CONTEXT);
    else if (error == -1)
        ShowMessage(kBadDateMessage, MESSAGE_DEFAULT_CONTEXT);
    return 0;
}

int GetPeriodInfo(int flags, int32_t date, TagPeriodInfo* info)
{
    TagPeriodInfo local{};
    TagPeriodInfo& out = info != nullptr ? *info : local;
    std::memset(&out, 0, sizeof out);
    if (date == 0)
        date = FxToday();

    bwps::Table general;
    bwps::Status s = general.Open(bwps::FileNo::General);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    TagPeriods record{};
    std::memcpy(record.Key, GENERAL_KEY_PERIODS, GENERAL_KEY_SIZE);
    const int status =
        ReadGeneralRecord(0, general.Handle(), GENERAL_PERIODS_SIZE, GENERAL_KEY_PERIODS, &record);
    general.Close();
    if (status != 0)
        return status;

    const int count = PeriodCount(record);
    if (count == 0) {
        ShowMessage(kNoPeriodMessage, MESSAGE_DEFAULT_CONTEXT);
        return PERIOD_NONE;
    }
    const int lastNext = count + 12;
    out.YearFirstDate = record.Entries[0].FirstDate;
    out.NextYearFirstDate = record.Entries[kNextYear].FirstDate;
    out.CurrentPeriod = record.CurrentPeriod;
    for (int i = 0; i < 26; ++i) {
        if (record.Entries[i].State == 'A') {
            out.ActivePeriod = static_cast<int16_t>(NumberOfIndex(i, count));
            out.ActiveFirstDate = record.Entries[i].FirstDate;
            out.ActiveLastDate = record.Entries[i].LastDate;
            break;
        }
    }

    const int index = EntryOfDate(record, date);
    if (index < 0 || date < record.Entries[0].FirstDate ||
        date > record.Entries[lastNext].LastDate) {
        out.Status = 'C';
        out.State = 'I';
        out.Before = date < record.Entries[0].FirstDate ? 1 : 0;
        out.After = date > record.Entries[lastNext].LastDate ? 1 : 0;
        out.Index = -1;
        out.FirstDate = out.LastDate = FxToday();
        if (flags & PERIOD_SHOW_OUTSIDE)
            ShowMessage(kNoPeriodMessage, MESSAGE_DEFAULT_CONTEXT);
        return PERIOD_NONE;
    }
    const TagPeriodEntry& e = record.Entries[index];
    out.NextYear = index >= kNextYear ? 1 : 0;
    out.Index = static_cast<int16_t>(index);
    out.Period = static_cast<int16_t>(NumberOfIndex(index, count));
    out.Status = e.Status;
    out.State = e.State;
    out.FirstDate = e.FirstDate;
    out.LastDate = e.LastDate;

    if ((flags & PERIOD_REFUSE_CLOSED) && e.Status == 'C') {
        ShowMessage(kClosedMessage, MESSAGE_DEFAULT_CONTEXT);
        return 1;
    }
    if ((flags & PERIOD_REFUSE_OTHER) && record.CurrentPeriod != -1 &&
        record.CurrentPeriod != out.Period) {
        ShowMessage(kOtherPeriodMessage, MESSAGE_DEFAULT_CONTEXT);
        return 1;
    }
    return 0;
}

int PeriodIndexOfNumber(int number, int* index, int* nextYear, const TagPeriods* record)
{
    int i = 0, next = 0;
    if (record != nullptr && number > record->Count) {
        i = number - record->Count - 1 + kNextYear;
        next = 1;
    } else {
        i = number - 1;
    }
    if (index)
        *index = i;
    if (nextYear)
        *nextYear = next;
    return 0;
}

int FindPeriodOfDate(int32_t date, int* index, int* nextYear, const TagPeriods* record)
{
    if (record == nullptr)
        return 0;
    const int count = PeriodCount(*record);
    if (count == 0 || date < record->Entries[0].FirstDate ||
        date > record->Entries[count + 12].LastDate)
        return 0;
    const int i = EntryOfDate(*record, date);
    if (i < 0)
        return 0;
    if (index)
        *index = i;
    if (nextYear)
        *nextYear = i >= kNextYear ? 1 : 0;
    return 1;
}

int32_t PeriodDateOfRecord(int32_t date, const TagPeriods* record)
{
    if (record == nullptr)
        return 0;
    const int i = EntryOfDate(*record, date);
    if (i < 0)
        return 0;
    const TagPeriodEntry& e = record->Entries[i];
    const int firstYear = FxDateYear(e.FirstDate);
    const int year = firstYear == FxDateYear(e.LastDate) ? firstYear : FxDateYear(date);
    const int position = i < kNextYear ? i + 1 : i - kNextYear + 1;
    return FxDateOfPeriod(year, position);
}

int32_t PeriodDateOfDate(int32_t date)
{
    TagPeriods record{};
    std::memcpy(record.Key, GENERAL_KEY_PERIODS, GENERAL_KEY_SIZE);
    if (ReadGeneralRecord(0, 0, GENERAL_PERIODS_SIZE, GENERAL_KEY_PERIODS, &record) != 0)
        return 0;
    return PeriodDateOfRecord(date, &record);
}

int LocatePeriod(int32_t date, int32_t* first, int32_t* last, int* number, int* index,
                 int* nextYear, const TagPeriods* record)
{
    int32_t f = 0, l = 0;
    int n = 0, i = -1, next = 0;
    const int count = record != nullptr ? PeriodCount(*record) : 0;
    if (record == nullptr || count == 0 || record->Entries[0].FirstDate == 0 ||
        date < record->Entries[0].FirstDate) {
        n = -3;
    } else {
        for (int k = 0; k < count && n == 0; ++k) {
            if (Holds(record->Entries[k], date)) {
                f = record->Entries[k].FirstDate;
                l = record->Entries[k].LastDate;
                n = k + 1;
                i = k;
            }
        }
        if (n == 0 && date > record->Entries[count + 12].LastDate) {
            n = -4;
        } else {
            for (int k = kNextYear; k < kNextYear + count && n == 0; ++k) {
                if (Holds(record->Entries[k], date)) {
                    f = record->Entries[k].FirstDate;
                    l = record->Entries[k].LastDate;
                    n = k - 12 + count;
                    i = k;
                    next = 1;
                }
            }
        }
    }
    if (first)
        *first = f;
    if (last)
        *last = l;
    if (number)
        *number = n;
    if (index)
        *index = i;
    if (nextYear)
        *nextYear = next;
    return 0;
}

}  // extern "C"
