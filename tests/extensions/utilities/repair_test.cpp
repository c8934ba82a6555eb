// Dropping supplemental indexes and rebuilding data files: records and keys
// kept, failures that leave the file as it was, a rebuild killed at any
// moment, a file held open by another process, a run stopped by the key.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "extensions/utilities/utilities.h"
#include "fx.h"
#include "recman.h"
#include "tests/extensions/utilities/fixture.h"
#include "tests/support/privileges.h"

namespace fs = std::filesystem;
using bwps::FileNo;
using bwps::No;

namespace utiltest {
namespace {

// A customer record with its code at 0 and a blank status byte.
std::vector<uint8_t> Customer(int n)
{
    std::vector<uint8_t> r(static_cast<size_t>(GetDataFileRecordLength(No(FileNo::Customers))), 0);
    char code[16] = {};
    std::snprintf(code, sizeof code, "C%08d", n % 100000000);
    std::memcpy(r.data(), code, 10);
    std::snprintf(reinterpret_cast<char*>(r.data()) + 350, 40, "Name %d", n % 97);
    r[734] = ' ';
    return r;
}

// A supplemental key over the customer's name (offset 350, 30 bytes).
int AddSupplementalKey(const std::string& path)
{
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, path.c_str(), 0, 0);
    if (status != 0)
        return status;
    uint8_t segment[16] = {};
    const uint16_t position = 351, length = 30, flags = KF_DUPLICATES | KF_MODIFIABLE;
    std::memcpy(segment, &position, 2);
    std::memcpy(segment + 2, &length, 2);
    std::memcpy(segment + 4, &flags, 2);
    status = BtrCreateSupIndex(handle, sizeof segment, segment);
    BtrCloseFile(handle);
    return status;
}

class RepairTest : public UtilitiesTest {
protected:
    void PutCustomers(int count)
    {
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, FilePath(No(FileNo::Customers)).c_str(), 0, 0), 0);
        ASSERT_EQ(BtrTransaction(B_BEGIN_TRAN), 0);
        for (int i = 0; i < count; ++i) {
            std::vector<uint8_t> r = Customer(i);
            ASSERT_EQ(BtrWrite(B_INSERT, handle, nullptr, r.data(), 0), 0);
        }
        ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
        BtrCloseFile(handle);
    }
    bool Leftovers(const std::string& path)
    {
        for (const char* ext : {".NEW", ".OLD"}) {
            const std::string base = path.substr(0, path.rfind('.')) + ext;
            if (fs::exists(base))
                return true;
        }
        return false;
    }
};

struct DropCase {
    const char* name;
    bool supplemental;
    bool missing;
    int expected;
    int keysDropped;
};

TEST_F(RepairTest, DropIndexesAnswersByWhatTheFileHolds)
{
    const DropCase cases[] = {
        {"with a supplemental key", true, false, 0, 1},
        {"without one", false, false, B_KEY_NOT_FOUND, 0},
        {"missing", false, true, B_FILE_NOT_FOUND, 0},
    };
    const std::string path = FilePath(No(FileNo::Customers));
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(CreateDataFile(No(FileNo::Customers), 0, nullptr, nullptr, nullptr), 0);
        PutCustomers(5);
        const int keys = KeyCount(path);
        if (c.supplemental) {
            ASSERT_EQ(AddSupplementalKey(path), 0);
        }
        if (c.missing)
            fs::remove(path);
        EXPECT_EQ(DropFileIndexes(&context_, No(FileNo::Customers), &interrupted_), c.expected);
        if (!c.missing) {
            EXPECT_EQ(KeyCount(path), keys);
            EXPECT_EQ(Records(path).size(), 5u);
        }
    }
    // The file of the older-release table counts as done when missing.
    EXPECT_EQ(DropFileIndexes(&context_, CHECK_CONVERSION_FILE, &interrupted_), 0);
}

TEST_F(RepairTest, DropIndexesKeepsTheKeysGivenAtCreationAndDropsEverySupplementalOne)
{
    const std::string path = FilePath(No(FileNo::Customers));
    PutCustomers(3);
    const int keys = KeyCount(path);
    ASSERT_EQ(AddSupplementalKey(path), 0);
    // A second supplemental key over the code's tail.
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
    uint8_t segment[16] = {};
    const uint16_t position = 5, length = 4, flags = KF_DUPLICATES;
    std::memcpy(segment, &position, 2);
    std::memcpy(segment + 2, &length, 2);
    std::memcpy(segment + 4, &flags, 2);
    ASSERT_EQ(BtrCreateSupIndex(handle, sizeof segment, segment), 0);
    BtrCloseFile(handle);
    ASSERT_EQ(KeyCount(path), keys + 2);
    EXPECT_EQ(DropFileIndexes(&context_, No(FileNo::Customers), &interrupted_), 0);
    EXPECT_EQ(KeyCount(path), keys);
}

