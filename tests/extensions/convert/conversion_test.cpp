// Converting companies of older releases: each stage end to end over a
// company written in its release's layouts, the old files kept or deleted,
// refusals that change nothing, a failure in the middle of a stage that
// leaves the folder wholly old, and runs killed at random moments.
#include <algorithm>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "bwps/catalogue.h"
#include "bwps/conversion.h"
#include "bwps/files.h"
#include "bwps/records/general.h"
#include "bwps/settings.h"
#include "bwps/versions.h"
#include "extensions/company/company.h"
#include "extensions/convert/convert.h"
#include "extensions/convert/convert_testing.h"
#include "fx.h"
#include "recman.h"
#include "tests/extensions/company/fixture.h"
#include "tests/extensions/convert/old_release.h"
#include "tests/support/privileges.h"
#include "tests/support/program.h"

namespace fs = std::filesystem;
using bwps::FileNo;
using namespace convtest;

namespace {

std::vector<FileNo> StageFiles(int code)
{
    int files[32] = {};
    const int count = ConversionStageFiles(code, files, 32);
    std::vector<FileNo> list;
    for (int i = 0; i < count; ++i) list.push_back(static_cast<FileNo>(files[i]));
    return list;
}

class ConversionTest : public companytest::CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        ResetConversionState();
        FxUseScriptDriver();
        folder_ = Folder("store");
        Start("");
        ASSERT_TRUE(Create("Store", folder_)) << Transcript();
    }

    // The company made of the release of `code`.
    void Make(int code)
    {
        MakeOldRelease(folder_, code);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(DetectDataSetVersion(folder_.c_str()), code);
    }

    int Convert(int deleteOld = 0) { return ConvertCompanyFolder(folder_.c_str(), 0, deleteOld); }

    // What a folder holds, to tell "unchanged": every file's name and
    // every record of the files a conversion touches.
    std::map<std::string, std::vector<std::vector<uint8_t>>> Snapshot(int code)
    {
        std::map<std::string, std::vector<std::vector<uint8_t>>> snapshot;
        for (const auto& e : fs::directory_iterator(folder_)) {
            const std::string name = e.path().filename().string();
            // database logs and the record manager's transaction markers
            // come and go with the processes that use the files
            if (name.ends_with("-wal") || name.ends_with("-shm") || name.starts_with(".recman")) continue;
            snapshot[name];
        }
        for (FileNo file : StageFiles(code)) {
            if (file == FileNo::General) continue;
            const std::string path = PathOf(folder_, file);
            snapshot[path] = ReadRecords(path, RecordLengthOf(path));
        }
        snapshot.erase("CVTSTATE.LCK");
        return snapshot;
    }

    // Names what differs from a snapshot (a whole comparison prints every
    // record).
    void ExpectUnchanged(const std::map<std::string, std::vector<std::vector<uint8_t>>>& before, int code = 12)
    {
        const auto after = Snapshot(code);
        for (const auto& [name, records] : before) {
            if (after.count(name) == 0) {
                ADD_FAILURE() << name << " is gone";
            } else if (after.at(name) != records) {
                ADD_FAILURE() << name << " changed";
            }
        }
        for (const auto& entry : after)
            if (before.count(entry.first) == 0) ADD_FAILURE() << entry.first << " is new";
    }

    std::string folder_;
};

// ---- each stage over a company of its code ----

struct Probe {
    int firstCode;
    int lastCode;
    FileNo file;
    int record;
    int offset;
    std::string bytes;
};

