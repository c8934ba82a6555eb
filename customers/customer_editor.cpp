// The customer editor: customers of BPOSCUST.DB (and vendors of BPOSVEND.DB
// on the same screen), their checks, automatic numbers, the delete rules,
// the bulk delete of inactive records and the sub-screens of a customer.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "bwps/accounts.h"
#include "bwps/alt_addresses.h"
#include "bwps/code_editors.h"
#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/accounts.h"
#include "bwps/records/messages.h"
#include "bwps/records/open_invoices.h"
#include "bwps/records/options.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/salespersons.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/udf.h"
#include "bwps/users.h"
#include "customers/customer_record.h"
#include "fx.h"
#include "recman.h"

namespace bwps::customers {

// ---------------------------------------------------------------------------
// The record

namespace {

std::string Text(const char* field, size_t width)
{
    std::string s(field, strnlen(field, width));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

void Put(char* field, size_t width, const char* text)
{
    std::memset(field, 0, width);
    std::snprintf(field, width, "%s", text);
}

}  // namespace

void InitCustomer(CustomerRecord& r)
{
    std::memset(&r, 0, sizeof r);
    r.PriceLevel = 'N';
    r.AccountType = 'O';
    r.NewFlag119 = 'Y';
    r.NewFlag120 = 'N';
    r.Status = 'A';
}

void TakeOverDefaults(CustomerRecord& r, const CustomerRecord& d)
{
    std::memcpy(r.City, d.City, sizeof r.City);
    std::memcpy(r.State, d.State, sizeof r.State);
    std::memcpy(r.Zip, d.Zip, sizeof r.Zip);
    std::memcpy(r.Field15, d.Field15, sizeof r.Field15);
    constexpr size_t kAreaCode = 5;  // "(nnn)"
    for (auto& phone : r.Phone)
        std::memcpy(phone, d.Phone[0], kAreaCode);
    std::memcpy(r.Text52, d.Text52, sizeof r.Text52);
    std::memcpy(r.Text58, d.Text58, sizeof r.Text58);
    std::memcpy(r.InterfaceCode, d.InterfaceCode, sizeof r.InterfaceCode);
    r.AccountType = d.AccountType;
    r.PriceLevel = d.PriceLevel;
    std::memcpy(r.LedgerAccount, d.LedgerAccount, sizeof r.LedgerAccount);
    std::memcpy(r.Account, d.Account, sizeof r.Account);
    std::memcpy(&r.Rate, &d.Rate, sizeof r.Rate);
    std::memcpy(r.TermsCode, d.TermsCode, sizeof r.TermsCode);
    std::memcpy(r.TaxCode, d.TaxCode, sizeof r.TaxCode);
    std::memcpy(r.MessageCode, d.MessageCode, sizeof r.MessageCode);
    std::memcpy(&r.CreditLimit, &d.CreditLimit, sizeof r.CreditLimit);
}

bool HasHistory(const CustomerRecord& r)
{
    for (int slot = 0; slot < 3; ++slot) {
        int32_t a = 0, b = 0;
        double c = 0, d = 0, e = 0;
        std::memcpy(&a, &r.Invoices[slot], sizeof a);
        std::memcpy(&b, &r.ZeroInvoices[slot], sizeof b);
        std::memcpy(&c, &r.Payments[slot], sizeof c);
        std::memcpy(&d, &r.Layaways[slot], sizeof d);
        std::memcpy(&e, &r.Sales[slot], sizeof e);
        if (a != 0 || b != 0 || c != 0.0 || d != 0.0 || e != 0.0)
            return true;
    }
    return false;
}

bool HasAmounts(const CustomerRecord& r)
{
    const double amounts[] = {r.PaymentsTotal, r.ChargesTotal, r.CreditsTotal, r.Balance};
    for (double amount : amounts)
        if (amount != 0.0)
            return true;
    return false;
}

bool HasOpenInvoice(Table& openInvoices, const std::string& code)
{
    if (!openInvoices.IsOpen())
        return false;
    TagOpenInvoice line{};
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min(code.size(), sizeof line.Customer - 1));
    const Status s = openInvoices.Get(B_GET_GE, key.bytes, &line, static_cast<int>(sizeof line));
    if (s.NotFound())
        return false;
    if (!s.Ok()) {
        s.Report();
        return true;
    }
    return std::strncmp(line.Customer, code.c_str(), sizeof line.Customer) == 0;
}

CustomerRecord ReadCustomerDefaults(Table& general)
{
    CustomerRecord defaults{};
    TagDefaults stored{};
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE - 1);
    if (general.Get(B_GET_EQUAL, key.bytes, &stored, static_cast<int>(sizeof stored)).Ok())
        std::memcpy(&defaults, reinterpret_cast<const uint8_t*>(&stored) + kDefaultsCustomerOffset,
                    sizeof defaults);
    else
        InitCustomer(defaults);
    // The store's own "0Interface" record; a store that has none (every new
    // stand-alone one) takes the built-in accounts, an interfaced one the
    // accounting company's record.
    TagInterfaceRecord iface{};
    key.Clear();
    std::memcpy(key.bytes, GENERAL_KEY_INTERFACE, GENERAL_KEY_SIZE - 1);
    if (!general.Get(B_GET_EQUAL, key.bytes, &iface, static_cast<int>(sizeof iface)).Ok()) {
        std::memset(&iface, 0, sizeof iface);
        if (ReadInterfaceRecord(&iface) != 0)
            std::memset(&iface, 0, sizeof iface);
    }
    constexpr int kReceivables = 1;  // the account at 28
    char account[sizeof defaults.Account] = {};
    std::memcpy(account, iface.Accounts[kReceivables], sizeof account - 1);
    Put(defaults.Account, sizeof defaults.Account, Text(account, sizeof account).c_str());
    return defaults;
}

bool TakeCustomerNumber(Table& general, std::string* code)
{
    TagLastNumbers numbers{};
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_LASTNUMBERS, GENERAL_KEY_SIZE - 1);
    Status s = general.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key.bytes, &numbers,
                           static_cast<int>(sizeof numbers));
    if (!s.Ok()) {
        s.Report();
        general.UnlockAll();
        return false;
    }
    numbers.Counters[LASTNUMBER_SECOND] += 1;
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(numbers.Counters[LASTNUMBER_SECOND]));
    s = general.Write(B_UPDATE, &numbers, static_cast<int>(sizeof numbers), &key);
    const Status unlocked = general.UnlockAll();
    if (s.Ok())
        s = unlocked;
    if (!s.Ok()) {
        s.Report();
        return false;
    }
    *code = text;
    return true;
}

