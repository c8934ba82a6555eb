// Settling the station at the start of work, and the station index.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/session.h"
#include "bwps/stations.h"
#include "fx.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

std::string Text(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

class StationsTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        CreateGeneralFile();
    }

    fs::path StationPath() const { return base_ / "BPOSSTN.DB"; }

    // A station file holding "DEFAULT" and TILL1, each with its own
    // colours and first printer.
    void MakeStations()
    {
        uint16_t handle = 0;
        ASSERT_EQ(ConvertDocumentForms(Folder(base_).c_str(), &handle, 0), 0);
        StationRecord record{};
        char key[255] = {};
        std::memcpy(key, "DEFAULT       ", 15);
        ASSERT_EQ(BtrGet(B_GET_EQUAL, handle, key, &record, sizeof record), 0);
        std::memset(record.colours, 0x11, sizeof record.colours);
        std::strcpy(record.printers[0].name, "LASER");
        ASSERT_EQ(BtrWrite(B_UPDATE, handle, key, &record, sizeof record), 0);
        std::memcpy(record.id, "TILL1         ", 15);
        std::memset(record.colours, 0x22, sizeof record.colours);
        std::strcpy(record.printers[0].name, "TILLPRN");
        std::memcpy(key, record.id, 15);
        ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &record, sizeof record), 0);
        BtrCloseFile(handle);
    }

    std::vector<StationRecord> Stations() { return ReadAll<StationRecord>(StationPath()); }

    static SessionBlock* Session() { return GetSessionPaths(); }
    static std::string SessionStation() { return Text(Session()->StationId, 15); }
    static std::string SessionPrinter()
    {
        return Text(reinterpret_cast<const char*>(Session()->StationPrinters[0]), 15);
    }
    static uint8_t SessionColour() { return Session()->ColorTable[0]; }
};

TEST_F(StationsTest, WithoutPromptNothingIsAskedAndTheDefaultStationIsUsed)
{
    MakeStations();
    SetStationPrompt(false);
    FxAppSetStationText("TILL1");

    int ok = -1;
    EXPECT_EQ(ValidateStationAndDate(&ok), 1);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(SessionStation(), "DEFAULT       ");
    EXPECT_EQ(SessionColour(), 0x11);
    EXPECT_EQ(SessionPrinter(), "IBM-Default   ");  // the silent check loads no printers
    EXPECT_EQ(Text(Session()->PrinterTypeName, 16), "IBM-Default   ");

    EXPECT_EQ(RSASKSTATIONID(), 0);
    EXPECT_EQ(SessionStation(), "DEFAULT       ");
    EXPECT_EQ(SessionPrinter(), "LASER");
    EXPECT_EQ(Transcript().find("RSASKSTATIONID"), std::string::npos) << Transcript();
    EXPECT_EQ(Transcript().find("message"), std::string::npos) << Transcript();
}

TEST_F(StationsTest, SilentCheckOfAKnownStation)
{
    MakeStations();
    SetStationPrompt(true);
    FxAppSetStationText("till1 ");
    const auto before = Stations();

    int ok = -1;
    EXPECT_EQ(ValidateStationAndDate(&ok), 1);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(SessionStation(), "TILL1         ");
    EXPECT_EQ(SessionColour(), 0x22);
    const auto after = Stations();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(std::memcmp(after.data(), before.data(), sizeof(StationRecord) * after.size()), 0);

    // With the colour-keep flag the session keeps its colours.
    std::memset(Session()->ColorTable, 0x33, sizeof Session()->ColorTable);
    SetStationColourKeep(1);
    EXPECT_EQ(ValidateStationAndDate(&ok), 1);
    EXPECT_EQ(SessionColour(), 0x33);
}

TEST_F(StationsTest, SilentCheckWithoutStationTextSettlesNothing)
{
    MakeStations();
    SetStationPrompt(true);
    FxAppSetStationText("   ");
    int ok = -1;
    EXPECT_EQ(ValidateStationAndDate(&ok), 1);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(SessionStation(), "DEFAULT       ");
}

