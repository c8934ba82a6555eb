// Pick lists over the master files: products, customers and vendors,
// accounts, messages, salespersons, taxes, terms, warehouses, users,
// stations, the audit-log entities, and the brace text of form variables.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/db_table.h"
#include "bwps/messages.h"
#include "bwps/records/accounts.h"
#include "bwps/records/audit.h"
#include "bwps/records/form_variables.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/records/messages.h"
#include "bwps/records/options.h"
#include "bwps/records/products.h"
#include "bwps/records/stations.h"
#include "bwps/records/users.h"
#include "bwps/ordinals.h"
#include "bwps/screens.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/users.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using namespace bwps::lookups;
using bwps::FileNo;


namespace {

constexpr int kProductStatusColumn = 86;
constexpr int kCustomerHistoryRight = 58;

// F3 of the customer lookup: the history of the customer under the cursor,
// the list coming back on the same row.
int CustomerHistoryKey(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    if (l == nullptr || l->Data == nullptr || l->Data->Record == nullptr)
        return 0;
    const auto* customer = static_cast<const CustomerRecord*>(l->Data->Record);
    char code[sizeof customer->Code + 1] = {};
    std::memcpy(code, customer->Code, sizeof customer->Code);
    FxTrimText(5, code);
    if (code[0] == '\0')
        return 0;
    if (!CheckUserAccess(kCustomerHistoryRight, 0, GetSessionPaths()->UserId, 1))
        return FX_STAY;
    if (RSViewCustHistory == nullptr) {
        FxMessageBox(nullptr, "RSViewCustHistory is not available in this build.", nullptr,
                     FX_MB_ICONINFORMATION, 0);
        return 0;
    }
    TagLookUpData* d = l->Data;
    uint32_t position = 0;
    const bool stored = BtrPosition(B_GET_DIRECT, d->Handle, &position) == 0;
    RSViewCustHistory(code, FxYearOfDate(FxToday()));
    if (stored) {
        std::vector<uint8_t> back(d->RecordLength, 0);
        std::memcpy(back.data(), &position, 4);
        char key[256] = {};
        if (BtrGet(B_GET_DIRECT, d->Handle, key, back.data(), d->RecordLength) == 0)
            std::memcpy(d->Record, back.data(), d->RecordLength);
    }
    return 0;
}
constexpr int kCustomerStatusColumn = 69;
constexpr int kAccountStatusColumn = 73;

void SetAvailable(void* record)
{
    TagProduct product;
    std::memcpy(&product, record, sizeof product);
    product.Amounts[PRODUCT_AVAILABLE] = product.Amounts[PRODUCT_QUANTITY] - product.Amounts[PRODUCT_SECOND_QUANTITY];
    std::memcpy(record, &product, sizeof product);
}

int ProductRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    const int st = BtrGet(d->Move, d->Handle, d->KeyBuffer, d->Record, d->RecordLength);
    if (st == 0)
        SetAvailable(d->Record);
    return st;
}

// Reads active products; "last" under the sort index (status first) is the
// record before the first inactive one; under another key, the last active
// record in key order.
int ActiveProductRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    CDbTblActiveProd table(d->Handle);
    int st;
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER, 0);
    const auto* segment = static_cast<const uint8_t*>(BtrGetKeyInfo(d->Handle, stat.data(), d->KeyNumber));
    uint16_t position = 0;
    if (segment != nullptr)
        std::memcpy(&position, segment, 2);
    if (d->Move == LK_MOVE_LAST && position == offsetof(TagProduct, Status) + 1) {
        std::memset(d->KeyBuffer, 0, sizeof d->KeyBuffer);
        d->KeyBuffer[0] = 'I';
        st = table.Read(B_GET_GE, d->KeyBuffer, d->Record, static_cast<int16_t>(d->RecordLength));
        if (st == 0)
            st = table.Read(B_GET_PREVIOUS, d->KeyBuffer, d->Record, static_cast<int16_t>(d->RecordLength));
        else
            st = table.Read(B_GET_LAST, d->KeyBuffer, d->Record, static_cast<int16_t>(d->RecordLength));
    } else {
        st = table.Read(static_cast<int16_t>(d->Move), d->KeyBuffer, d->Record, static_cast<int16_t>(d->RecordLength));
    }
    if (st == 0)
        SetAvailable(d->Record);
    return st;
}

