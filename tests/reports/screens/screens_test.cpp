// The destination screen, the report viewer and its print screen, driven by
// scripts over a throw-away installation.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "bwps/desk_tools.h"
#include "bwps/text_report.h"
#include "fx.h"
#include "tests/setup/station_fixture.h"

extern "C" BWPS_EXPORT void ResetTextReportState(void);

namespace bwps::test {
namespace {

class ReportScreensTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        ResetTextReportState();
        const std::string built = Folder(bwpstest::BuiltBaseFolder());
        FxOpenStringFiles(built.c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT");
        FxSetDeviceFolder(Folder(data_).c_str());
        CreateGeneralFile();
        uint8_t record[GENERAL_COMPANY_SIZE] = {};
        std::memcpy(record, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
        std::memset(record + 16, ' ', 40);
        std::memcpy(record + 16, "Corner Shop", 11);
        PutGeneralRecord(record, sizeof record);
        state_ = std::make_unique<TextReportState>();
        std::memset(state_.get(), 0, sizeof *state_);
        state_->Quiet = 1;
        FxTranscriptClear();
    }

    void TearDown() override
    {
        ResetTextReportState();
        FxSetDeviceFolder(nullptr);
        InstallationTest::TearDown();
    }

    void Script(const std::string& text) { ASSERT_EQ(FxScriptLoad(text.c_str()), 0); }
    bool Shows(const std::string& text) const { return Transcript().find(text) != std::string::npos; }
    static std::string Transcript() { return FxTranscript(); }
    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // A screen report of the lines "line 1" .. "line n", open.
    void ScreenReport(int lines)
    {
        state_->PresetDestination = TEXT_REPORT_TO_SCREEN;
        state_->Width = 20;
        ASSERT_EQ(TextReportOpen(state_.get()), 1) << Transcript();
        for (int i = 1; i <= lines; ++i)
            TextReportWriteText(state_.get(), ("line " + std::to_string(i)).c_str(), 0, 1);
    }

    std::unique_ptr<TextReportState> state_;
};

TEST_F(ReportScreensTest, FileNamesAreCompletedFromTheProgramFolderAndTheExportKind)
{
    const std::string program = Folder(program_);
    const struct {
        const char* typed;
        int kind;
        int answer;
        std::string path;
    } cases[] = {
        {"", 0, 1, ""},
        {"   ", 2, 1, ""},
        {"reports/", 0, 2, ""},
        {"report", TEXT_EXPORT_HTML, 0, program + "report.HTM"},
        {"  report  ", TEXT_EXPORT_REPORT, 0, program + "report.PRN"},
        {"report", TEXT_EXPORT_DELIMITED, 0, program + "report.PRN"},
        {"report", TEXT_EXPORT_XLS2, 0, program + "report.XLSX"},
        {"report", TEXT_EXPORT_WK3, 0, program + "report.XLSX"},
        {"report", TEXT_EXPORT_WKW, 0, program + "report.XLSX"},
        {"out\\month.txt", 0, 0, program + "out/month.txt"},
        {"/tmp/x/month", 0, 0, "/tmp/x/month.PRN"},
    };
    for (const auto& c : cases) {
        std::string path;
        EXPECT_EQ(desk::CompleteReportFileName(c.typed, c.kind, path), c.answer) << c.typed;
        if (c.answer == 0) {
            EXPECT_EQ(path, c.path) << c.typed;
        }
    }
}

TEST_F(ReportScreensTest, TheScreenDestinationOpensTheTemporaryReport)
{
    Script("key F10\n");
    ASSERT_EQ(TextReportOpen(state_.get()), 1) << Transcript();
    EXPECT_EQ(state_->Destination, TEXT_REPORT_TO_SCREEN);
    EXPECT_EQ(std::string(state_->FileName), (program_ / "VF0.PRN").string());
    EXPECT_EQ(GetSessionPaths()->ReportDestination, TEXT_REPORT_TO_SCREEN);
    TextReportClose(state_.get());
    EXPECT_FALSE(fs::exists(program_ / "VF0.PRN"));
}

TEST_F(ReportScreensTest, LeavingTheDestinationScreenLeavesTheReportUnopened)
{
    Script("key Esc\n");
    EXPECT_EQ(TextReportOpen(state_.get()), 0);
    EXPECT_FALSE(fs::exists(program_ / "VF0.PRN"));
}

TEST_F(ReportScreensTest, AnHtmlExportNamedWithoutFolderOrExtension)
{
    Script("type File\nkey Enter\nfield 5 report\nfield 6 Export\nkey Enter\nkey Enter\npick 2\nkey F10\n");
    ASSERT_EQ(TextReportOpen(state_.get()), 1) << Transcript();
    EXPECT_EQ(state_->ExportKind, TEXT_EXPORT_HTML);
    EXPECT_EQ(std::string(state_->FileName), (program_ / "report.HTM").string());
    TextReportWriteText(state_.get(), "hello", 0, 1);
    TextReportClose(state_.get());
    EXPECT_NE(Read(program_ / "report.HTM").find("hello"), std::string::npos);
    EXPECT_EQ(GetSessionPaths()->ReportDestination, TEXT_REPORT_TO_FILE);
}

TEST_F(ReportScreensTest, ADelimitedExportTakesTheTypedQualifier)
{
    // Choosing File shows the record's qualifier and separator.
    Script("type File\nkey Enter\nfield 5 rows.csv\nfield 6 Export\nkey Enter\nkey Enter\npick 1\n"
           "type '\nkey Enter\nkey F10\n");
    ASSERT_EQ(TextReportOpen(state_.get()), 1) << Transcript();
    EXPECT_TRUE(Shows("field 8 enter \"\\\"\"")) << Transcript();
    EXPECT_TRUE(Shows("field 9 enter \",\"")) << Transcript();
    EXPECT_EQ(state_->ExportKind, TEXT_EXPORT_DELIMITED);
    EXPECT_EQ(state_->Qualifier, '\'');
    EXPECT_EQ(state_->Separator, ',');
    const char* a = "ab";
    const char* b = "cd";
    TagReportColumn columns[3] = {};
    columns[0].type = columns[1].type = 2;
    std::strcpy(columns[0].format, "%-5s");
    std::strcpy(columns[1].format, "%-5s");
    columns[0].value = a;
    columns[1].value = b;
    TextReportWriteColumnRow(state_.get(), columns, 1);
    TextReportClose(state_.get());
    EXPECT_EQ(Read(program_ / "rows.csv"), "'ab','cd'\r\n");
}

TEST_F(ReportScreensTest, RefusedNamesTouchNoFile)
{
    const struct {
        const char* name;
        const char* type;   // pick of the export type
        const char* message;
    } cases[] = {
        {"book.xls", "5", "must carry the extension of a workbook"},
        {"page.txt", "2", "must end in .HTM or .HTML"},
        {"", "0", "Enter the name of the report file"},
    };
    for (const auto& c : cases) {
        std::ofstream(program_ / "book.xls") << "kept";
        std::ofstream(program_ / "page.txt") << "kept";
        FxTranscriptClear();
        std::memset(state_.get(), 0, sizeof *state_);
        state_->Quiet = 1;
        std::string script = "type File\nkey Enter\nfield 5 " + std::string(c.name) + "\n";
        if (std::strcmp(c.type, "0") != 0)
            script += "field 6 Export\nkey Enter\nkey Enter\npick " + std::string(c.type) + "\n";
        script += "key F10\nkey Esc\n";
        Script(script);
        EXPECT_EQ(TextReportOpen(state_.get()), 0) << c.name;
        EXPECT_TRUE(Shows(c.message)) << c.name << Transcript();
        EXPECT_EQ(Read(program_ / "book.xls"), "kept");
        EXPECT_EQ(Read(program_ / "page.txt"), "kept");
        EXPECT_FALSE(fs::exists(program_ / "book.xls.part"));
        EXPECT_FALSE(fs::exists(program_ / "page.txt.part"));
    }
}

TEST_F(ReportScreensTest, TheViewerPagesThroughTheReport)
{
    ScreenReport(40);
    Script("key End\nkey Down\nkey Home\nkey Esc\n");
    TextReportClose(state_.get());
    const std::string t = Transcript();
    EXPECT_NE(t.find("Report Viewing"), std::string::npos) << t;
    const size_t last = t.find("> \"line 40");
    ASSERT_NE(last, std::string::npos) << t;
    // Home goes back to the first line.
    EXPECT_NE(t.find("> \"line 1\"", last), std::string::npos) << t;
    EXPECT_FALSE(fs::exists(program_ / "VF0.PRN"));
}

TEST_F(ReportScreensTest, DownOnTheLastLineChangesNothing)
{
    ScreenReport(3);
    Script("key End\nkey Down\nkey Esc\n");
    TextReportClose(state_.get());
    const std::string t = Transcript();
    const size_t last = t.rfind("> \"line 3");
    ASSERT_NE(last, std::string::npos) << t;
    // No row is drawn again after the move past the end.
    EXPECT_EQ(t.find("list row", last + 1), std::string::npos) << t;
}

TEST_F(ReportScreensTest, AShortReportFileIsReportedNotShown)
{
    ScreenReport(3);
    fs::resize_file(program_ / "VF0.PRN", 3);
    Script("key Esc\n");
    TextReportClose(state_.get());
    EXPECT_TRUE(Shows("A line of the report could not be read")) << Transcript();
    EXPECT_FALSE(fs::exists(program_ / "VF0.PRN"));
}

TEST_F(ReportScreensTest, PrintAfterViewingSendsTheReportToThePrinter)
{
    ScreenReport(2);
    Script("key F7\nkey F10\n");
    TextReportClose(state_.get());
    EXPECT_TRUE(Shows("RSDosReportRedirect")) << Transcript();
    const std::string printed = Read(data_ / "LPT1.out");
    EXPECT_NE(printed.find("line 1"), std::string::npos) << Transcript();
    EXPECT_NE(printed.find("line 2"), std::string::npos);
    EXPECT_FALSE(fs::exists(program_ / "VF0.PRN"));
}

TEST_F(ReportScreensTest, AnExtraViewerKeyRunsItsHandlerWithTheReport)
{
    static TextReportState* seen = nullptr;
    const uint32_t number = TextReportViewerHandler([](void* state) -> int {
        seen = static_cast<TextReportState*>(state);
        return FX_LEAVE;
    });
    ASSERT_NE(number, 0u);
    state_->KeysGiven = 1;
    state_->ViewerKeys[0] = FX_KEY_F1 + 7 * 0x100;  // F8
    state_->ViewerKeys[1] = number;
    ScreenReport(2);
    Script("key F8\n");
    TextReportClose(state_.get());
    EXPECT_EQ(seen, state_.get());
}

}  // namespace
}  // namespace bwps::test
