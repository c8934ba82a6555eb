// The document lookups over a company's data files, through the script
// driver: sales headers, quotes, layaways, saved reconciliations and
// barcode printers (title, columns, the whole record out, the last pick and
// where the next run starts, the own key switch, where the file stands
// after a run), and the accounts that carry a check register.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/records/accounts.h"
#include "bwps/records/barcode_printers.h"
#include "bwps/records/masters.h"
#include "bwps/records/sales.h"
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

class DocumentLookups : public ::testing::Test {
protected:
    void SetUp() override
    {
        bwpstest::ResetLibraryState();
        if (!fs::exists(bwpstest::BuiltBaseFolder() / "BPOSKEY.DB"))
            GTEST_SKIP() << "the base files are not built";
        const std::string program = scratch_.path() + "/program";
        const std::string data = scratch_.path() + "/company";
        fs::create_directories(program + "/ROVAZERI");
        fs::create_directories(data);
        bwpstest::CopyBaseFolder(program);
        SessionBlock* session = GetSessionPaths();
        std::snprintf(session->ProgramPath, sizeof session->ProgramPath, "%s", program.c_str());
        std::snprintf(session->BasePath, sizeof session->BasePath, "%s/RAZAVUR", program.c_str());
        std::snprintf(session->DictionaryPath, sizeof session->DictionaryPath, "%s/ROVAZERI", program.c_str());
        std::snprintf(session->DataPath, sizeof session->DataPath, "%s", data.c_str());
        SetFolders(program.c_str(), data.c_str(), (program + "/RAZAVUR").c_str());
        FxSetProductNumber(4);  // the point of sale: its dictionary table names
        FxOpenStringFiles((program + "/RAZAVUR").c_str(), GetDataFileName(bwps::No(FileNo::Resources1)),
                          GetDataFileName(bwps::No(FileNo::Resources2)));
        ASSERT_EQ(CreateMissingDataFiles(data.c_str()), 0);
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
        EXPECT_EQ(BtrOpenFile(&handle, GetDataFilePath(bwps::No(file)), 0, 0), 0) << bwps::No(file);
        handles_.push_back(handle);
        return handle;
    }

    // Inserts the record; one already there (two lists over one file)
    // stays.
    template <typename Record>
    void Insert(FileNo file, const Record& record)
    {
        const uint16_t handle = Open(file);
        char key[256] = {};
        const int st = BtrWrite(B_INSERT, handle, key, const_cast<Record*>(&record), sizeof record);
        ASSERT_TRUE(st == 0 || st == B_DUPLICATE_KEY) << bwps::No(file) << " status " << st;
    }

    static std::string Transcript() { return FxTranscript(); }
    static bool Saw(const std::string& text) { return Transcript().find(text) != std::string::npos; }

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

    // Puts the file on the record whose key 0 is the text, under the key
    // given; its position.
    static uint32_t StandOn(uint16_t handle, const char* key0, int length, int key)
    {
        std::vector<uint8_t> record(static_cast<size_t>(length));
        char k[256] = {};
        std::snprintf(k, sizeof k, "%s", key0);
        BtrSetDefaults(handle, 0, -1);
        uint32_t position = 0;
        EXPECT_EQ(BtrGet(B_GET_EQUAL, handle, k, record.data(), length), 0) << key0;
        BtrPosition(B_GET_DIRECT, handle, &position);
        std::memcpy(record.data(), &position, 4);
        EXPECT_EQ(BtrSetDefaults(handle, key, -1), 0);
        EXPECT_EQ(BtrGet(B_GET_DIRECT, handle, k, record.data(), length), 0);
        return position;
    }

    bwpstest::ScratchFolder scratch_{"documents"};
    std::vector<uint16_t> handles_;
};

