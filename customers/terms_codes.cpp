// The terms-code editor: terms codes of BPOSTERM.DB, each a number of days
// or days of the month (99, shown "L", the month's last day) and a rate.
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/options.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "fx.h"

namespace bwps {
namespace {

enum Field { kCode = 1, kDescription, kKind, kRate, kFirstDay, kSecondDay, kThirdDay, kFlag };

constexpr int kTermsFunction = 133;
constexpr int kTermsDeleteRight = 114;
constexpr int kTermsEntity = 14;
constexpr int kMsgNoSuchDay = 3200;

const char kKindChoices[] = "\001Number of Days,Day of Month";
const char kYesNoChoices[] = "\001Yes,No";

class TermsEditor : public EditorFrame {
public:
    explicit TermsEditor(TagLookUp* caller) : EditorFrame(MakeSpec(), caller) {}

    int KindSwitch()
    {
        const bool days = DayOfMonth();
        FxFieldSetDisplayOnly(Form(), kThirdDay, days ? 0 : 1);
        FxFieldSetDisplayOnly(Form(), kFlag, days ? 0 : 1);
        return FX_GO_ON;
    }

    template <int F>
    int DayCheck()
    {
        return CheckDay(F);
    }

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSEditTermsCode";
        s.top = 3, s.left = 15, s.bottom = 13, s.right = 64;
        s.file = FileNo::Terms;
        s.recordLength = sizeof(TagTermsRecord);
        s.codeOffset = offsetof(TagTermsRecord, Code);
        s.codeLength = sizeof(TagTermsRecord::Code);
        s.auditEntity = kTermsEntity;
        s.function = kTermsFunction;
        s.deleteRight = kTermsDeleteRight;
        s.blankCodeMessage = 211;
        s.deleteQuestion = 969;
        s.keyOptions = 35;
        s.workOnCallerRecord = true;
        return s;
    }

    std::span<const ScreenField> Template() const override
    {
        static constexpr std::array<ScreenField, 9> kFields{{
            bwps::Field(kCode, 1, 20, "%-5sC").Flags(FX_FIELD_UPPER),
            bwps::Field(kDescription, 2, 20, "%-17s"),
            bwps::Field(kKind, 3, 20, "%-14sm").Choices(kKindChoices),
            bwps::Field(kRate, 4, 20, "%7.3f"),
            bwps::Field(kFirstDay, 5, 20, "%-3s").Flags(FX_FIELD_UPPER),
            bwps::Field(kSecondDay, 6, 20, "%-3s").Flags(FX_FIELD_UPPER),
            bwps::Field(kThirdDay, 7, 20, "%-3s").Flags(FX_FIELD_UPPER),
            bwps::Field(kFlag, 8, 20, "%-3sm").Choices(kYesNoChoices),
            {},
        }};
        return kFields;
    }

    void BindFields(ScreenField* table) override
    {
        table[kKind - 1].exitHandler = EditorHandler<TermsEditor, &TermsEditor::KindSwitch>;
        table[kFirstDay - 1].exitHandler = EditorHandler<TermsEditor, &TermsEditor::DayCheck<kFirstDay>>;
        table[kSecondDay - 1].exitHandler = EditorHandler<TermsEditor, &TermsEditor::DayCheck<kSecondDay>>;
        table[kThirdDay - 1].exitHandler = EditorHandler<TermsEditor, &TermsEditor::DayCheck<kThirdDay>>;
    }

    void BindKeys() override { SetKey(kKeyNewList, false); }

    void DrawTexts() override
    {
        static const char* const kPrompts[] = {"Terms code:", "Description:", "Kind:",
                                               "Rate:",       "First day:",   "Second day:",
                                               "Third day:",  "Next month:"};
        for (int i = 0; i < 8; ++i)
            FxWindowText(Window(), i + 1, 3, -1, kPrompts[i], 0);
    }

    void ClearRecord() override
    {
        auto& r = Terms();
        std::memset(&r, 0, sizeof r);
        r.Mode = 'N';
        r.NextMonth = 'N';
    }

