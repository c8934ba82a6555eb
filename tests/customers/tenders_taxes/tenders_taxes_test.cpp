// The tender and tax-code editors driven by scripts: fields and refusals,
// the interfaced and stand-alone tax screens, account checks, deletes,
// rights, the tax history correction and a record changed at another
// station.
#include <gtest/gtest.h>

#include "bwps/editor_frame.h"
#include "bwps/records/accounts.h"
#include "bwps/records/tenders.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "recman.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

class TenderTaxTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Tenders, FileNo::TaxTable, FileNo::Accounts, FileNo::Customers, FileNo::Vendors})
            Create(f);
        TagInterfaceRecord iface{};
        std::memcpy(iface.Key, GENERAL_KEY_INTERFACE, GENERAL_KEY_SIZE - 1);
        iface.Flag = 'N';
        // the built-in accounts of a stand-alone store
        Put(iface.Accounts[0], "11021");
        Put(iface.Accounts[1], "11051");
        Put(iface.Accounts[3], "11071");
        PutGeneralRecord(&iface, sizeof iface);
        iface_ = iface;
        general_ = Path(FileNo::General);
        PutAccount("11021", "Cash drawer", 'D');
        PutAccount("11051", "Receivables", 'D');
        PutAccount("1100", "Bank", 'D');
        PutAccount("1900", "Assets", 'G');
        PutAccount("2100", "Sales tax", 'D');
        PutAccount("2200", "County tax", 'D');
        PutAccount("4000", "Sales", 'D');
    }
    // An interfaced store whose accounting company is this data folder:
    // the chart is the accounting company's.
    void Interfaced()
    {
        const std::string accounts = Path(FileNo::Accounts), taxes = Path(FileNo::TaxTable),
                          audit = Path(FileNo::AuditLog);
        TagPeriods periods{};
        std::memcpy(periods.Key, GENERAL_KEY_PERIODS, GENERAL_KEY_SIZE - 1);
        periods.Count = 12;
        PutGeneralRecord(&periods, sizeof periods);
        TagSysInterface sys{};
        std::memcpy(sys.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE - 1);
        sys.Interfaced = 1;
        std::snprintf(sys.AccountingFolder, sizeof sys.AccountingFolder, "%s", Folder(data_).c_str());
        PutGeneralRecord(&sys, sizeof sys);
        LoadSysInterfaceRecord();
        SetInterfacedFlag(1);
        // the accounting company's chart and settings: copies of this store's
        for (const auto& [from, to] : {std::pair{accounts, Path(FileNo::Accounts)}, std::pair{taxes, Path(FileNo::TaxTable)},
                                       std::pair{audit, Path(FileNo::AuditLog)},
                                       std::pair{general_, (fs::path(Folder(data_)) / "BWAGNRL.DB").string()}})
            if (from != to)
                fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    }
    void TearDown() override
    {
        SetInterfacedFlag(0);
        EditorTest::TearDown();
    }
    TagInterfaceRecord iface_{};
    std::string general_;
    template <size_t N>
    static void Put(char (&field)[N], const char* text)
    {
        std::memset(field, 0, N);
        std::strncpy(field, text, N - 1);
    }
    void PutAccount(const char* number, const char* description, char kind)
    {
        TagAccount a{};
        std::snprintf(a.Number, sizeof a.Number, "%-10s", number);
        Put(a.Description, description);
        a.Kind = kind;
        a.CheckRegister = 'Y';
        a.RecordStatus = 'A';
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Accounts), a.Number, sizeof a.Number, &a, sizeof a), 0);
    }
    static TagTender Tender(const char* code, const char* description, uint8_t kind, char type = 'C',
                            char processing = 'Y', const char* account = "11021")
    {
        TagTender t{};
        Put(t.Code, code);
        Put(t.Description, description);
        Put(t.Account, account);
        t.ProcessingKind = kind;
        t.Type = type;
        t.Processing = processing;
        return t;
    }
    void PutTender(const TagTender& t)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Tenders), t.Code, sizeof t.Code, &t, sizeof t), 0);
    }
    std::vector<TagTender> StoredTenders() { return ReadAll<TagTender>(Path(FileNo::Tenders)); }
    void PutTax(const TaxRecord& t)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::TaxTable), t.Code, sizeof t.Code, &t, sizeof t), 0);
    }
    std::vector<TaxRecord> StoredTaxes() { return ReadAll<TaxRecord>(Path(FileNo::TaxTable)); }
    void Reset(FileNo f)
    {
        fs::remove(Path(f));
        Create(f);
    }
    std::string Tenders(const std::string& script, int* result = nullptr)
    {
        return Run([] { return RSEditTenders(0); }, script, result);
    }
    std::string Taxes(const std::string& script, int* result = nullptr)
    {
        return Run([] { return RSEditTaxCode(0); }, script, result);
    }
};

