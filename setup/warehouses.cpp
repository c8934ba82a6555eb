// Warehouses (BPOSWHSE.DB): the editor RSEditWarehouses. A warehouse that a
// product names is never deleted.
#include <array>
#include <cstddef>
#include <cstring>

#include "bwps/code_editors.h"
#include "bwps/dictionary.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/pos_services.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "bwps/users.h"
#include "recman.h"
#include "setup/code_editor.h"

using namespace bwps;
using namespace bwps::editors;

namespace {

constexpr int kEntity = 16;
constexpr int kCommand = 138;
constexpr int kProductWarehouseColumn = 82;   // of the product file's dictionary
constexpr int kMsgBlankCode = 1549;
constexpr int kMsgDeleteQuestion = 1551;
constexpr int kMsgInUse = 1614;

// Screen field, the record field it shows and its width.
struct Slot {
    int field;
    std::size_t offset;
    int width;
};
constexpr Slot kSlots[] = {
    {2, offsetof(WarehouseRecord, Description), 41}, {3, offsetof(WarehouseRecord, Line2), 41},
    {4, offsetof(WarehouseRecord, Line3), 41},       {5, offsetof(WarehouseRecord, Line4), 82},
    {6, offsetof(WarehouseRecord, Text209), 16},     {7, offsetof(WarehouseRecord, Text225), 4},
    {8, offsetof(WarehouseRecord, Text229), 11},     {9, offsetof(WarehouseRecord, Text329), 16},
    {10, offsetof(WarehouseRecord, Text345), 17},    {11, offsetof(WarehouseRecord, Text240), 16},
    {12, offsetof(WarehouseRecord, Text256), 16},    {13, offsetof(WarehouseRecord, Text272), 16},
    {14, offsetof(WarehouseRecord, Text288), 41},
};

constexpr std::array<ScreenField, 15> kFields{{
    bwps::Field(1, 1, 16, "%-3sC").Exit(CodeEditor::OnCodeLeave),
    bwps::Field(2, 2, 16, "%-40s"),
    bwps::Field(3, 3, 16, "%-40s"),
    bwps::Field(4, 4, 16, "%-40s"),
    bwps::Field(5, 5, 16, "%-81s"),
    bwps::Field(6, 6, 16, "%-15s"),
    bwps::Field(7, 6, 40, "%-3s"),
    bwps::Field(8, 6, 52, "%-10s"),
    bwps::Field(9, 7, 16, "%-15s"),
    bwps::Field(10, 7, 40, "%-16s"),
    bwps::Field(11, 8, 16, "%-15s"),
    bwps::Field(12, 9, 16, "%-15s"),
    bwps::Field(13, 10, 16, "%-15s"),
    bwps::Field(14, 11, 16, "%-40s"),
    {},
}};

class WarehouseEditor : public CodeEditor {
public:
    explicit WarehouseEditor(EditorCaller* caller)
        : CodeEditor(EditorLayout{"RSEditWarehouses", 5, 4, 18, 77, FileNo::Warehouses, kEntity,
                                  static_cast<int>(sizeof(WarehouseRecord)), 4, kMsgBlankCode,
                                  kMsgDeleteQuestion, false},
                     caller)
    {
    }

private:
    void Prepare() override
    {
        FxWindow& w = ScreenFrame().window;
        FxWindowText(&w, 1, 2, -1, "Warehouse:", 0);
        FxWindowText(&w, 2, 2, -1, "Description:", 0);
        FxWindowText(&w, 3, 2, -1, "Address:", 0);
    }

    void Clear(const std::string& code) override
    {
        std::memset(Record(), 0, sizeof(WarehouseRecord));
        Codes().PutCode(Record(), code);
    }

    void Show() override
    {
        FxFieldSet(&Form(), 1, FieldText(Record(), 4).c_str());
        for (const Slot& slot : kSlots)
            FxFieldSet(&Form(), slot.field, FieldText(Record() + slot.offset, slot.width).c_str());
        FxFormRedraw(&ScreenFrame().fx, &Form());
    }

    void Take() override
    {
        for (const Slot& slot : kSlots)
            PutField(Record() + slot.offset, slot.width, RightTrimmed(FxFieldGet(&Form(), slot.field)));
    }

    int BeforeDelete() override
    {
        Table products;
        Status s = products.Open(FileNo::Products);
        if (!s.Ok()) {
            s.Report();
            return FX_STAY;
        }
        if (CreateSupplementalIndex(No(FileNo::Products), products.Handle(), kProductWarehouseColumn, -1, -1) != 0)
            return FX_STAY;   // reported; a warehouse that cannot be checked is kept
        KeyBuffer key;
        Codes().PutCode(key.bytes, Code());
        uint8_t product[sizeof(TagProduct)];
        s = products.Get(B_GET_EQUAL, key.bytes, product, sizeof product);
        DropTableSupIndex(No(FileNo::Products), products.Handle());
        products.Close();
        if (s.Ok()) {
            ShowMessage(kMsgInUse, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (!s.NotFound()) {
            s.Report();
            return FX_STAY;
        }
        return FX_GO_ON;
    }

    std::string LookupCode() override
    {
        WarehouseRecord picked{};
        const std::string start = Trimmed(FxFieldGet(&Form(), 1));
        if (!FlyWarehouses(start.c_str(), 0, Lookups().Handle(), &picked, 5, 20, 10, 50, nullptr))
            return {};
        return Trimmed(FieldText(picked.Code, sizeof picked.Code).c_str());
    }
};

}  // namespace

extern "C" {

BWPS_EXPORT int RSEditWarehousesFor(EditorCaller* caller)
{
    if (caller != nullptr && !CheckUserGroupAccess(kCommand))
        return 0;
    WarehouseEditor editor(caller);
    std::array<ScreenField, kFields.size()> fields = kFields;
    return editor.Run(fields.data());
}

BWPS_EXPORT int RSEditWarehouses(int)
{
    return RSEditWarehousesFor(nullptr);
}

}  // extern "C"

BWPS_ORDINAL(3100, RSEditWarehouses);
