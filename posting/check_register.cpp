// CBaseCheckReg: bank deposits in the check register (file 8) for the
// methods of payment of a sale and for the bank-account lines of a ledger
// transaction; posting, check numbers and deletes of single entries; the
// whole register rebuilt from (or taken out of) the unposted sales when the
// on-line check-register option changes.
//
// The deposits of one sale and the keys that the sale keeps of them are
// written inside one record-manager transaction: a failure leaves neither.

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/check_register.h"
#include "bwps/messages.h"
#include "bwps/records/tenders.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

constexpr uint16_t kClosed = 0xFFFF;
constexpr double kLargestAmount = 1e12;
constexpr int kBadAmountMessage = 1717;
constexpr int kTurnOnFailedMessage = 1716;
constexpr int kUndoFailedMessage = 1720;
constexpr int kCheckRegisterOption = 331;   // "0System        ": on-line check register
constexpr uint16_t kSalePosted = 2;         // flags of a sale (offset 475): posted
constexpr std::size_t kMessageLimit = 1023;
constexpr const char* kWalkInDescription = "POS Deposit - Walk-in";

bool IsOpen(uint16_t handle)
{
    return handle != kClosed && handle != 0;
}

bool Usable(double amount)
{
    return std::isfinite(amount) && std::fabs(amount) < kLargestAmount;
}

bool IsZero(double amount)
{
    return FxIsZeroAmount(&amount) != 0;
}

// The second try of an open or a write counts when it gives 0 or 9.
Status SecondTry(Status s)
{
    if (s.Is(B_END_OF_FILE))
        return Success();
    return s;
}

// A write whose first try failed is tried once more.
template <class R>
Status WriteWithRetry(Table& table, int op, R& record)
{
    Status s = table.Write(op, &record, static_cast<int>(sizeof record));
    if (!s.Ok())
        s = SecondTry(table.Write(op, &record, static_cast<int>(sizeof record)));
    return s;
}

// The position of a handle, kept around a nested read and put back.
class KeptPosition {
public:
    explicit KeptPosition(Table& table) : table_(table) { kept_ = table_.Position(position_).Ok(); }
    template <class R>
    void Restore()
    {
        if (!kept_)
            return;
        KeyBuffer key;
        R record;
        table_.Direct(position_, key, record);
    }

private:
    Table& table_;
    uint32_t position_ = 0;
    bool kept_ = false;
};

void ReportStatus(const Status& s, int operation, FileNo file)
{
    if (!s.Ok())
        ReportRecordManagerError(s.status, 1, operation, No(file), 0);
}

void ShowAccountNotFound(const std::string& account, const std::string& tender)
{
    char text[kMessageLimit + 1];
    if (tender.empty())
        std::snprintf(text, sizeof text,
                      "An error occurred creating Check Register transaction.\n\nAccount not "
                      "found: %s\n",
                      account.c_str());
    else
        std::snprintf(text, sizeof text,
                      "An error occurred creating Check Register transaction.\n\nAccount not "
                      "found: %s\n\nMethod of Payment: %s",
                      account.c_str(), tender.c_str());
    FxMessageBox(nullptr, text, nullptr, 0x10, 0);
}

std::string AmountText(double amount)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", amount);
    return text;
}

char KindDigit(char kind)
{
    switch (kind) {
    case 'D':
        return '1';
    case 'b':
        return '2';
    case 'C':
    case 'M':
        return '3';
    case 'c':
        return '4';
    case 'V':
        return '5';
    default:
        return '\0';
    }
}

KeyBuffer TranKeyBuffer(int32_t key)
{
    KeyBuffer buffer;
    buffer.Set(key);
    return buffer;
}

// A key given as long: the record manager keeps 32 bits.
bool KeyInRange(long key)
{
    return key >= INT32_MIN && key <= INT32_MAX;
}

// The yes/no screen: a 10 x 73 window at row 4, column 5 showing the named
// message. Tab and back-Tab toggle; 0x1111 toggles and closes; 'C', 'E',
// 'c' and 257 close keeping the choice; 0x2E00 chooses Yes, 0x1200 No;
// Enter closes. Esc closes with No: an unanswered question changes nothing.
bool AskYesNo(const char* screen, const char* question, bool yes)
{
    FxWindow window;
    std::memset(&window, 0, sizeof window);
    if (FxWindowCreate(&window, 4, 5, 13, 77, 1, 0, ' ', nullptr) != 0)
        return false;
    FxWindowSetName(&window, screen);
    FxWindowText(&window, 2, 2, 0, question, 0);
    for (;;) {
        FxWindowText(&window, 7, 30, 0, yes ? "[Yes]   No " : " Yes   [No]", 0);
        int32_t key = 0;
        if (FxKeyRead(&key, 1, 0) == 0)
            key = FX_KEY_ESC;
        if (key == FX_KEY_TAB || key == FX_KEY_SHIFT_TAB) {
            yes = !yes;
            continue;
        }
        if (key == 0x1111) {
            yes = !yes;
            break;
        }
        if (key == 'C' || key == 'E' || key == 'c' || key == 257 || key == FX_KEY_ENTER)
            break;
        if (key == 0x2E00) {
            yes = true;
            break;
        }
        if (key == 0x1200 || key == FX_KEY_ESC) {
            yes = false;
            break;
        }
    }
    FxWindowClose(&window, 1);
    return yes;
}

}  // namespace

// ---- Construction

CBaseCheckReg::CBaseCheckReg()
{
    Init(kCallerOnLine);
}

