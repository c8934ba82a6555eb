// Numbered messages of the message data file, showing and asking them, and
// the record-manager error report.
#include "bwps/messages.h"
#include "bwps/status_windows.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/neighbours.h"
#include "bwps/session.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"
#include "session/session_internal.h"
#include "session/status_messages.h"

using bwps::FileNo;
using bwps::Status;
using bwps::Table;

namespace {

// Record-manager error reports shown since the session began: how many, and
// the status and path of the last one (the host's exit status reads them).
int g_errorReports = 0;
int g_lastErrorStatus = 0;
std::string g_lastErrorPath;

// Set while the lines of an error report are built. Reading the
// explanation can fail and report that failure; such a report is not shown
// (the report being built says that its explanation is missing instead), so
// the report never calls itself again.
bool g_buildingReport = false;

struct BuildingReport {
    BuildingReport() : was(g_buildingReport) { g_buildingReport = true; }
    ~BuildingReport() { g_buildingReport = was; }
    BuildingReport(const BuildingReport&) = delete;
    BuildingReport& operator=(const BuildingReport&) = delete;
    bool was;
};

void NoteErrorReport(int status, const char* path)
{
    ++g_errorReports;
    g_lastErrorStatus = status;
    g_lastErrorPath = path != nullptr ? path : "";
}

// Opens the message data file. The status; a failure is reported.
int OpenMessageFile(Table& file)
{
    const Status status = file.Open(FileNo::MessageTexts);
    status.Report();
    return status.status;
}

// Reports a failed read of the message data file.
void ReportMessageFileError(int status, int operation)
{
    Status{status, operation, FileNo::MessageTexts}.Report();
}

int ContextOf(int number, int context)
{
    return context == MESSAGE_DEFAULT_CONTEXT ? MessageResourceId(number) : context;
}

char* NewLine(const char* text)
{
    auto* line = static_cast<char*>(FxAlloc(1, MESSAGE_LINE_SIZE));
    if (line == nullptr)
        return nullptr;
    std::memset(line, 0, MESSAGE_LINE_SIZE);
    if (text != nullptr)
        std::memcpy(line, text, strnlen(text, MESSAGE_LINE_SIZE - 1));
    return line;
}

// Reads line 0 of a message: its width and the number of lines it names.
int ReadMessageHeader(int number, uint16_t handle, MessageRecord& record)
{
    uint8_t key[256] = {};
    uint16_t n = static_cast<uint16_t>(number);
    std::memcpy(key, &n, sizeof n);
    return BtrGet(B_GET_EQUAL, handle, key, &record, MESSAGE_RECORD_SIZE);
}

// Shows `count` lines in the framework's choice dialog; the chosen button.
int ShowLines(char** lines, int count, const char* buttons, int style, int context,
              const char* caption)
{
    std::vector<char*> shown;
    for (int i = 0; i < count && lines != nullptr && lines[i] != nullptr; ++i)
        shown.push_back(lines[i]);
    shown.push_back(nullptr);
    return FxChoiceDialog(shown.data(), buttons, style, context, caption, 0);
}

// Deletes a note file beside the file's data; asks first when `ask` is set.
void RemoveNoteFile(const char* name, int fileNumber, bool ask)
{
    if (name == nullptr || FxIsEmpty(name))
        return;
    char folder[FOLDER_BUFFER_SIZE] = {};
    GetDataFileFolder(fileNumber, folder);
    std::string path = std::string(folder) + name;
    if (FxFileAccess(path.c_str(), 0) != 0)
        return;
    if (ask) {
        int choice = 1;
        if (AskMessage(1107, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO, nullptr, -1,
                       -1, 0, 0, 0) != 0 ||
            choice != 1)
            return;
    }
    FxFileDelete(path.c_str());
}

// One numbered message read from the message file; the file is closed and
// the lines freed when it goes.
struct NumberedMessage {
    explicit NumberedMessage(int number)
        : openStatus(OpenMessageFile(file))
    {
        if (openStatus == 0)
            readStatus =
                ReadMessageText(number, file.Handle(), lines, &width, &count, MESSAGE_ARRAY_SLOTS);
        // The message's own button list is stored as its last line, behind
        // one blank (the place of the default button): never a text line.
        if (readStatus == 0 && count > 0) {
            const char* last = lines[count - 1];
            if (last != nullptr && last[0] == ' ' && last[1] != ' ' && last[1] != '\0') {
                buttons = last;
                FxFree(lines[count - 1]);
                lines[count - 1] = nullptr;
                count -= 1;
            }
        }
    }
    ~NumberedMessage() { FreeMessageLines(lines); }
    NumberedMessage(const NumberedMessage&) = delete;
    NumberedMessage& operator=(const NumberedMessage&) = delete;

