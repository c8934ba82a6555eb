// The small setup screens over a throw-away company: what each one refuses,
// the bytes a save leaves at their offsets and what Esc keeps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/pos_transaction.h"
#include "bwps/records/messages.h"
#include "bwps/records/stations.h"
#include "bwps/setup_screens.h"
#include "bwps/stations.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

std::string Text(const char* bytes, size_t size)
{
    return std::string(bytes, strnlen(bytes, size));
}

class SetupScreensTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        CreateGeneralFile();
        GetSessionPaths()->UserLevel = BWPS_SUPERVISOR_LEVEL;
        FxSetProductNumber(4);  // the point of sale: its dictionary table names
        FxTranscriptClear();
    }

    // The record as stored (no reader's adjustments).
    template <class R>
    bool ReadGeneral(const char* key, R& record)
    {
        std::memset(&record, 0, sizeof record);
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, GetDataFilePath(No(FileNo::General)), 0, 0) != 0)
            return false;
        char keyBuffer[255] = {};
        std::memcpy(keyBuffer, key, GENERAL_KEY_SIZE);
        const int status = BtrGet(B_GET_EQUAL, handle, keyBuffer, &record, sizeof record);
        BtrCloseFile(handle);
        return status == 0;
    }

    template <class R>
    static bool Same(const R& a, const R& b)
    {
        return std::memcmp(&a, &b, sizeof a) == 0;
    }

    static bool Shows(const char* text) { return Transcript().find(text) != std::string::npos; }
};

// ============================================================ password

class PasswordScreenTest : public SetupScreensTest {
protected:
    void SetUp() override
    {
        SetupScreensTest::SetUp();
        std::memset(&record_, 0, sizeof record_);
        std::memcpy(record_.Key, GENERAL_KEY_PASSWORDS, GENERAL_KEY_SIZE);
        auto* bytes = reinterpret_cast<uint8_t*>(&record_);
        for (size_t i = GENERAL_KEY_SIZE; i < sizeof record_; ++i)
            bytes[i] = static_cast<uint8_t>(0x41 + i % 23);  // other slots and the rest
        std::memset(record_.Entries[5], 0, sizeof record_.Entries[5]);
        PutGeneralRecord(&record_, sizeof record_);
    }

    void SetSupervisor(const char* plain)
    {
        std::memset(record_.Entries[5], 0, sizeof record_.Entries[5]);
        std::strcpy(record_.Entries[5], plain);
        FxPasswordToStored(record_.Entries[5]);
        PutGeneralRecord(&record_, sizeof record_);
    }

    PasswordsRecord Stored()
    {
        PasswordsRecord r{};
        EXPECT_TRUE(ReadGeneral(GENERAL_KEY_PASSWORDS, r));
        return r;
    }

    PasswordsRecord record_{};
};

