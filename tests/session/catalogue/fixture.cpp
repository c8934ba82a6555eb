#include "tests/session/catalogue/fixture.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/window_positions.h"
#include "fx.h"
#include "recman.h"

namespace fs = std::filesystem;

namespace cattest {

void ResetAll()
{
    SaveWindowPositions();
    bwpstest::ResetLibraryState();
}

bool Exists(const std::string& path)
{
    return fs::exists(path);
}

void Touch(const std::string& path)
{
    std::ofstream(path) << "x";
}

int PutRecord(const std::string& path, const void* record, int length, int keyLength)
{
    return bwpstest::PutRecord(path, record, static_cast<size_t>(keyLength), record, length);
}

int CreateKeyedFile(const std::string& path, int recordLength, int keyLength)
{
    TagFileSpec spec{};
    spec.RecordLength = static_cast<uint16_t>(recordLength);
    spec.PageSize = 4096;
    spec.KeyCount = 1;
    TagKeySegment segment{};
    segment.Position = 1;
    segment.Length = static_cast<uint16_t>(keyLength);
    return BtrCreateFile(path.c_str(), &spec, &segment);
}

std::vector<std::vector<uint8_t>> ReadAll(const std::string& path, int length)
{
    std::vector<std::vector<uint8_t>> rows;
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
        return rows;
    char key[256];
    std::vector<uint8_t> row(static_cast<size_t>(length));
    for (int op = B_STEP_FIRST; BtrGet(op, handle, key, row.data(), length) == 0; op = B_STEP_NEXT)
        rows.push_back(row);
    BtrCloseFile(handle);
    return rows;
}

void CatalogueTest::SetUp()
{
    ResetAll();
    const fs::path shipped = bwpstest::BuiltBaseFolder();
    if (!fs::exists(shipped / "BPOSKEY.DB"))
        GTEST_SKIP() << "the base files are not built yet: " << shipped;
    program_ = scratch_.path() + "/program";
    data_ = scratch_.path() + "/company";
    base_ = program_ + "/RAZAVUR";
    fs::create_directories(program_ + "/ROVAZERI");
    fs::create_directories(data_);
    fs::create_directories(base_);
    fs::copy_file(shipped / "BPOSKEY.DB", base_ + "/BPOSKEY.DB");
    if (fs::exists(shipped / "WBPSRSC5.DAT"))
        fs::copy_file(shipped / "WBPSRSC5.DAT", base_ + "/WBPSRSC5.DAT");
    UseFolders(data_, base_);
}

void CatalogueTest::TearDown()
{
    ResetAll();
}

void CatalogueTest::UseFolders(const std::string& data, const std::string& base)
{
    SessionBlock* session = GetSessionPaths();
    std::snprintf(session->ProgramPath, sizeof session->ProgramPath, "%s", program_.c_str());
    std::snprintf(session->BasePath, sizeof session->BasePath, "%s", base.c_str());
    std::snprintf(session->DictionaryPath, sizeof session->DictionaryPath, "%s/ROVAZERI",
                  program_.c_str());
    std::snprintf(session->DataPath, sizeof session->DataPath, "%s", data.c_str());
    std::snprintf(session->StationId, sizeof session->StationId, "%-14s", "DEFAULT");
    SetFolders(program_.c_str(), data.c_str(), base.c_str());
}

void CatalogueTest::CreateCompany()
{
    ASSERT_EQ(CreateMissingDataFiles(data_.c_str()), 0);
}

void CatalogueTest::PutSettings(const void* record, int length)
{
    ASSERT_EQ(PutRecord(DataPath("BPOSGNRL.DB"), record, length, 15), 0);
}

}  // namespace cattest
