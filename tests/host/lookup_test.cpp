// bwpos lookup-product and lookup-customer run headless over a company with
// products and customers, from a script: the rows a list shows, paging,
// search, the key switch, the pick and what the host prints of it, and
// where the next lookup of the run starts.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/folders.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out;  // stdout and stderr together
};

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

class HostLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_ = folder_.path();
        program_ = scratch_ + "/program";
        fs::create_directories(program_);
        const fs::path shipped = bwpstest::BuildProgramFolder();
        ASSERT_TRUE(fs::exists(shipped / "bwpos"));
        for (const auto& entry : fs::directory_iterator(shipped)) {
            const std::string name = entry.path().filename().string();
            if (name == "bwpos" || name.find(".so") != std::string::npos)
                fs::copy(entry.path(), program_ + "/" + name);
        }
        bwpstest::CopyBaseFolder(program_);
        std::error_code ec;
        fs::remove(program_ + "/RAZAVUR/BPOSCID.DB", ec);
        fs::create_directories(program_ + "/ROVAZERI");

        company_ = scratch_ + "/shop";
        Outcome o = Bwpos({"create-company", company_, "Shop"});
        ASSERT_EQ(o.status, 0) << o.out;
        // Products P001..P030, every seventh inactive; descriptions start
        // with a metal so that the description order differs from the
        // code order.
        const char* metals[] = {"Zinc", "Brass", "Copper", "Iron", "Tin"};
        std::string products;
        for (int i = 1; i <= 30; ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "\"P%03d\",\"%s item %02d\",\"%c\"\r\n", i, metals[i % 5], i,
                          i % 7 == 0 ? 'I' : 'A');
            products += line;
        }
        Import(20, products, "1,2,86");
        Import(10,
               "\"C100\",\"Corner Deli\",\"A\"\r\n\"C200\",\"Baker Street Cafe\",\"A\"\r\n"
               "\"C300\",\"Closed Shop\",\"I\"\r\n\"C400\",\"Avenue Grocer\",\"A\"\r\n",
               "1,53,69");
    }

    void Import(int file, const std::string& csv, const std::string& columns)
    {
        const std::string path = scratch_ + "/import-" + std::to_string(file) + ".csv";
        std::ofstream(path, std::ios::binary) << csv;
        const Outcome o = Bwpos({"import", "--company", company_, std::to_string(file), path, "--columns", columns});
        ASSERT_EQ(o.status, 0) << o.out;
    }

    Outcome Bwpos(const std::vector<std::string>& args)
    {
        std::string command = Quote(program_ + "/bwpos");
        for (const std::string& a : args) command += " " + Quote(a);
        command += " </dev/null 2>&1";
        Outcome o;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return o;
        std::array<char, 4096> chunk;
        size_t n = 0;
        while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) o.out.append(chunk.data(), n);
        const int raw = pclose(pipe);
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return o;
    }

    // Runs the commands headless with the script's events.
    Outcome Run(const std::string& script, const std::vector<std::string>& commands)
    {
        const std::string path = scratch_ + "/script.txt";
        std::ofstream(path, std::ios::binary) << script;
        std::vector<std::string> args = {"--company", company_, "--user", "", "--password", "", "--script", path};
        args.insert(args.end(), commands.begin(), commands.end());
        return Bwpos(args);
    }

    // The transcript lines that begin with the prefix, in order.
    static std::vector<std::string> LinesWith(const std::string& text, const std::string& prefix)
    {
        std::vector<std::string> lines;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(at, end - at);
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
            at = end + 1;
        }
        return lines;
    }

    // The highlighted rows ("list row N > ..."), in order.
    static std::vector<std::string> Highlights(const std::string& text)
    {
        std::vector<std::string> out;
        for (const std::string& l : LinesWith(text, "list row "))
            if (l.find(" > ") != std::string::npos) out.push_back(l);
        return out;
    }

    static bool Has(const Outcome& o, const std::string& text) { return o.out.find(text) != std::string::npos; }

    bwpstest::ScratchFolder folder_{"host-lookup"};
    std::string scratch_, program_, company_;
};

