// The framework calls the screens and reports rely on, each against what
// its callers read from it: dates and times, passwords held in records,
// button lists, amounts, free space, text lists, sheets, device ports, the
// report block, key bindings made before a form load, the pop-up list and
// the answers of grid handlers.
#include "fx.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <cmath>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

class Calls : public ::testing::Test {
protected:
    void SetUp() override {
        FxReset();
        FxUseScriptDriver();
        char tmpl[] = "/tmp/fxcallsXXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override {
        FxReset();
        std::string cmd = "rm -rf '" + dir + "'";
        (void)std::system(cmd.c_str());
    }
    std::string path(const char* name) const { return dir + "/" + name; }
    static std::string slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir;
};

TEST_F(Calls, DateChecksReachBothMessages) {
    // 49 reads the text as a date, 50 also wants a year the program covers:
    // a date 49 takes and 50 refuses is the case of message 1672.
    struct Case {
        const char* text;
        int reads;  // 49
        int full;   // 50
    } cases[] = {
        {"12/31/25", 1, 1},   {"02/29/2024", 1, 1}, {"01/01/1900", 1, 1}, {"12/31/2099", 1, 1},
        {"01/01/1850", 1, 0}, {"01/01/2100", 1, 0}, {"02/30/2024", 0, 0}, {"13/01/2024", 0, 0},
        {"abc", 0, 0},        {"", 0, 0},           {"  /  /    ", 0, 0},
    };
    auto check = reinterpret_cast<int (*)(const char*)>(FxOrdinal(50));
    for (const Case& c : cases) {
        EXPECT_EQ(c.reads, FxDateValid(c.text)) << c.text;
        EXPECT_EQ(c.full, check(c.text)) << c.text;
    }
}

TEST_F(Calls, TimeOrDateTextByValue) {
    struct Case {
        int32_t value;
        const char* text;
    } cases[] = {
        {0, "00:00"}, {754, "12:34"}, {1439, "23:59"}, {20250105, "01/05/2025"}, {20240229, "02/29/2024"},
        {20230229, ""}, {-5, ""}, {1440, ""},
    };
    auto text48 = reinterpret_cast<char* (*)(char*, int32_t)>(FxOrdinal(48));
    for (const Case& c : cases) {
        char out[16] = "junk";
        EXPECT_STREQ(c.text, text48(out, c.value)) << c.value;
        EXPECT_LE(std::strlen(out), 10u); // fits the report block's 11 characters
    }
}

TEST_F(Calls, MonthsAndYearSteps) {
    char out[16];
    EXPECT_EQ(1, FxDateMonth(20250105));
    EXPECT_EQ(12, FxDateMonth(19991231));
    EXPECT_EQ(0, FxDateMonth(20251301));
    EXPECT_STREQ("Jan 05, 2025", FxDateWithMonth(out, 20250105, nullptr));
    EXPECT_STREQ("Dic 24, 2024", FxDateWithMonth(out, 20241224, "Dic"));
    EXPECT_STREQ("", FxDateWithMonth(out, 0, nullptr));
    // 70 with 1: one year on; a value that is not a date comes back as it was
    struct Case {
        int32_t value, moved;
    } cases[] = {{20240229, 20250228}, {20231231, 20241231}, {0, 0}, {-1, -1}, {45000, 45000}, {20241340, 20241340}};
    auto step = reinterpret_cast<int32_t (*)(int32_t, int)>(FxOrdinal(70));
    for (const Case& c : cases) EXPECT_EQ(c.moved, step(c.value, 1)) << c.value;
}

TEST_F(Calls, PasswordsHeldInRecordsRoundTrip) {
    char field[16] = "Secret 12";
    auto store = reinterpret_cast<char* (*)(char*)>(FxOrdinal(94));
    auto show = reinterpret_cast<char* (*)(char*)>(FxOrdinal(90));
    store(field);
    EXPECT_STRNE("Secret 12", field);
    EXPECT_EQ(9u, std::strlen(field)); // stays terminated where it was
    for (size_t i = 0; i < 9; ++i) {
        char c = "Secret 12"[i];
        FxCharTransform89(&c);
        EXPECT_EQ(c, field[i]);
    }
    show(field);
    EXPECT_STREQ("Secret 12", field);
}

