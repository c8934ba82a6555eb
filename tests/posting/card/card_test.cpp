#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iterator>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bwps/files.h"
#include "bwps/cards.h"
#include "bwps/records/general.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "fx.h"
#include "posting/card/card_internal.h"
#include "recman.h"
#include "tests/posting/fixture.h"
#include "tests/support/folders.h"

namespace fs = std::filesystem;
using namespace postingtest;
using namespace bwps::card;
using Clock = std::chrono::steady_clock;

namespace {

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A keyed credit card of the card screen: what the clerk typed.
struct Typed {
    std::string number = "4111111111111111";
    std::string expiry = "2512";
    std::string name = "PAT DOE";
    std::string address1;
    std::string address2;
};
Typed g_typed;
int g_screenRuns = 0;

int TypedCardScreen(CardContext* c)
{
    ++g_screenRuns;
    std::snprintf(c->CardNumber, sizeof c->CardNumber, "%s", g_typed.number.c_str());
    std::snprintf(c->Expiry, sizeof c->Expiry, "%s", g_typed.expiry.c_str());
    std::snprintf(c->Name, sizeof c->Name, "%s", g_typed.name.c_str());
    std::snprintf(c->AddressText1, sizeof c->AddressText1, "%s", g_typed.address1.c_str());
    std::snprintf(c->AddressText2, sizeof c->AddressText2, "%s", g_typed.address2.c_str());
    c->AddressFlag = g_typed.address1.empty() ? 0 : 1;
    return FX_KEY_F10;
}

CardContext Keyed(const char* number, const char* expiry, double amount)
{
    CardContext c{};
    std::snprintf(c.InvoiceNo, sizeof c.InvoiceNo, "IN00012345");
    std::snprintf(c.CardNumber, sizeof c.CardNumber, "%s", number);
    std::snprintf(c.Expiry, sizeof c.Expiry, "%s", expiry);
    c.TenderKind = CARD_TENDER_CREDIT;
    c.Amount = amount;
    return c;
}

// ------------------------------------------------------ the request line

TEST(CardRequestLine, FieldsByTenderOperationAndEntry)
{
    struct Case {
        const char* what;
        CardContext context;
        int operation;
        const char* line;
    };
    CardContext credit = Keyed("4111111111111111", "0912", 12.5);
    CardContext check = Keyed("", "", 40.0);
    check.TenderKind = CARD_TENDER_CHECK;
    std::snprintf(check.BankLine, sizeof check.BankLine, "T123456789");
    std::snprintf(check.CheckField10, sizeof check.CheckField10, "1001");
    CardContext swiped = Keyed("", "", 7.0);
    swiped.TenderKind = CARD_TENDER_DEBIT;
    swiped.EntryLetter = 'K';
    swiped.Track = 2;
    std::snprintf(swiped.Stripe, sizeof swiped.Stripe, "5500000000000004=25121010000");
    CardContext voice = credit;
    std::snprintf(voice.Approval, sizeof voice.Approval, "A1B2C3");
    CardContext address = credit;
    address.AddressFlag = 1;
    std::snprintf(address.AddressText1, sizeof address.AddressText1, "1 Main St, Apt 2");
    std::snprintf(address.AddressText2, sizeof address.AddressText2, "12345");
    CardContext big = Keyed("4111111111111111", "0912", 9999999.99);
    const Case cases[] = {
        {"keyed sale: year and month swapped behind '+'", credit, CARD_OP_SALE,
         "W,P,5,0,4111111111111111+1209,1250,,,,00012345,,,,"},
        {"credit", credit, CARD_OP_CREDIT, "W,P,0,0,4111111111111111+1209,1250,,,,00012345,,,,"},
        {"check: the field from the 16th character", check, CARD_OP_SALE,
         "W,P,7,3,T123456789     1001,4000,,,,00012345,,,,"},
        {"swiped debit card, track 2", swiped, CARD_OP_SALE,
         "W,P,8,2,5500000000000004=25121010000,700,,,,00012345,,,,"},
        {"voice approval, first form", voice, CARD_OP_VOICE,
         "W,P,1,0,4111111111111111+1209,1250,,,A1B2C3,00012345,,,,"},
        {"voice approval screen", voice, CARD_OP_VOICE_SCREEN,
         "W,P,2,0,4111111111111111+1209,1250,,,A1B2C3,00012345,,,,"},
        {"address texts, commas made blanks", address, CARD_OP_SALE,
         "W,P,5,0,4111111111111111+1209,1250,,,,00012345,12345,1 Main St  Apt 2,,"},
        {"address texts go with sales only", address, CARD_OP_CREDIT,
         "W,P,0,0,4111111111111111+1209,1250,,,,00012345,,,,"},
        {"the largest amount of 9 digits", big, CARD_OP_SALE,
         "W,P,5,0,4111111111111111+1209,999999999,,,,00012345,,,,"},
    };
    for (const Case& c : cases) {
        CardContext context = c.context;
        CardRequest request;
        ASSERT_TRUE(FillRequest(context, c.operation, request)) << c.what;
        EXPECT_EQ(RequestLine(request), c.line) << c.what;
    }
}

TEST(CardRequestLine, InputThatCannotBeSentIsRefused)
{
    FxReset();
    FxUseScriptDriver();
    struct Case {
        const char* expiry;
        double amount;
    } cases[] = {{"09A2", 10.0}, {"091", 10.0}, {"0912", 10000000.0}, {"0912", -1.0}};
    for (const Case& c : cases) {
        CardContext context = Keyed("4111111111111111", c.expiry, c.amount);
        CardRequest request;
        EXPECT_FALSE(FillRequest(context, CARD_OP_SALE, request)) << c.expiry << " " << c.amount;
    }
}

// ------------------------------------------------------------ answers

TEST(CardAnswer, LettersCodesAndTexts)
{
    FxReset();
    FxUseScriptDriver();
    struct Case {
        const char* text;
        bool taken;
        char approval;
        const char* field;
    } cases[] = {
        {"0,123456,APPROVED", true, 'Y', "123456"},
        {"0,123456,APPROVED\r\n", true, 'Y', "123456"},
        {"1,12,CALL CENTER", true, 'N', "12 CALL CENTER"},
        {"2,12", true, 'N', "12 Undefined."},
        {"2,05,DECLINED,MORE,FIELDS", true, 'N', "05 DECLINED"},
        // A letter the authorizer should not send is a decline, not the
        // approval the context held before.
        {"7,99,ODD ANSWER", true, 'N', "99 ODD ANSWER"},
        {"0", false, 'Y', "OLD"},
        {"", false, 'Y', "OLD"},
        // an approval without its code cannot be read
        {"0,", false, 'Y', "OLD"},
        {"0,,APPROVED", false, 'Y', "OLD"},
        {"0,   ,APPROVED", false, 'Y', "OLD"},
    };
    for (const Case& c : cases) {
        CardContext context{};
        context.ApprovalLetter = 'Y';
        std::snprintf(context.Approval, sizeof context.Approval, "OLD");
        EXPECT_EQ(TakeAnswer(context, c.text), c.taken) << c.text;
        EXPECT_EQ(context.ApprovalLetter, c.approval) << c.text;
        EXPECT_STREQ(context.Approval, c.field) << c.text;
    }
    EXPECT_NE(std::string(FxTranscript()).find("incomplete"), std::string::npos)
        << "an answer of one field shows message 651";
}

// The answer names the request it answers (its reference and amount): an
// approval of another request, or one that names none, is not taken.
TEST(CardAnswer, AnAnswerIsTakenOnlyForItsOwnRequest)
{
    FxReset();
    FxUseScriptDriver();
    CardRequest request{};
    std::snprintf(request.Reference, sizeof request.Reference, "00012345");
    std::snprintf(request.Amount, sizeof request.Amount, "1250");
    struct Case {
        const char* answer;
        bool taken;
        const char* left;  // what goes on to be read
    } cases[] = {
        {"0,A10001,APPROVED,00012345,1250", true, "0,A10001,APPROVED"},
        {"0,A10001,APPROVED,00012345,1250\r\n", true, "0,A10001,APPROVED"},
        {"0,A10001,CALL, ME,00012345,1250", true, "0,A10001,CALL, ME"},
        {"2,05,DECLINED,00012345,1250", true, "2,05,DECLINED"},
        {"2,96,BAD AMOUNT", true, "2,96,BAD AMOUNT"},
        {"0,A10001,APPROVED,00099999,1250", false, ""},
        {"0,A10001,APPROVED,00012345,999", false, ""},
        {"0,A10001,APPROVED", false, ""},
        {"2,05,DECLINED,00099999,1250", false, ""},
    };
    for (const Case& c : cases) {
        std::string text = c.answer;
        EXPECT_EQ(AnswerOfRequest(text, request), c.taken) << c.answer;
        if (c.taken) {
            EXPECT_EQ(text, c.left);
        }
    }
    EXPECT_NE(std::string(FxTranscript()).find("for another request"), std::string::npos);
}

TEST(CardAnswer, AddressVerificationLetters)
{
    struct Case {
        const char* text;
        char letter;
        int message;
    } cases[] = {
        {"APPROVED AVS=y", 'Y', 1656}, {"AVS=N", 'N', 1644}, {"OK AVS=A", 'A', 1638},
        {"AVS=X", 'X', 1654},          {"AVS=Q", 0, 1658},    {"AVS=", 0, 1658},
        {"APPROVED", 0, 1658},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AddressResultLetter(c.text), c.letter) << c.text;
        EXPECT_EQ(AddressResultMessage(AddressResultLetter(c.text)), c.message) << c.text;
    }
}

