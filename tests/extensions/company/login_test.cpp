// The log-in command through the script driver: silent sign-in, the
// password prompt, cancelling it, and the company list offered again.
#include "tests/extensions/company/fixture.h"

#include <cstring>

#include "bwps/session.h"
#include "fx.h"

namespace companytest {
namespace {

class LoginTest : public CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        Start("");
        CreateListed("Main", Folder("main"));
        CreateListed("Branch", Folder("branch"));
        for (const char* company : {"main", "branch"}) {
            RequirePasswords(Folder(company));
            AddUser(Folder(company), "ANNA", "secret");
        }
        // The host starts without a company: the default one is opened.
        std::memset(Session().DataPath, 0, BWPS_PATH_SIZE);
        std::memset(Session().CompanyRecord, 0, sizeof Session().CompanyRecord);
        FxTranscriptClear();
    }

    int Login()
    {
        Session().ExitCode = -7;
        EXPECT_EQ(Run(CmdLogin), 0);
        return Session().ExitCode;
    }
};

TEST_F(LoginTest, ValidUserInTheApplicationObjectSignsInSilently)
{
    FxAppSetUserId("ANNA");
    FxAppSetPassword("secret");
    EXPECT_EQ(Login(), 0) << Transcript();
    EXPECT_FALSE(Saw("RSGetUserPassword"));
    EXPECT_FALSE(Saw("RSOpenCompany"));
    EXPECT_EQ(std::string(Session().DataPath), Folder("main"));
    EXPECT_STREQ(Session().CompanyName, "Main");
    EXPECT_EQ(Session().OptionFlags & BWPS_OPTION_LOGIN_PENDING, 0u);
}

TEST_F(LoginTest, WrongPasswordInTheApplicationObjectIsRefused)
{
    FxAppSetUserId("ANNA");
    FxAppSetPassword("wrong");
    EXPECT_EQ(Login(), ExitCancelled) << Transcript();
    EXPECT_FALSE(Saw("RSGetUserPassword"));
}

TEST_F(LoginTest, PromptSignsInWhenNoUserWasGiven)
{
    Script("field 1 ANNA\nfield 2 secret\nkey F10\n");
    EXPECT_EQ(Login(), 0) << Transcript();
    EXPECT_TRUE(Saw("RSGetUserPassword"));
    EXPECT_FALSE(Saw("RSOpenCompany"));
}

// Leaving the prompt offers the company list (not the default company
// again); leaving the list then ends the log-in cancelled.
TEST_F(LoginTest, CancelledPromptOffersTheListAndCancellingItEnds)
{
    Script("key Esc\nanswer Cancel\nkey Esc\n");
    EXPECT_EQ(Login(), ExitCancelled) << Transcript();
    const std::string t = Transcript();
    const size_t prompt = t.find("RSGetUserPassword");
    const size_t list = t.find("RSOpenCompany");
    ASSERT_NE(prompt, std::string::npos) << t;
    ASSERT_NE(list, std::string::npos) << t;
    EXPECT_LT(prompt, list);
}

// With the script spent nobody can answer the list or the prompt again:
// the log-in ends cancelled after one prompt instead of going round.
TEST_F(LoginTest, ACancelledPromptWithNothingLeftToAnswerEndsAtOnce)
{
    for (const char* script : {"", "key Esc\nanswer Cancel\n"}) {
        SCOPED_TRACE(script);
        std::memset(Session().DataPath, 0, BWPS_PATH_SIZE);
        FxTranscriptClear();
        Script(script);
        EXPECT_EQ(Login(), ExitCancelled) << Transcript();
        const std::string t = Transcript();
        const size_t prompt = t.find("run begin RSGetUserPassword");
        ASSERT_NE(prompt, std::string::npos) << t;
        EXPECT_EQ(t.find("run begin RSGetUserPassword", prompt + 1), std::string::npos) << t;
        EXPECT_FALSE(Saw("RSOpenCompany")) << t;
    }
}

// The user screens keep ids and passwords in upper case: the log-in's
// texts in lower case sign in as the same user.
TEST_F(LoginTest, TheLogInsTextsCompareAsTheUserScreensKeepThem)
{
    AddUser(Folder("main"), "BERT", "HIDDEN");
    FxAppSetUserId("bert");
    FxAppSetPassword("hidden");
    EXPECT_EQ(Login(), 0) << Transcript();
    EXPECT_FALSE(Saw("RSGetUserPassword"));
    EXPECT_EQ(std::string(Session().UserId, strnlen(Session().UserId, 4)), "BERT");
}

TEST_F(LoginTest, RepeatOpensTheCompanyChosenFromTheList)
{
    Script("key Esc\nanswer Cancel\n"
           "type Branch\nkey Enter\n"
           "field 1 ANNA\nfield 2 secret\nkey F10\n");
    EXPECT_EQ(Login(), 0) << Transcript();
    EXPECT_EQ(std::string(Session().DataPath), Folder("branch"));
    EXPECT_STREQ(Session().CompanyName, "Branch");
}

TEST_F(LoginTest, WithoutPasswordsInForceNobodyIsAsked)
{
    ASSERT_TRUE(Create("Open", Folder("open")));
    std::memset(Session().DataPath, 0, BWPS_PATH_SIZE);
    std::memcpy(Session().DataPath, Folder("open").c_str(), Folder("open").size());
    FxTranscriptClear();
    EXPECT_EQ(Login(), 0) << Transcript();
    EXPECT_FALSE(Saw("RSGetUserPassword"));
    EXPECT_EQ(std::string(Session().DataPath), Folder("open"));
}

TEST_F(LoginTest, OpenAnotherCompanyFromTheList)
{
    FxAppSetUserId("ANNA");
    FxAppSetPassword("secret");
    ASSERT_EQ(Login(), 0);
    Script("type Branch\nkey Enter\nfield 1 ANNA\nfield 2 secret\nkey F10\n");
    FxTranscriptClear();
    Session().ExitCode = 0;
    EXPECT_EQ(Run(CmdOpenCompany), 0);
    EXPECT_EQ(Session().ExitCode, 0) << Transcript();
    EXPECT_EQ(std::string(Session().DataPath), Folder("branch"));
}

}  // namespace
}  // namespace companytest
