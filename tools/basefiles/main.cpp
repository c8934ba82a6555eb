// bwps-basefiles PROGRAMDIR [TABLEDIR]
//
// Writes the base folder PROGRAMDIR/RAZAVUR (key definitions, message
// texts and the other base files) and the dictionary folder
// PROGRAMDIR/ROVAZERI from the tables in TABLEDIR (the source tree's
// tools/tables when not given). The tables and the record structs are
// first held against the catalogue: a disagreement stops the build.
#include "report_engine.h"
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
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

// The report engine's printer table starts with one printer: "PDF files",
// writing PDF files into prints/ of the program folder. A table that has
// printers already is left as it is.
static void SeedPrinters(const std::string& baseFolder)
{
    EngPrinter printer{};
    if (BrmRepPrinterAt(baseFolder.c_str(), 0, &printer) == 0)
        return;
    std::snprintf(printer.name, sizeof printer.name, "PDF files");
    std::snprintf(printer.folder, sizeof printer.folder, "prints/");
    printer.isDefault = 1;
    if (BrmRepPutPrinter(baseFolder.c_str(), &printer) != 0)
        throw std::runtime_error("the printer table of " + baseFolder + " could not be written");
}

// The sample letters of the mail merges, copied into a company's
// MAILMERGE folder the first time it merges. Fields are written {Name}.
static void SeedLetters(const std::string& baseFolder)
{
    const std::string folder = baseFolder + "/MAILMERGE";
    std::filesystem::create_directories(folder);
    const struct {
        const char* file;
        const char* text;
    } letters[] = {
        {"CUSTMERG.TXT", "{Name}\n{Address1}\n{Address2}\n{City} {State} {Zip}\n\nDear {Name},\n\n"
                         "Thank you for shopping with us. Your account number is {Code}.\n\nYours sincerely,\n"},
        {"VENDMERG.TXT", "{Name}\n{Address1}\n{Address2}\n{City} {State} {Zip}\n\nDear {Name},\n\n"
                         "Please send us your current price list for our account {Code}.\n\nYours sincerely,\n"},
    };
    for (const auto& letter : letters) {
        const std::string path = folder + "/" + letter.file;
        if (std::filesystem::exists(path))
            continue;
        std::ofstream out(path, std::ios::binary);
        out << letter.text;
        if (!out)
            throw std::runtime_error("the sample letter " + path + " could not be written");
    }
}

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
        SeedPrinters(std::string(argv[1]) + "/RAZAVUR");
        SeedLetters(std::string(argv[1]) + "/RAZAVUR");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bwps-basefiles: %s\n", e.what());
        return 1;
    }
    return 0;
}
