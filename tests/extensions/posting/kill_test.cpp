// The posting run killed (SIGKILL) at random moments, or cut by a power
// loss (a disk that keeps only what was synced), each time run again: the
// books end as those of a run never interrupted, every sale posted exactly
// once.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "bwps/files.h"
#include "bwps/records.h"
#include "bwps/records/products.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "fx.h"
#include "posting/posting_internal.h"
#include "recman.h"
#include "recman_testing.h"
#include "tests/posting/fixture.h"
#include "tests/support/library.h"
#include "tests/support/unsynced_disk.h"

namespace fs = std::filesystem;
using namespace postingtest;
using namespace bwps::posting;

namespace {

constexpr int kSales = 150;
constexpr int kKills = 50;

// What the books hold: per account the debit and credit totals, per
// product the quantity on hand, the sales posted, and the ledger lines'
// net per account.
struct Books {
    std::map<std::string, std::pair<double, double>> accounts;
    std::map<std::string, double> lineNet;
    std::map<std::string, double> onHand;
    int posted = 0;
};


double Cents(double v) { return std::round(v * 100.0) / 100.0; }

class PostingKillTest : public PostingTest {
protected:
    void SetUp() override
    {
        PostingTest::SetUp();
        if (IsSkipped())
            return;
        FxUseScriptDriver();
        SetOnline('N');
        for (int i = 0; i < kSales; ++i) {
            char invoice[11];
            std::snprintf(invoice, sizeof invoice, "%010d", 5000 + i);
            TagSalesHdr h = Sale(invoice, 1, 30.0 + i);
            h.FirstLineOffset = -1;
            CopyText(h.Tender1, i % 3 == 0 ? "CHECK" : "CASH");
            h.TenderAmount1 = h.Tendered = 30.0 + i;
            if (i % 5 == 0)
                PutSale(h, {{'P', "WIDGET", "", 1.0, 10.0}, {'S', "INSTALL", "", 1.0, 20.0 + i}});
            else
                PutSale(h, {{'P', "GADGET", "", 2.0, 30.0 + i}});
        }
    }

    Books Read(const std::string& folder)
    {
        Books b;
        ForEachRecord<TagAccount>(folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::Accounts)), [&](const TagAccount& a) {
            b.accounts[std::string(a.Number, 11)] = {Cents(a.DebitTotal), Cents(a.CreditTotal)};
        });
        ForEachRecord<TagLedgerDetail>(folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::LedgerDetail)), [&](const TagLedgerDetail& l) {
            b.lineNet[std::string(l.Account, 11)] += l.DebitCredit == 'D' ? l.Amount : -l.Amount;
        });
        for (auto& [account, net] : b.lineNet)
            net = Cents(net);
        ForEachRecord<TagProduct>(folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::Products)), [&](const TagProduct& p) {
            b.onHand[p.Code] = p.Amounts[6];
        });
        ForEachRecord<TagSalesHdr>(folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::SalesHeader)), [&](const TagSalesHdr& h) {
            b.posted += (h.Flags & 2) ? 1 : 0;
        });
        return b;
    }

    pid_t Start(const std::string& folder)
    {
        const pid_t pid = fork();
        if (pid == 0) {
            SessionBlock* session = GetSessionPaths();
            std::snprintf(session->DataPath, sizeof session->DataPath, "%s", folder.c_str());
            SetFolders(program_.c_str(), folder.c_str(), (program_ + "/RAZAVUR").c_str());
            FxScriptLoad("type 01/05/26\nkey F10\nanswer Continue\n");
            ShowPosPostScreen();
            _exit(0);
        }
        return pid;
    }

    static bool Ended(pid_t pid)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    // A copy of the company's data files, for the run never interrupted.
    std::string CopyOfTheCompany(const char* name = "reference")
    {
        const std::string copy = scratch_.path() + "/" + name;
        fs::create_directories(copy);
        for (const auto& entry : fs::directory_iterator(data_))
            fs::copy_file(entry.path(), copy + "/" + entry.path().filename().string());
        return copy;
    }

    int Posted(const std::string& folder)
    {
        int posted = 0;
        ForEachRecord<TagSalesHdr>(folder + "/" + GetDataFileName(bwps::No(bwps::FileNo::SalesHeader)),
                          [&](const TagSalesHdr& h) { posted += (h.Flags & 2) ? 1 : 0; });
        return posted;
    }
};

