// The outputs of the text report driver: the temporary report file and its
// line index for the screen, the printer ports with the printer entry's
// control codes, report files under the existing-file rule, and the HTML
// and spreadsheet writers.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/text_report.h"
#include "fx.h"

namespace bwps::textreport {
namespace {

constexpr int kCodeCount = 24;
constexpr const char* kAsideSuffix = ".part";

struct HtmlWriter {
    char* lines[TEXT_REPORT_HTML_TEMPLATE + 2] = {};
    int count = 0;
    int fontSize = 3;
    ~HtmlWriter() { FxTextListFree(lines); }
};

struct SheetWriter {
    alignas(8) unsigned char block[FX_SHEET_BLOCK] = {};
};

// The objects the driver keeps for open reports, by the number a state's
// 32-bit slot holds.
struct Objects {
    uint32_t next = 1;
    std::map<uint32_t, std::unique_ptr<HtmlWriter>> html;
    std::map<uint32_t, std::unique_ptr<SheetWriter>> sheets;
    std::map<uint32_t, FxStatus*> windows;
};

Objects& Kept()
{
    static Objects objects;
    return objects;
}

uint32_t NewNumber()
{
    Objects& o = Kept();
    if (o.next == 0)
        o.next = 1;
    return o.next++;
}

HtmlWriter* Html(const TextReportState& state)
{
    auto& map = Kept().html;
    const auto it = map.find(+state.HtmlBlock);
    return it == map.end() ? nullptr : it->second.get();
}

void DropHtml(TextReportState& state)
{
    Kept().html.erase(+state.HtmlBlock);
    state.HtmlBlock = 0;
}

void DropSheet(TextReportState& state)
{
    Kept().sheets.erase(+state.SheetBlock);
    state.SheetBlock = 0;
}

std::string ProgramFolder()
{
    std::string folder = GetProgramPath() != nullptr ? GetProgramPath() : "";
    if (folder.empty())
        folder = GetSessionPaths()->ProgramPath;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

void SetName(char (&field)[260], const std::string& text)
{
    std::snprintf(field, sizeof field, "%s", text.c_str());
}

std::string Terminated(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

std::string AsideName(const TextReportState& state)
{
    return Terminated(state.FileName, sizeof state.FileName) + kAsideSuffix;
}

// A printer entry's control-code area as the text a serial port takes: the
// bytes up to the first zero, never past the area.
std::string CodeText(const uint16_t* codes)
{
    char bytes[kCodeCount * 2 + 1] = {};
    std::memcpy(bytes, codes, kCodeCount * 2);
    return std::string(bytes);
}

void SendCodes(TextReportState& state, const uint16_t* codes)
{
    if (state.SerialPort >= 0) {
        const std::string text = CodeText(codes);
        if (!text.empty())
            FxSerialSend(state.SerialPort, text.c_str(), 0);
    } else if (state.ParallelPort >= 0) {
        FxParallelControl(state.ParallelPort, kCodeCount, codes, 1);
    }
}

const uint16_t* NormalCodes(const TextReportState& state)
{
    return state.Printer.normalCodes;
}

const uint16_t* CondensedCodes(const TextReportState& state)
{
    return state.Printer.condensedCodes;
}

// ---- the screen destination

bool OpenScreen(TextReportState& state)
{
    const std::string folder = ProgramFolder();
    for (int n = 0; n < TEXT_REPORT_TEMP_NAMES; ++n) {
        const std::string report = folder + "VF" + std::to_string(n) + ".PRN";
        const int handle = ::open(report.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (handle < 0) {
            if (errno == EEXIST)
                continue;
            break;
        }
        const std::string index = folder + "VF" + std::to_string(n) + ".NDX";
        const int indexHandle = ::open(index.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (indexHandle < 0) {
            ::close(handle);
            FxFileDelete(report.c_str());
            break;
        }
        SetName(state.FileName, report);
        SetName(state.IndexName, index);
        state.FileHandle = handle;
        state.IndexHandle = indexHandle;
        state.ScreenLines = 0;
        state.ScreenOffset = 0;
        return true;
    }
    Show(TEXT_MSG_CANNOT_CREATE);
    return false;
}

// Sends the temporary report file to the printer port that the print
// screen opened, up to 256 bytes at a time; Esc asks whether to stop.
void PrintViewed(TextReportState& state)
{
    state.Quiet = 0;
    OpenStatusWindow(state);
    FxFileSeek(state.FileHandle, 0, 0);
    char bytes[256];
    for (;;) {
        int32_t key = 0;
        if (FxKeyRead(&key, 0, 1) != 0 && FxIsLeaveKey(&key) != 0 &&
            Ask(TEXT_MSG_STOP_PRINTING, MESSAGE_BUTTONS_YES_NO) == 1)
            break;
        int count = 0;
        if (FxFileRead(state.FileHandle, bytes, sizeof bytes, &count) != 0) {
            Show(TEXT_MSG_READ_LINE);
            break;
        }
        if (count <= 0)
            break;
        if (state.SerialPort >= 0) {
            if (FxSerialSend(state.SerialPort, bytes, count) != 0)
                break;
        } else {
            int written = 0;
            if (FxFileWrite(state.ParallelHandle, bytes, count, &written) != 0 || written != count)
                break;
        }
        PollStatus(state);
    }
}

void ClosePrinter(TextReportState& state)
{
    if (state.SerialPort >= 0) {
        SendCodes(state, NormalCodes(state));
        FxSerialClose(state.SerialPort);
    } else if (state.ParallelPort >= 0) {
        SendCodes(state, NormalCodes(state));
        FxParallelClose(state.ParallelPort, state.ParallelHandle);
    }
    state.ParallelHandle = -1;
    state.ParallelPort = -1;
    state.SerialPort = -1;
}

void CloseScreen(TextReportState& state)
{
    if (state.ScreenLines > 0) {
        FxFileSeek(state.IndexHandle, 0, 0);
        RunViewer(state);
        if (state.PrintAfterView != 0 && (state.SerialPort >= 0 || state.ParallelHandle >= 0)) {
            PrintViewed(state);
            ClosePrinter(state);
        }
    }
    FxFileClose(state.FileHandle);
    FxFileClose(state.IndexHandle);
    state.FileHandle = state.IndexHandle = -1;
    FxFileDelete(state.FileName);
    FxFileDelete(state.IndexName);
}

// ---- the printer destination

bool OpenPrinter(TextReportState& state)
{
    const int port = state.Port >= 1 && state.Port <= 6 ? state.Port : 1;
    state.Port = static_cast<uint8_t>(port);
    const uint16_t* codes = state.Condensed != 0 ? CondensedCodes(state) : NormalCodes(state);
    if (port <= 3) {
        const int index = port - 1;
        while (FxPrinterReady(index, 0, 1, 1) == 0)
            if (Ask(TEXT_MSG_NOT_READY) != 1)
                return false;
        int handle = -1;
        if (FxParallelOpen(1, index, &handle, 0) != 0 || handle < 0) {
            Show(TEXT_MSG_CANNOT_CREATE);
            return false;
        }
        state.ParallelPort = index;
        state.ParallelHandle = handle;
        SendCodes(state, codes);
        return true;
    }
    const int serial = port - 4;
    const uint32_t settings = state.SerialSettings[0] | state.SerialSettings[1] |
                              state.SerialSettings[2] | state.SerialSettings[3];
    if (FxSerialOpen(serial, static_cast<int>(settings)) != 0) {
        Show(TEXT_MSG_SERIAL_SETUP);
        return false;
    }
    const std::string text = CodeText(codes);
    if (!text.empty() && FxSerialSend(serial, text.c_str(), 0) != 0) {
        Show(TEXT_MSG_SERIAL_SEND);
        FxSerialClose(serial);
        return false;
    }
    state.SerialPort = serial;
    return true;
}

// ---- the file destination

// Formats a template line that takes one value: used as a format only when
// it holds exactly one conversion of the expected kind ('s' or 'd').
std::string TemplateLine(const char* line, char kind, const char* text, int number)
{
    int conversions = 0;
    char found = 0;
    for (const char* p = line; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        ++conversions;
        const char* q = p + 1;
        while (*q != '\0' && std::strchr("-+ #0123456789.", *q) != nullptr)
            ++q;
        found = *q;
    }
    if (conversions != 1 || found != kind)
        return line;
    char out[1024];
    if (kind == 's')
        std::snprintf(out, sizeof out, line, text);
    else
        std::snprintf(out, sizeof out, line, number);
    return out;
}

bool StartHtml(TextReportState& state)
{
    auto writer = std::make_unique<HtmlWriter>();
    int width = 0;
    if (FxTextListLoad(TEXT_REPORT_HTML_LIST, writer->lines, &width, &writer->count,
                       TEXT_REPORT_HTML_TEMPLATE + 1) != 0 ||
        writer->count < TEXT_REPORT_HTML_TEMPLATE)
        return false;
    writer->fontSize = state.Condensed != 0 ? 1 : 3;
    const char* version = "No version information available.";
    std::string head;
    for (int i = 0; i <= 9; ++i) {
        const char* line = writer->lines[i];
        if (i == 4 || i == 5)
            head += TemplateLine(line, 's', version, 0);
        else if (i == 6)
            head += TemplateLine(line, 'd', nullptr, writer->fontSize);
        else
            head += line;
        head += "\r\n";
    }
    int written = 0;
    if (FxFileWrite(state.FileHandle, head.data(), static_cast<int>(head.size()), &written) != 0 ||
        written != static_cast<int>(head.size()))
        return false;
    const uint32_t number = NewNumber();
    Kept().html[number] = std::move(writer);
    state.HtmlBlock = number;
    return true;
}

bool StartSheet(TextReportState& state, const std::string& path)
{
    auto writer = std::make_unique<SheetWriter>();
    const int kind = state.ExportKind == TEXT_EXPORT_WK3 || state.ExportKind == TEXT_EXPORT_WKW
                         ? FX_SHEET_COMMAS
                         : FX_SHEET_TABS;
    if (FxSheetOpen(kind, 0, 0, path.c_str(), writer->block) != 0)
        return false;
    const uint32_t number = NewNumber();
    Kept().sheets[number] = std::move(writer);
    state.SheetBlock = number;
    return true;
}

// Opens the report file. The report is written beside the target and put
// in its place when it is closed whole; an existing target is asked about
// first (overwrite, append or cancel; exports: overwrite or cancel).
bool OpenFile(TextReportState& state)
{
    const std::string target = Terminated(state.FileName, sizeof state.FileName);
    if (target.empty() || target.back() == '/' || target.size() + std::strlen(kAsideSuffix) >= 260) {
        Show(TEXT_MSG_CANNOT_CREATE);
        return false;
    }
    const bool exports = state.ExportKind >= TEXT_EXPORT_HTML;
    bool append = false;
    if (FxFileAccess(target.c_str(), 0) == 0) {
        if (!exports) {
            const int answer = Ask(TEXT_MSG_FILE_EXISTS);
            if (answer != 1 && answer != 2)
                return false;
            append = answer == 2;
        } else if (Ask(TEXT_MSG_EXPORT_EXISTS) != 1) {
            return false;
        }
    }
    const std::string aside = AsideName(state);
    FxFileDelete(aside.c_str());
    if (state.ExportKind >= TEXT_EXPORT_XLS) {
        if (!StartSheet(state, aside)) {
            FxFileDelete(aside.c_str());
            Show(TEXT_MSG_CANNOT_CREATE);
            return false;
        }
        return true;
    }
    if (append && FxFileCopy(aside.c_str(), target.c_str()) != 0) {
        FxFileDelete(aside.c_str());
        Show(TEXT_MSG_CANNOT_CREATE);
        return false;
    }
    int handle = -1;
    const int status = FxFileOpen(aside.c_str(), 0x8002 | 0x100 | (append ? 0 : 0x200), 0x180, 0, &handle);
    if (status != 0) {
        FxFileDelete(aside.c_str());
        Show(status == 4 ? TEXT_MSG_OPEN_ERROR : TEXT_MSG_CANNOT_CREATE);
        return false;
    }
    if (append)
        FxFileSeek(handle, 0, 2);
    state.FileHandle = handle;
    if (state.ExportKind == TEXT_EXPORT_HTML && !StartHtml(state)) {
        FxFileClose(handle);
        state.FileHandle = -1;
        FxFileDelete(aside.c_str());
        Show(TEXT_MSG_CANNOT_CREATE);
        return false;
    }
    return true;
}

void CloseFile(TextReportState& state)
{
    const bool wasOpen = state.FileHandle >= 0 || state.SheetBlock != 0;
    if (HtmlWriter* html = Html(state)) {
        std::string tail;
        for (int i = 10; i <= 12 && i < html->count; ++i)
            tail += std::string(html->lines[i]) + "\r\n";
        if (state.Aborted == 0)
            WriteFileBytes(state, tail.data(), static_cast<int>(tail.size()));
        DropHtml(state);
    }
    if (state.FileHandle >= 0) {
        if (FxFileClose(state.FileHandle) != 0 && state.Aborted == 0) {
            Show(TEXT_MSG_WRITE_FAILED);
            state.Aborted = 1;
        }
        state.FileHandle = -1;
    }
    if (FxSheet* sheet = Sheet(state)) {
        if (FxSheetClose(sheet) != 0 && state.Aborted == 0) {
            Show(TEXT_MSG_WRITE_FAILED);
            state.Aborted = 1;
        }
        DropSheet(state);
    }
    if (!wasOpen)
        return;
    const std::string aside = AsideName(state);
    if (state.Aborted != 0) {
        FxFileDelete(aside.c_str());  // the target keeps what it held
        return;
    }
    if (FxFileRename(aside.c_str(), state.FileName) != 0) {
        FxFileDelete(aside.c_str());
        Show(TEXT_MSG_CANNOT_CREATE);
    }
}

}  // namespace

void Show(int message)
{
    ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
}

int Ask(int message, const char* buttons)
{
    uint8_t colours[COLOR_SET_SIZE] = {};
    SetColorSet(colours, 5);
    int choice = 1;
    if (AskMessage(message, MESSAGE_DEFAULT_CONTEXT, &choice, buttons, colours, -1, -1, 0, 0, 0) != 0)
        return 0;
    return choice;
}

FxSheet* Sheet(const TextReportState& state)
{
    auto& map = Kept().sheets;
    const auto it = map.find(+state.SheetBlock);
    return it == map.end() ? nullptr : reinterpret_cast<FxSheet*>(it->second->block);
}

void OpenStatusWindow(TextReportState& state)
{
    if (state.StatusWindow != 0)
        return;
    FxStatus* window = FxStatusOpen("RSEscStopPrn", 0);
    if (window == nullptr)
        return;
    const uint32_t number = NewNumber();
    Kept().windows[number] = window;
    state.StatusWindow = number;
}

void CloseStatusWindow(TextReportState& state)
{
    auto& map = Kept().windows;
    const auto it = map.find(+state.StatusWindow);
    if (it != map.end()) {
        FxStatusClose(it->second);
        map.erase(it);
    }
    state.StatusWindow = 0;
}

void PollStatus(TextReportState& state)
{
    auto& map = Kept().windows;
    const auto it = map.find(+state.StatusWindow);
    if (it != map.end())
        FxStatusUpdate(it->second, 0);
}

bool WriteFileBytes(TextReportState& state, const char* bytes, int length)
{
    if (length <= 0)
        return true;
    int written = 0;
    if (state.FileHandle < 0 || FxFileWrite(state.FileHandle, bytes, length, &written) != 0 ||
        written != length) {
        Show(TEXT_MSG_WRITE_FAILED);
        state.Aborted = 1;
        return false;
    }
    return true;
}

void SendPrinterBytes(TextReportState& state, const char* bytes, int length)
{
    if (length <= 0)
        return;
    if (state.SerialPort >= 0) {
        FxSerialSend(state.SerialPort, bytes, length);
    } else if (state.ParallelHandle >= 0) {
        int written = 0;
        FxFileWrite(state.ParallelHandle, bytes, length, &written);
    }
}

bool OpenOutput(TextReportState& state)
{
    switch (state.Destination) {
    case TEXT_REPORT_TO_SCREEN: return OpenScreen(state);
    case TEXT_REPORT_TO_PRINTER: return OpenPrinter(state);
    case TEXT_REPORT_TO_FILE: return OpenFile(state);
    default: return false;
    }
}

void CloseOutput(TextReportState& state)
{
    if (state.IndexHandle >= 0) {
        CloseScreen(state);
        return;
    }
    switch (state.Destination) {
    case TEXT_REPORT_TO_PRINTER: ClosePrinter(state); break;
    case TEXT_REPORT_TO_FILE: CloseFile(state); break;
    default: break;
    }
}

__attribute__((weak)) bool RunDestinationScreen(TextReportState& /*state*/)
{
    FxMessageBox(nullptr, "The report destination screen is not available in this build.", nullptr,
                 FX_MB_ICONINFORMATION, 0);
    return false;
}

__attribute__((weak)) void RunViewer(TextReportState& /*state*/) {}

}  // namespace bwps::textreport

using namespace bwps::textreport;

extern "C" {

BWPS_EXPORT int TextReportToggleCondensed(TextReportState* state)
{
    if (state == nullptr || state->Aborted != 0 || state->Destination != TEXT_REPORT_TO_PRINTER)
        return 0;
    if (state->Condensed == 0) {
        SendCodes(*state, CondensedCodes(*state));
        state->Condensed = 1;
    } else {
        SendCodes(*state, NormalCodes(*state));
        state->Condensed = 0;
    }
    return 0;
}

BWPS_EXPORT int TextReportReopenPrinter(TextReportState* state, int flag)
{
    if (state == nullptr || state->Destination != TEXT_REPORT_TO_PRINTER)
        return 1;
    if (state->ParallelHandle >= 0) {
        FxParallelClose(state->ParallelPort, state->ParallelHandle);
        state->ParallelHandle = -1;
    }
    if (state->ParallelPort >= 0) {
        if (flag == 0) {
            int handle = -1;
            if (FxParallelOpen(1, state->ParallelPort, &handle, 1) != 0 || handle < 0)
                return 0;
            state->ParallelHandle = handle;
        }
    } else if (state->SerialPort >= 0) {
        const uint32_t settings = state->SerialSettings[0] | state->SerialSettings[1] |
                                  state->SerialSettings[2] | state->SerialSettings[3];
        if (FxSerialReopen(state->SerialPort, static_cast<int>(settings)) != 0) {
            Show(TEXT_MSG_SERIAL_SETUP);
            return 0;
        }
        FxSerialClose(state->SerialPort);
    }
    return 1;
}

// Forgets the writers and windows of reports left open (tests).
BWPS_EXPORT void ResetTextReportState(void)
{
    Objects& o = Kept();
    for (auto& [number, window] : o.windows)
        FxStatusClose(window);
    o.windows.clear();
    o.html.clear();
    o.sheets.clear();
    o.next = 1;
    ForgetKeptLines();
}

}  // extern "C"

BWPS_ORDINAL(769, TextReportReopenPrinter);
BWPS_ORDINAL(770, TextReportToggleCondensed);
