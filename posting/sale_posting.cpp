// Posting one stored sale to the ledger: CBaseGL::UpdateFromSalesTran and
// the steps it takes (sales and returns by group, cost of goods, taxes,
// payments by tender account, receivables, layaway prepayments, cash in
// and out, discount taken and one balancing line).

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/stock_cost.h"
#include "bwps/accounts.h"
#include "bwps/ledger.h"
#include "bwps/messages.h"
#include "bwps/options.h"
#include "bwps/settings.h"
#include "posting/ledger_internal.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

// Offsets of the default accounts in "0Interface     " and
// "0sysinterface  ".
constexpr int kTenderAccount = 0;       // 17
constexpr int kBalancingAccount = 1;    // 28
constexpr int kInventoryAccount = 3;    // 50
constexpr int kCostAccount = 4;         // 61
constexpr int kSalesAccount = 5;        // 72
constexpr int kReturnsAccount = 6;      // 83
constexpr int kDiscountAccount = 8;     // 105
constexpr int kLayawayAccount = 1;      // 263 of "0sysinterface  "
constexpr int kLayawaySalesAccount = 2; // 274
constexpr int kSummaryTaxAccount = 3;   // 285
constexpr int kBankModeOffset = 29;     // "0System        ": 'D' or 'S'
constexpr double kLargestAmount = 1e12;
constexpr const char* kBuiltInTaxAccount = "21042";

enum { kSales = 0, kReturns = 1, kCost = 2, kBilling = 3 };

bool Completed(const TagSalesHdr& sale)
{
    return (sale.Flags & SALE_LAYAWAY_COMPLETED) != 0;
}
double Round2(double value)
{
    return FxRound(value, 2);
}
bool IsZero(double value)
{
    return FxIsZeroAmount(&value) != 0;
}
bool Usable(double value)
{
    return std::isfinite(value) && std::fabs(value) < kLargestAmount;
}

#pragma pack(push, 1)
struct TaxEntry {               // 19 bytes
    char Account[11];
    double Amount;
};
struct PaymentEntry {           // 29 bytes
    char Account[11];
    double Amount;
    uint8_t Flags;              // 1 positive, 2 bank account
    char Number[9];
};
#pragma pack(pop)
static_assert(sizeof(TaxEntry) == 19 && sizeof(PaymentEntry) == 29);
constexpr uint8_t kPositive = 1;
constexpr uint8_t kBank = 2;

template <class Entry>
Entry* FindEntry(FxList* list, const char* account)
{
    for (FxListNode* node = list->first; node != nullptr; node = node->next) {
        auto* entry = static_cast<Entry*>(node->data);
        if (FieldText(entry->Account, 11) == FieldText(account, 11))
            return entry;
    }
    return nullptr;
}

std::string Cut(std::string text, std::size_t width)
{
    return text.size() > width ? text.substr(0, width) : text;
}

// A framework list that frees its entries on every exit.
struct ScopedList {
    FxList list{};
    ScopedList() { FxListInit(&list); }
    ~ScopedList() { FxListClear(&list); }
    ScopedList(const ScopedList&) = delete;
    ScopedList& operator=(const ScopedList&) = delete;
};

}  // namespace

// Receivable entries of one sale, summed by account.
class CBaseGLAr {
public:
    CBaseGLAr() : account_{}, amount_(0.0) { FxListInit(&list_); }
    virtual ~CBaseGLAr() { FxListClear(&list_); }
    CBaseGLAr(const CBaseGLAr&) = delete;
    CBaseGLAr& operator=(const CBaseGLAr&) = delete;

    bool Add(const char* account, double amount)
    {
        CopyText(account_, sizeof account_, account);
        amount_ = amount;
        if (TaxEntry* entry = FindEntry<TaxEntry>(&list_, account_)) {
            entry->Amount += amount;
            return true;
        }
        TaxEntry entry{};
        std::memcpy(entry.Account, account_, sizeof entry.Account);
        entry.Amount = amount;
        if (FxListAdd(&list_, &entry, sizeof entry) == nullptr) {
            ShowMessage(1, MESSAGE_DEFAULT_CONTEXT);
            return false;
        }
        return true;
    }
    FxList* List() { return &list_; }

private:
    char account_[11];
    double amount_;
    FxList list_;
};

