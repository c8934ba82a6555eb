// CBaseGL: the ledger transaction built in memory and written (header and
// lines inside one record-manager transaction), and the stored
// transactions read, replaced and deleted.

#include <cmath>
#include <cstring>
#include <vector>

#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/ledger.h"
#include "bwps/messages.h"
#include "bwps/settings.h"
#include "posting/ledger_internal.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

constexpr uint16_t kClosed = 0xFFFF;
constexpr int kSlots = 30;
constexpr int kListFiles[] = {13, 12, 11, 1, 28, 20, 21, 7, 33, 34, 31};

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

// Opens a file by number into a handle that is closed: a failed open is
// tried once more, and the second try counts when it gives 0 or 9.
bool OpenInto(uint16_t& handle, int fileNumber, int mode)
{
    if (IsOpen(handle))
        return true;
    const char* path = GetDataFilePath(fileNumber);
    if (path == nullptr)
        return false;
    if (std::strchr(path, '/') == nullptr) {
        // No folder for the file (an accounting file of a store that has
        // none): never a file of the working folder.
        ReportRecordManagerError(B_FILE_NOT_FOUND, 1, OPEN_OPERATION, fileNumber, mode);
        return false;
    }
    uint16_t opened = 0;
    int status = BtrOpenFile(&opened, path, mode, 0);
    if (status != 0) {
        opened = 0;
        status = BtrOpenFile(&opened, path, mode, 0);
        if (status != 0 && status != B_END_OF_FILE) {
            ReportRecordManagerError(status, 1, OPEN_OPERATION, fileNumber, mode);
            return false;
        }
    }
    handle = opened;
    return opened != 0;
}

TagLedgerKey LedgerKeyOf(const char* journal, const char* number)
{
    TagLedgerKey key{};
    JournalKey(key.JournalCode, journal);
    CopyText(key.TranNo, sizeof key.TranNo, number);
    return key;
}

}  // namespace

namespace bwps::posting {

Status SaveStoredTransaction(uint16_t headers, uint16_t lines, const TagLedgerKey& key,
                             SavedTransaction& out)
{
    out = SavedTransaction{};
    Table headerTable, lineTable;
    headerTable.Borrow(FileNo::LedgerHeader, headers);
    lineTable.Borrow(FileNo::LedgerDetail, lines);
    headerTable.SetKey(0);
    KeyBuffer buffer;
    buffer.Set(key);
    Status s = headerTable.Get(B_GET_EQUAL, buffer, out.header);
    if (s.NotFound())
        return Success();
    if (!s.Ok())
        return s;
    out.present = true;
    lineTable.SetKey(0);
    buffer.Set(key);
    TagLedgerDetail line;
    s = lineTable.Get(B_GET_GE, buffer, line);
    while (s.Ok() && std::memcmp(&line, &key, sizeof key) == 0) {
        out.lines.push_back(line);
        s = lineTable.Get(B_GET_NEXT, buffer, line);
    }
    return s.NotFound() ? Success() : s;
}

Status RestoreStoredTransaction(uint16_t headers, uint16_t lines, const TagLedgerKey& key,
                                const SavedTransaction& saved)
{
    Table headerTable, lineTable;
    headerTable.Borrow(FileNo::LedgerHeader, headers);
    lineTable.Borrow(FileNo::LedgerDetail, lines);
    headerTable.SetKey(0);
    KeyBuffer buffer;
    buffer.Set(key);
    TagGLHeader stored;
    Status s = headerTable.Get(B_GET_EQUAL, buffer, stored);
    if (s.Ok() && saved.present && std::memcmp(&stored, &saved.header, sizeof stored) == 0) {
        // The record manager put the old transaction back itself.
        return Success();
    }
    if (s.Ok()) {
        TagPostingStatus block;
        const int status = WriteDeletedGLMarker(B_DELETE, headers, lines, &stored, &block);
        if (status != 0)
            return {status, block.Operation, static_cast<FileNo>(block.FileNumber)};
    } else if (!s.NotFound()) {
        return s;
    } else {
        TagPostingStatus block;
        ClearDeletedMarkersByNumber(lines, key.JournalCode, key.TranNo, &block);
    }
    if (!saved.present)
        return Success();
    TagGLHeader header = saved.header;
    s = headerTable.Insert(header);
    for (std::size_t i = 0; s.Ok() && i < saved.lines.size(); ++i) {
        TagLedgerDetail line = saved.lines[i];
        s = lineTable.Insert(line);
    }
    return s;
}

}  // namespace bwps::posting

