// The master-items screen: a master item on the main form and, under it,
// its sub-items (products carrying its code, one per warehouse). Sub-items
// are attached, made, detached or deleted from the list; F7 makes the
// missing ones of every warehouse in one transaction; Shift+F7 opens the
// product-code mask.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bwps/accounts.h"
#include "bwps/audit.h"
#include "bwps/lookups.h"
#include "bwps/master_item.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/products.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "fx.h"

namespace bwps {



namespace {

constexpr int kMessageNoCode = 193;
constexpr int kMessageAccountNeeded = 199;
constexpr int kMessageLineNoCode = 205;
constexpr int kMessageNoProduct = 239;
constexpr int kMessageNoPriceBreak = 249;
constexpr int kMessageStock = 267;
constexpr int kMessageAssembly = 269;
constexpr int kMessageHistory = 1311;
constexpr int kMessageNoWarehouse = 1545;
constexpr int kMessageWarehouseNeeded = 1549;
constexpr int kMessageNoMasterCode = 1553;
constexpr int kMessageLineLookUp = 1555;
constexpr int kMessageCodeFixed = 1559;
constexpr int kMessageServiceCode = 1561;
constexpr int kMessageOtherMaster = 1563;
constexpr int kMessageAlreadyHere = 1565;
constexpr int kMessageUnitsDiffer = 1567;
constexpr int kMessageDetachOrDelete = 1569;
constexpr int kMessageGenerate = 1571;
constexpr int kMessageHasSubItems = 1584;
constexpr int kMessageDeleteMaster = 1586;
constexpr int kMessageOtherWarehouse = 1588;

constexpr int kKeyLookUp = 0x3F00;        // F5
constexpr int kKeyDelete = 0x4000;        // F6
constexpr int kKeyGenerate = 0x4100;      // F7
constexpr int kKeyNew = 0x4200;           // F8: released
constexpr int kKeyEdit = 0x4300;          // F9: released
constexpr int kKeyWrite = 0x4400;         // F10
constexpr int kKeyDeleteLine = 0x5900;    // Shift+F6
constexpr int kKeyMask = 0x5A00;          // Shift+F7

constexpr int kEntityMasterItem = 6;
constexpr int kRightChange = 107;
constexpr int kRightDelete = 108;
constexpr int kScreenFunction = 121;
constexpr int kCodeWidth = 14;
constexpr int kProductKeyMaster = 5;

enum MainField {
    kCode = 1, kDescription, kAccount, kItemType, kText50, kCodeKind, kUnit1, kUnits1, kUnit2, kUnits2,
    kNumber1, kNumber2, kText83, kVendor1, kVendorItem1, kVendor2, kVendorItem2, kVendor3, kVendorItem3,
    kAmount, kBreak1, kBreak2, kBreak3, kBreak4, kBreak5, kBreak6, kRelated1, kRelated2, kFlag256, kSerials,
    kFlag255
};
enum LineField { kLineCode = 1, kLineWarehouse, kLineDescription, kLineAccount, kLineAmount, kLineText };

constexpr char kTypeChoices[] = "\x01Normal,Non-Inventory,Negative";
constexpr char kKindChoices[] = "\x01Your Code,Vendor's Code,Both";
constexpr char kYesNo[] = "\x01Yes,No";

struct Line {
    uint32_t position;
    TagProduct product;
};

struct Screen {
    FxContext fx{};  // first: handlers get the context
    FxWindow window{};
    FxForm main{};
    FxForm grid{};
    ScreenField mainFields[32]{};
    ScreenField gridFields[7]{};
    std::unique_ptr<CMasterItem> master;
    Table products{FileNo::Products};
    Table accounts{FileNo::Accounts};
    Table priceBreaks{FileNo::PriceBook};
    Table warehouses{FileNo::Warehouses};
    Table services{FileNo::Services};
    Table vendors{FileNo::Vendors};
    std::unique_ptr<AuditLog> audit;
    TagProduct lineProduct{};     // the line as shown
    std::string lineCode;         // its code as first read
    bool lineNew = true;
    bool isNew = false;
    bool filled = false;
    bool inGrid = false;
    bool interfaced = false;
};

Screen* g_screen = nullptr;

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    s = s.substr(first);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

std::string Text(const char* field, size_t size) { return Trimmed(std::string(field, strnlen(field, size)).c_str()); }

void Put(char* field, size_t size, const std::string& text)
{
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

void CodeKey(KeyBuffer& key, const std::string& code, size_t width = kCodeWidth)
{
    key.Clear();
    std::memcpy(key.bytes, code.data(), std::min(code.size(), width));
}

TagMasterItem& Item(Screen& s) { return *s.master->pItem(); }

std::string Field(Screen& s, int field) { return Trimmed(FxFieldGet(&s.main, field)); }

// ---- record and screen

void RecordToScreen(Screen& s)
{
    const TagMasterItem& m = Item(s);
    auto set = [&](int field, const char* text, size_t size) { FxFieldSet(&s.main, field, Text(text, size).c_str()); };
    char text[32];
    set(kCode, m.Code, sizeof m.Code);
    set(kDescription, m.Description, sizeof m.Description);
    set(kAccount, m.Account, sizeof m.Account);
    FxChoiceSet(&s.main, kItemType, m.ItemType >= 1 && m.ItemType <= 3 ? m.ItemType : 1);
    set(kText50, m.Text50, sizeof m.Text50);
    FxChoiceSet(&s.main, kCodeKind, m.CodeKind == 'V' ? 2 : m.CodeKind == 'B' ? 3 : 1);
    set(kUnit1, m.UnitNames[0], sizeof m.UnitNames[0]);
    set(kUnit2, m.UnitNames[1], sizeof m.UnitNames[1]);
    std::snprintf(text, sizeof text, "%d", +m.Units[0]);
    FxFieldSet(&s.main, kUnits1, text);
    std::snprintf(text, sizeof text, "%d", +m.Units[1]);
    FxFieldSet(&s.main, kUnits2, text);
    for (int i = 0; i < 2; ++i) {
        const uint32_t n = m.Numbers[i];
        if (n == 0)
            text[0] = '\0';
        else
            std::snprintf(text, sizeof text, "%6lu", static_cast<unsigned long>(n));
        FxFieldSet(&s.main, kNumber1 + i, text);
    }
    set(kText83, m.Text83, sizeof m.Text83);
    for (int i = 0; i < 3; ++i) {
        set(kVendor1 + 2 * i, m.Vendors[i], sizeof m.Vendors[i]);
        set(kVendorItem1 + 2 * i, m.VendorItems[i], sizeof m.VendorItems[i]);
    }
    FxFieldSet(&s.main, kAmount, FxFormatAmount(m.Amount, text, 4));
    for (int i = 0; i < 6; ++i)
        set(kBreak1 + i, m.PriceBreaks[i], sizeof m.PriceBreaks[i]);
    set(kRelated1, m.Related[0], sizeof m.Related[0]);
    set(kRelated2, m.Related[1], sizeof m.Related[1]);
    PutYesNoChoice(&s.main, kFlag256, m.Flag256 == 'Y' ? 'Y' : 'N');
    PutYesNoChoice(&s.main, kSerials, m.Serials == 'Y' ? 'Y' : 'N');
    PutYesNoChoice(&s.main, kFlag255, m.Flag255 == 'Y' ? 'Y' : 'N');
}

void ScreenToRecord(Screen& s)
{
    TagMasterItem& m = Item(s);
    auto get = [&](int field, char* out, size_t size) { Put(out, size, Field(s, field)); };
    get(kCode, m.Code, sizeof m.Code);
    get(kDescription, m.Description, sizeof m.Description);
    get(kAccount, m.Account, sizeof m.Account);
    m.ItemType = static_cast<uint8_t>(std::clamp(FxChoiceGet(&s.main, kItemType), 1, 3));
    get(kText50, m.Text50, sizeof m.Text50);
    const int kind = FxChoiceGet(&s.main, kCodeKind);
    m.CodeKind = kind == 2 ? 'V' : kind == 3 ? 'B' : 'Y';
    get(kUnit1, m.UnitNames[0], sizeof m.UnitNames[0]);
    get(kUnit2, m.UnitNames[1], sizeof m.UnitNames[1]);
    m.Units[0] = static_cast<int16_t>(std::atoi(FxFieldGet(&s.main, kUnits1)));
    m.Units[1] = static_cast<int16_t>(std::atoi(FxFieldGet(&s.main, kUnits2)));
    m.Numbers[0] = static_cast<uint32_t>(std::strtoul(FxFieldGet(&s.main, kNumber1), nullptr, 10));
    m.Numbers[1] = static_cast<uint32_t>(std::strtoul(FxFieldGet(&s.main, kNumber2), nullptr, 10));
    get(kText83, m.Text83, sizeof m.Text83);
    for (int i = 0; i < 3; ++i) {
        get(kVendor1 + 2 * i, m.Vendors[i], sizeof m.Vendors[i]);
        get(kVendorItem1 + 2 * i, m.VendorItems[i], sizeof m.VendorItems[i]);
    }
    m.Amount = std::atof(FxFieldGet(&s.main, kAmount));
    for (int i = 0; i < 6; ++i)
        get(kBreak1 + i, m.PriceBreaks[i], sizeof m.PriceBreaks[i]);
    get(kRelated1, m.Related[0], sizeof m.Related[0]);
    get(kRelated2, m.Related[1], sizeof m.Related[1]);
    m.Flag256 = static_cast<char>(ReadYesNoChoice(&s.main, kFlag256));
    m.Serials = static_cast<char>(ReadYesNoChoice(&s.main, kSerials));
    m.Flag255 = static_cast<char>(ReadYesNoChoice(&s.main, kFlag255));
}

void UnitsEnterable(Screen& s, bool on)
{
    FxFieldSetDisplayOnly(&s.main, kUnits1, on ? 0 : 1);
    FxFieldSetDisplayOnly(&s.main, kUnits2, on ? 0 : 1);
}

// ---- the list

void ShowLine(Screen& s, const TagProduct& p)
{
    char text[32];
    FxFieldSet(&s.grid, kLineCode, Text(p.Code, sizeof p.Code).c_str());
    FxFieldSet(&s.grid, kLineWarehouse, Text(p.Warehouse, 4).c_str());
    FxFieldSet(&s.grid, kLineDescription, Text(p.Description, sizeof p.Description).c_str());
    FxFieldSet(&s.grid, kLineAccount, Text(p.Text85, sizeof p.Text85).c_str());
    FxFieldSet(&s.grid, kLineAmount, FxFormatAmount(p.Amounts[PRODUCT_AMOUNT290], text, 4));
    FxFieldSet(&s.grid, kLineText, Text(p.Text58, sizeof p.Text58).c_str());
}

void AppendLine(Screen& s, uint32_t position, const TagProduct& p)
{
    auto* line = static_cast<Line*>(FxGridNewLine(&s.grid, sizeof(Line)));
    if (line == nullptr) {
        ShowMessage(2, 1);
        return;
    }
    line->position = position;
    line->product = p;
    FxGridLine(&s.fx, &s.grid, line, 0x200000);
}

// The sub-items of the master into the list; their count.
int FillList(Screen& s)
{
    FxGridClear(&s.grid);
    const int kept = s.products.Key();
    s.products.SetKey(kProductKeyMaster);
    const std::string code = Text(Item(s).Code, sizeof Item(s).Code);
    KeyBuffer key;
    CodeKey(key, code, 10);
    TagProduct p{};
    int count = 0;
    Status st = s.products.Get(B_GET_GE, key, p);
    for (; st.Ok() && Text(p.MasterCode, sizeof p.MasterCode) == code; st = s.products.Get(B_GET_NEXT, key, p)) {
        uint32_t position = 0;
        if (!s.products.Position(position).Ok())
            position = 0;
        AppendLine(s, position, p);
        ++count;
    }
    if (!st.Ok() && !st.NotFound())
        st.Report();
    s.products.SetKey(kept);
    s.filled = true;
    FxGridRedraw(&s.grid);
    return count;
}

void EmptyList(Screen& s)
{
    FxGridEmpty(&s.grid);
    s.filled = false;
}

void LeaveList(Screen& s)
{
    s.inGrid = false;
    FxFieldSetDisplayOnly(&s.main, kCode, 0);
    UnitsEnterable(s, true);
}

int OnNewRecord(void*)
{
    Screen& s = *g_screen;
    s.filled = false;
    s.inGrid = false;
    s.isNew = false;
    FxGridClear(&s.grid);
    FxFieldSetDisplayOnly(&s.main, kCode, 0);
    UnitsEnterable(s, true);
    s.master->StructInit();
    RecordToScreen(s);
    FxSetKeyState(&s.main, kKeyDeleteLine, 0);
    FxSetKeyState(&s.main, kKeyDelete, 0);
    FxSetKeyState(&s.main, kKeyGenerate, 1);
    return FX_GO_ON;
}

int LoadMaster(Screen& s, const std::string& code)
{
    const int status = s.master->ReadItem(B_GET_EQUAL, code.c_str());
    if (status == 0) {
        const int locked = s.master->ReadItem(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, code.c_str());
        s.master->Unlock();
        if (locked != 0) {
            ReportRecordManagerError(locked, 1, B_GET_EQUAL, No(FileNo::MasterItems), 0);
            FxFieldSet(&s.main, kCode, "");
            return FX_STAY;
        }
        s.isNew = false;
        RecordToScreen(s);
        const int count = FillList(s);
        FxSetKeyState(&s.main, kKeyDelete, CheckUserAccess(kRightDelete, 0, nullptr, 0) != 0 ? 1 : 0);
        UnitsEnterable(s, count == 0);
        return FX_GRID_FILLED;
    }
    if (status == B_KEY_NOT_FOUND) {
        if (!s.isNew) {
            if (s.filled)
                EmptyList(s);
            OnNewRecord(nullptr);
            Put(Item(s).Code, sizeof Item(s).Code, code);
            RecordToScreen(s);
        }
        s.isNew = true;
        return FX_GO_ON;
    }
    ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::MasterItems), 0);
    return FX_STAY;
}

int OnCodeExit(void*)
{
    Screen& s = *g_screen;
    const std::string code = Field(s, kCode);
    if (code.empty()) {
        ShowMessage(kMessageNoMasterCode, 1);
        return FX_STAY;
    }
    if (!s.isNew && code == Text(Item(s).Code, sizeof Item(s).Code) && s.filled)
        return FX_GO_ON;
    return LoadMaster(s, code);
}

int OnMainEnter(void*)
{
    g_screen->inGrid = false;
    return FX_GO_ON;
}

// Price breaks and related products named on the form must exist.
int CheckNamed(Screen& s, int field)
{
    const std::string code = Field(s, field);
    if (code.empty())
        return FX_GO_ON;
    KeyBuffer key;
    const bool isBreak = field >= kBreak1 && field <= kBreak6;
    CodeKey(key, code, isBreak ? 5 : kCodeWidth);
    Status st;
    if (isBreak) {
        PriceBreakRecord r{};
        st = s.priceBreaks.Get(B_GET_EQUAL, key, r);
    } else {
        TagProduct p{};
        st = s.products.Get(B_GET_EQUAL, key, p);
    }
    if (st.Ok())
        return FX_GO_ON;
    if (st.NotFound()) {
        ShowMessage(isBreak ? kMessageNoPriceBreak : kMessageNoProduct, 1);
        FxFocusField(&s.main, field);
        return FX_STAY_FOCUSED;
    }
    st.Report();
    return FX_STAY;
}

int OnNamedExit(void*)
{
    Screen& s = *g_screen;
    return CheckNamed(s, s.main.currentField);
}

int CheckAccount(Screen& s, FxForm* form, int field)
{
    if (GetInterfaceFlag() != 'I')
        return FX_GO_ON;
    std::string code = Trimmed(FxFieldGet(form, field));
    if (code.empty())
        return FX_GO_ON;
    char text[16] = {};
    std::snprintf(text, sizeof text, "%s", code.c_str());
    return ValidateInterfaceAccounts(s.accounts.Handle(), text, nullptr) != 0 ? FX_GO_ON : FX_STAY;
}

int OnAccountExit(void*) { return CheckAccount(*g_screen, &g_screen->main, kAccount); }

// Saves the master; 0 when written (or left as it was without the right).
int SaveMaster(Screen& s, bool audit)
{
    ScreenToRecord(s);
    TagMasterItem& m = Item(s);
    const std::string code = Text(m.Code, sizeof m.Code);
    if (code.empty()) {
        ShowMessage(kMessageNoCode, 1);
        FxFocusField(&s.main, kCode);
        return FX_STAY_FOCUSED;
    }
    if (!s.isNew && CheckUserAccess(kRightChange, 0, nullptr, 2) == 0)
        return FX_RECORD_DONE;
    if (GetInterfaceFlag() == 'I' && Field(s, kAccount).empty()) {
        ShowMessage(kMessageAccountNeeded, 1);
        FxFocusField(&s.main, kAccount);
        return FX_STAY_FOCUSED;
    }
    s.master->SetKey(code.c_str());
    const int status = s.isNew ? s.master->WriteItem() : s.master->UpdateItem();
    if (status != 0) {
        ReportRecordManagerError(status, 1, s.isNew ? B_INSERT : B_UPDATE, No(FileNo::MasterItems), 0);
        return FX_STAY;
    }
    if (audit && s.audit != nullptr)
        s.audit->RegMasterTableLog(kEntityMasterItem, s.isNew ? B_INSERT : B_UPDATE, code.c_str());
    s.isNew = false;
    return FX_GO_ON;
}

int EnterList(Screen& s)
{
    const int saved = SaveMaster(s, false);
    if (saved != FX_GO_ON)
        return saved;
    if (!s.filled)
        FillList(s);
    FxSetKeyState(&s.main, kKeyDeleteLine, 1);
    FxSetKeyState(&s.main, kKeyDelete, 1);
    FxSetKeyState(&s.main, kKeyGenerate, 0);
    s.inGrid = true;
    FxFieldSetDisplayOnly(&s.main, kCode, 1);
    return FX_GRID_FILLED | FX_RECORD_DONE_MAIN;
}

int OnLastFieldExit(void*)
{
    Screen& s = *g_screen;
    const int key = s.fx.key;
    if (key != FX_KEY_DOWN && key != FX_KEY_PGDN && key != FX_KEY_CTRL_END && key != FX_KEY_ENTER &&
        key != FX_KEY_TAB)
        return FX_GO_ON;
    return EnterList(s);
}

int OnWrite(void*)
{
    Screen& s = *g_screen;
    const bool fromGrid = s.inGrid;
    const int saved = SaveMaster(s, true);
    if (saved != FX_GO_ON)
        return saved;
    LeaveList(s);
    if (fromGrid) {
        FxSetKeyState(&s.main, kKeyGenerate, 1);
        return 0x40000 | FX_RECORD_DONE_MAIN;
    }
    if (!s.filled)
        return FX_RECORD_DONE;
    EmptyList(s);
    return 0x40000 | FX_RECORD_DONE;
}

int OnDelete(void*)
{
    Screen& s = *g_screen;
    if (FxGridCount(&s.grid) > 0) {
        ShowMessage(kMessageHasSubItems, 1);
        return FX_STAY;
    }
    int choice = 1;
    AskMessage(kMessageDeleteMaster, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO,
               LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
    if (choice != 1)
        return FX_STAY;
    const std::string code = Text(Item(s).Code, sizeof Item(s).Code);
    char key[255] = {};
    std::memcpy(key, code.data(), code.size());
    const int status = s.audit->ADbModify(kEntityMasterItem, code.c_str(), B_DELETE, s.master->GetHandle(), key,
                                          Item(s).Code, static_cast<int16_t>(sizeof(TagMasterItem)), B_DELETE);
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_DELETE, No(FileNo::MasterItems), 0);
        return FX_STAY;
    }
    const bool fromGrid = s.inGrid;
    LeaveList(s);
    FxSetKeyState(&s.main, kKeyGenerate, 1);
    if (fromGrid)
        return FX_RECORD_DONE_MAIN;
    EmptyList(s);
    return FX_RECORD_DONE;
}