    void RecordToScreen() override
    {
        const auto& r = Terms();
        char text[32];
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.Code), r.Code);
        FxFieldSet(Form(), kCode, text);
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.Description), r.Description);
        FxFieldSet(Form(), kDescription, text);
        SelectChoiceByValue(Form(), kKind, r.Mode == 'D' ? 'D' : 'N', 'N', 'D', 0);
        float rate = 0.0f;
        std::memcpy(&rate, &r.DiscountPercent, sizeof rate);
        FxFieldSet(Form(), kRate, FxFormatAmount(rate, text, 3));
        ShowDay(kFirstDay, r.DiscountDay);
        ShowDay(kSecondDay, r.DueDay);
        ShowDay(kThirdDay, r.CutOffDay);
        PutYesNoChoice(Form(), kFlag, r.NextMonth);
        KindSwitch();
    }

    void ScreenToRecord() override
    {
        auto& r = Terms();
        std::memset(r.Description, 0, sizeof r.Description);
        std::snprintf(r.Description, sizeof r.Description, "%s", FxFieldGet(Form(), kDescription));
        r.Mode = static_cast<char>(GetSelectedChoiceValue(Form(), kKind, 'N', 'D', 0));
        if (r.Mode != 'D')
            r.Mode = 'N';
        r.NextMonth = static_cast<char>(ReadYesNoChoice(Form(), kFlag));
        double rate = 0.0;
        if (FxParseNumber(FxFieldGet(Form(), kRate), 0, &rate) != 0)
            rate = 0.0;
        const float stored = static_cast<float>(rate);
        std::memcpy(&r.DiscountPercent, &stored, sizeof stored);
        const bool days = r.Mode == 'D';
        r.DiscountDay = ReadDay(kFirstDay, days);
        r.DueDay = ReadDay(kSecondDay, days);
        r.CutOffDay = ReadDay(kThirdDay, days);
    }

    int CheckBeforeSave() override
    {
        // the third value counts only for days of the month: a value left
        // in it under Number of Days cannot be corrected there
        for (int f : {kFirstDay, kSecondDay, kThirdDay}) {
            if (f == kThirdDay && !DayOfMonth())
                continue;
            if (CheckDay(f) != FX_GO_ON) {
                FxFocusField(Form(), f);
                return FX_STAY_FOCUSED;
            }
        }
        return FX_GO_ON;
    }

    int LookUp(int field) override
    {
        if (field != kCode)
            return FX_STAY;
        return LookUpCode([](const char* start, uint16_t handle, void* record) {
            return FlyTerms(start, 1, handle, record, 5, 10, 10, 58, nullptr);
        });
    }

private:
    TagTermsRecord& Terms() { return *static_cast<TagTermsRecord*>(Record()); }

    bool DayOfMonth() { return FxChoiceGet(Form(), kKind) == 2; }

    void ShowDay(int field, int16_t value)
    {
        char text[16];
        if (value == 99)
            std::snprintf(text, sizeof text, "L");
        else
            std::snprintf(text, sizeof text, "%d", value);
        FxFieldSet(Form(), field, text);
    }

    int16_t ReadDay(int field, bool dayOfMonth)
    {
        const char* text = FxFieldGet(Form(), field);
        while (*text == ' ')
            ++text;
        if (*text == 'L' || *text == 'l')
            return 99;
        const int value = std::atoi(text);
        if (dayOfMonth && value > 29)
            return 99;
        return static_cast<int16_t>(value);
    }

    int CheckDay(int field)
    {
        std::string text = FxFieldGet(Form(), field);
        const size_t first = text.find_first_not_of(' ');
        text = first == std::string::npos ? std::string() : text.substr(first);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (!DayOfMonth()) {
            // a number of days: digits only
            for (char c : text)
                if (!std::isdigit(static_cast<unsigned char>(c))) {
                    ShowMessage(323, MESSAGE_DEFAULT_CONTEXT);
                    return FX_STAY;
                }
            return FX_GO_ON;
        }
        if (!text.empty() && (text[0] == 'L' || text[0] == 'l'))
            return FX_GO_ON;
        for (size_t i = 0; i < text.size() && i < 2; ++i)
            if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
                ShowMessage(323, MESSAGE_DEFAULT_CONTEXT);
                return FX_STAY;
            }
        const int value = std::atoi(text.c_str());
        if (value == 0) {
            ShowMessage(229, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (value > 31) {
            ShowMessage(kMsgNoSuchDay, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (value >= 30) {
            // not every month has it: the last day of the month, said so
            FxFieldSet(Form(), field, "L");
            FxShowStatusText("Day 30 or 31 is kept as L, the last day of each month.");
        }
        return FX_GO_ON;
    }
};

int EditTermsCode(TagLookUp* caller)
{
    TermsEditor editor(caller);
    return editor.Run();
}

}  // namespace
}  // namespace bwps

extern "C" {

int RSEditTermsCode(int)
{
    return bwps::EditTermsCode(nullptr);
}

int EditTermsCodeFromList(void* lookup)
{
    return bwps::EditTermsCode(static_cast<TagLookUp*>(lookup));
}

}  // extern "C"

BWPS_ORDINAL(635, EditTermsCodeFromList);
