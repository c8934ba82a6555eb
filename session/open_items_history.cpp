// Open items and their headers written together: the numbered insert and
// the delete of a detail with its header kept in step, the move of a
// document's open items into the customer history, and the rebuild of every
// receivables header from its details.
#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/counters.h"
#include "bwps/customer_history.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/open_invoices.h"
#include "bwps/open_items.h"
#include "bwps/ordinals.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;
using bwps::JoinedBatch;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kOpenStatusKey = 2;
constexpr int kNumberKey = 3;
constexpr int kCustomerLength = 795;
// The operation a failed creation of the header file is reported with.
constexpr int kCreateOperation = 2;

// A caller's text of at most `width` characters as a stored field: the
// characters, then zeros.
void PutField(uint8_t* field, const char* text, size_t width)
{
    std::memset(field, 0, width);
    if (text != nullptr)
        std::memcpy(field, text, strnlen(text, width));
}

// A stored field and a caller's text are the same when they differ only in
// trailing blanks or zeros.
bool SameField(const char* field, const char* text, size_t width)
{
    auto length = [](const char* s, size_t n) {
        n = strnlen(s, n);
        while (n > 0 && s[n - 1] == ' ')
            --n;
        return n;
    };
    const char* t = text != nullptr ? text : "";
    const size_t a = length(field, width);
    const size_t b = length(t, width);
    return a == b && std::memcmp(field, t, a) == 0;
}

// The header object the caller gave, or one over the header file of that
// detail file for the call.
class HeaderInStep {
public:
    HeaderInStep(BwOIHeader* given, int detailFile, uint16_t detailHandle)
    {
        if (given != nullptr) {
            header_ = given;
            ready_ = true;
            return;
        }
        const int headerFile = BwOIHeader::GetHdrFileId(detailFile);
        if (headerFile == BwOIHeader::m_iINVALID_FILE_ID)
            return;
        own_ = new BwOIHeader(headerFile, -1, static_cast<short>(detailHandle));
        header_ = own_;
        ready_ = own_->Init();
    }
    ~HeaderInStep() { delete own_; }
    HeaderInStep(const HeaderInStep&) = delete;
    HeaderInStep& operator=(const HeaderInStep&) = delete;

    bool Ready() const { return ready_; }
    // The status of a header that could not be kept in step (never 0).
    int Failure() const
    {
        const int status = header_ != nullptr ? header_->GetResultError() : 0;
        return status != 0 ? status : B_INVALID_OPERATION;
    }
    BwOIHeader* operator->() { return header_; }

private:
    BwOIHeader* header_ = nullptr;
    BwOIHeader* own_ = nullptr;
    bool ready_ = false;
};

// The rebuild's progress: the detail count shown in the status window.
class ConversionProgress : public CProgress {
public:
    explicit ConversionProgress(FxStatus* window) : window_(window) {}
    void Step() override
    {
        if (window_ != nullptr)
            FxStatusUpdate(window_, 0);
    }

private:
    FxStatus* window_;
};

std::string PathIn(const char* folder, int fileNumber)
{
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != '\\')
        path += '/';
    const char* name = GetDataFileName(fileNumber);
    return path + (name != nullptr ? name : "");
}

Status OpenIn(Table& table, FileNo file, const char* folder)
{
    if (folder == nullptr)
        return table.Open(file);
    const std::string path = PathIn(folder, bwps::No(file));
    return table.OpenPath(file, path.c_str());
}

}  // namespace

