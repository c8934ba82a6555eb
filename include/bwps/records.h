/* bwps/records.h: the stored records of the general settings file, the
 * key-definition file, the window-position file, the company list and the
 * station file. Each family has its header in bwps/records/; this one
 * gathers the families these declarations always came with.
 */
#ifndef BWPS_RECORDS_H
#define BWPS_RECORDS_H

#include "bwps/records/company_ids.h"
#include "bwps/records/general.h"
#include "bwps/records/keys.h"
#include "bwps/records/stations.h"
#include "bwps/records/window_positions.h"

#endif
