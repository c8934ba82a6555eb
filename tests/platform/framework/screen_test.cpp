// Screens run by the script driver: fields and choice lists, handler
// answers driving the loop, message boxes, whole transcripts, exhaustion.
#include "fx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kYesNo[] = "\x01Yes,No";
const char kKinds[] = "\x02Normal,Non-Inventory,Negative";

// A small editor: code (upper-case code picture), name, a Yes/No choice, a
// kind choice whose default is option 2, and a display-only amount.
const ScreenField kTemplate[] = {
    {1, 2, 10, "%-10sC", nullptr, 2, 0, nullptr, nullptr, 0, {}, nullptr},
    {2, 3, 10, "%-20s", nullptr, 3, 0, nullptr, nullptr, 0, {}, nullptr},
    {3, 4, 10, "%-5sm", kYesNo, 4, 0, nullptr, nullptr, 0, {}, nullptr},
    {4, 5, 10, "%-14sm", kKinds, 5, 0, nullptr, nullptr, 0, {}, nullptr},
    {5, 6, 10, "%10.2f", nullptr, 1, 0, nullptr, nullptr, 1, {}, nullptr},
    {0, 0, 0, "", nullptr, 0, 0, nullptr, nullptr, 0, {}, nullptr},
};

struct Editor {
    FxContext fx;  // first, as every screen context begins
    FxWindow window;
    FxForm form;
    ScreenField table[6];
    std::vector<std::string> saved;
    int newRecords = 0;
    int nestedResult = -1;
};


int onNewRecord(void* c) {
    Editor* e = static_cast<Editor*>(c);
    ++e->newRecords;
    FxFieldSet(&e->form, 5, "0.00");
    return 0;
}

int onCodeExit(void* c) {
    Editor* e = static_cast<Editor*>(c);
    if (FxIsEmpty(FxFieldGet(&e->form, 1))) {
        FxMessageBox(nullptr, "A code is required.", nullptr, FX_MB_OK, 0);
        return FX_STAY;
    }
    return FX_GO_ON;
}

int onSave(void* c) {
    Editor* e = static_cast<Editor*>(c);
    if (FxIsEmpty(FxFieldGet(&e->form, 2))) {
        FxFocusField(&e->form, 2);
        return FX_STAY_FOCUSED;
    }
    e->saved.push_back(std::string(FxFieldGet(&e->form, 1)) + "|" + FxFieldGet(&e->form, 2) + "|" +
                       std::to_string(FxChoiceGet(&e->form, 3)) + "|" + std::to_string(FxChoiceGet(&e->form, 4)));
    return FX_RECORD_DONE;
}

int onDelete(void*) {
    return FxMessageBox(nullptr, "Delete this record?", nullptr, FX_MB_YESNO | FX_MB_ICONQUESTION, 0) == FX_ID_YES
               ? FX_LEAVE
               : FX_STAY;
}

int runSmallScreen();

int onNested(void* c) {
    Editor* e = static_cast<Editor*>(c);
    e->nestedResult = runSmallScreen();
    return FX_STAY;
}

int onClose(void* c) {
    static_cast<FxContext*>(c)->key = FX_KEY_ESC;
    return FX_GO_ON;
}

int askLeave(FxForm*) {
    return FxMessageBox(nullptr, "Abandon changes?", nullptr, FX_MB_YESNO, 0) == FX_ID_YES ? 1 : 0;
}

