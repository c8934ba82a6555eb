// The data dictionary: table names by application, column definitions and
// supplemental indexes built from columns.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "bwps/dictionary.h"
#include "bwps/records/check_register.h"
#include "bwps/records/customer_history.h"
#include "bwps/records/open_invoices.h"
#include "bwps/records/products.h"
#include "bwps/records/sales.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

#pragma pack(push, 1)
struct Tender {
    char code[11];
    char description[31];
    char process;
    uint8_t kind;
    char account[11];
    char remark[41];
    char type;
};
#pragma pack(pop)
static_assert(sizeof(Tender) == 97);

Tender MakeTender(const char* code, const char* description, char type)
{
    Tender t{};
    std::snprintf(t.code, sizeof t.code, "%-10s", code);
    std::snprintf(t.description, sizeof t.description, "%-30s", description);
    t.process = 'N';
    t.type = type;
    return t;
}

class DictionaryTest : public ServicesTest {
protected:
    void SeedTenders()
    {
        for (const Tender& t : {MakeTender("CASH", "Cash", 'C'), MakeTender("VISA", "Visa", 'O'),
                                MakeTender("AMEX", "American Express", 'O'),
                                MakeTender("CHECK", "Check", 'K')})
            Put(33, &t, sizeof t, 11);
    }
};

TEST(DictionaryNames, TableAndFileNamesByApplication)
{
    struct Case {
        int product;
        const char* table;
        const char* file;
    };
    const Case toFile[] = {
        {4, "CUST", "BWACUST.DB"}, {4, "TEMPWORK", "TEMPWORK.DB"}, {1, "VARS", "WBWAVARS.DB"},
        {1, "COLS", "WBWACOLS.DB"}, {1, "CUST", "BWACUST.DB"},   {2, "Code", "BWPBpcd.DB"},
        {2, "BwaAcct", "BwaAcct.DB"}, {2, "JOBS", "BWPJOBS.DB"},  {3, "CUST", "BWACUST.DB"},
        {9, "CUST", "BWACUST.DB"},
    };
    for (const Case& c : toFile) {
        FxSetProductNumber(c.product);
        char name[16] = {};
        std::snprintf(name, sizeof name, "%s", c.table);
        DictTableToFileName(name);
        EXPECT_EQ(std::string(name), (std::string(c.file) + "               ").substr(0, 15))
            << c.product << " " << c.table;
    }
    const Case toTable[] = {
        {4, "BPOSCUST.DB", "CUST"},         {4, "/data/BWACUST.DB", "CUST"},
        {4, "TEMPWORK.DB", "TEMPWORK"},     {1, "WBWACOLS.DB", "COLS"},
        {1, "BWACUST.DB", "CUST"},          {3, "BWOEORDR.DB", "ORDR"},
        {2, "BwaAcctX.DB", "AcctX"},        {2, "BWPBpcdX.DB", "Code"},
        {5, "BWJCJOBS.DB", ""},
    };
    for (const Case& c : toTable) {
        FxSetProductNumber(c.product);
        char table[13];
        FileToDictTableName(c.table, table);
        EXPECT_EQ(std::string(table), (std::string(c.file) + "            ").substr(0, 12))
            << c.product << " " << c.table;
    }
    FxSetProductNumber(4);
    char code[8];
    EXPECT_STREQ(GetAppProductCode(code), "POS13");
    EXPECT_EQ(DictTypeToFieldType(18), 11);
    EXPECT_EQ(DictTypeToFieldType(10), 13);
    EXPECT_EQ(DictTypeToFieldType(99), 2);
}