// ---- Descriptions and errors

std::string CBaseGL::SaleDescription(const TagSalesHdr& sale) const
{
    std::string name = TrimmedField(sale.CustomerName, sizeof sale.CustomerName);
    if (name.empty())
        name = "Walk-in ";
    return Cut(Cut(name, 13) + "-" + FieldText(sale.InvoiceNo, sizeof sale.InvoiceNo), 24);
}

void CBaseGL::SaleError(const TagSalesHdr& sale, const char* cause)
{
    error_ = GL_ERROR_SALE;
    std::snprintf(errorText_, sizeof errorText_, "Sale %s: %s",
                  TrimmedField(sale.InvoiceNo, sizeof sale.InvoiceNo).c_str(), cause);
}

// ---- The ledger line of one amount

bool CBaseGL::UpdateGenLedger(char side, const char* description, const char* account,
                              double amount)
{
    if (IsZero(amount))
        return true;
    std::memset(&detail_, 0, sizeof detail_);
    std::memcpy(detail_.JournalCode, header_.JournalCode, sizeof detail_.JournalCode);
    std::memcpy(detail_.TranNo, header_.TranNo, sizeof detail_.TranNo);
    PadText(detail_.Description, sizeof detail_.Description, Cut(description, 24).c_str());
    CopyText(detail_.Account, sizeof detail_.Account, account);
    if (amount < -0.001)
        side = side == 'D' ? 'C' : 'D';
    detail_.DebitCredit = side;
    detail_.Amount = std::fabs(amount);
    detail_.TranDate = header_.TranDate;
    TagAccount record;
    if (!ValidateAccountNo(AcctHdl(), detail_.Account, &record)) {
        if (IsInterfacedToAccounting()) {
            error_ = GL_ERROR_ACCOUNT;
            CopyText(errorText_, sizeof errorText_, FieldText(detail_.Account, 11).c_str());
            return false;
        }
    } else if (record.Kind != 'D') {
        error_ = GL_ERROR_ACCOUNT;
        CopyText(errorText_, sizeof errorText_, FieldText(detail_.Account, 11).c_str());
        return false;
    }
    if (!InsertDetail())
        return false;
    if (lineKinds_ != nullptr)
        lineKinds_->push_back(lineKind_);
    detailLines_ = true;
    return true;
}

// ---- The sale

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
    lineKind_ = LineKind::Summary;
    const bool ok = SalesTransaction(sale);
    lineKinds_ = nullptr;
    if (ok)
        for (FxListNode* node = lines_.first; node != nullptr; node = node->next)
            lines.push_back(*static_cast<const TagLedgerDetail*>(node->data));
    kinds.resize(lines.size(), LineKind::Summary);
    EndTran();
    return ok;
}