TEST_F(PasswordScreenTest, SaveChangesOnlyTheSupervisorSlot)
{
    struct {
        const char* name;
        const char* before;
        const char* script;
        const char* stored;  // plain form of slot 6 after the run
        bool levelRaised;
    } cases[] = {
        {"both fields empty store no password", "OLD", "field 1 \nfield 2 \nkey F10\n", "", false},
        {"a first password", "", "field 1 ABC\nfield 2 ABC\nkey F10\n", "ABC", true},
        {"a changed password", "OLD", "field 1 NEW\nfield 2 NEW\nkey F10\n", "NEW", false},
        {"the shown password saved again", "OLD", "key F10\n", "OLD", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetSupervisor(c.before);
        GetSessionPaths()->UserLevel = 0;
        FxTranscriptClear();
        FxScriptLoad(c.script);
        EXPECT_EQ(RSEditPassword(), 0);
        PasswordsRecord expected = record_;
        std::memset(expected.Entries[5], 0, sizeof expected.Entries[5]);
        std::strcpy(expected.Entries[5], c.stored);
        FxPasswordToStored(expected.Entries[5]);
        EXPECT_TRUE(Same(Stored(), expected)) << Transcript();
        EXPECT_EQ(GetSessionPaths()->UserLevel, c.levelRaised ? BWPS_SUPERVISOR_LEVEL : 0);
        // The password is never shown in clear.
        if (c.stored[0] != '\0') {
            EXPECT_FALSE(Shows(c.stored)) << Transcript();
        }
    }
}

TEST_F(PasswordScreenTest, RefusalsAndEscKeepTheRecord)
{
    struct {
        const char* name;
        const char* script;
        const char* message;
    } cases[] = {
        {"confirmation differs", "field 1 ABC\nfield 2 ABD\nkey F10\nkey Esc\nanswer Yes\nkey Esc\n",
         "The password and its confirmation differ"},
        {"left with Esc", "field 1 ABC\nfield 2 ABC\nkey Esc\nanswer Yes\nkey Esc\nanswer No\nkey Esc\n", nullptr},
    };
    SetSupervisor("OLD");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FxTranscriptClear();
        FxScriptLoad(c.script);
        RSEditPassword();
        EXPECT_TRUE(Same(Stored(), record_)) << Transcript();
        if (c.message != nullptr) {
            EXPECT_TRUE(Shows(c.message)) << Transcript();
        }
    }
}

TEST_F(PasswordScreenTest, AFirstPasswordThatIsNotStoredKeepsTheSessionsRights)
{
    GetSessionPaths()->UserLevel = 0;
    {
        HeldGeneralRecord held(GENERAL_KEY_PASSWORDS);
        FxScriptLoad("field 1 ABC\nfield 2 ABC\nkey F10\nkey Enter\nkey Esc\nanswer Yes\nkey Esc\nanswer No\nkey Esc\n");
        RSEditPassword();
    }
    EXPECT_TRUE(Same(Stored(), record_)) << Transcript();
    EXPECT_EQ(GetSessionPaths()->UserLevel, 0) << Transcript();
}

TEST_F(PasswordScreenTest, AMismatchClearsTheConfirmation)
{
    FxScriptLoad("field 1 ABC\nfield 2 ABD\nkey F10\nfield 1 ABC\nkey F10\nkey Esc\nanswer Yes\nkey Esc\n");
    RSEditPassword();
    // The second F10 compares with the emptied confirmation and refuses again.
    EXPECT_TRUE(Same(Stored(), record_)) << Transcript();
}

// ============================================================ date checks

