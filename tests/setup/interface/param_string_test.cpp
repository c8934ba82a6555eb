// The parameter-string parser over the strings callers hand to editors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/param_string.h"

namespace {

struct ParseCase {
    const char* name;
    const char* text;
    bool ok;
    const char* value;  // the buffer afterwards ("-" untouched)
};

const ParseCase kCases[] = {
    {"plain pair", "cdno='A100'", true, "A100 "},
    {"blanks before the name and the quote", "   cdno= 'A100'", true, "A100 "},
    {"last pair wins", "cdno='A' cdno='B'", true, "B    "},
    {"unknown first name", "kind='1' cdno='A'", false, "-"},
    {"name and equals only", "cdno=", true, "-"},
    {"name without equals", "cdno", false, "-"},
    {"no closing quote", "cdno='A100", false, "-"},
    {"no separator before an unknown name", "cdno='A'x='B'", false, "A    "},
    {"empty text", "", false, "-"},
    {"blanks only", "   ", false, "-"},
    {"trailing blanks", "cdno='A1'  ", true, "A1   "},
    {"value cut to the buffer", "cdno='ABCDEFGH'", true, "ABCDE"},
    {"name case kept", "CDNO='A'", false, "-"},
    {"text before the quote ignored", "cdno=xx'Q'", true, "Q    "},
};

class ParamStringCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParamStringCases, ParsesAsExpected)
{
    const ParseCase& c = GetParam();
    char out[6];
    std::memset(out, '-', sizeof out);
    out[1] = '\0';
    CParamString parser(c.text, static_cast<int32_t>(std::strlen(c.text)));
    EXPECT_EQ(parser.GetValue(out, sizeof out), c.ok);
    EXPECT_STREQ(out, c.value);
}

INSTANTIATE_TEST_SUITE_P(Strings, ParamStringCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(ParamString, MissingTextOrZeroLengthIsRefused)
{
    char out[6] = "-";
    CParamString missing(nullptr, 10);
    EXPECT_FALSE(missing.GetValue(out, sizeof out));
    CParamString zero("cdno='A'", 0);
    EXPECT_FALSE(zero.GetValue(out, sizeof out));
    EXPECT_STREQ(out, "-");
}

TEST(ParamString, OverlongNameOrValueIsRefusedWithoutOverrun)
{
    char out[6] = "-";
    const std::string longName = std::string(16, 'n') + "='A'";
    CParamString a(longName.c_str(), static_cast<int32_t>(longName.size()));
    EXPECT_FALSE(a.GetValue(out, sizeof out));
    const std::string longValue = "cdno='" + std::string(256, 'v') + "'";
    CParamString b(longValue.c_str(), static_cast<int32_t>(longValue.size()));
    EXPECT_FALSE(b.GetValue(out, sizeof out));
    EXPECT_STREQ(out, "-");
    const std::string fullValue = "cdno='" + std::string(255, 'v') + "'";
    CParamString c(fullValue.c_str(), static_cast<int32_t>(fullValue.size()));
    EXPECT_TRUE(c.GetValue(out, sizeof out));
    EXPECT_STREQ(out, "vvvvv");
}

TEST(ParamString, ParseWithoutOutputBufferRefusesThePair)
{
    CParamString parser("cdno='A'", 8);
    EXPECT_FALSE(parser.Parse());
    EXPECT_TRUE(CParamString("cdno=", 5).Parse());
}

}  // namespace
