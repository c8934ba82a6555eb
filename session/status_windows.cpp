// Status windows of long jobs, posting error windows, the message log and
// the numbered-message readers.
#include "bwps/files.h"
#include "bwps/status_windows.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/ordinals.h"
#include "bwps/report_services.h"
#include "bwps/session.h"
#include "bwps/screen_utils.h"
#include "recman.h"
#include "session/services_internal.h"

namespace {

struct Slot {
    int row = 0;
    int column = 0;
    int type = 0;
    char picture[19] = {};
};

struct StatusWindow {
    int keyList = 0;
    int kind = 0;
    int message = 0;
    int help = 0;
    int rowBase = 0;
    int column = 1;
    FxWindow window{};
    uint8_t colours[5] = {};
    int form = 0;
    char screen[32] = {};
    Slot lines[STATUS_LINES];
    bool created = false;
};

std::vector<StatusWindow*> g_stack;
constexpr int kContinueList = 108;
constexpr int kContinueValueColumn = 20;
StatusLineHook g_hook = nullptr;

struct Kind {
    int kind;
    const char* screen;
};
const Kind kKinds[] = {
    {445, "RSSYSPRODUCTHISTON"}, {382, "RSUPDATECVBAL"},     {426, "RSSEARCHREPLACESTATUS"},
    {437, "RSCONVERTSTATUS"},    {507, "RSPOSTINVSTATUS"},   {400, "RSPOSPOSTSTATUS"},
    {366, "RSPOSTTRANSUCCESS"},  {387, "RSUTILDROPINDEX"},   {388, "RSUTILRECOVER"},
    {389, "RSUTILVERIFY"},       {365, "RSPOSTAMSTATUS"},    {495, "RSQUERYPROCESSSTATUS"},
    {494, "RSQUERYINDEXSTATUS"},
};

struct LineSpec {
    int type, row, column;
    const char* picture;
};
struct ErrorScreen {
    int message;
    const char* screen;
    std::vector<LineSpec> lines;
};

std::vector<LineSpec> Pair(int c1, const char* p1, int c2, const char* p2)
{
    return {{LINE_TEXT, 1, c1, p1}, {LINE_TEXT, 2, c2, p2}};
}

const std::vector<ErrorScreen>& ErrorScreens()
{
    static const std::vector<ErrorScreen> table = {
        {13, "RSPostAMShort", Pair(0, "%-14s", 0, "%-5s")},
        {11, "RSPostAMCode", Pair(0, "%-14s", 0, "%-5s")},
        {15, "RSPostAMAccount", Pair(0, "%-10s", 0, "%-5s")},
        {1247, "RSPostGLBalance", {{LINE_AMOUNT, 1, 0, "%12.2f"}, {LINE_AMOUNT, 2, 0, "%12.2f"},
                                   {LINE_TEXT, 3, 0, "%-6s"}, {LINE_TEXT, 4, 0, "%-5s"}}},
        {1251, "RSPostGLAcct", {{LINE_TEXT, 1, 0, "%-10s"}, {LINE_TEXT, 2, 0, "%-6s"}, {LINE_TEXT, 3, 0, "%-5s"}}},
        {1249, "RSPostGLDAcct", Pair(0, "%-6s", 0, "%-5s")},
        // The second value of 1319 is a text of up to 32 characters.
        {1319, "RSPostTranIntfErr", Pair(0, "%-10s", 0, "%-32s")},
        {1580, "RSPostInvAcct", Pair(0, "%-10s", 0, "%-10s")},
        {1582, "RSPostInvProd", Pair(0, "%-15s", 0, "%-10s")},
        {365, "RSPostAMStatus", {{LINE_TEXT, 2, 40, "%-5s"}}},
        {199, "RSCCardVoidError", {{LINE_TEXT, 1, 0, "%-10s"}, {LINE_AMOUNT, 2, 0, "%12.2f"},
                                   {LINE_TEXT, 3, 0, "%-30s"}, {LINE_TEXT, 4, 0, "%-4s"}}},
        {1275, "RSPostCustCode", Pair(18, "%-10s", 48, "%-10s")},
        {1277, "RSPostTaxCode", Pair(18, "%-10s", 48, "%-10s")},
        {1279, "RSPostTermsCode", Pair(18, "%-10s", 48, "%-10s")},
        {1281, "RSPostTenderCode", Pair(18, "%-10s", 48, "%-10s")},
        {1289, "RSPostTenderAcctNo", Pair(18, "%-10s", 48, "%-10s")},
        {1355, "RSPostInoutAcctErr", Pair(38, "%-10s", 18, "%-10s")},
        {1285, "RSPostServiceCode", Pair(45, "%-10s", 18, "%-14s")},
        {1283, "RSPostItemNumber", Pair(45, "%-10s", 18, "%-14s")},
        {1343, "RSPostBPErrProdAcct", {{LINE_TEXT, 1, 0, "%-10s"}, {LINE_TEXT, 2, 0, "%-14s"}, {LINE_TEXT, 3, 0, "%-14s"}}},
        {1347, "RSPostBPErrCustAcct", {{LINE_TEXT, 1, 0, "%-10s"}, {LINE_TEXT, 2, 0, "%-14s"}, {LINE_TEXT, 3, 0, "%-14s"}}},
        {1345, "RSPostBPErrServAcct", {{LINE_TEXT, 1, 0, "%-10s"}, {LINE_TEXT, 2, 0, "%-14s"}, {LINE_TEXT, 3, 0, "%-14s"}}},
        {1353, "RSPostBPErrBIAcct", {{LINE_TEXT, 1, 0, "%-10s"}, {LINE_TEXT, 2, 0, "%-5s"}, {LINE_TEXT, 3, 0, "%-14s"}}},
        {1287, "RSPostBillingCode", Pair(0, "%-5s", 0, "%-14s")},
    };
    return table;
}

StatusWindow* Top() { return g_stack.empty() ? nullptr : g_stack.back(); }

// The value formatted by the slot's picture.
std::string Format(const Slot& slot, const void* value)
{
    char out[256] = {};
    if (value == nullptr)
        return std::string();
    switch (slot.type) {
    case LINE_TEXT:
        std::snprintf(out, sizeof out, "%-*.*s", FxPictureWidth(slot.picture), FxPictureWidth(slot.picture),
                      static_cast<const char*>(value));
        break;
    case LINE_NUMBER:
        std::snprintf(out, sizeof out, "%*ld", FxPictureWidth(slot.picture),
                      static_cast<long>(*static_cast<const int32_t*>(value)));
        break;
    case LINE_AMOUNT: {
        int decimals = 2, width = 0, sign = 0;
        FxPictureNumberInfo(slot.picture, &decimals, &width, &sign);
        std::snprintf(out, sizeof out, "%*.*f", FxPictureWidth(slot.picture), decimals,
                      *static_cast<const double*>(value));
        break;
    }
    default: break;
    }
    return out;
}

void Write(StatusWindow* w, int row, int column, int attribute, const char* text)
{
    if (g_hook != nullptr) {
        g_hook(row, text);
        return;
    }
    if (w->created)
        FxWindowText(&w->window, row, column, attribute == 0 ? -1 : attribute, text, 0);
}

// ---- the message log: a printed report that goes to MSGLOG.TXT of the
// data folder.
TagRepInfo* g_log = nullptr;

void LogLine(const std::string& text, int column = 0)
{
    if (g_log == nullptr)
        return;
    if (g_log->line >= static_cast<uint32_t>(g_log->linesPerPage)) {
        ReportEndPage(g_log);
        ReportWritePageHeading(g_log, 0);
    }
    ReportWriteText(g_log, text.c_str(), column, 1);
    ReportNewLines(g_log, 1);
}

// Adds the lines of one opening of the log to its end, and drops them.
void AppendMessageLog(const std::string& added, const std::string& log)
{
    int from = -1, to = -1;
    if (FxFileOpen(added.c_str(), 0x8000, 0, 0, &from) != 0)
        return;
    if (FxFileOpen(log.c_str(), 0x8000 | 0x100 | 0x008 | 1, 0644, 0, &to) == 0) {
        char buffer[8192];
        int count = 0, written = 0;
        while (FxFileRead(from, buffer, sizeof buffer, &count) == 0 && count > 0)
            if (FxFileWrite(to, buffer, count, &written) != 0 || written != count)
                break;
        FxFileClose(to);
    }
    FxFileClose(from);
    FxFileDelete(added.c_str());
}

int OpenMessageFile(uint16_t& handle)
{
    const int status = BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::MessageTexts)), 0, 0);
    if (status != 0) {
        handle = 0;
        ReportRecordManagerError(status, 1, OPEN_OPERATION, bwps::No(bwps::FileNo::MessageTexts), 0);
    }
    return status;
}

}  // namespace

