#include "bwps/table.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
