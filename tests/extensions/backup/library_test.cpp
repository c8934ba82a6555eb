// The backup library: archives made and put back, unsafe or damaged
// archives refused with the target untouched, and a restore killed at any
// moment leaving either the old folder or the whole restored one.
#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "backup_library.h"
#include "tests/support/folders.h"

namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

void Write(const std::string& path, const std::string& text)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

Files Read(const std::string& root)
{
    Files files;
    if (!fs::exists(root))
        return files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            files[e.path().lexically_relative(root).string()] = s.str();
        }
    return files;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    return names;
}

// What the library asked, and the answers it gets.
struct Asked {
    std::vector<int> events;
    std::vector<std::string> messages;
    int stopAtStep = -1;  // answer 4 at this progress value
    int noDiskAnswer = BACKUP_ANSWER_STOP;
    int stepDelayUs = 0;
};
Asked* gAsked = nullptr;

int Prompt(int, int event, int, void* data)
{
    gAsked->events.push_back(event);
    if (event == BACKUP_EVENT_MESSAGE)
        gAsked->messages.push_back(static_cast<BackupMessageData*>(data)->text);
    if (event == BACKUP_EVENT_NO_DISK)
        return gAsked->noDiskAnswer;
    if (event == BACKUP_EVENT_PROGRESS) {
        const auto* p = static_cast<BackupProgressData*>(data);
        if (gAsked->stepDelayUs > 0)
            ::usleep(gAsked->stepDelayUs);
        if (p->phase == BACKUP_PHASE_STEP && p->value1 == gAsked->stopAtStep)
            return BACKUP_ANSWER_STOP;
    }
    return BACKUP_ANSWER_GO_ON;
}

// A transaction marker that a stopped process left in the company folder.
const std::string kMarker = ".recman-tx-4242-0badf00d";

class BackupLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gAsked = &asked_;
        data_ = scratch_.path() + "/company";
        backups_ = scratch_.path() + "/backups";
        base_ = scratch_.path() + "/base";
        fs::create_directories(base_);
        Write(data_ + "/BPOSGEN.DB", std::string(500, 'g'));
        Write(data_ + "/BPOSCUST.DB", "customers");
        Write(data_ + "/notes/N1.TXT", "a note");
        Write(data_ + "/BPOSGEN.DB-shm", "index");
        // A transaction marker a stopped process left behind.
        Write(data_ + "/" + kMarker, "0000000000000000\n");
    }
    void TearDown() override { gAsked = nullptr; }

    BackupCallbackBlock Block(int kind = BACKUP_KIND_POINT_OF_SALE)
    {
        return BackupCallbackBlock{kind, 0, Prompt};
    }
    int Backup()
    {
        BackupCallbackBlock b = Block();
        return BWFXBackupPointOfSale(data_.c_str(), base_.c_str(), backups_.c_str(), &b);
    }
    int Restore(const std::string& target)
    {
        BackupCallbackBlock b = Block();
        return BWFXRestorePointOfSale(backups_.c_str(), target.c_str(), base_.c_str(), 0, &b);
    }
    // The only archive in the backup folder.
    std::string Archive()
    {
        std::vector<std::string> names = Names(backups_);
        EXPECT_EQ(names.size(), 1u);
        return names.empty() ? "" : backups_ + "/" + names[0];
    }
    // A point-of-sale archive with the given entries (name, type, text);
    // info: its description entry first.
    void MakeArchive(const std::vector<std::tuple<std::string, mode_t, std::string>>& entries,
                     bool info = true, const std::string& kind = "POS-")
    {
        fs::create_directories(backups_);
        archive* a = archive_write_new();
        archive_write_add_filter_gzip(a);
        archive_write_set_format_pax_restricted(a);
        archive_write_open_filename(a, (backups_ + "/POS-20990101-000000.tgz").c_str());
        auto add = [&](const std::string& name, mode_t type, const std::string& text) {
            archive_entry* e = archive_entry_new();
            archive_entry_set_pathname(e, name.c_str());
            archive_entry_set_filetype(e, type);
            archive_entry_set_perm(e, 0644);
            if (type == AE_IFLNK)
                archive_entry_set_symlink(e, "/etc/passwd");
            archive_entry_set_size(e, type == AE_IFREG ? static_cast<la_int64_t>(text.size()) : 0);
            archive_write_header(a, e);
            if (type == AE_IFREG)
                archive_write_data(a, text.data(), text.size());
            archive_entry_free(e);
        };
        if (info)
            add("BACKUP.INF", AE_IFREG, "kind=" + kind + "\nfiles=1\n");
        for (const auto& [name, type, text] : entries)
            add(name, type, text);
        archive_write_close(a);
        archive_write_free(a);
    }

    bwpstest::ScratchFolder scratch_{"backup"};
    Asked asked_;
    std::string data_, backups_, base_;
};

