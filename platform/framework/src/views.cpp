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
        v.texts = gWindows[w].texts;
        std::vector<FxForm*> forms;
        if (w->form) forms.push_back(w->form);
        if (FormImpl* fi = formImpl(w->form))
            for (FxForm* g : fi->grids) forms.push_back(g);
        FxForm* cursorForm = nullptr;
        if (!gContexts.empty()) cursorForm = gContexts.back().ctx ? gContexts.back().ctx->form : nullptr;
        for (FxForm* form : forms) {
            FormImpl* fi = formImpl(form);
            if (!fi) continue;
            int prevRow = 1;
            for (int i = 0; i < fi->count; ++i) {
                ScreenField& f = fi->table[i];
                FieldView fv;
                fv.number = f.number;
                fv.row = f.row ? f.row : prevRow;
                prevRow = fv.row;
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
            FxKeyBar* bar = &form->keys;
            for (int i = 0; i < FX_KEYMENU_ROWS && bar->menu[i].key; ++i)
                if (bar->menu[i].parent == 0) {
                    std::string t(bar->menu[i].keyText, strnlen(bar->menu[i].keyText, sizeof bar->menu[i].keyText));
                    if (!t.empty() && t[0] == 0x18) t = "Shift+" + t.substr(1);
                    v.keyBar.push_back(t + " " + std::string(bar->menu[i].caption, strnlen(bar->menu[i].caption, sizeof bar->menu[i].caption)));
                }
        }
        out.push_back(v);
    }
    return out;
}

std::vector<StatusView> statusViews() {
    std::vector<StatusView> out;
    for (FxStatus* s : gStatus)
        out.push_back(StatusView{s->s.name, s->s.title, s->s.lines, s->s.count, s->s.total, s->s.progress});
    return out;
}


} // namespace fx
