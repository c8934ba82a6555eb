// The key bar: the rows of a form's key-menu table laid out to fit the
// screen's width, keys switched off marked, and the F2 "Options" list of the
// rows listed under F2.
#include "screen.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace fx::scr {

namespace {

std::string fieldOf(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

std::string keyLabel(const FxKeyMenuItem& m) {
    std::string t = fieldOf(m.keyText, sizeof m.keyText);
    if (!t.empty() && t[0] == 0x18) t = "Shift+" + t.substr(1);
    return t;
}

// Caption cut to at most n characters, at a word end when one is near.
std::string shortened(const std::string& caption, size_t n) {
    if (caption.size() <= n) return caption;
    size_t blank = caption.rfind(' ', n);
    if (blank != std::string::npos && blank >= 3) return caption.substr(0, blank);
    return caption.substr(0, n);
}

std::string itemText(const KeyItem& k, const std::string& caption) {
    std::string t = k.key + (caption.empty() ? "" : " " + caption);
    return k.on ? t : "(" + t + ")";
}

// Greedy rows of items joined by two blanks; empty when one item is wider
// than the width or more than maxRows rows are needed.
std::vector<std::string> rowsOf(const std::vector<std::string>& items, size_t width, size_t maxRows) {
    std::vector<std::string> rows(1);
    for (const std::string& it : items) {
        if (it.size() > width) return {};
        std::string& row = rows.back();
        if (row.empty()) row = it;
        else if (row.size() + 2 + it.size() <= width) row += "  " + it;
        else {
            if (rows.size() == maxRows) return {};
            rows.push_back(it);
        }
    }
    return rows;
}

} // namespace

std::vector<KeyItem> keyItems(void* keys, ContextImpl* ci) {
    std::vector<KeyItem> out;
    if (!keys) return out;
    FxKeyBar* bar = static_cast<FxKeyBar*>(keys);
    FxForm* form = gForms.count(static_cast<FxForm*>(keys)) ? static_cast<FxForm*>(keys) : nullptr;
    for (int i = 0; i < FX_KEYMENU_ROWS && bar->menu[i].key; ++i) {
        const FxKeyMenuItem& m = bar->menu[i];
        KeyItem k;
        k.code = m.key;
        k.key = keyLabel(m);
        k.caption = fieldOf(m.caption, sizeof m.caption);
        k.option = m.parent == 0x3C00;
        KeyBinding* b = form ? findBinding(form, ci, m.key) : nullptr;
        if (!b) {
            auto it = gKeyBars.find(keys);
            if (it != gKeyBars.end()) {
                auto kb = it->second->keys.find(m.key);
                if (kb != it->second->keys.end()) b = &kb->second;
            }
        }
        k.on = !b || b->enabled;
        out.push_back(k);
    }
    return out;
}

std::vector<std::string> keyBarRows(const std::vector<KeyItem>& all, int width, int maxRows) {
    std::vector<KeyItem> items;
    for (const KeyItem& k : all)
        if (!k.option) items.push_back(k);
    if (items.empty() || width <= 0) return {};
    size_t w = static_cast<size_t>(width);
    // full captions on one row, then on two, then shorter captions, then keys only
    const size_t cuts[] = {1000, 1000, 10, 6, 0};
    for (int step = 0; step < 5; ++step) {
        std::vector<std::string> texts;
        for (const KeyItem& k : items) texts.push_back(itemText(k, cuts[step] ? shortened(k.caption, cuts[step]) : ""));
        std::vector<std::string> rows = rowsOf(texts, w, step == 0 ? 1 : std::clamp(maxRows, 1, 2));
        if (!rows.empty()) return rows;
    }
    // still too wide: cut the two rows
    std::vector<std::string> texts;
    for (const KeyItem& k : items) texts.push_back(itemText(k, ""));
    std::vector<std::string> rows(1);
    for (const std::string& t : texts) {
        if (!rows.back().empty() && rows.back().size() + 2 + t.size() > w) {
            if (static_cast<int>(rows.size()) >= std::clamp(maxRows, 1, 2)) break;
            rows.emplace_back();
        }
        rows.back() += (rows.back().empty() ? "" : "  ") + t;
    }
    for (std::string& r : rows)
        if (r.size() > w) r.resize(w);
    return rows;
}

} // namespace fx::scr

extern "C" {

int FxKeyBarText(void* keys, int width, char* out, int size) {
    if (!keys || !out || size <= 0) return -1;
    std::vector<std::string> rows = fx::scr::keyBarRows(fx::scr::keyItems(keys, fx::scr::innermost()), width);
    std::string t;
    for (size_t i = 0; i < rows.size(); ++i) t += (i ? "\n" : "") + rows[i];
    if (t.size() >= static_cast<size_t>(size)) t.resize(static_cast<size_t>(size) - 1);
    std::memcpy(out, t.c_str(), t.size() + 1);
    return static_cast<int>(rows.size());
}

} // extern "C"
