// Pick lists over open items: one account's open items of the payables or
// receivables file, plain (one row per item) or grouped (one row per
// document, its items summed; each advance entry a row of its own), and a
// customer's overdue open-invoice headers.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/open_items.h"
#include "bwps/ordinals.h"
#include "bwps/records/open_invoices.h"
#include "bwps/records/open_items.h"
#include "bwps/screen_utils.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using bwps::FileNo;
using namespace bwps::lookups;

namespace {

constexpr int kCodeSize = sizeof(TagOpenItem::Customer);
constexpr int kReferenceSize = 11;

// ---- open items

struct ItemsRun {
    char account[kCodeSize + 1];
    bool grouped;
    int fileId;
    int32_t today;
    unsigned long stored;  // position of the current group's row
};
ItemsRun g_items{};

TagOpenItem Item(const void* record)
{
    TagOpenItem item;
    std::memcpy(&item, record, sizeof item);
    return item;
}

bool OfAccount(const TagOpenItem& item, const char* account)
{
    return std::strncmp(item.Customer, account != nullptr ? account : "", kCodeSize) == 0;
}

bool SameReference(const TagOpenItem& a, const TagOpenItem& b)
{
    return std::strncmp(a.Document, b.Document, kReferenceSize) == 0;
}

// The key of the account's first item (or, raised, of the item after its
// last): the code in its 11 bytes.
void AccountKey(char* key, const char* account, bool past)
{
    std::memset(key, 0, 255);
    if (account != nullptr)
        std::memcpy(key, account, strnlen(account, kCodeSize - 1));
    if (past)
        key[kCodeSize - 1] = static_cast<char>(key[kCodeSize - 1] + 1);
}

int Get(int operation, uint16_t handle, char* key, TagOpenItem& item)
{
    return BtrGet(operation, handle, key, &item, sizeof item);
}

int Here(uint16_t handle, char* key, unsigned long* position)
{
    TagOpenItem buffer{};
    const int st = BtrGet(B_GET_POSITION, handle, key, &buffer, sizeof buffer);
    if (st == 0) {
        uint32_t p = 0;
        std::memcpy(&p, &buffer, sizeof p);
        *position = p;
    }
    return st;
}

int ReadAt(uint16_t handle, char* key, unsigned long position, TagOpenItem& item)
{
    const uint32_t p = static_cast<uint32_t>(position);
    std::memcpy(&item, &p, sizeof p);
    return Get(B_GET_DIRECT, handle, key, item);
}

void Report(int status, int operation, int fileId)
{
    ReportRecordManagerError(status, 1, operation, fileId, 0);
}

// First (12) and last (13) of the account's items into the work record;
// end of file (9) when it has none.
int AccountEnd(int move, int fileId, uint16_t handle, const char* account, char* key, TagOpenItem& work)
{
    AccountKey(key, account, move == LK_MOVE_LAST);
    int st = Get(B_GET_GE, handle, key, work);
    if (move == LK_MOVE_LAST) {
        if (st == 0)
            st = Get(B_GET_PREVIOUS, handle, key, work);
        else if (st == B_END_OF_FILE)
            st = Get(B_GET_LAST, handle, key, work);
    }
    if (st != 0) {
        if (st != B_END_OF_FILE)
            Report(st, B_GET_GE, fileId);
        return st == B_KEY_NOT_FOUND ? B_END_OF_FILE : st;
    }
    return OfAccount(work, account) ? 0 : B_END_OF_FILE;
}

// The first item of the group the work record belongs to (itself for an
// advance entry); the file stands on it.
int GroupStart(int fileId, uint16_t handle, const char* account, char* key, TagOpenItem& work)
{
    if (IsAdvanceEntry(&work))
        return 0;
    const TagOpenItem row = work;
    TagOpenItem before{};
    int st;
    while ((st = Get(B_GET_PREVIOUS, handle, key, before)) == 0 && OfAccount(before, account) &&
           !IsAdvanceEntry(&before) && SameReference(before, row)) {
    }
    if (st == B_END_OF_FILE) {
        st = Get(B_GET_FIRST, handle, key, work);
    } else if (st == 0) {
        st = Get(B_GET_NEXT, handle, key, work);
    } else {
        Report(st, B_GET_PREVIOUS, fileId);
        return st;
    }
    if (st != 0)
        Report(st, B_GET_NEXT, fileId);
    return st;
}

// Sums the group of the row record and puts the file back on the row.
int SumGroup(int fileId, uint16_t handle, int32_t today, char* key, void* record, unsigned long stored)
{
    TagOpenItem row = Item(record);
    int st = ReadAdvanceOpenItems(fileId, handle, key, today, &row);
    if (st != 0)
        return st;
    std::memcpy(record, &row, sizeof row);
    TagOpenItem work{};
    st = ReadAt(handle, key, stored, work);
    if (st != 0)
        Report(st, B_GET_DIRECT, fileId);
    return st;
}

int ItemsRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    if (g_items.grouped)
        return FlyAPOpenItemsReadEx(d->Move, g_items.fileId, d->Handle, g_items.today, g_items.account, d->KeyBuffer,
                                    d->Record, &g_items.stored);
    return FlyAPOpenItemsRead(d->Move, g_items.fileId, d->Handle, g_items.account, d->KeyBuffer, d->Record);
}

