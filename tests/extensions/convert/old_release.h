// Companies of older releases written by the tests from the record layouts
// of those releases: a current company is made first, then every file that
// the release kept in another layout is written again with that release's
// record length and a few records, its settings records are given their
// older lengths and its version record or stamp says the release.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bwps/files.h"

namespace convtest {

// Record length of the files each code kept in another layout, and of the
// settings records of its general file.
int OldLength(int code, bwps::FileNo file);

// Writes the data set of `code` (10 to 15) over the current company in the
// folder. The session's base folder gives the key definitions.
void MakeOldRelease(const std::string& folder, int code);

// Replaces a data file by an empty one of the given record length with the
// keys of the current layout that fit it; then inserts the records.
void WriteOldFile(const std::string& folder, bwps::FileNo file, int length,
                  const std::vector<std::vector<uint8_t>>& records);

// The two records each old file gets: distinct byte patterns whose texts
// end in zero bytes, with the bytes the expectations look at set.
std::vector<std::vector<uint8_t>> SampleRecords(int code, bwps::FileNo file, int length);

// Every record of a data file in physical order (read at `length`).
std::vector<std::vector<uint8_t>> ReadRecords(const std::string& path, int length);
int RecordLengthOf(const std::string& path);
// A settings record of the folder's general file and its length; empty when
// it cannot be read.
std::vector<uint8_t> ReadSettingRecord(const std::string& folder, const char* key16);

std::string PathOf(const std::string& folder, bwps::FileNo file);

}  // namespace convtest