TEST_F(DictionaryTest, CitedColumnsLieAtTheirOffsets)
{
    FxSetProductNumber(4);
    uint16_t handle = 0;
    ASSERT_EQ(OpenColumnDictionary(&handle), 0);
    struct Case {
        const char* table;
        int number;
        int offset;
        int kind;
    };
    const Case cases[] = {
        {"INHD", 52, 574, COLUMN_INT32}, {"INHD", 53, 578, COLUMN_INT32},
        {"INHD", 54, 582, COLUMN_INT32}, {"CID", 1, 0, COLUMN_CHAR},
        {"CID", 4, 164, COLUMN_DATE},    {"TEND", 4, 43, COLUMN_BYTE},
        {"CUHI", 15, 15 + 12 * 8, COLUMN_DOUBLE}, {"GEN3", 202, 229, COLUMN_CHAR},
    };
    for (const Case& c : cases) {
        TagColumnInfo column;
        ASSERT_EQ(GetColumnDefinition(handle, c.number, c.table, &column), 0) << c.table << c.number;
        EXPECT_EQ(+column.Offset, +c.offset) << c.table << c.number;
        EXPECT_EQ(+column.Kind, +c.kind) << c.table << c.number;
    }
    TagColumnInfo missing;
    EXPECT_EQ(GetColumnDefinition(handle, 99, "TEND", &missing), B_KEY_NOT_FOUND);
    TagColumnInfo byName;
    ASSERT_EQ(ReadByDictionaryKey(handle, "TEND", "DESCRIPTION", &byName), 0);
    EXPECT_EQ(+byName.Number, 2);
    EXPECT_STREQ(byName.Caption, "Description");
    BtrCloseFile(handle);

    EXPECT_EQ(CountFileColumns(33), 7);
    EXPECT_EQ(CountFileColumns(4), 0);
    char table[13];
    EXPECT_STREQ(DataFileTableName(50, table), "INHD        ");
}

// The columns of the register, history, activity and open-invoice files
// lie where the records keep their fields, numbered in layout order.
TEST_F(DictionaryTest, RegisterHistoryAndOpenInvoiceColumnsMatchTheirRecords)
{
    FxSetProductNumber(4);
    uint16_t handle = 0;
    ASSERT_EQ(OpenColumnDictionary(&handle), 0);
    struct Case {
        const char* table;
        int number;
        std::size_t offset;
        int kind;
    };
    const Case cases[] = {
        {"CHCK", 1, offsetof(TagCheckRegister, Account), COLUMN_TEXT},
        {"CHCK", 11, offsetof(TagCheckRegister, Date), COLUMN_DATE},
        {"CHCK", 12, offsetof(TagCheckRegister, Amount), COLUMN_DOUBLE},
        {"CHCK", 15, offsetof(TagCheckRegister, Posted), COLUMN_CHAR},
        {"PRHI", 2, offsetof(TagProductHistory, Year), COLUMN_INT32},
        {"PRHI", 15, offsetof(TagProductHistory, First) + 12 * 8, COLUMN_DOUBLE},
        {"PRHI", 28, offsetof(TagProductHistory, Second) + 12 * 8, COLUMN_DOUBLE},
        {"SERH", 15, offsetof(TagServiceHistory, Amounts) + 12 * 8, COLUMN_DOUBLE},
        {"CUHD", 3, offsetof(TagOpenInvoice, Text22), COLUMN_TEXT},
        {"CUHD", 15, offsetof(TagOpenInvoice, Amount), COLUMN_DOUBLE},
        {"CUHD", 22, offsetof(TagOpenInvoice, Precedence), COLUMN_CHAR},
        {"CUHD", 23, offsetof(CustHistDetail, Source), COLUMN_TEXT},
        {"CUHD", 25, offsetof(CustHistDetail, HeaderDouble), COLUMN_DOUBLE},
        {"AROP", 5, offsetof(TagOpenInvoice, Type), COLUMN_CHAR},
        {"APOP", 17, offsetof(TagOpenInvoice, Discount), COLUMN_DOUBLE},
        {"INHD", 7, offsetof(TagSalesHdr, CustomerName), COLUMN_TEXT},
        {"INHD", 14, offsetof(TagSalesHdr, TranDate), COLUMN_DATE},
        {"INHD", 28, offsetof(TagSalesHdr, InvoiceTotal), COLUMN_DOUBLE},
        {"INHD", 34, offsetof(TagSalesHdr, Flags), COLUMN_UINT16},
        {"INHD", 46, offsetof(TagSalesHdr, TotalCost), COLUMN_DOUBLE},
        {"INHD", 52, offsetof(TagSalesHdr, LedgerKey), COLUMN_INT32},
        {"CUHS", 1, offsetof(CustHistSummary, Customer), COLUMN_TEXT},
        {"CUHS", 11, offsetof(CustHistSummary, Total), COLUMN_DOUBLE},
        {"CUHS", 19, offsetof(CustHistSummary, Doubles86), COLUMN_DOUBLE},
        {"ITMD", 4, offsetof(TagItemDetail, Text), COLUMN_TEXT},
        {"PRTD", 5, offsetof(TagProductActivity, Date), COLUMN_DATE},
        {"PRTD", 15, offsetof(TagProductActivity, UnitFactor), COLUMN_INT16},
        {"PRTD", 17, offsetof(TagProductActivity, Text117), COLUMN_TEXT},
        {"AROH", 8, offsetof(TagOpenInvoiceHdr, MainId), COLUMN_INT32},
        {"AROH", 14, offsetof(TagOpenInvoiceHdr, Balance), COLUMN_DOUBLE},
        {"APOH", 20, offsetof(TagOpenInvoiceHdr, MemoTotal), COLUMN_DOUBLE},
    };
    for (const Case& c : cases) {
        TagColumnInfo column;
        ASSERT_EQ(GetColumnDefinition(handle, c.number, c.table, &column), 0) << c.table << c.number;
        EXPECT_EQ(+column.Offset, static_cast<int>(c.offset)) << c.table << c.number;
        EXPECT_EQ(+column.Kind, +c.kind) << c.table << c.number;
    }
    BtrCloseFile(handle);
    struct Count {
        int file;
        int columns;
    } counts[] = {{36, 54}, {38, 28}, {40, 26}, {41, 19}, {44, 15}, {62, 4}, {63, 17}, {70, 20}};
    for (const Count& c : counts)
        EXPECT_EQ(CountFileColumns(c.file), c.columns) << "file " << c.file;
}

