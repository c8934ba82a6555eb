// The standard screen frame and the field, colour and value utilities.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "bwps/ordinals.h"
#include "bwps/records/dictionary.h"
#include "bwps/screen_utils.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

std::vector<std::string> Keys(const FxForm& form)
{
    std::vector<std::string> out;
    for (const FxKeyMenuItem& row : form.keys.menu) {
        if (row.key == 0)
            break;
        out.push_back(std::string(row.keyText) + "=" + row.caption);
    }
    return out;
}

class ScreensTest : public ServicesTest {};

TEST_F(ScreensTest, KeyMenuOfTheStandardFrame)
{
    const std::vector<std::string> standard = {
        "F1=Help", "\x18" "F1=Contents and Index", "\x18" "F2=Calculator", "F2=Options",
        "F4=Date", "F10=OK", "\x18" "F10=Version", "ESC=Close"};
    FxForm form{};
    EXPECT_EQ(SetupStandardScreen(&form, 0, 0), 0);
    EXPECT_EQ(Keys(form), standard);
    EXPECT_EQ(+form.keys.menu[3].attribute, 0x20) << "F2 carries the attribute";
    EXPECT_EQ(+form.keys.menu[1].parent, 0x3C00);
    EXPECT_EQ(+form.keys.menu[5].flag3, 1);

    FxForm options{};
    EXPECT_EQ(SetupStandardScreen(&options, 227 | 0x300, 0), 0);
    auto keys = Keys(options);
    ASSERT_EQ(keys.size(), 13u);
    EXPECT_EQ(keys[8], "F5=LookUp");
    EXPECT_EQ(keys[9], "F6=Delete");
    EXPECT_EQ(keys[12], "\x18" "F9=Switch Sort");

    const char* rows[] = {"F5,Find,1,0,0,0,", "|A,Alt item,0,1,1,0,", "\x18" "F8,Set Default,1,0,0,0,",
                          "F3,No caption"};
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(FxResourceAdd(FX_RES_TEXTLIST, 901, i, rows[i], static_cast<int>(std::strlen(rows[i])) + 1), 0);
    FxForm listed{};
    EXPECT_EQ(SetupStandardScreen(&listed, 0, 901), 0);
    keys = Keys(listed);
    ASSERT_EQ(keys.size(), 12u);
    EXPECT_EQ(keys[8], "F5=Find");
    EXPECT_EQ(+listed.keys.menu[8].key, 0x3F00);
    EXPECT_EQ(+listed.keys.menu[8].flag1, 1);
    EXPECT_EQ(keys[9], "AltA=Alt item");
    EXPECT_EQ(+listed.keys.menu[9].key, 0x1E00);
    EXPECT_EQ(+listed.keys.menu[9].parent, 0x3C00);
    EXPECT_EQ(+listed.keys.menu[9].flag2, 1);
    EXPECT_EQ(+listed.keys.menu[10].key, 0x5B00);
    EXPECT_EQ(keys[11], "F3=") << "text after the last comma is ignored";

    // A negative list id appends after the rows the screen set itself.
    FxForm own{};
    own.keys.menu[0].key = 0x4300;
    std::strcpy(own.keys.menu[0].keyText, "F9");
    std::strcpy(own.keys.menu[0].caption, "Mine");
    EXPECT_EQ(SetupStandardScreen(&own, 0, -1), 0);
    EXPECT_EQ(Keys(own).size(), 9u);
    EXPECT_EQ(Keys(own)[0], "F9=Mine");

    FxForm missing{};
    EXPECT_EQ(SetupStandardScreen(&missing, 0, 4242), 1);
}

