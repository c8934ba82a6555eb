// The audit log: the write and its log entry in one call.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/audit.h"
#include "bwps/records.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

class AuditTest : public ServicesTest {
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        if (IsSkipped())
            return;
        PasswordsOn(true);
        SetCounter(0);
    }

    void SetCounter(uint32_t value)
    {
        auto record = Keyed<TagLastNumbers>(GENERAL_KEY_LASTNUMBERS);
        record.Counters[9] = static_cast<int32_t>(value);
        PutSettings(&record, sizeof record);
    }

    std::vector<TagAuditRecord> Log()
    {
        std::vector<TagAuditRecord> out;
        for (auto& row : All(73, AUDIT_RECORD_SIZE)) {
            TagAuditRecord r;
            std::memcpy(&r, row.data(), sizeof r);
            out.push_back(r);
        }
        return out;
    }

    // Inserts a weight unit through the log; the status.
    int AddUnit(AuditLog& log, const char* code, int type, int16_t change = -1)
    {
        uint8_t unit[47] = {};
        std::memcpy(unit, code, std::strlen(code));
        char key[256] = {};
        uint16_t handle = 0;
        EXPECT_EQ(BtrOpenFile(&handle, PathOf(71).c_str(), 0, 0), 0);
        const int status = log.ADbModify(type, code, B_INSERT, handle, key, unit, 47, change);
        BtrCloseFile(handle);
        return status;
    }
};

TEST_F(AuditTest, ChangesAreLoggedWithUserTypeAndKey)
{
    AuditLog log;
    log.SetUser("CLERK");
    log.SetBrmProdtId(100, 0);
    ASSERT_EQ(AddUnit(log, "kg", 17), 0);
    ASSERT_EQ(AddUnit(log, "lb", 17, 3), 0);
    ASSERT_EQ(AddUnit(log, "oz", 20), 0);
    ASSERT_EQ(AddUnit(log, "t", 0), 0);
    ASSERT_EQ(AddUnit(log, "mg", -1), 0);
    auto rows = Log();
    ASSERT_EQ(rows.size(), 4u) << "type -1 writes without a log entry";
    struct Expect {
        uint32_t number;
        int entity, change;
        const char* key;
    };
    const Expect expect[] = {{1, 117, 2, "kg"}, {2, 117, 3, "lb"}, {3, 20, 2, "oz"}, {4, 0, 2, "t"}};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(+rows[i].Number, +expect[i].number);
        EXPECT_EQ(+rows[i].EntityType, +expect[i].entity) << i;
        EXPECT_EQ(+rows[i].ChangeType, +expect[i].change) << i;
        EXPECT_STREQ(rows[i].KeyText, expect[i].key);
        EXPECT_STREQ(rows[i].UserId, "CLERK");
        EXPECT_EQ(+rows[i].Date, FxSystemDate());
        EXPECT_EQ(std::strlen(rows[i].TimeText), 5u);
        EXPECT_EQ(rows[i].Time / 100, std::atoi(rows[i].TimeText));
    }
    EXPECT_EQ(All(71, 47).size(), 5u);
}

TEST_F(AuditTest, WithoutPasswordsNothingIsLogged)
{
    PasswordsOn(false);
    AuditLog log;
    log.SetUser("CLERK");
    ASSERT_EQ(AddUnit(log, "kg", 17), 0);
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(All(71, 47).size(), 1u);
}

TEST_F(AuditTest, CounterWrapsToOneAndReplacesTheOldestEntry)
{
    AuditLog log;
    log.SetUser("A");
    ASSERT_EQ(AddUnit(log, "kg", 4), 0);   // log number 1
    SetCounter(4294967295u);
    log.SetUser("B");
    ASSERT_EQ(AddUnit(log, "lb", 4), 0);
    auto rows = Log();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(+rows[0].Number, 1u);
    EXPECT_STREQ(rows[0].UserId, "B");
    EXPECT_STREQ(rows[0].KeyText, "lb");
}

TEST_F(AuditTest, FailedLogIsReportedApartFromTheWrite)
{
    // No counter record: the unit is written, the log entry cannot be.
    uint16_t general = 0;
    ASSERT_EQ(BtrOpenFile(&general, PathOf(31).c_str(), 0, 0), 0);
    char key[256] = {};
    std::memcpy(key, GENERAL_KEY_LASTNUMBERS, 16);
    TagLastNumbers counter;
    ASSERT_EQ(BtrGet(B_GET_EQUAL, general, key, &counter, sizeof counter), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, general, key, &counter, sizeof counter), 0);
    BtrCloseFile(general);
    AuditLog log;
    log.SetUser("CLERK");
    FxTranscriptClear();
    EXPECT_EQ(AddUnit(log, "kg", 17), 0);
    EXPECT_EQ(log.LastLogStatus(), B_KEY_NOT_FOUND);
    EXPECT_NE(Transcript().find("Btrieve Error #   4"), std::string::npos);
    EXPECT_EQ(All(71, 47).size(), 1u);
    EXPECT_TRUE(Log().empty());
    // A failed write is the answer and logs nothing.
    EXPECT_EQ(AddUnit(log, "kg", 17), B_DUPLICATE_KEY);
    EXPECT_EQ(log.LastLogStatus(), 0);
}

TEST(AuditNames, EntityNamesAndChangeTypes)
{
    struct Case {
        int type;
        const char* entity;
        const char* title;
    };
    const Case cases[] = {
        {104, "Product", "POS Edit Products"},
        {4, "Product", "ACCT Edit Products"},
        {218, "General Ledger", "OE GL Transaction"},
        {35, "Inventory", "POS Inventory Adjustments"},
        {38, "Invoice", "OE Invoices Entry"},
        {44, "State Tax", "PR Edit State Tax"},
        {15, "Tax", "ACCT Edit Taxes"},
    };
    for (const Case& c : cases) {
        char entity[64], title[96];
        AuditLog::GetEntityStringNames(c.type, entity, title);
        EXPECT_STREQ(entity, c.entity) << c.type;
        EXPECT_STREQ(title, c.title) << c.type;
    }
    char text[16];
    AuditLog::GetChangeType(2, text);
    EXPECT_STREQ(text, "Insert");
    AuditLog::GetChangeType(4, text);
    EXPECT_STREQ(text, "Delete");
}

}  // namespace
}  // namespace svctest
