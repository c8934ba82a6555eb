// Windows and keys.
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

namespace {

CBrmWinPosition* gPositionStore = nullptr;

void put32(uint8_t* p, int32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

int32_t get32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

// Fills the store's position data for a window; false without a store or a name.
bool fillPosition(const char* name, FxWindow* w) {
    if (!gPositionStore || !gPositionStore->PositionData() || !name || !*name) return false;
    uint8_t* d = gPositionStore->PositionData();
    std::memset(d, 0, CBrmWinPosition::FX_WINPOS_DATA);
    std::memcpy(d, name, strnlen(name, CBrmWinPosition::FX_WINPOS_NAME - 1));
    if (w) {
        put32(d + 51, w->top);
        put32(d + 55, w->left);
        put32(d + 59, w->bottom);
        put32(d + 63, w->right);
    }
    return true;
}

// Loads a window's position from the store and moves the window there when
// the stored corners have its size and lie on the screen. 0 when the store
// knew the window.
int loadPosition(const char* name, FxWindow* w) {
    if (!fillPosition(name, w)) return -1;
    if (!gPositionStore->LoadOrSave(0)) return -1;
    const uint8_t* d = gPositionStore->PositionData();
    if (w && w->open) {
        int top = get32(d + 51), left = get32(d + 55), bottom = get32(d + 59), right = get32(d + 63);
        bool sameSize = bottom - top == w->bottom - w->top && right - left == w->right - w->left;
        bool onScreen = top >= 0 && left >= 0 && bottom <= 24 && right <= 79 && top <= bottom && left <= right;
        if (sameSize && onScreen && (top != w->top || left != w->left)) {
            w->top = top;
            w->left = left;
            w->bottom = bottom;
            w->right = right;
            fx::record("window position " + std::string(name) + " " + std::to_string(top) + "," + std::to_string(left) +
                       "-" + std::to_string(bottom) + "," + std::to_string(right));
            fx::terminalRedraw();
        }
    }
    return 0;
}

int savePosition(const char* name, FxWindow* w) {
    if (!fillPosition(name, w)) return -1;
    return gPositionStore->LoadOrSave(1) ? 0 : -1;
}

FxWindow* asOpenWindow(void* window) { return openWindow(static_cast<FxWindow*>(window)); }

} // namespace

namespace fx {
void resetWindowPositions() { gPositionStore = nullptr; }
} // namespace fx

CBrmWinPosition::CBrmWinPosition(uint8_t* positionData) : data_(positionData) {}
CBrmWinPosition::~CBrmWinPosition() {
    if (gPositionStore == this) gPositionStore = nullptr;
}
void CBrmWinPosition::SetObject(CBrmWinPosition* store) { gPositionStore = store; }
CBrmWinPosition* CBrmWinPosition::GetObject() { return gPositionStore; }

extern "C" {

int FxRestoreWindowPos(const char* name, void* window) { return loadPosition(name, asOpenWindow(window)); }

int FxSaveWindowPos(const char* name, void* window) { return savePosition(name, asOpenWindow(window)); }

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
    fx::record("window open " + std::to_string(top) + "," + std::to_string(left) + "-" + std::to_string(bottom) +
               "," + std::to_string(right) + (window->title[0] ? " " + fx::quote(window->title) : ""));
    fx::terminalRedraw();
    return 0;
}

int FxWindowClose(FxWindow* window, int) {
    if (!window || !openWindow(window)) return -1;
    fx::record("window close " + windowName(window));
    if (window->name[0]) {
        std::string name(window->name, strnlen(window->name, sizeof window->name));
        savePosition(name.c_str(), window);
    }
    dropWindow(window);
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

int FxWindowCursor(FxWindow* window, int row, int column) {
    if (!window || !openWindow(window)) return -1;
    WindowImpl& wi = gWindows[window];
    wi.cursorRow = row < 0 || column < 0 ? -1 : row;
    wi.cursorColumn = row < 0 || column < 0 ? -1 : column;
    fx::terminalRedraw();
    return 0;
}

int FxWindowMark(FxWindow* window, int row, int column, int width) {
    if (!window || !openWindow(window)) return -1;
    auto& marks = gWindows[window].marks;
    if (row < 0) {
        if (marks.empty()) return 0;
        marks.clear();
        fx::record("mark " + windowName(window) + " none");
    } else if (width <= 0) {
        const size_t before = marks.size();
        marks.erase(std::remove_if(marks.begin(), marks.end(), [row](const WindowImpl::Mark& m) { return m.row == row; }),
                    marks.end());
        if (marks.size() == before) return 0;
        fx::record("mark " + windowName(window) + " " + std::to_string(row) + " none");
    } else {
        for (const WindowImpl::Mark& m : marks)
            if (m.row == row && m.column == column && m.width == width) return 0;
        marks.push_back({row, column, width});
        fx::record("mark " + windowName(window) + " " + std::to_string(row) + "," + std::to_string(column) + " " +
                   std::to_string(width));
    }
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
    FxKeyBar* bar = static_cast<FxKeyBar*>(keys);
    for (int i = 0; i < FX_KEYMENU_ROWS && bar->menu[i].key; ++i)
        if (bar->menu[i].key == key && text) {
            std::memset(bar->menu[i].caption, 0, sizeof bar->menu[i].caption);
            std::strncpy(bar->menu[i].caption, text, sizeof bar->menu[i].caption - 1);
        }
    return 0;
}

int FxSetKeyButton(void* keys, int) {
    if (!keys) return -1;
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

int FxScreenKey(const char* name) {
    for (;;) {
        fx::Event ev = fx::nextEvent(true);
        switch (ev.kind) {
        case fx::Event::Key: return ev.key;
        case fx::Event::Type:
            fx::record("type " + fx::quote(ev.text));
            if (ev.text.empty()) continue;
            // the characters after the first come next, before any other input
            for (size_t i = 1; i < ev.text.size(); ++i) fx::pushKey(static_cast<unsigned char>(ev.text[i]));
            return static_cast<unsigned char>(ev.text[0]);
        case fx::Event::Exhausted:
            if (fx::exhaustedCount() > 3) {
                fx::record(std::string("run forced closed ") + (name ? name : ""));
                return 0;
            }
            return FX_KEY_ESC;
        default:
            fx::record("event ignored by a key read");
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

int FxRefreshTop(void) {
    fx::terminalRedraw();
    return 0;
}

int FxWindowPrompt(FxWindow* window, const char* text) {
    if (!window || !openWindow(window)) {
        fx::record("prompt refused: not an open window");
        return -1;
    }
    // the prompt goes on the window's last inside row
    int row = std::max(0, window->bottom - window->top - 1);
    return FxWindowText(window, row, 1, 0, text ? text : "", 0);
}

int FxKeyFlush(void) {
    fx::dropPushedKeys();
    fx::terminalFlush();
    return 0;
}

} // extern "C"
