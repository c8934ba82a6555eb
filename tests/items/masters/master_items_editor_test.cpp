// The master-items screen driven by scripts: a master saved and its
// sub-items generated for every warehouse in one step, a second generation
// making nothing, sub-items detached before the master can go, and the
// mask screen refusing a blank separator.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bwps/master_item.h"
#include "bwps/records/masters.h"
#include "bwps/screens.h"
#include "bwps/table.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

class MasterItemsEditorTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Products, FileNo::MasterItems, FileNo::Accounts, FileNo::PriceBook,
                         FileNo::Warehouses, FileNo::Services, FileNo::Assemblies})
            Create(f);
        for (const char* w : {"01", "02"})
            PutWarehouse(w);
    }
    void PutWarehouse(const char* code)
    {
        WarehouseRecord w{};
        std::snprintf(w.Code, sizeof w.Code, "%s", code);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Warehouses), w.Code, sizeof w.Code, &w, sizeof w), 0);
    }
    std::vector<std::string> Products(std::string* masters = nullptr)
    {
        std::vector<std::string> out;
        for (const TagProduct& p : ReadAll<TagProduct>(Path(FileNo::Products))) {
            out.push_back(p.Code);
            if (masters != nullptr)
                *masters += std::string(p.MasterCode) + "/" + p.Warehouse + "/" + p.Description + "\n";
        }
        return out;
    }
    std::string Edit(const std::string& script) { return Run([] { return RSEditMasterItems(0); }, script); }
};

TEST_F(MasterItemsEditorTest, GeneratingMakesOneSubItemPerWarehouseOnce)
{
    std::string t = Edit("type SHIRT\nkey Enter\ntype Cotton shirt\nkey F10\n"
                         "type SHIRT\nkey Enter\nkey F7\nanswer Yes\nkey Esc\nanswer Yes\nkey Esc\n");
    EXPECT_TRUE(Has(t, "window name RSEditMasterItems")) << t;
    ASSERT_EQ(ReadAll<TagMasterItem>(Path(FileNo::MasterItems)).size(), 1u) << t;
    std::string masters;
    EXPECT_EQ(Products(&masters), (std::vector<std::string>{"SHIRT-01", "SHIRT-02"})) << t;
    EXPECT_EQ(masters, "SHIRT/01/Cotton shirt-01\nSHIRT/02/Cotton shirt-02\n");
    // a second generation makes nothing and asks nothing
    t = Edit("type SHIRT\nkey Enter\nkey F7\nkey Esc\nanswer Yes\nkey Esc\n");
    EXPECT_FALSE(Has(t, "Create the missing sub-items")) << t;
    EXPECT_EQ(Products().size(), 2u);
}

TEST_F(MasterItemsEditorTest, AMasterWithSubItemsIsKept)
{
    Edit("type HAT\nkey Enter\ntype Hat\nkey F10\ntype HAT\nkey Enter\nkey F7\nanswer Yes\nkey Esc\nanswer Yes\n");
    ASSERT_EQ(Products().size(), 2u);
    const std::string t = Edit("type HAT\nkey Enter\nkey F6\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "This master item has sub-items.")) << t;
    EXPECT_EQ(ReadAll<TagMasterItem>(Path(FileNo::MasterItems)).size(), 1u);
}

TEST_F(MasterItemsEditorTest, TheMaskScreenRefusesABlankSeparatorAndKeepsTheOrder)
{
    struct Case {
        const char* separator;
        bool written;
    } const cases[] = {{" ", false}, {"/", true}};
    for (const Case& c : cases) {
        CMasterItem master;
        const std::string t = Run([&] { return RunProductMask(&master); },
                                  std::string("type Warehouse-Master\nkey Enter\ntype ") + c.separator +
                                      "\nkey F10\nkey Esc\nanswer Yes\n");
        EXPECT_EQ(Has(t, "Enter the separator character."), !c.written) << t;
        CMasterItem reader;
        ASSERT_TRUE(reader.ReadProdMask());
        EXPECT_EQ(reader.GetProdMaskPtr()->Order, c.written ? 2 : 1) << t;
        std::snprintf(reader.pItem()->Code, 11, "SHIRT");
        reader.FormProductCode("01");
        EXPECT_STREQ(reader.GetProductCode(), c.written ? "01/SHIRT" : "SHIRT-01");
    }
}

// Detaching every sub-item makes the master deletable; the products stay,
// free of it.
TEST_F(MasterItemsEditorTest, DetachedSubItemsLetTheMasterGo)
{
    Edit("type HAT\nkey Enter\ntype Hat\nkey F10\ntype HAT\nkey Enter\nkey F7\nanswer Yes\nkey Esc\nanswer Yes\n");
    ASSERT_EQ(Products().size(), 2u);
    std::string toList = "type HAT\nkey Enter\n";
    for (int f = 2; f <= 31; ++f)
        toList += "key Enter\n";
    const std::string t = Edit(toList + "key Shift+F6\nanswer Detach\nkey Shift+F6\nanswer Detach\n"
                                        "key F6\nanswer Yes\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "Delete this master item?")) << t;
    EXPECT_TRUE(ReadAll<TagMasterItem>(Path(FileNo::MasterItems)).empty()) << t;
    std::string masters;
    EXPECT_EQ(Products(&masters).size(), 2u);
    EXPECT_EQ(masters, "//Hat-01\n//Hat-02\n");
}

}  // namespace
}  // namespace bwps::test
