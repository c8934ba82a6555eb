// Amounts, rounding, pictures and value formatting.
#include "internal.hpp"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A picture split into its printf part and the framework's type letters,
// or a mask such as "nn/nn/nn".
struct Picture {
    bool mask = false;
    std::string text;   // the mask, when mask
    std::string flags;  // printf flags ("-", "+", "0", " ")
    int width = 0;
    int precision = -1;
    std::string length; // "l", "ll", "h"
    char conv = 0;      // s d i u f e g c x
    std::string letters; // type letters after the conversion (C, m, u, F)
};

Picture parsePicture(const char* pic) {
    Picture p;
    if (!pic) return p;
    const char* s = pic;
    while (*s == ' ') ++s;
    if (*s != '%') {
        p.mask = true;
        p.text = s;
        while (!p.text.empty() && p.text.back() == ' ') p.text.pop_back();
        p.width = static_cast<int>(p.text.size());
        return p;
    }
    ++s;
    while (*s && std::strchr("-+ 0#", *s)) p.flags += *s++;
    while (std::isdigit(static_cast<unsigned char>(*s))) p.width = p.width * 10 + (*s++ - '0');
    if (*s == '.') {
        ++s;
        p.precision = 0;
        while (std::isdigit(static_cast<unsigned char>(*s))) p.precision = p.precision * 10 + (*s++ - '0');
    }
    while (*s == 'l' || *s == 'h') p.length += *s++;
    if (*s) p.conv = *s++;
    p.letters = s;
    return p;
}

bool isNumericConv(char c) { return c && std::strchr("diufegxX", c) != nullptr; }

// printf format of the picture's printf part with a given conversion.
std::string printfFormat(const Picture& p, const char* lengthAndConv) {
    std::string f = "%" + p.flags;
    if (p.width > 0) f += std::to_string(p.width);
    if (p.precision >= 0) f += "." + std::to_string(p.precision);
    f += lengthAndConv;
    return f;
}

double roundHalfAway(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    if (decimals < 0) decimals = 0;
    if (decimals > 12) decimals = 12;
    double m = std::pow(10.0, decimals);
    double x = value * m;
    double eps = std::fmax(1e-9, std::fabs(x) * 4 * DBL_EPSILON);
    double r = x >= 0 ? std::floor(x + 0.5 + eps) : -std::floor(-x + 0.5 + eps);
    double out = r / m;
    return out == 0.0 ? 0.0 : out; // no negative zero
}

// Formats a number by the picture: integers and floating values alike.
std::string formatNumber(const Picture& p, double v) {
    char buf[512];
    if (p.conv == 'f' || p.conv == 'e' || p.conv == 'g') {
        int prec = p.precision >= 0 ? p.precision : 6;
        double r = roundHalfAway(v, prec);
        std::snprintf(buf, sizeof buf, printfFormat(p, "f").c_str(), r);
    } else if (p.conv == 'u' || p.conv == 'x' || p.conv == 'X') {
        std::string conv = std::string("ll") + p.conv;
        unsigned long long u = v < 0 ? static_cast<unsigned long long>(static_cast<long long>(v))
                                     : static_cast<unsigned long long>(v);
        std::snprintf(buf, sizeof buf, printfFormat(p, conv.c_str()).c_str(), u);
    } else {
        long long n = static_cast<long long>(roundHalfAway(v, 0));
        std::snprintf(buf, sizeof buf, printfFormat(p, "lld").c_str(), n);
    }
    return buf;
}

std::string formatText(const Picture& p, const std::string& text) {
    if (p.mask) return text;
    char buf[2048];
    std::string f = "%" + p.flags;
    if (p.width > 0) f += std::to_string(p.width);
    if (p.precision >= 0) f += "." + std::to_string(p.precision);
    f += "s";
    std::snprintf(buf, sizeof buf, f.c_str(), text.c_str());
    return buf;
}

} // namespace

