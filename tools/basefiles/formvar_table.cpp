#include "formvar_table.h"

#include "table_error.h"
#include "text_util.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace basefiles {

namespace {

constexpr const char* kGroups[] = {"NONE", "CTRL", "COMP_ID", "PROD", "CUST",
                                   "INV_HEAD", "INV_DETAIL", "INV_ADDR", "INV_FOOT"};

int Number(const std::string& text, const std::string& source, int line, const char* what) {
    auto value = ParseInteger(Trim(text));
    if (!value || *value < -32768 || *value > 32767)
        throw TableError(source, line, std::string("bad ") + what + ": \"" + text + "\"");
    return static_cast<int>(*value);
}

template <size_t N>
void PutText(char (&field)[N], const std::string& text, const std::string& source, int line, const char* what) {
    if (text.size() > N - 1)
        throw TableError(source, line, std::string(what) + " longer than " + std::to_string(N - 1));
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
}

char OneOf(const std::string& text, const char* allowed, const std::string& source, int line, const char* what) {
    if (text.empty()) return '\0';
    if (text.size() != 1 || std::strchr(allowed, text[0]) == nullptr)
        throw TableError(source, line, std::string("bad ") + what + ": \"" + text + "\"");
    return text[0];
}

}  // namespace

FormVariableTable ParseFormVariableTable(std::istream& in, const std::string& source) {
    FormVariableTable table;
    table.source = source;
    std::set<std::string> names;
    std::string text;
    int line = 0;
    bool header = true;
    while (std::getline(in, text)) {
        ++line;
        const std::string t = Trim(text);
        if (t.empty() || t[0] == '#') continue;
        if (t.front() != '|' || t.back() != '|') throw TableError(source, line, "a row begins and ends with |");
        std::vector<std::string> cells = Split(t.substr(1, t.size() - 2), '|');
        for (auto& c : cells) c = Trim(c);
        if (cells.size() != 12)
            throw TableError(source, line, "a row has 12 columns, this one " + std::to_string(cells.size()));
        if (header) {   // the heading row and the rule under it
            if (cells[0] == "name" || cells[0].find_first_not_of('-') == std::string::npos) continue;
            header = false;
        }
        TagColumnVar v{};
        const std::string& name = cells[0];
        if (name.empty() || name.find_first_of(" {}.") != std::string::npos)
            throw TableError(source, line, "a name has no blank, brace or point");
        PutText(v.Name, name, source, line, "name");
        if (!names.insert(name).second) throw TableError(source, line, "the name " + name + " is listed twice");
        const auto* group = std::find(std::begin(kGroups), std::end(kGroups), cells[1]);
        if (group == std::end(kGroups)) throw TableError(source, line, "unknown group \"" + cells[1] + "\"");
        v.Category = static_cast<int16_t>(group - std::begin(kGroups));
        v.Number = static_cast<int16_t>(Number(cells[2], source, line, "number"));
        v.Justify = OneOf(cells[3], "CLR", source, line, "alignment");
        v.Fill = OneOf(cells[4], "WF", source, line, "zero style");
        v.SourceFile = static_cast<int16_t>(Number(cells[5], source, line, "file number"));
        v.Width = static_cast<int16_t>(Number(cells[6], source, line, "width"));
        v.SourceOffset = static_cast<int16_t>(Number(cells[7], source, line, "offset"));
        v.DateFormat = static_cast<int16_t>(Number(cells[8], source, line, "date format"));
        if (v.DateFormat < 0 || v.DateFormat > 9) throw TableError(source, line, "a date format is 0 to 9");
        v.Type = static_cast<int16_t>(Number(cells[9], source, line, "type"));
        if (v.Type < 1 || v.Type > 15) throw TableError(source, line, "a type is 1 to 15");
        PutText(v.Picture, cells[10], source, line, "picture");
        PutText(v.Description, cells[11], source, line, "description");
        table.records.push_back(v);
    }
    return table;
}

FormVariableTable LoadFormVariableTable(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw TableError(BaseName(path), 0, "cannot be read");
    return ParseFormVariableTable(in, BaseName(path));
}

std::map<std::string, std::string> LoadSampleForms(const std::string& folder, const FormVariableTable& variables) {
    std::set<std::string> names;
    for (const TagColumnVar& v : variables.records) names.insert(std::string(v.Name, strnlen(v.Name, sizeof v.Name)));
    std::map<std::string, std::string> forms;
    if (!fs::is_directory(folder)) return forms;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        if (!entry.is_regular_file() || entry.path().extension() != ".FMT") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::istringstream lines(text.str());
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            for (size_t open = line.find('{'); open != std::string::npos; open = line.find('{', open + 1)) {
                const size_t close = line.find('}', open);
                if (close == std::string::npos) throw TableError(file, number, "a tag is not closed");
                std::string name;
                for (size_t i = open + 1; i < close; ++i)
                    if (line[i] > ' ' && line[i] < '{' && line[i] != '.') name += line[i];
                if (!names.count(name)) throw TableError(file, number, "the tag {" + name + "} names no variable");
            }
        }
        forms[file] = text.str();
    }
    return forms;
}

}  // namespace basefiles