TEST_F(RepairTest, ReadOnlyFilesAreRefusedByBothOperations)
{
    const std::string path = FilePath(No(FileNo::Customers));
    PutCustomers(2);
    ASSERT_TRUE(bwpstest::GiveToUnprivileged(scratch_.path()));
    ::chmod(path.c_str(), 0444);
    const int answer = bwpstest::RunUnprivileged([&] {
        UtilityRunContext context{nullptr};
        int32_t interrupted = 0;
        const int drop = DropFileIndexes(&context, No(FileNo::Customers), &interrupted);
        const int recover = RecoverFile(&context, No(FileNo::Customers), &interrupted, 1);
        return drop == B_PERMISSION_ERROR && recover == B_PERMISSION_ERROR ? 0 : 1;
    });
    EXPECT_EQ(answer, 0);
    ::chmod(path.c_str(), 0644);
    EXPECT_EQ(Records(path).size(), 2u);
}

TEST_F(RepairTest, RecoverKeepsEveryRecordAndTheKeysAndMarksBlankStatusesActive)
{
    const std::string path = FilePath(No(FileNo::Customers));
    PutCustomers(300);
    const auto before = Records(path);
    const int keys = KeyCount(path);
    EXPECT_EQ(RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 0), 0);
    const auto after = Records(path);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].substr(0, 734), before[i].substr(0, 734));
        EXPECT_EQ(after[i][734], 'A');
    }
    EXPECT_EQ(KeyCount(path), keys);
    EXPECT_FALSE(Leftovers(path));
}

struct RecoverCase {
    const char* name;
    int file;
    std::vector<int> lengths;   // records to store, by length (0: the record length)
};

TEST_F(RepairTest, RecoverCopiesRecordsWholeInEveryKindOfFile)
{
    const int general = No(FileNo::General);
    const int fixed = static_cast<int>(GetDataFileRecordLength(general));
    const RecoverCase cases[] = {
        {"empty file", No(FileNo::Customers), {}},
        {"variable-length records, longer than a page of the buffer", general,
         {fixed, fixed + 100, 10000, 70000}},
    };
    for (const RecoverCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = FilePath(c.file);
        ASSERT_EQ(CreateDataFile(c.file, 0, nullptr, nullptr, nullptr), 0);
        int n = 0;
        for (int length : c.lengths) {
            std::vector<uint8_t> r(static_cast<size_t>(length), 0);
            const std::string key = "0Record" + std::to_string(n++);
            std::memcpy(r.data(), key.c_str(), key.size());
            for (size_t i = key.size(); i < 15; ++i)
                r[i] = ' ';
            for (size_t i = 16; i < r.size(); ++i)
                r[i] = static_cast<uint8_t>('a' + (i * 7 + n) % 26);
            ASSERT_EQ(Insert(c.file, r.data(), length), 0);
        }
        const auto before = Records(path);
        EXPECT_EQ(RecoverFile(&context_, c.file, &interrupted_, 1), 0);
        EXPECT_EQ(Records(path), before);
        EXPECT_FALSE(Leftovers(path));
    }
}

// A customer file made here with one key, the code, of the flags given and
// records of the length given; the status.
int MakeCustomerFile(const std::string& path, int recordLength, uint16_t keyFlags)
{
    uint8_t spec[16] = {};
    const uint16_t length = static_cast<uint16_t>(recordLength), page = 4096;
    std::memcpy(spec, &length, 2);
    std::memcpy(spec + 2, &page, 2);
    spec[4] = 1;
    uint8_t segment[16] = {};
    const uint16_t position = 1, keyLength = 11;
    std::memcpy(segment, &position, 2);
    std::memcpy(segment + 2, &keyLength, 2);
    std::memcpy(segment + 4, &keyFlags, 2);
    std::filesystem::remove(path);
    return BtrCreateFile(path.c_str(), spec, segment);
}

struct LengthCase {
    const char* name;
    int extra;   // bytes more (or fewer) than the customer record
};

TEST_F(RepairTest, ASourceOfAnotherRecordLengthIsNotRebuilt)
{
    const int length = static_cast<int>(GetDataFileRecordLength(No(FileNo::Customers)));
    const std::string path = FilePath(No(FileNo::Customers));
    const LengthCase cases[] = {{"longer records: they would be cut", 40}, {"shorter records", -40}};
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(MakeCustomerFile(path, length + c.extra, 0), 0);
        for (int i = 0; i < 3; ++i) {
            std::vector<uint8_t> r = Customer(i);
            r.resize(static_cast<size_t>(length + c.extra), 'x');
            ASSERT_EQ(Insert(No(FileNo::Customers), r.data(), length + c.extra), 0);
        }
        const auto before = Records(path);
        EXPECT_EQ(RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 1), B_INVALID_RECORD_LENGTH);
        EXPECT_EQ(Records(path), before);
        EXPECT_FALSE(Leftovers(path));
        const std::string shown = FxTranscript();
        EXPECT_NE(shown.find("Error #  28 on file " + path), std::string::npos) << shown;
    }
}

