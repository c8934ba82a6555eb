// Chart-of-accounts services: account numbers and records, the difference
// account and the roll-up of an amount through the parent chain.

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/accounts.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "fx.h"
#include "posting/chart_internal.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

constexpr int kInactive = 10000;        // get equal met an inactive record
constexpr std::size_t kMaxLevels = 64;  // deeper chains are taken as broken
constexpr int kMissingParentMessage = 233;

const char* const kTypeTexts[8] = {"",        "Asset",   "Liability", "Capital",
                                   "Revenue", "Expense", "Other Cr",  "Other Dr"};

bool DebitNormal(int type)
{
    return type == ACCOUNT_ASSET || type == ACCOUNT_EXPENSE || type == ACCOUNT_OTHER_DEBIT;
}

// A read of the chart that passes over inactive records ('A', blank or
// zero at 568 are active).
Status ReadActive(Table& accounts, int op, KeyBuffer& key, TagAccount& record)
{
    Status s = accounts.Get(op, key, record);
    if (s.Ok() && record.RecordStatus != 'A' && record.RecordStatus != ' ' &&
        record.RecordStatus != '\0')
        return {kInactive, op % 100, FileNo::Accounts};
    return s;
}

KeyBuffer AccountKeyBuffer(const char* account)
{
    KeyBuffer key;
    const std::string text = AccountKey(account);
    std::memcpy(key.bytes, text.data(), text.size());
    return key;
}

void Apply(TagAccount& record, char side, int alternate, int period, double amount)
{
    // The record is packed: totals are read and written by value.
    double debit = alternate ? record.DebitTotal2 : record.DebitTotal;
    double credit = alternate ? record.CreditTotal2 : record.CreditTotal;
    if (side == 'D') {
        if (amount >= 0)
            debit += amount;
        else
            credit += -amount;
    } else {
        if (amount >= 0)
            credit += amount;
        else
            debit += -amount;
    }
    if (alternate) {
        record.DebitTotal2 = debit;
        record.CreditTotal2 = credit;
    } else {
        record.DebitTotal = debit;
        record.CreditTotal = credit;
    }
    double signedAmount = amount;
    if (DebitNormal(record.Type) ? side == 'C' : side == 'D')
        signedAmount = -amount;
    record.Balance += signedAmount;
    record.Periods[period] += signedAmount;
}

}  // namespace

namespace bwps::posting {

Status RollUpAmount(Table& accounts, const char* account, char side, int alternate, int period,
                    double amount, FxStatus* progress, int lockBias, bool& missingParent,
                    bool apply)
{
    missingParent = false;
    if (account == nullptr || period < 0 || period >= ACCOUNT_PERIODS || !std::isfinite(amount))
        return {B_INVALID_OPERATION, B_GET_EQUAL, FileNo::Accounts};
    // The whole chain first: nothing changes unless every parent is there.
    std::vector<std::string> chain;
    KeyBuffer key = AccountKeyBuffer(account);
    TagAccount record;
    for (;;) {
        Status s = ReadActive(accounts, B_GET_EQUAL + lockBias, key, record);
        if (!s.Ok()) {
            missingParent = s.Is(B_KEY_NOT_FOUND) || s.Is(kInactive);
            if (s.Is(kInactive))
                s.status = B_KEY_NOT_FOUND;
            return s;
        }
        std::string number = AccountKey(record.Number);
        for (const std::string& seen : chain) {
            if (seen == number) {   // a chain that comes back on itself has no top
                missingParent = true;
                return {B_KEY_NOT_FOUND, B_GET_EQUAL, FileNo::Accounts};
            }
        }
        chain.push_back(number);
        if (record.Level == '1')
            break;
        if (chain.size() >= kMaxLevels) {
            missingParent = true;
            return {B_KEY_NOT_FOUND, B_GET_EQUAL, FileNo::Accounts};
        }
        key = AccountKeyBuffer(record.Parent);
    }
    if (lockBias != 0)
        accounts.UnlockAll();
    if (!apply)
        return Success();
    for (const std::string& number : chain) {
        if (progress != nullptr)
            FxStatusUpdate(progress, 0);
        key = AccountKeyBuffer(number.c_str());
        Status s = accounts.Get(B_GET_EQUAL + lockBias, key, record);
        if (!s.Ok())
            return s;
        Apply(record, side, alternate, period, amount);
        s = accounts.Update(record);
        if (lockBias != 0)
            accounts.UnlockAll();
        if (!s.Ok())
            return s;
    }
    return Success();
}

}  // namespace bwps::posting

