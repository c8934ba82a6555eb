// Custom formats and labels printed through the report writer, read back
// from the files it wrote: tags as runs of "X", rules, columns kept; label
// styles from the station's label formats; the alignment print of a label
// format as page text of its PDF.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bwps/custom_forms.h"
#include "bwps/records/general.h"
#include "bwps/report_services.h"
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

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
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

class CustomFormatTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        ResetReportWriterState();
        const fs::path built = bwpstest::BuiltBaseFolder();
        FxOpenStringFiles(Folder(built).c_str(), "WBPSRSC1.DAT", "WBPSRSC2.DAT");
        for (const char* name : {"RECEIPT.FMT", "CVLABEL.FMT", "INVPROD.FMT"})
            fs::copy_file(built / name, base_ / name, fs::copy_options::overwrite_existing);
        CreateGeneralFile();
        uint8_t company[GENERAL_COMPANY_SIZE] = {};
        std::memcpy(company, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
        std::memcpy(company + 16, "Corner Shop", 11);
        PutGeneralRecord(company, sizeof company);
        EngPrinter pdf{};
        std::snprintf(pdf.name, sizeof pdf.name, "PDF files");
        std::snprintf(pdf.folder, sizeof pdf.folder, "prints/");
        pdf.isDefault = 1;
        ASSERT_EQ(BrmRepPutPrinter(Folder(base_).c_str(), &pdf), 0);
        uint16_t handle = 0;
        ASSERT_EQ(ConvertDocumentForms(Folder(base_).c_str(), &handle, 0), 0);
        BtrCloseFile(handle);
        Copy(GetSessionPaths()->StationId, "DEFAULT       ");
        FxTranscriptClear();
    }
    void TearDown() override
    {
        ResetReportWriterState();
        InstallationTest::TearDown();
    }

    // The lines PrintWrappedText gives for each line, in a text file.
    std::vector<std::string> Printed(const std::vector<std::string>& lines)
    {
        TagRepInfo r{};
        r.silent = 1;
        r.keepStatus = 1;
        r.destination = REPORT_TO_TEXT_FILE;
        r.width = 310;   // wide enough to show a whole token
        const fs::path out = data_ / ("wrapped" + std::to_string(++printed_) + ".txt");
        std::snprintf(r.outputFile, sizeof r.outputFile, "%s", out.c_str());
        EXPECT_EQ(ReportOpen(&r, "Wrapped"), 1);
        for (const std::string& line : lines) {
            std::string marked = line;
            FormMarkTags(marked.data(), FORM_FIELD_FILLER);
            if (PrintWrappedText(&r, marked.c_str()))
                ReportNewLines(&r, 1);
        }
        ReportClose(&r);
        std::vector<std::string> got;
        for (const std::string& l : Lines(Slurp(out)))
            if (l.find("Wrapped") == std::string::npos && l.find("Corner Shop") == std::string::npos &&
                l.find("Date :") == std::string::npos && l.find("Time :") == std::string::npos &&
                l.find("Page") == std::string::npos)
                got.push_back(l.substr(0, l.find_last_not_of(' ') + 1));
        while (!got.empty() && got.front().empty())
            got.erase(got.begin());
        while (!got.empty() && got.back().empty())
            got.pop_back();
        return got;
    }
    int printed_ = 0;
};

TEST_F(CustomFormatTest, TokensKeepTheirColumnsAndTagsPrintAsRuns)
{
    struct Case {
        const char* line;
        const char* printed;
    };
    const Case cases[] = {
        {"Name {ABCD}", "Name XXXXXX"},
        {"  {}", "  XX"},
        {"== -- ===", "== -- ==="},
        {"a-b -=- x", "a-b --- x"},
        {"Total     {AMT}  end", "Total     XXXXX  end"},
        {"Net\xb7Total due", "Net Total due"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> got = Printed({c.line});
        ASSERT_EQ(got.size(), 1u) << c.line;
        EXPECT_EQ(got[0], c.printed) << c.line;
    }
    // A blank line prints nothing; a line far longer than the token
    // printer's 512 characters prints its start; a token is cut at 255
    // characters.
    EXPECT_TRUE(Printed({"     "}).empty());
    std::string longLine = "Start";
    while (longLine.size() < 5000)
        longLine += " word {TAG}";
    const std::vector<std::string> cut = Printed({longLine});
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].rfind("Start word XXXXX word", 0), 0u) << cut[0];
    const std::vector<std::string> token = Printed({std::string(300, 'k')});
    ASSERT_EQ(token.size(), 1u);
    EXPECT_EQ(token[0], std::string(255, 'k'));
}

TEST_F(CustomFormatTest, FormatFilePrintsAsItsLayout)
{
    ASSERT_EQ(FxScriptLoad("field 1 File\nkey Enter\nfield 3 receipt.txt\nkey F10\n"), 0);
    PrintCustomFormat(0, "RECEIPT.FMT");
    const std::string text = Slurp(program_ / "receipt.txt");
    EXPECT_NE(text.find("Receipt XXXXXXXXXXXX"), std::string::npos) << Transcript() << text;
    EXPECT_NE(text.find("========================================"), std::string::npos) << text;
    EXPECT_NE(text.find("Thank you for your visit"), std::string::npos) << text;
    EXPECT_EQ(text.find("{"), std::string::npos) << text;
}

TEST_F(CustomFormatTest, FormatFilesThatCannotBeReadPrintNothing)
{
    fs::create_directories(base_ / "DIR.FMT");
    struct Case {
        const char* name;
        const char* message;
    };
    const Case cases[] = {
        {"NOSUCH.FMT", "Not enough memory, or a file this task needs is missing."},
        {"../RECEIPT.FMT", "The format file cannot be read."},
        {"DIR.FMT", "The format file cannot be read."},
        {"", "The format file cannot be read."},
    };
    for (const Case& c : cases) {
        FxTranscriptClear();
        PrintCustomFormat(0, c.name);
        EXPECT_NE(Transcript().find(c.message), std::string::npos) << c.name << Transcript();
        EXPECT_EQ(Transcript().find("Report Layout"), std::string::npos) << "no report opened for " << c.name;
    }
}

