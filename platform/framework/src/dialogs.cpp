// Message boxes, choice dialogs and pop-up lists.
#include "screen.hpp"

#include <cstdio>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <strings.h>
#include <vector>

using namespace fx::scr;

namespace {

// ---- modal questions

const char* kMbNames[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};

// Asks for one of the buttons: index from 0. escIndex is taken on Esc and
// when the script has run out.
int askButtons(const std::vector<std::string>& lines, const std::vector<std::string>& buttons, int defaultIndex,
               int escIndex, std::string& how) {
    if (buttons.empty()) return -1;
    if (fx::terminalActive()) {
        int r = fx::terminalAskButtons(lines, buttons, defaultIndex);
        how = r < 0 ? "Esc" : "";
        return r < 0 ? escIndex : r;
    }
    fx::Event ev = fx::nextEvent(true);
    if (ev.kind == fx::Event::Exhausted) {
        how = "Esc";
        return escIndex;
    }
    if (ev.kind == fx::Event::Answer) {
        std::string a = fx::trimmed(ev.text);
        for (size_t i = 0; i < buttons.size(); ++i)
            if (strcasecmp(fx::trimmed(buttons[i]).c_str(), a.c_str()) == 0) return static_cast<int>(i);
        char* end = nullptr;
        long n = std::strtol(a.c_str(), &end, 10);
        if (!a.empty() && !*end && n >= 1 && n <= static_cast<long>(buttons.size())) return static_cast<int>(n - 1);
        if (strcasecmp(a.c_str(), "Esc") == 0) {
            how = "Esc";
            return escIndex;
        }
        how = "default, answer " + fx::quote(a) + " fits no button";
        return defaultIndex;
    }
    if (ev.kind == fx::Event::Key && ev.key == FX_KEY_ESC) {
        how = "Esc";
        return escIndex;
    }
    if (ev.kind == fx::Event::Key && ev.key == FX_KEY_ENTER) return defaultIndex;
    fx::unreadEvent(ev);
    how = "default";
    return defaultIndex;
}

std::string joinButtons(const std::vector<std::string>& b) {
    std::string s;
    for (size_t i = 0; i < b.size(); ++i) s += (i ? "," : "") + b[i];
    return s;
}

int indexOfCaption(const std::vector<std::string>& b, const char* caption) {
    for (size_t i = 0; i < b.size(); ++i)
        if (strcasecmp(fx::trimmed(b[i]).c_str(), caption) == 0) return static_cast<int>(i);
    return -1;
}

} // namespace

