// bwps/records/running_totals.h: the running totals and counts of the master
// records that a copy of a company's set-up data starts again from: runs of
// equal fields written as {offset, width, count, value}. Amounts (8 bytes)
// become 0; counts (4 bytes) become the value given.
#ifndef BWPS_RECORDS_RUNNING_TOTALS_H
#define BWPS_RECORDS_RUNNING_TOTALS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bwps/files.h"
#include "bwps/records/accounts.h"
#include "bwps/records/masters.h"
#include "bwps/records/products.h"

namespace bwps::records {

struct TotalsRun {
    std::size_t offset;  // first field
    std::size_t width;   // 4 (a count) or 8 (an amount)
    int count;           // fields one after another
    int32_t value;       // a count's new value; amounts become 0
};

struct TotalsReset {
    FileNo file;
    std::size_t recordSize;
    const TotalsRun* runs;
    int runCount;
};

inline constexpr TotalsRun kAccountTotals[] = {
    {80, 4, 2, 1}, {88, 8, 8, 0}, {152, 8, 26, 0}, {360, 8, 13, 0}, {464, 8, 13, 0},
};
inline constexpr TotalsRun kCustomerTotals[] = {
    {126, 8, 1, 0}, {142, 8, 6, 0}, {190, 4, 5, 0}, {210, 4, 5, 0},
    {230, 8, 5, 0}, {270, 8, 5, 0}, {310, 8, 5, 0},
};
inline constexpr TotalsRun kProductTotals[] = {
    {282, 4, 2, 0}, {330, 8, 4, 0}, {610, 8, 2, 0}, {370, 8, 5, 0}, {410, 8, 5, 0},
    {450, 8, 5, 0}, {490, 8, 5, 0}, {530, 8, 5, 0}, {570, 8, 5, 0},
};
inline constexpr TotalsRun kServiceTotals[] = {
    {95, 4, 1, 0}, {115, 8, 5, 0}, {155, 8, 5, 0},
};
inline constexpr TotalsRun kSalespersonTotals[] = {
    {107, 8, 1, 0}, {115, 8, 13, 0}, {219, 8, 13, 0}, {323, 8, 13, 0}, {427, 8, 13, 0},
};
inline constexpr TotalsRun kTaxTotals[] = {
    {162, 8, 26, 0}, {370, 8, 26, 0}, {578, 8, 26, 0}, {786, 8, 26, 0},
};

// In the order the set-up copy takes the files.
inline constexpr TotalsReset kTotalsResets[] = {
    {FileNo::Accounts, sizeof(TagAccount), kAccountTotals, std::size(kAccountTotals)},
    {FileNo::Customers, sizeof(CustomerRecord), kCustomerTotals, std::size(kCustomerTotals)},
    {FileNo::Products, sizeof(TagProduct), kProductTotals, std::size(kProductTotals)},
    {FileNo::Services, sizeof(ServiceRecord), kServiceTotals, std::size(kServiceTotals)},
    {FileNo::Salespersons, sizeof(SalespersonRecord), kSalespersonTotals,
     std::size(kSalespersonTotals)},
    {FileNo::TaxTable, sizeof(TaxRecord), kTaxTotals, std::size(kTaxTotals)},
};

constexpr bool TotalsFit(const TotalsReset& r)
{
    for (int i = 0; i < r.runCount; ++i)
        if (r.runs[i].offset + r.runs[i].width * static_cast<std::size_t>(r.runs[i].count) >
            r.recordSize)
            return false;
    return true;
}
static_assert(TotalsFit(kTotalsResets[0]) && TotalsFit(kTotalsResets[1]) &&
              TotalsFit(kTotalsResets[2]) && TotalsFit(kTotalsResets[3]) &&
              TotalsFit(kTotalsResets[4]) && TotalsFit(kTotalsResets[5]));

// The reset of a file, or null.
inline const TotalsReset* TotalsResetOf(FileNo file)
{
    for (const TotalsReset& r : kTotalsResets)
        if (r.file == file) return &r;
    return nullptr;
}

// Applies the reset to a record of `length` bytes; runs past its end are
// left out.
inline void ResetTotals(const TotalsReset& r, unsigned char* record, std::size_t length)
{
    for (int i = 0; i < r.runCount; ++i) {
        const TotalsRun& run = r.runs[i];
        for (int n = 0; n < run.count; ++n) {
            const std::size_t at = run.offset + run.width * static_cast<std::size_t>(n);
            if (at + run.width > length) return;
            if (run.width == 4) std::memcpy(record + at, &run.value, 4);
            else std::memset(record + at, 0, run.width);
        }
    }
}

}  // namespace bwps::records

#endif