// The records of each list: a number right-aligned in 10 as the documents
// store them, a second text that sorts the other way round under key 1 and
// a mark far into the record.
TagSalesHdr Sale(const char* number, const char* name, double total)
{
    TagSalesHdr h{};
    std::snprintf(h.InvoiceNo, sizeof h.InvoiceNo, "%10s", number);
    std::snprintf(h.CustomerNo, sizeof h.CustomerNo, "C%s", number);
    std::snprintf(h.CustomerName, sizeof h.CustomerName, "%s", name);
    h.TranDate = FxDateParse("03/04/2024");
    h.InvoiceTotal = total;
    h.Tendered = total + 1;
    h.ChangeGiven = 1;
    h.TotalCost = total / 2;
    h.DepositKey2 = 4711;
    return h;
}

LayawayRecord Layaway(const char* number, const char* customer, double prepaid)
{
    LayawayRecord r{};
    std::snprintf(r.Number, sizeof r.Number, "%10s", number);
    std::snprintf(r.Customer, sizeof r.Customer, "%s", customer);
    std::snprintf(reinterpret_cast<char*>(r.Data22), 41, "name of %s", customer);
    r.Prepayments = prepaid;
    r.Data153[18] = 0x5A;
    return r;
}

RegisterReconRecord Saved(const char* name, int mark)
{
    RegisterReconRecord r{};
    std::snprintf(r.Name, sizeof r.Name, "%s", name);
    r.Date = FxDateParse("05/06/2024");
    auto* bytes = reinterpret_cast<uint8_t*>(&r.Register);
    bytes[sizeof r.Register - 1] = static_cast<uint8_t>(mark);
    return r;
}

BarcodePrinterRecord Printer(const char* code, const char* name, const char* port)
{
    BarcodePrinterRecord r{};
    std::snprintf(r.Code, sizeof r.Code, "%s", code);
    std::snprintf(r.Name, sizeof r.Name, "%s", name);
    std::snprintf(r.Port, sizeof r.Port, "%s", port);
    return r;
}

// A number as the list shows it: without its leading blanks.
std::string Shown(const std::string& key)
{
    return key.substr(std::min(key.find_first_not_of(' '), key.size()));
}

using Runner = std::function<int(const char* start, int restore, uint16_t handle, void* record)>;

struct List {
    const char* name;
    FileNo file;
    int length;
    const char* title;
    const char* heading;  // the heading line begins so
    const char* caption;  // the second title line, or null
    int docType;          // -1: no last pick
    bool toggles;         // Shift+F9 switches key 0 and key 1
    Runner run;
    // Writes three records: key-0 order first, second, third; key-1 order
    // third, second, first. Gives the stored number of each.
    std::function<std::vector<std::string>(DocumentLookups&)> fill;
};

