// Record-number counters: rebuilt from the files, restarted, retried once
// on a duplicate, waited for under a lock, and failures handed back.
#include <gtest/gtest.h>

#include <cstring>

#include "bwps/counters.h"
#include "bwps/records/open_items.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

TagOpenItem Item(const char* customer, const char* document, char type, int32_t number)
{
    TagOpenItem item{};
    std::snprintf(item.Customer, sizeof item.Customer, "%-10s", customer);
    std::snprintf(item.Document, 12, "%-10s", document);
    item.Type = type;
    item.Status = 'O';
    item.Type2 = '2';
    item.Number = number;
    return item;
}

class CountersTest : public ServicesTest {
protected:
    void PutItem(int file, const TagOpenItem& item) { Put(file, &item, sizeof item, 0); }

    void PutCounters(int32_t openInvoices, int32_t history)
    {
        auto record = Keyed<TagIndexValues>(GENERAL_KEY_INDEXVALUES);
        record.OpenInvoices = openInvoices;
        record.CustomerHistory = history;
        PutSettings(&record, sizeof record);
    }

    TagIndexValues StoredCounters()
    {
        TagIndexValues record{};
        ReadGeneralRecord(0, 0, INDEX_VALUES_SIZE, GENERAL_KEY_INDEXVALUES, &record);
        return record;
    }

    // Inserts a numbered open item into file `file`; its number out.
    int Insert(int file, TagOpenItem& item)
    {
        uint16_t handle = 0;
        EXPECT_EQ(BtrOpenFile(&handle, PathOf(file).c_str(), 0, 0), 0);
        const int status = InsertNumberedRecord(B_INSERT, 0, handle, file, &item);
        BtrCloseFile(handle);
        return status;
    }
};

TEST_F(CountersTest, MissingCountersAreRebuiltFromTheFiles)
{
    for (int32_t n : {7, 12})
        PutItem(3, Item("C1", "INV", 'I', n));
    uint8_t history[157] = {};   // a history detail: its number at 42 too
    const TagOpenItem h = Item("C1", "H", 'I', 20);
    std::memcpy(history, &h, sizeof h);
    Put(40, history, sizeof history, 0);
    TagOpenItem item = Item("C2", "NEW", 'I', 0);
    ASSERT_EQ(Insert(3, item), 0);
    EXPECT_EQ(+item.Number, 21) << "the history number is the higher one";
    EXPECT_EQ(+item.Precedence, '2');
    EXPECT_EQ(StoredCounters().OpenInvoices, 21);
    EXPECT_EQ(All(3, 123).size(), 3u);
}

TEST_F(CountersTest, NextNumbersAndTheirLimits)
{
    struct Case {
        int32_t stored;
        int32_t next;
    };
    for (const Case& c : {Case{0, 1}, Case{-5, 1}, Case{41, 42}, Case{INT32_MAX, 1}}) {
        PutCounters(c.stored, 0);
        TagIndexValues record{};
        ASSERT_EQ(ReadGeneralRecord(0, 0, INDEX_VALUES_SIZE, GENERAL_KEY_INDEXVALUES, &record), 0);
        int32_t number = 0;
        TakeIndexValue(&record, &number, 3);
        EXPECT_EQ(number, c.next) << c.stored;
    }
    TagIndexValues record{};
    record.CheckRegister = 4;
    int32_t number = 77;
    TakeIndexValue(&record, &number, 9);   // no counter of file 9
    EXPECT_EQ(number, 77);
    TakeIndexValue(&record, &number, 8);
    EXPECT_EQ(number, 5);
    // Payables swap precedence letters 2 and 3.
    EXPECT_EQ(OpenItemPrecedence(2, '2'), '3');
    EXPECT_EQ(OpenItemPrecedence(2, '3'), '2');
    EXPECT_EQ(OpenItemPrecedence(3, '2'), '2');
}

TEST_F(CountersTest, DuplicateNumberRebuildsTheCountersOnce)
{
    PutCounters(3, 0);
    PutItem(3, Item("C1", "OLD", 'I', 4));
    PutItem(3, Item("C1", "OLD", 'P', 9));
    TagOpenItem item = Item("C2", "NEW", 'I', 0);
    ASSERT_EQ(Insert(3, item), 0);
    EXPECT_EQ(+item.Number, 10);
    EXPECT_EQ(StoredCounters().OpenInvoices, 10);
}

TEST_F(CountersTest, LockedCountersAreWaitedForThenGiveTheStatus)
{
    PutCounters(5, 0);
    uint16_t other = 0;
    ASSERT_EQ(BtrOpenFile(&other, PathOf(31).c_str(), 0, 0), 0);
    TagIndexValues held{};
    char key[256] = {};
    std::memcpy(key, GENERAL_KEY_INDEXVALUES, 16);
    ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, other, key, &held, INDEX_VALUES_SIZE), 0);
    TagOpenItem item = Item("C2", "NEW", 'I', 0);
    EXPECT_EQ(Insert(3, item), B_RECORD_IN_USE);
    EXPECT_TRUE(All(3, 123).empty()) << "nothing inserted without a number";
    ASSERT_EQ(BtrUnlock(-2, other, nullptr), 0);
    ASSERT_EQ(Insert(3, item), 0);
    EXPECT_EQ(+item.Number, 6);
    BtrCloseFile(other);
}

TEST_F(CountersTest, FailuresAreReturnedNotZero)
{
    PutCounters(5, 0);
    TagOpenItem item = Item("C2", "NEW", 'I', 0);
    // An insert into a file that is not open fails: that status comes back.
    FxTranscriptClear();
    EXPECT_NE(InsertNumberedRecord(B_INSERT, 0, 0, 3, &item), 0);
    EXPECT_NE(Transcript().find("Btrieve"), std::string::npos);
    // Without a general file there are no counters.
    std::remove(PathOf(31).c_str());
    EXPECT_EQ(InsertNumberedRecord(B_INSERT, 0, 0, 3, &item), B_FILE_NOT_FOUND);
}

TEST_F(CountersTest, DeleteByNumberAndPositions)
{
    for (int32_t n : {3, 8})
        PutItem(3, Item("C1", "INV", 'I', n));
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, PathOf(3).c_str(), 0, 0), 0);
    TagOpenItem record{};
    EXPECT_EQ(DeleteByNumber(handle, 3, 0, &record), 0);
    BtrSetDefaults(handle, 3, -1);
    EXPECT_EQ(DeleteByNumber(handle, 3, 8, &record), 0);
    EXPECT_EQ(All(3, 123).size(), 1u);
    FxTranscriptClear();
    EXPECT_EQ(DeleteByNumber(handle, 3, 8, &record), B_KEY_NOT_FOUND);

    char key[256] = {};
    ASSERT_EQ(BtrGet(B_GET_FIRST, handle, key, &record, 123), 0);
    int savedKey = -1;
    uint32_t position = 0;
    EXPECT_EQ(SaveRestorePosition(handle, 3, B_GET_DIRECT, &savedKey, &position), 0);
    EXPECT_EQ(savedKey, 3);
    BtrSetDefaults(handle, 0, -1);
    EXPECT_EQ(SaveRestorePosition(handle, 3, 0, &savedKey, &position), 0);
    int now = 0, second = 0;
    BtrGetDefaults(handle, &now, &second);
    EXPECT_EQ(now, 3);
    BtrCloseFile(handle);
}

}  // namespace
}  // namespace svctest
