// The company-id file: creation, conversion of the 60-byte layout, reading
// and the default company.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/versions.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/catalogue/fixture.h"

namespace fs = std::filesystem;

namespace cattest {
namespace {

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

class CompanyIdTest : public CatalogueTest {
protected:
    std::string CidPath() const { return base() + "/BPOSCID.DB"; }

    // A company-id file of the older 60-byte layout.
    void WriteOldFile(const std::string& path)
    {
        TagFileSpec spec{};
        spec.RecordLength = COMPANY_ID_OLD_SIZE;
        spec.PageSize = 4096;
        spec.KeyCount = 1;
        TagKeySegment segments[2]{};
        segments[0].Position = 1;
        segments[0].Length = 1;
        segments[0].Flags = KF_SEGMENTED | KF_DUPLICATES;
        segments[1].Position = 2;
        segments[1].Length = 19;
        segments[1].Flags = KF_DUPLICATES;
        ASSERT_EQ(BtrCreateFile(path.c_str(), &spec, segments), 0);
        const struct {
            char status;
            const char* id;
            const char* folder;
            int32_t value;
        } rows[] = {{'D', "MAIN STORE", "/stores/main", 20010101},
                    {'N', "SECOND", "/stores/second", 20020202}};
        for (const auto& r : rows) {
            TagCompanyIdOld old{};
            old.Status = r.status;
            std::strcpy(old.CompanyId, r.id);
            std::strcpy(old.Folder, r.folder);
            old.Value = r.value;
            ASSERT_EQ(PutRecord(path, &old, sizeof old, 20), 0);
        }
    }

