// The key table: the shipped table against the catalogue, the key-file
// records built from it, segment specifications per type, and the errors
// for malformed table lines.
#include "catalogue_fixture.h"

#include "builder.h"
#include "catalogue_check.h"
#include "key_table.h"
#include "table_error.h"

#include <recman.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>

using namespace basefiles;

namespace {

const std::string kTablePath = std::string(BWPS_BASEFILES_TABLES) + "/keys.txt";

const KeyTable& Shipped() {
    static const KeyTable table = LoadKeyTable(kTablePath);
    return table;
}

std::string StoredName(const TagKeyDefinition& r) { return std::string(r.FileName, sizeof r.FileName); }

std::string Padded(const std::string& name) { return name + std::string(16 - name.size(), ' '); }

// Records of the key file grouped by stored name, in insertion order.
std::map<std::string, std::vector<TagKeyDefinition>> ByName(const std::vector<TagKeyDefinition>& records) {
    std::map<std::string, std::vector<TagKeyDefinition>> groups;
    for (const TagKeyDefinition& r : records) groups[StoredName(r)].push_back(r);
    return groups;
}

const char kHeader[] =
    "| F# | name | len | page | var | kf | k | segments | U/D | M | evidence |\n"
    "|---|---|---|---|---|---|---|---|---|---|---|\n";

// The smallest valid table: the key file's own row (line 3) and one file.
std::string Table(const std::string& rows) {
    return std::string(kHeader) + "| 88 | BPOSKEY.DB | 36 | 4096 | | Y | 0 | (0,15,ci) | D | Y | |\n" + rows;
}

}  // namespace

TEST(BaseFilesKeyTable, EveryRecordManagerFileOfTheCatalogueHasItsRow) {
    const KeyTable& table = Shipped();
    for (const CatalogueEntry& e : kCatalogue) {
        const FileKeys* f = table.find(e.number);
        if (e.recordLength == 0) {
            // Screen resources and help: not record-manager files, so they
            // must never reach the key file.
            if (f) {
                EXPECT_FALSE(f->inKeyFile) << e.name;
            }
            continue;
        }
        ASSERT_NE(f, nullptr) << "file " << e.number << " " << e.name;
        EXPECT_EQ(f->name, e.name) << e.number;
        EXPECT_EQ(f->recordLength, e.recordLength) << e.name;
        EXPECT_EQ(f->pageSize, e.pageSize) << e.name;
        EXPECT_FALSE(f->keys.empty()) << e.name;
        EXPECT_EQ(f->variable, e.number == 31 || e.number == 15 || e.number == 82) << e.name;
    }
    const FileKeys* conversion = table.find(-1);
    ASSERT_NE(conversion, nullptr);
    EXPECT_EQ(conversion->name, "BWPSMMCS.DB");
    EXPECT_EQ(conversion->recordLength, 809);
}

TEST(BaseFilesKeyTable, KeyFileHoldsEveryRequiredNameOnceAndNoForbiddenOne) {
    const KeyTable& table = Shipped();
    auto groups = ByName(BuildKeyFileRecords(table));

    std::set<std::string> required;
    for (const CatalogueEntry& e : kCatalogue)
        if (e.recordLength > 0) required.insert(Padded(AccountingName(e.name)));
    required.insert(Padded("BWAMMCS.DB"));
    for (const std::string& name : required) EXPECT_TRUE(groups.count(name)) << "missing " << name;
    for (const auto& [name, records] : groups) EXPECT_TRUE(required.count(name)) << "unexpected " << name;

    for (const char* forbidden : {"BWARSC1.DAT", "BWARSC2.DAT", "BWARSC3.DAT", "BWARSC4.DAT", "BWARSC5.DAT",
                                  "BWARSC6.DAT", "BWADTL.HLP"})
        EXPECT_FALSE(groups.count(Padded(forbidden))) << forbidden;

    // Shared names hold the keys of the store's own file: 36 and 37, not the
    // accounting side's 50 and 51; 31 for the general settings file.
    for (auto [own, other] : {std::pair{36, 50}, std::pair{37, 51}, std::pair{31, 15}}) {
        const FileKeys* f = table.find(own);
        auto& records = groups[Padded(AccountingName(f->name))];
        ASSERT_EQ(records.size(), FileSegmentSpecs(*f).size()) << f->name;
        EXPECT_NE(table.find(other), nullptr);
    }
    EXPECT_EQ(groups[Padded("BWAINHD.DB")].size(), 12u);
}

