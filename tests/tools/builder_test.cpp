// The written base folder, read back through the record manager the way the
// session reads it: key definitions by name, data files created from them,
// message lines by number.
#include "bwps/records/items.h"
#include "catalogue_fixture.h"

#include "builder.h"
#include "fx.h"
#include "table_error.h"

#include <recman.h>
#include <recman_testing.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace basefiles;

namespace {

class BaseFilesFolder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/basefiles-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        program_ = pattern;
        tables_ = new Tables(LoadTables(BWPS_BASEFILES_TABLES));
        BuildProgramFolders(*tables_, program_.string());
    }
    static void TearDownTestSuite() {
        RecmanReset();
        delete tables_;
        tables_ = nullptr;
        std::error_code ec;
        fs::remove_all(program_, ec);
    }
    void TearDown() override { RecmanReset(); }

    static fs::path Base() { return program_ / "RAZAVUR"; }

    static uint16_t Open(const fs::path& path) {
        uint16_t handle = 0;
        EXPECT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0) << path;
        return handle;
    }

    // The stored segments of a file: get-greater-or-equal on the name, then
    // get-next while the name stays the same (compared without case).
    static std::vector<TagKeyDefinition> ReadSpecs(uint16_t keyFile, const std::string& searchKey) {
        std::vector<TagKeyDefinition> found;
        char key[255] = {};
        std::memcpy(key, searchKey.data(), searchKey.size());
        TagKeyDefinition r;
        int status = BtrGet(B_GET_GE, keyFile, key, &r, sizeof r);
        auto sameName = [&](const TagKeyDefinition& d) {
            for (size_t i = 0; i < 15; ++i)
                if (std::toupper(static_cast<unsigned char>(d.FileName[i])) !=
                    std::toupper(static_cast<unsigned char>(searchKey[i])))
                    return false;
            return true;
        };
        while (status == 0 && sameName(r)) {
            found.push_back(r);
            status = BtrGet(B_GET_NEXT, keyFile, key, &r, sizeof r);
        }
        EXPECT_TRUE(status == 0 || status == B_END_OF_FILE) << status;
        return found;
    }

    static fs::path program_;
    static Tables* tables_;
};

fs::path BaseFilesFolder::program_;
Tables* BaseFilesFolder::tables_ = nullptr;

std::string Padded16(const std::string& name) { return name + std::string(16 - name.size(), ' '); }

}  // namespace

TEST_F(BaseFilesFolder, HoldsEveryFileThatTheBaseFolderCheckLooksFor) {
    for (const CatalogueEntry& e : kCatalogue) {
        if (e.kind != 0 || e.number == 85 || e.number == 86 || e.number == 100) continue;
        EXPECT_TRUE(fs::exists(Base() / e.name)) << e.name;
    }
    // The company list, stations and cash drawers are created by the program.
    for (const char* absent : {"BPOSCID.DB", "BPOSSTN.DB", "BPOSDRWR.DB"}) EXPECT_FALSE(fs::exists(Base() / absent));
    EXPECT_TRUE(fs::exists(program_ / "ROVAZERI" / "WBWPOCOL.DB"));
    EXPECT_FALSE(fs::exists(program_ / "RAZAVUR.new"));
    EXPECT_FALSE(fs::exists(program_ / "RAZAVUR.old"));
}

TEST_F(BaseFilesFolder, HoldsTheSeedFilesThatCompanyCreationCopies) {
    for (int number : {1, 7, 28, 27, 71, 16}) EXPECT_TRUE(fs::exists(Base() / kCatalogue[number - 1].name)) << number;
    for (const char* name : {"bposrfld.db", "bposrtxt.db", "bposrhed.db", "bposqcol.db", "bposqexp.db", "bposqhed.db",
                             "CUSTOMER.IPT", "PRODUCT.IPT", "SERVICE.IPT", "PROMO.IPT"})
        EXPECT_TRUE(fs::exists(Base() / name)) << name;

    // The weight unit "gm" is there, found whatever the case typed.
    uint16_t handle = Open(Base() / "BPOSWUNI.DB");
    EXPECT_EQ(BtrGetRecordCount(handle), 1);
    for (const char* code : {"gm", "GM"}) {
        char key[255] = {};
        std::memcpy(key, code, 2);
        WeightUnitRecord record{};
        ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, &record, sizeof record), 0) << code;
        EXPECT_STREQ(record.code, "gm");
        EXPECT_STREQ(record.description, "Grams");
        EXPECT_EQ(record.isDefault, 'N');
    }
    EXPECT_EQ(BtrCloseFile(handle), 0);
}

