// Period history of a product or a service: four periods of quantities and
// amounts, corrected on screen, with the change from the third period to
// the fourth worked out as differences and percentages.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "bwps/ordinals.h"
#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "items/period_history.h"
#include "items/period_history_testing.h"

namespace bwps {
namespace {

constexpr int kNotAQuantity = 349;
constexpr int kKeyF2 = 0x3C00;
constexpr int kPeriods = 4;
constexpr int kChangeAnswer = 0x20;

// ---- products

// Columns of a product period: the record's array behind each, and whether
// it is a quantity (in the first or second unit).
constexpr int kProductColumns = 6;
constexpr int kColumnArray[kProductColumns] = {0, 2, 1, 3, 4, 5};
enum ProductField {
    kProductChange = 25,   // 25-30: period 4 minus period 3
    kProductPercent = 31,  // 31-36: that change in percent of period 3
};

constexpr int ProductField(int period, int column) { return 6 * period + column + 1; }

template <std::size_t... I>
constexpr std::array<ScreenField, 37> ProductTemplate(std::index_sequence<I...>)
{
    // 36 fields: rows of periods 1-4, the change and its percentage
    constexpr auto field = [](int index) -> ScreenField {
        const int period = index / 6, column = index % 6;
        const auto row = static_cast<uint8_t>(period + 3);
        const auto col = static_cast<uint8_t>(13 + 11 * column);
        const auto number = static_cast<uint8_t>(index + 1);
        if (period == 4)
            return bwps::Field(number, row, col, "%9.0f").DisplayOnly();
        if (period == 5)
            return bwps::Field(number, row, col, "%7.2f").DisplayOnly();
        const bool quantity = column == 0 || column == 2;
        if (period == 2) {
            auto f = quantity ? bwps::Field(number, row, col, "%11.4fF") : bwps::Field(number, row, col, "%10.2f");
            return column == 5 ? f.DisplayOnly() : f;
        }
        auto f = quantity ? bwps::Field(number, row, col, "%8.0fF") : bwps::Field(number, row, col, "%9.0f");
        return column == 5 ? f.DisplayOnly() : f;
    };
    return {{field(static_cast<int>(I))..., ScreenField{}}};
}

constexpr auto kProductFields = ProductTemplate(std::make_index_sequence<36>{});

class ProductHistory : public PeriodHistoryScreen {
public:
    ProductHistory(uint16_t handle, void* record) : PeriodHistoryScreen(MakeSpec(), handle, record) {}

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSEditProdHist";
        s.top = 10, s.left = 1, s.bottom = 31, s.right = 79;
        s.file = FileNo::Products;
        s.recordLength = sizeof(TagProduct);
        s.codeOffset = offsetof(TagProduct, Code);
        s.codeLength = sizeof(TagProduct::Code);
        s.codeField = 0;
        s.keyOptions = 0;
        return s;
    }

    std::span<const ScreenField> Template() const override { return kProductFields; }

    void BindFields(ScreenField* table) override
    {
        for (int period = 0; period < kPeriods; ++period) {
            for (int column : {3, 4})
                table[ProductField(period, column) - 1].exitHandler =
                    period < 2 ? EditorHandler<ProductHistory, &ProductHistory::OnEarlyAmount>
                               : EditorHandler<ProductHistory, &ProductHistory::OnLateAmount>;
            if (period >= 2)
                for (int column : {0, 1, 2})
                    table[ProductField(period, column) - 1].exitHandler =
                        EditorHandler<ProductHistory, &ProductHistory::OnQuantities>;
        }
    }

    void DrawTexts() override
    {
        PeriodHistoryScreen::DrawTexts();
        static const char* const kRows[] = {"Period 1", "Period 2", "Period 3", "Period 4", "Change", "Change %"};
        for (int i = 0; i < 6; ++i)
            FxWindowText(Window(), i + 3, 2, -1, kRows[i], 0);
    }

    void Fill() override
    {
        const auto& r = Held<TagProduct>();
        for (int period = 0; period < kPeriods; ++period)
            for (int column = 0; column < kProductColumns; ++column) {
                const double value = r.Runs[kColumnArray[column]][period];
                PutNumber(ProductField(period, column), value, ColumnPack(column));
            }
        ColumnSix(0);
        ColumnSix(1);
        QuantityChanges();
        LateAmountChanges();
    }