TEST(BaseFilesKeyTable, StoredNamesAreBlankPaddedAndSegmentsNumberedInOrder) {
    const KeyTable& table = Shipped();
    std::vector<TagKeyDefinition> records = BuildKeyFileRecords(table);
    std::string previous;
    int expected = 0;
    std::set<std::string> seen;
    for (const TagKeyDefinition& r : records) {
        std::string name = StoredName(r);
        EXPECT_EQ(name.find('\0'), std::string::npos) << name;
        EXPECT_EQ(r.Unused, 0);
        if (name != previous) {
            // One run of records per file, the runs sorted by name.
            EXPECT_TRUE(seen.insert(name).second) << name << " is split";
            EXPECT_LT(previous, name);
            previous = name;
            expected = 0;
        }
        EXPECT_EQ(r.SegmentNumber, expected++) << name;
    }
    auto groups = ByName(records);
    const FileKeys* customers = table.find(10);
    auto specs = FileSegmentSpecs(*customers);
    auto& stored = groups[Padded("BWACUST.DB")];
    ASSERT_EQ(stored.size(), specs.size());
    for (size_t i = 0; i < specs.size(); ++i) EXPECT_EQ(std::memcmp(&stored[i].Segment, &specs[i], 16), 0) << i;
}

TEST(BaseFilesKeyTable, SegmentSpecificationPerTypeAndFlag) {
    struct Case {
        const char* type;
        int length;
        bool unique, modifiable, last;
        uint16_t flags;
        uint8_t extType;
    };
    const Case cases[] = {
        {"s", 11, true, true, true, KF_MODIFIABLE, 0},
        {"s", 11, false, false, false, KF_DUPLICATES | KF_SEGMENTED, 0},
        {"ci", 6, true, true, true, KF_MODIFIABLE | KF_NO_CASE, 0},
        {"z", 10, true, false, true, KF_EXTENDED, KT_ZSTRING},
        {"zci", 10, false, true, true, KF_DUPLICATES | KF_MODIFIABLE | KF_EXTENDED | KF_NO_CASE, KT_ZSTRING},
        {"i2", 2, false, true, false, KF_DUPLICATES | KF_MODIFIABLE | KF_SEGMENTED | KF_EXTENDED, KT_INTEGER},
        {"i4", 4, true, true, true, KF_MODIFIABLE | KF_EXTENDED, KT_INTEGER},
        {"u1", 1, false, true, true, KF_DUPLICATES | KF_MODIFIABLE | KF_EXTENDED, KT_UNSIGNED},
        {"u2", 2, true, true, false, KF_MODIFIABLE | KF_SEGMENTED | KF_EXTENDED, KT_UNSIGNED},
        {"u4", 4, false, true, true, KF_DUPLICATES | KF_MODIFIABLE | KF_EXTENDED, KT_UNSIGNED},
        {"f8", 8, false, true, true, KF_DUPLICATES | KF_MODIFIABLE | KF_EXTENDED, KT_FLOAT},
        {"ai4", 4, true, false, true, KF_EXTENDED, KT_AUTOINC},
    };
    for (const Case& c : cases) {
        Segment s{41, c.length, c.type};
        Key k;
        k.unique = c.unique;
        k.modifiable = c.modifiable;
        TagKeySegment spec = MakeSegmentSpec(s, k, c.last);
        EXPECT_EQ(spec.Position, 42) << c.type;
        EXPECT_EQ(spec.Length, c.length) << c.type;
        EXPECT_EQ(spec.Flags, c.flags) << c.type;
        EXPECT_EQ(spec.Type, c.extType) << c.type;
        const uint8_t* raw = reinterpret_cast<const uint8_t*>(&spec);
        for (int i : {6, 7, 8, 9, 11, 12, 13, 14, 15}) EXPECT_EQ(raw[i], 0) << c.type << " byte " << i;
    }
}

