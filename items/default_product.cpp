// The default product editor: the product half of "0Defaults", the values
// a new product starts with. The customer half of the record is written
// back as it was read when the screen opened.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bwps/accounts.h"
#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/records/products.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"
#include "items/product_defaults.h"
#include "recman.h"

namespace bwps {
namespace {

enum FieldNo { kAccount = 1, kFlag263, kType, kFlag264, kSerial, kUnit1, kUnits1, kUnit2, kUnits2, kPriceBreak1,
             kPriceBreak6 = 15 };

constexpr int kNotInterfaced = 559;
constexpr int kPriceBreakUnknown = 249;
constexpr int kPriceBreakTopic = 53;
constexpr int kUnitsOutOfRange = 349;
constexpr int kUnitsZero = 851;

const char kNoYes[] = "\001No,Yes";
const char kYesNo[] = "\001Yes,No";
const char kTypes[] = "\001Normal,Non-Inventory,Negative";

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

template <size_t N>
void Put(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

template <size_t N>
std::string Text(const char (&field)[N])
{
    return Trim(std::string(field, strnlen(field, N)));
}

struct DefaultProductScreen {
    FxContext fx{};   // first: handlers receive the screen context
    FxForm form{};
    FxWindow window{};
    std::array<ScreenField, 16> table{};
    TagDefaults record{};   // the whole record as read when the form started
    Table general, priceBreaks, taxes, accounts;
    bool interfaced = false;

    FxForm* Form() { return &form; }
    std::string FieldText(int field) { return Trim(FxFieldGet(&form, field)); }
    int Focus(int field)
    {
        FxFocusField(&form, field);
        return FX_STAY_FOCUSED;
    }
};

DefaultProductScreen& Screen(void* context) { return *static_cast<DefaultProductScreen*>(context); }

constexpr std::array<ScreenField, 16> kTemplate{{
    Field(kAccount, 1, 21, "%-5s").Prompt(257).Flags(FX_FIELD_UPPER),
    Field(kFlag263, 2, 21, "%-10sm").Prompt(581).Choices(kNoYes),
    Field(kType, 3, 21, "%-32sm").Prompt(644).Choices(kTypes),
    Field(kFlag264, 4, 21, "%-10sm").Prompt(757).Choices(kYesNo),
    Field(kSerial, 5, 21, "%-10sm").Prompt(170).Choices(kNoYes),
    Field(kUnit1, 7, 10, "%-8s").Prompt(584),
    Field(kUnits1, 7, 30, "%-4u").Prompt(585),
    Field(kUnit2, 7, 53, "%-8s").Prompt(586),
    Field(kUnits2, 7, 71, "%-4u").Prompt(587),
    Field(kPriceBreak1, 9, 21, "%-5sC").Prompt(588).Flags(FX_FIELD_UPPER),
    Field(kPriceBreak1 + 1, 10, 21, "%-5sC").Prompt(588).Flags(FX_FIELD_UPPER),
    Field(kPriceBreak1 + 2, 11, 21, "%-5sC").Prompt(588).Flags(FX_FIELD_UPPER),
    Field(kPriceBreak1 + 3, 9, 65, "%-5sC").Prompt(588).Flags(FX_FIELD_UPPER),
    Field(kPriceBreak1 + 4, 10, 65, "%-5sC").Prompt(588).Flags(FX_FIELD_UPPER),
    Field(kPriceBreak6, 11, 65, "%-5sC").Prompt(588).Flags(FX_FIELD_UPPER),
    {},
}};

void ProductToScreen(DefaultProductScreen& s)
{
    TagProduct p{};
    std::memcpy(&p, s.record.Product, sizeof p);
    NormaliseProductFlags(&p);
    char text[32];
    FxFieldSet(s.Form(), kAccount, Text(p.Text85).c_str());
    PutYesNoChoice(s.Form(), kFlag263, p.Flags262[1]);
    FxChoiceSet(s.Form(), kType, p.Kind >= 1 && p.Kind <= 3 ? p.Kind : 1);
    PutYesNoChoice(s.Form(), kFlag264, p.Flags262[2]);
    PutYesNoChoice(s.Form(), kSerial, p.Flags262[4]);
    FxFieldSet(s.Form(), kUnit1, Text(p.Unit1).c_str());
    std::snprintf(text, sizeof text, "%-4d", static_cast<int>(p.UnitFactor));
    FxFieldSet(s.Form(), kUnits1, text);
    FxFieldSet(s.Form(), kUnit2, Text(p.Unit2).c_str());
    std::snprintf(text, sizeof text, "%-4u", static_cast<unsigned>(p.Value272));
    FxFieldSet(s.Form(), kUnits2, text);
    for (int i = 0; i < 6; ++i)
        FxFieldSet(s.Form(), kPriceBreak1 + i, Text(p.Entries210[i]).c_str());
}

// The form starts: the record as it stands on file.
int NewRecord(void* context)
{
    DefaultProductScreen& s = Screen(context);
    TagProduct product{};
    int status = 0;
    if (!ReadProductDefaults(s.general.Handle(), &s.record, &product, 0, &status)) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::General), 0);
        return FX_STAY;
    }
    ProductToScreen(s);
    return FX_GO_ON;
}

