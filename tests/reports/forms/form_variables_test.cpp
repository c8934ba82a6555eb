// The form variables of BPOSVAR.DB in memory and the tags of printed forms,
// over the dictionary the base-files builder writes and small fixtures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bwps/form_variables.h"
#include "bwps/ordinals.h"
#include "bwps/report_services.h"
#include "bwps/testing.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

TagColumnVar Variable(const char* name, int group, int number)
{
    TagColumnVar v{};
    std::snprintf(v.Name, sizeof v.Name, "%s", name);
    v.Category = static_cast<int16_t>(group);
    v.Number = static_cast<int16_t>(number);
    v.Justify = 'L';
    v.Type = 2;
    v.Width = 10;
    return v;
}

class FormVariablesTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        const fs::path built = bwpstest::BuiltBaseFolder();
        fs::copy_file(built / "BPOSVAR.DB", base_ / "BPOSVAR.DB", fs::copy_options::overwrite_existing);
        FxOpenStringFiles(Folder(built).c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT");
        ASSERT_EQ(FormVarsAlloc(), 1);
        FxTranscriptClear();
    }
    void TearDown() override
    {
        FormVarsFree();
        InstallationTest::TearDown();
    }

    // A dictionary of the company's own (the data-files folder's copy is
    // the one a load reads).
    void WriteDictionary(const std::vector<TagColumnVar>& records)
    {
        const fs::path path = data_ / "BPOSVAR.DB";
        fs::copy_file(base_ / "BPOSVAR.DB", path, fs::copy_options::overwrite_existing);
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
        char key[255] = {};
        TagColumnVar old{};
        while (BtrGet(B_GET_FIRST, handle, key, &old, sizeof old) == 0)
            ASSERT_EQ(BtrWrite(B_DELETE, handle, key, &old, sizeof old), 0);
        for (TagColumnVar v : records)
            ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &v, sizeof v), 0);
        BtrCloseFile(handle);
    }

    std::vector<std::string> LoadedNames()
    {
        std::vector<std::string> names;
        for (int i = 0; i < FormVarsCount(); ++i) {
            std::string n(FormVarsTable()[i].Name, strnlen(FormVarsTable()[i].Name, 19));
            n.erase(n.find_last_not_of(' ') + 1);
            names.push_back(n);
        }
        return names;
    }
};

TEST_F(FormVariablesTest, ControlGroupLoadsSortedAndPageEndOnlyWhenAsked)
{
    ASSERT_EQ(LoadFormVars(1, FORM_GROUP_CTRL, FORM_VARS_END), 0);
    const std::vector<std::string> all = LoadedNames();
    EXPECT_EQ(all, (std::vector<std::string>{"COND", "CUT1", "CUT2", "DATE", "ESC", "LF", "NEW_PG", "NORM", "PAGE",
                                             "TIME"}));
    ASSERT_EQ(LoadFormVars(0, FORM_GROUP_CTRL, FORM_VARS_END), 0);
    std::vector<std::string> withoutPageEnd = all;
    withoutPageEnd.erase(std::find(withoutPageEnd.begin(), withoutPageEnd.end(), "NEW_PG"));
    EXPECT_EQ(LoadedNames(), withoutPageEnd);

    TagColumnVar v{};
    ASSERT_TRUE(FormVarsFind("COND", &v));
    EXPECT_STREQ(v.Name, "COND");
    EXPECT_EQ(+v.Number, FORM_CTRL_CONDENSED);
    ASSERT_TRUE(FormVarsFind("NORM", &v));
    EXPECT_EQ(+v.Number, FORM_CTRL_NORMAL);
    EXPECT_FALSE(FormVarsFind("NEW_PG", &v));
}

