// The conversion stage of a data-version code: every file of its list is
// built anew beside the old one (the temporary name "<name>.TMP"), record
// by record through the record manager, and only when every file of the
// list was built are the old files swapped out under their backup names
// and the new ones renamed to the file names. The swaps are recorded in the
// folder's conversion journal (bwps/conversion.h) before they start.
#pragma once

#include <string>
#include <vector>

#include "bwps/conversion.h"
#include "bwps/table.h"
#include "fx.h"

namespace bwps1::convert {

// The progress window of a conversion: the file being converted, the count
// of its records, one step per file built and per file swapped.
class StageProgress {
public:
    explicit StageProgress(FxStatus* window) : window_(window) {}
    void Step();
    void File(const char* name);
    void Records(int32_t count, bool last);
    // True when the user pressed Esc at the terminal since the last call.
    bool Cancelled();

private:
    FxStatus* window_;
    int steps_ = 0;
    std::string file_;
};

// Checks, before anything is touched, that every file of the stage is in
// the folder, is a record-manager file that may be written, and has the
// record length of the code. The files of another length are named in
// *otherLayout (their status is B_INVALID_RECORD_LENGTH); any other failure
// is reported and returned.
bwps::Status CheckStageFiles(const std::string& folder, int code,
                             std::vector<std::string>* otherLayout);

// Builds the temporary files of the stage; on failure they are removed
// again and the folder is as it was. The journal gets their names before
// the first is made.
bwps::Status BuildStage(const std::string& folder, int code, bwps::conversion::Journal& journal,
                        StageProgress& progress);

// Swaps the built files in, recording the swaps in the journal first. On
// failure the caller undoes the journal.
bwps::Status SwapStage(const std::string& folder, int code, bwps::conversion::Journal& journal,
                       StageProgress& progress);

// Temporary and backup names of a data file.
std::string TemporaryName(const std::string& name);
std::string BackupName(const std::string& name, int code);

}  // namespace bwps1::convert
