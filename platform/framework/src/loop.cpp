// The screen loop: screen contexts, running a form, moving between fields
// and grid lines, and what handler answers do.
#include "screen.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <strings.h>
#include <utility>
#include <vector>

namespace fx::scr {
namespace {

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
    if (FormImpl* mi = formImpl(r.main))
        for (FxForm* g : mi->grids)
            if (FormImpl* gi = formImpl(g)) gi->cursorIn = g == r.form;
    ScreenField* f = fieldDef(fi, n);
    FieldState* st = fieldState(fi, n);
    if (st) enterFieldText(*st);
    if (st && st->page && fi->shownPage != st->page) {
        fi->shownPage = st->page;
        fx::record("page " + std::to_string(st->page) + " of " + std::to_string(pageCount(fi)));
    }
    fx::record("field " + std::to_string(n) + " enter " + fx::quote(recordedText(f, st, fieldText(fi, n))));
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
    gridShow(grid);
}

// Runs the grid's line-leave callback; its answer. An answer of 2 (the
// line is done) lets the cursor go as 0 does.
int leaveLine(Run& r, FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    int answer = 0;
    if (grid->lineLeave) answer = grid->lineLeave(r.ctx);
    fx::record("line leave " + std::to_string(gi ? gi->row : 0) + " -> " + answerName(answer));
    return (answer & 0xFFFF) == FX_RECORD_DONE && !(answer & ~0xFFFF) ? FX_GO_ON : answer;
}

// Back to the main form, at the given field or else its current one.
void backToMain(Run& r, int field) {
    FormImpl* mi = formImpl(r.main);
    if (!mi) return;
    r.form = r.main;
    int n = enterable(mi, field) ? field : enterable(mi, r.main->currentField) ? r.main->currentField : firstEnterable(mi);
    mi->focusRequested = false;
    enterField(r, n);
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
    FxForm* grid = gridOf(r.main);
    bool inGrid = grid && r.form == grid;
    int low = answer & 0xFFFF;
    if (answer & 0xC0000) { // the grid's lines changed: show them and take up the current line again
        fx::record("grid changed");
        if (grid) gridShow(grid);
        // the list emptied with 2 or 6 (0x40002, 0x40006): the record is done
        if (!(answer & 0x40000) || (low != FX_RECORD_DONE && low != 6)) {
            if (inGrid) enterLine(r, grid, formImpl(grid)->row, grid->currentField);
            return;
        }
    }
    if (answer & 0x10000) { // the list was filled
        fx::record("grid filled");
        if (grid) gridShow(grid);
        if (low == FX_RECORD_DONE || low == 6) { // into the list
            if (grid) enterLine(r, grid, 0, 0);
            return;
        }
        if (low == FX_GO_ON && fieldExit) moveOn(r, dir);
        return;
    }
    switch (low) {
    case FX_RECORD_DONE:
        // on a grid line: the line is done and the cursor goes to the next one
        if (inGrid && !(answer & 0x40000)) {
            if (accepted(leaveLine(r, grid))) enterLine(r, grid, formImpl(grid)->row + 1, 0);
            return;
        }
        recordDone(r);
        return;
    case 6: recordDone(r); return;      // the record is done, from either form
    case 4: backToMain(r, 0); return;   // back to the main form
    case 0x84: backToMain(r, r.main ? r.main->currentField : 0); return; // at the field the handler set
    case FX_GO_ON:
    case FX_LOOKUP_SET:
        if (fieldExit) moveOn(r, dir);
        else if (low == FX_GO_ON && (key == FX_KEY_ESC || r.ctx->key == FX_KEY_ESC))
            leave(r, FX_KEY_ESC, true);
        return;
    default: return; // stay (0x20, 0x80 and unknown answers)
    }
}

// Matches a drop list shows at a time.
constexpr size_t kAutoFillPage = 10;

// Where field n of the form with the cursor stands on the screen; (-1, -1)
// when it is not shown.
std::pair<int, int> fieldPlace(int n) {
    for (const fx::WindowView& v : fx::screenViews())
        for (const fx::FieldView& f : v.fields)
            if (f.current && f.number == n) return {v.window->top + f.row, v.window->left + f.column};
    return {-1, -1};
}

// The type-ahead drop list of field n after typing: a page of the source's
// matches for the text; a pick puts its code into the field, otherwise the
// typed text stays.
void autoFill(Run& r, int n) {
    FormImpl* fi = formImpl(r.form);
    ScreenField* f = fieldDef(fi, n);
    FieldState* st = fieldState(fi, n);
    if (!f || !f->typeAhead || !st || isChoice(f)) return;
    const std::string typed = st->text;
    if (fx::trimmed(typed).empty()) return;
    AutoFill* source = f->typeAhead;
    std::vector<std::string> codes, descriptions;
    if (source->FindOpen(typed.c_str())) {
        AutoFill::Item item{nullptr, nullptr};
        for (bool found = source->FindFirst(item); found && codes.size() < kAutoFillPage; found = source->FindNext(item)) {
            codes.emplace_back(item.code ? item.code : "");
            descriptions.emplace_back(item.description ? item.description : "");
        }
    }
    source->FindClose();
    if (codes.empty()) return;
    const auto [row, column] = fieldPlace(n);
    const int chosen = fx::fieldDropList(row, column, codes, descriptions);
    if (chosen < 1 || chosen > static_cast<int>(codes.size())) return;
    // the form may have changed under a source's own screens
    fi = formImpl(r.form);
    if (!fi || r.form->currentField != n || !enterable(fi, n)) return;
    typeWhole(fi, n, codes[static_cast<size_t>(chosen - 1)]);
    fx::record("field " + std::to_string(n) + " filled " +
               fx::quote(recordedText(fieldDef(fi, n), fieldState(fi, n), fieldText(fi, n))));
}

void typeInto(Run& r, const std::string& text) {
    FormImpl* fi = formImpl(r.form);
    int n = r.form ? r.form->currentField : 0;
    if (!fi || !enterable(fi, n)) {
        fx::record("type of " + std::to_string(text.size()) + " characters ignored: no field takes input");
        return;
    }
    ScreenField* f = fieldDef(fi, n);
    FieldState* st = fieldState(fi, n);
    if (isChoice(f)) {
        if (!storeText(fi, n, text, true)) {
            fx::record("field " + std::to_string(n) + " has no option " + fx::quote(text));
            return;
        }
        fi->changed = true;
    } else {
        typeWhole(fi, n, text);
    }
    fx::record("field " + std::to_string(n) + " type " + fx::quote(recordedText(f, st, fieldText(fi, n))));
    autoFill(r, n);
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
    if (std::string why = checkLeave(fi, n); !why.empty()) {
        gStatusLine = why;
        fx::record("field " + std::to_string(n) + " refused " + fx::quote(recordedText(f, fieldState(fi, n), fieldText(fi, n))) +
                   ": " + why);
        FxBeep();
        return FX_STAY;
    }
    gStatusLine.clear();
    int answer = 0;
    FxForm* form = r.form;
    fi->focusRequested = false;
    if (f->exitHandler) {
        r.ctx->key = key;
        answer = f->exitHandler(r.ctx);
        fi = formImpl(r.form);
    }
    fx::record("field " + std::to_string(n) + " exit " + fx::quote(recordedText(fieldDef(fi, n), fieldState(fi, n), fieldText(fi, n))) +
               " -> " + answerName(answer));
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

// PgDn and PgUp on a form of several pages: the next or previous page, the
// cursor on its first input field (it stays when the page has none).
bool turnPage(Run& r, int dir) {
    FormImpl* fi = formImpl(r.main);
    const int pages = pageCount(fi);
    if (r.form != r.main || pages < 2) return false;
    const int page = std::clamp(fi->shownPage + dir, 1, pages);
    if (page == fi->shownPage) return true;
    int target = 0;
    for (int i = 0; i < fi->count && !target; ++i) {
        const int n = fi->table[i].number;
        if (fieldState(fi, n)->page == page && enterable(fi, n)) target = n;
    }
    if (target) {
        int answer = exitField(r, dir > 0 ? FX_KEY_PGDN : FX_KEY_PGUP, 0);
        if (r.done || !accepted(answer) || r.form != r.main) return true;
        enterField(r, target);
        return true;
    }
    FxFormShowPage(r.main, page);
    return true;
}

void pressKey(Run& r, int key) {
    r.ctx->key = key;
    gStatusText.clear();
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
    case FX_KEY_F1: { // the screen's help topic
        std::string name = r.name;
        std::string title = fx::screenTitle(name);
        fx::showHelpWindow(title.empty() ? "Help" : title, name);
        return;
    }
    case FX_KEY_SHIFT_F1: { // the help of the field that has the cursor
        FormImpl* fi = formImpl(r.form);
        ScreenField* f = fi ? fieldDef(fi, r.form->currentField) : nullptr;
        fx::showHelpWindow("Field help", f && f->prompt ? std::to_string(f->prompt) : r.name);
        return;
    }
    case FX_KEY_F1 + 0x400: { // F5 on a folder field: the folder browser
        FormImpl* fi = formImpl(r.form);
        int n = r.form ? r.form->currentField : 0;
        if (!fi || !fi->browse.count(n) || !enterable(fi, n)) break;
        FormImpl::Browse b = fi->browse[n];
        std::string picked = browseFolder(b.title, fx::trimmed(fieldText(fi, n)));
        if (picked.empty()) return;
        if (picked.back() != '/') picked += '/';
        storeText(fi, n, picked, false);
        if (b.buffer) {
            std::string t = picked.substr(0, 259);
            std::memcpy(b.buffer, t.c_str(), t.size() + 1);
        }
        if (FieldState* st = fieldState(fi, n)) {
            st->cursor = st->text.size();
            st->fresh = false;
            st->edited = true;
        }
        fi->changed = true;
        return;
    }
    case FX_KEY_F1 + 0x100: { // F2: the "Options" list of the key-menu rows under F2
        std::vector<KeyItem> options;
        for (const KeyItem& k : keyItems(r.form == r.main ? r.main : r.form, r.ci))
            if (k.option) options.push_back(k);
        if (options.empty()) break;
        std::string list = "\x01";
        for (size_t i = 0; i < options.size(); ++i) {
            std::string caption = options[i].caption;
            for (char& c : caption)
                if (c == ',') c = ' ';
            list += (i ? "," : "") + caption;
        }
        int picked = FxPopupChoose(list.c_str(), -1, -1, 1);
        if (picked >= 1 && picked <= static_cast<int>(options.size())) pressKey(r, options[picked - 1].code);
        return;
    }
    case FX_KEY_DOWN:
    case FX_KEY_UP:
        if (r.form != r.main && formImpl(r.form)) {
            moveLine(r, key, key == FX_KEY_DOWN ? 1 : -1);
            return;
        }
        exitField(r, key, key == FX_KEY_DOWN ? 1 : -1);
        return;
    case FX_KEY_PGDN:
    case FX_KEY_PGUP:
        if (turnPage(r, key == FX_KEY_PGDN ? 1 : -1)) return;
        break;
    case FX_KEY_ENTER:
    case FX_KEY_TAB: exitField(r, key, 1); return;
    case FX_KEY_SHIFT_TAB: exitField(r, key, -1); return;
    case FX_KEY_ESC:
        fx::record("key Esc");
        leave(r, FX_KEY_ESC, true);
        return;
    case FX_KEY_LEFT:
    case FX_KEY_RIGHT:
    case FX_KEY_HOME:
    case FX_KEY_END:
    case FX_KEY_INS:
    case FX_KEY_DEL:
    case FX_KEY_BACKSPACE: {
        FormImpl* fi = formImpl(r.form);
        if (fi && editKey(fi, r.form->currentField, key)) return;
        break;
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
                } else if (typeChar(fi, n, static_cast<char>(key))) {
                    autoFill(r, n);
                }
            }
            return;
        }
        break;
    }
    fx::record("key " + fx::keyName(key) + " -> no action");
}


} // namespace
} // namespace fx::scr

