// A sale's posting as one value: built from one snapshot of the sale and
// the records it needs, checked whole, then written by its caller.

#include "bwps/sale_posting.h"

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/accounts.h"
#include "bwps/open_invoices.h"
#include "bwps/stock_cost.h"
#include "posting/posting_internal.h"
#include "fx.h"

namespace bwps {
namespace {

using posting::CopyText;
using posting::FieldText;
using posting::IsEmptyText;
using posting::PadText;
using posting::Trim;
using posting::TrimmedField;
using posting::TrimRight;
using Kind = CBaseGL::LineKind;

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
constexpr double kLargestAmount = 1e12;
constexpr const char* kBuiltInTaxAccount = "21042";
constexpr int kPeriodsInYear = 13;

enum { kSales = 0, kReturns = 1, kCost = 2, kBilling = 3 };

double Round2(double value) { return FxRound(value, 2); }
// The statistics' own rounding (to the cent, half away from zero).
double Cents(double v) { return std::round(v * 100.0) / 100.0; }
bool IsZero(double value) { return FxIsZeroAmount(&value) != 0; }
bool Usable(double value) { return std::isfinite(value) && std::fabs(value) < kLargestAmount; }
std::string Cut(std::string text, std::size_t width)
{
    return text.size() > width ? text.substr(0, width) : text;
}
std::string Text(const char* field, std::size_t width) { return TrimRight(FieldText(field, width)); }

struct TaxShare {
    std::string account;   // as the tax record holds it (11 bytes)
    double amount;
};
struct Payment {
    std::string account;
    double amount = 0.0;
    bool positive = false;
    bool bank = false;
    std::string number;
};

class Builder {
public:
    Builder(const SalePostingSettings& settings, SaleSnapshot& snapshot, SalePosting& out,
            SalePostingError& error)
        : s_(settings), snap_(snapshot), sale_(snapshot.sale), out_(out), error_(error)
    {
    }

    bool Build();

private:
    // ---- Errors
    bool SaleError(const char* cause, const std::string& runText, int status = 0,
                   FileNo file = FileNo::SalesHeader)
    {
        error_.code = GL_ERROR_SALE;
        char text[256];
        std::snprintf(text, sizeof text, "Sale %s: %s",
                      TrimmedField(sale_.InvoiceNo, sizeof sale_.InvoiceNo).c_str(), cause);
        error_.cause = text;
        error_.runText = runText;
        error_.status = status;
        error_.file = file;
        return false;
    }
    bool AccountError(const std::string& account)
    {
        error_.code = GL_ERROR_ACCOUNT;
        error_.cause = account;
        const std::string number = Trim(account);
        error_.runText = Found(account) ? "Account " + number + " is not a detail account."
                                        : "Error in reading or updating account : " + number;
        return false;
    }
    bool Found(const std::string& account)
    {
        TagAccount record;
        return snap_.Get(FileNo::Accounts, posting::AccountKey(account.c_str()), record) == 0;
    }
    std::string ItemText(const TagSalesDetail& line) const
    {
        return "Error in reading or updating product/service code : " +
               Text(line.ItemCode, sizeof line.ItemCode);
    }

    // ---- Ledger lines
    std::string Description() const
    {
        std::string name = TrimmedField(sale_.CustomerName, sizeof sale_.CustomerName);
        if (name.empty())
            name = "Walk-in ";
        return Cut(Cut(name, 13) + "-" + FieldText(sale_.InvoiceNo, sizeof sale_.InvoiceNo), 24);
    }
    bool AddLine(char side, const std::string& description, const std::string& account,
                 double amount, Kind kind);
    bool CheckAmounts();
    bool DetailLines();
    bool GroupEntry(char kind, const char* item, const char* category, double* amounts,
                    int saleType);
    bool Inventory(double* amounts, const TagSalesDetail& line);
    bool HeaderLines();
    bool Customer(double& layawayFinal, std::string& account, double& amount);
    bool Payments(std::vector<Payment>& list, double& total);
    bool ProcessPayments(double total, const std::vector<Payment>& list);
    bool Taxes(std::vector<TaxShare>& list, double& total);
    bool ProcessTaxes(double total, const std::vector<TaxShare>& list);
    bool LayawayEntry(double amount, char side);
    bool Final();
    bool ZeroEntry();

    // ---- What the run keeps besides the ledger
    ProductRecord* Product(const TagSalesDetail& line, int& status);
    bool Statistics();
    bool ProductLine(const TagSalesDetail& line);
    bool ServiceLine(const TagSalesDetail& line);
    void DetailHistory(const TagSalesDetail& line, const ProductRecord* product, double cost);
    void History(const TagSalesDetail& line, double cost);
    bool SaleCustomer();
    void CustomerStatistics(CustomerRecord& customer, double owing);
    bool TaxStatistics();
    bool OpenInvoices();