const Probe kProbes[] = {
    // customers: the default account of codes 10 and 11, status "A", the
    // 41-byte text blank-padded
    {10, 11, FileNo::Customers, 0, 707, std::string("1200\0", 5)},
    {10, 14, FileNo::Customers, 1, 734, "A"},
    {10, 13, FileNo::Customers, 0, 746, std::string(40, ' ') + std::string(1, '\0')},
    {15, 15, FileNo::Customers, 0, 734, "A"},
    // tenders: cash, anything else
    {10, 12, FileNo::Tenders, 0, 96, "C"},
    {10, 12, FileNo::Tenders, 1, 96, "O"},
    // sales and quote headers: a type 5 has no total; others the sum
    {10, 13, FileNo::SalesHeader, 0, 547, std::string(8, '\0')},
    {10, 13, FileNo::QuoteHeader, 1, 547, std::string("\0\0\0\0\0\0\x27\x40", 8)},  // 11.5
    {10, 13, FileNo::SalesHeader, 1, 555, std::string("\0\0\0\0\0\0\x1c\x40", 8)},  // 7.0
    // open invoices: a payment names the invoice it pays
    {10, 12, FileNo::ReceivablesOpenItems, 0, 106, std::string("INV-1\0", 6)},
    {10, 12, FileNo::ReceivablesOpenItems, 0, 117, "P"},
    {10, 12, FileNo::ReceivablesOpenItems, 1, 117, "I"},
    {10, 12, FileNo::CustomerHistoryDetail, 1, 117, "I"},
    // assembly codes right-aligned in ten characters
    {10, 14, FileNo::AssemblyDetail, 0, 0, std::string("        A1\0", 11)},
    {10, 14, FileNo::AssemblyHeader, 1, 0, std::string("        A2\0", 11)},
    // one byte added
    {14, 15, FileNo::Products, 0, 667, "A"},
    {13, 15, FileNo::Services, 0, 195, "A"},
    {13, 15, FileNo::Accounts, 1, 568, "A"},
    {10, 13, FileNo::TaxTable, 0, 994, "N"},
    {10, 11, FileNo::Users, 0, 230, "N"},
    {14, 15, FileNo::PromotionHeader, 0, 88, "\x01"},
    {14, 15, FileNo::PromotionHeader, 0, 119, "Y"},
};

class StageTest : public ConversionTest, public ::testing::WithParamInterface<int> {};

TEST_P(StageTest, ConvertsEveryFileOfTheCodeAndStampsTheCurrentRelease)
{
    const int code = GetParam();
    Make(code);
    ASSERT_FALSE(HasFatalFailure());
    const auto files = StageFiles(code);
    std::map<FileNo, std::vector<std::vector<uint8_t>>> before;
    for (FileNo file : files)
        if (file != FileNo::General)
            before[file] = ReadRecords(PathOf(folder_, file), OldLength(code, file));

    ASSERT_EQ(Convert(), 0) << Transcript();
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), DATASET_CURRENT);
    const std::string backup = "V" + std::to_string(code - 2);
    for (FileNo file : files) {
        const std::string name = GetDataFileEntry(bwps::No(file))->Name;
        const std::string path = PathOf(folder_, file);
        if (file != FileNo::General) {
            EXPECT_EQ(RecordLengthOf(path), GetDataFileRecordLength(bwps::No(file))) << name;
            EXPECT_EQ(ReadRecords(path, RecordLengthOf(path)).size(), before[file].size()) << name;
        }
        // the old file beside the new one under the release's extension
        const std::string kept = folder_ + "/" + name.substr(0, name.find('.')) + "." + backup;
        EXPECT_TRUE(fs::exists(kept)) << kept;
        if (file != FileNo::General) {
            EXPECT_EQ(RecordLengthOf(kept), OldLength(code, file)) << kept;
        }
        EXPECT_FALSE(fs::exists(folder_ + "/" + name.substr(0, name.find('.')) + ".TMP")) << name;
    }
    for (const Probe& p : kProbes) {
        if (code < p.firstCode || code > p.lastCode) continue;
        const std::string path = PathOf(folder_, p.file);
        const auto records = ReadRecords(path, RecordLengthOf(path));
        ASSERT_GT(records.size(), static_cast<size_t>(p.record));
        const auto& r = records[p.record];
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data()) + p.offset, p.bytes.size()), p.bytes)
            << GetDataFileEntry(bwps::No(p.file))->Name << " record " << p.record << " at " << p.offset;
    }
    // the settings records at their current lengths
    EXPECT_EQ(ReadSettingRecord(folder_, GENERAL_KEY_DEFAULTS).size(), size_t{GENERAL_DEFAULTS_SIZE});
    EXPECT_EQ(ReadSettingRecord(folder_, GENERAL_KEY_SYSINTERFACE).size(), size_t{GENERAL_SYSINTERFACE_SIZE});
    if (code >= 12) {
        EXPECT_EQ(ReadSettingRecord(folder_, GENERAL_KEY_COMPANY).size(), size_t{GENERAL_COMPANY_SIZE});
    }
    // the files of later releases are there; the run left no journal
    EXPECT_TRUE(fs::exists(PathOf(folder_, FileNo::ReceivablesOpenHeaders)));
    EXPECT_TRUE(fs::exists(PathOf(folder_, FileNo::Units)));
    EXPECT_FALSE(bwps::conversion::JournalExists(folder_));
}

