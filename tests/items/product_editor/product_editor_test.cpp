// The product editor and the default product editor driven by scripts: new
// products from the defaults, the field checks, saves with their companion
// records, deletes under the stock and assembly rules, the keys of the
// satellite screens and a product held at another station.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "bwps/records/items.h"
#include "bwps/records/pictures.h"
#include "bwps/records/products.h"
#include "bwps/records/udf.h"
#include "bwps/screens.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

#pragma pack(push, 1)
struct AssemblyLine {
    char Code[15];
    uint16_t Line;
    char Component[15];
    double Quantity;
};
#pragma pack(pop)
static_assert(sizeof(AssemblyLine) == 40);

class ProductEditorTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Products, FileNo::Accounts, FileNo::PriceBook, FileNo::Assemblies,
                         FileNo::Services, FileNo::TaxTable, FileNo::ProductActivity, FileNo::Units,
                         FileNo::AlternateProducts, FileNo::ProductFields, FileNo::ProductPictures,
                         FileNo::ItemDetails})
            Create(f);
    }

    static TagProduct Product(const char* code, const char* description = "Widget")
    {
        TagProduct p{};
        std::strncpy(p.Code, code, sizeof p.Code - 1);
        std::strncpy(p.Description, description, sizeof p.Description - 1);
        std::memcpy(p.Flags262, "NYNNN", 5);
        p.AssemblyOnly = 'N';
        p.Kind = 1;
        p.Byte269 = 'Y';
        p.UnitFactor = 1;
        p.Value272 = 1;
        p.Status = 'A';
        return p;
    }
    void PutProduct(const TagProduct& p)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Products), p.Code, sizeof p.Code, &p, sizeof p), 0);
    }
    std::vector<TagProduct> Stored() { return ReadAll<TagProduct>(Path(FileNo::Products)); }
    void PutComponent(const char* assembly, const char* component)
    {
        AssemblyLine line{};
        std::strncpy(line.Code, assembly, 14);
        std::strncpy(line.Component, component, 14);
        line.Quantity = 1;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Assemblies), line.Code, 17, &line, sizeof line), 0);
    }
    void PutDefaults(const TagProduct& product, const char* customerMark)
    {
        TagDefaults d{};
        std::memcpy(d.Key, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE);
        std::strncpy(reinterpret_cast<char*>(d.reserved16), customerMark, 20);
        std::memcpy(d.Product, &product, sizeof product);
        PutGeneralRecord(&d, sizeof d);
    }
    TagDefaults StoredDefaults()
    {
        for (const TagDefaults& d : ReadAll<TagDefaults>(Path(FileNo::General)))
            if (std::memcmp(d.Key, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE) == 0)
                return d;
        return {};
    }
    std::string Edit(const std::string& script, int* result = nullptr)
    {
        const std::string t = Run([] { return RSEditProduct(0); }, script, result);
        EXPECT_EQ(FxScriptRemaining(), 0) << t;
        return t;
    }
    std::string EditDefaults(const std::string& script)
    {
        const std::string t = Run([] { return RSEditDefaultProduct(); }, script);
        EXPECT_EQ(FxScriptRemaining(), 0) << t;
        return t;
    }
};

