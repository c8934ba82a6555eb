#include "xlsx_book.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <tuple>

#include "xlsxwriter.h"

namespace bwxlsx {
namespace {

// The upper half of Windows-1252 as Unicode code points (0 where the code
// page has no character).
const unsigned kHigh[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
                            0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void Put(std::string& out, unsigned cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

lxw_workbook* B(void* p) { return static_cast<lxw_workbook*>(p); }
lxw_worksheet* S(void* p) { return static_cast<lxw_worksheet*>(p); }

}  // namespace

std::string Utf8FromAnsi(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x20 && c != '\t')
            continue;
        if (c == 0x7F)
            continue;
        if (c >= 0x80 && c < 0xA0) {
            if (kHigh[c - 0x80] != 0)
                Put(out, kHigh[c - 0x80]);
            continue;
        }
        Put(out, c);
    }
    return out;
}

bool CellStyle::operator<(const CellStyle& o) const
{
    return std::tie(face, size, bold, italic, underline, colour, align, border, date) <
           std::tie(o.face, o.size, o.bold, o.italic, o.underline, o.colour, o.align, o.border, o.date);
}

Book::~Book()
{
    Abandon();
}

bool Book::Open(const std::string& path)
{
    Abandon();
    if (path.empty())
        return false;
    path_ = path;
    aside_ = path + ".part";
    // The folder must take a file before the book is started.
    FILE* probe = std::fopen(aside_.c_str(), "wb");
    if (probe == nullptr)
        return false;
    std::fclose(probe);
    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    book_ = workbook_new_opt(aside_.c_str(), &options);
    if (book_ == nullptr) {
        ::unlink(aside_.c_str());
        return false;
    }
    failed_ = false;
    return AddSheet();
}

bool Book::AddSheet()
{
    if (book_ == nullptr)
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(B(book_), nullptr);
    if (sheet == nullptr)
        return false;
    sheets_.push_back(Sheet{sheet, {}, {}});
    current_ = static_cast<int>(sheets_.size()) - 1;
    return true;
}

bool Book::SelectSheet(int n)
{
    if (n < 1 || n > static_cast<int>(sheets_.size()))
        return false;
    current_ = n - 1;
    worksheet_activate(S(sheets_[static_cast<size_t>(current_)].sheet));
    return true;
}

void* Book::Format(const CellStyle& style)
{
    const CellStyle none{};
    if (!(style < none) && !(none < style))
        return nullptr;
    auto it = formats_.find(style);
    if (it != formats_.end())
        return it->second;
    lxw_format* f = workbook_add_format(B(book_));
    if (!style.face.empty())
        format_set_font_name(f, Utf8FromAnsi(style.face).c_str());
    if (style.size > 0)
        format_set_font_size(f, style.size);
    if (style.bold)
        format_set_bold(f);
    if (style.italic)
        format_set_italic(f);
    if (style.underline)
        format_set_underline(f, LXW_UNDERLINE_SINGLE);
    if (style.colour != 0)
        format_set_font_color(f, style.colour);
    switch (style.align) {
    case 1: format_set_align(f, LXW_ALIGN_LEFT); break;
    case 2: format_set_align(f, LXW_ALIGN_RIGHT); break;
    case 3: format_set_align(f, LXW_ALIGN_CENTER); break;
    default: break;
    }
    if (style.border != 0)
        format_set_bottom(f, style.border == 6 ? LXW_BORDER_DOUBLE
                             : style.border >= 5 ? LXW_BORDER_THICK
                             : style.border >= 2 ? LXW_BORDER_MEDIUM
                                                 : LXW_BORDER_THIN);
    if (style.date)
        format_set_num_format(f, "mm/dd/yyyy");
    formats_[style] = f;
    return f;
}

void Book::Measure(int column, double width)
{
    double& w = sheets_[static_cast<size_t>(current_)].widest[column];
    if (width > w)
        w = width;
}

bool Book::Text(int row, int column, const std::string& ansiText, const CellStyle& style)
{
    if (book_ == nullptr || row < 0 || column < 0)
        return false;
    const std::string text = Utf8FromAnsi(ansiText);
    const lxw_error e = worksheet_write_string(S(sheets_[static_cast<size_t>(current_)].sheet),
                                               static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                               text.c_str(), static_cast<lxw_format*>(Format(style)));
    Measure(column, static_cast<double>(ansiText.size()));
    return e == LXW_NO_ERROR;
}

bool Book::Number(int row, int column, double value, const CellStyle& style)
{
    if (book_ == nullptr || row < 0 || column < 0)
        return false;
    if (!std::isfinite(value))
        return Text(row, column, std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity"), style);
    const lxw_error e = worksheet_write_number(S(sheets_[static_cast<size_t>(current_)].sheet),
                                               static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column), value,
                                               static_cast<lxw_format*>(Format(style)));
    char shown[64];
    std::snprintf(shown, sizeof shown, "%.10g", value);
    Measure(column, static_cast<double>(std::strlen(shown)));
    return e == LXW_NO_ERROR;
}

bool Book::Date(int row, int column, int yyyymmdd, const CellStyle& style)
{
    if (yyyymmdd == 0)
        return Text(row, column, "", style);
    lxw_datetime when{};
    when.year = yyyymmdd / 10000;
    when.month = yyyymmdd / 100 % 100;
    when.day = yyyymmdd % 100;
    if (when.month < 1 || when.month > 12 || when.day < 1 || when.day > 31)
        return Text(row, column, std::to_string(yyyymmdd), style);
    CellStyle dated = style;
    dated.date = true;
    const lxw_error e = worksheet_write_datetime(S(sheets_[static_cast<size_t>(current_)].sheet),
                                                 static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column), &when,
                                                 static_cast<lxw_format*>(Format(dated)));
    Measure(column, 10);
    return e == LXW_NO_ERROR;
}

