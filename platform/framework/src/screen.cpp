// Screens: contexts, forms and fields, grids, windows, keys, the screen
// loop, message boxes, choice dialogs, pop-up lists, status and progress
// windows.
#include "internal.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <strings.h>
#include <vector>

namespace fx {
std::vector<std::string> screenText(const std::string& name);
}

namespace {

struct FieldState {
    std::string text;
    int option = 0; // 0: the list's default
    bool displayOnly = false;
    bool hidden = false;
    bool disabled = false;
    bool fresh = false; // just entered: the first typed character replaces the text
    std::string cache;
};

struct FormImpl {
    FxForm* form = nullptr;
    ScreenField* table = nullptr;
    int count = 0;
    int mode = 0;
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
    size_t walk = 0;
    std::map<int, std::string> columnChoices;
    std::map<int, std::string> letters; // one letter per option of a choice field
};

struct KeyBinding {
    FxHandler handler = nullptr;
    bool bound = false;
    bool enabled = true;
    bool button = false;
    std::string caption;
};

struct KeyBarImpl {
    std::map<int, KeyBinding> keys;
    size_t context = 0; // context depth that owns a stand-alone key bar (1-based), 0 for a form's bar
};

struct WindowImpl {
    std::vector<std::pair<std::pair<int, int>, std::string>> texts;
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
};

} // namespace

struct FxStatus {
    StatusImpl s;
};

