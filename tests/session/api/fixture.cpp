#include "bwps/files.h"
#include "tests/session/api/fixture.h"

#include <cstring>
#include <filesystem>
#include <sstream>

#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"
#include "tests/support/library.h"

namespace fs = std::filesystem;

namespace sessiontest {

void ResetEverything()
{
    bwpstest::ResetLibraryState();
    std::memset(GetSysInterfaceRecord(), 0, sizeof(TagSysInterface));
}

void SessionTest::SetUp()
{
    ResetEverything();
    program_ = scratch_.path() + "/program";
    data_ = scratch_.path() + "/company";
    fs::create_directories(program_ + "/ROVAZERI");
    fs::create_directories(data_);
    const fs::path shipped = bwpstest::BuiltBaseFolder();
    ASSERT_TRUE(fs::exists(shipped / "BPOSKEY.DB")) << "the base files are missing: " << shipped;
    bwpstest::CopyBaseFolder(program_);

    BWPSSetExePath(program_.c_str());
    ASSERT_EQ(BWPSStartSession(program_.c_str(), data_.c_str()), 1);
    CreateFiles({bwps::No(bwps::FileNo::General)});
}

void SessionTest::TearDown()
{
    BWPSStopSession();
    ResetEverything();
}

void SessionTest::CreateFiles(std::initializer_list<int> files)
{
    for (int file : files) {
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateDataFile(file, 0, nullptr, nullptr, spec), 0) << "file " << file;
    }
}

namespace {

// Inserts the record, or replaces the one with the same key.
void PutRecord(int file, const void* key, size_t keyLength, const void* record, int length)
{
    EXPECT_EQ(bwpstest::PutRecord(GetDataFilePath(file), key, keyLength, record, length), 0)
        << "writing to file " << file;
}

}  // namespace

void SessionTest::PutSettingsRecord(const char* key, const void* record, int length)
{
    PutRecord(bwps::No(bwps::FileNo::General), key, std::strlen(key) + 1, record, length);
}

void SessionTest::SetPasswordsInForce(bool on)
{
    TagSysInterface record{};
    std::memcpy(record.Key, "0sysinterface  ", 16);
    record.PasswordsInForce = on ? 'Y' : 'N';
    PutSettingsRecord("0sysinterface  ", &record, sizeof record);
}

void SessionTest::SetSupervisorPassword(const char* plain)
{
    PasswordsRecord record{};
    std::memcpy(record.Key, PASSWORDS_RECORD_KEY, 16);
    char* entry = record.Entries[PASSWORD_SUPERVISOR_ENTRY];
    std::strncpy(entry, plain, PASSWORD_ENTRY_LENGTH - 1);
    for (char* c = entry; *c != '\0'; ++c)
        FxCharTransform89(c);
    PutSettingsRecord(PASSWORDS_RECORD_KEY, &record, sizeof record);
}

void SessionTest::AddUser(const char* id, const char* password, std::initializer_list<int> rights,
                          char warehouseFlag)
{
    UserRecord record{};
    // As the user screen stores it: blank-padded to 14, then NUL.
    std::memset(record.UserId, ' ', USER_ID_LENGTH - 1);
    std::memcpy(record.UserId, id, std::strlen(id));
    record.UserId[USER_ID_LENGTH - 1] = '\0';
    std::strncpy(record.Password, password, sizeof record.Password - 1);
    for (char* c = record.Password; *c != '\0'; ++c)
        FxCharTransform89(c);
    std::memset(record.Rights, 'N', sizeof record.Rights);
    for (int right : rights)
        record.Rights[right - 1] = 'Y';
    for (char& c : record.Rights)
        FxCharTransform89(&c);
    record.WarehouseFlag = warehouseFlag;
    PutRecord(bwps::No(bwps::FileNo::Users), record.UserId, sizeof record.UserId, &record, sizeof record);
}

UserRecord SessionTest::ReadStoredUser(const char* id)
{
    UserRecord record{};
    uint16_t handle = 0;
    EXPECT_EQ(BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::Users)), 0, 0), 0);
    char key[256] = {};
    MakeUserIdKey(key, id);
    EXPECT_EQ(BtrGet(B_GET_EQUAL, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
    return record;
}

void SessionTest::AddSecuredFunction(int right, int command)
{
    SecuredFunctionRecord record{};
    record.Right = static_cast<int16_t>(right);
    std::snprintf(record.Name, sizeof record.Name, "Function %d", command);
    record.Command = static_cast<int16_t>(command);
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::MenuRights)), 0, 0), 0);
    uint8_t key[256] = {};
    EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
}

void SessionTest::AddWarehouseGrant(const char* id, const char* warehouse)
{
    UserWarehouseRecord record{};
    MakeUserIdKey(record.UserId, id);
    std::memcpy(record.WarehouseId, warehouse, std::strlen(warehouse));
    PutRecord(bwps::No(bwps::FileNo::UserWarehouses), &record, sizeof record, &record, sizeof record);
}

void SessionTest::Script(const std::string& text)
{
    ASSERT_EQ(FxScriptLoad(text.c_str()), 0) << text;
}

std::string SessionTest::Transcript() const
{
    return FxTranscript();
}

int SessionTest::TranscriptCount(const std::string& text) const
{
    std::istringstream in(FxTranscript());
    std::string line;
    int n = 0;
    while (std::getline(in, line))
        if (line.find(text) != std::string::npos)
            ++n;
    return n;
}

}  // namespace sessiontest
