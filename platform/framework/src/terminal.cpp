// The terminal driver (ncurses): draws windows, fields, the key bar,
// message boxes, status and progress windows, and reads keys as scan codes.
// The terminal is restored on every way out: normal stop, exit, and the
// signals that end the program.
#include "internal.hpp"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <curses.h>
#include <string>
#include <unistd.h>

namespace {

bool gActive = false;
bool gExplicit = false; // a driver was chosen by a call: no automatic switch
bool gHandlersSet = false;
int gSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE};
struct sigaction gOld[sizeof gSignals / sizeof gSignals[0]];

void restore() {
    if (gActive) {
        gActive = false;
        endwin();
    }
}

void onSignal(int sig) {
    if (gActive) {
        gActive = false;
        endwin();
    }
    // Run the default action of the signal now that the terminal is sane.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void installHandlers() {
    if (gHandlersSet) return;
    gHandlersSet = true;
    std::atexit(restore);
    for (size_t i = 0; i < sizeof gSignals / sizeof gSignals[0]; ++i) {
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESETHAND;
        sigaction(gSignals[i], &sa, &gOld[i]);
    }
}

const int kAltLetters[26] = {0x1E00, 0x3000, 0x2E00, 0x2000, 0x1200, 0x2100, 0x2200, 0x2300, 0x1700,
                             0x2400, 0x2500, 0x2600, 0x3200, 0x3100, 0x1800, 0x1900, 0x1000, 0x1300,
                             0x1F00, 0x1400, 0x1600, 0x2F00, 0x1100, 0x2D00, 0x1500, 0x2C00};

int gCtrlHome = -1, gCtrlEnd = -1; // terminal codes of Ctrl+Home and Ctrl+End, when it has them

int mapKey(int ch) {
    if (ch == gCtrlHome) return 0x7700;
    if (ch == gCtrlEnd) return 0x7500;
    if (ch >= KEY_F(1) && ch <= KEY_F(10)) return 0x3B00 + (ch - KEY_F(1)) * 0x100;
    if (ch >= KEY_F(13) && ch <= KEY_F(22)) return 0x5400 + (ch - KEY_F(13)) * 0x100;
    switch (ch) {
    case KEY_UP: return 0x4800;
    case KEY_DOWN: return 0x5000;
    case KEY_LEFT: return 0x4B00;
    case KEY_RIGHT: return 0x4D00;
    case KEY_PPAGE: return 0x4900;
    case KEY_NPAGE: return 0x5100;
    case KEY_HOME: return 0x4700;
    case KEY_END: return 0x4F00;
    case KEY_BTAB: return 0x0F00;
    case KEY_DC: return 0x5300;
    case KEY_IC: return 0x5200;
    case KEY_ENTER:
    case '\n':
    case '\r': return 13;
    case KEY_BACKSPACE:
    case 127:
    case 8: return 8;
    case '\t': return 9;
    default: break;
    }
    if (ch == 27) {
        nodelay(stdscr, TRUE);
        int next = getch();
        nodelay(stdscr, FALSE);
        if (next == ERR) return 27;
        if (next >= 'a' && next <= 'z') return kAltLetters[next - 'a'];
        if (next >= 'A' && next <= 'Z') return kAltLetters[next - 'A'];
        if (next >= '1' && next <= '9') return 0x7800 + (next - '1') * 0x100;
        if (next == '0') return 0x8100;
        ungetch(next);
        return 27;
    }
    if (ch >= 32 && ch < 256) return ch;
    return -1;
}

void drawBox(int top, int left, int bottom, int right, const std::string& title) {
    for (int r = top; r <= bottom; ++r) mvhline(r, left, ' ', right - left + 1);
    if (bottom - top >= 1 && right - left >= 1) {
        mvhline(top, left + 1, ACS_HLINE, right - left - 1);
        mvhline(bottom, left + 1, ACS_HLINE, right - left - 1);
        mvvline(top + 1, left, ACS_VLINE, bottom - top - 1);
        mvvline(top + 1, right, ACS_VLINE, bottom - top - 1);
        mvaddch(top, left, ACS_ULCORNER);
        mvaddch(top, right, ACS_URCORNER);
        mvaddch(bottom, left, ACS_LLCORNER);
        mvaddch(bottom, right, ACS_LRCORNER);
    }
    if (!title.empty()) mvaddnstr(top, left + 2, (" " + title + " ").c_str(), std::max(0, right - left - 3));
}