const char kActive = 'A';

// The columns each lookup lists after its code and description.
const std::vector<int> kProductColumns = {kCodeColumn, kDescriptionColumn, 39, 31, 5, 8, 26, 33, 34, 45, 46, 48};
const std::vector<int> kCustomerColumns = {kCodeColumn, kDescriptionColumn, 14, 6, 25, 54};
const std::vector<int> kVendorColumns = {kCodeColumn, kDescriptionColumn, 14, 25, 54};
const std::vector<int> kAccountColumns = {kCodeColumn, kDescriptionColumn, 4, 9, 6, 2, 10};

}  // namespace

extern "C" int FlyProducts(const char* startText, int restorePosition, uint16_t handle, void* record,
                           uint16_t row, uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler,
                           char activeOnly)
{
    Settings s;
    s.file = FileNo::Products;
    s.recordLength = sizeof(TagProduct);
    s.titleId = 297;
    s.startType = LOOKUP_PRODUCTS;
    s.columns = kProductColumns;
    s.lastPickType = LOOKUP_PRODUCTS;
    s.lastPickDescription = offsetof(TagProduct, Description);
    s.stays = Stays::UnlessRestore;
    s.rowReader = activeOnly ? ActiveProductRow : ProductRow;
    Call c{startText, restorePosition, handle, record, row, column, height, width, keyHandler};
    if (activeOnly) {
        c.filterColumn = kProductStatusColumn;
        c.filterValue = &kActive;
        c.sortIndex = true;
    }
    return RunStandard(s, c);
}

int FlyCustVend(const char* startText, int restorePosition, uint16_t handle, int fileId, void* record,
                uint16_t row, uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler,
                char activeOnly)
{
    const bool vendors = fileId == bwps::No(FileNo::Vendors);
    Settings s;
    s.file = vendors ? FileNo::Vendors : FileNo::Customers;
    s.recordLength = sizeof(CustomerRecord);
    s.titleId = vendors ? 295 : 294;
    s.startType = vendors ? LOOKUP_VENDORS : LOOKUP_CUSTOMERS;
    s.columns = vendors ? kVendorColumns : kCustomerColumns;
    s.lastPickType = s.startType;
    s.lastPickDescription = offsetof(CustomerRecord, Name);
    s.stays = Stays::Always;
    if (!vendors) {
        s.formList = 418;
        s.f3 = CustomerHistoryKey;
    }
    Call c{startText, restorePosition, handle, record, row, column, height, width, keyHandler};
    if (activeOnly) {
        c.filterColumn = kCustomerStatusColumn;
        c.filterValue = &kActive;
    }
    return RunStandard(s, c);
}

extern "C" int FlyCustomers(const char* startText, int restorePosition, uint16_t handle, void* record,
                            uint16_t row, uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler,
                            char activeOnly)
{
    return FlyCustVend(startText, restorePosition, handle, bwps::No(FileNo::Customers), record, row, column, height,
                       width, keyHandler, activeOnly);
}

int FlyVendors(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
               uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler, char activeOnly)
{
    return FlyCustVend(startText, restorePosition, handle, bwps::No(FileNo::Vendors), record, row, column, height,
                       width, keyHandler, activeOnly);
}

int FlyAccount(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
               uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler, char activeOnly)
{
    Settings s;
    s.file = FileNo::Accounts;
    s.recordLength = sizeof(TagAccount);
    s.titleId = 293;
    s.startType = LOOKUP_ACCOUNTS;
    s.columns = kAccountColumns;
    s.lastPickType = LOOKUP_ACCOUNTS;
    s.lastPickDescription = offsetof(TagAccount, Description);
    s.stays = Stays::Always;
    Call c{startText, restorePosition, handle, record, row, column, height, width, keyHandler};
    if (activeOnly) {
        c.filterColumn = kAccountStatusColumn;
        c.filterValue = &kActive;
    }
    return RunStandard(s, c);
}

