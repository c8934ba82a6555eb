// The salesperson editor, its opening by parameter string and the screen of
// a salesperson's period totals, driven by scripts.
#include <gtest/gtest.h>

#include "bwps/records/periods.h"
#include "bwps/screens.h"
#include "tests/customers/salespersons/salesperson_fixture.h"

namespace bwps::test {
namespace {

class SalespersonEditorTest : public SalespersonTest {
protected:
    std::string Edit(const std::string& script, int* result = nullptr)
    {
        return Run([] { return RSEditSPerNoTrack(nullptr); }, script, result);
    }
    SalespersonRecord Stored(const char* code)
    {
        for (const SalespersonRecord& r : People())
            if (std::strcmp(r.Code, code) == 0)
                return r;
        return SalespersonRecord{};
    }
};

TEST_F(SalespersonEditorTest, ANewSalespersonIsStoredWithItsFieldsAndFlags)
{
    PasswordsOn();
    const std::string t = Edit("type ann\nkey Enter\ntype Ann Smith\nkey Enter\ntype Floor two\nkey Enter\n"
                               "type AS\nkey Enter\ntype X9\nkey Enter\ntype 2.5\nkey Enter\ntype 120.5\n"
                               "key Enter\nkey F10\nkey Esc\n");
    const auto stored = People();
    ASSERT_EQ(stored.size(), 1u) << t;
    const SalespersonRecord& r = stored[0];
    EXPECT_STREQ(r.Code, "ANN");
    EXPECT_STREQ(r.Name, "Ann Smith");
    EXPECT_STREQ(r.SecondLine, "Floor two");
    EXPECT_STREQ(r.ShortCode, "AS");
    EXPECT_STREQ(r.SecondCode, "X9");
    EXPECT_EQ(std::string(r.Flags, 3), "YYY");
    EXPECT_DOUBLE_EQ(+r.Rate, 2.5);
    EXPECT_DOUBLE_EQ(+r.SecondRate, 120.5);
    EXPECT_EQ(Audit(), "110 2 ANN\n") << t;
}

TEST_F(SalespersonEditorTest, TypingACodeLoadsOrStartsAFreshRecord)
{
    SalespersonRecord bob = Person("BOB", "Bob Jones", "BJ");
    bob.Rate = 1.25;
    std::memcpy(bob.Flags, "YNY", 3);
    PutPerson(bob);
    struct Row {
        const char* what;
        const char* script;
        const char* shown;      // in the transcript
        const char* absent;     // not in the transcript
    } rows[] = {
        {"an existing code loads the record", "type bob\nkey Enter\nkey Esc\n", "field 2 enter \"Bob Jones\"", nullptr},
        {"an unknown code over an existing record clears the other fields",
         "type bob\nkey Enter\nkey Up\nfield 1 new\nkey Enter\nkey Esc\n", "field 2 enter \"\"", nullptr},
        {"a blank code is refused", "key Enter\nkey Esc\n", "The code cannot be empty.", "field 2 enter"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string t = Edit(row.script);
        EXPECT_TRUE(Has(t, row.shown)) << t;
        if (row.absent != nullptr) {
            EXPECT_FALSE(Has(t, row.absent)) << t;
        }
    }
}

TEST_F(SalespersonEditorTest, AnUnknownCodeOverAnExistingOneSavesANewRecordOnly)
{
    SalespersonRecord bob = Person("BOB", "Bob Jones", "BJ");
    bob.Rate = 1.25;
    bob.Sales[2] = 40;
    PutPerson(bob);
    const std::string t = Edit("type bob\nkey Enter\nkey Up\nfield 1 new\nkey Enter\nkey F10\nkey Esc\n");
    const SalespersonRecord fresh = Stored("NEW");
    EXPECT_STREQ(fresh.Code, "NEW") << t;
    EXPECT_STREQ(fresh.Name, "") << t;
    EXPECT_STREQ(fresh.ShortCode, "") << t;
    EXPECT_DOUBLE_EQ(+fresh.Rate, 0.0) << t;
    EXPECT_DOUBLE_EQ(+fresh.Sales[2], 0.0) << t;
    EXPECT_EQ(std::string(fresh.Flags, 3), "YYY");
    const SalespersonRecord kept = Stored("BOB");
    EXPECT_STREQ(kept.Name, "Bob Jones");
    EXPECT_DOUBLE_EQ(+kept.Sales[2], 40.0);
}

TEST_F(SalespersonEditorTest, DeleteAsksTwiceWhenThePersonHasPeriodTotals)
{
    PasswordsOn();
    struct Row {
        const char* what;
        int totalsSlot;          // -1: no totals; 0-25 sales, 26-51 second totals
        const char* answers;
        bool gone;
        bool askedTotals;
    } rows[] = {
        {"no totals: one question", -1, "answer Yes\n", true, false},
        {"no totals, No keeps it", -1, "answer No\n", false, false},
        {"current sales: both questions", 0, "answer Continue\nanswer Yes\n", true, true},
        {"prior second total: both questions", 51, "answer Continue\nanswer Yes\n", true, true},
        {"Cancel keeps it", 20, "answer Cancel\n", false, true},
        {"Continue then No keeps it", 30, "answer Continue\nanswer No\n", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Salespersons));
        fs::remove(Path(FileNo::AuditLog));
        Create(FileNo::Salespersons);
        Create(FileNo::AuditLog);
        SalespersonRecord r = Person("CAL", "Cal");
        if (row.totalsSlot >= 26)
            r.Totals[row.totalsSlot - 26] = 3.5;
        else if (row.totalsSlot >= 0)
            r.Sales[row.totalsSlot] = -8;
        PutPerson(r);
        const std::string t = Edit(std::string("type CAL\nkey Enter\nkey F6\n") + row.answers + "key Esc\n");
        EXPECT_EQ(People().empty(), row.gone) << t;
        EXPECT_EQ(Has(t, "This salesperson has period totals."), row.askedTotals) << t;
        EXPECT_EQ(Has(t, "Delete this salesperson?"), row.gone || std::string(row.answers).find("No") != std::string::npos)
            << t;
        EXPECT_EQ(Audit(), row.gone ? "110 4 CAL\n" : "") << t;
    }
}

TEST_F(SalespersonEditorTest, OpenedByParameterString)
{
    PutPerson(Person("DEE", "Dee Long", "DL"));
    struct Row {
        const char* what;
        const char* params;
        const char* shown;
        bool screen;
    } rows[] = {
        {"a known code starts on its record", "cdno='DEE'", "field 2 enter \"Dee Long\"", true},
        {"an empty string opens a cleared editor", "", "field 1 enter \"\"", true},
        {"an unknown code opens nothing", "cdno='ZZZ'", "   4 on file", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int result = -1;
        const std::string params = row.params;
        const std::string t = Run([&] { return EditSalespersonByParams(params.c_str()); }, "key Enter\nkey Esc\n", &result);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(Has(t, row.shown)) << t;
        EXPECT_EQ(Has(t, "RSEditSPerNoTrack"), row.screen) << t;
        EXPECT_EQ(Has(t, "BPOSSPER.DB"), !row.screen) << t;
    }
    const std::string t = Run([] { return EditSalespersonByParams(nullptr); }, "key Esc\n");
    EXPECT_TRUE(Has(t, "RSEditSPerNoTrack")) << t;
}

TEST_F(SalespersonEditorTest, ChangesByParameterStringAreSaved)
{
    PutPerson(Person("DEE", "Dee Long", "DL"));
    const std::string t =
        Run([] { return EditSalespersonByParams("cdno='DEE'"); }, "key Enter\ntype Dee Short\nkey F10\n");
    EXPECT_STREQ(Stored("DEE").Name, "Dee Short") << t;
}

// A pick list's F8 that filled a new record (key word 0x4100): the screen
// starts on it as a new record, and the save answers 0x4400.
TEST_F(SalespersonEditorTest, NestedWithARecordTheCallerFilled)
{
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, Path(FileNo::Salespersons).c_str(), 0, 0), 0);
    SalespersonRecord caller = Person("EVE", "Eve from the list");
    TagLookUpData data{};
    data.Handle = handle;
    data.RecordLength = sizeof caller;
    data.Record = &caller;
    uint8_t work[32] = {};
    const int32_t word = 0x4100;
    std::memcpy(work, &word, 4);
    TagLookUp lookup{};
    lookup.Data = &data;
    lookup.WorkArea = work;
    int result = -1;
    const std::string t = Run([&] { return RSEditSPerNoTrack(&lookup); }, "key Enter\nkey F10\n", &result);
    BtrCloseFile(handle);
    EXPECT_TRUE(Has(t, "field 2 enter \"Eve from the list\"")) << t;
    EXPECT_EQ(result, kEditorSaved) << t;
    EXPECT_STREQ(Stored("EVE").Name, "Eve from the list") << t;
}

TagPeriods TwelvePeriods()
{
    TagPeriods p{};
    std::memcpy(p.Key, "0Periods", 8);
    p.Count = 12;
    return p;
}

TEST_F(SalespersonEditorTest, HistoryCorrectsEachArrayAndItsTotal)
{
    struct Row {
        const char* what;
        int field;
        int slot;           // 0-25 of the array
        bool second;        // the second totals
    } rows[] = {
        {"current sales, period 1", 3, 0, false},
        {"current second totals, period 2", 17, 1, true},
        {"prior sales, period 12", 40, 24, false},
        {"prior second totals, period 1", 42, 13, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Salespersons));
        Create(FileNo::Salespersons);
        SalespersonRecord r = Person("FAY", "Fay");
        for (int i = 0; i < 26; ++i)
            r.Sales[i] = r.Totals[i] = 1;
        PutPerson(r);
        Table file;
        ASSERT_TRUE(file.Open(FileNo::Salespersons).Ok());
        SalespersonRecord work{};
        KeyBuffer key;
        std::memcpy(key.bytes, "FAY", 3);
        ASSERT_EQ(BtrGet(B_GET_EQUAL, file.Handle(), key.bytes, &work, sizeof work), 0);
        const TagPeriods periods = TwelvePeriods();
        int result = -1;
        const std::string script = "field " + std::to_string(row.field) + " 10\nkey Enter\nkey F10\n";
        const std::string t = Run([&] { return RSEditSPHistory(file.Handle(), &work, &periods); }, script, &result);
        file.Close();
        EXPECT_EQ(result, 1) << t;
        const SalespersonRecord stored = Stored("FAY");
        for (int i = 0; i < 26; ++i) {
            const double sales = stored.Sales[i], second = stored.Totals[i];
            EXPECT_DOUBLE_EQ(sales, !row.second && i == row.slot ? 10.0 : 1.0) << i << "\n" << t;
            EXPECT_DOUBLE_EQ(second, row.second && i == row.slot ? 10.0 : 1.0) << i << "\n" << t;
        }
    }
}

TEST_F(SalespersonEditorTest, HistoryKeepsThePeriodsBeyondTheCountOff)
{
    PutPerson(Person("GUS", "Gus"));
    Table file;
    ASSERT_TRUE(file.Open(FileNo::Salespersons).Ok());
    SalespersonRecord work = Person("GUS", "Gus");
    const TagPeriods periods = TwelvePeriods();
    // the thirteenth current period (field 15) cannot be entered: the cursor
    // moves from period 12 to the next column
    const std::string t = Run([&] { return RSEditSPHistory(file.Handle(), &work, &periods); },
                              "field 14 5\nkey Enter\nkey Esc\n");
    file.Close();
    EXPECT_FALSE(Has(t, "field 15 enter")) << t;
    EXPECT_TRUE(Has(t, "field 16 enter")) << t;
}

}  // namespace
}  // namespace bwps::test
