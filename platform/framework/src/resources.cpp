// Screen resources: strings, text lists, line-item tables, form tables and
// screen texts read from record-manager files (FxResourceRecord).
#include "internal.hpp"
#include "recman.h"

#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Key = std::tuple<int, int, int>; // kind, number, line

struct Group {
    int origin; // 491, 478 or 0 (added in memory)
    std::map<Key, std::string> records;
    // screen texts by screen name and line (their record number is free)
    std::map<std::pair<std::string, int>, std::string> screens;
};

std::vector<Group> gGroups; // in load order; the last one read wins

Group& manualGroup() {
    for (Group& g : gGroups)
        if (g.origin == 0) return g;
    gGroups.insert(gGroups.begin(), Group{0, {}, {}});
    return gGroups.front();
}

const std::string* find(int kind, int number, int line) {
    Key k{kind, number, line};
    for (const Group& g : gGroups)
        if (g.origin == 0) {
            auto it = g.records.find(k);
            if (it != g.records.end()) return &it->second;
        }
    for (auto g = gGroups.rbegin(); g != gGroups.rend(); ++g) {
        if (g->origin == 0) continue;
        auto it = g->records.find(k);
        if (it != g->records.end()) return &it->second;
    }
    return nullptr;
}

// All lines of one kind/number, in line order (later groups win per line).
std::vector<std::string> lines(int kind, int number) {
    std::map<int, std::string> out;
    for (const Group& g : gGroups) {
        if (g.origin == 0) continue;
        for (auto it = g.records.lower_bound(Key{kind, number, 0});
             it != g.records.end() && std::get<0>(it->first) == kind && std::get<1>(it->first) == number; ++it)
            out[std::get<2>(it->first)] = it->second;
    }
    for (const Group& g : gGroups) {
        if (g.origin != 0) continue;
        for (auto it = g.records.lower_bound(Key{kind, number, 0});
             it != g.records.end() && std::get<0>(it->first) == kind && std::get<1>(it->first) == number; ++it)
            out[std::get<2>(it->first)] = it->second;
    }
    std::vector<std::string> v;
    for (auto& [line, text] : out) v.push_back(text);
    return v;
}

std::string textOf(const std::string& data) {
    size_t z = data.find('\0');
    return z == std::string::npos ? data : data.substr(0, z);
}

void store(Group& g, int kind, int number, int line, const std::string& data) {
    if (kind == FX_RES_SCREEN) {
        std::string name = textOf(data.substr(0, std::min<size_t>(32, data.size())));
        g.screens[{name, line}] = data.size() > 32 ? textOf(data.substr(32)) : std::string();
        return;
    }
    g.records[Key{kind, number, line}] = data;
}

int readFile(const std::string& path, int origin) {
    uint16_t h = 0;
    if (BtrOpenFile(&h, path.c_str(), 0, 0) != 0) return -1;
    Group g{origin, {}, {}};
    FxResourceRecord rec;
    char key[256];
    int op = B_STEP_FIRST;
    for (;;) {
        std::memset(&rec, 0, sizeof rec);
        int st = BtrGet(op, h, key, &rec, sizeof rec);
        if (st != 0) break;
        op = B_STEP_NEXT;
        int len = rec.length <= sizeof rec.data ? rec.length : static_cast<int>(sizeof rec.data);
        store(g, rec.kind, rec.number, rec.line, std::string(rec.data, len));
    }
    BtrCloseFile(h);
    gGroups.push_back(std::move(g));
    return 0;
}

std::string joinPath(const char* base, const char* name) {
    std::string p = base ? base : "";
    for (char& c : p)
        if (c == '\\') c = '/';
    if (!p.empty() && p.back() != '/') p += '/';
    return p + (name ? name : "");
}

void forget(int origin) {
    for (size_t i = gGroups.size(); i-- > 0;)
        if (gGroups[i].origin == origin) gGroups.erase(gGroups.begin() + static_cast<long>(i));
}

} // namespace

namespace fx {

void resetResources() { gGroups.clear(); }

// Lines of the named screen text (kind 5), in line order.
std::vector<std::string> screenText(const std::string& name) {
    std::map<int, std::string> out;
    for (const Group& g : gGroups) {
        if (g.origin == 0) continue;
        for (auto it = g.screens.lower_bound({name, 0}); it != g.screens.end() && it->first.first == name; ++it)
            out[it->first.second] = it->second;
    }
    for (const Group& g : gGroups) {
        if (g.origin != 0) continue;
        for (auto it = g.screens.lower_bound({name, 0}); it != g.screens.end() && it->first.first == name; ++it)
            out[it->first.second] = it->second;
    }
    std::vector<std::string> v;
    for (auto& [line, text] : out) {
        if (line >= kScreenTextLines) break; // the title and other lines above the text
        if (static_cast<size_t>(line) >= v.size()) v.resize(line);
        v.push_back(text);
    }
    return v;
}

std::string screenTitle(const std::string& name) { return screenLine(name, FX_SCREEN_TITLE_LINE); }

std::string screenLine(const std::string& name, int line) {
    if (name.empty()) return std::string();
    std::string text;
    for (const Group& g : gGroups) // the file read last wins
        if (g.origin != 0)
            if (auto it = g.screens.find({name, line}); it != g.screens.end()) text = it->second;
    for (const Group& g : gGroups) // records added in memory win over files
        if (g.origin == 0)
            if (auto it = g.screens.find({name, line}); it != g.screens.end()) text = it->second;
    return text;
}

} // namespace fx

