// The data-file check table and the copies handed out of it.
#include <gtest/gtest.h>

#include <vector>

#include "bwps/check_table.h"
#include "bwps/testing.h"

namespace {

TEST(CheckTable, ListsTheUtilityFilesInOrderAndEndsWithTheTerminator)
{
    ResetCheckTable();
    ASSERT_EQ(GetCheckTableSize(), 67);
    ASSERT_EQ(GetCheckTableEntrySize(), static_cast<int>(sizeof(FileCheckRow)));
    std::vector<FileCheckRow> copy(GetCheckTableSize());
    ASSERT_EQ(CopyCheckTable(copy.data()), 1);
    EXPECT_EQ(copy.front().FileNumber, CHECK_ALL_FILES);
    EXPECT_EQ(copy[1].FileNumber, 1);
    EXPECT_EQ(copy[59].FileNumber, CHECK_CONVERSION_FILE);
    EXPECT_EQ(copy[65].FileNumber, 89);
    EXPECT_EQ(copy.back().FileNumber, 0);
    for (const FileCheckRow& row : copy) {
        EXPECT_EQ(row.RecordCount, -1);
        EXPECT_EQ(row.Mark, ' ');
        EXPECT_EQ(row.Description, nullptr);
    }
}

TEST(CheckTable, FilesWithoutARowAreRefusedAndTheBufferIsLeft)
{
    ResetCheckTable();
    struct Case {
        int file;
        bool listed;
    } cases[] = {{CHECK_ALL_FILES, true}, {36, true}, {89, true}, {CHECK_CONVERSION_FILE, true},
                 {2, false}, {94, false}, {0, false}, {101, false}};
    for (const Case& c : cases) {
        FileCheckRow out{};
        out.RecordCount = 12345;
        EXPECT_EQ(CopyCheckEntry(c.file, &out) != 0, c.listed) << c.file;
        EXPECT_EQ(FindCheckEntry(c.file) != nullptr, c.listed) << c.file;
        if (c.listed) {
            EXPECT_EQ(out.FileNumber, c.file);
            EXPECT_EQ(GetCheckEntryCount(c.file), -1);
        } else {
            EXPECT_EQ(out.RecordCount, 12345) << "the buffer must stay as it was";
            EXPECT_EQ(GetCheckEntryCount(c.file), -1);
        }
    }
}

TEST(CheckTable, AResetForgetsCountsWrittenIntoTheTable)
{
    ResetCheckTable();
    FindCheckEntry(10)->RecordCount = 7;
    EXPECT_EQ(GetCheckEntryCount(10), 7);
    ResetCheckTable();
    EXPECT_EQ(GetCheckEntryCount(10), -1);
}

}  // namespace
