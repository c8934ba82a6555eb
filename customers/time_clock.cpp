// The salesperson time clock: an entry is opened at clock-in, gathers four
// amounts during the shift and is closed at clock-out or when its station
// closes. Every service opens BPOSSPTM.DB itself and closes it before it
// returns, so the register holds no file between sales.
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/salespersons.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "fx.h"

namespace bwps {
namespace {

constexpr int kNoOpenEntry = 1209;
constexpr int kAskOpenEntry = 1207;
constexpr int kCloseOpenEntryRight = 73;
constexpr char kOpen = 'A';
constexpr char kClosed = 'C';
constexpr char kError = 'E';

// A one-character flag of the interface record stored as a 16-bit word:
// "N" turns the feature off.
bool FlagOff(int16_t word)
{
    const uint8_t bytes[2] = {'N', 0};
    int16_t off = 0;
    std::memcpy(&off, bytes, sizeof off);
    return word == off;
}

bool TimeClockOff()
{
    const TagSysInterface* iface = GetSysInterfaceRecord();
    if (iface == nullptr)
        return false;
    const int16_t word = iface->TimeClock;
    return FlagOff(word);
}

// The code as the files keep it: at most five characters, NUL-ended.
void CopyCode(char (&out)[6], const char* code)
{
    std::memset(out, 0, sizeof out);
    if (code != nullptr)
        std::memcpy(out, code, strnlen(code, sizeof out - 1));
}

// The time-clock file opened for one service, on key 1 while it works and
// back on key 0 before it closes.
class ClockFile {
public:
    Status Open()
    {
        Status s = file_.Open(FileNo::TimeClock);
        if (s.Ok())
            file_.SetKey(1);
        return s;
    }
    ~ClockFile()
    {
        if (file_.IsOpen())
            file_.SetKey(0);
    }
    // The first entry of the code with the status (get equal on key 1).
    Status FindOpen(const char* code, TimeClockRecord& entry, int op = B_GET_EQUAL)
    {
        TimeClockStatusKey k{};
        k.Status = kOpen;
        CopyCode(k.Code, code);
        key_.Set(k);
        return file_.Get(op, key_, entry);
    }
    Status Next(TimeClockRecord& entry) { return file_.Get(B_GET_NEXT, key_, entry); }
    Status Update(TimeClockRecord& entry) { return file_.Update(entry); }
    Status Delete() { return file_.Delete(); }

private:
    Table file_;
    KeyBuffer key_;
};

bool AllZero(TimeClockRecord& entry)
{
    double values[5] = {entry.Hours, entry.Amounts[0], entry.Amounts[1], entry.Amounts[2], entry.Amounts[3]};
    bool zero = true;
    for (double& v : values)
        zero = FxIsZeroAmount(&v) != 0 && zero;
    return zero;
}

// Writes a closed or amended entry: an entry that holds nothing (no hours,
// no amounts) is removed instead.
Status WriteOrDrop(ClockFile& file, TimeClockRecord& entry)
{
    return AllZero(entry) ? file.Delete() : file.Update(entry);
}

}  // namespace
}  // namespace bwps

using namespace bwps;

