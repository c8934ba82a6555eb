#include "host/sample_store.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bwps/records/accounts.h"
#include "bwps/records/general.h"
#include "bwps/records/ledger.h"
#include "bwps/records/masters.h"
#include "bwps/records/open_invoices.h"
#include "bwps/records/products.h"
#include "bwps/records/sales.h"
#include "bwps/table.h"

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace host {
namespace {

template <std::size_t N>
void Put(char (&field)[N], const std::string& text, char pad = '\0')
{
    std::memset(field, pad, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
    field[N - 1] = '\0';
}

std::string Text(const char* field, std::size_t width)
{
    std::string s(field, strnlen(field, width));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// Writes records into one data file; the first failure is kept.
class Writer {
public:
    Writer(const FilePath& path, FileNo file, std::string& error) : file_(file), error_(error)
    {
        const Status s = table_.OpenPath(file, path(file).c_str());
        if (!s.Ok())
            Fail(s, "open");
    }
    template <class R>
    void Insert(R& record)
    {
        if (!error_.empty())
            return;
        const Status s = table_.Insert(record);
        if (!s.Ok())
            Fail(s, "insert into");
    }

private:
    void Fail(const Status& s, const char* what)
    {
        if (error_.empty())
            error_ = "cannot " + std::string(what) + " data file " + std::to_string(bwps::No(file_)) +
                     " (record-manager status " + std::to_string(s.status) + ")";
    }
    Table table_;
    FileNo file_;
    std::string& error_;
};

struct ChartRow {
    const char* number;
    const char* parent;
    char level;
    uint8_t type;   // 1 asset, 2 liability, 3 equity, 4 revenue, 5 expense
    char kind;      // 'G' general, 'D' detail
    const char* description;
};

// The built-in interface accounts of a new company under their parents.
constexpr ChartRow kChart[] = {
    {"1", "", '1', 1, 'G', "Assets"},
    {"11", "1", '2', 1, 'G', "Current Assets"},
    {"11021", "11", '3', 1, 'D', "Cash"},
    {"11051", "11", '3', 1, 'D', "Accounts Receivable"},
    {"11071", "11", '3', 1, 'D', "Inventory"},
    {"2", "", '1', 2, 'G', "Liabilities"},
    {"21", "2", '2', 2, 'G', "Current Liabilities"},
    {"2105", "21", '3', 2, 'D', "Layaway Revenue"},
    {"2107", "21", '3', 2, 'D', "AP Suspense"},
    {"21042", "21", '3', 2, 'D', "Sales Tax"},
    {"3", "", '1', 3, 'G', "Equity"},
    {"33", "3", '2', 3, 'D', "Current Earnings"},
    {"4", "", '1', 4, 'G', "Revenue"},
    {"41", "4", '2', 4, 'G', "Sales"},
    {"4101", "41", '3', 4, 'D', "Sales"},
    {"4105", "41", '3', 4, 'D', "Layaway Sales"},
    {"4107", "41", '3', 4, 'D', "Sales Discounts"},
    {"4201", "41", '3', 4, 'D', "Returns"},
    {"4501", "41", '3', 4, 'D', "Freight Revenue"},
    {"5", "", '1', 5, 'G', "Cost of Sales"},
    {"5101", "5", '2', 5, 'D', "Cost of Goods Sold"},
    {"52", "5", '2', 5, 'G', "Direct Costs"},
    {"520116", "52", '3', 5, 'D', "Direct Cost"},
};

struct Line {
    char kind;
    const char* item;
    double quantity;
    double extended;
};

TagSalesHdr Sale(const char* invoice, int type, int32_t day, double total, double tax)
{
    TagSalesHdr h{};
    Put(h.InvoiceNo, invoice);
    h.Type = static_cast<char>(type);
    h.TranDate = day;
    h.InvoiceTotal = total;
    h.TaxAmount = tax;
    if (tax != 0.0)
        Put(h.TaxCode, "ST");
    h.FirstLineOffset = -1;   // the lines are in the sales-lines file
    h.Flags = 8;              // the day's sales journal was printed
    return h;
}

// Tender codes as the tender file keeps them: blank padded to 10.
void Tender(TagSalesHdr& h, const char* code, double amount)
{
    char padded[12];
    std::snprintf(padded, sizeof padded, "%-10s", code);
    code = padded;
    if (h.Tender1[0] == '\0') {
        Put(h.Tender1, code);
        h.TenderAmount1 = amount;
    } else {
        Put(h.Tender2, code);
        h.TenderAmount2 = amount;
    }
    h.Tendered += amount;
}

std::vector<TagSalesDetail> Lines(const TagSalesHdr& h, const std::vector<Line>& lines)
{
    std::vector<TagSalesDetail> out;
    int16_t n = 1;
    for (const Line& l : lines) {
        TagSalesDetail d{};
        std::memcpy(d.InvoiceNo, h.InvoiceNo, sizeof d.InvoiceNo);
        d.LineNo = n++;
        d.Kind = l.kind;
        Put(d.ItemCode, l.item);
        d.Quantity = d.Quantity2 = l.quantity;
        d.Extended = l.extended;
        out.push_back(d);
    }
    return out;
}

}  // namespace

bool HasSales(const FilePath& path)
{
    Table sales;
    if (!sales.OpenPath(FileNo::SalesHeader, path(FileNo::SalesHeader).c_str()).Ok())
        return false;
    KeyBuffer key;
    TagSalesHdr h;
    return sales.Get(B_GET_FIRST, key, h).Ok();
}

bool AddSampleStore(const FilePath& path, const std::string& dataFolder, int32_t day,
                    std::string& error)
{
    error.clear();
    {
        Writer accounts(path, FileNo::Accounts, error);
        for (const ChartRow& row : kChart) {
            TagAccount a{};
            Put(a.Number, row.number, ' ');
            Put(a.Parent, row.parent, ' ');
            Put(a.Description, row.description);
            a.Level = row.level;
            a.Type = row.type;
            a.Kind = row.kind;
            a.CheckRegister = 'N';
            a.Value80 = 1;
            a.RecordStatus = 'A';
            accounts.Insert(a);
        }
    }
    {
        Writer taxes(path, FileNo::TaxTable, error);
        TaxRecord t{};
        Put(t.Code, "ST", ' ');
        t.TotalRate = 5.0f;
        Put(t.Entries[0].Account, "21042", ' ');
        t.Entries[0].Rate = 5.0f;
        taxes.Insert(t);
    }
    {
        Writer products(path, FileNo::Products, error);
        struct Item {
            const char* code;
            const char* description;
            double cost;
        };
        for (const Item& item : {Item{"WIDGET", "Widget, blue", 4.0}, Item{"GADGET", "Gadget", 18.0}}) {
            const double cost = item.cost;
            ProductRecord p{};
            Put(p.Code, item.code);
            Put(p.Description, item.description);
            // as a new product of the product editor starts: one unit in
            // each unit, so the editor saves it as it stands
            std::memcpy(p.Flags262, "NYNNN", sizeof p.Flags262);
            p.AssemblyOnly = 'N';
            p.Byte269 = 'Y';
            Put(p.Unit1, "EA");
            Put(p.Unit2, "EA");
            p.Kind = 1;
            p.UnitFactor = 1;
            p.Value272 = 1;
            p.Status = 'A';
            p.Amounts[PRODUCT_AVERAGE_COST] = p.Amounts[PRODUCT_LAST_COST] = p.Amounts[PRODUCT_STANDARD_COST] = cost;
            products.Insert(p);
        }
        Writer services(path, FileNo::Services, error);
        ServiceRecord s{};
        Put(s.Code, "INSTALL");
        s.Status = 'A';
        services.Insert(s);
        Writer codes(path, FileNo::BillingCodes, error);
        BillingCodeRecord b{};
        Put(b.Code, "FRT", ' ');
        Put(b.Account, "4501", ' ');
        codes.Insert(b);
        Writer customers(path, FileNo::Customers, error);
        CustomerRecord c{};
        Put(c.Code, "C100");
        Put(c.Name, "Corner Cafe");
        c.Status = 'A';
        Put(c.Account, "11051", ' ');
        customers.Insert(c);
    }

    // The day: what the registers stored.
    std::vector<std::pair<TagSalesHdr, std::vector<TagSalesDetail>>> day_;
    {
        TagSalesHdr h = Sale("0000001001", 1, day, 26.25, 1.25);
        Tender(h, "CASH", 26.25);
        day_.push_back({h, Lines(h, {{'P', "WIDGET", 2, 25.0}})});
    }
    {
        TagSalesHdr h = Sale("0000001002", 1, day, 68.25, 3.25);   // on account
        Put(h.CustomerNo, "C100");
        day_.push_back({h, Lines(h, {{'S', "INSTALL", 1, 60.0}, {'C', "FRT", 1, 5.0}})});
    }
    {
        TagSalesHdr h = Sale("0000001003", 1, day, -31.50, -1.50);   // a return
        Tender(h, "CASH", -31.50);
        day_.push_back({h, Lines(h, {{'P', "GADGET", -1, -30.0}})});
    }
    {
        TagSalesHdr h = Sale("0000001004", 'V', day, 0.0, 0.0);   // voided at the register
        day_.push_back({h, Lines(h, {{'P', "WIDGET", 1, 12.5}})});
    }
    {
        TagSalesHdr h = Sale("0000001006", 1, day, 63.0, 3.0);   // two tenders
        Tender(h, "CASH", 40.0);
        Tender(h, "CHECK", 23.0);
        day_.push_back({h, Lines(h, {{'P', "GADGET", 2, 60.0}})});
    }
    {
        Writer headers(path, FileNo::SalesHeader, error);
        Writer lines(path, FileNo::SalesDetail, error);
        for (auto& [h, l] : day_) {
            headers.Insert(h);
            for (TagSalesDetail& d : l)
                lines.Insert(d);
        }
        // A sale whose lines only register 1's detail file holds.
        TagSalesHdr h = Sale("0000001005", 1, day, 13.13, 0.63);
        Tender(h, "CASH", 13.13);
        h.RegisterNumber = 1;
        h.FirstLineOffset = 0;
        headers.Insert(h);
        const std::vector<TagSalesDetail> kept = Lines(h, {{'P', "WIDGET", 1, 12.5}});
        Writer registers(path, FileNo::Registers, error);
        RegisterRecord reg{};
        std::memcpy(reg.Name, "REG1       ", sizeof reg.Name);
        registers.Insert(reg);
        std::ofstream file(dataFolder + "/REG1.db", std::ios::binary | std::ios::trunc);
        for (const TagSalesDetail& d : kept)
            file.write(reinterpret_cast<const char*>(&d), sizeof d);
        if (!file)
            error = "cannot write " + dataFolder + "/REG1.db";
    }
    {
        // The charge sale's open invoice, as the sale entry leaves it.
        Writer items(path, FileNo::ReceivablesOpenItems, error);
        TagOpenInvoice d{};
        Put(d.Customer, "C100");
        Put(d.Invoice, "0000001002");
        Put(d.Reference, "0000001002");
        d.Type = 'I';
        d.Type2 = '1';
        d.Status = 'O';
        d.Id = 1;
        d.Date = day;
        d.Amount = 68.25;
        d.Precedence = '1';
        items.Insert(d);
        Writer heads(path, FileNo::ReceivablesOpenHeaders, error);
        TagOpenInvoiceHdr o{};
        Put(o.Customer, "C100");
        Put(o.Invoice, "0000001002");
        Put(o.Reference, "0000001002");
        o.Type = 'I';
        o.Precedence = '1';
        o.MainId = 1;
        o.Date = day;
        o.Balance = o.ChargesTotal = o.BalanceLessDiscount = 68.25;
        heads.Insert(o);
    }
    return error.empty();
}

bool AddManySales(const FilePath& path, int32_t day, int count, std::string& error)
{
    error.clear();
    Writer headers(path, FileNo::SalesHeader, error);
    Writer lines(path, FileNo::SalesDetail, error);
    constexpr int kBatch = 500;
    for (int i = 0; i < count && error.empty(); i += kBatch) {
        if (BtrTransaction(B_BEGIN_TRAN) != 0) {
            error = "cannot begin a transaction";
            break;
        }
        for (int j = i; j < count && j < i + kBatch; ++j) {
            char invoice[11];
            std::snprintf(invoice, sizeof invoice, "%010d", 2000000001 + j);
            std::vector<Line> items;
            double total = 0.0;
            for (int k = 0; k < 5; ++k) {
                const double amount = 10.0 + (j + k) % 7;
                items.push_back({'P', k % 2 == 0 ? "WIDGET" : "GADGET", 1, amount});
                total += amount;
            }
            TagSalesHdr h = Sale(invoice, 1, day, total, 0.0);
            Tender(h, "CASH", total);
            headers.Insert(h);
            for (TagSalesDetail& d : Lines(h, items))
                lines.Insert(d);
        }
        if (BtrTransaction(B_END_TRAN) != 0 && error.empty())
            error = "cannot end a transaction";
    }
    return error.empty();
}

void PrintBooks(const FilePath& path)
{
    {
        Table sales;
        sales.OpenPath(FileNo::SalesHeader, path(FileNo::SalesHeader).c_str());
        KeyBuffer key;
        TagSalesHdr h;
        int posted = 0, open = 0;
        for (Status s = sales.Get(B_GET_FIRST, key, h); s.Ok(); s = sales.Get(B_GET_NEXT, key, h))
            ((h.Flags & 2) ? posted : open)++;
        std::printf("Sales: %d posted, %d waiting to be posted.\n", posted, open);
    }
    {
        Table headers, lines;
        headers.OpenPath(FileNo::LedgerHeader, path(FileNo::LedgerHeader).c_str());
        lines.OpenPath(FileNo::LedgerDetail, path(FileNo::LedgerDetail).c_str());
        KeyBuffer key;
        TagGLHeader h;
        for (Status s = headers.Get(B_GET_FIRST, key, h); s.Ok(); s = headers.Get(B_GET_NEXT, key, h)) {
            std::printf("\nLedger transaction %s %s, reference \"%s\", debits %.2f:\n",
                        Text(h.JournalCode, 7).c_str(), Text(h.TranNo, 11).c_str(),
                        Text(h.Reference, 11).c_str(), h.DebitTotal);
            KeyBuffer lk;
            std::memcpy(lk.bytes, h.JournalCode, 18);
            TagLedgerDetail d;
            double debit = 0.0, credit = 0.0;
            for (Status t = lines.Get(B_GET_GE, lk, d);
                 t.Ok() && std::memcmp(d.JournalCode, h.JournalCode, 18) == 0;
                 t = lines.Get(B_GET_NEXT, lk, d)) {
                std::printf("  %-10s %-24s %s %10.2f\n", Text(d.Account, 11).c_str(),
                            Text(d.Description, 25).c_str(), d.DebitCredit == 'D' ? "Dr" : "Cr",
                            d.Amount);
                (d.DebitCredit == 'D' ? debit : credit) += d.Amount;
            }
            std::printf("  %-10s %-24s    %10.2f debits, %.2f credits\n", "", "Total", debit, credit);
        }
    }
    for (const std::string& line : TrialBalanceLines(path))
        std::printf("%s\n", line.c_str());
    for (const std::string& line : OpenInvoiceLines(path))
        std::printf("%s\n", line.c_str());
}

std::vector<std::string> TrialBalanceLines(const FilePath& path)
{
    std::vector<std::string> out;
    char line[160];
    Table accounts;
    accounts.OpenPath(FileNo::Accounts, path(FileNo::Accounts).c_str());
    KeyBuffer key;
    TagAccount a;
    double debit = 0.0, credit = 0.0;
    out.push_back("");
    out.push_back("Trial balance:");
    std::snprintf(line, sizeof line, "  %-10s %-26s %12s %12s", "Account", "Description", "Debit", "Credit");
    out.push_back(line);
    for (Status s = accounts.Get(B_GET_FIRST, key, a); s.Ok(); s = accounts.Get(B_GET_NEXT, key, a)) {
        if (a.Kind != 'D')
            continue;
        const double net = std::round((a.DebitTotal - a.CreditTotal) * 100.0) / 100.0;
        if (net == 0.0)
            continue;
        char dr[16] = "", cr[16] = "";
        std::snprintf(net > 0 ? dr : cr, sizeof dr, "%.2f", std::fabs(net));
        std::snprintf(line, sizeof line, "  %-10s %-26s %12s %12s", Text(a.Number, 11).c_str(),
                      Text(a.Description, 26).c_str(), dr, cr);
        out.push_back(line);
        (net > 0 ? debit : credit) += std::fabs(net);
    }
    std::snprintf(line, sizeof line, "  %-10s %-26s %12.2f %12.2f%s", "", "Total", debit, credit,
                  std::fabs(debit - credit) < 0.005 ? "  (balanced)" : "  (NOT BALANCED)");
    out.push_back(line);
    return out;
}

std::vector<std::string> OpenInvoiceLines(const FilePath& path)
{
    std::vector<std::string> out;
    char line[160];
    Table items;
    items.OpenPath(FileNo::ReceivablesOpenItems, path(FileNo::ReceivablesOpenItems).c_str());
    KeyBuffer key;
    TagOpenInvoice d;
    std::map<std::string, std::vector<std::string>> byCustomer;
    for (Status s = items.Get(B_GET_FIRST, key, d); s.Ok(); s = items.Get(B_GET_NEXT, key, d)) {
        std::snprintf(line, sizeof line, "invoice %s %10.2f %s", Text(d.Invoice, 11).c_str(), d.Amount,
                      d.Status == 'P' ? "posted" : "open");
        byCustomer[Text(d.Customer, 11)].push_back(line);
    }
    out.push_back("");
    out.push_back("Customer balances:");
    Table customers;
    customers.OpenPath(FileNo::Customers, path(FileNo::Customers).c_str());
    KeyBuffer ck;
    CustomerRecord c;
    for (Status s = customers.Get(B_GET_FIRST, ck, c); s.Ok(); s = customers.Get(B_GET_NEXT, ck, c)) {
        std::snprintf(line, sizeof line, "  %-10s %10.2f", Text(c.Code, sizeof c.Code).c_str(), +c.Balance);
        out.push_back(line);
    }
    out.push_back("");
    out.push_back("Open invoices by customer:");
    if (byCustomer.empty())
        out.push_back("  none");
    for (const auto& [customer, lines] : byCustomer)
        for (const std::string& l : lines) {
            std::snprintf(line, sizeof line, "  %-10s %s", customer.c_str(), l.c_str());
            out.push_back(line);
        }
    return out;
}


// ---- card interface

namespace {

// The authorizer's parameter file: the two texts the voice-approval screen
// shows, 19 characters from byte 1270 and 17 from byte 1649.
bool WriteParameterFile(const std::string& folder, std::string& error)
{
    std::vector<char> bytes(2048, '\0');
    const std::string phone = "CALL 800-555-0100";
    const std::string merchant = "MERCHANT 000042";
    std::memcpy(bytes.data() + 1270, phone.data(), phone.size());
    std::memcpy(bytes.data() + 1649, merchant.data(), merchant.size());
    const std::string path = folder + "/ATOM.PRM";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace

std::string AddCardInterface(const FilePath& path, const std::string& dataFolder,
                             std::string& error)
{
    Table general;
    Status s = general.OpenPath(FileNo::General, path(FileNo::General).c_str());
    TagSysInterface record{};
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE - 1);
    if (s.Ok())
        s = general.Get(B_GET_EQUAL, key.data(), &record, sizeof record);
    const bool found = s.Ok();
    if (s.Ok() || s.Is(B_KEY_NOT_FOUND)) {
        if (!found)
            std::memcpy(record.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE - 1);
        record.CardAuthorizer = 'Y';
        s = general.Write(found ? B_UPDATE : B_INSERT, &record, sizeof record, &key);
    }
    if (!s.Ok()) {
        error = "cannot turn the card interface on (record-manager status " +
                std::to_string(s.status) + ")";
        return std::string();
    }
    const std::string folder = dataFolder + "/authorizer";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot make " + folder + ": " + ec.message();
        return std::string();
    }
    return WriteParameterFile(folder, error) ? folder : std::string();
}

}  // namespace host