// Amounts that cannot be posted (not a number, or beyond any till) stop
// the sale before anything is built.
bool CBaseGL::CheckSale(const TagSalesHdr& sale)
{
    for (double amount : {sale.CashAmount, sale.TaxAmount, sale.InvoiceTotal, sale.Tendered,
                          sale.ChangeGiven, sale.TenderAmount1, sale.TenderAmount2,
                          sale.DiscountTaken}) {
        if (!Usable(amount)) {
            SaleError(sale, "an amount of the sale is not a number or too large");
            return false;
        }
    }
    return true;
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

bool CBaseGL::SalesTransaction(TagSalesHdr& sale)
{
    net_ = 0.0;
    costTotal_ = 0.0;
    saleStock_.clear();
    recordsFound_ = false;
    detailLines_ = false;
    if (!CheckSale(sale))
        return false;
    if (!SalesInitGLHeader(sale.InvoiceNo, sale.TranDate))
        return false;
    lineKind_ = LineKind::Detail;
    if (!PostDetailRecords(sale))
        return false;
    lineKind_ = LineKind::Summary;
    if (!PostHeaderRecords(sale) || !PostPosFinal())
        return false;
    if (!detailLines_)
        return UpdateZeroEntry();
    return true;
}

bool CBaseGL::UpdateZeroEntry()
{
    for (char side : {'D', 'C'}) {
        std::memset(&detail_, 0, sizeof detail_);
        std::memcpy(detail_.JournalCode, header_.JournalCode, sizeof detail_.JournalCode);
        CopyText(detail_.Account, sizeof detail_.Account, interface_.Accounts[kBalancingAccount]);
        PadText(detail_.Description, sizeof detail_.Description,
                Cut(SaleDescription(*sales_.GetHdrPtr()), 24).c_str());
        detail_.DebitCredit = side;
        detail_.Amount = 0.0;
        detail_.TranDate = header_.TranDate;
        if (!InsertDetail())
            return false;
    }
    return true;
}

// ---- Lines of the sale

bool CBaseGL::PostDetailRecords(TagSalesHdr& sale)
{
    if (!sales_.InitDtlIndex(static_cast<short>(salesDtl_)))
        return false;
    // The options copy is refreshed from the system options record first.
    TagSystemPref options;
    ReadSystemRecord(0, &options);
    const char costMethod = static_cast<char>(GetSystemOption(OPTION_COSTING));
    const bool oneSet = interface_.Flag == 'N';
    const bool skipAll = SaleTypeIs(sale.Type, SALE_TYPE_RECEIPT) || SaleTypeIs(sale.Type, SALE_TYPE_CASH_IN_OUT);
    const bool keepCompleted = SaleTypeIs(sale.Type, SALE_TYPE_LAYAWAY) && Completed(sale) && oneSet;
    const int saleType = static_cast<unsigned char>(sale.Type);

    double amounts[4] = {};
    std::vector<TagSalesDetail> kept;
    bool first = true;
    char kind = 0;
    char item[15] = {}, category[6] = {};
    for (bool more = sales_.GetFirst(); more; more = sales_.GetNext()) {
        TagSalesDetail& line = *sales_.GetDtlPtr();
        const char k = line.Kind;
        if (k != 'P' && k != 'S' && k != 'C' && k != 'D' && k != 'M' && k != 'K') {
            SaleError(sale, "a line of an unknown kind");
            return false;
        }
        if (!Usable(line.Extended) || !Usable(line.Cost) || !Usable(line.Quantity)) {
            SaleError(sale, "a line amount is not a number or too large");
            return false;
        }
        if (skipAll)
            continue;
        if (keepCompleted) {
            kept.push_back(line);
            continue;
        }
        recordsFound_ = true;
        if (!first) {
            bool ends;
            if (k == 'C' || kind == 'C')
                ends = FieldText(line.ItemCode, 15) != FieldText(item, 15) || k != kind;
            else
                ends = !oneSet && FieldText(line.Category, 6) != FieldText(category, 6);
            if (ends) {
                if (!CreateGLEntry(kind, item, category, amounts, sale, saleType))
                    return false;
                std::memset(amounts, 0, sizeof amounts);
            }
        }
        first = false;
        kind = k;
        std::memcpy(item, line.ItemCode, sizeof item);
        std::memcpy(category, line.Category, sizeof category);
        if (!UpdateInventory(costMethod, amounts, line))
            return false;
        if (k == 'D' || k == 'M' || k == 'K')
            continue;
        if (k == 'C')
            amounts[kBilling] = Round2(amounts[kBilling] + line.Extended);
        else if (line.Extended <= 0.001)
            amounts[kReturns] = Round2(amounts[kReturns] - line.Extended);
        else
            amounts[kSales] = Round2(amounts[kSales] + line.Extended);
    }
    if (recordsFound_ && !first && !CreateGLEntry(kind, item, category, amounts, sale, saleType))
        return false;
    if (!kept.empty()) {
        std::memset(amounts, 0, sizeof amounts);
        for (TagSalesDetail& line : kept) {
            if (!UpdateInventory(costMethod, amounts, line))
                return false;
            if (line.Kind == 'D' || line.Kind == 'M' || line.Kind == 'K')
                continue;
            if (line.Kind == 'C')
                amounts[kBilling] = Round2(amounts[kBilling] + line.Extended);
            else if (line.Extended <= 0.001)
                amounts[kReturns] = Round2(amounts[kReturns] - line.Extended);
            else
                amounts[kSales] = Round2(amounts[kSales] + line.Extended);
        }
        const char blankItem[15] = {}, blankCategory[6] = {};
        if (!CreateGLEntry('P', blankItem, blankCategory, amounts, sale, SALE_TYPE_LAYAWAY))
            return false;
    }
    return true;
}

bool CBaseGL::CreateGLEntry(char kind, const char* item, const char* category, double* amounts,
                            TagSalesHdr& sale, int saleType)
{
    const std::string description = SaleDescription(sale);
    if (kind == 'C') {
        Table codes;
        codes.Borrow(FileNo::BillingCodes, CodesHdl());
        KeyBuffer key;
        PadText(reinterpret_cast<char*>(key.bytes), 6, Trim(FieldText(item, 15)).c_str());
        BillingCodeRecord code;
        Status s = codes.Get(B_GET_EQUAL, key, code);
        if (!s.Ok()) {
            if (!s.Is(B_KEY_NOT_FOUND))
                s.Report(1, 0);
            SaleError(sale, "a billing code that does not exist");
            return false;
        }
        std::string account = FieldText(code.Account, sizeof code.Account);
        if (!IsInterfacedToAccounting() && Trim(account).empty())
            account = FieldText(interface_.Accounts[kSalesAccount], 11);
        if (!UpdateGenLedger('C', description.c_str(), account.c_str(), amounts[kBilling]))
            return false;
        net_ = Round2(net_ + amounts[kBilling]);
        return true;
    }
    char salesAccount[11], returnsAccount[11], costAccount[11];
    if (interface_.Flag == 'N') {
        const TagSysInterface* sys = reinterpret_cast<const TagSysInterface*>(sysInterface_);
        if (SaleTypeIs(static_cast<char>(saleType), SALE_TYPE_LAYAWAY) &&
            !IsEmptyText(sys->Accounts[kLayawaySalesAccount], 11))
            CopyText(salesAccount, sizeof salesAccount, sys->Accounts[kLayawaySalesAccount]);
        else
            CopyText(salesAccount, sizeof salesAccount, interface_.Accounts[kSalesAccount]);
        CopyText(returnsAccount, sizeof returnsAccount, interface_.Accounts[kReturnsAccount]);
        CopyText(costAccount, sizeof costAccount, interface_.Accounts[kCostAccount]);
    } else {
        BuildAccountNo(salesAccount, interface_.Accounts[kSalesAccount], category);
        BuildAccountNo(returnsAccount, interface_.Accounts[kReturnsAccount], category);
        BuildAccountNo(costAccount, interface_.Accounts[kCostAccount], category);
    }
    if (!UpdateGenLedger('C', description.c_str(), salesAccount, amounts[kSales]) ||
        !UpdateGenLedger('D', description.c_str(), returnsAccount, amounts[kReturns]) ||
        !UpdateGenLedger('D', description.c_str(), costAccount, amounts[kCost]))
        return false;
    net_ = Round2(net_ + amounts[kSales]);
    net_ = Round2(net_ - amounts[kReturns]);
    net_ = Round2(net_ + amounts[kCost]);
    if (!IsZero(amounts[kCost])) {
        costTotal_ = Round2(costTotal_ + amounts[kCost]);
        net_ = Round2(net_ - amounts[kCost]);
    }
    return true;
}

bool CBaseGL::UpdateInventory(char costMethod, double* amounts, TagSalesDetail& line)
{
    const char k = line.Kind;
    if (k == 'D' || k == 'M' || k == 'K' || k == 'C' || k == 'S')
        return true;
    Table products;
    products.Borrow(FileNo::Products, handles_[5]);
    KeyBuffer key;
    std::memcpy(key.bytes, line.ItemCode, sizeof line.ItemCode);
    ProductRecord product;
    Status s = products.Get(B_GET_EQUAL, key, product);
    if (!s.Ok()) {
        if (!s.Is(B_KEY_NOT_FOUND))
            s.Report(1, 0);
        SaleError(*sales_.GetHdrPtr(), "a product that does not exist");
        return false;
    }
    if (k == 'P' && (product.Kind == 1 || product.Kind == 3)) {
        const double unit = costMethod == 'S'   ? product.Amounts[PRODUCT_STANDARD_COST]
                            : costMethod == 'L' ? product.Amounts[PRODUCT_LAST_COST]
                                                : product.Amounts[PRODUCT_AVERAGE_COST];
        if (!Usable(unit)) {
            SaleError(*sales_.GetHdrPtr(), "a product cost is not a number or too large");
            return false;
        }
        // The stock as the sale's earlier lines left it.
        const std::string code(line.ItemCode, strnlen(line.ItemCode, sizeof line.ItemCode));
        const double onHand = product.Amounts[PRODUCT_QUANTITY], value = product.Amounts[PRODUCT_VALUE];
        auto stock = saleStock_.try_emplace(code, onHand, value).first;
        const StockMove move = MoveStock(stock->second.first, stock->second.second, unit, product.UnitFactor,
                                         line.Quantity);
        stock->second = {move.quantity, move.value};
        savedCost_ = move.cost;
        updateDetail_ = true;
        amounts[kCost] = Round2(amounts[kCost] + (move.out ? move.cost : -move.cost));
    }
    return true;
}

// ---- Amounts of the header

bool CBaseGL::PostHeaderRecords(TagSalesHdr& sale)
{
    CBaseGLAr ar;
    ScopedList payments, taxes;
    {
        Table sales;
        sales.Borrow(FileNo::SalesHeader, salesHdr_);
        KeyBuffer key;
        std::memcpy(key.bytes, sale.InvoiceNo, sizeof sale.InvoiceNo);
        TagSalesHdr again;
        Status s = sales.Get(B_GET_EQUAL, key, again);
        if (!s.Ok()) {
            ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::SalesHeader), 0);
            return false;
        }
    }
    double layDebit = 0.0, layCredit = 0.0, layFinal = 0.0, paymentTotal = 0.0, taxTotal = 0.0,
           discount = 0.0;
    if (sale.Type != SALE_TYPE_VOID) {
        recordsFound_ = true;
        if (SaleLayawayInProgress(&sale)) {
            const double paid = Round2(sale.Tendered - sale.ChangeGiven);
            if (paid >= 0.01)
                layCredit = paid;
            else
                layDebit = std::fabs(paid);
        }
        if (SaleTypeIs(sale.Type, SALE_TYPE_CASH_IN_OUT)) {
            lineKind_ = LineKind::CashInOut;
            const bool written = UpdateCashOutTrans(sale);
            lineKind_ = LineKind::Summary;
            if (!written)
                return false;
        } else {
            char account[11] = {};
            double amount = 0.0;
            if (!UpdateCustomer(sale, layFinal, account, amount))
                return false;
            if (!IsZero(amount)) {
                if (!ar.Add(account, amount))
                    return false;
                net_ = Round2(net_ - amount);
            }
        }
        if (!AccumulatePayments(&payments.list, sale, paymentTotal))
            return false;
        if (!SaleTypeIs(sale.Type, SALE_TYPE_CASH_IN_OUT) &&
            !AccumulateTaxes(&taxes.list, sale, taxTotal))
            return false;
        if (SaleTypeIs(sale.Type, SALE_TYPE_RECEIPT))
            discount = sale.DiscountTaken;
    }
    // Each step's lines are marked with their kind.
    const auto as = [this](LineKind kind, auto step) {
        lineKind_ = kind;
        const bool written = step();
        lineKind_ = LineKind::Summary;
        return written;
    };
    if (!as(LineKind::Layaway, [&] { return CreateGLLayEntry(layDebit, 'D', sale, false); }) ||
        !as(LineKind::Layaway, [&] { return CreateGLLayEntry(layCredit, 'C', sale, false); }) ||
        !ProcessPayments(paymentTotal, sale, &payments.list) || !ProcessArEntries(ar) ||
        !as(LineKind::Other, [&] { return ProcessDiscTaken(discount); }) ||
        !as(LineKind::Tax, [&] { return ProcessTaxes(taxTotal, &taxes.list); }))
        return false;
    as(LineKind::Layaway, [&] { return CreateLayawayFinalEntry(layFinal); });
    return true;
}

