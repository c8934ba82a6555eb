// The customer editor driven by scripts: new records and the defaults they
// take over, automatic numbers, the checks of a save, the removal rules of
// a delete and of inactivation, the purge of inactive records, vendors on
// the same screen, and the default customer screen.
#include <gtest/gtest.h>

#include "bwps/records/accounts.h"
#include "bwps/records/open_invoices.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "customers/customer_record.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

using customers::EditCustomerFile;

class CustomerEditorTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Customers, FileNo::Vendors, FileNo::Accounts, FileNo::TaxTable,
                         FileNo::MessageCodes, FileNo::ReceivablesOpenItems, FileNo::PayablesOpenItems,
                         FileNo::Salespersons, FileNo::CustomerHistoryDetail, FileNo::CustomerHistorySummary,
                         FileNo::CustomerFields})
            Create(f);
        PutAccount("1200", 'D');
        PutAccount("1000", 'G');
        PutAccount("4000", 'D');
        TagLastNumbers numbers{};
        std::memcpy(numbers.Key, GENERAL_KEY_LASTNUMBERS, GENERAL_KEY_SIZE - 1);
        numbers.Counters[LASTNUMBER_SECOND] = 41;
        PutGeneralRecord(&numbers, sizeof numbers);
        GetSysInterfaceRecord()->SessionOption = 0;
    }
    void TearDown() override
    {
        GetSysInterfaceRecord()->SessionOption = 0;
        EditorTest::TearDown();
    }

    std::string Edit(const std::string& script, FileNo file = FileNo::Customers)
    {
        return Run([file] { return EditCustomerFile(file, nullptr); }, script);
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
    static CustomerRecord Customer(const char* code, const char* name = "Someone")
    {
        CustomerRecord r{};
        customers::InitCustomer(r);
        std::strncpy(r.Code, code, sizeof r.Code - 1);
        std::strncpy(r.Name, name, sizeof r.Name - 1);
        std::strncpy(r.Account, "1200", sizeof r.Account - 1);
        return r;
    }
    void Put(const CustomerRecord& r, FileNo file = FileNo::Customers)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(file), r.Code, sizeof r.Code, &r, sizeof r), 0);
    }
    std::vector<CustomerRecord> Stored(FileNo file = FileNo::Customers)
    {
        return ReadAll<CustomerRecord>(Path(file));
    }
    void PutOpenInvoice(const char* customer, FileNo file = FileNo::ReceivablesOpenItems)
    {
        TagOpenInvoice line{};
        std::strncpy(line.Customer, customer, sizeof line.Customer - 1);
        std::strncpy(line.Invoice, "INV1", sizeof line.Invoice - 1);
        line.Type = 'I';
        line.Status = 'O';
        ASSERT_EQ(bwpstest::PutRecord(Path(file), &line, 22, &line, sizeof line), 0);
    }
    int32_t LastNumber()
    {
        for (const TagLastNumbers& n : ReadAll<TagLastNumbers>(Path(FileNo::General)))
            if (std::memcmp(n.Key, GENERAL_KEY_LASTNUMBERS, GENERAL_KEY_SIZE - 1) == 0)
                return n.Counters[LASTNUMBER_SECOND];
        return -1;
    }
};

