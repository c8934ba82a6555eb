// Promotional prices over real files: the price of a line by its kind,
// the lines of a selection range, the overlap of two transactions, the
// removal of a transaction's lines in one piece.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "bwps/promotions.h"
#include "bwps/records/masters.h"
#include "bwps/table.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

PromotionProductLine PricedLine(uint8_t kind, double regular, double amount)
{
    PromotionProductLine l{};
    l.PriceKind = kind;
    l.RegularPrice = regular;
    l.Amount = amount;
    return l;
}

TEST(PromoPrice, EachKindRoundedAndNeverNegative)
{
    struct Case {
        uint8_t kind;
        double regular, amount, price;
    } const cases[] = {
        {PROMO_PRICE, 19.99, 5.0, 19.99},       // the price itself; the amount is not used
        {PROMO_FLAT, 19.99, 5.0, 14.99},
        {PROMO_FLAT, 4.0, 5.0, 0.0},            // flat above the price
        {PROMO_PERCENT, 19.99, 10.0, 17.991},
        {PROMO_PERCENT, 1.23456, 0.0, 1.2346},  // four decimals
        {PROMO_PERCENT, 0.0, 10.0, 0.0},
        {PROMO_PRICE, -3.0, 0.0, 0.0},          // a negative price becomes 0
        {PROMO_PERCENT, -10.0, 10.0, 0.0},
    };
    for (const Case& c : cases) {
        const PromotionProductLine l = PricedLine(c.kind, c.regular, c.amount);
        EXPECT_DOUBLE_EQ(ComputePromoPrice(&l), c.price) << +c.kind << " " << c.regular << " " << c.amount;
    }
}

class PromotionsTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Products, FileNo::Customers, FileNo::PromotionHeader, FileNo::PromotionProducts,
                         FileNo::PromotionCustomers})
            Create(f);
        PutProduct("APPLE", "V1", "FRU", 2.0);
        PutProduct("BANANA", "V2", "FRU", 1.0);
        PutProduct("CHERRY", "V1", "FRU", 5.0, 'I');  // inactive
        PutProduct("DATE", "V3", "DRY", 8.0);
        PutProduct("EGG", "V2", "DAI", 0.5);
        PutCustomer("ANN", "GA", "Boston", "MA");
        PutCustomer("BOB", "GB", "Austin", "TX");
        PutCustomer("CAL", "GA", "Dallas", "TX");
    }
    void PutProduct(const char* code, const char* vendor, const char* dept, double price, char status = 'A')
    {
        TagProduct p{};
        std::snprintf(p.Code, sizeof p.Code, "%s", code);
        std::snprintf(p.Vendor1, sizeof p.Vendor1, "%s", vendor);
        std::snprintf(p.Text85, sizeof p.Text85, "%s", dept);
        p.Amounts[PRODUCT_AMOUNT290] = price;
        p.Status = status;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Products), p.Code, sizeof p.Code, &p, sizeof p), 0);
    }
    void PutCustomer(const char* code, const char* group, const char* city, const char* state)
    {
        CustomerRecord c{};
        std::snprintf(c.Code, sizeof c.Code, "%s", code);
        std::snprintf(c.Field27, sizeof c.Field27, "%s", group);
        std::snprintf(c.City, sizeof c.City, "%s", city);
        std::snprintf(c.State, sizeof c.State, "%s", state);
        c.Status = 'A';
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Customers), c.Code, sizeof c.Code, &c, sizeof c), 0);
    }
    static PromotionHeaderRecord Header(const char* number, int32_t start, int32_t end, char all = 'Y')
    {
        PromotionHeaderRecord h{};
        std::snprintf(h.Number, sizeof h.Number, "%s", number);
        h.StartDate = start;
        h.EndDate = end;
        h.PriceKind = PROMO_PERCENT;
        h.Amount = 10.0;
        h.Lowest = 'Y';
        h.AllCustomers = all;
        return h;
    }
    // A stored transaction: header, one product line, its customers.
    void Store(const PromotionHeaderRecord& h, const char* product, const std::vector<const char*>& customers)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::PromotionHeader), h.Number, 11, &h, sizeof h), 0);
        PromotionProductLine l{};
        std::memcpy(l.Number, h.Number, sizeof l.Number);
        std::snprintf(l.Code, sizeof l.Code, "%s", product);
        l.StartDate = h.StartDate;
        l.EndDate = h.EndDate;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::PromotionProducts), l.Number, 13, &l, sizeof l), 0);
        uint16_t line = 0;
        for (const char* c : customers) {
            PromotionCustomerLine cl{};
            std::memcpy(cl.Number, h.Number, sizeof cl.Number);
            cl.Line = line++;
            std::snprintf(cl.Customer, sizeof cl.Customer, "%s", c);
            ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::PromotionCustomers), cl.Number, 13, &cl, sizeof cl), 0);
        }
    }
};

