// A sample screen for trying the terminal driver by hand or through
// terminal_smoke.sh and terminal_check.sh. Writes what was saved to the
// file named by its first argument; a second argument names the folder of
// its help file.
#include "fx.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Demo {
    FxContext fx;
    FxWindow window;
    FxForm form;
    ScreenField table[4];
    std::string saved;
};

int onSave(void* c) {
    Demo* d = static_cast<Demo*>(c);
    if (FxIsEmpty(FxFieldGet(&d->form, 1))) {
        FxMessageBox(nullptr, "A code is required.", nullptr, FX_MB_OK, 0);
        FxFocusField(&d->form, 1);
        return FX_STAY_FOCUSED;
    }
    if (FxMessageBox(nullptr, "Save this record?", nullptr, FX_MB_YESNO, 0) != FX_ID_YES) return FX_STAY;
    FxStatus* s = FxStatusOpen("RSDemoSaving", 0);
    FxStatusSetLine(s, 0, "Saving the record");
    FxStatusUpdate(s, 0);
    FxStatusClose(s);
    d->saved += std::string(FxFieldGet(&d->form, 1)) + "|" + FxFieldGet(&d->form, 2) + "|" + FxFieldGet(&d->form, 3) + "\n";
    return FX_RECORD_DONE;
}

} // namespace

int main(int argc, char** argv) {
    static const char yesNo[] = "\x01Yes,No";
    Demo d{};
    d.table[0] = {1, 2, 12, "%-10sC", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    d.table[1] = {2, 3, 12, "%-30s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    d.table[2] = {3, 4, 12, "%-5sm", yesNo, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    FxStart();
    FxSetCompanyName("Demo Company");
    FxSetHeadingLine(2, "Period 1 of 2025");
    char title[64] = "RSEditDemo";
    std::strcpy(title + 32, "Edit a Demo Record");
    FxResourceAdd(FX_RES_SCREEN, 1, FX_SCREEN_TITLE_LINE, title, 32 + 19);
    if (argc > 2) {
        FxSetHelpFolder(argv[2]);
        FxSetHelpFile("DEMO.HLP");
    }
    FxAppBegin(&d.fx);
    FxFormLoad(&d.form, d.table, 1);
    FxWindowCreate(&d.window, 2, 5, 10, 70, 1, 1, ' ', "Demo Editor");
    FxWindowSetName(&d.window, "RSEditDemo");
    FxWindowText(&d.window, 2, 2, -1, "Code", 0);
    FxWindowText(&d.window, 3, 2, -1, "Name", 0);
    FxWindowText(&d.window, 4, 2, -1, "Active", 0);
    const struct {
        int key;
        const char* text;
        const char* caption;
    } keys[] = {{FX_KEY_F1, "F1", "Help"}, {FX_KEY_F10, "F10", "Save"}, {FX_KEY_ESC, "ESC", "Close"}};
    for (int i = 0; i < 3; ++i) {
        std::strcpy(d.form.keys.menu[i].keyText, keys[i].text);
        std::strcpy(d.form.keys.menu[i].caption, keys[i].caption);
        d.form.keys.menu[i].key = keys[i].key;
    }
    FxSetKeyHandler(&d.form, FX_KEY_F10, onSave);
    FxWindowAttachForm(&d.window, &d.form, 0);
    int key = FxAppRun(&d.fx, 0);
    FxWindowClose(&d.window, 1);
    FxAppEnd(&d.fx);
    FxStop();
    if (argc > 1)
        if (FILE* f = std::fopen(argv[1], "w")) {
            std::fprintf(f, "%s", d.saved.c_str());
            std::fprintf(f, "end %d\n", key);
            std::fclose(f);
        }
    return 0;
}