TEST_F(CustomerEditorTest, ANewRecordAndTheDefaultsItTakesOver)
{
    CustomerRecord fresh{};
    std::memset(&fresh, 0x5A, sizeof fresh);
    customers::InitCustomer(fresh);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&fresh);
    for (size_t i = 0; i < sizeof fresh; ++i) {
        const char expected = i == 734 ? 'A' : i == 117 ? 'N' : i == 118 ? 'O' : i == 119 ? 'Y' : i == 120 ? 'N' : 0;
        ASSERT_EQ(static_cast<char>(bytes[i]), expected) << "offset " << i;
    }

    CustomerRecord defaults{};
    customers::InitCustomer(defaults);
    std::strcpy(defaults.Phone[0], "(555) 123-4567");
    std::strcpy(defaults.City, "Springfield");
    std::strcpy(defaults.Name, "not copied");
    std::strcpy(defaults.Salesperson, "SP1");
    defaults.Balance = 12.5;
    defaults.AccountType = 'B';
    CustomerRecord r = Customer("C1");
    std::strcpy(r.Phone[1], "(111) 222-3333");
    customers::TakeOverDefaults(r, defaults);
    struct Row {
        const char* what;
        std::string got, want;
    } rows[] = {
        {"area code into telephone 1", std::string(r.Phone[0]), "(555)"},
        {"area code over telephone 2, the rest kept", std::string(r.Phone[1]), "(555) 222-3333"},
        {"area code into telephone 3", std::string(r.Phone[2]), "(555)"},
        {"city copied", r.City, "Springfield"},
        {"name not copied", r.Name, "Someone"},
        {"salesperson not copied", r.Salesperson, ""},
        {"balance not copied", std::to_string(+r.Balance), std::to_string(0.0)},
        {"account type copied", std::string(1, r.AccountType), "B"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.got, row.want) << row.what;
}

TEST_F(CustomerEditorTest, SaveChecksByField)
{
    Put(Customer("OLD"));
    struct Row {
        const char* what;
        const char* script;
        const char* message;  // null: saved
    } rows[] = {
        {"a new customer is saved", "type NEW\nkey Enter\nfield 19 1200\nkey F10\nkey Esc\n", nullptr},
        {"no receivables account", "type NEW\nkey Enter\nfield 19  \nkey F10\nkey Esc\nanswer Yes\n",
         "Enter an account for every interface account field."},
        {"a general account", "type NEW\nkey Enter\nfield 19 1000\nkey F10\nkey Esc\nanswer Yes\n",
         "This is a general account."},
        {"an unknown account", "type NEW\nkey Enter\nfield 19 9999\nkey F10\nkey Esc\nanswer Yes\n",
         "does not exist"},
        {"optional account equal to the receivables one",
         "type NEW\nkey Enter\nfield 18 1200\nfield 19 1200\nkey F10\nkey Esc\nanswer Yes\n",
         "The optional account cannot be the receivables account."},
        {"an unknown tax code", "type NEW\nkey Enter\nfield 19 1200\nfield 20 TX\nkey F10\nkey Esc\nanswer Yes\n",
         "This tax code does not exist."},
        {"an unknown terms code", "type NEW\nkey Enter\nfield 19 1200\nfield 22 T9\nkey F10\nkey Esc\nanswer Yes\n",
         "This terms code does not exist."},
        {"a cash customer skips the tax code",
         "type NEW\nkey Enter\nfield 16 Cash\nfield 19 1200\nfield 20 TX\nkey F10\nkey Esc\n", nullptr},
        {"an unknown message code", "type NEW\nkey Enter\nfield 19 1200\nfield 24 M1\nkey F10\nkey Esc\nanswer Yes\n",
         "This message code does not exist."},
        {"a negative amount limit", "type NEW\nkey Enter\nfield 19 1200\nfield 30 -5\nkey F10\nkey Esc\nanswer Yes\n",
         "The field does not take negative values."},
        {"a blank code without automatic numbers", "field 19 1200\nkey F10\nkey Esc\nanswer Yes\n",
         "Enter a customer code first."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Customers));
        Create(FileNo::Customers);
        Put(Customer("OLD"));
        const std::string t = Edit(row.script);
        const auto stored = Stored();
        if (row.message == nullptr) {
            ASSERT_EQ(stored.size(), 2u) << t;
            EXPECT_STREQ(stored[0].Code, "NEW") << t;
        } else {
            EXPECT_EQ(stored.size(), 1u) << t;
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
    }
}

