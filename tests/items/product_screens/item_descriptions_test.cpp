// The description lines of products and services driven by scripts: load
// with the message codes' current texts, the whole set rewritten on F10,
// line insert and removal, the refusals at start.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>

#include "bwps/records/messages.h"
#include "bwps/records/products.h"
#include "bwps/screens.h"
#include "recman.h"
#include "recman_testing.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

struct StoredLine {
    std::string code;
    int line;
    char kind;
    std::string message;
    std::string text;
};

class ItemDescriptionTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Products, FileNo::Services, FileNo::ItemDetails, FileNo::MessageCodes})
            Create(f);
        PutProduct("P1", "Garden hose");
        PutService("S1", "Repair");
        PutMessage("M1", "Current text of M1");
    }
    std::string Edit(const char* code, int master, const std::string& script, int* result = nullptr)
    {
        return Run([code, master] { return RSEditItemDescr(code, master); }, script, result);
    }
    void PutProduct(const char* code, const char* description)
    {
        TagProduct p{};
        std::strncpy(p.Code, code, sizeof p.Code - 1);
        std::strncpy(p.Description, description, sizeof p.Description - 1);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Products), p.Code, sizeof p.Code, &p, sizeof p), 0);
    }
    void PutService(const char* code, const char* description)
    {
        std::array<char, 196> r{};
        std::strncpy(r.data(), code, 14);
        std::strncpy(r.data() + 15, description, 30);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Services), r.data(), 15, r.data(), 196), 0);
    }
    void PutMessage(const char* code, const char* text)
    {
        MessageCodeRecord m{};
        std::strncpy(m.Code, code, sizeof m.Code - 1);
        m.Flag = 'N';
        std::strncpy(m.Lines[0], text, 40);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::MessageCodes), m.Code, sizeof m.Code, &m, sizeof m), 0);
    }
    void PutLine(const char* code, int line, char kind, const char* message, const char* text)
    {
        TagItemDetail d{};
        std::strncpy(d.Code, code, 14);
        d.Code[15] = static_cast<char>(line);
        d.Status = kind;
        std::strncpy(d.MessageCode, message, sizeof d.MessageCode - 1);
        std::strncpy(d.Text, text, sizeof d.Text - 1);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::ItemDetails), d.Code, 16, &d, sizeof d), 0);
    }
    std::vector<StoredLine> Stored()
    {
        std::vector<StoredLine> out;
        for (const TagItemDetail& d : ReadAll<TagItemDetail>(Path(FileNo::ItemDetails)))
            out.push_back({std::string(d.Code, strnlen(d.Code, 15)), static_cast<unsigned char>(d.Code[15]), d.Status,
                           std::string(d.MessageCode, strnlen(d.MessageCode, sizeof d.MessageCode)),
                           std::string(d.Text, strnlen(d.Text, sizeof d.Text))});
        return out;
    }
};

TEST_F(ItemDescriptionTest, RefusedAtStart)
{
    struct Row {
        const char* what;
        const char* code;
        int master;
        const char* message;
    } rows[] = {
        {"no code", "", 20, "Enter a product code first."},
        {"code on neither file", "NOPE", 20, "The item is not on file, or is not of the kind asked for."},
        {"service asked as a product", "S1", 20, "The item is not on file, or is not of the kind asked for."},
        {"product asked as a service", "P1", 21, "The item is not on file, or is not of the kind asked for."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int result = -1;
        const std::string t = Edit(row.code, row.master, "", &result);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(Has(t, row.message)) << t;
        EXPECT_FALSE(Has(t, "run begin")) << t;
    }
}

// Lines typed with gaps are stored without them, numbered from 0.
TEST_F(ItemDescriptionTest, SaveStoresOnlyFilledLinesWithoutGaps)
{
    PutLine("P1", 0, 'D', "", "old line");
    int result = 0;
    const std::string t = Edit("P1", 20,
                               "key Enter\nkey Enter\ntype First\nkey Enter\n"  // line 0
                               "key Enter\nkey Enter\nkey Enter\n"              // line 1 left empty
                               "type Pop-up\nkey Enter\ntype m1\nkey Enter\nkey Enter\n"  // line 2
                               "key F10\n",
                               &result);
    EXPECT_EQ(result, 1);
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 2u) << t;
    EXPECT_EQ(stored[0].line, 0);
    EXPECT_EQ(stored[0].text, "First");
    EXPECT_EQ(stored[0].kind, 'D');
    EXPECT_EQ(stored[1].line, 1);
    EXPECT_EQ(stored[1].kind, 'P');
    EXPECT_EQ(stored[1].message, "M1");
    EXPECT_EQ(stored[1].text, "Current text of M1") << t;
}

// Loading replaces a message line's stored text with the message's
// current one, and keeps the kinds; an unknown kind letter loads as D.
TEST_F(ItemDescriptionTest, LoadTakesTheMessagesCurrentText)
{
    struct Row {
        const char* what;
        char kind;
        const char* message;
        const char* stored;
        char keptKind;
        const char* text;
    } rows[] = {
        {"message line", 'H', "M1", "stale text", 'H', "Current text of M1"},
        {"free text", 'P', "", "free", 'P', "free"},
        {"unknown kind", 'X', "", "odd", 'D', "odd"},
        {"message code no longer on file", 'D', "GONE", "kept", 'D', "kept"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::ItemDetails));
        Create(FileNo::ItemDetails);
        PutLine("P1", 0, row.kind, row.message, row.stored);
        const std::string t = Edit("P1", 20, "key F10\n");
        const auto stored = Stored();
        ASSERT_EQ(stored.size(), 1u) << t;
        EXPECT_EQ(stored[0].kind, row.keptKind);
        EXPECT_EQ(stored[0].text, row.text);
    }
}

