// A private program folder with a copy of the base folder and a session
// over it, the script driver of the framework, and helpers to read what a
// company holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "extensions/company/company.h"
#include "recman.h"
#include "tests/support/folders.h"

namespace companytest {

class CompanyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string& program() const { return program_; }
    std::string base() const { return program_ + "/RAZAVUR"; }
    // A folder under the scratch folder (not created).
    std::string Folder(const std::string& name) const { return scratch_.path() + "/" + name; }

    // Starts the session over the data folder (empty: none).
    void Start(const std::string& data);
    // Creates a company through the host's entry; true when created.
    bool Create(const std::string& name, const std::string& folder);
    // Creates a company and adds it to the company list.
    void CreateListed(const std::string& name, const std::string& folder);

    void Script(const std::string& text);
    std::string Transcript() const;
    bool Saw(const std::string& text) const;
    // Number of transcript lines that hold the text.
    int Count(const std::string& text) const;

    // Runs one command as the host does; its return value.
    int Run(int command);
    SessionBlock& Session() const;

    // Every record of the company list in key-0 order.
    std::vector<CompanyListRecord> ListRecords();
    // A settings record of the folder's general file; the status.
    int ReadSetting(const std::string& folder, const char* key, void* record, int length);
    // Record length of a data file, -1 when it cannot be opened.
    int StoredRecordLength(const std::string& path);

    // "0sysinterface  " of the open company with passwords in force, and
    // one user of the user file.
    void RequirePasswords(const std::string& folder);
    void AddUser(const std::string& folder, const char* id, const char* password);

private:
    bwpstest::ScratchFolder scratch_{"company"};
    std::string program_;
};

}  // namespace companytest