namespace {

std::map<FxForm*, std::unique_ptr<FormImpl>> gForms;
std::map<void*, std::unique_ptr<KeyBarImpl>> gKeyBars;
std::map<FxWindow*, WindowImpl> gWindows;
std::vector<FxWindow*> gOpenWindows;
std::vector<ContextImpl> gContexts;
std::vector<FxStatus*> gStatus;
FxForm* gLastForm = nullptr;
FxWindow* gLastWindow = nullptr;
const char kEmpty[] = "";

FormImpl* formImpl(FxForm* form) {
    if (!form) return nullptr;
    auto it = gForms.find(form);
    return it == gForms.end() ? nullptr : it->second.get();
}

ContextImpl* innermost() { return gContexts.empty() ? nullptr : &gContexts.back(); }

ContextImpl* contextOf(FxContext* ctx) {
    for (auto it = gContexts.rbegin(); it != gContexts.rend(); ++it)
        if (it->ctx == ctx) return &*it;
    return nullptr;
}

ScreenField* fieldDef(FormImpl* fi, int n) {
    if (!fi || !fi->table || n < 1) return nullptr;
    if (n <= fi->count && fi->table[n - 1].number == n) return &fi->table[n - 1];
    for (int i = 0; i < fi->count; ++i)
        if (fi->table[i].number == n) return &fi->table[i];
    return nullptr;
}

FieldState* fieldState(FormImpl* fi, int n) {
    if (!fi || n < 1 || n >= static_cast<int>(fi->fields.size())) return nullptr;
    return &fi->fields[n];
}

bool isChoice(const ScreenField* f) {
    if (!f) return false;
    if (f->choices) return true;
    return false;
}

std::string pictureLetters(const char* picture) {
    // type letters after the printf conversion
    const char* p = picture;
    if (!p || *p != '%') return std::string();
    ++p;
    while (*p && std::strchr("-+ 0#.0123456789lh", *p)) ++p;
    if (*p) ++p;
    return p;
}

int optionOf(const ScreenField* f, const FieldState* st) {
    int def = 1;
    std::vector<std::string> items = fx::splitChoices(f->choices, &def);
    if (items.empty()) return 0;
    int o = st->option ? st->option : def;
    return o >= 1 && o <= static_cast<int>(items.size()) ? o : def;
}

bool enterable(FormImpl* fi, int n) {
    ScreenField* f = fieldDef(fi, n);
    FieldState* st = fieldState(fi, n);
    if (!f || !st) return false;
    if (st->hidden || st->displayOnly || st->disabled) return false;
    if (f->flags & FX_FIELD_SKIP) return false;
    return true;
}

int firstEnterable(FormImpl* fi) {
    for (int i = 0; i < fi->count; ++i)
        if (enterable(fi, fi->table[i].number)) return fi->table[i].number;
    return 0;
}

// Next enterable field after n in the given direction, wrapping around.
int nextEnterable(FormImpl* fi, int n, int dir) {
    if (fi->count == 0) return 0;
    int idx = 0;
    for (int i = 0; i < fi->count; ++i)
        if (fi->table[i].number == n) idx = i;
    for (int step = 1; step <= fi->count; ++step) {
        int i = ((idx + dir * step) % fi->count + fi->count) % fi->count;
        if (enterable(fi, fi->table[i].number)) return fi->table[i].number;
    }
    return n;
}

std::string fieldText(FormImpl* fi, int n) {
    ScreenField* f = fieldDef(fi, n);
    FieldState* st = fieldState(fi, n);
    if (!f || !st) return std::string();
    if (isChoice(f)) {
        int def = 1;
        std::vector<std::string> items = fx::splitChoices(f->choices, &def);
        int o = optionOf(f, st);
        return o ? items[o - 1] : std::string();
    }
    return st->text;
}

std::string windowName(FxWindow* w) {
    if (!w) return "screen";
    if (w->name[0]) return std::string(w->name, strnlen(w->name, sizeof w->name));
    if (w->title[0]) return std::string(w->title, strnlen(w->title, sizeof w->title));
    return "window";
}

void emptyForm(FormImpl* fi) {
    for (FieldState& st : fi->fields) {
        st.text.clear();
        st.option = 0;
    }
    fi->changed = false;
}

// Sets a field's text as typed or as set by a caller. False when a choice
// field has no option of that text.
bool storeText(FormImpl* fi, int n, const std::string& value, bool typed) {
    ScreenField* f = fieldDef(fi, n);
    FieldState* st = fieldState(fi, n);
    if (!f || !st) return false;
    if (isChoice(f)) {
        int def = 1;
        std::vector<std::string> items = fx::splitChoices(f->choices, &def);
        std::string v = fx::trimmed(value);
        for (size_t i = 0; i < items.size(); ++i) {
            std::string item = items[i];
            for (char& c : item)
                if (static_cast<unsigned char>(c) == 0xFF) c = ' ';
            if (strcasecmp(fx::trimmed(item).c_str(), v.c_str()) == 0 ||
                strcasecmp(fx::trimmed(items[i]).c_str(), v.c_str()) == 0) {
                st->option = static_cast<int>(i) + 1;
                return true;
            }
        }
        char* end = nullptr;
        long o = std::strtol(v.c_str(), &end, 10);
        if (!v.empty() && !*end && o >= 1 && o <= static_cast<long>(items.size())) {
            st->option = static_cast<int>(o);
            return true;
        }
        // a single letter picks the option of that letter, else the first
        // option that begins with it
        if (typed && v.size() == 1 && fi->letters.count(n)) {
            const std::string& l = fi->letters[n];
            for (size_t i = 0; i < l.size() && i < items.size(); ++i)
                if (std::toupper(static_cast<unsigned char>(l[i])) == std::toupper(static_cast<unsigned char>(v[0]))) {
                    st->option = static_cast<int>(i) + 1;
                    return true;
                }
        }
        if (typed && v.size() == 1)
            for (size_t i = 0; i < items.size(); ++i)
                if (!items[i].empty() && std::toupper(static_cast<unsigned char>(items[i][0])) ==
                                             std::toupper(static_cast<unsigned char>(v[0]))) {
                    st->option = static_cast<int>(i) + 1;
                    return true;
                }
        return false;
    }
    std::string t = value;
    int w = fx::pictureWidth(f->picture);
    if (w > 0 && static_cast<int>(t.size()) > w) t.resize(w);
    if (typed) {
        std::string letters = pictureLetters(f->picture);
        if ((f->flags & FX_FIELD_UPPER) || letters.find('C') != std::string::npos)
            for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    st->text = t;
    return true;
}

KeyBarImpl& keyBar(void* keys) {
    auto it = gKeyBars.find(keys);
    if (it != gKeyBars.end()) return *it->second;
    auto impl = std::make_unique<KeyBarImpl>();
    if (!gForms.count(static_cast<FxForm*>(keys)) && !gContexts.empty()) {
        impl->context = gContexts.size();
        gContexts.back().keyBars.push_back(keys);
    }
    KeyBarImpl& ref = *impl;
    gKeyBars[keys] = std::move(impl);
    return ref;
}

// The binding that serves a key on the running form, or null.
KeyBinding* findBinding(FxForm* form, ContextImpl* ci, int key) {
    std::vector<void*> bars;
    if (form) {
        bars.push_back(form);
        if (FormImpl* fi = formImpl(form); fi && fi->mainForm) bars.push_back(fi->mainForm);
    }
    if (ci)
        for (void* b : ci->keyBars) bars.push_back(b);
    for (void* b : bars) {
        auto it = gKeyBars.find(b);
        if (it == gKeyBars.end()) continue;
        auto k = it->second->keys.find(key);
        if (k != it->second->keys.end() && k->second.bound) return &k->second;
    }
    return nullptr;
}

void removeMenuRow(void* keys, int key) {
    FxKeyBar* bar = static_cast<FxKeyBar*>(keys);
    int n = 0;
    while (n < FX_KEYMENU_ROWS && bar->menu[n].key != 0) ++n;
    for (int i = 0; i < n; ++i)
        if (bar->menu[i].key == key) {
            std::memmove(&bar->menu[i], &bar->menu[i + 1], sizeof(FxKeyMenuItem) * (n - i - 1));
            std::memset(&bar->menu[n - 1], 0, sizeof(FxKeyMenuItem));
            --n;
            --i;
        }
}

std::string answerName(int answer) {
    switch (answer & ~0xFFFF ? -1 : answer) {
    case FX_GO_ON: return "0";
    case FX_LEAVE: return "leave";
    case FX_RECORD_DONE: return "record done";
    case FX_STAY: return "stay";
    case FX_LOOKUP_SET: return "lookup set";
    case FX_STAY_FOCUSED: return "stay focused";
    default: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%X", answer);
        return buf;
    }
    }
}

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

// ---- the screen loop

struct Run {
    FxContext* ctx;
    ContextImpl* ci;
    FxForm* form;    // form that has the cursor
    FxForm* main;    // the screen's main form
    std::string name;
    bool done = false;
    int exitKey = 0;
};

void enterField(Run& r, int n) {
    FormImpl* fi = formImpl(r.form);
    if (!fi || !n) return;
    r.form->currentField = n;
    ScreenField* f = fieldDef(fi, n);
    if (FieldState* st = fieldState(fi, n)) st->fresh = true;
    fx::record("field " + std::to_string(n) + " enter " + fx::quote(fieldText(fi, n)));
    if (f && f->entryHandler) {
        r.ctx->key = 0;
        f->entryHandler(r.ctx);
    }
}

void startEmpty(Run& r) {
    FormImpl* fi = formImpl(r.main);
    if (!fi) return;
    r.form = r.main;
    fi->focusRequested = false;
    if (r.main->newRecord) r.main->newRecord(r.ctx);
    fi = formImpl(r.main);
    if (!fi) return;
    int n = fi->focusRequested && enterable(fi, r.main->currentField) ? r.main->currentField : firstEnterable(fi);
    fi->focusRequested = false;
    enterField(r, n);
}

void recordDone(Run& r) {
    fx::record("record done");
    if (FormImpl* fi = formImpl(r.main)) emptyForm(fi);
    startEmpty(r);
}

void leave(Run& r, int key, bool escaped) {
    if (escaped) {
        FormImpl* fi = formImpl(r.main);
        if (fi && fi->changed && r.main->question) {
            int q = r.main->question(r.main);
            if (q == 0) {
                fx::record("leave refused");
                return;
            }
        }
        key = FX_KEY_ESC;
    }
    r.done = true;
    r.exitKey = key;
}

bool accepted(int answer) {
    int a = answer & 0xFFFF;
    return a == FX_GO_ON || a == FX_LOOKUP_SET;
}

int lastEnterable(FormImpl* fi) {
    for (int i = fi->count; i-- > 0;)
        if (enterable(fi, fi->table[i].number)) return fi->table[i].number;
    return 0;
}

FxForm* gridOf(FxForm* main) {
    FormImpl* mi = formImpl(main);
    return mi && !mi->grids.empty() ? mi->grids.front() : nullptr;
}

// Puts the cursor on line `row` of a grid (row == the number of lines: a
// new line); the grid's fields start blank and its line-enter callback
// fills them.
void enterLine(Run& r, FxForm* grid, int row, int field) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return;
    int count = static_cast<int>(gi->lines.size());
    gi->row = std::max(0, std::min(row, count));
    r.form = grid;
    emptyForm(gi);
    fx::record("line enter " + std::to_string(gi->row) + (gi->row == count ? " new" : ""));
    gi->focusRequested = false;
    if (grid->lineEnter) {
        r.ctx->key = 0;
        grid->lineEnter(r.ctx);
    }
    gi = formImpl(grid);
    if (!gi) return;
    int n = gi->focusRequested && enterable(gi, grid->currentField) ? grid->currentField
            : enterable(gi, field)                                  ? field
                                                                    : firstEnterable(gi);
    gi->focusRequested = false;
    enterField(r, n);
}