TEST(BaseFilesKeyTable, SettledKeysAreStoredAsDecided) {
    const KeyTable& table = Shipped();
    // General settings: 15 bytes from position 1, unique, so that keys
    // padded to 16 and keys ending in NUL at byte 15 both match.
    auto general = FileSegmentSpecs(*table.find(31));
    ASSERT_EQ(general.size(), 1u);
    EXPECT_EQ(general[0].Position, 1);
    EXPECT_EQ(general[0].Length, 15);
    EXPECT_EQ(general[0].Flags & KF_DUPLICATES, 0);
    // The key file: key 0 the name only, 15 bytes, case-insensitive,
    // duplicates; key 1 name + segment number, unique, so that the same
    // segment can never be stored twice.
    auto keyFile = FileSegmentSpecs(*table.find(88));
    ASSERT_EQ(keyFile.size(), 3u);
    EXPECT_EQ(keyFile[0].Length, 15);
    EXPECT_EQ(keyFile[0].Flags, KF_DUPLICATES | KF_NO_CASE);
    EXPECT_EQ(keyFile[1].Flags, KF_SEGMENTED | KF_NO_CASE);
    EXPECT_EQ(keyFile[2].Position, 19);
    EXPECT_EQ(keyFile[2].Flags, KF_EXTENDED);
    EXPECT_EQ(keyFile[2].Type, KT_INTEGER);
    // Autoincrement keys are unique and not modifiable.
    for (int f : {8, 13}) {
        for (const Key& k : table.find(f)->keys)
            for (const Segment& s : k.segments)
                if (s.type == "ai4") {
                    EXPECT_TRUE(k.unique && !k.modifiable) << f;
                }
    }
    // Copies and repeats expand to whole keys.
    EXPECT_EQ(table.find(30)->keys.size(), 7u);
    EXPECT_EQ(table.find(2)->keys[0].segments.size(), 4u);
    const FileKeys* accountingInvoices = table.find(50);
    ASSERT_EQ(accountingInvoices->keys.size(), 12u);
    EXPECT_EQ(accountingInvoices->keys[7].segments[0].offset, 1);
    EXPECT_EQ(accountingInvoices->keys[11].segments[0].offset, 1285);
}

TEST(BaseFilesKeyTable, EveryStoredSegmentHasTheCreateLayout) {
    const KeyTable& table = Shipped();
    const std::set<int> types = {KT_STRING, KT_INTEGER, KT_FLOAT, KT_ZSTRING, KT_UNSIGNED, KT_AUTOINC};
    for (const auto& [name, records] : ByName(BuildKeyFileRecords(table))) {
        const FileKeys* file = table.findByKeyFileName(name.substr(0, name.find(' ')));
        ASSERT_NE(file, nullptr) << name;
        uint16_t keyFlags = 0;
        bool keyStart = true;
        int keys = 0;
        for (const TagKeyDefinition& r : records) {
            const TagKeySegment& s = r.Segment;
            const uint8_t* raw = reinterpret_cast<const uint8_t*>(&s);
            EXPECT_GE(s.Position, 1) << name;
            EXPECT_LE(s.Position + s.Length - 1, file->recordLength) << name;
            // Only these flags; supplemental, collating and descending never.
            EXPECT_EQ(s.Flags & ~(KF_DUPLICATES | KF_MODIFIABLE | KF_SEGMENTED | KF_EXTENDED | KF_NO_CASE), 0)
                << name << " segment " << r.SegmentNumber;
            EXPECT_TRUE(types.count(s.Type)) << name;
            EXPECT_EQ((s.Flags & KF_EXTENDED) != 0, s.Type != KT_STRING) << name << " segment " << r.SegmentNumber;
            if (s.Flags & KF_NO_CASE) {
                EXPECT_TRUE(s.Type == KT_STRING || s.Type == KT_ZSTRING) << name;
            }
            for (int i : {6, 7, 8, 9, 11, 12, 13, 14, 15}) EXPECT_EQ(raw[i], 0) << name << " byte " << i;
            // Duplicates and modifiable are the same on every segment of a key.
            uint16_t own = s.Flags & (KF_DUPLICATES | KF_MODIFIABLE);
            if (keyStart) {
                keyFlags = own;
                ++keys;
            }
            EXPECT_EQ(own, keyFlags) << name << " segment " << r.SegmentNumber;
            keyStart = (s.Flags & KF_SEGMENTED) == 0;
        }
        EXPECT_TRUE(keyStart) << name << ": the last segment continues";
        EXPECT_EQ(keys, static_cast<int>(file->keys.size())) << name;
    }
}