namespace fx {
int pictureWidth(const char* picture) { return parsePicture(picture).width; }

PictureKind pictureKind(const char* picture) {
    PictureKind k;
    if (!picture || !*picture) return k;
    Picture p = parsePicture(picture);
    k.width = p.width;
    if (p.mask) {
        if (p.text.empty()) return k;
        if (p.text.find_first_of("nac") == std::string::npos) {
            k.problem = "a mask without n, a or c positions";
            return k;
        }
        k.kind = PictureKind::Mask;
        k.mask = p.text;
        k.date = p.text == "nn/nn/nn" || p.text == "nn/nn/nnnn";
        return k;
    }
    if (!p.conv || !std::strchr("sdiufegxXc", p.conv)) {
        k.problem = "no conversion the framework knows";
        return k;
    }
    if (p.width > 255) {
        k.problem = "wider than 255 characters";
        return k;
    }
    if (p.letters.find_first_not_of("CmuFP") != std::string::npos) {
        k.problem = "an unknown type letter";
        return k;
    }
    k.upper = p.letters.find('C') != std::string::npos;
    if (isNumericConv(p.conv)) {
        k.kind = PictureKind::Number;
        k.decimals = p.precision >= 0 && (p.conv == 'f' || p.conv == 'e' || p.conv == 'g') ? p.precision : 0;
        k.sign = !(p.conv == 'u' || p.conv == 'x' || p.conv == 'X' || p.letters.find('u') != std::string::npos);
        k.packs = p.letters.find('F') != std::string::npos;
    }
    return k;
}
} // namespace fx