TEST_F(RepairTest, RecordsTheRebuiltFileRefusesAreKeptInTheRejFile)
{
    const int length = static_cast<int>(GetDataFileRecordLength(No(FileNo::Customers)));
    const std::string path = FilePath(No(FileNo::Customers));
    const std::string rejects = path.substr(0, path.rfind('.')) + ".REJ";
    // The source lets one code stand twice; the rebuilt file does not.
    ASSERT_EQ(MakeCustomerFile(path, length, KF_DUPLICATES), 0);
    std::vector<uint8_t> twice = Customer(1);
    std::memcpy(twice.data() + 350, "Second of C1", 13);
    for (const std::vector<uint8_t>& r : {Customer(1), twice, Customer(2)})
        ASSERT_EQ(Insert(No(FileNo::Customers), r.data(), length), 0);

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        if (run == 2) {
            // a second recover adds what it leaves out after the first's
            ASSERT_EQ(MakeCustomerFile(path, length, KF_DUPLICATES), 0);
            for (const std::vector<uint8_t>& r : {Customer(1), twice, Customer(2)})
                ASSERT_EQ(Insert(No(FileNo::Customers), r.data(), length), 0);
        }
        EXPECT_EQ(RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 1), 0);
        EXPECT_FALSE(Leftovers(path));
        std::ifstream in(rejects, std::ios::binary);
        const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const size_t entry = 4 + static_cast<size_t>(length);
        ASSERT_EQ(kept.size(), entry * static_cast<size_t>(run));
        for (int i = 0; i < run; ++i) {
            const std::string e = kept.substr(entry * static_cast<size_t>(i), entry);
            uint32_t size = 0;
            for (int b = 0; b < 4; ++b)
                size |= static_cast<uint32_t>(static_cast<uint8_t>(e[static_cast<size_t>(b)])) << (8 * b);
            EXPECT_EQ(size, static_cast<uint32_t>(length));
            EXPECT_EQ(e.substr(4), std::string(twice.begin(), twice.end()));
        }
        const std::string shown = FxTranscript();
        EXPECT_NE(shown.find(rejects.substr(rejects.rfind('/') + 1)), std::string::npos) << shown;
        const auto after = Records(path);
        ASSERT_EQ(after.size(), 2u);
        const std::vector<uint8_t> first = Customer(1);
        EXPECT_EQ(after[0].substr(0, 400), std::string(first.begin(), first.begin() + 400));
    }
}

TEST_F(RepairTest, RecoverOfAMissingFileAnswers12AndTheRunSkipsIt)
{
    fs::remove(FilePath(No(FileNo::Customers)));
    EXPECT_EQ(RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 1), B_FILE_NOT_FOUND);
    EXPECT_EQ(RecoverFile(&context_, CHECK_CONVERSION_FILE, &interrupted_, 1), 0);
    LoadCheckTableCopy();
    int current = 0;
    EXPECT_EQ(RunUtilityOverAllFiles(&context_, CHECK_ALL_FILES, UTILITY_RECOVER, &current, &interrupted_, 1), 0);
    EXPECT_EQ(interrupted_, 0);
}

TEST_F(RepairTest, DamagedFileGetsAnErrorAndStaysAsItWas)
{
    const std::string path = FilePath(No(FileNo::Customers));
    const std::string garbage(20000, '\x5A');
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << garbage;
    }
    const int status = RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 1);
    EXPECT_NE(status, 0);
    std::ifstream in(path, std::ios::binary);
    const std::string now((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(now, garbage);
    EXPECT_FALSE(Leftovers(path));
    const std::string shown = FxTranscript();
    EXPECT_NE(shown.find("Error #  30 on file " + path), std::string::npos) << shown;
}

TEST_F(RepairTest, FileHeldOpenByAnotherProcessIsNotReplaced)
{
    const std::string path = FilePath(No(FileNo::Customers));
    PutCustomers(50);
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = fork();
    if (child == 0) {
        uint16_t handle = 0;
        char byte = BtrOpenFile(&handle, path.c_str(), 0, 0) == 0 ? 'y' : 'n';
        uint8_t key[256] = {};
        std::vector<uint8_t> r(1024);
        // A record lock as well.
        BtrGet(B_GET_FIRST + B_LOCK_SINGLE_NOWAIT, handle, key, r.data(), 0);
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(done[0], &byte, 1);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    EXPECT_EQ(RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 1), B_FILE_IN_USE);
    EXPECT_FALSE(Leftovers(path));
    (void)!::write(done[1], "x", 1);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(Records(path).size(), 50u);
    EXPECT_EQ(RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 1), 0);
    EXPECT_EQ(Records(path).size(), 50u);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
}

