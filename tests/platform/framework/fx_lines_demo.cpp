// A code field that completes from a short list and a grid of eight lines
// under it, for the terminal driver; terminal_lines_check.sh drives it
// through tmux. Writes the field's text and the grid's current line code
// to the file named by its first argument.
#include "fx.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

struct Code {
    const char* code;
    const char* description;
};
constexpr Code kCodes[] = {{"AB10", "first"}, {"AB20", "second"}, {"AC30", "third"}};

// Codes that begin with the typed text, in any case.
class Codes : public AutoFill {
public:
    bool FindOpen(const char* text) override {
        text_ = text ? text : "";
        while (!text_.empty() && text_.back() == ' ') text_.pop_back();
        next_ = 0;
        return true;
    }
    bool FindClose() override { return true; }
    bool FindFirst(Item& item) override {
        next_ = 0;
        return FindNext(item);
    }
    bool FindNext(Item& item) override {
        while (next_ < sizeof kCodes / sizeof kCodes[0]) {
            const Code& c = kCodes[next_++];
            if (strncasecmp(c.code, text_.c_str(), text_.size()) == 0) {
                item.code = c.code;
                item.description = c.description;
                return true;
            }
        }
        return false;
    }

private:
    std::string text_;
    size_t next_ = 0;
};

struct Line {
    char code[9];
    int quantity;
};

struct Demo {
    FxContext fx; // first: handlers get the context
    FxWindow window;
    FxForm main;
    FxForm grid;
    ScreenField mainTable[2];
    ScreenField gridTable[3];
};

int showLine(void* c) {
    Demo* d = static_cast<Demo*>(c);
    if (const Line* line = static_cast<const Line*>(FxGridCurrent(&d->grid))) {
        FxFieldSet(&d->grid, 1, line->code);
        FxFieldSet(&d->grid, 2, std::to_string(line->quantity).c_str());
    }
    return FX_GO_ON;
}

} // namespace

int main(int argc, char** argv) {
    Codes codes;
    Demo d{};
    d.mainTable[0] = {1, 2, 12, "%-10s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    d.mainTable[0].typeAhead = &codes;
    d.gridTable[0] = {1, 5, 2, "%-8s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    d.gridTable[1] = {2, 5, 12, "%4d", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    FxStart();
    FxAppBegin(&d.fx);
    FxFormLoad(&d.main, d.mainTable, 1);
    FxFormLoad(&d.grid, d.gridTable, 1);
    FxWindowCreate(&d.window, 2, 5, 16, 70, 1, 1, ' ', "Lines Demo");
    FxWindowText(&d.window, 2, 2, -1, "Code", 0);
    d.grid.lineEnter = showLine;
    FxSetKeyHandler(&d.main, FX_KEY_F10, [](void*) -> int { return FX_LEAVE; });
    FxSetKeyHandler(&d.grid, FX_KEY_F10, [](void*) -> int { return FX_LEAVE; });
    FxWindowAttachForm(&d.window, &d.main, 0);
    FxGridBlock block{3, 2, 40, 1};
    FxGridAttach(&d.main, &d.grid, &block);
    for (int i = 0; i < 8; ++i) {
        Line* line = static_cast<Line*>(FxGridNewLine(&d.grid, sizeof(Line)));
        std::snprintf(line->code, sizeof line->code, "P%d", i + 1);
        line->quantity = (i + 1) * 10;
        FxGridLine(&d.fx, &d.grid, line, 0x200000);
    }
    FxGridRedraw(&d.grid);
    FxAppRun(&d.fx, 0);
    std::string result = std::string(FxFieldGet(&d.main, 1)) + "|";
    if (const Line* line = static_cast<const Line*>(FxGridCurrent(&d.grid))) result += line->code;
    FxWindowClose(&d.window, 1);
    FxAppEnd(&d.fx);
    FxStop();
    if (argc > 1)
        if (FILE* f = std::fopen(argv[1], "w")) {
            std::fprintf(f, "%s\n", result.c_str());
            std::fclose(f);
        }
    return 0;
}