CBaseCheckReg::CBaseCheckReg(int caller)
{
    Init(caller);
}

void CBaseCheckReg::Init(int caller)
{
    std::memset(&reg_, 0, sizeof reg_);
    std::memset(sysInterface_, 0, sizeof sysInterface_);
    regHdl_ = genHdl_ = rurGenHdl_ = 0;
    hdrHdl_ = dtlHdl_ = kClosed;
    result_ = 0;
    open_ = false;
    statusCleared_ = false;
    caller_ = caller;
    online_ = true;
    override_ = false;
    LoadSysInterfaceRecord();
    const TagSysInterface* record = GetSysInterfaceRecord();
    if (record != nullptr)
        std::memcpy(sysInterface_, record, sizeof sysInterface_);
}

CBaseCheckReg::~CBaseCheckReg()
{
    if (open_ || IsOpen(hdrHdl_) || IsOpen(dtlHdl_))
        TableClose();
}

CBaseCheckReg::CBaseCheckReg(const CBaseCheckReg& other)
{
    Init(other.caller_);
    CopyFrom(other);
}

CBaseCheckReg& CBaseCheckReg::operator=(const CBaseCheckReg& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

void CBaseCheckReg::CopyFrom(const CBaseCheckReg& other)
{
    TableClose();
    reg_ = other.reg_;
    std::memcpy(sysInterface_, other.sysInterface_, sizeof sysInterface_);
    result_ = other.result_;
    statusCleared_ = other.statusCleared_;
    caller_ = other.caller_;
    online_ = other.online_;
    override_ = other.override_;
    if (other.open_)
        TableOpen();
}

// ---- Files

bool CBaseCheckReg::TableOpen()
{
    if (open_)
        return true;
    Status s = OpenWithRetry(FileNo::CheckRegister, regHdl_);
    if (s.Ok())
        s = OpenWithRetry(FileNo::General, genHdl_);
    if (s.Ok() && IsInterfacedToAccounting())
        s = OpenWithRetry(FileNo::AccountingGeneral, rurGenHdl_);
    result_ = static_cast<int16_t>(s.status);
    if (!s.Ok()) {
        for (uint16_t* handle : {&regHdl_, &genHdl_, &rurGenHdl_}) {
            if (*handle != 0)
                BtrCloseFile(*handle);
            *handle = 0;
        }
        return false;
    }
    open_ = true;
    return true;
}

bool CBaseCheckReg::TableOpen(int hdrFile, int dtlFile)
{
    Status s = Success();
    if (!IsOpen(hdrHdl_))
        s = OpenWithRetry(static_cast<FileNo>(hdrFile), hdrHdl_);
    if (s.Ok() && !IsOpen(dtlHdl_))
        s = OpenWithRetry(static_cast<FileNo>(dtlFile), dtlHdl_);
    if (!s.Ok()) {
        result_ = static_cast<int16_t>(s.status);
        TableClose();
        return false;
    }
    if (!TableOpen()) {
        TableClose();
        return false;
    }
    return true;
}

void CBaseCheckReg::TableClose()
{
    if (open_) {
        for (uint16_t* handle : {&regHdl_, &genHdl_, &rurGenHdl_}) {
            if (*handle != 0)
                BtrCloseFile(*handle);
            *handle = 0;
        }
        open_ = false;
    }
    for (uint16_t* handle : {&hdrHdl_, &dtlHdl_}) {
        if (IsOpen(*handle))
            BtrCloseFile(*handle);
        *handle = kClosed;
    }
}

uint16_t CBaseCheckReg::IndexValHdl() const
{
    return IsInterfacedToAccounting() ? rurGenHdl_ : genHdl_;
}

// Opens the register files when they are closed; opened tells the caller
// to close them again.
bool CBaseCheckReg::OpenOnDemand(bool& opened)
{
    opened = false;
    if (open_)
        return true;
    if (!TableOpen())
        return false;
    opened = true;
    return true;
}

namespace {
// Closes the register files that an operation opened for itself.
struct CloseIfOpened {
    CBaseCheckReg& reg;
    bool opened;
    ~CloseIfOpened()
    {
        if (opened) {
            const uint16_t hdr = reg.HdrHdl(), dtl = reg.DtlHdl();
            if (!IsOpen(hdr) && !IsOpen(dtl))
                reg.TableClose();
            else {
                for (uint16_t* handle : {reg.RegHdlPtr(), reg.GenHdlPtr(), reg.RurGenHdlPtr()}) {
                    if (*handle != 0)
                        BtrCloseFile(*handle);
                    *handle = 0;
                }
            }
        }
    }
};
}  // namespace

// An entry whose amount is not a number, negative or out of range is never
// written: the error window names the entry.
bool CBaseCheckReg::UsableEntry(const TagCheckRegister& entry)
{
    const double amount = entry.Amount;
    if (Usable(amount) && amount > -0.001)
        return true;
    PostingErrorWindow(kBadAmountMessage, 2, 1,
                       {TrimmedField(entry.Reference, sizeof entry.Reference),
                        TrimmedField(entry.Account, sizeof entry.Account), AmountText(amount)});
    result_ = B_INVALID_OPERATION;
    return false;
}

// ---- Writing single entries

bool CBaseCheckReg::Update()
{
    bool opened = false;
    if (!OpenOnDemand(opened))
        return false;
    CloseIfOpened closer{*this, opened};
    if (!UsableEntry(reg_))
        return false;
    if (reg_.Kind == 'V')
        reg_.Amount = 0.0;
    reg_.TranKey = 0;
    Table reg;
    reg.Borrow(FileNo::CheckRegister, regHdl_);
    const Status s = reg.Insert(reg_);
    result_ = static_cast<int16_t>(s.status);
    if (IndexValHdl() != 0)
        BtrUnlock(-2, IndexValHdl(), nullptr);
    return s.Ok();
}

bool CBaseCheckReg::Update(long key, bool noInsert)
{
    if (!KeyInRange(key)) {
        result_ = B_INVALID_OPERATION;
        return false;
    }
    bool opened = false;
    if (!OpenOnDemand(opened))
        return false;
    CloseIfOpened closer{*this, opened};
    if (!UsableEntry(reg_))
        return false;
    bool insert = key == 0;
    if (key != 0) {
        Table reg;
        reg.Borrow(FileNo::CheckRegister, regHdl_);
        reg.SetKey(CHECK_REGISTER_TRAN_KEY);
        KeyBuffer buffer = TranKeyBuffer(static_cast<int32_t>(key));
        TagCheckRegister stored;
        Status s = reg.Get(B_GET_EQUAL, buffer, stored);
        if (s.Ok()) {
            reg_.TranKey = stored.TranKey;
            reg_.Status = stored.Status;
            if (reg_.Kind == 'V')
                reg_.Amount = 0.0;
            else if (!FxAmountsEqual(reg_.Amount, stored.Amount))
                reg_.Status = 'O';
            s = reg.Update(reg_);
        }
        reg.SetKey(0);
        result_ = static_cast<int16_t>(s.status);
        // Only an entry that is not there is written anew: a locked or
        // unreadable one is reported and never doubled.
        if (s.Is(B_KEY_NOT_FOUND))
            insert = true;
        else if (!s.Ok())
            ReportStatus(s, s.operation, FileNo::CheckRegister);
        else
            return true;
    }
    if (!insert || noInsert)
        return false;
    return Update();
}

bool CBaseCheckReg::Update(TagCheckRegister& r)
{
    SetReg(r);
    return Update();
}

bool CBaseCheckReg::Update(TagCheckRegister& r, long key)
{
    SetReg(r);
    return Update(key, false);
}

bool CBaseCheckReg::Update(long key, const char* checkNo)
{
    if (key == 0 || !KeyInRange(key))
        return false;
    bool opened = false;
    if (!OpenOnDemand(opened))
        return false;
    CloseIfOpened closer{*this, opened};
    Table reg;
    reg.Borrow(FileNo::CheckRegister, regHdl_);
    reg.SetKey(CHECK_REGISTER_TRAN_KEY);
    KeyBuffer buffer = TranKeyBuffer(static_cast<int32_t>(key));
    TagCheckRegister work;
    Status s = reg.Get(B_GET_EQUAL, buffer, work);
    if (s.Ok()) {
        CopyText(work.CheckNo, sizeof work.CheckNo, checkNo);
        if (work.Kind == 'V')
            work.Amount = 0.0;
        s = reg.Update(work);
    }
    reg.SetKey(0);
    result_ = static_cast<int16_t>(s.status);
    return s.Ok();
}

bool CBaseCheckReg::InsertReg()
{
    bool opened = false;
    if (!OpenOnDemand(opened))
        return false;
    CloseIfOpened closer{*this, opened};
    if (!UsableEntry(reg_))
        return false;
    reg_.TranKey = 0;
    Table reg;
    reg.Borrow(FileNo::CheckRegister, regHdl_);
    const Status s = reg.Insert(reg_);
    result_ = static_cast<int16_t>(s.status);
    if (s.Ok() && genHdl_ != 0)
        BtrUnlock(-2, genHdl_, nullptr);
    return s.Ok();
}

bool CBaseCheckReg::InsertReg(TagCheckRegister& r)
{
    SetReg(r);
    return InsertReg();
}

bool CBaseCheckReg::Post(long key)
{
    return Post(key, nullptr);
}

bool CBaseCheckReg::Post(long key, const char* ref)
{
    if (key == 0 || !KeyInRange(key))
        return false;
    bool opened = false;
    if (!OpenOnDemand(opened))
        return false;
    CloseIfOpened closer{*this, opened};
    Table reg;
    reg.Borrow(FileNo::CheckRegister, regHdl_);
    reg.SetKey(CHECK_REGISTER_TRAN_KEY);
    KeyBuffer buffer = TranKeyBuffer(static_cast<int32_t>(key));
    TagCheckRegister work;
    Status s = reg.Get(B_GET_EQUAL, buffer, work);
    if (s.Ok()) {
        work.Posted = 'Y';
        if (ref != nullptr)
            CopyText(work.Reference, sizeof work.Reference, ref);
        s = reg.Update(work);
    }
    reg.SetKey(0);
    result_ = static_cast<int16_t>(s.status);
    return s.Ok();
}

bool CBaseCheckReg::Post(long key1, long key2, const char* ref1, const char* ref2)
{
    const bool first = Post(key1, ref1);
    if (!first && key1 >= 1)
        return false;
    if (key2 > 0)
        return Post(key2, ref2);
    return first;
}

bool CBaseCheckReg::Delete(long key)
{
    if (!KeyInRange(key))
        return false;
    bool opened = false;
    if (!OpenOnDemand(opened))
        return false;
    CloseIfOpened closer{*this, opened};
    Table reg;
    reg.Borrow(FileNo::CheckRegister, regHdl_);
    const int keptKey = reg.Key();
    reg.SetKey(CHECK_REGISTER_TRAN_KEY);
    KeyBuffer buffer = TranKeyBuffer(static_cast<int32_t>(key));
    TagCheckRegister work;
    Status s = reg.Get(B_GET_EQUAL, buffer, work);
    if (s.Ok())
        s = reg.Delete();
    reg.SetKey(keptKey);
    result_ = static_cast<int16_t>(s.status);
    return s.Ok();
}

bool CBaseCheckReg::Delete(long key1, long key2)
{
    if (key1 > 0 && !Delete(key1))
        return false;
    if (key2 < 1)
        return true;
    return Delete(key2);
}

// ---- Building entries

void CBaseCheckReg::Populate(const TagGLHeader& hdr, const TagLedgerDetail& line, const char* ref)
{
    std::memset(&reg_, 0, sizeof reg_);
    CopyText(reg_.Account, sizeof reg_.Account, FieldText(line.Account, sizeof line.Account).c_str());
    CopyText(reg_.CheckNo, sizeof reg_.CheckNo,
             FieldText(hdr.Reference, sizeof hdr.Reference).substr(0, 8).c_str());
    if (ref != nullptr)
        CopyText(reg_.Reference, sizeof reg_.Reference, ref);
    else
        CopyText(reg_.Reference, sizeof reg_.Reference,
                 FieldText(hdr.TranNo, sizeof hdr.TranNo).substr(0, 14).c_str());
    PadText(reg_.Description, sizeof reg_.Description,
            FieldText(line.Description, sizeof line.Description).c_str());
    CopyText(reg_.Reference2, sizeof reg_.Reference2,
             FieldText(hdr.Reference, sizeof hdr.Reference).c_str());
    reg_.Status = statusCleared_ ? 'C' : 'O';
    statusCleared_ = false;
    reg_.Kind = line.DebitCredit == 'D' ? 'D' : 'M';
    reg_.KindDigit = reg_.Kind == 'D' ? '1' : '3';
    reg_.Date = line.TranDate;
    reg_.Amount = line.Amount;
    reg_.Source = 'G';
    reg_.Posted = hdr.Posted;
}

void CBaseCheckReg::Populate(const TagSalesHdr& sale, double amount, const char* mopCode,
                             const char* account, const char* checkNo, long depositNo)
{
    std::memset(&reg_, 0, sizeof reg_);
    CopyText(reg_.Account, sizeof reg_.Account, account);
    const std::string name = FieldText(sale.CustomerName, sizeof sale.CustomerName);
    if (SaleTypeIs(sale.Type, SALE_TYPE_LAYAWAY))
        CopyText(reg_.Payee, sizeof reg_.Payee,
                 FieldText(sale.LayawayCustomer, sizeof sale.LayawayCustomer).c_str());
    else
        CopyText(reg_.Payee, sizeof reg_.Payee,
                 FieldText(sale.CustomerNo, sizeof sale.CustomerNo).c_str());
    PadText(reg_.Description, sizeof reg_.Description,
            Trim(name).empty() ? kWalkInDescription : name.c_str());
    if (amount <= 0.0) {
        reg_.Kind = 'M';
        PadText(reg_.CheckNo, sizeof reg_.CheckNo, "");
        if (SaleTypeIs(sale.Type, SALE_TYPE_CASH_IN_OUT) || SaleTypeIs(sale.Type, 1)) {
            const std::string number =
                checkNo != nullptr ? FieldText(checkNo, 31).substr(0, 8) : std::string();
            PadText(reg_.CheckNo, sizeof reg_.CheckNo, number.c_str());
        }
    } else {
        reg_.Kind = 'D';
        if (depositNo > 0) {
            char text[32];
            std::snprintf(text, sizeof text, "%ld", depositNo);
            FxRightAlignNumber(text, 8);
            CopyText(reg_.CheckNo, sizeof reg_.CheckNo, text);
        }
    }
    // The reference names the sale: its invoice number, or the end of it
    // when it is longer than the field.
    const std::string invoice = TrimRight(FieldText(sale.InvoiceNo, sizeof sale.InvoiceNo));
    const std::size_t room = sizeof reg_.Reference - 1;
    CopyText(reg_.Reference, sizeof reg_.Reference,
             invoice.size() <= room ? invoice.c_str() : invoice.substr(invoice.size() - room).c_str());
    reg_.Amount = std::fabs(amount);
    reg_.Date = sale.TranDate;
    reg_.Status = statusCleared_ ? 'C' : 'O';
    statusCleared_ = false;
    CopyText(reg_.Reference2, sizeof reg_.Reference2,
             mopCode != nullptr ? FieldText(mopCode, 11).substr(0, 10).c_str() : "");
    reg_.KindDigit = KindDigit(reg_.Kind);
    reg_.Source = 'S';
    reg_.Posted = 'N';
}

// ---- Settings

bool CBaseCheckReg::ReadSysIntf()
{
    Table general;
    Status s = general.Open(FileNo::General);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, OPEN_OPERATION, No(FileNo::General), 0);
        return false;
    }
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
    s = general.Get(B_GET_EQUAL, key.bytes, sysInterface_, sizeof sysInterface_);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::General), 0);
        return false;
    }
    return true;
}

