// The customer history viewer's services, shared with its tests.
#ifndef BWPS_CUSTOMERS_HISTORY_VIEWER_H
#define BWPS_CUSTOMERS_HISTORY_VIEWER_H

#include <cstdint>
#include <string>

#include "bwps/export.h"
#include "bwps/records/options.h"
#include "bwps/table.h"

namespace bwps::customers {

// Writes the amounts of the first `periods` periods into the customer's
// history record of the year (created when missing), read under a lock
// that is released on every path; the status.
BWPS_EXPORT Status SaveCustomerHistory(Table& history, const std::string& code, int32_t year,
                                       const TagCustomerStatistics& amounts, int periods);
// The viewer: 1 after the screen ran, 0 when its files could not be opened,
// 27 when the form could not be loaded.
BWPS_EXPORT int ViewCustomerHistory(const char* code, int year);

}  // namespace bwps::customers

#endif
