// A sample screen for trying the terminal driver by hand or through
// terminal_smoke.sh (not part of the CTest run). Writes what was saved to
// the file named by its first argument.
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
    FxAppBegin(&d.fx);
    FxFormLoad(&d.form, d.table, 1);
    FxWindowCreate(&d.window, 2, 5, 10, 70, 1, 1, ' ', "Demo Editor");
    FxWindowSetName(&d.window, "RSEditDemo");
    FxWindowText(&d.window, 2, 2, -1, "Code", 0);
    FxWindowText(&d.window, 3, 2, -1, "Name", 0);
    FxWindowText(&d.window, 4, 2, -1, "Active", 0);
    std::strcpy(d.form.keys.menu[0].keyText, "F10");
    std::strcpy(d.form.keys.menu[0].caption, "Save");
    d.form.keys.menu[0].key = FX_KEY_F10;
    std::strcpy(d.form.keys.menu[1].keyText, "ESC");
    std::strcpy(d.form.keys.menu[1].caption, "Close");
    d.form.keys.menu[1].key = FX_KEY_ESC;
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
