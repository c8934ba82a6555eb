// Comma-separated export and import: a round trip over every column kind,
// the text a strict reader takes, and bad input refused before any write.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/transfer.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

// Item-detail records (file 62, 64 bytes) described here with a column of
// every kind the transfer writes.
#pragma pack(push, 1)
struct Row {
    char code[15];      // 1 text "%-14s"   (key 0 with line)
    uint8_t line;       // 2 byte
    char flag;          // 3 char
    int16_t i16;        // 4
    uint16_t u16;       // 5
    int32_t i32;        // 6
    uint32_t u32;       // 7
    int32_t date;       // 8
    float f;            // 9 "%8.2f"
    double d;           // 10 "%12.2f"
    double amount;      // 11 amount, decimals in 12
    int16_t decimals;   // 12
    char note[9];       // 13 text "%-8s"
};
#pragma pack(pop)
static_assert(sizeof(Row) == 64);

Row MakeRow(const char* code, int line, const char* note)
{
    Row r{};
    std::snprintf(r.code, sizeof r.code, "%-14s", code);
    r.line = static_cast<uint8_t>(line);
    std::snprintf(r.note, sizeof r.note, "%-8s", note);
    return r;
}

struct Described {
    int number;
    const char* name;
    int offset, length, type;
    const char* picture;
    int decimals;
};
const Described kColumns[] = {
    {1, "CODE", 0, 15, 6, "%-14s", -1},   {2, "LINE", 15, 1, 2, "%3d", -1},
    {3, "FLAG", 16, 1, 1, "%c", -1},      {4, "I16", 17, 2, 11, "%6d", -1},
    {5, "U16", 19, 2, 12, "%6u", -1},     {6, "I32", 21, 4, 13, "%11ld", -1},
    {7, "U32", 25, 4, 14, "%10lu", -1},   {8, "DATE", 29, 4, 15, "nn/nn/nnnn", -1},
    {9, "F", 33, 4, 16, "%8.2f", -1},     {10, "D", 37, 8, 17, "%12.2f", -1},
    {11, "AMOUNT", 45, 8, 18, "%12.2f", 12}, {12, "DECIMALS", 53, 2, 11, "%2d", -1},
    {13, "NOTE", 55, 9, 6, "%-8s", -1},
};