// ---- Construction

CBaseGL::CBaseGL()
    : salesHdr_(kClosed), salesDtl_(kClosed), cust_(kClosed), vend_(kClosed),
      cvHandle_(kClosed), accountingGeneral_(kClosed), cvFile_(0), hdrFile_(0), result_(0),
      open_(false), nextLine_(0), tranActive_(0), errorText_{}, error_(0), lastFile_(0),
      lastOp_(0), online_(false), net_(0.0), costTotal_(0.0), updateDetail_(false),
      detailLines_(false), recordsFound_(false), savedCost_(0.0), postRef_{}, verify_(false),
      sysInterface_{}, system_{}, header_{}, detail_{}, lines_{}, interface_{}
{
    for (uint16_t& handle : handles_)
        handle = kClosed;
    FxListInit(&lines_);
    LoadSysInterfaceRecord();
    const TagSysInterface* record = GetSysInterfaceRecord();
    if (record != nullptr)
        std::memcpy(sysInterface_, record, sizeof sysInterface_);
}

CBaseGL::~CBaseGL()
{
    if (open_)
        CloseTables();
    EndTran();
    FxListClear(&lines_);
}

CBaseGL::CBaseGL(const CBaseGL& other) : CBaseGL()
{
    CopyFrom(other);
}

CBaseGL& CBaseGL::operator=(const CBaseGL& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

// Every member is copied; the line list is copied entry by entry, so the
// two objects never free the same entries, and the files are opened anew.
void CBaseGL::CopyFrom(const CBaseGL& other)
{
    CloseTables();
    FxListClear(&lines_);
    cvFile_ = other.cvFile_;
    hdrFile_ = other.hdrFile_;
    result_ = other.result_;
    open_ = other.open_;
    nextLine_ = other.nextLine_;
    tranActive_ = other.tranActive_;
    std::memcpy(errorText_, other.errorText_, sizeof errorText_);
    error_ = other.error_;
    lastFile_ = other.lastFile_;
    lastOp_ = other.lastOp_;
    online_ = other.online_;
    net_ = other.net_;
    costTotal_ = other.costTotal_;
    updateDetail_ = other.updateDetail_;
    detailLines_ = other.detailLines_;
    recordsFound_ = other.recordsFound_;
    savedCost_ = other.savedCost_;
    std::memcpy(postRef_, other.postRef_, sizeof postRef_);
    verify_ = other.verify_;
    std::memcpy(sysInterface_, other.sysInterface_, sizeof sysInterface_);
    std::memcpy(system_, other.system_, sizeof system_);
    header_ = other.header_;
    detail_ = other.detail_;
    FxList* source = const_cast<FxList*>(&other.lines_);
    FxListNode* walk = source->walk;
    for (FxListNode* node = source->first; node != nullptr; node = node->next)
        FxListAdd(&lines_, node->data, node->size);
    source->walk = walk;
    interface_ = other.interface_;
    sales_ = other.sales_;
    // A copy never shares the original's file handles (each object closes
    // its own): the files open in the original are opened again.
    for (uint16_t& handle : handles_)
        handle = kClosed;
    salesHdr_ = salesDtl_ = cust_ = vend_ = cvHandle_ = accountingGeneral_ = kClosed;
    open_ = false;
    const bool salesOpen = IsOpen(other.salesHdr_) && other.hdrFile_ == No(FileNo::SalesHeader);
    if (salesOpen && IsOpen(other.cust_))
        OpenTables(other.hdrFile_, No(FileNo::SalesDetail), CustId(), VendId());
    else if (salesOpen)
        OpenTables(other.hdrFile_, No(FileNo::SalesDetail));
    else if (other.open_)
        OpenTables();
}

// ---- Files

bool CBaseGL::OpenTables()
{
    if (open_)
        return true;
    uint16_t list[kSlots] = {};
    int32_t words[kSlots] = {};
    int n = 0;
    for (int file : kListFiles)
        words[n++] = file;
    int status = OpenFileListArray(list, words);
    if (status == 0 && IsInterfacedToAccounting()) {
        if (!OpenInto(accountingGeneral_, No(FileNo::AccountingGeneral), 0)) {
            CloseFileList(list);
            status = B_FILE_NOT_OPEN;
        }
    }
    for (int i = 0; i < kSlots; ++i)
        handles_[i] = list[i] != 0 ? list[i] : kClosed;
    result_ = static_cast<int16_t>(status);
    open_ = status == 0;
    return open_;
}

bool CBaseGL::OpenTables(int hdrFile, int dtlFile)
{
    if (!OpenInto(salesHdr_, hdrFile, 0) || !OpenInto(salesDtl_, dtlFile, 0) || !OpenTables()) {
        CloseTables();
        return false;
    }
    hdrFile_ = hdrFile;
    return true;
}

bool CBaseGL::OpenTables(int hdrFile, int dtlFile, int custFile, int vendFile)
{
    // A store that is not interfaced keeps no vendor file of its own; the
    // posting of a sale never reads it, nor looks for it.
    const bool vendorNeeded = IsInterfacedToAccounting();
    if (!OpenInto(salesHdr_, hdrFile, 0) || !OpenInto(salesDtl_, dtlFile, 0) ||
        !OpenInto(cust_, custFile, 0) || (vendorNeeded && !OpenInto(vend_, vendFile, 0)) ||
        !OpenTables()) {
        CloseTables();
        return false;
    }
    hdrFile_ = hdrFile;
    cvHandle_ = cust_;
    cvFile_ = static_cast<int16_t>(CustId());
    return true;
}

void CBaseGL::CloseTables()
{
    uint16_t list[kSlots] = {};
    for (int i = 0; i < kSlots; ++i)
        list[i] = IsOpen(handles_[i]) ? handles_[i] : 0;
    CloseFileList(list);
    for (uint16_t& handle : handles_)
        handle = kClosed;
    open_ = false;
    CloseHandle(salesHdr_);
    CloseHandle(salesDtl_);
    CloseHandle(cust_);
    CloseHandle(vend_);
    CloseHandle(accountingGeneral_);
    cvHandle_ = kClosed;
}

uint16_t CBaseGL::IndexValHdl() const
{
    return IsInterfacedToAccounting() ? accountingGeneral_ : handles_[10];
}

bool CBaseGL::ReadSysIntf()
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
        s.Report(1, 0);
        return false;
    }
    return true;
}