namespace bwps::detail {
void ResetStatusWindows()
{
    while (!g_stack.empty()) {
        StatusWindow* w = g_stack.back();
        g_stack.pop_back();
        delete w;
    }
    g_hook = nullptr;
    CloseMessageLog();
}
}  // namespace bwps::detail

extern "C" {

int OpenStatusWindow(int colourSet, int row, int column, int height, int width, const char* title)
{
    if (static_cast<int>(g_stack.size()) >= STATUS_WINDOWS_MAX)
        return STATUS_TOO_MANY;
    auto* w = new (std::nothrow) StatusWindow();
    if (w == nullptr) {
        ShowMessage(1, MESSAGE_DEFAULT_CONTEXT);
        return STATUS_NO_MEMORY;
    }
    SetColorSet(w->colours, colourSet);
    if (!GetStatusWindowQuiet()) {
        FxRect rect{};
        FxPlaceWindow(row, column, height, width, &rect);
        if (FxWindowCreate(&w->window, rect.top, rect.left, rect.bottom, rect.right, 1, 0, 0x20,
                           title) != 0) {
            ShowMessage(1, MESSAGE_DEFAULT_CONTEXT);
            delete w;
            return STATUS_NOT_CREATED;
        }
        w->created = true;
    }
    w->column = 1;
    g_stack.push_back(w);
    return 0;
}

int OpenGenericStatusWindow(int clear)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    if (!w->created)
        return 0;
    if (clear)
        FxClearWindow(&w->window);
    const bool generic = w->screen[0] == '\0';
    FxWindowSetName(&w->window, generic ? "RSGENERICMESSAGE" : w->screen);
    if (generic)
        for (int row = 1; row <= STATUS_LINES; ++row)
            FxWindowText(&w->window, row, 0, -1, "", 0);
    return 0;
}