bool CBaseGL::UpdateCashOutTrans(const TagSalesHdr& sale)
{
    net_ = Round2(net_ - sale.CashAmount);
    std::string description = TrimmedField(sale.CashDescription, sizeof sale.CashDescription) +
                              " - " + (FxIsNegativeAmount(sale.CashAmount) ? "CASH IN" : "CASH OUT");
    return UpdateGenLedger('D', Cut(description, 24).c_str(),
                           FieldText(sale.Tender2, sizeof sale.Tender2).c_str(), sale.CashAmount);
}

bool CBaseGL::UpdateCustomer(const TagSalesHdr& sale, double& layawayFinal, char* account,
                             double& amount)
{
    amount = 0.0;
    std::memset(account, 0, 11);
    if (IsEmptyText(sale.CustomerNo, sizeof sale.CustomerNo))
        return true;
    const double paid = Round2(sale.Tendered - sale.ChangeGiven);
    char customer[11];
    if (SaleLayawayInProgress(&sale)) {
        CopyText(customer, sizeof customer, sale.LayawayCustomer);
    } else if (SaleTypeIs(sale.Type, SALE_TYPE_LAYAWAY)) {
        Table layaways;
        layaways.Borrow(FileNo::LayawayHeader, LayHdl());
        KeyBuffer key;
        std::memcpy(key.bytes, sale.CustomerNo, sizeof sale.CustomerNo);
        LayawayRecord layaway;
        Status s = layaways.Get(B_GET_EQUAL, key, layaway);
        if (!s.Ok()) {
            if (!s.Is(B_KEY_NOT_FOUND))
                s.Report(1, 0);
            SaleError(sale, "the layaway does not exist");
            return false;
        }
        CopyText(customer, sizeof customer, layaway.Customer);
        amount = Round2(sale.InvoiceTotal - paid);
        layawayFinal = Round2(layawayFinal + layaway.Prepayments - paid);
    } else {
        CopyText(customer, sizeof customer, sale.CustomerNo);
        amount = Round2(sale.InvoiceTotal - paid);
    }
    if (IsEmptyText(customer, sizeof customer))
        return true;
    Table customers;
    customers.Borrow(FileNo::Customers, cust_);
    KeyBuffer key;
    std::memcpy(key.bytes, customer, sizeof customer);
    CustomerRecord record;
    Status s = customers.Get(B_GET_EQUAL, key, record);
    if (!s.Ok()) {
        if (!s.Is(B_KEY_NOT_FOUND))
            s.Report(1, 0);
        SaleError(sale, "the customer does not exist");
        return false;
    }
    CopyText(account, 11, record.Account);
    return true;
}