// A new product starts from the product half of the defaults record; its
// flags are normalised and it starts active, without weight.
TEST_F(ProductEditorTest, ANewProductStartsFromTheDefaults)
{
    TagProduct d = Product("");
    std::strncpy(d.Unit1, "BOX", 8);
    d.UnitFactor = 12;
    d.Flags262[2] = 'y';
    d.Flags262[4] = 0;
    d.Kind = 3;
    d.Weight = 5;
    d.Status = 'I';
    d.BaselineQuantity = 9;
    PutDefaults(d, "CUSTOMER");
    const std::string t = Edit("type NEW1\nkey Enter\ntype New widget\nkey F10\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u) << t;
    const TagProduct& p = stored[0];
    EXPECT_STREQ(p.Code, "NEW1");
    EXPECT_STREQ(p.Description, "New widget");
    EXPECT_STREQ(p.Unit1, "BOX");
    EXPECT_EQ(+p.UnitFactor, 12);
    EXPECT_EQ(+p.Kind, 3);
    EXPECT_EQ(p.Flags262[2], 'Y');
    EXPECT_EQ(p.Flags262[4], 'N');
    EXPECT_EQ(p.Status, 'A');
    EXPECT_EQ(+p.Weight, 0.0);
    EXPECT_EQ(+p.BaselineQuantity, 0.0);
}

TEST_F(ProductEditorTest, WithoutDefaultsTheBuiltInOnesApply)
{
    const std::string t = Edit("type NEW2\nkey Enter\nkey F10\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u) << t;
    EXPECT_EQ(std::string(stored[0].Flags262, 5), "NYNNN");
    EXPECT_EQ(+stored[0].UnitFactor, 1);
    EXPECT_EQ(+stored[0].Value272, 1);
    EXPECT_EQ(stored[0].Byte269, 'Y');
    EXPECT_EQ(stored[0].Status, 'A');
}

// Checks of the fields and of the save, each with the message it shows;
// nothing is written.
TEST_F(ProductEditorTest, FieldChecksRefuse)
{
    struct Row {
        const char* what;
        std::function<void(TagProduct&)> setup;
        const char* script;   // after the code is loaded
        const char* message;
    } rows[] = {
        {"Non-Inventory with stock on hand", [](TagProduct& p) { p.Amounts[PRODUCT_QUANTITY] = 5; },
         "field 5 Non-Inventory\nkey Enter\n", "It cannot become Non-Inventory."},
        {"Negative back to Normal with on hand 5, committed 7",
         [](TagProduct& p) {
             p.Kind = 3;
             p.Amounts[PRODUCT_QUANTITY] = 5;
             p.Amounts[PRODUCT_SECOND_QUANTITY] = 7;
         },
         "field 5 Normal\nkey Enter\n", "It must stay Negative."},
        {"negative weight", nullptr, "field 28 -2\nkey Enter\n", "The weight cannot be negative."},
        {"unknown weight unit", nullptr, "field 28 2\nkey Enter\ntype ZZ\nkey Enter\n", "This weight unit does not exist."},
        {"related product unknown", nullptr, "field 36 NOSUCH\nkey F10\n", "This product does not exist."},
        {"price break unknown", nullptr, "field 30 PB9\nkey F10\n", "This price-break code does not exist."},
        {"units 0", nullptr, "field 16 0\nkey F10\n", "The number of units in a unit cannot be 0."},
    };
    WeightUnitRecord unit{};
    std::strcpy(unit.code, "KG");
    unit.isDefault = 'Y';
    ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Units), unit.code, 7, &unit, sizeof unit), 0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Products));
        Create(FileNo::Products);
        TagProduct p = Product("P1", "Original");
        if (row.setup)
            row.setup(p);
        PutProduct(p);
        const std::string t = Edit("type P1\nkey Enter\n" + std::string(row.script) +
                                   "key Esc\nanswer Yes\n");
        EXPECT_TRUE(Has(t, row.message)) << t;
        const auto stored = Stored();
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_EQ(std::memcmp(&stored[0], &p, sizeof p), 0) << t;
    }
}

// A component of another assembly whose code sorts before the product's own
// cannot become Non-Inventory: the component is found by its own key.
TEST_F(ProductEditorTest, AComponentOfAnEarlierAssemblyCannotBecomeNonInventory)
{
    PutProduct(Product("ZED"));
    PutComponent("ABC", "ZED");
    const std::string t = Edit("type ZED\nkey Enter\nfield 5 Non-Inventory\nkey Enter\nkey F10\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "It cannot become Non-Inventory.")) << t;
    EXPECT_EQ(+Stored()[0].Kind, 1) << t;
}

TEST_F(ProductEditorTest, AServiceCodeIsRefused)
{
    uint8_t service[196] = {};
    std::strcpy(reinterpret_cast<char*>(service), "SRV1");
    ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Services), service, 15, service, sizeof service), 0);
    const std::string t = Edit("type SRV1\nkey Enter\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "A service already uses this code.")) << t;
    EXPECT_TRUE(Stored().empty());
}

