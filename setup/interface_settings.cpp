// The store's interface settings ("0sysinterface  "): the system-options
// screen with the running document numbers, the accounting-interface screen
// and the link to an accounting company.
#include "bwps/interface_settings.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/editor_frame.h"
#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/products.h"
#include "bwps/record_helpers.h"
#include "bwps/records.h"
#include "bwps/records/masters.h"
#include "bwps/records/tenders.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "bwps/versions.h"
#include "fx.h"
#include "recman.h"

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

constexpr int kColourSetScreen = 2;
constexpr int kColourSetQuestion = 5;
constexpr int kLockedRead = B_GET_EQUAL + B_LOCK_MULTI_NOWAIT;
constexpr int kNumberWidth = 10;

// Messages.
constexpr int kMsgDifferenceAccount = 1706;
constexpr int kMsgEmptyCode = 193;
constexpr int kMsgAccountMissing = 233;
constexpr int kMsgGeneralAccount = 289;
constexpr int kMsgOlderAccounting = 459;
constexpr int kMsgNoAccounting = 457;
constexpr int kMsgTenderMissing = 507;
constexpr int kMsgAccountEmpty = 583;
constexpr int kMsgNumbersChanged = 1017;
constexpr int kMsgNumberLower = 1069;
constexpr int kMsgBadNumber = 1423;
constexpr int kMsgProductActivity = 1489;
constexpr int kMsgPasswordsDiffer = 1636;
constexpr int kMsgPasswordEmpty = 1700;

KeyBuffer GeneralKey(const char* key)
{
    KeyBuffer buffer;
    std::memcpy(buffer.bytes, key, GENERAL_KEY_SIZE);
    return buffer;
}

template <std::size_t N>
void PutText(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    if (text != nullptr)
        std::strncpy(field, text, N - 1);
}

template <std::size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

bool IsBlank(const char* text)
{
    return FxIsEmpty(text) != 0;
}

const uint8_t* QuestionColours()
{
    return GetSessionPaths()->ColorTable + COLOR_SET_SIZE * kColourSetQuestion;
}

int Ask(int number, const char* buttons)
{
    char list[64];
    std::snprintf(list, sizeof list, "%s", buttons);
    int choice = 1;
    if (AskMessage(number, 1, &choice, list, QuestionColours(), -1, -1, 0, 0, 0) != 0)
        return 0;
    return choice;
}

// A whole number from 0 to 2147483647 typed into a text field.
bool ParseRunningNumber(const char* text, int32_t* out)
{
    const std::string s = Trimmed(text);
    if (s.empty() || s.size() > 10)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    const long long value = std::strtoll(s.c_str(), nullptr, 10);
    if (value > 2147483647LL)
        return false;
    *out = static_cast<int32_t>(value);
    return true;
}

std::string NumberText(int32_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
    FxRightAlignNumber(text, kNumberWidth);
    return text;
}

// Choice fields: options count from 1 in the order of their lists.
int OptionOfFlag(int value, bool yesFirst)
{
    const bool yes = value == 'Y';
    return yesFirst ? (yes ? 1 : 2) : (yes ? 2 : 1);
}

char FlagOfOption(int option, bool yesFirst)
{
    const bool yes = yesFirst ? option == 1 : option == 2;
    return yes ? 'Y' : 'N';
}

int OptionOfLevel(int value)
{
    return value == 0 || value == 1 ? 1 : value == 2 ? 2 : 3;
}

int OptionOfLetter(char value)
{
    return value == 'W' ? 2 : value == 'E' ? 3 : 1;
}

char LetterOfOption(int option)
{
    return option == 2 ? 'W' : option == 3 ? 'E' : 'N';
}

// ============================================================ system options

enum : int {
    F_STATION_PROMPT = 1, F_PASSWORDS = 2, F_WORD53 = 3, F_WORD25 = 4, F_INTERFACED_CHAR = 5,
    F_BLANK_CUSTOMER = 6, F_DEVICE_ACCESS = 7, F_WORD55 = 8, F_POSTING = 9, F_POSTING_FLAG = 10,
    F_WORD71 = 11, F_TAX = 12, F_TERMS = 13, F_TENDER = 14, F_CARD = 15, F_CARD_ADDRESS = 16,
    F_CARD_PROGRAM = 17, F_WORD29 = 18, F_WORD27 = 19, F_WORD37 = 20, F_FLAG447 = 21, F_WORD79 = 22,
    F_WORD23 = 23, F_LOOKUP_ORDER = 24, F_SERIAL_LEVEL = 25, F_SERIAL_BYTE = 26, F_WORD35 = 27,
    F_BYTE442 = 28, F_NUMBER39 = 29, F_HISTORY = 30, F_ACTIVITY = 31, F_PERIOD_TOTALS = 32,
    F_TIME_CLOCK = 33, F_BYTE441 = 34, F_NUMBER_THIRD = 35, F_NUMBER_FIRST = 36,
    F_NUMBER_SECOND = 37, F_NUMBER_FOURTH = 38, F_NUMBER_FIFTH = 39, F_NUMBER_SIXTH = 40,
    F_LIMIT_1 = 41, F_LIMIT_2 = 42, F_PASSWORD_REQUIRED = 43, F_PASSWORD = 44, F_CONFIRMATION = 45
};

// The running numbers: screen field and index of the stored counter.
constexpr struct {
    int field;
    int counter;
} kRunningNumbers[] = {
    {F_NUMBER_FIRST, LASTNUMBER_FIRST},   {F_NUMBER_SECOND, LASTNUMBER_SECOND},
    {F_NUMBER_THIRD, LASTNUMBER_THIRD},   {F_NUMBER_FOURTH, LASTNUMBER_FOURTH},
    {F_NUMBER_FIFTH, LASTNUMBER_FIFTH},   {F_NUMBER_SIXTH, LASTNUMBER_SIXTH},
};

// A 16-bit word of the packed record, read and written byte-wise: the
// record keeps no alignment.
int16_t GetWord(const TagSysInterface& r, int16_t TagSysInterface::*word)
{
    int16_t value;
    std::memcpy(&value, &(r.*word), sizeof value);
    return value;
}

void SetWord(TagSysInterface& r, int16_t TagSysInterface::*word, int value)
{
    const auto v = static_cast<int16_t>(value);
    std::memcpy(&(r.*word), &v, sizeof v);
}

