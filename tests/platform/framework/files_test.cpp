// Plain files, folders, the text reader, the spreadsheet writer and the
// device ports.
#include "fx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        FxReset();
        FxUseScriptDriver();
        char tmpl[] = "/tmp/fxfilesXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override {
        FxReset();
        std::string cmd = "rm -rf '" + dir + "'";
        (void)std::system(cmd.c_str());
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    static std::string slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string dir;
};

TEST_F(Files, OpenReadWriteSeekAndClose) {
    std::string p = path("REG1.db");
    EXPECT_EQ(-1, FxFileAccess(p.c_str(), 0));
    int h = -5;
    EXPECT_EQ(4, FxFileOpen(p.c_str(), 0x8002, 0x180, 0, &h)); // missing
    EXPECT_EQ(-1, h);
    ASSERT_EQ(0, FxFileCreate(p.c_str(), 0x180));
    EXPECT_EQ(0, FxFileAccess(p.c_str(), 0));
    ASSERT_EQ(0, FxFileOpen(p.c_str(), 0x8002, 0x180, 0, &h));
    char line[182];
    for (int i = 0; i < 3; ++i) {
        std::memset(line, 'a' + i, sizeof line);
        int written = 0;
        ASSERT_EQ(0, FxFileWrite(h, line, sizeof line, &written));
        EXPECT_EQ(182, written);
    }
    EXPECT_EQ(546, FxFileTell(h));
    // Read the second line, change it and write it back over itself.
    EXPECT_EQ(182, FxFileSeek(h, 182, 0));
    int count = 0;
    ASSERT_EQ(0, FxFileRead(h, line, 182, &count));
    EXPECT_EQ(182, count);
    EXPECT_EQ('b', line[0]);
    line[0] = 'B';
    EXPECT_EQ(182, FxFileSeek(h, -182, 1));
    ASSERT_EQ(0, FxFileWrite(h, line, 182, &count));
    // A read at the end gives a short count, not an error.
    EXPECT_EQ(500, FxFileSeek(h, 500, 0));
    ASSERT_EQ(0, FxFileRead(h, line, 182, &count));
    EXPECT_EQ(46, count);
    EXPECT_EQ(0, FxFileClose(h));
    EXPECT_EQ('B', slurp(p)[182]);
    EXPECT_EQ(-1, FxFileSeek(-1, 0, 0));
    EXPECT_EQ(-1, FxFileRead(-1, line, 1, &count));

    // Copy, rename, delete.
    std::string c = path("copy.db");
    EXPECT_EQ(0, FxFileCopy(c.c_str(), p.c_str()));
    EXPECT_EQ(slurp(p), slurp(c));
    EXPECT_NE(0, FxFileCopy(c.c_str(), path("none.db").c_str()));
    EXPECT_EQ(slurp(p), slurp(c)); // a failed copy leaves the target alone
    EXPECT_EQ(0, FxFileRename(c.c_str(), path("moved.db").c_str()));
    EXPECT_EQ(-1, FxFileAccess(c.c_str(), 0));
    EXPECT_EQ(0, FxFileDelete(path("moved.db").c_str()));
    EXPECT_EQ(-1, FxFileDelete(path("moved.db").c_str()));
}

