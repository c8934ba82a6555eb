#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bwps/files.h"
#include "bwps/cash_registers.h"
#include "bwps/records.h"
#include "bwps/records/general.h"
#include "fx.h"
#include "posting/posting_internal.h"
#include "recman.h"
#include "recman_testing.h"
#include "tests/posting/fixture.h"
#include "tests/support/library.h"
#include "tests/support/privileges.h"

namespace fs = std::filesystem;
using namespace postingtest;

namespace {

class CashRegisterTest : public PostingTest {
protected:
    void SetUp() override
    {
        PostingTest::SetUp();
        if (IsSkipped())
            return;
        FxUseScriptDriver();
        FxTranscriptClear();
    }

    template <class R>
    std::vector<R> All(int file)
    {
        return ReadAll<R>(FilePath(file));
    }

    void PutShiftCounter(int32_t value)
    {
        TagLastNumbers n{};
        std::memcpy(n.Key, GENERAL_KEY_LASTNUMBERS, GENERAL_KEY_SIZE);
        n.Counters[7] = value;
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, FilePath(bwps::No(bwps::FileNo::General)).c_str(), 0, 0), 0);
        uint8_t key[256] = {};
        std::memcpy(key, n.Key, GENERAL_KEY_SIZE);
        TagLastNumbers old;
        if (BtrGet(B_GET_EQUAL, handle, key, &old, sizeof old) == 0)
            EXPECT_EQ(BtrWrite(B_UPDATE, handle, key, &n, sizeof n), 0);
        else
            EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &n, sizeof n), 0);
        BtrCloseFile(handle);
    }

    int32_t ShiftCounter()
    {
        for (const auto& raw : All<std::array<char, 60>>(31))
            if (std::memcmp(raw.data(), GENERAL_KEY_LASTNUMBERS, 15) == 0) {
                TagLastNumbers n;
                std::memcpy(&n, raw.data(), sizeof n);
                return n.Counters[7];
            }
        return -1;
    }

    RegisterRecord Register(int number)
    {
        char name[12];
        std::snprintf(name, sizeof name, "REG%-8d", number);
        for (const RegisterRecord& r : All<RegisterRecord>(32))
            if (std::memcmp(r.Name, name, 11) == 0)
                return r;
        return RegisterRecord{};
    }

    void PutRegister(RegisterRecord r)
    {
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, FilePath(bwps::No(bwps::FileNo::Registers)).c_str(), 0, 0), 0);
        uint8_t key[256] = {};
        std::memcpy(key, r.Name, 11);
        EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &r, sizeof r), 0);
        BtrCloseFile(handle);
    }
};

