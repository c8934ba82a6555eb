// Open-item balances: aging into periods, the walk of a document's items,
// advance entries; the existence of a data file in a folder.
#include "bwps/files.h"
#include "bwps/open_items.h"

#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/report_services.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kCustomerCreditLimit = 134;

bool SameDocument(const TagOpenItem& a, const TagOpenItem& b)
{
    return std::memcmp(a.Customer, b.Customer, sizeof a.Customer) == 0 &&
           std::memcmp(a.Document, b.Document, 11) == 0;
}

// The memo letter that leads a document without an invoice.
char MainMemo(int side) { return side == 3 ? 'D' : 'C'; }

}  // namespace

extern "C" {

int IsReducingEntry(int side, const TagOpenItem* r)
{
    if (side == 3)
        return r->Type == 'C' || r->Type == 'P' ? 1 : 0;
    if (side == 2)
        return r->Type == 'D' || r->Type == 'P' ? 1 : 0;
    return 0;
}

int IsAdvanceEntry(const TagOpenItem* r)
{
    std::string document(r->Document, strnlen(r->Document, 11));
    const size_t first = document.find_first_not_of(' ');
    return first != std::string::npos && document.compare(first, 7, "ADVANCE") == 0 ? 1 : 0;
}

int InitAgingState(TagAgingState* state, const void* customer)
{
    std::memset(state, 0, sizeof *state);
    double limit = 0;
    if (customer != nullptr)
        std::memcpy(&limit, static_cast<const uint8_t*>(customer) + kCustomerCreditLimit, 8);
    state->CreditLimit = limit;
    state->Available = limit;
    return 0;
}

int SetAgingPeriods(TagAgingState* state, int32_t date, int length, int count)
{
    if (count > AGING_PERIODS)
        count = AGING_PERIODS;
    if (count < 1)
        count = 1;
    state->AgingDate = date;
    for (int i = 0; i < count - 1; ++i)
        state->Periods[i].Limit = length * (i + 1);
    state->Periods[count - 1].Limit = AGING_LAST_LIMIT;
    state->Age = 0;
    return 1;
}

int SetAgingDueDate(TagAgingState* state, const TagOpenItem* r, int side)
{
    const int32_t before = state->DueDate;
    const bool leads = r->Type == 'I' || (side == 2 && r->Type == 'C') || (side == 3 && r->Type == 'D');
    if (leads) {
        if (state->DueDate == 0 || r->DocumentDate < state->DueDate)
            state->DueDate = r->DocumentDate;
    } else if (r->Type == 'F' && state->DueDate == 0) {
        state->DueDate = r->DocumentDate;
    }
    if (state->DueDate == 0) {
        state->Age = 0;
    } else if (state->DueDate != before) {
        const int32_t age = FxDayNumber(state->AgingDate) - FxDayNumber(state->DueDate);
        state->Age = static_cast<int16_t>(age < 0 ? 0 : age > INT16_MAX ? INT16_MAX : age);
    }
    return 0;
}

int CloseAgingDocument(TagAgingState* state)
{
    double amount = state->DocumentAmount;
    if (FxIsZeroAmount(&amount))
        return 0;
    if (state->DueDate == 0 || state->AgingDate <= state->DueDate || amount < 0) {
        state->Current += amount;
    } else {
        state->PastDue += amount;
        for (TagAgingPeriod& p : state->Periods)
            if (p.Limit >= state->Age) {
                p.Amount += amount;
                break;
            }
    }
    return 1;
}

int AddToAging(TagAgingState* state, const TagOpenItem* r, int side)
{
    if (r == nullptr)
        return CloseAgingDocument(state), 1;
    if (r->TransactionDate > state->AgingDate || r->Type == 'T')
        return 0;
    if (std::memcmp(state->Document, r->Document, sizeof state->Document) != 0) {
        CloseAgingDocument(state);
        std::memcpy(state->Document, r->Document, sizeof state->Document);
        state->DocumentAmount = 0;
        state->DueDate = 0;
        state->Age = 0;
    }
    double amount = IsReducingEntry(side, r) ? -r->Amount : r->Amount;
    if (r->Type == 'P')
        amount -= r->Discount;
    state->Balance += amount;
    state->DocumentAmount += amount;
    SetAgingDueDate(state, r, side);
    const bool invoiceLike = r->Type == 'I' || (side == 3 && r->Type == 'D') || (side == 2 && r->Type == 'C');
    if (invoiceLike && r->TransactionDate > state->LastInvoiceDate)
        state->LastInvoiceDate = r->TransactionDate;
    if (r->Type == 'P' && r->TransactionDate > state->LastPaymentDate)
        state->LastPaymentDate = r->TransactionDate;
    state->Available = state->CreditLimit - state->Balance;
    return 1;
}

int PickMainOpenItem(int* found, int* invoice, int side, TagOpenItem* main, const TagOpenItem* r)
{
    bool take = false;
    if (r->Type == 'I' && !*invoice) {
        take = true;
        *invoice = 1;
    } else if (!*invoice && r->Type == MainMemo(side) &&
               (!*found || r->TransactionDate < main->TransactionDate)) {
        take = true;
    }
    if (take) {
        std::memcpy(main->Document, r->Document, sizeof main->Document);
        main->DocumentDate = r->DocumentDate;
        main->TransactionDate = r->TransactionDate;
        main->DueDate = r->DueDate;
        main->Status = r->Status;
        main->Type = r->Type;
        *found = 1;
    }
    return 0;
}

int ReadAdvanceOpenItems(int side, uint16_t handle, void* key, int32_t dateLimit, TagOpenItem* r)
{
    if (IsAdvanceEntry(r)) {
        if (r->Type == 'P' || (side == 2 && r->Type == 'D') || (side == 3 && r->Type == 'C'))
            r->Amount = -r->Amount;
        return 0;
    }
    TagOpenItem current = *r;
    r->Amount = r->OpenAmount = r->Discount = 0;
    int found = 0, invoice = 0;
    bool memo = false;
    int status = 0;
    for (;;) {
        PickMainOpenItem(&found, &invoice, side, r, &current);
        double amount = current.Amount;
        switch (current.Type) {
        case 'I': break;
        case 'C':
        case 'D':
            memo = true;
            if ((current.Type == 'C' && side == 3) || (current.Type == 'D' && side == 2))
                amount = -amount;
            break;
        case 'P':
            amount = -(current.Amount + current.Discount);
            r->Discount += current.Discount;
            break;
        default: break;
        }
        r->Amount += amount;
        if (dateLimit <= current.DueDate)
            r->OpenAmount += amount;
        TagOpenItem next{};
        status = BtrGet(B_GET_NEXT, handle, key, &next, OPEN_ITEM_SIZE);
        if (status != 0)
            break;
        if (!SameDocument(next, current)) {
            BtrGet(B_GET_PREVIOUS, handle, key, &next, OPEN_ITEM_SIZE);
            break;
        }
        current = next;
    }
    if (!found && !memo) {
        r->OpenAmount = 0;
    } else {
        r->OpenAmount -= r->Discount;
        if (r->OpenAmount < 0)
            r->OpenAmount = 0;
    }
    if (status == B_END_OF_FILE || status == 0)
        return 0;
    ReportRecordManagerError(status, 1, B_GET_NEXT, side == 3 ? 3 : 2, 0);
    return status;
}

int ListOpenItemsToWindow(uint16_t handle, const void* customer, double* current, double* pastDue,
                          double* lastAmount, int32_t* lastDate, int32_t agingDate)
{
    *current = *pastDue = *lastAmount = 0;
    *lastDate = 0;
    FxWindow window{};
    const bool shown = FxWindowCreate(&window, 11, 22, 15, 70, 1, 0, 0x20, " Open Items ") == 0;
    int savedKey = 0, second = 0;
    BtrGetDefaults(handle, &savedKey, &second);
    uint32_t position = 0;
    const bool saved = BtrPosition(B_GET_DIRECT, handle, &position) == 0;
    BtrSetDefaults(handle, 1, -1);
    char key[256] = {};
    std::memcpy(key, customer, 11);
    TagOpenItem r{};
    int status = BtrGet(B_GET_GE, handle, key, &r, OPEN_ITEM_SIZE);
    long count = 0;
    bool stopped = false;
    while (status == 0 && std::memcmp(r.Customer, customer, 11) == 0) {
        const TagOpenItem first = r;
        double sum = 0;
        while (status == 0 && SameDocument(r, first)) {
            double amount = IsReducingEntry(3, &r) ? -r.Amount : r.Amount;
            if (r.Type == 'P')
                amount -= r.Discount;
            if (r.Type != 'T')
                sum += amount;
            if (r.Type == 'I' && r.TransactionDate >= *lastDate) {
                *lastDate = r.TransactionDate;
                *lastAmount = r.Amount;
            }
            ++count;
            if (shown) {
                char text[32];
                std::snprintf(text, sizeof text, "%ld", count);
                FxWindowText(&window, 1, 2, -1, text, 0);
            }
            status = BtrGet(B_GET_NEXT, handle, key, &r, OPEN_ITEM_SIZE);
        }
        if (first.DocumentDate >= agingDate || sum < 0)
            *current += sum;
        else
            *pastDue += sum;
        uint8_t work[32] = {};
        if (ReportCheckUserBreak(work)) {
            stopped = true;
            break;
        }
    }
    BtrSetDefaults(handle, savedKey, -1);
    if (saved)
        BtrPosition(0, handle, &position);
    if (shown)
        FxWindowClose(&window, 1);
    if (stopped)
        return 0;
    if (status != 0 && status != B_END_OF_FILE && status != B_KEY_NOT_FOUND) {
        ReportRecordManagerError(status, 1, B_GET_NEXT, bwps::No(bwps::FileNo::ReceivablesOpenItems), 0);
        return 0;
    }
    return 1;
}

int DataFileExistsInFolder(int fileNumber, const char* folder, int* status)
{
    std::string path = folder != nullptr ? folder : "";
    if (!path.empty() && path.back() != '/' && path.back() != '\\')
        path += '/';
    const char* name = GetDataFileName(fileNumber);
    path += name != nullptr ? name : "";
    uint16_t handle = 0;
    const int s = name != nullptr ? BtrOpenFile(&handle, path.c_str(), 0, 0) : B_INVALID_FILE_NAME;
    if (s == 0)
        BtrCloseFile(handle);
    if (status != nullptr)
        *status = s;
    return s == 0 ? 1 : 0;
}

}  // extern "C"

BWPS_ORDINAL(88, ReadAdvanceOpenItems);
BWPS_ORDINAL(89, PickMainOpenItem);
BWPS_ORDINAL(90, IsAdvanceEntry);
BWPS_ORDINAL(91, AddToAging);
BWPS_ORDINAL(92, InitAgingState);
BWPS_ORDINAL(93, SetAgingPeriods);
BWPS_ORDINAL(94, CloseAgingDocument);
BWPS_ORDINAL(95, SetAgingDueDate);
BWPS_ORDINAL(96, IsReducingEntry);
BWPS_ORDINAL(97, ListOpenItemsToWindow);
BWPS_ORDINAL(4100, DataFileExistsInFolder);
