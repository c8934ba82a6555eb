// What the terminal driver draws: the open windows with their fields,
// texts and key bars, and the status windows.
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

std::vector<WindowView> screenViews() {
    std::vector<WindowView> out;
    for (FxWindow* w : gOpenWindows) {
        WindowView v;
        v.window = w;
        const WindowImpl& wi = gWindows[w];
        v.texts = wi.texts;
        v.cursorRow = wi.cursorRow;
        v.cursorColumn = wi.cursorColumn;
        for (const WindowImpl::Mark& m : wi.marks) v.marks.push_back({m.row, m.column, m.width});
        std::vector<FxForm*> forms;
        if (w->form) forms.push_back(w->form);
        if (FormImpl* fi = formImpl(w->form))
            for (FxForm* g : fi->grids) forms.push_back(g);
        FxForm* cursorForm = nullptr;
        if (!gContexts.empty()) cursorForm = gContexts.back().ctx ? gContexts.back().ctx->form : nullptr;
        if (FormImpl* mi = formImpl(cursorForm))
            for (FxForm* g : mi->grids)
                if (FormImpl* gi = formImpl(g); gi && gi->cursorIn) cursorForm = g;
        for (FxForm* form : forms) {
            FormImpl* fi = formImpl(form);
            if (!fi) continue;
            int offset = 0; // a grid's fields stand on its cursor line
            if (form != w->form) {
                const int step = std::max(1, static_cast<int>(fi->block.step));
                int firstRow = 1;
                for (int i = 0; i < fi->count; ++i)
                    if (fi->table[i].row) {
                        firstRow = fi->table[i].row;
                        break;
                    }
                if (!fi->shown.rows.empty()) v.grids.push_back({&fi->shown, w->top + firstRow, step});
                if (form != cursorForm) continue; // the lines show what the fields would
                offset = (fi->row - static_cast<int>(fi->firstShown)) * step;
            }
            int prevRow = 1;
            for (int i = 0; i < fi->count; ++i) {
                ScreenField& f = fi->table[i];
                FieldView fv;
                fv.number = f.number;
                fv.row = f.row ? f.row : prevRow;
                prevRow = fv.row;
                fv.row += offset;
                fv.column = f.column;
                fv.width = std::max(1, fx::pictureWidth(pictureText(&f).c_str()));
                FieldState* st = fieldState(fi, f.number);
                fv.text = shownText(&f, st, fieldText(fi, f.number));
                fv.hidden = st && st->hidden;
                fv.displayOnly = !enterable(fi, f.number);
                fv.current = form == cursorForm && form->currentField == f.number;
                fv.cursor = st ? static_cast<int>(std::min(st->cursor, st->text.size())) : 0;
                fv.alignRight = fx::pictureKind(pictureText(&f).c_str()).kind == fx::PictureKind::Number && !(fv.current && st && st->edited);
                v.fields.push_back(fv);
            }
        }
        std::string name(w->name, strnlen(w->name, sizeof w->name));
        v.title = fx::screenTitle(name);
        if (v.title.empty()) v.title = std::string(w->title, strnlen(w->title, sizeof w->title));
        out.push_back(v);
    }
    return out;
}

FrameView frameView() {
    FrameView f;
    f.company = fx::companyName();
    if (f.company.empty()) f.company = fx::headingLine(1);
    f.period = fx::headingLine(2);
    if (f.period.empty() && !fx::companyName().empty()) f.period = fx::headingLine(1);
    FxForm* form = nullptr;
    ContextImpl* ci = innermost();
    if (ci && ci->ctx) form = ci->ctx->form;
    if (!gStatusLine.empty()) {
        f.prompt = gStatusLine;
        f.refused = true;
    } else if (FormImpl* fi = formImpl(form)) {
        if (ScreenField* sf = fieldDef(fi, form->currentField); sf && sf->prompt) {
            char text[256] = {};
            if (FxLoadString(sf->prompt, sizeof text, text) > 0) f.prompt = text;
        }
    }
    if (form)
        for (const KeyItem& k : keyItems(form, ci))
            if (!k.option) f.keys.push_back(KeyView{k.key + (k.caption.empty() ? "" : " " + k.caption), k.on});
    return f;
}

std::vector<std::string> keyBarLayout(const std::vector<KeyView>& keys, int width) {
    std::vector<KeyItem> items;
    for (const KeyView& k : keys) {
        KeyItem i;
        size_t sp = k.text.find(' ');
        i.key = k.text.substr(0, sp);
        i.caption = sp == std::string::npos ? "" : k.text.substr(sp + 1);
        i.on = k.on;
        items.push_back(i);
    }
    return keyBarRows(items, width);
}

std::vector<StatusView> statusViews() {
    std::vector<StatusView> out;
    for (FxStatus* s : gStatus)
        out.push_back(StatusView{s->s.name, s->s.title, s->s.lines, s->s.count, s->s.total, s->s.progress});
    return out;
}


} // namespace fx