TEST_F(StationsTest, SilentCheckOfAnUnknownStationAddsItOrGoesOn)
{
    const struct {
        const char* answer;
        bool added;
    } cases[] = {{"Add Id", true}, {"Continue", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        fs::remove(StationPath());
        MakeStations();
        SetStationPrompt(true);
        FxAppSetStationText("NEWTILL");
        FxTranscriptClear();
        FxScriptLoad((std::string("answer ") + c.answer).c_str());

        int ok = -1;
        EXPECT_EQ(ValidateStationAndDate(&ok), 1);
        EXPECT_EQ(ok, 1);
        EXPECT_NE(Transcript().find("Station Id \\\"NEWTILL\\\" does not exist"), std::string::npos)
            << Transcript();
        const auto stations = Stations();
        EXPECT_EQ(stations.size(), c.added ? 3u : 2u);
        EXPECT_EQ(SessionStation(), c.added ? "NEWTILL       " : "DEFAULT       ");
        if (c.added) {
            const StationRecord& added = stations[1];  // "DEFAULT", "NEWTILL", "TILL1"
            EXPECT_EQ(Text(added.id, 15), "NEWTILL       ");
            EXPECT_EQ(added.cardForm[0], '\0');  // no form names from the silent check
            EXPECT_EQ(added.formSets[0][0][0], '\0');
            EXPECT_EQ(SessionColour(), added.colours[0]);
        }
    }
}

TEST_F(StationsTest, ScreenAddsAStationWithItsFormsAndSetsTheDate)
{
    MakeStations();
    SetStationPrompt(true);
    FxScriptLoad("field 2 03/15/2026\n"
                 "field 1 TILL7\n"
                 "key F10\n"
                 "answer 1\n");

    EXPECT_EQ(RSASKSTATIONID(), 0);
    EXPECT_NE(Transcript().find("RSASKSTATIONID"), std::string::npos) << Transcript();
    EXPECT_EQ(SessionStation(), "TILL7         ");
    EXPECT_EQ(Session()->ProgramDate, 20260315);
    const auto stations = Stations();
    ASSERT_EQ(stations.size(), 3u);
    const StationRecord& added = stations[2];
    EXPECT_EQ(Text(added.id, 15), "TILL7         ");
    EXPECT_EQ(Text(added.cardForm, 16), "CCARD");
    EXPECT_EQ(Text(added.productForm, 16), "INVPROD");
    EXPECT_EQ(Text(added.labelForm, 16), "CVLABEL");
    EXPECT_EQ(Text(added.formSets[2][3], 16), "LAYPMT");
    EXPECT_EQ(SessionColour(), added.colours[0]);
}

TEST_F(StationsTest, ScreenSettlesAKnownStationWithItsPrinters)
{
    MakeStations();
    SetStationPrompt(true);
    FxScriptLoad("field 1 TILL1\nkey F10\n");
    EXPECT_EQ(RSASKSTATIONID(), 0);
    EXPECT_EQ(SessionStation(), "TILL1         ");
    EXPECT_EQ(SessionPrinter(), "TILLPRN");
    EXPECT_EQ(SessionColour(), 0x22);
    EXPECT_EQ(Stations().size(), 2u);
}

TEST_F(StationsTest, ScreenHasTheStandardFrameAndTheLeaveQuestion)
{
    MakeStations();
    SetStationPrompt(true);
    // F1 is the frame's help, F4 is switched off; leaving after typing asks
    // whether to keep the choices: No stays, Yes leaves without a station.
    FxScriptLoad("key F1\nkey Esc\nkey F4\nfield 1 TILL9\nkey Esc\nanswer No\nkey Esc\nanswer Yes\n");
    EXPECT_EQ(RSASKSTATIONID(), 0);
    const std::string t = Transcript();
    EXPECT_NE(t.find("help 513 \"RSASKSTATIONID\""), std::string::npos) << t;
    EXPECT_NE(t.find("key F4 -> off"), std::string::npos) << t;
    size_t asked = 0;
    for (size_t at = t.find("keep these choices"); at != std::string::npos;
         at = t.find("keep these choices", at + 1))
        ++asked;
    EXPECT_EQ(asked, 2u) << t;
    EXPECT_EQ(Stations().size(), 2u);
    EXPECT_EQ(SessionStation(), "DEFAULT       ");
}

TEST_F(StationsTest, ScreenRefusesABadDateAndAnEmptyId)
{
    MakeStations();
    SetStationPrompt(true);
    FxScriptLoad("field 2 13/45/2026\n"
                 "field 1 TILL1\n"
                 "key F10\n"
                 "answer 1\n"
                 "field 2 03/15/2026\n"
                 "field 1 \n"
                 "key F10\n"
                 "answer 1\n"
                 "answer 1\n");
    EXPECT_EQ(RSASKSTATIONID(), 0);
    const std::string transcript = Transcript();
    EXPECT_NE(transcript.find("The date is not valid."), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("The code cannot be empty."), std::string::npos) << transcript;
    EXPECT_EQ(SessionStation(), "DEFAULT       ");
    EXPECT_EQ(Stations().size(), 2u);
}

TEST_F(StationsTest, StationIndexCountersStartAtOneAndAreWritten)
{
    char path[FOLDER_BUFFER_SIZE];
    GetStationIndexPath(path);
    EXPECT_EQ(std::string(path), (base_ / "BPOSSTNX.DB").string());
    EXPECT_FALSE(fs::exists(path));

    EXPECT_EQ(GetStationIndexCounter("TILL1", 2), 1);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(GetStationIndexCounter("TILL1", 4), -1);
    EXPECT_EQ(GetStationIndexCounter("TILL1", -1), -1);

    StationIndexRecord record{};
    ASSERT_EQ(ReadStationIndexRecord("TILL1", &record), 0);
    record.counters[2] = 41;
    EXPECT_EQ(WriteStationIndexRecord(B_UPDATE, 0, 1, &record), 0);
    EXPECT_EQ(GetStationIndexCounter("TILL1", 2), 41);
    EXPECT_EQ(GetStationIndexCounter("TILL1", 3), 1);
    EXPECT_EQ(GetStationIndexCounter("TILL2", 2), 1);
    EXPECT_EQ(ReadAll<StationIndexRecord>(path).size(), 2u);

    // Updating a station that has no record fails, and the report names
    // the station index itself.
    StationIndexRecord missing{};
    std::memcpy(missing.id, "NOSUCH        ", 15);
    FxTranscriptClear();
    EXPECT_EQ(WriteStationIndexRecord(B_UPDATE, 0, 0, &missing), B_KEY_NOT_FOUND);
    EXPECT_NE(Transcript().find("BPOSSTNX.DB"), std::string::npos) << Transcript();
    EXPECT_EQ(Transcript().find("BPOSSTN.DB"), std::string::npos) << Transcript();
    EXPECT_EQ(ReadAll<StationIndexRecord>(path).size(), 2u);
}

}  // namespace
}  // namespace bwps::test
