// Script of input events, the transcript, and key names.
#include "internal.hpp"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <strings.h>

namespace {

std::deque<fx::Event> gScript;
std::deque<int> gPushed;
int gInARow = 0;
std::string gTranscript;
FILE* gTranscriptFile = nullptr; // FxTranscriptToFile
int gExhausted = 0;

struct NamedKey {
    const char* name;
    int key;
};

const NamedKey kNamed[] = {
    {"Esc", 27},        {"Enter", 13},           {"Tab", 9},          {"ShiftTab", 0x0F00},
    {"Up", 0x4800},     {"Down", 0x5000},        {"Left", 0x4B00},    {"Right", 0x4D00},
    {"PgUp", 0x4900},   {"PgDn", 0x5100},        {"Home", 0x4700},    {"End", 0x4F00},
    {"Backspace", 8},   {"Del", 0x5300},         {"Ins", 0x5200},     {"Space", 32},
    {"Ctrl+Home", 0x7700}, {"Ctrl+End", 0x7500},
};

// Alt+letter scan codes, A to Z.
const int kAltLetters[26] = {0x1E00, 0x3000, 0x2E00, 0x2000, 0x1200, 0x2100, 0x2200, 0x2300, 0x1700,
                             0x2400, 0x2500, 0x2600, 0x3200, 0x3100, 0x1800, 0x1900, 0x1000, 0x1300,
                             0x1F00, 0x1400, 0x1600, 0x2F00, 0x1100, 0x2D00, 0x1500, 0x2C00};

std::string rest(const std::string& line, size_t from) {
    if (from >= line.size()) return std::string();
    return line.substr(from);
}

// Parses one script line into an event. False for a bad line.
bool parseLine(const std::string& raw, fx::Event& ev, bool& skip) {
    skip = false;
    std::string line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line[b] == '#') {
        skip = true;
        return true;
    }
    line = line.substr(b);
    size_t sp = line.find(' ');
    std::string verb = line.substr(0, sp);
    std::string arg = sp == std::string::npos ? std::string() : rest(line, sp + 1);
    if (verb == "key") {
        std::string name = fx::trimmed(arg);
        int k = fx::keyFromName(name);
        if (k < 0) return false;
        ev.kind = fx::Event::Key;
        ev.key = k;
        return true;
    }
    if (verb == "type") {
        ev.kind = fx::Event::Type;
        ev.text = arg;
        return true;
    }
    if (verb == "field") {
        size_t s2 = arg.find(' ');
        std::string num = arg.substr(0, s2);
        char* end = nullptr;
        long n = std::strtol(num.c_str(), &end, 10);
        if (num.empty() || *end || n < 1 || n > 255) return false;
        ev.kind = fx::Event::Field;
        ev.field = static_cast<int>(n);
        ev.text = s2 == std::string::npos ? std::string() : rest(arg, s2 + 1);
        return true;
    }
    if (verb == "answer") {
        if (fx::trimmed(arg).empty()) return false;
        ev.kind = fx::Event::Answer;
        ev.text = fx::trimmed(arg);
        return true;
    }
    if (verb == "pick") {
        char* end = nullptr;
        std::string a = fx::trimmed(arg);
        long n = std::strtol(a.c_str(), &end, 10);
        if (a.empty() || *end || n < 0) return false;
        ev.kind = fx::Event::Pick;
        ev.field = static_cast<int>(n);
        return true;
    }
    if (verb == "wait" && fx::trimmed(arg).empty()) {
        ev.kind = fx::Event::Wait;
        return true;
    }
    return false;
}

} // namespace

namespace fx {

void dropPushedKeys() { gPushed.clear(); }

void record(const std::string& line) {
    if (gTranscriptFile) {
        std::fputs(line.c_str(), gTranscriptFile);
        std::fputc('\n', gTranscriptFile);
        std::fflush(gTranscriptFile);
    }
    // a terminal session can run for days: its transcript goes only to the
    // transcript file, when one was asked for
    if (terminalActive()) return;
    gTranscript += line;
    gTranscript += '\n';
}

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 32 || c >= 127) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string keyName(int key) {
    for (const NamedKey& n : kNamed)
        if (n.key == key && key != 32) return n.name;
    if (key >= 0x3B00 && key <= 0x4400 && (key & 0xFF) == 0) return "F" + std::to_string((key - 0x3B00) / 0x100 + 1);
    if (key >= 0x5400 && key <= 0x5D00 && (key & 0xFF) == 0)
        return "Shift+F" + std::to_string((key - 0x5400) / 0x100 + 1);
    for (int i = 0; i < 26; ++i)
        if (kAltLetters[i] == key) return std::string("Alt+") + static_cast<char>('A' + i);
    if (key >= 0x7800 && key <= 0x8000 && (key & 0xFF) == 0)
        return "Alt+" + std::to_string((key - 0x7800) / 0x100 + 1);
    if (key == 0x8100) return "Alt+0";
    if (key >= 32 && key < 127) return std::string("'") + static_cast<char>(key) + "'";
    if (key >= 1 && key <= 26) return std::string("Ctrl+") + static_cast<char>('A' + key - 1);
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", key);
    return buf;
}

