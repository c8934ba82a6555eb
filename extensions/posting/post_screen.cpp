// The sales-posting screen ("RSPosPost" through a date, "RSPosPostByPer"
// by period) and the run it starts with F10: the date checks, the journal
// and earlier-period checks, the ledger pass and the register purge.

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/accounts.h"
#include "bwps/cash_registers.h"
#include "bwps/export.h"
#include "bwps/messages.h"
#include "bwps/periods.h"
#include "bwps/records/documents.h"
#include "bwps/status_windows.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "extensions/posting/post_outcome.h"
#include "extensions/posting/posting_run.h"
#include "fx.h"

using namespace bwps;

namespace bwps1::posting {

int ShowPostingFatalError(const char* invoice, const char* format, int32_t argument)
{
    char detail[256];
    if (argument != 0)
        std::snprintf(detail, sizeof detail, format, argument);
    else
        std::snprintf(detail, sizeof detail, "%s", format);
    char invoiceLine[128] = {};
    if (invoice != nullptr)
        std::snprintf(invoiceLine, sizeof invoiceLine, "Error posting invoice number : %s", invoice);
    // Nothing of the sale was written: the run can be started again once
    // the cause is put right.
    const char* advice = "Nothing of this sale was posted: correct the problem and post again.";
    const int widest = static_cast<int>(std::max({std::strlen(invoiceLine), std::strlen(detail),
                                                  std::strlen(advice)}));
    const int width = std::min(widest, 74);
    const int left = std::max(0, (80 - width) / 2 - 2);
    const int right = std::min(79, left + width + 4);
    const int bottom = detail[0] != '\0' ? 14 : 13;
    FxWindow window{};
    if (FxWindowCreate(&window, 7, left, bottom, right, 1, 1, ' ', "") != 0)
        return 0;
    FxWindowSetName(&window, "RSPostingFatalError");
    int line = 1;
    if (invoice != nullptr)
        FxWindowText(&window, line++, 2, -1, invoiceLine, 0);
    FxWindowText(&window, line++, 2, -1, detail, 0);
    FxWindowText(&window, line++, 2, -1, advice, 0);
    FxWindowText(&window, line + 1, std::max(0, width / 2 - 7), -1, " Continue", 0);
    FxWindowAttachForm(&window, nullptr, 0);
    // Only Enter closes the box; a script that has no key left ends it too.
    for (int key = FxGetKey(1); key != FX_KEY_ENTER && key != 0; key = FxGetKey(1)) {
    }
    FxWindowClose(&window, 1);
    return 0;
}

}  // namespace bwps1::posting