// Runs the grid's line-leave callback; its answer.
int leaveLine(Run& r, FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    int answer = 0;
    if (grid->lineLeave) answer = grid->lineLeave(r.ctx);
    fx::record("line leave " + std::to_string(gi ? gi->row : 0) + " -> " + answerName(answer));
    return answer;
}

// Moves the cursor after an accepted field: within the form, from the main
// form's last field into its grid, from a line's last field to the next
// line and from a grid's first line back to the main form.
void moveOn(Run& r, int dir) {
    FormImpl* fi = formImpl(r.form);
    if (!fi || dir == 0) return;
    int cur = r.form->currentField;
    FxForm* grid = gridOf(r.main);
    if (r.form == r.main) {
        if (grid && dir > 0 && cur == lastEnterable(fi)) {
            FormImpl* gi = formImpl(grid);
            enterLine(r, grid, gi ? gi->row : 0, 0);
            return;
        }
        enterField(r, nextEnterable(fi, cur, dir));
        return;
    }
    // in a grid
    bool edge = dir > 0 ? cur == lastEnterable(fi) : cur == firstEnterable(fi);
    if (!edge) {
        enterField(r, nextEnterable(fi, cur, dir));
        return;
    }
    if (!accepted(leaveLine(r, r.form))) return;
    if (dir > 0) {
        enterLine(r, r.form, fi->row + 1, 0);
    } else if (fi->row > 0) {
        enterLine(r, r.form, fi->row - 1, lastEnterable(fi));
    } else {
        r.form = r.main;
        if (FormImpl* mi = formImpl(r.main)) enterField(r, lastEnterable(mi));
    }
}

// Acts on a handler's answer. fieldExit: the answer of a field's exit
// handler, dir the direction the cursor was going.
void act(Run& r, int answer, int key, bool fieldExit, int dir) {
    if ((answer & 0xFFFF) == FX_LEAVE) {
        leave(r, key, false);
        return;
    }
    if (answer & 0xC0000) { // the grid's lines changed: show them and take up the current line again
        fx::record("grid changed");
        fx::terminalRedraw();
        FxForm* grid = gridOf(r.main);
        if (grid && r.form == grid) enterLine(r, grid, formImpl(grid)->row, grid->currentField);
        return;
    }
    switch (answer & 0xFFFF) {
    case FX_RECORD_DONE: recordDone(r); return;
    case FX_GO_ON:
    case FX_LOOKUP_SET:
        if (fieldExit) moveOn(r, dir);
        else if ((answer & 0xFFFF) == FX_GO_ON && (key == FX_KEY_ESC || r.ctx->key == FX_KEY_ESC))
            leave(r, FX_KEY_ESC, true);
        return;
    default: return; // stay (0x20, 0x80 and unknown answers)
    }
}

void typeInto(Run& r, const std::string& text) {
    FormImpl* fi = formImpl(r.form);
    int n = r.form ? r.form->currentField : 0;
    if (!fi || !enterable(fi, n)) {
        fx::record("type " + fx::quote(text) + " ignored: no field takes input");
        return;
    }
    if (!storeText(fi, n, text, true)) {
        fx::record("field " + std::to_string(n) + " has no option " + fx::quote(text));
        return;
    }
    fi->changed = true;
    fx::record("field " + std::to_string(n) + " type " + fx::quote(fieldText(fi, n)));
    ScreenField* f = fieldDef(fi, n);
    if (f && f->typeAhead) {
        AutoFill::Item item{nullptr, nullptr};
        if (f->typeAhead->FindOpen(fi->fields[n].text.c_str()) && f->typeAhead->FindFirst(item))
            fx::record("autofill " + fx::quote(item.code ? item.code : "") + " " +
                       fx::quote(item.description ? item.description : ""));
        f->typeAhead->FindClose();
    }
}

// Leaves the current field through its exit handler; the answer.
int exitField(Run& r, int key, int dir) {
    FormImpl* fi = formImpl(r.form);
    int n = r.form ? r.form->currentField : 0;
    ScreenField* f = fieldDef(fi, n);
    if (!f) {
        if (fi && dir) enterField(r, firstEnterable(fi));
        return FX_GO_ON;
    }
    int answer = 0;
    FxForm* form = r.form;
    fi->focusRequested = false;
    if (f->exitHandler) {
        r.ctx->key = key;
        answer = f->exitHandler(r.ctx);
        fi = formImpl(r.form);
    }
    fx::record("field " + std::to_string(n) + " exit " + fx::quote(fieldText(fi, n)) + " -> " + answerName(answer));
    // A handler that accepts the field and puts the cursor elsewhere itself
    // is followed there.
    if (fi && r.form == form && fi->focusRequested && accepted(answer) && !(answer & 0xC0000) &&
        form->currentField != n && enterable(fi, form->currentField)) {
        fi->focusRequested = false;
        enterField(r, form->currentField);
        return answer;
    }
    act(r, answer, key, true, dir);
    return answer;
}

