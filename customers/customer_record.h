// The customer record's rules shared by the customer editor, the default
// customer editor and their tests: the new record, the defaults a new
// record takes over, history, open invoices, automatic numbers.
#ifndef BWPS_CUSTOMERS_CUSTOMER_RECORD_H
#define BWPS_CUSTOMERS_CUSTOMER_RECORD_H

#include <cstdint>
#include <string>

#include "bwps/export.h"
#include "bwps/files.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/table.h"
#include "lookup.h"

namespace bwps::customers {

// The customer half of "0Defaults": a whole customer image after the key,
// the product half after it.
constexpr size_t kDefaultsCustomerOffset = offsetof(TagDefaults, reserved16);
static_assert(kDefaultsCustomerOffset == GENERAL_KEY_SIZE &&
                  kDefaultsCustomerOffset + sizeof(CustomerRecord) == offsetof(TagDefaults, Product),
              "the customer image fills the defaults up to the product image");
static_assert(sizeof(TagDefaults) == 1479, "0Defaults");

// All bytes 0, then price level N, account type O, flags Y and N, active.
BWPS_EXPORT void InitCustomer(CustomerRecord& record);
// Copies the listed fields of the defaults into the record; of telephone 1
// only its area code, into all three telephones.
BWPS_EXPORT void TakeOverDefaults(CustomerRecord& record, const CustomerRecord& defaults);
// Slots 0-2 of any history array not zero.
BWPS_EXPORT bool HasHistory(const CustomerRecord& record);
// Running amounts or balance not zero.
BWPS_EXPORT bool HasAmounts(const CustomerRecord& record);
// An open invoice of this code in the open-invoice file (the handle's).
// A read failure other than "none" is reported and counts as an invoice.
BWPS_EXPORT bool HasOpenInvoice(Table& openInvoices, const std::string& code);
// The customer defaults: the image of "0Defaults" (a new record when it
// cannot be read), its receivables account replaced by the one of
// "0Interface": the store's record, else the interface accounts in force
// (the built-in ones of a stand-alone store, the accounting company's when
// interfaced); blank only when neither can be read.
BWPS_EXPORT CustomerRecord ReadCustomerDefaults(Table& general);
// Takes the next customer number from "0lastnumbers" under lock; false
// when a step failed (reported with the general file).
BWPS_EXPORT bool TakeCustomerNumber(Table& general, std::string* code);

// The editor on the customer (10) or vendor (30) file; nested with the
// calling pick list.
BWPS_EXPORT int EditCustomerFile(FileNo file, TagLookUp* caller);

}  // namespace bwps::customers

#endif
