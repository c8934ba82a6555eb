// Pick lists over services, billing codes, price breaks, ship-via codes
// and weight units.
#include <cstddef>
#include <cstring>
#include <vector>

#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/items.h"
#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using namespace bwps::lookups;
using bwps::FileNo;

namespace {

constexpr int kServiceStatusColumn = 26;
const char kActive = 'A';

}  // namespace

int FlyServices(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler, char activeOnly)
{
    Settings s;
    s.file = FileNo::Services;
    s.recordLength = sizeof(ServiceRecord);
    s.titleId = 298;
    s.startType = LOOKUP_SERVICES;
    s.columns = {kCodeColumn, kDescriptionColumn, 3, 14, 8, 12};
    s.lastPickType = LOOKUP_SERVICES;
    s.lastPickDescription = offsetof(ServiceRecord, Description);
    s.stays = Stays::Always;
    Call c{startText, restorePosition, handle, record, row, column, height, width, keyHandler};
    if (activeOnly) {
        c.filterColumn = kServiceStatusColumn;
        c.filterValue = &kActive;
        c.sortIndex = true;
    }
    return RunStandard(s, c);
}

int FlyBillingCodes(const char* startText, int fileId, int restorePosition, uint16_t handle, void* record,
                    uint16_t row, uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    const bool first = fileId == bwps::No(FileNo::BillingCodes);
    Settings s;
    s.file = static_cast<FileNo>(fileId);
    s.recordLength = sizeof(BillingCodeRecord);
    s.titleId = first ? 350 : 351;
    s.startType = first ? LOOKUP_BILLING_CODES : LOOKUP_BILLING_CODES2;
    s.columns = {kCodeColumn, kDescriptionColumn, 3, 9, 6, 7};
    s.libraryReaders = true;
    s.f8f9 = keyHandler != nullptr ? Keys::Handler : Keys::NullHandler;
    s.lastPickType = s.startType;
    s.lastPickDescription = offsetof(BillingCodeRecord, Description);
    s.stays = Stays::Always;
    Call c{startText, restorePosition, handle, record, row, column, height, width, keyHandler};
    c.columnFile = FileNo::BillingCodes;
    return RunStandard(s, c);
}

int FlyPriceBreaks(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                   uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    Settings s;
    s.file = FileNo::PriceBook;
    s.recordLength = sizeof(PriceBreakRecord);
    s.titleId = 349;
    s.startType = LOOKUP_PRICE_BREAKS;
    s.columns = {kCodeColumn, kDescriptionColumn, 14, 15};
    s.libraryReaders = true;
    s.lastPickType = LOOKUP_PRICE_BREAKS;
    s.lastPickDescription = offsetof(PriceBreakRecord, Description);
    s.stays = Stays::Always;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, keyHandler});
}

int FlyShipVia(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
               uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    Settings s;
    s.file = FileNo::ShipVia;
    s.recordLength = sizeof(ShipViaRecord);
    s.titleId = 516;
    s.startType = LOOKUP_SHIP_VIA;
    s.columns = {kCodeColumn, kDescriptionColumn, 3, 4};
    s.libraryReaders = true;
    s.shiftF9 = Switch::Left;
    s.lastPickType = LOOKUP_SHIP_VIA;
    s.lastPickDescription = offsetof(ShipViaRecord, Description);
    s.stays = Stays::Always;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, keyHandler});
}

extern "C" int FlyWUCodes(const char* startText, int fileId, int restorePosition, uint16_t handle, void* record,
                          uint16_t row, uint16_t column, uint16_t height, uint16_t width)
{
    Settings s;
    s.file = fileId > 0 ? static_cast<FileNo>(fileId) : FileNo::Units;
    s.recordLength = sizeof(WeightUnitRecord);
    s.titleId = 524;
    s.startType = LOOKUP_WEIGHT_UNITS;
    s.columns = {kCodeColumn, kDescriptionColumn, 3, 4};
    s.libraryReaders = true;
    s.f8f9 = Keys::NullHandler;
    s.lastPickType = LOOKUP_WEIGHT_UNITS;
    s.lastPickDescription = offsetof(WeightUnitRecord, description);
    s.stays = Stays::Always;
    Call c{startText, restorePosition, handle, record, row, column, height, width, nullptr};
    c.columnFile = FileNo::Units;
    return RunStandard(s, c);
}

// ---- the transactions of one product