bool CBaseGL::IsPosOnLine()
{
    if (!ReadSysIntf() || ReadSystemRecordRaw(system_) != 0)
        return false;
    online_ = sysInterface_[offsetof(TagSysInterface, OnlineLedger)] == 'Y';
    return online_;
}

// ---- The transaction in memory

bool CBaseGL::BeginTran()
{
    if (tranActive_)
        EndTran();
    if (ReadGeneralRecord(0, 0, GENERAL_INTERFACE_SIZE, GENERAL_KEY_INTERFACE, &interface_) != 0)
        return false;
    FxListClear(&lines_);
    FxListInit(&lines_);
    tranActive_ = 1;
    return true;
}

bool CBaseGL::EndTran()
{
    if (tranActive_)
        FxListClear(&lines_);
    tranActive_ = 0;
    return true;
}

void CBaseGL::AbortTran()
{
    // The lines are dropped by the next BeginTran or EndTran.
}

bool CBaseGL::ValidHeader()
{
    return true;
}

bool CBaseGL::InsertHeader()
{
    if (!ValidHeader())
        return false;
    header_.DebitTotal = 0.0;
    return true;
}

bool CBaseGL::InsertHeader(TagGLHeader* header)
{
    if (header != nullptr)
        header_ = *header;
    return InsertHeader();
}

bool CBaseGL::ValidDetail()
{
    TagAccount account;
    if (ValidateAccountNo(AcctHdl(), detail_.Account, &account) && account.Kind == 'D')
        return true;
    error_ = GL_ERROR_ACCOUNT;
    CopyText(errorText_, sizeof errorText_, FieldText(detail_.Account, 11).c_str());
    return false;
}

bool CBaseGL::InsertDetail()
{
    if (!ValidDetail())
        return false;
    if (!std::isfinite(detail_.Amount)) {
        error_ = GL_ERROR_LIST;
        return false;
    }
    if (detail_.Amount < 0.0) {
        detail_.Amount *= -1.0;
        detail_.DebitCredit = detail_.DebitCredit == 'D' ? 'C' : 'D';
    }
    if (detail_.DebitCredit == 'D')
        header_.DebitTotal += detail_.Amount;
    if (FxListAdd(&lines_, &detail_, sizeof detail_) == nullptr) {
        error_ = GL_ERROR_LIST;
        return false;
    }
    return true;
}

