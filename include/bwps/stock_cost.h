// The one cost rule of a product line that leaves stock (or, returned,
// comes back to it): the ledger's cost of goods and inventory lines and
// the product's quantity and value on hand both come from it, so that
// stock and ledger never drift apart.
#ifndef BWPS_STOCK_COST_H
#define BWPS_STOCK_COST_H

#include <cmath>

namespace bwps {

struct StockMove {
    bool out;          // the line takes stock out (quantity at least 0.001)
    double cost;       // what the stock's value drops by (rises by, returned): >= 0 but for a negative value left
    double quantity;   // on hand after the line
    double value;      // value on hand after the line
};

// onHand and value: the product's stock before the line; unitCost: its
// cost by the store's costing method; unitFactor: units per costing unit.
// The cost is the line's quantity at the unit cost, to the cent; the last
// unit out takes what value is left, so stock is never worth less than
// nothing once none is on hand.
inline StockMove MoveStock(double onHand, double value, double unitCost, int unitFactor, double lineQuantity)
{
    const auto cents = [](double v) { return std::round(v * 100.0) / 100.0; };
    StockMove m{};
    m.out = lineQuantity >= 0.001;
    const double sign = m.out ? 1.0 : -1.0;
    const double quantity = sign * lineQuantity;
    const int factor = unitFactor > 1 ? unitFactor : 1;
    m.cost = cents(quantity / factor * unitCost);
    m.value = cents(value - sign * m.cost);
    m.quantity = onHand - sign * quantity;
    if (std::fabs(m.quantity) < 0.001 && m.value <= -0.001) {
        m.cost = cents(m.cost + m.value);
        m.value = 0.0;
    }
    return m;
}

}  // namespace bwps

#endif
