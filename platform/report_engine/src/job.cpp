// The engine's entry: jobs opened by the 780-byte block, fed with commands,
// asked for metrics, page lengths and block heights, and ended into their
// output (preview, printer, or a file).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "engine_internal.h"

namespace duzo {
namespace {

std::map<int, std::unique_ptr<Job>>& Jobs()
{
    static std::map<int, std::unique_ptr<Job>> jobs;
    return jobs;
}

std::string g_lastOutput, g_lastError, g_dataFolder;

std::string Field(const char* text, size_t size)
{
    std::string s(text, strnlen(text, size));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// Control bytes never reach a page.
std::string Clean(const char* text)
{
    std::string s;
    for (const char* p = text; *p != '\0'; ++p)
        if (static_cast<unsigned char>(*p) >= 0x20 && *p != 0x7F)
            s += *p;
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

int Open(const EngOpen& b)
{
    if (b.window == 0)
        return -1;
    if (b.kind != ENGINE_KIND_PREVIEW && b.kind != ENGINE_KIND_PRINTER && b.kind != ENGINE_KIND_HTML &&
        b.kind != ENGINE_KIND_FILE)
        return -1;
    auto job = std::make_unique<Job>();
    job->kind = b.kind;
    job->printer = Field(b.printer, sizeof b.printer);
    job->programFolder = Field(b.programFolder, sizeof b.programFolder);
    job->exportFile = Field(b.exportFile, sizeof b.exportFile);
    job->title = Clean(Field(b.title, sizeof b.title).c_str());
    if ((b.kind == ENGINE_KIND_HTML || b.kind == ENGINE_KIND_FILE) && job->exportFile.empty())
        return -1;
    if (b.paperWidth > 0 && b.paperHeight > 0) {
        // micrometres to points
        job->layout.pageWidth = b.paperWidth / 25400.0 * 72.0;
        job->layout.pageHeight = b.paperHeight / 25400.0 * 72.0;
    }
    if (b.orientation == 2 && job->layout.pageWidth < job->layout.pageHeight)
        std::swap(job->layout.pageWidth, job->layout.pageHeight);
    Measure(*job);
    static int next = 0;
    if (++next <= 0)
        next = 1;
    Jobs()[next] = std::move(job);
    return next;
}

void AddItem(Job& job, Item item)
{
    if (job.blockOpen) {
        // Lines of a block are counted from its first line; their places
        // are settled when the block ends.
        item.row = job.blockLine + std::max(0, item.row - job.blockLine);
    }
    item.height = LineHeight(job.fonts[std::clamp(item.font, 0, ENGINE_FONT_COUNT - 1)]);
    item.y = item.row * job.layout.step;
    job.current.rows = std::max(job.current.rows, item.row + 1);
    job.current.items.push_back(std::move(item));
}

// The height of a block in body lines: each of its lines as tall as its
// tallest font.
int BlockHeight(Job& job, int lines, bool place)
{
    std::map<int, double> tallest;
    for (size_t i = job.blockFirstItem; i < job.current.items.size(); ++i) {
        const Item& it = job.current.items[i];
        const int rel = it.row - job.blockLine;
        tallest[rel] = std::max(tallest[rel], it.height);
    }
    for (int rel = 0; rel < lines; ++rel)
        tallest.emplace(rel, LineHeight(job.fonts[std::clamp(job.blockFont, 0, ENGINE_FONT_COUNT - 1)]));
    double total = 0;
    std::map<int, double> top;
    for (const auto& [rel, height] : tallest) {
        top[rel] = total;
        total += std::max(height, job.layout.step);
    }
    const int height = std::max(1, static_cast<int>(std::ceil(total / job.layout.step - 1e-6)));
    if (place) {
        // On the grid a block's lines follow one another from its first
        // line; on paper each is as tall as its font.
        int row = job.blockLine;
        std::map<int, int> rows;
        for (const auto& [rel, height2] : tallest) {
            (void)height2;
            rows[rel] = row++;
        }
        for (size_t i = job.blockFirstItem; i < job.current.items.size(); ++i) {
            Item& it = job.current.items[i];
            const int rel = it.row - job.blockLine;
            it.y = job.blockLine * job.layout.step + top[rel];
            it.row = rows[rel];
        }
        job.current.rows = std::max(job.current.rows, job.blockLine + height);
    }
    return height;
}

int Command(Job& job, void* request)
{
    EngHead head;
    std::memcpy(&head, request, sizeof head);
    const int size = head.code == ENG_CMD_IDENTITY ? static_cast<int>(sizeof(EngIdentity)) : head.length;
    EngDecoded d;
    if (EngDecode(request, std::max<int>(size, sizeof(EngHead)), &d) != 0)
        return -1;
    switch (d.code) {
    case ENG_CMD_IDENTITY:
    case ENG_CMD_5:
    case ENG_CMD_128:
    case ENG_CMD_139:
    case ENG_CMD_CELL_FORMAT:
        return 0;
    case ENG_CMD_FONT_BASE:
        job.bodyFont = job.font = std::clamp(d.font, 0, ENGINE_FONT_COUNT - 1);
        return 0;
    case ENG_CMD_PAGE_FORMAT:
        job.layout.columns = d.width == 17 ? 136 : 80;
        job.fixedPageLines = static_cast<int>(d.number);
        Measure(job);
        return 0;
    case ENG_CMD_MARGINS: {
        auto points = [](int hundredths) { return std::clamp(hundredths, 0, 300) * 72.0 / 100.0; };
        job.layout.left = points(d.column);
        job.layout.top = points(d.line);
        job.layout.right = points(d.column2);
        job.layout.bottom = points(d.line2);
        Measure(job);
        return 0;
    }
    case ENG_CMD_FONT: {
        if (d.font < 0 || d.font >= ENGINE_FONT_COUNT)
            return -1;
        FontSpec& f = job.fonts[d.font];
        if (d.text[0] != '\0')
            f.face = d.text;
        if (d.height > 0)
            f.size = d.height;
        f.style = d.style;
        f.colour = BrmRepGetRGBColor(d.value1);
        Measure(job);
        return 0;
    }
    case ENG_CMD_SELECT_FONT: {
        if (d.font < 0 || d.font >= ENGINE_FONT_COUNT)
            return -1;
        const int previous = job.font;
        job.font = d.font;
        return previous;
    }
    case ENG_CMD_STRING:
    case ENG_CMD_FORMATTED:
    case ENG_CMD_TEXT_BOX: {
        Item it;
        it.row = d.line;
        it.column = d.column;
        it.align = d.code == ENG_CMD_TEXT_BOX ? -2 : d.align;
        it.width = d.width;
        it.font = d.code == ENG_CMD_TEXT_BOX ? job.font : (d.font < ENGINE_FONT_COUNT ? d.font : job.font);
        it.text = Clean(d.text);
        AddItem(job, it);
        return 0;
    }
    case ENG_CMD_OUT_TEXT: {
        Item it;
        it.kind = ItemKind::Rule;
        it.row = d.line;
        it.column = d.column;
        it.column2 = std::max(d.column2, d.column);
        it.fill = static_cast<char>(d.fill);
        it.font = job.font;
        AddItem(job, it);
        return 0;
    }
    case ENG_CMD_BOX: {
        Item it;
        it.kind = ItemKind::Box;
        it.column = std::min(d.column, d.column2);
        it.column2 = std::max(d.column, d.column2);
        it.row = std::min(d.line, d.line2);
        it.row2 = std::max(d.line, d.line2);
        it.font = job.font;
        AddItem(job, it);
        return 0;
    }
    case ENG_CMD_PICTURE: {
        Item it;
        it.kind = ItemKind::Picture;
        it.row = d.line;
        it.row2 = d.line + std::max(1, d.height);
        it.column = d.column;
        it.text = d.text;
        AddItem(job, it);
        return 0;
    }
    case ENG_CMD_FORM_FILE:
        job.formFile = d.text;
        return 0;
    case ENG_CMD_BLOCK_BEGIN:
        job.blockOpen = true;
        job.blockLine = d.line;
        job.blockFont = std::clamp(d.font, 0, ENGINE_FONT_COUNT - 1);
        job.blockFirstItem = job.current.items.size();
        job.font = job.blockFont;
        return 0;
    case ENG_CMD_BLOCK_FONT:
        job.font = std::clamp(d.font, 0, ENGINE_FONT_COUNT - 1);
        return 0;
    case ENG_CMD_BLOCK_END:
        if (job.blockOpen)
            BlockHeight(job, std::max(0, d.line - job.blockLine), true);
        job.blockOpen = false;
        return 0;
    case ENG_CMD_PAGE_END:
        job.pages.push_back(std::move(job.current));
        job.current = Page{};
        return 0;
    default:
        return -1;
    }
}

int Query(Job& job, void* request)
{
    EngHead head;
    std::memcpy(&head, request, sizeof head);
    switch (head.code) {
    case ENG_QUERY_METRICS: {
        auto& m = *static_cast<EngMetrics*>(request);
        for (int f = 0; f < ENGINE_FONT_COUNT; ++f) {
            m.font[f][0] = static_cast<uint16_t>(f + 1);  // the rule fill code is the font's own
            m.font[f][1] = static_cast<uint16_t>(std::lround(LineHeight(job.fonts[f]) * 10));
        }
        m.pageLines = static_cast<uint16_t>(job.layout.linesPerPage);
        return 0;
    }
    case ENG_QUERY_LINE_STEP: {
        auto& w = *static_cast<EngWord*>(request);
        const double h = LineHeight(job.fonts[job.font]);
        w.value = job.blockOpen ? 1 : static_cast<uint16_t>(std::max(1.0, std::ceil(h / job.layout.step - 1e-6)));
        return 0;
    }
    case ENG_QUERY_BLOCK_HEIGHT: {
        auto& w = *static_cast<EngTwoWords*>(request);
        if (!job.blockOpen)
            return -1;
        w.second = static_cast<uint16_t>(BlockHeight(job, w.first, false));
        return 0;
    }
    case ENG_CMD_SELECT_FONT: {
        static_cast<EngByte*>(request)->value = static_cast<uint8_t>(job.font);
        return 0;
    }
    default:
        return -1;
    }
}

std::string Stamp()
{
    char text[32];
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm);
    return text;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int End(Job& job)
{
    if (!job.current.items.empty() || job.pages.empty())
        job.pages.push_back(std::move(job.current));
    job.current = Page{};
    g_lastError.clear();
    g_lastOutput.clear();
    std::string failure;
    switch (job.kind) {
    case ENGINE_KIND_PREVIEW:
        if (RunPreview(job) == 'p' && !job.printer.empty())
            failure = PrintJob(job, job.printer);
        break;
    case ENGINE_KIND_PRINTER:
        failure = PrintJob(job, job.printer);
        break;
    case ENGINE_KIND_HTML:
        failure = WriteHtml(job, job.exportFile);
        if (failure.empty())
            g_lastOutput = job.exportFile;
        break;
    case ENGINE_KIND_FILE: {
        std::string path = job.exportFile;
        const size_t slash = path.find_last_of('/');
        const size_t dot = path.find_last_of('.');
        std::string extension = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                    ? ""
                                    : Lower(path.substr(dot));
        if (extension.empty()) {
            path += ".pdf";
            extension = ".pdf";
        }
        if (extension == ".xlsx")
            failure = WriteXlsx(job, path);
        else if (extension == ".csv")
            failure = WriteCsv(job, path);
        else if (extension == ".html" || extension == ".htm")
            failure = WriteHtml(job, path);
        else
            failure = WritePdf(job, path);
        if (failure.empty())
            g_lastOutput = path;
        break;
    }
    default:
        break;
    }
    if (!failure.empty()) {
        g_lastError = failure;
        return -1;
    }
    return 0;
}

}  // namespace

std::string Utf8(const std::string& ansi);

void SetLastOutput(const std::string& path) { g_lastOutput = path; }
void SetLastError(const std::string& text) { g_lastError = text; }
std::string DataFolder() { return g_dataFolder; }
std::string FileStamp() { return Stamp(); }

}  // namespace duzo

using namespace duzo;

extern "C" {

ENGINE_API int BrmReportEngine(int engine, int service, void* request)
{
    if (service == ENGINE_OPEN_JOB) {
        if (request == nullptr)
            return -1;
        EngOpen block;
        std::memcpy(&block, request, sizeof block);
        if (block.head.code != ENG_CMD_OPEN)
            return -1;
        return Open(block);
    }
    if (request == nullptr && service != ENGINE_END_JOB)
        return -1;
    auto it = Jobs().find(engine);
    if (it == Jobs().end()) {
        // A page end for no job is taken as done: a report that writes no
        // engine pages ends its pages all the same.
        if (service == ENGINE_COMMAND && request != nullptr) {
            EngHead head;
            std::memcpy(&head, request, sizeof head);
            if (head.code == ENG_CMD_PAGE_END)
                return 0;
        }
        return -1;
    }
    Job& job = *it->second;
    switch (service) {
    case ENGINE_COMMAND: {
        const int answer = Command(job, request);
        return answer;
    }
    case ENGINE_QUERY:
        return Query(job, request);
    case ENGINE_END_JOB: {
        uint16_t drop = 0;
        if (request != nullptr)
            std::memcpy(&drop, request, sizeof drop);
        const int answer = drop == 1 ? 0 : End(job);
        Jobs().erase(it);
        return answer;
    }
    default:
        return -1;
    }
}

ENGINE_API const char* BrmRepLastOutput(void) { return g_lastOutput.c_str(); }
ENGINE_API const char* BrmRepLastError(void) { return g_lastError.c_str(); }
ENGINE_API void BrmRepSetDataFolder(const char* baseFolder) { g_dataFolder = baseFolder != nullptr ? baseFolder : ""; }

}  // extern "C"
