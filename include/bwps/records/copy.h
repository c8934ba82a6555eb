// bwps/records/copy.h: byte copies between two record layouts, written as
// {to, from, width} tables over the layouts' field offsets.
#ifndef BWPS_RECORDS_COPY_H
#define BWPS_RECORDS_COPY_H

#include <cstddef>
#include <cstring>

namespace bwps::records {

struct ByteCopy {
    std::size_t to;     // offset in the target record
    std::size_t from;   // offset in the source record
    std::size_t width;  // bytes
};

// Copies every row of the table from `from` into `to`. The table's rows lie
// inside To and From (checked where the table is constant).
template <class To, class From, std::size_t N>
void CopyBytes(To* to, const From* from, const ByteCopy (&table)[N])
{
    auto* out = reinterpret_cast<unsigned char*>(to);
    const auto* in = reinterpret_cast<const unsigned char*>(from);
    for (const ByteCopy& row : table)
        std::memcpy(out + row.to, in + row.from, row.width);
}

// True when every row of the table lies inside both layouts.
template <class To, class From, std::size_t N>
constexpr bool FitsBoth(const ByteCopy (&table)[N])
{
    for (const ByteCopy& row : table)
        if (row.to + row.width > sizeof(To) || row.from + row.width > sizeof(From))
            return false;
    return true;
}

}  // namespace bwps::records

#endif
