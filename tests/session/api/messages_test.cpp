// Numbered messages, asking with buttons, the record-manager error report
// and the record note files, over a small message file of the test's own.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "fx.h"
#include "recman.h"
#include "tests/session/api/fixture.h"

namespace fs = std::filesystem;
using sessiontest::SessionTest;

namespace {

struct Message {
    int number;
    std::vector<std::string> lines;
};

std::vector<std::string> Numbered(int count)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i)
        lines.push_back("line " + std::to_string(i));
    return lines;
}

// Writes a message file: key {number, line}, line 0 heads each message.
void WriteMessageFile(const std::string& path, const std::vector<Message>& messages)
{
    uint8_t fileSpec[16] = {};
    fileSpec[0] = MESSAGE_RECORD_SIZE;
    fileSpec[3] = 4096 >> 8;
    fileSpec[4] = 1;
    uint8_t keys[32] = {};
    auto segment = [](uint8_t* p, int position, int length, int flags) {
        p[0] = static_cast<uint8_t>(position);
        p[2] = static_cast<uint8_t>(length);
        p[4] = static_cast<uint8_t>(flags);
        p[5] = static_cast<uint8_t>(flags >> 8);
        p[10] = KT_UNSIGNED;
    };
    segment(keys, 1, 2, KF_SEGMENTED | KF_EXTENDED);
    segment(keys + 16, 3, 2, KF_EXTENDED);
    fs::remove(path);
    ASSERT_EQ(BtrCreateFile(path.c_str(), fileSpec, keys), 0);
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
    for (const Message& m : messages) {
        MessageRecord head{};
        head.Number = static_cast<uint16_t>(m.number);
        std::snprintf(head.Text, sizeof head.Text, "%zu", m.lines.size());
        for (size_t i = 0; i <= m.lines.size(); ++i) {
            MessageRecord r{};
            r.Number = static_cast<uint16_t>(m.number);
            r.Line = static_cast<int16_t>(i);
            if (i > 0) {
                std::strncpy(r.Text, m.lines[i - 1].c_str(), sizeof r.Text - 1);
                r.Width = static_cast<int16_t>(m.lines[i - 1].size());
            } else {
                r = head;
            }
            uint8_t key[256] = {};
            ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &r, sizeof r), 0);
        }
    }
    BtrCloseFile(handle);
}

class Messages : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        WriteMessageFile(GetDataFilePath(bwps::No(bwps::FileNo::MessageTexts)),
                         {
                             {7, {"First line", "Second, the longest line", "Third"}},
                             {8, Numbered(31)},
                             {9, Numbered(32)},
                             {11, {"Save the changes?", " Yes,No"}},
                             {33, {"The record was not found."}},
                             {173, {"You have no permission for this file."}},
                             {175, {"The file is open for exclusive use elsewhere."}},
                             {177, {"The file is in use by another station."}},
                             {1107, {"Delete the note file of this record?"}},
                             {1730, {"This record is inactive."}},
                             {2000, {"Last message,", "last lines of the file."}},
                         });
        FxTranscriptClear();
    }

    std::string Path(int file) { return GetDataFilePath(file); }
};

