#include "key_table.h"

#include "table_error.h"
#include "text_util.h"

#include <recman.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

namespace basefiles {

namespace {

enum Column { kFile, kName, kLength, kPage, kVar, kInKeyFile, kKey, kSegments, kUnique, kModifiable, kEvidence, kColumns };

// Segments that data-file creation can pass: its buffer holds 1536 bytes.
constexpr int kMaxSegmentsPerFile = 1536 / 16;

struct TypeInfo {
    const char* name;
    int width;          // 0: any width
    uint8_t extType;
    bool extended;      // carries KF_EXTENDED and the type byte
    bool noCase;
};

constexpr TypeInfo kTypes[] = {
    {"s", 0, KT_STRING, false, false},
    {"ci", 0, KT_STRING, false, true},
    {"z", 0, KT_ZSTRING, true, false},
    {"zci", 0, KT_ZSTRING, true, true},
    {"i2", 2, KT_INTEGER, true, false},
    {"i4", 4, KT_INTEGER, true, false},
    {"u1", 1, KT_UNSIGNED, true, false},
    {"u2", 2, KT_UNSIGNED, true, false},
    {"u4", 4, KT_UNSIGNED, true, false},
    {"f8", 8, KT_FLOAT, true, false},
    {"ai4", 4, KT_AUTOINC, true, false},
};

const TypeInfo* FindType(const std::string& name) {
    for (const TypeInfo& t : kTypes)
        if (name == t.name) return &t;
    return nullptr;
}

// A run of keys copied from another file ("as file N" or "as NAME").
struct CopyRow {
    size_t fileIndex;
    int first, last;
    int fromFile;          // catalogue number, or
    std::string fromName;  // the name of a row when not empty
    int line;

    std::string From() const { return fromName.empty() ? "file " + std::to_string(fromFile) : fromName; }
};

// "-" in the file-number column: a file outside the catalogue.
bool Uncatalogued(const std::string& cell) { return cell == "-"; }

struct Parser {
    std::string source;
    KeyTable table;
    std::vector<CopyRow> copies;
    // Keys of each file that a copy fills in later: (file index, key number).
    std::set<std::pair<size_t, int>> pending;

    [[noreturn]] void Fail(int line, const std::string& what) const { throw TableError(source, line, what); }

    long Number(int line, const std::string& cell, const char* what, long low, long high) const {
        auto value = ParseInteger(cell);
        if (!value) Fail(line, std::string(what) + " \"" + cell + "\" is not a number");
        if (*value < low || *value > high)
            Fail(line, std::string(what) + " " + std::to_string(*value) + " is outside " +
                           std::to_string(low) + ".." + std::to_string(high));
        return *value;
    }

    std::pair<int, int> KeyRange(int line, const std::string& cell) const {
        auto dash = cell.find('-');
        if (dash == std::string::npos) {
            int k = static_cast<int>(Number(line, cell, "key number", 0, 118));
            return {k, k};
        }
        int first = static_cast<int>(Number(line, cell.substr(0, dash), "key number", 0, 118));
        int last = static_cast<int>(Number(line, cell.substr(dash + 1), "key number", 0, 118));
        if (last < first) Fail(line, "key range \"" + cell + "\" runs backwards");
        return {first, last};
    }

    std::vector<Segment> Segments(int line, const std::string& cell) const {
        std::vector<Segment> segments;
        for (const std::string& raw : Split(cell, '+')) {
            std::string part = Trim(raw);
            if (part.size() < 2 || part.front() != '(' || part.back() != ')')
                Fail(line, "segment \"" + part + "\" is not written as (offset,length,type)");
            auto fields = Split(part.substr(1, part.size() - 2), ',');
            if (fields.size() != 3) Fail(line, "segment \"" + part + "\" needs offset, length and type");
            Segment s;
            s.offset = static_cast<int>(Number(line, fields[0], "segment offset", 0, 65534));
            s.length = static_cast<int>(Number(line, fields[1], "segment length", 1, 255));
            s.type = Trim(fields[2]);
            const TypeInfo* type = FindType(s.type);
            if (!type) Fail(line, "unknown segment type \"" + s.type + "\"");
            if (type->width && type->width != s.length)
                Fail(line, "segment \"" + part + "\": type " + s.type + " is " + std::to_string(type->width) +
                               " bytes wide");
            segments.push_back(s);
        }
        return segments;
    }

