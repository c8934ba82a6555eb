// Weight units (BPOSWUNI.DB): the editor RSEditWeight and the questions the
// product screens ask about units. The unit "gm" is built in: it is never
// deleted and its factor is not edited. At most one unit is the default.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>

#include "bwps/code_editors.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/products.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "recman.h"
#include "setup/code_editor.h"

using namespace bwps;
using namespace bwps::editors;

namespace {

constexpr int kEntity = 17;
constexpr int kCodeWidth = static_cast<int>(sizeof(WeightUnitRecord::code));
constexpr int kMsgBuiltIn = 1680;
constexpr int kMsgBlankCode = 1682;
constexpr int kMsgBadFactor = 1684;
constexpr int kMsgUsedByProduct = 1686;
constexpr int kMsgUsedByInvoice = 1688;
constexpr int kMsgDeleteQuestion = 1690;
constexpr int kMsgSecondDefault = 1692;

enum { F_CODE = 1, F_DESCRIPTION, F_FACTOR, F_DEFAULT };

std::string UnitCode(const char* text)
{
    std::string code = Trimmed(text);
    std::transform(code.begin(), code.end(), code.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return code.substr(0, kCodeWidth - 1);
}

bool IsBuiltIn(const std::string& code)
{
    return UnitCode(code.c_str()) == UnitCode(WEIGHT_UNIT_BUILT_IN);
}

// A handle of the caller's, or one opened (and closed) here; the caller's
// key and, when asked, its position are put back at the end.
class Borrowed {
public:
    Borrowed(FileNo file, uint16_t handle, bool keepPosition) : keepPosition_(keepPosition)
    {
        opened_ = table_.Borrow(file, handle);
        if (opened_.Ok() && handle != 0) {
            BtrGetDefaults(handle, &key_, &second_);
            if (keepPosition_)
                positioned_ = BtrPosition(B_GET_DIRECT, handle, &position_) == 0;
        }
    }
    ~Borrowed()
    {
        if (table_.IsOpen() && !table_.Owned()) {
            BtrSetDefaults(table_.Handle(), key_, -1);
            if (keepPosition_ && positioned_)
                BtrPosition(0, table_.Handle(), &position_);
        }
    }
    Borrowed(const Borrowed&) = delete;
    Borrowed& operator=(const Borrowed&) = delete;
    const Status& Opened() const { return opened_; }
    Table& File() { return table_; }
    void KeepPosition(bool keep) { keepPosition_ = keep; }

private:
    Table table_;
    Status opened_;
    bool keepPosition_;
    bool positioned_ = false;
    int key_ = 0, second_ = 0;
    uint32_t position_ = 0;
};

// True when a record of the file names the unit in the 7 bytes at offset,
// found on the key given by get-greater-or-equal.
bool UnitNamedIn(FileNo file, uint16_t handle, int keyNumber, int length, std::size_t offset, const char* code)
{
    Borrowed b(file, handle, true);
    if (!b.Opened().Ok()) {
        b.Opened().Report();
        return false;
    }
    const std::string wanted = UnitCode(code);
    KeyBuffer key;
    std::memcpy(key.bytes, wanted.data(), wanted.size());
    std::array<uint8_t, ACCOUNTING_INVOICE_HEADER_SIZE> record{};
    b.File().SetKey(keyNumber);
    const Status s = b.File().Get(B_GET_GE, key.bytes, record.data(), length);
    if (!s.Ok()) {
        if (!s.Is(B_END_OF_FILE))
            Status{s.status, B_GET_EQUAL, file}.Report();
        return false;
    }
    return UnitCode(FieldText(record.data() + offset, kCodeWidth).c_str()) == wanted;
}

}  // namespace

extern "C" {

BWPS_EXPORT int WeightDefaultExist(const WeightUnitRecord* unit, uint16_t units)
{
    Borrowed b(FileNo::Units, units, true);
    if (!b.Opened().Ok()) {
        b.Opened().Report();
        return 0;
    }
    const std::string own = unit != nullptr ? UnitCode(FieldText(unit->code, kCodeWidth).c_str()) : "";
    b.File().SetKey(WEIGHT_UNIT_DEFAULT_KEY);
    KeyBuffer key;
    key.bytes[0] = 'Y';
    WeightUnitRecord found{};
    for (Status s = b.File().Get(B_GET_EQUAL, key, found); s.Ok() && found.isDefault == 'Y';
         s = b.File().Get(B_GET_NEXT, key, found)) {
        if (UnitCode(FieldText(found.code, kCodeWidth).c_str()) != own)
            return 1;
    }
    return 0;
}

BWPS_EXPORT int GetWUnitDefault(WeightUnitRecord* out, uint16_t units, int restorePosition)
{
    Borrowed b(FileNo::Units, units, true);
    if (!b.Opened().Ok()) {
        b.Opened().Report();
        return 0;
    }
    WeightUnitRecord found{};
    KeyBuffer key;
    key.bytes[0] = 'Y';
    b.File().SetKey(WEIGHT_UNIT_DEFAULT_KEY);
    Status s = b.File().Get(B_GET_EQUAL, key, found);
    if (!s.Ok()) {
        KeyBuffer gm;
        std::memcpy(gm.bytes, WEIGHT_UNIT_BUILT_IN, std::strlen(WEIGHT_UNIT_BUILT_IN));
        b.File().SetKey(0);
        s = b.File().Get(B_GET_GE, gm, found);
    }
    if (!s.Ok()) {
        Status{s.status, B_GET_GE, FileNo::Units}.Report();
        return 0;
    }
    b.KeepPosition(restorePosition != 0);
    if (out != nullptr)
        *out = found;
    return 1;
}

BWPS_EXPORT int WUnitUsedInProduct(const char* code, uint16_t products)
{
    return UnitNamedIn(FileNo::Products, products, PRODUCT_WEIGHT_UNIT_KEY, sizeof(TagProduct),
                       offsetof(TagProduct, WeightUnit), code)
               ? 1
               : 0;
}

BWPS_EXPORT int WUnitUsedInInvHeader(const char* code, uint16_t headers)
{
    if (!IsInterfacedToAccounting())
        return 0;
    return UnitNamedIn(FileNo::AccountingSalesHeader, headers, ACCOUNTING_INVOICE_UNIT_KEY,
                       ACCOUNTING_INVOICE_HEADER_SIZE, ACCOUNTING_INVOICE_UNIT_OFFSET, code)
               ? 1
               : 0;
}

BWPS_EXPORT int WUnitIsDefault(const void* unitOrCode, int, int showMessage)
{
    if (unitOrCode == nullptr)
        return 0;
    char code[kCodeWidth + 1] = {};
    std::memcpy(code, unitOrCode, strnlen(static_cast<const char*>(unitOrCode), kCodeWidth));
    FxTrimText(5, code);
    if (!IsBuiltIn(code))
        return 0;
    if (showMessage)
        ShowMessage(kMsgBuiltIn, MESSAGE_DEFAULT_CONTEXT);
    return 1;
}

BWPS_EXPORT int GetWUnitRecord(const char* code, WeightUnitRecord* out, uint16_t units, int* status)
{
    Borrowed b(FileNo::Units, units, true);
    if (!b.Opened().Ok()) {
        if (status != nullptr)
            *status = b.Opened().status;
        else
            b.Opened().Report();
        return 0;
    }
    KeyBuffer key;
    const std::string wanted = code != nullptr ? Trimmed(code) : "";
    std::memcpy(key.bytes, wanted.data(), std::min<std::size_t>(wanted.size(), kCodeWidth - 1));
    WeightUnitRecord found{};
    b.File().SetKey(0);
    const Status s = b.File().Get(B_GET_GE, key, found);
    if (status != nullptr)
        *status = s.status;
    if (!s.Ok()) {
        if (status == nullptr)
            Status{s.status, B_GET_GE, FileNo::Units}.Report();
        return 0;
    }
    if (out != nullptr)
        *out = found;
    return 1;
}

}  // extern "C"

// ---- the editor

namespace {

int OnFactorLeave(void* context);

constexpr std::array<ScreenField, 5> kFields{{
    bwps::Field(F_CODE, 1, 16, "%-6sC").Flags(FX_FIELD_UPPER).Exit(CodeEditor::OnCodeLeave),
    bwps::Field(F_DESCRIPTION, 2, 16, "%-30s"),
    bwps::Field(F_FACTOR, 3, 16, "%12.4f").Exit(OnFactorLeave),
    bwps::Field(F_DEFAULT, 4, 16, "%-5sm").Choices("\002Yes,No"),
    {},
}};

class WeightEditor : public CodeEditor {
public:
    explicit WeightEditor(EditorCaller* caller)
        : CodeEditor(EditorLayout{"RSEditWeight", 3, 10, 12, 69, FileNo::Units, kEntity,
                                  static_cast<int>(sizeof(WeightUnitRecord)), kCodeWidth, kMsgBlankCode,
                                  kMsgDeleteQuestion, false},
                     caller)
    {
    }