TEST_F(Messages, ReadingGivesTheLinesAfterTheHeadingAndTheirWidestWidth)
{
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, Path(bwps::No(bwps::FileNo::MessageTexts)).c_str(), 0, 0), 0);
    char* lines[MESSAGE_ARRAY_SLOTS];
    int width = -1, count = -1;

    ASSERT_EQ(ReadMessageText(7, handle, lines, &width, &count, MESSAGE_ARRAY_SLOTS), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(width, 24);
    EXPECT_STREQ(lines[0], "First line");
    EXPECT_STREQ(lines[2], "Third");
    EXPECT_EQ(lines[3], nullptr);
    FreeMessageLines(lines);
    EXPECT_EQ(lines[0], nullptr);

    // The last message of the file ends cleanly at the end of the file.
    ASSERT_EQ(ReadMessageText(2000, handle, lines, &width, &count, MESSAGE_ARRAY_SLOTS), 0);
    EXPECT_EQ(count, 2);
    FreeMessageLines(lines);

    // One slot ends the array: 31 lines fit into 32 slots, 32 do not.
    ASSERT_EQ(ReadMessageText(8, handle, lines, &width, &count, MESSAGE_ARRAY_SLOTS), 0);
    EXPECT_EQ(count, 31);
    FreeMessageLines(lines);
    EXPECT_EQ(ReadMessageText(9, handle, lines, &width, &count, MESSAGE_ARRAY_SLOTS), 1);
    EXPECT_EQ(lines[0], nullptr);
    EXPECT_EQ(ReadMessageText(7, handle, lines, &width, &count, 0), 1);
    EXPECT_EQ(Transcript().find("Btrieve Error"), std::string::npos);

    // A missing message is reported.
    EXPECT_EQ(ReadMessageText(12, handle, lines, &width, &count, MESSAGE_ARRAY_SLOTS), 1);
    EXPECT_NE(Transcript().find("Btrieve Error #   4"), std::string::npos);
    BtrCloseFile(handle);
}

TEST_F(Messages, ShowingAMessageThatDoesNotFitShowsNothing)
{
    EXPECT_EQ(ShowMessage(7, MESSAGE_DEFAULT_CONTEXT), 0);
    std::string shown = Transcript();
    EXPECT_NE(shown.find("First line"), std::string::npos);
    EXPECT_NE(shown.find("Third"), std::string::npos);

    FxTranscriptClear();
    EXPECT_EQ(ShowMessage(9, MESSAGE_DEFAULT_CONTEXT), 0);
    EXPECT_EQ(TranscriptCount("message"), 0) << Transcript();
}

TEST_F(Messages, AskingTakesTheScriptedAnswer)
{
    struct Case {
        const char* buttons;
        int preset;
        const char* answer;
        int chosen;
    };
    const Case cases[] = {
        {nullptr, 1, "No", 2},
        {nullptr, 2, "Yes", 1},
        {MESSAGE_BUTTONS_CONTINUE_CANCEL, 0, "Cancel", 2},
        {MESSAGE_BUTTONS_YES_NO, 1, "1", 1},
        // a list given without its default byte keeps its first caption
        {"Wait,Stop", 1, "Wait", 1},
        {"Wait,Stop", 2, "Stop", 2},
        {"Yes,No", 0, "Yes", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        FxTranscriptClear();
        Script(std::string("answer ") + c.answer);
        int choice = c.preset;
        EXPECT_EQ(AskMessage(11, MESSAGE_DEFAULT_CONTEXT, &choice, c.buttons, nullptr, -1, -1, 0,
                             0, 0),
                  0);
        EXPECT_EQ(choice, c.chosen);
        EXPECT_NE(Transcript().find("Save the changes?"), std::string::npos);
    }
    // The caller's list is not changed by the default written into it.
    char list[] = " Continue,Cancel";
    int choice = 2;
    Script("answer Continue");
    AskMessage(11, MESSAGE_DEFAULT_CONTEXT, &choice, list, nullptr, -1, -1, 0, 0, 0);
    EXPECT_STREQ(list, " Continue,Cancel");
}

TEST_F(Messages, AskingWithTheMessagesOwnButtonsDoesNotShowThemAsText)
{
    Script("answer Yes");
    int choice = 0;
    ASSERT_EQ(AskMessage(11, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, nullptr, -1, -1, 0, 0, 0),
              0);
    EXPECT_EQ(choice, 1);
    std::string shown = Transcript();
    size_t first = shown.find("Yes,No");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(shown.find("Yes,No", first + 1), std::string::npos) << shown;

    int untouched = 5;
    EXPECT_EQ(AskMessage(12, MESSAGE_DEFAULT_CONTEXT, &untouched, nullptr, nullptr, -1, -1, 0, 0, 0),
              1);
    EXPECT_EQ(untouched, 5);
}

TEST_F(Messages, StatusesMapToTheirExplanations)
{
    const int table[][2] = {
        {-2, 23},  {-3, 21},   {-4, 19},   {-5, 17},  {-6, 1359}, {-7, 25},    {-100, 25},
        {1, 27},   {4, 33},    {59, 143},  {60, 1901}, {79, 1939}, {80, 145},   {94, 173},
        {95, 1941}, {96, 1943}, {98, 181},  {99, 1945}, {100, 1947}, {116, 217},
        {10000, 1730},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row[0]);
        EXPECT_EQ(RecordManagerStatusText(row[0]), row[1]);
    }
    EXPECT_EQ(MessageResourceId(33), 2034);
}

