// The screen of the user-defined-field labels: the twelve labels of
// customers, products and services on one form, written together with F10.
#include <array>
#include <cstddef>

#include "bwps/editor_frame.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "bwps/udf.h"
#include "fx.h"

namespace bwps {
namespace {

constexpr int kCustomerFirst = 1;
constexpr int kProductFirst = 25;
constexpr int kServiceFirst = 37;
constexpr uint16_t kLabelPrompt = 767;
constexpr int kKeyF8 = 0x4200;

// 48 label fields: customers 1-12 (left, rows 2-13), products 25-36 (right,
// rows 2-13), services 37-48 (two columns of six under them); 13-24 are kept
// in the table, shown nowhere and closed to input.
constexpr std::array<ScreenField, 49> MakeTemplate()
{
    std::array<ScreenField, 49> t{};
    for (int i = 0; i < 48; ++i) {
        const int number = i + 1;
        int row = 0, column = 0;
        if (number <= 12) {
            row = number + 1, column = 2;
        } else if (number >= kProductFirst && number < kServiceFirst) {
            row = number - kProductFirst + 2, column = 36;
        } else if (number >= kServiceFirst) {
            const int k = number - kServiceFirst;
            row = 15 + k % 6, column = k < 6 ? 2 : 36;
        }
        FieldSpec f = bwps::Field(static_cast<uint8_t>(number), static_cast<uint8_t>(row),
                                  static_cast<uint8_t>(column), "%-30s")
                          .Prompt(kLabelPrompt)
                          .Flags(0x10);
        if (number > 12 && number < kProductFirst)
            f.DisplayOnly();
        t[static_cast<size_t>(i)] = f;
    }
    return t;
}

constexpr auto kLabelFields = MakeTemplate();

class UdfSettingsScreen : public EditorFrame {
public:
    UdfSettingsScreen() : EditorFrame(MakeSpec(), nullptr) {}

    bool Shown() const { return shown_; }

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSUDFSettings";
        s.top = 1, s.left = 1, s.bottom = 20, s.right = 70;
        s.file = static_cast<FileNo>(CBwUDFSMngr::GetGrlTableId());
        s.recordLength = sizeof(TagUDFSettings);
        s.codeOffset = 0;
        s.codeLength = GENERAL_KEY_SIZE;
        s.codeField = 0;
        s.keyOptions = 0x23;
        return s;
    }

    std::span<const ScreenField> Template() const override { return kLabelFields; }

    // The settings of the general file that the company keeps them in (the
    // accounting company's when the store is interfaced).
    bool Prepare() override
    {
        if (!CBwUDFSMngr::Initialize()) {
            CBwUDFSMngr::Destroy();
            return false;
        }
        UseFile(static_cast<uint16_t>(CBwUDFSMngr::GetHandle()));
        return true;
    }

    void BindKeys() override
    {
        FxReleaseKey(Form(), kKeyLookUp);
        FxReleaseKey(Form(), kKeyDelete);
        FxReleaseKey(Form(), kKeyF8);
        FxSetKeyHandler(Form(), kKeySave, EditorHandler<UdfSettingsScreen, &UdfSettingsScreen::Write>);
    }

    void DrawTexts() override
    {
        shown_ = true;
        FxWindowText(Window(), 1, 2, -1, "Customers", 0);
        FxWindowText(Window(), 1, 36, -1, "Products", 0);
        FxWindowText(Window(), 14, 2, -1, "Services", 0);
    }

    void ClearRecord() override {}
    void ScreenToRecord() override {}

    void RecordToScreen() override
    {
        CBwUDFSMngr::CustStructToScreen(Form(), kCustomerFirst);
        CBwUDFSMngr::ProdStructToScreen(Form(), kProductFirst);
        CBwUDFSMngr::ServStructToScreen(Form(), kServiceFirst);
    }

private:
    int Write()
    {
        CBwUDFSMngr::CustScreenToStruct(Form(), kCustomerFirst);
        CBwUDFSMngr::ProdScreenToStruct(Form(), kProductFirst);
        CBwUDFSMngr::ServScreenToStruct(Form(), kServiceFirst);
        if (CBwUDFSMngr::UpdateCust() && CBwUDFSMngr::UpdateProd() && CBwUDFSMngr::UpdateServ())
            return FX_LEAVE;
        return FX_STAY;
    }

    bool shown_ = false;
};

}  // namespace
}  // namespace bwps

extern "C" int RSUDFSettings(void)
{
    bwps::UdfSettingsScreen screen;
    screen.Run();
    CBwUDFSMngr::Destroy();
    return screen.Shown() ? 1 : 0;
}

BWPS_ORDINAL(4085, RSUDFSettings);
