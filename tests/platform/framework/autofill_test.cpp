// Type-ahead drop lists of entry fields, run by the script driver: a page
// of the source's matches under the field while typing, a pick fills the
// field, every other event goes on to the field.
#include "fx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace {

// A source over a small list of codes: those beginning with the typed text
// in any case, in list order.
class ListSource : public AutoFill {
public:
    struct Entry {
        std::string code, description;
    };
    explicit ListSource(std::vector<Entry> entries) : entries_(std::move(entries)) {}
    bool FindOpen(const char* text) override {
        ++opens;
        text_ = text ? text : "";
        next_ = 0;
        return true;
    }
    bool FindClose() override {
        ++closes;
        return true;
    }
    bool FindFirst(Item& item) override {
        next_ = 0;
        return FindNext(item);
    }
    bool FindNext(Item& item) override {
        while (next_ < entries_.size()) {
            const Entry& e = entries_[next_++];
            if (strncasecmp(e.code.c_str(), text_.c_str(), text_.size()) == 0) {
                item.code = e.code.c_str();
                item.description = e.description.c_str();
                return true;
            }
        }
        return false;
    }
    int opens = 0, closes = 0;

private:
    std::vector<Entry> entries_;
    std::string text_;
    size_t next_ = 0;
};

struct Screen {
    FxContext fx{};
    FxWindow window{};
    FxForm form{};
    ScreenField table[3]{};
    std::string atExit;
    bool left = false;
};

int onExit(void* c) {
    Screen* s = static_cast<Screen*>(c);
    s->left = true;
    s->atExit = FxFieldGet(&s->form, 1);
    return FX_GO_ON;
}

// Runs a screen whose field 1 (picture `picture`) completes from `source`;
// the field's text at the end.
std::string run(Screen& s, AutoFill* source, const char* picture, const std::string& script) {
    s.table[0].number = 1;
    s.table[0].row = 1;
    s.table[0].column = 2;
    std::strncpy(s.table[0].picture, picture, sizeof s.table[0].picture - 1);
    s.table[0].exitHandler = onExit;
    s.table[0].typeAhead = source;
    s.table[1].number = 2;
    s.table[1].row = 2;
    s.table[1].column = 2;
    std::strcpy(s.table[1].picture, "%-5s");
    EXPECT_EQ(0, FxScriptLoad((script + "\nkey Esc\n").c_str()));
    FxAppBegin(&s.fx);
    EXPECT_NE(0, FxFormLoad(&s.form, s.table, 1));
    FxWindowCreate(&s.window, 2, 2, 8, 60, 1, 1, ' ', nullptr);
    FxWindowSetName(&s.window, "RSAutoFillTest");
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxAppRun(&s.fx, 0);
    std::string text = FxFieldGet(&s.form, 1);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    return text;
}

std::string transcript() {
    const char* t = FxTranscript();
    return t ? t : "";
}

class AutoFillField : public ::testing::Test {
protected:
    void SetUp() override {
        FxReset();
        FxUseScriptDriver();
    }
    void TearDown() override { FxReset(); }
    ListSource source{{{"AB10", "first"}, {"ab20", "second"}, {"AC30", "third"}, {"ABCDEFGH", ""}}};
};

TEST_F(AutoFillField, TypingShowsThePageAndAPickFillsTheField) {
    struct Case {
        const char* name;
        const char* picture;
        const char* script;
        std::vector<std::string> shown; // the drop list after the last typing
        const char* text;               // the field at the end
        const char* atExit;             // what the field held when the cursor left ("-": not left)
    };
    const Case cases[] = {
        {"pick", "%-10s", "type ab\npick 2\nkey Enter", {"AB10  first", "ab20  second", "ABCDEFGH"}, "ab20", "ab20"},
        {"Enter takes the typed text", "%-10s", "type ab\nkey Enter", {"AB10  first", "ab20  second", "ABCDEFGH"},
         "ab", "ab"},
        {"Esc leaves the typed text", "%-10s", "type ab\nkey Esc", {"AB10  first", "ab20  second", "ABCDEFGH"}, "ab",
         "-"},
        {"key by key", "%-10s", "key a\nkey c\npick 1\nkey Enter", {"AC30  third"}, "AC30", "AC30"},
        {"no match: no list", "%-10s", "type zz\nkey Enter", {}, "zz", "zz"},
        {"a pick outside the page", "%-10s", "type ac\npick 5\nkey Enter", {"AC30  third"}, "ac", "ac"},
        {"a long code is cut to the field", "%-4s", "type abc\npick 1\nkey Enter", {"ABCDEFGH"}, "ABCD", "ABCD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FxReset(); // no event left over from the case before
        FxUseScriptDriver();
        Screen s;
        const std::string text = run(s, &source, c.picture, c.script);
        const std::string t = transcript();
        const size_t last = t.rfind("autofill 1 ");
        const std::string tail = last == std::string::npos ? t : t.substr(last);
        for (size_t i = 0; i < c.shown.size(); ++i)
            EXPECT_NE(tail.find("autofill " + std::to_string(i + 1) + " \"" + c.shown[i] + "\""), std::string::npos)
                << t;
        EXPECT_EQ(tail.find("autofill " + std::to_string(c.shown.size() + 1) + " "), std::string::npos) << t;
        if (c.shown.empty()) {
            EXPECT_EQ(t.find("autofill"), std::string::npos) << t;
        }
        EXPECT_EQ(text, c.text) << t;
        EXPECT_EQ(s.left, std::string(c.atExit) != "-") << t;
        if (s.left) {
            EXPECT_EQ(s.atExit, c.atExit) << t;
        }
        EXPECT_EQ(source.opens, source.closes);
    }
}

// A pick fills the field as typing would: the form counts as changed, so
// that leaving it by Esc asks first.
int gAsked = 0;
int askLeave(FxForm*) {
    ++gAsked;
    return 1;
}

TEST_F(AutoFillField, APickChangesTheForm) {
    Screen s;
    s.form.question = askLeave;
    gAsked = 0;
    FxTranscriptClear();
    EXPECT_EQ(run(s, &source, "%-10s", "type ab\npick 1"), "AB10");
    EXPECT_NE(transcript().find("field 1 filled \"AB10\""), std::string::npos) << transcript();
    EXPECT_EQ(gAsked, 1) << transcript();
}

// Many matches: one page is shown, the source is read no further.
TEST_F(AutoFillField, ADropListShowsOnePage) {
    std::vector<ListSource::Entry> many;
    for (int i = 0; i < 25; ++i) many.push_back({"A" + std::to_string(100 + i), ""});
    ListSource big(many);
    Screen s;
    FxTranscriptClear();
    EXPECT_EQ(run(s, &big, "%-10s", "type a\npick 10"), "A109");
    EXPECT_NE(transcript().find("autofill 10 \"A109\""), std::string::npos) << transcript();
    EXPECT_EQ(transcript().find("autofill 11 "), std::string::npos) << transcript();
}

} // namespace
