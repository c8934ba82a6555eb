// The services of the backup screen: typed folders, the library's
// callback, the station's backup folders and the hold that keeps other
// stations out of a company while it is copied or replaced.
#include "tests/extensions/company/fixture.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "backup_library.h"
#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/records/stations.h"
#include "bwps/stations.h"
#include "bwps/table.h"
#include "extensions/utilities/backup_restore.h"
#include "extensions/utilities/backup_restore_testing.h"
#include "fx.h"
#include "recman.h"

namespace fs = std::filesystem;

namespace companytest {
namespace {

class BackupRestoreTest : public CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        ResetBackupRestoreState();
        FxUseScriptDriver();
    }
    void TearDown() override
    {
        ResetBackupRestoreState();
        CompanyTest::TearDown();
    }
};

TEST(NormalizeBackupPath, TypedFoldersNormaliseAlike)
{
    const std::string cwd = fs::current_path().string();
    const std::string file = cwd + "/backup_normalize_probe.txt";
    std::ofstream(file) << "x";
    struct Case {
        const char* typed;
        std::string expected;
    };
    const Case cases[] = {
        {"/data/store", "/data/store/"},
        {"/data/store/", "/data/store/"},
        {"  /data/store//  ", "/data/store/"},
        {"\\data\\store\\", "/data/store/"},
        {"/data/./old/../store", "/data/store/"},
        {"/data/store.2024", "/data/store.2024/"},  // a last part is a folder unless it is a file
        {"store", cwd + "/store/"},                  // relative to the current folder
        {"backup_normalize_probe.txt", cwd + "/"},   // a file names its folder
        {"a:\\", "A:/"},
        {"a:\\backups\\", "A:/backups/"},
        {"", ""},
    };
    for (const Case& c : cases) {
        char path[260] = {};
        std::strcpy(path, c.typed);
        EXPECT_EQ(std::string(NormalizeBackupPath(path)), c.expected) << '"' << c.typed << '"';
    }
    fs::remove(file);
}

// The callback's answers to each event and to the user's choice.
TEST_F(BackupRestoreTest, TheCallbackAnswersEachEvent)
{
    struct Case {
        const char* what;
        int event;
        int parameter;
        const char* script;  // the user's answer, if asked
        int messageKind;     // event 2
        int expected;
    };
    const Case cases[] = {
        {"insert disk, OK", BACKUP_EVENT_INSERT_DISK, 0, "answer OK", 0, 2},
        {"insert disk, Cancel", BACKUP_EVENT_INSERT_DISK, 0, "answer Cancel", 0, 4},
        {"an error", BACKUP_EVENT_MESSAGE, 0, "answer OK", BACKUP_MESSAGE_ERROR, 4},
        {"a notice", BACKUP_EVENT_MESSAGE, 0, "answer OK", BACKUP_MESSAGE_NOTICE, 2},
        {"a question, OK", BACKUP_EVENT_MESSAGE, 0, "answer OK", BACKUP_MESSAGE_ASK, 2},
        {"a question, Cancel", BACKUP_EVENT_MESSAGE, 0, "answer Cancel", BACKUP_MESSAGE_ASK, 4},
        {"event 4", 4, 0, nullptr, 0, 2},
        {"no disk, OK", BACKUP_EVENT_NO_DISK, 0, "answer OK", 0, 2},
        {"no disk, Cancel", BACKUP_EVENT_NO_DISK, 0, "answer Cancel", 0, 4},
        {"event 8", 8, 0, nullptr, 0, 0},
        {"event 9", 9, 0, nullptr, 0, 0},
        {"an unknown event", 42, 0, nullptr, 0, 2},
    };
    for (const Case& c : cases) {
        FxReset();
        FxUseScriptDriver();
        if (c.script != nullptr) {
            ASSERT_EQ(FxScriptLoad(c.script), 0);
        }
        uint8_t data[600] = {};
        std::memcpy(data, &c.messageKind, 4);  // disk number / flag words
        std::memcpy(data + 8, &c.messageKind, 4);
        std::strcpy(reinterpret_cast<char*>(data + 272), "library text");
        if (c.event == BACKUP_EVENT_NO_DISK)
            std::strcpy(reinterpret_cast<char*>(data), "A:/");
        EXPECT_EQ(BackupDiskPrompt(BACKUP_KIND_POINT_OF_SALE, c.event, c.parameter, data), c.expected)
            << c.what << "\n" << Transcript();
        if (c.script != nullptr) {
            EXPECT_EQ(FxScriptRemaining(), 0) << c.what << ": the user was not asked";
        }
    }
}

TEST_F(BackupRestoreTest, EventTenSetsTheKeyWordOnlyForParameterOne)
{
    for (int parameter : {1, 0x10001, 2}) {
        BackupKeyData data{};
        EXPECT_EQ(BackupDiskPrompt(2, 10, parameter, &data), 2);
        EXPECT_EQ(+data.key, (parameter & 0xFFFF) == 1 ? 0x0D00 : 0) << parameter;
    }
}

