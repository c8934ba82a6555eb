// A stored ledger transaction kept in memory while it is replaced, so that
// a replacement that fails leaves it as it was.
#ifndef BWPS_POSTING_LEDGER_INTERNAL_H
#define BWPS_POSTING_LEDGER_INTERNAL_H

#include <vector>

#include "bwps/records/ledger.h"
#include "bwps/table.h"

namespace bwps::posting {

struct SavedTransaction {
    bool present = false;
    TagGLHeader header{};
    std::vector<TagLedgerDetail> lines;
};

// Reads the transaction stored under journal and number (absent: present
// stays false).
Status SaveStoredTransaction(uint16_t headers, uint16_t lines, const TagLedgerKey& key,
                             SavedTransaction& out);
// After an aborted replacement: when the stored header is not the saved
// one, whatever is stored under the key is removed and the saved
// transaction is written back.
Status RestoreStoredTransaction(uint16_t headers, uint16_t lines, const TagLedgerKey& key,
                                const SavedTransaction& saved);

}  // namespace bwps::posting

#endif
