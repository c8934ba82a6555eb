// The report writer over a throw-away installation: each destination and
// output mode with a small report, the engine's request blocks at their
// offsets, the files read back by their own readers (openpyxl, pdftotext,
// an HTML parser), and the failures that must leave old files whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bwps/records/masters.h"
#include "bwps/report_services.h"
#include "bwps/screens.h"
#include "fx.h"
#include "report_engine.h"
#include "tests/setup/station_fixture.h"

extern "C" BWPS_EXPORT void ResetReportWriterState(void);

namespace bwps::test {
namespace {

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Shell(const std::string& command)
{
    std::string out;
    if (FILE* p = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

// The words of a page, in order of their text, rules left out: the PDF
// draws rules as lines and may order words of different fonts otherwise.
std::string Words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        if (word.find_first_not_of("-=") != std::string::npos)
            words.push_back(word);
    std::sort(words.begin(), words.end());
    std::string out;
    for (const std::string& w : words)
        out += w + " ";
    return out;
}

class WriterTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        ResetReportWriterState();
        const std::string built = Folder(bwpstest::BuiltBaseFolder());
        FxOpenStringFiles(built.c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT");
        CreateGeneralFile();
        PutCompany("Corner Shop & Sons", "1 High Street");
        EngPrinter pdf{};
        std::snprintf(pdf.name, sizeof pdf.name, "PDF files");
        std::snprintf(pdf.folder, sizeof pdf.folder, "prints/");
        pdf.isDefault = 1;
        ASSERT_EQ(BrmRepPutPrinter(Folder(base_).c_str(), &pdf), 0);
        FxTranscriptClear();
    }
    void TearDown() override
    {
        ResetReportWriterState();
        InstallationTest::TearDown();
    }

    void PutCompany(const char* name, const char* line1)
    {
        uint8_t record[GENERAL_COMPANY_SIZE] = {};
        std::memcpy(record, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
        std::memset(record + 16, ' ', 40);
        std::memcpy(record + 16, name, std::strlen(name));
        std::memset(record + 98, ' ', 40);
        std::memcpy(record + 98, line1, std::strlen(line1));
        PutGeneralRecord(record, sizeof record);
    }

    // A small report: heading, a column row of a text and an amount, a
    // rule, a second row; `pages` pages.
    void WriteSmallReport(TagRepInfo& r, int pages = 1)
    {
        for (int p = 0; p < pages; ++p) {
            if (p > 0)
                ReportEndPage(&r);
            ReportWritePageHeading(&r, 0);
            const char* names[2] = {"Nuts <big> & bolts", "Washers"};
            const double amounts[2] = {1234.5, -7.25};
            for (int i = 0; i < 2; ++i) {
                std::array<TagRepColumn, 3> row{};
                row[0].type = REPORT_TYPE_TEXT;
                std::snprintf(row[0].format, sizeof row[0].format, "%%-20s");
                row[0].value = names[i];
                row[0].column = 2;
                row[0].width = 20;
                row[1].type = REPORT_TYPE_DOUBLE;
                std::snprintf(row[1].format, sizeof row[1].format, "%%12.2f");
                row[1].value = &amounts[i];
                row[1].column = 30;
                row[1].width = 12;
                ReportWriteColumnRow(&r, row.data(), 1);
                if (i == 0)
                    ReportWriteColumnRule(&r, row.data(), 1, '-');
            }
        }
    }

    TagRepInfo Silent(int destination)
    {
        TagRepInfo r;
        std::memset(&r, 0, sizeof r);
        r.silent = 1;
        r.keepStatus = 1;
        r.destination = static_cast<uint8_t>(destination);
        return r;
    }
};

TEST_F(WriterTest, EngineBlocksAreReadAtTheirOffsets)
{
    struct Case {
        int code;
        int size;
        std::vector<std::pair<int, std::vector<uint8_t>>> bytes;  // offset, bytes
        int EngDecoded::*field;
        int expected;
    };
    const Case cases[] = {
        {ENG_CMD_STRING, 356 + 3, {{4, {5, 0}}, {6, {7, 0}}, {8, {0xFE}}, {11, {3, 0}}, {356, {'a', 'b', 'c'}}},
         &EngDecoded::column, 5},
        {ENG_CMD_STRING, 356 + 3, {{6, {7, 0}}, {11, {3, 0}}}, &EngDecoded::line, 7},
        {ENG_CMD_STRING, 356 + 3, {{8, {0xFE}}, {11, {3, 0}}}, &EngDecoded::align, -2},
        {ENG_CMD_STRING, 356 + 3, {{13, {40, 0}}}, &EngDecoded::width, 40},
        {ENG_CMD_OUT_TEXT, 22, {{4, {1, 0}}, {8, {9, 0}}, {13, {'='}}, {16, {17, 0}}}, &EngDecoded::column2, 9},
        {ENG_CMD_OUT_TEXT, 22, {{13, {'='}}}, &EngDecoded::fill, '='},
        {ENG_CMD_OUT_TEXT, 22, {{16, {17, 0}}}, &EngDecoded::fillCode, 17},
        {ENG_CMD_BOX, 26, {{8, {30, 0}}, {14, {2, 0}}}, &EngDecoded::column2, 30},
        {ENG_CMD_BOX, 26, {{14, {2, 0}}}, &EngDecoded::style, 2},
        {ENG_CMD_PICTURE, 276, {{265, {3, 0}}, {267, {4, 0}}, {271, {6, 0}}}, &EngDecoded::height, 6},
        {ENG_CMD_PICTURE, 276, {{267, {4, 0}}}, &EngDecoded::line, 4},
        {ENG_CMD_FORMATTED, 13 + 2, {{4, {11, 0}}, {11, {2, 0}}, {13, {'h', 'i'}}}, &EngDecoded::column, 11},
        {ENG_CMD_TEXT_BOX, 25 + 2, {{9, {0x10, 0, 0, 0}}, {21, {2, 0, 0, 0}}}, &EngDecoded::value1, 16},
        {ENG_CMD_TEXT_BOX, 25 + 2, {{13, {0x20, 0, 0, 0}}}, &EngDecoded::value2, 32},
        {ENG_CMD_PAGE_FORMAT, 22, {{5, {2}}, {6, {17}}, {14, {9, 0, 0, 0}}}, &EngDecoded::width, 17},
        {ENG_CMD_PAGE_FORMAT, 22, {{14, {9, 0, 0, 0}}}, &EngDecoded::value1, 9},
        {ENG_CMD_PAGE_FORMAT, 22, {{18, {8, 0, 0, 0}}}, &EngDecoded::value2, 8},
        {ENG_CMD_MARGINS, 20, {{12, {75, 0, 0, 0}}}, &EngDecoded::column2, 75},
        {ENG_CMD_FONT, 44, {{4, {3}}, {5, {'M'}}, {37, {14, 0}}, {39, {1}}}, &EngDecoded::height, 14},
        {ENG_CMD_FONT, 44, {{39, {5}}}, &EngDecoded::style, 5},
        {ENG_CMD_BLOCK_BEGIN, 8, {{4, {12, 0}}, {6, {5, 0}}}, &EngDecoded::font, 5},
        {ENG_CMD_FONT_BASE, 9, {{4, {17}}}, &EngDecoded::font, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        std::vector<uint8_t> block(static_cast<size_t>(c.size), 0);
        block[0] = static_cast<uint8_t>(c.code);
        block[1] = static_cast<uint8_t>(c.code >> 8);
        block[2] = static_cast<uint8_t>(c.size);
        block[3] = static_cast<uint8_t>(c.size >> 8);
        for (const auto& [offset, bytes] : c.bytes)
            std::memcpy(block.data() + offset, bytes.data(), bytes.size());
        EngDecoded d;
        ASSERT_EQ(EngDecode(block.data(), c.size, &d), 0);
        EXPECT_EQ(d.*(c.field), c.expected);
    }
    // Texts are cut to their length words; a short block is refused.
    std::vector<uint8_t> block(360, 'x');
    const EngHead head{ENG_CMD_STRING, 360};
    std::memcpy(block.data(), &head, sizeof head);
    block[11] = 2;
    block[12] = 0;
    EngDecoded d;
    ASSERT_EQ(EngDecode(block.data(), 360, &d), 0);
    EXPECT_STREQ(d.text, "xx");
    EXPECT_EQ(EngDecode(block.data(), 100, &d), -1);
    EngHead stringHead = head;
    EXPECT_EQ(BrmReportEngine(-1, ENGINE_COMMAND, &stringHead), -1) << "no job: a string is refused";
    const EngPageEnd end{{ENG_CMD_PAGE_END, 8}, 3};
    EXPECT_EQ(BrmReportEngine(-1, ENGINE_COMMAND, const_cast<EngPageEnd*>(&end)), 0)
        << "no job: a page end is taken";
}

TEST_F(WriterTest, TextFileGetsHeadingRowsRulesAndCopies)
{
    const fs::path file = data_ / "LIST.PRN";
    TagRepInfo r = Silent(REPORT_TO_TEXT_FILE);
    std::snprintf(r.outputFile, sizeof r.outputFile, "%s", file.c_str());
    r.copies = 3;
    ASSERT_EQ(ReportOpen(&r, "Stock list"), 1) << Transcript();
    WriteSmallReport(r);
    ReportEndPage(&r);
    EXPECT_EQ(r.aborted, 0) << "a page end without an engine job does not abort a file";
    EXPECT_FALSE(fs::exists(file)) << "the file is put in place at the close";
    EXPECT_EQ(ReportClose(&r), 0);
    const std::string text = Slurp(file);
    EXPECT_NE(text.find("Corner Shop & Sons"), std::string::npos) << text;
    EXPECT_NE(text.find("Page 1"), std::string::npos);
    EXPECT_NE(text.find("  Nuts <big> & bolts               1234.50\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  --------------------        ------------\r\n"), std::string::npos) << text;
    size_t copies = 0;
    for (size_t at = text.find("Washers"); at != std::string::npos; at = text.find("Washers", at + 1))
        ++copies;
    EXPECT_EQ(copies, 3u) << text;
}

TEST_F(WriterTest, SilentFileReportKeepsTheCallersFileAndMode)
{
    struct Case {
        uint8_t mode;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {REPORT_MODE_SEPARATED, "list.csv", "\"Washers\",-7.25\r\n"},
        {REPORT_MODE_HTML, "list.htm", "Nuts &lt;big&gt; &amp; bolts"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TagRepInfo r = Silent(REPORT_TO_TEXT_FILE);
        r.outputMode = c.mode;
        std::snprintf(r.outputFile, sizeof r.outputFile, "%s", (data_ / c.name).c_str());
        ASSERT_EQ(ReportOpen(&r, "List"), 1);
        EXPECT_EQ(r.outputMode, c.mode);
        WriteSmallReport(r);
        ReportClose(&r);
        const std::string text = Slurp(data_ / c.name);
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
    }
    const std::string html = (data_ / "list.htm").string();
    const std::string parsed = Shell("/usr/bin/python3 -c \"import html.parser,sys\nclass P(html.parser.HTMLParser):\n"
                                   "  t=''\n  def handle_data(s,d): s.t+=d\np=P();p.feed(open(sys.argv[1],encoding='cp1252').read());"
                                   "print(p.t)\" " + html);
    EXPECT_NE(parsed.find("Nuts <big> & bolts"), std::string::npos) << parsed;
}

TEST_F(WriterTest, WorkbookKeepsNumbersAsNumbers)
{
    const fs::path file = data_ / "list.xlsx";
    TagRepInfo r = Silent(REPORT_TO_TEXT_FILE);
    r.outputMode = REPORT_MODE_SHEET;
    std::snprintf(r.outputFile, sizeof r.outputFile, "%s", file.c_str());
    ASSERT_EQ(ReportOpen(&r, "List"), 1) << Transcript();
    WriteSmallReport(r);
    ASSERT_EQ(ReportClose(&r), 0);
    const std::string cells = Shell("/usr/bin/python3 -c \"import openpyxl,sys\nws=openpyxl.load_workbook(sys.argv[1]).active\n"
                                  "for row in ws.iter_rows(values_only=True): print(repr(row))\" " + file.string());
    EXPECT_NE(cells.find("('Nuts <big> & bolts', 1234.5)"), std::string::npos) << cells;
    EXPECT_NE(cells.find("('Washers', -7.25)"), std::string::npos) << cells;
    // A workbook must be named .xlsx: another name is refused and nothing is made.
    TagRepInfo bad = Silent(REPORT_TO_TEXT_FILE);
    bad.outputMode = REPORT_MODE_SHEET;
    std::snprintf(bad.outputFile, sizeof bad.outputFile, "%s", (data_ / "list.xls").c_str());
    EXPECT_EQ(ReportOpen(&bad, "List"), 0);
    EXPECT_FALSE(fs::exists(data_ / "list.xls"));
}

TEST_F(WriterTest, PreviewShowsWhatThePdfPrints)
{
    // The preview's page text in the transcript...
    TagRepInfo preview = Silent(REPORT_TO_PREVIEW);
    ASSERT_EQ(ReportOpen(&preview, "Stock list"), 1) << Transcript();
    WriteSmallReport(preview, 2);
    FxTranscriptClear();
    ASSERT_EQ(FxScriptLoad("key PgDn\nkey PgUp\nkey Esc\n"), 0);
    ASSERT_EQ(ReportClose(&preview), 0) << ReportEngineLastError();
    const std::string shown = Transcript();
    ASSERT_NE(shown.find("preview page 2 of 2"), std::string::npos) << shown;
    std::string page1;
    {
        std::istringstream in(shown.substr(0, shown.find("preview page 2 of 2")));
        for (std::string line; std::getline(in, line);) {
            const size_t at = line.find("preview| ");
            if (at != std::string::npos) {
                std::string text = line.substr(at + 9);
                if (!text.empty() && text.back() == '"')
                    text.pop_back();
                page1 += text + "\n";
            }
        }
    }
    // ... and the PDF of the same report.
    TagRepInfo pdf = Silent(REPORT_TO_EXPORT);
    pdf.exportKind = REPORT_EXPORT_FILE;
    std::snprintf(pdf.exportFile, sizeof pdf.exportFile, "%s", (data_ / "list.pdf").c_str());
    ASSERT_EQ(ReportOpen(&pdf, "Stock list"), 1);
    WriteSmallReport(pdf, 2);
    ASSERT_EQ(ReportClose(&pdf), 0) << ReportEngineLastError();
    const std::string text = Shell("pdftotext -f 1 -l 1 -layout " + (data_ / "list.pdf").string() + " -");
    EXPECT_EQ(Words(text), Words(page1)) << text << "\n---\n" << page1;
    EXPECT_NE(text.find("Nuts <big> & bolts"), std::string::npos);
    EXPECT_NE(Shell("pdfinfo " + (data_ / "list.pdf").string()).find("Pages:           2"), std::string::npos);
}

TEST_F(WriterTest, PrinterFolderGetsOnePdfPerJobAndAFailingQueueKeepsIt)
{
    for (int job = 0; job < 2; ++job) {
        TagRepInfo r = Silent(REPORT_TO_PRINTER);
        ASSERT_EQ(ReportOpen(&r, "Stock list"), 1);
        WriteSmallReport(r);
        ASSERT_EQ(ReportClose(&r), 0) << ReportEngineLastError();
    }
    int pdfs = 0;
    for (const auto& entry : fs::directory_iterator(program_ / "prints"))
        pdfs += entry.path().extension() == ".pdf" ? 1 : 0;
    EXPECT_EQ(pdfs, 2);

    EngPrinter queue{};
    std::snprintf(queue.name, sizeof queue.name, "Office laser");
    std::snprintf(queue.folder, sizeof queue.folder, "%s", (data_ / "spool").c_str());
    std::snprintf(queue.queue, sizeof queue.queue, "no-such-queue");
    queue.isDefault = 1;
    ASSERT_EQ(BrmRepPutPrinter(Folder(base_).c_str(), &queue), 0);
    TagRepInfo r = Silent(REPORT_TO_PRINTER);
    ASSERT_EQ(ReportOpen(&r, "Stock list"), 1);
    WriteSmallReport(r);
    FxTranscriptClear();
    EXPECT_EQ(ReportClose(&r), 1);
    EXPECT_NE(Transcript().find("did not take the report"), std::string::npos) << Transcript();
    const std::string kept = ReportEngineLastOutput();
    ASSERT_FALSE(kept.empty());
    EXPECT_TRUE(fs::exists(kept)) << kept;
}

TEST_F(WriterTest, FailedOrRefusedReportsLeaveOldFilesWhole)
{
    // An output folder that does not exist: message 375 and nothing made.
    TagRepInfo r = Silent(REPORT_TO_TEXT_FILE);
    std::snprintf(r.outputFile, sizeof r.outputFile, "%s", (data_ / "no" / "such.prn").c_str());
    EXPECT_EQ(ReportOpen(&r, "List"), 0);
    EXPECT_FALSE(fs::exists(data_ / "no"));
    // A report stopped by a failed write keeps the old file.
    const fs::path file = data_ / "old.prn";
    { std::ofstream(file) << "old report"; }
    TagRepInfo w = Silent(REPORT_TO_TEXT_FILE);
    std::snprintf(w.outputFile, sizeof w.outputFile, "%s", file.c_str());
    ASSERT_EQ(FxScriptLoad("answer Overwrite\n"), 0);
    ASSERT_EQ(ReportOpen(&w, "List"), 1) << Transcript();
    WriteSmallReport(w);
    w.aborted = 1;
    ReportClose(&w);
    EXPECT_EQ(Slurp(file), "old report");
    EXPECT_FALSE(fs::exists(file.string() + ".part"));
    // No company record: the report does not open.
    fs::remove(GetDataFilePath(bwps::No(bwps::FileNo::General)));
    TagRepInfo none = Silent(REPORT_TO_TEXT_FILE);
    std::snprintf(none.outputFile, sizeof none.outputFile, "%s", (data_ / "x.prn").c_str());
    EXPECT_EQ(ReportOpen(&none, "List"), 0);
}

TEST_F(WriterTest, TitlesAreCutAndTerminated)
{
    const std::string longTitle(60, 'T');
    TagRepInfo r = Silent(REPORT_TO_TEXT_FILE);
    std::snprintf(r.outputFile, sizeof r.outputFile, "%s", (data_ / "t.prn").c_str());
    ASSERT_EQ(ReportOpen(&r, longTitle.c_str()), 1);
    EXPECT_EQ(std::string(r.title), std::string(51, 'T'));
    EXPECT_EQ(r.title[51], '\0');
    ReportClose(&r);
}

TEST_F(WriterTest, OfficeExportWritesASheetAPageWithNumbersAsNumbers)
{
    const fs::path file = data_ / "office.xlsx";
    TagRepInfo r = Silent(REPORT_TO_EXPORT);
    r.exportKind = REPORT_EXPORT_OFFICE;
    std::snprintf(r.exportFile, sizeof r.exportFile, "%s", file.c_str());
    ASSERT_EQ(ReportOpen(&r, "Stock list"), 1) << Transcript();
    EXPECT_TRUE(ReportIsSpreadsheetActive(&r));
    EXPECT_EQ(+r.linesPerPage, 65535);
    WriteSmallReport(r, 2);
    ReportEndPage(&r);  // no row after it: no third sheet
    ASSERT_EQ(ReportClose(&r), 0) << Transcript();
    const std::string sheets = Shell(
        "/usr/bin/python3 -c \"import openpyxl,sys\nwb=openpyxl.load_workbook(sys.argv[1])\nprint(len(wb.sheetnames), "
        "wb.active.title)\nfor ws in wb:\n  for row in ws.iter_rows(values_only=True):\n    "
        "print(repr(tuple(v for v in row if v is not None)))\" " + file.string());
    EXPECT_EQ(sheets.rfind("2 Sheet1\n", 0), 0u) << sheets;
    EXPECT_NE(sheets.find("('Nuts <big> & bolts', 1234.5)"), std::string::npos) << sheets;
    EXPECT_NE(sheets.find("('Washers', -7.25)"), std::string::npos) << sheets;
    EXPECT_NE(sheets.find("Corner Shop & Sons"), std::string::npos) << sheets;
}

TEST_F(WriterTest, DefaultPrinterScreenChangesWhereTheNextReportPrints)
{
    // A relative folder is in the program folder.
    const fs::path folder = program_ / "office-prints";
    FxTranscriptClear();
    const std::string script = "key F4\nfield 1 Office PDFs\nfield 2 office-prints\nfield 4 Yes\nkey F10\nkey Esc\n";
    ASSERT_EQ(FxScriptLoad(script.c_str()), 0);
    char name[64] = {};
    EXPECT_EQ(EditDefaultPrinter(Folder(base_).c_str(), name, "Generic Report"), 0) << Transcript();
    EXPECT_STREQ(name, "Office PDFs") << Transcript();
    TagRepInfo r = Silent(REPORT_TO_PRINTER);
    ASSERT_EQ(ReportOpen(&r, "Stock list"), 1);
    WriteSmallReport(r);
    ASSERT_EQ(ReportClose(&r), 0) << ReportEngineLastError();
    ASSERT_TRUE(fs::exists(folder));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    // A printer without a name or a target is refused with a reason.
    FxTranscriptClear();
    ASSERT_EQ(FxScriptLoad("key F4\nfield 1 Nowhere\nkey F10\nkey Esc\n"), 0);
    EditDefaultPrinter(Folder(base_).c_str(), name, "Generic Report");
    EXPECT_NE(Transcript().find("a folder for its PDF files or a spool queue"), std::string::npos) << Transcript();
    EXPECT_STREQ(name, "Office PDFs");
}

TEST_F(WriterTest, CustomerMailMergeWritesACsvSourceAndAnOdtLetter)
{
    uint8_t spec[FILE_SPEC_SIZE] = {};
    ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::Customers), 0, Folder(data_).c_str(), nullptr, spec), 0);
    const struct {
        const char* code;
        const char* name;
        const char* city;
    } customers[] = {{"C100", "Ann, \"Annie\" Smith", "Springfield"}, {"C200", "Bob <Bros> & Co", "Shelbyville"}};
    for (const auto& c : customers) {
        CustomerRecord record{};
        std::snprintf(record.Code, sizeof record.Code, "%s", c.code);
        std::snprintf(record.Name, sizeof record.Name, "%s", c.name);
        std::snprintf(record.City, sizeof record.City, "%s", c.city);
        ASSERT_EQ(bwpstest::PutRecord(GetDataFilePath(bwps::No(bwps::FileNo::Customers)), &record, 11, &record,
                                      sizeof record),
                  0);
    }
    fs::create_directories(base_ / "MAILMERGE");
    { std::ofstream(base_ / "MAILMERGE" / "CUSTMERG.TXT") << "Dear {Name} of {City},\nHello.\n"; }
    EXPECT_EQ(RunCustomerMailMerge(""), 2) << Transcript();
    EXPECT_EQ(RunCustomerMailMerge("C200"), 1);
    const fs::path folder = data_ / "MAILMERGE";
    const std::string check = Shell(
        "/usr/bin/python3 -c \"import csv,sys,zipfile,xml.dom.minidom\n"
        "rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8'),strict=True))\nprint(rows)\n"
        "z=zipfile.ZipFile(sys.argv[2])\ni=z.infolist()[0]\nprint(i.filename, i.compress_type==zipfile.ZIP_STORED)\n"
        "d=xml.dom.minidom.parseString(z.read('content.xml'))\n"
        "print([''.join(t.data for t in p.childNodes if t.nodeType==t.TEXT_NODE) for p in d.getElementsByTagName('text:p')])"
        "\" " + (folder / "CUSTMERG.CSV").string() + " " + (folder / "CUSTMERG.odt").string());
    EXPECT_NE(check.find("[['Code', 'Name', 'Address1', 'Address2', 'City', 'State', 'Zip', 'Phone'], "
                         "['C200', 'Bob <Bros> & Co', '', '', 'Shelbyville', '', '', '']]"),
              std::string::npos)
        << check;
    EXPECT_NE(check.find("mimetype True"), std::string::npos) << check;
    EXPECT_NE(check.find("['Dear Bob <Bros> & Co of Shelbyville,', 'Hello.']"), std::string::npos) << check;
    EXPECT_TRUE(fs::exists(folder / "CUSTMERG.TXT")) << "the sample letter is copied for the company";
}

TEST_F(WriterTest, DatesTakeTheirFormatsPicture)
{
    const struct {
        int32_t date;
        int format;
        const char* text;
    } cases[] = {{20261211, 0, "12/11/26"}, {20261211, 1, "12/11/2026"}, {20261211, 3, "11/12/2026"},
                 {20261211, 4, "2026-12-11"}, {20261211, 99, "12/11/26"}, {0, 1, ""}};
    for (const auto& c : cases) {
        char out[16] = "x";
        EXPECT_STREQ(GetMaskForColumnKind(c.date, c.format, out), c.text) << c.format;
    }
}

TEST_F(WriterTest, StoppedReportsAndOverwritesKeepTheOldFile)
{
    const fs::path file = data_ / "list.pdf";
    { std::ofstream(file) << "old report"; }
    // Overwriting is agreed to, but the old file stays until a new one is whole.
    ASSERT_EQ(FxScriptLoad("answer Yes\n"), 0);
    EXPECT_EQ(ConfirmOverwrite(file.c_str()), 1) << Transcript();
    EXPECT_EQ(Slurp(file), "old report");
    ASSERT_EQ(FxScriptLoad("answer No\n"), 0);
    EXPECT_EQ(ConfirmOverwrite(file.c_str()), 0);
    EXPECT_EQ(ConfirmOverwrite((data_ / "no" / "such.pdf").c_str()), 0);
    EXPECT_EQ(ConfirmOverwrite((data_ / "a:b.pdf").c_str()), 0);
    // A report stopped with Esc between pages leaves nothing of itself.
    TagRepInfo r = Silent(REPORT_TO_EXPORT);
    r.exportKind = REPORT_EXPORT_FILE;
    std::snprintf(r.exportFile, sizeof r.exportFile, "%s", file.c_str());
    ASSERT_EQ(ReportOpen(&r, "Stock list"), 1);
    WriteSmallReport(r);
    ASSERT_EQ(FxScriptLoad("key Esc\nanswer Yes\n"), 0);
    uint8_t work[32];
    EXPECT_EQ(ReportCheckUserBreakEx(&r, work), 1);
    WriteSmallReport(r);
    EXPECT_EQ(ReportClose(&r), 1);
    EXPECT_EQ(Slurp(file), "old report");
    EXPECT_FALSE(fs::exists(file.string() + ".part"));
}

TEST_F(WriterTest, AmountsThatAreNoNumbersAndControlBytesPrintAsText)
{
    const double amounts[] = {std::nan(""), HUGE_VAL, -HUGE_VAL};
    const char* name = "Bell\a and\ttab";
    TagRepInfo r = Silent(REPORT_TO_TEXT_FILE);
    std::snprintf(r.outputFile, sizeof r.outputFile, "%s", (data_ / "odd.prn").c_str());
    ASSERT_EQ(ReportOpen(&r, "Odd values"), 1);
    for (double amount : amounts) {
        std::array<TagRepColumn, 3> row{};
        row[0].type = REPORT_TYPE_TEXT;
        row[0].value = name;
        row[0].width = 20;
        row[1].type = REPORT_TYPE_DOUBLE;
        std::snprintf(row[1].format, sizeof row[1].format, "%%12.2f");
        row[1].value = &amount;
        row[1].column = 30;
        row[1].width = 12;
        ReportWriteColumnRow(&r, row.data(), 1);
    }
    ASSERT_EQ(ReportClose(&r), 0);
    const std::string text = Slurp(data_ / "odd.prn");
    EXPECT_NE(text.find("Bell  and tab                 NaN\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Infinity\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("-Infinity\r\n"), std::string::npos) << text;
}

TEST_F(WriterTest, LayoutScreenSendsTheReportWhereThePersonChose)
{
    const struct {
        const char* script;
        int opens;
        const char* file;  // in the program folder
        const char* refusal;
    } cases[] = {
        {"field 1 Export\nkey Enter\nfield 5 File by type\nfield 6 dlg.xlsx\nkey F10\n", 1, "dlg.xlsx", nullptr},
        {"field 1 File\nkey Enter\nfield 3 dlg.xls\nfield 4 Workbook\nkey F10\nkey Esc\n", 0, "dlg.xls",
         "must carry the extension"},
        {"field 1 File\nkey Enter\nfield 3 \nkey F10\nkey Esc\n", 0, nullptr, "file name is empty"},
        {"key Esc\n", 0, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        FxTranscriptClear();
        ASSERT_EQ(FxScriptLoad(c.script), 0);
        TagRepInfo r;
        std::memset(&r, 0, sizeof r);
        r.keepStatus = 1;
        EXPECT_EQ(ReportOpen(&r, "Stock list"), c.opens) << Transcript();
        if (c.refusal != nullptr) {
            EXPECT_NE(Transcript().find(c.refusal), std::string::npos) << Transcript();
        }
        if (c.opens) {
            WriteSmallReport(r);
            ASSERT_EQ(ReportClose(&r), 0) << ReportEngineLastError();
            const std::string cells = Shell("/usr/bin/python3 -c \"import openpyxl,sys\nws=openpyxl.load_workbook(sys.argv[1]).active\n"
                                            "print([v for row in ws.iter_rows(values_only=True) for v in row if v is not None])\" " +
                                            (program_ / c.file).string());
            EXPECT_NE(cells.find("'Nuts <big> & bolts', 1234.5"), std::string::npos) << cells;
            EXPECT_EQ(GetSessionPaths()->ReportDestination, REPORT_TO_EXPORT) << "the next report starts there";
        } else if (c.file != nullptr) {
            EXPECT_FALSE(fs::exists(program_ / c.file));
        }
    }
}

TEST_F(WriterTest, StylePresetsFillThePresetPart)
{
    const struct {
        int id;
        std::array<int16_t, 12> words;
    } cases[] = {{3, {3, 3, 12, 1, 6, 0, 5, 23, 3, 8, 40, 4}},
                 {6, {6, 2, 7, 3, 8, 0, 2, 38, 3, 3, 63, 6}},
                 {9, {9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}};
    for (const auto& c : cases) {
        uint8_t record[29];
        std::memset(record, 0x55, sizeof record);
        StylePresetSelect(record, c.id);
        std::array<int16_t, 12> words{};
        std::memcpy(words.data(), record + 5, sizeof words);
        EXPECT_EQ(words, c.words) << c.id;
        EXPECT_EQ(record[0], 0x55) << "the leading bytes are left";
    }
    uint8_t record[29];
    std::memset(record, 0x55, sizeof record);
    StylePresetInit(record);
    EXPECT_EQ(record[0], 0);
    int16_t first[2] = {};
    std::memcpy(first, record + 5, sizeof first);
    EXPECT_EQ(first[0], 0);
    EXPECT_EQ(first[1], 1);
}

TEST_F(WriterTest, ColumnDefinitionsBecomeAColumnTable)
{
    TagRepColumnDef defs[4] = {};
    defs[0].type = REPORT_TYPE_TEXT;
    std::snprintf(defs[0].caption, sizeof defs[0].caption, "Code");
    defs[0].width = 10;
    defs[1].type = REPORT_TYPE_DOUBLE;
    std::snprintf(defs[1].caption, sizeof defs[1].caption, "Balance");  // width from the caption
    defs[2].type = REPORT_TYPE_TEXT;
    defs[2].skip = 1;
    defs[2].width = 5;
    TagRepColumn table[5];
    std::memset(table, 0x55, sizeof table);
    ASSERT_EQ(ReportBuildColumnTable(defs, 4, table), 3);
    EXPECT_EQ(+table[0].column, 0);
    EXPECT_EQ(+table[0].width, 10);
    EXPECT_STREQ(table[0].format, "%-10s");
    EXPECT_EQ(+table[1].column, 11);
    EXPECT_EQ(+table[1].width, 7);
    EXPECT_EQ(+table[1].align, REPORT_ALIGN_RIGHT_CELL);
    EXPECT_EQ(table[2].skip, 1);
    EXPECT_EQ(table[3].type, REPORT_TYPE_END) << "the table is ended";
}

}  // namespace
}  // namespace bwps::test