bool CBaseGL::InsertDetail(TagLedgerDetail* detail)
{
    if (detail != nullptr)
        detail_ = *detail;
    return InsertDetail();
}

void CBaseGL::UpdateTotal()
{
    double total = 0.0;
    for (FxListNode* node = lines_.first; node != nullptr; node = node->next) {
        const auto* line = static_cast<const TagLedgerDetail*>(node->data);
        if (line->DebitCredit == 'D')
            total += line->Amount;
    }
    header_.DebitTotal = total;
}

void CBaseGL::Fail(int error, int file, int operation)
{
    error_ = error;
    lastFile_ = file;
    lastOp_ = operation;
}

bool CBaseGL::WriteHeader(bool clearTranNo)
{
    if (clearTranNo)
        std::memset(header_.TranNo, 0, sizeof header_.TranNo);
    // Stored journal codes are blank padded to 6 characters (key 0).
    char journal[LEDGER_JOURNAL_WIDTH];
    JournalKey(journal, header_.JournalCode);
    std::memcpy(header_.JournalCode, journal, sizeof journal);
    if (IsEmptyText(header_.TranNo, sizeof header_.TranNo)) {
        char number[16] = {};
        if (EnsureJournalCode(3, GLJrnlHdl(), header_.JournalCode, number) != 0) {
            Fail(GL_ERROR_NUMBER, No(FileNo::Journals), B_UPDATE);
            return false;
        }
        CopyText(header_.TranNo, sizeof header_.TranNo, number);
    }
    header_.Posted = 'N';
    header_.StartDate = 0;
    header_.Deleted = header_.Deleted == 'Y' ? 'Y' : 'N';
    header_.Reverse = header_.Reverse == 'Y' ? 'Y' : 'N';
    if (header_.TranKey < 1)
        return WriteHeaderUpdate();
    Table headers;
    headers.Borrow(FileNo::LedgerHeader, GLHdrHdl());
    Status s = headers.Insert(header_);
    result_ = static_cast<int16_t>(s.status);
    if (!s.Ok()) {
        Fail(GL_ERROR_HEADER_WRITE, No(FileNo::LedgerHeader), B_INSERT);
        return false;
    }
    return true;
}

bool CBaseGL::WriteHeaderUpdate()
{
    header_.TranKey = 0;
    Table headers;
    headers.Borrow(FileNo::LedgerHeader, GLHdrHdl());
    Status s = headers.Insert(header_);
    result_ = static_cast<int16_t>(s.status);
    if (!s.Ok()) {
        Fail(GL_ERROR_HEADER_WRITE, No(FileNo::LedgerHeader), B_INSERT);
        return false;
    }
    if (IsOpen(IndexValHdl()))
        BtrUnlock(-2, IndexValHdl(), nullptr);
    return true;
}

bool CBaseGL::WriteDetail()
{
    std::memcpy(detail_.JournalCode, header_.JournalCode, sizeof detail_.JournalCode);
    std::memcpy(detail_.TranNo, header_.TranNo, sizeof detail_.TranNo);
    detail_.LineNo = static_cast<uint16_t>(NextLine());
    detail_.TranDate = header_.TranDate;
    Table lines;
    lines.Borrow(FileNo::LedgerDetail, GLDtlHdl());
    Status s = lines.Insert(detail_);
    result_ = static_cast<int16_t>(s.status);
    if (!s.Ok()) {
        Fail(GL_ERROR_LINE_WRITE, No(FileNo::LedgerDetail), B_INSERT);
        return false;
    }
    return true;
}

// Header, then every listed line numbered from 0.
bool CBaseGL::WriteTransaction(bool clearTranNo)
{
    UpdateTotal();
    if (!WriteHeader(clearTranNo))
        return false;
    nextLine_ = 0;
    for (auto* entry = static_cast<TagLedgerDetail*>(FxListWalk(&lines_, 1, 0, 0));
         entry != nullptr; entry = static_cast<TagLedgerDetail*>(FxListWalk(&lines_, 2, 0, 0))) {
        detail_ = *entry;
        if (!WriteDetail()) {
            AbortTran();
            Fail(GL_ERROR_LINE_WRITE, No(FileNo::LedgerDetail), B_INSERT);
            return false;
        }
    }
    return true;
}

