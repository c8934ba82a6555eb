// Aging of open items, the walk of one document and advance entries.
#include <gtest/gtest.h>

#include <cstring>

#include "bwps/open_items.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

TagOpenItem Item(const char* document, char type, double amount, int32_t docDate, int32_t due,
                 int32_t trans, double discount = 0)
{
    TagOpenItem r{};
    std::snprintf(r.Customer, sizeof r.Customer, "%-10s", "C1");
    std::snprintf(r.Document, 12, "%-10s", document);
    r.Type = type;
    r.Status = 'O';
    r.Amount = amount;
    r.Discount = discount;
    r.DocumentDate = docDate;
    r.DueDate = due;
    r.TransactionDate = trans;
    return r;
}

TEST(Aging, PeriodsCurrentAndPastDue)
{
    uint8_t customer[795] = {};
    const double limit = 1000;
    std::memcpy(customer + 134, &limit, 8);
    TagAgingState s;
    InitAgingState(&s, customer);
    EXPECT_EQ(+s.CreditLimit, 1000);
    EXPECT_EQ(SetAgingPeriods(&s, 20300601, 30, 12), 1);
    EXPECT_EQ(+s.Periods[0].Limit, 30);
    EXPECT_EQ(+s.Periods[8].Limit, 270);
    EXPECT_EQ(+s.Periods[9].Limit, AGING_LAST_LIMIT) << "ten periods at most; the last catches all";

    // An invoice 45 days old, a credit memo, a payment with a discount, a
    // very old invoice, an item after the aging date and a "T" line.
    const TagOpenItem items[] = {
        Item("INV1", 'I', 100, 20300417, 20300417, 20300417),
        Item("INV1", 'P', 40, 20300417, 20300417, 20300501, 2),
        Item("OLD", 'I', 50, 20200101, 20200101, 20200101),
        Item("NEG", 'C', 30, 20300101, 20300101, 20300101),
        Item("LATE", 'I', 70, 20300701, 20300701, 20300701),
        Item("TEXT", 'T', 90, 20300101, 20300101, 20300101),
        Item("NOW", 'I', 25, 20300601, 20300601, 20300601),
    };
    int counted = 0;
    for (const TagOpenItem& r : items)
        counted += AddToAging(&s, &r, 3);
    EXPECT_EQ(AddToAging(&s, nullptr, 3), 1);
    EXPECT_EQ(counted, 5);
    EXPECT_DOUBLE_EQ(+s.Balance, 100 - 42 + 50 - 30 + 25);
    EXPECT_DOUBLE_EQ(+s.PastDue, 58 + 50);
    EXPECT_DOUBLE_EQ(+s.Current, -30 + 25) << "a negative document is never past due";
    EXPECT_DOUBLE_EQ(+s.Periods[1].Amount, 58);   // 45 days: second period
    EXPECT_DOUBLE_EQ(+s.Periods[9].Amount, 50);
    EXPECT_EQ(+s.LastInvoiceDate, 20300601);
    EXPECT_EQ(+s.LastPaymentDate, 20300501);
    EXPECT_DOUBLE_EQ(+s.Available, 1000 - s.Balance);

    TagOpenItem advance = Item(" ADVANCE", 'P', 80, 20300101, 20300101, 20300101);
    EXPECT_TRUE(IsAdvanceEntry(&advance));
    EXPECT_FALSE(IsAdvanceEntry(&items[0]));
    EXPECT_TRUE(IsReducingEntry(3, &items[3]));
    EXPECT_FALSE(IsReducingEntry(2, &items[3]));
}

class OpenItemsTest : public ServicesTest {};

TEST_F(OpenItemsTest, DocumentWalkAndAdvanceEntries)
{
    const TagOpenItem rows[] = {
        Item("INV1", 'I', 100, 20300101, 20300131, 20300101),
        Item("INV1", 'P', 30, 20300101, 20300131, 20300110, 1),
        Item("INV2", 'I', 10, 20300201, 20300228, 20300201),
        Item("PAID", 'P', 5, 20300101, 20300101, 20300105),
        Item("PAID", 'P', 6, 20300101, 20300101, 20300106),
    };
    int32_t number = 0;
    for (TagOpenItem r : rows) {
        r.Number = ++number;
        Put(3, &r, sizeof r, 0);
    }
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, PathOf(3).c_str(), 0, 0), 0);
    BtrSetDefaults(h, 1, -1);
    char key[256] = {};
    TagOpenItem r{};
    ASSERT_EQ(BtrGet(B_GET_FIRST, h, key, &r, sizeof r), 0);
    ASSERT_EQ(std::string(r.Document, 4), "INV1");
    EXPECT_EQ(ReadAdvanceOpenItems(3, h, key, 20300115, &r), 0);
    EXPECT_DOUBLE_EQ(+r.Amount, 100 - 31);
    EXPECT_DOUBLE_EQ(+r.Discount, 1);
    EXPECT_DOUBLE_EQ(+r.OpenAmount, 69 - 1);
    EXPECT_EQ(+r.Type, 'I');
    // The file stands on the document's last record: the next is INV2.
    TagOpenItem next{};
    ASSERT_EQ(BtrGet(B_GET_NEXT, h, key, &next, sizeof next), 0);
    EXPECT_EQ(std::string(next.Document, 4), "INV2");
    // A document of payments only has no main record: nothing is open.
    ASSERT_EQ(BtrGet(B_GET_NEXT, h, key, &next, sizeof next), 0);
    ASSERT_EQ(std::string(next.Document, 4), "PAID");
    EXPECT_EQ(ReadAdvanceOpenItems(3, h, key, 20300101, &next), 0);
    EXPECT_DOUBLE_EQ(+next.Amount, -11);
    EXPECT_DOUBLE_EQ(+next.OpenAmount, 0);
    BtrCloseFile(h);

    TagOpenItem advance = Item("ADVANCE1", 'P', 80, 20300101, 20300101, 20300101);
    EXPECT_EQ(ReadAdvanceOpenItems(3, 0, key, 0, &advance), 0);
    EXPECT_DOUBLE_EQ(+advance.Amount, -80) << "returned negated, not walked";

    // Totals of the customer: INV1 (69, dated before 15 January) past due,
    // INV2 current, the payments only document negative: current.
    ASSERT_EQ(BtrOpenFile(&h, PathOf(3).c_str(), 0, 0), 0);
    uint8_t customer[795] = {};
    std::memcpy(customer, rows[0].Customer, 11);
    double current = 0, pastDue = 0, lastAmount = 0;
    int32_t lastDate = 0;
    EXPECT_TRUE(ListOpenItemsToWindow(h, customer, &current, &pastDue, &lastAmount, &lastDate, 20300115));
    EXPECT_DOUBLE_EQ(pastDue, 69);
    EXPECT_DOUBLE_EQ(current, 10 - 11);
    EXPECT_DOUBLE_EQ(lastAmount, 10);
    EXPECT_EQ(lastDate, 20300201);
    BtrCloseFile(h);

    int status = -1;
    EXPECT_TRUE(DataFileExistsInFolder(3, data().c_str(), &status));
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(DataFileExistsInFolder(3, scratch().c_str(), &status));
    EXPECT_EQ(status, B_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace svctest
