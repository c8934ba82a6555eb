// The frame around the screens: the key bar laid out from the key-menu
// table, the F2 options list, F1 and Shift+F1 help windows, window titles
// from the screen resources.
#include "fx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        FxReset();
        FxUseScriptDriver();
    }
    void TearDown() override { FxReset(); }
};

struct Row {
    int key;
    const char* keyText;
    const char* caption;
    int parent;
};

void fillMenu(FxForm& form, const std::vector<Row>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
        FxKeyMenuItem& m = form.keys.menu[i];
        m.key = rows[i].key;
        m.keyCopy = rows[i].key;
        m.parent = rows[i].parent;
        std::strncpy(m.keyText, rows[i].keyText, sizeof m.keyText - 1);
        std::strncpy(m.caption, rows[i].caption, sizeof m.caption - 1);
    }
}

const std::vector<Row> kShort = {{FX_KEY_F1, "F1", "Help", 0}, {FX_KEY_F10, "F10", "Save", 0}, {27, "ESC", "Cancel", 0}};
const std::vector<Row> kLong = {
    {FX_KEY_F1, "F1", "Help", 0},           {0x3C00, "F2", "Options", 0},
    {0x3D00, "F3", "Look Up Customer", 0},  {0x3E00, "F4", "Look Up Product", 0},
    {0x3F00, "F5", "Change Sort Order", 0}, {0x4000, "F6", "Delete Record", 0},
    {0x4100, "F7", "Notes", 0},             {0x5B00, "\x18" "F8", "Set Default", 0},
    {0x4300, "F9", "Print Report", 0},      {FX_KEY_F10, "F10", "Save Record", 0},
    {0x1E00, "AltA", "Audit Trail", 0x3C00}, {27, "ESC", "Leave Without Saving", 0},
};

TEST_F(Frame, KeyBarFitsItsWidth) {
    struct Case {
        const std::vector<Row>* rows;
        int width;
        int offKey;          // a key switched off, or 0
        int expectRows;
        const char* expect;  // whole text, or null: only the widths are checked
    } cases[] = {
        {&kShort, 80, 0, 1, "F1 Help  F10 Save  ESC Cancel"},
        {&kShort, 80, FX_KEY_F10, 1, "F1 Help  (F10 Save)  ESC Cancel"},
        {&kShort, 20, 0, 2, "F1 Help  F10 Save\nESC Cancel"},
        {&kLong, 80, 0, 2, nullptr},
        {&kLong, 60, 0, 2, nullptr},
        {&kLong, 40, 0, 2, nullptr},
        {&kLong, 12, 0, 2, nullptr},
    };
    for (const Case& c : cases) {
        FxContext fx{};
        FxForm form{};
        ScreenField table[2] = {};
        table[0] = {1, 1, 1, "%-5s", nullptr, 0, 0, nullptr, nullptr, 0, {}, nullptr};
        FxAppBegin(&fx);
        ASSERT_NE(0, FxFormLoad(&form, table, 1));
        fillMenu(form, *c.rows);
        if (c.offKey) FxSetKeyState(&form, c.offKey, 0);
        char out[512];
        EXPECT_EQ(c.expectRows, FxKeyBarText(&form, c.width, out, sizeof out)) << c.width;
        std::string text = out;
        if (c.expect) {
            EXPECT_EQ(c.expect, text);
        }
        size_t start = 0;
        for (size_t nl; start <= text.size(); start = nl + 1) {
            nl = text.find('\n', start);
            if (nl == std::string::npos) nl = text.size();
            EXPECT_LE(nl - start, static_cast<size_t>(c.width)) << text;
        }
        EXPECT_EQ(std::string::npos, text.find("Audit")) << "rows under F2 stay off the bar";
        if (c.rows == &kLong && c.width >= 60) {
            EXPECT_NE(std::string::npos, text.find("Shift+F8")) << text;
            EXPECT_NE(std::string::npos, text.find("F10 Save")) << text;
        }
        FxAppEnd(&fx);
    }
}

