// The default customer: the customer half of "0Defaults", whose listed
// fields every new customer takes over. A save rewrites the record as it is
// stored at that moment, so the product half that another station saved
// meanwhile is kept.
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "bwps/accounts.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/accounts.h"
#include "bwps/records/options.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "customers/customer_record.h"
#include "fx.h"
#include "recman.h"

namespace bwps::customers {
namespace {

enum Field {
    kCity = 1, kState, kZip, kAreaCode, kText15, kInterfaceCode, kAccountType, kPriceLevel, kLedgerAccount,
    kTaxCode, kTaxDescription, kTermsCode, kTermsDescription, kRate, kAmountLimit, kCreditLimit
};

constexpr int kKeyLookUp = 0x3F00;
constexpr int kKeySave = 0x4400;
constexpr double kMaxAmountLimit = 999999999999.0;

const char kAccountTypes[] = "\001Open,Balance Forward,Cash";
const char kPriceLevels[] = "\001None,A,B,C,D,E,F";

constexpr std::array<ScreenField, 17> kTemplate{{
    bwps::Field(kCity, 1, 22, "%-15s").Prompt(589),
    bwps::Field(kState, 2, 22, "%-3sC").Flags(FX_FIELD_UPPER).Prompt(589),
    bwps::Field(kZip, 3, 22, "ccccc-cccc").Prompt(589),
    bwps::Field(kAreaCode, 4, 22, "(nnn)").Prompt(19),
    bwps::Field(kText15, 5, 22, "%-13s").Prompt(589),
    bwps::Field(kInterfaceCode, 6, 22, "%-5s").Prompt(259),
    bwps::Field(kAccountType, 7, 22, "%-28sm").Choices(kAccountTypes).Prompt(590),
    bwps::Field(kPriceLevel, 8, 22, "%-19sm").Choices(kPriceLevels).Prompt(591),
    bwps::Field(kLedgerAccount, 9, 22, "%-10sC").Flags(FX_FIELD_UPPER).Prompt(292),
    bwps::Field(kTaxCode, 10, 22, "%-5sC").Flags(FX_FIELD_UPPER).Prompt(595),
    bwps::Field(kTaxDescription, 10, 30, "%-10s").DisplayOnly(),
    bwps::Field(kTermsCode, 11, 22, "%-5sC").Flags(FX_FIELD_UPPER).Prompt(592),
    bwps::Field(kTermsDescription, 11, 30, "%-17s").DisplayOnly(),
    bwps::Field(kRate, 12, 22, "%6.3fu").Prompt(593),
    bwps::Field(kAmountLimit, 12, 50, "%12.2f").Flags(0x10),
    bwps::Field(kCreditLimit, 13, 22, "%12.2f").Prompt(596),
    {},
}};

struct CodeKey {
    char code[6];
};
CodeKey KeyOf(const std::string& code)
{
    CodeKey k{};
    std::snprintf(k.code, sizeof k.code, "%s", code.c_str());
    return k;
}

std::string Text(const char* field, size_t width)
{
    std::string s(field, strnlen(field, width));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    return s;
}

void Put(char* field, size_t width, const char* text)
{
    std::memset(field, 0, width);
    std::snprintf(field, width, "%s", text);
}

struct DefaultsScreen {
    FxContext fx{};
    FxForm form{};
    FxWindow window{};
    Table general, terms, taxes, accounts;
    TagDefaults stored{};
    CustomerRecord image{};

    static DefaultsScreen& Of(void* context) { return *static_cast<DefaultsScreen*>(context); }

    Status ReadStored(int lockBias)
    {
        KeyBuffer key;
        std::memcpy(key.bytes, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE - 1);
        return general.Get(B_GET_EQUAL + lockBias, key.bytes, &stored, static_cast<int>(sizeof stored));
    }
    void TakeImage()
    {
        std::memcpy(&image, reinterpret_cast<const uint8_t*>(&stored) + kDefaultsCustomerOffset, sizeof image);
    }
    void PutImage()
    {
        std::memcpy(reinterpret_cast<uint8_t*>(&stored) + kDefaultsCustomerOffset, &image, sizeof image);
    }

