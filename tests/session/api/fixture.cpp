#include "tests/session/api/fixture.h"

#include <stdlib.h>

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

namespace fs = std::filesystem;

namespace sessiontest {

std::string BuildProgramFolder()
{
    return BWPS_PROGRAM_FOLDER;
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (fs::temp_directory_path() / "bwps-session-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("cannot make a scratch folder");
    path_ = buffer.data();
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void ResetEverything()
{
    RecmanReset();
    FxReset();
    FxUseScriptDriver();
    ResetCatalogueState();
    BWPSResetSession();
    std::memset(GetSysInterfaceRecord(), 0, sizeof(TagSysInterface));
}

void SessionTest::SetUp()
{
    ResetEverything();
    program_ = scratch_.path() + "/program";
    data_ = scratch_.path() + "/company";
    fs::create_directories(program_ + "/ROVAZERI");
    fs::create_directories(data_);
    const fs::path shipped = fs::path(BuildProgramFolder()) / "RAZAVUR";
    ASSERT_TRUE(fs::exists(shipped / "BPOSKEY.DB")) << "the base files are missing: " << shipped;
    fs::copy(shipped, program_ + "/RAZAVUR", fs::copy_options::recursive);

    BWPSSetExePath(program_.c_str());
    ASSERT_EQ(BWPSStartSession(program_.c_str(), data_.c_str()), 1);
    CreateFiles({GENERAL_FILE_NUMBER});
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
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(file), 0, 0), 0) << "file " << file;
    std::vector<uint8_t> existing(static_cast<size_t>(length) + 64);
    uint8_t keyBuffer[256] = {};
    std::memcpy(keyBuffer, key, keyLength);
    int status = BtrGet(B_GET_EQUAL, handle, keyBuffer, existing.data(), length);
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(record),
                              static_cast<const uint8_t*>(record) + length);
    std::memset(keyBuffer, 0, sizeof keyBuffer);
    std::memcpy(keyBuffer, key, keyLength);
    if (status == 0)
        status = BtrWrite(B_UPDATE, handle, keyBuffer, copy.data(), length);
    else
        status = BtrWrite(B_INSERT, handle, keyBuffer, copy.data(), length);
    EXPECT_EQ(status, 0) << "writing to file " << file;
    BtrCloseFile(handle);
}

}  // namespace

void SessionTest::PutSettingsRecord(const char* key, const void* record, int length)
{
    PutRecord(GENERAL_FILE_NUMBER, key, std::strlen(key) + 1, record, length);
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
    PutRecord(USER_FILE_NUMBER, record.UserId, sizeof record.UserId, &record, sizeof record);
}

UserRecord SessionTest::ReadStoredUser(const char* id)
{
    UserRecord record{};
    uint16_t handle = 0;
    EXPECT_EQ(BtrOpenFile(&handle, GetDataFilePath(USER_FILE_NUMBER), 0, 0), 0);
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
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(SECURED_FUNCTION_FILE_NUMBER), 0, 0), 0);
    uint8_t key[256] = {};
    EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
}

void SessionTest::AddWarehouseGrant(const char* id, const char* warehouse)
{
    UserWarehouseRecord record{};
    MakeUserIdKey(record.UserId, id);
    std::memcpy(record.WarehouseId, warehouse, std::strlen(warehouse));
    PutRecord(USER_WAREHOUSE_FILE_NUMBER, &record, sizeof record, &record, sizeof record);
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
