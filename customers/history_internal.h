// Customer history: state kept between the open and the close of the
// history files, and its reset for tests.
#pragma once

#include "bwps/export.h"

namespace bwps::customers {

// Forgets the open history files and the history switch (handles are not
// closed: the record manager's own reset closes them).
BWPS_EXPORT void ResetCustomerHistoryState();

}  // namespace bwps::customers
