// The preview: a report's pages on the screen, one at a time. PgUp/PgDn
// turn pages, Home/End go to the first and last, Up/Down scroll a page
// taller than the window, Left/Right pan a page wider than it, + and -
// switch between the page at full width and the page fitted to the window,
// Alt+P prints, Esc closes. Without a terminal each page shown is written
// to the transcript whole.
#include <algorithm>
#include <string>
#include <vector>

#include "engine_internal.h"
#include "fx.h"

namespace duzo {
namespace {

constexpr int kAltP = 0x1900;

// A page line shown `width` characters wide: from `from` at full size, or
// every column taken in when fitted.
std::string Shown(const std::string& line, int pageColumns, int width, int from, bool fitted)
{
    if (!fitted)
        return line.size() > static_cast<size_t>(from) ? line.substr(static_cast<size_t>(from), static_cast<size_t>(width))
                                                       : std::string();
    std::string out(static_cast<size_t>(width), ' ');
    for (int c = 0; c < width; ++c) {
        const int lo = c * pageColumns / width, hi = std::max(lo + 1, (c + 1) * pageColumns / width);
        for (int k = lo; k < hi && k < static_cast<int>(line.size()); ++k)
            if (line[static_cast<size_t>(k)] != ' ') {
                out[static_cast<size_t>(c)] = line[static_cast<size_t>(k)];
                break;
            }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

}  // namespace

int RunPreview(const Job& job)
{
    const auto pages = PageTexts(job);
    if (pages.empty())
        return 0;
    const int count = static_cast<int>(pages.size());
    const bool terminal = FxUsingTerminal() != 0;
    const std::string title = " Preview: " + Utf8(job.title) + " ";
    FxListView* view = FxListViewOpen(0, 0, 23, 79, title.c_str());
    if (view == nullptr)
        return 0;
    const int width = 78;
    const int captionWidth[1] = {width};
    const char* caption[1] = {""};
    FxListViewSetColumns(view, 1, caption, captionWidth, nullptr);
    FxListViewSetPrompt(view, nullptr);
    const int rows = FxListViewRows(view);
    int page = 0, top = 0, from = 0;
    bool fitted = false;
    int noted = -1;
    int answer = 0;
    for (;;) {
        const auto& lines = pages[static_cast<size_t>(page)];
        const int pageRows = std::max<int>(static_cast<int>(lines.size()), job.layout.linesPerPage);
        top = std::clamp(top, 0, std::max(0, pageRows - rows));
        from = std::clamp(from, 0, std::max(0, job.layout.columns - width));
        std::vector<std::string> shown;
        for (int r = 0; r < rows; ++r) {
            const int n = top + r;
            shown.push_back(n < static_cast<int>(lines.size())
                                ? Shown(lines[static_cast<size_t>(n)], job.layout.columns, width, from, fitted)
                                : std::string());
        }
        std::vector<const char*> cells;
        for (const std::string& s : shown)
            cells.push_back(s.c_str());
        const std::string where = "Page " + std::to_string(page + 1) + " of " + std::to_string(count) +
                                  (fitted ? "  fitted" : "  full width") +
                                  "   PgUp/PgDn pages  arrows move  +/- zoom  Alt+P print  Esc close";
        FxListViewSetLine(view, 1, where.c_str());
        FxListViewSetRows(view, static_cast<int>(cells.size()), cells.data(), -1);
        if (!terminal && noted != page) {
            noted = page;
            FxTranscriptNote(("preview page " + std::to_string(page + 1) + " of " + std::to_string(count)).c_str());
            for (const std::string& line : lines)
                FxTranscriptNote(("preview| " + Utf8(line)).c_str());
        }
        FxListViewShow(view);
        const int key = FxListViewInput(view, nullptr, 0);
        if (key == FX_KEY_ESC)
            break;
        switch (key) {
        case FX_KEY_PGDN: page = std::min(count - 1, page + 1), top = 0; break;
        case FX_KEY_PGUP: page = std::max(0, page - 1), top = 0; break;
        case FX_KEY_HOME: page = 0, top = 0; break;
        case FX_KEY_END: page = count - 1, top = 0; break;
        case FX_KEY_DOWN: top += 1; break;
        case FX_KEY_UP: top -= 1; break;
        case FX_KEY_RIGHT: from += 10; break;
        case FX_KEY_LEFT: from -= 10; break;
        case '+': fitted = false; break;
        case '-': fitted = job.layout.columns > width; break;
        case kAltP: answer = 'p'; break;
        default: break;
        }
        if (answer != 0)
            break;
    }
    FxListViewClose(view);
    return answer;
}

}  // namespace duzo
