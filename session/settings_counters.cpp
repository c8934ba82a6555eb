// Counters of the general settings file ("0lastnumbers   ", "0TransInfo     "),
// the current year and the host's defaults.

#include "bwps/settings.h"

#include <cstdio>
#include <cstring>

#include "bwps/catalogue.h"
#include "recman.h"
#include "session/catalogue_internal.h"
#include "bwps/files.h"
#include "bwps/table.h"

using bwps::FileNo;

namespace {

using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kTakeBias = B_LOCK_MULTI_NOWAIT;   // 400
constexpr int kYearLockBias = B_LOCK_SINGLE_NOWAIT; // 200
constexpr int kUnlockAllOperation = -2;          // as the error report names it

KeyBuffer GeneralKey(const char* key)
{
    KeyBuffer buffer;
    std::memcpy(buffer.bytes, key, GENERAL_KEY_SIZE);
    return buffer;
}

// The number right-aligned in 10 characters.
void RightAligned(char* text, long value)
{
    char formatted[32];
    std::snprintf(formatted, sizeof formatted, "%10ld", value);
    std::memcpy(text, formatted, 10);
    text[10] = '\0';
}

// Reads one record of the general file by its key.
template <class R>
Status Read(Table& file, int op, const char* key, R& record)
{
    KeyBuffer buffer = GeneralKey(key);
    return file.Get(op, buffer, record);
}

// Writes (insert or update) one record of the general file under its key.
template <class R>
Status Write(Table& file, int op, const char* key, R& record)
{
    KeyBuffer buffer = GeneralKey(key);
    return file.Write(op, &record, static_cast<int>(sizeof record), &buffer);
}

// Releases every multiple-record lock of the file.
Status ReleaseLocks(Table& file)
{
    Status s = file.UnlockAll();
    if (!s.Ok())
        s.operation = kUnlockAllOperation;
    return s;
}

// The result of an exported call: the failure, if any, is reported here
// once; true on success.
int Reported(const Status& s)
{
    s.Report();
    return s.Ok();
}

// Takes or reads counter `counter` of "0lastnumbers   ": text := counter + 1;
// `second`, when given, takes counter 3 as well. `reportUnlock`: an unlock
// failure is reported too.
Status LastNumber(Table& file, int counter, int take, char* textOut, int32_t* second,
                  bool reportUnlock)
{
    TagLastNumbers record{};
    Status s = Read(file, B_GET_EQUAL + (take ? kTakeBias : 0), GENERAL_KEY_LASTNUMBERS, record);
    if (!s.Ok()) {
        // A record too short for its struct was read, and locked, all the
        // same: the lock goes with the failure.
        if (take)
            file.UnlockAll();
        return s;
    }
    if (textOut)
        RightAligned(textOut, static_cast<long>(record.Counters[counter]) + 1);
    if (second)
        *second = record.Counters[3];
    if (!take)
        return s;
    record.Counters[counter] += 1;
    if (second)
        record.Counters[3] += 1;
    s = Write(file, B_UPDATE, GENERAL_KEY_LASTNUMBERS, record);
    const Status unlocked = ReleaseLocks(file);
    if (s.Ok() && reportUnlock)
        return unlocked;
    return s;
}

}  // namespace

