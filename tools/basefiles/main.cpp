// bwps-basefiles PROGRAMDIR [TABLEDIR]
//
// Writes the base folder PROGRAMDIR/RAZAVUR (key definitions, message
// texts and the other base files) and the dictionary folder
// PROGRAMDIR/ROVAZERI from the tables in TABLEDIR (the source tree's
// tools/tables when not given). The tables and the record structs are
// first held against the catalogue: a disagreement stops the build.
#include "builder.h"
#include "catalogue_check.h"
#include "table_error.h"

#include <cstdio>
#include <exception>

#ifndef BWPS_BASEFILES_TABLES
#define BWPS_BASEFILES_TABLES "tools/tables"
#endif

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s PROGRAMDIR [TABLEDIR]\n", argv[0]);
        return 2;
    }
    const char* tableDir = argc == 3 ? argv[2] : BWPS_BASEFILES_TABLES;
    try {
        basefiles::Tables tables = basefiles::LoadTables(tableDir);
        basefiles::CheckCatalogue(tables.keys);
        basefiles::BuildProgramFolders(tables, argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bwps-basefiles: %s\n", e.what());
        return 1;
    }
    return 0;
}
