// What the last history screen showed, for the tests: the text of each
// field as the screen's last handler left it. Product code never calls it.
#pragma once

#include "bwps/export.h"

extern "C" {
// The text of a field (from 1); "" when the screen had no such field.
BWPS_EXPORT const char* HistoryScreenText(int field);
// Forgets the texts.
BWPS_EXPORT void ResetHistoryScreenState(void);
}