int RefreshStatusWindow(void)
{
    if (Top() == nullptr)
        return STATUS_NO_WINDOW;
    FxPump();
    return 0;
}

int CloseStatusWindow(void)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    if (w->created)
        FxWindowClose(&w->window, 1);
    g_stack.pop_back();
    delete w;
    return 0;
}

int SetStatusWindowKeys(const FxLineItem* items, int bytes)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    if (bytes < static_cast<int>(sizeof(FxLineItem)))
        return 1;
    const int n = std::min(bytes / static_cast<int>(sizeof(FxLineItem)), static_cast<int>(STATUS_LINES));
    for (int i = 0; i < STATUS_LINES; ++i)
        w->lines[i] = Slot{};
    for (int i = 0; i < n && items[i].type != 0; ++i) {
        w->lines[i].type = items[i].type;
        w->lines[i].row = items[i].row;
        w->lines[i].column = 0;
        {
            const size_t n = strnlen(items[i].picture, sizeof w->lines[i].picture - 1);
            std::memcpy(w->lines[i].picture, items[i].picture, n);
            w->lines[i].picture[n] = '\0';
        }
    }
    return 0;
}

int LoadStatusLines(int listId)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    if (listId == 0)
        return 0;
    FxLineItem items[STATUS_LINES + 1] = {};
    int count = 0;
    if (FxLoadResourceTable(items, listId, sizeof items, &count) != 0)
        return STATUS_NO_LIST;
    for (int i = 0; i < STATUS_LINES; ++i) {
        w->lines[i] = Slot{};
        if (i < count && items[i].type != 0) {
            w->lines[i].type = items[i].type;
            w->lines[i].row = items[i].row;
            w->lines[i].column = items[i].column;
            {
            const size_t n = strnlen(items[i].picture, sizeof w->lines[i].picture - 1);
            std::memcpy(w->lines[i].picture, items[i].picture, n);
            w->lines[i].picture[n] = '\0';
        }
        }
    }
    return 0;
}

