// Editing inside a field and input checking by picture, run by the script
// driver: the keys that move and delete, insert and overwrite, what each
// picture takes, the check when the cursor leaves, concealed fields.
#include "fx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// One field under test (field 1) and a plain field after it.
struct OneField {
    FxContext fx{};
    FxWindow window{};
    FxForm form{};
    ScreenField table[3]{};
    std::string prefill;
    bool left = false;
    std::string atExit;
    int lastKey = 0;
};

int onNew(void* c) {
    OneField* o = static_cast<OneField*>(c);
    if (!o->prefill.empty()) FxFieldSet(&o->form, 1, o->prefill.c_str());
    return 0;
}

int onExit(void* c) {
    OneField* o = static_cast<OneField*>(c);
    o->left = true;
    o->atExit = FxFieldGet(&o->form, 1);
    return FX_GO_ON;
}

int onKey(void* c) {
    OneField* o = static_cast<OneField*>(c);
    o->lastKey = o->fx.key;
    return FX_STAY;
}

// Runs the one-field screen over the script; the field's text at the end.
std::string runField(OneField& o, const char* picture, const std::string& script, uint16_t flags = 0) {
    std::memset(o.table, 0, sizeof o.table);
    o.table[0].number = 1;
    o.table[0].row = 1;
    o.table[0].column = 2;
    std::strncpy(o.table[0].picture, picture, sizeof o.table[0].picture - 1);
    o.table[0].flags = flags;
    o.table[0].exitHandler = onExit;
    o.table[1].number = 2;
    o.table[1].row = 2;
    o.table[1].column = 2;
    std::strcpy(o.table[1].picture, "%-5s");
    EXPECT_EQ(0, FxScriptLoad((script + "\nkey Enter\nkey Esc\n").c_str()));
    FxAppBegin(&o.fx);
    EXPECT_NE(0, FxFormLoad(&o.form, o.table, 1));
    FxWindowCreate(&o.window, 2, 2, 8, 60, 1, 1, ' ', nullptr);
    FxWindowSetName(&o.window, "RSEditTest");
    FxSetKeyHandler(&o.form, FX_KEY_CTRL_HOME, onKey);
    o.form.newRecord = onNew;
    FxWindowAttachForm(&o.window, &o.form, 0);
    FxAppRun(&o.fx, 0);
    std::string text = FxFieldGet(&o.form, 1);
    FxWindowClose(&o.window, 1);
    FxAppEnd(&o.fx);
    return text;
}

class Editing : public ::testing::Test {
protected:
    void SetUp() override {
        FxReset();
        FxUseScriptDriver();
    }
    void TearDown() override { FxReset(); }
};

struct EditCase {
    const char* picture;
    const char* prefill;
    const char* script;  // events; "key Enter" is added after them
    const char* stored;  // text of field 1 afterwards
    bool accepted;       // the cursor could leave the field
};

