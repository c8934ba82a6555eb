// The format names, form setup and label layout screens: what a script
// types is read back from the station record, the station index record and
// the "0LabelDefaults " record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/custom_forms.h"
#include "bwps/records/general.h"
#include "bwps/records/stations.h"
#include "bwps/reports.h"
#include "bwps/stations.h"
#include "tests/setup/station_fixture.h"

extern "C" int EditFormSetup(void);

namespace bwps::test {
namespace {

std::string Name(const char* field)
{
    return std::string(field, strnlen(field, 16));
}

class FormScreensTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        const fs::path built = bwpstest::BuiltBaseFolder();
        FxOpenStringFiles(Folder(built).c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT");
        FxOpenScreenFiles(Folder(built).c_str(), "WBPSRSC3.DAT", "WBPSRSC4.DAT", "WBPSRSC6.DAT");
        CreateGeneralFile();
        uint16_t handle = 0;
        ASSERT_EQ(ConvertDocumentForms(Folder(base_).c_str(), &handle, 0), 0);
        BtrCloseFile(handle);
        Copy(GetSessionPaths()->StationId, "DEFAULT       ");
        FxTranscriptClear();
    }
    StationRecord Station()
    {
        for (const StationRecord& r : ReadAll<StationRecord>(base_ / "BPOSSTN.DB"))
            if (std::string(r.id, 7) == "DEFAULT")
                return r;
        ADD_FAILURE() << "no DEFAULT station";
        return StationRecord{};
    }
    std::string Run(const std::string& script, int kind, StationFormTable& names)
    {
        FxTranscriptClear();
        EXPECT_EQ(FxScriptLoad(script.c_str()), 0);
        EditFormatNames(3, 10, kind, &names);
        return Transcript();
    }
};

TEST_F(FormScreensTest, FormatNamesGoToTheSetOfTheirPrinterKind)
{
    struct Case {
        int kind;
        int set;            // the index of formSets written
        bool sharedWritten;
    };
    const Case cases[] = {{3, 2, false}, {2, 1, false}, {0, 0, true}};
    for (const Case& c : cases) {
        const StationRecord before = Station();
        StationFormTable names{};
        BuildStationFormTable(nullptr, &names, &before, c.kind);
        const std::string t =
            Run("field 1 SALE\nfield 2 OFFER\nfield 5 LPAY\nfield 8 LBL\nkey F10\n", c.kind, names);
        const StationRecord after = Station();
        EXPECT_EQ(Name(after.formSets[c.set][0]), "SALE") << c.kind << t;
        EXPECT_EQ(Name(after.formSets[c.set][1]), "OFFER") << c.kind;
        EXPECT_EQ(Name(after.formSets[c.set][3]), "LPAY") << c.kind;
        EXPECT_EQ(Name(after.labelForm), c.sharedWritten ? "LBL" : "CVLABEL") << c.kind;
        for (int other = 0; other < 3; ++other)
            if (other != c.set) {
                EXPECT_EQ(std::memcmp(after.formSets[other], before.formSets[other], sizeof before.formSets[other]),
                          0)
                    << c.kind << " set " << other;
            }
        EXPECT_EQ(std::memcmp(after.printSettings, before.printSettings, sizeof before.printSettings), 0);
    }
}

TEST_F(FormScreensTest, AFormatNameWithABlankOrPointIsRefusedOnItsField)
{
    const StationRecord before = Station();
    for (const char* bad : {"A B", "A.B", "../X"}) {
        StationFormTable names{};
        BuildStationFormTable(nullptr, &names, &before, 0);
        const std::string t = Run(std::string("field 3 ") + bad + "\nkey F10\nkey Esc\n", 0, names);
        EXPECT_NE(t.find("Enter a note file name without blanks or periods."), std::string::npos) << bad << t;
        const StationRecord now = Station();
        EXPECT_EQ(std::memcmp(&now, &before, sizeof before), 0) << bad;
    }
}

TEST_F(FormScreensTest, FormSetupWritesThePrinterSetAndItsCount)
{
    FxTranscriptClear();
    ASSERT_EQ(FxScriptLoad("field 1 Alternative Printer 2\nkey Enter\nfield 2 Condensed\nfield 3 40\n"
                           "field 4 Fraction\nfield 5 No\nfield 6 Yes\nfield 7 3\nfield 8 0\nkey F10\n"
                           "field 8 12\nkey F10\n"),
              0);
    EditFormSetup();
    const std::string t = Transcript();
    EXPECT_NE(t.find("The count must be 1 or more."), std::string::npos) << t;
    const StationRecord after = Station();
    const StationPrintSettings& p = after.printSettings[3];
    EXPECT_EQ(p.printMode, 'C') << t;
    EXPECT_EQ(p.width, 1);
    EXPECT_EQ(p.numberStyle, 'F');
    EXPECT_EQ(p.firstSwitch, 'N');
    EXPECT_EQ(p.secondSwitch, 'Y');
    EXPECT_EQ(+p.count, 3);
    StationIndexRecord index{};
    ASSERT_EQ(ReadStationIndexRecord("DEFAULT", &index), 0);
    EXPECT_EQ(+index.counters[3], 12);
    EXPECT_EQ(+index.counters[0], 1);
}

TEST_F(FormScreensTest, LabelLayoutWritesTheStyleIntoTheDefaultsRecord)
{
    uint16_t general = 0;
    ASSERT_EQ(BtrOpenFile(&general, GetDataFilePath(No(FileNo::General)), 0, 0), 0);
    TagLabelDefaults record{};
    ReadLabelDefaults(general, &record);
    struct Case {
        int font;
        int16_t across, condensedGap;
    };
    const Case cases[] = {{0, 4, 1}, {1, 5, 9}};
    for (const Case& c : cases) {
        FxTranscriptClear();
        const std::string script = "field 1 " + std::to_string(c.across) + "\nfield 11 9\nkey F10\n";
        ASSERT_EQ(FxScriptLoad(script.c_str()), 0);
        EditLabelLayout(general, 2, &record, c.font);
        TagLabelDefaults stored{};
        ASSERT_EQ(ReadLabelDefaults(general, &stored), 0);
        EXPECT_EQ(+stored.styles[2].across, c.across) << Transcript();
        EXPECT_EQ(+stored.styles[2].condensedGap, c.condensedGap) << "font flag " << c.font;
    }
    BtrCloseFile(general);
}

}  // namespace
}  // namespace bwps::test