int FlyAccountInterface(char* accountNumber, int, uint16_t handle, void* record, uint16_t row, uint16_t column,
                        uint16_t height, uint16_t width, FxHandler keyHandler)
{
    TagInterfaceRecord interface{};
    const bool read =
        ReadGeneralRecord(0, 0, sizeof interface, GENERAL_KEY_INTERFACE, &interface) == 0;
    const char mode = read ? interface.Flag : 'N';
    // The sales account of the interface (offset 72) starts the list.
    char base[sizeof interface.Accounts[0] + 1] = {};
    std::memcpy(base, interface.Accounts[5], sizeof interface.Accounts[5]);
    char start[64] = {};
    if (mode == 'N')
        std::snprintf(start, sizeof start, "%s", base);
    else
        BuildAccountNo(start, base, accountNumber != nullptr ? accountNumber : "");
    const int picked = FlyAccount(start, 1, handle, record, row, column, height, width, keyHandler, 1);
    if (!picked)
        return ACCOUNT_INTERFACE_NONE;
    TagAccount account;
    std::memcpy(&account, record, sizeof account);
    if (account.Kind == 'G') {
        ShowMessage(289, 0);
        return ACCOUNT_INTERFACE_REFUSED;
    }
    if (accountNumber == nullptr)
        return ACCOUNT_INTERFACE_PICKED;
    if (mode == 'N') {
        std::memcpy(accountNumber, account.Number, 5);
        accountNumber[5] = '\0';
        return ACCOUNT_INTERFACE_PICKED;
    }
    char chosen[sizeof account.Number + 1] = {};
    std::memcpy(chosen, account.Number, sizeof account.Number);
    FxTrimText(5, chosen);
    FxTrimText(5, base);
    const size_t skip = std::min(std::strlen(base), std::strlen(chosen));
    char number[7] = {};
    std::snprintf(number, sizeof number, "%s", chosen + skip);
    FxPadBlanks(number, 6);
    std::memcpy(accountNumber, number, 6);
    if (ValidateInterfaceAccounts(handle, accountNumber, static_cast<TagAccount*>(record)) == 0)
        return ACCOUNT_INTERFACE_REFUSED;
    return ACCOUNT_INTERFACE_PICKED;
}

namespace {

Settings Simple(FileNo file, int length, int title, int type, std::vector<int> columns, int description)
{
    Settings s;
    s.file = file;
    s.recordLength = length;
    s.titleId = title;
    s.startType = type;
    s.columns = std::move(columns);
    s.libraryReaders = true;
    s.lastPickType = type;
    s.lastPickDescription = description;
    s.stays = Stays::Always;
    return s;
}

}  // namespace

int FlyMessages(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    return RunStandard(Simple(FileNo::MessageCodes, sizeof(MessageCodeRecord), 79, LOOKUP_MESSAGES,
                              {kCodeColumn, kDescriptionColumn, 2}, offsetof(MessageCodeRecord, Lines)),
                       Call{startText, restorePosition, handle, record, row, column, height, width, keyHandler});
}

int FlySalespersons(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                    uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    return RunStandard(
        Simple(FileNo::Salespersons, sizeof(SalespersonRecord), 333, LOOKUP_SALESPERSONS,
               {kCodeColumn, kDescriptionColumn, 3}, offsetof(SalespersonRecord, Name)),
        Call{startText, restorePosition, handle, record, row, column, height, width, keyHandler});
}

int FlyTaxes(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
             uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    return RunStandard(Simple(FileNo::TaxTable, sizeof(TaxRecord), 348, LOOKUP_TAXES, {kCodeColumn, kDescriptionColumn, 5},
                              offsetof(TaxRecord, Description)),
                       Call{startText, restorePosition, handle, record, row, column, height, width, keyHandler});
}