bool CBaseCheckReg::IsPosOnLine()
{
    if (override_)
        return true;
    if (!ReadSysIntf())
        return false;
    online_ = sysInterface_[offsetof(TagSysInterface, OnlineCheckRegister)] == 'Y';
    return online_;
}

bool CBaseCheckReg::SetPOSFlag(bool on)
{
    if (!WriteInterfaceFlag(offsetof(TagSysInterface, OnlineCheckRegister), on, sysInterface_,
                            sizeof sysInterface_))
        return false;
    online_ = on;
    return true;
}

// ---- Sales and ledger transactions

// The deposits of one sale (the work copy, read and locked by the caller)
// written to the register; the new keys go into the work copy. Verifying
// takes the tender amounts as they stand and only register accounts 'Y'.
bool CBaseCheckReg::WriteSaleDeposits(TagSalesHdr& work, bool posted, uint16_t accounts,
                                      uint16_t tenders, bool verifying, bool& written)
{
    written = false;
    const bool cash = SaleTypeIs(work.Type, SALE_TYPE_CASH_IN_OUT) && !verifying;
    for (int d = 0; d < 2; ++d) {
        const double amount = d == 0 ? (cash ? work.Tendered : work.TenderAmount1)
                                     : (cash ? work.CashAmount : work.TenderAmount2);
        const char* codeField = d == 0 ? work.Tender1 : work.Tender2;
        const char* refField = d == 0 ? work.TenderRef1 : work.TenderRef2;
        const int32_t key = d == 0 ? work.DepositKey1 : work.DepositKey2;
        if (IsZero(amount))
            continue;
        const std::string code = FieldText(codeField, sizeof work.Tender1);
        std::string account;
        if (d == 1 && cash) {
            account = code;
        } else {
            Table tenderTable;
            tenderTable.Borrow(FileNo::Tenders, tenders);
            KeyBuffer buffer;
            PadText(reinterpret_cast<char*>(buffer.bytes), sizeof work.Tender1,
                    TrimRight(code).c_str());
            TagTender tender;
            const Status s = tenderTable.Get(B_GET_EQUAL, buffer, tender);
            if (!s.Ok()) {
                result_ = static_cast<int16_t>(s.status);
                ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::Tenders), 0);
                return false;
            }
            account = FieldText(tender.Account, sizeof tender.Account);
        }
        TagAccount record;
        if (!ValidateAccountNo(accounts, account.c_str(), &record)) {
            result_ = B_KEY_NOT_FOUND;
            ShowAccountNotFound(TrimRight(account), TrimRight(code));
            return false;
        }
        if (verifying ? record.CheckRegister != 'Y' : record.CheckRegister == 'N')
            continue;
        char ref[32];
        CopyText(ref, sizeof ref, FieldText(refField, sizeof work.TenderRef1).c_str());
        Populate(work, amount, code.c_str(), account.c_str(), ref, record.NextNumber);
        if (posted)
            reg_.Posted = 'Y';
        if (!Update(key, false))
            return false;
        if (d == 0)
            work.DepositKey1 = reg_.TranKey;
        else
            work.DepositKey2 = reg_.TranKey;
        written = true;
    }
    return true;
}