    const SalePostingSettings& s_;
    SaleSnapshot& snap_;
    const TagSalesHdr& sale_;
    SalePosting& out_;
    SalePostingError& error_;
    double net_ = 0.0;
    double costTotal_ = 0.0;
    bool detailLines_ = false;
    // Each product as the sale's lines leave it (index into out_.products).
    std::map<std::string, std::size_t> products_;
    // The move of each costed line.
    std::map<const TagSalesDetail*, std::size_t> moveOf_;
};

bool Builder::AddLine(char side, const std::string& description, const std::string& account,
                      double amount, Kind kind)
{
    if (IsZero(amount))
        return true;
    SalePostingLine l;
    TagLedgerDetail& d = l.line;
    PadText(d.Description, sizeof d.Description, Cut(description, 24).c_str());
    CopyText(d.Account, sizeof d.Account, account.c_str());
    if (amount < -0.001)
        side = side == 'D' ? 'C' : 'D';
    d.DebitCredit = side;
    d.Amount = std::fabs(amount);
    d.TranDate = sale_.TranDate;
    TagAccount record;
    const int status = snap_.Get(FileNo::Accounts, posting::AccountKey(d.Account), record);
    if (status != 0) {
        if (s_.interfaced || !s_.unlistedAccounts)
            return AccountError(FieldText(d.Account, 11));
    } else if (record.Kind != 'D') {
        return AccountError(FieldText(d.Account, 11));
    }
    l.kind = kind;
    out_.ledger.push_back(l);
    detailLines_ = true;
    return true;
}

bool Builder::CheckAmounts()
{
    for (double amount : {sale_.CashAmount, sale_.TaxAmount, sale_.InvoiceTotal, sale_.Tendered,
                          sale_.ChangeGiven, sale_.TenderAmount1, sale_.TenderAmount2,
                          sale_.DiscountTaken})
        if (!Usable(amount))
            return SaleError("an amount of the sale is not a number or too large",
                             "An amount of the sale is not a number or too large.");
    for (const TagSalesDetail& line : snap_.lines) {
        const char k = line.Kind;
        if (k != 'P' && k != 'S' && k != 'C' && k != 'D' && k != 'M' && k != 'K')
            return SaleError("a line of an unknown kind", "A line of the sale is of an unknown kind.");
        if (!Usable(line.Extended) || !Usable(line.Cost) || !Usable(line.Quantity))
            return SaleError("a line amount is not a number or too large",
                             "A line amount of the sale is not a number or too large.");
    }
    return true;
}

bool Builder::Build()
{
    // The posting run posts nothing of a void sale but its posted mark.
    if (s_.statistics && sale_.Type == SALE_TYPE_VOID)
        return true;
    if (!CheckAmounts())
        return false;
    if (!DetailLines() || !HeaderLines() || !Final())
        return false;
    if (!detailLines_ && !ZeroEntry())
        return false;
    out_.inventoryCredit = costTotal_;
    if (s_.statistics && !Statistics())
        return false;
    return true;
}

bool Builder::ZeroEntry()
{
    for (char side : {'D', 'C'}) {
        SalePostingLine l;
        CopyText(l.line.Account, sizeof l.line.Account, s_.interface.Accounts[kBalancingAccount]);
        PadText(l.line.Description, sizeof l.line.Description, Description().c_str());
        l.line.DebitCredit = side;
        l.line.TranDate = sale_.TranDate;
        out_.ledger.push_back(l);
    }
    return true;
}

ProductRecord* Builder::Product(const TagSalesDetail& line, int& status)
{
    const std::string key = ProductKey(line.ItemCode);
    auto it = products_.find(key);
    if (it != products_.end()) {
        status = 0;
        return &out_.products[it->second];
    }
    ProductRecord product;
    status = snap_.Get(FileNo::Products, key, product);
    if (status != 0)
        return nullptr;
    products_[key] = out_.products.size();
    out_.products.push_back(product);
    return &out_.products.back();
}

// ---- The lines of the sale: sales, returns, cost and billing codes by group

bool Builder::DetailLines()
{
    const bool oneSet = s_.interface.Flag == 'N';
    const bool skipAll = SaleTypeIs(sale_.Type, SALE_TYPE_RECEIPT) ||
                         SaleTypeIs(sale_.Type, SALE_TYPE_CASH_IN_OUT);
    const bool keepCompleted = SaleTypeIs(sale_.Type, SALE_TYPE_LAYAWAY) &&
                               (sale_.Flags & SALE_LAYAWAY_COMPLETED) != 0 && oneSet;
    const int saleType = static_cast<unsigned char>(sale_.Type);
    double amounts[4] = {};
    std::vector<const TagSalesDetail*> kept;
    bool first = true;
    char kind = 0;
    char item[15] = {}, category[6] = {};
    const auto sort = [&](const TagSalesDetail& line) {
        if (line.Kind == 'D' || line.Kind == 'M' || line.Kind == 'K')
            return;
        if (line.Kind == 'C')
            amounts[kBilling] = Round2(amounts[kBilling] + line.Extended);
        else if (line.Extended <= 0.001)
            amounts[kReturns] = Round2(amounts[kReturns] - line.Extended);
        else
            amounts[kSales] = Round2(amounts[kSales] + line.Extended);
    };
    // The lines by kind, category and item (the sale's order within each).
    std::vector<const TagSalesDetail*> order;
    for (const TagSalesDetail& line : snap_.lines)
        order.push_back(&line);
    std::stable_sort(order.begin(), order.end(), [](const TagSalesDetail* a, const TagSalesDetail* b) {
        if (a->Kind != b->Kind)
            return static_cast<unsigned char>(a->Kind) < static_cast<unsigned char>(b->Kind);
        if (const int c = std::memcmp(a->Category, b->Category, sizeof a->Category))
            return c < 0;
        return std::memcmp(a->ItemCode, b->ItemCode, sizeof a->ItemCode) < 0;
    });
    for (const TagSalesDetail* at : order) {
        const TagSalesDetail& line = *at;
        const char k = line.Kind;
        if (skipAll)
            continue;
        if (keepCompleted) {
            kept.push_back(&line);
            continue;
        }
        if (!first) {
            bool ends;
            if (k == 'C' || kind == 'C')
                ends = FieldText(line.ItemCode, 15) != FieldText(item, 15) || k != kind;
            else
                ends = !oneSet && FieldText(line.Category, 6) != FieldText(category, 6);
            if (ends) {
                if (!GroupEntry(kind, item, category, amounts, saleType))
                    return false;
                std::memset(amounts, 0, sizeof amounts);
            }
        }
        first = false;
        kind = k;
        std::memcpy(item, line.ItemCode, sizeof item);
        std::memcpy(category, line.Category, sizeof category);
        if (!Inventory(amounts, line))
            return false;
        sort(line);
    }
    if (!first && !GroupEntry(kind, item, category, amounts, saleType))
        return false;
    if (!kept.empty()) {
        std::memset(amounts, 0, sizeof amounts);
        for (const TagSalesDetail* line : kept) {
            if (!Inventory(amounts, *line))
                return false;
            sort(*line);
        }
        const char blankItem[15] = {}, blankCategory[6] = {};
        if (!GroupEntry('P', blankItem, blankCategory, amounts, SALE_TYPE_LAYAWAY))
            return false;
    }
    return true;
}

bool Builder::GroupEntry(char kind, const char* item, const char* category, double* amounts,
                         int saleType)
{
    const std::string description = Description();
    if (kind == 'C') {
        BillingCodeRecord code;
        const std::string code6 = Trim(FieldText(item, 15));
        const int status = snap_.Get(FileNo::BillingCodes, PaddedKey(code6, 6), code);
        if (status != 0)
            return SaleError("a billing code that does not exist",
                             "Error in reading billing code : " + code6, status, FileNo::BillingCodes);
        std::string account = FieldText(code.Account, sizeof code.Account);
        if (!s_.interfaced && Trim(account).empty())
            account = FieldText(s_.interface.Accounts[kSalesAccount], 11);
        if (!AddLine('C', description, account, amounts[kBilling], Kind::Detail))
            return false;
        net_ = Round2(net_ + amounts[kBilling]);
        return true;
    }
    char salesAccount[11], returnsAccount[11], costAccount[11];
    if (s_.interface.Flag == 'N') {
        const TagSysInterface& sys = s_.sysInterface;
        if (SaleTypeIs(static_cast<char>(saleType), SALE_TYPE_LAYAWAY) &&
            !IsEmptyText(sys.Accounts[kLayawaySalesAccount], 11))
            CopyText(salesAccount, sizeof salesAccount, sys.Accounts[kLayawaySalesAccount]);
        else
            CopyText(salesAccount, sizeof salesAccount, s_.interface.Accounts[kSalesAccount]);
        CopyText(returnsAccount, sizeof returnsAccount, s_.interface.Accounts[kReturnsAccount]);
        CopyText(costAccount, sizeof costAccount, s_.interface.Accounts[kCostAccount]);
    } else {
        BuildAccountNo(salesAccount, s_.interface.Accounts[kSalesAccount], category);
        BuildAccountNo(returnsAccount, s_.interface.Accounts[kReturnsAccount], category);
        BuildAccountNo(costAccount, s_.interface.Accounts[kCostAccount], category);
    }
    if (!AddLine('C', description, FieldText(salesAccount, 11), amounts[kSales], Kind::Detail) ||
        !AddLine('D', description, FieldText(returnsAccount, 11), amounts[kReturns], Kind::Detail) ||
        !AddLine('D', description, FieldText(costAccount, 11), amounts[kCost], Kind::Detail))
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

// A product line leaves stock (returned, comes back to it) at its cost by
// the one stock rule; the product's record keeps what the line did, so a
// product on two lines is costed from what the first left.
bool Builder::Inventory(double* amounts, const TagSalesDetail& line)
{
    const char k = line.Kind;
    if (k == 'D' || k == 'M' || k == 'K' || k == 'C' || k == 'S')
        return true;
    int status = 0;
    ProductRecord* product = Product(line, status);
    if (product == nullptr)
        return SaleError("a product that does not exist", ItemText(line), status, FileNo::Products);
    ProductMove move;
    move.code = Text(line.ItemCode, sizeof line.ItemCode);
    move.lineNo = line.LineNo;
    move.quantity = line.Quantity;
    move.amount = line.Extended;
    move.valueBefore = move.valueAfter = product->Amounts[PRODUCT_VALUE];
    if (k == 'P' && (product->Kind == 1 || product->Kind == 3)) {
        const double unit = s_.costMethod == 'S'   ? product->Amounts[PRODUCT_STANDARD_COST]
                            : s_.costMethod == 'L' ? product->Amounts[PRODUCT_LAST_COST]
                                                   : product->Amounts[PRODUCT_AVERAGE_COST];
        if (!Usable(unit))
            return SaleError("a product cost is not a number or too large", ItemText(line));
        const StockMove m = MoveStock(product->Amounts[PRODUCT_QUANTITY],
                                      product->Amounts[PRODUCT_VALUE], unit, product->UnitFactor,
                                      line.Quantity);
        const double sign = m.out ? 1.0 : -1.0;
        product->Amounts[PRODUCT_QUANTITY] = m.quantity;
        product->Amounts[PRODUCT_SECOND_QUANTITY] -= line.Quantity;
        product->Amounts[PRODUCT_VALUE] = m.value;
        move.stock = true;
        move.cost = sign * m.cost;
        move.valueAfter = m.value;
        amounts[kCost] = Round2(amounts[kCost] + move.cost);
    }
    moveOf_[&line] = out_.moves.size();
    out_.moves.push_back(move);
    return true;
}

// ---- The header's amounts: customer, payments, taxes, layaway, discount

bool Builder::HeaderLines()
{
    std::vector<Payment> payments;
    std::vector<TaxShare> taxes;
    std::vector<std::pair<std::string, double>> ar;
    double layDebit = 0.0, layCredit = 0.0, layFinal = 0.0, paymentTotal = 0.0, taxTotal = 0.0,
           discount = 0.0;
    if (sale_.Type != SALE_TYPE_VOID) {
        if (SaleLayawayInProgress(&sale_)) {
            const double paid = Round2(sale_.Tendered - sale_.ChangeGiven);
            if (paid >= 0.01)
                layCredit = paid;
            else
                layDebit = std::fabs(paid);
        }
        if (SaleTypeIs(sale_.Type, SALE_TYPE_CASH_IN_OUT)) {
            net_ = Round2(net_ - sale_.CashAmount);
            std::string description =
                TrimmedField(sale_.CashDescription, sizeof sale_.CashDescription) + " - " +
                (FxIsNegativeAmount(sale_.CashAmount) ? "CASH IN" : "CASH OUT");
            if (!AddLine('D', Cut(description, 24), FieldText(sale_.Tender2, sizeof sale_.Tender2),
                         sale_.CashAmount, Kind::CashInOut))
                return false;
        } else {
            std::string account;
            double amount = 0.0;
            if (!Customer(layFinal, account, amount))
                return false;
            if (!IsZero(amount)) {
                bool merged = false;
                for (auto& [a, v] : ar)
                    if (a == account) {
                        v += amount;
                        merged = true;
                    }
                if (!merged)
                    ar.emplace_back(account, amount);
                net_ = Round2(net_ - amount);
            }
        }
        if (!Payments(payments, paymentTotal))
            return false;
        if (!SaleTypeIs(sale_.Type, SALE_TYPE_CASH_IN_OUT) && !Taxes(taxes, taxTotal))
            return false;
        if (SaleTypeIs(sale_.Type, SALE_TYPE_RECEIPT))
            discount = sale_.DiscountTaken;
    }
    if (!LayawayEntry(layDebit, 'D') || !LayawayEntry(layCredit, 'C') ||
        !ProcessPayments(paymentTotal, payments))
        return false;
    for (const auto& [account, amount] : ar) {
        if (IsZero(amount))
            continue;
        const std::string to = Trim(account).empty()
                                   ? FieldText(s_.interface.Accounts[kBalancingAccount], 11)
                                   : account;
        if (!AddLine('D', Description(), to, Round2(amount), Kind::Summary))
            return false;
    }
    if (!IsZero(discount)) {
        if (!AddLine('D', Description(), FieldText(s_.interface.Accounts[kDiscountAccount], 11),
                     discount, Kind::Other))
            return false;
        net_ = Round2(net_ - discount);
    }
    if (!ProcessTaxes(taxTotal, taxes))
        return false;
    if (!IsZero(layFinal)) {
        net_ = Round2(net_ - layFinal);
        AddLine('D', "POS Completed Layaway", FieldText(s_.sysInterface.Accounts[kLayawayAccount], 11),
                layFinal, Kind::Layaway);
    }
    return true;
}

bool Builder::Customer(double& layawayFinal, std::string& account, double& amount)
{
    amount = 0.0;
    account.clear();
    if (IsEmptyText(sale_.CustomerNo, sizeof sale_.CustomerNo))
        return true;
    const double paid = Round2(sale_.Tendered - sale_.ChangeGiven);
    std::string customer;
    if (SaleLayawayInProgress(&sale_)) {
        customer = FieldText(sale_.LayawayCustomer, sizeof sale_.LayawayCustomer);
    } else if (SaleTypeIs(sale_.Type, SALE_TYPE_LAYAWAY)) {
        LayawayRecord layaway;
        const int status = snap_.Get(FileNo::LayawayHeader, CustomerKey(sale_.CustomerNo), layaway);
        if (status != 0)
            return SaleError("the layaway does not exist",
                             "Error in reading layaway number : " +
                                 Text(sale_.CustomerNo, sizeof sale_.CustomerNo) + " ",
                             status, FileNo::LayawayHeader);
        customer = FieldText(layaway.Customer, sizeof layaway.Customer);
        amount = Round2(sale_.InvoiceTotal - paid);
        layawayFinal = Round2(layawayFinal + layaway.Prepayments - paid);
    } else {
        customer = FieldText(sale_.CustomerNo, sizeof sale_.CustomerNo);
        amount = Round2(sale_.InvoiceTotal - paid);
    }
    if (Trim(customer).empty())
        return true;
    CustomerRecord record;
    const int status = snap_.Get(FileNo::Customers, CustomerKey(customer.c_str()), record);
    if (status != 0)
        return SaleError("the customer does not exist",
                         "Error in reading or updating customer code : " + Trim(customer), status,
                         FileNo::Customers);
    account = FieldText(record.Account, sizeof record.Account);
    return true;
}

bool Builder::Payments(std::vector<Payment>& list, double& total)
{
    const int tenders = SaleTypeIs(sale_.Type, SALE_TYPE_CASH_IN_OUT) ? 1 : 2;
    const char* codes[2] = {sale_.Tender1, sale_.Tender2};
    const double amounts[2] = {sale_.TenderAmount1, sale_.TenderAmount2};
    for (int i = 0; i < tenders; ++i) {
        if (IsZero(amounts[i]))
            continue;
        std::string account;
        TenderRecord tender;
        const int status =
            snap_.Get(FileNo::Tenders, PaddedKey(TrimRight(FieldText(codes[i], 11)), 11), tender);
        if (status == 0)
            account = FieldText(tender.Account, sizeof tender.Account);
        if (Trim(account).empty())
            account = FieldText(s_.interface.Accounts[kTenderAccount], 11);
        TagAccount record;
        const bool found = snap_.Get(FileNo::Accounts, posting::AccountKey(account.c_str()), record) == 0;
        const bool bank = found && record.CheckRegister == 'Y' && s_.interfaced;
        if (!found) {
            // Noted; the account's own line settles whether the sale can go.
            error_.code = GL_ERROR_ACCOUNT;
            error_.cause = account;
        }
        std::string number;
        if (bank) {
            number = std::to_string(record.NextNumber);
            if (number.size() > 8)
                number.resize(8);
            if (s_.bankMode == 'D') {
                net_ = Round2(net_ - amounts[i]);
                std::string name = TrimmedField(sale_.CustomerName, sizeof sale_.CustomerName);
                if (name.empty())
                    name = "Walk-in ";
                const std::string tail =
                    " - " + (sale_.InvoiceTotal < 0 ? FieldText(sale_.InvoiceNo, 11) : number);
                const std::size_t room = tail.size() < 24 ? 24 - tail.size() : 0;
                if (!AddLine('D', Cut(name, room) + tail, account, amounts[i], Kind::Summary)) {
                    total = Round2(total + sale_.TenderAmount1 + sale_.TenderAmount2);
                    return false;
                }
            }
        }
        Payment* entry = nullptr;
        for (Payment& p : list)
            if (p.account == account)
                entry = &p;
        if (entry == nullptr) {
            list.push_back({account, 0.0, false, false, ""});
            entry = &list.back();
        }
        entry->amount = Round2(entry->amount + amounts[i]);
        if (amounts[i] >= 0.001)
            entry->positive = true;
        if (bank) {
            entry->bank = true;
            entry->number = number;
        }
    }
    return true;
}

bool Builder::ProcessPayments(double total, const std::vector<Payment>& list)
{
    std::string customer = SaleLayawayInProgress(&sale_)
                               ? TrimmedField(sale_.LayawayCustomer, sizeof sale_.LayawayCustomer)
                               : TrimmedField(sale_.CustomerNo, sizeof sale_.CustomerNo);
    if (customer.empty())
        customer = "Walk-in";
    for (const Payment& entry : list) {
        if (IsZero(entry.amount) || (entry.bank && s_.bankMode != 'S'))
            continue;
        std::string description = Trim(FieldText(entry.account.c_str(), 11)) + ": " + customer;
        const std::string number = Trim(entry.number);
        if (!number.empty())
            description += "/" + number;
        if (!AddLine('D', Cut(description, 24), entry.account, entry.amount, Kind::Summary))
            return false;
        net_ = Round2(net_ - entry.amount);
    }
    if (!IsZero(total)) {
        if (!AddLine('D', Description(), FieldText(s_.interface.Accounts[kTenderAccount], 11), total,
                     Kind::Summary))
            return false;
        net_ = Round2(net_ - total);
    }
    return true;
}

// The tax code of the sale (the store's default when blank); a code that is
// named but not on file posts its tax as a blank one does.
std::string SaleTaxCode(const TagSalesHdr& sale, const TagSysInterface& sys)
{
    std::string code = TrimRight(FieldText(sale.TaxCode, sizeof sale.TaxCode));
    if (Trim(code).empty())
        code = TrimRight(FieldText(sys.DefaultTaxCode, 6));
    return code;
}

bool Builder::Taxes(std::vector<TaxShare>& list, double& total)
{
    if (SaleTypeIs(sale_.Type, SALE_TYPE_RECEIPT) || SaleLayawayInProgress(&sale_))
        return true;
    const std::string code = SaleTaxCode(sale_, s_.sysInterface);
    if (Trim(code).empty()) {
        total = Round2(total + sale_.TaxAmount);
        return true;
    }
    TaxRecord tax;
    const int status = snap_.Get(FileNo::TaxTable, PaddedKey(code, 6), tax);
    if (status == B_KEY_NOT_FOUND) {
        total = Round2(total + sale_.TaxAmount);
        return true;
    }
    if (status != 0)
        return SaleError(("the tax code " + Trim(code) + " cannot be read").c_str(),
                         "Error in reading billing code : " + Trim(code), status, FileNo::TaxTable);
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
            share = Round2(sale_.TaxAmount - given);
        } else {
            const float part =
                tax.Entries[i].Rate / tax.TotalRate * static_cast<float>(sale_.TaxAmount);
            share = Round2(part);
        }
        given = Round2(given + share);
        const std::string account = FieldText(tax.Entries[i].Account, 11);
        TaxShare* entry = nullptr;
        for (TaxShare& t : list)
            if (t.account == account)
                entry = &t;
        if (entry == nullptr) {
            list.push_back({account, 0.0});
            entry = &list.back();
        }
        entry->amount = Round2(entry->amount + share);
    }
    return true;
}

bool Builder::ProcessTaxes(double total, const std::vector<TaxShare>& list)
{
    for (const TaxShare& entry : list) {
        if (IsZero(entry.amount))
            continue;
        if (!AddLine('C', Description(), entry.account, entry.amount, Kind::Tax))
            return false;
        net_ = Round2(net_ + entry.amount);
    }
    if (!IsZero(total)) {
        net_ = Round2(net_ + total);
        const std::string account = s_.interfaced
                                        ? FieldText(s_.sysInterface.Accounts[kSummaryTaxAccount], 11)
                                        : std::string(kBuiltInTaxAccount);
        if (!AddLine('C', "POS System Summary-Tax", account, total, Kind::Tax))
            return false;
    }
    return true;
}

bool Builder::LayawayEntry(double amount, char side)
{
    if (IsZero(amount))
        return true;
    if (amount <= -0.001) {
        amount = -amount;
        side = side == 'D' ? 'C' : 'D';
    }
    if (!AddLine(side, Description(), FieldText(s_.sysInterface.Accounts[kLayawayAccount], 11),
                 amount, Kind::Layaway))
        return false;
    net_ = Round2(side == 'D' ? net_ - amount : net_ + amount);
    return true;
}

bool Builder::Final()
{
    if (!IsZero(costTotal_) &&
        !AddLine('C', Description(), FieldText(s_.interface.Accounts[kInventoryAccount], 11),
                 costTotal_, Kind::Summary))
        return false;
    if (!IsZero(net_) &&
        !AddLine('D', Description(), FieldText(s_.interface.Accounts[kBalancingAccount], 11), net_,
                 Kind::Summary))
        return false;
    return true;
}

// ---- Statistics, history and the open items (the posting run's)

bool Builder::Statistics()
{
    // The products' records already carry their stock; each line adds its
    // period amounts, cost and history.
    for (const TagSalesDetail& line : snap_.lines) {
        if (line.Kind == 'D' || line.Kind == 'M' || line.Kind == 'K' || line.Kind == 'C') {
            DetailHistory(line, nullptr, 0.0);
            History(line, 0.0);
            continue;
        }
        if (line.Kind == 'S') {
            if (!ServiceLine(line))
                return false;
            DetailHistory(line, nullptr, 0.0);
            History(line, 0.0);
            continue;
        }
        // The ledger's move of the line (receipts and cash in or out have
        // none: their lines are not costed).
        const auto found = moveOf_.find(&line);
        const ProductMove* m = found != moveOf_.end() ? &out_.moves[found->second] : nullptr;
        int status = 0;
        ProductRecord* product = Product(line, status);
        if (product == nullptr)
            return SaleError("a product that does not exist", ItemText(line), status, FileNo::Products);
        const bool out = line.Quantity >= 0.001;
        const double sign = out ? 1.0 : -1.0;
        const double quantity = sign * line.Quantity;
        const double amount = sign * line.Extended;
        const int slot = s_.slot;
        double cost = 0.0;
        product->Runs[0][slot] += sign * quantity;
        product->Runs[2][slot] = Cents(product->Runs[2][slot] + sign * amount);
        if (product->Kind == 1 || product->Kind == 3) {
            // A line the ledger does not cost (a receipt's, a cash in or
            // out's) carries no goods: the stock stays as it is.
            cost = m != nullptr ? std::fabs(m->cost) : 0.0;
            product->Runs[3][slot] = Cents(product->Runs[3][slot] + sign * cost);
            product->Runs[5][slot] = Cents(product->Runs[5][slot] + Cents(sign * cost));
        }
        product->Runs[4][slot] = Cents(product->Runs[2][slot] - product->Runs[3][slot]);
        if (out && sale_.TranDate > product->LastDate)
            product->LastDate = sale_.TranDate;
        TagProductActivity a{};
        std::memcpy(a.Code, product->Code, sizeof a.Code);
        a.Source = 'P';
        a.Date = sale_.TranDate;
        a.Direction = out ? '5' : '1';
        a.DocumentKind[0] = 'P';
        a.DocumentKind[1] = 'P';
        std::memcpy(a.Document, sale_.InvoiceNo, sizeof sale_.InvoiceNo);
        a.Quantity = -line.Quantity;
        a.UnitCost = quantity != 0.0 ? cost / quantity : 0.0;
        a.Value = -sign * cost;
        a.Value94 = product->Value272;
        a.UnitFactor = product->UnitFactor;
        out_.activity.push_back(a);
        DetailHistory(line, product, cost);
        History(line, sign * cost);
    }
    return SaleCustomer() && TaxStatistics() && OpenInvoices();
}

bool Builder::ServiceLine(const TagSalesDetail& line)
{
    ServiceRecord* service = nullptr;
    const std::string key = ProductKey(line.ItemCode);
    for (ServiceRecord& s : out_.services)
        if (std::memcmp(s.Code, line.ItemCode, sizeof s.Code) == 0)
            service = &s;
    if (service == nullptr) {
        ServiceRecord record;
        const int status = snap_.Get(FileNo::Services, key, record);
        if (status != 0)
            return SaleError("a service that does not exist", ItemText(line), status, FileNo::Services);
        out_.services.push_back(record);
        service = &out_.services.back();
    }
    const bool out = line.Quantity >= 0.001;
    const int slot = s_.slot;
    if (out && sale_.TranDate > service->LastDate)
        service->LastDate = sale_.TranDate;
    service->Amounts[slot] = Cents(service->Amounts[slot] + Cents(line.Extended));
    service->Quantities[slot] += line.Quantity;
    return true;
}

void Builder::DetailHistory(const TagSalesDetail& line, const ProductRecord* product, double cost)
{
    if (!s_.detailHistory || SaleLayawayInProgress(&sale_))
        return;
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
    h.Date = sale_.TranDate;
    h.SaleType = sale_.Type;
    h.RegisterNumber = sale_.RegisterNumber;
    std::memcpy(h.CustomerNo,
                SaleTypeIs(sale_.Type, SALE_TYPE_LAYAWAY) ? sale_.LayawayCustomer : sale_.CustomerNo,
                sizeof h.CustomerNo);
    std::memcpy(h.TaxCode, sale_.TaxCode, sizeof h.TaxCode);
    h.Quantity = sign * line.Quantity;
    h.UnitPrice = line.UnitPrice;
    h.Amount = sign * line.Extended;
    h.Taxable = line.Value112 != 0.0 ? 'Y' : 'N';
    if (product != nullptr && line.Quantity != 0.0) {
        h.UnitCost = cost / std::fabs(line.Quantity);
        h.Cost = cost;
    }
    out_.detailHistory.push_back(h);
}

// The period's amounts of the product (sales and cost), the service
// (sales) and the sale's customer (sales and cost).
void Builder::History(const TagSalesDetail& line, double cost)
{
    const int period = s_.periodIndex;
    const int bucket = period >= kPeriodsInYear ? period - kPeriodsInYear : period;
    if (bucket < 0 || bucket >= kPeriodsInYear)
        return;
    const double amount = Cents(line.Extended);
    const std::string code = FieldText(line.ItemCode, sizeof line.ItemCode);
    if (line.Kind == 'P')
        out_.history.push_back({FileNo::ProductHistory, code, bucket, amount, Cents(cost)});
    else if (line.Kind == 'S')
        out_.history.push_back({FileNo::ServiceHistory, code, bucket, amount, 0.0});
    const char* customer =
        SaleTypeIs(sale_.Type, SALE_TYPE_LAYAWAY) ? sale_.LayawayCustomer : sale_.CustomerNo;
    if (customer[0] == '\0' || customer[0] == ' ' || line.Kind == 'D' || line.Kind == 'M' ||
        line.Kind == 'K')
        return;
    out_.history.push_back({FileNo::CustomerStatistics, FieldText(customer, 11), bucket, amount,
                            Cents(cost)});
}

// The sale's customer: its balance takes what the sale left owing (a
// payment on account lowers it) and its statistics the sale or payment. A
// layaway in progress only adds what was paid on it to the customer's
// layaway slot; a completed layaway is its customer's, found through the
// layaway.
bool Builder::SaleCustomer()
{
    const bool inProgress = SaleLayawayInProgress(&sale_);
    const bool completed = SaleTypeIs(sale_.Type, SALE_TYPE_LAYAWAY) && !inProgress;
    std::string code = Text(inProgress ? sale_.LayawayCustomer : sale_.CustomerNo, 11);
    if (code.empty())
        return true;
    const double paid = Cents(sale_.Tendered - sale_.ChangeGiven);
    const double owing = Cents(sale_.InvoiceTotal - paid);
    std::string key;
    if (completed) {
        LayawayRecord layaway;
        const int status = snap_.Get(FileNo::LayawayHeader, CustomerKey(sale_.CustomerNo), layaway);
        if (status != 0)
            return SaleError("the layaway does not exist", "Error in reading layaway number : " + code + " ",
                             status, FileNo::LayawayHeader);
        code = Text(layaway.Customer, sizeof layaway.Customer);
        if (code.empty())
            return true;
        key = CustomerKey(layaway.Customer);
    } else {
        key = CustomerKey(inProgress ? sale_.LayawayCustomer : sale_.CustomerNo);
    }
    CustomerRecord customer;
    const int status = snap_.Get(FileNo::Customers, key, customer);
    if (status != 0)
        return SaleError("the customer does not exist", "Error in reading or updating customer code : " + code,
                         status, FileNo::Customers);
    const int slot = s_.slot;
    if (inProgress)
        customer.Layaways[slot] = Cents(customer.Layaways[slot] + sale_.Tendered);
    else
        CustomerStatistics(customer, owing);
    out_.customerChanged = true;
    out_.customer = customer;
    return true;
}

// A receipt counts as a payment; any other sale as a sale (or, of no
// amount, in the second count), with what was paid on it.
void Builder::CustomerStatistics(CustomerRecord& customer, double owing)
{
    const int slot = s_.slot;
    const double paid = Cents(sale_.Tendered - sale_.ChangeGiven);
    if (SaleTypeIs(sale_.Type, SALE_TYPE_RECEIPT)) {
        if (sale_.Tendered != 0.0 || sale_.DiscountTaken != 0.0) {
            const double payment = Cents(paid + sale_.DiscountTaken);
            customer.Payments[slot] = Cents(customer.Payments[slot] + payment);
            customer.PaymentsTotal = Cents(customer.PaymentsTotal + payment);
            if (sale_.TranDate > customer.LastPaymentDate) {
                customer.LastPaymentDate = sale_.TranDate;
                customer.LastPaymentAmount = paid;
            }
        }
    } else if (std::fabs(sale_.InvoiceTotal) >= 0.001) {
        const double net = Cents(sale_.InvoiceTotal - sale_.TaxAmount);
        if (sale_.TranDate >= customer.LastSaleDate) {
            customer.LastSaleDate = sale_.TranDate;
            customer.LastSaleAmount = net;
        }
        ++customer.Invoices[slot];
        customer.Sales[slot] = Cents(customer.Sales[slot] + net);
        customer.Payments[slot] = Cents(customer.Payments[slot] + paid);
    } else {
        ++customer.ZeroInvoices[slot];
    }
    if (owing < 0.0)
        customer.CreditsTotal = Cents(customer.CreditsTotal - owing);
    customer.Balance = Cents(customer.Balance + owing);
}

// The tax code's statistics of the period: the taxable amount and the
// tax. A layaway in progress and a receipt carry no tax; a code not on
// file keeps none (its tax went to the summary account).
bool Builder::TaxStatistics()
{
    if (SaleLayawayInProgress(&sale_) || SaleTypeIs(sale_.Type, SALE_TYPE_RECEIPT))
        return true;
    const std::string code = Trim(SaleTaxCode(sale_, s_.sysInterface));
    if (code.empty())
        return true;
    const int period = s_.periodIndex;
    if (period < 0 || period >= 26)
        return true;
    TaxRecord tax;
    int status = snap_.Get(FileNo::TaxTable, PaddedKey(code, 6), tax);
    if (status == B_KEY_NOT_FOUND)
        return true;
    if (status != 0)
        return SaleError(("the tax code " + code + " cannot be read").c_str(),
                         "Error in reading billing code : " + code, status, FileNo::TaxTable);
    tax.History[0][period] = Cents(tax.History[0][period] + sale_.TaxableAmount);
    tax.History[1][period] = Cents(tax.History[1][period] + sale_.TaxAmount);
    out_.taxChanged = true;
    out_.tax = tax;
    return true;
}

// The sale's open receivable items become posted, each with its precedence
// letter and, an invoice, the sale's cost; with customer history kept for
// an open-item customer, each gets its numbered history record and the
// sale's own history records are marked posted.
bool Builder::OpenInvoices()
{
    if (sale_.CustomerNo[0] == '\0' || sale_.CustomerNo[0] == ' ')
        return true;
    for (TagOpenInvoice item : snap_.openItems) {
        item.Precedence =
            BwOIHeader::GetPrecedence(No(FileNo::ReceivablesOpenItems), item.Type2);
        if (item.Type == 'I')
            item.Double70 = sale_.TotalCost;
        item.Status = 'P';
        out_.openInvoices.push_back(item);
    }
    if (!s_.customerHistory)
        return true;
    CustomerRecord customer;
    if (!out_.openInvoices.empty() &&
        snap_.Get(FileNo::Customers, CustomerKey(sale_.CustomerNo), customer) == 0 &&
        customer.AccountType == 'O')
        out_.customerHistory = out_.openInvoices;
    for (int32_t number : {sale_.HistoryNumber, sale_.SecondHistoryNumber})
        if (number != 0)
            out_.historyMarks.push_back(number);
    return true;
}

}  // namespace

