// The terms-code editor driven by scripts: new, load, save and delete of
// terms codes, the day values, the rights, nested runs from the pick list.
#include <gtest/gtest.h>

#include "bwps/lookups.h"
#include "bwps/screens.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

class TermsEditorTest : public EditorTest {
protected:
    std::string Edit(const std::string& script, int* result = nullptr)
    {
        return Run([] { return RSEditTermsCode(0); }, script, result);
    }
    static float Rate(const TagTermsRecord& r)
    {
        float rate = 0;
        std::memcpy(&rate, &r.DiscountPercent, sizeof rate);
        return rate;
    }
};

// Day values as typed and as stored, by kind.
TEST_F(TermsEditorTest, DayValuesAreStoredByKind)
{
    struct Row {
        const char* what;
        const char* kind;      // option typed into field 3
        const char* days[3];   // typed into fields 5, 6, 7 ("-": field left alone)
        int16_t stored[3];
        char mode;
    } rows[] = {
        {"number of days takes 0 and 45", "Number of Days", {"0", "45", "-"}, {0, 45, 0}, 'N'},
        {"number of days stores L as 99", "Number of Days", {"10", "-", "-"}, {10, 0, 0}, 'N'},
        {"day of month: 31 becomes L", "Day of Month", {"10", "31", "L"}, {10, 99, 99}, 'D'},
        {"day of month: 29 stays", "Day of Month", {"1", "29", "15"}, {1, 29, 15}, 'D'},
        {"day of month: 30 becomes L", "Day of Month", {"5", "30", "L"}, {5, 99, 99}, 'D'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string script = "type T1\nkey Enter\ntype Terms\nkey Enter\ntype " + std::string(row.kind) +
                             "\nkey Enter\ntype 1.5\nkey Enter\n";
        for (const char* day : row.days)
            script += day[0] == '-' ? std::string("key Enter\n") : "type " + std::string(day) + "\nkey Enter\n";
        script += "key F10\nkey Esc\n";
        const std::string t = Edit(script);
        const auto stored = StoredTerms();
        ASSERT_EQ(stored.size(), 1u) << t;
        EXPECT_EQ(stored[0].Mode, row.mode) << t;
        EXPECT_EQ(stored[0].DiscountDay, row.stored[0]) << t;
        EXPECT_EQ(stored[0].DueDay, row.stored[1]) << t;
        EXPECT_EQ(stored[0].CutOffDay, row.stored[2]) << t;
        EXPECT_FLOAT_EQ(Rate(stored[0]), 1.5f);
        fs::remove(Path(FileNo::Terms));
        Create(FileNo::Terms);
    }
}

TEST_F(TermsEditorTest, DayValuesThatAreRefused)
{
    struct Row {
        const char* what;
        const char* kind;
        const char* day;
        const char* message;
    } rows[] = {
        {"letter under number of days", "Number of Days", "L", "A day value holds digits only."},
        {"letter after a digit", "Number of Days", "1A", "A day value holds digits only."},
        {"letter in a day of the month", "Day of Month", "1X", "A day value holds digits only."},
        {"day 0 of the month", "Day of Month", "0", "A day of the month cannot be 0."},
        {"no month has a 45th day", "Day of Month", "45", "A day of the month is 1 to 31, or L for the last day"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // refused on leaving the field, and again by the save
        const std::string t = Edit("type T2\nkey Enter\nkey Enter\ntype " + std::string(row.kind) +
                                   "\nkey Enter\nkey Enter\ntype " + row.day + "\nkey Enter\nkey F10\nkey Esc\nanswer Yes\nkey Esc\n");
        EXPECT_TRUE(Has(t, row.message)) << t;
        EXPECT_TRUE(Has(t, "field 5 exit \"" + std::string(row.day) + "\" -> stay")) << t;
        EXPECT_TRUE(Has(t, "key F10 -> stay focused")) << t;
        EXPECT_TRUE(StoredTerms().empty()) << t;
    }
}

// Under Number of Days the third value is display-only: a value left there
// from Day of Month must not keep the record from being saved.
TEST_F(TermsEditorTest, SwitchingToNumberOfDaysDoesNotTrapTheSaveOnTheThirdDay)
{
    PutTerms(Terms("EOM", "End of month", 'D', 10, 99, 99));
    const std::string t = Edit("type EOM\nkey Enter\nkey Enter\ntype Number of Days\nkey Enter\nkey Enter\n"
                               "type 10\nkey Enter\ntype 30\nkey Enter\nkey F10\nkey Esc\n");
    const auto stored = StoredTerms();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Mode, 'N') << t;
    EXPECT_EQ(stored[0].DueDay, 30) << t;
}

TEST_F(TermsEditorTest, LoadShowsTheRecordAndItsKind)
{
    PutTerms(Terms("EOM", "End of month", 'D', 10, 99, 25, 2.0f, 'Y'));
    // the second day shows L; field 8 is enterable under Day of Month
    const std::string t = Edit("type EOM\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Enter\n"
                               "key Enter\nkey Enter\nkey Esc\nanswer Yes\n");
    for (const char* line : {"field 2 enter \"End of month\"", "field 3 enter \"Day of Month\"",
                             "field 4 enter \"2.000\"", "field 6 enter \"L\"", "field 7 enter \"25\"",
                             "field 8 enter \"Yes\""})
        EXPECT_TRUE(Has(t, line)) << line << "\n" << t;
}

TEST_F(TermsEditorTest, SaveAndDeleteAreAudited)
{
    PasswordsOn();
    PutTerms(Terms("OLD", "Old terms", 'N', 10, 30));
    struct Row {
        const char* what;
        const char* script;
        size_t count;
        const char* audit;
        const char* message;
    } rows[] = {
        {"a new code is inserted", "type NEW\nkey Enter\ntype New terms\nkey F10\nkey Esc\n", 3, "114 2 NEW\n", nullptr},
        {"a changed code is updated", "type OLD\nkey Enter\ntype Changed\nkey F10\nkey Esc\n", 2, "114 3 OLD\n", nullptr},
        {"delete asks, No keeps it", "type OLD\nkey Enter\nkey F6\nanswer No\nkey Esc\n", 2, "", "Delete this terms code?"},
        {"delete asks, Yes removes it", "type OLD\nkey Enter\nkey F6\nanswer Yes\nkey Esc\n", 1, "114 4 OLD\n", "Delete this terms code?"},
        {"a save without a code is refused", "key F10\nkey Esc\n", 2, "", "Enter a terms code first."},
        {"leaving a blank code is refused", "key Enter\nkey Esc\n", 2, "", "Enter a terms code first."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Terms));
        fs::remove(Path(FileNo::AuditLog));
        Create(FileNo::Terms);
        Create(FileNo::AuditLog);
        PutTerms(Terms("OLD", "Old terms", 'N', 10, 30));
        PutTerms(Terms("KEEP", "Kept", 'N', 0, 15));
        const std::string t = Edit(row.script);
        EXPECT_EQ(StoredTerms().size(), row.count) << t;
        EXPECT_EQ(Audit(), row.audit) << t;
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
    }
}

