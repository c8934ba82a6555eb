// The alternate products of a product driven by scripts: the stored lines
// loaded with their stored descriptions, lines added, inserted and emptied,
// the refusals of a code, the whole list rewritten on F10 as one change, F6
// deleting every line, Esc keeping what is stored.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "bwps/records/products.h"
#include "bwps/screens.h"
#include "bwps/table.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

struct Stored {
    std::string code;
    int line;
    std::string alternate;
    std::string description;
    bool operator==(const Stored&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Stored& s)
{
    return os << s.code << "/" << s.line << "/" << s.alternate << "/" << s.description;
}

class AlternateProductsTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Products, FileNo::Services, FileNo::AlternateProducts})
            Create(f);
        PutProduct("HOSE", "Garden hose", 1);
        PutProduct("HOSE2", "Long garden hose", 1);
        PutProduct("PIPE", "Flexible pipe", 1);
        PutProduct("REEL", "Hose reel", 1);
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
    void PutLine(const char* code, int line, const char* alternate, const char* description)
    {
        AltProductRecord a{};
        std::strncpy(a.Code, code, 14);
        a.Line = static_cast<uint16_t>(line);
        std::strncpy(a.AltCode, alternate, 14);
        std::strncpy(a.Description, description, 30);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::AlternateProducts), a.Code, 17, &a, sizeof a), 0);
    }
    std::vector<Stored> Lines(const std::string& of = "HOSE")
    {
        std::vector<Stored> out;
        for (const AltProductRecord& a : ReadAll<AltProductRecord>(Path(FileNo::AlternateProducts)))
            if (std::string(a.Code, strnlen(a.Code, 15)) == of)
                out.push_back({of, +a.Line, std::string(a.AltCode, strnlen(a.AltCode, 15)),
                               std::string(a.Description, strnlen(a.Description, 31))});
        return out;
    }
    TagProduct Hose()
    {
        for (const TagProduct& p : ReadAll<TagProduct>(Path(FileNo::Products)))
            if (std::string(p.Code) == "HOSE")
                return p;
        return {};
    }
    // Runs the screen on HOSE with the files open as the product editor has
    // them: the product file standing on HOSE.
    std::string Edit(const std::string& script, int* result = nullptr)
    {
        Table products(FileNo::Products), lines(FileNo::AlternateProducts);
        EXPECT_TRUE(products.Open().Ok());
        EXPECT_TRUE(lines.Open().Ok());
        KeyBuffer key;
        key.Clear();
        std::memcpy(key.bytes, "HOSE", 4);
        TagProduct hose{};
        EXPECT_TRUE(products.Get(B_GET_EQUAL, key, hose).Ok());
        return Run([&] { return RSEditAltProduct(products.Handle(), lines.Handle(), "HOSE"); }, script, result);
    }
    void Restore()
    {
        fs::remove(Path(FileNo::AlternateProducts));
        Create(FileNo::AlternateProducts);
        PutLine("HOSE", 0, "HOSE2", "Old hose text");
        PutLine("HOSE", 1, "PIPE", "Flexible pipe");
        PutLine("PIPE", 0, "HOSE", "Garden hose");
    }
};