    void AddKey(FileKeys& file, int line, int number) {
        if (number != static_cast<int>(file.keys.size()))
            Fail(line, "key " + std::to_string(number) + " of " + file.name + " should be key " +
                           std::to_string(file.keys.size()));
        Key key;
        key.number = number;
        file.keys.push_back(key);
    }

    void Row(int line, const std::vector<std::string>& cells) {
        bool fileRow = !cells[kFile].empty();
        if (!fileRow) {
            for (int c : {kName, kLength, kPage, kVar, kInKeyFile})
                if (!cells[c].empty()) Fail(line, "a further key of a file leaves the file columns empty");
            if (table.files.empty()) Fail(line, "a key row comes before any file");
        } else {
            FileKeys file;
            file.line = line;
            file.name = cells[kName];
            if (Uncatalogued(cells[kFile])) {
                // Created in code under this name, or a label of a kind of
                // file that the caller names.
                file.fileNumber = kNotCatalogued;
                if (file.name.empty() || file.name.size() > 20)
                    Fail(line, "name \"" + file.name + "\" of a file outside the catalogue is empty or too long");
                for (const FileKeys& other : table.files)
                    if (other.fileNumber == kNotCatalogued && other.name == file.name)
                        Fail(line, file.name + " is listed twice");
            } else {
                file.fileNumber = static_cast<int>(Number(line, cells[kFile], "file number", -1, 100));
                if (file.fileNumber == 0) Fail(line, "file number 0 is not a file");
                if (table.find(file.fileNumber)) Fail(line, "file " + cells[kFile] + " is listed twice");
                if (file.name.empty() || file.name.size() > 15 || file.name.find(' ') != std::string::npos ||
                    file.name.find('.') == std::string::npos)
                    Fail(line, "file name \"" + file.name + "\" is not a data-file name");
            }
            file.recordLength = static_cast<int>(Number(line, cells[kLength], "record length", 1, 65535));
            file.pageSize = static_cast<int>(Number(line, cells[kPage], "page size", 512, 4096));
            if (file.pageSize % 512) Fail(line, "page size " + cells[kPage] + " is not a multiple of 512");
            if (cells[kVar] != "" && cells[kVar] != "V" && cells[kVar] != "opt")
                Fail(line, "var must be V, opt or empty");
            file.variable = cells[kVar] == "V";
            file.variableByCreator = cells[kVar] == "opt";
            if (cells[kInKeyFile] != "Y" && cells[kInKeyFile] != "N") Fail(line, "kf must be Y or N");
            file.inKeyFile = cells[kInKeyFile] == "Y";
            if (file.fileNumber == kNotCatalogued && file.inKeyFile)
                Fail(line, "a file outside the catalogue is created in code: kf must be N");
            table.files.push_back(file);
        }
        size_t fileIndex = table.files.size() - 1;
        FileKeys& file = table.files.back();
        if (cells[kKey].empty()) Fail(line, "key number missing");
        auto [first, last] = KeyRange(line, cells[kKey]);
        const std::string& spec = cells[kSegments];

        if (spec.rfind("as ", 0) == 0) {
            if (!cells[kUnique].empty() || !cells[kModifiable].empty())
                Fail(line, "a copied key takes U/D and M from the file it copies");
            CopyRow copy{fileIndex, first, last, 0, "", line};
            if (spec.rfind("as file ", 0) == 0) {
                copy.fromFile = static_cast<int>(Number(line, spec.substr(8), "copied file number", -1, 100));
                if (copy.fromFile == file.fileNumber) Fail(line, "a file cannot copy its own keys");
            } else {
                copy.fromName = Trim(spec.substr(3));
                if (copy.fromName == file.name) Fail(line, "a file cannot copy its own keys");
            }
            for (int k = first; k <= last; ++k) {
                AddKey(file, line, k);
                pending.insert({fileIndex, k});
            }
            copies.push_back(copy);
            return;
        }

        std::string segmentText = spec;
        bool each = false;
        if (segmentText.size() > 5 && segmentText.compare(segmentText.size() - 5, 5, " each") == 0) {
            each = true;
            segmentText = Trim(segmentText.substr(0, segmentText.size() - 5));
        }
        if (first != last && !each) Fail(line, "a key range needs \"as file N\" or \"... each\"");
        if (segmentText.empty()) Fail(line, "segments missing");
        std::vector<Segment> segments = Segments(line, segmentText);
        const std::string& ud = cells[kUnique];
        const std::string& m = cells[kModifiable];
        if (ud != "U" && ud != "D") Fail(line, "U/D must be U or D");
        if (m != "Y" && m != "N") Fail(line, "M must be Y or N");
        for (int k = first; k <= last; ++k) {
            AddKey(file, line, k);
            Key& key = file.keys.back();
            key.segments = segments;
            key.unique = ud == "U";
            key.modifiable = m == "Y";
            bool autoinc = std::any_of(segments.begin(), segments.end(),
                                       [](const Segment& s) { return s.type == "ai4"; });
            if (autoinc && (segments.size() != 1 || !key.unique || key.modifiable))
                Fail(line, "an autoincrement key is one unique, unmodifiable segment");
        }
    }