extern "C" {

double FxRound(double value, int decimals) { return roundHalfAway(value, decimals); }

char* FxFormatAmount(double value, char* out, int decimals) {
    if (!out) return out;
    if (decimals < 0) decimals = 0;
    if (decimals > 12) decimals = 12;
    double r = roundHalfAway(value, decimals);
    if (!std::isfinite(r)) r = 0.0;
    std::snprintf(out, 64, "%.*f", decimals, r);
    return out;
}

int FxIsPositiveAmount(double value) { return std::isfinite(value) && value > 0.001 ? 1 : 0; }

int FxIsZeroAmount(double* amount) {
    if (!amount) return 1;
    if (!std::isfinite(*amount) || std::fabs(*amount) < 0.001) {
        *amount = 0.0;
        return 1;
    }
    return 0;
}

int FxAmountsEqual(double a, double b) { return std::fabs(a - b) < 0.001 ? 1 : 0; }

int FxIsNegativeAmount(double value) { return value < -0.001 ? 1 : 0; }

double FxDivide(double a, double b) {
    if (std::fabs(b) < 0.000001 || !std::isfinite(b)) return 0.0;
    return a / b;
}

double FxAmountCorrect(double value, int decimals) { return roundHalfAway(value, decimals); }

double FxLongToAmount(int32_t value, int decimals) {
    if (decimals < 0) decimals = 0;
    return roundHalfAway(value / std::pow(10.0, decimals), decimals);
}

int FxPictureWidth(const char* picture) { return parsePicture(picture).width; }

int FxPictureIsNumeric(const char* picture) {
    Picture p = parsePicture(picture);
    return !p.mask && isNumericConv(p.conv) ? 1 : 0;
}

int FxPictureNumberInfo(const char* picture, int* decimals, int* width, int* sign) {
    Picture p = parsePicture(picture);
    if (p.mask || !isNumericConv(p.conv)) return -1;
    if (decimals) *decimals = p.precision >= 0 && (p.conv == 'f' || p.conv == 'e' || p.conv == 'g') ? p.precision : 0;
    if (width) *width = p.width;
    if (sign) *sign = (p.conv == 'u' || p.letters.find('u') != std::string::npos) ? 0 : 1;
    return 0;
}

int FxPictureMatch(const char* text, const char* mask) {
    if (!text || !mask) return 1;
    std::string t = text, m = mask;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    while (!m.empty() && m.back() == ' ') m.pop_back();
    if (t.size() != m.size()) return 1;
    for (size_t i = 0; i < m.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        switch (m[i]) {
        case 'n': if (!std::isdigit(c)) return 1; break;
        case 'a': if (!std::isalpha(c)) return 1; break;
        case 'c': break;
        default: if (t[i] != m[i]) return 1;
        }
    }
    return 0;
}

char* FxPictureAdjust(int, char* format) {
    if (!format) return format;
    Picture p = parsePicture(format);
    if (p.mask || !p.conv) return format;
    std::string f = "%" + p.flags;
    if (p.width > 0) f += std::to_string(p.width);
    if (p.precision >= 0) f += "." + std::to_string(p.precision);
    f += p.length;
    f += p.conv;
    std::memcpy(format, f.c_str(), f.size() + 1); // never longer than the picture
    return format;
}

char* FxFormatValue(char* out, const char* picture, int type, const void* value) {
    if (!out) return out;
    out[0] = '\0';
    Picture p = parsePicture(picture);
    std::string s;
    if (!value) {
        s = formatText(p, "");
    } else {
        switch (type) {
        case 1: s = formatText(p, std::string(1, *static_cast<const char*>(value))); break;
        case 2: s = formatText(p, static_cast<const char*>(value)); break;
        case 3: {
            int32_t d;
            std::memcpy(&d, value, 4);
            char buf[16];
            if (p.mask && p.width >= 10) FxDateFormatLong(buf, d);
            else FxDateFormat(buf, d);
            s = p.mask ? std::string(buf) : formatText(p, buf);
            break;
        }
        case 12: {
            int32_t t;
            std::memcpy(&t, value, 4);
            char buf[16];
            FxTimeToText(buf, t);
            s = p.mask ? std::string(buf) : formatText(p, buf);
            break;
        }
        default: {
            double v = 0;
            switch (type) {
            case 4: v = *static_cast<const uint8_t*>(value); break;
            case 5: { int16_t x; std::memcpy(&x, value, 2); v = x; break; }
            case 6: { uint16_t x; std::memcpy(&x, value, 2); v = x; break; }
            case 7: { int32_t x; std::memcpy(&x, value, 4); v = x; break; }
            case 8: { uint32_t x; std::memcpy(&x, value, 4); v = x; break; }
            case 9: { float x; std::memcpy(&x, value, 4); v = x; break; }
            case 10: case 11: { double x; std::memcpy(&x, value, 8); v = x; break; }
            default: s = formatText(p, static_cast<const char*>(value)); goto done;
            }
            if (isNumericConv(p.conv)) {
                s = formatNumber(p, v);
            } else {
                Picture plain;
                plain.conv = type >= 9 ? 'f' : 'd';
                plain.precision = type >= 9 ? 2 : -1;
                s = formatText(p, formatNumber(plain, v));
            }
        }
        }
    }
done:
    std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

int FxFormatNumber(char* out, const char* picture, int, int pack, double value) {
    if (!out) return -1;
    Picture p = parsePicture(picture);
    if (!isNumericConv(p.conv)) {
        p.conv = 'f';
        if (p.precision < 0) p.precision = 2;
    }
    std::string s;
    bool packs = pack > 1 && p.letters.find('F') != std::string::npos;
    if (packs && std::isfinite(value)) {
        int prec = p.precision >= 0 ? p.precision : 0;
        double a = std::fabs(roundHalfAway(value, prec));
        long long whole = static_cast<long long>(std::floor(a / pack + 1e-9));
        double rest = roundHalfAway(a - static_cast<double>(whole) * pack, prec);
        if (whole == 0) {
            s = formatNumber(p, value);
        } else {
            char buf[128];
            std::snprintf(buf, sizeof buf, "%s%lld/%.*f", value < 0 ? "-" : "", whole, prec, rest);
            s = buf;
            if (p.width > 0 && s.size() < static_cast<size_t>(p.width))
                s.insert(p.flags.find('-') != std::string::npos ? s.size() : 0, p.width - s.size(), ' ');
        }
    } else {
        s = formatNumber(p, std::isfinite(value) ? value : 0.0);
    }
    std::memcpy(out, s.c_str(), s.size() + 1);
    return 0;
}

int FxParseNumber(const char* text, int pack, double* value) {
    if (!value) return -1;
    *value = 0.0;
    if (!text) return 0;
    std::string s;
    for (const char* p = text; *p; ++p)
        if (*p != ' ' && *p != ',') s += *p;
    if (s.empty()) return 0;
    size_t slash = s.find('/');
    char* end = nullptr;
    if (slash != std::string::npos) {
        std::string a = s.substr(0, slash), b = s.substr(slash + 1);
        bool neg = !a.empty() && a[0] == '-';
        if (neg) a.erase(0, 1);
        double wa = std::strtod(a.c_str(), &end);
        if (a.empty() || *end) return -1;
        double rb = b.empty() ? 0.0 : std::strtod(b.c_str(), &end);
        if (!b.empty() && *end) return -1;
        double q = wa * (pack > 1 ? pack : 1) + rb;
        *value = neg ? -q : q;
        return 0;
    }
    double v = std::strtod(s.c_str(), &end);
    if (*end || !std::isfinite(v)) return -1;
    *value = v;
    return 0;
}

} // extern "C"
