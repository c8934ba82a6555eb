// Custom formats printed as a picture of their layout: every word at the
// column where it stands in the format file, each field tag as a run of
// "X" and each rule of "-" or "=" drawn as a rule, through the report
// writer. The token printer lays one line out as positioned column entries.
#include <memory>
#include <string>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "bwps/catalogue.h"
#include "bwps/custom_forms.h"
#include "bwps/messages.h"
#include "fx.h"
#include "reports/forms_internal.h"

namespace {

constexpr char kFiller = static_cast<char>(FORM_FIELD_FILLER);
constexpr char kHardBlank = static_cast<char>(FORM_HARD_BLANK);

bool IsBlank(const std::string& line)
{
    return line.find_first_not_of(" \t") == std::string::npos;
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Writes one token as a column entry at its column: a rule of its own
// character, a rule of "X" for a field, or text.
void WriteToken(TagRepInfo* report, const std::string& token, int column)
{
    // A token's copy holds at most 255 characters.
    std::string copy = token.substr(0, FORM_TOKEN_CHARS);
    TagRepColumn entry[2] = {};
    entry[0].type = REPORT_TYPE_TEXT;
    std::snprintf(entry[0].format, sizeof entry[0].format, "%%-%ds", static_cast<int>(copy.size()) + 1);
    entry[0].column = column;
    entry[0].width = static_cast<int16_t>(copy.size());
    const bool ruleChars = copy.size() >= 3 && copy.find_first_not_of("-=") == std::string::npos;
    if (ruleChars) {
        entry[0].value = copy.c_str();
        ReportWriteColumnRule(report, entry, 0, copy[0]);
        return;
    }
    // A field is its run of "X" characters, written as characters so that
    // every destination (a PDF's text too) shows the field's place and width.
    if (copy.find_first_not_of(kFiller) == std::string::npos)
        copy.assign(copy.size(), 'X');
    entry[0].value = copy.c_str();
    ReportWriteColumnRow(report, entry, 0);
}

}  // namespace

extern "C" {

BWPS_EXPORT void FormMarkTags(char* line, int filler)
{
    if (line == nullptr)
        return;
    bool inTag = false;
    for (char* p = line; *p != '\0'; ++p) {
        if (*p == '{')
            inTag = std::strchr(p, '}') != nullptr;   // an unclosed brace is text
        if (inTag) {
            const bool closing = *p == '}';
            *p = static_cast<char>(filler);
            if (closing)
                inTag = false;
        }
    }
}

BWPS_EXPORT int PrintWrappedText(TagRepInfo* report, const char* line)
{
    if (line == nullptr)
        return 0;
    // The line buffer holds 512 characters; NUL bytes inside it are blanks.
    std::string buffer(line, strnlen(line, FORM_LINE_CHARS));
    if (IsBlank(buffer))
        return 0;
    size_t position = 0;
    while (position < buffer.size()) {
        while (position < buffer.size() && (buffer[position] == ' ' || buffer[position] == '\0'))
            buffer[position++] = ' ';
        if (position >= buffer.size())
            break;
        const size_t start = position;
        if (buffer[position] == kFiller) {
            while (position < buffer.size() && buffer[position] == kFiller)
                ++position;
        } else {
            while (position < buffer.size() && buffer[position] != ' ' && buffer[position] != kFiller &&
                   buffer[position] != '\0')
                ++position;
        }
        std::string token = buffer.substr(start, position - start);
        if (token.empty())
            break;
        for (char& c : token)
            if (c == kHardBlank)
                c = ' ';
        WriteToken(report, token, static_cast<int>(start));
    }
    return 1;
}

BWPS_EXPORT void PrintCustomFormat(int mode, const char* formatFile)
{
    auto report = std::make_unique<TagRepInfo>();
    std::memset(report.get(), 0, sizeof *report);
    TagRepInfo& r = *report;
    r.width = 80;
    r.wide = 0;
    r.firstPage = 1;
    r.linesPerPage = 0;
    const std::string name = formatFile != nullptr ? formatFile : "";
    std::string folder = GetBasePath() != nullptr ? GetBasePath() : "";
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    const std::string path = folder + name;
    // A format is a file of the base folder: a name reaching elsewhere, or
    // a folder, is not read.
    FxTextReader reader{};
    if (name.empty() || name.find('/') != std::string::npos || IsFolder(path)) {
        ShowMessage(FORM_FILE_UNREADABLE_MESSAGE, MESSAGE_DEFAULT_CONTEXT);
        return;
    }
    if (FxTextOpen(&reader, path.c_str()) != 0) {
        ShowMessage(reader.status == -2 ? FORM_FILE_MISSING_MESSAGE : FORM_FILE_UNREADABLE_MESSAGE,
                    MESSAGE_DEFAULT_CONTEXT);
        return;
    }
    if (ReportOpen(&r, "Custom Format") == 0) {
        FxTextClose(&reader);
        return;
    }
    if (mode != 0 && PrepareFormPrintFiles(&r, name.c_str()) == 0) {
        ReportClose(&r);
        FxTextClose(&reader);
        return;
    }
    uint8_t work[32] = {};
    FxTextRewind(&reader);
    while (FxTextNext(&reader) == 0 && ReportCheckUserBreak(work) == 0) {
        std::string line = bwps::forms::ReaderLine(reader);
        if (line.empty()) {
            ReportNewLines(&r, 1);
            continue;
        }
        line.resize(std::min<size_t>(line.size(), FORM_LINE_CHARS));
        FormMarkTags(line.data(), FORM_FIELD_FILLER);
        if (PrintWrappedText(&r, line.c_str()) != 0)
            ReportNewLines(&r, 1);
    }
    r.endPageOnClose = 1;
    ReportClose(&r);
    FxTextClose(&reader);
}

}  // extern "C"
