// The note editor and the record-notes window, driven by key scripts over a
// throw-away installation: what is typed is read back from the saved file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "bwps/messages.h"
#include "bwps/note_editor.h"
#include "bwps/screens.h"
#include "fx.h"
#include "tests/setup/station_fixture.h"
#include "tests/support/privileges.h"

namespace bwps::test {
namespace {

using bwps::notes::EditorPool;

constexpr char kEnd = '\x1a';
const std::string kKept(1, static_cast<char>(NOTE_KEPT_BLANK));

class NoteEditorTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        FxTranscriptClear();
    }

    void Script(const std::string& text) { ASSERT_EQ(FxScriptLoad(text.c_str()), 0) << text; }
    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const fs::path& path, const std::string& bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static bool Shows(const std::string& text) { return Transcript().find(text) != std::string::npos; }
    static std::string MessageLine(int number)
    {
        char* lines[MESSAGE_ARRAY_SLOTS] = {};
        int width = 0, count = 0;
        std::string first;
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::MessageTexts)), 0, 0) == 0) {
            if (ReadMessageText(number, handle, lines, &width, &count, MESSAGE_ARRAY_SLOTS) == 0 &&
                lines[0] != nullptr)
                first = lines[0];
            FreeMessageLines(lines);
            BtrCloseFile(handle);
        }
        EXPECT_FALSE(first.empty()) << "message " << number;
        return first.empty() ? "(message " + std::to_string(number) + ")" : first;
    }
    // Runs the note editor on the file with the script; its answer.
    int Edit(const fs::path& file, const std::string& script, int maxLine = 140)
    {
        FxTranscriptClear();
        if (!script.empty())
            Script(script);
        return RunNoteEditor(2, 1, 20, 77, maxLine, nullptr, file.c_str(), 0, 0);
    }
};

// ---------------------------------------------------------------- the pool

TEST(EditorPoolTest, BlocksComeFromTheFreeListFirstAndJoinTheirNeighbours)
{
    EditorPool pool;
    ASSERT_TRUE(pool.Init(4096));
    const uint32_t start = pool.Top();
    const uint32_t a = pool.Take(5);   // 8 bytes
    const uint32_t b = pool.Take(16);
    const uint32_t c = pool.Take(24);
    const uint32_t d = pool.Take(8);
    EXPECT_EQ(a, start);
    EXPECT_EQ(b, a + 8) << "sizes are rounded up to 8";
    EXPECT_EQ(c, b + 16);
    EXPECT_EQ(d, c + 24);
    const uint32_t all = pool.Available();

    pool.Give(b, 16);
    EXPECT_EQ(pool.FreeEntries(), 1u);
    pool.Give(c, 24);
    EXPECT_EQ(pool.FreeEntries(), 1u) << "a block joins the free block that ends where it begins";
    pool.Give(a, 5);
    EXPECT_EQ(pool.FreeEntries(), 1u) << "and the one that begins where it ends";
    EXPECT_EQ(pool.Available(), all + 48);
    EXPECT_EQ(pool.Take(40), a) << "a larger free block gives its head and keeps its tail";
    EXPECT_EQ(pool.Take(8), a + 40) << "an exact fit takes the entry";
    EXPECT_EQ(pool.FreeEntries(), 0u);
    pool.Give(d, 8);
    EXPECT_EQ(pool.Top(), d) << "the block just below the top lowers the top";
    EXPECT_EQ(pool.Take(5000), 0u) << "nothing left";
    pool.Release();
    EXPECT_EQ(pool.Take(8), 0u);
}

TEST(EditorPoolTest, ABlockNeverStraddlesA64KBoundary)
{
    EditorPool pool;
    ASSERT_TRUE(pool.Init(NOTE_POOL_MAX));
    while (pool.Top() + 4000 <= NOTE_POOL_SEGMENT)
        ASSERT_NE(pool.Take(4000), 0u);
    const uint32_t at = pool.Take(4000);
    EXPECT_EQ(at, static_cast<uint32_t>(NOTE_POOL_SEGMENT)) << "the top moves to the boundary first";
    EXPECT_EQ(pool.Take(NOTE_POOL_MAX), 0u);
}

