// The tender detail screens: the card screen with the swipe window in
// front of it, and the check screen. They fill the card-transaction context
// that the authorization then sends.
//
// A card reader types the stripe as a keyboard does: the swipe window reads
// the key stream until Enter, so a script or a terminal serves as well as a
// reader.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/cards.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/settings.h"
#include "fx.h"
#include "posting/card/card_internal.h"

namespace bwps::card {

namespace {

constexpr int kEscaped = 27;
constexpr int kSwipeBuffer = 256;
constexpr int kCardNumberChars = sizeof CardContext{}.CardNumber - 1;  // 25
constexpr int kNameChars = sizeof CardContext{}.Name - 1;              // 26
constexpr int kStripeChars = sizeof CardContext{}.Stripe - 1;          // 80

enum TenderMessage {
    kNoExpiry = 661,
    kNoCardNumber = 663,
    kNoBankLine = 823,
    kNoLicence = 825,
    kBadBirthDate = 827,
    kNoLicenceState = 829,
    kNoAddress = 1660,
    kNoPostalCode = 1662,
};

// Card screen fields.
enum { kCardNumberField = 1, kExpiryField, kNameField, kCardAmountField, kStreetField, kPostalField };
// Check screen fields.
enum {
    kLicenceField = 1,
    kBankLineField,
    kBirthDateField,
    kStateField,
    kCheckNumberField,
    kCheckNameField,
    kCheckAmountField,
};

enum { kStateEntered = 0, kStateUnused = 2 };

// The type-ahead of the tender's text fields: it never offers anything, so
// typed text stays as typed.
class NoAutoFill : public AutoFill {
public:
    ~NoAutoFill() override = default;
    bool DefineColumns(Columns&) override { return false; }
    bool FindOpen(const char*) override { return false; }
    bool FindClose() override { return true; }
    bool FindFirst(Item&) override { return false; }
    bool FindNext(Item&) override { return false; }
};

// A field's text with its trailing blanks removed.
std::string FieldText(FxForm* form, int field)
{
    std::string text = FxFieldGet(form, field);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

int Refuse(FxForm* form, int message, int field)
{
    ShowMessage(message, 1);
    FxFocusField(form, field);
    return FX_STAY_FOCUSED;
}

void UseColourSet(int set)
{
    uint8_t colours[COLOR_SET_SIZE] = {};
    SetColorSet(colours, set);
}

std::string AmountText(double amount)
{
    char text[40] = {};
    FxFormatAmount(amount, text, 2);
    return text;
}

bool AllDigits(const std::string& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)) != 0; });
}

// ---------------------------------------------------------------- card screen

struct CardScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    CardContext* card;
};

constexpr std::array<ScreenField, 7> kCardTemplate{{
    bwps::Field(kCardNumberField, 2, 25, "%-25s").Flags(FX_FIELD_CARD),
    bwps::Field(kExpiryField, 3, 25, "nnnn"),
    bwps::Field(kNameField, 4, 25, "%-26s"),
    bwps::Field(kCardAmountField, 5, 25, "%12.2f").DisplayOnly(),
    bwps::Field(kStreetField, 7, 25, "%-20s"),
    bwps::Field(kPostalField, 8, 25, "%-9s"),
    {},
}};
constexpr int kCardAutoFillFields[] = {kCardNumberField, kNameField, kStreetField, kPostalField};

char AddressEntry()
{
    const TagSysInterface* settings = GetSysInterfaceRecord();
    return settings != nullptr ? settings->CardAddressEntry : '\0';
}

void FillCardScreen(CardScreen& s)
{
    CardContext& c = *s.card;
    FxFieldSet(&s.form, kCardNumberField, TextOf(c.CardNumber).c_str());
    FxFieldSet(&s.form, kExpiryField, TextOf(c.Expiry).c_str());
    FxFieldSet(&s.form, kNameField, TextOf(c.Name).c_str());
    FxFieldSet(&s.form, kCardAmountField, AmountText(c.Amount).c_str());
    if (c.TenderKind == CARD_TENDER_CREDIT) {
        FxFieldSet(&s.form, kStreetField, TextOf(c.AddressText1).c_str());
        FxFieldSet(&s.form, kPostalField, TextOf(c.AddressText2).c_str());
    }
}