void drawAll() {
    erase();
    std::vector<fx::WindowView> views = fx::screenViews();
    int cursorRow = -1, cursorCol = -1;
    for (const fx::WindowView& v : views) {
        FxWindow* w = v.window;
        std::string title = w->title[0] ? w->title : w->name;
        drawBox(w->top, w->left, w->bottom, w->right, title);
        for (const auto& t : v.texts)
            mvaddnstr(w->top + t.first.first, w->left + t.first.second, t.second.c_str(),
                      std::max(0, w->right - (w->left + t.first.second)));
        for (const fx::FieldView& f : v.fields) {
            if (f.hidden) continue;
            int r = w->top + f.row, c = w->left + f.column;
            if (r > w->bottom || c > w->right) continue;
            // a field wider than its window scrolls so that the cursor stays in view
            int width = std::max(1, std::min(f.width, w->right - c));
            std::string t = f.text;
            for (char& ch : t)
                if (static_cast<unsigned char>(ch) == 0xFF) ch = ' ';
            int first = f.current && f.cursor >= width ? f.cursor - width + 1 : 0;
            t = first < static_cast<int>(t.size()) ? t.substr(first) : std::string();
            if (f.alignRight) {
                t = fx::trimmed(t);
                if (static_cast<int>(t.size()) < width) t.insert(0, width - t.size(), ' ');
            }
            t.resize(width, ' ');
            attr_t a = f.current ? A_REVERSE : f.displayOnly ? A_NORMAL : A_UNDERLINE;
            attron(a);
            mvaddnstr(r, c, t.c_str(), width);
            attroff(a);
            if (f.current) {
                cursorRow = r;
                cursorCol = c + std::min(f.cursor - first, width - 1);
            }
        }
        if (&v == &views.back() && !v.keyBar.empty()) {
            std::string bar;
            for (const std::string& k : v.keyBar) bar += k + "  ";
            move(24, 0);
            clrtoeol();
            attron(A_REVERSE);
            mvaddnstr(24, 0, bar.c_str(), 80);
            attroff(A_REVERSE);
        }
    }
    int row = 8;
    for (const fx::StatusView& s : fx::statusViews()) {
        int height = 2 + static_cast<int>(std::count_if(s.lines.begin(), s.lines.end(), [](const std::string& l) { return !l.empty(); })) + (s.total ? 1 : 0);
        drawBox(row, 15, row + height, 64, s.name);
        int r = row + 1;
        for (const std::string& l : s.lines)
            if (!l.empty()) mvaddnstr(r++, 17, l.c_str(), 46);
        if (s.total) {
            int filled = std::min(44, s.count * 44 / std::max(1, s.total));
            mvhline(r, 17, ACS_CKBOARD, filled);
            mvprintw(r, 17 + 44 - 9, " %d/%d", s.count, s.total);
        }
        row += height + 1;
        if (row > 20) row = 8;
    }
    if (cursorRow >= 0) {
        curs_set(1);
        move(cursorRow, cursorCol);
    } else {
        curs_set(0);
    }
    refresh();
}

} // namespace

