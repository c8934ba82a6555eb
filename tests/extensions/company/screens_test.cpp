// The screen entries of bwps/screens.h: which of them this build answers
// with the "not available" placeholder, seen both from the symbols the
// libraries export and from what the command entry shows.
#include "tests/extensions/company/fixture.h"

#include <dlfcn.h>

#include <regex>
#include <set>
#include <string>

#include "bwps/screens.h"
#include "fx.h"

namespace companytest {
namespace {

// The screen entries of the command table that this build lacks.
const std::set<std::string> kNotInThisBuild = {};

TEST(ScreenEntries, TheHeaderDeclaresEachEntryOnce)
{
    std::set<std::string> names;
    for (const char* name : bwps::kScreenEntryNames)
        EXPECT_TRUE(names.insert(name).second) << name;
}

TEST(ScreenEntries, AbsentEntriesAreExactlyThePinnedSet)
{
    std::set<std::string> absent;
    for (const char* name : bwps::kScreenEntryNames)
        if (dlsym(RTLD_DEFAULT, name) == nullptr)
            absent.insert(name);
    EXPECT_EQ(absent, kNotInThisBuild);
}

class ScreenPlaceholderTest : public CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        company_ = Folder("store");
        Start("");
        ASSERT_TRUE(Create("Store", company_));
    }
    std::string company_;
};

// Running every command of the table collects the screens that answered
// with the placeholder: exactly the pinned entries (plus nothing else).
TEST_F(ScreenPlaceholderTest, CommandsShowThePlaceholderForExactlyThePinnedEntries)
{
    const std::regex placeholder(R"((\w+) is not available in this build\.)");
    std::set<std::string> shown;
    int number = 0;
    for (int i = 0; BWPS1CommandInfo(i, &number, nullptr, nullptr); ++i) {
        // The help index answers through the help service, not a screen
        // entry: its placeholder is the host's to check.
        if (number == CmdLogin || number == CmdOpenCompany || number == CmdConfirmExit ||
            number == CmdHelpIndex)
            continue;
        FxTranscriptClear();
        Run(number);
        const std::string text = Transcript();
        for (std::sregex_iterator it(text.begin(), text.end(), placeholder), end; it != end; ++it)
            shown.insert((*it)[1]);
    }
    EXPECT_EQ(shown, kNotInThisBuild);
}

}  // namespace
}  // namespace companytest
