// The calculator's arithmetic and its paste into a number field, the size
// texts and the program-file versions of the about box.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/desk_tools.h"
#include "recman.h"

namespace {

using bwps::desk::Calculator;

// Presses each character of the keys ('~' stands for Enter).
Calculator::Outcome Press(Calculator& calc, const std::string& keys)
{
    Calculator::Outcome last = Calculator::kStay;
    for (char c : keys)
        last = calc.Press(c == '~' ? static_cast<int>(FX_KEY_ENTER) : static_cast<int>(c));
    return last;
}

TEST(Calculator, ChainsLeftToRightAndKeepsItsEntryRules)
{
    const struct {
        const char* keys;
        const char* shown;
    } cases[] = {
        {"2+3*4=", "20.000000"},                 // no precedence
        {"7/0=", "0"},                           // division by zero gives 0
        {"2+3=4+1=", "5.000000"},                // a digit after = starts anew
        {"2+3=+1=", "6.000000"},                 // an operator after = goes on
        {"2*3==", "18.000000"},                  // = repeats the last operation
        {"00", "0"},                             // a second leading 0 is ignored
        {".", "0."},                             // a point on an empty entry
        {"1..2", "1.2"},                         // a second point is ignored
        {"12BB", "0"},                           // an emptied entry shows 0
        {"5+CC", "0"},                           // twice Clr clears all
        {"5\\+1=", "-4.000000"},                 // the entry's sign
        {"5+1=\\", "-6.000000"},                 // no entry: the result's sign
        {"9S", "3.000000"},                      // square root of the entry
        {"2E3=", "8.000000"},                    // power
        {"E2", "2"},                             // E as the first key does nothing
        {"2+3=C9M", "5.000000"},                 // Mem recalls the last result
        {"~", "0"},                              // Enter as the first key does nothing
        {"4+4~", "8.000000"},                    // Enter counts as =
        {"1234567890123456+", "1234567890123456"}, // + needs room in the entry
        {"1234567890123456-", "1234567890123456"}, // - applies
        {"12345678901234567", "1234567890123456"}, // the 17th digit is not taken
        {"1F", "1"},                             // significant-digit display
        {"1/3=F", "0.33333333333333"},           // cut at 16 characters
    };
    for (const auto& c : cases) {
        Calculator calc;
        Press(calc, c.keys);
        EXPECT_EQ(calc.Display(), c.shown) << c.keys;
    }
    Calculator minus;
    Press(minus, "1234567890123456-");
    EXPECT_EQ(minus.LastOperator(), "-");
    Calculator plus;
    Press(plus, "1234567890123456+");
    EXPECT_EQ(plus.LastOperator(), "");
}

TEST(Calculator, ValuesOutOfTheDisplayRangeShowErrorAndStayUsable)
{
    Calculator calc;
    Press(calc, "10E200=");
    EXPECT_EQ(calc.Display(), "ERROR");
    Press(calc, "*0=");
    EXPECT_EQ(calc.Display(), "0");
    Calculator small;
    Press(small, "1/10E200=");
    EXPECT_EQ(small.Display(), "ERROR");
}

TEST(Calculator, PasteIsLimitedToTheFieldsPicture)
{
    const struct {
        bool field;
        int decimals, width;
        bool negatives;
        const char* keys;
        Calculator::Outcome outcome;
        int message;
        const char* text;
    } cases[] = {
        {false, 0, 0, false, "12P", Calculator::kRefused, DESK_MSG_NO_PASTE_TARGET, ""},
        {true, 2, 6, true, "1234.5P", Calculator::kRefused, DESK_MSG_PASTE_TOO_LARGE, ""},
        // a whole part of one digit more than the field has places
        {true, 2, 6, true, "1000P", Calculator::kRefused, DESK_MSG_PASTE_TOO_LARGE, ""},
        {true, 2, 6, true, "999.5P", Calculator::kPasted, 0, "999.50"},
        {true, 0, 12, true, "2147483647P", Calculator::kRefused, DESK_MSG_PASTE_TOO_LARGE, ""},
        {true, 2, 8, false, "5\\P", Calculator::kRefused, DESK_MSG_PASTE_NEGATIVE, ""},
        {true, 2, 8, true, "5\\P", Calculator::kPasted, 0, "-5.00"},
        // a negative value whose sign would not fit the field
        {true, 2, 6, true, "999\\P", Calculator::kRefused, DESK_MSG_PASTE_TOO_LARGE, ""},
        {true, 2, 8, true, "2+3=P", Calculator::kPasted, 0, "5.00"},
    };
    for (const auto& c : cases) {
        Calculator calc = c.field ? Calculator(c.decimals, c.width, c.negatives) : Calculator();
        EXPECT_EQ(Press(calc, c.keys), c.outcome) << c.keys;
        EXPECT_EQ(calc.Message(), c.message) << c.keys;
        EXPECT_EQ(calc.PasteText(), c.text) << c.keys;
    }
}

TEST(AboutBox, SizeTexts)
{
    const struct {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {1073741824ull, "1024.00 MB"},
        {1073741825ull, "1.00 GB"},
        {1610612736ull, "1.50 GB"},
        {1048576ull, "1024.00 KB"},
        {1572864ull, "1.50 MB"},
        {2048ull, "2.00 KB"},
        {0ull, "0.00 KB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bwps::desk::SizeText(c.bytes), c.text) << c.bytes;
}

class ProgramVersions : public ::testing::Test {
protected:
    void SetUp() override { DeclareProgramFileVersion(nullptr, 0, 0, 0, 0); }
    void TearDown() override { DeclareProgramFileVersion(nullptr, 0, 0, 0, 0); }
    // Every file of the list that this build does not make, at a version.
    static void DeclareAll(uint32_t major, uint32_t minor)
    {
        for (const char* f : {"BWPOS14.EXE", "BWFXWIN.DLL", "DUVODOD.DLL", "DUZO20.DLL", "DADOVIDA.DLL",
                              "BWIMGS.DLL", "BWPOS-2.DLL", "BWPOS-3.DLL", "BWPOS-4.DLL", "BWPOS-5.DLL"})
            DeclareProgramFileVersion(f, major, minor, 0, 0);
    }
};

TEST_F(ProgramVersions, TheNewestFileAndTheVersionText)
{
    char name[260] = {};
    EXPECT_EQ(GetNewestProgramVersion(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    // A file without version information leaves the whole answer unknown.
    EXPECT_EQ(GetNewestProgramVersion(nullptr, nullptr, nullptr, nullptr, name), 0);
    EXPECT_EQ(bwps::desk::VersionText(), "No version information available.");
    EXPECT_EQ(GetProgramFileVersion("BWQueryALLFiles"), 0);

    DeclareAll(1, 0);
    uint32_t major = 0, minor = 0, build = 0, revision = 0;
    ASSERT_EQ(GetNewestProgramVersion(&major, &minor, &build, &revision, name), 1);
    EXPECT_EQ(std::string(name), "DUVAVEDU.DLL");  // the build's own libraries, earliest first
    EXPECT_EQ(major, 16u);
    EXPECT_EQ(GetProgramFileVersion("BWQueryALLFiles"), 16);
    // The query name in small letters is a file name like any other.
    EXPECT_EQ(GetProgramFileVersion("bwqueryallfiles"), 0);
    EXPECT_EQ(GetProgramFileVersion("bwpos14.exe"), 1);

    // Two files with the same highest version: the earlier one is newest.
    DeclareProgramFileVersion("BWFXWIN.DLL", 20, 1, 2, 3);
    DeclareProgramFileVersion("BWPOS-5.DLL", 20, 1, 2, 3);
    ASSERT_EQ(GetNewestProgramVersion(&major, &minor, &build, &revision, name), 1);
    EXPECT_EQ(std::string(name), "BWFXWIN.DLL");
    EXPECT_EQ(bwps::desk::VersionText(), "Version 20.01.02.003");
    // A greater build with the same major and minor is newer.
    DeclareProgramFileVersion("BWPOS-5.DLL", 20, 1, 3, 0);
    ASSERT_EQ(GetNewestProgramVersion(nullptr, nullptr, nullptr, nullptr, name), 1);
    EXPECT_EQ(std::string(name), "BWPOS-5.DLL");
}

TEST_F(ProgramVersions, ReadingOneFileLeavesTheOutsOfAnUnknownFile)
{
    uint32_t major = 77, minor = 77;
    EXPECT_EQ(ReadFileVersionInfo("NOSUCH.DLL", &major, &minor, nullptr, nullptr), 0);
    EXPECT_EQ(major, 77u);
    EXPECT_EQ(ReadFileVersionInfo(nullptr, &major, nullptr, nullptr, nullptr), 0);
    DeclareProgramFileVersion("BWPOS14.EXE", 3, 4, 5, 6);
    EXPECT_EQ(ReadFileVersionInfo(nullptr, &major, &minor, nullptr, nullptr), 1);
    EXPECT_EQ(major, 3u);
    EXPECT_EQ(minor, 4u);
    EXPECT_EQ(ReadFileVersionInfo("/opt/prog/bwpsbase.dll", &major, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(major, 16u);
}

TEST(AboutBox, RecordManagerVersionText)
{
    char text[80] = "x";
    EXPECT_EQ(GetRecordManagerVersion(text), 0);
    EXPECT_EQ(std::string(text), "Record manager Version 1.0");
}

}  // namespace
