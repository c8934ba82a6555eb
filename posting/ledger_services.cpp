// Ledger records and their posting to the chart of accounts: walking the
// unposted transactions, writing, merging and removing ledger lines, the
// journal numbers, posting a whole transaction to the chart, and the
// "0CurrPosting   " record of a posting run.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/accounts.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/status_windows.h"
#include "fx.h"
#include "posting/chart_internal.h"
#include "posting/journal_numbers.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

constexpr int kAssemblyHeaderSize = 70;
constexpr int kAssemblyLineSize = 72;
constexpr int kRecordBuffer = 4096;
constexpr int kPeriodIndexOffset = 11;
constexpr int kNextYearOffset = 2;

TagPostingStatus& BlockOr(TagPostingStatus* block, TagPostingStatus& local)
{
    return block != nullptr ? *block : local;
}
void ClearBlock(TagPostingStatus& block, FileNo file, int operation)
{
    std::memset(&block, 0, sizeof block);
    block.FileNumber = No(file);
    block.Operation = operation;
}
int Finish(TagPostingStatus& block, const Status& s)
{
    block.Status = s.status;
    if (!s.Ok()) {
        block.Operation = s.operation;
        if (s.file != FileNo::None)
            block.FileNumber = No(s.file);
    }
    return s.status;
}

int RecordLength(int fileNumber)
{
    const int32_t length = GetDataFileRecordLength(fileNumber);
    return length > 0 && length <= kRecordBuffer ? length : 0;
}

bool SameTransaction(const TagLedgerDetail& line, const TagLedgerKey& key)
{
    return FieldText(line.JournalCode, LEDGER_JOURNAL_WIDTH) ==
               FieldText(key.JournalCode, LEDGER_JOURNAL_WIDTH) &&
           FieldText(line.TranNo, LEDGER_NUMBER_WIDTH) == FieldText(key.TranNo, LEDGER_NUMBER_WIDTH);
}

TagLedgerKey KeyOf(const char* journal, const char* number)
{
    TagLedgerKey key{};
    JournalKey(key.JournalCode, journal);
    CopyText(key.TranNo, sizeof key.TranNo, number);
    return key;
}

// Every line of one transaction, read by key 0 from its first.
Status ReadTransactionLines(Table& lines, const TagLedgerKey& wanted,
                            std::vector<TagLedgerDetail>& out)
{
    out.clear();
    lines.SetKey(0);
    KeyBuffer key;
    key.Set(wanted);
    TagLedgerDetail line;
    Status s = lines.Get(B_GET_GE, key, line);
    while (s.Ok() && SameTransaction(line, wanted)) {
        out.push_back(line);
        s = lines.Get(B_GET_NEXT, key, line);
    }
    if (s.Ok() || s.NotFound())
        return Success();
    return s;
}

struct ChartPosting {
    bool locked = false;
    bool lockHeader = false;
    bool reportRollUp = false;   // PostGLToAccounts reports; the others fill the block
};