TEST_F(BackupLibraryTest, ABackupRestoresTheFolderAsItWas)
{
    const Files before = Read(data_);
    ASSERT_EQ(Backup(), BACKUP_DONE);
    const std::string archive = Archive();
    EXPECT_EQ(fs::path(archive).filename().string().rfind("POS-", 0), 0u);
    EXPECT_EQ(fs::path(archive).extension(), ".tgz");

    Write(data_ + "/BPOSCUST.DB", "changed after the backup");
    Write(data_ + "/LATER.DB", "made after the backup");
    ASSERT_EQ(Restore(data_), BACKUP_DONE);
    Files expected = before;
    expected.erase("BPOSGEN.DB-shm");  // rebuilt by the record manager
    expected.erase(kMarker);   // never part of a copy
    EXPECT_EQ(Read(data_), expected);
    // Nothing is left beside the company.
    for (const std::string& name : Names(scratch_.path()))
        EXPECT_EQ(name.find(".restore-"), std::string::npos) << name;
    EXPECT_EQ(asked_.events.back(), BACKUP_EVENT_FINISHED);
}

TEST_F(BackupLibraryTest, ARestoreIntoANewFolderMakesIt)
{
    ASSERT_EQ(Backup(), BACKUP_DONE);
    const std::string fresh = scratch_.path() + "/fresh";
    ASSERT_EQ(Restore(fresh), BACKUP_DONE);
    EXPECT_EQ(Read(fresh).at("notes/N1.TXT"), "a note");
}

TEST_F(BackupLibraryTest, TheNewestBackupIsRestored)
{
    ASSERT_EQ(Backup(), BACKUP_DONE);
    Write(data_ + "/BPOSCUST.DB", "second");
    ASSERT_EQ(Backup(), BACKUP_DONE);  // the same second: a "-2" name
    EXPECT_EQ(Names(backups_).size(), 2u);
    Write(data_ + "/BPOSCUST.DB", "third");
    ASSERT_EQ(Restore(data_), BACKUP_DONE);
    EXPECT_EQ(Read(data_).at("BPOSCUST.DB"), "second");
}

TEST_F(BackupLibraryTest, AStoppedBackupLeavesNoArchive)
{
    asked_.stopAtStep = 2;
    EXPECT_EQ(Backup(), BACKUP_STOPPED);
    EXPECT_TRUE(Names(backups_).empty());
}

TEST_F(BackupLibraryTest, AStoppedRestoreLeavesTheTargetAsItWas)
{
    ASSERT_EQ(Backup(), BACKUP_DONE);
    Write(data_ + "/BPOSCUST.DB", "kept");
    const Files before = Read(data_);
    asked_.stopAtStep = 2;
    EXPECT_EQ(Restore(data_), BACKUP_STOPPED);
    EXPECT_EQ(Read(data_), before);
}