class DocumentLists : public DocumentLookups {
protected:
    std::vector<List> Lists()
    {
        auto sales = [this](FileNo file) {
            return [this, file](DocumentLookups&) {
                Insert(file, Sale("1001", "Zoe", 10));
                Insert(file, Sale("1002", "Max", 20));
                Insert(file, Sale("1003", "Abe", 30));
                return std::vector<std::string>{"      1001", "      1002", "      1003"};
            };
        };
        return {
            {"invoices", FileNo::SalesHeader, 586, "Invoices", "Invoice Number Document Date Date",
             "Invoices - FlyInv", LOOKUP_INVOICES, true,
             [](const char* s, int r, uint16_t h, void* rec) { return FlyInv(s, r, h, rec, 4, 4, 13, 70); },
             sales(FileNo::SalesHeader)},
            {"invoice transactions", FileNo::SalesHeader, 586, "Invoices",
             "Invoice Number Document Date   Total Cost", "Invoices - FlyInvTran", LOOKUP_INVOICES, true,
             [](const char* s, int r, uint16_t h, void* rec) { return FlyInvTran(s, r, h, rec, 4, 4, 13, 70); },
             sales(FileNo::SalesHeader)},
            {"quotes", FileNo::QuoteHeader, 586, "Quotes", "Invoice Number Customer   Date", nullptr, LOOKUP_QUOTES, true,
             [](const char* s, int r, uint16_t h, void* rec) { return FlyInvoices(s, r, h, rec, 4, 4, 13, 70); },
             sales(FileNo::QuoteHeader)},
            {"layaways", FileNo::LayawayHeader, 172, "Layaways", "Layaway Number Customer   Customer Name", nullptr, LOOKUP_LAYAWAYS,
             true,
             [](const char* s, int r, uint16_t h, void* rec) { return FlyLayaways(s, r, h, rec, 4, 4, 13, 70); },
             [this](DocumentLookups&) {
                 Insert(FileNo::LayawayHeader, Layaway("7", "ZED", 1));
                 Insert(FileNo::LayawayHeader, Layaway("8", "MAY", 2));
                 Insert(FileNo::LayawayHeader, Layaway("9", "ADA", 3));
                 return std::vector<std::string>{"         7", "         8", "         9"};
             }},
            {"saved reconciliations", FileNo::RegisterReconciliations, 793, "Saved Sales", "Name        Date",
             nullptr, -1, false,
             [](const char* s, int r, uint16_t h, void* rec) { return FlySavedSales(s, r, h, rec, 4, 4, 13, 70); },
             [this](DocumentLookups&) {
                 Insert(FileNo::RegisterReconciliations, Saved("EVENING", 1));
                 Insert(FileNo::RegisterReconciliations, Saved("MONDAY", 2));
                 Insert(FileNo::RegisterReconciliations, Saved("NOON", 3));
                 return std::vector<std::string>{"EVENING", "MONDAY", "NOON"};
             }},
            {"barcode printers", FileNo::BarcodePrinters, 50, " LookUp Barcode Printers ",
             "Printer        Name           Port", nullptr, -1, true,
             [](const char* s, int r, uint16_t h, void* rec) {
                 return FlyBarcodePrinters(s, r, h, rec, 4, 4, 13, 70, 0);
             },
             [this](DocumentLookups&) {
                 Insert(FileNo::BarcodePrinters, Printer("BP1", "Zebra", "LPT1"));
                 Insert(FileNo::BarcodePrinters, Printer("BP2", "Mono", "COM1"));
                 Insert(FileNo::BarcodePrinters, Printer("BP3", "Aisle", "COM2"));
                 return std::vector<std::string>{"BP1", "BP2", "BP3"};
             }},
        };
    }

    // The stored record whose key 0 is the text.
    std::vector<uint8_t> Stored(const List& list, const std::string& key0)
    {
        const uint16_t handle = Open(list.file);
        std::vector<uint8_t> record(static_cast<size_t>(list.length));
        char k[256] = {};
        std::snprintf(k, sizeof k, "%s", key0.c_str());
        BtrSetDefaults(handle, 0, -1);
        EXPECT_EQ(BtrGet(B_GET_EQUAL, handle, k, record.data(), list.length), 0) << key0;
        return record;
    }
};

TEST_F(DocumentLists, EachListShowsItsColumnsAndCopiesTheWholePick)
{
    for (const List& list : Lists()) {
        SCOPED_TRACE(list.name);
        const std::vector<std::string> keys = list.fill(*this);
        const uint16_t handle = Open(list.file);
        std::vector<uint8_t> record(static_cast<size_t>(list.length), 0);
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad("key Home\nkey Down\nkey Enter\n"), 0);
        ASSERT_EQ(list.run(nullptr, 0, handle, record.data()), 1) << Transcript();
        EXPECT_TRUE(Saw(std::string("list open \"") + list.title + "\"")) << Transcript();
        EXPECT_TRUE(Saw(std::string("list heading \"") + list.heading)) << Transcript();
        if (list.caption != nullptr) {
            EXPECT_TRUE(Saw(std::string("list line \"") + list.caption + "\"")) << Transcript();
        }
        EXPECT_TRUE(Saw("list row 1 > \"" + Shown(keys[0]) + " ")) << Transcript();
        EXPECT_TRUE(record == Stored(list, keys[1])) << Transcript();
        if (list.docType >= 0) {
            EXPECT_EQ(std::string(DocLookUpLastPick(list.docType)), keys[1]);
        }
        if (list.docType == LOOKUP_QUOTES) { // the quote's customer is kept with its number
            EXPECT_STREQ(DocLookUpLastPickText(LOOKUP_QUOTES), "C1002");
        }

        // a cancel copies nothing and is no pick
        std::vector<uint8_t> untouched(static_cast<size_t>(list.length), 0xEE);
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad("key Down\nkey Esc\n"), 0);
        EXPECT_EQ(list.run(nullptr, 0, handle, untouched.data()), 0) << Transcript();
        EXPECT_EQ(untouched, std::vector<uint8_t>(static_cast<size_t>(list.length), 0xEE));
        if (list.docType >= 0) {
            EXPECT_EQ(std::string(DocLookUpLastPick(list.docType)), keys[1]);
        }
    }
}

