/* bwps/records/code_fields.h: where each data file keeps a customer,
 * product or service code, for the replacement of a code in every file that
 * holds it. One row per file: the code field (and a second one where a
 * record holds two), the field shown while the file is walked, the code
 * kinds that use the row and how the file is walked. */
#ifndef BWPS_RECORDS_CODE_FIELDS_H
#define BWPS_RECORDS_CODE_FIELDS_H

#include <cstddef>
#include <cstdint>

#include "bwps/files.h"
#include "bwps/records/addresses.h"
#include "bwps/records/masters.h"
#include "bwps/records/open_invoices.h"
#include "bwps/records/options.h"
#include "bwps/records/promotions.h"
#include "bwps/records/sales.h"

namespace bwps::records {

// The kinds of code a row serves.
enum CodeKinds : uint8_t {
    kCustomerCodes = 1,  // customers (the customer table) or products (the item table)
    kServiceCodes = 2,   // services (the item table)
    kItemCodes = 3       // products and services
};

enum class CodeWalk : uint8_t {
    Scan,          // every record; the code compared ignoring case
    Keyed,         // key 0 begins with the code; compared exactly
    Rekey,         // the one record under the code: inserted anew, the old one deleted
    TwoFields,     // every record, both code fields
    KeyedThenScan, // keyed on the first field, then a scan of the second
    SalesLines     // a scan, then the register detail files
};

struct CodeField {
    FileNo file;
    int16_t offset;       // the code
    int16_t second;       // a second code field, or -1
    int16_t shown;        // the field shown while walking (-1: the code)
    uint8_t kinds;
    CodeWalk walk;
};

// Customer codes: the customer's code width is 11 bytes.
inline constexpr CodeField kCustomerCodeFields[] = {
    {FileNo::CustomerAddresses, 0, -1, -1, kCustomerCodes, CodeWalk::Keyed},
    {FileNo::ReceivablesOpenItems, 0, -1, 11, kCustomerCodes, CodeWalk::Scan},
    {FileNo::ReceivablesTransactions, 11, -1, 0, kCustomerCodes, CodeWalk::Scan},
    {FileNo::AccountingSalesDetail, 90, -1, 1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::AccountingSalesHeader, 16, -1, 1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::RecurringDetail, 90, -1, 1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::RecurringHeader, 16, -1, 1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::BackOrders, 67, -1, 0, kCustomerCodes, CodeWalk::Scan},
    {FileNo::AccountingSalesLines, 77, -1, 1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::CustomerHistoryDetail, 0, -1, -1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::CustomerHistorySummary, 0, -1, -1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::LayawayHeader, 11, -1, 0, kCustomerCodes, CodeWalk::Scan},
    {FileNo::SalesHeader, 20, -1, 0, kCustomerCodes, CodeWalk::Scan},  // 309 for type 3
    {FileNo::QuoteHeader, 20, -1, 0, kCustomerCodes, CodeWalk::Scan},
    {FileNo::CheckRegister, 37, -1, 11, kCustomerCodes, CodeWalk::Scan},
    {FileNo::ChargeDetail, 67, -1, 7, kCustomerCodes, CodeWalk::Scan},
    {FileNo::ChargeHeader, 51, -1, 7, kCustomerCodes, CodeWalk::Scan},  // only kinds C and G at 86
    {FileNo::RecurringChargeDetail, 67, -1, 0, kCustomerCodes, CodeWalk::Scan},
    {FileNo::RecurringChargeHeader, 51, -1, 0, kCustomerCodes, CodeWalk::Scan},
    {FileNo::SerialDetail, 49, -1, 15, kCustomerCodes, CodeWalk::Scan},
    {FileNo::CustomerStatistics, 0, -1, 0, kCustomerCodes, CodeWalk::Keyed},
    {FileNo::CustomerFields, 0, -1, -1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::ReceivablesOpenHeaders, 0, -1, 11, kCustomerCodes, CodeWalk::Scan},
    // the promotion's customer lines
    {FileNo::PromotionCustomers, 13, -1, 0, kCustomerCodes, CodeWalk::Scan},
};

// Product and service codes: 15 bytes.
inline constexpr CodeField kItemCodeFields[] = {
    {FileNo::Assemblies, 0, 17, -1, kItemCodes, CodeWalk::TwoFields},
    {FileNo::AssemblyDetail, 13, -1, 0, kItemCodes, CodeWalk::Scan},
    {FileNo::AssemblyHeader, 11, -1, 0, kCustomerCodes, CodeWalk::Scan},
    {FileNo::AccountingSalesDetail, 28, -1, 1, kItemCodes, CodeWalk::Scan},
    {FileNo::RecurringDetail, 28, -1, 1, kItemCodes, CodeWalk::Scan},
    {FileNo::BackOrders, 11, -1, 0, kCustomerCodes, CodeWalk::Scan},
    {FileNo::AccountingSalesLines, 15, -1, 1, kItemCodes, CodeWalk::Scan},
    {FileNo::SerialNumbers, 0, -1, 15, kItemCodes, CodeWalk::Scan},
    {FileNo::SerialDetail, 0, -1, 15, kItemCodes, CodeWalk::Scan},
    {FileNo::PhysicalCount, 0, -1, -1, kCustomerCodes, CodeWalk::Rekey},
    {FileNo::PurchaseOrderDetail, 28, -1, 1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::LayawayDetail, 12, -1, 0, kItemCodes, CodeWalk::Scan},
    {FileNo::SalesDetail, 22, -1, 0, kItemCodes, CodeWalk::SalesLines},
    {FileNo::QuoteDetail, 22, -1, 0, kItemCodes, CodeWalk::Scan},
    {FileNo::PromotionHeader, 20, 35, 0, kCustomerCodes, CodeWalk::TwoFields},
    {FileNo::PromotionProducts, 13, -1, 0, kCustomerCodes, CodeWalk::Scan},
    {FileNo::ProductHistory, 0, -1, -1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::ServiceHistory, 0, -1, -1, kServiceCodes, CodeWalk::Scan},
    {FileNo::PurchaseDetail, 28, -1, 1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::ProductActivity, 0, -1, 0, kCustomerCodes, CodeWalk::Keyed},
    {FileNo::ItemDetails, 0, -1, 0, kItemCodes, CodeWalk::Keyed},
    {FileNo::ProductFields, 0, -1, -1, kCustomerCodes, CodeWalk::Scan},
    {FileNo::ServiceFields, 0, -1, -1, kServiceCodes, CodeWalk::Scan},
    {FileNo::AlternateProducts, 0, 17, 0, kCustomerCodes, CodeWalk::KeyedThenScan},
    // the product's picture file record
    {FileNo::ProductPictures, 0, -1, -1, kCustomerCodes, CodeWalk::Keyed},
};

// The sales header of a type-3 document keeps its customer at 309.
inline constexpr uint8_t kSecondCustomerDocument = 3;
inline constexpr int kChargeHeaderKind = 86;  // BPOSCHTH.DB: the header's kind letter
// The register detail files: lines of the sales-detail layout.
inline constexpr int kRegisterLineLength = static_cast<int>(sizeof(TagSalesDetail));
inline constexpr int kRegisterLineCode = static_cast<int>(offsetof(TagSalesDetail, ItemCode));
// The two related product codes of a product record (15 bytes each).
inline constexpr int kProductReference1 = 180;
inline constexpr int kProductReference2 = 195;

static_assert(offsetof(TagSalesHdr, CustomerNo) == 20 && offsetof(TagSalesHdr, LayawayCustomer) == 309 &&
                  offsetof(TagSalesHdr, Type) == 11,
              "sales header codes");
static_assert(offsetof(TagSalesDetail, ItemCode) == 22 && sizeof(TagSalesDetail) == 182, "sales line code");
static_assert(offsetof(TagOpenInvoice, Customer) == 0, "open item customer");
static_assert(offsetof(TagOpenInvoiceHdr, Customer) == 0, "open invoice header customer");
static_assert(offsetof(TagAltAddress, Customer) == 0, "address customer");
static_assert(offsetof(TagCustomerStatistics, Code) == 0, "customer statistics code");
static_assert(offsetof(PromotionHeaderRecord, ProductFirst) == 20 && offsetof(PromotionHeaderRecord, ProductLast) == 35,
              "promotion product range");
static_assert(offsetof(PromotionProductLine, Code) == 13, "promotion product line code");
static_assert(offsetof(PromotionCustomerLine, Customer) == 13, "promotion customer line code");

}  // namespace bwps::records

#endif
