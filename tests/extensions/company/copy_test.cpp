// Copying a company: the set-up copy with its totals and settings started
// again, the complete copy, the refusals, a copy killed part way and a
// source that another station has open and is writing.
#include "tests/extensions/company/fixture.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/versions.h"
#include "extensions/company/copy_company_testing.h"
#include "fx.h"
#include "recman.h"
#include "tests/support/library.h"

#include <dlfcn.h>

// The free space the copy sees: the framework's disk query, answered here
// while a test sets a figure (-1: the real disk, -2: the query fails).
namespace {
int64_t g_freeSpace = -1;
void SetCopyFreeSpaceForTests(int64_t bytes) { g_freeSpace = bytes; }
}  // namespace

extern "C" int FxDiskSpace(const char* folder, uint64_t* total, uint64_t* available)
{
    if (g_freeSpace == -2)
        return -1;
    if (g_freeSpace >= 0) {
        *total = static_cast<uint64_t>(g_freeSpace);
        *available = static_cast<uint64_t>(g_freeSpace);
        return 0;
    }
    using Query = int (*)(const char*, uint64_t*, uint64_t*);
    static const auto real = reinterpret_cast<Query>(dlsym(RTLD_NEXT, "FxDiskSpace"));
    return real != nullptr ? real(folder, total, available) : -1;
}

namespace fs = std::filesystem;
using bwps::FileNo;

namespace companytest {
namespace {

using Bytes = std::vector<uint8_t>;

std::string NameOf(FileNo file)
{
    char buffer[FOLDER_BUFFER_SIZE] = {};
    return CopyDataFileName(bwps::No(file), buffer);
}

// Every record of a data file in physical order; status out.
std::vector<Bytes> AllRecords(const std::string& path, int* statusOut = nullptr)
{
    std::vector<Bytes> out;
    uint16_t h = 0;
    int status = BtrOpenFile(&h, path.c_str(), 0, 0);
    if (statusOut) *statusOut = status;
    if (status != 0) return out;
    Bytes buffer(65535);
    uint8_t key[256] = {};
    for (status = BtrGet(B_STEP_FIRST, h, key, buffer.data(), 65535); status == 0;
         status = BtrGet(B_STEP_NEXT, h, key, buffer.data(), 65535))
        out.emplace_back(buffer.begin(), buffer.begin() + BtrCall218(h));
    BtrCloseFile(h);
    return out;
}

// Runs of the running totals, written out from the layout of each file.
struct Run {
    size_t offset, width;
    int count;
    int32_t value;
};
struct FileTotals {
    FileNo file;
    std::vector<Run> runs;
};
const FileTotals kTotals[] = {
    {FileNo::Accounts, {{80, 4, 1, 1}, {84, 4, 1, 1}, {88, 8, 8, 0}, {152, 8, 26, 0}, {360, 8, 13, 0}, {464, 8, 13, 0}}},
    {FileNo::Customers,
     {{126, 8, 1, 0}, {142, 8, 1, 0}, {150, 8, 1, 0}, {158, 8, 1, 0}, {166, 8, 1, 0}, {174, 8, 1, 0},
      {182, 8, 1, 0}, {190, 4, 5, 0}, {210, 4, 5, 0}, {230, 8, 5, 0}, {270, 8, 5, 0}, {310, 8, 5, 0}}},
    {FileNo::Products,
     {{282, 4, 1, 0}, {286, 4, 1, 0}, {330, 8, 1, 0}, {338, 8, 1, 0}, {346, 8, 1, 0}, {354, 8, 1, 0},
      {610, 8, 1, 0}, {618, 8, 1, 0}, {370, 8, 5, 0}, {410, 8, 5, 0}, {450, 8, 5, 0}, {490, 8, 5, 0},
      {530, 8, 5, 0}, {570, 8, 5, 0}}},
    {FileNo::Services, {{95, 4, 1, 0}, {115, 8, 5, 0}, {155, 8, 5, 0}}},
    {FileNo::Salespersons, {{107, 8, 1, 0}, {115, 8, 13, 0}, {219, 8, 13, 0}, {323, 8, 13, 0}, {427, 8, 13, 0}}},
    {FileNo::TaxTable, {{162, 8, 26, 0}, {370, 8, 26, 0}, {578, 8, 26, 0}, {786, 8, 26, 0}}},
};

Bytes WithTotalsReset(Bytes record, const FileTotals& t)
{
    for (const Run& r : t.runs)
        for (int n = 0; n < r.count; ++n) {
            const size_t at = r.offset + r.width * static_cast<size_t>(n);
            if (r.width == 4) std::memcpy(record.data() + at, &r.value, 4);
            else std::memset(record.data() + at, 0, 8);
        }
    return record;
}

class CopyTest : public CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        SetCopyFreeSpaceForTests(-1);
        store_ = Folder("store");
        Start("");
        CreateListed("Store", store_);
        // One record with every byte set in each file that has totals.
        for (const FileTotals& t : kTotals) {
            const std::string path = store_ + "/" + NameOf(t.file);
            const int length = StoredRecordLength(path);
            ASSERT_GT(length, 0) << path;
            Bytes record(static_cast<size_t>(length), 0x11);
            ASSERT_EQ(bwpstest::PutRecord(path, record.data(), 0, record.data(), length), 0) << path;
        }
        TagLastNumbers numbers{};
        ASSERT_EQ(ReadSetting(store_, "0lastnumbers   ", &numbers, sizeof numbers), 0);
        for (int32_t& c : numbers.Counters) c = 77;
        ASSERT_EQ(bwpstest::PutRecord(store_ + "/" + NameOf(FileNo::General), numbers.Key, 16, &numbers,
                                      sizeof numbers),
                  0);
        PasswordsRecord passwords{};
        ASSERT_EQ(ReadSetting(store_, "0Passwords     ", &passwords, sizeof passwords), 0);
        std::memset(reinterpret_cast<char*>(&passwords) + 16, 'P', 20);
        ASSERT_EQ(bwpstest::PutRecord(store_ + "/" + NameOf(FileNo::General), passwords.Key, 16, &passwords,
                                      sizeof passwords),
                  0);
        TagCompanyRecord company{};
        ASSERT_EQ(ReadSetting(store_, "0Company       ", &company, sizeof company), 0);
        std::memcpy(company.Name, "Corner Store", 12);
        ASSERT_EQ(bwpstest::PutRecord(store_ + "/" + NameOf(FileNo::General), company.Key, 16, &company,
                                      sizeof company),
                  0);
        // A register detail file.
        fs::copy_file(store_ + "/" + NameOf(FileNo::Customers), store_ + "/REG7.db");
        dataBefore_ = Session().DataPath;
    }

