// The build-time check of the tables against the program: every catalogue
// row (bwps/catalogue_rows.h) has its row in keys.txt with the same name,
// record length and page size, every catalogued row of keys.txt is in the
// catalogue, and every stored record struct is as long as its file's
// records.
#pragma once

#include "key_table.h"

#include <string>
#include <vector>

namespace basefiles {

// One line per disagreement ("file 36 BPOSINHD.DB: record length 586 in
// the catalogue, 531 in the key table"); empty when the tables agree.
std::vector<std::string> CatalogueDisagreements(const KeyTable& table);

// The record structs against their catalogue rows, the same way.
std::vector<std::string> RecordSizeDisagreements();

// Throws BuildError listing every disagreement of both checks.
void CheckCatalogue(const KeyTable& table);

}  // namespace basefiles
