// Verification of the transaction files: headers that lost their lines and
// lines that lost their header, in the assembly and ledger pairs (kept with
// deleted-transaction markers) and in the layaway, quote and invoice files
// (whose headers carry the total of their lines).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <recman.h>

#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/products.h"
#include "bwps/records/accounts.h"
#include "bwps/records/assemblies.h"
#include "bwps/records/ledger.h"
#include "bwps/records/sales.h"
#include "bwps/stations.h"
#include "bwps/status_windows.h"
#include "extensions/utilities/utilities.h"
#include "extensions/utilities/verify_records.h"
#include "fx.h"

namespace {

using bwps::FileNo;
using bwps::No;

constexpr int kAskVerify = 1071;
constexpr int kDetailSourceFailed = 501;
constexpr int kCannotVerifyMaster = 1265;
constexpr int kCannotVerifyDetail = 439;
constexpr int kCannotVerify = 437;
constexpr int kNoMemory = 1;
constexpr int kAssemblyFormats = 381;
constexpr int kLedgerFormats = 174;
constexpr int kModeVerify = 0x400;
constexpr const char* kDeleted = "DELETED";

bool Stopped(const int32_t* interrupted) { return interrupted != nullptr && *interrupted != 0; }

void Poll(UtilityRunContext* context, int32_t* interrupted)
{
    if (interrupted != nullptr && *interrupted == 0)
        *interrupted = PollInterruptKey(context, 0);
}

std::string Text(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }

void ShowNumber(const char* number, size_t width)
{
    const std::string text = Text(number, width);
    AddStatusLine(1, 0, text.c_str());
}

void ShowFile(int fileNumber) { AddStatusLine(0, 0, CheckEntryDescription(fileNumber)); }

void DatabaseError(int status, int operation, int fileNumber)
{
    ShowDatabaseErrorWindow(6, 3, status, operation, fileNumber, nullptr);
}

// One line to the list (when open) and to the message log.
void Report(bool listOpen, const char* format, const char* number)
{
    char line[160];
    std::snprintf(line, sizeof line, format, number);
    if (listOpen)
        WriteAuditLine(line);
    WriteMessageLogLine(line, 1, 1);
}

bool IsUncounted(char type) { return type == 'D' || type == 'M' || type == 'K'; }

// ---- Marker pairs

// The line formats of a pair: the first for headers, the second for lines.
struct Formats {
    char* lines[8] = {};
    bool loaded = false;
    explicit Formats(int list)
    {
        int width = 0, count = 0;
        loaded = FxTextListLoad(list, lines, &width, &count, 8) == 0;
    }
    ~Formats()
    {
        if (loaded)
            FxTextListFree(lines);
    }
    const char* At(int i, const char* fallback) const
    {
        return loaded && lines[0] != nullptr && (i == 0 || lines[1] != nullptr) && lines[i] != nullptr
                   ? lines[i]
                   : fallback;
    }
};

void LogFormatted(const char* format, const std::string& number)
{
    char line[200];
    std::snprintf(line, sizeof line, format, number.c_str());
    WriteMessageLogLine(line, 1, 1);
}

// What differs between the two pairs.
struct PairKind {
    FileNo header, detail;
    int formats;
    const char* headerFallback;
    const char* detailFallback;
    int headerSize, detailSize;
    bool ledger;
};

const PairKind kAssemblyPair{FileNo::AssemblyHeader, FileNo::AssemblyDetail, kAssemblyFormats,
                             "Assembly #%s was deleted", "Detail Record for Assembly #%s was deleted",
                             static_cast<int>(sizeof(TagAssemblyHeader)),
                             static_cast<int>(sizeof(TagAssemblyLine)), false};
const PairKind kLedgerPair{FileNo::LedgerHeader, FileNo::LedgerDetail, kLedgerFormats,
                           "Transaction #%s was deleted",
                           "Detail Record for Transaction #%s was deleted",
                           static_cast<int>(sizeof(TagGLHeader)),
                           static_cast<int>(sizeof(TagLedgerDetail)), true};

// The number of a record as shown and the status of a header or line search.
std::string PairNumber(const PairKind& k, const uint8_t* record)
{
    const char* r = reinterpret_cast<const char*>(record);
    if (!k.ledger)
        return Text(r, 11);
    return Text(r, 7) + " " + Text(r + 7, 11);
}

int FindLines(const PairKind& k, uint16_t lines, const uint8_t* header, TagPostingStatus* block)
{
    std::vector<uint8_t> line(static_cast<size_t>(k.detailSize) + 16);
    const char* r = reinterpret_cast<const char*>(header);
    return k.ledger ? FindNextDeletedMarkerByNumber(lines, r, r + 7, line.data(), block)
                    : FindNextDeletedMarker(lines, r, line.data(), block);
}

int FindHeader(const PairKind& k, uint16_t headers, const uint8_t* line, uint8_t* header,
               TagPostingStatus* block)
{
    const char* r = reinterpret_cast<const char*>(line);
    return k.ledger ? FindDeletedMarkerByNumber(headers, r, r + 7, header, block)
                    : FindDeletedMarker(headers, r, header, block);
}

int ClearLines(const PairKind& k, uint16_t lines, const uint8_t* line, TagPostingStatus* block)
{
    const char* r = reinterpret_cast<const char*>(line);
    return k.ledger ? ClearDeletedMarkersByNumber(lines, r, r + 7, block)
                    : ClearDeletedMarkers(lines, r, block);
}

bool IsPlaceholder(const PairKind& k, const uint8_t* header)
{
    const char* description =
        reinterpret_cast<const char*>(header) + (k.ledger ? offsetof(TagGLHeader, Reference) : 26);
    return std::strncmp(description, kDeleted, std::strlen(kDeleted)) == 0;
}

// Only a clean "not found" lets a record go.
bool NotFound(int status) { return status == B_KEY_NOT_FOUND || status == B_END_OF_FILE; }

int EndOfPass(int status, int fileNumber)
{
    if (status == 0 || status == B_END_OF_FILE)
        return 0;
    DatabaseError(status, B_GET_NEXT, fileNumber);
    return status;
}

int VerifyPair(const PairKind& k, UtilityRunContext* context, int32_t* interrupted)
{
    Formats formats(k.formats);
    uint16_t list[FILE_LIST_SLOTS] = {};
    int status = OpenFileList(list, No(k.header) | (4 << 8), No(k.detail) | (4 << 8), 0);
    if (status != 0)
        return status;
    OpenMessageLog();
    const uint16_t headers = list[0], lines = list[1];
    std::vector<uint8_t> header(static_cast<size_t>(k.headerSize) + 16);
    std::vector<uint8_t> line(static_cast<size_t>(k.detailSize) + 16);
    uint8_t key[256] = {};
    TagPostingStatus block{};

    ShowFile(No(k.header));
    int failed = 0;   // a read that failed otherwise than "not found" stops the pass
    status = BtrGet(B_GET_FIRST, headers, key, header.data(), k.headerSize);
    while (status == 0) {
        Poll(context, interrupted);
        if (Stopped(interrupted))
            break;
        const std::string number = PairNumber(k, header.data());
        AddStatusLine(1, 0, number.c_str());
        if (!IsPlaceholder(k, header.data())) {
            const int found = FindLines(k, lines, header.data(), &block);
            if (found != 0 && !NotFound(found)) {
                DatabaseError(found, block.Operation, block.FileNumber);
                failed = found;
                break;
            }
            if (found != 0) {
                LogFormatted(formats.At(0, k.headerFallback), number);
                const int deleted = BtrWrite(B_DELETE, headers, nullptr, header.data(), k.headerSize);
                if (deleted != 0)
                    DatabaseError(deleted, B_DELETE, No(k.header));
            }
        }
        status = BtrGet(B_GET_NEXT, headers, key, header.data(), k.headerSize);
    }
    status = failed != 0 ? failed : Stopped(interrupted) ? 0 : EndOfPass(status, No(k.header));

    if (status == 0 && !Stopped(interrupted)) {
        ShowFile(No(k.detail));
        std::memset(key, 0, sizeof key);
        int walk = BtrGet(B_GET_FIRST, lines, key, line.data(), k.detailSize);
        while (walk == 0) {
            Poll(context, interrupted);
            if (Stopped(interrupted))
                break;
            const std::string number = PairNumber(k, line.data());
            AddStatusLine(1, 0, number.c_str());
            const int found = FindHeader(k, headers, line.data(), header.data(), &block);
            if (found == 0 && !IsPlaceholder(k, header.data())) {
                walk = BtrGet(B_GET_NEXT, lines, key, line.data(), k.detailSize);
                continue;
            }
            if (found != 0 && !NotFound(found)) {
                DatabaseError(found, block.Operation, block.FileNumber);
                status = found;
                walk = -1;
                break;
            }
            LogFormatted(formats.At(1, k.detailFallback), number);
            const int cleared = ClearLines(k, lines, line.data(), &block);
            if (cleared != 0) {
                walk = cleared == B_KEY_NOT_FOUND || cleared == B_END_OF_FILE ? 0 : cleared;
                if (walk != 0)
                    DatabaseError(walk, block.Operation, No(k.detail));
                status = walk;
                walk = -1;
                break;
            }
            // Go on after the lines of that number.
            std::memset(key, 0, sizeof key);
            std::memcpy(key, line.data(), k.ledger ? 18 : 11);
            walk = BtrGet(B_GET_GE, lines, key, line.data(), k.detailSize);
        }
        if (walk != -1 && !Stopped(interrupted))
            status = EndOfPass(walk, No(k.detail));
    }
    CloseFileList(list);
    CloseMessageLog();
    return status;
}

// ---- Documents

struct DocumentKind {
    FileNo header, detail;
    int headerSize, detailSize;
    int totalAt;
    int lineTypeAt, amountAt;
    int detailKeyLength;     // number (+ line number)
    const char* listName;
    const char* headerLine;
    const char* detailLine;
    const char* allFoundLine;
};

const DocumentKind kLayaways{FileNo::LayawayHeader, FileNo::LayawayDetail,
                             static_cast<int>(sizeof(LayawayHeaderRecord)),
                             static_cast<int>(sizeof(LayawayLineRecord)),
                             static_cast<int>(offsetof(LayawayHeaderRecord, Total)),
                             static_cast<int>(offsetof(LayawayLineRecord, LineType)),
                             static_cast<int>(offsetof(LayawayLineRecord, Amount)), 11,
                             "verlay.txt", "     Layaway #%-10s was deleted ",
                             "  Detail Record for Layaway #%-10s was deleted ",
                             "  All Layaways Found OK. None deleted "};
const DocumentKind kQuotes{FileNo::QuoteHeader, FileNo::QuoteDetail,
                           static_cast<int>(sizeof(TagSalesHdr)),
                           static_cast<int>(sizeof(TagSalesDetail)),
                           static_cast<int>(offsetof(TagSalesHdr, CashAmount)),
                           static_cast<int>(offsetof(TagSalesDetail, Kind)),
                           static_cast<int>(offsetof(TagSalesDetail, Quantity2)), 13,
                           "verquote.txt", "     Quote #%-10s was deleted ",
                           "     Detail Record for Quote #%-10s was deleted ",
                           "     All Quotes Found OK. None deleted "};
const DocumentKind kInvoices{FileNo::SalesHeader, FileNo::SalesDetail,
                             static_cast<int>(sizeof(TagSalesHdr)),
                             static_cast<int>(sizeof(TagSalesDetail)),
                             static_cast<int>(offsetof(TagSalesHdr, CashAmount)),
                             static_cast<int>(offsetof(TagSalesDetail, Kind)),
                             static_cast<int>(offsetof(TagSalesDetail, Quantity2)), 13,
                             "versale.txt", "     Invoice #%-10s was deleted ",
                             "     Detail Record for Invoice #%-10s was deleted ",
                             "     All Invoices Found OK. None deleted "};

double AmountAt(const uint8_t* record, int at)
{
    double value;
    std::memcpy(&value, record + at, sizeof value);
    return value;
}

// Lines of a document read from its own detail file: 1 sound, 0 unsound,
// -1 a line could not be read (reported).
int CheckByDetailFile(const DocumentKind& k, uint16_t lines, const uint8_t* header,
                      UtilityRunContext* context, int32_t* interrupted)
{
    uint8_t key[256] = {};
    std::memcpy(key, header, 11);
    if (k.detailKeyLength > 11) {
        const int16_t first = INT16_MIN;
        std::memcpy(key + 11, &first, sizeof first);
    }
    std::vector<uint8_t> line(static_cast<size_t>(k.detailSize) + 16);
    double sum = 0.0;
    int counted = 0;
    int status = BtrGet(B_GET_GE, lines, key, line.data(), k.detailSize);
    while (status == 0 && std::memcmp(line.data(), header, strnlen(reinterpret_cast<const char*>(header), 11) + 1) == 0) {
        Poll(context, interrupted);
        if (Stopped(interrupted))
            break;
        if (!IsUncounted(static_cast<char>(line[k.lineTypeAt]))) {
            sum += AmountAt(line.data(), k.amountAt);
            ++counted;
        }
        status = BtrGet(B_GET_NEXT, lines, key, line.data(), k.detailSize);
    }
    if (status != 0 && !NotFound(status)) {
        DatabaseError(status, B_GET_NEXT, No(k.detail));
        return -1;
    }
    double total = AmountAt(header, k.totalAt);
    if (counted == 0)
        return FxIsZeroAmount(&total) ? 1 : 0;
    return FxAmountsEqual(sum, total) ? 1 : 0;
}

// An invoice through the invoice detail source: 1 sound, 0 unsound, -1 the
// source could not be opened or a line not read.
int CheckInvoiceTotals(const TagSalesHdr& invoice, UtilityRunContext* context, int32_t* interrupted)
{
    if (invoice.Type == SALE_TYPE_VOID)
        return 1;
    if (SaleTypeIs(invoice.Type, SALE_TYPE_LAYAWAY) && (invoice.Flags & SALE_LAYAWAY_COMPLETED) == 0)
        return 1;
    InvDetailSource source{};
    source.handle = -1;
    source.fd = -1;
    std::memcpy(source.header, &invoice, sizeof invoice);
    if (!OpenInvDetailSource(&source)) {
        ShowMessage(kDetailSourceFailed, 1);
        return -1;
    }
    double sum = 0.0;
    int counted = 0;
    const size_t width = strnlen(invoice.InvoiceNo, sizeof invoice.InvoiceNo);
    int status = ReadInvDetailSourceAt(&source, B_GET_GE);
    for (; status == 0; status = ReadInvDetailSourceAt(&source, B_GET_NEXT)) {
        TagSalesDetail line;
        std::memcpy(&line, source.line, sizeof line);
        if (strnlen(line.InvoiceNo, sizeof line.InvoiceNo) != width ||
            std::memcmp(line.InvoiceNo, invoice.InvoiceNo, width) != 0)
            break;
        Poll(context, interrupted);
        if (Stopped(interrupted))
            break;
        if (!IsUncounted(line.Kind)) {
            sum += line.Quantity2;
            ++counted;
        }
    }
    const bool registerFile = source.mode == 1;
    CloseInvDetailSource(&source);
    // A line that cannot be read says nothing about the sale.
    if (status != 0 && !NotFound(status)) {
        DatabaseError(status, B_GET_NEXT, No(registerFile ? FileNo::Registers : FileNo::SalesDetail));
        return -1;
    }
    if (counted == 0)
        return invoice.CashAmount > 0.001 ? 0 : 1;
    return FxAmountsEqual(sum, invoice.CashAmount) ? 1 : 0;
}

// The layaway an invoice came from gives its lines back their amounts.
void RepairLayawayInvoice(const TagSalesHdr& invoice, uint16_t layawayLines, uint16_t products)
{
    if ((invoice.Flags & SALES_LINES_IN_DATA_FILE) != 0)
        return;
    struct __attribute__((packed)) Entry {
        char code[15];
        uint32_t position;
        uint8_t used;
    };
    static_assert(sizeof(Entry) == 20, "layaway line entry");
    std::vector<Entry> entries;
    uint8_t key[256] = {};
    std::memcpy(key, invoice.CustomerNo, sizeof invoice.CustomerNo);
    LayawayLineRecord line{};
    const size_t width = strnlen(invoice.CustomerNo, sizeof invoice.CustomerNo);
    int status = BtrGet(B_GET_GE, layawayLines, key, &line, sizeof line);
    while (status == 0 && strnlen(line.Number, sizeof line.Number) == width &&
           std::memcmp(line.Number, invoice.CustomerNo, width) == 0) {
        Entry e{};
        std::memcpy(e.code, line.ProductCode, sizeof e.code);
        uint32_t position = 0;
        BtrPosition(B_GET_DIRECT, layawayLines, &position);
        e.position = position;
        entries.push_back(e);
        status = BtrGet(B_GET_NEXT, layawayLines, key, &line, sizeof line);
    }
    if (status != 0 && status != B_END_OF_FILE && status != B_KEY_NOT_FOUND) {
        ReportRecordManagerError(status, 1, B_GET_NEXT, No(FileNo::LayawayDetail), 0);
        return;
    }
    InvDetailSource source{};
    source.handle = -1;
    source.fd = -1;
    std::memcpy(source.header, &invoice, sizeof invoice);
    if (!OpenInvDetailSource(&source)) {
        ShowMessage(kDetailSourceFailed, 1);
        return;
    }
    // Register files are written by the point-of-sale program: only lines
    // of the detail file are repaired here.
    if (source.mode != 1) {
        const size_t number = strnlen(invoice.InvoiceNo, sizeof invoice.InvoiceNo);
        for (int s = ReadInvDetailSourceAt(&source, B_GET_GE); s == 0;
             s = ReadInvDetailSourceAt(&source, B_GET_NEXT)) {
            TagSalesDetail l;
            std::memcpy(&l, source.line, sizeof l);
            if (strnlen(l.InvoiceNo, sizeof l.InvoiceNo) != number ||
                std::memcmp(l.InvoiceNo, invoice.InvoiceNo, number) != 0)
                break;
            if (l.Kind == '\0')
                l.Kind = SALE_LINE_PRODUCT;
            double quantity = l.Quantity;
            if (l.Kind != SALE_LINE_PRODUCT || !FxIsZeroAmount(&quantity))
                continue;
            Entry* match = nullptr;
            for (Entry& e : entries)
                if (!e.used && std::strncmp(e.code, l.ItemCode, sizeof e.code) == 0) {
                    match = &e;
                    break;
                }
            if (match == nullptr)
                continue;
            LayawayLineRecord from{};
            const uint32_t position = match->position;
            std::memcpy(&from, &position, sizeof position);
            const int read = BtrGet(B_GET_DIRECT, layawayLines, key, &from, sizeof from);
            if (read != 0) {
                ReportRecordManagerError(read, 1, B_GET_DIRECT, No(FileNo::LayawayDetail), 0);
                continue;
            }
            match->used = 1;
            l.Quantity = from.Quantity;
            std::memcpy(l.Data96, &from.Amount76, sizeof from.Amount76);
            l.UnitPrice = 0.0;
            std::memset(l.Data120, 0, sizeof l.Data120);
            l.Quantity2 = from.Amount;
            l.Extended = from.Amount;
            FxIsZeroAmount(&l.Cost);
            const int written = BtrWrite(B_UPDATE, static_cast<uint16_t>(source.handle), nullptr, &l,
                                         sizeof l);
            if (written != 0)
                ReportRecordManagerError(written, 1, B_UPDATE, No(FileNo::SalesDetail), 0);
            else if (products != 0)
                UpdateProductRecord(products, l.ItemCode, l.Quantity);
        }
    }
    CloseInvDetailSource(&source);
}

void ReleaseLayawayOfInvoice(const TagSalesHdr& invoice, uint16_t layaways)
{
    if (!SaleTypeIs(invoice.Type, SALE_TYPE_LAYAWAY) || (invoice.Flags & SALE_LAYAWAY_COMPLETED) == 0)
        return;
    uint8_t key[256] = {};
    std::memcpy(key, invoice.CustomerNo, sizeof invoice.CustomerNo);
    LayawayHeaderRecord layaway{};
    int status = BtrGet(B_GET_EQUAL, layaways, key, &layaway, sizeof layaway);
    if (status != 0) {
        if (status != B_KEY_NOT_FOUND)
            ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::LayawayHeader), 0);
        return;
    }
    layaway.Link = 0;
    status = BtrWrite(B_UPDATE, layaways, nullptr, &layaway, sizeof layaway);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_UPDATE, No(FileNo::LayawayHeader), 0);
}