// The code typed over a loaded record and saved at once: the record of the
// old code is not renamed.
TEST_F(TermsEditorTest, ACodeTypedOverTheLoadedOneIsCheckedBeforeTheSave)
{
    PutTerms(Terms("OLD", "Old terms", 'N', 10, 30));
    const std::string t = Edit("type OLD\nkey Enter\nfield 1 NEW\nkey F10\nkey Esc\nanswer Yes\nkey Esc\n");
    const auto stored = StoredTerms();
    ASSERT_EQ(stored.size(), 1u) << t;
    EXPECT_STREQ(stored[0].Code, "OLD");
    EXPECT_STREQ(stored[0].Description, "Old terms");
    EXPECT_TRUE(Has(t, "key F10 -> stay focused")) << t;
}

// A new record under a code that exists already: the duplicate is reported,
// the stored record shown and the cursor put on the code.
TEST_F(TermsEditorTest, ADuplicateCodeReloadsTheStoredRecordOnTheCode)
{
    PutTerms(Terms("DUP", "Stored", 'N', 5, 10));
    const std::string t = Edit("field 1 DUP\nfield 2 Typed\nkey F10\nanswer Continue\nkey Enter\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "Btrieve Error #   5")) << t;
    EXPECT_TRUE(Has(t, "key F10 -> stay focused\nfield 1 exit \"DUP\" -> 0\nfield 2 enter \"Stored\"")) << t;
    const auto stored = StoredTerms();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_STREQ(stored[0].Description, "Stored");
}

TEST_F(TermsEditorTest, EscapeFromAChangedScreenAsks)
{
    PutTerms(Terms("OLD", "Old terms", 'N', 10, 30));
    struct Row {
        const char* what;
        const char* answers;
        bool left;
    } rows[] = {{"No stays on the screen", "answer No\nkey Esc\nanswer Yes\n", true},
                {"Yes leaves without saving", "answer Yes\n", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string t = Edit(std::string("type OLD\nkey Enter\ntype Changed\nkey Esc\n") + row.answers);
        EXPECT_TRUE(Has(t, "Leave this screen without saving your changes?")) << t;
        EXPECT_FALSE(Has(t, "script exhausted")) << t;
        EXPECT_STREQ(StoredTerms()[0].Description, "Old terms") << t;
    }
}

TEST_F(TermsEditorTest, RightsOfTheScreen)
{
    PutTerms(Terms("OLD", "Old terms", 'N', 10, 30));
    struct Row {
        const char* what;
        std::vector<int> rights;
        bool opens;
        bool f6;
    } rows[] = {
        {"no terms right: refused", {}, false, false},
        {"change right only: F6 off", {113}, true, false},
        {"delete right: F6 on", {113, 114}, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Users));
        SignInWithRights("BOB", row.rights);
        const std::string t =
            Edit(row.opens ? "type OLD\nkey Enter\nkey F6\nanswer No\ntype Changed\nkey F10\nkey Esc\n" : "");
        EXPECT_EQ(Has(t, "run begin RSEditTermsCode"), row.opens) << t;
        EXPECT_EQ(Has(t, "You do not have the right to use this function."), !row.opens) << t;
        EXPECT_EQ(Has(t, "key F6 -> off"), row.opens && !row.f6) << t;
        EXPECT_EQ(Has(t, "Delete this terms code?"), row.f6) << t;
        EXPECT_EQ(FxScriptRemaining(), 0) << t;
    }
    EXPECT_STREQ(StoredTerms()[0].Description, "Changed");
}

// The pick list's F8 and F9 open the editor nested on the list's file and
// record; the list is read again and the new record picked there.
TEST_F(TermsEditorTest, NestedFromThePickList)
{
    PutTerms(Terms("AAA", "First", 'N', 0, 10));
    PutTerms(Terms("ZZZ", "Last", 'N', 0, 90));
    FxSetProductNumber(4);  // the point of sale's dictionary tables
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, Path(FileNo::Terms).c_str(), 0, 0), 0);
    BtrSetDefaults(handle, 0, -1);
    struct Row {
        const char* what;
        const char* start;
        const char* script;
        const char* picked;
        const char* description;   // of the picked code after the run
    } rows[] = {
        {"F8 adds a code that is then picked", nullptr,
         "key F8\ntype MMM\nkey Enter\ntype Middle\nkey F10\ntype MMM\npick 2\n", "MMM", "Middle"},
        {"F9 edits the highlighted code", "AAA", "key F9\nkey Enter\ntype Renamed\nkey F10\npick 1\n", "AAA", "Renamed"},
        {"F9 then Esc writes nothing", "AAA", "key F9\nkey Esc\npick 1\n", "AAA", "Renamed"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TagTermsRecord picked{};
        int result = 0;
        const std::string t = Run(
            [&] { return FlyTerms(row.start, 0, handle, &picked, 5, 10, 10, 58, EditTermsCodeFromList); }, row.script,
            &result);
        EXPECT_EQ(result, 1) << t;
        EXPECT_STREQ(picked.Code, row.picked) << t;
        EXPECT_TRUE(Has(t, "run begin RSEditTermsCode nested")) << t;
        int key = -1, second = 0;
        BtrGetDefaults(handle, &key, &second);
        EXPECT_EQ(key, 0);
        for (const TagTermsRecord& r : StoredTerms())
            if (std::string(r.Code) == row.picked) {
                EXPECT_STREQ(r.Description, row.description) << t;
            }
    }
    BtrCloseFile(handle);
}