    double Amount(int field)
    {
        double value = 0;
        if (FxParseNumber(FxFieldGet(&form, field), 0, &value) != 0)
            value = 0;
        return value;
    }
    void ShowAmount(int field, double value, int decimals)
    {
        char text[48];
        FxFieldSet(&form, field, FxFormatAmount(value, text, decimals));
    }

    void ImageToScreen()
    {
        auto set = [this](int field, const char* text, size_t width) {
            FxFieldSet(&form, field, Text(text, width).c_str());
        };
        set(kCity, image.City, sizeof image.City);
        set(kState, image.State, sizeof image.State);
        set(kZip, image.Zip, sizeof image.Zip);
        // the area code: the digits between the parentheses of telephone 1
        std::string area;
        for (size_t i = 0; i < 5 && image.Phone[0][i] != '\0'; ++i)
            if (image.Phone[0][i] >= '0' && image.Phone[0][i] <= '9')
                area += image.Phone[0][i];
        FxFieldSet(&form, kAreaCode, area.c_str());
        set(kText15, image.Field15, sizeof image.Field15);
        set(kInterfaceCode, image.InterfaceCode, sizeof image.InterfaceCode);
        SelectChoiceByValue(&form, kAccountType, image.AccountType, 'O', 'B', 'C', 0);
        SelectChoiceByValue(&form, kPriceLevel, image.PriceLevel, 'N', 'A', 'B', 'C', 'D', 'E', 'F', 0);
        set(kLedgerAccount, image.LedgerAccount, sizeof image.LedgerAccount);
        set(kTaxCode, image.TaxCode, sizeof image.TaxCode);
        set(kTermsCode, image.TermsCode, sizeof image.TermsCode);
        float rate = 0;
        std::memcpy(&rate, &image.Rate, sizeof rate);
        ShowAmount(kRate, rate, 3);
        ShowAmount(kAmountLimit, image.AmountLimit, 2);
        ShowAmount(kCreditLimit, image.CreditLimit, 2);
    }

    void ScreenToImage()
    {
        auto get = [this](int field, char* out, size_t width) { Put(out, width, FxFieldGet(&form, field)); };
        get(kCity, image.City, sizeof image.City);
        get(kState, image.State, sizeof image.State);
        get(kZip, image.Zip, sizeof image.Zip);
        std::string digits;
        for (const char* p = FxFieldGet(&form, kAreaCode); *p != '\0'; ++p)
            if (*p >= '0' && *p <= '9')
                digits += *p;
        digits.resize(3, ' ');
        char phone[16];
        std::snprintf(phone, sizeof phone, "(%s)    -    ", digits.c_str());
        Put(image.Phone[0], sizeof image.Phone[0], phone);
        get(kText15, image.Field15, sizeof image.Field15);
        std::string iface = Text(FxFieldGet(&form, kInterfaceCode), 64);
        if (!iface.empty())
            iface.resize(5, ' ');
        Put(image.InterfaceCode, sizeof image.InterfaceCode, iface.c_str());
        const int type = GetSelectedChoiceValue(&form, kAccountType, 'O', 'B', 'C', 0);
        image.AccountType = type != 0 ? static_cast<char>(type) : 'O';
        const int level = GetSelectedChoiceValue(&form, kPriceLevel, 'N', 'A', 'B', 'C', 'D', 'E', 'F', 0);
        image.PriceLevel = level != 0 ? static_cast<char>(level) : 'N';
        get(kLedgerAccount, image.LedgerAccount, sizeof image.LedgerAccount);
        get(kTaxCode, image.TaxCode, sizeof image.TaxCode);
        get(kTermsCode, image.TermsCode, sizeof image.TermsCode);
        const float rate = static_cast<float>(Amount(kRate));
        std::memcpy(&image.Rate, &rate, sizeof rate);
        image.AmountLimit = Amount(kAmountLimit);
        image.CreditLimit = Amount(kCreditLimit);
    }

