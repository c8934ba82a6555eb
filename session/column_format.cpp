// One column of a record as the text a list or a report shows: dates with
// the month's abbreviation, segmented codes, zip and telephone columns that
// hold only their mask shown blank, and the columns that take their values
// from a second record.
#include "bwps/screen_utils.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/ordinals.h"
#include "bwps/records/dictionary.h"
#include "bwps/records/products.h"
#include "fx.h"

namespace {

constexpr int kTextType = 2;
constexpr int kDateType = 3;
constexpr int kTimeType = 12;
constexpr int kInt16Type = 5;
constexpr int kUint16Type = 6;
constexpr int kFloatType = 9;
constexpr int kDoubleType = 10;
constexpr int kAmountType = 11;

const uint8_t* At(const void* record, size_t offset)
{
    return static_cast<const uint8_t*>(record) + offset;
}

std::string Trimmed(const std::string& s)
{
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// A text column copied out of the record: at most its picture's width, so
// that a column filled to its end is never read past.
std::string TextColumn(const void* record, const TagColumnFormat& column)
{
    const int width = FxPictureWidth(column.Picture);
    const char* text = reinterpret_cast<const char*>(At(record, static_cast<size_t>(column.Offset)));
    return std::string(text, strnlen(text, static_cast<size_t>(width > 0 ? width : 1)));
}

// The value by the column's type and picture; a floating value that is not
// a number shows blank.
std::string Formatted(const TagColumnFormat& column, int type, const void* value)
{
    if (type == kFloatType) {
        float f;
        std::memcpy(&f, value, sizeof f);
        if (!std::isfinite(f))
            return std::string();
    } else if (type == kDoubleType || type == kAmountType) {
        double d;
        std::memcpy(&d, value, sizeof d);
        if (!std::isfinite(d))
            return std::string();
    }
    char out[512] = {};
    FxFormatValue(out, column.Picture, type, value);
    return out;
}

std::string DateText(int32_t date)
{
    if (!FxDateIsValid(date))
        return std::string();
    char out[16] = {};
    FxDateWithMonth(out, date, MonthAbbreviation(date));
    return out;
}

// A zip or telephone column whose digits are all blank shows as nothing:
// only the mask's literals would be left.
bool OnlyTheMask(const std::string& text)
{
    for (char c : text)
        if (c != ' ' && c != '(' && c != ')' && c != '-')
            return false;
    return true;
}

void Finish(char* out, int width, const std::string& text)
{
    if (out == nullptr || width < 0)
        return;
    const size_t n = std::min(text.size(), static_cast<size_t>(width));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

std::string ColumnText(const void* record, const TagColumnSecondRecord* second,
                       const TagColumnFormat& column, bool shortSet)
{
    const int kind = column.Kind;
    if (column.Type == kDateType || column.Type == kTimeType) {
        int32_t value = 0;
        if (second != nullptr && kind == COLUMN_SHOW_DATE_21)
            value = second->Date21;
        else if (second != nullptr && kind == COLUMN_SHOW_DATE_25)
            value = second->Date25;
        else if (second != nullptr && kind == COLUMN_SHOW_DATE_17)
            value = second->Date17;
        else
            std::memcpy(&value, At(record, static_cast<size_t>(column.Offset)), sizeof value);
        if (column.Type == kTimeType)
            return Formatted(column, kTimeType, &value);
        return DateText(value);
    }
    if (kind == COLUMN_SHOW_CODE) {
        char out[256] = {};
        FormatCodeColumn(out, sizeof out - 1, record, &column);
        return out;
    }
    if (!shortSet && kind >= COLUMN_SHOW_PAIR && kind <= COLUMN_SHOW_PAIR_LAST) {
        if (second == nullptr)
            return std::string();
        int32_t pair[2];
        std::memcpy(pair, second->Pairs[kind - COLUMN_SHOW_PAIR], sizeof pair);
        char out[32];
        std::snprintf(out, sizeof out, "%ld/%ld", static_cast<long>(pair[0]),
                      static_cast<long>(pair[1]));
        return out;
    }
    if (shortSet && kind >= COLUMN_SHOW_FLAG && kind <= COLUMN_SHOW_FLAG_LAST) {
        const char c = static_cast<char>(*At(record, static_cast<size_t>(column.Offset)));
        return std::string(" ") + (c != '\0' ? c : ' ') + " ";
    }
    if (shortSet && kind == COLUMN_SHOW_AT_270)
        return Formatted(column, kInt16Type, At(record, offsetof(TagProduct, UnitFactor)));
    if (shortSet && kind == COLUMN_SHOW_AT_272)
        return Formatted(column, kUint16Type, At(record, offsetof(TagProduct, Value272)));
    if (column.Type == kTextType) {
        const std::string text = Formatted(column, kTextType, TextColumn(record, column).c_str());
        const bool masked = kind == COLUMN_SHOW_ZIP ||
                            (kind >= COLUMN_SHOW_PHONE && kind <= COLUMN_SHOW_PHONE_LAST);
        return masked && OnlyTheMask(text) ? std::string() : text;
    }
    return Formatted(column, column.Type, At(record, static_cast<size_t>(column.Offset)));
}

}  // namespace

extern "C" {

BWPS_EXPORT int FormatColumnValue(char* out, int width, const void* record, const void* second,
                                  const TagColumnFormat* column)
{
    if (record == nullptr || column == nullptr) {
        Finish(out, width, std::string());
        return 1;
    }
    Finish(out, width,
           ColumnText(record, static_cast<const TagColumnSecondRecord*>(second), *column, false));
    return 1;
}

BWPS_EXPORT int FormatColumnValueShort(char* out, int width, const void* record,
                                       const TagColumnFormat* column)
{
    if (record == nullptr || column == nullptr) {
        Finish(out, width, std::string());
        return 1;
    }
    Finish(out, width, ColumnText(record, nullptr, *column, true));
    return 1;
}

BWPS_EXPORT int FormatCodeColumn(char* out, int width, const void* record,
                                 const TagColumnFormat* column)
{
    if (record == nullptr || column == nullptr) {
        Finish(out, width, std::string());
        return 0;
    }
    const std::string code = Trimmed(TextColumn(record, *column));
    if (column->SegmentStart <= 0 || column->SegmentLength <= 0) {
        Finish(out, width, code);
        return 0;
    }
    const size_t start = static_cast<size_t>(column->SegmentStart - 1);
    const size_t length = static_cast<size_t>(column->SegmentLength);
    if (start + length > code.size()) {
        FxMessageBox(nullptr, "The code is shorter than its segments.", nullptr,
                     FX_MB_ICONINFORMATION, 0);
        Finish(out, width, code);
        return COLUMN_SEGMENT_OUTSIDE;
    }
    std::string text = code.substr(0, start);
    if (!text.empty())
        text += '-';
    text += code.substr(start, length);
    if (start + length < code.size())
        text += '-' + code.substr(start + length);
    Finish(out, width, text);
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(235, FormatColumnValue);
BWPS_ORDINAL(236, FormatCodeColumn);
BWPS_ORDINAL(289, FormatColumnValueShort);