int StartCardScreen(void* raw)
{
    auto& s = *static_cast<CardScreen*>(raw);
    CardContext& c = *s.card;
    const bool credit = c.TenderKind == CARD_TENDER_CREDIT;
    FxFieldSetState(&s.form, kStreetField, credit ? kStateEntered : kStateUnused);
    FxFieldSetState(&s.form, kPostalField, credit ? kStateEntered : kStateUnused);
    c.AddressFlag = credit ? 1 : 0;
    if (c.AddressFlag != 0) {
        const bool off = AddressEntry() == 'N';
        FxFieldSetDisplayOnly(&s.form, kStreetField, off ? 1 : 0);
        FxFieldSetDisplayOnly(&s.form, kPostalField, off ? 1 : 0);
        if (off)
            c.AddressFlag = 0;
    }
    FillCardScreen(s);
    return FX_GO_ON;
}

int CheckCardNumberField(void* raw)
{
    auto& s = *static_cast<CardScreen*>(raw);
    const std::string number = FieldText(&s.form, kCardNumberField);
    if (!number.empty())
        CheckCardNumber(number.c_str());
    return FX_GO_ON;
}

// The expiry field's check: the text as it stands, or with its pairs
// swapped, or refused with message 659. Shared by the field's exit and F10.
int CheckExpiry(CardScreen& s)
{
    std::string text = FieldText(&s.form, kExpiryField);
    if (NormaliseExpiry(text) != 0) {
        ShowMessage(kBadExpiry, 1);
        return FX_STAY;
    }
    if (text != FieldText(&s.form, kExpiryField)) {
        FxFieldSet(&s.form, kExpiryField, text.c_str());
        PutText(s.card->Expiry, text);
    }
    return FX_GO_ON;
}

int CheckExpiryField(void* raw)
{
    return CheckExpiry(*static_cast<CardScreen*>(raw));
}

void StoreCardScreen(CardScreen& s)
{
    CardContext& c = *s.card;
    PutText(c.CardNumber, FieldText(&s.form, kCardNumberField));
    PutText(c.Expiry, FieldText(&s.form, kExpiryField));
    PutText(c.Name, FieldText(&s.form, kNameField));
    if (c.TenderKind == CARD_TENDER_CREDIT) {
        PutText(c.AddressText1, FieldText(&s.form, kStreetField));
        PutText(c.AddressText2, FieldText(&s.form, kPostalField));
    }
}

int CheckCardEntry(void* raw)
{
    auto& s = *static_cast<CardScreen*>(raw);
    CardContext& c = *s.card;
    if (FieldText(&s.form, kCardNumberField).empty())
        return Refuse(&s.form, kNoCardNumber, kCardNumberField);
    if (FieldText(&s.form, kExpiryField).empty())
        return Refuse(&s.form, kNoExpiry, kExpiryField);
    // F10 leaves without passing the expiry field's own check: an expiry
    // typed and not left yet is checked here.
    if (CheckExpiry(s) != FX_GO_ON) {
        FxFocusField(&s.form, kExpiryField);
        return FX_STAY_FOCUSED;
    }
    if (c.AddressFlag != 0) {
        const bool street = !FieldText(&s.form, kStreetField).empty();
        const bool postal = !FieldText(&s.form, kPostalField).empty();
        if (street && !postal)
            return Refuse(&s.form, kNoPostalCode, kPostalField);
        if (AddressEntry() == 'A') {
            if (!street && !postal)
                return Refuse(&s.form, kNoAddress, kStreetField);
        } else {
            c.AddressFlag = street || postal ? 1 : 0;
        }
    }
    StoreCardScreen(s);
    return FX_LEAVE;
}