// The shared body of PostChartOfAccounts, its locked form and
// PostGLToAccounts: the whole transaction is read and checked first, then
// every line is rolled up and the header marked posted inside one
// record-manager transaction.
int PostTransactionToChart(uint16_t headers, uint16_t lines, uint16_t accounts,
                           double* debitTotal, double* creditTotal, int alternate, int period,
                           TagGLHeader* header, TagPostingStatus& block, const ChartPosting& how)
{
    double debits = 0.0, credits = 0.0;
    if (debitTotal != nullptr)
        *debitTotal = 0.0;
    if (creditTotal != nullptr)
        *creditTotal = 0.0;
    Table lineTable, accountTable, headerTable;
    lineTable.Borrow(FileNo::LedgerDetail, lines);
    accountTable.Borrow(FileNo::Accounts, accounts);
    headerTable.Borrow(FileNo::LedgerHeader, headers);
    const TagLedgerKey wanted = KeyOf(header->JournalCode, header->TranNo);
    ClearBlock(block, FileNo::LedgerDetail, B_GET_GE);
    std::memcpy(block.Key, &wanted, sizeof wanted);

    FxStatus* progress = FxStatusOpen("RSMsgPostingCOA", 0);
    auto close = [&] {
        if (progress != nullptr)
            FxStatusClose(progress);
        progress = nullptr;
    };

    std::vector<TagLedgerDetail> all;
    Status s = ReadTransactionLines(lineTable, wanted, all);
    if (!s.Ok()) {
        close();
        if (how.reportRollUp)
            s.Report(1, 0);
        return Finish(block, s);
    }
    bool anyAmount = false;
    for (const TagLedgerDetail& line : all) {
        if (!how.reportRollUp && IsDifferenceAccount(line.Account) &&
            TrimRight(FieldText(line.JournalCode, LEDGER_JOURNAL_WIDTH)) != "SU") {
            close();
            block.PostingCode = POSTING_DIFFERENCE_ACCOUNT;
            block.Status = POSTING_DIFFERENCE_ACCOUNT;
            return POSTING_DIFFERENCE_ACCOUNT;
        }
        if (!std::isfinite(line.Amount)) {
            close();
            return Finish(block, {B_INVALID_OPERATION, B_GET_NEXT, FileNo::LedgerDetail});
        }
        double amount = line.Amount;
        if (!FxIsZeroAmount(&amount))
            anyAmount = true;
        (line.DebitCredit == 'D' ? debits : credits) += line.Amount;
    }
    debits = FxRound(debits, 2);
    credits = FxRound(credits, 2);
    if (debitTotal != nullptr)
        *debitTotal = debits;
    if (creditTotal != nullptr)
        *creditTotal = credits;
    if (!FxAmountsEqual(debits, credits)) {
        close();
        if (how.reportRollUp) {
            ShowMessage(1618, MESSAGE_DEFAULT_CONTEXT);
            return -1;
        }
        block.PostingCode = POSTING_OUT_OF_BALANCE;
        block.Status = POSTING_OUT_OF_BALANCE;
        return POSTING_OUT_OF_BALANCE;
    }

    JoinedBatch batch;
    if (!batch.Ok()) {
        close();
        return Finish(block, batch.Begun());
    }
    // Every account of every line, and the accounts above them, must be
    // there before the first amount is added.
    for (const TagLedgerDetail& line : all) {
        bool missingParent = false;
        s = RollUpAmount(accountTable, line.Account, line.DebitCredit, alternate, period,
                         line.Amount, nullptr, 0, missingParent, false);
        if (!s.Ok()) {
            close();
            batch.Abort();
            ClearBlock(block, FileNo::Accounts, B_GET_EQUAL);
            CopyText(block.Key, ACCOUNT_NUMBER_WIDTH, line.Account);
            if (how.reportRollUp) {
                if (missingParent)
                    ShowMessage(233, MESSAGE_DEFAULT_CONTEXT);
                else
                    s.Report(1, 0);
            }
            return Finish(block, s);
        }
    }
    const int lockBias = how.locked ? B_LOCK_MULTI_WAIT : 0;
    for (const TagLedgerDetail& line : all) {
        ClearBlock(block, FileNo::Accounts, B_GET_EQUAL);
        CopyText(block.Key, ACCOUNT_NUMBER_WIDTH, line.Account);
        bool missingParent = false;
        s = RollUpAmount(accountTable, line.Account, line.DebitCredit, alternate, period,
                         line.Amount, progress, lockBias, missingParent);
        if (how.locked)
            accountTable.UnlockAll();
        if (!s.Ok()) {
            close();
            batch.Abort();
            if (how.reportRollUp) {
                if (missingParent)
                    ShowMessage(233, MESSAGE_DEFAULT_CONTEXT);
                else
                    s.Report(1, 0);
            }
            return Finish(block, s);
        }
    }
    close();

    ClearBlock(block, FileNo::LedgerHeader, B_UPDATE);
    std::memcpy(block.Key, &wanted, sizeof wanted);
    KeyBuffer key;
    key.Set(wanted);
    TagGLHeader stored;
    headerTable.SetKey(0);
    const int headerLock = how.locked && how.lockHeader ? B_LOCK_MULTI_NOWAIT : 0;
    s = headerTable.Get(B_GET_EQUAL + headerLock, key, stored);
    if (!s.Ok()) {
        if (headerLock != 0)
            headerTable.UnlockAll();
        batch.Abort();
        s.Report(1, 0);
        return Finish(block, s);
    }
    stored.DebitTotal = debits;
    stored.Posted = 'Y';
    double total = debits;
    const bool zero = FxIsZeroAmount(&total) != 0;
    const bool markDeleted =
        how.locked ? zero && !anyAmount &&
                         Trim(FieldText(stored.JournalCode, LEDGER_JOURNAL_WIDTH)) != "IA"
                   : zero && !how.reportRollUp;
    if (markDeleted) {
        stored.Deleted = 'Y';
        CopyText(stored.Reference, LEDGER_DELETED_TEXT);
    }
    s = headerTable.Update(stored);
    if (headerLock != 0)
        headerTable.UnlockAll();
    if (s.Ok())
        s = batch.Commit();
    if (!s.Ok()) {
        batch.Abort();
        if (how.reportRollUp)
            s.Report(1, 0);
        return Finish(block, s);
    }
    *header = stored;
    return Finish(block, s);
}

}  // namespace