// The line pass shared by the three documents: lines whose header is not
// found go; a header that cannot be read stops the pass (reported).
bool DeleteOrphanLines(const DocumentKind& k, uint16_t headers, uint16_t lines, bool listOpen,
                       UtilityRunContext* context, int32_t* interrupted)
{
    bool removed = false;
    ShowFile(No(k.detail));
    std::vector<uint8_t> line(static_cast<size_t>(k.detailSize) + 16);
    std::vector<uint8_t> header(static_cast<size_t>(k.headerSize) + 16);
    uint8_t key[256] = {};
    int status = BtrGet(B_GET_FIRST, lines, key, line.data(), k.detailSize);
    while (status == 0) {
        Poll(context, interrupted);
        if (Stopped(interrupted))
            break;
        const std::string number = Text(reinterpret_cast<const char*>(line.data()), 11);
        ShowNumber(number.c_str(), number.size());
        uint8_t headerKey[256] = {};
        std::memcpy(headerKey, line.data(), 11);
        const int found = BtrGet(B_GET_EQUAL, headers, headerKey, header.data(), k.headerSize);
        if (found != 0 && !NotFound(found)) {
            DatabaseError(found, B_GET_EQUAL, No(k.header));
            return removed;
        }
        if (found != 0) {
            const int deleted = BtrWrite(B_DELETE, lines, nullptr, line.data(), k.detailSize);
            if (deleted != 0)
                DatabaseError(deleted, B_DELETE, No(k.detail));
            Report(listOpen, k.detailLine, number.c_str());
            removed = true;
        }
        status = BtrGet(B_GET_NEXT, lines, key, line.data(), k.detailSize);
    }
    if (status != 0 && status != B_END_OF_FILE && !Stopped(interrupted))
        DatabaseError(status, B_GET_NEXT, No(k.detail));
    return removed;
}

