// The settings records of the general file (file 31) that changed between
// releases, converted in place in a copy of the file.
#pragma once

#include <cstdint>

#include "bwps/table.h"

namespace bwps1::convert {

// Converts the settings records of the general file open on `handle` from
// the layouts of a code. A failing step is reported; its status returned.
bwps::Status ConvertGeneralRecords(int code, uint16_t handle);

// A whole settings record read by key into `buffer` (its bytes in *length).
bwps::Status ReadSetting(uint16_t handle, const char* key16, uint8_t* buffer, int size, int* length);

}  // namespace bwps1::convert
