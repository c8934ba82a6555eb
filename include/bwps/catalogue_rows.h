// bwps/catalogue_rows.h: the data-file catalogue, defined once. Row n is
// file number n: its name in files.h, folder kind, catalogue name, record
// length and page size. The library serves it through GetDataFileEntry;
// the base-files builder holds tools/tables/keys.txt and the record structs
// against it at every build.
#ifndef BWPS_CATALOGUE_ROWS_H
#define BWPS_CATALOGUE_ROWS_H

#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/users.h"

namespace bwps {

struct CatalogueRow {
    FileNo file;
    DataFileEntry entry;
};

// Row 0 is what out-of-range lookups give.
inline constexpr CatalogueRow kCatalogueRows[DATA_FILE_COUNT + 1] = {
    {FileNo::None, {0, nullptr, -1, 0}},
    {FileNo::Accounts, {2, "BPOSACCT.DB", 569, 4096}},
    {FileNo::PayablesOpenItems, {3, "BPOSAPOP.DB", 123, 4096}},
    {FileNo::ReceivablesOpenItems, {2, "BPOSAROP.DB", 123, 4096}},
    {FileNo::Assemblies, {2, "BPOSASSM.DB", 40, 4096}},
    {FileNo::AssemblyDetail, {2, "BPOSASTD.DB", 72, 4096}},
    {FileNo::AssemblyHeader, {2, "BPOSASTH.DB", 70, 4096}},
    {FileNo::BillingCodes, {2, "BPOSBICD.DB", 89, 4096}},
    {FileNo::CheckRegister, {3, "BPOSCHCK.DB", 120, 4096}},
    {FileNo::CustomerAddresses, {2, "BPOSCUSA.DB", 401, 4096}},
    {FileNo::Customers, {2, "BPOSCUST.DB", 795, 4096}},
    {FileNo::Journals, {2, "BPOSGLJL.DB", 11, 4096}},
    {FileNo::LedgerDetail, {2, "BPOSGLTD.DB", 84, 4096}},
    {FileNo::LedgerHeader, {2, "BPOSGLTH.DB", 79, 4096}},
    {FileNo::GeneralAddresses, {3, "BPOSGNRA.DB", 401, 4096}},
    {FileNo::AccountingGeneral, {3, "BPOSGNRL.DB", 16, 4096}},
    {FileNo::MessageCodes, {2, "BPOSMSGS.DB", 130, 4096}},
    {FileNo::PriceBook, {2, "BPOSPRBK.DB", 87, 4096}},
    {FileNo::PhysicalCount, {3, "BPOSPHYS.DB", 24, 4096}},
    {FileNo::PurchaseOrderHeader, {3, "BPOSPOHD.DB", 1311, 4096}},
    {FileNo::Products, {2, "BPOSPROD.DB", 668, 4096}},
    {FileNo::Services, {2, "BPOSSERV.DB", 196, 4096}},
    {FileNo::AccountingSalesLines, {3, "BPOSSLDT.DB", 259, 2560}},
    {FileNo::SerialNumbers, {2, "BPOSSNUM.DB", 57, 4096}},
    {FileNo::SerialDetail, {2, "BPOSSNDT.DB", 69, 4096}},
    {FileNo::Salespersons, {2, "BPOSSPER.DB", 572, 4096}},
    {FileNo::TimeClock, {1, "BPOSSPTM.DB", 73, 4096}},
    {FileNo::Terms, {2, "BPOSTERM.DB", 36, 4096}},
    {FileNo::TaxTable, {2, "BPOSTXTB.DB", 995, 4096}},
    {FileNo::VendorAddresses, {3, "BPOSVENA.DB", 401, 4096}},
    {FileNo::Vendors, {3, "BPOSVEND.DB", 795, 3072}},
    {FileNo::General, {1, "BPOSGNRL.DB", 16, 4096}},
    {FileNo::Registers, {1, "BPOSREGS.DB", 777, 4096}},
    {FileNo::Tenders, {1, "BPOSTEND.DB", 97, 4096}},
    {FileNo::LayawayHeader, {1, "BPOSLAYH.DB", 172, 4096}},
    {FileNo::LayawayDetail, {1, "BPOSLAYD.DB", 97, 4096}},
    {FileNo::SalesHeader, {1, "BPOSINHD.DB", 586, 4096}},
    {FileNo::SalesDetail, {1, "BPOSINDT.DB", 182, 4096}},
    {FileNo::ProductHistory, {1, "BPOSPRHI.DB", 227, 4096}},
    {FileNo::CustomerStatistics, {1, "BPOSCUHI.DB", 223, 4096}},
    {FileNo::CustomerHistoryDetail, {2, "BPOSCUHD.DB", 157, 4096}},
    {FileNo::CustomerHistorySummary, {2, "BPOSCUHS.DB", 125, 4096}},
    {FileNo::QuoteHeader, {1, "BPOSQTEH.DB", 586, 4096}},
    {FileNo::QuoteDetail, {1, "BPOSQTED.DB", 182, 4096}},
    {FileNo::ServiceHistory, {1, "BPOSSERH.DB", 123, 4096}},
    {FileNo::CardTransactions, {1, "BPOSCARD.DB", 185, 4096}},
    {FileNo::PromotionHeader, {1, "BPOSPPHD.DB", 120, 4096}},
    {FileNo::PromotionProducts, {1, "BPOSPPDD.DB", 63, 4096}},
    {FileNo::RegisterReconciliations, {1, "BPOSRSAV.DB", 793, 4096}},
    {FileNo::ReceivablesTransactions, {3, "BPOSARTH.DB", 120, 4096}},
    {FileNo::AccountingSalesHeader, {3, "BPOSINHD.DB", 1311, 4096}},
    {FileNo::AccountingSalesDetail, {3, "BPOSINDT.DB", 260, 4096}},
    {FileNo::RecurringHeader, {3, "BPOSINRH.DB", 1311, 4096}},
    {FileNo::RecurringDetail, {3, "BPOSINRD.DB", 260, 4096}},
    {FileNo::BackOrders, {3, "BPOSBORD.DB", 145, 4096}},
    {FileNo::PurchaseOrderDetail, {3, "BPOSPODT.DB", 260, 4096}},
    {FileNo::PurchaseDetail, {3, "BPOSPURD.DB", 260, 4096}},
    {FileNo::ChargeHeader, {3, "BPOSCHTH.DB", 480, 4096}},
    {FileNo::ChargeDetail, {3, "BPOSCHTD.DB", 108, 4096}},
    {FileNo::RecurringChargeHeader, {3, "BPOSCHRH.DB", 480, 4096}},
    {FileNo::RecurringChargeDetail, {3, "BPOSCHRD.DB", 108, 4096}},
    {FileNo::Users, {1, "BPOSGEN3.DB", 231, 4096}},
    {FileNo::ItemDetails, {2, "BPOSITMD.DB", 64, 4096}},
    {FileNo::ProductActivity, {2, "BPOSPRTD.DB", 175, 4096}},
    {FileNo::CustomerFields, {2, "BPOSUDFC.DB", 297, 4096}},
    {FileNo::VendorFields, {3, "BPOSUDFV.DB", 297, 4096}},
    {FileNo::ProductFields, {2, "BPOSUDFP.DB", 301, 4096}},
    {FileNo::ServiceFields, {2, "BPOSUDFS.DB", 301, 4096}},
    {FileNo::ShipVia, {2, "BPOSSVIA.DB", 114, 4096}},
    {FileNo::PayablesOpenHeaders, {3, "BPOSAPOH.DB", 124, 4096}},
    {FileNo::ReceivablesOpenHeaders, {2, "BPOSAROH.DB", 124, 4096}},
    {FileNo::Units, {2, "BPOSWUNI.DB", 47, 4096}},
    {FileNo::AlternateProducts, {2, "BPOSPALT.DB", 63, 4096}},
    {FileNo::AuditLog, {2, "BPOSAULG.DB", 71, 4096}},
    {FileNo::ProductPictures, {2, "BPOSPBMP.DB", 535, 4096}},
    {FileNo::PromotionCustomers, {1, "BPOSPPCU.DB", 24, 4096}},
    {FileNo::Warehouses, {2, "BPOSWHSE.DB", 362, 4096}},
    {FileNo::MasterItems, {2, "BPOSMITM.DB", 290, 4096}},
    {FileNo::UserWarehouses, {2, "BPOSGEN4.DB", 19, 4096}},
    {FileNo::QueryHeaders, {4, "BPOSQHED.DB", 169, 4096}},
    {FileNo::QueryColumns, {4, "BPOSQCOL.DB", 222, 4096}},
    {FileNo::ReportHeaders, {4, "BPOSRHED.DB", 149, 4096}},
    {FileNo::ReportTexts, {4, "BPOSRTXT.DB", 21, 4096}},
    {FileNo::QueryExpressions, {4, "BPOSQEXP.DB", 327, 4096}},
    {FileNo::ReportFields, {4, "BPOSRFLD.DB", 121, 4096}},
    {FileNo::CompanyIds, {0, "BPOSCID.DB", 168, 4096}},
    {FileNo::Stations, {0, "BPOSSTN.DB", 1573, 4096}},
    {FileNo::Printers, {0, "BPOSPRN.DB", 119, 4096}},
    {FileNo::KeyDefinitions, {0, "BPOSKEY.DB", 36, 4096}},
    {FileNo::DictionaryColumns, {5, "WBWPOCOL.DB", 130, 4096}},
    {FileNo::Resources1, {0, "WBPSRSC1.DAT", 0, 0}},
    {FileNo::Resources2, {0, "WBPSRSC2.DAT", 0, 0}},
    {FileNo::Resources3, {0, "WBPSRSC3.DAT", 0, 0}},
    {FileNo::Resources4, {0, "WBPSRSC4.DAT", 0, 0}},
    {FileNo::MessageTexts, {0, "WBPSRSC5.DAT", 0, 0}},
    {FileNo::Resources6, {0, "WBPSRSC6.DAT", 0, 0}},
    {FileNo::MenuRights, {0, "BPOSGEN2.DB", 65, 4096}},
    {FileNo::HelpText, {0, "WBPSDTL.HLP", 0, 0}},
    {FileNo::FormVariables, {0, "BPOSVAR.DB", 98, 4096}},
    {FileNo::BarcodePrinters, {0, "BPOSBPRN.DB", 50, 4096}},
    {FileNo::CashRegisters, {0, "BPOSDRWR.DB", 442, 4096}},
};

// The conversion table of bwpos-1: one entry, index -1.
inline constexpr DataFileEntry kConversionFile = {1, "BWPSMMCS.DB", 809, 4096};

constexpr const DataFileEntry& CatalogueEntryOf(FileNo file)
{
    return kCatalogueRows[No(file)].entry;
}
// The record length of the catalogue row (0: not a record-manager file).
constexpr int RecordLengthOf(FileNo file)
{
    return CatalogueEntryOf(file).RecordLength;
}

namespace detail {
constexpr bool RowsInFileOrder()
{
    for (int i = 0; i <= DATA_FILE_COUNT; ++i)
        if (No(kCatalogueRows[i].file) != i)
            return false;
    return true;
}
}  // namespace detail
static_assert(detail::RowsInFileOrder(), "catalogue row n names file number n");

// The file numbers the exported C headers name keep the values of FileNo.
static_assert(KEY_FILE_NUMBER == No(FileNo::KeyDefinitions));
static_assert(GENERAL_FILE_NUMBER == No(FileNo::General));
static_assert(ACCOUNTING_GENERAL_FILE_NUMBER == No(FileNo::AccountingGeneral));
static_assert(COMPANY_ID_FILE_NUMBER == No(FileNo::CompanyIds));
static_assert(MESSAGE_FILE_NUMBER == No(FileNo::MessageTexts));
static_assert(USER_FILE_NUMBER == No(FileNo::Users));
static_assert(SECURED_FUNCTION_FILE_NUMBER == No(FileNo::MenuRights));
static_assert(USER_WAREHOUSE_FILE_NUMBER == No(FileNo::UserWarehouses));

}  // namespace bwps

#endif