class TransferTest : public ServicesTest {
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        if (IsSkipped())
            return;
        const std::string dictionary = program() + "/ROVAZERI/WBWPOCOL.DB";
        for (const Described& c : kColumns) {
            TagDictionaryRecord r{};
            std::memset(r.TableName, ' ', 12);
            std::memcpy(r.TableName, "ITMD", 4);
            std::memset(r.ColumnName, ' ', 16);
            std::memcpy(r.ColumnName, c.name, std::strlen(c.name));
            r.Number = static_cast<int16_t>(c.number);
            r.Type = static_cast<int16_t>(c.type);
            r.Length = static_cast<int16_t>(c.length);
            r.Offset = static_cast<int16_t>(c.offset);
            std::memcpy(r.Picture, c.picture, std::strlen(c.picture));
            r.Decimals = c.decimals < 0 ? 0xFFFF : static_cast<uint16_t>(c.decimals);
            uint8_t key[14];
            std::memcpy(key, r.TableName, 12);
            std::memcpy(key + 12, &r.Number, 2);
            ASSERT_EQ(bwpstest::PutRecord(dictionary, key, sizeof key, &r, sizeof r), 0);
        }
        text_ = scratch() + "/items.csv";
    }

    void PutRows(const std::vector<Row>& rows)
    {
        for (const Row& r : rows)
            Put(62, &r, sizeof r, 16);
    }

    std::vector<std::vector<uint8_t>> Stored() { return All(62, 64); }

    void Clear()
    {
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, PathOf(62).c_str(), 0, 0), 0);
        char key[256] = {};
        Row r;
        while (BtrGet(B_GET_FIRST, h, key, &r, sizeof r) == 0)
            ASSERT_EQ(BtrWrite(B_DELETE, h, key, &r, sizeof r), 0);
        BtrCloseFile(h);
    }

    TransferContext Context(const char* columns = "ITEMS;1,2,3,4,5,6,7;8,9,10,11,12,13")
    {
        TransferContext c;
        std::memset(&c, 0, sizeof c);
        c.FileNumber = 62;
        c.LineLength = 1024;
        std::snprintf(c.ColumnList, sizeof c.ColumnList, "%s", columns);
        std::snprintf(c.Path, sizeof c.Path, "%s", text_.c_str());
        c.Separator = ',';
        c.Quote = '"';
        c.Record = &record_;
        c.RecordLength = sizeof record_;
        return c;
    }

    std::string TextFile()
    {
        std::ifstream in(text_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteText(const std::string& text) { std::ofstream(text_, std::ios::binary) << text; }

    std::vector<Row> Sample()
    {
        Row a = MakeRow("PLAIN", 1, "note");
        a.flag = 'Y';
        a.i16 = INT16_MIN;
        a.u16 = UINT16_MAX;
        a.i32 = INT32_MIN;
        a.u32 = UINT32_MAX;
        a.date = 19491231;
        a.f = 2.5f;
        a.d = -1234.5;
        a.amount = -1.125;
        a.decimals = 3;
        Row b = MakeRow("A,B \"Q\"", 2, "");
        b.i16 = INT16_MAX;
        b.i32 = INT32_MAX;
        b.date = 20500101;
        b.d = 0.1;
        b.amount = 99.99;
        b.decimals = 2;
        Row c = MakeRow("", 0, "\"\"");
        c.date = 0;
        c.amount = 0;
        return {a, b, c};
    }

    std::string text_;
    Row record_{};
};

// A strict reader: CR LF line ends, quoted fields with doubled quotes,
// nothing after a closing quote but a comma; the fields of every line.
bool StrictRead(const std::string& text, std::vector<std::vector<std::string>>& rows)
{
    size_t i = 0;
    while (i < text.size()) {
        std::vector<std::string> fields;
        for (;;) {
            std::string f;
            if (text[i] == '"') {
                ++i;
                for (;;) {
                    if (i >= text.size())
                        return false;
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            f += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    f += text[i++];
                }
            } else {
                while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '"' && text[i] != '\n')
                    f += text[i++];
                if (i < text.size() && (text[i] == '"' || text[i] == '\n'))
                    return false;
            }
            fields.push_back(f);
            if (i < text.size() && text[i] == ',') {
                ++i;
                continue;
            }
            if (i + 1 < text.size() + 1 && text.compare(i, 2, "\r\n") == 0) {
                i += 2;
                break;
            }
            return false;
        }
        rows.push_back(fields);
    }
    return true;
}

TEST_F(TransferTest, RoundTripOfEveryColumnKindReadsBackEqual)
{
    PutRows(Sample());
    const auto before = Stored();
    TransferContext c = Context();
    ASSERT_EQ(ExportDataFileToText(&c), 1) << c.Error;
    EXPECT_EQ(+c.RecordCount, 3);

    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(StrictRead(TextFile(), rows)) << TextFile();
    ASSERT_EQ(rows.size(), 3u);
    // Key order: "", "A,B "Q"", "PLAIN".
    EXPECT_EQ(rows[1][0], "A,B \"Q\"");
    EXPECT_EQ(rows[2][7], "12/31/1949");
    EXPECT_EQ(rows[1][7], "01/01/2050");
    EXPECT_EQ(rows[0][7], "") << "no date";
    EXPECT_EQ(rows[2][3], "-32768");
    EXPECT_EQ(rows[2][6], "4294967295");
    EXPECT_EQ(rows[2][10], "-1.125") << "three decimals from the decimals column";
    EXPECT_EQ(rows[0][12], "\"\"");
    for (const auto& row : rows)
        EXPECT_EQ(row.size(), 13u);

    Clear();
    TransferContext in = Context();
    ASSERT_EQ(ImportDataFileFromText(&in), 1) << in.Error;
    EXPECT_EQ(+in.RecordCount, 3);
    auto sorted = [](std::vector<std::vector<uint8_t>> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sorted(Stored()), sorted(before));
}