bool CBaseGL::AccumulatePayments(FxList* list, const TagSalesHdr& sale, double& total)
{
    const char bankMode = static_cast<char>(system_[kBankModeOffset]);
    const int tenders = SaleTypeIs(sale.Type, SALE_TYPE_CASH_IN_OUT) ? 1 : 2;
    const char* codes[2] = {sale.Tender1, sale.Tender2};
    const double amounts[2] = {sale.TenderAmount1, sale.TenderAmount2};
    for (int i = 0; i < tenders; ++i) {
        if (IsZero(amounts[i]))
            continue;
        char account[11] = {};
        Table tenderTable;
        tenderTable.Borrow(FileNo::Tenders, TenderHdl());
        KeyBuffer key;
        PadText(reinterpret_cast<char*>(key.bytes), 11, TrimRight(FieldText(codes[i], 11)).c_str());
        TenderRecord tender;
        Status s = tenderTable.Get(B_GET_EQUAL, key, tender);
        if (s.Ok())
            CopyText(account, sizeof account, tender.Account);
        else if (!s.Is(B_KEY_NOT_FOUND))
            s.Report(1, 0);
        if (IsEmptyText(account, sizeof account))
            CopyText(account, sizeof account, interface_.Accounts[kTenderAccount]);
        TagAccount record;
        const bool found = ValidateAccountNo(AcctHdl(), account, &record) != 0;
        const bool bank = found && record.CheckRegister == 'Y' && IsInterfacedToAccounting();
        if (!found) {
            error_ = GL_ERROR_ACCOUNT;
            CopyText(errorText_, sizeof errorText_, FieldText(account, 11).c_str());
        }
        char number[9] = {};
        if (bank) {
            std::snprintf(number, sizeof number, "%d", record.NextNumber);
            if (bankMode == 'D') {
                net_ = Round2(net_ - amounts[i]);
                std::string name = TrimmedField(sale.CustomerName, sizeof sale.CustomerName);
                if (name.empty())
                    name = "Walk-in ";
                const std::string tail =
                    " - " + (sale.InvoiceTotal < 0 ? FieldText(sale.InvoiceNo, 11)
                                                   : std::string(number));
                const std::size_t room = tail.size() < 24 ? 24 - tail.size() : 0;
                if (!UpdateGenLedger('D', (Cut(name, room) + tail).c_str(), account, amounts[i])) {
                    total = Round2(total + sale.TenderAmount1 + sale.TenderAmount2);
                    return false;
                }
            }
        }
        PaymentEntry* entry = FindEntry<PaymentEntry>(list, account);
        if (entry == nullptr) {
            PaymentEntry fresh{};
            std::memcpy(fresh.Account, account, sizeof fresh.Account);
            entry = static_cast<PaymentEntry*>(FxListAdd(list, &fresh, sizeof fresh));
            if (entry == nullptr) {
                ShowMessage(1, MESSAGE_DEFAULT_CONTEXT);
                return false;
            }
        }
        entry->Amount = Round2(entry->Amount + amounts[i]);
        if (amounts[i] >= 0.001)
            entry->Flags |= kPositive;
        if (bank) {
            entry->Flags |= kBank;
            std::memcpy(entry->Number, number, sizeof entry->Number);
        }
    }
    return true;
}