TEST(EditorPoolTest, TheThreeHundredAndFirstLooseBlockIsNotTracked)
{
    EditorPool pool;
    ASSERT_TRUE(pool.Init(NOTE_POOL_MAX));
    std::vector<uint32_t> blocks;
    for (int i = 0; i < 2 * (NOTE_POOL_FREE_SLOTS + 1) + 1; ++i)
        blocks.push_back(pool.Take(8));
    // every other block: none touches another free one
    for (size_t i = 0; i + 1 < blocks.size(); i += 2)
        pool.Give(blocks[i], 8);
    EXPECT_EQ(pool.FreeEntries(), static_cast<size_t>(NOTE_POOL_FREE_SLOTS));
    const uint32_t untracked = blocks[2 * NOTE_POOL_FREE_SLOTS];
    for (int i = 0; i < NOTE_POOL_FREE_SLOTS; ++i)
        EXPECT_NE(pool.Take(8), untracked);
    EXPECT_NE(pool.Take(8), untracked) << "the untracked block is not reused: the top serves";
}

TEST(NoteTimeStampTest, TwelveHourClock)
{
    const struct {
        int hour;
        const char* text;
    } cases[] = {{0, "12:05:09 AM"}, {1, "01:05:09 AM"}, {11, "11:05:09 AM"},
                 {12, "12:05:09 PM"}, {13, "01:05:09 PM"}, {23, "11:05:09 PM"}};
    for (const auto& c : cases)
        EXPECT_EQ(bwps::notes::TimeStampText(c.hour, 5, 9), c.text) << c.hour;
}

// ---------------------------------------------------------------- typing

