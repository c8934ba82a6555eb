#include "host/host_framework.h"

#include "fx.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace host {

void SetApplication(const std::string& user, const std::string& password,
                    const std::string& parameters, const std::string& station,
                    const std::string& company)
{
    FxAppSetCompanyText(company.c_str());
    FxAppSetUserId(user.c_str());
    FxAppSetPassword(password.c_str());
    FxAppObject* app = FxApp();
    std::memset(app->parameterText, 0, sizeof app->parameterText);
    std::strncpy(app->parameterText, parameters.c_str(), sizeof app->parameterText - 1);
    FxAppSetStationText(station.c_str());
}

std::string Printable(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

namespace {

// The number of a "pick" line, or -1 when the line is not one; a number too
// large to hold gives kPickLimit + 1.
long PickNumber(const std::string& line)
{
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line.compare(at, 4, "pick") != 0) return -1;
    at += 4;
    if (at < line.size() && line[at] != ' ' && line[at] != '\t') return -1;
    at = line.find_first_not_of(" \t", at);
    if (at == std::string::npos || !std::isdigit(static_cast<unsigned char>(line[at]))) return -1;
    long n = 0;
    for (; at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])); ++at) {
        n = n * 10 + (line[at] - '0');
        if (n > kPickLimit) return kPickLimit + 1;
    }
    return n;
}

} // namespace

bool UseScript(const std::string& path, std::string& error)
{
    FxUseScriptDriver();
    if (path.empty()) return true;
    const std::string shown = Printable(path);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = "cannot read the script " + shown + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = "the script " + shown + " is a folder, not a file";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "the script " + shown + " is not a plain file (a device, pipe or socket)";
        return false;
    }
    if (st.st_size > kScriptLimit) {
        error = "the script " + shown + " is larger than 16 MB";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the script " + shown + ": " + std::strerror(errno);
        return false;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || static_cast<long long>(text.size()) > kScriptLimit) {
        error = "cannot read the script " + shown;
        return false;
    }

    // The lines are taken one by one, so that the first bad one is named
    // (the run then stops).
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string where = "the script " + shown + " line " + std::to_string(i + 1);
        if (lines[i].find('\0') != std::string::npos) {
            error = where + " holds a NUL byte";
            return false;
        }
        const long pick = PickNumber(lines[i]);
        if (pick > kPickLimit) {
            error = where + ": a pick number is 0 to " + std::to_string(kPickLimit);
            return false;
        }
        if (FxScriptLoad((lines[i] + "\n").c_str()) != 0) {
            error = where + " is not an event: \"" + Printable(lines[i]) + "\"";
            return false;
        }
    }
    return true;
}

int ScriptEventsLeft() { return FxScriptRemaining(); }

std::string Transcript()
{
    const char* text = FxTranscript();
    return text ? text : "";
}

void ClearTranscript() { FxTranscriptClear(); }

bool TerminalAttached() { return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO); }

bool UseTerminal(std::string& why)
{
    char reason[256] = {};
    if (FxOpenTerminal(reason, sizeof reason) == 0) return true;
    why = reason;
    return false;
}

void MarkFirstRun() { FxAppSetFirstRun(1); }

int ChooseCommand(const std::vector<MenuEntry>& entries, const std::string& heading)
{
    // the command chosen last stays highlighted when the menu comes back
    static int last = 1;
    std::vector<std::string> texts;
    for (const MenuEntry& e : entries)
        texts.push_back(std::to_string(e.number) + "  " + e.title +
                        (e.available ? "" : "  (not in this build)"));
    std::vector<const char*> items;
    for (const std::string& t : texts) items.push_back(t.c_str());
    FxSetHeadingLine(1, heading.c_str());
    for (;;) {
        const int picked = FxMenuChoose("Main Menu", items.data(), static_cast<int>(items.size()), last);
        if (picked < 1 || picked > static_cast<int>(entries.size())) return 0;
        last = picked;
        const MenuEntry& e = entries[static_cast<size_t>(picked - 1)];
        if (e.available) return e.number;
        Notice(e.title + " is not available in this build.");
    }
}

void Notice(const std::string& text) { FxShowText(text.c_str()); }

void EndTerminal() { FxStop(); }

} // namespace host
