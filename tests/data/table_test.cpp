#include "bwps/table.h"

#include <gtest/gtest.h>

#include <string>

#include "fx.h"
#include "tests/support/folders.h"
#include "tests/support/library.h"

namespace {

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

#pragma pack(push, 1)
struct Row {
    char code[8];
    int32_t value;
};
struct WideRow {
    char code[8];
    int32_t value;
    char extra[20];
};
#pragma pack(pop)

class TableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bwpstest::ResetLibraryState();
        path_ = folder_.path() + "/rows.db";
        uint8_t spec[16] = {};
        spec[0] = sizeof(Row);
        spec[3] = 0x10;  // page 4096
        spec[4] = 1;
        uint8_t key[16] = {};
        key[0] = 1;   // position 1
        key[2] = 8;   // length 8
        ASSERT_EQ(BtrCreateFile(path_.c_str(), spec, key), 0);
    }
    bwpstest::ScratchFolder folder_{"table"};
    std::string path_;
};

TEST_F(TableTest, FailedOpenCarriesOperationAndFile)
{
    Table table;
    Status s = table.OpenPath(FileNo::Tenders, (folder_.path() + "/missing.db").c_str());
    EXPECT_EQ(s.status, B_FILE_NOT_FOUND);
    EXPECT_EQ(s.operation, bwps::kOpenOperation);
    EXPECT_EQ(s.file, FileNo::Tenders);
    EXPECT_FALSE(table.IsOpen());
}

TEST_F(TableTest, WritesAndReadsRecordStructs)
{
    Table table;
    ASSERT_TRUE(table.OpenPath(FileNo::Tenders, path_.c_str()).Ok());
    Row row{"A1", 7};
    ASSERT_TRUE(table.Insert(row).Ok());
    Row read{};
    char code[8] = "A1";
    ASSERT_TRUE(table.Find(code, read).Ok());
    EXPECT_EQ(read.value, 7);
    char other[8] = "B2";
    Status s = table.Find(other, read);
    EXPECT_TRUE(s.NotFound());
    EXPECT_EQ(s.operation, B_GET_EQUAL);
    EXPECT_EQ(s.file, FileNo::Tenders);
}

TEST_F(TableTest, RecordShorterThanItsStructIsAnError)
{
    Table table;
    ASSERT_TRUE(table.OpenPath(FileNo::Tenders, path_.c_str()).Ok());
    Row row{"A1", 7};
    ASSERT_TRUE(table.Insert(row).Ok());
    WideRow wide;
    std::memset(&wide, 0x55, sizeof wide);
    KeyBuffer key;
    Status s = table.Get(B_GET_FIRST, key, wide);
    EXPECT_EQ(s.status, B_DATA_BUFFER_TOO_SHORT);
    EXPECT_EQ(wide.extra[0], 0) << "nothing past the bytes read";
}

// A locked read that gives 22 for a short record leaves the record free
// for another handle.
TEST_F(TableTest, ShortLockedReadKeepsNoLock)
{
    Table first;
    Table second;
    ASSERT_TRUE(first.OpenPath(FileNo::Tenders, path_.c_str()).Ok());
    ASSERT_TRUE(second.OpenPath(FileNo::Tenders, path_.c_str()).Ok());
    Row row{"L1", 5};
    ASSERT_TRUE(first.Insert(row).Ok());
    for (int bias : {B_LOCK_SINGLE_NOWAIT, B_LOCK_MULTI_NOWAIT}) {
        WideRow wide{};
        KeyBuffer key;
        key.Set(row.code);
        EXPECT_EQ(first.Get(B_GET_EQUAL + bias, key, wide).status, B_DATA_BUFFER_TOO_SHORT)
            << bias;
        Row read{};
        EXPECT_TRUE(second.Find(row.code, read, bias).Ok()) << bias;
        second.UnlockAll();
        second.Unlock();
    }
}

TEST_F(TableTest, ClosesOwnedHandlesOnlyAndOnEveryPath)
{
    uint16_t lent = 0;
    ASSERT_EQ(BtrOpenFile(&lent, path_.c_str(), 0, 0), 0);
    {
        Table borrowed;
        ASSERT_TRUE(borrowed.Borrow(FileNo::Tenders, lent).Ok());
    }
    Row row{"A1", 1};
    EXPECT_EQ(BtrWrite(B_INSERT, lent, nullptr, &row, sizeof row), 0) << "a lent handle stays open";
    uint16_t owned = 0;
    {
        Table table;
        ASSERT_TRUE(table.OpenPath(FileNo::Tenders, path_.c_str()).Ok());
        owned = table.Handle();
    }
    EXPECT_EQ(BtrCloseFile(owned), B_FILE_NOT_OPEN);
    BtrCloseFile(lent);
}

TEST(WriteBatchTest, MisplacedCallsGiveTheContractStatuses)
{
    bwpstest::ResetLibraryState();
    {
        bwps::WriteBatch batch;
        ASSERT_TRUE(batch.Begun().Ok());
        EXPECT_EQ(BtrTransaction(B_BEGIN_TRAN), 37);
        EXPECT_TRUE(batch.Commit().Ok());
    }
    EXPECT_EQ(BtrTransaction(B_END_TRAN), 39);
    EXPECT_EQ(BtrTransaction(B_ABORT_TRAN), 39);
}

}  // namespace