namespace {

// ---------------------------------------------------------------------------
// The screen

enum Field {
    kCode = 1, kName, kInactive, kText4, kAddress1, kAddress2, kText7, kCity, kState, kZip, kText11,
    kPhone1, kPhone2, kPhone3, kText15, kAccountType, kInterfaceCode, kLedgerAccount, kAccount,
    kTaxCode, kTaxDescription, kTermsCode, kTermsDescription, kMessageCode, kPriceLevel,
    kSalesperson, kText27, kCreditLimit, kRate, kAmountLimit, kText31, kShipVia,
    kFirstHidden = 33, kLastHidden = 43, kFirstLabel = 44, kFirstValue = 56, kFirstDateValue = 66,
    kRunning1 = 68, kRunningNet, kBalance, kAvailable, kDate1, kAmount1, kDate2, kAmount2
};

constexpr int kCustomerFunction = 120;
constexpr int kDeleteRight = 105;
constexpr int kAddRight = 14;
constexpr int kChangeRight = 106;
constexpr int kInactiveRight = 119;
constexpr int kPurgeRight = 122;
constexpr int kReplaceRight = 74;
constexpr int kCustomerEntity = 2;

constexpr int kKeyNotes = 0x3D00;        // F3
constexpr int kKeyBalances = 0x4100;     // F7
constexpr int kKeyCodeEditor = 0x4200;   // F8
constexpr int kKeyDial = 0x4300;         // F9
constexpr int kKeyHistory = 0x5600;      // Shift+F3
constexpr int kKeyNoteName = 0x5700;     // Shift+F4
constexpr int kKeyAddresses = 0x5800;    // Shift+F5
constexpr int kKeyReplace = 0x5900;      // Shift+F6
constexpr int kKeyMailMerge = 0x5B00;    // Shift+F8
constexpr int kKeyDefaults = 0x5C00;     // Shift+F9
constexpr int kKeyPurge = 0x1600;        // Alt+U
constexpr int kKeyTransactions = 0x1400; // Alt+T

enum Message {
    kMsgNoCode = 201, kMsgNoInterfaceCode = 2103, kMsgNoTax = 213, kMsgNoTerms = 211,
    kMsgAccountMissing = 233, kMsgNotDetail = 289, kMsgNoAccount = 583, kMsgOpenInvoicesAccount = 1630,
    kMsgDifferenceAccount = 1706, kMsgTaxMissing = 245, kMsgTermsMissing = 2105, kMsgSalespersonMissing = 557,
    kMsgNegative = 393, kMsgTooLarge = 1710, kMsgTypeChange = 1674, kMsgMessageMissing = 2107,
    kMsgSameAccounts = 1606, kMsgAmounts = 263, kMsgHistory = 2101, kMsgOpenInvoices = 407,
    kMsgDelete = 957, kMsgNumberTaken = 561, kMsgNotInterfaced = 559, kMsgCashBalances = 579,
    kMsgPurge = 1728
};

constexpr double kMaxAmountLimit = 999999999999.0;

const char kYesNo[] = "\001No,Yes";
const char kAccountTypes[] = "\001Open,Balance Forward,Cash";
const char kPriceLevels[] = "\001None,A,B,C,D,E,F";

// A user-defined companion record under the customer's code.
class UdfCompanion : public EditorCompanion {
public:
    explicit UdfCompanion(FileNo master) : udf_(No(master)) {}
    bool Open() override { return udf_.GetFileId() < 0 || udf_.Open(); }
    void Close() override { udf_.Close(); }
    void Start(const void* record, bool existing) override
    {
        const auto* r = static_cast<const CustomerRecord*>(record);
        if (udf_.GetFileId() < 0)
            return;
        if (!existing || !udf_.Find(r->Code))
            udf_.InitStruct(r->Code);
    }
    bool Save(const void* record) override
    {
        if (udf_.GetFileId() < 0)
            return true;
        const auto* r = static_cast<const CustomerRecord*>(record);
        // a numbered record has its code only now
        TagUDFDataCV values = udf_.Record();
        udf_.InitStruct(r->Code);
        std::memcpy(&udf_.Record().data, &values.data, sizeof values.data);
        return udf_.Save();
    }
    bool Delete(const void* record) override
    {
        if (udf_.GetFileId() < 0)
            return true;
        udf_.InitStruct(static_cast<const CustomerRecord*>(record)->Code);
        return udf_.Delete();
    }
    CBwUDFDCV& Data() { return udf_; }

private:
    CBwUDFDCV udf_;
};

// The note file goes with the deleted record (after a question when it exists).
class NoteCompanion : public EditorCompanion {
public:
    explicit NoteCompanion(FileNo master) : master_(master) {}
    bool Open() override { return true; }
    void Close() override {}
    void Start(const void*, bool) override {}
    bool Save(const void*) override { return true; }
    bool Delete(const void* record) override
    {
        const auto* r = static_cast<const CustomerRecord*>(record);
        const std::string name = Text(r->NoteName, sizeof r->NoteName);
        if (!name.empty())
            ConfirmDeleteNoteFile(name.c_str(), No(master_));
        return true;
    }

private:
    FileNo master_;
};

// The session of this build has no read-only mode: every key is bound.
constexpr bool ReadOnly() { return false; }

class CustomerEditor : public EditorFrame {
public:
    CustomerEditor(FileNo file, TagLookUp* caller) : EditorFrame(MakeSpec(file), caller), master_(file)
    {
        auto udf = std::make_unique<UdfCompanion>(file);
        udf_ = udf.get();
        AddCompanion(std::make_unique<NoteCompanion>(file));
        if (file == FileNo::Customers)
            AddCompanion(UdfLabelsCompanion('C'));
        AddCompanion(std::move(udf));
    }