// Words holding 0/1 behind a "No,Yes" list.
struct WordField {
    int field;
    int16_t TagSysInterface::*word;
};
constexpr WordField kZeroOneWords[] = {
    {F_STATION_PROMPT, &TagSysInterface::StationPrompt}, {F_WORD53, &TagSysInterface::Word53},
    {F_WORD25, &TagSysInterface::Word25},                {F_BLANK_CUSTOMER, &TagSysInterface::SessionOption},
    {F_WORD55, &TagSysInterface::CheckJournalPrinted},   {F_WORD29, &TagSysInterface::Word29},
    {F_WORD27, &TagSysInterface::Word27},                {F_WORD37, &TagSysInterface::Word37},
    {F_WORD23, &TagSysInterface::Word23},                {F_WORD35, &TagSysInterface::Word35},
};
// Words holding 'Y'/'N'; yesFirst for a "Yes,No" list.
struct FlagWordField {
    int field;
    int16_t TagSysInterface::*word;
    bool yesFirst;
};
constexpr FlagWordField kFlagWords[] = {
    {F_WORD71, &TagSysInterface::VerifyBeforeCopy, true}, {F_HISTORY, &TagSysInterface::SystemByte43, true},
    {F_PERIOD_TOTALS, &TagSysInterface::SystemByte44, true}, {F_TIME_CLOCK, &TagSysInterface::TimeClock, true},
    {F_WORD79, &TagSysInterface::Word79, true},
};
// Bytes holding 'Y'/'N'.
struct FlagByteField {
    int field;
    char TagSysInterface::*byte;
    bool yesFirst;
};
constexpr FlagByteField kFlagBytes[] = {
    {F_PASSWORDS, &TagSysInterface::PasswordsInForce, false},
    {F_INTERFACED_CHAR, &TagSysInterface::InterfacedChar, false},
    {F_POSTING_FLAG, &TagSysInterface::DescribeBySale, false},
    {F_CARD, &TagSysInterface::CardAuthorizer, false},
    {F_FLAG447, &TagSysInterface::Flag447, false},
    {F_ACTIVITY, &TagSysInterface::ProductActivity, true},
    {F_BYTE441, &TagSysInterface::OpeningAmount, true},
    {F_PASSWORD_REQUIRED, &TagSysInterface::SystemByte49, true},
};

constexpr const char kNoYes[] = "No,Yes";
constexpr const char kYesNo[] = "Yes,No";
constexpr const char kLevels[] = "No,Form Level,Detail Line Level";
constexpr const char kLimits[] = "No,Warn,Enforce";

struct OptionsScreen {
    FxContext fx;  // first: the framework hands it to the handlers
    FxForm form;
    FxWindow window;
    uint16_t files[30];
    TagSysInterface record;
    char confirmation[16];
    char pathBuffer[260];
    uint8_t colours[COLOR_SET_SIZE];
    char loadedActivity;
    char loadedPasswords;
    bool interfaced;
    int32_t storedFirst;
    std::string keptTax;
    std::string shownPath;
    std::string shownNumbers[F_NUMBER_SIXTH + 1];
};

// Handle slots of the files the screen opens.
enum { SLOT_GENERAL = 0, SLOT_TAX = 1, SLOT_TERMS = 2, SLOT_TENDERS = 3 };

OptionsScreen* Options(void* context)
{
    return static_cast<OptionsScreen*>(context);
}

std::string Field(FxForm* form, int field)
{
    const char* text = FxFieldGet(form, field);
    return text != nullptr ? text : "";
}

void Protect(FxForm* form, int field, bool on)
{
    FxFieldSetDisplayOnly(form, field, on ? 1 : 0);
}

// "By Period" forces the posting flag to "No".
void ApplyPostingRule(OptionsScreen* s)
{
    if (FxChoiceGet(&s->form, F_POSTING) == 1) {
        FxChoiceSet(&s->form, F_POSTING_FLAG, 1);
        Protect(&s->form, F_POSTING_FLAG, true);
    } else {
        Protect(&s->form, F_POSTING_FLAG, false);
    }
}

// The password and its confirmation; target 0 from a field's exit, else the
// field that gets the cursor after a refusal from the save.
int PasswordCheck(OptionsScreen* s, int target)
{
    auto refuse = [&]() {
        if (target == 0)
            return static_cast<int>(FX_STAY);
        FxFocusField(&s->form, target);
        return static_cast<int>(FX_STAY_FOCUSED);
    };
    const std::string password = Trimmed(FxFieldGet(&s->form, F_PASSWORD));
    if (FxChoiceGet(&s->form, F_PASSWORD_REQUIRED) == 1 && password.empty()) {
        ShowMessage(kMsgPasswordEmpty, 1);
        return refuse();
    }
    if (password != Trimmed(FxFieldGet(&s->form, F_CONFIRMATION))) {
        ShowMessage(kMsgPasswordsDiffer, 1);
        FxFieldSet(&s->form, F_CONFIRMATION, "");
        return refuse();
    }
    return FX_GO_ON;
}

int ApplyPasswordRule(OptionsScreen* s, bool check)
{
    if (FxChoiceGet(&s->form, F_PASSWORD_REQUIRED) == 1) {
        Protect(&s->form, F_PASSWORD, false);
        Protect(&s->form, F_CONFIRMATION, false);
        return FX_GO_ON;
    }
    if (check) {
        const int answer = PasswordCheck(s, 0);
        if (answer != FX_GO_ON)
            return answer;
    }
    Protect(&s->form, F_PASSWORD, true);
    Protect(&s->form, F_CONFIRMATION, true);
    return FX_GO_ON;
}

