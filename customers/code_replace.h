// The replacement of a customer, product or service code in every file
// that holds it, and the master record re-keyed: all of it or none of it.
//
// Every record-manager write of a run is one transaction. The register
// detail files (flat files "reg*.db" of the data folder, outside the record
// manager) are written as copies beside them before the commit and renamed
// into place after it; a marker file names the run and its copies, and the
// general file's "0replacerun" record, written inside the transaction, says
// whether the run committed. FinishCodeReplacement, at the next opening of
// the company, renames the copies of a committed run into place or removes
// those of a run that did not commit.
#ifndef BWPS_CUSTOMERS_CODE_REPLACE_H
#define BWPS_CUSTOMERS_CODE_REPLACE_H

#include <functional>
#include <string>

#include "bwps/export.h"
#include "bwps/files.h"
#include "bwps/table.h"

namespace bwps::customers {

enum class CodeKind { Customer, Product, Service };

// The kind of the master file: 10 customers, 21 services, anything else
// products.
BWPS_EXPORT CodeKind CodeKindOfFile(int fileNumber);

struct ReplaceOutcome {
    Status status;        // the failed record-manager step (file and operation)
    int message = 0;      // the message shown for a refusal or a flat-file failure (0: none)
    std::string failed;   // the flat file that failed, when one did
    bool Ok() const { return status.Ok() && message == 0; }
};

// Replaces oldCode by newCode. master: the caller's open master file (0:
// opened here). progress, when given, is told the name of each file walked.
// Refusals (an empty or too long new code, one that exists) change nothing.
BWPS_EXPORT ReplaceOutcome ReplaceCode(CodeKind kind, uint16_t master, const std::string& oldCode,
                                       const std::string& newCode,
                                       const std::function<void(const char*)>& progress = {});

// Finishes or undoes the register-file renames of a run that stopped
// between its commit and its end. True when nothing is left to do.
BWPS_EXPORT bool FinishCodeReplacement(const char* dataFolder);

// The marker file's name in the data folder.
inline constexpr const char* kReplaceMarker = "CODEREPL.RUN";

}  // namespace bwps::customers

#endif