// A second screen run from a key handler of the first.
int runSmallScreen() {
    struct Small {
        FxContext fx;
        FxWindow window;
        FxForm form;
        ScreenField table[2];
    } s{};
    s.table[0] = {1, 1, 8, "%-8s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, s.table, 1)) return -1;
    FxWindowCreate(&s.window, 10, 20, 12, 40, 1, 1, ' ', "Small");
    FxWindowSetName(&s.window, "RSSmall");
    FxSetKeyHandler(&s.form, FX_KEY_F10, [](void*) -> int { return FX_LEAVE; });
    FxWindowAttachForm(&s.window, &s.form, 0);
    int key = FxAppRun(&s.fx, 1);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    return key;
}

int runEditor(Editor& e) {
    std::memcpy(e.table, kTemplate, sizeof kTemplate);
    e.table[0].exitHandler = onCodeExit;
    FxAppBegin(&e.fx);
    if (!FxFormLoad(&e.form, e.table, 1)) return -1;
    if (FxWindowCreate(&e.window, 1, 1, 10, 60, 1, 1, ' ', nullptr) != 0) return -1;
    FxWindowSetName(&e.window, "RSEditSample");
    FxSetKeyHandler(&e.form, FX_KEY_ESC, onClose);
    FxSetKeyHandler(&e.form, FX_KEY_F10, onSave);
    FxSetKeyHandler(&e.form, 0x4000, onDelete);    // F6
    FxSetKeyHandler(&e.form, 0x4200, onNested);    // F8
    FxSetKeyHandler(&e.form, 0x3F00, nullptr);     // F5 bound to nothing
    e.form.newRecord = onNewRecord;
    e.form.question = askLeave;
    FxWindowAttachForm(&e.window, &e.form, 0);
    int key = FxAppRun(&e.fx, 0);
    FxWindowClose(&e.window, 1);
    FxAppEnd(&e.fx);
    return key;
}

// A screen label of a field (drawn before it; a field without one is a
// layout problem the loop names).
void label(const char* screen, int field, const char* text) {
    char data[256] = {};
    std::strncpy(data, screen, 31);
    std::strncpy(data + 32, text, sizeof data - 33);
    FxResourceAdd(FX_RES_SCREEN, 0, FX_SCREEN_LABEL_LINE + field, data, 32 + static_cast<int>(std::strlen(text)) + 1);
}

class Screen : public ::testing::Test {
protected:
    void SetUp() override {
        FxReset();
        FxUseScriptDriver();
        for (int field = 1; field <= 4; ++field) label("RSEditSample", field, "Value:");
        label("RSSmall", 1, "Text:");
    }
    void TearDown() override { FxReset(); }
    static std::string transcript() { return FxTranscript(); }
};

TEST_F(Screen, SampleScreenTranscriptWhole) {
    const std::string dir = FX_TEST_DIR;
    ASSERT_EQ(0, FxScriptLoadFile((dir + "/sample_screen.script").c_str()));
    Editor e{};
    EXPECT_EQ(0x4000, runEditor(e));
    std::ifstream expected(dir + "/sample_screen.transcript");
    std::stringstream text;
    text << expected.rdbuf();
    ASSERT_FALSE(text.str().empty());
    EXPECT_EQ(text.str(), transcript());
    ASSERT_EQ(1u, e.saved.size());
    EXPECT_EQ("ABC|Widget|2|2", e.saved[0]);
    EXPECT_EQ(2, e.newRecords);
}

TEST_F(Screen, ChoiceListsAndPictures) {
    Editor e{};
    std::memcpy(e.table, kTemplate, sizeof kTemplate);
    FxAppBegin(&e.fx);
    ASSERT_NE(0, FxFormLoad(&e.form, e.table, 1));
    // Defaults come from the first byte of each list.
    EXPECT_EQ(1, FxChoiceGet(&e.form, 3));
    EXPECT_STREQ("Yes", FxFieldGet(&e.form, 3));
    EXPECT_EQ(2, FxChoiceGet(&e.form, 4));
    EXPECT_STREQ("Non-Inventory", FxFieldGet(&e.form, 4));
    // Selecting by number and by text; out of range is refused.
    EXPECT_EQ(0, FxChoiceSet(&e.form, 3, 2));
    EXPECT_STREQ("No", FxFieldGet(&e.form, 3));
    EXPECT_EQ(-1, FxChoiceSet(&e.form, 3, 3));
    EXPECT_EQ(2, FxChoiceGet(&e.form, 3));
    EXPECT_EQ(0, FxFieldSet(&e.form, 4, "negative"));
    EXPECT_EQ(3, FxChoiceGet(&e.form, 4));
    EXPECT_EQ(-1, FxFieldSet(&e.form, 4, "Other"));
    EXPECT_EQ(0, FxChoiceGet(&e.form, 2)); // not a choice field
    // Text fields are cut to the picture's width; unknown fields are empty.
    EXPECT_EQ(0, FxFieldSet(&e.form, 1, "ABCDEFGHIJKLMNOP"));
    EXPECT_STREQ("ABCDEFGHIJ", FxFieldGet(&e.form, 1));
    EXPECT_STREQ("", FxFieldGet(&e.form, 9));
    EXPECT_EQ(-1, FxFieldSet(&e.form, 9, "x"));
    // The blank and open-range test.
    int out = -1;
    EXPECT_NE(0, FxFieldIsEmpty(&e.form, 2, 0, &out));
    EXPECT_EQ(1, out);
    FxFieldSet(&e.form, 2, "First");
    EXPECT_NE(0, FxFieldIsEmpty(&e.form, 2, 0, nullptr));
    FxFieldSet(&e.form, 2, "Firsthand");
    EXPECT_EQ(0, FxFieldIsEmpty(&e.form, 2, 0, nullptr));
    FxAppEnd(&e.fx);
}

TEST_F(Screen, TypedTextFollowsPictureAndFieldStates) {
    // field 1 is upper-cased by its 'C' picture; the display-only field 5
    // and a hidden field 2 are skipped by the cursor.
    ASSERT_EQ(0, FxScriptLoad("type ab12\nkey Enter\ntype Y\nkey Tab\nfield 5 9.99\nkey Esc\n"));
    Editor e{};
    std::memcpy(e.table, kTemplate, sizeof kTemplate);
    FxAppBegin(&e.fx);
    FxFormLoad(&e.form, e.table, 1);
    FxFieldSetState(&e.form, 2, 2);
    FxWindowCreate(&e.window, 0, 0, 10, 50, 1, 1, ' ', nullptr);
    FxWindowSetName(&e.window, "RSStates");
    FxWindowAttachForm(&e.window, &e.form, 0);
    EXPECT_EQ(FX_KEY_ESC, FxAppRun(&e.fx, 0));
    FxAppEnd(&e.fx);
    std::string t = transcript();
    EXPECT_NE(std::string::npos, t.find("field 1 type \"AB12\"\nfield 1 exit \"AB12\" -> 0\nfield 3 enter \"Yes\"\n"));
    EXPECT_NE(std::string::npos, t.find("field 3 type \"Yes\"\nfield 3 exit \"Yes\" -> 0\nfield 4 enter"));
    EXPECT_NE(std::string::npos, t.find("field 5 cannot take input"));
    EXPECT_EQ(std::string::npos, t.find("field 2 enter"));
    EXPECT_EQ(FX_KEY_ESC, e.fx.key);
    EXPECT_NE(0, FxIsLeaveKey(&e.fx));
}

TEST_F(Screen, HandlerAnswersDriveTheLoop) {
    // F10 with an empty name: the handler focuses field 2 and stays (0x80);
    // the code exit with an empty code shows a message and stays (0x20);
    // F5 is bound to nothing; F7 is not bound at all; F8 runs a nested
    // screen that F10 leaves; F10 then saves (2: the form starts empty);
    // Esc on the changed form asks the question, No stays, Esc again and
    // Yes leaves.
    ASSERT_EQ(0, FxScriptLoad("key Enter\n"
                              "answer OK\n"
                              "type X1\n"
                              "key F10\n"
                              "type Name\n"
                              "key F5\n"
                              "key F7\n"
                              "key F8\n"
                              "type inner\n"
                              "key F10\n"
                              "key F10\n"
                              "type changed\n"
                              "key Esc\n"
                              "answer No\n"
                              "key Esc\n"
                              "answer Yes\n"));
    Editor e{};
    EXPECT_EQ(FX_KEY_ESC, runEditor(e));
    std::string t = transcript();
    EXPECT_NE(std::string::npos, t.find("message \"A code is required.\" [OK] -> OK\nfield 1 exit \"\" -> stay\n"));
    EXPECT_NE(std::string::npos, t.find("key F10 -> stay focused\nfield 2 type \"Name\""));
    EXPECT_NE(std::string::npos, t.find("key F5 -> no action\nkey F7 -> no action\n"));
    EXPECT_NE(std::string::npos, t.find("run begin RSSmall nested\nfield 1 enter \"\"\nfield 1 type \"inner\"\n"
                                        "key F10 -> leave\nrun end RSSmall F10\nwindow close RSSmall\nkey F8 -> stay\n"));
    EXPECT_NE(std::string::npos, t.find("message \"Abandon changes?\" [Yes,No] -> No\nleave refused\n"));
    EXPECT_NE(std::string::npos, t.find("message \"Abandon changes?\" [Yes,No] -> Yes\nrun end RSEditSample Esc\n"));
    EXPECT_EQ(0x4400, e.nestedResult);
    ASSERT_EQ(1u, e.saved.size());
    EXPECT_EQ("X1|Name|1|2", e.saved[0]);
    EXPECT_EQ(0, FxScriptRemaining());
}

TEST_F(Screen, KeyStatesAndReleasedKeys) {
    ASSERT_EQ(0, FxScriptLoad("key F6\nkey F10\nkey Esc\n"));
    Editor e{};
    std::memcpy(e.table, kTemplate, sizeof kTemplate);
    FxAppBegin(&e.fx);
    FxFormLoad(&e.form, e.table, 1);
    FxWindowCreate(&e.window, 0, 0, 10, 50, 1, 1, ' ', "Keys");
    FxSetKeyHandler(&e.form, 0x4000, onDelete);
    FxSetKeyHandler(&e.form, FX_KEY_F10, onSave);
    FxSetKeyState(&e.form, 0x4000, 0);
    FxReleaseKey(&e.form, FX_KEY_F10);
    FxWindowAttachForm(&e.window, &e.form, 0);
    EXPECT_EQ(FX_KEY_ESC, FxAppRun(&e.fx, 0));
    FxAppEnd(&e.fx);
    std::string t = transcript();
    EXPECT_NE(std::string::npos, t.find("key F6 -> off\nkey F10 -> no action\nkey Esc\nrun end Keys Esc\n"));
    EXPECT_TRUE(e.saved.empty());
}

TEST_F(Screen, MessageBoxesAnsweredByScript) {
    struct Case {
        int style;
        const char* answer; // null: the script has run out
        int result;
    };
    const Case cases[] = {
        {FX_MB_YESNO, "Yes", FX_ID_YES},
        {FX_MB_YESNO, "no", FX_ID_NO},
        {FX_MB_YESNO, "2", FX_ID_NO},
        {FX_MB_YESNO, nullptr, FX_ID_NO},
        {FX_MB_OKCANCEL, nullptr, FX_ID_CANCEL},
        {FX_MB_YESNOCANCEL, "Cancel", FX_ID_CANCEL},
        {FX_MB_YESNO | 0x100, "Enter", FX_ID_NO}, // second button is the default
        {FX_MB_OK, "Esc", FX_ID_OK},
    };
    for (const Case& c : cases) {
        FxReset();
        FxUseScriptDriver();
        if (c.answer) {
            std::string line = std::string(strcmp(c.answer, "Enter") == 0 ? "key " : "answer ") + c.answer + "\n";
            ASSERT_EQ(0, FxScriptLoad(line.c_str()));
        }
        EXPECT_EQ(c.result, FxMessageBox(nullptr, "Text", "Caption", c.style, 0)) << c.style << " " << (c.answer ? c.answer : "(none)");
    }
    // The text, the buttons and the answer are in the transcript.
    FxReset();
    FxUseScriptDriver();
    FxScriptLoad("answer No\n");
    FxMessageBoxEx("Line one\nLine two", nullptr, FX_MB_YESNO);
    EXPECT_EQ("message \"Line one\\nLine two\" [Yes,No] -> No\n", transcript());
}

TEST_F(Screen, ChoiceDialogWithButtonList) {
    char line1[] = "The posting date is outside the period.";
    char* lines[] = {line1, nullptr};
    char buttons[] = " Continue,Cancel,F1 Help";
    // The default slot names button 2; F1 Help shows help and asks again.
    buttons[0] = 2;
    ASSERT_EQ(0, FxScriptLoad("answer F1 Help\nkey Enter\nanswer Continue\n"));
    EXPECT_EQ(2, FxChoiceDialog(lines, buttons, 5, 2185, nullptr, 0));
    EXPECT_EQ(1, FxChoiceDialog(lines, buttons, 5, 2185, nullptr, 0));
    EXPECT_EQ(2, FxChoiceDialog(lines, buttons, 5, 2185, nullptr, 0)); // run out: Cancel
    const char* expected =
        "message \"The posting date is outside the period.\" [Continue,Cancel,F1 Help] -> F1 Help\n"
        "help 1 2185\n"
        "message \"The posting date is outside the period.\" [Continue,Cancel,F1 Help] -> Cancel\n"
        "message \"The posting date is outside the period.\" [Continue,Cancel,F1 Help] -> Continue\n"
        "script exhausted\n"
        "message \"The posting date is outside the period.\" [Continue,Cancel,F1 Help] -> Cancel (Esc)\n";
    EXPECT_EQ(expected, transcript());
    // A Yes/No list with a leading default byte.
    FxTranscriptClear();
    FxScriptLoad("answer No\n");
    EXPECT_EQ(2, FxChoiceDialog(lines, "\x01Yes,No", 5, 0, nullptr, 0));
}

TEST_F(Screen, ScriptExhaustionEndsAsEsc) {
    // A screen with nothing scripted ends as by Esc; one whose Esc handler
    // refuses to leave is closed after three such answers.
    Editor e{};
    EXPECT_EQ(FX_KEY_ESC, runEditor(e));
    EXPECT_NE(std::string::npos, transcript().find("script exhausted\nkey Esc -> 0\nrun end RSEditSample Esc\n"));

    FxReset();
    FxUseScriptDriver();
    struct Stubborn {
        FxContext fx;
        FxWindow window;
        FxForm form;
        ScreenField table[2];
    } s{};
    s.table[0] = {1, 1, 1, "%-5s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    FxAppBegin(&s.fx);
    FxFormLoad(&s.form, s.table, 1);
    FxWindowCreate(&s.window, 0, 0, 5, 20, 1, 1, ' ', "Stubborn");
    FxSetKeyHandler(&s.form, FX_KEY_ESC, [](void*) -> int { return FX_STAY; });
    EXPECT_EQ(FX_KEY_ESC, FxAppRun(&s.fx, 0));
    FxAppEnd(&s.fx);
    EXPECT_NE(std::string::npos, transcript().find("run forced closed Stubborn\nrun end Stubborn Esc\n"));

    // A blocking key read waiting for Enter cannot spin for ever.
    int key = 0, reads = 0;
    while (key != FX_KEY_ENTER && reads < 100) {
        FxKeyRead(&key, 1, 0);
        ++reads;
    }
    EXPECT_EQ(FX_KEY_ENTER, key);
    EXPECT_LT(reads, 20);
}

TEST_F(Screen, BadScriptLinesAreRefusedWhole) {
    EXPECT_EQ(-1, FxScriptLoad("key F10\nkey F11\n"));
    EXPECT_EQ(-1, FxScriptLoad("answer\n"));
    EXPECT_EQ(-1, FxScriptLoad("field 0 x\n"));
    EXPECT_EQ(-1, FxScriptLoad("jump 3\n"));
    EXPECT_EQ(0, FxScriptRemaining());
    EXPECT_EQ(0, FxScriptLoad("# a comment\n\nkey Shift+F6\nkey Alt+T\nkey 0x4400\nwait\n"));
    EXPECT_EQ(4, FxScriptRemaining());
    int k = 0;
    EXPECT_EQ(1, FxKeyRead(&k, 0, 1));
    EXPECT_EQ(0x5900, k);
    EXPECT_EQ(0x1400, FxGetKey(1));
    EXPECT_EQ(0x4400, FxGetKey(1));
    EXPECT_EQ(0, FxGetKey(0)); // the "wait" line: no key
    EXPECT_EQ(-2, FxScriptLoadFile("/nonexistent/script.txt"));
}

TEST_F(Screen, StatusAndProgressWindows) {
    FxStatus* s = FxStatusOpen("RSMsgPostingCOA", 0);
    ASSERT_NE(nullptr, s);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(0, FxStatusUpdate(s, 0));
    EXPECT_EQ(0, FxStatusSetLine(s, 2, "Account 1000"));
    EXPECT_EQ(0, FxStatusClose(s));
    FxStatus* p = FxProgressOpen("RSMsgConversionStatus", 2);
    FxProgressStep(p, 1);
    FxProgressSetLine(p, 0, "BPOSCUST.DB");
    FxProgressStep(p, 2);
    FxProgressClose(p);
    const char* expected =
        "status open RSMsgPostingCOA\n"
        "status RSMsgPostingCOA line 2 \"Account 1000\"\n"
        "status close RSMsgPostingCOA after 3 updates\n"
        "progress open RSMsgConversionStatus 2\n"
        "progress RSMsgConversionStatus 1/2\n"
        "status RSMsgConversionStatus line 0 \"BPOSCUST.DB\"\n"
        "progress RSMsgConversionStatus 2/2\n"
        "progress close RSMsgConversionStatus\n";
    EXPECT_EQ(expected, transcript());
}

TEST_F(Screen, WindowsAndPlacement) {
    FxWindow w{};
    EXPECT_EQ(-1, FxWindowCreate(&w, 10, 5, 4, 20, 1, 1, ' ', nullptr)); // bottom above top
    EXPECT_EQ(0, FxWindowCreate(&w, 3, 4, 14, 76, 1, 1, ' ', nullptr));
    EXPECT_EQ(0, FxWindowHasForm(&w));
    EXPECT_EQ(0, FxWindowText(&w, 2, 2, -1, "Hello", 0));
    EXPECT_EQ(0, FxWindowClose(&w, 1));
    EXPECT_EQ(-1, FxWindowClose(&w, 1)); // closed once only
    FxRect r{};
    ASSERT_EQ(0, FxPlaceWindow(-1, -1, 5, 40, &r));
    EXPECT_EQ(10, r.top);
    EXPECT_EQ(20, r.left);
    EXPECT_EQ(14, r.bottom);
    EXPECT_EQ(59, r.right);
    ASSERT_EQ(0, FxPlaceWindow(2, 3, 4, 10, &r));
    EXPECT_EQ(2, r.top);
    EXPECT_EQ(5, r.bottom);
    EXPECT_EQ(12, r.right);
}

TEST_F(Screen, PopupListPick) {
    ASSERT_EQ(0, FxScriptLoad("pick 2\nanswer Delimited Text\n"));
    EXPECT_EQ(2, FxPopupChoose("Text,Delimited Text,HTML", 13, 24, 1));
    EXPECT_EQ(2, FxPopupChoose("Text,Delimited Text,HTML", 13, 24, 1));
    EXPECT_EQ(0, FxPopupChoose("Text,Delimited Text,HTML", 13, 24, 1)); // run out
    char out[32];
    EXPECT_STREQ("HTML", FxChoiceText(out, "\x01Text,Delimited Text,HTML", 3));
}

TEST_F(Screen, OrdinalTableMatchesTheCalls) {
    EXPECT_EQ(reinterpret_cast<void*>(&FxToday), FxOrdinal(59));
    EXPECT_EQ(reinterpret_cast<void*>(&FxIsZeroAmount), FxOrdinal(418));
    EXPECT_EQ(reinterpret_cast<void*>(&FxPadBlanks), FxOrdinal(545));
    EXPECT_EQ(reinterpret_cast<void*>(&FxFormLoad), FxOrdinal(271));
    EXPECT_EQ(reinterpret_cast<void*>(&FxCharTransform88), FxOrdinal(88));
    EXPECT_EQ(reinterpret_cast<void*>(&FxApp), FxOrdinal(1290));
    EXPECT_EQ(nullptr, FxOrdinal(9999));
    EXPECT_EQ(nullptr, FxOrdinal(1)); // no framework call has ordinal 1
    // Called through the table, a call behaves as itself.
    auto pad = reinterpret_cast<char* (*)(char*, int)>(FxOrdinal(545));
    char text[16] = "POS";
    EXPECT_STREQ("POS   ", pad(text, 7));
}

TEST_F(Screen, ApplicationObject) {
    FxAppSetUserId("SUPERVISOR");
    FxAppSetPassword("a very long password indeed");
    FxAppSetParameterText("CODE='A100'");
    FxAppSetStationText("ST01");
    FxAppObject* app = FxApp();
    EXPECT_STREQ("SUPERVISOR", app->userId);
    EXPECT_STREQ("a very long pas", app->password); // 15 characters kept
    EXPECT_STREQ("CODE='A100'", FxAppParameterText());
    EXPECT_STREQ("ST01", FxAppStationText());
    EXPECT_EQ(0, FxAppFirstRun());
    FxReset();
    EXPECT_STREQ("", FxAppUserId());
}

} // namespace

namespace {

// A header form with one field and a grid of lines {code, quantity}.
struct Line {
    char code[11];
    int quantity;
};

struct GridScreen {
    FxContext fx;
    FxWindow window;
    FxForm main;
    FxForm grid;
    ScreenField mainTable[2];
    ScreenField gridTable[3];
};

int gridLineEnter(void* c) {
    GridScreen* g = static_cast<GridScreen*>(c);
    if (Line* l = static_cast<Line*>(FxGridCurrent(&g->grid))) {
        FxFieldSet(&g->grid, 1, l->code);
        FxFieldSet(&g->grid, 2, std::to_string(l->quantity).c_str());
    }
    return FX_GO_ON;
}

int gridLineLeave(void* c) {
    GridScreen* g = static_cast<GridScreen*>(c);
    if (FxIsEmpty(FxFieldGet(&g->grid, 1))) return FX_GO_ON; // a blank line is not kept
    int qty = std::atoi(FxFieldGet(&g->grid, 2));
    if (qty <= 0) {
        FxFocusField(&g->grid, 2);
        return FX_STAY_FOCUSED;
    }
    Line* l = static_cast<Line*>(FxGridCurrent(&g->grid));
    if (!l) {
        l = static_cast<Line*>(FxGridNewLine(&g->grid, sizeof(Line)));
        FxGridLine(c, &g->grid, l, 0x200000);
    }
    std::snprintf(l->code, sizeof l->code, "%s", FxFieldGet(&g->grid, 1));
    l->quantity = qty;
    return FX_GO_ON;
}

int gridRemoveLine(void* c) {
    GridScreen* g = static_cast<GridScreen*>(c);
    FxGridLine(c, &g->grid, nullptr, 0x400000);
    return 0x80002;
}

TEST_F(Screen, GridLinesEnterLeaveAndRemove) {
    GridScreen g{};
    g.mainTable[0] = {1, 1, 10, "%-10s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    g.gridTable[0] = {1, 3, 2, "%-10sC", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    g.gridTable[1] = {2, 3, 14, "%5d", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    // Two lines typed; the second is given a bad quantity first; Up goes
    // back to line 0, Shift+F6 removes it; F10 leaves.
    ASSERT_EQ(0, FxScriptLoad("type Header\nkey Enter\n"
                              "type a1\nkey Enter\ntype 3\nkey Enter\n"
                              "type b2\nkey Enter\ntype 0\nkey Enter\ntype 4\nkey Enter\n"
                              "key Up\nkey Up\nkey Shift+F6\nkey F10\n"));
    FxAppBegin(&g.fx);
    ASSERT_NE(0, FxFormLoad(&g.main, g.mainTable, 1));
    ASSERT_NE(0, FxFormLoad(&g.grid, g.gridTable, 1));
    FxWindowCreate(&g.window, 1, 0, 20, 79, 1, 1, ' ', "Lines");
    g.grid.lineEnter = gridLineEnter;
    g.grid.lineLeave = gridLineLeave;
    FxSetKeyHandler(&g.main, FX_KEY_F10, [](void*) -> int { return FX_LEAVE; });
    FxSetKeyHandler(&g.grid, 0x5900, gridRemoveLine);
    FxWindowAttachForm(&g.window, &g.main, 0);
    FxGridBlock block{4, 1, 78, 1};
    ASSERT_EQ(0, FxGridAttach(&g.main, &g.grid, &block));
    EXPECT_EQ(FX_KEY_F10, FxAppRun(&g.fx, 0));
    ASSERT_EQ(1, FxGridCount(&g.grid));
    Line* l = static_cast<Line*>(FxGridFirst(&g.grid));
    ASSERT_NE(nullptr, l);
    EXPECT_STREQ("B2", l->code);
    EXPECT_EQ(4, l->quantity);
    EXPECT_EQ(nullptr, FxGridNext(&g.grid));
    std::string t = FxTranscript();
    EXPECT_NE(std::string::npos, t.find("field 1 exit \"Header\" -> 0\nline enter 0 new\nfield 1 enter \"\"\n"));
    EXPECT_NE(std::string::npos, t.find("field 2 exit \"0\" -> 0\nline leave 1 -> stay focused\n"));
    EXPECT_NE(std::string::npos, t.find("line leave 1 -> 0\nline enter 2 new\n"));
    EXPECT_NE(std::string::npos, t.find("line leave 1 -> 0\nline enter 0\nfield 1 enter \"A1\"\n"));
    EXPECT_NE(std::string::npos, t.find("key Shift+F6 -> 0x80002\ngrid changed\ngrid row 1 > \"B2              4\"\n"
                                      "grid row 2 \"\"\nline enter 0\nfield 1 enter \"B2\"\n"))
        << t;
    FxAppEnd(&g.fx);
}

} // namespace

namespace {

TEST_F(Screen, ChoiceLettersAndWindowsLeftOpen) {
    // Item type "Normal,Non-Inventory,Negative" answers to N, I and G.
    ASSERT_EQ(0, FxScriptLoad("type G\nkey Enter\ntype i\n"));
    struct S {
        FxContext fx;
        FxWindow window;
        FxForm form;
        ScreenField table[3];
    } s{};
    s.table[0] = {1, 1, 1, "%-14sm", kKinds, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    s.table[1] = {2, 2, 1, "%-14sm", kKinds, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    FxAppBegin(&s.fx);
    FxFormLoad(&s.form, s.table, 1);
    FxWindowCreate(&s.window, 0, 0, 5, 40, 1, 1, ' ', "Kinds");
    FxWindowAttachForm(&s.window, &s.form, 0);
    EXPECT_EQ(0, FxSetChoiceLetters(&s.window, 0, 1, "\x03NIG"));
    EXPECT_EQ(-1, FxSetChoiceLetters(&s.window, 0, 7, "\x03NIG"));
    FxAppRun(&s.fx, 0);
    EXPECT_EQ(3, FxChoiceGet(&s.form, 1)); // G: Negative
    EXPECT_EQ(2, FxChoiceGet(&s.form, 2)); // no letters here and no option begins with 'i': the default stays
    FxAppEnd(&s.fx); // the window was not closed by the screen
    EXPECT_EQ(0, s.window.open);
    EXPECT_NE(std::string::npos, std::string(FxTranscript()).find("window close Kinds (left open by its screen)\n"));
    EXPECT_EQ(-1, FxWindowClose(&s.window, 1));
}

} // namespace

namespace {

int jumpToFour(void* c) {
    FxFocusField(&static_cast<Editor*>(c)->form, 4);
    return FX_GO_ON;
}

TEST_F(Screen, AcceptingHandlerThatFocusesIsFollowed) {
    ASSERT_EQ(0, FxScriptLoad("type A\nkey Enter\nkey Enter\n"));
    Editor e{};
    std::memcpy(e.table, kTemplate, sizeof kTemplate);
    e.table[0].exitHandler = jumpToFour;
    FxAppBegin(&e.fx);
    FxFormLoad(&e.form, e.table, 1);
    FxWindowCreate(&e.window, 0, 0, 10, 50, 1, 1, ' ', "Jump");
    FxWindowAttachForm(&e.window, &e.form, 0);
    FxAppRun(&e.fx, 0);
    FxAppEnd(&e.fx);
    // field 1 goes to field 4 (not 2); the second Enter leaves 4 for 1
    // (5 is display-only), wrapping round.
    EXPECT_NE(std::string::npos,
              std::string(FxTranscript()).find("field 1 exit \"A\" -> 0\nfield 4 enter \"Non-Inventory\"\n"
                                               "field 4 exit \"Non-Inventory\" -> 0\nfield 1 enter \"A\"\n"));
}

} // namespace