void ShowRecord(OptionsScreen* s, const TagLastNumbers* numbers, const int32_t* accountingNumber)
{
    FxForm* form = &s->form;
    TagSysInterface& r = s->record;
    for (const auto& w : kZeroOneWords)
        FxChoiceSet(form, w.field, GetWord(r, w.word) == 1 ? 2 : 1);
    for (const auto& w : kFlagWords)
        FxChoiceSet(form, w.field, OptionOfFlag(GetWord(r, w.word), w.yesFirst));
    for (const auto& b : kFlagBytes)
        FxChoiceSet(form, b.field, OptionOfFlag(r.*b.byte, b.yesFirst));
    FxChoiceSet(form, F_DEVICE_ACCESS, r.OptionSet != 0 ? 2 : 1);
    FxChoiceSet(form, F_POSTING, r.PostingVariant == 1 ? 2 : 1);
    FxChoiceSet(form, F_CARD_ADDRESS, r.CardAddressEntry == 'A' ? 2 : r.CardAddressEntry == 'N' ? 3 : 1);
    FxChoiceSet(form, F_LOOKUP_ORDER, r.LookupOrder == 2 ? 2 : 1);
    FxChoiceSet(form, F_SERIAL_LEVEL, OptionOfLevel(r.SerialLevel));
    FxChoiceSet(form, F_SERIAL_BYTE, OptionOfLevel(r.SerialLevelByte));
    FxChoiceSet(form, F_BYTE442, r.Byte442 == 1 ? 2 : 1);
    FxChoiceSet(form, F_LIMIT_1, OptionOfLetter(r.SystemByte47));
    FxChoiceSet(form, F_LIMIT_2, OptionOfLetter(r.SystemByte48));
    FxFieldSet(form, F_TAX, FieldText(r.DefaultTaxCode).c_str());
    FxFieldSet(form, F_TERMS, FieldText(r.Text96).c_str());
    FxFieldSet(form, F_TENDER, FieldText(r.TenderCode).c_str());
    if (IsBlank(FieldText(r.CardProgram).c_str()))
        std::memset(r.CardProgram, 0, sizeof r.CardProgram);
    FxFieldSet(form, F_CARD_PROGRAM, FieldText(r.CardProgram).c_str());
    s->shownPath = Field(form, F_CARD_PROGRAM);
    char number[16];
    std::snprintf(number, sizeof number, "%d", r.Number39);
    FxFieldSet(form, F_NUMBER39, number);

    for (const auto& n : kRunningNumbers) {
        std::string text;
        if (n.field == F_NUMBER_SIXTH && accountingNumber != nullptr)
            text = NumberText(*accountingNumber);
        else if (numbers != nullptr)
            text = NumberText(numbers->Counters[n.counter]);
        FxFieldSet(form, n.field, text.c_str());
        s->shownNumbers[n.field] = Field(form, n.field);
    }
}

// The screen into the record (the inverse of ShowRecord).
void TakeRecord(OptionsScreen* s)
{
    FxForm* form = &s->form;
    TagSysInterface& r = s->record;
    for (const auto& w : kZeroOneWords)
        SetWord(r, w.word, FxChoiceGet(form, w.field) == 2 ? 1 : 0);
    for (const auto& w : kFlagWords)
        SetWord(r, w.word, FlagOfOption(FxChoiceGet(form, w.field), w.yesFirst));
    for (const auto& b : kFlagBytes)
        r.*b.byte = FlagOfOption(FxChoiceGet(form, b.field), b.yesFirst);
    r.OptionSet = FxChoiceGet(form, F_DEVICE_ACCESS) == 2 ? 1 : 0;
    r.PostingVariant = FxChoiceGet(form, F_POSTING) == 2 ? 1 : 0;
    const int address = FxChoiceGet(form, F_CARD_ADDRESS);
    r.CardAddressEntry = address == 2 ? 'A' : address == 3 ? 'N' : 'O';
    r.LookupOrder = static_cast<int16_t>(FxChoiceGet(form, F_LOOKUP_ORDER) == 2 ? 2 : 1);
    r.SerialLevel = static_cast<int16_t>(std::max(1, FxChoiceGet(form, F_SERIAL_LEVEL)));
    r.SerialLevelByte = static_cast<uint8_t>(std::max(1, FxChoiceGet(form, F_SERIAL_BYTE)));
    r.Byte442 = FxChoiceGet(form, F_BYTE442) == 2 ? 1 : 0;
    r.SystemByte47 = LetterOfOption(FxChoiceGet(form, F_LIMIT_1));
    r.SystemByte48 = LetterOfOption(FxChoiceGet(form, F_LIMIT_2));
    PutText(r.DefaultTaxCode, Trimmed(FxFieldGet(form, F_TAX)).c_str());
    PutText(r.Text96, Trimmed(FxFieldGet(form, F_TERMS)).c_str());
    PutText(r.TenderCode, Trimmed(FxFieldGet(form, F_TENDER)).c_str());
    // The path field shows only the head of a long path: an untouched field
    // keeps the whole stored path.
    const std::string path = Field(form, F_CARD_PROGRAM);
    if (path != s->shownPath) {
        char text[sizeof r.CardProgram] = {};
        std::strncpy(text, path.c_str(), sizeof text - 1);
        FxTrimText(5, text);
        std::memset(r.CardProgram, 0, sizeof r.CardProgram);
        std::memcpy(r.CardProgram, text, std::strlen(text));
    }
    r.Number39 = static_cast<int16_t>(std::atoi(Trimmed(FxFieldGet(form, F_NUMBER39)).c_str()));
    PutText(r.SystemText, Trimmed(FxFieldGet(form, F_PASSWORD)).c_str());
    FxPasswordToStored(r.SystemText);
    PutText(s->confirmation, Trimmed(FxFieldGet(form, F_CONFIRMATION)).c_str());
}

