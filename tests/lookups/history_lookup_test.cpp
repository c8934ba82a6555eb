// The history lookups over a company's data files: the range readers of a
// customer's history summaries and document lines and of a product's
// substitutes (where the file stands after a step out of the range), the
// history viewer and its detail list, the substitute and product
// transaction lists, and the purchase history of a caller's file with its
// fixed column table.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/records/customer_history.h"
#include "bwps/records/dictionary.h"
#include "bwps/records/keys.h"
#include "bwps/records/products.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/testing.h"
#include "fx.h"
#include "recman.h"
#include "tests/support/folders.h"
#include "tests/support/library.h"

namespace fs = std::filesystem;
using bwps::FileNo;

namespace {

class HistoryLookups : public ::testing::Test {
protected:
    void SetUp() override
    {
        bwpstest::ResetLibraryState();
        bwps::lookups::ResetHistory();
        if (!fs::exists(bwpstest::BuiltBaseFolder() / "BPOSKEY.DB"))
            GTEST_SKIP() << "the base files are not built";
        const std::string program = scratch_.path() + "/program";
        data_ = scratch_.path() + "/company";
        fs::create_directories(program + "/ROVAZERI");
        fs::create_directories(data_);
        bwpstest::CopyBaseFolder(program);
        SessionBlock* session = GetSessionPaths();
        std::snprintf(session->ProgramPath, sizeof session->ProgramPath, "%s", program.c_str());
        std::snprintf(session->BasePath, sizeof session->BasePath, "%s/RAZAVUR", program.c_str());
        std::snprintf(session->DictionaryPath, sizeof session->DictionaryPath, "%s/ROVAZERI", program.c_str());
        std::snprintf(session->DataPath, sizeof session->DataPath, "%s", data_.c_str());
        SetFolders(program.c_str(), data_.c_str(), (program + "/RAZAVUR").c_str());
        FxSetProductNumber(4);
        FxOpenStringFiles((program + "/RAZAVUR").c_str(), GetDataFileName(bwps::No(FileNo::Resources1)),
                          GetDataFileName(bwps::No(FileNo::Resources2)));
        ASSERT_EQ(CreateMissingDataFiles(data_.c_str()), 0);
    }

    void TearDown() override
    {
        for (uint16_t h : handles_)
            BtrCloseFile(h);
        FxReset();
    }

    uint16_t Open(FileNo file)
    {
        uint16_t handle = 0;
        EXPECT_EQ(BtrOpenFile(&handle, GetDataFilePath(bwps::No(file)), 0, 0), 0);
        handles_.push_back(handle);
        return handle;
    }

    template <typename Record>
    void Insert(FileNo file, const Record& record)
    {
        const uint16_t handle = Open(file);
        char key[256] = {};
        Record copy = record;
        ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &copy, sizeof copy), 0);
    }

    void Summary(const char* customer, const char* document, double balance = 10.0)
    {
        CustHistSummary s{};
        std::snprintf(s.Customer, sizeof s.Customer, "%s", customer);
        std::snprintf(s.Document, sizeof s.Document, "%s", document);
        s.Total = balance;
        s.OpenBalance = balance;
        Insert(FileNo::CustomerHistorySummary, s);
    }

    void Line(const char* customer, const char* document, char type, double amount)
    {
        CustHistDetail d{};
        std::snprintf(d.Line.Customer, sizeof d.Line.Customer, "%s", customer);
        std::snprintf(d.Line.Invoice, sizeof d.Line.Invoice, "%s", document);
        d.Line.Type = type;
        d.Line.Id = ++lines_;
        d.Line.Amount = amount;
        std::snprintf(d.Source, sizeof d.Source, "POS");
        Insert(FileNo::CustomerHistoryDetail, d);
    }

    void Substitute(const char* product, uint16_t line, const char* alternate)
    {
        AltProductRecord a{};
        std::snprintf(a.Code, sizeof a.Code, "%s", product);
        a.Line = line;
        std::snprintf(a.AltCode, sizeof a.AltCode, "%s", alternate);
        std::snprintf(a.Description, sizeof a.Description, "instead of %s", product);
        Insert(FileNo::AlternateProducts, a);
    }

    static uint32_t Current(uint16_t handle)
    {
        uint32_t position = 0;
        BtrPosition(B_GET_DIRECT, handle, &position);
        return position;
    }

    static int Key(uint16_t handle)
    {
        int k = -1, second = 0;
        BtrGetDefaults(handle, &k, &second);
        return k;
    }

    // The position of the record whose key 0 begins with the two texts
    // (each in its field of the given size).
    template <typename Record>
    static uint32_t PositionOf(uint16_t handle, const char* first, int firstSize, const char* second)
    {
        char key[256] = {};
        std::snprintf(key, static_cast<size_t>(firstSize), "%s", first);
        std::snprintf(key + firstSize, sizeof key - static_cast<size_t>(firstSize), "%s", second);
        int k = 0, s = 0;
        BtrGetDefaults(handle, &k, &s);
        BtrSetDefaults(handle, 0, -1);
        Record r{};
        uint32_t position = 0;
        if (BtrGet(B_GET_GE, handle, key, &r, sizeof r) == 0)
            BtrPosition(B_GET_DIRECT, handle, &position);
        BtrSetDefaults(handle, k, s);
        return position;
    }

    static std::string Transcript() { return FxTranscript(); }
    static bool Saw(const std::string& text) { return Transcript().find(text) != std::string::npos; }

    bwpstest::ScratchFolder scratch_{"history"};
    std::string data_;
    std::vector<uint16_t> handles_;
    int32_t lines_ = 0;
};