TEST_F(TermsEditorTest, NestedEditorAnswersTheKeyWord)
{
    PutTerms(Terms("AAA", "First", 'N', 0, 10));
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, Path(FileNo::Terms).c_str(), 0, 0), 0);
    BtrSetDefaults(handle, 1, -1);
    struct Row {
        const char* what;
        int32_t word;
        const char* script;
        int32_t answer;
        size_t stored;
    } rows[] = {
        {"a save answers 0x4400", 0x4200, "type BBB\nkey Enter\nkey F10\n", 0x4400, 2},
        {"a delete answers 0x4000", 0x4300, "key F6\nanswer Yes\nkey Esc\n", 0x4000, 1},
        {"Esc answers 0", 0x4200, "key Esc\n", 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TagTermsRecord buffer = row.word == 0x4300 ? Terms("BBB", "Second", 'N', 0, 20) : TagTermsRecord{};
        TagLookUpData data{};
        data.Handle = handle;
        data.RecordLength = sizeof buffer;
        data.Record = &buffer;
        uint8_t work[32] = {};
        std::memcpy(work, &row.word, 4);
        TagLookUp lookup{};
        lookup.Data = &data;
        lookup.WorkArea = work;
        int result = -1;
        const std::string t = Run([&] { return EditTermsCodeFromList(&lookup); }, row.script, &result);
        EXPECT_EQ(result, row.answer) << t;
        int32_t word = -1;
        std::memcpy(&word, work, 4);
        EXPECT_EQ(word, row.answer);
        EXPECT_EQ(StoredTerms().size(), row.stored) << t;
        int key = -1, second = 0;
        BtrGetDefaults(handle, &key, &second);
        EXPECT_EQ(key, 1) << "the pick list's key is put back";
    }
    BtrCloseFile(handle);
}

}  // namespace
}  // namespace bwps::test