namespace {

TEST_F(TableTest, DirectReadsTheRecordAtAPosition)
{
    Table table;
    ASSERT_TRUE(table.OpenPath(FileNo::Tenders, path_.c_str()).Ok());
    Row a{"A1", 1}, b{"B2", 2};
    ASSERT_TRUE(table.Insert(a).Ok());
    ASSERT_TRUE(table.Insert(b).Ok());
    Row read{};
    char code[8] = "B2";
    ASSERT_TRUE(table.Find(code, read).Ok());
    uint32_t position = 0;
    ASSERT_TRUE(table.Position(position).Ok());
    KeyBuffer key;
    ASSERT_TRUE(table.Get(B_GET_FIRST, key, read).Ok());
    ASSERT_TRUE(table.Direct(position, key, read).Ok());
    EXPECT_EQ(read.value, 2);
}

// Handles the record manager has open: a handle it does not know gives -1
// for its record count.
int OpenHandles()
{
    int open = 0;
    for (int h = 1; h < 4096; ++h)
        if (BtrGetRecordCount(static_cast<uint16_t>(h)) != -1)
            ++open;
    return open;
}

// Every failure path of a table leaves no handle open behind it.
TEST_F(TableTest, ClosesOnEveryFailurePath)
{
    const std::string missing = folder_.path() + "/missing.db";
    struct Case {
        const char* what;
        Status (*run)(const std::string& path, const std::string& missing);
    };
    const Case cases[] = {
        {"open of a missing file",
         [](const std::string&, const std::string& missing) {
             Table t;
             return t.OpenPath(FileNo::Tenders, missing.c_str());
         }},
        {"open without a path",
         [](const std::string&, const std::string&) {
             Table t;
             return t.OpenPath(FileNo::Tenders, nullptr);
         }},
        {"read that finds nothing",
         [](const std::string& path, const std::string&) {
             Table t;
             Status s = t.OpenPath(FileNo::Tenders, path.c_str());
             if (!s.Ok()) return s;
             Row row{};
             char code[8] = "NONE";
             return t.Find(code, row);
         }},
        {"record shorter than its struct",
         [](const std::string& path, const std::string&) {
             Table t;
             Status s = t.OpenPath(FileNo::Tenders, path.c_str());
             if (!s.Ok()) return s;
             Row row{"S1", 1};
             if (!(s = t.Insert(row)).Ok()) return s;
             WideRow wide{};
             KeyBuffer key;
             return t.Get(B_GET_FIRST, key, wide);
         }},
        {"duplicate insert",
         [](const std::string& path, const std::string&) {
             Table t;
             Status s = t.OpenPath(FileNo::Tenders, path.c_str());
             if (!s.Ok()) return s;
             Row row{"D1", 1};
             t.Insert(row);
             return t.Insert(row);
         }},
        {"update without a current record",
         [](const std::string& path, const std::string&) {
             Table t;
             Status s = t.OpenPath(FileNo::Tenders, path.c_str());
             if (!s.Ok()) return s;
             Row row{"U1", 1};
             return t.Update(row);
         }},
        {"a second open replaces the first",
         [](const std::string& path, const std::string& missing) {
             Table t;
             Status s = t.OpenPath(FileNo::Tenders, path.c_str());
             if (!s.Ok()) return s;
             return t.OpenPath(FileNo::Tenders, missing.c_str());
         }},
        {"moved into another table",
         [](const std::string& path, const std::string&) {
             Table a;
             Status s = a.OpenPath(FileNo::Tenders, path.c_str());
             if (!s.Ok()) return s;
             Table b;
             b = std::move(a);
             Table c(std::move(b));
             return Status{B_KEY_NOT_FOUND, B_GET_EQUAL, FileNo::Tenders};
         }},
        {"a zero borrowed handle opens and closes its own",
         [](const std::string&, const std::string&) {
             Table t;
             Status s = t.Borrow(FileNo::KeyDefinitions, 0);
             if (!s.Ok()) return s;
             Row row{};
             KeyBuffer key;
             return t.Get(B_GET_EQUAL, key, row);
         }},
    };
    const int before = OpenHandles();
    for (const Case& c : cases) {
        Status s = c.run(path_, missing);
        EXPECT_FALSE(s.Ok()) << c.what;
        EXPECT_EQ(OpenHandles(), before) << c.what;
    }
}

}  // namespace

namespace {

std::string ShownBy(void (*show)(const Status&), const Status& s)
{
    FxTranscriptClear();
    show(s);
    return FxTranscript();
}

// The one report of a Status names the file's path and reads as the
// record-manager error report of that status, operation and file.
TEST(StatusReport, CarriesOperationAndFileIntoTheReport)
{
    bwpstest::ResetLibraryState();
    const Status cases[] = {
        {B_KEY_NOT_FOUND, B_GET_EQUAL, FileNo::Tenders},
        {B_PERMISSION_ERROR, B_GET_EQUAL, FileNo::General},
        {B_PERMISSION_ERROR, bwps::kOpenOperation, FileNo::General},
        {B_FILE_IN_USE, bwps::kOpenOperation, FileNo::Customers},
    };
    for (const Status& s : cases) {
        const std::string path = GetDataFilePath(bwps::No(s.file));
        const std::string report = ShownBy([](const Status& st) { st.Report(); }, s);
        const std::string expected = ShownBy(
            [](const Status& st) {
                ShowRecordManagerError(st.status, 1, st.operation,
                                       GetDataFilePath(bwps::No(st.file)), 0);
            },
            s);
        EXPECT_EQ(report, expected) << s.status << " " << s.operation;
        EXPECT_NE(report.find(path), std::string::npos) << report;
    }
    // The operation changes what the report says of status 94.
    EXPECT_NE(ShownBy([](const Status& st) { st.Report(); }, cases[1]),
              ShownBy([](const Status& st) { st.Report(); }, cases[2]));
    // Success shows nothing.
    EXPECT_EQ(ShownBy([](const Status& st) { st.Report(); }, Status{}), "");
}

}  // namespace
