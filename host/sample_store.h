// The demo's sample store: a chart of accounts, a tax code, products, a
// service, a billing code, a customer with an open invoice, and one day of
// sales stored as the register program stores them; and the summary of
// the books that the demo prints after posting.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bwps/files.h"

namespace host {

// The path of a data file of the open company.
using FilePath = std::function<std::string(bwps::FileNo)>;

// Adds the sample store's records and its day of sales dated `day` (the
// lines of one sale only in the detail file of register 1, written into
// `dataFolder`, the register entered in the register file). False with the reason when a record cannot be written.
bool AddSampleStore(const FilePath& path, const std::string& dataFolder, int32_t day,
                    std::string& error);

// Adds `count` cash sales dated `day` of five product lines each (invoice
// numbers from 2000000001), for measuring the posting. False with the
// reason when a record cannot be written.
bool AddManySales(const FilePath& path, int32_t day, int count, std::string& error);

// Turns the company's card interface on ("0sysinterface  " byte 81 'Y')
// and makes its authorizer folder `dataFolder`/authorizer with the
// parameter file the authorizer program's "init" writes. The folder, or
// empty with the reason.
std::string AddCardInterface(const FilePath& path, const std::string& dataFolder,
                             std::string& error);

// True when the company already holds sales.
bool HasSales(const FilePath& path);

// Prints the sales (posted or not), the run ledger transactions with their
// lines, the trial balance of the chart and the open invoices by customer.
void PrintBooks(const FilePath& path);
// The trial balance and the customers' open invoices as printed lines.
std::vector<std::string> TrialBalanceLines(const FilePath& path);
std::vector<std::string> OpenInvoiceLines(const FilePath& path);

}  // namespace host
