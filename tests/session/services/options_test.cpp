// System options (defaults, the accounting company's record, accessors) and
// terms dates.
#include <gtest/gtest.h>

#include <cstring>

#include "bwps/options.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/services/fixture.h"

namespace svctest {
namespace {

int32_t D(int y, int m, int d) { return y * 10000 + m * 100 + d; }

class OptionsTest : public ServicesTest {};

TEST_F(OptionsTest, StandAloneDefaultsTakeBytesOfTheInterfaceRecord)
{
    auto sys = Keyed<TagSysInterface>(GENERAL_KEY_SYSINTERFACE);
    sys.SystemByte43 = 'Y';
    sys.SystemByte44 = 'Q';
    sys.SystemByte47 = 'A';
    sys.SystemByte48 = 'B';
    sys.SystemByte49 = 'C';
    std::memcpy(sys.SystemText, "SYSTEM TEXT 15!", 15);
    PutSettings(&sys, sizeof sys);
    ASSERT_TRUE(LoadSysInterfaceRecord());
    FxTranscriptClear();
    TagSystemPref record;
    ASSERT_EQ(ReadSystemRecord(0, &record), 0);
    EXPECT_EQ(Transcript(), "") << "a stand-alone store reads no file";
    struct Case {
        int offset;
        char value;
    };
    for (const Case& c : {Case{304, 'N'}, Case{309, 'N'}, Case{310, 'T'}, Case{311, 'I'},
                          Case{312, 'A'}, Case{315, 'Q'}, Case{324, 'N'}, Case{326, 'A'},
                          Case{327, 'B'}, Case{328, 'C'}, Case{344, 'Y'}, Case{348, 'Y'},
                          Case{349, 'Q'}, Case{350, 'Y'}, Case{344 + 7 * 7 + 6, 'Y'}, Case{325, 0}}) {
        EXPECT_EQ(GetSystemOption(c.offset - 304), c.value) << c.offset;
        EXPECT_EQ(+record.Options[c.offset - 304], static_cast<uint8_t>(c.value)) << c.offset;
    }
    EXPECT_EQ(std::memcmp(&record.Options[414 - 304], "SYSTEM TEXT 15!", 15), 0);
    EXPECT_TRUE(IsGroupOption0On(3));
    EXPECT_FALSE(IsGroupOption1On(3));
    EXPECT_TRUE(IsGroupOptionOn(7, 4));
    EXPECT_TRUE(IsGroupOption6On(0));
    EXPECT_FALSE(IsGroupOption6On(8));
    EXPECT_FALSE(IsGeneralLedgerOnline());
    SetSystemOption(OPTION_LEDGER_ONLINE, 1);
    SetSystemOption(OPTION_REGISTER_ONLINE, 'y');
    EXPECT_TRUE(IsGeneralLedgerOnline());
    EXPECT_TRUE(IsCheckRegisterOnline());
    SetSystemOption(OPTION_COSTING, 'X');
    SetSystemOption(OPTION_YES_NO_20, '?');
    EXPECT_EQ(GetSystemOption(OPTION_COSTING), 'A');
    EXPECT_EQ(GetSystemOption(OPTION_YES_NO_20), 'N');
    SetSystemOption(OPTION_COSTING, 'L');
    EXPECT_TRUE(IsSystemOptionEqual(OPTION_COSTING, 'L'));
}

TEST_F(OptionsTest, InterfacedStoreReadsTheAccountingRecord)
{
    const std::string accounting = Interface();
    auto stored = Keyed<TagSystemPref>("0System        ");
    std::memset(stored.Options, 'Y', sizeof stored.Options);
    stored.Options[OPTION_REGISTER_ONLINE] = 'N';
    PutAccounting(&stored, sizeof stored);
    TagSystemPref record;
    ASSERT_EQ(ReadSystemRecord(0, &record), 0);
    EXPECT_TRUE(IsGeneralLedgerOnline());
    EXPECT_FALSE(IsCheckRegisterOnline());

    // A missing accounting file: 12, no report, the copy as it was.
    std::remove((accounting + "/BWAGNRL.DB").c_str());
    FxTranscriptClear();
    EXPECT_EQ(ReadSystemRecord(0, nullptr), B_FILE_NOT_FOUND);
    EXPECT_EQ(Transcript(), "");
    EXPECT_TRUE(IsGeneralLedgerOnline());
}

TEST_F(OptionsTest, FailedReadGivesDefaultsAndReportsTheRead)
{
    Interface();
    FxTranscriptClear();
    TagSystemPref record;
    EXPECT_EQ(ReadSystemRecord(0, &record), B_KEY_NOT_FOUND);
    EXPECT_EQ(+record.Options[310 - 304], 'T');
    EXPECT_EQ(+record.Options[315 - 304], 'N') << "interfaced defaults do not take the store's bytes";
    EXPECT_NE(Transcript().find("Btrieve Error #   4"), std::string::npos) << Transcript();
}

TEST(TermsDates, DueAndDiscountDates)
{
    struct Case {
        const char* what;
        char mode;
        char nextMonth;
        int discountDay, dueDay, cutOff;
        int32_t date;
        int32_t due, discount;
        double discountAmount;   // of 100.00 at 2 %
    };
    const Case cases[] = {
        {"30 days", 'N', 'N', 10, 30, 0, D(2030, 3, 1), D(2030, 3, 31), D(2030, 3, 11), 2.0},
        {"days across the year", 'N', 'N', 0, 30, 0, D(2030, 12, 15), D(2031, 1, 14), D(2030, 12, 15), 2.0},
        {"discount before the date", 'N', 'N', -5, 30, 0, D(2030, 3, 1), D(2030, 3, 31), D(2030, 2, 24), 0.0},
        {"day 10 after cut-off 25, before it", 'M', 'N', 0, 10, 25, D(2030, 3, 5), D(2030, 4, 10), D(2030, 3, 5), 2.0},
        {"day 10 after cut-off 25, past it", 'M', 'N', 0, 10, 25, D(2030, 3, 28), D(2030, 5, 10), D(2030, 3, 28), 2.0},
        {"month end", 'M', 'N', 0, 99, 99, D(2030, 1, 15), D(2030, 1, 31), D(2030, 1, 15), 2.0},
        {"month end of February", 'M', 'N', 0, 99, 99, D(2030, 2, 10), D(2030, 2, 28), D(2030, 2, 10), 2.0},
        {"29 February", 'M', 'N', 0, 99, 99, D(2028, 2, 10), D(2028, 2, 29), D(2028, 2, 10), 2.0},
        {"next month flag", 'M', 'Y', 0, 99, 99, D(2030, 1, 15), D(2030, 2, 28), D(2030, 1, 15), 2.0},
        {"discount day 5, due 20", 'M', 'N', 5, 20, 99, D(2030, 6, 10), D(2030, 7, 20), D(2030, 7, 5), 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TagTermsRecord terms{};
        std::memcpy(terms.Code, "NET", 3);
        terms.Mode = c.mode;
        terms.NextMonth = c.nextMonth;
        terms.DiscountPercent = 2.0f;
        terms.DiscountDay = static_cast<int16_t>(c.discountDay);
        terms.DueDay = static_cast<int16_t>(c.dueDay);
        terms.CutOffDay = static_cast<int16_t>(c.cutOff);
        int32_t due = 0, discount = 0;
        double amount = -1;
        EXPECT_EQ(ComputeTermsDates(&terms, c.date, 100.0, &due, &discount, &amount), 0);
        EXPECT_EQ(due, c.due);
        EXPECT_EQ(discount, c.discount);
        EXPECT_DOUBLE_EQ(amount, c.discountAmount);
    }
    EXPECT_EQ(TermsDayOfMonth(99, D(2028, 2, 3)), 29);
    EXPECT_EQ(TermsDayOfMonth(0, D(2028, 2, 3)), 1);
    EXPECT_EQ(TermsDayOfMonth(15, D(2028, 2, 3)), 15);
}

TEST(TermsDates, DocumentTermsAndAmountSigns)
{
    TagTermsRecord terms{};
    std::memcpy(terms.Code, "EOM", 3);
    terms.Mode = 'M';
    terms.DueDay = 99;
    terms.CutOffDay = 99;
    terms.DiscountPercent = 1.5f;
    TagTermsDates document{};
    EXPECT_EQ(ApplyTermsToDocument(&document, &terms, D(2030, 4, 9)), 1);
    EXPECT_EQ(+document.DocumentDate, D(2030, 4, 9));
    EXPECT_EQ(+document.DueDate, D(2030, 4, 30));
    EXPECT_EQ(+document.DiscountDate, 0) << "days of the month without a discount day";
    EXPECT_FLOAT_EQ(+document.DiscountPercent, 1.5f);
    TagTermsRecord none{};
    ApplyTermsToDocument(&document, &none, D(2030, 4, 9));
    EXPECT_EQ(+document.DueDate, D(2030, 4, 9));
    EXPECT_EQ(+document.DiscountDate, D(2030, 4, 9));
    EXPECT_EQ(+document.DiscountPercent, 0.0f);

    struct Sign {
        int side;
        char type;
        double amount;
        int valid;
    };
    for (const Sign& s : {Sign{0, 'I', 5, 1}, Sign{1, 'I', -5, 0}, Sign{1, 'D', 5, 1},
                          Sign{0, 'D', 5, 0}, Sign{0, 'D', -5, 1}, Sign{1, 'P', -5, 1},
                          Sign{1, 'P', 5, 0}, Sign{0, 'C', 0, 1}, Sign{0, 'C', -1, 0}})
        EXPECT_EQ(IsAmountSignValid(s.side, s.type, s.amount), s.valid)
            << s.side << s.type << s.amount;
}

TEST_F(OptionsTest, TermsRecordsByCode)
{
    TagTermsRecord terms{};
    std::memcpy(terms.Code, "NET30", 5);
    terms.Mode = 'N';
    terms.DueDay = 30;
    Put(27, &terms, sizeof terms, 6);
    TagTermsRecord read;
    EXPECT_TRUE(ReadTermsRecord("NET30", &read));
    EXPECT_EQ(+read.DueDay, 30);
    EXPECT_TRUE(ApplyTermsCode("NET30", 0));
    std::memset(&read, 0x55, sizeof read);
    EXPECT_FALSE(ReadTermsRecord("NET60", &read));
    EXPECT_EQ(+read.Mode, 0) << "cleared when not found";
    EXPECT_FALSE(ApplyTermsCode("NET60", 0));
    std::remove(PathOf(27).c_str());
    FxTranscriptClear();
    EXPECT_FALSE(ApplyTermsCode("NET30", 0));
    EXPECT_NE(Transcript().find("BPOSTERM.DB"), std::string::npos);
}

}  // namespace
}  // namespace svctest