TEST_F(Calls, ButtonListsAndPositiveAmounts) {
    char list[64] = "";
    auto add = reinterpret_cast<char* (*)(char*, const char*)>(FxOrdinal(226));
    add(list, "Continue");
    add(list, "Cancel");
    add(list, "F1 Help");
    EXPECT_STREQ("Continue,Cancel,F1 Help", list);
    char withDefault[64] = "\x02";
    add(withDefault, "Continue");
    add(withDefault, "Cancel");
    EXPECT_STREQ("\x02" "Continue,Cancel", withDefault);
    auto positive = reinterpret_cast<int (*)(double)>(FxOrdinal(428));
    EXPECT_EQ(1, positive(0.01));
    EXPECT_EQ(0, positive(0.0005));
    EXPECT_EQ(0, positive(0.0));
    EXPECT_EQ(0, positive(-3.0));
}

int fakeSpace(const char* folder, uint64_t* bytes) {
    if (std::strstr(folder, "unreadable")) return -1;
    *bytes = std::strlen(folder) * 1000;
    return 0;
}

TEST_F(Calls, FreeSpaceFromASettableSource) {
    auto space = reinterpret_cast<int (*)(const char*, uint64_t*)>(FxOrdinal(435));
    uint64_t bytes = 1;
    EXPECT_EQ(0, space(dir.c_str(), &bytes)); // the file system
    EXPECT_GT(bytes, 0u);
    FxSetFreeSpaceSource(fakeSpace);
    EXPECT_EQ(0, space("/abc", &bytes));
    EXPECT_EQ(4000u, bytes);
    FxSetDataFolder("/data/co1");
    EXPECT_EQ(0, space(nullptr, &bytes)); // the data folder
    EXPECT_EQ(9000u, bytes);
    EXPECT_EQ(-1, space("/unreadable", &bytes));
    EXPECT_EQ(0u, bytes);
    FxSetFreeSpaceSource(nullptr);
    EXPECT_EQ(-1, space("/no/such/folder/here", &bytes));
}

TEST_F(Calls, TextListsLoadByNumberOrSplitAColumnList) {
    auto load = reinterpret_cast<int (*)(intptr_t, char**, int*, int*, int)>(FxOrdinal(492));
    char* lines[8] = {};
    int width = 0, count = 0;
    const char* columns = "Customers|1,2,3|4,5||7";
    ASSERT_EQ(0, load(reinterpret_cast<intptr_t>(columns), lines, &width, &count, 8));
    ASSERT_EQ(5, count);
    EXPECT_STREQ("Customers", lines[0]);
    EXPECT_STREQ("1,2,3", lines[1]);
    EXPECT_STREQ("4,5", lines[2]);
    EXPECT_STREQ("", lines[3]);
    EXPECT_STREQ("7", lines[4]);
    EXPECT_EQ(nullptr, lines[5]);
    EXPECT_EQ(9, width);
    FxTextListFree(lines);
    // at most capacity - 1 parts
    ASSERT_EQ(0, load(reinterpret_cast<intptr_t>("a|b|c|d"), lines, &width, &count, 3));
    EXPECT_EQ(2, count);
    FxTextListFree(lines);
    // a number loads the text list of that number
    FxResourceAdd(FX_RES_TEXTLIST, 120, 0, "First line", 11);
    FxResourceAdd(FX_RES_TEXTLIST, 120, 1, "Second", 7);
    ASSERT_EQ(0, load(120, lines, &width, &count, 8));
    EXPECT_EQ(2, count);
    EXPECT_STREQ("Second", lines[1]);
    FxTextListFree(lines);
    EXPECT_NE(0, load(121, lines, &width, &count, 8));
}

