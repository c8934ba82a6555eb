// The customer's satellite screens: the history viewer and its corrections,
// the further addresses and their default, and the dialer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "bwps/alt_addresses.h"
#include "bwps/records/addresses.h"
#include "bwps/records/general.h"
#include "bwps/records/options.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "customers/customer_record.h"
#include "customers/dialer.h"
#include "customers/history_viewer.h"
#include "customers/purchase_history.h"
#include "bwps/records/sales.h"
#include "bwps/report_services.h"
#include "tests/items/frame/editor_fixture.h"

namespace fs = std::filesystem;

namespace bwps::test {
namespace {

class SatelliteTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        FxSetProductNumber(4);  // the point of sale's dictionary: the address list's columns
        for (FileNo f : {FileNo::Customers, FileNo::ReceivablesOpenItems, FileNo::CustomerStatistics,
                         FileNo::CustomerAddresses, FileNo::CustomerHistoryDetail, FileNo::CustomerHistorySummary})
            Create(f);
        Put(Customer("C1", "First Customer"));
        Put(Customer("C2", "Second Customer"));
    }
    static CustomerRecord Customer(const char* code, const char* name)
    {
        CustomerRecord r{};
        customers::InitCustomer(r);
        std::strncpy(r.Code, code, sizeof r.Code - 1);
        std::strncpy(r.Name, name, sizeof r.Name - 1);
        return r;
    }
    void Put(const CustomerRecord& r)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Customers), r.Code, sizeof r.Code, &r, sizeof r), 0);
    }
};

// ---- the history viewer

class HistoryViewerTest : public SatelliteTest {
protected:
    TagCustomerStatistics History(const char* code, int32_t year)
    {
        for (const auto& r : ReadAll<TagCustomerStatistics>(Path(FileNo::CustomerStatistics)))
            if (std::strcmp(r.Code, code) == 0 && r.Kind == year)
                return r;
        return TagCustomerStatistics{};
    }
    size_t HistoryCount() { return ReadAll<TagCustomerStatistics>(Path(FileNo::CustomerStatistics)).size(); }
    void PutHistory(const TagCustomerStatistics& r)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::CustomerStatistics), &r, 15, &r, sizeof r), 0);
    }
};

TEST_F(HistoryViewerTest, CorrectionsAreSavedAndReadBack)
{
    TagCustomerStatistics stored{};
    std::strcpy(stored.Code, "C1");
    stored.Kind = 2025;
    stored.First[1] = 5;
    stored.First[12] = 7;  // beyond the store's twelve periods
    stored.Second[12] = 8;
    PutHistory(stored);
    struct Row {
        const char* what;
        const char* code;
        int year;
        const char* script;
        double first0, second0, first1;
        const char* seen;  // in the transcript (null: nothing asked)
    } rows[] = {
        {"no record for the year: the save creates it", "C1", 2026,
         "key F9\ntype 100\nkey Enter\ntype 40\nkey Enter\nkey F10\nkey Esc\n", 100, 40, 0, nullptr},
        {"an existing record keeps the amounts not corrected", "C1", 2025,
         "key F9\ntype 12.5\nkey Enter\nkey F10\nkey Esc\n", 12.5, 0, 5, nullptr},
        {"letters are refused at the amount", "C1", 2024, "key F9\ntype abc\nkey Enter\nkey F10\nkey Esc\n", 0,
         0, 0, "a number takes digits only"},
        {"the code typed on the screen", "", 2026,
         "type C2\nkey Enter\nkey F9\ntype 9\nkey Enter\nkey F10\nkey Esc\n", 9, 0, 0, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string code = row.code;
        const int year = row.year;
        const std::string t = Run([&] { return RSViewCustHistory(code.empty() ? nullptr : code.c_str(), year); },
                                  row.script);
        const char* owner = code.empty() ? "C2" : code.c_str();
        const TagCustomerStatistics r = History(owner, year);
        EXPECT_EQ(+r.First[0], row.first0) << t;
        EXPECT_EQ(+r.Second[0], row.second0) << t;
        EXPECT_EQ(+r.First[1], row.first1) << t;
        if (row.seen != nullptr) {
            EXPECT_TRUE(Has(t, row.seen)) << t;
        }
    }
    EXPECT_EQ(+History("C1", 2025).First[12], 7) << "a thirteenth period the store does not have stays as read";
    EXPECT_EQ(+History("C1", 2025).Second[12], 8);
}

TEST_F(HistoryViewerTest, TheByParametersEntryOpensOnTheCustomerOrEmpty)
{
    struct Row {
        const char* params;
        const char* entered;
    } rows[] = {{"", "field 1 enter \"\""}, {"cdno='C2'", "field 1 enter \"C2\""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.params);
        int result = 0;
        const std::string t = Run([&] { return ViewCustHistoryByParams(row.params); }, "key Esc\n", &result);
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(Has(t, row.entered)) << t;
    }
}

// The save reads the record under a lock; afterwards another station can
// take the record, for a new record and for one updated.
TEST_F(HistoryViewerTest, TheSaveLeavesNoLock)
{
    TagCustomerStatistics amounts{};
    amounts.First[0] = 3;
    for (const char* what : {"inserted", "updated"}) {
        SCOPED_TRACE(what);
        Table history;
        ASSERT_TRUE(history.Open(FileNo::CustomerStatistics).Ok());
        ASSERT_TRUE(customers::SaveCustomerHistory(history, "C1", 2026, amounts, 12).Ok());
        Table other;
        ASSERT_TRUE(other.Open(FileNo::CustomerStatistics).Ok());
        KeyBuffer key;
        std::memcpy(key.bytes, "C1", 2);
        const int32_t year = 2026;
        std::memcpy(key.bytes + 11, &year, 4);
        TagCustomerStatistics r{};
        EXPECT_TRUE(other.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, r).Ok()) << "the save left its lock";
        EXPECT_EQ(+r.First[0], 3);
        other.UnlockAll();
    }
}

