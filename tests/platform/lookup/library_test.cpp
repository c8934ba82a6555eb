// The lookup library over a small file and over callback rows, through the
// script driver: start modes, paging, search, filters, keys, messages, the
// key switch, row actions, deletes after paging, and the reads a page costs
// in a large file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fx.h"
#include "lookup.h"
#include "lookup_testing.h"
#include "recman.h"
#include "recman_testing.h"

namespace {

namespace fs = std::filesystem;

#pragma pack(push, 1)
struct Item {
    char code[11];
    char name[21];
    char status;
    int32_t date;
    double amount;
};
#pragma pack(pop)
constexpr int kLength = sizeof(Item);

void Put16(uint8_t* p, int v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

class LookupLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        FxReset();
        LookUpLibraryReset();
        char pattern[] = "/tmp/lookup-lib-XXXXXX";
        folder_ = mkdtemp(pattern);
        path_ = folder_ + "/ITEMS.DB";
        std::vector<uint8_t> spec(16, 0), keys(48, 0);
        Put16(spec.data(), kLength);
        Put16(spec.data() + 2, 4096);
        spec[4] = 2;
        // key 0: the code; key 1: the name (case ignored)
        Put16(keys.data(), 1);
        Put16(keys.data() + 2, 11);
        Put16(keys.data() + 4, KF_MODIFIABLE);
        Put16(keys.data() + 16, 12);
        Put16(keys.data() + 18, 21);
        Put16(keys.data() + 20, KF_DUPLICATES | KF_MODIFIABLE | KF_NO_CASE);
        ASSERT_EQ(BtrCreateFile(path_.c_str(), spec.data(), keys.data()), 0);
        ASSERT_EQ(BtrOpenFile(&handle_, path_.c_str(), 0, 0), 0);
    }
    void TearDown() override
    {
        BtrCloseFile(handle_);
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    void Add(const char* code, const char* name, char status = 'A', int32_t date = 20240105, double amount = 1.5)
    {
        Item item{};
        std::snprintf(item.code, sizeof item.code, "%s", code);
        std::snprintf(item.name, sizeof item.name, "%s", name);
        item.status = status;
        item.date = date;
        item.amount = amount;
        char key[255] = {};
        ASSERT_EQ(BtrWrite(B_INSERT, handle_, key, &item, kLength), 0);
    }

    // Codes A01 .. A<n> with names in reverse order.
    void AddRange(int n)
    {
        for (int i = 1; i <= n; ++i) {
            char code[12], name[22];
            std::snprintf(code, sizeof code, "A%02d", i);
            std::snprintf(name, sizeof name, "name %02d", n + 1 - i);
            Add(code, name, i % 4 == 0 ? 'I' : 'A');
        }
    }

    void Prepare(int height = 8)
    {
        std::memset(columns_, 0, sizeof columns_);
        std::snprintf(columns_[0].Title, sizeof columns_[0].Title, "Code");
        std::snprintf(columns_[0].Picture, sizeof columns_[0].Picture, "%%-10s");
        columns_[0].Type = 2;
        columns_[0].Offset = 0;
        std::snprintf(columns_[1].Title, sizeof columns_[1].Title, "Name");
        std::snprintf(columns_[1].Picture, sizeof columns_[1].Picture, "%%-20s");
        columns_[1].Type = 2;
        columns_[1].Offset = 11;
        lookup_ = TagLookUp{};
        data_ = TagLookUpData{};
        std::memset(record_, 0, sizeof record_);
        data_.Handle = handle_;
        data_.RecordLength = kLength;
        data_.Record = record_;
        lookup_.Data = &data_;
        lookup_.Columns = columns_;
        lookup_.Row = 2;
        lookup_.Column = 2;
        lookup_.Height = static_cast<uint16_t>(height);
        lookup_.Width = 50;
        lookup_.Title = "Items";
        lookup_.SearchPrompt = "Search :";
        lookup_.WorkArea = work_;
        lookup_.StartMode = LK_START_FIRST;
        BtrSetDefaults(handle_, 0, -1);
    }

    std::string Picked() const { return std::string(reinterpret_cast<const char*>(record_)); }

    std::string folder_, path_;
    uint16_t handle_ = 0;
    TagLookUpField columns_[4];
    TagLookUp lookup_;
    TagLookUpData data_;
    uint8_t work_[32] = {};
    uint8_t record_[kLength + 8];
};

int RunList(TagLookUp& lookup, CEnhLookDlg** out = nullptr)
{
    CDbListCtrl list(0);
    CDbLookDlg dialog(&lookup, LK_DIALOG_ID, &list);
    if (out != nullptr)
        *out = &dialog;
    return dialog.Process();
}

// Start modes, moves past page ends, PgUp/PgDn/Home/End and the pick: each
// case a script and the code the list ends on.
TEST_F(LookupLibrary, MovesAndStartModesEndOnTheExpectedRow)
{
    AddRange(20);
    struct Case {
        int start;
        const char* keyBuffer;
        const char* script;
        const char* picked;
    };
    // height 8: 4 rows (borders, heading, prompt)
    const Case cases[] = {
        {LK_START_FIRST, "", "key Enter\n", "A01"},
        {LK_START_FIRST, "", "key Down\nkey Down\nkey Down\nkey Down\nkey Enter\n", "A05"},
        {LK_START_FIRST, "", "key PgDn\nkey Enter\n", "A05"},
        {LK_START_FIRST, "", "key PgDn\nkey PgDn\nkey PgUp\nkey Enter\n", "A05"},
        {LK_START_FIRST, "", "key End\nkey Enter\n", "A20"},
        {LK_START_FIRST, "", "key End\nkey Down\nkey Down\nkey Enter\n", "A20"},
        {LK_START_FIRST, "", "key End\nkey Home\nkey Up\nkey Enter\n", "A01"},
        {LK_START_SEARCH, "A07", "key Enter\n", "A07"},
        {LK_START_SEARCH, "A07", "key Up\nkey Enter\n", "A06"},
        {LK_START_SEARCH, "Z", "key Enter\n", "A20"},
        {LK_START_FIRST, "", "type a1\nkey Enter\n", "A10"},
        {LK_START_FIRST, "", "pick 3\n", "A03"},
    };
    for (const Case& c : cases) {
        FxReset();
        Prepare();
        lookup_.StartMode = c.start;
        std::snprintf(data_.KeyBuffer, sizeof data_.KeyBuffer, "%s", c.keyBuffer);
        ASSERT_EQ(FxScriptLoad(c.script), 0);
        EXPECT_EQ(RunList(lookup_), 1) << c.script;
        EXPECT_EQ(Picked(), c.picked) << c.script << FxTranscript();
    }
}

TEST_F(LookupLibrary, EscapeCancelsAndTheTranscriptShowsTheVisibleRows)
{
    AddRange(5);
    Prepare();
    ASSERT_EQ(FxScriptLoad("key Down\nkey Esc\n"), 0);
    EXPECT_EQ(RunList(lookup_), 0);
    const std::string t = FxTranscript();
    EXPECT_NE(t.find("list open \"Items\""), std::string::npos) << t;
    EXPECT_NE(t.find("list heading \"Code"), std::string::npos) << t;
    EXPECT_NE(t.find("list row 1 > \"A01"), std::string::npos) << t;
    EXPECT_NE(t.find("list row 2 > \"A02"), std::string::npos) << t;
    EXPECT_NE(t.find("list note \"cancelled\""), std::string::npos) << t;
}

TEST_F(LookupLibrary, SearchIgnoresLetterCaseOnAKeyThatComparesCase)
{
    Add("AB10", "x");
    Add("ZZ", "y");
    Add("ab20", "z");
    Prepare();
    ASSERT_EQ(FxScriptLoad("type ab\nkey Enter\n"), 0);
    EXPECT_EQ(RunList(lookup_), 1);
    EXPECT_EQ(Picked(), "AB10");
    FxReset();
    Prepare();
    ASSERT_EQ(FxScriptLoad("type ab2\nkey Enter\n"), 0);
    EXPECT_EQ(RunList(lookup_), 1);
    EXPECT_EQ(Picked(), "ab20");
}

// Codes written with capitals at the start of their words are found by a
// search typed in lower or upper case.
TEST_F(LookupLibrary, SearchFindsCapitalisedWordsTypedInAnyCase)
{
    for (const char* code : {"Alpha", "Beta", "Store 01", "Store 07", "Store 12", "Zeta"})
        Add(code, "x");
    for (const char* typed : {"store 07", "STORE 07", "Store 07", "sTORE 07"}) {
        SCOPED_TRACE(typed);
        FxReset();
        Prepare();
        ASSERT_EQ(FxScriptLoad((std::string("type ") + typed + "\nkey Enter\n").c_str()), 0);
        EXPECT_EQ(RunList(lookup_), 1);
        EXPECT_EQ(Picked(), "Store 07");
    }
}

TEST_F(LookupLibrary, AFilterSkipsRowsWhileFillingAPage)
{
    AddRange(12); // A04, A08, A12 inactive
    Prepare();
    TagLookUpField filter[2] = {};
    filter[0].Type = 1;
    filter[0].Offset = 32;
    char active = 'A';
    void* values[1] = {&active};
    ASSERT_EQ(FxScriptLoad("key Down\nkey Down\nkey Down\nkey Enter\n"), 0);
    CDbListCtrl list(0);
    CFilterLookupDlg dialog(&lookup_, LK_DIALOG_ID, &list);
    dialog.CreateFilterColsArray(filter, values);
    EXPECT_EQ(dialog.Process(), 1);
    EXPECT_EQ(Picked(), "A05");
    FxReset();
    Prepare();
    ASSERT_EQ(FxScriptLoad("key End\nkey Enter\n"), 0);
    CFilterLookupDlg last(&lookup_, LK_DIALOG_ID, &list);
    last.CreateFilterColsArray(filter, values);
    EXPECT_EQ(last.Process(), 1);
    EXPECT_EQ(Picked(), "A11");
}

TEST_F(LookupLibrary, ShiftF9SwitchesTheKeyAndKeepsTheHighlightedRecord)
{
    AddRange(6); // names run backwards
    Prepare();
    FxKeyBar keys{};
    FxSetKeyHandler(&keys, LK_KEY_SWITCH, [](void* l) { return DuVaVeduUpSwitch(reinterpret_cast<long>(l)); });
    lookup_.Form = reinterpret_cast<FxForm*>(&keys);
    // on A02 (name 05): switch to the name key; Down goes to name 06 = A01
    ASSERT_EQ(FxScriptLoad("key Down\nkey Shift+F9\nkey Down\nkey Enter\n"), 0);
    EXPECT_EQ(RunList(lookup_), 1);
    EXPECT_EQ(Picked(), "A01") << FxTranscript();
    EXPECT_EQ(data_.KeyNumber, 1);
}

struct HandlerLog {
    static inline std::string seen;
    static inline int answer = 0;
    static inline int32_t word = 0;
};

int RecordingHandler(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    HandlerLog::seen = static_cast<const char*>(l->Data->Record);
    std::memcpy(&HandlerLog::word, l->WorkArea, 4);
    return HandlerLog::answer;
}

// Handlers act on the highlighted row, never the last row read, and their
// answers steer the list.
TEST_F(LookupLibrary, KeyHandlersSeeTheHighlightedRowAndTheirAnswersCount)
{
    AddRange(20);
    struct Case {
        const char* script;
        int answer;
        int result;
        const char* seen;
    };
    const Case cases[] = {
        {"key PgDn\nkey Up\nkey F8\nkey Esc\n", FX_STAY, 0, "A04"},
        {"key PgDn\nkey F8\nkey Enter\n", 0, 1, "A05"},
        {"key Down\nkey F8\n", LK_ANSWER_LEAVE, 0, "A02"},
    };
    for (const Case& c : cases) {
        FxReset();
        Prepare();
        FxKeyBar keys{};
        FxSetKeyHandler(&keys, FX_KEY_F1 + 7 * 0x100, RecordingHandler);
        lookup_.Form = reinterpret_cast<FxForm*>(&keys);
        HandlerLog::answer = c.answer;
        ASSERT_EQ(FxScriptLoad(c.script), 0);
        EXPECT_EQ(RunList(lookup_), c.result) << c.script;
        EXPECT_EQ(HandlerLog::seen, c.seen) << c.script;
        EXPECT_EQ(HandlerLog::word, FX_KEY_F1 + 7 * 0x100);
    }
}

int DeleteHandler(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    EXPECT_EQ(BtrWrite(B_DELETE, l->Data->Handle, l->Data->KeyBuffer, l->Data->Record, l->Data->RecordLength), 0);
    return LK_ANSWER_REFRESH;
}

TEST_F(LookupLibrary, DeleteAfterPagingRemovesTheHighlightedRow)
{
    AddRange(20);
    Prepare();
    FxKeyBar keys{};
    FxSetKeyHandler(&keys, FX_KEY_F1 + 5 * 0x100, DeleteHandler);
    lookup_.Form = reinterpret_cast<FxForm*>(&keys);
    // page 2 is A05-A08 after PgDn; Down to A06; delete; the list stays
    // there: Enter picks the row that took its place
    ASSERT_EQ(FxScriptLoad("key PgDn\nkey Down\nkey F6\nkey Enter\n"), 0);
    EXPECT_EQ(RunList(lookup_), 1);
    EXPECT_EQ(Picked(), "A07");
    char key[255] = {};
    std::memcpy(key, "A06", 4);
    Item item{};
    EXPECT_EQ(BtrGet(B_GET_EQUAL, handle_, key, &item, kLength), B_KEY_NOT_FOUND);
    EXPECT_EQ(BtrGetRecordCount(handle_), 19);
}

int SelectHandler(void* argument)
{
    LookUpCallback unused = nullptr;
    (void)unused;
    DuVaVeduUpSendMsg(static_cast<TagLookUp*>(argument), LK_MSG_SELECT);
    return 1;
}

int RowActionRefuses(TagLookUp*)
{
    return 0;
}

TEST_F(LookupLibrary, MessageThirteenPicksAndARowActionCanRefuse)
{
    AddRange(5);
    Prepare();
    FxKeyBar keys{};
    FxSetKeyHandler(&keys, FX_KEY_F10, SelectHandler);
    lookup_.Form = reinterpret_cast<FxForm*>(&keys);
    ASSERT_EQ(FxScriptLoad("key Down\nkey F10\n"), 0);
    EXPECT_EQ(RunList(lookup_), 1);
    EXPECT_EQ(Picked(), "A02");

    FxReset();
    Prepare();
    lookup_.RowAction = RowActionRefuses;
    ASSERT_EQ(FxScriptLoad("key Enter\nkey Esc\n"), 0);
    EXPECT_EQ(RunList(lookup_), 0);
}

// Rows from callbacks with the position slots A and B.
struct Rows {
    static inline std::vector<std::string> rows;
    static inline int at = -1;
    static inline int status = 0; // an unknown status answered at the end
};

int RowRead(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    int next = Rows::at;
    switch (d->Move) {
    case LK_MOVE_FIRST: next = 0; break;
    case LK_MOVE_LAST: next = static_cast<int>(Rows::rows.size()) - 1; break;
    case LK_MOVE_NEXT: next = Rows::at + 1; break;
    case LK_MOVE_PREVIOUS: next = Rows::at - 1; break;
    default: return 1;
    }
    if (next < 0 || next >= static_cast<int>(Rows::rows.size()))
        return Rows::status != 0 ? Rows::status : B_END_OF_FILE;
    Rows::at = next;
    std::snprintf(static_cast<char*>(d->Record), d->RecordLength, "%s", Rows::rows[static_cast<size_t>(next)].c_str());
    return 0;
}

int RowPosition(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    switch (d->Move) {
    case LK_KEEP_A: d->SlotA = static_cast<uint32_t>(Rows::at); return 0;
    case LK_KEEP_B: d->SlotB = static_cast<uint32_t>(Rows::at); return 0;
    case LK_BACK_A:
    case LK_BACK_B:
        Rows::at = static_cast<int>(d->Move == LK_BACK_A ? d->SlotA : d->SlotB);
        std::snprintf(static_cast<char*>(d->Record), d->RecordLength, "%s",
                      Rows::rows[static_cast<size_t>(Rows::at)].c_str());
        return 0;
    default: return 1;
    }
}

TEST_F(LookupLibrary, CallbackRowsPageThroughTheSlotsAndAnUnknownStatusEndsADirection)
{
    Rows::rows = {"apple", "banana", "cherry", "date", "elder", "fig", "grape"};
    Rows::status = 0;
    char record[32] = {};
    TagLookUpField columns[2] = {};
    std::snprintf(columns[0].Title, sizeof columns[0].Title, "Fruit");
    std::snprintf(columns[0].Picture, sizeof columns[0].Picture, "%%-20s");
    columns[0].Type = 2;
    TagLookUpData data{};
    data.RecordLength = sizeof record;
    data.Record = record;
    TagLookUp lookup{};
    lookup.Data = &data;
    lookup.Columns = columns;
    lookup.Row = 1;
    lookup.Column = 1;
    lookup.Height = 7;
    lookup.Width = 30;
    lookup.Read = RowRead;
    lookup.ReadAtPosition = RowPosition;
    lookup.StartMode = LK_START_FIRST;
    ASSERT_EQ(FxScriptLoad("key PgDn\nkey PgDn\nkey Up\nkey Enter\n"), 0);
    {
        CEnhLookDlg dialog(&lookup, LK_DIALOG_ID, nullptr);
        EXPECT_EQ(dialog.Process(), 1);
    }
    EXPECT_STREQ(record, "fig") << FxTranscript();

    FxReset();
    Rows::status = 77;
    ASSERT_EQ(FxScriptLoad("key End\nkey Down\nkey Enter\n"), 0);
    {
        CEnhLookDlg dialog(&lookup, LK_DIALOG_ID, nullptr);
        EXPECT_EQ(dialog.Process(), 1);
    }
    EXPECT_STREQ(record, "grape");
    EXPECT_NE(std::string(FxTranscript()).find("reader answered 77"), std::string::npos) << FxTranscript();
}

TEST_F(LookupLibrary, CellsOfDatesAndAmountsShowBlankWhenInvalid)
{
    Item good{}, bad{};
    good.date = 20240229;
    good.amount = 12.345;
    bad.date = 20241345;
    bad.amount = std::nan("");
    TagLookUpField date{}, amount{};
    date.Type = 3;
    date.Offset = offsetof(Item, date);
    amount.Type = 10;
    amount.Offset = offsetof(Item, amount);
    std::snprintf(amount.Picture, sizeof amount.Picture, "%%10.2f");
    CDbLookupColumn dateColumn(&date, nullptr), amountColumn(&amount, nullptr);
    char cell[64];
    dateColumn.FormatField(&good, kLength, cell, sizeof cell);
    EXPECT_STREQ(cell, "02/29/24");
    dateColumn.FormatField(&bad, kLength, cell, sizeof cell);
    EXPECT_STREQ(cell, "");
    amountColumn.FormatField(&good, kLength, cell, sizeof cell);
    EXPECT_STREQ(cell, "12.35");
    amountColumn.FormatField(&bad, kLength, cell, sizeof cell);
    EXPECT_STREQ(cell, "");
    // a field past the record's end shows nothing
    amountColumn.FormatField(&good, 10, cell, sizeof cell);
    EXPECT_STREQ(cell, "");
}

TEST_F(LookupLibrary, WindowNumbersOffTheScreenAreClipped)
{
    AddRange(3);
    Prepare();
    lookup_.Row = 40;
    lookup_.Column = 200;
    lookup_.Height = 90;
    lookup_.Width = 300;
    ASSERT_EQ(FxScriptLoad("key Enter\n"), 0);
    EXPECT_EQ(RunList(lookup_), 1);
    EXPECT_NE(std::string(FxTranscript()).find("list open \"Items\" 20,74-24,79"), std::string::npos)
        << FxTranscript();
}

// Opening and PgDn in a large file read a few pages, never the whole file;
// the percentage readers use the record manager's get and find by share.
TEST_F(LookupLibrary, ALargeFileIsReadAPageAtATime)
{
    BtrTransaction(B_BEGIN_TRAN);
    for (int i = 0; i < 100000; ++i) {
        Item item{};
        std::snprintf(item.code, sizeof item.code, "K%06d", i);
        std::snprintf(item.name, sizeof item.name, "n%06d", i);
        item.status = 'A';
        char key[255] = {};
        ASSERT_EQ(BtrWrite(B_INSERT, handle_, key, &item, kLength), 0);
    }
    ASSERT_EQ(BtrTransaction(B_END_TRAN), 0);
    Prepare(20);
    ASSERT_EQ(FxScriptLoad("key PgDn\nkey PgDn\nkey End\nkey Enter\n"), 0);
    CDbListCtrl list(0);
    CDbLookDlg dialog(&lookup_, LK_DIALOG_ID, &list);
    EXPECT_EQ(dialog.Process(), 1);
    EXPECT_EQ(Picked(), "K099999");
    EXPECT_LT(dialog.ReadCount(), 400);

    uint32_t half = 5000;
    std::memcpy(work_ + 4, &half, 4);
    ASSERT_EQ(DuVaVeduUpSeekPercRelative(reinterpret_cast<long>(&lookup_)), 0);
    EXPECT_EQ(Picked(), "K050000");
    EXPECT_EQ(DuVaVeduUpGetPercRelative(reinterpret_cast<long>(&lookup_)), 5000);
    EXPECT_EQ(DuVaVeduUpGetDbRecords(reinterpret_cast<long>(&lookup_)), 100000);
}

}  // namespace
