// The warehouses a user may use: marks loaded, changed through the list by
// script, and saved as access records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/user_access.h"
#include "fx.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

class UserAccessTest : public ServicesTest {
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        if (IsSkipped())
            return;
        for (const char* id : {"W1", "W2", "W3"}) {
            uint8_t w[WAREHOUSE_RECORD_SIZE] = {};
            std::memcpy(w, id, 2);
            std::snprintf(reinterpret_cast<char*>(w + 4), 41, "Warehouse %s", id);
            Put(76, w, sizeof w, 4);
        }
        Grant("CLERK", "W2");
        Grant("OTHER", "W1");
    }
    void Grant(const char* user, const char* warehouse)
    {
        uint8_t a[19] = {};
        std::memcpy(a, user, std::strlen(user));
        std::memcpy(a + 15, warehouse, std::strlen(warehouse));
        Put(78, a, sizeof a, 19);
    }
    std::string Marks()
    {
        std::string out;
        for (auto& w : All(76, WAREHOUSE_RECORD_SIZE))
            out += w[WAREHOUSE_MARK_OFFSET] == WAREHOUSE_MARK ? 'x' : '.';
        return out;
    }
    std::string Access()
    {
        std::string out;
        for (auto& a : All(78, 19))
            out += std::string(reinterpret_cast<char*>(a.data())) + "+" +
                   std::string(reinterpret_cast<char*>(a.data()) + 15, 2) + " ";
        return out;
    }
};

TEST_F(UserAccessTest, MarksByScriptAreSavedAsAccessRecords)
{
    CUserAccessTable table("CLERK");
    ASSERT_TRUE(table.LoadMarks());
    EXPECT_EQ(Marks(), ".x.");
    // Toggle W1 twice (back as it was), W3 once, accept.
    FxScriptLoad("key Space\nkey Space\nkey Down\nkey Down\nkey Space\nkey F10\n");
    EXPECT_EQ(table.FillList(), 1);
    EXPECT_EQ(Marks(), ".xx");
    ASSERT_TRUE(table.SaveMarks());
    EXPECT_EQ(Access(), "OTHER+W1 CLERK+W2 CLERK+W3 ");

    // Mark all, then clear all, then leave without accepting.
    FxScriptLoad("key F8\nanswer Mark All\nkey F10\n");
    EXPECT_EQ(table.FillList(), 1);
    EXPECT_EQ(Marks(), "xxx");
    FxScriptLoad("key F8\nanswer Clear All\nkey Esc\n");
    EXPECT_EQ(table.FillList(), 0);
    EXPECT_EQ(Marks(), "...");
    ASSERT_TRUE(table.SaveMarks());
    EXPECT_EQ(Access(), "OTHER+W1 ") << "no marked warehouse leaves no access record";

    CUserAccessTable fresh("NEWUSER");
    ASSERT_TRUE(fresh.LoadMarks());
    EXPECT_EQ(Marks(), "...") << "a new user starts with every mark clear";
    CUserAccessTable nobody;
    EXPECT_FALSE(nobody.SaveMarks());
}

}  // namespace
}  // namespace svctest
