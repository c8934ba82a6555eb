// bwps/conversion.h: the record of a conversion of a company folder while it
// runs, so that a run that stops at any moment (a failure, a kill, a power
// cut of the process) leaves the folder wholly of its old release or wholly
// converted once it is opened again.
//
// The converting process holds the lock file "CVTSTATE.LCK" of the folder for
// the whole run and keeps the state file "CVTSTATE.TXT" (replaced whole at
// each change) that names:
//   - the files the run created that the old data set did not have,
//   - the temporary files of the new layout it is building,
//   - the old files it swapped out, each with the backup name it has until
//     the run is committed.
// The run is committed when the version stamp of the current release stands
// in the folder's general file. A state file found without its process (no
// lock held) is resolved: committed, the backups go (when the old files were
// to be deleted) and the state file goes; otherwise every swapped file is
// put back, the temporary and created files go and the state file goes.
#ifndef BWPS_CONVERSION_H
#define BWPS_CONVERSION_H

#include <string>
#include <utility>
#include <vector>

#include "bwps/export.h"

namespace bwps::conversion {

struct Journal {
    int code = 0;
    bool deleteOld = false;
    std::vector<std::string> created;    // file names in the folder
    std::vector<std::string> temporary;  // file names in the folder
    std::vector<std::pair<std::string, std::string>> swapped;  // name, backup name
};

// What ResolvePending did.
enum class Pending { None, Finished, Undone, Busy };

// Holds the folder's conversion lock while it lives.
class BWPS_EXPORT Lock {
public:
    explicit Lock(const std::string& folder);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    // False when another process (or another lock of this one) holds it.
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Writes the state file whole (a new file renamed over the old one, flushed
// to the disk first). False when it could not be written.
BWPS_EXPORT bool WriteJournal(const std::string& folder, const Journal& journal);
BWPS_EXPORT bool ReadJournal(const std::string& folder, Journal& journal);
BWPS_EXPORT bool JournalExists(const std::string& folder);

// Puts the folder back as the journal says it was (the caller holds the
// lock) and removes the journal.
BWPS_EXPORT void UndoConversion(const std::string& folder, const Journal& journal);
// Removes what a committed run no longer needs and the journal.
BWPS_EXPORT void CommitConversion(const std::string& folder, const Journal& journal);
// True when the folder's general file carries the current version stamp.
BWPS_EXPORT bool CurrentStampInFolder(const std::string& folder);

// Moves a data file and its database log (a missing log is fine); false
// when the file itself could not be moved.
BWPS_EXPORT bool MoveDataFile(const std::string& from, const std::string& to);
// Removes a data file and its database log and shared-memory files.
BWPS_EXPORT void RemoveDataFile(const std::string& path);

// Finishes or undoes a conversion that stopped without its process; Busy
// while another process converts the folder.
BWPS_EXPORT Pending ResolvePending(const std::string& folder);

}  // namespace bwps::conversion

#endif