extern "C" {

int FxResourceAdd(int kind, int number, int line, const void* data, int length) {
    if (kind <= 0 || number < 0 || line < 0 || length < 0 || (length > 0 && !data)) return -1;
    if (length > 256) length = 256;
    store(manualGroup(), kind, number, line, std::string(static_cast<const char*>(data), length));
    return 0;
}

int FxResourceLoadFile(const char* path) { return path ? readFile(path, 1) : -1; }

int FxOpenStringFiles(const char* base, const char* name1, const char* name2) {
    forget(491);
    for (const char* n : {name1, name2})
        if (n && *n && readFile(joinPath(base, n), 491) != 0)
            fx::record("resource file missing " + fx::quote(joinPath(base, n)));
    return 0;
}

int FxOpenScreenFiles(const char* base, const char* name1, const char* name2, const char* name3) {
    forget(478);
    for (const char* n : {name1, name2, name3})
        if (n && *n && readFile(joinPath(base, n), 478) != 0)
            fx::record("resource file missing " + fx::quote(joinPath(base, n)));
    return 0;
}

void FxCloseStringFiles(void) { forget(491); }

void FxCloseScreenFiles(void) { forget(478); }

int FxLoadString(int number, int size, char* buffer) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    const std::string* d = find(FX_RES_STRING, number, 0);
    if (!d) return 0;
    std::string t = textOf(*d);
    if (t.size() >= static_cast<size_t>(size)) t.resize(size - 1);
    std::memcpy(buffer, t.c_str(), t.size() + 1);
    return static_cast<int>(t.size());
}

int FxTextListLoad(int id, char** lines, int* width, int* count, int capacity) {
    if (width) *width = 0;
    if (count) *count = 0;
    if (!lines || capacity <= 0) return -1;
    lines[0] = nullptr;
    std::vector<std::string> v = ::lines(FX_RES_TEXTLIST, id);
    if (v.empty()) return 1;
    int n = 0, w = 0;
    for (const std::string& raw : v) {
        if (n >= capacity - 1) break;
        std::string t = textOf(raw);
        char* p = static_cast<char*>(FxAlloc(static_cast<int>(t.size()) + 1, 1));
        if (!p) {
            FxTextListFree(lines);
            return 2;
        }
        std::memcpy(p, t.c_str(), t.size() + 1);
        lines[n++] = p;
        lines[n] = nullptr;
        if (static_cast<int>(t.size()) > w) w = static_cast<int>(t.size());
    }
    if (width) *width = w;
    if (count) *count = n;
    return 0;
}

int FxTextListSplit(const char* text, char** lines, int* width, int* count, int capacity) {
    if (width) *width = 0;
    if (count) *count = 0;
    if (!lines || capacity <= 0) return -1;
    lines[0] = nullptr;
    if (!text) return 1;
    int n = 0, w = 0;
    std::string part;
    for (const char* p = text;; ++p) {
        if (*p && *p != '|' && *p != '\n' && *p != '\r') {
            part += *p;
            continue;
        }
        if (*p == '\r' && p[1] == '\n') ++p;
        if (n >= capacity - 1) break;
        char* line = static_cast<char*>(FxAlloc(static_cast<int>(part.size()) + 1, 1));
        if (!line) {
            FxTextListFree(lines);
            return 2;
        }
        std::memcpy(line, part.c_str(), part.size() + 1);
        lines[n++] = line;
        lines[n] = nullptr;
        w = std::max(w, static_cast<int>(part.size()));
        part.clear();
        if (!*p) break;
    }
    if (width) *width = w;
    if (count) *count = n;
    return 0;
}

int FxTextListLoadOrSplit(intptr_t listOrText, char** lines, int* width, int* count, int capacity) {
    if (listOrText >= 0 && listOrText <= 0xFFFF)
        return FxTextListLoad(static_cast<int>(listOrText), lines, width, count, capacity);
    return FxTextListSplit(reinterpret_cast<const char*>(listOrText), lines, width, count, capacity);
}

void FxTextListFree(char** lines) {
    if (!lines) return;
    for (char** p = lines; *p; ++p) {
        FxFree(*p);
        *p = nullptr;
    }
}

int FxLoadResourceTable(void* table, int number, int bytes, int* count) {
    if (count) *count = 0;
    if (!table || bytes <= 0) return -1;
    std::vector<std::string> items = lines(FX_RES_LINEITEMS, number);
    if (!items.empty()) {
        int cap = bytes / static_cast<int>(sizeof(FxLineItem));
        FxLineItem* out = static_cast<FxLineItem*>(table);
        int n = 0;
        for (const std::string& d : items) {
            if (n >= cap) break;
            FxLineItem it{};
            std::memcpy(&it, d.data(), std::min(d.size(), sizeof it));
            it.picture[sizeof it.picture - 1] = '\0';
            if (it.type == 0) break;
            out[n++] = it;
        }
        if (n < cap) std::memset(&out[n], 0, sizeof(FxLineItem));
        if (count) *count = n;
        return 0;
    }
    std::vector<std::string> fields = lines(FX_RES_FORM, number);
    if (fields.empty()) return 1;
    int cap = bytes / static_cast<int>(sizeof(ScreenField));
    ScreenField* out = static_cast<ScreenField*>(table);
    int n = 0;
    for (const std::string& d : fields) {
        if (n >= cap) break;
        FxStoredField sf{};
        std::memcpy(&sf, d.data(), std::min(d.size(), sizeof sf));
        if (sf.number == 0) break;
        ScreenField f{};
        f.number = sf.number;
        f.row = sf.row;
        f.column = sf.column;
        std::memcpy(f.picture, sf.picture, sizeof f.picture);
        f.picture[sizeof f.picture - 1] = '\0';
        f.prompt = sf.prompt;
        f.flags = sf.flags;
        f.displayOnly = sf.displayOnly;
        out[n++] = f;
    }
    if (n < cap) std::memset(&out[n], 0, sizeof(ScreenField));
    if (count) *count = n;
    return 0;
}

} // extern "C"
