// The message table: every message the program shows or asks has a text,
// every record-manager status has an explanation, the records have the
// 84-byte line layout, and malformed tables are rejected with file and line.
#include "message_table.h"
#include "table_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

using namespace basefiles;

namespace {

const MessageTable& Shipped() {
    static const MessageTable table = LoadMessageTable(std::string(BWPS_BASEFILES_TABLES) + "/messages.txt");
    return table;
}

}  // namespace

TEST(BaseFilesMessageTable, EveryStatusHasAnExplanation) {
    const MessageTable& table = Shipped();
    for (int status = -8; status <= 100; ++status) {
        if (status == 0 || status == -1) continue;
        EXPECT_NE(table.find(StatusMessageNumber(status)), nullptr) << "status " << status;
    }
    EXPECT_NE(table.find(StatusMessageNumber(10000)), nullptr);
    // The open failures of the error report.
    EXPECT_NE(table.find(175), nullptr);
    EXPECT_NE(table.find(177), nullptr);
}

TEST(BaseFilesMessageTable, ShownAndAskedMessagesHaveTextsAndTheRightButtons) {
    const MessageTable& table = Shipped();
    const int shown[] = {1, 33, 61, 183, 185, 193, 261, 355, 357, 361, 371, 423, 457, 459, 461, 463,
                         539, 831, 875, 881, 897, 1481, 1483, 1487, 1543, 1547, 1730};
    for (int n : shown) {
        const Message* m = table.find(n);
        ASSERT_NE(m, nullptr) << n;
        EXPECT_TRUE(m->buttons.empty()) << n;
    }
    // Asked with the caller's own list: the text must not end in a list.
    for (int n : {943, 945, 955, 1009, 1107, 1171}) {
        const Message* m = table.find(n);
        ASSERT_NE(m, nullptr) << n;
        EXPECT_TRUE(m->buttons.empty()) << n;
    }
    // Asked without a list: the last line is the list, first button the
    // default (937: 1 adds the station; 947: the second choice restores).
    ASSERT_NE(table.find(937), nullptr);
    EXPECT_EQ(table.find(937)->buttons, "Add Id,Continue");
    ASSERT_NE(table.find(947), nullptr);
    EXPECT_EQ(table.find(947)->buttons, "Cancel,Restore");
}

TEST(BaseFilesMessageTable, RecordsHaveTheLineLayoutInKeyOrder) {
    std::vector<MessageRecord> records = BuildMessageRecords(Shipped());
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(sizeof(MessageRecord), 84u);
    // The last message is followed by another record, so that reading it to
    // its end never meets the end of the file.
    EXPECT_EQ(records.back().Number, kEndRecordNumber);
    long previousKey = -1;
    for (size_t i = 0; i < records.size(); ++i) {
        const MessageRecord& r = records[i];
        long key = static_cast<long>(r.Number) * 65536 + r.Line;
        EXPECT_GT(key, previousKey) << "record " << i;
        previousKey = key;
        ASSERT_NE(std::memchr(r.Text, 0, sizeof r.Text), nullptr) << r.Number << "/" << r.Line;
        EXPECT_EQ(r.Width, static_cast<int16_t>(std::strlen(r.Text))) << r.Number << "/" << r.Line;
        if (i > 0 && r.Number == records[i - 1].Number) EXPECT_EQ(r.Line, records[i - 1].Line + 1);
        else EXPECT_EQ(r.Line, 0);
    }
    // 947 ends with its list, the first byte kept for the default button.
    const MessageRecord* last = nullptr;
    for (const MessageRecord& r : records)
        if (r.Number == 947) last = &r;
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->Text, " Cancel,Restore");
}

TEST(BaseFilesMessageTable, ParsesTitlesInnerBlankLinesAndButtons) {
    std::istringstream in(
        "# comment\n"
        "@12 Title here\n"
        "first\n"
        "\n"
        "  indented   \n"
        "\n"
        "@3\n"
        "ask?\n"
        "buttons: Yes,No\n"
        "\n");
    MessageTable t = ParseMessageTable(in, "m.txt");
    ASSERT_EQ(t.messages.size(), 2u);
    EXPECT_EQ(t.messages[0].title, "Title here");
    EXPECT_EQ(t.messages[0].lines, (std::vector<std::string>{"first", "", "  indented"}));
    EXPECT_EQ(t.messages[1].title, "");
    EXPECT_EQ(t.messages[1].buttons, "Yes,No");
    std::vector<MessageRecord> r = BuildMessageRecords(t);
    ASSERT_EQ(r.size(), 4u + 3u + 1u);
    EXPECT_EQ(r[0].Number, 3);  // key order, not table order
    EXPECT_STREQ(r[2].Text, " Yes,No");
    EXPECT_STREQ(r[3].Text, "Title here");
}

TEST(BaseFilesMessageTable, MalformedTablesAreRejectedWithFileAndLine) {
    struct Case {
        std::string text;
        int line;
        const char* says;
    };
    const std::string longLine(78, 'x');
    std::string tooMany = "@5\n";
    for (int i = 0; i < 22; ++i) tooMany += "line\n";
    const Case cases[] = {
        {"text first\n@1\nx\n", 1, "before the first"},
        {"@x1 t\nx\n", 1, "not a message number"},
        {"@0\nx\n", 1, "outside"},
        {"@65535\nx\n", 1, "outside"},
        {"@1\nx\n@1\ny\n", 3, "written twice"},
        {"@1\n" + longLine + "\n", 2, "longer than 77"},
        {"@1\nx\nbuttons: Yes,No\ny\n", 4, "last line"},
        {"@1\nx\nbuttons: Yes\nbuttons: No\n", 4, "two button lists"},
        {"@1\n\n\n@2\nx\n", 1, "no text"},
        {tooMany, 1, "at most 21"},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        try {
            ParseMessageTable(in, "messages.txt");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const TableError& e) {
            EXPECT_EQ(e.line(), c.line) << e.what();
            EXPECT_NE(std::string(e.what()).find("messages.txt:" + std::to_string(c.line)), std::string::npos)
                << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}
