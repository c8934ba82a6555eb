// The text report driver over a throw-away installation: the exact bytes
// each output receives (report files, delimited text, HTML, spreadsheets,
// printer ports, the screen's temporary file and index), page breaks,
// headings, columns, copies, condensed mode and the failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "bwps/ordinals.h"
#include "bwps/text_report.h"
#include "fx.h"
#include "tests/setup/station_fixture.h"

extern "C" BWPS_EXPORT void ResetTextReportState(void);

namespace bwps::test {
namespace {

using Steps = std::function<void(TextReportState&)>;

std::string Codes(uint8_t first)
{
    std::string bytes(24, '\0');
    bytes[0] = static_cast<char>(first);
    return bytes;
}

// The rows of a workbook's first sheet as openpyxl reads them, one a line.
std::string SheetRowsOf(const std::string& path)
{
    const std::string command = "/usr/bin/python3 -c \"import openpyxl,sys\nfor r in openpyxl.load_workbook(open(sys.argv[1],'rb'))"
                                ".active.iter_rows(values_only=True): print(repr(r))\" '" + path + "' 2>&1";
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

class TextReportTest : public InstallationTest {
protected:
    std::string SheetRows(const std::string& name) { return SheetRowsOf((data_ / name).string()); }
    void SetUp() override
    {
        InstallationTest::SetUp();
        ResetTextReportState();
        const std::string built = Folder(bwpstest::BuiltBaseFolder());
        FxOpenStringFiles(built.c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT");
        FxSetDeviceFolder(Folder(data_).c_str());
        CreateGeneralFile();
        PutCompany("Corner Shop", "1 High Street", "", "Springfield", "(555) 123-4567", "(555) 765-4321");
        state_ = std::make_unique<TextReportState>();
        std::memset(state_.get(), 0, sizeof *state_);
        FxTranscriptClear();
    }

    void TearDown() override
    {
        ResetTextReportState();
        FxSetDeviceFolder(nullptr);
        InstallationTest::TearDown();
    }

    void PutCompany(const char* name, const char* line1, const char* line2, const char* line3,
                    const char* phone, const char* fax)
    {
        uint8_t record[GENERAL_COMPANY_SIZE] = {};
        std::memcpy(record, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
        const struct {
            std::size_t offset, width;
            const char* text;
        } fields[] = {{16, 40, name}, {98, 40, line1}, {139, 40, line2}, {180, 40, line3},
                      {252, 14, phone}, {284, 14, fax}};
        for (const auto& f : fields) {
            std::memset(record + f.offset, ' ', f.width);
            std::memcpy(record + f.offset, f.text, std::strlen(f.text));
        }
        PutGeneralRecord(record, sizeof record);
    }

    // A request for a report file of the kind.
    TextReportState& FileRequest(const std::string& name, uint8_t kind, int width = 0)
    {
        std::memset(state_.get(), 0, sizeof *state_);
        state_->PresetDestination = TEXT_REPORT_TO_FILE;
        state_->ExportKind = kind;
        state_->Width = width;
        state_->Quiet = 1;
        std::snprintf(state_->FileName, sizeof state_->FileName, "%s", (data_ / name).c_str());
        return *state_;
    }

    TextReportState& PrinterRequest(uint8_t port)
    {
        std::memset(state_.get(), 0, sizeof *state_);
        // The report takes its printer from the station's record.
        GetDefaultProfileName(GetSessionPaths()->StationPrinters);
        const fs::path stations = base_ / "BPOSSTN.DB";
        std::vector<StationRecord> records = ReadAll<StationRecord>(stations);
        EXPECT_FALSE(records.empty());
        for (StationRecord& record : records) {
            record.printers[0].port = port;
            EXPECT_EQ(bwpstest::PutRecord(stations.string(), record.id, sizeof record.id, &record,
                                          sizeof record),
                      0);
        }
        RecmanReset();
        state_->PresetDestination = TEXT_REPORT_TO_PRINTER;
        state_->PrinterChoice = 1;
        state_->Quiet = 1;
        return *state_;
    }

    std::string Read(const std::string& name) const
    {
        std::ifstream in(data_ / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(data_ / name, std::ios::binary) << bytes;
    }
    void Script(const std::string& text) { ASSERT_EQ(FxScriptLoad(text.c_str()), 0); }
    bool Shows(const std::string& text) const { return Transcript().find(text) != std::string::npos; }

    std::unique_ptr<TextReportState> state_;
};

TagReportColumn Column(uint8_t type, const char* format, int32_t column, const void* value,
                       int16_t width = 0, uint8_t decimals = 0, uint8_t blankZero = 0)
{
    TagReportColumn c{};
    c.type = type;
    std::strncpy(c.format, format, sizeof c.format);
    c.column = column;
    c.width = width;
    c.value = value;
    c.decimals = decimals;
    c.blankZero = blankZero;
    return c;
}

// ------------------------------------------------------------ report files

TEST_F(TextReportTest, ReportFileBytes)
{
    static const char* kAb = "ab";
    static const char* kCd = "c\"d";
    static const double kAmount = 1234.5;
    static const double kZero = 0.0;
    static const int32_t kCount = 42;
    struct Case {
        const char* what;
        uint8_t kind;
        int width;
        Steps steps;
        std::string bytes;
    } cases[] = {
        {"text at a column, ended at the page width", 0, 10,
         [](TextReportState& s) { TextReportWriteText(&s, "Hello", 2, 1); }, "  Hello   \r\n"},
        {"centred text and two new lines", 0, 10,
         [](TextReportState& s) { TextReportWriteText(&s, "ab", -1, 2); }, "    ab    \r\n\r\n"},
        {"a page end is a form feed and counts the page", 0, 4,
         [](TextReportState& s) {
             TextReportWriteText(&s, "x", 0, 1);
             TextReportEndPage(&s);
             EXPECT_EQ(s.Page, 2);
             EXPECT_EQ(s.LinesOnPage, 0);
         },
         "x   \r\n\f"},
        {"page 7 of an 80-column page at column 61", 0, 0,
         [](TextReportState& s) {
             s.Page = 7;
             TextReportWritePageNumber(&s, -1, 1);
         },
         std::string(61, ' ') + "Page no. 7" + std::string(9, ' ') + "\r\n"},
        {"a dash line from column 1", 0, 6,
         [](TextReportState& s) { TextReportWriteDashLine(3, 1, &s); }, " ---  \r\n"},
        {"text past the buffer's end is cut", 0, 319,
         [](TextReportState& s) {
             const std::string longText(400, 'x');
             TextReportWriteText(&s, longText.c_str(), 300, 1);
             TextReportWriteText(&s, "far", 5000, 1);
         },
         std::string(300, ' ') + std::string(19, 'x') + "\r\n" + std::string(319, ' ') + "\r\n"},
        {"a caller's line goes out as it stands", 0, 0,
         [](TextReportState& s) {
             std::memcpy(s.Line, "raw\r\n", 5);
             s.LineLength = 5;
             TextReportWriteLine(&s);
         },
         "raw\r\n"},
        {"column row at the entries' columns", 0, 24,
         [](TextReportState& s) {
             TagReportColumn row[] = {Column(2, "%-4s", 1, kAb), Column(7, "%5d", 8, &kCount),
                                      Column(10, "%9.2f", 14, &kAmount), Column(0, "", 0, nullptr)};
             TextReportWriteColumnRow(&s, row, 1);
         },
         " ab        42   1234.50 \r\n"},
        {"a column that would pass column 317 stops the row", 0, 0,
         [](TextReportState& s) {
             TagReportColumn row[] = {Column(2, "%-2s", 0, kAb), Column(2, "%-4s", 315, kAb),
                                      Column(2, "%-2s", 5, kAb), Column(0, "", 0, nullptr)};
             TextReportWriteColumnRow(&s, row, 1);
         },
         "ab" + std::string(78, ' ') + "\r\n"},
        {"blank zero and skipped columns", 0, 12,
         [](TextReportState& s) {
             TagReportColumn row[] = {Column(10, "%6.2f", 0, &kZero, 0, 0, 1),
                                      Column(2, "%-2s", 6, kAb),
                                      Column(2, "%-2s", 9, kAb), Column(0, "", 0, nullptr)};
             row[2].skip = 1;
             TextReportWriteColumnRow(&s, row, 1);
         },
         "      ab    \r\n"},
        {"a double with decimals is scaled", 0, 8,
         [](TextReportState& s) {
             static const double cents = 12345;
             TagReportColumn row[] = {Column(10, "%8.2lf", 0, &cents, 0, 3),
                                      Column(0, "", 0, nullptr)};
             TextReportWriteColumnRow(&s, row, 1);
         },
         "  123.45\r\n"},
        {"a rule over measured widths", 0, 12,
         [](TextReportState& s) {
             TagReportColumn row[] = {Column(2, "Name", 0, nullptr), Column(2, "Qty", 6, nullptr),
                                      Column(0, "", 0, nullptr)};
             TextReportWriteColumnRule(&s, row, 1, '=');
             EXPECT_EQ(row[1].width, 3);
         },
         "====  ===   \r\n"},
        {"delimited: two text fields, the last separator gives way to the line end", 1, 0,
         [](TextReportState& s) {
             TagReportColumn row[] = {Column(2, "%-6s", 0, kAb), Column(2, "%-6s", 9, kCd),
                                      Column(7, "%d", 20, &kCount), Column(0, "", 0, nullptr)};
             TextReportWriteColumnRow(&s, row, 1);
             TextReportEndPage(&s);  // no form feed in delimited text
             EXPECT_EQ(s.Page, 2);
         },
         "\"ab\",\"c\"\"d\",42\r\n"},
        {"delimited text places no free text", 1, 0,
         [](TextReportState& s) {
             TextReportWriteText(&s, "heading", 0, 1);
             TagReportColumn row[] = {Column(2, "%s", 0, kAb), Column(0, "", 0, nullptr)};
             TextReportWriteColumnRow(&s, row, 1);
         },
         "\"ab\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(data_ / "out.prn");
        TextReportState& s = FileRequest("out.prn", c.kind, c.width);
        ASSERT_EQ(TextReportOpen(&s), 1) << Transcript();
        c.steps(s);
        TextReportClose(&s);
        EXPECT_EQ(Read("out.prn"), c.bytes);
        EXPECT_FALSE(fs::exists(data_ / "out.prn.part"));
    }
}

TEST_F(TextReportTest, DelimitedTextWithABlankSeparatorKeepsTheLastCharacter)
{
    static const char* kAb = "ab";
    static const char* kCd = "cd";
    TextReportState& s = FileRequest("out.txt", 1);
    s.Separator = ' ';
    s.Qualifier = '\'';
    ASSERT_EQ(TextReportOpen(&s), 1);
    TagReportColumn row[] = {Column(2, "%s", 0, kAb), Column(2, "%s", 0, kCd), Column(0, "", 0, nullptr)};
    TextReportWriteColumnRow(&s, row, 1);
    TextReportClose(&s);
    EXPECT_EQ(Read("out.txt"), "'ab' 'cd'\r\n");
}

TEST_F(TextReportTest, PageHeadingKeepsItsHeight)
{
    TextReportState& s = FileRequest("head.prn", 0, 40);
    ASSERT_EQ(TextReportOpen(&s), 1);
    EXPECT_EQ(s.HeadingCount, 4);  // name and two address lines that are not blank
    EXPECT_STREQ(s.PhoneFax, "Phone : (555) 123-4567  Fax : (555) 765-4321");
    const std::string date = s.Heading2;
    const std::string time = s.Heading1;
    TextReportWritePageHeading(&s, 0, 20, 1);
    s.FullHeading = 0;
    TextReportWritePageHeading(&s, 0, 2, 0);
    TextReportClose(&s);
    auto line = [](std::string text) {
        text.resize(40, ' ');
        return text + "\r\n";
    };
    std::string first = line(" " + date);
    first.replace(14, 11, "Corner Shop");
    first.replace(21, 10, "Page no. 1");
    const std::string blank = "\r\n";  // a line without text is its line end
    std::string expected = first;
    std::string second = line(" " + time);
    second.replace(20, 13, "1 High Street");
    expected += second + line(std::string(20, ' ') + "Springfield") + blank + blank;
    expected += line("  Corner Shop") + line("  1 High Street") + line("  Springfield") + blank + blank;
    EXPECT_EQ(Read("head.prn"), expected);
}

TEST_F(TextReportTest, CopiesRepeatEachPageAfterItsFormFeed)
{
    TextReportState& s = FileRequest("copies.prn", 0, 3);
    const int32_t copies = 3;
    std::memcpy(s.Copies, &copies, sizeof copies);
    ASSERT_EQ(TextReportOpen(&s), 1);
    TextReportWriteText(&s, "p1", 0, 1);
    TextReportEndPage(&s);
    TextReportWriteText(&s, "p2", 0, 1);
    TextReportEndPage(&s);
    TextReportClose(&s);
    const std::string one = "p1 \r\n\f", two = "p2 \r\n\f";
    EXPECT_EQ(Read("copies.prn"), one + one + one + two + two + two);
}

TEST_F(TextReportTest, HtmlIsEscapedBetweenTheTemplateHeadAndTail)
{
    TextReportState& s = FileRequest("out.htm", TEXT_EXPORT_HTML, 8);
    ASSERT_EQ(TextReportOpen(&s), 1) << Transcript();
    TextReportWriteText(&s, "<a&\"b\">", 0, 1);
    TextReportEndPage(&s);  // no form feed in HTML
    TextReportClose(&s);
    const std::string head =
        "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\r\n"
        "<meta name=\"generator\" content=\"No version information available.\">\r\n"
        "<!-- No version information available. -->\r\n"
        "<style>pre { font-size: calc(3 * 0.25em + 0.25em); }</style>\r\n"
        "</head>\r\n<body>\r\n<pre>\r\n";
    const std::string tail = "</pre>\r\n</body>\r\n</html>\r\n";
    EXPECT_EQ(Read("out.htm"), head + "&lt;a&amp;&quot;b&quot;&gt; \r\n" + tail);
}

TEST_F(TextReportTest, SpreadsheetRowsTakeTextAndNumberCells)
{
    static const char* kName = "Nuts, \"big\"";
    static const double kPrice = 2.5;
    for (uint8_t kind : {TEXT_EXPORT_XLS, TEXT_EXPORT_WK3}) {
        SCOPED_TRACE(kind);
        fs::remove(data_ / "out.xlsx");
        TextReportState& s = FileRequest("out.xlsx", kind);
        ASSERT_EQ(TextReportOpen(&s), 1) << Transcript();
        TagReportColumn row[] = {Column(2, "%-12s", 0, kName), Column(10, "%6.2f", 14, &kPrice),
                                 Column(0, "", 0, nullptr)};
        TextReportWriteColumnRow(&s, row, 1);
        TextReportWriteText(&s, "ignored", 0, 0);
        TextReportEndPage(&s);
        EXPECT_EQ(s.Page, 2);
        TextReportClose(&s);
        EXPECT_EQ(SheetRows("out.xlsx"), "('Nuts, \"big\"', 2.5)\n");
    }
}

// ------------------------------------------------------------ existing files

TEST_F(TextReportTest, AnExistingReportFileIsOverwrittenAppendedOrKept)
{
    const std::string old = "an older and much longer report\r\n";
    struct Case {
        const char* script;
        uint8_t kind;
        bool opens;
        std::string bytes;
    } cases[] = {
        {"answer Overwrite\n", 0, true, "new \r\n"},  // nothing of the old report is left
        {"answer Append\n", 0, true, old + "new \r\n"},
        {"answer Cancel\n", 0, false, old},
        {"answer Overwrite\n", TEXT_EXPORT_XLS, true, "('new',)\n"},
        {"answer Cancel\n", TEXT_EXPORT_XLS, false, old},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Write("out.prn", old);
        Script(c.script);
        TextReportState& s = FileRequest("out.prn", c.kind, 4);
        ASSERT_EQ(TextReportOpen(&s) == 1, c.opens) << Transcript();
        static const char* kNew = "new";
        TextReportWriteText(&s, "new", 0, 0);
        TagReportColumn row[] = {Column(2, "%s", 0, kNew), Column(0, "", 0, nullptr)};
        if (c.kind != 0)
            TextReportWriteColumnRow(&s, row, 1);
        else
            TextReportNewLines(&s, 1);
        TextReportClose(&s);
        if (c.kind != 0 && c.opens)
            EXPECT_EQ(SheetRows("out.prn"), c.bytes);
        else
            EXPECT_EQ(Read("out.prn"), c.bytes);
        EXPECT_FALSE(fs::exists(data_ / "out.prn.part"));
        EXPECT_EQ(FxScriptRemaining(), 0);
    }
}

TEST_F(TextReportTest, AWriteErrorAbortsOnceAndLeavesTheOldFile)
{
    Write("out.prn", "old\r\n");
    Script("answer Overwrite\n");
    TextReportState& s = FileRequest("out.prn", 0, 4);
    ASSERT_EQ(TextReportOpen(&s), 1);
    TextReportWriteText(&s, "one", 0, 1);
    ::close(s.FileHandle);  // the disk goes away under the report
    TextReportWriteText(&s, "two", 0, 1);
    EXPECT_EQ(s.Aborted, 1);
    EXPECT_TRUE(Shows("The report could not be written")) << Transcript();
    FxTranscriptClear();
    TextReportWriteText(&s, "three", 0, 1);
    TextReportEndPage(&s);
    TextReportClose(&s);
    EXPECT_FALSE(Shows("The report could not be written")) << Transcript();
    EXPECT_EQ(Read("out.prn"), "old\r\n");
    EXPECT_FALSE(fs::exists(data_ / "out.prn.part"));
}

TEST_F(TextReportTest, OpenFailures)
{
    struct Case {
        const char* what;
        Steps prepare;
        const char* shown;
    } cases[] = {
        {"a file name without a name", [this](TextReportState&) { FileRequest("", 0); },
         "The report file could not be created"},
        {"a folder that does not exist",
         [this](TextReportState&) { FileRequest("missing/out.prn", 0); },
         "The work file could not be created"},
        {"an HTML export without its template", [this](TextReportState&) {
             FxCloseStringFiles();
             FileRequest("out.htm", TEXT_EXPORT_HTML);
         },
         "The report file could not be created"},
        {"no preset destination and the destination screen left without F10",
         [this](TextReportState&) { FileRequest("out.prn", 0).PresetDestination = 0; },
         "run end RSDosReportDispScreen"},
        {"no company record",
         [this](TextReportState& s) {
             RecmanReset();
             fs::remove_all(data_);
             fs::create_directories(data_);
             CreateGeneralFile();
             FileRequest("out.prn", 0);
             (void)s;
         },
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FxTranscriptClear();
        c.prepare(*state_);
        EXPECT_EQ(TextReportOpen(state_.get()), 0);
        EXPECT_EQ(state_->FileHandle, -1);
        if (c.shown != nullptr) {
            EXPECT_TRUE(Shows(c.shown)) << Transcript();
        }
        TextReportClose(state_.get());
        EXPECT_FALSE(fs::exists(data_ / "out.prn"));
        EXPECT_FALSE(fs::exists(data_ / "out.prn.part"));
        EXPECT_FALSE(fs::exists(data_ / "out.htm.part"));
    }
}

// ------------------------------------------------------------ printers

TEST_F(TextReportTest, PrinterPortsTakeTheCodesAndTheLines)
{
    const std::string normal = Codes(0x12), condensed = Codes(0x0F);
    struct Case {
        const char* what;
        uint8_t port;
        Steps steps;
        const char* file;
        std::string bytes;
    } cases[] = {
        {"parallel: codes, the line at the page width, codes again", 2,
         [](TextReportState& s) { TextReportWriteText(&s, "hi", 0, 1); }, "LPT2.out",
         normal + "hi" + std::string(78, ' ') + "\r\n" + normal},
        {"serial: the codes as text", 4, [](TextReportState& s) { TextReportWriteText(&s, "hi", 1, 1); },
         "COM1.out", "\x12" + std::string(" hi") + std::string(77, ' ') + "\r\n\x12"},
        {"CR-only line ends", 1,
         [](TextReportState& s) {
             s.CrOnly = 1;
             TextReportNewLines(&s, 2);
         },
         "LPT1.out", normal + "\r\r" + normal},
        {"condensed toggled on and off", 3,
         [](TextReportState& s) {
             TextReportToggleCondensed(&s);
             EXPECT_EQ(s.Condensed, 1);
             TextReportToggleCondensed(&s);
             EXPECT_EQ(s.Condensed, 0);
         },
         "LPT3.out", normal + condensed + normal + normal},
        {"a raw re-open of the port keeps printing to it", 1,
         [](TextReportState& s) {
             EXPECT_EQ(TextReportReopenPrinter(&s, 0), 1);
             TextReportWriteText(&s, "raw", 0, 1);
             EXPECT_EQ(TextReportReopenPrinter(&s, 1), 1);
             TextReportWriteText(&s, "lost", 0, 1);  // the port is closed
         },
         "LPT1.out", normal + "raw" + std::string(77, ' ') + "\r\n" + normal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(data_ / c.file);
        TextReportState& s = PrinterRequest(c.port);
        ASSERT_EQ(TextReportOpen(&s), 1) << Transcript();
        EXPECT_EQ(s.Width, 80);
        c.steps(s);
        TextReportClose(&s);
        EXPECT_EQ(Read(c.file), c.bytes);
    }
}

TEST_F(TextReportTest, ACondensedPrinterReportIs136Wide)
{
    TextReportState& s = PrinterRequest(1);
    s.Condensed = 1;
    ASSERT_EQ(TextReportOpen(&s), 1);
    EXPECT_EQ(s.Width, 136);
    TextReportWriteText(&s, "x", 0, 1);
    TextReportClose(&s);
    EXPECT_EQ(Read("LPT1.out"), Codes(0x0F) + "x" + std::string(135, ' ') + "\r\n" + Codes(0x12));
}

TEST_F(TextReportTest, AMissingPrinterPortAsksAndOpensNothing)
{
    FxSetDeviceFolder(nullptr);
    FxSetDataFolder("");
    Script("answer Retry\nanswer Cancel\n");
    TextReportState& s = PrinterRequest(1);
    EXPECT_EQ(TextReportOpen(&s), 0);
    EXPECT_TRUE(Shows("The printer is not ready.")) << Transcript();
    EXPECT_EQ(s.ParallelHandle, -1);
    EXPECT_EQ(FxScriptRemaining(), 0);
    TextReportClose(&s);
}

// ------------------------------------------------------------ the screen

TEST_F(TextReportTest, ScreenReportIndexesEachLineAndRemovesItsFiles)
{
    std::memset(state_.get(), 0, sizeof *state_);
    state_->PresetDestination = TEXT_REPORT_TO_SCREEN;
    state_->Width = 4;
    state_->Quiet = 1;
    ASSERT_EQ(TextReportOpen(state_.get()), 1) << Transcript();
    EXPECT_EQ(std::string(state_->FileName), (program_ / "VF0.PRN").string());
    TextReportWriteText(state_.get(), "ab", 0, 2);
    TextReportEndPage(state_.get());
    EXPECT_EQ(state_->ScreenLines, 3);
    std::ifstream prn(program_ / "VF0.PRN", std::ios::binary), ndx(program_ / "VF0.NDX", std::ios::binary);
    std::stringstream p, n;
    p << prn.rdbuf();
    n << ndx.rdbuf();
    EXPECT_EQ(p.str(), "ab  \r\n\r\n\f");
    const unsigned char index[] = {6, 0, 0, 0, 0, 0, 2, 0, 6, 0, 0, 0, 1, 0, 8, 0, 0, 0};
    EXPECT_EQ(n.str(), std::string(reinterpret_cast<const char*>(index), sizeof index));
    TextReportClose(state_.get());
    EXPECT_FALSE(fs::exists(program_ / "VF0.PRN"));
    EXPECT_FALSE(fs::exists(program_ / "VF0.NDX"));
}

TEST_F(TextReportTest, AllTemporaryNamesTakenFailsTheScreenReport)
{
    for (int n = 0; n < TEXT_REPORT_TEMP_NAMES; ++n)
        std::ofstream(program_ / ("VF" + std::to_string(n) + ".PRN")) << "x";
    std::memset(state_.get(), 0, sizeof *state_);
    state_->PresetDestination = TEXT_REPORT_TO_SCREEN;
    EXPECT_EQ(TextReportOpen(state_.get()), 0);
    EXPECT_TRUE(Shows("The report file could not be created")) << Transcript();
    EXPECT_FALSE(fs::exists(program_ / "VF0.NDX"));
    fs::remove(program_ / "VF24.PRN");
    EXPECT_EQ(TextReportOpen(state_.get()), 1);
    EXPECT_EQ(std::string(state_->FileName), (program_ / "VF24.PRN").string());
    TextReportClose(state_.get());
}

TEST_F(TextReportTest, TheColumnLimitAndTheOrdinals)
{
    EXPECT_EQ(TextReportColumnLimit(), 256);
    EXPECT_EQ(BWPSOrdinal(758), reinterpret_cast<void*>(&TextReportOpen));
    EXPECT_EQ(BWPSOrdinal(774), reinterpret_cast<void*>(&TextReportWriteColumnRow));
    EXPECT_EQ(BWPSOrdinal(769), reinterpret_cast<void*>(&TextReportReopenPrinter));
}

}  // namespace
}  // namespace bwps::test