TEST_F(FormVariablesTest, SeveralGroupsAndTheLoadThatCannotStart)
{
    ASSERT_EQ(LoadFormVars(1, FORM_GROUP_COMP_ID, FORM_GROUP_CUST, FORM_VARS_END), 0);
    TagColumnVar v{};
    EXPECT_TRUE(FormVarsFind("CO_NAME", &v));
    EXPECT_TRUE(FormVarsFind("CV_ZIP", &v));
    EXPECT_FALSE(FormVarsFind("DATE", &v));
    // Blank padding of the name looked up does not matter; a name longer
    // than 18 characters names nothing.
    EXPECT_TRUE(FormVarsFind("CV_ZIP   ", &v));
    EXPECT_FALSE(FormVarsFind("CV_ZIPXXXXXXXXXXXXXXXXX", &v));

    FormVarsFree();
    EXPECT_EQ(LoadFormVars(1, FORM_GROUP_CTRL, FORM_VARS_END), -1) << "no table";
    ASSERT_EQ(FormVarsAlloc(), 1);
    // A group with no record at or after it: the first read's status.
    EXPECT_EQ(LoadFormVars(1, 30, FORM_VARS_END), B_END_OF_FILE);
    EXPECT_NE(Transcript().find("9"), std::string::npos);
}

TEST_F(FormVariablesTest, LoadStopsAtTheTableSizeAndSaysSo)
{
    std::vector<TagColumnVar> many;
    for (int i = 0; i < FORM_VARS_CAPACITY + 5; ++i) {
        char name[19];
        std::snprintf(name, sizeof name, "V%03d", i);
        many.push_back(Variable(name, FORM_GROUP_PROD, i));
    }
    many.push_back(Variable("LAST", FORM_GROUP_INV_FOOT, 1));
    WriteDictionary(many);
    FxTranscriptClear();
    EXPECT_EQ(LoadFormVars(1, FORM_GROUP_PROD, FORM_GROUP_INV_FOOT, FORM_VARS_END), 0);
    EXPECT_EQ(FormVarsCount(), FORM_VARS_CAPACITY);
    EXPECT_NE(Transcript().find("only the first 170"), std::string::npos) << Transcript();
    TagColumnVar v{};
    EXPECT_TRUE(FormVarsFind("V169", &v));
    EXPECT_FALSE(FormVarsFind("V170", &v));
}

TEST_F(FormVariablesTest, NextVariableInALine)
{
    ASSERT_EQ(LoadFormVars(1, FORM_GROUP_CTRL, FORM_GROUP_COMP_ID, FORM_VARS_END), 0);
    struct Case {
        const char* line;
        int from;
        bool found;
        int status;
        int start;
        int length;
        int positionAfter;
        const char* name;
    };
    const Case cases[] = {
        {"no tags here", 0, false, 0, 0, 0, 0, ""},
        {"Name {CO_NAME   } end", 0, true, 0, 5, 12, 17, "CO_NAME"},
        {"{CO_. NA ME}", 0, true, 0, 0, 12, 12, "CO_NAME"},
        {"x {DATE} {PAGE}", 8, true, 0, 9, 6, 15, "PAGE"},
        {"x {CO_NAME", 0, false, FORM_TAG_UNCLOSED, 2, 0, 0, ""},
        {"x {NOSUCH}", 0, false, FORM_TAG_UNKNOWN, 2, 8, 0, ""},
        {"{ABCDEFGHIJKLMNOPQRSTUVWXYZ}", 0, false, FORM_TAG_UNKNOWN, 0, 28, 0, ""},
        {"{DATE}", 6, false, 0, 0, 0, 6, ""},
        {"{DATE}", -3, false, 0, 0, 0, -3, ""},
    };
    for (const Case& c : cases) {
        std::string text = c.line;
        int position = c.from, start = -9, length = -9, status = -9;
        TagColumnVar v{};
        EXPECT_EQ(FormFindNextVariable(0, &position, &start, &length, &status, text.data(), &v) != 0, c.found)
            << c.line;
        EXPECT_EQ(status, c.status) << c.line;
        EXPECT_EQ(start, c.start) << c.line;
        EXPECT_EQ(length, c.length) << c.line;
        EXPECT_EQ(position, c.found ? c.positionAfter : c.from) << c.line;
        if (c.found) {
            EXPECT_STREQ(v.Name, c.name) << c.line;
        }
        EXPECT_EQ(text, c.line) << "left as it was without the blank flag";
    }
    std::string text = "a {DATE} b";
    int position = 0, start = 0, length = 0, status = 0;
    TagColumnVar v{};
    ASSERT_TRUE(FormFindNextVariable(1, &position, &start, &length, &status, text.data(), &v));
    EXPECT_EQ(text, "a        b");
}