namespace {

using namespace bwps1::posting;

// The last F10 of the screen: left unposted, and the counts.
struct Outcome {
    bool unposted = false;
    bool stopped = false;
    int found = 0;
    int posted = 0;
} g_outcome;

enum { kDate = 1, kStart = 2, kPeriod = 3, kThrough = 4, kReference = 5 };

struct PostContext {
    FxContext fx;
    FxForm form;
    FxWindow window;
    int mode = 2;   // 1 through a date ("RSPosPost"), 2 by period
    TagPeriodInfo period{};
    int32_t date = 0;
};

PostContext& Post(void* context) { return *static_cast<PostContext*>(context); }

std::string DateText(int32_t date)
{
    char text[12] = {};
    FxDateFormat(text, date);
    return text;
}

int DateField(const PostContext& c) { return c.mode == 1 ? kStart : kDate; }

void ShowPeriod(PostContext& c)
{
    char number[8];
    std::snprintf(number, sizeof number, "%2u", static_cast<unsigned>(c.period.Period));
    FxFieldSet(&c.form, kStart, DateText(c.period.FirstDate).c_str());
    FxFieldSet(&c.form, kPeriod, number);
}

// The date (or period) field: a date of a period of the store.
int CheckPostingPeriodField(void* context)
{
    PostContext& c = Post(context);
    const char* text = FxFieldGet(&c.form, DateField(c));
    if (FxIsEmpty(text) || !FxDateValid(text)) {
        ShowMessage(185, 1);
        return FX_STAY;
    }
    const int32_t date = FxDateParse(text);
    // A date outside the periods, in a closed period or in another period
    // than the current one is refused; the period check shows why.
    TagPeriodInfo info{};
    if (GetPeriodInfo(PERIOD_SHOW_OUTSIDE | PERIOD_REFUSE_CLOSED | PERIOD_REFUSE_OTHER, date,
                      &info) != 0 ||
        info.Index < 0)
        return FX_STAY;
    c.date = date;
    c.period = info;
    ShowPeriod(c);
    const int32_t through = FxDateParse(FxFieldGet(&c.form, kThrough));
    if (c.mode != 1 || through < info.FirstDate || through > info.LastDate)
        FxFieldSet(&c.form, kThrough, DateText(info.LastDate).c_str());
    return FX_GO_ON;
}

int CheckPostingDateField(void* context)
{
    PostContext& c = Post(context);
    const char* text = FxFieldGet(&c.form, kThrough);
    if (FxIsEmpty(text) || !FxDateValid(text)) {
        ShowMessage(185, 1);
        return FX_STAY;
    }
    const int32_t through = FxDateParse(text);
    if (c.date != 0 && (through < c.period.FirstDate || through > c.period.LastDate)) {
        ShowMessage(1363, 1);
        return FX_STAY;
    }
    return FX_GO_ON;
}

// Unposted sales of the dates whose journal was not printed stop the run.
bool CheckJournalPrinted(int32_t from, int32_t to, bool& found)
{
    found = false;
    Table sales;
    const Status opened = sales.Open(FileNo::SalesHeader);
    if (!opened.Ok()) {
        opened.Report();
        return false;
    }
    KeyBuffer key;
    TagSalesHdr sale;
    Status s = sales.Get(B_GET_FIRST, key, sale);
    for (; s.Ok(); s = sales.Get(B_GET_NEXT, key, sale)) {
        if (sale.TranDate < from || sale.TranDate > to || (sale.Flags & SALE_POSTED) != 0 || sale.Type == SALE_TYPE_VOID)
            continue;
        found = true;
        if ((sale.Flags & 8) == 0) {
            ShowMessage(345, 1);
            return false;
        }
    }
    if (!s.NotFound()) {
        s.Report();
        return false;
    }
    return true;
}

}  // namespace

namespace bwps1::posting {

// An accounting document of the dates that is neither done with nor posted
// (orders aside). A file that cannot be read counts as holding one.
bool CheckAccountingPosted(int32_t from, int32_t through)
{
    if (!IsInterfacedToAccounting())
        return false;
    Table documents;
    const Status opened = documents.Open(FileNo::PurchaseOrderHeader);
    if (!opened.Ok()) {
        opened.Report();
        return true;
    }
    FxStatus* window = FxStatusOpen("RSVerifyingPosted", 0);
    bool found = false;
    KeyBuffer key;
    TagAccountingDocument document;
    Status s = documents.Get(B_GET_FIRST, key, document);
    for (; s.Ok(); s = documents.Get(B_GET_NEXT, key, document)) {
        if (window != nullptr)
            FxStatusUpdate(window, 0);
        const int32_t date = document.Date;
        if (document.Closed == 'Y' || document.Kind == 'O' ||
            (from != 0 && through != 0 && date > through))
            continue;
        if (document.Posted != 'Y') {
            found = true;
            break;
        }
    }
    if (!found && !s.NotFound()) {
        s.Report();
        found = true;
    }
    if (window != nullptr)
        FxStatusClose(window);
    return found;
}

}  // namespace bwps1::posting