// The sub-item description: the master's description, the separator and
// the warehouse code when they fit.
std::string SubItemDescription(Screen& s, const std::string& warehouse)
{
    std::string d = Text(Item(s).Description, sizeof Item(s).Description) + s.master->GetCodeSeparator();
    if (d.size() + warehouse.size() < 31)
        d += warehouse;
    return d.substr(0, 30);
}

int OnLineEnter(void*)
{
    Screen& s = *g_screen;
    s.inGrid = true;
    auto* line = static_cast<Line*>(FxGridCurrent(&s.grid));
    if (line == nullptr || line->position == 0) {
        PrepareSubItem(Item(s), s.lineProduct);
        FxSetKeyState(&s.grid, kKeyDeleteLine, 0);
        s.lineNew = true;
    } else {
        FxSetKeyState(&s.grid, kKeyDeleteLine, 1);
        KeyBuffer key;
        const Status st = s.products.Direct(line->position, key, s.lineProduct);
        if (!st.Ok()) {
            st.Report();
            PrepareSubItem(Item(s), s.lineProduct);
            line->position = 0;
        }
        s.lineNew = line->position == 0;
    }
    s.lineCode = Text(s.lineProduct.Code, sizeof s.lineProduct.Code);
    ShowLine(s, s.lineProduct);
    return FX_GO_ON;
}

