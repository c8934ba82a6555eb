// Grids: a form of one line's fields under a main form, over line records.
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

namespace fx::scr {
namespace {

// A grid field and the row it is drawn on (a row of 0: the row before).
struct Placed {
    ScreenField* field;
    int row;
};

// The grid's fields in screen order (row, then column); hidden ones are left out.
std::vector<Placed> shownFields(FormImpl* gi) {
    std::vector<Placed> out;
    int prevRow = 1;
    for (int i = 0; i < gi->count; ++i) {
        ScreenField& f = gi->table[i];
        const int row = f.row ? f.row : prevRow;
        prevRow = row;
        FieldState* st = fieldState(gi, f.number);
        if (!(st && st->hidden)) out.push_back({&f, row});
    }
    std::stable_sort(out.begin(), out.end(), [](const Placed& a, const Placed& b) {
        return a.row != b.row ? a.row < b.row : a.field->column < b.field->column;
    });
    return out;
}

// The cells of line `index`: the grid's show callback (else its line-enter
// callback) fills the fields from FxGridCurrent; the fields, the cursor line
// and the form's flags are put back afterwards.
std::vector<std::string> lineCells(FxForm* grid, FormImpl* gi, const std::vector<Placed>& fields, int index) {
    std::vector<std::string> cells;
    const bool newLine = index >= static_cast<int>(gi->lines.size());
    if (newLine && gi->row != index) return std::vector<std::string>(fields.size()); // blank until the cursor comes
    const bool live = newLine; // the new line under the cursor: what is typed
    const std::vector<FieldState> saved = gi->fields;
    const int row = gi->row, current = grid->currentField;
    const bool changed = gi->changed, focus = gi->focusRequested;
    FxHandler show = grid->lineShow ? grid->lineShow : grid->lineEnter;
    if (!live) {
        gi->row = index;
        emptyForm(gi);
        ContextImpl* ci = innermost();
        if (show && ci && ci->ctx) show(ci->ctx);
        gi = formImpl(grid);
        if (!gi) return cells;
    }
    for (const Placed& p : fields) {
        ScreenField* f = p.field;
        FieldState* st = fieldState(gi, f->number);
        std::string t = shownText(f, st, fieldText(gi, f->number));
        for (char& ch : t)
            if (static_cast<unsigned char>(ch) == 0xFF) ch = ' ';
        const std::string picture = pictureText(f);
        if (fx::pictureKind(picture.c_str()).kind == fx::PictureKind::Number) { // right in the field's width
            t = fx::trimmed(t);
            const size_t own = static_cast<size_t>(std::max(1, fx::pictureWidth(picture.c_str())));
            if (t.size() < own) t.insert(0, own - t.size(), ' ');
        }
        cells.push_back(t);
    }
    if (!live) {
        gi->fields = saved;
        gi->row = row;
        grid->currentField = current;
        gi->changed = changed;
        gi->focusRequested = focus;
    }
    return cells;
}

} // namespace

int gridVisibleLines(FormImpl* gi) {
    if (gi->block.rows > 0) return gi->block.rows;
    int firstRow = 1;
    for (int i = 0; i < gi->count; ++i)
        if (gi->table[i].row) {
            firstRow = gi->table[i].row;
            break;
        }
    const int step = std::max(1, static_cast<int>(gi->block.step));
    return gi->window ? std::max(1, (gi->window->bottom - gi->window->top - firstRow) / step) : 1;
}

void gridShow(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    if (!gi || !gi->mainForm) return;
    const std::vector<Placed> fields = shownFields(gi);
    fx::ListViewModel& m = gi->shown;
    const int count = static_cast<int>(gi->lines.size());
    const int visible = gridVisibleLines(gi);
    const int cursor = std::clamp(gi->row, 0, count);
    // the cursor line stays in view
    if (cursor < static_cast<int>(gi->firstShown)) gi->firstShown = static_cast<size_t>(cursor);
    if (cursor >= static_cast<int>(gi->firstShown) + visible) gi->firstShown = static_cast<size_t>(cursor - visible + 1);
    // each cell as wide as the gap to the next field on its row, so that the
    // joined row puts every cell in its field's column
    m.captions.assign(fields.size(), std::string());
    m.widths.clear();
    m.alignRight.assign(fields.size(), false);
    for (size_t i = 0; i < fields.size(); ++i) {
        const int own = std::max(1, fx::pictureWidth(pictureText(fields[i].field).c_str()));
        const bool sameRow = i + 1 < fields.size() && fields[i + 1].row == fields[i].row;
        m.widths.push_back(sameRow ? std::max(1, fields[i + 1].field->column - fields[i].field->column - 1) : own);
    }
    const int firstColumn = fields.empty() ? 1 : fields.front().field->column;
    int span = 0;
    for (int w : m.widths) span += w + (span ? 1 : 0);
    if (gi->block.width > 0) span = std::min(span, static_cast<int>(gi->block.width));
    if (gi->window) {
        span = std::min(span, std::max(1, gi->window->right - (gi->window->left + firstColumn)));
        m.left = gi->window->left + firstColumn - 1;
        m.top = gi->window->top;
    }
    m.right = m.left + std::max(1, span) + 1;
    m.first = 0;
    m.rows.clear();
    const int last = std::min(count + 1, static_cast<int>(gi->firstShown) + visible); // the new line counts
    for (int i = static_cast<int>(gi->firstShown); i < last; ++i) m.rows.push_back(lineCells(grid, gi, fields, i));
    gi = formImpl(grid);
    if (!gi) return;
    m.highlight = cursor - static_cast<int>(gi->firstShown);
    std::vector<std::string> texts;
    for (size_t r = 0; r < m.rows.size(); ++r) texts.push_back(m.rowText(r));
    if (texts != gi->shownRows || m.highlight != gi->shownHighlight) fx::recordListRows("grid", texts, m.highlight);
    gi->shownRows = texts;
    gi->shownHighlight = m.highlight;
    fx::terminalRedraw();
}

} // namespace fx::scr

