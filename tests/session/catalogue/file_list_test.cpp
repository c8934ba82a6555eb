// Lists of open files.

#include <filesystem>
#include <string>

#include "bwps/catalogue.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/catalogue/fixture.h"

namespace cattest {
namespace {

using FileListTest = CompanyCatalogueTest;

TEST_F(FileListTest, OpensEachFileWithItsMode)
{
    uint16_t list[FILE_LIST_SLOTS] = {};
    ASSERT_EQ(OpenFileList(list, 10, 20 + 4 * 256, 31, 0), 0);
    EXPECT_NE(list[0], 0);
    EXPECT_NE(list[1], 0);
    EXPECT_NE(list[2], 0);
    EXPECT_EQ(list[3], 0);
    // The handles are real: the customer file answers a stat.
    uint8_t stat[RECMAN_STAT_BUFFER];
    EXPECT_EQ(BtrStat(list[0], stat), 0);
    uint16_t first = list[0];
    EXPECT_EQ(CloseFileList(list), 0);
    for (uint16_t slot : list)
        EXPECT_EQ(slot, 0);
    EXPECT_EQ(BtrStat(first, stat), B_FILE_NOT_OPEN);
}

TEST_F(FileListTest, ThirtyOneWordsOpenOnlyThirty)
{
    // Slot 30 lies beyond the list; the 31st word names no file, so a
    // list that read it would fail.
    uint16_t list[FILE_LIST_SLOTS + 1] = {};
    list[FILE_LIST_SLOTS] = 0xBEEF;
    int32_t w = 10;
    ASSERT_EQ(OpenFileList(list, w, w, w, w, w, w, w, w, w, w, w, w, w, w, w, w, w, w, w, w, w,
                           w, w, w, w, w, w, w, w, w, 200, 0),
              0);
    for (int slot = 0; slot < FILE_LIST_SLOTS; ++slot)
        EXPECT_NE(list[slot], 0) << slot;
    EXPECT_EQ(list[FILE_LIST_SLOTS], 0xBEEF);
    CloseFileList(list);
    EXPECT_EQ(list[FILE_LIST_SLOTS], 0xBEEF);
}

TEST_F(FileListTest, AMissingThirdFileLeavesNoSlotOpen)
{
    std::filesystem::remove(DataPath("BPOSINHD.DB"));
    uint16_t list[FILE_LIST_SLOTS] = {};
    EXPECT_EQ(OpenFileList(list, 10, 20, 36, 37, 0), B_FILE_NOT_FOUND);
    for (uint16_t slot : list)
        EXPECT_EQ(slot, 0);
    // The report names the failing file.
    EXPECT_NE(std::string(FxTranscript()).find("BPOSINHD.DB"), std::string::npos);
}

TEST_F(FileListTest, UnknownFileNumberFailsCleanly)
{
    uint16_t list[FILE_LIST_SLOTS] = {};
    EXPECT_NE(OpenFileList(list, 10, 0xC8, 0), 0);
    EXPECT_EQ(list[0], 0);
    EXPECT_EQ(list[1], 0);
}

}  // namespace
}  // namespace cattest