// After an aborted write: the header this object inserted (known by its
// new key) and its lines are removed when the record manager kept them.
bool CBaseGL::RemoveWritten(long newKey)
{
    if (newKey < 1)
        return true;
    Table headers;
    headers.Borrow(FileNo::LedgerHeader, GLHdrHdl());
    headers.SetKey(0);
    KeyBuffer key;
    key.Set(LedgerKeyOf(header_.JournalCode, header_.TranNo));
    TagGLHeader stored;
    Status s = headers.Get(B_GET_EQUAL, key, stored);
    if (s.NotFound())
        return true;
    if (!s.Ok() || stored.TranKey != newKey)
        return s.Ok();
    TagPostingStatus block;
    return WriteDeletedGLMarker(B_DELETE, GLHdrHdl(), GLDtlHdl(), &stored, &block) == 0;
}

bool CBaseGL::Committ(bool clearTranNo)
{
    if (verify_)
        return true;
    JoinedBatch batch;
    if (!batch.Ok()) {
        result_ = static_cast<int16_t>(batch.Begun().status);
        Fail(GL_ERROR_LINE_WRITE, No(FileNo::LedgerDetail), B_BEGIN_TRAN);
        return false;
    }
    if (!WriteTransaction(clearTranNo)) {
        const long written = header_.TranKey;
        batch.Abort();
        if (!batch.Joined())
            RemoveWritten(written);
        return false;
    }
    Status s = batch.Commit();
    if (!s.Ok()) {
        result_ = static_cast<int16_t>(s.status);
        Fail(GL_ERROR_LINE_WRITE, No(FileNo::LedgerDetail), B_END_TRAN);
        RemoveWritten(header_.TranKey);
        return false;
    }
    return true;
}

// ---- Stored transactions

bool CBaseGL::UpdateTran(char* journal, char* tranNo)
{
    const TagGLHeader copy = header_;
    char code[LEDGER_JOURNAL_WIDTH], number[LEDGER_NUMBER_WIDTH];
    std::memcpy(code, journal != nullptr ? journal : copy.JournalCode, sizeof code);
    std::memcpy(number, tranNo != nullptr ? tranNo : copy.TranNo, sizeof number);
    code[sizeof code - 1] = '\0';
    number[sizeof number - 1] = '\0';
    const TagLedgerKey key = LedgerKeyOf(code, number);

    JoinedBatch batch;
    SavedTransaction old;
    SaveStoredTransaction(GLHdrHdl(), GLDtlHdl(), key, old);
    if (!batch.Ok() || !DeleteTran(code, number, B_DELETE)) {
        header_ = copy;
        Fail(GL_ERROR_REPLACE, No(FileNo::LedgerHeader), B_UPDATE);
        return false;
    }
    header_ = copy;
    std::memcpy(header_.JournalCode, key.JournalCode, sizeof key.JournalCode);
    std::memcpy(header_.TranNo, key.TranNo, sizeof key.TranNo);
    bool written = Committ(false);
    if (written && !batch.Joined()) {
        Status s = batch.Commit();
        if (!s.Ok()) {
            result_ = static_cast<int16_t>(s.status);
            Fail(GL_ERROR_LINE_WRITE, No(FileNo::LedgerDetail), B_END_TRAN);
            written = false;
        }
    }
    if (!written) {
        // The old transaction stays: put back unless the record manager did.
        batch.Abort();
        if (!batch.Joined())
            RestoreStoredTransaction(GLHdrHdl(), GLDtlHdl(), key, old);
    }
    return written;
}

bool CBaseGL::DeleteTran(char* journal, char* tranNo, int kind)
{
    if (journal == nullptr || tranNo == nullptr)
        return false;
    Table headers;
    headers.Borrow(FileNo::LedgerHeader, GLHdrHdl());
    headers.SetKey(0);
    KeyBuffer key;
    key.Set(LedgerKeyOf(journal, tranNo));
    Status s = headers.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, header_);
    result_ = static_cast<int16_t>(s.status);
    if (!s.Ok()) {
        Fail(GL_ERROR_REPLACE, No(FileNo::LedgerHeader), B_GET_EQUAL);
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::LedgerHeader), 0);
        return false;
    }
    TagPostingStatus block;
    const int status = WriteDeletedGLMarker(static_cast<int16_t>(kind), GLHdrHdl(), GLDtlHdl(),
                                            &header_, &block);
    headers.UnlockAll();
    if (status != 0) {
        result_ = static_cast<int16_t>(status);
        Fail(GL_ERROR_REPLACE, No(FileNo::LedgerHeader), B_UPDATE);
        return false;
    }
    return true;
}

