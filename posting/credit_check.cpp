// CBaseCreditCheck: the credit limit and past-due checks of a charge sale,
// with their warning and error screens and the supervisor override.
#include "bwps/credit_check.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/options.h"
#include "bwps/records/masters.h"
#include "bwps/records/open_invoices.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kPasswordWidth = 15;
constexpr int kCustomerBalanceKey = 2;

uint16_t H(short handle) { return static_cast<uint16_t>(handle); }

// The records the class keeps as bytes, seen through their layouts.
CustomerRecord CustomerOf(const uint8_t* record)
{
    CustomerRecord customer;
    std::memcpy(&customer, record, sizeof customer);
    return customer;
}

TagSystemPref PrefOf(const uint8_t* record)
{
    TagSystemPref pref;
    std::memcpy(&pref, record, sizeof pref);
    return pref;
}

bool Empty(const char* text, size_t width)
{
    char copy[32] = {};
    std::memcpy(copy, text, width < sizeof copy ? width : sizeof copy - 1);
    return FxIsEmpty(copy) != 0;
}

// ---- The check screens -------------------------------------------------

struct CheckScreen {
    FxContext fx;                 // first: the framework's context
    FxForm form;
    FxWindow window;
    const uint8_t* sysPref;
    short headersHandle;
    const char* customer;
    int goField;                  // the button that lets the sale go on
    int closedOn;                 // the button field the form closed on
};

struct PasswordScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    const uint8_t* sysPref;
    bool accepted;
};

// The stored password (kept transformed) in plain text.
void PlainPassword(const uint8_t* sysPref, char* out)
{
    std::memcpy(out, PrefOf(sysPref).Options + OPTION_CREDIT_PASSWORD, kPasswordWidth);
    out[kPasswordWidth] = '\0';
    for (char* p = out; *p != '\0'; ++p)
        FxCharTransform88(p);
    FxTrimText(5, out);
}

int OnPasswordExit(void* context)
{
    auto* c = static_cast<PasswordScreen*>(context);
    const int key = c->fx.key;
    if (key == FX_KEY_F10 || key == FX_KEY_UP || key == FX_KEY_DOWN)
        return FX_GO_ON;
    char typed[64] = {};
    std::snprintf(typed, sizeof typed, "%s", FxFieldGet(&c->form, 1));
    FxTrimText(5, typed);
    char stored[kPasswordWidth + 1];
    PlainPassword(c->sysPref, stored);
    if (stored[0] != '\0' && std::strcmp(typed, stored) == 0) {
        c->accepted = true;
        return FX_LEAVE;
    }
    ShowMessage(1543, MESSAGE_DEFAULT_CONTEXT);
    FxFocusField(&c->form, 1);
    return FX_STAY_FOCUSED;
}

// "RSCRCHKPASSWORD": true when the credit-override password was entered.
bool AskOverridePassword(const uint8_t* sysPref)
{
    static ScreenField fields[2];
    std::memset(fields, 0, sizeof fields);
    fields[0].number = 1;
    fields[0].row = 2;
    fields[0].column = 20;
    std::strcpy(fields[0].picture, "%-14s");
    fields[0].exitHandler = OnPasswordExit;

    PasswordScreen c{};
    c.sysPref = sysPref;
    FxAppBegin(&c.fx);
    if (FxFormLoad(&c.form, fields, 0) != 0 &&
        FxWindowCreate(&c.window, 9, 20, 13, 59, 1, 5, ' ', nullptr) == 0) {
        FxWindowSetName(&c.window, "RSCRCHKPASSWORD");
        FxWindowAttachForm(&c.window, &c.form, 0);
        FxAppRun(&c.fx, 1);
        FxWindowClose(&c.window, 1);
    }
    FxAppEnd(&c.fx);
    return c.accepted;
}

void ShowOpenInvoices(CheckScreen& c)
{
    char customer[12] = {};
    std::memcpy(customer, c.customer, 11);
    TagOpenInvoiceHdr record;
    std::memset(&record, 0, sizeof record);
    // the credit-limit check reads no headers: the list opens the file itself
    Table headers;
    const Status s = headers.Borrow(FileNo::ReceivablesOpenHeaders, c.headersHandle == -1 ? 0 : H(c.headersHandle));
    if (!s.Ok()) {
        s.Report();
        return;
    }
    FlyOpenInvoiceHeaders(customer, 1, headers.Handle(), &record, 5, 21, 10, 53,
                          bwps::No(FileNo::ReceivablesOpenHeaders));
}