using namespace fx::scr;

extern "C" {

// ---- contexts and the loop

void FxShowStatusText(const char* text) {
    gStatusText = text ? text : "";
    fx::record("status " + fx::quote(gStatusText));
    fx::terminalRedraw();
}

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
        // the forms of the screen lose their bindings: a later form at the
        // same address starts without them
        for (FxForm* f : c.forms) gKeyBars.erase(f);
        // Windows the screen left open go with it: nothing may point to a
        // screen context that is gone.
        for (FxWindow* w : c.windows)
            if (openWindow(w)) {
                fx::record("window close " + windowName(w) + " (left open by its screen)");
                if (w->name[0]) {
                    std::string name(w->name, strnlen(w->name, sizeof w->name));
                    FxSaveWindowPos(name.c_str(), w);
                }
                dropWindow(w);
            }
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
    FxWindow* win = context->window;
    if (!win && !ci->windows.empty()) win = ci->windows.front();
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
    if (!form) fx::record("run has no form: only Esc leaves");
    fx::terminalRedraw();
    if (form) startEmpty(r);
    // the form as its screen starts it, after the new-record callback
    for (const std::string& p : layoutProblems(formImpl(form))) fx::record("layout problem " + r.name + ": " + p);
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
    // what the status line said belonged to the screen that ends
    gStatusLine.clear();
    gStatusText.clear();
    fx::record("run end " + r.name + " " + fx::keyName(r.exitKey));
    fx::terminalRedraw();
    return r.exitKey;
}

} // extern "C"
