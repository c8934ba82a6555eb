/* bwps/neighbours.h: services of the lookups, the store setup, the reports
 * and the company utilities that the session, message and user code calls:
 * FlyCustomers, FlyProducts and RunTextEditor, declared in bwps/screens.h.
 *
 * Until their own areas land, bwpsbase carries stand-ins for them that are
 * weak definitions: the real one, wherever it is compiled into bwpsbase,
 * takes their place without further change.
 */
#ifndef BWPS_NEIGHBOURS_H
#define BWPS_NEIGHBOURS_H

#include "bwps/screens.h"

#endif
