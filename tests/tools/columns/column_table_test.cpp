// The column table: rows become dictionary records; a row that does not fit
// its record is refused with its line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "column_table.h"
#include "key_table.h"
#include "table_error.h"

namespace basefiles {
namespace {

// The shipped key table: the record lengths the columns must fit.
KeyTable Keys()
{
    return LoadKeyTable(std::string(BWPS_BASEFILES_TABLES) + "/keys.txt");
}

ColumnTable Parse(const std::string& text)
{
    std::istringstream in(text);
    return ParseColumnTable(in, "columns.txt");
}

TEST(ColumnTable, RowsAndArraysBecomeRecords)
{
    ColumnTable t = Parse(
        "# tenders\n"
        "| TEND | 1 | CODE | 0 | 11 | 6 | %-10s | Tender Code | | |\n"
        "| TEND | 2-4 | PART | 11 | 8 | 17 | %12.2f | Part | | 2 |\n"
        "| TEND | 5 | AMOUNT | 35 | 8 | 18 | %12.2f | Amount | 6 | |\n"
        "| TEND | 6 | DECIMALS | 43 | 2 | 11 | %2d | Decimals | | |\n");
    ASSERT_NO_THROW(CheckColumnTable(t, Keys()));
    auto records = DictionaryRecords(t);
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(std::string(records[0].TableName, 12), "TEND        ");
    EXPECT_EQ(std::string(records[0].ColumnName, 16), "CODE            ");
    EXPECT_EQ(+records[2].Number, 3);
    EXPECT_EQ(+records[2].Offset, 19);
    EXPECT_EQ(std::string(records[2].ColumnName, 5), "PART2");
    EXPECT_EQ(+records[2].Flags, 2);
    EXPECT_EQ(+records[4].Decimals, 6);
    EXPECT_EQ(+records[0].Decimals, 0xFFFF);
    EXPECT_EQ(std::string(records[0].Caption), "Tender Code");
}

TEST(ColumnTable, RefusedRowsNameTheirLine)
{
    struct Case {
        const char* what;
        const char* rows;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"outside the record", "| TEND | 1 | X | 90 | 11 | 6 | %-10s | X | | |\n", 1, "outside"},
        {"overlap", "| TEND | 1 | A | 0 | 11 | 6 | %-10s | A | | |\n| TEND | 2 | B | 10 | 1 | 1 | %c | B | | |\n", 2, "overlaps"},
        {"number twice", "| TEND | 1 | A | 0 | 1 | 1 | %c | A | | |\n| TEND | 1 | B | 1 | 1 | 1 | %c | B | | |\n", 2, "twice"},
        {"cited offset", "| INHD | 52 | X | 570 | 4 | 13 | %6ld | X | | |\n", 1, "offset 574"},
        {"text picture", "| TEND | 1 | A | 0 | 11 | 6 | %-11s | A | | |\n", 1, "picture"},
        {"type length", "| TEND | 1 | A | 0 | 2 | 13 | %6ld | A | | |\n", 1, "4 bytes"},
        {"unused type", "| TEND | 1 | A | 0 | 4 | 10 | %6ld | A | | |\n", 1, "not in use"},
        {"no data file", "| NOPE | 1 | A | 0 | 1 | 1 | %c | A | | |\n", 1, "no data file"},
        {"decimals column", "| TEND | 1 | A | 0 | 8 | 18 | %8.2f | A | 9 | |\n", 1, "decimals column"},
        {"short row", "| TEND | 1 | A | 0 | 1 | 1 | %c |\n", 1, "10 columns"},
        {"bad number", "| TEND | x | A | 0 | 1 | 1 | %c | A | | |\n", 1, "column number"},
    };
    for (const Case& c : cases) {
        try {
            ColumnTable t = Parse(c.rows);
            CheckColumnTable(t, Keys());
            ADD_FAILURE() << c.what << ": not refused";
        } catch (const TableError& e) {
            EXPECT_EQ(e.line(), c.line) << c.what;
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.what << ": " << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("columns.txt:", 0), 0u) << e.what();
        }
    }
}

}  // namespace
}  // namespace basefiles
