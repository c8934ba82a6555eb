// bwps/records/sizes.h: every record struct of a catalogued data file with
// its file. The base-files builder holds each against its catalogue row at
// every build, and the record tests against the record manager's view.
#ifndef BWPS_RECORDS_SIZES_H
#define BWPS_RECORDS_SIZES_H

#include <cstddef>

#include "bwps/files.h"
#include "bwps/records/barcode_printers.h"
#include "bwps/records/check_register.h"
#include "bwps/records/company_ids.h"
#include "bwps/records/documents.h"
#include "bwps/records/items.h"
#include "bwps/records/keys.h"
#include "bwps/records/messages.h"
#include "bwps/records/sales.h"
#include "bwps/records/stations.h"
#include "bwps/records/users.h"

namespace bwps::records {

struct RecordSize {
    FileNo file;
    std::size_t size;
    const char* record;
};

// Files whose every record is one struct. The general settings files (31,
// 15) hold records of many lengths under their keys; their catalogue row
// gives the fixed part, the key (16 bytes).
inline constexpr RecordSize kRecordSizes[] = {
    {FileNo::Registers, sizeof(RegisterRecord), "RegisterRecord"},
    {FileNo::RegisterReconciliations, sizeof(RegisterReconRecord), "RegisterReconRecord"},
    {FileNo::SalesHeader, sizeof(TagSalesHdr), "TagSalesHdr"},
    {FileNo::SalesDetail, sizeof(TagSalesDetail), "TagSalesDetail"},
    {FileNo::AccountingSalesLines, sizeof(SalesDetailHistoryRecord), "SalesDetailHistoryRecord"},
    {FileNo::QuoteHeader, sizeof(TagSalesHdr), "TagSalesHdr"},
    {FileNo::QuoteDetail, sizeof(TagSalesDetail), "TagSalesDetail"},
    {FileNo::Units, sizeof(WeightUnitRecord), "WeightUnitRecord"},
    {FileNo::Users, sizeof(UserRecord), "UserRecord"},
    {FileNo::UserWarehouses, sizeof(UserWarehouseRecord), "UserWarehouseRecord"},
    {FileNo::CompanyIds, sizeof(CompanyIdRecord), "CompanyIdRecord"},
    {FileNo::Stations, sizeof(StationRecord), "StationRecord"},
    {FileNo::Printers, sizeof(StationPrinterEntry), "StationPrinterEntry"},
    {FileNo::KeyDefinitions, sizeof(TagKeyDefinition), "TagKeyDefinition"},
    {FileNo::MenuRights, sizeof(SecuredFunctionRecord), "SecuredFunctionRecord"},
    {FileNo::CashRegisters, sizeof(CashRegisterRecord), "CashRegisterRecord"},
    {FileNo::CheckRegister, sizeof(TagCheckRegister), "TagCheckRegister"},
    {FileNo::BarcodePrinters, sizeof(BarcodePrinterRecord), "BarcodePrinterRecord"},
    {FileNo::PurchaseOrderHeader, sizeof(TagAccountingDocument), "TagAccountingDocument"},
};

}  // namespace bwps::records

#endif
