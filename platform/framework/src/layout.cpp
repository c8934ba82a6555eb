// Where a form stands in its window: the screen labels of its fields and
// the check of its layout (fields inside the window and off its border, no
// two fields over one another, a label before every input field).
#include "screen.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace fx::scr {
namespace {

struct Placed {
    int number = 0;
    int row = 0, column = 0, width = 1;
    int page = 0;
    bool input = false;
    bool caption = false; // holds the label of the field on its right
};

// The main form's fields that have a place of their own and are not hidden.
std::vector<Placed> placedFields(FormImpl* fi) {
    std::vector<Placed> out;
    if (!fi) return out;
    for (int i = 0; i < fi->count; ++i) {
        const ScreenField& f = fi->table[i];
        const FieldState* st = fieldState(fi, f.number);
        if (!f.row || (st && st->hidden)) continue;
        Placed p;
        p.number = f.number;
        p.row = f.row;
        p.column = f.column;
        p.width = std::max(1, fx::pictureWidth(pictureText(&f).c_str()));
        p.page = st ? st->page : 0;
        // a text wider than the room left in its window scrolls inside that room
        const fx::PictureKind k = fx::pictureKind(pictureText(&f).c_str());
        if (k.kind == fx::PictureKind::Text && !isChoice(&f) && fi->window) {
            const int room = (fi->window->right - fi->window->left) - f.column;
            if (room >= 1 && p.width > room) p.width = room;
        }
        p.input = enterable(fi, f.number);
        p.caption = (f.flags & FX_FIELD_CAPTION) != 0;
        out.push_back(p);
    }
    return out;
}

std::string trimRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool shownTogether(int a, int b) { return a == 0 || b == 0 || a == b; }

} // namespace

std::vector<std::pair<std::pair<int, int>, std::string>> labelTexts(FxWindow* w) {
    std::vector<std::pair<std::pair<int, int>, std::string>> out;
    FormImpl* fi = w ? formImpl(w->form) : nullptr;
    if (!fi) return out;
    std::vector<Placed> fields = placedFields(fi);
    for (const Placed& f : fields) {
        if (!onShownPage(fi, f.page)) continue;
        std::string label = fieldLabel(w, f.number);
        if (label.empty()) continue;
        bool fieldBefore = false;
        for (const Placed& g : fields)
            if (g.number != f.number && g.row == f.row && g.column < f.column && shownTogether(f.page, g.page))
                fieldBefore = true;
        int column = fieldBefore ? f.column - static_cast<int>(label.size()) - 1 : 2;
        if (!fieldBefore && column + static_cast<int>(label.size()) >= f.column)
            column = f.column - static_cast<int>(label.size()) - 1;
        out.push_back({{f.row, column}, label});
    }
    return out;
}

