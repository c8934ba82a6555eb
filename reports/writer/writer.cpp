// The report writer: one report record, four destinations, lines counted
// into pages, headings, column tables and rules, copies, blocks, abort.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bwps/custom_forms.h"
#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records/general.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/status_windows.h"
#include "bwps/table.h"
#include "fx.h"
#include "report_engine.h"
#include "reports/writer/writer_internal.h"

namespace bwps::writer {
namespace {

constexpr int kMsgBadName = 195;
constexpr int kMsgCannotCreate = 375;
constexpr int kMsgCreateError4 = 401;
constexpr int kMsgShortWrite = 537;
constexpr int kMsgSheetRow = 839;
constexpr int kMsgCopies = 1441;
constexpr int kMsgNoPageLength = 1529;
constexpr int kMsgNoPrinter = 1678;
constexpr int kMsgTextExists = 1007;
constexpr int kMsgExportExists = 1157;
constexpr int kMsgSheetExtension = 837;
constexpr int kMsgNotPutInPlace = 3403;
constexpr const char* kAside = ".part";

// Files open for reports, by handle: the target the aside file replaces.
struct OpenFile {
    std::string target, aside;
};
std::map<int, OpenFile>& Files()
{
    static std::map<int, OpenFile> files;
    return files;
}

// Copy lists and sheet blocks, by the numbers the record keeps.
struct Kept {
    uint32_t next = 1;
    std::map<uint32_t, std::vector<std::string>> copies;
    std::map<uint32_t, std::vector<unsigned char>> sheets;
    uint32_t New()
    {
        if (next == 0)
            next = 1;
        return next++;
    }
};
Kept& Objects()
{
    static Kept kept;
    return kept;
}

bool Writes(const TagRepInfo* r)
{
    return r != nullptr && r->aborted == 0;
}

bool SheetMode(const TagRepInfo& r)
{
    return r.destination == REPORT_TO_TEXT_FILE && r.outputMode >= 3 && r.outputMode <= 6;
}

FxSheet* Sheet(const TagRepInfo& r)
{
    auto it = Objects().sheets.find(+r.sheetWriter);
    return it == Objects().sheets.end() ? nullptr : reinterpret_cast<FxSheet*>(it->second.data());
}

void Blank(TagRepInfo& r)
{
    std::memset(r.lineBuffer, ' ', REPORT_LINE_SIZE - 1);
    r.lineBuffer[REPORT_LINE_SIZE - 1] = '\0';
    r.linePending = 0;
    r.lineLength = 0;
}

bool PutBytes(TagRepInfo& r, const std::string& bytes)
{
    int written = 0;
    if (bytes.empty())
        return true;
    if (FxFileWrite(r.fileHandle, bytes.data(), static_cast<int>(bytes.size()), &written) != 0 ||
        written != static_cast<int>(bytes.size())) {
        ShowMessage(kMsgShortWrite, MESSAGE_DEFAULT_CONTEXT);
        r.aborted = 1;
        return false;
    }
    return true;
}

std::string HtmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// Where a text goes in the line buffer: its column, or -1 when it cannot
// be placed.
int BufferColumn(const TagRepInfo& r, int column, int length)
{
    const int width = static_cast<int>(r.width);
    switch (column) {
    case REPORT_ALIGN_RIGHT: column = width - length; break;
    case REPORT_ALIGN_CENTRE: column = (width - length) / 2; break;
    case REPORT_ALIGN_LEFT:
    case REPORT_ALIGN_CENTRE_CELL:
    case REPORT_ALIGN_LEFT_CELL:
    case REPORT_ALIGN_RIGHT_CELL: column = 0; break;
    default: break;
    }
    if (column < 0)
        column = 0;
    if (column > REPORT_LINE_LAST)
        column = REPORT_LINE_LAST;
    if (column + length > REPORT_LINE_LAST + 1)
        return -1;
    return column;
}

void Place(TagRepInfo& r, const std::string& text, int column)
{
    const int at = BufferColumn(r, column, static_cast<int>(text.size()));
    if (at < 0)
        return;
    std::memcpy(r.lineBuffer + at, text.data(), text.size());
    r.linePending = 1;
}

std::string NowDate()
{
    char date[16] = {};
    FxDateFormat(date, FxToday());
    return date;
}

std::string NowTime()
{
    const int minutes = FxClock();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60 % 24, minutes % 60);
    return text;
}

bool HasDigit(const std::string& s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// The company record's texts: trimmed in place, the heading lines listed.
bool ReadCompany(TagRepInfo& r)
{
    // Read quietly: a company without the record has no report, and says
    // nothing more about it.
    TagCompanyRecord company;
    bwps::Table general;
    if (!general.Open(bwps::FileNo::General).Ok())
        return false;
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
    if (!general.Get(B_GET_EQUAL, key, company).Ok())
        return false;
    std::memcpy(r.companyRecord, &company, sizeof company);
    auto trim = [&](size_t offset, size_t size) {
        char* text = reinterpret_cast<char*>(r.companyRecord) + offset;
        const std::string t = Trimmed(Terminated(text, size));
        std::memset(text, 0, size);
        std::memcpy(text, t.data(), std::min(t.size(), size - 1));
        return !t.empty();
    };
    int n = 0;
    const size_t lines[4] = {offsetof(TagCompanyRecord, Name), offsetof(TagCompanyRecord, Address1),
                             offsetof(TagCompanyRecord, Address2), offsetof(TagCompanyRecord, Address3)};
    for (size_t offset : lines)
        if (trim(offset, 41))
            r.headingLines[n++] = static_cast<uint32_t>(offset);
    r.headingCount = static_cast<uint8_t>(n + 1);
    const std::string phone = Trimmed(Terminated(company.Text252, sizeof company.Text252));
    const std::string fax = Trimmed(Terminated(company.Text284, sizeof company.Text284));
    std::string line;
    if (HasDigit(phone)) {
        line = "Phone : " + phone;
        if (HasDigit(fax))
            line += "  Fax : " + fax;
    }
    SetText(r.phoneFax, line);
    return true;
}

bool RequiredExtension(const std::string& path, int mode)
{
    if (mode < 3 || mode > 6)
        return true;
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    return Upper(path.substr(dot)) == ".XLSX";
}

void SetFontNow(TagRepInfo& r)
{
    if (r.engine >= 0 && r.font.id != 0) {
        if (r.blockStartLine >= 0)
            ReportEngineSwitchBlockFont(&r, r.font.id);
        else
            ReportEngineSelectFont(&r, r.font.id);
    }
}

bool StartHtml(TagRepInfo& r)
{
    char* lines[16] = {};
    int width = 0, count = 0;
    std::string head;
    if (FxTextListLoad(455, lines, &width, &count, 14) == 0 && count >= 13) {
        for (int i = 0; i <= 9; ++i) {
            char buffer[512];
            if (i == 4 || i == 5)
                std::snprintf(buffer, sizeof buffer, lines[i], "No version information available.");
            else if (i == 6)
                std::snprintf(buffer, sizeof buffer, lines[i], r.wide ? 1 : 3);
            else
                std::snprintf(buffer, sizeof buffer, "%s", lines[i]);
            head += std::string(buffer) + "\r\n";
        }
        FxTextListFree(lines);
    } else {
        FxTextListFree(lines);
        head = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"windows-1252\">\r\n</head>\r\n<body>\r\n<pre>\r\n";
    }
    r.htmlWriter = 1;
    return PutBytes(r, head);
}

bool EndHtml(TagRepInfo& r)
{
    char* lines[16] = {};
    int width = 0, count = 0;
    std::string tail;
    if (FxTextListLoad(455, lines, &width, &count, 14) == 0 && count >= 13) {
        for (int i = 10; i <= 12; ++i)
            tail += std::string(lines[i]) + "\r\n";
    } else {
        tail = "</pre>\r\n</body>\r\n</html>\r\n";
    }
    FxTextListFree(lines);
    r.htmlWriter = 0;
    return PutBytes(r, tail);
}

bool StartSheetWriter(TagRepInfo& r)
{
    const uint32_t number = Objects().New();
    auto& block = Objects().sheets[number];
    block.assign(FX_SHEET_BLOCK, 0);
    const int kind = r.outputMode == 5 || r.outputMode == 6 ? 3 : 1;
    if (FxSheetOpen(kind, 0, 0, r.outputFile, block.data()) != 0) {
        Objects().sheets.erase(number);
        ShowMessage(kMsgCannotCreate, MESSAGE_DEFAULT_CONTEXT);
        return false;
    }
    r.sheetWriter = number;
    return true;
}

void DropCopies(TagRepInfo& r)
{
    Objects().copies.erase(+r.copyList);
    r.copyList = 0;
    r.copyListInUse = 0;
}

void KeepCopyLine(TagRepInfo& r, const std::string& line)
{
    if (r.copies < 2 || r.copyListFailed)
        return;
    if (r.copyList == 0)
        r.copyList = Objects().New();
    auto& list = Objects().copies[+r.copyList];
    // The list holds one page: a page longer than any printer's is not kept.
    if (list.size() >= 10000) {
        ShowMessage(kMsgCopies, MESSAGE_DEFAULT_CONTEXT);
        list.clear();
        r.copyListFailed = 1;
        return;
    }
    r.copyListInUse = 1;
    list.push_back(line);
}

}  // namespace

std::string ProgramFolder()
{
    std::string folder = GetProgramPath() != nullptr ? GetProgramPath() : "";
    if (folder.empty())
        folder = GetSessionPaths()->ProgramPath;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string BaseFolder()
{
    std::string folder = GetBasePath() != nullptr ? GetBasePath() : "";
    if (folder.empty())
        folder = GetSessionPaths()->BasePath;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Terminated(const char* text, size_t size)
{
    return std::string(text, strnlen(text, size));
}

std::string StationId()
{
    return Trimmed(Terminated(GetSessionPaths()->StationId, sizeof GetSessionPaths()->StationId));
}

bool EngineDestination(const TagRepInfo& r)
{
    return r.destination == REPORT_TO_PREVIEW || r.destination == REPORT_TO_PRINTER ||
           (r.destination == REPORT_TO_EXPORT && r.exportKind != REPORT_EXPORT_OFFICE);
}

bool OfficeActive(const TagRepInfo& r)
{
    return r.destination == REPORT_TO_EXPORT && r.exportKind == REPORT_EXPORT_OFFICE;
}

bool IsNumberType(int type)
{
    return type >= REPORT_TYPE_NUMBER_FIRST && type <= REPORT_TYPE_NUMBER_LAST;
}

bool IsTextType(int type)
{
    return (type >= 1 && type <= 8) || (type >= 0x0C && type <= 0x0E);
}

std::string FormatColumn(const TagRepColumn& c, bool editBlankZero)
{
    char out[512] = {};
    char format[sizeof c.format + 1] = {};
    std::memcpy(format, c.format, sizeof c.format);
    bool asGiven = false;
    if (c.type == REPORT_TYPE_DOUBLE) {
        double value = 0;
        std::memcpy(&value, c.value, sizeof value);
        if (!std::isfinite(value)) {
            std::snprintf(out, sizeof out, "%s", std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity"));
            return out;
        }
        if (c.decimals >= 1)
            FxPictureAdjust(0, format);
        else
            asGiven = true;
        if (c.decimals > 1)
            value /= std::pow(10.0, c.decimals - 1);
        std::snprintf(out, sizeof out, format[0] != '\0' ? format : "%.2f", value);
    } else if (c.type == REPORT_TYPE_FORMATTED) {
        std::snprintf(out, sizeof out, format[0] != '\0' ? format : "%s", static_cast<const char*>(c.value));
    } else if (c.type == REPORT_TYPE_PICTURE) {
        std::snprintf(out, sizeof out, "%s", static_cast<const char*>(c.value));
    } else if (c.type == REPORT_TYPE_TEXT || c.type == REPORT_TYPE_TEXT12) {
        std::snprintf(out, sizeof out, format[0] != '\0' ? format : "%s", static_cast<const char*>(c.value));
    } else {
        if (IsNumberType(c.type)) {
            double value = 0;
            if (c.type == 9) {
                float f = 0;
                std::memcpy(&f, c.value, sizeof f);
                value = f;
            } else {
                std::memcpy(&value, c.value, sizeof value);
            }
            if (!std::isfinite(value)) {
                std::snprintf(out, sizeof out, "%s", std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity"));
                return out;
            }
        }
        FxFormatValue(out, format, c.type, c.value);
    }
    if (IsNumberType(c.type))
        FxDecimalPoint('.', out);
    if (c.blankZero && editBlankZero) {
        FxBlankZero(out, asGiven ? '.' : 0);
        std::string kept = Trimmed(out);
        char laid[512];
        std::memset(laid, ' ', sizeof laid);
        const size_t n = std::min(std::strlen(out), sizeof laid - 1);
        laid[n] = '\0';
        FxRightAlign(laid, kept.c_str());
        std::snprintf(out, sizeof out, "%s", laid);
    }
    // Control bytes never reach a report.
    std::string text;
    for (const char* p = out; *p != '\0'; ++p)
        text += static_cast<unsigned char>(*p) < 0x20 ? ' ' : *p;
    return text;
}

bool CommitTextFile(TagRepInfo& r, bool keep)
{
    if (r.fileHandle < 0)
        return true;
    auto it = Files().find(+r.fileHandle);
    FxFileClose(r.fileHandle);
    r.fileHandle = -1;
    if (it == Files().end())
        return true;
    const OpenFile file = it->second;
    Files().erase(it);
    if (!keep) {
        FxFileDelete(file.aside.c_str());
        return true;
    }
    if (FxFileRename(file.aside.c_str(), file.target.c_str()) != 0) {
        FxFileDelete(file.aside.c_str());
        ShowMessage(kMsgNotPutInPlace, MESSAGE_DEFAULT_CONTEXT);
        return false;
    }
    return true;
}

}  // namespace bwps::writer

using namespace bwps::writer;

extern "C" {

BWPS_EXPORT int OpenReportTextFile(int refuseExisting, int* handle, const char* path, int outputMode)
{
    if (handle == nullptr || path == nullptr || path[0] == '\0')
        return -1;
    *handle = -1;
    const std::string target = path;
    const std::string aside = target + kAside;
    int existing = -1;
    const bool exists = FxFileOpen(path, 0, 0, 0, &existing) == 0;
    if (exists)
        FxFileClose(existing);
    bool append = false;
    if (exists) {
        if (refuseExisting)
            return -10;
        int choice = 1;
        if (outputMode > 1) {
            AskMessage(kMsgExportExists, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, nullptr, -1, -1, 0, 0, 0);
            if (choice == 2)
                return 1;
        } else {
            AskMessage(kMsgTextExists, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, nullptr, -1, -1, 0, 0, 0);
            if (choice == 3)
                return 1;
            append = choice == 2;
        }
    }
    // The report goes to a file beside the target; an appended report
    // starts from a copy of the old one.
    if (FxFileCreate(aside.c_str(), 0600) != 0) {
        ShowMessage(errno == ENAMETOOLONG ? kMsgCreateError4 : kMsgCannotCreate, MESSAGE_DEFAULT_CONTEXT);
        return -1;
    }
    int h = -1;
    if (FxFileOpen(aside.c_str(), 0x8002, 0x180, 0, &h) != 0) {
        FxFileDelete(aside.c_str());
        ShowMessage(kMsgCannotCreate, MESSAGE_DEFAULT_CONTEXT);
        return -1;
    }
    if (append) {
        int old = -1;
        bool copied = FxFileOpen(path, 0x8000, 0, 0, &old) == 0;
        char buffer[8192];
        int count = 0;
        while (copied && FxFileRead(old, buffer, sizeof buffer, &count) == 0 && count > 0) {
            int written = 0;
            copied = FxFileWrite(h, buffer, count, &written) == 0 && written == count;
        }
        if (old >= 0)
            FxFileClose(old);
        if (!copied) {
            FxFileClose(h);
            FxFileDelete(aside.c_str());
            ShowMessage(kMsgShortWrite, MESSAGE_DEFAULT_CONTEXT);
            return -1;
        }
    }
    Files()[h] = OpenFile{target, aside};
    *handle = h;
    return 0;
}

BWPS_EXPORT int CompleteOutputFileName(char* path, const char* folder, int type)
{
    if (path == nullptr)
        return 1;
    std::string name = Trimmed(path);
    if (name.empty())
        return 1;
    std::replace(name.begin(), name.end(), '\\', '/');
    const size_t slash = name.find_last_of('/');
    std::string part = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    const size_t dot = file.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : file.substr(dot);
    if (dot != std::string::npos)
        file.resize(dot);
    if (file.empty())
        return 2;
    std::string base = folder != nullptr ? folder : "";
    if (!base.empty() && base.back() != '/')
        base += '/';
    if (part.empty() || part[0] != '/')
        part = base + part;
    if (extension.empty() || extension == ".") {
        extension = type == 0 || type == 1 ? ".PRN" : type == 2 ? ".HTM" : ".XLSX";
    }
    const std::string full = part + file + extension;
    if (full.size() >= REPORT_OUTPUT_SIZE)
        return 2;
    std::snprintf(path, REPORT_OUTPUT_SIZE, "%s", full.c_str());
    return 0;
}

BWPS_EXPORT int CompleteExportFileName(char* path, const char* folder, int exportKind, int officeActive)
{
    if (path == nullptr)
        return 1;
    std::string name = Trimmed(path);
    if (name.empty())
        return 1;
    std::replace(name.begin(), name.end(), '\\', '/');
    const size_t slash = name.find_last_of('/');
    const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    if (file.empty() || file.front() == '.')
        return 2;
    if (name[0] != '/') {
        std::string base = folder != nullptr ? folder : "";
        if (!base.empty() && base.back() != '/')
            base += '/';
        name = base + name;
    }
    if (file.find('.') == std::string::npos) {
        if (exportKind == REPORT_EXPORT_HTML)
            name += ".HTM";
        else if (officeActive)
            name += ".XLSX";
    }
    if (name.size() >= REPORT_EXPORT_FILE_SIZE)
        return 2;
    std::snprintf(path, REPORT_EXPORT_FILE_SIZE, "%s", name.c_str());
    return 0;
}

BWPS_EXPORT int ConfirmOverwrite(const char* path)
{
    static const char* kNoAccess =
        "The file could not be accessed. Try one of the following:\n\nMake sure the specified folder exists.\n"
        "Make sure the folder that contains the file is not read-only.\nMake sure the file name does not contain "
        "any of the following characters: | / < > ? [ ] : or *\nMake sure the file/path name doesn't contain more "
        "than 218 characters.";
    const std::string p = path != nullptr ? path : "";
    const size_t slash = p.find_last_of('/');
    const std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
    if (p.empty() || p.size() > 218 || name.empty() || name.find_first_of("|<>?[]:*\\") != std::string::npos) {
        FxMessageBoxEx(kNoAccess, FxGetAppCaption(0), FX_MB_OK | 0x30);
        return 0;
    }
    int h = -1;
    if (FxFileOpen(p.c_str(), 0, 0, 0, &h) == 0) {
        FxFileClose(h);
        h = -1;
        if (FxFileOpen(p.c_str(), 2, 0, 0, &h) != 0) {
            FxMessageBoxEx("The destination file may be in use by another application. Please, try againg.",
                           FxGetAppCaption(0), FX_MB_OK | FX_MB_ICONERROR);
            return 0;
        }
        FxFileClose(h);
        if (FxMessageBoxEx("File already exists. Do you want to overwrite this file?", FxGetAppCaption(0),
                           FX_MB_YESNO | FX_MB_ICONQUESTION) != 6)
            return 0;
        // The old file stays until the new one is written whole: the
        // report is written beside it and renamed over it at the close.
        return 1;
    }
    // A new file: the folder must take it.
    const std::string probe = p + kAside;
    if (FxFileCreate(probe.c_str(), 0600) != 0) {
        FxMessageBoxEx(kNoAccess, FxGetAppCaption(0), FX_MB_OK | 0x30);
        return 0;
    }
    FxFileDelete(probe.c_str());
    return 1;
}

BWPS_EXPORT int ReportOpen(TagRepInfo* report, const char* title)
{
    if (report == nullptr)
        return 0;
    TagRepInfo& r = *report;
    const TagRepInfo caller = r;
    std::memset(&r, 0, sizeof r);
    // 1. what the caller's record gives
    r.silent = caller.silent;
    SessionBlock* session = GetSessionPaths();
    if (r.silent) {
        r.destination = caller.destination;
        r.preset5 = caller.preset5;
    } else {
        r.destination = session->ReportDestination >= 1 && session->ReportDestination <= 4
                            ? session->ReportDestination
                            : static_cast<uint8_t>(REPORT_TO_PREVIEW);
    }
    r.wide = caller.wide;
    r.width = r.wide ? 136 : 80;
    r.font = TagRepFont{r.wide ? REPORT_FONT_WIDE : REPORT_FONT_NARROW, -1, -1};
    r.options = caller.options;
    r.preset15 = caller.preset15;
    r.endPageOnClose = caller.endPageOnClose;
    r.keepStatus = caller.keepStatus;
    r.reserved4 = caller.reserved4;
    if (caller.width != 0)
        r.width = caller.width;
    r.fixedPageLines = caller.fixedPageLines;
    r.dialogValue1 = caller.dialogValue1;
    r.dialogValue2 = caller.dialogValue2;
    r.dialogFlag = caller.dialogFlag;
    r.dialogOptions = caller.dialogOptions;
    r.layoutTable = caller.layoutTable;
    r.exportKind = caller.exportKind;
    std::memcpy(r.exportFile, caller.exportFile, sizeof r.exportFile);
    r.exportFile[sizeof r.exportFile - 1] = '\0';
    r.openWhenDone = caller.openWhenDone;
    r.copies = caller.copies;
    std::memcpy(r.engineSetup, caller.engineSetup, sizeof r.engineSetup);
    r.firstPage = caller.firstPage;
    r.page = caller.firstPage != 0 ? caller.firstPage : 1;
    r.phoneLine = caller.phoneLine;
    // 2. the writer's own starting values
    r.headingBlock = 1;
    r.outputMode = REPORT_MODE_TEXT;
    r.quoteChar = '"';
    r.separatorChar = ',';
    r.portMode = 1;
    SetText(r.outputFile, ProgramFolder());
    // A silent report to a file goes where its caller says, in its mode.
    if (r.silent && r.destination == REPORT_TO_TEXT_FILE) {
        std::memcpy(r.outputFile, caller.outputFile, sizeof r.outputFile);
        r.outputFile[sizeof r.outputFile - 1] = '\0';
        r.outputMode = caller.outputMode <= 6 ? caller.outputMode : 0;
        if (caller.quoteChar != 0)
            r.quoteChar = caller.quoteChar;
        if (caller.separatorChar != 0)
            r.separatorChar = caller.separatorChar;
    }
    // The file a caller names is what the layout dialog offers first.
    if (!r.silent && caller.outputFile[0] != '\0' && caller.outputFile[strnlen(caller.outputFile, sizeof caller.outputFile) - 1] != '/') {
        std::memcpy(r.outputFile, caller.outputFile, sizeof r.outputFile);
        r.outputFile[sizeof r.outputFile - 1] = '\0';
    }
    r.fileHandle = -1;
    r.engine = -1;
    for (size_t i = 0; i < sizeof r.portHandles / sizeof r.portHandles[0]; ++i)
        r.portHandles[i] = -1;
    r.blockStartLine = -1;
    SetText(r.headingTime, "Time : " + NowTime());
    SetText(r.headingDate, "Date : " + NowDate());
    // 3. the company
    if (!ReadCompany(r))
        return 0;
    // 4.
    Blank(r);
    if (r.width == 0)
        r.width = r.wide ? 136 : 80;
    r.engineSetup[1452] = 'Y';
    r.dialogOptions |= 2;
    std::snprintf(r.title, sizeof r.title, "%.*s", REPORT_TITLE_SIZE, title != nullptr ? title : "");
    if (!r.silent) {
        // 5. the dialog
        if ((r.dialogOptions & 1) && !ExcelAutomationAvailable(0, 1, 0))
            r.dialogOptions = static_cast<uint8_t>(r.dialogOptions & ~1);
        const int opened = ReportRunLayoutDialog(&r);
        if (opened == 1 && !r.keepStatus)
            OpenStatusWindow(5, -1, -1, 5, 40, "Printing");
        return opened == 1 ? 1 : 0;
    }
    // 6. silent: the default printer and its setup for the engine's jobs
    if (EngineDestination(r)) {
        char printer[64] = {};
        if (!BrmReportGetDefaultPrinterName(printer)) {
            ShowMessage(kMsgNoPrinter, MESSAGE_DEFAULT_CONTEXT);
            return 0;
        }
        EnsureSetup(r);
    }
    if (r.destination == REPORT_TO_PREVIEW || r.destination == REPORT_TO_EXPORT)
        SetText(r.outputFile, ProgramFolder());
    if (r.destination == REPORT_TO_EXPORT) {
        if (CompleteExportFileName(r.exportFile, ProgramFolder().c_str(), r.exportKind, OfficeActive(r)) != 0) {
            ShowMessage(kMsgBadName, MESSAGE_DEFAULT_CONTEXT);
            return 0;
        }
    }
    if (r.destination == REPORT_TO_TEXT_FILE) {
        if (CompleteOutputFileName(r.outputFile, ProgramFolder().c_str(), r.outputMode) != 0 ||
            !RequiredExtension(r.outputFile, r.outputMode)) {
            ShowMessage(r.outputFile[0] != '\0' && r.outputMode >= 3 ? kMsgSheetExtension : kMsgBadName,
                        MESSAGE_DEFAULT_CONTEXT);
            return 0;
        }
    }
    session->ReportDestination = r.destination;
    if (ReportOpenDestination(&r) != 1)
        return 0;
    if (!r.keepStatus)
        OpenStatusWindow(5, -1, -1, 5, 40, "Printing");
    return 1;
}

BWPS_EXPORT int ReportApplyLayout(TagRepInfo* report)
{
    TagRepInfo& r = *report;
    const std::string program = ProgramFolder();
    if (r.destination == REPORT_TO_TEXT_FILE) {
        if (CompleteOutputFileName(r.outputFile, program.c_str(), r.outputMode) != 0) {
            ShowMessage(kMsgBadName, MESSAGE_DEFAULT_CONTEXT);
            return 0x80;
        }
        if (!RequiredExtension(r.outputFile, r.outputMode)) {
            ShowMessage(kMsgSheetExtension, MESSAGE_DEFAULT_CONTEXT);
            return 0x80;
        }
    } else if (r.destination == REPORT_TO_PREVIEW) {
        SetText(r.outputFile, program);
    } else if (r.destination == REPORT_TO_EXPORT) {
        SetText(r.outputFile, program);
        if (CompleteExportFileName(r.exportFile, program.c_str(), r.exportKind, OfficeActive(r)) != 0) {
            ShowMessage(kMsgBadName, MESSAGE_DEFAULT_CONTEXT);
            return 0x80;
        }
        if (!ConfirmOverwrite(r.exportFile))
            return 0x80;
    }
    if (ReportOpenDestination(&r) != 1)
        return r.linesPerPage == -1 ? 27 : 0x20;
    GetSessionPaths()->ReportDestination = r.destination;
    return 1;
}

BWPS_EXPORT int ReportOpenDestination(TagRepInfo* report)
{
    TagRepInfo& r = *report;
    if (r.destination == REPORT_TO_TEXT_FILE) {
        int handle = -1;
        if (OpenReportTextFile(0, &handle, r.outputFile, r.outputMode) != 0)
            return 0;
        r.fileHandle = handle;
        r.linesPerPage = REPORT_TEXT_PAGE_LINES;
        if (r.outputMode == REPORT_MODE_HTML) {
            if (!StartHtml(r)) {
                CommitTextFile(r, false);
                return 0;
            }
        } else if (r.outputMode >= 3 && r.outputMode <= 6) {
            CommitTextFile(r, false);
            if (!StartSheetWriter(r))
                return 0;
        }
        return 1;
    }
    if (OfficeActive(r))
        return SheetExportStart(r) ? 1 : 0;
    if (r.destination < REPORT_TO_PREVIEW || r.destination > REPORT_TO_EXPORT)
        return 0;
    if (!ReportEngineStart(&r))
        return 0;
    r.font = TagRepFont{r.wide ? REPORT_FONT_WIDE : REPORT_FONT_NARROW, -1, -1};
    if (r.destination == REPORT_TO_EXPORT && r.exportKind != 4) {
        r.linesPerPage = REPORT_EXPORT_PAGE_LINES;
    } else if (r.linesPerPage == -1) {
        ShowMessage(kMsgNoPageLength, MESSAGE_DEFAULT_CONTEXT);
        ReportEngineEnd(r.engine);
        r.engine = -1;
        return 0;
    }
    return 1;
}

BWPS_EXPORT int ReportWriteText(TagRepInfo* report, const char* text, int column, int newLines)
{
    if (!Writes(report) || text == nullptr)
        return 0;
    TagRepInfo& r = *report;
    if (r.outputMode != REPORT_MODE_TEXT && r.outputMode != REPORT_MODE_HTML)
        return 0;
    TagRepColumn c[2] = {};
    c[0].type = REPORT_TYPE_TEXT;
    std::memcpy(c[0].format, "%s", 3);
    c[0].value = text;
    c[0].width = static_cast<int16_t>(std::min<size_t>(std::strlen(text), 511));
    c[0].column = column;
    c[0].align = column;
    // The text stays on the line until the caller moves on; a new-line
    // count only counts the row.
    ReportWriteColumnRow(&r, c, 0);
    r.linePending = 1;
    if (newLines > 0)
        ++r.rowCount;
    return 0;
}

BWPS_EXPORT int ReportWriteColumnRow(TagRepInfo* report, const TagRepColumn* columns, int newLines)
{
    if (!Writes(report) || columns == nullptr)
        return 0;
    TagRepInfo& r = *report;
    if (OfficeActive(r))
        return SheetExportWriteRow(r, columns, newLines);
    if (r.font.id != 0)
        SetFontNow(r);
    if (SheetMode(r)) {
        FxSheet* sheet = Sheet(r);
        if (sheet == nullptr)
            return 0;
        for (const TagRepColumn* c = columns; c->type != REPORT_TYPE_END; ++c) {
            if (c->skip || c->value == nullptr)
                continue;
            const std::string text = Trimmed(FormatColumn(*c, false));
            if (IsNumberType(c->type)) {
                char* end = nullptr;
                std::string plain;
                for (char ch : text)
                    if (ch != ',')
                        plain += ch;
                const double value = std::strtod(plain.c_str(), &end);
                if (!plain.empty() && end != nullptr && *end == '\0' && std::isfinite(value))
                    FxSheetNumber(sheet, value);
                else
                    FxSheetText(sheet, text.c_str());
            } else {
                FxSheetText(sheet, text.c_str());
            }
        }
        if (newLines > 0) {
            if (FxSheetEndRow(sheet) != 0) {
                ShowMessage(kMsgSheetRow, MESSAGE_DEFAULT_CONTEXT);
                r.aborted = 1;
                return 1;
            }
            r.line += static_cast<uint32_t>(newLines);
        }
        return 0;
    }
    const bool alignmentRows = (r.options & REPORT_OPTION_ALIGNMENT_ROWS) != 0;
    if (r.outputMode == REPORT_MODE_SEPARATED) {
        std::string values;
        for (const TagRepColumn* c = columns; c->type != REPORT_TYPE_END; ++c) {
            if (c->skip || c->value == nullptr)
                continue;
            const std::string text = FormatColumn(*c, false);
            if (c->type == REPORT_TYPE_TEXT || c->type == REPORT_TYPE_CHAR || c->type == REPORT_TYPE_TEXT12) {
                const std::string kept = Trimmed(text);
                values += static_cast<char>(r.quoteChar);
                values += kept;
                values += static_cast<char>(r.quoteChar);
            } else {
                values += Trimmed(text);
            }
            values += static_cast<char>(r.separatorChar);
        }
        const size_t n = std::min<size_t>(values.size(), REPORT_LINE_LAST + 1);
        std::memcpy(r.lineBuffer, values.data(), n);
        r.linePending = 1;
        return newLines > 0 ? ReportNewLines(&r, newLines) : 0;
    }
    for (const TagRepColumn* c = columns; c->type != REPORT_TYPE_END; ++c) {
        if (c->skip || c->value == nullptr)
            continue;
        std::string text = alignmentRows ? std::string(static_cast<size_t>(std::max<int>(c->width, 1)), 'X')
                                         : FormatColumn(*c, true);
        if (text.size() > ENGINE_TEXT_MAX)
            text.resize(ENGINE_TEXT_MAX);
        Place(r, text, c->column);
        if (EngineDestination(r) && r.engine >= 0) {
            const int align = c->column < 0 ? c->column : (c->align < 0 ? c->align : REPORT_ALIGN_LEFT_CELL);
            const int at = c->column < 0 ? 0 : c->column;
            if (c->type == REPORT_TYPE_PICTURE) {
                ReportEnginePicture(&r, text.c_str(), 0, 0, 4, c->align);
            } else if (c->type == REPORT_TYPE_FORMATTED) {
                ReportEngineFormattedText(&r, at, static_cast<int>(r.line), align, text.c_str());
            } else if (IsNumberType(c->type)) {
                ReportEngineWriteString(&r, at, static_cast<int>(r.line),
                                        c->column < 0 ? c->column : REPORT_ALIGN_RIGHT_CELL, text.c_str(),
                                        std::max<int>(c->width, static_cast<int>(text.size())), nullptr);
            } else {
                ReportEngineWriteString(&r, at, static_cast<int>(r.line), align, text.c_str(),
                                        std::max<int>(c->width, static_cast<int>(text.size())), nullptr);
            }
        }
    }
    return newLines > 0 ? ReportNewLines(&r, newLines) : 0;
}

BWPS_EXPORT int ReportMeasureColumns(TagRepInfo*, TagRepColumn* columns)
{
    if (columns == nullptr)
        return 0;
    for (TagRepColumn* c = columns; c->type != REPORT_TYPE_END; ++c)
        if (c->width == 0)
            c->width = static_cast<int16_t>(strnlen(c->format, sizeof c->format));
    return 0;
}

BWPS_EXPORT int ReportWriteColumnRule(TagRepInfo* report, TagRepColumn* columns, int newLines, int fill)
{
    if (!Writes(report) || columns == nullptr)
        return 0;
    TagRepInfo& r = *report;
    if (OfficeActive(r))
        return SheetExportWriteRule(r, columns, newLines, fill);
    if (r.destination == REPORT_TO_EXPORT && r.exportKind == 4) {
        const int lines = (r.font.id == 12 || r.font.id == 13) ? newLines - 1 : newLines;
        return lines > 0 ? ReportNewLines(&r, lines) : 0;
    }
    if (columns[0].type != REPORT_TYPE_END && columns[0].width == 0)
        ReportMeasureColumns(&r, columns);
    if (SheetMode(r) || r.outputMode == REPORT_MODE_SEPARATED)
        return newLines > 0 ? ReportNewLines(&r, newLines) : 0;
    for (const TagRepColumn* c = columns; c->type != REPORT_TYPE_END; ++c) {
        if (c->skip)
            continue;
        const int start = std::max(0, static_cast<int>(c->column));
        if (start + c->width > REPORT_LINE_LAST)
            break;
        const int width = std::min<int>(c->width, REPORT_LINE_SIZE - 1);
        std::memset(r.lineBuffer + start, fill, static_cast<size_t>(std::max(0, width)));
        r.linePending = 1;
        if (EngineDestination(r) && r.engine >= 0)
            ReportEngineOutText(&r, start, start + width, static_cast<int>(r.line), fill);
    }
    return newLines > 0 ? ReportNewLines(&r, newLines) : 0;
}

BWPS_EXPORT int ReportBuildColumnTable(const TagRepColumnDef* definitions, int count, TagRepColumn* table)
{
    if (definitions == nullptr || table == nullptr)
        return 0;
    int at = 0;
    int n = 0;
    for (int i = 0; i < count && definitions[i].type != REPORT_TYPE_END; ++i, ++n) {
        const TagRepColumnDef& d = definitions[i];
        TagRepColumn& c = table[n];
        std::memset(&c, 0, sizeof c);
        c.type = d.type;
        c.skip = d.skip;
        const int width = d.width > 0 ? d.width : static_cast<int>(strnlen(d.caption, sizeof d.caption));
        c.width = static_cast<int16_t>(width);
        std::snprintf(c.format, sizeof c.format, IsNumberType(d.type) ? "%%%d.2f" : "%%-%ds", width);
        c.column = at;
        c.align = IsNumberType(d.type) ? REPORT_ALIGN_RIGHT_CELL : REPORT_ALIGN_LEFT_CELL;
        if (!d.skip)
            at += width + 1;
    }
    std::memset(&table[n], 0, sizeof table[n]);
    return n;
}

BWPS_EXPORT int ReportWriteWords(TagRepInfo* report, const char* text, int column, int newLines,
                                 const char* separator)
{
    if (!Writes(report) || text == nullptr)
        return 0;
    const std::string sep = separator != nullptr && separator[0] != '\0' ? separator : " ";
    const std::string all = text;
    std::vector<std::string> words;
    for (size_t from = 0; from <= all.size();) {
        const size_t at = all.find(sep, from);
        const std::string w = all.substr(from, at == std::string::npos ? std::string::npos : at - from);
        if (!Trimmed(w).empty())
            words.push_back(w);
        if (at == std::string::npos)
            break;
        from = at + sep.size();
    }
    std::vector<TagRepColumn> table(words.size() + 1);
    int at = column;
    for (size_t i = 0; i < words.size(); ++i) {
        TagRepColumn& c = table[i];
        c.type = REPORT_TYPE_TEXT;
        c.width = static_cast<int16_t>(words[i].size());
        std::snprintf(c.format, sizeof c.format, "%%-%ds", static_cast<int>(words[i].size()));
        c.value = words[i].c_str();
        c.column = at;
        at += static_cast<int>(words[i].size()) + 1;
    }
    return ReportWriteColumnRow(report, table.data(), newLines);
}

BWPS_EXPORT int ReportWriteWordsEx(TagRepInfo* report, const char* text, int column, int newLines,
                                   const char* separator)
{
    if (!Writes(report) || text == nullptr)
        return 0;
    TagRepInfo& r = *report;
    const std::string t = text;
    const bool rule = !Trimmed(t).empty() && t.find_first_not_of("-= ") == std::string::npos;
    if (rule) {
        const uint32_t line = r.line;
        ReportBlockBegin(&r, REPORT_FONT_NARROW);
        TagRepColumn c[2] = {};
        c[0].type = REPORT_TYPE_TEXT;
        c[0].column = column;
        c[0].width = static_cast<int16_t>(Trimmed(t).size());
        ReportWriteColumnRule(&r, c, 0, t.find('=') != std::string::npos ? '=' : '-');
        ReportBlockEnd(&r);
        r.line = line;
        return newLines > 0 ? ReportNewLines(&r, newLines) : 0;
    }
    const bool digits = !Trimmed(t).empty() && t.find_first_not_of("0123456789. ") == std::string::npos;
    if (digits) {
        TagRepColumn c[2] = {};
        c[0].type = REPORT_TYPE_TEXT;
        c[0].column = column;
        c[0].width = static_cast<int16_t>(t.size());
        c[0].align = REPORT_ALIGN_RIGHT_CELL;
        std::snprintf(c[0].format, sizeof c[0].format, "%%%ds", static_cast<int>(t.size()));
        c[0].value = text;
        return ReportWriteColumnRow(&r, c, newLines);
    }
    return ReportWriteWords(&r, text, column, newLines, separator);
}

BWPS_EXPORT int ReportFlushLine(TagRepInfo* report)
{
    if (report == nullptr)
        return 0;
    TagRepInfo& r = *report;
    if (!SheetMode(r)) {
        const std::string line(r.lineBuffer, std::min<size_t>(r.lineLength, REPORT_LINE_SIZE));
        KeepCopyLine(r, line);
        if (EngineDestination(r) || OfficeActive(r))
            ++r.rowCount;
        if (r.destination == REPORT_TO_TEXT_FILE && r.fileHandle >= 0 && !r.aborted) {
            std::string bytes;
            if (r.formFeedPending) {
                bytes += '\f';
                r.formFeedPending = 0;
            }
            if (r.line > r.lastFlushedLine + 1 && r.lastFlushedLine != 0)
                bytes += "\r\n";
            bytes += line;
            PutBytes(r, bytes);
            r.lastFlushedLine = r.line;
        }
    }
    Blank(r);
    return r.aborted ? 1 : 0;
}

BWPS_EXPORT int ReportNewLines(TagRepInfo* report, int count)
{
    if (!Writes(report) || count < 1)
        return 0;
    TagRepInfo& r = *report;
    if (OfficeActive(r)) {
        r.line += static_cast<uint32_t>(count);
        Blank(r);
        return 0;
    }
    if (r.destination == REPORT_TO_TEXT_FILE) {
        std::string text;
        if (r.linePending) {
            text.assign(r.lineBuffer, strnlen(r.lineBuffer, REPORT_LINE_SIZE - 1));
            if (r.outputMode == REPORT_MODE_SEPARATED || SheetMode(r)) {
                // The separated values end after the last quote, or before
                // the last separator.
                size_t end = std::string::npos;
                for (size_t i = text.size(); i-- > 0;) {
                    if (text[i] == static_cast<char>(r.quoteChar)) {
                        end = i + 1;
                        break;
                    }
                    if (text[i] == static_cast<char>(r.separatorChar)) {
                        end = i;
                        break;
                    }
                }
                text = end == std::string::npos ? std::string() : text.substr(0, end);
            } else {
                if (text.size() > r.width)
                    text.resize(r.width);
                while (!text.empty() && text.back() == ' ')
                    text.pop_back();
                if (r.outputMode == REPORT_MODE_HTML)
                    text = HtmlEscaped(text);
            }
        }
        const int pairs = (r.outputMode == REPORT_MODE_SEPARATED || SheetMode(r)) ? 1 : count;
        for (int i = 0; i < pairs; ++i)
            text += "\r\n";
        if (SheetMode(r)) {
            Blank(r);
            r.line += static_cast<uint32_t>(count);
            FxSheet* sheet = Sheet(r);
            if (sheet != nullptr && sheet->column > 0 && FxSheetEndRow(sheet) != 0) {
                ShowMessage(kMsgSheetRow, MESSAGE_DEFAULT_CONTEXT);
                r.aborted = 1;
                return 1;
            }
            return 0;
        }
        const size_t n = std::min<size_t>(text.size(), REPORT_LINE_SIZE - 1);
        std::memcpy(r.lineBuffer, text.data(), n);
        r.lineLength = static_cast<uint32_t>(n);
        r.line += static_cast<uint32_t>(count);
        return ReportFlushLine(&r);
    }
    // The engine's destinations.
    r.lineLength = r.linePending ? r.width : 0;
    if (r.fixedPageLines != 0) {
        r.line += static_cast<uint32_t>(count);
    } else {
        EngWord step{};
        step.head = EngHead{ENG_QUERY_LINE_STEP, sizeof step};
        int lines = 1;
        if (r.engine >= 0 && r.blockStartLine < 0 && ReportEngineCall(r.engine, ENGINE_QUERY, &step) == 0)
            lines = std::max<int>(1, step.value);
        r.line += static_cast<uint32_t>(count == 1 ? lines : lines - 1 + count);
    }
    return ReportFlushLine(&r);
}

BWPS_EXPORT int ReportEndPage(TagRepInfo* report)
{
    if (report == nullptr)
        return 0;
    TagRepInfo& r = *report;
    const bool skipped = r.aborted || r.outputMode == REPORT_MODE_SEPARATED || SheetMode(r);
    if (!skipped) {
        if (OfficeActive(r)) {
            SheetExportEndPage(r);
        } else {
            if (r.outputMode != REPORT_MODE_HTML && r.destination == REPORT_TO_TEXT_FILE)
                r.formFeedPending = 1;
            if (r.engineSetup[1452] == 'Y' && r.copies >= 2 && r.copyList != 0 && !r.copyListFailed) {
                const std::vector<std::string> lines = Objects().copies[+r.copyList];
                for (uint32_t copy = 1; copy < r.copies && !r.aborted; ++copy) {
                    if (r.destination == REPORT_TO_TEXT_FILE) {
                        std::string bytes = "\f";
                        for (const std::string& l : lines)
                            bytes += l;
                        PutBytes(r, bytes);
                    } else if (r.engine >= 0) {
                        EngPageEnd end{};
                        end.head = EngHead{ENG_CMD_PAGE_END, sizeof end};
                        end.page = r.page;
                        ReportEngineCall(r.engine, ENGINE_COMMAND, &end);
                        int n = 0;
                        for (const std::string& l : lines) {
                            std::string text = l;
                            while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
                                text.pop_back();
                            if (!text.empty())
                                ReportEngineWriteString(&r, 0, n, REPORT_ALIGN_LEFT_CELL, text.c_str(),
                                                        static_cast<int>(text.size()), nullptr);
                            ++n;
                        }
                    }
                }
                Objects().copies[+r.copyList].clear();
            }
        }
    }
    if (!OfficeActive(r)) {
        EngPageEnd end{};
        end.head = EngHead{ENG_CMD_PAGE_END, sizeof end};
        end.page = r.page;
        if (ReportEngineCall(r.engine, ENGINE_COMMAND, &end) < 0)
            r.aborted = 1;
    }
    r.lastFlushedLine = 0;
    r.line = 0;
    ++r.page;
    return 0;
}

BWPS_EXPORT int ReportWritePageHeading(TagRepInfo* report, int width)
{
    if (!Writes(report))
        return 0;
    TagRepInfo& r = *report;
    if (r.outputMode != REPORT_MODE_TEXT && r.outputMode != REPORT_MODE_HTML)
        return 0;
    if (r.destination == REPORT_TO_EXPORT && r.exportKind == 4)
        return 0;
    if (width > 0)
        r.width = static_cast<uint32_t>(width) * 2;
    const TagRepFont callerFont = r.font;
    const uint32_t start = r.line;
    const bool picture = reinterpret_cast<const TagCompanyRecord*>(r.companyRecord)->PictureShown == 'Y';
    int dateHeight = 0;
    if (r.headingBlock) {
        ReportBlockBegin(&r, 5);
        char page[32];
        std::snprintf(page, sizeof page, "Page %u", r.page);
        if (picture) {
            for (const char* text : {static_cast<const char*>(r.headingDate), static_cast<const char*>(r.headingTime),
                                     static_cast<const char*>(page)}) {
                ReportWriteText(&r, text, REPORT_ALIGN_RIGHT, 1);
                ReportNewLines(&r, 1);
            }
        } else {
            ReportWriteText(&r, r.headingDate, 1, 0);
            ReportWriteText(&r, page, REPORT_ALIGN_RIGHT, 1);
            ReportNewLines(&r, 1);
            ReportWriteText(&r, r.headingTime, 1, 1);
            ReportNewLines(&r, 1);
        }
        dateHeight = ReportBlockEnd(&r);
    }
    if (r.destination != REPORT_TO_TEXT_FILE)
        r.line = start;
    ReportBlockBegin(&r, 0);
    const uint32_t headingStart = r.line;
    int written = 0;
    for (int i = 0; i < 4 && r.headingLines[i] != 0; ++i) {
        ReportSetFont(&r, i);
        ReportWriteText(&r, reinterpret_cast<const char*>(r.companyRecord) + r.headingLines[i], REPORT_ALIGN_CENTRE, 1);
        ReportNewLines(&r, 1);
        ++written;
    }
    if (r.phoneLine && r.phoneFax[0] != '\0') {
        ReportSetFont(&r, 4);
        ReportWriteText(&r, r.phoneFax, REPORT_ALIGN_CENTRE, 1);
        ReportNewLines(&r, 1);
    }
    if (picture && r.engine >= 0) {
        const auto* company = reinterpret_cast<const TagCompanyRecord*>(r.companyRecord);
        ReportEnginePicture(&r, Terminated(company->Picture, sizeof company->Picture).c_str(), 0,
                            static_cast<int>(headingStart), std::max(1, written), 0);
    }
    const int headingHeight = ReportBlockEnd(&r);
    r.font = callerFont;
    if (r.destination == REPORT_TO_TEXT_FILE) {
        ReportNewLines(&r, 1);
    } else {
        r.line = start + static_cast<uint32_t>(std::max(dateHeight, headingHeight)) + 1;
        SetFontNow(r);
    }
    return r.aborted ? 1 : 0;
}

BWPS_EXPORT int ReportWritePageNumber(TagRepInfo* report, int column, int newLines)
{
    if (!Writes(report))
        return 0;
    TagRepInfo& r = *report;
    if (OfficeActive(r)) {
        r.line += static_cast<uint32_t>(std::max(0, newLines));
        return 0;
    }
    char text[32];
    std::snprintf(text, sizeof text, "Page no. %u", r.page);
    if (column == -1)
        column = std::max(0, static_cast<int>(r.width) - static_cast<int>(std::strlen(text)) - 9);
    return ReportWriteText(&r, text, column, newLines);
}

BWPS_EXPORT int ReportWriteHeadingLine1(TagRepInfo* report, int column)
{
    return report != nullptr ? ReportWriteText(report, report->headingDate, column, 0) : 0;
}

BWPS_EXPORT int ReportWriteHeadingLine2(TagRepInfo* report, int column)
{
    return report != nullptr ? ReportWriteText(report, report->headingTime, column, 0) : 0;
}

BWPS_EXPORT int ReportClearLine(TagRepInfo* report)
{
    if (report != nullptr)
        Blank(*report);
    return 0;
}

BWPS_EXPORT int ReportWriteDashLine(int count, int newLines, TagRepInfo* report)
{
    if (count < 0)
        count = 0;
    return ReportWriteText(report, std::string(static_cast<size_t>(count) + 2, '-').c_str(), 0, newLines);
}

BWPS_EXPORT int ReportWriteField(TagRepInfo* report, const char* text, int column, int width, int newLines)
{
    if (!Writes(report) || text == nullptr)
        return 0;
    TagRepColumn c[2] = {};
    c[0].type = REPORT_TYPE_TEXT;
    c[0].column = column;
    c[0].width = static_cast<int16_t>(width);
    std::snprintf(c[0].format, sizeof c[0].format, "%%-%ds", std::max(1, width));
    c[0].value = text;
    return ReportWriteColumnRow(report, c, newLines);
}

BWPS_EXPORT int ReportSetFont(TagRepInfo* report, int font)
{
    const TagRepFont f{font, -1, -1};
    return ReportSetFontRecord(report, &f);
}

BWPS_EXPORT int ReportSetFontRecord(TagRepInfo* report, const TagRepFont* font)
{
    if (report == nullptr || font == nullptr)
        return 0;
    report->font = *font;
    if (report->engine >= 0 && font->id != 0)
        SetFontNow(*report);
    else if (report->engine >= 0 && font->id == 0 && report->blockStartLine >= 0)
        ReportEngineSwitchBlockFont(report, 0);
    return 0;
}

BWPS_EXPORT int ReportBlockBegin(TagRepInfo* report, int font)
{
    if (report == nullptr)
        return 0;
    TagRepInfo& r = *report;
    r.blockFont = r.font;
    if (r.destination == REPORT_TO_TEXT_FILE)
        return 0;
    r.blockSavedLine = r.line;
    r.blockStartLine = static_cast<int32_t>(r.line);
    r.font = TagRepFont{font, -1, -1};
    ReportEngineBlockBegin(&r, font);
    return 0;
}

BWPS_EXPORT int ReportBlockEnd(TagRepInfo* report)
{
    if (report == nullptr)
        return 0;
    TagRepInfo& r = *report;
    int height = 1;
    if (r.destination == REPORT_TO_TEXT_FILE) {
        r.font = r.blockFont;
        return 1;
    }
    if (OfficeActive(r)) {
        height = static_cast<int>(r.line - r.blockSavedLine);
    } else {
        height = ReportEngineBlockEnd(&r);
        if (height < 0)
            height = static_cast<int>(r.line - r.blockSavedLine);
    }
    r.line = r.blockSavedLine + static_cast<uint32_t>(std::max(0, height));
    r.blockStartLine = -1;
    r.font = r.blockFont;
    return height;
}

BWPS_EXPORT int ReportClose(TagRepInfo* report)
{
    if (report == nullptr)
        return 0;
    TagRepInfo& r = *report;
    int result = 0;
    if (!r.keepStatus)
        CloseStatusWindow();
    if (r.destination == REPORT_TO_TEXT_FILE) {
        if (r.linePending && !r.aborted)
            ReportNewLines(&r, 1);
        if (r.htmlWriter != 0 && !r.aborted)
            EndHtml(r);
        if (FxSheet* sheet = Sheet(r)) {
            const bool written = !r.aborted ? FxSheetClose(sheet) == 0 : false;
            if (r.aborted)
                FxSheetClose(sheet), FxFileDelete(r.outputFile);
            Objects().sheets.erase(+r.sheetWriter);
            r.sheetWriter = 0;
            if (!written && !r.aborted) {
                ShowMessage(kMsgNotPutInPlace, MESSAGE_DEFAULT_CONTEXT);
                result = 1;
            }
        }
        if (!CommitTextFile(r, !r.aborted))
            result = 1;
    } else if (OfficeActive(r)) {
        if (SheetExportClose(r) < 0)
            result = 1;
    } else if (r.engine >= 0) {
        // A compiled layout made for this job is no longer needed.
        RemoveFormTempFile();
        if (r.endPageOnClose && r.line != 0 && !r.aborted)
            ReportEndPage(&r);
        if (r.aborted) {
            // A failed or stopped report prints nothing and leaves any
            // older file of its name as it was.
            uint16_t drop = 1;
            ReportEngineCall(r.engine, ENGINE_END_JOB, &drop);
            r.engine = -1;
            DropCopies(r);
            return 1;
        }
        if (ReportEngineEnd(r.engine) != 0)
            result = 1;
        r.engine = -1;
        if (result != 0 && ReportEngineLastError()[0] != '\0') {
            FxTranscriptNote(ReportEngineLastError());
            ShowMessage(3400, MESSAGE_DEFAULT_CONTEXT);
        }
        if (r.destination == REPORT_TO_EXPORT && r.openWhenDone && result == 0)
            FxTranscriptNote((std::string("open ") + ReportEngineLastOutput()).c_str());
    }
    DropCopies(r);
    return result;
}

BWPS_EXPORT int ReportReopenPort(TagRepInfo* report)
{
    if (report == nullptr || report->destination != REPORT_TO_PRINTER)
        return 1;
    // The printer is the engine's: there is no device to open again.
    return 1;
}

BWPS_EXPORT int ReportIsOutputSuppressed(const TagRepInfo* report)
{
    return report != nullptr && report->outputMode != REPORT_MODE_TEXT && report->outputMode != REPORT_MODE_HTML;
}

BWPS_EXPORT int ReportIsExport(const TagRepInfo* report)
{
    return report != nullptr && report->destination == REPORT_TO_EXPORT;
}

BWPS_EXPORT int ReportIsExportKind(const TagRepInfo* report, int kind)
{
    return ReportIsExport(report) && (kind == 0 || report->exportKind == kind);
}

BWPS_EXPORT int ReportIsSpreadsheetActive(const TagRepInfo* report)
{
    return report != nullptr && OfficeActive(*report);
}

BWPS_EXPORT int ReportToggleWidth(TagRepInfo* report)
{
    if (report != nullptr && !report->aborted)
        report->wide = report->wide ? 0 : 1;
    return 0;
}

BWPS_EXPORT int ReportShadeStub(void)
{
    return 0;
}

BWPS_EXPORT int ReportCheckUserBreak(void* work)
{
    if (work != nullptr)
        std::memset(work, 0, 32);
    // Headless, only a key the script still holds can be waiting.
    if (!FxUsingTerminal() && FxScriptRemaining() == 0)
        return 0;
    if (FxGetKey(0) == 0)
        return 0;
    int choice = 1;
    uint8_t colours[COLOR_SET_SIZE];
    SetColorSet(colours, 5);
    if (AskMessage(REPORT_BREAK_MESSAGE, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO, colours, -1, -1,
                   0, 0, 0) != 0)
        return 0;
    return choice == 1 ? 1 : 0;
}

BWPS_EXPORT int ReportCheckUserBreakEx(TagRepInfo* report, void* work)
{
    int stop = 0;
    if (report != nullptr && report->destination == REPORT_TO_EXPORT && report->exportKind == 4) {
        if (work != nullptr)
            std::memset(work, 0, 32);
        if (FxUsingTerminal() || FxScriptRemaining() != 0)
            stop = FxGetKey(0) != 0 ? 1 : 0;
    } else {
        stop = ReportCheckUserBreak(work);
    }
    // A stopped report is not put in place: its close drops what was written.
    if (stop && report != nullptr)
        report->aborted = 1;
    return stop;
}

BWPS_EXPORT int PackAddressLines(char* block)
{
    if (block == nullptr)
        return 0;
    char packed[357] = {};
    int n = 0;
    for (int i = 0; i < 4; ++i) {
        const std::string line = Trimmed(Terminated(block + 41 * i, 41));
        if (line.empty())
            continue;
        std::snprintf(packed + 41 * n, 41, "%s", line.c_str());
        ++n;
    }
    std::string fifth = Trimmed(Terminated(block + 41 * 4, 41));
    if (fifth.empty()) {
        char joined[128] = {};
        JoinCityStateZip(block, joined);
        fifth = joined;
    }
    std::snprintf(packed + 41 * n, 41, "%s", fifth.c_str());
    std::memcpy(block, packed, sizeof packed);
    return 0;
}

// The address block: five lines of 41, then city (41) at 205, state (3)
// at 246, zip (11) at 249.
BWPS_EXPORT int JoinCityStateZip(const char* block, char* out)
{
    if (block == nullptr || out == nullptr)
        return 0;
    std::string city = Terminated(block + 205, 41);
    while (!city.empty() && city.back() == ' ')
        city.pop_back();
    const std::string state = Trimmed(Terminated(block + 246, 3));
    const std::string zip = Trimmed(Terminated(block + 249, 11));
    std::string text = city;
    if (!state.empty())
        text += (text.empty() ? "" : " ") + state;
    if (!zip.empty())
        text += (text.empty() ? "" : " ") + zip;
    // An empty zip extension ("12345-") leaves no dash behind.
    const size_t tail = text.find_last_not_of(" -");
    if (tail != std::string::npos && tail + 1 < text.size() && text.find('-', tail + 1) != std::string::npos)
        text = text.substr(0, text.find('-', tail + 1));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    std::strcpy(out, text.c_str());
    return 0;
}

BWPS_EXPORT int ReportClearRangeWord(char* text)
{
    if (text == nullptr)
        return 0;
    const std::string word = Upper(Trimmed(text));
    if (word == "FIRST" || word == "LAST")
        text[0] = '\0';
    return 0;
}

}  // extern "C"

extern "C" BWPS_EXPORT void ResetReportWriterState(void)
{
    for (auto& [handle, file] : Files()) {
        FxFileClose(handle);
        FxFileDelete(file.aside.c_str());
    }
    Files().clear();
    Objects().copies.clear();
    Objects().sheets.clear();
}