TEST_F(FormVariablesTest, TagNamesFindBlankAndStrip)
{
    char name[19] = {};
    int length = 0;
    EXPECT_TRUE(FormParseTagName(1, &length, name, "x{A. B}y"));
    EXPECT_STREQ(name, "AB");
    EXPECT_EQ(length, 6);
    EXPECT_FALSE(FormParseTagName(0, &length, name, "{OPEN"));
    // A long tag fills the name up to its field, never past it.
    const std::string longTag = "{" + std::string(300, 'Q') + "}";
    EXPECT_TRUE(FormParseTagName(0, &length, name, longTag.c_str()));
    EXPECT_EQ(std::strlen(name), 18u);
    EXPECT_EQ(length, 302);

    struct FindCase {
        const char* tag;
        const char* line;
        int from;
        int found;
    };
    const FindCase finds[] = {
        {"{COND}", "ab {COND} {COND}", 0, 3},   {"{COND}", "ab {COND} {COND}", 4, 10},
        {"{COND}", "ab {CONDX", 0, -1},         {"{ADDR3", "{ADDR3_X}", -1, 0},
        {"NEW_PG}", "  {NEW_PG}", 0, 2},        {"{NORM}", "", 0, -1},
    };
    for (const FindCase& f : finds) {
        int position = f.from;
        EXPECT_EQ(FormFindTag(f.tag, f.line, &position) != 0, f.found >= 0) << f.line;
        EXPECT_EQ(position, f.found) << f.tag << " in " << f.line;
    }
    EXPECT_TRUE(FormFindTag("{COND}", "x{COND}", nullptr));

    struct BlankCase {
        const char* line;
        int position;
        int answer;
        const char* after;
    };
    const BlankCase blanks[] = {
        {"a {TAG} b", 2, 1, "a       b"}, {"a {TAG b", 2, 1, "a {TAG b"}, {"", 0, 0, ""}, {"a {X}", -1, 0, "a {X}"},
    };
    for (const BlankCase& b : blanks) {
        char line[32];
        std::snprintf(line, sizeof line, "%s", b.line);
        EXPECT_EQ(FormBlankTag(b.position, line), b.answer) << b.line;
        EXPECT_STREQ(line, b.after) << b.line;
    }

    char out[32];
    std::snprintf(out, sizeof out, "%s", "ab {CD} ef {G}");
    FormKeepTagsOnly(out, out);
    EXPECT_STREQ(out, "   {CD}    {G}");
}

TEST_F(FormVariablesTest, ValuesTakeTheTagsWidthAndAlignment)
{
    struct Case {
        char justify;
        int entryWidth;
        int width;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {'R', 5, 5, "ab   ", "   ab"},  {'L', 5, 5, "  ab ", "ab   "}, {'L', 5, 5, "     ", "     "},
        {'C', 6, 6, "ab    ", "  ab  "}, {'N', 5, 5, " ab  ", " ab  "}, {'L', 5, 3, "abcde", "abc"},
        {'R', 3, 5, "abcde", "abcde"},
    };
    for (const Case& c : cases) {
        TagColumnVar v = Variable("X", 3, 1);
        v.Justify = c.justify;
        v.Width = static_cast<int16_t>(c.entryWidth);
        char value[16];
        std::snprintf(value, sizeof value, "%s", c.value);
        EXPECT_EQ(FormFormatVariable(value, c.width, &v), 1);
        EXPECT_STREQ(value, c.after) << c.justify << " '" << c.value << "'";
    }
}