    int Copy(const std::string& folder, int mode, const char* script = "key F10\n")
    {
        Script(script);
        return CopyCompanyToFolder(store_.c_str(), "Copy", folder.c_str(), mode, 0);
    }

    bool Leftovers(const std::string& folder) const
    {
        const fs::path p(folder);
        return fs::exists(p.parent_path() / ("." + p.filename().string() + ".copying"));
    }

    std::string store_;
    std::string dataBefore_;
};

TEST_F(CopyTest, SetUpCopyStartsEveryRunningTotalAgainAndKeepsTheRest)
{
    const std::string copy = Folder("copy");
    ASSERT_EQ(Copy(copy, 0), 0) << Transcript();
    for (const FileTotals& t : kTotals) {
        SCOPED_TRACE(NameOf(t.file));
        const auto source = AllRecords(store_ + "/" + NameOf(t.file));
        const auto copied = AllRecords(copy + "/" + NameOf(t.file));
        ASSERT_EQ(copied.size(), source.size());
        for (size_t i = 0; i < source.size(); ++i) EXPECT_EQ(copied[i], WithTotalsReset(source[i], t)) << i;
    }
    EXPECT_EQ(std::string(Session().DataPath), dataBefore_);
    EXPECT_FALSE(Leftovers(copy));
}

TEST_F(CopyTest, SetUpCopySettingsFilesAndTemplates)
{
    const std::string copy = Folder("copy");
    ASSERT_EQ(Copy(copy, 0), 0) << Transcript();

    TagCompanyRecord company{}, fresh{};
    ASSERT_EQ(ReadSetting(copy, "0Company       ", &company, sizeof company), 0);
    BuildCompanyRecord(&fresh);
    EXPECT_EQ(std::memcmp(&company, &fresh, sizeof company), 0);

    PasswordsRecord passwords{}, empty{};
    ASSERT_EQ(ReadSetting(copy, "0Passwords     ", &passwords, sizeof passwords), 0);
    std::memcpy(empty.Key, "0Passwords     ", 16);
    EXPECT_EQ(std::memcmp(&passwords, &empty, sizeof passwords), 0);

    TagLastNumbers numbers{};
    ASSERT_EQ(ReadSetting(copy, "0lastnumbers   ", &numbers, sizeof numbers), 0);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(+numbers.Counters[i], 0) << i;

    // Files outside the set-up list start empty; those in it are copied.
    struct Expect {
        FileNo file;
        bool copied;
    };
    for (const Expect& e : {Expect{FileNo::Tenders, true}, Expect{FileNo::Units, true},
                            Expect{FileNo::SalesHeader, false}, Expect{FileNo::Registers, false}}) {
        const size_t source = AllRecords(store_ + "/" + NameOf(e.file)).size();
        int status = -1;
        const size_t copied = AllRecords(copy + "/" + NameOf(e.file), &status).size();
        EXPECT_EQ(status, 0) << NameOf(e.file);
        EXPECT_EQ(copied, e.copied ? source : 0u) << NameOf(e.file);
    }
    EXPECT_TRUE(fs::exists(copy + "/CUSTOMER.IPT"));
    EXPECT_FALSE(fs::exists(copy + "/REG7.db"));
    EXPECT_EQ(DetectDataSetVersion(copy.c_str()), DataSetCurrent);
}

