// The alternate products of a product: other products that may be offered
// in its place, kept as numbered lines under the product. The list is loaded
// at start and written back whole on F10 inside one record-manager
// transaction, so a failed write leaves the stored lines as they were. Each
// line keeps the alternate's description as it was when the line was
// written.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/records/products.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"

namespace bwps {
namespace {

constexpr int kMessageNoCode = 205;
constexpr int kMessageNotOnFile = 239;
constexpr int kMessageOwnCode = 303;
constexpr int kMessageNonInventory = 427;
constexpr int kMessageDeleteQuestion = 963;
constexpr int kMessageListedTwice = 1698;

constexpr int kNonInventory = 2;
constexpr int kCodeSize = 15;
constexpr int kDescriptionSize = 31;
constexpr int kGridChanged = 0x80000;

constexpr int kKeyLookUp = 0x3F00;      // F5
constexpr int kKeyDeleteAll = 0x4000;   // F6
constexpr int kKeyNew = 0x4200;         // F8: not used here
constexpr int kKeyEdit = 0x4300;        // F9: not used here
constexpr int kKeyWrite = 0x4400;       // F10
constexpr int kKeyInsertLine = 0x5900;  // Shift+F6

enum MainField { kProductCode = 1, kProductDescription };
enum LineField { kAltCode = 1, kDescription };

struct Alternate {
    char code[kCodeSize];
    char description[kDescriptionSize];
};
static_assert(sizeof(Alternate) == 46, "list line");

struct Screen {
    FxContext fx{};  // first: handlers get the context
    FxWindow window{};
    FxForm main{};
    FxForm grid{};
    ScreenField mainFields[3]{};
    ScreenField gridFields[3]{};
    std::string code;
    std::string description;
    Table products{FileNo::Products};
    Table lines{FileNo::AlternateProducts};
    bool inGrid = false;
    // the code the current line stands on and its description
    std::string lineCode;
    char acceptedDescription[kDescriptionSize] = {};
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

void CodeKey(KeyBuffer& key, const std::string& code)
{
    key.Clear();
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), kCodeSize - 1));
}

std::vector<Alternate> GridLines(Screen& s)
{
    std::vector<Alternate> out;
    for (void* p = FxGridFirst(&s.grid); p != nullptr; p = FxGridNext(&s.grid))
        out.push_back(*static_cast<const Alternate*>(p));
    return out;
}

void FillGrid(Screen& s, const std::vector<Alternate>& list)
{
    FxGridClear(&s.grid);
    for (const Alternate& a : list) {
        auto* line = static_cast<Alternate*>(FxGridNewLine(&s.grid, sizeof(Alternate)));
        if (line == nullptr)
            return;
        *line = a;
        FxGridLine(&s.fx, &s.grid, line, 0x200000);
    }
}

// Loads the stored lines, with their stored descriptions, into the list.
void LoadLines(Screen& s)
{
    std::vector<Alternate> list;
    KeyBuffer key;
    CodeKey(key, s.code);
    AltProductRecord r{};
    Status st = s.lines.Get(B_GET_GE, key, r);
    for (; st.Ok() && Text(r.Code, sizeof r.Code) == s.code; st = s.lines.Get(B_GET_NEXT, key, r)) {
        Alternate a{};
        std::snprintf(a.code, sizeof a.code, "%s", Text(r.AltCode, sizeof r.AltCode).c_str());
        std::memcpy(a.description, r.Description, sizeof a.description);
        a.description[kDescriptionSize - 1] = '\0';
        list.push_back(a);
    }
    if (!st.Ok() && !st.NotFound())
        Status{st.status, B_GET_NEXT, FileNo::AlternateProducts}.Report();
    FillGrid(s, list);
}

// Deletes every stored line of the product.
Status DeleteStored(Screen& s)
{
    KeyBuffer key;
    CodeKey(key, s.code);
    AltProductRecord r{};
    Status st = s.lines.Get(B_GET_GE, key, r);
    while (st.Ok() && Text(r.Code, sizeof r.Code) == s.code) {
        const Status del = s.lines.Delete();
        if (!del.Ok())
            return {del.status, B_DELETE, FileNo::AlternateProducts};
        st = s.lines.Get(B_GET_NEXT, key, r);
    }
    if (!st.Ok() && !st.NotFound())
        return {st.status, B_GET_NEXT, FileNo::AlternateProducts};
    return {};
}

