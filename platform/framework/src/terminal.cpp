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
    // Ctrl+letter: the control code itself (Ctrl+F 6, Ctrl+L 12, Ctrl+R 18)
    if (ch >= 1 && ch <= 26) return ch;
    return -1;
}

// Where the 25 x 80 screen goes on the terminal: centred, with the heading
// above it and the prompt line and the key bar below it when there is room,
// and cut at the bottom (above the prompt and key bar) when there is not.
struct Layout {
    int rows = 25, cols = 80;
    int top = 0, left = 0;   // terminal place of screen row 0, column 0
    int clip = 24;           // last terminal row the screen may use
    int promptRow = 23, keyRow = 24, keyRows = 1;
    bool tooSmall = false;
};
Layout gLayout;
bool gColour = false;

enum Pair { kWindow = 1, kField, kCurrent, kKeys, kKeysOff, kHeading, kRefused, kBox };

void setupColours() {
    gColour = has_colors() && start_color() == OK;
    if (!gColour) return;
    use_default_colors();
    init_pair(kWindow, COLOR_WHITE, COLOR_BLUE);
    init_pair(kField, COLOR_BLACK, COLOR_CYAN);
    init_pair(kCurrent, COLOR_BLACK, COLOR_WHITE);
    init_pair(kKeys, COLOR_BLACK, COLOR_WHITE);
    init_pair(kKeysOff, COLOR_BLUE, COLOR_WHITE);
    init_pair(kHeading, COLOR_YELLOW, COLOR_BLUE);
    init_pair(kRefused, COLOR_WHITE, COLOR_RED);
    init_pair(kBox, COLOR_BLACK, COLOR_WHITE);
}

// The attribute of a part of the screen: colours on a colour terminal,
// monochrome attributes otherwise.
attr_t look(Pair p) {
    if (gColour) {
        attr_t a = COLOR_PAIR(p);
        if (p == kHeading || p == kCurrent) a |= A_BOLD;
        return a;
    }
    switch (p) {
    case kField: return A_UNDERLINE;
    case kCurrent: return A_REVERSE;
    case kKeys: return A_REVERSE;
    case kKeysOff: return A_REVERSE | A_DIM;
    case kHeading: return A_BOLD;
    case kRefused: return A_BOLD | A_REVERSE;
    default: return A_NORMAL;
    }
}

void computeLayout(int keyRows) {
    Layout l;
    getmaxyx(stdscr, l.rows, l.cols);
    l.tooSmall = l.rows < 24 || l.cols < 80;
    l.keyRows = keyRows;
    l.keyRow = l.rows - keyRows;
    l.promptRow = l.keyRow - 1;
    l.left = (l.cols - 80) / 2;
    int free = l.rows - 25 - 2 - keyRows; // heading, prompt, key bar
    l.top = free >= 0 ? 1 + free / 2 : 1;
    l.clip = l.promptRow - 1;
    gLayout = l;
}

// Writes on the screen at screen row r, column c, cut at the screen's edges.
void put(int r, int c, const std::string& text, int width) {
    int tr = gLayout.top + r;
    if (r < 0 || r > 24 || tr > gLayout.clip || tr < 1) return;
    if (c < 0) c = 0;
    width = std::min(width, 80 - c);
    if (width <= 0) return;
    mvaddnstr(tr, gLayout.left + c, text.c_str(), width);
}

void fill(int r, int c, int width) {
    int tr = gLayout.top + r;
    if (r < 0 || r > 24 || tr > gLayout.clip || tr < 1 || width <= 0) return;
    mvhline(tr, gLayout.left + c, ' ', std::min(width, 80 - c));
}