// Runs the card screen; the framework's result (27 when left with Esc, 0
// when it could not run).
int RunCardScreen(CardContext* context)
{
    std::array<ScreenField, kCardTemplate.size()> fields = kCardTemplate;
    auto* autoFill = new NoAutoFill;
    for (int number : kCardAutoFillFields)
        fields[static_cast<std::size_t>(number - 1)].typeAhead = autoFill;
    auto releaseAutoFill = [&] {
        delete autoFill;
        for (int number : kCardAutoFillFields)
            fields[static_cast<std::size_t>(number - 1)].typeAhead = nullptr;
    };

    fields[kCardNumberField - 1].exitHandler = CheckCardNumberField;
    fields[kExpiryField - 1].exitHandler = CheckExpiryField;

    CardScreen s{};
    s.card = context;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 1) == 0) {
        FxAppEnd(&s.fx);
        releaseAutoFill();
        return 0;
    }
    UseColourSet(2);
    if (FxWindowCreate(&s.window, 6, 14, 13, 66, 1, 1, ' ', nullptr) != 0) {
        FxAppEnd(&s.fx);
        releaseAutoFill();
        return 0;
    }
    FxWindowSetName(&s.window, context->TenderKind == CARD_TENDER_CREDIT ? "RSEditCreditCard"
                                                                          : "RSEditDebitCard");
    SetupStandardScreen(&s.form, 0x63, 0);
    FxReleaseKey(&s.form, FX_KEY_F1 + 7 * 0x100);  // F8
    FxReleaseKey(&s.form, FX_KEY_F1 + 4 * 0x100);  // F5
    FxReleaseKey(&s.form, FX_KEY_F1 + 5 * 0x100);  // F6
    FxSetKeyHandler(&s.form, FX_KEY_F10, CheckCardEntry);
    s.form.newRecord = StartCardScreen;
    s.form.question = AskChoiceMessage;
    FxWindowAttachForm(&s.window, &s.form, 0);
    static constexpr const char* kCaptions[] = {"Card number", "Expires (YYMM)", "Card holder",
                                                "Amount", "",  "Street address", "Postal code"};
    for (int row = 2; row <= 8; ++row)
        if (kCaptions[row - 2][0] != '\0')
            FxWindowText(&s.window, row, 3, -1, kCaptions[row - 2], 0);
    const int key = FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    releaseAutoFill();
    return FxIsLeaveKey(&s.fx) != 0 ? kEscaped : key;
}

// ---------------------------------------------------------------- swipe window

// Reads the stripe from the key stream into buffer (kSwipeBuffer + 1
// bytes): 1 when more than 2 characters came and Enter ended them, 0 for no
// stripe, 27 when Esc abandoned the swipe.
int ReadStripe(CardContext* context, char* buffer)
{
    // The authorizer takes no part in a swipe: the local operation sends
    // nothing and gets no answer, so the stripe comes from the keyboard.
    CardContext local = *context;
    local.Operation = CARD_OP_LOCAL;
    if (CallSlot(&local, kSend) == 0)
        return 0;
    CallSlot(&local, kReceive);

    int stored = 0;
    bool storing = true;
    for (;;) {
        const int key = FxGetKeyOrTyped(1);
        if (key == 0)
            continue;
        if (key == FX_KEY_ENTER)
            break;
        if (key == FX_KEY_ESC) {
            context->EntryLetter = 0;
            local.Operation = CARD_OP_VOID;
            CallSlot(&local, kSend);
            return kEscaped;
        }
        if (key > 0xFF || !storing)
            continue;  // keys that are not characters, and what follows the end sentinel
        // The start sentinels ('%' track 1, ';' track 2) are not kept; a
        // second one, or the end sentinel '?', ends the stripe.
        if (key == '%' || key == ';') {
            if (stored > 0)
                storing = false;
            continue;
        }
        if (key == '?') {
            storing = false;
            continue;
        }
        buffer[stored++] = static_cast<char>(key);
        if (stored == kSwipeBuffer)
            break;
    }
    buffer[stored] = '\0';

    local.Operation = CARD_OP_VOID;
    if (CallSlot(&local, kSend) == 0)
        return 0;
    if (stored > 2 && buffer[0] != '\n') {
        context->EntryLetter = 'K';
        return 1;
    }
    context->EntryLetter = 0;
    return 0;
}