TEST_F(Calls, SheetsOpenedByFileNameAreWorkbooks) {
    auto open = reinterpret_cast<int (*)(int, int, int, const char*, void*)>(FxOrdinal(512));
    auto close = reinterpret_cast<int (*)(void*)>(FxOrdinal(513));
    alignas(8) unsigned char block[FX_SHEET_BLOCK];
    ASSERT_EQ(0, open(3, 0, 0, path("list.xlsx").c_str(), block));
    FxSheet* s = reinterpret_cast<FxSheet*>(block);
    FxSheetText(s, "Say \"hi\"");
    FxSheetNumber(s, 2.5);
    FxSheetEndRow(s);
    FxSheetText(s, "a\x01,b\x80");   // a control byte is dropped; 0x80 is the euro sign
    FxSheetNumber(s, std::nan(""));   // not a number: written as text
    EXPECT_FALSE(std::filesystem::exists(path("list.xlsx"))) << "the file is put in place at the close";
    EXPECT_EQ(0, close(block));
    EXPECT_FALSE(std::filesystem::exists(path("list.xlsx.part")));
    std::string rows;
    const std::string command = "/usr/bin/python3 -c \"import openpyxl,sys\nfor r in openpyxl.load_workbook(sys.argv[1])"
                                ".active.iter_rows(values_only=True): print(repr(r))\" " + path("list.xlsx");
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[1024];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) rows.append(buffer, n);
        ::pclose(p);
    }
    EXPECT_EQ(rows, "('Say \"hi\"', 2.5)\n('a,b\u20ac', 'NaN')\n");
    EXPECT_EQ(-1, close(block)); // not open any more
    EXPECT_EQ(-1, open(1, 0, 0, path("no/such/folder/x.xlsx").c_str(), block));
    EXPECT_FALSE(std::filesystem::exists(path("no")));
}

TEST_F(Calls, PrinterPortsTakeCodesAndCloseByPortAndHandle) {
    FxSetDeviceFolder(dir.c_str());
    uint16_t codes[24];
    for (int i = 0; i < 24; ++i) codes[i] = static_cast<uint16_t>(0x100 | (i + 1)); // the low byte goes out
    auto control = reinterpret_cast<int (*)(int, int, const void*, int)>(FxOrdinal(1452));
    EXPECT_EQ(0, control(1, 24, codes, 1));
    std::string expect;
    for (int i = 0; i < 24; ++i) expect += static_cast<char>(i + 1);
    const int32_t block[3] = {27, 40, 0};
    EXPECT_EQ(0, control(1, 5, block, 0));
    expect += std::string(reinterpret_cast<const char*>(block), 12);
    EXPECT_EQ(expect, slurp(path("LPT2.out")));
    auto ready = reinterpret_cast<int (*)(int, int, int, int)>(FxOrdinal(1454));
    EXPECT_NE(0, ready(1, 0, 1, 1));
    int h = -1;
    ASSERT_EQ(0, FxParallelOpen(1, 1, &h, 0));
    auto close = reinterpret_cast<int (*)(int, int)>(FxOrdinal(1451));
    EXPECT_EQ(0, close(1, h));
    EXPECT_EQ(0, close(1, -1)); // nothing open: nothing to do
    FxSetDeviceFolder(path("missing/deeper").c_str());
    EXPECT_EQ(0, ready(1, 0, 3, 1));
    EXPECT_NE(std::string::npos, std::string(FxTranscript()).find("printer LPT2 not ready"));
}

TEST_F(Calls, ReportBlockAsTheReportWriterReadsIt) {
    auto get = reinterpret_cast<FxReportBlock* (*)(void)>(FxOrdinal(1430));
    FxReportBlock* b = get();
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(b, FxReportBlockGet()); // one block for the whole run
    unsigned char* raw = reinterpret_cast<unsigned char*>(b);
    b->flags |= 0x40;
    FxTimeToText(b->date, 20250105);
    uint32_t word;
    std::memcpy(&word, raw, 4);
    EXPECT_EQ(0x40u, word);
    EXPECT_EQ(0, std::memcmp(raw + 4, "01/05/2025", 11));
    FxReset();
    EXPECT_EQ(0u, FxReportBlockGet()->flags);
}

TEST_F(Calls, ProgramTitleAndConvertedTexts) {
    FxSetAppTitle("Point of Sale");
    auto title = reinterpret_cast<char* (*)(char*)>(FxOrdinal(1326));
    EXPECT_STREQ("Point of Sale", title(nullptr));
    char text[] = "Version 01.02";
    EXPECT_EQ(text, title(text));
    EXPECT_STREQ("Version 01.02", text);
}

TEST_F(Calls, KeyFlushDropsPostedKeys) {
    FxPostKey('A');
    FxPostKey('B');
    EXPECT_EQ(0, reinterpret_cast<int (*)(void)>(FxOrdinal(500))());
    ASSERT_EQ(0, FxScriptLoad("key C\n"));
    EXPECT_EQ('C', FxGetKey(1));
}

