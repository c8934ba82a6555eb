// The office export: a report's rows, rules and pages handed cell by cell
// to the office library (loaded by name from the program folder) in its
// 2468-byte request block; and the mail merges of the second library.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/export.h"
#include "bwps/session.h"
#include "fx.h"
#include "office_automation.h"
#include "report_engine.h"
#include "reports/writer/writer_internal.h"

namespace bwps::writer {
namespace {

struct Office {
    void* library = nullptr;
    OfficeEntry excel = nullptr;
    OfficeEntry merge = nullptr;
    int excelAnswer = -1;   // cached availability, -1 not asked
    int mergeAnswer = -1;
};
Office& TheOffice()
{
    static Office office;
    return office;
}

struct MergeLibrary {
    void* library = nullptr;
};
MergeLibrary& TheMerge()
{
    static MergeLibrary merge;
    return merge;
}

std::string OwnFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&TheOffice), &info) == 0 || info.dli_fname == nullptr)
        return "";
    std::string path = info.dli_fname;
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

void* LoadByName(const char* name)
{
    for (const std::string& folder : {ProgramFolder(), OwnFolder()}) {
        if (folder.empty())
            continue;
        if (void* library = dlopen((folder + name).c_str(), RTLD_NOW | RTLD_LOCAL))
            return library;
    }
    return nullptr;
}

void Warn(const std::string& text)
{
    FxMessageBoxEx(text.c_str(), FxGetAppCaption(0), FX_MB_OK | 0x30);
}

bool OfficeLibraryLoad(bool showErrors)
{
    Office& o = TheOffice();
    if (o.library != nullptr)
        return true;
    o.library = LoadByName(OFFICE_LIBRARY_NAME);
    if (o.library == nullptr) {
        if (showErrors)
            Warn(std::string("Unable to load ") + OFFICE_LIBRARY_NAME +
                 ".\n Please, make sure that this library is installed in your program directory.");
        return false;
    }
    o.excel = reinterpret_cast<OfficeEntry>(dlsym(o.library, "BwExcelAutomation"));
    o.merge = reinterpret_cast<OfficeEntry>(dlsym(o.library, "BwMailMergeAutomation"));
    if (o.excel == nullptr || o.merge == nullptr) {
        if (showErrors) {
            char text[256];
            std::snprintf(text, sizeof text, "Can't find Interface function '%s' in module %s",
                          o.excel == nullptr ? "BwExcelAutomation" : "BwMailMergeAutomation", OFFICE_LIBRARY_NAME);
            Warn(text);
        }
        dlclose(o.library);
        o = Office{};
        return false;
    }
    return true;
}

int CallExcel(void* request)
{
    Office& o = TheOffice();
    return o.excel != nullptr ? o.excel(request) : -1;
}

OfficeRequest& Request(TagRepInfo& r)
{
    static_assert(sizeof(OfficeRequest) == REPORT_AUTOMATION_SIZE, "request block");
    return *reinterpret_cast<OfficeRequest*>(r.automationRequest);
}

int Send(TagRepInfo& r, uint32_t code)
{
    Request(r).request = code;
    return CallExcel(r.automationRequest);
}

void FontInto(TagRepInfo& r, OfficeFont& out, int font)
{
    std::memset(&out, 0, sizeof out);
    const auto& setup = *reinterpret_cast<const EngSetup*>(r.engineSetup);
    const int f = std::clamp(font, 0, ENGINE_FONT_COUNT - 1);
    std::memcpy(out.face, setup.fonts[f].face, sizeof out.face);
    out.face[sizeof out.face - 1] = '\0';
    const int style = setup.fonts[f].style;
    out.style = ((style & 1) ? 1u : 0u) | ((style & 4) ? 2u : 0u) | ((style & 8) ? 4u : 0u);
    out.size = setup.fonts[f].value;
    out.colour = 0;
}

