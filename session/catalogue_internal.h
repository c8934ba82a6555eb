// Helpers shared by the catalogue, settings, versions and company-id code.
#ifndef BWPS_SESSION_CATALOGUE_INTERNAL_H
#define BWPS_SESSION_CATALOGUE_INTERNAL_H

#include <cstddef>
#include <cstdint>

namespace bwps::catalogue {

// out := a + b (+ c), cut to fit `size` bytes, always terminated.
void Concat(char* out, size_t size, const char* a, const char* b, const char* c = nullptr);

// A progress window of the framework, opened by screen name with a number
// of steps; all calls are harmless when no window could be opened.
class Progress {
public:
    Progress(const char* screenName, int steps);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void Step();

private:
    intptr_t window_ = 0;
    int count_ = 0;
};

// Today as year x 10000 + month x 100 + day.
int32_t Today();

// Record length of an open file from its statistics; -1 on failure (status
// in *status when given).
int32_t StatRecordLength(uint16_t handle, int* status);
// Record count of an open file from its statistics; -1 on failure.
int32_t StatRecordCount(uint16_t handle, int* status);

// Moves a file; copies and removes it when a rename is refused. True when
// moved.
bool MoveFile(const char* from, const char* to);

// Creates a data file from its key definitions: opens the key file (a
// failure to open is reported), creates the file in `folder` (null: where
// the session keeps it) and closes the key file again. The status.
int CreateFromKeyFile(int fileNumber, const char* folder);

// Forgets the kept print settings of the station.
void ResetStationPrintSettings();

}  // namespace bwps::catalogue

#endif
