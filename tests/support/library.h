// Helpers of the tests over the libraries: forgetting what they keep between
// calls, and reading and writing record-manager files directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace bwpstest {

// Forgets the record-manager, framework and session state (the framework
// then runs headless with its script driver).
void ResetLibraryState();

// Inserts the record into a record-manager file, or replaces the one with
// the same key 0 (`keyLength` bytes of `key`). The status.
int PutRecord(const std::string& path, const void* key, std::size_t keyLength, const void* record,
              int length);

// Record length, key count, file flags and record count of a data file.
struct FileStat {
    int recordLength = -1;
    int keyCount = -1;
    int flags = 0;
    int64_t records = -1;
};
// False when the file cannot be opened or read.
bool StatFile(const std::string& path, FileStat& out);

}  // namespace bwpstest