bool AddSheet(TagRepInfo& r)
{
    const int count = Send(r, OFFICE_COUNT_SHEETS);
    if (count == -1)
        return false;
    if (Send(r, OFFICE_ADD_SHEET) == 0)
        return false;
    Request(r).sheet = static_cast<uint32_t>(count + 1);
    if (Send(r, OFFICE_SELECT_SHEET) == 0)
        return false;
    return Send(r, OFFICE_APPLY_COLUMNS) != 0;
}

// The spreadsheet column of a report column: -6 the last, -5 the first, -4
// the middle, else the column found for its position.
int SheetColumn(TagRepInfo& r, int column, int position)
{
    OfficeRequest& q = Request(r);
    if (column == REPORT_ALIGN_RIGHT)
        return q.lastColumn;
    if (column == REPORT_ALIGN_LEFT)
        return q.firstColumn;
    if (column == REPORT_ALIGN_CENTRE)
        return q.middleColumn;
    int number = 0;
    return ReportFindSpreadsheetColumn(&r, position, &number) ? number : 0;
}

void WorkOutColumns(TagRepInfo& r)
{
    OfficeRequest& q = Request(r);
    int last = -1;
    for (int i = 0; i < 256 && q.enabled[i]; ++i)
        last = i;
    q.firstColumn = last >= 0 ? static_cast<uint16_t>(q.numbers[0]) : 1;
    q.lastColumn = last >= 0 ? static_cast<uint16_t>(q.numbers[last]) : 1;
    int middle = 0;
    if (last >= 0 && ReportFindSpreadsheetColumn(&r, (q.ends[last] - q.starts[0]) / 2, &middle))
        q.middleColumn = static_cast<uint16_t>(middle);
    else
        q.middleColumn = q.firstColumn;
}

}  // namespace

int ExcelAutomationAvailable(int showErrors, int unloadAfter, int force)
{
    Office& o = TheOffice();
    if (o.excelAnswer >= 0 && !force)
        return o.excelAnswer;
    const bool wasLoaded = o.library != nullptr;
    if (!OfficeLibraryLoad(showErrors != 0)) {
        o.excelAnswer = 0;
        return 0;
    }
    unsigned char probe[REPORT_AUTOMATION_SIZE] = {};
    const uint32_t code = OFFICE_PROBE;
    std::memcpy(probe + 2, &code, sizeof code);
    o.excelAnswer = CallExcel(probe) != -1 ? 1 : 0;
    if (unloadAfter && !wasLoaded) {
        dlclose(o.library);
        const int answer = o.excelAnswer;
        o = Office{};
        o.excelAnswer = answer;
    }
    return o.excelAnswer;
}

bool SheetExportStart(TagRepInfo& r)
{
    std::memset(r.automationRequest, 0, sizeof r.automationRequest);
    if (!ExcelAutomationAvailable(1, 0, 0) || !OfficeLibraryLoad(true))
        return false;
    r.linesPerPage = 65535;
    const int font = r.wide ? REPORT_FONT_WIDE : REPORT_FONT_NARROW;
    r.font = TagRepFont{font, -1, -1};
    OfficeRequest& q = Request(r);
    q.currentFont = static_cast<uint32_t>(font);
    FontInto(r, q.reportFont, font);
    q.cellFont = q.reportFont;
    SetText(q.workbook, Terminated(r.exportFile, sizeof r.exportFile));
    q.openWhenDone = r.openWhenDone;
    if (Send(r, OFFICE_OPEN) < 0) {
        FxTranscriptNote("office export: the workbook could not be started");
        return false;
    }
    return ReportSetSpreadsheetColumns(&r, nullptr, 1) != 0;
}

