// The ledger pass of the posting run: each unposted sale of the dates, in
// date and invoice order, is posted whole. The sales go in batches: one
// record-manager transaction (one commit, synced once) holds up to
// kBatchSales sales or what kBatchMs brought, each sale behind a savepoint
// of its own, so that a sale that fails is put back alone and the sales
// before it in the batch are committed. A run stopped at any moment (an
// error, the user, a kill, a power loss) leaves every sale posted once or
// not at all; the run's own totals follow the batch.
//
// Each sale is walked, locked, built, checked and applied: its posting
// (bwps/sale_posting.h) is built from one snapshot of the sale, its lines
// and the records they name, each read once; checked whole; then its
// products, services, customer, tax code, histories and open invoices are
// written from it and the sale is marked posted (flag 2, register field
// -1). With the on-line ledger off, the sale's ledger lines wait with the
// batch and go into the run's one "POS" transaction when the batch is
// written: a line of the same account and side merges with the line
// already there, and each account's amount is rolled up the chart once
// per batch. With the on-line ledger on, the sale gets its own ledger
// transaction, posted to the chart.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bwps/files.h"
#include "bwps/accounts.h"
#include "bwps/check_register.h"
#include "bwps/customer_history.h"
#include "bwps/ledger.h"
#include "bwps/messages.h"
#include "bwps/open_invoices.h"
#include "bwps/options.h"
#include "bwps/products.h"
#include "bwps/progress.h"
#include "bwps/records/masters.h"
#include "bwps/records/open_invoices.h"
#include "bwps/record_helpers.h"
#include "bwps/records/options.h"
#include "bwps/records/products.h"
#include "bwps/sale_posting.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "extensions/posting/posting_run.h"
#include "extensions/posting/sale_lines.h"
#include "fx.h"

using namespace bwps;

