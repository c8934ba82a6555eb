// The serial-number screen driven by scripts: a unit typed and saved, a
// movement written from the list together with its unit, refusals of
// items that carry no serial numbers, a unit deleted with its movements.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "bwps/records/items.h"
#include "bwps/screens.h"
#include "bwps/table.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

class SerialEditorTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::SerialNumbers, FileNo::SerialDetail, FileNo::Products, FileNo::Services,
                         FileNo::Customers})
            Create(f);
        PutProduct("TV", 'Y');
        PutProduct("CABLE", 'N');
    }
    void PutProduct(const char* code, char serials)
    {
        TagProduct p{};
        std::snprintf(p.Code, sizeof p.Code, "%s", code);
        std::memcpy(p.Flags262, "NYNN", 4);
        p.Flags262[4] = serials;
        p.UnitFactor = 1;
        p.Value272 = 1;
        std::snprintf(p.Warehouse, sizeof p.Warehouse, "01");
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Products), p.Code, sizeof p.Code, &p, sizeof p), 0);
    }
    std::vector<TagSerialNumber> Units() { return ReadAll<TagSerialNumber>(Path(FileNo::SerialNumbers)); }
    std::vector<TagSerialMovement> Movements() { return ReadAll<TagSerialMovement>(Path(FileNo::SerialDetail)); }
};

TEST_F(SerialEditorTest, AUnitAndAMovementAreWrittenTogether)
{
    const std::string t = Run([] { return RSEditSerialNumbers(0); },
                              "type TV\nkey Enter\ntype SN100\nkey Enter\ntype No\nkey Enter\n"
                              // the list: a receipt, added to stock
                              "type 1\nkey Enter\ntype PO7\nkey Enter\ntype VEND\nkey Enter\n"
                              "type 09/11/23\nkey Enter\nkey Enter\n"
                              "key Esc\nanswer No\nkey Esc\n");
    EXPECT_TRUE(Has(t, "window name RSEditSerialNumbers")) << t;
    ASSERT_EQ(Units().size(), 1u) << t;
    const TagSerialNumber u = Units()[0];
    EXPECT_STREQ(u.Serial, "SN100");
    EXPECT_EQ(u.Available, 'Y') << t;
    ASSERT_EQ(Movements().size(), 1u) << t;
    const TagSerialMovement m = Movements()[0];
    EXPECT_STREQ(m.Document, "PO7");
    EXPECT_STREQ(m.Party, "VEND");
    EXPECT_EQ(m.Kind, 'P');
    EXPECT_EQ(m.SubKind, 'I');
    EXPECT_EQ(m.Effect, 'A');
    EXPECT_EQ(+m.Date, +u.Date);
}

TEST_F(SerialEditorTest, ItemsWithoutSerialNumbersAreRefused)
{
    struct Case {
        const char* code;
        const char* message;
    } const cases[] = {
        {"CABLE", "This item does not carry serial numbers."},
        {"NOSUCH", "The item is not on file"},
    };
    for (const Case& c : cases) {
        const std::string t = Run([] { return RSEditSerialNumbers(0); },
                                  std::string("type ") + c.code + "\nkey Enter\nkey Esc\nanswer Yes\n");
        EXPECT_TRUE(Has(t, c.message)) << t;
    }
    EXPECT_TRUE(Units().empty());
}

TEST_F(SerialEditorTest, DeletingAUnitTakesItsMovementsAfterOneQuestion)
{
    Run([] { return RSEditSerialNumbers(0); },
        "type TV\nkey Enter\ntype SN1\nkey Enter\ntype No\nkey Enter\n"
        "type 3\nkey Enter\ntype INV1\nkey Enter\nkey Enter\nkey Enter\nkey Enter\n"
        "type 1\nkey Enter\ntype PO1\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Esc\nanswer Yes\n");
    ASSERT_EQ(Movements().size(), 2u);
    for (const char* answer : {"No", "Yes"}) {
        const std::string t = Run([] { return RSEditSerialNumbers(0); },
                                  std::string("type TV\nkey Enter\ntype SN1\nkey Enter\nkey F6\nanswer ") + answer +
                                      "\nkey Esc\nanswer Yes\n");
        EXPECT_TRUE(Has(t, "Delete this serial number and all its movements?")) << t;
    }
    EXPECT_TRUE(Units().empty());
    EXPECT_TRUE(Movements().empty());
}

}  // namespace
}  // namespace bwps::test
