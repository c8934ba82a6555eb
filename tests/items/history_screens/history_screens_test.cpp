// The period-history screens of products, services, customers and vendors,
// run on a record that the test's own handle stands on, as an editor hands
// it over.
#include <gtest/gtest.h>

#include <cstring>

#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "bwps/screens.h"
#include "items/period_history_testing.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

class HistoryScreenTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Products, FileNo::Services, FileNo::Customers})
            Create(f);
        ResetHistoryScreenState();
    }
    void TearDown() override
    {
        if (handle_ != 0)
            BtrCloseFile(handle_);
        ResetHistoryScreenState();
        EditorTest::TearDown();
    }

    template <class R>
    void Put(FileNo file, R& r)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(file), &r, 11, &r, sizeof r), 0);
    }
    // Opens the file and stands on the record of the code, as the editor
    // that opens the screen does.
    template <class R>
    void StandOn(FileNo file, R& r)
    {
        ASSERT_EQ(BtrOpenFile(&handle_, Path(file).c_str(), 0, 0), 0);
        char key[255] = {};
        std::memcpy(key, &r, 11);
        ASSERT_EQ(BtrGet(B_GET_EQUAL, handle_, key, &r, sizeof r), 0);
    }
    template <class R>
    R Stored(FileNo file)
    {
        const auto all = ReadAll<R>(Path(file));
        EXPECT_EQ(all.size(), 1u);
        return all.empty() ? R{} : all[0];
    }
    static std::string Shown(int field) { return HistoryScreenText(field); }

    static TagProduct Product()
    {
        TagProduct p{};
        std::strcpy(p.Code, "WIDGET");
        p.UnitFactor = 12;
        p.Value272 = 1;
        const double runs[6][5] = {
            {24, 36, 30, 60, 99},        // quantity, first unit
            {1, 2, 3, 4, 99},            // quantity, second unit
            {100, 200, 150.5, 300, 99},  // amounts
            {50, 60, 70, 80, 99},
            {10, 20, 35, 40, 99},
            {7, 7, 7, 7, 99},            // column 6, worked out on screen
        };
        std::memcpy(p.Runs, runs, sizeof runs);
        return p;
    }
    static ServiceRecord Service()
    {
        ServiceRecord s{};
        std::strcpy(s.Code, "REPAIR");
        s.UnitFactor = 10;
        const double quantities[5] = {7, 20, 30, 50, 60};
        const double amounts[5] = {7, 100, 200, 250.25, 300};
        std::memcpy(s.Quantities, quantities, sizeof quantities);
        std::memcpy(s.Amounts, amounts, sizeof amounts);
        return s;
    }
    static CustomerRecord Customer()
    {
        CustomerRecord c{};
        std::strcpy(c.Code, "SMITH");
        std::strcpy(c.Name, "Smith Hardware");
        const int32_t invoices[5] = {1, 2, 10, 15, 77};
        const int32_t zero[5] = {0, 1, 0, 3, 77};
        const double sales[5] = {100, 200, 1000.5, 1200, 77};
        const double payments[5] = {50, 60, 400, 500, 77};
        const double layaways[5] = {5, 6, 100, 50, 77};
        std::memcpy(c.Invoices, invoices, sizeof invoices);
        std::memcpy(c.ZeroInvoices, zero, sizeof zero);
        std::memcpy(c.Sales, sales, sizeof sales);
        std::memcpy(c.Payments, payments, sizeof payments);
        std::memcpy(c.Layaways, layaways, sizeof layaways);
        return c;
    }

    uint16_t handle_ = 0;
};

// ---- products