TEST_F(TransferTest, BadInputIsRefusedBeforeAnyWrite)
{
    PutRows({MakeRow("KEEP", 1, "kept")});
    const auto before = Stored();
    const std::string good = "\"NEW\",1,N,0,0,0,0,01/02/2030,1.00,2.00,3.00,2,\"x\"\r\n";
    struct Case {
        const char* what;
        std::string line;
        int lineLength;
        const char* error;
    };
    const Case cases[] = {
        {"unterminated quote", "\"BAD,1,N,0,0,0,0,,0,0,0,0,\"x\"", 1024, "column 1"},
        {"stray quote", "B\"AD,1,N,0,0,0,0,,0,0,0,0,\"x\"", 1024, "column 1: a quote"},
        {"text after the closing quote", "\"BAD\"x,1,N,0,0,0,0,,0,0,0,0,\"x\"", 1024, "column 1"},
        {"too few values", "\"BAD\",1,N", 1024, "3 values for 13 columns"},
        {"too many values", "\"BAD\",1,N,0,0,0,0,,0,0,0,0,\"x\",9", 1024, "14 values"},
        {"text too long", "\"BAD\",1,N,0,0,0,0,,0,0,0,0,\"123456789\"", 1024, "column 13"},
        {"byte out of range", "\"BAD\",256,N,0,0,0,0,,0,0,0,0,\"x\"", 1024, "column 2"},
        {"int16 out of range", "\"BAD\",1,N,32768,0,0,0,,0,0,0,0,\"x\"", 1024, "column 4"},
        {"negative unsigned", "\"BAD\",1,N,0,-1,0,0,,0,0,0,0,\"x\"", 1024, "column 5"},
        {"not a number", "\"BAD\",1,N,0,0,12x,0,,0,0,0,0,\"x\"", 1024, "column 6"},
        {"bad date", "\"BAD\",1,N,0,0,0,0,13/45/2030,0,0,0,0,\"x\"", 1024, "column 8"},
        {"two characters", "\"BAD\",1,NO,0,0,0,0,,0,0,0,0,\"x\"", 1024, "column 3"},
        {"line too long", "\"BAD\",1,N,0,0,0," + std::string(40, ' ') + "0,,0,0,0,0,\"x\"", 55, "longer than 55"},
        {"key twice in the text", "\"NEW\",1,N,0,0,0,0,,0,0,0,0,\"x\"", 1024, "already exists"},
        {"existing key", "\"KEEP\",1,N,0,0,0,0,,0,0,0,0,\"x\"", 1024, "already exists"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The bad line comes second: the good first line is not written either.
        WriteText(good + c.line + "\r\n");
        TransferContext t = Context();
        t.LineLength = c.lineLength;
        FxTranscriptClear();
        EXPECT_EQ(ImportDataFileFromText(&t), 0);
        EXPECT_NE(std::string(t.Error).find(text_), std::string::npos) << t.Error;
        EXPECT_NE(std::string(t.Error).find("line 2"), std::string::npos) << t.Error;
        EXPECT_NE(std::string(t.Error).find(c.error), std::string::npos) << t.Error;
        EXPECT_EQ(Stored(), before);
    }
}

int UpdateEverything(TransferContext* c)
{
    if (c->Event == TRANSFER_EVENT_WRITE_LINE)
        c->Action = TRANSFER_ACTION_WRITE;
    return 1;
}

int SkipExisting(TransferContext* c)
{
    if (c->Event == TRANSFER_EVENT_WRITE_LINE) {
        c->Action = TRANSFER_ACTION_DECIDE;
        c->Decision = 0;
    }
    return 1;
}

TEST_F(TransferTest, UpdateOverlaysTheListedColumnsOnTheStoredRecord)
{
    Row kept = MakeRow("ITEM", 1, "old note");
    kept.i32 = 77;
    kept.amount = 5.5;
    PutRows({kept});
    // Code, line and note only; LF line ends are taken too.
    WriteText("\"ITEM\",1,\"new\"\n\"ADDED\",2,\"fresh\"\n\n");
    TransferContext t = Context("X;1,2,13");
    t.Callback = UpdateEverything;
    ASSERT_EQ(ImportDataFileFromText(&t), 1) << t.Error;
    auto rows = Stored();
    ASSERT_EQ(rows.size(), 2u);
    Row stored;
    std::memcpy(&stored, rows[0].data(), sizeof stored);
    EXPECT_STREQ(stored.note, "new     ");
    EXPECT_EQ(+stored.i32, 77) << "a column the file does not list keeps its value";
    EXPECT_EQ(+stored.amount, 5.5);

    WriteText("\"ITEM\",1,\"other\"\r\n");
    TransferContext skip = Context("X;1,2,13");
    skip.Callback = SkipExisting;
    ASSERT_EQ(ImportDataFileFromText(&skip), 1);
    std::memcpy(&stored, Stored()[0].data(), sizeof stored);
    EXPECT_STREQ(stored.note, "new     ");
}

TEST_F(TransferTest, FailedWriteTakesBackWhatTheImportWrote)
{
    PutRows({MakeRow("FIRST", 1, "one"), MakeRow("LOCKED", 1, "two")});
    const auto before = Stored();
    uint16_t other = 0;
    ASSERT_EQ(BtrOpenFile(&other, PathOf(62).c_str(), 0, 0), 0);
    char key[256] = {};
    Row held = MakeRow("LOCKED", 1, "");
    std::memcpy(key, &held, 16);
    ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, other, key, &held, sizeof held), 0);
    WriteText("\"FIRST\",1,\"changed\"\r\n\"ADDED\",1,\"new\"\r\n\"LOCKED\",1,\"changed\"\r\n");
    TransferContext t = Context("X;1,2,13");
    t.Callback = UpdateEverything;
    FxTranscriptClear();
    EXPECT_EQ(ImportDataFileFromText(&t), 0);
    EXPECT_NE(std::string(t.Error).find("line 3"), std::string::npos) << t.Error;
    EXPECT_NE(Transcript().find("Btrieve Error #  84"), std::string::npos);
    EXPECT_EQ(Stored(), before);
    BtrCloseFile(other);
}

