// Billing codes (BPOSBICD.DB): the editor RSEditBillCode with its account
// checks, opened on its own, for a lookup, or by a parameter string.
#include <array>
#include <cstdio>
#include <cstring>

#include "bwps/accounts.h"
#include "bwps/code_editors.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/param_string.h"
#include "bwps/records.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/users.h"
#include "recman.h"
#include "setup/code_editor.h"

using namespace bwps;
using namespace bwps::editors;

namespace {

constexpr int kEntity = 9;
constexpr int kCommand = 125;          // the access check of the screen
constexpr int kRightInsert = 18;
constexpr int kRightUpdate = 117;
constexpr int kRightDelete = 118;

constexpr int kMsgBlankCode = 209;
constexpr int kMsgAccountMissing = 233;
constexpr int kMsgDifferenceAccount = 279;
constexpr int kMsgInterfaceAccount1 = 283;
constexpr int kMsgInterfaceAccount2 = 285;
constexpr int kMsgInterfaceAccount3 = 287;
constexpr int kMsgGeneralAccount = 289;
constexpr int kMsgBlankAccount = 583;
constexpr int kMsgDeleteQuestion = 967;
constexpr int kMsgCustomerAccount = 1610;
constexpr int kMsgVendorAccount = 1612;

enum { F_CODE = 1, F_DESCRIPTION, F_ACCOUNT, F_ACCOUNT_NAME, F_OPTION1, F_OPTION2, F_OPTION3, F_AMOUNT };

int OnAccountLeave(void* context);

constexpr std::array<ScreenField, 9> kFields{{
    bwps::Field(F_CODE, 1, 20, "%-5sC").Exit(CodeEditor::OnCodeLeave),
    bwps::Field(F_DESCRIPTION, 2, 20, "%-40s"),
    bwps::Field(F_ACCOUNT, 3, 20, "%-10sC").Exit(OnAccountLeave),
    bwps::Field(F_ACCOUNT_NAME, 3, 32, "%-25s").DisplayOnly().Flags(FX_FIELD_SKIP),
    bwps::Field(F_OPTION1, 5, 20, "%-5sm").Choices("\001Yes,No"),
    bwps::Field(F_OPTION2, 6, 20, "%-5sm").Choices("\001No,Yes"),
    bwps::Field(F_OPTION3, 7, 20, "%-5sm").Choices("\001No,Yes"),
    bwps::Field(F_AMOUNT, 8, 20, "%12.2f"),
    {},
}};

class BillingEditor : public CodeEditor {
public:
    BillingEditor(EditorCaller* caller, int fileNumber)
        : CodeEditor(EditorLayout{"RSEditBillCode", 3, 10, 12, 69, static_cast<FileNo>(fileNumber), kEntity,
                                  static_cast<int>(sizeof(BillingCodeRecord)), 6, kMsgBlankCode,
                                  kMsgDeleteQuestion, true},
                     caller),
          fileNumber_(fileNumber)
    {
        const std::string user = SessionUser();
        mayDelete_ = CheckUserAccess(kRightDelete, 0, user.c_str(), 0) != 0;
    }

