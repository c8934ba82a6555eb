// Record passes, table classes and one-record helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "bwps/records/tenders.h"
#include "bwps/db_table.h"
#include "bwps/record_helpers.h"
#include "bwps/record_passes.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

std::vector<uint8_t> Record(int length, const char* code, int codeWidth)
{
    std::vector<uint8_t> r(static_cast<size_t>(length), 0);
    std::snprintf(reinterpret_cast<char*>(r.data()), static_cast<size_t>(codeWidth), "%-*s",
                  codeWidth - 1, code);
    return r;
}

void Set32(std::vector<uint8_t>& r, int offset, int32_t v) { std::memcpy(&r[offset], &v, 4); }
int32_t Get32(const std::vector<uint8_t>& r, int offset)
{
    int32_t v;
    std::memcpy(&v, &r[offset], 4);
    return v;
}

class RecordsTest : public ServicesTest {
protected:
    void PutCustomer(const char* code, int32_t date130, int32_t date126, char status = 'A')
    {
        auto r = Record(795, code, 11);
        Set32(r, offsetof(CustomerRecord, LastPaymentDate), date130);
        Set32(r, offsetof(CustomerRecord, LastSaleDate), date126);
        r[offsetof(CustomerRecord, Status)] = static_cast<uint8_t>(status);
        Put(10, r.data(), 795, 11);
    }
    void PutProduct(const char* code, char status)
    {
        auto r = Record(668, code, 15);
        r[offsetof(TagProduct, Status)] = static_cast<uint8_t>(status);
        Put(20, r.data(), 668, 15);
    }
};

TEST_F(RecordsTest, DatePassMovesDatesAboveZeroOneYearOn)
{
    EXPECT_TRUE(ConvertCustomerDates()) << "an empty file is walked at once";
    PutCustomer("C1", 20300115, 0);
    PutCustomer("C2", 20280229, -4);
    ASSERT_TRUE(ConvertCustomerDates());
    auto rows = All(10, 795);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Get32(rows[0], 130), 20310115);
    EXPECT_EQ(Get32(rows[0], 126), 0);
    EXPECT_EQ(Get32(rows[1], 130), 20290228);
    EXPECT_EQ(Get32(rows[1], 126), -4);

    std::remove(PathOf(63).c_str());
    FxTranscriptClear();
    EXPECT_FALSE(ConvertProductActivityDates());
    EXPECT_NE(Transcript().find("Btrieve Error #  12"), std::string::npos);
}

// The open-item date ends the key the items are kept in: every detail of
// one invoice moves one year on, none twice.
TEST_F(RecordsTest, OpenItemDatePassMovesEveryDetailOfAnInvoiceOnce)
{
    const int32_t dates[] = {20300101, 20300102, 20300103};
    for (int i = 0; i < 3; ++i) {
        auto r = Record(123, "C1", 11);
        std::memcpy(&r[11], "IN1       ", 10);
        r[122] = 'I';
        Set32(r, 42, i + 1);   // the identifier
        Set32(r, 46, dates[i]);
        Set32(r, 54, dates[i]);
        Put(3, r.data(), 123, 0);
    }
    ASSERT_TRUE(ConvertOpenItemDates());
    auto rows = All(3, 123);
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) {
        const int i = Get32(row, 42) - 1;
        ASSERT_GE(i, 0);
        ASSERT_LT(i, 3);
        EXPECT_EQ(Get32(row, 54), dates[i] + 10000) << "detail " << i + 1;
        EXPECT_EQ(Get32(row, 46), dates[i] + 10000) << "detail " << i + 1;
    }
}

TEST_F(RecordsTest, DatePassStopsWhenARecordCannotBeWritten)
{
    for (const char* code : {"A", "B", "C"})
        PutCustomer(code, 20300101, 20300102);
    uint16_t other = 0;
    ASSERT_EQ(BtrOpenFile(&other, PathOf(10).c_str(), 0, 0), 0);
    char key[256] = {};
    std::memcpy(key, "B         ", 10);
    std::vector<uint8_t> held(795);
    ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, other, key, held.data(), 795), 0);
    FxTranscriptClear();
    EXPECT_FALSE(ConvertCustomerDates());
    EXPECT_NE(Transcript().find("Btrieve Error #  84"), std::string::npos);
    auto rows = All(10, 795);
    EXPECT_EQ(Get32(rows[0], 130), 20310101);
    EXPECT_EQ(Get32(rows[1], 130), 20300101);
    EXPECT_EQ(Get32(rows[2], 130), 20300101) << "nothing after the failed record is touched";
    BtrCloseFile(other);
}

