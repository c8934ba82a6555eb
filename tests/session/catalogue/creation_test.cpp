// Key definitions and the creation of data files from them.

#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"
#include "tests/support/catalogue_table.h"
#include "tests/session/catalogue/fixture.h"

namespace cattest {
namespace {

class CreationTest : public CatalogueTest {};

// Number of keys of a set of segments: a key ends at each segment without
// the "another segment follows" flag.
int KeysOf(const uint8_t* segments, int count)
{
    int keys = 0;
    for (int i = 0; i < count; ++i) {
        TagKeySegment s;
        std::memcpy(&s, segments + KEY_SEGMENT_SIZE * i, sizeof s);
        if (!(s.Flags & KF_SEGMENTED))
            ++keys;
    }
    return keys;
}

TEST_F(CreationTest, ReadsTheSegmentsOfAFileByItsName)
{
    uint8_t segments[SEGMENT_BUFFER_SIZE] = {};
    int count = 0;
    ASSERT_EQ(ReadFileKeySpecs("BPOSCUST.DB", 0, &count, segments), 0);
    EXPECT_EQ(count, 7);
    TagKeySegment first;
    std::memcpy(&first, segments, sizeof first);
    EXPECT_EQ(+first.Position, 1);
    EXPECT_EQ(+first.Length, 11);
    TagKeySegment name;
    std::memcpy(&name, segments + KEY_SEGMENT_SIZE, sizeof name);
    EXPECT_EQ(+name.Position, 351);   // offset 350, counted from 1

    // Any case, the accounting form, and an open key-file handle all find it.
    uint16_t keyHandle = 0;
    ASSERT_EQ(BtrOpenFile(&keyHandle, GetDataFilePath(bwps::No(bwps::FileNo::KeyDefinitions)), 0, 0), 0);
    int again = 0;
    EXPECT_EQ(ReadFileKeySpecs("bposcust.db", keyHandle, &again, segments), 0);
    EXPECT_EQ(again, 7);
    EXPECT_EQ(ReadFileKeySpecs("BWACUST.DB", keyHandle, &again, segments), 0);
    EXPECT_EQ(again, 7);
    // Segments of a following file never join: BPOSCUSA.DB sorts before
    // BPOSCUST.DB and has two keys of two segments.
    EXPECT_EQ(ReadFileKeySpecs("BPOSCUSA.DB", keyHandle, &again, segments), 0);
    EXPECT_EQ(again, 4);
    EXPECT_EQ(ReadFileKeySpecs("BPOSNONE.DB", keyHandle, &again, segments), B_END_OF_FILE);
    BtrCloseFile(keyHandle);
}

TEST_F(CreationTest, EveryFileOfKindsOneAndTwoIsCreatedAsCatalogued)
{
    FxTranscriptClear();
    ASSERT_EQ(CreateMissingDataFiles(data().c_str()), 0);
    const std::string transcript = FxTranscript();
    EXPECT_NE(transcript.find("progress open RSMsgCreateFiles 100"), std::string::npos);
    EXPECT_NE(transcript.find("RSMsgCreateFiles 100/100"), std::string::npos);
    EXPECT_NE(transcript.find("progress close RSMsgCreateFiles"), std::string::npos);
    int created = 0;
    for (int file = 1; file <= DATA_FILE_COUNT; ++file) {
        int kind = GetDataFileKind(file);
        const char* name = GetDataFileEntry(file)->Name;
        std::string path = DataPath(name);
        if (kind != FOLDER_DATA && kind != FOLDER_SHARED) {
            // Files 15, 50 and 51 share their names with files of kind 1.
            if (file != 15 && file != 50 && file != 51) {
                EXPECT_FALSE(Exists(path)) << file << " " << name;
            }
            continue;
        }
        SCOPED_TRACE(std::to_string(file) + " " + name);
        FileStat stat;
        ASSERT_TRUE(StatFile(path, stat));
        EXPECT_EQ(stat.recordLength, bwpstest::CatalogueRowOf(file).length);
        uint8_t segments[SEGMENT_BUFFER_SIZE] = {};
        int count = 0;
        ASSERT_EQ(ReadFileKeySpecs(name, 0, &count, segments), 0);
        EXPECT_EQ(stat.keyCount, KeysOf(segments, count));
        EXPECT_EQ(stat.records, 0);
        EXPECT_EQ((stat.flags & FF_VARIABLE) != 0, file == bwps::No(bwps::FileNo::General));
        ++created;
    }
    EXPECT_EQ(created, 55);
}

TEST_F(CreationTest, CreatesFilesOfEveryKindOnRequest)
{
    TagFileSpec spec{};
    // The accounting company's general file: variable-length, catalogue name.
    ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::AccountingGeneral), 0, data().c_str(), nullptr, &spec), 0);
    EXPECT_EQ(+spec.RecordLength, 16);
    EXPECT_EQ(+spec.PageSize, 4096);
    EXPECT_EQ(+spec.KeyCount, 1);
    EXPECT_EQ(+spec.Flags & FF_VARIABLE, FF_VARIABLE);
    // A file of the base folder goes there when no folder is given.
    ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::CompanyIds), 0, nullptr, nullptr, &spec), 0);
    FileStat stat;
    ASSERT_TRUE(StatFile(base() + "/BPOSCID.DB", stat));
    EXPECT_EQ(stat.recordLength, 168);
    EXPECT_EQ(stat.keyCount, 3);
    // An extension takes the place of the name's.
    ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::Customers), 0, nullptr, "TMP", &spec), 0);
    EXPECT_TRUE(Exists(DataPath("BPOSCUST.TMP")));
    EXPECT_FALSE(Exists(DataPath("BPOSCUST.DB")));
    // Under its session name when interfaced.
    SetInterfacedFlag(1);
    ASSERT_EQ(CreateSessionDataFile(bwps::No(bwps::FileNo::Customers), 0, data().c_str(), nullptr, &spec), 0);
    EXPECT_TRUE(Exists(DataPath("BWACUST.DB")));
}

