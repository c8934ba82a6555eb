// Customer history: detail lines of open-item customers (BPOSCUHD.DB, file
// 40) and one summary per customer and document (BPOSCUHS.DB, file 41),
// kept in step on every insert, change and delete; and the work files.
#include "bwps/customer_history.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/counters.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/records/counters.h"
#include "bwps/records/sales.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "customers/history_internal.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kHistoryMode = 10;
constexpr int kDetailNumberKey = 1;
constexpr int kDocumentKey = 2;
constexpr int kCustomerAccountTypeOffset = 118;

struct HistoryState {
    uint16_t handles[FILE_LIST_SLOTS] = {};
    int mode = 0;
    bool kept = false;
};
HistoryState g_state;

uint16_t DetailHandle() { return g_state.handles[0]; }
uint16_t SummaryHandle() { return g_state.handles[1]; }

bool HistoryWanted(const void* customer)
{
    if (customer == nullptr || g_state.mode != kHistoryMode || !g_state.kept)
        return false;
    return static_cast<const char*>(customer)[kCustomerAccountTypeOffset] == 'O';
}

// The result block: cleared, then the file, operation and status.
void Note(HistPostResult* result, FileNo file, int op, int status)
{
    if (result == nullptr)
        return;
    result->File = bwps::No(file);
    result->Operation = op;
    result->Status = status;
}

void Clear(HistPostResult* result)
{
    if (result != nullptr)
        std::memset(result, 0, sizeof *result);
}

using Batch = bwps::JoinedBatch;

// ---- Building a detail -------------------------------------------------------

CustHistDetail BuildDetail(const TagOpenInvoice& line, bool copyOnly, const void* header)
{
    CustHistDetail d;
    std::memset(&d, 0, sizeof d);
    d.Line = line;
    if (copyOnly)
        return d;
    char source[8] = "POS";
    FxPadBlanks(source, 7);
    std::memcpy(d.Source, source, 7);
    if (header != nullptr) {
        const auto* sale = static_cast<const TagSalesHdr*>(header);
        std::memcpy(d.Reference, sale->InvoiceNo, sizeof d.Reference);
        d.HeaderDouble = sale->TaxAmount;
    }
    if (d.Line.Type == 'C')
        d.Line.Double70 = -d.Line.Double70;
    return d;
}

// ---- Summary arithmetic ------------------------------------------------------

void AddAmounts(CustHistSummary& s, const CustHistDetail& d, double sign)
{
    s.Amounts70 += sign * d.Line.Double70;
    s.Doubles62 += sign * d.Line.Double62;
    s.Doubles141 += sign * d.HeaderDouble;
    s.Doubles149 += sign * d.Double149;
    s.Total += sign * d.Line.Amount;
    s.Doubles86 += sign * d.Line.Double86;
}

// Adds (sign 1) or removes (sign -1) a line.
void ApplyLine(CustHistSummary& s, const CustHistDetail& d, double sign)
{
    switch (d.Line.Type) {
    case 'I':
    case 'D':
        AddAmounts(s, d, sign);
        break;
    case 'C':
        AddAmounts(s, d, -sign);
        break;
    case 'F':
        s.Total += sign * d.Line.Amount;
        break;
    case 'P':
        s.Payments += sign * d.Line.Amount;
        s.PaymentDiscounts += sign * d.Line.Discount;
        break;
    default:
        break;
    }
}

void Refresh(CustHistSummary& s) { s.OpenBalance = s.Total - s.Payments - s.PaymentDiscounts; }

void SetOrigin(CustHistSummary& s, const TagOpenInvoice& l)
{
    s.Type = l.Type;
    s.OriginNumber = l.Id;
    s.Origin54 = l.Date;
    s.Origin50 = l.Date50;
    s.Origin46 = l.Date46;
}

void SetPayment(CustHistSummary& s, const TagOpenInvoice& l)
{
    s.PaymentNumber = l.Id;
    s.Payment54 = l.Date;
}