TEST_F(CustomFormatTest, LabelFormatSetsLinesWidthsAndMode)
{
    struct Case {
        const char* text;
        int lines, width, mode;
    };
    const Case cases[] = {
        {"{COND}\nab\nabcdef\n", 2, 6, 1},
        {"ab\n{NORM}\nabc\n", 2, 6, 0},
        {"one\ntwo\nthree\n", 3, 5, 0},
        {"", 9, 40, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path path = data_ / ("label" + std::to_string(n++) + ".FMT");
        std::ofstream(path, std::ios::binary) << c.text;
        TagLabelStyle style{};
        style.linesPerLabel = 9;
        style.normalWidth = style.condensedWidth = 40;
        FxTextReader reader{};
        ASSERT_EQ(FxTextOpen(&reader, path.c_str()), 0);
        TranslatePrinterCodes(&style, &reader);
        FxTextClose(&reader);
        EXPECT_EQ(+style.linesPerLabel, c.lines) << c.text;
        EXPECT_EQ(+style.normalWidth, c.width) << c.text;
        EXPECT_EQ(+style.condensedWidth, c.width) << c.text;
        EXPECT_EQ(+style.printMode, c.mode) << c.text;
    }
}

TEST_F(CustomFormatTest, LabelDefaultsAreMadeFromTheLabelFormatsOfTheBaseFolder)
{
    // The data folder's copy of a format is not the station's format.
    std::ofstream(base_ / "CVLABEL.FMT") << "{COND}\nName\nStreet\nTown\n";
    std::ofstream(data_ / "CVLABEL.FMT") << "a\nb\n";
    uint16_t general = 0;
    ASSERT_EQ(BtrOpenFile(&general, GetDataFilePath(No(FileNo::General)), 0, 0), 0);
    TagLabelDefaults record{};
    ASSERT_EQ(ReadLabelDefaults(general, &record), 0) << Transcript();
    EXPECT_EQ(+record.styles[1].linesPerLabel, 3);
    EXPECT_EQ(+record.styles[1].printMode, 1);
    EXPECT_EQ(+record.styles[3].linesPerLabel, 3);
    EXPECT_EQ(+record.styles[2].linesPerLabel, 3) << "INVPROD.FMT has three lines";
    EXPECT_EQ(+record.styles[0].linesPerLabel, 5) << "stock 0";
    // A second read finds the record stored.
    std::ofstream(base_ / "CVLABEL.FMT") << "x\n";
    TagLabelDefaults again{};
    ASSERT_EQ(ReadLabelDefaults(general, &again), 0);
    EXPECT_EQ(std::memcmp(&again, &record, sizeof record), 0);
    // A written style is read back.
    record.styles[4].across = 3;
    uint8_t mode = 9;
    ASSERT_EQ(WriteLabelDefaults(general, 1, &mode, &record), 0);
    EXPECT_EQ(mode, 0);
    ASSERT_EQ(ReadLabelDefaults(general, &again), 0);
    EXPECT_EQ(+again.styles[4].across, 3);
    BtrCloseFile(general);
}

TEST_F(CustomFormatTest, StockListAndPageAdvance)
{
    TagLabelStock list[8];
    std::memset(list, 0x55, sizeof list);
    LoadLabelStockList(list, 8);
    EXPECT_STREQ(LabelStockName(&list[0]), "Standard Label");
    EXPECT_STREQ(LabelStockName(&list[6]), "Avery 5162 Laser");
    EXPECT_EQ(list[4].hotKey, '5');
    EXPECT_EQ(list[7].name, 0u);
    EXPECT_STREQ(LabelStockName(&list[7]), "");

    TagLabelStyle style{};
    style.rowsPerPage = 1;
    style.row = 2;
    TagRepInfo r{};
    EXPECT_EQ(LabelAdvancePage(&r, &style), 1);
    EXPECT_EQ(+style.row, 1);
    EXPECT_EQ(LabelAdvancePage(&r, &style), 0);
}

TEST_F(CustomFormatTest, LabelAlignmentPrintsEachLabelAtItsColumn)
{
    TagLabelJob job{};
    const std::string path = (base_ / "CVLABEL.FMT").string();
    job.formatPath = path.c_str();
    job.title = "Label Alignment";
    job.style.across = 2;
    job.style.rowsPerPage = 2;
    job.style.linesPerLabel = 2;
    job.style.normalFirst = 1;
    job.style.normalWidth = 20;
    job.style.normalGap = 4;
    uint8_t setup[REPORT_SETUP_SIZE] = {};
    ASSERT_EQ(PrintLabelAlign(&job, setup), 0);
    fs::path pdf;
    for (const auto& entry : fs::directory_iterator(program_ / "prints"))
        pdf = entry.path();
    ASSERT_FALSE(pdf.empty()) << Transcript();
    const std::string text = Shell("pdftotext -layout " + pdf.string() + " -");
    // Two labels a row, each its first two lines of X cut to 20 characters.
    size_t rows = 0;
    for (const std::string& line : Lines(text)) {
        std::istringstream words(line);
        std::vector<std::string> runs;
        for (std::string w; words >> w;)
            runs.push_back(w);
        if (runs == std::vector<std::string>{std::string(20, 'X'), std::string(20, 'X')})
            ++rows;
    }
    EXPECT_EQ(rows, 4u) << text;
}

}  // namespace
}  // namespace bwps::test