bool CBaseCheckReg::UpdateFromPos(TagSalesHdr& sale, bool posted)
{
    if (!IsInterfacedToAccounting() || !IsPosOnLine())
        return true;
    const bool cash = SaleTypeIs(sale.Type, SALE_TYPE_CASH_IN_OUT);
    for (double amount : {sale.TenderAmount1, sale.TenderAmount2, cash ? sale.Tendered : 0.0,
                          cash ? sale.CashAmount : 0.0}) {
        if (!Usable(amount)) {
            PostingErrorWindow(kBadAmountMessage, 2, 1,
                               {TrimmedField(sale.InvoiceNo, sizeof sale.InvoiceNo),
                                TrimmedField(sale.Tender1, sizeof sale.Tender1),
                                AmountText(amount)});
            result_ = B_INVALID_OPERATION;
            return false;
        }
    }
    double total = sale.TenderAmount1 + sale.TenderAmount2;
    if (IsZero(total))
        return true;

    const bool hadHeader = IsOpen(hdrHdl_);
    const bool hadTables = open_;
    if (!TableOpen(No(FileNo::SalesHeader), No(FileNo::SalesDetail)))
        return false;
    uint16_t accountsHandle = 0, tendersHandle = 0;
    Status s = OpenWithRetry(FileNo::Accounts, accountsHandle);
    if (s.Ok())
        s = OpenWithRetry(FileNo::Tenders, tendersHandle);
    Table accounts, tenders;
    accounts.Adopt(FileNo::Accounts, accountsHandle);
    tenders.Adopt(FileNo::Tenders, tendersHandle);
    auto closeAll = [&]() {
        accounts.Close();
        tenders.Close();
        if (!hadHeader) {
            for (uint16_t* handle : {&hdrHdl_, &dtlHdl_}) {
                if (IsOpen(*handle))
                    BtrCloseFile(*handle);
                *handle = kClosed;
            }
        }
        if (!hadTables && open_) {
            for (uint16_t* handle : {&regHdl_, &genHdl_, &rurGenHdl_}) {
                if (*handle != 0)
                    BtrCloseFile(*handle);
                *handle = 0;
            }
            open_ = false;
        }
    };
    if (!s.Ok()) {
        result_ = static_cast<int16_t>(s.status);
        ReportStatus(s, OPEN_OPERATION, s.file);
        closeAll();
        return false;
    }

    Table sales;
    sales.Borrow(FileNo::SalesHeader, hdrHdl_);
    KeptPosition kept(sales);
    KeyBuffer key;
    std::memcpy(key.bytes, sale.InvoiceNo, sizeof sale.InvoiceNo);
    TagSalesHdr work;
    s = sales.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, work);
    if (!s.Ok()) {
        // A sale that cannot be read or locked gets no deposit.
        result_ = static_cast<int16_t>(s.status);
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::SalesHeader), 0);
        kept.Restore<TagSalesHdr>();
        closeAll();
        return false;
    }
    bool ok = false;
    {
        JoinedBatch batch;
        if (!batch.Ok()) {
            result_ = static_cast<int16_t>(batch.Begun().status);
            ReportStatus(batch.Begun(), B_BEGIN_TRAN, FileNo::CheckRegister);
        } else {
            bool written = false;
            ok = WriteSaleDeposits(work, posted, accounts.Handle(), tenders.Handle(), false,
                                   written);
            if (ok && written && !posted) {
                s = sales.Update(work);
                if (!s.Ok()) {
                    result_ = static_cast<int16_t>(s.status);
                    ReportRecordManagerError(s.status, 1, B_UPDATE, No(FileNo::SalesHeader), 0);
                    ok = false;
                }
            }
            if (ok) {
                s = batch.Commit();
                if (!s.Ok()) {
                    result_ = static_cast<int16_t>(s.status);
                    ReportStatus(s, B_END_TRAN, FileNo::CheckRegister);
                    ok = false;
                }
            } else {
                batch.Abort();
            }
        }
    }
    sales.UnlockAll();
    if (ok && !posted) {
        sale.DepositKey1 = work.DepositKey1;
        sale.DepositKey2 = work.DepositKey2;
    }
    kept.Restore<TagSalesHdr>();
    closeAll();
    if (ok)
        result_ = 0;
    return ok;
}