int OptionsLoad(void* context)
{
    OptionsScreen* s = Options(context);
    FxForm* form = &s->form;
    Table general;
    general.Borrow(FileNo::General, s->files[SLOT_GENERAL]);

    TagLastNumbers numbers{};
    KeyBuffer key = GeneralKey(GENERAL_KEY_LASTNUMBERS);
    const bool haveNumbers = general.Get(B_GET_EQUAL, key.bytes, &numbers, sizeof numbers).Ok();
    s->storedFirst = numbers.Counters[LASTNUMBER_FIRST];

    std::memset(&s->record, 0, sizeof s->record);
    key = GeneralKey(GENERAL_KEY_SYSINTERFACE);
    const Status read = general.Get(B_GET_EQUAL, key.bytes, &s->record, sizeof s->record);
    if (!read.Ok()) {
        read.Report();
        return FX_STAY;
    }
    FxAttachFolderBrowse(form, F_CARD_PROGRAM, "Select the Credit Card Verification program path.",
                         s->pathBuffer);

    s->interfaced = IsInterfacedToAccounting() != 0;
    ApplySysInterfaceFlags(&s->record);
    int32_t accountingNumber = 0;
    if (s->interfaced) {
        if (!ApplySysInterfaceFlags(&s->record))
            return FX_STAY;
        Table accounting;
        Status st = accounting.Open(FileNo::AccountingGeneral);
        if (st.Ok()) {
            TagTransInfo info{};
            key = GeneralKey(GENERAL_KEY_TRANSINFO);
            st = accounting.Get(B_GET_EQUAL, key.bytes, &info, sizeof info);
            if (st.Ok())
                accountingNumber = info.Counters[TRANSINFO_SHOWN_NUMBER];
        }
        st.Report();
        for (int field : {F_HISTORY, F_ACTIVITY, F_PERIOD_TOTALS, F_NUMBER_SIXTH, F_LIMIT_1, F_LIMIT_2,
                          F_PASSWORD_REQUIRED, F_PASSWORD, F_CONFIRMATION})
            Protect(form, field, true);
    }

    std::memset(s->confirmation, 0, sizeof s->confirmation);
    char plain[sizeof s->record.SystemText + 1] = {};
    std::memcpy(plain, s->record.SystemText, sizeof s->record.SystemText);
    FxPasswordToPlain(plain);
    FxFieldSet(form, F_PASSWORD, plain);
    FxFieldSet(form, F_CONFIRMATION, plain);
    std::memcpy(s->confirmation, plain, std::min(sizeof s->confirmation - 1, std::strlen(plain)));

    ShowRecord(s, haveNumbers ? &numbers : nullptr, s->interfaced ? &accountingNumber : nullptr);
    ApplyPostingRule(s);
    s->loadedActivity = s->record.ProductActivity;
    s->loadedPasswords = s->record.PasswordsInForce;
    if (!s->interfaced)
        ApplyPasswordRule(s, false);
    return FX_GO_ON;
}

int OnPostingLeft(void* context)
{
    ApplyPostingRule(Options(context));
    return FX_GO_ON;
}

int OnTaxEntered(void* context)
{
    OptionsScreen* s = Options(context);
    s->keptTax = Field(&s->form, F_TAX);
    return FX_GO_ON;
}

// A tax code that must exist (ReadTaxRecord shows the missing code's message).
bool TaxCodeExists(OptionsScreen* s, const std::string& code)
{
    TaxRecord tax{};
    return ReadTaxRecord(s->files[SLOT_TAX], code.c_str(), &tax) != 0;
}

int OnTaxLeft(void* context)
{
    OptionsScreen* s = Options(context);
    const std::string code = Trimmed(FxFieldGet(&s->form, F_TAX));
    if (code.empty() || Field(&s->form, F_TAX) == s->keptTax)
        return FX_GO_ON;
    TaxRecord tax{};
    if (!ReadTaxRecord(s->files[SLOT_TAX], code.c_str(), &tax))
        return FX_STAY;
    FxFieldSet(&s->form, F_TAX, FieldText(tax.Code).c_str());
    return FX_GO_ON;
}

// A tender code: blank passes, else it must be in the tender file.
bool TenderCodeAccepted(OptionsScreen* s)
{
    const std::string code = Trimmed(FxFieldGet(&s->form, F_TENDER));
    if (code.empty())
        return true;
    Table tenders;
    tenders.Borrow(FileNo::Tenders, s->files[SLOT_TENDERS]);
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min(code.size(), sizeof(TagTender::Code) - 1));
    TagTender tender{};
    const Status st = tenders.Get(B_GET_EQUAL, key.bytes, &tender, sizeof tender);
    if (st.Ok())
        return true;
    if (st.Is(B_KEY_NOT_FOUND))
        ShowMessage(kMsgTenderMissing, 1);
    else
        st.Report();
    return false;
}

int OnTenderLeft(void* context)
{
    return TenderCodeAccepted(Options(context)) ? FX_GO_ON : FX_STAY;
}

int OnFirstNumberEntered(void* context)
{
    OptionsScreen* s = Options(context);
    s->shownNumbers[F_NUMBER_FIRST] = Field(&s->form, F_NUMBER_FIRST);
    return FX_GO_ON;
}

int CheckNumberField(OptionsScreen* s, int field)
{
    const std::string text = Field(&s->form, field);
    if (text == s->shownNumbers[field])
        return FX_GO_ON;
    int32_t value = 0;
    if (!ParseRunningNumber(text.c_str(), &value)) {
        ShowMessage(kMsgBadNumber, 1);
        return FX_STAY;
    }
    return FX_GO_ON;
}

int OnFirstNumberLeft(void* context)
{
    OptionsScreen* s = Options(context);
    const std::string text = Field(&s->form, F_NUMBER_FIRST);
    if (text == s->shownNumbers[F_NUMBER_FIRST])
        return FX_GO_ON;
    int32_t value = 0;
    if (!ParseRunningNumber(text.c_str(), &value)) {
        ShowMessage(kMsgBadNumber, 1);
        return FX_STAY;
    }
    if (value < s->storedFirst) {
        const int choice = Ask(kMsgNumberLower, "\001Yes,No");
        if (choice != 1) {
            FxFieldSet(&s->form, F_NUMBER_FIRST, NumberText(s->storedFirst).c_str());
            return FX_STAY;
        }
    }
    return FX_GO_ON;
}

int OnNumberLeft(void* context)
{
    OptionsScreen* s = Options(context);
    return CheckNumberField(s, s->form.currentField);
}

int OnPasswordRequiredLeft(void* context)
{
    OptionsScreen* s = Options(context);
    return ApplyPasswordRule(s, s->fx.key != FX_KEY_F10);
}

int OnConfirmationLeft(void* context)
{
    OptionsScreen* s = Options(context);
    const int key = s->fx.key;
    if (key == FX_KEY_F10 || key == FX_KEY_UP || key == FX_KEY_SHIFT_TAB)
        return FX_GO_ON;
    return PasswordCheck(s, 0);
}