// ---- further addresses

class AddressTest : public SatelliteTest {
protected:
    void SetUp() override
    {
        SatelliteTest::SetUp();
        PutAddress("C0", 'N', "zero street");
        PutAddress("C1", 'Y', "one street");
        PutAddress("C1", 'N', "two street");
        PutAddress("C2", 'N', "three street");
    }
    void PutAddress(const char* customer, char isDefault, const char* line)
    {
        TagAltAddress a{};
        std::strcpy(a.Customer, customer);
        a.Default = isDefault;
        std::strcpy(a.Lines[0], line);
        std::strcpy(a.City, "Town");
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::CustomerAddresses), &a, 12, &a, sizeof a), 0);
    }
    std::string Select(const char* customer, const std::string& script, int allowDelete = 1, int allowEdit = 1,
                       int* picked = nullptr)
    {
        Table file;
        EXPECT_TRUE(file.Open(FileNo::CustomerAddresses).Ok());
        TagAltAddress out{};
        return Run([&] { return SelectAltAddress(1, customer, file.Handle(), &out, 4, 5, 13, 68, 9, allowDelete,
                                                 allowEdit); },
                   script, picked);
    }
    // "customer line default" of every address, in file order.
    std::vector<std::string> Stored()
    {
        std::vector<std::string> out;
        for (const TagAltAddress& a : ReadAll<TagAltAddress>(Path(FileNo::CustomerAddresses)))
            out.push_back(std::string(a.Customer) + " " + a.Lines[0] + " " + a.Default);
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(AddressTest, TheRestrictedListHoldsOnlyTheCustomersAddresses)
{
    struct Row {
        const char* customer;
        const char* script;
        std::vector<std::string> shown, hidden;
    } rows[] = {
        {"C1", "key Down\nkey Down\nkey Down\nkey Esc\n", {"one street", "two street"},
         {"zero street", "three street"}},
        {"C1", "key End\nkey Up\nkey Home\nkey Esc\n", {"one street", "two street"},
         {"zero street", "three street"}},
        {"C9", "key Down\nkey Esc\n", {"list empty"}, {"street"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.customer) + ": " + row.script);
        const std::string t = Select(row.customer, row.script);
        for (const std::string& s : row.shown)
            EXPECT_TRUE(Has(t, s)) << t;
        for (const std::string& s : row.hidden)
            EXPECT_FALSE(Has(t, s)) << t;
    }
    int picked = 0;
    const std::string t = Select("C1", "key Down\nkey Enter\n", 1, 1, &picked);
    EXPECT_EQ(picked, 1) << t;
}

TEST_F(AddressTest, OneDefaultAddressPerCustomer)
{
    struct Row {
        const char* what;
        const char* script;
        std::vector<std::string> stored;
        bool refused;
    } rows[] = {
        {"a second default is refused, then saved as not the default",
         "key F8\nfield 1 four street\nfield 15 Yes\nkey F10\nfield 15 No\nkey F10\nkey Esc\n",
         {"C0 zero street N", "C1 four street N", "C1 one street Y", "C1 two street N", "C2 three street N"}, true},
        {"the default itself saved again", "key F9\nfield 1 first street\nkey F10\nkey Esc\n",
         {"C0 zero street N", "C1 first street Y", "C1 two street N", "C2 three street N"}, false},
        {"another customer's default does not count", "key F8\nfield 1 five street\nfield 15 Yes\nkey F10\nkey Esc\n",
         {"C0 zero street N", "C1 one street Y", "C1 two street N", "C2 five street Y", "C2 three street N"},
         false},
    };
    const char* customers[] = {"C1", "C1", "C2"};
    int i = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        const std::string t = Select(customers[i++], row.script);
        EXPECT_EQ(Stored(), row.stored) << t;
        EXPECT_EQ(Has(t, "has a default address already"), row.refused) << t;
    }
}

