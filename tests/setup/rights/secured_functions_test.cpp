// The secured-function list loaded from its text file: the records, the
// header of constants, menu symbols, and lines that are not functions.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "bwps/user_rights.h"
#include "fx.h"
#include "tests/setup/rights/rights_fixture.h"

namespace bwps::test {
namespace {

class SecuredFunctionsTest : public RightsTest {
protected:
    void SetUp() override
    {
        RightsTest::SetUp();
        work_ = root_ / "work";
        fs::create_directories(work_ / "security");
        fs::create_directories(work_ / "inc");
        char here[4096] = {};
        ASSERT_NE(::getcwd(here, sizeof here), nullptr);
        before_ = here;
        ASSERT_EQ(::chdir(work_.c_str()), 0);
    }
    void TearDown() override
    {
        (void)!::chdir(before_.c_str());
        RightsTest::TearDown();
    }
    void Write(const std::string& relative, const std::string& text)
    {
        std::ofstream(work_ / relative, std::ios::binary) << text;
    }
    std::string Read(const std::string& relative)
    {
        std::ifstream in(work_ / relative, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteMenus()
    {
        Write("inc/posmenu.h",
              "// menu commands\n"
              "#define ITEMS 40\n"
              "   #define   EXACTLY   13\n"
              "#define EXACT 12\n"
              "#Define OTHER 99\n"
              "int x; #define LATE 5\n"
              "#define CUSTOMER 120\n");
    }
    static std::string Name(const SecuredFunctionRecord& f) { return std::string(f.Name, strnlen(f.Name, sizeof f.Name)); }

    fs::path work_;
    std::string before_;
};

TEST_F(SecuredFunctionsTest, MenuSymbols)
{
    WriteMenus();
    struct Row {
        const char* symbol;
        int command;
    } rows[] = {
        {"ITEM", 40},       // the first name that begins with it
        {"item", 40},       // case ignored
        {"ITEMS", 40},
        {"EXACT", 12},      // a name equal to it wins over an earlier longer one
        {"exactly", 13},
        {"EXA", 13},
        {"  CUSTOMER  ", 120},
        {"OTHER", 0},       // "#Define" is no define
        {"LATE", 0},        // a define after other text is none
        {"0ITEM", 0},
        {"0", 0},
        {"", 0},            // an empty symbol names nothing
        {"   ", 0},
        {"NOPE", 0},
        {"ITEMSX", 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ResolveMenuSymbol(row.symbol), row.command) << '"' << row.symbol << '"';
}

TEST_F(SecuredFunctionsTest, WithoutTheMenuHeaderSymbolsResolveToNothing)
{
    FxTranscriptClear();
    EXPECT_EQ(ResolveMenuSymbol("ITEM"), 0);
    EXPECT_NE(Transcript().find("cannot be opened"), std::string::npos) << Transcript();
    FxTranscriptClear();
    EXPECT_EQ(ResolveMenuSymbol("0"), 0);
    EXPECT_EQ(Transcript().find("cannot be opened"), std::string::npos) << "no header is read for none";
}

TEST_F(SecuredFunctionsTest, HeaderLines)
{
    struct Row {
        const char* name;
        int16_t number;
        const char* constant;
        const char* value;
    } rows[] = {
        {"Void (Line)", 5, "_SEC_VOID__LINE_", "5"},
        {"Cust's.Edit", 1, "_SEC_CUST_S_EDIT", "1"},
        {"open drawer", 200, "_SEC_OPEN_DRAWER", "200"},
        {"", 0, "_SEC_", "0"},
    };
    for (const Row& row : rows) {
        SecuredFunctionRecord f{};
        std::snprintf(f.Name, sizeof f.Name, "%-30s", row.name);
        f.Right = row.number;
        char line[128];
        WriteSecuredFunctionDefine(line, &f);
        // "#define", two blanks, the constant in 45 columns, four blanks.
        std::string constant = row.constant;
        constant.resize(45, ' ');
        EXPECT_EQ(std::string(line), "#define  " + constant + "    " + row.value + "\n") << row.name;
    }
}

TEST_F(SecuredFunctionsTest, LoadTakesFunctionsAndSkipsWhatIsNone)
{
    WriteMenus();
    const std::string overlong = "Overlong," + std::string(1100, 'x') + ",Tail Function,9,0\n";
    Write("security/function.dat",
          "Void (Line),5,0,1,2,3,4,5\r\n"
          "Cust's.Edit,1,ITEM,0,0,0,0,0\n"
          "\n"
          "   \n"
          "Zero,0,0\n"
          "  Last Right  ,200,CUSTOMER,7\n"
          "Too Big,201,0\n"
          "No Number,abc,0\n"
          "Empty Number,,0\n"
          "Negative,-3,0\n"
          ",7,0\n" +
          overlong +
          "A Name Longer Than Thirty Characters Here,8,0\n"
          "Short\n"
          "{start},50,ITEM,1,1,1,1,1\n"
          "After Start,60,EXACT\n"
          "{End}\n"
          "Never,70,0\n");
    Write("security/function.h", "old header\n");
    PutFunction(99, "Left From Before");

    ASSERT_EQ(LoadSecuredFunctions(), 0) << Transcript();

    struct Expected {
        int16_t number;
        const char* name;
        int16_t flagIndex;
        int16_t command;
        int16_t first;
    } expected[] = {
        {-3, "Negative", 0, 0, 0},
        {0, "Zero", 0, 0, 0},
        {1, "Cust's.Edit", 0, 40, 0},
        {5, "Void (Line)", 4, 0, 1},
        {8, "A Name Longer Than Thirty Char", 7, 0, 0},
        {60, "After Start", 59, 12, 0},
        {200, "Last Right", 199, 120, 7},
    };
    const auto functions = Functions();
    ASSERT_EQ(functions.size(), std::size(expected));
    for (std::size_t i = 0; i < functions.size(); ++i) {
        const SecuredFunctionRecord& f = functions[i];
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(+f.Right, expected[i].number);
        std::string padded = expected[i].name;
        padded.resize(30, ' ');
        EXPECT_EQ(Name(f), padded);
        EXPECT_EQ(+f.FlagIndex, expected[i].flagIndex);
        EXPECT_EQ(+f.Command, expected[i].command);
        EXPECT_EQ(+f.Numbers[0], expected[i].first);
        EXPECT_EQ(f.LastUserId[0], '\0');
        EXPECT_EQ(f.Mark, 0);
    }
    EXPECT_EQ(+functions[3].Numbers[4], 5);

    const std::string header = Read("security/function.h");
    EXPECT_EQ(header.find("old header"), std::string::npos);
    EXPECT_EQ(header.substr(0, header.find('\n')), "#define  _SEC_VOID__LINE_" + std::string(29 + 4, ' ') + "5") << header;
    EXPECT_NE(header.find("_SEC_LAST_RIGHT "), std::string::npos) << header;
    EXPECT_EQ(header.find("TAIL"), std::string::npos) << "the tail of an overlong line is no function";
    EXPECT_EQ(header.find("NEVER"), std::string::npos);
    EXPECT_EQ(std::count(header.begin(), header.end(), '\n'), 7);
    EXPECT_FALSE(fs::exists(work_ / "security/function.h.new"));
}

TEST_F(SecuredFunctionsTest, WithoutTheListNothingIsTouched)
{
    Write("security/function.h", "kept header\n");
    PutFunction(3, "Kept");
    FxTranscriptClear();
    EXPECT_EQ(LoadSecuredFunctions(), -1);
    EXPECT_NE(Transcript().find("cannot be opened"), std::string::npos) << Transcript();
    EXPECT_EQ(Read("security/function.h"), "kept header\n");
    ASSERT_EQ(Functions().size(), 1u);
    EXPECT_EQ(Functions()[0].Right, 3);
}

TEST_F(SecuredFunctionsTest, AnEmptyListLeavesAnEmptyFile)
{
    Write("security/function.dat", "{START}\n");
    PutFunction(3, "Old");
    EXPECT_EQ(LoadSecuredFunctions(), 0);
    EXPECT_TRUE(Functions().empty());
    EXPECT_EQ(Read("security/function.h"), "");
}

}  // namespace
}  // namespace bwps::test
