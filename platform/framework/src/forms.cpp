// Forms and their fields.
#include "screen.hpp"

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

extern "C" {

// ---- forms and fields

int FxFormLoad(FxForm* form, ScreenField* table, int) {
    if (!form || !table) return 0;
    for (int i = 0; i < FX_MAX_FIELDS && table[i].number != 0; ++i) {
        char picture[sizeof table[i].picture + 1] = {};
        std::memcpy(picture, table[i].picture, sizeof table[i].picture);
        fx::PictureKind k = fx::pictureKind(picture);
        if (!k.problem.empty()) {
            fx::record("form load refused: field " + std::to_string(table[i].number) + " picture " + fx::quote(picture) +
                       ": " + k.problem);
            return 0;
        }
    }
    for (auto it = gForms.find(form); it != gForms.end(); it = gForms.end())
        for (void* line : it->second->lines) FxFree(line);
    auto fi = std::make_unique<FormImpl>();
    fi->form = form;
    fi->table = table;
    while (fi->count < FX_MAX_FIELDS && table[fi->count].number != 0) ++fi->count;
    int maxNo = 0;
    for (int i = 0; i < fi->count; ++i) maxNo = std::max(maxNo, static_cast<int>(table[i].number));
    fi->fields.resize(maxNo + 1);
    for (int i = 0; i < fi->count; ++i) fi->fields[table[i].number].displayOnly = table[i].displayOnly == 1;
    FormImpl* raw = fi.get();
    gForms[form] = std::move(fi);
    // the key-menu rows start empty; bindings made on the form before its
    // load stay, and now belong to the form (they go when its screen ends)
    std::memset(&form->keys.menu, 0, sizeof form->keys.menu);
    form->keys.impl = nullptr;
    if (auto kb = gKeyBars.find(form); kb != gKeyBars.end() && kb->second->context) {
        for (ContextImpl& c : gContexts)
            c.keyBars.erase(std::remove(c.keyBars.begin(), c.keyBars.end(), static_cast<void*>(form)), c.keyBars.end());
        kb->second->context = 0;
    }
    form->impl = raw;
    form->currentField = firstEnterable(raw);
    if (ContextImpl* ci = innermost())
        if (std::find(ci->forms.begin(), ci->forms.end(), form) == ci->forms.end()) ci->forms.push_back(form);
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

int FxFieldSetConcealed(FxForm* form, int field, int on) {
    FormImpl* fi = formImpl(form);
    if (!fieldDef(fi, field)) return -1;
    fieldState(fi, field)->concealed = on != 0;
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
    // the window's form; a form given in the window's place is taken as itself
    FormImpl* fi = window && openWindow(window) ? formImpl(window->form) : nullptr;
    if (!fi && window && !openWindow(window)) fi = formImpl(reinterpret_cast<FxForm*>(window));
    if (!fi) {
        fx::record("choice letters refused: no form in the window given");
        return -1;
    }
    if (!fieldDef(fi, field) || !letters) {
        fx::record("choice letters refused: no field " + std::to_string(field));
        return -1;
    }
    int count = static_cast<unsigned char>(letters[0]);
    std::string l;
    for (int i = 1; i <= count && letters[i]; ++i) l += letters[i];
    fi->letters[field] = l;
    return 0;
}

int FxAttachFolderBrowse(FxForm* form, int field, const char* title, char* buffer) {
    FormImpl* fi = formImpl(form);
    if (!fieldDef(fi, field)) return -1;
    fi->browse[field] = FormImpl::Browse{title ? title : "", buffer};
    return 0;
}

int FxFormText(void* form, int row, int column, int attribute, const char* text, int flags) {
    FormImpl* fi = formImpl(static_cast<FxForm*>(form));
    if (!fi) {
        fx::record("form text refused: not a loaded form");
        return -1;
    }
    if (!fi->window) {
        fx::record("form text refused: the form is in no window");
        return -1;
    }
    return FxWindowText(fi->window, row, column, attribute, text, flags);
}

int FxCurrentScreen(char* name, int size, void** keys) {
    if (name && size > 0) name[0] = '\0';
    if (keys) *keys = nullptr;
    fx::scr::ContextImpl* ci = fx::scr::innermost();
    if (!ci) return 0;
    if (name && size > 0 && !ci->windows.empty() && ci->windows.front()) {
        std::strncpy(name, ci->windows.front()->name, static_cast<size_t>(size) - 1);
        name[size - 1] = '\0';
    }
    if (keys && !ci->forms.empty()) *keys = ci->forms.front();
    return 1;
}

void FxWindowSetName(FxWindow* window, const char* name) {
    if (!window) return;
    std::memset(window->name, 0, sizeof window->name);
    if (name) std::strncpy(window->name, name, sizeof window->name - 1);
    std::string title = fx::screenTitle(windowName(window));
    fx::record("window name " + windowName(window) + (title.empty() ? "" : " " + fx::quote(title)));
    if (window->name[0] && openWindow(window)) FxRestoreWindowPos(window->name, window);
}

} // extern "C"

// The base type-ahead source finds nothing.
AutoFill::~AutoFill() = default;
bool AutoFill::DefineColumns(Columns&) { return false; }
bool AutoFill::FindOpen(const char*) { return false; }
bool AutoFill::FindClose() { return true; }
bool AutoFill::FindFirst(Item&) { return false; }
bool AutoFill::FindNext(Item&) { return false; }