bool CBaseCheckReg::UpdateFromGLTran(TagGLHeader& hdr)
{
    if (!IsInterfacedToAccounting())
        return true;
    if (CallerOnLine() && !IsPosOnLine())
        return true;
    const bool hadHeader = IsOpen(hdrHdl_);
    const bool hadTables = open_;
    if (!TableOpen(No(FileNo::LedgerHeader), No(FileNo::LedgerDetail)))
        return false;
    uint16_t accountsHandle = 0;
    Status s = OpenWithRetry(FileNo::Accounts, accountsHandle);
    Table accounts;
    accounts.Adopt(FileNo::Accounts, accountsHandle);
    auto closeAll = [&]() {
        accounts.Close();
        if (!hadHeader) {
            for (uint16_t* handle : {&hdrHdl_, &dtlHdl_}) {
                if (IsOpen(*handle))
                    BtrCloseFile(*handle);
                *handle = kClosed;
            }
        }
        if (!hadTables && open_) {
            for (uint16_t* handle : {&regHdl_, &genHdl_, &rurGenHdl_}) {
                if (*handle != 0)
                    BtrCloseFile(*handle);
                *handle = 0;
            }
            open_ = false;
        }
    };
    if (!s.Ok()) {
        result_ = static_cast<int16_t>(s.status);
        ReportStatus(s, OPEN_OPERATION, FileNo::Accounts);
        closeAll();
        return false;
    }
    Table headers, lines;
    headers.Borrow(FileNo::LedgerHeader, hdrHdl_);
    lines.Borrow(FileNo::LedgerDetail, dtlHdl_);
    KeptPosition keptHeader(headers), keptLine(lines);
    headers.SetKey(0);
    KeyBuffer key;
    std::memcpy(key.bytes, hdr.JournalCode, LEDGER_KEY_WIDTH);
    TagGLHeader stored;
    s = headers.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, stored);
    if (!s.Ok()) {
        result_ = static_cast<int16_t>(s.status);
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::LedgerHeader), 0);
        keptHeader.Restore<TagGLHeader>();
        closeAll();
        return false;
    }
    bool ok = true;
    {
        JoinedBatch batch;
        if (!batch.Ok()) {
            result_ = static_cast<int16_t>(batch.Begun().status);
            ReportStatus(batch.Begun(), B_BEGIN_TRAN, FileNo::CheckRegister);
            ok = false;
        }
        lines.SetKey(0);
        KeyBuffer lineKey;
        std::memcpy(lineKey.bytes, hdr.JournalCode, LEDGER_KEY_WIDTH);
        TagLedgerDetail line;
        s = ok ? lines.Get(B_GET_GE, lineKey, line) : Status{B_END_OF_FILE, B_GET_GE, FileNo::None};
        while (ok && s.Ok() && std::memcmp(line.JournalCode, hdr.JournalCode, LEDGER_KEY_WIDTH) == 0) {
            TagAccount record;
            const std::string account = FieldText(line.Account, sizeof line.Account);
            if (!ValidateAccountNo(accounts.Handle(), account.c_str(), &record)) {
                char text[kMessageLimit + 1];
                std::snprintf(text, sizeof text, "<UpdateFromGLTran>:Acct. No. [%s]",
                              account.c_str());
                FxMessageBox(nullptr, text, nullptr, 0, 0);
            } else if (record.CheckRegister != 'N') {
                Populate(hdr, line, nullptr);
                if (!Update(line.RegisterKey, false)) {
                    ok = false;
                    break;
                }
                line.RegisterKey = reg_.TranKey;
                s = WriteWithRetry(lines, B_UPDATE, line);
                if (!s.Ok()) {
                    result_ = static_cast<int16_t>(s.status);
                    ReportRecordManagerError(s.status, 1, B_UPDATE, No(FileNo::LedgerDetail), 0);
                    ok = false;
                    break;
                }
            }
            s = lines.Get(B_GET_NEXT, lineKey, line);
            if (!s.Ok() && !s.NotFound())
                s = SecondTry(lines.Get(B_GET_NEXT, lineKey, line));
        }
        if (ok && !s.Ok() && !s.NotFound()) {
            result_ = static_cast<int16_t>(s.status);
            ReportRecordManagerError(s.status, 1, s.operation, No(FileNo::LedgerDetail), 0);
            ok = false;
        }
        if (ok) {
            s = batch.Commit();
            if (!s.Ok()) {
                result_ = static_cast<int16_t>(s.status);
                ReportStatus(s, B_END_TRAN, FileNo::CheckRegister);
                ok = false;
            }
        } else {
            batch.Abort();
        }
    }
    headers.UnlockAll();
    keptHeader.Restore<TagGLHeader>();
    keptLine.Restore<TagLedgerDetail>();
    closeAll();
    if (ok)
        result_ = 0;
    return ok;
}

