// Period history of a customer or vendor record: four slots of sales
// counts and amounts side by side, the change from slot 2 to slot 3 and its
// percentage worked out on screen. The fifth slot of every array is kept as
// it is.
#include <array>
#include <cstddef>

#include "bwps/ordinals.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "items/period_history.h"

namespace bwps {
namespace {

constexpr int kShownSlots = 4;
constexpr int kRows = 6;
constexpr int kBaseSlot = 2;   // the changes run from this slot
constexpr int kLaterSlot = 3;  // to this one
constexpr int kChangeAnswer = 0x20;

enum Row { kCountA = 1, kCountB, kAmountA, kAmountB, kAmountC, kBMinusC };
enum Field { kChange = 25, kPercent = 31, kCode = 37, kName = 38 };

constexpr int SlotField(int slot, int row) { return 6 * slot + row; }

// Both tables: fields 1-23 carry the kind's prompt.
template <uint16_t Prompt>
constexpr std::array<ScreenField, 39> MakeTemplate()
{
    std::array<ScreenField, 39> t{};
    for (int slot = 0; slot < kShownSlots; ++slot) {
        for (int row = 1; row <= kRows; ++row) {
            const auto number = static_cast<uint8_t>(SlotField(slot, row));
            const auto r = static_cast<uint8_t>(row + 2);
            const auto c = static_cast<uint8_t>(12 + 11 * slot + (slot == kLaterSlot ? 3 : 0));
            FieldSpec f = row <= kCountB    ? bwps::Field(number, r, c, "%6ld")
                          : slot == kBaseSlot ? bwps::Field(number, r, c, "%12.2f")
                                              : bwps::Field(number, r, c, "%9.0f");
            if (row == kBMinusC)
                f.DisplayOnly();
            else
                f.Prompt(Prompt);
            t[static_cast<size_t>(number - 1)] = f;
        }
    }
    for (int row = 1; row <= kRows; ++row) {
        const auto r = static_cast<uint8_t>(row + 2);
        const auto change = static_cast<uint8_t>(kChange + row - 1);
        const auto percent = static_cast<uint8_t>(kPercent + row - 1);
        t[change - 1] = row <= kCountB ? bwps::Field(change, r, 60, "%6ld").DisplayOnly()
                                       : bwps::Field(change, r, 60, "%9.0f").DisplayOnly();
        t[percent - 1] = bwps::Field(percent, r, 70, "%7.2f").DisplayOnly();
    }
    t[kCode - 1] = bwps::Field(kCode, 1, 12, "%-10sC").DisplayOnly();
    t[kName - 1] = bwps::Field(kName, 1, 24, "%-40s").DisplayOnly();
    return t;
}

constexpr auto kCustomerFields = MakeTemplate<30>();
constexpr auto kVendorFields = MakeTemplate<1>();

class CustomerHistory : public PeriodHistoryScreen {
public:
    CustomerHistory(bool customer, uint16_t handle, void* record)
        : PeriodHistoryScreen(MakeSpec(customer), handle, record), customer_(customer)
    {
    }

protected:
    static EditorSpec MakeSpec(bool customer)
    {
        EditorSpec s;
        s.screenName = customer ? "RSEditCustHist" : "RSEditVendHist";
        s.top = 11, s.left = 1, s.bottom = customer ? 21 : 19, s.right = 79;
        s.file = customer ? FileNo::Customers : FileNo::Vendors;
        s.recordLength = sizeof(CustomerRecord);
        s.codeOffset = offsetof(CustomerRecord, Code);
        s.codeLength = sizeof(CustomerRecord::Code);
        s.codeField = 0;
        s.keyOptions = 0;
        return s;
    }

    std::span<const ScreenField> Template() const override
    {
        return customer_ ? std::span<const ScreenField>(kCustomerFields) : std::span<const ScreenField>(kVendorFields);
    }

    void BindFields(ScreenField* table) override
    {
        for (int slot = 0; slot < kShownSlots; ++slot)
            for (int row = kCountA; row <= kAmountC; ++row)
                table[SlotField(slot, row) - 1].exitHandler = EditorHandler<CustomerHistory, &CustomerHistory::OnLeave>;
    }