bool CBaseGL::ProcessPayments(double total, const TagSalesHdr& sale, FxList* list)
{
    const char bankMode = static_cast<char>(system_[kBankModeOffset]);
    std::string customer = SaleLayawayInProgress(&sale)
                               ? TrimmedField(sale.LayawayCustomer, sizeof sale.LayawayCustomer)
                               : TrimmedField(sale.CustomerNo, sizeof sale.CustomerNo);
    if (customer.empty())
        customer = "Walk-in";
    for (FxListNode* node = list->first; node != nullptr; node = node->next) {
        const auto* entry = static_cast<const PaymentEntry*>(node->data);
        if (IsZero(entry->Amount) || ((entry->Flags & kBank) != 0 && bankMode != 'S'))
            continue;
        std::string description = TrimmedField(entry->Account, 11) + ": " + customer;
        const std::string number = TrimmedField(entry->Number, sizeof entry->Number);
        if (!number.empty())
            description += "/" + number;
        if (!UpdateGenLedger('D', Cut(description, 24).c_str(), entry->Account, entry->Amount))
            return false;
        net_ = Round2(net_ - entry->Amount);
    }
    if (!IsZero(total)) {
        if (!UpdateGenLedger('D', SaleDescription(sale).c_str(),
                             interface_.Accounts[kTenderAccount], total))
            return false;
        net_ = Round2(net_ - total);
    }
    return true;
}

