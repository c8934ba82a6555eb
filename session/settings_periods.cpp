// The periods record "0Periods       ": the accounting company's when
// interfaced, else twelve calendar months of the current year and twelve
// of the next.

#include "bwps/settings.h"

#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "recman.h"
#include "bwps/files.h"
#include "bwps/table.h"

using bwps::FileNo;

namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

void FillYear(TagPeriodEntry* entries, int year)
{
    for (int month = 1; month <= 12; ++month) {
        TagPeriodEntry& e = entries[month - 1];
        std::memset(&e, 0, sizeof e);
        e.Status = 'O';
        e.State = 'I';
        std::strcpy(e.Name, kMonths[month - 1]);
        e.FirstDate = year * 10000 + month * 100 + 1;
        e.LastDate = year * 10000 + month * 100 + DaysInMonth(year, month);
    }
}

}  // namespace

extern "C" {

int BuildDefaultPeriods(void* record462)
{
    if (!record462)
        return 0;
    int year = ReadCurrentYear();
    auto* record = static_cast<TagPeriods*>(record462);
    // The key and the rest of the record are left as the caller has them.
    record->Count = 12;
    record->CurrentPeriod = -1;
    FillYear(&record->Entries[0], year);
    // The next year is built from its own calendar, so that a leap day
    // always lies in a period.
    FillYear(&record->Entries[13], year + 1);
    return 1;
}

int LoadPeriodsRecord(void* record462)
{
    if (!record462)
        return B_INVALID_OPERATION;
    if (!IsInterfacedToAccounting()) {
        BuildDefaultPeriods(record462);
        return 0;
    }
    bwps::Table file;
    bwps::Status s = file.Open(FileNo::AccountingGeneral);
    if (s.Ok()) {
        bwps::KeyBuffer key;
        std::memcpy(key.bytes, GENERAL_KEY_PERIODS, GENERAL_KEY_SIZE);
        TagPeriods record;
        s = file.Get(B_GET_EQUAL, key, record);
        if (s.Ok())
            std::memcpy(record462, &record, sizeof record);
    }
    s.Report();
    return s.status;
}

}  // extern "C"