// Up and Down in a grid go to the line above or below, same field.
void moveLine(Run& r, int key, int dir) {
    FxForm* grid = r.form;
    FormImpl* gi = formImpl(grid);
    int field = grid->currentField;
    int answer = exitField(r, key, 0);
    if (r.done || r.form != grid || !accepted(answer) || (answer & 0xC0000)) return;
    int target = gi->row + dir;
    if (target < 0 || target > static_cast<int>(gi->lines.size())) return;
    if (!accepted(leaveLine(r, grid))) return;
    enterLine(r, grid, target, field);
}

void pressKey(Run& r, int key) {
    r.ctx->key = key;
    KeyBinding* b = findBinding(r.form, r.ci, key);
    if (b && !b->enabled) {
        fx::record("key " + fx::keyName(key) + " -> off");
        return;
    }
    if (b && b->handler) {
        int answer = b->handler(r.ctx);
        fx::record("key " + fx::keyName(key) + " -> " + answerName(answer));
        act(r, answer, key, false, 0);
        return;
    }
    if (b) {
        fx::record("key " + fx::keyName(key) + " -> no action");
        return;
    }
    switch (key) {
    case FX_KEY_DOWN:
    case FX_KEY_UP:
        if (r.form != r.main && formImpl(r.form)) {
            moveLine(r, key, key == FX_KEY_DOWN ? 1 : -1);
            return;
        }
        exitField(r, key, key == FX_KEY_DOWN ? 1 : -1);
        return;
    case FX_KEY_ENTER:
    case FX_KEY_TAB: exitField(r, key, 1); return;
    case FX_KEY_SHIFT_TAB: exitField(r, key, -1); return;
    case FX_KEY_ESC:
        fx::record("key Esc");
        leave(r, FX_KEY_ESC, true);
        return;
    case 8: {
        FormImpl* fi = formImpl(r.form);
        int n = r.form ? r.form->currentField : 0;
        if (fi && enterable(fi, n) && !isChoice(fieldDef(fi, n)) && !fi->fields[n].text.empty()) {
            fi->fields[n].text.pop_back();
            fi->fields[n].fresh = false;
            fi->changed = true;
        }
        return;
    }
    default:
        if (key >= 32 && key < 256) {
            FormImpl* fi = formImpl(r.form);
            int n = r.form ? r.form->currentField : 0;
            if (fi && enterable(fi, n)) {
                ScreenField* f = fieldDef(fi, n);
                if (isChoice(f)) {
                    if (key == ' ') {
                        int def = 1;
                        size_t count = fx::splitChoices(f->choices, &def).size();
                        FieldState* st = &fi->fields[n];
                        st->option = optionOf(f, st) % static_cast<int>(count ? count : 1) + 1;
                        fi->changed = true;
                    } else {
                        if (storeText(fi, n, std::string(1, static_cast<char>(key)), true)) fi->changed = true;
                    }
                } else {
                    FieldState& st = fi->fields[n];
                    std::string t = (st.fresh ? std::string() : st.text) + static_cast<char>(key);
                    st.fresh = false;
                    storeText(fi, n, t, true);
                    fi->changed = true;
                }
            }
            return;
        }
        fx::record("key " + fx::keyName(key) + " -> no action");
    }
}

bool knownStatus(FxStatus* s) { return s && std::find(gStatus.begin(), gStatus.end(), s) != gStatus.end(); }

FxWindow* openWindow(FxWindow* w) {
    return std::find(gOpenWindows.begin(), gOpenWindows.end(), w) != gOpenWindows.end() ? w : nullptr;
}

} // namespace

namespace fx {

void resetScreens() {
    for (FxStatus* s : gStatus) delete s;
    gStatus.clear();
    for (auto& [form, fi] : gForms)
        for (void* line : fi->lines) FxFree(line);
    gForms.clear();
    gKeyBars.clear();
    gWindows.clear();
    gOpenWindows.clear();
    gContexts.clear();
    gLastForm = nullptr;
    gLastWindow = nullptr;
}

std::vector<WindowView> screenViews() {
    std::vector<WindowView> out;
    for (FxWindow* w : gOpenWindows) {
        WindowView v;
        v.window = w;
        v.texts = gWindows[w].texts;
        std::vector<FxForm*> forms;
        if (w->form) forms.push_back(w->form);
        if (FormImpl* fi = formImpl(w->form))
            for (FxForm* g : fi->grids) forms.push_back(g);
        FxForm* cursorForm = nullptr;
        if (!gContexts.empty()) cursorForm = gContexts.back().ctx ? gContexts.back().ctx->form : nullptr;
        for (FxForm* form : forms) {
            FormImpl* fi = formImpl(form);
            if (!fi) continue;
            int prevRow = 1;
            for (int i = 0; i < fi->count; ++i) {
                ScreenField& f = fi->table[i];
                FieldView fv;
                fv.number = f.number;
                fv.row = f.row ? f.row : prevRow;
                prevRow = fv.row;
                fv.column = f.column;
                fv.width = std::max(1, fx::pictureWidth(f.picture));
                fv.text = fieldText(fi, f.number);
                fv.hidden = fi->fields[f.number < fi->fields.size() ? f.number : 0].hidden;
                fv.displayOnly = !enterable(fi, f.number);
                fv.current = form == cursorForm && form->currentField == f.number;
                v.fields.push_back(fv);
            }
            FxKeyBar* bar = &form->keys;
            for (int i = 0; i < FX_KEYMENU_ROWS && bar->menu[i].key; ++i)
                if (bar->menu[i].parent == 0) {
                    std::string t(bar->menu[i].keyText, strnlen(bar->menu[i].keyText, sizeof bar->menu[i].keyText));
                    if (!t.empty() && t[0] == 0x18) t = "Shift+" + t.substr(1);
                    v.keyBar.push_back(t + " " + std::string(bar->menu[i].caption, strnlen(bar->menu[i].caption, sizeof bar->menu[i].caption)));
                }
        }
        out.push_back(v);
    }
    return out;
}

std::vector<StatusView> statusViews() {
    std::vector<StatusView> out;
    for (FxStatus* s : gStatus) out.push_back(StatusView{s->s.name, s->s.lines, s->s.count, s->s.total});
    return out;
}

} // namespace fx

