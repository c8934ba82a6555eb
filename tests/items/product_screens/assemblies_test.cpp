// The component list of an assembly driven by scripts: load, lines added
// and emptied, the refusals of a component, the whole list rewritten on
// F10 as one change, Esc keeping the stored lines and the product's flag.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "bwps/records/assemblies.h"
#include "bwps/records/products.h"
#include "bwps/screens.h"
#include "bwps/table.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

struct Stored {
    std::string code;
    int line;
    std::string item;
    double quantity;
    bool operator==(const Stored&) const = default;
};

class AssemblyTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Products, FileNo::Services, FileNo::Assemblies})
            Create(f);
        PutProduct("KIT", "Garden kit", 1);
        PutProduct("HOSE", "Garden hose", 1);
        PutProduct("NOZZLE", "Nozzle", 1);
        PutProduct("FEE", "Handling", 2);
        PutService("FIT", "Fitting");
    }
    void PutProduct(const char* code, const char* description, uint8_t kind)
    {
        TagProduct p{};
        std::strncpy(p.Code, code, sizeof p.Code - 1);
        std::strncpy(p.Description, description, sizeof p.Description - 1);
        p.Kind = kind;
        p.UnitFactor = 1;
        p.Flags262[0] = 'N';
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Products), p.Code, sizeof p.Code, &p, sizeof p), 0);
    }
    void PutService(const char* code, const char* description)
    {
        std::array<char, 196> r{};
        std::strncpy(r.data(), code, 14);
        std::strncpy(r.data() + 15, description, 30);
        r[93] = 1;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Services), r.data(), 15, r.data(), 196), 0);
    }
    void PutLine(const char* code, int line, const char* item, double quantity)
    {
        TagAssemblyComponent c{};
        std::strncpy(c.Code, code, 14);
        c.Line = static_cast<uint16_t>(line);
        std::strncpy(c.ItemCode, item, 14);
        c.Quantity = quantity;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Assemblies), c.Code, 17, &c, sizeof c), 0);
    }
    std::vector<Stored> Lines()
    {
        std::vector<Stored> out;
        for (const TagAssemblyComponent& c : ReadAll<TagAssemblyComponent>(Path(FileNo::Assemblies)))
            out.push_back({std::string(c.Code, strnlen(c.Code, 15)), +c.Line,
                           std::string(c.ItemCode, strnlen(c.ItemCode, 15)), +c.Quantity});
        return out;
    }
    char Flag()
    {
        for (const TagProduct& p : ReadAll<TagProduct>(Path(FileNo::Products)))
            if (std::string(p.Code) == "KIT")
                return p.Flags262[0];
        return '?';
    }
    // Runs the screen on KIT with the files open as the product editor has them.
    std::string Edit(const std::string& script, int* result = nullptr)
    {
        Table products(FileNo::Products), services(FileNo::Services), lines(FileNo::Assemblies);
        EXPECT_TRUE(products.Open().Ok());
        EXPECT_TRUE(services.Open().Ok());
        EXPECT_TRUE(lines.Open().Ok());
        KeyBuffer key;
        key.Clear();
        std::memcpy(key.bytes, "KIT", 3);
        TagProduct kit{};
        EXPECT_TRUE(products.Get(B_GET_EQUAL, key, kit).Ok());
        return Run([&] { return RSEditProdAssm(products.Handle(), services.Handle(), lines.Handle(), &kit, nullptr); },
                   script, result);
    }
};

