// The tender screens as a clerk runs them: the swipe window reading what
// the card reader types, the card screen with its expiry and address
// checks, and the check screen in its three modes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bwps/cards.h"
#include "bwps/records/general.h"
#include "bwps/settings.h"
#include "fx.h"
#include "posting/card/card_internal.h"
#include "tests/posting/fixture.h"

namespace fs = std::filesystem;
using namespace postingtest;
using namespace bwps::card;

namespace {

constexpr int kF10 = FX_KEY_F10;

// ------------------------------------------------------------ the stripe

TEST(CardStripe, TracksSeparatorsAndShortStripes)
{
    struct Case {
        const char* what;
        const char* read;  // as stored from the reader, sentinels left out
        int track;
        const char* number;
        const char* name;
        const char* expiry;
        const char* stripe;
    } cases[] = {
        {"track 1", "B4111 1111 1111 1111^DOE/PAT^2512101000", 1, "4111111111111111", "DOE/PAT",
         "2512", "B4111 1111 1111 1111^DOE/PAT^2512101000"},
        {"track 1, lower-case format letter", "b4111111111111111^DOE/PAT^2512", 1,
         "4111111111111111", "DOE/PAT", "2512", "B4111111111111111^DOE/PAT^2512"},
        {"track 1 without a name", "B4111111111111111", 1, "4111111111111111", "", "", "B4111111111111111"},
        {"track 1 cut after the name", "B4111111111111111^DOE/PAT", 1, "4111111111111111",
         "DOE/PAT", "", "B4111111111111111^DOE/PAT"},
        {"track 1, expiry cut short", "B4111111111111111^DOE/PAT^25", 1, "4111111111111111",
         "DOE/PAT", "25", "B4111111111111111^DOE/PAT^25"},
        {"track 2", "4111111111111111=25121010000", 2, "4111111111111111", "", "2512",
         "4111111111111111=25121010000"},
        {"track 2, 'D' separator", "4111111111111111D25121010000", 2, "4111111111111111", "",
         "2512", "4111111111111111=25121010000"},
        {"track 2 without a separator, number cut to 25", "123456789012345678901234567890", 2,
         "1234567890123456789012345", "", "", "123456789012345678901234567890"},
    };
    for (const Case& c : cases) {
        CardContext context{};
        char buffer[257] = {};
        std::snprintf(buffer, sizeof buffer, "%s", c.read);
        ParseStripe(context, buffer);
        EXPECT_EQ(context.Track, c.track) << c.what;
        EXPECT_STREQ(context.CardNumber, c.number) << c.what;
        EXPECT_STREQ(context.Name, c.name) << c.what;
        EXPECT_STREQ(context.Expiry, c.expiry) << c.what;
        EXPECT_STREQ(context.Stripe, c.stripe) << c.what;
    }
}

TEST(CardStripe, ALongStripeKeepsEightyCharactersAndALongNameFitsItsField)
{
    CardContext context{};
    char buffer[257] = {};
    std::string stripe = "B4111111111111111^" + std::string(40, 'N') + "^2512" + std::string(100, '9');
    std::snprintf(buffer, sizeof buffer, "%s", stripe.c_str());
    ParseStripe(context, buffer);
    EXPECT_EQ(std::strlen(context.Stripe), 80u);
    EXPECT_EQ(std::string(context.Name), std::string(26, 'N'));
    EXPECT_STREQ(context.Expiry, "2512");
}

TEST(CardExpiry, YearThenMonthWhicheverOrderWasTyped)
{
    struct Case {
        const char* typed;
        int message;
        const char* kept;
    } cases[] = {
        {"0915", 0, "1509"}, {"1209", 0, "1209"}, {"2512", 0, "2512"}, {"1212", 0, "1212"},
        {"1315", kBadExpiry, nullptr}, {"091", kBadExpiry, nullptr}, {"", kBadExpiry, nullptr},
        {"09A5", kBadExpiry, nullptr}, {"0 15", kBadExpiry, nullptr}, {"0915 ", 0, "1509"},
    };
    for (const Case& c : cases) {
        std::string text = c.typed;
        EXPECT_EQ(NormaliseExpiry(text), c.message) << c.typed;
        if (c.kept != nullptr) {
            EXPECT_EQ(text, c.kept) << c.typed;
        }
    }
}

// ------------------------------------------------------------ the screens

class TenderScreenTest : public PostingTest {
protected:
    void SetUp() override
    {
        PostingTest::SetUp();
        if (IsSkipped())
            return;
        ResetCardAuthorizationState();
        FxUseScriptDriver();
        FxTranscriptClear();
        folder_ = scratch_.path() + "/authorizer";
        fs::create_directories(folder_);
        GetSysInterfaceRecord()->CardAuthorizer = 'N';
        GetSysInterfaceRecord()->CardAddressEntry = 'O';
        SetupCardAuthorization(&c_, folder_.c_str(), 5);
        ASSERT_EQ(c_.Kind, CARD_KIND_AUTHORIZER);
        c_.TenderKind = CARD_TENDER_CREDIT;
        c_.Amount = 12.5;
    }
    void TearDown() override
    {
        ResetCardAuthorizationState();
        PostingTest::TearDown();
    }