extern "C" {

// ---- contexts and the loop

int FxAppBegin(FxContext* context) {
    if (!context) return -1;
    context->key = 0;
    context->exitKey = 0;
    context->form = nullptr;
    context->window = nullptr;
    ContextImpl ci;
    ci.ctx = context;
    gContexts.push_back(ci);
    context->impl = nullptr;
    return 0;
}

int FxAppEnd(FxContext* context) {
    if (!context) return -1;
    ContextImpl* ci = contextOf(context);
    if (!ci) return 0;
    size_t idx = static_cast<size_t>(ci - gContexts.data());
    for (size_t i = gContexts.size(); i-- > idx;) {
        ContextImpl c = gContexts[i];
        gContexts.pop_back();
        for (void* b : c.keyBars) gKeyBars.erase(b);
        // Windows the screen left open go with it: nothing may point to a
        // screen context that is gone.
        for (FxWindow* w : c.windows)
            if (openWindow(w)) {
                fx::record("window close " + windowName(w) + " (left open by its screen)");
                FxWindow* keep = w;
                gOpenWindows.erase(std::remove(gOpenWindows.begin(), gOpenWindows.end(), keep), gOpenWindows.end());
                gWindows.erase(keep);
                for (auto& [form, fi] : gForms)
                    if (fi->window == keep) fi->window = nullptr;
                keep->open = 0;
                if (gLastWindow == keep) gLastWindow = nullptr;
            }
        for (FxForm* f : c.forms)
            if (gLastForm == f) gLastForm = nullptr;
    }
    fx::terminalRedraw();
    return 0;
}

int FxAppRun(FxContext* context, int nested) {
    if (!context) return FX_KEY_ESC;
    ContextImpl* ci = contextOf(context);
    if (!ci) {
        FxAppBegin(context);
        ci = contextOf(context);
    }
    FxForm* form = context->form;
    if (!form && !ci->forms.empty()) form = ci->forms.front();
    if (!form) form = gLastForm;
    FxWindow* win = context->window;
    if (!win && !ci->windows.empty()) win = ci->windows.front();
    if (!win) win = gLastWindow;
    FormImpl* fi = formImpl(form);
    if (!fi) form = nullptr;
    if (fi && win && openWindow(win) && !fi->window) {
        fi->window = win;
        if (!win->form) win->form = form;
    }
    if (fi && fi->window) win = fi->window;
    context->form = form;
    context->window = win;
    Run r{context, ci, form, form, windowName(win)};
    fx::record("run begin " + r.name + (nested ? " nested" : ""));
    fx::terminalRedraw();
    if (form) startEmpty(r);
    while (!r.done) {
        ci = contextOf(context);
        r.ci = ci;
        fx::terminalRedraw();
        fx::Event ev = fx::nextEvent(true);
        switch (ev.kind) {
        case fx::Event::Exhausted:
            if (fx::exhaustedCount() > 3) {
                fx::record("run forced closed " + r.name);
                r.done = true;
                r.exitKey = FX_KEY_ESC;
                context->key = FX_KEY_ESC;
                break;
            }
            pressKey(r, FX_KEY_ESC);
            break;
        case fx::Event::Key: pressKey(r, ev.key); break;
        case fx::Event::Type: typeInto(r, ev.text); break;
        case fx::Event::Field: {
            FormImpl* f = formImpl(r.form);
            if (!f || !enterable(f, ev.field)) {
                fx::record("field " + std::to_string(ev.field) + " cannot take input");
                break;
            }
            r.form->currentField = ev.field;
            typeInto(r, ev.text);
            break;
        }
        case fx::Event::Answer:
            fx::record("answer " + fx::quote(ev.text) + " ignored: no question is open");
            break;
        case fx::Event::Pick:
            fx::record("pick " + std::to_string(ev.field) + " ignored: no list is open");
            break;
        case fx::Event::Wait: break;
        }
    }
    context->key = r.exitKey;
    context->exitKey = r.exitKey;
    fx::record("run end " + r.name + " " + fx::keyName(r.exitKey));
    fx::terminalRedraw();
    return r.exitKey;
}

// ---- forms and fields

int FxFormLoad(FxForm* form, ScreenField* table, int mode) {
    if (!form || !table) return 0;
    for (auto it = gForms.find(form); it != gForms.end(); it = gForms.end())
        for (void* line : it->second->lines) FxFree(line);
    auto fi = std::make_unique<FormImpl>();
    fi->form = form;
    fi->table = table;
    fi->mode = mode;
    while (fi->count < FX_MAX_FIELDS && table[fi->count].number != 0) ++fi->count;
    int maxNo = 0;
    for (int i = 0; i < fi->count; ++i) maxNo = std::max(maxNo, static_cast<int>(table[i].number));
    fi->fields.resize(maxNo + 1);
    for (int i = 0; i < fi->count; ++i) fi->fields[table[i].number].displayOnly = table[i].displayOnly == 1;
    FormImpl* raw = fi.get();
    gForms[form] = std::move(fi);
    std::memset(&form->keys.menu, 0, sizeof form->keys.menu);
    form->keys.impl = nullptr;
    gKeyBars.erase(form);
    form->impl = raw;
    form->currentField = firstEnterable(raw);
    if (ContextImpl* ci = innermost())
        if (std::find(ci->forms.begin(), ci->forms.end(), form) == ci->forms.end()) ci->forms.push_back(form);
    gLastForm = form;
    return 1;
}

const char* FxFieldGet(FxForm* form, int field) {
    FormImpl* fi = formImpl(form);
    FieldState* st = fieldState(fi, field);
    if (!st || !fieldDef(fi, field)) return kEmpty;
    st->cache = fieldText(fi, field);
    return st->cache.c_str();
}

int FxFieldSet(FxForm* form, int field, const char* value) {
    FormImpl* fi = formImpl(form);
    if (!fieldDef(fi, field)) return -1;
    return storeText(fi, field, value ? value : "", false) ? 0 : -1;
}

int FxChoiceGet(FxForm* form, int field) {
    FormImpl* fi = formImpl(form);
    ScreenField* f = fieldDef(fi, field);
    if (!isChoice(f)) return 0;
    return optionOf(f, fieldState(fi, field));
}

int FxChoiceSet(FxForm* form, int field, int option) {
    FormImpl* fi = formImpl(form);
    ScreenField* f = fieldDef(fi, field);
    if (!isChoice(f)) return -1;
    int def = 1;
    int n = static_cast<int>(fx::splitChoices(f->choices, &def).size());
    if (option < 1 || option > n) return -1;
    fieldState(fi, field)->option = option;
    return 0;
}

int FxFocusField(FxForm* form, int field) {
    FormImpl* fi = formImpl(form);
    if (!fieldDef(fi, field)) return -1;
    form->currentField = field;
    fi->focusRequested = true;
    return 0;
}

int FxEnableField(FxForm* form, int field, int on) {
    FormImpl* fi = formImpl(form);
    if (!fieldDef(fi, field)) return -1;
    fieldState(fi, field)->disabled = !on;
    return 0;
}

int FxFieldSetDisplayOnly(FxForm* form, int field, int on) {
    FormImpl* fi = formImpl(form);
    if (!fieldDef(fi, field)) return -1;
    fieldState(fi, field)->displayOnly = on != 0;
    return 0;
}

int FxFieldSetState(FxForm* form, int field, int state) {
    FormImpl* fi = formImpl(form);
    if (!fieldDef(fi, field)) return -1;
    FieldState* st = fieldState(fi, field);
    st->hidden = state == 2;
    if (st->hidden) {
        st->text.clear();
        st->option = 0;
    }
    return 0;
}

int FxColumnSetState(FxForm* form, int field, int state) { return FxFieldSetState(form, field, state); }

int FxFieldIsEmpty(FxForm* form, int field, int, int* out) {
    FormImpl* fi = formImpl(form);
    std::string t = fx::trimmed(fieldText(fi, field));
    int empty = t.empty() || strcasecmp(t.c_str(), "First") == 0 || strcasecmp(t.c_str(), "Last") == 0;
    if (out) *out = empty;
    return empty;
}

int FxFormRedraw(void*, FxForm*) {
    fx::terminalRedraw();
    return 0;
}

int FxFormRedrawAfterPick(void*, FxForm*) {
    fx::terminalRedraw();
    return 0;
}

int FxSetChoiceLetters(FxWindow* window, int, int field, const char* letters) {
    FormImpl* fi = window && openWindow(window) ? formImpl(window->form) : nullptr;
    if (!fi && !gContexts.empty() && gContexts.back().ctx) fi = formImpl(gContexts.back().ctx->form);
    if (!fi && !gContexts.empty() && !gContexts.back().forms.empty()) fi = formImpl(gContexts.back().forms.front());
    if (!fi || !fieldDef(fi, field) || !letters) return -1;
    int count = static_cast<unsigned char>(letters[0]);
    std::string l;
    for (int i = 1; i <= count && letters[i]; ++i) l += letters[i];
    fi->letters[field] = l;
    return 0;
}

int FxAttachFolderBrowse(FxForm* form, int field, const char*, char*) {
    return fieldDef(formImpl(form), field) ? 0 : -1;
}

int FxFormText(void* form, int row, int column, int attribute, const char* text, int flags) {
    FormImpl* fi = formImpl(static_cast<FxForm*>(form));
    FxWindow* w = fi ? fi->window : gLastWindow;
    return FxWindowText(w, row, column, attribute, text, flags);
}

void FxWindowSetName(FxWindow* window, const char* name) {
    if (!window) return;
    std::memset(window->name, 0, sizeof window->name);
    if (name) std::strncpy(window->name, name, sizeof window->name - 1);
    fx::record("window name " + windowName(window));
}

// ---- grids

int FxGridAttach(FxForm* mainForm, FxForm* grid, const FxGridBlock* block) {
    FormImpl* mi = formImpl(mainForm);
    FormImpl* gi = formImpl(grid);
    if (!mi || !gi) return -1;
    gi->mainForm = mainForm;
    if (block) gi->block = *block;
    if (std::find(mi->grids.begin(), mi->grids.end(), grid) == mi->grids.end()) mi->grids.push_back(grid);
    gi->window = mi->window;
    return 0;
}

int FxGridClear(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return -1;
    for (void* l : gi->lines) FxFree(l);
    gi->lines.clear();
    gi->row = 0;
    return 0;
}

int FxGridRedraw(FxForm*) {
    fx::terminalRedraw();
    return 0;
}

int FxGridLine(void*, FxForm* grid, void* line, int flags) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return -1;
    if (flags & 0x200000) {
        if (!line) return -1;
        gi->lines.push_back(line);
        return 0;
    }
    if (flags & 0x400000) {
        if (!line) {
            if (gi->row < 0 || gi->row >= static_cast<int>(gi->lines.size())) return -1;
            line = gi->lines[gi->row];
        }
        auto it = std::find(gi->lines.begin(), gi->lines.end(), line);
        if (it == gi->lines.end()) return -1;
        FxFree(*it);
        gi->lines.erase(it);
        if (gi->row >= static_cast<int>(gi->lines.size()) && gi->row > 0) --gi->row;
        return 0;
    }
    return -1;
}