    int CheckTax(bool quiet)
    {
        const std::string code = Text(FxFieldGet(&form, kTaxCode), 16);
        FxFieldSet(&form, kTaxDescription, " ");
        if (code.empty())
            return FX_GO_ON;
        TaxRecord t{};
        const Status s = taxes.Find(KeyOf(code), t);
        if (s.Ok()) {
            FxFieldSet(&form, kTaxDescription, Text(t.Description, 11).c_str());
            return FX_GO_ON;
        }
        if (!quiet) {
            if (s.NotFound())
                ShowMessage(245, MESSAGE_DEFAULT_CONTEXT);
            else
                s.Report();
        }
        return FX_STAY;
    }

    int CheckTerms(bool quiet)
    {
        const std::string code = Text(FxFieldGet(&form, kTermsCode), 16);
        FxFieldSet(&form, kTermsDescription, " ");
        if (code.empty())
            return FX_GO_ON;
        TagTermsRecord t{};
        const Status s = terms.Find(KeyOf(code), t);
        if (s.Ok()) {
            FxFieldSet(&form, kTermsDescription, Text(t.Description, sizeof t.Description).c_str());
            return FX_GO_ON;
        }
        if (s.NotFound())
            ShowMessage(2105, MESSAGE_DEFAULT_CONTEXT);
        else if (!quiet)
            s.Report();
        return FX_STAY;
    }

