// The column table (tables/columns.txt): the source of the column
// dictionary WBWPOCOL.DB in the dictionary folder.
#pragma once

#include "key_table.h"

#include <bwps/records/dictionary.h>

#include <istream>
#include <string>
#include <vector>

namespace basefiles {

struct Column {
    std::string table;       // dictionary table name ("TEND")
    int number = 0;
    std::string name;
    int offset = 0;
    int length = 0;
    int type = 0;            // type code
    std::string picture;
    std::string caption;
    int decimals = -1;       // decimals column number of an amount; -1 none
    int flags = 0;
    int line = 0;
};

struct ColumnTable {
    std::string source;
    std::vector<Column> columns;   // ranges already expanded
};

ColumnTable ParseColumnTable(std::istream& in, const std::string& source);
ColumnTable LoadColumnTable(const std::string& path);

// Refuses (TableError with file:line) a column outside its file's record,
// one overlapping another column of its table, a number used twice, a type
// code not in use, a length that does not fit the type or the picture, a
// table without a data file, and a column number that other parts of the
// system rely on found at another offset.
void CheckColumnTable(const ColumnTable& columns, const KeyTable& keys);

// The data file of a table name (BPOS + table + .DB), or null.
const FileKeys* FileOfTable(const KeyTable& keys, const std::string& table);

// The dictionary records, in table order.
std::vector<TagDictionaryRecord> DictionaryRecords(const ColumnTable& columns);

}  // namespace basefiles