extern "C" {

char* GetRecordDateAndDeleted(int* deleted, int32_t* date, int fileNumber, void* record)
{
    if (deleted != nullptr)
        *deleted = 0;
    if (date != nullptr)
        *date = 0;
    if (record == nullptr)
        return nullptr;
    char* bytes = static_cast<char*>(record);
    int dateOffset = 0, textOffset = 0;
    if (fileNumber == No(FileNo::AssemblyHeader)) {
        dateOffset = 37;
        textOffset = 26;
    } else if (fileNumber == No(FileNo::LedgerHeader)) {
        dateOffset = offsetof(TagGLHeader, TranDate);
        textOffset = offsetof(TagGLHeader, Reference);
    } else {
        return nullptr;
    }
    if (date != nullptr)
        std::memcpy(date, bytes + dateOffset, 4);
    if (deleted != nullptr)
        *deleted = FieldText(bytes + textOffset, 11) == LEDGER_DELETED_TEXT ? 1 : 0;
    return bytes + offsetof(TagGLHeader, Posted);
}

int NextUnpostedInRange(char deleteFlag, int operation, uint16_t handle, int fileNumber,
                        void* key, void* record, const void* range, TagPostingStatus* block)
{
    TagPostingStatus local;
    TagPostingStatus& b = BlockOr(block, local);
    ClearBlock(b, static_cast<FileNo>(fileNumber), operation);
    if (record == nullptr || range == nullptr ||
        (fileNumber != No(FileNo::AssemblyHeader) && fileNumber != No(FileNo::LedgerHeader)))
        return b.Status = B_INVALID_OPERATION;
    const int length =
        fileNumber == No(FileNo::LedgerHeader) ? int(sizeof(TagGLHeader)) : kAssemblyHeaderSize;
    int32_t first = 0, last = 0;
    std::memcpy(&first, static_cast<const char*>(range) + 21, 4);
    std::memcpy(&last, static_cast<const char*>(range) + 25, 4);
    KeyBuffer localKey;
    uint8_t* keyBytes = key != nullptr ? static_cast<uint8_t*>(key) : localKey.bytes;
    if (operation % 100 == B_GET_GE)
        std::memcpy(keyBytes, &first, 4);
    Table table;
    table.Borrow(static_cast<FileNo>(fileNumber), handle);
    Status s = table.Get(operation, keyBytes, record, length);
    while (s.Ok()) {
        int deleted = 0;
        int32_t date = 0;
        char* posted = GetRecordDateAndDeleted(&deleted, &date, fileNumber, record);
        if (date < first || date > last) {
            s = {B_END_OF_FILE, B_GET_NEXT, static_cast<FileNo>(fileNumber)};
            break;
        }
        if (!deleted && (*posted == 'N' || *posted == 'n' || *posted == 0))
            break;
        if (deleted) {
            if (IsYes(deleteFlag)) {
                s = table.Delete();
            } else {
                *posted = 'Y';
                s = table.Write(B_UPDATE, record, length);
            }
            if (!s.Ok())
                break;
        }
        s = table.Get(B_GET_NEXT, keyBytes, record, length);
    }
    if (!s.Ok() && !s.NotFound()) {
        ShowDatabaseErrorWindow(6, 1, s.status, s.operation, fileNumber, nullptr);
        b.StopFlag = 1;
    }
    b.Operation = s.Ok() ? b.Operation : s.operation;
    b.Status = s.status;
    return s.status;
}

int ReadRecordByKey(uint16_t handle, int fileNumber, const char* key, void* record,
                    TagPostingStatus* block)
{
    TagPostingStatus local;
    TagPostingStatus& b = BlockOr(block, local);
    ClearBlock(b, static_cast<FileNo>(fileNumber), B_GET_EQUAL);
    const int length = RecordLength(fileNumber);
    if (key == nullptr || record == nullptr || length == 0)
        return b.Status = B_INVALID_OPERATION;
    CopyText(b.Key, sizeof b.Key, key);
    KeyBuffer buffer;
    std::memcpy(buffer.bytes, b.Key, sizeof b.Key);
    Table table;
    table.Borrow(static_cast<FileNo>(fileNumber), handle);
    return Finish(b, table.Get(B_GET_EQUAL, buffer.bytes, record, length));
}

int UpdateRecord(uint16_t handle, int fileNumber, void* record, TagPostingStatus* block)
{
    TagPostingStatus local;
    TagPostingStatus& b = BlockOr(block, local);
    ClearBlock(b, static_cast<FileNo>(fileNumber), B_UPDATE);
    const int length = RecordLength(fileNumber);
    if (record == nullptr || length == 0)
        return b.Status = B_INVALID_OPERATION;
    Table table;
    table.Borrow(static_cast<FileNo>(fileNumber), handle);
    return Finish(b, table.Write(B_UPDATE, record, length));
}

int DrawJournalNumber(uint16_t journals, const char* journal, char* numberOut,
                      TagPostingStatus* block)
{
    TagPostingStatus local;
    TagPostingStatus& b = BlockOr(block, local);
    ClearBlock(b, FileNo::Journals, B_GET_EQUAL);
    char code[LEDGER_JOURNAL_WIDTH];
    JournalKey(code, journal);
    std::memcpy(b.Key, code, sizeof code);
    Table table;
    table.Borrow(FileNo::Journals, journals);
    TagJournal record;
    return Finish(b, TakeJournalNumber(table, code, true, numberOut, record));
}

int InsertGLHeaderRecord(uint16_t headers, TagGLHeader* header, TagPostingStatus* block)
{
    TagPostingStatus local;
    TagPostingStatus& b = BlockOr(block, local);
    ClearBlock(b, FileNo::LedgerHeader, B_INSERT);
    if (header == nullptr)
        return b.Status = B_INVALID_OPERATION;
    std::memcpy(b.Key, header, LEDGER_KEY_WIDTH);
    Table table;
    table.Borrow(FileNo::LedgerHeader, headers);
    Status s = table.Insert(*header);
    if (!s.Ok())
        return Finish(b, s);
    char journal[LEDGER_JOURNAL_WIDTH], number[LEDGER_NUMBER_WIDTH];
    std::memcpy(journal, header->JournalCode, sizeof journal);
    std::memcpy(number, header->TranNo, sizeof number);
    return FindDeletedMarkerByNumber(headers, journal, number, header, &b);
}

int AddGLDetailAmount(int merge, uint16_t lines, int32_t* debitCounter, int32_t* creditCounter,
                      TagLedgerDetail* line, TagPostingStatus* block)
{
    TagPostingStatus local;
    TagPostingStatus& b = BlockOr(block, local);
    ClearBlock(b, FileNo::LedgerDetail, B_GET_EQUAL);
    if (line == nullptr || debitCounter == nullptr || creditCounter == nullptr ||
        !std::isfinite(line->Amount))
        return b.Status = B_INVALID_OPERATION;
    Table table;
    table.Borrow(FileNo::LedgerDetail, lines);
    const int keptKey = table.Key();
    table.SetKey(1);
    if (line->Amount < 0) {
        line->DebitCredit = line->DebitCredit == 'D' ? 'C' : 'D';
        line->Amount = -line->Amount;
    }
    TagLedgerDetail found{};
    Status s{B_KEY_NOT_FOUND, B_GET_EQUAL, FileNo::LedgerDetail};
    if (merge) {
        TagLedgerAccountKey wanted{};
        std::memcpy(wanted.JournalCode, line->JournalCode, sizeof wanted.JournalCode);
        std::memcpy(wanted.TranNo, line->TranNo, sizeof wanted.TranNo);
        std::memcpy(wanted.Account, line->Account, sizeof wanted.Account);
        KeyBuffer key;
        key.Set(wanted);
        s = table.Get(B_GET_EQUAL, key, found);
    }
    if (!merge || s.Is(B_KEY_NOT_FOUND)) {
        b.Operation = B_INSERT;
        int32_t& counter = line->DebitCredit == 'D' ? *debitCounter : *creditCounter;
        line->LineNo = static_cast<uint16_t>(counter);
        counter += 1;
        s = table.Insert(*line);
    } else if (s.Ok()) {
        b.Operation = B_UPDATE;
        if (found.DebitCredit == line->DebitCredit) {
            found.Amount += line->Amount;
        } else {
            found.Amount -= line->Amount;
            if (found.Amount < 0) {
                found.DebitCredit = found.DebitCredit == 'D' ? 'C' : 'D';
                int32_t& counter = found.DebitCredit == 'D' ? *debitCounter : *creditCounter;
                found.LineNo = static_cast<uint16_t>(counter);
                counter += 1;
                found.Amount = -found.Amount;
            }
        }
        s = table.Update(found);
    }
    table.SetKey(keptKey);
    b.Status = s.status;
    return s.status;
}

int PostChartOfAccounts(uint16_t headers, uint16_t lines, uint16_t accounts, double* debitTotal,
                        double* creditTotal, const void* periodInfo, TagGLHeader* header,
                        TagPostingStatus* block)
{
    return PostChartOfAccountsLocked(headers, lines, accounts, debitTotal, creditTotal,
                                     periodInfo, header, block, -1);
}

int PostChartOfAccountsLocked(uint16_t headers, uint16_t lines, uint16_t accounts,
                              double* debitTotal, double* creditTotal, const void* periodInfo,
                              TagGLHeader* header, TagPostingStatus* block, int lockFlag)
{
    TagPostingStatus local;
    TagPostingStatus& b = BlockOr(block, local);
    if (header == nullptr || periodInfo == nullptr) {
        ClearBlock(b, FileNo::LedgerDetail, B_GET_GE);
        return b.Status = B_INVALID_OPERATION;
    }
    const auto* info = static_cast<const uint8_t*>(periodInfo);
    int16_t period = 0;
    std::memcpy(&period, info + kPeriodIndexOffset, 2);
    ChartPosting how;
    how.locked = lockFlag >= 0;     // the plain form passes -1
    how.lockHeader = lockFlag > 0;
    return PostTransactionToChart(headers, lines, accounts, debitTotal, creditTotal,
                                  info[kNextYearOffset] != 0, period, header, b, how);
}

int PostGLToAccounts(uint16_t headers, uint16_t lines, uint16_t accounts, int period,
                     int alternate, TagGLHeader* header)
{
    if (header == nullptr)
        return B_INVALID_OPERATION;
    Table headerTable;
    headerTable.Borrow(FileNo::LedgerHeader, headers);
    headerTable.SetKey(0);
    KeyBuffer key;
    key.Set(KeyOf(header->JournalCode, header->TranNo));
    TagGLHeader stored;
    Status s = headerTable.Get(B_GET_EQUAL, key, stored);
    if (!s.Ok()) {
        s.Report(1, 0);
        return s.status;
    }
    TagPostingStatus block;
    ChartPosting how;
    how.reportRollUp = true;
    const int result = PostTransactionToChart(headers, lines, accounts, nullptr, nullptr,
                                              alternate, period, &stored, block, how);
    if (result == 0)
        *header = stored;
    return result;
}

int ShowPostingStatus(double debitTotal, double creditTotal, const TagGLHeader* header,
                      TagPostingStatus* block)
{
    if (block == nullptr)
        return 0;
    if (block->Status == 0) {
        block->StopFlag = 0;
        return 0;
    }
    const std::string journal =
        header != nullptr ? TrimmedField(header->JournalCode, LEDGER_JOURNAL_WIDTH) : "";
    const std::string number =
        header != nullptr ? TrimmedField(header->TranNo, LEDGER_NUMBER_WIDTH) : "";
    if (block->PostingCode == 0) {
        if (block->Status == B_KEY_NOT_FOUND)
            ShowErrorMessageWindow(1251, 0, 2, 1,
                                   FieldText(block->Key, sizeof block->Key).c_str(),
                                   journal.c_str(), number.c_str(), nullptr);
        else
            ShowDatabaseErrorWindow(6, 1, block->Status, block->Operation, block->FileNumber,
                                    nullptr);
    } else if (block->PostingCode == POSTING_DIFFERENCE_ACCOUNT) {
        ShowErrorMessageWindow(1249, 0, 3, 1, journal.c_str(), number.c_str(), nullptr);
    } else if (block->PostingCode == POSTING_OUT_OF_BALANCE) {
        // The balance screen shows the two totals as amounts.
        ShowErrorMessageWindow(1247, 0, 2, 1, &debitTotal, &creditTotal, journal.c_str(),
                               number.c_str(), nullptr);
    }
    block->StopFlag = 1;
    return 1;
}

int SelectKeySavePosition(int* savedKey, int wantedKey, uint16_t handle, uint32_t* position)
{
    Table table;
    table.Borrow(FileNo::None, handle);
    const int key = table.Key();
    if (savedKey != nullptr)
        *savedKey = key;
    if (key == wantedKey)
        return 0;
    uint32_t kept = 0;
    if (!table.Position(kept).Ok())
        kept = 0;
    if (position != nullptr)
        *position = kept;
    return table.SetKey(wantedKey).status;
}

int RestoreKeyPosition(int savedKey, int currentKey, uint16_t handle, uint32_t position,
                       void* record)
{
    if (savedKey == currentKey)
        return 0;
    Table table;
    table.Borrow(FileNo::None, handle);
    Status s = table.SetKey(savedKey);
    if (s.Ok() && position != 0 && record != nullptr) {
        KeyBuffer key;
        std::memcpy(record, &position, 4);
        s = table.Get(B_GET_DIRECT, key.bytes, record, kRecordBuffer);
    }
    return s.status;
}

int AssemblyHasItemIn(uint16_t details, uint16_t items, const char* assemblyKey)
{
    if (assemblyKey == nullptr)
        return 0;
    constexpr int kKeyWidth = 11, kItemOffset = 13, kItemWidth = 15;
    Table lines, products;
    lines.Borrow(FileNo::AssemblyDetail, details);
    products.Borrow(FileNo::Products, items);
    KeyBuffer key;
    std::memcpy(key.bytes, assemblyKey, kKeyWidth);
    unsigned char line[kAssemblyLineSize] = {};
    Status s = lines.Get(B_GET_GE, key.bytes, line, kAssemblyLineSize);
    while (s.Ok() && std::memcmp(line, assemblyKey, kKeyWidth) == 0) {
        KeyBuffer itemKey;
        std::memcpy(itemKey.bytes, line + kItemOffset, kItemWidth);
        itemKey.bytes[kItemWidth - 1] = 0;
        ProductRecord product;
        if (products.Get(B_GET_EQUAL, itemKey, product).Ok())
            return 1;
        s = lines.Get(B_GET_NEXT, key.bytes, line, kAssemblyLineSize);
    }
    return 0;
}

int ReadCurrentPosting(int settings, TagCurrentPosting* out)
{
    TagCurrentPosting local;
    TagCurrentPosting& record = out != nullptr ? *out : local;
    Table table;
    if (settings < 1) {
        Status opened = table.Open(FileNo::General);
        if (!opened.Ok()) {
            opened.Report(1, 0);
            return 0;
        }
    } else {
        table.Borrow(FileNo::General, static_cast<uint16_t>(settings));
    }
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_CURRPOSTING, GENERAL_KEY_SIZE);
    Status s = table.Get(B_GET_EQUAL, key, record);
    if (s.Is(B_KEY_NOT_FOUND)) {
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.Key, GENERAL_KEY_CURRPOSTING, GENERAL_KEY_SIZE);
        s = table.Insert(record);
        if (!s.Ok())
            s.Report(1, 0);
        return s.status;
    }
    if (s.InUse() && !s.Is(88) && !s.Is(B_PERMISSION_ERROR))
        return 0;
    if (!s.Ok())
        s.Report(1, 0);
    return s.status;
}

