// Card and check authorization: the context set up for the authorizer
// folder, an authorization run from the tender screen to the stored
// transaction, the void of a stored transaction, and the questions on the
// way (decline and voice approval, address verification, retries).
#include <array>
#include <cctype>
#include <cstdlib>
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
#include "bwps/status_windows.h"
#include "bwps/table.h"
#include "fx.h"
#include "posting/card/card_internal.h"

namespace bwps::card {

namespace {

constexpr int kCardScreenOrdinal = 596;
constexpr int kCheckScreenOrdinal = 597;
constexpr int kReversalTries = 3;
constexpr int kEscaped = 27;

TenderScreen g_cardScreen = nullptr;
TenderScreen g_checkScreen = nullptr;

using Handler = int (*)(CardContext*);
// Handler numbers as stored in the context's slots: the slot number itself.
constexpr std::array<Handler, CARD_HANDLER_SLOTS + 1> kHandlers{{
    nullptr,
    CheckAuthorizer,
    BuildAndSendRequest,
    ReceiveAnswer,
    OfferVoiceApproval,
    nullptr,
    ReadParameterFile,
    ClearExchangeFiles,
    nullptr,
    CheckAddressAnswer,
    OfferVoiceAfterAddressVoid,
}};

// Asks a numbered message with a button list (its first byte the default
// slot); the button chosen, 0 when the message could not be shown.
int Ask(int message, const char* buttons)
{
    uint8_t colours[5] = {};
    SetColorSet(colours, 5);
    int choice = 1;
    return AskMessage(message, 1, &choice, buttons, colours, -1, -1, 0, 0, 0) == 0 ? choice : 0;
}

bool AskRetry() { return Ask(kRetry, MESSAGE_BUTTONS_YES_NO) == 1; }

int Box(const std::string& text, int style)
{
    return FxMessageBox(FxGetMainWindow(), text.c_str(), FxGetAppCaption(0), style, 0);
}

int RunTenderScreen(CardContext* context)
{
    const bool card = context->TenderKind == CARD_TENDER_CREDIT ||
                      context->TenderKind == CARD_TENDER_DEBIT;
    TenderScreen screen = card ? g_cardScreen : g_checkScreen;
    if (screen == nullptr)
        screen = reinterpret_cast<TenderScreen>(
            BWPSOrdinal(card ? kCardScreenOrdinal : kCheckScreenOrdinal));
    return screen != nullptr ? screen(context) : 0;
}

// SendAndWait, asking whether to try again after each failure; false when
// the clerk gives up.
bool SendWithRetries(CardContext* context)
{
    while (SendAndWait(context) == 0)
        if (!AskRetry())
            return false;
    return true;
}

uint8_t RecordKind(const CardContext& context)
{
    if (context.TenderKind == CARD_TENDER_DEBIT)
        return CARD_RECORD_DEBIT;
    if (context.TenderKind == CARD_TENDER_CHECK)
        return CARD_RECORD_CHECK;
    switch (context.Operation) {
    case CARD_OP_SALE: return CARD_RECORD_SALE;
    case CARD_OP_CREDIT: return CARD_RECORD_CREDIT;
    case CARD_OP_VOICE: return CARD_RECORD_VOICE;
    default: return CARD_RECORD_OTHER;
    }
}

CardTransactionKey KeyOf(const CardContext& context)
{
    CardTransactionKey key{};
    std::memcpy(key.InvoiceNo, context.InvoiceNo, sizeof key.InvoiceNo);
    key.Register = context.Register;
    return key;
}

// A card number as every message shows it: its last four digits, the
// others as '*'.
std::string MaskedCard(std::string number)
{
    size_t keep = 0;
    for (size_t i = number.size(); i-- > 0;)
        if (number[i] != ' ' && ++keep > 4)
            number[i] = '*';
    return number;
}

// The kind of a credit card by its number's leading digits, as the tender
// codes name them; "CREDIT" for a number of no known kind.
std::string CardKindOf(const std::string& number)
{
    std::string digits;
    for (char ch : number)
        if (std::isdigit(static_cast<unsigned char>(ch)))
            digits += ch;
    auto starts = [&](int low, int high, size_t width) {
        if (digits.size() < width)
            return false;
        const int head = std::atoi(digits.substr(0, width).c_str());
        return head >= low && head <= high;
    };
    if (starts(4, 4, 1))
        return "VISA";
    if (starts(51, 55, 2) || starts(2221, 2720, 4))
        return "M/C";
    if (starts(34, 34, 2) || starts(37, 37, 2))
        return "AMEX";
    if (starts(6011, 6011, 4) || starts(644, 649, 3) || starts(65, 65, 2))
        return "DISCOVER";
    return "CREDIT";
}

bool InsertTransaction(CardContext* context, bool unreversed)
{
    CardTransactionRecord record{};
    std::memcpy(record.InvoiceNo, context->InvoiceNo, sizeof record.InvoiceNo);
    record.Register = context->Register;
    record.Kind = RecordKind(*context);
    std::memcpy(record.CardNumber, context->CardNumber, sizeof record.CardNumber);
    std::memcpy(record.Expiry, context->Expiry, sizeof record.Expiry);
    std::memcpy(record.Approval, context->Approval, sizeof record.Approval);
    record.Approval[sizeof record.Approval - 1] = '\0';
    std::memcpy(record.PaymentMethod, context->PaymentMethod, sizeof record.PaymentMethod);
    // A credit card tendered without its tender's code is recorded by the
    // kind its number shows.
    if (context->PaymentMethod[0] == '\0' && context->TenderKind == CARD_TENDER_CREDIT)
        PutText(record.PaymentMethod, CardKindOf(TextOf(context->CardNumber)));
    std::memcpy(record.Name, context->Name, sizeof record.Name);
    record.Amount = context->Amount;
    record.Value = context->Value;
    record.Unreversed = unreversed ? static_cast<char>(CARD_RECORD_UNREVERSED) : '\0';

    Table file;
    Status s = file.Borrow(FileNo::CardTransactions, context->FileHandle);
    if (s.Ok()) {
        KeyBuffer key;
        key.Set(KeyOf(*context));
        s = file.Insert(record, &key);
    }
    if (!s.Ok()) {
        Status{s.status, B_INSERT, FileNo::CardTransactions}.Report();
        return false;
    }
    if (context->TenderKind == CARD_TENDER_CHECK) {
        const std::string field = Cleaned(context->CheckField10);
        std::string name = field.empty() ? std::string() : field + "/";
        name += TextOf(context->Name);
        PutText(context->Name, name.substr(0, sizeof context->Name - 1));
    }
    return true;
}

// An approval whose reversal never went through stays on the card: it is
// recorded marked unreversed, and the clerk is told so.
int RecordUnreversed(CardContext* context)
{
    InsertTransaction(context, true);
    Ask(kUnreversed, MESSAGE_BUTTONS_CONTINUE);
    return 0;
}

// The voice-approval screen.
struct VoiceScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    CardContext* card;
    bool accepted;
};

int FillVoiceApprovalScreen(void* raw)
{
    auto* s = static_cast<VoiceScreen*>(raw);
    if (s->card->ParameterText1[0] != '\0') {
        FxFieldSet(&s->form, 2, TextOf(s->card->ParameterText1).c_str());
        FxFieldSet(&s->form, 3, TextOf(s->card->ParameterText2).c_str());
    }
    std::memset(s->card->Approval, 0, sizeof s->card->Approval);
    FxFieldSet(&s->form, 1, "");
    return FX_GO_ON;
}

int CheckApprovalCode(void* raw)
{
    auto* s = static_cast<VoiceScreen*>(raw);
    char code[16] = {};
    std::snprintf(code, sizeof code, "%s", FxFieldGet(&s->form, 1));
    FxTrimText(5, code);
    FxTrimText(1, code);
    if (code[0] == '\0') {
        ShowMessage(kEmptyApproval, 1);
        return FX_STAY;
    }
    PutText(s->card->Approval, code);
    s->card->Operation = CARD_OP_VOICE_SCREEN;
    s->accepted = true;
    return FX_LEAVE;
}

// 1 when an approval code was typed and accepted with F10.
int VoiceApprovalScreen(CardContext* context)
{
    if (CallSlot(context, kReadParameters) == 0)
        return 0;
    static constexpr std::array<ScreenField, 4> kFields{{
        bwps::Field(1, 1, 20, "%-6s").Flags(FX_FIELD_UPPER),
        bwps::Field(2, 2, 20, "%-15s").DisplayOnly(),
        bwps::Field(3, 3, 20, "%-30s").DisplayOnly(),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    VoiceScreen s{};
    s.card = context;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 1) == 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    uint8_t colours[5] = {};
    SetColorSet(colours, 2);
    if (FxWindowCreate(&s.window, 5, 12, 9, 65, 1, 1, ' ', nullptr) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    FxWindowSetName(&s.window, "RSCCardForce");
    SetupStandardScreen(&s.form, 0, 0);
    FxSetKeyHandler(&s.form, FX_KEY_F10, CheckApprovalCode);
    s.form.newRecord = FillVoiceApprovalScreen;
    s.form.question = AskChoiceMessage;
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxWindowText(&s.window, 1, 3, -1, "Approval code:", 0);
    const int key = FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    return s.accepted && key != kEscaped ? 1 : 0;
}

int RunVoiceApproval(CardContext* context)
{
    if (VoiceApprovalScreen(context) == 0)
        return 0;
    if (SendAndWait(context) == 0)
        return 0;
    return context->ApprovalLetter == 'Y' && RecordCardTransaction(context) ? 1 : 0;
}

std::string FormatAmount(double amount)
{
    char text[32] = {};
    FxFormatAmount(amount, text, 2);
    return text;
}

}  // namespace

int CallSlot(CardContext* context, int slot)
{
    if (context == nullptr || slot < 1 || slot > CARD_HANDLER_SLOTS)
        return 0;
    const uint32_t number = context->Handlers[slot - 1];
    if (number == 0 || number >= kHandlers.size() || kHandlers[number] == nullptr)
        return 0;
    return kHandlers[number](context);
}

void InstallHandlers(CardContext* context)
{
    for (int slot = 1; slot <= CARD_HANDLER_SLOTS; ++slot)
        context->Handlers[slot - 1] = kHandlers[static_cast<std::size_t>(slot)] != nullptr
                                          ? static_cast<uint32_t>(slot)
                                          : 0;
}

void SetTenderScreens(TenderScreen card, TenderScreen check)
{
    g_cardScreen = card;
    g_checkScreen = check;
}

void ResetCardAuthorizationState()
{
    g_cardScreen = nullptr;
    g_checkScreen = nullptr;
    ResetExchangeState();
}

int OfferVoiceApproval(CardContext* context)
{
    const std::string text =
        "Unable to get approval for this Payment Transaction.\nFinancial Processor response was "
        "the following :\n\n" +
        TextOf(context->Approval) + "\n\nDo you want to enter Voice Approval ?";
    if (Box(text, FX_MB_YESNO | FX_MB_ICONEXCLAMATION) != FX_ID_YES)
        return 0;
    return RunVoiceApproval(context);
}

int CheckAddressAnswer(CardContext* context)
{
    const std::string answer = TextOf(context->AnswerText);
    const char letter = AddressResultLetter(answer.c_str());
    const int message = AddressResultMessage(letter);
    if (letter == 'X' || letter == 'Y')
        return Ask(message, MESSAGE_BUTTONS_CONTINUE) == 1 ? 1 : 0;
    const TagSysInterface* settings = GetSysInterfaceRecord();
    if (settings != nullptr && settings->CardAddressEntry == 'A') {
        Ask(message, MESSAGE_BUTTONS_CONTINUE);
        return 0;
    }
    return Ask(message, " Accept,Void") == 1 ? 1 : 0;
}

int OfferVoiceAfterAddressVoid(CardContext* context)
{
    const char letter = AddressResultLetter(TextOf(context->AnswerText).c_str());
    std::string text =
        "Address verification failed for this payment transaction.\nFinancial Processor "
        "response was the following :\n\nAVS=";
    if (letter != 0)
        text += letter;
    text += "\n\nThe transaction has been successfully voided.\n\nDo you want to enter Voice "
            "Approval ?";
    if (Box(text, FX_MB_YESNO | FX_MB_ICONEXCLAMATION) != FX_ID_YES)
        return 0;
    return RunVoiceApproval(context);
}

}  // namespace bwps::card

using namespace bwps;
using namespace bwps::card;

extern "C" {

int CheckCardNumber(const char*) { return 1; }

uint8_t SetupCardAuthorization(CardContext* context, const char* folder, int32_t sequence)
{
    if (context == nullptr)
        return 0;
    std::memset(context, 0, sizeof *context);
    std::snprintf(context->Folder, sizeof context->Folder - 1, "%s", folder != nullptr ? folder : "");
    FxFolderWithSeparator(context->Folder);
    context->Sequence = sequence;

    context->Kind = CARD_KIND_NONE;
    const TagSysInterface* settings = GetSysInterfaceRecord();
    if (settings != nullptr && settings->CardAuthorizer == 'Y') {
        if (CheckAuthorizer(context) != 0)
            context->Kind = CARD_KIND_AUTHORIZER;
        else
            ShowMessage(kNotAvailable, 1);
    }
    if (context->Kind == CARD_KIND_NONE && sequence != 1)
        context->Kind = CARD_KIND_AUTHORIZER;

    if (context->Kind == CARD_KIND_NONE) {
        context->Ready = 0;
    } else if (context->Kind != CARD_KIND_AUTHORIZER) {
        ShowMessage(kNotAvailable, 1);
        context->Ready = 0;
    } else {
        std::snprintf(context->RequestName, sizeof context->RequestName, "AUTH%.4d.IN",
                      static_cast<int>(sequence));
        std::snprintf(context->AnswerName, sizeof context->AnswerName, "AUTH%.4d.OUT",
                      static_cast<int>(sequence));
        InstallHandlers(context);
        context->State = CARD_STATE_READY;
    }
    return context->Ready;
}

int RecordCardTransaction(CardContext* context)
{
    return context != nullptr && InsertTransaction(context, false) ? 1 : 0;
}

int RunCardAuthorization(CardContext* context)
{
    if (context == nullptr)
        return 0;
    if (context->Kind != CARD_KIND_AUTHORIZER) {
        ShowMessage(kNotAvailable, 1);
        return 0;
    }
    if (context->Amount >= 0.0) {
        context->Operation = CARD_OP_SALE;
    } else {
        context->Amount = -context->Amount;
        context->Operation = CARD_OP_CREDIT;
    }
    std::memset(context->CardNumber, 0, sizeof context->CardNumber);
    std::memset(context->Expiry, 0, sizeof context->Expiry);
    std::memset(context->Approval, 0, sizeof context->Approval);
    std::memset(context->Name, 0, sizeof context->Name);
    std::memset(context->ParameterText2, 0, sizeof context->ParameterText2);
    std::memset(context->CheckField2, 0, sizeof context->CheckField2);
    std::memset(context->BankLine, 0, sizeof context->BankLine);
    std::memset(context->AddressText1, 0, sizeof context->AddressText1);
    std::memset(context->AddressText2, 0, sizeof context->AddressText2);
    const int screen = RunTenderScreen(context);
    if (screen == 0 || screen == kEscaped)
        return 0;

    if (!SendWithRetries(context))
        return 0;
    if (context->ApprovalLetter != 'Y')
        return CallSlot(context, kDecline);
    if (context->AddressFlag == 0 || CallSlot(context, kAddressCheck) != 0)
        return RecordCardTransaction(context);

    // The address was refused: the approval is reversed by the opposite
    // operation, without the address texts. A reversal that does not go
    // through is tried a few times, then the clerk decides; an approval
    // left standing is recorded as such.
    CardContext reversal = *context;
    std::memset(reversal.AddressText1, 0, sizeof reversal.AddressText1);
    std::memset(reversal.AddressText2, 0, sizeof reversal.AddressText2);
    reversal.Operation = context->Operation == CARD_OP_SALE ? CARD_OP_CREDIT : CARD_OP_SALE;
    for (int tries = 1; SendAndWait(&reversal) == 0; ++tries) {
        if (tries < kReversalTries)
            continue;
        if (!AskRetry())
            return RecordUnreversed(context);
        tries = 0;
    }
    if (reversal.ApprovalLetter != 'Y')
        return RecordUnreversed(context);
    return CallSlot(context, kAddressDecline);
}

int VoidCardTransaction(CardContext* context)
{
    if (context == nullptr)
        return 0;
    if (context->Kind != CARD_KIND_AUTHORIZER) {
        ShowMessage(kNotAvailable, 1);
        return 0;
    }
    Table file;
    Status s = file.Borrow(FileNo::CardTransactions, context->FileHandle);
    CardTransactionRecord stored{};
    if (s.Ok())
        s = file.Find(KeyOf(*context), stored);
    if (!s.Ok() && !s.Is(B_KEY_NOT_FOUND)) {
        s.Report();
        return 0;
    }
    // Debit cards and checks cannot be voided here, nor can a transaction
    // twice.
    if (s.Is(B_KEY_NOT_FOUND) || stored.Kind == CARD_RECORD_DEBIT ||
        stored.Kind == CARD_RECORD_CHECK || stored.PreviousKind != 0) {
        const std::string invoice = TextOf(context->InvoiceNo);
        const std::string amount = FormatAmount(s.Ok() ? stored.Amount : context->Amount);
        const std::string card = MaskedCard(s.Ok() ? TextOf(stored.CardNumber) : TextOf(context->CardNumber));
        const std::string expiry = s.Ok() ? TextOf(stored.Expiry) : TextOf(context->Expiry);
        ShowErrorMessageWindow(kVoidRefused, 0, 1, 1, invoice.c_str(), amount.c_str(), card.c_str(),
                               expiry.c_str(), nullptr);
        return 0;
    }

    char text[1024];
    std::snprintf(text, sizeof text,
                  "This Credit Card transaction was previously Verified On-Line\n\nOrder "
                  "Number\t: %s\nAmount\t\t: %s\nAccount Number\t: %s\nExpiration Date\t: "
                  "%s\nApproval Code\t: %s\nPayment Method\t: %s\n\nDo you want to issue a Void or "
                  "Credit ?",
                  TextOf(stored.InvoiceNo).c_str(), FormatAmount(stored.Amount).c_str(),
                  MaskedCard(TextOf(stored.CardNumber)).c_str(), TextOf(stored.Expiry).c_str(),
                  TextOf(stored.Approval).c_str(), TextOf(stored.PaymentMethod).c_str());
    if (Box(text, FX_MB_YESNO | FX_MB_ICONQUESTION) != FX_ID_YES)
        return 0;

    context->Amount = stored.Amount;
    std::memcpy(context->CardNumber, stored.CardNumber, sizeof context->CardNumber);
    std::memcpy(context->Expiry, stored.Expiry, sizeof context->Expiry);
    std::memcpy(context->PaymentMethod, stored.PaymentMethod, sizeof context->PaymentMethod);
    // The stripe is not kept: the void goes as a keyed card.
    context->EntryLetter = 0;
    std::memset(context->Stripe, 0, sizeof context->Stripe);
    context->Operation = stored.Kind == CARD_RECORD_SALE ? CARD_OP_CREDIT : CARD_OP_SALE;

    if (!SendWithRetries(context))
        return 0;
    if (context->ApprovalLetter != 'Y')
        return CallSlot(context, kDecline);

    stored.PreviousKind = stored.Kind;
    stored.Kind = CARD_RECORD_VOICE;
    KeyBuffer key;
    key.Set(KeyOf(*context));
    CardTransactionRecord current{};
    s = file.Find(KeyOf(*context), current);
    if (s.Ok())
        s = file.Update(stored, &key);
    if (!s.Ok()) {
        Status{s.status, B_UPDATE, FileNo::CardTransactions}.Report();
        return 0;
    }
    return 1;
}

}  // extern "C"

BWPS_ORDINAL(706, CheckCardNumber);
BWPS_ORDINAL(707, SetupCardAuthorization);
BWPS_ORDINAL(708, RunCardAuthorization);
BWPS_ORDINAL(709, VoidCardTransaction);