int FlyTerms(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
             uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    return RunStandard(
        Simple(FileNo::Terms, sizeof(TagTermsRecord), 78, LOOKUP_TERMS, {kCodeColumn, kDescriptionColumn, 3, 4, 5, 6, 7, 8},
               offsetof(TagTermsRecord, Description)),
        Call{startText, restorePosition, handle, record, row, column, height, width, keyHandler});
}

int FlyWarehouses(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                  uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler)
{
    return RunStandard(Simple(FileNo::Warehouses, sizeof(WarehouseRecord), 508, LOOKUP_WAREHOUSES, {1, 2},
                              offsetof(WarehouseRecord, Description)),
                       Call{startText, restorePosition, handle, record, row, column, height, width, keyHandler});
}

int FlyUsers(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
             uint16_t column, uint16_t height, uint16_t width)
{
    Settings s = Simple(FileNo::Users, sizeof(UserRecord), 441, -1, {1}, 0);
    s.lastPickType = -1;
    s.key = 0;
    s.keepKey = true;
    s.f8f9 = Keys::Removed;
    s.shiftF9 = Switch::Removed;
    s.stays = Stays::UnlessRestore;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, nullptr});
}

// ---- stations

namespace {

int StationDeleteKey(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    if (l == nullptr || l->Data == nullptr || l->Data->Record == nullptr)
        return 0;
    StationRecord station;
    std::memcpy(&station, l->Data->Record, sizeof station);
    char id[sizeof station.id + 1] = {};
    std::memcpy(id, station.id, sizeof station.id);
    FxTrimText(5, id);
    char own[sizeof(SessionBlock::StationId) + 1] = {};
    if (const SessionBlock* session = GetSessionPaths())
        std::memcpy(own, session->StationId, sizeof session->StationId);
    FxTrimText(5, own);
    if (std::strcmp(id, own) == 0 || std::strcmp(id, "DEFAULT") == 0) {
        ShowMessage(1477, 0);
        return 0;
    }
    return LookUpDeleteRecord(l);
}

}  // namespace

int FlyStations(const char* startText, uint16_t handle, void* record, uint16_t row, uint16_t column,
                uint16_t height, uint16_t width)
{
    const int stations = bwps::No(FileNo::Stations);
    uint16_t file = handle;
    bool opened = false;
    if (file == 0) {
        const int st = BtrOpenFile(&file, GetDataFilePath(stations), 0, 0);
        if (st != 0) {
            ReportRecordManagerError(st, 1, -100, stations, 0);
            return 0;
        }
        opened = true;
    }
    std::vector<TagLookUpField> columns;
    if (!LoadColumns(FileNo::Stations, {2}, columns)) {
        if (opened)
            BtrCloseFile(file);
        return 0;
    }
    char title[65] = {};
    FxLoadString(438, sizeof title, title);
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    std::vector<uint8_t> buffer(sizeof(StationRecord) + 16, 0);
    FxForm form{};
    SetupStandardScreen(&form, 35, 0);
    FxSetKeyHandler(&form, FX_KEY_F1 + 5 * 0x100, StationDeleteKey);
    FxReleaseKey(&form, FX_KEY_F1 + 4 * 0x100);
    int key = 0, second = 0;
    BtrGetDefaults(file, &key, &second);
    data.FileId = static_cast<uint16_t>(stations);
    data.RecordLength = sizeof(StationRecord);
    data.Handle = file;
    data.Record = buffer.data();
    data.KeyNumber = static_cast<uint16_t>(key);
    SetColorSet(lookup.Colours, 3);
    lookup.Row = row;
    lookup.Column = column;
    lookup.Height = height;
    lookup.Width = width;
    lookup.Title = title;
    lookup.SearchPrompt = "Search :";
    lookup.Columns = columns.data();
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.Form = &form;
    lookup.DeleteAllowed = 1;
    lookup.Read = LookUpReadRecordCallback;
    lookup.ReadAtPosition = LookUpReadAtPositionCallback;
    lookup.Search = LookUpReadSearchCallback;
    if (startText != nullptr) {
        std::snprintf(data.KeyBuffer, sizeof data.KeyBuffer, "%s", startText);
        lookup.StartMode = LK_START_SEARCH;
    } else {
        lookup.StartMode = LK_START_FIRST;
    }
    const int picked = LookUpProcess(&lookup);
    if (picked && record != nullptr)
        std::memcpy(record, buffer.data(), sizeof(StationRecord));
    if (opened)
        BtrCloseFile(file);
    return picked;
}