struct Screen1 {
    FxContext fx;
    FxWindow window;
    FxForm form;
    ScreenField table[2];
    int audit = 0;
};

std::string runScreen(const char* script, const std::vector<Row>& menu) {
    Screen1 s{};
    s.table[0] = {1, 1, 2, "%-8s", nullptr, 7, 0, nullptr, nullptr, 0, {}, nullptr};
    EXPECT_EQ(0, FxScriptLoad(script));
    FxAppBegin(&s.fx);
    FxFormLoad(&s.form, s.table, 1);
    fillMenu(s.form, menu);
    FxWindowCreate(&s.window, 2, 2, 10, 60, 1, 1, ' ', nullptr);
    FxWindowSetName(&s.window, "RSFileCreate");
    FxSetKeyHandler(&s.form, 0x1E00, [](void* c) -> int {
        ++static_cast<Screen1*>(c)->audit;
        return FX_STAY;
    });
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    return FxTranscript();
}

TEST_F(Frame, TitlesFromTheScreenResources) {
    char data[64] = "RSFileCreate";
    std::strcpy(data + 32, "Create a Company");
    FxResourceAdd(FX_RES_SCREEN, 1, FX_SCREEN_TITLE_LINE, data, 32 + 17);
    std::string t = runScreen("key Esc\n", kShort);
    EXPECT_NE(std::string::npos, t.find("window name RSFileCreate \"Create a Company\"\n")) << t;
}

TEST_F(Frame, F2ListsTheOptionsAndRunsThePickedKey) {
    std::string t = runScreen("key F2\npick 1\nkey Esc\n", kLong);
    EXPECT_NE(std::string::npos, t.find("popup [Audit Trail] at -1,-1 -> Audit Trail\nkey Alt+A -> stay")) << t;
}

TEST_F(Frame, F1ShowsTheScreensHelpAndEscClosesIt) {
    char tmpl[] = "/tmp/fxhelpXXXXXX";
    std::string dir = mkdtemp(tmpl);
    std::ofstream(dir + "/HELP.HLP") << "General help\n@RSFileCreate\nType the folder of the new company.\n"
                                        "F10 creates it.\n@7\nThe folder of the company.\n@RSOther\nOther.\n";
    FxSetHelpFolder(dir.c_str());
    FxSetHelpFile("HELP.HLP");
    std::string t = runScreen("key F1\nkey Esc\nkey Shift+F1\nkey Esc\nkey Esc\n", kShort);
    EXPECT_NE(std::string::npos, t.find("help open \"Help\"\nhelp line \"Type the folder of the new company.\"\n"
                                        "help line \"F10 creates it.\"\nhelp close\n"))
        << t;
    EXPECT_NE(std::string::npos, t.find("help open \"Field help\"\nhelp line \"The folder of the company.\"\nhelp close\n"));
    EXPECT_NE(std::string::npos, t.find("run end RSFileCreate Esc")); // the third Esc leaves the screen
    // a screen without a topic gets the general help; no file: a plain line
    FxReset();
    FxUseScriptDriver();
    FxSetHelpFolder(dir.c_str());
    FxSetHelpFile("HELP.HLP");
    std::ofstream(dir + "/HELP.HLP") << "General help\n";
    t = runScreen("key F1\nkey Esc\nkey Esc\n", kShort);
    EXPECT_NE(std::string::npos, t.find("help open \"Help\" (general)\nhelp line \"General help\"\nhelp close\n")) << t;
    std::remove((dir + "/HELP.HLP").c_str());
    rmdir(dir.c_str());
}

struct Folders {
    FxContext fx;
    FxWindow window;
    FxForm form;
    ScreenField table[2];
    char buffer[260];
};

