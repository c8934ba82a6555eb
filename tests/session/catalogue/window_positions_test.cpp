// Window positions of each station.

#include <cstring>
#include <string>

#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/window_positions.h"
#include "tests/session/catalogue/fixture.h"

namespace cattest {
namespace {

class WindowPositionsTest : public CatalogueTest {
protected:
    std::string FilePath() const { return base() + "/" + WINDOW_POSITION_FILE_NAME; }

    void Window(const char* name, uint8_t fill)
    {
        uint8_t* data = WindowPositionsData();
        ASSERT_NE(data, nullptr);
        std::memset(data, fill, WINDOW_POSITION_DATA_SIZE);
        std::memset(data, 0, 51);
        std::strcpy(reinterpret_cast<char*>(data), name);
    }
    void Station(const char* id)
    {
        SessionBlock* session = GetSessionPaths();
        std::memset(session->StationId, 0, sizeof session->StationId);
        std::strcpy(session->StationId, id);
    }
};

TEST_F(WindowPositionsTest, FirstSessionCreatesTheFile)
{
    EXPECT_FALSE(Exists(FilePath()));
    EXPECT_TRUE(RestoreWindowPositions(WINDOW_POSITION_FILE_NAME));
    FileStat stat;
    ASSERT_TRUE(StatFile(FilePath(), stat));
    EXPECT_EQ(stat.recordLength, 342);
    EXPECT_EQ(stat.keyCount, 1);
    EXPECT_EQ(stat.records, 0);
    // A second store is not built while one exists.
    EXPECT_FALSE(RestoreWindowPositions(WINDOW_POSITION_FILE_NAME));
    EXPECT_EQ(SaveWindowPositions(), 0);
    EXPECT_EQ(WindowPositionsData(), nullptr);
    EXPECT_FALSE(WindowPositionsLoadOrSave(0));
}

TEST_F(WindowPositionsTest, SavingTwiceUpdatesAndStationsStaySeparate)
{
    ASSERT_TRUE(RestoreWindowPositions(WINDOW_POSITION_FILE_NAME));
    Station("FRONT");
    Window("RSEditCustomer", 1);
    ASSERT_TRUE(WindowPositionsLoadOrSave(1));
    Window("RSEditCustomer", 2);
    ASSERT_TRUE(WindowPositionsLoadOrSave(1));
    Station("BACK");
    Window("RSEditCustomer", 3);
    ASSERT_TRUE(WindowPositionsLoadOrSave(1));
    SaveWindowPositions();
    FileStat stat;
    ASSERT_TRUE(StatFile(FilePath(), stat));
    EXPECT_EQ(stat.records, 2);

    ASSERT_TRUE(RestoreWindowPositions(WINDOW_POSITION_FILE_NAME));
    const struct {
        const char* station;
        uint8_t fill;
    } cases[] = {{"FRONT", 2}, {"BACK", 3}};
    for (const auto& c : cases) {
        Station(c.station);
        Window("RSEditCustomer", 9);
        EXPECT_TRUE(WindowPositionsLoadOrSave(0)) << c.station;
        EXPECT_EQ(WindowPositionsData()[WINDOW_POSITION_DATA_SIZE - 1], c.fill) << c.station;
        EXPECT_STREQ(reinterpret_cast<char*>(WindowPositionsData()), "RSEditCustomer");
    }
    // An unknown window keeps what it was given.
    Window("RSEditVendor", 9);
    EXPECT_FALSE(WindowPositionsLoadOrSave(0));
    EXPECT_EQ(WindowPositionsData()[WINDOW_POSITION_DATA_SIZE - 1], 9);
}

}  // namespace
}  // namespace cattest