void drawBox(int top, int left, int bottom, int right, const std::string& title, attr_t a = A_NORMAL) {
    attron(a);
    for (int r = top; r <= bottom; ++r) fill(r, left, right - left + 1);
    auto at = [](int r, int c, chtype ch) {
        int tr = gLayout.top + r;
        if (tr >= 1 && tr <= gLayout.clip && r >= 0 && r <= 24) mvaddch(tr, gLayout.left + c, ch);
    };
    if (bottom - top >= 1 && right - left >= 1) {
        for (int c = left + 1; c < right; ++c) {
            at(top, c, ACS_HLINE);
            at(bottom, c, ACS_HLINE);
        }
        for (int r = top + 1; r < bottom; ++r) {
            at(r, left, ACS_VLINE);
            at(r, right, ACS_VLINE);
        }
        at(top, left, ACS_ULCORNER);
        at(top, right, ACS_URCORNER);
        at(bottom, left, ACS_LLCORNER);
        at(bottom, right, ACS_LRCORNER);
    }
    if (!title.empty()) put(top, left + 2, " " + title + " ", std::max(0, right - left - 3));
    attroff(a);
}

void drawFrame(const fx::FrameView& f, const std::vector<std::string>& keyRows) {
    attr_t h = look(kHeading);
    attron(h);
    mvhline(0, 0, ' ', gLayout.cols);
    std::string left = f.company;
    std::string right = f.period;
    mvaddnstr(0, 1, left.c_str(), std::max(0, gLayout.cols - 2));
    if (!right.empty() && static_cast<int>(left.size() + right.size()) + 4 <= gLayout.cols)
        mvaddnstr(0, gLayout.cols - 1 - static_cast<int>(right.size()), right.c_str(), static_cast<int>(right.size()));
    attroff(h);
    move(gLayout.promptRow, 0);
    clrtoeol();
    if (!f.prompt.empty()) {
        attr_t a = f.refused ? look(kRefused) : A_NORMAL;
        attron(a);
        mvaddnstr(gLayout.promptRow, 1, f.prompt.c_str(), gLayout.cols - 2);
        attroff(a);
    }
    for (int i = 0; i < gLayout.keyRows; ++i) {
        int row = gLayout.keyRow + i;
        attron(look(kKeys));
        mvhline(row, 0, ' ', gLayout.cols);
        attroff(look(kKeys));
        if (i >= static_cast<int>(keyRows.size())) continue;
        // keys switched off are drawn dim: each item is found in the row text
        const std::string& text = keyRows[i];
        int col = std::max(0, (gLayout.cols - 80) / 2);
        size_t p = 0;
        while (p < text.size()) {
            size_t end = text.find("  ", p);
            std::string item = text.substr(p, end == std::string::npos ? std::string::npos : end - p);
            bool off = !item.empty() && item[0] == '(';
            attr_t a = look(off ? kKeysOff : kKeys);
            attron(a);
            mvaddnstr(row, col + static_cast<int>(p), item.c_str(), gLayout.cols - col - static_cast<int>(p));
            attroff(a);
            if (end == std::string::npos) break;
            p = end + 2;
        }
    }
}

// The rows of a list view (or of a grid's visible lines): `count` rows from
// screen row `row`, one every `step` rows, the highlighted one reversed.
void drawListRows(const fx::ListViewModel& lv, int count, int row, int step) {
    const int width = lv.insideWidth();
    for (int i = 0; i < count; ++i, row += step) {
        std::string t = lv.rowText(static_cast<size_t>(i));
        t.resize(static_cast<size_t>(width), ' ');
        const bool high = i == lv.highlight;
        if (high) attron(A_REVERSE);
        put(row, lv.left + 1, t, width);
        if (high) attroff(A_REVERSE);
    }
}