TEST_F(AssemblyTest, WriteReplacesTheLinesNumberedFromZero)
{
    struct Row {
        const char* what;
        const char* script;
        std::vector<Stored> lines;
        char flag;
    } rows[] = {
        {"loaded lines written back unchanged", "key F10\n",
         {{"KIT", 0, "HOSE", 2}, {"KIT", 1, "FIT", 1}}, 'Y'},
        {"a line added after the stored ones",
         "key Enter\nkey Down\nkey Down\ntype nozzle\nkey Enter\ntype 3\nkey F10\n",
         {{"KIT", 0, "HOSE", 2}, {"KIT", 1, "FIT", 1}, {"KIT", 2, "NOZZLE", 3}}, 'Y'},
        {"a service may be listed twice",
         "key Enter\nkey Down\nkey Down\ntype FIT\nkey Enter\ntype 4\nkey F10\n",
         {{"KIT", 0, "HOSE", 2}, {"KIT", 1, "FIT", 1}, {"KIT", 2, "FIT", 4}}, 'Y'},
        {"an emptied line drops out, the rest renumbered",
         "key Enter\nkey Space\nkey Down\nkey F10\n", {{"KIT", 0, "FIT", 1}}, 'Y'},
        {"a line inserted before the second",
         "key Enter\nkey Down\nkey Shift+F6\ntype NOZZLE\nkey Enter\ntype 5\nkey F10\n",
         {{"KIT", 0, "HOSE", 2}, {"KIT", 1, "NOZZLE", 5}, {"KIT", 2, "FIT", 1}}, 'Y'},
        {"the quantity changed", "key Enter\nkey Enter\ntype 7\nkey F10\n",
         {{"KIT", 0, "HOSE", 7}, {"KIT", 1, "FIT", 1}}, 'Y'},
        {"delete all after the question", "key F6\nanswer Yes\n", {}, 'N'},
        {"Esc keeps the stored lines",
         "key Enter\nkey Down\nkey Down\ntype NOZZLE\nkey Enter\ntype 3\nkey Enter\nkey Esc\nanswer Yes\n",
         {{"KIT", 0, "HOSE", 2}, {"KIT", 1, "FIT", 1}}, 'Y'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Assemblies));
        Create(FileNo::Assemblies);
        PutLine("KIT", 0, "HOSE", 2);
        PutLine("KIT", 1, "FIT", 1);
        PutLine("OTHER", 0, "HOSE", 9);
        int result = 0;
        const std::string t = Edit(row.script, &result);
        EXPECT_EQ(result, 0x20);
        std::vector<Stored> kit;
        for (const Stored& s : Lines())
            if (s.code == "KIT")
                kit.push_back(s);
        EXPECT_EQ(kit, row.lines) << t;
        EXPECT_EQ(Lines().size(), row.lines.size() + 1) << "another assembly's line is kept";
        EXPECT_EQ(Flag(), row.flag) << t;
    }
}

// Esc on a product without stored lines leaves its flag "N" even when
// lines were typed: the flag tells what is stored, not what was shown.
TEST_F(AssemblyTest, EscapedListLeavesTheFlagOfTheStoredLines)
{
    const std::string t = Edit("key Enter\ntype HOSE\nkey Enter\ntype 1\nkey Enter\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Lines().empty()) << t;
    EXPECT_EQ(Flag(), 'N') << t;
}

TEST_F(AssemblyTest, ComponentRefusals)
{
    struct Row {
        const char* what;
        const char* script;
        const char* message;
    } rows[] = {
        {"the assembly itself", "key Enter\ntype KIT\nkey Enter\nanswer Continue\nkey F10\n",
         "A product cannot be listed on itself."},
        {"unknown code", "key Enter\ntype NOPE\nkey Enter\nanswer Continue\nkey F10\n", "This product does not exist."},
        {"Non-Inventory product", "key Enter\ntype FEE\nkey Enter\nanswer Continue\nkey F10\n",
         "A Non-Inventory product cannot be used here."},
        {"product listed twice",
         "key Enter\ntype HOSE\nkey Enter\ntype 1\nkey Enter\ntype HOSE\nkey Enter\nanswer Continue\nkey F10\n",
         "This product is already a component of the assembly."},
        {"empty code left with Enter", "key Enter\nkey Enter\nanswer Continue\nkey F10\n",
         "Enter a product code first."},
        {"zero quantity", "key Enter\ntype HOSE\nkey Enter\ntype 0\nkey Enter\nanswer Continue\nkey Esc\nanswer Yes\n",
         "A component needs a quantity other than zero."},
        {"insert into an empty list", "key Enter\nkey Shift+F6\nanswer Continue\nkey F10\n",
         "The list has no line to insert before."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Assemblies));
        Create(FileNo::Assemblies);
        const std::string t = Edit(row.script);
        EXPECT_TRUE(Has(t, row.message)) << t;
        // the refused line never reaches the file
        std::vector<Stored> lines = Lines();
        EXPECT_LE(lines.size(), 1u) << t;
        for (const Stored& s : lines)
            EXPECT_NE(s.item, "KIT");
    }
}

// A stored line held by another user stops the rewrite half way: the
// lines deleted before it come back, nothing of the new list is kept.
TEST_F(AssemblyTest, AFailedRewriteLeavesTheOldLines)
{
    PutLine("KIT", 0, "HOSE", 2);
    PutLine("KIT", 1, "FIT", 1);
    const std::vector<Stored> before = Lines();
    Table other(FileNo::Assemblies);
    ASSERT_TRUE(other.Open().Ok());
    KeyBuffer key;
    key.Clear();
    std::memcpy(key.bytes, "KIT", 3);
    uint16_t line = 1;
    std::memcpy(key.bytes + 15, &line, sizeof line);
    TagAssemblyComponent held{};
    ASSERT_TRUE(other.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, held).Ok());
    const std::string t =
        Edit("key Enter\nkey Enter\ntype 9\nkey F10\nanswer Continue\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "key F10 -> stay")) << t;
    EXPECT_EQ(Lines(), before) << t;
    other.UnlockAll();
}

}  // namespace
}  // namespace bwps::test