    int AccountCheck()
    {
        const std::string account = Trimmed(FxFieldGet(&Form(), F_ACCOUNT));
        if (account.empty()) {
            FxFieldSet(&Form(), F_ACCOUNT_NAME, "");
            return FX_GO_ON;
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
        FxFieldSet(&Form(), F_ACCOUNT_NAME, FieldText(found.Description, sizeof found.Description).c_str());
        return FX_GO_ON;
    }

private:
    BillingCodeRecord& Bill() { return *reinterpret_cast<BillingCodeRecord*>(Record()); }

    Status OpenOtherFiles() override
    {
        Status s = accounts_.Open(FileNo::Accounts);
        if (s.Ok())
            s = taxes_.Open(FileNo::TaxTable);
        return s;
    }

    void Prepare() override
    {
        FxWindow& w = ScreenFrame().window;
        FxWindowText(&w, 1, 2, -1, "Billing Code:", 0);
        FxWindowText(&w, 2, 2, -1, "Description:", 0);
        FxWindowText(&w, 3, 2, -1, "Account:", 0);
        FxWindowText(&w, 5, 2, -1, "Option 1:", 0);
        FxWindowText(&w, 6, 2, -1, "Option 2:", 0);
        FxWindowText(&w, 7, 2, -1, "Option 3:", 0);
        FxWindowText(&w, 8, 2, -1, "Amount:", 0);
    }

    void Clear(const std::string& code) override
    {
        std::memset(Record(), 0, sizeof(BillingCodeRecord));
        Codes().PutCode(Record(), code);
        Bill().Options[0] = 'Y';
        Bill().Options[1] = 'N';
        Bill().Options[2] = 'N';
        Bill().Amount = 0.0;
    }

    void Show() override
    {
        BillingCodeRecord& b = Bill();
        FxFieldSet(&Form(), F_CODE, Trimmed(FieldText(b.Code, sizeof b.Code).c_str()).c_str());
        FxFieldSet(&Form(), F_DESCRIPTION, FieldText(b.Description, sizeof b.Description).c_str());
        const std::string account = FieldText(b.Account, 23);
        FxFieldSet(&Form(), F_ACCOUNT, account.c_str());
        TagAccount found{};
        const bool known = !Trimmed(account.c_str()).empty() &&
                           ValidateAccountNo(accounts_.Handle(), Trimmed(account.c_str()).c_str(), &found);
        FxFieldSet(&Form(), F_ACCOUNT_NAME,
                   known ? FieldText(found.Description, sizeof found.Description).c_str() : "");
        FxChoiceSet(&Form(), F_OPTION1, b.Options[0] == 'Y' ? 1 : 2);
        FxChoiceSet(&Form(), F_OPTION2, b.Options[1] == 'N' ? 1 : 2);
        FxChoiceSet(&Form(), F_OPTION3, b.Options[2] == 'N' ? 1 : 2);
        char amount[32];
        FxFieldSet(&Form(), F_AMOUNT, FxFormatAmount(b.Amount, amount, 2));
        FxFormRedraw(&ScreenFrame().fx, &Form());
    }

    void Take() override
    {
        BillingCodeRecord& b = Bill();
        PutField(b.Description, sizeof b.Description, RightTrimmed(FxFieldGet(&Form(), F_DESCRIPTION)));
        PutField(b.Account, 23, Trimmed(FxFieldGet(&Form(), F_ACCOUNT)));
        b.Options[0] = FxChoiceGet(&Form(), F_OPTION1) == 1 ? 'Y' : 'N';
        b.Options[1] = FxChoiceGet(&Form(), F_OPTION2) == 1 ? 'N' : 'Y';
        b.Options[2] = FxChoiceGet(&Form(), F_OPTION3) == 1 ? 'N' : 'Y';
        double amount = 0.0;
        if (FxParseNumber(FxFieldGet(&Form(), F_AMOUNT), 0, &amount) != 0)
            amount = 0.0;
        b.Amount = amount;
    }

    bool MayDelete() const override { return mayDelete_; }

    int BeforeSave() override
    {
        const std::string account = Trimmed(FxFieldGet(&Form(), F_ACCOUNT));
        if (account.empty()) {
            ShowMessage(kMsgBlankAccount, MESSAGE_DEFAULT_CONTEXT);
            FxFocusField(&Form(), F_ACCOUNT);
            return FX_STAY_FOCUSED;
        }
        if (AccountCheck() != FX_GO_ON) {
            FxFocusField(&Form(), F_ACCOUNT);
            return FX_STAY_FOCUSED;
        }
        TagInterfaceRecord iface{};
        if (ReadGeneralRecord(0, 0, sizeof iface, GENERAL_KEY_INTERFACE, &iface) != 0)
            return FX_LEAVE;
        const bool interfaced = IsInterfacedToAccounting() != 0;
        const auto same = [&](const char* stored) {
            return Trimmed(FieldText(stored, sizeof iface.Accounts[0]).c_str()) == account;
        };
        bool refused = false;
        const auto refuse = [&](bool failed, int message) {
            if (failed) {
                ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
                refused = true;
            }
        };
        refuse(same(iface.Accounts[1]), kMsgInterfaceAccount1);
        refuse(interfaced && same(iface.Accounts[2]), kMsgInterfaceAccount2);
        refuse(same(iface.Accounts[3]), kMsgInterfaceAccount3);
        refuse(IsDifferenceAccount(account.c_str()) != 0, kMsgDifferenceAccount);
        refuse(IsAccountReferenced(account.c_str(), 0, No(FileNo::Customers)) != 0, kMsgCustomerAccount);
        refuse(interfaced && IsAccountReferenced(account.c_str(), 0, No(FileNo::Vendors)) != 0, kMsgVendorAccount);
        if (refused) {
            FxFocusField(&Form(), F_ACCOUNT);
            return FX_STAY_FOCUSED;
        }
        return FX_GO_ON;
    }

    bool MaySave() override
    {
        // A refusal writes nothing and keeps the screen as it is: the caller
        // is not told of a save that did not happen.
        const std::string user = SessionUser();
        return CheckUserAccess(IsNew() ? kRightInsert : kRightUpdate, 0, user.c_str(), 1) != 0;
    }

    int LookupOther(int field) override
    {
        if (field != F_ACCOUNT)
            return FX_STAY;
        TagAccount picked{};
        const std::string start = Trimmed(FxFieldGet(&Form(), F_ACCOUNT));
        if (!FlyAccount(start.c_str(), 0, accounts_.Handle(), &picked, 5, 10, 10, 60, nullptr, 1))
            return FX_STAY;
        if (picked.Kind != 'D') {
            ShowMessage(kMsgGeneralAccount, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        FxFieldSet(&Form(), F_ACCOUNT, FieldText(picked.Number, sizeof picked.Number).c_str());
        FxFieldSet(&Form(), F_ACCOUNT_NAME, FieldText(picked.Description, sizeof picked.Description).c_str());
        return FX_LOOKUP_SET;
    }

    std::string LookupCode() override
    {
        BillingCodeRecord picked{};
        const std::string start = Trimmed(FxFieldGet(&Form(), F_CODE));
        if (!FlyBillingCodes(start.c_str(), fileNumber_, 0, Lookups().Handle(), &picked, 5, 15, 10, 50, nullptr))
            return {};
        return Trimmed(FieldText(picked.Code, sizeof picked.Code).c_str());
    }

    int fileNumber_;
    bool mayDelete_ = false;
    Table accounts_;
    Table taxes_;
};

int OnAccountLeave(void* context)
{
    return static_cast<BillingEditor*>(static_cast<Frame*>(context)->editor)->AccountCheck();
}

}  // namespace

extern "C" {

BWPS_EXPORT int RSEditBillCode(EditorCaller* caller, int fileNumber)
{
    const std::string user = SessionUser();
    if (!CheckUserAccessOrMessage(kCommand, user.c_str(), 1))
        return 0;
    BillingEditor editor(caller, fileNumber);
    std::array<ScreenField, kFields.size()> fields = kFields;
    return editor.Run(fields.data());
}

BWPS_EXPORT int EditBillCodes(EditorCaller* caller)
{
    return RSEditBillCode(caller, No(FileNo::BillingCodes));
}

BWPS_EXPORT int EditBillCodesByParams(const char* text)
{
    if (text == nullptr || Trimmed(text).empty()) {
        RSEditBillCode(nullptr, No(FileNo::BillingCodes));
        return 0;
    }
    char value[6] = {};
    CParamString params(text, static_cast<int32_t>(std::strlen(text)));
    params.GetValue(value, sizeof value);
    CodeFile codes(FileNo::BillingCodes, kEntity, sizeof(BillingCodeRecord), 6, true);
    Status s = codes.Open();
    BillingCodeRecord record{};
    if (s.Ok())
        s = codes.Read(Trimmed(value), &record);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    int32_t key = 0;
    EditorCaller caller{codes.File().Handle(), &record, &key};
    RSEditBillCode(&caller, No(FileNo::BillingCodes));
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(598, EditBillCodes);
BWPS_ORDINAL(5020, EditBillCodesByParams);
