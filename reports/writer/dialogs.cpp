// The "Report Layout" dialog (where a report goes: preview, printer, file
// or export, with the printer, the file and its kind, the copies), its
// answer block, and "Edit Default Printer" over the engine's printer table.
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/messages.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "fx.h"
#include "report_engine.h"
#include "reports/writer/writer_internal.h"

namespace bwps::writer {

int EngineSetupRead(const char* layout, void* setup);
int EngineSetupUpdate(const void* setup);
void* EngineLibrary();

namespace {

#pragma pack(push, 1)
struct LayoutAnswer {
    uint8_t destination;        /* 0 */
    uint8_t dialogFlag;         /* 1 */
    uint8_t outputMode;         /* 2 */
    char outputFile[260];       /* 3 */
    uint8_t quoteChar;          /* 263 */
    uint8_t separatorChar;      /* 264 */
    uint8_t setup[REPORT_SETUP_SIZE]; /* 265 */
    uint8_t exportKind;         /* 1818 */
    char exportFile[260];       /* 1819 */
    uint32_t openWhenDone;      /* 2079 */
};
#pragma pack(pop)
static_assert(sizeof(LayoutAnswer) == REPORT_LAYOUT_ANSWER_SIZE, "layout answer");
static_assert(offsetof(LayoutAnswer, setup) == 265 && offsetof(LayoutAnswer, exportKind) == 1818 &&
              offsetof(LayoutAnswer, openWhenDone) == 2079, "layout answer");

using PrinterAtFn = int (*)(const char*, int, EngPrinter*);
using PutPrinterFn = int (*)(const char*, const EngPrinter*);
using DeletePrinterFn = int (*)(const char*, const char*);
using SetDefaultFn = int (*)(const char*, const char*);

std::vector<EngPrinter> Printers()
{
    std::vector<EngPrinter> list;
    void* library = EngineLibrary();
    auto at = library != nullptr ? reinterpret_cast<PrinterAtFn>(dlsym(library, "BrmRepPrinterAt")) : nullptr;
    if (at == nullptr)
        return list;
    EngPrinter p{};
    for (int n = 0; at(BaseFolder().c_str(), n, &p) == 0 && n < 64; ++n)
        list.push_back(p);
    return list;
}

std::string ChoiceList(const std::vector<std::string>& names)
{
    std::string list = "\001";
    for (size_t i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : ",") + names[i];
    return names.empty() ? list + "(none)" : list;
}

// ---- Report Layout

enum LayoutField { kDestination = 1, kPrinter, kFile, kMode, kExport, kExportFile, kCopies };
constexpr const char* kDestinations = "\001Preview,Printer,File,Export";
constexpr const char* kModes = "\001Text,Separated,HTML,Workbook";
constexpr const char* kExports = "\001Workbook,HTML,File by type";
constexpr uint8_t kExportKinds[3] = {REPORT_EXPORT_OFFICE, REPORT_EXPORT_HTML, REPORT_EXPORT_FILE};

struct LayoutScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    TagRepInfo* report = nullptr;
    std::vector<EngPrinter> printers;
    std::string printerList;
    LayoutAnswer answer{};
    int result = 0;
};

LayoutScreen& Layout(void* context)
{
    return *static_cast<LayoutScreen*>(context);
}

void ShowFields(LayoutScreen& s)
{
    const int destination = FxChoiceGet(&s.form, kDestination);
    FxEnableField(&s.form, kPrinter, destination <= 2 ? 1 : 0);
    FxEnableField(&s.form, kFile, destination == 3 ? 1 : 0);
    FxEnableField(&s.form, kMode, destination == 3 ? 1 : 0);
    FxEnableField(&s.form, kExport, destination == 4 ? 1 : 0);
    FxEnableField(&s.form, kExportFile, destination == 4 ? 1 : 0);
    FxEnableField(&s.form, kCopies, destination == 2 || destination == 3 ? 1 : 0);
}

int OnDestination(void* context)
{
    LayoutScreen& s = Layout(context);
    ShowFields(s);
    FxFormRedraw(context, &s.form);
    return FX_GO_ON;
}

int OnLayoutProcess(void* context)
{
    LayoutScreen& s = Layout(context);
    TagRepInfo& r = *s.report;
    LayoutAnswer& a = s.answer;
    std::memset(&a, 0, sizeof a);
    a.destination = static_cast<uint8_t>(std::clamp(FxChoiceGet(&s.form, kDestination), 1, 4));
    a.dialogFlag = r.dialogFlag;
    a.outputMode = static_cast<uint8_t>(std::clamp(FxChoiceGet(&s.form, kMode), 1, 4) - 1);
    if (a.outputMode == 3)
        a.outputMode = REPORT_MODE_SHEET;
    SetText(a.outputFile, Trimmed(FxFieldGet(&s.form, kFile)));
    a.quoteChar = '"';
    a.separatorChar = ',';
    std::memcpy(a.setup, r.engineSetup, sizeof a.setup);
    auto& setup = *reinterpret_cast<EngSetup*>(a.setup);
    const int printer = FxChoiceGet(&s.form, kPrinter);
    if (a.destination <= 2) {
        if (printer < 1 || printer > static_cast<int>(s.printers.size())) {
            ShowMessage(1678, MESSAGE_DEFAULT_CONTEXT);
            FxFocusField(&s.form, kPrinter);
            return FX_STAY_FOCUSED;
        }
        SetText(setup.printer, s.printers[static_cast<size_t>(printer - 1)].name);
    }
    a.exportKind = kExportKinds[std::clamp(FxChoiceGet(&s.form, kExport), 1, 3) - 1];
    SetText(a.exportFile, Trimmed(FxFieldGet(&s.form, kExportFile)));
    r.copies = static_cast<uint32_t>(std::clamp(std::atoi(FxFieldGet(&s.form, kCopies)), 1, 99));
    ReportApplyDialogResult(&r, &a);
    const int applied = ReportApplyLayout(&r);
    if (applied == 1) {
        s.result = 1;
        return FX_LEAVE;
    }
    FxFocusField(&s.form, a.destination == 3 ? kFile : a.destination == 4 ? kExportFile : kDestination);
    return FX_STAY_FOCUSED;
}

// ---- Edit Default Printer

enum PrinterField { kName = 1, kFolder, kQueue, kDefault };

struct PrinterScreen {
    FxContext fx;
    FxForm form;
    FxWindow window;
    std::string base;
    std::vector<EngPrinter> printers;
    size_t shown = 0;
};

PrinterScreen& PrinterOf(void* context)
{
    return *static_cast<PrinterScreen*>(context);
}

void ShowPrinter(PrinterScreen& s)
{
    if (s.printers.empty()) {
        for (int f = kName; f <= kQueue; ++f)
            FxFieldSet(&s.form, f, "");
        FxChoiceSet(&s.form, kDefault, 1);
        return;
    }
    s.shown = std::min(s.shown, s.printers.size() - 1);
    const EngPrinter& p = s.printers[s.shown];
    FxFieldSet(&s.form, kName, p.name);
    FxFieldSet(&s.form, kFolder, p.folder);
    FxFieldSet(&s.form, kQueue, p.queue);
    FxChoiceSet(&s.form, kDefault, p.isDefault ? 1 : 2);
}

void Reload(PrinterScreen& s)
{
    s.printers = Printers();
}

int Step(void* context, int by)
{
    PrinterScreen& s = PrinterOf(context);
    if (!s.printers.empty())
        s.shown = (s.shown + s.printers.size() + static_cast<size_t>(by + static_cast<int>(s.printers.size()))) %
                  s.printers.size();
    ShowPrinter(s);
    FxFormRedraw(context, &s.form);
    return FX_STAY;
}

int OnNext(void* context) { return Step(context, 1); }
int OnPrevious(void* context) { return Step(context, -1); }

int OnSavePrinter(void* context)
{
    PrinterScreen& s = PrinterOf(context);
    EngPrinter p{};
    const std::string name = Trimmed(FxFieldGet(&s.form, kName));
    if (name.empty()) {
        FxWindowPrompt(&s.window, "A printer needs a name.");
        FxFocusField(&s.form, kName);
        return FX_STAY_FOCUSED;
    }
    SetText(p.name, name);
    SetText(p.folder, Trimmed(FxFieldGet(&s.form, kFolder)));
    SetText(p.queue, Trimmed(FxFieldGet(&s.form, kQueue)));
    if (p.folder[0] == '\0' && p.queue[0] == '\0') {
        FxWindowPrompt(&s.window, "Give the printer a folder for its PDF files or a spool queue.");
        FxFocusField(&s.form, kFolder);
        return FX_STAY_FOCUSED;
    }
    p.isDefault = FxChoiceGet(&s.form, kDefault) == 1 ? 1 : 0;
    auto put = reinterpret_cast<PutPrinterFn>(dlsym(EngineLibrary(), "BrmRepPutPrinter"));
    if (put == nullptr || put(s.base.c_str(), &p) != 0) {
        FxWindowPrompt(&s.window, "The printer table could not be written.");
        return FX_STAY;
    }
    Reload(s);
    for (size_t i = 0; i < s.printers.size(); ++i)
        if (name == s.printers[i].name)
            s.shown = i;
    ShowPrinter(s);
    FxFormRedraw(context, &s.form);
    FxTranscriptNote(("printer saved " + name + (p.isDefault ? " (default)" : "")).c_str());
    return FX_STAY;
}

int OnDeletePrinter(void* context)
{
    PrinterScreen& s = PrinterOf(context);
    const std::string name = Trimmed(FxFieldGet(&s.form, kName));
    auto remove = reinterpret_cast<DeletePrinterFn>(dlsym(EngineLibrary(), "BrmRepDeletePrinter"));
    if (remove != nullptr && !name.empty())
        remove(s.base.c_str(), name.c_str());
    Reload(s);
    ShowPrinter(s);
    FxFormRedraw(context, &s.form);
    return FX_STAY;
}

int OnNewPrinter(void* context)
{
    PrinterScreen& s = PrinterOf(context);
    for (int f = kName; f <= kQueue; ++f)
        FxFieldSet(&s.form, f, "");
    FxChoiceSet(&s.form, kDefault, 2);
    FxFocusField(&s.form, kName);
    FxFormRedraw(context, &s.form);
    return FX_STAY_FOCUSED;
}

}  // namespace
}  // namespace bwps::writer

