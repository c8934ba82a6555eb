// The serial-number screen: one unit of a serialised product or service on
// the main form, its movements in a list under it. A movement written from
// the list and the unit it moves in or out of stock are written together in
// one record-manager transaction.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/serials.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"

namespace bwps {
namespace {

constexpr int kMessageInvalidDate = 185;
constexpr int kMessageNoCode = 193;
constexpr int kMessageNotAnItem = 931;
constexpr int kMessageNotSerialised = 933;
constexpr int kMessageLookUpWhat = 1175;

constexpr int kKeyLookUp = 0x3F00;      // F5
constexpr int kKeyDelete = 0x4000;      // F6
constexpr int kKeyNew = 0x4200;         // F8: released
constexpr int kKeyWrite = 0x4400;       // F10
constexpr int kKeyDeleteLine = 0x5900;  // Shift+F6

enum MainField { kCode = 1, kWarehouseLabel, kWarehouse, kSerial, kAvailable };
enum LineField { kType = 1, kDocument, kParty, kDate, kEffect };

constexpr size_t kUnitKeySize = offsetof(TagSerialNumber, Available);

// Movement types: the option's kind letters and the Add/Remove it starts with.
struct MovementType {
    char kind, subKind, effect;
};
constexpr MovementType kTypes[] = {
    {'P', 'I', 'A'}, {'P', 'R', 'R'}, {'B', 'I', 'R'}, {'B', 'R', 'A'}, {'I', '1', 'A'}, {'O', '5', 'R'},
};
constexpr char kTypeChoices[] =
    "\x01MR|Merchandise Received,PR|Purchase Return,IN|Invoice,SR|Sales Return,II|Inventory In,IO|Inventory Out";
constexpr char kEffectChoices[] = "\x01" "Add,Remove";
constexpr char kYesNo[] = "\x01" "Yes,No";

int TypeOption(char kind, char subKind)
{
    for (int i = 0; i < 6; ++i)
        if (kTypes[i].kind == kind && kTypes[i].subKind == subKind)
            return i + 1;
    return 1;
}
const MovementType& TypeOf(int option) { return kTypes[option >= 1 && option <= 6 ? option - 1 : 0]; }

// A list line: the stored movement and its position (0 for a new line).
struct Line {
    uint32_t position;
    TagSerialMovement movement;
};

struct Screen {
    FxContext fx{};  // first: handlers get the context
    FxWindow window{};
    FxForm main{};
    FxForm grid{};
    ScreenField mainFields[6]{};
    ScreenField gridFields[6]{};
    Table units{FileNo::SerialNumbers};
    Table movements{FileNo::SerialDetail};
    Table products{FileNo::Products};
    Table services{FileNo::Services};
    Table customers{FileNo::Customers};
    Table vendors{FileNo::Vendors};
    TagSerialNumber unit{};
    TagSerialMovement movement{};
    std::string heldCode, heldSerial;
    bool isNew = false;
    bool filled = false;
    bool interfaced = false;
    bool inGrid = false;
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

void CodeKey(KeyBuffer& key, const std::string& code)
{
    key.Clear();
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 14));
}

void UnitKey(KeyBuffer& key, const TagSerialNumber& unit)
{
    key.Clear();
    std::memcpy(key.bytes, unit.Code, kUnitKeySize);
}

void ShowAvailability(Screen& s) { PutYesNoChoice(&s.main, kAvailable, s.unit.Available == 'Y' ? 'Y' : 'N'); }

// Fields 1, 3, 4 and 5 from the unit; the warehouse is the product's.
void ShowUnit(Screen& s)
{
    FxFieldSet(&s.main, kCode, Text(s.unit.Code, sizeof s.unit.Code).c_str());
    FxFieldSet(&s.main, kSerial, Text(s.unit.Serial, sizeof s.unit.Serial).c_str());
    ShowAvailability(s);
    KeyBuffer key;
    CodeKey(key, Text(s.unit.Code, sizeof s.unit.Code));
    TagProduct product{};
    const bool found = s.products.Get(B_GET_EQUAL, key, product).Ok();
    FxFieldSet(&s.main, kWarehouse, found ? Text(product.Warehouse, 4).c_str() : "");
}

void EmptyList(Screen& s)
{
    FxGridEmpty(&s.grid);
    s.filled = false;
}

int OnNewRecord(void*)
{
    Screen& s = *g_screen;
    s.filled = false;
    s.isNew = false;
    s.unit = TagSerialNumber{};
    s.unit.Available = 'N';
    s.heldCode.clear();
    s.heldSerial.clear();
    FxSetKeyState(&s.main, kKeyDelete, 0);
    FxSetKeyState(&s.main, kKeyDeleteLine, 0);
    FxGridClear(&s.grid);
    ShowUnit(s);
    FxFieldSet(&s.main, kWarehouseLabel, "Warehouse:");
    return FX_GO_ON;
}

int OnMainEnter(void*)
{
    g_screen->inGrid = false;
    return FX_GO_ON;
}

int OnKeyFieldEnter(void*)
{
    Screen& s = *g_screen;
    s.inGrid = false;
    s.heldCode = Trimmed(FxFieldGet(&s.main, kCode));
    s.heldSerial = Trimmed(FxFieldGet(&s.main, kSerial));
    return FX_GO_ON;
}

// Whether the code names a serialised product or service; the refusal
// shown when it does not.
int CheckItem(Screen& s, const std::string& code)
{
    KeyBuffer key;
    CodeKey(key, code);
    TagProduct product{};
    Status st = s.products.Get(B_GET_EQUAL, key, product);
    if (st.Ok())
        return product.Flags262[4] == 'Y' ? FX_GO_ON : (ShowMessage(kMessageNotSerialised, 1), FX_STAY);
    if (!st.NotFound()) {
        st.Report();
        return FX_STAY;
    }
    ServiceRecord service{};
    CodeKey(key, code);
    st = s.services.Get(B_GET_EQUAL, key, service);
    if (st.Ok())
        return service.Flags[3] == 'Y' ? FX_GO_ON : (ShowMessage(kMessageNotSerialised, 1), FX_STAY);
    if (!st.NotFound()) {
        st.Report();
        return FX_STAY;
    }
    ShowMessage(kMessageNotAnItem, 1);
    return FX_STAY;
}

int CodeExit(Screen& s)
{
    if (s.fx.key == kKeyDelete)
        return FX_GO_ON;
    const std::string code = Trimmed(FxFieldGet(&s.main, kCode));
    if (code.empty())
        return FX_GO_ON;
    const int checked = CheckItem(s, code);
    if (checked != FX_GO_ON)
        return checked;
    int answer = FX_GO_ON;
    if (code != Text(s.unit.Code, sizeof s.unit.Code)) {
        Put(s.unit.Code, sizeof s.unit.Code, code);
        ShowUnit(s);
        if (s.filled) {
            EmptyList(s);
            answer |= 0x40000;
        }
    }
    return answer;
}

int OnCodeExit(void*) { return CodeExit(*g_screen); }

bool Upward(int key) { return key == FX_KEY_UP || key == FX_KEY_PGUP || key == FX_KEY_CTRL_HOME; }

int SerialExit(Screen& s)
{
    if (Upward(s.fx.key))
        return FX_GO_ON;
    const std::string code = Trimmed(FxFieldGet(&s.main, kCode));
    const std::string serial = Trimmed(FxFieldGet(&s.main, kSerial));
    int answer = FX_GO_ON;
    if (serial != s.heldSerial && s.filled) {
        EmptyList(s);
        answer |= 0x40000;
    }
    if (code.empty()) {
        ShowMessage(kMessageNoCode, 1);
        FxFocusField(&s.main, kCode);
        return FX_STAY_FOCUSED;
    }
    if (serial.empty()) {
        ShowMessage(kMessageNoCode, 1);
        return FX_STAY;
    }
    TagSerialNumber probe{};
    Put(probe.Code, sizeof probe.Code, code);
    Put(probe.Serial, sizeof probe.Serial, serial);
    KeyBuffer key;
    UnitKey(key, probe);
    TagSerialNumber found{};
    const Status st = s.units.Get(B_GET_EQUAL, key, found);
    if (st.Ok()) {
        s.unit = found;
        s.isNew = false;
        ShowUnit(s);
        FxSetKeyState(&s.main, kKeyDelete, 1);
    } else if (st.Is(B_KEY_NOT_FOUND)) {
        if (!s.isNew || Text(s.unit.Code, sizeof s.unit.Code) != code ||
            Text(s.unit.Serial, sizeof s.unit.Serial) != serial) {
            s.unit = TagSerialNumber{};
            s.unit.Available = 'N';
            Put(s.unit.Code, sizeof s.unit.Code, code);
            Put(s.unit.Serial, sizeof s.unit.Serial, serial);
            ShowUnit(s);
        }
        FxSetKeyState(&s.main, kKeyDelete, 0);
        s.isNew = true;
    } else {
        st.Report();
        return FX_STAY;
    }
    return answer;
}

int OnSerialExit(void*) { return SerialExit(*g_screen); }

// Screen to unit and written; 0 when written, else the answer.
int SaveUnit(Screen& s)
{
    const std::string serial = Trimmed(FxFieldGet(&s.main, kSerial));
    Put(s.unit.Code, sizeof s.unit.Code, Trimmed(FxFieldGet(&s.main, kCode)));
    Put(s.unit.Serial, sizeof s.unit.Serial, serial);
    s.unit.Available = ReadYesNoChoice(&s.main, kAvailable) == 'Y' ? 'Y' : 'N';
    if (serial.empty() || Text(s.unit.Code, sizeof s.unit.Code).empty()) {
        ShowMessage(kMessageNoCode, 1);
        FxFocusField(&s.main, serial.empty() ? kSerial : kCode);
        return FX_STAY_FOCUSED;
    }
    Status st;
    if (s.isNew) {
        st = s.units.Insert(s.unit);
    } else {
        KeyBuffer key;
        UnitKey(key, s.unit);
        TagSerialNumber stored{};
        st = s.units.Get(B_GET_EQUAL, key, stored);
        if (st.Ok())
            st = s.units.Update(s.unit);
    }
    if (!st.Ok()) {
        Status{st.status, s.isNew ? B_INSERT : B_UPDATE, FileNo::SerialNumbers}.Report();
        return FX_STAY;
    }
    s.isNew = false;
    FxSetKeyState(&s.main, kKeyDelete, 1);
    return FX_GO_ON;
}

void ShowLine(Screen& s, const TagSerialMovement& m)
{
    FxChoiceSet(&s.grid, kType, TypeOption(m.Kind, m.SubKind));
    FxFieldSet(&s.grid, kDocument, Text(m.Document, sizeof m.Document).c_str());
    FxFieldSet(&s.grid, kParty, Text(m.Party, sizeof m.Party).c_str());
    char date[16] = {};
    FxFieldSet(&s.grid, kDate, FxDateFormat(date, m.Date));
    FxChoiceSet(&s.grid, kEffect, m.Effect == 'R' ? 2 : 1);
}

bool FillList(Screen& s)
{
    FxGridClear(&s.grid);
    KeyBuffer key;
    UnitKey(key, s.unit);
    s.movements.SetKey(SERIAL_KEY_UNIT);
    TagSerialMovement m{};
    Status st = s.movements.Get(B_GET_GE, key, m);
    for (; st.Ok() && std::memcmp(m.Code, s.unit.Code, kUnitKeySize) == 0; st = s.movements.Get(B_GET_NEXT, key, m)) {
        auto* line = static_cast<Line*>(FxGridNewLine(&s.grid, sizeof(Line)));
        if (line == nullptr) {
            ShowMessage(2, 1);
            break;
        }
        if (!s.movements.Position(line->position).Ok())
            line->position = 0;
        line->movement = m;
        FxGridLine(&s.fx, &s.grid, line, 0x200000);
    }
    if (!st.Ok() && !st.NotFound()) {
        st.Report();
        return false;
    }
    s.filled = true;
    FxGridRedraw(&s.grid);
    return true;
}

int OnAvailableExit(void*)
{
    Screen& s = *g_screen;
    const int key = s.fx.key;
    if (Upward(key) || key == kKeyDelete || key == kKeyWrite)
        return FX_GO_ON;
    const int saved = SaveUnit(s);
    if (saved != FX_GO_ON)
        return saved;
    if (!s.filled && !FillList(s))
        return FX_STAY;
    return FX_GRID_FILLED | FX_RECORD_DONE_MAIN;
}

int OnWrite(void*)
{
    Screen& s = *g_screen;
    const bool fromGrid = s.inGrid;
    const int saved = SaveUnit(s);
    if (saved != FX_GO_ON)
        return saved;
    if (fromGrid)
        return 0x40000 | FX_RECORD_DONE_MAIN;
    return s.filled ? 0x40000 | FX_RECORD_DONE : FX_RECORD_DONE;
}

int OnDelete(void*)
{
    Screen& s = *g_screen;
    if (s.isNew)
        return FX_STAY;
    KeyBuffer key;
    UnitKey(key, s.unit);
    TagSerialNumber current{};
    Status st = s.units.Get(B_GET_EQUAL, key, current);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    TagSerialMovement work{};
    SerialDeleteResult result{};
    const int status = DeleteSerialNumber(s.units.Handle(), s.movements.Handle(), &current, &work, &result, 1);
    if (status == 0)
        return s.inGrid ? 0x40000 | FX_RECORD_DONE_MAIN : 0x40000 | FX_RECORD_DONE;
    if (status != SERIAL_DELETE_DECLINED && status != B_END_OF_FILE)
        ReportRecordManagerError(result.Status, 1, result.Operation, result.File, 0);
    return FX_STAY;
}

// ---- the list

int OnLineEnter(void*)
{
    Screen& s = *g_screen;
    s.inGrid = true;
    auto* line = static_cast<Line*>(FxGridCurrent(&s.grid));
    if (line == nullptr || line->position == 0) {
        s.movement = TagSerialMovement{};
        std::memcpy(s.movement.Code, s.unit.Code, kUnitKeySize);
        s.movement.Kind = 'P';
        s.movement.SubKind = 'I';
        s.movement.Effect = 'A';
        s.movement.Date = FxToday();
        FxSetKeyState(&s.grid, kKeyDeleteLine, 0);
    } else {
        FxSetKeyState(&s.grid, kKeyDeleteLine, 1);
        KeyBuffer key;
        const Status st = s.movements.Direct(line->position, key, s.movement);
        if (!st.Ok()) {
            st.Report();
            line->position = 0;
        } else {
            line->movement = s.movement;
        }
    }
    ShowLine(s, s.movement);
    return FX_GO_ON;
}

int OnLineShow(void*)
{
    Screen& s = *g_screen;
    if (const auto* line = static_cast<const Line*>(FxGridCurrent(&s.grid)))
        ShowLine(s, line->movement);
    return FX_GO_ON;
}

int OnTypeExit(void*)
{
    Screen& s = *g_screen;
    const MovementType& type = TypeOf(FxChoiceGet(&s.grid, kType));
    if (type.kind != s.movement.Kind || type.subKind != s.movement.SubKind)
        FxChoiceSet(&s.grid, kEffect, type.effect == 'R' ? 2 : 1);
    return FX_GO_ON;
}

int OnDateExit(void*)
{
    Screen& s = *g_screen;
    const char* text = FxFieldGet(&s.grid, kDate);
    if (!FxDateValid(text)) {
        ShowMessage(kMessageInvalidDate, 1);
        return FX_STAY;
    }
    return FX_GO_ON;
}

TagSerialMovement ScreenMovement(Screen& s)
{
    TagSerialMovement m = s.movement;
    const MovementType& type = TypeOf(FxChoiceGet(&s.grid, kType));
    m.Kind = type.kind;
    m.SubKind = type.subKind;
    Put(m.Document, sizeof m.Document, Trimmed(FxFieldGet(&s.grid, kDocument)));
    Put(m.Party, sizeof m.Party, Trimmed(FxFieldGet(&s.grid, kParty)));
    m.Date = FxDateParse(FxFieldGet(&s.grid, kDate));
    m.Effect = FxChoiceGet(&s.grid, kEffect) == 2 ? 'R' : 'A';
    return m;
}

// A new movement and its unit, written together.
Status WriteNewMovement(Screen& s, TagSerialMovement& m, uint32_t& position)
{
    WriteBatch batch;
    if (!batch.Begun().Ok())
        return batch.Begun();
    Status st = s.movements.Insert(m);
    if (!st.Ok())
        return st;
    st = s.movements.Position(position);
    if (!st.Ok())
        return st;
    TagSerialNumber unit = s.unit;
    MergeSerialAvailability(&unit, &m);
    KeyBuffer key;
    UnitKey(key, unit);
    TagSerialNumber stored{};
    st = s.units.Get(B_GET_EQUAL, key, stored);
    if (st.Ok())
        st = s.units.Update(unit);
    else if (st.Is(B_KEY_NOT_FOUND))
        st = s.units.Insert(unit);
    if (!st.Ok())
        return st;
    st = batch.Commit();
    if (st.Ok()) {
        s.unit = unit;
        s.isNew = false;
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
    const bool fresh = line == nullptr || line->position == 0;
    TagSerialMovement m = ScreenMovement(s);
    const bool firstLine = FxGridFirst(&s.grid) == nullptr || FxGridCurrent(&s.grid) == FxGridFirst(&s.grid);
    if (fresh && Text(m.Document, sizeof m.Document).empty()) {
        if (Upward(key) || key == kKeyWrite || key == FX_KEY_SHIFT_TAB)
            return firstLine && Upward(key) ? FX_MAIN_FORM : FX_RECORD_DONE;
        return FX_STAY;
    }
    if (!fresh && std::memcmp(&m, &line->movement, sizeof m) == 0)
        return firstLine && Upward(key) ? FX_MAIN_FORM : FX_RECORD_DONE;
    if (fresh) {
        uint32_t position = 0;
        const Status st = WriteNewMovement(s, m, position);
        if (!st.Ok()) {
            st.Report();
            return FX_STAY;
        }
        if (line == nullptr) {
            line = static_cast<Line*>(FxGridNewLine(&s.grid, sizeof(Line)));
            if (line == nullptr)
                return FX_STAY;
            FxGridLine(&s.fx, &s.grid, line, 0x200000);
        }
        line->position = position;
        line->movement = m;
        ShowAvailability(s);
    } else {
        KeyBuffer key2;
        TagSerialMovement stored{};
        Status st = s.movements.Direct(line->position, key2, stored);
        if (st.Ok())
            st = s.movements.Update(m);
        if (!st.Ok()) {
            st.Report();
            return FX_STAY;
        }
        if (m.Effect != line->movement.Effect) {
            MergeSerialAvailability(&s.unit, &m);
            ShowAvailability(s);
        }
        line->movement = m;
    }
    s.movement = m;
    return firstLine && Upward(key) ? FX_MAIN_FORM : FX_RECORD_DONE;
}

int OnDeleteLine(void*)
{
    Screen& s = *g_screen;
    auto* line = static_cast<Line*>(FxGridCurrent(&s.grid));
    if (line == nullptr || line->position == 0)
        return FX_STAY;
    KeyBuffer key;
    TagSerialMovement m{};
    const Status st = s.movements.Direct(line->position, key, m);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    if (DeleteSerialMovement(s.units.Handle(), s.movements.Handle(), 0, &s.unit, &m) != 0)
        return FX_STAY;
    ShowAvailability(s);
    FxGridLine(&s.fx, &s.grid, nullptr, 0x400000);
    return 0x80000 | FX_RECORD_DONE;
}

// ---- lookups

int LookUpUnit(Screen& s)
{
    TagSerialNumber picked{};
    const std::string start = Trimmed(FxFieldGet(&s.main, kCode)) + Trimmed(FxFieldGet(&s.main, kSerial));
    if (FlySerialNumbers(start.empty() ? nullptr : start.c_str(), 0, s.units.Handle(), &picked, 'L', 4, 9, 13, 60,
                         nullptr) != 1)
        return FX_STAY;
    s.unit = picked;
    s.isNew = false;
    ShowUnit(s);
    FxSetKeyState(&s.main, kKeyDelete, 1);
    return FX_LOOKUP_SET;
}

int OnLookUp(void*)
{
    Screen& s = *g_screen;
    if (s.inGrid) {
        if (s.grid.currentField != kParty)
            return FX_STAY;
        const std::string start = Trimmed(FxFieldGet(&s.grid, kParty));
        CustomerRecord party{};
        int picked = 0;
        if (TypeOf(FxChoiceGet(&s.grid, kType)).kind == 'B')
            picked = FlyCustomers(start.empty() ? nullptr : start.c_str(), 0, s.customers.Handle(), &party, 4, 14,
                                  13, 50, nullptr, 1);
        else if (s.interfaced)
            picked = FlyVendors(start.empty() ? nullptr : start.c_str(), 0, s.vendors.Handle(), &party, 4, 14, 13,
                                50, nullptr, 1);
        if (picked != 1)
            return FX_STAY;
        FxFieldSet(&s.grid, kParty, Text(party.Code, sizeof party.Code).c_str());
        return FX_LOOKUP_SET;
    }
    if (s.main.currentField == kSerial) {
        const int answer = LookUpUnit(s);
        return answer == FX_LOOKUP_SET ? (SerialExit(s) == FX_GO_ON ? FX_LOOKUP_SET : FX_STAY) : answer;
    }
    if (s.main.currentField != kCode)
        return FX_STAY;
    int choice = 1;
    AskMessage(kMessageLookUpWhat, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr,
               LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
    const std::string start = Trimmed(FxFieldGet(&s.main, kCode));
    const char* from = start.empty() ? nullptr : start.c_str();
    std::string code;
    if (choice == 1) {
        return LookUpUnit(s);
    } else if (choice == 2) {
        TagProduct product{};
        if (FlyProducts(from, 0, s.products.Handle(), &product, 4, 9, 13, 60, nullptr, 1) != 1)
            return FX_STAY;
        if (product.Flags262[4] != 'Y') {
            ShowMessage(kMessageNotSerialised, 1);
            return FX_STAY;
        }
        code = Text(product.Code, sizeof product.Code);
    } else if (choice == 3) {
        ServiceRecord service{};
        if (FlyServices(from, 0, s.services.Handle(), &service, 4, 9, 13, 60, nullptr, 1) != 1)
            return FX_STAY;
        if (service.Flags[3] != 'Y') {
            ShowMessage(kMessageNotSerialised, 1);
            return FX_STAY;
        }
        code = Text(service.Code, sizeof service.Code);
    } else {
        return FX_STAY;
    }
    if (code != Text(s.unit.Code, sizeof s.unit.Code)) {
        s.unit = TagSerialNumber{};
        s.unit.Available = 'N';
    }
    FxFieldSet(&s.main, kCode, code.c_str());
    const int answer = CodeExit(s);
    return answer != FX_GO_ON ? answer : FX_LOOKUP_SET;
}

void BuildFields(Screen& s)
{
    s.mainFields[0] = Field(kCode, 1, 24, "%-14sC").Prompt(465).Flags(FX_FIELD_UPPER);
    s.mainFields[0].entryHandler = OnKeyFieldEnter;
    s.mainFields[0].exitHandler = OnCodeExit;
    s.mainFields[1] = Field(kWarehouseLabel, 1, 40, "%-10s").Prompt(1).DisplayOnly();
    s.mainFields[2] = Field(kWarehouse, 1, 51, "%-3sC").Prompt(1).DisplayOnly();
    s.mainFields[3] = Field(kSerial, 2, 24, "%-20s").Prompt(464);
    s.mainFields[3].entryHandler = OnKeyFieldEnter;
    s.mainFields[3].exitHandler = OnSerialExit;
    s.mainFields[4] = Field(kAvailable, 2, 62, "%-10sm").Prompt(498).Choices(kYesNo);
    s.mainFields[4].exitHandler = OnAvailableExit;
    s.mainFields[4].entryHandler = OnMainEnter;
    s.mainFields[5] = ScreenField{};
    s.gridFields[0] = Field(kType, 5, 2, "%-18sm").Prompt(466).Choices(kTypeChoices);
    s.gridFields[0].exitHandler = OnTypeExit;
    s.gridFields[1] = Field(kDocument, 5, 23, "%-10sC").Prompt(467).Flags(FX_FIELD_UPPER);
    s.gridFields[2] = Field(kParty, 5, 35, "%-10sC").Prompt(469).Flags(FX_FIELD_UPPER);
    s.gridFields[3] = Field(kDate, 5, 53, "nn/nn/nn").Prompt(468);
    s.gridFields[3].exitHandler = OnDateExit;
    s.gridFields[4] = Field(kEffect, 5, 63, "%-11sm").Prompt(470).Choices(kEffectChoices);
    s.gridFields[5] = ScreenField{};
}

void SetKeys(FxForm* form)
{
    FxSetKeyHandler(form, kKeyNew, nullptr);
    FxSetKeyHandler(form, kKeyLookUp, OnLookUp);
    FxSetKeyHandler(form, kKeyDelete, OnDelete);
    FxSetKeyHandler(form, kKeyDeleteLine, OnDeleteLine);
    FxSetKeyHandler(form, kKeyWrite, OnWrite);
}

int RunSerialNumbers()
{
    auto screen = std::make_unique<Screen>();
    Screen& s = *screen;
    s.interfaced = IsInterfacedToAccounting() != 0;
    for (Table* t : {&s.units, &s.movements, &s.products, &s.services, &s.customers}) {
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
    BuildFields(s);
    g_screen = &s;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.main, s.mainFields, 1) && FxFormLoad(&s.grid, s.gridFields, 1) &&
        FxWindowCreate(&s.window, 3, 0, 19, 78, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditSerialNumbers");
        SetupStandardScreen(&s.main, 0x07, 0);
        SetKeys(&s.main);
        SetKeys(&s.grid);
        s.main.newRecord = OnNewRecord;
        s.main.question = AskChoiceMessage;
        s.grid.lineEnter = OnLineEnter;
        s.grid.lineShow = OnLineShow;
        s.grid.lineLeave = OnLineLeave;
        s.grid.question = AskChoiceMessage;
        FxWindowAttachForm(&s.window, &s.main, 0);
        FxWindowText(&s.window, 1, 2, -1, "Product or service:", 0);
        FxWindowText(&s.window, 2, 2, -1, "Serial number:", 0);
        FxWindowText(&s.window, 2, 50, -1, "In stock:", 0);
        FxWindowText(&s.window, 4, 2, -1, "Movement", 0);
        FxWindowText(&s.window, 4, 23, -1, "Document", 0);
        FxWindowText(&s.window, 4, 35, -1, "Cust/Vendor", 0);
        FxWindowText(&s.window, 4, 53, -1, "Date", 0);
        FxWindowText(&s.window, 4, 63, -1, "Add/Remove", 0);
        FxGridBlock block{10, 1, 75, 1};
        FxGridAttach(&s.main, &s.grid, &block);
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
    }
    FxGridClear(&s.grid);
    FxAppEnd(&s.fx);
    g_screen = nullptr;
    return 0;
}

}  // namespace
}  // namespace bwps

int RSEditSerialNumbers(int) { return bwps::RunSerialNumbers(); }

BWPS_ORDINAL(627, RSEditSerialNumbers);