    std::vector<CompanyIdRecord> Companies()
    {
        std::vector<CompanyIdRecord> out;
        for (const auto& row : ReadAll(CidPath(), sizeof(CompanyIdRecord))) {
            CompanyIdRecord r;
            std::memcpy(&r, row.data(), sizeof r);
            out.push_back(r);
        }
        return out;
    }
};

TEST_F(CompanyIdTest, MissingFileIsCreated)
{
    uint16_t handle = 0;
    int created = -1;
    ASSERT_EQ(OpenCompanyIdFile(&handle, base().c_str(), 0, &created), 0);
    EXPECT_EQ(created, 1);
    EXPECT_NE(handle, 0);
    BtrCloseFile(handle);
    FileStat stat;
    ASSERT_TRUE(StatFile(CidPath(), stat));
    EXPECT_EQ(stat.recordLength, COMPANY_ID_SIZE);
    int count = -1;
    EXPECT_EQ(ReadCompanyIdRecords(base().c_str(), nullptr, 0, &count), 0);
    EXPECT_EQ(count, 0);
    // Opened again, it is not created anew.
    ASSERT_EQ(OpenCompanyIdFile(&handle, base().c_str(), 0, &created), 0);
    EXPECT_EQ(created, 0);
    BtrCloseFile(handle);
}

TEST_F(CompanyIdTest, OlderLayoutIsConverted)
{
    WriteOldFile(CidPath());
    int count = 0;
    CompanyIdRecord records[4] = {};
    ASSERT_EQ(ReadCompanyIdRecords(base().c_str(), records, 4, &count), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(records[0].Status, 'D');
    EXPECT_STREQ(records[0].CompanyId, "MAIN STORE");
    EXPECT_STREQ(records[0].Folder, "/stores/main");
    EXPECT_EQ(+records[0].Date, 20010101);
    EXPECT_EQ(records[1].Status, 'N');
    EXPECT_STREQ(records[1].Folder, "/stores/second");
    EXPECT_EQ(+records[1].Date, 20020202);
    FileStat stat;
    ASSERT_TRUE(StatFile(CidPath(), stat));
    EXPECT_EQ(stat.recordLength, COMPANY_ID_SIZE);
    EXPECT_FALSE(Exists(base() + "/CID10.TMP"));
    // Only as many as asked for.
    ASSERT_EQ(ReadCompanyIdRecords(base().c_str(), records, 1, &count), 0);
    EXPECT_EQ(count, 1);
}

TEST_F(CompanyIdTest, FailedConversionKeepsTheOldFile)
{
    WriteOldFile(CidPath());
    // Without the key definitions the new file cannot be created.
    fs::rename(base() + "/BPOSKEY.DB", scratch() + "/BPOSKEY.DB");
    uint16_t handle = 0;
    int created = 0;
    EXPECT_NE(OpenCompanyIdFile(&handle, base().c_str(), 0, &created), 0);
    EXPECT_EQ(handle, 0);
    EXPECT_FALSE(Exists(base() + "/CID10.TMP"));
    FileStat stat;
    ASSERT_TRUE(StatFile(CidPath(), stat));
    EXPECT_EQ(stat.recordLength, COMPANY_ID_OLD_SIZE);
    EXPECT_EQ(stat.records, 2);
    // With the key file back, the next open converts it.
    fs::rename(scratch() + "/BPOSKEY.DB", base() + "/BPOSKEY.DB");
    ASSERT_EQ(OpenCompanyIdFile(&handle, base().c_str(), 0, &created), 0);
    BtrCloseFile(handle);
    EXPECT_EQ(Companies().size(), 2u);
}

// A failure while the old records are copied puts the old file back as it
// was and hands out no handle. Here the key definitions of this base folder
// make the name key unique, and two old records share a name, so the second
// copy fails.
TEST_F(CompanyIdTest, FailedCopyKeepsTheOldFile)
{
    {
        uint16_t keys = 0;
        ASSERT_EQ(BtrOpenFile(&keys, (base() + "/BPOSKEY.DB").c_str(), 0, 0), 0);
        char key[256] = {};
        std::memset(key, ' ', 15);
        const char* stored = MapToAccountingFileName("BPOSCID.DB");  // the stored form
        std::memcpy(key, stored, std::strlen(stored));
        TagKeyDefinition record{};
        int status = BtrGet(B_GET_EQUAL, keys, key, &record, sizeof record);
        while (status == 0 && record.SegmentNumber != 3)
            status = BtrGet(B_GET_NEXT, keys, key, &record, sizeof record);
        ASSERT_EQ(status, 0);
        ASSERT_EQ(+record.Segment.Position, 2);  // the name
        record.Segment.Flags = static_cast<uint16_t>(record.Segment.Flags & ~KF_DUPLICATES);
        ASSERT_EQ(BtrWrite(B_UPDATE, keys, key, &record, sizeof record), 0);
        BtrCloseFile(keys);
    }
    WriteOldFile(CidPath());
    TagCompanyIdOld twin{};
    twin.Status = 'N';
    std::strcpy(twin.CompanyId, "SECOND");
    std::strcpy(twin.Folder, "/stores/twin");
    twin.Value = 20030303;
    {
        // Inserted beside the first "SECOND" (the older file allows that).
        uint16_t old = 0;
        ASSERT_EQ(BtrOpenFile(&old, CidPath().c_str(), 0, 0), 0);
        char key[256];
        ASSERT_EQ(BtrWrite(B_INSERT, old, key, &twin, sizeof twin), 0);
        BtrCloseFile(old);
    }
    const std::vector<uint8_t> before = FileBytes(CidPath());
    FxTranscriptClear();

    uint16_t handle = 0;
    int created = 0;
    EXPECT_EQ(OpenCompanyIdFile(&handle, base().c_str(), 0, &created), B_DUPLICATE_KEY);
    EXPECT_EQ(handle, 0);
    EXPECT_FALSE(Exists(base() + "/CID10.TMP"));
    EXPECT_EQ(FileBytes(CidPath()), before);
    FileStat stat;
    ASSERT_TRUE(StatFile(CidPath(), stat));
    EXPECT_EQ(stat.recordLength, COMPANY_ID_OLD_SIZE);
    EXPECT_EQ(stat.records, 3);
    EXPECT_NE(std::string(FxTranscript()).find("Btrieve Error #   5"), std::string::npos)
        << FxTranscript();
}

TEST_F(CompanyIdTest, OlderFileOfTheFolderAboveIsMovedIn)
{
    WriteOldFile(program() + "/POS5CID.DB");
    uint16_t handle = 0;
    int created = -1;
    ASSERT_EQ(OpenCompanyIdFile(&handle, base().c_str(), 0, &created), 0);
    BtrCloseFile(handle);
    EXPECT_EQ(created, 0);
    EXPECT_FALSE(Exists(program() + "/POS5CID.DB"));
    auto companies = Companies();
    ASSERT_EQ(companies.size(), 2u);
    EXPECT_STREQ(companies[1].CompanyId, "SECOND");
}

TEST_F(CompanyIdTest, DefaultCompanyMoves)
{
    WriteOldFile(CidPath());
    uint16_t handle = 0;
    int created = 0;
    ASSERT_EQ(OpenCompanyIdFile(&handle, base().c_str(), 0, &created), 0);
    auto companies = Companies();
    ASSERT_EQ(companies.size(), 2u);
    EXPECT_EQ(SetDefaultCompanyId(handle, &companies[1]), 0);
    BtrCloseFile(handle);
    companies = Companies();
    EXPECT_EQ(companies[0].Status, 'N');
    EXPECT_EQ(companies[1].Status, 'D');

    // The default again: nothing changes, and the other stays "N".
    ASSERT_EQ(OpenCompanyIdFile(&handle, base().c_str(), 0, &created), 0);
    EXPECT_EQ(SetDefaultCompanyId(handle, &companies[1]), B_KEY_NOT_FOUND);
    BtrCloseFile(handle);
    companies = Companies();
    EXPECT_EQ(companies[0].Status, 'N');
    EXPECT_EQ(companies[1].Status, 'D');
}

TEST_F(CompanyIdTest, FirstDefaultWhenNoneExists)
{
    uint16_t handle = 0;
    int created = 0;
    ASSERT_EQ(OpenCompanyIdFile(&handle, base().c_str(), 0, &created), 0);
    CompanyIdRecord only{};
    only.Status = 'N';
    std::strcpy(only.CompanyId, "ONLY");
    std::strcpy(only.Folder, "/stores/only");
    uint8_t key[256] = {};
    ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &only, sizeof only), 0);
    EXPECT_EQ(SetDefaultCompanyId(handle, &only), 0);
    BtrCloseFile(handle);
    auto companies = Companies();
    ASSERT_EQ(companies.size(), 1u);
    EXPECT_EQ(companies[0].Status, 'D');
}

}  // namespace
}  // namespace cattest