    // ---- field handlers
    int CodeExit()
    {
        if (ScreenCode().empty()) {
            if (AutoNumbering())
                return FX_GO_ON;
            if (KeySlot() == kKeyPurge)
                return FX_GO_ON;
            ShowMessage(kMsgNoCode, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        const int answer = CodeCheck();
        saved_ = Customer();
        if (!Existing())
            std::memset(&saved_, 0, sizeof saved_);
        return answer;
    }
    int LedgerAccountExit() { return CheckLedgerAccount(); }
    int AccountEnter()
    {
        accountOnEntry_ = FxFieldGet(Form(), kAccount);
        return FX_GO_ON;
    }
    int AccountExit() { return CheckAccountField(); }
    int TaxExit() { return CheckTax(); }
    int TermsExit() { return CheckTerms(); }
    int SalespersonExit() { return CheckSalesperson(); }
    int CreditLimitExit()
    {
        ShowAvailable();
        return FX_GO_ON;
    }
    int AmountLimitExit() { return CheckAmountLimit(FxFieldGet(Form(), kAmountLimit)); }

    // ---- keys
    int NotesKey()
    {
        const int saved = Save();
        if (saved == FX_STAY_FOCUSED || saved == FX_STAY)
            return saved;
        const std::string code = RecordCode();
        CustomerRecord r{};
        if (!ReadByCode(code, &r, 0))
            return FX_STAY;
        char name[32] = {};
        std::snprintf(name, sizeof name, "%s", Text(r.NoteName, sizeof r.NoteName).c_str());
        EditRecordNotes(name, code.c_str(), No(master_));
        if (!ReadByCode(code, &r, 0))
            return FX_STAY;
        if (Text(r.NoteName, sizeof r.NoteName) != name) {
            Put(r.NoteName, sizeof r.NoteName, name);
            KeyBuffer key;
            std::memcpy(key.bytes, r.Code, sizeof r.Code);
            const Status s = File().Write(B_UPDATE, &r, static_cast<int>(sizeof r), &key);
            if (!s.Ok()) {
                s.Report();
                return FX_STAY;
            }
        }
        FxFieldSet(Form(), kCode, code.c_str());
        CodeExit();
        FxFocusField(Form(), kName);
        return FX_STAY_FOCUSED;
    }

    int BalancesKey()
    {
        ScreenToRecord();
        if (Customer().AccountType == 'C') {
            ShowMessage(kMsgCashBalances, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (Text(Customer().TermsCode, sizeof Customer().TermsCode).empty()) {
            ShowMessage(kMsgNoTerms, MESSAGE_DEFAULT_CONTEXT);
            FxFocusField(Form(), kTermsCode);
            return FX_STAY_FOCUSED;
        }
        if (RSEditCVBal == nullptr)
            return NotAvailable("RSEditCVBal");
        const int saved = Save();
        if (saved != FX_LEAVE && saved != FX_RECORD_DONE)
            return saved;
        SetDeleteKey();
        CustomerRecord r{};
        if (!ReadByCode(RecordCode(), &r, B_LOCK_MULTI_NOWAIT))
            return FX_STAY;
        TagTermsRecord terms{};
        ReadTerms(Text(r.TermsCode, sizeof r.TermsCode), &terms, false);
        if (RSEditCVBal(master_ == FileNo::Customers ? 1 : 0, File().Handle(), openInvoices_.Handle(),
                        accounts_.Handle(), &terms, &r) != 0) {
            std::memcpy(Record(), &r, sizeof r);
            RecordToScreen();
        }
        saved_ = r;
        File().UnlockAll();
        return FX_STAY;
    }

    // F8: the code of the current field on its own editor, nested as a pick
    // list would open it; a saved code comes back into the field.
    int CodeEditorKey()
    {
        const int field = Form()->currentField;
        const std::string typed = Text(FxFieldGet(Form(), field), 64);
        switch (field) {
        case kTaxCode: {
            TaxRecord t{};
            Put(t.Code, sizeof t.Code, typed.c_str());
            if (!RunNested(FileNo::TaxTable, taxes_, &t, sizeof t, kEditorEdit, EditTaxCodeFromList))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(t.Code, sizeof t.Code).c_str());
            CheckTax();
            return FX_LOOKUP_SET;
        }
        case kTermsCode: {
            TagTermsRecord t{};
            Put(t.Code, sizeof t.Code, typed.c_str());
            t.Mode = 'N';
            t.NextMonth = 'N';
            if (!RunNested(FileNo::Terms, terms_, &t, sizeof t, kEditorEdit, EditTermsCodeFromList))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(t.Code, sizeof t.Code).c_str());
            CheckTerms();
            return FX_LOOKUP_SET;
        }
        case kMessageCode: {
            MessageCodeRecord m{};
            Put(m.Code, sizeof m.Code, typed.c_str());
            // the editor starts on the code typed, as the other code editors do
            int32_t word = kEditorEdit;
            EditorCaller caller{messages_.Handle(), &m, &word};
            if (RSEditMsgCodeFor(&caller) != FX_KEY_F10)
                return FX_STAY;
            FxFieldSet(Form(), field, Text(m.Code, sizeof m.Code).c_str());
            return FX_LOOKUP_SET;
        }
        case kSalesperson: {
            SalespersonRecord p{};
            Put(p.Code, sizeof p.Code, typed.c_str());
            if (!RunNested(FileNo::Salespersons, salespersons_, &p, sizeof p, kEditorEdit, RSEditSPerNoTrack))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(p.Code, sizeof p.Code).c_str());
            CheckSalesperson();
            return FX_LOOKUP_SET;
        }
        default:
            return FX_STAY;
        }
    }

    int DialKey()
    {
        if (RSEditDialer == nullptr)
            return NotAvailable("RSEditDialer");
        ScreenToRecord();
        RSEditDialer(Record());
        return FX_STAY;
    }

    int HistoryKey()
    {
        if (RSEditCustHist == nullptr)
            return NotAvailable("RSEditCustHist");
        if (Save() != FX_RECORD_DONE)
            return FX_STAY;
        SetDeleteKey();
        return RSEditCustHist(No(master_), File().Handle(), Record());
    }

    int ReplaceKey()
    {
        if (!CheckUserAccess(kReplaceRight, 0, User().c_str(), 1))
            return FX_STAY;
        if (RSSearchReplaceCode == nullptr)
            return NotAvailable("RSSearchReplaceCode");
        const std::string code = ScreenCode();
        const int saved = Save();
        if (saved == FX_STAY_FOCUSED || saved == FX_STAY)
            return saved;
        RSSearchReplaceCode(No(master_), File().Handle(), code.c_str());
        return FX_RECORD_DONE;
    }

    // Shift+F4: the name of the customer's note file.
    int NoteNameKey()
    {
        const int saved = Save();
        if (saved == FX_STAY_FOCUSED || saved == FX_STAY)
            return saved;
        char name[32] = {};
        std::memcpy(name, Customer().NoteName, sizeof Customer().NoteName);
        RSEditNoteName(name, RecordCode().c_str(), No(master_));
        Put(Customer().NoteName, sizeof Customer().NoteName, name);
        return FX_STAY;
    }

    // Shift+F5: the customer's further addresses.
    int AddressesKey()
    {
        if (Save() != FX_RECORD_DONE)
            return FX_STAY;
        const std::string code = RecordCode();
        CustomerRecord r{};
        if (!ReadByCode(code, &r, 0))
            return FX_STAY;
        std::memcpy(Record(), &r, sizeof r);
        SetDeleteKey();
        Table addresses;
        const Status s = addresses.Open(FileNo::CustomerAddresses);
        if (!s.Ok()) {
            s.Report();
            return FX_STAY;
        }
        TagAltAddress picked{};
        SelectAltAddress(1, code.c_str(), addresses.Handle(), &picked, 4, 5, 13, 68,
                         No(FileNo::CustomerAddresses), 1, 1);
        return FX_STAY;
    }

    // Shift+F8: the mail merge of this customer.
    int MailMergeKey()
    {
        if (RunCustomerMailMerge == nullptr)
            return NotAvailable("RunCustomerMailMerge");
        const int saved = Save();
        if (saved != FX_LEAVE && saved != FX_RECORD_DONE)
            return FX_STAY;
        const std::string code = RecordCode();
        if (code.empty())
            return FX_STAY;
        const int answer = RunCustomerMailMerge(code.c_str());
        CustomerRecord r{};
        if (ReadByCode(code, &r, 0))
            std::memcpy(Record(), &r, sizeof r);
        return answer;
    }

    int DefaultsKey()
    {
        RSEditDefaultCustomer(0);
        ScreenToRecord();
        defaults_ = ReadCustomerDefaults(general_);
        if (!Existing()) {
            TakeOverDefaults(Customer(), defaults_);
            RecordToScreen();
        }
        return FX_STAY;
    }

    int PurgeKey()
    {
        int choice = 2;
        if (AskMessage(kMsgPurge, MESSAGE_DEFAULT_CONTEXT, &choice, "\002 Continue,Cancel", nullptr, -1, -1, 0, 0,
                       0) != 0 ||
            choice != 1)
            return FX_STAY;
        const Status s = PurgeInactive();
        if (!s.Ok()) {
            ReportRecordManagerError(s.status, 1, B_DELETE, No(master_), 0);
            return FX_STAY;
        }
        return FX_RECORD_DONE;
    }

    int TransactionsKey()
    {
        if (RecordCode().empty() || Customer().AccountType != 'O' || master_ != FileNo::Customers)
            return FX_STAY;
        FlyDepHistory(RecordCode().c_str(), historySummary_.Handle(), historyDetail_.Handle(), 6, 3, 8, 74);
        return FX_STAY;
    }

protected:
    static EditorSpec MakeSpec(FileNo file)
    {
        EditorSpec s;
        s.screenName = "RSEditCustomer";
        s.top = 1, s.left = 1, s.bottom = 23, s.right = 78;
        s.file = file;
        s.recordLength = sizeof(CustomerRecord);
        s.codeOffset = offsetof(CustomerRecord, Code);
        s.codeLength = sizeof(CustomerRecord::Code);
        s.auditEntity = file == FileNo::Customers ? kCustomerEntity : 0;
        s.function = kCustomerFunction;
        s.deleteRight = kDeleteRight;
        s.addRight = kAddRight;
        s.changeRight = kChangeRight;
        s.blankCodeMessage = kMsgNoCode;
        s.deleteQuestion = kMsgDelete;
        s.keyOptions = 0x23;
        s.menu = ReadOnly() ? 314 : 313;
        s.workOnCallerRecord = true;
        return s;
    }

    std::span<const ScreenField> Template() const override
    {
        static constexpr std::array<ScreenField, 76> kFields{{
            bwps::Field(kCode, 1, 14, "%-10sC").Flags(FX_FIELD_UPPER).Prompt(13),
            bwps::Field(kName, 2, 14, "%-40s").Prompt(14),
            bwps::Field(kInactive, 1, 60, "%-10sm").Choices(kYesNo).Prompt(744),
            bwps::Field(kText4, 3, 14, "%-40s").Prompt(15),
            bwps::Field(kAddress1, 4, 14, "%-40s").Prompt(16),
            bwps::Field(kAddress2, 5, 14, "%-40s").Prompt(16),
            bwps::Field(kText7, 6, 14, "%-40s").Prompt(546),
            bwps::Field(kCity, 7, 14, "%-15s").Prompt(638),
            bwps::Field(kState, 7, 31, "%-3sC").Flags(FX_FIELD_UPPER),
            bwps::Field(kZip, 7, 36, "ccccc-cccc"),
            bwps::Field(kText11, 8, 14, "%-13s").Prompt(17),
            bwps::Field(kPhone1, 9, 14, "(nnn) nnn-nnnn").Prompt(18),
            bwps::Field(kPhone2, 9, 30, "(nnn) nnn-nnnn"),
            bwps::Field(kPhone3, 9, 46, "(nnn) nnn-nnnn"),
            bwps::Field(kText15, 8, 46, "%-13s").Prompt(619),
            bwps::Field(kAccountType, 10, 14, "%-28sm").Choices(kAccountTypes).Prompt(20),
            bwps::Field(kInterfaceCode, 10, 60, "%-5s").Prompt(25),
            bwps::Field(kLedgerAccount, 11, 14, "%-10sC").Flags(FX_FIELD_UPPER).Prompt(620),
            bwps::Field(kAccount, 11, 46, "%-10sC").Flags(FX_FIELD_UPPER).Prompt(689),
            bwps::Field(kTaxCode, 12, 14, "%-5sC").Flags(FX_FIELD_UPPER).Prompt(23),
            bwps::Field(kTaxDescription, 12, 21, "%-10s").DisplayOnly().Prompt(22),
            bwps::Field(kTermsCode, 13, 14, "%-5sC").Flags(FX_FIELD_UPPER).Prompt(22),
            bwps::Field(kTermsDescription, 13, 21, "%-17s").DisplayOnly().Prompt(23),
            bwps::Field(kMessageCode, 14, 14, "%-5sC").Flags(FX_FIELD_UPPER).Prompt(24),
            bwps::Field(kPriceLevel, 14, 46, "%-19sm").Choices(kPriceLevels).Prompt(21),
            bwps::Field(kSalesperson, 15, 14, "%-5sC").Flags(FX_FIELD_UPPER).Prompt(27),
            bwps::Field(kText27, 15, 46, "%-5sC").Flags(FX_FIELD_UPPER).Prompt(26),
            bwps::Field(kCreditLimit, 16, 14, "%12.2f").Prompt(29),
            bwps::Field(kRate, 16, 46, "%6.3fu").Prompt(28),
            bwps::Field(kAmountLimit, 17, 14, "%12.2f").Prompt(805),
            bwps::Field(kText31, 17, 46, "%-5s").Prompt(618),
            bwps::Field(kShipVia, 18, 14, "%-15sC").Flags(FX_FIELD_UPPER).Prompt(770),
            bwps::Field(33, 23, 1, "%-1s").DisplayOnly(), bwps::Field(34, 23, 1, "%-1s").DisplayOnly(),
            bwps::Field(35, 23, 1, "%-1s").DisplayOnly(), bwps::Field(36, 23, 1, "%-1s").DisplayOnly(),
            bwps::Field(37, 23, 1, "%-1s").DisplayOnly(), bwps::Field(38, 23, 1, "%-1s").DisplayOnly(),
            bwps::Field(39, 23, 1, "%-1s").DisplayOnly(), bwps::Field(40, 23, 1, "%-1s").DisplayOnly(),
            bwps::Field(41, 23, 1, "%-1s").DisplayOnly(), bwps::Field(42, 23, 1, "%-1s").DisplayOnly(),
            bwps::Field(43, 23, 1, "%-1s").DisplayOnly(),
            // user-defined labels and values (a second page of the form)
            bwps::Field(44, 1, 2, "%-30s").DisplayOnly().Prompt(1),
            bwps::Field(45, 2, 2, "%-30s").DisplayOnly(), bwps::Field(46, 3, 2, "%-30s").DisplayOnly(),
            bwps::Field(47, 4, 2, "%-30s").DisplayOnly(), bwps::Field(48, 5, 2, "%-30s").DisplayOnly(),
            bwps::Field(49, 6, 2, "%-30s").DisplayOnly(), bwps::Field(50, 7, 2, "%-30s").DisplayOnly(),
            bwps::Field(51, 8, 2, "%-30s").DisplayOnly(), bwps::Field(52, 9, 2, "%-30s").DisplayOnly(),
            bwps::Field(53, 10, 2, "%-30s").DisplayOnly(), bwps::Field(54, 11, 2, "%-30s").DisplayOnly(),
            bwps::Field(55, 12, 2, "%-30s").DisplayOnly(),
            bwps::Field(56, 1, 34, "%-40s").Prompt(764), bwps::Field(57, 2, 34, "%-40s"),
            bwps::Field(58, 3, 34, "%-40s"), bwps::Field(59, 4, 34, "%-40s"),
            bwps::Field(60, 5, 34, "%-40s"), bwps::Field(61, 6, 34, "%-40s"),
            bwps::Field(62, 7, 34, "%10.2f"), bwps::Field(63, 8, 34, "%10.2f"),
            bwps::Field(64, 9, 34, "%10.2f"), bwps::Field(65, 10, 34, "%10.2f"),
            bwps::Field(66, 11, 34, "nn/nn/nnnn"), bwps::Field(67, 12, 34, "nn/nn/nnnn"),
            bwps::Field(kRunning1, 19, 14, "%12.2f").DisplayOnly(),
            bwps::Field(kRunningNet, 19, 46, "%12.2f").DisplayOnly(),
            bwps::Field(kBalance, 20, 14, "%12.2f").DisplayOnly(),
            bwps::Field(kAvailable, 20, 46, "%12.2f").DisplayOnly(),
            bwps::Field(kDate1, 21, 14, "nn/nn/nn").DisplayOnly(),
            bwps::Field(kAmount1, 21, 46, "%12.2f").DisplayOnly(),
            bwps::Field(kDate2, 22, 14, "nn/nn/nn").DisplayOnly(),
            bwps::Field(kAmount2, 22, 46, "%12.2f").DisplayOnly(),
            {},
        }};
        return kFields;
    }

    void BindFields(ScreenField* t) override
    {
        t[kCode - 1].exitHandler = EditorHandler<CustomerEditor, &CustomerEditor::CodeExit>;
        t[kLedgerAccount - 1].exitHandler = EditorHandler<CustomerEditor, &CustomerEditor::LedgerAccountExit>;
        t[kAccount - 1].entryHandler = EditorHandler<CustomerEditor, &CustomerEditor::AccountEnter>;
        t[kAccount - 1].exitHandler = EditorHandler<CustomerEditor, &CustomerEditor::AccountExit>;
        t[kTaxCode - 1].exitHandler = EditorHandler<CustomerEditor, &CustomerEditor::TaxExit>;
        t[kTermsCode - 1].exitHandler = EditorHandler<CustomerEditor, &CustomerEditor::TermsExit>;
        t[kSalesperson - 1].exitHandler = EditorHandler<CustomerEditor, &CustomerEditor::SalespersonExit>;
        t[kCreditLimit - 1].exitHandler = EditorHandler<CustomerEditor, &CustomerEditor::CreditLimitExit>;
        t[kAmountLimit - 1].exitHandler = EditorHandler<CustomerEditor, &CustomerEditor::AmountLimitExit>;
    }

    void BindKeys() override
    {
        const bool readOnly = ReadOnly();
        FxSetKeyHandler(Form(), kKeyNotes, EditorHandler<CustomerEditor, &CustomerEditor::NotesKey>);
        FxSetKeyHandler(Form(), kKeyCodeEditor, EditorHandler<CustomerEditor, &CustomerEditor::CodeEditorKey>);
        FxSetKeyCaption(Form(), kKeyCodeEditor, "Edit Code");
        FxSetKeyHandler(Form(), kKeyDial, EditorHandler<CustomerEditor, &CustomerEditor::DialKey>);
        FxSetKeyHandler(Form(), kKeyTransactions,
                        EditorHandler<CustomerEditor, &CustomerEditor::TransactionsKey>);
        FxSetKeyHandler(Form(), kKeyNoteName, EditorHandler<CustomerEditor, &CustomerEditor::NoteNameKey>);
        if (master_ == FileNo::Customers) {
            FxSetKeyHandler(Form(), kKeyMailMerge, EditorHandler<CustomerEditor, &CustomerEditor::MailMergeKey>);
            if (!Nested())
                FxSetKeyHandler(Form(), kKeyAddresses,
                                EditorHandler<CustomerEditor, &CustomerEditor::AddressesKey>);
        }
        if (readOnly)
            return;
        if (!Nested())
            FxSetKeyHandler(Form(), kKeyBalances, EditorHandler<CustomerEditor, &CustomerEditor::BalancesKey>);
        FxSetKeyHandler(Form(), kKeyHistory, EditorHandler<CustomerEditor, &CustomerEditor::HistoryKey>);
        FxSetKeyHandler(Form(), kKeyReplace, EditorHandler<CustomerEditor, &CustomerEditor::ReplaceKey>);
        FxSetKeyHandler(Form(), kKeyDefaults, EditorHandler<CustomerEditor, &CustomerEditor::DefaultsKey>);
        if (CheckUserAccess(kPurgeRight, 0, User().c_str(), 0))
            FxSetKeyHandler(Form(), kKeyPurge, EditorHandler<CustomerEditor, &CustomerEditor::PurgeKey>);
    }

    bool Prepare() override
    {
        const FileNo files[] = {FileNo::Terms, FileNo::Accounts, FileNo::TaxTable, FileNo::MessageCodes,
                                master_ == FileNo::Customers ? FileNo::ReceivablesOpenItems
                                                             : FileNo::PayablesOpenItems,
                                FileNo::General, FileNo::Salespersons, FileNo::CustomerHistoryDetail,
                                FileNo::CustomerHistorySummary, FileNo::ShipVia};
        Table* tables[] = {&terms_, &accounts_, &taxes_, &messages_, &openInvoices_, &general_,
                           &salespersons_, &historyDetail_, &historySummary_, &shipVia_};
        for (size_t i = 0; i < std::size(files); ++i) {
            const Status s = tables[i]->Open(files[i]);
            // the payables of a store not interfaced live nowhere: a vendor
            // then has no open invoices to check
            if (!s.Ok() && files[i] == FileNo::PayablesOpenItems && IsInterfacedToAccounting() == 0)
                continue;
            if (!s.Ok()) {
                s.Report();
                for (size_t j = 0; j < i; ++j)
                    tables[j]->Close();
                return false;
            }
        }
        defaults_ = ReadCustomerDefaults(general_);
        std::memset(&saved_, 0, sizeof saved_);
        return true;
    }

    void ClearRecord() override
    {
        InitCustomer(Customer());
        TakeOverDefaults(Customer(), defaults_);
    }

    void AfterNewRecord() override
    {
        std::memset(&saved_, 0, sizeof saved_);
        FxFieldSetDisplayOnly(Form(), kInactive,
                              CheckUserAccess(kInactiveRight, 0, User().c_str(), 0) != 0 ? 0 : 1);
        for (int f = kFirstHidden; f <= kLastHidden; ++f)
            FxFieldSetState(Form(), f, 2);
        SetKey(kKeyDial, false);
        SetKey(kKeyTransactions, false);
    }

    void AfterLoad() override
    {
        if (Existing())
            saved_ = Customer();
        SetKey(kKeyDial, Existing());
        SetKey(kKeyTransactions, !RecordCode().empty() && Customer().AccountType == 'O');
    }

    void RecordToScreen() override
    {
        const CustomerRecord& r = Customer();
        auto set = [this](int field, const char* text, size_t width) {
            FxFieldSet(Form(), field, Text(text, width).c_str());
        };
        set(kCode, r.Code, sizeof r.Code);
        set(kName, r.Name, sizeof r.Name);
        FxChoiceSet(Form(), kInactive, r.Status == 'I' ? 2 : 1);
        set(kText4, r.Field4, sizeof r.Field4);
        set(kAddress1, r.Address1, sizeof r.Address1);
        set(kAddress2, r.Address2, sizeof r.Address2);
        set(kText7, r.Field7, sizeof r.Field7);
        set(kCity, r.City, sizeof r.City);
        set(kState, r.State, sizeof r.State);
        set(kZip, r.Zip, sizeof r.Zip);
        set(kText11, r.Field11, sizeof r.Field11);
        for (int i = 0; i < 3; ++i)
            set(kPhone1 + i, r.Phone[i], sizeof r.Phone[i]);
        set(kText15, r.Field15, sizeof r.Field15);
        SelectChoiceByValue(Form(), kAccountType, r.AccountType, 'O', 'B', 'C', 0);
        set(kInterfaceCode, r.InterfaceCode, sizeof r.InterfaceCode);
        set(kLedgerAccount, r.LedgerAccount, sizeof r.LedgerAccount);
        set(kAccount, r.Account, sizeof r.Account);
        set(kTaxCode, r.TaxCode, sizeof r.TaxCode);
        set(kTermsCode, r.TermsCode, sizeof r.TermsCode);
        set(kMessageCode, r.MessageCode, sizeof r.MessageCode);
        SelectChoiceByValue(Form(), kPriceLevel, r.PriceLevel, 'N', 'A', 'B', 'C', 'D', 'E', 'F', 0);
        set(kSalesperson, r.Salesperson, sizeof r.Salesperson);
        set(kText27, r.Field27, sizeof r.Field27);
        ShowAmount(kCreditLimit, r.CreditLimit, 2);
        float rate = 0;
        std::memcpy(&rate, &r.Rate, sizeof rate);
        ShowAmount(kRate, rate, 3);
        ShowAmount(kAmountLimit, r.AmountLimit, 2);
        // field 31 shows no more than its width, whatever the record holds
        set(kText31, r.Field31, 5);
        set(kShipVia, r.ShipVia, sizeof r.ShipVia);
        ShowAmount(kRunning1, r.PaymentsTotal, 2);
        ShowAmount(kRunningNet, r.ChargesTotal - r.CreditsTotal, 2);
        ShowAmount(kBalance, r.Balance, 2);
        ShowAmount(kAmount1, r.LastSaleAmount, 2);
        ShowAmount(kAmount2, r.LastPaymentAmount, 2);
        ShowDate(kDate1, r.LastSaleDate);
        ShowDate(kDate2, r.LastPaymentDate);
        ShowAvailable();
        ShowDescriptions();
        if (udf_->Data().GetFileId() >= 0)
            udf_->Data().StructToScreen(Form(), kFirstValue);
        if (master_ == FileNo::Customers)
            CBwUDFSMngr::CustStructToScreen(Form(), kFirstLabel);
    }

    void ScreenToRecord() override
    {
        CustomerRecord& r = Customer();
        auto get = [this](int field, char* out, size_t width) { Put(out, width, FxFieldGet(Form(), field)); };
        get(kName, r.Name, sizeof r.Name);
        r.Status = FxChoiceGet(Form(), kInactive) == 2 ? 'I' : 'A';
        get(kText4, r.Field4, sizeof r.Field4);
        get(kAddress1, r.Address1, sizeof r.Address1);
        get(kAddress2, r.Address2, sizeof r.Address2);
        get(kText7, r.Field7, sizeof r.Field7);
        get(kCity, r.City, sizeof r.City);
        get(kState, r.State, sizeof r.State);
        get(kZip, r.Zip, sizeof r.Zip);
        get(kText11, r.Field11, sizeof r.Field11);
        for (int i = 0; i < 3; ++i)
            get(kPhone1 + i, r.Phone[i], sizeof r.Phone[i]);
        get(kText15, r.Field15, sizeof r.Field15);
        r.AccountType = static_cast<char>(GetSelectedChoiceValue(Form(), kAccountType, 'O', 'B', 'C', 0));
        if (r.AccountType != 'B' && r.AccountType != 'C')
            r.AccountType = 'O';
        // the interface code is kept blank-padded to its five characters
        std::string iface = Text(FxFieldGet(Form(), kInterfaceCode), 64);
        if (!iface.empty())
            iface.resize(5, ' ');
        Put(r.InterfaceCode, sizeof r.InterfaceCode, iface.c_str());
        get(kLedgerAccount, r.LedgerAccount, sizeof r.LedgerAccount);
        get(kAccount, r.Account, sizeof r.Account);
        get(kTaxCode, r.TaxCode, sizeof r.TaxCode);
        get(kTermsCode, r.TermsCode, sizeof r.TermsCode);
        get(kMessageCode, r.MessageCode, sizeof r.MessageCode);
        const int level = GetSelectedChoiceValue(Form(), kPriceLevel, 'N', 'A', 'B', 'C', 'D', 'E', 'F', 0);
        r.PriceLevel = level != 0 ? static_cast<char>(level) : 'N';
        get(kSalesperson, r.Salesperson, sizeof r.Salesperson);
        get(kText27, r.Field27, sizeof r.Field27);
        r.CreditLimit = Amount(kCreditLimit);
        const float rate = static_cast<float>(Amount(kRate));
        std::memcpy(&r.Rate, &rate, sizeof rate);
        r.AmountLimit = Amount(kAmountLimit);
        get(kText31, r.Field31, sizeof r.Field31);
        get(kShipVia, r.ShipVia, sizeof r.ShipVia);
        if (udf_->Data().GetFileId() >= 0)
            udf_->Data().ScreenToStruct(Form(), kFirstValue);
    }

    int CheckBeforeSave() override
    {
        CustomerRecord& r = Customer();
        if (Interfaced() && GetInterfaceFlag() == 'C') {
            if (Text(FxFieldGet(Form(), kInterfaceCode), 64).empty())
                return Refuse(kMsgNoInterfaceCode, kInterfaceCode);
            char department[16] = {};
            std::snprintf(department, sizeof department, "%s", FxFieldGet(Form(), kInterfaceCode));
            TagAccount account{};
            if (!ValidateInterfaceAccounts(accounts_.Handle(), department, &account)) {
                FxFocusField(Form(), kInterfaceCode);
                return FX_STAY_FOCUSED;
            }
        }
        ScreenToRecord();
        // an account type that moves away from open items asks while
        // invoices are open
        if (Existing()) {
            const char before = saved_.AccountType, after = r.AccountType;
            if ((before == 'O' && after != 'O') || (before == 'B' && after == 'C')) {
                if (HasOpenInvoice(openInvoices_, RecordCode())) {
                    int choice = 1;
                    AskMessage(kMsgTypeChange, MESSAGE_DEFAULT_CONTEXT, &choice,
                               "\001 Continue,Cancel,F1 Help", nullptr, -1, -1, 0, 0, 0);
                    if (choice != 1) {
                        FxFocusField(Form(), kAccountType);
                        return FX_STAY_FOCUSED;
                    }
                }
            }
        }
        if (r.AccountType != 'C') {
            const bool required = Interfaced();
            if (Text(r.TaxCode, sizeof r.TaxCode).empty()) {
                if (required)
                    return Refuse(kMsgNoTax, kTaxCode);
            } else if (CheckTax() != FX_GO_ON) {
                FxFocusField(Form(), kTaxCode);
                return FX_STAY_FOCUSED;
            }
            if (Text(r.TermsCode, sizeof r.TermsCode).empty()) {
                if (required)
                    return Refuse(kMsgNoTerms, kTermsCode);
            } else if (CheckTerms() != FX_GO_ON) {
                FxFocusField(Form(), kTermsCode);
                return FX_STAY_FOCUSED;
            }
        }
        const std::string message = Text(r.MessageCode, sizeof r.MessageCode);
        if (!message.empty()) {
            MessageCodeRecord m{};
            const Status s = messages_.Find(MessageKey(message), m);
            if (s.NotFound())
                return Refuse(kMsgMessageMissing, kMessageCode);
            if (!s.Ok()) {
                s.Report();
                return FX_STAY;
            }
        }
        const std::string ledger = Text(r.LedgerAccount, sizeof r.LedgerAccount);
        const std::string account = Text(r.Account, sizeof r.Account);
        if (!ledger.empty() && ledger == account)
            return Refuse(kMsgSameAccounts, kLedgerAccount);
        if (!ledger.empty() && CheckLedgerAccount() != FX_GO_ON) {
            FxFocusField(Form(), kLedgerAccount);
            return FX_STAY_FOCUSED;
        }
        if (account.empty())
            return Refuse(kMsgNoAccount, kAccount);
        TagAccount found{};
        if (!ValidateAccountNo(accounts_.Handle(), account.c_str(), &found))
            return Refuse(kMsgAccountMissing, kAccount);
        if (found.Kind != 'D')
            return Refuse(kMsgNotDetail, kAccount);
        if (CheckAmountLimit(FxFieldGet(Form(), kAmountLimit)) != FX_GO_ON) {
            FxFocusField(Form(), kAmountLimit);
            return FX_STAY_FOCUSED;
        }
        if (r.Status == 'I' && RemovalCheck() != FX_GO_ON)
            return FX_STAY;
        return FX_GO_ON;
    }

    int CheckBeforeDelete() override { return RemovalCheck(); }

    bool BlankCodeAccepted() override { return AutoNumbering() && !Existing(); }

    int NumberRecord(std::string* code) override
    {
        return TakeCustomerNumber(general_, code) ? FX_GO_ON : FX_STAY;
    }

    int RenumberAfterDuplicate(std::string* code) override
    {
        int choice = 2;
        if (AskMessage(kMsgNumberTaken, MESSAGE_DEFAULT_CONTEXT, &choice, "\001Yes,No", nullptr, -1, -1, 0, 0,
                       0) != 0 ||
            choice != 1)
            return FX_STAY;
        return NumberRecord(code);
    }

    int LookUp(int field) override
    {
        std::string text = Text(FxFieldGet(Form(), field), 64);
        const char* start = text.empty() ? nullptr : text.c_str();
        switch (field) {
        case kCode:
            return LookUpCode([this](const char* s, uint16_t handle, void* record) {
                return master_ == FileNo::Customers
                           ? FlyCustomers(s, 0, handle, record, 4, 5, 13, 68, nullptr, 0)
                           : FlyVendors(s, 0, handle, record, 4, 5, 13, 68, nullptr, 0);
            });
        case kInterfaceCode: {
            if (!Interfaced()) {
                ShowMessage(kMsgNotInterfaced, MESSAGE_DEFAULT_CONTEXT);
                return FX_STAY;
            }
            TagAccount a{};
            if (!FlyAccount(start, 0, accounts_.Handle(), &a, 4, 13, 13, 54, nullptr, 1))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(a.Number, sizeof a.Number).c_str());
            char department[16] = {};
            std::snprintf(department, sizeof department, "%s", FxFieldGet(Form(), field));
            if (!ValidateInterfaceAccounts(accounts_.Handle(), department, &a))
                return FX_STAY;
            return FX_LOOKUP_SET;
        }
        case kLedgerAccount:
        case kAccount: {
            TagAccount a{};
            if (!FlyAccount(start, 0, accounts_.Handle(), &a, 4, 13, 13, 54, nullptr, 1))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(a.Number, sizeof a.Number).c_str());
            if (field == kLedgerAccount)
                CheckLedgerAccount();
            return FX_LOOKUP_SET;
        }
        case kTaxCode: {
            TaxRecord t{};
            if (!FlyTaxes(start, 0, taxes_.Handle(), &t, 4, 28, 13, 38, nullptr))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(t.Code, sizeof t.Code).c_str());
            CheckTax();
            return FX_LOOKUP_SET;
        }
        case kTermsCode: {
            TagTermsRecord t{};
            if (!FlyTerms(start, 0, terms_.Handle(), &t, 5, 10, 10, 58, nullptr))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(t.Code, sizeof t.Code).c_str());
            CheckTerms();
            return FX_LOOKUP_SET;
        }
        case kMessageCode: {
            MessageCodeRecord m{};
            if (!FlyMessages(start, 0, messages_.Handle(), &m, 4, 13, 13, 60, nullptr))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(m.Code, sizeof m.Code).c_str());
            return FX_LOOKUP_SET;
        }
        case kSalesperson: {
            SalespersonRecord p{};
            if (!FlySalespersons(start, 0, salespersons_.Handle(), &p, 5, 13, 13, 54, nullptr))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(p.Code, sizeof p.Code).c_str());
            CheckSalesperson();
            return FX_LOOKUP_SET;
        }
        case kShipVia: {
            ShipViaRecord v{};
            if (!FlyShipVia(start, 0, shipVia_.Handle(), &v, 5, 6, 13, 67, nullptr))
                return FX_STAY;
            FxFieldSet(Form(), field, Text(v.Code, sizeof v.Code).c_str());
            return FX_LOOKUP_SET;
        }
        default:
            return FX_STAY;
        }
    }