TEST_F(ItemDescriptionTest, AnUnknownMessageCodeStopsTheSave)
{
    PutLine("S1", 0, 'D', "", "kept");
    const std::string t =
        Edit("S1", 21, "key Enter\ntype ZZ\nkey F10\nanswer Continue\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "key F10 -> stay focused")) << t;
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].text, "kept");
}

TEST_F(ItemDescriptionTest, InsertAndRemoveLines)
{
    for (int i = 0; i < 3; ++i)
        PutLine("P1", i, 'D', "", ("line " + std::to_string(i)).c_str());
    struct Row {
        const char* what;
        const char* script;
        std::vector<std::string> texts;
    } rows[] = {
        {"insert before the second line", "key Down\nkey Shift+F7\nkey F10\n", {"line 0", "line 1", "line 2"}},
        {"insert then type", "key Down\nkey Shift+F7\nkey Enter\nkey Enter\ntype new\nkey Enter\nkey F10\n",
         {"line 0", "new", "line 1", "line 2"}},
        {"remove the first line", "key Shift+F6\nkey F10\n", {"line 1", "line 2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string t = Edit("P1", 20, row.script);
        std::vector<std::string> texts;
        for (const StoredLine& l : Stored())
            texts.push_back(l.text);
        EXPECT_EQ(texts, row.texts) << t;
        fs::remove(Path(FileNo::ItemDetails));
        Create(FileNo::ItemDetails);
        for (int i = 0; i < 3; ++i)
            PutLine("P1", i, 'D', "", ("line " + std::to_string(i)).c_str());
    }
}

TEST_F(ItemDescriptionTest, InsertIsRefusedWhenAllTenLinesAreUsed)
{
    for (int i = 0; i < 10; ++i)
        PutLine("P1", i, 'D', "", ("line " + std::to_string(i)).c_str());
    const std::string t = Edit("P1", 20, "key Shift+F7\nanswer Continue\nkey F10\n");
    EXPECT_TRUE(Has(t, "All ten lines are in use")) << t;
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored[9].text, "line 9");
}

TEST_F(ItemDescriptionTest, DeleteAllLinesAfterTheQuestion)
{
    PutLine("P1", 0, 'D', "", "one");
    PutLine("P1", 1, 'H', "", "two");
    PutLine("P2", 0, 'D', "", "other item");
    struct Row {
        const char* answer;
        size_t left;
    } rows[] = {{"No", 3}, {"Yes", 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        const std::string t = Edit("P1", 20, "key F6\nanswer " + std::string(row.answer) + "\nkey Esc\n");
        EXPECT_TRUE(Has(t, "Delete all the description lines of this item?")) << t;
        EXPECT_EQ(Stored().size(), row.left) << t;
    }
}

// A line another station holds locked: neither the save nor the delete
// may leave the item with part of its lines.
TEST_F(ItemDescriptionTest, ALineThatCannotBeRewrittenKeepsEveryLine)
{
    struct Row {
        const char* name;
        const char* script;
    } rows[] = {
        {"save", "key Enter\nkey Enter\ntype changed\nkey F10\nkey Enter\nkey Esc\nanswer No\nkey Esc\n"},
        {"delete", "key F6\nanswer Yes\nkey Enter\nkey Esc\n"},
    };
    PutLine("P1", 0, 'D', "", "one");
    PutLine("P1", 1, 'H', "", "two");
    const std::string path = Path(FileNo::ItemDetails);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecmanReset();
        int toChild[2], toParent[2];
        ASSERT_EQ(::pipe(toChild), 0);
        ASSERT_EQ(::pipe(toParent), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            uint16_t handle = 0;
            TagItemDetail d{};
            char key[256] = {};
            std::strncpy(key, "P1", 14);
            key[15] = 1;
            char answer = BtrOpenFile(&handle, path.c_str(), 0, 0) == 0 &&
                                  BtrGet(B_GET_EQUAL + B_LOCK_SINGLE_NOWAIT, handle, key, &d, sizeof d) == 0
                              ? 'y'
                              : 'n';
            (void)!::write(toParent[1], &answer, 1);
            (void)!::read(toChild[0], &answer, 1);
            ::_exit(0);
        }
        char locked = 0;
        ASSERT_EQ(::read(toParent[0], &locked, 1), 1);
        ASSERT_EQ(locked, 'y');
        const std::string t = Edit("P1", 20, row.script);
        (void)!::write(toChild[1], "q", 1);
        int status = 0;
        ::waitpid(child, &status, 0);
        for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
            ::close(fd);
        const auto stored = Stored();
        ASSERT_EQ(stored.size(), 2u) << t;
        EXPECT_EQ(stored[0].text, "one") << t;
        EXPECT_EQ(stored[1].text, "two") << t;
    }
}

}  // namespace
}  // namespace bwps::test