int OpenNamedStatusWindow(int kind)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    w->kind = kind;
    for (const Kind& k : kKinds)
        if (k.kind == kind)
            std::snprintf(w->screen, sizeof w->screen, "%s", k.screen);
    return 0;
}

int SetStatusWindowTitle(const char* screen)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    w->kind = 0;
    std::snprintf(w->screen, sizeof w->screen, "%s", screen != nullptr ? screen : "");
    return 0;
}

int AddStatusLine(int slot, int attribute, const void* value)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    if (slot < 0 || slot >= STATUS_LINES)
        return STATUS_BAD_SLOT;
    const Slot& s = w->lines[slot];
    if (s.type == 0)
        return 0;
    Write(w, s.row, s.column, attribute, Format(s, value).c_str());
    FxPump();
    return 0;
}

int AddStatusLineV(int attribute, ...)
{
    va_list args;
    va_start(args, attribute);
    int result = Top() == nullptr ? STATUS_NO_WINDOW : 0;
    for (int slot = 0; result == 0; ++slot) {
        const void* value = va_arg(args, const void*);
        if (value == nullptr)
            break;
        result = AddStatusLine(slot, attribute, value);
    }
    va_end(args);
    return result;
}

int ClearStatusLine(int slot)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    if (slot < 0 || slot >= STATUS_LINES)
        return STATUS_BAD_SLOT;
    const Slot& s = w->lines[slot];
    Write(w, s.row, s.column, -1, std::string(static_cast<size_t>(FxPictureWidth(s.picture)), ' ').c_str());
    return 0;
}

int WriteStatusWindowText(int row, int column, int attribute, const char* text)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    Write(w, row, column, attribute, text != nullptr ? text : "");
    return 0;
}

int WriteStatusMessageLine(const MessageRecord* record)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    Write(w, w->rowBase + record->Line, w->column, -1, record->Text);
    return 0;
}

int LogStatusMessageLine(const MessageRecord* record)
{
    if (Top() == nullptr)
        return STATUS_NO_WINDOW;
    LogLine(record->Text);
    return 0;
}

int SetStatusLineHook(StatusLineHook hook)
{
    g_hook = hook;
    return 0;
}

int HasStatusLineHook(void) { return g_hook != nullptr ? 1 : 0; }

const char* StatusWindowScreen(void)
{
    return Top() != nullptr ? Top()->screen : "";
}

int StatusWindowDepth(void) { return static_cast<int>(g_stack.size()); }

int ReadMessageHeader(int message, uint16_t handle, MessageRecord* record)
{
    char key[256] = {};
    const uint16_t n = static_cast<uint16_t>(message);
    std::memcpy(key, &n, 2);
    const int status = BtrGet(B_GET_EQUAL, handle, key, record, MESSAGE_RECORD_SIZE);
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, bwps::No(bwps::FileNo::MessageTexts), 0);
        return STATUS_NO_MESSAGE;
    }
    return 0;
}

