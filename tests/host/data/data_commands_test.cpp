// bwpos export, import and files over the demo company, from a private copy
// of the program folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/folders.h"
#include "tests/support/program.h"

namespace fs = std::filesystem;

namespace {

using Outcome = bwpstest::ProgramRun;

std::string Read(const std::string& path)
{
    return bwpstest::ReadFileText(path);
}

class DataCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_ = folder_.path();
        program_ = scratch_ + "/program";
        bwpstest::InstallProgramFolder(program_);
        ASSERT_TRUE(fs::exists(program_ + "/bwpos"));
        company_ = scratch_ + "/demo-company";
        ASSERT_EQ(Bwpos({"demo", company_}).status, 0);
    }

    Outcome Bwpos(const std::vector<std::string>& args) { return bwpstest::RunBwpos(program_, args); }

    // As Bwpos, killed after the seconds given (status 137 then).
    Outcome BwposWithin(int seconds, const std::vector<std::string>& args)
    {
        std::string command = "timeout -s KILL " + std::to_string(seconds) + " " +
                              bwpstest::ShellQuote(program_ + "/bwpos");
        for (const std::string& a : args)
            command += " " + bwpstest::ShellQuote(a);
        command += " </dev/null 2>&1";
        Outcome run;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return run;
        char chunk[4096];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
            run.out.append(chunk, n);
        const int raw = pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return run;
    }

    // The record count `files` gives for a data file (-1 when not listed).
    int Count(int file)
    {
        const Outcome out = Bwpos({"files", "--company", company_});
        std::istringstream lines(out.out);
        std::string line;
        const std::string head = std::to_string(file) + " ";
        while (std::getline(lines, line))
            if (line.rfind(head, 0) == 0) {
                const size_t last = line.find_last_of(' ');
                return std::atoi(line.c_str() + last + 1);
            }
        return -1;
    }

    bwpstest::ScratchFolder folder_{"hostdata"};
    std::string scratch_, program_, company_;
};

TEST_F(DataCommandsTest, TendersExportImportAndFiles)
{
    const std::string csv = scratch_ + "/tenders.csv";
    Outcome out = Bwpos({"export", "--company", company_, "33", csv});
    ASSERT_EQ(out.status, 0) << out.out;
    EXPECT_NE(out.out.find("Exported 5 records"), std::string::npos) << out.out;
    const std::string text = Read(csv);
    EXPECT_NE(text.find("\"CASH\",\"CASH\",N,0,\"11021\",\"\",C\r\n"), std::string::npos) << text;
    const std::string tenders = company_ + "/BPOSTEND.DB";
    const std::string before = Read(tenders);

    out = Bwpos({"import", "--update", "--company", company_, "33", csv});
    ASSERT_EQ(out.status, 0) << out.out;
    const std::string again = scratch_ + "/again.csv";
    ASSERT_EQ(Bwpos({"export", "--company", company_, "33", again}).status, 0);
    EXPECT_EQ(Read(again), text) << "the records are unchanged";

    // Without --update an existing key is refused with its line.
    out = Bwpos({"import", "--company", company_, "33", csv});
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.out.find("line 1"), std::string::npos) << out.out;

    // A damaged line is refused with its line number; nothing changes.
    std::ofstream(csv, std::ios::app) << "\"DISC\",\"Discover,N,0,\"11026\",\"\",O\r\n";
    out = Bwpos({"import", "--update", "--company", company_, "33", csv});
    EXPECT_EQ(out.status, 1);
    EXPECT_NE(out.out.find("line 6"), std::string::npos) << out.out;
    ASSERT_EQ(Bwpos({"export", "--company", company_, "33", again}).status, 0);
    EXPECT_EQ(Read(again), text);

    // Chosen columns.
    out = Bwpos({"export", "--company", company_, "33", again, "--columns", "1,7"});
    ASSERT_EQ(out.status, 0) << out.out;
    EXPECT_NE(Read(again).find("\"VISA\",O\r\n"), std::string::npos) << Read(again);

    out = Bwpos({"files", "--company", company_});
    ASSERT_EQ(out.status, 0) << out.out;
    EXPECT_NE(out.out.find("33    Tenders                           5"), std::string::npos) << out.out;
    EXPECT_NE(out.out.find("all   All Files"), std::string::npos);
}

