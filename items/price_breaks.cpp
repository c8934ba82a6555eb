// The price-break editor: named pricing rules of BPOSPRBK.DB, either a
// table of up to five quantity breaks or one value applied as a
// percentage, a dollar amount or a flat price, with a rounding choice.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "fx.h"

namespace bwps {
namespace {

enum Field {
    kCode = 1,
    kDescription,
    kType,
    kRounding,
    kFirstBreak,       // quantity of break 1; its value follows, then break 2 ...
    kSingleValue = 15
};
constexpr int kBreaks = 5;

constexpr int kPriceBreakFunction = 132;
constexpr int kPriceBreakEntity = 12;

constexpr int kMessageNoCode = 217;
constexpr int kMessageZeroQuantity = 225;
constexpr int kMessageBreaksOutOfOrder = 317;
constexpr int kMessageDeleteQuestion = 975;
constexpr int kMessagePercentTooLarge = 1425;

const char kTypeChoices[] = "\001Quantity,Percentage,Dollar,Flat Price";
const char kRoundingChoices[] = "\002None,Penny,Nickel,Dime,Dollar";

constexpr int QuantityField(int i) { return kFirstBreak + 2 * i; }
constexpr int ValueField(int i) { return kFirstBreak + 2 * i + 1; }

class PriceBreakEditor : public EditorFrame {
public:
    explicit PriceBreakEditor(TagLookUp* caller) : EditorFrame(MakeSpec(), caller) {}

    int TypeEnter()
    {
        typeOnEntry_ = TypeLetter();
        return FX_GO_ON;
    }

    int TypeExit()
    {
        const char type = TypeLetter();
        if (type != typeOnEntry_) {
            typeOnEntry_ = type;
            if (type != 'Q') {
                FxFieldSet(Form(), kSingleValue, "");
                if (type == 'D' || type == 'F')
                    FxChoiceSet(Form(), kRounding, 1);
            }
            SwitchFieldsByType(type);
        }
        const int key = KeySlot();
        if ((type == 'D' || type == 'F') && (key == FX_KEY_ENTER || key == FX_KEY_DOWN)) {
            FxFocusField(Form(), kSingleValue);
            return FX_STAY_FOCUSED;
        }
        return FX_GO_ON;
    }

    template <int I>
    int QuantityExit()
    {
        const int32_t quantity = ReadQuantity(QuantityField(I));
        if (quantity == 0) {
            const int key = KeySlot();
            if (key == FX_KEY_ENTER || key == FX_KEY_DOWN) {
                ShowMessage(kMessageZeroQuantity, MESSAGE_DEFAULT_CONTEXT);
                return FX_STAY;
            }
            return FX_GO_ON;
        }
        return BreaksInOrder() ? FX_GO_ON : FX_STAY;
    }

