// Point-of-sale services: the session's copy of the card-interface record
// and its reset for tests.
#pragma once

#include <cstdint>

#include "bwps/export.h"

namespace bwps::posting {

// The 24-byte copy that ReadCardInterface fills.
BWPS_EXPORT const uint8_t* CardInterfaceCopy();
BWPS_EXPORT void ResetCardInterfaceState();

}  // namespace bwps::posting