// ---- The snapshot

void SaleSnapshot::Put(FileNo file, const std::string& key, const void* record, int size)
{
    held_[{No(file), key}] = {0, std::string(static_cast<const char*>(record), size)};
}

void SaleSnapshot::PutStatus(FileNo file, const std::string& key, int status)
{
    held_[{No(file), key}] = {status, std::string()};
}

int SaleSnapshot::Get(FileNo file, const std::string& key, void* out, int size)
{
    auto it = held_.find({No(file), key});
    if (it == held_.end()) {
        std::string bytes(size, '\0');
        int status = B_KEY_NOT_FOUND;
        if (reader) {
            ++reads;
            status = reader(file, key, bytes.data(), size);
        }
        it = held_.emplace(std::make_pair(No(file), key),
                           std::make_pair(status, status == 0 ? bytes : std::string()))
                 .first;
    }
    std::memset(out, 0, size);
    if (it->second.first == 0)
        std::memcpy(out, it->second.second.data(), std::min<std::size_t>(size, it->second.second.size()));
    return it->second.first;
}

void SaleSnapshot::PutAccount(const TagAccount& account)
{
    Put(FileNo::Accounts, posting::AccountKey(account.Number), &account, sizeof account);
}

int SaleSnapshot::GetAccount(const char* number, TagAccount& out)
{
    return Get(FileNo::Accounts, posting::AccountKey(number), out);
}