// ---- Tenders

TEST_F(TenderTaxTest, ANewTenderShowsCashNoProcessingNoCardAndTheDefaultAccount)
{
    const std::string t = Tenders("type NEW\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Esc\nanswer Yes\n");
    for (const char* line : {"field 3 enter \"11021\"", "field 5 enter \"Cash\"", "field 6 enter \"No\""})
        EXPECT_TRUE(Has(t, line)) << line << "\n" << t;
    // saved untouched: no card kind, type cash, processing off
    Tenders("type NEW\nkey Enter\ntype New tender\nkey F10\nkey Esc\n");
    const auto stored = StoredTenders();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(+stored[0].ProcessingKind, 3);
    EXPECT_EQ(stored[0].Type, 'C');
    EXPECT_EQ(stored[0].Processing, 'N');
    EXPECT_STREQ(stored[0].Account, "11021");
}

// Every stored kind comes back unchanged through a load and an untouched
// save; a kind without a card (3) is not turned into a credit card.
TEST_F(TenderTaxTest, EveryProcessingKindSurvivesALoadAndSave)
{
    struct Row {
        uint8_t kind;
        const char* card;
        const char* verification;
    } rows[] = {{0, "Credit Card", "MICR"},      {1, "Debit Card", "MICR"},
                {2, "Check", "MICR"},            {3, "None", "MICR"},
                {4, "Check", "Driver's License"}, {5, "Check", "Driver's License and Birthdate"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(+row.kind);
        Reset(FileNo::Tenders);
        PutTender(Tender("T", "Tender", row.kind));
        const std::string t = Tenders("type T\nkey Enter\nkey F10\nkey Esc\n");
        const auto stored = StoredTenders();
        ASSERT_EQ(stored.size(), 1u) << t;
        EXPECT_EQ(+stored[0].ProcessingKind, +row.kind) << t;
    }
}

TEST_F(TenderTaxTest, CardKindAndVerificationGiveTheStoredKind)
{
    struct Row {
        const char* what;
        const char* card;
        const char* verification;  // null: left alone
        uint8_t stored;
    } rows[] = {
        {"credit card", "Credit Card", nullptr, 0},
        {"debit card", "Debit Card", nullptr, 1},
        {"check by MICR", "Check", "MICR", 2},
        {"check by license", "Check", "Driver's License", 4},
        {"check by license and birthdate", "Check", "Driver's License and Birthdate", 5},
        {"no card", "None", nullptr, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Reset(FileNo::Tenders);
        std::string script = "type CARD\nkey Enter\nkey Enter\nkey Enter\nkey Enter\ntype Yes\nkey Enter\ntype " +
                             std::string(row.card) + "\nkey Enter\n";
        if (row.verification != nullptr)
            script += "type " + std::string(row.verification) + "\nkey Enter\n";
        script += "key F10\nkey Esc\n";
        const std::string t = Tenders(script);
        const auto stored = StoredTenders();
        ASSERT_EQ(stored.size(), 1u) << t;
        EXPECT_EQ(+stored[0].ProcessingKind, +row.stored) << t;
        EXPECT_EQ(stored[0].Processing, 'Y') << t;
    }
}

// A check by license changed to a credit card: the verification left on
// the switched-off field no longer makes it a check.
TEST_F(TenderTaxTest, AVerificationLeftBehindDoesNotMakeACardACheck)
{
    PutTender(Tender("CHK", "Check", 4, 'K'));
    const std::string t = Tenders("type CHK\nkey Enter\nfield 7 Credit Card\nkey F10\nkey Esc\n");
    const auto stored = StoredTenders();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(+stored[0].ProcessingKind, 0) << t;
}

TEST_F(TenderTaxTest, TheCardFieldsFollowProcessingAndCardKind)
{
    PutTender(Tender("CHK", "Check", 4, 'K'));
    // processing Yes and a check: the cursor reaches the verification;
    // with a credit card it skips to the remark
    const std::string t = Tenders("type CHK\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Enter\n"
                                  "key Enter\nkey Enter\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "field 8 enter \"Driver's License\"")) << t;
    const std::string c = Tenders("type CHK\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Enter\n"
                                  "type Credit Card\nkey Enter\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(c, "field 7 exit \"Credit Card\" -> 0\nfield 9 enter")) << c;
    const std::string n = Tenders("type CHK\nkey Enter\nkey Enter\nkey Enter\nkey Enter\ntype No\nkey Enter\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(n, "field 6 exit \"No\" -> 0\nfield 9 enter")) << n;
}