bool CBaseGL::AccumulateTaxes(FxList* list, const TagSalesHdr& sale, double& total)
{
    if (SaleTypeIs(sale.Type, SALE_TYPE_RECEIPT) || SaleLayawayInProgress(&sale))
        return true;
    std::string code = TrimRight(FieldText(sale.TaxCode, sizeof sale.TaxCode));
    if (Trim(code).empty())
        code = TrimRight(FieldText(
            reinterpret_cast<const TagSysInterface*>(sysInterface_)->DefaultTaxCode, 6));
    if (Trim(code).empty()) {
        total = Round2(total + sale.TaxAmount);
        return true;
    }
    Table taxTable;
    taxTable.Borrow(FileNo::TaxTable, TaxHdl());
    KeyBuffer key;
    PadText(reinterpret_cast<char*>(key.bytes), 6, code.c_str());
    TaxRecord tax;
    Status s = taxTable.Get(B_GET_EQUAL, key, tax);
    if (s.Is(B_KEY_NOT_FOUND)) {
        // a code not on file posts its tax as a blank one does
        total = Round2(total + sale.TaxAmount);
        return true;
    }
    if (!s.Ok()) {
        s.Report(1, 0);
        SaleError(sale, ("the tax code " + Trim(code) + " cannot be read").c_str());
        return false;
    }
    if (!(tax.TotalRate > 0.001f))
        return true;
    int last = -1;
    for (int i = 0; i < 8; ++i)
        if (!IsEmptyText(tax.Entries[i].Account, 11))
            last = i;
    double given = 0.0;
    for (int i = 0; i <= last; ++i) {
        if (IsEmptyText(tax.Entries[i].Account, 11))
            continue;
        double share;
        if (i == last) {
            share = Round2(sale.TaxAmount - given);
        } else {
            const float part = tax.Entries[i].Rate / tax.TotalRate * static_cast<float>(sale.TaxAmount);
            share = Round2(part);
        }
        given = Round2(given + share);
        TaxEntry* entry = FindEntry<TaxEntry>(list, tax.Entries[i].Account);
        if (entry == nullptr) {
            TaxEntry fresh{};
            std::memcpy(fresh.Account, tax.Entries[i].Account, sizeof fresh.Account);
            entry = static_cast<TaxEntry*>(FxListAdd(list, &fresh, sizeof fresh));
            if (entry == nullptr) {
                ShowMessage(1, MESSAGE_DEFAULT_CONTEXT);
                return false;
            }
        }
        entry->Amount = Round2(entry->Amount + share);
    }
    return true;
}

