/* recman_testing.h: the record manager's reset for tests. Exported (tests
 * reach it through the shared library) but no part of the public header:
 * product code never calls it. */
#ifndef RECMAN_TESTING_H
#define RECMAN_TESTING_H

#include "recman.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Closes every handle and forgets the client block: a clean slate between
 * two sessions in one process. A transaction left open is rolled back. */
RECMAN_API void RecmanReset(void);

#ifdef __cplusplus
}
#endif

#endif