extern "C" {

int ReadLastNumbers(uint16_t handle, int take, char* textOut, int32_t* valueOut)
{
    Table file;
    Status s = file.Borrow(FileNo::General, handle);
    if (s.Ok())
        s = LastNumber(file, 0, take, textOut, valueOut, false);
    return Reported(s);
}

int NextLastNumber(int counter, uint16_t handle, int take, char* textOut)
{
    if (counter < 0 || counter >= 11)
        return 0;
    Table file;
    Status s = file.Borrow(FileNo::General, handle);
    if (s.Ok())
        s = LastNumber(file, counter, take, textOut, nullptr, true);
    return Reported(s);
}

int NextTransactionNumber(int kind, uint16_t handle, int take, char* textOut)
{
    if (kind < 0 || kind >= 31)
        return 0;
    Table file;
    Status s = file.Borrow(FileNo::General, handle);
    if (!s.Ok())
        return Reported(s);
    TagTransInfo record{};
    // ReadGeneralRecord reports its own failure.
    if (ReadGeneralRecord(take ? kTakeBias : 0, file.Handle(), GENERAL_TRANSINFO_SIZE,
                          GENERAL_KEY_TRANSINFO, &record) != 0)
        return 0;
    long number = static_cast<long>(record.Counters[kind]) + 1;
    if (textOut) {
        char text[32];
        if (kind <= 6 && record.Alignment[kind][0] == 'Y') {
            // Left-aligned, blank padded: 10 characters and the NUL.
            std::snprintf(text, sizeof text, "%-10ld", number);
            std::memcpy(textOut, text, 10);
            textOut[10] = '\0';
        } else {
            RightAligned(text, number);
            std::memcpy(textOut, text, 11);
        }
    }
    if (take) {
        if (kind == 1 || kind == 2) {
            record.Counters[1] += 1;
            record.Counters[2] += 1;
        } else {
            record.Counters[kind] += 1;
        }
        s = Write(file, B_UPDATE, GENERAL_KEY_TRANSINFO, record);
        const Status unlocked = ReleaseLocks(file);
        if (s.Ok())
            s = unlocked;
    }
    return Reported(s);
}

int ReadCurrentYear(void)
{
    const int year = bwps::catalogue::Today() / 10000;
    Table file;
    Status s = file.Open(FileNo::General);
    TagCurrentYear record{};
    if (s.Ok())
        s = Read(file, B_GET_EQUAL, GENERAL_KEY_CURRENTYEAR, record);
    if (s.Ok())
        return record.Year;
    if (!s.Is(B_KEY_NOT_FOUND))
        s.Report();
    return year;
}

int WriteCurrentYear(int year)
{
    Table file;
    Status s = file.Open(FileNo::General);
    if (!s.Ok())
        return Reported(s);
    TagCurrentYear record{};
    s = Read(file, B_GET_EQUAL + kYearLockBias, GENERAL_KEY_CURRENTYEAR, record);
    if (s.Ok()) {
        // The stored year moves on by one, whatever year was given.
        record.Year = static_cast<int16_t>(record.Year + 1);
        s = Write(file, B_UPDATE, GENERAL_KEY_CURRENTYEAR, record);
        file.Unlock();
        return Reported(s);
    }
    if (!s.Is(B_KEY_NOT_FOUND))
        return Reported(s);
    if (year < 1)
        return 0;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.Key, GENERAL_KEY_CURRENTYEAR, GENERAL_KEY_SIZE);
    record.Year = static_cast<int16_t>(year);
    return Reported(Write(file, B_INSERT, GENERAL_KEY_CURRENTYEAR, record));
}

int ReadHostDefaults(void* buffer290)
{
    Table file;
    Status s = file.Open(FileNo::General);
    if (!s.Ok())
        return Reported(s);
    TagHostDefaults record{};
    s = Read(file, B_GET_EQUAL, GENERAL_KEY_HOSTDEFAULTS, record);
    if (s.Ok()) {
        if (buffer290)
            std::memcpy(buffer290, &record, sizeof record);
        return 1;
    }
    if (!s.NotFound())
        s.Report();
    return 0;
}

int WriteHostDefaults(const void* buffer290)
{
    Table file;
    Status s = file.Open(FileNo::General);
    if (!s.Ok())
        return Reported(s);
    TagHostDefaults record{};
    s = Read(file, B_GET_EQUAL, GENERAL_KEY_HOSTDEFAULTS, record);
    if (!s.Ok() && !s.NotFound())
        return Reported(s);
    const int op = s.Ok() ? B_UPDATE : B_INSERT;
    std::memset(&record, 0, sizeof record);
    if (buffer290)
        std::memcpy(&record, buffer290, sizeof record);
    std::memcpy(record.Key, GENERAL_KEY_HOSTDEFAULTS, GENERAL_KEY_SIZE);
    return Reported(Write(file, op, GENERAL_KEY_HOSTDEFAULTS, record));
}

}  // extern "C"
