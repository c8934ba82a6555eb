// The customer editor's further keys and defaults: the receivables account
// a new customer takes, the code editors opened on their fields, the note
// name, the further addresses and the dialer.
#include <gtest/gtest.h>

#include <filesystem>

#include "bwps/records/accounts.h"
#include "bwps/records/addresses.h"
#include "bwps/records/general.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "customers/customer_record.h"
#include "tests/items/frame/editor_fixture.h"

namespace fs = std::filesystem;

namespace bwps::test {
namespace {

using customers::EditCustomerFile;

class CustomerKeysTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Customers, FileNo::Accounts, FileNo::TaxTable, FileNo::MessageCodes,
                         FileNo::ReceivablesOpenItems, FileNo::Salespersons, FileNo::CustomerHistoryDetail,
                         FileNo::CustomerHistorySummary, FileNo::CustomerFields, FileNo::CustomerAddresses})
            Create(f);
        PutAccount("11051", 'D');
        PutAccount("1300", 'D');
    }
    void TearDown() override
    {
        SetInterfacedFlag(0);
        EditorTest::TearDown();
    }

    std::string Edit(const std::string& script)
    {
        return Run([] { return EditCustomerFile(FileNo::Customers, nullptr); }, script);
    }
    void PutAccount(const char* number, char kind)
    {
        TagAccount a{};
        std::snprintf(a.Number, sizeof a.Number, "%-10s", number);
        a.Kind = kind;
        a.RecordStatus = 'A';
        a.Level = '1';
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Accounts), a.Number, sizeof a.Number, &a, sizeof a), 0);
    }
    std::vector<CustomerRecord> Stored() { return ReadAll<CustomerRecord>(Path(FileNo::Customers)); }
    // Every record of a file as bytes.
    static std::vector<std::vector<uint8_t>> ReadAllBytes(const std::string& path, size_t length)
    {
        std::vector<std::vector<uint8_t>> out;
        uint16_t h = 0;
        if (BtrOpenFile(&h, path.c_str(), 0, 0) != 0)
            return out;
        std::vector<uint8_t> record(length, 0);
        char key[256] = {};
        for (int st = BtrGet(B_GET_FIRST, h, key, record.data(), static_cast<int>(length)); st == 0;
             st = BtrGet(B_GET_NEXT, h, key, record.data(), static_cast<int>(length)))
            out.push_back(record);
        BtrCloseFile(h);
        return out;
    }
};

// A store without its own "0Interface" record (every new stand-alone one)
// still gives a new customer a receivables account.
TEST_F(CustomerKeysTest, NewCustomersTakeTheReceivablesAccountInForce)
{
    struct Row {
        const char* what;
        const char* storeAccount;       // the store's own "0Interface" (null: none)
        const char* accountingAccount;  // interfaced: the accounting company's (null: not interfaced)
        const char* want;
    } rows[] = {
        {"stand-alone without a record: the built-in account", nullptr, nullptr, "11051"},
        {"the store's own record", "1300", nullptr, "1300"},
        {"interfaced without a store record: the accounting company's", nullptr, "1300", "1300"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetInterfacedFlag(0);
        fs::remove(Path(FileNo::General));
        CreateGeneralFile();
        TagInterfaceRecord iface{};
        std::memcpy(iface.Key, GENERAL_KEY_INTERFACE, GENERAL_KEY_SIZE - 1);
        if (row.accountingAccount != nullptr) {
            std::snprintf(iface.Accounts[1], sizeof iface.Accounts[1], "%s", row.accountingAccount);
            PutGeneralRecord(&iface, sizeof iface);
            fs::copy_file(Path(FileNo::General), fs::path(Folder(data_)) / "BWAGNRL.DB",
                          fs::copy_options::overwrite_existing);
            fs::remove(Path(FileNo::General));
            CreateGeneralFile();
            TagSysInterface sys{};
            std::memcpy(sys.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE - 1);
            sys.Interfaced = 1;
            std::snprintf(sys.AccountingFolder, sizeof sys.AccountingFolder, "%s", Folder(data_).c_str());
            PutGeneralRecord(&sys, sizeof sys);
            LoadSysInterfaceRecord();
            SetInterfacedFlag(1);
        } else if (row.storeAccount != nullptr) {
            std::snprintf(iface.Accounts[1], sizeof iface.Accounts[1], "%s", row.storeAccount);
            PutGeneralRecord(&iface, sizeof iface);
        }
        Table general;
        ASSERT_TRUE(general.Open(FileNo::General).Ok());
        const CustomerRecord defaults = customers::ReadCustomerDefaults(general);
        EXPECT_STREQ(defaults.Account, row.want);
    }
    // and the editor saves a new customer with it on a fresh stand-alone store
    SetInterfacedFlag(0);
    fs::remove(Path(FileNo::General));
    CreateGeneralFile();
    const std::string t = Edit("type NEW\nkey Enter\nkey F10\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u) << t;
    EXPECT_STREQ(stored[0].Account, "11051") << t;
}

// F8 on a code field opens that code's editor on the code typed; a save
// there brings the code back into the field, and the customer saves with it.
TEST_F(CustomerKeysTest, F8OpensTheCodeEditorOfTheFieldAndTakesTheSavedCode)
{
    struct Row {
        int field;
        const char* code;
        FileNo file;
        size_t codeOffset;
        size_t recordLength;
        size_t customerOffset;
    } rows[] = {
        {20, "TX", FileNo::TaxTable, 0, sizeof(TaxRecord), offsetof(CustomerRecord, TaxCode)},
        {22, "N30", FileNo::Terms, 0, sizeof(TagTermsRecord), offsetof(CustomerRecord, TermsCode)},
        {24, "M1", FileNo::MessageCodes, 0, 130, offsetof(CustomerRecord, MessageCode)},
        {26, "SP", FileNo::Salespersons, 0, sizeof(SalespersonRecord), offsetof(CustomerRecord, Salesperson)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        fs::remove(Path(FileNo::Customers));
        Create(FileNo::Customers);
        const std::string t = Edit("type NEW\nkey Enter\nfield " + std::to_string(row.field) + " " + row.code +
                                   "\nkey F8\nkey F10\nkey F10\nkey Esc\n");
        EXPECT_TRUE(Has(t, "lookup set")) << t;
        const auto codes = ReadAllBytes(Path(row.file), row.recordLength);
        bool found = false;
        for (const auto& r : codes)
            found = found || std::string(reinterpret_cast<const char*>(r.data()) + row.codeOffset) == row.code;
        EXPECT_TRUE(found) << t;
        const auto stored = Stored();
        ASSERT_EQ(stored.size(), 1u) << t;
        EXPECT_STREQ(reinterpret_cast<const char*>(&stored[0]) + row.customerOffset, row.code) << t;
    }
    // Esc in the editor saves nothing and leaves the field as typed
    fs::remove(Path(FileNo::Customers));
    Create(FileNo::Customers);
    const std::string t = Edit("type NEW\nkey Enter\nfield 22 N60\nkey F8\nkey Esc\nkey Esc\nanswer No\n");
    EXPECT_TRUE(Has(t, "key F8 -> stay")) << t;
    for (const auto& r : ReadAllBytes(Path(FileNo::Terms), sizeof(TagTermsRecord)))
        EXPECT_STRNE(reinterpret_cast<const char*>(r.data()), "N60") << t;
}

}  // namespace
}  // namespace bwps::test