int WriteCurrentPosting(int settings, const TagCurrentPosting* record)
{
    if (record == nullptr)
        return 0;
    Table table;
    if (settings < 1) {
        Status opened = table.Open(FileNo::General);
        if (!opened.Ok()) {
            opened.Report(1, 0);
            return 0;
        }
    } else {
        table.Borrow(FileNo::General, static_cast<uint16_t>(settings));
    }
    TagCurrentPosting stored;
    if (ReadCurrentPosting(table.Handle(), &stored) != 0)
        return 0;
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_CURRPOSTING, GENERAL_KEY_SIZE);
    Status s = table.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, stored);
    if (!s.Ok()) {
        s.Report(1, 0);
        return 0;
    }
    if (stored.Flag == 'Y' && record->Flag == 'Y') {
        int choice = 1;
        AskMessage(1369, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, nullptr, -1, -1, 0, 0, 0);
        if (choice == 1) {
            table.UnlockAll();
            return 0;
        }
    }
    TagCurrentPosting written = *record;
    std::memcpy(written.Key, GENERAL_KEY_CURRPOSTING, GENERAL_KEY_SIZE);
    s = table.Update(written);
    table.UnlockAll();
    if (!s.Ok())
        s.Report(1, 0);
    return s.Ok() ? 1 : 0;
}

