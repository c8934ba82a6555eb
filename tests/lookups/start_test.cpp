// The start columns of the lookup types and the "0LookUps" defaults.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/lookups.h"
#include "bwps/records/general.h"

namespace {

TEST(LookUpStart, ColumnsByTypeAndAnEmptyStartBeforeAnyPick)
{
    struct Case {
        int type, code, description;
    };
    const Case cases[] = {{LOOKUP_ACCOUNTS, 1, 3},  {LOOKUP_CUSTOMERS, 1, 53}, {LOOKUP_VENDORS, 1, 53},
                          {LOOKUP_PRODUCTS, 1, 2},  {LOOKUP_MESSAGES, 1, 3},   {LOOKUP_WEIGHT_UNITS, 1, 2},
                          {40, 1, 2}};
    for (const Case& c : cases) {
        int code = 0, description = 0, key = 7;
        char start[LOOKUP_PICK_DESCRIPTION];
        std::memset(start, 'x', sizeof start);
        EXPECT_EQ(GetLookUpStart(&code, &description, &key, start, c.type), 0);
        EXPECT_EQ(code, c.code) << c.type;
        EXPECT_EQ(description, c.description) << c.type;
        EXPECT_EQ(key, 0);
        EXPECT_EQ(start[0], '\0');
    }
    int code = 0, description = 0, key = 0;
    char start[LOOKUP_PICK_DESCRIPTION];
    GetDocLookUpStart(&code, &description, &key, start, 4);
    EXPECT_EQ(description, 6);
    GetDocLookUpStart(&code, &description, &key, start, 0);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(description, 3);
}

TEST(LookUpsRecord, DefaultsAreTheKeyAndTheSearchLetters)
{
    TagLookUps record;
    std::memset(&record, 0xEE, sizeof record);
    EXPECT_EQ(InitLookUpsRecord(&record), 0);
    EXPECT_EQ(std::string(record.Key, 15), "0LookUps       ");
    EXPECT_EQ(record.Key[15], 0);
    EXPECT_EQ(std::string(record.LookupOrder, 16), std::string(16, 'C'));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record.reserved32), 4), std::string(4, '\0'));
    EXPECT_EQ(std::string(record.DocumentOrder, 13), std::string(13, 'N'));
    for (uint8_t byte : record.reserved49)
        EXPECT_EQ(byte, 0);
}

}  // namespace