INSTANTIATE_TEST_SUITE_P(EveryOlderCode, StageTest, ::testing::Values(10, 11, 12, 13, 14, 15));

// A customer of code 15 keeps its 795 bytes; only the status changes.
TEST_F(ConversionTest, CustomersOfCode15KeepEveryByteButTheStatus)
{
    Make(15);
    ASSERT_FALSE(HasFatalFailure());
    const auto before = ReadRecords(PathOf(folder_, FileNo::Customers), 795);
    ASSERT_EQ(Convert(), 0) << Transcript();
    const auto after = ReadRecords(PathOf(folder_, FileNo::Customers), 795);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
        for (size_t b = 0; b < 795; ++b)
            if (b != 734) {
                EXPECT_EQ(after[i][b], before[i][b]) << "record " << i << " byte " << b;
            }
}

TEST_F(ConversionTest, WithTheDeleteFlagNoOldFileStays)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(Convert(1), 0) << Transcript();
    for (const auto& e : fs::directory_iterator(folder_))
        EXPECT_NE(e.path().extension(), ".V10") << e.path();
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), DATASET_CURRENT);
}

// A converted company is current: a second run refuses and changes nothing.
TEST_F(ConversionTest, ARerunNeverConvertsConvertedFiles)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(Convert(), 0);
    const auto after = Snapshot(12);
    FxTranscriptClear();
    EXPECT_EQ(Convert(), 27);
    EXPECT_TRUE(Saw("too old to be converted")) << Transcript();
    ExpectUnchanged(after);
}

// ---- all or nothing ----

// The temporary file of the eighth file cannot be made (a folder stands
// under its name): the stage stops, the folder is wholly of code 12 again,
// and once the obstacle is gone a rerun converts it.
TEST_F(ConversionTest, AFailureAtTheMiddleFileLeavesTheFolderWhollyOld)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    const auto files = StageFiles(12);
    const std::string middle = GetDataFileEntry(bwps::No(files[files.size() / 2]))->Name;
    const std::string obstacle = folder_ + "/" + middle.substr(0, middle.find('.')) + ".TMP";
    fs::create_directory(obstacle);
    const auto before = Snapshot(12);

    EXPECT_NE(Convert(), 0);
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), 12);
    ExpectUnchanged(before);
    EXPECT_EQ(ReadSettingRecord(folder_, GENERAL_KEY_DEFAULTS).size(), 1402u);

    fs::remove(obstacle);
    FxTranscriptClear();
    EXPECT_EQ(Convert(), 0) << Transcript();
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), DATASET_CURRENT);
}

// A file of another record length than its code's (here the current
// product layout in a company of code 12) is refused before anything is
// touched, with the file named.
TEST_F(ConversionTest, AFileOfAnotherLayoutIsRefusedWithItsName)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    WriteOldFile(folder_, FileNo::Products, 668, SampleRecords(12, FileNo::Products, 668));
    const auto before = Snapshot(12);
    FxTranscriptClear();
    EXPECT_EQ(Convert(), 27);
    EXPECT_TRUE(Saw("Files of another layout")) << Transcript();
    EXPECT_TRUE(Saw("BPOSPROD.DB")) << Transcript();
    EXPECT_FALSE(Saw("BPOSCUST.DB")) << Transcript();
    ExpectUnchanged(before);
}

