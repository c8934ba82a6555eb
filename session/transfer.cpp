// Comma-separated export and import of a data file by dictionary columns.
#include "bwps/files.h"
#include "bwps/transfer.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/report_services.h"
#include "bwps/table.h"
#include "bwps/records/general.h"
#include "bwps/records/products.h"
#include "fx.h"
#include "items/product_defaults.h"
#include "recman.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kMemoryMessage = 1;
constexpr int kNoRecordMessage = 309;
constexpr int kTextFileMessage = 617;
constexpr int kMaxParts = 64;
constexpr int kListParts = 14;
constexpr int kCountRow = 5;
constexpr int kLineRow = 6;

struct Column {
    TagColumnInfo info;
    int width = 0;            // text: characters before the NUL
    int decimalsOffset = -1;  // amount: offset of its 16-bit decimals column
    bool blanks = true;       // text: padded with blanks (else with NULs)
    bool known = false;       // the padding was seen in the file
};

// Padding of a stored text: blanks up to the field's width (before its
// NUL), or NULs after the text. Each file keeps its texts one way (its
// records as written by its editors and by the company's creation); an
// imported text takes the padding of the same column in the file's first
// record, so that a code typed in an editor and the same code imported are
// one key.
enum class Pad { Unknown, Blanks, Nuls };

Pad PaddingOf(const uint8_t* field, int width)
{
    const auto* text = reinterpret_cast<const char*>(field);
    const size_t length = strnlen(text, static_cast<size_t>(width) + 1);
    if (length >= static_cast<size_t>(width)) {
        // full: blanks at its end tell
        return width > 0 && text[width - 1] == ' ' ? Pad::Blanks : Pad::Unknown;
    }
    return length > 0 ? Pad::Nuls : Pad::Unknown;
}

// The padding of each text column, from the file's records (the first
// that show it); blanks (the transfer's own padding) where none does.
void LearnPadding(uint16_t handle, std::vector<Column>& columns, int length)
{
    std::vector<uint8_t> record(static_cast<size_t>(length));
    char key[256] = {};
    int seen = 0;
    for (int st = BtrGet(B_GET_FIRST, handle, key, record.data(), length); st == 0 && seen < 64;
         st = BtrGet(B_GET_NEXT, handle, key, record.data(), length), ++seen) {
        bool all = true;
        for (Column& col : columns) {
            if (col.info.Kind != COLUMN_TEXT || col.known)
                continue;
            const Pad pad = PaddingOf(record.data() + col.info.Offset, col.width);
            if (pad != Pad::Unknown) {
                col.blanks = pad == Pad::Blanks;
                col.known = true;
            } else {
                all = false;
            }
        }
        if (all)
            break;
    }
}

// The record with each text column padded the other way (to find a key
// stored before the file settled on one way).
void OtherPadding(const std::vector<Column>& columns, uint8_t* record)
{
    for (const Column& col : columns) {
        if (col.info.Kind != COLUMN_TEXT)
            continue;
        char* field = reinterpret_cast<char*>(record + col.info.Offset);
        const size_t size = static_cast<size_t>(col.width) + 1;
        std::string text(field, strnlen(field, size));
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        std::memset(field, 0, size);
        std::memcpy(field, text.data(), text.size());
        if (!col.blanks)
            FxPadBlanks(field, col.width + 1);
    }
}

struct Columns {
    std::vector<Column> list;
};

void SetError(TransferContext* c, const std::string& text)
{
    std::snprintf(c->Error, sizeof c->Error, "%s", text.c_str());
}

// Shows the failure of a line: one message naming file, line and column.
void ShowLineError(TransferContext* c)
{
    FxMessageBox(nullptr, c->Error, "Import", FX_MB_ICONERROR, 0);
}

std::string Where(const TransferContext* c, int line, int column)
{
    std::string s = std::string(c->Path) + ", line " + std::to_string(line);
    if (column > 0)
        s += ", column " + std::to_string(column);
    return s + ": ";
}

int PictureWidth(const char* picture)
{
    char work[20] = {};
    std::snprintf(work, sizeof work, "%s", picture);
    FxTrimText(5, work);
    return FxPictureWidth(work);
}

int PictureDecimals(const char* picture)
{
    int decimals = 0, width = 0, sign = 0;
    if (FxPictureNumberInfo(picture, &decimals, &width, &sign) != 0)
        return 2;
    return decimals;
}

