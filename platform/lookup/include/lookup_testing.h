/* lookup_testing.h: resets of the lookup library's state, for tests. */
#ifndef LOOKUP_TESTING_H
#define LOOKUP_TESTING_H

#include "lookup.h"

/* Forgets the running dialogs. */
LK_API void LookUpLibraryReset();

#endif