int OnButton(void* context)
{
    auto* c = static_cast<CheckScreen*>(context);
    if (c->fx.key != FX_KEY_ENTER)
        return FX_GO_ON;
    const int field = c->form.currentField;
    char caption[32] = {};
    std::snprintf(caption, sizeof caption, "%s", FxFieldGet(&c->form, field));
    FxTrimText(4, caption);
    if (std::strcmp(caption, "Help") == 0) {
        FxShowHelp(1, field + MESSAGE_CONTEXT_OFFSET, 0);
        return FX_STAY;
    }
    if (std::strcmp(caption, "View") == 0) {
        ShowOpenInvoices(*c);
        return FX_STAY;
    }
    if (std::strcmp(caption, "Override") == 0 && !AskOverridePassword(c->sysPref))
        return FX_STAY;
    c->closedOn = field;
    return FX_LEAVE;
}

struct FieldSpec {
    int number, row, column;
    const char* picture;
    const char* caption;   // button caption, or null
};

// Runs one check screen; true when the sale may go on.
bool RunCheckScreen(const char* name, const FieldSpec* specs, int count, int firstButton,
                    int goField, const double* amounts, const char* customer,
                    const uint8_t* sysPref, short headersHandle, bool overrideAllowed)
{
    static ScreenField fields[9];
    std::memset(fields, 0, sizeof fields);
    for (int i = 0; i < count; ++i) {
        fields[i].number = static_cast<uint8_t>(specs[i].number);
        fields[i].row = static_cast<uint8_t>(specs[i].row);
        fields[i].column = static_cast<uint8_t>(specs[i].column);
        std::snprintf(fields[i].picture, sizeof fields[i].picture, "%s", specs[i].picture);
        if (specs[i].caption != nullptr)
            fields[i].exitHandler = OnButton;
        else
            fields[i].displayOnly = 1;
    }
    CheckScreen c{};
    c.sysPref = sysPref;
    c.headersHandle = headersHandle;
    c.customer = customer;
    c.goField = goField;
    FxAppBegin(&c.fx);
    if (FxFormLoad(&c.form, fields, 0) != 0 &&
        FxWindowCreate(&c.window, 4, 7, 4 + 15 - 1, 7 + 72 - 1, 1, 3, ' ', nullptr) == 0) {
        FxWindowSetName(&c.window, name);
        for (int i = 0; i < count; ++i) {
            if (specs[i].caption != nullptr)
                FxFieldSet(&c.form, specs[i].number, specs[i].caption);
        }
        if (amounts != nullptr)
            for (int f = 1; f <= 3; ++f) {
                char number[32], text[40];
                std::snprintf(number, sizeof number, "%12.2f", amounts[f - 1]);
                std::snprintf(text, sizeof text, "%c%s", '$', number);
                FxFieldSet(&c.form, f, text);
            }
        char code[12] = {};
        std::memcpy(code, customer, 11);
        FxFieldSet(&c.form, specs[count - 1].number, code);
        if (!overrideAllowed)
            FxEnableField(&c.form, goField, 0);
        FxWindowAttachForm(&c.window, &c.form, 0);
        FxFocusField(&c.form, firstButton);
        FxAppRun(&c.fx, 0);
        FxWindowClose(&c.window, 1);
    }
    FxAppEnd(&c.fx);
    return c.closedOn != 0 && c.closedOn == c.goField;
}

const FieldSpec kCreditWarning[] = {
    {1, 3, 30, "%-14s", nullptr},   {2, 4, 30, "%-14s", nullptr},
    {3, 5, 30, "%-14s", nullptr},   {4, 12, 4, "%-9s", "Continue"},
    {5, 12, 18, "%-7s", "Cancel"},  {6, 12, 30, "%-8s", "View"},
    {7, 12, 44, "%-10s", "Help"},   {8, 1, 30, "%-10s", nullptr},
};
const FieldSpec kCreditError[] = {
    {1, 3, 30, "%-14s", nullptr},   {2, 4, 30, "%-14s", nullptr},
    {3, 5, 30, "%-14s", nullptr},   {4, 12, 4, "%-5s", "OK"},
    {5, 12, 18, "%-9s", "Override"}, {6, 12, 30, "%-8s", "View"},
    {7, 12, 44, "%-10s", "Help"},   {8, 1, 30, "%-10s", nullptr},
};
const FieldSpec kPastDueWarning[] = {
    {1, 12, 2, "%-9s", "Continue"}, {2, 12, 14, "%-7s", "Cancel"},
    {3, 12, 26, "%-8s", "View"},    {4, 12, 38, "%-10s", "Help"},
    {5, 12, 52, "%-10s", "Close"},  {6, 1, 30, "%-10s", nullptr},
};
const FieldSpec kPastDueError[] = {
    {1, 12, 2, "%-5s", "OK"},       {2, 12, 14, "%-9s", "Override"},
    {3, 12, 26, "%-8s", "View"},    {4, 12, 38, "%-10s", "Help"},
    {5, 12, 52, "%-10s", "Close"},  {6, 1, 30, "%-10s", nullptr},
};

}  // namespace

