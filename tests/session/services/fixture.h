// Fixture of the services tests: a company with every data file, the
// shipped key definitions, messages and column dictionary, and helpers to
// put records and read them back.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/session/catalogue/fixture.h"

namespace svctest {

class ServicesTest : public cattest::CompanyCatalogueTest {
protected:
    void SetUp() override;

    // Path of a data file of the company by number.
    std::string PathOf(int fileNumber) const;
    // Inserts a record (key 0 = the first `keyLength` bytes replaced).
    void Put(int fileNumber, const void* record, int length, int keyLength);
    // Every record of a file in physical order.
    std::vector<std::vector<uint8_t>> All(int fileNumber, int length) const;
    // Makes the store interfaced with an accounting company folder that
    // holds an empty general file; the folder.
    std::string Interface();
    // Puts a settings record into the accounting company's general file.
    void PutAccounting(const void* record, int length);
    // Turns passwords on (a users file exists in every company).
    void PasswordsOn(bool on);
    std::string Transcript() const;

private:
    std::string accounting_;
};

template <typename T>
T Keyed(const char* key)
{
    T record{};
    std::memcpy(&record, key, 16);
    return record;
}

}  // namespace svctest
