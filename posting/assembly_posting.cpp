// The posting of an assembly: component quantities and costs taken off
// their products, the built product raised, product activity, and the
// summary ledger entry.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/pos_services.h"
#include "bwps/products.h"
#include "bwps/records.h"
#include "bwps/status_windows.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kDefaultAccount = 11;   // "0Interface     " account at 138
constexpr int kInventoryAccount = 3;  // "0Interface     " account at 50

TagPostingStatus* Block(void* block) { return static_cast<TagPostingStatus*>(block); }

void Note(void* block, FileNo file, int op, int status)
{
    if (TagPostingStatus* b = Block(block)) {
        b->FileNumber = bwps::No(file);
        b->Operation = op;
        b->Status = status;
    }
}

bool NotPostedFlag(char flag) { return flag == 'N' || flag == 'n' || flag == 0; }

// The error window of a refused assembly line (ShowErrorMessageWindow):
// the screen of `message` under the key list `keys`, showing a code of at
// most 15 characters and the line number. 2 when Continue was chosen.
int LineError(int message, int keys, int buttons, const char* code, int line)
{
    char text[16] = {};
    std::memcpy(text, code, strnlen(code, 15));
    char number[12];
    std::snprintf(number, sizeof number, "%d", line);
    return ShowErrorMessageWindow(message, keys, buttons, 1, text, number, nullptr);
}

int DatabaseError(int status, int op, FileNo file)
{
    return ShowDatabaseErrorWindow(6, 1, status, op, bwps::No(file), nullptr);
}

// Reads a product or service by its code (ReadRecordByKey) into the record.
template <class R>
Status ReadItem(uint16_t handle, FileNo file, const char* code, R& record)
{
    char text[16] = {};
    std::memcpy(text, code, strnlen(code, 15));
    std::memset(&record, 0, sizeof record);
    return Status{ReadRecordByKey(handle, bwps::No(file), text, &record, nullptr), B_GET_EQUAL,
                  file};
}

struct Service {
    uint8_t bytes[196];
};

// The lines of one assembly, in key order.
Status ReadLines(uint16_t handle, const char* number, std::vector<TagAssemblyLine>& lines)
{
    Table t;
    t.Borrow(FileNo::AssemblyDetail, handle);
    KeyBuffer key;
    std::memcpy(key.bytes, number, strnlen(number, 13));
    TagAssemblyLine line;
    Status s = t.Get(B_GET_GE, key, line);
    while (s.Ok() && std::strncmp(line.Number, number, 13) == 0) {
        lines.push_back(line);
        s = t.Get(B_GET_NEXT, key, line);
    }
    return s;
}

bool RefusedProductLine(const TagAssemblyLine& line)
{
    return line.SecondQuantity > 0 && NotPostedFlag(line.Flag);
}

// The activity record of a product moved by an assembly.
TagProductActivity ActivityOf(const TagProduct& product, const TagAssemblyHeader& header)
{
    TagProductActivity a;
    std::memset(&a, 0, sizeof a);
    std::memcpy(a.Code, product.Code, sizeof a.Code);
    a.Source = 'P';
    a.Value27 = header.Value41;
    a.Date = header.Date;
    a.DocumentKind[0] = 'A';
    a.DocumentKind[1] = 'A';
    std::memcpy(a.Document, header.Number, sizeof header.Number);
    std::memcpy(a.Description, header.Description, sizeof a.Description);
    std::memcpy(a.Text64, product.Text85, sizeof a.Text64);
    a.UnitFactor = product.UnitFactor;
    a.Value94 = product.Value272;
    return a;
}

int Factor(const TagProduct& p) { return p.UnitFactor < 1 ? 1 : p.UnitFactor; }

// Average cost = value / (quantity / unit factor) when the quantity on hand
// is not zero.
void Average(TagProduct& p)
{
    double quantity = p.Amounts[PRODUCT_QUANTITY];
    if (FxIsZeroAmount(&quantity) == 0)
        p.Amounts[PRODUCT_AVERAGE_COST] =
            FxDivide(p.Amounts[PRODUCT_VALUE], FxDivide(quantity, Factor(p)));
}

// Rounded to 4 decimals through the quantity picture.
double FourDecimals(double value)
{
    char text[64] = {};
    FxFormatNumber(text, "%11.4fF", 0, 1, value);
    double read = 0;
    if (FxParseNumber(text, 1, &read) != 0)
        return FxRound(value, 4);
    return read;
}

Status UpdateProduct(uint16_t handle, TagProduct& product)
{
    Table t;
    t.Borrow(FileNo::Products, handle);
    return t.Update(product);
}

}  // namespace