    void Script(const std::string& text) { ASSERT_EQ(FxScriptLoad(text.c_str()), 0); }
    static std::string Transcript() { return FxTranscript(); }
    static bool Shows(const char* text) { return Transcript().find(text) != std::string::npos; }

    std::string folder_;
    CardContext c_{};
};

TEST_F(TenderScreenTest, SwipesFillTheCardScreen)
{
    struct Case {
        const char* what;
        const char* swipe;
        char entry;
        int track;
        const char* number;
        const char* expiry;
        const char* name;
        const char* stripe;
    } cases[] = {
        {"track 1", "%B4111111111111111^DOE/PAT^2512101000?", 'K', 1, "4111111111111111", "2512",
         "DOE/PAT", "B4111111111111111^DOE/PAT^2512101000"},
        {"track 2", ";5500000000000004=25121010000?", 'K', 2, "5500000000000004", "2512", "",
         "5500000000000004=25121010000"},
        {"track 2 with a 'D' separator", ";5500000000000004D25121010000?", 'K', 2,
         "5500000000000004", "2512", "", "5500000000000004=25121010000"},
        {"both tracks: the second is not kept", "%B4111111111111111^DOE/PAT^2512?;4111111111111111=2512?",
         'K', 1, "4111111111111111", "2512", "DOE/PAT", "B4111111111111111^DOE/PAT^2512"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardContext context = c_;
        context.SwipeFirst = 'Y';
        FxTranscriptClear();
        Script(std::string("type ") + c.swipe + "\nkey Enter\nkey F10\n");
        EXPECT_EQ(EditCardTender(&context), kF10) << Transcript();
        EXPECT_EQ(context.EntryLetter, c.entry);
        EXPECT_EQ(context.Track, c.track);
        EXPECT_STREQ(context.CardNumber, c.number);
        EXPECT_STREQ(context.Expiry, c.expiry);
        EXPECT_STREQ(context.Name, c.name);
        EXPECT_STREQ(context.Stripe, c.stripe);
        EXPECT_TRUE(Shows("window name RSCCardSwipe"));
        EXPECT_TRUE(Shows("window name RSEditCreditCard"));
    }
}

TEST_F(TenderScreenTest, TheReaderTypesKeyByKey)
{
    c_.SwipeFirst = 'Y';
    std::string script;
    for (char ch : std::string(";4111111111111111=2512?"))
        script += std::string("key '") + ch + "'\n";
    Script(script + "key Enter\nkey F10\n");
    EXPECT_EQ(EditCardTender(&c_), kF10) << Transcript();
    EXPECT_EQ(c_.EntryLetter, 'K');
    EXPECT_STREQ(c_.Stripe, "4111111111111111=2512");
}

TEST_F(TenderScreenTest, AShortSwipeIsNoSwipeAndTheCardIsTyped)
{
    c_.SwipeFirst = 'Y';
    Script("type ;41?\nkey Enter\ntype 4111111111111111\nkey Enter\ntype 2512\nkey Enter\nkey F10\n");
    EXPECT_EQ(EditCardTender(&c_), kF10) << Transcript();
    EXPECT_EQ(c_.EntryLetter, 0);
    EXPECT_STREQ(c_.Stripe, "");
    EXPECT_STREQ(c_.CardNumber, "4111111111111111");
    EXPECT_STREQ(c_.Expiry, "2512");
}

TEST_F(TenderScreenTest, ACardEditedAfterTheSwipeIsSentAsKeyed)
{
    struct Case {
        const char* what;
        const char* edit;
        const char* number;
        const char* expiry;
    } cases[] = {
        {"another number", "type 5500000000000004\n", "5500000000000004", "2512"},
        {"another expiry", "field 2 2612\n", "4111111111111111", "2612"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardContext context = c_;
        context.SwipeFirst = 'Y';
        Script(std::string("type %B4111111111111111^DOE/PAT^2512?\nkey Enter\n") + c.edit + "key F10\n");
        EXPECT_EQ(EditCardTender(&context), kF10) << Transcript();
        EXPECT_EQ(context.EntryLetter, 0);
        EXPECT_STREQ(context.Stripe, "");
        EXPECT_STREQ(context.CardNumber, c.number);
        EXPECT_STREQ(context.Expiry, c.expiry);
        // Keyed: the request carries the typed number, not the stripe.
        CardRequest request;
        ASSERT_TRUE(FillRequest(context, CARD_OP_SALE, request));
        EXPECT_EQ(request.EntryMode, '0');
    }
}

TEST_F(TenderScreenTest, EscInTheSwipeWindowEndsTheTender)
{
    c_.SwipeFirst = 'Y';
    c_.EntryLetter = 'K';
    Script("type %B4111\nkey Esc\n");
    EXPECT_EQ(EditCardTender(&c_), 27);
    EXPECT_EQ(c_.EntryLetter, 0);
    EXPECT_FALSE(Shows("RSEditCreditCard")) << Transcript();
}

TEST_F(TenderScreenTest, TheExpiryIsTakenYearThenMonth)
{
    struct Case {
        const char* typed;
        bool refused;
        const char* stored;
    } cases[] = {{"0915", false, "1509"}, {"1209", false, "1209"}, {"1315", true, ""}, {"091", true, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CardContext context = c_;
        FxTranscriptClear();
        Script(std::string("type 4111111111111111\nkey Enter\ntype ") + c.typed +
               "\nkey Enter\nkey F10\n" + (c.refused ? "key Esc\nanswer Yes\n" : ""));
        const int result = EditCardTender(&context);
        EXPECT_EQ(Shows("The expiration date is not valid."), c.refused) << Transcript();
        if (c.refused) {
            EXPECT_EQ(result, 27);
        } else {
            EXPECT_EQ(result, kF10);
            EXPECT_STREQ(context.Expiry, c.stored);
            EXPECT_TRUE(Shows(std::string("field 2 exit \"").append(c.stored).c_str())) << Transcript();
        }
    }
}

TEST_F(TenderScreenTest, F10RefusesAnExpiryThatWasNeverLeft)
{
    // F10 straight from the expiry field: its own check has not run.
    Script("type 4111111111111111\nkey Enter\ntype 1315\nkey F10\ntype 1512\nkey F10\n");
    EXPECT_EQ(EditCardTender(&c_), kF10) << Transcript();
    EXPECT_TRUE(Shows("The expiration date is not valid.")) << Transcript();
    EXPECT_STREQ(c_.Expiry, "1512");
}

TEST_F(TenderScreenTest, F10AsksForTheNumberAndTheExpiry)
{
    Script("key F10\ntype 4111111111111111\nkey F10\ntype 2512\nkey F10\n");
    EXPECT_EQ(EditCardTender(&c_), kF10) << Transcript();
    const std::string t = Transcript();
    const auto number = t.find("Type the card number.");
    const auto expiry = t.find("Type the expiration date of the card.");
    ASSERT_NE(number, std::string::npos) << t;
    ASSERT_NE(expiry, std::string::npos) << t;
    EXPECT_LT(number, expiry);
    EXPECT_STREQ(c_.CardNumber, "4111111111111111");
}

TEST_F(TenderScreenTest, AddressFieldsByTheStoreSetting)
{
    struct Case {
        const char* what;
        char kind;
        char setting;
        const char* script;
        const char* message;  // shown on the way, or null
        int flag;
        const char* street;
        const char* postal;
    } cases[] = {
        {"credit card, address asked", 'N', 'O',
         "field 5 1 Main St\nfield 6 12345\nkey F10\n", nullptr, 1, "1 Main St", "12345"},
        {"credit card, address left empty", 'N', 'O', "key F10\n", nullptr, 0, "", ""},
        {"street without postal code", 'N', 'O', "field 5 1 Main St\nkey F10\ntype 12345\nkey F10\n",
         "Type the postal code of the card holder.", 1, "1 Main St", "12345"},
        {"address required", 'N', 'A', "key F10\nfield 5 1 Main St\nfield 6 12345\nkey F10\n",
         "Type the street address and the postal code", 1, "1 Main St", "12345"},
        {"address switched off", 'N', 'N', "field 5 1 Main St\nkey F10\n", nullptr, 0, "", ""},
        {"debit card: no address", 'D', 'A', "key F10\n", nullptr, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GetSysInterfaceRecord()->CardAddressEntry = c.setting;
        CardContext context = c_;
        context.TenderKind = c.kind;
        std::snprintf(context.CardNumber, sizeof context.CardNumber, "4111111111111111");
        std::snprintf(context.Expiry, sizeof context.Expiry, "2512");
        FxTranscriptClear();
        Script(c.script);
        EXPECT_EQ(EditCardTender(&context), kF10) << Transcript();
        if (c.message != nullptr) {
            EXPECT_TRUE(Shows(c.message)) << Transcript();
        }
        EXPECT_EQ(context.AddressFlag, c.flag);
        EXPECT_STREQ(context.AddressText1, c.street);
        EXPECT_STREQ(context.AddressText2, c.postal);
        EXPECT_TRUE(Shows(c.kind == 'N' ? "window name RSEditCreditCard" : "window name RSEditDebitCard"));
    }
}

TEST_F(TenderScreenTest, CheckModes)
{
    struct Case {
        const char* what;
        int mode;
        const char* script;
        const char* screen;
        std::vector<const char*> messages;
        const char* licence;
        const char* bankLine;
        const char* state;
        int32_t birthDate;
    } cases[] = {
        {"bank line: the licence state is still asked", 2,
         "key F10\ntype T123456789 00012345\nkey F10\nfield 4 NY\nfield 5 1001\nkey F10\n",
         "RSEditCheckMicr",
         {"Type the bank line of the check.", "Type the two-character code"}, "",
         "T123456789 00012345", "NY", 0},
        {"driver's licence", 4, "key F10\ntype D1234567\nkey F10\ntype ny\nkey F10\n",
         "RSEditCheckDrivers",
         {"Type the driver's licence number.", "Type the two-character code"}, "D1234567", "", "NY", 0},
        {"licence and birth date", 5,
         "field 1 D1234567\nfield 4 CA\nfield 3 13/45/80\nkey F10\ntype 07/04/80\nkey F10\n",
         "RSEditCheckDriversBD", {"The birth date is not a valid date."}, "D1234567", "", "CA",
         19800704},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardContext context = c_;
        context.TenderKind = CARD_TENDER_CHECK;
        context.CheckMode = static_cast<uint8_t>(c.mode);
        context.EntryLetter = 'K';
        FxTranscriptClear();
        Script(c.script);
        EXPECT_EQ(EditCheckTender(&context), kF10) << Transcript();
        EXPECT_TRUE(Shows((std::string("window name ") + c.screen).c_str())) << Transcript();
        for (const char* message : c.messages)
            EXPECT_TRUE(Shows(message)) << message << "\n" << Transcript();
        EXPECT_STREQ(context.CardNumber, c.licence);
        EXPECT_STREQ(context.BankLine, c.bankLine);
        EXPECT_STREQ(context.CheckField2, c.state);
        EXPECT_EQ(+context.BirthDate, c.birthDate);
        EXPECT_EQ(context.EntryLetter, 0);
    }
}

TEST_F(TenderScreenTest, EscLeavesTheCheckScreen)
{
    c_.TenderKind = CARD_TENDER_CHECK;
    c_.CheckMode = 2;
    Script("type T1\nkey Esc\n");
    EXPECT_EQ(EditCheckTender(&c_), 27);
    EXPECT_STREQ(c_.BankLine, "");
}

}  // namespace
