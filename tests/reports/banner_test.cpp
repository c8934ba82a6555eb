// The company banner and the period lines of the main window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/records.h"
#include "bwps/reports.h"
#include "fx.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

class BannerTest : public InstallationTest {
protected:
    void PutCompany(const char* name, const char* line1, const char* line2, const char* line3)
    {
        uint8_t record[GENERAL_COMPANY_SIZE] = {};
        std::memcpy(record, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
        const struct {
            std::size_t offset;
            const char* text;
        } fields[] = {{16, name}, {98, line1}, {139, line2}, {180, line3}};
        for (const auto& f : fields) {
            std::memset(record + f.offset, ' ', 30);
            std::memcpy(record + f.offset, f.text, std::strlen(f.text));
        }
        PutGeneralRecord(record, sizeof record);
    }
};

TEST_F(BannerTest, BannerShowsNameAndTheAddressLinesThatAreNotBlank)
{
    CreateGeneralFile();
    PutCompany("Corner Shop", "1 High Street", "", "Springfield");
    ShowCompanyBanner(0);
    EXPECT_NE(Transcript().find("banner \"Corner Shop\\n1 High Street\\nSpringfield\""),
              std::string::npos)
        << Transcript();

    FxTranscriptClear();
    ShowCompanyBanner(1);  // the host keeps its own banner
    PutCompany("Renamed", "", "", "");
    ShowCompanyBanner(0);
    EXPECT_NE(Transcript().find("banner \"Renamed\""), std::string::npos) << Transcript();
    EXPECT_EQ(Transcript().find("Corner Shop"), std::string::npos) << Transcript();
}

TEST_F(BannerTest, NoCompanyRecordNoBanner)
{
    ShowCompanyBanner(0);  // no general file
    CreateGeneralFile();
    ShowCompanyBanner(0);  // no company record
    EXPECT_EQ(Transcript().find("banner"), std::string::npos) << Transcript();
}

TEST_F(BannerTest, PeriodLinesNeedTheGeneralFileUnlessSwitchedOff)
{
    EXPECT_EQ(ShowPeriodStatus(), B_FILE_NOT_FOUND);
    EXPECT_EQ(Transcript().find("message"), std::string::npos) << Transcript();
    ReportSetPeriodHeadingOff(1);
    EXPECT_EQ(ReportGetPeriodHeadingOff(), 1);
    EXPECT_EQ(ShowPeriodStatus(), 0);
    ReportSetPeriodHeadingOff(0);
    CreateGeneralFile();
    PutCompany("Corner Shop", "", "", "");
    EXPECT_EQ(ShowPeriodStatus(), 0);
}

}  // namespace
}  // namespace bwps::test
