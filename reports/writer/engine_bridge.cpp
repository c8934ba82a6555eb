// The bridge to the report engine: the library loaded by name from the
// program folder, the job start in its fixed order, and the commands the
// writer sends while it writes.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/messages.h"
#include "bwps/session.h"
#include "fx.h"
#include "report_engine.h"
#include "reports/writer/writer_internal.h"

namespace bwps::writer {
namespace {

struct Engine {
    void* library = nullptr;
    bool tried = false;
    int (*entry)(int, int, void*) = nullptr;
    int (*defaultPrinter)(const char*, char*, int) = nullptr;
    int (*setupRead)(const char*, const char*, const char*, void*) = nullptr;
    int (*setupUpdate)(const char*, const void*) = nullptr;
    int (*layoutExists)(const char*, const char*, const char*) = nullptr;
    uint32_t (*rgb)(int) = nullptr;
    const char* (*lastOutput)() = nullptr;
    const char* (*lastError)() = nullptr;
    void (*dataFolder)(const char*) = nullptr;
};

Engine& TheEngine()
{
    static Engine engine;
    return engine;
}

std::string OwnFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&TheEngine), &info) == 0 || info.dli_fname == nullptr)
        return "";
    std::string path = info.dli_fname;
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

template <typename F>
void Find(void* library, const char* name, F& out)
{
    out = reinterpret_cast<F>(dlsym(library, name));
}

Engine* Loaded()
{
    Engine& e = TheEngine();
    if (e.library != nullptr)
        return &e;
    // The program folder first, then the folder this library came from.
    for (const std::string& folder : {ProgramFolder(), OwnFolder()}) {
        if (folder.empty())
            continue;
        e.library = dlopen((folder + ENGINE_LIBRARY_NAME).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (e.library != nullptr)
            break;
    }
    if (e.library == nullptr) {
        if (!e.tried)
            ShowMessage(3401, MESSAGE_DEFAULT_CONTEXT);
        e.tried = true;
        return nullptr;
    }
    Find(e.library, "BrmReportEngine", e.entry);
    Find(e.library, "BrmReportGetDefaultPrinter", e.defaultPrinter);
    Find(e.library, "ReportSetupRead", e.setupRead);
    Find(e.library, "ReportSetupUpdate", e.setupUpdate);
    Find(e.library, "ReportCustomLayoutExist", e.layoutExists);
    Find(e.library, "BrmRepGetRGBColor", e.rgb);
    Find(e.library, "BrmRepLastOutput", e.lastOutput);
    Find(e.library, "BrmRepLastError", e.lastError);
    Find(e.library, "BrmRepSetDataFolder", e.dataFolder);
    if (e.entry == nullptr) {
        dlclose(e.library);
        e.library = nullptr;
        return nullptr;
    }
    return &e;
}

template <typename Block>
Block Head(int code)
{
    Block b;
    std::memset(&b, 0, sizeof b);
    b.head.code = static_cast<uint16_t>(code);
    b.head.length = static_cast<uint16_t>(sizeof(Block));
    return b;
}

std::string TrimmedText(const char* text, size_t limit)
{
    std::string t(text, strnlen(text, limit));
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    return t;
}

int Send(TagRepInfo& r, void* block)
{
    return ReportEngineCall(r.engine, ENGINE_COMMAND, block);
}

int CurrentFont(TagRepInfo& r)
{
    EngByte q = Head<EngByte>(ENG_CMD_SELECT_FONT);
    if (ReportEngineCall(r.engine, ENGINE_QUERY, &q) == 0)
        return q.value;
    return r.font.id;
}

}  // namespace

void EnsureSetup(TagRepInfo& r)
{
    auto& setup = *reinterpret_cast<EngSetup*>(r.engineSetup);
    Engine* e = Loaded();
    if (e == nullptr)
        return;
    if (setup.printer[0] == '\0' && e->setupRead != nullptr) {
        const uint8_t loaded = setup.loaded;
        e->setupRead(BaseFolder().c_str(), StationId().c_str(), "", &setup);
        setup.loaded = loaded;
    }
    if (setup.printer[0] == '\0') {
        char printer[64] = {};
        if (BrmReportGetDefaultPrinterName(printer))
            SetText(setup.printer, printer);
    }
}

}  // namespace bwps::writer

using namespace bwps::writer;