    bool Take(void* record) override
    {
        auto& r = *static_cast<TagProduct*>(record);
        for (int period = 0; period < kPeriods; ++period)
            for (int column = 0; column < kProductColumns; ++column) {
                const int field = ProductField(period, column);
                double value = 0.0;
                if (!GetNumber(field, &value, ColumnPack(column))) {
                    Refuse(field);
                    return false;
                }
                r.Runs[kColumnArray[column]][period] = value;
            }
        return true;
    }

private:
    int ColumnPack(int column)
    {
        const auto& r = Held<TagProduct>();
        if (column == 0)
            return Pack(r.UnitFactor);
        if (column == 2)
            return Pack(static_cast<int>(r.Value272));
        return 1;
    }

    void Refuse(int field)
    {
        ShowMessage(kNotAQuantity, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(Form(), field);
    }

    // Column 6 of a period: column 4 minus column 5.
    void ColumnSix(int period)
    {
        PutNumber(ProductField(period, 5), Amount(ProductField(period, 3)) - Amount(ProductField(period, 4)));
    }

    void PutChange(int column, double later, double base)
    {
        const double change = Change(later, base);
        PutNumber(kProductChange + column, change);
        PutNumber(kProductPercent + column, Percent(change, base));
    }

    // Columns 1-3 of periods 3 and 4; quantities in whole units.
    bool QuantityChanges()
    {
        for (int column : {0, 2}) {
            const int pack = ColumnPack(column);
            double base = 0.0, later = 0.0;
            if (!GetNumber(ProductField(2, column), &base, pack)) {
                Refuse(ProductField(2, column));
                return false;
            }
            if (!GetNumber(ProductField(3, column), &later, pack)) {
                Refuse(ProductField(3, column));
                return false;
            }
            PutChange(column, later / pack, base / pack);
        }
        PutChange(1, Amount(ProductField(3, 1)), Amount(ProductField(2, 1)));
        return true;
    }

    // Columns 4-6 of periods 3 and 4.
    void LateAmountChanges()
    {
        ColumnSix(2);
        ColumnSix(3);
        for (int column : {3, 4, 5})
            PutChange(column, Amount(ProductField(3, column)), Amount(ProductField(2, column)));
    }

    int OnEarlyAmount()
    {
        ColumnSix(Form()->currentField <= 6 ? 0 : 1);
        Keep();
        return FX_GO_ON;
    }
    int OnLateAmount()
    {
        LateAmountChanges();
        Keep();
        return FX_GO_ON;
    }
    int OnQuantities()
    {
        const bool ok = QuantityChanges();
        Keep();
        return ok ? FX_GO_ON : FX_STAY_FOCUSED;
    }
};

// ---- services

enum ServiceField {
    kServiceQuantityChange = 9,
    kServiceAmountChange = 10,
    kServiceQuantityPercent = 11,
    kServiceAmountPercent = 12,
};

constexpr int QuantityField(int period) { return 2 * period + 1; }
constexpr int AmountField(int period) { return 2 * period + 2; }

constexpr std::array<ScreenField, 13> kServiceFields{{
    bwps::Field(1, 3, 13, "%8.0fF"),
    bwps::Field(2, 3, 26, "%9.0f"),
    bwps::Field(3, 4, 13, "%8.0fF"),
    bwps::Field(4, 4, 26, "%9.0f"),
    bwps::Field(5, 5, 13, "%11.4fF"),
    bwps::Field(6, 5, 26, "%12.2f"),
    bwps::Field(7, 6, 13, "%8.0fF"),
    bwps::Field(8, 6, 26, "%9.0f"),
    bwps::Field(9, 8, 13, "%8.0f").DisplayOnly(),
    bwps::Field(10, 8, 26, "%9.0f").DisplayOnly(),
    bwps::Field(11, 9, 13, "%7.2f").DisplayOnly(),
    bwps::Field(12, 9, 26, "%7.2f").DisplayOnly(),
    {},
}};

class ServiceHistory : public PeriodHistoryScreen {
public:
    ServiceHistory(uint16_t handle, void* record) : PeriodHistoryScreen(MakeSpec(), handle, record) {}

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSEditServHist";
        s.top = 7, s.left = 0, s.bottom = 19, s.right = 78;
        s.file = FileNo::Services;
        s.recordLength = sizeof(ServiceRecord);
        s.codeOffset = offsetof(ServiceRecord, Code);
        s.codeLength = sizeof(ServiceRecord::Code);
        s.codeField = 0;
        s.keyOptions = 0;
        return s;
    }