extern "C" {

BWPS_EXPORT int CheckAssemblyComponents(uint16_t linesHandle, uint16_t accountsHandle,
                                        uint16_t productsHandle, uint16_t servicesHandle,
                                        int* accountsChecked, const void* interface204,
                                        const char* assemblyNumber, void* statusBlock)
{
    if (statusBlock != nullptr)
        std::memset(statusBlock, 0, sizeof(TagPostingStatus));
    if (assemblyNumber == nullptr)
        return 2;
    const auto* iface = static_cast<const TagInterfaceRecord*>(interface204);
    int outcome = 0, good = 0, stop = 0;
    std::vector<TagAssemblyLine> lines;
    Status s = ReadLines(linesHandle, assemblyNumber, lines);
    int number = 0;
    for (const TagAssemblyLine& line : lines) {
        ++number;
        TagProduct product;
        Status read = ReadItem(productsHandle, FileNo::Products, line.ItemCode, product);
        if (read.Ok()) {
            if (RefusedProductLine(line)) {
                LineError(13, 109, 1, line.ItemCode, number);
                outcome = 2;
            } else {
                ++good;
            }
            continue;
        }
        Service service;
        read = ReadItem(servicesHandle, FileNo::Services, line.ItemCode, service);
        if (read.Ok()) {
            if (accountsChecked != nullptr && *accountsChecked == 0) {
                char account[12] = {};
                if (iface != nullptr)
                    std::memcpy(account, iface->Accounts[kDefaultAccount], 11);
                TagAccount record;
                TagPostingStatus read;
                const Status acc{ReadPostingAccount(1, accountsHandle, account, &record, &read),
                                 B_GET_EQUAL, FileNo::Accounts};
                if (!acc.Ok()) {
                    outcome = 2;
                    Note(statusBlock, FileNo::Accounts, B_GET_EQUAL, acc.status);
                    const int answer = acc.NotFound()
                                           ? LineError(15, 110, 3, account, number)
                                           : DatabaseError(acc.status, B_GET_EQUAL, FileNo::Accounts);
                    if (answer == 1) {
                        stop = 1;
                        break;
                    }
                }
                *accountsChecked = 1;
            }
            ++good;
            continue;
        }
        outcome = 2;
        const int answer = read.NotFound() ? LineError(11, 107, 3, line.ItemCode, number)
                                           : DatabaseError(read.status, read.operation, read.file);
        if (answer == 1) {
            stop = 1;
            break;
        }
    }
    if (stop == 0) {
        if (!s.Ok() && !s.NotFound()) {
            DatabaseError(s.status, B_GET_NEXT, FileNo::AssemblyDetail);
            stop = 1;
        } else if (good == 0 || outcome == 2) {
            stop = 2;
        }
    }
    if (TagPostingStatus* b = Block(statusBlock))
        b->StopFlag = stop;
    return stop;
}

BWPS_EXPORT int UpdateComponentProduct(int mode, uint16_t productsHandle, TagProduct* product,
                                       const TagAssemblyLine* line,
                                       const TagAssemblyHeader* header)
{
    if (product == nullptr || line == nullptr || header == nullptr)
        return B_INVALID_OPERATION;
    TagProduct& p = *product;
    TagProductActivity a = ActivityOf(p, *header);
    const double q = line->Quantity, q2 = line->SecondQuantity;
    if (line->Kind == 'A') {
        if (NotPostedFlag(line->Flag)) {
            p.Amounts[PRODUCT_SECOND_QUANTITY] -= q;
            p.Amounts[PRODUCT_QUANTITY] -= q;
        } else if (mode == 0) {
            p.Amounts[PRODUCT_SECOND_QUANTITY] -= q - q2;
            p.Amounts[PRODUCT_QUANTITY] -= q - q2;
        } else {
            p.Amounts[PRODUCT_SECOND_QUANTITY] -= q;
            p.Amounts[PRODUCT_QUANTITY] -= q - q2;
        }
        p.Amounts[PRODUCT_VALUE] -= line->Cost;
        a.Direction = '5';
        a.Quantity = -q;
        a.Value = -line->Cost;
    } else {
        p.Amounts[PRODUCT_QUANTITY] += q;
        p.Amounts[PRODUCT_VALUE] += line->Cost;
        Average(p);
        a.Direction = '1';
        a.Quantity = q;
        a.Value = line->Cost;
    }
    Status s = UpdateProduct(productsHandle, p);
    if (!s.Ok())
        return s.status;
    a.UnitCost = FourDecimals(FxDivide(a.Value, a.Quantity) * Factor(p));
    return WriteProductActivity(0, &p, nullptr, &a);
}

BWPS_EXPORT int UpdateAssembledProduct(uint16_t productsHandle, TagProduct* product,
                                       const TagAssemblyHeader* header)
{
    if (product == nullptr || header == nullptr)
        return B_INVALID_OPERATION;
    TagProduct& p = *product;
    TagProductActivity a = ActivityOf(p, *header);
    const double quantity = header->QuantityBuilt * Factor(p);
    const double cost = header->Cost;
    if (header->Kind == 'A') {
        p.Amounts[PRODUCT_QUANTITY] += quantity;
        p.Amounts[PRODUCT_VALUE] += cost;
        Average(p);
        if (header->Date >= p.LastDate) {
            p.Amounts[PRODUCT_LAST_COST] = FxDivide(cost, header->QuantityBuilt);
            p.LastDate = header->Date;
        }
        a.Direction = '1';
        a.Quantity = quantity;
        a.Value = cost;
    } else {
        p.Amounts[PRODUCT_QUANTITY] -= quantity;
        p.Amounts[PRODUCT_SECOND_QUANTITY] -= quantity;
        p.Amounts[PRODUCT_VALUE] -= cost;
        Average(p);
        a.Direction = '5';
        a.Quantity = -quantity;
        a.Value = -cost;
    }
    Status s = UpdateProduct(productsHandle, p);
    if (!s.Ok())
        return s.status;
    a.UnitCost = FourDecimals(FxDivide(FxDivide(a.Value, a.Quantity), Factor(p)));
    return WriteProductActivity(0, &p, nullptr, &a);
}

BWPS_EXPORT int PostAssemblyComponents(int mode, uint16_t linesHandle, uint16_t productsHandle,
                                       uint16_t servicesHandle, double* costTotal,
                                       const TagAssemblyHeader* header, void* statusBlock)
{
    if (costTotal != nullptr)
        *costTotal = 0;
    if (header == nullptr)
        return 2;
    auto stopWith = [&](int stop) {
        if (TagPostingStatus* b = Block(statusBlock))
            b->StopFlag = stop;
        return stop;
    };
    std::vector<TagAssemblyLine> lines;
    Status s = ReadLines(linesHandle, header->Number, lines);
    if (!s.Ok() && !s.NotFound()) {
        Note(statusBlock, FileNo::AssemblyDetail, B_GET_NEXT, s.status);
        DatabaseError(s.status, B_GET_NEXT, FileNo::AssemblyDetail);
        return stopWith(1);
    }
    if (lines.empty())
        return stopWith(2);

    // Every line is checked before the first write: an assembly is posted
    // whole or not at all.
    std::vector<bool> isProduct;
    double services = 0;
    int number = 0;
    for (const TagAssemblyLine& line : lines) {
        ++number;
        TagProduct product;
        Status read = ReadItem(productsHandle, FileNo::Products, line.ItemCode, product);
        if (read.Ok()) {
            if (RefusedProductLine(line)) {
                LineError(13, 109, 1, line.ItemCode, number);
                return stopWith(1);
            }
            isProduct.push_back(true);
            continue;
        }
        Service service;
        Status svc = ReadItem(servicesHandle, FileNo::Services, line.ItemCode, service);
        if (!svc.Ok()) {
            Note(statusBlock, svc.file, B_GET_EQUAL, svc.status);
            if (svc.NotFound())
                LineError(11, 107, 1, line.ItemCode, number);
            else
                DatabaseError(svc.status, B_GET_EQUAL, FileNo::Services);
            return stopWith(1);
        }
        isProduct.push_back(false);
        services += line.Kind == 'A' ? line.Cost : -line.Cost;
    }

    bwps::JoinedBatch batch;
    if (!batch.Ok()) {
        Note(statusBlock, FileNo::None, B_BEGIN_TRAN, batch.Begun().status);
        return stopWith(1);
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!isProduct[i])
            continue;
        TagProduct product;
        Status read = ReadItem(productsHandle, FileNo::Products, lines[i].ItemCode, product);
        int status = read.status;
        if (read.Ok())
            status = UpdateComponentProduct(mode, productsHandle, &product, &lines[i], header);
        if (status != 0) {
            Note(statusBlock, FileNo::Products, B_UPDATE, status);
            DatabaseError(status, B_UPDATE, FileNo::Products);
            return stopWith(1);
        }
    }
    s = batch.Commit();
    if (!s.Ok()) {
        Note(statusBlock, FileNo::None, B_END_TRAN, s.status);
        return stopWith(1);
    }
    if (costTotal != nullptr)
        *costTotal = services;
    return stopWith(0);
}