// A number typed into a document list finds the document stored
// right-aligned; a name typed into the other lists finds it as typed.
TEST_F(DocumentLists, TypedTextFindsTheDocument)
{
    for (const List& list : Lists()) {
        SCOPED_TRACE(list.name);
        const std::vector<std::string> keys = list.fill(*this);
        const uint16_t handle = Open(list.file);
        for (size_t i : {size_t{2}, size_t{0}}) {
            std::vector<uint8_t> record(static_cast<size_t>(list.length), 0);
            FxTranscriptClear();
            ASSERT_EQ(FxScriptLoad(("type " + Shown(keys[i]) + "\nkey Enter\n").c_str()), 0);
            ASSERT_EQ(list.run(nullptr, 0, handle, record.data()), 1) << Transcript();
            EXPECT_TRUE(record == Stored(list, keys[i])) << keys[i] << Transcript();
        }
    }
}

// Shift+F9 of the list switches to key 1 (the second text) and back; the
// caller's key comes back after the run. Lists without the switch keep
// their order.
TEST_F(DocumentLists, ShiftF9SwitchesBetweenKeyZeroAndKeyOne)
{
    struct Case {
        const char* script;
        int switched;  // index into the key-0 order of the pick
        int kept;      // ... of a list without the switch
    };
    const Case cases[] = {
        {"key Shift+F9\nkey Home\nkey Enter\n", 2, 0},
        {"key Shift+F9\nkey End\nkey Enter\n", 0, 2},
        {"key Shift+F9\nkey Shift+F9\nkey Home\nkey Enter\n", 0, 0},
        {"key Shift+F9\nkey Shift+F9\nkey End\nkey Enter\n", 2, 2},
    };
    for (const List& list : Lists()) {
        const std::vector<std::string> keys = list.fill(*this);
        const uint16_t handle = Open(list.file);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(list.name) + ": " + c.script);
            ASSERT_EQ(BtrSetDefaults(handle, 0, -1), 0);
            std::vector<uint8_t> record(static_cast<size_t>(list.length), 0);
            FxTranscriptClear();
            ASSERT_EQ(FxScriptLoad(c.script), 0);
            ASSERT_EQ(list.run(nullptr, 0, handle, record.data()), 1) << Transcript();
            const int picked = list.toggles ? c.switched : c.kept;
            EXPECT_TRUE(record == Stored(list, keys[static_cast<size_t>(picked)])) << Transcript();
            EXPECT_EQ(Key(handle), 0);
        }
    }
}