TEST_F(Messages, ErrorReportLinesForATableOfFailures)
{
    struct Case {
        int status;
        int operation;
        int mode;
        int lines;
        int context;
        const char* third;
    };
    const Case cases[] = {
        {4, 5, 0, 3, 2034, "The record was not found."},
        {94, 5, 0, 3, 2174, "You have no permission for this file."},
        {94, -100, 1024, 3, 2174, "The file is open for exclusive use elsewhere."},
        {94, -100, 256, 3, 2174, "The file is open for exclusive use elsewhere."},
        {94, -100, 0, 3, 2174, "The file is in use by another station."},
        {85, -100, 0, 3, 2156, "The file is in use by another station."},
        {116, 5, 0, 4, 723, "The file is owned by another Microkernel engine"},
        {150, 5, 0, 2, 724, nullptr},
        // No explanation in the file: a plain text with the status number.
        {40, 5, 0, 3, 2106, "The message file holds no explanation of status 40."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        char* lines[ERROR_REPORT_ARRAY_SLOTS + 2] = {};
        int width = 0, context = 0;
        int n = BuildRecordManagerErrorLines(c.status, c.operation, "/x/BPOSCUST.DB", c.mode,
                                             lines, ERROR_REPORT_ARRAY_SLOTS + 2, &width,
                                             &context);
        ASSERT_EQ(n, c.lines);
        if (n == 0)
            continue;
        char first[80];
        std::snprintf(first, sizeof first, "Btrieve Error # %3d on file /x/BPOSCUST.DB.",
                      c.status);
        EXPECT_STREQ(lines[0], first);
        EXPECT_STREQ(lines[1], "  ");
        EXPECT_EQ(context, c.context);
        EXPECT_GE(width, static_cast<int>(std::strlen(first)));
        if (c.third != nullptr) {
            EXPECT_STREQ(lines[2], c.third);
        }
        if (c.status == 116) {
            EXPECT_STREQ(lines[3], "acting as a Gateway and cannot be located.");
        }
        EXPECT_EQ(lines[n], nullptr);
        FreeMessageLines(lines);
    }
}

TEST_F(Messages, ReportNamesTheFilesPath)
{
    ReportRecordManagerError(4, 1, 5, 10, 0);
    std::string shown = Transcript();
    EXPECT_NE(shown.find("Btrieve Error #   4 on file " + data() + "/BPOSCUST.DB."),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("The record was not found."), std::string::npos);

    FxTranscriptClear();
    EXPECT_EQ(ShowRecordManagerError(10000, 1, 5, "/x/BPOSCUST.DB", 0), 0);
    EXPECT_NE(Transcript().find("This record is inactive."), std::string::npos);
}

TEST_F(Messages, ReportFallsBackToAPlainBoxWithoutTheMessageFile)
{
    fs::remove(GetDataFilePath(bwps::No(bwps::FileNo::MessageTexts)));
    EXPECT_EQ(ShowRecordManagerError(4, 1, 5, "/x/BPOSCUST.DB", 0), 12);
    EXPECT_NE(Transcript().find("Btrieve Error #   4 on file /x/BPOSCUST.DB."), std::string::npos);
    FxTranscriptClear();
    EXPECT_EQ(ShowMessage(7, MESSAGE_DEFAULT_CONTEXT), 12);
}

// A message file without the explanation of "not found" (status 4): reading
// a missing message reports status 4, whose explanation is missing too. The
// report does not call itself again; it shows the status with a plain text.
TEST_F(Messages, MissingExplanationOfAReadFailureDoesNotRecurse)
{
    WriteMessageFile(GetDataFilePath(bwps::No(bwps::FileNo::MessageTexts)), {{7, {"First line"}}});
    FxTranscriptClear();
    const int before = RecordManagerErrorsReported(nullptr, nullptr, 0);
    EXPECT_EQ(ShowMessage(12, MESSAGE_DEFAULT_CONTEXT), 0);
    const std::string shown = Transcript();
    EXPECT_EQ(TranscriptCount("Btrieve Error #   4"), 1) << shown;
    EXPECT_NE(shown.find("The message file holds no explanation of status 4."), std::string::npos)
        << shown;
    int status = 0;
    char path[256] = {};
    EXPECT_EQ(RecordManagerErrorsReported(&status, path, sizeof path), before + 1);
    EXPECT_EQ(status, 4);
    EXPECT_EQ(std::string(path), Path(bwps::No(bwps::FileNo::MessageTexts)));

    // The same through the database error window and a direct report.
    FxTranscriptClear();
    Script("answer Continue");
    ShowDatabaseErrorWindow(1, 0, 4, 5, 10, nullptr);
    ReportRecordManagerError(4, 1, 5, 10, 0);
    EXPECT_EQ(TranscriptCount("The message file holds no explanation of status 4."), 1)
        << Transcript();

    // A damaged message file (not one of the record manager's files).
    std::ofstream(Path(bwps::No(bwps::FileNo::MessageTexts)), std::ios::trunc) << "not a data file";
    FxTranscriptClear();
    EXPECT_NE(ShowMessage(12, MESSAGE_DEFAULT_CONTEXT), 0);
    ReportRecordManagerError(4, 1, 5, 10, 0);
    EXPECT_NE(Transcript().find("Btrieve Error #   4 on file"), std::string::npos) << Transcript();
}

TEST_F(Messages, DatabaseErrorWindowAnswersByTheChosenCaption)
{
    Script("answer Continue");
    EXPECT_EQ(ShowDatabaseErrorWindow(1 | 2, 0, 4, 5, 10, nullptr), 2);
    std::string shown = Transcript();
    EXPECT_NE(shown.find("Btrieve Error #   4"), std::string::npos);
    EXPECT_NE(shown.find("File Name        BPOSCUST.DB"), std::string::npos);
    EXPECT_NE(shown.find("The record was not found."), std::string::npos);

    Script("answer F1 Help\nanswer Cancel");
    EXPECT_EQ(ShowDatabaseErrorWindow(2 | 4, 0, 4, 5, 0, "OWN.DB"), 1);
    EXPECT_NE(Transcript().find("File Name        OWN.DB"), std::string::npos);
    EXPECT_NE(Transcript().find("help"), std::string::npos);
}

TEST_F(Messages, NoteFileNamesAndRemoval)
{
    struct Case {
        const char* code;
        int file;
        const char* name;
    };
    const Case cases[] = {
        {"C100", 10, "C100.CST"},      {"  ABCDEFGHIJ ", 20, "ABCDEFGH.PRD"},
        {"S1", 21, "S1.SRV"},          {"SN9", 23, "SN9.SNM"},
        {"JO", 25, "JO.SPR"},          {"V7", 30, "V7.VND"},
        {"X1", 11, "X1"},              {"   ", 10, ""},
    };
    for (const Case& c : cases) {
        char name[32];
        std::memset(name, '#', sizeof name);
        EXPECT_STREQ(GetNoteFileName(name, c.code, c.file), c.name) << c.code;
    }

    const std::string note = data() + "/C100.CST";
    std::ofstream(note) << "notes";
    Script("answer No");
    EXPECT_EQ(ConfirmDeleteNoteFile("C100.CST", 10), 0);
    EXPECT_TRUE(fs::exists(note));
    Script("answer Yes");
    ConfirmDeleteNoteFile("C100.CST", 10);
    EXPECT_FALSE(fs::exists(note));

    std::ofstream(data() + "/EXPORT.TXT") << "x";
    EXPECT_EQ(DeleteDataFolderFile("EXPORT.TXT"), 1);
    EXPECT_FALSE(fs::exists(data() + "/EXPORT.TXT"));
    EXPECT_EQ(DeleteDataFolderFile("EXPORT.TXT"), 0);
}

}  // namespace
