// The data-file catalogue as the program tables it (bwps/catalogue_rows.h):
// number, folder kind, name, record length, page size. The tests hold the
// key table against it.
#pragma once

#include <array>

#include "bwps/catalogue_rows.h"

struct CatalogueEntry {
    int number;
    int kind;
    const char* name;
    int recordLength;
    int pageSize;
};

inline constexpr std::array<CatalogueEntry, DATA_FILE_COUNT> kCatalogue = [] {
    std::array<CatalogueEntry, DATA_FILE_COUNT> rows{};
    for (int n = 1; n <= DATA_FILE_COUNT; ++n) {
        const DataFileEntry& e = bwps::kCatalogueRows[n].entry;
        rows[n - 1] = {n, e.Kind, e.Name, e.RecordLength, e.PageSize};
    }
    return rows;
}();