// ---- Register rebuild

bool CBaseCheckReg::Verify()
{
    FxStatus* progress = FxProgressOpen("RSMsgUpdatingRecon", 3);
    if (progress != nullptr)
        FxProgressSetTitle(progress, "Operation Status");
    int step = 0;
    auto advance = [&]() {
        if (progress != nullptr)
            FxProgressStep(progress, ++step);
    };
    advance();
    bool ok = TableOpen();
    advance();
    ok = ok && VerifyWithPosHdr();
    advance();
    TableClose();
    if (progress != nullptr)
        FxProgressClose(progress);
    return ok;
}

bool CBaseCheckReg::VerifyWithPosHdr()
{
    uint16_t accountsHandle = 0, tendersHandle = 0;
    Status s = Success();
    if (!IsOpen(hdrHdl_))
        s = OpenWithRetry(FileNo::SalesHeader, hdrHdl_);
    if (s.Ok())
        s = OpenWithRetry(FileNo::Accounts, accountsHandle);
    if (s.Ok())
        s = OpenWithRetry(FileNo::Tenders, tendersHandle);
    Table accounts, tenders;
    accounts.Adopt(FileNo::Accounts, accountsHandle);
    tenders.Adopt(FileNo::Tenders, tendersHandle);
    if (!s.Ok()) {
        result_ = static_cast<int16_t>(s.status);
        ReportStatus(s, OPEN_OPERATION, s.file);
        return false;
    }
    if (!TableOpen())
        return false;
    Table sales;
    sales.Borrow(FileNo::SalesHeader, hdrHdl_);
    sales.SetKey(0);
    KeyBuffer key;
    TagSalesHdr header;
    s = sales.Get(B_GET_FIRST, key, header);
    bool ok = true;
    while (s.Ok()) {
        const bool skip = (header.Flags & kSalePosted) != 0 ||
                          header.Type == SALE_TYPE_VOID;
        if (!skip) {
            JoinedBatch batch;
            bool written = false;
            ok = batch.Ok() && WriteSaleDeposits(header, false, accounts.Handle(),
                                                 tenders.Handle(), true, written);
            if (ok && written) {
                s = WriteWithRetry(sales, B_UPDATE, header);
                if (!s.Ok()) {
                    result_ = static_cast<int16_t>(s.status);
                    ReportRecordManagerError(s.status, 1, B_UPDATE, No(FileNo::SalesHeader), 0);
                    ok = false;
                }
            }
            if (ok) {
                s = batch.Commit();
                if (!s.Ok()) {
                    result_ = static_cast<int16_t>(s.status);
                    ReportStatus(s, B_END_TRAN, FileNo::CheckRegister);
                    ok = false;
                }
            }
            if (!ok)
                break;
        }
        s = sales.Get(B_GET_NEXT, key, header);
    }
    // Only the end of the file ends the walk well: a read error is no
    // verified register.
    if (ok && !s.Is(B_END_OF_FILE)) {
        result_ = static_cast<int16_t>(s.status);
        ReportRecordManagerError(s.status, 1, s.operation, No(FileNo::SalesHeader), 0);
        ok = false;
    }
    accounts.Close();
    tenders.Close();
    if (IsOpen(hdrHdl_))
        BtrCloseFile(hdrHdl_);
    hdrHdl_ = kClosed;
    return ok;
}