extern "C" {

// ---- message boxes and dialogs

int FxMessageBox(void*, const char* text, const char* caption, int style, int) {
    static const int sets[][4] = {{1, 0}, {1, 2, 0}, {3, 4, 5, 0}, {6, 7, 2, 0}, {6, 7, 0}, {4, 2, 0}};
    int kind = style & 0x0F;
    if (kind > 5) kind = 0;
    std::vector<int> ids;
    for (int i = 0; sets[kind][i]; ++i) ids.push_back(sets[kind][i]);
    std::vector<std::string> names;
    for (int id : ids) names.push_back(kMbNames[id]);
    int def = (style >> 8) & 3;
    if (def >= static_cast<int>(ids.size())) def = 0;
    int esc = indexOfCaption(names, "Cancel");
    if (esc < 0) esc = indexOfCaption(names, "No");
    if (esc < 0) esc = indexOfCaption(names, "Abort");
    if (esc < 0) esc = 0;
    std::vector<std::string> lines;
    std::string t = text ? text : "";
    size_t s = 0;
    for (size_t p; (p = t.find('\n', s)) != std::string::npos; s = p + 1) lines.push_back(t.substr(s, p - s));
    lines.push_back(t.substr(s));
    if (caption && *caption) lines.insert(lines.begin(), std::string("[") + caption + "]");
    std::string how;
    int i = askButtons(lines, names, def, esc, how);
    fx::record("message " + fx::quote(t) + " [" + joinButtons(names) + "] -> " + names[i] +
               (how.empty() ? "" : " (" + how + ")"));
    return ids[i];
}

int FxMessageBoxEx(const char* text, const char* caption, int style) {
    return FxMessageBox(nullptr, text, caption, style, 0);
}

int FxShowText(const char* text) {
    FxMessageBox(nullptr, text, nullptr, FX_MB_OK, 0);
    return 0;
}

int FxChoiceDialog(char** lines, const char* buttons, int, int helpContext, const char* caption, int) {
    std::vector<std::string> ls;
    if (caption && *caption) ls.push_back(std::string("[") + caption + "]");
    for (char** p = lines; p && *p; ++p) ls.push_back(*p);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(buttons ? buttons : "");
    int def = 1;
    if (*b && (*b <= ' ')) {
        def = *b == ' ' ? 1 : *b;
        ++b;
    }
    std::vector<std::string> names;
    std::string cur;
    for (const unsigned char* p = b; *p; ++p) {
        if (*p == ',') {
            names.push_back(cur);
            cur.clear();
        } else {
            cur += static_cast<char>(*p);
        }
    }
    if (!cur.empty() || names.empty()) names.push_back(cur.empty() ? "OK" : cur);
    if (def < 1 || def > static_cast<int>(names.size())) def = 1;
    int esc = indexOfCaption(names, "Cancel");
    if (esc < 0) esc = indexOfCaption(names, "No");
    if (esc < 0) esc = def - 1;
    std::string text;
    for (size_t i = (caption && *caption) ? 1 : 0; i < ls.size(); ++i) text += (text.empty() ? "" : "\n") + ls[i];
    for (;;) {
        std::string how;
        int i = askButtons(ls, names, def - 1, esc, how);
        fx::record("message " + fx::quote(text) + " [" + joinButtons(names) + "] -> " + fx::trimmed(names[i]) +
                   (how.empty() ? "" : " (" + how + ")"));
        std::string chosen = fx::trimmed(names[i]);
        if (strcasecmp(chosen.c_str(), "F1 Help") == 0 && how.empty()) {
            FxShowHelp(1, helpContext, 0);
            continue;
        }
        return i + 1;
    }
}

int FxPopupChoose(const char* list, int row, int column, int current) {
    int def = 1;
    std::vector<std::string> items = fx::splitChoices(list, &def);
    if (items.empty()) return 0;
    int count = static_cast<int>(items.size());
    int result = current >= 1 && current <= count ? current : 0;
    std::string how;
    for (bool asking = true; asking;) {
        asking = false;
        if (fx::terminalActive()) {
            int r = fx::terminalPopup(items, result > 0 ? result - 1 : 0, row, column);
            if (r == -2) { // F1
                FxShowHelp(1, 0, 0);
                asking = true;
                continue;
            }
            result = r < 0 ? 0 : r + 1;
            if (r < 0) how = "Esc";
            continue;
        }
        fx::Event ev = fx::nextEvent(true);
        if (ev.kind == fx::Event::Pick && ev.field >= 0 && ev.field <= count) {
            result = ev.field;
        } else if (ev.kind == fx::Event::Answer) {
            for (size_t i = 0; i < items.size(); ++i)
                if (strcasecmp(items[i].c_str(), ev.text.c_str()) == 0) result = static_cast<int>(i) + 1;
        } else if (ev.kind == fx::Event::Exhausted || (ev.kind == fx::Event::Key && ev.key == FX_KEY_ESC)) {
            result = 0;
            how = "Esc";
        } else if (ev.kind == fx::Event::Key && ev.key == FX_KEY_F1) {
            FxShowHelp(1, 0, 0);
            asking = true;
        } else if (ev.kind == fx::Event::Key && (ev.key == FX_KEY_F10 || ev.key == FX_KEY_ENTER)) {
            how = ev.key == FX_KEY_F10 ? "F10" : "Enter";
        } else if (ev.kind == fx::Event::Key && (ev.key == FX_KEY_DOWN || ev.key == FX_KEY_UP)) {
            result = std::clamp(result + (ev.key == FX_KEY_DOWN ? 1 : -1), 1, count);
            asking = true;
        } else {
            fx::unreadEvent(ev);
            how = "kept";
        }
    }
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) joined += (i ? "," : "") + items[i];
    fx::record("popup [" + joined + "] at " + std::to_string(row) + "," + std::to_string(column) + " -> " +
               (result > 0 && result <= count ? items[result - 1] : "none") + (how.empty() ? "" : " (" + how + ")"));
    return result;
}

