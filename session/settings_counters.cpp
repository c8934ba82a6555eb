// Counters of the general settings file ("0lastnumbers   ", "0TransInfo     "),
// the current year and the host's defaults.

#include "bwps/settings.h"

#include <cstdio>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "recman.h"
#include "session/catalogue_internal.h"
#include "bwps/files.h"

using bwps::FileNo;
using bwps::No;

namespace {

constexpr int kTakeBias = B_LOCK_MULTI_NOWAIT;   // 400
constexpr int kYearLockBias = B_LOCK_SINGLE_NOWAIT; // 200

// A handle of the store's general file: the caller's, or one opened here
// and closed when this goes out of scope.
class GeneralFile {
public:
    explicit GeneralFile(uint16_t handle) : handle_(handle)
    {
        if (handle_ != 0)
            return;
        status_ = BtrOpenFile(&handle_, GetDataFilePath(No(FileNo::General)), 0, 0);
        if (status_ != 0) {
            handle_ = 0;
            ReportRecordManagerError(status_, 1, OPEN_OPERATION, No(FileNo::General), 0);
        } else {
            owned_ = true;
        }
    }
    ~GeneralFile()
    {
        if (owned_)
            BtrCloseFile(handle_);
    }
    GeneralFile(const GeneralFile&) = delete;
    GeneralFile& operator=(const GeneralFile&) = delete;
    bool ok() const { return status_ == 0; }
    int status() const { return status_; }
    uint16_t handle() const { return handle_; }

private:
    uint16_t handle_;
    int status_ = 0;
    bool owned_ = false;
};

void Key(char* keyBuffer, const char* key)
{
    std::memset(keyBuffer, 0, 256);
    std::memcpy(keyBuffer, key, GENERAL_KEY_SIZE);
}

// The number right-aligned in 10 characters.
void RightAligned(char* text, long value)
{
    char formatted[32];
    std::snprintf(formatted, sizeof formatted, "%10ld", value);
    std::memcpy(text, formatted, 10);
    text[10] = '\0';
}

// Reads one record of the general file by its key; the status.
int Get(uint16_t handle, int op, const char* key, void* record, int length)
{
    char keyBuffer[256];
    Key(keyBuffer, key);
    return BtrGet(op, handle, keyBuffer, record, length);
}

// Reads "0lastnumbers   ", locked for update when a number is taken; a
// failure is reported. The status.
int GetLastNumbers(uint16_t handle, int take, TagLastNumbers& record)
{
    int status = Get(handle, B_GET_EQUAL + (take ? kTakeBias : 0), GENERAL_KEY_LASTNUMBERS,
                     &record, GENERAL_LASTNUMBERS_SIZE);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::General), 0);
    return status;
}

int Update(uint16_t handle, const char* key, void* record, int length)
{
    char keyBuffer[256];
    Key(keyBuffer, key);
    int status = BtrWrite(B_UPDATE, handle, keyBuffer, record, length);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_UPDATE, No(FileNo::General), 0);
    return status;
}

void ReleaseLocks(uint16_t handle)
{
    int status = BtrUnlock(-2, handle, nullptr);
    if (status != 0)
        ReportRecordManagerError(status, 1, -2, No(FileNo::General), 0);
}

}  // namespace

extern "C" {

int ReadLastNumbers(uint16_t handle, int take, char* textOut, int32_t* valueOut)
{
    GeneralFile file(handle);
    if (!file.ok())
        return 0;
    TagLastNumbers record{};
    int status = GetLastNumbers(file.handle(), take, record);
    if (status != 0)
        return 0;
    if (textOut)
        RightAligned(textOut, static_cast<long>(record.Counters[0]) + 1);
    if (valueOut)
        *valueOut = record.Counters[3];
    if (take) {
        record.Counters[0] += 1;
        if (valueOut)
            record.Counters[3] += 1;
        status = Update(file.handle(), GENERAL_KEY_LASTNUMBERS, &record, GENERAL_LASTNUMBERS_SIZE);
        BtrUnlock(-2, file.handle(), nullptr);
    }
    return status == 0;
}

int NextLastNumber(int counter, uint16_t handle, int take, char* textOut)
{
    if (counter < 0 || counter >= 11)
        return 0;
    GeneralFile file(handle);
    if (!file.ok())
        return 0;
    TagLastNumbers record{};
    int status = GetLastNumbers(file.handle(), take, record);
    if (status != 0)
        return 0;
    if (textOut)
        RightAligned(textOut, static_cast<long>(record.Counters[counter]) + 1);
    if (take) {
        record.Counters[counter] += 1;
        status = Update(file.handle(), GENERAL_KEY_LASTNUMBERS, &record, GENERAL_LASTNUMBERS_SIZE);
        ReleaseLocks(file.handle());
    }
    return status == 0;
}

int NextTransactionNumber(int kind, uint16_t handle, int take, char* textOut)
{
    if (kind < 0 || kind >= 31)
        return 0;
    GeneralFile file(handle);
    if (!file.ok())
        return 0;
    TagTransInfo record{};
    int status = ReadGeneralRecord(take ? kTakeBias : 0, file.handle(), GENERAL_TRANSINFO_SIZE,
                                   GENERAL_KEY_TRANSINFO, &record);
    if (status != 0)
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
        status = Update(file.handle(), GENERAL_KEY_TRANSINFO, &record, GENERAL_TRANSINFO_SIZE);
        ReleaseLocks(file.handle());
    }
    return status == 0;
}