int SheetExportWriteRow(TagRepInfo& r, const TagRepColumn* columns, int newLines)
{
    OfficeRequest& q = Request(r);
    if (q.newSheetDue) {
        AddSheet(r);
        q.newSheetDue = 0;
    }
    int answer = 1;
    for (const TagRepColumn* c = columns; c->type != REPORT_TYPE_END; ++c) {
        if (c->skip || c->value == nullptr)
            continue;
        const std::string text = Trimmed(FormatColumn(*c, true));
        const int position = std::max(0, static_cast<int>(c->column));
        q.column = static_cast<uint32_t>(SheetColumn(r, c->column, position));
        q.row = r.line + 1;
        q.option1 = q.option2 = 1;
        SetText(q.text, text);
        int align = c->align;
        if (c->type == REPORT_TYPE_CHAR || IsNumberType(c->type))
            align = REPORT_ALIGN_RIGHT_CELL;
        q.align = align == -5 || align == -2 || align >= 0 ? 1u : align == -6 || align == -3 ? 2u : 3u;
        uint32_t code = OFFICE_WRITE_CELL;
        if (q.currentFont != static_cast<uint32_t>(r.font.id)) {
            q.currentFont = static_cast<uint32_t>(r.font.id);
            FontInto(r, q.cellFont, r.font.id);
            code = OFFICE_WRITE_CELL_FONT;
        }
        if (Send(r, code) == 0)
            answer = 0;
    }
    r.line += static_cast<uint32_t>(std::max(0, newLines));
    return answer ? 0 : 1;
}

int SheetExportWriteRule(TagRepInfo& r, const TagRepColumn* columns, int newLines, int fill)
{
    OfficeRequest& q = Request(r);
    q.ruleStyle = fill == '-' || fill == '=' ? 0x10 : 0x80;
    q.ruleWeight = fill == '=' ? 6 : 1;
    q.rulePosition = fill == '-' || fill == '=' ? 2 : 3;
    int answer = 0;
    for (const TagRepColumn* c = columns; c->type != REPORT_TYPE_END; ++c) {
        if (c->skip)
            continue;
        int number = 0;
        if (!ReportFindSpreadsheetColumn(&r, std::max(0, static_cast<int>(c->column)), &number)) {
            answer = 1;
            break;
        }
        q.column = static_cast<uint32_t>(number);
        q.row = r.line + 1;
        q.option1 = q.option2 = 0;
        if (Send(r, OFFICE_RULE) == 0)
            answer = 1;
    }
    r.line += static_cast<uint32_t>(std::max(0, newLines));
    return answer;
}

int SheetExportEndPage(TagRepInfo& r)
{
    OfficeRequest& q = Request(r);
    if (!q.newSheetDue) {
        q.newSheetDue = 1;
        return 0;
    }
    return AddSheet(r) ? 0 : 1;
}

int SheetExportClose(TagRepInfo& r)
{
    const int count = Send(r, OFFICE_COUNT_SHEETS);
    if (count > 1) {
        Request(r).sheet = 1;
        Send(r, OFFICE_SELECT_SHEET);
    }
    return Send(r, OFFICE_CLOSE);
}

}  // namespace bwps::writer

using namespace bwps::writer;

