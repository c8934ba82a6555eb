// The opening open items of one customer or vendor: a list of documents
// entered on a grid and posted at once. Each line becomes an open-invoice
// line (with its header kept in step) and, for a customer, a history line;
// the total goes to the ledger as one transaction of journal "SU" against
// the difference account, to both accounts' period totals and to the
// master record's balance and history. Everything of one posting is
// written in one record-manager transaction: a failure anywhere leaves
// none of it, so ledger, open invoices and master never disagree.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/accounts.h"
#include "bwps/customer_history.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/open_invoices.h"
#include "bwps/open_items.h"
#include "bwps/options.h"
#include "bwps/ordinals.h"
#include "bwps/periods.h"
#include "bwps/records.h"
#include "bwps/records/masters.h"
#include "bwps/records/options.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;
using bwps::No;

enum : int { F_POSTING_DATE = 1 };
enum : int { G_DOCUMENT = 1, G_TYPE, G_DATE, G_TERMS_A, G_TERMS_B, G_AMOUNT, G_DISCOUNT };

constexpr int kNotPosted = 0x20;
constexpr int kLineRemoved = 0x80002;
constexpr int kColourSet = 5;
constexpr int kF4 = FX_KEY_F1 + 3 * 0x100;
constexpr int kF6 = FX_KEY_F1 + 5 * 0x100;
constexpr int kShiftF6 = FX_KEY_SHIFT_F1 + 5 * 0x100;
constexpr int kNumberKey = 3;
constexpr int kUpdateOperation = 3;

constexpr int kMsgDateInvalid = 185;
constexpr int kMsgDocumentRequired = 223;
constexpr int kMsgBadType = 581;
constexpr int kMsgAbandon = 959;

const char kJournal[] = "SU";
const char kDescription[] = "Summ. Customer Setup";

// One document of the grid (40 bytes, as the grid holds it).
#pragma pack(push, 1)
struct Line {
    char document[11];
    char type;
    int32_t date;
    int32_t termsB;
    int32_t termsA;
    double amount;
    double discount;
};
#pragma pack(pop)
static_assert(sizeof(Line) == 40, "grid line");

struct Screen {
    FxContext fx;  // first: the framework hands it to the handlers
    FxForm main;
    FxForm grid;
    FxWindow window;
    ScreenField mainFields[2];
    ScreenField gridFields[8];
    bool customer;
    uint16_t masterFile;
    uint16_t openFile;
    uint16_t accounts;
    uint16_t files[30];
    TagTermsRecord terms;
    CustomerRecord* master;
    TagInterfaceRecord iface;
    TagAccount difference;
    TagPeriodInfo period;
    int32_t date;
    bool inGrid;
    int answer;
    uint8_t colours[COLOR_SET_SIZE];
};

Screen* g_screen = nullptr;

bool IsZero(double value) { return FxIsZeroAmount(&value) != 0; }

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

FileNo MasterFileNo(const Screen& s) { return s.customer ? FileNo::Customers : FileNo::Vendors; }
FileNo OpenFileNo(const Screen& s) { return s.customer ? FileNo::ReceivablesOpenItems : FileNo::PayablesOpenItems; }
char Side(const Screen& s) { return s.customer ? 'D' : 'C'; }

// Terms dates A (discount) and B (due) of a document date.
void TermsDates(const Screen& s, int32_t date, int32_t& a, int32_t& b)
{
    double discount = 0;
    a = b = date;
    ComputeTermsDates(&s.terms, date, 0.0, &b, &a, &discount);
}

double DiscountOf(const Screen& s, char type, double amount, int32_t date, int32_t termsA)
{
    const int typeDigit = type == 'D' ? 2 : type == 'C' ? 3 : 1;
    if (date > termsA || !IsAmountSignValid(Side(s) == 'D' ? 1 : 2, typeDigit, amount))
        return 0.0;
    const double percent = s.terms.DiscountPercent;
    return FxRound(percent / 100.0 * amount, 2);
}

void SetDate(FxForm* form, int field, int32_t date)
{
    char text[16] = {};
    FxFieldSet(form, field, FxDateFormat(text, date));
}

void ShowLine(Screen& s, const Line& line)
{
    char text[32];
    FxFieldSet(&s.grid, G_DOCUMENT, line.document);
    const char type[2] = {line.type, '\0'};
    FxFieldSet(&s.grid, G_TYPE, type);
    SetDate(&s.grid, G_DATE, line.date);
    SetDate(&s.grid, G_TERMS_A, line.termsA);
    SetDate(&s.grid, G_TERMS_B, line.termsB);
    FxFieldSet(&s.grid, G_AMOUNT, FxFormatAmount(line.amount, text, 2));
    FxFieldSet(&s.grid, G_DISCOUNT, FxFormatAmount(line.discount, text, 2));
}