// ---- range readers

// The summary reader keeps to one customer: past either end of the
// customer's rows it answers 9 and leaves the file on the customer's end
// row, also where that row is the file's first or last record; a customer
// without rows answers 9 to every move. An open balance within 0.001 of
// zero reads as 0.
TEST_F(HistoryLookups, SummaryReaderKeepsToTheCustomer)
{
    Summary("B1", "D1");
    Summary("C1", "D1");
    Summary("C1", "D2", 0.0004);
    Summary("C1", "D3");
    Summary("C2", "D1");
    const uint16_t handle = Open(FileNo::CustomerHistorySummary);
    ASSERT_EQ(BtrSetDefaults(handle, 0, -1), 0);

    struct Case {
        const char* customer;
        std::vector<int> moves;
        int status;          // of the last move
        const char* row;     // document read by the last move (status 0)
        const char* stands;  // document the file stands on afterwards (of the customer), or null
        double balance;      // of the row read
    };
    const Case cases[] = {
        {"C1", {LK_MOVE_FIRST}, 0, "D1", "D1", 10.0},
        {"C1", {LK_MOVE_LAST}, 0, "D3", "D3", 10.0},
        {"C1", {LK_MOVE_FIRST, LK_MOVE_NEXT}, 0, "D2", "D2", 0.0},
        {"C1", {LK_MOVE_LAST, LK_MOVE_PREVIOUS}, 0, "D2", "D2", 0.0},
        {"C1", {LK_MOVE_LAST, LK_MOVE_NEXT}, B_END_OF_FILE, nullptr, "D3", 0},
        {"C1", {LK_MOVE_FIRST, LK_MOVE_PREVIOUS}, B_END_OF_FILE, nullptr, "D1", 0},
        // the customer's rows end the file, or begin it
        {"C2", {LK_MOVE_LAST, LK_MOVE_NEXT}, B_END_OF_FILE, nullptr, "D1", 0},
        {"B1", {LK_MOVE_FIRST, LK_MOVE_PREVIOUS}, B_END_OF_FILE, nullptr, "D1", 0},
        // customers without history, before, between and after the others
        {"A0", {LK_MOVE_FIRST}, B_END_OF_FILE, nullptr, nullptr, 0},
        {"A0", {LK_MOVE_LAST}, B_END_OF_FILE, nullptr, nullptr, 0},
        {"C", {LK_MOVE_FIRST}, B_END_OF_FILE, nullptr, nullptr, 0},
        {"C", {LK_MOVE_LAST}, B_END_OF_FILE, nullptr, nullptr, 0},
        {"C", {LK_MOVE_FIRST, LK_MOVE_NEXT}, B_END_OF_FILE, nullptr, nullptr, 0},
        {"C", {LK_MOVE_LAST, LK_MOVE_PREVIOUS}, B_END_OF_FILE, nullptr, nullptr, 0},
        {"Z9", {LK_MOVE_FIRST}, B_END_OF_FILE, nullptr, nullptr, 0},
        {"Z9", {LK_MOVE_LAST}, B_END_OF_FILE, nullptr, nullptr, 0},
    };
    for (const Case& c : cases) {
        std::string moves;
        for (int m : c.moves)
            moves += std::to_string(m) + " ";
        SCOPED_TRACE(std::string(c.customer) + ": " + moves);
        char key[255] = {};
        CustHistSummary s{};
        int st = -1;
        for (int m : c.moves) {
            std::memset(&s, 0, sizeof s);
            st = CustHistorySummaryRead(m, handle, c.customer, key, &s);
        }
        EXPECT_EQ(st, c.status);
        if (c.row != nullptr) {
            EXPECT_STREQ(s.Customer, c.customer);
            EXPECT_STREQ(s.Document, c.row);
            EXPECT_EQ(+s.OpenBalance, c.balance);
        }
        if (c.stands != nullptr) {
            const uint32_t here = Current(handle);
            EXPECT_EQ(here, PositionOf<CustHistSummary>(handle, c.customer, sizeof s.Customer, c.stands));
        }
    }
    EXPECT_FALSE(Saw("Btrieve Error #")) << Transcript();
}

