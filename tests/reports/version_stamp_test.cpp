// The data-files version stamp of a company's general settings file.
#include <gtest/gtest.h>

#include <cstring>

#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/versions.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

class VersionStampTest : public InstallationTest {
protected:
    std::string GeneralPath() const { return (data_ / "BPOSGNRL.DB").string(); }

    void PutStamp(int major, int minor)
    {
        TagFilesVersion stamp{};
        std::memcpy(stamp.Key, GENERAL_KEY_FILESVERSION, GENERAL_KEY_SIZE - 1);
        stamp.Major = static_cast<uint8_t>(major);
        stamp.Minor = static_cast<uint8_t>(minor);
        PutGeneralRecord(&stamp, sizeof stamp);
    }

    int CountStamps()
    {
        int count = 0;
        for (const auto& record : ReadAll<TagFilesVersion>(GeneralPath()))
            if (std::strncmp(record.Key, GENERAL_KEY_FILESVERSION, 15) == 0)
                ++count;
        return count;
    }
};

TEST_F(VersionStampTest, WritingInsertsOnceThenUpdatesInPlace)
{
    CreateGeneralFile();
    TagFilesVersion stamp{};
    ASSERT_EQ(ReadFileVersionStamp(&stamp, GeneralPath().c_str()), B_KEY_NOT_FOUND);

    ASSERT_EQ(GetFileVersionStamp(GeneralPath().c_str(), 0), 0);
    ASSERT_EQ(ReadFileVersionStamp(&stamp, GeneralPath().c_str()), 0);
    EXPECT_STREQ(stamp.Key, "0BwFilesVersion");
    EXPECT_EQ(stamp.Major, 14);
    EXPECT_EQ(stamp.Minor, 0);

    PutStamp(12, 0);
    ASSERT_EQ(GetFileVersionStamp(GeneralPath().c_str(), 0), 0);
    ASSERT_EQ(ReadFileVersionStamp(&stamp, GeneralPath().c_str()), 0);
    EXPECT_EQ(stamp.Major, 14);
    EXPECT_EQ(CountStamps(), 1);
}

TEST_F(VersionStampTest, WritingThroughAnOpenHandleAndAnEmptyStampText)
{
    CreateGeneralFile();
    uint16_t handle = 0;
    ASSERT_EQ(OpenFileVersionStampFile(GeneralPath().c_str(), &handle), 0);
    TagFilesVersion empty{};
    empty.Major = 13;
    ASSERT_EQ(WriteFileVersionStamp(handle, &empty), 0);  // the key is put in first
    EXPECT_STREQ(empty.Key, "0BwFilesVersion");
    ASSERT_EQ(GetFileVersionStamp(nullptr, handle), 0);
    BtrCloseFile(handle);

    TagFilesVersion stamp{};
    ASSERT_EQ(ReadFileVersionStamp(&stamp, GeneralPath().c_str()), 0);
    EXPECT_EQ(stamp.Major, 14);
    EXPECT_EQ(CountStamps(), 1);
}

TEST_F(VersionStampTest, MissingFileOrStampLeavesEverythingAlone)
{
    TagFilesVersion stamp;
    std::memset(&stamp, 0xAB, sizeof stamp);
    EXPECT_EQ(ReadFileVersionStamp(&stamp, GeneralPath().c_str()), -1);
    EXPECT_EQ(GetFileVersionStamp(GeneralPath().c_str(), 0), -1);
    EXPECT_FALSE(fs::exists(GeneralPath()));
    EXPECT_EQ(static_cast<uint8_t>(stamp.Key[0]), 0xAB);

    CreateGeneralFile();
    EXPECT_EQ(ReadFileVersionStamp(&stamp, GeneralPath().c_str()), B_KEY_NOT_FOUND);
    EXPECT_EQ(static_cast<uint8_t>(stamp.Key[0]), 0xAB);
    EXPECT_EQ(stamp.Major, 0xAB);
}

// The folder's data-layout version as the version reader turns the stamp
// into a code.
TEST_F(VersionStampTest, StampGivesTheVersionCode)
{
    CreateGeneralFile();
    const struct {
        int major, minor;
        uint16_t code;
    } cases[] = {{14, 0, 1400}, {13, 0, 1300}, {12, 0, 1200}, {11, 0, 1100},
                 {14, 1, 20},   {10, 0, 20},   {15, 0, 20}};
    for (const auto& c : cases) {
        PutStamp(c.major, c.minor);
        uint16_t version = 0;
        int status = -7;
        EXPECT_TRUE(ReadProgVersionRecord(&version, Folder(data_).c_str(), &status))
            << c.major << "." << c.minor;
        EXPECT_EQ(version, c.code) << c.major << "." << c.minor;
        EXPECT_EQ(status, 0);
    }
}

TEST_F(VersionStampTest, WithoutAStampTheProgramVersionRecordCounts)
{
    CreateGeneralFile();
    TagProgVersion record{};
    std::memcpy(record.Key, GENERAL_KEY_PROGVERSION, GENERAL_KEY_SIZE - 1);
    record.Version = 9;
    PutGeneralRecord(&record, sizeof record);
    uint16_t version = 0;
    int status = -7;
    EXPECT_TRUE(ReadProgVersionRecord(&version, Folder(data_).c_str(), &status));
    EXPECT_EQ(version, 9);

    // Stamping the folder takes over from the older record.
    ASSERT_TRUE(WriteDataVersionStamp(0, Folder(data_).c_str(), &status));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(ReadProgVersionRecord(&version, Folder(data_).c_str(), &status));
    EXPECT_EQ(version, 1400);
}

TEST_F(VersionStampTest, StampingAFolderWithoutGeneralFileFails)
{
    int status = 0;
    EXPECT_FALSE(WriteDataVersionStamp(0, Folder(data_).c_str(), &status));
    EXPECT_EQ(status, -1);
    EXPECT_FALSE(fs::exists(GeneralPath()));
}

}  // namespace
}  // namespace bwps::test
