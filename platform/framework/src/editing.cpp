// Editing inside a field: the cursor, insert and overwrite, the keys that
// move and delete, what a picture lets a person type, and the check made
// when the cursor leaves a field.
#include "screen.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fx::scr {

bool gInsertMode = true;
std::string gStatusLine;
std::string gStatusText;

namespace {

constexpr size_t kMaxFieldChars = 255;

size_t capacity(const PictureKind& k) {
    if (k.kind == PictureKind::Mask) return k.mask.size();
    return k.width > 0 ? static_cast<size_t>(k.width) : kMaxFieldChars;
}

// A number text while it is being typed: [-]digits[.digits], or for
// quantities in packs [-]digits/digits.
bool partialNumber(const PictureKind& k, const std::string& t, std::string& reason) {
    size_t i = 0;
    if (i < t.size() && t[i] == '-') {
        if (!k.sign) {
            reason = "the field takes no sign";
            return false;
        }
        ++i;
    }
    bool point = false, slash = false;
    size_t after = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (point && ++after > static_cast<size_t>(k.decimals)) {
                reason = "only " + std::to_string(k.decimals) + " decimals";
                return false;
            }
            continue;
        }
        if (c == '.' && k.decimals > 0 && !point && !slash) {
            point = true;
            continue;
        }
        if (c == '/' && k.packs && !slash && !point) {
            slash = true;
            continue;
        }
        if (c == '.' && k.decimals == 0) reason = "whole numbers only";
        else reason = "a number takes digits only";
        return false;
    }
    return true;
}

bool fitsMask(char c, char m) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (m) {
    case 'n': return std::isdigit(u) != 0;
    case 'a': return std::isalpha(u) != 0;
    case 'c': return u >= 32;
    default: return c == m;
    }
}

bool isMaskSlot(char m) { return m == 'n' || m == 'a' || m == 'c'; }

void refuse(int n, const std::string& reason) {
    gStatusLine = reason;
    fx::record("field " + std::to_string(n) + " refused: " + reason);
    FxBeep();
}

} // namespace

std::string shownText(const ScreenField* f, const FieldState* st, const std::string& text) {
    if (st && isConcealed(f, st)) return std::string(text.size(), '*');
    return text;
}

std::string recordedText(const ScreenField* f, const FieldState* st, const std::string& text) {
    std::string t = shownText(f, st, text);
    if (f && (f->flags & FX_FIELD_CARD)) {
        size_t keep = 0;
        for (size_t i = t.size(); i-- > 0;)
            if (t[i] != ' ' && ++keep > 4) t[i] = '*';
    }
    return t;
}

bool isConcealed(const ScreenField* f, const FieldState* st) {
    if (st && st->concealed) return true;
    return f && (f->flags & FX_FIELD_CONCEALED);
}

void enterFieldText(FieldState& st) {
    st.fresh = true;
    st.edited = false;
    st.cursor = st.text.size();
}

// One character typed at the cursor. False (with a beep and the reason on
// the status line) when the picture does not take it.
bool typeChar(FormImpl* fi, int n, char c) {
    ScreenField* f = fieldDef(fi, n);
    FieldState* st = fieldState(fi, n);
    if (!f || !st) return false;
    PictureKind k = fx::pictureKind(pictureText(f).c_str());
    if (k.upper || (f->flags & FX_FIELD_UPPER)) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (st->fresh) {
        st->text.clear();
        st->cursor = 0;
        st->fresh = false;
    }
    std::string t = st->text;
    size_t pos = std::min(st->cursor, t.size());
    size_t cap = capacity(k);
    if (k.kind == PictureKind::Mask) {
        // a date's separator typed after a single digit: the digit takes a
        // leading zero ("1/" is "01/")
        if (k.date && c == '/' && pos == t.size() && pos < k.mask.size() && isMaskSlot(k.mask[pos]) && pos >= 1 &&
            std::isdigit(static_cast<unsigned char>(t[pos - 1])) && (pos == 1 || !isMaskSlot(k.mask[pos - 2])) &&
            pos + 1 < k.mask.size() && k.mask[pos + 1] == '/') {
            t.insert(pos - 1, 1, '0');
            t.resize(pos + 1);
            t += '/';
            pos += 2;
            st->text = t;
            st->cursor = pos;
            st->edited = true;
            fi->changed = true;
            gStatusLine.clear();
            return true;
        }
        // literals are put in by the field; a typed literal steps over its place
        if (pos < k.mask.size() && !isMaskSlot(k.mask[pos]) && c != k.mask[pos]) {
            if (t.size() <= pos) t += k.mask[pos];
            ++pos;
        }
        if (pos >= k.mask.size()) {
            refuse(n, "the field is full");
            return false;
        }
        if (!fitsMask(c, k.mask[pos])) {
            refuse(n, k.mask[pos] == 'n' ? "a digit is expected here" : k.mask[pos] == 'a' ? "a letter is expected here"
                                                                                  : "\"" + std::string(1, k.mask[pos]) + "\" is expected here");
            return false;
        }
        if (pos < t.size()) t[pos] = c;
        else t += c;
        ++pos;
        while (pos < k.mask.size() && !isMaskSlot(k.mask[pos]) && pos >= t.size()) {
            t += k.mask[pos];
            ++pos;
        }
    } else {
        if (static_cast<unsigned char>(c) < 32) return false;
        bool over = !gInsertMode && pos < t.size();
        if (!over && t.size() >= cap) {
            refuse(n, "the field is full");
            return false;
        }
        if (over) t[pos] = c;
        else t.insert(pos, 1, c);
        ++pos;
        std::string reason;
        if (k.kind == PictureKind::Number && !partialNumber(k, t, reason)) {
            refuse(n, reason);
            return false;
        }
    }
    st->text = t;
    st->cursor = pos;
    st->edited = true;
    fi->changed = true;
    gStatusLine.clear();
    return true;
}

