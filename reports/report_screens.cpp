// The screens of the text reports: the destination screen (screen, printer
// or file, and the export type), the report viewer over the screen report's
// page file and its line index, and the print screen that sends a viewed
// report to a printer.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/desk_tools.h"
#include "bwps/messages.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/text_report.h"
#include "fx.h"
#include "lookup.h"
#include "recman.h"

namespace bwps::textreport {

// The extensions an export kind's file must carry (none for plain reports
// and delimited text).
std::vector<std::string> RequiredExtensions(int exportKind);

namespace {

constexpr int kExportList = 265;
constexpr int kExportTypes = 10;
constexpr int kDefaultLines = 62;
constexpr const char* kDestinations = "\001Screen,Printer,File";
constexpr const char* kPorts = "\001LPT1,LPT2,LPT3,COM1,COM2,COM3";
constexpr const char* kOutputs = "\001Report,Export";

std::string Trimmed(std::string text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
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

// ---- printers of the station

struct PrinterChoice {
    std::string list;        // choice text: default byte, then the names
    std::vector<int> slots;  // the StationPrinters entry of each choice
};

PrinterChoice Printers()
{
    PrinterChoice choice;
    choice.list = "\001";
    const SessionBlock* session = GetSessionPaths();
    for (int i = 0; i < 3; ++i) {
        StationPrinterEntry entry;
        std::memcpy(&entry, session->StationPrinters[i], sizeof entry);
        const std::string name = Trimmed(std::string(entry.name, strnlen(entry.name, sizeof entry.name)));
        if (name.empty())
            continue;
        if (!choice.slots.empty())
            choice.list += ',';
        choice.list += name;
        choice.slots.push_back(i);
    }
    if (choice.slots.empty())
        choice.list += "(none)";
    return choice;
}

void TakePrinter(TextReportState& state, const PrinterChoice& printers, int choice)
{
    if (choice < 1 || choice > static_cast<int>(printers.slots.size()))
        return;
    const int slot = printers.slots[static_cast<size_t>(choice - 1)];
    std::memcpy(&state.Printer, GetSessionPaths()->StationPrinters[slot], sizeof state.Printer);
}

// ---- export types

struct ExportType {
    int value;
    char hotKey;
    std::string name;
};

std::vector<ExportType> ExportTypes()
{
    std::vector<ExportType> types;
    char* lines[kExportTypes + 1] = {};
    int width = 0, count = 0;
    if (FxTextListLoad(kExportList, lines, &width, &count, kExportTypes + 1) != 0)
        return types;
    for (int i = 0; i < kExportTypes && lines[i] != nullptr; ++i) {
        const std::string line = lines[i];
        ExportType t;
        t.value = i < 6 ? i + 1 : -1;
        t.hotKey = line.empty() ? ' ' : line[0];
        t.name = line.size() > 2 ? line.substr(2) : "";
        if (t.value > 0)
            types.push_back(t);
    }
    FxTextListFree(lines);
    return types;
}

// ---- the destination screen

enum DestField { kDestination = 1, kPrinter, kPort, kLines, kFile, kOutput, kType, kQualifier, kSeparator };

struct DestinationScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    TextReportState* state = nullptr;
    PrinterChoice printers;
    std::vector<ExportType> types;
    int chosenType = 0;   // value of the chosen export type, 0 none
    bool opened = false;
};

DestinationScreen& Screen(void* context)
{
    return *static_cast<DestinationScreen*>(context);
}

void Switch(FxForm* form, std::initializer_list<int> fields, bool on)
{
    for (int f : fields) {
        FxEnableField(form, f, on ? 1 : 0);
        if (!on)
            FxFieldSet(form, f, "");
    }
}

std::string OneCharacter(uint8_t c)
{
    return c != 0 ? std::string(1, static_cast<char>(c)) : std::string();
}

void ShowPrinter(DestinationScreen& s)
{
    const int port = s.state->Printer.port >= 1 && s.state->Printer.port <= 6 ? s.state->Printer.port : 1;
    FxChoiceSet(&s.form, kPort, port);
    const int lines = s.state->Printer.linesPerPage != 0 ? s.state->Printer.linesPerPage : kDefaultLines;
    FxFieldSet(&s.form, kLines, std::to_string(lines).c_str());
}

void ShowDestination(DestinationScreen& s)
{
    const int destination = FxChoiceGet(&s.form, kDestination);
    if (destination == TEXT_REPORT_TO_FILE) {
        Switch(&s.form, {kPrinter, kPort}, false);
        Switch(&s.form, {kFile, kOutput, kQualifier, kSeparator}, true);
        if (FxIsEmpty(FxFieldGet(&s.form, kFile)) != 0)
            FxFieldSet(&s.form, kFile, s.state->FileName);
        FxFieldSet(&s.form, kQualifier, OneCharacter(s.state->Qualifier).c_str());
        FxFieldSet(&s.form, kSeparator, OneCharacter(s.state->Separator).c_str());
        if (FxChoiceGet(&s.form, kOutput) == 0)
            FxChoiceSet(&s.form, kOutput, 1);
    } else {
        Switch(&s.form, {kFile, kOutput, kQualifier, kSeparator}, false);
        Switch(&s.form, {kPrinter, kPort}, true);
        FxChoiceSet(&s.form, kPrinter, 1);
        ShowPrinter(s);
    }
}

int OnDestination(void* context)
{
    DestinationScreen& s = Screen(context);
    ShowDestination(s);
    FxFormRedraw(context, &s.form);
    return FX_GO_ON;
}

int OnPrinter(void* context)
{
    DestinationScreen& s = Screen(context);
    TakePrinter(*s.state, s.printers, FxChoiceGet(&s.form, kPrinter));
    ShowPrinter(s);
    FxFormRedraw(context, &s.form);
    return FX_GO_ON;
}

int OnOutput(void* context)
{
    DestinationScreen& s = Screen(context);
    const bool exports = FxChoiceGet(&s.form, kOutput) == 2;
    FxEnableField(&s.form, kType, exports ? 1 : 0);
    if (!exports) {
        Switch(&s.form, {kType, kQualifier, kSeparator}, false);
        s.chosenType = 0;
    }
    FxFormRedraw(context, &s.form);
    return FX_GO_ON;
}

int OnType(void* context)
{
    DestinationScreen& s = Screen(context);
    std::string list;
    int current = 0;
    for (size_t i = 0; i < s.types.size(); ++i) {
        list += (i == 0 ? "" : ",") + s.types[i].name;
        if (s.types[i].value == s.chosenType)
            current = static_cast<int>(i) + 1;
    }
    const int picked = list.empty() ? 0 : FxPopupChoose(list.c_str(), 13, 24, current);
    if (picked >= 1 && picked <= static_cast<int>(s.types.size()) && picked != current) {
        s.chosenType = s.types[static_cast<size_t>(picked - 1)].value;
        FxFieldSet(&s.form, kType, s.types[static_cast<size_t>(picked - 1)].name.c_str());
    }
    if (s.chosenType == TEXT_EXPORT_DELIMITED) {
        FxEnableField(&s.form, kQualifier, 1);
        FxEnableField(&s.form, kSeparator, 1);
        FxFieldSet(&s.form, kQualifier, OneCharacter(s.state->Qualifier).c_str());
        FxFieldSet(&s.form, kSeparator, OneCharacter(s.state->Separator).c_str());
        FxFormRedraw(context, &s.form);
        return FX_GO_ON;
    }
    Switch(&s.form, {kQualifier, kSeparator}, false);
    FxFocusField(&s.form, kOutput);
    FxFormRedraw(context, &s.form);
    return FX_STAY_FOCUSED;
}

int OnQualifier(void* context)
{
    DestinationScreen& s = Screen(context);
    if (s.fx.key == FX_KEY_UP) {
        FxFocusField(&s.form, kOutput);
        return FX_STAY_FOCUSED;
    }
    return FX_GO_ON;
}

bool ExtensionFits(const std::string& path, int kind)
{
    const std::vector<std::string> wanted = RequiredExtensions(kind);
    if (wanted.empty())
        return true;
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const std::string extension =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : Upper(path.substr(dot));
    return std::find(wanted.begin(), wanted.end(), extension) != wanted.end();
}

int Refuse(DestinationScreen& s, int message, int field)
{
    ShowMessage(message, MESSAGE_DEFAULT_CONTEXT);
    FxFocusField(&s.form, field);
    return FX_STAY_FOCUSED;
}

int OnProcess(void* context)
{
    DestinationScreen& s = Screen(context);
    TextReportState& state = *s.state;
    const int destination = FxChoiceGet(&s.form, kDestination);
    const bool exports = destination == TEXT_REPORT_TO_FILE && FxChoiceGet(&s.form, kOutput) == 2;
    const int kind = exports ? std::max(s.chosenType, 0) : TEXT_EXPORT_REPORT;
    std::string path;
    if (destination == TEXT_REPORT_TO_FILE) {
        if (bwps::desk::CompleteReportFileName(FxFieldGet(&s.form, kFile), kind, path) != 0)
            return Refuse(s, DESK_MSG_FILE_NAME, kFile);
        // The name is checked before anything is opened, so that a refused
        // name never touches a file of that name.
        if (!ExtensionFits(path, kind))
            return Refuse(s, kind == TEXT_EXPORT_HTML ? DESK_MSG_HTML_EXTENSION : DESK_MSG_SHEET_EXTENSION, kFile);
        if (path.size() >= sizeof state.FileName)
            return Refuse(s, DESK_MSG_FILE_NAME, kFile);
    } else {
        path = ProgramFolder();
    }
    state.Destination = static_cast<uint8_t>(destination);
    state.Port = static_cast<uint8_t>(std::clamp(FxChoiceGet(&s.form, kPort), 1, 6));
    state.LinesPerPage = std::atoi(FxFieldGet(&s.form, kLines));
    if (destination == TEXT_REPORT_TO_FILE) {
        const char* qualifier = FxFieldGet(&s.form, kQualifier);
        if (qualifier[0] != '\0')
            state.Qualifier = static_cast<uint8_t>(qualifier[0]);
        const char* separator = FxFieldGet(&s.form, kSeparator);
        if (separator[0] != '\0')
            state.Separator = static_cast<uint8_t>(separator[0]);
    }
    std::snprintf(state.FileName, sizeof state.FileName, "%s", path.c_str());
    state.ExportKind = static_cast<uint8_t>(kind);
    if (!OpenOutput(state)) {
        state.Destination = 0;
        return FX_STAY;
    }
    GetSessionPaths()->ReportDestination = state.Destination;
    s.opened = true;
    return FX_LEAVE;
}

// ---- the viewer

struct ViewerHandlers {
    std::vector<FxHandler> handlers;  // number n is handlers[n - 1]
};

ViewerHandlers& Handlers()
{
    static ViewerHandlers kept;
    return kept;
}

struct Viewer {
    TextReportState* state = nullptr;
    int width = 80;
    int line = -1;                  // the line in the record buffer
    std::vector<char> text;         // its shown text
    bool leave = false;
};

Viewer& ViewerOf(TagLookUp* lookup)
{
    return *static_cast<Viewer*>(lookup->Source);
}

// Reads line n of the report through its index: 0, or 9 past either end
// (and after a read that failed, with its message shown).
int ReadLine(Viewer& v, int n)
{
    TextReportState& state = *v.state;
    if (n < 0 || n >= state.ScreenLines)
        return B_END_OF_FILE;
    unsigned char index[TEXT_REPORT_INDEX_RECORD] = {};
    int count = 0;
    if (FxFileSeek(state.IndexHandle, n * TEXT_REPORT_INDEX_RECORD, 0) < 0 ||
        FxFileRead(state.IndexHandle, index, sizeof index, &count) != 0 || count != static_cast<int>(sizeof index)) {
        ShowMessage(TEXT_MSG_READ_INDEX, MESSAGE_DEFAULT_CONTEXT);
        return B_END_OF_FILE;
    }
    const int length = index[0] | index[1] << 8;
    const uint32_t offset = static_cast<uint32_t>(index[2]) | static_cast<uint32_t>(index[3]) << 8 |
                            static_cast<uint32_t>(index[4]) << 16 | static_cast<uint32_t>(index[5]) << 24;
    std::vector<char> bytes(static_cast<size_t>(length));
    count = 0;
    if (FxFileSeek(state.FileHandle, static_cast<int32_t>(offset), 0) < 0 ||
        (length > 0 && (FxFileRead(state.FileHandle, bytes.data(), length, &count) != 0 || count != length))) {
        ShowMessage(TEXT_MSG_READ_LINE, MESSAGE_DEFAULT_CONTEXT);
        return B_END_OF_FILE;
    }
    std::string shown;
    if (length > 0 && bytes[0] != '\f' && bytes[0] != '\r') {
        shown.assign(bytes.data(), bytes.size());
        while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
            shown.pop_back();
        if (static_cast<int>(shown.size()) > v.width)
            shown.resize(static_cast<size_t>(v.width));
    }
    std::fill(v.text.begin(), v.text.end(), '\0');
    std::memcpy(v.text.data(), shown.data(), std::min(shown.size(), v.text.size() - 1));
    v.line = n;
    state.ViewerLine = n;
    return 0;
}

int ReadMove(TagLookUp* lookup)
{
    Viewer& v = ViewerOf(lookup);
    switch (lookup->Data->Move) {
    case LK_MOVE_FIRST: return ReadLine(v, 0);
    case LK_MOVE_LAST: return ReadLine(v, v.state->ScreenLines - 1);
    case LK_MOVE_NEXT: return ReadLine(v, v.line + 1);
    case LK_MOVE_PREVIOUS: return ReadLine(v, v.line - 1);
    default: return 1;
    }
}

// The two marks hold line numbers.
int ReadMark(TagLookUp* lookup)
{
    Viewer& v = ViewerOf(lookup);
    TagLookUpData* d = lookup->Data;
    switch (d->Move) {
    case LK_KEEP_A: d->SlotA = static_cast<uint32_t>(v.line); return 0;
    case LK_KEEP_B: d->SlotB = static_cast<uint32_t>(v.line); return 0;
    case LK_BACK_A: return ReadLine(v, static_cast<int>(d->SlotA));
    case LK_BACK_B: return ReadLine(v, static_cast<int>(d->SlotB));
    default: return 1;
    }
}

class LineColumn : public CDbLookupColumn {
public:
    LineColumn(TagLookUpField* field, Viewer* viewer) : CDbLookupColumn(field, nullptr), viewer_(viewer) {}
    void FormatField(const void*, int, char* out, int size) override
    {
        std::snprintf(out, static_cast<size_t>(size), "%s", viewer_->text.data());
    }

private:
    Viewer* viewer_;
};

class LineList : public CEnhListCtrl {
public:
    explicit LineList(Viewer* viewer) : viewer_(viewer) {}
    CDbLookupColumn* CreateColumn(TagLookUpField* field, tagTEXTMETRICA*) override
    {
        return new LineColumn(field, viewer_);
    }
    using CEnhListCtrl::CreateColumn;

private:
    Viewer* viewer_;
};

bool RunPrintScreen(TextReportState& state);

int PrintKey(void* argument)
{
    auto* lookup = static_cast<TagLookUp*>(argument);
    Viewer& v = ViewerOf(lookup);
    if (RunPrintScreen(*v.state)) {
        v.leave = true;
        return LK_ANSWER_LEAVE;
    }
    return FX_STAY;
}

template <int K>
int ExtraKey(void* argument)
{
    auto* lookup = static_cast<TagLookUp*>(argument);
    Viewer& v = ViewerOf(lookup);
    const uint32_t number = v.state->ViewerKeys[K * 2 + 1];
    const auto& handlers = Handlers().handlers;
    if (number == 0 || number > handlers.size())
        return FX_STAY;
    const int answer = handlers[number - 1](v.state);
    if (answer == FX_LEAVE) {
        v.leave = true;
        return LK_ANSWER_LEAVE;
    }
    return LK_ANSWER_REFRESH;
}

int StayKey(void*)
{
    return FX_STAY;
}

constexpr FxHandler kExtraKeys[6] = {ExtraKey<0>, ExtraKey<1>, ExtraKey<2>, ExtraKey<3>, ExtraKey<4>, ExtraKey<5>};

// ---- the print screen

struct PrintScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    TextReportState* state = nullptr;
    PrinterChoice printers;
    bool started = false;
};

PrintScreen& Print(void* context)
{
    return *static_cast<PrintScreen*>(context);
}

int OnPrintPrinter(void* context)
{
    PrintScreen& p = Print(context);
    TakePrinter(*p.state, p.printers, FxChoiceGet(&p.form, 1));
    FxChoiceSet(&p.form, 2, p.state->Printer.port >= 1 && p.state->Printer.port <= 6 ? p.state->Printer.port : 1);
    FxFormRedraw(context, &p.form);
    return FX_GO_ON;
}

int OnPrintProcess(void* context)
{
    PrintScreen& p = Print(context);
    TextReportState& state = *p.state;
    // The viewer keeps the report's own handles: the printer is opened on a
    // copy and only its port slots are taken over.
    TextReportState printer = state;
    printer.Port = static_cast<uint8_t>(std::clamp(FxChoiceGet(&p.form, 2), 1, 6));
    printer.Destination = TEXT_REPORT_TO_PRINTER;
    printer.ParallelHandle = printer.ParallelPort = printer.SerialPort = -1;
    if (!OpenOutput(printer))
        return FX_STAY;
    state.Port = printer.Port;
    state.ParallelHandle = printer.ParallelHandle;
    state.ParallelPort = printer.ParallelPort;
    state.SerialPort = printer.SerialPort;
    state.Destination = TEXT_REPORT_TO_PRINTER;
    state.PrintAfterView = 1;
    p.started = true;
    return FX_LEAVE;
}

bool RunPrintScreen(TextReportState& state)
{
    state.PrintAfterView = 0;
    static constexpr std::array<ScreenField, 3> kFields{{
        bwps::Field(1, 1, 12, "%-46sm").Exit(OnPrintPrinter),
        bwps::Field(2, 2, 12, "%-4sm"),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    PrintScreen p{};
    p.state = &state;
    p.printers = Printers();
    fields[0].choices = p.printers.list.c_str();
    fields[1].choices = kPorts;
    FxAppBegin(&p.fx);
    if (FxFormLoad(&p.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&p.window, 4, 9, 8, 71, 1, 2, ' ', nullptr) == 0) {
        FxWindowSetName(&p.window, "RSDosReportRedirect");
        SetupStandardScreen(&p.form, 0x400, 0);
        FxSetKeyHandler(&p.form, FX_KEY_F10, OnPrintProcess);
        FxWindowAttachForm(&p.window, &p.form, 0);
        FxWindowText(&p.window, 1, 2, -1, "Printer:", 0);
        FxWindowText(&p.window, 2, 2, -1, "Port:", 0);
        FxChoiceSet(&p.form, 1, 1);
        TakePrinter(state, p.printers, 1);
        FxChoiceSet(&p.form, 2, state.Printer.port >= 1 && state.Printer.port <= 6 ? state.Printer.port : 1);
        FxAppRun(&p.fx, 1);
        FxWindowClose(&p.window, 1);
    }
    FxAppEnd(&p.fx);
    return p.started;
}

}  // namespace

}  // namespace bwps::textreport

int bwps::desk::CompleteReportFileName(const std::string& typed, int exportKind, std::string& out)
{
    std::string name = textreport::Trimmed(typed);
    if (name.empty())
        return 1;
    std::replace(name.begin(), name.end(), '\\', '/');
    const size_t slash = name.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    const size_t dot = file.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : file.substr(dot);
    if (dot != std::string::npos)
        file.resize(dot);
    if (file.empty())
        return 2;
    if (folder.empty() || folder[0] != '/')
        folder = textreport::ProgramFolder() + folder;
    if (extension.empty() || extension == ".") {
        // Every spreadsheet kind is written as a workbook (.xlsx).
        static const char* const kExtensions[] = {".PRN", ".PRN", ".HTM", ".XLSX", ".XLSX", ".XLSX", ".XLSX"};
        extension = exportKind >= 0 && exportKind <= 6 ? kExtensions[exportKind] : ".PRN";
    }
    out = folder + file + extension;
    return 0;
}

namespace bwps::textreport {

std::vector<std::string> RequiredExtensions(int exportKind)
{
    switch (exportKind) {
    case TEXT_EXPORT_HTML: return {".HTM", ".HTML"};
    case TEXT_EXPORT_XLS:
    case TEXT_EXPORT_XLS2:
    case TEXT_EXPORT_WK3:
    case TEXT_EXPORT_WKW: return {".XLSX"};
    default: return {};
    }
}

bool RunDestinationScreen(TextReportState& state)
{
    static constexpr std::array<ScreenField, 10> kFields{{
        bwps::Field(1, 1, 22, "%-7sm").Exit(OnDestination),
        bwps::Field(2, 2, 22, "%-40sm").Exit(OnPrinter),
        bwps::Field(3, 3, 22, "%-4sm"),
        bwps::Field(4, 4, 22, "%3u"),
        bwps::Field(5, 5, 22, "%-40s"),
        bwps::Field(6, 6, 22, "%-6sm").Exit(OnOutput),
        bwps::Field(7, 7, 22, "%-30s").Exit(OnType),
        bwps::Field(8, 8, 22, "%-1s").Exit(OnQualifier),
        bwps::Field(9, 9, 22, "%-1s"),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    DestinationScreen s{};
    s.state = &state;
    s.types = ExportTypes();
    s.printers = Printers();
    fields[0].choices = kDestinations;
    fields[1].choices = s.printers.list.c_str();
    fields[2].choices = kPorts;
    fields[5].choices = kOutputs;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&s.window, 4, 8, 16, 73, 1, 5, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSDosReportDispScreen");
        SetupStandardScreen(&s.form, 0x400, 0);
        FxSetKeyHandler(&s.form, FX_KEY_F10, OnProcess);
        FxWindowAttachForm(&s.window, &s.form, 0);
        const char* labels[] = {"Destination:", "Printer:", "Port:", "Lines per page:", "File name:",
                                "Output:", "Export type:", "Text qualifier:", "Field separator:"};
        for (int i = 0; i < 9; ++i)
            FxWindowText(&s.window, i + 1, 2, -1, labels[i], 0);
        const int destination = state.Destination >= 1 && state.Destination <= 3 ? state.Destination : 1;
        FxChoiceSet(&s.form, kDestination, destination);
        FxChoiceSet(&s.form, kOutput, 1);
        Switch(&s.form, {kType}, false);
        ShowDestination(s);
        FxAppRun(&s.fx, 1);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    return s.opened;
}

void RunViewer(TextReportState& state)
{
    Viewer v;
    v.state = &state;
    v.width = std::clamp<int>(state.Width, 1, TEXT_REPORT_LINE_CHARS);
    v.text.assign(static_cast<size_t>(v.width) + 1, '\0');
    const uint8_t* w = state.ViewerWindow;
    const bool placed = w[0] != 0 || w[1] != 0 || w[2] != 0 || w[3] != 0;

    TagLookUpField columns[2] = {};
    std::snprintf(columns[0].Picture, sizeof columns[0].Picture, "%%-%ds", v.width);
    columns[0].Type = 2;
    columns[0].Align = 1;
    TagLookUpData data{};
    data.RecordLength = static_cast<uint16_t>(v.text.size());
    data.Record = v.text.data();
    uint8_t work[32] = {};
    TagLookUp lookup{};
    lookup.Row = placed ? w[0] : 1;
    lookup.Column = placed ? w[1] : 1;
    lookup.Height = placed ? w[2] : 21;
    lookup.Width = placed ? w[3] : 76;
    lookup.Title = state.NoTitle != 0 ? "" : " Report Viewing ";
    SetColorSet(lookup.Colours, 3);
    lookup.Source = &v;
    lookup.Read = ReadMove;
    lookup.ReadAtPosition = ReadMark;
    lookup.Data = &data;
    lookup.Columns = columns;
    lookup.WorkArea = work;
    lookup.StartMode = LK_START_FIRST;

    FxForm keys{};
    SetupStandardScreen(&keys, 0x10, state.KeysGiven != 0 ? static_cast<int>(state.KeyTable) : 0);
    FxSetKeyHandler(&keys, FX_KEY_ESC, nullptr);
    FxSetKeyHandler(&keys, FX_KEY_F1 + 6 * 0x100, PrintKey);
    if (state.KeysGiven != 0)
        for (int k = 0; k < 6; ++k)
            if (state.ViewerKeys[k * 2] != 0 && state.ViewerKeys[k * 2 + 1] != 0)
                FxSetKeyHandler(&keys, static_cast<int>(state.ViewerKeys[k * 2]), kExtraKeys[k]);

    // Enter and F10 pick nothing in a report.
    FxSetKeyHandler(&keys, FX_KEY_ENTER, StayKey);
    FxSetKeyHandler(&keys, FX_KEY_F10, StayKey);
    lookup.Form = &keys;

    state.ViewerLine = 0;
    LineList control(&v);
    CEnhLookDlg dialog(&lookup, LK_DIALOG_ID, &control);
    DuVaVeduUpProcessImpl(&dialog);
}

}  // namespace bwps::textreport

extern "C" BWPS_EXPORT uint32_t TextReportViewerHandler(FxHandler handler)
{
    auto& handlers = bwps::textreport::Handlers().handlers;
    if (handler == nullptr)
        return 0;
    const auto it = std::find(handlers.begin(), handlers.end(), handler);
    if (it != handlers.end())
        return static_cast<uint32_t>(it - handlers.begin()) + 1;
    if (handlers.size() >= 64)
        return 0;
    handlers.push_back(handler);
    return static_cast<uint32_t>(handlers.size());
}

// Forgets the viewer's key handlers (tests).
extern "C" BWPS_EXPORT void ResetReportScreens(void)
{
    bwps::textreport::Handlers().handlers.clear();
}