extern "C" {

int AddOpenInvoiceFromHistory(int operation, uint16_t generalHandle, uint16_t dataHandle,
                              int fileNumber, TagOpenInvoice* record, BwOIHeader* header)
{
    if (record == nullptr)
        return B_INVALID_OPERATION;
    // The detail and its header are written together: a header that cannot
    // follow leaves no detail behind it.
    JoinedBatch batch;
    if (!batch.Ok())
        return batch.Begun().status;
    const int status = InsertNumberedRecord(operation, generalHandle, dataHandle, fileNumber, record);
    if (status != 0 || operation != B_INSERT)
        return status == 0 ? batch.Commit().status : status;
    HeaderInStep hdr(header, fileNumber, dataHandle);
    if (!hdr.Ready() || !hdr->UpdateDtlInsertion(*record))
        return hdr.Failure();
    return batch.Commit().status;
}

int DeleteOpenInvoiceByNumber(uint16_t handle, int fileNumber, int32_t number,
                              TagOpenInvoice* record, BwOIHeader* header)
{
    if (number == 0 || record == nullptr)
        return 0;
    JoinedBatch batch;
    if (!batch.Ok())
        return batch.Begun().status;
    // The number is found on its own key; the caller's key is set back.
    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(handle, &savedKey, &savedSecond);
    BtrSetDefaults(handle, kNumberKey, -1);
    const int status = DeleteByNumber(handle, fileNumber, number, record);
    BtrSetDefaults(handle, savedKey, savedSecond);
    if (status != 0)
        return status;
    HeaderInStep hdr(header, fileNumber, handle);
    if (!hdr.Ready() || !hdr->UpdateDtlDeletion(*record, false))
        return hdr.Failure();
    return batch.Commit().status;
}

int ImportCustHistTransactions(uint16_t openHandle, uint16_t customerHandle, const char* customer,
                               const char* document, int unused)
{
    (void)unused;
    // Without the history files the items would only be deleted.
    if (OpenCustomerHistoryFiles() != 0)
        return 0;
    Table items;
    Status s = items.Borrow(FileNo::ReceivablesOpenItems, openHandle);
    if (!s.Ok()) {
        s.Report();
        CloseCustomerHistoryFiles();
        return 0;
    }
    Table customers;
    bool moved = true;
    {
        // Each item leaves the open items and enters the history in the same
        // transaction: a failure on the way leaves both as they were.
        JoinedBatch batch;
        HeaderInStep hdr(nullptr, bwps::No(FileNo::ReceivablesOpenItems), items.Handle());
        items.SetKey(kOpenStatusKey);
        OpenInvoiceStatusKey open{};
        open.Status = 'O';
        PutField(reinterpret_cast<uint8_t*>(open.Customer), customer, sizeof open.Customer);
        PutField(reinterpret_cast<uint8_t*>(open.Invoice), document, sizeof open.Invoice);
        KeyBuffer key;
        key.Set(open);
        const KeyBuffer start = key;
        if (!batch.Ok() || !hdr.Ready())
            moved = false;
        else
            s = customers.Borrow(FileNo::Customers, customerHandle);
        if (moved && !s.Ok()) {
            s.Report();
            moved = false;
        }
        TagOpenInvoice item;
        if (moved)
            s = items.Get(B_GET_GE, key, item);
        while (moved && s.Ok() && item.Status == 'O' &&
               SameField(item.Customer, customer, sizeof item.Customer) &&
               SameField(item.Invoice, document, sizeof item.Invoice)) {
            s = items.Delete();
            if (!s.Ok()) {
                s.Report();
                moved = false;
                break;
            }
            if (!hdr->UpdateDtlDeletion(item, false)) {
                moved = false;
                break;
            }
            uint8_t account[kCustomerLength] = {};
            KeyBuffer customerKey;
            std::memcpy(customerKey.bytes, item.Customer, sizeof item.Customer);
            s = customers.Get(B_GET_EQUAL, customerKey.bytes, account, kCustomerLength);
            if (!s.Ok()) {
                ReportRecordManagerError(s.status, 1, B_GET_EQUAL, bwps::No(FileNo::Customers), 0);
                moved = false;
                break;
            }
            HistPostResult result;
            if (AddNumberedCustHistDetail(0, &item, account, nullptr, &result) != 0) {
                moved = false;
                break;
            }
            key = start;
            s = items.Get(B_GET_GE, key, item);
        }
        if (moved && !s.Ok() && !s.NotFound()) {
            s.Report();
            moved = false;
        }
        if (moved)
            moved = batch.Commit().Ok();
        else
            batch.Abort();
    }
    CloseCustomerHistoryFiles();
    items.SetKey(0);
    return moved ? 1 : 0;
}

int ProcessArOpenInvoice(const char* folder)
{
    const int headerFile = bwps::No(FileNo::ReceivablesOpenHeaders);
    int status = CreateDataFile(headerFile, 0, folder, nullptr, nullptr);
    if (status != 0) {
        ReportRecordManagerError(status, 1, kCreateOperation, headerFile, 0);
        return status;
    }
    Table headers;
    Status s = OpenIn(headers, FileNo::ReceivablesOpenHeaders, folder);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    Table details;
    s = OpenIn(details, FileNo::ReceivablesOpenItems, folder);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    if (details.RecordCount() <= 0)
        return 0;
    FxStatus* window = FxStatusOpen("RSMsgConversionStatus", 0);
    ConversionProgress progress(window);
    BwOIHeader hdr(headerFile, static_cast<short>(headers.Handle()),
                   static_cast<short>(details.Handle()));
    if (hdr.Init())
        hdr.CompressFromExistingDtl(nullptr, nullptr, nullptr, nullptr, &progress);
    if (window != nullptr)
        FxStatusClose(window);
    return hdr.GetResult();
}

}  // extern "C"

BWPS_ORDINAL(79, ImportCustHistTransactions);
BWPS_ORDINAL(80, AddOpenInvoiceFromHistory);
BWPS_ORDINAL(81, DeleteOpenInvoiceByNumber);
BWPS_ORDINAL(3380, ProcessArOpenInvoice);