namespace {

char g_productCode[64];

constexpr size_t kCodeLength = sizeof(TagProductActivity::Code);

bool OfTheProduct(const void* record)
{
    return std::strncmp(static_cast<const char*>(record), g_productCode, kCodeLength) == 0;
}

// Rows of the product's transactions only: a step out of them goes back
// and answers the end of the list.
int ProductTransactionRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    const int move = static_cast<int>(d->Move);
    std::vector<uint8_t> work(d->RecordLength, 0);
    int st;
    if (move == LK_MOVE_NEXT || move == LK_MOVE_PREVIOUS) {
        st = BtrGet(move, d->Handle, d->KeyBuffer, work.data(), d->RecordLength);
        if (st == 0 && OfTheProduct(work.data())) {
            std::memcpy(d->Record, work.data(), d->RecordLength);
            return 0;
        }
        if (st != 0 && st != B_END_OF_FILE) {
            ReportRecordManagerError(st, 1, move, d->FileId, 0);
            return st;
        }
        if (st == 0)
            BtrGet(move == LK_MOVE_NEXT ? B_GET_PREVIOUS : B_GET_NEXT, d->Handle, d->KeyBuffer, work.data(),
                   d->RecordLength);
        return B_END_OF_FILE;
    }
    if (move != LK_MOVE_FIRST && move != LK_MOVE_LAST)
        return B_INVALID_OPERATION;
    std::memset(d->KeyBuffer, 0, sizeof d->KeyBuffer);
    std::memcpy(d->KeyBuffer, g_productCode, kCodeLength);
    if (move == LK_MOVE_LAST)
        d->KeyBuffer[kCodeLength - 1] = static_cast<char>(d->KeyBuffer[kCodeLength - 1] + 1);
    st = BtrGet(B_GET_GE, d->Handle, d->KeyBuffer, work.data(), d->RecordLength);
    if (move == LK_MOVE_LAST) {
        if (st == 0)
            st = BtrGet(B_GET_PREVIOUS, d->Handle, d->KeyBuffer, work.data(), d->RecordLength);
        else if (st == B_END_OF_FILE)
            st = BtrGet(B_GET_LAST, d->Handle, d->KeyBuffer, work.data(), d->RecordLength);
    }
    if (st == B_END_OF_FILE)
        return st;
    if (st != 0) {
        ReportRecordManagerError(st, 1, B_GET_GE, d->FileId, 0);
        return st;
    }
    if (!OfTheProduct(work.data()))
        return B_END_OF_FILE;
    std::memcpy(d->Record, work.data(), d->RecordLength);
    return 0;
}

}  // namespace

int FlyProdTrans(const char* productCode, int restorePosition, uint16_t handle, void* record, uint16_t row,
                 uint16_t column, uint16_t height, uint16_t width)
{
    std::memset(g_productCode, 0, sizeof g_productCode);
    const bool one = productCode != nullptr;
    if (one)
        std::strncpy(g_productCode, productCode, kCodeLength - 1);
    Settings s;
    s.file = FileNo::ProductActivity;
    s.recordLength = sizeof(TagProductActivity);
    s.titleId = 449;
    s.columns = {1, 5, 7, 9, 10, 12, 13, 14};
    s.key = 0;
    s.libraryReaders = true;
    if (one)
        s.rowReader = ProductTransactionRow;
    s.f8f9 = Keys::Removed;
    s.stays = Stays::UnlessRestore;
    Call c{one ? g_productCode : nullptr, restorePosition, handle, record, row, column, height, width, nullptr};
    if (one) {
        c.filterColumn = 1;
        c.filterValue = g_productCode;
    }
    return RunStandard(s, c);
}

// ---- promotional prices

int DocumentKeyText(TagLookUp* lookup)
{
    if (lookup == nullptr || lookup->Data == nullptr || lookup->Columns == nullptr)
        return 0;
    TagLookUpData* d = lookup->Data;
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER, 0);
    const auto* segment = static_cast<const uint8_t*>(BtrGetKeyInfo(d->Handle, stat.data(), d->KeyNumber));
    if (segment == nullptr)
        return 0;
    uint16_t position = 0;
    std::memcpy(&position, segment, 2);
    if (lookup->Columns[0].Offset == static_cast<int32_t>(position) - 1)
        FxRightAlignNumber(d->KeyBuffer, 10);
    return 0;
}

int FlyPromoPrices(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                   uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    Settings s;
    s.file = FileNo::PromotionHeader;
    s.recordLength = sizeof(PromotionHeaderRecord);
    s.titleId = 302;
    s.startType = LOOKUP_PROMOTIONS;
    s.documentStart = true;
    s.columns = {kCodeColumn, kDescriptionColumn, 2, 3, 11};
    s.libraryReaders = true;
    s.keyText = DocumentKeyText;
    s.lastPickType = LOOKUP_PROMOTIONS;
    s.lastPickDescription = offsetof(PromotionHeaderRecord, Description);
    s.stays = Stays::UnlessRestore;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, keyHandler});
}

BWPS_ORDINAL(667, FlyBillingCodes);
BWPS_ORDINAL(689, FlyPriceBreaks);
BWPS_ORDINAL(691, FlyProdTrans);
BWPS_ORDINAL(692, FlyPromoPrices);
BWPS_ORDINAL(696, FlyServices);
BWPS_ORDINAL(6235, FlyWUCodes);