namespace {

// The posting accounts of an interfaced store (sales, receivables, cost
// of goods, inventory, rounding) must all be in the chart before the
// screen opens; a missing one has shown its window.
bool PostingAccountsReadable()
{
    if (!IsInterfacedToAccounting())
        return true;
    TagInterfaceRecord interface{};
    if (ReadInterfaceRecord(&interface) != 0)
        return false;
    Table accounts;
    const Status opened = accounts.Open(FileNo::Accounts);
    if (!opened.Ok()) {
        ReportRecordManagerError(opened.status, 1, MESSAGE_OPEN_OPERATION, No(FileNo::Accounts), 0);
        return false;
    }
    OpenMessageLog();
    TagAccount account{};
    TagPostingStatus block{};
    ReadPostingAccounts(0, accounts.Handle(), &account, &interface, &block, 1, 4, 3, 5, 6, -1);
    accounts.Close();
    CloseMessageLog();
    return block.Status == 0;
}

// Unposted sales of earlier periods: the window of their count, and the run
// stops.
bool ShowUnpostedCounts(int32_t before)
{
    const int count = CountUnpostedBefore(before);
    if (count == 0)
        return false;
    FxWindow window{};
    if (FxWindowCreate(&window, 8, 12, 14, 66, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&window, "RSUnpostedTranCount");
        char line[80];
        std::snprintf(line, sizeof line, "%d sale(s) of earlier periods are not posted.", count);
        FxWindowText(&window, 1, 2, -1, line, 0);
        FxWindowText(&window, 2, 2, -1, "Post them first: the posting stops here.", 0);
        FxWindowAttachForm(&window, nullptr, 0);
        FxGetKey(1);
        FxWindowClose(&window, 1);
    }
    return true;
}

int RunPosPost(void* context)
{
    PostContext& c = Post(context);
    if (CheckPostingPeriodField(context) != FX_GO_ON)
        return FX_STAY;
    if (c.mode == 1 && CheckPostingDateField(context) != FX_GO_ON)
        return FX_STAY;

    RunRequest request;
    request.mode = c.mode;
    request.period = c.period;
    request.start = c.period.FirstDate;
    request.through = c.mode == 1 ? FxDateParse(FxFieldGet(&c.form, kThrough)) : c.period.LastDate;
    std::snprintf(request.reference, sizeof request.reference, "%s",
                  FxFieldGet(&c.form, kReference));

    if (c.mode == 1 && SetCurrentPosting(0, request.start, request.through) == 0)
        return FX_STAY;
    // Refused until the run says otherwise.
    g_outcome = Outcome{};
    g_outcome.unposted = true;
    auto finish = [&](int answer) {
        if (c.mode == 1)
            ClearCurrentPosting(0);
        return answer;
    };
    const TagSysInterface* iface = GetSysInterfaceRecord();
    if (iface != nullptr && iface->CheckJournalPrinted != 0) {
        bool found = false;
        if (!CheckJournalPrinted(request.start, request.through, found))
            return finish(FX_LEAVE);
        if (!found) {
            ShowMessage(309, 1);
            g_outcome.unposted = false;  // nothing to post
            return finish(FX_LEAVE);
        }
    }
    if (ShowUnpostedCounts(request.start))
        return finish(FX_STAY);
    if (CheckAccountingPosted(request.start, request.through)) {
        uint8_t colours[COLOR_SET_SIZE] = {};
        SetColorSet(colours, 5);
        int choice = 1;
        if (AskMessage(1053, 116, &choice, MESSAGE_BUTTONS_YES_NO, colours, -1, -1, 0, 0, 0) != 0 ||
            choice == 2)
            return finish(FX_LEAVE);
    }

    // With the verification option every code the sales need is looked up
    // first; a fault ends the run before anything is written.
    if (iface != nullptr && iface->VerifyBeforeCopy == 'Y' && !VerifySales(request))
        return finish(FX_LEAVE);

    RunResult result;
    const bool posted = PostSales(request, result);
    g_outcome.found = result.found;
    g_outcome.posted = result.posted;
    g_outcome.stopped = result.stopped;
    // nothing found is no failure: there was nothing left to post
    g_outcome.unposted = result.failed || result.stopped || result.posted < result.found;
    char line[120];
    std::snprintf(line, sizeof line, "Sales posted: %d of %d%s", result.posted, result.found,
                  result.stopped ? " (stopped)" : "");
    FxTranscriptNote(line);
    if (posted) {
        PurgeRegister();
        int choice = 1;
        AskMessage(1269, 1, &choice, " Continue", nullptr, -1, -1, 0, 0, 0);
    }
    return finish(FX_LEAVE);
}

int OnBackupRestore(void*)
{
    if (::BackupRestore != nullptr)
        ::BackupRestore(0, 0);
    else
        FxShowText("Backup and restore is not available in this build.");
    return FX_STAY;
}

}  // namespace

