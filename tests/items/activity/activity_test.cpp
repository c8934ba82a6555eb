// Product activity, its baseline, item details, history buckets and the
// product record services over a fixture company.
#include "bwps/files.h"
#include "bwps/products.h"

#include <gtest/gtest.h>

#include <cstring>

#include "bwps/ordinals.h"
#include "tests/posting/registers/company.h"

namespace {

using regtest::Put;

TagProduct Product(const char* code, double quantity, double value, uint8_t kind = 1)
{
    TagProduct p;
    InitProductRecord(&p);
    Put(p.Code, code);
    p.Kind = kind;
    p.Amounts[PRODUCT_QUANTITY] = quantity;
    p.Amounts[PRODUCT_VALUE] = value;
    Put(p.Text85, "BOX");
    Put(p.MasterCode, "MASTER");
    Put(p.Warehouse, "WH1");
    return p;
}

TagProductActivity Activity(const char* code, double quantity, double value)
{
    TagProductActivity a;
    std::memset(&a, 0, sizeof a);
    Put(a.Code, code);
    a.Source = 'P';
    a.Direction = quantity < 0 ? '5' : '1';
    a.Quantity = quantity;
    a.Value = value;
    return a;
}

class ActivityTest : public regtest::CompanyTest {
protected:
    void SetUp() override
    {
        regtest::CompanyTest::SetUp();
        if (HasFatalFailure())
            return;
        TagLastNumbers numbers{};
        std::memcpy(numbers.Key, GENERAL_KEY_LASTNUMBERS, 16);
        numbers.Counters[8] = 41;
        PutSettings(&numbers, sizeof numbers);
        GetSysInterfaceRecord()->ProductActivity = 'Y';
    }
    int32_t ActivityCounter()
    {
        uint16_t h = Open(bwps::No(bwps::FileNo::General));
        char key[256] = {};
        std::memcpy(key, GENERAL_KEY_LASTNUMBERS, 16);
        TagLastNumbers n{};
        EXPECT_EQ(BtrGet(B_GET_EQUAL, h, key, &n, sizeof n), 0);
        BtrCloseFile(h);
        return n.Counters[8];
    }
    TagProduct Stored(const char* code)
    {
        for (const TagProduct& p : All<TagProduct>(20))
            if (std::strcmp(p.Code, code) == 0)
                return p;
        ADD_FAILURE() << "no product " << code;
        return TagProduct{};
    }
};

TEST_F(ActivityTest, ProductRecordDefaults)
{
    TagProduct p;
    std::memset(&p, 0x55, sizeof p);
    EXPECT_EQ(InitProductRecord(&p), 0);
    EXPECT_EQ(std::string(p.Flags262, 5), std::string("\0YYNN", 5));
    EXPECT_EQ(+p.Kind, 3);
    EXPECT_EQ(+p.Byte269, 1);
    EXPECT_STREQ(p.Unit1, "EA");
    EXPECT_STREQ(p.Unit2, "EA");
    EXPECT_EQ(+p.UnitFactor, 1);
    EXPECT_EQ(+p.Value272, 1);
    EXPECT_EQ(+p.Amounts[PRODUCT_QUANTITY], 0);

    std::memset(&p, 0x55, sizeof p);
    EXPECT_EQ(InitProductRecordDefaults(&p), 0);
    EXPECT_EQ(std::string(p.Flags262, 5), "NYNNN");
    EXPECT_EQ(+p.Byte269, 'Y');
    EXPECT_EQ(+p.BaselineValue, 0);

    std::memcpy(p.Flags262, "nN\0xY", 5);
    NormalizeProductYesNo(&p);
    EXPECT_EQ(std::string(p.Flags262, 5), "NNNYY");
}

TEST_F(ActivityTest, NumbersAreDrawnOnlyWhenTaken)
{
    char first[11], second[11];
    ASSERT_TRUE(NextActivityNumber(0, 0, first));
    ASSERT_TRUE(NextActivityNumber(0, 0, second));
    EXPECT_STREQ(first, "        42");
    EXPECT_STREQ(second, first);
    ASSERT_TRUE(NextActivityNumber(0, 1, first));
    ASSERT_TRUE(NextActivityNumber(0, 0, second));
    EXPECT_STREQ(second, "        43");
    EXPECT_EQ(ActivityCounter(), 42);
}

TEST_F(ActivityTest, NothingIsWrittenWhenActivityIsOffOrTheRecordIsEmpty)
{
    TagProduct p = Product("P1", 10, 100);
    struct Case {
        const char* what;
        char setting;
        double quantity, value;
    } cases[] = {{"activity off", 'N', -1, -10}, {"zero record", 'Y', 0.0004, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GetSysInterfaceRecord()->ProductActivity = c.setting;
        TagProductActivity a = Activity("P1", c.quantity, c.value);
        EXPECT_EQ(WriteProductActivity(0, &p, nullptr, &a), 0);
        EXPECT_EQ(Count(63), 0);
        EXPECT_EQ(ActivityCounter(), 41) << "no number drawn";
    }
}

TEST_F(ActivityTest, ActivityTakesItsNumberAndTextsFromTheProductOrService)
{
    TagProduct p = Product("P1", 10, 100);
    TagProductActivity a = Activity("P1", -2, -20);
    ASSERT_EQ(WriteProductActivity(0, &p, nullptr, &a), 0);
    char service[196] = {};
    std::memcpy(service + 46, "HOUR", 4);
    TagProductActivity s = Activity("S1", 1, 5);
    ASSERT_EQ(WriteProductActivity(0, nullptr, service, &s), 0);
    const auto rows = All<TagProductActivity>(63);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_STREQ(rows[0].Number, "        42");
    EXPECT_EQ(std::string(rows[0].Text64, 3), "BOX");
    EXPECT_STREQ(rows[0].Text106, "MASTER");
    EXPECT_STREQ(rows[0].Text117, "WH1");
    EXPECT_STREQ(rows[1].Number, "        43");
    EXPECT_EQ(std::string(rows[1].Text64, 4), "HOUR");
}

// Activity numbers that cannot be drawn leave the activity file unchanged.
TEST_F(ActivityTest, ActivityWithoutANumberIsNotWritten)
{
    uint16_t h = Open(bwps::No(bwps::FileNo::General));
    char key[256] = {};
    std::memcpy(key, GENERAL_KEY_LASTNUMBERS, 16);
    TagLastNumbers n{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, &n, sizeof n), 0);
    uint8_t none[1] = {};
    ASSERT_EQ(BtrWrite(B_DELETE, h, nullptr, none, 0), 0);
    BtrCloseFile(h);
    TagProduct p = Product("P1", 10, 100);
    TagProductActivity a = Activity("P1", -2, -20);
    EXPECT_EQ(WriteProductActivity(0, &p, nullptr, &a), B_KEY_NOT_FOUND);
    EXPECT_EQ(Count(63), 0);
}

// After a table of sales the baseline that the scan computes equals the
// baseline taken before them: quantity and value on hand less the activity.
TEST_F(ActivityTest, ScannedBaselineEqualsTheBaselineKeptBeforeTheSales)
{
    Insert(20, Product("P1", 10, 100));
    Insert(20, Product("P2", 5, 40));
    ASSERT_EQ(ResetActivityBaseline(), 0);
    struct Sale {
        const char* code;
        double quantity, value;
    } sales[] = {{"P1", -2, -20}, {"P2", -1, -8}, {"P1", 4, 44}, {"P1", -3, -31.5}};
    uint16_t products = Open(bwps::No(bwps::FileNo::Products));
    for (const Sale& s : sales) {
        char key[256] = {};
        std::strcpy(key, s.code);
        TagProduct p;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, products, key, &p, sizeof p), 0);
        p.Amounts[PRODUCT_QUANTITY] += s.quantity;
        p.Amounts[PRODUCT_VALUE] += s.value;
        ASSERT_EQ(BtrWrite(B_UPDATE, products, key, &p, sizeof p), 0);
        TagProductActivity a = Activity(s.code, s.quantity, s.value);
        ASSERT_EQ(WriteProductActivity(0, &p, nullptr, &a), 0);
    }
    BtrCloseFile(products);
    const TagProduct before1 = Stored("P1");
    EXPECT_DOUBLE_EQ(+before1.BaselineQuantity, 10);
    ASSERT_EQ(ScanProductActivity(), 0);
    const TagProduct after1 = Stored("P1"), after2 = Stored("P2");
    EXPECT_DOUBLE_EQ(+after1.BaselineQuantity, 10);
    EXPECT_DOUBLE_EQ(+after1.BaselineValue, 100);
    EXPECT_DOUBLE_EQ(+after2.BaselineQuantity, 5);
    EXPECT_DOUBLE_EQ(+after2.BaselineValue, 40);
    EXPECT_DOUBLE_EQ(+after1.Amounts[PRODUCT_QUANTITY], 9);
}