private:
    CustomerRecord& Customer() { return *static_cast<CustomerRecord*>(Record()); }

    static bool Interfaced() { return IsInterfacedToAccounting() != 0; }
    static bool AutoNumbering() { return GetSessionOptionWord() != 0; }
    static std::string User()
    {
        const SessionBlock* session = GetSessionPaths();
        return std::string(session->UserId, strnlen(session->UserId, BWPS_USER_ID_SIZE));
    }

    static int NotAvailable(const char* entry)
    {
        const std::string note = std::string(entry) + " is not available in this build.";
        FxMessageBox(nullptr, note.c_str(), nullptr, FX_MB_ICONINFORMATION, 0);
        return FX_STAY;
    }

    // Opens an editor of a code file for this screen as its pick list
    // would: the record holds the code typed, the word asks for it. True
    // when the editor saved; the record then holds the saved one.
    static bool RunNested(FileNo file, Table& table, void* record, size_t length, int32_t word,
                          int (*editor)(void*))
    {
        TagLookUpData data{};
        data.FileId = static_cast<uint16_t>(No(file));
        data.Handle = table.Handle();
        data.RecordLength = static_cast<uint16_t>(length);
        data.Record = record;
        uint8_t work[32] = {};
        std::memcpy(work, &word, sizeof word);
        TagLookUp caller{};
        caller.Data = &data;
        caller.WorkArea = work;
        return editor(&caller) == kEditorSaved;
    }

    int Refuse(int message, int field)
    {
        ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(Form(), field);
        return FX_STAY_FOCUSED;
    }

    struct CodeKey {
        char code[6];
    };
    static CodeKey MessageKey(const std::string& code)
    {
        CodeKey k{};
        std::snprintf(k.code, sizeof k.code, "%s", code.c_str());
        return k;
    }

    bool ReadByCode(const std::string& code, CustomerRecord* r, int lockBias)
    {
        KeyBuffer key;
        std::memcpy(key.bytes, code.data(), std::min(code.size(), sizeof r->Code - 1));
        const Status s = File().Get(B_GET_EQUAL + lockBias, key.bytes, r, static_cast<int>(sizeof *r));
        if (!s.Ok()) {
            s.Report();
            return false;
        }
        return true;
    }

    double Amount(int field)
    {
        double value = 0;
        if (FxParseNumber(FxFieldGet(Form(), field), 0, &value) != 0)
            value = 0;
        return value;
    }
    void ShowAmount(int field, double value, int decimals)
    {
        char text[48];
        FxFieldSet(Form(), field, FxFormatAmount(value, text, decimals));
    }
    void ShowDate(int field, int32_t date)
    {
        char text[16] = {};
        if (date != 0)
            std::snprintf(text, sizeof text, "%02d/%02d/%02d", date / 100 % 100, date % 100, date / 10000 % 100);
        FxFieldSet(Form(), field, text);
    }
    void ShowAvailable()
    {
        const double balance = Customer().Balance;
        ShowAmount(kAvailable, Amount(kCreditLimit) - balance, 2);
    }

    bool ReadTerms(const std::string& code, TagTermsRecord* t, bool report)
    {
        const Status s = terms_.Find(MessageKey(code), *t);
        if (!s.Ok() && report && !s.NotFound())
            s.Report();
        return s.Ok();
    }

    void ShowDescriptions()
    {
        const std::string tax = Text(FxFieldGet(Form(), kTaxCode), 16);
        TaxRecord t{};
        FxFieldSet(Form(), kTaxDescription,
                   !tax.empty() && taxes_.Find(MessageKey(tax), t).Ok() ? Text(t.Description, 11).c_str() : " ");
        const std::string termsCode = Text(FxFieldGet(Form(), kTermsCode), 16);
        TagTermsRecord terms{};
        FxFieldSet(Form(), kTermsDescription,
                   !termsCode.empty() && ReadTerms(termsCode, &terms, false)
                       ? Text(terms.Description, sizeof terms.Description).c_str()
                       : " ");
    }

    int CheckLedgerAccount()
    {
        const std::string account = Text(FxFieldGet(Form(), kLedgerAccount), 16);
        if (account.empty())
            return FX_GO_ON;
        TagAccount found{};
        if (!ValidateAccountNo(accounts_.Handle(), account.c_str(), &found)) {
            ShowMessage(kMsgAccountMissing, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (found.Kind != 'D') {
            ShowMessage(kMsgNotDetail, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }

    int CheckAccountField()
    {
        if (ScreenCode().empty() && !AutoNumbering()) {
            ShowMessage(kMsgNoCode, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        const std::string account = Text(FxFieldGet(Form(), kAccount), 16);
        if (account.empty()) {
            ShowMessage(kMsgNoAccount, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (account == Text(accountOnEntry_.c_str(), 16))
            return FX_GO_ON;
        if (Existing() && HasOpenInvoice(openInvoices_, RecordCode())) {
            ShowMessage(kMsgOpenInvoicesAccount, MESSAGE_DEFAULT_CONTEXT);
            FxFieldSet(Form(), kAccount, accountOnEntry_.c_str());
            return FX_STAY;
        }
        if (IsDifferenceAccount(account.c_str())) {
            ShowMessage(kMsgDifferenceAccount, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        TagAccount found{};
        if (!ValidateAccountNo(accounts_.Handle(), account.c_str(), &found)) {
            ShowMessage(kMsgAccountMissing, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (found.Kind != 'D') {
            ShowMessage(kMsgNotDetail, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (Interfaced() && !CheckNotInterfaceAccount(account.c_str(), 0, 2, 3, 0))
            return FX_STAY;
        return FX_GO_ON;
    }

    int CheckTax()
    {
        const std::string code = Text(FxFieldGet(Form(), kTaxCode), 16);
        if (code.empty())
            return FX_GO_ON;
        TaxRecord t{};
        const Status s = taxes_.Find(MessageKey(code), t);
        if (s.NotFound()) {
            ShowMessage(kMsgTaxMissing, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (!s.Ok()) {
            s.Report();
            return FX_STAY;
        }
        FxFieldSet(Form(), kTaxDescription, Text(t.Description, 11).c_str());
        return FX_GO_ON;
    }

    int CheckTerms()
    {
        const std::string code = Text(FxFieldGet(Form(), kTermsCode), 16);
        if (code.empty())
            return FX_GO_ON;
        TagTermsRecord t{};
        const Status s = terms_.Find(MessageKey(code), t);
        if (s.NotFound()) {
            ShowMessage(kMsgTermsMissing, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (!s.Ok()) {
            s.Report();
            return FX_STAY;
        }
        FxFieldSet(Form(), kTermsDescription, Text(t.Description, sizeof t.Description).c_str());
        return FX_GO_ON;
    }

    int CheckSalesperson()
    {
        const std::string code = Text(FxFieldGet(Form(), kSalesperson), 16);
        if (code.empty())
            return FX_GO_ON;
        SalespersonRecord p{};
        const Status s = salespersons_.Find(MessageKey(code), p);
        if (s.NotFound()) {
            ShowMessage(kMsgSalespersonMissing, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (!s.Ok()) {
            s.Report();
            return FX_STAY;
        }
        return FX_GO_ON;
    }

    static int CheckAmountLimit(const char* text)
    {
        double value = 0;
        if (FxParseNumber(text, 0, &value) != 0)
            value = 0;
        if (value < 0 || std::isnan(value)) {
            ShowMessage(kMsgNegative, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (value > kMaxAmountLimit) {
            ShowMessage(kMsgTooLarge, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }

    // Before a record is made inactive or deleted.
    int RemovalCheck()
    {
        const std::string code = ScreenCode().empty() ? RecordCode() : ScreenCode();
        if (code.empty()) {
            ShowMessage(kMsgNoCode, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        // the amounts as stored: postings of other stations count
        CustomerRecord stored = Customer();
        if (Existing()) {
            KeyBuffer key;
            std::memcpy(key.bytes, code.data(), std::min(code.size(), sizeof stored.Code - 1));
            CustomerRecord fresh{};
            if (File().Get(B_GET_EQUAL, key.bytes, &fresh, static_cast<int>(sizeof fresh)).Ok())
                stored = fresh;
        }
        if (HasAmounts(stored)) {
            ShowMessage(kMsgAmounts, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (HasHistory(stored)) {
            int choice = 1;
            AskMessage(kMsgHistory, MESSAGE_DEFAULT_CONTEXT, &choice, "\001 Continue,Cancel", nullptr, -1, -1, 0,
                       0, 0);
            if (choice != 1)
                return FX_STAY;
        }
        if (HasOpenInvoice(openInvoices_, code)) {
            ShowMessage(kMsgOpenInvoices, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }

    // Deletes every inactive record that has neither amounts nor open
    // invoices, with its note file and user-defined record.
    Status PurgeInactive()
    {
        int savedKey = 0, savedSecond = 0;
        BtrGetDefaults(File().Handle(), &savedKey, &savedSecond);
        File().SetKey(0);
        CustomerRecord r{};
        KeyBuffer key;
        Status s = File().Get(B_GET_FIRST, key.bytes, &r, static_cast<int>(sizeof r));
        while (s.Ok()) {
            const std::string code = Text(r.Code, sizeof r.Code);
            if (r.Status == 'I' && !HasAmounts(r) && !HasOpenInvoice(openInvoices_, code)) {
                // the file stands on the record again after the invoice read
                KeyBuffer at;
                std::memcpy(at.bytes, r.Code, sizeof r.Code);
                s = File().Get(B_GET_EQUAL, at.bytes, &r, static_cast<int>(sizeof r));
                if (s.Ok())
                    s = File().Write(B_DELETE, &r, static_cast<int>(sizeof r), &at);
                if (!s.Ok())
                    break;
                const std::string note = Text(r.NoteName, sizeof r.NoteName);
                if (!note.empty())
                    DeleteNoteFile(note.c_str(), No(master_));
                if (udf_->Data().GetFileId() >= 0) {
                    udf_->Data().InitStruct(r.Code);
                    udf_->Data().Delete();
                }
                // the next record after the deleted one
                std::memcpy(key.bytes, at.bytes, sizeof key.bytes);
                s = File().Get(B_GET_GREATER, key.bytes, &r, static_cast<int>(sizeof r));
                continue;
            }
            s = File().Get(B_GET_NEXT, key.bytes, &r, static_cast<int>(sizeof r));
        }
        BtrSetDefaults(File().Handle(), savedKey, savedSecond);
        return s.NotFound() ? Status{} : s;
    }

    FileNo master_;
    UdfCompanion* udf_ = nullptr;
    Table terms_, accounts_, taxes_, messages_, openInvoices_, general_, salespersons_, historyDetail_,
        historySummary_, shipVia_;
    CustomerRecord defaults_{};
    CustomerRecord saved_{};
    std::string accountOnEntry_;
};

}  // namespace

int EditCustomerFile(FileNo file, TagLookUp* caller)
{
    CustomerEditor editor(file, caller);
    return editor.Run();
}

}  // namespace bwps::customers

extern "C" {

int RSEditCustomer(int caller)
{
    (void)caller;
    return bwps::customers::EditCustomerFile(bwps::FileNo::Customers, nullptr);
}

BWPS_EXPORT int EditCustomerFromList(void* lookup)
{
    return bwps::customers::EditCustomerFile(bwps::FileNo::Customers, static_cast<TagLookUp*>(lookup));
}

}  // extern "C"

BWPS_ORDINAL(600, EditCustomerFromList);
