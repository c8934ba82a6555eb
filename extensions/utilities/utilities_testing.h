// The utilities' state for tests: forgetting the open text list and the
// check-table copy between cases. Product code never calls it.
#pragma once

#include "extensions/utilities/utilities.h"

// Closes an open text list (keeping what it holds) and frees the
// check-table copy.
BWPS1_API void ResetUtilitiesState(void);