int ReadCurrentYear(void)
{
    int year = bwps::catalogue::Today() / 10000;
    GeneralFile file(0);
    if (!file.ok())
        return year;
    TagCurrentYear record{};
    int status = Get(file.handle(), B_GET_EQUAL, GENERAL_KEY_CURRENTYEAR, &record,
                     GENERAL_CURRENTYEAR_SIZE);
    if (status == 0)
        return record.Year;
    if (status != B_KEY_NOT_FOUND)
        ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::General), 0);
    return year;
}

int WriteCurrentYear(int year)
{
    GeneralFile file(0);
    if (!file.ok())
        return 0;
    TagCurrentYear record{};
    int status = Get(file.handle(), B_GET_EQUAL + kYearLockBias, GENERAL_KEY_CURRENTYEAR, &record,
                     GENERAL_CURRENTYEAR_SIZE);
    if (status == 0) {
        // The stored year moves on by one, whatever year was given.
        record.Year = static_cast<int16_t>(record.Year + 1);
        status = Update(file.handle(), GENERAL_KEY_CURRENTYEAR, &record, GENERAL_CURRENTYEAR_SIZE);
        BtrUnlock(0, file.handle(), nullptr);
        return status == 0;
    }
    if (status == B_KEY_NOT_FOUND) {
        if (year < 1)
            return 0;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.Key, GENERAL_KEY_CURRENTYEAR, GENERAL_KEY_SIZE);
        record.Year = static_cast<int16_t>(year);
        char keyBuffer[256];
        Key(keyBuffer, GENERAL_KEY_CURRENTYEAR);
        status = BtrWrite(B_INSERT, file.handle(), keyBuffer, &record, GENERAL_CURRENTYEAR_SIZE);
        if (status != 0)
            ReportRecordManagerError(status, 1, B_INSERT, No(FileNo::General), 0);
        return status == 0;
    }
    ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::General), 0);
    return 0;
}

int ReadHostDefaults(void* buffer290)
{
    GeneralFile file(0);
    if (!file.ok())
        return 0;
    TagHostDefaults record{};
    int status = Get(file.handle(), B_GET_EQUAL, GENERAL_KEY_HOSTDEFAULTS, &record,
                     GENERAL_HOSTDEFAULTS_SIZE);
    if (status == 0) {
        if (buffer290)
            std::memcpy(buffer290, &record, GENERAL_HOSTDEFAULTS_SIZE);
        return 1;
    }
    if (status != B_KEY_NOT_FOUND && status != B_END_OF_FILE)
        ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::General), 0);
    return 0;
}

int WriteHostDefaults(const void* buffer290)
{
    GeneralFile file(0);
    if (!file.ok())
        return 0;
    TagHostDefaults stored{};
    int status = Get(file.handle(), B_GET_EQUAL, GENERAL_KEY_HOSTDEFAULTS, &stored,
                     GENERAL_HOSTDEFAULTS_SIZE);
    int op;
    if (status == 0)
        op = B_UPDATE;
    else if (status == B_KEY_NOT_FOUND || status == B_END_OF_FILE)
        op = B_INSERT;
    else {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::General), 0);
        return 0;
    }
    TagHostDefaults record{};
    if (buffer290)
        std::memcpy(&record, buffer290, GENERAL_HOSTDEFAULTS_SIZE);
    std::memcpy(record.Key, GENERAL_KEY_HOSTDEFAULTS, GENERAL_KEY_SIZE);
    char keyBuffer[256];
    Key(keyBuffer, GENERAL_KEY_HOSTDEFAULTS);
    status = BtrWrite(op, file.handle(), keyBuffer, &record, GENERAL_HOSTDEFAULTS_SIZE);
    if (status != 0)
        ReportRecordManagerError(status, 1, op, No(FileNo::General), 0);
    return status == 0;
}

}  // extern "C"