    // The row a copy takes its keys from: by number, or the one row of
    // that name.
    const FileKeys* Source(const CopyRow& copy) const {
        if (copy.fromName.empty()) return table.find(copy.fromFile);
        const FileKeys* found = nullptr;
        for (const FileKeys& f : table.files)
            if (f.name == copy.fromName) {
                if (found) Fail(copy.line, "more than one row is named " + copy.fromName + ": copy by file number");
                found = &f;
            }
        return found;
    }

    void ResolveCopies() {
        for (const CopyRow& copy : copies) {
            const FileKeys* from = Source(copy);
            if (!from) Fail(copy.line, copy.From() + " is not in the table");
            for (int k = copy.first; k <= copy.last; ++k) {
                if (k >= static_cast<int>(from->keys.size()))
                    Fail(copy.line, copy.From() + " has no key " + std::to_string(k));
                size_t fromIndex = static_cast<size_t>(from - table.files.data());
                if (pending.count({fromIndex, k}))
                    Fail(copy.line, copy.From() + " copies its key " + std::to_string(k) +
                                        " too: copy from the file that defines it");
            }
        }
        for (const CopyRow& copy : copies) {
            FileKeys& file = table.files[copy.fileIndex];
            const FileKeys* from = Source(copy);
            for (int k = copy.first; k <= copy.last; ++k) file.keys[k] = from->keys[k];
        }
        for (const CopyRow& copy : copies) {
            // Copying only some keys of a file that has more is a table error:
            // the copy says "the same keys".
            const FileKeys& file = table.files[copy.fileIndex];
            const FileKeys* from = Source(copy);
            if (copy.first == 0 && file.keys.size() != from->keys.size())
                Fail(copy.line, file.name + " copies " + std::to_string(copy.last - copy.first + 1) + " of the " +
                                    std::to_string(from->keys.size()) + " keys of " + copy.From());
        }
    }