// Units in a unit: 1 to 9999 when the field is left.
int UnitsExit(void* context)
{
    DefaultProductScreen& s = Screen(context);
    const int field = s.form.currentField;
    const std::string text = s.FieldText(field);
    char* end = nullptr;
    const long units = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || units < 1 || units > 9999) {
        ShowMessage(kUnitsZero, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    return FX_GO_ON;
}

int LookUpKey(void* context)
{
    DefaultProductScreen& s = Screen(context);
    const int field = s.form.currentField;
    char text[64] = {};
    std::snprintf(text, sizeof text, "%s", s.FieldText(field).c_str());
    if (field == kAccount) {
        if (!s.interfaced) {
            ShowMessage(kNotInterfaced, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        uint8_t account[1024] = {};
        const int answer = FlyAccountInterface(text, 0, s.accounts.Handle(), account, 6, 1, 10, 65, nullptr);
        if (answer != ACCOUNT_INTERFACE_PICKED)
            return FX_STAY;
        FxFieldSet(s.Form(), field, text);
        FxFormRedrawAfterPick(context, s.Form());
        return FX_LOOKUP_SET;
    }
    if (field >= kPriceBreak1 && field <= kPriceBreak6) {
        uint8_t priceBreak[128] = {};
        if (!FlyPriceBreaks(text[0] ? text : nullptr, 1, s.priceBreaks.Handle(), priceBreak, 4, 14, 13, 53,
                            nullptr))
            return FX_STAY;
        const char* code = reinterpret_cast<const char*>(priceBreak);
        FxFieldSet(s.Form(), field, Trim(std::string(code, strnlen(code, 6))).c_str());
        FxFormRedrawAfterPick(context, s.Form());
        return FX_STAY_FOCUSED;
    }
    return FX_STAY;
}

int SaveKey(void* context)
{
    DefaultProductScreen& s = Screen(context);
    // 1. the price breaks named must exist
    for (int f = kPriceBreak1; f <= kPriceBreak6; ++f) {
        const std::string code = s.FieldText(f);
        if (code.empty())
            continue;
        KeyBuffer key;
        std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 5));
        uint8_t record[128];
        const Status st = s.priceBreaks.Get(B_GET_EQUAL, key.bytes, record, sizeof record);
        if (st.Is(B_KEY_NOT_FOUND)) {
            ShowMessage(kPriceBreakUnknown, kPriceBreakTopic);
            return s.Focus(f);
        }
        if (!st.Ok()) {
            ReportRecordManagerError(st.status, 1, B_GET_EQUAL, No(FileNo::PriceBook), 0);
            return FX_STAY;
        }
    }
    // 2. the interface account
    if (s.interfaced && GetInterfaceFlag() == 'I') {
        const std::string account = s.FieldText(kAccount);
        if (!account.empty()) {
            char department[16] = {};
            std::snprintf(department, sizeof department, "%s", account.c_str());
            TagAccount record{};
            if (!ValidateInterfaceAccounts(s.accounts.Handle(), department, &record))
                return s.Focus(kAccount);
        }
    }
    // 3. the screen into the product half (a copy: the record is unchanged
    // until the units have passed)
    TagProduct p{};
    std::memcpy(&p, s.record.Product, sizeof p);
    Put(p.Text85, s.FieldText(kAccount));
    p.Flags262[1] = static_cast<char>(ReadYesNoChoice(s.Form(), kFlag263));
    const int type = FxChoiceGet(s.Form(), kType);
    p.Kind = static_cast<uint8_t>(type >= 1 && type <= 3 ? type : 1);
    p.Flags262[2] = static_cast<char>(ReadYesNoChoice(s.Form(), kFlag264));
    p.Flags262[4] = static_cast<char>(ReadYesNoChoice(s.Form(), kSerial));
    Put(p.Unit1, s.FieldText(kUnit1));
    Put(p.Unit2, s.FieldText(kUnit2));
    for (int i = 0; i < 6; ++i)
        Put(p.Entries210[i], s.FieldText(kPriceBreak1 + i));
    // 4. units: checked as numbers before they are narrowed into the
    // record; a default of 0 units would give every new product a unit
    // that its own save refuses
    for (int f : {kUnits2, kUnits1}) {
        const long units = std::strtol(s.FieldText(f).c_str(), nullptr, 10);
        if (units < 1 || units > 9999) {
            ShowMessage(units < 1 ? kUnitsZero : kUnitsOutOfRange, MESSAGE_DEFAULT_CONTEXT);
            return s.Focus(f);
        }
    }
    p.UnitFactor = static_cast<int16_t>(std::strtol(s.FieldText(kUnits1).c_str(), nullptr, 10));
    p.Value272 = static_cast<uint16_t>(std::strtol(s.FieldText(kUnits2).c_str(), nullptr, 10));
    std::memcpy(s.record.Product, &p, sizeof p);
    // 5. the record again, under lock: the file stands on it for the update
    TagDefaults scratch{};
    TagProduct unused{};
    int status = 0;
    if (!ReadProductDefaults(s.general.Handle(), &scratch, &unused, B_LOCK_MULTI_NOWAIT, &status)) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::General), 0);
        s.general.UnlockAll();
        return FX_STAY;
    }
    // 6. the customer half as read when the form started, the product half edited
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE);
    const Status written = s.general.Update(s.record, &key);
    s.general.UnlockAll();
    if (!written.Ok()) {
        ReportRecordManagerError(written.status, 1, B_UPDATE, No(FileNo::General), 0);
        if (written.Is(B_CONFLICT) || written.Is(B_DUPLICATE_KEY))
            return FX_GO_ON;
    }
    return FX_LEAVE;
}