void TrackReferences(CustHistSummary& s, const TagOpenInvoice& l)
{
    if (s.Type == 0 || s.OriginNumber == l.Id) {
        SetOrigin(s, l);
        if (l.Type == 'P')
            SetPayment(s, l);
        return;
    }
    if (l.Type == 'I') {
        if (s.Type != 'I' || l.Date46 < s.Origin46)
            SetOrigin(s, l);
    } else if (l.Type == 'D') {
        if (s.Type != 'I' && l.Date46 < s.Origin46)
            SetOrigin(s, l);
    } else if (l.Type == 'P') {
        if (l.Date > s.Payment54)
            SetPayment(s, l);
    }
}

bool SameDocument(const TagOpenInvoice& l, const char* customer, const char* document)
{
    return std::memcmp(l.Customer, customer, 11) == 0 &&
           std::memcmp(l.Invoice, document, 11) == 0;
}

// Reads a detail on key 2 of the detail file; the key restored after.
Status ReadByDocument(int op, const char* customer, const char* document, char third,
                      CustHistDetail& out)
{
    Table detail;
    detail.Borrow(FileNo::CustomerHistoryDetail, DetailHandle());
    const int savedKey = detail.Key();
    detail.SetKey(kDocumentKey);
    CustHistDocumentKey start{};
    std::memcpy(start.Customer, customer, sizeof start.Customer);
    std::memcpy(start.Document, document, sizeof start.Document);
    start.Type = static_cast<char>(third);
    KeyBuffer key;
    key.Set(start);
    Status s = detail.Get(op, key, out);
    detail.SetKey(savedKey);
    return s;
}

// The document's first remaining line.
bool FirstLine(const char* customer, const char* document, CustHistDetail& out)
{
    Status s = ReadByDocument(B_GET_GE, customer, document, 0, out);
    return s.Ok() && SameDocument(out.Line, customer, document);
}

// The document's latest remaining payment line.
bool LatestPayment(const char* customer, const char* document, CustHistDetail& out)
{
    Table detail;
    detail.Borrow(FileNo::CustomerHistoryDetail, DetailHandle());
    const int savedKey = detail.Key();
    detail.SetKey(kDocumentKey);
    CustHistDocumentKey start{};
    std::memcpy(start.Customer, customer, sizeof start.Customer);
    std::memcpy(start.Document, document, sizeof start.Document);
    start.Type = '5';
    KeyBuffer key;
    key.Set(start);
    Status s = detail.Get(B_GET_GE, key, out);
    if (s.Ok())
        s = detail.Get(B_GET_PREVIOUS, key, out);
    else if (s.NotFound())
        s = detail.Get(B_GET_LAST, key, out);
    detail.SetKey(savedKey);
    return s.Ok() && SameDocument(out.Line, customer, document) && out.Line.Type == 'P';
}

