// Grid lines through the list rows: the visible lines in the transcript,
// the cursor line marked, scrolling with the cursor.
#include <gtest/gtest.h>

#include "fx.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Item {
    char code[9];
    int quantity;
};

struct Lines {
    FxContext fx; // first: handlers get the context
    FxWindow window;
    FxForm main;
    FxForm grid;
    ScreenField mainTable[2];
    ScreenField gridTable[3];
};

int showLine(void* c) {
    Lines* l = static_cast<Lines*>(c);
    if (const Item* item = static_cast<const Item*>(FxGridCurrent(&l->grid))) {
        FxFieldSet(&l->grid, 1, item->code);
        FxFieldSet(&l->grid, 2, std::to_string(item->quantity).c_str());
    }
    return FX_GO_ON;
}

class Grid : public ::testing::Test {
protected:
    void SetUp() override {
        FxReset();
        FxUseScriptDriver();
    }
    void TearDown() override { FxReset(); }

    // Five lines in a grid that shows three; the script runs on the main form.
    std::string run(const char* script, bool showCallback) {
        EXPECT_EQ(0, FxScriptLoad(script));
        Lines l{};
        l.mainTable[0] = {1, 1, 2, "%-8s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
        l.gridTable[0] = {1, 3, 2, "%-8s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
        l.gridTable[1] = {2, 3, 12, "%4d", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
        FxAppBegin(&l.fx);
        FxFormLoad(&l.main, l.mainTable, 1);
        FxFormLoad(&l.grid, l.gridTable, 1);
        FxWindowCreate(&l.window, 1, 0, 20, 79, 1, 1, ' ', "Items");
        if (showCallback) {
            l.grid.lineShow = showLine;
            // leaving the code draws the lines again while the line holds typed text
            l.gridTable[0].exitHandler = [](void* c) -> int { return FxGridRedraw(&static_cast<Lines*>(c)->grid); };
        }
        l.grid.lineEnter = showLine;
        FxSetKeyHandler(&l.main, FX_KEY_F10, [](void*) -> int { return FX_LEAVE; });
        FxSetKeyHandler(&l.grid, FX_KEY_F10, [](void*) -> int { return FX_LEAVE; });
        FxWindowAttachForm(&l.window, &l.main, 0);
        FxGridBlock block{3, 2, 40, 1};
        FxGridAttach(&l.main, &l.grid, &block);
        for (int i = 0; i < 5; ++i) {
            Item* item = static_cast<Item*>(FxGridNewLine(&l.grid, sizeof(Item)));
            std::snprintf(item->code, sizeof item->code, "P%d", i + 1);
            item->quantity = (i + 1) * 10;
            FxGridLine(&l.fx, &l.grid, item, 0x200000);
        }
        FxAppRun(&l.fx, 0);
        FxAppEnd(&l.fx);
        return FxTranscript();
    }
};

TEST_F(Grid, VisibleLinesAreShownWithTheCursorLineMarkedAndScroll) {
    // into the grid, then down four lines: the last two moves scroll
    const std::string t = run("key Enter\nkey Down\nkey Down\nkey Down\nkey Down\nkey Up\nkey F10\n", false);
    const char* expected = "line enter 0\nfield 1 enter \"P1\"\n"
                           "grid row 1 > \"P1          10\"\ngrid row 2 \"P2          20\"\ngrid row 3 \"P3          30\"\n";
    EXPECT_NE(std::string::npos, t.find(expected)) << t;
    // the third line: no scrolling yet
    EXPECT_NE(std::string::npos, t.find("line enter 2\nfield 1 enter \"P3\"\ngrid row 1 \"P1          10\"\n"
                                        "grid row 2 \"P2          20\"\ngrid row 3 > \"P3          30\"\n"))
        << t;
    // the fourth and fifth: the lines move up under the cursor
    EXPECT_NE(std::string::npos, t.find("line enter 3\nfield 1 enter \"P4\"\ngrid row 1 \"P2          20\"\n"
                                        "grid row 2 \"P3          30\"\ngrid row 3 > \"P4          40\"\n"))
        << t;
    EXPECT_NE(std::string::npos, t.find("line enter 4\nfield 1 enter \"P5\"\ngrid row 1 \"P3          30\"\n"
                                        "grid row 2 \"P4          40\"\ngrid row 3 > \"P5          50\"\n"))
        << t;
    // back up one: inside the view, only the mark moves
    EXPECT_NE(std::string::npos, t.find("line enter 3\nfield 1 enter \"P4\"\ngrid row 1 \"P3          30\"\n"
                                        "grid row 2 > \"P4          40\"\ngrid row 3 \"P5          50\"\n"))
        << t;
}

TEST_F(Grid, TheShowCallbackFillsTheLinesAndTheCursorLineKeepsItsFields) {
    const std::string t = run("key Enter\ntype X9\nkey Down\nkey F10\n", true);
    // drawing the lines from the exit handler keeps the cursor line's typed text
    EXPECT_NE(std::string::npos, t.find("field 1 type \"X9\"\nfield 1 exit \"X9\" -> 0\n")) << t;
    EXPECT_NE(std::string::npos, t.find("grid row 1 > \"P1          10\"\ngrid row 2 \"P2          20\"\n")) << t;
}

} // namespace