TEST_F(AddressTest, TheCallerDecidesWhichKeysChangeTheFile)
{
    struct Row {
        const char* what;
        int allowDelete, allowEdit;
        const char* script;
        size_t count;
    } rows[] = {
        {"F6 deletes after the question", 1, 1, "key F6\nanswer Yes\nkey Esc\n", 3},
        {"F6 answered No keeps it", 1, 1, "key F6\nanswer No\nkey Esc\n", 4},
        {"F6 off", 0, 1, "key F6\nkey Esc\n", 4},
        {"F8 off", 1, 0, "key F8\nfield 1 new street\nkey F10\nkey Esc\n", 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        const std::string t = Select("C1", row.script, row.allowDelete, row.allowEdit);
        EXPECT_EQ(Stored().size(), row.count) << t;
    }
}

// ---- the dialer

TEST(DialString, FromTheSettingsAndTheNumber)
{
    struct Row {
        const char* prefix;
        char longDistance, areaCode;
        const char* number;
        const char* dial;
    } rows[] = {
        {"9", 'N', 'N', "(555) 123-4567", "91234567"},
        {"9", 'N', 'Y', "(555) 123-4567", "95551234567"},
        {"9,", 'Y', 'Y', "(555) 123-4567", "9,15551234567"},
        {"", 'N', 'N', "123-4567", "1234567"},
        {"8", 'N', 'N', "", "8"},
    };
    for (const Row& row : rows) {
        TagDialerRecord settings{};
        std::strcpy(settings.Prefix, row.prefix);
        settings.LongDistance = row.longDistance;
        settings.AreaCode = row.areaCode;
        EXPECT_EQ(customers::BuildDialString(settings, row.number), row.dial) << row.number;
    }
    for (const char* bad : {"9;", "9A1", "1 2"})
        EXPECT_FALSE(customers::DialStringAccepted(bad)) << bad;
    EXPECT_TRUE(customers::DialStringAccepted("9,*#0123456789"));
}

TEST_F(SatelliteTest, TheDialerOffersOnlyFilledNumbers)
{
    CustomerRecord c = Customer("C1", "x");
    std::strcpy(c.Phone[0], "(555) 123-4567");
    std::strcpy(c.Phone[1], "(   )    -    ");
    std::strcpy(c.Phone[2], "(777) 000-1111");
    EXPECT_EQ(customers::DialNumberList(c), "\001(555) 123-4567,(777) 000-1111");
    std::memset(c.Phone, 0, sizeof c.Phone);
    EXPECT_EQ(customers::DialNumberList(c), "\001");
}

class DialerTest : public SatelliteTest {
protected:
    void SetUp() override
    {
        SatelliteTest::SetUp();
        devices_ = Folder(data_) + "/devices";
        fs::create_directories(devices_);
        FxSetDeviceFolder(devices_.c_str());
    }
    void TearDown() override
    {
        FxSetDeviceFolder(nullptr);
        SatelliteTest::TearDown();
    }
    std::string Dial(const std::string& script)
    {
        CustomerRecord c = Customer("C1", "First Customer");
        std::strcpy(c.Phone[0], "(555) 123-4567");
        return Run([&] { return RSEditDialer(&c); }, script);
    }
    std::string PortOutput(const char* name)
    {
        std::ifstream in(devices_ + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    TagDialerRecord Settings()
    {
        for (const TagDialerRecord& r : ReadAll<TagDialerRecord>(Path(FileNo::General)))
            if (std::memcmp(r.Key, GENERAL_KEY_DIALER, GENERAL_KEY_SIZE) == 0)
                return r;
        return TagDialerRecord{};
    }
    std::string devices_;
};

TEST_F(DialerTest, TheCallGoesToTheModemPortOrTheProgram)
{
    struct Row {
        const char* what;
        const char* script;
        const char* message;  // null: none
        const char* port;     // the port file and what it holds (null: not written)
        const char* written;
    } rows[] = {
        {"no target", "key F10\n", "No line is set up for dialing.", nullptr, nullptr},
        {"the modem on COM2", "field 6 9\nfield 7 COM2\nkey F10\n", nullptr, "COM2.out", "ATDT91234567\r"},
        {"long distance with the area code", "field 4 Yes\nfield 5 Yes\nfield 6 9\nfield 7 COM1\nkey F10\n",
         nullptr, "COM1.out", "ATDT915551234567\r"},
        {"a prefix a modem does not take", "field 6 9;\nfield 7 COM1\nkey F10\nkey Esc\n",
         "characters a modem cannot dial", nullptr, nullptr},
        {"a program that places the call", "field 8 /bin/true\nkey F10\n", nullptr, nullptr, nullptr},
        {"a program that fails", "field 8 /bin/false\nkey F10\nkey Esc\n", "did not place the call", nullptr,
         nullptr},
        {"a program that is not there", "field 8 /nonexistent/dialer\nkey F10\nkey Esc\n",
         "did not place the call", nullptr, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(devices_);
        fs::create_directories(devices_);
        fs::remove(Path(FileNo::General));
        CreateGeneralFile();
        const std::string t = Dial(row.script);
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(t, row.message)) << t;
        } else {
            EXPECT_FALSE(Has(t, "message")) << t;
        }
        if (row.port != nullptr) {
            EXPECT_EQ(PortOutput(row.port), row.written) << t;
        } else {
            EXPECT_TRUE(fs::is_empty(devices_)) << t;
        }
    }
}

TEST_F(DialerTest, SettingsAreMadeWhenMissingAndWrittenOnlyWhenChanged)
{
    const std::string first = Dial("key Esc\n");
    TagDialerRecord made = Settings();
    EXPECT_EQ(made.LongDistance, 'N') << first;
    EXPECT_EQ(made.AreaCode, 'N');
    EXPECT_STREQ(made.Prefix, "");
    const std::string second = Dial("field 6 9\nfield 7 COM1\nkey F10\n");
    EXPECT_STREQ(Settings().Prefix, "9") << second;
    EXPECT_EQ(+Settings().ModemPort, 1);
    // an unchanged dial keeps the record as it is
    TagDialerRecord marked = Settings();
    marked.Prefix[10] = 'Z';  // beyond the prefix's NUL: only a rewrite would clear it
    PutGeneralRecord(&marked, sizeof marked);
    const std::string third = Dial("key F10\n");
    EXPECT_EQ(Settings().Prefix[10], 'Z') << third;
}

// ---- the purchase history report

class PurchaseHistoryTest : public SatelliteTest {
protected:
    void SetUp() override
    {
        SatelliteTest::SetUp();
        for (FileNo f : {FileNo::SalesHeader, FileNo::SalesDetail, FileNo::Registers})
            Create(f);
        // the report writer prints for a company with its name on file
        uint8_t company[GENERAL_COMPANY_SIZE] = {};
        std::memcpy(company, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
        std::memset(company + 16, ' ', 40);
        std::memcpy(company + 16, "Test Store", 10);
        PutGeneralRecord(company, sizeof company);
    }
    void Sale(const char* invoice, const char* customer, int32_t date, char type = 1, uint16_t flags = 0,
              const char* second = "", int32_t registerOffset = -1)
    {
        TagSalesHdr h{};
        std::snprintf(h.InvoiceNo, sizeof h.InvoiceNo, "%s", invoice);
        std::snprintf(h.CustomerNo, sizeof h.CustomerNo, "%s", customer);
        std::snprintf(h.LayawayCustomer, sizeof h.LayawayCustomer, "%s", second);
        h.Type = type;
        h.Flags = flags;
        h.TranDate = date;
        h.RegisterNumber = 1;
        h.FirstLineOffset = registerOffset;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::SalesHeader), h.InvoiceNo, sizeof h.InvoiceNo, &h, sizeof h), 0);
    }
    static TagSalesDetail Line(const char* invoice, int16_t number, char kind, const char* code, double total)
    {
        TagSalesDetail l{};
        std::snprintf(l.InvoiceNo, sizeof l.InvoiceNo, "%s", invoice);
        l.LineNo = number;
        l.Kind = kind;
        std::snprintf(l.ItemCode, sizeof l.ItemCode, "%s", code);
        std::snprintf(l.Description, sizeof l.Description, "about %s", code);
        l.Quantity = 1;
        l.UnitPrice = total;
        l.Extended = total;
        return l;
    }
    void PutLine(const TagSalesDetail& l)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::SalesDetail), &l, 13, &l, sizeof l), 0);
    }
    customers::PurchaseHistoryResult Print(int32_t from, int32_t to, std::string* text)
    {
        customers::PurchaseHistoryRange range{"C1", "First Customer", from, to};
        TagRepInfo report{};
        report.silent = 1;
        report.wide = 1;
        report.destination = REPORT_TO_TEXT_FILE;
        const std::string file = Folder(data_) + "history.txt";
        fs::remove(file);
        std::snprintf(report.outputFile, sizeof report.outputFile, "%s", file.c_str());
        const customers::PurchaseHistoryResult r = customers::PrintPurchaseHistory(range, report);
        std::ifstream in(file);
        *text = std::string(std::istreambuf_iterator<char>(in), {});
        return r;
    }
};

