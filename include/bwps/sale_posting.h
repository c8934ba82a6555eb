// bwps/sale_posting.h: a sale's posting as one value.
//
// A SalePosting is built once from one snapshot of the sale: its header,
// its lines and every master record the posting needs, each read once
// (SaleSnapshot keeps what it has read). It holds everything that posting
// the sale changes: the ledger lines with their kinds, each product's
// record as the sale leaves it with the quantity, value and cost of every
// line, the service, customer and tax-code statistics, the history
// buckets, the sales-detail history and product activity records, the open
// invoices as they become posted and the customer-history updates.
// CheckSalePosting looks at the whole before anything is written; the
// posting run and CBaseGL::UpdateFromSalesTran then write it.
#ifndef BWPS_SALE_POSTING_H
#define BWPS_SALE_POSTING_H

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bwps/export.h"
#include "bwps/files.h"
#include "bwps/ledger.h"
#include "bwps/records/accounts.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/records/open_invoices.h"
#include "bwps/records/options.h"
#include "bwps/records/products.h"
#include "bwps/records/sales.h"

namespace bwps {

// The store's settings that a posting follows.
struct SalePostingSettings {
    TagInterfaceRecord interface{};     // "0Interface     ": default accounts
    TagSysInterface sysInterface{};     // "0sysinterface  "
    char bankMode = 'S';                // "0System" byte 29: 'D' each bank payment on its own
    char costMethod = 'A';              // 'S' standard, 'L' last, else average cost
    bool interfaced = false;            // linked to an accounting company
    // A stand-alone store's posting run writes a line to an account that
    // is not on file as it would a detail account's.
    bool unlistedAccounts = false;
    // What only the posting run keeps (a sale posted to the ledger alone
    // leaves them out): the period of the statistics, the sales-detail
    // history and the customer history. The run posts nothing of a void
    // sale.
    bool statistics = false;
    int periodIndex = 0;                // 0-25
    int slot = 2;                       // slot of the period arrays: 4 next year, else 2
    int32_t historyYear = 0;
    bool detailHistory = false;         // "0System" byte 45 'Y'
    bool customerHistory = false;       // "0sysinterface  " word 73 'Y'
};

// The sale and the records of its posting, each read at most once. A
// record not yet held is asked of the reader (status 0 found, 4 not
// found, other statuses a read error); without a reader it is not found.
class BWPS_EXPORT SaleSnapshot {
public:
    using Reader = std::function<int(FileNo file, const std::string& key, void* record, int size)>;

    TagSalesHdr sale{};
    std::vector<TagSalesDetail> lines;
    // The sale's open receivable items (status 'O'), in key order.
    std::vector<TagOpenInvoice> openItems;
    Reader reader;

    // Puts a record in the snapshot (status 0) or marks it absent.
    void Put(FileNo file, const std::string& key, const void* record, int size);
    void PutStatus(FileNo file, const std::string& key, int status);
    // The record of the key: its status, the record copied into `out`.
    int Get(FileNo file, const std::string& key, void* out, int size);
    template <class R>
    int Get(FileNo file, const std::string& key, R& out)
    {
        return Get(file, key, &out, static_cast<int>(sizeof out));
    }
    void PutAccount(const TagAccount& account);
    // An account of the chart by its number (as a line holds it).
    int GetAccount(const char* number, TagAccount& out);
    // How many records were asked of the reader.
    int reads = 0;

private:
    std::map<std::pair<int, std::string>, std::pair<int, std::string>> held_;
};

// The keys the snapshot holds its records under.
BWPS_EXPORT std::string ProductKey(const char* code);      // 15 bytes as the line holds it
BWPS_EXPORT std::string CustomerKey(const char* code);     // 11 bytes
BWPS_EXPORT std::string PaddedKey(const std::string& code, int width);   // blank padded, NUL

// One ledger line of the sale and what it is.
struct SalePostingLine {
    TagLedgerDetail line{};
    CBaseGL::LineKind kind = CBaseGL::LineKind::Summary;
};

// A product line's stock and statistics change.
struct ProductMove {
    std::string code;
    int16_t lineNo = 0;
    double quantity = 0.0;      // the line's quantity (negative returned)
    double amount = 0.0;        // the line's amount
    double cost = 0.0;          // signed: what the stock's value drops by
    double valueBefore = 0.0, valueAfter = 0.0;
    bool stock = false;         // a product kept in stock (kinds 1 and 3)
};

// An amount for a period bucket of a history file.
struct HistoryBucket {
    FileNo file;                // product, service or customer statistics
    std::string code;
    int bucket = 0;
    double amount = 0.0;
    double cost = 0.0;
};

struct SalePosting {
    std::vector<SalePostingLine> ledger;
    double inventoryCredit = 0.0;       // the inventory line's credit (signed)
    std::vector<ProductMove> moves;
    // Records as the sale leaves them, in the order first met.
    std::vector<ProductRecord> products;
    std::vector<TagProductActivity> activity;
    std::vector<ServiceRecord> services;
    bool customerChanged = false;
    CustomerRecord customer{};
    bool taxChanged = false;
    TaxRecord tax{};
    std::vector<HistoryBucket> history;
    std::vector<SalesDetailHistoryRecord> detailHistory;
    // The open items as they are written back: posted, with their
    // precedence letter and, an invoice, the sale's cost.
    std::vector<TagOpenInvoice> openInvoices;
    // Customer history: a numbered record per posted item, and the sale's
    // own history records marked posted.
    std::vector<TagOpenInvoice> customerHistory;
    std::vector<int32_t> historyMarks;
};

// Why a sale cannot be posted.
struct SalePostingError {
    int code = 0;               // GL_ERROR_SALE, GL_ERROR_ACCOUNT
    std::string cause;          // the ledger's text (an account number for GL_ERROR_ACCOUNT)
    std::string runText;        // the posting run's stop text
    int status = 0;             // a read error's status, else 0
    FileNo file = FileNo::SalesHeader;
};

// Builds the posting of snapshot.sale. False with `error` when the sale
// cannot be posted as it stands. A read error is reported where it
// happened (the reader's business).
BWPS_EXPORT bool BuildSalePosting(const SalePostingSettings& settings, SaleSnapshot& snapshot,
                                  SalePosting& out, SalePostingError& error);

// Checks the whole: debits equal credits, every account a detail account
// (a stand-alone store takes an account that is not on file as one), the
// inventory credit equal to the sum of the stock values' drops.
BWPS_EXPORT bool CheckSalePosting(const SalePostingSettings& settings, SaleSnapshot& snapshot,
                                  const SalePosting& posting, SalePostingError& error);

}  // namespace bwps

#endif