int SetCurrentPosting(int settings, int32_t first, int32_t last)
{
    TagCurrentPosting record{};
    std::memcpy(record.Key, GENERAL_KEY_CURRPOSTING, GENERAL_KEY_SIZE);
    record.Flag = 'Y';
    record.First = first;
    record.Last = last;
    return WriteCurrentPosting(settings, &record);
}

int ClearCurrentPosting(int settings)
{
    TagCurrentPosting record{};
    std::memcpy(record.Key, GENERAL_KEY_CURRPOSTING, GENERAL_KEY_SIZE);
    record.Flag = 'N';
    return WriteCurrentPosting(settings, &record);
}

int RemoveGLTransaction(int operation, uint16_t headers, uint16_t lines, const char* journal,
                        const char* number)
{
    if (journal == nullptr || number == nullptr)
        return B_INVALID_OPERATION;
    Table headerTable, lineTable;
    headerTable.Borrow(FileNo::LedgerHeader, headers);
    lineTable.Borrow(FileNo::LedgerDetail, lines);
    const int keptKey = headerTable.Key();
    headerTable.SetKey(0);
    const TagLedgerKey wanted = KeyOf(journal, number);
    KeyBuffer key;
    key.Set(wanted);
    JoinedBatch batch;
    TagGLHeader header;
    Status s = headerTable.Get(B_GET_EQUAL, key, header);
    if (s.Ok()) {
        if (operation == B_UPDATE)
            CopyText(header.Reference, LEDGER_DELETED_TEXT);
        s = headerTable.Write(operation, &header, sizeof header);
        if (!s.Ok()) {
            headerTable.SetKey(keptKey);
            ReportRecordManagerError(s.status, 1, B_DELETE, No(FileNo::LedgerHeader), 0);
            return s.status;
        }
    }
    lineTable.SetKey(0);
    key.Set(wanted);
    TagLedgerDetail line;
    s = lineTable.Get(B_GET_GE, key, line);
    while (s.Ok() && SameTransaction(line, wanted)) {
        s = lineTable.Delete();
        if (!s.Ok())
            break;
        s = lineTable.Get(B_GET_NEXT, key, line);
    }
    headerTable.SetKey(keptKey);
    if (!s.Ok() && !s.NotFound()) {
        ReportRecordManagerError(s.status, 1, B_DELETE, No(FileNo::LedgerDetail), 0);
        return s.status;
    }
    s = batch.Commit();
    return s.status;
}