    std::span<const ScreenField> Template() const override { return kServiceFields; }

    void BindFields(ScreenField* table) override
    {
        for (int field = QuantityField(2); field <= AmountField(3); ++field)
            table[field - 1].exitHandler = EditorHandler<ServiceHistory, &ServiceHistory::OnLate>;
    }

    void BindKeys() override
    {
        PeriodHistoryScreen::BindKeys();
        FxReleaseKey(Form(), kKeyF2);
    }

    void DrawTexts() override
    {
        PeriodHistoryScreen::DrawTexts();
        static const char* const kRows[] = {"Period 1", "Period 2", "Period 3", "Period 4", "", "Change", "Change %"};
        for (int i = 0; i < 7; ++i)
            if (kRows[i][0] != '\0')
                FxWindowText(Window(), i + 3, 2, -1, kRows[i], 0);
    }

    void Fill() override
    {
        const auto& r = Held<ServiceRecord>();
        const int pack = Pack(r.UnitFactor);
        for (int period = 0; period < kPeriods; ++period) {
            PutNumber(QuantityField(period), r.Quantities[period + 1], pack);
            PutNumber(AmountField(period), r.Amounts[period + 1]);
        }
        Changes();
    }

    bool Take(void* record) override
    {
        auto& r = *static_cast<ServiceRecord*>(record);
        const int pack = Pack(r.UnitFactor);
        for (int period = 0; period < kPeriods; ++period) {
            double quantity = 0.0;
            if (!GetNumber(QuantityField(period), &quantity, pack)) {
                Refuse(QuantityField(period));
                return false;
            }
            r.Quantities[period + 1] = quantity;
            r.Amounts[period + 1] = Amount(AmountField(period));
        }
        return true;
    }

private:
    void Refuse(int field)
    {
        ShowMessage(kNotAQuantity, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(Form(), field);
    }

    bool Changes()
    {
        const int pack = Pack(Held<ServiceRecord>().UnitFactor);
        double base = 0.0, later = 0.0;
        if (!GetNumber(QuantityField(2), &base, pack)) {
            Refuse(QuantityField(2));
            return false;
        }
        if (!GetNumber(QuantityField(3), &later, pack)) {
            Refuse(QuantityField(3));
            return false;
        }
        const double units = Change(later / pack, base / pack);
        PutNumber(kServiceQuantityChange, units);
        PutNumber(kServiceQuantityPercent, Percent(units, base / pack));
        const double amountBase = Amount(AmountField(2));
        const double amount = Change(Amount(AmountField(3)), amountBase);
        PutNumber(kServiceAmountChange, amount);
        PutNumber(kServiceAmountPercent, Percent(amount, amountBase));
        return true;
    }

    int OnLate()
    {
        const bool ok = Changes();
        Keep();
        return ok ? FX_GO_ON : FX_STAY_FOCUSED;
    }
};

std::vector<std::string>& ShownTexts()
{
    static std::vector<std::string> texts;
    return texts;
}

}  // namespace

void KeepHistoryScreenTexts(FxForm* form, int fields)
{
    auto& texts = ShownTexts();
    texts.assign(static_cast<size_t>(fields), std::string());
    for (int field = 1; field <= fields; ++field)
        texts[static_cast<size_t>(field - 1)] = FxFieldGet(form, field);
}

}  // namespace bwps

const char* HistoryScreenText(int field)
{
    const auto& texts = bwps::ShownTexts();
    if (field < 1 || static_cast<size_t>(field) > texts.size())
        return "";
    return texts[static_cast<size_t>(field - 1)].c_str();
}

void ResetHistoryScreenState(void)
{
    bwps::ShownTexts().clear();
}

extern "C" {

int RSEditProdHist(uint16_t productFile, void* product)
{
    if (product == nullptr)
        return bwps::kChangeAnswer;
    bwps::ProductHistory screen(productFile, product);
    if (!screen.RememberPosition())
        return bwps::kChangeAnswer;
    return screen.Show() ? bwps::kChangeAnswer : 0;
}

int RSEditServHist(uint16_t serviceFile, void* service)
{
    if (service == nullptr)
        return bwps::kChangeAnswer;
    bwps::ServiceHistory screen(serviceFile, service);
    if (!screen.RememberPosition())
        return bwps::kChangeAnswer;
    screen.Show();
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(620, RSEditProdHist);
BWPS_ORDINAL(632, RSEditServHist);
