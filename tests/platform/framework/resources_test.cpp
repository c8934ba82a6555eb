// Screen resources read from record-manager files, and the tolerance of
// missing files.
#include "fx.h"
#include "recman.h"
#include "recman_testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

void put16(uint8_t* p, int v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Writes a resource file: key 0 is kind, number, line (unsigned 2-byte
// segments).
int writeResourceFile(const std::string& path, const FxResourceRecord* records, int count) {
    uint8_t spec[16] = {};
    put16(spec, FX_RES_RECORD_LENGTH);
    put16(spec + 2, 4096);
    spec[4] = 1;
    uint8_t keys[3 * 16 + 16] = {};
    for (int i = 0; i < 3; ++i) {
        uint8_t* s = keys + i * 16;
        put16(s, 1 + i * 2);
        put16(s + 2, 2);
        put16(s + 4, KF_EXTENDED | (i < 2 ? KF_SEGMENTED : 0));
        s[10] = KT_UNSIGNED;
    }
    int st = BtrCreateFile(path.c_str(), spec, keys);
    if (st) return st;
    uint16_t h = 0;
    if ((st = BtrOpenFile(&h, path.c_str(), 0, 0))) return st;
    for (int i = 0; i < count && !st; ++i) {
        FxResourceRecord r = records[i];
        char key[16];
        st = BtrWrite(B_INSERT, h, key, &r, sizeof r);
    }
    BtrCloseFile(h);
    return st;
}

FxResourceRecord text(int kind, int number, int line, const char* t) {
    FxResourceRecord r{};
    r.kind = static_cast<uint16_t>(kind);
    r.number = static_cast<uint16_t>(number);
    r.line = static_cast<uint16_t>(line);
    std::strncpy(r.data, t, sizeof r.data - 1);
    r.length = static_cast<uint16_t>(std::strlen(r.data) + 1);
    return r;
}

FxResourceRecord lineItem(int number, int line, int type, int row, int col, const char* picture) {
    FxLineItem it{};
    it.type = static_cast<uint8_t>(type);
    it.row = static_cast<uint8_t>(row);
    it.column = static_cast<uint8_t>(col);
    std::strcpy(it.picture, picture);
    FxResourceRecord r{};
    r.kind = FX_RES_LINEITEMS;
    r.number = static_cast<uint16_t>(number);
    r.line = static_cast<uint16_t>(line);
    r.length = sizeof it;
    std::memcpy(r.data, &it, sizeof it);
    return r;
}

FxResourceRecord formField(int number, int line, int field, int row, int col, const char* picture, int prompt) {
    FxStoredField f{};
    f.number = static_cast<uint8_t>(field);
    f.row = static_cast<uint8_t>(row);
    f.column = static_cast<uint8_t>(col);
    std::strcpy(f.picture, picture);
    f.prompt = static_cast<uint16_t>(prompt);
    FxResourceRecord r{};
    r.kind = FX_RES_FORM;
    r.number = static_cast<uint16_t>(number);
    r.line = static_cast<uint16_t>(line);
    r.length = sizeof f;
    std::memcpy(r.data, &f, sizeof f);
    return r;
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        FxReset();
        FxUseScriptDriver();
        RecmanReset();
        char tmpl[] = "/tmp/fxresXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        const FxResourceRecord strings[] = {
            text(FX_RES_STRING, 297, 0, "Lookup Products"),
            text(FX_RES_TEXTLIST, 403, 1, "Sales account"),
            text(FX_RES_TEXTLIST, 403, 0, "Cash account"),
            text(FX_RES_TEXTLIST, 403, 2, "Receivables account, a long one"),
        };
        ASSERT_EQ(0, writeResourceFile(dir + "/WBPSRSC1.DAT", strings, 4));
        const FxResourceRecord screens[] = {
            lineItem(104, 0, 2, 2, 2, "%-10s"),
            lineItem(104, 1, 10, 3, 2, "%12.2f"),
            formField(145, 0, 1, 2, 20, "%-5sm", 300),
            formField(145, 1, 2, 3, 20, "nn/nn/nnnn", 301),
            text(FX_RES_STRING, 297, 0, "Products"), // read later: wins
        };
        FxResourceRecord screen = {};
        screen.kind = FX_RES_SCREEN;
        screen.number = 1;
        std::strcpy(screen.data, "RSMsgPostingCOA");
        std::strcpy(screen.data + 32, "Posting to the chart of accounts");
        screen.length = 32 + 33;
        FxResourceRecord all[6];
        std::memcpy(all, screens, sizeof screens);
        all[5] = screen;
        ASSERT_EQ(0, writeResourceFile(dir + "/WBPSRSC3.DAT", all, 6));
    }
    void TearDown() override {
        FxReset();
        RecmanReset();
        std::string cmd = "rm -rf '" + dir + "'";
        (void)std::system(cmd.c_str());
    }
    std::string dir;
};