// A search lands on the first row of the account at or after the text; in
// grouped mode on the row of the group found.
int ItemsSearch(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    TagOpenItem work{};
    int st = Get(B_GET_GE, d->Handle, d->KeyBuffer, work);
    if (st != 0) {
        if (st != B_END_OF_FILE && st != B_KEY_NOT_FOUND)
            Report(st, B_GET_GE, g_items.fileId);
        return LK_NOT_FOUND;
    }
    if (!OfAccount(work, g_items.account))
        return LK_NOT_FOUND;
    if (g_items.grouped) {
        if (GroupStart(g_items.fileId, d->Handle, g_items.account, d->KeyBuffer, work) != 0 ||
            Here(d->Handle, d->KeyBuffer, &g_items.stored) != 0)
            return LK_NOT_FOUND;
        std::memcpy(d->Record, &work, sizeof work);
        return SumGroup(g_items.fileId, d->Handle, g_items.today, d->KeyBuffer, d->Record, g_items.stored) == 0
                   ? LK_FOUND
                   : LK_NOT_FOUND;
    }
    std::memcpy(d->Record, &work, sizeof work);
    return LK_FOUND;
}

// Slots A and B: the record position, or in grouped mode the group's.
int ItemsPosition(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    switch (d->Move) {
    case LK_KEEP_A:
    case LK_KEEP_B: {
        uint32_t& slot = d->Move == LK_KEEP_A ? d->SlotA : d->SlotB;
        if (g_items.grouped) {
            slot = static_cast<uint32_t>(g_items.stored);
            return 0;
        }
        unsigned long position = 0;
        const int st = Here(d->Handle, d->KeyBuffer, &position);
        if (st == 0)
            slot = static_cast<uint32_t>(position);
        return st;
    }
    case LK_BACK_A:
    case LK_BACK_B: {
        const uint32_t slot = d->Move == LK_BACK_A ? d->SlotA : d->SlotB;
        if (slot == 0)
            return B_INVALID_POSITIONING;
        TagOpenItem work{};
        int st = ReadAt(d->Handle, d->KeyBuffer, slot, work);
        if (st != 0)
            return st;
        std::memcpy(d->Record, &work, sizeof work);
        if (!g_items.grouped)
            return 0;
        // the group's row is its sum, as it was shown
        g_items.stored = slot;
        return SumGroup(g_items.fileId, d->Handle, g_items.today, d->KeyBuffer, d->Record, slot);
    }
    default:
        return 1;
    }
}

// ---- overdue open-invoice headers

struct OverdueRun {
    char customer[kCodeSize + 1];
    int32_t today;
    int fileId;
};
OverdueRun g_overdue{};

