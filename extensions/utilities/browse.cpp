// The transaction browse screens: a list over one data file, or a header
// list whose Enter opens the list of the highlighted header's lines, with
// F6 deleting the highlighted record. A deleted header takes its lines with
// it in the same record-manager transaction; a deleted invoice gives its
// amounts back first.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <recman.h>

#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/open_items.h"
#include "bwps/products.h"
#include "bwps/records/assemblies.h"
#include "bwps/records/ledger.h"
#include "bwps/records/sales.h"
#include "bwps/screen_utils.h"
#include "bwps/salespersons.h"
#include "bwps/serials.h"
#include "bwps/settings.h"
#include "bwps/stations.h"
#include "bwps/table.h"
#include "extensions/utilities/utilities.h"
#include "extensions/utilities/verify_records.h"
#include "fx.h"
#include "lookup.h"


namespace {

using bwps::FileNo;
using bwps::No;

constexpr int kNoBrowseScreen = 1271;
constexpr int kAskDeleteHeader = 985;
constexpr int kAskDeleteLine = 1261;
constexpr int kAskDeleteHeaderToo = 1263;
constexpr int kAskDeleteRecord = 951;
constexpr int kKeyF5 = FX_KEY_F1 + 4 * 0x100;
constexpr int kKeyF6 = FX_KEY_F1 + 5 * 0x100;
constexpr int kKeyF8 = FX_KEY_F1 + 7 * 0x100;
constexpr int kKeyF9 = FX_KEY_F1 + 8 * 0x100;
constexpr int kNumberWidth = 11;
// A failure that the service which met it has reported: the delete stops
// without a second report.
constexpr int kReportedAlready = -1;

enum class Kind { Single, Records, Assemblies, Ledger, Layaways, Invoices, Quotes };

struct Screen {
    Kind kind;
    FileNo header, detail;  // detail None for a single list
    int headerTitle, detailTitle;
    std::vector<int> headerColumns, detailColumns;
};

const Screen kScreens[] = {
    {Kind::Records, FileNo::Assemblies, FileNo::None, 393, 0, {2, 4, 5}, {}},
    {Kind::Assemblies, FileNo::AssemblyHeader, FileNo::AssemblyDetail, 394, 395,
     {1, 2, 4, 3, 12, 9, 10, 11, 5}, {1, 3, 4, 6, 7, 8, 10, 11}},
    {Kind::Single, FileNo::CustomerAddresses, FileNo::None, 0, 0, {1, 5, 2, 6}, {}},
    {Kind::Ledger, FileNo::LedgerHeader, FileNo::LedgerDetail, 390, 391, {2, 3, 4, 5, 7, 9, 10, 11},
     {1, 4, 2, 8, 5, 6, 7}},
    {Kind::Layaways, FileNo::LayawayHeader, FileNo::LayawayDetail, 398, 399,
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
    {Kind::Invoices, FileNo::SalesHeader, FileNo::SalesDetail, 299, 396, {1, 5, 14, 28, 29, 30},
     {1, 2, 4, 5, 6, 7, 10, 11, 15, 16, 21, 22}},
    {Kind::Quotes, FileNo::QuoteHeader, FileNo::QuoteDetail, 301, 397, {1, 5, 14, 28},
     {1, 2, 4, 5, 6, 7, 10, 11, 15, 21}},
};

const Screen* ScreenOf(int fileNumber)
{
    for (const Screen& s : kScreens)
        if (No(s.header) == fileNumber || (s.detail != FileNo::None && No(s.detail) == fileNumber))
            return &s;
    return nullptr;
}

// One list being run: its lookup, its form and its record buffer.
struct List {
    TagLookUp lookup{};
    TagLookUpData data{};
    FxForm form{};
    uint8_t work[32] = {};
    std::vector<uint8_t> record;
    std::vector<TagLookUpField> columns;
    char title[65] = {};
};

// The screen being shown (one at a time).
struct Browse {
    const Screen* screen = nullptr;
    uint16_t headers = 0, lines = 0;
};
Browse* g_browse = nullptr;

// The list's columns by dictionary number; numbers past the columns that
// the dictionary holds for the file are left out.
bool LoadColumns(FileNo file, const std::vector<int>& wanted, std::vector<TagLookUpField>& out)
{
    const int held = CountFileColumns(No(file));
    std::vector<int> numbers;
    for (int n : wanted)
        if (n <= held)
            numbers.push_back(n);
    if (numbers.empty())
        numbers.push_back(1);
    std::vector<TagColumnDefinition> definitions(numbers.size() + 2);
    const int size = static_cast<int>(definitions.size() * sizeof(TagColumnDefinition));
    int n[20];
    for (size_t i = 0; i < 20; ++i)
        n[i] = i < numbers.size() ? numbers[i] : -1;
    if (GetColumnDefinitions(GetDataFileName(No(file)), size, definitions.data(), n[0], n[1], n[2], n[3],
                             n[4], n[5], n[6], n[7], n[8], n[9], n[10], n[11], n[12], n[13], n[14],
                             n[15], n[16], n[17], -1) != 0)
        return false;
    static_assert(sizeof(TagColumnDefinition) == sizeof(TagLookUpField));
    out.assign(numbers.size() + 1, TagLookUpField{});
    std::memcpy(out.data(), definitions.data(), numbers.size() * sizeof(TagLookUpField));
    return true;
}

int RecordLength(FileNo file) { return GetDataFileRecordLength(No(file)); }

void ReportStatus(int status, int operation, FileNo file)
{
    ReportRecordManagerError(status, 1, operation, No(file), 0);
}

int Ask(int message)
{
    FxBeep();
    uint8_t colours[COLOR_SET_SIZE] = {};
    SetColorSet(colours, 5);
    int choice = 1;
    if (AskMessage(message, 1, &choice, MESSAGE_BUTTONS_YES_NO, colours, -1, -1, 0, 0, 0) != 0)
        return 0;
    return choice == 1;
}

std::string NumberOf(const void* record, int width = kNumberWidth)
{
    const char* r = static_cast<const char*>(record);
    return std::string(r, strnlen(r, static_cast<size_t>(width)));
}

// Deletes every line whose number (the first `width` bytes of key 0) is
// the document's. 0, or the failing status (its operation in *operation).
int DeleteLinesOf(uint16_t lines, FileNo file, const std::string& number, int* operation)
{
    std::vector<uint8_t> line(static_cast<size_t>(RecordLength(file)) + 16);
    for (;;) {
        uint8_t key[256] = {};
        std::memcpy(key, number.c_str(), number.size());
        if (file == FileNo::SalesDetail || file == FileNo::QuoteDetail) {
            const int16_t first = INT16_MIN;
            std::memcpy(key + kNumberWidth, &first, sizeof first);
        }
        int status = BtrGet(B_GET_GE, lines, key, line.data(), RecordLength(file));
        if (status == B_END_OF_FILE || status == B_KEY_NOT_FOUND)
            return 0;
        if (status != 0) {
            *operation = B_GET_GE;
            return status;
        }
        if (NumberOf(line.data()) != number)
            return 0;
        status = BtrWrite(B_DELETE, lines, nullptr, line.data(), RecordLength(file));
        if (status != 0) {
            *operation = B_DELETE;
            return status;
        }
    }
}

// True when a line of that number is left.
int LineLeft(uint16_t lines, FileNo file, const std::string& number, bool* left)
{
    std::vector<uint8_t> line(static_cast<size_t>(RecordLength(file)) + 16);
    uint8_t key[256] = {};
    std::memcpy(key, number.c_str(), number.size());
    if (file == FileNo::SalesDetail || file == FileNo::QuoteDetail) {
        const int16_t first = INT16_MIN;
        std::memcpy(key + kNumberWidth, &first, sizeof first);
    }
    const int status = BtrGet(B_GET_GE, lines, key, line.data(), RecordLength(file));
    *left = status == 0 && NumberOf(line.data()) == number;
    return status == B_END_OF_FILE || status == B_KEY_NOT_FOUND ? 0 : status;
}

// ---- Invoices

// Gives back what the sale took: the customer's open items go to history,
// the salesperson's period sales and the products' quantities are reduced,
// the serial movements go. Lines kept in the detail file are deleted. Runs
// inside the caller's transaction. 0, or the failing status
// (kReportedAlready when the serial services reported it).
int ReverseInvoice(const TagSalesHdr& header, uint16_t lines, int* operation, FileNo* file)
{
    const std::string number = NumberOf(header.InvoiceNo);
    if ((header.Flags & SALES_LINES_IN_DATA_FILE) != 0) {
        *file = FileNo::SalesDetail;
        return DeleteLinesOf(lines, FileNo::SalesDetail, number, operation);
    }
    bwps::Table products, customers, openItems;
    bwps::Status st = products.Open(FileNo::Products);
    if (!st.Ok()) {
        *operation = st.operation;
        *file = FileNo::Products;
        return st.status;
    }
    const std::string customer = NumberOf(header.CustomerNo);
    if (!customer.empty()) {
        if (!(st = customers.Open(FileNo::Customers)).Ok() ||
            !(st = openItems.Open(FileNo::ReceivablesOpenItems)).Ok()) {
            *operation = st.operation;
            *file = st.file;
            return st.status;
        }
        if (!ImportCustHistTransactions(openItems.Handle(), customers.Handle(), customer.c_str(),
                                        number.c_str(), 0)) {
            *operation = B_UPDATE;
            *file = FileNo::ReceivablesOpenItems;
            return B_INVALID_OPERATION;
        }
    }
    // the salesperson's period sales give the document back (kind 4)
    uint8_t periods[462];
    if (LoadPeriodsRecord(periods) == 0) {
        bwps::Table salespersons;
        if ((st = salespersons.Open(FileNo::Salespersons)).Ok()) {
            const int s = UpdateSalespersonPeriodSales(salespersons.Handle(), SALESPERSON_SUBTRACT, periods, &header);
            if (s != 0 && s != -2) {
                *operation = B_UPDATE;
                *file = FileNo::Salespersons;
                return s;
            }
        }
    }
    InvDetailSource source{};
    source.handle = -1;
    source.fd = -1;
    std::memcpy(source.header, &header, sizeof header);
    // The sale's lines must be read whole, or nothing is given back and the
    // sale stays.
    *operation = B_GET_NEXT;
    *file = FileNo::Registers;
    if (!OpenInvDetailSource(&source))
        return B_FILE_NOT_OPEN;
    if (source.mode == 1 && source.fd < 0) {
        CloseInvDetailSource(&source);
        return B_FILE_NOT_OPEN;
    }
    int s = ReadInvDetailSourceAt(&source, B_GET_GE);
    for (; s == 0; s = ReadInvDetailSourceAt(&source, B_GET_NEXT)) {
        TagSalesDetail line;
        std::memcpy(&line, source.line, sizeof line);
        if (NumberOf(line.InvoiceNo) != number)
            break;
        if (line.Kind == SALE_LINE_PRODUCT) {
            const std::string code(line.ItemCode, strnlen(line.ItemCode, sizeof line.ItemCode));
            // The product update reports its own failure.
            if (UpdateProductRecord(products.Handle(), code.c_str(), -line.Quantity) != 0) {
                CloseInvDetailSource(&source);
                return kReportedAlready;
            }
        }
        if (line.HasSerials == 'Y') {
            uint32_t link = line.SerialLink;
            const int status = DeleteSerialMovementsOfDocument(&link);
            if (status != 0) {
                CloseInvDetailSource(&source);
                return kReportedAlready;
            }
        }
    }
    CloseInvDetailSource(&source);
    if (s != 0 && s != B_END_OF_FILE && s != B_KEY_NOT_FOUND)
        return s;
    return 0;
}

// ---- Deletes

TagLookUp* LookupOf(void* argument) { return static_cast<TagLookUp*>(argument); }

// A document header of layaways, quotes or invoices, with its lines, in one
// transaction.
int DeleteDocumentHeader(TagLookUp* lookup)
{
    Browse& b = *g_browse;
    const Screen& s = *b.screen;
    if (!Ask(kAskDeleteHeader))
        return FX_STAY;
    const int length = RecordLength(s.header);
    std::vector<uint8_t> header(static_cast<size_t>(length) + 16);
    std::memcpy(header.data(), lookup->Data->Record, static_cast<size_t>(length));
    const std::string number = NumberOf(header.data());
    bwps::WriteBatch batch;
    if (!batch.Begun().Ok()) {
        ReportStatus(batch.Begun().status, B_BEGIN_TRAN, s.header);
        return LK_ANSWER_REFRESH;
    }
    // Read again under the transaction: another station may have changed it.
    uint8_t key[256] = {};
    std::memcpy(key, number.c_str(), number.size());
    int status = BtrGet(B_GET_EQUAL, b.headers, key, header.data(), length);
    if (status != 0) {
        ReportStatus(status, B_GET_EQUAL, s.header);
        return LK_ANSWER_REFRESH;
    }
    int operation = B_DELETE;
    FileNo failed = s.detail;
    if (s.kind == Kind::Invoices) {
        TagSalesHdr invoice;
        std::memcpy(&invoice, header.data(), sizeof invoice);
        status = ReverseInvoice(invoice, b.lines, &operation, &failed);
        // Lines of the detail file go with the header in every case.
        if (status == 0)
            status = DeleteLinesOf(b.lines, s.detail, number, &operation);
    } else {
        status = DeleteLinesOf(b.lines, s.detail, number, &operation);
    }
    if (status != 0) {
        if (status != kReportedAlready)
            ReportStatus(status, operation, failed);
        return LK_ANSWER_REFRESH;
    }
    status = BtrWrite(B_DELETE, b.headers, nullptr, header.data(), length);
    if (status != 0) {
        ReportStatus(status, B_DELETE, s.header);
        return LK_ANSWER_REFRESH;
    }
    const bwps::Status done = batch.Commit();
    if (!done.Ok())
        ReportStatus(done.status, B_END_TRAN, s.header);
    return LK_ANSWER_REFRESH;
}

// A marker-pair header becomes its deleted-transaction placeholder; its
// lines go.
int DeletePairHeader(TagLookUp* lookup)
{
    Browse& b = *g_browse;
    const Screen& s = *b.screen;
    if (!Ask(kAskDeleteHeader))
        return FX_STAY;
    const int length = RecordLength(s.header);
    std::vector<uint8_t> header(static_cast<size_t>(length) + 16);
    std::memcpy(header.data(), lookup->Data->Record, static_cast<size_t>(length));
    TagPostingStatus block{};
    bwps::WriteBatch batch;
    if (!batch.Begun().Ok()) {
        ReportStatus(batch.Begun().status, B_BEGIN_TRAN, s.header);
        return LK_ANSWER_REFRESH;
    }
    const int32_t status =
        s.kind == Kind::Ledger
            ? WriteDeletedGLMarker(B_DELETE, b.headers, b.lines,
                                   reinterpret_cast<TagGLHeader*>(header.data()), &block)
            : WriteDeletedMarker(B_DELETE, b.headers, b.lines, header.data(), &block);
    if (status != 0 && status != B_KEY_NOT_FOUND && status != B_END_OF_FILE) {
        ReportRecordManagerError(status, 1, block.Operation, block.FileNumber, 0);
        return LK_ANSWER_REFRESH;
    }
    const bwps::Status done = batch.Commit();
    if (!done.Ok())
        ReportStatus(done.status, B_END_TRAN, s.header);
    return LK_ANSWER_REFRESH;
}

int DeleteHeader(void* argument)
{
    if (g_browse == nullptr)
        return FX_STAY;
    TagLookUp* lookup = LookupOf(argument);
    switch (g_browse->screen->kind) {
    case Kind::Assemblies:
    case Kind::Ledger:
        return DeletePairHeader(lookup);
    default:
        return DeleteDocumentHeader(lookup);
    }
}

// After the last line of a document went: asks whether its header goes
// too, and deletes it (an invoice's is reversed first).
void OfferHeader(const std::string& number, const uint8_t* line)
{
    Browse& b = *g_browse;
    const Screen& s = *b.screen;
    const int length = RecordLength(s.header);
    std::vector<uint8_t> header(static_cast<size_t>(length) + 16);
    TagPostingStatus block{};
    int status;
    if (s.kind == Kind::Ledger) {
        const char* r = reinterpret_cast<const char*>(line);
        status = FindDeletedMarkerByNumber(b.headers, r, r + 7, header.data(), &block);
    } else if (s.kind == Kind::Assemblies) {
        status = FindDeletedMarker(b.headers, reinterpret_cast<const char*>(line), header.data(), &block);
    } else {
        uint8_t key[256] = {};
        std::memcpy(key, number.c_str(), number.size());
        status = BtrGet(B_GET_EQUAL, b.headers, key, header.data(), length);
        block.Operation = B_GET_EQUAL;
        block.FileNumber = No(s.header);
    }
    if (status == B_KEY_NOT_FOUND || status == B_END_OF_FILE)
        return;
    if (status != 0) {
        ReportRecordManagerError(status, 1, block.Operation, block.FileNumber, 0);
        return;
    }
    if (!Ask(kAskDeleteHeaderToo))
        return;
    bwps::WriteBatch batch;
    if (!batch.Begun().Ok()) {
        ReportStatus(batch.Begun().status, B_BEGIN_TRAN, s.header);
        return;
    }
    // A line added meanwhile by another station keeps the header.
    bool left = false;
    status = LineLeft(b.lines, s.detail, number, &left);
    if (status != 0) {
        ReportStatus(status, B_GET_GE, s.detail);
        return;
    }
    if (left)
        return;
    if (s.kind == Kind::Invoices) {
        TagSalesHdr invoice;
        std::memcpy(&invoice, header.data(), sizeof invoice);
        int operation = 0;
        FileNo failed = s.detail;
        status = ReverseInvoice(invoice, b.lines, &operation, &failed);
        if (status != 0) {
            ReportStatus(status, operation, failed);
            return;
        }
    }
    status = BtrWrite(B_DELETE, b.headers, nullptr, header.data(), length);
    if (status != 0) {
        ReportStatus(status, B_DELETE, s.header);
        return;
    }
    const bwps::Status done = batch.Commit();
    if (!done.Ok())
        ReportStatus(done.status, B_END_TRAN, s.header);
}

int DeleteLine(void* argument)
{
    if (g_browse == nullptr)
        return FX_STAY;
    Browse& b = *g_browse;
    const Screen& s = *b.screen;
    TagLookUp* lookup = LookupOf(argument);
    if (!Ask(kAskDeleteLine))
        return FX_STAY;
    const int length = RecordLength(s.detail);
    std::vector<uint8_t> line(static_cast<size_t>(length) + 16);
    std::memcpy(line.data(), lookup->Data->Record, static_cast<size_t>(length));
    int status = BtrWrite(B_DELETE, b.lines, nullptr, line.data(), length);
    if (status != 0) {
        ReportStatus(status, B_DELETE, s.detail);
        return LK_ANSWER_REFRESH;
    }
    const std::string number = s.kind == Kind::Ledger ? NumberOf(line.data(), 18) : NumberOf(line.data());
    bool left = false;
    if (s.kind == Kind::Ledger || s.kind == Kind::Assemblies) {
        std::vector<uint8_t> other(static_cast<size_t>(length) + 16);
        TagPostingStatus block{};
        const char* r = reinterpret_cast<const char*>(line.data());
        status = s.kind == Kind::Ledger
                     ? FindNextDeletedMarkerByNumber(b.lines, r, r + 7, other.data(), &block)
                     : FindNextDeletedMarker(b.lines, r, other.data(), &block);
        if (status != 0 && status != B_KEY_NOT_FOUND && status != B_END_OF_FILE) {
            ReportRecordManagerError(status, 1, block.Operation, block.FileNumber, 0);
            return LK_ANSWER_REFRESH;
        }
        left = status == 0;
    } else {
        status = LineLeft(b.lines, s.detail, number, &left);
        if (status != 0) {
            ReportStatus(status, B_GET_GE, s.detail);
            return LK_ANSWER_REFRESH;
        }
    }
    if (!left)
        OfferHeader(number, line.data());
    return LK_ANSWER_REFRESH;
}

// The single list of file 9: the highlighted record, by its position.
int DeleteBrowsedRecord(void* argument)
{
    if (g_browse == nullptr)
        return FX_STAY;
    TagLookUp* lookup = LookupOf(argument);
    const uint16_t handle = g_browse->headers;
    uint32_t position = 0;
    if (BtrPosition(B_GET_DIRECT, handle, &position) != 0) {
        FxBeep();
        return FX_STAY;
    }
    if (!Ask(kAskDeleteRecord))
        return FX_STAY;
    const int status = BtrWrite(B_DELETE, handle, nullptr, lookup->Data->Record,
                                RecordLength(FileNo::CustomerAddresses));
    if (status != 0)
        ReportStatus(status, B_DELETE, FileNo::CustomerAddresses);
    return LK_ANSWER_REFRESH;
}

int DeleteWithLookUp(void* argument) { return LookUpDeleteRecord(LookupOf(argument)); }

// ---- Lists

bool PrepareList(List& l, FileNo file, uint16_t handle, const std::vector<int>& columns, int title,
                 FxHandler onDelete)
{
    if (!LoadColumns(file, columns, l.columns))
        return false;
    l.record.assign(static_cast<size_t>(RecordLength(file)) + 16, 0);
    if (title != 0)
        FxLoadString(title, sizeof l.title, l.title);
    SetupStandardScreen(&l.form, 0x23, 0);
    FxReleaseKey(&l.form, kKeyF5);
    FxReleaseKey(&l.form, kKeyF8);
    FxReleaseKey(&l.form, kKeyF9);
    FxSetKeyHandler(&l.form, kKeyF6, onDelete);
    int key = 0, second = 0;
    BtrGetDefaults(handle, &key, &second);
    l.data.FileId = static_cast<uint16_t>(No(file));
    l.data.RecordLength = static_cast<uint16_t>(RecordLength(file));
    l.data.Handle = handle;
    l.data.KeyNumber = static_cast<uint16_t>(key);
    l.data.Record = l.record.data();
    SetColorSet(l.lookup.Colours, 3);
    l.lookup.Row = 7;
    l.lookup.Column = 4;
    l.lookup.Height = 10;
    l.lookup.Width = 71;
    l.lookup.Title = l.title;
    l.lookup.SearchPrompt = "Search :";
    l.lookup.Columns = l.columns.data();
    l.lookup.Data = &l.data;
    l.lookup.WorkArea = l.work;
    l.lookup.Form = &l.form;
    l.lookup.DeleteAllowed = 1;
    l.lookup.StartMode = LK_START_FIRST;
    l.lookup.Read = LookUpReadRecordCallback;
    l.lookup.ReadAtPosition = LookUpReadAtPositionCallback;
    l.lookup.Search = LookUpReadSearchCallback;
    return true;
}

// Enter on a header: the list of its lines, from its first one.
int ShowLines(TagLookUp* lookup)
{
    Browse& b = *g_browse;
    const Screen& s = *b.screen;
    List l;
    if (!PrepareList(l, s.detail, b.lines, s.detailColumns, s.detailTitle, DeleteLine))
        return 0;
    const int width = s.kind == Kind::Ledger ? 18 : kNumberWidth;
    std::memcpy(l.data.KeyBuffer, lookup->Data->Record, static_cast<size_t>(width));
    l.lookup.StartMode = LK_START_SEARCH;
    LookUpProcessDlg(&l.lookup, LK_DIALOG_ID);
    return 0;
}

void RunScreen(Browse& b)
{
    const Screen& s = *b.screen;
    List l;
    if (s.kind == Kind::Single) {
        if (!PrepareList(l, s.header, b.headers, s.headerColumns, s.headerTitle, DeleteBrowsedRecord))
            return;
        // Read by key 0; the file's own key is put back after.
        int key = 0, second = 0;
        BtrGetDefaults(b.headers, &key, &second);
        BtrSetDefaults(b.headers, 0, -1);
        l.data.KeyNumber = 0;
        LookUpProcess(&l.lookup);
        BtrSetDefaults(b.headers, key, second);
        return;
    }
    const FxHandler onDelete = s.kind == Kind::Records ? DeleteWithLookUp : DeleteHeader;
    if (!PrepareList(l, s.header, b.headers, s.headerColumns, s.headerTitle, onDelete))
        return;
    if (s.detail != FileNo::None)
        l.lookup.RowAction = ShowLines;
    LookUpProcessDlg(&l.lookup, LK_DIALOG_ID);
}

}  // namespace

BWPS1_API int ViewTransactions(int fileNumber)
{
    const Screen* screen = ScreenOf(fileNumber);
    if (screen == nullptr) {
        ShowUtilityMessage(kNoBrowseScreen);
        return 0;
    }
    uint16_t list[FILE_LIST_SLOTS] = {};
    const int status =
        screen->detail == FileNo::None
            ? OpenFileList(list, No(screen->header) | (4 << 8), 0)
            : OpenFileList(list, No(screen->header) | (4 << 8), No(screen->detail) | (4 << 8), 0);
    if (status != 0)
        return 0;
    Browse b;
    b.screen = screen;
    b.headers = list[0];
    b.lines = screen->detail == FileNo::None ? 0 : list[1];
    Browse* outer = g_browse;
    g_browse = &b;
    RunScreen(b);
    g_browse = outer;
    UpdateCheckEntryCount(b.headers, No(screen->header));
    if (b.lines != 0)
        UpdateCheckEntryCount(b.lines, No(screen->detail));
    CloseFileList(list);
    return 0;
}