TEST_F(FormVariablesTest, ZeroStyles)
{
    struct Case {
        char fill;
        int type;
        const char* value;
        int answer;
        const char* after;
    };
    const Case cases[] = {
        {'F', 10, "      12.00", 1, "         12"},
        {'F', 10, "      12.50", 0, "      12.50"},
        {'F', 5, "  12.0 ", 1, "  12   "},
        {'F', 10, "     120", 0, "     120"},
        {'W', 10, "    0.00", 1, "        "},
        {'W', 10, "   10.00", 0, "   10.00"},
        {'W', 10, "  -0.00", 1, "       "},
        {'W', 2, "    0.00", 0, "    0.00"},
        {'N', 10, "    0.00", 0, "    0.00"},
    };
    for (const Case& c : cases) {
        TagColumnVar v = Variable("X", 3, 1);
        v.Fill = c.fill;
        v.Type = static_cast<int16_t>(c.type);
        char value[16];
        std::snprintf(value, sizeof value, "%s", c.value);
        EXPECT_EQ(FormTrimNumericValue(value, 0, &v), c.answer) << c.fill << " '" << c.value << "'";
        EXPECT_STREQ(value, c.after) << c.fill << " '" << c.value << "'";
    }
}

TEST_F(FormVariablesTest, FieldValuesComeFromTheSourceRecord)
{
    ASSERT_EQ(LoadFormVars(1, FORM_GROUP_PROD, FORM_VARS_END), 0);
    TagColumnVar price{}, code{};
    ASSERT_TRUE(FormVarsFind("PROD_PRICE", &price));
    ASSERT_TRUE(FormVarsFind("PROD_CODE", &code));
    std::vector<uint8_t> product(668, 0);
    std::memcpy(product.data(), "WIDGET", 6);
    const double amount = 12.5;
    std::memcpy(product.data() + price.SourceOffset, &amount, sizeof amount);
    char value[256];
    FormFormatFieldValue(value, price.Width, product.data(), &price);
    EXPECT_STREQ(value, "      12.50");
    FormFormatFieldValue(value, 4, product.data(), &code);
    EXPECT_STREQ(value, "WIDG");
}

TEST_F(FormVariablesTest, LayoutScanNotesPageBreaksAndAddressTags)
{
    struct Case {
        const char* text;
        int lines;
        int flags[4];   // address 3, country, contact, ends with a page
    };
    const Case cases[] = {
        {"a\n{ADDR3  }\n\n{NEW_PG}\n", 4, {1, 0, 0, 1}},
        {"{NEW_PG}\n{CV_CNTRY}\n{S_CONTACT}\n", 3, {0, 1, 1, 0}},
        {"", 0, {0, 0, 0, 0}},
    };
    int index = 0;
    for (const Case& c : cases) {
        const fs::path path = data_ / ("layout" + std::to_string(index++) + ".FMT");
        std::ofstream(path, std::ios::binary) << c.text;
        FxTextReader reader{};
        ASSERT_EQ(FxTextOpen(&reader, path.c_str()), 0);
        int count = -1;
        uint8_t flags[6] = {7, 8, 9, 9, 9, 9};
        EXPECT_EQ(FormScanLayout(&count, flags, &reader), c.lines) << c.text;
        EXPECT_EQ(count, c.lines);
        EXPECT_EQ(flags[0], 7);
        EXPECT_EQ(flags[1], 8);
        for (int f = 0; f < 4; ++f)
            EXPECT_EQ(flags[2 + f], c.flags[f]) << c.text << " flag " << 2 + f;
        int pageEnd = -1, address3 = -1;
        EXPECT_EQ(FormScanLayoutTags(&count, &pageEnd, &address3, &reader), c.lines);
        EXPECT_EQ(pageEnd, c.flags[3]);
        EXPECT_EQ(address3, c.flags[0]);
        FxTextClose(&reader);
    }
}