extern "C" {

int PostAccountAmount(uint16_t accounts, const char* account, char side, int alternate,
                      int period, double amount, FxStatus* progress)
{
    Table table;
    table.Borrow(FileNo::Accounts, accounts);
    JoinedBatch batch;
    if (!batch.Ok()) {
        batch.Begun().Report(1, 0);
        return batch.Begun().status;
    }
    bool missingParent = false;
    Status s = RollUpAmount(table, account, side, alternate, period, amount, progress, 0,
                            missingParent);
    if (s.Ok())
        s = batch.Commit();
    if (!s.Ok()) {
        batch.Abort();
        if (missingParent)
            ShowMessage(kMissingParentMessage, MESSAGE_DEFAULT_CONTEXT);
        else
            s.Report(1, 0);
    }
    return s.status;
}

int PostAccountAmountStatus(uint16_t accounts, const char* account, char side, int alternate,
                            int period, double amount, TagPostingStatus* block,
                            FxStatus* progress)
{
    Table table;
    table.Borrow(FileNo::Accounts, accounts);
    if (block != nullptr) {
        std::memset(block, 0, sizeof *block);
        block->FileNumber = No(FileNo::Accounts);
        block->Operation = B_GET_EQUAL;
        if (account != nullptr)
            CopyText(block->Key, ACCOUNT_NUMBER_WIDTH, account);
    }
    JoinedBatch batch;
    Status s = batch.Ok() ? Success() : batch.Begun();
    bool missingParent = false;
    if (s.Ok())
        s = RollUpAmount(table, account, side, alternate, period, amount, progress, 0,
                         missingParent);
    if (s.Ok())
        s = batch.Commit();
    if (!s.Ok())
        batch.Abort();
    if (block != nullptr) {
        block->Status = s.status;
        if (!s.Ok())
            block->Operation = s.operation;
    }
    return s.status;
}

int AccountHasAmounts(const TagAccount* record)
{
    if (record == nullptr)
        return 0;
    double balance = record->Balance;
    if (!FxIsZeroAmount(&balance))
        return 1;
    for (double amount : record->Periods) {
        if (!FxIsZeroAmount(&amount))
            return 2;
    }
    return 0;
}

int ValidateAccountNo(uint16_t accounts, const char* account, TagAccount* out)
{
    if (account == nullptr || account[0] == '\0')
        return 0;
    TagAccount local;
    TagAccount& record = out != nullptr ? *out : local;
    Table table;
    table.Borrow(FileNo::Accounts, accounts);
    KeyBuffer key = AccountKeyBuffer(account);
    Status s = ReadActive(table, B_GET_EQUAL, key, record);
    if (s.Ok())
        return 1;
    // Not found, inactive, or a read error: never an account from a stale
    // buffer. A read error is reported.
    if (!s.Is(B_KEY_NOT_FOUND) && !s.Is(kInactive))
        s.Report(1, 0);
    std::memset(&record, 0, sizeof record);
    return 0;
}

int ValidateAccountKeepPosition(uint16_t accounts, const char* account)
{
    Table table;
    table.Borrow(FileNo::Accounts, accounts);
    table.SetKey(1);
    uint32_t position = 0;
    const bool kept = table.Position(position).Ok();
    TagAccount record;
    const int result = ValidateAccountNo(accounts, account, &record);
    table.SetKey(0);
    if (kept) {
        ReadDirect(table, position, record);
    }
    return result;
}

const char* AccountTypeText(int type)
{
    return type >= 1 && type <= 7 ? kTypeTexts[type] : nullptr;
}

int IsDifferenceAccount(const char* account)
{
    return account != nullptr && TrimRight(FieldText(account, 64)) == "D" ? 1 : 0;
}

int InitAccountRecord(TagAccount* record)
{
    if (record == nullptr)
        return 0;
    std::memset(record, 0, sizeof *record);
    record->Type = ACCOUNT_ASSET;
    record->Kind = 'G';
    record->CheckRegister = 'N';
    record->Value80 = 1;
    record->NextNumber = 1;
    return 0;
}

int CompareAccountRecords(int count, const TagAccount* a, const TagAccount* b)
{
    if (a == nullptr || b == nullptr)
        return 1;
    auto same = [](const char* x, const char* y, std::size_t width) {
        return FieldText(x, width) == FieldText(y, width);
    };
    if (!same(a->Number, b->Number, 11) || !same(a->Parent, b->Parent, 11) ||
        !same(a->Description, b->Description, 26) || !same(a->Text64, b->Text64, 11) ||
        a->Type != b->Type || a->Level != b->Level || a->Kind != b->Kind ||
        a->CheckRegister != b->CheckRegister)
        return 1;
    if (count > ACCOUNT_PERIODS)
        count = ACCOUNT_PERIODS;
    for (int i = 0; i < count; ++i) {
        if (!FxAmountsEqual(a->Periods2[i], b->Periods2[i]))
            return 1;
    }
    return 0;
}

int BuildAccountNo(char* out11, const char* base, const char* suffix)
{
    if (out11 == nullptr)
        return 0;
    std::string joined = TrimRight(base != nullptr ? FieldText(base, 64) : "") +
                         TrimRight(suffix != nullptr ? FieldText(suffix, 64) : "");
    PadText(out11, ACCOUNT_NUMBER_WIDTH, joined.c_str());
    return 0;
}

int ReadAccountRecord(const char* account)
{
    Table table;
    Status s = table.Open(FileNo::Accounts);
    if (!s.Ok()) {
        s.Report(1, 0);
        return 0;
    }
    TagAccount record;
    KeyBuffer key = AccountKeyBuffer(account);
    return account != nullptr && table.Get(B_GET_EQUAL, key, record).Ok() ? 1 : 0;
}

int GetDifferenceAccount(uint16_t accounts, int lockBias, TagAccount* out)
{
    Table table;
    table.Borrow(FileNo::Accounts, accounts);
    TagAccount local;
    TagAccount& record = out != nullptr ? *out : local;
    uint32_t position = 0;
    const bool kept = out == nullptr && table.Position(position).Ok();
    KeyBuffer key = AccountKeyBuffer("D");
    Status s = table.Get(B_GET_EQUAL + lockBias, key, record);
    if (s.Is(B_KEY_NOT_FOUND)) {
        InitAccountRecord(&record);
        PadText(record.Number, "D");
        CopyText(record.Description, "Difference");
        record.Level = '1';
        record.Type = ACCOUNT_OTHER_DEBIT;
        record.Kind = 'D';
        record.CheckRegister = 'N';
        record.Value80 = 0;
        record.NextNumber = 0;
        CopyText(record.TypeText, "Other Dr");
        s = table.Insert(record);
        if (s.Ok()) {
            key = AccountKeyBuffer("D");
            s = table.Get(B_GET_EQUAL + lockBias, key, record);
        }
    } else if (s.InUse()) {
        s.status = 37;
    }
    if (!s.Ok())
        s.Report(1, 0);
    if (kept) {
        TagAccount other;
        ReadDirect(table, position, other);
    }
    return s.Ok() ? 1 : 0;
}

int LockDifferenceAccount(uint16_t accounts, TagAccount* out)
{
    Table table;
    table.Borrow(FileNo::Accounts, accounts);
    TagAccount local;
    TagAccount& record = out != nullptr ? *out : local;
    int started = FxClock();
    for (;;) {
        KeyBuffer key = AccountKeyBuffer("D");
        Status s = table.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, record);
        if (!s.InUse())
            return s.status;
        const int now = FxClock();
        if ((now - started + 1440) % 1440 > 2) {
            int choice = 1;
            AskMessage(1373, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, nullptr, -1, -1, 0, 0,
                       0);
            if (choice == 2)
                return s.status;
            started = FxClock();
        }
        BtrLockDelay(1);
    }
}