TEST_F(HistoryScreenTest, ProductPeriodsAreShownByTheirPicturesWithTheChanges)
{
    TagProduct p = Product();
    Put(FileNo::Products, p);
    StandOn(FileNo::Products, p);
    int result = 0;
    const std::string t = Run([&] { return RSEditProdHist(handle_, &p); }, "key Esc\n", &result);
    EXPECT_EQ(result, 0x20) << t;
    const struct {
        int field;
        const char* text;
    } rows[] = {
        {1, "     2/0"},          // 24 in packs of 12
        {2, "      100"},
        {3, "       1"},
        {6, "       40"},         // column 4 minus column 5
        {12, "       40"},
        {13, "   2/6.0000"},      // period 3: four decimals
        {14, "    150.50"},
        {18, "     35.00"},
        {24, "       40"},
        {25, "        3"},        // 60/12 - 30/12 = 2.5 units, rounded
        {31, " 120.00"},
        {26, "      150"},        // 149.5 rounded
        {32, "  99.67"},
        {28, "       10"},
        {34, "  14.29"},
        {30, "        5"},        // column 6: 40 - 35
        {36, "  14.29"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Shown(row.field), row.text) << "field " << row.field << "\n" << t;
}

TEST_F(HistoryScreenTest, ProductCorrectionsAndTheirRefusals)
{
    const struct Row {
        const char* what;
        const char* script;
        int shownField;            // 0: nothing to look at
        const char* shown;
        int array, period;         // a stored value to check
        double stored;
        const char* message;       // in the transcript, or null
    } rows[] = {
        {"column 4 of period 1 changes its column 6 at once", "key Tab\nkey Tab\nkey Tab\ntype 500\nkey Enter\nkey Esc\nanswer Yes\n",
         6, "      490", 3, 0, 50, nullptr},
        {"F10 stores what is shown, column 6 included", "key Tab\nkey Tab\nkey Tab\ntype 500\nkey Enter\nkey F10\n", 0, "",
         5, 0, 490, nullptr},
        {"the period's column 4 is stored at its offset", "key Tab\nkey Tab\nkey Tab\ntype 500\nkey Enter\nkey F10\n", 0, "",
         3, 0, 500, nullptr},
        {"a quantity typed in packs is stored in units", "type 3/4\nkey Enter\nkey F10\n", 0, "", 0, 0, 40, nullptr},
        {"period 4 in the first unit", "field 19 5/0\nkey F10\n", 0, "", 0, 3, 60, nullptr},
        {"a quantity that does not read is refused", "field 13 /5\nkey Enter\nkey F10\nkey Esc\nanswer Yes\n", 0, "", 0, 2, 30,
         "This quantity cannot be read"},
        {"Esc keeps the record", "type 999\nkey Enter\nkey Esc\nanswer Yes\n", 0, "", 0, 0, 24, nullptr},
        {"the fifth entry of an array is kept", "key F10\n", 0, "", 2, 4, 99, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (handle_ != 0)
            BtrCloseFile(handle_);
        handle_ = 0;
        fs::remove(Path(FileNo::Products));
        Create(FileNo::Products);
        TagProduct p = Product();
        Put(FileNo::Products, p);
        StandOn(FileNo::Products, p);
        const std::string t = Run([&] { return RSEditProdHist(handle_, &p); }, row.script);
        if (row.shownField != 0) {
            EXPECT_EQ(Shown(row.shownField), row.shown) << t;
        }
        const TagProduct stored = Stored<TagProduct>(FileNo::Products);
        EXPECT_DOUBLE_EQ(stored.Runs[row.array][row.period], row.stored) << t;
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
    }
}

TEST_F(HistoryScreenTest, AProductWithoutPeriodThreeFiguresShowsNoPercentages)
{
    TagProduct p = Product();
    for (int array = 0; array < 6; ++array)
        p.Runs[array][2] = 0;
    Put(FileNo::Products, p);
    StandOn(FileNo::Products, p);
    const std::string t = Run([&] { return RSEditProdHist(handle_, &p); }, "key Esc\n");
    for (int field = 31; field <= 36; ++field)
        EXPECT_EQ(Shown(field), "   0.00") << "field " << field << "\n" << t;
    EXPECT_EQ(Shown(25), "        5") << t;  // 60 / 12
}

// The screen shows and corrects the stored record, read again from the
// position the caller's file stands on, whatever the caller's buffer holds.
TEST_F(HistoryScreenTest, TheStoredRecordIsShownAndHandedBack)
{
    TagProduct p = Product();
    Put(FileNo::Products, p);
    StandOn(FileNo::Products, p);
    p.Runs[2][0] = 12345;  // not stored
    Run([&] { return RSEditProdHist(handle_, &p); }, "key Esc\n");
    EXPECT_EQ(Shown(2), "      100");
    EXPECT_DOUBLE_EQ(p.Runs[2][0], 100);
}

TEST_F(HistoryScreenTest, AFileNotOnARecordOpensNoScreen)
{
    TagProduct p = Product();
    Put(FileNo::Products, p);
    ASSERT_EQ(BtrOpenFile(&handle_, Path(FileNo::Products).c_str(), 0, 0), 0);
    int result = 0;
    const std::string t = Run([&] { return RSEditProdHist(handle_, &p); }, "key F10\n", &result);
    EXPECT_EQ(result, 0x20);
    EXPECT_FALSE(Has(t, "window name RSEditProdHist")) << t;
    EXPECT_TRUE(Has(t, "message")) << t;
}

// ---- services

TEST_F(HistoryScreenTest, ServicePeriodsShownChangedAndStored)
{
    ServiceRecord s = Service();
    Put(FileNo::Services, s);
    StandOn(FileNo::Services, s);
    int result = -1;
    const std::string t = Run([&] { return RSEditServHist(handle_, &s); }, "key Esc\n", &result);
    EXPECT_EQ(result, 0) << t;
    const struct {
        int field;
        const char* text;
    } rows[] = {
        {1, "     2/0"},
        {2, "      100"},
        {5, "   5/0.0000"},
        {6, "      250.25"},
        {9, "       1"},
        {11, "  20.00"},
        {10, "       50"},
        {12, "  19.98"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Shown(row.field), row.text) << "field " << row.field << "\n" << t;

    const struct Row {
        const char* what;
        const char* script;
        double quantity2, amount3, quantity0;
        const char* message;
    } writes[] = {
        {"corrections at their offsets", "key Tab\nkey Tab\ntype 3/5\nkey Enter\nfield 6 99.5\nkey F10\n", 35, 99.5, 7, nullptr},
        {"Esc keeps the record", "key Tab\nkey Tab\ntype 3/5\nkey Enter\nkey Esc\nanswer Yes\n", 30, 250.25, 7, nullptr},
        {"a period 3 quantity that does not read", "field 5 /5\nkey Enter\nkey F10\nkey Esc\nanswer Yes\n", 30, 250.25, 7,
         "This quantity cannot be read"},
    };
    for (const Row& row : writes) {
        SCOPED_TRACE(row.what);
        BtrCloseFile(handle_);
        handle_ = 0;
        fs::remove(Path(FileNo::Services));
        Create(FileNo::Services);
        s = Service();
        Put(FileNo::Services, s);
        StandOn(FileNo::Services, s);
        const std::string w = Run([&] { return RSEditServHist(handle_, &s); }, row.script);
        const ServiceRecord stored = Stored<ServiceRecord>(FileNo::Services);
        EXPECT_DOUBLE_EQ(stored.Quantities[2], row.quantity2) << w;
        EXPECT_DOUBLE_EQ(stored.Amounts[3], row.amount3) << w;
        EXPECT_DOUBLE_EQ(stored.Quantities[0], row.quantity0) << w;
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(w, row.message)) << w;
        }
    }
}

// ---- customers and vendors

TEST_F(HistoryScreenTest, CustomerSlotsShownWithTheirChanges)
{
    CustomerRecord c = Customer();
    Put(FileNo::Customers, c);
    StandOn(FileNo::Customers, c);
    int result = 0;
    const std::string t = Run([&] { return RSEditCustHist(10, handle_, &c); }, "key Esc\n", &result);
    EXPECT_EQ(result, 0x20) << t;
    EXPECT_TRUE(Has(t, "window name RSEditCustHist")) << t;
    const struct {
        int field;
        const char* text;
    } rows[] = {
        {1, "     1"},  {3, "      100"},     {15, "     1000.50"}, {18, "      300.00"}, {6, "       45"},
        {25, "     5"}, {31, "  50.00"},       {27, "      200"},    {33, "  19.99"},       {30, "      150"},
        {36, "  50.00"}, {37, "SMITH"},        {38, "Smith Hardware"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Shown(row.field).substr(0, std::strlen(row.text)), row.text) << "field " << row.field << "\n" << t;
}

TEST_F(HistoryScreenTest, CustomerAndVendorWrites)
{
    const struct Row {
        const char* what;
        int file;
        const char* script;
        int32_t invoices1;
        double sales3, layaways0;
        int shownField;
        const char* shown;
    } rows[] = {
        {"a count and an amount at their offsets", 10, "field 7 9\nfield 21 1300\nkey Enter\nkey F10\n", 9, 1300, 5, 27, "      300"},
        {"amount C of a customer", 10, "field 5 1\nkey Enter\nkey F10\n", 2, 1200, 1, 6, "       49"},
        {"Esc keeps the record", 10, "field 7 9\nkey Enter\nkey Esc\nanswer Yes\n", 2, 1200, 5, 0, ""},
        {"a vendor writes no amount C", 30, "field 21 1300\nkey Enter\nkey F10\n", 2, 1300, 5, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // the screen works on the handle it is given: a vendor record is
        // kept in the customer-layout file of this company folder
        const FileNo file = FileNo::Customers;
        if (handle_ != 0)
            BtrCloseFile(handle_);
        handle_ = 0;
        fs::remove(Path(file));
        Create(file);
        CustomerRecord c = Customer();
        Put(file, c);
        StandOn(file, c);
        const std::string t = Run([&] { return RSEditCustHist(row.file, handle_, &c); }, row.script);
        const CustomerRecord stored = Stored<CustomerRecord>(file);
        EXPECT_EQ(+stored.Invoices[1], row.invoices1) << t;
        EXPECT_DOUBLE_EQ(stored.Sales[3], row.sales3) << t;
        EXPECT_DOUBLE_EQ(stored.Layaways[0], row.layaways0) << t;
        EXPECT_EQ(+stored.Invoices[4], 77) << t;
        EXPECT_DOUBLE_EQ(stored.Payments[4], 77) << t;
        if (row.shownField != 0) {
            EXPECT_EQ(Shown(row.shownField), row.shown) << t;
        }
        if (row.file == 30) {
            EXPECT_TRUE(Has(t, "window name RSEditVendHist")) << t;
            EXPECT_FALSE(Has(t, "field 5 enter")) << t;
        }
    }
}

TEST_F(HistoryScreenTest, ACustomerWithoutSlotTwoFiguresShowsNoPercentages)
{
    CustomerRecord c = Customer();
    c.Invoices[2] = 0;
    c.ZeroInvoices[2] = 0;
    c.Sales[2] = 0;
    c.Payments[2] = 0;
    c.Layaways[2] = 0;
    Put(FileNo::Customers, c);
    StandOn(FileNo::Customers, c);
    const std::string t = Run([&] { return RSEditCustHist(10, handle_, &c); }, "key Esc\n");
    for (int field = 31; field <= 36; ++field)
        EXPECT_EQ(Shown(field), "   0.00") << "field " << field << "\n" << t;
}

}  // namespace
}  // namespace bwps::test
