// bwpos verify-gl and verify-checks run as a user runs them: over a company
// made on the command line and then interfaced (its accounting company is
// its own folder) with the online options on.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/options.h"
#include "bwps/records/general.h"
#include "bwps/records/ledger.h"
#include "bwps/settings.h"
#include "recman.h"
#include "tests/support/folders.h"
#include "tests/support/program.h"
#include "tests/support/library.h"

namespace fs = std::filesystem;

namespace {

using Outcome = bwpstest::ProgramRun;

std::string FileText(const std::string& path)
{
    return bwpstest::ReadFileText(path);
}

template <size_t N>
void Put(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::strncpy(field, text, N - 1);
}

class VerifyCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bwpstest::ResetLibraryState();
        scratch_ = folder_.path();
        program_ = scratch_ + "/program";
        company_ = scratch_ + "/shop";
        bwpstest::InstallProgramFolder(program_);
        ASSERT_TRUE(fs::exists(program_ + "/bwpos"));
        const Outcome o = Bwpos({"create-company", company_, "Shop"});
        ASSERT_EQ(o.status, 0) << o.out;
    }
    void TearDown() override { bwpstest::ResetLibraryState(); }

    Outcome Bwpos(const std::vector<std::string>& args) { return bwpstest::RunBwpos(program_, args); }

    std::string Path(const char* name) const { return company_ + "/" + name; }

    // The store becomes interfaced with its own folder as the accounting
    // company: the files it shares take their accounting names, and the
    // online ledger and check register are wanted and applied.
    void Interface()
    {
        for (const auto& entry : fs::directory_iterator(company_)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("BPOS", 0) == 0 && name.size() > 3 &&
                name.substr(name.size() - 3) == ".DB")
                fs::copy_file(entry.path(), Path(("BWA" + name.substr(4)).c_str()),
                              fs::copy_options::skip_existing);
        }
        // Files that only an accounting company keeps.
        SetFolders(program_.c_str(), company_.c_str(), (program_ + "/RAZAVUR").c_str());
        for (const char* name : {"BWAVEND.DB", "BWACHCK.DB"}) {
            if (!fs::exists(Path(name))) {
                uint8_t spec[FILE_SPEC_SIZE] = {};
                const int file = std::strcmp(name, "BWAVEND.DB") == 0 ? 30 : 8;
                ASSERT_EQ(CreateSessionDataFile(file, 0, company_.c_str(), nullptr, spec), 0)
                    << name;
                ASSERT_TRUE(fs::exists(Path(name))) << name;
            }
        }
        TagSysInterface r{};
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, Path("BPOSGNRL.DB").c_str(), 0, 0), 0);
        char key[256] = {};
        std::memcpy(key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
        ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, &r, sizeof r), 0);
        BtrCloseFile(h);
        r.Interfaced = 1;
        r.InterfacedChar = 'Y';
        std::snprintf(r.AccountingFolder, sizeof r.AccountingFolder, "%s", company_.c_str());
        r.OnlineLedger = 'Y';
        r.OnlineCheckRegister = 'Y';
        ASSERT_EQ(bwpstest::PutRecord(Path("BPOSGNRL.DB"), r.Key, 16, &r, sizeof r), 0);
        TagInterfaceRecord accounts{};
        InterfaceRecordDefaults(&accounts, nullptr);
        std::memcpy(accounts.Key, GENERAL_KEY_INTERFACE, GENERAL_KEY_SIZE);
        ASSERT_EQ(bwpstest::PutRecord(Path("BWAGNRL.DB"), accounts.Key, 16, &accounts,
                                      sizeof accounts), 0);
        TagSystemPref system{};
        std::memcpy(system.Key, GENERAL_KEY_SYSTEM, GENERAL_KEY_SIZE);
        system.Options[OPTION_LEDGER_ONLINE] = 'Y';
        system.Options[OPTION_REGISTER_ONLINE] = 'Y';
        ASSERT_EQ(bwpstest::PutRecord(Path("BWAGNRL.DB"), &system, 16, &system, sizeof system), 0);
    }

    // An unposted "PO" ledger transaction of a sale that is not there.
    void PutOrphanTransaction()
    {
        TagGLHeader h{};
        std::memcpy(h.JournalCode, "PO    ", 7);
        Put(h.TranNo, "77");
        h.TranDate = 20260105;
        Put(h.Reference, "GONE");
        Put(h.SourceDocument, "GONE");
        h.Posted = 'N';
        h.Deleted = 'N';
        h.Reverse = 'N';
        ASSERT_EQ(bwpstest::PutRecord(Path("BWAGLTH.DB"), h.JournalCode, 18, &h, sizeof h), 0);
        uint16_t line = 1;
        for (char side : {'D', 'C'}) {
            TagLedgerDetail d{};
            std::memcpy(d.JournalCode, h.JournalCode, 7);
            std::memcpy(d.TranNo, h.TranNo, 11);
            d.LineNo = line++;
            d.DebitCredit = side;
            d.Amount = 10;
            ASSERT_EQ(bwpstest::PutRecord(Path("BWAGLTD.DB"), &d, 20, &d, sizeof d), 0);
        }
    }
    TagGLHeader Header()
    {
        TagGLHeader h{};
        uint16_t handle = 0;
        EXPECT_EQ(BtrOpenFile(&handle, Path("BWAGLTH.DB").c_str(), 0, 0), 0);
        char key[256] = {};
        EXPECT_EQ(BtrGet(B_GET_FIRST, handle, key, &h, sizeof h), 0);
        BtrCloseFile(handle);
        return h;
    }

    static bool Has(const Outcome& o, const std::string& text)
    {
        return o.out.find(text) != std::string::npos;
    }

    bwpstest::ScratchFolder folder_{"verify"};
    std::string scratch_, program_, company_;
};

