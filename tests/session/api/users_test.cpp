// Users, passwords and access checks: silent sign-in, the sign-in screen,
// rights by number, by command and by warehouse, setting a right.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/session.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/api/fixture.h"

namespace fs = std::filesystem;
using sessiontest::SessionTest;

namespace {

std::string SignedInUser()
{
    const SessionBlock* s = GetSessionPaths();
    std::string id(s->UserId, strnlen(s->UserId, sizeof s->UserId));
    while (!id.empty() && id.back() == ' ')
        id.pop_back();
    return id;
}

// Texts of the numbered messages the checks show.
const char* const kUnknownUser = "The user id was not found.";             // 1481
const char* const kNoRight = "You do not have the right to use this function.";  // 1483
const char* const kNoWarehouse = "You do not have access to this warehouse.";   // 1547
const char* const kTooManyAttempts = "Too many wrong passwords.";           // 183

bool UserIdIsAllZero()
{
    const SessionBlock* s = GetSessionPaths();
    for (char c : s->UserId)
        if (c != 0)
            return false;
    return true;
}

class Users : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        CreateFiles({bwps::No(bwps::FileNo::Users), bwps::No(bwps::FileNo::UserWarehouses), bwps::No(bwps::FileNo::MenuRights)});
        SetPasswordsInForce(true);
        SetSupervisorPassword("");
        GetSessionPaths()->UserLevel = -1;
        FxTranscriptClear();
    }

    // Signs ALICE in silently (level 0).
    void SignInAlice()
    {
        int inForce = 0, idOk = 0, passwordOk = 0;
        ASSERT_EQ(BWPSCheckUser(&inForce, "ALICE", &idOk, "pw1", &passwordOk), 1);
        ASSERT_EQ(idOk, 1);
        ASSERT_EQ(passwordOk, 1);
    }
};

TEST_F(Users, WithoutAUserFileEveryRightPassesAndNobodyIsAsked)
{
    fs::remove(data() + "/BPOSGEN3.DB");
    EXPECT_EQ(PasswordsInForce(), 0);
    EXPECT_EQ(CheckUserAccess(5, 0, "NOBODY", 1), 1);
    EXPECT_EQ(CheckUserGroupAccess(140), 1);
    EXPECT_EQ(CheckUserWarehouseAccess(0, "NOBODY", "W1", 1), 1);
    EXPECT_EQ(PromptUserPassword(nullptr, nullptr), 1);
    EXPECT_EQ(SetUserRight(5, 0, "NOBODY", 1), 0);
    // The silent check lets the host's log-in through as well.
    int inForce = 1, idOk = 0, passwordOk = 0;
    EXPECT_EQ(BWPSCheckUser(&inForce, "NOBODY", &idOk, "x", &passwordOk), 1);
    EXPECT_EQ(inForce, 0);
    EXPECT_EQ(TranscriptCount("window open"), 0);
}

TEST_F(Users, EmptyUserFileWithoutSupervisorPasswordGrantsEverything)
{
    EXPECT_EQ(PasswordsInForce(), 1);
    EXPECT_EQ(CheckUserAccess(5, 0, "NOBODY", 1), 1);
    EXPECT_EQ(PromptUserPassword(nullptr, nullptr), 1);
    EXPECT_EQ(TranscriptCount("window open"), 0);

    // With a supervisor password somebody can be checked.
    SetSupervisorPassword("boss");
    int status = 0;
    ASSERT_EQ(ReadPasswordsRecord(&status), 1);
    EXPECT_STREQ(GetPasswordEntry(PASSWORD_SUPERVISOR_ENTRY), "boss");
    EXPECT_EQ(CheckUserAccess(5, 0, "NOBODY", 0), 0);
}

