// A company folder with every data file created from the key definitions,
// for the data-file utilities.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "extensions/utilities/utilities.h"
#include "tests/support/folders.h"

namespace utiltest {

class UtilitiesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string FilePath(int fileNumber) const;
    // Inserts a record; the status.
    int Insert(int fileNumber, const void* record, int length);
    // Every record of the file in physical order (empty when it cannot be
    // opened); *status gets the open status.
    std::vector<std::string> Records(const std::string& path, int* status = nullptr);
    int KeyCount(const std::string& path);
    void Script(const char* text);
    // Loads the built screen resources (strings, text lists, screens).
    void LoadResources();

    bwpstest::ScratchFolder scratch_{"utilities"};
    std::string program_;
    std::string data_;
    std::string savedFolder_;
    UtilityRunContext context_{nullptr};
    int32_t interrupted_ = 0;
};

}  // namespace utiltest
