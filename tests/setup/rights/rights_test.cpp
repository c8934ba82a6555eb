// User access rights: the rights set and its defaults, the steps of the
// user-access screen (read with a lock, write in stored form, copy rights,
// delete), the secured-function list by which rights are granted, and the
// screens run by script.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "bwps/screens.h"
#include "bwps/user_rights.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"
#include "recman_testing.h"
#include "setup/user_rights_internal.h"
#include "tests/setup/rights/rights_fixture.h"

namespace bwps::test {
namespace {

using namespace bwps::rights;

std::string Flags(const UserRightsSet& set, int from, int to)
{
    std::string out;
    for (int i = from; i <= to; ++i)
        out += set.Right(i) != '\0' ? set.Right(i) : '0';
    return out;
}

// ---- the rights set

TEST(UserRightsSetTest, EveryFlagIsYesOrNoOnceSet)
{
    struct Row {
        const char* what;
        char given;
        char kept;
    } rows[] = {
        {"granted", 'Y', 'Y'}, {"lower case", 'y', 'N'}, {"not granted", 'N', 'N'},
        {"other letter", 'X', 'N'}, {"zero", '\0', 'N'}, {"blank", ' ', 'N'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        char text[200];
        std::memset(text, row.given, sizeof text);
        UserRightsSet set;
        EXPECT_EQ(set.Right(0), '\0') << "a new set has no flags";
        set.SetFromString(text);
        EXPECT_EQ(set.Right(0), row.kept);
        EXPECT_EQ(set.Right(199), row.kept);
        set.SetAll(row.given);
        EXPECT_EQ(set.Right(57), row.kept);
        set.SetAll(row.kept == 'Y' ? 'N' : 'Y');
        set.SetRight(57, row.given);
        EXPECT_EQ(set.Right(57), row.kept);
    }
    UserRightsSet set;
    set.SetAll('N');
    set.SetRight(-1, 'Y');
    set.SetRight(200, 'Y');
    EXPECT_EQ(Flags(set, 0, 199), std::string(200, 'N')) << "indexes outside the set change nothing";
    EXPECT_EQ(set.Right(200), '\0');
}

TEST(UserRightsSetTest, DefaultTable)
{
    struct Row {
        int index;
        bool listed;
        char flag;
    } rows[] = {
        {12, true, 'N'},  {38, true, 'Y'},  {39, true, 'N'},  {67, true, 'N'}, {73, false, 0},
        {81, false, 0},   {99, true, 'Y'},  {100, true, 'N'}, {0, false, 0},   {199, false, 0},
        {-1, false, 0},   {200, false, 0},  {95, true, 'N'},  {101, false, 0},
    };
    for (const Row& row : rows) {
        char flag = '?';
        EXPECT_EQ(UserRightsSet::GetDefault(row.index, &flag), row.listed) << row.index;
        if (row.listed) {
            EXPECT_EQ(flag, row.flag) << row.index;
        } else {
            EXPECT_EQ(flag, '?') << "no default leaves the out value: " << row.index;
        }
    }
    int listed = 0;
    for (int i = 0; i < 200; ++i)
        listed += UserRightsSet::GetDefault(i, nullptr) ? 1 : 0;
    EXPECT_EQ(listed, UserRightsSet::kDefaultCount);
}

TEST(UserRightsSetTest, DefaultsAreHeldOnlyWhenEveryDefaultRightHoldsIt)
{
    struct Row {
        const char* what;
        char all;
        bool applyDefaults;
        int changed;  // index set to the other flag afterwards, -1 none
        bool isDefault;
    } rows[] = {
        {"all granted", 'Y', false, -1, false},
        {"all removed: rights 39 and 100 are granted by default", 'N', false, -1, false},
        {"defaults applied over all granted", 'Y', true, -1, true},
        {"defaults applied over all removed", 'N', true, -1, true},
        {"a right without a default changed", 'Y', true, 0, true},
        {"a default right changed", 'N', true, 38, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        UserRightsSet set;
        set.SetAll(row.all);
        if (row.applyDefaults)
            set.ApplyDefaults();
        if (row.changed >= 0)
            set.SetRight(row.changed, set.Right(row.changed) == 'Y' ? 'N' : 'Y');
        EXPECT_EQ(set.IsDefault(), row.isDefault);
        if (row.applyDefaults && row.changed < 0) {
            EXPECT_EQ(set.Right(0), row.all) << "rights without a default keep their value";
        }
    }
}

// ---- the steps of the user screen

class UserStepsTest : public RightsTest {};

TEST_F(UserStepsTest, SupervisorIdInAnyPaddingOrCase)
{
    struct Row {
        const char* typed;
        bool supervisor;
    } rows[] = {
        {"HEADKEEPER", true},     {"  HEADKEEPER  ", true}, {"headkeeper", true},
        {"HEADKEEPER2", false},   {"HEAD KEEPER", false},   {"", false},
        {"HEADKEEPE", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsSupervisorId(row.typed), row.supervisor) << '"' << row.typed << '"';
}

TEST_F(UserStepsTest, RightsAreStoredTransformedAtTheirRecordOffsets)
{
    struct Row {
        int right;       // 1-based
        int offset;      // record offset of its flag
    } rows[] = {{1, 30}, {2, 31}, {100, 129}, {200, 229}};
    Table users;
    ASSERT_TRUE(users.Open(FileNo::Users).Ok());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.right);
        const std::string id = "U" + std::to_string(row.right);
        UserRecord plain{};
        StartNewUser(id.c_str(), plain);
        std::strcpy(plain.Password, "PW");
        plain.Rights[row.right - 1] = 'Y';
        plain.WarehouseFlag = 'Y';
        ASSERT_TRUE(WriteUser(users, plain, false, nullptr).Ok());

        char key[16] = {};
        MakeUserIdKey(key, id.c_str());
        bool found = false;
        UserRecord stored{};
        for (const UserRecord& r : StoredUsers())
            if (std::memcmp(r.UserId, key, 14) == 0)
                stored = r, found = true;
        ASSERT_TRUE(found);
        const auto* bytes = reinterpret_cast<const char*>(&stored);
        EXPECT_NE(bytes[row.offset], 'Y') << "stored flags are never plain";
        EXPECT_NE(std::string(stored.Password, 2), "PW") << "stored passwords are never plain";
        char flag = bytes[row.offset];
        FxCharTransform88(&flag);
        EXPECT_EQ(flag, 'Y');
        EXPECT_EQ(stored.WarehouseFlag, 'Y');

        UserRecord again{};
        ASSERT_TRUE(ReadUserForEdit(users, id.c_str(), again).Ok());
        EXPECT_STREQ(again.Password, "PW");
        EXPECT_EQ(again.Rights[row.right - 1], 'Y');
        EXPECT_EQ(Granted(again, 200).size(), 1u);
    }
}

TEST_F(UserStepsTest, ANewUserStartsWithNoRight)
{
    UserRecord plain;
    std::memset(&plain, 'x', sizeof plain);
    StartNewUser("  NEWBIE ", plain);
    EXPECT_EQ(std::string(plain.UserId), "NEWBIE        ");
    EXPECT_EQ(std::string(plain.Rights, 200), std::string(200, 'N'));
    EXPECT_EQ(plain.Password[0], '\0');
    EXPECT_FALSE(HasAnyRight(plain));
    plain.Rights[199] = 'Y';
    EXPECT_TRUE(HasAnyRight(plain));
}

TEST_F(UserStepsTest, CopyTakesTheRightsOnly)
{
    PutUser("SUE", "SUEPW", "bdz", 'Y');
    PutUser("BOB", "BOBPW", "a", 'N');
    Table users, others;
    ASSERT_TRUE(users.Open(FileNo::Users).Ok());
    ASSERT_TRUE(others.Open(FileNo::Users).Ok());
    UserRecord bob{};
    ASSERT_TRUE(ReadUserForEdit(users, "BOB", bob).Ok());

    struct Row {
        const char* from;
        int status;
        const char* granted;
    } rows[] = {{"NOBODY", B_KEY_NOT_FOUND, "a"}, {"sue", B_KEY_NOT_FOUND, "a"}, {"  SUE ", 0, "bdz"}, {"SUE", 0, "bdz"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.from);
        EXPECT_EQ(CopyRightsFrom(others, row.from, bob).status, row.status);
        EXPECT_EQ(Granted(bob), row.granted);
        EXPECT_STREQ(bob.Password, "BOBPW");
        EXPECT_EQ(bob.WarehouseFlag, 'N');
    }
    ASSERT_TRUE(WriteUser(users, bob, true, nullptr).Ok());
    const UserRecord saved = PlainUser("BOB");
    EXPECT_EQ(Granted(saved), "bdz");
    EXPECT_STREQ(saved.Password, "BOBPW");
    EXPECT_EQ(Granted(PlainUser("SUE")), "bdz") << "the source stays as it was";
}

TEST_F(UserStepsTest, DeleteTakesTheWarehouseAccessAlong)
{
    PutUser("BOB", "X", "a");
    PutUser("SUE", "X", "a");
    PutWarehouse("W1");
    GrantWarehouse("BOB", "W1");
    GrantWarehouse("SUE", "W1");
    Table users;
    ASSERT_TRUE(users.Open(FileNo::Users).Ok());
    UserRecord bob{};
    ASSERT_TRUE(ReadUserForEdit(users, "BOB", bob).Ok());
    CUserAccessTable access(bob.UserId);
    ASSERT_EQ(access.OpenAccessFile(), 0);
    ASSERT_TRUE(DeleteUser(users, access).Ok());
    bool found = true;
    PlainUser("BOB", &found);
    EXPECT_FALSE(found);
    PlainUser("SUE", &found);
    EXPECT_TRUE(found);
    ASSERT_EQ(Access().size(), 1u);
    EXPECT_EQ(std::string(Access()[0].UserId, 3), "SUE");
}

// Two stations: the user one station edits is locked against the other
// until that station goes on to another user.
TEST_F(UserStepsTest, AUserEditedAtOneStationIsNotOverwrittenAtAnother)
{
    PutUser("BOB", "X", "a");
    PutUser("SUE", "X", "b");
    RecmanReset();
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Table users;
        UserRecord plain{};
        char c = 'x';
        if (!users.Open(FileNo::Users).Ok() || !ReadUserForEdit(users, "BOB", plain).Ok())
            c = 'e';
        (void)!::write(toParent[1], &c, 1);
        (void)!::read(toChild[0], &c, 1);
        c = ReadUserForEdit(users, "SUE", plain).Ok() ? 'y' : 'e';
        (void)!::write(toParent[1], &c, 1);
        (void)!::read(toChild[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'x');

    Table users;
    ASSERT_TRUE(users.Open(FileNo::Users).Ok());
    UserRecord bob{};
    EXPECT_EQ(ReadUserForEdit(users, "BOB", bob).status, B_RECORD_IN_USE);
    EXPECT_EQ(SetUserRight(2, 0, "BOB", 1), B_RECORD_IN_USE) << "a change elsewhere waits for the editor";
    EXPECT_EQ(Granted(PlainUser("BOB")), "a");

    c = 'n';
    ASSERT_EQ(::write(toChild[1], &c, 1), 1);
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    // The other station went on to SUE: BOB is free again.
    ASSERT_TRUE(ReadUserForEdit(users, "BOB", bob).Ok());
    bob.Rights[2] = 'Y';
    EXPECT_TRUE(WriteUser(users, bob, true, nullptr).Ok());
    EXPECT_EQ(ReadUserForEdit(users, "SUE", bob).status, B_RECORD_IN_USE);

    c = 'q';
    ASSERT_EQ(::write(toChild[1], &c, 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(Granted(PlainUser("BOB")), "ac");
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        ::close(fd);
}

// ---- the secured-function list

class PermitsTest : public RightsTest {
protected:
    void SetUp() override
    {
        RightsTest::SetUp();
        PutFunction(1, "Open Drawer");      // flag index 0
        PutFunction(3, "Void Line");        // 2
        PutFunction(39, "Price Override");  // 38, granted by default
        PutFunction(13, "Refund");          // 12, not granted by default
    }
    // The marks of the stored records, in key order: x granted, . not.
    std::string StoredMarks()
    {
        std::string out;
        for (const SecuredFunctionRecord& f : Functions())
            out += f.Mark == SECURED_FUNCTION_MARK ? 'x' : f.Mark == ' ' ? '.' : '?';
        return out;
    }
    static UserRecord Plain(const char* id, const std::string& granted)
    {
        UserRecord r{};
        StartNewUser(id, r);
        for (char c : granted)
            r.Rights[c - 'a'] = 'Y';
        return r;
    }
};

TEST_F(PermitsTest, OpeningMarksEveryFunctionFromTheUsersRights)
{
    UserRecord bob = Plain("BOB", "a");
    bob.Rights[38] = 'Y';
    PermitsList list(bob);
    ASSERT_TRUE(list.Open().Ok());
    EXPECT_EQ(StoredMarks(), "x..x");  // key order: 1, 3, 13, 39
    for (const SecuredFunctionRecord& f : Functions())
        EXPECT_EQ(std::string(f.LastUserId, 3), "BOB");
}

TEST_F(PermitsTest, KeysOfTheList)
{
    struct Row {
        const char* what;
        const char* granted;  // the user's rights before
        int toggle;           // function number toggled, 0 none
        int all;              // 1 grant all, 2 revoke all, 0 none
        bool defaults;
        const char* marks;    // stored marks after, key order 1, 3, 13, 39
        const char* after;    // rights a..z after acceptance
        bool defaultsKeyOn;
    } rows[] = {
        {"toggle grants", "", 3, 0, false, ".x..", "c", true},
        {"toggle removes", "ac", 1, 0, false, ".x..", "c", true},
        {"grant all", "", 0, 1, false, "xxxx", "acm", true},
        {"revoke all", "acm", 0, 2, false, "....", "", true},
        {"defaults after grant all", "", 0, 1, true, "xx.x", "ac", true},
        {"defaults after revoke all", "", 0, 2, true, "...x", "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        UserRecord bob = Plain("BOB", row.granted);
        bob.Rights[199] = 'Y';  // no function lists right 200
        PermitsList list(bob);
        ASSERT_TRUE(list.Open().Ok());
        for (const SecuredFunctionRecord& f : Functions()) {
            if (f.Right == row.toggle) {
                ASSERT_TRUE(list.Toggle(f).Ok());
            }
        }
        if (row.all != 0) {
            ASSERT_TRUE(list.MarkAll(row.all == 1).Ok());
        }
        if (row.defaults) {
            ASSERT_TRUE(list.ApplyDefaults().Ok());
        }
        EXPECT_EQ(StoredMarks(), row.marks);
        EXPECT_EQ(list.DefaultsKeyOn(), row.defaultsKeyOn);
        ASSERT_TRUE(list.Accept().Ok());
        EXPECT_EQ(Granted(bob), row.after);
        EXPECT_EQ(bob.Rights[38], row.all == 1 || row.defaults ? 'Y' : 'N');
        EXPECT_EQ(bob.Rights[199], 'Y') << "a right no function lists keeps its value";
        EXPECT_EQ(bob.Rights[150], 'N');
    }
}

// Two stations in the list at once, for two users: the marks in the shared
// file are rewritten by the second, yet each grants what it chose.
TEST_F(PermitsTest, AnotherStationsListDoesNotChangeWhatThisOneGrants)
{
    UserRecord bob = Plain("BOB", "");
    UserRecord sue = Plain("SUE", "acm");
    PermitsList bobs(bob);
    ASSERT_TRUE(bobs.Open().Ok());
    for (const SecuredFunctionRecord& f : Functions()) {
        if (f.Right == 3) {
            ASSERT_TRUE(bobs.Toggle(f).Ok());
        }
    }
    PermitsList sues(sue);
    ASSERT_TRUE(sues.Open().Ok());
    EXPECT_EQ(StoredMarks(), "xxx.") << "the file now holds the other user's marks";
    ASSERT_TRUE(bobs.Accept().Ok());
    EXPECT_EQ(Granted(bob), "c");
    ASSERT_TRUE(sues.Accept().Ok());
    EXPECT_EQ(Granted(sue), "acm");
}

TEST_F(PermitsTest, ListByScript)
{
    struct Row {
        const char* what;
        const char* script;
        int answer;
        const char* after;
    } rows[] = {
        {"toggle the first row and accept", "key F3\nkey F10\n", 1, "ab"},
        {"toggle and leave", "key F3\nkey Esc\n", 0, "b"},
        {"grant all", "key F7\nanswer Grant All\nkey F10\n", 1, "abcm"},
        {"grant all cancelled", "key F7\nanswer Cancel\nkey F10\n", 1, "b"},
        {"revoke all, then defaults", "key F7\nanswer Revoke All\nkey Shift+F7\nanswer Continue\nkey F10\n", 1, "b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        UserRecord bob = Plain("BOB", "b");  // right 2: no function lists it
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad(row.script), 0);
        EXPECT_EQ(EditUserPermits(0, &bob), row.answer) << Transcript();
        EXPECT_EQ(Granted(bob), row.after) << Transcript();
        EXPECT_EQ(FxScriptRemaining(), 0);
    }
}

TEST_F(PermitsTest, WithoutTheFileTheListDoesNotOpen)
{
    fs::remove(Path(FileNo::MenuRights));
    UserRecord bob = Plain("BOB", "a");
    FxScriptLoad("key F10\n");
    EXPECT_EQ(EditUserPermits(0, &bob), 0);
    EXPECT_EQ(Granted(bob), "a");
    EXPECT_NE(Transcript().find("Btrieve Error #  12"), std::string::npos) << Transcript();
}

// ---- the user-access screen by script

class UserScreenTest : public RightsTest {
protected:
    std::string Run(const std::string& script)
    {
        FxTranscriptClear();
        EXPECT_EQ(FxScriptLoad(script.c_str()), 0);
        EXPECT_EQ(RSEditUserAccess(), 1);
        return Transcript();
    }
};

TEST_F(UserScreenTest, TheSupervisorIdIsRefused)
{
    const std::string t = Run("type HEADKEEPER\nkey Enter\nkey Esc\nkey Esc\n");
    EXPECT_NE(t.find("supervisor"), std::string::npos) << t;
    EXPECT_TRUE(StoredUsers().empty());
}

TEST_F(UserScreenTest, ANewUserWithoutRightsIsAskedAbout)
{
    struct Row {
        const char* what;
        const char* answer;
        bool saved;
    } rows[] = {{"no: nothing saved", "No", false}, {"yes: saved without rights", "Yes", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string t = Run(std::string("type BOB\nkey Enter\ntype SECRET\nkey Enter\ntype SECRET\nkey Enter\n"
                                              "key F10\nanswer ") +
                                  row.answer + "\nkey Esc\nanswer Yes\nkey Esc\n");
        EXPECT_NE(t.find("No access rights have been granted for BOB."), std::string::npos) << t;
        EXPECT_EQ(t.find("Click Edit User Permits") != std::string::npos, !row.saved) << t;
        EXPECT_EQ(t.find("SECRET"), std::string::npos) << "passwords are never shown:\n" << t;
        bool found = false;
        const UserRecord bob = PlainUser("BOB", &found);
        EXPECT_EQ(found, row.saved);
        if (found) {
            EXPECT_STREQ(bob.Password, "SECRET");
            EXPECT_EQ(std::string(bob.Rights, 200), std::string(200, 'N'));
        }
    }
}

TEST_F(UserScreenTest, AMismatchedConfirmationSavesNothing)
{
    const std::string t = Run("type BOB\nkey Enter\ntype ONE\nkey Enter\ntype TWO\nkey Enter\nkey F10\n"
                              "key Esc\nanswer Yes\nkey Esc\n");
    EXPECT_NE(t.find("confirmation differ"), std::string::npos) << t;
    EXPECT_TRUE(StoredUsers().empty());
}

TEST_F(UserScreenTest, CopyFromAnotherUserAndSave)
{
    PutUser("SUE", "SUEPW", "bd", 'Y');
    PutUser("BOB", "BOBPW", "a", 'N');
    const std::string t = Run("type BOB\nkey Enter\nkey Enter\nkey Enter\nkey Enter\ntype SUE\nkey Enter\n"
                              "key F10\nkey Esc\nanswer Yes\nkey Esc\n");
    const UserRecord bob = PlainUser("BOB");
    EXPECT_EQ(Granted(bob), "bd") << t;
    EXPECT_STREQ(bob.Password, "BOBPW");
    EXPECT_EQ(bob.WarehouseFlag, 'N');
}

TEST_F(UserScreenTest, DeleteAnExistingUser)
{
    PutUser("BOB", "BOBPW", "a");
    PutWarehouse("W1");
    GrantWarehouse("BOB", "W1");
    const std::string t = Run("type BOB\nkey Enter\nkey F6\nanswer Yes\nkey Esc\nanswer Yes\nkey Esc\n");
    bool found = true;
    PlainUser("BOB", &found);
    EXPECT_FALSE(found) << t;
    EXPECT_TRUE(Access().empty());
}

}  // namespace
}  // namespace bwps::test
