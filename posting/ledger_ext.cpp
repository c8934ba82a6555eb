// The on-line ledger option of CBaseGL (every unposted sale in the ledger,
// or none, and the question that switches it) and CBaseGLExt, the repair of
// the unposted "PO" transactions whose sale is gone.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/ledger.h"
#include "bwps/messages.h"
#include "bwps/options.h"
#include "bwps/pos_services.h"
#include "bwps/progress.h"
#include "bwps/settings.h"
#include "bwps/status_windows.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

constexpr uint16_t kClosed = 0xFFFF;
constexpr uint16_t kSalePosted = 2;         // flags of a sale (offset 475): posted
constexpr int kTurnOnFailedMessage = 1718;
constexpr int kUndoFailedMessage = 1722;
constexpr int kLedgerKeyColumn = 52;        // sales header column of the ledger key (574)
constexpr int kListMode = 0x400;
constexpr int kLargestRange = 32767;
constexpr std::size_t kMessageLimit = 1023;
constexpr const char* kRepairJournal = "PO";

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

// The journal code as the framework's fixed-width compare sees it.
bool IsJournal(const char* field, const char* code)
{
    return TrimRight(FieldText(field, LEDGER_JOURNAL_WIDTH)) == code;
}

// The question window: rows 4 to 10, columns 5 to 73, the named screen with
// two choices, the first preselected. Tab and Shift+Tab switch; 0x1111
// switches and closes; 'C', 'c', 'E' and 0x101 close with the choice; Alt+C
// picks the first, Alt+E the second; Enter closes. Esc closes with the
// second: a question left unanswered changes nothing.
bool AskQuestion(const char* screen, const char* line1, const char* line2)
{
    FxWindow window;
    std::memset(&window, 0, sizeof window);
    if (FxWindowCreate(&window, 4, 5, 10, 73, 1, 0, ' ', nullptr) != 0)
        return false;
    FxWindowSetName(&window, screen);
    FxWindowText(&window, 1, 2, 0, line1, 0);
    FxWindowText(&window, 2, 2, 0, line2, 0);
    bool first = true;
    for (;;) {
        FxWindowText(&window, 4, 24, 0, first ? "[Continue]   Exit " : " Continue   [Exit]", 0);
        int32_t key = 0;
        if (FxKeyRead(&key, 1, 0) == 0)
            key = FX_KEY_ESC;
        if (key == FX_KEY_TAB || key == FX_KEY_SHIFT_TAB) {
            first = !first;
            continue;
        }
        if (key == 0x1111) {
            first = !first;
            break;
        }
        if (key == 'C' || key == 'c' || key == 'E' || key == 0x101 || key == FX_KEY_ENTER)
            break;
        if (key == 0x2E00) {
            first = true;
            break;
        }
        if (key == 0x1200 || key == FX_KEY_ESC) {
            first = false;
            break;
        }
    }
    FxWindowClose(&window, 1);
    return first;
}

}  // namespace

// ---- The on-line option of CBaseGL

bool CBaseGL::VerifyWithSalesTran()
{
    if (!OpenTables(No(FileNo::SalesHeader), No(FileNo::SalesDetail), CustId(), VendId()))
        return false;
    // A walk handle of its own: posting a sale reads and rewrites it
    // through the object's sales handle.
    Table sales;
    Status s = sales.Open(FileNo::SalesHeader);
    if (!s.Ok()) {
        s.Report();
        CloseTables();
        return false;
    }
    KeyBuffer key;
    TagSalesHdr sale;
    bool ok = true;
    for (s = sales.Get(B_GET_FIRST, key, sale); s.Ok(); s = sales.Get(B_GET_NEXT, key, sale)) {
        if ((sale.Flags & kSalePosted) != 0 || sale.Type == SALE_TYPE_VOID)
            continue;
        bool posted;
        if (verify_) {
            // The dry run builds the sale's transaction in memory only:
            // every account is checked and nothing is written.
            std::vector<TagLedgerDetail> lines;
            posted = BuildSaleLines(sale, lines);
        } else {
            posted = UpdateFromSalesTran(sale);
        }
        if (!posted) {
            DisplayError(sale);
            ok = false;
            break;
        }
    }
    if (ok && !s.Is(B_END_OF_FILE)) {
        s.Report();
        ok = false;
    }
    CloseTables();
    return ok;
}