int OnOptionsLookup(void* context)
{
    OptionsScreen* s = Options(context);
    switch (s->form.currentField) {
    case F_TENDER: {
        TagTender tender{};
        const std::string text = Trimmed(FxFieldGet(&s->form, F_TENDER));
        if (!LookupTender(text.empty() ? nullptr : text.c_str(), 1, s->files[SLOT_TENDERS], &tender, 5, 13, 13, 55,
                          EditTendersFromList))
            return FX_STAY;
        FxFieldSet(&s->form, F_TENDER, FieldText(tender.Code).c_str());
        return TenderCodeAccepted(s) ? FX_LOOKUP_SET : FX_STAY;
    }
    case F_TAX: {
        TaxRecord tax{};
        if (!FlyTaxes(nullptr, 0, s->files[SLOT_TAX], &tax, 5, 28, 8, 31, nullptr))
            return FX_STAY;
        FxFieldSet(&s->form, F_TAX, FieldText(tax.Code).c_str());
        s->keptTax = Field(&s->form, F_TAX);
        return FX_LOOKUP_SET;
    }
    case F_TERMS: {
        TagTermsRecord terms{};
        if (!FlyTerms(nullptr, 0, s->files[SLOT_TERMS], &terms, 5, 27, 10, 45, nullptr))
            return FX_STAY;
        FxFieldSet(&s->form, F_TERMS, FieldText(terms.Code).c_str());
        return FX_LOOKUP_SET;
    }
    default:
        return FX_STAY;
    }
}

int OnFirstNumberKey(void* context)
{
    OptionsScreen* s = Options(context);
    FxFocusField(&s->form, F_NUMBER_THIRD);
    return FX_STAY_FOCUSED;
}

// Non-zero when the product file holds records of an older, shorter layout.
int ProductFileIsOlder()
{
    return QueryProductFile(0);
}

// Stores the six running numbers; interfaced, the stored sixth one stays.
void SaveRunningNumbers(OptionsScreen* s, Table& general)
{
    TagLastNumbers numbers{};
    KeyBuffer key = GeneralKey(GENERAL_KEY_LASTNUMBERS);
    Status st = general.Get(kLockedRead, key.bytes, &numbers, sizeof numbers);
    if (!st.Ok()) {
        st.Report();
        return;
    }
    // Another station gave out numbers since the screen read them.
    if (numbers.Counters[LASTNUMBER_FIRST] != s->storedFirst) {
        if (Ask(kMsgNumbersChanged, "\001Yes,No") != 1) {
            BtrUnlock(-2, general.Handle(), nullptr);
            return;
        }
    }
    for (const auto& n : kRunningNumbers) {
        if (n.field == F_NUMBER_SIXTH && s->interfaced)
            continue;
        ParseRunningNumber(FxFieldGet(&s->form, n.field), &numbers.Counters[n.counter]);
    }
    st = general.Update(numbers, &key);
    st.Report();
    BtrUnlock(-2, general.Handle(), nullptr);
}

int OnOptionsSave(void* context)
{
    OptionsScreen* s = Options(context);
    FxForm* form = &s->form;
    const std::string tax = Trimmed(FxFieldGet(form, F_TAX));
    if (!tax.empty() && !TaxCodeExists(s, tax)) {
        FxFocusField(form, F_TAX);
        return FX_STAY_FOCUSED;
    }
    if (!TenderCodeAccepted(s)) {
        FxFocusField(form, F_TENDER);
        return FX_STAY_FOCUSED;
    }
    for (const auto& n : kRunningNumbers) {
        if (n.field == F_NUMBER_SIXTH && s->interfaced)
            continue;
        const std::string text = Field(form, n.field);
        int32_t value = 0;
        if (text != s->shownNumbers[n.field] && !ParseRunningNumber(text.c_str(), &value)) {
            ShowMessage(kMsgBadNumber, 1);
            FxFocusField(form, n.field);
            return FX_STAY_FOCUSED;
        }
    }

    TakeRecord(s);

    const char activity = s->record.ProductActivity;
    if (activity != s->loadedActivity && (activity == 'Y' || activity == 'y' || activity == 1) &&
        !s->interfaced) {
        if (Ask(kMsgProductActivity, "\001Continue,Cancel") == 2)
            return FX_STAY;
        if (ProductFileIsOlder()) {
            WarnProductRecordVersion();
            return FX_STAY;
        }
        if (ScanProductActivity() != 0)
            return FX_STAY;
    }

    // Turning passwords off, or on for the first time, makes this session
    // the supervisor's once the options are stored.
    const char passwords = s->record.PasswordsInForce;
    const bool raise = passwords == 'N' || (passwords == 'Y' && s->loadedPasswords == 'N');

    const int target = form->currentField == F_PASSWORD_REQUIRED && FxChoiceGet(form, F_PASSWORD_REQUIRED) != 1
                           ? F_PASSWORD_REQUIRED
                           : F_CONFIRMATION;
    const int check = PasswordCheck(s, target);
    if (check != FX_GO_ON)
        return check;

    Table general;
    general.Borrow(FileNo::General, s->files[SLOT_GENERAL]);
    TagSysInterface stored{};
    KeyBuffer key = GeneralKey(GENERAL_KEY_SYSINTERFACE);
    Status st = general.Get(kLockedRead, key.bytes, &stored, sizeof stored);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    st = general.Update(s->record, &key);
    if (!st.Ok()) {
        st.Report();
        BtrUnlock(-2, general.Handle(), nullptr);
        // A conflict or a clash keeps the screen for another try; after any
        // other failure nothing more is written.
        return st.Is(B_CONFLICT) || st.Is(B_DUPLICATE_KEY) ? FX_GO_ON : FX_LEAVE;
    }
    if (raise)
        GetSessionPaths()->UserLevel = 5;
    SaveRunningNumbers(s, general);
    BtrUnlock(-2, general.Handle(), nullptr);
    return FX_LEAVE;
}

constexpr char kZeroOneList[] = "No,Yes";

