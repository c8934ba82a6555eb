// The repair of the online ledger (CBaseGLExt) and check register
// (CBaseCheckRegExt), the ledger's online switch (VerifyGLOnLine) and the
// verification runs, over an interfaced store whose accounting company is
// its own folder. The ledger transactions, register entries and sales are
// made through the ledger and register classes.
#include "bwps/files.h"
#include "bwps/options.h"
#include "recman_testing.h"
#include "bwps/check_register.h"
#include "bwps/ledger.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "fx.h"
#include "posting/posting_internal.h"
#include "tests/posting/fixture.h"
#include "tests/support/library.h"

namespace fs = std::filesystem;
using namespace bwps::posting;

namespace {

using postingtest::ReadAll;

std::string Text(const char* field, size_t width)
{
    return TrimRight(FieldText(field, width));
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The lines of a log, each of which must end with CR LF.
std::vector<std::string> LogLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a log line without CR LF: " << text.substr(at);
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// A second process that holds a multiple-record lock on one record (found
// by get equal on a key) until Release.
class SecondProcess {
public:
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

class RepairTest : public postingtest::PostingTest {
protected:
    void SetUp() override
    {
        PostingTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // The store is interfaced; its accounting company is its own folder,
        // so the accounting settings file is the store's.
        std::vector<std::string> storeNames(101);
        for (int n = 1; n <= 100; ++n)
            storeNames[n] = GetDataFileName(n);
        SetAccountingCompanyPath(data_.c_str());
        SetApplied('Y', 'Y');
        SetInterfacedFlag(1);
        // The files an interfaced store shares with the accounting company
        // take their accounting names: the store's records go with them.
        for (int n = 1; n <= 100; ++n) {
            const std::string shared = DataPath(GetDataFileName(n));
            const std::string own = DataPath(storeNames[n].c_str());
            if (shared != own && !fs::exists(shared) && fs::exists(own))
                fs::copy_file(own, shared);
        }
        // The accounting company's settings begin as a copy of the store's.
        fs::copy_file(FilePath(bwps::No(bwps::FileNo::General)), FilePath(bwps::No(bwps::FileNo::AccountingGeneral)), fs::copy_options::skip_existing);
        uint8_t spec[FILE_SPEC_SIZE] = {};
        for (int file : {8, 30}) {
            if (!fs::exists(FilePath(file))) {
                ASSERT_EQ(CreateSessionDataFile(file, 0, data_.c_str(), nullptr, spec), 0);
            }
        }
        TagInterfaceRecord accounts{};
        SetInterfacedFlag(0);   // the built-in defaults are those of a store on its own
        InterfaceRecordDefaults(&accounts, nullptr);
        SetInterfacedFlag(1);
        std::memcpy(accounts.Key, GENERAL_KEY_INTERFACE, GENERAL_KEY_SIZE);
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::AccountingGeneral)), accounts.Key, 16, &accounts, sizeof accounts), 0);
        SetWanted('Y', 'Y');
        for (const char* bank : {"11021", "11031"}) {
            TagAccount a = Account(bank);
            a.CheckRegister = 'Y';
            a.NextNumber = 100;
            ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::Accounts)), a.Number, 11, &a, sizeof a), 0);
        }
        FxTranscriptClear();
    }

    // The applied flags: bytes 452 (ledger) and 453 (register) of
    // "0sysinterface  ".
    void SetApplied(char ledger, char reg)
    {
        TagSysInterface r{};
        std::memcpy(r.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
        SetInterfacedFlag(0);
        InterfaceRecordDefaults(nullptr, &r);
        r.Interfaced = 1;
        r.InterfacedChar = 'Y';
        std::snprintf(r.AccountingFolder, sizeof r.AccountingFolder, "%s", data_.c_str());
        r.OnlineLedger = ledger;
        r.OnlineCheckRegister = reg;
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::General)), r.Key, 16, &r, sizeof r), 0);
        LoadSysInterfaceRecord();
        SetInterfacedFlag(1);
    }
    TagSysInterface Applied()
    {
        for (const TagSysInterface& r : ReadAll<TagSysInterface>(FilePath(bwps::No(bwps::FileNo::General))))
            if (std::memcmp(r.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE) == 0)
                return r;
        ADD_FAILURE() << "no 0sysinterface record";
        return TagSysInterface{};
    }
    // The store's options (the accounting company's "0System        ").
    void SetWanted(char ledger, char reg)
    {
        TagSystemPref system{};
        std::memcpy(system.Key, GENERAL_KEY_SYSTEM, GENERAL_KEY_SIZE);
        system.Options[OPTION_LEDGER_ONLINE] = static_cast<uint8_t>(ledger);
        system.Options[OPTION_REGISTER_ONLINE] = static_cast<uint8_t>(reg);
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::AccountingGeneral)), &system, 16, &system, sizeof system), 0);
    }

    // A cash sale of one product, paid by one tender.
    TagSalesHdr StoreSale(const char* invoice, const char* tender, double amount,
                          const char* ref = nullptr, uint16_t flags = 0, char type = '1')
    {
        TagSalesHdr h = postingtest::Sale(invoice, type, amount);
        CopyText(h.Tender1, tender);
        h.TenderAmount1 = amount;
        h.Tendered = amount;
        if (ref != nullptr)
            CopyText(h.TenderRef1, ref);
        h.Flags = flags;
        PutSale(h, {{'P', "WIDGET", "", amount < 0 ? -1.0 : 1.0, amount}});
        return h;
    }
    void RemoveSale(const char* invoice)
    {
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, FilePath(bwps::No(bwps::FileNo::SalesHeader)).c_str(), 0, 0), 0);
        char key[256] = {};
        std::memcpy(key, invoice, std::strlen(invoice));
        TagSalesHdr sale;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, &sale, sizeof sale), 0);
        ASSERT_EQ(BtrWrite(B_DELETE, h, nullptr, &sale, sizeof sale), 0);
        BtrCloseFile(h);
    }
    void Rewrite(const TagSalesHdr& sale)
    {
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::SalesHeader)), sale.InvoiceNo, 11, &sale, sizeof sale), 0);
    }

    // A ledger transaction of journal "PO" made through CBaseGL: a debit to
    // the cash account and a credit to sales. Its key.
    int32_t WritePO(const char* source, char deleted = 'N')
    {
        CBaseGL gl;
        EXPECT_TRUE(gl.OpenTables());
        EXPECT_TRUE(gl.BeginTran());
        TagGLHeader h{};
        CopyText(h.JournalCode, "PO");
        h.TranDate = 20260105;
        CopyText(h.Reference, source);
        CopyText(h.SourceDocument, source);
        h.Deleted = deleted;
        gl.InsertHeader(&h);
        for (auto [account, side] : {std::pair{"11021", 'D'}, std::pair{"4101", 'C'}}) {
            TagLedgerDetail d{};
            CopyText(d.Account, account);
            CopyText(d.Description, "Sale");
            d.DebitCredit = side;
            d.Amount = 12.5;
            EXPECT_TRUE(gl.InsertDetail(&d)) << gl.GetError();
        }
        EXPECT_TRUE(gl.Committ(true)) << gl.GetError();
        gl.EndTran();
        return static_cast<int32_t>(gl.GetTranKey());
    }
    TagGLHeader Header(int32_t key)
    {
        for (const TagGLHeader& h : Headers())
            if (h.TranKey == key)
                return h;
        ADD_FAILURE() << "no ledger header " << key;
        return TagGLHeader{};
    }
    void MarkPosted(int32_t key)
    {
        TagGLHeader h = Header(key);
        h.Posted = 'Y';
        ASSERT_EQ(bwpstest::PutRecord(FilePath(bwps::No(bwps::FileNo::LedgerHeader)), h.JournalCode, 18, &h, sizeof h), 0);
    }
    int LiveTransactions()
    {
        int n = 0;
        for (const TagGLHeader& h : Headers())
            n += h.Deleted != 'Y';
        return n;
    }
    int SalesKeyCount()
    {
        bwpstest::FileStat stat;
        EXPECT_TRUE(bwpstest::StatFile(FilePath(bwps::No(bwps::FileNo::SalesHeader)), stat));
        return stat.keyCount;
    }

    // Register entries.
    std::vector<TagCheckRegister> Entries() { return ReadAll<TagCheckRegister>(FilePath(bwps::No(bwps::FileNo::CheckRegister))); }
    bool HasEntry(int32_t key, TagCheckRegister* out = nullptr)
    {
        for (const TagCheckRegister& e : Entries())
            if (e.TranKey == key) {
                if (out != nullptr)
                    *out = e;
                return true;
            }
        return false;
    }
    TagSalesHdr Deposited(const TagSalesHdr& sale)
    {
        TagSalesHdr copy = sale;
        CBaseCheckReg reg;
        EXPECT_TRUE(reg.UpdateFromPos(copy, false)) << FxTranscript();
        return ReadSale(Text(sale.InvoiceNo, 11).c_str());
    }

    bool TranscriptHas(const std::string& text) const
    {
        return std::string(FxTranscript()).find(text) != std::string::npos;
    }

    std::string LogPath() const { return data_ + "/repair.log"; }
};