TEST_F(ScreensTest, ChoiceFieldsByTheirListsOrder)
{
    static ScreenField table[] = {
        {1, 1, 1, "%-3sm", "\001No,Yes", 0, 0, nullptr, nullptr, 0, {}, nullptr},
        {2, 2, 1, "%-1sm", "\001A,S,L,X", 0, 0, nullptr, nullptr, 0, {}, nullptr},
        {0, 0, 0, "", nullptr, 0, 0, nullptr, nullptr, 0, {}, nullptr},
    };
    FxForm form{};
    ASSERT_NE(FxFormLoad(&form, table, 0), 0);
    SetFieldYesNo(&form, 1, 'Y');
    EXPECT_EQ(FxChoiceGet(&form, 1), 2) << "a list beginning No puts Yes second";
    EXPECT_EQ(GetFieldYesNo(&form, 1), 'Y');
    FxChoiceSet(&form, 1, 1);
    EXPECT_EQ(ReadYesNoChoice(&form, 1), 'N');
    PutYesNoChoice(&form, 1, 1);
    EXPECT_EQ(FxChoiceGet(&form, 1), 2);

    SetFieldChoiceByChar(&form, 2, 'L', 'A', 'S', 'L', 0);
    EXPECT_EQ(FxChoiceGet(&form, 2), 3);
    SetFieldChoiceByChar(&form, 2, 'Q', 'A', 'S', 'L', 0);
    EXPECT_EQ(FxChoiceGet(&form, 2), 1) << "no match: option 1";
    FxChoiceSet(&form, 2, 4);
    EXPECT_EQ(GetFieldChoiceChar(&form, 2, 'A', 'S', 'L', 0), ' ');
    FxChoiceSet(&form, 2, 2);
    EXPECT_EQ(GetSelectedChoiceValue(&form, 2, 'A', 'S', 'L', 0), 'S');

    const ChoiceSource source[] = {{'C', "Cash", 10}, {'K', "Check", 20}, {'O', "Other", 30}, {0, nullptr, 0}};
    char* text = nullptr;
    ASSERT_EQ(BuildChoiceText(source, &text), 0);
    EXPECT_STREQ(text, "\001Cash,Check,Other");
    FxFree(text);
    char letters[8] = {};
    EXPECT_TRUE(BuildChoiceList(source, letters));
    EXPECT_EQ(letters[0], 3);
    EXPECT_EQ(std::string(letters + 1, 3), "CKO");
    EXPECT_EQ(GetChoiceSourceValue(&form, source, 2), 20);
}

TEST(ScreenUtilities, ColoursAmountsAddressesAndLists)
{
    uint8_t table[50];
    BuildColorSetTable(table, 0);
    EXPECT_EQ(std::memcmp(table + 10, "\x17\x1F\x4E\x0E\x1F", 5), 0);
    EXPECT_EQ(std::memcmp(table + 25, "\x70\x71\x4E\x0E\x70", 5), 0);
    BuildColorSetTable(table, 1);
    EXPECT_EQ(std::memcmp(table + 10, "\x0A\x0E\x0F\x70\x0A", 5), 0);
    EXPECT_EQ(std::memcmp(table + 40, "\x70\x70\x70\x70\x70", 5), 0);
    BuildPlainColorSetTable(table);
    EXPECT_EQ(std::memcmp(table + 30, "\x70\x70\x0F\x0F\x0F", 5), 0);
    EXPECT_EQ(table[49], 0);
    uint8_t set[5];
    SetColorSet(set, 6);
    EXPECT_EQ(std::memcmp(set, "\x4F\x4F\x4E\x0E\x4F", 5), 0);

    struct Diff {
        double a, b, result;
    };
    for (const Diff& d : {Diff{5, 8, 3}, Diff{-5, 8, 13}, Diff{5, -8, -13}, Diff{0, 4, 4},
                          Diff{4, 0, -4}, Diff{2.0004, 2.0, 0}})
        EXPECT_DOUBLE_EQ(AmountDifference(d.a, d.b), d.result) << d.a << " " << d.b;

    char block[400] = {};
    auto line = [&](int i) { return block + i * ADDRESS_LINE_SIZE; };
    std::strcpy(line(0), "Name");
    std::strcpy(line(2), "Street");
    std::strcpy(line(4), "Town");
    std::strcpy(block + ADDRESS_EXTRA_OFFSET, "12345");
    char copy[400];
    std::memcpy(copy, block, sizeof block);
    CompactAddressLinesAll(block);
    EXPECT_STREQ(line(0), "Name");
    EXPECT_STREQ(line(1), "Street");
    EXPECT_STREQ(line(2), "Town");
    EXPECT_STREQ(line(3), "12345");
    EXPECT_STREQ(line(4), "");
    EXPECT_EQ(block[ADDRESS_EXTRA_OFFSET], 0);
    CompactAddressLines(copy, 1);
    EXPECT_STREQ(copy + 0 * ADDRESS_LINE_SIZE, "Name");
    EXPECT_STREQ(copy + 1 * ADDRESS_LINE_SIZE, "") << "the second line keeps its place";
    EXPECT_STREQ(copy + 2 * ADDRESS_LINE_SIZE, "Street");
    EXPECT_STREQ(copy + 3 * ADDRESS_LINE_SIZE, "Town");
    EXPECT_STREQ(copy + 4 * ADDRESS_LINE_SIZE, "12345");

    EXPECT_STREQ(MonthAbbreviation(20300915), "Sep");
    EXPECT_EQ(FindInShortList(3, 1, 2, 3, -1), 0);
    EXPECT_EQ(FindInShortList(4, 1, 2, 3, -1), 4);
    EXPECT_EQ(FindInShortList(0, 0, -1), 0);
    EXPECT_EQ(reinterpret_cast<int (*)()>(BWPSOrdinal(2003))(), 0x20);
    EXPECT_EQ(reinterpret_cast<intptr_t (*)(intptr_t)>(BWPSOrdinal(732))(77), 77);
    EXPECT_EQ(reinterpret_cast<int (*)()>(BWPSOrdinal(744))(), 0);
    SetStatusWindowQuiet(1);
    EXPECT_EQ(GetStatusWindowQuiet(), 1);
    SetStatusWindowQuiet(0);
}