constexpr std::array<ScreenField, 46> kOptionsTemplate{{
    bwps::Field(F_STATION_PROMPT, 1, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_PASSWORDS, 2, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_WORD53, 3, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_WORD25, 4, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_INTERFACED_CHAR, 5, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_BLANK_CUSTOMER, 6, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_DEVICE_ACCESS, 7, 30, "%-16sm").Choices("Direct,Windows\xAE Drivers"),
    bwps::Field(F_WORD55, 8, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_POSTING, 9, 30, "%-12sm").Choices("By Period,Through Date").Exit(OnPostingLeft),
    bwps::Field(F_POSTING_FLAG, 10, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_WORD71, 11, 30, "%-3sm").Choices(kYesNo),
    bwps::Field(F_TAX, 12, 30, "%-5sC").Entry(OnTaxEntered).Exit(OnTaxLeft).Flags(FX_FIELD_UPPER),
    bwps::Field(F_TERMS, 13, 30, "%-5sC").Flags(FX_FIELD_UPPER),
    bwps::Field(F_TENDER, 14, 30, "%-10sC").Exit(OnTenderLeft).Flags(FX_FIELD_UPPER),
    bwps::Field(F_CARD, 15, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_CARD_ADDRESS, 16, 30, "%-8sm").Choices("Optional,Always,Never"),
    bwps::Field(F_CARD_PROGRAM, 17, 30, "%-35s"),
    bwps::Field(F_WORD29, 18, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_WORD27, 19, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_WORD37, 20, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_FLAG447, 21, 30, "%-3sm").Choices(kNoYes),
    bwps::Field(F_WORD79, 1, 70, "%-3sm").Choices(kYesNo),
    bwps::Field(F_WORD23, 2, 70, "%-3sm").Choices(kNoYes),
    bwps::Field(F_LOOKUP_ORDER, 3, 70, "%-8sm").Choices("Item,Customer"),
    bwps::Field(F_SERIAL_LEVEL, 4, 62, "%-17sm").Choices(kLevels),
    bwps::Field(F_SERIAL_BYTE, 5, 62, "%-17sm").Choices(kLevels),
    bwps::Field(F_WORD35, 6, 70, "%-3sm").Choices(kNoYes),
    bwps::Field(F_BYTE442, 7, 70, "%-3sm").Choices(kZeroOneList),
    bwps::Field(F_NUMBER39, 8, 70, "%3d"),
    bwps::Field(F_HISTORY, 9, 70, "%-3sm").Choices(kYesNo),
    bwps::Field(F_ACTIVITY, 10, 70, "%-3sm").Choices(kYesNo),
    bwps::Field(F_PERIOD_TOTALS, 11, 70, "%-3sm").Choices(kYesNo),
    bwps::Field(F_TIME_CLOCK, 12, 70, "%-3sm").Choices(kYesNo),
    bwps::Field(F_BYTE441, 13, 70, "%-3sm").Choices(kYesNo),
    bwps::Field(F_NUMBER_THIRD, 14, 66, "%10s").Exit(OnNumberLeft),
    bwps::Field(F_NUMBER_FIRST, 15, 66, "%10s").Entry(OnFirstNumberEntered).Exit(OnFirstNumberLeft),
    bwps::Field(F_NUMBER_SECOND, 16, 66, "%10s").Exit(OnNumberLeft),
    bwps::Field(F_NUMBER_FOURTH, 17, 66, "%10s").Exit(OnNumberLeft),
    bwps::Field(F_NUMBER_FIFTH, 18, 66, "%10s").Exit(OnNumberLeft),
    bwps::Field(F_NUMBER_SIXTH, 19, 66, "%10s").Exit(OnNumberLeft),
    bwps::Field(F_LIMIT_1, 20, 62, "%-7sm").Choices(kLimits),
    bwps::Field(F_LIMIT_2, 21, 62, "%-7sm").Choices(kLimits),
    bwps::Field(F_PASSWORD_REQUIRED, 22, 30, "%-3sm").Choices(kYesNo).Exit(OnPasswordRequiredLeft),
    bwps::Field(F_PASSWORD, 22, 50, "%-8sC").Flags(FX_FIELD_CONCEALED | FX_FIELD_UPPER),
    bwps::Field(F_CONFIRMATION, 22, 66, "%-8sC").Flags(FX_FIELD_CONCEALED | FX_FIELD_UPPER).Exit(OnConfirmationLeft),
    {},
}};

// ======================================================= accounting interface

enum : int { A_LINKED = 1, A_FOLDER = 2, A_ACCOUNT_FIRST = 3, A_ACCOUNT_LAST = 6 };

struct AccountingScreen {
    FxContext fx;  // first
    FxForm form;
    FxWindow window;
    uint16_t files[30];
    TagSysInterface record;
    Table accounts;
    char folderBuffer[260];
    uint8_t colours[COLOR_SET_SIZE];
    bool saved;
};

AccountingScreen* Accounting(void* context)
{
    return static_cast<AccountingScreen*>(context);
}

// Opens the account file that the session's interface settings name now
// (the accounting company's while interfaced, else the store's own).
Status ReopenAccounts(AccountingScreen* s)
{
    s->accounts.Close();
    return s->accounts.Open(FileNo::Accounts);
}

void ApplyLinkRule(AccountingScreen* s)
{
    FxForm* form = &s->form;
    if (FxChoiceGet(form, A_LINKED) != 2) {
        for (int field = A_FOLDER; field <= A_ACCOUNT_LAST; ++field) {
            FxFieldSet(form, field, "");
            Protect(form, field, true);
        }
        SetInterfacedFlag(0);
        ReopenAccounts(s);
        return;
    }
    for (int field = A_FOLDER; field <= A_ACCOUNT_LAST; ++field)
        Protect(form, field, false);
    SetInterfacedFlag(1);
    if (!IsBlank(FxFieldGet(form, A_FOLDER)))
        ReopenAccounts(s);
}

void ShowLink(AccountingScreen* s)
{
    FxForm* form = &s->form;
    const TagSysInterface& r = s->record;
    FxChoiceSet(form, A_LINKED, r.Interfaced == 1 ? 2 : 1);
    FxFieldSet(form, A_FOLDER, FieldText(r.AccountingFolder).c_str());
    for (int i = 0; i < 4; ++i)
        FxFieldSet(form, A_ACCOUNT_FIRST + i, FieldText(r.Accounts[i]).c_str());
}