    Table file;  // closed when the message goes
    int openStatus;
    int readStatus = 1;
    char* lines[MESSAGE_ARRAY_SLOTS] = {};
    int width = 0;
    int count = 0;
    std::string buttons;  // the message's own list, "" when it has none
};

}  // namespace

extern "C" {

BWPS_EXPORT int MessageResourceId(int number)
{
    return number + MESSAGE_CONTEXT_OFFSET;
}

BWPS_EXPORT void FreeMessageLines(char** lines)
{
    if (lines == nullptr)
        return;
    for (int i = 0; lines[i] != nullptr; ++i) {
        FxFree(lines[i]);
        lines[i] = nullptr;
    }
}

BWPS_EXPORT int ReadMessageText(int number, uint16_t handle, char** lines, int* width, int* count,
                                int slots)
{
    int dummyWidth = 0, dummyCount = 0;
    int& w = width != nullptr ? *width : dummyWidth;
    int& c = count != nullptr ? *count : dummyCount;
    if (lines == nullptr || slots <= 0)
        return 1;
    w = 0;
    c = 0;
    lines[0] = nullptr;

    MessageRecord record{};
    uint8_t key[256] = {};
    int status = ReadMessageHeader(number, handle, record);
    if (status != 0) {
        ReportMessageFileError(status, B_GET_EQUAL);
        return 1;
    }
    std::memcpy(key, &record, 4);
    status = BtrGet(B_GET_NEXT, handle, key, &record, MESSAGE_RECORD_SIZE);
    if (status != 0) {
        if (status != B_END_OF_FILE)
            ReportMessageFileError(status, B_GET_NEXT);
        return 1;
    }
    bool failed = false;
    while (status == 0 && record.Number == static_cast<uint16_t>(number)) {
        c += 1;
        if (c >= slots) {  // does not fit: at most slots - 1 lines
            failed = true;
            break;
        }
        char text[MESSAGE_TEXT_SIZE + 1] = {};
        std::memcpy(text, record.Text, MESSAGE_TEXT_SIZE);
        char* line = NewLine(text);
        if (line == nullptr) {
            failed = true;
            break;
        }
        lines[c - 1] = line;
        lines[c] = nullptr;
        if (record.Width > w)
            w = record.Width;
        status = BtrGet(B_GET_NEXT, handle, key, &record, MESSAGE_RECORD_SIZE);
        if (status != 0 && status != B_END_OF_FILE) {
            ReportMessageFileError(status, B_GET_NEXT);
            failed = true;
        }
    }
    if (failed) {
        FreeMessageLines(lines);
        c = 0;
        w = 0;
        return 1;
    }
    return 0;
}

BWPS_EXPORT int ShowMessageDialog(char** lines, int count, int /*width*/, int context, int style,
                                  int /*value1*/, int /*value2*/, int /*value3*/)
{
    ShowLines(lines, count, MESSAGE_BUTTONS_CONTINUE, style, context, nullptr);
    return 0;
}

BWPS_EXPORT int ShowMessage(int number, int context)
{
    int ctx = ContextOf(number, context);
    NumberedMessage m(number);
    if (m.openStatus != 0)
        return m.openStatus;
    if (m.readStatus == 0)
        ShowMessageDialog(m.lines, m.count, m.width, ctx, MESSAGE_STYLE_SHOW, 0, 0, 0);
    return 0;
}

BWPS_EXPORT int AskMessage(int number, int context, int* choice, const char* buttons,
                           const void* /*colours*/, int /*unused1*/, int /*unused2*/,
                           int /*unused3*/, int dialogValue1, int dialogValue2)
{
    NumberedMessage m(number);
    if (m.openStatus != 0)
        return m.openStatus;
    if (m.readStatus != 0)
        return 1;
    // The list is copied: its first byte becomes the default button.
    std::string list;
    if (buttons != nullptr)
        list = buttons;
    else
        list = m.buttons;
    if (list.empty())
        list = MESSAGE_BUTTONS_CONTINUE;
    int preset = choice != nullptr && *choice >= 1 ? *choice : 1;
    // The first byte holds the default: a blank or a button number stands
    // there; a list that begins with its first caption gets the byte put
    // before it (its caption stays whole).
    const auto lead = static_cast<unsigned char>(list[0]);
    if (lead == ' ' || lead < 0x20)
        list[0] = static_cast<char>(preset);
    else
        list.insert(list.begin(), static_cast<char>(preset));

    (void)dialogValue1;
    (void)dialogValue2;
    int chosen = ShowLines(m.lines, m.count, list.c_str(), MESSAGE_STYLE_ASK,
                           ContextOf(number, context), nullptr);
    if (choice != nullptr)
        *choice = chosen;
    return 0;
}

BWPS_EXPORT int ShowAmountMessage(int number, int context, double amount1, double amount2)
{
    // The message comes from the framework's message texts; its last two
    // lines are the captions of the two amounts.
    char* lines[MESSAGE_ARRAY_SLOTS] = {};
    int width = 0, count = 0;
    if (FxTextListLoad(number, lines, &width, &count, MESSAGE_ARRAY_SLOTS) != 0 || count < 2) {
        FxTextListFree(lines);
        return 0;
    }
    const double amounts[2] = {amount1, amount2};
    for (int i = 0; i < 2; ++i) {
        char*& line = lines[count - 2 + i];
        char text[MESSAGE_LINE_SIZE];
        std::snprintf(text, sizeof text, " %s $ %-12.2f", line, amounts[i]);
        char* replaced = NewLine(text);
        if (replaced != nullptr) {
            FxFree(line);
            line = replaced;
        }
    }
    ShowLines(lines, count, MESSAGE_BUTTONS_CONTINUE, MESSAGE_STYLE_ASK, ContextOf(number, context),
              nullptr);
    FxTextListFree(lines);
    return 0;
}

BWPS_EXPORT int RecordManagerStatusText(int status)
{
    return bwps::StatusMessageNumber(status);
}

BWPS_EXPORT int BuildRecordManagerErrorLines(int status, int operation, const char* path,
                                             int mode, char** lines, int slots, int* width,
                                             int* context)
{
    if (lines == nullptr || slots < 5)
        return 0;
    lines[0] = nullptr;
    int message = RecordManagerStatusText(status);
    int ctx = message + MESSAGE_CONTEXT_OFFSET;

    char first[MESSAGE_LINE_SIZE * 3];
    std::snprintf(first, sizeof first, "Btrieve Error # %3d on file %s.", status,
                  path != nullptr ? path : "");
    // The first line keeps the whole path even when it is longer than a
    // message line.
    auto* line1 = static_cast<char*>(FxAlloc(1, sizeof first));
    if (line1 == nullptr)
        return 0;
    std::memcpy(line1, first, sizeof first);
    int w = static_cast<int>(std::strlen(first));
    lines[0] = line1;
    lines[1] = NewLine("  ");
    lines[2] = nullptr;
    int n = 2;

    if (status >= 101) {
        if (status == 116) {
            lines[2] = NewLine("The file is owned by another Microkernel engine");
            lines[3] = NewLine("acting as a Gateway and cannot be located.");
            lines[4] = nullptr;
            n = 4;
            ctx = 723;
        } else {
            ctx = 724;
        }
    } else {
        if (operation == MESSAGE_OPEN_OPERATION && (status == 85 || status == 94 || status == 88))
            message = (mode == 1024 || mode == 256) ? 175 : 177;
        Table file;
        const int st = file.Open(FileNo::MessageTexts).status;
        if (st != 0) {
            FreeMessageLines(lines);
            return -st;
        }
        const uint16_t handle = file.Handle();
        int mwidth = 0, mcount = 0;
        int read = 1;
        {
            BuildingReport building;
            read = ReadMessageText(message, handle, lines + 2, &mwidth, &mcount, slots - 2);
        }
        file.Close();
        if (read != 0) {
            // The explanation is missing or cannot be read: a plain text
            // with the status number stands in for it.
            char text[MESSAGE_LINE_SIZE];
            std::snprintf(text, sizeof text,
                          "The message file holds no explanation of status %d.", status);
            lines[2] = NewLine(text);
            lines[3] = nullptr;
            mwidth = static_cast<int>(std::strlen(text));
            mcount = 1;
        }
        if (mwidth > w)
            w = mwidth;
        n = 2 + mcount;
    }
    if (width != nullptr)
        *width = w;
    if (context != nullptr)
        *context = ctx;
    return n;
}

BWPS_EXPORT int ShowRecordManagerError(int status, int /*kind*/, int operation, const char* path,
                                       int mode)
{
    if (g_buildingReport)
        return 0;
    NoteErrorReport(status, path);
    if (status == 10000) {
        int message = RecordManagerStatusText(status);
        ShowMessage(message, message + MESSAGE_CONTEXT_OFFSET);
        return 0;
    }
    char* lines[ERROR_REPORT_ARRAY_SLOTS + 2] = {};
    int width = 0, context = 0;
    int n = BuildRecordManagerErrorLines(status, operation, path, mode, lines,
                                         ERROR_REPORT_ARRAY_SLOTS + 2, &width, &context);
    if (n < 0) {
        // The message file itself cannot be opened: the first line alone.
        char first[MESSAGE_LINE_SIZE * 3];
        std::snprintf(first, sizeof first, "Btrieve Error # %3d on file %s.", status,
                      path != nullptr ? path : "");
        FxShowText(first);
        return -n;
    }
    if (n == 0)
        return 0;
    int state = FxWindowStateSave(0);
    ShowMessageDialog(lines, n, width, context, MESSAGE_STYLE_SHOW, 0, 0, 0);
    FxWindowStateRestore(state);
    FreeMessageLines(lines);
    return 0;
}

BWPS_EXPORT void ReportRecordManagerError(int status, int kind, int operation, int fileNumber,
                                          int mode)
{
    const char* path = GetDataFilePath(fileNumber);
    ShowRecordManagerError(status, kind, operation, path != nullptr ? path : "", mode);
}

BWPS_EXPORT int ShowDatabaseErrorWindow(int buttons, int logFlags, int status,
                                        int /*operation*/, int fileNumber, const char* fileName)
{
    if (g_buildingReport)
        return 1;
    NoteErrorReport(status, fileName != nullptr ? fileName : GetDataFilePath(fileNumber));
    BuildingReport building;
    Table file;
    if (OpenMessageFile(file) != 0)
        return 1;
    const uint16_t handle = file.Handle();
    int message = RecordManagerStatusText(status);
    MessageRecord header{};
    if (ReadMessageHeader(message, handle, header) != 0)
        return 1;
    char* lines[MESSAGE_ARRAY_SLOTS + 4] = {};
    char text[MESSAGE_LINE_SIZE * 2];
    std::snprintf(text, sizeof text, "Btrieve Error # %3d", status);
    lines[0] = NewLine(text);
    lines[1] = NewLine("");
    const char* name = fileName;
    if (name == nullptr)
        name = GetDataFileName(fileNumber);
    std::snprintf(text, sizeof text, "File Name        %-14s", name != nullptr ? name : "");
    lines[2] = NewLine(text);
    lines[3] = NewLine("");
    lines[4] = nullptr;
    int width = 0, count = 0;
    int n = 4;
    if (ReadMessageText(message, handle, lines + 4, &width, &count, MESSAGE_ARRAY_SLOTS) == 0)
        n += count;
    file.Close();
    for (int i = 0; i < 4; ++i) {
        int len = static_cast<int>(std::strlen(lines[i]));
        if (len > width)
            width = len;
    }

    std::string list(1, '\1');
    auto add = [&](const char* caption) {
        if (list.size() > 1)
            list += ',';
        list += caption;
    };
    if (buttons & 1)
        add("Continue");
    if (buttons & 2)
        add("Cancel");
    if (buttons & 4)
        add("F1 Help");
    if (list.size() == 1)
        add("Continue");

    int state = FxWindowStateSave(0);
    int result = 1;
    for (;;) {
        int chosen = ShowLines(lines, n, list.c_str(), 0x7F03, message + MESSAGE_CONTEXT_OFFSET,
                               " Database Error Message ");
        // The caption of the chosen button decides.
        std::string caption;
        size_t start = 1;
        for (int i = 1; i <= chosen && start <= list.size(); ++i) {
            size_t end = list.find(',', start);
            if (end == std::string::npos)
                end = list.size();
            if (i == chosen)
                caption = list.substr(start, end - start);
            start = end + 1;
        }
        if (caption.rfind("F1", 0) == 0) {
            FxShowHelp(1, message + MESSAGE_CONTEXT_OFFSET, 0);
            continue;
        }
        result = caption == "Continue" ? 2 : 1;
        break;
    }
    FxWindowStateRestore(state);
    if (logFlags & 1)
        LogMessageLines(lines);
    FreeMessageLines(lines);
    return result;
}

BWPS_EXPORT int RecordManagerErrorsReported(int* lastStatus, char* lastPath, int pathSize)
{
    if (lastStatus != nullptr)
        *lastStatus = g_lastErrorStatus;
    if (lastPath != nullptr && pathSize > 0)
        std::snprintf(lastPath, static_cast<size_t>(pathSize), "%s", g_lastErrorPath.c_str());
    return g_errorReports;
}

BWPS_EXPORT const char* GetNoteFileExtension(int fileNumber)
{
    switch (fileNumber) {
    case 10: return ".CST";
    case 20: return ".PRD";
    case 21: return ".SRV";
    case 23: return ".SNM";
    case 25: return ".SPR";
    case 30: return ".VND";
    default: return nullptr;
    }
}

BWPS_EXPORT char* GetNoteFileName(char* name, const char* code, int fileNumber)
{
    if (name == nullptr)
        return nullptr;
    name[0] = '\0';
    if (code == nullptr || FxIsEmpty(code))
        return name;
    char work[256] = {};
    std::strncpy(work, code, sizeof work - 1);
    FxTrimText(7, work);
    size_t n = strnlen(work, 8);
    std::memcpy(name, work, n);
    name[n] = '\0';
    const char* extension = GetNoteFileExtension(fileNumber);
    if (extension != nullptr)
        std::strcat(name, extension);
    return name;
}

BWPS_EXPORT int EditRecordNotes(char* name, const char* code, int fileNumber)
{
    char local[32];
    char* out = name != nullptr ? name : local;
    GetNoteFileName(out, code, fileNumber);
    char folder[FOLDER_BUFFER_SIZE] = {};
    GetDataFileFolder(fileNumber, folder);
    std::string path = std::string(folder) + out;
    int32_t result = -1;
    RunTextEditor(1, 0, 23, 79, 132, &result, path.c_str());
    return 0;
}


BWPS_EXPORT int ConfirmDeleteNoteFile(const char* name, int fileNumber)
{
    RemoveNoteFile(name, fileNumber, true);
    return 0;
}

BWPS_EXPORT int DeleteNoteFile(const char* name, int fileNumber)
{
    RemoveNoteFile(name, fileNumber, false);
    return 0;
}

BWPS_EXPORT int DeleteDataFolderFile(const char* name)
{
    if (name == nullptr || FxIsEmpty(name))
        return 0;
    char path[FOLDER_BUFFER_SIZE * 2];
    JoinCompanyFilePath(path, GetFilesPath(), name);
    if (FxFileAccess(path, 0) != 0)
        return 0;
    return FxFileDelete(path) == 0 ? 1 : 0;
}

}  // extern "C"

namespace bwps::session {

void ResetErrorReports()
{
    g_errorReports = 0;
    g_lastErrorStatus = 0;
    g_lastErrorPath.clear();
    g_buildingReport = false;
}

}  // namespace bwps::session
