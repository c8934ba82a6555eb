// The customer history viewer RSViewCustHistory: one customer's sales by
// period for one year (BPOSCUHI.DB), beside the customer's balances and
// open items; the period amounts can be corrected and saved.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/open_items.h"
#include "bwps/ordinals.h"
#include "bwps/param_string.h"
#include "bwps/record_helpers.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/records/open_items.h"
#include "bwps/records/options.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "customers/history_viewer.h"
#include "customers/purchase_history.h"
#include "bwps/periods.h"
#include "fx.h"
#include "recman.h"

namespace bwps::customers {
namespace {

constexpr int kPeriods = 13;
constexpr int kFirstPeriodField = 10;
constexpr int kFieldsPerPeriod = 6;
constexpr int kFieldCount = kFirstPeriodField - 1 + kPeriods * kFieldsPerPeriod;  // 87
constexpr int kFirstPeriodRow = 7;

constexpr int kMsgNoCode = 201;
constexpr int kMsgNotANumber = 3604;

constexpr int kKeyLookUp = 0x3F00;       // F5
constexpr int kKeyDelete = 0x4000;       // F6
constexpr int kKeyOpenItems = 0x4100;    // F7
constexpr int kKeyAdd = 0x4200;          // F8
constexpr int kKeyEdit = 0x4300;         // F9
constexpr int kKeySave = 0x4400;         // F10
constexpr int kKeyPeriodEditor = 0x5600; // Shift+F3
constexpr int kKeyPurchases = 0x5A00;    // Shift+F7
constexpr int kKeyList = 3610;           // the key bar's Shift+F3 and Shift+F7

enum Field { kCode = 1, kName, kYear, kBalance, kLastSale, kSaleDate, kOpenItems, kCreditLimit, kAvailable };

constexpr int PeriodField(int period, int column) { return kFirstPeriodField + kFieldsPerPeriod * period + column; }

std::string Trim(const char* text, size_t width)
{
    std::string s(text, strnlen(text, width));
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    s.erase(0, first);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

constexpr std::array<ScreenField, kFieldCount + 1> MakeTemplate()
{
    std::array<ScreenField, kFieldCount + 1> t{};
    t[kCode - 1] = bwps::Field(kCode, 1, 13, "%-10sC").Flags(FX_FIELD_UPPER);
    t[kName - 1] = bwps::Field(kName, 1, 25, "%-40s").DisplayOnly();
    t[kYear - 1] = bwps::Field(kYear, 2, 13, "%6lu");
    t[kBalance - 1] = bwps::Field(kBalance, 3, 13, "%11.2f").DisplayOnly();
    t[kLastSale - 1] = bwps::Field(kLastSale, 3, 38, "%11.2f").DisplayOnly();
    t[kSaleDate - 1] = bwps::Field(kSaleDate, 3, 63, "nn/nn/nnnn").DisplayOnly();
    t[kOpenItems - 1] = bwps::Field(kOpenItems, 4, 13, "%11.2f").DisplayOnly();
    t[kCreditLimit - 1] = bwps::Field(kCreditLimit, 4, 38, "%11.2f").DisplayOnly();
    t[kAvailable - 1] = bwps::Field(kAvailable, 4, 63, "%11.2f").DisplayOnly();
    for (int p = 0; p < kPeriods; ++p) {
        const auto row = static_cast<uint8_t>(kFirstPeriodRow + p);
        const auto number = [p](int column) { return static_cast<uint8_t>(PeriodField(p, column)); };
        t[number(0) - 1] = bwps::Field(number(0), row, 6, "%11.2f").DisplayOnly();
        t[number(1) - 1] = bwps::Field(number(1), row, 18, "%11.2f").DisplayOnly();
        t[number(2) - 1] = bwps::Field(number(2), row, 30, "%9.0f").DisplayOnly();
        t[number(3) - 1] = bwps::Field(number(3), row, 40, "%9.0f").DisplayOnly();
        t[number(4) - 1] = bwps::Field(number(4), row, 50, "%9.0f").DisplayOnly();
        t[number(5) - 1] = bwps::Field(number(5), row, 60, "%9.0f").DisplayOnly();
    }
    return t;
}

constexpr auto kTemplate = MakeTemplate();

struct Viewer {
    FxContext fx;  // first: the framework hands the context to the handlers
    FxForm form;
    FxWindow window;
    std::array<ScreenField, kFieldCount + 1> fields;
    uint8_t colours[COLOR_SET_SIZE];
    Table history, customers, openItems;
    TagCustomerStatistics record;
    CustomerRecord customer;
    std::string key;     // the customer of the record shown
    int32_t keyYear = 0;
    std::string startCode;
    int32_t startYear = 0;
    int periodCount = kPeriods;
    TagPeriods periods{};
    bool havePeriods = false;
    int32_t rangeFrom = 0, rangeTo = 0;
    std::string entered;  // a period field's text when the cursor came in
    double openTotal = 0; // the customer's open items
    bool editing = false;
};

Viewer& Of(void* context) { return *static_cast<Viewer*>(context); }

void ShowAmount(Viewer& v, int field, double value, int decimals)
{
    char text[48];
    FxFieldSet(&v.form, field, FxFormatAmount(value, text, decimals));
}

// The screen from the record and the customer: the amounts rounded to
// cents, each period's difference and the running totals.
void Fill(Viewer& v)
{
    FxFieldSet(&v.form, kCode, v.key.c_str());
    FxFieldSet(&v.form, kName, Trim(v.customer.Name, sizeof v.customer.Name).c_str());
    char year[16] = {};
    if (v.keyYear != 0)
        std::snprintf(year, sizeof year, "%d", v.keyYear);
    FxFieldSet(&v.form, kYear, year);
    ShowAmount(v, kBalance, v.customer.Balance, 2);
    ShowAmount(v, kLastSale, v.customer.LastSaleAmount, 2);
    char date[16] = {};
    const int32_t d = v.customer.LastSaleDate;
    if (d != 0)
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", d / 100 % 100, d % 100, d / 10000);
    FxFieldSet(&v.form, kSaleDate, date);
    ShowAmount(v, kOpenItems, v.openTotal, 2);
    ShowAmount(v, kCreditLimit, v.customer.CreditLimit, 2);
    ShowAmount(v, kAvailable, v.customer.CreditLimit - v.customer.LastSaleAmount, 2);
    double total1 = 0, total2 = 0;
    for (int p = 0; p < kPeriods; ++p) {
        if (p >= v.periodCount) {
            for (int c = 0; c < kFieldsPerPeriod; ++c)
                FxFieldSetState(&v.form, PeriodField(p, c), 2);
            continue;
        }
        v.record.First[p] = FxRound(v.record.First[p], 2);
        v.record.Second[p] = FxRound(v.record.Second[p], 2);
        const double first = v.record.First[p], second = v.record.Second[p];
        total1 += first;
        total2 += second;
        ShowAmount(v, PeriodField(p, 0), first, 2);
        ShowAmount(v, PeriodField(p, 1), second, 2);
        ShowAmount(v, PeriodField(p, 2), FxRound(first - second, 2), 0);
        ShowAmount(v, PeriodField(p, 3), total1, 0);
        ShowAmount(v, PeriodField(p, 4), total2, 0);
        ShowAmount(v, PeriodField(p, 5), total1 - total2, 0);
    }
    FxFormRedraw(&v.fx, &v.form);
}

void SetPeriodFieldsOpen(Viewer& v, bool open)
{
    v.editing = open;
    for (int p = 0; p < v.periodCount; ++p)
        for (int c = 0; c < 2; ++c)
            FxFieldSetDisplayOnly(&v.form, PeriodField(p, c), open ? 0 : 1);
}

// Reads the customer and its history for the year; the screen filled.
void Load(Viewer& v, const std::string& code, int32_t year)
{
    v.key = code;
    v.keyYear = year;
    std::memset(&v.record, 0, sizeof v.record);
    std::memset(&v.customer, 0, sizeof v.customer);
    v.openTotal = 0;
    if (!code.empty()) {
        uint8_t key[15] = {};
        std::memcpy(key, code.data(), std::min<size_t>(code.size(), 10));
        std::memcpy(key + 11, &year, 4);
        ReadCustomerHistory(v.history.Handle(), key, &v.record);
        KeyBuffer k;
        std::memcpy(k.bytes, code.data(), std::min<size_t>(code.size(), 10));
        if (!v.customers.Get(B_GET_EQUAL, k, v.customer).Ok()) {
            std::memset(&v.customer, 0, sizeof v.customer);
            ClearCustomerHistoryAmounts(&v.customer);
        } else if (v.openItems.IsOpen()) {
            // the customer's open items, totalled once for each customer shown
            double current = 0, pastDue = 0, lastAmount = 0;
            int32_t lastDate = 0;
            ListOpenItemsToWindow(v.openItems.Handle(), &v.customer, &current, &pastDue, &lastAmount, &lastDate,
                                  FxToday());
            v.openTotal = current + pastDue;
        }
    }
    Fill(v);
}

int32_t ScreenYear(Viewer& v)
{
    double value = 0;
    if (FxParseNumber(FxFieldGet(&v.form, kYear), 0, &value) != 0 || value < 1 || value > 9999)
        return FxYearOfDate(FxToday());
    return static_cast<int32_t>(value);
}

int OnStart(void* context)
{
    Viewer& v = Of(context);
    SetPeriodFieldsOpen(v, false);
    const int32_t year = v.startYear != 0 ? v.startYear : FxYearOfDate(FxToday());
    const std::string code = v.startCode;
    v.startCode.clear();
    // the period that holds today, for the purchase history
    const int32_t today = FxToday();
    int32_t first = 0, last = 0;
    int number = 0, index = 0, nextYear = 0;
    if (v.havePeriods && LocatePeriod(today, &first, &last, &number, &index, &nextYear, &v.periods) == 0 &&
        number >= 0 && first != 0) {
        v.rangeFrom = first;
        v.rangeTo = last;
    } else {
        v.rangeFrom = v.rangeTo = today;
    }
    v.startYear = 0;
    Load(v, code, year);
    return FX_GO_ON;
}

int OnCodeExit(void* context)
{
    Viewer& v = Of(context);
    const std::string code = Trim(FxFieldGet(&v.form, kCode), 64);
    if (code.empty()) {
        ShowMessage(kMsgNoCode, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (code == v.key)
        return FX_GO_ON;
    CustomerRecord found{};
    if (ReadActiveCustomer(v.customers.Handle(), &found, code.c_str()) != 0)
        return FX_STAY;
    SetPeriodFieldsOpen(v, false);
    Load(v, code, ScreenYear(v));
    return FX_GO_ON;
}

int OnYearExit(void* context)
{
    Viewer& v = Of(context);
    const int32_t year = ScreenYear(v);
    if (year != v.keyYear) {
        SetPeriodFieldsOpen(v, false);
        Load(v, v.key, year);
    }
    return FX_GO_ON;
}

int OnPeriodEnter(void* context)
{
    Viewer& v = Of(context);
    v.entered = FxFieldGet(&v.form, v.form.currentField);
    return FX_GO_ON;
}

// Reads a period amount from the screen; false when it is not a number.
bool ScreenAmount(Viewer& v, int field, double* value)
{
    const std::string text = Trim(FxFieldGet(&v.form, field), 64);
    *value = 0;
    if (text.empty())
        return true;
    return FxParseNumber(text.c_str(), 0, value) == 0 && std::isfinite(*value);
}

// Takes every shown period amount into the record; false (the field
// focused) when one is not a number.
bool TakePeriods(Viewer& v, TagCustomerStatistics& record)
{
    for (int p = 0; p < v.periodCount; ++p) {
        for (int c = 0; c < 2; ++c) {
            double value = 0;
            if (!ScreenAmount(v, PeriodField(p, c), &value)) {
                ShowMessage(kMsgNotANumber, MESSAGE_DEFAULT_CONTEXT);
                FxFocusField(&v.form, PeriodField(p, c));
                return false;
            }
            if (c == 0)
                record.First[p] = value;
            else
                record.Second[p] = value;
        }
    }
    return true;
}

int OnPeriodExit(void* context)
{
    Viewer& v = Of(context);
    const int field = v.form.currentField;
    if (std::string(FxFieldGet(&v.form, field)) == v.entered)
        return FX_GO_ON;
    TagCustomerStatistics taken = v.record;
    if (!TakePeriods(v, taken))
        return FX_STAY_FOCUSED;
    v.record = taken;
    Fill(v);
    return FX_GO_ON;
}

int OnEdit(void* context)
{
    Viewer& v = Of(context);
    if (v.key.empty() || v.keyYear == 0)
        return FX_STAY;
    SetPeriodFieldsOpen(v, true);
    FxFocusField(&v.form, kFirstPeriodField);
    return FX_STAY_FOCUSED;
}

int OnSave(void* context)
{
    Viewer& v = Of(context);
    if (v.key.empty() || !v.editing)
        return FX_STAY;
    TagCustomerStatistics taken = v.record;
    if (!TakePeriods(v, taken))
        return FX_STAY_FOCUSED;
    const Status s = SaveCustomerHistory(v.history, v.key, v.keyYear, taken, v.periodCount);
    if (!s.Ok()) {
        s.Report();
        SetPeriodFieldsOpen(v, false);
        return FX_STAY;
    }
    SetPeriodFieldsOpen(v, false);
    v.key.clear();
    v.keyYear = 0;
    return FX_RECORD_DONE;
}

int OnLookUp(void* context)
{
    Viewer& v = Of(context);
    if (v.form.currentField != kCode)
        return FX_STAY;
    const std::string start = Trim(FxFieldGet(&v.form, kCode), 64);
    CustomerRecord picked{};
    if (!FlyCustomers(start.empty() ? nullptr : start.c_str(), 0, v.customers.Handle(), &picked, 4, 5, 13, 68,
                      nullptr, 0))
        return FX_STAY;
    FxFieldSet(&v.form, kCode, Trim(picked.Code, sizeof picked.Code).c_str());
    return OnCodeExit(context) == FX_GO_ON ? FX_LOOKUP_SET : FX_STAY;
}

int OnOpenItems(void* context)
{
    Viewer& v = Of(context);
    const std::string code = Trim(FxFieldGet(&v.form, kCode), 64);
    if (code.empty())
        return FX_STAY;
    TagOpenItem item{};
    FlyAPOpenItems(code.c_str(), nullptr, 0, v.openItems.Handle(), &item, No(FileNo::ReceivablesOpenItems), 4, 4,
                   13, 72);
    return FX_STAY;
}

int OnPeriodEditor(void* context)
{
    Viewer& v = Of(context);
    const std::string code = Trim(FxFieldGet(&v.form, kCode), 64);
    if (code.empty())
        return FX_STAY;
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 10));
    CustomerRecord r{};
    const Status s = v.customers.Get(B_GET_EQUAL, key, r);
    if (!s.Ok()) {
        s.Report();
        return FX_STAY;
    }
    RSEditCustHist(No(FileNo::Customers), v.customers.Handle(), &r);
    v.customer = r;
    return FX_STAY;
}

// The customer's purchases in the viewer's range, which keeps the dates
// last printed.
int OnPurchases(void* context)
{
    Viewer& v = Of(context);
    const std::string code = Trim(FxFieldGet(&v.form, kCode), 64);
    if (code.empty())
        return FX_STAY;
    PurchaseHistoryRange range{code, Trim(v.customer.Name, sizeof v.customer.Name), v.rangeFrom, v.rangeTo};
    const int answer = ShowPurchaseHistory(range);
    v.rangeFrom = range.from;
    v.rangeTo = range.to;
    return answer == 0 ? FX_STAY : answer;
}

int NoKey(void*) { return FX_STAY; }

}  // namespace

Status SaveCustomerHistory(Table& history, const std::string& code, int32_t year,
                           const TagCustomerStatistics& amounts, int periods)
{
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 10));
    std::memcpy(key.bytes + 11, &year, 4);
    TagCustomerStatistics stored{};
    Status s = history.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, stored);
    const bool found = s.Ok();
    if (!found && !s.Is(B_KEY_NOT_FOUND)) {
        history.UnlockAll();
        return s;
    }
    if (!found) {
        std::memset(&stored, 0, sizeof stored);
        std::memcpy(stored.Code, code.data(), std::min<size_t>(code.size(), 10));
        stored.Kind = year;
    }
    // periods beyond those of the store's year keep their amounts
    for (int p = 0; p < std::min(periods, kPeriods); ++p) {
        stored.First[p] = amounts.First[p];
        stored.Second[p] = amounts.Second[p];
    }
    s = found ? history.Update(stored, &key) : history.Insert(stored, &key);
    history.UnlockAll();
    return s;
}