bool Overdue(const TagOpenInvoiceHdr& h)
{
    return h.Date52 < g_overdue.today && h.BalanceLessDiscount > 0;
}

bool OfCustomer(const TagOpenInvoiceHdr& h)
{
    return std::strncmp(h.Customer, g_overdue.customer, kCodeSize) == 0;
}

int GetHeader(int operation, uint16_t handle, char* key, TagOpenInvoiceHdr& h)
{
    return BtrGet(operation, handle, key, &h, sizeof h);
}

// From the record read, steps the same way over the customer's headers
// that are not overdue; 9 past the customer's last (the file put back on
// the customer's side).
int SkipToOverdue(int move, uint16_t handle, char* key, TagOpenInvoiceHdr& h, int st)
{
    const int back = move == LK_MOVE_NEXT ? LK_MOVE_PREVIOUS : LK_MOVE_NEXT;
    while (st == 0 && OfCustomer(h) && !Overdue(h))
        st = GetHeader(move, handle, key, h);
    if (st == B_END_OF_FILE)
        return st;
    if (st != 0) {
        Report(st, move, g_overdue.fileId);
        return st;
    }
    if (OfCustomer(h))
        return 0;
    TagOpenInvoiceHdr kept{};
    const int again = GetHeader(back, handle, key, kept);
    if (again != 0 && again != B_END_OF_FILE)
        Report(again, back, g_overdue.fileId);
    return B_END_OF_FILE;
}

int OverdueRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    TagOpenInvoiceHdr h{};
    int st;
    switch (d->Move) {
    case LK_MOVE_NEXT:
    case LK_MOVE_PREVIOUS:
        st = GetHeader(d->Move, d->Handle, d->KeyBuffer, h);
        st = SkipToOverdue(d->Move, d->Handle, d->KeyBuffer, h, st);
        break;
    case LK_MOVE_FIRST:
        AccountKey(d->KeyBuffer, g_overdue.customer, false);
        st = GetHeader(B_GET_GE, d->Handle, d->KeyBuffer, h);
        if (st != 0 && st != B_END_OF_FILE) {
            Report(st, B_GET_GE, g_overdue.fileId);
            return st;
        }
        st = SkipToOverdue(LK_MOVE_NEXT, d->Handle, d->KeyBuffer, h, st);
        break;
    case LK_MOVE_LAST:
        AccountKey(d->KeyBuffer, g_overdue.customer, true);
        st = GetHeader(B_GET_GE, d->Handle, d->KeyBuffer, h);
        if (st == 0) {
            st = GetHeader(B_GET_PREVIOUS, d->Handle, d->KeyBuffer, h);
        } else if (st == B_END_OF_FILE || st == B_KEY_NOT_FOUND) {
            st = GetHeader(B_GET_LAST, d->Handle, d->KeyBuffer, h);
        } else {
            Report(st, B_GET_GE, g_overdue.fileId);
            return st;
        }
        st = SkipToOverdue(LK_MOVE_PREVIOUS, d->Handle, d->KeyBuffer, h, st);
        break;
    default:
        return B_INVALID_OPERATION;
    }
    if (st == 0)
        std::memcpy(d->Record, &h, sizeof h);
    return st;
}

int OverdueSearch(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    TagOpenInvoiceHdr h{};
    int st = GetHeader(B_GET_GE, d->Handle, d->KeyBuffer, h);
    if (st != 0 && st != B_END_OF_FILE && st != B_KEY_NOT_FOUND)
        Report(st, B_GET_GE, g_overdue.fileId);
    if (st != 0)
        return LK_NOT_FOUND;
    if (SkipToOverdue(LK_MOVE_NEXT, d->Handle, d->KeyBuffer, h, st) != 0)
        return LK_NOT_FOUND;
    std::memcpy(d->Record, &h, sizeof h);
    return LK_FOUND;
}

}  // namespace