TEST_F(CreationTest, RefusesWhatCannotBeCreated)
{
    TagFileSpec spec{};
    // A screen-resource entry has no key definitions.
    EXPECT_EQ(CreateDataFile(bwps::No(bwps::FileNo::Resources1), 0, data().c_str(), nullptr, &spec), B_END_OF_FILE);
    EXPECT_EQ(CreateDataFile(0, 0, data().c_str(), nullptr, &spec), -1);
    EXPECT_EQ(CreateDataFile(101, 0, data().c_str(), nullptr, &spec), -1);
    // Without the key file nothing is created.
    std::filesystem::remove(base() + "/BPOSKEY.DB");
    EXPECT_EQ(CreateDataFile(bwps::No(bwps::FileNo::Customers), 0, data().c_str(), nullptr, &spec), B_FILE_NOT_FOUND);
    EXPECT_FALSE(Exists(DataPath("BPOSCUST.DB")));
    EXPECT_EQ(CreateMissingDataFiles(data().c_str()), B_FILE_NOT_FOUND);
}

TEST_F(CreationTest, LaterReleaseFilesAreAddedWhenMissing)
{
    CreateCompany();
    for (const char* name : {"BPOSCARD.DB", "BPOSRSAV.DB", "BPOSITMD.DB"})
        std::filesystem::remove(DataPath(name));
    uint8_t promotion[120] = {'P', '1'};
    ASSERT_EQ(PutRecord(DataPath("BPOSPPHD.DB"), promotion, sizeof promotion, 11), 0);
    EXPECT_EQ(EnsureLaterReleaseFiles(), 1);
    for (const char* name : {"BPOSCARD.DB", "BPOSRSAV.DB", "BPOSITMD.DB"})
        EXPECT_TRUE(Exists(DataPath(name))) << name;
    // A file that exists is left as it is.
    FileStat stat;
    ASSERT_TRUE(StatFile(DataPath("BPOSPPHD.DB"), stat));
    EXPECT_EQ(stat.records, 1);

    std::filesystem::remove(DataPath("BPOSITMD.DB"));
    EXPECT_EQ(CheckNewFiles90(), 1);
    EXPECT_TRUE(Exists(DataPath("BPOSITMD.DB")));
}

