// Scrolling list views: the boxed pick lists of the lookups and the lines of
// grids. The caller hands over the visible rows; the view draws them (the
// terminal driver) or writes what changed to the transcript (the script
// driver), and reads the next input.
#include "screen.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

struct FxListView {
    fx::ListViewModel m;
    // what the transcript showed last
    std::vector<std::string> shownRows;
    int shownHighlight = -2;
    std::string shownSearch;
    size_t shownFirst = 0;
    bool opened = false;
};

namespace {

std::vector<FxListView*> gViews;

std::string joinCells(const fx::ListViewModel& m, const std::vector<std::string>& cells, size_t first, int width) {
    std::string out;
    for (size_t c = first; c < m.widths.size() && c < cells.size(); ++c) {
        std::string cell = cells[c];
        const int w = std::max(1, m.widths[c]);
        if (static_cast<int>(cell.size()) > w) cell.resize(static_cast<size_t>(w));
        if (m.alignRight.size() > c && m.alignRight[c]) cell.insert(0, static_cast<size_t>(w) - cell.size(), ' ');
        else cell.resize(static_cast<size_t>(w), ' ');
        if (!out.empty()) out += ' ';
        out += cell;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (width > 0 && static_cast<int>(out.size()) > width) out.resize(static_cast<size_t>(width));
    return out;
}

// Columns from `first` that fit the inside width; at least one.
size_t fittingColumns(const fx::ListViewModel& m, size_t first) {
    int used = 0;
    size_t n = 0;
    for (size_t c = first; c < m.widths.size(); ++c) {
        const int w = std::max(1, m.widths[c]) + (n ? 1 : 0);
        if (n && used + w > m.insideWidth()) break;
        used += w;
        ++n;
    }
    return std::max<size_t>(n, 1);
}

// The lines of a type-ahead drop list (code, then the description when
// there is one), each written to the transcript with its number from 1.
std::vector<std::string> dropLines(int count, const char* const* codes, const char* const* descriptions) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        std::string line = codes && codes[i] ? codes[i] : "";
        if (descriptions && descriptions[i] && *descriptions[i]) line += "  " + std::string(descriptions[i]);
        fx::record("autofill " + std::to_string(i + 1) + " " + fx::quote(line));
        lines.push_back(line);
    }
    return lines;
}

} // namespace

namespace fx {

int ListViewModel::insideWidth() const { return std::max(1, right - left - 1); }

int ListViewModel::rowCount() const {
    int inside = bottom - top - 1;                 // rows between the borders
    inside -= 1;                                   // heading
    inside -= static_cast<int>(!line2.empty()) + static_cast<int>(!line3.empty());
    if (hasPrompt) inside -= 1;
    return std::max(1, inside);
}

std::string ListViewModel::headingText() const { return joinCells(*this, captions, first, insideWidth()); }

std::string ListViewModel::rowText(size_t row) const {
    return row < rows.size() ? joinCells(*this, rows[row], first, insideWidth()) : std::string();
}

void recordListRows(const std::string& kind, const std::vector<std::string>& texts, int highlight) {
    if (texts.empty()) fx::record(kind + " empty");
    for (size_t r = 0; r < texts.size(); ++r)
        fx::record(kind + " row " + std::to_string(r + 1) + (static_cast<int>(r) == highlight ? " > " : " ") +
                   fx::quote(texts[r]));
}

std::vector<const ListViewModel*> listViews() {
    std::vector<const ListViewModel*> out;
    for (FxListView* v : gViews) out.push_back(&v->m);
    return out;
}

void resetListViews() {
    for (FxListView* v : gViews) delete v;
    gViews.clear();
}

int fieldDropList(int row, int column, const std::vector<std::string>& codes,
                  const std::vector<std::string>& descriptions) {
    if (codes.empty()) return 0;
    std::vector<const char*> c, d;
    for (size_t i = 0; i < codes.size(); ++i) {
        c.push_back(codes[i].c_str());
        d.push_back(i < descriptions.size() ? descriptions[i].c_str() : "");
    }
    const int count = static_cast<int>(codes.size());
    const std::vector<std::string> lines = dropLines(count, c.data(), d.data());
    if (fx::terminalActive()) {
        const int r = fx::terminalDropList(lines, row + 1, column);
        return r >= 0 ? r + 1 : 0;
    }
    fx::Event ev = fx::nextEvent(true);
    if (ev.kind == fx::Event::Pick && ev.field >= 1 && ev.field <= count) {
        fx::record("autofill picked " + std::to_string(ev.field));
        return ev.field;
    }
    fx::unreadEvent(ev);
    fx::record("autofill none");
    return 0;
}

} // namespace fx

