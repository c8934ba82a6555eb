// The list driver of the lookup services.
#pragma once

#include "bwps/neighbours.h"

namespace bwps {

// Runs the list over the caller's rows (file false) or the open file of the
// definition; the pick flag.
int RunLookupList(LookUpDefinition* list, bool file);

}  // namespace bwps
