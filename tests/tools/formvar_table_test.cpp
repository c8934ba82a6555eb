// The form-variables table: the shipped table builds, every sample form's
// tags name its variables, and malformed rows are refused with their line.
#include "formvar_table.h"
#include "table_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <unistd.h>

using namespace basefiles;

namespace {

const std::string kHeader =
    "| name | group | number | align | zero | file | width | offset | date | type | picture | description |\n"
    "|---|---|---|---|---|---|---|---|---|---|---|---|\n";

std::string Name(const TagColumnVar& v) { return std::string(v.Name, strnlen(v.Name, sizeof v.Name)); }

}  // namespace

TEST(BaseFilesFormVariables, ShippedTableHasTheControlGroupAndFormsForEveryDefaultName) {
    const std::string tables = BWPS_BASEFILES_TABLES;
    const FormVariableTable table = LoadFormVariableTable(tables + "/formvars.txt");
    std::map<std::string, int> control;
    for (const TagColumnVar& v : table.records)
        if (v.Category == 1) control[Name(v)] = v.Number;
    const std::map<std::string, int> expected = {{"DATE", 1}, {"TIME", 2}, {"PAGE", 3},  {"NEW_PG", 4},
                                                 {"NORM", 5}, {"COND", 6}, {"LF", 20},   {"ESC", 21},
                                                 {"CUT1", 22}, {"CUT2", 23}};
    EXPECT_EQ(control, expected);
    const auto forms = LoadSampleForms(tables + "/forms", table);
    std::set<std::string> names;
    for (const auto& [name, text] : forms) names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"ARPMT.FMT", "CCARD.FMT", "CVLABEL.FMT", "INVPROD.FMT", "LAYAWAY.FMT",
                                            "LAYPMT.FMT", "QUOTE.FMT", "RECEIPT.FMT"}));
}

TEST(BaseFilesFormVariables, BadRowsAreRefusedWithTheirLine) {
    struct Case {
        const char* row;
        const char* says;
    };
    const Case cases[] = {
        {"| DATE | WHEN | 1 | L | | 0 | 10 | 0 | 1 | 3 | | Date |", "unknown group"},
        {"| ABCDEFGHIJKLMNOPQRS | CTRL | 1 | L | | 0 | 10 | 0 | 1 | 3 | | Date |", "name longer than 18"},
        {"| A B | CTRL | 1 | L | | 0 | 10 | 0 | 1 | 3 | | Date |", "no blank"},
        {"| DATE | CTRL | 1 | X | | 0 | 10 | 0 | 1 | 3 | | Date |", "bad alignment"},
        {"| DATE | CTRL | 1 | L | Z | 0 | 10 | 0 | 1 | 3 | | Date |", "bad zero style"},
        {"| DATE | CTRL | x | L | | 0 | 10 | 0 | 1 | 3 | | Date |", "bad number"},
        {"| DATE | CTRL | 1 | L | | 0 | 10 | 0 | 12 | 3 | | Date |", "date format is 0 to 9"},
        {"| DATE | CTRL | 1 | L | | 0 | 10 | 0 | 1 | 3 | %-1234567890123456789s | Date |", "picture longer"},
        {"| DATE | CTRL | 1 | L | | 0 | 10 | 0 | 1 | 3 | |", "12 columns"},
    };
    for (const Case& c : cases) {
        std::istringstream in(kHeader + c.row + "\n");
        try {
            ParseFormVariableTable(in, "formvars.txt");
            ADD_FAILURE() << "accepted: " << c.row;
        } catch (const TableError& e) {
            EXPECT_EQ(e.line(), 3) << c.row;
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
    std::istringstream twice(kHeader + "| DATE | CTRL | 1 | L | | 0 | 10 | 0 | 1 | 3 | | Date |\n" +
                             "| DATE | CTRL | 2 | L | | 0 | 10 | 0 | 1 | 3 | | Date |\n");
    EXPECT_THROW(ParseFormVariableTable(twice, "formvars.txt"), TableError);
}

TEST(BaseFilesFormVariables, FormNamingAnUnknownVariableIsRefused) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bwps-formvars-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::istringstream in(kHeader + "| DATE | CTRL | 1 | L | | 0 | 10 | 0 | 1 | 3 | | Date |\n");
    const FormVariableTable table = ParseFormVariableTable(in, "formvars.txt");
    std::ofstream(folder / "GOOD.FMT") << "Date {DATE    }\n";
    EXPECT_EQ(LoadSampleForms(folder.string(), table).size(), 1u);
    std::ofstream(folder / "BAD.FMT") << "line one\nDate {DATE} {WHEN}\n";
    try {
        LoadSampleForms(folder.string(), table);
        ADD_FAILURE() << "a form naming an unknown variable was accepted";
    } catch (const TableError& e) {
        EXPECT_EQ(e.source(), "BAD.FMT");
        EXPECT_EQ(e.line(), 2);
    }
    std::filesystem::remove_all(folder);
}
