// Help windows: topics from the help text file, shown over the screen until
// Esc. The help text file (the help folder and the help file name set by the
// host, else WBPSDTL.HLP in the help folder) holds plain text: the lines
// before the first topic are the general help; a line "@NAME" starts the
// topic of the screen NAME ("@RSFileCreate"), a line "@NUMBER" the help of
// the fields whose prompt number is NUMBER.
#include "screen.hpp"

#include <fstream>
#include <string>
#include <vector>

namespace fx {

namespace {

std::vector<std::string> readTopic(const std::string& path, const std::string& topic, bool& found) {
    std::vector<std::string> general, lines;
    std::ifstream in(path);
    if (!in) return {};
    std::string line, current;
    bool inTopic = false, seenTopic = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '@') {
            current = trimmed(line.substr(1));
            inTopic = current == topic;
            seenTopic = true;
            if (inTopic) found = true;
            continue;
        }
        if (!seenTopic) general.push_back(line);
        else if (inTopic) lines.push_back(line);
    }
    while (!lines.empty() && trimmed(lines.back()).empty()) lines.pop_back();
    while (!general.empty() && trimmed(general.back()).empty()) general.pop_back();
    return found ? lines : general;
}

} // namespace

std::vector<std::string> helpTopic(const std::string& topic, bool& found) {
    found = false;
    std::string folder = helpFolder();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    std::vector<std::string> paths;
    if (!helpFile().empty()) paths.push_back(folder + helpFile());
    paths.push_back(folder + "WBPSDTL.HLP");
    for (const std::string& p : paths) {
        std::vector<std::string> lines = readTopic(p, topic, found);
        if (!lines.empty() || found) return lines;
    }
    return {};
}

// Shows a help window until Esc (any key closes it in a script).
void showHelpWindow(const std::string& title, const std::string& topic) {
    bool found = false;
    std::vector<std::string> lines = helpTopic(topic, found);
    if (lines.empty()) lines.push_back("There is no help for this screen.");
    record("help open " + quote(title) + (found ? "" : " (general)"));
    for (const std::string& l : lines) record("help line " + quote(l));
    if (terminalActive()) {
        terminalShowText(title, lines);
    } else {
        Event ev = nextEvent(true);
        if (ev.kind != Event::Key && ev.kind != Event::Exhausted) unreadEvent(ev);
    }
    record("help close");
    terminalRedraw();
}

} // namespace fx