// The column list of the context: parts 1-14 of the text, each a list of
// column numbers. False (with the error set) when a column cannot be read
// or is of a kind this transfer cannot write.
bool BuildColumns(TransferContext* c, Columns& columns)
{
    std::vector<std::string> parts;
    std::string text = c->ColumnList;
    size_t start = 0;
    while (static_cast<int>(parts.size()) < kMaxParts) {
        const size_t end = text.find(';', start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    uint16_t dictionary = 0;
    if (OpenColumnDictionary(&dictionary) != 0) {
        SetError(c, "the data dictionary cannot be opened");
        return false;
    }
    char table[13];
    DataFileTableName(c->FileNumber, table);
    const int length = GetDataFileRecordLength(c->FileNumber);
    bool ok = true;
    for (size_t p = 1; p < parts.size() && p <= kListParts && ok; ++p) {
        const std::string& part = parts[p];
        size_t i = 0;
        while (i < part.size() && ok) {
            size_t comma = part.find(',', i);
            std::string item = part.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
            i = comma == std::string::npos ? part.size() : comma + 1;
            char* end = nullptr;
            const long number = std::strtol(item.c_str(), &end, 10);
            while (end && *end == ' ')
                ++end;
            if (item.find_first_not_of(' ') == std::string::npos)
                continue;
            if (end == item.c_str() || (end && *end != '\0') || number < 1 || number > 32767) {
                SetError(c, "\"" + item + "\" is not a column number");
                ok = false;
                break;
            }
            Column col;
            if (GetColumnDefinition(dictionary, static_cast<int>(number), table, &col.info) != 0) {
                SetError(c, "column " + std::to_string(number) + " is not in the data dictionary");
                ok = false;
                break;
            }
            const int kind = col.info.Kind;
            if (kind < COLUMN_CHAR || kind > COLUMN_AMOUNT) {
                SetError(c, "column " + std::to_string(number) + " is of a kind that cannot be transferred");
                ok = false;
                break;
            }
            col.width = kind == COLUMN_TEXT ? PictureWidth(col.info.Picture) : 0;
            if (kind == COLUMN_AMOUNT && col.info.Decimals != DICTIONARY_NO_DECIMALS) {
                TagColumnInfo decimals;
                if (GetColumnDefinition(dictionary, col.info.Decimals, table, &decimals) == 0 &&
                    decimals.Kind == COLUMN_INT16 && decimals.Offset + 2 <= length)
                    col.decimalsOffset = decimals.Offset;
            }
            const int size = kind == COLUMN_TEXT ? col.width + 1 : col.info.Length;
            if (col.info.Offset < 0 || col.info.Offset + size > length) {
                SetError(c, "column " + std::to_string(number) + " lies outside the record");
                ok = false;
                break;
            }
            columns.list.push_back(col);
        }
    }
    BtrCloseFile(dictionary);
    if (ok && columns.list.empty()) {
        SetError(c, "no column is listed");
        ok = false;
    }
    return ok;
}

template <class T>
T Read(const uint8_t* record, int offset)
{
    T v;
    std::memcpy(&v, record + offset, sizeof v);
    return v;
}

template <class T>
void Write(uint8_t* record, int offset, T v)
{
    std::memcpy(record + offset, &v, sizeof v);
}

std::string Quoted(const std::string& text, char quote)
{
    std::string out(1, quote);
    for (char ch : text) {
        out += ch;
        if (ch == quote)
            out += quote;
    }
    out += quote;
    return out;
}

std::string Number(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    if (std::strcmp(text, "-0") == 0 || std::strspn(text, "-0.") == std::strlen(text))
        std::snprintf(text, sizeof text, "%.*f", decimals, 0.0);
    return text;
}

// One column's value as text.
std::string FormatValue(const Column& col, const uint8_t* record, char quote)
{
    const int o = col.info.Offset;
    switch (col.info.Kind) {
    case COLUMN_CHAR: {
        const char ch = static_cast<char>(record[o]);
        return ch == '\0' ? std::string() : std::string(1, ch);
    }
    case COLUMN_TEXT: {
        std::string text(reinterpret_cast<const char*>(record + o),
                         strnlen(reinterpret_cast<const char*>(record + o), static_cast<size_t>(col.width)));
        std::vector<char> work(text.begin(), text.end());
        work.push_back('\0');
        FxTrimText(4, work.data());
        return Quoted(work.data(), quote);
    }
    case COLUMN_DATE: {
        const int32_t date = Read<int32_t>(record, o);
        if (date == 0)
            return std::string();
        char text[16] = {};
        FxDateFormatLong(text, date);
        return text;
    }
    case COLUMN_BYTE: return std::to_string(record[o]);
    case COLUMN_INT16: return std::to_string(Read<int16_t>(record, o));
    case COLUMN_UINT16: return std::to_string(Read<uint16_t>(record, o));
    case COLUMN_INT32: return std::to_string(Read<int32_t>(record, o));
    case COLUMN_UINT32: return std::to_string(Read<uint32_t>(record, o));
    case COLUMN_FLOAT: return Number(Read<float>(record, o), PictureDecimals(col.info.Picture));
    case COLUMN_DOUBLE: return Number(Read<double>(record, o), PictureDecimals(col.info.Picture));
    case COLUMN_AMOUNT: {
        int decimals = PictureDecimals(col.info.Picture);
        if (col.decimalsOffset >= 0) {
            const int16_t stored = Read<int16_t>(record, col.decimalsOffset);
            decimals = stored < 0 ? 0 : stored > 9 ? 9 : stored;
        }
        return Number(Read<double>(record, o), decimals);
    }
    default: return std::string();
    }
}

// Splits one line into fields (RFC 4180 within one line). False with the
// error text set.
bool SplitLine(const std::string& line, char separator, char quote, std::vector<std::string>& fields,
               std::vector<bool>& quoted, std::string& error, int& errorField)
{
    fields.clear();
    quoted.clear();
    size_t i = 0;
    for (;;) {
        std::string field;
        bool isQuoted = false;
        if (i < line.size() && line[i] == quote) {
            isQuoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == quote) {
                    if (i + 1 < line.size() && line[i + 1] == quote) {
                        field += quote;
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                field += line[i++];
            }
            if (!closed) {
                error = "a quoted text is not closed";
                errorField = static_cast<int>(fields.size()) + 1;
                return false;
            }
            if (i < line.size() && line[i] != separator) {
                error = "a quote stands inside a value";
                errorField = static_cast<int>(fields.size()) + 1;
                return false;
            }
        } else {
            while (i < line.size() && line[i] != separator) {
                if (line[i] == quote) {
                    error = "a quote stands inside a value";
                    errorField = static_cast<int>(fields.size()) + 1;
                    return false;
                }
                field += line[i++];
            }
        }
        fields.push_back(field);
        quoted.push_back(isQuoted);
        if (i >= line.size())
            break;
        ++i;   // the separator
    }
    return true;
}

bool ParseInteger(const std::string& text, long long low, long long high, long long& value)
{
    std::string t = text;
    while (!t.empty() && t.front() == ' ')
        t.erase(0, 1);
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    if (t.empty()) {
        value = 0;
        return true;
    }
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (errno != 0 || end == t.c_str() || *end != '\0' || v < low || v > high)
        return false;
    value = v;
    return true;
}

bool ParseReal(const std::string& text, double& value)
{
    std::string t = text;
    while (!t.empty() && t.front() == ' ')
        t.erase(0, 1);
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    if (t.empty()) {
        value = 0;
        return true;
    }
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (errno != 0 || end == t.c_str() || *end != '\0' || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

// Stores one field in the record by its column; false with the reason.
bool StoreValue(const Column& col, const std::string& text, uint8_t* record, std::string& why)
{
    const int o = col.info.Offset;
    long long n = 0;
    double d = 0;
    switch (col.info.Kind) {
    case COLUMN_CHAR:
        if (text.size() > 1) {
            why = "\"" + text + "\" is longer than one character";
            return false;
        }
        record[o] = text.empty() ? 0 : static_cast<uint8_t>(text[0]);
        return true;
    case COLUMN_TEXT: {
        if (static_cast<int>(text.size()) > col.width) {
            why = "the text is longer than " + std::to_string(col.width) + " characters";
            return false;
        }
        char* field = reinterpret_cast<char*>(record + o);
        std::memset(field, 0, static_cast<size_t>(col.width) + 1);
        std::memcpy(field, text.data(), text.size());
        FxTrimText(4, field);
        if (col.blanks)
            FxPadBlanks(field, col.width + 1);
        return true;
    }
    case COLUMN_DATE: {
        std::string t = text;
        while (!t.empty() && t.back() == ' ')
            t.pop_back();
        if (t.find_first_not_of(' ') == std::string::npos) {
            Write<int32_t>(record, o, 0);
            return true;
        }
        const int32_t date = FxDateParse(t.c_str());
        if (date == 0) {
            why = "\"" + text + "\" is not a date";
            return false;
        }
        Write<int32_t>(record, o, date);
        return true;
    }
    case COLUMN_BYTE:
        if (!ParseInteger(text, 0, 255, n))
            break;
        record[o] = static_cast<uint8_t>(n);
        return true;
    case COLUMN_INT16:
        if (!ParseInteger(text, INT16_MIN, INT16_MAX, n))
            break;
        Write<int16_t>(record, o, static_cast<int16_t>(n));
        return true;
    case COLUMN_UINT16:
        if (!ParseInteger(text, 0, UINT16_MAX, n))
            break;
        Write<uint16_t>(record, o, static_cast<uint16_t>(n));
        return true;
    case COLUMN_INT32:
        if (!ParseInteger(text, INT32_MIN, INT32_MAX, n))
            break;
        Write<int32_t>(record, o, static_cast<int32_t>(n));
        return true;
    case COLUMN_UINT32:
        if (!ParseInteger(text, 0, UINT32_MAX, n))
            break;
        Write<uint32_t>(record, o, static_cast<uint32_t>(n));
        return true;
    case COLUMN_FLOAT:
        if (!ParseReal(text, d) || std::fabs(d) > std::numeric_limits<float>::max())
            break;
        Write<float>(record, o, static_cast<float>(d));
        return true;
    case COLUMN_DOUBLE:
    case COLUMN_AMOUNT:
        if (!ParseReal(text, d))
            break;
        Write<double>(record, o, d);
        return true;
    default:
        why = "the column cannot be read";
        return false;
    }
    why = "\"" + text + "\" is not a number of this column";
    return false;
}

// A value holds text only: no NUL or other control character, and valid
// UTF-8. False with the reason.
bool PlainText(const std::string& text, std::string& why)
{
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x20 || b == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", b);
            why = std::string("the value holds the control character ") + hex;
            return false;
        }
        int more = 0;
        uint32_t code = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
            code = b & 0x1Fu;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            code = b & 0x0Fu;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            code = b & 0x07u;
        } else {
            why = "the value is not valid UTF-8";
            return false;
        }
        if (i + static_cast<size_t>(more) >= text.size()) {
            why = "the value is not valid UTF-8";
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            const auto n = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((n & 0xC0u) != 0x80u) {
                why = "the value is not valid UTF-8";
                return false;
            }
            code = (code << 6) | (n & 0x3Fu);
        }
        // overlong forms, surrogates and values beyond U+10FFFF
        if ((more == 2 && code < 0x800) || (more == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            why = "the value is not valid UTF-8";
            return false;
        }
        i += static_cast<size_t>(more) + 1;
    }
    return true;
}

// The values a column of a master file may hold, as its editor offers
// them; a value outside them is refused with its line and column.
struct Allowed {
    bwps::FileNo file;
    int offset;
    const char* letters;  // a character column: one of these
    int low, high;        // a number column: within these
    const char* what;     // what the column holds
};

constexpr Allowed kAllowed[] = {
    {bwps::FileNo::Products, 268, nullptr, 1, 3, "the item type is 1 (Normal), 2 (Non-Inventory) or 3 (Negative)"},
    {bwps::FileNo::Products, 667, "AI", 0, 0, "the status is A (active) or I (inactive)"},
    {bwps::FileNo::Products, 262, "YN", 0, 0, "the flag is Y or N"},
    {bwps::FileNo::Products, 263, "YN", 0, 0, "the flag is Y or N"},
    {bwps::FileNo::Products, 264, "YN", 0, 0, "the flag is Y or N"},
    {bwps::FileNo::Products, 265, "YN", 0, 0, "the flag is Y or N"},
    {bwps::FileNo::Products, 266, "YN", 0, 0, "the flag is Y or N"},
    {bwps::FileNo::Products, 267, "YN", 0, 0, "the flag is Y or N"},
    {bwps::FileNo::Products, 270, nullptr, 1, INT16_MAX, "the units are at least 1"},
    {bwps::FileNo::Products, 272, nullptr, 1, INT16_MAX, "the units are at least 1"},
};

// False (with the reason) when the column's stored value is outside what
// its file allows.
bool WithinAllowed(const TransferContext* c, const Column& col, const uint8_t* record, std::string& why)
{
    for (const Allowed& a : kAllowed) {
        if (bwps::No(a.file) != c->FileNumber || a.offset != col.info.Offset)
            continue;
        bool ok = true;
        const int o = col.info.Offset;
        switch (col.info.Kind) {
        case COLUMN_CHAR: ok = a.letters != nullptr && record[o] != 0 && std::strchr(a.letters, record[o]) != nullptr; break;
        case COLUMN_BYTE: ok = record[o] >= a.low && record[o] <= a.high; break;
        case COLUMN_INT16: ok = Read<int16_t>(record, o) >= a.low && Read<int16_t>(record, o) <= a.high; break;
        case COLUMN_UINT16: ok = Read<uint16_t>(record, o) >= a.low && Read<uint16_t>(record, o) <= a.high; break;
        default: break;
        }
        if (!ok) {
            why = a.what;
            return false;
        }
    }
    return true;
}

// Fills the record (cleared first) from one line. False with the error set.
bool FillRecord(TransferContext* c, const Columns& columns, const std::string& line, uint8_t* record)
{
    std::memset(record, 0, static_cast<size_t>(c->RecordLength));
    std::vector<std::string> fields;
    std::vector<bool> quoted;
    std::string why;
    int field = 0;
    if (!SplitLine(line, c->Separator, c->Quote, fields, quoted, why, field)) {
        SetError(c, Where(c, c->LineNumber, field) + why);
        return false;
    }
    if (fields.size() != columns.list.size()) {
        SetError(c, Where(c, c->LineNumber, 0) + std::to_string(fields.size()) + " values for " +
                        std::to_string(columns.list.size()) + " columns");
        return false;
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!PlainText(fields[i], why) || !StoreValue(columns.list[i], fields[i], record, why)) {
            SetError(c, Where(c, c->LineNumber, static_cast<int>(i) + 1) + why);
            return false;
        }
        if (!WithinAllowed(c, columns.list[i], record, why)) {
            SetError(c, Where(c, c->LineNumber, static_cast<int>(i) + 1) + "\"" + fields[i] + "\": " + why);
            return false;
        }
    }
    return true;
}

// What a record new to the file starts from before the listed columns go
// onto it: a product starts as the product editor starts a new one, from
// the company's default product; other records from zeros (empty).
std::vector<uint8_t> NewRecordStart(int fileNumber)
{
    std::vector<uint8_t> start;
    if (fileNumber != bwps::No(bwps::FileNo::Products))
        return start;
    TagProduct product{};
    TagDefaults stored{};
    bwps::Table general;
    if (!general.Open(bwps::FileNo::General).Ok() ||
        !bwps::ReadProductDefaults(general.Handle(), &stored, &product))
        bwps::BuiltInProductDefaults(&product);
    bwps::StartProductFromDefaults(&product);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&product);
    start.assign(bytes, bytes + sizeof product);
    return start;
}