// The detail reader keeps to one document of one customer: not the same
// document of another customer, nor a document whose number begins with
// the chosen one.
TEST_F(HistoryLookups, DetailReaderKeepsToTheDocument)
{
    Line("C1", "D0", 'I', 5.0);
    Line("C1", "D1", 'I', 100.0);
    Line("C1", "D1", 'P', 40.0);
    Line("C1", "D10", 'I', 7.0);
    Line("C2", "D1", 'I', 9.0);
    const uint16_t handle = Open(FileNo::CustomerHistoryDetail);
    ASSERT_EQ(BtrSetDefaults(handle, 0, -1), 0);
    struct Case {
        const char* customer;
        const char* reference;
        std::vector<int> moves;
        int status;
        double amount;       // of the row read (status 0)
        double standsOn;     // amount of the row the file stands on, or 0: not checked
    };
    const Case cases[] = {
        {"C1", "D1", {LK_MOVE_FIRST}, 0, 100.0, 100.0},
        {"C1", "D1", {LK_MOVE_LAST}, 0, 40.0, 40.0},
        {"C1", "D1", {LK_MOVE_LAST, LK_MOVE_NEXT}, B_END_OF_FILE, 0, 40.0},
        {"C1", "D1", {LK_MOVE_FIRST, LK_MOVE_PREVIOUS}, B_END_OF_FILE, 0, 100.0},
        {"C1", "D10", {LK_MOVE_FIRST}, 0, 7.0, 7.0},
        {"C1", "D10", {LK_MOVE_LAST, LK_MOVE_PREVIOUS}, B_END_OF_FILE, 0, 7.0},
        {"C2", "D1", {LK_MOVE_LAST, LK_MOVE_NEXT}, B_END_OF_FILE, 0, 9.0},
        {"C1", "D2", {LK_MOVE_FIRST}, B_END_OF_FILE, 0, 0},
        {"C1", "D2", {LK_MOVE_LAST}, B_END_OF_FILE, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.customer) + "/" + c.reference + " moves " + std::to_string(c.moves.size()) +
                     " last " + std::to_string(c.moves.back()));
        char key[255] = {};
        CustHistDetail d{};
        int st = -1;
        for (int m : c.moves) {
            std::memset(&d, 0, sizeof d);
            st = CustHistoryDetailRead(m, handle, c.customer, c.reference, key, &d);
        }
        EXPECT_EQ(st, c.status);
        if (st == 0) {
            EXPECT_STREQ(d.Line.Customer, c.customer);
            EXPECT_STREQ(d.Line.Invoice, c.reference);
            EXPECT_EQ(+d.Line.Amount, c.amount);
        }
        if (c.standsOn != 0) {
            CustHistDetail here{};
            uint32_t position = Current(handle);
            std::memcpy(&here, &position, sizeof position);
            char k[256] = {};
            ASSERT_EQ(BtrGet(B_GET_DIRECT, handle, k, &here, sizeof here), 0);
            EXPECT_EQ(+here.Line.Amount, c.standsOn);
        }
    }
}

