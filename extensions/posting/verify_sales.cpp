// The verification sweep of the posting run.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/accounts.h"
#include "bwps/options.h"
#include "bwps/pos_services.h"
#include "bwps/record_helpers.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/settings.h"
#include "bwps/records/tenders.h"
#include "bwps/status_windows.h"
#include "bwps/table.h"
#include "extensions/posting/posting_run.h"
#include "extensions/posting/sale_lines.h"
#include "fx.h"

using namespace bwps;

namespace bwps1::posting {
namespace {

std::string Field(const char* text, std::size_t width)
{
    std::string s(text, strnlen(text, width));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

bool Blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

class Sweep {
public:
    bool Run(const RunRequest& request);

private:
    void Fault(int message, int list, const TagSalesHdr& sale, const std::string& what,
               const std::string& code);
    void CheckHeader(const TagSalesHdr& sale);
    void CheckTender(const TagSalesHdr& sale, const char* field, int accountList);
    void CheckLine(const TagSalesHdr& sale, const TagSalesDetail& line);
    void CheckDepartmentAccounts(const TagSalesHdr& sale, const TagSalesDetail& line,
                                 bool withCost);
    template <class R>
    bool Exists(Table& file, const std::string& code, std::size_t width, char pad, R& record);

    // The interface accounts of an item's sales, returns and cost.
    static constexpr int kCostAccount = 4, kSalesAccount = 5, kReturnsAccount = 6;
    Table products_, services_, codes_;
    TagInterfaceRecord interface_{};
    int faults_ = 0;
};

void Sweep::Fault(int message, int list, const TagSalesHdr& sale, const std::string& what,
                  const std::string& code)
{
    ++faults_;
    const std::string invoice = Field(sale.InvoiceNo, sizeof sale.InvoiceNo);
    if (HasErrorMessageScreen(message)) {
        ShowErrorMessageWindow(message, list, 3, 1, code.c_str(), invoice.c_str(), nullptr);
        return;
    }
    const std::string text = "Sale " + invoice + ": " + what + " \"" + code + "\" does not exist.";
    FxShowText(text.c_str());
    LogTextLine(text.c_str(), 0);
}

template <class R>
bool Sweep::Exists(Table& file, const std::string& code, std::size_t width, char pad, R& record)
{
    // Blank padded codes keep their last byte for the NUL.
    const std::size_t room = pad == ' ' ? width - 1 : width;
    KeyBuffer key;
    std::memset(key.bytes, pad, room);
    std::memcpy(key.bytes, code.data(), std::min(code.size(), room));
    return file.Get(B_GET_EQUAL, key, record).Ok();
}

void Sweep::CheckTender(const TagSalesHdr& sale, const char* field, int accountList)
{
    const std::string code = Field(field, 11);
    if (Blank(code))
        return;
    // The code as the sale holds it, or blank padded as the tender file
    // keeps it.
    char padded[12];
    std::snprintf(padded, sizeof padded, "%-10s", code.c_str());
    TagTender tender{};
    if (!ReadTenderRecord(code.c_str(), &tender) && !ReadTenderRecord(padded, &tender)) {
        Fault(1281, 129, sale, "tender", code);
        return;
    }
    const std::string account = Field(tender.Account, sizeof tender.Account);
    if (!Blank(account) && !ReadAccountRecord(account.c_str()))
        Fault(1289, accountList, sale, "account of tender " + code, account);
}

void Sweep::CheckHeader(const TagSalesHdr& sale)
{
    // A layaway in progress is checked with its layaway customer.
    const std::string customer = Field(SaleTypeIs(sale.Type, SALE_TYPE_LAYAWAY) ? sale.LayawayCustomer : sale.CustomerNo, 11);
    if (!Blank(customer) && !LookupActiveCustomer(customer.c_str(), 0))
        Fault(1275, 129, sale, "customer", customer);
    const std::string tax = Field(sale.TaxCode, sizeof sale.TaxCode);
    if (!Blank(tax) && ReadTaxTableRecord(tax.c_str(), 0) != 0)
        Fault(1277, 129, sale, "tax code", tax);
    const std::string terms = Field(sale.TermsCode, sizeof sale.TermsCode);
    if (!Blank(terms) && !ApplyTermsCode(terms.c_str(), 0))
        Fault(1279, 129, sale, "terms code", terms);
    CheckTender(sale, sale.Tender1, 134);
    if (SaleTypeIs(sale.Type, SALE_TYPE_CASH_IN_OUT)) {
        const std::string account = Field(sale.Tender2, sizeof sale.Tender2);
        if (!Blank(account) && !ReadAccountRecord(account.c_str()))
            Fault(1355, 137, sale, "cash in/out account", account);
    } else {
        CheckTender(sale, sale.Tender2, 129);
    }
}

void Sweep::CheckLine(const TagSalesHdr& sale, const TagSalesDetail& line)
{
    const std::string code = Field(line.ItemCode, sizeof line.ItemCode);
    if (line.Kind == 'C') {
        BillingCodeRecord b;
        if (!Exists(codes_, code, 6, ' ', b)) {
            Fault(1287, 133, sale, "billing code", code);
            return;
        }
        const std::string account = Field(b.Account, sizeof b.Account);
        if (!Blank(account) && !ReadAccountRecord(account.c_str()))
            Fault(1353, 136, sale, "account of billing code " + code, account);
    } else if (line.Kind == 'P') {
        ProductRecord p;
        if (!Exists(products_, code, sizeof line.ItemCode, '\0', p))
            Fault(1283, 133, sale, "product", code);
        else
            CheckDepartmentAccounts(sale, line, p.Kind != 2);
    } else if (line.Kind == 'S') {
        ServiceRecord s;
        if (!Exists(services_, code, sizeof line.ItemCode, '\0', s))
            Fault(1285, 133, sale, "service", code);
        else
            CheckDepartmentAccounts(sale, line, true);
    }
}

// A store that posts by department posts an item's sales, returns and cost
// to the interface accounts with the line's department: each must be in
// the chart (the cost account only for an item that carries a cost).
void Sweep::CheckDepartmentAccounts(const TagSalesHdr& sale, const TagSalesDetail& line,
                                    bool withCost)
{
    if (interface_.Flag == 'N')
        return;
    char department[sizeof line.Category + 1] = {};
    std::memcpy(department, line.Category, sizeof line.Category);
    const int message = interface_.Flag == 'C' ? 1347 : 1343;
    for (int index : {kSalesAccount, kReturnsAccount, kCostAccount}) {
        if (index == kCostAccount && !withCost)
            continue;
        char account[12] = {};
        BuildAccountNo(account, interface_.Accounts[index], department);
        const std::string number = Field(account, sizeof account);
        if (!ReadAccountRecord(number.c_str()))
            Fault(message, 138, sale, "account of department " + Field(department, sizeof department),
                  number);
    }
}

bool Sweep::Run(const RunRequest& request)
{
    Table sales;
    for (auto [table, file] : {std::pair{&sales, FileNo::SalesHeader},
                               std::pair{&products_, FileNo::Products},
                               std::pair{&services_, FileNo::Services},
                               std::pair{&codes_, FileNo::BillingCodes}}) {
        const Status s = table->Open(file);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
    }
    if (ReadGeneralRecord(0, 0, GENERAL_INTERFACE_SIZE, GENERAL_KEY_INTERFACE, &interface_) != 0)
        interface_.Flag = 'N';
    sales.SetKey(2);
    FxStatus* status = FxStatusOpen("RSVerifyingPosted", 0);
#pragma pack(push, 1)
    struct {
        int32_t date;
        char invoice[11];
    } start{request.start, {}};
#pragma pack(pop)
    KeyBuffer key;
    key.Set(start);
    TagSalesHdr sale;
    for (Status s = sales.Get(B_GET_GE, key, sale); s.Ok() && sale.TranDate <= request.through;
         s = sales.Get(B_GET_NEXT, key, sale)) {
        if ((sale.Flags & SALE_POSTED) != 0 || sale.Type == 'V')
            continue;
        if (status != nullptr)
            FxStatusUpdate(status, 0);
        CheckHeader(sale);
        std::vector<TagSalesDetail> lines;
        if (!SaleLinesAnywhere(sale, lines)) {
            ++faults_;
            const std::string text = "Sale " + Field(sale.InvoiceNo, 11) +
                                     ": the detail file of its register cannot be read.";
            FxShowText(text.c_str());
            continue;
        }
        for (const TagSalesDetail& line : lines)
            CheckLine(sale, line);
    }
    if (status != nullptr)
        FxStatusClose(status);
    return faults_ == 0;
}

}  // namespace

bool VerifySales(const RunRequest& request)
{
    Sweep sweep;
    return sweep.Run(request);
}

}  // namespace bwps1::posting