int ForEachMessageLine(int message, uint16_t handle, MessageLineFunction function)
{
    char key[256] = {};
    const uint16_t n = static_cast<uint16_t>(message);
    std::memcpy(key, &n, 2);
    MessageRecord record{};
    int status = BtrGet(B_GET_EQUAL, handle, key, &record, MESSAGE_RECORD_SIZE);
    if (status == B_KEY_NOT_FOUND)
        return STATUS_NO_MESSAGE;
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, bwps::No(bwps::FileNo::MessageTexts), 0);
        return STATUS_NO_MESSAGE;
    }
    int lines = 0;
    for (;;) {
        status = BtrGet(B_GET_NEXT, handle, key, &record, MESSAGE_RECORD_SIZE);
        if (status != 0 || record.Number != n)
            break;
        ++lines;
        if (function != nullptr)
            function(&record);
    }
    if (status != 0 && status != B_END_OF_FILE) {
        ReportRecordManagerError(status, 1, B_GET_NEXT, bwps::No(bwps::FileNo::MessageTexts), 0);
        return STATUS_MESSAGE_BROKEN;
    }
    return lines == 0 ? STATUS_MESSAGE_BROKEN : 0;
}

int HasErrorMessageScreen(int message)
{
    for (const ErrorScreen& e : ErrorScreens())
        if (e.message == message)
            return 1;
    return 0;
}

int ShowErrorMessageWindow(int message, int keyList, int buttons, int logFlags, ...)
{
    const ErrorScreen* screen = nullptr;
    for (const ErrorScreen& e : ErrorScreens())
        if (e.message == message) {
            screen = &e;
            break;
        }
    uint16_t handle = 0;
    if (OpenMessageFile(handle) != 0)
        return 1;
    MessageRecord header{};
    if (ReadMessageHeader(message, handle, &header) != 0) {
        BtrCloseFile(handle);
        return 1;
    }
    if (screen == nullptr) {
        BtrCloseFile(handle);
        return 1;
    }
    const int count = std::atoi(header.Text);
    if (OpenStatusWindow(6, -1, -1, count + 3, header.Width + 2, " Error Message ") != 0) {
        BtrCloseFile(handle);
        return 1;
    }
    StatusWindow* w = Top();
    w->message = message;
    w->help = message + MESSAGE_CONTEXT_OFFSET;
    w->keyList = keyList;
    SetStatusWindowTitle(screen->screen);
    for (size_t i = 0; i < screen->lines.size() && i < STATUS_LINES; ++i) {
        Slot& s = w->lines[i];
        s.type = screen->lines[i].type;
        s.row = screen->lines[i].row;
        s.column = screen->lines[i].column;
        std::snprintf(s.picture, sizeof s.picture, "%s", screen->lines[i].picture);
    }
    if (logFlags)
        OpenMessageLog();
    OpenGenericStatusWindow(0);

    char* lines[MESSAGE_ARRAY_SLOTS] = {};
    int width = 0, lineCount = 0;
    ReadMessageText(message, handle, lines, &width, &lineCount, MESSAGE_ARRAY_SLOTS);
    std::vector<std::string> shown;
    for (int i = 0; lines[i] != nullptr; ++i)
        shown.push_back(lines[i]);
    va_list args;
    va_start(args, logFlags);
    for (int slot = 0; slot < STATUS_LINES; ++slot) {
        const void* value = va_arg(args, const void*);
        if (value == nullptr)
            break;
        AddStatusLine(slot, -1, value);
        if (w->lines[slot].type != 0)
            shown.push_back(Format(w->lines[slot], value));
    }
    va_end(args);

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
    std::vector<char*> dialog;
    for (std::string& s : shown)
        dialog.push_back(s.data());
    dialog.push_back(nullptr);
    const int chosen = FxChoiceDialog(dialog.data(), list.c_str(), 0, w->help, " Error Message ", 0);
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
    if (logFlags & 1) {
        for (const std::string& s : shown)
            if (!s.empty())
                LogLine(s);
        LogLine("");
    }
    FreeMessageLines(lines);
    CloseStatusWindow();
    BtrCloseFile(handle);
    return caption == "Continue" ? 2 : 1;
}

