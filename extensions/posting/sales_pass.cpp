// The ledger pass of the posting run: each unposted sale of the dates, in
// date and invoice order, is posted whole. The sales go in batches: one
// record-manager transaction (one commit, synced once) holds up to
// kBatchSales sales or what kBatchMs brought, each sale behind a savepoint
// of its own, so that a sale that fails is put back alone and the sales
// before it in the batch are committed. A run stopped at any moment (an
// error, the user, a kill, a power loss) leaves every sale posted once or
// not at all; the run's own totals follow the batch.
//
// With the on-line ledger off, a sale's ledger lines (the lines that
// posting the sale on its own would write: sales and returns by group,
// cost of goods, taxes, payments, receivables, layaway and the balancing
// line) are added into the run's one "POS" transaction, a line of the same
// account and side merging with the line already there, and each amount is
// rolled up the chart at once. With the on-line ledger on, the sale gets
// its own ledger transaction, posted to the chart. Either way the sale's
// products (quantity and value on hand, last sale date, activity) and its
// open invoices (marked posted) are brought up to date and the sale is
// marked posted (flag 2, register field -1) in the same transaction.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bwps/files.h"
#include "bwps/accounts.h"
#include "bwps/check_register.h"
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
#include "bwps/settings.h"
#include "bwps/stock_cost.h"
#include "bwps/table.h"
#include "extensions/posting/posting_run.h"
#include "extensions/posting/sale_lines.h"
#include "fx.h"

using namespace bwps;

namespace bwps1::posting {
namespace {

constexpr uint16_t kPostedFlag = SALE_POSTED;
using TagTaxStats = TaxRecord;
constexpr char kRunJournal[] = "POS";
constexpr int kLockInUse1 = 84, kLockInUse2 = 85;
constexpr int kBatchSales = 50;
constexpr auto kBatchTime = std::chrono::milliseconds(50);

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

// The state of one pass.
class Pass {
public:
    Pass(const RunRequest& request, RunResult& result) : request_(request), result_(result) {}

    bool Run();

private:
    enum class Outcome { Posted, Skipped, Failed, Stopped };

    bool OpenFiles();
    int CountToDo();
    Outcome PostOne(const char* invoice);
    Outcome LockSale(KeyBuffer& key, TagSalesHdr& sale);
    bool PostLedger(TagSalesHdr& sale);
    bool PostOnline(TagSalesHdr& sale);
    bool EnsureRunHeader(int32_t date);
    bool AddRunLine(TagLedgerDetail line, const TagSalesHdr& sale, CBaseGL::LineKind kind);
    bool DescribeBySale() const;
    bool UpdateLines(const TagSalesHdr& sale);
    bool UpdateProduct(const TagSalesHdr& sale, const TagSalesDetail& line);
    bool UpdateService(const TagSalesHdr& sale, const TagSalesDetail& line);
    bool ItemFailed(const TagSalesHdr& sale, const TagSalesDetail& line);
    bool WriteDetailHistory(const TagSalesHdr& sale, const TagSalesDetail& line,
                            const TagProduct* product, double cost);
    void AddCustomerStatistics(CustomerRecord& customer, const TagSalesHdr& sale, double owing,
                               int slot);
    // The slot of the period arrays: 4 in the next year, else 2.
    int Slot() const { return request_.period.NextYear > 0 ? 4 : 2; }
    bool AddHistory(const TagSalesHdr& sale, const TagSalesDetail& line, double cost);
    bool CreateBankEntry(const TagLedgerDetail& line, TagAccount& account, const TagSalesHdr& sale);
    bool PostOpenInvoices(const TagSalesHdr& sale);
    bool AddTaxStatistics(const TagSalesHdr& sale);
    bool UpdateSaleCustomer(const TagSalesHdr& sale);
    bool Fail(const TagSalesHdr& sale, const std::string& cause);
    bool BeginBatch();
    bool CommitBatch();