TEST_F(Editing, KeysAndPicturesDecideWhatIsStored) {
    const EditCase cases[] = {
        // editing keys on a text field holding "HELLO"
        {"%-10s", "HELLO", "key X", "X", true},                              // first key after entering replaces
        {"%-10s", "HELLO", "key Left\nkey Left\nkey X", "HELXLO", true},     // after a move it inserts
        {"%-10s", "HELLO", "key Home\nkey Del\nkey J", "JELLO", true},
        {"%-10s", "HELLO", "key Ins\nkey Home\nkey J", "JELLO", true},       // overwrite
        {"%-10s", "HELLO", "key Ins\nkey End\nkey S", "HELLOS", true},       // overwrite at the end appends
        {"%-10s", "HELLO", "key Backspace", "HELL", true},
        {"%-10s", "HELLO", "key End\nkey Left\nkey Backspace", "HELO", true},
        {"%-10s", "HELLO", "key Home\nkey Right\nkey Right\nkey Del\nkey Del", "HEO", true},
        {"%-10s", "HELLO", "key Home\nkey Left\nkey Backspace", "HELLO", true}, // nothing before the start
        {"%-10s", "HELLO", "key End\nkey Del\nkey Right\nkey !", "HELLO!", true},
        {"%-3s", "", "type abcd", "abc", true},                              // cut at the field's width
        {"%-5s", "ABCDE", "key Home\nkey Z", "ABCDE", true},                 // full: inserting is refused
        {"%-10sC", "", "key a\nkey b", "AB", true},                          // code pictures upper-case
        // whole numbers
        {"%6lu", "", "type -12x", "12", true},
        {"%6lu", "", "type 1234567", "123456", true},
        {"%6lu", "", "type 007", "7", true},
        {"%6lu", "", "key '1'\nkey '2'\nkey Home\nkey '9'", "912", true},
        {"%6ld", "", "type -45", "-45", true},
        {"%6ld", "", "type 4-5", "45", true},                                // a sign only in front
        {"%6ld", "", "type -", "-", false},
        // amounts
        {"%10.2f", "", "type 12.5", "12.50", true},
        {"%10.2f", "", "type 12.345", "12.34", true},
        {"%10.2f", "", "type -3", "-3.00", true},
        {"%10.2f", "", "type 1.2.3", "1.23", true},
        {"%10.2f", "", "type .", ".", false},
        {"%10.2f", "", "type 123456789", "123456789", false},               // does not fit its 10 places
        {"%8.2fu", "", "type -5", "5.00", true},
        {"%10.2f", "", "", "", true},                                        // untouched: no check
        // dates
        {"nn/nn/nnnn", "", "type 02/29/2024", "02/29/2024", true},
        {"nn/nn/nnnn", "", "type 02292024", "02/29/2024", true},            // the slashes come by themselves
        {"nn/nn/nnnn", "", "type 02/30/2024", "02/30/2024", false},
        {"nn/nn/nnnn", "", "type 31/02/2024", "31/02/2024", false},
        {"nn/nn/nnnn", "", "type 02/29/2023", "02/29/2023", false},
        {"nn/nn/nn", "", "type 12/31/25", "12/31/25", true},
        {"nn/nn/nn", "", "type 1x2", "12/", false},
        {"nn/nn/nnnn", "", "type 121126", "12/11/2026", true},              // a two-digit year in full
        {"nn/nn/nnnn", "", "type 12/11/26", "12/11/2026", true},
        {"nn/nn/nnnn", "", "type 010599", "01/05/1999", true},
        {"nn/nn/nnnn", "", "type 1/5/2026", "01/05/2026", true},            // one digit and a slash
        {"nn/nn/nn", "", "type 1/5/26", "01/05/26", true},
        {"nn/nn/nnnn", "", "type 13/01/26", "13/01/2026", false},           // no 13th month: refused, not changed
        {"nn/nn/nnnn", "", "type 1211", "12/11/", false},                   // no year
        {"nn/nn/nnnn", "", "type 1\nkey Backspace", "", true},               // emptied again: no date
        {"nn/nn/nnnn", "", "type 02/29/2024\nkey Left\nkey Left\nkey Left\nkey Left\nkey Left\nkey Backspace",
         "02/2 /2024", false},                                               // a place is blanked, the columns stay
    };
    for (const EditCase& c : cases) {
        FxReset();
        FxUseScriptDriver();
        OneField o;
        o.prefill = c.prefill;
        std::string stored = runField(o, c.picture, c.script);
        EXPECT_EQ(c.stored, stored) << c.picture << " / " << c.script;
        EXPECT_EQ(c.accepted, o.left || std::string(c.script).empty()) << c.picture << " / " << c.script << "\n"
                                                                      << FxTranscript();
        if (!c.accepted) {
            EXPECT_NE(std::string::npos, std::string(FxTranscript()).find("field 1 refused")) << c.script;
            EXPECT_NE(std::string::npos, std::string(FxTranscript()).find("beep")) << c.script;
        }
    }
}