TEST_F(VerifyCommandTest, VerifyGLRepairsTheLedgerAndLogsWhatItDid)
{
    Interface();
    PutOrphanTransaction();
    Outcome o = Bwpos({"verify-gl", company_});
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(Has(o, "ONLINEGL.LOG:")) << o.out;
    EXPECT_TRUE(Has(o, "Deleted GL transaction number 77, journal code PO. Invalid source "
                       "transaction."))
        << o.out;
    EXPECT_EQ(FileText(Path("ONLINEGL.LOG")),
              "Deleted GL transaction number 77, journal code PO. Invalid source transaction.\r\n");
    const TagGLHeader h = Header();
    EXPECT_EQ(h.Deleted, 'Y');
    EXPECT_STREQ(h.Reference, "DELETED");

    // Run again: nothing left to repair.
    o = Bwpos({"verify-gl", company_});
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_EQ(FileText(Path("ONLINEGL.LOG")),
              "No invalid transactions were detected in the GL.\r\n");

    o = Bwpos({"verify-checks", company_});
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_EQ(FileText(Path("ONLINECK.LOG")),
              "No invalid source transactions were detected in the check register.\r\n");
}

TEST_F(VerifyCommandTest, AStoreOnItsOwnIsToldThatTheFeatureIsOff)
{
    const Outcome o = Bwpos({"verify-gl", company_});
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(Has(o, "will run only when the 'Update online general ledger' feature is "
                       "enabled"))
        << o.out;
    EXPECT_FALSE(fs::exists(Path("ONLINEGL.LOG")));
}

TEST_F(VerifyCommandTest, BadArgumentsAndFoldersAreRefused)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"verify-gl"}, 2, "usage: bwpos verify-gl DIR"},
        {{"verify-checks", "a", "b"}, 2, "usage: bwpos verify-checks DIR"},
        {{"verify-gl", "/no/such/company"}, 4, "does not exist"},
    };
    for (const Case& c : cases) {
        const Outcome o = Bwpos(c.args);
        EXPECT_EQ(o.status, c.status) << o.out;
        EXPECT_TRUE(Has(o, c.says)) << o.out;
    }
    const Outcome help = Bwpos({"--help"});
    EXPECT_TRUE(Has(help, "bwpos verify-gl DIR")) << help.out;
}

}  // namespace