bool AskToVerify()
{
    int choice = 1;
    if (AskMessage(kAskVerify, 1, &choice, nullptr, nullptr, -1, -1, 0, 0, 0) != 0)
        return false;
    return choice != 2;
}

int VerifyDocuments(const DocumentKind& k, UtilityRunContext* context, int32_t* interrupted)
{
    if (!AskToVerify())
        return VERIFY_DECLINED;
    uint16_t headers = 0, lines = 0;
    int status = BtrOpenFile(&headers, GetDataFilePath(No(k.header)), kModeVerify, 0);
    if (status != 0) {
        ReportRecordManagerError(status, 1, MESSAGE_OPEN_OPERATION, No(k.header), 0);
        return VERIFY_NOT_OPENED;
    }
    status = BtrOpenFile(&lines, GetDataFilePath(No(k.detail)), kModeVerify, 0);
    if (status != 0) {
        BtrCloseFile(headers);
        ReportRecordManagerError(status, 1, MESSAGE_OPEN_OPERATION, No(k.detail), 0);
        return VERIFY_NOT_OPENED;
    }
    const bool listOpen = OpenAuditFile(k.listName) != 0;
    OpenMessageLog();
    ShowFile(No(k.header));
    bool removed = false;
    bool failed = false;
    std::vector<uint8_t> header(static_cast<size_t>(k.headerSize) + 16);
    uint8_t key[256] = {};
    status = BtrGet(B_GET_FIRST, headers, key, header.data(), k.headerSize);
    while (status == 0) {
        Poll(context, interrupted);
        if (Stopped(interrupted))
            break;
        const std::string number = Text(reinterpret_cast<const char*>(header.data()), 11);
        ShowNumber(number.c_str(), number.size());
        const int sound = CheckByDetailFile(k, lines, header.data(), context, interrupted);
        if (sound < 0) {
            failed = true;
            break;
        }
        if (sound == 0 && !Stopped(interrupted)) {
            Report(listOpen, k.headerLine, number.c_str());
            const int deleted = BtrWrite(B_DELETE, headers, nullptr, header.data(), k.headerSize);
            if (deleted != 0)
                DatabaseError(deleted, B_DELETE, No(k.header));
            removed = true;
        }
        status = BtrGet(B_GET_NEXT, headers, key, header.data(), k.headerSize);
    }
    if (!failed && status != 0 && status != B_END_OF_FILE && !Stopped(interrupted)) {
        DatabaseError(status, B_GET_NEXT, No(k.header));
        failed = true;
    }
    if (!failed && !Stopped(interrupted))
        removed = DeleteOrphanLines(k, headers, lines, listOpen, context, interrupted) || removed;
    BtrCloseFile(lines);
    BtrCloseFile(headers);
    if (!removed && listOpen)
        WriteAuditLine(k.allFoundLine);
    CloseAuditFile();
    CloseMessageLog();
    return VERIFY_DONE;
}

}  // namespace

