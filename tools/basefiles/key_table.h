// The key table: the key definitions of every data file, read from the
// text table tools/tables/keys.txt, and the records of BPOSKEY.DB built
// from it.
#pragma once

#include <bwps/records.h>

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace basefiles {

struct Segment {
    int offset = 0;      // 0-based
    int length = 0;
    std::string type;    // s, ci, z, zci, i2, i4, u1, u2, u4, f8, ai4
};

struct Key {
    int number = 0;
    std::vector<Segment> segments;
    bool unique = false;
    bool modifiable = true;
};

// File number of a row outside the catalogue ("-" in the table).
constexpr int kNotCatalogued = 0;

struct FileKeys {
    int fileNumber = 0;          // catalogue number; -1 for the conversion file;
                                 // kNotCatalogued for a file created in code
    std::string name;            // catalogue name
    int recordLength = 0;
    int pageSize = 0;
    bool variable = false;
    bool variableByCreator = false;  // the creator sets the flag or not
    bool inKeyFile = true;       // false: kept in the table for fixtures only
    std::vector<Key> keys;
    int line = 0;                // line of the file's first row in the table

    int segmentCount() const;
};

struct KeyTable {
    std::vector<FileKeys> files;  // in table order

    // The file of a catalogue number, or null.
    const FileKeys* find(int fileNumber) const;
    // The row of a file outside the catalogue, by its name, or null.
    const FileKeys* findUncatalogued(const std::string& name) const;
    // The file written under an accounting-form name, or null.
    const FileKeys* findByKeyFileName(const std::string& accountingName) const;
};

// "BWA" + the name without its first four characters; a name that already
// begins with "BWA" stays as it is.
std::string AccountingName(const std::string& catalogueName);

// Reads a key table; throws TableError naming `source` and the line.
KeyTable ParseKeyTable(std::istream& in, const std::string& source);
KeyTable LoadKeyTable(const std::string& path);

// The 16-byte segment specification in the record manager's create format.
// `last` is true for the last segment of its key.
TagKeySegment MakeSegmentSpec(const Segment& segment, const Key& key, bool last);

// All segment specifications of a file, keys in order.
std::vector<TagKeySegment> FileSegmentSpecs(const FileKeys& file);

// The records of BPOSKEY.DB in insertion order: by stored name (each
// accounting name once, from the first row of that name), then by segment
// number, counted from 0 over all keys of the file.
std::vector<TagKeyDefinition> BuildKeyFileRecords(const KeyTable& table);

// Key definitions of BPOSKEY.DB itself (file 88).
const FileKeys& KeyFileDefinition(const KeyTable& table);

}  // namespace basefiles