std::string browse(const std::string& start, const char* script, std::string& buffer) {
    Folders s{};
    s.table[0] = {1, 1, 2, "%-143s", nullptr, 0, 0, nullptr, nullptr, 0, {}, nullptr};
    EXPECT_EQ(0, FxScriptLoad(script));
    FxAppBegin(&s.fx);
    FxFormLoad(&s.form, s.table, 1);
    FxWindowCreate(&s.window, 2, 2, 10, 60, 1, 1, ' ', nullptr);
    EXPECT_EQ(0, FxAttachFolderBrowse(&s.form, 1, "Company folder", s.buffer));
    EXPECT_EQ(-1, FxAttachFolderBrowse(&s.form, 7, "none", nullptr));
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxFieldSet(&s.form, 1, start.c_str());
    s.form.newRecord = nullptr;
    FxAppRun(&s.fx, 0);
    std::string text = FxFieldGet(&s.form, 1);
    buffer = s.buffer;
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    return text;
}

TEST_F(Frame, FolderBrowserGoesInAndUpAndPicks) {
    char tmpl[] = "/tmp/fxbrowseXXXXXX";
    std::string dir = mkdtemp(tmpl);
    for (const char* sub : {"/alpha", "/beta", "/beta/gamma", "/.hidden"}) mkdir((dir + sub).c_str(), 0755);
    std::ofstream(dir + "/beta/file.txt") << "x"; // files are not listed
    struct Case {
        const char* script;
        std::string field;
    } cases[] = {
        {"key F5\npick 3\npick 2\nkey F10\nkey Esc\n", dir + "/beta/gamma/"},      // in, in, pick
        {"key F5\nkey Down\nkey Down\nkey Enter\nkey Backspace\nkey F10\nkey Esc\n", dir + "/"},
        {"key F5\npick 1\nkey F10\nkey Esc\n", dir.substr(0, dir.rfind('/') + 1)},  // ".." goes up
        {"key F5\nkey Esc\nkey Esc\n", dir},                                         // left: the field keeps its text
    };
    for (const Case& c : cases) {
        FxReset();
        FxUseScriptDriver();
        std::string buffer;
        // the field starts empty each run (the form starts empty): the browser
        // starts from the working folder then, so give the start by typing
        std::string script = std::string("type ") + dir + "\n" + c.script;
        EXPECT_EQ(c.field, browse(dir, script.c_str(), buffer)) << c.script << FxTranscript();
        if (c.field != dir) {
            EXPECT_EQ(c.field, buffer);
        }
    }
    const std::string t = FxTranscript();
    EXPECT_NE(std::string::npos, t.find("browse left"));
    std::string cmd = "rm -rf '" + dir + "'";
    (void)std::system(cmd.c_str());
}

TEST_F(Frame, PrinterChoiceEndsWithFile) {
    ASSERT_EQ(0, FxScriptLoad("pick 1\nkey Esc\nkey End\n"));
    char out[32];
    EXPECT_EQ(1, FxChoosePrinter("IBM-Default,Office", out, sizeof out));
    EXPECT_STREQ("IBM-Default", out);
    EXPECT_EQ(0, FxChoosePrinter("IBM-Default", out, sizeof out));
    EXPECT_STREQ("", out);
    const std::string t = FxTranscript();
    EXPECT_NE(std::string::npos, t.find(",file] at -1,-1 -> IBM-Default")) << t;
}

TEST_F(Frame, DeviceOutputNeedsAFolder) {
    const uint16_t codes[] = {27, 112};
    EXPECT_EQ(-1, FxDeviceSend(0, 2, codes)); // neither a device nor a data folder: nothing written here
    EXPECT_NE(std::string::npos, std::string(FxTranscript()).find("device LPT1 refused: no device folder is set"));
    EXPECT_NE(0, access("LPT1.out", F_OK));
    char tmpl[] = "/tmp/fxdevXXXXXX";
    std::string dir = mkdtemp(tmpl);
    FxSetDataFolder(dir.c_str());
    EXPECT_EQ(0, FxDeviceSend(0, 2, codes)); // the data folder serves until the station sets one
    EXPECT_EQ(0, access((dir + "/LPT1.out").c_str(), F_OK));
    std::string cmd = "rm -rf '" + dir + "'";
    (void)std::system(cmd.c_str());
}

} // namespace