void TakeLink(AccountingScreen* s)
{
    FxForm* form = &s->form;
    TagSysInterface& r = s->record;
    r.Interfaced = FxChoiceGet(form, A_LINKED) == 2 ? 1 : 0;
    char folder[sizeof r.AccountingFolder] = {};
    std::strncpy(folder, Field(form, A_FOLDER).c_str(), sizeof folder - 1);
    FxTrimText(5, folder);
    std::memset(r.AccountingFolder, 0, sizeof r.AccountingFolder);
    std::memcpy(r.AccountingFolder, folder, std::strlen(folder));
    for (int i = 0; i < 4; ++i)
        PutText(r.Accounts[i], Trimmed(FxFieldGet(form, A_ACCOUNT_FIRST + i)).c_str());
}

int AccountingLoad(void* context)
{
    AccountingScreen* s = Accounting(context);
    Table general;
    general.Borrow(FileNo::General, s->files[0]);
    std::memset(&s->record, 0, sizeof s->record);
    KeyBuffer key = GeneralKey(GENERAL_KEY_SYSINTERFACE);
    const Status st = general.Get(B_GET_EQUAL, key.bytes, &s->record, sizeof s->record);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    FxAttachFolderBrowse(&s->form, A_FOLDER, "Select path were Bramlow Accounting V10 is installed.",
                         s->folderBuffer);
    ApplySysInterfaceFlags(&s->record);
    ShowLink(s);
    ApplyLinkRule(s);
    return FX_GO_ON;
}

int OnLinkLeft(void* context)
{
    ApplyLinkRule(Accounting(context));
    return FX_GO_ON;
}

int OnFolderLeft(void* context)
{
    AccountingScreen* s = Accounting(context);
    char folder[FOLDER_BUFFER_SIZE] = {};
    std::strncpy(folder, Field(&s->form, A_FOLDER).c_str(), sizeof folder - 1);
    if (IsBlank(folder)) {
        ShowMessage(kMsgEmptyCode, 1);
        return FX_STAY;
    }
    FxTrimText(5, folder);
    int fileNumber = 0;
    const int code = FindAccountingFiles(folder, &fileNumber);
    if (code == DATASET_CURRENT) {
        s->accounts.Close();
        SetAccountingCompanyPath(folder);
        if (!ReopenAccounts(s).Ok())
            return FX_STAY;
        TakeLink(s);
        ApplySysInterfaceFlags(&s->record);
        ShowLink(s);
        return FX_GO_ON;
    }
    const bool older = code == 10 || code == 11 || code == 12 || code == 13 || code == 15;
    ShowMessage(older ? kMsgOlderAccounting : kMsgNoAccounting, 1);
    return FX_STAY;
}

// An interface account: a detail account of the open account file, not the
// difference account and, while interfaced, not in use elsewhere.
bool AccountAccepted(AccountingScreen* s, const std::string& account)
{
    TagInterfaceRecord links{};
    if (ReadInterfaceRecord(&links) != 0)
        return false;
    if (IsDifferenceAccount(account.c_str())) {
        ShowMessage(kMsgDifferenceAccount, 1);
        return false;
    }
    TagAccount record{};
    if (!s->accounts.IsOpen() || !ValidateAccountNo(s->accounts.Handle(), account.c_str(), &record)) {
        ShowMessage(kMsgAccountMissing, 1);
        return false;
    }
    if (record.Kind != 'D') {
        ShowMessage(kMsgGeneralAccount, 1);
        return false;
    }
    if (IsInterfacedToAccounting() && CheckAccountInUse(account.c_str(), &links))
        return false;
    return true;
}

int OnAccountLeft(void* context)
{
    AccountingScreen* s = Accounting(context);
    const std::string account = Trimmed(FxFieldGet(&s->form, s->form.currentField));
    if (account.empty())
        return FX_GO_ON;
    return AccountAccepted(s, account) ? FX_GO_ON : FX_STAY;
}

int OnAccountingLookup(void* context)
{
    AccountingScreen* s = Accounting(context);
    const int field = s->form.currentField;
    if (field < A_ACCOUNT_FIRST || field > A_ACCOUNT_LAST)
        return FX_STAY;
    uint8_t record[569] = {};
    if (!FlyAccountOfCompany(&s->form, A_FOLDER, record))
        return FX_STAY;
    const auto* account = reinterpret_cast<const TagAccount*>(record);
    FxFieldSet(&s->form, field, FieldText(account->Number).c_str());
    return AccountAccepted(s, Trimmed(FxFieldGet(&s->form, field))) ? FX_LOOKUP_SET : FX_STAY;
}

int OnAccountingSave(void* context)
{
    AccountingScreen* s = Accounting(context);
    FxForm* form = &s->form;
    if (FxChoiceGet(form, A_LINKED) == 2) {
        if (IsBlank(FxFieldGet(form, A_FOLDER))) {
            ShowMessage(kMsgNoAccounting, 1);
            FxFocusField(form, A_FOLDER);
            return FX_STAY_FOCUSED;
        }
        for (int field = A_ACCOUNT_FIRST; field <= A_ACCOUNT_LAST; ++field) {
            if (IsBlank(FxFieldGet(form, field))) {
                FxFocusField(form, field);
                ShowMessage(kMsgAccountEmpty, 1);
                return FX_STAY_FOCUSED;
            }
        }
    }
    TakeLink(s);
    Table general;
    general.Borrow(FileNo::General, s->files[0]);
    TagSysInterface stored{};
    KeyBuffer key = GeneralKey(GENERAL_KEY_SYSINTERFACE);
    Status st = general.Get(kLockedRead, key.bytes, &stored, sizeof stored);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    st = general.Update(s->record, &key);
    BtrUnlock(-2, general.Handle(), nullptr);
    if (!st.Ok()) {
        st.Report();
        return st.Is(B_CONFLICT) || st.Is(B_DUPLICATE_KEY) ? FX_GO_ON : FX_LEAVE;
    }
    s->saved = true;
    return FX_LEAVE;
}

constexpr std::array<ScreenField, 7> kAccountingTemplate{{
    bwps::Field(A_LINKED, 2, 30, "%-3sm").Choices(kNoYes).Exit(OnLinkLeft),
    bwps::Field(A_FOLDER, 4, 2, "%-143s").Exit(OnFolderLeft),
    bwps::Field(3, 6, 30, "%-10sC").Exit(OnAccountLeft).Flags(FX_FIELD_UPPER),
    bwps::Field(4, 7, 30, "%-10sC").Exit(OnAccountLeft).Flags(FX_FIELD_UPPER),
    bwps::Field(5, 8, 30, "%-10sC").Exit(OnAccountLeft).Flags(FX_FIELD_UPPER),
    bwps::Field(6, 9, 30, "%-10sC").Exit(OnAccountLeft).Flags(FX_FIELD_UPPER),
    {},
}};