// A file that is not a record-manager file is reported (status 30) and the
// folder is left as it was.
TEST_F(ConversionTest, AFileThatIsNotADataFileIsReportedAndNothingChanges)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    const std::string tenders = PathOf(folder_, FileNo::Tenders);
    fs::remove(tenders);
    std::ofstream(tenders) << "not a data file";
    const auto before = Snapshot(12);
    EXPECT_EQ(Convert(), B_NOT_A_RECORD_FILE);
    ExpectUnchanged(before);
}

// A file that may not be written is reported (status 94) before anything
// is touched.
TEST_F(ConversionTest, AReadOnlyFileIsReportedAndNothingChanges)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    const std::string tenders = PathOf(folder_, FileNo::Tenders);
    ASSERT_TRUE(bwpstest::GiveToUnprivileged(Folder("")));
    ::chmod(tenders.c_str(), 0444);
    const auto before = Snapshot(12);
    const int answer = bwpstest::RunUnprivileged([&] { return Convert() == B_PERMISSION_ERROR ? 0 : 1; });
    EXPECT_EQ(answer, 0);
    ::chmod(tenders.c_str(), 0644);
    ExpectUnchanged(before);
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), 12);
}

// ---- the driver's checks ----

TEST_F(ConversionTest, FreeSpaceEqualToTheNeedPassesOneByteLessIsRefused)
{
    Make(13);
    ASSERT_FALSE(HasFatalFailure());
    int status = -1;
    ConvertCompanyDataStages(folder_.c_str(), 1, 1000, 5000, 999, &status);
    EXPECT_EQ(status, 27);
    ConvertCompanyDataStages(folder_.c_str(), 0, 1000, 5000, 4999, &status);
    EXPECT_EQ(status, 27);
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), 13);
    ConvertCompanyDataStages(folder_.c_str(), 1, 1000, 5000, 1000, &status);
    EXPECT_EQ(status, 0) << Transcript();
}

TEST(VersionCodeText, NamesTheReleaseOfACode)
{
    const std::pair<int, const char*> rows[] = {{7, "5.0"},   {9, "7.0"},   {10, "8.0"}, {11, "9.0"},
                                                {12, "10.0"}, {15, "13.0"}, {16, "N/A"}, {0, "N/A"}};
    for (const auto& [code, text] : rows) {
        char out[8] = {};
        EXPECT_STREQ(VersionCodeText(out, code), text) << code;
    }
}

// Every converter writes the catalogue's record length of its file.
TEST(StageConverters, EveryFileOfEveryStageHasAConverterToTheCatalogueLength)
{
    for (int code = 10; code <= 15; ++code)
        for (FileNo file : StageFiles(code)) {
            if (file == FileNo::General) continue;
            int oldLength = 0, newLength = 0;
            ASSERT_EQ(ConversionRecordLengths(code, bwps::No(file), &oldLength, &newLength), 1)
                << code << " " << bwps::No(file);
            EXPECT_EQ(newLength, GetDataFileRecordLength(bwps::No(file))) << code << " " << bwps::No(file);
            EXPECT_EQ(oldLength, OldLength(code, file)) << code << " " << bwps::No(file);
        }
}

// ---- killed at random moments ----