int FlyAPOpenItemsRead(int move, int fileId, uint16_t handle, const char* account, char* key, void* record)
{
    TagOpenItem work{};
    int st;
    switch (move) {
    case LK_MOVE_NEXT:
    case LK_MOVE_PREVIOUS: {
        st = Get(move, handle, key, work);
        if (st == B_END_OF_FILE)
            return st;
        if (st != 0) {
            Report(st, move, fileId);
            return st;
        }
        if (!OfAccount(work, account)) {
            TagOpenItem kept{};
            Get(move == LK_MOVE_NEXT ? LK_MOVE_PREVIOUS : LK_MOVE_NEXT, handle, key, kept);
            return B_END_OF_FILE;
        }
        break;
    }
    case LK_MOVE_FIRST:
    case LK_MOVE_LAST:
        st = AccountEnd(move, fileId, handle, account, key, work);
        if (st != 0)
            return st;
        break;
    default:
        return B_INVALID_OPERATION;
    }
    std::memcpy(record, &work, sizeof work);
    return 0;
}

int FlyAPOpenItemsReadEx(int move, int fileId, uint16_t handle, int today, const char* account, char* key,
                         void* record, unsigned long* stored)
{
    unsigned long own = 0;
    unsigned long& at = stored != nullptr ? *stored : own;
    TagOpenItem work{};
    int st;
    switch (move) {
    case LK_MOVE_FIRST:
        st = AccountEnd(move, fileId, handle, account, key, work);
        break;
    case LK_MOVE_LAST:
        st = AccountEnd(move, fileId, handle, account, key, work);
        if (st == 0)
            st = GroupStart(fileId, handle, account, key, work);
        break;
    case LK_MOVE_NEXT: {
        st = ReadAt(handle, key, at, work);
        if (st != 0) {
            Report(st, B_GET_DIRECT, fileId);
            return st;
        }
        const TagOpenItem row = work;
        while ((st = Get(B_GET_NEXT, handle, key, work)) == 0 && OfAccount(work, account) &&
               !IsAdvanceEntry(&work) && !IsAdvanceEntry(&row) && SameReference(work, row)) {
        }
        if (st == 0 && !OfAccount(work, account))
            st = B_END_OF_FILE;
        if (st != 0) {
            if (st != B_END_OF_FILE)
                Report(st, B_GET_NEXT, fileId);
            TagOpenItem kept{};
            const int back = ReadAt(handle, key, at, kept);
            if (back != 0)
                Report(back, B_GET_DIRECT, fileId);
            return st;
        }
        break;
    }
    case LK_MOVE_PREVIOUS: {
        st = ReadAt(handle, key, at, work);
        if (st != 0) {
            Report(st, B_GET_DIRECT, fileId);
            return st;
        }
        st = Get(B_GET_PREVIOUS, handle, key, work);
        if (st == 0 && !OfAccount(work, account))
            st = B_END_OF_FILE;
        if (st == 0)
            st = GroupStart(fileId, handle, account, key, work);
        if (st != 0) {
            if (st != B_END_OF_FILE)
                Report(st, B_GET_PREVIOUS, fileId);
            TagOpenItem kept{};
            ReadAt(handle, key, at, kept);
            return st;
        }
        break;
    }
    default:
        return B_INVALID_OPERATION;
    }
    if (st != 0)
        return st;
    st = Here(handle, key, &at);
    if (st != 0) {
        Report(st, B_GET_POSITION, fileId);
        return st;
    }
    std::memcpy(record, &work, sizeof work);
    return SumGroup(fileId, handle, today, key, record, at);
}