int RunDefaultProduct()
{
    DefaultProductScreen s;
    s.interfaced = IsInterfacedToAccounting() != 0;
    s.table = kTemplate;
    s.table[kUnits1 - 1].exitHandler = UnitsExit;
    s.table[kUnits2 - 1].exitHandler = UnitsExit;
    FxAppBegin(&s.fx);
    struct Open {
        Table* table;
        FileNo file;
    } files[] = {{&s.general, FileNo::General}, {&s.priceBreaks, FileNo::PriceBook},
                 {&s.taxes, FileNo::TaxTable}, {&s.accounts, FileNo::Accounts}};
    for (const Open& f : files) {
        const Status st = f.table->Open(f.file);
        if (!st.Ok()) {
            st.Report();
            FxAppEnd(&s.fx);
            return 0;
        }
    }
    if (FxFormLoad(&s.form, s.table.data(), 1) == 0 ||
        FxWindowCreate(&s.window, 4, 1, 20, 77, 0, 0, ' ', nullptr) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    FxWindowSetName(&s.window, "RSEditDefaultProduct");
    SetupStandardScreen(&s.form, 0x23, 0);
    FxSetKeyHandler(&s.form, 0x4400, SaveKey);
    FxSetKeyHandler(&s.form, 0x3F00, LookUpKey);
    s.form.newRecord = NewRecord;
    s.form.question = AskChoiceMessage;
    FxWindowAttachForm(&s.window, &s.form, 0);
    static const char* const kPrompts[][3] = {
        {"1", "3", "Account:"},        {"2", "3", "Option 1:"},     {"3", "3", "Item type:"},
        {"4", "3", "Option 2:"},       {"5", "3", "Serial numbers:"}, {"7", "3", "Unit:"},
        {"9", "3", "Price breaks:"},
    };
    for (const auto& prompt : kPrompts)
        FxWindowText(&s.window, std::atoi(prompt[0]), std::atoi(prompt[1]), -1, prompt[2], 0);
    FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    return 1;
}

}  // namespace
}  // namespace bwps

extern "C" int RSEditDefaultProduct(void)
{
    return bwps::RunDefaultProduct();
}

BWPS_ORDINAL(641, RSEditDefaultProduct);