void* FxGridNewLine(FxForm*, int size) { return FxAlloc(1, size > 0 ? size : 1); }

int FxGridSetRow(FxForm* grid, int row) {
    FormImpl* gi = formImpl(grid);
    if (!gi || row < 0) return -1;
    gi->row = row;
    return 0;
}

int FxGridEmpty(FxForm* grid) {
    int rc = FxGridClear(grid);
    fx::terminalRedraw();
    return rc;
}

void* FxGridCurrent(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    if (!gi || gi->row < 0 || gi->row >= static_cast<int>(gi->lines.size())) return nullptr;
    return gi->lines[gi->row];
}

int FxGridCount(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    return gi ? static_cast<int>(gi->lines.size()) : 0;
}

int FxGridSetColumnChoices(FxForm* grid, int field, const char* choices) {
    FormImpl* gi = formImpl(grid);
    ScreenField* f = fieldDef(gi, field);
    if (!f) return -1;
    gi->columnChoices[field] = choices ? choices : "";
    f->choices = gi->columnChoices[field].c_str();
    return 0;
}

int FxGridApplyChoices(FxForm* grid) { return formImpl(grid) ? 0 : -1; }

void* FxGridFirst(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return nullptr;
    gi->walk = 0;
    return gi->lines.empty() ? nullptr : gi->lines[0];
}