    // What the run keeps in memory of the ledger written so far: put back
    // with the writes of a sale or a batch that did not go through.
    struct Memory {
        bool runMade;
        TagGLHeader run;
        int32_t debitCounter, creditCounter;
        std::map<std::string, double> net;
        double unmergedDebits;
        int posted, linesCopied;
    };
    Memory Save() const
    {
        return {runMade_, run_, debitCounter_, creditCounter_, net_, unmergedDebits_,
                result_.posted, result_.linesCopied};
    }
    void Restore(const Memory& m)
    {
        runMade_ = m.runMade;
        run_ = m.run;
        debitCounter_ = m.debitCounter;
        creditCounter_ = m.creditCounter;
        net_ = m.net;
        unmergedDebits_ = m.unmergedDebits;
        result_.posted = m.posted;
        result_.linesCopied = m.linesCopied;
    }

    const RunRequest& request_;
    RunResult& result_;
    Table sales_, walk_, accounts_, journals_, glHeaders_, glLines_, products_, activity_,
        openItems_, productHistory_, serviceHistory_, customerHistory_, taxes_, customers_,
        services_, layaways_, detailHistory_;
    bool online_ = false;
    char costMethod_ = 'A';
    TagGLHeader run_{};
    bool runMade_ = false;
    int32_t debitCounter_ = 0, creditCounter_ = 20000;
    std::map<std::string, double> net_;   // per merged account of the run: debit positive
    double unmergedDebits_ = 0.0;
    CBaseGL gl_;
    // The open batch, the sales it holds, when it began, and the memory of
    // the run at its begin.
    std::unique_ptr<WriteBatch> batch_;
    int batchSales_ = 0;
    std::chrono::steady_clock::time_point batchBegan_;
    Memory batchStart_{};
    // Why the last sale failed, shown once its batch is settled.
    std::string failedInvoice_, failure_;
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
    batchBegan_ = std::chrono::steady_clock::now();
    batchStart_ = Save();
    return true;
}

// Commits the open batch; a batch that cannot be committed is gone whole,
// and the run's memory with it.
bool Pass::CommitBatch()
{
    if (!batch_)
        return true;
    const Status s = batch_->Commit();
    batch_.reset();
    if (!s.Ok()) {
        Restore(batchStart_);
        s.Report();
        return false;
    }
    return true;
}

bool Pass::OpenFiles()
{
    struct {
        Table* table;
        FileNo file;
    } files[] = {
        {&sales_, FileNo::SalesHeader},     {&walk_, FileNo::SalesHeader},
        {&accounts_, FileNo::Accounts},     {&journals_, FileNo::Journals},
        {&glHeaders_, FileNo::LedgerHeader}, {&glLines_, FileNo::LedgerDetail},
        {&products_, FileNo::Products},     {&activity_, FileNo::ProductActivity},
        {&openItems_, FileNo::ReceivablesOpenItems},
        {&productHistory_, FileNo::ProductHistory},
        {&serviceHistory_, FileNo::ServiceHistory},
        {&customerHistory_, FileNo::CustomerStatistics},
        {&taxes_, FileNo::TaxTable},
        {&customers_, FileNo::Customers},
        {&services_, FileNo::Services},
        {&layaways_, FileNo::LayawayHeader},
    };
    for (auto& f : files) {
        const Status s = f.table->Open(f.file);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
    }
    if (GetSystemOption(OPTION_SALES_DETAIL_HISTORY) == 'Y') {
        const Status s = detailHistory_.Open(FileNo::AccountingSalesLines);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
    }
    return walk_.SetKey(2).Ok();
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
    if (!OpenFiles())
        return false;
    online_ = gl_.IsPosOnLine();
    gl_.SetPostRef(request_.reference);
    const int option = GetSystemOption(OPTION_COSTING);
    costMethod_ = option == 'S' || option == 'L' ? static_cast<char>(option) : 'A';

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
            CommitBatch();
            if (!failure_.empty())
                ShowPostingFatalError(failedInvoice_.c_str(), failure_.c_str(), 0);
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
    if (runMade_) {
        std::memcpy(result_.journal, run_.JournalCode, sizeof run_.JournalCode);
        std::memcpy(result_.number, run_.TranNo, sizeof run_.TranNo);
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
        const Memory memory = Save();
        if (!batch_->Undo().Ok() || !CommitBatch())
            return Outcome::Failed;
        Restore(memory);
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
    const Memory before = Save();
    // A sale that does not go through is put back alone, in the files and
    // in the run's memory.
    auto undo = [&] {
        if (batch_->Undo().Ok()) {
            Restore(before);
            return;
        }
        // Not put back alone: the whole batch goes.
        batch_.reset();
        Restore(batchStart_);
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
    // The ledger classes read the sale through handles of their own: the
    // lock stays with the transaction and lets them in.
    sales_.UnlockAll();

    int copied = 0;
    if (sale.FirstLineOffset >= 0 && !CopySaleRegisterLines(sale, &copied)) {
        undo();
        return Outcome::Failed;
    }
    if (sale.Type != 'V') {
        const bool ledger = online_ ? PostOnline(sale) : PostLedger(sale);
        if (!ledger || !UpdateLines(sale) || !PostOpenInvoices(sale) ||
            !AddTaxStatistics(sale) || !UpdateSaleCustomer(sale)) {
            undo();
            return Outcome::Failed;
        }
    }
    sale.Flags |= kPostedFlag;
    sale.FirstLineOffset = -1;
    // Back on the sale's record (other handles have read and written since).
    TagSalesHdr stored;
    Status s = sales_.Get(B_GET_EQUAL, key, stored);
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
    return Outcome::Posted;
}

// The cause is shown once the sale is put back and the batch settled.
bool Pass::Fail(const TagSalesHdr& sale, const std::string& cause)
{
    failedInvoice_ = Text(sale.InvoiceNo, 11);
    failure_ = cause;
    return false;
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

bool Pass::PostLedger(TagSalesHdr& sale)
{
    std::vector<TagLedgerDetail> lines;
    std::vector<CBaseGL::LineKind> kinds;
    if (!gl_.BuildSaleLines(sale, lines, kinds))
        return Fail(sale, gl_.GetErrorStr()[0] != '\0' ? gl_.GetErrorStr()
                                                      : "The sale's ledger lines cannot be built.");
    double debit = 0.0, credit = 0.0;
    for (const TagLedgerDetail& l : lines)
        (l.DebitCredit == 'D' ? debit : credit) += l.Amount;
    if (std::fabs(Round2(debit) - Round2(credit)) >= 0.005) {
        char text[120];
        std::snprintf(text, sizeof text,
                      "The sale's ledger lines do not balance (debits %.2f, credits %.2f).", debit,
                      credit);
        return Fail(sale, text);
    }
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!AddRunLine(lines[i], sale, kinds[i]))
            return false;
    if (!runMade_)
        return true;
    // The run header carries the sum of its debits.
    KeyBuffer key;
    std::memcpy(key.bytes, run_.JournalCode, 18);
    TagGLHeader stored;
    Status s = glHeaders_.Get(B_GET_EQUAL, key, stored);
    if (s.Ok()) {
        stored.DebitTotal = Round2(run_.DebitTotal);
        s = glHeaders_.Update(stored);
    }
    if (!s.Ok()) {
        s.Report();
        return Fail(sale, "Error on updating the run's ledger transaction.");
    }
    return true;
}

bool Pass::EnsureRunHeader(int32_t date)
{
    if (runMade_)
        return true;
    TagPostingStatus block{};
    std::memset(&run_, 0, sizeof run_);
    std::snprintf(run_.JournalCode, sizeof run_.JournalCode, "%-6s", kRunJournal);
    if (DrawJournalNumber(journals_.Handle(), run_.JournalCode, run_.TranNo, &block) != 0) {
        ShowMessage(589, 1);
        return false;
    }
    std::snprintf(run_.Reference, sizeof run_.Reference, "%s", request_.reference);
    run_.TranDate = date;
    run_.StartDate = date;
    run_.Posted = 'Y';   // every line is rolled up the chart as it is written
    run_.Deleted = 'N';
    run_.Reverse = 'N';
    if (InsertGLHeaderRecord(glHeaders_.Handle(), &run_, &block) != 0)
        return false;
    runMade_ = true;
    return true;
}

// Through a date, a store may have its lines described by the sale:
// "POS-" and the customer, then the invoice number, each line on its own.
bool Pass::DescribeBySale() const
{
    const TagSysInterface* iface = GetSysInterfaceRecord();
    return request_.mode == 1 && iface != nullptr && iface->DescribeBySale == 'Y';
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

bool Pass::AddRunLine(TagLedgerDetail line, const TagSalesHdr& sale, CBaseGL::LineKind kind)
{
    const std::string account = Text(line.Account, sizeof line.Account);
    TagAccount record;
    if (!ValidateAccountNo(accounts_.Handle(), line.Account, &record)) {
        char text[120];
        std::snprintf(text, sizeof text, "Error in reading or updating account : %s", account.c_str());
        return Fail(sale, text);
    }
    if (record.Kind != 'D') {
        char text[120];
        std::snprintf(text, sizeof text, "Account %s is not a detail account.", account.c_str());
        return Fail(sale, text);
    }
    if (!EnsureRunHeader(request_.through))
        return Fail(sale, "Error on creating the run's ledger transaction.");
    std::memcpy(line.JournalCode, run_.JournalCode, sizeof line.JournalCode);
    std::memcpy(line.TranNo, run_.TranNo, sizeof line.TranNo);
    line.TranDate = run_.TranDate;
    line.RegisterKey = 0;
    // Lines of an account merge into one, except where each line stands on
    // its own: a cash in or out through a date, and the lines described by
    // the sale.
    using Kind = CBaseGL::LineKind;
    const bool bySale = DescribeBySale();
    std::string description = "POS System Summary";
    bool merge = true;
    if (bySale && (kind == Kind::Detail || kind == Kind::Tax || kind == Kind::Layaway)) {
        description = WithInvoice(SaleText(sale), sale);
        merge = false;
    } else if (bySale && kind == Kind::Other) {
        description = SaleText(sale);
    } else if (kind == Kind::Tax) {
        description = "POS System Summary-Tax";
    } else if (kind == Kind::CashInOut) {
        description = Text(line.Description, sizeof line.Description);
        merge = request_.mode != 1;
    }
    std::snprintf(line.Description, sizeof line.Description, "%-24.24s", description.c_str());
    const char side = line.DebitCredit;
    const double amount = line.Amount;
    TagPostingStatus block{};
    if (AddGLDetailAmount(merge ? 1 : 0, glLines_.Handle(), &debitCounter_, &creditCounter_, &line,
                          &block) != 0)
        return Fail(sale, "Error on inserting general ledger detail line.");
    // The header carries the debits of its lines: the nets of the merged
    // accounts and each debit line standing on its own.
    if (merge)
        net_[account] += side == 'D' ? amount : -amount;
    else if (side == 'D')
        unmergedDebits_ = Round2(unmergedDebits_ + amount);
    run_.DebitTotal = unmergedDebits_;
    for (const auto& [number, net] : net_)
        if (net > 0.0)
            run_.DebitTotal += net;
    if (PostAccountAmount(accounts_.Handle(), account.c_str(), side, request_.period.NextYear,
                          request_.period.Index, amount, nullptr) != 0)
        return Fail(sale, "Error on account posting.");
    // A bank account of an interfaced store gets its register entry here
    // unless the check register keeps it on line.
    if (IsInterfacedToAccounting() && record.CheckRegister == 'Y' && !IsCheckRegisterOnline() &&
        !CreateBankEntry(line, record, sale))
        return Fail(sale, "Error on creating check register entry.");
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

// Each line of the sale brings its item up to date: a product leaves (or,
// returned, comes back to) stock at its cost, with its period sales, cost
// and profit; a service gets its period sales; every line gets its history
// and, when the store keeps it, its sales-detail history record.
bool Pass::UpdateLines(const TagSalesHdr& sale)
{
    for (const TagSalesDetail& line : ReadSaleLines(sale)) {
        if (line.Kind == 'D' || line.Kind == 'M' || line.Kind == 'K' || line.Kind == 'C') {
            if (!WriteDetailHistory(sale, line, nullptr, 0.0) || !AddHistory(sale, line, 0.0))
                return false;
            continue;
        }
        if (line.Kind == 'S') {
            if (!UpdateService(sale, line) || !WriteDetailHistory(sale, line, nullptr, 0.0) ||
                !AddHistory(sale, line, 0.0))
                return false;
            continue;
        }
        if (!UpdateProduct(sale, line))
            return false;
    }
    return true;
}

bool Pass::ItemFailed(const TagSalesHdr& sale, const TagSalesDetail& line)
{
    return Fail(sale, "Error in reading or updating product/service code : " +
                          Text(line.ItemCode, sizeof line.ItemCode));
}

bool Pass::UpdateProduct(const TagSalesHdr& sale, const TagSalesDetail& line)
{
    KeyBuffer key;
    std::memcpy(key.bytes, line.ItemCode, sizeof line.ItemCode);
    TagProduct product;
    Status s = products_.Get(B_GET_EQUAL, key, product);
    if (!s.Ok()) {
        if (!s.Is(B_KEY_NOT_FOUND))
            s.Report();
        return ItemFailed(sale, line);
    }
    // A quantity below 0.001 (none included) is a return.
    const bool out = line.Quantity >= 0.001;
    const double sign = out ? 1.0 : -1.0;
    const double quantity = sign * line.Quantity;   // as positive numbers
    const double amount = sign * line.Extended;
    const int slot = Slot();
    double cost = 0.0;
    product.Runs[0][slot] += sign * quantity;
    product.Runs[2][slot] = Round2(product.Runs[2][slot] + sign * amount);
    if (product.Kind == 1 || product.Kind == 3) {
        const double unit = costMethod_ == 'S'   ? product.Amounts[3]
                            : costMethod_ == 'L' ? product.Amounts[PRODUCT_LAST_COST]
                                                 : product.Amounts[PRODUCT_AVERAGE_COST];
        const StockMove move = MoveStock(product.Amounts[PRODUCT_QUANTITY], product.Amounts[PRODUCT_VALUE],
                                         unit, product.UnitFactor, line.Quantity);
        cost = move.cost;
        product.Amounts[PRODUCT_QUANTITY] = move.quantity;
        product.Amounts[PRODUCT_SECOND_QUANTITY] -= sign * quantity;
        product.Amounts[PRODUCT_VALUE] = move.value;
        product.Runs[3][slot] = Round2(product.Runs[3][slot] + sign * cost);
        product.Runs[5][slot] = Round2(product.Runs[5][slot] + Round2(sign * cost));
    }
    product.Runs[4][slot] = Round2(product.Runs[2][slot] - product.Runs[3][slot]);
    if (out && sale.TranDate > product.LastDate)
        product.LastDate = sale.TranDate;
    s = products_.Update(product);
    if (!s.Ok()) {
        s.Report();
        return ItemFailed(sale, line);
    }
    TagProductActivity a{};
    std::memcpy(a.Code, product.Code, sizeof a.Code);
    a.Source = 'P';
    a.Date = sale.TranDate;
    a.Direction = out ? '5' : '1';
    a.DocumentKind[0] = 'P';
    a.DocumentKind[1] = 'P';
    std::memcpy(a.Document, sale.InvoiceNo, sizeof sale.InvoiceNo);
    a.Quantity = -line.Quantity;
    a.UnitCost = quantity != 0.0 ? cost / quantity : 0.0;
    a.Value = -sign * cost;
    a.Value94 = product.Value272;
    a.UnitFactor = product.UnitFactor;
    if (WriteProductActivity(activity_.Handle(), &product, nullptr, &a) != 0)
        return Fail(sale, "Error on writing the product activity.");
    return WriteDetailHistory(sale, line, &product, cost) && AddHistory(sale, line, sign * cost);
}

// A service's last sale date and its period sales and quantity.
bool Pass::UpdateService(const TagSalesHdr& sale, const TagSalesDetail& line)
{
    KeyBuffer key;
    std::memcpy(key.bytes, line.ItemCode, sizeof line.ItemCode);
    ServiceRecord service;
    Status s = services_.Get(B_GET_EQUAL, key, service);
    if (s.Ok()) {
        const bool out = line.Quantity >= 0.001;
        const int slot = Slot();
        if (out && sale.TranDate > service.LastDate)
            service.LastDate = sale.TranDate;
        service.Amounts[slot] = Round2(service.Amounts[slot] + Round2(line.Extended));
        service.Quantities[slot] += line.Quantity;
        s = services_.Update(service);
    }
    if (!s.Ok()) {
        if (!s.Is(B_KEY_NOT_FOUND))
            s.Report();
        return ItemFailed(sale, line);
    }
    return true;
}

// The sales-detail history record of a line, when the store keeps them.
// A record that cannot be written fails the sale: the next run writes it
// with the sale, so no history is ever dropped.
bool Pass::WriteDetailHistory(const TagSalesHdr& sale, const TagSalesDetail& line,
                              const TagProduct* product, double cost)
{
    if (!detailHistory_.IsOpen() || SaleLayawayInProgress(&sale))
        return true;
    SalesDetailHistoryRecord h{};
    const bool issued = line.Extended > 0.0;
    const double sign = issued ? 1.0 : -1.0;
    h.Kind = issued ? 'I' : 'R';
    std::memcpy(h.InvoiceNo, line.InvoiceNo, sizeof h.InvoiceNo);
    h.LineNo = line.LineNo;
    switch (line.Kind) {
    case 'C': h.ItemType = 4; break;
    case 'S': h.ItemType = 6; break;
    case 'D':
    case 'K': h.ItemType = 5; break;
    case 'M': h.ItemType = 7; break;
    default: h.ItemType = product == nullptr ? 1 : product->Kind == 2 ? 2 : 3; break;
    }
    std::memcpy(h.ItemCode, line.ItemCode, sizeof h.ItemCode);
    std::memcpy(h.Description, line.Description, sizeof h.Description);
    std::memcpy(h.Category, line.Category, sizeof h.Category);
    h.Date = sale.TranDate;
    h.SaleType = sale.Type;
    h.RegisterNumber = sale.RegisterNumber;
    std::memcpy(h.CustomerNo, SaleTypeIs(sale.Type, SALE_TYPE_LAYAWAY) ? sale.LayawayCustomer : sale.CustomerNo,
                sizeof h.CustomerNo);
    std::memcpy(h.TaxCode, sale.TaxCode, sizeof h.TaxCode);
    h.Quantity = sign * line.Quantity;
    h.UnitPrice = line.UnitPrice;
    h.Amount = sign * line.Extended;
    h.Taxable = line.Value112 != 0.0 ? 'Y' : 'N';
    if (product != nullptr && line.Quantity != 0.0) {
        h.UnitCost = cost / std::fabs(line.Quantity);
        h.Cost = cost;
    }
    const Status s = detailHistory_.Insert(h);
    if (!s.Ok()) {
        s.Report();
        return Fail(sale, "Error on writing the sales-detail history of line " +
                              std::to_string(line.LineNo) + ".");
    }
    return true;
}

// The period's amounts of the product (sales and cost), the service
// (sales) and the sale's customer (sales and cost), by year and period.
bool Pass::AddHistory(const TagSalesHdr& sale, const TagSalesDetail& line, double cost)
{
    constexpr int kPeriodsInYear = 13;
    const int period = request_.period.Index;
    const int bucket = period >= kPeriodsInYear ? period - kPeriodsInYear : period;
    if (bucket < 0 || bucket >= kPeriodsInYear)
        return true;
    const int32_t year = FxDateYear(request_.period.FirstDate);
    const double amount = Round2(line.Extended);
    char code[16] = {};
    std::memcpy(code, line.ItemCode, sizeof line.ItemCode);
    bool ok = true;
    if (line.Kind == 'P') {
        TagProductHistory h{};
        h.First[bucket] = amount;
        h.Second[bucket] = Round2(cost);
        ok = AddProductHistory(productHistory_.Handle(), &h, code, year, period, kPeriodsInYear) != 0;
    } else if (line.Kind == 'S') {
        TagServiceHistory h{};
        h.Amounts[bucket] = amount;
        ok = AddServiceHistory(serviceHistory_.Handle(), &h, code, year, period, kPeriodsInYear) != 0;
    }
    if (!ok)
        return Fail(sale, std::string("Error in reading or updating product/service code : ") + code);
    const char* customer =
        SaleTypeIs(sale.Type, SALE_TYPE_LAYAWAY) ? sale.LayawayCustomer : sale.CustomerNo;
    if (customer[0] == '\0' || customer[0] == ' ' || line.Kind == 'D' || line.Kind == 'M' ||
        line.Kind == 'K')
        return true;
    TagCustomerStatistics stats{};
    stats.First[bucket] = amount;
    stats.Second[bucket] = Round2(cost);
    char number[12] = {};
    std::memcpy(number, customer, 11);
    if (AddSaleToCustomerHistory(customerHistory_.Handle(), &stats, number, year, period,
                                 kPeriodsInYear) == 0)
        return Fail(sale, std::string("Error in reading or updating customer code : ") + number);
    return true;
}

// The sale's customer: its balance takes what the sale left owing (a
// payment on account lowers it) and its statistics the sale or payment. A
// layaway in progress only adds what was paid on it to the customer's
// layaway slot; a completed layaway is its customer's, found through the
// layaway.
bool Pass::UpdateSaleCustomer(const TagSalesHdr& sale)
{
    const bool inProgress = SaleLayawayInProgress(&sale);
    const bool completed = SaleTypeIs(sale.Type, SALE_TYPE_LAYAWAY) && !inProgress;
    std::string code = Text(inProgress ? sale.LayawayCustomer : sale.CustomerNo, 11);
    if (code.empty())
        return true;
    const double paid = Round2(sale.Tendered - sale.ChangeGiven);
    const double owing = Round2(sale.InvoiceTotal - paid);
    KeyBuffer key;
    if (completed) {
        std::memcpy(key.bytes, sale.CustomerNo, sizeof sale.CustomerNo);
        LayawayRecord layaway;
        const Status s = layaways_.Get(B_GET_EQUAL, key, layaway);
        if (!s.Ok()) {
            if (!s.Is(B_KEY_NOT_FOUND))
                s.Report();
            return Fail(sale, "Error in reading layaway number : " + code + " ");
        }
        code = Text(layaway.Customer, sizeof layaway.Customer);
        if (code.empty())
            return true;
        key.Clear();
        std::memcpy(key.bytes, layaway.Customer, sizeof layaway.Customer);
    } else {
        std::memcpy(key.bytes, inProgress ? sale.LayawayCustomer : sale.CustomerNo, 11);
    }
    CustomerRecord customer;
    Status s = customers_.Get(B_GET_EQUAL, key, customer);
    if (s.Ok()) {
        const int slot = Slot();
        if (inProgress)
            customer.Layaways[slot] = Round2(customer.Layaways[slot] + sale.Tendered);
        else
            AddCustomerStatistics(customer, sale, owing, slot);
        s = customers_.Update(customer);
    }
    if (!s.Ok()) {
        if (!s.Is(B_KEY_NOT_FOUND))
            s.Report();
        return Fail(sale, "Error in reading or updating customer code : " + code);
    }
    return true;
}

// A receipt counts as a payment; any other sale as a sale (or, of no
// amount, in the second count), with what was paid on it.
void Pass::AddCustomerStatistics(CustomerRecord& customer, const TagSalesHdr& sale, double owing,
                                 int slot)
{
    const double paid = Round2(sale.Tendered - sale.ChangeGiven);
    if (SaleTypeIs(sale.Type, SALE_TYPE_RECEIPT)) {
        if (sale.Tendered != 0.0 || sale.DiscountTaken != 0.0) {
            const double payment = Round2(paid + sale.DiscountTaken);
            customer.Payments[slot] = Round2(customer.Payments[slot] + payment);
            customer.PaymentsTotal = Round2(customer.PaymentsTotal + payment);
            if (sale.TranDate > customer.LastPaymentDate) {
                customer.LastPaymentDate = sale.TranDate;
                customer.LastPaymentAmount = paid;
            }
        }
    } else if (std::fabs(sale.InvoiceTotal) >= 0.001) {
        const double net = Round2(sale.InvoiceTotal - sale.TaxAmount);
        if (sale.TranDate >= customer.LastSaleDate) {
            customer.LastSaleDate = sale.TranDate;
            customer.LastSaleAmount = net;
        }
        ++customer.Invoices[slot];
        customer.Sales[slot] = Round2(customer.Sales[slot] + net);
        customer.Payments[slot] = Round2(customer.Payments[slot] + paid);
    } else {
        ++customer.ZeroInvoices[slot];
    }
    if (owing < 0.0)
        customer.CreditsTotal = Round2(customer.CreditsTotal - owing);
    customer.Balance = Round2(customer.Balance + owing);
}

// The tax code's statistics of the period: the taxable amount and the
// tax. A layaway in progress and a receipt carry no tax.
bool Pass::AddTaxStatistics(const TagSalesHdr& sale)
{
    if (SaleLayawayInProgress(&sale) || SaleTypeIs(sale.Type, SALE_TYPE_RECEIPT))
        return true;
    std::string code = Text(sale.TaxCode, sizeof sale.TaxCode);
    if (code.empty()) {
        const TagSysInterface* iface = GetSysInterfaceRecord();
        if (iface != nullptr)
            code = Text(iface->DefaultTaxCode, sizeof iface->DefaultTaxCode);
    }
    if (code.empty())
        return true;
    const int period = request_.period.Index;
    if (period < 0 || period >= 26)
        return true;
    KeyBuffer key;
    std::memset(key.bytes, ' ', 5);
    std::memcpy(key.bytes, code.data(), std::min<std::size_t>(code.size(), 5));
    TagTaxStats tax;
    Status s = taxes_.Get(B_GET_EQUAL, key, tax);
    if (s.Is(B_KEY_NOT_FOUND)) {   // the code as the sale holds it
        key.Clear();
        std::memcpy(key.bytes, code.data(), std::min<std::size_t>(code.size(), 5));
        s = taxes_.Get(B_GET_EQUAL, key, tax);
    }
    if (s.Is(B_KEY_NOT_FOUND))
        return true;   // no statistics to keep: its tax went to the summary account
    if (s.Ok()) {
        tax.History[0][period] = Round2(tax.History[0][period] + sale.TaxableAmount);
        tax.History[1][period] = Round2(tax.History[1][period] + sale.TaxAmount);
        s = taxes_.Update(tax);
    }
    if (!s.Ok()) {
        s.Report();
        return Fail(sale, "Error in reading billing code : " + code);
    }
    return true;
}

// The sale's open receivable items become posted, their headers kept in
// step.
bool Pass::PostOpenInvoices(const TagSalesHdr& sale)
{
    if (sale.CustomerNo[0] == '\0' || sale.CustomerNo[0] == ' ')
        return true;
    BwOIHeader header(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(openItems_.Handle()));
    if (!header.Init())
        return Fail(sale, "Error on opening the open invoices.");
    OpenInvoiceStatusKey start{'O', {}, {}};
    std::memcpy(start.Customer, sale.CustomerNo, sizeof start.Customer);
    std::memcpy(start.Invoice, sale.InvoiceNo, sizeof start.Invoice);
    Status s = openItems_.SetKey(2);
    for (;;) {
        KeyBuffer key;
        key.Set(start);
        TagOpenInvoice item;
        s = openItems_.Get(B_GET_GE, key, item);
        if (!s.Ok() || item.Status != 'O' ||
            std::memcmp(item.Customer, sale.CustomerNo, sizeof item.Customer) != 0 ||
            std::memcmp(item.Invoice, sale.InvoiceNo, sizeof item.Invoice) != 0)
            break;
        if (!header.SaveDtlBeforeModification(item, false))
            return Fail(sale, "Error on updating an open invoice.");
        item.Precedence = BwOIHeader::GetPrecedence(bwps::No(bwps::FileNo::ReceivablesOpenItems), item.Type2);
        if (item.Type == 'I')
            item.Double70 = sale.TotalCost;
        item.Status = 'P';
        s = openItems_.Update(item);
        if (!s.Ok()) {
            s.Report();
            return Fail(sale, "Error on updating an open invoice.");
        }
        if (!header.UpdateDtlModification(item))
            return Fail(sale, "Error on updating an open invoice header.");
    }
    openItems_.SetKey(0);
    if (!s.Ok() && !s.NotFound()) {
        s.Report();
        return Fail(sale, "Error on reading the open invoices.");
    }
    return true;
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