BWPS_EXPORT int InitAssemblyGLHeader(const char* assemblyNumber, int32_t date,
                                     void* ledgerHeader79)
{
    auto* h = static_cast<TagGLHeader*>(ledgerHeader79);
    std::memset(h->JournalCode, 0, sizeof h->JournalCode);
    std::memcpy(h->JournalCode, "AS", 2);
    std::memset(h->Reference, 0, sizeof h->Reference);
    if (assemblyNumber != nullptr)
        std::memcpy(h->Reference, assemblyNumber, strnlen(assemblyNumber, 10));
    h->Posted = h->Deleted = h->Reverse = 'N';
    h->TranDate = date;
    h->StartDate = date;
    return 0;
}

BWPS_EXPORT int PostAssemblySummary(char side, const char* account, double amount,
                                    void* ledgerLine84, const void* ledgerHeader79)
{
    auto* line = static_cast<TagLedgerDetail*>(ledgerLine84);
    const auto* h = static_cast<const TagGLHeader*>(ledgerHeader79);
    std::memset(line, 0, sizeof *line);
    std::memcpy(line->JournalCode, h->JournalCode, sizeof line->JournalCode);
    std::memcpy(line->TranNo, h->TranNo, sizeof line->TranNo);
    line->TranDate = h->TranDate;
    if (account != nullptr)
        std::memcpy(line->Account, account, strnlen(account, 11));
    std::snprintf(line->Description, sizeof line->Description, "%s", "Summary Assembly Post");
    line->DebitCredit = side;
    line->Amount = amount;
    return 0;
}