void* FxGridNext(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return nullptr;
    ++gi->walk;
    return gi->walk < gi->lines.size() ? gi->lines[gi->walk] : nullptr;
}

int FxGridLineChoicesReset(FxForm* grid, void*) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return -1;
    for (FieldState& st : gi->fields) st.option = 0;
    return 0;
}

// ---- windows

int FxWindowCreate(FxWindow* window, int top, int left, int bottom, int right, int border, int style, int fill,
                   const char* title) {
    if (!window) return -1;
    top = std::max(0, top);
    left = std::max(0, left);
    bottom = std::min(24, bottom);
    right = std::min(79, right);
    if (top > bottom || left > right) return -1;
    std::memset(window, 0, sizeof *window);
    window->top = top;
    window->left = left;
    window->bottom = bottom;
    window->right = right;
    window->border = border;
    window->style = style;
    window->fill = fill ? fill : ' ';
    if (title) std::strncpy(window->title, title, sizeof window->title - 1);
    window->open = 1;
    gWindows[window] = WindowImpl{};
    gOpenWindows.erase(std::remove(gOpenWindows.begin(), gOpenWindows.end(), window), gOpenWindows.end());
    gOpenWindows.push_back(window);
    if (ContextImpl* ci = innermost()) ci->windows.push_back(window);
    gLastWindow = window;
    fx::record("window open " + std::to_string(top) + "," + std::to_string(left) + "-" + std::to_string(bottom) +
               "," + std::to_string(right) + (window->title[0] ? " " + fx::quote(window->title) : ""));
    fx::terminalRedraw();
    return 0;
}

int FxWindowClose(FxWindow* window, int) {
    if (!window || !openWindow(window)) return -1;
    fx::record("window close " + windowName(window));
    gOpenWindows.erase(std::remove(gOpenWindows.begin(), gOpenWindows.end(), window), gOpenWindows.end());
    gWindows.erase(window);
    for (auto& [form, fi] : gForms)
        if (fi->window == window) fi->window = nullptr;
    for (ContextImpl& c : gContexts) {
        c.windows.erase(std::remove(c.windows.begin(), c.windows.end(), window), c.windows.end());
        if (c.ctx && c.ctx->window == window) c.ctx->window = nullptr;
    }
    if (gLastWindow == window) gLastWindow = nullptr;
    window->open = 0;
    window->form = nullptr;
    fx::terminalRedraw();
    return 0;
}

int FxWindowAttachForm(FxWindow* window, FxForm* form, int) {
    if (!window || !openWindow(window)) return -1;
    window->form = form;
    if (FormImpl* fi = formImpl(form)) {
        fi->window = window;
        for (FxForm* g : fi->grids)
            if (FormImpl* gi = formImpl(g)) gi->window = window;
    }
    if (ContextImpl* ci = innermost())
        if (ci->ctx && form && !ci->ctx->form) {
            ci->ctx->form = form;
            ci->ctx->window = window;
        }
    fx::terminalRedraw();
    return 0;
}

int FxWindowText(FxWindow* window, int row, int column, int, const char* text, int) {
    if (!window || !openWindow(window)) return -1;
    std::string t = text ? text : "";
    auto& texts = gWindows[window].texts;
    bool replaced = false;
    for (auto& e : texts)
        if (e.first.first == row && e.first.second == column) {
            e.second = t;
            replaced = true;
        }
    if (!replaced) texts.push_back({{row, column}, t});
    fx::record("text " + windowName(window) + " " + std::to_string(row) + "," + std::to_string(column) + " " +
               fx::quote(t));
    fx::terminalRedraw();
    return 0;
}

int FxWindowHasForm(FxWindow* window) { return window && openWindow(window) && window->form ? 1 : 0; }

int FxClearWindow(FxWindow* window) {
    if (!window || !openWindow(window)) return -1;
    gWindows[window].texts.clear();
    fx::terminalRedraw();
    return 0;
}

int FxPlaceWindow(int row, int column, int height, int width, FxRect* out) {
    if (!out || height <= 0 || width <= 0) return -1;
    height = std::min(height, 25);
    width = std::min(width, 80);
    out->top = row < 0 ? (25 - height) / 2 : row;
    out->left = column < 0 ? (80 - width) / 2 : column;
    out->bottom = std::min(24, out->top + height - 1);
    out->right = std::min(79, out->left + width - 1);
    return 0;
}

// ---- keys

int FxSetKeyHandler(void* keys, int key, FxHandler handler) {
    if (!keys) return -1;
    KeyBinding& b = keyBar(keys).keys[key];
    b.handler = handler;
    b.bound = true;
    return 0;
}

int FxSetKeyState(void* keys, int key, int on) {
    if (!keys) return -1;
    keyBar(keys).keys[key].enabled = on != 0;
    if (!keyBar(keys).keys[key].bound) keyBar(keys).keys[key].bound = true;
    return 0;
}

int FxSetKeyCaption(void* keys, int key, const char* text) {
    if (!keys) return -1;
    keyBar(keys).keys[key].caption = text ? text : "";
    FxKeyBar* bar = static_cast<FxKeyBar*>(keys);
    for (int i = 0; i < FX_KEYMENU_ROWS && bar->menu[i].key; ++i)
        if (bar->menu[i].key == key && text) {
            std::memset(bar->menu[i].caption, 0, sizeof bar->menu[i].caption);
            std::strncpy(bar->menu[i].caption, text, sizeof bar->menu[i].caption - 1);
        }
    return 0;
}

int FxSetKeyButton(void* keys, int key) {
    if (!keys) return -1;
    keyBar(keys).keys[key].button = true;
    return 0;
}

int FxKeyMenuShowBeside(void* keys, int, int) { return keys ? 0 : -1; }

int FxReleaseKey(void* keys, int key) {
    if (!keys) return -1;
    keyBar(keys).keys.erase(key);
    removeMenuRow(keys, key);
    return 0;
}

int FxKeyMenuApply(void* keys) {
    if (!keys) return -1;
    fx::terminalRedraw();
    return 0;
}

