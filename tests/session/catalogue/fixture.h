// Fixtures of the catalogue tests: a scratch program folder with a copy of
// the shipped base folder, and a company folder of data files made from it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/folders.h"
#include "tests/support/library.h"

namespace cattest {

using bwpstest::ScratchFolder;

// Forgets the library, record-manager and framework state.
void ResetAll();

// Plain file helpers.
bool Exists(const std::string& path);
void Touch(const std::string& path);

using bwpstest::FileStat;
using bwpstest::StatFile;

// Inserts or replaces a record of a keyed file (key 0 at offset 0 of
// `keyLength` bytes).
int PutRecord(const std::string& path, const void* record, int length, int keyLength);
// Creates a record-manager file of `recordLength`-byte records with one key:
// the first `keyLength` bytes. The status.
int CreateKeyedFile(const std::string& path, int recordLength, int keyLength);
// Every record of a file in physical order.
std::vector<std::vector<uint8_t>> ReadAll(const std::string& path, int length);

// A program folder with a copy of RAZAVUR (skips the test when the base
// files have not been built), a data folder and, optionally, every data
// file of kinds 1 and 2 created from the key definitions.
class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Points the session at the folders (program, data, base).
    void UseFolders(const std::string& data, const std::string& base);
    // Creates every data file of kinds 1 and 2 in the data folder.
    void CreateCompany();
    // A settings record of the store's general file (key at 0, 16 bytes).
    void PutSettings(const void* record, int length);

    const std::string& program() const { return program_; }
    const std::string& data() const { return data_; }
    const std::string& base() const { return base_; }
    std::string scratch() const { return scratch_.path(); }
    std::string DataPath(const char* name) const { return data_ + "/" + name; }

private:
    ScratchFolder scratch_{"catalogue"};
    std::string program_;
    std::string data_;
    std::string base_;
};

// A catalogue test whose company folder holds every data file from the
// start.
class CompanyCatalogueTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        if (IsSkipped())
            return;
        CreateCompany();
    }
};

}  // namespace cattest
