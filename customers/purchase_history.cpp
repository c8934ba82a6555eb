// The customer purchase history report RSCustPurchaseHist: every product,
// service and code line of a customer's invoices in a date range, printed
// through the report writer, with a grand total.
#include "customers/purchase_history.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records/code_fields.h"
#include "bwps/records/sales.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/stations.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace bwps::customers {
namespace {

constexpr int kMsgBadDate = 185;
constexpr int kMsgNothing = 309;
constexpr int kKeyTake = 0x4400;  // F10
constexpr int kCustomerKey = 4;   // customer code, then date
constexpr int kSecondKey = 6;     // second customer code, then date
constexpr int kPageRows = 58;

// Report columns: caption lines and the columns they start at.
struct Column {
    const char* top;
    const char* bottom;
    int at;
};
constexpr Column kColumns[] = {
    {"Item", "Item Code", 0},    {"Type", "", 16},          {"Sale", "Date", 25},
    {"Units", "Sold", 34},       {"Sales", "Fraction", 46}, {"Price", "per Unit", 58},
    {"Total Price", "", 70},     {"Item Description", "", 82}, {"Invoice", "Number", 123},
};

std::string Text(const char* field, size_t width)
{
    std::string s(field, strnlen(field, width));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

std::string DateText(int32_t date, const char* open)
{
    if (date == 0)
        return open;
    char text[16];
    return FxDateFormatLong(text, date);
}

// A sale's date in its column: "MM/DD/YY".
std::string ShortDate(int32_t date)
{
    char text[16];
    return FxDateFormat(text, date);
}

class Printer {
public:
    Printer(TagRepInfo& report, const PurchaseHistoryRange& range) : report_(report), range_(range) {}

    void Heading()
    {
        if (started_)
            ReportEndPage(&report_);
        started_ = true;
        ReportWritePageHeading(&report_, 0);
        ReportWriteText(&report_, "CUSTOMER PURCHASE HISTORY", REPORT_ALIGN_CENTRE, 1);
        ReportNewLines(&report_, 1);
        const std::string customer = "Customer: " + range_.customer + "  " + range_.name;
        ReportWriteText(&report_, customer.c_str(), REPORT_ALIGN_CENTRE, 1);
        ReportNewLines(&report_, 1);
        const std::string dates =
            "Date From: " + DateText(range_.from, "First") + " To " + DateText(range_.to, "Last");
        ReportWriteText(&report_, dates.c_str(), REPORT_ALIGN_CENTRE, 1);
        ReportNewLines(&report_, 2);
        for (const Column& c : kColumns)
            ReportWriteText(&report_, c.top, c.at, 0);
        ReportNewLines(&report_, 1);
        for (const Column& c : kColumns)
            ReportWriteText(&report_, c.bottom, c.at, 0);
        ReportNewLines(&report_, 1);
        Rule();
    }

    void Rule()
    {
        ReportWriteText(&report_, std::string(134, '-').c_str(), 0, 0);
        ReportNewLines(&report_, 1);
    }

    void Row(const TagSalesDetail& line, int32_t date, const char* invoice)
    {
        if (!started_ || static_cast<int>(report_.line) >= kPageRows)
            Heading();
        const char* type = line.Kind == 'P' ? "Product" : line.Kind == 'S' ? "Service" : "Code   ";
        char text[64];
        ReportWriteText(&report_, Text(line.ItemCode, sizeof line.ItemCode).c_str(), 0, 0);
        ReportWriteText(&report_, type, 16, 0);
        ReportWriteText(&report_, ShortDate(date).c_str(), 25, 0);
        std::snprintf(text, sizeof text, "%10.2f", line.Quantity);
        ReportWriteText(&report_, text, 34, 0);
        double fraction = 0;
        std::memcpy(&fraction, reinterpret_cast<const uint8_t*>(&line) + kLineFraction, sizeof fraction);
        std::snprintf(text, sizeof text, "%10.2f", fraction);
        ReportWriteText(&report_, text, 46, 0);
        std::snprintf(text, sizeof text, "%10.2f", line.UnitPrice);
        ReportWriteText(&report_, text, 58, 0);
        std::snprintf(text, sizeof text, "%10.2f", line.Extended);
        ReportWriteText(&report_, text, 70, 0);
        ReportWriteText(&report_, Text(line.Description, sizeof line.Description).c_str(), 82, 0);
        ReportWriteText(&report_, invoice, 123, 1);
        ReportNewLines(&report_, 1);
        total_ += line.Extended;
        ++rows_;
    }

    void Total()
    {
        Rule();
        ReportWriteText(&report_, "GRAND TOTAL =======>", 0, 1);
        ReportNewLines(&report_, 1);
        char text[64];
        std::snprintf(text, sizeof text, "%10.2f", total_);
        ReportWriteText(&report_, text, 70, 1);
        ReportNewLines(&report_, 1);
        ReportEndPage(&report_);
    }

    int Rows() const { return rows_; }
    double Sum() const { return total_; }

    // The fraction of a detail line (a double at 168).
    static constexpr size_t kLineFraction = 168;

private:
    TagRepInfo& report_;
    const PurchaseHistoryRange& range_;
    bool started_ = false;
    int rows_ = 0;
    double total_ = 0;
};

// Prints the lines of one invoice; false when its detail source failed.
bool PrintInvoice(Printer& printer, const TagSalesHdr& header)
{
    InvDetailSource source{};
    source.handle = -1;
    source.fd = -1;
    std::memcpy(source.header, &header, sizeof source.header);
    if (!OpenInvDetailSource(&source))
        return false;
    const std::string invoice = Text(header.InvoiceNo, sizeof header.InvoiceNo);
    bool ok = true;
    for (int status = ReadInvDetailSourceAt(&source, B_GET_GE); status == 0;
         status = ReadInvDetailSourceAt(&source, B_GET_NEXT)) {
        TagSalesDetail line;
        std::memcpy(&line, source.line, sizeof line);
        if (Text(line.InvoiceNo, sizeof line.InvoiceNo) != invoice)
            break;
        if (line.Kind == 'P' || line.Kind == 'S' || line.Kind == 'C')
            printer.Row(line, header.TranDate, invoice.c_str());
    }
    CloseInvDetailSource(&source);
    return ok;
}

}  // namespace

PurchaseHistoryResult PrintPurchaseHistory(const PurchaseHistoryRange& range, TagRepInfo& report)
{
    PurchaseHistoryResult result;
    Table headers;
    result.status = headers.Open(FileNo::SalesHeader);
    if (!result.status.Ok())
        return result;
    if (!ReportOpen(&report, "View Customers")) {
        result.failed = true;
        return result;
    }
    Printer printer(report, range);
    uint8_t work[32] = {};
    for (int pass = 0; pass < 2 && !result.failed; ++pass) {
        headers.SetKey(pass == 0 ? kCustomerKey : kSecondKey);
        KeyBuffer key;
        std::memcpy(key.bytes, range.customer.data(), std::min<size_t>(range.customer.size(), 10));
        std::memcpy(key.bytes + 11, &range.from, sizeof range.from);
        TagSalesHdr h{};
        Status s = headers.Get(B_GET_GE, key, h);
        for (; s.Ok(); s = headers.Get(B_GET_NEXT, key, h)) {
            // a layaway counts for its own customer once it was completed
            const bool secondCustomer = SaleTypeIs(h.Type, SALE_TYPE_LAYAWAY) != 0;
            if (pass == 0 && secondCustomer)
                continue;
            if (pass == 1 && !(secondCustomer && (h.Flags & SALE_LAYAWAY_COMPLETED) != 0))
                continue;
            const char* code = pass == 0 ? h.CustomerNo : h.LayawayCustomer;
            if (Text(code, sizeof h.CustomerNo) != range.customer || h.TranDate < range.from ||
                (range.to != 0 && h.TranDate > range.to))
                break;
            if (ReportCheckUserBreak(work))
                break;
            if (!PrintInvoice(printer, h)) {
                result.failed = true;
                break;
            }
        }
        if (!s.Ok() && !s.NotFound()) {
            result.status = Status{s.status, B_GET_NEXT, FileNo::SalesHeader};
            result.failed = true;
        }
    }
    if (!result.failed && printer.Rows() > 0)
        printer.Total();
    result.rows = printer.Rows();
    result.total = printer.Sum();
    ReportClose(&report);
    return result;
}

}  // namespace bwps::customers