// Folders a run must refuse: the target untouched and an error told.
TEST_F(BackupLibraryTest, FoldersThatCannotBeUsedAreRefused)
{
    ASSERT_EQ(Backup(), BACKUP_DONE);
    fs::copy(backups_, data_ + "/keep");
    struct Case {
        const char* what;
        std::function<int()> run;
    };
    const Case cases[] = {
        {"a backup into the data folder itself",
         [&] {
             BackupCallbackBlock b = Block();
             return BWFXBackupPointOfSale(data_.c_str(), base_.c_str(), (data_ + "/bk").c_str(), &b);
         }},
        {"a backup of the shared folder",
         [&] {
             BackupCallbackBlock b = Block();
             return BWFXBackupPointOfSale(base_.c_str(), base_.c_str(), backups_.c_str(), &b);
         }},
        {"a restore from backups inside the folder replaced",
         [&] {
             BackupCallbackBlock b = Block();
             return BWFXRestorePointOfSale((data_ + "/keep").c_str(), data_.c_str(), base_.c_str(), 0, &b);
         }},
        {"a restore over the folder holding the shared folder",
         [&] {
             BackupCallbackBlock b = Block();
             return BWFXRestorePointOfSale(backups_.c_str(), scratch_.path().c_str(), base_.c_str(), 0, &b);
         }},
        {"a restore of accounting data from point-of-sale backups",
         [&] {
             BackupCallbackBlock b = Block(BACKUP_KIND_ACCOUNTING);
             return BWFXRestoreAccounting(backups_.c_str(), data_.c_str(), 0, &b);
         }},
    };
    for (const Case& c : cases) {
        const Files before = Read(data_);
        asked_.messages.clear();
        EXPECT_EQ(c.run(), BACKUP_FAILED) << c.what;
        EXPECT_EQ(asked_.messages.size(), 1u) << c.what;
        EXPECT_TRUE(Read(data_) == before) << c.what;
    }
    EXPECT_FALSE(fs::exists(data_ + "/bk"));
}

TEST_F(BackupLibraryTest, AMissingDriveIsAskedForUntilCancelled)
{
    BackupCallbackBlock b = Block();
    EXPECT_EQ(BWFXBackupPointOfSale(data_.c_str(), base_.c_str(), "A:/", &b), BACKUP_STOPPED);
    EXPECT_EQ(asked_.events, std::vector<int>{BACKUP_EVENT_NO_DISK});
    EXPECT_FALSE(fs::exists("A:"));
}

// Archives that would write outside the folder, or that are not whole
// backups: refused before anything is written.
TEST_F(BackupLibraryTest, UnsafeOrForeignArchivesAreRefused)
{
    using E = std::tuple<std::string, mode_t, std::string>;
    struct Case {
        const char* what;
        std::vector<E> entries;
        bool info;
        std::string kind;
    };
    const Case cases[] = {
        {"an absolute name", {E{"BPOSCUST.DB", AE_IFREG, "x"}, E{"/tmp/evil", AE_IFREG, "x"}}, true, "POS-"},
        {"a name going up", {E{"../evil", AE_IFREG, "x"}}, true, "POS-"},
        {"a name going up inside", {E{"notes/../../evil", AE_IFREG, "x"}}, true, "POS-"},
        {"a link", {E{"BPOSCUST.DB", AE_IFLNK, ""}}, true, "POS-"},
        {"a device", {E{"dev", AE_IFCHR, ""}}, true, "POS-"},
        {"no description", {E{"BPOSCUST.DB", AE_IFREG, "x"}}, false, "POS-"},
        {"an accounting backup", {E{"BPOSCUST.DB", AE_IFREG, "x"}}, true, "ACCT-"},
    };
    for (const Case& c : cases) {
        fs::remove_all(backups_);
        MakeArchive(c.entries, c.info, c.kind);
        const Files before = Read(data_);
        asked_.messages.clear();
        EXPECT_EQ(Restore(data_), BACKUP_FAILED) << c.what;
        ASSERT_EQ(asked_.messages.size(), 1u) << c.what;
        EXPECT_EQ(Read(data_), before) << c.what;
        EXPECT_FALSE(fs::exists(scratch_.path() + "/evil")) << c.what;
        EXPECT_FALSE(fs::exists("/tmp/evil")) << c.what;
    }
}