// Deletes the stored lines, all or nothing.
Status DeleteAll(Screen& s)
{
    WriteBatch batch;
    if (!batch.Begun().Ok())
        return batch.Begun();
    const Status st = DeleteStored(s);
    if (!st.Ok())
        return st;
    return batch.Commit();
}

// Replaces the stored lines with the list, all or nothing; line numbers
// run from 0 in list order.
Status WriteLines(Screen& s, const std::vector<Alternate>& list)
{
    WriteBatch batch;
    if (!batch.Begun().Ok())
        return batch.Begun();
    Status st = DeleteStored(s);
    if (!st.Ok())
        return st;
    uint16_t line = 0;
    for (const Alternate& a : list) {
        if (a.code[0] == '\0')
            continue;
        AltProductRecord r{};
        std::memcpy(r.Code, s.code.data(), std::min<size_t>(s.code.size(), kCodeSize - 1));
        r.Line = line++;
        std::memcpy(r.AltCode, a.code, sizeof r.AltCode);
        std::memcpy(r.Description, a.description, sizeof r.Description);
        st = s.lines.Insert(r);
        if (!st.Ok())
            return {st.status, B_INSERT, FileNo::AlternateProducts};
    }
    return batch.Commit();
}

// True when another line than the current one holds the code.
bool ListedElsewhere(Screen& s, const std::string& code)
{
    const void* current = FxGridCurrent(&s.grid);
    for (void* p = FxGridFirst(&s.grid); p != nullptr; p = FxGridNext(&s.grid))
        if (p != current && code == static_cast<const Alternate*>(p)->code)
            return true;
    return false;
}

int Refuse(Screen& s, int message)
{
    ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
    FxFieldSet(&s.grid, kAltCode, "");
    return FX_STAY;
}

// Checks an alternate code typed or picked into the line: a product on
// file, other than the product itself, not Non-Inventory, not listed twice.
int CheckAlternate(Screen& s, const std::string& code)
{
    if (code == s.code)
        return Refuse(s, kMessageOwnCode);
    KeyBuffer key;
    CodeKey(key, code);
    TagProduct product{};
    const Status st = s.products.Get(B_GET_EQUAL, key, product);
    if (st.NotFound())
        return Refuse(s, kMessageNotOnFile);
    if (!st.Ok()) {
        Status{st.status, B_GET_EQUAL, FileNo::Products}.Report();
        FxFieldSet(&s.grid, kAltCode, "");
        return FX_STAY;
    }
    if (product.Kind == kNonInventory)
        return Refuse(s, kMessageNonInventory);
    if (ListedElsewhere(s, code))
        return Refuse(s, kMessageListedTwice);
    s.lineCode = code;
    std::memcpy(s.acceptedDescription, product.Description, sizeof s.acceptedDescription);
    s.acceptedDescription[kDescriptionSize - 1] = '\0';
    FxFieldSet(&s.grid, kAltCode, code.c_str());
    FxFieldSet(&s.grid, kDescription, s.acceptedDescription);
    return FX_GO_ON;
}