TEST_F(TenderTaxTest, TenderAccountChecks)
{
    struct Row {
        const char* what;
        const char* account;
        const char* message;   // null: accepted
    } rows[] = {
        {"a detail account", "1100", nullptr},
        {"an unknown account", "9999", "does not exist"},
        {"a general account", "1900", "This is a general account"},
        {"an interface account", "11051", "in use as an interface account"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Reset(FileNo::Tenders);
        const std::string t = Tenders("type T\nkey Enter\nkey Enter\nfield 3 " + std::string(row.account) +
                                      "\nkey Enter\nkey F10\nkey Esc\n" + (row.message != nullptr ? "answer Yes\n" : ""));
        if (row.message == nullptr) {
            ASSERT_EQ(StoredTenders().size(), 1u) << t;
            EXPECT_STREQ(StoredTenders()[0].Account, row.account);
        } else {
            EXPECT_TRUE(Has(t, row.message)) << t;
            EXPECT_TRUE(StoredTenders().empty()) << t;
        }
    }
}

TEST_F(TenderTaxTest, AnInterfacedStoreRefusesATenderWithoutAccount)
{
    Interfaced();
    const std::string t = Tenders("type T\nkey Enter\nfield 3 \nkey F10\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "Enter an account for every interface account field.")) << t;
    EXPECT_TRUE(StoredTenders().empty()) << t;
}

TEST_F(TenderTaxTest, TenderDeleteAsksAndABlankCodeIsRefused)
{
    struct Row {
        const char* what;
        const char* script;
        size_t count;
        const char* message;
    } rows[] = {
        {"No keeps it", "type CASH\nkey Enter\nkey F6\nanswer No\nkey Esc\n", 1, "Delete this tender?"},
        {"Yes removes it", "type CASH\nkey Enter\nkey F6\nanswer Yes\nkey Esc\n", 0, "Delete this tender?"},
        {"blank code", "key Enter\nkey Esc\n", 1, "Enter a tender code first."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Reset(FileNo::Tenders);
        PutTender(Tender("CASH", "Cash", 3));
        const std::string t = Tenders(row.script);
        EXPECT_EQ(StoredTenders().size(), row.count) << t;
        EXPECT_TRUE(Has(t, row.message)) << t;
    }
}

// ---- Tax codes

TEST_F(TenderTaxTest, AStandAloneTaxCodeKeepsOneRate)
{
    const std::string t = Taxes("type ST\nkey Enter\ntype State\nkey Enter\ntype 7.5\nkey F10\nkey Esc\n");
    EXPECT_TRUE(Has(t, "RSEditNoIntfTax")) << t;
    const auto stored = StoredTaxes();
    ASSERT_EQ(stored.size(), 1u) << t;
    EXPECT_FLOAT_EQ(+stored[0].TotalRate, 7.5f);
    EXPECT_FLOAT_EQ(+stored[0].Entries[0].Rate, 7.5f);
    EXPECT_EQ(std::string(stored[0].Entries[0].Account), "21042     ");
    EXPECT_EQ(stored[0].Flag, 'N');
    EXPECT_EQ(Audit(), "") << "audit entries are kept only with passwords";
}

TEST_F(TenderTaxTest, InterfacedRatesAddUpAndZeroRatesShowEmpty)
{
    Interfaced();
    const std::string t = Taxes("type IT\nkey Enter\ntype Taxes\nkey Enter\nkey Enter\n"
                                "type 2100\nkey Enter\ntype 5\nkey Enter\n"
                                "type 2200\nkey Enter\ntype 2.5\nkey Enter\n"
                                "key Enter\ntype 0\nkey Enter\n"
                                "field 29 2100\nfield 31 1\nkey F10\nkey Esc\n");
    EXPECT_TRUE(Has(t, "RSEditTaxCode")) << t;
    const auto stored = StoredTaxes();
    ASSERT_EQ(stored.size(), 1u) << t;
    EXPECT_FLOAT_EQ(+stored[0].TotalRate, 7.5f);
    EXPECT_FLOAT_EQ(+stored[0].Entries[1].Rate, 2.5f);
    EXPECT_STREQ(stored[0].Entries[1].Account, "2200");
    EXPECT_FLOAT_EQ(+stored[0].FurtherRate, 1.0f);
    float copy = 0;
    std::memcpy(&copy, stored[0].Data23, sizeof copy);
    EXPECT_FLOAT_EQ(copy, 1.0f);
    EXPECT_TRUE(Has(t, "field 12 exit \"\" -> 0")) << t;
}

TEST_F(TenderTaxTest, InterfacedSaveRefusals)
{
    Interfaced();
    struct Row {
        const char* what;
        const char* fields;
        const char* message;
        int focus;
    } rows[] = {
        {"a rate without an account", "field 4 2100\nfield 6 5\nfield 9 2\nfield 29 2100\n",
         "Enter an account for every interface account field.", 7},
        {"no account at all", "field 29 2100\n", "Enter at least one tax account.", 4},
        {"no further account", "field 4 2100\nfield 6 5\n", "Enter at least one tax account.", 29},
        {"a general account", "field 4 1900\nfield 29 2100\n", "This is a general account", 4},
        {"an interface account of the sales", "field 4 2100\nfield 7 11051\nfield 29 2100\n",
         "interface account of the sales", 7},
        {"an unknown further account", "field 4 2100\nfield 29 7777\n", "does not exist", 29},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string t = Taxes("type X\nkey Enter\n" + std::string(row.fields) + "key F10\ntype 9\nkey Esc\nanswer Yes\n");
        EXPECT_TRUE(Has(t, row.message)) << t;
        EXPECT_TRUE(Has(t, "key F10 -> stay focused\nfield " + std::to_string(row.focus) + " type")) << t;
        EXPECT_TRUE(StoredTaxes().empty()) << t;
    }
}

TEST_F(TenderTaxTest, TaxRightsAtStartSaveAndDelete)
{
    TaxRecord old{};
    Put(old.Code, "OLD");
    old.Flag = 'N';
    struct Row {
        const char* what;
        std::vector<int> rights;
        const char* script;
        size_t count;
        bool f6;
    } rows[] = {
        {"no tax right: the screen does not open", {}, "", 1, false},
        {"no add right: a new code is not written", {134, 115, 116}, "type NEW\nkey Enter\nkey F10\nkey Esc\n", 1, false},
        {"add right: written", {134, 24}, "type NEW\nkey Enter\nkey F10\nkey Esc\n", 2, false},
        {"no delete right: F6 stays off", {134}, "type OLD\nkey Enter\nkey F6\nkey Esc\n", 1, false},
        {"delete right", {134, 116}, "type OLD\nkey Enter\nkey F6\nanswer Yes\nkey Esc\n", 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Reset(FileNo::TaxTable);
        PutTax(old);
        SignInWithRights("CLERK", row.rights);
        const std::string t = Taxes(row.script);
        EXPECT_EQ(StoredTaxes().size(), row.count) << t;
        EXPECT_EQ(Has(t, "Delete this tax code?"), row.f6) << t;
    }
}

// A nested run refused for want of the add right tells the pick list that
// nothing was written.
TEST_F(TenderTaxTest, ARefusedNestedSaveIsNotReportedAsSaved)
{
    SignInWithRights("CLERK", {115});
    Table file;
    ASSERT_TRUE(file.Open(FileNo::TaxTable).Ok());
    const uint16_t handle = file.Handle();
    TaxRecord record{};
    TagLookUpData data{};
    data.Handle = handle;
    data.Record = &record;
    data.RecordLength = sizeof record;
    uint8_t work[32] = {};
    const int32_t start = kEditorNew;
    std::memcpy(work, &start, sizeof start);
    TagLookUp lookup{};
    lookup.Data = &data;
    lookup.WorkArea = work;
    int result = -1;
    const std::string t = Run([&] { return EditTaxCodeFromList(&lookup); }, "type NEW\nkey Enter\nkey F10\n", &result);
    file.Close();
    EXPECT_EQ(result, 0) << t;
    int32_t word = -1;
    std::memcpy(&word, work, sizeof word);
    EXPECT_EQ(word, 0) << t;
    EXPECT_TRUE(StoredTaxes().empty()) << t;
}

TEST_F(TenderTaxTest, DeletingATaxCodeWithHistoryAsksFirst)
{
    TaxRecord r{};
    Put(r.Code, "HIS");
    r.Flag = 'N';
    r.History[3][20] = 12.5;
    struct Row {
        const char* answers;
        size_t count;
    } rows[] = {{"answer Cancel\n", 1}, {"answer Continue\nanswer No\n", 1}, {"answer Continue\nanswer Yes\n", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answers);
        Reset(FileNo::TaxTable);
        PutTax(r);
        const std::string t = Taxes("type HIS\nkey Enter\nkey F6\n" + std::string(row.answers) + "key Esc\n");
        EXPECT_TRUE(Has(t, "period history")) << t;
        EXPECT_EQ(StoredTaxes().size(), row.count) << t;
    }
}

// The history screen shows and writes only the two arrays it was opened on.
TEST_F(TenderTaxTest, TheHistoryScreenCorrectsOnlyItsArrays)
{
    struct Row {
        int selector;
        int first, second;
    } rows[] = {{1, 0, 2}, {0, 1, 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.selector);
        Reset(FileNo::TaxTable);
        TaxRecord r{};
        Put(r.Code, "HIS");
        r.Flag = 'N';
        for (int a = 0; a < 4; ++a)
            r.History[a][0] = a + 1;
        PutTax(r);
        Table file;
        ASSERT_TRUE(file.Open(FileNo::TaxTable).Ok());
        const uint16_t handle = file.Handle();
        TaxRecord work{};
        KeyBuffer key;
        std::memcpy(key.bytes, "HIS", 3);
        ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key.bytes, &work, sizeof work), 0);
        TagPeriods periods{};
        periods.Count = 12;
        int result = -1;
        // period 1 of A and prior period 1 of B are corrected
        const std::string t = Run([&] { return RSEditTaxHistory(handle, row.selector, &work, &periods); },
                                  "field 3 10\nkey Enter\nfield 42 7\nkey Enter\nkey F10\n", &result);
        file.Close();
        EXPECT_EQ(result, 1) << t;
        const auto stored = StoredTaxes();
        ASSERT_EQ(stored.size(), 1u);
        for (int a = 0; a < 4; ++a) {
            const double expected = a == row.first ? 10.0 : a + 1;
            EXPECT_DOUBLE_EQ(+stored[0].History[a][0], expected) << a << "\n" << t;
        }
        EXPECT_DOUBLE_EQ(+stored[0].History[row.second][13], 7.0) << t;
        EXPECT_DOUBLE_EQ(+stored[0].History[row.second == 2 ? 3 : 2][13], 0.0) << t;
        EXPECT_TRUE(Has(t, "field 3 exit \"10.00\"")) << t;
    }
}

}  // namespace
}  // namespace bwps::test