TEST_F(TransferTest, ExportEmptyFileAppendAndFailedTarget)
{
    TransferContext empty = Context();
    FxTranscriptClear();
    EXPECT_EQ(ExportDataFileToText(&empty), 0);
    EXPECT_NE(Transcript().find("nothing to export"), std::string::npos);
    EXPECT_FALSE(std::ifstream(text_).good()) << "no text file is left";

    PutRows({MakeRow("ONE", 1, "x")});
    TransferContext first = Context("X;1");
    ASSERT_EQ(ExportDataFileToText(&first), 1);
    TransferContext again = Context("X;1");
    again.Mode = TRANSFER_APPEND;
    ASSERT_EQ(ExportDataFileToText(&again), 1);
    EXPECT_EQ(TextFile(), "\"ONE\"\r\n\"ONE\"\r\n");

    TransferContext nowhere = Context("X;1");
    std::snprintf(nowhere.Path, sizeof nowhere.Path, "%s/missing/items.csv", scratch().c_str());
    EXPECT_EQ(ExportDataFileToText(&nowhere), 0);

    TransferContext unknown = Context("X;1,99");
    EXPECT_EQ(ExportDataFileToText(&unknown), 0);
    EXPECT_NE(std::string(unknown.Error).find("column 99"), std::string::npos);
    EXPECT_EQ(TextFile(), "\"ONE\"\r\n\"ONE\"\r\n") << "a failed export leaves the target";

    char list[64];
    EXPECT_EQ(ListFileColumns(62, list, sizeof list), 13);
    EXPECT_STREQ(list, "1,2,3,4,5,6,7,8,9,10,11,12,13");
}

}  // namespace
}  // namespace svctest