// An interfaced store names the shared files by their accounting names:
// the file looked for is the file created, and a file of the other name is
// never replaced.
TEST_F(CreationTest, LaterReleaseFilesOfAnInterfacedStoreAreCreatedUnderTheNameChecked)
{
    const std::string accounting = scratch() + "/accounting";
    std::filesystem::create_directories(accounting);
    SetInterfacedFlag(1);
    SetAccountingCompanyPath(accounting.c_str());
    const std::string itemFile = GetDataFilePath(bwps::No(bwps::FileNo::ItemDetails));
    ASSERT_EQ(itemFile, accounting + "/BWAITMD.DB");
    EXPECT_FALSE(Exists(itemFile));
    // A file of the catalogue name beside it is not the one looked for.
    const std::string other = accounting + "/BPOSITMD.DB";
    uint8_t record[64] = {'K', 'E', 'E', 'P'};
    ASSERT_EQ(CreateKeyedFile(other, sizeof record, 4), 0);
    ASSERT_EQ(PutRecord(other, record, sizeof record, 4), 0);

    EXPECT_EQ(CheckNewFiles90(), 1);
    EXPECT_TRUE(Exists(itemFile)) << itemFile;
    FileStat stat;
    ASSERT_TRUE(StatFile(other, stat));
    EXPECT_EQ(stat.records, 1);

    EXPECT_EQ(EnsureLaterReleaseFiles(), 1);
    for (int file : {45, 48, 46, 47, 62})
        EXPECT_TRUE(Exists(GetDataFilePath(file))) << file << " " << GetDataFilePath(file);
}

TEST_F(CreationTest, WidensTheOlderSalesHeaderFile)
{
    CreateCompany();
    // A sales-header file of 531-byte records, keyed by invoice number.
    ASSERT_EQ(CreateKeyedFile(DataPath("BPOSINHD.DB"), 531, 11), 0);
    uint8_t record[531];
    for (const char* invoice : {"INV0001    ", "INV0002    "}) {
        std::memset(record, 'x', sizeof record);
        std::memcpy(record, invoice, 11);
        ASSERT_EQ(PutRecord(DataPath("BPOSINHD.DB"), record, 531, 11), 0);
    }
    EXPECT_EQ(ConvertSalesHeaderFile(), 1);
    FileStat stat;
    ASSERT_TRUE(StatFile(DataPath("BPOSINHD.DB"), stat));
    EXPECT_EQ(stat.recordLength, 586);
    auto rows = ReadAll(DataPath("BPOSINHD.DB"), 586);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][530], 'x');
    EXPECT_EQ(rows[0][531], 0);   // the widened part is cleared
    // Nothing is left behind but the two files of the folder.
    for (const auto& entry : std::filesystem::directory_iterator(data()))
        EXPECT_NE(entry.path().filename().string().rfind("IF", 0), 0u) << entry.path();
    // A second run finds nothing to do.
    EXPECT_EQ(ConvertSalesHeaderFile(), 1);
    EXPECT_FALSE(ProductFileNeedsConversion(0));
}

// A failure while the old records are copied keeps the old file as it was:
// here two old records share an invoice number, which the new file's first
// key does not allow.
TEST_F(CreationTest, FailedSalesHeaderCopyKeepsTheOldFile)
{
    CreateCompany();
    const std::string path = DataPath("BPOSINHD.DB");
    TagFileSpec spec{};
    spec.RecordLength = 531;
    spec.PageSize = 4096;
    spec.KeyCount = 1;
    TagKeySegment segment{};
    segment.Position = 1;
    segment.Length = 11;
    segment.Flags = KF_DUPLICATES;
    ASSERT_EQ(BtrCreateFile(path.c_str(), &spec, &segment), 0);
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
    uint8_t record[531];
    for (char fill : {'a', 'b'}) {
        std::memset(record, fill, sizeof record);
        std::memcpy(record, "INV0001    ", 11);
        char key[256];
        ASSERT_EQ(BtrWrite(B_INSERT, handle, key, record, sizeof record), 0);
    }
    BtrCloseFile(handle);
    FxTranscriptClear();

    EXPECT_EQ(ConvertSalesHeaderFile(), 0);
    FileStat stat;
    ASSERT_TRUE(StatFile(path, stat));
    EXPECT_EQ(stat.recordLength, 531);
    EXPECT_EQ(stat.records, 2);
    auto rows = ReadAll(path, 531);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][530], 'b');
    for (const auto& entry : std::filesystem::directory_iterator(data()))
        EXPECT_NE(entry.path().filename().string().rfind("IF", 0), 0u) << entry.path();
    EXPECT_NE(std::string(FxTranscript()).find("could not be converted"), std::string::npos)
        << FxTranscript();
}

}  // namespace
}  // namespace cattest