TEST_F(Users, SilentSignInOfTheSupervisorAndOfUsers)
{
    AddUser("ALICE", "pw1", {1});
    struct Case {
        const char* supervisorPassword;
        const char* id;
        const char* password;
        int result, idOk, passwordOk, level;
        const char* user;
    };
    const Case cases[] = {
        {"", "HEADKEEPER", "", 1, 1, 1, 5, ""},
        {"", "HEADKEEPER    ", "", 1, 1, 1, 5, ""},
        {"", "HEADKEEPER", "guess", 1, 1, 0, -1, nullptr},
        {"boss", "HEADKEEPER", "boss", 1, 1, 1, 5, ""},
        {"boss", "HEADKEEPER", "", 1, 1, 0, -1, nullptr},
        {"boss", "HEADKEEPER", "Boss", 1, 1, 0, -1, nullptr},
        {"", "ALICE", "pw1", 1, 1, 1, 0, "ALICE"},
        {"", "ALICE         ", "pw1", 1, 1, 1, 0, "ALICE"},
        {"", "ALICE", "pw2", 1, 1, 0, -1, nullptr},
        {"", "BOB", "pw1", 1, 0, 1, -1, nullptr},
        {"", "", "", 1, 0, 1, -1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + "/" + c.password + " supervisor " + c.supervisorPassword);
        SetSupervisorPassword(c.supervisorPassword);
        SessionBlock* s = GetSessionPaths();
        s->UserLevel = -1;
        std::memset(s->UserId, 'z', sizeof s->UserId);
        int inForce = -1, idOk = -1, passwordOk = -1;
        EXPECT_EQ(BWPSCheckUser(&inForce, c.id, &idOk, c.password, &passwordOk), c.result);
        EXPECT_EQ(inForce, 1);
        EXPECT_EQ(idOk, c.idOk);
        EXPECT_EQ(passwordOk, c.passwordOk);
        EXPECT_EQ(s->UserLevel, c.level);
        if (c.user == nullptr) {
            EXPECT_EQ(s->UserId[0], 'z');  // unchanged
        } else if (c.level == 5) {
            EXPECT_TRUE(UserIdIsAllZero());
        } else {
            EXPECT_EQ(SignedInUser(), c.user);
        }
    }
}

TEST_F(Users, StoredPasswordsAndRightsAreNeverPlain)
{
    AddUser("ALICE", "pw1", {3});
    UserRecord stored = ReadStoredUser("ALICE");
    EXPECT_NE(std::string(stored.Password, 3), "pw1");
    EXPECT_NE(stored.Rights[2], 'Y');

    ASSERT_EQ(SetUserRight(7, 0, "ALICE", 1), 0);
    stored = ReadStoredUser("ALICE");
    EXPECT_NE(stored.Rights[6], 'Y');
    char plain = stored.Rights[6];
    FxCharTransform88(&plain);
    EXPECT_EQ(plain, 'Y');
    EXPECT_EQ(CheckUserAccess(7, 0, "ALICE", 0), 1);
    EXPECT_EQ(CheckUserAccess(3, 0, "ALICE", 0), 1);

    ASSERT_EQ(SetUserRight(3, 0, "ALICE", 0), 0);
    EXPECT_EQ(CheckUserAccess(3, 0, "ALICE", 0), 0);
    EXPECT_EQ(SetUserRight(3, 0, "BOB", 1), B_KEY_NOT_FOUND);
}