int FlyAPOpenItems(const char* account, const char* startText, short grouped, uint16_t handle, void* record,
                   int fileId, uint16_t row, uint16_t column, uint16_t height, uint16_t width)
{
    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(handle, &savedKey, &savedSecond);
    g_items = ItemsRun{};
    std::snprintf(g_items.account, sizeof g_items.account, "%s", account != nullptr ? account : "");
    g_items.grouped = grouped != 0;
    g_items.fileId = fileId;
    g_items.today = FxToday();
    char title[65] = {};
    FxLoadString(354, sizeof title, title);
    // the dictionary of the payables file serves both files
    std::vector<TagLookUpField> columns;
    std::vector<TagLookUpField> filter;
    if (!LoadColumns(FileNo::PayablesOpenItems, {2, 5, 15, 17, 11, 10, 9, 6}, columns) ||
        !LoadColumns(FileNo::PayablesOpenItems, {1}, filter))
        return 0;
    FxForm form{};
    SetupStandardScreen(&form, 0, 0);
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    TagOpenItem buffer{};
    data.FileId = static_cast<uint16_t>(fileId);
    data.KeyNumber = 1;
    data.RecordLength = sizeof buffer;
    data.Handle = handle;
    data.Record = &buffer;
    BtrSetDefaults(handle, 1, -1);
    SetColorSet(lookup.Colours, 3);
    lookup.Row = row;
    lookup.Column = column;
    lookup.Height = height;
    lookup.Width = width;
    lookup.Title = title;
    lookup.SearchPrompt = "Search :";
    lookup.Columns = columns.data();
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.Form = &form;
    lookup.Read = ItemsRow;
    lookup.Search = ItemsSearch;
    lookup.ReadAtPosition = ItemsPosition;
    // key 1 begins with the account: a start text searches within it
    if (startText != nullptr && startText[0] != '\0') {
        AccountKey(data.KeyBuffer, g_items.account, false);
        std::snprintf(data.KeyBuffer + kCodeSize, sizeof data.KeyBuffer - kCodeSize, "%s", startText);
        lookup.StartMode = LK_START_SEARCH;
    } else {
        lookup.StartMode = LK_START_FIRST;
    }
    char value[kCodeSize + 1] = {};
    std::memcpy(value, g_items.account, kCodeSize);
    void* values[1] = {value};
    const int picked = FilterLookUpProcess(&lookup, filter.data(), values);
    if (picked && record != nullptr)
        std::memcpy(record, &buffer, sizeof buffer);
    BtrSetDefaults(handle, savedKey, savedSecond);
    return picked ? 1 : 0;
}

int FlyOpenInvoiceHeaders(const char* customer, int restorePosition, uint16_t handle, void* record, uint16_t row,
                          uint16_t column, uint16_t height, uint16_t width, int fileId)
{
    g_overdue = OverdueRun{};
    std::snprintf(g_overdue.customer, sizeof g_overdue.customer, "%s", customer != nullptr ? customer : "");
    g_overdue.today = FxToday();
    g_overdue.fileId = fileId;
    Settings s;
    s.file = static_cast<FileNo>(fileId);
    s.recordLength = sizeof(TagOpenInvoiceHdr);
    char title[65] = {};
    char format[65] = {};
    FxLoadString(525, sizeof format, format);
    std::snprintf(title, sizeof title, format, g_overdue.customer);
    s.titleText = title;
    s.startType = LOOKUP_OVERDUE_INVOICES;
    s.documentStart = true;
    s.columns = {10, 18, 2, 12};
    s.rowReader = OverdueRow;
    s.search = OverdueSearch;
    s.f8f9 = Keys::Left;
    s.shiftF9 = Switch::Left;
    s.keepF5 = true;
    s.formOptions = 0;
    s.formList = 0;
    s.lastPickType = LOOKUP_OVERDUE_INVOICES;
    s.stays = Stays::Always;
    s.captionId = 526;
    s.print = PrintLookUpList;
    Call c{customer, restorePosition, handle, record, row, column, height, width, nullptr};
    c.filterColumn = 1;
    c.filterValue = g_overdue.customer;
    return RunStandard(s, c);
}

BWPS_ORDINAL(686, FlyAPOpenItems);
BWPS_ORDINAL(687, FlyAPOpenItemsRead);
BWPS_ORDINAL(688, FlyAPOpenItemsReadEx);
