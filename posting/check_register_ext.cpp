// CBaseCheckRegExt: the repair of the unposted register entries that came
// from sales. Every such entry must still belong to a stored sale (by one
// of its two deposit keys) whose tender names the entry's bank account;
// an entry without that source is voided or deleted, and each action is
// logged.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/check_register.h"
#include "bwps/dictionary.h"
#include "bwps/messages.h"
#include "bwps/pos_services.h"
#include "bwps/progress.h"
#include "bwps/records/tenders.h"
#include "bwps/status_windows.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

constexpr uint16_t kClosed = 0xFFFF;
constexpr int kFirstDepositColumn = 53;     // sales header column of the first deposit key (578)
constexpr int kSecondDepositColumn = 54;    // and of the second (582)
constexpr int kShareMode = 0x400;
constexpr int kLargestRange = 32767;

bool IsOpen(uint16_t handle)
{
    return handle != kClosed && handle != 0;
}

void CloseHandle(uint16_t& handle)
{
    if (IsOpen(handle))
        BtrCloseFile(handle);
    handle = kClosed;
}

// Creates a supplemental index on a column; the key number that selects it.
bool CreateIndex(uint16_t handle, int column, int32_t& key, int32_t& second)
{
    if (CreateSupplementalIndex(No(FileNo::SalesHeader), handle, column, -1, -1) != 0)
        return false;
    int k = 0, s = 0;
    BtrGetDefaults(handle, &k, &s);
    key = k;
    second = s;
    return true;
}

}  // namespace

CBaseCheckRegExt::CBaseCheckRegExt()
    : CBaseCheckReg(), work_{}, chkRgHdl_(kClosed), gnrlHdl_(kClosed), salesHdl_(kClosed),
      tenderHdl_(kClosed), firstIndex_(false), firstKey_(-1), firstSecond_(-1),
      secondIndex_(false), secondKey_(-1), secondSecond_(-1), logged_(0), log_(nullptr)
{
}

CBaseCheckRegExt::~CBaseCheckRegExt()
{
    CloseAllTables();
}

CBaseCheckRegExt::CBaseCheckRegExt(const CBaseCheckRegExt& other)
    : CBaseCheckReg(other), work_{}, chkRgHdl_(kClosed), gnrlHdl_(kClosed), salesHdl_(kClosed),
      tenderHdl_(kClosed), firstIndex_(false), firstKey_(-1), firstSecond_(-1),
      secondIndex_(false), secondKey_(-1), secondSecond_(-1), logged_(0), log_(nullptr)
{
    CopyExt(other);
}

CBaseCheckRegExt& CBaseCheckRegExt::operator=(const CBaseCheckRegExt& other)
{
    if (this != &other) {
        CloseAllTables();
        CBaseCheckReg::operator=(other);
        CopyExt(other);
    }
    return *this;
}

// The work entry, the count and the log (which the caller owns) are
// copied; the repair's files are never shared: a copy opens its own.
void CBaseCheckRegExt::CopyExt(const CBaseCheckRegExt& other)
{
    work_ = other.work_;
    logged_ = other.logged_;
    log_ = other.log_;
    if (IsOpen(other.chkRgHdl_))
        OpenAllTables();
}

bool CBaseCheckRegExt::OpenAllTables()
{
    Status s = OpenWithRetry(FileNo::SalesHeader, salesHdl_, kShareMode);
    if (s.Ok() && !firstIndex_) {
        if (!CreateIndex(salesHdl_, kFirstDepositColumn, firstKey_, firstSecond_)) {
            CloseAllTables();
            return false;
        }
        firstIndex_ = true;
    }
    if (s.Ok() && !secondIndex_) {
        if (!CreateIndex(salesHdl_, kSecondDepositColumn, secondKey_, secondSecond_)) {
            CloseAllTables();
            return false;
        }
        secondIndex_ = true;
    }
    if (s.Ok())
        s = OpenWithRetry(FileNo::CheckRegister, chkRgHdl_, kShareMode);
    if (s.Ok())
        s = OpenWithRetry(FileNo::Tenders, tenderHdl_, kShareMode);
    if (s.Ok())
        s = OpenWithRetry(FileNo::General, gnrlHdl_, 0);
    if (!s.Ok()) {
        s.Report();
        CloseAllTables();
        return false;
    }
    return true;
}

void CBaseCheckRegExt::CloseAllTables()
{
    if (IsOpen(salesHdl_)) {
        // The later index first: dropping a key moves the ones above it.
        if (secondIndex_) {
            BtrSetDefaults(salesHdl_, secondKey_, -1);
            DropTableSupIndex(No(FileNo::SalesHeader), salesHdl_);
        }
        if (firstIndex_) {
            BtrSetDefaults(salesHdl_, firstKey_, -1);
            DropTableSupIndex(No(FileNo::SalesHeader), salesHdl_);
        }
    }
    firstIndex_ = secondIndex_ = false;
    firstKey_ = firstSecond_ = secondKey_ = secondSecond_ = -1;
    CloseHandle(salesHdl_);
    CloseHandle(chkRgHdl_);
    CloseHandle(tenderHdl_);
    CloseHandle(gnrlHdl_);
}

void* CBaseCheckRegExt::SetFileHandle(void* file)
{
    void* previous = log_;
    log_ = file;
    return previous;
}

void CBaseCheckRegExt::WriteLog(const char* text)
{
    WriteMessageLogLine(text, 1, 1);
    if (log_ == nullptr)
        return;
    auto* file = static_cast<std::FILE*>(log_);
    ++logged_;
    std::fputs(text, file);
    std::fputs("\r\n", file);
    std::fflush(file);
}

