// Promotional-price transactions: prices, the lines of a selection range,
// stored lines, the overlap of two transactions, the removal of a
// transaction's lines. Products and customers are only read, through the
// active-record readers: an inactive one counts as absent.
#include "bwps/promotions.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "bwps/db_table.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/masters.h"
#include "fx.h"

namespace bwps {
namespace {

constexpr size_t kNumberSize = sizeof(PromotionHeaderRecord::Number);

std::string Text(const char* field, size_t size)
{
    std::string s(field, strnlen(field, size));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    const size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

// A range over one text field of a master record: the key to walk, where
// the field lies and how wide a value is.
struct Range {
    int key;
    size_t offset;
    size_t width;
};

bool ProductRange(uint8_t kind, Range& r)
{
    switch (kind) {
    case PROMO_PRODUCTS_PRODUCT: r = {0, offsetof(TagProduct, Code), 15}; return true;
    case PROMO_PRODUCTS_VENDOR: r = {3, offsetof(TagProduct, Vendor1), 11}; return true;
    case PROMO_PRODUCTS_DEPT: r = {4, offsetof(TagProduct, Text85), 6}; return true;
    default: return false;
    }
}

// City and state have no key of their own: the file is walked by code and
// the field compared.
bool CustomerRange(uint8_t kind, Range& r)
{
    switch (kind) {
    case PROMO_CUSTOMERS_CUSTOMER: r = {0, offsetof(CustomerRecord, Code), 11}; return true;
    case PROMO_CUSTOMERS_BILLING: r = {6, offsetof(CustomerRecord, Field27), 6}; return true;
    case PROMO_CUSTOMERS_DEPT: r = {3, offsetof(CustomerRecord, InterfaceCode), 6}; return true;
    case PROMO_CUSTOMERS_CITY: r = {-1, offsetof(CustomerRecord, City), 15}; return true;
    case PROMO_CUSTOMERS_STATE: r = {-1, offsetof(CustomerRecord, State), 4}; return true;
    default: return false;
    }
}

// The records of an active-record reader whose field lies in [first, last]
// (an empty bound is open), in the order of the range's key.
template <class Record, class Reader, class Take>
Status WalkRange(Reader& reader, FileNo file, const Range& r, const char* firstField, const char* lastField,
                 size_t boundSize, Take take)
{
    const std::string first = Text(firstField, boundSize).substr(0, r.width - 1);
    const std::string last = Text(lastField, boundSize).substr(0, r.width - 1);
    int keptKey = 0, second = 0;
    reader.GetDefaults(&keptKey, &second);
    const bool keyed = r.key >= 0;
    reader.SelectIndex(keyed ? r.key : 0);
    uint8_t key[256] = {};
    if (keyed)
        std::memcpy(key, first.data(), first.size());
    Record record{};
    int status = reader.Read(B_GET_GE, key, &record, static_cast<int16_t>(sizeof record));
    while (status == 0 || status == DB_INACTIVE_RECORD) {
        if (status == 0) {
            const char* field = reinterpret_cast<const char*>(&record) + r.offset;
            const std::string value = Text(field, r.width).substr(0, r.width - 1);
            if (!last.empty() && value > last) {
                if (keyed)
                    break;
            } else if (value >= first && !take(record)) {
                break;
            }
        }
        status = reader.Read(B_GET_NEXT, key, &record, static_cast<int16_t>(sizeof record));
    }
    reader.SelectIndex(keptKey);
    if (status == 0 || status == B_END_OF_FILE || status == DB_INACTIVE_RECORD || status == B_KEY_NOT_FOUND)
        return {};
    return {status, B_GET_NEXT, file};
}

}  // namespace

Status PromoProductLinesOf(const PromotionHeaderRecord& h, uint16_t products, std::vector<PromotionProductLine>& out)
{
    out.clear();
    Range r{};
    if (!ProductRange(h.ProductKind, r))
        return {};
    CDbTblActiveProd reader(products);
    return WalkRange<TagProduct>(reader, FileNo::Products, r, h.ProductFirst, h.ProductLast, sizeof h.ProductFirst,
                                 [&](const TagProduct& p) {
                                     PromotionProductLine l{};
                                     std::memcpy(l.Number, h.Number, sizeof l.Number);
                                     l.Line = static_cast<uint16_t>(out.size());
                                     std::memcpy(l.Code, p.Code, sizeof l.Code);
                                     l.StartDate = h.StartDate;
                                     l.EndDate = h.EndDate;
                                     l.PriceKind = h.PriceKind;
                                     l.RegularPrice = p.Amounts[PRODUCT_AMOUNT290];
                                     l.Amount = h.PriceKind == PROMO_PRICE ? 0.0 : h.Amount;
                                     l.PromoPrice = ComputePromoPrice(&l);
                                     l.Lowest = h.Lowest;
                                     out.push_back(l);
                                     return true;
                                 });
}

Status PromoCustomerLinesOf(const PromotionHeaderRecord& h, uint16_t customers,
                            std::vector<PromotionCustomerLine>& out)
{
    out.clear();
    Range r{};
    if (!CustomerRange(h.CustomerKind, r))
        return {};
    CDbTblActiveCust reader(customers);
    return WalkRange<CustomerRecord>(reader, FileNo::Customers, r, h.CustomerFirst, h.CustomerLast,
                                     sizeof h.CustomerFirst, [&](const CustomerRecord& c) {
                                         PromotionCustomerLine l{};
                                         std::memcpy(l.Number, h.Number, sizeof l.Number);
                                         l.Line = static_cast<uint16_t>(out.size());
                                         std::memcpy(l.Customer, c.Code, sizeof l.Customer);
                                         out.push_back(l);
                                         return true;
                                     });
}

namespace {

template <class Line, class Master, class Reader>
Status StoredLines(const char* number, uint16_t linesHandle, uint16_t masters, FileNo file, FileNo masterFile,
                   size_t codeOffset, size_t codeSize, std::vector<Line>& out)
{
    out.clear();
    Table lines;
    lines.Borrow(file, linesHandle);
    Reader reader(masters);
    KeyBuffer key;
    key.Clear();
    std::memcpy(key.bytes, number, strnlen(number, kNumberSize - 1));
    Line l{};
    Status st = lines.Get(B_GET_GE, key, l);
    for (; st.Ok() && std::strncmp(l.Number, number, kNumberSize) == 0; st = lines.Get(B_GET_NEXT, key, l)) {
        uint8_t code[256] = {};
        std::memcpy(code, reinterpret_cast<const char*>(&l) + codeOffset, codeSize);
        Master m{};
        const int found = reader.Read(B_GET_EQUAL, code, &m, static_cast<int16_t>(sizeof m));
        if (found == 0)
            out.push_back(l);
        else if (found != B_KEY_NOT_FOUND && found != DB_INACTIVE_RECORD)
            return {found, B_GET_EQUAL, masterFile};
    }
    if (st.Ok() || st.NotFound())
        return {};
    return st;
}

}  // namespace

Status StoredPromoProductLines(const char* number, uint16_t lines, uint16_t products,
                               std::vector<PromotionProductLine>& out)
{
    return StoredLines<PromotionProductLine, TagProduct, CDbTblActiveProd>(
        number, lines, products, FileNo::PromotionProducts, FileNo::Products, offsetof(PromotionProductLine, Code),
        sizeof(PromotionProductLine::Code), out);
}

Status StoredPromoCustomerLines(const char* number, uint16_t lines, uint16_t customers,
                                std::vector<PromotionCustomerLine>& out)
{
    return StoredLines<PromotionCustomerLine, CustomerRecord, CDbTblActiveCust>(
        number, lines, customers, FileNo::PromotionCustomers, FileNo::Customers,
        offsetof(PromotionCustomerLine, Customer), sizeof(PromotionCustomerLine::Customer), out);
}

namespace {

bool AllCustomers(char flag) { return flag == 'Y' || flag == 'y' || flag == 1 || flag == '\0'; }

// Whether the other transaction is for every customer, or has a line for
// one of this screen's customers; a failed read counts as a conflict.
bool CustomersMeet(const PromotionHeaderRecord& header, const std::string& other,
                   const std::vector<PromotionCustomerLine>& customers, Table& headers, Table& customerLines)
{
    if (AllCustomers(header.AllCustomers))
        return true;
    KeyBuffer key;
    key.Clear();
    std::memcpy(key.bytes, other.data(), std::min(other.size(), kNumberSize - 1));
    PromotionHeaderRecord theirs{};
    const int keptKey = headers.Key();
    Status st = headers.Get(B_GET_EQUAL, key, theirs);
    headers.SetKey(keptKey);
    if (!st.Ok()) {
        st.Report();
        return true;
    }
    if (AllCustomers(theirs.AllCustomers))
        return true;
    const int keptLineKey = customerLines.Key();
    customerLines.SetKey(1);
    bool meet = false;
    for (const PromotionCustomerLine& c : customers) {
        if (c.Customer[0] == '\0')
            continue;
        key.Clear();
        std::memcpy(key.bytes, other.data(), std::min(other.size(), kNumberSize - 1));
        std::memcpy(key.bytes + kNumberSize, c.Customer, sizeof c.Customer);
        PromotionCustomerLine found{};
        st = customerLines.Get(B_GET_EQUAL, key, found);
        if (st.Ok() || (!st.NotFound() && (st.Report(), true))) {
            meet = true;
            break;
        }
    }
    customerLines.SetKey(keptLineKey);
    return meet;
}

}  // namespace

int FindPromoOverlap(const PromotionHeaderRecord& header, const std::string& number,
                     const std::vector<PromotionProductLine>& products,
                     const std::vector<PromotionCustomerLine>& customers, uint16_t headersHandle,
                     uint16_t productLinesHandle, uint16_t customerLinesHandle)
{
    Table headers, productLines, customerLines;
    headers.Borrow(FileNo::PromotionHeader, headersHandle);
    productLines.Borrow(FileNo::PromotionProducts, productLinesHandle);
    customerLines.Borrow(FileNo::PromotionCustomers, customerLinesHandle);
    const int keptKey = productLines.Key();
    productLines.SetKey(1);
    int conflict = -1;
    for (size_t i = 0; i < products.size() && conflict < 0; ++i) {
        const std::string code = Text(products[i].Code, sizeof products[i].Code);
        if (code.empty())
            continue;
        KeyBuffer key;
        key.Clear();
        std::memcpy(key.bytes, code.data(), code.size());
        PromotionProductLine stored{};
        Status st = productLines.Get(B_GET_GE, key, stored);
        for (; st.Ok() && Text(stored.Code, sizeof stored.Code) == code; st = productLines.Get(B_GET_NEXT, key, stored)) {
            const std::string other = Text(stored.Number, sizeof stored.Number);
            if (!number.empty() && other == number)
                continue;
            const bool datesMeet = stored.StartDate <= header.EndDate && header.StartDate <= stored.EndDate;
            if (datesMeet && CustomersMeet(header, other, customers, headers, customerLines)) {
                conflict = static_cast<int>(i);
                break;
            }
        }
        if (!st.Ok() && !st.NotFound())
            st.Report();
    }
    productLines.SetKey(keptKey);
    return conflict;
}

int DeletePromoDetails(const char* number, uint16_t headersHandle, uint16_t productLinesHandle,
                       uint16_t customerLinesHandle)
{
    if (number == nullptr)
        return 0;
    Table headers, productLines, customerLines;
    headers.Borrow(FileNo::PromotionHeader, headersHandle);
    productLines.Borrow(FileNo::PromotionProducts, productLinesHandle);
    customerLines.Borrow(FileNo::PromotionCustomers, customerLinesHandle);
    headers.UnlockAll();
    char caption[96];
    std::snprintf(caption, sizeof caption, "Deleting Discarded Details of %s - Line %-4ld", number, 0L);
    FxStatus* progress = FxStatusOpen("RSDeletingPromoDetails", 0);
    const auto done = [&](int result) {
        if (progress != nullptr)
            FxStatusClose(progress);
        return result;
    };
    JoinedBatch batch;
    if (!batch.Ok()) {
        batch.Begun().Report();
        return done(0);
    }
    for (Table* lines : {&productLines, &customerLines}) {
        const int keptKey = lines->Key();
        lines->SetKey(0);
        KeyBuffer key;
        key.Clear();
        std::memcpy(key.bytes, number, strnlen(number, kNumberSize - 1));
        PromotionProductLine any{};  // the longer of the two layouts
        long count = 0;
        Status st = lines->Get(B_GET_GE, key.bytes, &any, static_cast<int>(
                                                              lines == &productLines ? sizeof(PromotionProductLine)
                                                                                     : sizeof(PromotionCustomerLine)));
        while (st.Ok() && std::strncmp(any.Number, number, kNumberSize) == 0) {
            std::snprintf(caption, sizeof caption, "Deleting Discarded Details of %s - Line %-4ld", number, ++count);
            if (progress != nullptr)
                FxStatusSetLine(progress, 1, caption);
            st = lines->Delete();
            if (!st.Ok()) {
                st.Report();
                lines->SetKey(keptKey);
                return done(0);
            }
            st = lines->Get(B_GET_NEXT, key.bytes, &any,
                            static_cast<int>(lines == &productLines ? sizeof(PromotionProductLine)
                                                                    : sizeof(PromotionCustomerLine)));
        }
        lines->SetKey(keptKey);
        if (!st.Ok() && !st.NotFound()) {
            st.Report();
            return done(0);
        }
    }
    KeyBuffer key;
    key.Clear();
    std::memcpy(key.bytes, number, strnlen(number, kNumberSize - 1));
    PromotionHeaderRecord header{};
    Status st = headers.Get(B_GET_EQUAL, key, header);
    if (st.Ok()) {
        header.Removed = 'Y';
        st = headers.Update(header);
    } else if (st.Is(B_KEY_NOT_FOUND)) {
        st = {};
    }
    if (!st.Ok()) {
        st.Report();
        return done(0);
    }
    st = batch.Commit();
    if (!st.Ok()) {
        st.Report();
        return done(0);
    }
    return done(1);
}

}  // namespace bwps

extern "C" double ComputePromoPrice(const PromotionProductLine* line)
{
    if (line == nullptr)
        return 0.0;
    const double regular = line->RegularPrice;
    double price = regular;
    if (line->PriceKind == PROMO_FLAT)
        price = regular - line->Amount;
    else if (line->PriceKind == PROMO_PERCENT)
        price = regular - (line->Amount / 100.0) * regular;
    price = FxRound(price, 4);
    return price < 0.0 ? 0.0 : price;
}

BWPS_ORDINAL(658, ComputePromoPrice);