Line NewLine(const Screen& s)
{
    Line line{};
    line.type = 'I';
    line.date = FxToday();
    int32_t a = 0, b = 0;
    TermsDates(s, line.date, a, b);
    line.termsA = a;
    line.termsB = b;
    return line;
}

double Amount(FxForm* form, int field)
{
    double value = 0;
    if (FxParseNumber(FxFieldGet(form, field), 1, &value) != 0 || !std::isfinite(value))
        return 0.0;
    return value;
}

int OnLineEnter(void*)
{
    Screen& s = *g_screen;
    s.inGrid = true;
    const auto* line = static_cast<const Line*>(FxGridCurrent(&s.grid));
    ShowLine(s, line != nullptr ? *line : NewLine(s));
    return FX_GO_ON;
}

int OnLineShow(void*)
{
    Screen& s = *g_screen;
    if (const auto* line = static_cast<const Line*>(FxGridCurrent(&s.grid)))
        ShowLine(s, *line);
    return FX_GO_ON;
}

int Refuse(Screen& s, int message, int field)
{
    ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
    FxFocusField(&s.grid, field);
    return FX_STAY_FOCUSED;
}

// Takes the line under the cursor into the grid; a new line left without a
// document number is nothing.
int AcceptLine(Screen& s, bool leavingGrid)
{
    auto* line = static_cast<Line*>(FxGridCurrent(&s.grid));
    const std::string document = Trimmed(FxFieldGet(&s.grid, G_DOCUMENT));
    if (document.empty()) {
        // the grid's empty last row, or the cursor leaving the grid
        const bool emptyNewRow = line == nullptr && IsZero(Amount(&s.grid, G_AMOUNT));
        if (emptyNewRow || leavingGrid)
            return FX_GO_ON;
        return Refuse(s, kMsgDocumentRequired, G_DOCUMENT);
    }
    const std::string type = Trimmed(FxFieldGet(&s.grid, G_TYPE));
    if (type.size() != 1 || std::strchr("IDC", type[0]) == nullptr)
        return Refuse(s, kMsgBadType, G_TYPE);
    int32_t dates[3] = {};
    const int fields[3] = {G_DATE, G_TERMS_A, G_TERMS_B};
    for (int i = 0; i < 3; ++i) {
        const char* text = FxFieldGet(&s.grid, fields[i]);
        if (!FxDateValid(text))
            return Refuse(s, kMsgDateInvalid, fields[i]);
        dates[i] = FxDateParse(text);
    }
    const double amount = FxRound(Amount(&s.grid, G_AMOUNT), 2);
    if (line == nullptr) {
        line = static_cast<Line*>(FxGridNewLine(&s.grid, sizeof(Line)));
        if (line == nullptr)
            return FX_STAY;
        FxGridLine(&s.fx, &s.grid, line, 0x200000);
    }
    std::snprintf(line->document, sizeof line->document, "%s", document.c_str());
    line->type = type[0];
    line->date = dates[0];
    line->termsA = dates[1];
    line->termsB = dates[2];
    line->amount = amount;
    line->discount = FxRound(Amount(&s.grid, G_DISCOUNT), 2);
    return FX_GO_ON;
}

int OnLineLeave(void*) { return AcceptLine(*g_screen, false); }

int OnDateExit(void*)
{
    Screen& s = *g_screen;
    const char* text = FxFieldGet(&s.grid, G_DATE);
    if (!FxDateValid(text))
        return Refuse(s, kMsgDateInvalid, G_DATE);
    int32_t a = 0, b = 0;
    TermsDates(s, FxDateParse(text), a, b);
    SetDate(&s.grid, G_TERMS_A, a);
    SetDate(&s.grid, G_TERMS_B, b);
    FxFormRedraw(&s.fx, &s.grid);
    return FX_GO_ON;
}

int OnTermsExit(void*)
{
    Screen& s = *g_screen;
    const int field = s.grid.currentField;
    if (!FxDateValid(FxFieldGet(&s.grid, field)))
        return Refuse(s, kMsgDateInvalid, field);
    return FX_GO_ON;
}

int OnTypeExit(void*)
{
    Screen& s = *g_screen;
    const std::string type = Trimmed(FxFieldGet(&s.grid, G_TYPE));
    if (type.size() != 1 || std::strchr("IDC", type[0]) == nullptr)
        return Refuse(s, kMsgBadType, G_TYPE);
    return FX_GO_ON;
}