TEST_F(HostLookup, ProductPagesSearchesSwitchesKeyAndPicks)
{
    const Outcome o = Run("key PgDn\ntype p02\nkey Shift+F9\nkey Enter\n", {"lookup-product"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(Has(o, "list open \"Products\"")) << o.out;
    EXPECT_TRUE(Has(o, "list heading \"Product Code   Description")) << o.out;

    const std::vector<std::string> highlights = Highlights(o.out);
    ASSERT_EQ(highlights.size(), 4u) << o.out;
    // first page: the first active product, highlighted; inactive ones are
    // not listed
    EXPECT_NE(highlights[0].find("list row 1 > \"P001"), std::string::npos) << highlights[0];
    EXPECT_FALSE(Has(o, "\"P007 ")) << o.out;
    EXPECT_FALSE(Has(o, "\"P014 ")) << o.out;
    // PgDn: a page further on, the highlight on its first row
    EXPECT_NE(highlights[1].find("list row 1 > "), std::string::npos) << highlights[1];
    EXPECT_EQ(highlights[1].find("P001"), std::string::npos) << highlights[1];
    // the search (letter case ignored) goes to the first code at or after it
    EXPECT_NE(highlights[2].find("P020"), std::string::npos) << highlights[2];
    // Shift+F9: the description order, the same product highlighted
    EXPECT_NE(highlights[3].find("P020"), std::string::npos) << highlights[3];
    const std::string lastPage = o.out.substr(o.out.rfind("list row 1 "));
    EXPECT_LT(lastPage.find("Iron item"), lastPage.find("Zinc item 20")) << lastPage;

    EXPECT_TRUE(Has(o, "list note \"picked P020 | Zinc item 20")) << o.out;
    EXPECT_TRUE(Has(o, "Picked product:\n  Code: P020\n  Description: Zinc item 20\n")) << o.out;
}

TEST_F(HostLookup, NextLookupOfTheRunStartsAtThePick)
{
    const Outcome o = Run("pick 3\nkey Enter\n", {"lookup-product", "lookup-product"});
    ASSERT_EQ(o.status, 0) << o.out;
    const std::vector<std::string> opened = LinesWith(o.out, "list open ");
    ASSERT_EQ(opened.size(), 2u) << o.out;
    // the second list searches the code picked in the first and picks it
    // again with Enter
    const std::string second = o.out.substr(o.out.rfind("list open "));
    EXPECT_NE(second.find("list search \"P003\""), std::string::npos) << second;
    const std::vector<std::string> highlights = Highlights(second);
    ASSERT_FALSE(highlights.empty()) << second;
    EXPECT_NE(highlights[0].find("P003"), std::string::npos) << highlights[0];
    EXPECT_EQ(LinesWith(o.out, "  Code: P003").size(), 2u) << o.out;
}

TEST_F(HostLookup, CustomerPickPrintsTheFieldsReturned)
{
    const Outcome o = Run("key Down\nkey Enter\n", {"lookup-customer"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(Has(o, "list open \"Customers\"")) << o.out;
    EXPECT_TRUE(Has(o, "list row 1 > \"C100       Corner Deli")) << o.out;
    EXPECT_FALSE(Has(o, "Closed Shop")) << o.out;  // inactive
    EXPECT_TRUE(Has(o, "Picked customer:\n  Code: C200\n  Name: Baker Street Cafe\n")) << o.out;
}

TEST_F(HostLookup, EscapeOrAnEmptyScriptCancels)
{
    for (const char* script : {"key Esc\n", ""}) {
        const Outcome o = Run(script, {"lookup-customer", "103"});
        EXPECT_EQ(o.status, 27) << o.out;
        EXPECT_TRUE(Has(o, "list note \"cancelled\"")) << o.out;
        EXPECT_TRUE(Has(o, "No customer was picked.")) << o.out;
        EXPECT_TRUE(Has(o, "lookup-customer ended cancelled")) << o.out;
    }
}

}  // namespace
