// The tender editor and the tender pick list: the ways of paying at the
// register kept in BPOSTEND.DB, each with its ledger account and how a card
// or check taken with it is processed and verified.
#include <array>
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
#include "bwps/records/tenders.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "fx.h"
#include "lookups/lookups_internal.h"

namespace bwps {
namespace {

enum Field { kCode = 1, kDescription, kAccount, kAccountName, kType, kProcessing, kCardKind, kVerification, kRemark };

constexpr int kMsgAccountMissing = 233;
constexpr int kMsgOutsideInterface = 257;
constexpr int kMsgDifferenceAccount = 281;
constexpr int kMsgGeneralAccount = 289;
constexpr int kMsgAccountNeeded = 583;

// Card kinds of field 7 (option numbers) and verifications of field 8.
enum CardKind { kCredit = 1, kDebit = 2, kCheck = 3, kNoCard = 4 };
enum Verification { kMicr = 1, kLicense = 2, kLicenseAndBirthdate = 3 };
// Processing kinds as stored.
enum : uint8_t { kStoredCredit = 0, kStoredDebit = 1, kStoredMicr = 2, kStoredNone = 3, kStoredLicense = 4,
                 kStoredLicenseAndBirthdate = 5 };

const char kTypeChoices[] = "\001Check,Cash,Other";
const char kProcessingChoices[] = "\001No,Yes";
const char kCardChoices[] = "\001Credit Card,Debit Card,Check,None";
const char kVerificationChoices[] = "\001MICR,Driver's License,Driver's License and Birthdate";

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

// The stored processing kind of a card-kind and verification choice. The
// verification counts only for a check: a card kind changed away from
// Check keeps its verification choice on the (switched-off) field.
uint8_t TenderKindFromChoices(int card, int verification)
{
    switch (card) {
    case kCredit:
        return kStoredCredit;
    case kDebit:
        return kStoredDebit;
    case kCheck:
        return verification == kLicenseAndBirthdate ? kStoredLicenseAndBirthdate
               : verification == kLicense           ? kStoredLicense
                                                    : kStoredMicr;
    default:
        return kStoredNone;
    }
}

// The choices that show a stored kind; a kind out of range shows no card.
void TenderChoicesFromKind(uint8_t kind, int* card, int* verification)
{
    *verification = kMicr;
    switch (kind) {
    case kStoredCredit: *card = kCredit; break;
    case kStoredDebit: *card = kDebit; break;
    case kStoredMicr: *card = kCheck; break;
    case kStoredLicense: *card = kCheck, *verification = kLicense; break;
    case kStoredLicenseAndBirthdate: *card = kCheck, *verification = kLicenseAndBirthdate; break;
    default: *card = kNoCard; break;
    }
}

class TenderEditor : public EditorFrame {
public:
    explicit TenderEditor(TagLookUp* caller) : EditorFrame(MakeSpec(), caller) {}

    int AccountLeft() { return AccountCheck(); }

    int ProcessingLeft()
    {
        SwitchCardFields();
        return FX_GO_ON;
    }

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSEditTenders";
        s.top = 3, s.left = 6, s.bottom = 12, s.right = 72;
        s.file = FileNo::Tenders;
        s.recordLength = sizeof(TagTender);
        s.codeOffset = offsetof(TagTender, Code);
        s.codeLength = sizeof(TagTender::Code);
        s.blankCodeMessage = 469;
        s.deleteQuestion = 1019;
        s.keyOptions = 35;
        s.workOnCallerRecord = true;
        return s;
    }

    std::span<const ScreenField> Template() const override
    {
        static constexpr std::array<ScreenField, 10> kFields{{
            bwps::Field(kCode, 1, 16, "%-10sC").Flags(FX_FIELD_UPPER),
            bwps::Field(kDescription, 2, 16, "%-30s"),
            bwps::Field(kAccount, 3, 16, "%-10sC").Flags(FX_FIELD_UPPER),
            bwps::Field(kAccountName, 3, 28, "%-25s").DisplayOnly().Flags(FX_FIELD_SKIP),
            bwps::Field(kType, 4, 16, "%-5sm").Choices(kTypeChoices),
            bwps::Field(kProcessing, 5, 16, "%-10sm").Choices(kProcessingChoices),
            bwps::Field(kCardKind, 6, 16, "%-11sm").Choices(kCardChoices),
            bwps::Field(kVerification, 7, 16, "%-30sm").Choices(kVerificationChoices),
            bwps::Field(kRemark, 8, 16, "%-40s"),
            {},
        }};
        return kFields;
    }