int OnAmountExit(void*)
{
    Screen& s = *g_screen;
    const double amount = FxRound(Amount(&s.grid, G_AMOUNT), 2);
    const std::string type = Trimmed(FxFieldGet(&s.grid, G_TYPE));
    const double discount = DiscountOf(s, type.empty() ? 'I' : type[0], amount,
                                       FxDateParse(FxFieldGet(&s.grid, G_DATE)),
                                       FxDateParse(FxFieldGet(&s.grid, G_TERMS_A)));
    char text[32];
    FxFieldSet(&s.grid, G_AMOUNT, FxFormatAmount(amount, text, 2));
    FxFieldSet(&s.grid, G_DISCOUNT, FxFormatAmount(discount, text, 2));
    FxFormRedraw(&s.fx, &s.grid);
    return FX_GO_ON;
}

// The posting: a slot of the master's history arrays by the period of the
// posting date.
int HistorySlot(const TagPeriodInfo& period)
{
    if (period.Before != 0)
        return 1;
    if (period.NextYear != 0)
        return 4;
    return 2;
}

TagOpenInvoice OpenItemOf(const Screen& s, const Line& line, const char* journalText)
{
    TagOpenInvoice d;
    std::memset(&d, 0, sizeof d);
    std::snprintf(d.Customer, sizeof d.Customer, "%-10.10s", s.master->Code);
    std::memcpy(d.Invoice, line.document, sizeof d.Invoice);
    d.Type = line.type;
    d.Status = 'P';
    d.Type2 = line.type == 'D' ? '2' : line.type == 'C' ? '3' : '1';
    d.Date = line.date;
    d.Date46 = line.termsB;
    d.Date50 = line.termsA;
    d.Value58 = s.period.Period;
    d.Amount = line.amount;
    d.Double86 = line.discount;
    std::snprintf(d.Text106, sizeof d.Text106, "%s", journalText);
    d.Byte117 = 'S';
    d.Data118[0] = '0';
    return d;
}

// Every write of the posting, inside the caller's transaction; false (the
// failure reported) when one failed.
bool WriteAll(Screen& s, CustomerRecord& master)
{
    char account[ACCOUNT_NUMBER_WIDTH + 1] = {};
    std::memcpy(account, s.master->Account, ACCOUNT_NUMBER_WIDTH);
    if (Trimmed(account).empty())
        std::memcpy(account, s.iface.Accounts[s.customer ? 1 : 2], ACCOUNT_NUMBER_WIDTH);
    TagAccount posting;
    const int read = ReadPostingAccount(0, s.accounts, account, &posting, nullptr);
    if (read != 0) {
        ReportRecordManagerError(read, 1, B_GET_EQUAL, No(FileNo::Accounts), 0);
        return false;
    }
    const uint16_t journals = s.files[0], lines = s.files[1], headers = s.files[2];
    char number[16] = {};
    if (EnsureJournalCode(3, journals, kJournal, number) != 0)
        return false;

    const int openNo = No(OpenFileNo(s));
    BwOIHeader header(BwOIHeader::GetHdrFileId(openNo), -1, static_cast<short>(s.openFile));
    if (!header.Init()) {
        ReportRecordManagerError(header.GetResultError(), 1, B_OPEN, BwOIHeader::GetHdrFileId(openNo), 0);
        return false;
    }
    double total = 0;
    int invoices = 0;
    for (void* p = FxGridFirst(&s.grid); p != nullptr; p = FxGridNext(&s.grid)) {
        const Line& line = *static_cast<const Line*>(p);
        if (line.document[0] == '\0')
            continue;
        TagOpenInvoice item = OpenItemOf(s, line, number);
        const int added = AddOpenInvoiceFromHistory(B_INSERT, s.files[3], s.openFile, openNo, &item, &header);
        if (added != 0) {
            ReportRecordManagerError(added, 1, B_INSERT, openNo, 0);
            return false;
        }
        if (s.customer) {
            HistPostResult result{};
            if (PostCustHistDetail(B_INSERT, 1, &item, &master, nullptr, &result) != 0)
                ReportRecordManagerError(result.Status, 1, result.Operation, result.File, 0);
        }
        const bool adds = s.customer ? line.type != 'C' : line.type != 'D';
        total += adds ? line.amount : -line.amount;
        if (line.type == 'I')
            ++invoices;
    }
    total = FxRound(total, 2);

    // The ledger writer puts a positive amount on the account's own side:
    // the sign makes it land on the run's side.
    const bool debitAccount = posting.Type == ACCOUNT_ASSET || posting.Type == ACCOUNT_EXPENSE ||
                              posting.Type == ACCOUNT_OTHER_DEBIT;
    const double signedTotal = (debitAccount ? 'D' : 'C') == Side(s) ? total : -total;
    if (WriteGLTransaction(headers, lines, kJournal, number, kDescription, s.date, signedTotal, &posting,
                           nullptr) == 0)
        return false;
    char difference[ACCOUNT_NUMBER_WIDTH + 1] = {};
    std::memcpy(difference, s.difference.Number, ACCOUNT_NUMBER_WIDTH);
    const int year = s.period.NextYear, index = s.period.Index;
    const char side = Side(s), other = side == 'D' ? 'C' : 'D';
    if (PostAccountAmount(s.accounts, account, side, year, index, total, nullptr) != 0 ||
        PostAccountAmount(s.accounts, difference, other, year, index, total, nullptr) != 0)
        return false;

    // The master is read again under the lock, so that the totals are added
    // to the record as it stands now.
    bwps::Table table;
    bwps::Status st = table.Borrow(MasterFileNo(s), s.masterFile);
    char code[11] = {};
    std::memcpy(code, s.master->Code, sizeof code);
    if (st.Ok())
        st = table.Find(code, master);
    if (!st.Ok()) {
        ReportRecordManagerError(st.status, 1, B_GET_EQUAL, No(MasterFileNo(s)), 0);
        return false;
    }
    const int slot = HistorySlot(s.period);
    master.Invoices[slot] += invoices;
    master.Payments[slot] += total;
    master.Balance += total;
    if (s.customer)
        master.ChargesTotal += total;
    else
        master.CreditsTotal += total;
    st = table.Update(master);
    if (!st.Ok()) {
        ReportRecordManagerError(st.status, 1, kUpdateOperation, No(MasterFileNo(s)), 0);
        return false;
    }
    return true;
}

