// The salesperson editor (BPOSSPER.DB) and the screen of a salesperson's
// period totals.
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/param_string.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/records/periods.h"
#include "bwps/salespersons.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"

namespace bwps {
namespace {

enum Field { kCode = 1, kName, kSecondLine, kShortCode, kSecondCode, kRate, kSecondRate };

constexpr int kSalespersonListFunction = 135;
constexpr int kSalespersonEntity = 10;
constexpr int kMsgBlankCode = 193;
constexpr int kMsgTotalsPresent = 1307;
constexpr int kMsgDeleteSalesperson = 1021;
constexpr int kKeyNoAction = 0x4200;      // F8
constexpr int kKeyHistory = 0x5600;       // Shift+F3
constexpr int32_t kEditorFilled = 0x4100; // a new record as the caller filled it

// The session of this build has no read-only mode.
constexpr bool ReadOnly() { return false; }

std::string Text(const char* field, size_t width)
{
    std::string s(field, strnlen(field, width));
    const size_t last = s.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

void Put(char* field, size_t width, const char* text)
{
    std::memset(field, 0, width);
    std::memcpy(field, text, strnlen(text, width - 1));
}

double Number(const char* text)
{
    double value = 0;
    if (FxParseNumber(text, 0, &value) != 0)
        value = 0;
    return value;
}

class SalespersonEditor : public EditorFrame {
public:
    explicit SalespersonEditor(TagLookUp* caller) : EditorFrame(MakeSpec(), caller) {}

    int HistoryKey()
    {
        if (ScreenCode().empty())
            return FX_STAY;
        const int saved = Save();
        if (saved != FX_RECORD_DONE && saved != FX_LEAVE)
            return saved;
        RSEditSPHistory(File().Handle(), Record(), &periods_);
        return saved;
    }

    int NoAction() { return FX_STAY; }

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSEditSPerNoTrack";
        s.top = 4, s.left = 10, s.bottom = 12, s.right = 69;
        s.file = FileNo::Salespersons;
        s.recordLength = sizeof(SalespersonRecord);
        s.codeOffset = offsetof(SalespersonRecord, Code);
        s.codeLength = sizeof(SalespersonRecord::Code);
        s.auditEntity = kSalespersonEntity;
        s.nestedGroupFunction = kSalespersonListFunction;
        s.blankCodeMessage = kMsgBlankCode;
        s.deleteQuestion = kMsgDeleteSalesperson;
        s.keyOptions = 35;
        s.menu = 334;
        s.workOnCallerRecord = true;
        return s;
    }

    std::span<const ScreenField> Template() const override
    {
        static constexpr std::array<ScreenField, 8> kFields{{
            bwps::Field(kCode, 1, 16, "%-5sC").Flags(FX_FIELD_UPPER),
            bwps::Field(kName, 2, 16, "%-40s"),
            bwps::Field(kSecondLine, 3, 16, "%-40s"),
            bwps::Field(kShortCode, 4, 16, "%-5s"),
            bwps::Field(kSecondCode, 5, 16, "%-5s"),
            bwps::Field(kRate, 6, 16, "%6.3fu"),
            bwps::Field(kSecondRate, 7, 16, "%12.2f"),
            {},
        }};
        return kFields;
    }

    bool Prepare() override
    {
        std::memset(&periods_, 0, sizeof periods_);
        ReadGeneralRecord(0, 0, sizeof periods_, GENERAL_KEY_PERIODS, &periods_);
        // A caller that filled a new record keeps what it filled.
        filled_.reset();
        TagLookUp* caller = Caller();
        if (caller != nullptr && caller->WorkArea != nullptr && caller->Data != nullptr &&
            caller->Data->Record != nullptr && caller->Data->RecordLength >= sizeof(SalespersonRecord)) {
            int32_t word = 0;
            std::memcpy(&word, caller->WorkArea, sizeof word);
            if (word == kEditorFilled) {
                filled_ = std::make_unique<SalespersonRecord>();
                std::memcpy(filled_.get(), caller->Data->Record, sizeof(SalespersonRecord));
            }
        }
        return true;
    }

    void BindKeys() override
    {
        FxSetKeyHandler(Form(), kKeyNoAction, EditorHandler<SalespersonEditor, &SalespersonEditor::NoAction>);
        if (!ReadOnly())
            FxSetKeyHandler(Form(), kKeyHistory, EditorHandler<SalespersonEditor, &SalespersonEditor::HistoryKey>);
    }

    void DrawTexts() override
    {
        static const char* const kPrompts[] = {"Salesperson:", "Name:", "", "Short code:",
                                               "Second code:", "Rate:", "Second rate:"};
        for (int i = 0; i < 7; ++i)
            if (kPrompts[i][0] != '\0')
                FxWindowText(Window(), i + 1, 2, -1, kPrompts[i], 0);
    }

    void ClearRecord() override
    {
        auto& r = Person();
        if (filled_ != nullptr) {
            std::memcpy(&r, filled_.get(), sizeof r);
            filled_.reset();
            return;
        }
        std::memset(&r, 0, sizeof r);
        std::memset(r.Flags, 'Y', sizeof r.Flags);
    }

    void RecordToScreen() override
    {
        auto& r = Person();
        r.ShortCode[sizeof r.ShortCode - 1] = '\0';
        FxFieldSet(Form(), kCode, Text(r.Code, sizeof r.Code).c_str());
        FxFieldSet(Form(), kName, Text(r.Name, sizeof r.Name).c_str());
        FxFieldSet(Form(), kSecondLine, Text(r.SecondLine, sizeof r.SecondLine).c_str());
        FxFieldSet(Form(), kShortCode, Text(r.ShortCode, sizeof r.ShortCode).c_str());
        FxFieldSet(Form(), kSecondCode, Text(r.SecondCode, sizeof r.SecondCode).c_str());
        char text[48];
        FxFieldSet(Form(), kRate, FxFormatAmount(r.Rate, text, 3));
        FxFieldSet(Form(), kSecondRate, FxFormatAmount(r.SecondRate, text, 2));
    }

    void ScreenToRecord() override
    {
        auto& r = Person();
        Put(r.Name, sizeof r.Name, FxFieldGet(Form(), kName));
        Put(r.SecondLine, sizeof r.SecondLine, FxFieldGet(Form(), kSecondLine));
        Put(r.ShortCode, sizeof r.ShortCode, FxFieldGet(Form(), kShortCode));
        Put(r.SecondCode, sizeof r.SecondCode, FxFieldGet(Form(), kSecondCode));
        r.Rate = Number(FxFieldGet(Form(), kRate));
        r.SecondRate = Number(FxFieldGet(Form(), kSecondRate));
    }

    int CheckBeforeDelete() override
    {
        const auto& r = Person();
        bool totals = false;
        for (int i = 0; i < 2 * kSalespersonPeriods; ++i) {
            double sales = r.Sales[i], second = r.Totals[i];
            totals = totals || FxIsZeroAmount(&sales) == 0 || FxIsZeroAmount(&second) == 0;
        }
        if (!totals)
            return FX_GO_ON;
        int choice = 1;
        AskMessage(kMsgTotalsPresent, MESSAGE_DEFAULT_CONTEXT, &choice, "\001 Continue,Cancel",
                   LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
        return choice == 1 ? FX_GO_ON : FX_STAY;
    }

    int LookUp(int field) override
    {
        if (field != kCode)
            return FX_STAY;
        return LookUpCode([](const char* start, uint16_t handle, void* record) {
            return FlySalespersons(start, 0, handle, record, 5, 13, 13, 54, nullptr);
        });
    }

    void AfterNewRecord() override
    {
        SetKey(kKeyDelete, false);
        SetKey(kKeyNewList, false);
        SetKey(kKeyEditList, false);
    }

private:
    SalespersonRecord& Person() { return *static_cast<SalespersonRecord*>(Record()); }

    TagPeriods periods_{};
    std::unique_ptr<SalespersonRecord> filled_;
};

int EditSalesperson(TagLookUp* caller)
{
    SalespersonEditor editor(caller);
    return editor.Run();
}

// ---- The period totals of one salesperson

constexpr int kPeriodsShown = kSalespersonPeriods;
constexpr int kFirstValue = 3;
constexpr int kFirstTotal = kFirstValue + 4 * kPeriodsShown;  // 55

struct HistoryScreen {
    FxContext fx{};
    FxForm form{};
    FxWindow window{};
    std::array<ScreenField, 59> table{};
    SalespersonRecord* person = nullptr;
    uint16_t file = 0;
    std::string entered;
    int answer = 0;
};

HistoryScreen* gHistory = nullptr;

// Column c (0-3) of field f: current sales, current second totals, prior
// sales, prior second totals.
int ColumnOf(int field) { return (field - kFirstValue) / kPeriodsShown; }
int RowOf(int field) { return (field - kFirstValue) % kPeriodsShown; }

// The value of a field in the record's arrays.
double ValueOf(const SalespersonRecord& r, int field)
{
    const int column = ColumnOf(field), slot = RowOf(field) + (column >= 2 ? kPeriodsShown : 0);
    return column % 2 == 0 ? r.Sales[slot] : r.Totals[slot];
}

void SetValue(SalespersonRecord& r, int field, double value)
{
    const int column = ColumnOf(field), slot = RowOf(field) + (column >= 2 ? kPeriodsShown : 0);
    if (column % 2 == 0)
        r.Sales[slot] = value;
    else
        r.Totals[slot] = value;
}

int HistoryValueEntered(void*)
{
    gHistory->entered = FxFieldGet(&gHistory->form, gHistory->form.currentField);
    return FX_GO_ON;
}

int HistoryValueLeft(void*)
{
    HistoryScreen& h = *gHistory;
    const int field = h.form.currentField;
    const double now = Number(FxFieldGet(&h.form, field));
    const double before = Number(h.entered.c_str());
    const int total = kFirstTotal + ColumnOf(field);
    char text[32];
    const double sum = Number(FxFieldGet(&h.form, total)) - before + now;
    FxFieldSet(&h.form, total, FxFormatAmount(sum, text, 2));
    h.entered = FxFieldGet(&h.form, field);
    return FX_GO_ON;
}

int HistorySave(void*)
{
    HistoryScreen& h = *gHistory;
    SalespersonRecord work;
    std::memcpy(&work, h.person, sizeof work);
    for (int f = kFirstValue; f < kFirstTotal; ++f)
        SetValue(work, f, Number(FxFieldGet(&h.form, f)));
    Table file;
    file.Borrow(FileNo::Salespersons, h.file);
    KeyBuffer key;
    std::memcpy(key.bytes, work.Code, sizeof work.Code);
    const Status s = file.Update(work, &key);
    if (!s.Ok()) {
        s.Report();
        return s.Is(B_CONFLICT) || s.Is(B_DUPLICATE_KEY) ? FX_RECORD_DONE : FX_STAY;
    }
    std::memcpy(h.person, &work, sizeof work);
    h.answer = 1;
    return FX_LEAVE;
}

int RunHistory(uint16_t handle, SalespersonRecord* person, const TagPeriods* periods)
{
    HistoryScreen h;
    h.person = person;
    h.file = handle;
    h.table[0] = bwps::Field(1, 1, 2, "%-5sC").DisplayOnly().Flags(FX_FIELD_SKIP);
    h.table[1] = bwps::Field(2, 1, 10, "%-40s").DisplayOnly().Flags(FX_FIELD_SKIP);
    for (int f = kFirstValue; f < kFirstTotal + 4; ++f) {
        const int column = f < kFirstTotal ? ColumnOf(f) : f - kFirstTotal;
        const auto row = static_cast<uint8_t>(f < kFirstTotal ? 3 + RowOf(f) : 17);
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
        FxWindowCreate(&h.window, 2, 1, 21, 78, 1, 0, ' ', nullptr) == 0) {
        FxWindowSetName(&h.window, "RSEditSPHistory");
        SetupStandardScreen(&h.form, 0, 0);
        FxSetKeyHandler(&h.form, kKeySave, HistorySave);
        FxWindowAttachForm(&h.window, &h.form, 0);
        FxFieldSet(&h.form, 1, Text(person->Code, sizeof person->Code).c_str());
        FxFieldSet(&h.form, 2, Text(person->Name, sizeof person->Name).c_str());
        const int count = periods != nullptr && periods->Count > 0 && periods->Count <= kPeriodsShown
                              ? periods->Count
                              : kPeriodsShown;
        double totals[4] = {};
        char text[32];
        for (int f = kFirstValue; f < kFirstTotal; ++f) {
            double value = ValueOf(*person, f);
            FxIsZeroAmount(&value);
            totals[ColumnOf(f)] += value;
            FxFieldSet(&h.form, f, FxFormatAmount(value, text, 2));
            if (RowOf(f) >= count)
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

using namespace bwps;

extern "C" {

int RSEditSPerNoTrack(void* lookup)
{
    return EditSalesperson(static_cast<TagLookUp*>(lookup));
}

int EditSalespersonByParams(const char* text)
{
    if (text == nullptr || text[0] == '\0') {
        EditSalesperson(nullptr);
        return 0;
    }
    char value[sizeof(SalespersonRecord::Code)] = {};
    CParamString params(text, static_cast<int32_t>(std::strlen(text)));
    params.GetValue(value, sizeof value);
    Table file;
    Status s = file.Open(FileNo::Salespersons);
    SalespersonRecord person{};
    if (s.Ok()) {
        KeyBuffer key;
        const std::string code = Text(value, sizeof value);
        std::memcpy(key.bytes, code.data(), std::min(code.size(), sizeof person.Code - 1));
        s = file.Get(B_GET_EQUAL, key, person);
    }
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    // The editor starts on the record read here, loaded again from the file.
    TagLookUpData data{};
    data.Handle = file.Handle();
    data.RecordLength = sizeof person;
    data.Record = &person;
    uint8_t work[32] = {};
    const int32_t word = kEditorEdit;
    std::memcpy(work, &word, sizeof word);
    TagLookUp lookup{};
    lookup.Data = &data;
    lookup.WorkArea = work;
    EditSalesperson(&lookup);
    return 0;
}

int RSEditSPHistory(uint16_t handle, void* record, const void* periods)
{
    if (record == nullptr)
        return 0;
    return RunHistory(handle, static_cast<SalespersonRecord*>(record), static_cast<const TagPeriods*>(periods));
}

}  // extern "C"

BWPS_ORDINAL(628, RSEditSPerNoTrack);
BWPS_ORDINAL(629, RSEditSPHistory);
BWPS_ORDINAL(5000, EditSalespersonByParams);