// Each run is killed after a random time; the next open of the folder
// finishes or undoes it: the folder is then wholly of code 12 (every file
// as before) or wholly current. A folder found current is put back to its
// old copy for the next kill; the last run converts it.
TEST_F(ConversionTest, ARunKilledAtAnyMomentLeavesTheFolderWhollyOldOrWhollyNew)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    const auto old = Snapshot(12);
    const std::string pristine = Folder("pristine");
    fs::copy(folder_, pristine);
    const auto run = [](const std::string& folder) {
        const pid_t pid = fork();
        if (pid == 0) _exit(ConvertCompanyFolder(folder.c_str(), 0, 0) == 0 ? 0 : 1);
        return pid;
    };
    // How long a whole run takes here.
    const auto started = std::chrono::steady_clock::now();
    {
        const std::string copy = Folder("timing");
        fs::copy(pristine, copy);
        int status = 0;
        waitpid(run(copy), &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto whole =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    std::mt19937 random(27);
    // The kills fall in the first half of a run; when one comes after the
    // run ended (a loaded machine runs it faster than the timing run), the
    // window narrows, so that kills keep landing inside the runs.
    long window = whole.count() / 2;
    int undone = 0, finished = 0;
    for (int kill = 0; kill < 15 || (undone < 2 && kill < 60); ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        const pid_t pid = run(folder_);
        std::uniform_int_distribution<long> later(0, window);
        std::this_thread::sleep_for(std::chrono::microseconds(later(random)));
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const int code = DetectDataSetVersion(folder_.c_str());
        if (code == 12) {
            ExpectUnchanged(old);
            ++undone;
            continue;
        }
        ASSERT_EQ(code, DATASET_CURRENT);
        for (FileNo file : StageFiles(12)) {
            if (file != FileNo::General) {
                EXPECT_EQ(RecordLengthOf(PathOf(folder_, file)), GetDataFileRecordLength(bwps::No(file)));
            }
        }
        EXPECT_FALSE(bwps::conversion::JournalExists(folder_));
        ++finished;
        window = std::max(window / 2, 1000L);
        fs::remove_all(folder_);
        fs::copy(pristine, folder_);
    }
    EXPECT_GE(undone, 2) << "the kills did not fall inside the runs";
    RecordProperty("undone", undone);
    RecordProperty("finished", finished);
    EXPECT_EQ(Convert(), 0) << Transcript();
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), DATASET_CURRENT);
    EXPECT_FALSE(bwps::conversion::JournalExists(folder_));
}

}  // namespace

namespace {

// ---- the screen ----

// An interfaced company's promotional prices go into its accounting
// company once the conversion has succeeded.
TEST_F(ConversionTest, TheLinkedAccountingCompanyGetsThePromotionalPrices)
{
    Make(14);
    ASSERT_FALSE(HasFatalFailure());
    // an accounting company of the current release, without promotions
    const std::string accounting = Folder("accounting");
    fs::create_directories(accounting);
    const std::string scratch = Folder("scratch");
    fs::create_directories(scratch);
    for (int id = 1; GetDataFileKind(id) >= 0; ++id) {
        const int kind = GetDataFileKind(id);
        const bool promotion = id == bwps::No(FileNo::PromotionHeader) || id == bwps::No(FileNo::PromotionProducts);
        if (kind != FOLDER_SHARED && kind != FOLDER_ACCOUNTING && !promotion) continue;
        const char* name = AccountingFileNameOfId(id);
        if (name == nullptr || *name == '\0') continue;
        char spec[16] = {};
        ASSERT_EQ(CreateSessionDataFile(id, 0, scratch.c_str(), nullptr, spec), 0) << id;
        for (const auto& e : fs::directory_iterator(scratch)) fs::rename(e.path(), accounting + "/" + name);
    }
    // the company links to it
    {
        const std::string general = PathOf(folder_, FileNo::General);
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, general.c_str(), 0, 0), 0);
        uint8_t key[256] = {};
        std::memcpy(key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
        std::vector<uint8_t> record(4096, 0);
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, record.data(), 4096), 0);
        const int length = BtrCall218(h);
        const int16_t linked = 1;
        std::memcpy(record.data() + 51, &linked, 2);
        std::memset(record.data() + 108, 0, 144);
        std::memcpy(record.data() + 108, accounting.data(), accounting.size());
        ASSERT_EQ(BtrWrite(B_UPDATE, h, key, record.data(), length), 0);
        BtrCloseFile(h);
    }
    SetAccountingCompanyPath(accounting.c_str());
    FxTranscriptClear();
    ASSERT_EQ(Convert(), 0) << Transcript();
    ASSERT_EQ(DetectDataSetVersion(folder_.c_str()), DATASET_CURRENT);
    for (FileNo file : {FileNo::PromotionHeader, FileNo::PromotionProducts}) {
        SCOPED_TRACE(bwps::No(file));
        const int length = GetDataFileRecordLength(bwps::No(file));
        const auto own = ReadRecords(PathOf(folder_, file), length);
        const auto copied = ReadRecords(accounting + "/" + AccountingFileNameOfId(bwps::No(file)), length);
        EXPECT_EQ(copied, own);
        if (file == FileNo::PromotionHeader) {
            EXPECT_FALSE(own.empty());
        }
    }
}