    void CheckFiles() {
        std::map<std::string, const FileKeys*> byName;
        for (const FileKeys& file : table.files) {
            if (file.keys.empty()) Fail(file.line, file.name + " has no key");
            if (file.segmentCount() > kMaxSegmentsPerFile)
                Fail(file.line, file.name + " has more than " + std::to_string(kMaxSegmentsPerFile) + " segments");
            for (const Key& key : file.keys)
                for (const Segment& s : key.segments)
                    if (s.offset + s.length > file.recordLength)
                        Fail(file.line, file.name + " key " + std::to_string(key.number) + ": segment (" +
                                            std::to_string(s.offset) + "," + std::to_string(s.length) +
                                            ") ends beyond the record length " +
                                            std::to_string(file.recordLength));
            if (!file.inKeyFile) continue;
            std::string name = AccountingName(file.name);
            auto [it, inserted] = byName.insert({name, &file});
            if (!inserted) {
                auto specsA = FileSegmentSpecs(*it->second);
                auto specsB = FileSegmentSpecs(file);
                bool same = specsA.size() == specsB.size() &&
                            std::memcmp(specsA.data(), specsB.data(), specsA.size() * sizeof(TagKeySegment)) == 0;
                if (!same)
                    Fail(file.line, "file " + std::to_string(file.fileNumber) + " is stored as " + name +
                                        " like file " + std::to_string(it->second->fileNumber) +
                                        " but its keys differ: mark one of them kf N");
            }
        }
        if (!table.find(88)) Fail(0, "the table has no row for the key file itself (file 88)");
    }
};

}  // namespace

int FileKeys::segmentCount() const {
    int n = 0;
    for (const Key& k : keys) n += static_cast<int>(k.segments.size());
    return n;
}

const FileKeys* KeyTable::find(int fileNumber) const {
    if (fileNumber == kNotCatalogued) return nullptr;
    for (const FileKeys& f : files)
        if (f.fileNumber == fileNumber) return &f;
    return nullptr;
}

const FileKeys* KeyTable::findUncatalogued(const std::string& name) const {
    for (const FileKeys& f : files)
        if (f.fileNumber == kNotCatalogued && f.name == name) return &f;
    return nullptr;
}

const FileKeys* KeyTable::findByKeyFileName(const std::string& accountingName) const {
    for (const FileKeys& f : files)
        if (f.inKeyFile && AccountingName(f.name) == accountingName) return &f;
    return nullptr;
}

std::string AccountingName(const std::string& catalogueName) {
    if (catalogueName.rfind("BWA", 0) == 0) return catalogueName;
    if (catalogueName.size() <= 4) return "BWA";
    return "BWA" + catalogueName.substr(4);
}

KeyTable ParseKeyTable(std::istream& in, const std::string& source) {
    Parser p;
    p.source = source;
    std::string text;
    int line = 0;
    bool header = false;
    while (std::getline(in, text)) {
        ++line;
        std::string t = Trim(text);
        if (t.empty() || t[0] == '#') continue;
        if (t[0] != '|' || t.back() != '|' || t.size() < 2)
            p.Fail(line, "a table row begins and ends with \"|\"");
        std::vector<std::string> cells = Split(t.substr(1, t.size() - 2), '|');
        for (std::string& c : cells) c = Trim(c);
        if (cells.size() != kColumns)
            p.Fail(line, "a row has " + std::to_string(kColumns) + " columns, this one " +
                             std::to_string(cells.size()));
        if (cells[kFile] == "F#") {
            header = true;
            continue;
        }
        if (std::all_of(cells.begin(), cells.end(), [](const std::string& c) {
                return c.size() >= 3 && c.find_first_not_of("-") == std::string::npos;
            }))
            continue;
        if (!header) p.Fail(line, "the column header row must come first");
        p.Row(line, cells);
    }
    if (p.table.files.empty()) p.Fail(line, "the table holds no file");
    p.ResolveCopies();
    p.CheckFiles();
    return p.table;
}

KeyTable LoadKeyTable(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw TableError(path, 0, "cannot be opened");
    return ParseKeyTable(in, path);
}

TagKeySegment MakeSegmentSpec(const Segment& segment, const Key& key, bool last) {
    TagKeySegment spec;
    std::memset(&spec, 0, sizeof spec);
    const TypeInfo* type = FindType(segment.type);
    spec.Position = static_cast<uint16_t>(segment.offset + 1);
    spec.Length = static_cast<uint16_t>(segment.length);
    uint16_t flags = 0;
    if (!key.unique) flags |= KF_DUPLICATES;
    if (key.modifiable) flags |= KF_MODIFIABLE;
    if (!last) flags |= KF_SEGMENTED;
    if (type && type->extended) {
        flags |= KF_EXTENDED;
        spec.Type = type->extType;
    }
    if (type && type->noCase) flags |= KF_NO_CASE;
    spec.Flags = flags;
    return spec;
}

std::vector<TagKeySegment> FileSegmentSpecs(const FileKeys& file) {
    std::vector<TagKeySegment> specs;
    for (const Key& key : file.keys)
        for (size_t i = 0; i < key.segments.size(); ++i)
            specs.push_back(MakeSegmentSpec(key.segments[i], key, i + 1 == key.segments.size()));
    return specs;
}

std::vector<TagKeyDefinition> BuildKeyFileRecords(const KeyTable& table) {
    // One entry per stored name, the first row of that name; names in byte
    // order, which for these upper-case names is the key's order too.
    std::map<std::string, const FileKeys*> byName;
    for (const FileKeys& file : table.files)
        if (file.inKeyFile) byName.insert({AccountingName(file.name), &file});
    std::vector<TagKeyDefinition> records;
    for (const auto& [name, file] : byName) {
        int16_t number = 0;
        for (const TagKeySegment& spec : FileSegmentSpecs(*file)) {
            TagKeyDefinition r;
            std::memset(&r, 0, sizeof r);
            std::memset(r.FileName, ' ', sizeof r.FileName);
            std::memcpy(r.FileName, name.data(), std::min(name.size(), sizeof r.FileName));
            r.SegmentNumber = number++;
            r.Segment = spec;
            records.push_back(r);
        }
    }
    return records;
}

const FileKeys& KeyFileDefinition(const KeyTable& table) {
    const FileKeys* f = table.find(88);
    if (!f) throw BuildError("the key table has no row for file 88");
    return *f;
}

}  // namespace basefiles