extern "C" {

int ComputeTimeClockHours(void* entryPointer, int stampNow)
{
    if (entryPointer == nullptr)
        return 1;
    TimeClockRecord entry;
    std::memcpy(&entry, entryPointer, sizeof entry);
    if (stampNow != 0) {
        entry.TimeOut = static_cast<int16_t>(FxClock());
        entry.DateOut = FxToday();
    }
    const int32_t days = FxDayNumber(entry.DateOut) - FxDayNumber(entry.DateIn);
    // An entry that ends before it starts (a date or time out typed before
    // the date or time in) has worked no hours.
    double hours = days * 24.0 + FxTimeToHours(entry.TimeOut) - FxTimeToHours(entry.TimeIn);
    if (hours < 0.0)
        hours = 0.0;
    entry.Hours = hours;
    std::memcpy(entryPointer, &entry, sizeof entry);
    return 1;
}

int NormalizeTimeClockAmounts(void* entryPointer)
{
    if (entryPointer == nullptr)
        return 0;
    TimeClockRecord entry;
    std::memcpy(&entry, entryPointer, sizeof entry);
    double values[5] = {entry.Hours, entry.Amounts[0], entry.Amounts[1], entry.Amounts[2], entry.Amounts[3]};
    for (double& v : values)
        FxIsZeroAmount(&v);
    entry.Hours = values[0];
    for (int i = 0; i < 4; ++i)
        entry.Amounts[i] = values[i + 1];
    std::memcpy(entryPointer, &entry, sizeof entry);
    return 0;
}

int ClockInSalesperson(int16_t station, const char* code)
{
    Table people, clock;
    Status s = people.Open(FileNo::Salespersons);
    if (s.Ok())
        s = clock.Open(FileNo::TimeClock);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    TimeClockRecord entry{};
    CopyCode(entry.Code, code);
    entry.Status = kOpen;
    entry.Station = station;
    entry.DateIn = FxToday();
    entry.DateOut = entry.DateIn;
    entry.TimeIn = static_cast<int16_t>(FxClock());
    SalespersonRecord person{};
    KeyBuffer key;
    std::memcpy(key.bytes, entry.Code, sizeof entry.Code);
    s = people.Get(B_GET_EQUAL, key, person);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    std::memcpy(entry.ShortCode, person.ShortCode, sizeof person.ShortCode - 1);
    ComputeTimeClockHours(&entry, 1);
    s = clock.Insert(entry);
    s.Report();
    return s.Ok() ? 1 : 0;
}

int ClockOutSalesperson(const char* code)
{
    ClockFile file;
    Status s = file.Open();
    if (!s.Ok()) {
        s.Report();
        return 1;
    }
    TimeClockRecord entry{};
    s = file.FindOpen(code, entry);
    if (s.Is(B_KEY_NOT_FOUND)) {
        ShowMessage(kNoOpenEntry, MESSAGE_DEFAULT_CONTEXT);
        return 1;
    }
    if (!s.Ok()) {
        s.Report();
        return 1;
    }
    entry.Status = kClosed;
    ComputeTimeClockHours(&entry, 1);
    // clocked out in the minute of the clock-in: nothing was worked
    const bool sameMinute = entry.DateIn == entry.DateOut && entry.TimeIn == entry.TimeOut;
    s = sameMinute ? file.Delete() : file.Update(entry);
    s.Report();
    return s.Ok() ? 0 : 1;
}

int AddTimeClockAmounts(const char* code, int32_t* found, double amount1, double amount2, double amount3,
                        double amount4)
{
    if (found != nullptr)
        *found = 1;
    if (TimeClockOff())
        return 1;
    ClockFile file;
    Status s = file.Open();
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    TimeClockRecord entry{};
    s = file.FindOpen(code, entry);
    if (!s.Ok()) {
        if (found != nullptr)
            *found = 0;
        if (!s.Is(B_KEY_NOT_FOUND))
            s.Report();
        return 0;
    }
    ComputeTimeClockHours(&entry, 1);
    const double amounts[4] = {amount1, amount2, amount3, amount4};
    for (int i = 0; i < 4; ++i)
        entry.Amounts[i] = entry.Amounts[i] + amounts[i];
    s = WriteOrDrop(file, entry);
    s.Report();
    return s.Ok() ? 1 : 0;
}

int IsSalespersonClockedIn(const char* code)
{
    if (TimeClockOff())
        return 0;
    ClockFile file;
    Status s = file.Open();
    if (!s.Ok()) {
        s.Report();
        return 1;
    }
    TimeClockRecord entry{};
    s = file.FindOpen(code, entry);
    if (s.Ok())
        return 1;
    if (!s.Is(B_KEY_NOT_FOUND))
        s.Report();
    return 0;
}

int CloseTimeClockEntriesOfStation(int32_t station)
{
    if (TimeClockOff())
        return 0;
    ClockFile file;
    Status s = file.Open();
    if (!s.Ok()) {
        s.Report();
        return 1;
    }
    TimeClockRecord entry{};
    s = file.FindOpen("", entry, B_GET_GE);
    while (s.Ok() && entry.Status == kOpen) {
        const int16_t entryStation = entry.Station;
        if (entryStation != station) {
            s = file.Next(entry);
            continue;
        }
        ComputeTimeClockHours(&entry, 1);
        entry.Status = kClosed;
        s = WriteOrDrop(file, entry);
        if (!s.Ok()) {
            // the operator sees the failure; the caller learns of it
            s.Report();
            return 1;
        }
        s = file.FindOpen("", entry, B_GET_GE);
    }
    if (!s.Ok() && !s.NotFound())
        s.Report();
    return 0;
}

int ConfirmOpenTimeClockEntry(const char* code)
{
    if (TimeClockOff())
        return 0;
    ClockFile file;
    Status s = file.Open();
    if (!s.Ok()) {
        s.Report();
        return 1;
    }
    TimeClockRecord entry{};
    s = file.FindOpen(code, entry);
    if (!s.Ok()) {
        if (!s.Is(B_KEY_NOT_FOUND))
            s.Report();
        return 0;
    }
    uint8_t colours[COLOR_SET_SIZE] = {};
    SetColorSet(colours, 5);
    int choice = 1;
    const bool asked = AskMessage(kAskOpenEntry, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, colours, -1, -1, 0,
                                  0, 0) == 0;
    const SessionBlock* session = GetSessionPaths();
    char user[BWPS_USER_ID_SIZE + 1] = {};
    std::memcpy(user, session->UserId, BWPS_USER_ID_SIZE);
    if (asked && choice != 1 && CheckUserAccess(kCloseOpenEntryRight, 0, user, 1) != 0) {
        entry.Status = kError;
        s = file.Update(entry);
        s.Report();
        return s.Ok() ? 0 : 1;
    }
    return 1;
}

}  // extern "C"

BWPS_ORDINAL(158, ConfirmOpenTimeClockEntry);
BWPS_ORDINAL(159, CloseTimeClockEntriesOfStation);
BWPS_ORDINAL(160, ClockInSalesperson);
BWPS_ORDINAL(161, ClockOutSalesperson);
BWPS_ORDINAL(162, ComputeTimeClockHours);
BWPS_ORDINAL(163, NormalizeTimeClockAmounts);
BWPS_ORDINAL(164, AddTimeClockAmounts);
BWPS_ORDINAL(165, IsSalespersonClockedIn);
