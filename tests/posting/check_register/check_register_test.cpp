// CBaseCheckReg over an interfaced company: deposits of sales, single
// entries, the online switch and locks held by another process.
#include "bwps/files.h"
#include "bwps/options.h"
#include "recman_testing.h"
#include "bwps/check_register.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "bwps/records/accounts.h"
#include "bwps/records/tenders.h"
#include "tests/posting/registers/company.h"
#include "tests/support/library.h"

namespace {

using regtest::Put;

std::string Text(const char* field, size_t width)
{
    size_t n = strnlen(field, width);
    return std::string(field, n);
}
std::string Trimmed(const char* field, size_t width)
{
    std::string text = Text(field, width);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

void Pad(char* field, size_t width, const char* text)
{
    std::memset(field, ' ', width - 1);
    field[width - 1] = '\0';
    std::memcpy(field, text, std::min(std::strlen(text), width - 1));
}

struct Tender {
    const char* code;
    double amount;
    const char* ref;
};

class CheckRegisterTest : public regtest::CompanyTest {
protected:
    void SetUp() override
    {
        regtest::CompanyTest::SetUp();
        if (HasFatalFailure())
            return;
        SetAccountingCompanyPath(data().c_str());
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateSessionDataFile(bwps::No(bwps::FileNo::CheckRegister), 0, data().c_str(), nullptr, spec), 0);
        ASSERT_EQ(CreateSessionDataFile(bwps::No(bwps::FileNo::AccountingGeneral), 0, data().c_str(), nullptr, spec), 0);
        SetOption('Y');
        SetApplied('Y');
        // Files of the accounting company, named as an interfaced store names them.
        for (int file : {1, 12, 13}) {
            if (!std::filesystem::exists(Path(file))) {
                ASSERT_EQ(CreateSessionDataFile(file, 0, data().c_str(), nullptr, spec), 0);
            }
        }
        PutAccount("1010", 'Y', 101);
        PutAccount("1020", 'Y', 7);
        PutAccount("1200", 'N', 1);
        PutTender("CASH", "1010");
        PutTender("CHECK", "1020");
        PutTender("CARD", "1200");
        PutTender("LOST", "9999");
    }

    // The store's option (the accounting company's "0System        ").
    void SetOption(char flag)
    {
        TagSystemPref system{};
        std::memcpy(system.Key, GENERAL_KEY_SYSTEM, GENERAL_KEY_SIZE);
        system.Options[OPTION_REGISTER_ONLINE] = static_cast<uint8_t>(flag);
        ASSERT_EQ(bwpstest::PutRecord(Path(bwps::No(bwps::FileNo::AccountingGeneral)), &system, 16, &system, sizeof system), 0);
    }
    // The applied flag (byte 453 of "0sysinterface  ").
    void SetApplied(char flag)
    {
        TagSysInterface r{};
        std::memcpy(r.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
        r.Interfaced = 1;
        r.InterfacedChar = 'Y';
        Put(r.AccountingFolder, data().c_str());
        r.OnlineCheckRegister = flag;
        PutSettings(&r, sizeof r);
        LoadSysInterfaceRecord();
        SetInterfacedFlag(1);
    }
    char Applied()
    {
        TagSysInterface r{};
        uint16_t h = Open(bwps::No(bwps::FileNo::General));
        char key[256] = {};
        std::memcpy(key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
        EXPECT_EQ(BtrGet(B_GET_EQUAL, h, key, &r, sizeof r), 0);
        BtrCloseFile(h);
        return r.OnlineCheckRegister;
    }
    void PutAccount(const char* number, char bank, int32_t next)
    {
        TagAccount a{};
        Pad(a.Number, sizeof a.Number, number);
        Put(a.Description, "Bank");
        a.Level = '1';
        a.Type = 1;
        a.Kind = 'D';
        a.CheckRegister = bank;
        a.NextNumber = next;
        a.RecordStatus = 'A';
        Insert(1, a);
    }
    void PutTender(const char* code, const char* account)
    {
        TagTender t{};
        Pad(t.Code, sizeof t.Code, code);
        Pad(t.Account, sizeof t.Account, account);
        Insert(33, t);
    }
    static TagSalesHdr Sale(const char* invoice, char type, Tender first, Tender second = {},
                            const char* customer = "C100", const char* name = "Ann Smith")
    {
        TagSalesHdr h{};
        Put(h.InvoiceNo, invoice);
        h.Type = type;
        Put(h.CustomerNo, customer);
        std::memcpy(h.CustomerName, name, std::min(std::strlen(name), sizeof h.CustomerName));
        h.TranDate = 20260105;
        if (first.code != nullptr) {
            Put(h.Tender1, first.code);
            h.TenderAmount1 = first.amount;
            if (first.ref != nullptr)
                Put(h.TenderRef1, first.ref);
        }
        if (second.code != nullptr) {
            Put(h.Tender2, second.code);
            h.TenderAmount2 = second.amount;
            if (second.ref != nullptr)
                Put(h.TenderRef2, second.ref);
        }
        return h;
    }
    TagSalesHdr Stored(const char* invoice)
    {
        for (const TagSalesHdr& h : All<TagSalesHdr>(36))
            if (Text(h.InvoiceNo, 11) == invoice)
                return h;
        ADD_FAILURE() << "no sale " << invoice;
        return TagSalesHdr{};
    }
    std::vector<TagCheckRegister> Entries() { return All<TagCheckRegister>(8, 2); }
    TagCheckRegister Entry(int32_t key)
    {
        for (const TagCheckRegister& e : Entries())
            if (e.TranKey == key)
                return e;
        ADD_FAILURE() << "no entry " << key;
        return TagCheckRegister{};
    }
    // Amount per account of the live (not void) entries.
    std::map<std::string, double> Balances()
    {
        std::map<std::string, double> out;
        for (const TagCheckRegister& e : Entries())
            if (e.Kind != 'V')
                out[Trimmed(e.Account, 11) + " " + e.Kind] += e.Amount;
        return out;
    }
    bool UpdateFromPos(const TagSalesHdr& h, bool posted = false)
    {
        TagSalesHdr copy = h;
        CBaseCheckReg reg;
        return reg.UpdateFromPos(copy, posted);
    }
};

// ---- Deposits of a sale, one per method of payment

struct DepositCase {
    const char* name;
    TagSalesHdr sale;
    struct Want {
        const char* account;
        char kind;
        double amount;
        const char* checkNo;
        const char* mop;
        const char* payee;
        const char* description;
    };
    std::vector<Want> entries;
};

TEST_F(CheckRegisterTest, DepositsOfSalesOverThreeTenders)
{
    TagSalesHdr layaway = Sale("L7", 3, {"CHECK", 15, "1200"});
    Put(layaway.LayawayCustomer, "C300");
    TagSalesHdr cash = Sale("P9", 6, {"CASH", 50, nullptr}, {"1020", 0, "CK998877665"});
    cash.Tendered = 50;
    cash.CashAmount = -15;
    const std::string walkIn(40, ' ');
    const std::vector<DepositCase> cases = {
        {"cash and check",
         Sale("S1", 1, {"CASH", 60, nullptr}, {"CHECK", 40, "552"}),
         {{"1010", 'D', 60, "     101", "CASH", "C100", "Ann Smith"},
          {"1020", 'D', 40, "       7", "CHECK", "C100", "Ann Smith"}}},
        {"card account outside the register",
         Sale("S2", 1, {"CHECK", 30, nullptr}, {"CARD", 20, nullptr}),
         {{"1020", 'D', 30, "       7", "CHECK", "C100", "Ann Smith"}}},
        {"refund by check", Sale("S3", 1, {"CHECK", -25, "CHK123456789"}),
         {{"1020", 'M', 25, "CHK12345", "CHECK", "C100", "Ann Smith"}}},
        {"walk-in", Sale("S4", 1, {"CASH", 12, nullptr}, {}, "", ""),
         {{"1010", 'D', 12, "     101", "CASH", "", "POS Deposit - Walk-in"}}},
        {"layaway in progress", layaway,
         {{"1020", 'D', 15, "       7", "CHECK", "C300", "Ann Smith"}}},
        {"cash in and out", cash,
         {{"1010", 'D', 50, "     101", "CASH", "C100", "Ann Smith"},
          {"1020", 'M', 15, "CK998877", "1020", "C100", "Ann Smith"}}},
        {"nothing tendered", Sale("S5", 1, {"CASH", 10, nullptr}, {"CHECK", -10, nullptr}), {}},
    };
    for (const DepositCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = Count(8);
        Insert(36, c.sale);
        TagSalesHdr copy = c.sale;
        CBaseCheckReg reg;
        ASSERT_TRUE(reg.UpdateFromPos(copy, false));
        ASSERT_EQ(Count(8) - before, static_cast<int>(c.entries.size()));
        const TagSalesHdr stored = Stored(Text(c.sale.InvoiceNo, 11).c_str());
        const int32_t keys[2] = {stored.DepositKey1, stored.DepositKey2};
        EXPECT_EQ(+copy.DepositKey1, +stored.DepositKey1);
        EXPECT_EQ(+copy.DepositKey2, +stored.DepositKey2);
        size_t next = 0;
        for (int32_t key : keys) {
            if (key == 0)
                continue;
            ASSERT_LT(next, c.entries.size());
            const auto& want = c.entries[next++];
            const TagCheckRegister e = Entry(key);
            EXPECT_EQ(Trimmed(e.Account, 11), want.account);
            EXPECT_EQ(e.Kind, want.kind);
            EXPECT_EQ(e.KindDigit, want.kind == 'D' ? '1' : '3');
            EXPECT_DOUBLE_EQ(+e.Amount, want.amount);
            EXPECT_EQ(Text(e.CheckNo, 9), want.checkNo);
            EXPECT_EQ(Text(e.Reference, 15), Text(c.sale.InvoiceNo, 11));
            EXPECT_EQ(Text(e.Reference2, 11), want.mop);
            EXPECT_EQ(Text(e.Payee, 11), want.payee);
            std::string description = want.description;
            description.resize(40, ' ');
            EXPECT_EQ(Text(e.Description, 41), description);
            EXPECT_EQ(+e.Status, 'O');
            EXPECT_EQ(e.Source, 'S');
            EXPECT_EQ(e.Posted, 'N');
            EXPECT_EQ(+e.Date, 20260105);
        }
        EXPECT_EQ(next, c.entries.size());
    }
}

TEST_F(CheckRegisterTest, PostingASaleAgainUpdatesItsEntries)
{
    TagSalesHdr sale = Sale("S1", 1, {"CASH", 60, nullptr}, {"CHECK", 40, nullptr});
    Insert(36, sale);
    ASSERT_TRUE(UpdateFromPos(sale));
    const TagSalesHdr first = Stored("S1");
    ASSERT_TRUE(UpdateFromPos(Stored("S1")));
    EXPECT_EQ(Count(8), 2);
    const TagSalesHdr second = Stored("S1");
    EXPECT_EQ(+second.DepositKey1, +first.DepositKey1);
    EXPECT_EQ(+second.DepositKey2, +first.DepositKey2);

    // Posted with the option off: the override writes them posted.
    SetApplied('N');
    Insert(36, Sale("S2", 1, {"CASH", 5, nullptr}));
    CBaseCheckReg reg;
    TagSalesHdr s2 = Stored("S2");
    ASSERT_TRUE(reg.UpdateFromPos(s2, true));
    EXPECT_EQ(Count(8), 2) << "option off: nothing";
    reg.SetOverrideOnLine(true);
    ASSERT_TRUE(reg.UpdateFromPos(s2, true));
    ASSERT_EQ(Count(8), 3);
    EXPECT_EQ(Entries().back().Posted, 'Y');
}

TEST_F(CheckRegisterTest, ASaleThatCannotBeDepositedWritesNothing)
{
    struct Case {
        const char* name;
        TagSalesHdr sale;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {"account of the second tender missing",
         Sale("B1", 1, {"CASH", 60, nullptr}, {"LOST", 40, nullptr}),
         "Account not found: 9999"},
        {"tender missing", Sale("B2", 1, {"CASH", 60, nullptr}, {"GONE", 40, nullptr}), "BPOSTEND"},
        {"amount not a number",
         Sale("B3", 1, {"CASH", std::numeric_limits<double>::quiet_NaN(), nullptr}), "B3"},
        {"amount too large", Sale("B4", 1, {"CASH", 1e15, nullptr}), "B4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FxTranscriptClear();
        Insert(36, c.sale);
        EXPECT_FALSE(UpdateFromPos(c.sale));
        EXPECT_EQ(Count(8), 0) << "no deposit of the sale is left half-written";
        const TagSalesHdr stored = Stored(Text(c.sale.InvoiceNo, 11).c_str());
        EXPECT_EQ(+stored.DepositKey1, 0);
        EXPECT_TRUE(TranscriptHas(c.shown)) << FxTranscript();
    }
}

// ---- Single entries

TEST_F(CheckRegisterTest, SingleEntriesPostCheckNumbersAndDeletes)
{
    CBaseCheckReg reg;
    TagCheckRegister r{};
    Put(r.Account, "1010");
    r.Kind = 'D';
    r.KindDigit = '1';
    r.Amount = 10;
    r.Posted = 'N';
    ASSERT_TRUE(reg.Update(r));
    const long k1 = reg.GetTranKey();
    r.Kind = 'V';
    r.Amount = 99;
    ASSERT_TRUE(reg.InsertReg(r));
    const long k2 = reg.GetTranKey();
    EXPECT_GT(k1, 0);
    EXPECT_NE(k1, k2);
    // A void is stored with amount 0, written by Update too.
    r.Amount = 99;
    ASSERT_TRUE(reg.Update(r));
    const long k3 = reg.GetTranKey();
    EXPECT_DOUBLE_EQ(+Entry(static_cast<int32_t>(k3)).Amount, 0.0);

    EXPECT_FALSE(reg.Post(0, 0, nullptr, nullptr));
    EXPECT_TRUE(reg.Post(k1, 0, "POSTREF-1234567890", nullptr));
    EXPECT_EQ(Entry(static_cast<int32_t>(k1)).Posted, 'Y');
    EXPECT_EQ(Text(Entry(static_cast<int32_t>(k1)).Reference, 15), "POSTREF-123456");
    EXPECT_FALSE(reg.Post(987654, 0, nullptr, nullptr));

    EXPECT_TRUE(reg.Update(k1, "12345678901"));
    EXPECT_EQ(Text(Entry(static_cast<int32_t>(k1)).CheckNo, 9), "12345678");
    EXPECT_FALSE(reg.Update(0L, "1"));

    // An entry changed in amount goes back to outstanding.
    TagCheckRegister cleared = Entry(static_cast<int32_t>(k1));
    cleared.Status = 'C';
    cleared.Amount = 10;
    reg.SetReg(cleared);
    ASSERT_TRUE(reg.Update(k1, false));
    reg.SetReg(cleared);
    reg.GetPtr()->Amount = 11;
    ASSERT_TRUE(reg.Update(k1, false));
    EXPECT_EQ(Entry(static_cast<int32_t>(k1)).Status, 'O');

    // Not there: inserted, unless told not to.
    reg.SetReg(r);
    EXPECT_FALSE(reg.Update(424242, true));
    const int before = Count(8);
    EXPECT_TRUE(reg.Update(424242, false));
    EXPECT_EQ(Count(8), before + 1);

    EXPECT_TRUE(reg.Delete(k2, 0));
    EXPECT_FALSE(reg.Delete(k2, k3)) << "k2 is gone";
    EXPECT_TRUE(reg.Delete(0, k3));
    EXPECT_EQ(Count(8), before - 1);

    // Amounts that cannot be stored are refused with a message.
    r.Kind = 'D';
    r.Amount = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(reg.Update(r));
    r.Amount = -5;
    EXPECT_FALSE(reg.InsertReg(r));
    EXPECT_EQ(Count(8), before - 1);
}

// ---- The online switch

TEST_F(CheckRegisterTest, OnlineSwitchedOnOffAndOnAgainLeavesOneSetOfDeposits)
{
    SetApplied('N');
    Insert(36, Sale("S1", 1, {"CASH", 60, nullptr}, {"CHECK", 40, nullptr}));
    Insert(36, Sale("S2", 1, {"CHECK", -25, "CHK77"}));
    TagSalesHdr posted = Sale("S3", 1, {"CASH", 70, nullptr});
    posted.Flags = 2;
    Insert(36, posted);
    TagSalesHdr voided = Sale("S4", 'V', {"CASH", 80, nullptr});
    Insert(36, voided);

    // Applied and wanted agree: nothing asked.
    SetOption('N');
    {
        CBaseCheckReg reg;
        EXPECT_TRUE(reg.VerifyChkRegOnLine());
        EXPECT_EQ(Count(8), 0);
    }
    const std::map<std::string, double> want = {{"1010 D", 60}, {"1020 D", 40}, {"1020 M", 25}};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        SetOption('Y');
        FxTranscriptClear();
        FxScriptLoad("key Enter\n");
        {
            CBaseCheckReg reg;
            EXPECT_TRUE(reg.VerifyChkRegOnLine());
        }
        EXPECT_TRUE(TranscriptHas("RSASKChkRegOnLine")) << FxTranscript();
        EXPECT_EQ(Applied(), 'Y');
        EXPECT_EQ(Balances(), want);
        EXPECT_NE(+Stored("S1").DepositKey1, 0);
        EXPECT_EQ(+Stored("S3").DepositKey1, 0) << "a posted sale has no deposit here";

        SetOption('N');
        FxTranscriptClear();
        FxScriptLoad("key Enter\n");
        {
            CBaseCheckReg reg;
            EXPECT_TRUE(reg.VerifyChkRegOnLine());
        }
        EXPECT_TRUE(TranscriptHas("RSAskChkRegUndo")) << FxTranscript();
        EXPECT_EQ(Applied(), 'N');
        EXPECT_TRUE(Balances().empty()) << "the unposted deposits left with their keys";
        EXPECT_EQ(+Stored("S1").DepositKey1, 0);
        EXPECT_EQ(+Stored("S2").DepositKey1, 0);
    }
    // The withdrawal was voided each time, never deleted.
    int voids = 0;
    for (const TagCheckRegister& e : Entries()) {
        EXPECT_EQ(e.Kind, 'V');
        EXPECT_DOUBLE_EQ(+e.Amount, 0.0);
        EXPECT_EQ(Text(e.Reference2, 11), "VOID");
        ++voids;
    }
    EXPECT_EQ(voids, 2);

    // Answered No: the option and the register stay as they are.
    SetOption('Y');
    FxScriptLoad("key Tab\nkey Enter\n");
    CBaseCheckReg reg;
    EXPECT_FALSE(reg.VerifyChkRegOnLine());
    EXPECT_EQ(Applied(), 'N');
    EXPECT_TRUE(Balances().empty());
}

TEST_F(CheckRegisterTest, UndoKeepsPostedEntries)
{
    Insert(36, Sale("S1", 1, {"CASH", 60, nullptr}, {"CHECK", 40, nullptr}));
    ASSERT_TRUE(UpdateFromPos(Stored("S1")));
    const TagSalesHdr s1 = Stored("S1");
    CBaseCheckReg reg;
    ASSERT_TRUE(reg.Post(s1.DepositKey1, 0, nullptr, nullptr));
    ASSERT_TRUE(reg.Undo());
    ASSERT_EQ(Count(8), 1);
    EXPECT_EQ(+Entries()[0].TranKey, +s1.DepositKey1);
    EXPECT_EQ(+Stored("S1").DepositKey1, 0);
}

// A sales file whose records are shorter than a sale: the walk meets a read
// error, which is no verified register.
TEST_F(CheckRegisterTest, VerifyFailsOnAReadErrorOfTheSales)
{
    const std::string path = Path(36);
    ASSERT_TRUE(std::filesystem::remove(path));
    TagFileSpec spec{};
    spec.RecordLength = 500;
    spec.PageSize = 4096;
    spec.KeyCount = 1;
    TagKeySegment segment{};
    segment.Position = 1;
    segment.Length = 11;
    segment.Flags = KF_DUPLICATES | KF_MODIFIABLE;
    ASSERT_EQ(BtrCreateFile(path.c_str(), &spec, &segment), 0);
    char record[500] = {};
    std::strcpy(record, "S1");
    uint16_t h = Open(bwps::No(bwps::FileNo::SalesHeader));
    char key[256] = {};
    ASSERT_EQ(BtrWrite(B_INSERT, h, key, record, sizeof record), 0);
    BtrCloseFile(h);
    CBaseCheckReg reg;
    EXPECT_FALSE(reg.Verify());
}

// ---- A lock held by a second process

class SecondProcess {
public:
    // The child opens `path`, locks the record found by get equal on `key`
    // of key number `keyNumber` (multiple no-wait lock) and holds it until
    // Release.
    SecondProcess(const std::string& path, int keyNumber, const void* keyBytes, size_t keyLength)
    {
        RecmanReset();
        if (::pipe(ready_) != 0 || ::pipe(done_) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            uint16_t h = 0;
            char code = 'L';
            if (BtrOpenFile(&h, path.c_str(), 0, 0) != 0)
                code = 'O';
            char key[256] = {};
            std::memcpy(key, keyBytes, keyLength);
            char data[4096];
            if (code == 'L' && BtrSetDefaults(h, keyNumber, -1) != 0)
                code = 'K';
            if (code == 'L' &&
                BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, h, key, data, sizeof data) != 0)
                code = 'G';
            (void)!::write(ready_[1], &code, 1);
            char c;
            (void)!::read(done_[0], &c, 1);
            ::_exit(0);
        }
        char c = 0;
        if (::read(ready_[0], &c, 1) == 1)
            locked_ = c == 'L';
    }
    ~SecondProcess() { Release(); }
    bool Locked() const { return locked_; }
    void Release()
    {
        if (pid_ <= 0)
            return;
        char c = 'x';
        (void)!::write(done_[1], &c, 1);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        for (int fd : {ready_[0], ready_[1], done_[0], done_[1]})
            ::close(fd);
    }

private:
    int ready_[2] = {-1, -1};
    int done_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool locked_ = false;
};

TEST_F(CheckRegisterTest, RegisterEntryLockedByAnotherProcessIsNeverDoubled)
{
    Insert(36, Sale("S1", 1, {"CASH", 60, nullptr}, {"CHECK", 40, nullptr}));
    ASSERT_TRUE(UpdateFromPos(Stored("S1")));
    const TagSalesHdr s1 = Stored("S1");
    const std::vector<TagCheckRegister> before = Entries();
    ASSERT_EQ(before.size(), 2u);
    TagSalesHdr changed = s1;
    changed.TenderAmount2 = 45;
    ASSERT_EQ(bwpstest::PutRecord(Path(36), changed.InvoiceNo, 11, &changed, sizeof changed), 0);
    {
        SecondProcess other(Path(8), 2, &s1.DepositKey2, 4);
        ASSERT_TRUE(other.Locked());
        FxTranscriptClear();
        // The sale: its deposits stay as they were.
        CBaseCheckReg reg;
        TagSalesHdr copy = changed;
        EXPECT_FALSE(reg.UpdateFromPos(copy, false));
        EXPECT_EQ(reg.GetResult(), B_RECORD_IN_USE);
        // One entry through Update (key, noInsert).
        TagCheckRegister entry = before[1];
        entry.Amount = 45;
        reg.SetReg(entry);
        EXPECT_FALSE(reg.Update(s1.DepositKey2, false));
        EXPECT_EQ(reg.GetResult(), B_RECORD_IN_USE);
        const std::vector<TagCheckRegister> after = Entries();
        ASSERT_EQ(after.size(), 2u) << "no duplicate deposit";
        EXPECT_EQ(std::memcmp(&after[0], &before[0], sizeof after[0]), 0);
        EXPECT_EQ(std::memcmp(&after[1], &before[1], sizeof after[1]), 0);
        const TagSalesHdr stored = Stored("S1");
        EXPECT_EQ(+stored.DepositKey1, +s1.DepositKey1);
        EXPECT_EQ(+stored.DepositKey2, +s1.DepositKey2);
    }
    // Once the other station lets go, the change goes through.
    EXPECT_TRUE(UpdateFromPos(Stored("S1")));
    EXPECT_EQ(Count(8), 2);
    EXPECT_DOUBLE_EQ(+Entry(s1.DepositKey2).Amount, 45);
}

TEST_F(CheckRegisterTest, SaleLockedByAnotherProcessGetsNoDeposit)
{
    Insert(36, Sale("S2", 1, {"CASH", 60, nullptr}));
    char invoice[11] = "S2";
    SecondProcess other(Path(36), 0, invoice, sizeof invoice);
    ASSERT_TRUE(other.Locked());
    EXPECT_FALSE(UpdateFromPos(Stored("S2")));
    EXPECT_EQ(Count(8), 0);
    other.Release();
    EXPECT_TRUE(UpdateFromPos(Stored("S2")));
    EXPECT_EQ(Count(8), 1);
}

// ---- Ledger transactions

TEST_F(CheckRegisterTest, LedgerLinesOfBankAccountsBecomeEntries)
{
    TagGLHeader h{};
    Pad(h.JournalCode, sizeof h.JournalCode, "GJ");
    Put(h.TranNo, "000042");
    h.TranDate = 20260107;
    Put(h.Reference, "DEP-77");
    h.Posted = 'N';
    Insert(13, h);
    const struct {
        const char* account;
        char side;
        double amount;
    } lines[] = {{"1010", 'D', 100}, {"4101", 'C', 70}, {"1200", 'C', 30}};
    uint16_t n = 1;
    for (const auto& l : lines) {
        TagLedgerDetail d{};
        std::memcpy(d.JournalCode, h.JournalCode, sizeof d.JournalCode);
        std::memcpy(d.TranNo, h.TranNo, sizeof d.TranNo);
        d.LineNo = n++;
        Pad(d.Account, sizeof d.Account, l.account);
        Put(d.Description, "Deposit");
        d.DebitCredit = l.side;
        d.Amount = l.amount;
        d.TranDate = h.TranDate;
        Insert(12, d);
    }
    for (int round = 0; round < 2; ++round) {
        FxTranscriptClear();
        CBaseCheckReg reg;
        ASSERT_TRUE(reg.UpdateFromGLTran(h));
        EXPECT_TRUE(TranscriptHas("Acct. No. [4101")) << FxTranscript();
        ASSERT_EQ(Count(8), 1) << "round " << round;
    }
    const TagCheckRegister e = Entries()[0];
    EXPECT_EQ(e.Kind, 'D');
    EXPECT_EQ(e.Source, 'G');
    EXPECT_DOUBLE_EQ(+e.Amount, 100);
    EXPECT_EQ(Text(e.CheckNo, 9), "DEP-77");
    EXPECT_EQ(Text(e.Reference, 15), "000042");
    bool keyed = false;
    for (const TagLedgerDetail& d : All<TagLedgerDetail>(12))
        if (d.RegisterKey == e.TranKey)
            keyed = true;
    EXPECT_TRUE(keyed);
}

}  // namespace