TEST_F(CustomerEditorTest, AutomaticNumbersForABlankCode)
{
    struct Row {
        const char* what;
        std::vector<const char*> existing;
        const char* answer;
        std::vector<std::string> codes;  // stored after the run
        int32_t last;
    } rows[] = {
        {"the next number", {}, "", {"42"}, 42},
        {"a duplicate answered Yes takes the following number", {"42"}, "answer Yes\n", {"42", "43"}, 43},
        {"a duplicate answered No saves nothing", {"42"}, "answer No\n", {"42"}, 42},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Customers));
        Create(FileNo::Customers);
        SetUp();
        for (const char* code : row.existing)
            Put(Customer(code));
        GetSysInterfaceRecord()->SessionOption = 1;
        const std::string t = Edit(std::string("key Enter\nfield 2 Numbered\nfield 19 1200\nkey F10\n") +
                                   row.answer + "key Esc\nanswer Yes\n");
        std::vector<std::string> codes;
        for (const CustomerRecord& r : Stored())
            codes.push_back(r.Code);
        EXPECT_EQ(codes, row.codes) << t;
        EXPECT_EQ(LastNumber(), row.last) << t;
    }
}

TEST_F(CustomerEditorTest, DeleteAndInactivationFollowTheRemovalRules)
{
    struct Row {
        const char* what;
        double balance;
        int32_t history;
        bool openInvoice;
        const char* action;  // the script after the load
        bool removed, inactive;
        const char* message;
    } rows[] = {
        {"delete asks and removes", 0, 0, false, "key F6\nanswer Yes\n", true, false, "Delete this customer?"},
        {"delete refused for a balance", 10, 0, false, "key F6\n", false, false, "has a balance"},
        {"delete refused for an open invoice", 0, 0, true, "key F6\n", false, false, "has open invoices"},
        {"history: Cancel keeps it", 0, 3, false, "key F6\nanswer Cancel\n", false, false, "has history"},
        {"history: Continue deletes", 0, 3, false, "key F6\nanswer Continue\nanswer Yes\n", true, false,
         "has history"},
        {"inactive with a balance is refused", 5, 0, false, "field 3 Yes\nkey F10\nkey Esc\nanswer Yes\n", false,
         false, "has a balance"},
        {"inactive without amounts is saved", 0, 0, false, "field 3 Yes\nkey F10\n", false, true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (FileNo f : {FileNo::Customers, FileNo::ReceivablesOpenItems}) {
            fs::remove(Path(f));
            Create(f);
        }
        CustomerRecord r = Customer("C1");
        r.Balance = row.balance;
        r.Invoices[2] = row.history;
        Put(r);
        if (row.openInvoice)
            PutOpenInvoice("C1");
        const std::string t = Edit(std::string("type C1\nkey Enter\n") + row.action + "key Esc\n");
        const auto stored = Stored();
        EXPECT_EQ(stored.empty(), row.removed) << t;
        if (!stored.empty()) {
            EXPECT_EQ(stored[0].Status, row.inactive ? 'I' : 'A') << t;
        }
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
    }
}

// The purge keeps inactive customers that still carry money: deleting them
// would lose a balance or leave open invoices without their customer.
TEST_F(CustomerEditorTest, PurgeDeletesOnlyInactiveCustomersWithoutAmountsOrInvoices)
{
    CustomerRecord active = Customer("ACT");
    CustomerRecord gone = Customer("GONE");
    gone.Status = 'I';
    CustomerRecord owing = Customer("OWING");
    owing.Status = 'I';
    owing.Balance = 20;
    CustomerRecord open = Customer("OPEN");
    open.Status = 'I';
    for (const auto& r : {active, gone, owing, open})
        Put(r);
    PutOpenInvoice("OPEN");
    struct Row {
        const char* what;
        const char* answer;
        std::vector<std::string> codes;
    } rows[] = {
        {"Cancel deletes nothing", "answer Cancel\n", {"ACT", "GONE", "OPEN", "OWING"}},
        {"Continue deletes the free inactive ones", "answer Continue\n", {"ACT", "OPEN", "OWING"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string t = Edit(std::string("key Alt+U\n") + row.answer + "key Esc\n");
        std::vector<std::string> codes;
        for (const CustomerRecord& r : Stored())
            codes.push_back(r.Code);
        EXPECT_EQ(codes, row.codes) << t;
    }
}

TEST_F(CustomerEditorTest, TheReceivablesAccountStaysWhileInvoicesAreOpen)
{
    Put(Customer("C1"));
    PutOpenInvoice("C1");
    const std::string t = Edit("type C1\nkey Enter\nfield 19 4000\nkey Enter\nkey F10\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "cannot change while the customer has open invoices")) << t;
    EXPECT_STREQ(Stored()[0].Account, "1200") << t;
}

TEST_F(CustomerEditorTest, AnOpenCustomerTurnedBalanceForwardAsksWhileInvoicesAreOpen)
{
    struct Row {
        const char* what;
        const char* answer;
        char stored;
    } rows[] = {{"Cancel keeps the type", "answer Cancel\nkey Esc\nanswer Yes\n", 'O'},
                {"Continue saves it", "answer Continue\nkey Esc\n", 'B'}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Put(Customer("C1"));
        PutOpenInvoice("C1");
        const std::string t =
            Edit(std::string("type C1\nkey Enter\nfield 16 Balance Forward\nkey F10\n") + row.answer);
        EXPECT_TRUE(Has(t, "Change the account type anyway?")) << t;
        EXPECT_EQ(Stored()[0].AccountType, row.stored) << t;
    }
}

TEST_F(CustomerEditorTest, VendorsUseTheSameEditorOnTheirOwnFile)
{
    // the vendor file has the customer file's layout and keys: made from
    // the empty customer file
    if (!fs::exists(Path(FileNo::Vendors)))
        fs::copy_file(Path(FileNo::Customers), Path(FileNo::Vendors));
    Put(Customer("V1"), FileNo::Vendors);
    const std::string t = Edit("type V1\nkey Enter\nfield 2 Supplier\nkey F10\ntype V2\nkey Enter\nfield 19 1200\n"
                               "key F10\nkey Esc\n",
                               FileNo::Vendors);
    const auto vendors = Stored(FileNo::Vendors);
    ASSERT_EQ(vendors.size(), 2u) << t;
    EXPECT_STREQ(vendors[0].Name, "Supplier");
    EXPECT_STREQ(vendors[1].Code, "V2");
    EXPECT_TRUE(Stored().empty());
}

TEST_F(CustomerEditorTest, DefaultCustomerSaveKeepsTheProductHalf)
{
    TagDefaults stored{};
    std::memcpy(stored.Key, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE - 1);
    CustomerRecord image{};
    customers::InitCustomer(image);
    std::memcpy(reinterpret_cast<uint8_t*>(&stored) + customers::kDefaultsCustomerOffset, &image, sizeof image);
    PutGeneralRecord(&stored, sizeof stored);
    // the product half belongs to the product defaults: the save keeps it
    stored.Product[0] = 'P';
    PutGeneralRecord(&stored, sizeof stored);
    const std::string t = Run([] { return RSEditDefaultCustomer(0); }, "field 1 Shelbyville\nfield 4 555\nkey F10\n");
    TagDefaults after{};
    for (const TagDefaults& d : ReadAll<TagDefaults>(Path(FileNo::General)))
        if (std::memcmp(d.Key, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE - 1) == 0)
            after = d;
    CustomerRecord saved{};
    std::memcpy(&saved, reinterpret_cast<const uint8_t*>(&after) + customers::kDefaultsCustomerOffset, sizeof saved);
    EXPECT_EQ(after.Product[0], 'P') << t;
    EXPECT_STREQ(saved.City, "Shelbyville") << t;
    EXPECT_STREQ(saved.Phone[0], "(555)    -    ") << t;

    // a new customer takes the area code into all three telephones
    const std::string c = Edit("type NEW\nkey Enter\nfield 19 1200\nkey F10\nkey Esc\n");
    const auto customers = Stored();
    ASSERT_EQ(customers.size(), 1u) << c;
    for (const auto& phone : customers[0].Phone)
        EXPECT_EQ(std::string(phone, 5), "(555)") << c;
    EXPECT_STREQ(customers[0].City, "Shelbyville") << c;
}

}  // namespace
}  // namespace bwps::test
