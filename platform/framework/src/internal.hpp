// Framework internals shared by the sources of the library.
#pragma once

#include "fx.h"

#include <string>
#include <vector>

namespace fx {

// ---- input events
struct Event {
    enum Kind { Key, Type, Field, Answer, Pick, Wait, Exhausted };
    Kind kind = Exhausted;
    int key = 0;
    int field = 0;
    std::string text;
};

// Takes the next input event. With wait false an empty input gives Wait
// (terminal: no key pressed; script: a "wait" line or the end of the script
// answered as Exhausted only when waiting).
Event nextEvent(bool wait);
// Puts a key in front of the input.
void pushKey(int key);
// Gives an event back: the next nextEvent returns it again.
void unreadEvent(const Event& ev);
// Waits for input that got no real answer since the script ran out.
int exhaustedInARow();
void clearExhaustedInARow();
// Counts the answers given after the script ran out (reset by script load).
int exhaustedCount();

// ---- transcript
void record(const std::string& line);
std::string quote(const std::string& text);
std::string keyName(int key);
int keyFromName(const std::string& name); // -1 when unknown

// ---- drivers
bool terminalActive();
void terminalRedraw();
void terminalShutdown();
void terminalBeep();
void terminalFlush(); // drops the keys typed ahead
void dropPushedKeys(); // drops keys queued by FxPostKey
// Modal choice among buttons on the terminal: index from 0, or -1 on Esc.
int terminalAskButtons(const std::vector<std::string>& lines, const std::vector<std::string>& buttons,
                       int defaultIndex);
// Terminal pop-up list at row, column (negative: centred): index from 0, -1
// on Esc, -2 on F1.
int terminalPopup(const std::vector<std::string>& items, int current, int row, int column);
// Terminal drop list under a field at row, column: nothing is highlighted
// until Down; Enter on a highlighted item gives its index from 0. Esc closes
// it (-1); any other key, and Enter with nothing highlighted, closes it and
// goes back to the input for the field (-1).
int terminalDropList(const std::vector<std::string>& items, int row, int column);
int terminalReadKey(bool wait);

// ---- screen model, for the terminal driver's drawing
struct FieldView {
    int number, row, column, width;
    std::string text;     // as shown ('*' for a concealed field)
    bool hidden, displayOnly, current;
    int cursor;           // place of the cursor in the text
    bool alignRight;      // numbers are shown right-aligned when not being typed
};
struct WindowView {
    FxWindow* window;
    std::string title; // from the screen resources by the window's name, else the window's own
    std::vector<FieldView> fields;
    std::vector<std::pair<std::pair<int, int>, std::string>> texts; // (row, col) text
    // the visible lines of the window's grids, drawn as list rows: the first
    // one on screen row `row`, one every `step` rows
    struct GridLines {
        const struct ListViewModel* lines;
        int row;
        int step;
    };
    std::vector<GridLines> grids;
    int cursorRow = -1, cursorColumn = -1; // the window's own cursor (FxWindowCursor), -1 none
    struct Mark {
        int row, column, width;
    };
    std::vector<Mark> marks; // spans drawn reversed (FxWindowMark)
};
std::vector<WindowView> screenViews();
// The lines around the windows: the heading (company, period), the prompt
// or the reason of a refused entry, and the key bar items of the form that
// has the cursor.
struct KeyView {
    std::string text;
    bool on;
};
struct FrameView {
    std::string company, period, prompt;
    bool refused = false;
    std::vector<KeyView> keys;   // in order, F2 options left out
};
FrameView frameView();
std::vector<std::string> keyBarLayout(const std::vector<KeyView>& keys, int width);
struct StatusView {
    std::string name;
    std::string title;
    std::vector<std::string> lines;
    int count, total;
    bool progress;
};
// A count in at most 6 characters: 999999, then 1.2M, 12.3M, 123M, 1.2G.
std::string shortCount(long long n);
std::vector<StatusView> statusViews();

// ---- shared helpers
std::vector<std::string> splitChoices(const char* list, int* defaultOption);
std::string trimmed(const std::string& s);
int pictureWidth(const char* picture);
// What a field's picture lets a person type.
struct PictureKind {
    enum Kind { Text, Number, Mask };
    Kind kind = Text;
    int width = 0;
    int decimals = 0;      // numbers: digits after the point
    bool sign = true;      // numbers: a leading '-' is allowed
    bool packs = false;    // numbers: "packs/units" quantities ('F')
    bool upper = false;    // 'C': typed letters become upper case
    bool date = false;     // masks "nn/nn/nn" and "nn/nn/nnnn"
    std::string mask;      // masks: n digit, a letter, c any, others literal
    std::string problem;   // why the picture cannot be used, empty when it can
};
PictureKind pictureKind(const char* picture);

// ---- identity kept by app.cpp
std::string dataFolder();
std::string companyName();
std::string headingLine(int line);
std::string appTitle();
std::string helpFolder();
std::string helpFile();

// ---- help (help.cpp)
std::vector<std::string> helpTopic(const std::string& topic, bool& found);
void showHelpWindow(const std::string& title, const std::string& topic);
// Terminal folder browser: draws the list and reads one key.
int terminalBrowse(const std::string& title, const std::string& folder, const std::vector<std::string>& items, int sel);
// Terminal: a text window over the screen until Esc or Enter.
void terminalShowText(const std::string& title, const std::vector<std::string>& lines);

// ---- screen texts
constexpr int kScreenTextLines = 64;
std::vector<std::string> screenText(const std::string& name); // lines 0..63 of a named screen text
std::string screenTitle(const std::string& name);             // its title (line FX_SCREEN_TITLE_LINE), or ""


// ---- scrolling list views (listview.cpp), drawn by the terminal driver
struct ListViewModel {
    int top = 0, left = 0, bottom = 0, right = 0;
    std::string title, line2, line3, prompt, search;
    bool hasPrompt = false;
    std::vector<std::string> captions;
    std::vector<int> widths;
    std::vector<bool> alignRight;
    std::vector<std::vector<std::string>> rows;
    int highlight = -1;
    size_t first = 0; // first column shown
    int insideWidth() const;
    int rowCount() const;
    std::string headingText() const;
    std::string rowText(size_t row) const;
};
std::vector<const ListViewModel*> listViews();
void resetListViews();
// Writes the visible rows to the transcript, one "<kind> row N [>] "text""
// line each ("<kind> empty" when there is none); > marks the highlighted one.
void recordListRows(const std::string& kind, const std::vector<std::string>& texts, int highlight);
// The type-ahead drop list of the field being typed into, under row, column:
// "autofill N "code  description"" lines in the transcript. Script: only a
// "pick N" event is taken; every other event stays for the field. The item
// picked from 1, 0 when none.
int fieldDropList(int row, int column, const std::vector<std::string>& codes,
                  const std::vector<std::string>& descriptions);

// ---- resets of each part
void resetScreens();
void resetResources();
void resetApp();
void resetFiles();
void resetScript();
void resetWindowPositions();

} // namespace fx
