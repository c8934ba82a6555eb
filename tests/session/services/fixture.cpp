#include "bwps/files.h"
#include "tests/session/services/fixture.h"

#include <filesystem>

#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"

namespace fs = std::filesystem;

namespace svctest {

void ServicesTest::SetUp()
{
    cattest::CompanyCatalogueTest::SetUp();
    if (IsSkipped())
        return;
    const fs::path dictionary = bwpstest::BuiltBaseFolder().parent_path() / "ROVAZERI" / "WBWPOCOL.DB";
    ASSERT_TRUE(fs::exists(dictionary)) << dictionary;
    fs::copy_file(dictionary, program() + "/ROVAZERI/WBWPOCOL.DB",
                  fs::copy_options::overwrite_existing);
    FxTranscriptClear();
}

std::string ServicesTest::PathOf(int fileNumber) const
{
    return GetDataFilePath(fileNumber);
}

void ServicesTest::Put(int fileNumber, const void* record, int length, int keyLength)
{
    ASSERT_EQ(cattest::PutRecord(PathOf(fileNumber), record, length, keyLength), 0) << fileNumber;
}

std::vector<std::vector<uint8_t>> ServicesTest::All(int fileNumber, int length) const
{
    return cattest::ReadAll(PathOf(fileNumber), length);
}

std::string ServicesTest::Interface()
{
    accounting_ = scratch() + "/acct";
    fs::create_directories(accounting_);
    TagFileSpec spec{};
    EXPECT_EQ(CreateDataFile(bwps::No(bwps::FileNo::AccountingGeneral), 0, accounting_.c_str(), nullptr, &spec), 0);
    fs::rename(accounting_ + "/BPOSGNRL.DB", accounting_ + "/BWAGNRL.DB");
    auto record = Keyed<TagSysInterface>(GENERAL_KEY_SYSINTERFACE);
    std::snprintf(record.AccountingFolder, sizeof record.AccountingFolder, "%s",
                  accounting_.c_str());
    record.Interfaced = 1;
    record.InterfacedChar = 'Y';
    PutSettings(&record, sizeof record);
    EXPECT_TRUE(LoadSysInterfaceRecord());
    EXPECT_TRUE(IsInterfacedToAccounting());
    return accounting_;
}

void ServicesTest::PutAccounting(const void* record, int length)
{
    ASSERT_EQ(cattest::PutRecord(accounting_ + "/BWAGNRL.DB", record, length, 15), 0);
}

void ServicesTest::PasswordsOn(bool on)
{
    auto record = Keyed<TagSysInterface>(GENERAL_KEY_SYSINTERFACE);
    record.PasswordsInForce = on ? 'Y' : 'N';
    PutSettings(&record, sizeof record);
    LoadSysInterfaceRecord();
}

std::string ServicesTest::Transcript() const
{
    return FxTranscript();
}

}  // namespace svctest
