// Where a form stands in its window: the layout check that every screen
// passes when it starts (fields inside the window and off its border, no
// two fields over one another, a label before each input field), screen
// labels from the resources, and forms of several pages.
#include "fx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct FieldAt {
    int row, column;
    const char* picture;
    bool displayOnly;
    int page;
};

struct TextAt {
    int row, column;
    const char* text;
    int page;
};

struct Screen {
    FxContext fx{};
    FxWindow window{};
    FxForm form{};
    ScreenField table[8]{};
};

class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        FxReset();
        FxUseScriptDriver();
    }
    void TearDown() override { FxReset(); }

    // A screen label of field n of the test screen.
    static void Label(int n, const std::string& text) {
        char data[256] = {};
        std::strncpy(data, "RSLayoutTest", 31);
        std::strncpy(data + 32, text.c_str(), sizeof data - 33);
        FxResourceAdd(FX_RES_SCREEN, 0, FX_SCREEN_LABEL_LINE + n, data, 32 + static_cast<int>(text.size()) + 1);
    }

    // Opens the screen (window rows top-bottom, columns left-right) and
    // gives the layout problems, one a line.
    std::string Problems(Screen& s, int top, int left, int bottom, int right, const std::vector<FieldAt>& fields,
                         const std::vector<TextAt>& texts) {
        for (size_t i = 0; i < fields.size(); ++i) {
            ScreenField& f = s.table[i];
            f.number = static_cast<uint8_t>(i + 1);
            f.row = static_cast<uint8_t>(fields[i].row);
            f.column = static_cast<uint8_t>(fields[i].column);
            std::strncpy(f.picture, fields[i].picture, sizeof f.picture - 1);
            f.displayOnly = fields[i].displayOnly ? 1 : 0;
        }
        FxAppBegin(&s.fx);
        EXPECT_NE(0, FxFormLoad(&s.form, s.table, 1));
        EXPECT_EQ(0, FxWindowCreate(&s.window, top, left, bottom, right, 1, 1, ' ', nullptr));
        FxWindowSetName(&s.window, "RSLayoutTest");
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].page) FxFieldSetPage(&s.form, static_cast<int>(i + 1), fields[i].page);
        for (const TextAt& t : texts) {
            FxWindowTextPage(&s.window, t.page);
            FxWindowText(&s.window, t.row, t.column, -1, t.text, 0);
        }
        FxWindowTextPage(&s.window, 0);
        FxWindowAttachForm(&s.window, &s.form, 0);
        char out[2048] = {};
        FxFormLayoutProblems(&s.form, out, sizeof out);
        return out;
    }
};