std::string ProductKey(const char* code)
{
    std::string key(15, '\0');
    if (code != nullptr)
        std::memcpy(key.data(), code, strnlen(code, 15));
    return key;
}

std::string CustomerKey(const char* code)
{
    std::string key(11, '\0');
    if (code != nullptr)
        std::memcpy(key.data(), code, strnlen(code, 11));
    return key;
}

std::string PaddedKey(const std::string& code, int width)
{
    std::string key(width, ' ');
    key[width - 1] = '\0';
    for (int i = 0; i + 1 < width && i < static_cast<int>(code.size()) && code[i] != '\0'; ++i)
        key[i] = code[i];
    return key;
}

bool BuildSalePosting(const SalePostingSettings& settings, SaleSnapshot& snapshot, SalePosting& out,
                      SalePostingError& error)
{
    out = SalePosting{};
    error = SalePostingError{};
    Builder builder(settings, snapshot, out, error);
    if (!builder.Build())
        return false;
    error = SalePostingError{};
    return true;
}

bool CheckSalePosting(const SalePostingSettings& settings, SaleSnapshot& snapshot,
                      const SalePosting& posting, SalePostingError& error)
{
    error = SalePostingError{};
    const auto fail = [&](int code, const std::string& cause, const std::string& runText) {
        error.code = code;
        char text[256];
        std::snprintf(text, sizeof text, "Sale %s: %s",
                      TrimmedField(snapshot.sale.InvoiceNo, sizeof snapshot.sale.InvoiceNo).c_str(),
                      cause.c_str());
        error.cause = code == GL_ERROR_ACCOUNT ? cause : std::string(text);
        error.runText = runText;
        return false;
    };
    double debit = 0.0, credit = 0.0;
    for (const SalePostingLine& l : posting.ledger) {
        (l.line.DebitCredit == 'D' ? debit : credit) += l.line.Amount;
        TagAccount record;
        const std::string account = FieldText(l.line.Account, sizeof l.line.Account);
        const int status = snapshot.Get(FileNo::Accounts, posting::AccountKey(account.c_str()), record);
        if (status != 0 && (settings.interfaced || !settings.unlistedAccounts))
            return fail(GL_ERROR_ACCOUNT, account,
                        "Error in reading or updating account : " + Trim(account));
        if (status == 0 && record.Kind != 'D')
            return fail(GL_ERROR_ACCOUNT, account, "Account " + Trim(account) + " is not a detail account.");
    }
    if (std::fabs(FxRound(debit, 2) - FxRound(credit, 2)) >= 0.005) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "The sale's ledger lines do not balance (debits %.2f, credits %.2f).", debit,
                      credit);
        return fail(GL_ERROR_SALE, "its ledger lines do not balance", text);
    }
    double drops = 0.0;
    for (const ProductMove& m : posting.moves)
        if (m.stock)
            drops += m.cost;
    if (std::fabs(FxRound(drops, 2) - FxRound(posting.inventoryCredit, 2)) >= 0.005) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "The sale's inventory credit %.2f is not what its stock loses (%.2f).",
                      posting.inventoryCredit, drops);
        return fail(GL_ERROR_SALE, "its inventory credit is not what its stock loses", text);
    }
    return true;
}

}  // namespace bwps