int OnPost(void*)
{
    Screen& s = *g_screen;
    if (s.inGrid && AcceptLine(s, true) != FX_GO_ON)
        return FX_STAY;
    CustomerRecord master = *s.master;
    bwps::WriteBatch batch;
    if (!batch.Active()) {
        batch.Begun().Report(1, 0);
        s.answer = 1;
        return FX_LEAVE;
    }
    if (WriteAll(s, master)) {
        const bwps::Status done = batch.Commit();
        done.Report(1, 0);
        if (done.Ok())
            *s.master = master;
    }
    s.answer = 1;
    return FX_LEAVE;
}

int OnAbandon(void*)
{
    int choice = 0;
    if (AskMessage(kMsgAbandon, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO, nullptr, 0, 0, 0, 0,
                   0) == 0 &&
        choice == 1)
        return FX_LEAVE;
    return FX_STAY;
}

int OnRemoveLine(void*)
{
    Screen& s = *g_screen;
    if (!s.inGrid || FxGridCurrent(&s.grid) == nullptr)
        return FX_STAY;
    FxGridLine(&s.fx, &s.grid, nullptr, 0x400000);
    return kLineRemoved;
}

int OnMainEnter(void*)
{
    g_screen->inGrid = false;
    return FX_GO_ON;
}

// The posting date is today's: it is shown, whatever was typed goes. The
// cursor passes it on its way to the lines.
int OnMainExit(void*)
{
    Screen& s = *g_screen;
    SetDate(&s.main, F_POSTING_DATE, s.date);
    FxFormRedraw(&s.fx, &s.main);
    return FX_GO_ON;
}

void SetKeys(FxForm* form)
{
    FxSetKeyState(form, kF4, 0);
    FxSetKeyHandler(form, FX_KEY_F10, OnPost);
    FxSetKeyHandler(form, kF6, OnAbandon);
    FxSetKeyHandler(form, kShiftF6, OnRemoveLine);
}

void BuildFields(Screen& s)
{
    s.mainFields[0] = bwps::Field(F_POSTING_DATE, 1, 16, "nn/nn/nn");
    s.mainFields[0].entryHandler = OnMainEnter;
    s.mainFields[0].exitHandler = OnMainExit;
    s.mainFields[1] = ScreenField{};
    s.gridFields[0] = bwps::Field(G_DOCUMENT, 4, 1, "%-10sC");
    s.gridFields[1] = bwps::Field(G_TYPE, 4, 13, "%-1sC");
    s.gridFields[1].exitHandler = OnTypeExit;
    s.gridFields[2] = bwps::Field(G_DATE, 4, 16, "nn/nn/nn");
    s.gridFields[2].exitHandler = OnDateExit;
    s.gridFields[3] = bwps::Field(G_TERMS_A, 4, 26, "nn/nn/nn");
    s.gridFields[3].exitHandler = OnTermsExit;
    s.gridFields[4] = bwps::Field(G_TERMS_B, 4, 36, "nn/nn/nn");
    s.gridFields[4].exitHandler = OnTermsExit;
    s.gridFields[5] = bwps::Field(G_AMOUNT, 4, 46, "%12.2f");
    s.gridFields[5].exitHandler = OnAmountExit;
    s.gridFields[6] = bwps::Field(G_DISCOUNT, 4, 60, "%10.2f");
    s.gridFields[7] = ScreenField{};
}

