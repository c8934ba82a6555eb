#include "catalogue_check.h"

#include "table_error.h"

#include <bwps/catalogue_rows.h>
#include <bwps/records/sizes.h>

namespace basefiles {

namespace {

std::string Label(int number, const char* name)
{
    return "file " + std::to_string(number) + " " + (name ? name : "(no name)");
}

void CompareRow(std::vector<std::string>& out, int number, const DataFileEntry& e,
                const FileKeys* row)
{
    const std::string label = Label(number, e.Name);
    if (e.RecordLength == 0) {
        // Screen resources and help are no record-manager files: their rows
        // (when present) never reach the key file.
        if (row && row->inKeyFile)
            out.push_back(label + ": not a record-manager file, but written to the key file");
        return;
    }
    if (!row) {
        out.push_back(label + ": no row in the key table");
        return;
    }
    if (row->name != e.Name)
        out.push_back(label + ": named " + row->name + " in the key table");
    if (row->recordLength != e.RecordLength)
        out.push_back(label + ": record length " + std::to_string(e.RecordLength) +
                      " in the catalogue, " + std::to_string(row->recordLength) +
                      " in the key table");
    if (row->pageSize != e.PageSize)
        out.push_back(label + ": page size " + std::to_string(e.PageSize) + " in the catalogue, " +
                      std::to_string(row->pageSize) + " in the key table");
}

}  // namespace

std::vector<std::string> CatalogueDisagreements(const KeyTable& table)
{
    std::vector<std::string> out;
    for (int n = 1; n <= DATA_FILE_COUNT; ++n)
        CompareRow(out, n, bwps::kCatalogueRows[n].entry, table.find(n));
    CompareRow(out, -1, bwps::kConversionFile, table.find(-1));
    for (const FileKeys& f : table.files) {
        if (f.fileNumber == kNotCatalogued || f.fileNumber == -1)
            continue;
        if (f.fileNumber < 1 || f.fileNumber > DATA_FILE_COUNT)
            out.push_back(Label(f.fileNumber, f.name.c_str()) +
                          ": the key table names a file outside the catalogue");
    }
    return out;
}

std::vector<std::string> RecordSizeDisagreements()
{
    std::vector<std::string> out;
    for (const bwps::records::RecordSize& r : bwps::records::kRecordSizes) {
        const DataFileEntry& e = bwps::CatalogueEntryOf(r.file);
        if (static_cast<int>(r.size) != e.RecordLength)
            out.push_back(Label(bwps::No(r.file), e.Name) + ": record " + r.record + " is " +
                          std::to_string(r.size) + " bytes, the catalogue row " +
                          std::to_string(e.RecordLength));
    }
    return out;
}

void CheckCatalogue(const KeyTable& table)
{
    std::vector<std::string> all = CatalogueDisagreements(table);
    for (std::string& s : RecordSizeDisagreements())
        all.push_back(std::move(s));
    if (all.empty())
        return;
    std::string text = "the tables disagree with the catalogue:";
    for (const std::string& s : all)
        text += "\n  " + s;
    throw BuildError(text);
}

}  // namespace basefiles