TEST_F(RecordsTest, ActiveReaderPassesOverInactiveRecords)
{
    PutProduct("P1", 'A');
    PutProduct("P2", 'I');
    PutProduct("P3", ' ');
    PutProduct("P4", 'I');
    PutProduct("P5", '\0');
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, PathOf(20).c_str(), 0, 0), 0);
    {
        CDbTblActiveProd products(handle);
        std::vector<uint8_t> r(668);
        char key[256] = {};
        std::memcpy(key, "P2            ", 15);
        EXPECT_EQ(products.Read(B_GET_EQUAL, key, r.data(), 668), DB_INACTIVE_RECORD);
        std::vector<std::string> seen;
        for (int op = B_GET_FIRST; products.Read(static_cast<int16_t>(op), key, r.data(), 668) == 0;
             op = B_GET_NEXT)
            seen.push_back(std::string(reinterpret_cast<char*>(r.data()), 2));
        EXPECT_EQ(seen, (std::vector<std::string>{"P1", "P3", "P5"}));
        EXPECT_EQ(products.Read(B_GET_LAST, key, r.data(), 668), 0);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(r.data()), 2), "P5");
        std::memcpy(key, "P4            ", 15);
        EXPECT_EQ(products.Read(B_GET_GE, key, r.data(), 668), 0);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(r.data()), 2), "P5");
        // Get direct never skips.
        std::memcpy(key, "P2            ", 15);
        ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, r.data(), 668), 0);
        uint32_t position = 0;
        ASSERT_EQ(BtrGet(B_GET_POSITION, handle, key, &position, 4), 0);
        std::memcpy(r.data(), &position, 4);
        EXPECT_EQ(products.Read(B_GET_DIRECT, key, r.data(), 668), 0);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(r.data()), 2), "P2");
        EXPECT_EQ(products.GetNumRecs(), 5);
    }
    // The reader did not own the handle: it is still open.
    EXPECT_EQ(BtrGetRecordCount(handle), 5);
    BtrCloseFile(handle);

    CDbTable closed;
    char key[256] = {};
    uint8_t r[4];
    EXPECT_EQ(closed.Read(B_GET_FIRST, key, r, 4), -1);
    EXPECT_EQ(closed.Close(), 0);
    CDbTable owned;
    ASSERT_EQ(owned.Open(20, 0, 0), 0);
    EXPECT_EQ(owned.GetNumRecs(), 5);
}

TEST_F(RecordsTest, WalkOverOnlyInactiveRecordsEndsAtTheEnd)
{
    PutProduct("P1", 'I');
    PutProduct("P2", 'X');
    CDbTblActiveProd products;
    ASSERT_EQ(products.Open(20, 0, 0), 0);
    std::vector<uint8_t> r(668);
    char key[256] = {};
    EXPECT_EQ(products.Read(B_GET_FIRST, key, r.data(), 668), B_END_OF_FILE);
    EXPECT_EQ(products.Read(B_STEP_FIRST, key, r.data(), 668), B_END_OF_FILE);
    EXPECT_EQ(products.Read(B_GET_LAST, key, r.data(), 668), B_END_OF_FILE);
}

int CountDeleted(void* data, long argument)
{
    auto* count = reinterpret_cast<std::vector<std::string>*>(argument);
    count->push_back(std::string(static_cast<char*>(data), 4));
    return 0;
}

TEST_F(RecordsTest, DeleteInactiveRecordsByADictionaryColumn)
{
    // Tenders of type "O" go; the walk runs over the type column (7).
    for (auto [code, type] : {std::pair{"CASH", 'C'}, std::pair{"VISA", 'O'},
                               std::pair{"AMEX", 'O'}, std::pair{"CHCK", 'K'}}) {
        auto r = Record(97, code, 11);
        r[offsetof(TagTender, Type)] = static_cast<uint8_t>(type);
        Put(33, r.data(), 97, 11);
    }
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, PathOf(33).c_str(), 0, 0), 0);
    BtrSetDefaults(handle, 1, -1);
    std::vector<std::string> deleted;
    std::vector<uint8_t> data(97);
    EXPECT_EQ(CDbTblActiveRecs::DeleteInactiveRecords(33, handle, 7, 'O', data.data(), CountDeleted,
                                                      reinterpret_cast<long>(&deleted)),
              0);
    EXPECT_EQ(deleted, (std::vector<std::string>{"VISA", "AMEX"}));
    EXPECT_EQ(BtrGetRecordCount(handle), 2);
    int key = -1, second = 0;
    BtrGetDefaults(handle, &key, &second);
    EXPECT_EQ(key, 1) << "the saved key is set back";
    // Nothing of that status: 0, and the key is set back too.
    EXPECT_EQ(CDbTblActiveRecs::DeleteInactiveRecords(33, handle, 7, 'Z', data.data(), nullptr, 0), 0);
    BtrGetDefaults(handle, &key, &second);
    EXPECT_EQ(key, 1);
    BtrCloseFile(handle);
}