// Keys that move the cursor or delete inside a text field. False when the
// key is not one of them or the field is a choice field.
bool editKey(FormImpl* fi, int n, int key) {
    ScreenField* f = fieldDef(fi, n);
    FieldState* st = fieldState(fi, n);
    if (!f || !st || isChoice(f) || !enterable(fi, n)) return false;
    size_t& pos = st->cursor;
    pos = std::min(pos, st->text.size());
    PictureKind k = fx::pictureKind(pictureText(f).c_str());
    bool mask = k.kind == PictureKind::Mask && st->text.size() <= k.mask.size();
    switch (key) {
    case FX_KEY_LEFT: if (pos > 0) --pos; break;
    case FX_KEY_RIGHT: if (pos < st->text.size()) ++pos; break;
    case FX_KEY_HOME: pos = 0; break;
    case FX_KEY_END: pos = st->text.size(); break;
    case FX_KEY_INS: gInsertMode = !gInsertMode; break;
    case FX_KEY_BACKSPACE:
        if (st->fresh) pos = st->text.size();
        if (mask && pos > 0 && pos < st->text.size()) {
            // inside a mask the places keep their columns: the place is blanked
            while (pos > 0 && !isMaskSlot(k.mask[pos - 1])) --pos;
            if (pos > 0) st->text[--pos] = ' ';
            st->edited = true;
            fi->changed = true;
        } else if (pos > 0) {
            st->text.erase(--pos, 1);
            st->edited = true;
            fi->changed = true;
        }
        break;
    case FX_KEY_DEL:
        if (mask && pos + 1 < st->text.size()) {
            if (isMaskSlot(k.mask[pos])) st->text[pos] = ' ';
            st->edited = true;
            fi->changed = true;
        } else if (pos < st->text.size()) {
            st->text.erase(pos, 1);
            st->edited = true;
            fi->changed = true;
        }
        break;
    default: return false;
    }
    st->fresh = false;
    return true;
}

// The whole text of a `type` event: the field is emptied and each character
// typed in turn; the characters the picture refuses are left out.
void typeWhole(FormImpl* fi, int n, const std::string& text) {
    FieldState* st = fieldState(fi, n);
    if (!st) return;
    st->text.clear();
    st->cursor = 0;
    st->fresh = false;
    bool insert = gInsertMode;
    gInsertMode = true;
    for (char c : text) typeChar(fi, n, c);
    gInsertMode = insert;
    st->edited = true;
    fi->changed = true;
}

// The check made when the cursor leaves a field that was typed into: the
// reason it is refused, or empty. Numbers are written in their picture's
// form (decimals filled in) when accepted.
std::string checkLeave(FormImpl* fi, int n) {
    ScreenField* f = fieldDef(fi, n);
    FieldState* st = fieldState(fi, n);
    if (!f || !st || !st->edited || isChoice(f)) return std::string();
    PictureKind k = fx::pictureKind(pictureText(f).c_str());
    std::string t = fx::trimmed(st->text);
    if (k.kind == PictureKind::Number) {
        if (t.empty()) return std::string();
        double v = 0;
        if (k.packs) {
            if (FxParseNumber(t.c_str(), 0, &v) != 0) return "not a number";
            return std::string();
        }
        char* end = nullptr;
        v = std::strtod(t.c_str(), &end);
        if (*end || t == "-" || t == "." || t == "-." || !std::isfinite(v)) return "not a number";
        if (!k.sign && v < 0) return "the field takes no sign";
        char buf[320];
        std::snprintf(buf, sizeof buf, "%.*f", k.decimals, v);
        std::string s = buf;
        if (s == "-0" || s.rfind("-0.", 0) == 0) {
            bool zero = s.find_first_of("123456789") == std::string::npos;
            if (zero) s.erase(0, 1);
        }
        if (k.width > 0 && static_cast<int>(s.size()) > k.width)
            return "the number is too large for the field";
        st->text = s;
        st->cursor = s.size();
        return std::string();
    }
    if (k.kind == PictureKind::Mask) {
        std::string filled;
        for (char c : t)
            if (c != ' ' && c != '/' && c != '-' && c != '.') filled += c;
        if (filled.empty()) return std::string(); // an empty mask field is "no value"
        // a four-digit year typed with two digits is written in full
        if (k.date && k.mask == "nn/nn/nnnn" && filled.size() == 6 && fx::trimmed(st->text).size() == 8 &&
            FxPictureMatch(fx::trimmed(st->text).c_str(), "nn/nn/nn") == 0) {
            const int yy = std::atoi(filled.substr(4).c_str());
            st->text = fx::trimmed(st->text).substr(0, 6) + std::to_string(yy < 50 ? 2000 + yy : 1900 + yy);
            st->cursor = st->text.size();
        }
        if (FxPictureMatch(st->text.c_str(), k.mask.c_str()) != 0)
            return k.date ? "enter the date as " + std::string(k.mask.size() == 8 ? "MM/DD/YY" : "MM/DD/YYYY")
                          : "enter the value as " + k.mask;
        if (k.date && !FxDateValid(st->text.c_str())) return "not a date of the calendar";
    }
    return std::string();
}

} // namespace fx::scr