TEST_F(DictionaryTest, ColumnDefinitionsOfAFile)
{
    TagColumnDefinition defs[4];
    ASSERT_EQ(GetColumnDefinitions("BPOSTEND.DB", sizeof defs, defs, 1, 4, 7, 0), 0);
    EXPECT_STREQ(defs[0].Caption, "Tender Code");
    EXPECT_STREQ(defs[0].Picture, "%-10s");
    EXPECT_EQ(+defs[0].Kind, COLUMN_TEXT);
    EXPECT_EQ(+defs[1].Offset, 43);
    EXPECT_EQ(+defs[2].Kind, COLUMN_CHAR);
    EXPECT_EQ(+defs[2].Decimals, 0xFFFF);
    EXPECT_STREQ(defs[2].ColumnName, "TYPE");
    // Room for size / 103 - 1 entries: three columns do not fit in three.
    TagColumnDefinition small[3];
    EXPECT_EQ(GetColumnDefinitions("BPOSTEND.DB", sizeof small, small, 1, 2, 3, -1), -1);
    EXPECT_EQ(GetColumnDefinitions("BPOSTEND.DB", sizeof defs, defs, 1, 42, 0), B_KEY_NOT_FOUND);
}

TEST(DictionarySegments, SegmentOfEachColumnKind)
{
    struct Case {
        int kind;
        const char* picture;
        int flags;
        int length;
        int extended;
        int alternate;
        int columnFlags;
    };
    const Case cases[] = {
        {COLUMN_TEXT, "%-10s", 0x23, 11, 0, 1, 0},
        {COLUMN_TEXT, "%-3s  ", 0x23, 4, 0, 1, 2},   // descending applies to numbers only
        {COLUMN_CHAR, "%c", 0x03, 1, 0, 0, 0},
        {COLUMN_BYTE, "%1d", 0x03, 1, 0, 0, 0},
        {COLUMN_INT16, "%4d", 0x103, 2, KT_INTEGER, 0, 0},
        {COLUMN_INT32, "%6ld", 0x143, 4, KT_INTEGER, 0, 2},
        {COLUMN_DATE, "", 0x103, 4, KT_INTEGER, 0, 0},
        {COLUMN_FLOAT, "%6.2f", 0x103, 4, KT_FLOAT, 0, 0},
        {COLUMN_AMOUNT, "%12.2f", 0x143, 8, KT_FLOAT, 0, 2},
        {COLUMN_OTHER, "", 0x03, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        TagColumnInfo column{};
        column.Kind = static_cast<int16_t>(c.kind);
        column.Offset = 20;
        column.Flags = static_cast<int16_t>(c.columnFlags);
        std::snprintf(column.Picture, sizeof column.Picture, "%s", c.picture);
        TagKeySegment segment;
        int alternate = 0;
        EXPECT_EQ(ColumnToKeySegment(&segment, &column, &alternate), 0);
        EXPECT_EQ(+segment.Position, 21) << c.kind;
        EXPECT_EQ(+segment.Flags, +c.flags) << c.kind;
        EXPECT_EQ(+segment.Length, +c.length) << c.kind;
        EXPECT_EQ(+segment.Type, +c.extended) << c.kind;
        EXPECT_EQ(alternate, c.alternate) << c.kind;
    }
    TagDictionaryRecord record{};
    char mask[20];
    for (auto [type, expected] : {std::pair{1, "C"}, std::pair{7, "(nnn) nnn-nnnn"},
                                   std::pair{9, "ccccc-cccc"}, std::pair{15, "nn/nn/nn"},
                                   std::pair{6, "%-10s"}}) {
        record.Type = static_cast<int16_t>(type);
        std::memcpy(record.Picture, "  %-10s        ", 16);
        GetColumnPictureMask(mask, &record);
        EXPECT_STREQ(mask, expected) << type;
    }
    EXPECT_EQ(TestLowBit(0, 5), 1);
    EXPECT_EQ(TestLowBit(0, 4), 0);
}

TEST_F(DictionaryTest, IndexesOverOneAndThreeColumnsFindTheirRecords)
{
    SeedTenders();
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, PathOf(33).c_str(), 0, 0), 0);
    // One text column: its segment carries the collating sequence, so the
    // description is found whatever its case.
    ASSERT_EQ(CreateSupplementalIndex(33, handle, 2, -1, -1), 0);
    uint8_t stat[RECMAN_STAT_BUFFER] = {};
    ASSERT_EQ(BtrStat(handle, stat), 0);
    uint16_t statLength = 0;
    std::memcpy(&statLength, stat + 1817, 2);
    EXPECT_EQ(statLength % 2, 1) << "the collating sequence is kept with the keys";
    char key[256] = {};
    std::snprintf(key, 31, "%-30s", "AMERICAN EXPRESS");
    Tender found{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, &found, sizeof found), 0);
    EXPECT_EQ(std::string(found.code, 4), "AMEX");

    // Three columns: type, processing flag, code.
    ASSERT_EQ(CreateSupplementalIndex(33, handle, 7, 3, 1), 0);
    int keyNumber = 0, second = 0;
    BtrGetDefaults(handle, &keyNumber, &second);
    uint8_t info[RECMAN_STAT_BUFFER];
    auto* segments = static_cast<TagKeySegment*>(BtrGetKeyInfo(handle, info, keyNumber));
    ASSERT_NE(segments, nullptr);
    EXPECT_TRUE(segments[0].Flags & KF_SEGMENTED);
    EXPECT_TRUE(segments[1].Flags & KF_SEGMENTED);
    EXPECT_FALSE(segments[2].Flags & KF_SEGMENTED);
    std::memset(key, 0, sizeof key);
    key[0] = 'O';
    key[1] = 'N';
    std::snprintf(key + 2, 11, "%-10s", "VISA");
    ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, &found, sizeof found), 0);
    EXPECT_EQ(std::string(found.code, 4), "VISA");
    // An unknown column fails the index and is reported.
    FxTranscriptClear();
    EXPECT_EQ(CreateSupplementalIndex(33, handle, 42, -1, -1), B_KEY_NOT_FOUND);
    EXPECT_NE(Transcript().find("WBWPOCOL.DB"), std::string::npos);
    BtrCloseFile(handle);
}

TEST_F(DictionaryTest, TextColumnsArePaddedToTheirWidth)
{
    Tender t{};
    std::strcpy(t.code, "CASH");
    std::strcpy(t.description, "Cash");
    std::strcpy(t.remark, "");
    ASSERT_TRUE(PadTextColumns(33, &t, sizeof t));
    EXPECT_EQ(std::string(t.code, 11), std::string("CASH      ") + '\0');
    EXPECT_EQ(std::string(t.remark), std::string(40, ' '));
    EXPECT_EQ(+t.process, 0) << "a character column is left alone";
}

}  // namespace
}  // namespace svctest