TEST_F(BaseFilesFolder, KeyDefinitionsReadBackByNameInSegmentOrder) {
    uint16_t keyFile = Open(Base() / "BPOSKEY.DB");
    for (const FileKeys& file : tables_->keys.files) {
        if (!file.inKeyFile) continue;
        std::string name = AccountingName(file.name);
        std::vector<TagKeySegment> expected = FileSegmentSpecs(file);
        // Blank padded to 16, as the session searches; NUL at byte 15, as
        // the secured-function load writes; and in lower case.
        std::string nulEnded = Padded16(name);
        nulEnded[15] = '\0';
        std::string lower = Padded16(name);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const std::string& search : {Padded16(name), nulEnded, lower}) {
            std::vector<TagKeyDefinition> stored = ReadSpecs(keyFile, search);
            ASSERT_EQ(stored.size(), expected.size()) << name;
            for (size_t i = 0; i < stored.size(); ++i) {
                EXPECT_EQ(stored[i].SegmentNumber, static_cast<int16_t>(i)) << name;
                EXPECT_EQ(std::memcmp(&stored[i].Segment, &expected[i], sizeof(TagKeySegment)), 0)
                    << name << " segment " << i;
            }
        }
    }
    // A screen-resource name finds nothing of its own.
    char key[255] = {};
    std::memcpy(key, "BWARSC1.DAT     ", 16);
    TagKeyDefinition r;
    int status = BtrGet(B_GET_GE, keyFile, key, &r, sizeof r);
    if (status == 0) {
        EXPECT_NE(std::string(r.FileName, 11), "BWARSC1.DAT");
    }
    EXPECT_EQ(BtrCloseFile(keyFile), 0);
}

TEST_F(BaseFilesFolder, EveryStoredFileCanBeCreatedWithItsRecordLengthAndKeys) {
    uint16_t keyFile = Open(Base() / "BPOSKEY.DB");
    fs::path data = program_ / "data";
    fs::create_directories(data);
    for (const FileKeys& file : tables_->keys.files) {
        if (!file.inKeyFile) continue;
        std::vector<TagKeyDefinition> stored = ReadSpecs(keyFile, Padded16(AccountingName(file.name)));
        ASSERT_FALSE(stored.empty()) << file.name;
        std::vector<TagKeySegment> segments;
        for (const TagKeyDefinition& d : stored) segments.push_back(d.Segment);
        const size_t segmentCount = segments.size();
        // Passed in a cleared 1536-byte buffer, as data-file creation does.
        TagKeySegment zero;
        std::memset(&zero, 0, sizeof zero);
        segments.resize(1536 / sizeof(TagKeySegment), zero);
        // The specification as data-file creation builds it: the number of
        // segments at byte 4, variable length for the general settings and
        // report-text files.
        TagFileSpec spec;
        std::memset(&spec, 0, sizeof spec);
        spec.RecordLength = static_cast<uint16_t>(file.recordLength);
        spec.PageSize = static_cast<uint16_t>(file.pageSize);
        spec.KeyCount = static_cast<uint8_t>(segmentCount);
        if (file.fileNumber == 31 || file.fileNumber == 82) spec.Flags = FF_VARIABLE;
        fs::path path = data / (std::to_string(file.fileNumber) + "_" + file.name);
        ASSERT_EQ(BtrCreateFile(path.c_str(), &spec, segments.data()), 0) << file.name;

        uint16_t handle = Open(path);
        alignas(8) unsigned char stat[RECMAN_STAT_BUFFER] = {};
        ASSERT_EQ(BtrStat(handle, stat), 0) << file.name;
        uint16_t recordLength;
        std::memcpy(&recordLength, stat, 2);
        EXPECT_EQ(recordLength, file.recordLength) << file.name;
        EXPECT_EQ(stat[4], file.keys.size()) << file.name;
        EXPECT_EQ(BtrCloseFile(handle), 0);
    }
    EXPECT_EQ(BtrCloseFile(keyFile), 0);
}