TEST_F(FormVariablesTest, LayoutWithANulByteReadsItAsABlank)
{
    const fs::path path = data_ / "nul.FMT";
    std::ofstream(path, std::ios::binary) << std::string("ab\0{NEW_PG}\n", 12);
    FxTextReader reader{};
    ASSERT_EQ(FxTextOpen(&reader, path.c_str()), 0);
    uint8_t flags[6] = {};
    EXPECT_EQ(FormScanLayout(nullptr, flags, &reader), 1);
    EXPECT_EQ(flags[FORM_SCAN_ENDS_WITH_PAGE], 1) << "the tag behind the NUL byte is seen";
    FxTextClose(&reader);
}

TEST_F(FormVariablesTest, TagErrorsShowTheirLineAndColumn)
{
    FormShowTagError(" OK", FORM_TAG_UNCLOSED, 4, 17, "");
    FormShowTagError(" OK", FORM_TAG_UNKNOWN, 9, 0, "CUST%sNAME");
    const std::string t = Transcript();
    EXPECT_NE(t.find("not closed"), std::string::npos) << t;
    EXPECT_NE(t.find("Line 4, column 17."), std::string::npos) << t;
    EXPECT_NE(t.find("unknown variable {CUST%sNAME}"), std::string::npos) << t;
    EXPECT_NE(t.find("Line 9."), std::string::npos) << t;
}

TEST_F(FormVariablesTest, ControlVariablesOfAReport)
{
    struct Case {
        const char* name;
        int answer;
        const char* text;
    };
    ASSERT_EQ(LoadFormVars(1, FORM_GROUP_CTRL, FORM_VARS_END), 0);
    const Case cases[] = {{"PAGE", 1, "12"}, {"NEW_PG", 0, ""}, {"NORM", 0, ""}, {"CUT1", 0, ""}};
    for (const Case& c : cases) {
        TagColumnVar v{};
        ASSERT_TRUE(FormVarsFind(c.name, &v)) << c.name;
        char text[256] = "junk";
        TagRepInfo report{};
        EXPECT_EQ(ReportControlVariable(text, 12, &v, &report), c.answer) << c.name;
        EXPECT_STREQ(text, c.text) << c.name;
    }
    TagColumnVar date{};
    ASSERT_TRUE(FormVarsFind("DATE", &date));
    char text[256] = {};
    TagRepInfo report{};
    EXPECT_EQ(ReportControlVariable(text, 1, &date, &report), 1);
    EXPECT_EQ(std::strlen(text), 8u) << text;
    TagColumnVar condensed{};
    ASSERT_TRUE(FormVarsFind("COND", &condensed));
    ReportControlVariable(text, 1, &condensed, &report);
    EXPECT_EQ(+report.wide, 1);
    ReportControlVariable(text, 1, &condensed, &report);
    EXPECT_EQ(+report.wide, 1) << "condensed stays condensed";
}

TEST_F(FormVariablesTest, SourceTableListsTheDictionary)
{
    const fs::path path = data_ / "VARS.C";
    ASSERT_EQ(FormVarsWriteSource(path.c_str()), 0);
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    EXPECT_EQ(text.rfind("//\r\n//\r\n//\r\n//\r\n#include <bwamain.h>\r\n", 0), 0u);
    EXPECT_NE(text.find("   {\"            NEW_PG\", _DD_GROUP_CTRL          ,   4, 'L'"), std::string::npos)
        << text.substr(0, 600);
    EXPECT_NE(text.find("   {0}\r\n   };\r\n"), std::string::npos);
    EXPECT_EQ(FormVarsWriteSource((data_ / "no-such-folder" / "V.C").c_str()), -1);
}

TEST_F(FormVariablesTest, OrdinalsReachTheEntries)
{
    EXPECT_EQ(BWPSOrdinal(209), reinterpret_cast<void*>(&FormVarsFind));
    EXPECT_EQ(BWPSOrdinal(778), reinterpret_cast<void*>(&TextReportControlVariable));
    EXPECT_EQ(BWPSOrdinal(783), reinterpret_cast<void*>(&FormVarsWriteSource));
}

}  // namespace
}  // namespace bwps::test
