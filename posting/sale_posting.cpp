// Posting one stored sale to the ledger: CBaseGL::UpdateFromSalesTran. The
// sale's ledger lines come from its posting value (bwps/sale_posting.h),
// built from one snapshot of the sale, its lines and the records they
// name, and checked whole before the transaction is written.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/accounts.h"
#include "bwps/ledger.h"
#include "bwps/messages.h"
#include "bwps/options.h"
#include "bwps/sale_posting.h"
#include "bwps/settings.h"
#include "posting/ledger_internal.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

constexpr int kBankModeOffset = 29;     // "0System        ": 'D' or 'S'

}  // namespace

bool CBaseGL::UpdateFromSalesTran(TagSalesHdr& sale)
{
    if (!IsPosOnLine())
        return true;
    if (!OpenTables(No(FileNo::SalesHeader), No(FileNo::SalesDetail), No(FileNo::Customers),
                    No(FileNo::Vendors)) ||
        !BeginTran())
        return false;
    error_ = 0;
    errorText_[0] = '\0';
    Table sales, lines;
    sales.Borrow(FileNo::SalesHeader, salesHdr_);
    lines.Borrow(FileNo::SalesDetail, salesDtl_);
    uint32_t headerPosition = 0, linePosition = 0;
    const bool headerKept = sales.Position(headerPosition).Ok();
    const bool lineKept = lines.Position(linePosition).Ok();
    auto restore = [&] {
        if (headerKept) {
            TagSalesHdr other;
            ReadDirect(sales, headerPosition, other);
        }
        if (lineKept) {
            TagSalesDetail other;
            ReadDirect(lines, linePosition, other);
        }
    };

    KeyBuffer key;
    std::memcpy(key.bytes, sale.InvoiceNo, sizeof sale.InvoiceNo);
    TagSalesHdr local;
    Status s = sales.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, local);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::SalesHeader), 0);
        restore();
        EndTran();
        return false;
    }
    sales_.SetHeader(&local);

    bool replace = false;
    TagLedgerKey oldKey{};
    if (local.LedgerKey > 0) {
        TagGLHeader old;
        if (ReadHeaderByKey(local.LedgerKey, old)) {
            sales_.SetJrnl(TrimRight(FieldText(old.JournalCode, LEDGER_JOURNAL_WIDTH)).c_str());
            std::memcpy(oldKey.JournalCode, old.JournalCode, sizeof oldKey.JournalCode);
            std::memcpy(oldKey.TranNo, old.TranNo, sizeof oldKey.TranNo);
            replace = true;
        } else {
            local.LedgerKey = 0;
        }
    }

    std::memset(&header_, 0, sizeof header_);
    std::memset(&detail_, 0, sizeof detail_);
    bool ok = SalesTransaction(local);
    SavedTransaction old;
    JoinedBatch batch;
    bool written = false;   // the ledger files were written to
    if (ok) {
        PadText(header_.JournalCode, sizeof header_.JournalCode,
                FieldText(sales_.GetJrnlCode(), LEDGER_JOURNAL_WIDTH).c_str());
        std::memcpy(header_.SourceDocument, local.InvoiceNo, sizeof header_.SourceDocument);
        if (!PostRefEmpty())
            CopyText(header_.Reference, sizeof header_.Reference, FieldText(postRef_, 10).c_str());
        ok = batch.Ok();
        if (ok && !replace) {
            std::memset(header_.TranNo, 0, sizeof header_.TranNo);
            written = true;
            ok = Committ(false);
        } else if (ok) {
            ok = SaveStoredTransaction(GLHdrHdl(), GLDtlHdl(), oldKey, old).Ok();
            std::memcpy(header_.TranNo, oldKey.TranNo, sizeof header_.TranNo);
            written = ok;
            ok = ok && UpdateTran(nullptr, nullptr);
        }
    }
    if (ok) {
        local.LedgerKey = static_cast<int32_t>(GetTranKey());
        s = sales.Update(local);
        if (!s.Ok())
            ReportRecordManagerError(s.status, 1, B_UPDATE, No(FileNo::SalesHeader), 0);
        if (s.Ok())
            s = batch.Commit();
        ok = s.Ok();
    }
    if (!ok) {
        // Nothing of this sale stays: the ledger and the sale keep what they
        // held before.
        const long newKey = header_.TranKey;
        batch.Abort();
        if (written && !batch.Joined()) {
            if (replace)
                RestoreStoredTransaction(GLHdrHdl(), GLDtlHdl(), oldKey, old);
            else if (!IsEmptyText(header_.TranNo, sizeof header_.TranNo))
                RemoveWritten(newKey);
        }
        restore();
        sales_.SetJrnl(nullptr);
        EndTran();
        sales.UnlockAll();
        return false;
    }
    EndTran();
    sales_.SetJrnl(nullptr);
    sale.LedgerKey = local.LedgerKey;
    sales.UnlockAll();
    restore();
    return true;
}

bool CBaseGL::BuildSaleLines(TagSalesHdr& sale, std::vector<TagLedgerDetail>& lines)
{
    std::vector<LineKind> kinds;
    return BuildSaleLines(sale, lines, kinds);
}