TEST_F(RecordsTest, DefaultsTaxCustomersAndStatistics)
{
    TagDefaultsRecord defaults;
    std::memset(&defaults, 0x41, sizeof defaults);
    EXPECT_FALSE(ReadDefaultsRecord(&defaults));
    EXPECT_EQ(std::string(defaults.Key, 15), "0Defaults      ");
    EXPECT_EQ(defaults.Data[DEFAULTS_PRICE_LEVEL], ' ');
    EXPECT_EQ(defaults.Data[DEFAULTS_ACCOUNT_TYPE], 'O');
    EXPECT_EQ(defaults.Data[DEFAULTS_ACCOUNT_TYPE + 4], 0);
    defaults.Data[100] = 'Z';
    PutSettings(&defaults, sizeof defaults);
    TagDefaultsRecord read{};
    EXPECT_TRUE(ReadDefaultsRecord(&read));
    EXPECT_EQ(+read.Data[100], 'Z');
    CDefaultsRecord holder;
    EXPECT_EQ(holder.Read(), 0);
    holder.Record().Data[200] = 'Q';
    EXPECT_EQ(holder.Write(), 0);
    EXPECT_TRUE(ReadDefaultsRecord(&read));
    EXPECT_EQ(+read.Data[200], 'Q');

    uint16_t tax = 0;
    ASSERT_EQ(BtrOpenFile(&tax, PathOf(28).c_str(), 0, 0), 0);
    FxTranscriptClear();
    EXPECT_FALSE(ReadTaxRecord(tax, "NOPE", nullptr));
    EXPECT_NE(Transcript().find("tax code does not exist"), std::string::npos);
    BtrCloseFile(tax);
    EXPECT_FALSE(ReadTaxTableRecord("NOPE", 0));

    PutCustomer("GONE", 0, 0, 'I');
    PutCustomer("HERE", 0, 0, 'A');
    FxTranscriptClear();
    EXPECT_FALSE(LookupActiveCustomer("GONE      ", 0));
    EXPECT_NE(Transcript().find("customer does not exist"), std::string::npos);
    EXPECT_TRUE(LookupActiveCustomer("HERE      ", 0));

    uint16_t stats = 0;
    ASSERT_EQ(BtrOpenFile(&stats, PathOf(39).c_str(), 0, 0), 0);
    TagCustomerStatistics sale{};
    sale.First[1] = 10.5;
    sale.Second[1] = 4.25;
    // Period 14 of 13 lies in the next year's second bucket.
    EXPECT_TRUE(AddSaleToCustomerHistory(stats, &sale, "HERE", 2030, 14, 13));
    EXPECT_TRUE(AddSaleToCustomerHistory(stats, &sale, "HERE", 2030, 1, 13));
    uint8_t key[15] = {};
    std::memcpy(key, "HERE", 4);
    int32_t year = 2030;
    std::memcpy(key + 11, &year, 4);
    TagCustomerStatistics stored;
    ASSERT_TRUE(ReadCustomerHistory(stats, key, &stored));
    EXPECT_DOUBLE_EQ(+stored.First[1], 21.0);
    EXPECT_DOUBLE_EQ(+stored.Second[1], 8.5);
    EXPECT_EQ(+stored.Kind, 2030);
    year = 2031;
    std::memcpy(key + 11, &year, 4);
    std::memset(&stored, 0x55, sizeof stored);
    EXPECT_FALSE(ReadCustomerHistory(stats, key, &stored));
    EXPECT_EQ(+stored.Kind, 0) << "cleared when missing";
    BtrCloseFile(stats);
}

}  // namespace
}  // namespace svctest