TEST_F(DataCommandsTest, ErrorsAUserCanMake)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* text;
    };
    const Case cases[] = {
        {{"export", "--company", company_, "33"}, 2, "usage"},
        {{"export", "--company", company_, "333", "x.csv"}, 2, "FILE-NUMBER"},
        {{"export", "--company", scratch_ + "/none", "33", "x.csv"}, 4, "does not exist"},
        {{"export", "--company", company_, "4", scratch_ + "/c.csv"}, 2, "no column"},
        {{"export", "--company", company_, "27", scratch_ + "/t.csv"}, 1, "holds no record"},
        {{"import", "--company", company_, "33", scratch_ + "/missing.csv"}, 1, "cannot be opened"},
        {{"files", "--company", company_, "--update"}, 2, "unknown option"},
    };
    for (const Case& c : cases) {
        const Outcome out = Bwpos(c.args);
        EXPECT_EQ(out.status, c.status) << out.out;
        EXPECT_NE(out.out.find(c.text), std::string::npos) << out.out;
    }
}

// A code exported and imported again is the key the editors and the sample
// store wrote: refused without --update, updated in place with it.
TEST_F(DataCommandsTest, ImportedCodesAreTheKeysTheFileHolds)
{
    const std::string script = scratch_ + "/terms.script";
    std::ofstream(script) << "type N30\nkey Enter\ntype Net 30 days\nkey F10\nkey Esc\n";
    Outcome out = Bwpos({"--company", company_, "--user", "", "--password", "", "--script", script, "133"});
    ASSERT_EQ(out.status, 0) << out.out;
    struct Case {
        int file;
        const char* code;
        const char* columns;  // the code and a text
    };
    for (const Case& c : {Case{10, "C100", "1,53"}, Case{20, "WIDGET", "1,2"}, Case{27, "N30", "1,2"}}) {
        SCOPED_TRACE(c.code);
        const std::string csv = scratch_ + "/codes.csv";
        out = Bwpos({"export", "--company", company_, std::to_string(c.file), csv, "--columns", c.columns});
        ASSERT_EQ(out.status, 0) << out.out;
        ASSERT_NE(Read(csv).find(std::string("\"") + c.code + "\""), std::string::npos) << Read(csv);
        const int before = Count(c.file);
        out = Bwpos({"import", "--company", company_, std::to_string(c.file), csv, "--columns", c.columns});
        EXPECT_EQ(out.status, 1) << out.out;
        EXPECT_NE(out.out.find("already in the file"), std::string::npos) << out.out;
        out = Bwpos({"import", "--update", "--company", company_, std::to_string(c.file), csv, "--columns", c.columns});
        EXPECT_EQ(out.status, 0) << out.out;
        EXPECT_EQ(Count(c.file), before);
    }
}

// One key twice in one file: refused with both lines, nothing stored.
TEST_F(DataCommandsTest, AKeyTwiceInOneFileIsRefusedWithBothLines)
{
    const std::string csv = scratch_ + "/twice.csv";
    std::ofstream(csv) << "\"DISC\",\"Discover\",N,0,\"11026\",\"\",O\r\n"
                          "\"AMEX2\",\"Amex\",N,0,\"11025\",\"\",O\r\n"
                          "\"DISC\",\"Discover again\",N,0,\"11026\",\"\",O\r\n";
    for (const char* update : {"", "--update"}) {
        std::vector<std::string> args = {"import", "--company", company_, "33", csv};
        if (*update)
            args.push_back(update);
        const Outcome out = Bwpos(args);
        EXPECT_EQ(out.status, 1) << out.out;
        EXPECT_NE(out.out.find("line 3: the key of line 1 comes again"), std::string::npos) << out.out;
        EXPECT_EQ(Count(33), 5);
    }
}