// Keeps the summary of the line's document in step. oldLine: the stored
// line before the change (update, delete); newLine: the line written
// (insert, update).
int UpdateSummary(int op, const CustHistDetail* oldLine, const CustHistDetail* newLine,
                  HistPostResult* result)
{
    Clear(result);
    Note(result, FileNo::CustomerHistorySummary, B_GET_EQUAL, 0);
    const TagOpenInvoice& keyLine = op == B_DELETE ? oldLine->Line : newLine->Line;
    char customer[11], document[11];
    std::memcpy(customer, keyLine.Customer, 11);
    std::memcpy(document, keyLine.Invoice, 11);

    Table summaries;
    summaries.Borrow(FileNo::CustomerHistorySummary, SummaryHandle());
    auto read = [&](CustHistSummary& s) {
        CustHistDocumentKey start{};
        std::memcpy(start.Customer, customer, sizeof start.Customer);
        std::memcpy(start.Document, document, sizeof start.Document);
        KeyBuffer key;
        key.Set(start);
        Status st = summaries.Get(B_GET_GE, key, s);
        if (st.Ok() && (std::memcmp(s.Customer, customer, 11) != 0 ||
                        std::memcmp(s.Document, document, 11) != 0))
            st = {B_KEY_NOT_FOUND, B_GET_GE, FileNo::CustomerHistorySummary};
        return st;
    };
    CustHistSummary s;
    Status st = read(s);
    if (st.Is(B_KEY_NOT_FOUND) || st.Is(B_END_OF_FILE)) {
        if (op != B_INSERT) {
            Note(result, FileNo::CustomerHistorySummary, B_GET_GE, st.status);
            return st.status;
        }
        std::memset(&s, 0, sizeof s);
        std::memcpy(s.Customer, customer, 11);
        std::memcpy(s.Document, document, 11);
        std::memcpy(s.Text22, newLine->Line.Text22, 6);
        st = summaries.Insert(s);
        if (!st.Ok()) {
            Note(result, FileNo::CustomerHistorySummary, B_INSERT, st.status);
            return st.status;
        }
        st = read(s);
    }
    if (!st.Ok()) {
        Note(result, FileNo::CustomerHistorySummary, st.operation, st.status);
        return st.status;
    }

    if (op == B_INSERT) {
        ApplyLine(s, *newLine, 1);
        Refresh(s);
        TrackReferences(s, newLine->Line);
    } else if (op == B_UPDATE) {
        ApplyLine(s, *oldLine, -1);
        ApplyLine(s, *newLine, 1);
        Refresh(s);
        TrackReferences(s, newLine->Line);
    } else {
        CustHistDetail first;
        if (!FirstLine(customer, document, first)) {
            st = summaries.Delete();
            Note(result, FileNo::CustomerHistorySummary, B_DELETE, st.status);
            return st.status;
        }
        ApplyLine(s, *oldLine, -1);
        Refresh(s);
        if (s.OriginNumber == oldLine->Line.Id)
            SetOrigin(s, first.Line);
        if (s.PaymentNumber == oldLine->Line.Id) {
            CustHistDetail payment;
            if (LatestPayment(customer, document, payment)) {
                SetPayment(s, payment.Line);
            } else {
                s.PaymentNumber = 0;
                s.Payment54 = 0;
            }
        }
        // The walks above moved the summary file's position: read it again.
        CustHistSummary current;
        st = read(current);
        if (!st.Ok()) {
            Note(result, FileNo::CustomerHistorySummary, st.operation, st.status);
            return st.status;
        }
    }
    st = summaries.Update(s);
    Note(result, FileNo::CustomerHistorySummary, B_UPDATE, st.status);
    return st.status;
}

// Reads the detail with this number (key 1) and makes it current.
Status ReadDetailByNumber(int32_t number, CustHistDetail& out)
{
    Table detail;
    detail.Borrow(FileNo::CustomerHistoryDetail, DetailHandle());
    return detail.Find(number, out);
}

// ---- "0IndexValues   ": the counter of history numbers -------------------------

// Reads the counters locked (building them from the files when missing)
// and takes the next history number.
Status TakeHistoryNumber(Table& general, TagIndexValues& values, int32_t& number)
{
    constexpr int kLockedRead = B_GET_EQUAL + B_LOCK_MULTI_NOWAIT;
    int status = ReadIndexValues(&values, kLockedRead, general.Handle());
    int operation = B_GET_EQUAL;
    if (status == B_KEY_NOT_FOUND) {
        status = ScanIndexValues(&values);
        if (status == 0) {
            RaiseIndexValues(&values);
            operation = B_INSERT;
            status = WriteIndexValues(&values, B_INSERT, general.Handle());
        }
        if (status == 0) {
            operation = B_GET_EQUAL;
            status = ReadIndexValues(&values, kLockedRead, general.Handle());
        }
    }
    if (status != 0)
        return Status{status, operation, general.File()};
    TakeIndexValue(&values, &number, bwps::No(FileNo::CustomerHistoryDetail));
    return {};
}

}  // namespace