extern "C" {

BWPS_EXPORT int ReportEngineCall(int engine, int service, void* request)
{
    Engine* e = Loaded();
    if (e == nullptr)
        return -1;
    return e->entry(engine, service, request);
}

BWPS_EXPORT int BrmReportGetDefaultPrinterName(char* name)
{
    if (name == nullptr)
        return 0;
    name[0] = '\0';
    Engine* e = Loaded();
    if (e == nullptr || e->defaultPrinter == nullptr)
        return 0;
    return e->defaultPrinter(BaseFolder().c_str(), name, 64);
}

BWPS_EXPORT const char* ReportEngineLastOutput(void)
{
    Engine* e = Loaded();
    return e != nullptr && e->lastOutput != nullptr ? e->lastOutput() : "";
}

BWPS_EXPORT const char* ReportEngineLastError(void)
{
    Engine* e = Loaded();
    return e != nullptr && e->lastError != nullptr ? e->lastError() : "";
}

BWPS_EXPORT int ReportEngineStart(TagRepInfo* report)
{
    TagRepInfo& r = *report;
    Engine* e = Loaded();
    r.engine = -1;
    if (e == nullptr)
        return 0;
    if (e->dataFolder != nullptr)
        e->dataFolder(BaseFolder().c_str());
    EnsureSetup(r);
    const auto& setup = *reinterpret_cast<const EngSetup*>(r.engineSetup);
    const bool wide = r.wide != 0;
    // 1. the job
    EngOpen open;
    std::memset(&open, 0, sizeof open);
    open.head.code = ENG_CMD_OPEN;
    open.head.length = 775;
    const auto window = reinterpret_cast<uintptr_t>(FxGetMainWindow());
    if (window == 0)
        return 0;
    open.window = static_cast<uint32_t>(window) != 0 ? static_cast<uint32_t>(window) : 1;
    open.kind = r.destination == REPORT_TO_PREVIEW  ? ENGINE_KIND_PREVIEW
                : r.destination == REPORT_TO_PRINTER ? ENGINE_KIND_PRINTER
                : r.exportKind == REPORT_EXPORT_HTML ? ENGINE_KIND_HTML
                                                     : ENGINE_KIND_FILE;
    SetText(open.printer, TrimmedText(setup.printer, sizeof setup.printer));
    SetText(open.programFolder, ProgramFolder());
    SetText(open.exportFile, std::string(r.exportFile, strnlen(r.exportFile, sizeof r.exportFile)));
    open.paperCode = setup.paperCode;
    std::memcpy(open.paperName, setup.paperName, sizeof open.paperName);
    open.paperWidth = setup.paperWidth * 254;
    open.paperHeight = setup.paperHeight * 254;
    open.orientation = setup.orientation;
    SetText(open.title, std::string(r.title, strnlen(r.title, sizeof r.title)));
    const int engine = ReportEngineCall(0, ENGINE_OPEN_JOB, &open);
    if (engine < 0)
        return 0;
    r.engine = engine;
    // 2. font base
    EngFontBase base = Head<EngFontBase>(ENG_CMD_FONT_BASE);
    base.font = wide ? REPORT_FONT_WIDE : REPORT_FONT_NARROW;
    base.value = static_cast<uint32_t>(setup.fontBase);
    // 3. identity
    EngIdentity identity = Head<EngIdentity>(ENG_CMD_IDENTITY);
    identity.head.length = 74;
    SetText(identity.product, "BRAMLOW REPORT");
    SetText(identity.maker, "BRAMLOW");
    identity.one = 1;
    // 4.
    EngByte five = Head<EngByte>(ENG_CMD_5);
    // 5. page format
    EngPageFormat format = Head<EngPageFormat>(ENG_CMD_PAGE_FORMAT);
    format.mode = r.fixedPageLines == 0 ? 2 : 0;
    format.pitch = wide ? 17 : 10;
    format.fixedPageLines = r.fixedPageLines;
    format.value1 = setup.pageFormat1;
    format.value2 = setup.pageFormat2;
    // 6. margins
    EngMargins margins = Head<EngMargins>(ENG_CMD_MARGINS);
    for (int i = 0; i < 4; ++i)
        margins.margin[i] = static_cast<int16_t>(setup.margin[i] & 0xFFFF);
    // 7.
    EngWord c139 = Head<EngWord>(ENG_CMD_139);
    c139.value = setup.value139;
    bool ok = Send(r, &base) >= 0 && Send(r, &identity) >= 0 && Send(r, &five) >= 0 && Send(r, &format) >= 0 &&
              Send(r, &margins) >= 0 && Send(r, &c139) >= 0;
    // 8. fonts
    for (int f = 0; ok && f < ENGINE_FONT_COUNT; ++f) {
        EngFont font = Head<EngFont>(ENG_CMD_FONT);
        font.font = static_cast<uint8_t>(f);
        SetText(font.face, TrimmedText(setup.fonts[f].face, sizeof setup.fonts[f].face));
        font.value = setup.fonts[f].value;
        font.style = static_cast<uint8_t>(setup.fonts[f].style & 0xFF);
        font.colour = setup.fonts[f].colour;
        font.fifteen = 15;
        ok = Send(r, &font) >= 0;
    }
    // 9.
    EngHead c128{ENG_CMD_128, 4};
    ok = ok && Send(r, &c128) >= 0;
    if (!ok) {
        ReportEngineEnd(r.engine);
        r.engine = -1;
        return 0;
    }
    // 10. the page length
    r.linesPerPage = ReportEngineGetPageLines(&r);
    return 1;
}

BWPS_EXPORT int ReportEngineGetPageLines(TagRepInfo* report)
{
    std::vector<unsigned char> block(ENGINE_METRICS_SIZE, 0);
    EngHead head{ENG_QUERY_METRICS, static_cast<uint16_t>(ENGINE_METRICS_SIZE & 0xFFFF)};
    std::memcpy(block.data(), &head, sizeof head);
    if (ReportEngineCall(report->engine, ENGINE_QUERY, block.data()) != 0)
        return -1;
    uint16_t lines = 0;
    std::memcpy(&lines, block.data() + ENGINE_METRICS_PAGE_LINES, sizeof lines);
    return lines;
}

BWPS_EXPORT int ReportEngineEnd(int engine)
{
    return ReportEngineCall(engine, ENGINE_END_JOB, nullptr) == 0 ? 0 : -1;
}

BWPS_EXPORT int ReportEngineWriteString(TagRepInfo* report, int column, int line, int align, const char* text,
                                        int width, const void* cellFormat)
{
    if (report == nullptr || report->engine < 0 || text == nullptr)
        return -1;
    EngString b = Head<EngString>(ENG_CMD_STRING);
    std::string t = text;
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    if (t.size() > ENGINE_TEXT_MAX)
        t.resize(ENGINE_TEXT_MAX);
    b.column = static_cast<uint16_t>(std::max(0, column));
    b.line = static_cast<uint16_t>(std::max(0, line));
    b.align = static_cast<int8_t>(align >= 0 ? -2 : align);
    b.font = static_cast<uint8_t>(CurrentFont(*report));
    b.textLength = static_cast<uint16_t>(t.size());
    b.width = static_cast<uint16_t>(std::max(0, width));
    if (cellFormat != nullptr)
        std::memcpy(b.cellFormat, cellFormat, sizeof b.cellFormat);
    std::memcpy(b.text, t.data(), t.size());
    b.head.length = static_cast<uint16_t>(offsetof(EngString, text) + t.size());
    return Send(*report, &b);
}

BWPS_EXPORT int ReportWriteEngineText(int engine, int column, int line, const char* text, int length, int width)
{
    if (text == nullptr)
        return -1;
    EngString b = Head<EngString>(ENG_CMD_STRING);
    const int n = std::clamp(length, 0, static_cast<int>(ENGINE_TEXT_MAX));
    b.column = static_cast<uint16_t>(std::max(0, column));
    b.line = static_cast<uint16_t>(std::max(0, line));
    b.align = -2;
    b.textLength = static_cast<uint16_t>(n);
    b.width = static_cast<uint16_t>(std::max(0, width));
    std::memcpy(b.text, text, static_cast<size_t>(n));
    b.head.length = static_cast<uint16_t>(offsetof(EngString, text) + static_cast<size_t>(n));
    return ReportEngineCall(engine, ENGINE_COMMAND, &b);
}

BWPS_EXPORT int ReportEngineOutText(TagRepInfo* report, int startColumn, int endColumn, int line, int fill)
{
    if (report == nullptr || report->engine < 0)
        return -1;
    EngOutText b = Head<EngOutText>(ENG_CMD_OUT_TEXT);
    b.startColumn = static_cast<uint16_t>(std::max(0, startColumn));
    b.line = b.line2 = static_cast<uint16_t>(std::max(0, line));
    b.endColumn = static_cast<uint16_t>(std::max(0, endColumn));
    b.fill = static_cast<uint8_t>(fill);
    b.three = 3;
    std::vector<unsigned char> metrics(ENGINE_METRICS_SIZE, 0);
    EngHead head{ENG_QUERY_METRICS, static_cast<uint16_t>(ENGINE_METRICS_SIZE & 0xFFFF)};
    std::memcpy(metrics.data(), &head, sizeof head);
    const int font = std::clamp(static_cast<int>(report->font.id), 0, ENGINE_FONT_COUNT - 1);
    if (ReportEngineCall(report->engine, ENGINE_QUERY, metrics.data()) == 0)
        std::memcpy(&b.fillCode, metrics.data() + ENGINE_METRICS_FONTS + 22 * font, sizeof b.fillCode);
    return Send(*report, &b);
}

BWPS_EXPORT int ReportDrawBox(int engine, int x1, int y1, int x2, int y2, int style, int value)
{
    EngBox b = Head<EngBox>(ENG_CMD_BOX);
    b.x1 = static_cast<uint16_t>(x1);
    b.y1 = static_cast<uint16_t>(y1);
    b.x2 = static_cast<uint16_t>(x2);
    b.y2 = static_cast<uint16_t>(y2);
    b.one = 1;
    b.style = static_cast<uint16_t>(style);
    b.value = static_cast<uint32_t>(value);
    return ReportEngineCall(engine, ENGINE_COMMAND, &b);
}

BWPS_EXPORT int ReportEnginePicture(TagRepInfo* report, const char* file, int column, int line, int height,
                                    int widthCode)
{
    if (report == nullptr || report->engine < 0 || file == nullptr)
        return -1;
    EngPicture b = Head<EngPicture>(ENG_CMD_PICTURE);
    std::string name = file;
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    SetText(b.file, name);
    b.column = static_cast<uint16_t>(std::max(0, column));
    b.line = static_cast<uint16_t>(std::max(0, line));
    b.twentySix = 26;
    b.height = static_cast<uint16_t>(std::max(0, height));
    b.widthCode = static_cast<uint16_t>(widthCode);
    b.one = 1;
    return Send(*report, &b);
}

BWPS_EXPORT int ReportEngineSetFormFile(TagRepInfo* report, const char* file)
{
    if (report == nullptr || report->engine < 0 || file == nullptr)
        return -1;
    EngFormFile b = Head<EngFormFile>(ENG_CMD_FORM_FILE);
    SetText(b.file, file);
    b.one = 1;
    return Send(*report, &b);
}

BWPS_EXPORT int ReportEngineFormattedText(TagRepInfo* report, int column, int line, int align, const char* text)
{
    if (report == nullptr || report->engine < 0 || text == nullptr)
        return -1;
    EngFormatted b = Head<EngFormatted>(ENG_CMD_FORMATTED);
    const size_t n = std::min<size_t>(std::strlen(text), ENGINE_TEXT_MAX);
    b.column = static_cast<uint16_t>(std::max(0, column));
    b.line = static_cast<uint16_t>(std::max(0, line));
    b.align = static_cast<int8_t>(align);
    b.font = static_cast<uint8_t>(CurrentFont(*report));
    b.textLength = static_cast<uint16_t>(n);
    std::memcpy(b.text, text, n);
    b.head.length = static_cast<uint16_t>(offsetof(EngFormatted, text) + n);
    return Send(*report, &b);
}

BWPS_EXPORT int ReportEngineTextBox(TagRepInfo* report, int column, int line, int style, int value1, int value2,
                                    const char* text)
{
    if (report == nullptr || report->engine < 0 || text == nullptr)
        return -1;
    EngTextBox b = Head<EngTextBox>(ENG_CMD_TEXT_BOX);
    std::string t = text;
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    if (t.size() > ENGINE_TEXT_MAX)
        t.resize(ENGINE_TEXT_MAX);
    b.column = static_cast<uint16_t>(std::max(0, column));
    b.line = static_cast<uint16_t>(std::max(0, line));
    b.style = static_cast<uint8_t>(style);
    b.value1 = value1;
    b.value2 = value2;
    b.textLength = static_cast<uint32_t>(t.size());
    std::memcpy(b.text, t.data(), t.size());
    b.head.length = static_cast<uint16_t>(offsetof(EngTextBox, text) + t.size());
    return Send(*report, &b);
}

BWPS_EXPORT int ReportSetCellFormat(TagRepInfo* report, const void* format)
{
    if (report == nullptr || report->engine < 0 || format == nullptr)
        return -1;
    EngCellFormat b = Head<EngCellFormat>(ENG_CMD_CELL_FORMAT);
    std::memcpy(b.format, format, sizeof b.format);
    return Send(*report, &b);
}

BWPS_EXPORT int ReportEngineSelectFont(TagRepInfo* report, int font)
{
    if (report == nullptr || report->engine < 0)
        return -1;
    EngByte b = Head<EngByte>(ENG_CMD_SELECT_FONT);
    b.value = static_cast<uint8_t>(font);
    return Send(*report, &b);
}

BWPS_EXPORT int ReportEngineBlockBegin(TagRepInfo* report, int font)
{
    if (report == nullptr || report->engine < 0 || report->destination == REPORT_TO_TEXT_FILE ||
        OfficeActive(*report))
        return 0;
    EngTwoWords b = Head<EngTwoWords>(ENG_CMD_BLOCK_BEGIN);
    b.first = static_cast<uint16_t>(report->line);
    b.second = static_cast<uint16_t>(font);
    return Send(*report, &b);
}

BWPS_EXPORT int ReportEngineSwitchBlockFont(TagRepInfo* report, int font)
{
    if (report == nullptr || report->engine < 0 || report->destination == REPORT_TO_TEXT_FILE ||
        OfficeActive(*report))
        return 0;
    EngTwoWords b = Head<EngTwoWords>(ENG_CMD_BLOCK_FONT);
    b.first = static_cast<uint16_t>(report->line - static_cast<uint32_t>(std::max(0, static_cast<int>(report->blockStartLine))) + 1);
    b.second = static_cast<uint16_t>(font);
    if (Send(*report, &b) < 0)
        return -1;
    return ReportEngineSelectFont(report, font);
}

BWPS_EXPORT int ReportEngineBlockEnd(TagRepInfo* report)
{
    if (report == nullptr)
        return -1;
    if (report->destination == REPORT_TO_TEXT_FILE)
        return 1;
    if (OfficeActive(*report))
        return 0;
    if (report->engine < 0)
        return -1;
    const int since = static_cast<int>(report->line) - std::max(0, static_cast<int>(report->blockStartLine));
    EngTwoWords q = Head<EngTwoWords>(ENG_QUERY_BLOCK_HEIGHT);
    q.first = static_cast<uint16_t>(std::max(0, since));
    if (ReportEngineCall(report->engine, ENGINE_QUERY, &q) != 0)
        return -1;
    EngWord end = Head<EngWord>(ENG_CMD_BLOCK_END);
    end.value = static_cast<uint16_t>(report->line);
    if (Send(*report, &end) < 0)
        return -1;
    report->line = static_cast<uint32_t>(std::max(0, static_cast<int>(report->blockStartLine))) + q.second;
    return q.second;
}

BWPS_EXPORT int ReportSetCustomPaperSize(TagRepInfo* report, const char* layout, int mask)
{
    if (report == nullptr || layout == nullptr)
        return 0;
    Engine* e = Loaded();
    if (e == nullptr || e->layoutExists == nullptr || e->setupRead == nullptr || e->setupUpdate == nullptr)
        return 0;
    const std::string base = BaseFolder();
    if (e->layoutExists(StationId().c_str(), base.c_str(), layout))
        return 0;
    EngSetup setup;
    if (e->setupRead(base.c_str(), StationId().c_str(), layout, &setup) < 0)
        return 0;
    const auto& from = *reinterpret_cast<const EngSetup*>(report->engineSetup);
    if (mask & 1)
        setup.margin[0] = from.margin[0];
    if (mask & 2)
        setup.margin[2] = from.margin[2];
    if (mask & 4)
        setup.margin[1] = from.margin[1];
    if (mask & 8)
        setup.margin[3] = from.margin[3];
    if (mask & 0x10)
        setup.orientation = from.orientation;
    if (mask & (0x20 | 0x40)) {
        SetText(setup.paperName, "Custom size");
        setup.paperCode = 256;
        if (mask & 0x20)
            setup.paperHeight = from.paperHeight;
        if (mask & 0x40)
            setup.paperWidth = from.paperWidth;
    }
    if (mask & 0x80)
        setup.value139 = from.value139;
    return e->setupUpdate(base.c_str(), &setup) == 0 ? 1 : 0;
}

}  // extern "C"

// Used by the dialogs: the saved setup and its update through the engine.
namespace bwps::writer {
int EngineSetupRead(const char* layout, void* setup)
{
    Engine* e = Loaded();
    if (e == nullptr || e->setupRead == nullptr)
        return -1;
    return e->setupRead(BaseFolder().c_str(), StationId().c_str(), layout, setup);
}
int EngineSetupUpdate(const void* setup)
{
    Engine* e = Loaded();
    if (e == nullptr || e->setupUpdate == nullptr)
        return -1;
    return e->setupUpdate(BaseFolder().c_str(), setup);
}
void* EngineLibrary()
{
    Engine* e = Loaded();
    return e != nullptr ? e->library : nullptr;
}
}  // namespace bwps::writer

extern "C" BWPS_EXPORT void ResetReportEngineBridge(void)
{
    TheEngine().tried = false;
}
