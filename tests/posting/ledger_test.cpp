// The ledger transaction class, the sale reader and the deleted-transaction
// markers.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <thread>

#include "bwps/files.h"
#include "bwps/accounts.h"
#include "bwps/ledger.h"
#include "posting/posting_internal.h"
#include "fx.h"
#include "recman.h"
#include "recman_testing.h"
#include "tests/posting/fixture.h"

namespace postingtest {
namespace {

using bwps::posting::CopyText;
using bwps::posting::FieldText;
using bwps::posting::PadText;

class LedgerTest : public PostingTest {
protected:
    // Builds a transaction of the lines given in the object.
    static bool Build(CBaseGL& gl, std::initializer_list<Line> lines, const char* journal = "POS")
    {
        if (!gl.OpenTables() || !gl.BeginTran())
            return false;
        std::memset(gl.GetJrnl(), 0, sizeof(TagGLHeader));
        gl.SetJrnlCode(journal);
        gl.SetReference("INV1");
        gl.SetTranDate(20260105);
        gl.InsertHeader();
        for (const Line& l : lines) {
            std::memset(gl.GetDtlPtr(), 0, sizeof(TagLedgerDetail));
            gl.SetDetailAcct(l.account.c_str());
            gl.SetDetailDesc("line");
            gl.SetDtlDbcr(l.side);
            gl.SetDetailAmt(l.amount);
            if (!gl.InsertDetail())
                return false;
        }
        return true;
    }
};

TEST_F(LedgerTest, CommitWritesTheHeaderAndNumberedLines)
{
    CBaseGL gl;
    ASSERT_TRUE(Build(gl, {{"11021", 'D', 54}, {"4101", 'C', 50}, {"2110", 'D', -4}}));
    EXPECT_DOUBLE_EQ(gl.GetJrnl()->DebitTotal, 54.0) << "-4 'D' becomes 4 'C'";
    ASSERT_TRUE(gl.Committ(true));
    gl.EndTran();
    const auto headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_STREQ(headers[0].TranNo, "         1");
    EXPECT_STREQ(headers[0].JournalCode, "POS   ");
    EXPECT_EQ(headers[0].Posted, 'N');
    EXPECT_EQ(+headers[0].StartDate, 0);
    EXPECT_GT(+headers[0].TranKey, 0);
    EXPECT_EQ(+headers[0].TranKey, gl.GetTranKey());
    const auto lines = LinesOf(headers[0]);
    ASSERT_EQ(lines.size(), 3u);
    for (uint16_t i = 0; i < 3; ++i) {
        EXPECT_EQ(+lines[i].LineNo, i);
        EXPECT_EQ(+lines[i].TranDate, 20260105);
    }
    EXPECT_EQ(lines[2].DebitCredit, 'C');
    EXPECT_DOUBLE_EQ(lines[2].Amount, 4.0);

    // A second transaction draws the next number; its lines count from 0.
    ASSERT_TRUE(Build(gl, {{"11021", 'D', 1}, {"4101", 'C', 1}}));
    ASSERT_TRUE(gl.Committ(true));
    const auto second = Headers();
    ASSERT_EQ(second.size(), 2u);
    EXPECT_STREQ(second[1].TranNo, "         2");
    EXPECT_EQ(+LinesOf(second[1])[0].LineNo, 0);
}

TEST_F(LedgerTest, LinesToMissingOrGeneralAccountsAreRefused)
{
    CBaseGL gl;
    EXPECT_FALSE(Build(gl, {{"4199", 'C', 5}}));
    EXPECT_EQ(gl.GetError(), GL_ERROR_ACCOUNT);
    EXPECT_STREQ(gl.GetErrorStr(), "4199");
    EXPECT_FALSE(Build(gl, {{"41", 'C', 5}}));
    EXPECT_EQ(gl.GetError(), GL_ERROR_ACCOUNT);
    EXPECT_TRUE(Headers().empty());
}

TEST_F(LedgerTest, VerifyWritesNothingAndKeysAreKeptOrDrawn)
{
    CBaseGL gl;
    ASSERT_TRUE(Build(gl, {{"11021", 'D', 1}, {"4101", 'C', 1}}));
    gl.SetVerify(true);
    EXPECT_TRUE(gl.Committ(true));
    EXPECT_TRUE(Headers().empty());
    gl.SetVerify(false);
    // A number set by the caller is kept unless the commit clears it; a key
    // of 1 or more is inserted as it stands.
    gl.SetTranNo("ABC");
    gl.GetJrnl()->TranKey = 77;
    ASSERT_TRUE(gl.Committ(false));
    const auto headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_STREQ(headers[0].TranNo, "ABC");
    EXPECT_EQ(+headers[0].TranKey, 77);
}

TEST_F(LedgerTest, ACommitFailingPartWayLeavesNeitherHeaderNorLines)
{
    MakeLineAccountsUnique();
    // Another transaction already holds a line to 4999: the second line of
    // the new one is refused by the record manager.
    {
        CBaseGL other;
        ASSERT_TRUE(Build(other, {{"4999", 'C', 1}, {"6100", 'D', 1}}, "GJ"));
        ASSERT_TRUE(other.Committ(true));
    }
    CBaseGL gl;
    ASSERT_TRUE(Build(gl, {{"11021", 'D', 10}, {"4101", 'C', 5}, {"4999", 'C', 5}}));
    gl.SetTranNo("T1");
    EXPECT_FALSE(gl.Committ(false));
    EXPECT_EQ(gl.GetError(), GL_ERROR_LINE_WRITE);
    EXPECT_EQ(gl.GetLastFile(), 12);
    EXPECT_EQ(gl.GetLastOp(), 2);
    for (const TagGLHeader& h : Headers())
        EXPECT_STRNE(h.JournalCode, "POS   ") << "no header of the failed transaction";
    for (const TagLedgerDetail& l : AllLines())
        EXPECT_STRNE(l.JournalCode, "POS   ") << "no line of the failed transaction";
    EXPECT_EQ(AllLines().size(), 2u);
}

TEST_F(LedgerTest, AReplacementThatFailsKeepsTheOldTransaction)
{
    MakeLineAccountsUnique();
    CBaseGL other;
    ASSERT_TRUE(Build(other, {{"4999", 'C', 1}, {"6100", 'D', 1}}, "GJ"));
    ASSERT_TRUE(other.Committ(true));

    CBaseGL gl;
    ASSERT_TRUE(Build(gl, {{"11021", 'D', 20}, {"4101", 'C', 20}}));
    ASSERT_TRUE(gl.Committ(true));
    const TagGLHeader before = Headers()[1];
    const auto beforeLines = Summary(before);

    ASSERT_TRUE(Build(gl, {{"11021", 'D', 30}, {"4101", 'C', 25}, {"4999", 'C', 5}}));
    char journal[7], number[11];
    std::memcpy(journal, before.JournalCode, 7);
    std::memcpy(number, before.TranNo, 11);
    EXPECT_FALSE(gl.UpdateTran(journal, number));
    const auto after = Headers();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(+after[1].TranKey, +before.TranKey);
    EXPECT_DOUBLE_EQ(after[1].DebitTotal, 20.0);
    EXPECT_EQ(Summary(after[1]), beforeLines);

    // A replacement that commits takes the old one's journal and number.
    ASSERT_TRUE(Build(gl, {{"11021", 'D', 30}, {"4101", 'C', 30}}));
    EXPECT_TRUE(gl.UpdateTran(journal, number));
    const auto replaced = Headers();
    ASSERT_EQ(replaced.size(), 2u);
    EXPECT_STREQ(replaced[1].TranNo, before.TranNo);
    EXPECT_EQ((std::vector<Line>{{"11021", 'D', 30}, {"4101", 'C', 30}}), Summary(replaced[1]));
}

TEST_F(LedgerTest, DeleteTranLeavesAMarkerOrRemovesAll)
{
    CBaseGL gl;
    ASSERT_TRUE(Build(gl, {{"11021", 'D', 5}, {"4101", 'C', 5}}));
    ASSERT_TRUE(gl.Committ(true));
    const long key = gl.GetTranKey();
    TagGLHeader read;
    ASSERT_TRUE(gl.ReadGLHeader(key, read));
    EXPECT_STREQ(read.TranNo, "         1");
    EXPECT_TRUE(gl.DeleteTran(key));
    const auto headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_STREQ(headers[0].Reference, "DELETED");
    EXPECT_EQ(headers[0].Deleted, 'Y');
    EXPECT_TRUE(AllLines().empty());
    char journal[7] = "POS   ", number[11] = "         1";
    EXPECT_TRUE(gl.DeleteTran(journal, number, B_DELETE));
    EXPECT_TRUE(Headers().empty());
    EXPECT_FALSE(gl.DeleteTran(journal, number, B_DELETE));
    EXPECT_EQ(gl.GetError(), GL_ERROR_REPLACE);
    // Key 0: the answer is whether the on-line option is off.
    EXPECT_FALSE(gl.DeleteTran(0L));
    SetOnline('N');
    EXPECT_TRUE(gl.DeleteTran(0L));
}

TEST_F(LedgerTest, MarkersOfADocumentWithAndWithoutLines)
{
    uint16_t headers = 0, lines = 0;
    ASSERT_EQ(BtrOpenFile(&headers, FilePath(bwps::No(bwps::FileNo::LedgerHeader)).c_str(), 0, 0), 0);
    ASSERT_EQ(BtrOpenFile(&lines, FilePath(bwps::No(bwps::FileNo::LedgerDetail)).c_str(), 0, 0), 0);
    CBaseGL gl;
    ASSERT_TRUE(Build(gl, {{"11021", 'D', 5}, {"4101", 'C', 5}}));
    ASSERT_TRUE(gl.Committ(true));
    ASSERT_TRUE(Build(gl, {{"11021", 'D', 6}, {"4101", 'C', 6}}));
    ASSERT_TRUE(gl.Committ(true));
    // The first transaction's lines go; the walk stops on the second's.
    TagGLHeader header;
    TagPostingStatus block;
    ASSERT_EQ(FindDeletedMarkerByNumber(headers, "POS", "         1", &header, &block), 0);
    EXPECT_EQ(WriteDeletedGLMarker(B_UPDATE, headers, lines, &header, &block), 0);
    EXPECT_EQ(+block.FileNumber, 13);
    EXPECT_EQ(+block.Operation, B_UPDATE);
    EXPECT_EQ(AllLines().size(), 2u);
    // A document without lines: the header is written all the same.
    ASSERT_EQ(FindDeletedMarkerByNumber(headers, "POS", "         1", &header, &block), 0);
    EXPECT_EQ(WriteDeletedGLMarker(B_DELETE, headers, lines, &header, &block), 0);
    EXPECT_EQ(Headers().size(), 1u);
    TagLedgerDetail line;
    EXPECT_EQ(FindNextDeletedMarkerByNumber(lines, "POS", "         1", &line, &block),
              B_KEY_NOT_FOUND);
    EXPECT_EQ(FindNextDeletedMarkerByNumber(lines, "POS", "         2", &line, &block), 0);
    BtrCloseFile(headers);
    BtrCloseFile(lines);
}

TEST_F(LedgerTest, TheSaleReaderGivesLinesByKindCategoryAndItem)
{
    TagSalesHdr sale = Sale("R1", '1', 0);
    PutSale(sale, {{'S', "INSTALL", "B", 1, 1},
                   {'P', "WIDGET", "B", 1, 2},
                   {'S', "AAA", "A", 1, 3},
                   {'P', "GADGET", "B", 1, 4},
                   {'P', "ZED", "A", 1, 5}});
    PutSale(Sale("R2", '1', 0), {{'P', "OTHER", "A", 1, 9}});
    uint16_t lines = 0;
    ASSERT_EQ(BtrOpenFile(&lines, FilePath(bwps::No(bwps::FileNo::SalesDetail)).c_str(), 0, 0), 0);
    CBaseGLSales reader;
    reader.SetHeader(&sale);
    ASSERT_TRUE(reader.InitDtlIndex(static_cast<short>(lines)));
    EXPECT_EQ(reader.GetCount(), 5);
    std::vector<double> order;
    for (bool more = reader.GetFirst(); more; more = reader.GetNext())
        order.push_back(+reader.GetDtlPtr()->Extended);
    EXPECT_EQ(order, (std::vector<double>{5, 4, 2, 3, 1})) << FxTranscript();

    // A copy has an index of its own.
    CBaseGLSales copy;
    copy = reader;
    reader.InitDtlIndex();
    EXPECT_TRUE(copy.GetFirst());
    EXPECT_DOUBLE_EQ(copy.GetDtlPtr()->Extended, 5);

    // A line removed after indexing is reported and ends the walk.
    uint8_t key[256] = {};
    TagSalesDetail first;
    std::memcpy(key, "R1", 3);
    ASSERT_EQ(BtrGet(B_GET_GE, lines, key, &first, sizeof first), 0);
    ASSERT_EQ(BtrWrite(B_DELETE, lines, nullptr, &first, 0), 0);
    ASSERT_TRUE(reader.GetFirst());
    EXPECT_FALSE(reader.GetNext() && reader.GetNext() && reader.GetNext() && reader.GetNext());

    TagSalesHdr empty = Sale("NONE", '1', 0);
    CBaseGLSales none;
    none.SetHeader(&empty);
    ASSERT_TRUE(none.InitDtlIndex(static_cast<short>(lines)));
    EXPECT_EQ(none.GetCount(), 0);
    EXPECT_FALSE(none.GetFirst());
    BtrCloseFile(lines);
}

TEST_F(LedgerTest, ACopiedObjectHasLinesOfItsOwn)
{
    CBaseGL* gl = new CBaseGL;
    ASSERT_TRUE(Build(*gl, {{"11021", 'D', 2}, {"4101", 'C', 2}}));
    CBaseGL copy(*gl);
    delete gl;   // the copy's lines outlive the original
    EXPECT_EQ(copy.GetLineList()->count, 2);
    ASSERT_TRUE(copy.Committ(true));
    EXPECT_EQ(AllLines().size(), 2u);
    CBaseGL assigned;
    assigned = copy;
    EXPECT_EQ(assigned.GetLineList()->count, 2);
}

// A poster killed in the middle of its commits leaves every transaction
// whole (header and all its lines, totals agreeing) or absent.
TEST_F(LedgerTest, APosterKilledMidCommitLeavesTransactionsWholeOrAbsent)
{
    for (int round = 0; round < 3; ++round) {
        RecmanReset();   // no connection of this process is carried into the child
        const pid_t child = ::fork();
        if (child == 0) {
            CBaseGL gl;
            for (int i = 0;; ++i) {
                if (!Build(gl, {{"11021", 'D', 3}, {"4101", 'C', 1}, {"4105", 'C', 1},
                                {"4107", 'C', 1}, {"2110", 'D', 0.5}, {"2120", 'C', 0.5}}) ||
                    !gl.Committ(true))
                    ::_exit(3);
            }
        }
        // Killed once it has committed something more (however slow the
        // machine), a moment into its next commits.
        const std::size_t before = Headers().size();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Headers().size() == before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 35 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the poster stopped on its own";
    }
    std::map<std::string, int> linesOf;
    for (const TagLedgerDetail& l : AllLines())
        ++linesOf[FieldText(l.TranNo, 11)];
    const auto headers = Headers();
    EXPECT_FALSE(headers.empty());
    for (const TagGLHeader& h : headers) {
        EXPECT_EQ(linesOf[FieldText(h.TranNo, 11)], 6) << h.TranNo;
        EXPECT_DOUBLE_EQ(h.DebitTotal, 3.5);
        linesOf.erase(FieldText(h.TranNo, 11));
    }
    EXPECT_TRUE(linesOf.empty()) << "lines without a header";
}

}  // namespace
}  // namespace postingtest