int ViewCustomerHistory(const char* code, int year)
{
    auto viewer = std::make_unique<Viewer>();
    Viewer& v = *viewer;
    if (LoadPeriodsRecord(&v.periods) == 0) {
        v.havePeriods = true;
        if (v.periods.Count >= 1 && v.periods.Count <= kPeriods)
            v.periodCount = v.periods.Count;
    }
    const FileNo files[] = {FileNo::CustomerStatistics, FileNo::Customers, FileNo::ReceivablesOpenItems};
    Table* tables[] = {&v.history, &v.customers, &v.openItems};
    for (size_t i = 0; i < std::size(files); ++i) {
        const Status s = tables[i]->Open(files[i]);
        if (!s.Ok()) {
            s.Report();
            return 0;
        }
    }
    v.startCode = code != nullptr ? Trim(code, 10) : std::string();
    v.startYear = year;
    v.fields = kTemplate;
    v.fields[kCode - 1].exitHandler = OnCodeExit;
    v.fields[kYear - 1].exitHandler = OnYearExit;
    for (int p = 0; p < kPeriods; ++p)
        for (int c = 0; c < 2; ++c) {
            v.fields[PeriodField(p, c) - 1].entryHandler = OnPeriodEnter;
            v.fields[PeriodField(p, c) - 1].exitHandler = OnPeriodExit;
        }
    FxAppBegin(&v.fx);
    int result = 0;
    if (FxFormLoad(&v.form, v.fields.data(), 0) == 0) {
        FxAppEnd(&v.fx);
        return 27;
    }
    if (FxWindowCreate(&v.window, 1, 1, 23, 78, 1, 1, ' ', nullptr) == 0) {
        SetColorSet(v.colours, 2);
        FxWindowSetName(&v.window, "RSViewCustHistory");
        SetupStandardScreen(&v.form, 0x51, kKeyList);
        FxSetKeyHandler(&v.form, kKeyLookUp, OnLookUp);
        FxSetKeyHandler(&v.form, kKeyOpenItems, OnOpenItems);
        FxSetKeyCaption(&v.form, kKeyOpenItems, "Open Items");
        FxSetKeyHandler(&v.form, kKeyEdit, OnEdit);
        FxSetKeyCaption(&v.form, kKeyEdit, "Correct");
        FxSetKeyHandler(&v.form, kKeySave, OnSave);
        FxSetKeyCaption(&v.form, kKeySave, "Save");
        FxSetKeyHandler(&v.form, kKeyPeriodEditor, OnPeriodEditor);
        FxSetKeyHandler(&v.form, kKeyPurchases, OnPurchases);
        FxSetKeyHandler(&v.form, kKeyDelete, NoKey);
        FxSetKeyState(&v.form, kKeyDelete, 0);
        FxSetKeyHandler(&v.form, kKeyAdd, NoKey);
        FxSetKeyState(&v.form, kKeyAdd, 0);
        v.form.newRecord = OnStart;
        FxWindowAttachForm(&v.window, &v.form, 0);
        struct Label {
            int row, column;
            const char* text;
        };
        static const Label kLabels[] = {
            {1, 2, "Customer:"},   {2, 2, "Year:"},       {3, 2, "Balance:"},    {3, 27, "Last sale:"},
            {3, 52, "Sale date:"}, {4, 2, "Open items:"}, {4, 27, "Credit:"},    {4, 52, "Less sale:"},
            {6, 2, "Per"},         {6, 9, "Sales"},       {6, 21, "Cost"},       {6, 32, "Profit"},
            {6, 40, "Tot sales"},  {6, 51, "Tot cost"},   {6, 59, "Tot profit"},
        };
        for (const Label& l : kLabels)
            FxWindowText(&v.window, l.row, l.column, -1, l.text, 0);
        for (int p = 0; p < v.periodCount; ++p) {
            char number[16];
            std::snprintf(number, sizeof number, "%2d", p + 1);
            FxWindowText(&v.window, kFirstPeriodRow + p, 2, -1, number, 0);
        }
        FxAppRun(&v.fx, 1);
        FxWindowClose(&v.window, 1);
        result = 1;
    }
    FxAppEnd(&v.fx);
    return result;
}

}  // namespace bwps::customers

extern "C" {

int RSViewCustHistory(const char* customer, int year)
{
    return bwps::customers::ViewCustomerHistory(customer, year);
}

int ViewCustHistoryByParams(const char* text)
{
    char code[11] = {};
    if (text != nullptr && text[0] != '\0') {
        CParamString params(text, static_cast<int32_t>(std::strlen(text)));
        params.GetValue(code, sizeof code);
    }
    const std::string trimmed = bwps::customers::Trim(code, sizeof code);
    return RSViewCustHistory(trimmed.empty() ? nullptr : trimmed.c_str(), 0);
}

}  // extern "C"

BWPS_ORDINAL(459, RSViewCustHistory);
BWPS_ORDINAL(460, ViewCustHistoryByParams);