TEST_F(Resources, StringsListsTablesAndScreenTexts) {
    ASSERT_EQ(0, FxOpenStringFiles(dir.c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT")); // the second is missing
    char buf[64];
    EXPECT_EQ(15, FxLoadString(297, 64, buf));
    EXPECT_STREQ("Lookup Products", buf);
    EXPECT_EQ(5, FxLoadString(297, 6, buf)); // cut to the buffer
    EXPECT_STREQ("Looku", buf);

    ASSERT_EQ(0, FxOpenScreenFiles(dir.c_str(), "WBPSRSC3.DAT", "WBPSRSC4.DAT", "WBPSRSC6.DAT"));
    EXPECT_EQ(8, FxLoadString(297, 64, buf));
    EXPECT_STREQ("Products", buf);

    char* lines[4] = {};
    int width = 0, count = 0;
    ASSERT_EQ(0, FxTextListLoad(403, lines, &width, &count, 4));
    EXPECT_EQ(3, count);
    EXPECT_EQ(31, width);
    EXPECT_STREQ("Cash account", lines[0]); // by line number, not by insert order
    EXPECT_STREQ("Sales account", lines[1]);
    EXPECT_EQ(nullptr, lines[3]);
    FxTextListFree(lines);
    EXPECT_EQ(nullptr, lines[0]);
    ASSERT_EQ(0, FxTextListLoad(403, lines, &width, &count, 2)); // room for one line and the end
    EXPECT_EQ(1, count);
    EXPECT_EQ(nullptr, lines[1]);
    FxTextListFree(lines);
    EXPECT_NE(0, FxTextListLoad(999, lines, &width, &count, 4));

    FxLineItem items[8];
    std::memset(items, 0xEE, sizeof items);
    ASSERT_EQ(0, FxLoadResourceTable(items, 104, sizeof items, &count));
    EXPECT_EQ(2, count);
    EXPECT_EQ(10, items[1].type);
    EXPECT_EQ(3, items[1].row);
    EXPECT_STREQ("%12.2f", items[1].picture);
    EXPECT_EQ(0, items[2].type); // the list ends

    ScreenField fields[4];
    ASSERT_EQ(0, FxLoadResourceTable(fields, 145, sizeof fields, &count));
    EXPECT_EQ(2, count);
    EXPECT_EQ(2, fields[1].number);
    EXPECT_STREQ("nn/nn/nnnn", fields[1].picture);
    EXPECT_EQ(301, fields[1].prompt);
    EXPECT_EQ(nullptr, fields[0].choices);
    EXPECT_EQ(0, fields[2].number);
    // The loaded table runs as a form.
    FxForm form;
    EXPECT_NE(0, FxFormLoad(&form, fields, 2));
    EXPECT_EQ(0, FxFieldSet(&form, 2, "05/15/2024"));
    EXPECT_STREQ("05/15/2024", FxFieldGet(&form, 2));
    EXPECT_NE(0, FxLoadResourceTable(fields, 146, sizeof fields, &count));

    FxStatus* s = FxStatusOpen("RSMsgPostingCOA", 0);
    FxStatusClose(s);
    EXPECT_NE(std::string::npos,
              std::string(FxTranscript()).find("status RSMsgPostingCOA line 0 \"Posting to the chart of accounts\""));

    // Released files are forgotten.
    FxCloseScreenFiles();
    EXPECT_EQ(15, FxLoadString(297, 64, buf));
    FxCloseStringFiles();
    EXPECT_EQ(0, FxLoadString(297, 64, buf));
    EXPECT_STREQ("", buf);
}

TEST_F(Resources, MissingFilesFailCleanly) {
    EXPECT_EQ(0, FxOpenStringFiles((dir + "/nowhere").c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT"));
    EXPECT_EQ(0, FxOpenScreenFiles(nullptr, nullptr, "", "X.DAT"));
    char buf[64] = "junk";
    EXPECT_EQ(0, FxLoadString(297, 64, buf));
    EXPECT_STREQ("", buf);
    char* lines[4] = {};
    int width = -1, count = -1;
    EXPECT_NE(0, FxTextListLoad(403, lines, &width, &count, 4));
    EXPECT_EQ(nullptr, lines[0]);
    EXPECT_EQ(0, count);
    FxLineItem items[8];
    EXPECT_NE(0, FxLoadResourceTable(items, 104, sizeof items, &count));
    EXPECT_NE(std::string::npos, std::string(FxTranscript()).find("resource file missing"));
    // Records added in memory serve where no file does; screen texts go by
    // their screen name, whatever their number.
    EXPECT_EQ(0, FxResourceAdd(FX_RES_STRING, 297, 0, "In memory", 10));
    EXPECT_EQ(9, FxLoadString(297, 64, buf));
    EXPECT_EQ(-1, FxResourceAdd(0, 1, 0, "x", 2));
    char a[64] = "RSVerifyingPosted", b[64] = "RSPurgingRegister";
    std::strcpy(a + 32, "Verifying posted documents");
    std::strcpy(b + 32, "Purging the register");
    EXPECT_EQ(0, FxResourceAdd(FX_RES_SCREEN, 0, 0, a, 64));
    EXPECT_EQ(0, FxResourceAdd(FX_RES_SCREEN, 0, 0, b, 64));
    FxTranscriptClear();
    FxStatusClose(FxStatusOpen("RSVerifyingPosted", 0));
    EXPECT_EQ("status open RSVerifyingPosted\n"
              "status RSVerifyingPosted line 0 \"Verifying posted documents\"\n"
              "status close RSVerifyingPosted after 0 updates\n",
              std::string(FxTranscript()));
}

} // namespace
