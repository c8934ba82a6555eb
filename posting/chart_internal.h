// The roll-up shared by the chart-of-accounts services.
#ifndef BWPS_POSTING_CHART_INTERNAL_H
#define BWPS_POSTING_CHART_INTERNAL_H

#include "bwps/table.h"
#include "fx.h"

namespace bwps::posting {

// Adds an amount to the account and every account up to the top of its
// chain. Every account of the chain is read before any is changed: a
// missing (or inactive) parent, or a chain that never reaches a top
// account, sets missingParent and changes nothing. lockBias 300 reads with
// multiple wait locks and releases them after each update. A period
// outside 0-25 or an amount that is not a number gives 1. With apply
// false the chain is only checked.
Status RollUpAmount(Table& accounts, const char* account, char side, int alternate, int period,
                    double amount, FxStatus* progress, int lockBias, bool& missingParent,
                    bool apply = true);

}  // namespace bwps::posting

#endif