bool CBaseGL::ReadHeaderByKey(long key, TagGLHeader& out)
{
    Table headers;
    headers.Borrow(FileNo::LedgerHeader, GLHdrHdl());
    const int saved = headers.Key();
    headers.SetKey(2);
    KeyBuffer buffer;
    const int32_t value = static_cast<int32_t>(key);
    buffer.Set(value);
    Status s = headers.Get(B_GET_EQUAL, buffer, out);
    headers.SetKey(saved);
    result_ = static_cast<int16_t>(s.status);
    return s.Ok();
}

bool CBaseGL::DeleteTran(long key)
{
    if (key < 1)
        return !IsPosOnLine();
    if (!OpenTables())
        return false;
    if (!ReadHeaderByKey(key, header_))
        return false;
    char journal[LEDGER_JOURNAL_WIDTH], number[LEDGER_NUMBER_WIDTH];
    std::memcpy(journal, header_.JournalCode, sizeof journal);
    std::memcpy(number, header_.TranNo, sizeof number);
    return DeleteTran(journal, number, B_UPDATE);
}

bool CBaseGL::DeleteTran(TagSalesHdr& sale)
{
    if (sale.LedgerKey < 1)
        return !IsPosOnLine();
    if (!IsOpen(salesHdr_) && !OpenTables(No(FileNo::SalesHeader), No(FileNo::SalesDetail)))
        return false;
    const int fileNumber = hdrFile_ != 0 ? hdrFile_ : No(FileNo::SalesHeader);
    Table sales;
    sales.Borrow(static_cast<FileNo>(fileNumber), salesHdr_);
    uint32_t position = 0;
    const bool kept = sales.Position(position).Ok();
    KeyBuffer key;
    std::memcpy(key.bytes, sale.InvoiceNo, sizeof sale.InvoiceNo);
    TagSalesHdr stored;
    Status s = sales.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, stored);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, fileNumber, 0);
        return false;
    }
    JoinedBatch batch;
    bool deleted = batch.Ok() && DeleteTran(static_cast<long>(stored.LedgerKey));
    if (deleted) {
        stored.LedgerKey = 0;
        s = sales.Update(stored);
        if (!s.Ok()) {
            batch.Abort();
            sales.UnlockAll();
            ReportRecordManagerError(s.status, 1, B_UPDATE, fileNumber, 0);
            return false;
        }
        s = batch.Commit();
        deleted = s.Ok();
        if (deleted)
            sale.LedgerKey = 0;
    }
    sales.UnlockAll();
    if (kept) {
        TagSalesHdr other;
        ReadDirect(sales, position, other);
    }
    return deleted;
}

bool CBaseGL::ReadGLHeader(long key, TagGLHeader& out)
{
    if (!OpenTables())
        return false;
    return ReadHeaderByKey(key, out);
}

// ---- Accessors with a rule

void CBaseGL::SetPostRef(const char* reference)
{
    std::memset(postRef_, 0, sizeof postRef_);
    if (reference != nullptr)
        CopyText(postRef_, FieldText(reference, 10));
}

bool CBaseGL::PostRefEmpty() const
{
    return FxIsEmpty(postRef_) != 0;
}

void CBaseGL::SetTranNo(const char* number)
{
    CopyText(header_.TranNo, sizeof header_.TranNo, number);
}

void CBaseGL::SetJrnlCode(const char* code)
{
    CopyText(header_.JournalCode, sizeof header_.JournalCode, code);
}

void CBaseGL::SetReference(const char* reference)
{
    CopyText(header_.Reference, sizeof header_.Reference, reference);
}

void CBaseGL::SetDetailAcct(const char* account)
{
    CopyText(detail_.Account, sizeof detail_.Account, account);
}

void CBaseGL::SetDetailDesc(const char* description)
{
    CopyText(detail_.Description, sizeof detail_.Description, description);
}
