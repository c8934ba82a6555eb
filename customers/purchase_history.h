// The customer purchase history report, shared by the history viewer and
// the tests: a customer's product, service and code lines of a date range.
#ifndef BWPS_CUSTOMERS_PURCHASE_HISTORY_H
#define BWPS_CUSTOMERS_PURCHASE_HISTORY_H

#include <cstdint>
#include <string>

#include "bwps/export.h"
#include "bwps/report_services.h"
#include "bwps/table.h"

namespace bwps::customers {

// The viewer's customer and its range; a date of 0 leaves that end open.
struct PurchaseHistoryRange {
    std::string customer;
    std::string name;
    int32_t from = 0;
    int32_t to = 0;
};

struct PurchaseHistoryResult {
    Status status;       // a failed read of the sales headers
    bool failed = false; // the report could not be opened or a detail source failed
    int rows = 0;
    double total = 0;
};

// Prints the report through the report writer (the record's destination
// and file as the caller set them).
BWPS_EXPORT PurchaseHistoryResult PrintPurchaseHistory(const PurchaseHistoryRange& range, TagRepInfo& report);

// The screen: asks for the dates and prints, as often as the user asks;
// the range keeps the dates last taken. 0, or 0x20 when the screen could
// not be set up.
BWPS_EXPORT int ShowPurchaseHistory(PurchaseHistoryRange& range);

// The file the report is written to in the data folder.
inline constexpr const char* kPurchaseHistoryFile = "CUSTHIST.TXT";

}  // namespace bwps::customers

#endif