// ---- The object ------------------------------------------------------------

CBaseCreditCheck::CBaseCreditCheck() : CBaseCreditCheck(-1, -1, -1) {}

CBaseCreditCheck::CBaseCreditCheck(short custHdl, short oinvHdl, short oihdHdl)
{
    std::memset(m_custNo, 0, sizeof m_custNo);
    m_custHdl = custHdl;
    m_oinvHdl = oinvHdl;
    m_oihdHdl = oihdHdl;
    m_ownCust = m_ownOInv = m_ownOIHd = false;
    std::memset(m_customer, 0, sizeof m_customer);
    std::memset(m_sysPref, 0, sizeof m_sysPref);
    m_problem = 0;
    m_action = 0;
    m_creditLevel = -1;
    m_pastDueLevel = -1;
    m_batch = false;
    m_keepCredit = m_keepPastDue = false;
}

CBaseCreditCheck::~CBaseCreditCheck() { CloseOwn(); }

CBaseCreditCheck::CBaseCreditCheck(const CBaseCreditCheck& other) : CBaseCreditCheck()
{
    *this = other;
}

CBaseCreditCheck& CBaseCreditCheck::operator=(const CBaseCreditCheck& other)
{
    if (this == &other)
        return *this;
    CloseOwn();
    std::memcpy(m_custNo, other.m_custNo, sizeof m_custNo);
    m_custHdl = other.m_custHdl;
    m_oinvHdl = other.m_oinvHdl;
    m_oihdHdl = other.m_oihdHdl;
    m_ownCust = m_ownOInv = m_ownOIHd = false;
    std::memcpy(m_customer, other.m_customer, sizeof m_customer);
    std::memcpy(m_sysPref, other.m_sysPref, sizeof m_sysPref);
    m_problem = other.m_problem;
    m_action = other.m_action;
    m_creditLevel = other.m_creditLevel;
    m_pastDueLevel = other.m_pastDueLevel;
    m_batch = other.m_batch;
    m_keepCredit = other.m_keepCredit;
    m_keepPastDue = other.m_keepPastDue;
    return *this;
}

void CBaseCreditCheck::CloseOwn()
{
    auto close = [](short& handle, bool& own) {
        if (own && handle != -1)
            BtrCloseFile(H(handle));
        if (own)
            handle = -1;
        own = false;
    };
    close(m_custHdl, m_ownCust);
    close(m_oinvHdl, m_ownOInv);
    close(m_oihdHdl, m_ownOIHd);
}

static void Replace(short& handle, bool& own, short given)
{
    if (own && handle != -1)
        BtrCloseFile(H(handle));
    handle = given;
    own = false;
}

void CBaseCreditCheck::SetCustHdl(short handle) { Replace(m_custHdl, m_ownCust, handle); }
void CBaseCreditCheck::SetOInvHdl(short handle) { Replace(m_oinvHdl, m_ownOInv, handle); }
void CBaseCreditCheck::SetOIHdHdl(short handle) { Replace(m_oihdHdl, m_ownOIHd, handle); }

void CBaseCreditCheck::SetSysPref(const void* systemPref469)
{
    if (systemPref469 != nullptr)
        std::memcpy(m_sysPref, systemPref469, sizeof m_sysPref);
}

void CBaseCreditCheck::SetBatchProcess(bool batch)
{
    m_batch = batch;
    m_keepCredit = batch;
    m_keepPastDue = batch;
}

