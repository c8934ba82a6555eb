// The tax-code editor and the tax history screens. A tax code carries the
// rate of a sale; an interfaced store splits it over up to eight ledger
// accounts with a rate each plus a further account, a stand-alone store
// keeps one rate. Each code keeps four arrays of period totals.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/accounts.h"
#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/accounts.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"

namespace bwps {
namespace {

constexpr int kTaxFunction = 134;
constexpr int kTaxDeleteRight = 116;
constexpr int kTaxAddRight = 24;
constexpr int kTaxChangeRight = 115;
constexpr int kTaxEntity = 15;

constexpr int kMsgAccountMissing = 233;
constexpr int kMsgDifferenceAccount = 281;
constexpr int kMsgSalesAccount = 283;
constexpr int kMsgCompanyAccount = 285;
constexpr int kMsgReturnsAccount = 287;
constexpr int kMsgGeneralAccount = 289;
constexpr int kMsgNoAccount = 455;
constexpr int kMsgAccountNeeded = 583;
constexpr int kMsgHistoryPresent = 1305;

constexpr int kEntries = 8;
enum Field { kCode = 1, kDescription, kFlag, kFirstAccount, kTotal = 28, kFurtherAccount, kFurtherName, kFurtherRate };
constexpr int kPlainRate = 4;  // the rate of the stand-alone screen
constexpr int AccountField(int k) { return kFirstAccount + 3 * k; }
constexpr int NameField(int k) { return AccountField(k) + 1; }
constexpr int RateField(int k) { return AccountField(k) + 2; }

const char kYesNo[] = "\001Yes,No";
// The first account of a stand-alone code.
const char kPlainAccount[] = "21042     ";

std::string Trimmed(const char* text, size_t width)
{
    std::string s(text, strnlen(text, width));
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

template <size_t N>
void PutText(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

double ParseRate(const char* text)
{
    double value = 0.0;
    if (FxParseNumber(text, 0, &value) != 0)
        return 0.0;
    return value;
}

// A period value of the record (the record is packed: values are copied).
double HistoryValue(const TaxRecord& r, int array, int period)
{
    double value = 0.0;
    const auto* base = reinterpret_cast<const uint8_t*>(&r) + offsetof(TaxRecord, History);
    std::memcpy(&value, base + sizeof(double) * static_cast<size_t>(array * 26 + period), sizeof value);
    return value;
}

void SetHistoryValue(TaxRecord& r, int array, int period, double value)
{
    auto* base = reinterpret_cast<uint8_t*>(&r) + offsetof(TaxRecord, History);
    std::memcpy(base + sizeof(double) * static_cast<size_t>(array * 26 + period), &value, sizeof value);
}

std::string RateText(double rate)
{
    char text[32];
    return FxFormatAmount(rate, text, 3);
}

class TaxEditor : public EditorFrame {
public:
    TaxEditor(TagLookUp* caller, bool interfaced) : EditorFrame(MakeSpec(interfaced), caller), interfaced_(interfaced) {}

    int AccountLeft()
    {
        const int field = Form()->currentField;
        const std::string account = Trimmed(FxFieldGet(Form(), field), 64);
        if (account.empty()) {
            FxFieldSet(Form(), field + 1, "");
            return FX_GO_ON;
        }
        TagAccount found{};
        if (!ValidateAccountNo(accounts_.Handle(), account.c_str(), &found)) {
            ShowMessage(kMsgAccountMissing, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        FxFieldSet(Form(), field + 1, Trimmed(found.Description, sizeof found.Description).c_str());
        return FX_GO_ON;
    }

    int RateLeft()
    {
        ShowTotal();
        return FX_GO_ON;
    }

    int HistoryKey()
    {
        if (ScreenCode().empty())
            return FX_STAY;
        const int saved = Save();
        if (saved != FX_RECORD_DONE && saved != FX_LEAVE)
            return saved;
        RSEditTaxHistory(File().Handle(), 1, Record(), &periods_);
        return saved;
    }

protected:
    static EditorSpec MakeSpec(bool interfaced)
    {
        EditorSpec s;
        if (interfaced) {
            s.screenName = "RSEditTaxCode";
            s.top = 3, s.left = 15, s.bottom = 20, s.right = 66;
        } else {
            s.screenName = "RSEditNoIntfTax";
            s.top = 9, s.left = 26, s.bottom = 14, s.right = 53;
        }
        s.file = FileNo::TaxTable;
        s.recordLength = sizeof(TaxRecord);
        s.codeOffset = offsetof(TaxRecord, Code);
        s.codeLength = sizeof(TaxRecord::Code);
        s.auditEntity = kTaxEntity;
        s.function = kTaxFunction;
        s.deleteRight = kTaxDeleteRight;
        s.addRight = kTaxAddRight;
        s.changeRight = kTaxChangeRight;
        s.blankCodeMessage = 213;
        s.deleteQuestion = 971;
        s.keyOptions = 35;
        s.workOnCallerRecord = true;
        return s;
    }

    std::span<const ScreenField> Template() const override
    {
        static const std::array<ScreenField, 32> kInterfaced = [] {
            std::array<ScreenField, 32> t{};
            t[0] = bwps::Field(kCode, 1, 16, "%-5sC").Flags(FX_FIELD_UPPER);
            t[1] = bwps::Field(kDescription, 2, 16, "%-12s");
            t[2] = bwps::Field(kFlag, 3, 16, "%-3sm").Choices(kYesNo);
            for (int k = 0; k < kEntries; ++k) {
                const auto row = static_cast<uint8_t>(5 + k);
                t[static_cast<size_t>(AccountField(k) - 1)] =
                    bwps::Field(static_cast<uint8_t>(AccountField(k)), row, 2, "%-10sC").Flags(FX_FIELD_UPPER);
                t[static_cast<size_t>(NameField(k) - 1)] =
                    bwps::Field(static_cast<uint8_t>(NameField(k)), row, 14, "%-25s").DisplayOnly().Flags(FX_FIELD_SKIP);
                t[static_cast<size_t>(RateField(k) - 1)] = bwps::Field(static_cast<uint8_t>(RateField(k)), row, 40, "%8.3f");
            }
            t[kTotal - 1] = bwps::Field(kTotal, 13, 40, "%8.3f").DisplayOnly().Flags(FX_FIELD_SKIP);
            t[kFurtherAccount - 1] = bwps::Field(kFurtherAccount, 15, 2, "%-10sC").Flags(FX_FIELD_UPPER);
            t[kFurtherName - 1] = bwps::Field(kFurtherName, 15, 14, "%-25s").DisplayOnly().Flags(FX_FIELD_SKIP);
            t[kFurtherRate - 1] = bwps::Field(kFurtherRate, 15, 40, "%8.3f");
            return t;
        }();
        // the stand-alone form keeps its rate in field 4; field 3 is not shown
        static constexpr std::array<ScreenField, 5> kPlain{{
            bwps::Field(kCode, 1, 14, "%-5sC").Flags(FX_FIELD_UPPER),
            bwps::Field(kDescription, 2, 14, "%-12s"),
            bwps::Field(kFlag, 0, 0, "%-1s").DisplayOnly().Flags(FX_FIELD_SKIP),
            bwps::Field(kPlainRate, 3, 14, "%8.3f"),
            {},
        }};
        if (interfaced_)
            return kInterfaced;
        return kPlain;
    }

    void BindFields(ScreenField* table) override
    {
        if (!interfaced_)
            return;
        for (int k = 0; k < kEntries; ++k) {
            table[AccountField(k) - 1].exitHandler = EditorHandler<TaxEditor, &TaxEditor::AccountLeft>;
            table[RateField(k) - 1].exitHandler = EditorHandler<TaxEditor, &TaxEditor::RateLeft>;
        }
        table[kFurtherAccount - 1].exitHandler = EditorHandler<TaxEditor, &TaxEditor::AccountLeft>;
    }

    void BindKeys() override
    {
        if (!Nested())
            FxSetKeyHandler(Form(), kKeyHistory, EditorHandler<TaxEditor, &TaxEditor::HistoryKey>);
    }

    bool Prepare() override
    {
        if (ReadGeneralRecord(0, 0, sizeof interface_, GENERAL_KEY_INTERFACE, &interface_) != 0)
            return false;
        std::memset(&periods_, 0, sizeof periods_);
        ReadGeneralRecord(0, 0, sizeof periods_, GENERAL_KEY_PERIODS, &periods_);
        const Status s = accounts_.Open(FileNo::Accounts);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
        return true;
    }

    void DrawTexts() override
    {
        FxWindowText(Window(), 1, 2, -1, "Tax code:", 0);
        FxWindowText(Window(), 2, 2, -1, "Description:", 0);
        if (interfaced_) {
            FxWindowText(Window(), 3, 2, -1, "Flag:", 0);
            FxWindowText(Window(), 13, 2, -1, "Total rate:", 0);
        } else {
            FxWindowText(Window(), 3, 2, -1, "Rate:", 0);
        }
    }

    void ClearRecord() override
    {
        auto& r = Tax();
        std::memset(&r, 0, sizeof r);
        r.Flag = 'N';
    }

    void RecordToScreen() override
    {
        const auto& r = Tax();
        FxFieldSet(Form(), kCode, Trimmed(r.Code, sizeof r.Code).c_str());
        FxFieldSet(Form(), kDescription, Trimmed(r.Description, sizeof r.Description).c_str());
        const float total = r.TotalRate;
        if (!interfaced_) {
            FxFieldSet(Form(), kPlainRate, RateText(total).c_str());
            return;
        }
        FxChoiceSet(Form(), kFlag, r.Flag == 'Y' ? 1 : 2);
        FxFieldSet(Form(), kTotal, RateText(total).c_str());
        for (int k = 0; k < kEntries; ++k) {
            const auto& e = r.Entries[k];
            const float rate = e.Rate;
            ShowAccount(AccountField(k), Trimmed(e.Account, sizeof e.Account), RateField(k), rate);
        }
        const float further = r.FurtherRate;
        ShowAccount(kFurtherAccount, Trimmed(r.FurtherAccount, sizeof r.FurtherAccount), kFurtherRate, further);
    }

    void ScreenToRecord() override
    {
        auto& r = Tax();
        PutText(r.Description, FxFieldGet(Form(), kDescription));
        if (!interfaced_) {
            const float rate = static_cast<float>(ParseRate(FxFieldGet(Form(), kPlainRate)));
            r.TotalRate = rate;
            r.Entries[0].Rate = rate;
            PutText(r.Entries[0].Account, kPlainAccount);
            return;
        }
        r.Flag = FxChoiceGet(Form(), kFlag) == 1 ? 'Y' : 'N';
        ShowTotal();
        r.TotalRate = static_cast<float>(ParseRate(FxFieldGet(Form(), kTotal)));
        for (int k = 0; k < kEntries; ++k) {
            r.Entries[k].Rate = static_cast<float>(ParseRate(FxFieldGet(Form(), RateField(k))));
            PutText(r.Entries[k].Account, Trimmed(FxFieldGet(Form(), AccountField(k)), 64));
        }
        const float further = static_cast<float>(ParseRate(FxFieldGet(Form(), kFurtherRate)));
        r.FurtherRate = further;
        std::memcpy(r.Data23, &further, sizeof further);
        PutText(r.FurtherAccount, Trimmed(FxFieldGet(Form(), kFurtherAccount), 64));
    }

    int CheckBeforeSave() override
    {
        if (!interfaced_)
            return FX_GO_ON;
        int counted = 0;
        for (int k = 0; k < kEntries; ++k) {
            bool count = false;
            if (!EntryAccepted(AccountField(k), RateField(k), &count))
                return Refuse(AccountField(k));
            counted += count ? 1 : 0;
        }
        if (counted == 0) {
            ShowMessage(kMsgNoAccount, MESSAGE_DEFAULT_CONTEXT);
            return Refuse(AccountField(0));
        }
        bool further = false;
        if (!EntryAccepted(kFurtherAccount, kFurtherRate, &further))
            return Refuse(kFurtherAccount);
        if (!further) {
            ShowMessage(kMsgNoAccount, MESSAGE_DEFAULT_CONTEXT);
            return Refuse(kFurtherAccount);
        }
        return FX_GO_ON;
    }

    int CheckBeforeDelete() override
    {
        const auto& r = Tax();
        bool history = false;
        for (int a = 0; a < 4; ++a)
            for (int p = 0; p < 26; ++p)
                history = history || HistoryValue(r, a, p) != 0.0;
        if (!history)
            return FX_GO_ON;
        int choice = 1;
        AskMessage(kMsgHistoryPresent, MESSAGE_DEFAULT_CONTEXT, &choice, "\001 Continue,Cancel",
                   LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
        return choice == 1 ? FX_GO_ON : FX_STAY;
    }

    int LookUp(int field) override
    {
        if (field == kCode)
            return LookUpCode([](const char*, uint16_t handle, void* record) {
                return FlyTaxes(nullptr, 0, handle, record, 5, 28, 8, 38, nullptr);
            });
        if (!interfaced_ || !IsAccountField(field))
            return FX_STAY;
        TagAccount picked{};
        if (!FlyAccount(nullptr, 0, accounts_.Handle(), &picked, 5, 12, 13, 54, nullptr, 0))
            return FX_STAY;
        FxFieldSet(Form(), field, Trimmed(picked.Number, sizeof picked.Number).c_str());
        FxFieldSet(Form(), field + 1, Trimmed(picked.Description, sizeof picked.Description).c_str());
        return FX_LOOKUP_SET;
    }

private:
    static constexpr int kKeyHistory = 0x5600;  // Shift+F3

    TaxRecord& Tax() { return *static_cast<TaxRecord*>(Record()); }

    static bool IsAccountField(int field)
    {
        return field == kFurtherAccount || (field >= kFirstAccount && field < kTotal && (field - kFirstAccount) % 3 == 0);
    }

    int Refuse(int field)
    {
        FxFocusField(Form(), field);
        return FX_STAY_FOCUSED;
    }

    void ShowAccount(int accountField, const std::string& account, int rateField, double rate)
    {
        if (account.empty()) {
            FxFieldSet(Form(), accountField, "");
            FxFieldSet(Form(), accountField + 1, "");
            FxFieldSet(Form(), rateField, "");
            return;
        }
        FxFieldSet(Form(), rateField, rate == 0.0 ? "" : RateText(rate).c_str());
        FxFieldSet(Form(), accountField, account.c_str());
        TagAccount found{};
        const bool known = ValidateAccountNo(accounts_.Handle(), account.c_str(), &found) != 0;
        FxFieldSet(Form(), accountField + 1, known ? Trimmed(found.Description, sizeof found.Description).c_str() : "");
    }

    // The sum of the eight rates into the total; zero rates show empty.
    void ShowTotal()
    {
        double sum = 0.0;
        for (int k = 0; k < kEntries; ++k) {
            const double rate = ParseRate(FxFieldGet(Form(), RateField(k)));
            if (rate == 0.0)
                FxFieldSet(Form(), RateField(k), "");
            sum += rate;
        }
        FxFieldSet(Form(), kTotal, RateText(sum).c_str());
    }

    // One account entry at save: false when refused (the message shown);
    // *counted when it holds an accepted account.
    bool EntryAccepted(int accountField, int rateField, bool* counted)
    {
        *counted = false;
        const std::string account = Trimmed(FxFieldGet(Form(), accountField), 64);
        if (account.empty()) {
            if (ParseRate(FxFieldGet(Form(), rateField)) != 0.0) {
                ShowMessage(kMsgAccountNeeded, MESSAGE_DEFAULT_CONTEXT);
                return false;
            }
            return true;
        }
        TagAccount found{};
        if (!ValidateAccountNo(accounts_.Handle(), account.c_str(), &found)) {
            ShowMessage(kMsgAccountMissing, MESSAGE_DEFAULT_CONTEXT);
            return false;
        }
        if (found.Kind == 'G') {
            ShowMessage(kMsgGeneralAccount, MESSAGE_DEFAULT_CONTEXT);
            return false;
        }
        const auto same = [&](int offset) {
            const char* stored = reinterpret_cast<const char*>(&interface_) + offset;
            return Trimmed(stored, 11) == account;
        };
        const int messages[][2] = {{28, kMsgSalesAccount}, {39, kMsgCompanyAccount}, {50, kMsgReturnsAccount}};
        for (const auto& m : messages)
            if (same(m[0])) {
                ShowMessage(m[1], MESSAGE_DEFAULT_CONTEXT);
                return false;
            }
        if (IsDifferenceAccount(account.c_str()) != 0) {
            ShowMessage(kMsgDifferenceAccount, MESSAGE_DEFAULT_CONTEXT);
            return false;
        }
        *counted = true;
        return true;
    }

    bool interfaced_;
    TagInterfaceRecord interface_{};
    TagPeriods periods_{};
    Table accounts_;
};

int EditTaxCode(TagLookUp* caller)
{
    TaxEditor editor(caller, IsInterfacedToAccounting() != 0);
    return editor.Run();
}

// ---- The history screens

constexpr int kPeriodsShown = 13;
constexpr int kHistoryValues = 4 * kPeriodsShown;
constexpr int kFirstValue = 3;
constexpr int kFirstTotal = kFirstValue + kHistoryValues;  // 55

struct HistoryScreen {
    FxContext fx{};
    FxForm form{};
    FxWindow window{};
    std::array<ScreenField, 59> table{};
    TaxRecord* tax = nullptr;
    uint16_t file = 0;
    int first = 0, second = 0;  // the two arrays shown
    std::string entered;
    int answer = 0;
};

HistoryScreen* gHistory = nullptr;

// Column c (0-3) of field f: A current, B current, A prior, B prior.
int ColumnOf(int field) { return (field - kFirstValue) / kPeriodsShown; }

// The array and period of a value field.
int ArrayOf(const HistoryScreen& h, int field) { return ColumnOf(field) % 2 == 0 ? h.first : h.second; }
int PeriodOf(int field) { return (field - kFirstValue) % kPeriodsShown + (ColumnOf(field) >= 2 ? kPeriodsShown : 0); }

int HistoryValueEntered(void*)
{
    gHistory->entered = FxFieldGet(&gHistory->form, gHistory->form.currentField);
    return FX_GO_ON;
}

int HistoryValueLeft(void*)
{
    HistoryScreen& h = *gHistory;
    const int field = h.form.currentField;
    const double now = ParseRate(FxFieldGet(&h.form, field));
    const double before = ParseRate(h.entered.c_str());
    const int total = kFirstTotal + ColumnOf(field);
    char text[32];
    const double sum = ParseRate(FxFieldGet(&h.form, total)) + (now - before);
    FxFieldSet(&h.form, total, FxFormatAmount(sum, text, 2));
    h.entered = FxFieldGet(&h.form, field);
    return FX_GO_ON;
}

int HistorySave(void*)
{
    HistoryScreen& h = *gHistory;
    TaxRecord work;
    std::memcpy(&work, h.tax, sizeof work);
    for (int f = kFirstValue; f < kFirstTotal; ++f)
        SetHistoryValue(work, ArrayOf(h, f), PeriodOf(f), ParseRate(FxFieldGet(&h.form, f)));
    Table file;
    file.Borrow(FileNo::TaxTable, h.file);
    KeyBuffer key;
    std::memcpy(key.bytes, work.Code, sizeof work.Code);
    const Status s = file.Update(work, &key);
    if (!s.Ok()) {
        s.Report();
        return s.Is(B_CONFLICT) || s.Is(B_DUPLICATE_KEY) ? FX_RECORD_DONE : FX_STAY;
    }
    std::memcpy(h.tax, &work, sizeof work);
    h.answer = 1;
    return FX_LEAVE;
}

int RunTaxHistory(uint16_t handle, int selector, TaxRecord* tax, const TagPeriods* periods)
{
    HistoryScreen h;
    h.tax = tax;
    h.file = handle;
    h.first = selector != 0 ? 0 : 1;
    h.second = selector != 0 ? 2 : 3;
    h.table[0] = bwps::Field(1, 1, 2, "%-5sC").DisplayOnly().Flags(FX_FIELD_SKIP);
    h.table[1] = bwps::Field(2, 1, 10, "%-10s").DisplayOnly().Flags(FX_FIELD_SKIP);
    for (int f = kFirstValue; f < kFirstTotal + 4; ++f) {
        const int column = f < kFirstTotal ? ColumnOf(f) : f - kFirstTotal;
        const auto row = static_cast<uint8_t>(f < kFirstTotal ? 3 + (f - kFirstValue) % kPeriodsShown : 17);
        auto spec = bwps::Field(static_cast<uint8_t>(f), row, static_cast<uint8_t>(10 + 16 * column), "%12.2f");
        if (f < kFirstTotal)
            spec.Entry(HistoryValueEntered).Exit(HistoryValueLeft);
        else
            spec.DisplayOnly().Flags(FX_FIELD_SKIP);
        h.table[static_cast<size_t>(f - 1)] = spec;
    }
    HistoryScreen* outer = gHistory;
    gHistory = &h;
    FxAppBegin(&h.fx);
    int result = 0;
    if (FxFormLoad(&h.form, h.table.data(), 1) != 0 &&
        FxWindowCreate(&h.window, 2, 1, 20, 78, 1, 0, ' ', nullptr) == 0) {
        FxWindowSetName(&h.window, selector != 0 ? "RSEditTaxHistory" : "RSEditPTaxHistory");
        SetupStandardScreen(&h.form, 0, 0);
        FxSetKeyHandler(&h.form, kKeySave, HistorySave);
        FxWindowAttachForm(&h.window, &h.form, 0);
        FxFieldSet(&h.form, 1, Trimmed(tax->Code, sizeof tax->Code).c_str());
        FxFieldSet(&h.form, 2, Trimmed(tax->Description, sizeof tax->Description).c_str());
        const int count = periods != nullptr && periods->Count > 0 && periods->Count <= kPeriodsShown
                              ? periods->Count
                              : kPeriodsShown;
        double totals[4] = {};
        char text[32];
        for (int f = kFirstValue; f < kFirstTotal; ++f) {
            const double value = HistoryValue(*tax, ArrayOf(h, f), PeriodOf(f));
            totals[ColumnOf(f)] += value;
            FxFieldSet(&h.form, f, FxFormatAmount(value, text, 2));
            if ((f - kFirstValue) % kPeriodsShown >= count)
                FxFieldSetDisplayOnly(&h.form, f, 1);
        }
        for (int c = 0; c < 4; ++c)
            FxFieldSet(&h.form, kFirstTotal + c, FxFormatAmount(totals[c], text, 2));
        FxAppRun(&h.fx, 1);
        result = h.answer != 0 ? 1 : FX_STAY;
        FxWindowClose(&h.window, 1);
    }
    FxAppEnd(&h.fx);
    gHistory = outer;
    return result;
}

}  // namespace
}  // namespace bwps

extern "C" {

int RSEditTaxCode(int)
{
    return bwps::EditTaxCode(nullptr);
}

int EditTaxCodeFromList(void* lookup)
{
    return bwps::EditTaxCode(static_cast<TagLookUp*>(lookup));
}

int RSEditTaxHistory(uint16_t taxFile, int selector, void* tax, const void* periods)
{
    if (tax == nullptr)
        return 0;
    return bwps::RunTaxHistory(taxFile, selector, static_cast<TaxRecord*>(tax),
                               static_cast<const TagPeriods*>(periods));
}

}  // extern "C"

BWPS_ORDINAL(636, RSEditTaxHistory);
BWPS_ORDINAL(637, EditTaxCodeFromList);