// The substitute reader keeps to one product, codes of more than ten
// characters and line numbers past the signed key's middle included.
TEST_F(HistoryLookups, SubstituteReaderKeepsToTheProduct)
{
    Substitute("ABCDEFGHIJK", 1, "S1");
    Substitute("ABCDEFGHIJK", 2, "S2");
    Substitute("ABCDEFGHIJKL", 1, "S3");
    Substitute("P1", 1, "S4");
    Substitute("P1", 40000, "S5");
    const uint16_t handle = Open(FileNo::AlternateProducts);
    ASSERT_EQ(BtrSetDefaults(handle, 0, -1), 0);
    struct Case {
        const char* product;
        int move;
        int status;
        const char* alternate;
    };
    const Case cases[] = {
        {"ABCDEFGHIJK", LK_MOVE_FIRST, 0, "S1"}, {"ABCDEFGHIJK", LK_MOVE_LAST, 0, "S2"},
        {"ABCDEFGHIJKL", LK_MOVE_LAST, 0, "S3"}, {"P1", LK_MOVE_FIRST, 0, "S5"},
        {"P1", LK_MOVE_LAST, 0, "S4"},           {"P", LK_MOVE_FIRST, B_END_OF_FILE, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.product) + " " + std::to_string(c.move));
        char key[255] = {};
        AltProductRecord a{};
        EXPECT_EQ(SubstituteProductRead(c.move, handle, c.product, key, &a), c.status);
        EXPECT_STREQ(a.AltCode, c.alternate);
    }
}

// ---- the history viewer

// What the viewer shows: the customer's summaries only, and from a summary
// (Enter or Shift+F7) the lines of that document only, with the document
// on the detail list's third line. It returns 0 whatever the user did,
// and both files are back on their key and record.
TEST_F(HistoryLookups, ViewerShowsTheCustomersDocumentsAndTheChosenDocumentsLines)
{
    Summary("B1", "X1");
    Summary("C1", "D1");
    Summary("C1", "D10");
    Summary("C1", "D2");
    Summary("C2", "X2");
    Line("C1", "D1", 'I', 111.0);
    Line("C1", "D1", 'P', 222.0);
    Line("C1", "D10", 'I', 333.0);
    Line("C1", "D2", 'I', 444.0);
    Line("C2", "D1", 'I', 555.0);
    const uint16_t summaries = Open(FileNo::CustomerHistorySummary);
    const uint16_t details = Open(FileNo::CustomerHistoryDetail);
    // the caller stands on C2's summary under key 1, on C2's line under key 2
    const uint32_t summaryAt = PositionOf<CustHistSummary>(summaries, "C2", 11, "X2");
    const uint32_t detailAt = PositionOf<CustHistDetail>(details, "C2", 11, "D1");
    auto standOn = [](uint16_t handle, int key, uint32_t position, int length) {
        std::vector<uint8_t> buffer(static_cast<size_t>(length), 0);
        std::memcpy(buffer.data(), &position, 4);
        char k[256] = {};
        ASSERT_EQ(BtrSetDefaults(handle, key, -1), 0);
        ASSERT_EQ(BtrGet(B_GET_DIRECT, handle, k, buffer.data(), length), 0);
    };

    struct Case {
        const char* script;
        const char* detailOf;  // the document whose lines opened, or null
        std::vector<const char*> seen;
        std::vector<const char*> unseen;
    };
    const Case cases[] = {
        {"key End\nkey Down\nkey Down\nkey F10\nkey Esc\n", "D2", {"\"D1 ", "\"D10 ", "\"D2 "}, {"X1", "X2"}},
        {"key Enter\nkey End\nkey Down\nkey Esc\nkey Esc\n", "D1", {"list row 1 > \"I        111.00", "222.00"},
         {"333.00", "555.00", "444.00"}},
        {"key Down\nkey Shift+F7\nkey Esc\nkey Esc\n", "D10", {"333.00"}, {"111.00", "222.00", "444.00"}},
        {"key Esc\n", nullptr, {"\"D1 "}, {"X1", "X2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        standOn(summaries, 1, summaryAt, sizeof(CustHistSummary));
        standOn(details, 2, detailAt, sizeof(CustHistDetail));
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad(c.script), 0);
        EXPECT_EQ(FlyDepHistory("C1", summaries, details, 4, 4, 13, 76), 0) << Transcript();
        EXPECT_TRUE(Saw("list open \"History of Customer C1\"")) << Transcript();
        EXPECT_TRUE(Saw("list line \"History of Customer \"")) << Transcript();
        EXPECT_TRUE(Saw("list heading \"Document")) << Transcript();
        if (c.detailOf != nullptr) {
            EXPECT_TRUE(Saw("list open \"History Detail of Customer C1\" 5,")) << Transcript();
            EXPECT_TRUE(Saw(std::string("list line \"Reference ") + c.detailOf + "\"")) << Transcript();
        } else {
            EXPECT_FALSE(Saw("History Detail")) << Transcript();
        }
        for (const char* s : c.seen)
            EXPECT_TRUE(Saw(s)) << s << "\n" << Transcript();
        for (const char* s : c.unseen)
            EXPECT_FALSE(Saw(s)) << s << "\n" << Transcript();
        EXPECT_EQ(Key(summaries), 1);
        EXPECT_EQ(Current(summaries), summaryAt);
        EXPECT_EQ(Key(details), 2);
        EXPECT_EQ(Current(details), detailAt);
    }
}

// A customer without history: an empty list, and 0.
TEST_F(HistoryLookups, CustomerWithoutHistoryOpensAnEmptyList)
{
    Summary("B1", "X1");
    Summary("C2", "X2");
    const uint16_t summaries = Open(FileNo::CustomerHistorySummary);
    const uint16_t details = Open(FileNo::CustomerHistoryDetail);
    for (const char* customer : {"C1", "A", "Z"}) {
        SCOPED_TRACE(customer);
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad("key End\nkey Enter\nkey Shift+F7\nkey Esc\n"), 0);
        EXPECT_EQ(FlyDepHistory(customer, summaries, details, 4, 4, 13, 76), 0) << Transcript();
        EXPECT_TRUE(Saw("list empty")) << Transcript();
        EXPECT_FALSE(Saw("X1")) << Transcript();
        EXPECT_FALSE(Saw("X2")) << Transcript();
        EXPECT_FALSE(Saw("History Detail")) << Transcript();
    }
}

