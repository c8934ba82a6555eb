// Data-set versions of a folder and the accounting data-set check.

#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/settings.h"
#include "bwps/versions.h"
#include "recman.h"
#include "tests/session/catalogue/fixture.h"

namespace fs = std::filesystem;

namespace cattest {
namespace {

class VersionsTest : public CatalogueTest {
protected:
    void Stamp(uint8_t major, uint8_t minor)
    {
        TagFilesVersion stamp{};
        std::memcpy(stamp.Key, GENERAL_KEY_FILESVERSION, 15);
        stamp.Major = major;
        stamp.Minor = minor;
        PutSettings(&stamp, sizeof stamp);
    }
    void ProgVersion(int16_t version)
    {
        TagProgVersion record{};
        std::memcpy(record.Key, GENERAL_KEY_PROGVERSION, 16);
        record.Version = version;
        PutSettings(&record, sizeof record);
    }
    // Replaces the customer file by one of another record length.
    void CustomerRecordLength(int length)
    {
        fs::remove(DataPath("BPOSCUST.DB"));
        ASSERT_EQ(CreateKeyedFile(DataPath("BPOSCUST.DB"), length, 11), 0);
    }
};

TEST_F(VersionsTest, FoldersWithoutAGeneralFile)
{
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), DATASET_NONE);
    EXPECT_EQ(BWPSDataFilesVersion(data().c_str()), -1);
    EXPECT_EQ(BWPSFilesInFolder(data().c_str()), 0);
    EXPECT_EQ(BWPSFilesInFolder((data() + "/nothing").c_str()), 0);
    int32_t version = 99;
    EXPECT_FALSE(BWPSGetGeneralFileVer(data().c_str(), &version));
    EXPECT_EQ(version, 0);

    const struct {
        const char* file;
        int code;
    } older[] = {{"POSACCT.DB", 5}, {"POS1ACCT.DB", 6}, {"POS5ACCT.DB", 7}};
    for (const auto& c : older) {
        Touch(DataPath(c.file));
        EXPECT_EQ(DetectDataSetVersion(data().c_str()), c.code) << c.file;
    }
}

TEST_F(VersionsTest, CurrentDataSetByItsStamp)
{
    CreateCompany();
    EXPECT_EQ(BWPSFilesInFolder(data().c_str()), 1);
    const struct {
        uint8_t major;
        uint8_t minor;
        int code;
        int release;
    } cases[] = {{14, 0, 16, 14}, {13, 0, 15, 13}, {12, 0, 14, 12},
                 {11, 0, 13, 11}, {14, 1, 20, -1}, {10, 0, 20, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        Stamp(c.major, c.minor);
        EXPECT_EQ(DetectDataSetVersion(data().c_str()), c.code);
        EXPECT_EQ(BWPSDataFilesVersion(data().c_str()), c.release);
        int32_t version = -5;
        EXPECT_TRUE(BWPSGetGeneralFileVer(data().c_str(), &version));
        EXPECT_EQ(version, c.release < 0 ? 0 : c.release);
    }
    // File 75 is required of the current release only.
    fs::remove(DataPath("BPOSPPCU.DB"));
    Stamp(14, 0);
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), DATASET_UNKNOWN);
    Stamp(13, 0);
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), 15);
    // Any other missing file makes the set incomplete.
    fs::remove(DataPath("BPOSTEND.DB"));
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), DATASET_UNKNOWN);
}

TEST_F(VersionsTest, ReleaseTenIsToldByTheCustomerRecords)
{
    CreateCompany();
    ProgVersion(10);
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), 12);   // 795-byte customers
    EXPECT_EQ(BWPSDataFilesVersion(data().c_str()), 10);
    CustomerRecordLength(700);
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), 10);
    EXPECT_EQ(BWPSDataFilesVersion(data().c_str()), 8);
    uint16_t stored = 0;
    int status = -1;
    EXPECT_TRUE(ReadProgVersionRecord(&stored, data().c_str(), &status));
    EXPECT_EQ(stored, 8);
    EXPECT_EQ(status, 0);
    CustomerRecordLength(718);
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), 12);
    ProgVersion(9);
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), 11);
    EXPECT_EQ(BWPSDataFilesVersion(data().c_str()), 9);
}