bool CBaseCheckReg::Undo()
{
    FxStatus* progress = FxProgressOpen("RSMsgUndoingCheckReg", 3);
    if (progress != nullptr)
        FxProgressSetTitle(progress, "Operation Status");
    int step = 0;
    auto advance = [&]() {
        if (progress != nullptr)
            FxProgressStep(progress, ++step);
    };
    advance();
    bool ok = TableOpen();
    advance();
    ok = ok && UndoWithPosHdr();
    advance();
    TableClose();
    if (progress != nullptr)
        FxProgressClose(progress);
    return ok;
}

// An unposted entry whose key a sale gives up is taken out of the
// register: a withdrawal (or a check with its number) is voided so that its
// number stays accounted for, any other entry deleted. A posted entry, or
// one that is not there, is left as it is.
bool CBaseCheckReg::RemoveUnposted(long key)
{
    Table reg;
    reg.Borrow(FileNo::CheckRegister, regHdl_);
    reg.SetKey(CHECK_REGISTER_TRAN_KEY);
    KeyBuffer buffer = TranKeyBuffer(static_cast<int32_t>(key));
    TagCheckRegister entry;
    Status s = reg.Get(B_GET_EQUAL, buffer, entry);
    if (s.Ok() && !IsYes(entry.Posted)) {
        const bool numberedCheck = entry.Kind == 'C' && !IsEmptyText(entry.CheckNo, sizeof entry.CheckNo);
        if (entry.Kind == 'M' || numberedCheck) {
            entry.Kind = 'V';
            entry.KindDigit = '5';
            entry.Amount = 0.0;
            CopyText(entry.Reference2, sizeof entry.Reference2, "VOID");
            entry.Posted = 'Y';
            s = reg.Update(entry);
        } else {
            s = reg.Delete();
        }
    }
    reg.SetKey(0);
    if (s.Ok() || s.Is(B_KEY_NOT_FOUND))
        return true;
    result_ = static_cast<int16_t>(s.status);
    ReportRecordManagerError(s.status, 1, s.operation, No(FileNo::CheckRegister), 0);
    return false;
}

