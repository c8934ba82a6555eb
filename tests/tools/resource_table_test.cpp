// The screen-resource table: records in the framework's 264-byte layout,
// window texts under their names, and malformed rows rejected with file and
// line.
#include "resource_table.h"
#include "table_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

using namespace basefiles;

namespace {

const char kHeader[] = "| file | kind | number | line | text |\n|---|---|---|---|---|\n";

ResourceTable Parse(const std::string& rows) {
    std::istringstream in(std::string(kHeader) + rows);
    return ParseResourceTable(in, "resources.txt");
}

}  // namespace

TEST(BaseFilesResources, RecordsCarryKindNumberLineAndText) {
    auto files = BuildResourceRecords(Parse(
        "| 93 | screen | RSMsgB | 1 | second line |\n"
        "| 90 | textlist | 323 | 0 | \\x18F8,Set Default,1,0,0,0, |\n"
        "| 93 | screen | RSMsgA | 0 | first window |\n"
        "| 93 | screen | RSMsgB | 0 | first line |\n"
        "| 91 | string | 7 | 0 | back\\\\slash |\n"));
    ASSERT_EQ(files.size(), 5u);  // every resource file, empty ones too
    EXPECT_TRUE(files[92].empty());
    EXPECT_TRUE(files[95].empty());

    ASSERT_EQ(files[90].size(), 1u);
    const FxResourceRecord& list = files[90][0];
    EXPECT_EQ(list.kind, FX_RES_TEXTLIST);
    EXPECT_EQ(list.number, 323);
    EXPECT_EQ(list.line, 0);
    EXPECT_STREQ(list.data, "\x18" "F8,Set Default,1,0,0,0,");
    EXPECT_EQ(list.length, std::strlen(list.data) + 1);

    EXPECT_STREQ(files[91][0].data, "back\\slash");
    EXPECT_EQ(files[91][0].kind, FX_RES_STRING);

    // Window texts: the name in the first 32 bytes, the text after it; one
    // running number per window, records in key order.
    ASSERT_EQ(files[93].size(), 3u);
    EXPECT_STREQ(files[93][0].data, "RSMsgB");
    EXPECT_EQ(files[93][0].number, 1);
    EXPECT_EQ(files[93][0].line, 0);
    EXPECT_STREQ(files[93][0].data + 32, "first line");
    EXPECT_EQ(files[93][1].number, 1);
    EXPECT_EQ(files[93][1].line, 1);
    EXPECT_STREQ(files[93][2].data, "RSMsgA");
    EXPECT_EQ(files[93][2].number, 2);
    EXPECT_EQ(files[93][2].length, 32 + std::strlen("first window") + 1);
}

TEST(BaseFilesResources, ShippedTableHoldsTheCompanyListKeys) {
    ResourceTable table = LoadResourceTable(std::string(BWPS_BASEFILES_TABLES) + "/resources.txt");
    auto files = BuildResourceRecords(table);
    bool found = false;
    for (const FxResourceRecord& r : files[90])
        if (r.kind == FX_RES_TEXTLIST && r.number == 323) {
            found = true;
            EXPECT_EQ(r.data[0], '\x18');  // Shift+F8
        }
    EXPECT_TRUE(found);
}

TEST(BaseFilesResources, MalformedRowsAreRejectedWithFileAndLine) {
    struct Case {
        std::string rows;
        int line;
        const char* says;
    };
    const Case cases[] = {
        {"| 94 | string | 1 | 0 | x |\n", 3, "not a screen resource file"},
        {"| 90 | picture | 1 | 0 | x |\n", 3, "unknown kind"},
        {"| 90 | string | 1 | 1 | x |\n", 3, "line 0 only"},
        {"| 90 | textlist | 0 | 0 | x |\n", 3, "1..65535"},
        {"| 90 | textlist | 1 | 0 | \\q |\n", 3, "unknown escape"},
        {"| 90 | textlist | 1 | 0 | \\x00 |\n", 3, "end the text"},
        {"| 90 | textlist | 1 | 0 | a |\n| 90 | textlist | 1 | 0 | b |\n", 4, "twice"},
        {"| 93 | screen | " + std::string(32, 'N') + " | 0 | x |\n", 3, "window name"},
        {"| 90 | textlist | 1 | 0 |\n", 3, "columns"},
    };
    for (const Case& c : cases) {
        try {
            Parse(c.rows);
            ADD_FAILURE() << "accepted: " << c.rows;
        } catch (const TableError& e) {
            EXPECT_EQ(e.line(), c.line) << e.what();
            EXPECT_NE(std::string(e.what()).find("resources.txt:" + std::to_string(c.line)), std::string::npos)
                << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}
