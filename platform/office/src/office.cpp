// The spreadsheet side of the office library: one workbook in memory from
// request 2 (open) to request 3 (close and save), cells with their fonts
// and alignment, rules as bottom borders, sheets, frozen panes and widths
// fitted to the widest text of each column.
#include <cstring>
#include <memory>
#include <string>

#include "office_automation.h"
#include "xlsx_book.h"

namespace {

struct Export {
    std::unique_ptr<bwxlsx::Book> book;
};

Export& TheExport()
{
    static Export e;
    return e;
}

std::string Field(const char* text, size_t size)
{
    return std::string(text, strnlen(text, size));
}

bwxlsx::CellStyle StyleOf(const OfficeFont& font, uint32_t align)
{
    bwxlsx::CellStyle s;
    s.face = Field(font.face, sizeof font.face);
    s.size = font.size;
    s.bold = (font.style & 1) != 0;
    s.italic = (font.style & 2) != 0;
    s.underline = (font.style & 4) != 0;
    s.colour = font.colour;
    s.align = static_cast<int>(align <= 3 ? align : 0);
    return s;
}

bool NumberText(const std::string& text, double& value)
{
    std::string plain;
    for (char c : text)
        if (c != ',')
            plain += c;
    if (plain.empty() || plain.find_first_not_of("0123456789.-") != std::string::npos)
        return false;
    char* end = nullptr;
    value = std::strtod(plain.c_str(), &end);
    return end != nullptr && *end == '\0';
}

}  // namespace

extern "C" {

OFFICE_API int BwExcelAutomation(void* request)
{
    if (request == nullptr)
        return -1;
    auto& q = *static_cast<OfficeRequest*>(request);
    Export& e = TheExport();
    switch (q.request) {
    case OFFICE_PROBE:
        return 1;
    case OFFICE_OPEN: {
        e.book = std::make_unique<bwxlsx::Book>();
        if (!e.book->Open(Field(q.workbook, sizeof q.workbook))) {
            e.book.reset();
            return -1;
        }
        return 1;
    }
    case OFFICE_CLOSE: {
        if (!e.book)
            return -1;
        for (int s = 1; s <= e.book->SheetCount(); ++s) {
            e.book->SelectSheet(s);
            e.book->FitWidths();
        }
        e.book->SelectSheet(1);
        const bool ok = e.book->Close();
        e.book.reset();
        return ok ? 1 : -1;
    }
    case OFFICE_ADD_SHEET:
        return e.book && e.book->AddSheet() ? 1 : 0;
    case OFFICE_COUNT_SHEETS:
        return e.book ? e.book->SheetCount() : -1;
    case OFFICE_SELECT_SHEET:
        return e.book && e.book->SelectSheet(static_cast<int>(q.sheet)) ? 1 : 0;
    case OFFICE_WRITE_CELL_FONT:
    case OFFICE_WRITE_CELL: {
        if (!e.book || q.row < 1 || q.column < 1)
            return 0;
        const std::string text = Field(q.text, sizeof q.text);
        const bwxlsx::CellStyle style = StyleOf(q.request == OFFICE_WRITE_CELL_FONT ? q.cellFont : q.reportFont, q.align);
        double value = 0;
        const int row = static_cast<int>(q.row) - 1, column = static_cast<int>(q.column) - 1;
        const bool ok = q.align == 2 && NumberText(text, value) ? e.book->Number(row, column, value, style)
                                                                : e.book->Text(row, column, text, style);
        return ok ? 1 : 0;
    }
    case OFFICE_COMMAND1:
        if (!e.book)
            return 0;
        e.book->FreezePanes(static_cast<int>(q.row), 0);
        return 1;
    case OFFICE_COMMAND0:
        if (!e.book)
            return 0;
        e.book->FitWidths();
        return 1;
    case OFFICE_APPLY_COLUMNS:
        if (!e.book)
            return 0;
        for (int i = 0; i < 256 && q.enabled[i]; ++i)
            if (q.numbers[i] >= 1 && q.ends[i] > q.starts[i] && q.filledFromList)
                e.book->SetColumnWidth(q.numbers[i] - 1, q.ends[i] - q.starts[i]);
        return 1;
    case OFFICE_RULE: {
        if (!e.book || q.row < 1 || q.column < 1)
            return 0;
        return e.book->Rule(static_cast<int>(q.row) - 1, static_cast<int>(q.column) - 1,
                            q.ruleWeight == 6 ? 6 : 1)
                   ? 1
                   : 0;
    }
    default:
        return 0;
    }
}

OFFICE_API int BwMailMergeAutomation(void* request)
{
    if (request == nullptr)
        return -1;
    const auto& q = *static_cast<const MailMergeRequest*>(request);
    return q.probe == 1 ? 1 : 0;
}

}  // extern "C"