void drawAll() {
    erase();
    fx::FrameView frame = fx::frameView();
    std::vector<std::string> keyRows = fx::keyBarLayout(frame.keys, 80);
    computeLayout(std::max<int>(1, static_cast<int>(keyRows.size())));
    if (gLayout.tooSmall) {
        std::string notice = "Please make this window at least 80 x 24 (it is " + std::to_string(gLayout.cols) + " x " +
                             std::to_string(gLayout.rows) + ").";
        mvaddnstr(0, 0, notice.c_str(), gLayout.cols);
        curs_set(0);
        refresh();
        return;
    }
    std::vector<fx::WindowView> views = fx::screenViews();
    int cursorRow = -1, cursorCol = -1;
    for (const fx::WindowView& v : views) {
        FxWindow* w = v.window;
        drawBox(w->top, w->left, w->bottom, w->right, v.title, look(kWindow));
        attron(look(kWindow));
        for (const auto& t : v.texts)
            put(w->top + t.first.first, w->left + t.first.second, t.second, std::max(0, w->right - (w->left + t.first.second)));
        for (const fx::WindowView::GridLines& g : v.grids)
            drawListRows(*g.lines, static_cast<int>(g.lines->rows.size()), g.row, g.step);
        attroff(look(kWindow));
        for (const fx::WindowView::Mark& m : v.marks) {
            const int r = gLayout.top + w->top + m.row, c = w->left + m.column;
            if (w->top + m.row > w->bottom || r > gLayout.clip || c > 79) continue;
            mvchgat(r, gLayout.left + c, std::min(m.width, 80 - c), A_REVERSE, gColour ? kCurrent : 0, nullptr);
        }
        if (v.cursorRow >= 0 && w->top + v.cursorRow <= w->bottom && w->left + v.cursorColumn <= w->right) {
            cursorRow = gLayout.top + w->top + v.cursorRow;
            cursorCol = gLayout.left + w->left + v.cursorColumn;
        }
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
            attr_t a = f.current ? look(kCurrent) : f.displayOnly ? look(kWindow) : look(kField);
            attron(a);
            put(r, c, t, width);
            attroff(a);
            if (f.current) {
                cursorRow = gLayout.top + r;
                cursorCol = gLayout.left + c + std::min(f.cursor - first, width - 1);
            }
        }
    }
    int row = 8;
    for (const fx::StatusView& s : fx::statusViews()) {
        int height = 2 + static_cast<int>(std::count_if(s.lines.begin(), s.lines.end(), [](const std::string& l) { return !l.empty(); })) + (s.progress ? 1 : 0);
        drawBox(row, 15, row + height, 64, s.title, look(kBox));
        attron(look(kBox));
        int r = row + 1;
        for (const std::string& l : s.lines)
            if (!l.empty()) put(r++, 17, l, 46);
        if (s.progress) {
            // the count always fits the box: "1.2M/3.4M" at most 13 characters
            std::string count = " " + fx::shortCount(s.count) + (s.total ? "/" + fx::shortCount(s.total) : "") + " ";
            int barWidth = 46 - static_cast<int>(count.size());
            int filled = s.total > 0 ? static_cast<int>(std::min<long long>(barWidth, static_cast<long long>(std::max(0, s.count)) * barWidth / s.total)) : 0;
            std::string bar(static_cast<size_t>(filled), '#');
            bar.resize(static_cast<size_t>(barWidth), '.');
            put(r, 17, bar + count, 46);
        }
        attroff(look(kBox));
        row += height + 1;
        if (row > 18) row = 8;
    }
    for (const fx::ListViewModel* lv : fx::listViews()) {
        drawBox(lv->top, lv->left, lv->bottom, lv->right, lv->title, look(kBox));
        attron(look(kBox));
        const int width = lv->insideWidth();
        int r = lv->top + 1;
        for (const std::string* line : {&lv->line2, &lv->line3})
            if (!line->empty()) put(r++, lv->left + 1, *line, width);
        attron(A_UNDERLINE);
        put(r++, lv->left + 1, lv->headingText(), width);
        attroff(A_UNDERLINE);
        drawListRows(*lv, lv->rowCount(), r, 1);
        if (lv->hasPrompt) put(lv->bottom - 1, lv->left + 1, lv->prompt + " " + lv->search, width);
        attroff(look(kBox));
    }
    drawFrame(frame, keyRows);
    if (cursorRow >= 0 && cursorRow <= gLayout.clip) {
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
        drawBox(top, left, top + height - 1, left + width - 1, "", look(kBox));
        attron(look(kBox));
        for (size_t i = 0; i < lines.size(); ++i) put(top + 1 + static_cast<int>(i), left + 2, lines[i], width - 4);
        attroff(look(kBox));
        int c = left + (width - bw) / 2;
        for (size_t i = 0; i < buttons.size(); ++i) {
            std::string b = "[" + fx::trimmed(buttons[i]) + "]";
            if (static_cast<int>(i) == sel) attron(A_REVERSE);
            put(top + height - 2, c, b, static_cast<int>(b.size()));
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

int terminalBrowse(const std::string& title, const std::string& folder, const std::vector<std::string>& items, int sel) {
    drawAll();
    int height = 18, top = 3;
    drawBox(top, 10, top + height - 1, 69, title.empty() ? "Choose a folder" : title, look(kBox));
    attron(look(kBox));
    std::string shown = folder.size() > 56 ? "..." + folder.substr(folder.size() - 53) : folder;
    put(top + 1, 12, shown, 56);
    int rows = height - 5;
    int first = std::max(0, sel - rows + 1);
    for (int i = 0; i < rows && first + i < static_cast<int>(items.size()); ++i) {
        if (first + i == sel) attron(A_REVERSE);
        put(top + 3 + i, 12, items[first + i], 56);
        if (first + i == sel) attroff(A_REVERSE);
    }
    put(top + height - 2, 12, "Enter opens  Backspace up  F10 picks  Esc leaves", 56);
    attroff(look(kBox));
    curs_set(0);
    refresh();
    return terminalReadKey(true);
}

void terminalShowText(const std::string& title, const std::vector<std::string>& lines) {
    size_t first = 0;
    for (;;) {
        drawAll();
        int height = std::min(18, static_cast<int>(lines.size()) + 3);
        int top = (25 - height) / 2;
        drawBox(top, 4, top + height - 1, 75, title.empty() ? "Help" : title, look(kBox));
        attron(look(kBox));
        for (int i = 0; i < height - 3 && first + i < lines.size(); ++i) put(top + 1 + i, 6, lines[first + i], 68);
        put(top + height - 2, 6, "Esc closes the help", 68);
        attroff(look(kBox));
        curs_set(0);
        refresh();
        int k = terminalReadKey(true);
        if (k == 27 || k == 13) return;
        if (k == 0x5000 && first + (height - 3) < lines.size()) ++first;
        if (k == 0x4800 && first > 0) --first;
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
        drawBox(top, left, top + height - 1, left + width - 1, "", look(kBox));
        int first = std::max(0, sel - (height - 3));
        for (int i = 0; i < height - 2 && first + i < static_cast<int>(items.size()); ++i) {
            if (first + i == sel) attron(A_REVERSE);
            put(top + 1 + i, left + 2, items[first + i], width - 4);
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

int terminalDropList(const std::vector<std::string>& items, int row, int column) {
    if (items.empty()) return -1;
    int sel = -1;
    for (;;) {
        drawAll();
        int width = 12;
        for (const std::string& s : items) width = std::max(width, static_cast<int>(s.size()) + 4);
        width = std::min(width, 78);
        int height = std::min(23, static_cast<int>(items.size()) + 2);
        int top = std::clamp(row, 0, 25 - height);
        int left = std::clamp(column, 0, 80 - width);
        drawBox(top, left, top + height - 1, left + width - 1, "", look(kBox));
        int first = std::max(0, sel - (height - 3));
        for (int i = 0; i < height - 2 && first + i < static_cast<int>(items.size()); ++i) {
            if (first + i == sel) attron(A_REVERSE);
            put(top + 1 + i, left + 2, items[first + i], width - 4);
            if (first + i == sel) attroff(A_REVERSE);
        }
        refresh();
        int k = terminalReadKey(true);
        if (k == FX_KEY_ESC) return -1;
        if (k == FX_KEY_ENTER && sel >= 0) return sel;
        if (k == FX_KEY_DOWN) {
            if (sel + 1 < static_cast<int>(items.size())) ++sel;
            continue;
        }
        if (k == FX_KEY_UP) {
            if (sel >= 0) --sel;
            continue;
        }
        if (k > 0) pushKey(k);
        return -1;
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
    setupColours();
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