// The listed columns of the record put onto the start of a new record.
void OntoNewRecord(const std::vector<uint8_t>& start, const Columns& columns, uint8_t* record, int length)
{
    if (start.empty() || static_cast<int>(start.size()) > length)
        return;
    std::vector<uint8_t> fresh(start);
    for (const Column& col : columns.list) {
        const int size = col.info.Kind == COLUMN_TEXT ? col.width + 1 : col.info.Length;
        std::memcpy(fresh.data() + col.info.Offset, record + col.info.Offset, static_cast<size_t>(size));
    }
    std::memcpy(record, fresh.data(), fresh.size());
}

std::string TrimmedText(const uint8_t* field, int size)
{
    std::string text(reinterpret_cast<const char*>(field),
                     strnlen(reinterpret_cast<const char*>(field), static_cast<size_t>(size)));
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool SameText(const uint8_t* a, const uint8_t* b, int size)
{
    return TrimmedText(a, size) == TrimmedText(b, size);
}

// Reads the next line without its line end; false at the end of the file.
// A line longer than the limit gives `tooLong`.
// Reading stops at the limit (and its line end): a line without end is
// never taken into memory.
bool NextLine(std::FILE* file, std::string& line, int limit, bool& tooLong)
{
    line.clear();
    tooLong = false;
    // room for the limit and a CR before the LF
    const size_t most = limit > 0 ? static_cast<size_t>(limit) + 1 : std::string::npos;
    int ch;
    bool any = false;
    while ((ch = std::fgetc(file)) != EOF) {
        any = true;
        if (ch == '\n')
            break;
        if (line.size() >= most) {
            tooLong = true;
            return true;
        }
        line += static_cast<char>(ch);
    }
    if (!any)
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (limit > 0 && static_cast<int>(line.size()) > limit)
        tooLong = true;
    return true;
}

void ShowCount(TransferContext* c, int row, long value)
{
    if (c->Progress == nullptr)
        return;
    char text[32];
    std::snprintf(text, sizeof text, "%ld", value);
    FxStatusSetLine(static_cast<FxStatus*>(c->Progress), row, text);
}

bool UserBreak()
{
    uint8_t work[32] = {};
    return ReportCheckUserBreak(work) != 0;
}

// The key-0 value of a record, built from the key's segments; `unique`
// (when given) tells whether the key admits no duplicates.
void KeyOfRecord(uint16_t handle, const uint8_t* record, char* key, bool* unique = nullptr)
{
    std::memset(key, 0, 256);
    if (unique != nullptr)
        *unique = true;
    std::vector<uint8_t> info(RECMAN_STAT_BUFFER);
    auto* segment = static_cast<TagKeySegment*>(BtrGetKeyInfo(handle, info.data(), 0));
    int at = 0;
    for (int i = 0; segment != nullptr && i < RECMAN_MAX_SEGMENTS; ++i, ++segment) {
        if (at + segment->Length > 255)
            break;
        if (unique != nullptr && (segment->Flags & KF_DUPLICATES))
            *unique = false;
        std::memcpy(key + at, record + segment->Position - 1, segment->Length);
        at += segment->Length;
        if (!(segment->Flags & KF_SEGMENTED))
            break;
    }
}

class TextFile {
public:
    ~TextFile() { Close(); }
    bool Open(const std::string& path, const char* mode)
    {
        file_ = std::fopen(path.c_str(), mode);
        return file_ != nullptr;
    }
    bool Close()
    {
        bool ok = true;
        if (file_ != nullptr)
            ok = std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }
    // Reading: a regular file only (a folder, device or pipe is refused
    // without waiting on it); `why` says what the path is otherwise.
    bool OpenRegular(const std::string& path, std::string& why)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            why = "the text file cannot be opened";
            return false;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            why = S_ISDIR(st.st_mode) ? "is a folder, not a text file" : "is not a regular file";
            return false;
        }
        file_ = ::fdopen(fd, "rb");
        if (file_ == nullptr) {
            ::close(fd);
            why = "the text file cannot be opened";
        }
        return file_ != nullptr;
    }
    std::FILE* get() const { return file_; }

