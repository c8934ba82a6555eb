// mkfmtdf SOURCE TARGET PRINTER
//
// Compiles a layout text into a compiled layout: the lines with their tags
// blanked and one field row per tag (line, column, width, name). The target
// is written beside itself and renamed into place, so a failed run leaves
// an older target whole. Exit 0 done; 1 a bad tag (each named on the error
// stream as SOURCE:LINE:COLUMN); 2 usage or a file that cannot be read or
// written.
#include "layout_check.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: mkfmtdf SOURCE TARGET PRINTER\n", stderr);
        return 2;
    }
    const std::string source = argv[1], target = argv[2], printer = argv[3];
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "mkfmtdf: %s cannot be read\n", source.c_str());
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    const formtools::LayoutCheck check = formtools::CheckLayout(text.str());
    if (!check.problems.empty()) {
        for (const formtools::LayoutProblem& p : check.problems)
            std::fprintf(stderr, "%s:%d:%d: %s\n", source.c_str(), p.line, p.column, p.what.c_str());
        return 1;
    }
    const std::string part = target + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << "LAYOUT 1\nPRINTER " << printer << "\nLINES " << check.lines.size() << "\n";
        for (const std::string& line : check.lines) out << "L " << line << "\n";
        for (const formtools::LayoutField& f : check.fields)
            out << "F " << f.line << " " << f.column << " " << f.width << " " << f.name << "\n";
        out.flush();
        if (!out) {
            std::remove(part.c_str());
            std::fprintf(stderr, "mkfmtdf: %s cannot be written\n", target.c_str());
            return 2;
        }
    }
    if (std::rename(part.c_str(), target.c_str()) != 0) {
        std::remove(part.c_str());
        std::fprintf(stderr, "mkfmtdf: %s cannot be written\n", target.c_str());
        return 2;
    }
    return 0;
}