TEST_F(CopyTest, CompleteCopyChangesNoRecordAndTakesTheRegisterFiles)
{
    const std::string copy = Folder("copy");
    ASSERT_EQ(Copy(copy, 1), 0) << Transcript();
    std::vector<std::string> names = {"REG7.db"};
    for (int file = 1; file <= 84; ++file) {
        char buffer[FOLDER_BUFFER_SIZE] = {};
        const int kind = GetDataFileKind(file);
        if ((kind == FOLDER_DATA || kind == FOLDER_SHARED || kind == FOLDER_QUERY) && CopyDataFileName(file, buffer) &&
            fs::exists(store_ + "/" + buffer))
            names.push_back(buffer);
    }
    for (const std::string& name : names) {
        int status = -1;
        EXPECT_EQ(AllRecords(copy + "/" + name, &status), AllRecords(store_ + "/" + name)) << name;
        EXPECT_EQ(status, 0) << name;
    }
    TagCompanyRecord company{};
    ASSERT_EQ(ReadSetting(copy, "0Company       ", &company, sizeof company), 0);
    EXPECT_EQ(std::string(company.Name, 12), "Corner Store");
}

struct Refusal {
    const char* name;
    int64_t freeSpace;   // -1: the disk's, -2: the query fails, -3: one byte below the need
    bool destHoldsData;  // the destination already holds a company
    bool noSource;       // the source folder is empty
    const char* script;
    const char* seen;
};

const Refusal kRefusals[] = {
    {"DestinationHoldsDataFiles", -1, true, false, "key F10\n", "already holds files"},
    {"SpaceBelowTheNeed", -3, false, false, "key Enter\n", "RSErrCreateFileRequirements"},
    {"DiskQueryFails", -2, false, false, "", "cannot be the program folder"},
    {"SourceWithoutDataFiles", -1, false, true, "", "holds no complete set of data files"},
    {"SpaceDeclined", -1, false, false, "key Esc\n", "RSCopyDestSpaceReq"},
};

class CopyRefusalTest : public CopyTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(CopyRefusalTest, CopiesNothingAndKeepsTheSessionFolder)
{
    const Refusal& r = GetParam();
    std::string copy = Folder("copy");
    if (r.destHoldsData) {
        ASSERT_TRUE(Create("Other", copy));
    }
    Start(store_);
    dataBefore_ = Session().DataPath;
    const std::string source = r.noSource ? Folder("empty") : store_;
    fs::create_directories(source);
    if (r.freeSpace == -3) {
        SetCopyFreeSpaceForTests(1);
    } else {
        SetCopyFreeSpaceForTests(r.freeSpace);
    }
    const auto before = r.destHoldsData ? AllRecords(copy + "/" + NameOf(FileNo::Customers)) : std::vector<Bytes>{};
    Script(r.script);
    EXPECT_EQ(CopyCompanyToFolder(source.c_str(), "Copy", copy.c_str(), 1, 0), ExitCancelled);
    EXPECT_TRUE(Saw(r.seen)) << Transcript();
    EXPECT_EQ(fs::exists(copy), r.destHoldsData);
    if (r.destHoldsData) {
        EXPECT_EQ(AllRecords(copy + "/" + NameOf(FileNo::Customers)), before);
    }
    EXPECT_FALSE(Leftovers(copy));
    EXPECT_EQ(std::string(Session().DataPath), dataBefore_);
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CopyTest, FreeSpaceEqualToTheNeedIsEnough)
{
    // The need is known only from a first attempt: one byte less is refused.
    SetCopyFreeSpaceForTests(0);
    Script("key Enter\n");
    ASSERT_EQ(CopyCompanyToFolder(store_.c_str(), "Copy", Folder("a").c_str(), 1, 0), ExitCancelled);
    std::string t = Transcript();
    const auto at = t.find("text RSErrCreateFileRequirements 2,26 \"");
    ASSERT_NE(at, std::string::npos) << t;
    const int64_t needed = std::stoll(t.substr(at + std::strlen("text RSErrCreateFileRequirements 2,26 \"")));
    ASSERT_GT(needed, 0);
    SetCopyFreeSpaceForTests(needed - 1);
    EXPECT_EQ(Copy(Folder("b"), 1, "key Enter\n"), ExitCancelled);
    EXPECT_FALSE(fs::exists(Folder("b")));
    SetCopyFreeSpaceForTests(needed);
    EXPECT_EQ(Copy(Folder("c"), 1), 0) << Transcript();
    EXPECT_TRUE(fs::exists(Folder("c")));
}