TEST_F(BackupLibraryTest, ADamagedArchiveIsRefusedBeforeAnythingIsWritten)
{
    // Enough data that the archive spans several compressed blocks.
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += std::to_string(i * 7919 % 100003);
    Write(data_ + "/BIG.DB", big);
    ASSERT_EQ(Backup(), BACKUP_DONE);
    const std::string archive = Archive();
    fs::resize_file(archive, fs::file_size(archive) * 2 / 3);
    Write(data_ + "/BIG.DB", "now");
    const Files before = Read(data_);
    EXPECT_EQ(Restore(data_), BACKUP_FAILED);
    EXPECT_EQ(Read(data_), before);
}

// A restore killed (SIGKILL) at many moments: the company folder is each
// time either the old one or the whole restored one.
TEST_F(BackupLibraryTest, AKilledRestoreNeverLeavesAHalfRestoredCompany)
{
    for (int i = 0; i < 40; ++i)
        Write(data_ + "/FILE" + std::to_string(i) + ".DB", std::string(2000 + i, 'a' + i % 26));
    ASSERT_EQ(Backup(), BACKUP_DONE);
    Files restored = Read(data_);
    restored.erase("BPOSGEN.DB-shm");
    restored.erase(kMarker);
    for (int i = 0; i < 40; ++i)
        Write(data_ + "/FILE" + std::to_string(i) + ".DB", "old");
    Write(data_ + "/ONLYOLD.DB", "old");
    const Files old = Read(data_);

    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            asked_.stepDelayUs = 300;
            Restore(data_);
            ::_exit(0);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const Files now = Read(data_);
        if (now == old) {
            ++sawOld;
        } else {
            EXPECT_EQ(now, restored) << "round " << round;
            ++sawNew;
            // Back to the old folder for the next round.
            fs::remove_all(data_);
            for (const auto& [name, text] : old)
                Write(data_ + "/" + name, text);
        }
    }
    EXPECT_GT(sawOld, 0);
    // A restore run after the kills cleans up and completes.
    ASSERT_EQ(Restore(data_), BACKUP_DONE);
    EXPECT_EQ(Read(data_), restored);
    for (const std::string& name : Names(scratch_.path()))
        EXPECT_EQ(name.find(".restore-"), std::string::npos) << name;
}

// The entries of an archive in order: name and bytes.
std::vector<std::pair<std::string, std::string>> Entries(const std::string& path)
{
    std::vector<std::pair<std::string, std::string>> out;
    archive* a = archive_read_new();
    archive_read_support_filter_gzip(a);
    archive_read_support_format_tar(a);
    if (archive_read_open_filename(a, path.c_str(), 65536) == ARCHIVE_OK) {
        archive_entry* e = nullptr;
        while (archive_read_next_header(a, &e) == ARCHIVE_OK) {
            std::string data;
            char buffer[8192];
            la_ssize_t n = 0;
            while ((n = archive_read_data(a, buffer, sizeof buffer)) > 0)
                data.append(buffer, static_cast<size_t>(n));
            out.emplace_back(archive_entry_pathname(e), data);
        }
    }
    archive_read_free(a);
    return out;
}

// Writes a whole, well-formed archive of the entries.
void WriteArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    archive* a = archive_write_new();
    archive_write_add_filter_gzip(a);
    archive_write_set_format_pax_restricted(a);
    archive_write_open_filename(a, path.c_str());
    for (const auto& [name, data] : entries) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, name.c_str());
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0600);
        archive_entry_set_size(e, static_cast<la_int64_t>(data.size()));
        archive_write_header(a, e);
        archive_write_data(a, data.data(), data.size());
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
}

