// Built-in interface accounts and their captions, and the station account
// block of the posting side.

#include "bwps/settings.h"
#include "bwps/stations.h"

#include <cstring>

namespace {

struct DefaultAccount {
    const char* account;   // 10 characters, blank padded
    const char* caption;
};

// Rows 1-14 fill "0Interface     " at 17, rows 15-18 the four accounts of
// "0sysinterface  " at 252.
const DefaultAccount kDefaults[18] = {
    {"11021     ", "Cash Acct."},
    {"11051     ", "Acct. Rec."},
    {"          ", ""},
    {"11071     ", "Inventory "},
    {"5101      ", "Cost of Goods Sold"},
    {"4101      ", "Sales"},
    {"4201      ", "Returns "},
    {"          ", ""},
    {"4107      ", "Sales Discounts"},
    {"          ", ""},
    {"33        ", "Current Earnings"},
    {"520116    ", "Direct Cost"},
    {"4501      ", "Freight Revenue"},
    {"2107      ", "AP Suspense"},
    {"4101      ", "Sales"},
    {"2105      ", "Layaway Revenue"},
    {"4105      ", "Layaway Sales"},
    {"21042     ", "Sales Tax"},
};

constexpr int kAccountWidth = 11;
constexpr int kFieldWidth = STATION_FORM_NAME_LEN;

void CopyAccount(char* field, const char* account)
{
    std::memset(field, 0, kAccountWidth);
    std::memcpy(field, account, kAccountWidth - 1);
}

// The set's five 16-byte accounts: set 2 the second, set 3 the third, any
// other value the first.
int SetIndex(int set)
{
    return set == 2 || set == 3 ? set - 1 : 0;
}

}  // namespace

extern "C" {

const char* DefaultInterfaceAccount(int row)
{
    return row >= 1 && row <= 18 ? kDefaults[row - 1].account : nullptr;
}

const char* DefaultInterfaceCaption(int row)
{
    return row >= 1 && row <= 18 ? kDefaults[row - 1].caption : nullptr;
}

void InterfaceRecordDefaults(void* interfaceRecord, TagSysInterface* sysInterface)
{
    if (IsInterfacedToAccounting())
        return;
    if (interfaceRecord) {
        auto* record = static_cast<TagInterfaceRecord*>(interfaceRecord);
        for (int i = 0; i < 14; ++i)
            CopyAccount(record->Accounts[i], kDefaults[i].account);
        record->Flag = 'N';
    }
    if (sysInterface) {
        for (int i = 0; i < 4; ++i)
            CopyAccount(sysInterface->Accounts[i], kDefaults[14 + i].account);
    }
}

int FindInterfaceAccountCaption(char* out, const char* caption)
{
    if (out)
        out[0] = '\0';
    if (!caption || !caption[0])
        return 0;
    for (const DefaultAccount& row : kDefaults) {
        if (row.caption[0] && std::strcmp(row.caption, caption) == 0) {
            if (out)
                std::strcpy(out, row.caption);
            return 1;
        }
    }
    return 0;
}

void CopyInterfaceAccountsToStation(void* work80, void* block336, const void* stationRecord,
                                    int set)
{
    if (!block336 || !stationRecord)
        return;
    const auto* station = static_cast<const StationRecord*>(stationRecord);
    char localWork[STATION_FORMS_PER_SET][kFieldWidth];
    auto* work = work80 ? static_cast<char(*)[kFieldWidth]>(work80) : localWork;
    std::memcpy(work, station->formSets[SetIndex(set)], sizeof localWork);
    TagStationAccounts block;
    std::memset(&block, 0, sizeof block);
    std::memcpy(block.Account1, work[0], kFieldWidth);
    std::memcpy(block.Account2, work[1], kFieldWidth);
    std::memcpy(block.Account3, work[2], kFieldWidth);
    std::memcpy(block.StationField1, station->cardForm, kFieldWidth);
    std::memcpy(block.Account4, work[3], kFieldWidth);
    std::memcpy(block.Account5, work[4], kFieldWidth);
    std::memcpy(block.StationField2, station->productForm, kFieldWidth);
    std::memcpy(block.StationField3, station->labelForm, kFieldWidth);
    std::memcpy(block336, &block, sizeof block);
}

void CopyInterfaceAccountsFromStation(void* stationRecord, const void* block336, int set)
{
    if (!block336 || !stationRecord)
        return;
    auto* station = static_cast<StationRecord*>(stationRecord);
    TagStationAccounts block;
    std::memcpy(&block, block336, sizeof block);
    char(*fields)[kFieldWidth] = station->formSets[SetIndex(set)];
    const char* const from[STATION_FORMS_PER_SET] = {block.Account1, block.Account2, block.Account3,
                                                     block.Account4, block.Account5};
    for (int i = 0; i < STATION_FORMS_PER_SET; ++i)
        std::memcpy(fields[i], from[i], kFieldWidth);
    std::memcpy(station->cardForm, block.StationField1, kFieldWidth);
    std::memcpy(station->productForm, block.StationField2, kFieldWidth);
    std::memcpy(station->labelForm, block.StationField3, kFieldWidth);
}

}  // extern "C"