// The weight: 0 clears the unit; a weight without a unit takes the default unit.
TEST_F(ProductEditorTest, WeightAndItsUnit)
{
    WeightUnitRecord unit{};
    std::strcpy(unit.code, "KG");
    unit.factor = 1000;
    unit.isDefault = 'Y';
    ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Units), unit.code, 7, &unit, sizeof unit), 0);
    TagProduct p = Product("W1");
    p.Weight = 3;
    std::strcpy(p.WeightUnit, "KG");
    PutProduct(p);
    PutProduct(Product("W2"));
    Edit("type W1\nkey Enter\nfield 28 0\nkey Enter\nkey F10\n"
         "type W2\nkey Enter\nfield 28 2.5\nkey Enter\nkey F10\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_STREQ(stored[0].WeightUnit, "");
    EXPECT_EQ(+stored[0].Weight, 0.0);
    EXPECT_STREQ(stored[1].WeightUnit, "KG");
    EXPECT_EQ(+stored[1].Weight, 2.5);
}

// Delete, and making a product inactive, under the stock and assembly rules.
TEST_F(ProductEditorTest, DeleteRules)
{
    struct Row {
        const char* what;
        std::function<void(TagProduct&)> setup;
        bool component;
        const char* keys;
        const char* message;
        bool deleted;
        char status;
    } rows[] = {
        {"stock on hand", [](TagProduct& p) { p.Amounts[PRODUCT_QUANTITY] = 1; }, false,
         "key F6\n", "still has stock", false, 'A'},
        {"a balance", [](TagProduct& p) { p.Amounts[PRODUCT_VALUE] = 1; }, false, "key F6\n", "still has stock",
         false, 'A'},
        {"further quantity", [](TagProduct& p) { p.Amounts[PRODUCT_FURTHER_QUANTITY] = 1; }, false, "key F6\n",
         "still has stock", false, 'A'},
        {"an assembly", [](TagProduct& p) { p.Flags262[0] = 'Y'; }, false, "key F6\n", "is an assembly", false,
         'A'},
        {"a component", nullptr, true, "key F6\n", "is an assembly", false, 'A'},
        {"history, Cancel", [](TagProduct& p) { p.Runs[3][2] = 4; }, false, "key F6\nanswer Cancel\n",
         "has sales history", false, 'A'},
        {"history, Continue", [](TagProduct& p) { p.Runs[3][2] = 4; }, false,
         "key F6\nanswer Continue\nanswer Yes\n", "Delete this product?", true, 'A'},
        {"clean, No", nullptr, false, "key F6\nanswer No\n", "Delete this product?", false, 'A'},
        {"clean, Yes", nullptr, false, "key F6\nanswer Yes\n", "Delete this product?", true, 'A'},
        {"inactive with stock refused", [](TagProduct& p) { p.Amounts[PRODUCT_QUANTITY] = 1; }, false,
         "field 3 Yes\nkey F10\nkey Esc\nanswer Yes\n", "still has stock", false, 'A'},
        {"inactive without stock", nullptr, false, "field 3 Yes\nkey F10\n", nullptr, false, 'I'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (FileNo f : {FileNo::Products, FileNo::Assemblies}) {
            fs::remove(Path(f));
            Create(f);
        }
        TagProduct p = Product("D1");
        if (row.setup)
            row.setup(p);
        PutProduct(p);
        if (row.component)
            PutComponent("AAA", "D1");
        const std::string t =
            Edit("type D1\nkey Enter\n" + std::string(row.keys) + "key Esc\n");
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
        const auto stored = Stored();
        EXPECT_EQ(stored.empty(), row.deleted) << t;
        if (!stored.empty()) {
            EXPECT_EQ(stored[0].Status, row.status) << t;
        }
    }
}

// A save writes the user-defined values and the picture beside the product;
// a delete removes them, the item descriptions and (after a Yes) the activity.
TEST_F(ProductEditorTest, CompanionsAreSavedAndDeletedWithTheProduct)
{
    const std::string t = Edit("type C1\nkey Enter\nfield 54 Blue\nfield 11 photo.png\nkey F10\nkey Esc\n");
    auto udf = ReadAll<TagUDFDataPS>(Path(FileNo::ProductFields));
    ASSERT_EQ(udf.size(), 1u) << t;
    EXPECT_EQ(std::string(udf[0].code, 2), "C1");
    EXPECT_EQ(std::string(udf[0].data.texts[0], 4), "Blue");
    auto pictures = ReadAll<TagProdPicture>(Path(FileNo::ProductPictures));
    ASSERT_EQ(pictures.size(), 1u) << t;
    EXPECT_STREQ(pictures[0].name, "photo.png");

    TagItemDetail line{};
    std::strcpy(line.Code, "C1");
    ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::ItemDetails), line.Code, 17, &line, sizeof line), 0);
    TagProductActivity a{};
    std::strcpy(a.Code, "C1");
    std::strcpy(a.Number, "         1");
    ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::ProductActivity), a.Code, 26, &a, sizeof a), 0);
    const std::string u = Edit("type C1\nkey Enter\nkey F6\nanswer Yes\nanswer Yes\nkey Esc\n");
    EXPECT_TRUE(Stored().empty()) << u;
    EXPECT_TRUE(ReadAll<TagUDFDataPS>(Path(FileNo::ProductFields)).empty()) << u;
    EXPECT_TRUE(ReadAll<TagProdPicture>(Path(FileNo::ProductPictures)).empty()) << u;
    EXPECT_TRUE(ReadAll<TagItemDetail>(Path(FileNo::ItemDetails)).empty()) << u;
    EXPECT_TRUE(Has(u, "Delete the activity records of this product?")) << u;
    EXPECT_TRUE(ReadAll<TagProductActivity>(Path(FileNo::ProductActivity)).empty()) << u;
}