TEST_F(Editing, ARefusedEntryKeepsTheCursorAndCanBeMended) {
    OneField o;
    std::string stored = runField(o, "nn/nn/nnnn", "type 02/30/2024\nkey Enter\nkey Left\nkey Left\nkey Left\nkey Left\nkey Left\nkey Left\nkey Left\nkey '2'\nkey '9'\nkey Enter");
    EXPECT_TRUE(o.left);
    EXPECT_EQ("02/29/2024", stored);
    const std::string t = FxTranscript();
    EXPECT_NE(std::string::npos, t.find("field 1 refused \"02/30/2024\": not a date of the calendar")) << t;
    // the refusal came before the exit handler: one exit, with the mended date
    EXPECT_EQ(t.find("field 1 exit"), t.rfind("field 1 exit"));
    EXPECT_NE(std::string::npos, t.find("field 1 exit \"02/29/2024\""));
}

TEST_F(Editing, ConcealedFieldsNeverShowInClear) {
    for (int how = 0; how < 2; ++how) {
        FxReset();
        FxUseScriptDriver();
        OneField o;
        std::string stored;
        if (how == 0) {
            stored = runField(o, "%-14s", "type secret\nkey Backspace\nkey T", FX_FIELD_CONCEALED);
        } else {
            o.prefill = "secret";
            // concealed by the call, before the run
            std::memset(o.table, 0, sizeof o.table);
            o.table[0] = {1, 1, 2, "%-14s", nullptr, 0, 0, onExit, nullptr, 0, {}, nullptr};
            ASSERT_EQ(0, FxScriptLoad("key End\nkey Backspace\nkey T\nkey Enter\nkey Esc\n"));
            FxAppBegin(&o.fx);
            ASSERT_NE(0, FxFormLoad(&o.form, o.table, 1));
            ASSERT_EQ(0, FxFieldSetConcealed(&o.form, 1, 1));
            FxWindowCreate(&o.window, 2, 2, 8, 60, 1, 1, ' ', nullptr);
            o.form.newRecord = onNew;
            FxWindowAttachForm(&o.window, &o.form, 0);
            FxAppRun(&o.fx, 0);
            stored = FxFieldGet(&o.form, 1);
            FxWindowClose(&o.window, 1);
            FxAppEnd(&o.fx);
        }
        EXPECT_EQ("secreT", stored);
        const std::string t = FxTranscript();
        EXPECT_EQ(std::string::npos, t.find("secre")) << t;
        EXPECT_NE(std::string::npos, t.find("\"******\"")) << t;
    }
}

TEST_F(Editing, CtrlHomeAndCtrlEndReachHandlers) {
    OneField o;
    runField(o, "%-10s", "key Ctrl+Home\nkey Ctrl+End");
    EXPECT_EQ(FX_KEY_CTRL_HOME, o.lastKey);
    EXPECT_NE(std::string::npos, std::string(FxTranscript()).find("key Ctrl+End -> no action"));
}

TEST_F(Editing, APictureTheFrameworkCannotReadStopsTheFormLoad) {
    const char* bad[] = {"%", "%-10q", "%5sZ", "--/--", "%300s"};
    for (const char* picture : bad) {
        FxReset();
        FxUseScriptDriver();
        FxContext fx{};
        FxForm form{};
        ScreenField table[3] = {};
        table[0] = {1, 1, 1, "%-5s", nullptr, 0, 0, nullptr, nullptr, 0, {}, nullptr};
        table[1] = {2, 2, 1, "", nullptr, 0, 0, nullptr, nullptr, 0, {}, nullptr};
        std::strncpy(table[1].picture, picture, sizeof table[1].picture - 1);
        FxAppBegin(&fx);
        EXPECT_EQ(0, FxFormLoad(&form, table, 1)) << picture;
        EXPECT_NE(std::string::npos, std::string(FxTranscript()).find("form load refused: field 2 picture")) << picture;
        FxAppEnd(&fx);
    }
}

} // namespace