// After a pick in the invoice list the next invoice or invoice-transaction
// list starts at the picked number; a typed number is searched
// right-aligned; the layaway and quote lists keep their own last picks.
TEST_F(DocumentLists, LastInvoicePickStartsTheNextInvoiceList)
{
    for (const char* number : {"1001", "1002", "1003"})
        Insert(FileNo::SalesHeader, Sale(number, "x", 1));
    const uint16_t handle = Open(FileNo::SalesHeader);
    TagSalesHdr h{};
    FxTranscriptClear();
    ASSERT_EQ(FxScriptLoad("type 1003\nkey Enter\n"), 0);
    ASSERT_EQ(FlyInv(nullptr, 0, handle, &h, 4, 4, 13, 70), 1) << Transcript();
    EXPECT_STREQ(h.InvoiceNo, "      1003") << Transcript();

    struct Case {
        const char* name;
        std::function<int(void*)> run;
    };
    const Case next[] = {
        {"invoices", [&](void* r) { return FlyInv(nullptr, 0, handle, r, 4, 4, 13, 70); }},
        {"invoice transactions", [&](void* r) { return FlyInvTran(nullptr, 0, handle, r, 4, 4, 13, 70); }},
    };
    for (const Case& c : next) {
        SCOPED_TRACE(c.name);
        TagSalesHdr again{};
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad("key Enter\n"), 0);
        ASSERT_EQ(c.run(&again), 1) << Transcript();
        EXPECT_STREQ(again.InvoiceNo, "      1003") << Transcript();
    }
    EXPECT_STREQ(DocLookUpLastPick(LOOKUP_LAYAWAYS), "");
    EXPECT_STREQ(DocLookUpLastPick(LOOKUP_QUOTES), "");
    // a start text wins over the last pick
    FxTranscriptClear();
    ASSERT_EQ(FxScriptLoad("key Enter\n"), 0);
    ASSERT_EQ(FlyInvTran("1001", 0, handle, &h, 4, 4, 13, 70), 1) << Transcript();
    EXPECT_STREQ(h.InvoiceNo, "      1001") << Transcript();
}

// Where the file stands after a run that the caller started on the last
// record under key 0: the sales-header lists stay on the pick whatever the
// restore flag; the saved reconciliations go back with the flag, and
// without it are left where the list left them. The pick is copied either
// way.
TEST_F(DocumentLists, FileStandsWhereEachListLeavesIt)
{
    struct Case {
        const char* list;
        int restore;
        const char* script;
        int endsOn;  // index into the key-0 order
        int picked;  // -1: none
    };
    const Case cases[] = {
        {"invoices", 0, "key Home\nkey Down\nkey Enter\n", 1, 1},
        {"invoices", 1, "key Home\nkey Down\nkey Enter\n", 1, 1},
        {"invoices", 1, "key Home\nkey Down\nkey Esc\n", 2, -1},
        {"saved reconciliations", 1, "key Home\nkey Down\nkey Enter\n", 2, 1},
        {"saved reconciliations", 1, "key Home\nkey Esc\n", 2, -1},
        {"saved reconciliations", 0, "key Home\nkey Down\nkey Enter\n", 1, 1},
        {"barcode printers", 1, "key Home\nkey Down\nkey Enter\n", 1, 1},
    };
    std::vector<List> lists = Lists();
    std::vector<std::vector<std::string>> keys(lists.size());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " restore " + std::to_string(c.restore) + " " + c.script);
        for (size_t i = 0; i < lists.size(); ++i) {
            const List& list = lists[i];
            if (list.name != std::string(c.list))
                continue;
            if (keys[i].empty())
                keys[i] = list.fill(*this);
            const uint16_t handle = Open(list.file);
            StandOn(handle, keys[i][2].c_str(), list.length, 0);
            std::vector<uint8_t> record(static_cast<size_t>(list.length), 0);
            FxTranscriptClear();
            ASSERT_EQ(FxScriptLoad(c.script), 0);
            EXPECT_EQ(list.run(nullptr, c.restore, handle, record.data()), c.picked >= 0 ? 1 : 0) << Transcript();
            if (c.picked >= 0) {
                EXPECT_TRUE(record == Stored(list, keys[i][static_cast<size_t>(c.picked)])) << Transcript();
            }
            const uint32_t expected = StandOn(Open(list.file), keys[i][static_cast<size_t>(c.endsOn)].c_str(),
                                              list.length, 0);
            EXPECT_EQ(Current(handle), expected) << Transcript();
            EXPECT_EQ(Key(handle), 0);
        }
    }
}

// ---- accounts with a check register

class CheckAccounts : public DocumentLookups {
protected:
    void Account(const char* number, char flag)
    {
        TagAccount a{};
        std::snprintf(a.Number, sizeof a.Number, "%s", number);
        std::snprintf(a.Description, sizeof a.Description, "account %s", number);
        a.Kind = 'D';
        a.CheckRegister = flag;
        a.RecordStatus = 'A';
        Insert(FileNo::Accounts, a);
    }
};