TEST_F(Users, ValidateTakesTheLogInOfTheApplicationObject)
{
    AddUser("ALICE", "pw1", {1});
    struct Case {
        const char* id;
        const char* password;
        int prompt, signedIn;
        const char* box;
    };
    const Case cases[] = {
        {"ALICE", "pw1", 0, 1, nullptr},
        {"ALICE", "nope", 1, 0, "Invalid user password. Please try again."},
        {"CAROL", "pw1", 1, 0, "Invalid user id. Please try again."},
        {"", "", 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        FxTranscriptClear();
        FxAppSetUserId(c.id);
        FxAppSetPassword(c.password);
        char id[32] = "junk", password[32] = "junk";
        int prompt = -1, signedIn = -1;
        EXPECT_EQ(ValidateUserPassword(id, password, &prompt, &signedIn), 1);
        EXPECT_STREQ(id, c.id);
        EXPECT_STREQ(password, c.password);
        EXPECT_EQ(prompt, c.prompt);
        EXPECT_EQ(signedIn, c.signedIn);
        if (c.box != nullptr) {
            EXPECT_NE(Transcript().find(c.box), std::string::npos) << Transcript();
        } else {
            EXPECT_EQ(TranscriptCount("message"), 0) << Transcript();
        }
    }
}

TEST_F(Users, SignInScreenSignsAUserIn)
{
    AddUser("ALICE", "pw1", {1});
    Script("field 1 ALICE\nfield 2 pw1\nkey F10");
    EXPECT_EQ(PromptUserPassword(nullptr, nullptr), 1);
    EXPECT_EQ(GetSessionPaths()->UserLevel, 0);
    EXPECT_EQ(SignedInUser(), "ALICE");
    EXPECT_NE(Transcript().find("RSGetUserPassword"), std::string::npos);
    EXPECT_EQ(Transcript().find("pw1"), std::string::npos) << "the password shows as '*'";

    // Four wrong passwords keep the screen open with the password blanked;
    // the fifth attempt may still succeed.
    Script("field 1 HEADKEEPER\nfield 2 wrong\nkey F10\n"
           "field 1 ALICE\nfield 2 bad1\nkey F10\nfield 2 bad2\nkey F10\nfield 2 bad3\nkey F10\n"
           "field 2 pw1\nkey F10");
    FxTranscriptClear();
    EXPECT_EQ(PromptUserPassword(nullptr, nullptr), 1);
    EXPECT_EQ(GetSignInFailureCount(), 4);
    EXPECT_EQ(SignedInUser(), "ALICE");
}

TEST_F(Users, FifthFailedAttemptCancelsTheSignIn)
{
    AddUser("ALICE", "pw1", {1});
    SetSupervisorPassword("boss");
    for (const char* id : {"ALICE", "HEADKEEPER"}) {
        SCOPED_TRACE(id);
        FxReset();
        FxUseScriptDriver();
        GetSessionPaths()->UserLevel = -1;
        std::string script = std::string("field 1 ") + id + "\n";
        for (int i = 0; i < 5; ++i)
            script += "field 2 wrong\nkey F10\n";
        script += "field 1 ALICE\nfield 2 pw1\nkey F10\n";  // never reached
        Script(script);
        FxTranscriptClear();
        EXPECT_EQ(PromptUserPassword(nullptr, nullptr), 0);
        EXPECT_EQ(GetSignInFailureCount(), 5);
        EXPECT_EQ(GetSessionPaths()->UserLevel, -1);
        EXPECT_GT(FxScriptRemaining(), 0);  // the screen ended before the good attempt
        EXPECT_EQ(TranscriptCount(kTooManyAttempts), 1) << Transcript();
    }
}

TEST_F(Users, SignInScreenUnknownUserAndLeaving)
{
    AddUser("ALICE", "pw1", {1});
    // An unknown user stays on the screen; Esc asks, Cancel leaves.
    Script("field 1 CAROL\nfield 2 pw1\nkey F10\nkey Esc\nanswer Cancel");
    EXPECT_EQ(PromptUserPassword(nullptr, nullptr), 0);
    EXPECT_EQ(GetSignInFailureCount(), 0);
    EXPECT_NE(Transcript().find("You must enter a valid User Id"), std::string::npos);
    EXPECT_EQ(GetSessionPaths()->UserLevel, -1);
}

TEST_F(Users, SignInScreenHasTheStandardFrame)
{
    AddUser("ALICE", "pw1", {1});
    // F1 and Shift+F1 are the frame's help keys; Esc stays the sign-in's own
    // question, and OK there keeps the screen.
    Script("key F1\nkey Esc\nkey Shift+F1\nkey Esc\nkey Esc\nanswer OK\nkey Esc\nanswer Cancel");
    EXPECT_EQ(PromptUserPassword(nullptr, nullptr), 0);
    const std::string t = Transcript();
    EXPECT_EQ(TranscriptCount("help 513"), 1) << t;
    EXPECT_EQ(TranscriptCount("help 11"), 1) << t;
    EXPECT_EQ(t.find("key F1 -> no action"), std::string::npos) << t;
    EXPECT_EQ(TranscriptCount("You must enter a valid User Id"), 2) << t;
}

TEST_F(Users, RightsAreCheckedByNumberFromOne)
{
    AddUser("ALICE", "pw1", {1, 200});
    struct Case {
        int right;
        const char* user;
        int granted;
    };
    const Case cases[] = {
        {1, "ALICE", 1}, {2, "ALICE", 0}, {199, "ALICE", 0}, {200, "ALICE", 1},
        {0, "ALICE", 0}, {201, "ALICE", 0}, {1, "BOB", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.right);
        EXPECT_EQ(CheckUserAccess(c.right, 0, c.user, 0), c.granted);
    }
    // The open handle of the caller serves as well.
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::Users)), 0, 0), 0);
    EXPECT_EQ(CheckUserAccess(200, handle, "ALICE", 0), 1);
    BtrCloseFile(handle);
    EXPECT_EQ(TranscriptCount("message"), 0);

    // Messages only when asked for: 1483 refused, 1481 unknown user.
    EXPECT_EQ(CheckUserAccess(2, 0, "ALICE", 1), 0);
    EXPECT_EQ(TranscriptCount(kNoRight), 1) << Transcript();
    EXPECT_EQ(TranscriptCount(kUnknownUser), 0) << Transcript();
    FxTranscriptClear();
    EXPECT_EQ(CheckUserAccess(2, 0, "BOB", 1), 0);
    EXPECT_EQ(TranscriptCount(kUnknownUser), 1) << Transcript();
    EXPECT_EQ(TranscriptCount(kNoRight), 0) << Transcript();

    GetSessionPaths()->UserLevel = BWPS_SUPERVISOR_LEVEL;
    EXPECT_EQ(CheckUserAccess(2, 0, "BOB", 1), 1);
    EXPECT_EQ(BWPSGetUserPermit(2, "BOB"), 1);
    GetSessionPaths()->UserLevel = 0;
    EXPECT_EQ(BWPSGetUserPermit(200, "ALICE"), 1);
    EXPECT_EQ(BWPSGetUserPermit(2, "ALICE"), 0);
}

