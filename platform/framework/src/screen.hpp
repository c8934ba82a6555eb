// Screen state shared by the screen sources: forms and their fields, key
// bars, windows, screen contexts, status windows, and the helpers that work
// on them.
#pragma once

#include "internal.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fx::scr {

struct FieldState {
    std::string text;
    int option = 0; // 0: the list's default
    bool displayOnly = false;
    bool hidden = false;
    bool disabled = false;
    bool fresh = false; // just entered: the first typed character replaces the text
    bool edited = false; // typed into since the cursor came: checked when it leaves
    bool concealed = false; // shown as '*' (FxFieldSetConcealed)
    size_t cursor = 0;  // place of the cursor in the text
    std::string cache;
};

struct FormImpl {
    FxForm* form = nullptr;
    ScreenField* table = nullptr;
    int count = 0;
    std::vector<FieldState> fields; // by field number; 0 unused
    bool changed = false;
    bool focusRequested = false;
    FxWindow* window = nullptr;
    // grids
    FxForm* mainForm = nullptr;
    std::vector<FxForm*> grids;
    FxGridBlock block{};
    std::vector<void*> lines;
    int row = 0;
    bool cursorIn = false;       // the cursor is on one of the grid's lines
    size_t firstShown = 0;       // first visible line
    fx::ListViewModel shown;     // the visible lines as list rows
    std::vector<std::string> shownRows;
    int shownHighlight = -2;     // what the transcript showed last
    size_t walk = 0;
    std::map<int, std::string> columnChoices;
    std::map<int, std::string> letters; // one letter per option of a choice field
    struct Browse {
        std::string title;
        char* buffer = nullptr; // the caller's 260 bytes, or null
    };
    std::map<int, Browse> browse; // folder fields (FxAttachFolderBrowse)
};

struct KeyBinding {
    FxHandler handler = nullptr;
    bool bound = false;
    bool enabled = true;
};

struct KeyBarImpl {
    std::map<int, KeyBinding> keys;
    size_t context = 0; // context depth that owns a stand-alone key bar (1-based), 0 for a form's bar
};

struct WindowImpl {
    std::vector<std::pair<std::pair<int, int>, std::string>> texts;
    int cursorRow = -1, cursorColumn = -1; // FxWindowCursor: -1 none
    struct Mark {
        int row, column, width;
    };
    std::vector<Mark> marks; // FxWindowMark: spans drawn reversed
};

struct ContextImpl {
    FxContext* ctx = nullptr;
    std::vector<FxForm*> forms;
    std::vector<FxWindow*> windows;
    std::vector<void*> keyBars;
};

struct StatusImpl {
    std::string name;
    std::vector<std::string> lines;
    int count = 0;
    int total = 0;
    int updates = 0;
    bool progress = false;
    int shownPercent = -1;  // last whole percent written to the transcript
    long long shownCount = -1; // without a total: last count written
    std::string title;      // from the screen resources, or the name given
};

} // namespace fx::scr

struct FxStatus {
    fx::scr::StatusImpl s;
};

namespace fx::scr {

extern std::map<FxForm*, std::unique_ptr<FormImpl>> gForms;
extern std::map<void*, std::unique_ptr<KeyBarImpl>> gKeyBars;
extern std::map<FxWindow*, WindowImpl> gWindows;
extern std::vector<FxWindow*> gOpenWindows;
extern std::vector<ContextImpl> gContexts;
extern std::vector<FxStatus*> gStatus;
extern const char kEmpty[];

FormImpl* formImpl(FxForm* form);
ContextImpl* innermost();
ContextImpl* contextOf(FxContext* ctx);
ScreenField* fieldDef(FormImpl* fi, int n);
FieldState* fieldState(FormImpl* fi, int n);
bool isChoice(const ScreenField* f);
std::string pictureLetters(const char* picture);
// A field's picture as a text (the 16 bytes need not end in a NUL).
std::string pictureText(const ScreenField* f);
int optionOf(const ScreenField* f, const FieldState* st);
bool enterable(FormImpl* fi, int n);
int firstEnterable(FormImpl* fi);
int lastEnterable(FormImpl* fi);
int nextEnterable(FormImpl* fi, int n, int dir);
std::string fieldText(FormImpl* fi, int n);
std::string windowName(FxWindow* w);
void emptyForm(FormImpl* fi);
bool storeText(FormImpl* fi, int n, const std::string& value, bool typed);
KeyBarImpl& keyBar(void* keys);
KeyBinding* findBinding(FxForm* form, ContextImpl* ci, int key);
void removeMenuRow(void* keys, int key);
std::string answerName(int answer);
bool knownStatus(FxStatus* s);
FxWindow* openWindow(FxWindow* w);
// The folder browser (browse.cpp): the picked folder, "" when left.
std::string browseFolder(const std::string& title, const std::string& start);

// The key bar (keybar.cpp).
struct KeyItem {
    int code = 0;
    std::string key, caption;
    bool on = true;      // switched on (or never switched)
    bool option = false; // listed under F2 "Options", not on the bar
};
std::vector<KeyItem> keyItems(void* keys, ContextImpl* ci);
std::vector<std::string> keyBarRows(const std::vector<KeyItem>& items, int width);

// Field editing (editing.cpp).
extern bool gInsertMode;
extern std::string gStatusLine; // reason of the last refused entry, shown at the bottom
bool isConcealed(const ScreenField* f, const FieldState* st);
std::string shownText(const ScreenField* f, const FieldState* st, const std::string& text);
// As shownText, for the transcript: a card field keeps its last four.
std::string recordedText(const ScreenField* f, const FieldState* st, const std::string& text);
void enterFieldText(FieldState& st);
bool typeChar(FormImpl* fi, int n, char c);
bool editKey(FormImpl* fi, int n, int key);
void typeWhole(FormImpl* fi, int n, const std::string& text);
std::string checkLeave(FormImpl* fi, int n);
// Grids (grids.cpp): the lines a grid shows at a time, and showing them
// (the transcript gets what changed).
int gridVisibleLines(FormImpl* gi);
void gridShow(FxForm* grid);
// Closes an open window: it leaves every form, context and the open list.
void dropWindow(FxWindow* w);

} // namespace fx::scr