TEST_F(PromotionsTest, SelectionRangesGiveTheirActiveProducts)
{
    Table products(FileNo::Products);
    ASSERT_TRUE(products.Open().Ok());
    struct Case {
        uint8_t kind;
        const char *first, *last;
        std::vector<std::string> codes;
    } const cases[] = {
        {PROMO_PRODUCTS_NONE, "", "", {}},
        {PROMO_PRODUCTS_PRODUCT, "B", "D", {"BANANA"}},            // an inactive product is left out
        {PROMO_PRODUCTS_PRODUCT, "BANANA", "", {"BANANA", "DATE", "EGG"}},  // to the end of the file
        {PROMO_PRODUCTS_PRODUCT, "", "APPLE", {"APPLE"}},
        {PROMO_PRODUCTS_VENDOR, "V2", "V2", {"BANANA", "EGG"}},
        {PROMO_PRODUCTS_DEPT, "DAI", "DRY", {"EGG", "DATE"}},
    };
    for (const Case& c : cases) {
        PromotionHeaderRecord h = Header("7", 100, 200);
        h.ProductKind = c.kind;
        std::snprintf(h.ProductFirst, sizeof h.ProductFirst, "%s", c.first);
        std::snprintf(h.ProductLast, sizeof h.ProductLast, "%s", c.last);
        std::vector<PromotionProductLine> lines;
        ASSERT_TRUE(PromoProductLinesOf(h, products.Handle(), lines).Ok());
        std::vector<std::string> codes;
        for (const PromotionProductLine& l : lines) {
            codes.push_back(l.Code);
            EXPECT_EQ(+l.Line, static_cast<int>(codes.size()) - 1);
            EXPECT_STREQ(l.Number, "7");
            EXPECT_EQ(l.Lowest, 'Y');
            EXPECT_DOUBLE_EQ(+l.PromoPrice, ComputePromoPrice(&l));
        }
        EXPECT_EQ(codes, c.codes) << +c.kind << " " << c.first << ".." << c.last;
    }
}

TEST_F(PromotionsTest, SelectionRangesGiveTheirCustomers)
{
    Table customers(FileNo::Customers);
    ASSERT_TRUE(customers.Open().Ok());
    struct Case {
        uint8_t kind;
        const char *first, *last;
        std::vector<std::string> codes;
    } const cases[] = {
        {PROMO_CUSTOMERS_CUSTOMER, "B", "", {"BOB", "CAL"}},
        {PROMO_CUSTOMERS_CITY, "Austin", "Boston", {"ANN", "BOB"}},
        {PROMO_CUSTOMERS_STATE, "TX", "TX", {"BOB", "CAL"}},
    };
    for (const Case& c : cases) {
        PromotionHeaderRecord h = Header("7", 100, 200, 'N');
        h.CustomerKind = c.kind;
        std::snprintf(h.CustomerFirst, sizeof h.CustomerFirst, "%s", c.first);
        std::snprintf(h.CustomerLast, sizeof h.CustomerLast, "%s", c.last);
        std::vector<PromotionCustomerLine> lines;
        ASSERT_TRUE(PromoCustomerLinesOf(h, customers.Handle(), lines).Ok());
        std::vector<std::string> codes;
        for (const PromotionCustomerLine& l : lines)
            codes.push_back(l.Customer);
        EXPECT_EQ(codes, c.codes) << +c.kind;
    }
}

