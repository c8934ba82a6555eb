// Journal numbers and the interface account checks.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "bwps/files.h"
#include "bwps/accounts.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/settings.h"
#include "posting/posting_internal.h"
#include "recman.h"
#include "recman_testing.h"
#include "tests/posting/fixture.h"

namespace postingtest {
namespace {

using bwps::posting::PadText;

class JournalTest : public PostingTest {
protected:
    uint16_t OpenJournals()
    {
        uint16_t handle = 0;
        EXPECT_EQ(BtrOpenFile(&handle, FilePath(bwps::No(bwps::FileNo::Journals)).c_str(), 0, 0), 0);
        return handle;
    }
};

TEST_F(JournalTest, ANewJournalStartsAtOneAndLookingDoesNotTake)
{
    uint16_t h = OpenJournals();
    char number[16] = {};
    EXPECT_EQ(EnsureJournalCode(5, h, "GJ", number), 0);
    EXPECT_STREQ(number, "         1");
    EXPECT_EQ(+Journal("GJ").LastNumber, 0u) << "mode 5 only looks";
    EXPECT_EQ(EnsureJournalCode(3, h, "GJ", number), 0);
    EXPECT_STREQ(number, "         1");
    EXPECT_EQ(EnsureJournalCode(3, h, "GJ", number), 0);
    EXPECT_STREQ(number, "         2");
    EXPECT_EQ(+Journal("GJ").LastNumber, 2u);
    TagPostingStatus block;
    EXPECT_EQ(DrawJournalNumber(h, "GJ", number, &block), 0);
    EXPECT_STREQ(number, "         3");
    EXPECT_EQ(+block.FileNumber, 11);
    BtrCloseFile(h);
}

TEST_F(JournalTest, NumbersDrawnByTwoProcessesNeverRepeat)
{
    constexpr int kEach = 60;
    const std::string out[2] = {DataPath("numbers-a.txt"), DataPath("numbers-b.txt")};
    // No connection of this process is carried into the children; this
    // process keeps the file open while they draw.
    RecmanReset();
    const uint16_t held = OpenJournals();
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        if (children[c] == 0) {
            uint16_t h = 0;
            if (BtrOpenFile(&h, FilePath(bwps::No(bwps::FileNo::Journals)).c_str(), 0, 0) != 0)
                ::_exit(10);
            std::FILE* f = std::fopen(out[c].c_str(), "w");
            for (int i = 0; i < kEach; ++i) {
                char number[16] = {};
                if (EnsureJournalCode(3, h, "POS", number) != 0)
                    ::_exit(11);
                std::fprintf(f, "%s\n", number);
            }
            std::fclose(f);
            BtrCloseFile(h);
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    BtrCloseFile(held);
    std::set<long> seen;
    for (const std::string& path : out) {
        std::ifstream in(path);
        long n = 0;
        while (in >> n)
            EXPECT_TRUE(seen.insert(n).second) << "number " << n << " drawn twice";
    }
    EXPECT_EQ(seen.size(), 2u * kEach);
    EXPECT_EQ(+Journal("POS").LastNumber, 2u * kEach);
}

TEST_F(JournalTest, ReservedJournalCodes)
{
    for (const char* code : {"AR", "AP", "CH", "BI", "PO", "IN", "PY", " ar  "})
        EXPECT_EQ(IsReservedJournalCode(code), 1) << code;
    for (const char* code : {"POS", "GJ", "SU", ""})
        EXPECT_EQ(IsReservedJournalCode(code), 0) << code;
}

TEST_F(JournalTest, ExportsAreReachedByOrdinal)
{
    const std::pair<int, const char*> rows[] = {
        {1, "PostAccountAmount"},    {3, "ValidateAccountNo"},    {10, "BuildAccountNo"},
        {58, "EnsureJournalCode"},   {107, "DrawJournalNumber"},  {110, "PostChartOfAccounts"},
        {120, "PostChartOfAccountsLocked"}, {203, "MergeGLLine"}, {859, "PostGLToAccounts"}};
    for (const auto& [ordinal, name] : rows) {
        ASSERT_NE(BWPSOrdinal(ordinal), nullptr) << ordinal;
        EXPECT_STREQ(BWPSOrdinalName(ordinal), name);
    }
    EXPECT_EQ(BWPSOrdinal(58), reinterpret_cast<void*>(&EnsureJournalCode));
}

TEST_F(JournalTest, InterfaceAccountsOfADepartment)
{
    uint16_t accounts = 0;
    ASSERT_EQ(BtrOpenFile(&accounts, FilePath(bwps::No(bwps::FileNo::Accounts)).c_str(), 0, 0), 0);
    TagInterfaceRecord interface{};
    InterfaceRecordDefaults(&interface, nullptr);
    // Department "01": 410101 and 510101 exist as detail accounts, 420101
    // is a general account.
    PutAccount("410101", "41", '3', ACCOUNT_REVENUE, 'D');
    PutAccount("510101", "5", '2', ACCOUNT_EXPENSE, 'D');
    PutAccount("420101", "41", '3', ACCOUNT_REVENUE, 'G');
    EXPECT_EQ(ValidateInterfaceAccount(accounts, 5, "01", &interface), 1);
    EXPECT_EQ(ValidateInterfaceAccount(accounts, 4, "01", &interface), 1);
    EXPECT_EQ(ValidateInterfaceAccount(accounts, 6, "01", &interface), 0) << "general account";
    EXPECT_EQ(ValidateInterfaceAccount(accounts, 5, "02", &interface), 0) << "missing";
    char department[16] = "01";
    EXPECT_EQ(ValidateInterfaceAccountsQuiet(accounts, department, nullptr), 0);

    // Without a department, the account names it after the sales account.
    TagAccount record{};
    PadText(record.Number, "410101");
    record.Kind = 'D';
    char part[16] = {};
    EXPECT_EQ(ValidateInterfaceAccountsQuiet(accounts, part, &record), 1);
    EXPECT_STREQ(part, "01");
    PadText(record.Number, "4101");
    EXPECT_EQ(ValidateInterfaceAccountsQuiet(accounts, part, &record), 0) << "no department part";
    PadText(record.Number, "9999");
    EXPECT_EQ(ValidateInterfaceAccountsQuiet(accounts, part, &record), 0) << "not a sales account";
    BtrCloseFile(accounts);
}

TEST_F(JournalTest, InterfaceAccountsSetSkipsNumbersOutsideTheFields)
{
    EXPECT_EQ(CheckInterfaceAccountsSet(1, 10, 3, 0), 1) << "10 is skipped, field 3 is set";
    EXPECT_EQ(CheckInterfaceAccountsSet(0, 2, 0), 0) << "field 2 of the defaults is empty";
    EXPECT_EQ(CheckNotInterfaceAccount("4101", 0, 5, 0), 0);
    EXPECT_EQ(CheckNotInterfaceAccount("6100", 1, 5, 6, 0), 1);
    EXPECT_EQ(GetInterfaceFlag(), 'N');
}

}  // namespace
}  // namespace postingtest