// Input that is not a text file of lines, or values that are not text:
// refused at once with the place, nothing stored.
TEST_F(DataCommandsTest, HostileImportInputIsRefused)
{
    const std::string line = "\"DISC\",\"Discover\",N,0,\"11026\",\"\",O\r\n";
    auto file = [&](const std::string& name, const std::string& bytes) {
        const std::string path = scratch_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    const std::string fifo = scratch_ + "/fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(scratch_ + "/folder.csv");
    struct Case {
        std::string path;
        const char* text;
    };
    const Case cases[] = {
        {file("nul.csv", line + "\"NUL\",\"Dis" + std::string(1, '\0') + "c\",N,0,\"1\",\"\",O\r\n"),
         "line 2, column 2: the value holds the control character 0x00"},
        {file("control.csv", "\"CTL\",\"Dis\x01\",N,0,\"1\",\"\",O\r\n"), "line 1, column 2: the value holds"},
        {file("escape.csv", "\"ESC\",\"\x1b[2J\",N,0,\"1\",\"\",O\r\n"), "line 1, column 2: the value holds"},
        {file("latin1.csv", "\"LAT\",\"Caf\xe9\",N,0,\"1\",\"\",O\r\n"), "line 1, column 2: the value is not valid UTF-8"},
        {file("overlong.csv", "\"OVL\",\"\xc0\xaf\",N,0,\"1\",\"\",O\r\n"), "line 1, column 2: the value is not valid UTF-8"},
        {file("long.csv", line + std::string(9000, 'x')), "line 2: the line is longer than 8192"},
        {"/dev/zero", "is not a regular file"},
        {scratch_ + "/folder.csv", "is a folder"},
        {fifo, "is not a regular file"},
        {"/dev/null", "is not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const Outcome out = BwposWithin(60, {"import", "--company", company_, "33", c.path});
        EXPECT_EQ(out.status, 1) << out.out;
        EXPECT_NE(out.out.find(c.text), std::string::npos) << out.out;
    }
    EXPECT_EQ(Count(33), 5);
}

// Export replaces a regular file only: a link, pipe or folder at the path
// stays what it was.
TEST_F(DataCommandsTest, ExportOverAPathThatIsNoRegularFileIsRefused)
{
    const std::string kept = scratch_ + "/kept.txt";
    std::ofstream(kept) << "kept";
    const std::string link = scratch_ + "/link.csv";
    fs::create_symlink(kept, link);
    const std::string fifo = scratch_ + "/fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = scratch_ + "/folder.csv";
    fs::create_directories(folder);
    for (const std::string& path : {link, fifo, folder}) {
        SCOPED_TRACE(path);
        const Outcome out = BwposWithin(60, {"export", "--company", company_, "33", path});
        EXPECT_EQ(out.status, 1) << out.out;
        EXPECT_NE(out.out.find("is not a regular file"), std::string::npos) << out.out;
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(kept), "kept");
    EXPECT_EQ(fs::symlink_status(fifo).type(), fs::file_type::fifo);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(fs::exists(link + ".new"));
}

// A product made by import is the product the editor makes from the same
// code and description: the company's default product under them (a new
// company's default product is of type 3, Negative), active.
TEST_F(DataCommandsTest, ImportedProductsStartAsTheEditorsNewProduct)
{
    const std::string script = scratch_ + "/product.script";
    std::ofstream(script) << "type EDITP\nkey Enter\ntype New part\nkey F10\nkey Esc\n";
    Outcome out = Bwpos({"--company", company_, "--user", "", "--password", "", "--script", script, "122"});
    ASSERT_EQ(out.status, 0) << out.out;
    const std::string csv = scratch_ + "/new-product.csv";
    std::ofstream(csv) << "\"IMPP\",\"New part\"\r\n";
    out = Bwpos({"import", "--company", company_, "20", csv, "--columns", "1,2"});
    ASSERT_EQ(out.status, 0) << out.out;

    const std::string all = scratch_ + "/products.csv";
    ASSERT_EQ(Bwpos({"export", "--company", company_, "20", all, "--columns", "1,31,86,26,33,34,6"}).status, 0);
    const std::string text = Read(all);
    EXPECT_NE(text.find("\"EDITP\",3,A,Y,1,1,"), std::string::npos) << text;
    // everything after the code the same for both
    const auto rest = [&](const std::string& code) {
        const size_t at = text.find("\"" + code + "\",");
        if (at == std::string::npos)
            return std::string("(missing)");
        const size_t from = text.find(',', at);
        return text.substr(from, text.find('\n', from) - from);
    };
    EXPECT_EQ(rest("IMPP"), rest("EDITP")) << text;
}

// Values a product cannot hold are refused with their line and column, and
// nothing of the file is stored; an update is checked the same way.
TEST_F(DataCommandsTest, ProductValuesOutOfRangeAreRefusedWithLineAndColumn)
{
    struct Case {
        const char* line2;     // the second line, columns 1,2,31,86,26,33
        const char* refusal;
    };
    const Case cases[] = {
        {"\"BADP\",\"Bad\",9,A,Y,1", "line 2, column 3: \"9\": the item type is 1 (Normal)"},
        {"\"BADP\",\"Bad\",0,A,Y,1", "line 2, column 3: \"0\": the item type"},
        {"\"BADP\",\"Bad\",1,X,Y,1", "line 2, column 4: \"X\": the status is A (active) or I (inactive)"},
        {"\"BADP\",\"Bad\",1,,Y,1", "line 2, column 4: \"\": the status"},
        {"\"BADP\",\"Bad\",1,A,Q,1", "line 2, column 5: \"Q\": the flag is Y or N"},
        {"\"BADP\",\"Bad\",1,A,Y,0", "line 2, column 6: \"0\": the units are at least 1"},
        {"\"WIDGET\",\"Widget\",7,A,Y,1", "line 2, column 3: \"7\": the item type"},
    };
    const int before = Count(20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line2);
        const std::string csv = scratch_ + "/bad-products.csv";
        std::ofstream(csv, std::ios::trunc) << "\"GOODP\",\"Good\",2,I,N,12\r\n" << c.line2 << "\r\n";
        const Outcome out =
            Bwpos({"import", "--update", "--company", company_, "20", csv, "--columns", "1,2,31,86,26,33"});
        EXPECT_EQ(out.status, 1) << out.out;
        EXPECT_NE(out.out.find(c.refusal), std::string::npos) << out.out;
        EXPECT_EQ(Count(20), before);
    }
}

// A beginning balance posted from the product editor (F7) reaches the
// product on file with the ledger transaction (seen through export).
TEST_F(DataCommandsTest, ABeginningBalanceFromTheProductEditorReachesTheProduct)
{
    const std::string csv = scratch_ + "/on-hand.csv";
    auto onHand = [&]() {
        EXPECT_EQ(Bwpos({"export", "--company", company_, "20", csv, "--columns", "1,45"}).status, 0);
        const std::string text = Read(csv);
        const size_t at = text.find("\"WIDGET\",");
        return at == std::string::npos ? std::string("(missing)") : text.substr(at + 9, text.find('\r', at) - at - 9);
    };
    const std::string before = onHand();
    ASSERT_EQ(before, "-3.0");
    const int headers = Count(13);
    const std::string script = scratch_ + "/balance.script";
    std::ofstream(script) << "type WIDGET\nkey Enter\nkey F7\nanswer Continue\nfield 2 OPEN\nkey Enter\n"
                             "field 3 10\nkey Enter\nfield 4 2.5\nkey Enter\nkey F10\nkey Esc\n";
    const Outcome out = Bwpos({"--company", company_, "--user", "", "--password", "", "--script", script, "122"});
    ASSERT_EQ(out.status, 0) << out.out;
    EXPECT_NE(out.out.find("run end RSEditProdBal F10"), std::string::npos) << out.out;
    EXPECT_EQ(Count(13), headers + 1);
    EXPECT_EQ(onHand(), "7.0");
}

// The files that hold card data or passwords are made unreadable by
// everyone but their owner and group.
TEST_F(DataCommandsTest, FilesWithCardDataOrPasswordsAreNotForEveryone)
{
    for (const char* name : {"BPOSCARD.DB", "BPOSGEN3.DB", "BPOSGNRL.DB"}) {
        struct stat st {};
        ASSERT_EQ(::stat((company_ + "/" + name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 0007, 0u) << name;
    }
}

}  // namespace