TEST_F(PromotionsTest, OverlapNeedsAProductADayAndACustomerInCommon)
{
    Store(Header("1", 100, 200, 'Y'), "APPLE", {});          // every customer
    Store(Header("2", 300, 400, 'N'), "BANANA", {"ANN"});    // only ANN
    Table headers(FileNo::PromotionHeader), lines(FileNo::PromotionProducts), customers(FileNo::PromotionCustomers);
    ASSERT_TRUE(headers.Open().Ok() && lines.Open().Ok() && customers.Open().Ok());
    struct Case {
        const char* what;
        const char* product;
        int32_t start, end;
        char all;
        std::vector<const char*> customers;
        bool conflict;
    } const cases[] = {
        {"theirs for every customer", "APPLE", 150, 250, 'N', {"BOB"}, true},
        {"ours for every customer", "BANANA", 350, 360, 'Y', {}, true},
        {"a shared customer", "BANANA", 390, 500, 'N', {"BOB", "ANN"}, true},
        {"no shared customer", "BANANA", 390, 500, 'N', {"BOB"}, false},
        {"disjoint dates", "APPLE", 201, 300, 'Y', {}, false},
        {"touching dates", "APPLE", 200, 300, 'Y', {}, true},
        {"another product", "DATE", 100, 400, 'Y', {}, false},
    };
    for (const Case& c : cases) {
        const PromotionHeaderRecord h = Header("", c.start, c.end, c.all);
        std::vector<PromotionProductLine> products(2);
        std::snprintf(products[1].Code, sizeof products[1].Code, "%s", c.product);
        std::vector<PromotionCustomerLine> with;
        for (const char* code : c.customers) {
            PromotionCustomerLine l{};
            std::snprintf(l.Customer, sizeof l.Customer, "%s", code);
            with.push_back(l);
        }
        const int row = FindPromoOverlap(h, "", products, with, headers.Handle(), lines.Handle(), customers.Handle());
        EXPECT_EQ(row, c.conflict ? 1 : -1) << c.what;
    }
    // a transaction never conflicts with itself
    std::vector<PromotionProductLine> own(1);
    std::snprintf(own[0].Code, sizeof own[0].Code, "APPLE");
    EXPECT_EQ(FindPromoOverlap(Header("1", 100, 200), "1", own, {}, headers.Handle(), lines.Handle(),
                               customers.Handle()),
              -1);
}

TEST_F(PromotionsTest, DeletingDetailsRemovesEveryLineAndMarksTheHeaderInOnePiece)
{
    Store(Header("1", 100, 200, 'N'), "APPLE", {"ANN", "BOB"});
    Store(Header("2", 100, 200, 'N'), "DATE", {"CAL"});
    Table headers(FileNo::PromotionHeader), lines(FileNo::PromotionProducts), customers(FileNo::PromotionCustomers);
    ASSERT_TRUE(headers.Open().Ok() && lines.Open().Ok() && customers.Open().Ok());
    EXPECT_EQ(DeletePromoDetails("1", headers.Handle(), lines.Handle(), customers.Handle()), 1) << Transcript();
    const auto stored = ReadAll<PromotionHeaderRecord>(Path(FileNo::PromotionHeader));
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].Removed, 'Y');
    EXPECT_NE(stored[1].Removed, 'Y');
    EXPECT_EQ(ReadAll<PromotionProductLine>(Path(FileNo::PromotionProducts)).size(), 1u);
    EXPECT_EQ(ReadAll<PromotionCustomerLine>(Path(FileNo::PromotionCustomers)).size(), 1u);
    // lines without a header still go
    Store(Header("3", 100, 200, 'N'), "EGG", {"ANN"});
    {
        KeyBuffer key;
        key.Clear();
        key.bytes[0] = '3';
        PromotionHeaderRecord h{};
        ASSERT_TRUE(headers.Get(B_GET_EQUAL, key, h).Ok());
        ASSERT_TRUE(headers.Delete().Ok());
    }
    EXPECT_EQ(DeletePromoDetails("3", headers.Handle(), lines.Handle(), customers.Handle()), 1);
    EXPECT_EQ(ReadAll<PromotionProductLine>(Path(FileNo::PromotionProducts)).size(), 1u);
}

// A line another station holds: the delete answers 0 and nothing changes,
// the header stays unmarked.
TEST_F(PromotionsTest, AFailedDeleteChangesNothing)
{
    Store(Header("1", 100, 200, 'N'), "APPLE", {"ANN", "BOB"});
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t station = fork();
    if (station == 0) {
        Table customers(FileNo::PromotionCustomers);
        char byte = 'n';
        if (customers.Open().Ok()) {
            KeyBuffer key;
            key.Clear();
            key.bytes[0] = '1';
            key.bytes[11] = 1;  // line 1: BOB
            PromotionCustomerLine l{};
            if (customers.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, l).Ok())
                byte = 'y';
        }
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(done[0], &byte, 1);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    Table headers(FileNo::PromotionHeader), lines(FileNo::PromotionProducts), customers(FileNo::PromotionCustomers);
    ASSERT_TRUE(headers.Open().Ok() && lines.Open().Ok() && customers.Open().Ok());
    const int answer = DeletePromoDetails("1", headers.Handle(), lines.Handle(), customers.Handle());
    (void)!::write(done[1], "x", 1);
    ::waitpid(station, nullptr, 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
    EXPECT_EQ(answer, 0);
    EXPECT_NE(ReadAll<PromotionHeaderRecord>(Path(FileNo::PromotionHeader))[0].Removed, 'Y');
    EXPECT_EQ(ReadAll<PromotionProductLine>(Path(FileNo::PromotionProducts)).size(), 1u);
    EXPECT_EQ(ReadAll<PromotionCustomerLine>(Path(FileNo::PromotionCustomers)).size(), 2u);
}

}  // namespace
}  // namespace bwps::test
