// The lists of the session services (LookUpDefinition) run through the
// lookup library, the one list of the system.
#pragma once

#include "bwps/neighbours.h"

namespace bwps {

// Runs the list over the caller's rows (file false) or the open file of the
// definition; the pick flag.
int RunLookupList(LookUpDefinition* list, bool file);

}  // namespace bwps