// ---------------------------------------------------------------- check screen

struct CheckScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    CardContext* card;
};

constexpr std::array<ScreenField, 8> kCheckTemplate{{
    bwps::Field(kLicenceField, 2, 25, "%-22s"),
    bwps::Field(kBankLineField, 2, 25, "%-28s"),
    bwps::Field(kBirthDateField, 3, 25, "nn/nn/nn"),
    bwps::Field(kStateField, 4, 25, "%-2s").Flags(FX_FIELD_UPPER),
    bwps::Field(kCheckNumberField, 5, 25, "%-10sC"),
    bwps::Field(kCheckNameField, 6, 25, "%-26s"),
    bwps::Field(kCheckAmountField, 7, 25, "%12.2f").DisplayOnly(),
    {},
}};
constexpr int kCheckAutoFillFields[] = {kLicenceField, kBankLineField, kStateField,
                                        kCheckNumberField, kCheckNameField};

void SetCheckFieldStates(CheckScreen& s)
{
    FxForm* form = &s.form;
    FxFieldSetState(form, kStateField, kStateEntered);
    FxFieldSetState(form, kCheckAmountField, kStateEntered);
    FxFieldSetDisplayOnly(form, kCheckAmountField, 1);
    switch (s.card->CheckMode) {
    case 2:
        FxFieldSetState(form, kLicenceField, kStateUnused);
        FxFieldSetState(form, kBankLineField, kStateEntered);
        FxFieldSetState(form, kBirthDateField, kStateUnused);
        break;
    case 4:
        FxFieldSetState(form, kLicenceField, kStateEntered);
        FxFieldSetState(form, kBankLineField, kStateUnused);
        FxFieldSetState(form, kBirthDateField, kStateUnused);
        break;
    case 5:
        FxFieldSetState(form, kLicenceField, kStateEntered);
        FxFieldSetState(form, kBankLineField, kStateUnused);
        FxFieldSetState(form, kBirthDateField, kStateEntered);
        break;
    default:
        break;
    }
}

int FillCheckScreen(void* raw)
{
    auto& s = *static_cast<CheckScreen*>(raw);
    const CardContext& c = *s.card;
    for (int field = kLicenceField; field <= kCheckAmountField; ++field)
        FxFieldSetState(&s.form, field, kStateEntered);
    char date[16] = {};
    FxFieldSet(&s.form, kLicenceField, TextOf(c.CardNumber).c_str());
    FxFieldSet(&s.form, kBankLineField, TextOf(c.BankLine).c_str());
    FxFieldSet(&s.form, kStateField, TextOf(c.CheckField2).c_str());
    FxFieldSet(&s.form, kBirthDateField, FxDateFormat(date, c.BirthDate));
    FxFieldSet(&s.form, kCheckAmountField, AmountText(c.Amount).c_str());
    FxFieldSet(&s.form, kCheckNameField, TextOf(c.Name).c_str());
    FxFieldSet(&s.form, kCheckNumberField, TextOf(c.CheckField10).c_str());
    SetCheckFieldStates(s);
    return FX_GO_ON;
}

