#include "resource_table.h"

#include "table_error.h"
#include "text_util.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <set>
#include <tuple>

namespace basefiles {

namespace {

enum Column { kFile, kKind, kNumber, kLine, kText, kColumns };

constexpr size_t kScreenNameSize = 32;

std::string Unescape(const std::string& text, const std::string& source, int line) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
            continue;
        }
        auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
        if (i + 3 < text.size() && text[i + 1] == 'x' && hex(text[i + 2]) && hex(text[i + 3])) {
            int value = std::stoi(text.substr(i + 2, 2), nullptr, 16);
            if (value == 0) throw TableError(source, line, "\\x00 would end the text");
            out += static_cast<char>(value);
            i += 3;
            continue;
        }
        throw TableError(source, line, "unknown escape in \"" + text + "\": write \\xHH or \\\\");
    }
    return out;
}

}  // namespace

ResourceTable ParseResourceTable(std::istream& in, const std::string& source) {
    ResourceTable table;
    std::set<std::tuple<int, int, int, std::string>> seen;
    std::map<std::pair<int, std::string>, int> screenNumbers;  // (file, name) -> running number
    std::map<int, int> nextScreenNumber;
    std::string text;
    int line = 0;
    bool header = false;
    auto fail = [&](const std::string& what) { throw TableError(source, line, what); };
    while (std::getline(in, text)) {
        ++line;
        std::string t = Trim(text);
        if (t.empty() || t[0] == '#') continue;
        if (t.size() < 2 || t[0] != '|' || t.back() != '|') fail("a table row begins and ends with \"|\"");
        std::vector<std::string> cells = Split(t.substr(1, t.size() - 2), '|');
        for (std::string& c : cells) c = Trim(c);
        if (cells.size() != kColumns)
            fail("a row has " + std::to_string(kColumns) + " columns, this one " + std::to_string(cells.size()));
        if (cells[kFile] == "file") {
            header = true;
            continue;
        }
        if (!cells[kFile].empty() && cells[kFile].find_first_not_of("-") == std::string::npos) continue;
        if (!header) fail("the column header row must come first");

        Resource r;
        r.tableLine = line;
        auto file = ParseInteger(cells[kFile]);
        if (!file || std::find(std::begin(kResourceFiles), std::end(kResourceFiles), *file) == std::end(kResourceFiles))
            fail("file \"" + cells[kFile] + "\" is not a screen resource file (90, 91, 92, 93 or 95)");
        r.file = static_cast<int>(*file);
        const std::string& kind = cells[kKind];
        if (kind == "string") r.kind = FX_RES_STRING;
        else if (kind == "textlist") r.kind = FX_RES_TEXTLIST;
        else if (kind == "screen") r.kind = FX_RES_SCREEN;
        else fail("unknown kind \"" + kind + "\": string, textlist or screen");
        auto lineNumber = ParseInteger(cells[kLine]);
        if (!lineNumber || *lineNumber < 0 || *lineNumber > 65535) fail("line \"" + cells[kLine] + "\" is not 0..65535");
        r.line = static_cast<int>(*lineNumber);
        if (r.kind == FX_RES_STRING && r.line != 0) fail("a string has line 0 only");
        if (r.kind == FX_RES_SCREEN) {
            r.screen = cells[kNumber];
            if (r.screen.empty() || r.screen.size() >= kScreenNameSize)
                fail("window name \"" + r.screen + "\" must have 1 to " + std::to_string(kScreenNameSize - 1) +
                     " characters");
            auto key = std::make_pair(r.file, r.screen);
            auto it = screenNumbers.find(key);
            if (it == screenNumbers.end()) it = screenNumbers.insert({key, ++nextScreenNumber[r.file]}).first;
            r.number = it->second;
        } else {
            auto number = ParseInteger(cells[kNumber]);
            if (!number || *number < 1 || *number > 65535) fail("number \"" + cells[kNumber] + "\" is not 1..65535");
            r.number = static_cast<int>(*number);
        }
        r.text = Unescape(cells[kText], source, line);
        size_t room = sizeof(FxResourceRecord::data) - 1 - (r.kind == FX_RES_SCREEN ? kScreenNameSize : 0);
        if (r.text.size() > room) fail("the text is longer than " + std::to_string(room) + " characters");
        if (!seen.insert({r.file, r.kind, r.line, r.kind == FX_RES_SCREEN ? r.screen : std::to_string(r.number)}).second)
            fail("this " + kind + " line is written twice");
        table.resources.push_back(r);
    }
    return table;
}

ResourceTable LoadResourceTable(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw TableError(path, 0, "cannot be opened");
    return ParseResourceTable(in, path);
}

std::map<int, std::vector<FxResourceRecord>> BuildResourceRecords(const ResourceTable& table) {
    std::map<int, std::vector<FxResourceRecord>> files;
    for (int f : kResourceFiles) files[f];
    for (const Resource& r : table.resources) {
        FxResourceRecord rec;
        std::memset(&rec, 0, sizeof rec);
        rec.kind = static_cast<uint16_t>(r.kind);
        rec.number = static_cast<uint16_t>(r.number);
        rec.line = static_cast<uint16_t>(r.line);
        size_t at = 0;
        if (r.kind == FX_RES_SCREEN) {
            std::memcpy(rec.data, r.screen.data(), r.screen.size());
            at = kScreenNameSize;
        }
        std::memcpy(rec.data + at, r.text.data(), r.text.size());
        rec.length = static_cast<uint16_t>(at + r.text.size() + 1);
        files[r.file].push_back(rec);
    }
    for (auto& [file, records] : files)
        std::sort(records.begin(), records.end(), [](const FxResourceRecord& a, const FxResourceRecord& b) {
            return std::tie(a.kind, a.number, a.line) < std::tie(b.kind, b.number, b.line);
        });
    return files;
}

}  // namespace basefiles