TEST_F(PostingKillTest, KilledRunsRunAgainEndWithTheBooksOfOneRun)
{
    const std::string reference = CopyOfTheCompany();

    // The run never interrupted.
    ASSERT_TRUE(Ended(Start(reference)));
    const Books expected = Read(reference);
    ASSERT_EQ(expected.posted, kSales);

    // Each run is killed once it has posted a few more sales (or at once),
    // a random moment later: inside a sale, between sales, in a commit.
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> more(0, 2);
    std::uniform_int_distribution<int> later(0, 3000);
    // A run that ends before its kill (a loaded machine) starts the
    // company over, so the kills keep landing inside runs.
    const std::string unposted = CopyOfTheCompany("unposted");
    int kills = 0, cutMidway = 0;
    for (; kills < kKills; ++kills) {
        if (Posted(data_) == kSales) {
            for (const auto& entry : fs::directory_iterator(data_))
                fs::remove_all(entry.path());
            for (const auto& entry : fs::directory_iterator(unposted))
                fs::copy_file(entry.path(), fs::path(data_) / entry.path().filename());
        }
        const int target = Posted(data_) + more(random);
        const pid_t pid = Start(data_);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Posted(data_) < target && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(later(random)));
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const int posted = Posted(data_);
        cutMidway += posted < kSales ? 1 : 0;
    }
    EXPECT_GT(cutMidway, 5) << "the kills did not fall inside the runs";
    ASSERT_TRUE(Ended(Start(data_)));

    const Books got = Read(data_);
    EXPECT_EQ(got.posted, kSales);
    EXPECT_EQ(got.accounts, expected.accounts);
    EXPECT_EQ(got.lineNet, expected.lineNet);
    EXPECT_EQ(got.onHand, expected.onHand);
}

}  // namespace

namespace {

// Two stations post the same day at once: each sale is posted by one of
// them, once; what a station left (it stops at a sale the other holds)
// the next run posts; the books are those of one run.
TEST_F(PostingKillTest, TwoStationsPostingAtOnceEndWithTheBooksOfOneRun)
{
    const std::string reference = CopyOfTheCompany();
    ASSERT_TRUE(Ended(Start(reference)));
    const Books expected = Read(reference);

    const pid_t first = Start(data_);
    const pid_t second = Start(data_);
    EXPECT_TRUE(Ended(first));
    EXPECT_TRUE(Ended(second));
    ASSERT_TRUE(Ended(Start(data_)));

    const Books got = Read(data_);
    EXPECT_EQ(got.posted, kSales);
    EXPECT_EQ(got.accounts, expected.accounts);
    EXPECT_EQ(got.lineNet, expected.lineNet);
    EXPECT_EQ(got.onHand, expected.onHand);
}

}  // namespace

namespace {

// The power fails at random moments of runs: the disk keeps only what was
// synced. When it comes back, every sale is whole or absent (the stock on
// hand is what the posted sales took, the ledger balances, the sales the
// run had committed are there), and the run goes on to the books of one
// run never interrupted.
TEST_F(PostingKillTest, PowerLossesLeaveEverySaleWholeOrAbsentAndARerunGivesTheBooksOfOneRun)
{
    constexpr int kCuts = 10;
    const std::string reference = CopyOfTheCompany();
    ASSERT_TRUE(Ended(Start(reference)));
    const Books expected = Read(reference);
    const Books start = Read(data_);
    const std::string disk = scratch_.path() + "/disk";

    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> more(1, 60);
    std::uniform_int_distribution<int> later(0, 50000);
    int cutMidway = 0;
    for (int cut = 0; cut < kCuts && Posted(data_) < kSales; ++cut) {
        RecmanReset();
        testdisk::Mirror(data_, disk);
        const pid_t pid = Start(data_);
        testdisk::Stop();   // the station that runs is the child; this process only waits
        // Cut once the run has committed a few more sales, a random moment
        // later: inside a batch, between batches, in a commit.
        const int target = Posted(data_) + more(random);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Posted(data_) < target && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                break;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(later(random)));
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        testdisk::PowerBack(data_, disk);

        // What each posted sale took: one widget (every fifth) or two gadgets.
        std::map<std::string, double> took;
        int posted = 0;
        ForEachRecord<TagSalesHdr>(data_ + "/" + GetDataFileName(bwps::No(bwps::FileNo::SalesHeader)),
                                   [&](const TagSalesHdr& h) {
                                       if (!(h.Flags & 2))
                                           return;
                                       ++posted;
                                       const int i = std::atoi(std::string(h.InvoiceNo, 10).c_str()) - 5000;
                                       took[i % 5 == 0 ? "WIDGET" : "GADGET"] += i % 5 == 0 ? 1.0 : 2.0;
                                   });
        const Books got = Read(data_);
        for (const char* code : {"WIDGET", "GADGET"}) {
            const double before = start.onHand.at(code), now = got.onHand.at(code);
            ASSERT_NEAR(before - now, took[code], 1e-9) << code << " after cut " << cut << " with " << posted << " posted";
        }
        // The ledger lines balance, and their cost of goods is that of the
        // posted sales (a widget costs 4, a gadget 10).
        double net = 0.0, cost = 0.0;
        for (const auto& [account, amount] : got.lineNet) {
            net += amount;
            if (account.substr(0, account.find_first_of(std::string(" \0", 2))) == "5101")
                cost += amount;
        }
        ASSERT_NEAR(net, 0.0, 0.005) << "after cut " << cut;
        ASSERT_NEAR(cost, took["WIDGET"] * 4.0 + took["GADGET"] * 10.0, 0.005) << "after cut " << cut;
        cutMidway += posted > 0 && posted < kSales ? 1 : 0;
    }
    EXPECT_GT(cutMidway, 0) << "no cut fell inside a run";
    ASSERT_TRUE(Ended(Start(data_)));
    const Books got = Read(data_);
    EXPECT_EQ(got.posted, kSales);
    EXPECT_EQ(got.accounts, expected.accounts);
    EXPECT_EQ(got.lineNet, expected.lineNet);
    EXPECT_EQ(got.onHand, expected.onHand);
}

}  // namespace