TEST_F(NoteEditorTest, TypingAndEditingKeysAsSaved)
{
    const struct {
        const char* name;
        std::string before;  // the file before ("" none)
        const char* script;
        std::string after;
    } cases[] = {
        {"a new file saves as the end mark only", "", "key F10", std::string(1, kEnd)},
        {"a blank between words keeps them together", "", "type A B\nkey F10", "A" + kKept + "B\r\n" + kEnd},
        {"leading blanks after a move stay plain", "x\r\n\x1a", "key Down\nkey Up\nkey Home\ntype   ab\nkey F10",
         "  abx\r\n" + std::string(1, kEnd)},
        {"a blank in overstrike mode", "", "key Ins\ntype a b\nkey F10", "a" + kKept + "b\r\n" + kEnd},
        {"tab from column 1 to 5, from 6 to 10", "", "key Tab\ntype x\nkey Tab\ntype y\nkey F10",
         "    x    y\r\n" + std::string(1, kEnd)},
        {"tab from column 5 to 10", "", "key Tab\nkey Tab\ntype z\nkey F10",
         "         z\r\n" + std::string(1, kEnd)},
        {"tab in insert mode inserts blanks", "abc\r\n\x1a", "key Tab\nkey F10",
         "    abc\r\n" + std::string(1, kEnd)},
        {"enter splits the line", "abcd\r\n\x1a", "key Right\nkey Right\nkey Enter\nkey F10",
         "ab\r\ncd\r\n" + std::string(1, kEnd)},
        {"backspace deletes, overstrike blanks", "abcd\r\n\x1a",
         "key End\nkey Backspace\nkey Ins\nkey Backspace\nkey F10", "ab \r\n" + std::string(1, kEnd)},
        {"delete at the end joins the next line", "ab\r\ncd\r\n\x1a", "key End\nkey Del\nkey F10",
         "abcd\r\n" + std::string(1, kEnd)},
        {"delete past the end pads then joins", "ab\r\ncd\r\n\x1a",
         "key End\nkey Right\nkey Right\nkey Del\nkey F10", "ab  cd\r\n" + std::string(1, kEnd)},
        {"Alt+D deletes the line, Alt+K the rest", "one\r\ntwo\r\nthree\r\n\x1a",
         "key Alt+D\nkey Right\nkey Alt+K\nkey F10", "t\r\nthree\r\n" + std::string(1, kEnd)},
        {"Ctrl+L after, Alt+L before", "one\r\n\x1a", "key Ctrl+L\nkey Alt+L\nkey F10",
         "\r\none\r\n\r\n" + std::string(1, kEnd)},
        {"typing past the text adds a line before the end", "one\r\n\x1a", "key Ctrl+End\ntype two\nkey F10",
         "one\r\ntwo\r\n" + std::string(1, kEnd)},
        {"typing past a line's end pads it", "ab\r\n\x1a", "key End\nkey Right\nkey Right\ntype c\nkey F10",
         "ab  c\r\n" + std::string(1, kEnd)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = data_ / "FORM.TXT";
        fs::remove(file);
        if (!c.before.empty())
            Write(file, c.before);
        EXPECT_EQ(Edit(file, c.script), 0) << Transcript();
        EXPECT_EQ(Read(file), c.after) << Transcript();
    }
}

TEST_F(NoteEditorTest, AFullLineRefusesMoreAndLongLinesAreCutWhenLoaded)
{
    const fs::path file = data_ / "FORM.TXT";
    // lines hold maxLine - 1 characters: 9 here
    EXPECT_EQ(Edit(file, "type abcdefghijkl\nkey F10", 10), 0);
    EXPECT_EQ(Read(file), "abcdefghi\r\n" + std::string(1, kEnd));
    EXPECT_TRUE(Shows(MessageLine(NOTE_MSG_LINE_FULL))) << Transcript();

    Write(file, "0123456789ABCDEF\r\nshort\r\n");
    EXPECT_EQ(Edit(file, "key F10", 10), 0);
    EXPECT_TRUE(Shows(MessageLine(NOTE_MSG_LINES_CUT))) << Transcript();
    EXPECT_EQ(Read(file), "012345678\r\nshort\r\n" + std::string(1, kEnd));
}

TEST_F(NoteEditorTest, LeavingAChangedTextAsks)
{
    const struct {
        const char* answer;
        bool saved;
        bool stays;
    } cases[] = {{"Yes", true, false}, {"No", false, false}, {"Cancel", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const fs::path file = data_ / "FORM.TXT";
        Write(file, "old\r\n\x1a");
        std::string script = std::string("type NEW\nkey Esc\nanswer ") + c.answer + "\n";
        if (c.stays)
            script += "key Ctrl+Home\ntype MORE\nkey F10\n";
        EXPECT_EQ(Edit(file, script), 0);
        const std::string text = Read(file);
        const std::string expected = c.saved ? "NEWold" : c.stays ? "MORENEWold" : "old";
        EXPECT_EQ(text, expected + "\r\n" + kEnd) << Transcript();
    }
}

// ---------------------------------------------------------------- blocks

TEST_F(NoteEditorTest, ASmallBlockIsCopiedCutAndPasted)
{
    const struct {
        const char* name;
        const char* script;
        const char* after;
    } cases[] = {
        {"copy two lines, paste at the end", "key Alt+B\nkey Down\nkey Alt+C\nkey Ctrl+End\nkey Alt+I\nkey F10",
         "a\r\nb\r\nc\r\na\r\nb\r\n\x1a"},
        {"cut the middle line, paste it first", "key Down\nkey Alt+B\nkey Alt+X\nkey Ctrl+Home\nkey Alt+I\nkey F10",
         "b\r\na\r\nc\r\n\x1a"},
        {"delete in block mode deletes the block", "key Alt+B\nkey Down\nkey Del\nkey F10", "c\r\n\x1a"},
        {"typing in block mode does nothing", "key Alt+B\ntype zz\nkey Alt+B\nkey F10", "a\r\nb\r\nc\r\n\x1a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = data_ / "FORM.TXT";
        Write(file, "a\r\nb\r\nc\r\n\x1a");
        EXPECT_EQ(Edit(file, c.script), 0);
        EXPECT_EQ(Read(file), c.after) << Transcript();
    }
    const fs::path file = data_ / "FORM.TXT";
    Write(file, "a\r\n\x1a");
    EXPECT_EQ(Edit(file, "key Alt+I\nkey Ctrl+End\nkey Alt+B\nkey F10"), 0);
    EXPECT_TRUE(Shows(MessageLine(NOTE_MSG_NOTHING_COPIED))) << Transcript();
    EXPECT_TRUE(Shows(MessageLine(NOTE_MSG_BLOCK_OUTSIDE))) << Transcript();
}

TEST_F(NoteEditorTest, ALargeBlockGoesThroughTheScratchFileAndPastesTwice)
{
    // 30 lines of 150 characters: far more than the 4096 bytes kept in memory
    std::string text;
    std::vector<std::string> lines;
    for (int i = 0; i < 30; ++i) {
        std::string line(150, static_cast<char>('a' + i % 26));
        line.replace(0, 2, std::to_string(10 + i));
        lines.push_back(line);
        text += line + "\r\n";
    }
    const fs::path file = data_ / "FORM.TXT";
    Write(file, text + kEnd);
    // a scratch file of another editor is left alone
    Write(program_ / "SCRAP0.EDT", "busy");
    EXPECT_EQ(Edit(file, "key Alt+B\nkey Ctrl+End\nkey Alt+C\nkey Ctrl+End\nkey Alt+I\nkey Alt+I\nkey F10", 200),
              0);
    std::string expected = text + text + text + kEnd;
    EXPECT_EQ(Read(file), expected) << Transcript();
    EXPECT_EQ(Read(program_ / "SCRAP0.EDT"), "busy");
    EXPECT_FALSE(fs::exists(program_ / "SCRAP1.EDT")) << "the editor's scratch file is deleted at its end";
}

// ---------------------------------------------------------------- find and replace

TEST_F(NoteEditorTest, FindAndReplace)
{
    const struct {
        const char* name;
        const char* script;
        const char* after;
        int message;
    } cases[] = {
        {"find then type at the hit", "key Alt+F\nfield 1 cat\nkey Enter\ntype X\nkey F10",
         "the dog\r\na Xcat and a cat\r\n\x1a", 0},
        {"find again goes to the next hit", "key Alt+F\nfield 1 cat\nkey Enter\nkey Ctrl+F\ntype X\nkey F10",
         "the dog\r\na cat and a Xcat\r\n\x1a", 0},
        {"not found", "key Alt+F\nfield 1 cow\nkey Enter\nkey F10", "the dog\r\na cat and a cat\r\n\x1a",
         NOTE_MSG_NOT_FOUND},
        {"replace one, skip one", "key Alt+R\nfield 1 cat\nfield 2 bird\nkey Enter\nanswer Replace\nanswer Skip\nkey F10",
         "the dog\r\na bird and a cat\r\n\x1a", 0},
        {"replace all", "key Alt+R\nfield 1 a\nfield 2 A\nkey Enter\nanswer All\nkey F10",
         "the dog\r\nA cAt And A cAt\r\n\x1a", 0},
        {"an empty find text", "key Alt+F\nkey Enter\nkey Esc\nkey F10", "the dog\r\na cat and a cat\r\n\x1a",
         NOTE_MSG_EMPTY_FIND},
        {"a replacement that makes the line too long", "key Alt+R\nfield 1 cat\nfield 2 elephants\nkey Enter\nanswer All\nkey F10",
         "the dog\r\na elephants and a cat\r\n\x1a", NOTE_MSG_REPLACE_TOO_LONG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = data_ / "FORM.TXT";
        Write(file, "the dog\r\na cat and a cat\r\n\x1a");
        EXPECT_EQ(Edit(file, c.script, 25), 0);
        EXPECT_EQ(Read(file), c.after) << Transcript();
        if (c.message != 0) {
            EXPECT_TRUE(Shows(MessageLine(c.message))) << Transcript();
        }
    }
}

// ---------------------------------------------------------------- printing

TEST_F(NoteEditorTest, PrintingGoesThroughTheReportWriter)
{
    CreateGeneralFile();
    uint8_t company[GENERAL_COMPANY_SIZE] = {};
    std::memcpy(company, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
    std::memset(company + 16, ' ', 40);
    std::memcpy(company + 16, "Corner Shop", 11);
    PutGeneralRecord(company, sizeof company);
    const fs::path file = data_ / "FORM.TXT";
    const std::string longLine = std::string(80, 'x') + "TAIL";
    Write(file, "line one\r\n" + longLine + "\r\n\r\n\x1a");
    // the person sends the notes to a file (a bare name lands in the program folder)
    EXPECT_EQ(Edit(file, "key F7\nfield 1 File\nkey Enter\nfield 3 NOTES.PRN\nkey F10\n"), 0);
    const std::string printed = Read(program_ / "NOTES.PRN");
    EXPECT_NE(printed.find("line one"), std::string::npos) << Transcript();
    EXPECT_NE(printed.find(std::string(80, 'x')), std::string::npos) << printed;
    EXPECT_NE(printed.find("\nTAIL"), std::string::npos) << "a line longer than the report goes on: " << printed;

    Write(file, "   \r\n\x1a");
    EXPECT_EQ(Edit(file, "key F7\n"), 0);
    EXPECT_TRUE(Shows(MessageLine(NOTE_MSG_NOTHING_TO_PRINT))) << Transcript();
}

// ---------------------------------------------------------------- saving and refused files

TEST_F(NoteEditorTest, AFailedSaveLeavesTheOldFileAndTheTextInTheEditor)
{
    const fs::path folder = data_ / "locked";
    fs::create_directories(folder);
    const fs::path file = folder / "FORM.TXT";
    const std::string old = "old text\r\n" + std::string(1, kEnd);
    Write(file, old);
    ASSERT_TRUE(bwpstest::GiveToUnprivileged(root_.string()));
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const std::string notSaved = MessageLine(NOTE_MSG_NOT_SAVED);
    const int answer = bwpstest::RunUnprivileged([&]() {
        Script("type NEW\nkey F10\ntype AGAIN\nkey Alt+W\n");
        if (RunNoteEditor(2, 1, 20, 77, 140, nullptr, file.c_str(), 0, 0) != 0)
            return 1;
        const std::string t = Transcript();
        size_t count = 0;
        for (size_t at = t.find(notSaved); at != std::string::npos; at = t.find(notSaved, at + 1))
            ++count;
        if (count != 2)
            return 2;
        // the editor stayed after F10: what was typed next is on its screen
        return t.find("NEWAGAINold text") != std::string::npos ? 0 : 3;
    });
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(Read(file), old) << "the old file is whole";
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename(), "FORM.TXT") << "no temporary file is left";
}

TEST_F(NoteEditorTest, AFolderALinkOutOfTheFolderOrAnUnreadableFileIsRefused)
{
    const fs::path outside = root_ / "outside.txt";
    Write(outside, "secret\r\n");
    fs::create_directories(data_ / "ADIR.TXT");
    fs::create_symlink(outside, data_ / "LINK.TXT");
    Write(data_ / "INSIDE.TXT", "inside\r\n\x1a");
    fs::create_symlink(data_ / "INSIDE.TXT", data_ / "NEAR.TXT");
    const struct {
        const char* name;
        int message;
    } cases[] = {{"ADIR.TXT", NOTE_MSG_FILE_IS_FOLDER}, {"LINK.TXT", NOTE_MSG_FILE_LINK_OUT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Edit(data_ / c.name, "type x\nkey F10"), 1);
        EXPECT_TRUE(Shows(MessageLine(c.message))) << Transcript();
    }
    EXPECT_TRUE(fs::is_directory(data_ / "ADIR.TXT"));
    EXPECT_EQ(Read(outside), "secret\r\n");
    EXPECT_TRUE(fs::is_symlink(data_ / "LINK.TXT"));

    // a link that stays in the folder is followed: its file takes the text
    EXPECT_EQ(Edit(data_ / "NEAR.TXT", "type x\nkey F10"), 0);
    EXPECT_EQ(Read(data_ / "INSIDE.TXT"), "xinside\r\n" + std::string(1, kEnd));
    EXPECT_TRUE(fs::is_symlink(data_ / "NEAR.TXT"));

    Write(data_ / "HIDDEN.TXT", "hidden\r\n");
    ASSERT_TRUE(bwpstest::GiveToUnprivileged(root_.string()));
    ASSERT_EQ(::chmod((data_ / "HIDDEN.TXT").c_str(), 0200), 0);
    const fs::path hidden = data_ / "HIDDEN.TXT";
    const std::string unreadable = MessageLine(NOTE_MSG_FILE_UNREADABLE);
    const int answer = bwpstest::RunUnprivileged([&]() {
        Script("type x\nkey F10\n");
        if (RunNoteEditor(2, 1, 20, 77, 140, nullptr, hidden.c_str(), 0, 0) != 1)
            return 1;
        return Transcript().find(unreadable) != std::string::npos ? 0 : 2;
    });
    EXPECT_EQ(answer, 0);
    ::chmod(hidden.c_str(), 0644);
    EXPECT_EQ(Read(hidden), "hidden\r\n");
}

// ---------------------------------------------------------------- record notes

TEST_F(NoteEditorTest, RecordNotesAreSavedWithoutATrailingNul)
{
    const struct {
        const char* name;
        std::string before;
        const char* script;
        std::string after;
    } cases[] = {
        {"typed notes", "", "type Hello\nkey Enter\ntype World\nkey F10", "Hello\r\nWorld"},
        {"an old note's NUL is dropped", std::string("Paid late\r\n", 11) + '\0', "key F10", "Paid late\r\n"},
        {"Alt+W saves, Esc then closes", "", "type x\nkey Alt+W\nkey Esc", "x"},
        {"Esc with changes asks: No keeps the old file", "old", "type new\nkey Esc\nanswer No", "old"},
        {"date stamp", "", "key Shift+F4\nkey F10", "03/14/2026"},
    };
    FxSetProgramDate(20260314);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = data_ / "C100.CST";
        fs::remove(file);
        if (!c.before.empty())
            Write(file, c.before);
        FxTranscriptClear();
        Script(c.script);
        char name[32] = {};
        EXPECT_EQ(EditRecordNotes(name, "C100", 10), 0);
        EXPECT_STREQ(name, "C100.CST");
        EXPECT_EQ(Read(file), c.after) << Transcript();
    }
    FxSetProgramDate(0);
}

TEST_F(NoteEditorTest, TheTextEditorAdapterReportsWhetherTheNotesWereSaved)
{
    const fs::path file = data_ / "S1.SPR";
    const struct {
        const char* script;
        int32_t result;
    } cases[] = {{"type a\nkey F10", 1}, {"key Esc", 0}};
    for (const auto& c : cases) {
        FxTranscriptClear();
        Script(c.script);
        int32_t result = -1;
        EXPECT_EQ(RunTextEditor(1, 0, 23, 79, 132, &result, file.c_str()), 0);
        EXPECT_EQ(result, c.result) << c.script;
    }
    EXPECT_EQ(Read(file), "a");
}

}  // namespace
}  // namespace bwps::test
