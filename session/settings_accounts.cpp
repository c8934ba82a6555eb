// Built-in interface accounts and their captions, and the station account
// block of the posting side.

#include "bwps/settings.h"

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
constexpr int kFieldWidth = 16;

void CopyAccount(char* field, const char* account)
{
    std::memset(field, 0, kAccountWidth);
    std::memcpy(field, account, kAccountWidth - 1);
}

int SetOffset(int set)
{
    switch (set) {
    case 2:
        return STATION_SET2_OFFSET;
    case 3:
        return STATION_SET3_OFFSET;
    default:
        return STATION_SET1_OFFSET;
    }
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
    const unsigned char* station = static_cast<const unsigned char*>(stationRecord);
    unsigned char localWork[5 * kFieldWidth];
    unsigned char* work = work80 ? static_cast<unsigned char*>(work80) : localWork;
    std::memcpy(work, station + SetOffset(set), 5 * kFieldWidth);
    unsigned char* block = static_cast<unsigned char*>(block336);
    std::memset(block, 0, sizeof(TagStationAccounts));
    std::memcpy(block + 16, work + 0 * kFieldWidth, kFieldWidth);
    std::memcpy(block + 32, work + 1 * kFieldWidth, kFieldWidth);
    std::memcpy(block + 48, work + 2 * kFieldWidth, kFieldWidth);
    std::memcpy(block + 64, station + STATION_FIELD1_OFFSET, kFieldWidth);
    std::memcpy(block + 80, work + 3 * kFieldWidth, kFieldWidth);
    std::memcpy(block + 96, work + 4 * kFieldWidth, kFieldWidth);
    std::memcpy(block + 112, station + STATION_FIELD2_OFFSET, kFieldWidth);
    std::memcpy(block + 128, station + STATION_FIELD3_OFFSET, kFieldWidth);
}

void CopyInterfaceAccountsFromStation(void* stationRecord, const void* block336, int set)
{
    if (!block336 || !stationRecord)
        return;
    unsigned char* station = static_cast<unsigned char*>(stationRecord);
    const unsigned char* block = static_cast<const unsigned char*>(block336);
    unsigned char* fields = station + SetOffset(set);
    static const int kFrom[5] = {16, 32, 48, 80, 96};
    for (int i = 0; i < 5; ++i)
        std::memcpy(fields + i * kFieldWidth, block + kFrom[i], kFieldWidth);
    std::memcpy(station + STATION_FIELD1_OFFSET, block + 64, kFieldWidth);
    std::memcpy(station + STATION_FIELD2_OFFSET, block + 112, kFieldWidth);
    std::memcpy(station + STATION_FIELD3_OFFSET, block + 128, kFieldWidth);
}

}  // extern "C"