bool CBaseGL::ProcessTaxes(double total, FxList* list)
{
    const std::string description = SaleDescription(*sales_.GetHdrPtr());
    for (FxListNode* node = list->first; node != nullptr; node = node->next) {
        const auto* entry = static_cast<const TaxEntry*>(node->data);
        if (IsZero(entry->Amount))
            continue;
        if (!UpdateGenLedger('C', description.c_str(), entry->Account, entry->Amount))
            return false;
        net_ = Round2(net_ + entry->Amount);
    }
    if (!IsZero(total)) {
        net_ = Round2(net_ + total);
        const TagSysInterface* sys = reinterpret_cast<const TagSysInterface*>(sysInterface_);
        const std::string account = IsInterfacedToAccounting()
                                        ? FieldText(sys->Accounts[kSummaryTaxAccount], 11)
                                        : std::string(kBuiltInTaxAccount);
        if (!UpdateGenLedger('C', "POS System Summary-Tax", account.c_str(), total))
            return false;
    }
    return true;
}

bool CBaseGL::ProcessArEntries(CBaseGLAr& ar)
{
    const std::string description = SaleDescription(*sales_.GetHdrPtr());
    for (FxListNode* node = ar.List()->first; node != nullptr; node = node->next) {
        const auto* entry = static_cast<const TaxEntry*>(node->data);
        if (IsZero(entry->Amount))
            continue;
        const char* account = IsEmptyText(entry->Account, 11)
                                  ? interface_.Accounts[kBalancingAccount]
                                  : entry->Account;
        if (!UpdateGenLedger('D', description.c_str(), account, Round2(entry->Amount)))
            return false;
    }
    return true;
}

bool CBaseGL::ProcessDiscTaken(double amount)
{
    if (IsZero(amount))
        return true;
    if (!UpdateGenLedger('D', SaleDescription(*sales_.GetHdrPtr()).c_str(),
                         interface_.Accounts[kDiscountAccount], amount))
        return false;
    net_ = Round2(net_ - amount);
    return true;
}

bool CBaseGL::CreateGLLayEntry(double amount, char side, const TagSalesHdr& sale,
                               bool tenderAccount)
{
    if (IsZero(amount))
        return true;
    const TagSysInterface* sys = reinterpret_cast<const TagSysInterface*>(sysInterface_);
    const char* account =
        tenderAccount ? interface_.Accounts[kTenderAccount] : sys->Accounts[kLayawayAccount];
    if (amount <= -0.001) {
        amount = -amount;
        side = side == 'D' ? 'C' : 'D';
    }
    if (!UpdateGenLedger(side, SaleDescription(sale).c_str(), account, amount))
        return false;
    net_ = Round2(side == 'D' ? net_ - amount : net_ + amount);
    return true;
}

bool CBaseGL::CreateLayawayFinalEntry(double amount)
{
    if (IsZero(amount))
        return true;
    net_ = Round2(net_ - amount);
    const TagSysInterface* sys = reinterpret_cast<const TagSysInterface*>(sysInterface_);
    return UpdateGenLedger('D', "POS Completed Layaway", sys->Accounts[kLayawayAccount], amount);
}

bool CBaseGL::PostPosFinal()
{
    const std::string description = SaleDescription(*sales_.GetHdrPtr());
    if (!IsZero(costTotal_) &&
        !UpdateGenLedger('C', description.c_str(), interface_.Accounts[kInventoryAccount],
                         costTotal_))
        return false;
    if (!IsZero(net_) &&
        !UpdateGenLedger('D', description.c_str(), interface_.Accounts[kBalancingAccount], net_))
        return false;
    return true;
}