bool CBaseCreditCheck::SetCustNo(const char* number)
{
    std::memset(m_custNo, 0, sizeof m_custNo);
    if (number != nullptr)
        std::memcpy(m_custNo, number, strnlen(number, sizeof m_custNo - 1));
    return ReadCust();
}

int CBaseCreditCheck::GetProblem() const { return m_problem; }
int CBaseCreditCheck::GetAction() const { return m_action; }
const char* CBaseCreditCheck::GetCustNo() const { return m_custNo; }

static int OpenInto(FileNo file, short& handle, bool& own)
{
    if (handle != -1)
        return 0;
    Table t;
    Status s = t.Open(file);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    handle = static_cast<short>(t.Release());
    own = true;
    return 0;
}

bool CBaseCreditCheck::OpenCustomerTable()
{
    return OpenInto(FileNo::Customers, m_custHdl, m_ownCust) == 0;
}

int CBaseCreditCheck::OpenOInvoiceTable()
{
    return OpenInto(FileNo::ReceivablesOpenItems, m_oinvHdl, m_ownOInv);
}

int CBaseCreditCheck::OpenOInvoHdrTable()
{
    return OpenInto(FileNo::ReceivablesOpenHeaders, m_oihdHdl, m_ownOIHd);
}

bool CBaseCreditCheck::ReadCust()
{
    if (Empty(m_custNo, sizeof m_custNo))
        return false;
    if (!OpenCustomerTable())
        return false;
    const uint16_t h = H(m_custHdl);
    int key = 0, second = 0;
    BtrGetDefaults(h, &key, &second);
    uint32_t position = 0;
    const bool havePosition = BtrPosition(B_GET_DIRECT, h, &position) == 0;
    BtrSetDefaults(h, 0, -1);
    // Get equal: an unknown number is not found, never the next customer.
    char keyBuffer[256] = {};
    std::memcpy(keyBuffer, m_custNo, sizeof m_custNo);
    uint8_t record[CUSTOMER_SIZE];
    const int status = BtrGet(B_GET_EQUAL, h, keyBuffer, record, sizeof record);
    if (havePosition)
        BtrPosition(0, h, &position);
    BtrSetDefaults(h, key, -1);
    if (status != 0) {
        Status{status, B_GET_EQUAL, FileNo::Customers}.Report();
        std::memset(m_custNo, 0, sizeof m_custNo);
        std::memset(m_customer, 0, sizeof m_customer);
        return false;
    }
    std::memcpy(m_customer, record, sizeof m_customer);
    return true;
}

double CBaseCreditCheck::CalcOpenInvNoPosted(const char* invoice, long date)
{
    double total = 0;
    const uint16_t h = H(m_oinvHdl);
    int savedKey = 0, second = 0;
    BtrGetDefaults(h, &savedKey, &second);
    BtrSetDefaults(h, 0, -1);
    char key[256] = {};
    std::memcpy(key, m_custNo, sizeof m_custNo);
    char entered[12] = {};
    if (invoice != nullptr)
        std::memcpy(entered, invoice, strnlen(invoice, 11));
    TagOpenInvoice d;
    int status = BtrGet(B_GET_GE, h, key, &d, sizeof d);
    bool inGroup = false;
    char group[11] = {};
    int32_t groupDate = 0;
    double sum = 0, discount = 0;
    auto closeGroup = [&] {
        if (inGroup && FxDayNumber(static_cast<int32_t>(date)) <= FxDayNumber(groupDate))
            total += sum - discount;
        inGroup = false;
    };
    while (status == 0 && std::memcmp(d.Customer, m_custNo, sizeof m_custNo) == 0) {
        if (std::memcmp(d.Invoice, entered, 11) != 0) {
            if (!inGroup || std::memcmp(d.Invoice, group, 11) != 0) {
                closeGroup();
                inGroup = true;
                std::memcpy(group, d.Invoice, 11);
                groupDate = d.Date46;
                sum = discount = 0;
            }
            if (d.Status != 'P' && d.Status != 'F') {
                if (d.Type == 'I' || d.Type == 'D' || d.Type == 'F') {
                    sum += d.Amount;
                } else {
                    sum -= d.Amount;
                    discount += d.Discount;
                }
            }
        }
        status = BtrGet(B_GET_NEXT, h, key, &d, sizeof d);
    }
    closeGroup();
    BtrSetDefaults(h, savedKey, -1);
    return total;
}