bool CBaseCheckReg::UndoWithPosHdr()
{
    Status s = Success();
    if (!IsOpen(hdrHdl_))
        s = OpenWithRetry(FileNo::SalesHeader, hdrHdl_);
    if (!s.Ok()) {
        result_ = static_cast<int16_t>(s.status);
        ReportStatus(s, OPEN_OPERATION, FileNo::SalesHeader);
        return false;
    }
    if (!TableOpen())
        return false;
    Table sales;
    sales.Borrow(FileNo::SalesHeader, hdrHdl_);
    sales.SetKey(0);
    KeyBuffer key;
    TagSalesHdr header;
    s = sales.Get(B_GET_FIRST, key, header);
    bool ok = true;
    while (s.Ok()) {
        if (header.DepositKey1 > 0 || header.DepositKey2 > 0) {
            JoinedBatch batch;
            ok = batch.Ok() && (header.DepositKey1 <= 0 || RemoveUnposted(header.DepositKey1)) &&
                 (header.DepositKey2 <= 0 || RemoveUnposted(header.DepositKey2));
            if (ok) {
                header.DepositKey1 = 0;
                header.DepositKey2 = 0;
                s = WriteWithRetry(sales, B_UPDATE, header);
                if (!s.Ok()) {
                    result_ = static_cast<int16_t>(s.status);
                    ReportRecordManagerError(s.status, 1, B_UPDATE, No(FileNo::SalesHeader), 0);
                    ok = false;
                }
            }
            if (ok) {
                s = batch.Commit();
                if (!s.Ok()) {
                    result_ = static_cast<int16_t>(s.status);
                    ReportStatus(s, B_END_TRAN, FileNo::CheckRegister);
                    ok = false;
                }
            }
            if (!ok)
                break;
        }
        s = sales.Get(B_GET_NEXT, key, header);
        if (!s.Ok() && !s.NotFound())
            s = SecondTry(sales.Get(B_GET_NEXT, key, header));
    }
    if (ok && !s.Is(B_END_OF_FILE)) {
        result_ = static_cast<int16_t>(s.status);
        ReportRecordManagerError(s.status, 1, s.operation, No(FileNo::SalesHeader), 0);
        ok = false;
    }
    if (IsOpen(hdrHdl_))
        BtrCloseFile(hdrHdl_);
    hdrHdl_ = kClosed;
    return ok;
}

bool CBaseCheckReg::VerifyChkRegOnLine()
{
    if (!IsInterfacedToAccounting())
        return true;
    // The store's option, from the accounting company's "0System        ".
    unsigned char system[GENERAL_ACCOUNTING_SYSTEM_SIZE] = {};
    {
        Table general;
        Status s = general.Open(FileNo::AccountingGeneral);
        if (!s.Ok()) {
            ReportRecordManagerError(s.status, 1, OPEN_OPERATION, No(FileNo::AccountingGeneral), 0);
            return true;
        }
        KeyBuffer key;
        std::memcpy(key.bytes, GENERAL_KEY_SYSTEM, GENERAL_KEY_SIZE);
        s = general.Get(B_GET_EQUAL, key.bytes, system, sizeof system);
        if (!s.Ok()) {
            ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::AccountingGeneral), 0);
            return true;
        }
    }
    if (!ReadSysIntf())
        return true;
    const bool wanted = IsYes(static_cast<char>(system[kCheckRegisterOption]));
    const bool applied = IsPosOnLine();
    if (wanted == applied)
        return true;
    if (wanted) {
        if (!AskYesNo("RSASKChkRegOnLine",
                      "Turn the online check register on: deposits for every unposted sale?",
                      true))
            return false;
        if (!SetPOSFlag(true) || !Verify()) {
            Undo();
            SetPOSFlag(false);
            DisplayErrorStatus(false);
        }
    } else {
        if (!AskYesNo("RSAskChkRegUndo",
                      "Turn the online check register off: remove the unposted sale deposits?",
                      true))
            return false;
        if (!SetPOSFlag(false) || !Undo()) {
            SetPOSFlag(true);
            DisplayErrorStatus(true);
        }
    }
    return true;
}

void CBaseCheckReg::DisplayErrorStatus(bool undoing)
{
    int choice = 0;
    AskMessage(undoing ? kUndoFailedMessage : kTurnOnFailedMessage, 0, &choice, " Continue",
               nullptr, 0, 0, 0, 0, 0);
}
