#include "extensions/convert/converters.h"

#include <cstring>
#include <iterator>

#include "bwps/open_invoices.h"
#include "extensions/convert/layouts.h"
#include "fx.h"

namespace bwps1::convert {
namespace {

using bwps::FileNo;

// ---- field tables ----------------------------------------------------------

constexpr Move kAssemblyDetail[] = {
    Text("component code", 0, 0, 6),
    Bytes("line number", 6, 11, 2),
    Text("description", 8, 13, 15),
    Bytes("kind flags", 23, 28, 2),
    Bytes("ten quantities and prices", 25, 30, 40),
    Bytes("sequence", 65, 70, 2),
};
static_assert(MovesFit(kAssemblyDetail, 67, 72));
constexpr Layout kAssemblyDetailLayout{"assembly detail", 67, 72, kAssemblyDetail};

constexpr Move kAssemblyHeader[] = {
    Text("assembly code", 0, 0, 6),
    Text("product code", 6, 11, 15),
    Text("reference", 21, 26, 11),
    Bytes("three dates", 32, 37, 12),
    Bytes("status flags", 44, 49, 2),
    Bytes("four quantities", 46, 51, 16),
    Bytes("line count", 62, 67, 2),
    Bytes("posted flag", 64, 69, 1),
};
static_assert(MovesFit(kAssemblyHeader, 65, 70));
constexpr Layout kAssemblyHeaderLayout{"assembly header", 65, 70, kAssemblyHeader};

constexpr Move kLedgerDetail[] = {
    Text("journal", 0, 0, 7),
    Text("entry number", 7, 7, 6),
    Bytes("line number", 13, 18, 2),
    Text("account", 15, 20, 11),
    Text("description", 26, 31, 25),
    Bytes("debit or credit", 51, 56, 1),
    Bytes("date and amounts", 52, 57, 12),
};
static_assert(MovesFit(kLedgerDetail, 64, 84));
constexpr Layout kLedgerDetailLayout{"ledger detail", 64, 84, kLedgerDetail};

constexpr Move kLedgerHeader[] = {
    Text("journal", 0, 0, 7),
    Text("entry number", 7, 7, 6),
    Bytes("date", 13, 18, 4),
    Text("description", 17, 22, 27),
    Bytes("flags", 44, 49, 3),
    Bytes("three totals", 47, 52, 12),
};
static_assert(MovesFit(kLedgerHeader, 59, 79));
constexpr Layout kLedgerHeaderLayout{"ledger header", 59, 79, kLedgerHeader};

constexpr Move kPromotionHeader[] = {
    Text("promotion code", 0, 0, 11),
    Bytes("first and last date", 11, 11, 8),
    Bytes("kind", 19, 19, 1),
    Text("description", 20, 20, 15),
    Text("price level", 35, 35, 15),
    Text("customer group", 50, 50, 26),
    Bytes("active flag", 76, 76, 1),
    Bytes("two counters", 77, 77, 8),
    Bytes("three options", 85, 85, 3),
};
static_assert(MovesFit(kPromotionHeader, 88, 120));
constexpr Layout kPromotionHeaderLayout{"promotion header", 88, 120, kPromotionHeader};

// Open-invoice records of codes 10 to 12 end at 106; code 13 at 122.
constexpr Move kOpenInvoiceA[] = {Bytes("invoice fields", 0, 0, 106)};
static_assert(MovesFit(kOpenInvoiceA, 106, 123));
constexpr Move kOpenInvoiceB[] = {Bytes("invoice fields", 0, 0, 122)};
static_assert(MovesFit(kOpenInvoiceB, 122, 123));
// A payment ("O") names the invoice it pays.
constexpr Move kAppliedInvoice[] = {Text("applied invoice", 11, 106, 11)};
static_assert(MovesFit(kAppliedInvoice, 106, 123));
constexpr size_t kOpenInvoiceType = 40;
constexpr size_t kOpenInvoiceClass = 41;
constexpr size_t kOpenInvoiceStatus = 117;
constexpr size_t kOpenInvoicePrecedence = 122;

constexpr Move kHistoryTailA[] = {
    Text("salesperson", 106, 123, 7),
    Text("reference", 113, 130, 11),
    Bytes("four totals", 124, 141, 16),
};
static_assert(MovesFit(kHistoryTailA, 140, 157));
constexpr Move kHistoryTailB[] = {
    Text("salesperson", 122, 123, 7),
    Text("reference", 129, 130, 11),
    Bytes("four totals", 140, 141, 16),
};
static_assert(MovesFit(kHistoryTailB, 156, 157));

// Users: identity, stored password and the 200 rights characters.
constexpr Move kUserRecord[] = {
    Text("user id", 0, 0, 15),
    Bytes("stored password", 15, 15, 15),
    Bytes("rights", 30, 30, 200),
    Bytes("level", 230, 230, 1),
};
static_assert(MovesFit(kUserRecord, 231, 231));
constexpr size_t kRightsAt = 30;

// Sales and quote headers of codes 10 to 13.
constexpr size_t kHeaderType = 11;
constexpr size_t kHeaderSubtotal = 415;
constexpr size_t kHeaderTax = 423;
constexpr size_t kHeaderDeposit = 439;
constexpr size_t kHeaderDiscount = 485;
constexpr size_t kHeaderTotal = 547;
constexpr size_t kHeaderDepositCopy = 555;

// Customers.
constexpr size_t kCustomerAccount = 707;
constexpr size_t kCustomerStatus = 734;
constexpr size_t kCustomerNote = 746;
constexpr int kCustomerNoteWidth = 41;

// ---- builders ----------------------------------------------------------------

void Copy(const uint8_t* old, uint8_t* out, size_t oldLength, size_t newLength)
{
    std::memset(out, 0, newLength);
    std::memcpy(out, old, oldLength);
}

template <size_t Old, size_t New>
void CopyPrefix(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Copy(old, out, Old, New);
}

template <size_t Old, size_t New, char Letter>
void CopyPlusByte(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Copy(old, out, Old, New);
    out[Old] = static_cast<uint8_t>(Letter);
}

template <const Layout& L>
void ByLayout(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Apply(L, old, out);
}

void AssemblyDetail(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Apply(kAssemblyDetailLayout, old, out);
    RightAlignText(out, 0, 10);
}

void AssemblyHeader(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Apply(kAssemblyHeaderLayout, old, out);
    RightAlignText(out, 0, 10);
}

void LedgerDetail(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Apply(kLedgerDetailLayout, old, out);
    RightAlignText(out, 7, 10);
}

void LedgerHeader(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Apply(kLedgerHeaderLayout, old, out);
    RightAlignText(out, 7, 10);
}

void CustomerMarks(uint8_t* out)
{
    out[kCustomerStatus] = 'A';
    PadTextBlanks(out, kCustomerNote, kCustomerNoteWidth);
}

template <size_t Old>
void CustomerWithMarks(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Copy(old, out, Old, 795);
    CustomerMarks(out);
}

void CustomerOfCode10(const uint8_t* old, uint8_t* out, const ConvertContext& context)
{
    Copy(old, out, 707, 795);
    PutText(out, kCustomerAccount, 11, context.customerAccount);
    CustomerMarks(out);
}

void CustomerOfCode15(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Copy(old, out, 795, 795);
    out[kCustomerStatus] = 'A';
}

void TaxTable(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Copy(old, out, 994, 995);
    out[994] = 'N';
}

void Tender(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Copy(old, out, 96, 97);
    out[96] = static_cast<uint8_t>(TenderKind(old));
}

void SalesHeaderTotals(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Copy(old, out, 547, 586);
    const int8_t type = static_cast<int8_t>(old[kHeaderType]);
    const double total = type == 5 || type == 6
                             ? 0.0
                             : GetAmount(old, kHeaderSubtotal) + GetAmount(old, kHeaderTax) -
                                   GetAmount(old, kHeaderDiscount);
    PutAmount(out, kHeaderTotal, total);
    std::memcpy(out + kHeaderDepositCopy, old + kHeaderDeposit, 8);
}

void OpenInvoiceA(const uint8_t* old, uint8_t* out, const ConvertContext&) { OpenInvoiceRuleA(old, out); }
void OpenInvoiceB(const uint8_t* old, uint8_t* out, const ConvertContext&) { OpenInvoiceRuleB(old, out); }

void HistoryA(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    std::memset(out, 0, 157);
    OpenInvoiceRuleA(old, out);
    ApplyAt(kHistoryTailA, old, 0, out, 0);
}

void HistoryB(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    std::memset(out, 0, 157);
    OpenInvoiceRuleB(old, out);
    ApplyAt(kHistoryTailB, old, 0, out, 0);
}

void PromotionHeader(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Apply(kPromotionHeaderLayout, old, out);
    out[88] = 1;
    out[119] = 'Y';
}

void UsersOfCode10(const uint8_t* old, uint8_t* out, const ConvertContext&)
{
    Copy(old, out, 230, 231);
    out[230] = 'N';
}

void UsersRights(const uint8_t* old, uint8_t* out, const ConvertContext&) { RightsFromOlderUser(old, out); }

// ---- stage lists -------------------------------------------------------------

constexpr FileNo kStage10[] = {
    FileNo::ReceivablesOpenItems, FileNo::CustomerHistoryDetail, FileNo::Products,
    FileNo::ProductActivity,      FileNo::Users,                 FileNo::TaxTable,
    FileNo::Salespersons,         FileNo::Customers,             FileNo::SalesHeader,
    FileNo::QuoteHeader,          FileNo::Tenders,               FileNo::General,
    FileNo::LedgerDetail,         FileNo::LedgerHeader,          FileNo::AssemblyHeader,
    FileNo::AssemblyDetail};
constexpr FileNo kStage12[] = {
    FileNo::ReceivablesOpenItems, FileNo::CustomerHistoryDetail, FileNo::Products,
    FileNo::TaxTable,             FileNo::Salespersons,          FileNo::Customers,
    FileNo::Tenders,              FileNo::SalesHeader,           FileNo::QuoteHeader,
    FileNo::General,              FileNo::LedgerDetail,          FileNo::LedgerHeader,
    FileNo::AssemblyHeader,       FileNo::AssemblyDetail};
constexpr FileNo kStage13[] = {
    FileNo::ReceivablesOpenItems, FileNo::CustomerHistoryDetail, FileNo::Products,
    FileNo::TaxTable,             FileNo::Salespersons,          FileNo::Customers,
    FileNo::SalesHeader,          FileNo::QuoteHeader,           FileNo::General,
    FileNo::LedgerDetail,         FileNo::LedgerHeader,          FileNo::AssemblyHeader,
    FileNo::AssemblyDetail,       FileNo::Users,                 FileNo::Services,
    FileNo::Accounts};
constexpr FileNo kStage14[] = {
    FileNo::General,  FileNo::LedgerDetail, FileNo::LedgerHeader, FileNo::AssemblyHeader,
    FileNo::AssemblyDetail, FileNo::Customers, FileNo::SalesHeader, FileNo::QuoteHeader,
    FileNo::Users,    FileNo::Products,     FileNo::Services,     FileNo::Accounts,
    FileNo::PromotionHeader};
constexpr FileNo kStage15[] = {FileNo::General,  FileNo::Users,    FileNo::Products,
                               FileNo::Services, FileNo::Accounts, FileNo::PromotionHeader,
                               FileNo::Customers};

// ---- converters by file and code ---------------------------------------------

struct Row {
    int firstCode;
    int lastCode;
    FileConverter converter;
};

constexpr Row kConverters[] = {
    {13, 15, {FileNo::Accounts, 568, 569, &CopyPlusByte<568, 569, 'A'>}},
    {10, 12, {FileNo::ReceivablesOpenItems, 106, 123, &OpenInvoiceA}},
    {13, 13, {FileNo::ReceivablesOpenItems, 122, 123, &OpenInvoiceB}},
    {10, 14, {FileNo::AssemblyDetail, 67, 72, &AssemblyDetail}},
    {10, 14, {FileNo::AssemblyHeader, 65, 70, &AssemblyHeader}},
    {10, 11, {FileNo::Customers, 707, 795, &CustomerOfCode10}},
    {12, 12, {FileNo::Customers, 718, 795, &CustomerWithMarks<718>}},
    {13, 13, {FileNo::Customers, 734, 795, &CustomerWithMarks<734>}},
    {14, 14, {FileNo::Customers, 770, 795, &CustomerWithMarks<770>}},
    {15, 15, {FileNo::Customers, 795, 795, &CustomerOfCode15}},
    {10, 14, {FileNo::LedgerDetail, 64, 84, &LedgerDetail}},
    {10, 14, {FileNo::LedgerHeader, 59, 79, &LedgerHeader}},
    {10, 11, {FileNo::Products, 626, 668, &CopyPrefix<626, 668>}},
    {12, 13, {FileNo::Products, 652, 668, &CopyPrefix<652, 668>}},
    {14, 15, {FileNo::Products, 667, 668, &CopyPlusByte<667, 668, 'A'>}},
    {13, 15, {FileNo::Services, 195, 196, &CopyPlusByte<195, 196, 'A'>}},
    {10, 13, {FileNo::Salespersons, 531, 572, &CopyPrefix<531, 572>}},
    {10, 13, {FileNo::TaxTable, 994, 995, &TaxTable}},
    {10, 12, {FileNo::Tenders, 96, 97, &Tender}},
    {10, 13, {FileNo::SalesHeader, 547, 586, &SalesHeaderTotals}},
    {14, 14, {FileNo::SalesHeader, 563, 586, &CopyPrefix<563, 586>}},
    {10, 13, {FileNo::QuoteHeader, 547, 586, &SalesHeaderTotals}},
    {14, 14, {FileNo::QuoteHeader, 563, 586, &CopyPrefix<563, 586>}},
    {10, 12, {FileNo::CustomerHistoryDetail, 140, 157, &HistoryA}},
    {13, 13, {FileNo::CustomerHistoryDetail, 156, 157, &HistoryB}},
    {14, 15, {FileNo::PromotionHeader, 88, 120, &PromotionHeader}},
    {10, 11, {FileNo::Users, 230, 231, &UsersOfCode10}},
    {13, 15, {FileNo::Users, 231, 231, &UsersRights}},
    {10, 11, {FileNo::ProductActivity, 106, 175, &CopyPrefix<106, 175>}},
};

}  // namespace

void OpenInvoiceRuleA(const uint8_t* old, uint8_t* out)
{
    std::memset(out, 0, 123);
    ApplyAt(kOpenInvoiceA, old, 0, out, 0);
    char status = 'N';
    switch (old[kOpenInvoiceType]) {
    case 'A': status = 'A'; break;
    case 'B': status = 'I'; break;
    case 'C': status = 'C'; break;
    case 'O':
        status = 'P';
        ApplyAt(kAppliedInvoice, old, 0, out, 0);
        break;
    default: break;
    }
    out[kOpenInvoiceStatus] = static_cast<uint8_t>(status);
    out[kOpenInvoicePrecedence] = static_cast<uint8_t>(
        BwOIHeader::GetPrecedence(3, static_cast<char>(old[kOpenInvoiceClass])));
}

void OpenInvoiceRuleB(const uint8_t* old, uint8_t* out)
{
    std::memset(out, 0, 123);
    ApplyAt(kOpenInvoiceB, old, 0, out, 0);
    out[kOpenInvoicePrecedence] = static_cast<uint8_t>(
        BwOIHeader::GetPrecedence(3, static_cast<char>(old[kOpenInvoiceClass])));
}

void RightsFromOlderUser(const uint8_t* old, uint8_t* out)
{
    std::memset(out, 0, 231);
    ApplyAt(kUserRecord, old, 0, out, 0);
    // New rights entries take the value of the older entry that covered them.
    static constexpr struct {
        int entry;
        int from;
    } kCarried[] = {{104, 13}, {105, 13}, {118, 13}, {106, 87}, {107, 87}, {108, 14},
                    {109, 14}, {119, 14}, {110, 15}, {111, 15}, {120, 15}, {112, 22},
                    {113, 22}, {114, 23}, {115, 23}, {116, 17}, {117, 17}};
    for (const auto& c : kCarried) out[kRightsAt + c.entry] = old[kRightsAt + c.from];
    for (int entry = 121; entry <= 198; ++entry) {
        char right = 'N';
        FxCharTransform89(&right);
        out[kRightsAt + entry] = static_cast<uint8_t>(right);
    }
}

char TenderKind(const uint8_t* code10)
{
    if (std::memcmp(code10, "CASH      ", 10) == 0) return 'C';
    if (std::memcmp(code10, "CHECK     ", 10) == 0) return 'K';
    return 'O';
}

std::span<const FileNo> StageFiles(int code)
{
    switch (code) {
    case 10:
    case 11: return kStage10;
    case 12: return kStage12;
    case 13: return kStage13;
    case 14: return kStage14;
    case 15: return kStage15;
    default: return {};
    }
}

const FileConverter* FindConverter(int code, FileNo file)
{
    for (const Row& row : kConverters)
        if (row.converter.file == file && code >= row.firstCode && code <= row.lastCode)
            return &row.converter;
    return nullptr;
}

const char* BackupExtension(int code)
{
    static const char* const kNames[] = {"V8", "V9", "V10", "V11", "V12", "V13", "V14"};
    if (code < 10 || code > 16) return nullptr;
    return kNames[code - 10];
}

}  // namespace bwps1::convert
