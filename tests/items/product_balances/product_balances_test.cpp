// The beginning balance of a product driven by scripts over a company with
// a chart of accounts: the amount worked out from quantity and unit cost or
// typed, the ledger transaction of journal "SU", the period totals of the
// inventory and difference accounts, the activity record, the figures
// handed to the product editor's screen, the refusals, and a failed
// posting that leaves nothing behind.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "bwps/files.h"
#include "bwps/periods.h"
#include "bwps/products.h"
#include "bwps/records.h"
#include "bwps/records/products.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"
#include "tests/posting/fixture.h"
#include "tests/support/library.h"

namespace {

using bwps::FileNo;
using bwps::No;

constexpr int kNotPosted = 0x20;

std::string Text(const char* field, size_t size)
{
    std::string s(field, strnlen(field, size));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// The fields of the product editor's screen that the balance fills.
struct EditorScreen {
    FxContext fx{};
    FxForm form{};
    std::array<ScreenField, 6> fields{{
        bwps::Field(13, 1, 1, "%-20s"),
        bwps::Field(14, 2, 1, "%-20s"),
        bwps::Field(66, 3, 1, "%-20s"),
        bwps::Field(67, 4, 1, "%-20s"),
        bwps::Field(68, 5, 1, "%-20s"),
        {},
    }};
    EditorScreen()
    {
        FxFormLoad(&form, fields.data(), 1);
        fx.form = &form;
    }
    EditorScreen(const EditorScreen&) = delete;
    EditorScreen& operator=(const EditorScreen&) = delete;
};

std::string Trim(std::string s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

class ProductBalanceTest : public postingtest::PostingTest {
protected:
    void SetUp() override
    {
        PostingTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        TagLastNumbers numbers{};
        std::memcpy(numbers.Key, GENERAL_KEY_LASTNUMBERS, 16);
        ASSERT_EQ(bwpstest::PutRecord(FilePath(No(FileNo::General)), &numbers, 16, &numbers, sizeof numbers), 0);
        GetSysInterfaceRecord()->ProductActivity = 'Y';
        ASSERT_EQ(GetPeriodInfo(0, 0, &period_), 0);
        product_ = Product(0, 0, 0);
    }

    static TagProduct Product(double onHand, double committed, double value, uint8_t kind = 1, int16_t units = 1)
    {
        TagProduct p;
        InitProductRecord(&p);
        std::strncpy(p.Code, "BOLT", sizeof p.Code - 1);
        std::memcpy(p.Text85, "BIN12", 5);
        p.Kind = kind;
        p.UnitFactor = units;
        p.Value272 = 1;
        p.Amounts[PRODUCT_QUANTITY] = onHand;
        p.Amounts[PRODUCT_SECOND_QUANTITY] = committed;
        p.Amounts[PRODUCT_VALUE] = value;
        p.Amounts[PRODUCT_AVERAGE_COST] = onHand != 0 ? value / onHand : 0;
        return p;
    }

    // Runs the screen on the script over product_, stored first; its
    // answer. With `editorsHandle` the screen gets an open product file that
    // holds the product locked, as the product editor hands it; else 0.
    int Run(const std::string& script, bool editorsHandle = false)
    {
        if (storeProduct_) {
            EXPECT_EQ(bwpstest::PutRecord(FilePath(No(FileNo::Products)), product_.Code, sizeof product_.Code,
                                          &product_, sizeof product_),
                      0);
        }
        FxTranscriptClear();
        EXPECT_EQ(FxScriptLoad(script.c_str()), 0) << script;
        uint16_t accounts = 0, products = 0;
        EXPECT_EQ(BtrOpenFile(&accounts, FilePath(No(FileNo::Accounts)).c_str(), 0, 0), 0);
        if (editorsHandle) {
            EXPECT_EQ(BtrOpenFile(&products, FilePath(No(FileNo::Products)).c_str(), 0, 0), 0);
            char key[256] = {};
            std::memcpy(key, product_.Code, sizeof product_.Code);
            TagProduct locked{};
            EXPECT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, products, key, &locked, sizeof locked), 0);
        }
        const int answer = RSEditProdBal(accounts, products, &product_, &editor_->fx);
        if (products != 0)
            BtrCloseFile(products);
        BtrCloseFile(accounts);
        transcript_ = FxTranscript();
        return answer;
    }

    // The product as it stands on file.
    TagProduct OnFile()
    {
        TagProduct p{};
        uint16_t h = 0;
        EXPECT_EQ(BtrOpenFile(&h, FilePath(No(FileNo::Products)).c_str(), 0, 0), 0);
        char key[256] = {};
        std::memcpy(key, "BOLT", 4);
        EXPECT_EQ(BtrGet(B_GET_EQUAL, h, key, &p, sizeof p), 0);
        BtrCloseFile(h);
        return p;
    }

    // Quantity, unit cost and amount typed (an empty text leaves the field),
    // then F10.
    static std::string Typed(const char* reference, const char* quantity, const char* cost, const char* amount)
    {
        std::string s = std::string("field 2 ") + reference + "\nkey Enter\n";
        s += std::string("field 3 ") + quantity + "\nkey Enter\n";
        if (*cost != '\0')
            s += std::string("field 4 ") + cost + "\nkey Enter\n";
        if (*amount != '\0')
            s += std::string("field 5 ") + amount + "\nkey Enter\n";
        return s + "key F10\n";
    }

    bool Has(const std::string& text) const { return transcript_.find(text) != std::string::npos; }

    std::vector<TagProductActivity> Activity()
    {
        return postingtest::ReadAll<TagProductActivity>(FilePath(No(FileNo::ProductActivity)));
    }
    double PeriodTotal(const char* account) { return Account(account).Periods[period_.Index]; }

    TagProduct product_{};
    bool storeProduct_ = true;
    std::unique_ptr<EditorScreen> editor_ = std::make_unique<EditorScreen>();
    TagPeriodInfo period_{};
    std::string transcript_;
};

// Quantity with a unit cost, or with a total amount: the same posting.
TEST_F(ProductBalanceTest, PostsLedgerTotalsAndActivity)
{
    struct Row {
        const char* what;
        int16_t units;
        const char* quantity;
        const char* cost;
        const char* amount;
        double units_in;      // quantity stored, in units
        double posted;
        double unitCost;      // in the activity record (per first unit)
    } rows[] = {
        {"unit cost", 1, "10", "2.5", "", 10, 25.00, 2.5},
        {"total amount", 1, "4", "", "10", 4, 10.00, 2.5},
        {"packs of twelve", 12, "24", "6", "", 24, 12.00, 6.0},
        {"negative quantity and amount", 1, "-2", "", "-7", -2, -7.00, 3.5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // the negative balance is taken off a product with stock, of a kind
        // that may fall below its committed quantity
        const bool negative = row.units_in < 0;
        product_ = negative ? Product(5, 0, 20, 2, row.units) : Product(0, 0, 0, 1, row.units);
        const double inventoryBefore = PeriodTotal("11071"), differenceBefore = PeriodTotal("D");
        const size_t headersBefore = Headers().size(), activityBefore = Activity().size();
        const std::string script =
            std::string(negative ? "answer Continue\n" : "") + Typed("OPEN1", row.quantity, row.cost, row.amount);
        ASSERT_EQ(Run(script), 0) << transcript_;

        const auto headers = Headers();
        ASSERT_EQ(headers.size(), headersBefore + 1) << transcript_;
        const TagGLHeader& header = headers.back();
        EXPECT_EQ(Text(header.JournalCode, sizeof header.JournalCode), "SU");
        EXPECT_EQ(Trim(Text(header.Reference, sizeof header.Reference)), "OPEN1");
        EXPECT_EQ(+header.TranDate, FxToday());
        const auto lines = LinesOf(header);
        ASSERT_EQ(lines.size(), 2u);
        const double amount = row.posted < 0 ? -row.posted : row.posted;
        for (const TagLedgerDetail& line : lines) {
            EXPECT_DOUBLE_EQ(+line.Amount, amount);
            EXPECT_EQ(Text(line.Description, sizeof line.Description), "Summ. Product Setup");
        }
        EXPECT_EQ(Trim(Text(lines[0].Account, 11)), "11071");
        EXPECT_EQ(lines[0].DebitCredit, row.posted > 0 ? 'D' : 'C');
        EXPECT_EQ(Trim(Text(lines[1].Account, 11)), "D");
        EXPECT_EQ(lines[1].DebitCredit, row.posted > 0 ? 'C' : 'D');

        EXPECT_DOUBLE_EQ(PeriodTotal("11071") - inventoryBefore, row.posted);
        EXPECT_DOUBLE_EQ(PeriodTotal("D") - differenceBefore, -row.posted);

        const auto activity = Activity();
        ASSERT_EQ(activity.size(), activityBefore + 1);
        const TagProductActivity& a = activity.back();
        EXPECT_EQ(Text(a.Code, sizeof a.Code), "BOLT");
        EXPECT_EQ(a.Source, 'P');
        EXPECT_EQ(a.Direction, row.units_in > 0 ? '1' : '5');
        EXPECT_EQ(a.DocumentKind[0], 'U');
        EXPECT_EQ(Text(a.Document, sizeof a.Document), "OPEN1");
        EXPECT_EQ(Text(a.Text64, sizeof a.Text64), "BIN12");
        EXPECT_DOUBLE_EQ(+a.Quantity, row.units_in);
        EXPECT_DOUBLE_EQ(+a.Value, row.posted);
        EXPECT_DOUBLE_EQ(+a.UnitCost, row.unitCost);
        EXPECT_EQ(+a.Date, FxToday());
        EXPECT_EQ(+a.Value27, +period_.Period);
    }
}

// What the product editor's screen is handed: on hand, amount, average
// and last cost.
TEST_F(ProductBalanceTest, FiguresHandedToTheProductEditor)
{
    struct Row {
        const char* what;
        TagProduct product;
        const char* script;
        const char* onHand;
        const char* amount;
        const char* average;
        const char* lastCost;
    } rows[] = {
        {"first balance", Product(0, 0, 0), "field 3 10\nkey Enter\nfield 4 2.5\nkey Enter\nkey Esc\n", "10.0000",
         "25.00", "2.5000", "2.5000"},
        {"added to stock", Product(10, 0, 30), "field 3 10\nkey Enter\nfield 4 5\nkey Enter\nkey Esc\n", "20.0000",
         "80.00", "4.0000", "5.0000"},
        // the inventory amount falls with a negative quantity, as the ledger does
        {"taken off stock", Product(10, 0, 30, 2), "field 3 -2\nkey Enter\nfield 4 3\nkey Enter\nkey Esc\n", "8.0000",
         "24.00", "3.0000", "3.0000"},
        // an amount without quantity still reaches the product's amount
        {"amount alone", Product(0, 0, 0), "field 3 0\nkey Enter\nfield 5 10\nkey Enter\nkey Esc\n", "0.0000",
         "10.00", "0.0000", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        product_ = row.product;
        editor_ = std::make_unique<EditorScreen>();
        if (row.product.Amounts[PRODUCT_QUANTITY] != 0)
            EXPECT_EQ(Run(std::string("answer Continue\n") + row.script), kNotPosted);
        else
            EXPECT_EQ(Run(row.script), kNotPosted);
        EXPECT_EQ(Trim(FxFieldGet(&editor_->form, 67)), row.onHand) << transcript_;
        EXPECT_EQ(Trim(FxFieldGet(&editor_->form, 66)), row.amount);
        EXPECT_EQ(Trim(FxFieldGet(&editor_->form, 13)), row.average);
        EXPECT_EQ(Trim(FxFieldGet(&editor_->form, 14)), row.lastCost);
        EXPECT_TRUE(Headers().empty());
        EXPECT_DOUBLE_EQ(+OnFile().Amounts[PRODUCT_QUANTITY], +row.product.Amounts[PRODUCT_QUANTITY]);
    }
}

// The posted balance reaches the product on file in the same transaction
// as the ledger, and the caller's work copy holds the product as written.
TEST_F(ProductBalanceTest, TheProductIsWrittenWithTheLedger)
{
    struct Row {
        const char* what;
        TagProduct product;
        bool editorsHandle;
        const char* script;
        double onHand, value, average, lastCost;
    } rows[] = {
        {"first balance", Product(0, 0, 0), false, "field 3 10\nkey Enter\nfield 4 2.5\nkey Enter\nkey F10\n", 10,
         25, 2.5, 2.5},
        {"added to stock, through the editor's locked handle", Product(10, 0, 30), true,
         "answer Continue\nfield 3 10\nkey Enter\nfield 4 5\nkey Enter\nkey F10\n", 20, 80, 4, 5},
        {"a quantity without amount", Product(4, 0, 8), false,
         "answer Continue\nfield 3 4\nkey Enter\nkey F10\nanswer Continue\n", 8, 8, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        product_ = row.product;
        ASSERT_EQ(Run(row.script, row.editorsHandle), 0) << transcript_;
        const TagProduct p = OnFile();
        EXPECT_DOUBLE_EQ(+p.Amounts[PRODUCT_QUANTITY], row.onHand);
        EXPECT_DOUBLE_EQ(+p.Amounts[PRODUCT_VALUE], row.value);
        EXPECT_DOUBLE_EQ(+p.Amounts[PRODUCT_AVERAGE_COST], row.average);
        EXPECT_DOUBLE_EQ(+p.Amounts[PRODUCT_LAST_COST], row.lastCost);
        EXPECT_EQ(std::memcmp(&p, &product_, sizeof p), 0) << "the work copy holds the product as written";
    }
}

// Another station holds the product: nothing of the balance is written.
TEST_F(ProductBalanceTest, AProductThatCannotBeWrittenLeavesNoLedgerEntry)
{
    ASSERT_EQ(bwpstest::PutRecord(FilePath(No(FileNo::Products)), product_.Code, sizeof product_.Code, &product_,
                                  sizeof product_),
              0);
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        uint16_t h = 0;
        char key[256] = {};
        std::memcpy(key, "BOLT", 4);
        TagProduct p{};
        char byte = BtrOpenFile(&h, FilePath(No(FileNo::Products)).c_str(), 0, 0) == 0 &&
                            BtrGet(B_GET_EQUAL + B_LOCK_SINGLE_NOWAIT, h, key, &p, sizeof p) == 0
                        ? 'y'
                        : 'n';
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(done[0], &byte, 1);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    storeProduct_ = false;
    EXPECT_EQ(Run(Typed("R", "10", "2.5", "")), kNotPosted) << transcript_;
    (void)!::write(done[1], "x", 1);
    ::waitpid(child, nullptr, 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
    EXPECT_TRUE(Has("BPOSPROD.DB")) << transcript_;   // the failed read was reported
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(AllLines().empty());
    EXPECT_TRUE(Activity().empty());
    EXPECT_DOUBLE_EQ(PeriodTotal("11071"), 0.0);
    EXPECT_DOUBLE_EQ(+OnFile().Amounts[PRODUCT_QUANTITY], 0.0);
}

// Refusals: the message shown, nothing written, the screen left with Esc.
TEST_F(ProductBalanceTest, RefusalsWriteNothing)
{
    struct Row {
        const char* what;
        TagProduct product;
        const char* script;
        const char* message;
    } rows[] = {
        {"negative quantity, positive amount", Product(5, 0, 10, 2), "field 3 -2\nkey Enter\nfield 5 5\nkey F10\nkey Esc\n",
         "A negative quantity cannot have a positive amount."},
        {"positive quantity, negative amount", Product(0, 0, 0), "field 3 2\nkey Enter\nfield 5 -5\nkey F10\nkey Esc\n",
         "A positive quantity cannot have a negative amount."},
        {"below committed on exit", Product(0, 5, 0), "field 3 3\nkey Enter\nkey Esc\n",
         "The quantity on hand would be less than the quantity committed."},
        // F10 straight from the field checks the figures as well
        {"below committed on F10", Product(0, 5, 0), "field 3 3\nkey F10\nkey Esc\n",
         "The quantity on hand would be less than the quantity committed."},
        {"quantity too large", Product(0, 0, 0), "field 3 1000000\nkey Enter\nkey Esc\n",
         "The quantity on hand would be too large."},
        {"amount too large", Product(0, 0, 0), "field 3 1\nkey Enter\nfield 5 123456789\nkey Enter\nkey Esc\n",
         "The inventory amount would be too large."},
        {"zero quantity, cancelled", Product(0, 0, 0), "field 3 0\nkey Enter\nfield 5 5\nkey F10\nanswer Cancel\nkey Esc\n",
         "The quantity is zero"},
        {"zero amount, cancelled", Product(0, 0, 0), "field 3 4\nkey Enter\nkey F10\nanswer Cancel\nkey Esc\n",
         "The amount is zero"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        product_ = row.product;
        const std::string script = (row.product.Amounts[PRODUCT_QUANTITY] != 0 ? "answer Continue\n" : "") +
                                   std::string(row.script);
        EXPECT_EQ(Run(script), kNotPosted);
        EXPECT_TRUE(Has(row.message)) << transcript_;
        EXPECT_TRUE(Headers().empty());
        EXPECT_TRUE(Activity().empty());
        EXPECT_DOUBLE_EQ(PeriodTotal("11071"), 0.0);
    }
}

// A Normal product may not fall below its committed quantity; other kinds may.
TEST_F(ProductBalanceTest, CommittedQuantityBindsOnlyNormalProducts)
{
    product_ = Product(0, 5, 0, 3);
    EXPECT_EQ(Run(Typed("R", "3", "1", "")), 0) << transcript_;
    EXPECT_EQ(Headers().size(), 1u);
}

TEST_F(ProductBalanceTest, ZeroAmountRecordsOnlyTheQuantity)
{
    EXPECT_EQ(Run("field 3 4\nkey Enter\nkey F10\nanswer Continue\n"), 0) << transcript_;
    EXPECT_TRUE(Headers().empty());
    EXPECT_DOUBLE_EQ(PeriodTotal("11071"), 0.0);
    const auto activity = Activity();
    ASSERT_EQ(activity.size(), 1u);
    EXPECT_DOUBLE_EQ(+activity[0].Quantity, 4.0);
    EXPECT_DOUBLE_EQ(+activity[0].Value, 0.0);
    EXPECT_DOUBLE_EQ(+OnFile().Amounts[PRODUCT_QUANTITY], 4.0);
}

TEST_F(ProductBalanceTest, ZeroQuantityPostsOnlyTheAmount)
{
    EXPECT_EQ(Run("field 3 0\nkey Enter\nfield 5 8\nkey Enter\nkey F10\nanswer Continue\n"), 0) << transcript_;
    EXPECT_EQ(Headers().size(), 1u);
    EXPECT_DOUBLE_EQ(PeriodTotal("11071"), 8.0);
    EXPECT_TRUE(Activity().empty());
}

// A product with stock asks first; Cancel ends before the screen opens.
TEST_F(ProductBalanceTest, BalancesExistQuestion)
{
    struct Row {
        const char* answer;
        int result;
        bool ran;
    } rows[] = {{"Cancel", kNotPosted, false}, {"Continue", 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        product_ = Product(3, 0, 6);
        const size_t before = Headers().size();
        EXPECT_EQ(Run(std::string("answer ") + row.answer + "\n" + Typed("R", "2", "2", "")), row.result);
        EXPECT_TRUE(Has("This product already has a quantity on hand.")) << transcript_;
        EXPECT_EQ(Has("run begin"), row.ran) << transcript_;
        EXPECT_EQ(Headers().size(), before + (row.ran ? 1u : 0u));
    }
}

// The activity record cannot be written: the ledger transaction and both
// account totals written before it are undone with it.
TEST_F(ProductBalanceTest, FailedActivityLeavesNoLedgerEntry)
{
    const std::string activity = FilePath(No(FileNo::ProductActivity));
    std::filesystem::remove(activity);
    ASSERT_FALSE(std::filesystem::exists(activity));
    EXPECT_EQ(Run(Typed("R", "10", "2.5", "")), kNotPosted) << transcript_;
    EXPECT_TRUE(Has("BPOSPRTD.DB")) << transcript_;   // the failed write was reported
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(AllLines().empty());
    EXPECT_DOUBLE_EQ(PeriodTotal("11071"), 0.0);
    EXPECT_DOUBLE_EQ(Account("D").Periods[period_.Index], 0.0);
    EXPECT_DOUBLE_EQ(Account("11071").DebitTotal, 0.0);
}

}  // namespace