private:
    std::FILE* file_ = nullptr;
};

}  // namespace

extern "C" {

int ListFileColumns(int fileNumber, char* out, int size)
{
    if (out == nullptr || size < 1)
        return 0;
    out[0] = '\0';
    uint16_t dictionary = 0;
    if (BtrOpenFile(&dictionary, GetDataFilePath(bwps::No(bwps::FileNo::DictionaryColumns)), 0, 0) != 0)
        return 0;
    char table[13];
    DataFileTableName(fileNumber, table);
    const int length = GetDataFileRecordLength(fileNumber);
    char key[256] = {};
    std::memcpy(key, table, 12);
    TagDictionaryRecord record{};
    std::string list;
    int count = 0;
    for (int s = BtrGet(B_GET_GE, dictionary, key, &record, DICTIONARY_RECORD_SIZE);
         s == 0 && std::memcmp(record.TableName, table, 12) == 0;
         s = BtrGet(B_GET_NEXT, dictionary, key, &record, DICTIONARY_RECORD_SIZE)) {
        if (record.Offset + record.Length > length)
            continue;
        const std::string item = (count ? "," : "") + std::to_string(record.Number);
        if (static_cast<int>(list.size() + item.size()) >= size)
            break;
        list += item;
        ++count;
    }
    BtrCloseFile(dictionary);
    std::snprintf(out, static_cast<size_t>(size), "%s", list.c_str());
    return count;
}

int ExportDataFileToText(TransferContext* c)
{
    c->Error[0] = '\0';
    c->RecordCount = 0;
    c->LineNumber = 0;
    Columns columns;
    if (!BuildColumns(c, columns)) {
        FxMessageBox(nullptr, c->Error, "Export", FX_MB_ICONERROR, 0);
        return 0;
    }
    std::vector<uint8_t> record(static_cast<size_t>(std::max(c->RecordLength, GetDataFileRecordLength(c->FileNumber))));
    // The context holds the column list and the text file only while this
    // call runs.
    struct Forget {
        TransferContext* c;
        ~Forget()
        {
            c->Columns = nullptr;
            c->TextFile = nullptr;
            c->Handle = 0;
        }
    } forget{c};
    c->Columns = &columns;

    // The text goes to a file beside the target, put in place at the end:
    // a failed export leaves the target as it was.
    const std::string target = c->Path;
    const std::string work = target + ".new";
    std::error_code ec;
    // Only a regular file (or no file) is replaced: a link, pipe, device or
    // folder at the path stays what it is.
    const fs::file_status was = fs::symlink_status(target, ec);
    if (fs::exists(was) && !fs::is_regular_file(was)) {
        SetError(c, target + ": is not a regular file; nothing was written");
        ShowMessage(kTextFileMessage, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    const fs::file_status aside = fs::symlink_status(work, ec);
    if (fs::exists(aside) && !fs::is_regular_file(aside)) {
        SetError(c, work + ": is not a regular file; nothing was written");
        ShowMessage(kTextFileMessage, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    fs::remove(work, ec);
    if (c->Mode == TRANSFER_APPEND && fs::exists(target)) {
        fs::copy_file(target, work, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            SetError(c, target + ": the text file cannot be copied");
            ShowMessage(kTextFileMessage, MESSAGE_DEFAULT_CONTEXT);
            return 0;
        }
    }
    TextFile text;
    if (!text.Open(work, "ab")) {
        SetError(c, target + ": the text file cannot be written");
        ShowMessage(kTextFileMessage, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    c->TextFile = text.get();

    bwps::Table data;
    bwps::Status s = data.Open(static_cast<bwps::FileNo>(c->FileNumber));
    if (!s.Ok()) {
        s.Report();
        SetError(c, std::string(GetDataFileName(c->FileNumber)) + ": the data file cannot be opened (status " +
                        std::to_string(s.status) + ")");
        text.Close();
        fs::remove(work, ec);
        return 0;
    }
    c->Handle = data.Handle();
    const int length = static_cast<int>(record.size());
    char key[256] = {};
    long count = 0;
    for (int st = BtrGet(B_GET_FIRST, c->Handle, key, record.data(), length); st == 0;
         st = BtrGet(B_GET_NEXT, c->Handle, key, record.data(), length))
        ShowCount(c, kCountRow, ++count);
    c->RecordCount = static_cast<int32_t>(count);

    int status = BtrGet(B_GET_FIRST, c->Handle, key, record.data(), length);
    if (status != 0) {
        if (status != B_END_OF_FILE)
            ReportRecordManagerError(status, 1, B_GET_FIRST, c->FileNumber, 0);
        ShowMessage(kNoRecordMessage, MESSAGE_DEFAULT_CONTEXT);
        SetError(c, std::string(GetDataFileName(c->FileNumber)) + " holds no record");
        text.Close();
        fs::remove(work, ec);
        return 0;
    }
    bool ok = true;
    while (status == 0) {
        if (UserBreak()) {
            SetError(c, "the export was stopped");
            ok = false;
            break;
        }
        ShowCount(c, kLineRow, ++c->LineNumber);
        std::string line;
        for (size_t i = 0; i < columns.list.size(); ++i) {
            if (i)
                line += c->Separator;
            line += FormatValue(columns.list[i], record.data(), c->Quote);
        }
        line += "\r\n";
        if (std::fwrite(line.data(), 1, line.size(), text.get()) != line.size()) {
            ShowMessage(kTextFileMessage, MESSAGE_DEFAULT_CONTEXT);
            SetError(c, target + ": the text file cannot be written");
            ok = false;
            break;
        }
        status = BtrGet(B_GET_NEXT, c->Handle, key, record.data(), length);
    }
    if (ok && status != B_END_OF_FILE) {
        ReportRecordManagerError(status, 1, B_GET_NEXT, c->FileNumber, 0);
        SetError(c, std::string(GetDataFileName(c->FileNumber)) + ": a record cannot be read (status " +
                        std::to_string(status) + ")");
        ok = false;
    }
    if (!text.Close() && ok) {
        ShowMessage(kTextFileMessage, MESSAGE_DEFAULT_CONTEXT);
        SetError(c, target + ": the text file cannot be written");
        ok = false;
    }
    c->TextFile = nullptr;
    c->Columns = nullptr;
    c->Handle = 0;
    if (ok) {
        fs::rename(work, target, ec);
        if (ec) {
            ShowMessage(kTextFileMessage, MESSAGE_DEFAULT_CONTEXT);
            SetError(c, target + ": the text file cannot be put in place");
            ok = false;
        }
    }
    if (!ok)
        fs::remove(work, ec);
    return ok ? 1 : 0;
}

int ImportDataFileFromText(TransferContext* c)
{
    c->Error[0] = '\0';
    c->RecordCount = 0;
    c->LineNumber = 0;
    Columns columns;
    if (!BuildColumns(c, columns)) {
        FxMessageBox(nullptr, c->Error, "Import", FX_MB_ICONERROR, 0);
        return 0;
    }
    const int length = GetDataFileRecordLength(c->FileNumber);
    if (c->Record == nullptr || c->RecordLength < length) {
        SetError(c, "the record buffer is shorter than the record");
        ShowMessage(kMemoryMessage, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    struct Forget {
        TransferContext* c;
        ~Forget()
        {
            c->Columns = nullptr;
            c->TextFile = nullptr;
            c->Line = nullptr;
            c->Handle = 0;
        }
    } forget{c};
    c->Columns = &columns;
    TextFile text;
    std::string why;
    if (!text.OpenRegular(c->Path, why)) {
        SetError(c, std::string(c->Path) + ": " + why);
        ShowMessage(kTextFileMessage, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    c->TextFile = text.get();
    bwps::Table data;
    bwps::Status s = data.Open(static_cast<bwps::FileNo>(c->FileNumber), 1024);
    if (!s.Ok()) {
        s.Report();
        SetError(c, std::string(GetDataFileName(c->FileNumber)) + ": the data file cannot be opened (status " +
                        std::to_string(s.status) + ")");
        return 0;
    }
    c->Handle = data.Handle();
    LearnPadding(c->Handle, columns.list, length);
    const std::vector<uint8_t> start = NewRecordStart(c->FileNumber);
    auto* record = static_cast<uint8_t*>(c->Record);
    std::vector<uint8_t> stored(static_cast<size_t>(length));
    char key[256];
    // A key stored with its texts padded the other way is the same key:
    // the record then takes the stored texts.
    auto exists = [&](uint8_t* r) {
        KeyOfRecord(c->Handle, r, key);
        if (BtrGet(B_GET_EQUAL, c->Handle, key, stored.data(), length) == 0)
            return true;
        std::vector<uint8_t> other(r, r + length);
        OtherPadding(columns.list, other.data());
        char otherKey[256];
        KeyOfRecord(c->Handle, other.data(), otherKey);
        if (std::memcmp(otherKey, key, sizeof key) == 0 ||
            BtrGet(B_GET_EQUAL, c->Handle, otherKey, stored.data(), length) != 0) {
            KeyOfRecord(c->Handle, r, key);
            return false;
        }
        std::memcpy(r, other.data(), static_cast<size_t>(length));
        std::memcpy(key, otherKey, sizeof key);
        return true;
    };
    auto call = [&](int event) {
        if (c->Callback == nullptr)
            return true;
        c->Event = event;
        return c->Callback(c) != 0;
    };
    auto finish = [&](bool ok) {
        text.Close();
        c->TextFile = nullptr;
        if (c->Report != nullptr)
            c->Report = nullptr;
        c->Columns = nullptr;
        call(TRANSFER_EVENT_END);
        c->Handle = 0;
        if (!ok && c->Error[0] != '\0')
            ShowLineError(c);
        return ok ? 1 : 0;
    };

    // Every line is read and checked before anything is written.
    std::map<std::string, int> seen;  // key -> the line that gave it
    call(TRANSFER_EVENT_BEGIN);
    std::string line;
    bool tooLong = false;
    int lines = 0;
    while (NextLine(text.get(), line, c->LineLength, tooLong)) {
        c->LineNumber = ++lines;
        ShowCount(c, kCountRow, lines);
        if (tooLong) {
            SetError(c, Where(c, lines, 0) + "the line is longer than " + std::to_string(c->LineLength) +
                            " characters");
            return finish(false);
        }
        if (line.empty())
            continue;
        if (UserBreak()) {
            SetError(c, "the import was stopped");
            return finish(false);
        }
        if (!FillRecord(c, columns, line, record))
            return finish(false);
        c->Exists = exists(record) ? 1 : 0;
        if (!c->Exists)
            OntoNewRecord(start, columns, record, length);
        // One key once in the text: a second line would overwrite the
        // first or fail half-way.
        bool unique = true;
        KeyOfRecord(c->Handle, record, key, &unique);
        const auto [first, fresh] = seen.emplace(std::string(key, key + 255), lines);
        if (unique && !fresh) {
            SetError(c, Where(c, lines, 0) + "the key of line " + std::to_string(first->second) +
                            " comes again: the record already exists");
            return finish(false);
        }
        // Without a callback every line is an insert: a key that is in the
        // file is refused now.
        if (c->Callback == nullptr && c->Exists) {
            SetError(c, Where(c, lines, 0) + "the record already exists");
            return finish(false);
        }
        if (c->Callback != nullptr) {
            c->Event = TRANSFER_EVENT_SCAN_LINE;
            if (!c->Callback(c) || c->Event == TRANSFER_EVENT_SCAN_FAILED) {
                if (c->Error[0] == '\0')
                    SetError(c, Where(c, lines, 0) + "the line is refused");
                return finish(false);
            }
        }
    }
    std::rewind(text.get());

    // What was written, so that a failed write can take it back: the old
    // record of an update, the key of an insert.
    struct Done {
        int op;
        std::string key;
        std::vector<uint8_t> old;
    };
    std::vector<Done> done;
    auto undo = [&]() {
        std::vector<uint8_t> current(static_cast<size_t>(length));
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            char k[256];
            std::memcpy(k, it->key.data(), 255);
            k[255] = 0;
            if (BtrGet(B_GET_EQUAL, c->Handle, k, current.data(), length) != 0)
                continue;
            if (it->op == B_INSERT)
                BtrWrite(B_DELETE, c->Handle, k, current.data(), length);
            else
                BtrWrite(B_UPDATE, c->Handle, k, it->old.data(), length);
        }
        done.clear();
    };

    bwps::WriteBatch batch;
    if (!batch.Begun().Ok()) {
        batch.Begun().Report();
        SetError(c, "the records cannot be written together (status " +
                        std::to_string(batch.Begun().status) + ")");
        return finish(false);
    }
    lines = 0;
    while (NextLine(text.get(), line, c->LineLength, tooLong)) {
        c->LineNumber = ++lines;
        ShowCount(c, kLineRow, lines);
        if (line.empty())
            continue;
        if (UserBreak()) {
            undo();
            SetError(c, "the import was stopped; nothing was written");
            return finish(false);
        }
        if (!FillRecord(c, columns, line, record)) {
            undo();
            return finish(false);
        }
        const bool found = exists(record);
        c->Exists = found ? 1 : 0;
        if (!found)
            OntoNewRecord(start, columns, record, length);
        int op = B_INSERT;
        if (c->Callback != nullptr) {
            c->Event = TRANSFER_EVENT_WRITE_LINE;
            c->Action = 0;
            c->Decision = 0;
            if (!c->Callback(c) || c->Action == TRANSFER_ACTION_STOP) {
                undo();
                if (c->Error[0] == '\0')
                    SetError(c, Where(c, lines, 0) + "the import was stopped; nothing was written");
                return finish(false);
            }
            if (c->Exists) {
                if (c->Action == TRANSFER_ACTION_SKIP ||
                    (c->Action == TRANSFER_ACTION_DECIDE && c->Decision == 0))
                    continue;
                op = B_UPDATE;
            }
        }
        int status = 0;
        Done entry{op == B_UPDATE && found ? B_UPDATE : B_INSERT, std::string(key, key + 255),
                   op == B_UPDATE && found ? stored : std::vector<uint8_t>()};
        if (op == B_UPDATE && found) {
            // The listed columns go onto the stored record: columns the
            // file does not list keep their values.
            for (const Column& col : columns.list) {
                const int size = col.info.Kind == COLUMN_TEXT ? col.width + 1 : col.info.Length;
                // A text that reads the same (blanks and the end of the text
                // aside) keeps its stored bytes.
                if (col.info.Kind == COLUMN_TEXT &&
                    SameText(stored.data() + col.info.Offset, record + col.info.Offset, size))
                    continue;
                std::memcpy(stored.data() + col.info.Offset, record + col.info.Offset,
                            static_cast<size_t>(size));
            }
            status = BtrWrite(B_UPDATE, c->Handle, key, stored.data(), length);
        } else {
            status = BtrWrite(B_INSERT, c->Handle, key, record, length);
        }
        if (status == 0) {
            if (entry.op == B_INSERT)
                KeyOfRecord(c->Handle, record, key);
            entry.key.assign(key, key + 255);
            done.push_back(std::move(entry));
        }
        if (status != 0) {
            undo();
            ReportRecordManagerError(status, 1, op, c->FileNumber, 0);
            SetError(c, Where(c, lines, 0) +
                            (status == B_DUPLICATE_KEY ? std::string("the record already exists")
                                                       : "the record cannot be written (status " +
                                                             std::to_string(status) + ")") +
                            "; nothing was written");
            return finish(false);
        }
        ++c->RecordCount;
    }
    const bwps::Status committed = batch.Commit();
    if (!committed.Ok()) {
        undo();
        committed.Report();
        SetError(c, "the records cannot be written (status " + std::to_string(committed.status) + ")");
        return finish(false);
    }
    return finish(true);
}

}  // extern "C"

BWPS_ORDINAL(321, ExportDataFileToText);
BWPS_ORDINAL(322, ImportDataFileFromText);
