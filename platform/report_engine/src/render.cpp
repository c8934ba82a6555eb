// Laying pages out and writing them: pango metrics for the line step, the
// grid text of each page (what the preview shows), PDF through cairo, HTML,
// CSV and .xlsx; printing to a folder or a spool queue.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "engine_internal.h"
#include "xlsx_book.h"

namespace duzo {

std::string FileStamp();

namespace {

PangoFontDescription* Describe(const FontSpec& f, double size)
{
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, f.face.empty() ? "DejaVu Sans Mono" : f.face.c_str());
    pango_font_description_set_absolute_size(d, std::max(1.0, size) * PANGO_SCALE);
    pango_font_description_set_weight(d, (f.style & 1) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(d, (f.style & 4) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return d;
}

// A layout on a throw-away surface for measuring.
struct Meter {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    ~Meter()
    {
        g_object_unref(layout);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
};

Meter& TheMeter()
{
    static Meter meter;
    return meter;
}

double TextWidth(const FontSpec& f, double size, const std::string& utf8)
{
    Meter& m = TheMeter();
    PangoFontDescription* d = Describe(f, size);
    pango_layout_set_font_description(m.layout, d);
    pango_font_description_free(d);
    pango_layout_set_text(m.layout, utf8.c_str(), -1);
    int w = 0, h = 0;
    pango_layout_get_size(m.layout, &w, &h);
    return static_cast<double>(w) / PANGO_SCALE;
}

std::string Escape(const std::string& utf8)
{
    std::string out;
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// Sizes of the fonts as drawn: the body fonts are scaled so that a column
// is `advance` points wide; every other font keeps its ratio to the body.
double DrawnSize(const Job& job, int font)
{
    const FontSpec& body = job.fonts[job.bodyFont];
    const double bodySize = MonoSizeFor(body.face, job.layout.advance);
    const double ratio = body.size > 0 ? bodySize / body.size : 1.0;
    const FontSpec& f = job.fonts[std::clamp(font, 0, ENGINE_FONT_COUNT - 1)];
    return std::max(4.0, (f.size > 0 ? f.size : body.size) * ratio);
}

bool Aside(const std::string& path, std::string& aside, std::string& failure)
{
    aside = path + ".part";
    FILE* probe = std::fopen(aside.c_str(), "wb");
    if (probe == nullptr) {
        failure = "The file " + path + " cannot be written: " + std::strerror(errno) + ".";
        return false;
    }
    std::fclose(probe);
    return true;
}

std::string Finish(const std::string& aside, const std::string& path, bool written)
{
    if (!written || std::rename(aside.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(aside.c_str());
        return "The file " + path + " could not be written" + (written ? ": " + why : "") + ".";
    }
    return "";
}

bool Numeric(const std::string& text, double& value)
{
    std::string s;
    for (char c : text)
        if (c != ',' && c != ' ' && c != '$')
            s += c;
    if (s.empty())
        return false;
    bool negative = false;
    if (s.back() == '-') {
        negative = true;
        s.pop_back();
    }
    if (s.size() > 2 && s.front() == '(' && s.back() == ')') {
        negative = true;
        s = s.substr(1, s.size() - 2);
    }
    if (s.empty() || s.find_first_not_of("0123456789.-") != std::string::npos)
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(s.c_str(), &end);
    if (end == nullptr || *end != '\0' || errno != 0 || !std::isfinite(value))
        return false;
    if (negative)
        value = -value;
    return true;
}

}  // namespace

std::string Utf8(const std::string& ansi)
{
    return bwxlsx::Utf8FromAnsi(ansi);
}

double LineHeight(const FontSpec& font)
{
    Meter& m = TheMeter();
    PangoFontDescription* d = Describe(font, font.size > 0 ? font.size : 10);
    PangoContext* context = pango_layout_get_context(m.layout);
    PangoFontMetrics* metrics = pango_context_get_metrics(context, d, nullptr);
    const double h =
        static_cast<double>(pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics)) /
        PANGO_SCALE;
    pango_font_metrics_unref(metrics);
    pango_font_description_free(d);
    return h;
}

double MonoSizeFor(const std::string& face, double advance)
{
    FontSpec f;
    f.face = face;
    const double at10 = TextWidth(f, 10, "0000000000") / 10.0;
    return at10 > 0 ? 10.0 * advance / at10 : 10.0;
}

void Measure(Job& job)
{
    Layout& l = job.layout;
    const double usable = std::max(72.0, l.pageWidth - l.left - l.right);
    l.advance = usable / l.columns;
    FontSpec body = job.fonts[job.bodyFont];
    body.size = MonoSizeFor(body.face, l.advance);
    l.step = LineHeight(body);
    const double tall = std::max(72.0, l.pageHeight - l.top - l.bottom);
    l.linesPerPage = job.fixedPageLines > 0 ? job.fixedPageLines : std::max(1, static_cast<int>(tall / l.step));
    if (job.fixedPageLines > 0)
        l.step = tall / job.fixedPageLines;
}

int GridColumn(const Job& job, const Item& item)
{
    const int length = static_cast<int>(item.text.size());
    const int columns = job.layout.columns;
    switch (item.align) {
    case -4: return std::max(0, (columns - length) / 2);
    case -5: return 0;
    case -6: return std::max(0, columns - length);
    case -1: return item.column + std::max(0, (item.width - length) / 2);
    case -3: return std::max(item.column, item.column + item.width - length);
    default: return item.column;
    }
}

std::vector<std::vector<std::string>> PageTexts(const Job& job)
{
    std::vector<std::vector<std::string>> pages;
    for (const Page& page : job.pages) {
        int rows = page.rows;
        for (const Item& it : page.items)
            rows = std::max(rows, std::max(it.row, it.row2) + 1);
        std::vector<std::string> lines(static_cast<size_t>(rows));
        auto put = [&](int row, int column, const std::string& text) {
            if (row < 0 || row >= rows || column < 0)
                return;
            std::string& line = lines[static_cast<size_t>(row)];
            if (line.size() < static_cast<size_t>(column) + text.size())
                line.resize(static_cast<size_t>(column) + text.size(), ' ');
            line.replace(static_cast<size_t>(column), text.size(), text);
        };
        for (const Item& it : page.items) {
            switch (it.kind) {
            case ItemKind::Text: put(it.row, GridColumn(job, it), it.text); break;
            case ItemKind::Rule:
                put(it.row, it.column, std::string(static_cast<size_t>(it.column2 - it.column), it.fill));
                break;
            case ItemKind::Box:
                put(it.row, it.column, "+" + std::string(static_cast<size_t>(std::max(0, it.column2 - it.column - 1)), '-') + "+");
                put(it.row2, it.column, "+" + std::string(static_cast<size_t>(std::max(0, it.column2 - it.column - 1)), '-') + "+");
                for (int r = it.row + 1; r < it.row2; ++r) {
                    put(r, it.column, "|");
                    put(r, it.column2, "|");
                }
                break;
            case ItemKind::Picture: break;
            }
        }
        for (std::string& line : lines)
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
        pages.push_back(std::move(lines));
    }
    return pages;
}

std::string WritePdf(const Job& job, const std::string& path)
{
    std::string aside, failure;
    if (!Aside(path, aside, failure))
        return failure;
    const Layout& l = job.layout;
    cairo_surface_t* surface = cairo_pdf_surface_create(aside.c_str(), l.pageWidth, l.pageHeight);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return Finish(aside, path, false);
    }
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, Utf8(job.title).c_str());
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    for (const Page& page : job.pages) {
        if (!job.formFile.empty() && std::filesystem::exists(job.formFile)) {
            cairo_surface_t* form = cairo_image_surface_create_from_png(job.formFile.c_str());
            if (cairo_surface_status(form) == CAIRO_STATUS_SUCCESS) {
                cairo_save(cr);
                cairo_scale(cr, l.pageWidth / cairo_image_surface_get_width(form),
                            l.pageHeight / cairo_image_surface_get_height(form));
                cairo_set_source_surface(cr, form, 0, 0);
                cairo_paint(cr);
                cairo_restore(cr);
            }
            cairo_surface_destroy(form);
        }
        for (const Item& it : page.items) {
            const double y = l.top + it.y;
            const double x = l.left + it.column * l.advance;
            switch (it.kind) {
            case ItemKind::Text: {
                if (it.text.empty())
                    break;
                const FontSpec& f = job.fonts[std::clamp(it.font, 0, ENGINE_FONT_COUNT - 1)];
                const double size = DrawnSize(job, it.font);
                const std::string text = Utf8(it.text);
                PangoFontDescription* d = Describe(f, size);
                pango_layout_set_font_description(layout, d);
                pango_font_description_free(d);
                pango_layout_set_text(layout, text.c_str(), -1);
                int pw = 0, ph = 0;
                pango_layout_get_size(layout, &pw, &ph);
                const double w = static_cast<double>(pw) / PANGO_SCALE;
                double tx = l.left + GridColumn(job, it) * l.advance;
                const double usable = l.pageWidth - l.left - l.right;
                if (it.align == -4)
                    tx = l.left + (usable - w) / 2;
                else if (it.align == -6)
                    tx = l.pageWidth - l.right - w;
                else if (it.align == -3)
                    tx = l.left + (it.column + it.width) * l.advance - w;
                else if (it.align == -1)
                    tx = l.left + (it.column + it.width / 2.0) * l.advance - w / 2;
                cairo_set_source_rgb(cr, (f.colour >> 16 & 0xFF) / 255.0, (f.colour >> 8 & 0xFF) / 255.0,
                                     (f.colour & 0xFF) / 255.0);
                cairo_move_to(cr, std::max(0.0, tx), y);
                pango_cairo_show_layout(cr, layout);
                if (f.style & 8) {
                    cairo_move_to(cr, tx, y + static_cast<double>(ph) / PANGO_SCALE);
                    cairo_rel_line_to(cr, w, 0);
                    cairo_set_line_width(cr, 0.5);
                    cairo_stroke(cr);
                }
                break;
            }
            case ItemKind::Rule: {
                cairo_set_source_rgb(cr, 0, 0, 0);
                cairo_set_line_width(cr, 0.6);
                const double mid = y + l.step / 2;
                const double x2 = l.left + it.column2 * l.advance;
                cairo_move_to(cr, x, mid);
                cairo_line_to(cr, x2, mid);
                if (it.fill == '=') {
                    cairo_move_to(cr, x, mid + 2);
                    cairo_line_to(cr, x2, mid + 2);
                }
                cairo_stroke(cr);
                break;
            }
            case ItemKind::Box:
                cairo_set_source_rgb(cr, 0, 0, 0);
                cairo_set_line_width(cr, 0.6);
                cairo_rectangle(cr, x, y, (it.column2 - it.column) * l.advance, (it.row2 - it.row + 1) * l.step);
                cairo_stroke(cr);
                break;
            case ItemKind::Picture: {
                cairo_surface_t* picture = cairo_image_surface_create_from_png(it.text.c_str());
                if (cairo_surface_status(picture) == CAIRO_STATUS_SUCCESS) {
                    const double h = (it.row2 - it.row) * l.step;
                    const double scale = h / std::max(1, cairo_image_surface_get_height(picture));
                    cairo_save(cr);
                    cairo_translate(cr, x, y);
                    cairo_scale(cr, scale, scale);
                    cairo_set_source_surface(cr, picture, 0, 0);
                    cairo_paint(cr);
                    cairo_restore(cr);
                }
                cairo_surface_destroy(picture);
                break;
            }
            }
        }
        cairo_show_page(cr);
    }
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return Finish(aside, path, ok);
}

std::string WriteHtml(const Job& job, const std::string& path)
{
    std::string aside, failure;
    if (!Aside(path, aside, failure))
        return failure;
    std::ofstream out(aside, std::ios::binary | std::ios::trunc);
    out << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" << Escape(Utf8(job.title))
        << "</title>\n<style>pre{font-family:monospace;page-break-after:always}</style>\n</head>\n<body>\n";
    const auto pages = PageTexts(job);
    for (size_t p = 0; p < pages.size(); ++p) {
        out << "<pre class=\"page\" id=\"page" << p + 1 << "\">\n";
        for (const std::string& line : pages[p])
            out << Escape(Utf8(line)) << "\n";
        out << "</pre>\n";
    }
    out << "</body>\n</html>\n";
    out.flush();
    const bool ok = static_cast<bool>(out);
    out.close();
    return Finish(aside, path, ok);
}

namespace {

// The cells of the whole job, by grid row (across pages) and the
// spreadsheet column of their start.
struct Cells {
    std::vector<std::map<int, std::string>> rows;  // by start column
    std::vector<int> starts;                       // sorted start columns
};

Cells Collect(const Job& job)
{
    Cells cells;
    std::set<int> starts;
    for (const Page& page : job.pages) {
        std::map<int, std::map<int, std::string>> rows;
        int last = -1;
        for (const Item& it : page.items) {
            if (it.kind != ItemKind::Text || it.text.empty())
                continue;
            std::string text = it.text;
            while (!text.empty() && text.front() == ' ')
                text.erase(text.begin());
            if (text.empty())
                continue;
            const int start = it.align == -3 || it.align == -6 ? GridColumn(job, it) : GridColumn(job, it);
            rows[it.row][start] = text;
            starts.insert(start);
            last = std::max(last, it.row);
        }
        for (int r = 0; r <= last; ++r)
            cells.rows.push_back(rows.count(r) ? rows[r] : std::map<int, std::string>{});
    }
    cells.starts.assign(starts.begin(), starts.end());
    return cells;
}

int ColumnOf(const Cells& cells, int start)
{
    return static_cast<int>(std::lower_bound(cells.starts.begin(), cells.starts.end(), start) - cells.starts.begin());
}

}  // namespace

std::string WriteCsv(const Job& job, const std::string& path)
{
    std::string aside, failure;
    if (!Aside(path, aside, failure))
        return failure;
    const Cells cells = Collect(job);
    std::ofstream out(aside, std::ios::binary | std::ios::trunc);
    for (const auto& row : cells.rows) {
        if (row.empty())
            continue;
        std::vector<std::string> fields(cells.starts.size());
        for (const auto& [start, text] : row)
            fields[static_cast<size_t>(ColumnOf(cells, start))] = Utf8(text);
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out << ',';
            const std::string& f = fields[i];
            if (f.find_first_of(",\"\n") != std::string::npos) {
                out << '"';
                for (char c : f)
                    out << (c == '"' ? std::string("\"\"") : std::string(1, c));
                out << '"';
            } else {
                out << f;
            }
        }
        out << "\r\n";
    }
    out.flush();
    const bool ok = static_cast<bool>(out);
    out.close();
    return Finish(aside, path, ok);
}

std::string WriteXlsx(const Job& job, const std::string& path)
{
    bwxlsx::Book book;
    if (!book.Open(path))
        return "The file " + path + " cannot be written.";
    const Cells cells = Collect(job);
    int row = 0;
    for (const auto& r : cells.rows) {
        for (const auto& [start, text] : r) {
            const int column = ColumnOf(cells, start);
            double value = 0;
            if (Numeric(text, value))
                book.Number(row, column, value);
            else
                book.Text(row, column, text);
        }
        ++row;
    }
    book.FitWidths();
    return book.Close() ? "" : "The file " + path + " could not be written.";
}

std::string PrintJob(const Job& job, const std::string& printerName)
{
    EngPrinter printer{};
    bool found = false;
    const std::string base = DataFolder();
    for (int n = 0; BrmRepPrinterAt(base.c_str(), n, &printer) == 0; ++n) {
        if (printerName == printer.name) {
            found = true;
            break;
        }
    }
    if (!found)
        return "The printer \"" + printerName + "\" is not in the printer table.";
    std::string program = job.programFolder;
    if (!program.empty() && program.back() != '/')
        program += '/';
    std::string title;
    for (char c : job.title.empty() ? std::string("Report") : job.title)
        title += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    const std::string name = title + "-" + FileStamp() + ".pdf";
    std::string folder = printer.folder;
    const std::string queue = printer.queue;
    if (folder.empty())
        folder = "prints/";
    if (folder.front() != '/')
        folder = program + folder;
    if (folder.back() != '/')
        folder += '/';
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string path = folder + name;
    for (int n = 2; std::filesystem::exists(path); ++n)
        path = folder + title + "-" + FileStamp() + "-" + std::to_string(n) + ".pdf";
    std::string failure = WritePdf(job, path);
    if (!failure.empty())
        return failure;
    SetLastOutput(path);
    if (queue.empty())
        return "";
    // The spool command takes the PDF on its input; the PDF stays in the
    // folder whatever the command answers.
    const int input = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (input < 0)
        return "The PDF " + path + " could not be read for the printer.";
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(input, 0);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execlp("lp", "lp", "-d", queue.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(input);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "The printer queue \"" + queue + "\" did not take the report; it is kept in " + path + ".";
    return "";
}

}  // namespace duzo