    void BindFields(ScreenField* table) override
    {
        table[kAccount - 1].exitHandler = EditorHandler<TenderEditor, &TenderEditor::AccountLeft>;
        table[kProcessing - 1].exitHandler = EditorHandler<TenderEditor, &TenderEditor::ProcessingLeft>;
        table[kCardKind - 1].exitHandler = EditorHandler<TenderEditor, &TenderEditor::ProcessingLeft>;
    }

    void BindKeys() override { SetKey(kKeyNewList, false); }

    bool Prepare() override
    {
        const Status s = accounts_.Open(FileNo::Accounts);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
        return true;
    }

    void DrawTexts() override
    {
        static const char* const kPrompts[] = {"Tender code:", "Description:", "Account:", "Tender type:",
                                               "Processing:", "Card kind:", "Verification:", "Remark:"};
        static const int kRows[] = {1, 2, 3, 4, 5, 6, 7, 8};
        for (int i = 0; i < 8; ++i)
            FxWindowText(Window(), kRows[i], 2, -1, kPrompts[i], 0);
    }

    void ClearRecord() override
    {
        auto& r = Tender();
        std::memset(&r, 0, sizeof r);
        r.Processing = 'N';
        r.ProcessingKind = kStoredNone;
        r.Type = 'C';
        PutText(r.Account, DefaultAccount());
    }

    void RecordToScreen() override
    {
        const auto& r = Tender();
        FxFieldSet(Form(), kCode, Trimmed(r.Code, sizeof r.Code).c_str());
        FxFieldSet(Form(), kDescription, Trimmed(r.Description, sizeof r.Description).c_str());
        FxFieldSet(Form(), kRemark, Trimmed(r.Remark, sizeof r.Remark).c_str());
        int card = kNoCard, verification = kMicr;
        TenderChoicesFromKind(r.ProcessingKind, &card, &verification);
        FxChoiceSet(Form(), kCardKind, card);
        FxChoiceSet(Form(), kVerification, verification);
        FxChoiceSet(Form(), kType, r.Type == 'K' ? 1 : r.Type == 'C' ? 2 : 3);
        std::string account = Trimmed(r.Account, sizeof r.Account);
        if (account.empty() && !Trimmed(r.Code, sizeof r.Code).empty())
            account = DefaultAccount();
        FxFieldSet(Form(), kAccount, account.c_str());
        FxChoiceSet(Form(), kProcessing, r.Processing == 'N' ? 1 : 2);
        AccountCheck();
        SwitchCardFields();
    }

    void ScreenToRecord() override
    {
        auto& r = Tender();
        PutText(r.Description, FxFieldGet(Form(), kDescription));
        PutText(r.Account, Trimmed(FxFieldGet(Form(), kAccount), 64));
        PutText(r.Remark, FxFieldGet(Form(), kRemark));
        const int type = FxChoiceGet(Form(), kType);
        r.Type = type == 1 ? 'K' : type == 2 ? 'C' : 'O';
        r.Processing = FxChoiceGet(Form(), kProcessing) == 1 ? 'N' : 'Y';
        r.ProcessingKind = TenderKindFromChoices(FxChoiceGet(Form(), kCardKind), FxChoiceGet(Form(), kVerification));
    }

    int CheckBeforeSave() override
    {
        const std::string account = Trimmed(FxFieldGet(Form(), kAccount), 64);
        // an interfaced store posts every tender to its account
        if (account.empty() && IsInterfacedToAccounting() != 0) {
            ShowMessage(kMsgAccountNeeded, MESSAGE_DEFAULT_CONTEXT);
            FxFocusField(Form(), kAccount);
            return FX_STAY_FOCUSED;
        }
        // an account typed and saved at once has not left its field yet
        if (AccountCheck() != FX_GO_ON) {
            FxFocusField(Form(), kAccount);
            return FX_STAY_FOCUSED;
        }
        return FX_GO_ON;
    }