TEST_F(Layout, ProblemsOfATable)
{
    struct Case {
        const char* name;
        int top, left, bottom, right;
        std::vector<FieldAt> fields;
        std::vector<TextAt> texts;
        const char* problem; // "" when the layout is sound
    };
    const std::vector<Case> cases = {
        {"sound", 2, 10, 10, 70, {{1, 12, "%-10s", false, 0}, {2, 12, "nn/nn/nnnn", false, 0}},
         {{1, 2, "Code:", 0}, {2, 2, "Date:", 0}}, ""},
        {"display fields need no label", 2, 10, 10, 70, {{1, 12, "%-10s", true, 0}}, {}, ""},
        {"on the bottom border", 1, 1, 23, 78, {{22, 1, "%-1s", true, 0}}, {}, "is on the window's border"},
        {"on the left border", 2, 10, 10, 70, {{1, 0, "%-3s", true, 0}}, {}, "is on the window's border"},
        {"a number wider than the window", 2, 10, 10, 20, {{1, 2, "%12.2f", true, 0}}, {}, "is outside its window"},
        {"a long text scrolls inside its window", 2, 10, 10, 40, {{1, 12, "%-40s", true, 0}}, {}, ""},
        {"below the window", 2, 10, 10, 70, {{9, 12, "%-4s", true, 0}}, {}, "is outside its window"},
        {"window below the prompt line", 1, 1, 23, 78, {}, {}, "is not inside rows 1-21"},
        {"two fields over one another", 2, 10, 10, 70, {{1, 12, "%-10s", true, 0}, {1, 20, "%-5s", true, 0}}, {},
         "fields 1 and 2 overlap on row 1"},
        {"input field without a label", 2, 10, 10, 70, {{1, 12, "%-10s", false, 0}}, {},
         "input field 1 at 1,12 has no label"},
        {"a field is no label", 2, 10, 10, 70, {{1, 2, "%-5s", true, 0}, {1, 12, "%-10s", false, 0}},
         {}, "input field 2 at 1,12 has no label"},
        {"a heading above is a label", 2, 10, 10, 70, {{2, 12, "%-10s", false, 0}}, {{1, 12, "Code", 0}}, ""},
        {"a heading over a column of fields", 2, 10, 10, 70,
         {{3, 12, "%10.2f", false, 0}, {4, 12, "%10.2f", false, 0}, {5, 12, "%10.2f", false, 0}},
         {{1, 16, "Value", 0}}, ""},
        {"a text across the column is no heading", 2, 10, 10, 70, {{2, 12, "%-10s", false, 0}},
         {{1, 2, "Name and address of the", 0}}, "input field 1 at 2,12 has no label"},
        {"a text over a field", 2, 10, 10, 70, {{1, 12, "%-10s", true, 0}}, {{1, 8, "Name:", 0}},
         "runs into field 1"},
        {"pages may share places", 2, 10, 10, 70, {{1, 12, "%-10s", true, 1}, {1, 12, "%-10s", true, 2}}, {}, ""},
        {"a label on another page does not count", 2, 10, 10, 70, {{1, 12, "%-10s", false, 2}, {2, 12, "%-3s", true, 1}},
         {{1, 2, "Code:", 1}}, "input field 1 at 1,12 on page 2 has no label"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FxReset();
        FxUseScriptDriver();
        Screen s;
        const std::string got = Problems(s, c.top, c.left, c.bottom, c.right, c.fields, c.texts);
        if (*c.problem == 0)
            EXPECT_EQ(got, "");
        else
            EXPECT_NE(got.find(c.problem), std::string::npos) << got;
        FxWindowClose(&s.window, 1);
        FxAppEnd(&s.fx);
    }
}

TEST_F(Layout, ScreenLabelsStandBeforeTheirFields)
{
    Label(1, "Code:");
    Label(2, "Name:");
    Label(3, "State:");
    Screen s;
    const std::string got = Problems(s, 2, 10, 10, 70,
                                     {{1, 12, "%-10s", false, 0}, {2, 12, "%-20s", false, 0}, {2, 40, "%-3s", false, 0}}, {});
    EXPECT_EQ(got, "");
    // a label too long for the room before its field is found
    Label(3, "A state of the address:");
    char out[1024] = {};
    FxFormLayoutProblems(&s.form, out, sizeof out);
    EXPECT_NE(std::string(out).find("runs into field 2"), std::string::npos) << out;
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
}

TEST_F(Layout, TheLoopNamesEachProblemWhenTheScreenStarts)
{
    Screen s;
    Problems(s, 1, 1, 23, 78, {{22, 1, "%-1s", true, 0}, {1, 12, "%-10s", false, 0}}, {});
    FxTranscriptClear();
    FxScriptLoad("key Esc\n");
    FxAppRun(&s.fx, 0);
    const std::string t = FxTranscript();
    EXPECT_NE(t.find("layout problem RSLayoutTest: field 1 at 22,1 (width 1) is on the window's border"), std::string::npos)
        << t;
    EXPECT_NE(t.find("layout problem RSLayoutTest: input field 2 at 1,12 has no label"), std::string::npos) << t;
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
}

// PgDn and PgUp turn the pages of a form: the cursor goes to the first
// input field of the page, and the screen shows that page's fields only.
TEST_F(Layout, PagesTurnWithPgDnAndPgUp)
{
    Screen s;
    Problems(s, 2, 10, 10, 70,
             {{1, 12, "%-10s", false, 0}, {2, 12, "%-10s", false, 1}, {2, 12, "%-10s", false, 2}},
             {{1, 2, "Code:", 0}, {2, 2, "Name:", 1}, {2, 2, "Note:", 2}});
    FxScriptLoad("type A1\nkey PgDn\ntype second\nkey PgUp\ntype first\nkey Esc\n");
    FxAppRun(&s.fx, 0);
    const std::string t = FxTranscript();
    EXPECT_NE(t.find("page 2 of 2"), std::string::npos) << t;
    EXPECT_NE(t.find("field 3 type \"second\""), std::string::npos) << t;
    EXPECT_NE(t.find("field 2 type \"first\""), std::string::npos) << t;
    EXPECT_EQ(FxFormPage(&s.form), 1);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
}

} // namespace