using namespace fx::scr;

extern "C" {

// ---- grids

int FxGridAttach(FxForm* mainForm, FxForm* grid, const FxGridBlock* block) {
    FormImpl* mi = formImpl(mainForm);
    FormImpl* gi = formImpl(grid);
    if (!mi || !gi) return -1;
    gi->mainForm = mainForm;
    if (block) gi->block = *block;
    if (std::find(mi->grids.begin(), mi->grids.end(), grid) == mi->grids.end()) mi->grids.push_back(grid);
    gi->window = mi->window;
    return 0;
}

int FxGridClear(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return -1;
    for (void* l : gi->lines) FxFree(l);
    gi->lines.clear();
    gi->row = 0;
    gi->firstShown = 0;
    return 0;
}

int FxGridRedraw(FxForm* grid) {
    gridShow(grid);
    return 0;
}

int FxGridLine(void*, FxForm* grid, void* line, int flags) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return -1;
    if (flags & 0x200000) {
        if (!line) return -1;
        gi->lines.push_back(line);
        return 0;
    }
    if (flags & 0x400000) {
        if (!line) {
            if (gi->row < 0 || gi->row >= static_cast<int>(gi->lines.size())) return -1;
            line = gi->lines[gi->row];
        }
        auto it = std::find(gi->lines.begin(), gi->lines.end(), line);
        if (it == gi->lines.end()) return -1;
        FxFree(*it);
        gi->lines.erase(it);
        if (gi->row >= static_cast<int>(gi->lines.size()) && gi->row > 0) --gi->row;
        return 0;
    }
    return -1;
}

void* FxGridNewLine(FxForm*, int size) { return FxAlloc(1, size > 0 ? size : 1); }

int FxGridSetRow(FxForm* grid, int row) {
    FormImpl* gi = formImpl(grid);
    if (!gi || row < 0) return -1;
    gi->row = row;
    return 0;
}

int FxGridEmpty(FxForm* grid) {
    int rc = FxGridClear(grid);
    if (rc == 0) gridShow(grid);
    return rc;
}

void* FxGridCurrent(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    if (!gi || gi->row < 0 || gi->row >= static_cast<int>(gi->lines.size())) return nullptr;
    return gi->lines[gi->row];
}

int FxGridCount(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    return gi ? static_cast<int>(gi->lines.size()) : 0;
}

int FxGridSetColumnChoices(FxForm* grid, int field, const char* choices) {
    FormImpl* gi = formImpl(grid);
    ScreenField* f = fieldDef(gi, field);
    if (!f) return -1;
    gi->columnChoices[field] = choices ? choices : "";
    f->choices = gi->columnChoices[field].c_str();
    return 0;
}

int FxGridApplyChoices(FxForm* grid) { return formImpl(grid) ? 0 : -1; }

void* FxGridFirst(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return nullptr;
    gi->walk = 0;
    return gi->lines.empty() ? nullptr : gi->lines[0];
}

void* FxGridNext(FxForm* grid) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return nullptr;
    ++gi->walk;
    return gi->walk < gi->lines.size() ? gi->lines[gi->walk] : nullptr;
}

int FxGridLineChoicesReset(FxForm* grid, void*) {
    FormImpl* gi = formImpl(grid);
    if (!gi) return -1;
    for (FieldState& st : gi->fields) st.option = 0;
    return 0;
}

} // extern "C"