// ---- The ledger repair

TEST_F(RepairTest, LedgerRepairMarksOnlyUnpostedPOTransactionsWhoseSaleIsGone)
{
    // A "POS" transaction of an online posting whose sale gave up its key.
    TagSalesHdr online = StoreSale("S1", "CASH", 20);
    {
        CBaseGL gl;
        ASSERT_TRUE(gl.UpdateFromSalesTran(online)) << gl.GetError() << FxTranscript();
    }
    const int32_t pos = ReadSale("S1").LedgerKey;
    ASSERT_GT(pos, 0);
    TagSalesHdr s1 = ReadSale("S1");
    s1.LedgerKey = 0;
    Rewrite(s1);

    // "PO" transactions: one whose sale carries its key, one whose sale is
    // gone, one posted, one deleted, one without a source document.
    TagSalesHdr kept = StoreSale("S2", "CASH", 30);
    const int32_t keptKey = WritePO("S2");
    kept.LedgerKey = keptKey;
    Rewrite(kept);
    const int32_t gone = WritePO("GONE");
    const int32_t posted = WritePO("GONE2");
    MarkPosted(posted);
    const int32_t deleted = WritePO("GONE3", 'Y');
    const int32_t noSource = WritePO("");
    const size_t posLines = LinesOf(Header(pos)).size();
    const int keysBefore = SalesKeyCount();
    const size_t linesBefore = AllLines().size();

    std::FILE* log = std::fopen(LogPath().c_str(), "wb");
    ASSERT_NE(log, nullptr);
    CBaseGLExt repair;
    EXPECT_EQ(repair.SetFileHandle(log), nullptr);
    EXPECT_TRUE(repair.FixIntegrity()) << FxTranscript();
    EXPECT_EQ(repair.SetFileHandle(nullptr), log);
    std::fclose(log);

    const TagGLHeader marker = Header(gone);
    EXPECT_EQ(marker.Deleted, 'Y');
    EXPECT_EQ(Text(marker.Reference, 11), "DELETED");
    EXPECT_TRUE(LinesOf(marker).empty());
    EXPECT_EQ(AllLines().size(), linesBefore - 2) << "only the lines of the gone sale went";
    for (int32_t untouched : {pos, keptKey, posted, deleted, noSource}) {
        SCOPED_TRACE(untouched);
        EXPECT_NE(Text(Header(untouched).Reference, 11), "DELETED");
        EXPECT_EQ(LinesOf(Header(untouched)).size(), untouched == pos ? posLines : 2u);
    }
    const std::vector<std::string> lines = LogLines(FileText(LogPath()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Deleted GL transaction number " + TrimmedField(marker.TranNo, 11) +
                            ", journal code PO. Invalid source transaction.");
    EXPECT_EQ(repair.GetNumRecords(), 1);
    EXPECT_TRUE(TranscriptHas("progress open RSCheckingOnlineGL")) << FxTranscript();
    // The index on the sales' ledger key lives only while the repair runs.
    EXPECT_EQ(SalesKeyCount(), keysBefore);
}

TEST_F(RepairTest, LedgerRepairOfAnEmptyLedgerOpensNoDialogAndOfAStoreOfflineFails)
{
    CBaseGLExt repair;
    EXPECT_TRUE(repair.FixIntegrity());
    EXPECT_FALSE(TranscriptHas("RSCheckingOnlineGL")) << FxTranscript();
    EXPECT_EQ(repair.GetNumRecords(), 0);

    WritePO("GONE");
    SetApplied('N', 'Y');
    CBaseGLExt offline;
    EXPECT_FALSE(offline.FixIntegrity());
    EXPECT_EQ(LiveTransactions(), 1);
}

// A sale that another station holds is not taken for a missing one: the
// repair stops, says so, and marks nothing.
TEST_F(RepairTest, LedgerRepairMarksNothingWhenASaleCannotBeRead)
{
    TagSalesHdr held = StoreSale("S1", "CASH", 20);
    held.LedgerKey = WritePO("S1");
    Rewrite(held);
    WritePO("GONE");
    char invoice[11] = "S1";
    SecondProcess other(FilePath(bwps::No(bwps::FileNo::SalesHeader)), 0, invoice, sizeof invoice);
    ASSERT_TRUE(other.Locked());

    std::FILE* log = std::fopen(LogPath().c_str(), "wb");
    CBaseGLExt repair;
    repair.SetFileHandle(log);
    EXPECT_FALSE(repair.FixIntegrity());
    std::fclose(log);
    EXPECT_EQ(LiveTransactions(), 2);
    const std::vector<std::string> lines = LogLines(FileText(LogPath()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Could not check GL transaction number"), std::string::npos);
    EXPECT_TRUE(TranscriptHas("84")) << FxTranscript();

    other.Release();
    CBaseGLExt again;
    EXPECT_TRUE(again.FixIntegrity());
    EXPECT_EQ(LiveTransactions(), 1);
}

TEST_F(RepairTest, EscStopsTheLedgerRepairBetweenTransactions)
{
    std::vector<int32_t> keys;
    for (const char* source : {"GONE1", "GONE2", "GONE3"})
        keys.push_back(WritePO(source));
    FxScriptLoad("wait\nkey Esc\n");
    std::FILE* log = std::fopen(LogPath().c_str(), "wb");
    CBaseGLExt repair;
    repair.SetFileHandle(log);
    EXPECT_FALSE(repair.FixIntegrity());
    std::fclose(log);
    const std::vector<std::string> lines = LogLines(FileText(LogPath()));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("Deleted GL transaction"), std::string::npos);
    EXPECT_NE(lines[1].find("Deleted GL transaction"), std::string::npos);
    EXPECT_NE(lines[2].find("cancelled"), std::string::npos);
    EXPECT_EQ(repair.GetNumRecords(), 3);
    EXPECT_EQ(Header(keys[2]).Deleted, 'N') << "the transaction after Esc stays";
}

// ---- The ledger's online switch

TEST_F(RepairTest, VerifyGLOnLineBringsTheAppliedFlagInLineWithTheOption)
{
    StoreSale("S1", "CASH", 20);
    StoreSale("S2", "CHECK", 30);
    StoreSale("S3", "CASH", 40, nullptr, 2);   // posted by a posting run
    StoreSale("S4", "CASH", 50, nullptr, 0, 'V');
    SetApplied('N', 'Y');
    struct Step {
        const char* name;
        char wanted;
        const char* script;
        bool result;
        char applied;
        const char* asked;
        int live;   // ledger transactions that are not markers
    } steps[] = {
        {"option and flag agree: nothing asked", 'N', "", true, 'N', nullptr, 0},
        {"turned on, Continue: every unposted sale posted", 'Y', "key Enter\n", true, 'Y',
         "RSASKGLONLINE", 2},
        {"turned off, Continue: their transactions go", 'N', "key Enter\n", true, 'N',
         "RSAskGLUNDO", 0},
        {"turned on, Exit: nothing changes", 'Y', "key Tab\nkey Enter\n", false, 'N',
         "RSASKGLONLINE", 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        SetWanted(step.wanted, 'Y');
        FxTranscriptClear();
        FxScriptLoad(step.script);
        {
            CBaseGL gl;
            EXPECT_EQ(gl.VerifyGLOnLine(), step.result) << FxTranscript();
        }
        EXPECT_EQ(Applied().OnlineLedger, step.applied);
        EXPECT_EQ(LiveTransactions(), step.live);
        if (step.asked != nullptr)
            EXPECT_TRUE(TranscriptHas(std::string("window name ") + step.asked)) << FxTranscript();
        else
            EXPECT_FALSE(TranscriptHas("window name RS")) << FxTranscript();
        const bool on = step.live > 0;
        EXPECT_EQ(ReadSale("S1").LedgerKey > 0, on);
        EXPECT_EQ(ReadSale("S2").LedgerKey > 0, on);
        EXPECT_EQ(+ReadSale("S3").LedgerKey, 0);
        EXPECT_EQ(+ReadSale("S4").LedgerKey, 0);
    }
}

// Turning the option on writes the sales one by one; when one fails, those
// written before it are taken out again before the flag goes back off.
TEST_F(RepairTest, TurningTheLedgerOnThatFailsMidwayLeavesNoTransactions)
{
    StoreSale("S1", "CASH", 20);
    StoreSale("S2", "CASH", 30);
    SetApplied('N', 'Y');
    char invoice[11] = "S2";
    SecondProcess other(FilePath(bwps::No(bwps::FileNo::SalesHeader)), 0, invoice, sizeof invoice);
    ASSERT_TRUE(other.Locked());
    FxScriptLoad("key Enter\n");
    {
        CBaseGL gl;
        EXPECT_TRUE(gl.VerifyGLOnLine());
    }
    EXPECT_TRUE(TranscriptHas("The online general ledger could not be turned on")) << FxTranscript();
    EXPECT_EQ(Applied().OnlineLedger, 'N');
    EXPECT_EQ(LiveTransactions(), 0);
    EXPECT_EQ(+ReadSale("S1").LedgerKey, 0);
}

// ---- The check-register repair

TEST_F(RepairTest, RegisterRepairVoidsOrDeletesEntriesWithoutTheirSale)
{
    PutTender("BANK2", "11031");
    const TagSalesHdr kept = Deposited(StoreSale("S1", "CASH", 60));
    const TagSalesHdr gone = Deposited(StoreSale("S2", "CASH", 30));
    const TagSalesHdr refund = Deposited(StoreSale("S3", "CASH", -20, "CHK9"));
    const TagSalesHdr moved = Deposited(StoreSale("S4", "BANK2", 40));
    const TagSalesHdr posted = Deposited(StoreSale("S5", "CASH", 70));
    ASSERT_TRUE(CBaseCheckReg().Post(posted.DepositKey1));
    // A numbered check of a sale that is gone, and an entry of a ledger
    // transaction.
    TagCheckRegister check{};
    CopyText(check.Account, "11031");
    CopyText(check.CheckNo, "1001");
    check.Kind = 'C';
    check.KindDigit = '3';
    check.Amount = 15;
    check.Source = 'S';
    check.Posted = 'N';
    CBaseCheckReg inserter;
    ASSERT_TRUE(inserter.InsertReg(check));
    const int32_t checkKey = static_cast<int32_t>(inserter.GetTranKey());
    TagCheckRegister ledger = check;
    CopyText(ledger.CheckNo, "");
    ledger.Kind = 'D';
    ledger.Source = 'G';
    ASSERT_TRUE(inserter.InsertReg(ledger));
    const int32_t ledgerKey = static_cast<int32_t>(inserter.GetTranKey());

    std::map<int32_t, TagCheckRegister> entries;
    for (const TagCheckRegister& e : Entries())
        entries[+e.TranKey] = e;
    RemoveSale("S2");
    RemoveSale("S3");
    RemoveSale("S5");
    PutTender("BANK2", "11021");   // S4's tender now names another bank

    std::FILE* log = std::fopen(LogPath().c_str(), "wb");
    CBaseCheckRegExt repair;
    repair.SetFileHandle(log);
    EXPECT_TRUE(repair.FixIntegrity()) << FxTranscript();
    std::fclose(log);

    struct Want {
        const char* name;
        int32_t key;
        bool present;
        char kind;   // when present
    } wants[] = {
        {"sale still there", kept.DepositKey1, true, 'D'},
        {"sale gone: deposit deleted", gone.DepositKey1, false, 0},
        {"sale gone: withdrawal voided", refund.DepositKey1, true, 'V'},
        {"tender of another bank: deposit deleted", moved.DepositKey1, false, 0},
        {"posted: left", posted.DepositKey1, true, 'D'},
        {"numbered check without sale: voided", checkKey, true, 'V'},
        {"entry of a ledger transaction: left", ledgerKey, true, 'D'},
    };
    for (const Want& w : wants) {
        SCOPED_TRACE(w.name);
        TagCheckRegister e{};
        ASSERT_EQ(HasEntry(w.key, &e), w.present);
        if (!w.present)
            continue;
        EXPECT_EQ(e.Kind, w.kind);
        if (w.kind == 'V') {
            EXPECT_DOUBLE_EQ(+e.Amount, 0.0);
            EXPECT_EQ(Text(e.Reference2, 11), "VOID");
            EXPECT_EQ(e.Posted, 'Y');
        }
    }
    const std::vector<std::string> lines = LogLines(FileText(LogPath()));
    EXPECT_EQ(static_cast<int>(lines.size()), repair.GetNumRecords());
    auto line = [&](const char* verb, const TagCheckRegister& e) {
        return std::string(verb) + " check number " + Text(e.CheckNo, sizeof e.CheckNo) +
               " from account " + Text(e.Account, sizeof e.Account) +
               ". Invalid source transaction.";
    };
    std::vector<std::string> want = {
        line("Deleted", entries.at(+gone.DepositKey1)),
        line("Voided", entries.at(+refund.DepositKey1)),
        line("Deleted", entries.at(+moved.DepositKey1)),
        line("Voided", entries.at(checkKey)),
    };
    std::vector<std::string> sorted = lines;
    std::sort(sorted.begin(), sorted.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(sorted, want);
    EXPECT_EQ(Text(entries.at(+refund.DepositKey1).CheckNo, 9), "CHK9");
}

TEST_F(RepairTest, RegisterRepairOfAnEmptyRegisterOpensNoDialog)
{
    CBaseCheckRegExt repair;
    EXPECT_TRUE(repair.FixIntegrity());
    EXPECT_FALSE(TranscriptHas("RSCheckingOnlineCK")) << FxTranscript();
}

// A sale that another station holds is not judged: its deposit (whose
// tender moved to another bank) stays until the sale can be read.
TEST_F(RepairTest, RegisterRepairChangesNothingWhileASaleIsLocked)
{
    PutTender("BANK2", "11031");
    const TagSalesHdr moved = Deposited(StoreSale("S1", "BANK2", 40));
    PutTender("BANK2", "11021");
    const std::vector<TagCheckRegister> before = Entries();
    {
        char invoice[11] = "S1";
        SecondProcess other(FilePath(bwps::No(bwps::FileNo::SalesHeader)), 0, invoice, sizeof invoice);
        ASSERT_TRUE(other.Locked());
        CBaseCheckRegExt repair;
        EXPECT_FALSE(repair.FixIntegrity());
        const std::vector<TagCheckRegister> after = Entries();
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(std::memcmp(after.data(), before.data(), sizeof after[0] * after.size()), 0);
    }
    CBaseCheckRegExt repair;
    EXPECT_TRUE(repair.FixIntegrity());
    EXPECT_FALSE(HasEntry(moved.DepositKey1));
}

// ---- The verification runs

class VerificationRunTest : public RepairTest {
protected:
    std::string GLLog() const { return data_ + "/ONLINEGL.LOG"; }
    std::string CKLog() const { return data_ + "/ONLINECK.LOG"; }
};

TEST_F(VerificationRunTest, ACleanStoreGetsTheOneLineLog)
{
    StoreSale("S1", "CASH", 20);
    EXPECT_EQ(BWPSVerifyOnlineGenLedger(program_.c_str(), data_.c_str()), 0) << FxTranscript();
    EXPECT_EQ(LogLines(FileText(GLLog())),
              std::vector<std::string>{"No invalid transactions were detected in the GL."});
    EXPECT_GT(+ReadSale("S1").LedgerKey, 0) << "the verification posts the unposted sale";

    EXPECT_EQ(BWPSVerifyOnlineCheckRegister(program_.c_str(), data_.c_str()), 0) << FxTranscript();
    EXPECT_EQ(LogLines(FileText(CKLog())),
              std::vector<std::string>{
                  "No invalid source transactions were detected in the check register."});
    EXPECT_GT(+ReadSale("S1").DepositKey1, 0);
}

TEST_F(VerificationRunTest, RepairsAreLoggedAndAFailedRepairAnswers32)
{
    WritePO("GONE");
    EXPECT_EQ(BWPSVerifyOnlineGenLedger(program_.c_str(), data_.c_str()), 0) << FxTranscript();
    std::vector<std::string> lines = LogLines(FileText(GLLog()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Deleted GL transaction number", 0), 0u);

    // A sale that cannot be read stops the repair: the run says it failed,
    // although the verification after it (which passes over the posted
    // sale) succeeds.
    TagSalesHdr held = StoreSale("S1", "CASH", 20, nullptr, 2);
    held.LedgerKey = WritePO("S1");
    Rewrite(held);
    char invoice[11] = "S1";
    SecondProcess other(FilePath(bwps::No(bwps::FileNo::SalesHeader)), 0, invoice, sizeof invoice);
    ASSERT_TRUE(other.Locked());
    EXPECT_EQ(BWPSVerifyOnlineGenLedger(program_.c_str(), data_.c_str()), 32);
    lines = LogLines(FileText(GLLog()));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("Could not check"), std::string::npos);
}

TEST_F(VerificationRunTest, RefusesToRunInsideAnOpenSession)
{
    ASSERT_EQ(BWPSStartSession(program_.c_str(), data_.c_str()), 1);
    uint8_t before[RECMAN_CLIENT_BLOCK], after[RECMAN_CLIENT_BLOCK];
    BtrGetClientConfig(before);
    const std::string dataPath = GetSessionPaths()->DataPath;
    EXPECT_EQ(BWPSVerifyOnlineGenLedger(program_.c_str(), data_.c_str()), 32);
    EXPECT_EQ(BWPSVerifyOnlineCheckRegister(program_.c_str(), data_.c_str()), 32);
    BtrGetClientConfig(after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0) << "the open session stays";
    EXPECT_EQ(GetSessionPaths()->DataPath, dataPath);
    EXPECT_FALSE(fs::exists(GLLog()));
    EXPECT_FALSE(fs::exists(CKLog()));
    BWPSStopSession();
}

TEST_F(VerificationRunTest, ALogThatCannotBeCreatedIsReportedAndTheRunGoesOn)
{
    WritePO("GONE");
    fs::create_directories(GLLog() + "/in-the-way");
    EXPECT_EQ(BWPSVerifyOnlineGenLedger(program_.c_str(), data_.c_str()), 0);
    EXPECT_TRUE(TranscriptHas("could not be created")) << FxTranscript();
    EXPECT_EQ(LiveTransactions(), 0) << "the repair ran without its log";
}

TEST_F(VerificationRunTest, AStoreWithTheOptionOffIsToldAndWritesNoLog)
{
    SetApplied('N', 'N');
    EXPECT_EQ(BWPSVerifyOnlineGenLedger(program_.c_str(), data_.c_str()), 0);
    EXPECT_TRUE(TranscriptHas("will run only when")) << FxTranscript();
    EXPECT_FALSE(fs::exists(GLLog()));
    EXPECT_EQ(BWPSVerifyOnlineCheckRegister(program_.c_str(), data_.c_str()), 0);
    EXPECT_FALSE(fs::exists(CKLog()));
}

}  // namespace