int WriteGLTransaction(uint16_t headers, uint16_t lines, const char* journal, const char* number,
                       const char* description, int32_t date, double amount,
                       const TagAccount* account, const char* reference)
{
    if (journal == nullptr || number == nullptr || account == nullptr || !std::isfinite(amount))
        return 0;
    const char side = (account->Type == ACCOUNT_ASSET || account->Type == ACCOUNT_EXPENSE ||
                       account->Type == ACCOUNT_OTHER_DEBIT)
                          ? (amount >= 0 ? 'D' : 'C')
                          : (amount >= 0 ? 'C' : 'D');
    amount = std::fabs(amount);
    TagGLHeader header{};
    JournalKey(header.JournalCode, journal);
    CopyText(header.TranNo, sizeof header.TranNo, number);
    header.TranDate = date;
    header.StartDate = date;
    if (reference != nullptr) {
        PadText(header.Reference, sizeof header.Reference,
                FieldText(reference, sizeof header.Reference).c_str());
    } else {
        char text[16];
        FxPadString(text, 10, ' ');
        FxDateFormat(text, date);
        CopyText(header.Reference, sizeof header.Reference, text);
    }
    header.Posted = 'Y';
    header.Deleted = 'N';
    header.Reverse = 'N';
    header.DebitTotal = amount;

    Table headerTable, lineTable;
    headerTable.Borrow(FileNo::LedgerHeader, headers);
    lineTable.Borrow(FileNo::LedgerDetail, lines);
    JoinedBatch batch;
    Status s = batch.Ok() ? headerTable.Insert(header) : batch.Begun();
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_INSERT, No(FileNo::LedgerHeader), 0);
        return 0;
    }
    TagLedgerDetail line{};
    std::memcpy(line.JournalCode, header.JournalCode, sizeof line.JournalCode);
    std::memcpy(line.TranNo, header.TranNo, sizeof line.TranNo);
    line.LineNo = 0;
    std::memcpy(line.Account, account->Number, sizeof line.Account);
    CopyText(line.Description, sizeof line.Description, description);
    line.DebitCredit = side;
    line.Amount = amount;
    line.TranDate = date;
    s = lineTable.Insert(line);
    if (s.Ok()) {
        line.LineNo = 1;
        PadText(line.Account, "D");
        line.DebitCredit = side == 'D' ? 'C' : 'D';
        s = lineTable.Insert(line);
    }
    if (s.Ok())
        s = batch.Commit();
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_INSERT, No(FileNo::LedgerDetail), 0);
        RemoveGLTransaction(B_UPDATE, headers, lines, header.JournalCode, header.TranNo);
        batch.Abort();
        return 0;
    }
    return 1;
}

