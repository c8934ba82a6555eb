#include "column_table.h"

#include "table_error.h"
#include "text_util.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

namespace basefiles {

namespace {

// Column numbers whose offsets other parts of the system rely on.
struct Cited {
    const char* table;
    int number;
    int offset;
};
constexpr Cited kCited[] = {
    {"INHD", 52, 574}, {"INHD", 53, 578}, {"INHD", 54, 582},
    {"CUST", 53, 350}, {"CUST", 58, 555}, {"CUST", 59, 571}, {"CUST", 69, 734},
    {"VEND", 53, 350}, {"VEND", 58, 555}, {"VEND", 59, 571}, {"VEND", 69, 734},
    {"PROD", 81, 626}, {"PROD", 82, 637}, {"PROD", 86, 667},
    {"ACCT", 10, 79},  {"ACCT", 73, 568},
    {"SERV", 26, 195},
    {"SNUM", 3, 36},
};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The display width of a text picture ("%-10s" gives 10), -1 otherwise.
int TextPictureWidth(const std::string& picture) {
    if (picture.size() < 3 || picture[0] != '%') return -1;
    size_t i = 1;
    if (picture[i] == '-') ++i;
    size_t start = i;
    while (i < picture.size() && std::isdigit(static_cast<unsigned char>(picture[i]))) ++i;
    if (i == start || i >= picture.size() || picture[i] != 's') return -1;
    return std::stoi(picture.substr(start, i - start));
}

// The stored length of each fixed-size type code; 0 for text.
int TypeLength(int type) {
    switch (type) {
    case 1: case 2: return 1;
    case 6: case 7: case 9: return 0;
    case 11: case 12: return 2;
    case 13: case 14: case 15: case 16: return 4;
    case 17: case 18: return 8;
    default: return -1;
    }
}

int Number(const std::string& text, const std::string& source, int line, const char* what) {
    auto value = ParseInteger(Trim(text));
    if (!value) throw TableError(source, line, std::string("bad ") + what + ": \"" + text + "\"");
    return static_cast<int>(*value);
}

}  // namespace

ColumnTable ParseColumnTable(std::istream& in, const std::string& source) {
    ColumnTable table;
    table.source = source;
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        std::string t = Trim(text);
        if (t.empty() || t[0] == '#') continue;
        if (t.front() != '|' || t.back() != '|')
            throw TableError(source, line, "a row begins and ends with |");
        std::vector<std::string> cells = Split(t.substr(1, t.size() - 2), '|');
        if (cells.size() != 10)
            throw TableError(source, line, "a row has 10 columns, this one " + std::to_string(cells.size()));
        for (auto& c : cells) c = Trim(c);
        Column c;
        c.line = line;
        c.table = Upper(cells[0]);
        if (c.table.empty() || c.table.size() > 12) throw TableError(source, line, "bad table name");
        int first = 0, last = 0;
        const size_t dash = cells[1].find('-');
        if (dash != std::string::npos) {
            first = Number(cells[1].substr(0, dash), source, line, "column number");
            last = Number(cells[1].substr(dash + 1), source, line, "column number");
        } else {
            first = last = Number(cells[1], source, line, "column number");
        }
        if (first < 1 || last < first) throw TableError(source, line, "bad column number range");
        c.name = cells[2];
        c.offset = Number(cells[3], source, line, "offset");
        c.length = Number(cells[4], source, line, "length");
        c.type = Number(cells[5], source, line, "type code");
        c.picture = cells[6];
        c.caption = cells[7];
        c.decimals = cells[8].empty() ? -1 : Number(cells[8], source, line, "decimals column");
        c.flags = cells[9].empty() ? 0 : Number(cells[9], source, line, "flags");
        if (c.picture.size() > 16) throw TableError(source, line, "picture longer than 16");
        if (c.caption.size() > 40) throw TableError(source, line, "caption longer than 40");
        // A range: one column per element, names numbered from 1.
        for (int n = first; n <= last; ++n) {
            Column e = c;
            e.number = n;
            e.offset = c.offset + (n - first) * c.length;
            if (last > first) e.name = c.name + std::to_string(n - first + 1);
            if (e.name.empty() || e.name.size() > 16)
                throw TableError(source, line, "a column name has 1 to 16 characters");
            table.columns.push_back(e);
        }
    }
    return table;
}

