// The ship-via editor: the carriers and ways of shipping of BPOSSVIA.DB.
#include <array>
#include <cstdio>
#include <cstring>

#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/ordinals.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "fx.h"

namespace bwps {
namespace {

enum Field { kCode = 1, kDescription, kSecondLine, kTelephone };

constexpr int kShipViaListFunction = 139;
constexpr int kShipViaEntity = 13;

class ShipViaEditor : public EditorFrame {
public:
    explicit ShipViaEditor(TagLookUp* caller) : EditorFrame(MakeSpec(), caller) {}

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSEditShipVia";
        s.top = 3, s.left = 12, s.bottom = 10, s.right = 68;
        s.file = FileNo::ShipVia;
        s.recordLength = sizeof(ShipViaRecord);
        s.codeOffset = offsetof(ShipViaRecord, Code);
        s.codeLength = sizeof(ShipViaRecord::Code);
        s.auditEntity = kShipViaEntity;
        s.nestedGroupFunction = kShipViaListFunction;
        s.blankCodeMessage = 1664;
        s.deleteQuestion = 1666;
        s.keyOptions = 35;
        return s;
    }

    std::span<const ScreenField> Template() const override
    {
        static constexpr std::array<ScreenField, 5> kFields{{
            bwps::Field(kCode, 1, 14, "%-15sC").Flags(FX_FIELD_UPPER),
            bwps::Field(kDescription, 2, 14, "%-40s"),
            bwps::Field(kSecondLine, 3, 14, "%-40s"),
            bwps::Field(kTelephone, 4, 14, "(nnn) nnn-nnnn"),
            {},
        }};
        return kFields;
    }

    void BindKeys() override { FxReleaseKey(Form(), kKeyNewList); }

    void DrawTexts() override
    {
        static const char* const kPrompts[] = {"Ship via:", "Description:", "", "Telephone:"};
        for (int i = 0; i < 4; ++i)
            if (kPrompts[i][0] != '\0')
                FxWindowText(Window(), i + 1, 2, -1, kPrompts[i], 0);
    }

    void ClearRecord() override
    {
        auto& r = ShipVia();
        std::memset(&r, 0, sizeof r);
        std::snprintf(r.Telephone, sizeof r.Telephone, "%s", kBlankTelephone);
    }

    void RecordToScreen() override
    {
        const auto& r = ShipVia();
        char text[64];
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.Code), r.Code);
        FxFieldSet(Form(), kCode, text);
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.Description), r.Description);
        FxFieldSet(Form(), kDescription, text);
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.SecondLine), r.SecondLine);
        FxFieldSet(Form(), kSecondLine, text);
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.Telephone), r.Telephone);
        FxFieldSet(Form(), kTelephone, text[0] != '\0' ? text : kBlankTelephone);
    }

    void ScreenToRecord() override
    {
        auto& r = ShipVia();
        std::memset(r.Description, 0, sizeof r.Description);
        std::snprintf(r.Description, sizeof r.Description, "%s", FxFieldGet(Form(), kDescription));
        std::memset(r.SecondLine, 0, sizeof r.SecondLine);
        std::snprintf(r.SecondLine, sizeof r.SecondLine, "%s", FxFieldGet(Form(), kSecondLine));
        const char* phone = FxFieldGet(Form(), kTelephone);
        std::memset(r.Telephone, 0, sizeof r.Telephone);
        std::snprintf(r.Telephone, sizeof r.Telephone, "%s", phone[0] != '\0' ? phone : kBlankTelephone);
    }

    int LookUp(int field) override
    {
        if (field != kCode)
            return FX_STAY;
        return LookUpCode([](const char* start, uint16_t handle, void* record) {
            return FlyShipVia(start, 1, handle, record, 4, 4, 13, 60, nullptr);
        });
    }

private:
    ShipViaRecord& ShipVia() { return *static_cast<ShipViaRecord*>(Record()); }
};

int EditShipVia(TagLookUp* caller)
{
    ShipViaEditor editor(caller);
    return editor.Run();
}

}  // namespace
}  // namespace bwps

extern "C" {

int RSEditShipVia(int)
{
    return bwps::EditShipVia(nullptr);
}

int EditShipViaFromList(void* lookup)
{
    return bwps::EditShipVia(static_cast<TagLookUp*>(lookup));
}

}  // extern "C"

BWPS_ORDINAL(4230, EditShipViaFromList);
