// Verification of the transaction files: documents whose lines do not add
// up to their total go (invoices become voids), lines without a header go,
// and each file's list says what was done.
#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/records/assemblies.h"
#include "bwps/records/sales.h"
#include "bwps/stations.h"
#include "extensions/utilities/utilities.h"
#include "extensions/utilities/verify_records.h"
#include "fx.h"
#include "recman.h"
#include "tests/extensions/utilities/fixture.h"

namespace fs = std::filesystem;
using bwps::FileNo;
using bwps::No;

namespace utiltest {
namespace {

std::string ReadText(const char* name)
{
    std::ifstream in(name);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class VerifyTest : public UtilitiesTest {
protected:
    void Layaway(const char* number, double total)
    {
        LayawayHeaderRecord h{};
        std::snprintf(h.Number, sizeof h.Number, "%s", number);
        h.Total = total;
        ASSERT_EQ(Insert(No(FileNo::LayawayHeader), &h, sizeof h), 0);
    }
    void LayawayLine(const char* number, char type, double amount)
    {
        LayawayLineRecord l{};
        std::snprintf(l.Number, sizeof l.Number, "%s", number);
        l.LineType = type;
        l.Amount = amount;
        ASSERT_EQ(Insert(No(FileNo::LayawayDetail), &l, sizeof l), 0);
    }
    void Document(FileNo file, const char* number, char type, double total)
    {
        TagSalesHdr h{};
        std::snprintf(h.InvoiceNo, sizeof h.InvoiceNo, "%s", number);
        h.Type = type;
        h.CashAmount = total;
        h.FirstLineOffset = -1;
        h.Flags = SALES_LINES_IN_DATA_FILE;
        ASSERT_EQ(Insert(No(file), &h, sizeof h), 0);
    }
    void DocumentLine(FileNo file, const char* number, int16_t line, char kind, double amount)
    {
        TagSalesDetail l{};
        std::snprintf(l.InvoiceNo, sizeof l.InvoiceNo, "%s", number);
        l.LineNo = line;
        l.Kind = kind;
        l.Quantity2 = amount;
        ASSERT_EQ(Insert(No(file), &l, sizeof l), 0);
    }
    std::vector<std::string> Numbers(FileNo file)
    {
        std::vector<std::string> numbers;
        for (const std::string& r : Records(FilePath(No(file))))
            numbers.push_back(std::string(r.c_str()));
        return numbers;
    }
};

TEST_F(VerifyTest, LayawaysWhoseCountedLinesMissTheTotalGoWithTheirOrphanLines)
{
    Layaway("L1", 30.0);          // 10 + 20, the 'D' line not counted
    LayawayLine("L1", 'P', 10.0);
    LayawayLine("L1", 'P', 20.0);
    LayawayLine("L1", 'D', 5.0);
    Layaway("L2", 50.0);          // its lines give 10
    LayawayLine("L2", 'P', 10.0);
    Layaway("L3", 0.0);           // no counted line and a zero total
    LayawayLine("L9", 'P', 1.0);  // no header
    Script("answer Continue\n");
    EXPECT_EQ(VerifyLayaways(&context_, &interrupted_), VERIFY_DONE);
    EXPECT_EQ(Numbers(FileNo::LayawayHeader), (std::vector<std::string>{"L1", "L3"}));
    EXPECT_EQ(Numbers(FileNo::LayawayDetail), (std::vector<std::string>{"L1", "L1", "L1"}));
    EXPECT_EQ(ReadText("verlay.txt"),
              "     Layaway #L2         was deleted \n"
              "  Detail Record for Layaway #L2         was deleted \n"
              "  Detail Record for Layaway #L9         was deleted \n");
}

TEST_F(VerifyTest, ARunWithoutRemovalsWritesOnlyTheAllFoundLine)
{
    struct Case {
        const char* name;
        int (*verify)(UtilityRunContext*, int32_t*);
        const char* list;
        const char* line;
    };
    const Case cases[] = {
        {"layaways", &VerifyLayaways, "verlay.txt", "  All Layaways Found OK. None deleted \n"},
        {"quotes", &VerifyQuotes, "verquote.txt", "     All Quotes Found OK. None deleted \n"},
        {"invoices", &VerifyInvoices, "versale.txt", "     All Invoices Found OK. None deleted \n"},
    };
    Document(FileNo::QuoteHeader, "Q1", 1, 0.0);
    Document(FileNo::QuoteHeader, "Q2", 1, 12.5);
    DocumentLine(FileNo::QuoteDetail, "Q2", 1, 'P', 12.5);
    Document(FileNo::SalesHeader, "I1", 1, 0.0005);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script("answer Continue\n");
        EXPECT_EQ(c.verify(&context_, &interrupted_), VERIFY_DONE);
        EXPECT_EQ(ReadText(c.list), c.line);
    }
}

TEST_F(VerifyTest, ADeclinedQuestionLeavesEveryFileAndWritesNoList)
{
    Layaway("L2", 50.0);
    Script("answer Cancel\n");
    EXPECT_EQ(VerifyLayaways(&context_, &interrupted_), VERIFY_DECLINED);
    EXPECT_EQ(Numbers(FileNo::LayawayHeader).size(), 1u);
    EXPECT_FALSE(fs::exists("verlay.txt"));
}

TEST_F(VerifyTest, UnsoundInvoiceStaysAsAVoidAndIsListed)
{
    Document(FileNo::SalesHeader, "I2", 1, 40.0);
    DocumentLine(FileNo::SalesDetail, "I2", 1, 'P', 15.0);
    Document(FileNo::SalesHeader, "I3", 1, 15.0);
    DocumentLine(FileNo::SalesDetail, "I3", 1, 'P', 15.0);
    DocumentLine(FileNo::SalesDetail, "I3", 2, 'M', 99.0);
    DocumentLine(FileNo::SalesDetail, "I7", 1, 'P', 1.0);   // no header
    Script("answer Continue\n");
    EXPECT_EQ(VerifyInvoices(&context_, &interrupted_), VERIFY_DONE);
    const auto headers = Records(FilePath(No(FileNo::SalesHeader)));
    ASSERT_EQ(headers.size(), 2u);
    TagSalesHdr voided;
    std::memcpy(&voided, headers[0].data(), sizeof voided);
    EXPECT_STREQ(voided.InvoiceNo, "I2");
    EXPECT_EQ(voided.Type, 'V');
    EXPECT_STREQ(voided.CustomerName, "Voided by Editor");
    EXPECT_EQ(+voided.CashAmount, 0.0);
    EXPECT_EQ(+voided.FirstLineOffset, -1);
    EXPECT_EQ(ReadText("versale.txt"),
              "     Invoice #I2         was deleted \n"
              "     Detail Record for Invoice #I7         was deleted \n");
}

TEST_F(VerifyTest, MarkerPairKeepsPlaceholdersAndRemovesWhatLostItsPartner)
{
    auto header = [&](const char* number, const char* description) {
        TagAssemblyHeader h{};
        std::memset(&h, 0, sizeof h);
        std::snprintf(reinterpret_cast<char*>(&h), 11, "%s", number);
        std::snprintf(reinterpret_cast<char*>(&h) + 26, 11, "%s", description);
        ASSERT_EQ(Insert(No(FileNo::AssemblyHeader), &h, sizeof h), 0);
    };
    auto line = [&](const char* number, int16_t n) {
        TagAssemblyLine l{};
        std::memset(&l, 0, sizeof l);
        std::snprintf(reinterpret_cast<char*>(&l), 11, "%s", number);
        std::memcpy(reinterpret_cast<char*>(&l) + 11, &n, 2);
        ASSERT_EQ(Insert(No(FileNo::AssemblyDetail), &l, sizeof l), 0);
    };
    header("A1", "KIT");       // with lines: kept
    line("A1", 1);
    header("A2", "DELETED");   // placeholder: kept, its lines go
    line("A2", 1);
    line("A2", 2);
    header("A3", "KIT");       // no lines: goes
    line("A4", 1);             // no header: goes
    EXPECT_EQ(VerifyMarkerPairAsth(&context_, &interrupted_), 0);
    EXPECT_EQ(Numbers(FileNo::AssemblyHeader), (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(Numbers(FileNo::AssemblyDetail), (std::vector<std::string>{"A1"}));
}

// The n-th record stored in a (closed) data file made unreadable: its bytes
// no longer have the file's record length.
void DamageRecord(const std::string& path, int position)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const std::string sql = "UPDATE rec SET data = X'4C3100' WHERE pos = " + std::to_string(position);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

// A record that cannot be read says nothing about its partner: the pass
// stops with the error and deletes nothing.
TEST_F(VerifyTest, ARecordThatCannotBeReadDeletesNothing)
{
    struct Case {
        const char* name;
        std::function<void()> store;
        std::function<int()> verify;
        FileNo header, detail;
    };
    const Case cases[] = {
        {"a layaway line",
         [&] {
             Layaway("L1", 10.0);
             LayawayLine("L1", 'P', 10.0);
             DamageRecord(FilePath(No(FileNo::LayawayDetail)), 1);
         },
         [&] { return VerifyLayaways(&context_, &interrupted_); }, FileNo::LayawayHeader,
         FileNo::LayawayDetail},
        {"the header of a quote line",
         [&] {
             Document(FileNo::QuoteHeader, "Q1", 1, 0.0);
             DocumentLine(FileNo::QuoteDetail, "Q1", 1, 'M', 0.0);
             DamageRecord(FilePath(No(FileNo::QuoteHeader)), 1);
         },
         [&] { return VerifyQuotes(&context_, &interrupted_); }, FileNo::QuoteHeader, FileNo::QuoteDetail},
        {"an assembly line",
         [&] {
             TagAssemblyHeader h{};
             std::snprintf(reinterpret_cast<char*>(&h), 11, "%s", "A1");
             std::snprintf(reinterpret_cast<char*>(&h) + 26, 11, "%s", "KIT");
             ASSERT_EQ(Insert(No(FileNo::AssemblyHeader), &h, sizeof h), 0);
             TagAssemblyLine l{};
             std::snprintf(reinterpret_cast<char*>(&l), 11, "%s", "A1");
             ASSERT_EQ(Insert(No(FileNo::AssemblyDetail), &l, sizeof l), 0);
             DamageRecord(FilePath(No(FileNo::AssemblyDetail)), 1);
         },
         [&] { return VerifyMarkerPairAsth(&context_, &interrupted_); }, FileNo::AssemblyHeader,
         FileNo::AssemblyDetail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.store();
        const auto headers = Records(FilePath(No(c.header))).size();
        const auto lines = Records(FilePath(No(c.detail))).size();
        Script("answer Continue\nkey Enter\nkey Enter\n");
        FxTranscriptClear();
        c.verify();
        EXPECT_NE(std::string(FxTranscript()).find("Error"), std::string::npos) << FxTranscript();
        EXPECT_EQ(Records(FilePath(No(c.header))).size(), headers) << FxTranscript();
        EXPECT_EQ(Records(FilePath(No(c.detail))).size(), lines) << FxTranscript();
    }
}

// An invoice whose lines lie past the end of a register file cut short
// is not voided: the cut file is an error.
TEST_F(VerifyTest, ARegisterFileCutShortVoidsNoInvoice)
{
    TagSalesHdr h{};
    std::snprintf(h.InvoiceNo, sizeof h.InvoiceNo, "%s", "I5");
    h.Type = 1;
    h.CashAmount = 30.0;
    h.RegisterNumber = 1;
    h.FirstLineOffset = static_cast<int32_t>(sizeof(TagSalesDetail));   // the second line
    ASSERT_EQ(Insert(No(FileNo::SalesHeader), &h, sizeof h), 0);
    char path[FOLDER_BUFFER_SIZE] = {};
    BuildRegisterDetailPath(1, path);
    TagSalesDetail line{};
    std::snprintf(line.InvoiceNo, sizeof line.InvoiceNo, "%s", "I4");
    line.Kind = 'P';
    line.Quantity2 = 5.0;
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&line), sizeof line);
        out.write(reinterpret_cast<const char*>(&line), 40);   // cut inside I5's line
    }
    Script("answer Continue\nkey Enter\nkey Enter\n");
    EXPECT_EQ(VerifyInvoices(&context_, &interrupted_), VERIFY_DONE);
    const auto headers = Records(FilePath(No(FileNo::SalesHeader)));
    ASSERT_EQ(headers.size(), 1u);
    TagSalesHdr kept;
    std::memcpy(&kept, headers[0].data(), sizeof kept);
    EXPECT_EQ(kept.Type, 1) << FxTranscript();
    EXPECT_EQ(+kept.CashAmount, 30.0);
    EXPECT_EQ(ReadText("versale.txt").find("I5"), std::string::npos);
}

TEST_F(VerifyTest, FilesThatCannotBeVerifiedSayWhy)
{
    struct Case {
        int file;
        const char* text;
    };
    const Case cases[] = {
        {3, "Master files are not verified"},
        {No(FileNo::AssemblyDetail), "verified with their header file"},
        {No(FileNo::Customers), "This file cannot be verified"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        FxTranscriptClear();
        EXPECT_EQ(VerifyFile(&context_, c.file, &interrupted_), 1);
        EXPECT_NE(std::string(FxTranscript()).find(c.text), std::string::npos) << FxTranscript();
    }
}

}  // namespace
}  // namespace utiltest