TEST_F(BaseFilesFolder, FilesCreatedInCodeTakeTheirRowsAsTheyStand) {
    // Every row the key file leaves out (screen resources, files outside
    // the catalogue, the accounting side's files), created from the row
    // itself: the record manager keeps each segment as given.
    fs::path data = program_ / "in-code";
    fs::create_directories(data);
    int created = 0;
    for (const FileKeys& file : tables_->keys.files) {
        if (file.inKeyFile) continue;
        fs::path path = data / ("f" + std::to_string(created++) + ".db");
        ASSERT_NO_THROW(CreateFromTable(file, path.string())) << file.name;
        uint16_t handle = Open(path);
        alignas(8) unsigned char stat[RECMAN_STAT_BUFFER] = {};
        ASSERT_EQ(BtrStat(handle, stat), 0) << file.name;
        EXPECT_EQ(stat[0] | stat[1] << 8, file.recordLength) << file.name;
        EXPECT_EQ(stat[4], file.keys.size()) << file.name;
        EXPECT_EQ((stat[10] & FF_VARIABLE) != 0, file.variable) << file.name;
        std::vector<TagKeySegment> expected = FileSegmentSpecs(file);
        for (size_t i = 0; i < expected.size(); ++i) {
            TagKeySegment got;
            std::memcpy(&got, stat + 16 + 16 * i, sizeof got);
            EXPECT_EQ(got.Position, expected[i].Position) << file.name << " segment " << i;
            EXPECT_EQ(got.Length, expected[i].Length) << file.name << " segment " << i;
            EXPECT_EQ(got.Flags, expected[i].Flags) << file.name << " segment " << i;
            EXPECT_EQ(got.Type, expected[i].Type) << file.name << " segment " << i;
        }
        EXPECT_EQ(BtrCloseFile(handle), 0);
    }
    EXPECT_NE(tables_->keys.findUncatalogued("BWBCALRT.DB"), nullptr);
}

TEST_F(BaseFilesFolder, TheKeyFileRefusesASegmentStoredTwice) {
    fs::path copy = program_ / "keyfile-copy";
    fs::create_directories(copy);
    // The record manager's file may have companions beside it: copy them all.
    for (const fs::directory_entry& e : fs::directory_iterator(Base()))
        if (e.path().filename().string().rfind("BPOSKEY.DB", 0) == 0)
            fs::copy_file(e.path(), copy / e.path().filename());
    uint16_t handle = Open(copy / "BPOSKEY.DB");
    std::vector<TagKeyDefinition> records = BuildKeyFileRecords(tables_->keys);
    ASSERT_FALSE(records.empty());
    TagKeyDefinition again = records[records.size() / 2];
    char key[255] = {};
    EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &again, sizeof again), B_DUPLICATE_KEY);
    // In lower case it is the same name.
    for (char& c : again.FileName) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &again, sizeof again), B_DUPLICATE_KEY);
    // The next segment number of the same file is accepted.
    again.SegmentNumber = 90;
    EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &again, sizeof again), 0);
    EXPECT_EQ(BtrGetRecordCount(handle), static_cast<int>(records.size()) + 1);
    EXPECT_EQ(BtrCloseFile(handle), 0);
}

TEST_F(BaseFilesFolder, MessagesReadBackLineByLine) {
    uint16_t handle = Open(Base() / "WBPSRSC5.DAT");
    for (const Message& m : tables_->messages.messages) {
        uint16_t key[2] = {static_cast<uint16_t>(m.number), 0};
        MessageRecord r;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, &r, sizeof r), 0) << m.number;
        EXPECT_EQ(std::string(r.Text), m.title);
        std::vector<std::string> lines;
        int status;
        while ((status = BtrGet(B_GET_NEXT, handle, key, &r, sizeof r)) == 0 && r.Number == m.number)
            lines.push_back(r.Text);
        // Every message is followed by another record.
        ASSERT_EQ(status, 0) << m.number;
        std::vector<std::string> expected = m.lines;
        if (!m.buttons.empty()) expected.push_back(" " + m.buttons);
        EXPECT_EQ(lines, expected) << m.number;
    }
    EXPECT_EQ(BtrCloseFile(handle), 0);
}

TEST_F(BaseFilesFolder, ScreenResourceFilesHoldTheirRecordsInKeyOrder) {
    auto expected = BuildResourceRecords(tables_->resources);
    for (const CatalogueEntry& e : kCatalogue) {
        if (e.number < 90 || e.number > 95 || e.number == 94) continue;
        uint16_t handle = Open(Base() / e.name);
        std::vector<FxResourceRecord> stored;
        FxResourceRecord r;
        char key[255] = {};
        int status = BtrGet(B_GET_FIRST, handle, key, &r, sizeof r);
        while (status == 0) {
            EXPECT_EQ(BtrCall218(handle), FX_RES_RECORD_LENGTH);
            stored.push_back(r);
            status = BtrGet(B_GET_NEXT, handle, key, &r, sizeof r);
        }
        EXPECT_EQ(status, B_END_OF_FILE);
        ASSERT_EQ(stored.size(), expected[e.number].size()) << e.name;
        for (size_t i = 0; i < stored.size(); ++i)
            EXPECT_EQ(std::memcmp(&stored[i], &expected[e.number][i], sizeof r), 0) << e.name << " record " << i;
        EXPECT_EQ(BtrCloseFile(handle), 0);
    }
    EXPECT_FALSE(expected[90].empty());
}

