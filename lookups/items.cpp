// Pick lists over master items (and, from a master item, its products)
// and over serial numbers.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "bwps/ordinals.h"
#include "bwps/records/items.h"
#include "bwps/records/products.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using namespace bwps::lookups;
using bwps::FileNo;

namespace {

constexpr int kMasterCodeColumn = 81;  // the product's master item
constexpr int kMasterItemKey = 5;      // products by master item
constexpr int kAvailableColumn = 3;    // serial numbers: in stock
constexpr int kAvailableKey = 1;

// the product list of the master item under the cursor
uint16_t g_productHandle = 0;
void* g_productRecord = nullptr;
char g_masterCode[sizeof(TagMasterItem::Code)];
char g_serialStatus[2];
char g_caption[96];

int OpenProducts(TagLookUp* lookup)
{
    if (lookup == nullptr || lookup->Data == nullptr || lookup->Data->Record == nullptr)
        return 0;
    std::memcpy(g_masterCode, lookup->Data->Record, sizeof g_masterCode);
    return FlyMItem("", 0, g_productHandle, g_productRecord, 4, 19, 13, 80, nullptr);
}

}  // namespace

int FlyMItem(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
             uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    Settings s;
    s.file = FileNo::Products;
    s.recordLength = sizeof(TagProduct);
    s.titleId = 297;
    char title[65] = {};
    FxLoadString(s.titleId, sizeof title, title);
    std::snprintf(g_caption, sizeof g_caption, "%s - FlyMItem", title);
    s.captionText = g_caption;
    s.columns = {1, 82, 2, 39, 31, 8, 26, 33, 34, 45, 46, 48};
    s.key = kMasterItemKey;
    s.lastPickType = LOOKUP_PRODUCTS;
    s.lastPickDescription = offsetof(TagProduct, Description);
    s.stays = Stays::UnlessRestore;
    Call c{startText, restorePosition, handle, record, row, column, height, width, keyHandler};
    c.filterColumn = kMasterCodeColumn;
    c.filterValue = g_masterCode;
    return RunStandard(s, c);
}

int FlyMasterItems(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                   uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler, char pickProduct,
                   uint16_t productHandle, void* productRecord)
{
    if (pickProduct) {
        if (productRecord == nullptr)
            return 32;
        g_productHandle = productHandle;
        g_productRecord = productRecord;
    }
    Settings s;
    s.file = FileNo::MasterItems;
    s.recordLength = sizeof(TagMasterItem);
    s.titleId = 504;
    s.columns = {1, 2, 37, 31, 8, 26, 33, 34, 5};
    s.key = 0;
    s.libraryReaders = true;
    if (pickProduct)
        s.rowAction = OpenProducts;
    s.lastPickType = LOOKUP_MASTER_ITEMS;
    s.lastPickDescription = offsetof(TagMasterItem, Description);
    s.stays = Stays::UnlessRestore;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, keyHandler});
}

int FlySerialNumbers(const char* startText, int restorePosition, uint16_t handle, void* record, char status,
                     uint16_t row, uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    g_serialStatus[0] = status;
    g_serialStatus[1] = '\0';
    Settings s;
    s.file = FileNo::SerialNumbers;
    s.recordLength = sizeof(TagSerialNumber);
    s.titleId = 359;
    s.startType = LOOKUP_SERIAL_NUMBERS;
    s.columns = {kCodeColumn, kDescriptionColumn};
    s.shiftF9 = Switch::Removed;
    s.lastPickType = LOOKUP_SERIAL_NUMBERS;
    s.lastPickDescription = offsetof(TagSerialNumber, Serial);
    s.stays = Stays::Always;
    Call c{startText, restorePosition, handle, record, row, column, height, width, keyHandler};
    if (status != 'L') {
        s.key = kAvailableKey;
        c.filterColumn = kAvailableColumn;
        c.filterValue = g_serialStatus;
    }
    return RunStandard(s, c);
}

void bwps::lookups::ResetItems()
{
    g_productHandle = 0;
    g_productRecord = nullptr;
    std::memset(g_masterCode, 0, sizeof g_masterCode);
    std::memset(g_serialStatus, 0, sizeof g_serialStatus);
    std::memset(g_caption, 0, sizeof g_caption);
}

BWPS_ORDINAL(697, FlySerialNumbers);
BWPS_ORDINAL(3120, FlyMasterItems);