bool Confirmed(const Screen& s)
{
    if (IsZero(s.master->Balance))
        return true;
    char text[96];
    std::snprintf(text, sizeof text, "Warning: Balances already exist for this %s.\nProceed.",
                  s.customer ? "customer" : "vendor");
    return FxMessageBox(FxGetMainWindow(), text, nullptr, FX_MB_YESNO | FX_MB_ICONQUESTION, 0) == FX_ID_YES;
}

int Edit(int customer, uint16_t masterFile, uint16_t openFile, uint16_t accounts, const void* terms, void* master)
{
    if (terms == nullptr || master == nullptr)
        return kNotPosted;
    auto screen = std::make_unique<Screen>();
    Screen& s = *screen;
    s.customer = customer != 0;
    s.masterFile = masterFile;
    s.openFile = openFile;
    s.accounts = accounts;
    std::memcpy(&s.terms, terms, sizeof s.terms);
    s.master = static_cast<CustomerRecord*>(master);
    s.date = FxToday();

    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(openFile, &savedKey, &savedSecond);
    if (!Confirmed(s))
        return kNotPosted;
    BtrSetDefaults(openFile, kNumberKey, -1);
    const bool history = s.customer && OpenCustomerHistoryFiles() == 0;
    auto undo = [&]() {
        if (history)
            CloseCustomerHistoryFiles();
        BtrSetDefaults(openFile, savedKey, savedSecond);
        BtrUnlock(-2, accounts, nullptr);
    };
    if (ReadInterfaceRecord(&s.iface) != 0 || GetPeriodInfo(0, s.date, &s.period) != 0 || s.period.Index < 0 ||
        GetDifferenceAccount(accounts, 400, &s.difference) == 0) {
        undo();
        return kNotPosted;
    }
    FxAppBegin(&s.fx);
    if (OpenFileList(s.files, No(FileNo::Journals), No(FileNo::LedgerDetail), No(FileNo::LedgerHeader),
                     No(FileNo::General), 0) != 0) {
        FxAppEnd(&s.fx);
        undo();
        return kNotPosted;
    }
    BuildFields(s);
    g_screen = &s;
    s.answer = kNotPosted;
    if (FxFormLoad(&s.main, s.mainFields, 1) && FxFormLoad(&s.grid, s.gridFields, 1)) {
        SetColorSet(s.colours, kColourSet);
        FxWindowCreate(&s.window, 7, 1, 7 + 22 - 1, 1 + 78 - 1, 1, 1, ' ',
                       s.customer ? "Customer Setup Balance" : "Vendor Setup Balance");
        FxWindowSetName(&s.window, "RSEditCVBal");
        SetupStandardScreen(&s.main, 0x27, 0);
        FxWindowAttachForm(&s.window, &s.main, 0);
        FxWindowText(&s.window, 1, 2, -1, "Posting date:", 0);
        FxWindowText(&s.window, 3, 1, -1, "Document    T Date      Terms A   Terms B   Amount        Discount", 0);
        s.grid.lineEnter = OnLineEnter;
        s.grid.lineShow = OnLineShow;
        s.grid.lineLeave = OnLineLeave;
        SetKeys(&s.main);
        SetKeys(&s.grid);
        FxGridBlock block{40, 1, 75, 1};
        FxGridAttach(&s.main, &s.grid, &block);
        SetDate(&s.main, F_POSTING_DATE, s.date);
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
    } else {
        s.answer = 0;
    }
    FxGridClear(&s.grid);
    FxAppEnd(&s.fx);
    g_screen = nullptr;
    CloseFileList(s.files);
    undo();
    return s.answer;
}

}  // namespace

extern "C" {

int RSEditCVBal(int customer, uint16_t masterFile, uint16_t openInvoiceFile, uint16_t accountFile, void* terms,
                void* master)
{
    return Edit(customer, masterFile, openInvoiceFile, accountFile, terms, master);
}

}  // extern "C"

BWPS_ORDINAL(602, RSEditCVBal);