// ---- audit-log entities

namespace {

using AuditEntity = TagAuditEntity;

constexpr AuditEntity kEntities[] = {
    {2, "Customers"},     {4, "Products"},     {5, "Services"},          {6, "Master Items"},
    {9, "Billing Codes"}, {10, "Salespersons"}, {11, "Messages"},        {12, "Price Breaks"},
    {13, "Shipping Methods"}, {14, "Terms"},   {15, "Taxes"},            {16, "Warehouses"},
    {17, "Weight Units"}, {34, "Sales Register"}, {35, "Inventory Adjustments"}, {36, "Assembly"}};

constexpr int kLastEntity = static_cast<int>(sizeof kEntities / sizeof kEntities[0]) - 1;
int g_entity = 0;

int EntityRow(TagLookUp* l)
{
    switch (l->Data->Move) {
    case LK_MOVE_FIRST: g_entity = 0; break;
    case LK_MOVE_LAST: g_entity = kLastEntity; break;
    case LK_MOVE_NEXT:
        if (g_entity >= kLastEntity)
            return B_END_OF_FILE;
        ++g_entity;
        break;
    case LK_MOVE_PREVIOUS:
        if (g_entity <= 0)
            return B_END_OF_FILE;
        --g_entity;
        break;
    default: return B_INVALID_OPERATION;
    }
    std::memcpy(l->Data->Record, &kEntities[g_entity], sizeof(AuditEntity));
    return 0;
}

int EntityPosition(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    switch (d->Move) {
    case LK_KEEP_A: d->SlotA = static_cast<uint32_t>(g_entity); return 0;
    case LK_KEEP_B: d->SlotB = static_cast<uint32_t>(g_entity); return 0;
    case LK_BACK_A:
    case LK_BACK_B: {
        const uint32_t at = d->Move == LK_BACK_A ? d->SlotA : d->SlotB;
        if (at > static_cast<uint32_t>(kLastEntity))
            return B_INVALID_POSITIONING;
        g_entity = static_cast<int>(at);
        std::memcpy(d->Record, &kEntities[g_entity], sizeof(AuditEntity));
        return 0;
    }
    default: return 1;
    }
}

}  // namespace

int FlyAuditEntities(int, char* textOut, int, int, uint16_t height, uint16_t width)
{
    TagLookUpField columns[2] = {};
    std::snprintf(columns[0].Title, sizeof columns[0].Title, "Entity Name");
    std::snprintf(columns[0].Picture, sizeof columns[0].Picture, "%%-40s");
    columns[0].Type = 2;
    columns[0].Offset = offsetof(AuditEntity, Name);
    AuditEntity record{};
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    data.RecordLength = sizeof record;
    data.Record = &record;
    lookup.Title = "Audit Trail Log Entities";
    lookup.Row = 4;
    lookup.Column = 10;
    lookup.Height = height;
    lookup.Width = width;
    lookup.Columns = columns;
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.StartMode = LK_START_FIRST;
    lookup.Read = EntityRow;
    lookup.ReadAtPosition = EntityPosition;
    const int picked = LookUpProcess(&lookup);
    if (picked && textOut != nullptr)
        std::sprintf(textOut, "%d", static_cast<int>(record.Number));
    return picked;
}

// ---- form variables: the group and the brace text