// ---- the screen RSCustPurchaseHist

namespace bwps::customers {
namespace {

enum DateField { kFrom = 1, kTo };

struct DatesScreen {
    FxContext fx;  // first: the framework hands the context to the handlers
    FxForm form;
    FxWindow window;
    std::array<ScreenField, 3> fields;
    uint8_t colours[COLOR_SET_SIZE];
    PurchaseHistoryRange* range;
    bool taken;
};

DatesScreen& Dates(void* context) { return *static_cast<DatesScreen*>(context); }

// A field's date: 0 for an open end ("First"/"Last" shown); false after
// message 185 for a text that is no date.
bool FieldDate(DatesScreen& s, int field, int32_t* date)
{
    char text[32] = {};
    std::snprintf(text, sizeof text, "%s", FxFieldGet(&s.form, field));
    FxTrimText(4, text);
    const int32_t parsed = FxDateParse(text);
    if (parsed == 0) {
        *date = 0;
        FxFieldSet(&s.form, field, field == kFrom ? "First" : "Last");
        return true;
    }
    if (FxDateValid(text) == 0) {
        ShowMessage(kMsgBadDate, MESSAGE_DEFAULT_CONTEXT);
        return false;
    }
    *date = parsed;
    return true;
}

int OnDateExit(void* context)
{
    DatesScreen& s = Dates(context);
    int32_t date = 0;
    return FieldDate(s, s.form.currentField, &date) ? FX_GO_ON : FX_STAY;
}

int OnTake(void* context)
{
    DatesScreen& s = Dates(context);
    int32_t from = 0, to = 0;
    if (!FieldDate(s, kFrom, &from)) {
        FxFocusField(&s.form, kFrom);
        return FX_STAY_FOCUSED;
    }
    if (!FieldDate(s, kTo, &to)) {
        FxFocusField(&s.form, kTo);
        return FX_STAY_FOCUSED;
    }
    s.range->from = from;
    s.range->to = to;
    s.taken = true;
    return FX_LEAVE;
}

int OnDatesStart(void* context)
{
    DatesScreen& s = Dates(context);
    FxFieldSet(&s.form, kFrom, DateText(s.range->from, "First").c_str());
    FxFieldSet(&s.form, kTo, DateText(s.range->to, "Last").c_str());
    return FX_GO_ON;
}

// Runs the dates screen once; true when F10 took the dates.
bool AskDates(PurchaseHistoryRange& range, bool* loaded)
{
    auto screen = std::make_unique<DatesScreen>();
    DatesScreen& s = *screen;
    s.range = &range;
    s.fields = {{
        bwps::Field(kFrom, 2, 14, "%-10s").Exit(OnDateExit),
        bwps::Field(kTo, 3, 14, "%-10s").Exit(OnDateExit),
        {},
    }};
    *loaded = false;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, s.fields.data(), 0) != 0 &&
        FxWindowCreate(&s.window, 8, 20, 14, 60, 1, 1, ' ', nullptr) == 0) {
        *loaded = true;
        SetColorSet(s.colours, 2);
        FxWindowSetName(&s.window, "RSCustPurchaseHist");
        SetupStandardScreen(&s.form, 35, 0);
        FxSetKeyHandler(&s.form, kKeyTake, OnTake);
        FxSetKeyCaption(&s.form, kKeyTake, "Print");
        for (int key : {0x3F00, 0x4000, 0x4200}) {  // F5, F6, F8
            FxSetKeyHandler(&s.form, key, nullptr);
            FxSetKeyState(&s.form, key, 0);
        }
        s.form.newRecord = OnDatesStart;
        FxWindowAttachForm(&s.window, &s.form, 0);
        const std::string customer = "Customer: " + range.customer;
        FxWindowText(&s.window, 1, 2, -1, customer.c_str(), 0);
        FxWindowText(&s.window, 2, 2, -1, "Date from:", 0);
        FxWindowText(&s.window, 3, 2, -1, "Date to:", 0);
        FxAppRun(&s.fx, 1);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    return s.taken;
}

}  // namespace

int ShowPurchaseHistory(PurchaseHistoryRange& range)
{
    for (;;) {
        bool loaded = false;
        if (!AskDates(range, &loaded))
            return loaded ? 0 : FX_STAY;
        TagRepInfo report{};
        report.silent = 1;
        report.wide = 1;
        report.destination = REPORT_TO_TEXT_FILE;
        char folder[FOLDER_BUFFER_SIZE] = {};
        std::snprintf(folder, sizeof folder, "%s", GetFilesPath());
        FxFolderEnd(folder);
        std::snprintf(report.outputFile, sizeof report.outputFile, "%s%s", folder, kPurchaseHistoryFile);
        const PurchaseHistoryResult result = PrintPurchaseHistory(range, report);
        if (!result.status.Ok())
            result.status.Report();
        else if (!result.failed && result.rows == 0)
            ShowMessage(kMsgNothing, MESSAGE_DEFAULT_CONTEXT);
        else if (!result.failed) {
            const std::string done = std::string("The report was written to ") + report.outputFile + ".";
            FxMessageBox(nullptr, done.c_str(), nullptr, FX_MB_ICONINFORMATION, 0);
        }
    }
}

}  // namespace bwps::customers
