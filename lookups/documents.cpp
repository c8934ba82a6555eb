// Pick lists over documents: sales headers (invoices, invoice
// transactions, quotes), layaways, saved register reconciliations; the
// accounts that carry a check register; the barcode printers.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/accounts.h"
#include "bwps/records/barcode_printers.h"
#include "bwps/records/masters.h"
#include "bwps/records/sales.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using namespace bwps::lookups;
using bwps::FileNo;

namespace {

constexpr int kSalesTitle = 299;
constexpr int kLayawayTitle = 300;
constexpr int kQuoteTitle = 301;
constexpr int kSavedTitle = 416;
constexpr int kCheckAccountTitle = 518;

// A sales-header list: the invoice number and date, then the columns
// given; its own Shift+F9 switches between key 0 and key 1.
Settings SalesHeaders(const char* caption, std::vector<int> columns)
{
    Settings s;
    s.file = FileNo::SalesHeader;
    s.recordLength = sizeof(TagSalesHdr);
    s.titleId = kSalesTitle;
    s.captionText = caption;
    s.startType = LOOKUP_INVOICES;
    s.documentStart = true;
    s.columns = std::move(columns);
    s.key = 0;
    s.libraryReaders = true;
    s.keyText = DocumentKeyText;
    s.f8f9 = Keys::Removed;
    s.shiftF9 = Switch::OwnToggle;
    s.lastPickType = LOOKUP_INVOICES;
    s.stays = Stays::Always;
    return s;
}

// The second title of a sales-header list: the title and the entry's name.
const char* Caption(char (&out)[80], const char* entry)
{
    char title[65] = {};
    FxLoadString(kSalesTitle, sizeof title, title);
    std::snprintf(out, sizeof out, "%s - %s", title, entry);
    return out;
}

}  // namespace

int FlyInv(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
           uint16_t column, uint16_t height, uint16_t width)
{
    char caption[80];
    const Settings s = SalesHeaders(Caption(caption, "FlyInv"),
                                    {kCodeColumn, kDescriptionColumn, 14, 28, 29, 30});
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, nullptr});
}

int FlyInvTran(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
               uint16_t column, uint16_t height, uint16_t width)
{
    char caption[80];
    const Settings s = SalesHeaders(Caption(caption, "FlyInvTran"),
                                    {kCodeColumn, kDescriptionColumn, 46, 14, 28, 29, 30});
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, nullptr});
}

// The handle given is that of the quote headers (BPOSQTEH.DB): the data
// block names file 42, and a failure is reported with it. The quote header
// is the sales header's record (same 586 bytes, same keys), so the columns
// come from the sales header's dictionary.
int FlyInvoices(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                uint16_t column, uint16_t height, uint16_t width)
{
    Settings s;
    s.file = FileNo::QuoteHeader;
    s.recordLength = sizeof(TagSalesHdr);
    s.titleId = kQuoteTitle;
    s.startType = LOOKUP_QUOTES;
    s.documentStart = true;
    s.columns = {kCodeColumn, kDescriptionColumn, 14, 28, 15, 7};
    s.key = 0;
    s.libraryReaders = true;
    s.keyText = DocumentKeyText;
    s.f8f9 = Keys::Removed;
    s.shiftF9 = Switch::OwnToggle;
    s.lastPickType = LOOKUP_QUOTES;
    s.lastPickDescription = offsetof(TagSalesHdr, CustomerNo);
    s.stays = Stays::Always;
    Call c{startText, restorePosition, handle, record, row, column, height, width, nullptr};
    c.columnFile = FileNo::SalesHeader;
    return RunStandard(s, c);
}

int FlyLayaways(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                uint16_t column, uint16_t height, uint16_t width)
{
    Settings s;
    s.file = FileNo::LayawayHeader;
    s.recordLength = sizeof(LayawayRecord);
    s.titleId = kLayawayTitle;
    s.startType = LOOKUP_LAYAWAYS;
    s.documentStart = true;
    s.columns = {kCodeColumn, kDescriptionColumn, 3, 4};
    s.key = 0;
    s.libraryReaders = true;
    s.keyText = DocumentKeyText;
    s.f8f9 = Keys::Removed;
    s.shiftF9 = Switch::OwnToggle;
    s.lastPickType = LOOKUP_LAYAWAYS;
    s.stays = Stays::Always;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, nullptr});
}

// Saved reconciliations, in the order of the key the caller has selected;
// with the restore flag the file goes back where it was after the pick has
// been copied out.
int FlySavedSales(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
                  uint16_t column, uint16_t height, uint16_t width)
{
    Settings s;
    s.file = FileNo::RegisterReconciliations;
    s.recordLength = sizeof(RegisterReconRecord);
    s.titleId = kSavedTitle;
    s.columns = {1, 2};
    s.key = -2;
    s.libraryReaders = true;
    s.f8f9 = Keys::Removed;
    s.shiftF9 = Switch::Removed;
    s.stays = Stays::Never;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, nullptr});
}