TEST_F(ActivityTest, FindAndDeleteTouchOnlyTheProductsOwnRecords)
{
    TagProduct p = Product("P1", 10, 100);
    for (const char* code : {"P1", "P1", "P10"}) {
        TagProductActivity a = Activity(code, -1, -1);
        ASSERT_EQ(WriteProductActivity(0, &p, nullptr, &a), 0);
    }
    EXPECT_TRUE(HasProductActivity("P1", -1));
    EXPECT_FALSE(HasProductActivity("P2", -1));
    EXPECT_TRUE(HasProductActivity("", -1)) << "an empty code asks for any record";
    EXPECT_FALSE(DeleteProductActivity("P2", -1));
    EXPECT_EQ(Count(63), 3);
    EXPECT_TRUE(UpdateActivityTexts("P1", "NEWMASTER", nullptr, -1));
    uint16_t h = Open(bwps::No(bwps::FileNo::ProductActivity));
    EXPECT_TRUE(DeleteProductActivity("P1", h));
    BtrCloseFile(h);
    const auto rows = All<TagProductActivity>(63);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_STREQ(rows[0].Code, "P10");
    EXPECT_STREQ(rows[0].Text106, "MASTER");
}

// History buckets after a table of sales: the period is the bucket, less 13
// from the periods of the year on.
TEST_F(ActivityTest, HistoryBucketsAfterATableOfSales)
{
    struct Sale {
        int32_t year;
        int period, periods;
        double first, second;
        int bucket;
    } sales[] = {{2026, 0, 12, 10, 1, 0},   {2026, 0, 12, 5, 2, 0},  {2026, 5, 13, 7, 3, 5},
                 {2026, 14, 13, 9, 4, 1},   {2026, 13, 13, 2, 1, 0},
                 {2027, 3, 12, 11, 6, 3}};
    uint16_t h = Open(bwps::No(bwps::FileNo::ProductHistory));
    double expectFirst[2][13] = {}, expectSecond[2][13] = {};
    for (const Sale& s : sales) {
        TagProductHistory amounts;
        std::memset(&amounts, 0, sizeof amounts);
        const int b = s.period >= s.periods ? s.period - 13 : s.period;
        ASSERT_GE(b, 0);
        amounts.First[b] = s.first;
        amounts.Second[b] = s.second;
        ASSERT_TRUE(AddProductHistory(h, &amounts, "P1", s.year, s.period, s.periods));
        expectFirst[s.year - 2026][b] += s.first;
        expectSecond[s.year - 2026][b] += s.second;
    }
    for (int32_t year : {2026, 2027}) {
        uint8_t key[19] = {};
        std::memcpy(key, "P1", 2);
        std::memcpy(key + 15, &year, 4);
        TagProductHistory r;
        ASSERT_TRUE(ReadProductHistory(h, key, &r));
        for (int b = 0; b < 13; ++b) {
            EXPECT_DOUBLE_EQ(+r.First[b], expectFirst[year - 2026][b]) << year << " bucket " << b;
            EXPECT_DOUBLE_EQ(+r.Second[b], expectSecond[year - 2026][b]) << year << " bucket " << b;
        }
    }
    BtrCloseFile(h);
    EXPECT_EQ(Count(38), 2);

    uint16_t sh = Open(bwps::No(bwps::FileNo::ServiceHistory));
    TagServiceHistory amounts;
    std::memset(&amounts, 0, sizeof amounts);
    amounts.Amounts[1] = 12.5;
    ASSERT_TRUE(AddServiceHistory(sh, &amounts, "S1", 2026, 14, 13));
    ASSERT_TRUE(AddServiceHistory(sh, &amounts, "S1", 2026, 1, 13));
    EXPECT_FALSE(AddServiceHistory(sh, &amounts, "S1", 2026, 40, 13)) << "no bucket 27";
    BtrCloseFile(sh);
    const auto rows = All<TagServiceHistory>(44);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(+rows[0].Amounts[1], 25);
}