extern "C" BWPS_EXPORT int ShowPosPostScreen(void)
{
    if (!LoadSysInterfaceRecord() || !CheckInterfaceAccountsFilled() || !PostingAccountsReadable())
        return 0;
    const TagSysInterface* iface = GetSysInterfaceRecord();
    PostContext c{};
    c.mode = iface != nullptr && iface->PostingVariant == 1 ? 1 : 2;
    g_outcome = Outcome{};

    const bool byDate = c.mode == 1;
    const int shift = byDate ? 1 : 0;   // the fields move up a line through a date
    std::array<ScreenField, 6> fields{{
        bwps::Field(kDate, 2, 30, "%-10s").Exit(CheckPostingPeriodField),
        bwps::Field(kStart, static_cast<uint8_t>(4 - shift), 30, "%-10s")
            .Exit(byDate ? CheckPostingPeriodField : nullptr),
        bwps::Field(kPeriod, static_cast<uint8_t>(5 - shift), 30, "%-3s").DisplayOnly(),
        bwps::Field(kThrough, static_cast<uint8_t>(6 - shift), 30, "%-10s")
            .Exit(byDate ? CheckPostingDateField : nullptr),
        bwps::Field(kReference, static_cast<uint8_t>(8 - shift), 30, "%-10s"),
        {},
    }};
    FxAppBegin(&c.fx);
    int ran = 0;
    if (FxFormLoad(&c.form, fields.data(), 0) != 0) {
        if (FxWindowCreate(&c.window, 5, 12, 19, 66, 1, 1, ' ', nullptr) == 0) {
            FxWindowSetName(&c.window, byDate ? "RSPosPost" : "RSPosPostByPer");
            SetupStandardScreen(&c.form, 0, 325);
            FxSetKeyHandler(&c.form, FX_KEY_F1 + 8 * 0x100, OnBackupRestore);
            FxSetKeyHandler(&c.form, FX_KEY_F10, RunPosPost);
            FxWindowAttachForm(&c.window, &c.form, 0);
            struct Label {
                int field;
                const char* text;
            };
            const Label labels[] = {{kDate, "Posting date:"},
                                    {kStart, byDate ? "Post from:" : "Period starts:"},
                                    {kPeriod, "Period:"},
                                    {kThrough, byDate ? "Post through:" : "Period ends:"},
                                    {kReference, "Posting reference:"}};
            for (const Label& l : labels)
                if (!(byDate && l.field == kDate))
                    FxWindowText(&c.window, fields[l.field - 1].row, 4, -1, l.text, 0);
            // The opening display: today and its period.
            const int32_t today = FxToday();
            if (byDate) {
                FxFieldSetState(&c.form, kDate, 2);
                FxFieldSet(&c.form, kStart, DateText(today).c_str());
            } else {
                FxFieldSetDisplayOnly(&c.form, kStart, 1);
                FxFieldSetDisplayOnly(&c.form, kThrough, 1);
                FxFieldSet(&c.form, kDate, DateText(today).c_str());
            }
            if (GetPeriodInfo(0, today, &c.period) == 0 && c.period.Index >= 0) {
                c.date = today;
                ShowPeriod(c);
                FxFieldSet(&c.form, kThrough, DateText(c.period.LastDate).c_str());
            }
            FxAppRun(&c.fx, 0);
            FxWindowClose(&c.window, 1);
            ran = 1;
        }
    }
    FxAppEnd(&c.fx);
    return ran;
}

BWPS1_API int PostingRunOutcome(int* found, int* posted, int* stopped)
{
    if (found != nullptr)
        *found = g_outcome.found;
    if (posted != nullptr)
        *posted = g_outcome.posted;
    if (stopped != nullptr)
        *stopped = g_outcome.stopped ? 1 : 0;
    return g_outcome.unposted ? 1 : 0;
}