BWPS1_API int VerifyMarkerPairAsth(UtilityRunContext* context, int32_t* interrupted)
{
    return VerifyPair(kAssemblyPair, context, interrupted);
}

BWPS1_API int VerifyMarkerPairGl(UtilityRunContext* context, int32_t* interrupted)
{
    return VerifyPair(kLedgerPair, context, interrupted);
}

BWPS1_API int VerifyLayaways(UtilityRunContext* context, int32_t* interrupted)
{
    return VerifyDocuments(kLayaways, context, interrupted);
}

BWPS1_API int VerifyQuotes(UtilityRunContext* context, int32_t* interrupted)
{
    return VerifyDocuments(kQuotes, context, interrupted);
}

BWPS1_API int VerifyInvoices(UtilityRunContext* context, int32_t* interrupted)
{
    const DocumentKind& k = kInvoices;
    if (!AskToVerify())
        return VERIFY_DECLINED;
    uint16_t list[FILE_LIST_SLOTS] = {};
    if (OpenFileList(list, No(FileNo::SalesHeader), No(FileNo::SalesDetail), No(FileNo::LayawayDetail),
                     No(FileNo::Products), No(FileNo::LayawayHeader), 0) != 0)
        return VERIFY_NOT_OPENED;
    const uint16_t headers = list[0], lines = list[1], layawayLines = list[2], products = list[3],
                   layaways = list[4];
    const bool listOpen = OpenAuditFile(k.listName) != 0;
    OpenMessageLog();
    ShowFile(No(k.header));
    bool removed = false;
    bool failed = false;
    TagSalesHdr invoice{};
    uint8_t key[256] = {};
    int status = BtrGet(B_GET_FIRST, headers, key, &invoice, sizeof invoice);
    while (status == 0) {
        Poll(context, interrupted);
        if (Stopped(interrupted))
            break;
        const std::string number = Text(invoice.InvoiceNo, sizeof invoice.InvoiceNo);
        ShowNumber(number.c_str(), number.size());
        if (SaleTypeIs(invoice.Type, SALE_TYPE_RECEIPT) || SaleTypeIs(invoice.Type, SALE_TYPE_CASH_IN_OUT)) {
            status = BtrGet(B_GET_NEXT, headers, key, &invoice, sizeof invoice);
            continue;
        }
        int sound = CheckInvoiceTotals(invoice, context, interrupted);
        if (sound == 0 && SaleTypeIs(invoice.Type, SALE_TYPE_LAYAWAY) && !Stopped(interrupted)) {
            RepairLayawayInvoice(invoice, layawayLines, products);
            sound = CheckInvoiceTotals(invoice, context, interrupted);
        }
        if (sound < 0) {
            failed = true;
            break;
        }
        if (sound == 0 && !Stopped(interrupted)) {
            ReleaseLayawayOfInvoice(invoice, layaways);
            // The invoice stays, as a void: its number is never given again.
            invoice.Type = SALE_TYPE_VOID;
            invoice.CashAmount = invoice.TaxAmount = invoice.InvoiceTotal = invoice.Tendered = 0.0;
            invoice.ChangeGiven = invoice.TenderAmount1 = invoice.TenderAmount2 = 0.0;
            invoice.FirstLineOffset = -1;
            std::memset(invoice.CustomerName, 0, sizeof invoice.CustomerName);
            std::snprintf(invoice.CustomerName, sizeof invoice.CustomerName, "%s", "Voided by Editor");
            Report(listOpen, k.headerLine, number.c_str());
            const int updated = BtrWrite(B_UPDATE, headers, nullptr, &invoice, sizeof invoice);
            if (updated != 0)
                DatabaseError(updated, B_UPDATE, No(FileNo::SalesHeader));
            removed = true;
        }
        status = BtrGet(B_GET_NEXT, headers, key, &invoice, sizeof invoice);
    }
    if (!failed && status != 0 && status != B_END_OF_FILE && !Stopped(interrupted)) {
        DatabaseError(status, B_GET_NEXT, No(k.header));
        failed = true;
    }
    if (!failed && !Stopped(interrupted))
        removed = DeleteOrphanLines(k, headers, lines, listOpen, context, interrupted) || removed;
    CloseFileList(list);
    if (!removed && listOpen)
        WriteAuditLine(k.allFoundLine);
    CloseAuditFile();
    CloseMessageLog();
    return VERIFY_DONE;
}