TEST_F(ScreensTest, PositionSavedAroundANestedRead)
{
    for (const char* code : {"A", "B", "C"}) {
        uint8_t tender[97] = {};
        std::snprintf(reinterpret_cast<char*>(tender), 11, "%-10s", code);
        Put(33, tender, sizeof tender, 11);
    }
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, PathOf(33).c_str(), 0, 0), 0);
    char key[256] = {};
    uint8_t r[97];
    ASSERT_EQ(BtrGet(B_GET_FIRST, h, key, r, 97), 0);
    ASSERT_EQ(BtrGet(B_GET_NEXT, h, key, r, 97), 0);
    CBtrPos pos(h);
    ASSERT_TRUE(pos.Save());
    BtrSetDefaults(h, 1, -1);
    ASSERT_EQ(BtrGet(B_GET_LAST, h, key, r, 97), 0);
    EXPECT_TRUE(pos.Restore());
    ASSERT_EQ(BtrGet(B_GET_NEXT, h, key, r, 97), 0);
    EXPECT_EQ(r[0], 'C') << "back on B, key 0";
    // After a failed save only the key is set back.
    CBtrPos none(h);
    BtrSetDefaults(h, 0, -1);
    uint16_t closed = 0;
    CBtrPos failed(closed);
    EXPECT_FALSE(failed.Save());
    EXPECT_TRUE(failed.Restore());
    BtrCloseFile(h);
    int status = -1;
    char k2[256] = {};
    EXPECT_FALSE(CheckedRecordCall(0, B_GET_EQUAL, 0, k2, r, 97, 1, &status, 33, -1));
    EXPECT_EQ(status, B_FILE_NOT_OPEN);
    EXPECT_TRUE(CheckedRecordCall(0, B_GET_EQUAL, 0, nullptr, r, 97, 1, &status, 33, 3, -1));
}

}  // namespace
}  // namespace svctest

#include "bwps/progress.h"

