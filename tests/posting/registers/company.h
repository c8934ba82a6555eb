// A fixture company for the posting, customer and item tests: a private
// program folder with a copy of the built base folder, a data folder with
// every data file created from the key definitions, the session's folders
// pointing at them and the framework headless.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"
#include "tests/support/folders.h"
#include "tests/support/library.h"

namespace regtest {

class CompanyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Forget();
        namespace fs = std::filesystem;
        const fs::path shipped = bwpstest::BuiltBaseFolder();
        ASSERT_TRUE(fs::exists(shipped / "BPOSKEY.DB")) << "base files missing: " << shipped;
        program_ = scratch_.path() + "/program";
        data_ = scratch_.path() + "/company";
        fs::create_directories(program_ + "/ROVAZERI");
        fs::create_directories(data_);
        bwpstest::CopyBaseFolder(program_);
        const std::string base = program_ + "/RAZAVUR";
        SessionBlock* session = GetSessionPaths();
        std::snprintf(session->ProgramPath, sizeof session->ProgramPath, "%s", program_.c_str());
        std::snprintf(session->BasePath, sizeof session->BasePath, "%s", base.c_str());
        std::snprintf(session->DictionaryPath, sizeof session->DictionaryPath, "%s/ROVAZERI",
                      program_.c_str());
        std::snprintf(session->DataPath, sizeof session->DataPath, "%s", data_.c_str());
        SetFolders(program_.c_str(), data_.c_str(), base.c_str());
        ASSERT_EQ(CreateMissingDataFiles(data_.c_str()), 0);
        FxTranscriptClear();
    }
    void TearDown() override { Forget(); }

    static void Forget()
    {
        bwpstest::ResetLibraryState();
        std::memset(GetSysInterfaceRecord(), 0, sizeof(TagSysInterface));
    }

    const std::string& program() const { return program_; }
    const std::string& data() const { return data_; }
    std::string Path(int file) const { return GetDataFilePath(file); }

    // An open handle of a data file, closed by the fixture at the end.
    uint16_t Open(int file)
    {
        uint16_t handle = 0;
        EXPECT_EQ(BtrOpenFile(&handle, GetDataFilePath(file), 0, 0), 0) << "file " << file;
        return handle;
    }

    // Inserts a record (its struct whole).
    template <class R>
    void Insert(int file, const R& record)
    {
        uint16_t h = Open(file);
        R copy = record;
        char key[256] = {};
        ASSERT_EQ(BtrWrite(B_INSERT, h, key, &copy, sizeof copy), 0) << "insert into " << file;
        BtrCloseFile(h);
    }

    // Every record of a file in the order of key 0.
    template <class R>
    std::vector<R> All(int file, int key = 0)
    {
        std::vector<R> rows;
        uint16_t h = Open(file);
        BtrSetDefaults(h, key, -1);
        char keyBuffer[256] = {};
        R row;
        for (int op = B_GET_FIRST; BtrGet(op, h, keyBuffer, &row, sizeof row) == 0;
             op = B_GET_NEXT)
            rows.push_back(row);
        BtrCloseFile(h);
        return rows;
    }

    int Count(int file)
    {
        uint16_t h = Open(file);
        const int n = BtrGetRecordCount(h);
        BtrCloseFile(h);
        return n;
    }

    // A settings record of the store's general file (key at 0, 16 bytes).
    void PutSettings(const void* record, int length)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(bwps::No(bwps::FileNo::General)), record, 16, record, length), 0);
    }

    bool TranscriptHas(const std::string& text) const
    {
        return std::string(FxTranscript()).find(text) != std::string::npos;
    }

private:
    bwpstest::ScratchFolder scratch_{"registers"};
    std::string program_;
    std::string data_;
};

// Copies a text into a fixed field, zero-filled.
template <size_t N>
void Put(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::strncpy(field, text, N - 1);
}

}  // namespace regtest