// Keys of the satellite screens: a screen this build lacks says so and the
// product stays as it was; a screen it has runs after a save.
TEST_F(ProductEditorTest, SatelliteKeys)
{
    struct Row {
        const char* key;
        const char* screen;
        bool inBuild;
    } rows[] = {
        {"Shift+F3", "RSEditProdHist", RSEditProdHist != nullptr},
        {"Shift+F5", "RSEditProdAssm", RSEditProdAssm != nullptr},
        {"F7", "RSEditProdBal", RSEditProdBal != nullptr},
        {"Alt+S", "RSEditItemDescr", RSEditItemDescr != nullptr},
        {"Alt+P", "RSEditAltProduct", RSEditAltProduct != nullptr},
        {"Shift+F6", "RSSearchReplaceCode", RSSearchReplaceCode != nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        fs::remove(Path(FileNo::Products));
        Create(FileNo::Products);
        PutProduct(Product("K1", "Before"));
        // the code replacement ends with an empty form: nothing is asked on leaving
        const bool emptied = std::string(row.key) == "Shift+F6" && row.inBuild;
        const std::string t = Edit("type K1\nkey Enter\ntype After\nkey " + std::string(row.key) +
                                   (emptied ? "\nkey Esc\nkey Esc\n" : "\nkey Esc\nanswer Yes\nkey Esc\nanswer Yes\n"));
        const bool said = Has(t, std::string(row.screen) + " is not available in this build.");
        EXPECT_EQ(said, !row.inBuild) << t;
        ASSERT_EQ(Stored().size(), 1u);
        // not available: nothing saved; available: saved first
        EXPECT_STREQ(Stored()[0].Description, row.inBuild ? "After" : "Before") << t;
    }
}

// A Non-Inventory product has no balances and no assembly.
TEST_F(ProductEditorTest, NonInventoryHasNoBalancesNorAssembly)
{
    TagProduct p = Product("N1");
    p.Kind = 2;
    PutProduct(p);
    const std::string t = Edit("type N1\nkey Enter\nkey F7\nkey Shift+F5\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "A Non-Inventory product has no beginning balances.")) << t;
    EXPECT_TRUE(Has(t, "A Non-Inventory product cannot be an assembly.")) << t;
}

// A product that another station holds locked is not opened.
TEST_F(ProductEditorTest, AProductLockedAtAnotherStationIsNotOpened)
{
    PutProduct(Product("L1", "Locked"));
    const std::string path = Path(FileNo::Products);
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    RecmanReset();
    const pid_t pid = ::fork();
    if (pid == 0) {
        uint16_t handle = 0;
        char c = 'x';
        if (BtrOpenFile(&handle, path.c_str(), 0, 0) == 0) {
            char key[255] = "L1";
            TagProduct r{};
            BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, handle, key, &r, sizeof r);
        }
        (void)!::write(toParent[1], &c, 1);
        (void)!::read(toChild[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    const std::string t = Edit("type L1\nkey Enter\nanswer Continue\nkey Esc\nanswer Yes\n");
    (void)!::write(toChild[1], &c, 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        ::close(fd);
    EXPECT_TRUE(Has(t, "Btrieve Error #  84")) << t;
    EXPECT_FALSE(Has(t, "field 2 enter \"Locked\"")) << t;
}

// ---- the default product

TEST_F(ProductEditorTest, DefaultProductSaveKeepsTheCustomerHalf)
{
    TagProduct d = Product("");
    PutDefaults(d, "CUSTOMER HALF");
    const std::string t = EditDefaults("field 6 CASE\nfield 7 24\nkey Enter\nkey F10\n");
    const TagDefaults stored = StoredDefaults();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored.reserved16), 13), "CUSTOMER HALF") << t;
    TagProduct p{};
    std::memcpy(&p, stored.Product, sizeof p);
    EXPECT_STREQ(p.Unit1, "CASE") << t;
    EXPECT_EQ(+p.UnitFactor, 24) << t;
}

TEST_F(ProductEditorTest, DefaultProductRefusals)
{
    struct Row {
        const char* what;
        const char* script;
        const char* message;
    } rows[] = {
        {"units 0 on leaving the field", "field 7 0\nkey Enter\n", "must lie between 1 and 9999"},
        {"units 0 at the save", "field 9 0\nkey F10\n", "must lie between 1 and 9999"},
        {"an unknown price break", "field 10 NOPB\nkey F10\n", "This price-break code does not exist."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TagProduct d = Product("");
        PutDefaults(d, "C");
        const std::string t = EditDefaults(std::string(row.script) + "key Esc\nanswer Yes\n");
        EXPECT_TRUE(Has(t, row.message)) << t;
        TagProduct p{};
        std::memcpy(&p, StoredDefaults().Product, sizeof p);
        EXPECT_EQ(+p.UnitFactor, 1) << t;
        EXPECT_EQ(+p.Value272, 1) << t;
        EXPECT_STREQ(p.Entries210[0], "") << t;
    }
}

}  // namespace
}  // namespace bwps::test

namespace bwps::test {
namespace {

// F8 on a price-break field edits the price break named there; the code of
// the saved price break goes into the field.
TEST_F(ProductEditorTest, F8EditsThePriceBreakOfTheField)
{
    const std::string t = Edit("field 30 VOL\nkey F8\nkey Enter\ntype Volume\nkey F10\nkey Esc\n");
    const auto breaks = ReadAll<PriceBreakRecord>(Path(FileNo::PriceBook));
    ASSERT_EQ(breaks.size(), 1u) << t;
    EXPECT_STREQ(breaks[0].Code, "VOL");
    EXPECT_STREQ(breaks[0].Description, "Volume");
    EXPECT_TRUE(Has(t, "run begin RSEditPriceBreaks nested")) << t;
    EXPECT_TRUE(Has(t, "key F8 -> lookup set")) << t;
}

}  // namespace
}  // namespace bwps::test
