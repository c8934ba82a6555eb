// The brace text of a form variable: '{', the name, dots, '}' at width - 1
// and the NUL at width, whatever the name's length; a width the caller's
// buffer cannot hold is cut to it, one below 3 refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/lookups.h"

namespace {

TEST(BraceText, NameIsPaddedOrCutAndTheBraceAlwaysCloses)
{
    struct Case {
        const char* name;
        int width;
        int size;
        bool made;
        const char* text;
    };
    const Case cases[] = {
        {"NAME", 10, 128, true, "{NAME....}"},
        {"NAME      ", 10, 128, true, "{NAME....}"},
        {"CUSTOMERNAME", 8, 128, true, "{CUSTOM}"},
        {"AB", 4, 128, true, "{AB}"},
        {"A", 3, 128, true, "{A}"},
        {"NAME", 2, 128, false, ""},
        {"NAME", 0, 128, false, ""},
        {"NAME", 200, 8, true, "{NAME.}"},
    };
    for (const Case& c : cases) {
        char out[FORM_VARIABLE_TEXT_SIZE];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(BuildVariableBraceText(c.name, c.width, out, c.size), c.made) << c.name << " " << c.width;
        EXPECT_STREQ(out, c.text) << c.name << " " << c.width;
        if (c.made) {
            const size_t width = std::strlen(out);
            EXPECT_EQ(out[width - 1], '}');
            EXPECT_LT(static_cast<int>(width), c.size);
        }
    }
}

}  // namespace
