// Status and progress windows.
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

namespace fx {

std::string shortCount(long long n) {
    if (n < 0) return "-" + shortCount(-n);
    if (n < 1000000) return std::to_string(n);
    static const char kUnits[] = {'M', 'G', 'T'};
    double v = static_cast<double>(n) / 1e6;
    int u = 0;
    while (v >= 999.5 && u < 2) {
        v /= 1000;
        ++u;
    }
    char buf[32];
    if (v < 9.95) std::snprintf(buf, sizeof buf, "%.1f%c", v, kUnits[u]);
    else std::snprintf(buf, sizeof buf, "%.0f%c", v, kUnits[u]);
    return buf;
}

} // namespace fx

namespace {

// The transcript keeps one progress line per whole percent (and the last
// step); without a total, one at 1, 2, 5, 10, 20, 50 ... steps.
bool worthALine(StatusImpl& s) {
    if (s.total > 0) {
        int percent = static_cast<int>(std::min<long long>(100, std::max<long long>(0, static_cast<long long>(s.count) * 100 / s.total)));
        if (percent == s.shownPercent && s.count != s.total) return false;
        s.shownPercent = percent;
        return true;
    }
    long long c = s.count;
    if (c <= s.shownCount) return false;
    long long p = 1;
    while (p * 10 <= c) p *= 10;
    if (c != p && c != 2 * p && c != 5 * p) return false;
    s.shownCount = c;
    return true;
}

} // namespace

extern "C" {

// ---- status and progress windows

FxStatus* FxStatusOpen(const char* name, int) {
    FxStatus* s = new FxStatus;
    s->s.name = name ? name : "";
    s->s.lines = fx::screenText(s->s.name);
    s->s.title = fx::screenTitle(s->s.name);
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
    s->s.title = fx::screenTitle(s->s.name);
    std::vector<std::string> text = fx::screenText(s->s.name);
    for (size_t i = 0; i < text.size() && i < 2; ++i) s->s.lines[i] = text[i];
    gStatus.push_back(s);
    fx::record("progress open " + s->s.name + " " + std::to_string(s->s.total) +
               (s->s.title.empty() ? "" : " " + fx::quote(s->s.title)));
    fx::terminalRedraw();
    return s;
}

int FxProgressStep(FxStatus* progress, int count) {
    if (!knownStatus(progress)) return -1;
    progress->s.count = count;
    if (worthALine(progress->s))
        fx::record("progress " + progress->s.name + " " + std::to_string(count) + "/" + std::to_string(progress->s.total));
    fx::terminalRedraw();
    return 0;
}

int FxProgressSetLine(FxStatus* progress, int line, const char* text) {
    if (!knownStatus(progress)) {
        fx::record("progress line refused: not an open progress window");
        return -1;
    }
    return FxStatusSetLine(progress, line, text ? text : "");
}

int FxProgressClose(FxStatus* progress) { return FxStatusClose(progress); }

int FxProgressSetTitle(FxStatus* progress, const char* title) {
    if (!knownStatus(progress)) return -1;
    progress->s.title = title ? title : "";
    fx::record("progress title " + fx::quote(progress->s.title));
    return 0;
}

FxStatus* FxProgressOpenTitled(const char* title, int total) { return FxProgressOpen(title, total); }

int FxProgressCloseHandle(FxStatus* progress) { return FxProgressClose(progress); }


} // extern "C"