TEST_F(BaseFilesFolder, TheFrameworkLoadsTheScreenResourceFiles) {
    std::string base = Base().string();
    EXPECT_EQ(FxOpenStringFiles(base.c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT"), 0);
    EXPECT_EQ(FxOpenScreenFiles(base.c_str(), "WBPSRSC3.DAT", "WBPSRSC4.DAT", "WBPSRSC6.DAT"), 0);
    // The extra keys of the company list.
    char* lines[8] = {};
    int width = 0, count = 0;
    ASSERT_EQ(FxTextListLoad(323, lines, &width, &count, 8), 0);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(lines[0], "\x18" "F8,Set Default,1,0,0,0,");
    FxTextListFree(lines);
    FxReset();
}

TEST_F(BaseFilesFolder, BaseRecordFilesOpenWithTheirCatalogueLength) {
    for (int number : {87, 96, 98, 99}) {
        const CatalogueEntry& e = kCatalogue[number - 1];
        uint16_t handle = Open(Base() / e.name);
        alignas(8) unsigned char stat[RECMAN_STAT_BUFFER] = {};
        ASSERT_EQ(BtrStat(handle, stat), 0) << e.name;
        uint16_t recordLength;
        std::memcpy(&recordLength, stat, 2);
        EXPECT_EQ(recordLength, e.recordLength) << e.name;
        const long expected = number == 87   ? 1
                              : number == 98 ? static_cast<long>(tables_->formVariables.records.size())
                                             : 0;
        EXPECT_EQ(BtrGetRecordCount(handle), expected) << e.name;
        EXPECT_EQ(BtrCloseFile(handle), 0);
    }
}

TEST_F(BaseFilesFolder, AFailedRunLeavesThePreviousFoldersInPlace) {
    fs::path program = program_ / "again";
    BuildProgramFolders(*tables_, program.string());
    auto before = fs::file_size(program / "RAZAVUR" / "BPOSKEY.DB");

    Tables broken = *tables_;
    std::erase_if(broken.keys.files, [](const FileKeys& f) { return f.fileNumber == 94; });
    EXPECT_THROW(BuildProgramFolders(broken, program.string()), BuildError);
    EXPECT_TRUE(fs::exists(program / "RAZAVUR" / "WBPSRSC5.DAT"));
    EXPECT_FALSE(fs::exists(program / "RAZAVUR.new"));
    EXPECT_EQ(fs::file_size(program / "RAZAVUR" / "BPOSKEY.DB"), before);

    // A good run afterwards replaces the folder.
    BuildProgramFolders(*tables_, program.string());
    EXPECT_TRUE(fs::exists(program / "RAZAVUR" / "WBPSRSC5.DAT"));
}

TEST_F(BaseFilesFolder, ARebuildKeepsTheFilesTheProgramWrote) {
    fs::path program = program_ / "kept";
    BuildProgramFolders(*tables_, program.string());
    // The company list and a form that the program wrote, and a changed
    // copy of a shipped file.
    { std::ofstream(program / "RAZAVUR" / "BPOSCID.DB") << "company list"; }
    fs::create_directories(program / "RAZAVUR" / "FORMS");
    { std::ofstream(program / "RAZAVUR" / "FORMS" / "RECEIPT.FMT") << "form"; }
    { std::ofstream(program / "RAZAVUR" / "WBPSDTL.HLP") << "old help"; }

    BuildProgramFolders(*tables_, program.string());
    auto read = [](const fs::path& p) {
        std::ifstream in(p);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read(program / "RAZAVUR" / "BPOSCID.DB"), "company list");
    EXPECT_EQ(read(program / "RAZAVUR" / "FORMS" / "RECEIPT.FMT"), "form");
    EXPECT_NE(read(program / "RAZAVUR" / "WBPSDTL.HLP"), "old help");
}

TEST(BaseFilesProgram, RejectsAMalformedTableNamingFileAndLine) {
    char pattern[] = "/tmp/basefiles-bad-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    fs::path dir = pattern;
    fs::copy_file(fs::path(BWPS_BASEFILES_TABLES) / "messages.txt", dir / "messages.txt");
    {
        std::ofstream keys(dir / "keys.txt");
        keys << "| F# | name | len | page | var | kf | k | segments | U/D | M | evidence |\n"
                "| 88 | BPOSKEY.DB | 36 | 4096 | | Y | 0 | (0,15,cx) | D | Y | |\n";
    }
    try {
        LoadTables(dir.string());
        ADD_FAILURE() << "accepted";
    } catch (const TableError& e) {
        EXPECT_EQ(e.source(), (dir / "keys.txt").string());
        EXPECT_EQ(e.line(), 2);
    }
    EXPECT_FALSE(fs::exists(dir / "RAZAVUR"));
    fs::remove_all(dir);
}