namespace svctest {
namespace {

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(ProgressDialog, StepsAtMostOncePerPercentAndEscCancels)
{
    FxTranscriptClear();
    {
        CProgressDialog dialog;
        dialog.Create(0, 1000, 1, false, true, true, "RSVerify");
        for (int i = 0; i < 1000; ++i)
            dialog.Step();
        EXPECT_EQ(dialog.Position(), 1000);
        EXPECT_TRUE(dialog.Destroy());
        EXPECT_FALSE(dialog.Destroy());
    }
    const std::string t = FxTranscript();
    EXPECT_NE(t.find("progress open RSVerify 1000"), std::string::npos) << t;
    EXPECT_LE(Count(t, "progress RSVerify "), 101) << t;
    EXPECT_NE(t.find("progress RSVerify 1000/1000"), std::string::npos);
    EXPECT_NE(t.find("progress close RSVerify"), std::string::npos);

    // A job that stops between records when Esc comes: what it did stays whole.
    FxTranscriptClear();
    FxScriptLoad("wait\nwait\nkey Esc\n");
    CProgressDialog dialog;
    dialog.Create(0, 10, 1, true, false, true, "RSRepair");
    int done = 0;
    while (done < 10 && !dialog.Cancelled()) {
        ++done;
        dialog.Step();
    }
    EXPECT_EQ(done, 2);
    EXPECT_TRUE(dialog.Cancelled());
    EXPECT_NE(std::string(FxTranscript()).find("progress RSRepair cancelled"), std::string::npos);
}

TEST(ColumnFormat, ColumnsOfARecordAsText)
{
    uint8_t record[700] = {};
    auto put = [&](size_t offset, const void* value, size_t size) {
        std::memcpy(record + offset, value, size);
    };
    const int32_t date = 20250105, badDate = 20251345, time = 615;
    const double amount = -1234.5, notANumber = std::nan("");
    const int16_t factor = -12;
    const uint16_t value272 = 65000;
    put(0, "WIDGET-RED", 10);
    put(20, &date, 4);
    put(24, &badDate, 4);
    put(28, &amount, 8);
    put(36, &notANumber, 8);
    put(44, "     -    ", 10);
    put(56, "12345-6789", 10);
    put(68, "(   )    -    ", 14);
    put(84, "Y", 1);
    put(90, &time, 4);
    put(100, "ABCDEFGHIJKLMNOPQRST", 20);  // a text that fills its column
    put(270, &factor, 2);
    put(272, &value272, 2);
    TagColumnSecondRecord second{};
    second.Date21 = 20240229;
    second.Pairs[2][0] = 3;
    second.Pairs[2][1] = -4;

    struct Case {
        const char* name;
        TagColumnFormat column;
        bool shortSet;
        const char* text;
    };
    const Case cases[] = {
        {"text", {2, 0, 0, 0, 0, "%-14s"}, false, "WIDGET-RED    "},
        {"date", {3, 0, 20, 0, 0, "nn/nn/nn"}, false, "Jan 05, 2025"},
        {"invalid date", {3, 0, 24, 0, 0, "nn/nn/nn"}, false, ""},
        {"date of the second record", {3, 28, 20, 0, 0, "nn/nn/nn"}, false, "Feb 29, 2024"},
        {"time", {12, 0, 90, 0, 0, "%-5s"}, false, "10:15"},
        {"amount", {11, 0, 28, 0, 0, "%12.2f"}, false, "    -1234.50"},
        {"not a number", {10, 0, 36, 0, 0, "%12.2f"}, false, ""},
        {"empty zip", {2, 11, 44, 0, 0, "%-10s"}, false, ""},
        {"zip", {2, 11, 56, 0, 0, "%-10s"}, false, "12345-6789"},
        {"empty telephone", {2, 13, 68, 0, 0, "%-14s"}, false, ""},
        {"full column", {2, 0, 100, 0, 0, "%-20s"}, false, "ABCDEFGHIJKLMNOPQRST"},
        {"pair", {7, 23, 0, 0, 0, "%6ld"}, false, "3/-4"},
        {"segmented code", {2, 4, 0, 8, 2, "%-14s"}, false, "WIDGET--RE-D"},
        {"code without segments", {2, 4, 0, 0, 0, "%-14s"}, false, "WIDGET-RED"},
        {"flag between blanks", {1, 15, 84, 0, 0, "%c"}, true, " Y "},
        {"value at 270", {5, 17, 0, 0, 0, "%6d"}, true, "   -12"},
        {"value at 272", {6, 18, 0, 0, 0, "%6u"}, true, " 65000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char out[64];
        std::memset(out, 'x', sizeof out);
        if (c.shortSet)
            EXPECT_EQ(FormatColumnValueShort(out, 40, record, &c.column), 1);
        else
            EXPECT_EQ(FormatColumnValue(out, 40, record, &second, &c.column), 1);
        EXPECT_STREQ(out, c.text);
    }
    // The text is cut to the width given.
    char out[8];
    const TagColumnFormat text{2, 0, 0, 0, 0, "%-14s"};
    FormatColumnValue(out, 6, record, &second, &text);
    EXPECT_STREQ(out, "WIDGET");
    // A sub-column past the end of the code is refused; the code is copied.
    char code[32];
    const TagColumnFormat outside{2, 4, 0, 9, 5, "%-14s"};
    FxScriptLoad("answer OK");
    EXPECT_EQ(FormatCodeColumn(code, 31, record, &outside), COLUMN_SEGMENT_OUTSIDE);
    EXPECT_STREQ(code, "WIDGET-RED");
    EXPECT_EQ(BWPSOrdinal(235), reinterpret_cast<void*>(&FormatColumnValue));
    EXPECT_EQ(BWPSOrdinal(236), reinterpret_cast<void*>(&FormatCodeColumn));
    EXPECT_EQ(BWPSOrdinal(289), reinterpret_cast<void*>(&FormatColumnValueShort));
}

}  // namespace
}  // namespace svctest
