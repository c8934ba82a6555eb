// The text report driver: opening a report on a TextReportState, placing
// text, rows of values and rules in its line buffer, ending lines and pages
// (with the copies of each page), page headings, and closing the report.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/reports.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/text_report.h"
#include "fx.h"

namespace bwps::textreport {
namespace {

constexpr int kCompanyFields[] = {16, 98, 139, 180};
constexpr int kCompanyFieldWidth = 41;
constexpr int kPhoneOffset = 252;
constexpr int kFaxOffset = 284;
constexpr int kPhoneWidth = 15;

// The copies block: i32 number of copies, u8 list started, u8 list failed,
// the number of the list of kept lines.
struct CopiesBlock {
    int32_t copies;
    uint8_t started;
    uint8_t failed;
    uint32_t list;
};

CopiesBlock ReadCopies(const TextReportState& state)
{
    CopiesBlock block{};
    std::memcpy(&block.copies, state.Copies, 4);
    block.started = state.Copies[4];
    block.failed = state.Copies[5];
    std::memcpy(&block.list, state.Copies + 6, 4);
    return block;
}

void WriteCopies(TextReportState& state, const CopiesBlock& block)
{
    std::memcpy(state.Copies, &block.copies, 4);
    state.Copies[4] = block.started;
    state.Copies[5] = block.failed;
    std::memcpy(state.Copies + 6, &block.list, 4);
}

struct KeptLines {
    uint32_t next = 1;
    std::map<uint32_t, std::vector<std::string>> lists;
};

KeptLines& Lists()
{
    static KeptLines lists;
    return lists;
}

void EmptyKeptLines(TextReportState& state)
{
    CopiesBlock block = ReadCopies(state);
    if (block.list != 0)
        Lists().lists.erase(block.list);
    block.list = 0;
    block.started = 0;
    WriteCopies(state, block);
}

bool IsExport(const TextReportState& state)
{
    return state.ExportKind >= TEXT_EXPORT_XLS && state.ExportKind <= TEXT_EXPORT_WKW;
}

bool PlacesText(const TextReportState& state)
{
    return state.ExportKind == TEXT_EXPORT_REPORT || state.ExportKind == TEXT_EXPORT_HTML;
}

int LineWidth(const TextReportState& state)
{
    return std::clamp<int>(state.Width, 0, TEXT_REPORT_LINE_CHARS);
}

void Blank(TextReportState& state)
{
    std::memset(state.Line, ' ', TEXT_REPORT_LINE_CHARS);
    state.Line[TEXT_REPORT_LINE_CHARS] = '\0';
    state.Pending = 0;
    state.LineLength = 0;
}

// Copies text into the line buffer at a column, cut at the buffer's end.
void Put(TextReportState& state, const char* text, size_t length, int column)
{
    if (column < 0)
        column = 0;
    if (column >= TEXT_REPORT_LINE_CHARS)
        return;
    const size_t room = static_cast<size_t>(TEXT_REPORT_LINE_CHARS - column);
    std::memcpy(state.Line + column, text, std::min(length, room));
}

std::string HtmlEscaped(const char* bytes, int length)
{
    std::string out;
    out.reserve(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        switch (bytes[i]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += bytes[i];
        }
    }
    return out;
}

// Writes one line of bytes to the destination; keeps it for the copies.
void Emit(TextReportState& state, const char* bytes, int length)
{
    if (state.Aborted != 0)
        return;
    CopiesBlock block = ReadCopies(state);
    if (block.copies >= 2 && block.failed == 0) {
        KeptLines& kept = Lists();
        if (block.started == 0 || block.list == 0) {
            block.list = kept.next++;
            block.started = 1;
            kept.lists[block.list].clear();
        }
        std::vector<std::string>& list = kept.lists[block.list];
        if (list.size() >= TEXT_REPORT_KEPT_LINES_MAX) {
            Show(TEXT_MSG_COPIES_FULL);
            kept.lists.erase(block.list);
            block.list = 0;
            block.failed = 1;
        } else {
            list.emplace_back(bytes, static_cast<size_t>(length));
        }
        WriteCopies(state, block);
    }
    switch (state.Destination) {
    case TEXT_REPORT_TO_SCREEN: {
        if (!WriteFileBytes(state, bytes, length))
            return;
        ++state.ScreenLines;
        unsigned char record[TEXT_REPORT_INDEX_RECORD];
        const uint16_t size = static_cast<uint16_t>(length);
        record[0] = static_cast<unsigned char>(size & 0xFF);
        record[1] = static_cast<unsigned char>(size >> 8);
        for (int i = 0; i < 4; ++i)
            record[2 + i] = static_cast<unsigned char>((state.ScreenOffset >> (8 * i)) & 0xFF);
        int written = 0;
        if (FxFileWrite(state.IndexHandle, record, sizeof record, &written) != 0 ||
            written != static_cast<int>(sizeof record)) {
            Show(TEXT_MSG_WRITE_FAILED);
            state.Aborted = 1;
            return;
        }
        state.ScreenOffset += static_cast<uint32_t>(length);
        break;
    }
    case TEXT_REPORT_TO_PRINTER: SendPrinterBytes(state, bytes, length); break;
    case TEXT_REPORT_TO_FILE:
        if (state.ExportKind == TEXT_EXPORT_HTML) {
            const std::string html = HtmlEscaped(bytes, length);
            WriteFileBytes(state, html.data(), static_cast<int>(html.size()));
        } else {
            WriteFileBytes(state, bytes, length);
        }
        break;
    default: break;
    }
}

// Writes the kept lines of the page again, copies - 1 times, then forgets
// them.
void ReplayCopies(TextReportState& state)
{
    const CopiesBlock block = ReadCopies(state);
    if (block.copies < 2 || block.started == 0 || block.failed != 0 || block.list == 0)
        return;
    std::vector<std::string> lines;
    const auto it = Lists().lists.find(block.list);
    if (it != Lists().lists.end())
        lines.swap(it->second);
    uint8_t saved[sizeof state.Copies];
    std::memcpy(saved, state.Copies, sizeof saved);
    std::memset(state.Copies, 0, sizeof state.Copies);
    for (int copy = 1; copy < block.copies && state.Aborted == 0; ++copy)
        for (const std::string& line : lines)
            Emit(state, line.data(), static_cast<int>(line.size()));
    std::memcpy(state.Copies, saved, sizeof saved);
    Lists().lists[block.list].clear();
}

// The number in a picture that is too wide for the line buffer.
bool PictureTooWide(const char* format)
{
    for (const char* p = format; *p != '\0'; ++p)
        if (*p >= '0' && *p <= '9') {
            const long value = std::strtol(p, nullptr, 10);
            if (value > TEXT_REPORT_LINE_CHARS || value < 0)
                return true;
            while (*p >= '0' && *p <= '9')
                ++p;
            if (*p == '\0')
                break;
        }
    return false;
}

bool IsNumberType(int type)
{
    return type >= 9 && type <= 11;
}

// The entry's value as text; false when the entry has no usable picture.
bool FormatEntry(const TextReportState& state, const TagReportColumn& entry, std::string& text)
{
    char format[sizeof entry.format + 1] = {};
    std::memcpy(format, entry.format, sizeof entry.format);
    if (PictureTooWide(format))
        return false;
    char out[1024] = {};
    if (entry.type == 10) {
        double value = 0;
        std::memcpy(&value, entry.value, sizeof value);
        if (entry.decimals >= 1) {
            FxPictureAdjust(0, format);
            if (entry.decimals > 1)
                value /= std::pow(10.0, entry.decimals - 1);
        }
        FxFormatValue(out, format, 10, &value);
    } else {
        FxFormatValue(out, format, entry.type, entry.value);
    }
    out[sizeof out - 1] = '\0';
    if (IsNumberType(entry.type))
        FxDecimalPoint('.', out);
    if (entry.blankZero != 0 && PlacesText(state))
        FxBlankZero(out, '.');
    text.assign(out, strnlen(out, TEXT_REPORT_LINE_CHARS));
    return true;
}

std::string Trim(const std::string& text)
{
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos)
        return std::string();
    const auto end = text.find_last_not_of(' ');
    return text.substr(begin, end - begin + 1);
}

void SheetRow(TextReportState& state, const TagReportColumn* columns, int newLines)
{
    FxSheet* sheet = Sheet(state);
    for (int i = 0; i < TEXT_REPORT_COLUMN_LIMIT && columns[i].type != 0; ++i) {
        const TagReportColumn& entry = columns[i];
        if (entry.skip != 0 || entry.value == nullptr)
            continue;
        std::string text;
        if (!FormatEntry(state, entry, text) || sheet == nullptr)
            continue;
        if (IsNumberType(entry.type)) {
            std::string digits;
            for (char c : text)
                if (c != ',' && c != ' ')
                    digits += c;
            char* end = nullptr;
            const double value = std::strtod(digits.c_str(), &end);
            if (!digits.empty() && end != nullptr && *end == '\0')
                FxSheetNumber(sheet, value);
            else
                FxSheetText(sheet, Trim(text).c_str());
        } else {
            FxSheetText(sheet, Trim(text).c_str());
        }
    }
    if (newLines != 0) {
        if (sheet == nullptr || FxSheetEndRow(sheet) != 0) {
            Show(TEXT_MSG_SHEET_ROW);
            state.Aborted = 1;
            return;
        }
        state.LinesOnPage += newLines;
    }
}

const char* HeadingLine(const TextReportState& state, int index)
{
    if (index < 0 || index >= 4 || state.HeadingLines[index] == 0)
        return nullptr;
    return reinterpret_cast<const char*>(state.Company) + state.HeadingLines[index];
}

std::string CompanyText(const TextReportState& state, int offset, int width)
{
    const char* field = reinterpret_cast<const char*>(state.Company) + offset;
    std::string text(field, strnlen(field, static_cast<size_t>(width)));
    const auto end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace

void ForgetKeptLines()
{
    Lists().lists.clear();
    Lists().next = 1;
}

}  // namespace bwps::textreport

using namespace bwps::textreport;

extern "C" {

uint8_t TextReportOpen(TextReportState* state)
{
    if (state == nullptr)
        return 0;
    SessionBlock* session = GetSessionPaths();
    GetDefaultProfileName(session->StationPrinters);

    const TextReportState request = *state;
    std::memset(state, 0, sizeof *state);
    if (request.PresetDestination != 0) {
        state->Destination = request.PresetDestination;
        state->PresetDestination = request.PresetDestination;
        state->PrinterChoice = request.PrinterChoice;
    } else {
        state->Destination = session->ReportDestination;
    }
    state->Condensed = request.Condensed;
    state->Quiet = request.Quiet;
    state->Kept3 = request.Kept3;
    state->Width = request.Width;
    state->Kept2197 = request.Kept2197;
    std::memcpy(state->ViewerWindow, request.ViewerWindow, sizeof state->ViewerWindow);
    state->NoTitle = request.NoTitle;
    if (request.KeysGiven != 0) {
        state->KeysGiven = request.KeysGiven;
        std::memcpy(state->ViewerKeys, request.ViewerKeys, sizeof state->ViewerKeys);
        state->KeyTable = request.KeyTable;
    }
    state->FirstPage = request.FirstPage;
    state->Page = request.FirstPage != 0 ? request.FirstPage : 1;
    state->FullHeading = 1;
    state->ExportKind = TEXT_EXPORT_REPORT;
    state->Qualifier = '"';
    state->Separator = ',';
    state->Port = 1;
    std::string folder = GetSessionPaths()->ProgramPath;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    std::snprintf(state->FileName, sizeof state->FileName, "%s", folder.c_str());
    state->FileHandle = state->IndexHandle = state->ParallelHandle = -1;
    state->ParallelPort = state->SerialPort = -1;
    char clock[16] = {};
    FxTimeNowText(clock, 1);
    std::snprintf(state->Heading1, sizeof state->Heading1, "Time : %s", clock);
    char date[16] = {};
    FxDateFormat(date, FxToday());
    std::snprintf(state->Heading2, sizeof state->Heading2, "Date : %s", date);
    std::memcpy(state->Copies, request.Copies, sizeof state->Copies);
    CopiesBlock copies = ReadCopies(*state);
    copies.started = 0;
    copies.failed = 0;
    copies.list = 0;
    WriteCopies(*state, copies);

    if (ReadGeneralRecord(0, 0, GENERAL_COMPANY_SIZE, GENERAL_KEY_COMPANY, state->Company) != 0)
        return 0;
    int count = 0;
    for (int offset : kCompanyFields) {
        const std::string text = CompanyText(*state, offset, kCompanyFieldWidth - 1);
        char* field = reinterpret_cast<char*>(state->Company) + offset;
        std::memset(field, 0, kCompanyFieldWidth);
        std::memcpy(field, text.data(), text.size());
        if (!text.empty())
            state->HeadingLines[count++] = static_cast<uint32_t>(offset);
    }
    state->HeadingCount = static_cast<int8_t>(count + 1);
    const std::string phone = CompanyText(*state, kPhoneOffset, kPhoneWidth);
    if (FxPictureMatch(phone.c_str(), "(nnn) nnn-nnnn") == 0) {
        std::string line = "Phone : " + phone;
        const std::string fax = CompanyText(*state, kFaxOffset, kPhoneWidth);
        if (FxPictureMatch(fax.c_str(), "(nnn) nnn-nnnn") == 0)
            line += "  Fax : " + fax;
        std::snprintf(state->PhoneFax, sizeof state->PhoneFax, "%s", line.c_str());
    }

    std::memcpy(&state->Printer, session->StationPrinters[0], sizeof state->Printer);
    state->SerialSettings[0] = 3;
    state->SerialSettings[1] = 0;
    state->SerialSettings[2] = 0;
    state->SerialSettings[3] = 0xE0;
    Blank(*state);
    if (state->Width <= 0)
        state->Width = state->Condensed != 0 ? 136 : 80;

    if (state->PresetDestination == 0) {
        const bool opened = RunDestinationScreen(*state);
        if (opened && state->Quiet == 0)
            OpenStatusWindow(*state);
        return opened ? 1 : 0;
    }
    if (state->Destination < TEXT_REPORT_TO_SCREEN || state->Destination > TEXT_REPORT_TO_FILE)
        return 0;
    if (state->Destination == TEXT_REPORT_TO_PRINTER) {
        const int choice = state->PrinterChoice;
        if (choice >= 1 && choice <= 3)
            std::memcpy(&state->Printer, session->StationPrinters[choice - 1], sizeof state->Printer);
        state->Port = state->Printer.port;
        state->LinesPerPage = state->Printer.linesPerPage;
    }
    session->ReportDestination = state->Destination;
    if (state->Destination == TEXT_REPORT_TO_FILE) {
        std::memcpy(state->FileName, request.FileName, sizeof state->FileName);
        state->FileName[sizeof state->FileName - 1] = '\0';
        // A preset file report may be an export: the request names its kind
        // and the delimited text's two characters.
        if (request.ExportKind <= TEXT_EXPORT_WKW)
            state->ExportKind = request.ExportKind;
        if (request.Qualifier != 0)
            state->Qualifier = request.Qualifier;
        if (request.Separator != 0)
            state->Separator = request.Separator;
    }
    if (!OpenOutput(*state)) {
        state->Destination = 0;
        return 0;
    }
    return 1;
}

int TextReportWriteLine(TextReportState* state)
{
    if (state == nullptr || state->Aborted != 0 || IsExport(*state))
        return 0;
    const int length = std::clamp<int>(state->LineLength, 0, TEXT_REPORT_LINE_CHARS);
    Emit(*state, state->Line, length);
    Blank(*state);
    return 0;
}

int TextReportClose(TextReportState* state)
{
    if (state == nullptr)
        return 0;
    CloseStatusWindow(*state);
    CloseOutput(*state);
    EmptyKeptLines(*state);
    return 0;
}

BWPS_EXPORT int TextReportClearLine(TextReportState* state)
{
    if (state != nullptr)
        Blank(*state);
    return 0;
}

BWPS_EXPORT int TextReportNewLines(TextReportState* state, int count)
{
    if (state == nullptr || state->Aborted != 0 || count < 1)
        return 0;
    const char* end = state->CrOnly != 0 ? "\r" : "\r\n";
    switch (state->Destination) {
    case TEXT_REPORT_TO_SCREEN: {
        int blank = count;
        if (state->Pending != 0) {
            std::string line(state->Line, static_cast<size_t>(LineWidth(*state)));
            line += end;
            Emit(*state, line.data(), static_cast<int>(line.size()));
            --blank;
        }
        for (int i = 0; i < blank && state->Aborted == 0; ++i)
            Emit(*state, "\r\n", 2);
        break;
    }
    case TEXT_REPORT_TO_PRINTER: {
        std::string line;
        if (state->Pending != 0)
            line.assign(state->Line, static_cast<size_t>(LineWidth(*state)));
        for (int i = 0; i < count; ++i)
            line += end;
        Emit(*state, line.data(), static_cast<int>(line.size()));
        break;
    }
    case TEXT_REPORT_TO_FILE: {
        if (IsExport(*state)) {
            FxSheet* sheet = Sheet(*state);
            if (sheet == nullptr || FxSheetEndRow(sheet) != 0) {
                Show(TEXT_MSG_SHEET_ROW);
                state->Aborted = 1;
            }
            break;
        }
        std::string line;
        if (state->Pending != 0) {
            int length = LineWidth(*state);
            if (state->ExportKind == TEXT_EXPORT_DELIMITED) {
                // The separator that ends the last field gives way to the
                // line end.
                length = 0;
                for (int i = TEXT_REPORT_LINE_CHARS - 1; i >= 0; --i)
                    if (state->Line[i] != ' ') {
                        length = i + 1;
                        break;
                    }
                if (length > 0 && state->Line[length - 1] == static_cast<char>(state->Separator))
                    --length;
            }
            line.assign(state->Line, static_cast<size_t>(length));
        }
        for (int i = 0; i < count; ++i)
            line += "\r\n";
        Emit(*state, line.data(), static_cast<int>(line.size()));
        break;
    }
    default: break;
    }
    Blank(*state);
    state->LinesOnPage += count;
    PollStatus(*state);
    return 0;
}

BWPS_EXPORT int TextReportLineFeed(TextReportState* state, int count)
{
    if (state != nullptr && (state->Destination == 4 || state->Destination == 5))
        return 1;
    return TextReportNewLines(state, count);
}

BWPS_EXPORT int TextReportEndPage(TextReportState* state)
{
    if (state == nullptr)
        return 0;
    if (state->Aborted == 0 && PlacesText(*state) && state->Destination >= TEXT_REPORT_TO_SCREEN &&
        state->Destination <= TEXT_REPORT_TO_FILE) {
        if (state->ExportKind != TEXT_EXPORT_HTML) {
            state->Line[0] = '\f';
            state->LineLength = 1;
        }
        TextReportWriteLine(state);
        ReplayCopies(*state);
        PollStatus(*state);
    }
    state->LinesOnPage = 0;
    ++state->Page;
    return 0;
}

BWPS_EXPORT int TextReportWriteText(TextReportState* state, const char* text, int column,
                                    int newLines)
{
    if (state == nullptr || text == nullptr || state->Aborted != 0 || !PlacesText(*state))
        return 0;
    const size_t length = std::strlen(text);
    if (column == -1)
        column = (state->Width - static_cast<int>(std::min<size_t>(length, 100000))) / 2;
    Put(*state, text, length, column);
    state->Pending = 1;
    if (newLines != 0)
        TextReportNewLines(state, newLines);
    return 0;
}

BWPS_EXPORT int TextReportWriteColumnRow(TextReportState* state, TagReportColumn* columns,
                                         int newLines)
{
    if (state == nullptr || columns == nullptr || state->Aborted != 0)
        return 0;
    if (IsExport(*state)) {
        SheetRow(*state, columns, newLines);
        return 0;
    }
    const bool delimited = !PlacesText(*state);
    int position = 0;
    for (int i = 0; i < TEXT_REPORT_COLUMN_LIMIT && columns[i].type != 0; ++i) {
        const TagReportColumn& entry = columns[i];
        if (entry.skip != 0 || entry.value == nullptr)
            continue;
        std::string text;
        if (!FormatEntry(*state, entry, text))
            continue;
        state->Pending = 1;
        if (!delimited) {
            if (entry.column + static_cast<long>(text.size()) > TEXT_REPORT_ROW_LIMIT)
                break;
            Put(*state, text.data(), text.size(), entry.column);
            continue;
        }
        std::string field;
        if (entry.type == 2) {
            const char q = static_cast<char>(state->Qualifier);
            field += q;
            for (char c : Trim(text)) {
                if (c == q)
                    field += q;  // a qualifier inside the text is doubled
                field += c;
            }
            field += q;
        } else {
            field = text;
        }
        field += static_cast<char>(state->Separator);
        Put(*state, field.data(), field.size(), position);
        position += static_cast<int>(field.size());
        if (position >= TEXT_REPORT_LINE_CHARS)
            break;
    }
    if (newLines != 0)
        TextReportNewLines(state, newLines);
    return 0;
}

BWPS_EXPORT int TextReportWriteColumnRule(TextReportState* state, TagReportColumn* columns,
                                          int newLines, int fill)
{
    if (state == nullptr || columns == nullptr || state->Aborted != 0 || !PlacesText(*state))
        return 0;
    if (columns[0].width == 0)
        for (int i = 0; i < TEXT_REPORT_COLUMN_LIMIT && columns[i].type != 0; ++i)
            columns[i].width = static_cast<int16_t>(strnlen(columns[i].format, sizeof columns[i].format));
    for (int i = 0; i < TEXT_REPORT_COLUMN_LIMIT && columns[i].type != 0; ++i) {
        const TagReportColumn& entry = columns[i];
        if (entry.skip != 0)
            continue;
        if (entry.column + static_cast<long>(entry.width) > TEXT_REPORT_ROW_LIMIT)
            break;
        if (entry.column < 0 || entry.width <= 0)
            continue;
        std::memset(state->Line + entry.column, fill, static_cast<size_t>(entry.width));
        state->Pending = 1;
    }
    if (newLines != 0)
        TextReportNewLines(state, newLines);
    return 0;
}

BWPS_EXPORT int TextReportWriteHeadingLine1(TextReportState* state, int column, int newLines)
{
    if (state != nullptr)
        TextReportWriteText(state, state->Heading1, column, newLines);
    return 0;
}

BWPS_EXPORT int TextReportWriteHeadingLine2(TextReportState* state, int column, int newLines)
{
    if (state != nullptr)
        TextReportWriteText(state, state->Heading2, column, newLines);
    return 0;
}

BWPS_EXPORT int TextReportWritePageNumber(TextReportState* state, int column, int newLines)
{
    if (state == nullptr)
        return 0;
    char text[32];
    std::snprintf(text, sizeof text, "Page no. %d", static_cast<int>(state->Page));
    if (column == -1)
        column = state->Width - static_cast<int>(std::strlen(text)) - 9;
    return TextReportWriteText(state, text, column, newLines);
}

BWPS_EXPORT int TextReportWritePageHeading(TextReportState* state, int halfWidth, int column,
                                           int extraLines)
{
    if (state == nullptr || state->Aborted != 0 || !PlacesText(*state))
        return 0;
    const int32_t width = state->Width;
    if (halfWidth != 0)
        state->Width = halfWidth * 2;
    if (state->FullHeading != 0) {
        TextReportWriteText(state, state->Heading2, 1, 0);
        if (const char* name = HeadingLine(*state, 0))
            TextReportWriteText(state, name, -1, 0);
        TextReportWritePageNumber(state, -1, 1);
        TextReportWriteText(state, state->Heading1, 1, 0);
        if (const char* line = HeadingLine(*state, 1))
            TextReportWriteText(state, line, column, 0);
        for (int i = 2; i < 4; ++i)
            if (const char* line = HeadingLine(*state, i)) {
                TextReportNewLines(state, 1);
                TextReportWriteText(state, line, column, 0);
            }
    } else {
        for (int i = 0; i < 4; ++i)
            if (const char* line = HeadingLine(*state, i))
                TextReportWriteText(state, line, column, 1);
    }
    TextReportNewLines(state, extraLines + (6 - state->HeadingCount));
    state->Width = width;
    return 0;
}

BWPS_EXPORT int TextReportWriteCentredHeading(TextReportState* state, int halfWidth, int newLines)
{
    return TextReportWritePageHeading(state, halfWidth, -1, newLines);
}

BWPS_EXPORT int TextReportWriteDashLine(int count, int newLines, TextReportState* state)
{
    if (state == nullptr)
        return 0;
    const std::string dashes(static_cast<size_t>(std::clamp<int>(count, 0, TEXT_REPORT_LINE_CHARS)), '-');
    return TextReportWriteText(state, dashes.c_str(), 1, newLines);
}

BWPS_EXPORT int TextReportColumnLimit(void)
{
    return TEXT_REPORT_COLUMN_LIMIT;
}

}  // extern "C"

BWPS_ORDINAL(761, TextReportWritePageHeading);
BWPS_ORDINAL(762, TextReportWriteHeadingLine1);
BWPS_ORDINAL(763, TextReportWriteHeadingLine2);
BWPS_ORDINAL(764, TextReportWritePageNumber);
BWPS_ORDINAL(765, TextReportLineFeed);
BWPS_ORDINAL(768, TextReportEndPage);
BWPS_ORDINAL(771, TextReportClearLine);
BWPS_ORDINAL(772, TextReportNewLines);
BWPS_ORDINAL(773, TextReportWriteText);
BWPS_ORDINAL(774, TextReportWriteColumnRow);
BWPS_ORDINAL(775, TextReportWriteColumnRule);
BWPS_ORDINAL(776, TextReportWriteCentredHeading);
BWPS_ORDINAL(777, TextReportWriteDashLine);
BWPS_ORDINAL(822, TextReportColumnLimit);