TEST_F(SetupScreensTest, DateTextChecks)
{
    struct {
        const char* text;
        int blankAllowed;
        int valid;
        const char* message;
    } cases[] = {
        {"  /  /    ", 1, 1, nullptr},
        {"  /  /    ", 0, 0, "The date is not valid"},
        {"02/29/2024", 0, 1, nullptr},
        {"02/30/2024", 1, 0, "The date is not valid"},
        {"13/01/2024", 0, 0, "The date is not valid"},
        {"01/01/1850", 0, 0, "outside the years"},
        {"", 1, 0, "The date is not valid"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        FxTranscriptClear();
        EXPECT_EQ(ValidateDateText(c.text, c.blankAllowed), c.valid);
        if (c.message != nullptr)
            EXPECT_TRUE(Shows(c.message)) << Transcript();
        else
            EXPECT_FALSE(Shows("message")) << Transcript();
    }
    EXPECT_EQ(ValidateDateText(nullptr, 1), 0);
}

TEST_F(SetupScreensTest, FlagBitsAnswerTheOldWord)
{
    uint8_t block[8] = {0x01, 0x00, 0x00, 0x80, 0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(SetFlagBits(block, 0x40, 1), 0x80000001u);
    EXPECT_EQ(SetFlagBits(block, 0x40, 1), 0x80000041u);
    EXPECT_EQ(SetFlagBits(block, 0x41, 0), 0x80000041u);
    uint32_t word = 0;
    std::memcpy(&word, block, 4);
    EXPECT_EQ(word, 0x80000000u);
    EXPECT_EQ(block[4], 0xAA);  // nothing past the word
}

TEST_F(SetupScreensTest, ProgramDateSetsTheSessionAndTheReportBlock)
{
    GetSessionPaths()->ProgramDate = 20240105;
    FxSetProgramDate(20240105);
    struct {
        const char* name;
        const char* script;
        int32_t date;
    } cases[] = {
        {"a new date", "field 1 03/15/2025\nkey F10\n", 20250315},
        {"a wrong date is refused", "field 1 02/30/2025\nkey F10\nkey Esc\nanswer Yes\nkey Esc\n", 20250315},
        {"a date outside the years is refused", "field 1 01/01/1850\nkey F10\nkey Esc\nanswer Yes\nkey Esc\n",
         20250315},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FxTranscriptClear();
        FxScriptLoad(c.script);
        EXPECT_EQ(RSEDITDATE(), 0);
        EXPECT_EQ(GetSessionPaths()->ProgramDate, c.date) << Transcript();
        EXPECT_EQ(FxToday(), c.date);
    }
    const FxReportBlock* block = FxReportBlockGet();
    EXPECT_EQ(std::string(block->date, 10), "03/15/2025");
    EXPECT_NE(block->flags & 0x40u, 0u);
}

// ================================================== company identification

class CompanyScreenTest : public SetupScreensTest {
protected:
    void SetUp() override
    {
        SetupScreensTest::SetUp();
        std::memset(&record_, 0, sizeof record_);
        std::memcpy(record_.Key, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE);
        std::strcpy(record_.Name, "Corner Shop");
        std::strcpy(record_.Address1, "1 Main St");
        std::strcpy(record_.ShortName, "Corner");  // kept by other writers
        std::memset(record_.reserved438, 0x5A, sizeof record_.reserved438);
        record_.PictureShown = 'N';
        std::strcpy(record_.Picture, "logo.bmp");
        PutGeneralRecord(&record_, sizeof record_);
    }

    TagCompanyRecord Stored()
    {
        TagCompanyRecord r{};
        EXPECT_TRUE(ReadGeneral(GENERAL_KEY_COMPANY, r));
        return r;
    }

    TagCompanyRecord record_{};
};

TEST_F(CompanyScreenTest, SaveStoresEachFieldAtItsPlace)
{
    FxScriptLoad("field 2 2 High St\nfield 5 Extra\nfield 6 T341\nfield 7 5551234567\nfield 9 5559876543\n"
                 "field 11 T424\nfield 12 Yes\nfield 13 /home/shop/images/new logo.png\nkey F10\n");
    RSEditCompanyId();
    TagCompanyRecord expected = record_;
    std::strcpy(expected.Address1, "2 High St");
    std::strcpy(expected.Text300, "Extra");
    std::strcpy(expected.Text341, "T341");
    std::strcpy(expected.Text252, "(555) 123-4567");
    std::strcpy(expected.Text284, "(555) 987-6543");
    std::strcpy(expected.Text424, "T424");
    expected.PictureShown = 'Y';
    std::memset(expected.Picture, 0, sizeof expected.Picture);
    std::strcpy(expected.Picture, "new logo.png");
    const TagCompanyRecord stored = Stored();
    EXPECT_EQ(Text(stored.Text252, sizeof stored.Text252), "(555) 123-4567") << Transcript();
    EXPECT_TRUE(Same(stored, expected)) << Transcript();
}

TEST_F(CompanyScreenTest, RefusalsAndEscKeepTheRecord)
{
    struct {
        const char* name;
        const char* script;
        const char* message;
    } cases[] = {
        {"blank name", "field 1 \nkey F10\nkey Esc\nanswer Yes\nkey Esc\n", "The company name cannot be empty"},
        {"left with Esc", "field 2 Elsewhere\nkey Esc\nanswer Yes\nkey Esc\nanswer No\nkey Esc\n", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FxTranscriptClear();
        FxScriptLoad(c.script);
        RSEditCompanyId();
        EXPECT_TRUE(Same(Stored(), record_)) << Transcript();
        if (c.message != nullptr) {
            EXPECT_TRUE(Shows(c.message)) << Transcript();
        }
    }
}

TEST_F(CompanyScreenTest, MissingRecordEndsTheScreenWithoutWriting)
{
    fs::remove(GetDataFilePath(No(FileNo::General)));
    CreateGeneralFile();
    FxScriptLoad("key F10\n");
    RSEditCompanyId();
    TagCompanyRecord r{};
    EXPECT_FALSE(ReadGeneral(GENERAL_KEY_COMPANY, r));
}

// ============================================================ lookup orders

class LookupOrderTest : public SetupScreensTest {
protected:
    void SetUp() override
    {
        SetupScreensTest::SetUp();
        auto* bytes = reinterpret_cast<uint8_t*>(&record_);
        for (size_t i = 0; i < sizeof record_; ++i)
            bytes[i] = static_cast<uint8_t>(0x60 + i % 13);  // bytes the screen does not edit
        std::memcpy(record_.Key, GENERAL_KEY_LOOKUPS, GENERAL_KEY_SIZE);
        for (int b : {16, 17, 19, 20, 29, 21, 23, 25, 24, 28, 27, 26, 32, 38, 43, 40})
            bytes[b] = 'C';
        PutGeneralRecord(&record_, sizeof record_);
    }

    TagLookUps Stored()
    {
        TagLookUps r{};
        EXPECT_TRUE(ReadGeneral(GENERAL_KEY_LOOKUPS, r));
        return r;
    }

    uint8_t& Byte(TagLookUps& r, int offset) { return reinterpret_cast<uint8_t*>(&r)[offset]; }

    TagLookUps record_{};
};

TEST_F(LookupOrderTest, EachFieldIsStoredAsItsLetter)
{
    struct {
        int field;
        const char* option;
        int byte;
        char letter;
    } cases[] = {
        {1, "Name", 16, 'N'},          {2, "Name", 17, 'N'},          {3, "Description", 19, 'D'},
        {4, "Description", 20, 'D'},   {5, "Description", 29, 'D'},   {6, "Description", 21, 'D'},
        {7, "Description", 23, 'D'},   {8, "Number", 25, 'N'},        {9, "Name", 24, 'N'},
        {10, "Description", 28, 'D'},  {11, "Description", 27, 'D'},  {12, "Description", 26, 'D'},
        {13, "Description", 32, 'D'},  {15, "Number", 38, 'N'},       {16, "Number", 43, 'N'},
        {17, "Number", 40, 'N'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        PutGeneralRecord(&record_, sizeof record_);
        FxTranscriptClear();
        const std::string script = "field " + std::to_string(c.field) + " " + c.option + "\nkey F10\n";
        FxScriptLoad(script.c_str());
        RSEditSystemLook();
        TagLookUps expected = record_;
        Byte(expected, c.byte) = static_cast<uint8_t>(c.letter);
        EXPECT_TRUE(Same(Stored(), expected)) << Transcript();
    }
}

TEST_F(LookupOrderTest, AnUnknownLetterShowsTheFirstOption)
{
    struct {
        char stored;
        char saved;
    } cases[] = {{'C', 'C'}, {'X', 'N'}, {'N', 'N'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        Byte(record_, 25) = static_cast<uint8_t>(c.stored);
        PutGeneralRecord(&record_, sizeof record_);
        FxScriptLoad("key F10\n");
        RSEditSystemLook();
        EXPECT_EQ(Byte(*std::make_unique<TagLookUps>(Stored()), 25), static_cast<uint8_t>(c.saved));
    }
}

TEST_F(LookupOrderTest, EscKeepsTheRecord)
{
    FxScriptLoad("field 1 Name\nkey Esc\nanswer Yes\nkey Esc\nanswer No\nkey Esc\n");
    RSEditSystemLook();
    EXPECT_TRUE(Same(Stored(), record_)) << Transcript();
}

// ================================================================ banners

class BannerScreenTest : public SetupScreensTest {
protected:
    void SetUp() override
    {
        SetupScreensTest::SetUp();
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateDataFile(No(FileNo::MessageCodes), 0, Folder(data_).c_str(), nullptr, spec), 0);
        context_ = std::make_unique<PosTransactionContext>();
    }

    TagBanners Stored(bool* found = nullptr)
    {
        TagBanners r{};
        const bool ok = ReadGeneral(GENERAL_KEY_BANNERS, r);
        if (found != nullptr)
            *found = ok;
        return r;
    }

    std::unique_ptr<PosTransactionContext> context_;
};

TEST_F(BannerScreenTest, FirstSaveInsertsAndLaterSavesUpdate)
{
    bool found = true;
    Stored(&found);
    ASSERT_FALSE(found);
    FxScriptLoad("field 1 WELCOME\nfield 8 THANK YOU\nkey F10\n");
    EXPECT_EQ(RSBanners(context_.get()), FX_KEY_F10);
    TagBanners stored = Stored(&found);
    ASSERT_TRUE(found);
    EXPECT_EQ(Text(stored.Key, 16), GENERAL_KEY_BANNERS);
    EXPECT_EQ(Text(stored.Lines[0], 41), "WELCOME");
    EXPECT_EQ(Text(stored.Lines[7], 41), "THANK YOU");
    EXPECT_TRUE(Same(context_->Banners, stored));

    FxScriptLoad("field 2 SECOND\nkey F10\n");
    RSBanners(context_.get());
    stored = Stored();
    EXPECT_EQ(Text(stored.Lines[0], 41), "WELCOME");
    EXPECT_EQ(Text(stored.Lines[1], 41), "SECOND");

    FxScriptLoad("field 1 GONE\nkey Esc\n");
    RSBanners(context_.get());
    EXPECT_EQ(Text(Stored().Lines[0], 41), "WELCOME");
}

TEST_F(BannerScreenTest, APickedMessageFillsFieldsWithinItsGroup)
{
    MessageCodeRecord message{};
    std::strcpy(message.Code, "HELLO");
    message.Flag = 'N';
    std::strcpy(message.Lines[0], "LINE ONE");
    std::strcpy(message.Lines[1], "LINE TWO");
    std::strcpy(message.Lines[2], "LINE THREE");
    ASSERT_EQ(bwpstest::PutRecord(GetDataFilePath(No(FileNo::MessageCodes)), message.Code, sizeof message.Code,
                                  &message, sizeof message),
              0);
    struct {
        const char* name;
        int field;
        const char* expected[8];
    } cases[] = {
        {"from field 4: fields 4 and 5 only", 4, {"", "", "", "LINE ONE", "LINE TWO", "", "", ""}},
        {"from field 1: fields 1 to 3", 1, {"LINE ONE", "LINE TWO", "LINE THREE", "", "", "", "", ""}},
        {"from field 7: fields 7 and 8", 7, {"", "", "", "", "", "", "LINE ONE", "LINE TWO"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(GetDataFilePath(No(FileNo::General)));
        CreateGeneralFile();
        FxTranscriptClear();
        const std::string script = "field " + std::to_string(c.field) + " \nkey F5\npick 1\nkey F10\n";
        FxScriptLoad(script.c_str());
        RSBanners(context_.get());
        const TagBanners stored = Stored();
        for (int line = 0; line < 8; ++line)
            EXPECT_EQ(Text(stored.Lines[line], 41), c.expected[line]) << line << Transcript();
    }
}

// ============================================================ current year

class CurrentYearTest : public SetupScreensTest {
protected:
    TagCurrentYear Stored(bool* found = nullptr)
    {
        TagCurrentYear r{};
        const bool ok = ReadGeneral(GENERAL_KEY_CURRENTYEAR, r);
        if (found != nullptr)
            *found = ok;
        return r;
    }
};

TEST_F(CurrentYearTest, MissingRecordStartsFromTheProgramDateYear)
{
    FxSetProgramDate(20310704);
    FxScriptLoad("key F10\n");
    RSEditCurrentYear();
    bool found = false;
    const TagCurrentYear stored = Stored(&found);
    ASSERT_TRUE(found) << Transcript();
    EXPECT_EQ(stored.Year, 2031);
    EXPECT_EQ(stored.Zero, 0);
    EXPECT_EQ(Text(stored.Key, 16), GENERAL_KEY_CURRENTYEAR);

    FxScriptLoad("field 1 2032\nkey F10\n");
    RSEditCurrentYear();
    EXPECT_EQ(Stored().Year, 2032);
}

TEST_F(CurrentYearTest, ZeroOrNoNumberIsRefused)
{
    TagCurrentYear record{};
    std::memcpy(record.Key, GENERAL_KEY_CURRENTYEAR, GENERAL_KEY_SIZE);
    record.Year = 2020;
    record.Zero = 0x1234;  // kept
    PutGeneralRecord(&record, sizeof record);
    for (const char* typed : {"0", " ", "x"}) {
        SCOPED_TRACE(typed);
        FxTranscriptClear();
        const std::string script = std::string("field 1 ") + typed + "\nkey F10\nkey Esc\nkey Esc\n";
        FxScriptLoad(script.c_str());
        RSEditCurrentYear();
        EXPECT_TRUE(Shows("Enter the current year")) << Transcript();
        EXPECT_TRUE(Same(Stored(), record));
    }
}

// ============================================================ cash registers

class CashRegisterTest : public SetupScreensTest {
protected:
    void SetUp() override
    {
        SetupScreensTest::SetUp();
        ASSERT_EQ(CreateStationFiles(), 1);
    }

    std::vector<CashRegisterRecord> Registers() { return ReadAll<CashRegisterRecord>(base_ / "BPOSDRWR.DB"); }

    CashRegisterRecord Register(int number)
    {
        for (const auto& r : Registers())
            if (r.registerNumber == number)
                return r;
        ADD_FAILURE() << "no register " << number;
        return {};
    }
};

TEST_F(CashRegisterTest, NewRegistersStartAsZerosWithTheirNumbers)
{
    // Register 1 exists (seeded); a new number starts a new record.
    FxScriptLoad("field 1 2\nkey Enter\nfield 2 FRONT\nkey F10\n");
    RSEditCashReg(0);
    ASSERT_EQ(Registers().size(), 2u) << Transcript();
    const CashRegisterRecord r2 = Register(2);
    EXPECT_EQ(Text(r2.description, 16), "FRONT");
    EXPECT_EQ(r2.drawerCodes[0], 0);
    EXPECT_EQ(+r2.number175, 1);
    EXPECT_EQ(+r2.number179, 1);
    EXPECT_EQ(Register(1).drawerCodes[0], 7);
}

TEST_F(CashRegisterTest, BadNumbersAreRefusedAndThePreviousPutBack)
{
    struct {
        const char* name;
        const char* script;
        const char* message;
    } cases[] = {
        {"number 0", "field 1 0\nkey Enter\nkey Esc\nanswer Yes\nkey Esc\n", "must be a number above 0"},
        {"blank number", "field 1 \nkey Enter\nkey Esc\nanswer Yes\nkey Esc\n", "must be a number above 0"},
        {"field 46 above 9", "field 46 12\nkey Enter\nkey Esc\nanswer Yes\nkey Esc\n", "from 0 to 9"},
        {"saving with field 46 above 9", "field 46 10\nkey F10\nkey Esc\nanswer Yes\nkey Esc\n", "from 0 to 9"},
    };
    const auto before = Registers();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FxTranscriptClear();
        FxScriptLoad(c.script);
        RSEditCashReg(0);
        EXPECT_TRUE(Shows(c.message)) << Transcript();
        const auto after = Registers();
        ASSERT_EQ(after.size(), before.size());
        EXPECT_TRUE(Same(after[0], before[0]));
    }
    FxTranscriptClear();
    FxScriptLoad("field 1 0\nkey Enter\nkey Esc\nanswer Yes\nkey Esc\n");
    RSEditCashReg(0);
    EXPECT_TRUE(Shows("field 1 exit \"1  \" -> stay")) << Transcript();  // 1 put back
}

TEST_F(CashRegisterTest, DisplaySettingsAreStoredAsTheirCodes)
{
    FxScriptLoad("field 18 COM1\nkey Enter\nfield 19 HELLO\nfield 23 4800\nfield 24 7\nfield 25 2\n"
                 "field 26 Even\nfield 3 COM2\nfield 16 Printer 2\nfield 42 Yes\nfield 43 Printer 1\n"
                 "field 45 40\nfield 46 0\nfield 4 27\nkey F10\n");
    RSEditCashReg(0);
    const CashRegisterRecord r = Register(1);
    EXPECT_EQ(r.display.portCode, 5) << Transcript();
    EXPECT_EQ(Text(r.display.texts[0], 21), "HELLO");
    EXPECT_EQ(r.display.speedCode, 0xC0);
    EXPECT_EQ(r.display.dataBits, 2);
    EXPECT_EQ(r.display.stopBits, 4);
    EXPECT_EQ(r.display.parity, 0x18);
    EXPECT_EQ(+r.drawerPort, 5);
    EXPECT_EQ(+r.printerChoice438, 3);
    EXPECT_EQ(r.flag172, 'Y');
    EXPECT_EQ(+r.printerChoice173, 3);
    EXPECT_EQ(+r.width40, 1);
    EXPECT_EQ(+r.number179, -1);
    EXPECT_EQ(r.drawerCodes[0], 27);
}

TEST_F(CashRegisterTest, TheDisplayPortSwitchesTheSerialFields)
{
    struct {
        const char* port;
        const char* speed;
        int16_t stored;
    } cases[] = {
        {"LPT2", "300", 0xE0},   // display-only: the cursor passes them by
        {"COM1", "300", 0x40},   // the serial fields take the typed speed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        FxTranscriptClear();
        const std::string script = std::string("field 18 ") + c.port + "\nkey Enter\nkey Tab\nkey Tab\nkey Tab\nkey Tab\n" +
                                   "type " + c.speed + "\nkey F10\n";
        FxScriptLoad(script.c_str());
        RSEditCashReg(0);
        EXPECT_EQ(Register(1).display.speedCode, c.stored) << Transcript();
    }
}

TEST_F(CashRegisterTest, DeleteAsksAndRemoves)
{
    FxScriptLoad("key F6\nanswer No\nkey Esc\n");
    RSEditCashReg(0);
    EXPECT_EQ(Registers().size(), 1u);
    FxScriptLoad("key F6\nanswer Yes\nkey Esc\nkey Esc\n");
    RSEditCashReg(0);
    EXPECT_TRUE(Registers().empty()) << Transcript();
}

TEST_F(CashRegisterTest, EscKeepsTheRegister)
{
    const auto before = Registers();
    FxScriptLoad("field 2 CHANGED\nkey Esc\nanswer Yes\nkey Esc\nanswer No\nkey Esc\n");
    RSEditCashReg(0);
    const auto after = Registers();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_TRUE(Same(after[0], before[0]));
}

// ======================================================= receipt printers

class ReceiptPrinterTest : public SetupScreensTest {
protected:
    void SetUp() override
    {
        SetupScreensTest::SetUp();
        uint16_t handle = 0;
        ASSERT_EQ(ConvertDocumentForms(Folder(base_).c_str(), &handle, 0), 0);
        BtrCloseFile(handle);
        std::memcpy(GetSessionPaths()->StationId, "DEFAULT       ", 15);
        uint8_t spec[FILE_SPEC_SIZE] = {};
        for (FileNo f : {FileNo::Printers, FileNo::BarcodePrinters})
            ASSERT_EQ(CreateDataFile(No(f), 0, Folder(base_).c_str(), nullptr, spec), 0);
    }

    StationRecord Station()
    {
        for (const auto& s : ReadAll<StationRecord>(base_ / "BPOSSTN.DB"))
            if (Text(s.id, 15) == "DEFAULT       ")
                return s;
        ADD_FAILURE() << "no station";
        return {};
    }

    void PutStation(const StationRecord& record)
    {
        EXPECT_EQ(bwpstest::PutRecord((base_ / "BPOSSTN.DB").string(), record.id, 15, &record, sizeof record), 0);
    }
};

TEST_F(ReceiptPrinterTest, SavingASlotWritesOnlyItsPlace)
{
    StationRecord station = Station();
    std::strcpy(station.printers[0].name, "FIRST");
    PutStation(station);
    uint8_t session[3][BWPS_PRINTER_ENTRY_SIZE];
    struct {
        const char* name;
        int slot;
        const char* option;
        bool session;
    } cases[] = {
        {"Printer 2", 1, "2", true},
        {"Receipts", 3, "4", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(GetSessionPaths()->StationPrinters, 0x33, sizeof GetSessionPaths()->StationPrinters);
        std::memcpy(session, GetSessionPaths()->StationPrinters, sizeof session);
        const StationRecord before = Station();
        FxTranscriptClear();
        const std::string script = std::string("field 1 ") + c.option +
                                   "\nkey Enter\nfield 2 EPSON\nfield 3 COM2\nfield 4 Yes\nfield 5 27\n"
                                   "field 34 99\nfield 35 66\nkey F10\nkey Esc\n";
        FxScriptLoad(script.c_str());
        RSDosEditPrinters();
        StationRecord expected = before;
        StationPrinterEntry& d = expected.printers[c.slot];
        std::memset(&d, 0, sizeof d);
        d = before.printers[c.slot];
        std::memset(d.name, 0, sizeof d.name);
        std::strcpy(d.name, "EPSON");
        d.port = 5;
        d.flag15 = 'Y';
        d.normalCodes[0] = 27;
        d.condensedCodes[14] = 99;
        d.linesPerPage = 66;
        const StationRecord after = Station();
        EXPECT_TRUE(Same(after, expected)) << Transcript();
        if (c.session) {
            std::memcpy(session[c.slot], &d, sizeof d);
        }
        EXPECT_EQ(std::memcmp(GetSessionPaths()->StationPrinters, session, sizeof session), 0);
    }
}

TEST_F(ReceiptPrinterTest, WithoutAFirstPrinterEverySlotShowsABlankDefinition)
{
    StationRecord station = Station();
    std::memset(station.printers[0].name, 0, sizeof station.printers[0].name);
    std::strcpy(station.printers[2].name, "THIRD");
    station.printers[2].port = 3;
    PutStation(station);
    const StationRecord before = Station();
    FxScriptLoad("field 1 3\nkey Enter\nkey F10\nkey Esc\n");
    RSDosEditPrinters();
    StationRecord expected = before;
    StationPrinterEntry blank{};
    blank.flag15 = 'N';
    blank.port = 1;
    expected.printers[2] = blank;
    EXPECT_TRUE(Same(Station(), expected)) << Transcript();
}

TEST_F(ReceiptPrinterTest, EscKeepsTheStation)
{
    const StationRecord before = Station();
    FxScriptLoad("field 2 CHANGED\nkey Esc\nanswer Yes\nkey Esc\nanswer No\nkey Esc\n");
    RSDosEditPrinters();
    EXPECT_TRUE(Same(Station(), before));
}

}  // namespace
}  // namespace bwps::test