namespace fx {

bool terminalActive() { return gActive; }

void terminalRedraw() {
    if (gActive) drawAll();
}

void terminalShutdown() { restore(); }

void terminalFlush() {
    if (gActive) flushinp();
}

void terminalBeep() {
    if (gActive) beep();
}

int terminalReadKey(bool wait) {
    if (!gActive) return 0;
    timeout(wait ? -1 : 0);
    for (;;) {
        int ch = getch();
        if (ch == ERR) break;
        if (ch == KEY_RESIZE) {
            drawAll();
            continue;
        }
        int k = mapKey(ch);
        if (k < 0) {
            fx::record("key code " + std::to_string(ch) + " ignored: not a key the framework knows");
            continue;
        }
        timeout(-1);
        return k;
    }
    timeout(-1);
    return 0;
}

int terminalAskButtons(const std::vector<std::string>& lines, const std::vector<std::string>& buttons,
                       int defaultIndex) {
    int sel = defaultIndex;
    for (;;) {
        drawAll();
        int width = 20;
        for (const std::string& l : lines) width = std::max(width, static_cast<int>(l.size()) + 4);
        int bw = 0;
        for (const std::string& b : buttons) bw += static_cast<int>(fx::trimmed(b).size()) + 4;
        width = std::min(78, std::max(width, bw + 4));
        int height = static_cast<int>(lines.size()) + 4;
        int top = std::max(0, (25 - height) / 2), left = (80 - width) / 2;
        drawBox(top, left, top + height - 1, left + width - 1, "");
        for (size_t i = 0; i < lines.size(); ++i)
            mvaddnstr(top + 1 + static_cast<int>(i), left + 2, lines[i].c_str(), width - 4);
        int c = left + (width - bw) / 2;
        for (size_t i = 0; i < buttons.size(); ++i) {
            std::string b = "[" + fx::trimmed(buttons[i]) + "]";
            if (static_cast<int>(i) == sel) attron(A_REVERSE);
            mvaddstr(top + height - 2, c, b.c_str());
            if (static_cast<int>(i) == sel) attroff(A_REVERSE);
            c += static_cast<int>(b.size()) + 2;
        }
        curs_set(0);
        refresh();
        int k = terminalReadKey(true);
        if (k == 27) return -1;
        if (k == 13) return sel;
        if (k == 0x4B00 || k == 0x0F00) sel = (sel + static_cast<int>(buttons.size()) - 1) % static_cast<int>(buttons.size());
        else if (k == 0x4D00 || k == 9) sel = (sel + 1) % static_cast<int>(buttons.size());
        else if (k == 0x3B00) {
            for (size_t i = 0; i < buttons.size(); ++i)
                if (fx::trimmed(buttons[i]).rfind("F1", 0) == 0) return static_cast<int>(i);
        } else if (k > 32 && k < 127) {
            for (size_t i = 0; i < buttons.size(); ++i) {
                std::string t = fx::trimmed(buttons[i]);
                if (!t.empty() && std::toupper(t[0]) == std::toupper(k)) return static_cast<int>(i);
            }
        }
    }
}

int terminalPopup(const std::vector<std::string>& items, int current, int row, int column) {
    int sel = std::clamp(current, 0, static_cast<int>(items.size()) - 1);
    for (;;) {
        drawAll();
        int width = 12;
        for (const std::string& s : items) width = std::max(width, static_cast<int>(s.size()) + 4);
        width = std::min(width, 78);
        int height = std::min(23, static_cast<int>(items.size()) + 2);
        int top = row >= 0 ? std::min(row, 25 - height) : (25 - height) / 2;
        int left = column >= 0 ? std::min(column, 80 - width) : (80 - width) / 2;
        drawBox(top, left, top + height - 1, left + width - 1, "");
        int first = std::max(0, sel - (height - 3));
        for (int i = 0; i < height - 2 && first + i < static_cast<int>(items.size()); ++i) {
            if (first + i == sel) attron(A_REVERSE);
            mvaddnstr(top + 1 + i, left + 2, items[first + i].c_str(), width - 4);
            if (first + i == sel) attroff(A_REVERSE);
        }
        refresh();
        int k = terminalReadKey(true);
        if (k == 27) return -1;
        if (k == 0x3B00) return -2;
        if (k == 13 || k == 0x4400) return sel;
        if (k == 0x4800 && sel > 0) --sel;
        if (k == 0x5000 && sel + 1 < static_cast<int>(items.size())) ++sel;
    }
}

} // namespace fx

extern "C" {

void FxUseScriptDriver(void) {
    gExplicit = true;
    restore();
}

void FxUseTerminalDriver(void) {
    gExplicit = true;
    if (gActive) return;
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        fx::record("terminal driver not available: script driver kept");
        return;
    }
    installHandlers();
    if (!initscr()) return;
    gActive = true;
    cbreak(); // Ctrl+C still interrupts: the handler gives the terminal back
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(25);
    gCtrlHome = key_defined("kHOM5");
    gCtrlEnd = key_defined("kEND5");
    if (gCtrlHome <= 0) gCtrlHome = -1;
    if (gCtrlEnd <= 0) gCtrlEnd = -1;
    drawAll();
}

int FxUsingTerminal(void) { return gActive ? 1 : 0; }

} // extern "C"

namespace fx {
// FxStart picks the terminal only when no driver was chosen by a call.
bool driverChosen() { return gExplicit; }
} // namespace fx