TEST_F(AlternateProductsTest, WriteReplacesTheLinesNumberedFromZero)
{
    struct Row {
        const char* what;
        const char* script;
        std::vector<Stored> lines;
    } rows[] = {
        // the stored description is what the line shows and keeps
        {"loaded lines written back with their stored descriptions", "key F10\n",
         {{"HOSE", 0, "HOSE2", "Old hose text"}, {"HOSE", 1, "PIPE", "Flexible pipe"}}},
        {"a line added after the stored ones takes the product's description",
         "key Enter\nkey Space\nkey Down\nkey Down\ntype hose2\nkey Enter\nkey F10\n",
         {{"HOSE", 0, "PIPE", "Flexible pipe"}, {"HOSE", 1, "HOSE2", "Long garden hose"}}},
        {"an emptied line drops out, the rest renumbered", "key Enter\nkey Space\nkey Down\nkey F10\n",
         {{"HOSE", 0, "PIPE", "Flexible pipe"}}},
        {"a retyped unchanged code keeps the stored description", "key Enter\nkey Space\ntype HOSE2\nkey F10\n",
         {{"HOSE", 0, "HOSE2", "Old hose text"}, {"HOSE", 1, "PIPE", "Flexible pipe"}}},
        {"a changed code takes the new product's description", "key Enter\nkey Space\ntype REEL\nkey F10\n",
         {{"HOSE", 0, "REEL", "Hose reel"}, {"HOSE", 1, "PIPE", "Flexible pipe"}}},
        {"a line inserted before the second, then filled",
         "key Enter\nkey Space\nkey Down\nkey Shift+F6\ntype HOSE2\nkey Enter\nkey F10\n",
         {{"HOSE", 0, "HOSE2", "Long garden hose"}, {"HOSE", 1, "PIPE", "Flexible pipe"}}},
        {"all lines emptied: saving the empty list deletes every line",
         "key Enter\nkey Space\nkey Down\nkey Space\nkey Up\nkey F10\n", {}},
        {"delete all after the question", "key F6\nanswer Yes\n", {}},
        {"delete all answered No keeps the lines", "key F6\nanswer No\nkey Esc\n",
         {{"HOSE", 0, "HOSE2", "Old hose text"}, {"HOSE", 1, "PIPE", "Flexible pipe"}}},
        {"Esc keeps the stored lines", "key Enter\nkey Space\nkey Down\nkey Esc\nanswer Yes\n",
         {{"HOSE", 0, "HOSE2", "Old hose text"}, {"HOSE", 1, "PIPE", "Flexible pipe"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Restore();
        int result = 0;
        const std::string t = Edit(row.script, &result);
        EXPECT_EQ(result, 0x20) << t;
        EXPECT_EQ(Lines(), row.lines) << t;
        EXPECT_EQ(Lines("PIPE"), (std::vector<Stored>{{"PIPE", 0, "HOSE", "Garden hose"}}))
            << "another product's lines are kept\n" << t;
    }
}

TEST_F(AlternateProductsTest, AlternateRefusals)
{
    struct Row {
        const char* what;
        const char* script;
        const char* message;
    } rows[] = {
        {"the product itself", "key Enter\ntype HOSE\nkey Enter\nanswer Continue\nkey F10\n",
         "A product cannot be listed on itself."},
        {"unknown code", "key Enter\ntype NOPE\nkey Enter\nanswer Continue\nkey F10\n", "This product does not exist."},
        {"a service is not a product", "key Enter\ntype FIT\nkey Enter\nanswer Continue\nkey F10\n",
         "This product does not exist."},
        {"Non-Inventory product", "key Enter\ntype FEE\nkey Enter\nanswer Continue\nkey F10\n",
         "A Non-Inventory product cannot be used here."},
        {"product listed twice", "key Enter\ntype PIPE\nkey Enter\ntype PIPE\nkey Enter\nanswer Continue\nkey F10\n",
         "This product is already listed as an alternate."},
        {"empty code left with Enter", "key Enter\nkey Enter\nanswer Continue\nkey F10\n",
         "Enter a product code first."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::AlternateProducts));
        Create(FileNo::AlternateProducts);
        const std::string t = Edit(row.script);
        EXPECT_TRUE(Has(t, row.message)) << t;
        // the refused code never reaches the file
        for (const Stored& s : Lines())
            EXPECT_EQ(s.alternate, "PIPE") << t;
        EXPECT_LE(Lines().size(), 1u) << t;
    }
}

TEST_F(AlternateProductsTest, KeysThatDoNothingHere)
{
    struct Row {
        const char* what;
        const char* script;
        const char* expect;
    } rows[] = {
        {"Shift+F6 in an empty list stays", "key Enter\nkey Shift+F6\nkey Esc\n", "key Shift+F6 -> stay"},
        {"F8 has no action", "key F8\nkey Esc\n", "key F8 -> no action"},
        {"F9 has no action", "key F9\nkey Esc\n", "key F9 -> no action"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::AlternateProducts));
        Create(FileNo::AlternateProducts);
        int result = 0;
        const std::string t = Edit(row.script, &result);
        EXPECT_TRUE(Has(t, row.expect)) << t;
        EXPECT_EQ(result, 0x20) << t;
        EXPECT_TRUE(Lines().empty()) << t;
    }
}

// The product record is written back unchanged and its lock released: a
// second user can lock it once the screen is left.
TEST_F(AlternateProductsTest, ProductComesBackUnchangedAndUnlocked)
{
    Restore();
    const TagProduct before = Hose();
    const std::string t = Edit("key F10\n");
    const TagProduct after = Hose();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << t;
    Table other(FileNo::Products);
    ASSERT_TRUE(other.Open().Ok());
    KeyBuffer key;
    key.Clear();
    std::memcpy(key.bytes, "HOSE", 4);
    TagProduct held{};
    EXPECT_TRUE(other.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, held).Ok());
    other.UnlockAll();
}

// A product held by another user cannot be opened: reported, the screen
// does not run and no line is touched.
TEST_F(AlternateProductsTest, ALockedProductIsNotOpened)
{
    Restore();
    Table other(FileNo::Products);
    ASSERT_TRUE(other.Open().Ok());
    KeyBuffer key;
    key.Clear();
    std::memcpy(key.bytes, "HOSE", 4);
    TagProduct held{};
    ASSERT_TRUE(other.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, held).Ok());
    int result = 0;
    const std::string t = Edit("answer Continue\n", &result);
    EXPECT_EQ(result, 0x20) << t;
    EXPECT_TRUE(Has(t, "Btrieve Error")) << t;
    EXPECT_EQ(Lines().size(), 2u) << t;
    other.UnlockAll();
}

// A stored line held by another user stops the rewrite half way: the
// lines deleted before it come back, nothing of the new list is kept.
TEST_F(AlternateProductsTest, AFailedRewriteLeavesTheOldLines)
{
    Restore();
    const std::vector<Stored> before = Lines();
    Table other(FileNo::AlternateProducts);
    ASSERT_TRUE(other.Open().Ok());
    KeyBuffer key;
    key.Clear();
    std::memcpy(key.bytes, "HOSE", 4);
    uint16_t line = 1;
    std::memcpy(key.bytes + 15, &line, sizeof line);
    AltProductRecord held{};
    ASSERT_TRUE(other.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, held).Ok());
    for (const char* script : {"key Enter\nkey Space\ntype REEL\nkey F10\nanswer Continue\nkey Esc\nanswer Yes\n",
                               "key F6\nanswer Yes\nanswer Continue\nkey Esc\n"}) {
        SCOPED_TRACE(script);
        const std::string t = Edit(script);
        EXPECT_TRUE(Has(t, "-> stay")) << t;
        EXPECT_EQ(Lines(), before) << t;
    }
    other.UnlockAll();
}

}  // namespace
}  // namespace bwps::test
