// The cost rule of a product line, as a table: the cost a line takes and
// the stock it leaves.
#include <gtest/gtest.h>

#include "bwps/stock_cost.h"

namespace {

TEST(StockCost, TheCostOfALineAndTheStockItLeaves)
{
    struct Case {
        const char* what;
        double onHand, value, unitCost;
        int factor;
        double quantity;
        bool out;
        double cost, onHandAfter, valueAfter;
    } cases[] = {
        {"a sale at the unit cost", 10, 40, 4, 1, 2, true, 8, 8, 32},
        {"a return comes back at the unit cost", 10, 40, 4, 1, -1, false, 4, 11, 44},
        {"costed by a unit of six", 12, 24, 12, 6, 3, true, 6, 9, 18},
        {"a factor of 0 counts as 1", 5, 20, 4, 0, 1, true, 4, 4, 16},
        {"cents rounded", 3, 10, 3.333, 1, 1, true, 3.33, 2, 6.67},
        {"the last unit out takes what value is left", 1, 3, 4, 1, 1, true, 3, 0, 0},
        {"the last two units out, value short", 2, 7, 4, 1, 2, true, 7, 0, 0},
        {"the last unit out, value to spare, keeps its cost", 1, 5, 4, 1, 1, true, 4, 0, 1},
        {"selling into negative stock takes the unit cost", 0, 0, 4, 1, 1, true, 4, -1, -4},
        {"a zero quantity moves nothing", 3, 12, 4, 1, 0, false, 0, 3, 12},
    };
    for (const Case& c : cases) {
        const bwps::StockMove m = bwps::MoveStock(c.onHand, c.value, c.unitCost, c.factor, c.quantity);
        EXPECT_EQ(m.out, c.out) << c.what;
        EXPECT_NEAR(m.cost, c.cost, 1e-9) << c.what;
        EXPECT_NEAR(m.quantity, c.onHandAfter, 1e-9) << c.what;
        EXPECT_NEAR(m.value, c.valueAfter, 1e-9) << c.what;
        // what the stock's value loses is the cost the line takes
        EXPECT_NEAR(c.value - m.value, m.out ? m.cost : -m.cost, 1e-9) << c.what;
    }
}

}  // namespace