    int SingleValueExit()
    {
        const char type = TypeLetter();
        if (type == 'P' && ReadNumber(kSingleValue) > 100.0) {
            ShowMessage(kMessagePercentTooLarge, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if ((type == 'D' || type == 'F') && KeySlot() == FX_KEY_UP) {
            FxFocusField(Form(), kType);
            return FX_STAY_FOCUSED;
        }
        return FX_GO_ON;
    }

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSEditPriceBreaks";
        s.top = 3, s.left = 10, s.bottom = 18, s.right = 78;
        s.file = FileNo::PriceBook;
        s.recordLength = sizeof(PriceBreakRecord);
        s.codeOffset = offsetof(PriceBreakRecord, Code);
        s.codeLength = sizeof(PriceBreakRecord::Code);
        s.auditEntity = kPriceBreakEntity;
        s.nestedGroupFunction = kPriceBreakFunction;
        s.blankCodeMessage = kMessageNoCode;
        s.deleteQuestion = kMessageDeleteQuestion;
        s.keyOptions = 35;
        s.workOnCallerRecord = true;
        return s;
    }

    std::span<const ScreenField> Template() const override
    {
        static constexpr std::array<ScreenField, 16> kFields{{
            bwps::Field(kCode, 1, 18, "%-5sC").Flags(FX_FIELD_UPPER),
            bwps::Field(kDescription, 2, 18, "%-30s"),
            bwps::Field(kType, 3, 18, "%-11sm").Choices(kTypeChoices),
            bwps::Field(kRounding, 4, 18, "%-7sm").Choices(kRoundingChoices),
            bwps::Field(QuantityField(0), 7, 18, "%8d"),
            bwps::Field(ValueField(0), 7, 34, "%11.3f"),
            bwps::Field(QuantityField(1), 8, 18, "%8d"),
            bwps::Field(ValueField(1), 8, 34, "%11.3f"),
            bwps::Field(QuantityField(2), 9, 18, "%8d"),
            bwps::Field(ValueField(2), 9, 34, "%11.3f"),
            bwps::Field(QuantityField(3), 10, 18, "%8d"),
            bwps::Field(ValueField(3), 10, 34, "%11.3f"),
            bwps::Field(QuantityField(4), 11, 18, "%8d"),
            bwps::Field(ValueField(4), 11, 34, "%11.3f"),
            bwps::Field(kSingleValue, 13, 18, "%11.4f"),
            {},
        }};
        return kFields;
    }

    void BindFields(ScreenField* table) override
    {
        table[kType - 1].entryHandler = EditorHandler<PriceBreakEditor, &PriceBreakEditor::TypeEnter>;
        table[kType - 1].exitHandler = EditorHandler<PriceBreakEditor, &PriceBreakEditor::TypeExit>;
        table[QuantityField(0) - 1].exitHandler = EditorHandler<PriceBreakEditor, &PriceBreakEditor::QuantityExit<0>>;
        table[QuantityField(1) - 1].exitHandler = EditorHandler<PriceBreakEditor, &PriceBreakEditor::QuantityExit<1>>;
        table[QuantityField(2) - 1].exitHandler = EditorHandler<PriceBreakEditor, &PriceBreakEditor::QuantityExit<2>>;
        table[QuantityField(3) - 1].exitHandler = EditorHandler<PriceBreakEditor, &PriceBreakEditor::QuantityExit<3>>;
        table[QuantityField(4) - 1].exitHandler = EditorHandler<PriceBreakEditor, &PriceBreakEditor::QuantityExit<4>>;
        table[kSingleValue - 1].exitHandler = EditorHandler<PriceBreakEditor, &PriceBreakEditor::SingleValueExit>;
    }

    void BindKeys() override
    {
        SetKey(kKeyNewList, false);
        SetKey(kKeyEditList, false);
    }

    // Opened from another editor's record, a rule is edited, never deleted.
    void BindNestedKeys() override { FxSetKeyHandler(Form(), kKeyDelete, nullptr); }

    void DrawTexts() override
    {
        static const char* const kPrompts[] = {"Code:", "Description:", "Type:", "Rounding:"};
        for (int i = 0; i < 4; ++i)
            FxWindowText(Window(), i + 1, 3, -1, kPrompts[i], 0);
        FxWindowText(Window(), 6, 18, -1, "Quantity", 0);
        FxWindowText(Window(), 6, 40, -1, "Value", 0);
        for (int i = 0; i < kBreaks; ++i) {
            char text[16];
            std::snprintf(text, sizeof text, "Break %d:", i + 1);
            FxWindowText(Window(), 7 + i, 3, -1, text, 0);
        }
        FxWindowText(Window(), 13, 3, -1, "Value:", 0);
    }

    void ClearRecord() override
    {
        auto& r = Rule();
        std::memset(&r, 0, sizeof r);
        r.Rounding = 'P';
        r.Type = 'Q';
    }

    void RecordToScreen() override
    {
        const auto& r = Rule();
        char text[48];
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.Code), r.Code);
        FxFieldSet(Form(), kCode, text);
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.Description), r.Description);
        FxFieldSet(Form(), kDescription, text);
        const char type = KnownType(r.Type);
        SelectChoiceByValue(Form(), kType, type, 'Q', 'P', 'D', 'F', 0);
        SelectChoiceByValue(Form(), kRounding, r.Rounding, 'O', 'P', 'N', 'D', '$', 0);
        for (int i = 0; i < kBreaks; ++i) {
            int32_t quantity = 0;
            float value = 0.0f;
            std::memcpy(&quantity, reinterpret_cast<const char*>(&r.Breaks[i].Quantity), sizeof quantity);
            std::memcpy(&value, reinterpret_cast<const char*>(&r.Breaks[i].Value), sizeof value);
            if (quantity != 0)
                std::snprintf(text, sizeof text, "%d", quantity);
            else
                text[0] = '\0';
            FxFieldSet(Form(), QuantityField(i), text);
            if (value != 0.0f)
                FxFormatAmount(value, text, 3);
            else
                text[0] = '\0';
            FxFieldSet(Form(), ValueField(i), text);
        }
        const double single = r.SingleValue;
        if (type != 'Q')
            FxFormatAmount(single, text, 4);
        else
            text[0] = '\0';
        FxFieldSet(Form(), kSingleValue, text);
        typeOnEntry_ = type;
        SwitchFieldsByType(type);
    }

    void ScreenToRecord() override { ScreenInto(Rule()); }

    int CheckBeforeSave() override
    {
        // a table typed out of order and saved at once is refused as well
        if (TypeLetter() == 'Q' && !BreaksInOrder()) {
            FxFocusField(Form(), QuantityField(0));
            return FX_STAY_FOCUSED;
        }
        const int answer = SingleValueExit();
        if (answer == FX_STAY) {
            FxFocusField(Form(), kSingleValue);
            return FX_STAY_FOCUSED;
        }
        return FX_GO_ON;
    }

    int LookUp(int field) override
    {
        (void)field;
        return LookUpCode([](const char* start, uint16_t handle, void* record) {
            return FlyPriceBreaks(start, 1, handle, record, 5, 11, 13, 58, nullptr);
        });
    }