TEST_F(RepairTest, RecoverKilledAtAnyMomentNeverLosesARecord)
{
    constexpr int kRecords = 20000;
    const std::string path = FilePath(No(FileNo::Customers));
    PutCustomers(kRecords);
    std::mt19937 random(20261211);
    // How long one whole recover takes, to spread the kills over it.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 1), 0);
    const int whole = static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count());
    std::uniform_int_distribution<int> later(0, whole + whole / 5);
    for (int kill = 0; kill < 12; ++kill) {
        const pid_t child = fork();
        if (child == 0) {
            UtilityRunContext context{nullptr};
            int32_t interrupted = 0;
            _exit(RecoverFile(&context, No(FileNo::Customers), &interrupted, 1) == 0 ? 0 : 1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(later(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        int status = -1;
        ASSERT_EQ(Records(path, &status).size(), static_cast<size_t>(kRecords))
            << "kill " << kill << " open status " << status;
    }
    EXPECT_EQ(RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 1), 0);
    EXPECT_EQ(Records(path).size(), static_cast<size_t>(kRecords));
    EXPECT_FALSE(Leftovers(path));
}

struct StopCase {
    const char* name;
    const char* script;
    int32_t interrupted;
    bool allFiles;
};

TEST_F(RepairTest, AKeyDuringARunAsksAndYesStopsAfterTheCurrentFile)
{
    const StopCase cases[] = {
        {"answered No: the run goes on", "key Enter\nanswer No\n", 0, true},
        {"answered Yes: the current file is finished, the next is not begun", "key Enter\nanswer Yes\n", 1, false},
    };
    LoadCheckTableCopy();
    const FileCheckRow* table = CheckTableCopy();
    ASSERT_NE(table, nullptr);
    int last = 0;
    for (int i = 1; table[i].FileNumber != 0; ++i)
        last = table[i].FileNumber;
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The first file of the run holds records, so the key is polled in it.
        ASSERT_EQ(CreateDataFile(table[1].FileNumber, 0, nullptr, nullptr, nullptr), 0);
        std::vector<uint8_t> r(static_cast<size_t>(GetDataFileRecordLength(table[1].FileNumber)), 0);
        for (int i = 0; i < 3; ++i) {
            std::snprintf(reinterpret_cast<char*>(r.data()), 6, "A%03d", i);
            ASSERT_EQ(Insert(table[1].FileNumber, r.data(), static_cast<int>(r.size())), 0);
        }
        Script(c.script);
        interrupted_ = 0;
        context_.stopMessage = nullptr;
        int current = 0;
        EXPECT_EQ(RunUtilityOverAllFiles(&context_, CHECK_ALL_FILES, UTILITY_RECOVER, &current,
                                         &interrupted_, 0),
                  0);
        EXPECT_EQ(interrupted_, c.interrupted);
        EXPECT_EQ(current, c.allFiles ? last : table[1].FileNumber);
        EXPECT_EQ(Records(FilePath(table[1].FileNumber)).size(), 3u);
        if (context_.stopMessage != nullptr)
            FxStatusClose(context_.stopMessage);
    }
}

TEST_F(RepairTest, QuietRunsNeverReadTheKey)
{
    PutCustomers(3);
    Script("key Enter\n");
    EXPECT_EQ(RecoverFile(&context_, No(FileNo::Customers), &interrupted_, 1), 0);
    EXPECT_EQ(FxScriptRemaining(), 1);
    EXPECT_EQ(interrupted_, 0);
}

TEST_F(RepairTest, OpenAndCloseWithoutALineLeavesNoListAndTheDefaultNameIsUsed)
{
    ASSERT_EQ(OpenAuditFile(nullptr), 1);
    EXPECT_TRUE(fs::exists("CVTAUDIT.TXT"));
    CloseAuditFile();
    EXPECT_FALSE(fs::exists("CVTAUDIT.TXT"));

    ASSERT_EQ(OpenAuditFile("list.txt"), 1);
    WriteAuditLine("one");
    WriteAuditLine("two");
    CloseAuditFile();
    std::ifstream in("list.txt");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "one\ntwo\n");

    // A folder that does not exist: message 565, no list.
    EXPECT_EQ(OpenAuditFile("no/such/folder/list.txt"), 0);
    WriteAuditLine("lost");
    CloseAuditFile();
    EXPECT_NE(std::string(FxTranscript()).find("list file cannot be created"), std::string::npos)
        << FxTranscript();
}

}  // namespace
}  // namespace utiltest