int OnAltCodeExit(void* context)
{
    Screen& s = *g_screen;
    const int key = static_cast<FxContext*>(context)->key;
    const std::string code = Trimmed(FxFieldGet(&s.grid, kAltCode));
    const auto* line = static_cast<const Alternate*>(FxGridCurrent(&s.grid));
    if (code.empty()) {
        const bool inserted = line != nullptr && line->code[0] == '\0';
        if (inserted || key == FX_KEY_ENTER) {
            ShowMessage(kMessageNoCode, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }
    if (code == s.lineCode)
        return FX_GO_ON;
    return CheckAlternate(s, code);
}

void ShowLine(Screen& s, const Alternate& line)
{
    FxFieldSet(&s.grid, kAltCode, line.code);
    FxFieldSet(&s.grid, kDescription, line.description);
}

int OnLineShow(void*)
{
    Screen& s = *g_screen;
    if (const auto* line = static_cast<const Alternate*>(FxGridCurrent(&s.grid)))
        ShowLine(s, *line);
    return FX_GO_ON;
}

int OnLineEnter(void*)
{
    Screen& s = *g_screen;
    s.inGrid = true;
    const auto* line = static_cast<const Alternate*>(FxGridCurrent(&s.grid));
    if (line == nullptr) {
        s.lineCode.clear();
        s.acceptedDescription[0] = '\0';
        return FX_GO_ON;
    }
    s.lineCode = line->code;
    std::memcpy(s.acceptedDescription, line->description, sizeof s.acceptedDescription);
    ShowLine(s, *line);
    return FX_GO_ON;
}

// Takes the line under the cursor from the screen into the list. A code
// that has not passed the checks never reaches the list.
int AcceptLine(Screen& s)
{
    auto* line = static_cast<Alternate*>(FxGridCurrent(&s.grid));
    const std::string code = Trimmed(FxFieldGet(&s.grid, kAltCode));
    if (code.empty()) {
        // a new line left empty is nothing; an emptied line drops out of the list
        if (line != nullptr)
            line->code[0] = '\0';
        return FX_GO_ON;
    }
    if (code != s.lineCode && CheckAlternate(s, code) != FX_GO_ON) {
        FxFocusField(&s.grid, kAltCode);
        return FX_STAY_FOCUSED;
    }
    if (line == nullptr) {
        line = static_cast<Alternate*>(FxGridNewLine(&s.grid, sizeof(Alternate)));
        if (line == nullptr)
            return FX_STAY;
        FxGridLine(&s.fx, &s.grid, line, 0x200000);
    }
    std::snprintf(line->code, sizeof line->code, "%s", code.c_str());
    std::memcpy(line->description, s.acceptedDescription, sizeof line->description);
    return FX_GO_ON;
}

int OnLineLeave(void*) { return AcceptLine(*g_screen); }

int OnMainEnter(void*)
{
    g_screen->inGrid = false;
    return FX_GO_ON;
}

// The product's own code is shown, not edited: whatever was typed goes.
int OnMainExit(void*)
{
    Screen& s = *g_screen;
    FxFieldSet(&s.main, kProductCode, s.code.c_str());
    return FX_GO_ON;
}

int OnInsertLine(void*)
{
    Screen& s = *g_screen;
    if (FxGridCount(&s.grid) == 0 || !s.inGrid)
        return FX_STAY;
    const void* current = FxGridCurrent(&s.grid);
    std::vector<Alternate> list;
    size_t at = 0;
    bool placed = false;
    for (void* p = FxGridFirst(&s.grid); p != nullptr; p = FxGridNext(&s.grid)) {
        if (p == current) {
            at = list.size();
            placed = true;
        }
        list.push_back(*static_cast<const Alternate*>(p));
    }
    if (!placed)
        at = list.size();
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), Alternate{});
    FillGrid(s, list);
    FxGridSetRow(&s.grid, static_cast<int>(at));
    return kGridChanged | FX_RECORD_DONE;
}

int OnLookUp(void*)
{
    Screen& s = *g_screen;
    if (!s.inGrid || s.grid.currentField != kAltCode)
        return FX_STAY;
    const std::string start = Trimmed(FxFieldGet(&s.grid, kAltCode));
    TagProduct product{};
    if (!FlyProducts(start.empty() ? nullptr : start.c_str(), 1, s.products.Handle(), &product, 10, 20, 5, 52,
                     nullptr, 0))
        return FX_STAY;
    const std::string picked = Text(product.Code, sizeof product.Code);
    FxFieldSet(&s.grid, kAltCode, picked.c_str());
    if (picked == s.lineCode)
        return FX_LOOKUP_SET;
    return CheckAlternate(s, picked) == FX_GO_ON ? FX_LOOKUP_SET : FX_STAY;
}

