// Two session services of the printing side: the session's own printer
// entry (the text reports' printer choice 'c') and a date laid out in the
// picture mask of a date format.
#include <cstdio>
#include <cstring>

#include "bwps/export.h"
#include "bwps/records/stations.h"
#include "bwps/report_services.h"

namespace {

// The session's printer entry starts as the built-in "IBM-Default" entry:
// code 0x12 for normal and 0x0F for condensed printing.
StationPrinterEntry& SessionEntry()
{
    static StationPrinterEntry entry = [] {
        StationPrinterEntry e{};
        std::memcpy(e.name, "IBM-Default   ", 14);
        e.port = 1;
        e.linesPerPage = 66;
        e.normalCodes[0] = 0x12;
        e.condensedCodes[0] = 0x0F;
        return e;
    }();
    return entry;
}

}  // namespace

extern "C" {

BWPS_EXPORT void* GetSessionPrinterEntry(void)
{
    static_assert(sizeof(StationPrinterEntry) == 119, "printer entry");
    return &SessionEntry();
}

// Date formats by number: 0 MM/DD/YY, 1 MM/DD/YYYY, 2 DD/MM/YY,
// 3 DD/MM/YYYY, 4 YYYY-MM-DD, 5 YYYYMMDD; other numbers as 0. The date is
// yyyymmdd; the text goes into out (at least 11 bytes) and is returned. A
// date of 0 gives the empty text.
BWPS_EXPORT char* GetMaskForColumnKind(int32_t date, int format, char* out)
{
    if (out == nullptr)
        return nullptr;
    out[0] = '\0';
    if (date <= 0)
        return out;
    const int y = date / 10000 % 10000, m = date / 100 % 100, d = date % 100;
    char text[48];
    switch (format) {
    case 1: std::snprintf(text, sizeof text, "%02d/%02d/%04d", m, d, y); break;
    case 2: std::snprintf(text, sizeof text, "%02d/%02d/%02d", d, m, y % 100); break;
    case 3: std::snprintf(text, sizeof text, "%02d/%02d/%04d", d, m, y); break;
    case 4: std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d); break;
    case 5: std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d); break;
    default: std::snprintf(text, sizeof text, "%02d/%02d/%02d", m, d, y % 100); break;
    }
    std::snprintf(out, 11, "%.10s", text);
    return out;
}

}  // extern "C"