TEST_F(Calls, ScreenKeysTakeControlLettersAndTypedTextAndEndWhenTheScriptRunsOut) {
    ASSERT_EQ(0, FxScriptLoad("key Ctrl+L\nkey ctrl+r\ntype ab\nkey Alt+B\n"));
    const int expected[] = {12, 18, 'a', 'b', 0x3000, FX_KEY_ESC, FX_KEY_ESC, FX_KEY_ESC, 0};
    for (int key : expected)
        EXPECT_EQ(key, FxScreenKey("RSNoteEditor"));
    const std::string t = FxTranscript();
    EXPECT_NE(std::string::npos, t.find("type \"ab\"")) << t;
    EXPECT_NE(std::string::npos, t.find("run forced closed RSNoteEditor")) << t;
    EXPECT_EQ(-1, FxScriptLoad("key Ctrl+1\n")) << "only letters have a Ctrl+ name";
}

TEST_F(Calls, WindowMarksAndCursor) {
    FxWindow w{};
    ASSERT_EQ(0, FxWindowCreate(&w, 2, 1, 20, 77, 1, 1, ' ', nullptr));
    FxWindowSetName(&w, "RSNoteEditor");
    FxTranscriptClear();
    EXPECT_EQ(0, FxWindowMark(&w, 3, 1, 75));
    EXPECT_EQ(0, FxWindowMark(&w, 3, 1, 75));
    EXPECT_EQ(0, FxWindowMark(&w, 4, 1, 75));
    EXPECT_EQ(0, FxWindowMark(&w, 3, 0, 0));
    EXPECT_EQ(0, FxWindowMark(&w, -1, 0, 0));
    EXPECT_EQ(0, FxWindowCursor(&w, 5, 7));
    EXPECT_EQ("mark RSNoteEditor 3,1 75\nmark RSNoteEditor 4,1 75\nmark RSNoteEditor 3 none\nmark RSNoteEditor none\n",
              std::string(FxTranscript())) << "a mark set twice is written once";
    FxWindowClose(&w, 1);
    EXPECT_EQ(-1, FxWindowMark(&w, 3, 1, 5));
    EXPECT_EQ(-1, FxWindowCursor(&w, 1, 1));
}

TEST_F(Calls, WindowPromptOnTheLastRow) {
    FxWindow w{};
    ASSERT_EQ(0, FxWindowCreate(&w, 5, 10, 12, 60, 1, 1, ' ', nullptr));
    FxWindowSetName(&w, "RSWait");
    auto prompt = reinterpret_cast<int (*)(FxWindow*, const char*)>(FxOrdinal(1043));
    EXPECT_EQ(0, prompt(&w, "Press Enter to go on"));
    EXPECT_NE(std::string::npos, std::string(FxTranscript()).find("text RSWait 6,1 \"Press Enter to go on\""));
    FxWindowClose(&w, 1);
    EXPECT_EQ(-1, prompt(&w, "x"));
}

// ---- progress windows

int countLines(const std::string& text, const std::string& prefix) {
    int n = 0;
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1))
        if (at == 0 || text[at - 1] == '\n') ++n;
    return n;
}

void addScreenText(const char* name, int line, const char* text) {
    char data[256] = {};
    std::strncpy(data, name, 31);
    std::strncpy(data + 32, text, 200);
    FxResourceAdd(FX_RES_SCREEN, 1, line, data, 32 + static_cast<int>(std::strlen(text)) + 1);
}

TEST_F(Calls, ProgressKeepsOneLinePerWholePercent) {
    struct Case {
        int total, steps, lines;
    } cases[] = {
        {1000, 1000, 101},  // 0% (the first steps) and each percent up to 100
        {50, 50, 50},       // fewer steps than percents: every step
        {3, 3, 3},
        {0, 1000, 10},      // no total: 1, 2, 5, 10 ... 1000
        {2000000, 2000000, 101},
    };
    for (const Case& c : cases) {
        FxReset();
        FxUseScriptDriver();
        FxStatus* p = FxProgressOpen("RSMsgCreateFiles", c.total);
        for (int i = 1; i <= c.steps; ++i) FxProgressStep(p, i);
        FxProgressClose(p);
        std::string t = FxTranscript();
        EXPECT_EQ(c.lines, countLines(t, "progress RSMsgCreateFiles ")) << c.total;
        if (c.total) {
            EXPECT_NE(std::string::npos, t.find("progress RSMsgCreateFiles " + std::to_string(c.total) + "/")) << c.total;
        }
    }
}

