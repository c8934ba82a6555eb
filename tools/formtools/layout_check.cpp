#include "layout_check.h"

namespace formtools {

namespace {

constexpr size_t kLineChars = 512;
constexpr size_t kNameChars = 18;

void CheckLine(std::string line, int number, LayoutCheck& check)
{
    for (char& c : line)
        if (c == '\0') c = ' ';
    if (line.size() > kLineChars) {
        check.problems.push_back({number, static_cast<int>(kLineChars) + 1, "the line is longer than 512 characters"});
        line.resize(kLineChars);
    }
    for (size_t open = line.find('{'); open != std::string::npos; open = line.find('{', open + 1)) {
        const size_t close = line.find('}', open);
        if (close == std::string::npos) {
            check.problems.push_back({number, static_cast<int>(open) + 1, "the tag is not closed"});
            break;
        }
        std::string name;
        for (size_t i = open + 1; i < close; ++i) {
            const unsigned char c = static_cast<unsigned char>(line[i]);
            if (c > ' ' && c < '{' && c != '.') name += static_cast<char>(c);
        }
        if (name.empty())
            check.problems.push_back({number, static_cast<int>(open) + 1, "the tag names no variable"});
        else if (name.size() > kNameChars)
            check.problems.push_back({number, static_cast<int>(open) + 1, "the tag's name is longer than 18 characters"});
        else
            check.fields.push_back({number, static_cast<int>(open) + 1, static_cast<int>(close - open + 1), name});
        line.replace(open, close - open + 1, close - open + 1, ' ');
    }
    check.lines.push_back(line);
}

}  // namespace

LayoutCheck CheckLayout(const std::string& text)
{
    LayoutCheck check;
    size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        CheckLine(line, ++number, check);
        start = end + 1;
    }
    return check;
}

}  // namespace formtools