TEST(BaseFilesKeyTable, FileSpecificationCountsKeysAndMarksVariableLength) {
    std::istringstream in(Table(
        "| 82 | BPOSRTXT.DB | 21 | 4096 | V | Y | 0 | (0,16,s) | D | Y | |\n"
        "| 8 | BPOSCHCK.DB | 120 | 2048 | | Y | 0 | (0,11,s)+(102,4,i4) | D | Y | |\n"
        "| | | | | | | 1 | (0,11,s)+(11,9,s) | D | Y | |\n"
        "| | | | | | | 2 | (114,4,ai4) | U | N | |\n"));
    KeyTable table = ParseKeyTable(in, "keys.txt");
    struct Case {
        int file;
        uint16_t length, page;
        uint8_t keys;
        uint16_t flags;
    };
    for (const Case& c : {Case{82, 21, 4096, 1, FF_VARIABLE}, Case{8, 120, 2048, 3, 0}, Case{88, 36, 4096, 1, 0}}) {
        TagFileSpec spec = MakeFileSpec(*table.find(c.file));
        EXPECT_EQ(spec.RecordLength, c.length) << c.file;
        EXPECT_EQ(spec.PageSize, c.page) << c.file;
        EXPECT_EQ(spec.KeyCount, c.keys) << c.file;
        EXPECT_EQ(spec.Flags, c.flags) << c.file;
        const uint8_t* raw = reinterpret_cast<const uint8_t*>(&spec);
        for (int i : {5, 6, 7, 8, 9, 12, 13, 14, 15}) EXPECT_EQ(raw[i], 0) << c.file << " byte " << i;
    }
}

TEST(BaseFilesKeyTable, FilesOutsideTheCatalogueStayOutOfTheKeyFile) {
    std::istringstream in(Table(
        "| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (0,11,ci) | U | Y | |\n"
        "| - | BWBCALRT.DB | 856 | 4096 | | N | 0 | (0,4,ai4) | U | N | |\n"
        "| | | | | | | 1-2 | (261,1,u1)+(264,11,s) each | D | N | |\n"
        "| - | alerts.001-.010 | 856 | 4096 | | N | 0-2 | as BWBCALRT.DB | | | |\n"
        "| - | work layout 1 | 14 | 512 | opt | N | 0 | (0,6,s) | D | N | |\n"));
    KeyTable table = ParseKeyTable(in, "keys.txt");
    EXPECT_EQ(table.find(kNotCatalogued), nullptr);
    const FileKeys* alerts = table.findUncatalogued("BWBCALRT.DB");
    const FileKeys* work = table.findUncatalogued("alerts.001-.010");
    ASSERT_NE(alerts, nullptr);
    ASSERT_NE(work, nullptr);
    ASSERT_EQ(work->keys.size(), 3u);
    auto a = FileSegmentSpecs(*alerts), w = FileSegmentSpecs(*work);
    ASSERT_EQ(a.size(), w.size());
    EXPECT_EQ(std::memcmp(a.data(), w.data(), a.size() * sizeof(TagKeySegment)), 0);
    const FileKeys* layout = table.findUncatalogued("work layout 1");
    ASSERT_NE(layout, nullptr);
    EXPECT_TRUE(layout->variableByCreator);
    EXPECT_FALSE(layout->variable);

    auto groups = ByName(BuildKeyFileRecords(table));
    EXPECT_EQ(groups.size(), 2u);  // the key file and the customers
    EXPECT_TRUE(groups.count(Padded("BWACUST.DB")));
}

