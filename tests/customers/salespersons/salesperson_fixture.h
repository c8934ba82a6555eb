// A company folder with the salesperson and time-clock files.
#pragma once

#include <cstring>
#include <vector>

#include "bwps/records/masters.h"
#include "bwps/salespersons.h"
#include "bwps/settings.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {

class SalespersonTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        Create(FileNo::Salespersons);
        Create(FileNo::TimeClock);
        GetSysInterfaceRecord()->TimeClock = 'Y';
        GetSysInterfaceRecord()->SystemByte44 = 'Y';
    }

    static SalespersonRecord Person(const char* code, const char* name, const char* shortCode = "")
    {
        SalespersonRecord r{};
        std::strncpy(r.Code, code, sizeof r.Code - 1);
        std::strncpy(r.Name, name, sizeof r.Name - 1);
        std::strncpy(r.ShortCode, shortCode, sizeof r.ShortCode - 1);
        return r;
    }
    void PutPerson(const SalespersonRecord& r)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Salespersons), r.Code, sizeof r.Code, &r, sizeof r), 0);
    }
    std::vector<SalespersonRecord> People() { return ReadAll<SalespersonRecord>(Path(FileNo::Salespersons)); }
    std::vector<TimeClockRecord> Entries() { return ReadAll<TimeClockRecord>(Path(FileNo::TimeClock)); }

    // Rewrites the time-clock file with these entries.
    void PutEntries(const std::vector<TimeClockRecord>& entries)
    {
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, Path(FileNo::TimeClock).c_str(), 0, 0), 0);
        uint8_t key[256] = {};
        TimeClockRecord r{};
        while (BtrGet(B_GET_FIRST, h, key, &r, sizeof r) == 0)
            BtrWrite(B_DELETE, h, nullptr, &r, 0);
        for (TimeClockRecord e : entries)
            ASSERT_EQ(BtrWrite(B_INSERT, h, key, &e, sizeof e), 0);
        BtrCloseFile(h);
    }

    static TimeClockRecord Entry(const char* code, char status, int16_t station, int32_t dateIn, int16_t timeIn,
                                 int32_t dateOut = 0, int16_t timeOut = 0)
    {
        TimeClockRecord e{};
        std::strncpy(e.Code, code, sizeof e.Code - 1);
        e.Status = status;
        e.Station = station;
        e.DateIn = dateIn;
        e.TimeIn = timeIn;
        e.DateOut = dateOut != 0 ? dateOut : dateIn;
        e.TimeOut = timeOut != 0 ? timeOut : timeIn;
        return e;
    }
};

}  // namespace bwps::test