bool CBaseGL::Verify()
{
    CProgressDialog progress;
    progress.Create(0, 2, 1, false, false, true, "RSMsgUpdatingOnlineGL");
    verify_ = true;
    progress.Step();
    bool ok = VerifyWithSalesTran();
    verify_ = false;
    if (ok) {
        progress.Step();
        ok = VerifyWithSalesTran();
    }
    CloseTables();
    progress.Destroy();
    return ok;
}

bool CBaseGL::UndoWithSalesTran()
{
    if (!OpenTables(No(FileNo::SalesHeader), No(FileNo::SalesDetail), CustId(), VendId()))
        return false;
    Table sales;
    Status s = sales.Open(FileNo::SalesHeader);
    if (!s.Ok()) {
        s.Report();
        CloseTables();
        return false;
    }
    KeyBuffer key;
    TagSalesHdr sale;
    for (s = sales.Get(B_GET_FIRST, key, sale); s.Ok(); s = sales.Get(B_GET_NEXT, key, sale)) {
        if ((sale.Flags & kSalePosted) != 0 || sale.Type == SALE_TYPE_VOID)
            continue;
        // A sale that cannot be taken out stays as it is; the others go on.
        DeleteTran(sale);
    }
    const bool ok = s.Is(B_END_OF_FILE);
    if (!ok)
        s.Report();
    CloseTables();
    return ok;
}

bool CBaseGL::Undo()
{
    CProgressDialog progress;
    progress.Create(0, 2, 1, false, false, true, "RSMsgUpdatingOnlineGL");
    progress.Step();
    const bool ok = UndoWithSalesTran();
    if (ok)
        progress.Step();
    CloseTables();
    progress.Destroy();
    return ok;
}

bool CBaseGL::SetPOSFlag(bool on)
{
    if (!WriteInterfaceFlag(offsetof(TagSysInterface, OnlineLedger), on, sysInterface_,
                            sizeof sysInterface_))
        return false;
    online_ = on;
    return true;
}

bool CBaseGL::VerifyGLOnLine()
{
    if (!IsInterfacedToAccounting())
        return true;
    TagSystemPref system;
    if (ReadSystemRecord(0, &system) != 0 || !ReadSysIntf())
        return true;
    const bool wanted = IsGeneralLedgerOnline() != 0;
    const bool applied = IsPosOnLine();
    if (wanted == applied)
        return true;
    if (applied) {
        if (!AskQuestion("RSAskGLUNDO", "The online general ledger is turned off:",
                         "remove the ledger transactions of the unposted sales?"))
            return false;
        if (!SetPOSFlag(false) || !Undo()) {
            SetPOSFlag(true);
            DisplayErrorStatus(true);
        }
    } else {
        if (!AskQuestion("RSASKGLONLINE", "The online general ledger is turned on:",
                         "write a ledger transaction for every unposted sale?"))
            return false;
        if (!SetPOSFlag(true)) {
            SetPOSFlag(false);
            DisplayErrorStatus(false);
        } else if (!Verify()) {
            // The sales written before the one that failed are taken out
            // again while the option is still on: no half set stays.
            Undo();
            SetPOSFlag(false);
            DisplayErrorStatus(false);
        }
    }
    return true;
}

void CBaseGL::DisplayError(const char* invoiceNo)
{
    const std::string journal = Trim(FieldText(header_.JournalCode, 6));
    const std::string invoice =
        invoiceNo != nullptr ? TrimRight(FieldText(invoiceNo, sizeof header_.SourceDocument)) : "";
    char text[kMessageLimit + 1];
    if (error_ == GL_ERROR_ACCOUNT)
        std::snprintf(text, sizeof text,
                      "An error occurred creating General Ledger transaction.\n\nAccount not "
                      "found: %s\n\nTransaction: %s %s",
                      errorText_, journal.c_str(), invoice.c_str());
    else
        std::snprintf(text, sizeof text,
                      "An error occurred creating General Ledger transaction.\n\nTransaction: %s %s",
                      journal.c_str(), invoice.c_str());
    FxMessageBox(nullptr, text, FxGetAppCaption(0), 0x10, 0);
}

void CBaseGL::DisplayError(const TagSalesHdr& sale)
{
    DisplayError(sale.InvoiceNo);
}

void CBaseGL::DisplayErrorStatus(bool undo)
{
    int choice = 0;
    AskMessage(undo ? kUndoFailedMessage : kTurnOnFailedMessage, 0, &choice,
               MESSAGE_BUTTONS_CONTINUE, nullptr, 0, 0, 0, 0, 0);
}