namespace bwps1::posting {
namespace {

constexpr uint16_t kPostedFlag = SALE_POSTED;
constexpr char kRunJournal[] = "POS";
constexpr int kLockInUse1 = 84, kLockInUse2 = 85;
constexpr int kBatchSales = 50;
constexpr auto kBatchTime = std::chrono::milliseconds(50);
constexpr int kBankModeOffset = 29;     // "0System        ": 'D' or 'S'
constexpr int kPeriodsInYear = 13;
constexpr std::size_t kPoolHandles = 8;

double Round2(double v)
{
    return std::round(v * 100.0) / 100.0;
}

std::string Text(const char* field, std::size_t width)
{
    std::size_t n = 0;
    while (n < width && field[n] != '\0')
        ++n;
    std::string s(field, n);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// A key waiting in the terminal, or the script's next event, is Esc.
bool EscPressed()
{
    if (!FxUsingTerminal() && FxScriptRemaining() == 0)
        return false;
    return FxGetKey(0) == FX_KEY_ESC;
}

// Sales-header key 2: the date, then the invoice number.
#pragma pack(push, 1)
struct DateKey {
    int32_t date;
    char invoice[11];
};
#pragma pack(pop)

// Handles of a file whose records a sale reads and then writes back: each
// record of the sale is read through a handle of its own, so that it is
// still that handle's current record when it is written (read again only
// when the sale holds more records of the file than there are handles).
class HandlePool {
public:
    Status Open(FileNo file)
    {
        for (std::size_t i = 0; i < kPoolHandles; ++i) {
            const Status s = tables_[i].Open(file);
            if (!s.Ok())
                return s;
        }
        return {};
    }
    void NextSale() { of_.clear(); }
    int Read(const std::string& key, void* record, int size)
    {
        const std::size_t at = next_++ % kPoolHandles;
        KeyBuffer k;
        std::memcpy(k.bytes, key.data(), std::min(key.size(), sizeof k.bytes));
        const Status s = tables_[at].Get(B_GET_EQUAL, k.bytes, record, size);
        current_[at] = s.Ok() ? key : std::string();
        of_[key] = at;
        if (!s.Ok() && !s.Is(B_KEY_NOT_FOUND))
            s.Report();
        return s.status;
    }
    Status Write(const std::string& key, const void* record, int size)
    {
        auto it = of_.find(key);
        const std::size_t at = it != of_.end() ? it->second : 0;
        if (current_[at] != key) {
            std::string buffer(size, '\0');
            KeyBuffer k;
            std::memcpy(k.bytes, key.data(), std::min(key.size(), sizeof k.bytes));
            const Status s = tables_[at].Get(B_GET_EQUAL, k.bytes, buffer.data(), size);
            if (!s.Ok())
                return s;
            current_[at] = key;
        }
        return tables_[at].Write(B_UPDATE, const_cast<void*>(record), size);
    }

private:
    Table tables_[kPoolHandles];
    std::string current_[kPoolHandles];
    std::map<std::string, std::size_t> of_;
    std::size_t next_ = 0;
};

// A ledger line of a posted sale waiting for its batch to be written.
struct RunLine {
    TagLedgerDetail line;
    bool merge;                        // merges with the run's line of its account and side
    bool listed;                       // its account is on file (rolled up the chart)
    std::optional<TagSalesHdr> bank;   // a bank account's line: its register entry's sale
};

// What the run has written of its ledger transaction.
struct RunLedger {
    bool made = false;
    TagGLHeader header{};
    int32_t debitCounter = 0, creditCounter = 20000;
    std::map<std::string, double> net;   // per merged account of the run: debit positive
    double unmergedDebits = 0.0;
};

// The state of one pass.
class Pass {
public:
    Pass(const RunRequest& request, RunResult& result) : request_(request), result_(result) {}
    ~Pass()
    {
        if (historyOpen_)
            CloseCustomerHistoryFiles();
    }

    bool Run();

private:
    enum class Outcome { Posted, Skipped, Failed, Stopped };

    bool OpenFiles();
    void Settings();
    int CountToDo();
    Outcome PostOne(const char* invoice);
    Outcome LockSale(KeyBuffer& key, TagSalesHdr& sale);
    bool PostSale(const TagSalesHdr& sale, std::vector<RunLine>& lines, bool& bank);
    int Read(FileNo file, const std::string& key, void* record, int size);
    bool ReadOpenItems(const TagSalesHdr& sale, std::vector<TagOpenInvoice>& items);
    bool Apply(const TagSalesHdr& sale, const SalePosting& posting);
    bool ApplyHistory(const TagSalesHdr& sale, const SalePosting& posting);
    bool ApplyOpenInvoices(const TagSalesHdr& sale, const SalePosting& posting);
    bool PostOnline(TagSalesHdr& sale);
    void RunLines(const TagSalesHdr& sale, SaleSnapshot& snapshot, const SalePosting& posting,
                  std::vector<RunLine>& lines, bool& bank) const;
    bool EnsureRunHeader(RunLedger& ledger, int32_t date);
    bool Flush();
    bool WriteLine(RunLedger& ledger, RunLine& l);
    bool DescribeBySale() const;
    bool CreateBankEntry(const TagLedgerDetail& line, TagAccount& account, const TagSalesHdr& sale);
    bool Fail(const TagSalesHdr& sale, const std::string& cause);
    bool BeginBatch();
    bool CommitBatch();
    void DropBatch();
    // The slot of the period arrays: 4 in the next year, else 2.
    int Slot() const { return request_.period.NextYear > 0 ? 4 : 2; }

    const RunRequest& request_;
    RunResult& result_;
    SalePostingSettings settings_;
    Table sales_, walk_, lines_, accounts_, journals_, glHeaders_, glLines_, activity_, openItems_,
        productHistory_, serviceHistory_, customerHistory_, layaways_, codes_, tenders_,
        detailHistory_, general_;
    HandlePool products_, services_, customers_, taxes_;
    bool online_ = false;
    bool historyOpen_ = false;
    CBaseGL gl_;
    // The run's ledger as committed, and as the open batch has written it.
    RunLedger committed_, written_;
    // The open batch, the sales it holds, when it began, and the ledger
    // lines of its sales not yet written.
    std::unique_ptr<WriteBatch> batch_;
    int batchSales_ = 0, batchCopied_ = 0;
    std::chrono::steady_clock::time_point batchBegan_;
    std::vector<RunLine> pending_;
    // Why the last sale failed, shown once its batch is settled; the last
    // sale the open batch took.
    std::string failedInvoice_, failure_, lastInvoice_;
};

bool Pass::BeginBatch()
{
    if (batch_)
        return true;
    batch_ = std::make_unique<WriteBatch>();
    if (!batch_->Begun().Ok()) {
        batch_->Begun().Report();
        batch_.reset();
        return false;
    }
    batchSales_ = 0;
    batchCopied_ = 0;
    batchBegan_ = std::chrono::steady_clock::now();
    written_ = committed_;
    pending_.clear();
    return true;
}

// The whole batch is gone: its sales are unposted again.
void Pass::DropBatch()
{
    batch_.reset();
    result_.posted -= batchSales_;
    result_.linesCopied -= batchCopied_;
    batchSales_ = batchCopied_ = 0;
    pending_.clear();
    written_ = committed_;
}

// Writes the batch's ledger lines and commits it; a batch that cannot be
// written or committed is gone whole.
bool Pass::CommitBatch()
{
    if (!batch_)
        return true;
    if (!Flush()) {
        DropBatch();
        if (!failure_.empty())
            ShowPostingFatalError(lastInvoice_.c_str(), failure_.c_str(), 0);
        failure_.clear();
        return false;
    }
    const Status s = batch_->Commit();
    if (!s.Ok()) {
        DropBatch();
        s.Report();
        return false;
    }
    batch_.reset();
    committed_ = written_;
    return true;
}

bool Pass::OpenFiles()
{
    struct {
        Table* table;
        FileNo file;
    } files[] = {
        {&sales_, FileNo::SalesHeader},     {&walk_, FileNo::SalesHeader},
        {&lines_, FileNo::SalesDetail},
        {&accounts_, FileNo::Accounts},     {&journals_, FileNo::Journals},
        {&glHeaders_, FileNo::LedgerHeader}, {&glLines_, FileNo::LedgerDetail},
        {&activity_, FileNo::ProductActivity},
        {&openItems_, FileNo::ReceivablesOpenItems},
        {&productHistory_, FileNo::ProductHistory},
        {&serviceHistory_, FileNo::ServiceHistory},
        {&customerHistory_, FileNo::CustomerStatistics},
        {&layaways_, FileNo::LayawayHeader},
        {&codes_, FileNo::BillingCodes},
        {&tenders_, FileNo::Tenders},
    };
    for (auto& f : files) {
        const Status s = f.table->Open(f.file);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
    }
    for (auto [pool, file] : {std::pair{&products_, FileNo::Products}, std::pair{&services_, FileNo::Services},
                              std::pair{&customers_, FileNo::Customers}, std::pair{&taxes_, FileNo::TaxTable}}) {
        const Status s = pool->Open(file);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
    }
    if (settings_.detailHistory) {
        const Status s = detailHistory_.Open(FileNo::AccountingSalesLines);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
    }
    {
        // Activity and history records draw their numbers from the store's
        // general file.
        const Status s = general_.Open(IsInterfacedToAccounting() ? FileNo::AccountingGeneral
                                                                   : FileNo::General);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
    }
    if (settings_.customerHistory) {
        // The history files stay open for the pass.
        const int status = OpenCustomerHistoryFiles();
        if (status != 0) {
            Status{status, B_OPEN, FileNo::CustomerHistoryDetail}.Report();
            return false;
        }
        historyOpen_ = true;
    }
    return walk_.SetKey(2).Ok();
}

// The store's settings the sales are posted by, read once for the pass.
void Pass::Settings()
{
    ReadInterfaceRecord(&settings_.interface);
    if (const TagSysInterface* sys = GetSysInterfaceRecord())
        settings_.sysInterface = *sys;
    unsigned char system[GENERAL_SYSTEM_SIZE] = {};
    if (ReadSystemRecordRaw(system) == 0)
        settings_.bankMode = static_cast<char>(system[kBankModeOffset]);
    const int option = GetSystemOption(OPTION_COSTING);
    settings_.costMethod = option == 'S' || option == 'L' ? static_cast<char>(option) : 'A';
    settings_.interfaced = IsInterfacedToAccounting() != 0;
    settings_.unlistedAccounts = true;
    settings_.statistics = true;
    settings_.periodIndex = request_.period.Index;
    settings_.slot = Slot();
    settings_.historyYear = FxDateYear(request_.period.FirstDate);
    settings_.detailHistory = GetSystemOption(OPTION_SALES_DETAIL_HISTORY) == 'Y';
    settings_.customerHistory = settings_.sysInterface.SystemByte43 == 'Y';
}

// The unposted sales of the dates (for the progress count).
int Pass::CountToDo()
{
    int count = 0;
    KeyBuffer key;
    key.Set(DateKey{request_.start, {}});
    TagSalesHdr sale;
    for (Status s = walk_.Get(B_GET_GE, key, sale); s.Ok() && sale.TranDate <= request_.through;
         s = walk_.Get(B_GET_NEXT, key, sale))
        if ((sale.Flags & kPostedFlag) == 0)
            ++count;
    return count;
}


bool Pass::Run()
{
    Settings();
    if (!OpenFiles())
        return false;
    online_ = gl_.IsPosOnLine();
    gl_.SetPostRef(request_.reference);

    result_.found = CountToDo();
    if (result_.found == 0) {
        ShowMessage(309, 1);
        return false;
    }
    CProgressDialog progress;
    progress.Create(0, static_cast<int16_t>(std::min(result_.found, 32767)), 1, true, false, true,
                    "RSPostingTrnHdrs");
    const auto began = std::chrono::steady_clock::now();

    // The walk goes on from the key of the last sale it took, so that the
    // sales posted meanwhile (and their position) do not matter.
    DateKey next{request_.start, {}};
    int op = B_GET_GE;
    bool ok = true;
    int done = 0;
    for (;;) {
        KeyBuffer key;
        key.Set(next);
        TagSalesHdr sale;
        const Status s = walk_.Get(op, key, sale);
        if (!s.Ok()) {
            if (!s.NotFound()) {
                s.Report();
                ok = false;
            }
            break;
        }
        if (sale.TranDate > request_.through)
            break;
        next.date = sale.TranDate;
        std::memcpy(next.invoice, sale.InvoiceNo, sizeof next.invoice);
        op = B_GET_GREATER;
        if (sale.Flags & kPostedFlag)
            continue;

        char line[80];
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::steady_clock::now() - began)
                                 .count();
        std::snprintf(line, sizeof line, "Sale %s: %d of %d, %lld s", Text(sale.InvoiceNo, 11).c_str(),
                      done + 1, result_.found, static_cast<long long>(seconds));
        progress.SetLine(0, line);

        if (!BeginBatch()) {
            result_.failed = true;
            ok = false;
            break;
        }
        const Outcome outcome = PostOne(next.invoice);
        if (outcome == Outcome::Failed) {
            // The sales of the batch before this one stay posted.
            const std::string failure = failure_, invoice = failedInvoice_;
            failure_.clear();
            CommitBatch();
            if (!failure.empty())
                ShowPostingFatalError(invoice.c_str(), failure.c_str(), 0);
            result_.failed = true;
            ok = false;
            break;
        }
        if (outcome == Outcome::Stopped) {
            if (!CommitBatch())
                ok = false;
            result_.stopped = true;
            break;
        }
        ++done;
        progress.Step();
        if (outcome == Outcome::Posted) {
            ++result_.posted;
            ++batchSales_;
        }
        if ((batchSales_ >= kBatchSales || std::chrono::steady_clock::now() - batchBegan_ >= kBatchTime) &&
            !CommitBatch()) {
            result_.failed = true;
            ok = false;
            break;
        }
        // Esc between sales asks whether to stop; the sales posted so far
        // stay posted (their batch is committed before the question).
        // Answered No, the run goes on and Esc can ask again.
        if (EscPressed()) {
            if (!CommitBatch()) {
                result_.failed = true;
                ok = false;
                break;
            }
            int choice = 1;
            if (AskMessage(1371, 1, &choice, "Yes,No", nullptr, -1, -1, 0, 0, 0) == 0 &&
                choice == 1) {
                result_.stopped = true;
                break;
            }
        }
    }
    if (!CommitBatch()) {
        result_.failed = true;
        ok = false;
    }
    progress.Destroy();
    if (committed_.made) {
        std::memcpy(result_.journal, committed_.header.JournalCode, sizeof committed_.header.JournalCode);
        std::memcpy(result_.number, committed_.header.TranNo, sizeof committed_.header.TranNo);
    }
    return ok && !result_.stopped;
}



// Reads the sale with a lock that holds to the end of its transaction. A
// sale held by another station: message 1365 asks whether to wait.
Pass::Outcome Pass::LockSale(KeyBuffer& key, TagSalesHdr& sale)
{
    for (;;) {
        const Status s = sales_.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, sale);
        if (s.Ok())
            return Outcome::Posted;
        if (s.status != kLockInUse1 && s.status != kLockInUse2) {
            s.Report();
            return Outcome::Failed;
        }
        // The sales before this one are committed first: nothing stays
        // held while the question waits for the user.
        if (!batch_->Undo().Ok() || !CommitBatch())
            return Outcome::Failed;
        int choice = 2;
        if (AskMessage(1365, 1, &choice, "Wait,Stop", nullptr, -1, -1, 0, 0, 0) != 0 || choice != 1)
            return Outcome::Stopped;
        BtrLockDelay(20);
        if (!BeginBatch() || !batch_->Mark().Ok())
            return Outcome::Failed;
    }
}

Pass::Outcome Pass::PostOne(const char* invoice)
{
    failure_.clear();
    Status marked = batch_->Mark();
    if (!marked.Ok()) {
        marked.Report();
        return Outcome::Failed;
    }
    // A sale that does not go through is put back alone; when it cannot
    // be, the whole batch goes.
    auto undo = [&] {
        if (!batch_->Undo().Ok())
            DropBatch();
    };
    KeyBuffer key;
    std::memcpy(key.bytes, invoice, 11);
    TagSalesHdr sale;
    const Outcome locked = LockSale(key, sale);
    if (locked != Outcome::Posted) {
        if (batch_)
            batch_->Undo();
        return locked;
    }
    if (sale.Flags & kPostedFlag) {
        batch_->Keep();
        return Outcome::Skipped;   // another station posted it meanwhile
    }
    // The ledger class reads the sale through handles of its own: the lock
    // stays with the transaction and lets it in.
    if (online_)
        sales_.UnlockAll();

    int copied = 0;
    if (sale.FirstLineOffset >= 0 && !CopySaleRegisterLines(sale, &copied)) {
        undo();
        return Outcome::Failed;
    }
    std::vector<RunLine> lines;
    bool bank = false;
    if (sale.Type != 'V' && !PostSale(sale, lines, bank)) {
        undo();
        return Outcome::Failed;
    }
    sale.Flags |= kPostedFlag;
    sale.FirstLineOffset = -1;
    Status s;
    if (online_) {
        // Back on the sale's record (the ledger class has written it).
        TagSalesHdr stored;
        s = sales_.Get(B_GET_EQUAL, key, stored);
        if (s.Ok())
            sale.LedgerKey = stored.LedgerKey;
    }
    if (s.Ok())
        s = sales_.Update(sale);
    if (s.Ok())
        s = batch_->Keep();
    if (!s.Ok()) {
        s.Report();
        undo();
        return Outcome::Failed;
    }
    result_.linesCopied += copied;
    batchCopied_ += copied;
    lastInvoice_ = Text(sale.InvoiceNo, sizeof sale.InvoiceNo);
    pending_.insert(pending_.end(), lines.begin(), lines.end());
    // A bank account's next number moves with its register entry: the
    // sales after this one read it as this one leaves it.
    if (bank && !Flush()) {
        failedInvoice_ = lastInvoice_;
        DropBatch();
        return Outcome::Failed;
    }
    return Outcome::Posted;
}

// The cause is shown once the sale is put back and the batch settled.
bool Pass::Fail(const TagSalesHdr& sale, const std::string& cause)
{
    failedInvoice_ = Text(sale.InvoiceNo, 11);
    failure_ = cause;
    return false;
}

// A record of the sale's posting, read for its snapshot.
int Pass::Read(FileNo file, const std::string& key, void* record, int size)
{
    switch (file) {
    case FileNo::Products: return products_.Read(key, record, size);
    case FileNo::Services: return services_.Read(key, record, size);
    case FileNo::Customers: return customers_.Read(key, record, size);
    case FileNo::TaxTable: return taxes_.Read(key, record, size);
    case FileNo::Accounts: {
        TagAccount account;
        if (!ValidateAccountNo(accounts_.Handle(), key.c_str(), &account))
            return B_KEY_NOT_FOUND;
        std::memcpy(record, &account, std::min<std::size_t>(size, sizeof account));
        return 0;
    }
    default: break;
    }
    Table* table = file == FileNo::LayawayHeader  ? &layaways_
                   : file == FileNo::BillingCodes ? &codes_
                   : file == FileNo::Tenders      ? &tenders_
                                                  : nullptr;
    if (table == nullptr)
        return B_KEY_NOT_FOUND;
    KeyBuffer k;
    std::memcpy(k.bytes, key.data(), std::min(key.size(), sizeof k.bytes));
    const Status s = table->Get(B_GET_EQUAL, k.bytes, record, size);
    if (!s.Ok() && !s.Is(B_KEY_NOT_FOUND))
        s.Report();
    return s.status;
}

// The sale's open receivable items (status 'O').
bool Pass::ReadOpenItems(const TagSalesHdr& sale, std::vector<TagOpenInvoice>& items)
{
    if (sale.CustomerNo[0] == '\0' || sale.CustomerNo[0] == ' ')
        return true;
    OpenInvoiceStatusKey start{'O', {}, {}};
    std::memcpy(start.Customer, sale.CustomerNo, sizeof start.Customer);
    std::memcpy(start.Invoice, sale.InvoiceNo, sizeof start.Invoice);
    openItems_.SetKey(2);
    KeyBuffer key;
    key.Set(start);
    TagOpenInvoice item;
    Status s = openItems_.Get(B_GET_GE, key, item);
    while (s.Ok() && item.Status == 'O' &&
           std::memcmp(item.Customer, sale.CustomerNo, sizeof item.Customer) == 0 &&
           std::memcmp(item.Invoice, sale.InvoiceNo, sizeof item.Invoice) == 0) {
        items.push_back(item);
        s = openItems_.Get(B_GET_NEXT, key, item);
    }
    openItems_.SetKey(0);
    if (!s.Ok() && !s.NotFound()) {
        s.Report();
        return Fail(sale, "Error on reading the open invoices.");
    }
    return true;
}

// Walk, lock, build, check, apply: the sale's posting from one snapshot.
bool Pass::PostSale(const TagSalesHdr& sale, std::vector<RunLine>& lines, bool& bank)
{
    SaleSnapshot snapshot;
    snapshot.sale = sale;
    {
        KeyBuffer key;
        std::memcpy(key.bytes, sale.InvoiceNo, sizeof sale.InvoiceNo);
        TagSalesDetail line;
        Status s = lines_.Get(B_GET_GE, key, line);
        while (s.Ok() && std::memcmp(line.InvoiceNo, sale.InvoiceNo, sizeof line.InvoiceNo) == 0) {
            snapshot.lines.push_back(line);
            s = lines_.Get(B_GET_NEXT, key, line);
        }
        if (!s.Ok() && !s.NotFound()) {
            s.Report();
            return Fail(sale, "Error on reading the lines of the sale.");
        }
    }
    if (!ReadOpenItems(sale, snapshot.openItems))
        return false;
    products_.NextSale();
    services_.NextSale();
    customers_.NextSale();
    taxes_.NextSale();
    snapshot.reader = [this](FileNo file, const std::string& key, void* record, int size) {
        return Read(file, key, record, size);
    };
    SalePosting posting;
    SalePostingError error;
    if (!BuildSalePosting(settings_, snapshot, posting, error) ||
        !CheckSalePosting(settings_, snapshot, posting, error))
        return Fail(sale, error.runText);
    if (online_) {
        TagSalesHdr copy = sale;
        if (!PostOnline(copy))
            return false;
    } else {
        RunLines(sale, snapshot, posting, lines, bank);
    }
    return Apply(sale, posting);
}

bool Pass::PostOnline(TagSalesHdr& sale)
{
    if (!gl_.UpdateFromSalesTran(sale))
        return Fail(sale, std::string("Error Re-Generating GL Transaction: ") + gl_.GetErrorStr());
    TagGLHeader header;
    if (!gl_.ReadGLHeader(sale.LedgerKey, header))
        return Fail(sale, "Error Posting GL Transaction: the transaction cannot be read");
    TagPostingStatus block{};
    double debit = 0.0, credit = 0.0;
    if (PostChartOfAccounts(glHeaders_.Handle(), glLines_.Handle(), accounts_.Handle(), &debit,
                            &credit, &request_.period, &header, &block) != 0) {
        char text[120];
        std::snprintf(text, sizeof text, "Error Posting GL Transaction: %s",
                      Text(header.TranNo, 11).c_str());
        return Fail(sale, text);
    }
    return true;
}

// Through a date, a store may have its lines described by the sale:
// "POS-" and the customer, then the invoice number, each line on its own.
bool Pass::DescribeBySale() const
{
    return request_.mode == 1 && settings_.sysInterface.DescribeBySale == 'Y';
}

std::string SaleText(const TagSalesHdr& sale)
{
    const std::string customer =
        Text(SaleTypeIs(sale.Type, SALE_TYPE_LAYAWAY) ? sale.LayawayCustomer : sale.CustomerNo, 11);
    const std::size_t first = customer.find_first_not_of(' ');
    return first == std::string::npos ? "POS-Walk-In" : "POS-" + customer.substr(first);
}

std::string WithInvoice(const std::string& text, const TagSalesHdr& sale)
{
    std::string invoice = Text(sale.InvoiceNo, sizeof sale.InvoiceNo);
    invoice.erase(0, std::min(invoice.find_first_not_of('0'), invoice.size()));
    std::string joined = text + " /" + invoice;
    if (joined.size() >= 25)
        joined.resize(24);
    return joined;
}

// The sale's ledger lines as the run writes them: described and merged by
// their kind.
void Pass::RunLines(const TagSalesHdr& sale, SaleSnapshot& snapshot, const SalePosting& posting,
                    std::vector<RunLine>& lines, bool& bank) const
{
    using Kind = CBaseGL::LineKind;
    const bool bySale = DescribeBySale();
    const bool registerEntries = settings_.interfaced && !IsCheckRegisterOnline();
    for (const SalePostingLine& p : posting.ledger) {
        RunLine l{p.line, true, false, std::nullopt};
        std::string description = "POS System Summary";
        const Kind kind = p.kind;
        if (bySale && (kind == Kind::Detail || kind == Kind::Tax || kind == Kind::Layaway)) {
            description = WithInvoice(SaleText(sale), sale);
            l.merge = false;
        } else if (bySale && kind == Kind::Other) {
            description = SaleText(sale);
        } else if (kind == Kind::Tax) {
            description = "POS System Summary-Tax";
        } else if (kind == Kind::CashInOut) {
            description = Text(l.line.Description, sizeof l.line.Description);
            l.merge = request_.mode != 1;
        }
        std::snprintf(l.line.Description, sizeof l.line.Description, "%-24.24s", description.c_str());
        l.line.RegisterKey = 0;
        TagAccount account;
        if (snapshot.GetAccount(l.line.Account, account) == 0) {
            l.listed = true;
            if (registerEntries && account.CheckRegister == 'Y') {
                l.bank = sale;
                bank = true;
            }
        }
        lines.push_back(l);
    }
}


// Writes what the posting changes besides the ledger.
bool Pass::Apply(const TagSalesHdr& sale, const SalePosting& posting)
{
    for (const ProductRecord& product : posting.products) {
        const Status s = products_.Write(ProductKey(product.Code), &product, sizeof product);
        if (!s.Ok()) {
            s.Report();
            return Fail(sale, "Error in reading or updating product/service code : " +
                                  Text(product.Code, sizeof product.Code));
        }
    }
    if (!posting.activity.empty()) {
        std::vector<TagProductActivity> activity = posting.activity;
        std::vector<const TagProduct*> of;
        for (const TagProductActivity& a : activity) {
            const ProductRecord* product = nullptr;
            for (const ProductRecord& p : posting.products)
                if (std::memcmp(p.Code, a.Code, sizeof a.Code) == 0)
                    product = &p;
            of.push_back(product);
        }
        if (WriteProductActivities(activity_.Handle(), general_.Handle(), of.data(), activity.data(),
                                   static_cast<int>(activity.size())) != 0)
            return Fail(sale, "Error on writing the product activity.");
    }
    for (SalesDetailHistoryRecord h : posting.detailHistory) {
        const Status s = detailHistory_.Insert(h);
        if (!s.Ok()) {
            s.Report();
            return Fail(sale, "Error on writing the sales-detail history of line " +
                                  std::to_string(h.LineNo) + ".");
        }
    }
    for (const ServiceRecord& service : posting.services) {
        const Status s = services_.Write(ProductKey(service.Code), &service, sizeof service);
        if (!s.Ok()) {
            s.Report();
            return Fail(sale, "Error in reading or updating product/service code : " +
                                  Text(service.Code, sizeof service.Code));
        }
    }
    if (!ApplyHistory(sale, posting))
        return false;
    if (posting.customerChanged) {
        const Status s = customers_.Write(CustomerKey(posting.customer.Code), &posting.customer,
                                          sizeof posting.customer);
        if (!s.Ok()) {
            s.Report();
            return Fail(sale, "Error in reading or updating customer code : " +
                                  Text(posting.customer.Code, sizeof posting.customer.Code));
        }
    }
    if (posting.taxChanged) {
        const Status s = taxes_.Write(PaddedKey(Text(posting.tax.Code, sizeof posting.tax.Code), 6),
                                      &posting.tax, sizeof posting.tax);
        if (!s.Ok()) {
            s.Report();
            return Fail(sale, "Error in reading billing code : " + Text(posting.tax.Code, sizeof posting.tax.Code));
        }
    }
    return ApplyOpenInvoices(sale, posting);
}

// The period's amounts of the products, services and customer, one record
// per code and bucket.
bool Pass::ApplyHistory(const TagSalesHdr& sale, const SalePosting& posting)
{
    std::vector<HistoryBucket> sums;
    for (const HistoryBucket& b : posting.history) {
        HistoryBucket* same = nullptr;
        for (HistoryBucket& s : sums)
            if (s.file == b.file && s.code == b.code && s.bucket == b.bucket)
                same = &s;
        if (same == nullptr) {
            sums.push_back(b);
        } else {
            same->amount = Round2(same->amount + b.amount);
            same->cost = Round2(same->cost + b.cost);
        }
    }
    const int32_t year = settings_.historyYear;
    const int period = request_.period.Index;
    for (const HistoryBucket& b : sums) {
        char code[16] = {};
        std::memcpy(code, b.code.data(), std::min<std::size_t>(b.code.size(), 15));
        bool ok = true;
        if (b.file == FileNo::ProductHistory) {
            TagProductHistory h{};
            h.First[b.bucket] = b.amount;
            h.Second[b.bucket] = b.cost;
            ok = AddProductHistory(productHistory_.Handle(), &h, code, year, period, kPeriodsInYear) != 0;
        } else if (b.file == FileNo::ServiceHistory) {
            TagServiceHistory h{};
            h.Amounts[b.bucket] = b.amount;
            ok = AddServiceHistory(serviceHistory_.Handle(), &h, code, year, period, kPeriodsInYear) != 0;
        } else {
            TagCustomerStatistics stats{};
            stats.First[b.bucket] = b.amount;
            stats.Second[b.bucket] = b.cost;
            char number[12] = {};
            std::memcpy(number, code, 11);
            if (AddSaleToCustomerHistory(customerHistory_.Handle(), &stats, number, year, period,
                                         kPeriodsInYear) == 0)
                return Fail(sale, std::string("Error in reading or updating customer code : ") + number);
        }
        if (!ok)
            return Fail(sale, std::string("Error in reading or updating product/service code : ") + code);
    }
    return true;
}

// The sale's open receivable items become posted, their headers kept in
// step; with customer history kept, each gets its numbered history record
// and the sale's own history records are marked posted.
bool Pass::ApplyOpenInvoices(const TagSalesHdr& sale, const SalePosting& posting)
{
    if (!posting.openInvoices.empty()) {
        BwOIHeader header(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1,
                          static_cast<short>(openItems_.Handle()));
        if (!header.Init())
            return Fail(sale, "Error on opening the open invoices.");
        openItems_.SetKey(2);
        for (const TagOpenInvoice& posted : posting.openInvoices) {
            // Each item is read where the snapshot found it (still open).
            OpenInvoiceStatusKey start{'O', {}, {}};
            std::memcpy(start.Customer, posted.Customer, sizeof start.Customer);
            std::memcpy(start.Invoice, posted.Invoice, sizeof start.Invoice);
            KeyBuffer key;
            key.Set(start);
            TagOpenInvoice item;
            Status s = openItems_.Get(B_GET_GE, key, item);
            if (s.Ok() && std::memcmp(&item, &posted, offsetof(TagOpenInvoice, Status)) != 0)
                s = {B_KEY_NOT_FOUND, B_GET_GE, FileNo::ReceivablesOpenItems};
            if (!s.Ok()) {
                openItems_.SetKey(0);
                s.Report();
                return Fail(sale, "Error on reading the open invoices.");
            }
            if (!header.SaveDtlBeforeModification(item, false)) {
                openItems_.SetKey(0);
                return Fail(sale, "Error on updating an open invoice.");
            }
            TagOpenInvoice changed = posted;
            s = openItems_.Update(changed);
            if (!s.Ok()) {
                openItems_.SetKey(0);
                s.Report();
                return Fail(sale, "Error on updating an open invoice.");
            }
            if (!header.UpdateDtlModification(changed)) {
                openItems_.SetKey(0);
                return Fail(sale, "Error on updating an open invoice header.");
            }
        }
        openItems_.SetKey(0);
    }
    if (posting.customerHistory.empty() && posting.historyMarks.empty())
        return true;
    CustomerRecord customer{};
    KeyBuffer key;
    std::memcpy(key.bytes, sale.CustomerNo, sizeof sale.CustomerNo);
    if (!posting.customerHistory.empty()) {
        // The customer as the sale left it (its history follows its type).
        customer = posting.customerChanged ? posting.customer : CustomerRecord{};
        if (!posting.customerChanged ||
            std::memcmp(customer.Code, sale.CustomerNo, sizeof customer.Code) != 0) {
            const int status = Read(FileNo::Customers, CustomerKey(sale.CustomerNo), &customer,
                                    sizeof customer);
            if (status != 0)
                return Fail(sale, "Error in reading or updating customer code : " +
                                      Text(sale.CustomerNo, sizeof sale.CustomerNo));
        }
    }
    for (TagOpenInvoice item : posting.customerHistory) {
        HistPostResult result{};
        if (AddNumberedCustHistDetail(general_.Handle(), &item, &customer, &sale, &result) != 0)
            return Fail(sale, "Error on writing the customer history of invoice " +
                                  Text(item.Invoice, sizeof item.Invoice) + ".");
    }
    for (int32_t number : posting.historyMarks) {
        HistPostResult result{};
        if (UpdateCustHistDetail(number, sale.TotalCost, &result) != 0)
            return Fail(sale, "Error on marking the customer history record " + std::to_string(number) +
                                  " posted.");
    }
    return true;
}

// ---- The run's ledger transaction

bool Pass::EnsureRunHeader(RunLedger& ledger, int32_t date)
{
    if (ledger.made)
        return true;
    TagPostingStatus block{};
    TagGLHeader& run = ledger.header;
    std::memset(&run, 0, sizeof run);
    std::snprintf(run.JournalCode, sizeof run.JournalCode, "%-6s", kRunJournal);
    if (DrawJournalNumber(journals_.Handle(), run.JournalCode, run.TranNo, &block) != 0) {
        ShowMessage(589, 1);
        return false;
    }
    std::snprintf(run.Reference, sizeof run.Reference, "%s", request_.reference);
    run.TranDate = date;
    run.StartDate = date;
    run.Posted = 'Y';   // every line is rolled up the chart as it is written
    run.Deleted = 'N';
    run.Reverse = 'N';
    if (InsertGLHeaderRecord(glHeaders_.Handle(), &run, &block) != 0)
        return false;
    ledger.made = true;
    return true;
}

// One line into the run's transaction (merged or on its own).
bool Pass::WriteLine(RunLedger& ledger, RunLine& l)
{
    TagLedgerDetail& line = l.line;
    std::memcpy(line.JournalCode, ledger.header.JournalCode, sizeof line.JournalCode);
    std::memcpy(line.TranNo, ledger.header.TranNo, sizeof line.TranNo);
    line.TranDate = ledger.header.TranDate;
    const std::string account = Text(line.Account, sizeof line.Account);
    const char side = line.DebitCredit;
    const double amount = line.Amount;
    TagPostingStatus block{};
    if (AddGLDetailAmount(l.merge ? 1 : 0, glLines_.Handle(), &ledger.debitCounter,
                          &ledger.creditCounter, &line, &block) != 0) {
        failure_ = "Error on inserting general ledger detail line.";
        return false;
    }
    // The header carries the debits of its lines: the nets of the merged
    // accounts and each debit line standing on its own.
    if (l.merge)
        ledger.net[account] += side == 'D' ? amount : -amount;
    else if (side == 'D')
        ledger.unmergedDebits = Round2(ledger.unmergedDebits + amount);
    return true;
}

// Writes the ledger lines of the batch's sales: lines of one account and
// side (that merge) go in as one, each account's amounts are rolled up the
// chart once, a bank account's line gets its register entry.
bool Pass::Flush()
{
    if (pending_.empty())
        return true;
    RunLedger ledger = written_;
    if (!EnsureRunHeader(ledger, request_.through)) {
        failure_ = "Error on creating the run's ledger transaction.";
        return false;
    }
    std::vector<RunLine> lines;
    std::map<std::string, std::size_t> mergedAt;
    std::vector<std::pair<std::string, double>> rollUps;   // account and side, amount
    std::map<std::string, std::size_t> rollUpAt;
    for (const RunLine& l : pending_) {
        const std::string account = Text(l.line.Account, sizeof l.line.Account);
        const std::string side(1, l.line.DebitCredit);
        if (l.listed) {
            auto [at, fresh] = rollUpAt.try_emplace(side + account, rollUps.size());
            if (fresh)
                rollUps.emplace_back(side + account, 0.0);
            rollUps[at->second].second += l.line.Amount;
        }
        if (l.merge && !l.bank) {
            auto [at, fresh] = mergedAt.try_emplace(side + account, lines.size());
            if (fresh)
                lines.push_back(l);
            else
                lines[at->second].line.Amount += l.line.Amount;
            continue;
        }
        lines.push_back(l);
    }
    for (RunLine& l : lines) {
        if (!WriteLine(ledger, l))
            return false;
        if (l.bank) {
            TagAccount account;
            if (!ValidateAccountNo(accounts_.Handle(), l.line.Account, &account) ||
                !CreateBankEntry(l.line, account, *l.bank)) {
                failure_ = "Error on creating check register entry.";
                return false;
            }
        }
    }
    for (const auto& [key, amount] : rollUps) {
        if (PostAccountAmount(accounts_.Handle(), key.c_str() + 1, key[0], request_.period.NextYear,
                              request_.period.Index, amount, nullptr) != 0) {
            failure_ = "Error on account posting.";
            return false;
        }
    }
    // The run header carries the sum of its debits.
    ledger.header.DebitTotal = ledger.unmergedDebits;
    for (const auto& [number, net] : ledger.net)
        if (net > 0.0)
            ledger.header.DebitTotal += net;
    KeyBuffer key;
    std::memcpy(key.bytes, ledger.header.JournalCode, 18);
    TagGLHeader stored;
    Status s = glHeaders_.Get(B_GET_EQUAL, key, stored);
    if (s.Ok()) {
        stored.DebitTotal = Round2(ledger.header.DebitTotal);
        s = glHeaders_.Update(stored);
    }
    if (!s.Ok()) {
        s.Report();
        failure_ = "Error on updating the run's ledger transaction.";
        return false;
    }
    written_ = ledger;
    pending_.clear();
    return true;
}

// The bank register's entry of a line into a bank account: a deposit
// numbered by the account's counter, or a withdrawal "POS-REFND".
bool Pass::CreateBankEntry(const TagLedgerDetail& line, TagAccount& account, const TagSalesHdr& sale)
{
    TagCheckRegister entry{};
    std::memcpy(entry.Account, line.Account, sizeof entry.Account);
    std::snprintf(entry.Reference, sizeof entry.Reference, "%s", Text(sale.InvoiceNo, 11).c_str());
    std::memcpy(entry.Payee, sale.CustomerNo, sizeof entry.Payee);
    const std::string name = Text(sale.CustomerName, sizeof sale.CustomerName);
    std::snprintf(entry.Description, sizeof entry.Description, "%-40s",
                  name.empty() ? "POS Deposit - Walk-in" : name.c_str());
    entry.Status = 'O';
    entry.Byte99 = 'P';
    if (line.DebitCredit == 'D') {
        entry.Kind = 'D';
        entry.KindDigit = '1';
        std::snprintf(entry.CheckNo, sizeof entry.CheckNo, "%8d", account.NextNumber);
    } else {
        entry.Kind = 'M';
        entry.KindDigit = '3';
        std::memcpy(entry.CheckNo, "POS-REFND", sizeof entry.CheckNo);
    }
    entry.Date = line.TranDate;
    entry.Amount = line.Amount;
    entry.Source = 'S';
    entry.Posted = 'Y';
    CBaseCheckReg reg;
    if (!reg.InsertReg(entry))
        return false;
    if (line.DebitCredit != 'D')
        return true;
    // The account's counter moves on with the deposit it numbered.
    KeyBuffer key;
    std::memcpy(key.bytes, account.Number, sizeof account.Number);
    TagAccount stored;
    Status s = accounts_.Get(B_GET_EQUAL, key, stored);
    if (s.Ok()) {
        stored.NextNumber += 1;
        s = accounts_.Update(stored);
    }
    if (!s.Ok())
        s.Report();
    return s.Ok();
}


}  // namespace

bool PostSales(const RunRequest& request, RunResult& result)
{
    Pass pass(request, result);
    return pass.Run();
}

int CountUnpostedBefore(int32_t before)
{
    Table sales;
    if (!sales.Open(FileNo::SalesHeader).Ok() || !sales.SetKey(2).Ok())
        return 0;
    int count = 0;
    KeyBuffer key;
    key.Set(DateKey{0, {}});
    TagSalesHdr sale;
    for (Status s = sales.Get(B_GET_GE, key, sale); s.Ok() && sale.TranDate < before;
         s = sales.Get(B_GET_NEXT, key, sale))
        if ((sale.Flags & kPostedFlag) == 0 && sale.Type != 'V')
            ++count;
    return count;
}

}  // namespace bwps1::posting
