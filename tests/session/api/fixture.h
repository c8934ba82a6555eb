// A company fixture for the session tests: a private program folder with a
// copy of the base folder, a new data folder, and a running session over
// them with the script driver of the framework.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "bwps/users.h"
#include "tests/support/folders.h"

namespace sessiontest {

using bwpstest::BuildProgramFolder;
using bwpstest::ScratchFolder;

// Everything the library, the record manager and the framework keep between
// calls, forgotten.
void ResetEverything();

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string& program() const { return program_; }
    const std::string& data() const { return data_; }
    std::string base() const { return program_ + "/RAZAVUR"; }

    // Creates data files of the catalogue from the base folder's key
    // definitions, in their own folders.
    void CreateFiles(std::initializer_list<int> files);
    // Inserts or replaces a record of the store's general file.
    void PutSettingsRecord(const char* key, const void* record, int length);
    // "0sysinterface  " with byte 443 "Y" (passwords in force) or "N".
    void SetPasswordsInForce(bool on);
    // "0Passwords     " with the supervisor password (plain; stored
    // transformed).
    void SetSupervisorPassword(const char* plain);
    // A user record with the rights given (1-based), stored transformed.
    void AddUser(const char* id, const char* password, std::initializer_list<int> rights,
                 char warehouseFlag = 'N');
    // The user's record as stored.
    UserRecord ReadStoredUser(const char* id);
    // A secured function of BPOSGEN2.DB: the right that opens the command.
    void AddSecuredFunction(int right, int command);
    // A warehouse grant of BPOSGEN4.DB.
    void AddWarehouseGrant(const char* id, const char* warehouse);

    void Script(const std::string& text);
    std::string Transcript() const;
    // Number of transcript lines that contain the text.
    int TranscriptCount(const std::string& text) const;

private:
    ScratchFolder scratch_{"session"};
    std::string program_;
    std::string data_;
};

}  // namespace sessiontest