int AskContinue(int kind, int logFlags, int count, double amount1, double amount2)
{
    if (OpenStatusWindow(5, -1, -1, 6, 52, nullptr) != 0)
        return 2;
    StatusWindow* w = Top();
    w->keyList = kContinueList;
    w->help = 1573;
    OpenNamedStatusWindow(kind);
    if (LoadStatusLines(kContinueList) != 0 || w->lines[0].type == 0) {
        const FxLineItem items[3] = {{LINE_NUMBER, 1, 0, "%4d"}, {LINE_AMOUNT, 2, 0, "%12.2f"},
                                     {LINE_AMOUNT, 3, 0, "%12.2f"}};
        SetStatusWindowKeys(items, sizeof items);
        for (Slot& slot : w->lines)
            slot.column = kContinueValueColumn;
    }
    OpenGenericStatusWindow(0);
    // The captions of the three lines come from the same text list.
    char* captions[STATUS_LINES + 1] = {};
    int width = 0, lines = 0;
    if (FxTextListLoad(kContinueList, captions, &width, &lines, STATUS_LINES) == 0) {
        for (int i = 0; i < 3 && captions[i] != nullptr; ++i)
            WriteStatusWindowText(w->lines[i].row, 1, 0, captions[i]);
        FxTextListFree(captions);
    }
    const int32_t n = count;
    AddStatusLine(0, -1, &n);
    AddStatusLine(1, -1, &amount2);
    AddStatusLine(2, -1, &amount1);
    if (logFlags & 1) {
        OpenMessageLog();
        LogLine(Format(w->lines[0], &n) + " " + Format(w->lines[1], &amount2) + " " +
                Format(w->lines[2], &amount1));
    }
    char* none[] = {nullptr};
    FxChoiceDialog(none, "\1Continue", 0, w->help, nullptr, 0);
    CloseStatusWindow();
    return 2;
}

namespace {

struct ChoiceScreen {
    FxContext fx;  // first: the framework's part
    FxForm form;
    int help = 0;
    bool chosen = false;
};

int ChoiceAccept(void* context)
{
    static_cast<ChoiceScreen*>(context)->chosen = true;
    return FX_LEAVE;
}

int ChoiceHelp(void* context)
{
    FxShowHelp(1, static_cast<ChoiceScreen*>(context)->help, 0);
    return FX_STAY;
}

}  // namespace

int AskStatusWindowChoice(int row, int column, int textId, char* choice, const char* choiceList)
{
    StatusWindow* w = Top();
    if (w == nullptr)
        return STATUS_NO_WINDOW;
    if (!w->created || choice == nullptr || choiceList == nullptr)
        return 0;
    // The field is as wide as the longest option.
    int options = 0, longest = 1, current = 0;
    std::string list = choiceList;
    size_t start = !list.empty() && static_cast<unsigned char>(list[0]) < ' ' ? 1 : 0;
    int initial = 1;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string option = list.substr(start, end - start);
        ++options;
        longest = std::max(longest, static_cast<int>(option.size()));
        if (!option.empty() && option[0] == *choice && current == 0)
            current = options;
        start = end + 1;
    }
    if (current != 0)
        initial = current;

    ScreenField fields[2] = {};
    fields[0].number = 1;
    fields[0].row = static_cast<uint8_t>(row);
    fields[0].column = static_cast<uint8_t>(column);
    std::snprintf(fields[0].picture, sizeof fields[0].picture, "%%-%dsm", longest);
    fields[0].choices = choiceList;
    fields[0].prompt = static_cast<uint16_t>(textId);
    fields[0].exitHandler = ChoiceAccept;

    ChoiceScreen c{};
    c.help = w->message + 2000;
    FxAppBegin(&c.fx);
    if (FxFormLoad(&c.form, fields, 0) != 0) {
        SetupStandardScreen(&c.form, 0, 0);
        FxSetKeyHandler(&c.form, FX_KEY_F1, ChoiceHelp);
        FxSetKeyHandler(&c.form, FX_KEY_F10, ChoiceAccept);
        FxWindowAttachForm(&w->window, &c.form, 0);
        FxChoiceSet(&c.form, 1, initial);
        FxAppRun(&c.fx, 1);
        if (c.chosen) {
            const char* text = FxFieldGet(&c.form, 1);
            if (text != nullptr && text[0] != '\0')
                *choice = text[0];
        }
        FxWindowAttachForm(&w->window, nullptr, 0);
    }
    FxAppEnd(&c.fx);
    return 0;
}