void CBaseCheckRegExt::LogEvent(const char* format)
{
    const std::string text =
        FormatTexts(format, {TrimRight(FieldText(work_.CheckNo, sizeof work_.CheckNo)),
                             TrimRight(FieldText(work_.Account, sizeof work_.Account))});
    WriteLog(text.c_str());
}

bool CBaseCheckRegExt::CashHdrVoidCheck()
{
    work_.Kind = 'V';
    work_.KindDigit = '5';
    work_.Amount = 0.0;
    CopyText(work_.Reference2, sizeof work_.Reference2, "VOID");
    work_.Posted = 'Y';
    Table reg;
    reg.Borrow(FileNo::CheckRegister, chkRgHdl_);
    const Status s = reg.Update(work_);
    if (!s.Ok())
        ReportRecordManagerError(s.status, 1, B_UPDATE, No(FileNo::CheckRegister), 0);
    return s.Ok();
}

bool CBaseCheckRegExt::DeleteCheckRecord()
{
    const bool numberedCheck =
        work_.Kind == 'C' && !IsEmptyText(work_.CheckNo, sizeof work_.CheckNo);
    if (work_.Source == 'S' && (work_.Kind == 'M' || numberedCheck)) {
        // A withdrawal or a numbered check keeps its number accounted for.
        const bool voided = CashHdrVoidCheck();
        LogEvent(voided ? "Voided check number %s from account %s. Invalid source transaction."
                        : "Failed to void check number %s from account %s. Invalid source "
                          "transaction.");
        return voided;
    }
    Table reg;
    reg.Borrow(FileNo::CheckRegister, chkRgHdl_);
    const Status s = reg.Delete();
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_DELETE, No(FileNo::CheckRegister), 0);
        LogEvent("Failed to delete check number %s from account %s. Invalid source transaction.");
        return false;
    }
    LogEvent("Deleted check number %s from account %s. Invalid source transaction.");
    return true;
}

bool CBaseCheckRegExt::FixIntegrity()
{
    if (!IsPosOnLine())
        return false;
    if (!OpenAllTables())
        return false;
    Table reg;
    reg.Borrow(FileNo::CheckRegister, chkRgHdl_);
    const int32_t count = reg.RecordCount();
    if (count < 1) {
        CloseAllTables();
        return count == 0;
    }
    CProgressDialog progress;
    progress.Create(0, static_cast<int16_t>(std::min(count, kLargestRange)), 1, true, false, true,
                    "RSCheckingOnlineCK");
    progress.SetItemText(0, "Checking integrity of unposted check register transactions");
    reg.SetKey(0);
    KeyBuffer key;
    bool ok = true;
    Status s = reg.Get(B_GET_FIRST, key, work_);
    while (s.Ok()) {
        if (!IsYes(work_.Posted) && work_.Source == 'S' && !FixIntegrityOfSales()) {
            ok = false;
            break;
        }
        progress.Step();
        if (progress.Cancelled()) {
            WriteLog("Checking of unposted check register transactions cancelled.");
            ok = false;
            break;
        }
        s = reg.Get(B_GET_NEXT, key, work_);
    }
    if (ok && !s.Is(B_END_OF_FILE)) {
        ReportRecordManagerError(s.status, 1, B_GET_NEXT, No(FileNo::CheckRegister), 0);
        ok = false;
    }
    CloseAllTables();
    progress.Destroy();
    return ok;
}

bool CBaseCheckRegExt::FixIntegrityOfSales()
{
    // The sale is read with a lock and let go at once: a sale that another
    // station holds is not judged. Only "not found" by both deposit keys
    // means that the sale is gone.
    Table sales;
    sales.Borrow(FileNo::SalesHeader, salesHdl_);
    const int32_t entryKey = work_.TranKey;
    TagSalesHdr sale;
    bool first = true;
    Status s;
    for (int32_t index : {firstKey_, secondKey_}) {
        sales.SetKey(index);
        KeyBuffer key;
        key.Set(entryKey);
        s = sales.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, sale);
        sales.UnlockAll();
        if (!s.Is(B_KEY_NOT_FOUND))
            break;
        first = false;
    }
    sales.SetKey(0);
    if (s.Is(B_KEY_NOT_FOUND))
        return DeleteCheckRecord();
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::SalesHeader), 0);
        LogEvent("Could not check check number %s from account %s against its sale.");
        return false;
    }

    // The deposit's account as the sale names it now: its tender's, or for
    // the second deposit of a cash in/out the code itself.
    const char* code = first ? sale.Tender1 : sale.Tender2;
    std::string account;
    if (!first && SaleTypeIs(sale.Type, SALE_TYPE_CASH_IN_OUT)) {
        account = FieldText(code, sizeof sale.Tender2);
    } else {
        Table tenders;
        tenders.Borrow(FileNo::Tenders, tenderHdl_);
        KeyBuffer key;
        PadText(reinterpret_cast<char*>(key.bytes), sizeof sale.Tender1,
                TrimRight(FieldText(code, sizeof sale.Tender1)).c_str());
        TagTender tender;
        const Status t = tenders.Get(B_GET_EQUAL, key, tender);
        if (!t.Ok() && !t.Is(B_KEY_NOT_FOUND)) {
            ReportRecordManagerError(t.status, 1, B_GET_EQUAL, No(FileNo::Tenders), 0);
            return false;
        }
        if (t.Ok())
            account = FieldText(tender.Account, sizeof tender.Account);
    }
    if (Trim(account) == Trim(FieldText(work_.Account, sizeof work_.Account)))
        return true;
    return DeleteCheckRecord();
}
