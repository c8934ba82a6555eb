// Window positions of each station.

#include <cstring>
#include <string>

#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/window_positions.h"
#include "fx.h"
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

// The framework asks the registered store when a named window opens and
// closes, so a window comes back where it was in the next run.
TEST_F(WindowPositionsTest, WindowsComeBackWhereTheyWereInTheNextRun)
{
    Station("FRONT");
    ASSERT_TRUE(RestoreWindowPositions(WINDOW_POSITION_FILE_NAME));
    ASSERT_NE(CBrmWinPosition::GetObject(), nullptr);
    FxWindow w{};
    ASSERT_EQ(FxWindowCreate(&w, 6, 12, 14, 70, 1, 1, ' ', nullptr), 0);
    FxWindowSetName(&w, "RSEditCustomer");
    FxWindowClose(&w, 1);
    SaveWindowPositions();
    EXPECT_EQ(CBrmWinPosition::GetObject(), nullptr);
    FileStat stat;
    ASSERT_TRUE(StatFile(FilePath(), stat));
    EXPECT_EQ(stat.records, 1);

    // the next run opens the same window elsewhere: it moves to where it was
    ASSERT_TRUE(RestoreWindowPositions(WINDOW_POSITION_FILE_NAME));
    const struct {
        int top, left, bottom, right;
        int wantTop, wantLeft;
    } cases[] = {
        {2, 5, 10, 63, 6, 12},   // same size: moved
        {2, 5, 12, 63, 2, 5},    // another size: left where the screen put it
    };
    for (const auto& c : cases) {
        FxWindow again{};
        ASSERT_EQ(FxWindowCreate(&again, c.top, c.left, c.bottom, c.right, 1, 1, ' ', nullptr), 0);
        FxWindowSetName(&again, "RSEditCustomer");
        EXPECT_EQ(again.top, c.wantTop);
        EXPECT_EQ(again.left, c.wantLeft);
        EXPECT_EQ(again.bottom - again.top, c.bottom - c.top);
        FxWindowClose(&again, 1);
    }
    // another station has no position for the window
    Station("BACK");
    FxWindow other{};
    ASSERT_EQ(FxWindowCreate(&other, 2, 5, 10, 63, 1, 1, ' ', nullptr), 0);
    FxWindowSetName(&other, "RSEditCustomer");
    EXPECT_EQ(other.top, 2);
    FxWindowClose(&other, 1);
}

}  // namespace
}  // namespace cattest