TEST(RegisterNumbers, NumberFromTheKey)
{
    struct Case {
        const char* name;
        int number;
    } cases[] = {{"REG12", 12}, {"REG3       ", 3}, {"REG", 0}, {"RE", 0}, {"REGX", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(RegisterNumberFromKey(c.name), c.number) << c.name;
}

TEST_F(CashRegisterTest, ShiftNumbersComeFromTheCounter)
{
    struct Case {
        int32_t stored, given, left;
    } cases[] = {{0, 1, 2}, {5, 5, 6}};
    for (const Case& c : cases) {
        PutShiftCounter(c.stored);
        EXPECT_EQ(NextRegisterSessionNumber(), c.given);
        EXPECT_EQ(ShiftCounter(), c.left);
    }
}

TEST_F(CashRegisterTest, AShiftNumberThatCannotBeKeptIsNotGiven)
{
    PutShiftCounter(5);
    // The settings file can be read, not written: the number is refused
    // rather than given twice.
    ASSERT_TRUE(bwpstest::GiveToUnprivileged(data_));
    ::chmod(FilePath(bwps::No(bwps::FileNo::General)).c_str(), 0444);
    const int answer = bwpstest::RunUnprivileged([&] {
        // The session keeps its company; only the inherited handles go.
        RecmanReset();
        FxTranscriptClear();
        const int number = NextRegisterSessionNumber();
        // The refusal must come from the counter's update (94), not from
        // an earlier step.
        if (std::string(FxTranscript()).find("#  94") == std::string::npos)
            return 100;
        return number;
    });
    EXPECT_EQ(answer, 0);
    ::chmod(FilePath(bwps::No(bwps::FileNo::General)).c_str(), 0644);
    EXPECT_EQ(ShiftCounter(), 5);
}

TEST_F(CashRegisterTest, OpeningAMissingRegisterCreatesItOpen)
{
    RegisterRecord r{};
    EXPECT_EQ(OpenRegister(3, &r), 1);
    EXPECT_EQ(std::string(r.Name, 11), "REG3       ");
    EXPECT_EQ(+Register(3).Open, 1);
    // Open again: message 1179, and nothing changes unless the second
    // button is chosen.
    FxScriptLoad("answer 1\n");
    EXPECT_EQ(OpenRegister(3, &r), 0);
    EXPECT_EQ(+Register(3).Open, 1);
}

TEST_F(CashRegisterTest, ClosingWithAReconciliationKeepsTheAmountsAndEmptiesTheSlots)
{
    RegisterRecord r{};
    std::memcpy(r.Name, "REG2       ", 11);
    r.Open = 1;
    r.Shift = 4;
    std::snprintf(r.Slots[0].Code, sizeof r.Slots[0].Code, "CASH");
    r.Slots[0].Amount = 100.0;
    std::snprintf(r.Slots[1].Code, sizeof r.Slots[1].Code, "CHECK");
    r.Slots[1].Amount = 25.5;
    PutRegister(r);

    FxScriptLoad("answer Yes\nfield 3 EOD1\nkey F10\nanswer No\n");
    EXPECT_EQ(CloseRegister(2, 1), 1) << FxTranscript();
    const auto saved = All<RegisterReconRecord>(48);
    ASSERT_EQ(saved.size(), 1u) << FxTranscript();
    EXPECT_STREQ(saved[0].Name, "EOD1");
    EXPECT_DOUBLE_EQ(saved[0].Register.Slots[0].Amount, 100.0);
    const RegisterRecord after = Register(2);
    EXPECT_EQ(+after.Open, 0);
    EXPECT_EQ(+after.Shift, 0);
    EXPECT_DOUBLE_EQ(after.Total, 125.5);
    EXPECT_DOUBLE_EQ(after.Slots[0].Amount, 0.0);
    EXPECT_STREQ(after.Slots[1].Code, "CHECK");
}

TEST_F(CashRegisterTest, AReconciliationLeftWithEscKeepsTheSlots)
{
    RegisterRecord r{};
    std::memcpy(r.Name, "REG2       ", 11);
    r.Open = 1;
    r.Slots[0].Amount = 100.0;
    PutRegister(r);
    FxScriptLoad("answer Yes\nkey Esc\n");
    EXPECT_EQ(CloseRegister(2, 1), 1);
    EXPECT_TRUE(All<RegisterReconRecord>(48).empty());
    EXPECT_DOUBLE_EQ(Register(2).Slots[0].Amount, 100.0);
    EXPECT_EQ(+Register(2).Open, 0);
}

TEST_F(CashRegisterTest, PurgeRemovesOnlyRegistersWhoseSalesArePosted)
{
    auto sale = [&](const char* invoice, uint16_t flags) {
        TagSalesHdr h = Sale(invoice, 1, 10.0);
        h.Flags = flags;
        PutSale(h, {});
    };
    sale("0000000001", 2);
    sale("0000000002", 0);
    auto detail = [&](const char* file, std::vector<const char*> invoices, bool cut) {
        std::ofstream out(DataPath(file), std::ios::binary);
        for (const char* invoice : invoices) {
            TagSalesDetail d{};
            std::memcpy(d.InvoiceNo, invoice, 10);
            out.write(reinterpret_cast<const char*>(&d), sizeof d);
        }
        if (cut)
            out.write("0000000002", 10);   // a last line cut short
    };
    for (int n : {1, 2, 3, 4, 5}) {
        RegisterRecord r{};
        char name[16];
        std::snprintf(name, sizeof name, "REG%-8d", n);
        std::memcpy(r.Name, name, sizeof r.Name);
        PutRegister(r);
    }
    detail("REG1.db", {"0000000001"}, true);         // posted; short tail ignored
    detail("REG2.db", {"0000000001", "0000000002"}, false);   // one unposted
    detail("REG3.db", {}, false);                     // empty
    detail("REG4.db", {"0000000099"}, false);         // its sale is gone
    // REG5 has no detail file.
    EXPECT_EQ(PurgeRegister(), 1);
    std::vector<std::string> left;
    for (const RegisterRecord& r : All<RegisterRecord>(32))
        left.emplace_back(r.Name, 4);
    EXPECT_EQ(left, (std::vector<std::string>{"REG2", "REG5"}));
    EXPECT_FALSE(fs::exists(DataPath("REG1.db")));
    EXPECT_TRUE(fs::exists(DataPath("REG2.db")));
    EXPECT_FALSE(fs::exists(DataPath("REG3.db")));
    EXPECT_FALSE(fs::exists(DataPath("REG4.db")));
}

}  // namespace