private:
    PriceBreakRecord& Rule() { return *static_cast<PriceBreakRecord*>(Record()); }

    static char KnownType(char type)
    {
        return type == 'P' || type == 'D' || type == 'F' ? type : 'Q';
    }

    char TypeLetter()
    {
        return KnownType(static_cast<char>(GetSelectedChoiceValue(Form(), kType, 'Q', 'P', 'D', 'F', 0)));
    }

    void SwitchFieldsByType(char type)
    {
        const bool table = type == 'Q';
        for (int f = QuantityField(0); f <= ValueField(kBreaks - 1); ++f)
            FxFieldSetDisplayOnly(Form(), f, table ? 0 : 1);
        FxFieldSetDisplayOnly(Form(), kSingleValue, table ? 1 : 0);
    }

    double ReadNumber(int field)
    {
        double value = 0.0;
        if (FxParseNumber(FxFieldGet(Form(), field), 0, &value) != 0)
            return 0.0;
        return value;
    }

    int32_t ReadQuantity(int field)
    {
        const double value = ReadNumber(field);
        if (!(value > -2147483648.0 && value < 2147483647.0))
            return 0;
        return static_cast<int32_t>(std::trunc(value));
    }

    void ScreenInto(PriceBreakRecord& r)
    {
        std::memset(r.Description, 0, sizeof r.Description);
        std::snprintf(r.Description, sizeof r.Description, "%s", FxFieldGet(Form(), kDescription));
        r.Type = TypeLetter();
        char rounding = static_cast<char>(GetSelectedChoiceValue(Form(), kRounding, 'O', 'P', 'N', 'D', '$', 0));
        if (std::strchr("OPND$", rounding) == nullptr || rounding == '\0')
            rounding = 'P';
        r.Rounding = rounding;
        for (int i = 0; i < kBreaks; ++i) {
            const int32_t quantity = ReadQuantity(QuantityField(i));
            const float value = static_cast<float>(ReadNumber(ValueField(i)));
            std::memcpy(reinterpret_cast<char*>(&r.Breaks[i].Quantity), &quantity, sizeof quantity);
            std::memcpy(reinterpret_cast<char*>(&r.Breaks[i].Value), &value, sizeof value);
        }
        // the single value counts only for the types that use it
        r.SingleValue = r.Type == 'Q' ? 0.0 : ReadNumber(kSingleValue);
    }

    // Every break before the last one in use asks for fewer than the next.
    bool BreaksInOrder()
    {
        PriceBreakRecord copy = Rule();
        ScreenInto(copy);
        int32_t quantities[kBreaks];
        for (int i = 0; i < kBreaks; ++i)
            std::memcpy(&quantities[i], reinterpret_cast<const char*>(&copy.Breaks[i].Quantity), sizeof(int32_t));
        int last = kBreaks - 1;
        while (last > 0 && quantities[last] == 0)
            --last;
        for (int i = 0; i < last; ++i)
            if (quantities[i + 1] <= quantities[i]) {
                ShowMessage(kMessageBreaksOutOfOrder, MESSAGE_DEFAULT_CONTEXT);
                return false;
            }
        return true;
    }

    char typeOnEntry_ = 'Q';
};

int EditPriceBreaks(TagLookUp* caller)
{
    PriceBreakEditor editor(caller);
    return editor.Run();
}

}  // namespace
}  // namespace bwps

extern "C" {

int RSEditPriceBreaks(int)
{
    return bwps::EditPriceBreaks(nullptr);
}

BWPS_EXPORT int EditPriceBreaksFromList(void* lookup)
{
    return bwps::EditPriceBreaks(static_cast<TagLookUp*>(lookup));
}

}  // extern "C"

BWPS_ORDINAL(617, RSEditPriceBreaks);