TEST_F(Users, ReadErrorOnTheUserFileRefusesInsteadOfGrantingAll)
{
    // An empty user file and no supervisor password would grant every
    // right; a user file that cannot be read must not.
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::Users)), 0, 0), 0);
    BtrCloseFile(handle);  // the handle no longer reads
    FxTranscriptClear();
    EXPECT_EQ(UserFileState(handle), -1);
    EXPECT_EQ(UserFileIsEmpty(handle), 1);
    EXPECT_EQ(CheckUserAccess(5, handle, "ALICE", 0), 0);
    EXPECT_EQ(CheckUserWarehouseAccess(handle, "ALICE", "W1", 0), 0);
    EXPECT_NE(Transcript().find("Btrieve Error"), std::string::npos);
}

// A company without the passwords record: the read says so to its caller
// and shows no record-manager error, also at sign-in.
TEST_F(Users, MissingPasswordsRecordIsReadWithoutAnErrorBox)
{
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::General)), 0, 0), 0);
    char key[256] = {};
    std::memcpy(key, PASSWORDS_RECORD_KEY, std::strlen(PASSWORDS_RECORD_KEY));
    PasswordsRecord record{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, &record, sizeof record), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
    FxTranscriptClear();

    int status = -1;
    EXPECT_EQ(ReadPasswordsRecord(&status), 0);
    EXPECT_EQ(status, B_KEY_NOT_FOUND);
    FxAppSetUserId("ALICE");
    FxAppSetPassword("pw1");
    char id[32] = {}, password[32] = {};
    int rejected = -1, signedIn = -1;
    ValidateUserPassword(id, password, &rejected, &signedIn);
    EXPECT_NE(signedIn, 1);
    EXPECT_EQ(Transcript().find("Btrieve Error"), std::string::npos) << Transcript();
}