// The session's link as it was before a screen changed it.
struct SessionLink {
    int16_t interfaced;
    char folder[sizeof(TagSysInterface::AccountingFolder)];
};

SessionLink KeepSessionLink()
{
    SessionLink link{};
    const TagSysInterface* session = GetSysInterfaceRecord();
    link.interfaced = session->Interfaced;
    std::memcpy(link.folder, session->AccountingFolder, sizeof link.folder);
    return link;
}

void PutBackSessionLink(const SessionLink& link)
{
    TagSysInterface* session = GetSysInterfaceRecord();
    session->Interfaced = link.interfaced;
    std::memcpy(session->AccountingFolder, link.folder, sizeof link.folder);
}

int LinkLengthOfCode(int code)
{
    return code >= 10 && code <= 13 ? GENERAL_SYSINTERFACE_OLD_SIZE : GENERAL_SYSINTERFACE_SIZE;
}

}  // namespace

extern "C" {

BWPS_EXPORT int RSEditInterface(void)
{
    LoadSysInterfaceRecord();
    std::array<ScreenField, kOptionsTemplate.size()> fields = kOptionsTemplate;
    auto screen = std::make_unique<OptionsScreen>();
    OptionsScreen& s = *screen;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    if (OpenFileList(s.files, bwps::No(FileNo::General), bwps::No(FileNo::TaxTable), bwps::No(FileNo::Terms),
                     bwps::No(FileNo::Tenders), bwps::No(FileNo::Accounts), 0) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    SetColorSet(s.colours, kColourSetScreen);
    FxWindowCreate(&s.window, 1, 0, 24, 78, 1, 1, ' ', nullptr);
    FxWindowSetName(&s.window, "RSEditInterface");
    SetupStandardScreen(&s.form, 0, 0);
    FxWindowAttachForm(&s.window, &s.form, 0);
    s.form.newRecord = OptionsLoad;
    s.form.question = AskChoiceMessage;
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnOptionsSave);
    FxSetKeyHandler(&s.form, FX_KEY_F1 + 8 * 0x100, OnFirstNumberKey);  // F9
    FxSetKeyHandler(&s.form, FX_KEY_F1 + 4 * 0x100, OnOptionsLookup);   // F5
    FxSetKeyState(&s.form, FX_KEY_F1 + 7 * 0x100, 0);                    // F8
    FxSetKeyState(&s.form, FX_KEY_F1 + 5 * 0x100, 0);                    // F6
    const int key = FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    CloseFileList(s.files);
    FxAppEnd(&s.fx);
    return key;
}

BWPS_EXPORT int RSEditAccInterface(void)
{
    LoadSysInterfaceRecord();
    std::array<ScreenField, kAccountingTemplate.size()> fields = kAccountingTemplate;
    auto screen = std::make_unique<AccountingScreen>();
    AccountingScreen& s = *screen;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    if (OpenFileList(s.files, bwps::No(FileNo::General), 0) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    SetColorSet(s.colours, kColourSetScreen);
    FxWindowCreate(&s.window, 7, 0, 20, 78, 1, 1, ' ', nullptr);
    FxWindowSetName(&s.window, "RSEditAccInterface");
    SetupStandardScreen(&s.form, 0, 0);
    FxWindowAttachForm(&s.window, &s.form, 0);
    s.form.newRecord = AccountingLoad;
    s.form.question = AskChoiceMessage;
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnAccountingSave);
    FxSetKeyHandler(&s.form, FX_KEY_F1 + 4 * 0x100, OnAccountingLookup);  // F5

    const SessionLink start = KeepSessionLink();
    int key = 0;
    if (IsInterfacedToAccounting() && !ReopenAccounts(&s).Ok()) {
        ReportRecordManagerError(B_FILE_NOT_FOUND, 1, OPEN_OPERATION, bwps::No(FileNo::Accounts), 0);
    } else {
        key = FxAppRun(&s.fx, 0);
    }
    // Unsaved, the session keeps the link it had: the screen's choices were
    // only tried out.
    if (!s.saved)
        PutBackSessionLink(start);
    s.accounts.Close();
    FxWindowClose(&s.window, 1);
    CloseFileList(s.files);
    FxAppEnd(&s.fx);
    return key;
}

BWPS_EXPORT int BWPSInterfaceWithAcct(const char* folder)
{
    Table general;
    Status st = general.Open(FileNo::General);
    if (!st.Ok()) {
        st.Report();
        return 0;
    }
    uint16_t stored = 0;
    int status = 0;
    if (!ReadProgVersionRecord(&stored, GetFilesPath(), &status))
        return 0;
    const int length = LinkLengthOfCode(GetProgVersionCode(stored, GetFilesPath()));

    // A folder that cannot be stored whole, or that holds no accounting data
    // set of the current version, would leave the store linked to nothing.
    const std::string text = Trimmed(folder);
    if (text.size() > sizeof(TagSysInterface::AccountingFolder) - 1)
        return 0;
    if (!text.empty()) {
        int fileNumber = 0;
        if (FindAccountingFiles(text.c_str(), &fileNumber) != DATASET_CURRENT)
            return 0;
    }

    TagSysInterface record{};
    KeyBuffer key = GeneralKey(GENERAL_KEY_SYSINTERFACE);
    st = general.Get(kLockedRead, key.bytes, &record, length);
    if (!st.Ok()) {
        st.Report();
        return 0;
    }
    record.Interfaced = text.empty() ? 0 : 1;
    std::memset(record.AccountingFolder, 0, sizeof record.AccountingFolder);
    std::memcpy(record.AccountingFolder, text.data(), text.size());
    st = general.Write(B_UPDATE, &record, length, &key);
    BtrUnlock(-2, general.Handle(), nullptr);
    if (!st.Ok()) {
        st.Report();
        return 0;
    }
    general.Close();
    LoadSysInterfaceRecord();
    return 1;
}

}  // extern "C"

BWPS_ORDINAL(619, RSEditInterface);
BWPS_ORDINAL(611, RSEditAccInterface);