bool CBaseGL::BuildSaleLines(TagSalesHdr& sale, std::vector<TagLedgerDetail>& lines,
                             std::vector<LineKind>& kinds)
{
    lines.clear();
    kinds.clear();
    if (!OpenTables(No(FileNo::SalesHeader), No(FileNo::SalesDetail), No(FileNo::Customers),
                    No(FileNo::Vendors)) ||
        !BeginTran())
        return false;
    error_ = 0;
    errorText_[0] = '\0';
    sales_.SetHeader(&sale);
    std::memset(&header_, 0, sizeof header_);
    std::memset(&detail_, 0, sizeof detail_);
    lineKinds_ = &kinds;
    const bool ok = SalesTransaction(sale);
    lineKinds_ = nullptr;
    if (ok)
        for (FxListNode* node = lines_.first; node != nullptr; node = node->next)
            lines.push_back(*static_cast<const TagLedgerDetail*>(node->data));
    kinds.resize(lines.size(), LineKind::Summary);
    EndTran();
    return ok;
}

bool CBaseGL::SalesInitGLHeader(const char* invoiceNo, int32_t date)
{
    std::memset(&header_, 0, sizeof header_);
    CopyText(header_.JournalCode, LEDGER_DEFAULT_JOURNAL);
    CopyText(header_.Reference, sizeof header_.Reference, FieldText(invoiceNo, 10).c_str());
    header_.Posted = 'N';
    header_.Deleted = 'N';
    header_.Reverse = 'N';
    header_.TranDate = date;
    header_.StartDate = date;
    return InsertHeader();
}

// The sale's posting, built from one snapshot read through this object's
// handles, checked whole, then taken into the transaction in memory.
bool CBaseGL::SalesTransaction(TagSalesHdr& sale)
{
    net_ = 0.0;
    costTotal_ = 0.0;
    saleStock_.clear();
    recordsFound_ = false;
    detailLines_ = false;

    SalePostingSettings settings;
    settings.interface = interface_;
    std::memcpy(&settings.sysInterface, sysInterface_, sizeof settings.sysInterface);
    settings.bankMode = static_cast<char>(system_[kBankModeOffset]);
    // The options copy is refreshed from the system options record first.
    TagSystemPref options;
    ReadSystemRecord(0, &options);
    const int costing = GetSystemOption(OPTION_COSTING);
    settings.costMethod = costing == 'S' || costing == 'L' ? static_cast<char>(costing) : 'A';
    settings.interfaced = IsInterfacedToAccounting() != 0;

    SaleSnapshot snapshot;
    snapshot.sale = sale;
    {
        Table lines;
        lines.Borrow(FileNo::SalesDetail, salesDtl_);
        KeyBuffer key;
        std::memcpy(key.bytes, sale.InvoiceNo, sizeof sale.InvoiceNo);
        TagSalesDetail line;
        Status s = lines.Get(B_GET_GE, key, line);
        while (s.Ok() && FieldText(line.InvoiceNo, 11) == FieldText(sale.InvoiceNo, 11)) {
            snapshot.lines.push_back(line);
            s = lines.Get(B_GET_NEXT, key, line);
        }
        if (!s.Ok() && !s.NotFound()) {
            s.Report(1, 0);
            return false;
        }
    }
    snapshot.reader = [this](FileNo file, const std::string& key, void* record, int size) {
        if (file == FileNo::Accounts) {
            TagAccount account;
            if (!ValidateAccountNo(AcctHdl(), key.c_str(), &account))
                return static_cast<int>(B_KEY_NOT_FOUND);
            std::memcpy(record, &account, std::min<std::size_t>(size, sizeof account));
            return 0;
        }
        uint16_t handle = 0;
        switch (file) {
        case FileNo::Products: handle = handles_[5]; break;
        case FileNo::TaxTable: handle = TaxHdl(); break;
        case FileNo::BillingCodes: handle = CodesHdl(); break;
        case FileNo::Tenders: handle = TenderHdl(); break;
        case FileNo::LayawayHeader: handle = LayHdl(); break;
        case FileNo::Customers: handle = cust_; break;
        case FileNo::Services: handle = ServHdl(); break;
        default: return static_cast<int>(B_KEY_NOT_FOUND);
        }
        Table table;
        table.Borrow(file, handle);
        KeyBuffer k;
        std::memcpy(k.bytes, key.data(), std::min(key.size(), sizeof k.bytes));
        const Status s = table.Get(B_GET_EQUAL, k.bytes, record, size);
        if (!s.Ok() && !s.Is(B_KEY_NOT_FOUND))
            s.Report(1, 0);
        return static_cast<int>(s.status);
    };

    SalePosting posting;
    SalePostingError error;
    if (!BuildSalePosting(settings, snapshot, posting, error) ||
        !CheckSalePosting(settings, snapshot, posting, error)) {
        error_ = error.code;
        CopyText(errorText_, sizeof errorText_, error.cause.c_str());
        return false;
    }
    if (!SalesInitGLHeader(sale.InvoiceNo, sale.TranDate))
        return false;
    // The lines were checked with the posting: each goes into the list as
    // it stands.
    for (const SalePostingLine& l : posting.ledger) {
        detail_ = l.line;
        std::memcpy(detail_.JournalCode, header_.JournalCode, sizeof detail_.JournalCode);
        std::memcpy(detail_.TranNo, header_.TranNo, sizeof detail_.TranNo);
        detail_.TranDate = header_.TranDate;
        if (detail_.DebitCredit == 'D')
            header_.DebitTotal += detail_.Amount;
        if (FxListAdd(&lines_, &detail_, sizeof detail_) == nullptr) {
            error_ = GL_ERROR_LIST;
            return false;
        }
        if (lineKinds_ != nullptr)
            lineKinds_->push_back(l.kind);
    }
    costTotal_ = posting.inventoryCredit;
    recordsFound_ = true;
    detailLines_ = !posting.ledger.empty();
    return true;
}