TEST_F(Calls, ProgressAndStatusTitlesFromTheScreenResources) {
    addScreenText("RSMsgCreateFiles", 0, "Creating the data files");
    addScreenText("RSMsgCreateFiles", FX_SCREEN_TITLE_LINE, "New Company");
    FxStatus* p = FxProgressOpen("RSMsgCreateFiles", 10);
    FxProgressSetTitle(p, "Data Files");
    FxProgressClose(p);
    FxStatus* s = FxStatusOpen("RSMsgCreateFiles", 0);
    FxStatusClose(s);
    const std::string t = FxTranscript();
    EXPECT_NE(std::string::npos, t.find("progress open RSMsgCreateFiles 10 \"New Company\"\n")) << t;
    EXPECT_NE(std::string::npos, t.find("progress title \"Data Files\"\nprogress close RSMsgCreateFiles\n")) << t;
    // the title is not one of the status window's text lines
    EXPECT_NE(std::string::npos, t.find("status RSMsgCreateFiles line 0 \"Creating the data files\"\nstatus close"));
}

TEST_F(Calls, TranscriptToAFile) {
    ASSERT_EQ(0, FxTranscriptToFile(path("transcript.txt").c_str()));
    FxTranscriptNote("first");
    FxBeep();
    ASSERT_EQ(0, FxTranscriptToFile(nullptr));
    FxTranscriptNote("not in the file");
    EXPECT_EQ("note \"first\"\nbeep\n", slurp(path("transcript.txt")));
    EXPECT_EQ(-1, FxTranscriptToFile(path("no/such/folder/t.txt").c_str()));
}

// ---- screens

struct Small {
    FxContext fx;
    FxWindow window;
    FxForm form;
    ScreenField table[2];
    int f5 = 0;
};

