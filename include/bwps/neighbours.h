/* bwps/neighbours.h: services of the lookups, the store setup, the reports
 * and the company utilities that the session, message and user code calls:
 * FlyCustomers, FlyProducts and RunTextEditor, declared in bwps/screens.h.
 *
 * Where a service is not in this build, bwpsbase carries a stand-in for it
 * that is a weak definition: the real one, wherever it is compiled into
 * bwpsbase, takes its place without further change.
 */
#ifndef BWPS_NEIGHBOURS_H
#define BWPS_NEIGHBOURS_H

#include "bwps/screens.h"

#endif