int OnLineShow(void*)
{
    Screen& s = *g_screen;
    if (const auto* line = static_cast<const Line*>(FxGridCurrent(&s.grid)))
        ShowLine(s, line->product);
    return FX_GO_ON;
}

int LineCode(Screen& s, const std::string& code)
{
    const int key = s.fx.key;
    auto* line = static_cast<Line*>(FxGridCurrent(&s.grid));
    const bool stored = line != nullptr && line->position != 0;
    if (code.empty()) {
        if (!stored && (key == FX_KEY_ENTER || key == FX_KEY_TAB))
            return FX_MAIN_FORM;
        if (key == FX_KEY_ENTER || key == FX_KEY_TAB) {
            ShowMessage(kMessageLineNoCode, 1);
            return FX_STAY;
        }
        return FX_GO_ON;
    }
    if (code == s.lineCode)
        return FX_GO_ON;
    if (stored) {
        ShowMessage(kMessageCodeFixed, 1);
        FxFieldSet(&s.grid, kLineCode, s.lineCode.c_str());
        return FX_STAY;
    }
    KeyBuffer kb;
    CodeKey(kb, code);
    TagProduct found{};
    Status st = s.products.Get(B_GET_EQUAL, kb, found);
    const std::string masterCode = Text(Item(s).Code, sizeof Item(s).Code);
    if (st.Ok()) {
        const std::string owner = Text(found.MasterCode, sizeof found.MasterCode);
        if (!owner.empty() && owner != masterCode) {
            int choice = 1;
            AskMessage(kMessageOtherMaster, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr,
                       LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
            if (choice == 1)
                return FX_STAY;
        }
        if (owner == masterCode) {
            ShowMessage(kMessageAlreadyHere, 1);
            return FX_STAY;
        }
        if (!s.master->ValidSubItem(found)) {
            ShowMessage(kMessageUnitsDiffer, 1);
            return FX_STAY;
        }
        const std::string warehouse = Text(s.lineProduct.Warehouse, 4);
        s.lineProduct = found;
        if (!warehouse.empty())
            Put(s.lineProduct.Warehouse, sizeof s.lineProduct.Warehouse, warehouse);
        Put(s.lineProduct.MasterCode, sizeof s.lineProduct.MasterCode, masterCode);
        ShowLine(s, s.lineProduct);
        return FX_GO_ON;
    }
    if (!st.NotFound()) {
        st.Report();
        return FX_STAY;
    }
    ServiceRecord service{};
    CodeKey(kb, code);
    if (s.services.Get(B_GET_EQUAL, kb, service).Ok()) {
        ShowMessage(kMessageServiceCode, 1);
        return FX_STAY;
    }
    PrepareSubItem(Item(s), s.lineProduct);
    Put(s.lineProduct.Code, sizeof s.lineProduct.Code, code);
    return FX_GO_ON;
}

int OnLineCodeExit(void*)
{
    Screen& s = *g_screen;
    return LineCode(s, Trimmed(FxFieldGet(&s.grid, kLineCode)));
}

int CheckWarehouse(Screen& s, const std::string& code)
{
    if (code.empty())
        return FX_GO_ON;
    KeyBuffer key;
    CodeKey(key, code, 3);
    WarehouseRecord w{};
    const Status st = s.warehouses.Get(B_GET_EQUAL, key, w);
    if (st.NotFound()) {
        ShowMessage(kMessageNoWarehouse, 1);
        return FX_STAY;
    }
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    Put(s.lineProduct.Warehouse, sizeof s.lineProduct.Warehouse, code);
    return FX_GO_ON;
}

int OnLineWarehouseExit(void*)
{
    Screen& s = *g_screen;
    return CheckWarehouse(s, Trimmed(FxFieldGet(&s.grid, kLineWarehouse)));
}

int OnLineAccountExit(void*) { return CheckAccount(*g_screen, &g_screen->grid, kLineAccount); }

// A new line's product: attached when it exists, else made.
Status WriteSubItem(Screen& s, TagProduct& p, bool* refused)
{
    *refused = false;
    KeyBuffer key;
    CodeKey(key, Text(p.Code, sizeof p.Code));
    TagProduct found{};
    Status st = s.products.Get(B_GET_EQUAL, key, found);
    if (st.Ok()) {
        const std::string stored = Text(found.Warehouse, 4);
        if (!stored.empty() && stored != Text(p.Warehouse, 4)) {
            int choice = 2;
            AskMessage(kMessageOtherWarehouse, MESSAGE_DEFAULT_CONTEXT, &choice, "\002Yes,No",
                       LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
            if (choice != 1) {
                *refused = true;
                return {};
            }
        }
        std::memcpy(found.MasterCode, p.MasterCode, sizeof found.MasterCode);
        std::memcpy(found.Warehouse, p.Warehouse, sizeof found.Warehouse);
        std::memcpy(found.Description, p.Description, sizeof found.Description);
        std::memcpy(found.Text58, p.Text58, sizeof found.Text58);
        std::memcpy(found.Text85, p.Text85, sizeof found.Text85);
        found.Amounts[PRODUCT_AMOUNT290] = p.Amounts[PRODUCT_AMOUNT290];
        st = s.products.Update(found);
        if (st.Ok()) {
            p = found;
            UnitsEnterable(s, false);
        }
        return st;
    }
    if (st.Is(B_KEY_NOT_FOUND)) {
        st = s.products.Insert(p);
        if (st.Ok())
            UnitsEnterable(s, false);
    }
    return st;
}

int OnLineLeave(void*)
{
    Screen& s = *g_screen;
    const int key = s.fx.key;
    if (key == kKeyDelete)
        return FX_RECORD_DONE;
    auto* line = static_cast<Line*>(FxGridCurrent(&s.grid));
    const bool stored = line != nullptr && line->position != 0;
    const std::string code = Trimmed(FxFieldGet(&s.grid, kLineCode));
    const bool upward = key == FX_KEY_UP || key == FX_KEY_PGUP || key == FX_KEY_CTRL_HOME;
    const bool firstLine = FxGridFirst(&s.grid) == nullptr || FxGridCurrent(&s.grid) == FxGridFirst(&s.grid);
    if (!stored && code.empty())
        return upward && firstLine ? FX_MAIN_FORM : FX_RECORD_DONE;
    if (Trimmed(FxFieldGet(&s.grid, kLineWarehouse)).empty()) {
        ShowMessage(kMessageWarehouseNeeded, 1);
        FxFocusField(&s.grid, kLineWarehouse);
        return FX_STAY_FOCUSED;
    }
    if (GetInterfaceFlag() == 'I' && Trimmed(FxFieldGet(&s.grid, kLineAccount)).empty()) {
        ShowMessage(kMessageAccountNeeded, 1);
        FxFocusField(&s.grid, kLineAccount);
        return FX_STAY;
    }
    TagProduct p = s.lineProduct;
    Put(p.Code, sizeof p.Code, code);
    Put(p.Warehouse, sizeof p.Warehouse, Trimmed(FxFieldGet(&s.grid, kLineWarehouse)));
    Put(p.Description, sizeof p.Description, Trimmed(FxFieldGet(&s.grid, kLineDescription)));
    Put(p.Text85, sizeof p.Text85, Trimmed(FxFieldGet(&s.grid, kLineAccount)));
    Put(p.Text58, sizeof p.Text58, Trimmed(FxFieldGet(&s.grid, kLineText)));
    p.Amounts[PRODUCT_AMOUNT290] = std::atof(FxFieldGet(&s.grid, kLineAmount));
    if (!stored) {
        bool refused = false;
        Status st = WriteSubItem(s, p, &refused);
        if (refused)
            return FX_STAY;
        uint32_t position = 0;
        if (st.Ok())
            st = s.products.Position(position);
        if (!st.Ok()) {
            st.Report();
            return FX_STAY;
        }
        if (line == nullptr)
            AppendLine(s, position, p);
        else
            *line = Line{position, p};
    } else if (std::memcmp(&p, &line->product, sizeof p) != 0) {
        KeyBuffer kb;
        TagProduct current{};
        Status st = s.products.Direct(line->position, kb, current);
        if (st.Ok())
            st = s.products.Update(p);
        if (st.Is(80)) {
            st = s.products.Direct(line->position, kb, current);
            if (st.Ok())
                st = s.products.Update(p);
        }
        if (!st.Ok()) {
            Status{st.status, B_UPDATE, FileNo::Products}.Report();
            return FX_STAY;
        }
        line->product = p;
    }
    if (upward && firstLine) {
        FxSetKeyState(&s.main, kKeyGenerate, 1);
        return FX_MAIN_FORM;
    }
    return FX_RECORD_DONE;
}

// Shift+F6: the line leaves the list only when its detach or delete was
// written.
int OnDeleteLine(void*)
{
    Screen& s = *g_screen;
    auto* line = static_cast<Line*>(FxGridCurrent(&s.grid));
    if (line == nullptr || line->position == 0)
        return FX_STAY;
    KeyBuffer key;
    TagProduct p{};
    Status st = s.products.Direct(line->position, key, p);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    int choice = 3;
    AskMessage(kMessageDetachOrDelete, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr,
               LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
    if (choice == 2) {
        for (int i : {PRODUCT_VALUE, PRODUCT_QUANTITY, PRODUCT_SECOND_QUANTITY, PRODUCT_FURTHER_QUANTITY})
            if (p.Amounts[i] != 0) {
                ShowMessage(kMessageStock, 1);
                return FX_STAY;
            }
        Table assemblies;
        if (p.Flags262[0] == 'Y' ||
            (assemblies.Open(FileNo::Assemblies).Ok() &&
             FindByCodeOnKey1(Text(p.Code, sizeof p.Code).c_str(), assemblies.Handle()) == 0)) {
            ShowMessage(kMessageAssembly, 1);
            return FX_STAY;
        }
        bool history = false;
        for (int run = 0; run < 4; ++run)
            for (int i = 1; i <= 3; ++i)
                history = history || p.Runs[run][i] != 0;
        if (history) {
            int go = 1;
            AskMessage(kMessageHistory, MESSAGE_DEFAULT_CONTEXT, &go, MESSAGE_BUTTONS_CONTINUE_CANCEL,
                       LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
            if (go != 1)
                return FX_STAY;
        }
        st = s.products.Direct(line->position, key, p);
        if (st.Ok())
            st = s.products.Delete();
    } else if (choice == 1) {
        std::memset(p.MasterCode, 0, sizeof p.MasterCode);
        std::memset(p.Warehouse, 0, 4);
        st = s.products.Update(p);
    } else {
        return FX_STAY;
    }
    if (!st.Ok()) {
        Status{st.status, choice == 2 ? B_DELETE : B_UPDATE, FileNo::Products}.Report();
        return FX_STAY;
    }
    FxGridLine(&s.fx, &s.grid, nullptr, 0x400000);
    if (FxGridCount(&s.grid) == 0)
        UnitsEnterable(s, true);
    return 0x80000 | FX_RECORD_DONE;
}

// F7: every warehouse without its sub-item gets one, all in one
// transaction. A code longer than a product code is listed, not made.
int OnGenerate(void*)
{
    Screen& s = *g_screen;
    ScreenToRecord(s);
    struct Planned {
        std::string code, warehouse;
    };
    std::vector<Planned> planned;
    std::vector<std::string> tooLong;
    KeyBuffer key;
    key.Clear();
    WarehouseRecord w{};
    Status st = s.warehouses.Get(B_GET_FIRST, key, w);
    for (; st.Ok(); st = s.warehouses.Get(B_GET_NEXT, key, w)) {
        const std::string warehouse = Text(w.Code, sizeof w.Code);
        const int length = s.master->FormProductCode(warehouse.c_str());
        if (length == 0)
            return FX_STAY;
        const std::string code = s.master->GetProductCode();
        if (length > kCodeWidth) {
            tooLong.push_back(code);
            continue;
        }
        KeyBuffer pk;
        CodeKey(pk, code);
        TagProduct existing{};
        const Status found = s.products.Get(B_GET_EQUAL, pk, existing);
        if (found.Ok())
            continue;
        if (!found.Is(B_KEY_NOT_FOUND)) {
            found.Report();
            return FX_STAY;
        }
        planned.push_back({code, warehouse});
    }
    if (!st.NotFound()) {
        Status{st.status, B_GET_NEXT, FileNo::Warehouses}.Report();
        return FX_STAY;
    }
    if (planned.empty()) {
        if (!tooLong.empty())
            FxMessageBox(nullptr, ("Codes longer than 14 characters, not made: " + [&] {
                                      std::string list;
                                      for (const std::string& c : tooLong)
                                          list += (list.empty() ? "" : ", ") + c;
                                      return list;
                                  }()).c_str(),
                         nullptr, FX_MB_ICONINFORMATION, 0);
        return FX_STAY;
    }
    if (GetInterfaceFlag() == 'I' && (Field(s, kAccount).empty() || CheckAccount(s, &s.main, kAccount) != FX_GO_ON)) {
        if (Field(s, kAccount).empty())
            ShowMessage(kMessageAccountNeeded, 1);
        FxFocusField(&s.main, kAccount);
        return FX_STAY_FOCUSED;
    }
    int choice = 1;
    AskMessage(kMessageGenerate, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, LibraryColorSets() + 5 * COLOR_SET_SIZE,
               -1, -1, 0, 0, 0);
    if (choice != 1)
        return FX_STAY;
    const std::string masterCode = Field(s, kCode);
    if (masterCode.empty()) {
        ShowMessage(kMessageNoMasterCode, 1);
        return FX_STAY;
    }
    const int loaded = LoadMaster(s, masterCode);
    if (loaded != FX_GO_ON && loaded != FX_GRID_FILLED)
        return loaded;
    ScreenToRecord(s);
    if (SaveMaster(s, true) != FX_GO_ON)
        return FX_STAY;
    {
        WriteBatch batch;
        if (!batch.Begun().Ok()) {
            batch.Begun().Report();
            return FX_STAY;
        }
        for (const Planned& p : planned) {
            KeyBuffer sk;
            CodeKey(sk, p.code);
            ServiceRecord service{};
            if (s.services.Get(B_GET_EQUAL, sk, service).Ok()) {
                char text[160];
                std::snprintf(text, sizeof text,
                              "The %s code is already in use in the Service file, and cannot be used for a new product.",
                              p.code.c_str());
                FxMessageBox(nullptr, text, nullptr, 0x30, 0);
                continue;
            }
            TagProduct product{};
            PrepareSubItem(Item(s), product);
            Put(product.Code, sizeof product.Code, p.code);
            Put(product.Warehouse, sizeof product.Warehouse, p.warehouse);
            Put(product.Description, sizeof product.Description, SubItemDescription(s, p.warehouse));
            st = s.products.Insert(product);
            if (!st.Ok()) {
                Status{st.status, B_INSERT, FileNo::Products}.Report();
                return FX_STAY;
            }
        }
        st = batch.Commit();
        if (!st.Ok()) {
            st.Report();
            return FX_STAY;
        }
    }
    if (!tooLong.empty()) {
        std::string list;
        for (const std::string& c : tooLong)
            list += (list.empty() ? "" : ", ") + c;
        FxMessageBox(nullptr, ("Codes longer than 14 characters, not made: " + list).c_str(), nullptr,
                     FX_MB_ICONINFORMATION, 0);
    }
    const int count = FillList(s);
    UnitsEnterable(s, count == 0);
    return FX_GRID_FILLED;
}

int OnMask(void*)
{
    RunProductMask(g_screen->master.get());
    return FX_STAY;
}

// ---- lookups

int OnLookUp(void*)
{
    Screen& s = *g_screen;
    if (s.inGrid) {
        const int field = s.grid.currentField;
        const std::string start = Trimmed(FxFieldGet(&s.grid, field));
        const char* from = start.empty() ? nullptr : start.c_str();
        if (field == kLineWarehouse) {
            WarehouseRecord w{};
            if (FlyWarehouses(from, 0, s.warehouses.Handle(), &w, 5, 6, 13, 67, nullptr) != 1)
                return FX_STAY;
            FxFieldSet(&s.grid, kLineWarehouse, Text(w.Code, sizeof w.Code).c_str());
            Put(s.lineProduct.Warehouse, sizeof s.lineProduct.Warehouse, Text(w.Code, sizeof w.Code));
            return FX_LOOKUP_SET;
        }
        if (field != kLineCode)
            return FX_STAY;
        int choice = 3;
        AskMessage(kMessageLineLookUp, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr,
                   LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
        if (choice == 1) {
            WarehouseRecord w{};
            if (FlyWarehouses(nullptr, 0, s.warehouses.Handle(), &w, 5, 6, 13, 67, nullptr) != 1)
                return FX_STAY;
            const std::string warehouse = Text(w.Code, sizeof w.Code);
            const std::string master = Text(Item(s).Code, sizeof Item(s).Code);
            std::string code = master;
            if (master.size() + std::strlen(s.master->GetCodeSeparator()) + warehouse.size() <= kCodeWidth)
                code += s.master->GetCodeSeparator();
            code += warehouse;
            code = code.substr(0, kCodeWidth);
            FxFieldSet(&s.grid, kLineCode, code.c_str());
            FxFieldSet(&s.grid, kLineWarehouse, warehouse.c_str());
            FxFieldSet(&s.grid, kLineDescription, SubItemDescription(s, warehouse).c_str());
            const int answer = LineCode(s, code);
            Put(s.lineProduct.Warehouse, sizeof s.lineProduct.Warehouse, warehouse);
            return answer == FX_GO_ON ? FX_LOOKUP_SET : answer;
        }
        if (choice == 2) {
            TagProduct p{};
            if (FlyProducts(from, 0, s.products.Handle(), &p, 4, 9, 13, 60, nullptr, 1) != 1)
                return FX_STAY;
            const std::string code = Text(p.Code, sizeof p.Code);
            FxFieldSet(&s.grid, kLineCode, code.c_str());
            const int answer = LineCode(s, code);
            return answer == FX_GO_ON ? FX_LOOKUP_SET : answer;
        }
        return FX_STAY;
    }
    const int field = s.main.currentField;
    const std::string start = Field(s, field);
    const char* from = start.empty() ? nullptr : start.c_str();
    if (field == kAccount) {
        char account[16] = {};
        std::snprintf(account, sizeof account, "%s", start.c_str());
        uint8_t record[600] = {};
        if (FlyAccountInterface(account, 1, s.accounts.Handle(), record, 6, 1, 10, 65, nullptr) !=
            ACCOUNT_INTERFACE_PICKED)
            return FX_STAY;
        FxFieldSet(&s.main, kAccount, account);
        return FX_LOOKUP_SET;
    }
    if ((field == kVendor1 || field == kVendor2 || field == kVendor3) && s.interfaced) {
        CustomerRecord v{};
        if (FlyVendors(from, 0, s.vendors.Handle(), &v, 4, 16, 13, 49, nullptr, 1) != 1)
            return FX_STAY;
        FxFieldSet(&s.main, field, Text(v.Code, sizeof v.Code).c_str());
        return FX_LOOKUP_SET;
    }
    if (field >= kBreak1 && field <= kBreak6) {
        PriceBreakRecord r{};
        if (FlyPriceBreaks(from, 0, s.priceBreaks.Handle(), &r, 4, 14, 13, 53, nullptr) != 1)
            return FX_STAY;
        FxFieldSet(&s.main, field, Text(r.Code, sizeof r.Code).c_str());
        return FX_LOOKUP_SET;
    }
    if (field == kRelated1 || field == kRelated2) {
        TagProduct p{};
        if (FlyProducts(from, 1, s.products.Handle(), &p, 4, 9, 13, 60, nullptr, 1) != 1)
            return FX_STAY;
        FxFieldSet(&s.main, field, Text(p.Code, sizeof p.Code).c_str());
        return CheckNamed(s, field) == FX_STAY_FOCUSED ? FX_STAY : FX_LOOKUP_SET;
    }
    TagMasterItem picked{};
    if (FlyMasterItems(field == kCode ? from : nullptr, field == kCode ? 0 : 1, s.master->GetHandle(), &picked, 4, 9,
                       13, 60, nullptr, 0, 0, nullptr) != 1)
        return FX_STAY;
    const std::string code = Text(picked.Code, sizeof picked.Code);
    FxFieldSet(&s.main, kCode, code.c_str());
    const int answer = LoadMaster(s, code);
    return answer == FX_GO_ON ? FX_LOOKUP_SET : answer;
}

void BuildFields(Screen& s)
{
    ScreenField* f = s.mainFields;
    int i = 0;
    f[i++] = bwps::Field(kCode, 1, 10, "%-10sC").Prompt(693).Flags(FX_FIELD_UPPER).Exit(OnCodeExit).Entry(OnMainEnter);
    f[i++] = bwps::Field(kDescription, 1, 45, "%-26s").Prompt(694).Entry(OnMainEnter);
    f[i++] = bwps::Field(kAccount, 2, 10, "%-5s").Prompt(695).Flags(FX_FIELD_UPPER).Exit(OnAccountExit);
    f[i++] = bwps::Field(kItemType, 2, 45, "%-31sm").Prompt(696).Choices(kTypeChoices);
    f[i++] = bwps::Field(kText50, 3, 10, "%-8s").Prompt(697);
    f[i++] = bwps::Field(kCodeKind, 3, 45, "%-30sm").Prompt(698).Choices(kKindChoices);
    f[i++] = bwps::Field(kUnit1, 8, 19, "%-8s").Prompt(699);
    f[i++] = bwps::Field(kUnits1, 8, 41, "%-4u").Prompt(700);
    f[i++] = bwps::Field(kUnit2, 7, 19, "%-8s").Prompt(701);
    f[i++] = bwps::Field(kUnits2, 7, 41, "%-4u").Prompt(702);
    f[i++] = bwps::Field(kNumber1, 4, 10, "%6lu").Prompt(703);
    f[i++] = bwps::Field(kNumber2, 4, 34, "%6lu").Prompt(704);
    f[i++] = bwps::Field(kText83, 4, 62, "%-10s").Prompt(705);
    f[i++] = bwps::Field(kVendor1, 12, 10, "%-10sC").Prompt(706).Flags(FX_FIELD_UPPER);
    f[i++] = bwps::Field(kVendorItem1, 12, 24, "%-14sC").Prompt(706).Flags(FX_FIELD_UPPER);
    f[i++] = bwps::Field(kVendor2, 13, 10, "%-10sC").Prompt(707).Flags(FX_FIELD_UPPER);
    f[i++] = bwps::Field(kVendorItem2, 13, 24, "%-14sC").Prompt(707).Flags(FX_FIELD_UPPER);
    f[i++] = bwps::Field(kVendor3, 14, 10, "%-10sC").Prompt(708).Flags(FX_FIELD_UPPER);
    f[i++] = bwps::Field(kVendorItem3, 14, 24, "%-14sC").Prompt(708).Flags(FX_FIELD_UPPER);
    f[i++] = bwps::Field(kAmount, 7, 66, "%11.4fu").Prompt(709);
    const uint8_t breakRows[6] = {9, 9, 9, 10, 10, 10};
    const uint8_t breakColumns[6] = {19, 41, 67, 19, 41, 67};
    for (int b = 0; b < 6; ++b)
        f[i++] = bwps::Field(static_cast<uint8_t>(kBreak1 + b), breakRows[b], breakColumns[b], "%-5sC")
                     .Prompt(710)
                     .Flags(FX_FIELD_UPPER)
                     .Exit(OnNamedExit);
    f[i++] = bwps::Field(kRelated1, 12, 46, "%-14sC").Prompt(711).Flags(FX_FIELD_UPPER).Exit(OnNamedExit);
    f[i++] = bwps::Field(kRelated2, 13, 46, "%-14sC").Prompt(711).Flags(FX_FIELD_UPPER).Exit(OnNamedExit);
    f[i++] = bwps::Field(kFlag256, 6, 19, "%-10sm").Prompt(712).Choices(kYesNo);
    f[i++] = bwps::Field(kSerials, 6, 41, "%-10sm").Prompt(713).Choices(kYesNo);
    f[i++] = bwps::Field(kFlag255, 6, 66, "%-10sm").Prompt(714).Choices(kYesNo).Exit(OnLastFieldExit);
    f[i] = ScreenField{};
    if (!s.interfaced)
        for (int v : {kVendor1, kVendor2, kVendor3})
            s.mainFields[v - 1].displayOnly = 1;
    ScreenField* g = s.gridFields;
    g[0] = bwps::Field(kLineCode, 18, 1, "%-14sC").Prompt(715).Flags(FX_FIELD_UPPER).Exit(OnLineCodeExit);
    g[1] = bwps::Field(kLineWarehouse, 18, 16, "%-3sC").Prompt(716).Flags(FX_FIELD_UPPER).Exit(OnLineWarehouseExit);
    g[2] = bwps::Field(kLineDescription, 18, 20, "%-30s").Prompt(717);
    g[3] = bwps::Field(kLineAccount, 18, 51, "%-5s").Prompt(718).Flags(FX_FIELD_UPPER).Exit(OnLineAccountExit);
    g[4] = bwps::Field(kLineAmount, 18, 57, "%11.4fu").Prompt(719);
    g[5] = bwps::Field(kLineText, 18, 69, "%-8s").Prompt(720);
    g[6] = ScreenField{};
}

void SetKeys(FxForm* form)
{
    FxSetKeyHandler(form, kKeyNew, nullptr);
    FxSetKeyHandler(form, kKeyEdit, nullptr);
    FxSetKeyHandler(form, kKeyLookUp, OnLookUp);
    if (CheckUserAccess(kRightDelete, 0, nullptr, 0) != 0)
        FxSetKeyHandler(form, kKeyDelete, OnDelete);
    FxSetKeyHandler(form, kKeyDeleteLine, OnDeleteLine);
    FxSetKeyHandler(form, kKeyGenerate, OnGenerate);
    FxSetKeyHandler(form, kKeyMask, OnMask);
    FxSetKeyHandler(form, kKeyWrite, OnWrite);
}

int LeaveQuestion(FxForm* form)
{
    Screen& s = *g_screen;
    if (s.inGrid) {
        ShowMessage(7, 1);
        return 0;
    }
    if (Field(s, kCode).empty())
        return 1;
    return AskChoiceMessage(form);
}

void DrawTexts(Screen& s)
{
    struct Label {
        int row, column;
        const char* text;
    } const labels[] = {
        {1, 2, "Code:"},          {1, 32, "Description:"},  {2, 2, "Acct:"},     {2, 34, "Item type:"},
        {3, 4, "Text:"},          {3, 31, "Code printed:"}, {4, 2, "Number:"},      {4, 25, "Number:"},
        {4, 55, "Text:"},         {6, 7, "Option A:"},      {6, 30, "Serials:"},    {6, 56, "Option B:"},
        {7, 10, "Unit 2:"},       {7, 34, "Units:"},        {7, 57, "Amount:"},     {8, 10, "Unit 1:"},
        {8, 34, "Units:"},        {9, 10, "Break 1:"},      {9, 32, "Break 2:"},    {9, 58, "Break 3:"},
        {10, 10, "Break 4:"},     {10, 32, "Break 5:"},     {10, 58, "Break 6:"},   {11, 10, "Vendor"},
        {11, 24, "Vendor's code"}, {11, 46, "Related products"}, {12, 2, "First:"}, {13, 2, "Second:"},
        {14, 2, "Third:"},        {17, 1, "Sub-item code"}, {17, 16, "Whs"},        {17, 20, "Description"},
        {17, 51, "Acct"},         {17, 57, "Amount"},       {17, 69, "Text"},
    };
    for (const Label& l : labels)
        FxWindowText(&s.window, l.row, l.column, -1, l.text, 0);
}

int RunMasterItems()
{
    auto screen = std::make_unique<Screen>();
    Screen& s = *screen;
    s.master = std::make_unique<CMasterItem>();
    if (!CheckUserGroupAccess(kScreenFunction))
        return 0;
    s.interfaced = IsInterfacedToAccounting() != 0;
    for (Table* t : {&s.products, &s.accounts, &s.priceBreaks, &s.warehouses, &s.services}) {
        const Status st = t->Open(t->File());
        if (!st.Ok()) {
            st.Report();
            return 0;
        }
    }
    if (s.interfaced) {
        const Status st = s.vendors.Open(FileNo::Vendors);
        if (!st.Ok()) {
            st.Report();
            return 0;
        }
    }
    const int opened = s.master->TableOpen();
    if (opened != 0) {
        ReportRecordManagerError(opened, 1, MESSAGE_OPEN_OPERATION, No(FileNo::MasterItems), 0);
        return 0;
    }
    BuildFields(s);
    g_screen = &s;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.main, s.mainFields, 1) && FxFormLoad(&s.grid, s.gridFields, 1) &&
        FxWindowCreate(&s.window, 0, 0, 23, 79, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditMasterItems");
        SetupStandardScreen(&s.main, 0x07, 502);
        SetKeys(&s.main);
        SetKeys(&s.grid);
        s.main.newRecord = OnNewRecord;
        s.main.question = LeaveQuestion;
        s.grid.lineEnter = OnLineEnter;
        s.grid.lineShow = OnLineShow;
        s.grid.lineLeave = OnLineLeave;
        s.grid.question = LeaveQuestion;
        s.audit = std::make_unique<AuditLog>();
        s.audit->SetUser(GetSessionPaths()->UserLevel == BWPS_SUPERVISOR_LEVEL ? SUPERVISOR_USER_ID
                                                                                 : GetSessionPaths()->UserId);
        s.audit->SetBrmProdtId(100, static_cast<unsigned char>(s.interfaced ? 1 : 0));
        FxWindowAttachForm(&s.window, &s.main, 0);
        DrawTexts(s);
        FxGridBlock block{4, 1, 78, 1};
        FxGridAttach(&s.main, &s.grid, &block);
        FxAppRun(&s.fx, 0);
        s.audit.reset();
        FxWindowClose(&s.window, 1);
    }
    FxGridClear(&s.grid);
    FxAppEnd(&s.fx);
    g_screen = nullptr;
    return 0;
}

}  // namespace
}  // namespace bwps

int RSEditMasterItems(int) { return bwps::RunMasterItems(); }

BWPS_ORDINAL(3110, RSEditMasterItems);
