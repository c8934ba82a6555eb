// Screen state: the forms, key bars, windows, contexts and status windows
// the framework holds, the helpers shared by the screen sources, and their
// reset.
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

namespace fx::scr {

std::map<FxForm*, std::unique_ptr<FormImpl>> gForms;
std::map<void*, std::unique_ptr<KeyBarImpl>> gKeyBars;
std::map<FxWindow*, WindowImpl> gWindows;
std::vector<FxWindow*> gOpenWindows;
std::vector<ContextImpl> gContexts;
std::vector<FxStatus*> gStatus;
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

std::string pictureText(const ScreenField* f) {
    return f ? std::string(f->picture, strnlen(f->picture, sizeof f->picture)) : std::string();
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
    int w = fx::pictureWidth(pictureText(f).c_str());
    if (w > 0 && static_cast<int>(t.size()) > w) t.resize(w);
    if (typed) {
        std::string letters = pictureLetters(pictureText(f).c_str());
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
int lastEnterable(FormImpl* fi) {
    for (int i = fi->count; i-- > 0;)
        if (enterable(fi, fi->table[i].number)) return fi->table[i].number;
    return 0;
}

bool knownStatus(FxStatus* s) { return s && std::find(gStatus.begin(), gStatus.end(), s) != gStatus.end(); }

void dropWindow(FxWindow* window) {
    gOpenWindows.erase(std::remove(gOpenWindows.begin(), gOpenWindows.end(), window), gOpenWindows.end());
    gWindows.erase(window);
    for (auto& [form, fi] : gForms)
        if (fi->window == window) fi->window = nullptr;
    for (ContextImpl& c : gContexts) {
        c.windows.erase(std::remove(c.windows.begin(), c.windows.end(), window), c.windows.end());
        if (c.ctx && c.ctx->window == window) c.ctx->window = nullptr;
    }
    window->open = 0;
    window->form = nullptr;
}

FxWindow* openWindow(FxWindow* w) {
    return std::find(gOpenWindows.begin(), gOpenWindows.end(), w) != gOpenWindows.end() ? w : nullptr;
}


} // namespace fx::scr

namespace fx {

void resetScreens() {
    using namespace fx::scr;
    gInsertMode = true;
    gStatusLine.clear();
    for (FxStatus* s : gStatus) delete s;
    gStatus.clear();
    for (auto& [form, fi] : gForms)
        for (void* line : fi->lines) FxFree(line);
    gForms.clear();
    gKeyBars.clear();
    gWindows.clear();
    gOpenWindows.clear();
    gContexts.clear();
}

} // namespace fx