TEST_F(Calls, FormLoadKeepsBindingsMadeBeforeIt) {
    Small s{};
    s.table[0] = {1, 1, 2, "%-8s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    ASSERT_EQ(0, FxScriptLoad("key F5\nkey F10\n"));
    FxAppBegin(&s.fx);
    FxSetKeyHandler(&s.form, 0x3F00, [](void* c) -> int {
        ++static_cast<Small*>(c)->f5;
        return FX_STAY;
    });
    FxSetKeyHandler(&s.form, FX_KEY_F10, [](void*) -> int { return FX_LEAVE; });
    ASSERT_NE(0, FxFormLoad(&s.form, s.table, 1));
    FxWindowCreate(&s.window, 1, 1, 5, 40, 1, 1, ' ', nullptr);
    FxWindowAttachForm(&s.window, &s.form, 0);
    EXPECT_EQ(FX_KEY_F10, FxAppRun(&s.fx, 0));
    EXPECT_EQ(1, s.f5);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    // a later screen with a form at the same place starts without them
    ASSERT_EQ(0, FxScriptLoad("key F5\nkey Esc\n"));
    FxAppBegin(&s.fx);
    ASSERT_NE(0, FxFormLoad(&s.form, s.table, 1));
    FxWindowCreate(&s.window, 1, 1, 5, 40, 1, 1, ' ', nullptr);
    FxWindowAttachForm(&s.window, &s.form, 0);
    EXPECT_EQ(FX_KEY_ESC, FxAppRun(&s.fx, 0));
    EXPECT_EQ(1, s.f5);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
}

TEST_F(Calls, PopupTakesItsPlaceF1AndF10) {
    ASSERT_EQ(0, FxScriptLoad("key F1\nkey Down\nkey F10\nkey Esc\npick 3\n"));
    EXPECT_EQ(3, FxPopupChoose("\x01Red,Green,Blue", 6, 4, 2)); // F1 shows help and asks again; Down; F10 picks
    EXPECT_EQ(0, FxPopupChoose("\x01Red,Green,Blue", 6, 4, 2)); // Esc
    EXPECT_EQ(3, FxPopupChoose("\x01Red,Green,Blue", -1, -1, 1));
    const std::string t = FxTranscript();
    EXPECT_NE(std::string::npos, t.find("help 1 0\npopup [Red,Green,Blue] at 6,4 -> Blue (F10)")) << t;
    EXPECT_NE(std::string::npos, t.find("popup [Red,Green,Blue] at 6,4 -> none (Esc)"));
}

// Grid handler answers: a screen of a main form (two fields) over a grid
// holding one line; F5 on the grid and on the main form answers what the
// case gives.
struct Lines {
    FxContext fx;
    FxWindow window;
    FxForm main;
    FxForm grid;
    ScreenField mainTable[3];
    ScreenField gridTable[2];
};
int gAnswer = 0;

int answerF5(void* c) {
    Lines* l = static_cast<Lines*>(c);
    if (gAnswer == 0x84) FxFocusField(&l->main, 2);
    return gAnswer;
}

std::string runLines(int answer, bool fromGrid, int (*lineLeave)(void*) = nullptr) {
    gAnswer = answer;
    Lines l{};
    l.mainTable[0] = {1, 1, 2, "%-8s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    l.mainTable[1] = {2, 1, 20, "%-8s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    l.gridTable[0] = {1, 3, 2, "%-8s", nullptr, 1, 0, nullptr, nullptr, 0, {}, nullptr};
    EXPECT_EQ(0, FxScriptLoad(fromGrid ? "key Enter\nkey Enter\nkey F5\nkey F10\n" : "key Enter\nkey F5\nkey F10\n"));
    FxAppBegin(&l.fx);
    FxFormLoad(&l.main, l.mainTable, 1);
    FxFormLoad(&l.grid, l.gridTable, 1);
    FxWindowCreate(&l.window, 1, 0, 20, 79, 1, 1, ' ', nullptr);
    FxWindowSetName(&l.window, "RSLines");
    l.grid.lineLeave = lineLeave;
    FxSetKeyHandler(fromGrid ? &l.grid : &l.main, 0x3F00, answerF5);
    FxSetKeyHandler(&l.main, FX_KEY_F10, [](void*) -> int { return FX_LEAVE; });
    FxWindowAttachForm(&l.window, &l.main, 0);
    FxGridBlock block{4, 1, 78, 1};
    FxGridAttach(&l.main, &l.grid, &block);
    FxGridLine(&l.fx, &l.grid, FxGridNewLine(&l.grid, 8), 0x200000);
    FxAppRun(&l.fx, 0);
    FxWindowClose(&l.window, 1);
    FxAppEnd(&l.fx);
    std::string t = FxTranscript();
    size_t at = t.find("key F5 -> ");
    if (at == std::string::npos) return t;
    at = t.find('\n', at) + 1;
    return t.substr(at, t.find("key F10") - at);
}

TEST_F(Calls, GridAnswersMoveBetweenTheForms) {
    struct Case {
        int answer;
        bool fromGrid;
        const char* after; // transcript lines after "key F5 -> ..."
    } cases[] = {
        {FX_RECORD_DONE, true, "line leave 0 -> 0\nline enter 1 new\nfield 1 enter \"\"\n"
                               "grid row 1 \"\"\ngrid row 2 > \"\"\n"}, // the line is done
        {4, true, "field 2 enter \"\"\n"},                                                   // back to the main form, where it was
        {6, true, "record done\nfield 1 enter \"\"\n"},
        {0x84, true, "field 2 enter \"\"\n"},                                                // at the field set
        {0x10000, true, "grid filled\n"},
        {0x10006, false, "grid filled\ngrid row 1 > \"\"\ngrid row 2 \"\"\nline enter 0\nfield 1 enter \"\"\n"}, // into the list
        {0x10002, false, "grid filled\ngrid row 1 > \"\"\ngrid row 2 \"\"\nline enter 0\nfield 1 enter \"\"\n"},
        {0x40002, true, "grid changed\nrecord done\nfield 1 enter \"\"\n"},                   // list emptied, record done
        {0x40006, true, "grid changed\nrecord done\nfield 1 enter \"\"\n"},
        {0x80002, true, "grid changed\nline enter 0\nfield 1 enter \"\"\n"},                  // a line removed: taken up again
        {FX_RECORD_DONE, false, "record done\nfield 1 enter \"\"\n"},
    };
    for (const Case& c : cases) {
        FxReset();
        FxUseScriptDriver();
        EXPECT_EQ(c.after, runLines(c.answer, c.fromGrid)) << std::hex << c.answer << " " << c.fromGrid;
    }
}

TEST_F(Calls, ALineHandlerAnsweringTwoLeavesTheLine) {
    std::string t = runLines(FX_RECORD_DONE, true, [](void*) -> int { return FX_RECORD_DONE; });
    EXPECT_EQ("line leave 0 -> record done\nline enter 1 new\nfield 1 enter \"\"\ngrid row 1 \"\"\ngrid row 2 > \"\"\n", t);
}

} // namespace

namespace {

// Every ordinal written in fx.h ("/* (NNN)") reaches a call, and no two
// declarations claim the same ordinal.
TEST(OrdinalComments, EveryOrdinalInTheHeaderReachesACall) {
    std::ifstream in(std::string(FX_TEST_DIR) + "/../../../platform/framework/include/fx.h");
    ASSERT_TRUE(in.good());
    std::string line;
    std::map<int, std::string> seen;
    while (std::getline(in, line)) {
        if (line.rfind("FX_API", 0) != 0) continue;
        size_t c = line.find("/* (");
        if (c == std::string::npos) continue;
        int ordinal = std::atoi(line.c_str() + c + 4);
        size_t open = line.find('(');
        size_t nameStart = line.rfind(' ', open) + 1;
        std::string name = line.substr(nameStart, open - nameStart);
        while (!name.empty() && name[0] == '*') name.erase(0, 1);
        EXPECT_NE(nullptr, FxOrdinal(ordinal)) << name << " (" << ordinal << ")";
        EXPECT_TRUE(seen.emplace(ordinal, name).second) << ordinal << ": " << name << " and " << seen[ordinal];
    }
    EXPECT_GT(seen.size(), 200u);
}

} // namespace

namespace {

// A call given the wrong kind of object refuses with a transcript line; it
// never falls back to the last form or window.
TEST(WrongObjects, AreRefusedNotGuessed) {
    FxReset();
    FxUseScriptDriver();
    FxContext fx{};
    FxForm form{};
    FxForm other{};
    FxWindow window{};
    ScreenField table[2] = {};
    table[0] = {1, 1, 1, "%-5sm", "\x01Yes,No", 0, 0, nullptr, nullptr, 0, {}, nullptr};
    FxAppBegin(&fx);
    ASSERT_NE(0, FxFormLoad(&form, table, 1));
    ASSERT_EQ(0, FxWindowCreate(&window, 1, 1, 5, 40, 1, 1, ' ', nullptr));
    // the form is in no window: its text is refused, not written to the last window
    EXPECT_EQ(-1, FxFormText(&form, 1, 1, 0, "x", 0));
    EXPECT_EQ(-1, FxFormText(&other, 1, 1, 0, "x", 0));
    // choice letters on a window without a form
    EXPECT_EQ(-1, FxSetChoiceLetters(&window, 0, 1, "\x02YN"));
    FxWindowAttachForm(&window, &form, 0);
    EXPECT_EQ(0, FxSetChoiceLetters(&window, 0, 1, "\x02YN"));
    EXPECT_EQ(0, FxFormText(&form, 1, 1, 0, "x", 0));
    // a progress line for no progress window
    FxStatus* p = FxProgressOpen("RSMsgCreateFiles", 3);
    EXPECT_EQ(-1, FxProgressSetLine(nullptr, 0, "x"));
    EXPECT_EQ(0, FxProgressSetLine(p, 0, "x"));
    FxProgressClose(p);
    FxWindowClose(&window, 1);
    FxAppEnd(&fx);
    const std::string t = FxTranscript();
    EXPECT_NE(std::string::npos, t.find("form text refused: the form is in no window"));
    EXPECT_NE(std::string::npos, t.find("form text refused: not a loaded form"));
    EXPECT_NE(std::string::npos, t.find("choice letters refused: no form in the window given"));
    EXPECT_NE(std::string::npos, t.find("progress line refused: not an open progress window"));
    FxReset();
}

} // namespace
