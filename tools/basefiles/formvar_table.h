// The form variables of formvars.txt (the source of BPOSVAR.DB) and the
// sample forms of forms/*.FMT that the base folder gets.
#pragma once

#include <bwps/records/form_variables.h>

#include <istream>
#include <map>
#include <string>
#include <vector>

namespace basefiles {

struct FormVariableTable {
    std::string source;
    std::vector<TagColumnVar> records;
};

// One record per row; a bad row (an unknown group, a name of more than 18
// characters or twice in the table, a text longer than its field, a
// character outside C, L, R or W, F) throws TableError with its line.
FormVariableTable ParseFormVariableTable(std::istream& in, const std::string& source);
FormVariableTable LoadFormVariableTable(const std::string& path);

// The sample forms of a folder: file name to text ("RECEIPT.FMT"). Every tag
// of a form must name a variable of the table: a form that names another
// throws TableError with its line.
std::map<std::string, std::string> LoadSampleForms(const std::string& folder, const FormVariableTable& variables);

}  // namespace basefiles