TEST_F(CopyTest, AnEmptyDestinationFolderIsTaken)
{
    const std::string copy = Folder("copy");
    fs::create_directories(copy);
    ASSERT_EQ(Copy(copy, 0), 0) << Transcript();
    EXPECT_EQ(DetectDataSetVersion(copy.c_str()), DataSetCurrent);
}

// The copy's process killed at random moments: the destination is either
// missing or a whole company, and a copy run afterwards succeeds.
TEST_F(CopyTest, KilledCopyNeverLeavesAHalfCompany)
{
    // More records, so that the copy takes a while.
    const std::string customers = store_ + "/" + NameOf(FileNo::Customers);
    const int length = StoredRecordLength(customers);
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, customers.c_str(), 0, 0), 0);
    BtrTransaction(B_BEGIN_TRAN);
    for (int i = 0; i < 20000; ++i) {
        Bytes r(static_cast<size_t>(length), ' ');
        std::snprintf(reinterpret_cast<char*>(r.data()), 12, "C%09d", i);
        ASSERT_EQ(BtrWrite(B_INSERT, h, nullptr, r.data(), length), 0);
    }
    BtrTransaction(B_END_TRAN);
    BtrCloseFile(h);
    const size_t expected = AllRecords(customers).size();

    const std::string copy = Folder("copy");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Copy(Folder("timing"), 1), 0);
    const int whole = static_cast<int>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
    std::mt19937 random(1106);
    std::uniform_int_distribution<int> when(0, whole);
    for (int kill = 0; kill < 8 && !fs::exists(copy); ++kill) {
        Script("key F10\n");
        const pid_t child = fork();
        if (child == 0) _exit(CopyCompanyToFolder(store_.c_str(), "Copy", copy.c_str(), 1, 0));
        std::this_thread::sleep_for(std::chrono::microseconds(when(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (fs::exists(copy)) {
            int status = -1;
            EXPECT_EQ(AllRecords(copy + "/" + NameOf(FileNo::Customers), &status).size(), expected) << kill;
            EXPECT_EQ(DetectDataSetVersion(copy.c_str()), DataSetCurrent);
        }
    }
    if (!fs::exists(copy)) {
        ASSERT_EQ(Copy(copy, 1), 0) << Transcript();
    }
    EXPECT_EQ(AllRecords(copy + "/" + NameOf(FileNo::Customers)).size(), expected);
    EXPECT_FALSE(Leftovers(copy));
}

// Another station has the source's customer file open and has just written
// to it: what it committed is in the copy.
TEST_F(CopyTest, RecordsAnotherStationCommittedAreCopied)
{
    const std::string customers = store_ + "/" + NameOf(FileNo::Customers);
    const int length = StoredRecordLength(customers);
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t station = fork();
    if (station == 0) {
        uint16_t h = 0;
        char byte = BtrOpenFile(&h, customers.c_str(), 0, 0) == 0 ? 'y' : 'n';
        for (int i = 0; i < 40 && byte == 'y'; ++i) {
            Bytes r(static_cast<size_t>(length), ' ');
            std::snprintf(reinterpret_cast<char*>(r.data()), 12, "S%09d", i);
            if (BtrWrite(B_INSERT, h, nullptr, r.data(), length) != 0) byte = 'n';
        }
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(done[0], &byte, 1);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    // The station's commits are still in the log beside the file.
    ASSERT_GT(fs::file_size(customers + "-wal"), 0u);
    const std::string copy = Folder("copy");
    for (int mode : {0, 1}) {
        const std::string folder = copy + std::to_string(mode);
        ASSERT_EQ(Copy(folder, mode), 0) << Transcript();
        EXPECT_EQ(AllRecords(folder + "/" + NameOf(FileNo::Customers)).size(), 41u) << mode;
    }
    (void)!::write(done[1], "x", 1);
    ::waitpid(station, nullptr, 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
}

}  // namespace
}  // namespace companytest