TEST(BaseFilesKeyTable, MalformedLinesAreRejectedWithFileAndLine) {
    struct Case {
        std::string rows;
        int line;
        const char* says;
    };
    const Case cases[] = {
        {"| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (0,11,s) | U |\n", 4, "columns"},
        {"| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | 0,11,s | U | Y | |\n", 4, "(offset,length,type)"},
        {"| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (0,11,x) | U | Y | |\n", 4, "unknown segment type"},
        {"| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (0,3,i4) | U | Y | |\n", 4, "4 bytes wide"},
        {"| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (790,11,s) | U | Y | |\n", 4, "beyond the record length"},
        {"| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (0,11,s) | U | Y | |\n| | | | | | | 2 | (1,1,s) | D | Y | |\n",
         5, "should be key 1"},
        {"| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (0,11,s) | X | Y | |\n", 4, "U/D"},
        {"| 10 | BPOSCUST.DB | 795 | 4000 | | Y | 0 | (0,11,s) | U | Y | |\n", 4, "multiple of 512"},
        {"| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (0,11,s) | U | Y | |\n"
         "| 10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (0,11,s) | U | Y | |\n",
         5, "listed twice"},
        {"| 30 | BPOSVEND.DB | 795 | 3072 | | Y | 0-6 | as file 10 | | | |\n", 4, "not in the table"},
        {"| 8 | BPOSCHCK.DB | 120 | 4096 | | Y | 0 | (114,4,ai4) | D | N | |\n", 4, "autoincrement"},
        {"| 31 | BPOSGNRL.DB | 16 | 4096 | V | Y | 0 | (0,15,s) | U | N | |\n"
         "| 15 | BPOSGNRL.DB | 16 | 4096 | V | Y | 0 | (0,16,s) | U | N | |\n",
         5, "keys differ"},
        {"| | BPOSCUST.DB | 795 | 4096 | | Y | 1 | (0,1,s) | D | Y | |\n", 4, "file columns"},
        {"10 | BPOSCUST.DB | 795 | 4096 | | Y | 0 | (0,11,s) | U | Y |\n", 4, "begins and ends"},
        {"| - | BPOSWPOS.DB | 342 | 4096 | | Y | 0 | (0,15,s) | U | N | |\n", 4, "kf must be N"},
        {"| - | BPOSSTNX.DB | 55 | 512 | | N | 0 | (0,15,s) | D | Y | |\n"
         "| - | BPOSSTNX.DB | 55 | 512 | | N | 0 | (0,15,s) | D | Y | |\n",
         5, "listed twice"},
        {"| - | alerts.001 | 856 | 4096 | | N | 0 | as BWBCALRT.DB | | | |\n", 4, "BWBCALRT.DB is not in the table"},
        {"| 36 | BPOSINHD.DB | 586 | 4096 | | Y | 0 | (0,11,s) | U | Y | |\n"
         "| 50 | BPOSINHD.DB | 1311 | 4096 | | N | 0 | (0,1,s) | U | Y | |\n"
         "| - | copy | 586 | 4096 | | N | 0 | as BPOSINHD.DB | | | |\n",
         6, "more than one row"},
        {"| 10 | BPOSCUST.DB | 795 | 4096 | x | Y | 0 | (0,11,s) | U | Y | |\n", 4, "var must be"},
    };
    for (const Case& c : cases) {
        std::istringstream in(Table(c.rows));
        try {
            ParseKeyTable(in, "keys.txt");
            ADD_FAILURE() << "accepted: " << c.rows;
        } catch (const TableError& e) {
            EXPECT_EQ(e.line(), c.line) << e.what();
            EXPECT_EQ(e.source(), "keys.txt");
            EXPECT_NE(std::string(e.what()).find("keys.txt:" + std::to_string(c.line) + ": "), std::string::npos)
                << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

// The build-time check: the shipped tables agree with the catalogue and the
// record structs; each kind of disagreement is named with its file.
TEST(BaseFilesCatalogueCheck, ShippedTablesAndRecordStructsAgreeWithTheCatalogue) {
    EXPECT_TRUE(CatalogueDisagreements(Shipped()).empty());
    EXPECT_TRUE(RecordSizeDisagreements().empty());
    EXPECT_NO_THROW(CheckCatalogue(Shipped()));
}

TEST(BaseFilesCatalogueCheck, EachDisagreementIsNamedWithItsFile) {
    struct Case {
        const char* what;
        void (*change)(KeyTable&);
        const char* expected;
    };
    const Case cases[] = {
        {"record length", [](KeyTable& t) { const_cast<FileKeys*>(t.find(36))->recordLength = 531; },
         "file 36 BPOSINHD.DB: record length 586 in the catalogue, 531 in the key table"},
        {"page size", [](KeyTable& t) { const_cast<FileKeys*>(t.find(22))->pageSize = 4096; },
         "file 22 BPOSSLDT.DB: page size 2560 in the catalogue, 4096 in the key table"},
        {"name", [](KeyTable& t) { const_cast<FileKeys*>(t.find(10))->name = "BPOSCUSX.DB"; },
         "file 10 BPOSCUST.DB: named BPOSCUSX.DB in the key table"},
        {"missing row", [](KeyTable& t) { const_cast<FileKeys*>(t.find(33))->fileNumber = 133; },
         "file 33 BPOSTEND.DB: no row in the key table"},
        {"resource in the key file",
         [](KeyTable& t) {
             FileKeys row;
             row.fileNumber = 94;
             row.name = "WBPSRSC5.DAT";
             row.inKeyFile = true;
             for (FileKeys& f : t.files)
                 if (f.fileNumber == 94) f.fileNumber = kNotCatalogued;
             t.files.push_back(row);
         },
         "file 94 WBPSRSC5.DAT: not a record-manager file, but written to the key file"},
    };
    for (const Case& c : cases) {
        KeyTable table = Shipped();
        c.change(table);
        const std::vector<std::string> found = CatalogueDisagreements(table);
        EXPECT_NE(std::find(found.begin(), found.end(), c.expected), found.end()) << c.what;
        try {
            CheckCatalogue(table);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const BuildError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << c.what;
        }
    }
}
