// Texts: emptiness, trims, padding, alignment, number texts and the stored
// character transform.
#include "internal.hpp"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fx {

std::string trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

} // namespace fx

namespace {

// Lays src (trimmed of blanks) into dest over dest's current length:
// how = 0 left, 1 centre, 2 right. dest keeps its length.
char* layInto(char* dest, const char* src, int how) {
    if (!dest) return dest;
    std::string s = fx::trimmed(src ? src : "");
    size_t w = std::strlen(dest);
    if (s.size() > w) s.resize(w);
    size_t pad = w - s.size();
    size_t before = how == 0 ? 0 : how == 1 ? pad / 2 : pad;
    std::memset(dest, ' ', w);
    std::memcpy(dest + before, s.data(), s.size());
    return dest;
}

// The stored transform: a fixed permutation of 1..255 without fixed points
// (x -> ((x-1)*7 + 101) mod 255 + 1); 0 stays 0 so that stored texts keep
// their terminating zero.
const int kMul = 7, kInvMul = 73, kAdd = 101;

} // namespace

extern "C" {

int FxIsEmpty(const char* text) {
    if (!text) return 1;
    for (const char* p = text; *p; ++p)
        if (*p != ' ' && *p != '\t') return 0;
    return 1;
}

char* FxTrimText(int mode, char* text) {
    if (!text) return text;
    size_t n = std::strlen(text);
    size_t b = 0, e = n;
    bool lead = mode != 5, trail = mode != 1;
    if (trail)
        while (e > 0 && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    if (lead)
        while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    std::memmove(text, text + b, e - b);
    text[e - b] = '\0';
    if (mode == 7)
        for (char* p = text; *p; ++p)
            if (*p == '\\') *p = '/';
    return text;
}

char* FxPadString(char* text, int width, int fill) {
    if (!text || width < 0) return text;
    size_t n = std::strlen(text);
    if (n > static_cast<size_t>(width)) n = width;
    for (size_t i = n; i < static_cast<size_t>(width); ++i) text[i] = static_cast<char>(fill ? fill : ' ');
    text[width] = '\0';
    return text;
}

char* FxPadBlanks(char* text, int width) {
    if (!text || width < 1) return text;
    return FxPadString(text, width - 1, ' ');
}

char* FxCenterText(char* dest, const char* src) {
    std::string copy = src ? src : "";
    return layInto(dest, copy.c_str(), 1);
}

char* FxLeftAlign(char* dest, const char* src) {
    std::string copy = src ? src : "";
    return layInto(dest, copy.c_str(), 0);
}

char* FxRightAlign(char* dest, const char* src) {
    std::string copy = src ? src : "";
    return layInto(dest, copy.c_str(), 2);
}

char* FxRightAlignNumber(char* text, int width) {
    if (!text || width < 0) return text;
    std::string s = fx::trimmed(text);
    if (s.size() > static_cast<size_t>(width)) s = s.substr(s.size() - width);
    std::string out(width - s.size(), ' ');
    out += s;
    std::memcpy(text, out.c_str(), out.size() + 1);
    return text;
}

char* FxGroupThousands(char* text, int width) {
    if (!text) return text;
    std::string s = fx::trimmed(text);
    size_t start = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    size_t end = start;
    while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]))) ++end;
    std::string digits = s.substr(start, end - start), grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    std::string out = s.substr(0, start) + grouped + s.substr(end);
    if (width > 0 && out.size() < static_cast<size_t>(width)) out.insert(0, width - out.size(), ' ');
    std::memcpy(text, out.c_str(), out.size() + 1);
    return text;
}

char* FxBlankZero(char* text, int point) {
    if (!text) return text;
    char pt = point ? static_cast<char>(point) : '.';
    bool any = false;
    for (const char* p = text; *p; ++p) {
        char c = *p;
        if (c == ' ' || c == '-' || c == '+' || c == ',' || c == pt || c == '0') {
            any = any || c == '0';
            continue;
        }
        return text; // a non-zero digit or another character: left as it is
    }
    if (any) std::memset(text, ' ', std::strlen(text));
    return text;
}

char* FxDecimalPoint(int point, char* text) {
    if (!text) return text;
    char pt = point ? static_cast<char>(point) : '.';
    // Numbers are written with '.': put the wanted point in its place.
    if (pt != '.')
        for (char* p = text; *p; ++p)
            if (*p == '.') *p = pt;
    return text;
}

int FxIsFillerChar(int ch) {
    return ch == ' ' || ch == '(' || ch == ')' || ch == '-' || ch == '.' || ch == '/';
}

char* FxAllocLine(int width) {
    if (width < 0) width = 0;
    char* p = static_cast<char*>(FxAlloc(width + 1, 1));
    if (p) {
        std::memset(p, ' ', width);
        p[width] = '\0';
    }
    return p;
}

void FxCharTransform89(char* ch) {
    if (!ch) return;
    int x = static_cast<unsigned char>(*ch);
    if (x == 0) return;
    int y = ((x - 1) * kMul + kAdd) % 255 + 1;
    *ch = static_cast<char>(static_cast<unsigned char>(y));
}

void FxCharTransform88(char* ch) {
    if (!ch) return;
    int y = static_cast<unsigned char>(*ch);
    if (y == 0) return;
    int x = (((y - 1 - kAdd) % 255 + 255) % 255) * kInvMul % 255 + 1;
    *ch = static_cast<char>(static_cast<unsigned char>(x));
}

char* FxConvertText(char* text) {
    if (text) return text;
    static std::string title;
    title = fx::appTitle();
    return title.data();
}

char* FxChoiceText(char* out, const char* list, int option) {
    if (!out) return out;
    out[0] = '\0';
    int def = 0;
    std::vector<std::string> items = fx::splitChoices(list, &def);
    if (option >= 1 && option <= static_cast<int>(items.size()))
        std::memcpy(out, items[option - 1].c_str(), items[option - 1].size() + 1);
    return out;
}

} // extern "C"

namespace fx {

std::vector<std::string> splitChoices(const char* list, int* defaultOption) {
    std::vector<std::string> items;
    if (defaultOption) *defaultOption = 1;
    if (!list || !*list) return items;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
    if (*p < ' ') {
        if (defaultOption) *defaultOption = *p ? *p : 1;
        ++p;
    }
    std::string cur;
    for (; *p; ++p) {
        if (*p == ',') {
            items.push_back(cur);
            cur.clear();
        } else {
            cur += static_cast<char>(*p);
        }
    }
    items.push_back(cur);
    if (defaultOption && (*defaultOption < 1 || *defaultOption > static_cast<int>(items.size())))
        *defaultOption = 1;
    return items;
}

} // namespace fx

extern "C" {

char* FxPasswordToPlain(char* text) {
    for (char* p = text; p && *p; ++p) FxCharTransform88(p);
    return text;
}

char* FxPasswordToStored(char* text) {
    for (char* p = text; p && *p; ++p) FxCharTransform89(p);
    return text;
}

char* FxButtonListAdd(char* list, const char* caption) {
    if (!list || !caption || !*caption) return list;
    bool onlyDefaultByte = list[0] && !list[1] && static_cast<unsigned char>(list[0]) <= ' ';
    if (*list && !onlyDefaultByte) std::strcat(list, ",");
    std::strcat(list, caption);
    return list;
}

} // extern "C"