std::vector<std::string> layoutProblems(FormImpl* fi) {
    std::vector<std::string> problems;
    FxWindow* w = fi ? fi->window : nullptr;
    if (!w) return problems;
    auto at = [](int r, int c) { return std::to_string(r) + "," + std::to_string(c); };
    if (w->top < 1 || w->bottom > FX_SCREEN_LAST_ROW || w->left < 0 || w->right > 79 || w->bottom <= w->top ||
        w->right <= w->left)
        problems.push_back("window rows " + std::to_string(w->top) + "-" + std::to_string(w->bottom) + ", columns " +
                           std::to_string(w->left) + "-" + std::to_string(w->right) + " is not inside rows 1-" +
                           std::to_string(FX_SCREEN_LAST_ROW) + ", columns 0-79");
    const int lastRow = w->bottom - w->top, lastColumn = w->right - w->left; // the border's row and column
    std::vector<Placed> fields = placedFields(fi);
    for (const Placed& f : fields) {
        const std::string what = "field " + std::to_string(f.number) + " at " + at(f.row, f.column) + " (width " +
                                 std::to_string(f.width) + ")";
        const int end = f.column + f.width - 1;
        if (f.row > lastRow || end > lastColumn)
            problems.push_back(what + " is outside its window");
        else if (f.row == lastRow || f.column == 0 || end == lastColumn)
            problems.push_back(what + " is on the window's border");
    }
    for (size_t i = 0; i < fields.size(); ++i)
        for (size_t j = i + 1; j < fields.size(); ++j) {
            const Placed& a = fields[i];
            const Placed& b = fields[j];
            if (a.row != b.row || !shownTogether(a.page, b.page)) continue;
            if (a.column + a.width - 1 < b.column || b.column + b.width - 1 < a.column) continue;
            problems.push_back("fields " + std::to_string(a.number) + " and " + std::to_string(b.number) +
                               " overlap on row " + std::to_string(a.row));
        }
    // texts of the window and labels, page by page
    const int pages = std::max(1, pageCount(fi));
    const WindowImpl& wi = gWindows[w];
    const int kept = fi->shownPage;
    for (int page = pageCount(fi) ? 1 : 0; page <= (pageCount(fi) ? pages : 0); ++page) {
        fi->shownPage = page;
        std::vector<std::pair<std::pair<int, int>, std::string>> texts;
        for (const auto& t : wi.texts) {
            auto p = wi.textPages.find(t.first);
            if (onShownPage(fi, p == wi.textPages.end() ? 0 : p->second)) texts.push_back({t.first, trimRight(t.second)});
        }
        for (const auto& l : labelTexts(w)) texts.push_back({l.first, trimRight(l.second)});
        const std::string where = page ? " on page " + std::to_string(page) : "";
        for (const auto& t : texts) {
            if (t.second.empty()) continue;
            const int r = t.first.first, c = t.first.second, end = c + static_cast<int>(t.second.size()) - 1;
            if (r < 1 || r >= lastRow || c < 1 || end >= lastColumn)
                problems.push_back("text \"" + t.second + "\" at " + at(r, c) + where + " is not inside its window");
            for (const Placed& f : fields)
                if (onShownPage(fi, f.page) && f.row == r && !(end < f.column || f.column + f.width - 1 < c))
                    problems.push_back("text \"" + t.second + "\" at " + at(r, c) + where + " runs into field " +
                                       std::to_string(f.number));
        }
        for (const Placed& f : fields) {
            if (!f.input || !onShownPage(fi, f.page)) continue;
            // the nearest thing on its left on its row must be a text
            int textEnd = -1, fieldEnd = -1, captionEnd = -1;
            for (const auto& t : texts)
                if (t.first.first == f.row && !t.second.empty()) {
                    int end = t.first.second + static_cast<int>(t.second.size()) - 1;
                    if (end < f.column) textEnd = std::max(textEnd, end);
                }
            for (const Placed& g : fields)
                if (g.number != f.number && g.row == f.row && onShownPage(fi, g.page) && g.column < f.column)
                    (g.caption ? captionEnd : fieldEnd) = std::max(g.caption ? captionEnd : fieldEnd, g.column + g.width - 1);
            textEnd = std::max(textEnd, captionEnd);
            // a heading over the field's column: the first text found going up
            // from the field, over fields of the same column and blank rows
            bool heading = false;
            for (int r = f.row - 1; r >= 1 && !heading; --r) {
                bool text = false, field = false;
                for (const auto& t : texts)
                    if (t.first.first == r && !t.second.empty() && t.first.second >= f.column - 1 &&
                        t.first.second < f.column + f.width)
                        text = true;
                for (const Placed& g : fields)
                    if (g.row == r && onShownPage(fi, g.page) && g.column == f.column) field = true;
                if (text) heading = true;
                else if (!field) {
                    // a row with anything else across the column ends the search
                    bool across = false;
                    for (const auto& t : texts)
                        if (t.first.first == r && !t.second.empty() &&
                            !(t.first.second + static_cast<int>(t.second.size()) <= f.column ||
                              t.first.second >= f.column + f.width))
                            across = true;
                    for (const Placed& g : fields)
                        if (g.row == r && onShownPage(fi, g.page) &&
                            !(g.column + g.width <= f.column || g.column >= f.column + f.width))
                            across = true;
                    if (across) break;
                }
            }
            if (!(textEnd >= 0 && textEnd > fieldEnd) && !heading)
                problems.push_back("input field " + std::to_string(f.number) + " at " + at(f.row, f.column) + where +
                                   " has no label");
        }
    }
    fi->shownPage = kept;
    std::sort(problems.begin(), problems.end());
    problems.erase(std::unique(problems.begin(), problems.end()), problems.end());
    return problems;
}

} // namespace fx::scr

extern "C" {

int FxFormLayoutProblems(FxForm* form, char* out, int size) {
    fx::scr::FormImpl* fi = fx::scr::formImpl(form);
    std::vector<std::string> problems = fx::scr::layoutProblems(fi);
    if (out && size > 0) {
        std::string t;
        for (const std::string& p : problems) t += p + "\n";
        if (t.size() >= static_cast<size_t>(size)) t.resize(static_cast<size_t>(size) - 1);
        std::memcpy(out, t.c_str(), t.size() + 1);
    }
    return static_cast<int>(problems.size());
}

} // extern "C"