int OnDelete(void*)
{
    Screen& s = *g_screen;
    int choice = 2;
    AskMessage(kMessageDeleteQuestion, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO,
               LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
    if (choice != 1)
        return FX_STAY;
    FxStatus* progress = FxStatusOpen("RSDeletingAssembly", 0);
    const Status st = DeleteAll(s);
    if (progress != nullptr)
        FxStatusClose(progress);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    FxGridEmpty(&s.grid);
    return FX_LEAVE;
}

int OnWrite(void*)
{
    Screen& s = *g_screen;
    if (s.inGrid && AcceptLine(s) != FX_GO_ON)
        return FX_STAY_FOCUSED;
    const std::vector<Alternate> list = GridLines(s);
    FxStatus* progress = FxStatusOpen("RSWritingAltProd", 0);
    const Status st = WriteLines(s, list);
    if (progress != nullptr)
        FxStatusClose(progress);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    return FX_LEAVE;
}

void BuildFields(Screen& s)
{
    s.mainFields[0] = bwps::Field(kProductCode, 1, 12, "%-14s");
    s.mainFields[0].entryHandler = OnMainEnter;
    s.mainFields[0].exitHandler = OnMainExit;
    s.mainFields[1] = bwps::Field(kProductDescription, 1, 27, "%-30s").DisplayOnly();
    s.mainFields[2] = ScreenField{};
    s.gridFields[0] = bwps::Field(kAltCode, 4, 2, "%-14sC").Flags(FX_FIELD_UPPER);
    s.gridFields[0].exitHandler = OnAltCodeExit;
    s.gridFields[1] = bwps::Field(kDescription, 4, 18, "%-30s").DisplayOnly();
    s.gridFields[2] = ScreenField{};
}

void SetKeys(FxForm* form)
{
    FxSetKeyHandler(form, kKeyNew, nullptr);
    FxSetKeyHandler(form, kKeyEdit, nullptr);
    FxSetKeyHandler(form, kKeyLookUp, OnLookUp);
    FxSetKeyHandler(form, kKeyDeleteAll, OnDelete);
    FxSetKeyHandler(form, kKeyInsertLine, OnInsertLine);
    FxSetKeyHandler(form, kKeyWrite, OnWrite);
}

int RunAlternates(uint16_t productFile, uint16_t alternateFile, const char* code)
{
    if (code == nullptr)
        return 0;
    auto screen = std::make_unique<Screen>();
    Screen& s = *screen;
    s.code = Text(code, kCodeSize);
    for (auto [table, file, handle] : {std::tuple{&s.products, FileNo::Products, productFile},
                                       std::tuple{&s.lines, FileNo::AlternateProducts, alternateFile}}) {
        const Status st = table->Borrow(file, handle);
        if (!st.Ok()) {
            st.Report();
            return FX_STAY;
        }
    }
    uint32_t position = 0;
    Status st = s.products.Position(position);
    if (!st.Ok()) {
        Status{st.status, B_GET_POSITION, FileNo::Products}.Report();
        return FX_STAY;
    }
    KeyBuffer key;
    CodeKey(key, s.code);
    TagProduct product{};
    st = s.products.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, product);
    if (!st.Ok()) {
        Status{st.status, B_GET_EQUAL, FileNo::Products}.Report();
        return FX_STAY;
    }
    s.description = Text(product.Description, sizeof product.Description);

    BuildFields(s);
    g_screen = &s;
    FxAppBegin(&s.fx);
    int result = 0;
    if (FxFormLoad(&s.main, s.mainFields, 1) && FxFormLoad(&s.grid, s.gridFields, 1) &&
        FxWindowCreate(&s.window, 7, 9, 26, 66, 1, 5, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditAltProduct");
        SetupStandardScreen(&s.main, 35, 0);
        FxWindowAttachForm(&s.window, &s.main, 0);
        FxWindowText(&s.window, 1, 2, -1, "Product:", 0);
        FxWindowText(&s.window, 3, 2, -1, "Alternate", 0);
        FxWindowText(&s.window, 3, 18, -1, "Description", 0);
        s.grid.lineEnter = OnLineEnter;
        s.grid.lineShow = OnLineShow;
        s.grid.lineLeave = OnLineLeave;
        SetKeys(&s.main);
        SetKeys(&s.grid);
        FxGridBlock block{14, 1, 55, 1};
        FxGridAttach(&s.main, &s.grid, &block);
        FxFieldSet(&s.main, kProductCode, s.code.c_str());
        FxFieldSet(&s.main, kProductDescription, s.description.c_str());
        LoadLines(s);
        FxGridRedraw(&s.grid);
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
        result = FX_STAY;
    }
    FxGridClear(&s.grid);
    FxAppEnd(&s.fx);
    g_screen = nullptr;

    // the product record is read back and written unchanged, which puts the
    // caller's file back on it
    if (result != 0) {
        st = s.products.Direct(position, key, product);
        if (!st.Ok()) {
            Status{st.status, B_GET_DIRECT, FileNo::Products}.Report();
            result = 2;
        } else {
            st = s.products.Update(product);
            if (!st.Ok())
                Status{st.status, B_UPDATE, FileNo::Products}.Report();
        }
    }
    st = s.products.UnlockAll();
    if (!st.Ok())
        st.Report();
    return result;
}

}  // namespace
}  // namespace bwps

extern "C" int RSEditAltProduct(uint16_t productFile, uint16_t alternateFile, const char* code)
{
    return bwps::RunAlternates(productFile, alternateFile, code);
}