using namespace bwps::writer;

extern "C" {

BWPS_EXPORT void ReportApplyDialogResult(TagRepInfo* report, const void* answer)
{
    if (report == nullptr || answer == nullptr)
        return;
    LayoutAnswer a;
    std::memcpy(&a, answer, sizeof a);
    TagRepInfo& r = *report;
    r.destination = a.destination;
    r.dialogFlag = a.dialogFlag;
    r.outputMode = a.outputMode;
    SetText(r.outputFile, Terminated(a.outputFile, sizeof a.outputFile));
    r.quoteChar = a.quoteChar;
    r.separatorChar = a.separatorChar;
    std::memcpy(r.engineSetup, a.setup, sizeof r.engineSetup);
    r.exportKind = a.exportKind;
    SetText(r.exportFile, Terminated(a.exportFile, sizeof a.exportFile));
    r.openWhenDone = a.openWhenDone;
    r.engineSetup[1452] = 'Y';
}

BWPS_EXPORT int ReportRunLayoutDialog(TagRepInfo* report)
{
    if (report == nullptr)
        return 0;
    TagRepInfo& r = *report;
    EnsureSetup(r);
    static constexpr std::array<ScreenField, 8> kFields{{
        bwps::Field(1, 1, 18, "%-8sm").Exit(OnDestination),
        bwps::Field(2, 2, 18, "%-30sm"),
        bwps::Field(3, 3, 18, "%-56s"),
        bwps::Field(4, 4, 18, "%-10sm"),
        bwps::Field(5, 5, 18, "%-13sm"),
        bwps::Field(6, 6, 18, "%-56s"),
        bwps::Field(7, 7, 18, "%2u"),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    LayoutScreen s{};
    s.report = &r;
    s.printers = Printers();
    std::vector<std::string> names;
    int current = 1;
    const auto& setup = *reinterpret_cast<const EngSetup*>(r.engineSetup);
    for (size_t i = 0; i < s.printers.size(); ++i) {
        names.push_back(s.printers[i].name);
        if (std::strncmp(setup.printer, s.printers[i].name, sizeof s.printers[i].name) == 0)
            current = static_cast<int>(i) + 1;
    }
    s.printerList = ChoiceList(names);
    fields[0].choices = kDestinations;
    fields[1].choices = s.printerList.c_str();
    fields[3].choices = kModes;
    fields[4].choices = kExports;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&s.window, 5, 3, 15, 76, 1, 5, ' ', " Report Layout ") == 0) {
        FxWindowSetName(&s.window, "RSReportLayout");
        SetupStandardScreen(&s.form, 0x400, 0);
        FxSetKeyHandler(&s.form, FX_KEY_F10, OnLayoutProcess);
        FxSetKeyCaption(&s.form, FX_KEY_F10, "Print");
        FxWindowAttachForm(&s.window, &s.form, 0);
        const char* labels[] = {"Destination:", "Printer:", "File name:", "File kind:", "Export kind:",
                                "Export file:", "Copies:"};
        for (int i = 0; i < 7; ++i)
            FxWindowText(&s.window, i + 1, 2, -1, labels[i], 0);
        FxWindowText(&s.window, 8, 2, -1, std::string("Report: ").append(r.title).substr(0, 68).c_str(), 0);
        FxChoiceSet(&s.form, kDestination, std::clamp<int>(r.destination, 1, 4));
        FxChoiceSet(&s.form, kPrinter, current);
        const std::string offered = Terminated(r.outputFile, sizeof r.outputFile);
        FxFieldSet(&s.form, kFile, !offered.empty() && offered.back() != '/' ? offered.c_str() : "REPORT.PRN");
        FxChoiceSet(&s.form, kMode, 1);
        FxChoiceSet(&s.form, kExport, (r.dialogOptions & 1) ? 1 : 3);
        FxFieldSet(&s.form, kExportFile, r.exportFile[0] != '\0' ? r.exportFile : "REPORT.PDF");
        FxFieldSet(&s.form, kCopies, "1");
        ShowFields(s);
        FxAppRun(&s.fx, 1);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    return s.result;
}

BWPS_EXPORT int EditDefaultPrinter(const char* baseFolder, char* printerName, const char*)
{
    if (EngineLibrary() == nullptr)
        return 0;
    static constexpr std::array<ScreenField, 5> kFields{{
        bwps::Field(1, 1, 20, "%-40s"),
        bwps::Field(2, 2, 20, "%-54s"),
        bwps::Field(3, 3, 20, "%-30s"),
        bwps::Field(4, 4, 20, "%-3sm"),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    fields[3].choices = "\001Yes,No";
    PrinterScreen s{};
    s.base = baseFolder != nullptr && baseFolder[0] != '\0' ? baseFolder : BaseFolder();
    Reload(s);
    for (size_t i = 0; i < s.printers.size(); ++i)
        if (s.printers[i].isDefault)
            s.shown = i;
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&s.window, 6, 2, 14, 77, 1, 5, ' ', " Edit Default Printer ") == 0) {
        FxWindowSetName(&s.window, "RSEditDefaultPrinter");
        SetupStandardScreen(&s.form, 0x400, 0);
        FxSetKeyHandler(&s.form, FX_KEY_F10, OnSavePrinter);
        FxSetKeyCaption(&s.form, FX_KEY_F10, "Save");
        FxSetKeyHandler(&s.form, FX_KEY_PGDN, OnNext);
        FxSetKeyCaption(&s.form, FX_KEY_PGDN, "Next");
        FxSetKeyHandler(&s.form, FX_KEY_PGUP, OnPrevious);
        FxSetKeyCaption(&s.form, FX_KEY_PGUP, "Previous");
        FxSetKeyHandler(&s.form, FX_KEY_F1 + 0x100 * 3, OnNewPrinter);
        FxSetKeyCaption(&s.form, FX_KEY_F1 + 0x100 * 3, "New");
        FxSetKeyHandler(&s.form, FX_KEY_SHIFT_F1 + 0x100 * 5, OnDeletePrinter);
        FxSetKeyCaption(&s.form, FX_KEY_SHIFT_F1 + 0x100 * 5, "Delete");
        FxWindowAttachForm(&s.window, &s.form, 0);
        const char* labels[] = {"Printer name:", "PDF folder:", "Spool queue:", "Default printer:"};
        for (int i = 0; i < 4; ++i)
            FxWindowText(&s.window, i + 1, 2, -1, labels[i], 0);
        FxWindowText(&s.window, 5, 2, -1, "A relative folder is in the program folder.", 0);
        ShowPrinter(s);
        FxAppRun(&s.fx, 1);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    if (printerName != nullptr) {
        char name[64] = {};
        if (BrmReportGetDefaultPrinterName(name))
            std::snprintf(printerName, 64, "%s", name);
    }
    return 0;
}

BWPS_EXPORT int SelectPrinter(char* name)
{
    if (name == nullptr)
        return 0;
    const std::vector<EngPrinter> printers = Printers();
    if (printers.empty())
        return 0;
    std::string list;
    for (size_t i = 0; i < printers.size(); ++i)
        list += (i == 0 ? "" : ",") + std::string(printers[i].name);
    const int picked = FxPopupChoose(list.c_str(), 8, 20, 1);
    if (picked < 1 || picked > static_cast<int>(printers.size()))
        return 0;
    std::snprintf(name, 144, "%.143s", printers[static_cast<size_t>(picked - 1)].name);
    return 1;
}

BWPS_EXPORT int GetPrinterPortName(const char* printer, char* port)
{
    if (port == nullptr)
        return 0;
    port[0] = '\0';
    std::string wanted = printer != nullptr ? Trimmed(printer) : "";
    if (wanted.empty()) {
        char name[64] = {};
        if (!BrmReportGetDefaultPrinterName(name))
            return 0;
        wanted = name;
    }
    for (const EngPrinter& p : Printers()) {
        if (wanted != p.name)
            continue;
        // The port is where the printer's PDF files go: its queue or its folder.
        std::snprintf(port, 64, "%.63s", p.queue[0] != '\0' ? p.queue : p.folder);
        return 1;
    }
    return 0;
}

}  // extern "C"