// ---- substitutes and product transactions

// The substitute list keeps to its product; a null product lists the
// records without a code; a start text of another product shows none of
// its rows.
TEST_F(HistoryLookups, SubstituteListKeepsToItsProduct)
{
    Substitute("", 1, "E1");
    Substitute("", 2, "E2");
    Substitute("ABCDEFGHIJK", 1, "L1");
    Substitute("ABCDEFGHIJK", 2, "L2");
    Substitute("ABCDEFGHIJKL", 1, "M1");
    Substitute("P1", 1, "S1");
    Substitute("P1", 2, "S2");
    Substitute("P2", 1, "T1");
    const uint16_t handle = Open(FileNo::AlternateProducts);
    struct Case {
        const char* product;
        const char* start;
        const char* script;
        int picked;
        const char* alternate;
        std::vector<const char*> unseen;
    };
    const Case cases[] = {
        {nullptr, nullptr, "key Enter\n", 1, "E1", {"\"P1", "\"ABC"}},
        {nullptr, nullptr, "key End\nkey Enter\n", 1, "E2", {"\"P1", "\"ABC"}},
        {"P1", nullptr, "key End\nkey Down\nkey Enter\n", 1, "S2", {"T1", "E1"}},
        {"P1", "P2", "key Enter\n", 1, "S2", {"T1"}},
        {"ABCDEFGHIJK", nullptr, "key End\nkey Enter\n", 1, "L2", {"M1"}},
        {"P9", nullptr, "key Enter\n", 0, "", {"S1", "T1", "E1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.product ? c.product : "null") + " " + c.script);
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad(c.script), 0);
        AltProductRecord a{};
        EXPECT_EQ(FlySubstituteProducts(c.product, c.start, 0, handle, &a, 4, 4, 13, 70), c.picked) << Transcript();
        EXPECT_TRUE(Saw("list open \"Lookup Substitute Products\"")) << Transcript();
        EXPECT_TRUE(Saw("list heading \"Product")) << Transcript();
        EXPECT_STREQ(a.AltCode, c.alternate) << Transcript();
        for (const char* s : c.unseen)
            EXPECT_FALSE(Saw(s)) << s << "\n" << Transcript();
    }
}

// Product transactions are listed by activity number (key 3) with their
// columns; the file stays on a pick unless the restore flag is set, and
// the caller's key comes back.
TEST_F(HistoryLookups, ProductTransactionsOpenInActivityNumberOrder)
{
    for (const char* row : {"P1 3", "P2 1", "P1 2"}) {
        TagProductActivity a{};
        std::snprintf(a.Code, sizeof a.Code, "%.2s", row);
        std::snprintf(a.Number, sizeof a.Number, "%10s", row + 3);
        Insert(FileNo::ProductActivity, a);
    }
    const uint16_t handle = Open(FileNo::ProductActivity);
    auto positionOf = [&](const char* code, const char* number) {
        char n[16] = {};
        std::snprintf(n, sizeof n, "%10s", number);
        return PositionOf<TagProductActivity>(handle, code, 15, n);
    };
    const uint32_t callerAt = positionOf("P1", "3");
    struct Case {
        int restore;
        const char* script;
        int picked;
        const char* code;
        const char* number;
        const char* standsCode;
        const char* standsNumber;
    };
    const Case cases[] = {
        {0, "key Enter\n", 1, "P2", "1", "P2", "1"},
        {0, "key Down\nkey Enter\n", 1, "P1", "2", "P1", "2"},
        {1, "key Down\nkey Enter\n", 1, "P1", "2", "P1", "3"},
        {1, "key Esc\n", 0, "", "", "P1", "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.restore) + " " + c.script);
        TagProductActivity buffer{};
        std::memcpy(&buffer, &callerAt, 4);
        char key[256] = {};
        ASSERT_EQ(BtrSetDefaults(handle, 1, -1), 0);
        ASSERT_EQ(BtrGet(B_GET_DIRECT, handle, key, &buffer, sizeof buffer), 0);
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad(c.script), 0);
        TagProductActivity a{};
        EXPECT_EQ(FlyTranP(nullptr, c.restore, handle, &a, 4, 4, 13, 76), c.picked) << Transcript();
        EXPECT_TRUE(Saw("list open \"Product Transactions\"")) << Transcript();
        EXPECT_TRUE(Saw("list line \"Product Transactions - FlyTranP\"")) << Transcript();
        EXPECT_TRUE(Saw("list heading \"Number     Date")) << Transcript();
        EXPECT_TRUE(Saw("list row 1 > \"1 ")) << Transcript();
        EXPECT_STREQ(a.Code, c.code);
        char number[sizeof a.Number + 1] = {};
        std::snprintf(number, sizeof number, "%s", a.Number);
        EXPECT_STREQ(std::string(number).erase(0, std::string(number).find_first_not_of(' ')).c_str(), c.number);
        const uint32_t here = Current(handle);
        EXPECT_EQ(here, positionOf(c.standsCode, c.standsNumber)) << Transcript();
        EXPECT_EQ(Key(handle), 1);
    }
}

// ---- purchase history

class PurchaseHistory : public HistoryLookups {
protected:
    // A caller's file of purchase rows, keyed by date.
    uint16_t MakeFile()
    {
        const std::string path = data_ + "/PURCHIST.DB";
        TagFileSpec spec{};
        spec.RecordLength = sizeof(PurchHistRecord);
        spec.PageSize = 4096;
        spec.KeyCount = 1;
        TagKeySegment segment{};
        segment.Position = 1;
        segment.Length = 4;
        segment.Flags = KF_DUPLICATES | KF_MODIFIABLE | KF_EXTENDED;
        segment.Type = KT_INTEGER;
        EXPECT_EQ(BtrCreateFile(path.c_str(), &spec, &segment), 0);
        uint16_t handle = 0;
        EXPECT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
        handles_.push_back(handle);
        return handle;
    }

    static void Put(uint16_t handle, int32_t date, const char* item, double quantity, double price)
    {
        PurchHistRecord r{};
        r.Date = date;
        std::snprintf(r.ItemType, sizeof r.ItemType, "Product");
        std::snprintf(r.ItemNo, sizeof r.ItemNo, "%s", item);
        std::snprintf(r.Description, sizeof r.Description, "%s described", item);
        r.PackSize = 1;
        r.Quantity = quantity;
        r.Price = price;
        r.Extended = quantity * price;
        char key[256] = {};
        ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &r, sizeof r), 0);
    }
};

