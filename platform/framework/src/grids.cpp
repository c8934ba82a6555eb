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
    return 0;
}

int FxGridRedraw(FxForm*) {
    fx::terminalRedraw();
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
    fx::terminalRedraw();
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