TEST_F(PurchaseHistoryTest, TheCustomersLinesOfTheRangeAndTheirTotal)
{
    Sale("INV1", "C1", 20260110);
    PutLine(Line("INV1", 1, 'P', "WIDGET", 10));
    PutLine(Line("INV1", 2, 'M', "NOTE", 99));  // a comment line: neither printed nor totalled
    PutLine(Line("INV1", 3, 'S', "INSTALL", 5));
    Sale("INV2", "C1", 20260301);
    PutLine(Line("INV2", 1, 'C', "FEE", 2.5));
    Sale("INV3", "C2", 20260110);
    PutLine(Line("INV3", 1, 'P', "OTHERS", 1000));
    // a completed layaway counts for its own customer; one in progress does not
    Sale("LAY1", "", 20260115, 3, SALE_LAYAWAY_COMPLETED, "C1");
    PutLine(Line("LAY1", 1, 'P', "LAYAWAYED", 7));
    Sale("LAY2", "", 20260116, 3, 0, "C1");
    PutLine(Line("LAY2", 1, 'P', "PENDING", 300));
    // lines kept in the register's own file
    {
        TagSalesDetail l = Line("REGS1", 1, 'P', "FROMREG", 4);
        std::ofstream out(Folder(data_) + "REG1.db", std::ios::binary);
        TagSalesDetail other = Line("EARLIER", 1, 'P', "NOTMINE", 50);
        out.write(reinterpret_cast<const char*>(&other), sizeof other);
        out.write(reinterpret_cast<const char*>(&l), sizeof l);
    }
    Sale("REGS1", "C1", 20260120, 1, 0, "", static_cast<int32_t>(sizeof(TagSalesDetail)));
    struct Row {
        const char* what;
        int32_t from, to;
        int rows;
        double total;
        std::vector<std::string> shown, hidden;
    } rows[] = {
        {"First to Last", 0, 0, 5, 28.5, {"WIDGET", "INSTALL", "FEE", "LAYAWAYED", "FROMREG", "Date From: First To Last",
                                           "GRAND TOTAL", "Product", "Service", "Code"},
         {"NOTE", "OTHERS", "PENDING", "NOTMINE"}},
        {"a range ending in Last", 20260201, 0, 1, 2.5, {"FEE", "To Last"}, {"WIDGET"}},
        {"a closed range", 20260101, 20260115, 3, 22, {"WIDGET", "LAYAWAYED"}, {"FEE", "FROMREG"}},
        {"nothing in the range", 20250101, 20250131, 0, 0, {}, {"GRAND TOTAL"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string text;
        const customers::PurchaseHistoryResult r = Print(row.from, row.to, &text);
        EXPECT_TRUE(r.status.Ok());
        EXPECT_FALSE(r.failed);
        EXPECT_EQ(r.rows, row.rows) << text;
        EXPECT_DOUBLE_EQ(r.total, row.total) << text;
        for (const std::string& s : row.shown)
            EXPECT_TRUE(Has(text, s)) << s << "\n" << text;
        for (const std::string& s : row.hidden)
            EXPECT_FALSE(Has(text, s)) << s << "\n" << text;
    }
}

TEST_F(PurchaseHistoryTest, TheViewerOpensTheReportOnItsCustomer)
{
    Sale("INV1", "C1", 20260110);
    PutLine(Line("INV1", 1, 'P', "WIDGET", 10));
    const std::string t = Run([] { return RSViewCustHistory("C1", 2026); },
                              "key Shift+F7\nfield 1 01/01/2026\nfield 2 \nkey F10\nkey Esc\nkey Esc\n");
    EXPECT_TRUE(Has(t, "RSCustPurchaseHist")) << t;
    std::ifstream in(Folder(data_) + customers::kPurchaseHistoryFile);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_TRUE(Has(text, "WIDGET")) << t << text;
    EXPECT_TRUE(Has(text, "Date From: 01/01/2026 To Last")) << text;
}

}  // namespace
}  // namespace bwps::test