int Progress(int phase, int value)
{
    BackupProgressData p{};
    p.phase = phase;
    p.value1 = value;
    p.which = 2;
    std::strcpy(p.text, "FILE.DB");
    return BackupDiskPrompt(2, BACKUP_EVENT_PROGRESS, 0, &p);
}

// Escape while the copy runs asks first: No goes on, Yes stops.
TEST_F(BackupRestoreTest, EscapeDuringTheCopyAsksBeforeStopping)
{
    Start("");
    Script("key Esc\nanswer No\nkey Esc\nanswer Yes\n");
    Progress(BACKUP_PHASE_TOTAL, 10);
    EXPECT_EQ(Progress(BACKUP_PHASE_STEP, 1), BACKUP_ANSWER_GO_ON);
    EXPECT_EQ(Progress(BACKUP_PHASE_STEP, 2), BACKUP_ANSWER_STOP);
    EXPECT_EQ(FxScriptRemaining(), 0) << Transcript();
}

TEST_F(BackupRestoreTest, TheStationsFoldersAreSavedAndReadBack)
{
    const std::string company = Folder("store");
    Start("");
    ASSERT_TRUE(Create("Store", company));
    // No record for this station: the read fails (reported) and both
    // folders are empty (the screen then offers BACKUP/ beside the data).
    BackupSettings read{};
    std::strcpy(read.target, "stale");
    EXPECT_EQ(ReadBackupSettings(&read), 0);
    EXPECT_STREQ(read.target, "");
    EXPECT_STREQ(read.source, "");
    BackupSettings saved{};
    EXPECT_EQ(WriteBackupSettings(&saved), 0);

    // A station record whose folders were never saved.
    {
        TagFileSpec spec{};
        if (!fs::exists(GetDataFilePath(bwps::No(bwps::FileNo::Stations)))) {
            ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::Stations), 0, nullptr, nullptr, &spec), 0);
        }
        bwps::Table stations;
        ASSERT_TRUE(stations.Open(bwps::FileNo::Stations).Ok());
        StationRecord record{};
        std::memcpy(record.id, Session().StationId, sizeof record.id);
        std::strcpy(record.name545, "kept");
        ASSERT_TRUE(stations.Insert(record).Ok());
    }
    ASSERT_EQ(ReadBackupSettings(&read), 1) << Transcript();
    EXPECT_STREQ(read.target, "");
    EXPECT_STREQ(read.source, "");

    std::strcpy(saved.target, "/mnt/backups   ");
    std::strcpy(saved.source, "");
    ASSERT_EQ(WriteBackupSettings(&saved), 1) << Transcript();
    ASSERT_EQ(ReadBackupSettings(&read), 1);
    EXPECT_STREQ(read.target, "/mnt/backups");
    EXPECT_STREQ(read.source, "");
    // The rest of the station's record is left as it was.
    bwps::Table stations;
    ASSERT_TRUE(stations.Open(bwps::FileNo::Stations).Ok());
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, Session().StationId, 15);
    StationRecord record{};
    ASSERT_TRUE(stations.Get(B_GET_EQUAL, key, record).Ok());
    EXPECT_STREQ(record.name545, "kept");
}

// Another station with a file of the company open: the hold is refused and
// names the file; once it has closed the company the hold is taken, and
// while it is held the other station's open waits and then fails.
TEST_F(BackupRestoreTest, AnotherStationsOpenCompanyIsNotCopiedOrReplaced)
{
    const std::string company = Folder("store");
    Start("");
    ASSERT_TRUE(Create("Store", company));
    BWPSStopSession();
    const std::string file = company + "/" + GetDataFileName(bwps::No(bwps::FileNo::General));
    ASSERT_TRUE(fs::exists(file)) << file;

    int toChild[2], fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        uint16_t handle = 0;
        const char opened = BtrOpenFile(&handle, file.c_str(), 0, 0) == 0 ? 'o' : 'x';
        (void)!::write(fromChild[1], &opened, 1);
        char c;
        (void)!::read(toChild[0], &c, 1);
        BtrCloseFile(handle);
        ::_exit(0);
    }
    char opened = 0;
    ASSERT_EQ(::read(fromChild[0], &opened, 1), 1);
    ASSERT_EQ(opened, 'o');
    {
        DataFolderHold hold(company.c_str());
        EXPECT_FALSE(hold.Held());
        EXPECT_EQ(hold.busy(), fs::path(file).filename().string());
    }
    ASSERT_EQ(::write(toChild[1], "q", 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    DataFolderHold hold(company.c_str());
    EXPECT_TRUE(hold.Held());
}

}  // namespace
}  // namespace companytest