extern "C" {

BWPS_EXPORT int ReportSetSpreadsheetColumns(TagRepInfo* report, const TagRepColumn* columns, int mode)
{
    if (report == nullptr)
        return 0;
    TagRepInfo& r = *report;
    OfficeRequest& q = Request(r);
    int n = 0;
    if (mode == 1) {
        std::memset(q.enabled, 0, sizeof q.enabled);
        const int count = r.wide ? 14 : 8;
        for (; n < count; ++n) {
            q.starts[n] = static_cast<int16_t>(n * 10);
            q.ends[n] = static_cast<int16_t>(n * 10 + 9);
            q.numbers[n] = static_cast<int16_t>(n + 1);
            q.enabled[n] = 1;
        }
        q.filledFromList = 0;
    } else if (mode == 2 || mode == 3) {
        if (columns == nullptr)
            return 0;
        if (mode == 2)
            std::memset(q.enabled, 0, sizeof q.enabled);
        while (n < 256 && q.enabled[n])
            ++n;
        for (const TagRepColumn* c = columns; c->type != REPORT_TYPE_END && n < 256; ++c, ++n) {
            const int width = c->width != 0 ? c->width : static_cast<int>(strnlen(c->format, sizeof c->format));
            q.starts[n] = static_cast<int16_t>(std::max(0, static_cast<int>(c->column)));
            q.ends[n] = static_cast<int16_t>(std::max(0, static_cast<int>(c->column)) + width);
            q.numbers[n] = static_cast<int16_t>(n + 1);
            q.enabled[n] = 1;
        }
        q.filledFromList = 1;
    } else {
        return 0;
    }
    q.firstColumn = q.middleColumn = q.lastColumn = 0;
    WorkOutColumns(r);
    return Send(r, OFFICE_APPLY_COLUMNS) != 0 ? 1 : 0;
}

BWPS_EXPORT int ReportFindSpreadsheetColumn(TagRepInfo* report, int position, int* number)
{
    if (report == nullptr || number == nullptr)
        return 0;
    const OfficeRequest& q = Request(*report);
    int last = -1;
    for (int i = 0; i < 256 && q.enabled[i]; ++i) {
        last = i;
        if (q.starts[i] <= position && position < q.ends[i]) {
            *number = q.numbers[i];
            return 1;
        }
    }
    for (int i = 0; i <= last; ++i)
        if (q.starts[i] > position) {
            *number = q.numbers[i];
            return 1;
        }
    if (last >= 0) {
        *number = q.numbers[last];
        return 1;
    }
    return 0;
}

BWPS_EXPORT int ReportSendSpreadsheetCommand(TagRepInfo* report, int argument)
{
    if (report == nullptr || !OfficeActive(*report))
        return 0;
    OfficeRequest& q = Request(*report);
    q.row = static_cast<uint32_t>(argument);
    q.column = 1;
    return Send(*report, OFFICE_COMMAND1);
}

BWPS_EXPORT int ReportSpreadsheetCommand11(TagRepInfo* report)
{
    if (report == nullptr || !OfficeActive(*report))
        return 0;
    return Send(*report, OFFICE_COMMAND0);
}

static std::string Caption()
{
    char caption[128] = {};
    FxLoadString(64, sizeof caption, caption);
    return caption;
}

static int RunMerge(const char* entryName, const char* code)
{
    MergeLibrary& m = TheMerge();
    if (m.library == nullptr)
        m.library = LoadByName(MAILMERGE_LIBRARY_NAME);
    if (m.library == nullptr) {
        const char* why = dlerror();
        FxMessageBoxEx(why != nullptr ? why : "The mail merge library could not be loaded.", Caption().c_str(),
                       FX_MB_OK | 0x30);
        return 0;
    }
    auto entry = reinterpret_cast<MailMergeEntry>(dlsym(m.library, entryName));
    if (entry == nullptr) {
        const char* why = dlerror();
        FxMessageBoxEx(why != nullptr ? why : "The mail merge entry is missing.", Caption().c_str(),
                       FX_MB_OK | 0x30);
        return 0;
    }
    MailMergeRequest request{};
    request.kind = std::strcmp(entryName, "VendorMailMerge") == 0 ? MAILMERGE_VENDORS : MAILMERGE_CUSTOMERS;
    SetText(request.dataFolder, Terminated(GetSessionPaths()->DataPath, sizeof GetSessionPaths()->DataPath));
    SetText(request.code, code != nullptr ? Trimmed(code) : "");
    return entry(&request);
}

BWPS_EXPORT int RunCustomerMailMerge(const char* customerCode)
{
    return RunMerge("CustomerMailMerge", customerCode);
}

BWPS_EXPORT int RunVendorMailMerge(const char* vendorCode)
{
    return RunMerge("VendorMailMerge", vendorCode);
}

}  // extern "C"

extern "C" BWPS_EXPORT void ResetOfficeAutomation(void)
{
    Office& o = TheOffice();
    if (o.library != nullptr)
        dlclose(o.library);
    o = Office{};
}