TEST_F(Users, SecuredCommandsFollowTheirRight)
{
    AddUser("ALICE", "pw1", {30});
    AddUser("BOB", "pw2", {});
    AddSecuredFunction(30, 140);
    AddSecuredFunction(30, 148);

    SignInAlice();
    EXPECT_EQ(CheckUserGroupAccess(140), 1);
    EXPECT_EQ(CheckUserGroupAccess(152), 1);  // looked up as 148
    EXPECT_EQ(CheckUserGroupAccess(141), 0);  // not listed: refused quietly
    EXPECT_EQ(TranscriptCount("message"), 0);

    int inForce = 0, idOk = 0, passwordOk = 0;
    ASSERT_EQ(BWPSCheckUser(&inForce, "BOB", &idOk, "pw2", &passwordOk), 1);
    EXPECT_EQ(CheckUserGroupAccess(140), 0);
    EXPECT_EQ(TranscriptCount(kNoRight), 1) << Transcript();  // refused with its message
    EXPECT_EQ(CheckUserGroupAccess(112), 1);
    EXPECT_EQ(CheckUserGroupAccess(113), 1);

    struct Case {
        int command;
        int level;
        int allowed;
    };
    const Case cases[] = {{101, 0, 1}, {110, 0, 1}, {140, 0, 0}, {140, 5, 1}, {141, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        GetSessionPaths()->CommandNumber = c.command;
        EXPECT_EQ(CheckSessionCommandAccess(c.level), c.allowed);
    }
}

TEST_F(Users, CommandsWithThreeRightsNeedAnyOne)
{
    AddUser("ALICE", "pw1", {110});
    AddUser("BOB", "pw2", {14});
    EXPECT_EQ(CheckUserAccessOrMessage(122, "ALICE", 1), 1);
    EXPECT_EQ(CheckUserAccessOrMessage(120, "BOB", 1), 1);
    EXPECT_EQ(CheckUserAccessOrMessage(121, "BOB", 0), 0);
    EXPECT_EQ(TranscriptCount("message"), 0);
    // A known user without the rights is told so; an unknown user id is
    // told that it was not found.
    EXPECT_EQ(CheckUserAccessOrMessage(122, "BOB", 1), 0);
    EXPECT_EQ(TranscriptCount(kNoRight), 1) << Transcript();
    EXPECT_EQ(TranscriptCount(kUnknownUser), 0) << Transcript();
    EXPECT_EQ(CheckUserAccessOrMessage(999, "ALICE", 1), 0);
    EXPECT_EQ(TranscriptCount(kNoRight), 1) << Transcript();
    FxTranscriptClear();
    EXPECT_EQ(CheckUserAccessOrMessage(122, "CAROL", 1), 0);
    EXPECT_EQ(TranscriptCount(kUnknownUser), 1) << Transcript();
    EXPECT_EQ(TranscriptCount(kNoRight), 0) << Transcript();
}

TEST_F(Users, WarehousesByFlagOrByGrant)
{
    AddUser("ALICE", "pw1", {1}, 'N');
    AddUser("BOB", "pw2", {1}, 'Y');
    AddWarehouseGrant("BOB", "W1");
    struct Case {
        const char* user;
        const char* warehouse;
        int allowed;
    };
    const Case cases[] = {
        {"ALICE", "W9", 1}, {"BOB", "W1", 1}, {"BOB", "W2", 0}, {"BOB", "", 1}, {"CAROL", "W1", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.warehouse);
        EXPECT_EQ(CheckUserWarehouseAccess(0, c.user, c.warehouse, 0), c.allowed);
    }
    EXPECT_EQ(TranscriptCount("message"), 0);
    EXPECT_EQ(CheckUserWarehouseAccess(0, "BOB", "W2", 1), 0);
    EXPECT_EQ(TranscriptCount(kNoWarehouse), 1) << Transcript();
}

}  // namespace