TEST_F(VersionsTest, CurrentNamesWithoutVersionRecord)
{
    CreateCompany();
    // A general file without a stamp or version record: the names decide.
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), 9);   // 586-byte sales headers
    // Files added by later releases are not required.
    fs::remove(DataPath("BPOSRSAV.DB"));
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), 9);
    fs::remove(DataPath("BPOSLAYH.DB"));
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), DATASET_UNKNOWN);
    EXPECT_EQ(WalkFolderDataFiles(data().c_str(), nullptr), 0);
    // Older sales headers tell release 8.
    Touch(DataPath("BPOSLAYH.DB"));
    fs::remove(DataPath("BPOSINHD.DB"));
    ASSERT_EQ(CreateKeyedFile(DataPath("BPOSINHD.DB"), 531, 11), 0);
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), 8);
    EXPECT_EQ(BWPSDataFilesVersion(data().c_str()), 8);
}

TEST_F(VersionsTest, StampWrittenAfterAConversion)
{
    CreateCompany();
    int status = 0;
    EXPECT_TRUE(WriteDataVersionStamp(0, data().c_str(), &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(DetectDataSetVersion(data().c_str()), DATASET_CURRENT);
    EXPECT_FALSE(WriteDataVersionStamp(0, (scratch() + "/none").c_str(), &status));
    EXPECT_EQ(status, -1);
}

TEST_F(VersionsTest, AccountingDataSets)
{
    std::string acct = scratch() + "/acct";
    fs::create_directories(acct);
    // A current accounting company: every file of kinds 2 and 3 below 85
    // under its accounting name.
    SetInterfacedFlag(1);
    for (int file = 1; file <= 84; ++file) {
        int kind = GetDataFileKind(file);
        if (kind != FOLDER_SHARED && kind != FOLDER_ACCOUNTING)
            continue;
        TagFileSpec spec{};
        ASSERT_EQ(CreateSessionDataFile(file, 0, acct.c_str(), nullptr, &spec), 0) << file;
    }
    SetInterfacedFlag(0);
    int missing = 0;
    EXPECT_EQ(FindAccountingFiles(acct.c_str(), &missing), DATASET_CURRENT);
    EXPECT_TRUE(SetAccountingFolderIfValid(acct.c_str()));
    EXPECT_EQ(std::string(GetAccountingCompanyPath()), acct);

    fs::remove(acct + "/BWACHCK.DB");
    EXPECT_EQ(FindAccountingFiles(acct.c_str(), &missing), DATASET_UNKNOWN);
    EXPECT_EQ(missing, 8);
    EXPECT_FALSE(SetAccountingFolderIfValid(acct.c_str()));
    EXPECT_EQ(CheckAccountingFiles(acct.c_str(), &missing, DATASET_CURRENT), 0);
    EXPECT_EQ(missing, 8);

    std::string older = scratch() + "/older";
    fs::create_directories(older);
    EXPECT_EQ(FindAccountingFiles(older.c_str(), &missing), DATASET_NONE);
    Touch(older + "/BWA4ACCT.DB");
    EXPECT_EQ(FindAccountingFiles(older.c_str(), &missing), 4);
    Touch(older + "/BA43QCOL.DB");
    EXPECT_EQ(FindAccountingFiles(older.c_str(), &missing), 7);
}

TEST_F(VersionsTest, ReleaseOneNamesAreRenamed)
{
    Touch(DataPath("POS1CUST.DB"));
    Touch(DataPath("POS1ACCT.DB"));
    Touch(DataPath("BPOSACCT.DB"));
    EXPECT_EQ(RenameRelease1Files(data().c_str()), 1);
    EXPECT_TRUE(Exists(DataPath("BPOSCUST.DB")));
    EXPECT_FALSE(Exists(DataPath("POS1CUST.DB")));
    // A current file is never overwritten.
    EXPECT_TRUE(Exists(DataPath("POS1ACCT.DB")));
}

}  // namespace
}  // namespace cattest