// ---- CBaseGLExt

CBaseGLExt::CBaseGLExt()
    : checked_{}, list_{}, listOpen_(false), checkHdr_(kClosed), checkDtl_(kClosed),
      indexCreated_(false), indexKey_(-1), logged_(0), log_(nullptr)
{
}

CBaseGLExt::~CBaseGLExt()
{
    CloseAllTables();
}

CBaseGLExt::CBaseGLExt(const CBaseGLExt& other)
    : CBaseGL(other), checked_{}, list_{}, listOpen_(false), checkHdr_(kClosed),
      checkDtl_(kClosed), indexCreated_(false), indexKey_(-1), logged_(0), log_(nullptr)
{
    CopyExt(other);
}

CBaseGLExt& CBaseGLExt::operator=(const CBaseGLExt& other)
{
    if (this != &other) {
        CloseAllTables();
        CBaseGL::operator=(other);
        CopyExt(other);
    }
    return *this;
}

// The checked header, the count and the log (which the caller owns) are
// copied; the repair's files are never shared: a copy opens its own.
void CBaseGLExt::CopyExt(const CBaseGLExt& other)
{
    checked_ = other.checked_;
    logged_ = other.logged_;
    log_ = other.log_;
    if (other.listOpen_)
        OpenAllTables();
}

bool CBaseGLExt::OpenAllTables()
{
    if (!listOpen_) {
        int32_t words[30] = {};
        words[0] = No(FileNo::LedgerHeader) | kListMode;
        words[1] = No(FileNo::LedgerDetail) | kListMode;
        uint16_t list[30] = {};
        int status = OpenFileListArray(list, words);
        if (status != 0) {
            // One more try; its end of file counts as opened.
            std::memset(list, 0, sizeof list);
            status = OpenFileListArray(list, words);
        }
        if (status != 0 && status != B_END_OF_FILE) {
            CloseAllTables();
            return false;
        }
        std::memcpy(list_, list, sizeof list_);
        listOpen_ = true;
    }
    for (auto [file, handle] : {std::pair<FileNo, uint16_t*>{FileNo::SalesHeader, &checkHdr_},
                                {FileNo::SalesDetail, &checkDtl_}}) {
        if (IsOpen(*handle))
            continue;
        const Status s = OpenWithRetry(file, *handle, kListMode);
        if (!s.Ok()) {
            *handle = kClosed;
            s.Report(1, kListMode);
            CloseAllTables();
            return false;
        }
    }
    if (!indexCreated_) {
        if (CreateSupplementalIndex(No(FileNo::SalesHeader), checkHdr_, kLedgerKeyColumn, -1, -1) !=
            0) {
            CloseAllTables();
            return false;
        }
        int key = 0, second = 0;
        BtrGetDefaults(checkHdr_, &key, &second);
        indexKey_ = key;
        indexCreated_ = true;
    }
    return true;
}

void CBaseGLExt::CloseAllTables()
{
    if (listOpen_) {
        CloseFileList(list_);
        std::memset(list_, 0, sizeof list_);
        listOpen_ = false;
    }
    if (indexCreated_ && IsOpen(checkHdr_)) {
        BtrSetDefaults(checkHdr_, indexKey_, -1);
        DropTableSupIndex(No(FileNo::SalesHeader), checkHdr_);
    }
    indexCreated_ = false;
    indexKey_ = -1;
    CloseHandle(checkHdr_);
    CloseHandle(checkDtl_);
    CloseTables();
}

void* CBaseGLExt::SetFileHandle(void* file)
{
    void* previous = log_;
    log_ = file;
    return previous;
}

void CBaseGLExt::WriteLog(const std::string& text)
{
    WriteMessageLogLine(text.c_str(), 1, 1);
    if (log_ == nullptr)
        return;
    auto* file = static_cast<std::FILE*>(log_);
    ++logged_;
    std::fputs(text.c_str(), file);
    std::fputs("\r\n", file);
    std::fflush(file);
}

void CBaseGLExt::LogEvent(const char* format)
{
    WriteLog(FormatTexts(format, {TrimmedField(checked_.TranNo, sizeof checked_.TranNo),
                                  TrimmedField(checked_.JournalCode, sizeof checked_.JournalCode)}));
}

