#include "tests/extensions/utilities/fixture.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "bwps/catalogue.h"
#include "bwps/session.h"
#include "extensions/utilities/utilities_testing.h"
#include "fx.h"
#include "recman.h"
#include "tests/support/library.h"

namespace fs = std::filesystem;

namespace utiltest {

void UtilitiesTest::SetUp()
{
    bwpstest::ResetLibraryState();
    ResetUtilitiesState();
    if (!fs::exists(bwpstest::BuiltBaseFolder() / "BPOSKEY.DB"))
        GTEST_SKIP() << "the base files are not built";
    program_ = scratch_.path() + "/program";
    data_ = scratch_.path() + "/company";
    fs::create_directories(program_ + "/ROVAZERI");
    fs::create_directories(data_);
    bwpstest::CopyBaseFolder(program_);
    SessionBlock* session = GetSessionPaths();
    std::snprintf(session->ProgramPath, sizeof session->ProgramPath, "%s", program_.c_str());
    std::snprintf(session->BasePath, sizeof session->BasePath, "%s/RAZAVUR", program_.c_str());
    std::snprintf(session->DictionaryPath, sizeof session->DictionaryPath, "%s/ROVAZERI",
                  program_.c_str());
    std::snprintf(session->DataPath, sizeof session->DataPath, "%s", data_.c_str());
    SetFolders(program_.c_str(), data_.c_str(), (program_ + "/RAZAVUR").c_str());
    ASSERT_EQ(CreateMissingDataFiles(data_.c_str()), 0);
    // The lists of the verification go to the current folder.
    savedFolder_ = fs::current_path().string();
    fs::current_path(data_);
}

void UtilitiesTest::TearDown()
{
    if (!savedFolder_.empty())
        fs::current_path(savedFolder_);
    ResetUtilitiesState();
    bwpstest::ResetLibraryState();
}

std::string UtilitiesTest::FilePath(int fileNumber) const
{
    const char* path = GetDataFilePath(fileNumber);
    return path != nullptr ? path : "";
}

int UtilitiesTest::Insert(int fileNumber, const void* record, int length)
{
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, FilePath(fileNumber).c_str(), 0, 0);
    if (status != 0)
        return status;
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(record),
                              static_cast<const uint8_t*>(record) + length);
    status = BtrWrite(B_INSERT, handle, nullptr, copy.data(), length);
    BtrCloseFile(handle);
    return status;
}

std::vector<std::string> UtilitiesTest::Records(const std::string& path, int* status)
{
    std::vector<std::string> rows;
    uint16_t handle = 0;
    const int open = BtrOpenFile(&handle, path.c_str(), 0, 0);
    if (status != nullptr)
        *status = open;
    if (open != 0)
        return rows;
    std::vector<uint8_t> buffer(1 << 16);
    uint8_t key[256] = {};
    for (int op = B_STEP_FIRST; BtrGet(op, handle, key, buffer.data(), static_cast<int>(buffer.size())) == 0;
         op = B_STEP_NEXT)
        rows.emplace_back(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(BtrCall218(handle)));
    BtrCloseFile(handle);
    return rows;
}

int UtilitiesTest::KeyCount(const std::string& path)
{
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
        return -1;
    uint8_t stat[RECMAN_STAT_BUFFER] = {};
    const int keys = BtrStat(handle, stat) == 0 ? stat[4] : -1;
    BtrCloseFile(handle);
    return keys;
}

void UtilitiesTest::Script(const char* text) { ASSERT_EQ(FxScriptLoad(text), 0); }

void UtilitiesTest::LoadResources()
{
    for (const char* name : {"WBPSRSC1.DAT", "WBPSRSC2.DAT", "WBPSRSC3.DAT", "WBPSRSC4.DAT", "WBPSRSC6.DAT"}) {
        const fs::path file = bwpstest::BuiltBaseFolder() / name;
        if (fs::exists(file)) {
            ASSERT_EQ(FxResourceLoadFile(file.c_str()), 0) << name;
        }
    }
}

}  // namespace utiltest
