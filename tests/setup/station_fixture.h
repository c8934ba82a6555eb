// A throw-away installation for the station, form and settings tests: a
// program folder with its base folder (the key definitions and message
// texts copied from the built base folder) and an empty company folder,
// headless framework, fresh record manager and session.
#ifndef BWPS_TESTS_STATION_FIXTURE_H
#define BWPS_TESTS_STATION_FIXTURE_H

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/stations.h"
#include "fx.h"
#include "recman.h"
#include "recman_testing.h"
#include "tests/support/folders.h"
#include "tests/support/library.h"

namespace bwps::test {

namespace fs = std::filesystem;

// Another station holding a record of the general file locked: a child
// process that reads the record with a lock and keeps it until the holder
// is destroyed.
class HeldGeneralRecord {
public:
    explicit HeldGeneralRecord(const char* key)
    {
        const std::string path = GetDataFilePath(bwps::No(bwps::FileNo::General));
        RecmanReset();
        EXPECT_EQ(::pipe(toChild_), 0);
        EXPECT_EQ(::pipe(toParent_), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            uint16_t handle = 0;
            char buffer[255] = {};
            std::memcpy(buffer, key, GENERAL_KEY_SIZE);
            std::vector<uint8_t> record(4096);
            char answer = 'n';
            if (BtrOpenFile(&handle, path.c_str(), 0, 0) == 0 &&
                BtrGet(B_GET_EQUAL + B_LOCK_SINGLE_NOWAIT, handle, buffer, record.data(),
                       static_cast<int>(record.size())) == 0)
                answer = 'y';
            (void)!::write(toParent_[1], &answer, 1);
            (void)!::read(toChild_[0], &answer, 1);
            ::_exit(0);
        }
        char answer = 0;
        EXPECT_EQ(::read(toParent_[0], &answer, 1), 1);
        EXPECT_EQ(answer, 'y') << "the other station could not lock the record";
    }
    ~HeldGeneralRecord()
    {
        char c = 'q';
        (void)!::write(toChild_[1], &c, 1);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        for (int fd : {toChild_[0], toChild_[1], toParent_[0], toParent_[1]})
            ::close(fd);
    }
    HeldGeneralRecord(const HeldGeneralRecord&) = delete;
    HeldGeneralRecord& operator=(const HeldGeneralRecord&) = delete;

private:
    int toChild_[2]{}, toParent_[2]{};
    pid_t pid_ = -1;
};

class InstallationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bwpstest::ResetLibraryState();

        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() /
                ("bwps-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                 std::to_string(::getpid()));
        fs::remove_all(root_);
        program_ = root_ / "program";
        base_ = program_ / "RAZAVUR";
        data_ = root_ / "company";
        fs::create_directories(base_);
        fs::create_directories(data_);
        const fs::path built = bwpstest::BuiltBaseFolder();
        for (const char* name : {"BPOSKEY.DB", "WBPSRSC5.DAT"})
            fs::copy_file(built / name, base_ / name, fs::copy_options::overwrite_existing);

        SessionBlock* session = GetSessionPaths();
        Copy(session->ProgramPath, Folder(program_));
        Copy(session->BasePath, Folder(base_));
        Copy(session->DataPath, Folder(data_));
        SetFolders(Folder(program_).c_str(), Folder(data_).c_str(), Folder(base_).c_str());
    }

    void TearDown() override
    {
        RecmanReset();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    static std::string Folder(const fs::path& path) { return path.string() + "/"; }

    template <std::size_t N>
    static void Copy(char (&field)[N], const std::string& text)
    {
        std::memset(field, 0, N);
        std::memcpy(field, text.data(), std::min(text.size(), N - 1));
    }

    // The company's general settings file, created empty.
    void CreateGeneralFile()
    {
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::General), 0, Folder(data_).c_str(), nullptr, spec), 0);
    }

    // Writes one settings record of the general file (insert or update).
    void PutGeneralRecord(const void* record, int length)
    {
        EXPECT_EQ(bwpstest::PutRecord(GetDataFilePath(bwps::No(bwps::FileNo::General)), record,
                                      GENERAL_KEY_SIZE, record, length),
                  0);
    }

    // Turns the station prompt of "0sysinterface  " on or off.
    void SetStationPrompt(bool on)
    {
        TagSysInterface record{};
        std::memcpy(record.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE - 1);
        const int16_t flag = on ? 1 : 0;
        std::memcpy(reinterpret_cast<uint8_t*>(&record) + 61, &flag, sizeof flag);
        PutGeneralRecord(&record, sizeof record);
    }

    // Every record of a record-manager file, in key order.
    template <typename Record>
    std::vector<Record> ReadAll(const fs::path& path)
    {
        std::vector<Record> records;
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
            return records;
        char key[255] = {};
        Record record{};
        for (int st = BtrGet(B_GET_FIRST, handle, key, &record, sizeof record); st == 0;
             st = BtrGet(B_GET_NEXT, handle, key, &record, sizeof record))
            records.push_back(record);
        BtrCloseFile(handle);
        return records;
    }

    static std::string Transcript() { return FxTranscript() != nullptr ? FxTranscript() : ""; }

    fs::path root_;
    fs::path program_;
    fs::path base_;
    fs::path data_;
};

}  // namespace bwps::test

#endif
