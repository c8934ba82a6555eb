// The transaction browse screens: each lists its file, F6 deletes what the
// screen lets it delete, a header goes with its lines, and the last line of
// a document offers its header.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/records/items.h"
#include "bwps/records/products.h"
#include "bwps/records/sales.h"
#include "bwps/serials.h"
#include "bwps/stations.h"
#include "bwps/table.h"
#include "extensions/utilities/utilities.h"
#include "extensions/utilities/verify_records.h"
#include "fx.h"
#include "recman.h"
#include "tests/extensions/utilities/fixture.h"

using bwps::FileNo;
using bwps::No;

namespace utiltest {
namespace {

class BrowseTest : public UtilitiesTest {
protected:
    void SetUp() override
    {
        UtilitiesTest::SetUp();
        if (!IsSkipped())
            LoadResources();
    }
    void Layaway(const char* number)
    {
        LayawayHeaderRecord h{};
        std::snprintf(h.Number, sizeof h.Number, "%s", number);
        ASSERT_EQ(Insert(No(FileNo::LayawayHeader), &h, sizeof h), 0);
    }
    void LayawayLine(const char* number, const char* code)
    {
        LayawayLineRecord l{};
        std::snprintf(l.Number, sizeof l.Number, "%s", number);
        std::snprintf(l.ProductCode, sizeof l.ProductCode, "%s", code);
        l.LineType = 'P';
        ASSERT_EQ(Insert(No(FileNo::LayawayDetail), &l, sizeof l), 0);
    }
    void Document(FileNo file, const char* number, uint16_t flags)
    {
        TagSalesHdr h{};
        std::snprintf(h.InvoiceNo, sizeof h.InvoiceNo, "%s", number);
        h.Type = 1;
        h.Flags = flags;
        h.FirstLineOffset = -1;
        ASSERT_EQ(Insert(No(file), &h, sizeof h), 0);
    }
    void DocumentLine(FileNo file, const char* number, int16_t line)
    {
        TagSalesDetail l{};
        std::snprintf(l.InvoiceNo, sizeof l.InvoiceNo, "%s", number);
        l.LineNo = line;
        l.Kind = 'M';
        ASSERT_EQ(Insert(No(file), &l, sizeof l), 0);
    }
    std::vector<std::string> Numbers(FileNo file)
    {
        std::vector<std::string> numbers;
        for (const std::string& r : Records(FilePath(No(file))))
            numbers.push_back(std::string(r.c_str()));
        return numbers;
    }
    bool Shown(const char* text) { return std::string(FxTranscript()).find(text) != std::string::npos; }
};

using Texts = std::vector<std::string>;

// An invoice whose lines carry serial movements: deleting it removes them
// (undoing them on their units) in the delete's transaction; when one of
// them cannot go, the invoice, its lines and every movement stay.
TEST_F(BrowseTest, DeletingAnInvoiceTakesItsSerialMovementsOrNothing)
{
    const auto serialSale = [&](const char* number, uint32_t link) {
        Document(FileNo::SalesHeader, number, 0);
        TagSalesDetail l{};
        std::snprintf(l.InvoiceNo, sizeof l.InvoiceNo, "%s", number);
        l.LineNo = 1;
        l.Kind = 'M';
        l.HasSerials = 'Y';
        l.SerialLink = link;
        ASSERT_EQ(Insert(No(FileNo::SalesDetail), &l, sizeof l), 0);
    };
    {
        bwps::Table units, movements;
        ASSERT_TRUE(units.Open(FileNo::SerialNumbers).Ok());
        ASSERT_TRUE(movements.Open(FileNo::SerialDetail).Ok());
        for (auto [serial, effect, date] : {std::tuple{"S1", 'A', 100}, std::tuple{"S1", 'R', 150},
                                            std::tuple{"S2", 'R', 160}}) {
            TagSerialMovement m{};
            std::snprintf(m.Code, sizeof m.Code, "TV");
            std::snprintf(m.Serial, sizeof m.Serial, "%s", serial);
            m.Effect = effect;
            m.Date = date;
            ASSERT_EQ(AddSerialMovement(movements.Handle(), units.Handle(), &m, nullptr), 1);
        }
    }
    serialSale("D1", 2);  // sold S1
    serialSale("D2", 3);  // sold S2
    const auto movementsLeft = [&] { return Records(FilePath(No(FileNo::SerialDetail))).size(); };

    // another station holds D1's movement: nothing goes
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t station = fork();
    if (station == 0) {
        bwps::Table movements;
        char byte = 'n';
        if (movements.Open(FileNo::SerialDetail).Ok()) {
            movements.SetKey(SERIAL_KEY_LINK);
            bwps::KeyBuffer key;
            key.Set(uint32_t{2});
            TagSerialMovement m{};
            if (movements.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, m).Ok())
                byte = 'y';
        }
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(done[0], &byte, 1);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    Script("key F6\nanswer Yes\nkey Esc\n");
    ViewTransactions(No(FileNo::SalesHeader));
    (void)!::write(done[1], "x", 1);
    ::waitpid(station, nullptr, 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
    EXPECT_EQ(Numbers(FileNo::SalesHeader), (Texts{"D1", "D2"}));
    EXPECT_EQ(Numbers(FileNo::SalesDetail), (Texts{"D1", "D2"}));
    EXPECT_EQ(movementsLeft(), 3u);

    // and once it is free, D1 goes with its movement; S1 is in stock again
    Script("key F6\nanswer Yes\nkey Esc\n");
    ViewTransactions(No(FileNo::SalesHeader));
    EXPECT_EQ(Numbers(FileNo::SalesHeader), (Texts{"D2"}));
    EXPECT_EQ(Numbers(FileNo::SalesDetail), (Texts{"D2"}));
    EXPECT_EQ(movementsLeft(), 2u);
    bool s1InStock = false;
    for (const std::string& r : Records(FilePath(No(FileNo::SerialNumbers)))) {
        TagSerialNumber u{};
        std::memcpy(&u, r.data(), std::min(r.size(), sizeof u));
        if (std::string(u.Serial) == "S1")
            s1InStock = u.Available == 'Y' && u.Date == 100;
    }
    EXPECT_TRUE(s1InStock);
}

TEST_F(BrowseTest, DeletingAHeaderTakesItsLinesAndLeavesTheOtherDocuments)
{
    struct Case {
        const char* name;
        FileNo header, detail;
        bool layaway;
    } const cases[] = {
        {"layaways", FileNo::LayawayHeader, FileNo::LayawayDetail, true},
        {"quotes", FileNo::QuoteHeader, FileNo::QuoteDetail, false},
        {"invoices with lines in the detail file", FileNo::SalesHeader, FileNo::SalesDetail, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* n : {"D1", "D2"}) {
            if (c.layaway) {
                Layaway(n);
                LayawayLine(n, "P1");
                LayawayLine(n, "P2");
            } else {
                Document(c.header, n, SALES_LINES_IN_DATA_FILE);
                DocumentLine(c.detail, n, 1);
                DocumentLine(c.detail, n, 2);
            }
        }
        // The list stands on D1; F6 asks and Yes deletes it.
        Script("key F6\nanswer Yes\nkey Esc\n");
        EXPECT_EQ(ViewTransactions(No(c.header)), 0);
        EXPECT_TRUE(Shown("Delete this transaction and all of its lines?")) << FxTranscript();
        EXPECT_EQ(Numbers(c.header), (Texts{"D2"}));
        EXPECT_EQ(Numbers(c.detail), (Texts{"D2", "D2"}));
        // Answered No: nothing goes.
        Script("key F6\nanswer No\nkey Esc\n");
        ViewTransactions(No(c.detail));
        EXPECT_EQ(Numbers(c.header), (Texts{"D2"}));
        EXPECT_EQ(Numbers(c.detail), (Texts{"D2", "D2"}));
    }
}

TEST_F(BrowseTest, TheLastLineOfADocumentOffersItsHeader)
{
    struct Case {
        const char* name;
        const char* answer;
        Texts headers;
    } const cases[] = {
        {"kept", "No", {"L1"}},
        {"deleted too", "Yes", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Layaway("L1");
        LayawayLine("L1", "P1");
        LayawayLine("L1", "P2");
        // Enter opens L1's lines; the first line goes without a question
        // about the header, the second asks.
        const std::string script = std::string("key Enter\nkey F6\nanswer Yes\nkey F6\nanswer Yes\nanswer ") +
                                   c.answer + "\nkey Esc\nkey Esc\n";
        Script(script.c_str());
        ViewTransactions(No(FileNo::LayawayHeader));
        EXPECT_TRUE(Shown("The transaction has no lines left. Delete the transaction too?")) << FxTranscript();
        EXPECT_EQ(Numbers(FileNo::LayawayDetail), Texts{});
        EXPECT_EQ(Numbers(FileNo::LayawayHeader), c.headers);
        FxTranscriptClear();
        for (const std::string& n : Numbers(FileNo::LayawayHeader)) {
            (void)n;
            Script("key F6\nanswer Yes\nkey Esc\n");
            ViewTransactions(No(FileNo::LayawayHeader));
        }
    }
}

// An invoice whose lines live in its register's file: deleting it gives its
// products their quantity back, or, when that cannot be done, keeps it.
TEST_F(BrowseTest, AnInvoiceGoesOnlyWithItsReversal)
{
    struct Case {
        const char* name;
        bool product;        // the line's product is on file
        bool registerFile;   // the register file can be read
        bool deleted;
    } const cases[] = {
        {"reversed", true, true, true},
        {"the product is gone", false, true, false},
        {"the register file cannot be opened", true, false, false},
    };
    char path[FOLDER_BUFFER_SIZE] = {};
    BuildRegisterDetailPath(1, path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(path);
        TagProduct p{};
        std::snprintf(p.Code, sizeof p.Code, "%s", "P1");
        p.Kind = 1;
        p.Amounts[PRODUCT_SECOND_QUANTITY] = 10.0;
        if (c.product) {
            ASSERT_EQ(Insert(No(FileNo::Products), &p, sizeof p), 0);
        }
        TagSalesHdr h{};
        std::snprintf(h.InvoiceNo, sizeof h.InvoiceNo, "%s", "R1");
        h.Type = 1;
        h.RegisterNumber = 1;
        h.FirstLineOffset = 0;
        ASSERT_EQ(Insert(No(FileNo::SalesHeader), &h, sizeof h), 0);
        TagSalesDetail line{};
        std::snprintf(line.InvoiceNo, sizeof line.InvoiceNo, "%s", "R1");
        line.Kind = 'P';
        std::snprintf(line.ItemCode, sizeof line.ItemCode, "%s", "P1");
        line.Quantity = 3.0;
        if (c.registerFile) {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(&line), sizeof line);
        } else {
            std::filesystem::create_directories(path);   // a folder where the file should be
        }
        Script("key F6\nanswer Yes\nkey Enter\nkey Enter\nkey Enter\nkey Esc\n");
        ViewTransactions(No(FileNo::SalesHeader));
        EXPECT_EQ(Numbers(FileNo::SalesHeader), c.deleted ? Texts{} : Texts{"R1"}) << FxTranscript();
        const auto products = Records(FilePath(No(FileNo::Products)));
        if (c.product) {
            ASSERT_EQ(products.size(), 1u);
            TagProduct stored;
            std::memcpy(&stored, products[0].data(), sizeof stored);
            EXPECT_EQ(+stored.Amounts[PRODUCT_SECOND_QUANTITY], c.deleted ? 7.0 : 10.0);
        }
        // Start the next case afresh.
        for (FileNo f : {FileNo::SalesHeader, FileNo::Products}) {
            uint16_t handle = 0;
            ASSERT_EQ(BtrOpenFile(&handle, FilePath(No(f)).c_str(), 0, 0), 0);
            uint8_t key[256] = {};
            std::vector<uint8_t> row(4096);
            while (BtrGet(B_GET_FIRST, handle, key, row.data(), static_cast<int>(row.size())) == 0)
                ASSERT_EQ(BtrWrite(B_DELETE, handle, nullptr, row.data(), 0), 0);
            BtrCloseFile(handle);
        }
    }
    std::filesystem::remove_all(path);
}

TEST_F(BrowseTest, FilesWithoutABrowseScreenAreRefused)
{
    for (FileNo f : {FileNo::Customers, FileNo::Products, FileNo::Tenders}) {
        FxTranscriptClear();
        Script("answer Continue\n");
        EXPECT_EQ(ViewTransactions(No(f)), 0);
        EXPECT_TRUE(Shown("This file has no browse screen.")) << FxTranscript();
        EXPECT_EQ(std::string(FxTranscript()).find("list open"), std::string::npos);
    }
}

}  // namespace
}  // namespace utiltest