ColumnTable LoadColumnTable(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw TableError(BaseName(path), 0, "cannot be read");
    return ParseColumnTable(in, BaseName(path));
}

const FileKeys* FileOfTable(const KeyTable& keys, const std::string& table) {
    for (const FileKeys& f : keys.files) {
        if (f.fileNumber <= 0) continue;
        std::string name = Upper(f.name);
        if (name.rfind("BPOS", 0) != 0) continue;
        const size_t dot = name.find('.');
        if (name.substr(4, dot - 4) == Upper(table)) return &f;
    }
    return nullptr;
}

void CheckColumnTable(const ColumnTable& columns, const KeyTable& keys) {
    const std::string& source = columns.source;
    std::map<std::string, std::vector<const Column*>> byTable;
    std::set<std::pair<std::string, int>> numbers;
    for (const Column& c : columns.columns) {
        const FileKeys* file = FileOfTable(keys, c.table);
        if (!file) throw TableError(source, c.line, "table " + c.table + " has no data file");
        const int typeLength = TypeLength(c.type);
        if (typeLength < 0)
            throw TableError(source, c.line, "type code " + std::to_string(c.type) + " is not in use");
        if (typeLength > 0 && c.length != typeLength)
            throw TableError(source, c.line, "type " + std::to_string(c.type) + " is " +
                                                 std::to_string(typeLength) + " bytes long");
        if (typeLength == 0) {
            const int width = TextPictureWidth(c.picture);
            if (width < 0 || width + 1 != c.length)
                throw TableError(source, c.line, "a text column of " + std::to_string(c.length) +
                                                     " bytes has the picture %-" +
                                                     std::to_string(c.length - 1) + "s");
        }
        if (c.offset < 0 || c.offset + c.length > file->recordLength)
            throw TableError(source, c.line, "column " + std::to_string(c.number) +
                                                 " lies outside the " +
                                                 std::to_string(file->recordLength) + "-byte record");
        if (!numbers.insert({c.table, c.number}).second)
            throw TableError(source, c.line, "column " + c.table + " " + std::to_string(c.number) +
                                                 " is listed twice");
        for (const Column* other : byTable[c.table]) {
            if (c.offset < other->offset + other->length && other->offset < c.offset + c.length)
                throw TableError(source, c.line, "column " + std::to_string(c.number) +
                                                     " overlaps column " +
                                                     std::to_string(other->number) + " (line " +
                                                     std::to_string(other->line) + ")");
        }
        for (const Cited& cited : kCited) {
            if (c.table == cited.table && c.number == cited.number && c.offset != cited.offset)
                throw TableError(source, c.line, "column " + c.table + " " +
                                                     std::to_string(c.number) + " must lie at offset " +
                                                     std::to_string(cited.offset));
        }
        byTable[c.table].push_back(&c);
    }
    for (const Column& c : columns.columns) {
        if (c.decimals < 0) continue;
        if (!numbers.count({c.table, c.decimals}))
            throw TableError(source, c.line, "decimals column " + std::to_string(c.decimals) +
                                                 " is not a column of " + c.table);
    }
}

std::vector<TagDictionaryRecord> DictionaryRecords(const ColumnTable& columns) {
    std::vector<TagDictionaryRecord> records;
    for (const Column& c : columns.columns) {
        TagDictionaryRecord r;
        std::memset(&r, 0, sizeof r);
        std::memset(r.TableName, ' ', sizeof r.TableName);
        std::memcpy(r.TableName, c.table.data(), c.table.size());
        std::memset(r.ColumnName, ' ', sizeof r.ColumnName);
        std::memcpy(r.ColumnName, c.name.data(), c.name.size());
        r.Number = static_cast<int16_t>(c.number);
        r.Type = static_cast<int16_t>(c.type);
        r.Length = static_cast<int16_t>(c.length);
        r.Offset = static_cast<int16_t>(c.offset);
        r.Flags = static_cast<uint8_t>(c.flags);
        std::strncpy(r.Description, c.caption.c_str(), sizeof r.Description - 1);
        std::memcpy(r.Picture, c.picture.data(), c.picture.size());
        r.Decimals = c.decimals < 0 ? 0xFFFF : static_cast<uint16_t>(c.decimals);
        std::memcpy(r.Caption, c.caption.data(), std::min(c.caption.size(), sizeof r.Caption));
        records.push_back(r);
    }
    return records;
}

}  // namespace basefiles