int MergeGLLine(TagLedgerDetail* line, uint16_t lines, int accountType, int32_t* debitCounter,
                int32_t* creditCounter)
{
    if (line == nullptr || debitCounter == nullptr || creditCounter == nullptr ||
        !std::isfinite(line->Amount))
        return 0;
    const bool debitNormal = accountType == ACCOUNT_ASSET || accountType == ACCOUNT_EXPENSE ||
                             accountType == ACCOUNT_OTHER_DEBIT;
    Table table;
    table.Borrow(FileNo::LedgerDetail, lines);
    const int keptKey = table.Key();
    table.SetKey(1);
    TagLedgerAccountKey wanted{};
    std::memcpy(wanted.JournalCode, line->JournalCode, sizeof wanted.JournalCode);
    std::memcpy(wanted.TranNo, line->TranNo, sizeof wanted.TranNo);
    std::memcpy(wanted.Account, line->Account, sizeof wanted.Account);
    KeyBuffer key;
    key.Set(wanted);
    TagLedgerDetail found;
    Status s = table.Get(B_GET_EQUAL, key, found);
    if (s.Ok()) {
        const bool reversed = debitNormal ? found.DebitCredit == 'C' : found.DebitCredit == 'D';
        double foundAmount = reversed ? -found.Amount : found.Amount;
        double sum = foundAmount + line->Amount;
        if ((reversed && sum > 0) || (!reversed && sum < 0)) {
            if (found.DebitCredit == 'D') {
                found.DebitCredit = 'C';
                *creditCounter += 1;
                line->LineNo = static_cast<uint16_t>(*creditCounter);
            } else {
                found.DebitCredit = 'D';
                *debitCounter += 1;
                line->LineNo = static_cast<uint16_t>(*debitCounter);
            }
        }
        if (sum < 0)
            sum = -sum;
        found.Amount = sum;
        s = table.Update(found);
        if (s.Ok())
            *line = found;
        else
            s.Report(1, 0);
    } else if (s.Is(B_KEY_NOT_FOUND)) {
        if (line->Amount <= 0) {
            line->Amount = -line->Amount;
            line->DebitCredit = debitNormal ? 'C' : 'D';
        } else {
            line->DebitCredit = debitNormal ? 'D' : 'C';
        }
        int32_t& counter = line->DebitCredit == 'D' ? *debitCounter : *creditCounter;
        counter += 1;
        line->LineNo = static_cast<uint16_t>(counter);
        s = table.Insert(*line);
        if (!s.Ok())
            s.Report(1, 0);
    } else {
        s.Report(1, 0);
    }
    table.SetKey(keptKey);
    return s.Ok() ? 1 : 0;
}

}  // extern "C"