int CheckCheckEntry(void* raw)
{
    auto& s = *static_cast<CheckScreen*>(raw);
    CardContext& c = *s.card;
    const std::string licence = FieldText(&s.form, kLicenceField);
    const std::string bankLine = FieldText(&s.form, kBankLineField);
    const std::string state = FieldText(&s.form, kStateField);
    const int mode = c.CheckMode;
    if (mode == 2 && bankLine.empty())
        return Refuse(&s.form, kNoBankLine, kBankLineField);
    if (mode == 4 || mode == 5) {
        if (licence.empty())
            return Refuse(&s.form, kNoLicence, kLicenceField);
        if (state.empty())
            return Refuse(&s.form, kNoLicenceState, kStateField);
    }
    if (mode == 5 && FxDateParse(FieldText(&s.form, kBirthDateField).c_str()) == 0)
        return Refuse(&s.form, kBadBirthDate, kBirthDateField);
    if (state.empty())
        return Refuse(&s.form, kNoLicenceState, kStateField);

    PutText(c.CardNumber, licence);
    PutText(c.BankLine, bankLine);
    PutText(c.CheckField2, state);
    PutText(c.Name, FieldText(&s.form, kCheckNameField));
    PutText(c.CheckField10, FieldText(&s.form, kCheckNumberField));
    c.BirthDate = FxDateParse(FieldText(&s.form, kBirthDateField).c_str());
    SetCheckFieldStates(s);
    return FX_LEAVE;
}

}  // namespace

int NormaliseExpiry(std::string& text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.size() < 4 || !AllDigits(text.substr(0, 4)))
        return kBadExpiry;
    const int first = std::stoi(text.substr(0, 2));
    const int second = std::stoi(text.substr(2, 2));
    if (second <= 12)
        return 0;
    if (first > 12)
        return kBadExpiry;
    text = text.substr(2, 2) + text.substr(0, 2) + text.substr(4);
    return 0;
}

void ParseStripe(CardContext& context, char* buffer)
{
    std::string stripe = buffer;
    if (!stripe.empty() && (stripe[0] == 'b' || stripe[0] == 'B')) {
        // Track 1: 'B', the number, '^', the holder's name, '^', the expiry.
        stripe[0] = 'B';
        buffer[0] = 'B';
        context.Track = 1;
        const auto first = stripe.find('^');
        std::string number;
        for (char ch : stripe.substr(1, first == std::string::npos ? std::string::npos : first - 1))
            if (ch != ' ')
                number += ch;
        PutText(context.CardNumber, number.substr(0, kCardNumberChars));
        std::string name;
        std::string expiry;
        if (first != std::string::npos) {
            const auto second = stripe.find('^', first + 1);
            name = stripe.substr(first + 1, second == std::string::npos ? std::string::npos
                                                                        : second - first - 1);
            if (second != std::string::npos)
                expiry = stripe.substr(second + 1, 4);
        }
        PutText(context.Name, name.substr(0, kNameChars));
        PutText(context.Expiry, expiry);
    } else {
        // Track 2: the number, '=' (or 'D'), the expiry.
        context.Track = 2;
        auto separator = stripe.find('=');
        if (separator == std::string::npos) {
            separator = stripe.find('D');
            if (separator != std::string::npos) {
                stripe[separator] = '=';
                buffer[separator] = '=';
            }
        }
        PutText(context.CardNumber, stripe.substr(0, std::min<std::size_t>(separator, kCardNumberChars)));
        PutText(context.Expiry,
                separator == std::string::npos ? std::string() : stripe.substr(separator + 1, 4));
    }
    const auto end = stripe.find_first_of(";?%");
    PutText(context.Stripe, stripe.substr(0, std::min<std::size_t>(end, kStripeChars)));
}

}  // namespace bwps::card

using namespace bwps::card;

