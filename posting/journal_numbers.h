// Drawing a journal's next transaction number (shared by the exported
// journal services).
#ifndef BWPS_POSTING_JOURNAL_NUMBERS_H
#define BWPS_POSTING_JOURNAL_NUMBERS_H

#include "bwps/records/ledger.h"
#include "bwps/table.h"

namespace bwps::posting {

// Reads the journal (a missing one is inserted with counter 0) and gives
// its next number as text right-aligned in 10 characters (11 bytes). With
// `take` the read holds a multiple no-wait lock (retried while another
// station holds it), the counter is advanced and the locks are released.
// The status of the last step, with its operation and file.
Status TakeJournalNumber(Table& journals, const char* code, bool take, char* numberOut,
                         TagJournal& record);

}  // namespace bwps::posting

#endif