int keyFromName(const std::string& name) {
    if (name.empty()) return -1;
    for (const NamedKey& n : kNamed)
        if (strcasecmp(n.name, name.c_str()) == 0) return n.key;
    std::string up = name;
    for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto fnum = [](const std::string& s) -> int {
        if (s.size() < 2 || s[0] != 'F') return -1;
        char* end = nullptr;
        long n = std::strtol(s.c_str() + 1, &end, 10);
        return (*end || n < 1 || n > 10) ? -1 : static_cast<int>(n);
    };
    if (int n = fnum(up); n > 0) return 0x3B00 + (n - 1) * 0x100;
    if (up.rfind("SHIFT+", 0) == 0) {
        int n = fnum(up.substr(6));
        return n > 0 ? 0x5400 + (n - 1) * 0x100 : -1;
    }
    if (up.rfind("ALT+", 0) == 0 && up.size() == 5) {
        char c = up[4];
        if (c >= 'A' && c <= 'Z') return kAltLetters[c - 'A'];
        if (c >= '1' && c <= '9') return 0x7800 + (c - '1') * 0x100;
        if (c == '0') return 0x8100;
        return -1;
    }
    if (up.rfind("CTRL+", 0) == 0 && up.size() == 6 && up[5] >= 'A' && up[5] <= 'Z') return up[5] - 'A' + 1;
    if (name.size() == 3 && name[0] == '\'' && name[2] == '\'') return static_cast<unsigned char>(name[1]);
    if (std::isdigit(static_cast<unsigned char>(name[0]))) {
        char* end = nullptr;
        long v = std::strtol(name.c_str(), &end, 0);
        if (*end || v <= 0 || v > 0xFFFFFF) return -1;
        return static_cast<int>(v);
    }
    if (name.size() == 1) return static_cast<unsigned char>(name[0]);
    return -1;
}

void pushKey(int key) { gPushed.push_back(key); }

void unreadEvent(const Event& ev) {
    if (ev.kind == Event::Exhausted || ev.kind == Event::Wait) return;
    if (ev.kind == Event::Key && terminalActive()) {
        gPushed.push_front(ev.key);
        return;
    }
    gScript.push_front(ev);
}

int exhaustedInARow() { return gInARow; }
void clearExhaustedInARow() { gInARow = 0; }

int exhaustedCount() { return gExhausted; }

Event nextEvent(bool wait) {
    Event ev;
    if (!gPushed.empty()) {
        ev.kind = Event::Key;
        ev.key = gPushed.front();
        gPushed.pop_front();
        return ev;
    }
    if (terminalActive()) {
        int k = terminalReadKey(wait);
        if (k <= 0) {
            ev.kind = Event::Wait;
            return ev;
        }
        ev.kind = Event::Key;
        ev.key = k;
        return ev;
    }
    if (gScript.empty()) {
        if (!wait) {
            ev.kind = Event::Wait;
            return ev;
        }
        ++gExhausted;
        ++gInARow;
        record("script exhausted");
        ev.kind = Event::Exhausted;
        return ev;
    }
    if (!wait && gScript.front().kind != Event::Key) {
        ev.kind = Event::Wait;
        if (gScript.front().kind == Event::Wait) gScript.pop_front();
        return ev;
    }
    ev = gScript.front();
    gScript.pop_front();
    gInARow = 0;
    return ev;
}

void resetScript() {
    if (gTranscriptFile) std::fclose(gTranscriptFile);
    gTranscriptFile = nullptr;
    gScript.clear();
    gPushed.clear();
    gTranscript.clear();
    gExhausted = 0;
    gInARow = 0;
}

} // namespace fx

extern "C" {

int FxScriptLoad(const char* text) {
    if (!text) return -1;
    std::vector<fx::Event> events;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        fx::Event ev;
        bool skip = false;
        if (!parseLine(line, ev, skip)) return -1;
        if (!skip) events.push_back(ev);
    }
    for (fx::Event& e : events) gScript.push_back(e);
    gExhausted = 0;
    gInARow = 0;
    return 0;
}

int FxScriptLoadFile(const char* path) {
    if (!path) return -2;
    std::ifstream in(path, std::ios::binary);
    if (!in) return -2;
    std::stringstream ss;
    ss << in.rdbuf();
    return FxScriptLoad(ss.str().c_str());
}

int FxScriptRemaining(void) { return static_cast<int>(gScript.size()); }

const char* FxTranscript(void) { return gTranscript.c_str(); }

void FxTranscriptClear(void) { gTranscript.clear(); }

int FxTranscriptToFile(const char* path) {
    if (gTranscriptFile) std::fclose(gTranscriptFile);
    gTranscriptFile = nullptr;
    if (!path || !*path) return 0;
    gTranscriptFile = std::fopen(path, "ae");
    return gTranscriptFile ? 0 : -1;
}

void FxTranscriptNote(const char* text) { fx::record("note " + fx::quote(text ? text : "")); }

} // extern "C"
