// The posting run: the unposted sales of a period (or through a date) are
// posted to the ledger, the bank register, receivables and statistics.
//
// Every sale is posted in one record-manager transaction: its ledger lines
// (merged into the run's "POS" transaction and rolled up the chart), its
// product and open-invoice updates and its posted mark go in together or
// not at all. A run stopped at any moment (an error, the user, the machine)
// leaves whole sales only, and the next run posts the rest exactly once.
#pragma once

#include <cstdint>
#include <string>

#include "bwps/records/periods.h"
#include "bwps/records/sales.h"

namespace bwps1::posting {

// What a run is asked to do.
struct RunRequest {
    int mode = 2;                // 1: through a date; 2: by period
    int32_t start = 0;           // first date taken
    int32_t through = 0;         // last date taken
    TagPeriodInfo period{};      // the period the amounts are posted in
    char reference[11] = {};     // the run's posting reference
};

// What a run did.
struct RunResult {
    int found = 0;               // unposted sales in the dates
    int posted = 0;              // sales posted by this run
    int linesCopied = 0;         // register lines copied into the sales lines
    bool stopped = false;        // the user stopped it between sales
    bool failed = false;         // a sale could not be posted (shown to the user)
    char journal[8] = {};        // the run's ledger transaction ("POS" and its number)
    char number[11] = {};
};

// The register pass: the lines that registers kept in their own detail
// files are copied into the sales lines (a line already there is skipped),
// each sale's copy in one transaction with its register field set to -1.
// False when a register file cannot be read (shown).
bool CopyAllRegisterLines(const RunRequest& request, RunResult& result);

// The verification sweep: every code the posting of the unposted sales of
// the dates needs (customer, tax, terms, tenders and their accounts,
// products, services, billing codes and their accounts) is looked up
// before anything is written; each fault is shown. True when none was
// found.
bool VerifySales(const RunRequest& request);

// The ledger pass over the unposted sales from request.start to
// request.through. False when a sale could not be posted (the sale is left
// as it was; the message has been shown) or nothing was found (309).
bool PostSales(const RunRequest& request, RunResult& result);

// The number of unposted sales dated before `before` (not void).
int CountUnpostedBefore(int32_t before);

// True when the accounting company holds a document (not an order) dated
// on or before `through` that is neither done with nor posted, or when its
// documents cannot be read (reported). False for a stand-alone store.
bool CheckAccountingPosted(int32_t from, int32_t through);

// The one stop for a sale that cannot be posted: a box naming the invoice
// and the cause, closed with Enter. Always 0.
int ShowPostingFatalError(const char* invoice, const char* format, int32_t argument);

}  // namespace bwps1::posting