namespace bwps::customers {

void ResetCustomerHistoryState() { g_state = HistoryState{}; }

}  // namespace bwps::customers

extern "C" {

BWPS_EXPORT int OpenCustomerHistoryFiles(void)
{
    std::memset(g_state.handles, 0, sizeof g_state.handles);
    g_state.mode = kHistoryMode;
    const TagSysInterface* sys = GetSysInterfaceRecord();
    g_state.kept = sys != nullptr && sys->SystemByte43 == 'Y';
    if (!g_state.kept)
        return 0;
    const int status = OpenFileList(g_state.handles, bwps::No(FileNo::CustomerHistoryDetail),
                                    bwps::No(FileNo::CustomerHistorySummary), 0);
    if (status != 0) {
        g_state.kept = false;
        return status;
    }
    BtrSetDefaults(DetailHandle(), kDetailNumberKey, -1);
    return 0;
}

BWPS_EXPORT int CloseCustomerHistoryFiles(void)
{
    CloseFileList(g_state.handles);
    g_state.kept = false;
    return 0;
}

BWPS_EXPORT int PostCustHistDetail(int16_t operation, int copyOnly, const TagOpenInvoice* line,
                                   const void* customer, const void* header,
                                   HistPostResult* result)
{
    if (line == nullptr || !HistoryWanted(customer))
        return 0;
    if (operation != B_INSERT && operation != B_UPDATE && operation != B_DELETE)
        return B_INVALID_OPERATION;
    Clear(result);
    Note(result, FileNo::CustomerHistoryDetail, B_GET_EQUAL, 0);
    Batch batch;
    if (!batch.Ok()) {
        Note(result, FileNo::CustomerHistoryDetail, B_BEGIN_TRAN, batch.Begun().status);
        return batch.Begun().status;
    }
    Table detail;
    detail.Borrow(FileNo::CustomerHistoryDetail, DetailHandle());
    CustHistDetail stored;
    std::memset(&stored, 0, sizeof stored);
    if (operation != B_INSERT) {
        Status s = ReadDetailByNumber(line->Id, stored);
        if (!s.Ok()) {
            Note(result, FileNo::CustomerHistoryDetail, B_GET_EQUAL, s.status);
            return s.status;
        }
    }
    CustHistDetail fresh = BuildDetail(*line, copyOnly != 0, header);
    Status s = operation == B_DELETE ? detail.Delete() : detail.Write(operation, &fresh, sizeof fresh);
    if (!s.Ok()) {
        Note(result, FileNo::CustomerHistoryDetail, operation, s.status);
        return s.status;
    }
    const int status = UpdateSummary(operation, &stored, &fresh, result);
    if (status != 0)
        return status;
    s = batch.Commit();
    if (!s.Ok())
        Note(result, FileNo::CustomerHistoryDetail, B_END_TRAN, s.status);
    return s.status;
}

BWPS_EXPORT int AddNumberedCustHistDetail(uint16_t generalHandle, TagOpenInvoice* line,
                                          const void* customer, const void* header,
                                          HistPostResult* result)
{
    if (line == nullptr || !HistoryWanted(customer))
        return 0;
    Clear(result);
    const FileNo generalFile =
        IsInterfacedToAccounting() ? FileNo::AccountingGeneral : FileNo::General;
    Table general;
    Status s = general.Borrow(generalFile, generalHandle);
    if (!s.Ok()) {
        // The history line cannot be numbered: the caller must keep what it
        // would have moved here.
        s.Report();
        Note(result, generalFile, s.operation, s.status);
        return s.status;
    }
    Batch batch;
    if (!batch.Ok()) {
        Note(result, FileNo::CustomerHistoryDetail, B_BEGIN_TRAN, batch.Begun().status);
        return batch.Begun().status;
    }
    TagIndexValues values;
    int32_t number = 0;
    s = TakeHistoryNumber(general, values, number);
    if (!s.Ok()) {
        general.UnlockAll();
        Note(result, generalFile, s.operation, s.status);
        return s.status;
    }
    CustHistDetail fresh = BuildDetail(*line, false, header);
    fresh.Line.Id = number;
    Table detail;
    detail.Borrow(FileNo::CustomerHistoryDetail, DetailHandle());
    s = detail.Insert(fresh);
    if (!s.Ok()) {
        general.UnlockAll();
        Note(result, FileNo::CustomerHistoryDetail, B_INSERT, s.status);
        return s.status;
    }
    s = general.Update(values);
    general.UnlockAll();
    if (!s.Ok()) {
        Note(result, generalFile, B_UPDATE, s.status);
        return s.status;
    }
    const int status = UpdateSummary(B_INSERT, nullptr, &fresh, result);
    if (status != 0)
        return status;
    s = batch.Commit();
    if (!s.Ok()) {
        Note(result, FileNo::CustomerHistoryDetail, B_END_TRAN, s.status);
        return s.status;
    }
    line->Id = number;
    return 0;
}

BWPS_EXPORT int DeleteCustHistDetail(int32_t number, HistPostResult* result)
{
    Clear(result);
    if (DetailHandle() == 0) {
        Note(result, FileNo::CustomerHistoryDetail, B_GET_EQUAL, B_FILE_NOT_OPEN);
        return B_FILE_NOT_OPEN;
    }
    Batch batch;
    if (!batch.Ok())
        return batch.Begun().status;
    CustHistDetail stored;
    Status s = ReadDetailByNumber(number, stored);
    if (s.Ok()) {
        Table detail;
        detail.Borrow(FileNo::CustomerHistoryDetail, DetailHandle());
        s = detail.Delete();
    }
    Note(result, FileNo::CustomerHistoryDetail, s.operation == 0 ? B_DELETE : s.operation, s.status);
    if (!s.Ok())
        return s.status;
    const int status = UpdateSummary(B_DELETE, &stored, nullptr, result);
    if (status != 0)
        return status;
    return batch.Commit().status;
}

BWPS_EXPORT int MarkCustHistDetailPosted(const TagOpenInvoice* line, const void* customer,
                                         const void*, HistPostResult* result)
{
    if (line == nullptr || !HistoryWanted(customer))
        return 0;
    Clear(result);
    CustHistDetail stored;
    Status s = ReadDetailByNumber(line->Id, stored);
    if (s.Ok()) {
        stored.Line.Status = 'P';
        Table detail;
        detail.Borrow(FileNo::CustomerHistoryDetail, DetailHandle());
        s = detail.Update(stored);
    }
    Note(result, FileNo::CustomerHistoryDetail, s.Ok() ? B_UPDATE : s.operation, s.status);
    return s.status;
}

BWPS_EXPORT int UpdateCustHistDetail(int32_t number, double amount, HistPostResult* result)
{
    Clear(result);
    if (DetailHandle() == 0) {
        Note(result, FileNo::CustomerHistoryDetail, B_GET_EQUAL, B_FILE_NOT_OPEN);
        return B_FILE_NOT_OPEN;
    }
    Batch batch;
    if (!batch.Ok())
        return batch.Begun().status;
    CustHistDetail stored;
    Status s = ReadDetailByNumber(number, stored);
    CustHistDetail changed = stored;
    if (s.Ok()) {
        changed.Line.Status = 'P';
        changed.Line.Double70 = amount;
        Table detail;
        detail.Borrow(FileNo::CustomerHistoryDetail, DetailHandle());
        s = detail.Update(changed);
    }
    Note(result, FileNo::CustomerHistoryDetail, s.Ok() ? B_UPDATE : s.operation, s.status);
    if (!s.Ok())
        return s.status;
    const int status = UpdateSummary(B_UPDATE, &stored, &changed, result);
    if (status != 0)
        return status;
    return batch.Commit().status;
}

// Every number it gives is below zero: 0 tells the caller it has none.
BWPS_EXPORT int32_t NextSetupCustHistNumber(void)
{
    constexpr int32_t kNoNumber = 0;
    if (DetailHandle() == 0) {
        Status{B_FILE_NOT_OPEN, B_GET_FIRST, FileNo::CustomerHistoryDetail}.Report();
        return kNoNumber;
    }
    Table detail;
    detail.Borrow(FileNo::CustomerHistoryDetail, DetailHandle());
    KeyBuffer key;
    CustHistDetail first;
    Status s = detail.Get(B_GET_FIRST, key, first);
    if (!s.Ok() && !s.NotFound()) {
        s.Report();
        return kNoNumber;
    }
    const int32_t smallest = s.Ok() && first.Line.Id < 0 ? first.Line.Id : 0;
    return smallest - 1;
}

// ---- Work files -------------------------------------------------------------

BWPS_EXPORT int CreateWorkFile(uint16_t* handle, const char* name, int layout, int variable)
{
    struct Segment {
        int position, length;
    };
    struct Layout {
        int recordLength, pageSize;
        Segment segments[3];
    };
    static const Layout kLayouts[] = {
        {27, 512, {{1, 6}, {7, 1}, {8, 15}}},
        {14, 512, {{1, 6}, {0, 0}, {0, 0}}},
        {40, 512, {{1, 1}, {2, 15}, {0, 0}}},
        {43, 512, {{1, 1}, {2, 11}, {13, 15}}},
        {12, 1024, {{1, 11}, {12, 1}, {0, 0}}},
    };
    if (handle == nullptr || name == nullptr || layout < 0 || layout > 4)
        return 0;
    char path[FOLDER_BUFFER_SIZE];
    std::snprintf(path, sizeof path, "%s", name);
    FxTrimText(5, path);
    const Layout& l = kLayouts[layout];
    TagFileSpec spec{};
    spec.RecordLength = static_cast<uint16_t>(l.recordLength);
    spec.PageSize = static_cast<uint16_t>(l.pageSize);
    spec.KeyCount = 1;
    if (variable)
        spec.Flags |= FF_VARIABLE;
    TagKeySegment segments[3] = {};
    int count = 0;
    for (const Segment& seg : l.segments)
        if (seg.length > 0) {
            segments[count].Position = static_cast<uint16_t>(seg.position);
            segments[count].Length = static_cast<uint16_t>(seg.length);
            segments[count].Flags = KF_DUPLICATES | KF_MODIFIABLE;
            ++count;
        }
    for (int i = 0; i + 1 < count; ++i)
        segments[i].Flags |= KF_SEGMENTED;
    int status = BtrCreateFile(path, &spec, segments);
    if (status != 0) {
        ShowRecordManagerError(status, 1, 0, path, 0);
        return 0;
    }
    status = BtrOpenFile(handle, path, 0x100, 0);
    if (status != 0) {
        ShowRecordManagerError(status, 1, OPEN_OPERATION, path, 0x100);
        return 0;
    }
    return 1;
}

BWPS_EXPORT int CloseWorkFile(uint16_t handle, const char* name)
{
    BtrCloseFile(handle);
    if (name != nullptr) {
        char path[FOLDER_BUFFER_SIZE];
        std::snprintf(path, sizeof path, "%s", name);
        FxTrimText(5, path);
        std::remove(path);
    }
    return 1;
}

}  // extern "C"

BWPS_ORDINAL(42, OpenCustomerHistoryFiles);
BWPS_ORDINAL(43, CloseCustomerHistoryFiles);
BWPS_ORDINAL(44, PostCustHistDetail);
BWPS_ORDINAL(45, AddNumberedCustHistDetail);
BWPS_ORDINAL(46, DeleteCustHistDetail);
BWPS_ORDINAL(47, MarkCustHistDetailPosted);
BWPS_ORDINAL(48, UpdateCustHistDetail);
BWPS_ORDINAL(49, NextSetupCustHistNumber);
BWPS_ORDINAL(396, CreateWorkFile);
BWPS_ORDINAL(397, CloseWorkFile);