int CBaseCreditCheck::Decide(int level, bool keep, int32_t& stored, bool pastDue, double limit,
                             double exposure)
{
    if (keep && stored != -1)
        level = stored;
    if (level <= 1)
        return level == 0 ? 0 : 1;
    const bool error = level >= 3;
    const bool overrideAllowed = !error || PrefOf(m_sysPref).Options[OPTION_CREDIT_NO_OVERRIDE] != 'N';
    bool goOn = false;
    if (pastDue) {
        const char* name = !error ? "RSWARNOVERDUE"
                           : overrideAllowed ? "RSERROVERDUE"
                                             : "RSERROVERDUE2";
        goOn = RunCheckScreen(name, error ? kPastDueError : kPastDueWarning, 6, 1, error ? 2 : 1,
                              nullptr, m_custNo, m_sysPref, m_oihdHdl, overrideAllowed);
    } else {
        const char* name = !error ? "RSWARNCREDITLIMIT"
                           : overrideAllowed ? "RSERRCREDITLIMIT"
                                             : "RSERRCREDITLIMIT2";
        const double amounts[3] = {limit, exposure, limit - exposure};
        goOn = RunCheckScreen(name, error ? kCreditError : kCreditWarning, 8, 4, error ? 5 : 4,
                              amounts, m_custNo, m_sysPref, m_oihdHdl, overrideAllowed);
    }
    if (keep)
        stored = goOn ? 1 : 0;
    return goOn ? 1 : 0;
}

bool CBaseCreditCheck::CustAvailableCreditOk(double amount, const char* invoice, int level)
{
    m_problem = 0;
    if (Empty(m_custNo, sizeof m_custNo))
        return false;
    // An amount that is not a number cannot be checked (never accepted).
    if (!std::isfinite(amount))
        return false;
    if (OpenOInvoiceTable() != 0)
        return false;
    const double unposted = CalcOpenInvNoPosted(invoice, 0);
    const CustomerRecord customer = CustomerOf(m_customer);
    const double limit = customer.CreditLimit;
    const double exposure = unposted + customer.Balance;
    // Compared in cents: a sale of exactly the available credit passes.
    if (FxRound(limit - exposure, 2) >= FxRound(amount, 2)) {
        m_problem = 1;
        m_action = 1;
        return true;
    }
    m_problem = 2;
    m_action = Decide(level, m_keepCredit, m_creditLevel, false, limit, exposure);
    return true;
}

bool CBaseCreditCheck::CustPastDueInvoicesOk(const char* invoice, int level)
{
    m_problem = 0;
    if (Empty(m_custNo, sizeof m_custNo))
        return false;
    const int32_t today = FxToday();
    if (OpenOInvoHdrTable() != 0)
        return false;
    const uint16_t h = H(m_oihdHdl);
    int savedKey = 0, second = 0;
    BtrGetDefaults(h, &savedKey, &second);
    uint32_t position = 0;
    const bool havePosition = BtrPosition(B_GET_DIRECT, h, &position) == 0;
    BtrSetDefaults(h, kCustomerBalanceKey, -1);
    char key[256] = {};
    std::memcpy(key, m_custNo, sizeof m_custNo);
    const double least = 0.001;
    std::memcpy(key + 11, &least, sizeof least);
    char entered[12] = {};
    if (invoice != nullptr)
        std::memcpy(entered, invoice, strnlen(invoice, 11));
    TagOpenInvoiceHdr hdr;
    int status = BtrGet(B_GET_GE, h, key, &hdr, sizeof hdr);
    if (status != 0 && status != B_END_OF_FILE && status != B_KEY_NOT_FOUND)
        Status{status, B_GET_GE, FileNo::ReceivablesOpenHeaders}.Report();
    bool pastDue = false;
    while (status == 0 && std::memcmp(hdr.Customer, m_custNo, sizeof m_custNo) == 0) {
        if (std::memcmp(hdr.Invoice, entered, 11) != 0 && hdr.Date52 < today) {
            pastDue = true;
            break;
        }
        status = BtrGet(B_GET_NEXT, h, key, &hdr, sizeof hdr);
    }
    BtrSetDefaults(h, savedKey, -1);
    if (havePosition)
        BtrPosition(0, h, &position);
    if (pastDue) {
        m_problem = 2;
        m_action = Decide(level, m_keepPastDue, m_pastDueLevel, true, 0, 0);
    } else {
        m_problem = 1;
        m_action = 1;
    }
    return true;
}
