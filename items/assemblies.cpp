// The component list of an assembled product: products and services, each
// with a quantity per assembly, kept as lines in a list under the product.
// The list is loaded at start and written back whole on F10, inside one
// record-manager transaction: a failed write leaves the stored lines as
// they were.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/assemblies.h"
#include "bwps/records/masters.h"
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
constexpr int kMessageListedTwice = 305;
constexpr int kMessageOpenTransactions = 307;
constexpr int kMessageBadQuantity = 349;
constexpr int kMessageNonInventory = 427;
constexpr int kMessageDeleteQuestion = 963;
constexpr int kMessageLookUpChoice = 1173;
constexpr int kMessageEmptyList = 1317;
constexpr int kMessageZeroQuantity = 1327;

constexpr int kNonInventory = 2;
constexpr int kCodeSize = 15;
constexpr int kGridChanged = 0x80000;
const char kQuantityPicture[] = "%11.4fF";

enum MainField { kAssemblyCode = 1, kAssemblyDescription };
enum LineField { kComponent = 1, kDescription, kQuantity };

struct Component {
    char code[kCodeSize];
    char description[31];
    double quantity;
    int16_t factor;
};

struct Screen {
    FxContext fx{};  // first: handlers get the context
    FxWindow window{};
    FxForm main{};
    FxForm grid{};
    ScreenField mainFields[3]{};
    ScreenField gridFields[4]{};
    std::string code;
    std::string description;
    Table products{FileNo::Products};
    Table services{FileNo::Services};
    Table lines{FileNo::Assemblies};
    bool inGrid = false;
    int storedLines = 0;
    // the code the current line stands on, with its description and factor
    std::string lineCode;
    char acceptedDescription[31] = {};
    int16_t acceptedFactor = 1;
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

std::string FormatQuantity(double quantity, int16_t factor)
{
    char text[40] = {};
    FxFormatNumber(text, kQuantityPicture, 0, factor, quantity);
    return Trimmed(text);
}

// Reads a component: a product, else a service. On success the
// description and unit factor; kind is the product's item type (0 for a
// service). A status other than not-found is reported on the product file.
Status ReadItem(Screen& s, const std::string& code, char (&description)[31], int16_t& factor, int& kind,
                bool& found)
{
    found = false;
    KeyBuffer key;
    CodeKey(key, code);
    TagProduct product{};
    Status st = s.products.Get(B_GET_EQUAL, key, product);
    if (st.Ok()) {
        found = true;
        std::memcpy(description, product.Description, sizeof description);
        description[30] = '\0';
        const int16_t f = product.UnitFactor;
        factor = f < 1 ? 1 : f;
        kind = product.Kind;
        return {};
    }
    if (!st.NotFound())
        return {st.status, B_GET_EQUAL, FileNo::Products};
    CodeKey(key, code);
    ServiceRecord service{};
    st = s.services.Get(B_GET_EQUAL, key, service);
    if (st.Ok()) {
        found = true;
        std::memcpy(description, service.Description, sizeof description);
        description[30] = '\0';
        const int16_t f = service.UnitFactor;
        factor = f < 1 ? 1 : f;
        kind = 0;
        return {};
    }
    if (!st.NotFound())
        return {st.status, B_GET_EQUAL, FileNo::Products};
    return {};
}

std::vector<Component> GridLines(Screen& s)
{
    std::vector<Component> out;
    for (void* p = FxGridFirst(&s.grid); p != nullptr; p = FxGridNext(&s.grid))
        out.push_back(*static_cast<const Component*>(p));
    return out;
}

void FillGrid(Screen& s, const std::vector<Component>& list)
{
    FxGridClear(&s.grid);
    for (const Component& c : list) {
        auto* line = static_cast<Component*>(FxGridNewLine(&s.grid, sizeof(Component)));
        if (line == nullptr)
            return;
        *line = c;
        FxGridLine(&s.fx, &s.grid, line, 0x200000);
    }
}

int CountCodes(const std::vector<Component>& list)
{
    int n = 0;
    for (const Component& c : list)
        n += c.code[0] != '\0' ? 1 : 0;
    return n;
}

// Loads the stored lines into the list; false after a reported failure.
bool LoadLines(Screen& s)
{
    std::vector<Component> list;
    KeyBuffer key;
    CodeKey(key, s.code);
    TagAssemblyComponent r{};
    Status st = s.lines.Get(B_GET_GE, key, r);
    bool ok = true;
    for (; st.Ok() && Text(r.Code, sizeof r.Code) == s.code; st = s.lines.Get(B_GET_NEXT, key, r)) {
        Component c{};
        std::snprintf(c.code, sizeof c.code, "%s", Text(r.ItemCode, sizeof r.ItemCode).c_str());
        c.quantity = r.Quantity;
        c.factor = 1;
        int kind = 0;
        bool found = false;
        const Status item = ReadItem(s, c.code, c.description, c.factor, kind, found);
        if (!item.Ok()) {
            item.Report();
            ok = false;
            break;
        }
        list.push_back(c);
    }
    if (ok && !st.Ok() && !st.NotFound()) {
        Status{st.status, B_GET_NEXT, FileNo::Assemblies}.Report();
        ok = false;
    }
    FillGrid(s, list);
    s.storedLines = CountCodes(list);
    return ok;
}

// Deletes every stored line of the assembly.
Status DeleteStored(Screen& s)
{
    KeyBuffer key;
    CodeKey(key, s.code);
    TagAssemblyComponent r{};
    Status st = s.lines.Get(B_GET_GE, key, r);
    while (st.Ok() && Text(r.Code, sizeof r.Code) == s.code) {
        const Status del = s.lines.Delete();
        if (!del.Ok())
            return {del.status, B_DELETE, FileNo::Assemblies};
        st = s.lines.Get(B_GET_NEXT, key, r);
    }
    if (!st.Ok() && !st.NotFound())
        return {st.status, B_GET_NEXT, FileNo::Assemblies};
    return {};
}

// Replaces the stored lines with the list, all or nothing.
Status WriteLines(Screen& s, const std::vector<Component>& list)
{
    WriteBatch batch;
    if (!batch.Begun().Ok())
        return batch.Begun();
    Status st = DeleteStored(s);
    if (!st.Ok())
        return st;
    uint16_t line = 0;
    for (const Component& c : list) {
        if (c.code[0] == '\0')
            continue;
        TagAssemblyComponent r{};
        std::memcpy(r.Code, s.code.data(), std::min<size_t>(s.code.size(), kCodeSize - 1));
        r.Line = line++;
        std::memcpy(r.ItemCode, c.code, sizeof r.ItemCode);
        r.Quantity = c.quantity;
        st = s.lines.Insert(r);
        if (!st.Ok())
            return {st.status, B_INSERT, FileNo::Assemblies};
    }
    return batch.Commit();
}

// True when another line than the current one holds the code.
bool ListedElsewhere(Screen& s, const std::string& code)
{
    const void* current = FxGridCurrent(&s.grid);
    for (void* p = FxGridFirst(&s.grid); p != nullptr; p = FxGridNext(&s.grid))
        if (p != current && code == static_cast<const Component*>(p)->code)
            return true;
    return false;
}

bool IsProduct(Screen& s, const std::string& code)
{
    KeyBuffer key;
    CodeKey(key, code);
    TagProduct product{};
    return s.products.Get(B_GET_EQUAL, key, product).Ok();
}

int Refuse(Screen& s, int message)
{
    ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
    FxFieldSet(&s.grid, kComponent, "");
    return FX_STAY;
}

// Checks a component code typed or picked into the line.
int CheckComponent(Screen& s, const std::string& code)
{
    if (code == s.code)
        return Refuse(s, kMessageOwnCode);
    char description[31] = {};
    int16_t factor = 1;
    int kind = -1;
    bool found = false;
    const Status st = ReadItem(s, code, description, factor, kind, found);
    if (!st.Ok()) {
        st.Report();
        FxFieldSet(&s.grid, kComponent, "");
        return FX_STAY;
    }
    if (!found)
        return Refuse(s, kMessageNotOnFile);
    if (kind == kNonInventory)
        return Refuse(s, kMessageNonInventory);
    // a service may be listed more than once, a product not
    const bool product = kind != 0 || IsProduct(s, code);
    if (product && ListedElsewhere(s, code))
        return Refuse(s, kMessageListedTwice);
    s.lineCode = code;
    std::memcpy(s.acceptedDescription, description, sizeof description);
    s.acceptedFactor = factor;
    FxFieldSet(&s.grid, kComponent, code.c_str());
    FxFieldSet(&s.grid, kDescription, description);
    FxFieldSet(&s.grid, kQuantity, "");
    return FX_GO_ON;
}

int OnComponentExit(void* context)
{
    Screen& s = *g_screen;
    const int key = static_cast<FxContext*>(context)->key;
    const std::string code = Trimmed(FxFieldGet(&s.grid, kComponent));
    const auto* line = static_cast<const Component*>(FxGridCurrent(&s.grid));
    if (code.empty()) {
        const bool inserted = line != nullptr && line->code[0] == '\0';
        if (inserted || key == FX_KEY_ENTER || key == FX_KEY_TAB) {
            ShowMessage(kMessageNoCode, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }
    if (code == s.lineCode)
        return FX_GO_ON;
    return CheckComponent(s, code);
}

void ShowLine(Screen& s, const Component& line)
{
    FxFieldSet(&s.grid, kComponent, line.code);
    FxFieldSet(&s.grid, kDescription, line.description);
    FxFieldSet(&s.grid, kQuantity, line.code[0] != '\0' ? FormatQuantity(line.quantity, line.factor).c_str() : "");
}

// Draws a line of the list; the cursor line's state stays as it is.
int OnLineShow(void*)
{
    Screen& s = *g_screen;
    if (const auto* line = static_cast<const Component*>(FxGridCurrent(&s.grid)))
        ShowLine(s, *line);
    return FX_GO_ON;
}

int OnLineEnter(void*)
{
    Screen& s = *g_screen;
    s.inGrid = true;
    const auto* line = static_cast<const Component*>(FxGridCurrent(&s.grid));
    if (line == nullptr) {
        s.lineCode.clear();
        s.acceptedDescription[0] = '\0';
        s.acceptedFactor = 1;
        return FX_GO_ON;
    }
    s.lineCode = line->code;
    std::memcpy(s.acceptedDescription, line->description, sizeof s.acceptedDescription);
    s.acceptedFactor = line->factor;
    ShowLine(s, *line);
    return FX_GO_ON;
}

// Takes the line under the cursor from the screen into the list.
int AcceptLine(Screen& s)
{
    auto* line = static_cast<Component*>(FxGridCurrent(&s.grid));
    const std::string code = Trimmed(FxFieldGet(&s.grid, kComponent));
    if (code.empty()) {
        // a new line left empty is nothing; an emptied line drops out of the list
        if (line != nullptr)
            line->code[0] = '\0';
        return FX_GO_ON;
    }
    if (code != s.lineCode) {
        const int answer = CheckComponent(s, code);
        if (answer != FX_GO_ON) {
            FxFocusField(&s.grid, kComponent);
            return FX_STAY_FOCUSED;
        }
    }
    double quantity = 0.0;
    if (FxParseNumber(FxFieldGet(&s.grid, kQuantity), s.acceptedFactor, &quantity) != 0) {
        ShowMessage(kMessageBadQuantity, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(&s.grid, kQuantity);
        return FX_STAY_FOCUSED;
    }
    if (quantity == 0.0) {
        ShowMessage(kMessageZeroQuantity, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(&s.grid, kQuantity);
        return FX_STAY_FOCUSED;
    }
    if (line == nullptr) {
        line = static_cast<Component*>(FxGridNewLine(&s.grid, sizeof(Component)));
        if (line == nullptr)
            return FX_STAY;
        FxGridLine(&s.fx, &s.grid, line, 0x200000);
    }
    std::snprintf(line->code, sizeof line->code, "%s", code.c_str());
    std::memcpy(line->description, s.acceptedDescription, sizeof line->description);
    line->factor = s.acceptedFactor;
    line->quantity = quantity;
    return FX_GO_ON;
}

int OnLineLeave(void*) { return AcceptLine(*g_screen); }

int OnMainEnter(void*)
{
    g_screen->inGrid = false;
    return FX_GO_ON;
}

// The assembly's own code is shown, not edited: whatever was typed goes.
int OnMainExit(void*)
{
    Screen& s = *g_screen;
    FxFieldSet(&s.main, kAssemblyCode, s.code.c_str());
    return FX_GO_ON;
}

int OnInsertLine(void*)
{
    Screen& s = *g_screen;
    if (FxGridCount(&s.grid) == 0) {
        ShowMessage(kMessageEmptyList, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (!s.inGrid)
        return FX_STAY;
    const void* current = FxGridCurrent(&s.grid);
    std::vector<Component> list;
    size_t at = 0;
    bool placed = false;
    for (void* p = FxGridFirst(&s.grid); p != nullptr; p = FxGridNext(&s.grid)) {
        if (p == current) {
            at = list.size();
            placed = true;
        }
        list.push_back(*static_cast<const Component*>(p));
    }
    if (!placed)
        at = list.size();
    Component blank{};
    blank.factor = 1;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), blank);
    FillGrid(s, list);
    FxGridSetRow(&s.grid, static_cast<int>(at));
    return kGridChanged | FX_RECORD_DONE;
}

int OnLookUp(void*)
{
    Screen& s = *g_screen;
    if (!s.inGrid || s.grid.currentField != kComponent)
        return FX_STAY;
    int choice = 3;
    AskMessage(kMessageLookUpChoice, MESSAGE_DEFAULT_CONTEXT, &choice, "\001Product,Service,Cancel",
               LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
    const std::string start = Trimmed(FxFieldGet(&s.grid, kComponent));
    const char* from = start.empty() ? nullptr : start.c_str();
    std::string picked;
    if (choice == 1) {
        TagProduct product{};
        if (!FlyProducts(from, 1, s.products.Handle(), &product, 10, 20, 5, 52, nullptr, 0))
            return FX_STAY;
        picked = Text(product.Code, sizeof product.Code);
    } else if (choice == 2) {
        ServiceRecord service{};
        if (!FlyServices(from, 1, s.services.Handle(), &service, 10, 20, 5, 52, nullptr, 0))
            return FX_STAY;
        picked = Text(service.Code, sizeof service.Code);
    } else {
        return FX_STAY;
    }
    FxFieldSet(&s.grid, kComponent, picked.c_str());
    if (picked == s.lineCode)
        return FX_LOOKUP_SET;
    return CheckComponent(s, picked) == FX_GO_ON ? FX_LOOKUP_SET : FX_STAY;
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
    Status st;
    {
        WriteBatch batch;
        st = batch.Begun();
        if (st.Ok())
            st = DeleteStored(s);
        if (st.Ok())
            st = batch.Commit();
    }
    if (progress != nullptr)
        FxStatusClose(progress);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    FxGridEmpty(&s.grid);
    s.storedLines = 0;
    return FX_LEAVE;
}

int OnWrite(void*)
{
    Screen& s = *g_screen;
    if (s.inGrid && AcceptLine(s) != FX_GO_ON)
        return FX_STAY_FOCUSED;
    const std::vector<Component> list = GridLines(s);
    FxStatus* progress = FxStatusOpen("RSWritingAssembly", 0);
    const Status st = WriteLines(s, list);
    if (progress != nullptr)
        FxStatusClose(progress);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    s.storedLines = CountCodes(list);
    return FX_LEAVE;
}

// An undeleted, not yet finished assembly transaction of the product keeps
// its components as they are. False after a message or a reported failure.
bool NoOpenTransactions(const std::string& code)
{
    if (!IsInterfacedToAccounting())
        return true;
    Table headers(FileNo::AssemblyHeader);
    Status st = headers.Open();
    if (!st.Ok()) {
        st.Report();
        return false;
    }
    st = headers.SetKey(1);
    if (!st.Ok()) {
        st.Report();
        return false;
    }
    KeyBuffer key;
    CodeKey(key, code);
    TagAssemblyHeader h{};
    st = headers.Get(B_GET_EQUAL, key, h);
    while (st.Ok()) {
        const char* bytes = reinterpret_cast<const char*>(&h);
        const std::string product =
            Text(bytes + ASSEMBLY_HEADER_PRODUCT_OFFSET, ASSEMBLY_HEADER_PRODUCT_SIZE);
        if (product != code)
            break;
        if (Text(h.Description, sizeof h.Description) != "DELETED" && h.Posted != 'Y') {
            ShowMessage(kMessageOpenTransactions, MESSAGE_DEFAULT_CONTEXT);
            return false;
        }
        st = headers.Get(B_GET_NEXT, key, h);
    }
    if (!st.Ok() && !st.NotFound()) {
        Status{st.status, B_GET_NEXT, FileNo::AssemblyHeader}.Report();
        return false;
    }
    return true;
}

void BuildFields(Screen& s)
{
    s.mainFields[0] = bwps::Field(kAssemblyCode, 1, 14, "%-14s");
    s.mainFields[0].entryHandler = OnMainEnter;
    s.mainFields[0].exitHandler = OnMainExit;
    s.mainFields[1] = bwps::Field(kAssemblyDescription, 1, 30, "%-30s").DisplayOnly();
    s.mainFields[2] = ScreenField{};
    s.gridFields[0] = bwps::Field(kComponent, 4, 2, "%-14sC").Flags(FX_FIELD_UPPER);
    s.gridFields[0].exitHandler = OnComponentExit;
    s.gridFields[1] = bwps::Field(kDescription, 4, 18, "%-30s").DisplayOnly();
    s.gridFields[2] = bwps::Field(kQuantity, 4, 50, kQuantityPicture);
    s.gridFields[3] = ScreenField{};
}

void SetKeys(Screen& s, FxForm* form)
{
    FxSetKeyHandler(form, 0x3F00, OnLookUp);
    FxSetKeyHandler(form, 0x4000, OnDelete);
    FxSetKeyHandler(form, 0x5900, OnInsertLine);
    FxSetKeyHandler(form, 0x4400, OnWrite);
    (void)s;
}

int RunAssembly(uint16_t productFile, uint16_t serviceFile, uint16_t assemblyFile, void* record)
{
    if (record == nullptr)
        return 0;
    auto* product = static_cast<TagProduct*>(record);
    auto screen = std::make_unique<Screen>();
    Screen& s = *screen;
    s.code = Text(product->Code, sizeof product->Code);
    s.description = Text(product->Description, sizeof product->Description);
    if (!NoOpenTransactions(s.code))
        return FX_STAY;
    for (auto [table, file, handle] : {std::tuple{&s.products, FileNo::Products, productFile},
                                       std::tuple{&s.services, FileNo::Services, serviceFile},
                                       std::tuple{&s.lines, FileNo::Assemblies, assemblyFile}}) {
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
    TagProduct locked{};
    st = s.products.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, locked);
    if (!st.Ok()) {
        Status{st.status, B_GET_EQUAL, FileNo::Products}.Report();
        return FX_STAY;
    }

    BuildFields(s);
    g_screen = &s;
    FxAppBegin(&s.fx);
    int result = 0;
    if (FxFormLoad(&s.main, s.mainFields, 1) && FxFormLoad(&s.grid, s.gridFields, 1) &&
        FxWindowCreate(&s.window, 7, 9, 26, 79, 1, 5, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditProdAssm");
        SetupStandardScreen(&s.main, 39, 0);
        FxWindowAttachForm(&s.window, &s.main, 0);
        FxWindowText(&s.window, 1, 2, -1, "Assembly:", 0);
        FxWindowText(&s.window, 3, 2, -1, "Component", 0);
        FxWindowText(&s.window, 3, 18, -1, "Description", 0);
        FxWindowText(&s.window, 3, 53, -1, "Quantity", 0);
        s.grid.lineEnter = OnLineEnter;
        s.grid.lineShow = OnLineShow;
        s.grid.lineLeave = OnLineLeave;
        SetKeys(s, &s.main);
        SetKeys(s, &s.grid);
        FxGridBlock block{14, 1, 68, 1};
        FxGridAttach(&s.main, &s.grid, &block);
        FxFieldSet(&s.main, kAssemblyCode, s.code.c_str());
        FxFieldSet(&s.main, kAssemblyDescription, s.description.c_str());
        LoadLines(s);
        FxGridRedraw(&s.grid);
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
        result = FX_STAY;
    }
    FxGridClear(&s.grid);
    FxAppEnd(&s.fx);
    g_screen = nullptr;

    // the product's assembly flag follows the stored lines, whatever the
    // list held when the screen was left
    if (result != 0) {
        st = s.products.Direct(position, key, *product);
        if (!st.Ok()) {
            Status{st.status, B_GET_DIRECT, FileNo::Products}.Report();
            result = 2;
        } else {
            product->Flags262[0] = s.storedLines > 0 ? 'Y' : 'N';
            st = s.products.Update(*product);
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

extern "C" int RSEditProdAssm(uint16_t productFile, uint16_t serviceFile, uint16_t assemblyFile, void* product,
                              void* unused)
{
    (void)unused;
    return bwps::RunAssembly(productFile, serviceFile, assemblyFile, product);
}

BWPS_ORDINAL(594, RSEditProdAssm);
