// The check of a layout text that both form tools make: every tag in braces
// is closed on its line and names a variable of at most 18 characters.
#pragma once

#include <string>
#include <vector>

namespace formtools {

struct LayoutField {
    int line;      // from 1
    int column;    // from 1, the '{'
    int width;     // from '{' to '}'
    std::string name;
};

struct LayoutProblem {
    int line;
    int column;
    std::string what;
};

struct LayoutCheck {
    std::vector<std::string> lines;   // tags blanked
    std::vector<LayoutField> fields;
    std::vector<LayoutProblem> problems;
};

// Reads the text: line ends LF or CR LF; a NUL byte counts as a blank; a
// line of more than 512 characters is cut and reported.
LayoutCheck CheckLayout(const std::string& text);

}  // namespace formtools