// -------------------------------------------------- with a company folder

class CardTest : public PostingTest {
protected:
    void SetUp() override
    {
        PostingTest::SetUp();
        if (IsSkipped())
            return;
        ResetCardAuthorizationState();
        SetTenderScreens(TypedCardScreen, nullptr);
        g_typed = Typed{};
        g_screenRuns = 0;
        FxUseScriptDriver();
        FxTranscriptClear();
        folder_ = scratch_.path() + "/authorizer";
        fs::create_directories(folder_);
        ASSERT_EQ(BtrOpenFile(&cards_, FilePath(bwps::No(bwps::FileNo::CardTransactions)).c_str(), 0, 0), 0);
        Settings().CardAuthorizer = 'N';
        Settings().CardAddressEntry = 'O';
    }

    void TearDown() override
    {
        StopAuthorizer();
        if (cards_ != 0)
            BtrCloseFile(cards_);
        ResetCardAuthorizationState();
        PostingTest::TearDown();
    }

    static TagSysInterface& Settings() { return *GetSysInterfaceRecord(); }

    std::string Program() const { return bwpstest::BuildProgramFolder() + "/bwpos-authorizer"; }

    // Starts the authorizer over the folder with the rules given.
    void StartAuthorizer(const std::string& rules)
    {
        const std::string rulesPath = scratch_.path() + "/rules.txt";
        std::ofstream(rulesPath) << rules;
        pid_ = ::fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            ::execl(Program().c_str(), Program().c_str(), folder_.c_str(), "--rules",
                    rulesPath.c_str(), "--idle-exit", "120", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        char work[260] = {};
        FxAuthorizerPrepare(work, folder_.c_str());
        for (int i = 0; i < 200 && FxAuthorizerRunning(work) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(FxAuthorizerRunning(work), 0) << "the authorizer did not start";
    }

    void StopAuthorizer()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
    }

    CardContext Context(int32_t sequence = 5)
    {
        CardContext c{};
        SetupCardAuthorization(&c, folder_.c_str(), sequence);
        std::snprintf(c.InvoiceNo, sizeof c.InvoiceNo, "IN00012345");
        std::snprintf(c.PaymentMethod, sizeof c.PaymentMethod, "VISA");
        c.Register = 2;
        c.FileHandle = cards_;
        c.TenderKind = CARD_TENDER_CREDIT;
        c.Amount = 12.5;
        return c;
    }

    std::vector<CardTransactionRecord> Stored() { return ReadAll<CardTransactionRecord>(FilePath(bwps::No(bwps::FileNo::CardTransactions))); }
    std::string Log() const { return Slurp(folder_ + "/AUTHORIZER.LOG"); }
    std::string Transcript() const { return FxTranscript(); }
    void Script(const char* text) { ASSERT_EQ(FxScriptLoad(text), 0); }

    void InitParameters()
    {
        const std::string command =
            Program() + " init " + folder_ + " 'CALL 800-555-0100' 'MERCHANT 42' 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    std::string folder_;
    uint16_t cards_ = 0;
    pid_t pid_ = 0;
};

TEST_F(CardTest, SetupNamesTheExchangeFilesAndWritesTheRequestForOwnerOnly)
{
    // Without the authorizer option a sequence number other than 1 still
    // gives an authorizer context.
    CardContext c = Context(5);
    EXPECT_EQ(c.Kind, CARD_KIND_AUTHORIZER);
    EXPECT_EQ(c.State, CARD_STATE_READY);
    EXPECT_STREQ(c.RequestName, "AUTH0005.IN");
    EXPECT_STREQ(c.AnswerName, "AUTH0005.OUT");
    EXPECT_EQ(c.Folder[std::strlen(c.Folder) - 1], '/');

    std::snprintf(c.CardNumber, sizeof c.CardNumber, "4111111111111111");
    std::snprintf(c.Expiry, sizeof c.Expiry, "0912");
    c.Operation = CARD_OP_CREDIT;
    ASSERT_EQ(CallSlot(&c, kSend), 1);
    EXPECT_EQ(c.Result, CARD_RESULT_SENT);
    const fs::path request = folder_ + "/AUTH0005.IN";
    ASSERT_TRUE(fs::exists(request));
    EXPECT_FALSE(fs::exists(folder_ + "/AUTH0005.TMP"));
    EXPECT_EQ(fs::status(request).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    const std::string line = "W,P,0,0,4111111111111111+1209,1250,,,,00012345,,,,";
    EXPECT_EQ(Slurp(request), line + std::string(1, '\0'));

    CardContext none = Context(1);
    EXPECT_EQ(none.Kind, CARD_KIND_NONE);
    EXPECT_EQ(RunCardAuthorization(&none), 0);
    EXPECT_NE(Transcript().find("Card authorization is not available."), std::string::npos);
}

// A link planted at the request's temporary name is removed, never written
// through: the file it pointed at keeps its bytes.
TEST_F(CardTest, ALinkAtTheTemporaryRequestNameIsNotWrittenThrough)
{
    const std::string victim = scratch_.path() + "/victim.txt";
    std::ofstream(victim) << "victim";
    ASSERT_EQ(::link(victim.c_str(), (folder_ + "/AUTH0005.TMP").c_str()), 0);
    fs::create_symlink(victim, folder_ + "/AUTH0006.TMP");
    for (int32_t sequence : {5, 6}) {
        CardContext c = Context(sequence);
        std::snprintf(c.CardNumber, sizeof c.CardNumber, "4111111111111111");
        std::snprintf(c.Expiry, sizeof c.Expiry, "0912");
        c.Operation = CARD_OP_SALE;
        ASSERT_EQ(CallSlot(&c, kSend), 1) << Transcript();
    }
    EXPECT_EQ(Slurp(victim), "victim");
    EXPECT_NE(Slurp(folder_ + "/AUTH0005.IN").find("4111111111111111+1209"), std::string::npos);
}

// Two stations of one register number: the second finds the exchange held
// and sends nothing; nothing is stored for it.
TEST_F(CardTest, ASecondStationOfTheSameRegisterIsRefused)
{
    StartAuthorizer("any approve 111111\n");
    const int held = ::open((folder_ + "/AUTH0005.LCK").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    CardContext c = Context();
    Script("answer No\n");
    EXPECT_EQ(RunCardAuthorization(&c), 0);
    EXPECT_NE(Transcript().find("Another station is using the card exchange"), std::string::npos)
        << Transcript();
    EXPECT_TRUE(Stored().empty());
    EXPECT_EQ(Log().find("AUTH0005 W"), std::string::npos) << Log();
    ::close(held);
    // Free again: the exchange goes through.
    FxTranscriptClear();
    CardContext again = Context();
    EXPECT_EQ(RunCardAuthorization(&again), 1) << Transcript();
}

// A pipe put at the answer name is refused as unreadable, not waited on.
TEST_F(CardTest, APipeAtTheAnswerNameDoesNotHangTheWait)
{
    StartAuthorizer("any noanswer\n");
    SetCardAuthorizationTimeout(3);
    std::thread plant([&] {
        // once the authorizer took the request
        for (int i = 0; i < 300 && !fs::exists(folder_ + "/AUTH0005.IN"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        for (int i = 0; i < 300 && fs::exists(folder_ + "/AUTH0005.IN"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::mkfifo((folder_ + "/AUTH0005.OUT").c_str(), 0600);
    });
    CardContext c = Context();
    Script("answer No\n");
    const auto start = Clock::now();
    EXPECT_EQ(RunCardAuthorization(&c), 0);
    plant.join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(Stored().empty());
}

// An authorizer that holds its lock but no longer serves: the wait ends,
// and neither the request nor its void stays behind with the card number.
TEST_F(CardTest, ARequestLeftByADeadAuthorizerIsRemovedWhenTheWaitEnds)
{
    StartAuthorizer("any approve\n");
    ::kill(pid_, SIGSTOP);
    SetCardAuthorizationTimeout(1);
    CardContext c = Context();
    Script("answer No\n");
    EXPECT_EQ(RunCardAuthorization(&c), 0);
    ::kill(pid_, SIGCONT);
    EXPECT_FALSE(fs::exists(folder_ + "/AUTH0005.IN"));
    EXPECT_FALSE(fs::exists(folder_ + "/AUTH0005.TMP"));
    EXPECT_TRUE(Stored().empty());
}

// A credit card tendered without a tender code is recorded by its kind.
TEST_F(CardTest, CreditCardsAreRecordedByTheirKind)
{
    StartAuthorizer("any approve 135790\n");
    struct Case {
        const char* number;
        const char* kind;
    } cases[] = {
        {"4111111111111111", "VISA"},   {"5500000000000004", "M/C"},   {"2223000048400011", "M/C"},
        {"371449635398431", "AMEX"},    {"6011000990139424", "DISCOVER"}, {"9999000011112222", "CREDIT"},
    };
    int n = 0;
    for (const Case& k : cases) {
        g_typed.number = k.number;
        CardContext c = Context();
        std::snprintf(c.InvoiceNo, sizeof c.InvoiceNo, "IN%08d", ++n);
        std::memset(c.PaymentMethod, 0, sizeof c.PaymentMethod);
        ASSERT_EQ(RunCardAuthorization(&c), 1) << Transcript();
    }
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), std::size(cases));
    for (const auto& r : stored) {
        const int i = std::atoi(r.InvoiceNo + 2) - 1;
        EXPECT_STREQ(r.PaymentMethod, cases[i].kind) << cases[i].number;
    }
}

TEST_F(CardTest, AnApprovalIsRecorded)
{
    StartAuthorizer("card=1111 approve 424242 APPROVED\n");
    Settings().CardAuthorizer = 'Y';
    CardContext c = Context();
    EXPECT_EQ(c.Ready, 1);
    c.Amount = -30.0;  // a refund: sent as a credit of the positive amount
    EXPECT_EQ(RunCardAuthorization(&c), 1) << Transcript();
    EXPECT_EQ(c.ApprovalLetter, 'Y');
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_STREQ(stored[0].InvoiceNo, "IN00012345");
    EXPECT_EQ(+stored[0].Register, 2);
    EXPECT_EQ(stored[0].Kind, CARD_RECORD_CREDIT);
    EXPECT_STREQ(stored[0].CardNumber, "4111111111111111");
    EXPECT_STREQ(stored[0].Expiry, "2512");
    EXPECT_STREQ(stored[0].Approval, "424242");
    EXPECT_STREQ(stored[0].PaymentMethod, "VISA");
    EXPECT_DOUBLE_EQ(stored[0].Amount, 30.0);
    EXPECT_EQ(stored[0].Unreversed, '\0');
    EXPECT_NE(Log().find("code 0 card ************1111 amount 3000"), std::string::npos) << Log();
    EXPECT_EQ(Log().find("4111111111111111"), std::string::npos) << "the log masks card numbers";
}

TEST_F(CardTest, ADeclineCanBeCompletedByVoiceApproval)
{
    StartAuthorizer("card=0002 decline 1 12 CALL CENTER\n");
    InitParameters();
    g_typed.number = "4000000000000002";
    CardContext c = Context();
    Script("answer Yes\ntype 654321\nkey F10\n");
    EXPECT_EQ(RunCardAuthorization(&c), 1) << Transcript();
    const std::string t = Transcript();
    EXPECT_NE(t.find("12 CALL CENTER"), std::string::npos) << t;
    EXPECT_STREQ(c.ParameterText1, "CALL 800-555-0100");
    EXPECT_STREQ(c.ParameterText2, "MERCHANT 42");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_STREQ(stored[0].Approval, "654321");
    EXPECT_EQ(stored[0].Kind, CARD_RECORD_OTHER);
    EXPECT_NE(Log().find("code 2"), std::string::npos) << Log();
}

TEST_F(CardTest, ADeclineAnsweredNoRecordsNothing)
{
    StartAuthorizer("card=0002 decline 2 05 DO NOT HONOR\n");
    g_typed.number = "4000000000000002";
    CardContext c = Context();
    Script("answer No\n");
    EXPECT_EQ(RunCardAuthorization(&c), 0);
    EXPECT_EQ(c.ApprovalLetter, 'N');
    EXPECT_STREQ(c.Approval, "05 DO NOT HONOR");
    EXPECT_TRUE(Stored().empty());
}

TEST_F(CardTest, AddressResultsAcceptedOrReversed)
{
    StartAuthorizer(
        "card=0001 approve 100001 APPROVED AVS=y\n"
        "card=0003 approve 100003 APPROVED AVS=N\n");
    g_typed.address1 = "1 Main St";
    g_typed.address2 = "12345";

    // Y: shown with Continue, accepted.
    g_typed.number = "4000000000000001";
    CardContext accepted = Context();
    Script("answer Continue\n");
    EXPECT_EQ(RunCardAuthorization(&accepted), 1) << Transcript();
    EXPECT_NE(Transcript().find("the 5-digit"), std::string::npos) << "message 1656";
    ASSERT_EQ(Stored().size(), 1u);

    // N with address entry required: refused without a question, the sale
    // reversed by a credit, then the address-check decline box.
    Settings().CardAddressEntry = 'A';
    g_typed.number = "4000000000000003";
    CardContext refused = Context();
    Script("answer Continue\nanswer No\n");
    EXPECT_EQ(RunCardAuthorization(&refused), 0) << Transcript();
    const std::string t = Transcript();
    EXPECT_NE(t.find("neither the street address"), std::string::npos) << t;
    EXPECT_NE(t.find("AVS=N"), std::string::npos) << t;
    EXPECT_NE(t.find("successfully voided"), std::string::npos) << t;
    EXPECT_NE(Log().find("W code 0 card ************0003"), std::string::npos) << Log();
    EXPECT_EQ(Stored().size(), 1u);
}

TEST_F(CardTest, AReversalThatNeverGoesThroughIsAskedAboutThenRecordedUnreversed)
{
    StartAuthorizer(
        "card=0011 code=0 noanswer\n"
        "card=0011 approve 111111 APPROVED AVS=N\n");
    SetCardAuthorizationTimeout(1);
    Settings().CardAddressEntry = 'A';
    g_typed.number = "4000000000000011";
    g_typed.address1 = "1 Main St";
    g_typed.address2 = "12345";
    CardContext c = Context();
    Script("answer Continue\nanswer No\nanswer Continue\n");
    const auto start = Clock::now();
    EXPECT_EQ(RunCardAuthorization(&c), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20)) << "three tries, then the question";
    const std::string t = Transcript();
    EXPECT_NE(t.find("Try again?"), std::string::npos) << t;
    EXPECT_NE(t.find("could not be reversed"), std::string::npos) << t;
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Unreversed, 'U');
    EXPECT_EQ(stored[0].Kind, CARD_RECORD_SALE);
    EXPECT_STREQ(stored[0].Approval, "111111");
    // Each unanswered reversal was voided.
    std::size_t cancels = 0;
    for (std::size_t at = Log().find("CANCELLED"); at != std::string::npos;
         at = Log().find("CANCELLED", at + 1))
        ++cancels;
    EXPECT_EQ(cancels, 3u) << Log();
}

TEST_F(CardTest, TheWaitEndsAtTheTimeOutAndTheRequestIsVoided)
{
    StartAuthorizer("card=0009 noanswer\n");
    SetCardAuthorizationTimeout(1);
    g_typed.number = "4000000000000009";
    CardContext c = Context();
    Script("answer No\n");
    const auto start = Clock::now();
    EXPECT_EQ(RunCardAuthorization(&c), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(6));
    EXPECT_NE(Transcript().find("Try again?"), std::string::npos);
    EXPECT_NE(Log().find("void -> 0,000000,CANCELLED"), std::string::npos) << Log();
    EXPECT_TRUE(Stored().empty());
}

TEST_F(CardTest, EscAbandonsTheWaitAndALateApprovalIsCancelled)
{
    StartAuthorizer("card=0007 delay=4000 approve 777777\nany approve 888888\n");
    g_typed.number = "4000000000000007";
    CardContext c = Context();
    // Esc once the authorizer holds the request (each "wait" is one poll),
    // then Yes to try again: the retry sends the sale again, not a void.
    std::string script;
    for (int i = 0; i < 50; ++i)
        script += "wait\n";
    Script((script + "key Esc\nanswer Yes\n").c_str());
    const int first = RunCardAuthorization(&c);
    // The delayed approval of the first request never comes: the void
    // cancelled it, and the retry was a sale of its own.
    EXPECT_NE(Log().find("CANCELLED"), std::string::npos) << Log();
    EXPECT_EQ(first, 1) << Transcript();
    // By now the first request's delay has run out too.
    const std::string log = Log();
    EXPECT_EQ(log.find("AUTH0005 answered"), log.rfind("AUTH0005 answered"))
        << "only the retry is answered: " << log;
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_STREQ(stored[0].Approval, "777777");
}

TEST_F(CardTest, AVoidCreditsTheStoredSaleOnce)
{
    StartAuthorizer("any approve 123456\n");
    CardContext sale = Context();
    ASSERT_EQ(RunCardAuthorization(&sale), 1);

    CardContext v = Context();
    Script("answer Yes\n");
    EXPECT_EQ(VoidCardTransaction(&v), 1) << Transcript();
    EXPECT_NE(Transcript().find("Order Number\\t: IN00012345"), std::string::npos) << Transcript();
    auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Kind, CARD_RECORD_VOICE);
    EXPECT_EQ(stored[0].PreviousKind, CARD_RECORD_SALE);
    EXPECT_NE(Log().find("W code 0 card ************1111 amount 1250"), std::string::npos) << Log();

    // Voided already: refused, nothing sent.
    FxTranscriptClear();
    CardContext again = Context();
    EXPECT_EQ(VoidCardTransaction(&again), 0);
    EXPECT_EQ(Log().rfind("W code 5"), Log().find("W code 5"));
    EXPECT_NE(Transcript().find("could not be voided"), std::string::npos) << Transcript();
}

TEST_F(CardTest, TheAuthorizerIsStartedWhenItDoesNotRun)
{
    fs::create_symlink(Program(), folder_ + "/bwpos-authorizer");
    Settings().CardAuthorizer = 'Y';
    CardContext c = Context();
    EXPECT_EQ(c.Ready, 1) << Transcript();
    EXPECT_EQ(c.Kind, CARD_KIND_AUTHORIZER);
    char work[260] = {};
    FxAuthorizerPrepare(work, folder_.c_str());
    pid_t started = FxAuthorizerPid(work);
    ASSERT_GT(started, 0);
    EXPECT_EQ(std::stoi(Slurp(folder_ + "/AUTHORIZER.LCK")), started);
    EXPECT_EQ(RunCardAuthorization(&c), 1);
    ::kill(started, SIGTERM);
    for (int i = 0; i < 200 && FxAuthorizerRunning(work) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(FxAuthorizerRunning(work), 0);
}

TEST_F(CardTest, NotAvailableWhenTheAuthorizerCannotStart)
{
    Settings().CardAuthorizer = 'Y';
    CardContext c{};
    EXPECT_EQ(SetupCardAuthorization(&c, folder_.c_str(), 1), 0);
    EXPECT_EQ(c.Kind, CARD_KIND_NONE);
    EXPECT_NE(Transcript().find("Card authorization is not available."), std::string::npos)
        << Transcript();
}

TEST_F(CardTest, TheTenderScreensTakeASwipeAndACheckToTheirApprovals)
{
    StartAuthorizer("any approve 246810 APPROVED\n");
    SetTenderScreens(nullptr, nullptr);  // the screens of ordinals 596 and 597

    CardContext card = Context();
    card.SwipeFirst = 'Y';
    Script("type ;5500000000000004=25121010000?\nkey Enter\nkey F10\n");
    EXPECT_EQ(RunCardAuthorization(&card), 1) << Transcript();
    EXPECT_EQ(card.EntryMode, 'S');
    EXPECT_STREQ(card.CardData, "5500000000000004=25121010000");

    CardContext check = Context();
    check.TenderKind = CARD_TENDER_CHECK;
    check.CheckMode = 2;
    std::snprintf(check.InvoiceNo, sizeof check.InvoiceNo, "IN00012346");
    Script("type T123456789 00012345\nfield 4 NY\nfield 5 1001\nfield 6 PAT DOE\nkey F10\n");
    EXPECT_EQ(RunCardAuthorization(&check), 1) << Transcript();
    EXPECT_STREQ(check.CardData, "T123456789 00011001");  // the check number from the 16th character
    EXPECT_STREQ(check.Name, "1001/PAT DOE");

    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_STREQ(stored[0].CardNumber, "5500000000000004");
    EXPECT_STREQ(stored[0].Expiry, "2512");
    EXPECT_STREQ(stored[0].Approval, "246810");
    EXPECT_EQ(stored[1].Kind, CARD_RECORD_CHECK);
    EXPECT_STREQ(stored[1].Name, "PAT DOE");
    EXPECT_NE(Log().find("code 7"), std::string::npos) << Log();
}

}  // namespace
