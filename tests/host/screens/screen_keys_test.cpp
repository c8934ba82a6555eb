// Key sequences over the record editors that must leave the screen
// running: a lookup opened and left, then the keys it had bound pressed on
// the editor.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/folders.h"
#include "tests/support/program.h"

namespace fs = std::filesystem;

namespace {

class ScreenKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_ = folder_.path();
        program_ = scratch_ + "/program";
        bwpstest::InstallProgramFolder(program_);
        company_ = scratch_ + "/demo-company";
        ASSERT_EQ(bwpstest::RunBwpos(program_, {"demo", company_}).status, 0);
    }

    bwpstest::ProgramRun Run(const std::string& command, const std::string& script)
    {
        const std::string path = scratch_ + "/keys.script";
        std::ofstream(path) << script;
        return bwpstest::RunBwpos(program_, {"--company", company_, "--user", "", "--password", "",
                                             "--script", path, command});
    }

    bwpstest::ScratchFolder folder_{"screenkeys"};
    std::string scratch_, program_, company_;
};

// The lookup's switch key (Shift+F9) and its other keys belong to the
// lookup only: pressed on the editor after the lookup closed, they do
// nothing harmful, and the editor goes on to save what was typed.
TEST_F(ScreenKeysTest, KeysOfAClosedLookupDoNotReachTheEditor)
{
    const char* const commands[] = {"124", "130", "132", "133", "134", "135", "120", "122"};
    const char* const scripts[] = {
        "key F5\nkey Esc\nkey Shift+F9\n",
        "key F5\nkey Enter\nkey Shift+F9\nkey F8\nkey F9\n",
        "key F5\nkey Shift+F9\nkey Esc\nkey Shift+F9\nkey Shift+F9\n",
    };
    for (const char* command : commands)
        for (const char* script : scripts) {
            SCOPED_TRACE(std::string(command) + ": " + script);
            const bwpstest::ProgramRun run = Run(command, script);
            EXPECT_LT(run.status, 128) << run.out;
            EXPECT_EQ(run.out.find("Sanitizer"), std::string::npos) << run.out;
            EXPECT_EQ(run.out.find("runtime error"), std::string::npos) << run.out;
        }
}

// The editor goes on after the lookup: what is typed then is saved.
TEST_F(ScreenKeysTest, ATermsCodeTypedAfterALookupIsSaved)
{
    const bwpstest::ProgramRun run =
        Run("133", "key F5\nkey Esc\nkey Shift+F9\ntype N45\nkey Enter\ntype Net 45 days\nkey F10\nkey Esc\n");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("key Shift+F9 -> no action"), std::string::npos) << run.out;
    const std::string csv = scratch_ + "/terms.csv";
    const bwpstest::ProgramRun out =
        bwpstest::RunBwpos(program_, {"export", "--company", company_, "27", csv, "--columns", "1,2"});
    ASSERT_EQ(out.status, 0) << out.out;
    EXPECT_NE(bwpstest::ReadFileText(csv).find("\"N45\",\"Net 45 days\""), std::string::npos)
        << bwpstest::ReadFileText(csv);
}

// The sample store writes what its own editors accept: each sample product
// opened in the product editor is saved as it stands.
TEST_F(ScreenKeysTest, TheSampleProductsSaveInTheProductEditor)
{
    for (const char* code : {"WIDGET", "GADGET"}) {
        SCOPED_TRACE(code);
        const bwpstest::ProgramRun run = Run("122", std::string("type ") + code + "\nkey Enter\nkey F10\nkey Esc\n");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(run.out.find("cannot be 0"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("record done"), std::string::npos) << run.out;
    }
}

}  // namespace