TEST_F(Files, FolderNormalisation) {
    struct Case {
        const char* in;
        const char* withEnd;
        const char* noEnd;
    };
    const Case cases[] = {
        {"C:\\POS\\DATA", "C:/POS/DATA/", "C:/POS/DATA"},
        {"/srv/pos/", "/srv/pos/", "/srv/pos"},
        {"/srv/pos///", "/srv/pos/", "/srv/pos"},
        {" /srv/pos  ", "/srv/pos/", "/srv/pos"},
        {"/", "/", "/"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        char a[64], b[64];
        std::strcpy(a, c.in);
        std::strcpy(b, c.in);
        EXPECT_STREQ(c.withEnd, FxFolderEnd(a)) << "'" << c.in << "'";
        EXPECT_STREQ(c.noEnd, FxFolderNoEnd(b)) << "'" << c.in << "'";
        std::strcpy(a, c.in);
        EXPECT_STREQ(c.withEnd, FxFolderWithSeparator(a));
    }
    char p[64] = "/data/POSCUST.DB";
    EXPECT_STREQ("/data/POSCUST.TMP", FxPathSetExtension(p, "TMP"));
    std::strcpy(p, "/da.ta/NAME");
    EXPECT_STREQ("/da.ta/NAME.I60", FxPathSetExtension(p, ".I60"));

    std::string deep = path("a/b/c");
    EXPECT_EQ(0, FxMakeFolder(deep.c_str()));
    EXPECT_EQ(0, FxMakeFolder(deep.c_str())); // already there
    EXPECT_EQ(0, FxFileAccess(deep.c_str(), 0));
    uint64_t total = 0, avail = 0;
    EXPECT_EQ(0, FxDiskSpace(dir.c_str(), &total, &avail));
    EXPECT_GT(total, 0u);
    EXPECT_LE(avail, total);
    EXPECT_EQ(-1, FxDiskSpace(path("missing").c_str(), &total, &avail));

    std::ofstream(path("POS5CUST.DB")) << "12345";
    std::ofstream(path("POS5PROD.DB")) << "1234567890";
    std::ofstream(path("OTHER.DB")) << "1";
    uint64_t sum = 0, largest = 0;
    EXPECT_EQ(0, FxFolderPatternSizes(dir.c_str(), "POS5*.*", &sum, &largest));
    EXPECT_EQ(15u, sum);
    EXPECT_EQ(10u, largest);
    EXPECT_EQ(0, FxFolderCleanup(dir.c_str(), "POS5*.*"));
    EXPECT_EQ(0, FxFileAccess(path("POS5CUST.DB").c_str(), 0)); // nothing deleted
}

TEST_F(Files, TextReaderAndSheet) {
    std::ofstream(path("layout.txt"), std::ios::binary) << "{NEW_PG}\r\nline two\n\nlast";
    FxTextReader r;
    ASSERT_EQ(0, FxTextOpen(&r, path("layout.txt").c_str()));
    std::string seen;
    int lines = 0;
    while (FxTextNext(&r) == 0) {
        seen += std::string(r.line, r.length) + "|";
        ++lines;
    }
    EXPECT_EQ("{NEW_PG}|line two||last|", seen);
    EXPECT_EQ(4, lines);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(0, FxTextRewind(&r));
    EXPECT_EQ(0, FxTextNext(&r));
    EXPECT_STREQ("{NEW_PG}", r.line);
    FxTextClose(&r);
    FxTextReader missing;
    EXPECT_EQ(-2, FxTextOpen(&missing, path("none.txt").c_str()));
    EXPECT_EQ(-2, missing.status);

    int h = -1;
    ASSERT_EQ(0, FxFileOpen(path("out.xls").c_str(), 0x8102, 0x180, 0, &h));
    FxSheet sheet{h, 0, 0, 0, 0, 0};
    FxSheetText(&sheet, "Code");
    FxSheetNumber(&sheet, 12.5);
    FxSheetEndRow(&sheet);
    FxSheetText(&sheet, "A\tB");
    FxSheetEndRow(&sheet);
    FxFileClose(h);
    EXPECT_EQ("Code\t12.5\r\nA B\r\n", slurp(path("out.xls")));
    EXPECT_EQ(2, sheet.row);
}

TEST_F(Files, DevicePortsWriteOneFilePerPort) {
    FxSetDeviceFolder(dir.c_str());
    // Cash drawer codes to the first parallel port, a receipt line through
    // a parallel handle, a display text to the second serial port.
    const uint16_t codes[] = {27, 112, 0, 25, 250};
    EXPECT_EQ(0, FxDeviceSend(0, 5, codes));
    EXPECT_NE(0, FxParallelReady(0));
    int h = -1;
    ASSERT_EQ(0, FxParallelOpen(1, 0, &h, 0));
    int written = 0;
    EXPECT_EQ(0, FxFileWrite(h, "TOTAL 12.50\r\n", 13, &written));
    EXPECT_EQ(0, FxParallelClose(0, h));
    EXPECT_EQ(0, FxSerialOpen(1, 67));
    EXPECT_EQ(0, FxSerialSend(1, "HELLO", 0));
    EXPECT_EQ(0, FxSerialWrite(1, "AB", 1));
    EXPECT_EQ(0, FxSerialClose(1));
    EXPECT_EQ(std::string("\x1Bp\x00\x19\xFA", 5) + "TOTAL 12.50\r\n", slurp(path("LPT1.out")));
    EXPECT_EQ("HELLOA", slurp(path("COM2.out")));
    FxSetDeviceFolder(path("missing/deeper").c_str());
    EXPECT_NE(0, FxSerialSend(0, "X", 1)); // a failure is reported, not hidden
    EXPECT_EQ(0, FxParallelReady(0));
}

} // namespace