bool Book::Rule(int row, int column, int weight)
{
    if (book_ == nullptr || row < 0 || column < 0)
        return false;
    CellStyle style;
    style.border = weight <= 0 ? 1 : weight;
    return worksheet_write_blank(S(sheets_[static_cast<size_t>(current_)].sheet), static_cast<lxw_row_t>(row),
                                 static_cast<lxw_col_t>(column),
                                 static_cast<lxw_format*>(Format(style))) == LXW_NO_ERROR;
}

void Book::SetColumnWidth(int column, double characters)
{
    if (book_ == nullptr || column < 0)
        return;
    Sheet& s = sheets_[static_cast<size_t>(current_)];
    s.given[column] = characters;
    worksheet_set_column(S(s.sheet), static_cast<lxw_col_t>(column), static_cast<lxw_col_t>(column), characters,
                         nullptr);
}

void Book::FreezePanes(int row, int column)
{
    if (book_ == nullptr)
        return;
    worksheet_freeze_panes(S(sheets_[static_cast<size_t>(current_)].sheet), static_cast<lxw_row_t>(row),
                           static_cast<lxw_col_t>(column));
}

void Book::FitWidths()
{
    if (book_ == nullptr)
        return;
    Sheet& s = sheets_[static_cast<size_t>(current_)];
    for (const auto& [column, width] : s.widest)
        if (s.given.count(column) == 0)
            worksheet_set_column(S(s.sheet), static_cast<lxw_col_t>(column), static_cast<lxw_col_t>(column),
                                 width + 2, nullptr);
}

bool Book::Close()
{
    if (book_ == nullptr)
        return false;
    const lxw_error e = workbook_close(B(book_));
    book_ = nullptr;
    sheets_.clear();
    formats_.clear();
    if (e != LXW_NO_ERROR || std::rename(aside_.c_str(), path_.c_str()) != 0) {
        ::unlink(aside_.c_str());
        return false;
    }
    return true;
}

void Book::Abandon()
{
    if (book_ != nullptr) {
        // The library writes only at close: close into the aside name and
        // drop it.
        workbook_close(B(book_));
        book_ = nullptr;
        ::unlink(aside_.c_str());
    }
    sheets_.clear();
    formats_.clear();
}

}  // namespace bwxlsx