// Only the accounts flagged 'Y' are listed, whatever the others hold; the
// first, last and the steps past either end stay among them; a start text
// or a typed number lands on that account; the caller's key comes back.
TEST_F(CheckAccounts, ListOnlyTheFlaggedAccounts)
{
    Account("1000", 'N');
    Account("1100", 'Y');
    Account("1200", '\0');
    Account("1300", 'Y');
    Account("1400", 'y');
    Account("1500", 'Y');
    Account("1600", 'N');
    Account("1700", ' ');
    const uint16_t handle = Open(FileNo::Accounts);
    struct Case {
        const char* start;
        const char* script;
        const char* picked;
    };
    const Case cases[] = {
        {nullptr, "key Enter\n", "1100"},
        {nullptr, "key End\nkey Enter\n", "1500"},
        {nullptr, "key End\nkey Down\nkey Down\nkey Enter\n", "1500"},
        {nullptr, "key Home\nkey Up\nkey Enter\n", "1100"},
        {nullptr, "key Down\nkey Down\nkey Down\nkey Enter\n", "1500"},
        {"1300", "key Enter\n", "1300"},
        {"1250", "key Enter\n", "1300"},
        {"1300", "key Down\nkey Enter\n", "1500"},
        {nullptr, "type 1500\nkey Enter\n", "1500"},
        {"1100", "type 13\nkey Enter\n", "1300"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start ? c.start : "no start") + ": " + c.script);
        ASSERT_EQ(BtrSetDefaults(handle, 1, -1), 0);
        TagAccount a{};
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad(c.script), 0);
        ASSERT_EQ(FlyAccountFiltered(c.start, handle, &a, 4, 4, 13, 60, nullptr), 1) << Transcript();
        EXPECT_STREQ(a.Number, c.picked) << Transcript();
        EXPECT_TRUE(Saw("list open \"Accounts\"")) << Transcript();
        EXPECT_TRUE(Saw("list heading \"Account Number Description")) << Transcript();
        for (const char* other : {"1000", "1200", "1400", "1600", "1700"})
            EXPECT_FALSE(Saw(std::string("\"") + other)) << other << Transcript();
        EXPECT_EQ(Key(handle), 1);
    }
}

TEST_F(CheckAccounts, NoFlaggedAccountOpensAnEmptyList)
{
    Account("1000", 'N');
    Account("1200", '\0');
    const uint16_t handle = Open(FileNo::Accounts);
    for (const char* script : {"key Enter\n", "key End\nkey Enter\n"}) {
        SCOPED_TRACE(script);
        TagAccount a{};
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad(script), 0);
        EXPECT_EQ(FlyAccountFiltered(nullptr, handle, &a, 4, 4, 13, 60, nullptr), 0) << Transcript();
        EXPECT_TRUE(Saw("list empty")) << Transcript();
        EXPECT_FALSE(Saw("\"1000")) << Transcript();
    }
}

// F8 and F9 go to the caller's key handler with the highlighted account in
// the record buffer.
TEST_F(CheckAccounts, KeyHandlerSeesTheHighlightedAccount)
{
    Account("1100", 'Y');
    Account("1200", 'N');
    Account("1300", 'Y');
    const uint16_t handle = Open(FileNo::Accounts);
    static std::string seen;
    seen.clear();
    FxHandler handler = [](void* argument) {
        auto* l = static_cast<TagLookUp*>(argument);
        seen += static_cast<const TagAccount*>(l->Data->Record)->Number;
        seen += ";";
        return 0;
    };
    TagAccount a{};
    FxTranscriptClear();
    ASSERT_EQ(FxScriptLoad("key F8\nkey Down\nkey F9\nkey Esc\n"), 0);
    EXPECT_EQ(FlyAccountFiltered(nullptr, handle, &a, 4, 4, 13, 60, handler), 0) << Transcript();
    EXPECT_EQ(seen, "1100;1300;") << Transcript();
}

}  // namespace
