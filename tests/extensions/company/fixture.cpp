#include "bwps/files.h"
#include "tests/extensions/company/fixture.h"

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

namespace companytest {

void CompanyTest::SetUp()
{
    bwpstest::ResetLibraryState();
    program_ = scratch_.path() + "/program";
    fs::create_directories(program_ + "/ROVAZERI");
    const fs::path shipped = bwpstest::BuiltBaseFolder();
    ASSERT_TRUE(fs::exists(shipped / "BPOSKEY.DB")) << "the base files are missing: " << shipped;
    bwpstest::CopyBaseFolder(program_);
    // The company list of the build's base folder is not this test's.
    std::error_code ec;
    fs::remove(program_ + "/RAZAVUR/BPOSCID.DB", ec);
}

void CompanyTest::TearDown()
{
    BWPSStopSession();
    bwpstest::ResetLibraryState();
}

void CompanyTest::Start(const std::string& data)
{
    BWPSSetExePath(program_.c_str());
    ASSERT_EQ(BWPSStartSession(program_.c_str(), data.empty() ? nullptr : data.c_str()), 1);
    if (data.empty()) std::memset(GetSessionPaths()->DataPath, 0, BWPS_PATH_SIZE);
}

bool CompanyTest::Create(const std::string& name, const std::string& folder)
{
    return BWPSCreateCompany(name.c_str(), folder.c_str(), 0, 0, 0) != 0;
}

void CompanyTest::CreateListed(const std::string& name, const std::string& folder)
{
    ASSERT_TRUE(Create(name, folder)) << Transcript();
    uint16_t handle = 0;
    int created = 0;
    ASSERT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
    EXPECT_EQ(AddCompanyToList(handle, name.c_str(), folder.c_str()), 0);
    BtrCloseFile(handle);
}

void CompanyTest::Script(const std::string& text) { ASSERT_EQ(FxScriptLoad(text.c_str()), 0) << text; }

std::string CompanyTest::Transcript() const { return FxTranscript(); }

bool CompanyTest::Saw(const std::string& text) const
{
    return Transcript().find(text) != std::string::npos;
}

int CompanyTest::Count(const std::string& text) const
{
    int n = 0;
    std::string line;
    std::istringstream lines(Transcript());
    while (std::getline(lines, line))
        if (line.find(text) != std::string::npos) ++n;
    return n;
}

int CompanyTest::Run(int command)
{
    Session().CommandNumber = command;
    return BWPSRunCommand();
}

SessionBlock& CompanyTest::Session() const { return *GetSessionPaths(); }

std::vector<CompanyListRecord> CompanyTest::ListRecords()
{
    std::vector<CompanyListRecord> records;
    uint16_t handle = 0;
    int created = 0;
    if (OpenCompanyList(&handle, base().c_str(), 0, &created) != 0) return records;
    char key[256] = {};
    CompanyListRecord r;
    for (int s = BtrGet(B_GET_FIRST, handle, key, &r, sizeof r); s == 0;
         s = BtrGet(B_GET_NEXT, handle, key, &r, sizeof r))
        records.push_back(r);
    BtrCloseFile(handle);
    return records;
}

int CompanyTest::ReadSetting(const std::string& folder, const char* key, void* record, int length)
{
    uint16_t handle = 0;
    const std::string path = folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::General));
    int status = BtrOpenFile(&handle, path.c_str(), 0, 0);
    if (status != 0) return status;
    char keyBuffer[256] = {};
    std::memcpy(keyBuffer, key, std::strlen(key));
    status = BtrGet(B_GET_EQUAL, handle, keyBuffer, record, length);
    BtrCloseFile(handle);
    return status;
}

int CompanyTest::StoredRecordLength(const std::string& path)
{
    bwpstest::FileStat stat;
    return bwpstest::StatFile(path, stat) ? stat.recordLength : -1;
}

void CompanyTest::RequirePasswords(const std::string& folder)
{
    const std::string path = folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::General));
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
    TagSysInterface record{};
    char key[256] = "0sysinterface  ";
    ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, &record, sizeof record), 0);
    record.PasswordsInForce = 'Y';
    EXPECT_EQ(BtrWrite(B_UPDATE, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
}

void CompanyTest::AddUser(const std::string& folder, const char* id, const char* password)
{
    UserRecord record{};
    std::memset(record.UserId, ' ', USER_ID_LENGTH - 1);
    std::memcpy(record.UserId, id, std::strlen(id));
    std::strncpy(record.Password, password, sizeof record.Password - 1);
    for (char* c = record.Password; *c != '\0'; ++c) FxCharTransform89(c);
    std::memset(record.Rights, 'Y', sizeof record.Rights);
    for (char& c : record.Rights) FxCharTransform89(&c);
    record.WarehouseFlag = 'N';
    const std::string path = folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::Users));
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
    char key[256] = {};
    EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
}

}  // namespace companytest