    int CheckAccount()
    {
        const std::string account = Text(FxFieldGet(&form, kLedgerAccount), 16);
        if (account.empty())
            return FX_GO_ON;
        TagAccount found{};
        if (!ValidateAccountNo(accounts.Handle(), account.c_str(), &found)) {
            ShowMessage(233, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (found.Kind != 'D') {
            ShowMessage(289, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }

    int CheckAmountLimit()
    {
        const double value = Amount(kAmountLimit);
        if (value < 0) {
            ShowMessage(393, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (value > kMaxAmountLimit) {
            ShowMessage(1710, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }
};

int OnShow(void* context)
{
    DefaultsScreen& s = DefaultsScreen::Of(context);
    const Status read = s.ReadStored(0);
    if (!read.Ok()) {
        read.Report();
        return FX_STAY;
    }
    s.TakeImage();
    s.ImageToScreen();
    s.CheckTax(true);
    s.CheckTerms(true);
    return FX_GO_ON;
}

int OnTax(void* context) { return DefaultsScreen::Of(context).CheckTax(false); }
int OnTerms(void* context) { return DefaultsScreen::Of(context).CheckTerms(false); }
int OnAccount(void* context) { return DefaultsScreen::Of(context).CheckAccount(); }
int OnAmountLimit(void* context) { return DefaultsScreen::Of(context).CheckAmountLimit(); }

int OnLookUp(void* context)
{
    DefaultsScreen& s = DefaultsScreen::Of(context);
    const int field = s.form.currentField;
    const std::string text = Text(FxFieldGet(&s.form, field), 64);
    const char* start = text.empty() ? nullptr : text.c_str();
    switch (field) {
    case kTermsCode: {
        TagTermsRecord t{};
        if (!FlyTerms(start, 0, s.terms.Handle(), &t, 4, 27, 13, 26, nullptr))
            return FX_STAY;
        FxFieldSet(&s.form, field, Text(t.Code, sizeof t.Code).c_str());
        s.CheckTerms(true);
        return FX_LOOKUP_SET;
    }
    case kTaxCode: {
        TaxRecord t{};
        if (!FlyTaxes(start, 0, s.taxes.Handle(), &t, 4, 28, 13, 24, nullptr))
            return FX_STAY;
        FxFieldSet(&s.form, field, Text(t.Code, sizeof t.Code).c_str());
        s.CheckTax(true);
        return FX_LOOKUP_SET;
    }
    case kLedgerAccount: {
        TagAccount a{};
        if (!FlyAccount(start, 0, s.accounts.Handle(), &a, 4, 13, 13, 54, nullptr, 1))
            return FX_STAY;
        FxFieldSet(&s.form, field, Text(a.Number, sizeof a.Number).c_str());
        s.CheckAccount();
        return FX_LOOKUP_SET;
    }
    case kInterfaceCode: {
        if (IsInterfacedToAccounting() == 0) {
            ShowMessage(559, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        char code[16] = {};
        std::snprintf(code, sizeof code, "%s", text.c_str());
        TagAccount a{};
        if (FlyAccountInterface(code, 0, s.accounts.Handle(), &a, 6, 1, 10, 65, nullptr) !=
            ACCOUNT_INTERFACE_PICKED)
            return FX_STAY;
        FxFieldSet(&s.form, field, code);
        return FX_LOOKUP_SET;
    }
    default:
        return FX_STAY;
    }
}

int OnSave(void* context)
{
    DefaultsScreen& s = DefaultsScreen::Of(context);
    if (IsInterfacedToAccounting() != 0 && GetInterfaceFlag() == 'C') {
        char department[16] = {};
        std::snprintf(department, sizeof department, "%s", FxFieldGet(&s.form, kInterfaceCode));
        TagAccount a{};
        if (!ValidateInterfaceAccounts(s.accounts.Handle(), department, &a)) {
            FxFocusField(&s.form, kInterfaceCode);
            return FX_STAY_FOCUSED;
        }
    }
    if (s.CheckAmountLimit() != FX_GO_ON) {
        FxFocusField(&s.form, kAmountLimit);
        return FX_STAY_FOCUSED;
    }
    // the record as stored now: the product half another station saved stays
    Status st = s.ReadStored(B_LOCK_MULTI_NOWAIT);
    if (!st.Ok()) {
        st.Report();
        s.general.UnlockAll();
        return FX_STAY;
    }
    s.TakeImage();
    s.ScreenToImage();
    s.PutImage();
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE - 1);
    st = s.general.Write(B_UPDATE, &s.stored, static_cast<int>(sizeof s.stored), &key);
    s.general.UnlockAll();
    if (!st.Ok()) {
        st.Report();
        return st.Is(B_CONFLICT) || st.Is(B_DUPLICATE_KEY) ? FX_GO_ON : FX_LEAVE;
    }
    return FX_LEAVE;
}

int EditDefaultCustomer()
{
    std::array<ScreenField, kTemplate.size()> fields = kTemplate;
    auto screen = std::make_unique<DefaultsScreen>();
    DefaultsScreen& s = *screen;
    const FileNo files[] = {FileNo::General, FileNo::Terms, FileNo::TaxTable, FileNo::Accounts};
    Table* tables[] = {&s.general, &s.terms, &s.taxes, &s.accounts};
    for (size_t i = 0; i < std::size(files); ++i) {
        const Status st = tables[i]->Open(files[i]);
        if (!st.Ok()) {
            st.Report();
            return 0;
        }
    }
    fields[kTaxCode - 1].exitHandler = OnTax;
    fields[kTermsCode - 1].exitHandler = OnTerms;
    fields[kLedgerAccount - 1].exitHandler = OnAccount;
    fields[kAmountLimit - 1].exitHandler = OnAmountLimit;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    if (FxWindowCreate(&s.window, 4, 1, 16, 73, 1, 1, ' ', nullptr) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    FxWindowSetName(&s.window, "RSEditDefaultCustomer");
    SetupStandardScreen(&s.form, 0x23, 0);
    s.form.newRecord = OnShow;
    s.form.question = AskChoiceMessage;
    FxSetKeyHandler(&s.form, kKeySave, OnSave);
    FxSetKeyHandler(&s.form, kKeyLookUp, OnLookUp);
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    return 1;
}

}  // namespace
}  // namespace bwps::customers

extern "C" {

int RSEditDefaultCustomer(int)
{
    return bwps::customers::EditDefaultCustomer();
}

}  // extern "C"

BWPS_ORDINAL(640, RSEditDefaultCustomer);