    int LookUp(int field) override
    {
        if (field == kCode)
            return LookUpCode([](const char*, uint16_t handle, void* record) {
                return LookupTender(nullptr, 0, handle, record, 5, 13, 13, 55, nullptr);
            });
        TagAccount picked{};
        if (!FlyAccount(nullptr, 0, accounts_.Handle(), &picked, 5, 12, 13, 54, nullptr, 0))
            return FX_STAY;
        FxFieldSet(Form(), kAccount, Trimmed(picked.Number, sizeof picked.Number).c_str());
        return AccountCheck() == FX_GO_ON ? FX_LOOKUP_SET : FX_STAY;
    }

private:
    TagTender& Tender() { return *static_cast<TagTender*>(Record()); }

    // The first default account of "0Interface".
    static std::string DefaultAccount()
    {
        TagInterfaceRecord iface{};
        if (ReadInterfaceRecord(&iface) != 0)
            return std::string();
        return Trimmed(iface.Accounts[0], sizeof iface.Accounts[0]);
    }

    // Card kind and verification are entered only for a processed tender;
    // the verification only for a check.
    void SwitchCardFields()
    {
        const bool processed = FxChoiceGet(Form(), kProcessing) == 2;
        const bool check = FxChoiceGet(Form(), kCardKind) == kCheck;
        FxFieldSetDisplayOnly(Form(), kCardKind, processed ? 0 : 1);
        FxFieldSetDisplayOnly(Form(), kVerification, processed && check ? 0 : 1);
    }

    int AccountCheck()
    {
        const std::string account = Trimmed(FxFieldGet(Form(), kAccount), 64);
        if (account.empty()) {
            FxFieldSet(Form(), kAccountName, "");
            return FX_GO_ON;
        }
        TagInterfaceRecord iface{};
        if (ReadInterfaceRecord(&iface) != 0)
            return FX_STAY;
        if (CheckAccountInUse(account.c_str(), &iface) != 0)
            return FX_STAY;
        if (IsDifferenceAccount(account.c_str()) != 0) {
            ShowMessage(kMsgDifferenceAccount, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        TagAccount found{};
        if (!ValidateAccountNo(accounts_.Handle(), account.c_str(), &found)) {
            ShowMessage(kMsgAccountMissing, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (found.Kind == 'G') {
            ShowMessage(kMsgGeneralAccount, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (IsInterfacedToAccounting() != 0 && found.CheckRegister == 'N') {
            ShowMessage(kMsgOutsideInterface, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        FxFieldSet(Form(), kAccountName, Trimmed(found.Description, sizeof found.Description).c_str());
        return FX_GO_ON;
    }

    Table accounts_;
};

int EditTenders(TagLookUp* caller)
{
    TenderEditor editor(caller);
    return editor.Run();
}

}  // namespace
}  // namespace bwps

extern "C" {

int RSEditTenders(int)
{
    return bwps::EditTenders(nullptr);
}

int EditTendersFromList(void* lookup)
{
    return bwps::EditTenders(static_cast<TagLookUp*>(lookup));
}

int LookupTender(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                 uint16_t column, uint16_t height, uint16_t width, FxHandler editor)
{
    using namespace bwps::lookups;
    Settings s;
    s.file = bwps::FileNo::Tenders;
    s.recordLength = sizeof(TagTender);
    s.titleId = 347;
    s.startType = LOOKUP_TENDERS;
    s.columns = {kCodeColumn, kDescriptionColumn, 7, 5};
    s.libraryReaders = true;
    s.lastPickType = LOOKUP_TENDERS;
    s.lastPickDescription = offsetof(TagTender, Description);
    s.stays = Stays::Never;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, editor});
}

}  // extern "C"

BWPS_ORDINAL(633, EditTendersFromList);
BWPS_ORDINAL(634, LookupTender);
