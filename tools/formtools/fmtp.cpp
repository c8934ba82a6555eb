// fmtp /ID=BRAMLOW DATAFOLDER NAME PORT MODE
//
// Checks the layout NAME.TXT of the data-files folder and writes the check
// to NAME.LOG there: the port and mode it was asked for, then one line per
// bad tag ("line L, column C: ...") or the count of lines and fields. Exit 0
// when the layout is sound, 1 when it has bad tags, 2 for usage or a file
// that cannot be read or written.
#include "layout_check.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 6 || std::string(argv[1]) != "/ID=BRAMLOW") {
        std::fputs("usage: fmtp /ID=BRAMLOW DATAFOLDER NAME PORT MODE\n", stderr);
        return 2;
    }
    std::string folder = argv[2];
    const std::string name = argv[3], port = argv[4], mode = argv[5];
    if (name.empty() || name.find('/') != std::string::npos) {
        std::fputs("fmtp: no format name\n", stderr);
        return 2;
    }
    if (!folder.empty() && folder.back() != '/') folder += '/';
    std::ifstream in(folder + name + ".TXT", std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "fmtp: %s%s.TXT cannot be read\n", folder.c_str(), name.c_str());
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    const formtools::LayoutCheck check = formtools::CheckLayout(text.str());
    std::ostringstream log;
    log << "Format " << name << " for port " << port << ", mode " << mode << "\r\n";
    for (const formtools::LayoutProblem& p : check.problems)
        log << "line " << p.line << ", column " << p.column << ": " << p.what << "\r\n";
    log << check.lines.size() << " lines, " << check.fields.size() << " fields, " << check.problems.size()
        << " errors\r\n";
    const std::string path = folder + name + ".LOG", part = path + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << log.str();
        out.flush();
        if (!out) {
            std::remove(part.c_str());
            return 2;
        }
    }
    if (std::rename(part.c_str(), path.c_str()) != 0) {
        std::remove(part.c_str());
        return 2;
    }
    return check.problems.empty() ? 0 : 1;
}