BWPS1_API int16_t VerifyFile(UtilityRunContext* context, int fileNumber, int32_t* interrupted)
{
    if (fileNumber == No(FileNo::AssemblyHeader))
        return static_cast<int16_t>(VerifyMarkerPairAsth(context, interrupted));
    if (fileNumber == No(FileNo::LedgerHeader))
        return static_cast<int16_t>(VerifyMarkerPairGl(context, interrupted));
    if (fileNumber == No(FileNo::LayawayHeader))
        return static_cast<int16_t>(VerifyLayaways(context, interrupted));
    if (fileNumber == No(FileNo::SalesHeader))
        return static_cast<int16_t>(VerifyInvoices(context, interrupted));
    if (fileNumber == No(FileNo::QuoteHeader))
        return static_cast<int16_t>(VerifyQuotes(context, interrupted));
    int message = kCannotVerify;
    if (fileNumber == 3 || fileNumber == 70)
        message = kCannotVerifyMaster;
    else if (fileNumber == No(FileNo::AssemblyDetail) || fileNumber == No(FileNo::LedgerDetail))
        message = kCannotVerifyDetail;
    ShowMessage(message, 1);
    return 1;
}

BWPS1_API int VerifyAllFiles(UtilityRunContext* context, int32_t* interrupted)
{
    for (auto pair : {&VerifyMarkerPairGl, &VerifyMarkerPairAsth}) {
        const int status = pair(context, interrupted);
        if (status != 0 && status != B_KEY_NOT_FOUND && status != B_END_OF_FILE)
            return status;
        if (Stopped(interrupted))
            return 0;
    }
    for (auto document : {&VerifyInvoices, &VerifyLayaways, &VerifyQuotes}) {
        const int result = document(context, interrupted);
        if ((result != VERIFY_DONE && result != VERIFY_NOT_OPENED) || Stopped(interrupted))
            return 0;
    }
    return 0;
}
