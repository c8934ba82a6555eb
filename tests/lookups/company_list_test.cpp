// The "Open Company" list as a lookup: it pages through the company list by
// name, starts on the open company, and its keys (Enter, F6, Shift+F8) act
// on the highlighted company after paging and searching.
#include "tests/extensions/company/fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/records.h"
#include "bwps/session.h"
#include "fx.h"

namespace companytest {
namespace {

class CompanyLookupList : public CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        Start("");
        CreateListed("Alpha", Folder("alpha"));
        CreateListed("Beta", Folder("beta"));
        // Listed companies without data files: enough to page through.
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, (base() + "/BPOSCID.DB").c_str(), 0, 0), 0);
        for (int i = 1; i <= 12; ++i) {
            CompanyListRecord r{};
            r.Status = 'N';
            std::snprintf(r.CompanyId, sizeof r.CompanyId, "Store %02d", i);
            std::snprintf(r.Folder, sizeof r.Folder, "%s", Folder("store" + std::to_string(i)).c_str());
            r.Date = 20240101;
            char key[256] = {};
            ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &r, sizeof r), 0);
        }
        BtrCloseFile(handle);
    }

    int OpenFromList()
    {
        int created = 0, known = 0;
        FxTranscriptClear();
        return OpenCompany(0, &created, &known);
    }

    std::string RunKeys(const char* script);

    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (const CompanyListRecord& r : ListRecords()) names.push_back(r.CompanyId);
        std::sort(names.begin(), names.end());
        return names;
    }

    // The highlighted rows ("list row N > ..."), in order.
    std::vector<std::string> Highlights() const
    {
        std::vector<std::string> out;
        const std::string t = Transcript();
        size_t at = 0;
        while ((at = t.find("list row ", at)) != std::string::npos) {
            const size_t end = t.find('\n', at);
            const std::string line = t.substr(at, end - at);
            if (line.find(" > ") != std::string::npos) out.push_back(line);
            at = end;
        }
        return out;
    }
};

TEST_F(CompanyLookupList, PagesByNameAndOpensTheHighlightedCompany)
{
    std::memset(Session().CompanyRecord, 0, sizeof Session().CompanyRecord);
    Script("key PgDn\nkey PgUp\nkey Home\nkey Down\nkey Enter\n");
    ASSERT_EQ(OpenFromList(), 1) << Transcript();
    EXPECT_TRUE(Saw("list open \" Open Company \"")) << Transcript();
    EXPECT_TRUE(Saw("list heading \"Company")) << Transcript();
    EXPECT_TRUE(Saw("window close RSOpenCompany")) << Transcript();
    const std::vector<std::string> h = Highlights();
    ASSERT_GE(h.size(), 4u) << Transcript();
    EXPECT_NE(h.front().find("list row 1 > \"Alpha"), std::string::npos) << h.front();
    // a page further on does not begin with the first company
    EXPECT_EQ(h[1].find("Alpha"), std::string::npos) << h[1];
    EXPECT_NE(h.back().find("Beta"), std::string::npos) << h.back();
    EXPECT_STREQ(Session().CompanyName, "Beta");
    EXPECT_EQ(std::string(Session().DataPath), Folder("beta"));
}

TEST_F(CompanyLookupList, StartsOnTheOpenCompany)
{
    std::memset(Session().CompanyRecord, 0, sizeof Session().CompanyRecord);
    CompanyListRecord open{};
    std::snprintf(open.CompanyId, sizeof open.CompanyId, "Beta");
    std::snprintf(open.Folder, sizeof open.Folder, "%s", Folder("beta").c_str());
    open.Date = 20240101;
    std::memcpy(Session().CompanyRecord, &open, sizeof open);
    Script("key Esc\n");
    OpenFromList();
    const std::vector<std::string> h = Highlights();
    ASSERT_FALSE(h.empty()) << Transcript();
    EXPECT_NE(h.front().find("Beta"), std::string::npos) << Transcript();
    EXPECT_TRUE(Saw("list note \"cancelled\"")) << Transcript();
}

// Runs the list with the script; the default company afterwards.
std::string CompanyLookupList::RunKeys(const char* script)
{
    std::memset(Session().CompanyRecord, 0, sizeof Session().CompanyRecord);
    Script(script);
    OpenFromList();
    std::string defaulted;
    for (const CompanyListRecord& r : ListRecords())
        if (r.Status == 'D') defaulted = r.CompanyId;
    return defaulted;
}

// Paging reads rows past the highlighted one: F6 still deletes the company
// under the cursor.
TEST_F(CompanyLookupList, DeleteAfterPagingRemovesTheHighlightedCompany)
{
    const std::vector<std::string> before = Names();
    RunKeys("key PgDn\nkey Up\nkey F6\nanswer Yes\nkey Esc\n");
    const std::string t = Transcript();
    // the highlighted row when F6 was pressed
    const std::string shown = t.substr(0, t.find("message "));
    const size_t at = shown.rfind(" > \"");
    ASSERT_NE(at, std::string::npos) << t;
    const std::string name = shown.substr(at + 4, shown.find("  ", at + 4) - at - 4);
    const std::vector<std::string> after = Names();
    ASSERT_EQ(after.size() + 1, before.size()) << t;
    for (const std::string& n : after) EXPECT_NE(n, name) << t;
    EXPECT_NE(name, "Alpha");
}

TEST_F(CompanyLookupList, KeysActOnTheSearchedCompany)
{
    struct Case {
        const char* script;
        const char* gone;       // removed from the list, or null
        const char* defaulted;  // the default company afterwards
    };
    const Case cases[] = {
        {"type store 05\nkey F6\nanswer Yes\nkey Esc\n", "Store 05", "Alpha"},
        {"type store 06\nkey F6\nanswer No\nkey Esc\n", nullptr, "Alpha"},
        {"type alpha\nkey F6\nkey Esc\n", nullptr, "Alpha"},  // the default stays
        {"type store 07\nkey Shift+F8\nkey Esc\n", nullptr, "Store 07"},
        {"type store 08\nkey Shift+F8\nkey Enter\n", nullptr, "Store 08"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const std::vector<std::string> before = Names();
        EXPECT_EQ(RunKeys(c.script), c.defaulted) << Transcript();
        const std::vector<std::string> after = Names();
        if (c.gone != nullptr) {
            EXPECT_EQ(after.size() + 1, before.size()) << Transcript();
            for (const std::string& n : after) EXPECT_NE(n, c.gone);
        } else {
            EXPECT_EQ(after, before) << Transcript();
        }
    }
    // after Shift+F8 the list stays on the company marked
    EXPECT_NE(Highlights().back().find("Store 08"), std::string::npos) << Transcript();
}

}  // namespace
}  // namespace companytest