bool CBaseGLExt::FixIntegrity()
{
    if (!IsPosOnLine() || !OpenAllTables())
        return false;
    Table headers;
    headers.Borrow(FileNo::LedgerHeader, list_[0]);
    const int32_t count = headers.RecordCount();
    if (count < 1) {
        CloseAllTables();
        return count == 0;
    }
    CProgressDialog progress;
    progress.Create(0, static_cast<int16_t>(std::min(count, kLargestRange)), 1, true, false, true,
                    "RSCheckingOnlineGL");
    progress.SetItemText(0, "Checking integrity of unposted general ledger transactions");
    headers.SetKey(0);
    KeyBuffer key;
    bool ok = true;
    Status s = headers.Get(B_GET_FIRST, key, checked_);
    while (s.Ok()) {
        const bool open = !IsYes(checked_.Posted) && !IsYes(checked_.Deleted);
        const bool fromSale = !IsEmptyText(checked_.SourceDocument, sizeof checked_.SourceDocument);
        if (open && fromSale && IsJournal(checked_.JournalCode, kRepairJournal) &&
            !FixIntegrityOfSales()) {
            ok = false;
            break;
        }
        progress.Step();
        if (progress.Cancelled()) {
            WriteLog("Checking of unposted general ledger transactions cancelled.");
            ok = false;
            break;
        }
        s = headers.Get(B_GET_NEXT, key, checked_);
    }
    if (ok && !s.Is(B_END_OF_FILE)) {
        ReportRecordManagerError(s.status, 1, B_GET_NEXT, No(FileNo::LedgerHeader), 0);
        ok = false;
    }
    CloseAllTables();
    progress.Destroy();
    return ok;
}

bool CBaseGLExt::FixIntegrityOfSales()
{
    Table sales;
    sales.Borrow(FileNo::SalesHeader, checkHdr_);
    sales.SetKey(indexKey_);
    KeyBuffer key;
    const int32_t ledgerKey = checked_.TranKey;
    key.Set(ledgerKey);
    TagSalesHdr sale;
    // Read with a lock: a sale that another station holds is not judged.
    const Status s = sales.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, sale);
    sales.UnlockAll();
    if (s.Ok())
        return true;
    if (s.Is(B_KEY_NOT_FOUND))
        return DeleteGLRecord();
    // A sale that cannot be read (locked, damaged) is no missing sale: the
    // transaction stays and the repair stops.
    ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::SalesHeader), 0);
    LogEvent("Could not check GL transaction number %s, journal code %s against its sale.");
    return false;
}

bool CBaseGLExt::DeleteGLRecord()
{
    Table headers;
    headers.Borrow(FileNo::LedgerHeader, list_[0]);
    TagPostingStatus block{};
    int status = 0;
    {
        // The header is read again and held while its lines go and it
        // becomes the marker; lines and marker are written together.
        KeyBuffer key;
        std::memcpy(key.bytes, checked_.JournalCode, LEDGER_KEY_WIDTH);
        TagGLHeader current;
        Status s = headers.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, current);
        block.FileNumber = No(FileNo::LedgerHeader);
        block.Operation = B_GET_EQUAL;
        if (!s.Ok()) {
            status = s.status;
        } else if (IsYes(current.Posted) || IsYes(current.Deleted)) {
            // Posted or removed meanwhile: nothing to repair.
            headers.UnlockAll();
            checked_ = current;
            return true;
        } else {
            checked_ = current;
            JoinedBatch batch;
            if (!batch.Ok()) {
                status = batch.Begun().status;
                block.Operation = B_BEGIN_TRAN;
            } else {
                status = WriteDeletedGLMarker(B_UPDATE, list_[0], list_[1], &checked_, &block);
                if (status == 0) {
                    const Status committed = batch.Commit();
                    status = committed.status;
                    if (status != 0) {
                        block.Operation = B_END_TRAN;
                        block.FileNumber = No(FileNo::LedgerHeader);
                    }
                } else {
                    batch.Abort();
                }
            }
        }
        headers.UnlockAll();
    }
    if (status == 0) {
        LogEvent("Deleted GL transaction number %s, journal code %s. Invalid source transaction.");
        return true;
    }
    ReportRecordManagerError(status, 1, block.Operation, block.FileNumber, 0);
    LogEvent(
        "Failed to delete GL transaction number %s, journal code %s. Invalid source transaction.");
    return false;
}