// Converting from the "Open Company" list: the list holds the company list
// file open while the conversion runs, and the pass over every file after
// it leaves that file alone instead of stopping with "in use" (85).
TEST_F(ConversionTest, ConvertingWhileTheCompanyListIsOpenEndsWithoutAFileInUse)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    uint16_t list = 0;
    int created = 0;
    ASSERT_EQ(OpenCompanyList(&list, GetBasePath(), 0, &created), 0);
    FxTranscriptClear();
    EXPECT_EQ(Convert(), 0);
    BtrCloseFile(list);
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), DATASET_CURRENT);
    EXPECT_FALSE(Saw("Error #  85")) << Transcript();
}

TEST_F(ConversionTest, TheScreenConvertsOnF10AndLeavesTheDataOnEsc)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    Script("key Esc\n");
    EXPECT_EQ(ConvertCompanyData(folder_.c_str()), 27);
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), 12);

    FxTranscriptClear();
    Script("key Space\nkey Enter\nkey F10\n");
    EXPECT_EQ(ConvertCompanyData(folder_.c_str()), 0);
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), DATASET_CURRENT);
    EXPECT_TRUE(Saw("window open 5,3-20,79 \" Convert Company Data \"")) << Transcript();
    EXPECT_TRUE(Saw("field 1 exit \"Keep old files\"")) << Transcript();
    // the progress names each file with its count of records
    EXPECT_TRUE(Saw("\"BPOSCUST.DB: 2 records converted\"")) << Transcript();
    // option 2 kept the old files
    EXPECT_TRUE(fs::exists(folder_ + "/BPOSCUST.V10"));
}

}  // namespace

namespace {

// ---- as a user runs it ----

// The host is asked to run the company heading over a company of code 12:
// the opening shows the conversion screen, F10 converts it with its
// progress, and the company opens.
TEST_F(ConversionTest, TheHostConvertsACompanyOfCode12ThenRunsTheCommand)
{
    Make(12);
    ASSERT_FALSE(HasFatalFailure());
    BWPSStopSession();
    const std::string untouched = Folder("untouched");
    fs::copy(folder_, untouched);
    const std::string program = Folder("host");
    bwpstest::InstallProgramFolder(program);
    const std::string script = Folder("convert.txt");
    std::ofstream(script) << "key F10\n";
    const auto run = bwpstest::RunBwpos(
        program, {"--company", folder_, "--user", "CLERK", "--password", "x", "--script", script, "103"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("run begin RSFileConvert"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("BPOSCUST.DB: 2 records converted"), std::string::npos) << run.out;
    EXPECT_EQ(DetectDataSetVersion(folder_.c_str()), DATASET_CURRENT);

    // Without the key the screen is left: nothing is converted and the
    // company does not open.
    const auto left = bwpstest::RunBwpos(program, {"--company", untouched, "--user", "CLERK", "--password", "x", "103"});
    EXPECT_NE(left.status, 0) << left.out;
    EXPECT_NE(left.out.find("run end RSFileConvert Esc"), std::string::npos) << left.out;
    EXPECT_EQ(DetectDataSetVersion(untouched.c_str()), 12);
}

}  // namespace