int OpenMessageLog(void)
{
    if (g_log != nullptr)
        return 0;
    auto* log = static_cast<TagRepInfo*>(FxAlloc(1, sizeof(TagRepInfo)));
    if (log == nullptr)
        return 1;
    log->silent = 1;
    log->keepStatus = 1;
    // The log is a plain text file of the data folder, put in place when it
    // closes.
    log->destination = REPORT_TO_TEXT_FILE;
    log->outputMode = REPORT_MODE_TEXT;
    char folder[FOLDER_BUFFER_SIZE] = {};
    std::snprintf(folder, sizeof folder, "%s", GetFilesPath());
    FxFolderEnd(folder);
    // The lines of one opening go to MSGLOG.NEW; the close adds them to the
    // end of MSGLOG.TXT, so the log keeps every opening's lines.
    std::snprintf(log->outputFile, sizeof log->outputFile, "%sMSGLOG.NEW", folder);
    FxFileDelete(log->outputFile);
    // The log is no report the user chose: the session keeps its last
    // report destination.
    SessionBlock* session = GetSessionPaths();
    const uint8_t destination = session->ReportDestination;
    const int opened = ReportOpen(log, "Message Log");
    session->ReportDestination = destination;
    if (!opened) {
        FxFree(log);
        return 1;
    }
    g_log = log;
    ReportWritePageHeading(g_log, 0);
    FxTranscriptNote((std::string("message log ") + folder + "MSGLOG.TXT").c_str());
    return 0;
}

int WriteMessageLogLine(const char* text, int column, int)
{
    if (g_log == nullptr)
        return 0;
    LogLine(text != nullptr ? text : "", column > 0 ? column : 0);
    return 0;
}

int MessageLogNewLines(int count)
{
    if (g_log != nullptr)
        ReportNewLines(g_log, count);
    return 0;
}

int MessageLogHeading(void)
{
    if (g_log != nullptr)
        ReportWritePageHeading(g_log, 0);
    return 0;
}

int CloseMessageLog(void)
{
    if (g_log == nullptr)
        return 0;
    ReportClose(g_log);
    std::string added = g_log->outputFile;
    std::string log = added.substr(0, added.size() - 3) + "TXT";
    AppendMessageLog(added, log);
    FxFree(g_log);
    g_log = nullptr;
    return 0;
}

int LogTextLine(const char* text, int textId)
{
    if (g_log == nullptr)
        return 0;
    char resource[256] = {};
    if (textId != 0)
        FxLoadString(textId, sizeof resource, resource);
    LogLine(std::string(10, ' ') + (text != nullptr ? text : "") + resource);
    return 0;
}

int LogMessageLines(char** lines)
{
    if (OpenMessageLog() != 0)
        return 1;
    for (int i = 0; lines != nullptr && lines[i] != nullptr; ++i)
        if (lines[i][0] != '\0')
            LogLine(lines[i]);
    LogLine("");
    return 0;
}

}  // extern "C"
