// The master-item class over real files: the mask and the codes it forms,
// sub-item queries by master and warehouse range, consolidation.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bwps/master_item.h"
#include "bwps/table.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

class MasterItemTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Products, FileNo::MasterItems})
            Create(f);
    }
    void PutProduct(const char* code, const char* master, const char* warehouse, double value = 0,
                    double onHand = 0, double committed = 0)
    {
        TagProduct p{};
        std::snprintf(p.Code, sizeof p.Code, "%s", code);
        std::snprintf(p.MasterCode, sizeof p.MasterCode, "%s", master);
        std::snprintf(p.Warehouse, sizeof p.Warehouse, "%s", warehouse);
        p.UnitFactor = 1;
        p.Value272 = 1;
        p.Amounts[PRODUCT_VALUE] = value;
        p.Amounts[PRODUCT_QUANTITY] = onHand;
        p.Amounts[PRODUCT_SECOND_QUANTITY] = committed;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Products), p.Code, sizeof p.Code, &p, sizeof p), 0);
    }
    static std::vector<std::string> Codes(CMasterItem& m)
    {
        std::vector<std::string> out;
        for (TagProduct* p = m.GetFirstProd(); p != nullptr; p = m.GetNextProd())
            out.push_back(p->Code);
        return out;
    }
};

TEST_F(MasterItemTest, CodesFollowTheMask)
{
    struct Case {
        uint8_t order;
        char separator;
        const char* code;
    } const cases[] = {
        {1, '-', "SHIRT-01"}, {2, '-', "01-SHIRT"}, {2, '/', "01/SHIRT"},
        {1, ' ', "SHIRT01"},  {1, '\0', "SHIRT01"},
    };
    CMasterItem m;
    std::snprintf(m.pItem()->Code, sizeof m.pItem()->Code, "SHIRT");
    // a company without a mask gets the defaults written at the first read
    ASSERT_EQ(m.FormProductCode("01"), 8) << Transcript();
    EXPECT_STREQ(m.GetProductCode(), "SHIRT-01");
    TagProductMask stored{};
    {
        Table general(FileNo::General);
        ASSERT_TRUE(general.Open().Ok());
        KeyBuffer key;
        key.Clear();
        std::memcpy(key.bytes, "0ProdMask      ", 16);
        ASSERT_TRUE(general.Get(B_GET_EQUAL, key, stored).Ok());
    }
    EXPECT_EQ(stored.Order, 1);
    EXPECT_EQ(stored.Separator, '-');
    EXPECT_EQ(stored.Reserved17[0], 2);
    for (const Case& c : cases) {
        m.GetProdMaskPtr()->Order = c.order;
        m.GetProdMaskPtr()->Separator = c.separator;
        ASSERT_TRUE(m.WriteProdMask());
        EXPECT_EQ(m.FormProductCode("01"), static_cast<int>(std::strlen(c.code)));
        EXPECT_STREQ(m.GetProductCode(), c.code) << +c.order << " '" << c.separator << "'";
    }
}

TEST_F(MasterItemTest, QueriesTakeTheSubItemsOfAMasterAndWarehouseRange)
{
    PutProduct("PLAIN", "", "");
    PutProduct("HAT-01", "HAT", "01");
    PutProduct("SHIRT-01", "SHIRT", "01");
    PutProduct("SHIRT-02", "SHIRT", "02");
    PutProduct("SHIRT-03", "SHIRT", "03");
    PutProduct("SOCK-02", "SOCK", "02");
    struct Case {
        const char *from, *to, *whFrom, *whTo;
        std::vector<std::string> codes;
    } const cases[] = {
        {"SHIRT", "SHIRT", "", "", {"SHIRT-01", "SHIRT-02", "SHIRT-03"}},
        {"SHIRT", "SHIRT", "02", "03", {"SHIRT-02", "SHIRT-03"}},  // the range ends mid-master
        {"SHIRT", "SHIRT", "01", "01", {"SHIRT-01"}},
        {"HAT", "SHIRT", "02", "02", {"SHIRT-02"}},
        {"S", "", "02", "02", {"SHIRT-02", "SOCK-02"}},             // to the end of the file
        {"ZZZ", "", "", "", {}},
    };
    for (const Case& c : cases) {
        CMasterItem m;
        m.SetWhFrom(c.whFrom);
        m.SetWhTo(c.whTo);
        m.QueryMasterItems(nullptr, c.from, c.to);
        EXPECT_EQ(Codes(m), c.codes) << c.from << ".." << c.to << " " << c.whFrom << ".." << c.whTo;
        EXPECT_EQ(m.QueryGetCount(), static_cast<int>(c.codes.size()));
        EXPECT_EQ(m.GetChildProd(m.QueryGetCount()), nullptr);
    }
}

TEST_F(MasterItemTest, ConsolidationSumsTheSubItems)
{
    PutProduct("SHIRT-01", "SHIRT", "01", 100.0, 10.0, 4.0);
    PutProduct("SHIRT-02", "SHIRT", "02", 60.0, 2.0, 0.0);
    CMasterItem m;
    EXPECT_EQ(m.ConsolidateSubitems(), 0);  // no query yet
    m.QueryMasterItems(nullptr, "SHIRT", "SHIRT");
    ASSERT_EQ(m.QueryGetCount(), 2);
    EXPECT_DOUBLE_EQ(m.GetChildProd(0)->Amounts[PRODUCT_AVAILABLE], 6.0);
    // an entry without a code is no product
    m.GetChildProd(1)->Code[0] = '\0';
    EXPECT_EQ(m.ConsolidateSubitems(), 2);
    EXPECT_DOUBLE_EQ(m.GetProductCurBal(), 100.0);
    EXPECT_DOUBLE_EQ(m.GetProductAvg(), 10.0);
    std::snprintf(m.GetChildProd(1)->Code, 15, "SHIRT-02");
    m.ConsolidateSubitems();
    EXPECT_DOUBLE_EQ(m.GetProductCurBal(), 160.0);
    EXPECT_DOUBLE_EQ(m.pProd()->Amounts[PRODUCT_QUANTITY], 12.0);
    EXPECT_DOUBLE_EQ(m.pProd()->Amounts[PRODUCT_AVAILABLE], 8.0);
    EXPECT_DOUBLE_EQ(m.GetProductAvg(), 13.3333);
}

TEST_F(MasterItemTest, AnEmptyRecordStartsFromTheDefaultProduct)
{
    CMasterItem m;
    std::snprintf(m.pItem()->Code, sizeof m.pItem()->Code, "OLD");
    m.StructInit();
    EXPECT_EQ(m.pItem()->Code[0], '\0');
    EXPECT_EQ(+m.pItem()->Units[0], 1);
    EXPECT_EQ(+m.pItem()->Units[1], 1);
    EXPECT_EQ(m.pItem()->CodeKind, 'Y');
    EXPECT_EQ(m.pItem()->Flag255, 'Y');
    EXPECT_EQ(m.pItem()->Serials, 'N');
    TagProduct p{};
    p.UnitFactor = 1;
    p.Value272 = 1;
    EXPECT_TRUE(m.ValidSubItem(p));
    p.Value272 = 12;
    EXPECT_FALSE(m.ValidSubItem(p));
}

}  // namespace
}  // namespace bwps::test