// The list shows the eight fixed columns over the caller's rows by key 0;
// F10 and Enter pick the row under the cursor into the caller's buffer,
// Esc picks nothing.
TEST_F(PurchaseHistory, ListShowsTheFixedColumnsAndF10Picks)
{
    const uint16_t handle = MakeFile();
    const int32_t today = FxToday();
    Put(handle, today, "W2", 2.0, 3.5);
    Put(handle, today - 10, "W1", 1.0, 12.25);
    struct Case {
        const char* script;
        int picked;
        const char* item;
        const char* cells;  // the cells of the row picked
    };
    const Case cases[] = {
        {"key Down\nkey F10\n", 1, "W2", "| Product | W2 | W2 described | 2.0000 | 3.5000 | 0.00 | 7.00\""},
        {"key F10\n", 1, "W1", "| Product | W1 | W1 described | 1.0000 | 12.2500 | 0.00 | 12.25\""},
        {"key Down\nkey Enter\n", 1, "W2", "| Product | W2 | W2 described | 2.0000 | 3.5000 | 0.00 | 7.00\""},
        {"key Esc\n", 0, "", "list note \"cancelled\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad(c.script), 0);
        PurchHistRecord r{};
        EXPECT_EQ(FlyCustPurchaseHistory(handle, &r), c.picked) << Transcript();
        EXPECT_TRUE(Saw("list open \"Lookup Customer Purchase History\" 5,15")) << Transcript();
        EXPECT_TRUE(Saw("list heading \"Sales Date Item Type")) << Transcript();
        EXPECT_TRUE(Saw(c.cells)) << Transcript();
        if (c.picked) {
            EXPECT_STREQ(r.ItemNo, c.item) << Transcript();
        }
    }
    // without a buffer there is nothing to pick into
    FxTranscriptClear();
    EXPECT_EQ(FlyCustPurchaseHistory(handle, nullptr), 0);
    EXPECT_FALSE(Saw("list open")) << Transcript();
}

// The column table answers by table and field name (blanks at the ends
// ignored), 4 for a name it does not hold; the list control makes
// purchase-history columns.
TEST_F(PurchaseHistory, ColumnInfoAnswersFromTheFixedTable)
{
    struct Case {
        const char* table;
        const char* field;
        int status;
        int offset, offset2, type;
        const char* caption;
        const char* picture;
    };
    const Case cases[] = {
        {"PurcHist", "Date", 0, 0, 0, COLUMN_DATE, "Sales Date", "%-10s"},
        {" PurcHist ", " Qty ", 0, 75, 73, COLUMN_AMOUNT, "Quantity", "%11.4f"},
        {"PurcHist", "Exteded", 0, 99, 0, COLUMN_DOUBLE, "Extended", "%12.2f"},
        {"PurcHist", "Unknown", B_KEY_NOT_FOUND, 0, 0, 0, "", ""},
        {"PurcHist", "", B_KEY_NOT_FOUND, 0, 0, 0, "", ""},
        {"Other", "Qty", B_KEY_NOT_FOUND, 0, 0, 0, "", ""},
        {"PurcHistX", "Qty", B_KEY_NOT_FOUND, 0, 0, 0, "", ""},
    };
    CPurchHistListCtrl list(0);
    TagLookUpField field = CPurchHistColumn::Columns()[0];
    CDbLookupColumn* made = list.CreateColumn(&field, nullptr);
    auto* column = dynamic_cast<CPurchHistColumn*>(made);
    ASSERT_NE(column, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.table) + "/" + c.field);
        TagDictFieldSpec spec{};
        EXPECT_EQ(column->PurchHistColumnInfo(c.table, c.field, &spec), c.status);
        EXPECT_EQ(column->ReadColumnInfo(c.table, c.field, &spec), c.status);
        if (c.status != 0)
            continue;
        EXPECT_STREQ(spec.FileName, "PurcHist");
        EXPECT_EQ(spec.Value2, c.offset);
        EXPECT_EQ(spec.Value3, c.offset2);
        EXPECT_EQ(spec.FieldType, c.type);
        EXPECT_STREQ(spec.Caption, c.caption);
        EXPECT_STREQ(spec.Name, c.picture);
    }
    delete made;
    int count = 0;
    for (const TagLookUpField* f = CPurchHistColumn::Columns(); f->Type != 0; ++f)
        ++count;
    EXPECT_EQ(count, PURCH_HIST_COLUMNS);
}

}  // namespace
