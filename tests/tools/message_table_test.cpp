// The message table: every message the program shows or asks has a text,
// every record-manager status has an explanation, the records have the
// 84-byte line layout, and malformed tables are rejected with file and line.
#include "message_table.h"
#include "table_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
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

// Each status's explanation says what that status means: a table of the
// meanings, one phrase each, looked for in the text that the status reaches;
// and no two statuses share a text, nor does a status reach a message that
// the screens show for something else.
TEST(BaseFilesMessageTable, EachStatusIsExplainedByItsOwnMeaning) {
    struct Meaning {
        int status;
        const char* phrase;
    };
    const Meaning meanings[] = {
        {-7, "error of its own"}, {-6, "refused the request"}, {-5, "could not start a session"},
        {-4, "ran out of memory"}, {-3, "could not be reached"}, {-2, "not loaded"},
        {1, "operation it does not know"}, {2, "disk or network error"}, {3, "not open"},
        {4, "not found"}, {5, "already exists"}, {6, "no index with this number"},
        {7, "another index"}, {8, "no current record"}, {9, "end of the file"},
        {10, "cannot be changed"}, {11, "name or its folder"}, {12, "file was not found"},
        {13, "second file is missing"}, {14, "could not be opened"}, {15, "could not be read"},
        {16, "could not grow"}, {17, "closed properly"}, {18, "not enough free space"},
        {19, "cannot recover"}, {20, "not running"}, {21, "shorter than the index"},
        {22, "does not fit the space"}, {23, "position block"}, {24, "page size"},
        {25, "could not be created"}, {26, "too many or no keys"}, {27, "outside the record"},
        {28, "record length of the file definition"}, {29, "key length"},
        {30, "not a data file"}, {31, "already extended"}, {32, "could not be written"},
        {33, "could not be unloaded"}, {34, "second part is not valid"},
        {35, "folder could not be found"}, {36, "could not be started"},
        {37, "already in progress"}, {38, "transaction control file"},
        {39, "no transaction to end"}, {40, "changed in one transaction"},
        {41, "not allowed on this file"}, {42, "half-written"}, {43, "record address"},
        {44, "not in the index"}, {45, "flags of a key"}, {46, "may not change this file"},
        {47, "files are open at once"}, {48, "sort order"}, {49, "key type"},
        {50, "already has an owner"}, {51, "owner name is not valid"}, {52, "cache to disk"},
        {53, "version of the record manager"}, {54, "variable-length record"},
        {55, "automatic number"}, {56, "index of the file is incomplete"},
        {57, "could not use its memory"}, {58, "does not fit the program's buffer"},
        {59, "file already exists"}, {60, "more records than it may"}, {61, "work space"},
        {62, "search request"}, {63, "records to add"}, {64, "search condition is too long"},
        {65, "field outside the record"}, {66, "databases are open at once"}, {67, "dictionary"},
        {68, "record linked to this one"}, {69, "link rule between files is not valid"},
        {70, "names a file"}, {71, "breaks a link rule"}, {72, "file linked to this one"},
        {73, "do not agree"}, {74, "cancelled the transaction"}, {75, "internal error"},
        {76, "changed by another station"}, {77, "timed out"}, {78, "wait on each other"},
        {79, "made an error in its request"}, {80, "changed this record"},
        {81, "could not be locked"}, {82, "lost its place"}, {83, "current transaction"},
        {84, "using this record"}, {85, "using this file"},
        {86, "record manager cannot open more files"}, {87, "station cannot open more files"},
        {88, "does not allow this"}, {89, "network name"}, {90, "drive table"},
        {91, "server could not be reached"}, {92, "transactions are in progress"},
        {93, "locked in a way"}, {94, "no permission"},
        {95, "connection to the record manager was lost"}, {96, "network connection failed"},
        {97, "too large"}, {98, "inside a transaction"}, {99, "component it needs"},
        {100, "no free cache buffers"}, {10000, "inactive"},
    };
    const MessageTable& table = Shipped();
    std::map<int, int> statusOf;  // message number -> the status it explains
    for (const Meaning& m : meanings) {
        const int number = StatusMessageNumber(m.status);
        const Message* message = table.find(number);
        ASSERT_NE(message, nullptr) << "status " << m.status;
        std::string text;
        for (const std::string& line : message->lines) text += line + " ";
        EXPECT_NE(text.find(m.phrase), std::string::npos)
            << "status " << m.status << " reaches message " << number << ": " << text;
        const auto [at, fresh] = statusOf.emplace(number, m.status);
        EXPECT_TRUE(fresh) << "statuses " << at->second << " and " << m.status
                           << " share message " << number;
    }
    // Messages the screens show for their own purposes (18 is "disk full"
    // and shares message 61 with the disk-full notice on purpose).
    for (int shown : {183, 185, 193, 261, 355, 357, 361, 371, 1481, 1483, 1487, 1547}) {
        EXPECT_EQ(statusOf.count(shown), 0u) << "message " << shown << " explains a status";
    }
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
