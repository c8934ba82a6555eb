// The dictionary of form variables (BPOSVAR.DB) held in memory, and the
// tags of printed forms: finding a tag in a line, reading its name, looking
// it up, formatting a value to the tag's width and acting on the control
// variables.
#include "bwps/form_variables.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/pos_transaction.h"
#include "bwps/report_services.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "bwps/text_report.h"
#include "fx.h"
#include "recman.h"
#include "reports/forms_internal.h"

using bwps::FileNo;
using bwps::No;

namespace {

constexpr int kNameField = sizeof(TagColumnVar::Name);      // 19
constexpr int kFormVarKey = 2;

TagColumnVar* g_table = nullptr;
int g_count = 0;

std::string Trim(const std::string& s)
{
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string FieldText(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

// A name in the table's form: blank-padded to 18 characters, NUL at 18.
void PadName(char (&name)[kNameField])
{
    name[kNameField - 1] = '\0';
    FxPadBlanks(name, kNameField);
}

int CompareNames(const TagColumnVar& a, const TagColumnVar& b)
{
    return std::strncmp(a.Name, b.Name, kNameField);
}

bool IsDigit1To9(char c) { return c >= '1' && c <= '9'; }

// Fills %s and %d of a text of the resources, in order, from the values
// given; any other conversion is copied as it stands. The texts are data:
// they never reach printf.
std::string FillText(const std::string& text, const std::vector<std::string>& values)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            const char c = text[i + 1];
            if (c == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (c == 's' || c == 'd') {
                if (next < values.size())
                    out += values[next];
                ++next;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The tag at text[start] ('{'): its name as the parser reads it (every
// character above blank and below '{', points left out) and its length
// through the '}'. False when no '}' closes it.
bool ReadTag(const char* text, int start, std::string& name, int& length)
{
    name.clear();
    length = 0;
    if (text == nullptr || start < 0)
        return false;
    const size_t size = std::strlen(text);
    if (static_cast<size_t>(start) >= size || text[start] != '{')
        return false;
    for (size_t i = static_cast<size_t>(start) + 1; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '}') {
            length = static_cast<int>(i - static_cast<size_t>(start) + 1);
            return true;
        }
        if (c > ' ' && c < '{' && c != '.')
            name += static_cast<char>(c);
    }
    return false;
}

// Today's date by a date format of the dictionary (1 to 9).
std::string DateText(int format)
{
    static const char* const kMonths[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                            "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
    const int32_t date = FxToday();
    const int year = date / 10000, month = date / 100 % 100, day = date % 100;
    const char* name = month >= 1 && month <= 12 ? kMonths[month - 1] : "";
    char out[64];
    switch (format) {
    case 2: std::snprintf(out, sizeof out, "%02d/%02d/%04d", month, day, year); break;
    case 3: std::snprintf(out, sizeof out, "%s %02d, %04d", name, day, year); break;
    case 4: std::snprintf(out, sizeof out, "%02d/%02d/%02d", day, month, year % 100); break;
    case 5: std::snprintf(out, sizeof out, "%02d/%02d/%04d", day, month, year); break;
    case 6: std::snprintf(out, sizeof out, "%02d %s %04d", day, name, year); break;
    case 7: std::snprintf(out, sizeof out, "%02d/%02d/%02d", year % 100, month, day); break;
    case 8: std::snprintf(out, sizeof out, "%04d/%02d/%02d", year, month, day); break;
    case 9: std::snprintf(out, sizeof out, "%04d %s %02d", year, name, day); break;
    default: std::snprintf(out, sizeof out, "%02d/%02d/%02d", month, day, year % 100); break;
    }
    return out;
}

std::string TimeText()
{
    const TagSysInterface* settings = GetSysInterfaceRecord();
    const int style = settings != nullptr && settings->InterfacedChar == 'Y' ? 4 : 1;
    char out[32] = {};
    FxTimeFormat(out, FxClock(), style);
    return out;
}

void PutText(char* text, const std::string& value)
{
    if (text == nullptr)
        return;
    const size_t n = std::min<size_t>(value.size(), 255);
    std::memcpy(text, value.data(), n);
    text[n] = '\0';
}

}  // namespace

namespace bwps::forms {

void ResetFormVariables()
{
    FxFree(g_table);
    g_table = nullptr;
    g_count = 0;
}

std::string ReaderLine(const FxTextReader& reader)
{
    const int length = std::clamp<int>(reader.length, 0, static_cast<int>(sizeof reader.line) - 1);
    std::string line(reader.line, static_cast<size_t>(length));
    std::replace(line.begin(), line.end(), '\0', ' ');
    return line;
}

}  // namespace bwps::forms

extern "C" {

BWPS_EXPORT int FormVarsAlloc(void)
{
    if (g_table == nullptr)
        g_table = static_cast<TagColumnVar*>(FxAlloc(FORM_VARS_CAPACITY, sizeof(TagColumnVar)));
    return g_table != nullptr ? 1 : 0;
}

BWPS_EXPORT int FormVarsFree(void)
{
    bwps::forms::ResetFormVariables();
    return 0;
}

BWPS_EXPORT int OpenFormVarsFile(uint16_t* handle)
{
    if (handle == nullptr)
        return B_INVALID_FILE_NAME;
    *handle = 0;
    std::string path;
    const char* folder = GetFilesPath();
    const char* name = GetDataFileName(No(FileNo::FormVariables));
    if (folder != nullptr && name != nullptr) {
        path = std::string(folder) + name;
        if (FxFileAccess(path.c_str(), 0) != 0)
            path.clear();
    }
    if (path.empty()) {
        const char* catalogue = GetDataFilePath(No(FileNo::FormVariables));
        path = catalogue != nullptr ? catalogue : "";
    }
    const int status = BtrOpenFile(handle, path.c_str(), 0, 0);
    if (status != 0) {
        *handle = 0;
        ReportRecordManagerError(status, 1, bwps::kOpenOperation, No(FileNo::FormVariables), 0);
    }
    return status;
}

BWPS_EXPORT int LoadFormVarsGroup(uint16_t handle, int pageEnd, int group, int* count, TagColumnVar* firstFree)
{
    if (count == nullptr || firstFree == nullptr || g_table == nullptr)
        return -1;
    BtrSetDefaults(handle, kFormVarKey, -1);
    bwps::KeyBuffer key;
    const int16_t start[2] = {static_cast<int16_t>(group), 0};
    std::memcpy(key.bytes, start, sizeof start);
    TagColumnVar record{};
    int status = BtrGet(B_GET_GE, handle, key.bytes, &record, sizeof record);
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_GET_GE, No(FileNo::FormVariables), 0);
        return status;
    }
    TagColumnVar* out = firstFree;
    while (record.Category == group) {
        const bool pageEndVariable = record.Category == FORM_GROUP_CTRL && record.Number == FORM_CTRL_PAGE_END;
        if (!pageEndVariable || pageEnd != 0) {
            if (*count >= FORM_VARS_CAPACITY) {
                ShowMessage(FORM_VARS_FULL_MESSAGE, MESSAGE_DEFAULT_CONTEXT);
                return 0;
            }
            *out = record;
            out->Picture[sizeof out->Picture - 1] = '\0';
            FxTrimText(5, out->Picture);
            PadName(out->Name);
            ++out;
            ++*count;
        }
        status = BtrGet(B_GET_NEXT, handle, key.bytes, &record, sizeof record);
        if (status == B_END_OF_FILE)
            break;
        if (status != 0) {
            ReportRecordManagerError(status, 1, B_GET_NEXT, No(FileNo::FormVariables), 0);
            return status;
        }
    }
    return 0;
}

BWPS_EXPORT int LoadFormVars(int pageEnd, int group, ...)
{
    if (g_table == nullptr)
        return -1;
    uint16_t handle = 0;
    int status = OpenFormVarsFile(&handle);
    if (status != 0)
        return status;
    g_count = 0;
    std::va_list groups;
    va_start(groups, group);
    for (int g = group; g != FORM_VARS_END; g = va_arg(groups, int)) {
        status = LoadFormVarsGroup(handle, pageEnd, g, &g_count, g_table + g_count);
        if (status != 0 || g_count >= FORM_VARS_CAPACITY)
            break;
    }
    va_end(groups);
    std::stable_sort(g_table, g_table + g_count,
                     [](const TagColumnVar& a, const TagColumnVar& b) { return CompareNames(a, b) < 0; });
    BtrCloseFile(handle);
    return status;
}

BWPS_EXPORT int FormVarsFind(const char* name, TagColumnVar* entry)
{
    if (name == nullptr || g_table == nullptr)
        return 0;
    // A name longer than the field names no variable.
    std::string wanted = name;
    wanted.erase(wanted.find_last_not_of(' ') + 1);
    if (wanted.size() > FORM_VAR_NAME_CHARS)
        return 0;
    TagColumnVar key{};
    std::memcpy(key.Name, wanted.data(), wanted.size());
    PadName(key.Name);
    const TagColumnVar* begin = g_table;
    const TagColumnVar* end = g_table + g_count;
    const TagColumnVar* found = std::lower_bound(
        begin, end, key, [](const TagColumnVar& a, const TagColumnVar& b) { return CompareNames(a, b) < 0; });
    if (found == end || CompareNames(*found, key) != 0)
        return 0;
    if (entry != nullptr) {
        *entry = *found;
        FxTrimText(5, entry->Name);
    }
    return 1;
}

BWPS_EXPORT int FormVarsDump(void)
{
    for (int i = 0; i < g_count; ++i)
        std::printf(" Name = %s\n", FieldText(g_table[i].Name, kNameField).c_str());
    std::fflush(stdout);
    return 1;
}

BWPS_EXPORT int FormParseTagName(int tagStart, int* tagLength, char* name, const char* text)
{
    std::string parsed;
    int length = 0;
    const bool closed = ReadTag(text, tagStart, parsed, length);
    if (tagLength != nullptr)
        *tagLength = length;
    if (name != nullptr) {
        const size_t n = std::min<size_t>(parsed.size(), FORM_VAR_NAME_CHARS);
        std::memcpy(name, parsed.data(), n);
        name[n] = '\0';
    }
    return closed ? 1 : 0;
}

BWPS_EXPORT int FormFindNextVariable(int blank, int* position, int* tagStart, int* tagLength, int* status,
                                     char* text, TagColumnVar* entry)
{
    int start = 0, length = 0, result = 0;
    const auto answer = [&](bool found) {
        if (tagStart != nullptr)
            *tagStart = start;
        if (tagLength != nullptr)
            *tagLength = length;
        if (status != nullptr)
            *status = result;
        return found ? 1 : 0;
    };
    if (text == nullptr || position == nullptr)
        return answer(false);
    const int size = static_cast<int>(std::strlen(text));
    if (*position < 0 || *position >= size)
        return answer(false);
    const char* brace = std::strchr(text + *position, '{');
    if (brace == nullptr)
        return answer(false);
    start = static_cast<int>(brace - text);
    std::string name;
    if (!ReadTag(text, start, name, length)) {
        result = FORM_TAG_UNCLOSED;
        return answer(false);
    }
    TagColumnVar found{};
    if (name.size() > FORM_VAR_NAME_CHARS || !FormVarsFind(name.c_str(), &found)) {
        result = FORM_TAG_UNKNOWN;
        return answer(false);
    }
    if (entry != nullptr)
        *entry = found;
    *position = start + length;
    if (blank != 0)
        std::memset(text + start, ' ', static_cast<size_t>(length));
    return answer(true);
}

BWPS_EXPORT int FormKeepTagsOnly(char* output, const char* text)
{
    if (output == nullptr || text == nullptr)
        return 0;
    const size_t size = std::strlen(text);
    bool inTag = false;
    for (size_t i = 0; i < size; ++i) {
        if (text[i] == '{')
            inTag = true;
        if (!inTag)
            output[i] = ' ';
        if (text[i] == '}')
            inTag = false;
    }
    output[size] = '\0';
    return 0;
}

BWPS_EXPORT int FormFormatVariable(char* value, int width, const TagColumnVar* entry)
{
    if (value == nullptr || entry == nullptr)
        return 1;
    std::string text = value;
    if (width >= 0 && width < entry->Width && text.size() > static_cast<size_t>(width))
        text.resize(static_cast<size_t>(width));
    const size_t size = text.size();
    const std::string trimmed = Trim(text);
    switch (entry->Justify) {
    case 'C': {
        const size_t left = (size - trimmed.size()) / 2;
        text = std::string(left, ' ') + trimmed;
        text.resize(size, ' ');
        break;
    }
    case 'L':
        if (!trimmed.empty()) {
            text = trimmed;
            text.resize(size, ' ');
        }
        break;
    case 'R':
        text = std::string(size - trimmed.size(), ' ') + trimmed;
        break;
    default:
        break;
    }
    std::memcpy(value, text.c_str(), text.size() + 1);
    return 1;
}

BWPS_EXPORT int FormTrimNumericValue(char* value, int, const TagColumnVar* entry)
{
    if (value == nullptr || entry == nullptr)
        return 0;
    switch (entry->Type) {
    case 1: case 2: case 3: case 4: case 12: case 13: case 16:
        return 0;
    default:
        break;
    }
    const size_t size = std::strlen(value);
    if (entry->Fill == 'W') {
        if (std::any_of(value, value + size, IsDigit1To9))
            return 0;
        std::memset(value, ' ', size);
        return 1;
    }
    if (entry->Fill != 'F')
        return 0;
    std::string text = value;
    size_t i = size;
    for (; i > 0; --i) {
        const char c = text[i - 1];
        if (c == '.') {
            text[i - 1] = ' ';
            break;
        }
        if (c != ' ' && c != '0')
            return 0;
        text[i - 1] = ' ';
    }
    if (i == 0)
        return 0;   // no decimal point: nothing to drop
    if (entry->Type == 9 || entry->Type == 10 || entry->Type == 11) {
        const std::string shortened = Trim(text);
        text = std::string(size - shortened.size(), ' ') + shortened;
    }
    std::memcpy(value, text.c_str(), size + 1);
    return 1;
}

BWPS_EXPORT int FormShowTagError(const char* buttons, int status, int line, int column, const char* name)
{
    char* texts[8] = {};
    int width = 0, count = 0;
    FxTextListLoad(FORM_TAG_ERROR_LIST, texts, &width, &count, 8);
    const auto text = [&](int i) { return i < count && texts[i] != nullptr ? std::string(texts[i]) : std::string(); };
    std::string first, second;
    if (status == FORM_TAG_UNKNOWN) {
        first = FillText(text(2), {name != nullptr ? name : ""});
        second = FillText(text(3), {std::to_string(line)});
    } else {
        first = text(0);
        second = FillText(text(1), {std::to_string(line), std::to_string(column)});
    }
    FxTextListFree(texts);
    std::vector<char> a(first.begin(), first.end()), b(second.begin(), second.end());
    a.push_back('\0');
    b.push_back('\0');
    char* lines[3] = {a.data(), b.data(), nullptr};
    FxChoiceDialog(lines, buttons != nullptr && *buttons != '\0' ? buttons : MESSAGE_BUTTONS_CONTINUE,
                   MESSAGE_STYLE_SHOW, 0, nullptr, 0);
    return 0;
}

BWPS_EXPORT int FormFindTag(const char* tag, const char* line, int* position)
{
    int from = position != nullptr && *position != -1 ? *position : 0;
    if (position != nullptr)
        *position = -1;
    if (tag == nullptr || line == nullptr || from < 0)
        return 0;
    const size_t size = std::strlen(line);
    const size_t tagSize = std::strlen(tag);
    // The tag text is given with its '{' or without it.
    const bool withBrace = tagSize > 0 && tag[0] == '{';
    for (size_t i = static_cast<size_t>(from); i < size; ++i) {
        if (line[i] != '{')
            continue;
        const size_t at = withBrace ? i : i + 1;
        if (std::strncmp(line + at, tag, tagSize) == 0) {
            if (position != nullptr)
                *position = static_cast<int>(i);
            return 1;
        }
    }
    return 0;
}

BWPS_EXPORT int FormBlankTag(int position, char* line)
{
    if (line == nullptr || line[0] == '\0' || position < 0)
        return 0;
    const size_t size = std::strlen(line);
    if (static_cast<size_t>(position) >= size)
        return 1;
    const char* close = std::strchr(line + position, '}');
    if (close != nullptr)
        std::memset(line + position, ' ', static_cast<size_t>(close - line - position + 1));
    return 1;
}

BWPS_EXPORT int FormScanLayout(int* lineCount, uint8_t* flags, FxTextReader* layout)
{
    static const char* const kAddress3[] = {"{ADDR3", "{CV_ADDR3", "{S_ADDR3"};
    static const char* const kCountry[] = {"{CNTRY", "{CV_CNTRY", "{S_CNTRY"};
    static const char* const kContact[] = {"{CONTACT", "{CV_CONT", "{S_CONTACT"};
    int count = 0, pageLine = -1;
    bool address3 = false, country = false, contact = false;
    const auto any = [](const char* const (&tags)[3], const char* line) {
        for (const char* tag : tags)
            if (FormFindTag(tag, line, nullptr))
                return true;
        return false;
    };
    if (layout != nullptr && FxTextRewind(layout) == 0) {
        while (FxTextNext(layout) == 0) {
            const std::string line = bwps::forms::ReaderLine(*layout);
            if (!line.empty()) {
                if (FormFindTag("{NEW_PG}", line.c_str(), nullptr))
                    pageLine = count;
                address3 = address3 || any(kAddress3, line.c_str());
                country = country || any(kCountry, line.c_str());
                contact = contact || any(kContact, line.c_str());
            }
            ++count;
        }
    }
    if (flags != nullptr) {
        flags[FORM_SCAN_ADDRESS3] = address3 ? 1 : 0;
        flags[FORM_SCAN_COUNTRY] = country ? 1 : 0;
        flags[FORM_SCAN_CONTACT] = contact ? 1 : 0;
        flags[FORM_SCAN_ENDS_WITH_PAGE] = pageLine >= 0 && count == pageLine + 1 ? 1 : 0;
    }
    if (lineCount != nullptr)
        *lineCount = count;
    return count;
}

BWPS_EXPORT int FormScanLayoutTags(int* lineCount, int* endsWithPageBreak, int* hasAddress3, FxTextReader* layout)
{
    uint8_t flags[6] = {};
    const int count = FormScanLayout(lineCount, flags, layout);
    if (endsWithPageBreak != nullptr)
        *endsWithPageBreak = flags[FORM_SCAN_ENDS_WITH_PAGE];
    if (hasAddress3 != nullptr)
        *hasAddress3 = flags[FORM_SCAN_ADDRESS3];
    return count;
}

BWPS_EXPORT int FormFormatFieldValue(char* value, int width, const void* record, const TagColumnVar* entry)
{
    if (value == nullptr)
        return 1;
    value[0] = '\0';
    if (record == nullptr || entry == nullptr || entry->SourceOffset < 0)
        return 1;
    char picture[sizeof entry->Picture + 1] = {};
    std::memcpy(picture, entry->Picture, sizeof entry->Picture);
    char formatted[1024] = {};
    FxFormatValue(formatted, picture, entry->Type,
                  static_cast<const uint8_t*>(record) + entry->SourceOffset);
    // A value is at most 255 characters: the caller's buffer holds 256.
    PutText(value, formatted);
    return FormFormatVariable(value, width, entry);
}

BWPS_EXPORT int ReportControlVariable(char* text, int page, const TagColumnVar* entry, TagRepInfo* report)
{
    if (text != nullptr)
        text[0] = '\0';
    if (entry == nullptr)
        return 0;
    const int code = entry->Number;
    switch (code) {
    case FORM_CTRL_DATE: PutText(text, DateText(entry->DateFormat)); break;
    case FORM_CTRL_TIME: PutText(text, TimeText()); break;
    case FORM_CTRL_PAGE: PutText(text, std::to_string(page)); break;
    case FORM_CTRL_PAGE_END: ReportEndPage(report); break;
    case FORM_CTRL_NORMAL:
        if (report != nullptr && report->wide)
            ReportToggleWidth(report);
        break;
    case FORM_CTRL_CONDENSED:
        if (report != nullptr && !report->wide)
            ReportToggleWidth(report);
        break;
    case FORM_CTRL_LINE_FEED: ReportNewLines(report, 1); break;
    case FORM_CTRL_ESCAPE:
        ReportWriteText(report, "\x1b", 1, 1);
        break;
    case FORM_CTRL_FIRST_CUT:
    case FORM_CTRL_SECOND_CUT:
        // The report's printer belongs to the engine: re-opening it is all
        // there is to do for raw bytes.
        ReportReopenPort(report);
        break;
    default: break;
    }
    return code < FORM_CTRL_PAGE_END ? 1 : 0;
}

BWPS_EXPORT int TextReportControlVariable(char* text, int page, const TagColumnVar* entry, TextReportState* state)
{
    if (text != nullptr)
        text[0] = '\0';
    if (entry == nullptr)
        return 0;
    const int code = entry->Number;
    switch (code) {
    case FORM_CTRL_DATE: PutText(text, DateText(entry->DateFormat)); break;
    case FORM_CTRL_TIME: PutText(text, TimeText()); break;
    case FORM_CTRL_PAGE: PutText(text, std::to_string(page)); break;
    case FORM_CTRL_PAGE_END:
        if (state != nullptr)
            TextReportEndPage(state);
        break;
    case FORM_CTRL_NORMAL:
        if (state != nullptr && state->Condensed)
            TextReportToggleCondensed(state);
        break;
    case FORM_CTRL_CONDENSED:
        if (state != nullptr && !state->Condensed)
            TextReportToggleCondensed(state);
        break;
    case FORM_CTRL_LINE_FEED:
        if (state != nullptr)
            TextReportNewLines(state, 1);
        break;
    case FORM_CTRL_ESCAPE:
        if (state != nullptr)
            TextReportWriteText(state, "\x1b", 1, 1);
        break;
    case FORM_CTRL_FIRST_CUT:
    case FORM_CTRL_SECOND_CUT: {
        if (state == nullptr)
            break;
        static const char kFirst[] = {0x1B, 0x40, 0x1B, 0x69};
        static const char kSecond[] = {0x1B, 0x64, 0x30};
        const char* bytes = code == FORM_CTRL_FIRST_CUT ? kFirst : kSecond;
        const int length = code == FORM_CTRL_FIRST_CUT ? 4 : 3;
        if (TextReportReopenPrinter(state, 0) == 0)
            break;
        if (state->SerialPort >= 0)
            FxSerialSend(state->SerialPort, bytes, length);
        else if (state->ParallelHandle > 0)
        {
            int count = 0;
            FxFileWrite(state->ParallelHandle, bytes, length, &count);
        }
        TextReportReopenPrinter(state, 1);
        break;
    }
    default: break;
    }
    return code < FORM_CTRL_PAGE_END ? 1 : 0;
}

BWPS_EXPORT int FormVarsCount(void)
{
    return g_count;
}

BWPS_EXPORT TagColumnVar* FormVarsTable(void)
{
    return g_table;
}

BWPS_EXPORT int FormVarsWriteSource(const char* path)
{
    static const char* const kGroups[] = {"NONE",    "CTRL",       "COMP_ID",  "PROD",    "CUST",
                                          "INV_HEAD", "INV_DETAIL", "INV_ADDR", "INV_FOOT"};
    static const char* const kDates[] = {"0",           "_MM_DD_YY",    "_MM_DD_YYYY", "_MONTH_DD_YYYY",
                                         "_DD_MM_YY",   "_DD_MM_YYYY",  "_DD_MONTH_YYYY", "_YY_MM_DD",
                                         "_YYYY_MM_DD", "_YYYY_MONTH_DD"};
    static const char* const kTypes[] = {"",        "_CHAR",   "_STRING",   "_DATE", "_UNS_CHAR", "_INT",
                                         "_UNS_INT", "_LONG",  "_UNS_LONG", "_FLOAT", "_DOUBLE", "_FRACTION",
                                         "_EXT_DATE", "_TIME", "_MENU",     "_TEXTLABEL"};
    if (path == nullptr)
        return -1;
    uint16_t handle = 0;
    int status = OpenFormVarsFile(&handle);
    if (status != 0)
        return status;
    std::string out;
    for (const char* line : {"//", "//", "//", "//", "#include <bwamain.h>", "#include <bwaccol.off>", "", "",
                             "struct TagColumnVar VARIABLES[] = {"})
        out += std::string(line) + "\r\n";
    BtrSetDefaults(handle, kFormVarKey, -1);
    bwps::KeyBuffer key;
    TagColumnVar v{};
    for (status = BtrGet(B_GET_FIRST, handle, key.bytes, &v, sizeof v); status == 0;
         status = BtrGet(B_GET_NEXT, handle, key.bytes, &v, sizeof v)) {
        const std::string group = std::string("_DD_GROUP_") +
                                  (v.Category >= 0 && v.Category <= 8 ? kGroups[v.Category] : "NONE");
        const char* date = v.DateFormat >= 1 && v.DateFormat <= 9 ? kDates[v.DateFormat] : "0";
        const char* type = v.Type >= 1 && v.Type <= 15 ? kTypes[v.Type] : "";
        char line[512];
        std::snprintf(line, sizeof line,
                      "   {\"%18s\", %-24s, %3d, '%c', '%c', %3d, %3d, %4d, %4d, %-12s, %-12s, %3d, \"%-18s\", "
                      "\"%-39s\"},\r\n",
                      FieldText(v.Name, sizeof v.Name).c_str(), group.c_str(), v.Number, v.Justify, v.Fill,
                      v.SourceFile, v.Width, v.SourceOffset, v.Value31, date, type, v.WidthFollows,
                      FieldText(v.Picture, sizeof v.Picture).c_str(),
                      FieldText(v.Description, sizeof v.Description).c_str());
        out += line;
    }
    BtrCloseFile(handle);
    if (status != B_END_OF_FILE) {
        ReportRecordManagerError(status, 1, B_GET_NEXT, No(FileNo::FormVariables), 0);
        return status;
    }
    out += "   {0}\r\n   };\r\n";
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return -1;
    const size_t written = std::fwrite(out.data(), 1, out.size(), file);
    const bool closed = std::fclose(file) == 0;
    return written == out.size() && closed ? 0 : -1;
}

}  // extern "C"

BWPS_ORDINAL(204, FormVarsAlloc);
BWPS_ORDINAL(205, FormVarsFree);
BWPS_ORDINAL(206, OpenFormVarsFile);
BWPS_ORDINAL(207, LoadFormVars);
BWPS_ORDINAL(208, LoadFormVarsGroup);
BWPS_ORDINAL(209, FormVarsFind);
BWPS_ORDINAL(210, FormVarsDump);
BWPS_ORDINAL(211, FormFindNextVariable);
BWPS_ORDINAL(212, FormParseTagName);
BWPS_ORDINAL(213, FormKeepTagsOnly);
BWPS_ORDINAL(214, FormFormatVariable);
BWPS_ORDINAL(215, FormTrimNumericValue);
BWPS_ORDINAL(216, FormShowTagError);
BWPS_ORDINAL(217, FormScanLayoutTags);
BWPS_ORDINAL(218, FormFormatFieldValue);
BWPS_ORDINAL(219, ReportControlVariable);
BWPS_ORDINAL(220, FormFindTag);
BWPS_ORDINAL(221, FormBlankTag);
BWPS_ORDINAL(222, FormScanLayout);
BWPS_ORDINAL(778, TextReportControlVariable);
BWPS_ORDINAL(781, FormVarsCount);
BWPS_ORDINAL(782, FormVarsTable);
BWPS_ORDINAL(783, FormVarsWriteSource);