// Archives that read well but are not the whole backup their description
// lists: refused, and the company stays as it was.
TEST_F(BackupLibraryTest, AnArchiveThatIsNotTheWholeBackupIsRefused)
{
    for (int i = 0; i < 12; ++i)
        Write(data_ + "/FILE" + std::to_string(i) + ".DB", std::string(300 + i, 'a' + i));
    ASSERT_EQ(Backup(), BACKUP_DONE);
    const std::string archive = Archive();
    const auto whole = Entries(archive);
    ASSERT_GT(whole.size(), 10u);
    ASSERT_EQ(whole[0].first, "BACKUP.INF");
    EXPECT_NE(whole[0].second.find("file=303 "), std::string::npos) << whole[0].second;
    fs::remove(archive);
    Write(data_ + "/BPOSCUST.DB", "current");
    const Files before = Read(data_);

    using List = std::vector<std::pair<std::string, std::string>>;
    auto changed = whole;
    changed[3].second[0] ^= 1;  // same size, other bytes
    auto extra = whole;
    extra.emplace_back("EXTRA.DB", "not listed");
    auto twice = whole;
    twice.push_back(whole[2]);
    auto shorter = whole;
    shorter[4].second.pop_back();
    struct Case {
        const char* what;
        List entries;
        const char* why;
    };
    const Case cases[] = {
        {"only its description", List(whole.begin(), whole.begin() + 1), "it lacks"},
        {"cut after a few files", List(whole.begin(), whole.begin() + 4), "it lacks"},
        {"a file changed", changed, "is not the file that was backed up"},
        {"a file cut short", shorter, "is not the file that was backed up"},
        {"a file not listed", extra, "does not list"},
        {"a file twice", twice, "twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteArchive(backups_ + "/POS-20990101-000000.tgz", c.entries);
        asked_.messages.clear();
        EXPECT_EQ(Restore(data_), BACKUP_FAILED);
        ASSERT_EQ(asked_.messages.size(), 1u);
        EXPECT_NE(asked_.messages[0].find(c.why), std::string::npos) << asked_.messages[0];
        EXPECT_EQ(Read(data_), before);
    }
    // The whole archive again: restored.
    WriteArchive(backups_ + "/POS-20990101-000000.tgz", whole);
    EXPECT_EQ(Restore(data_), BACKUP_DONE);
    EXPECT_EQ(Read(data_).at("FILE3.DB"), std::string(303, 'd'));
}

// A restore that needs more room than the folder's file system has is
// refused before anything is unpacked.
TEST_F(BackupLibraryTest, ARestoreLargerThanTheFreeSpaceIsRefused)
{
    fs::create_directories(backups_);
    const std::string info = "kind=POS-\nfiles=1\nsource=/x\nfile=1152921504606846976 00000000 BPOSCUST.DB\n";
    WriteArchive(backups_ + "/POS-20990101-000000.tgz", {{"BACKUP.INF", info}, {"BPOSCUST.DB", "x"}});
    const Files before = Read(data_);
    EXPECT_EQ(Restore(data_), BACKUP_FAILED);
    ASSERT_EQ(asked_.messages.size(), 1u);
    EXPECT_NE(asked_.messages[0].find("free"), std::string::npos) << asked_.messages[0];
    EXPECT_EQ(Read(data_), before);
}

// The hidden archive a killed backup left is removed by the next backup;
// one that a running backup holds is left to it.
TEST_F(BackupLibraryTest, HiddenArchivesOfKilledBackupsAreRemovedByTheNextBackup)
{
    fs::create_directories(backups_);
    const std::string killed = backups_ + "/.POS-20260101-000000.tgz.Ab12Cd";
    const std::string running = backups_ + "/.POS-20260101-000001.tgz.Ef34Gh";
    Write(killed, "half an archive");
    Write(running, "being written");
    const int held = ::open(running.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    ASSERT_EQ(Backup(), BACKUP_DONE);
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_TRUE(fs::exists(running));
    ::close(held);
}

}  // namespace
