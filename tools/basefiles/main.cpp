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
#include <string>

#ifndef BWPS_BASEFILES_TABLES
#define BWPS_BASEFILES_TABLES "tools/tables"
#endif

namespace {

const char* const kUsage =
    "usage: bwps-basefiles PROGRAMDIR [TABLEDIR]\n"
    "Writes PROGRAMDIR/RAZAVUR and PROGRAMDIR/ROVAZERI from the tables in TABLEDIR\n"
    "(default: the source tree's tools/tables).\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        // A folder named like an option is never written.
        if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "bwps-basefiles: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (argc < 2 || argc > 3) {
        std::fputs(kUsage, stderr);
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