int FlyBarcodePrinters(const char* startText, int restorePosition, uint16_t handle, void* record,
                       uint16_t row, uint16_t column, uint16_t height, uint16_t width, int)
{
    Settings s;
    s.file = FileNo::BarcodePrinters;
    s.recordLength = sizeof(BarcodePrinterRecord);
    s.titleText = " LookUp Barcode Printers ";
    s.columns = {1, 2, 3};
    s.key = 0;
    s.libraryReaders = true;
    s.f8f9 = Keys::Removed;
    s.shiftF9 = Switch::OwnToggle;
    s.stays = Stays::Always;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, nullptr});
}

// ---- accounts with a check register

namespace {

constexpr int kCheckRegisterColumn = 10;
constexpr int kCheckRegisterKey = 3;
const char kCheckRegisterFlag = 'Y';
// Set by the entry while its run starts on a start text, cleared by the
// first key text of the run and after the run: that key text puts the flag
// in front of the start text (a search typed into the list has it put
// there by the filter).
bool g_startPending = false;

bool Flagged(const void* record)
{
    return static_cast<const TagAccount*>(record)->CheckRegister == kCheckRegisterFlag;
}

// Key 3 is the flag, then the account number: the start text searches
// among the flagged accounts.
int CheckAccountKeyText(TagLookUp* lookup)
{
    if (!g_startPending || lookup == nullptr || lookup->Data == nullptr)
        return 0;
    g_startPending = false;
    TagLookUpData* d = lookup->Data;
    char key[sizeof d->KeyBuffer] = {};
    key[0] = kCheckRegisterFlag;
    std::memcpy(key + 1, d->KeyBuffer, sizeof key - 2);
    std::memcpy(d->KeyBuffer, key, sizeof key);
    return 0;
}

// Rows of the flagged accounts only (key 3): a step onto an account
// without the flag goes back and answers the end of the list.
int CheckAccountRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    const int move = static_cast<int>(d->Move);
    std::vector<uint8_t> work(d->RecordLength, 0);
    int st;
    if (move == LK_MOVE_NEXT || move == LK_MOVE_PREVIOUS) {
        st = BtrGet(move, d->Handle, d->KeyBuffer, work.data(), d->RecordLength);
        if (st == 0 && Flagged(work.data())) {
            std::memcpy(d->Record, work.data(), d->RecordLength);
            return 0;
        }
        if (st != 0 && st != B_END_OF_FILE) {
            ReportRecordManagerError(st, 1, move, d->FileId, 0);
            return st;
        }
        if (st == 0)
            BtrGet(move == LK_MOVE_NEXT ? B_GET_PREVIOUS : B_GET_NEXT, d->Handle, d->KeyBuffer, work.data(),
                   d->RecordLength);
        return B_END_OF_FILE;
    }
    if (move != LK_MOVE_FIRST && move != LK_MOVE_LAST)
        return B_INVALID_OPERATION;
    std::memset(d->KeyBuffer, 0, sizeof d->KeyBuffer);
    d->KeyBuffer[0] = move == LK_MOVE_FIRST ? kCheckRegisterFlag : static_cast<char>(kCheckRegisterFlag + 1);
    st = BtrGet(B_GET_GE, d->Handle, d->KeyBuffer, work.data(), d->RecordLength);
    if (move == LK_MOVE_LAST) {
        if (st == 0)
            st = BtrGet(B_GET_PREVIOUS, d->Handle, d->KeyBuffer, work.data(), d->RecordLength);
        else if (st == B_END_OF_FILE)
            st = BtrGet(B_GET_LAST, d->Handle, d->KeyBuffer, work.data(), d->RecordLength);
    }
    if (st == B_END_OF_FILE)
        return st;
    if (st != 0) {
        ReportRecordManagerError(st, 1, B_GET_GE, d->FileId, 0);
        return st;
    }
    if (!Flagged(work.data()))
        return B_END_OF_FILE;
    std::memcpy(d->Record, work.data(), d->RecordLength);
    return 0;
}

}  // namespace

int FlyAccountFiltered(const char* startText, uint16_t handle, void* record, uint16_t row, uint16_t column,
                       uint16_t height, uint16_t width, FxHandler keyHandler)
{
    Settings s;
    s.file = FileNo::Accounts;
    s.recordLength = sizeof(TagAccount);
    s.titleId = kCheckAccountTitle;
    s.columns = {1, 3};
    s.key = kCheckRegisterKey;
    s.libraryReaders = true;
    s.rowReader = CheckAccountRow;
    s.keyText = CheckAccountKeyText;
    s.shiftF9 = Switch::Left;
    s.stays = Stays::NoPosition;
    Call c{startText, 0, handle, record, row, column, height, width, keyHandler};
    c.filterColumn = kCheckRegisterColumn;
    c.filterValue = &kCheckRegisterFlag;
    g_startPending = startText != nullptr && FxIsEmpty(startText) == 0;
    const int picked = RunStandard(s, c);
    g_startPending = false;
    return picked;
}

BWPS_ORDINAL(682, FlyInv);
BWPS_ORDINAL(683, FlyInvTran);
BWPS_ORDINAL(684, FlyLayaways);
BWPS_ORDINAL(693, FlyInvoices);
BWPS_ORDINAL(695, FlySavedSales);
BWPS_ORDINAL(4260, FlyAccountFiltered);