TEST_F(ActivityTest, ItemDetailsCountDeleteAndPostedLines)
{
    struct {
        char bytes[130];
    } message = {};
    std::memcpy(message.bytes, "MSG1", 4);
    std::memcpy(message.bytes + 7, "first", 5);
    std::memcpy(message.bytes + 7 + 41 + 41, "third", 5);
    Insert(16, message);
    struct Row {
        const char* code;
        uint8_t line;
        char status;
        const char* messageCode;
        const char* text;
    } rows[] = {{"ITEM", 0, 'P', "MSG1", ""}, {"ITEM", 1, 'O', "", "inline"},
                {"ITEM", 2, 'P', "NONE", ""},  {"ITEM2", 0, 'P', "", "other"}};
    for (const Row& r : rows) {
        TagItemDetail d;
        std::memset(&d, 0, sizeof d);
        std::strcpy(d.Code, r.code);
        d.Code[15] = static_cast<char>(r.line);
        d.Status = r.status;
        std::memcpy(d.MessageCode, r.messageCode, std::strlen(r.messageCode));
        std::strcpy(d.Text, r.text);
        Insert(62, d);
    }
    uint16_t messages = Open(bwps::No(bwps::FileNo::MessageCodes));
    int count = -1;
    EXPECT_EQ(ReadItemDetails(0, messages, &count, "ITEM", 0), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(ReadItemDetails(0, messages, &count, "ITEM", 1), 0);
    EXPECT_EQ(count, 2);
    BtrCloseFile(messages);
    EXPECT_TRUE(HasItemDetails(0, "ITEM"));
    EXPECT_FALSE(HasItemDetails(0, "ITEM1"));
    EXPECT_TRUE(HasUnpostedItemDetail(0, "ITEM"));
    EXPECT_FALSE(HasUnpostedItemDetail(0, "ITEM2"));
    EXPECT_EQ(DeleteItemDetails(0, "ITEM"), 0);
    EXPECT_FALSE(HasItemDetails(0, "ITEM"));
    EXPECT_EQ(Count(62), 1);
}

TEST_F(ActivityTest, ActiveReadsLockedReadsAndSecondQuantity)
{
    TagProduct active = Product("P1", 1, 1, 1);
    TagProduct inactive = Product("P2", 1, 1, 1);
    inactive.Status = 'I';
    TagProduct service = Product("P3", 0, 0, 2);
    Insert(20, active);
    Insert(20, inactive);
    Insert(20, service);
    struct {
        char bytes[196];
    } svc = {};
    std::strcpy(svc.bytes, "S1");
    Insert(21, svc);
    uint16_t products = Open(bwps::No(bwps::FileNo::Products)), services = Open(bwps::No(bwps::FileNo::Services));
    TagProduct out;
    EXPECT_TRUE(ReadActiveProduct(products, "P1", &out));
    EXPECT_FALSE(ReadActiveProduct(products, "P2", &out));
    EXPECT_EQ(+out.Code[0], 0) << "an inactive product reads as cleared";
    EXPECT_FALSE(ReadActiveProduct(products, "P9", &out));

    int file = 0, status = -1;
    char record[668];
    EXPECT_TRUE(ReadRecordLocked("S1", products, services, record, &file, &status));
    EXPECT_EQ(file, 21);
    EXPECT_FALSE(ReadRecordLocked("X9", products, services, record, &file, &status));
    EXPECT_EQ(file, -1);
    BtrUnlock(-2, products, nullptr);
    BtrUnlock(-2, services, nullptr);

    EXPECT_EQ(UpdateProductRecord(products, "P1", 2.4), 0);
    EXPECT_EQ(UpdateProductRecord(products, "P3", 2.4), 0);
    EXPECT_EQ(UpdateProductRecord(products, "", 1), -1);
    EXPECT_EQ(UpdateProductRecord(products, "P9", 1), B_KEY_NOT_FOUND);
    BtrCloseFile(products);
    BtrCloseFile(services);
    EXPECT_DOUBLE_EQ(+Stored("P1").Amounts[PRODUCT_SECOND_QUANTITY], 2);
    EXPECT_DOUBLE_EQ(+Stored("P3").Amounts[PRODUCT_SECOND_QUANTITY], 0) << "no stock kept";
}

TEST(ProductOrdinals, ServicesAreReachedByNumber)
{
    EXPECT_EQ(BWPSOrdinal(421), reinterpret_cast<void*>(&InitProductRecord));
    EXPECT_EQ(BWPSOrdinal(430), reinterpret_cast<void*>(&NextActivityNumber));
    EXPECT_EQ(BWPSOrdinal(438), reinterpret_cast<void*>(&HasUnpostedItemDetail));
}

}  // namespace