BWPS_ORDINAL(98, NextUnpostedInRange);
BWPS_ORDINAL(99, GetRecordDateAndDeleted);
BWPS_ORDINAL(102, ReadRecordByKey);
BWPS_ORDINAL(103, UpdateRecord);
BWPS_ORDINAL(107, DrawJournalNumber);
BWPS_ORDINAL(108, InsertGLHeaderRecord);
BWPS_ORDINAL(109, AddGLDetailAmount);
BWPS_ORDINAL(110, PostChartOfAccounts);
BWPS_ORDINAL(111, ShowPostingStatus);
BWPS_ORDINAL(112, SelectKeySavePosition);
BWPS_ORDINAL(113, RestoreKeyPosition);
BWPS_ORDINAL(115, AssemblyHasItemIn);
BWPS_ORDINAL(116, ReadCurrentPosting);
BWPS_ORDINAL(117, WriteCurrentPosting);
BWPS_ORDINAL(118, SetCurrentPosting);
BWPS_ORDINAL(119, ClearCurrentPosting);
BWPS_ORDINAL(120, PostChartOfAccountsLocked);
BWPS_ORDINAL(201, WriteGLTransaction);
BWPS_ORDINAL(202, RemoveGLTransaction);
BWPS_ORDINAL(203, MergeGLLine);
BWPS_ORDINAL(859, PostGLToAccounts);