int FxMenuChoose(const char* title, const char* const* items, int count, int current) {
    std::vector<std::string> list;
    for (int i = 0; items && i < count; ++i) list.emplace_back(items[i] ? items[i] : "");
    if (list.empty()) return 0;
    const int n = static_cast<int>(list.size());
    const int page = FX_SCREEN_LAST_ROW - 2; // the rows a page of the menu shows
    int sel = std::clamp(current, 1, n) - 1;
    std::string typed;
    // The first item that begins with the digits typed so far; -1 when none.
    auto itemOf = [&](const std::string& digits) {
        for (int i = 0; i < n; ++i)
            if (list[static_cast<size_t>(i)].rfind(digits, 0) == 0) return i;
        return -1;
    };
    auto typeDigit = [&](char c) {
        int at = itemOf(typed + c);
        if (at < 0) {
            typed.clear();
            at = itemOf(std::string(1, c));
        }
        if (at >= 0) {
            typed += c;
            sel = at;
        } else {
            typed.clear();
            FxBeep();
        }
    };
    const std::string name = title ? title : "";
    for (;;) {
        int key = 0;
        if (fx::terminalActive()) {
            key = fx::terminalMenu(name, list, sel, typed);
        } else {
            fx::Event ev = fx::nextEvent(true);
            if (ev.kind == fx::Event::Pick) {
                if (ev.field >= 1 && ev.field <= n) sel = ev.field - 1;
                key = ev.field >= 1 && ev.field <= n ? FX_KEY_ENTER : FX_KEY_ESC;
            } else if (ev.kind == fx::Event::Type || ev.kind == fx::Event::Answer) {
                typed.clear();
                for (char c : fx::trimmed(ev.text))
                    if (std::isdigit(static_cast<unsigned char>(c))) typeDigit(c);
                fx::record("menu typed " + fx::quote(ev.text) + " -> " + list[static_cast<size_t>(sel)]);
                continue;
            } else if (ev.kind == fx::Event::Key) {
                key = ev.key;
            } else if (ev.kind == fx::Event::Exhausted) {
                key = FX_KEY_ESC;
            } else {
                continue;
            }
        }
        if (key >= '0' && key <= '9') {
            typeDigit(static_cast<char>(key));
            continue;
        }
        if (key != FX_KEY_BACKSPACE) typed.clear();
        switch (key) {
        case FX_KEY_UP: sel = std::max(0, sel - 1); break;
        case FX_KEY_DOWN: sel = std::min(n - 1, sel + 1); break;
        case FX_KEY_HOME: sel = 0; break;
        case FX_KEY_END: sel = n - 1; break;
        case FX_KEY_PGUP: sel = std::max(0, sel - page); break;
        case FX_KEY_PGDN: sel = std::min(n - 1, sel + page); break;
        case FX_KEY_BACKSPACE:
            if (!typed.empty()) typed.pop_back();
            break;
        case FX_KEY_F1: FxShowHelp(11, 0, 0); break;
        case FX_KEY_ENTER:
        case FX_KEY_F10:
            fx::record("menu " + fx::quote(name) + " -> " + list[static_cast<size_t>(sel)]);
            return sel + 1;
        case FX_KEY_ESC: fx::record("menu " + fx::quote(name) + " -> none (Esc)"); return 0;
        default: break;
        }
    }
}

int FxChoosePrinter(const char* printers, char* out, int size) {
    if (!out || size <= 0) return 0;
    out[0] = '\0';
    std::vector<std::string> names;
    int def = 1;
    if (printers && *printers)
        for (const std::string& n : fx::splitChoices(printers, &def))
            if (!fx::trimmed(n).empty()) names.push_back(fx::trimmed(n));
    // the system's printers, when it has a print spooler
    if (::access("/usr/bin/lpstat", X_OK) == 0)
        if (FILE* p = ::popen("/usr/bin/lpstat -a 2>/dev/null", "r")) {
            char line[512];
            while (std::fgets(line, sizeof line, p)) {
                std::string n = line;
                n = n.substr(0, n.find_first_of(" \t\r\n"));
                if (!n.empty() && std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
            }
            ::pclose(p);
        }
    names.push_back("file");
    std::string list = "\x01";
    for (size_t i = 0; i < names.size(); ++i) {
        std::string n = names[i];
        for (char& c : n)
            if (c == ',') c = ' ';
        list += (i ? "," : "") + n;
    }
    int picked = FxPopupChoose(list.c_str(), -1, -1, 1);
    if (picked < 1) return 0;
    std::string chosen = names[static_cast<size_t>(picked - 1)].substr(0, static_cast<size_t>(size - 1));
    std::memcpy(out, chosen.c_str(), chosen.size() + 1);
    return picked;
}

} // extern "C"