namespace {
int g_variableGroup = 0;
int g_groupChoice[8] = {1, 1, 1, 1, 1, 1, 1, 1};
}  // namespace

int SetVariableLookUpGroup(int group)
{
    g_variableGroup = group;
    if (group >= 1 && group <= 7)
        g_groupChoice[group] = 1;
    return 0;
}

bool BuildVariableBraceText(const char* name, int width, char* out, int outSize)
{
    if (out == nullptr || outSize <= 0)
        return false;
    out[0] = '\0';
    if (width > outSize - 1)
        width = outSize - 1;
    if (width < 3 || name == nullptr)
        return false;
    std::string trimmed = name;
    while (!trimmed.empty() && trimmed.back() == ' ')
        trimmed.pop_back();
    if (static_cast<int>(trimmed.size()) > width - 2)
        trimmed.resize(static_cast<size_t>(width - 2));
    std::memset(out, '.', static_cast<size_t>(width));
    out[0] = '{';
    std::memcpy(out + 1, trimmed.data(), trimmed.size());
    out[width - 1] = '}';
    out[width] = '\0';
    return true;
}

namespace {

// The category of each answer to a group's question (0: none).
constexpr int kCategories[8][6] = {
    {0, 0, 0, 0, 0, 0},     {5, 2, 6, 7, 8, 1},   {5, 2, 6, 7, 9, 1},  {10, 2, 6, 7, 11, 1},
    {5, 2, 13, 7, 12, 1},   {5, 2, 14, 7, 15, 1}, {3, 1, 0, 0, 0, 0},  {4, 1, 0, 0, 0, 0}};

}  // namespace

short FlyFormVariables(uint16_t row, uint16_t column, uint16_t height, uint16_t width, char* text)
{
    if (text != nullptr)
        text[0] = '\0';
    const int group = g_variableGroup;
    if (group < 1 || group > 7)
        return 0;
    const int message = group <= 5 ? 1081 : group == 6 ? 1217 : 1225;
    int choice = g_groupChoice[group];
    if (AskMessage(message, group <= 5 ? 319 : 1, &choice, nullptr, nullptr, 0, 0, 0, 0, 0) != 0)
        return 0;
    if (choice < 1 || choice > 6)
        return 0;
    g_groupChoice[group] = choice;
    const int category = kCategories[group][choice - 1];
    if (category == 0)
        return 0;
    TagColumnVar variable{};
    if (!FlyVariables(static_cast<short>(category), -1, &variable, row, column, height, width))
        return 0;
    char name[sizeof variable.Name + 1] = {};
    std::memcpy(name, variable.Name, sizeof variable.Name);
    FxTrimText(5, name);
    if (text == nullptr || !BuildVariableBraceText(name, variable.Width, text, FORM_VARIABLE_TEXT_SIZE)) {
        if (text != nullptr)
            text[0] = '\0';
        return 0;
    }
    return 1;
}

namespace bwps::lookups {
void ResetMasters()
{
    g_entity = 0;
    g_variableGroup = 0;
    for (int& c : g_groupChoice)
        c = 1;
    ResetColumns();
    ResetItems();
    ResetVariables();
}
}  // namespace bwps::lookups

BWPS_ORDINAL(664, FlyAccount);
BWPS_ORDINAL(668, FlyCustomers);
BWPS_ORDINAL(669, FlyVendors);
BWPS_ORDINAL(670, FlyAccountInterface);
BWPS_ORDINAL(685, FlyMessages);
BWPS_ORDINAL(690, FlyProducts);
BWPS_ORDINAL(698, FlySalespersons);
BWPS_ORDINAL(699, FlyStations);
BWPS_ORDINAL(700, FlyTaxes);
BWPS_ORDINAL(701, FlyTerms);
BWPS_ORDINAL(702, FlyUsers);
BWPS_ORDINAL(703, FlyFormVariables);
BWPS_ORDINAL(704, SetVariableLookUpGroup);
BWPS_ORDINAL(790, FlyAuditEntities);
BWPS_ORDINAL(3125, FlyWarehouses);