int FxKeyRead(void* buffer, int wait, int) {
    int k = FxGetKey(wait);
    if (buffer) std::memcpy(buffer, &k, sizeof k);
    return k ? 1 : 0;
}

int FxGetKey(int wait) {
    for (;;) {
        fx::Event ev = fx::nextEvent(wait != 0);
        switch (ev.kind) {
        case fx::Event::Key: return ev.key;
        case fx::Event::Wait: return 0;
        case fx::Event::Exhausted:
            if (fx::exhaustedInARow() >= 10) {
                fx::record("key read gets Enter");
                fx::clearExhaustedInARow();
                return FX_KEY_ENTER;
            }
            return FX_KEY_ESC;
        default:
            fx::record("event ignored by a key read");
            if (!wait) return 0;
        }
    }
}

int FxIsLeaveKey(const void* keyOrContext) {
    if (!keyOrContext) return 0;
    int32_t k;
    std::memcpy(&k, keyOrContext, sizeof k);
    return k == FX_KEY_ESC ? 1 : 0;
}

int FxPostKey(int key) {
    fx::pushKey(key);
    return 0;
}

int FxPump(void) {
    fx::terminalRedraw();
    return 0;
}

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

int FxPopupChoose(const char* list, int, int, int current) {
    int def = 1;
    std::vector<std::string> items = fx::splitChoices(list, &def);
    int result = current;
    std::string how;
    if (items.empty()) return 0;
    if (fx::terminalActive()) {
        int r = fx::terminalPopup(items, current > 0 ? current - 1 : 0);
        result = r < 0 ? 0 : r + 1;
    } else {
        fx::Event ev = fx::nextEvent(true);
        if (ev.kind == fx::Event::Pick && ev.field >= 0 && ev.field <= static_cast<int>(items.size())) {
            result = ev.field;
        } else if (ev.kind == fx::Event::Answer) {
            for (size_t i = 0; i < items.size(); ++i)
                if (strcasecmp(items[i].c_str(), ev.text.c_str()) == 0) result = static_cast<int>(i) + 1;
        } else if (ev.kind == fx::Event::Exhausted || (ev.kind == fx::Event::Key && ev.key == FX_KEY_ESC)) {
            result = 0;
            how = "Esc";
        } else {
            fx::unreadEvent(ev);
            how = "kept";
        }
    }
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) joined += (i ? "," : "") + items[i];
    fx::record("popup [" + joined + "] -> " + (result > 0 && result <= static_cast<int>(items.size()) ? items[result - 1] : "none") +
               (how.empty() ? "" : " (" + how + ")"));
    return result;
}

// ---- status and progress windows

FxStatus* FxStatusOpen(const char* name, int) {
    FxStatus* s = new FxStatus;
    s->s.name = name ? name : "";
    s->s.lines = fx::screenText(s->s.name);
    s->s.lines.resize(std::max<size_t>(8, s->s.lines.size()));
    gStatus.push_back(s);
    fx::record("status open " + s->s.name);
    for (size_t i = 0; i < s->s.lines.size(); ++i)
        if (!s->s.lines[i].empty()) fx::record("status " + s->s.name + " line " + std::to_string(i) + " " + fx::quote(s->s.lines[i]));
    fx::terminalRedraw();
    return s;
}

int FxStatusUpdate(FxStatus* status, int) {
    if (!knownStatus(status)) return -1;
    if (++status->s.updates % 32 == 1) fx::terminalRedraw(); // long runs update often
    return 0;
}

int FxStatusClose(FxStatus* status) {
    if (!knownStatus(status)) return -1;
    if (status->s.progress) fx::record("progress close " + status->s.name);
    else fx::record("status close " + status->s.name + " after " + std::to_string(status->s.updates) + " updates");
    gStatus.erase(std::find(gStatus.begin(), gStatus.end(), status));
    delete status;
    fx::terminalRedraw();
    return 0;
}

int FxStatusSetLine(FxStatus* status, int line, const char* text) {
    if (!knownStatus(status) || line < 0 || line > 63) return -1;
    if (static_cast<int>(status->s.lines.size()) <= line) status->s.lines.resize(line + 1);
    status->s.lines[line] = text ? text : "";
    fx::record("status " + status->s.name + " line " + std::to_string(line) + " " + fx::quote(status->s.lines[line]));
    fx::terminalRedraw();
    return 0;
}

FxStatus* FxProgressOpen(const char* name, int total) {
    FxStatus* s = new FxStatus;
    s->s.name = name ? name : "";
    s->s.progress = true;
    s->s.total = total > 0 ? total : 0;
    s->s.lines.resize(2);
    gStatus.push_back(s);
    fx::record("progress open " + s->s.name + " " + std::to_string(s->s.total));
    fx::terminalRedraw();
    return s;
}

int FxProgressStep(FxStatus* progress, int count) {
    if (!knownStatus(progress)) return -1;
    progress->s.count = count;
    fx::record("progress " + progress->s.name + " " + std::to_string(count) + "/" + std::to_string(progress->s.total));
    fx::terminalRedraw();
    return 0;
}

int FxProgressSetLine(FxStatus* progress, int line, const char* text) {
    if (!progress && !gStatus.empty()) progress = gStatus.back();
    return FxStatusSetLine(progress, line, text ? text : "");
}

int FxProgressClose(FxStatus* progress) { return FxStatusClose(progress); }

int FxProgressSetTitle(FxStatus* progress, const char* title) {
    if (!knownStatus(progress)) return -1;
    progress->s.name = title ? title : "";
    fx::record("progress title " + fx::quote(progress->s.name));
    return 0;
}

FxStatus* FxProgressOpenTitled(const char* title, int total) { return FxProgressOpen(title, total); }

int FxProgressCloseHandle(FxStatus* progress) { return FxProgressClose(progress); }

} // extern "C"

// The base type-ahead source finds nothing.
AutoFill::~AutoFill() = default;
bool AutoFill::DefineColumns(Columns&) { return false; }
bool AutoFill::FindOpen(const char*) { return false; }
bool AutoFill::FindClose() { return true; }
bool AutoFill::FindFirst(Item&) { return false; }
bool AutoFill::FindNext(Item&) { return false; }
