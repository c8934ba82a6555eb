// The default product: the product half of "0Defaults" in the general
// settings file, shared by the product editor (a new product starts from
// it) and the default product editor (which edits it).
#pragma once

#include <cstdint>

#include "bwps/records/general.h"
#include "bwps/records/products.h"

namespace bwps {

// The built-in default product: flags 263 'Y', 262 and 264-266 'N', your
// code printed, one unit in each unit, Normal, active.
void BuiltInProductDefaults(TagProduct* product);

// Flags 262-266 of a default product read from file: 'N', 'n' or NUL
// become 'N', anything else 'Y'.
void NormaliseProductFlags(TagProduct* product);

// Reads "0Defaults" through the open general file (get equal, with the lock
// bias given): the whole record and its normalised product half. False
// with the status in *status when the read fails or the record is short.
bool ReadProductDefaults(uint16_t general, TagDefaults* stored, TagProduct* product, int lockBias = 0,
                         int* status = nullptr);

// A new product from a default record: bytes 610-625 cleared, no weight
// and no weight unit, active, no code.
void StartProductFromDefaults(TagProduct* product);

}  // namespace bwps