BWPS_EXPORT int PostAssemblyGL(uint16_t ledgerLinesHandle, double first, double second,
                               const void* interface204, const void* ledgerHeader79,
                               void* statusBlock)
{
    const auto* iface = static_cast<const TagInterfaceRecord*>(interface204);
    if (iface == nullptr || ledgerHeader79 == nullptr)
        return B_INVALID_OPERATION;
    int32_t debit = 1, credit = 1000;
    TagPostingStatus local;
    TagPostingStatus& block = statusBlock != nullptr ? *Block(statusBlock) : local;
    std::memset(&block, 0, sizeof block);
    // One distribution line (AddGLDetailAmount): a negative amount goes to
    // the other side, each side numbered from its own counter.
    auto add = [&](char side, int account, double amount) {
        TagLedgerDetail line;
        char text[12] = {};
        std::memcpy(text, iface->Accounts[account], 11);
        PostAssemblySummary(side, text, amount, &line, ledgerHeader79);
        const int status = AddGLDetailAmount(0, ledgerLinesHandle, &debit, &credit, &line, &block);
        return Status{status, block.Operation, FileNo::LedgerDetail};
    };
    bwps::JoinedBatch batch;
    Status s = batch.Ok() ? add('D', kInventoryAccount, first + second) : batch.Begun();
    double firstAmount = first;
    if (s.Ok() && FxIsZeroAmount(&firstAmount) == 0)
        s = add('C', kDefaultAccount, first);
    if (s.Ok())
        s = add('C', kInventoryAccount, second);
    if (s.Ok())
        s = batch.Commit();
    if (!s.Ok()) {
        DatabaseError(s.status, s.operation, s.file);
        block.StopFlag = 1;
    }
    return s.status;
}

BWPS_EXPORT int ReadAssemblyHeader(int handle, TagAssemblyHeader* record,
                                   const char* assemblyNumber)
{
    if (record == nullptr || assemblyNumber == nullptr)
        return 0;
    Table headers;
    Status s = handle < 0 ? headers.Open(FileNo::AssemblyHeader, OPEN_OPERATION)
                          : headers.Borrow(FileNo::AssemblyHeader, static_cast<uint16_t>(handle));
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    KeyBuffer key;
    std::memcpy(key.bytes, assemblyNumber, strnlen(assemblyNumber, 13));
    TagAssemblyHeader header;
    s = headers.Get(B_GET_EQUAL, key, header);
    if (s.Ok()) {
        *record = header;
        return 1;
    }
    if (!s.Is(B_KEY_NOT_FOUND))
        s.Report();
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(16, CheckAssemblyComponents);
BWPS_ORDINAL(17, PostAssemblyComponents);
BWPS_ORDINAL(18, UpdateComponentProduct);
BWPS_ORDINAL(19, UpdateAssembledProduct);
BWPS_ORDINAL(20, InitAssemblyGLHeader);
BWPS_ORDINAL(21, PostAssemblySummary);
BWPS_ORDINAL(22, PostAssemblyGL);
BWPS_ORDINAL(23, ReadAssemblyHeader);