int ReadPostingAccount(int climb, uint16_t accounts, const char* account, TagAccount* out,
                       TagPostingStatus* block)
{
    TagPostingStatus localBlock;
    TagPostingStatus& b = block != nullptr ? *block : localBlock;
    std::memset(&b, 0, sizeof b);
    b.FileNumber = No(FileNo::Accounts);
    b.Operation = B_GET_EQUAL;
    if (account != nullptr)
        CopyText(b.Key, ACCOUNT_NUMBER_WIDTH, account);
    TagAccount local;
    TagAccount& record = out != nullptr ? *out : local;
    Table table;
    table.Borrow(FileNo::Accounts, accounts);
    KeyBuffer key = AccountKeyBuffer(account);
    Status s = table.Get(B_GET_EQUAL, key, record);
    std::size_t levels = 0;
    while (climb && s.Ok() && record.Level != '1' && ++levels < kMaxLevels) {
        PadText(b.Key, ACCOUNT_NUMBER_WIDTH, TrimRight(FieldText(record.Parent, 11)).c_str());
        key = AccountKeyBuffer(record.Parent);
        s = table.Get(B_GET_EQUAL, key, record);
    }
    b.Status = s.status;
    return s.status;
}

int ReadPostingAccounts(int climb, uint16_t accounts, TagAccount* out,
                        const void* interfaceRecord, TagPostingStatus* block, ...)
{
    if (interfaceRecord == nullptr)
        return B_INVALID_OPERATION;
    const auto* interface = static_cast<const TagInterfaceRecord*>(interfaceRecord);
    TagPostingStatus localBlock;
    TagPostingStatus* b = block != nullptr ? block : &localBlock;
    int status = 0;
    va_list args;
    va_start(args, block);
    for (int index = va_arg(args, int); index >= 0 && index <= 11; index = va_arg(args, int)) {
        status = ReadPostingAccount(climb, accounts, interface->Accounts[index], out, b);
        if (status == 0)
            continue;
        if (status == 9 || status == 4) {
            char* names[168] = {};
            int width = 0, count = 0;
            std::string name;
            if (FxTextListLoad(403, names, &width, &count, 168) == 0) {
                if (index < count && names[index] != nullptr)
                    name = names[index];
                FxTextListFree(names);
            }
            PostingErrorWindow(1319, 2, 1, {FieldText(b->Key, sizeof b->Key), name});
        } else {
            PostingDatabaseErrorWindow(2, 1, status, B_GET_EQUAL, No(FileNo::Accounts));
        }
        break;
    }
    va_end(args);
    return status;
}

}  // extern "C"

BWPS_ORDINAL(1, PostAccountAmount);
BWPS_ORDINAL(2, AccountHasAmounts);
BWPS_ORDINAL(3, ValidateAccountNo);
BWPS_ORDINAL(4, ValidateAccountKeepPosition);
BWPS_ORDINAL(5, AccountTypeText);
BWPS_ORDINAL(6, GetDifferenceAccount);
BWPS_ORDINAL(7, IsDifferenceAccount);
BWPS_ORDINAL(8, InitAccountRecord);
BWPS_ORDINAL(9, CompareAccountRecords);
BWPS_ORDINAL(10, BuildAccountNo);
BWPS_ORDINAL(12, ReadAccountRecord);
BWPS_ORDINAL(104, ReadPostingAccount);
BWPS_ORDINAL(105, PostAccountAmountStatus);
BWPS_ORDINAL(106, LockDifferenceAccount);
BWPS_ORDINAL(114, ReadPostingAccounts);