extern "C" {

int ReadCardSwipe(CardContext* context)
{
    if (context == nullptr)
        return 0;
    UseColourSet(2);
    FxWindow window{};
    if (FxWindowCreate(&window, 6, 16, 13, 67, 1, 1, ' ', nullptr) != 0)
        return 0;
    FxWindowSetName(&window, "RSCCardSwipe");
    FxWindowText(&window, 2, 3, -1, "Swipe the card through the reader,", 0);
    FxWindowText(&window, 3, 3, -1, "or press Enter to type it in.", 0);
    FxPump();
    char buffer[kSwipeBuffer + 1] = {};
    const int read = ReadStripe(context, buffer);
    if (read == 0 || read == kEscaped) {
        FxWindowClose(&window, 1);
        return read;
    }
    ParseStripe(*context, buffer);
    FxWindowClose(&window, 1);
    return 1;
}

int EditCardTender(CardContext* context)
{
    if (context == nullptr)
        return 0;
    if (context->SwipeFirst == 'Y' && ReadCardSwipe(context) == kEscaped)
        return kEscaped;
    const std::string number = Cleaned(context->CardNumber);
    const std::string expiry = Cleaned(context->Expiry);
    const int result = RunCardScreen(context);
    // A stripe stands only for the card it was read from: a number or expiry
    // changed on the screen makes the tender a keyed one.
    if (context->EntryLetter == 0 || Cleaned(context->CardNumber) != number ||
        Cleaned(context->Expiry) != expiry) {
        context->EntryLetter = 0;
        std::memset(context->Stripe, 0, sizeof context->Stripe);
    }
    return result;
}

int EditCheckTender(CardContext* context)
{
    if (context == nullptr)
        return 0;
    std::array<ScreenField, kCheckTemplate.size()> fields = kCheckTemplate;
    auto* autoFill = new NoAutoFill;
    for (int number : kCheckAutoFillFields)
        fields[static_cast<std::size_t>(number - 1)].typeAhead = autoFill;
    auto releaseAutoFill = [&] {
        delete autoFill;
        for (int number : kCheckAutoFillFields)
            fields[static_cast<std::size_t>(number - 1)].typeAhead = nullptr;
    };

    CheckScreen s{};
    s.card = context;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), context->CheckMode == 2 ? 2 : 1) == 0) {
        FxAppEnd(&s.fx);
        releaseAutoFill();
        return 0;
    }
    UseColourSet(2);
    if (FxWindowCreate(&s.window, 6, 12, 16, 68, 1, 1, ' ', nullptr) != 0) {
        FxAppEnd(&s.fx);
        releaseAutoFill();
        return 0;
    }
    const char* name = context->CheckMode == 2   ? "RSEditCheckMicr"
                       : context->CheckMode == 5 ? "RSEditCheckDriversBD"
                                                 : "RSEditCheckDrivers";
    FxWindowSetName(&s.window, name);
    SetupStandardScreen(&s.form, 0, 0);
    FxReleaseKey(&s.form, FX_KEY_F1 + 7 * 0x100);  // F8
    FxReleaseKey(&s.form, FX_KEY_F1 + 4 * 0x100);  // F5
    FxReleaseKey(&s.form, FX_KEY_F1 + 5 * 0x100);  // F6
    FxSetKeyHandler(&s.form, FX_KEY_F10, CheckCheckEntry);
    s.form.newRecord = FillCheckScreen;
    FxWindowAttachForm(&s.window, &s.form, 0);
    const bool bankLine = context->CheckMode == 2;
    FxWindowText(&s.window, 2, 3, -1, bankLine ? "Bank line" : "Driver's licence", 0);
    if (context->CheckMode == 5)
        FxWindowText(&s.window, 3, 3, -1, "Birth date", 0);
    FxWindowText(&s.window, 4, 3, -1, "Licence state", 0);
    FxWindowText(&s.window, 5, 3, -1, "Check number", 0);
    FxWindowText(&s.window, 6, 3, -1, "Name", 0);
    FxWindowText(&s.window, 7, 3, -1, "Amount", 0);
    const int key = FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    releaseAutoFill();
    context->EntryLetter = 0;
    return FxIsLeaveKey(&s.fx) != 0 ? kEscaped : key;
}

}  // extern "C"

BWPS_ORDINAL(596, EditCardTender);
BWPS_ORDINAL(597, EditCheckTender);