extern "C" {

FxListView* FxListViewOpen(int top, int left, int bottom, int right, const char* title) {
    top = std::clamp(top, 0, 24);
    left = std::clamp(left, 0, 79);
    bottom = std::clamp(bottom, 0, 24);
    right = std::clamp(right, 0, 79);
    if (bottom - top < 3 || right - left < 4) return nullptr;
    auto* v = new FxListView;
    v->m.top = top;
    v->m.left = left;
    v->m.bottom = bottom;
    v->m.right = right;
    v->m.title = title ? title : "";
    v->m.stackOrder = fx::nextStackOrder();
    gViews.push_back(v);
    return v;
}

int FxListViewSetColumns(FxListView* view, int count, const char* const* captions, const int* widths,
                         const int* rightAligned) {
    if (!view || count < 0) return -1;
    view->m.captions.clear();
    view->m.widths.clear();
    view->m.alignRight.clear();
    for (int i = 0; i < count; ++i) {
        view->m.captions.push_back(captions && captions[i] ? captions[i] : "");
        view->m.widths.push_back(widths ? std::max(1, widths[i]) : 10);
        view->m.alignRight.push_back(rightAligned ? rightAligned[i] != 0 : false);
    }
    view->m.first = 0;
    return 0;
}

int FxListViewSetLine(FxListView* view, int line, const char* text) {
    if (!view) return -1;
    std::string t = text ? text : "";
    if (line == 1) view->m.line2 = t;
    else if (line == 2) view->m.line3 = t;
    else return -1;
    return 0;
}

int FxListViewSetPrompt(FxListView* view, const char* prompt) {
    if (!view) return -1;
    view->m.hasPrompt = prompt != nullptr;
    view->m.prompt = prompt ? prompt : "";
    return 0;
}

int FxListViewRows(FxListView* view) { return view ? view->m.rowCount() : 1; }

int FxListViewSetRows(FxListView* view, int count, const char* const* cells, int highlight) {
    if (!view || count < 0) return -1;
    const size_t columns = view->m.widths.size();
    view->m.rows.assign(static_cast<size_t>(count), {});
    for (int r = 0; r < count; ++r)
        for (size_t c = 0; c < columns; ++c) {
            const char* cell = cells ? cells[static_cast<size_t>(r) * columns + c] : nullptr;
            view->m.rows[static_cast<size_t>(r)].push_back(cell ? cell : "");
        }
    view->m.highlight = count > 0 ? std::clamp(highlight, -1, count - 1) : -1;
    return 0;
}

int FxListViewSetSearch(FxListView* view, const char* text) {
    if (!view) return -1;
    view->m.search = text ? text : "";
    return 0;
}

int FxListViewShow(FxListView* view) {
    if (!view) return -1;
    fx::ListViewModel& m = view->m;
    if (fx::terminalActive()) {
        fx::terminalRedraw();
        return 0;
    }
    if (!view->opened) {
        view->opened = true;
        fx::record("list open " + fx::quote(m.title) + " " + std::to_string(m.top) + "," + std::to_string(m.left) + "-" +
                   std::to_string(m.bottom) + "," + std::to_string(m.right) + " rows " + std::to_string(m.rowCount()));
        if (!m.line2.empty()) fx::record("list line " + fx::quote(m.line2));
        if (!m.line3.empty()) fx::record("list line " + fx::quote(m.line3));
    }
    std::vector<std::string> texts;
    for (size_t r = 0; r < m.rows.size(); ++r) texts.push_back(m.rowText(r));
    const bool columnsMoved = view->shownFirst != m.first || view->shownHighlight == -2;
    if (columnsMoved) {
        if (view->shownHighlight != -2) fx::record("list columns from " + std::to_string(m.first + 1));
        fx::record("list heading " + fx::quote(m.headingText()));
    }
    if (m.search != view->shownSearch) fx::record("list search " + fx::quote(m.search));
    if (columnsMoved || texts != view->shownRows || m.highlight != view->shownHighlight)
        fx::recordListRows("list", texts, m.highlight);
    view->shownRows = texts;
    view->shownHighlight = m.highlight;
    view->shownSearch = m.search;
    view->shownFirst = m.first;
    return 0;
}

int FxListViewInput(FxListView* view, char* text, int size) {
    if (!view) return FX_KEY_ESC;
    fx::ListViewModel& m = view->m;
    auto giveText = [&](const std::string& t) {
        if (text && size > 0) {
            const size_t n = std::min(t.size(), static_cast<size_t>(size - 1));
            std::memcpy(text, t.data(), n);
            text[n] = '\0';
        }
    };
    for (;;) {
        int key = 0;
        if (fx::terminalActive()) {
            fx::terminalRedraw();
            // a key posted by a handler comes first
            const fx::Event ev = fx::nextEvent(true);
            if (ev.kind != fx::Event::Key || ev.key <= 0) continue;
            key = ev.key;
            if (key >= 32 && key < 127 && m.hasPrompt) {
                m.search += static_cast<char>(key);
                giveText(m.search);
                return FX_LIST_SEARCH;
            }
            if (key == FX_KEY_BACKSPACE && !m.search.empty()) {
                m.search.pop_back();
                giveText(m.search);
                return FX_LIST_SEARCH;
            }
        } else {
            fx::Event ev = fx::nextEvent(true);
            switch (ev.kind) {
            case fx::Event::Key: key = ev.key; break;
            case fx::Event::Type:
                m.search = ev.text;
                giveText(ev.text);
                return FX_LIST_SEARCH;
            case fx::Event::Pick:
                if (ev.field >= 1 && ev.field <= static_cast<int>(m.rows.size())) return FX_LIST_PICK | ev.field;
                fx::record("list pick " + std::to_string(ev.field) + " refused: no such row");
                continue;
            case fx::Event::Exhausted: return FX_KEY_ESC;
            default: continue; // answers and field events are not for a list
            }
        }
        if (key == FX_KEY_LEFT || key == FX_KEY_RIGHT) {
            const size_t fits = fittingColumns(m, m.first);
            if (key == FX_KEY_RIGHT && m.first + fits < m.widths.size()) {
                ++m.first;
                FxListViewShow(view);
                continue;
            }
            if (key == FX_KEY_LEFT && m.first > 0) {
                --m.first;
                FxListViewShow(view);
                continue;
            }
        }
        return key;
    }
}

int FxListViewNote(FxListView* view, const char* text) {
    if (!view) return -1;
    fx::record("list note " + fx::quote(text ? text : ""));
    return 0;
}

void FxListViewClose(FxListView* view) {
    if (!view) return;
    auto it = std::find(gViews.begin(), gViews.end(), view);
    if (it != gViews.end()) gViews.erase(it);
    if (view->opened) fx::record("list close " + fx::quote(view->m.title));
    delete view;
    fx::terminalRedraw();
}

int FxKeyBinding(void* keys, int key, FxHandler* handler) {
    if (handler) *handler = nullptr;
    if (!keys) return 0;
    auto it = fx::scr::gKeyBars.find(keys);
    if (it == fx::scr::gKeyBars.end()) return 0;
    auto k = it->second->keys.find(key);
    if (k == it->second->keys.end() || !k->second.bound) return 0;
    if (!k->second.enabled) return -1;
    if (handler) *handler = k->second.handler;
    return 1;
}

void FxKeyBarForget(void* keys) {
    if (!keys || fx::scr::gForms.count(static_cast<FxForm*>(keys))) return;
    for (fx::scr::ContextImpl& c : fx::scr::gContexts)
        c.keyBars.erase(std::remove(c.keyBars.begin(), c.keyBars.end(), keys), c.keyBars.end());
    fx::scr::gKeyBars.erase(keys);
}

int FxAutoFillChoose(int row, int column, int count, const char* const* codes, const char* const* descriptions) {
    if (count <= 0) return 0;
    const std::vector<std::string> lines = dropLines(count, codes, descriptions);
    if (fx::terminalActive()) {
        const int r = fx::terminalPopup(lines, 0, row + 1, column);
        return r >= 0 ? r + 1 : 0;
    }
    fx::Event ev = fx::nextEvent(true);
    if (ev.kind == fx::Event::Pick && ev.field >= 1 && ev.field <= count) {
        fx::record("autofill picked " + std::to_string(ev.field));
        return ev.field;
    }
    if (ev.kind == fx::Event::Key && ev.key == FX_KEY_ENTER) {
        fx::record("autofill picked 1");
        return 1;
    }
    if (ev.kind != fx::Event::Exhausted && !(ev.kind == fx::Event::Key && ev.key == FX_KEY_ESC)) fx::unreadEvent(ev);
    fx::record("autofill none");
    return 0;
}

} // extern "C"