    void DrawTexts() override
    {
        PeriodHistoryScreen::DrawTexts();
        if (!customer_) {
            // a vendor has no amount C and so no row 6
            for (int row : {kAmountC, kBMinusC}) {
                for (int slot = 0; slot < kShownSlots; ++slot)
                    FxFieldSetState(Form(), SlotField(slot, row), 2);
                FxFieldSetState(Form(), kChange + row - 1, 2);
                FxFieldSetState(Form(), kPercent + row - 1, 2);
            }
        }
        static const char* const kTexts[] = {"Sales", "No amount", "Sales amt", "Payments", "Layaways", "Net"};
        for (int row = 0; row < (customer_ ? kRows : kAmountB); ++row)
            FxWindowText(Window(), row + 3, 1, -1, kTexts[row], 0);
    }

    void Fill() override
    {
        const auto& r = Held<CustomerRecord>();
        char text[48];
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.Code), r.Code);
        FxFieldSet(Form(), kCode, text);
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof r.Name), r.Name);
        FxFieldSet(Form(), kName, text);
        for (int slot = 0; slot < kShownSlots; ++slot) {
            PutCount(SlotField(slot, kCountA), r.Invoices[slot]);
            PutCount(SlotField(slot, kCountB), r.ZeroInvoices[slot]);
            PutNumber(SlotField(slot, kAmountA), r.Sales[slot]);
            PutNumber(SlotField(slot, kAmountB), r.Payments[slot]);
            if (customer_)
                PutNumber(SlotField(slot, kAmountC), r.Layaways[slot]);
        }
        Recompute();
    }

    bool Take(void* record) override
    {
        auto& r = *static_cast<CustomerRecord*>(record);
        for (int slot = 0; slot < kShownSlots; ++slot) {
            r.Invoices[slot] = Count(SlotField(slot, kCountA));
            r.ZeroInvoices[slot] = Count(SlotField(slot, kCountB));
            r.Sales[slot] = Amount(SlotField(slot, kAmountA));
            r.Payments[slot] = Amount(SlotField(slot, kAmountB));
            if (customer_)
                r.Layaways[slot] = Amount(SlotField(slot, kAmountC));
        }
        return true;
    }

private:
    double Value(int slot, int row)
    {
        const int field = SlotField(slot, row);
        return row <= kCountB ? static_cast<double>(Count(field)) : Amount(field);
    }

    // Row 6 of every slot, the changes of the shown rows and their percentages.
    void Recompute()
    {
        if (customer_)
            for (int slot = 0; slot < kShownSlots; ++slot)
                PutNumber(SlotField(slot, kBMinusC), Value(slot, kAmountB) - Value(slot, kAmountC));
        const int lastRow = customer_ ? kBMinusC : kAmountB;
        for (int row = kCountA; row <= lastRow; ++row) {
            const double base = Value(kBaseSlot, row);
            const double change = Change(Value(kLaterSlot, row), base);
            if (row <= kCountB)
                PutCount(kChange + row - 1, static_cast<int32_t>(change));
            else
                PutNumber(kChange + row - 1, change);
            PutNumber(kPercent + row - 1, Percent(change, base));
        }
    }

    int OnLeave()
    {
        Recompute();
        Keep();
        return FX_GO_ON;
    }

    bool customer_;
};

}  // namespace
}  // namespace bwps

extern "C" int RSEditCustHist(int fileNumber, uint16_t masterFile, void* master)
{
    if (master == nullptr)
        return bwps::kChangeAnswer;
    const bool customer = fileNumber == bwps::No(bwps::FileNo::Customers);
    bwps::CustomerHistory screen(customer, masterFile, master);
    if (!screen.RememberPosition())
        return bwps::kChangeAnswer;
    return screen.Show() ? bwps::kChangeAnswer : 0;
}

BWPS_ORDINAL(603, RSEditCustHist);
