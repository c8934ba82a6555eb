// The form-variables editor RSEditVarsFile over a copy of the shipped
// dictionary: what a script types is read back from BPOSVAR.DB.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bwps/records/form_variables.h"
#include "tests/setup/station_fixture.h"

extern "C" int RSEditVarsFile(void);

namespace bwps::test {
namespace {

std::string Name(const TagColumnVar& v)
{
    return std::string(v.Name, strnlen(v.Name, sizeof v.Name));
}

class VarsEditorTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        const fs::path built = bwpstest::BuiltBaseFolder();
        fs::copy_file(built / "BPOSVAR.DB", base_ / "BPOSVAR.DB", fs::copy_options::overwrite_existing);
        FxOpenStringFiles(Folder(built).c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT");
        FxOpenScreenFiles(Folder(built).c_str(), "WBPSRSC3.DAT", "WBPSRSC4.DAT", "WBPSRSC6.DAT");
        FxTranscriptClear();
    }
    std::vector<TagColumnVar> Stored() { return ReadAll<TagColumnVar>(base_ / "BPOSVAR.DB"); }
    const TagColumnVar* Find(const std::vector<TagColumnVar>& all, const std::string& name)
    {
        for (const TagColumnVar& v : all)
            if (Name(v) == name)
                return &v;
        return nullptr;
    }
    std::string Run(const std::string& script)
    {
        FxTranscriptClear();
        EXPECT_EQ(FxScriptLoad(script.c_str()), 0);
        RSEditVarsFile();
        return Transcript();
    }
};

TEST_F(VarsEditorTest, NewVariableIsInsertedThenASecondSaveUpdatesIt)
{
    const size_t before = Stored().size();
    const std::string t = Run(
        "type SUBTOTAL\nfield 2 8\nfield 3 9\nfield 4 R\nfield 5 F\nfield 6 36\nfield 7 11\nfield 8 415\n"
        "field 11 10\nfield 13 %11.2f\nfield 14 Subtotal\nkey F10\nfield 14 Sub total\nkey F10\nkey Esc\n");
    const std::vector<TagColumnVar> after = Stored();
    EXPECT_EQ(after.size(), before + 1) << t;
    const TagColumnVar* v = Find(after, "SUBTOTAL");
    ASSERT_NE(v, nullptr) << t;
    EXPECT_EQ(+v->Category, 8);
    EXPECT_EQ(+v->Number, 9);
    EXPECT_EQ(+v->Justify, 'R');
    EXPECT_EQ(+v->Fill, 'F');
    EXPECT_EQ(+v->SourceFile, 36);
    EXPECT_EQ(+v->Width, 11);
    EXPECT_EQ(+v->SourceOffset, 415);
    EXPECT_EQ(+v->Type, 10);
    EXPECT_STREQ(v->Picture, "%11.2f");
    EXPECT_STREQ(v->Description, "Sub total");
}

TEST_F(VarsEditorTest, RefusalsAndTheDataFileBesideField6)
{
    struct Case {
        const char* script;
        const char* seen;
    };
    const Case cases[] = {
        {"key F10\nkey Esc\nanswer No\n", "Enter a terms code first."},
        {"type X\nfield 11 2\nkey F5\nkey Esc\nanswer No\n", "there is no list to choose from"},
        {"type X\nfield 6 20\nkey Enter\nkey Esc\nanswer No\n", "6,30 \"BPOSPROD.DB    \""},
        {"type X\nfield 6 ABC\nkey Enter\nkey Esc\nanswer No\n", "6,30 \"ABC            \""},
        {"type X\nfield 2\nkey F7\nkey Esc\nanswer No\n", "Enter a terms code first."},
    };
    const size_t before = Stored().size();
    for (const Case& c : cases) {
        const std::string t = Run(c.script);
        EXPECT_NE(t.find(c.seen), std::string::npos) << c.script << t;
    }
    EXPECT_EQ(Stored().size(), before);
}

TEST_F(VarsEditorTest, PagingGoesByGroupAndNumberAndStopsAtTheEnds)
{
    // Each step is read back as field 1 is left (Enter, then Up to it again).
    struct Case {
        const char* keys;
        std::vector<const char*> shown;
    };
    const Case cases[] = {
        // From a new record F9 shows the first variable, DATE (group 1,
        // number 1), then TIME; F8 goes back.
        {"F9 F9 F8", {"DATE", "TIME", "DATE"}},
        // From a new record F8 shows the last one; F9 there leaves it.
        {"F8 F9", {"TENDER1", "TENDER1"}},
        // F7 skips the rest of the group shown: the first of group 2.
        {"F9 F7", {"DATE", "CO_NAME"}},
    };
    for (const Case& c : cases) {
        std::string script;
        std::string keys = c.keys;
        for (size_t at = 0; at < keys.size(); at += 3)
            script += "key " + keys.substr(at, 2) + "\nkey Enter\nkey Up\n";
        const std::string t = Run(script + "key Esc\n");
        size_t from = 0;
        for (const char* name : c.shown) {
            from = t.find("field 1 exit \"" + std::string(name) + "\"", from);
            ASSERT_NE(from, std::string::npos) << c.keys << " " << name << "\n" << t;
            ++from;
        }
    }
}

TEST_F(VarsEditorTest, DeleteAsksAndRemovesTheRecordShown)
{
    const size_t before = Stored().size();
    Run("key F9\nkey F6\nanswer No\nkey Esc\n");
    EXPECT_EQ(Stored().size(), before);
    const std::string t = Run("key F9\nkey F6\nanswer Yes\nkey Esc\n");
    const std::vector<TagColumnVar> after = Stored();
    EXPECT_EQ(after.size(), before - 1) << t;
    EXPECT_EQ(Find(after, "DATE"), nullptr);
}

}  // namespace
}  // namespace bwps::test