    int FactorCheck()
    {
        double factor = 0.0;
        if (FxParseNumber(FxFieldGet(&Form(), F_FACTOR), 0, &factor) != 0 || !(factor > 0.0)) {
            ShowMessage(kMsgBadFactor, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }

private:
    WeightUnitRecord& Unit() { return *reinterpret_cast<WeightUnitRecord*>(Record()); }

    Status OpenOtherFiles() override
    {
        Status s = products_.Open(FileNo::Products);
        if (s.Ok() && IsInterfacedToAccounting())
            s = headers_.Open(FileNo::AccountingSalesHeader);
        return s;
    }

    void Prepare() override
    {
        FxReleaseKey(&Form(), kKeyF8);
        FxWindow& w = ScreenFrame().window;
        FxWindowText(&w, 1, 2, -1, "Weight Unit:", 0);
        FxWindowText(&w, 2, 2, -1, "Description:", 0);
        FxWindowText(&w, 3, 2, -1, "Factor:", 0);
        FxWindowText(&w, 4, 2, -1, "Default:", 0);
    }

    std::string Normalise(const char* text) override { return UnitCode(text); }
    bool StartsNew(const Status& s) const override { return s.NotFound(); }

    void Clear(const std::string& code) override
    {
        std::memset(Record(), 0, sizeof(WeightUnitRecord));
        Codes().PutCode(Record(), code);
        Unit().isDefault = 'N';
    }

    void Show() override
    {
        WeightUnitRecord& u = Unit();
        FxFieldSet(&Form(), F_CODE, FieldText(u.code, kCodeWidth).c_str());
        FxFieldSet(&Form(), F_DESCRIPTION, FieldText(u.description, sizeof u.description).c_str());
        char factor[32];
        FxFieldSet(&Form(), F_FACTOR, FxFormatAmount(u.factor, factor, 4));
        FxChoiceSet(&Form(), F_DEFAULT, u.isDefault == 'Y' ? 1 : 2);
        FxFormRedraw(&ScreenFrame().fx, &Form());
    }

    void Shown(bool) override { FxFieldSetDisplayOnly(&Form(), F_FACTOR, IsBuiltIn(Code()) ? 1 : 0); }

    void Take() override
    {
        WeightUnitRecord& u = Unit();
        PutField(u.description, sizeof u.description, RightTrimmed(FxFieldGet(&Form(), F_DESCRIPTION)));
        double factor = 0.0;
        if (FxParseNumber(FxFieldGet(&Form(), F_FACTOR), 0, &factor) == 0)
            u.factor = FxRound(factor, 4);
        u.isDefault = FxChoiceGet(&Form(), F_DEFAULT) == 1 ? 'Y' : 'N';
    }

    bool MayDelete() const override { return !IsBuiltIn(Code()); }

    int BeforeDelete() override
    {
        if (WUnitIsDefault(Code().c_str(), 0, 1))
            return FX_STAY;
        if (WUnitUsedInProduct(Code().c_str(), products_.Handle())) {
            ShowMessage(kMsgUsedByProduct, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (IsInterfacedToAccounting() && WUnitUsedInInvHeader(Code().c_str(), headers_.Handle())) {
            ShowMessage(kMsgUsedByInvoice, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }

    int BeforeSave() override
    {
        if (FactorCheck() != FX_GO_ON)
            return FX_STAY;
        if (FxChoiceGet(&Form(), F_DEFAULT) == 1) {
            WeightUnitRecord self{};
            Codes().PutCode(&self, Code());
            if (WeightDefaultExist(&self, 0)) {
                ShowMessage(kMsgSecondDefault, MESSAGE_DEFAULT_CONTEXT);
                return FX_STAY;
            }
        }
        return FX_GO_ON;
    }

    std::string LookupCode() override
    {
        WeightUnitRecord picked{};
        const std::string start = Trimmed(FxFieldGet(&Form(), F_CODE));
        if (!FlyWUCodes(start.c_str(), No(FileNo::Units), 0, Lookups().Handle(), &picked, 5, 15, 10, 50))
            return {};
        return UnitCode(FieldText(picked.code, kCodeWidth).c_str());
    }

    Table products_;
    Table headers_;
};

int OnFactorLeave(void* context)
{
    return static_cast<WeightEditor*>(static_cast<Frame*>(context)->editor)->FactorCheck();
}

}  // namespace

extern "C" {

BWPS_EXPORT int EditWUCodeFor(EditorCaller* caller)
{
    WeightEditor editor(caller);
    std::array<ScreenField, kFields.size()> fields = kFields;
    return editor.Run(fields.data());
}

BWPS_EXPORT int EditWUCode(int)
{
    return EditWUCodeFor(nullptr);
}

}  // extern "C"

BWPS_ORDINAL(6230, EditWUCode);
