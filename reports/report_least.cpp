// The report writer over text files: what the message log, the transfer and
// the open-item listing need of it. Every entry is a weak definition: the
// full report writer, when it is compiled into the library, takes its place.
#include "bwps/report_services.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bwps/messages.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "fx.h"

namespace {

enum { kFileWrite = 1, kFileCreate = 0x100, kFileEmpty = 0x200, kFileAppend = 0x008,
       kFileBinary = 0x8000 };

bool Writes(const TagRepInfo* r) { return r != nullptr && !r->aborted && r->fileHandle >= 0; }

void BlankLine(TagRepInfo* r)
{
    std::memset(r->lineBuffer, ' ', REPORT_LINE_SIZE - 1);
    r->lineBuffer[REPORT_LINE_SIZE - 1] = '\0';
    r->linePending = 0;
}

bool Put(TagRepInfo* r, const char* bytes, int size)
{
    int written = 0;
    if (FxFileWrite(r->fileHandle, bytes, size, &written) != 0 || written != size) {
        r->aborted = 1;
        return false;
    }
    return true;
}

// Sends the current line (trailing blanks dropped) and a line end.
bool SendLine(TagRepInfo* r)
{
    if (r->formFeedPending) {
        r->formFeedPending = 0;
        if (!Put(r, "\f", 1))
            return false;
    }
    int length = static_cast<int>(strnlen(r->lineBuffer, REPORT_LINE_SIZE - 1));
    while (length > 0 && r->lineBuffer[length - 1] == ' ')
        --length;
    const bool ok = Put(r, r->lineBuffer, length) && Put(r, "\r\n", 2);
    BlankLine(r);
    return ok;
}

void Place(TagRepInfo* r, const char* text, int column)
{
    const int width = std::min<int>(static_cast<int>(r->width), REPORT_LINE_SIZE - 1);
    const int length = static_cast<int>(std::strlen(text));
    if (column == REPORT_ALIGN_CENTRE)
        column = std::max(0, (width - length) / 2);
    else if (column == REPORT_ALIGN_RIGHT)
        column = std::max(0, width - length);
    else if (column < 0)
        column = 0;
    if (column >= REPORT_LINE_SIZE - 1)
        return;
    const int n = std::min(length, REPORT_LINE_SIZE - 1 - column);
    std::memcpy(r->lineBuffer + column, text, static_cast<size_t>(n));
}

}  // namespace

extern "C" {

__attribute__((weak)) BWPS_EXPORT int ReportOpen(TagRepInfo* report, const char* title)
{
    if (report == nullptr)
        return 0;
    const TagRepInfo caller = *report;
    std::memset(report, 0, sizeof *report);
    report->silent = caller.silent;
    report->wide = caller.wide;
    report->keepStatus = caller.keepStatus;
    report->endPageOnClose = caller.endPageOnClose;
    report->destination = caller.destination;
    report->firstPage = caller.firstPage;
    std::memcpy(report->outputFile, caller.outputFile, sizeof report->outputFile);
    report->outputFile[sizeof report->outputFile - 1] = '\0';
    report->fileHandle = -1;
    report->headingBlock = 1;
    report->width = caller.width != 0 ? caller.width : (caller.wide ? 136 : 80);
    report->linesPerPage = REPORT_TEXT_PAGE_LINES;
    report->page = report->firstPage != 0 ? report->firstPage : 1;
    std::snprintf(report->title, sizeof report->title, "%.*s", REPORT_TITLE_SIZE,
                  title != nullptr ? title : "");
    BlankLine(report);

    const int32_t today = FxToday();
    std::snprintf(report->headingDate, sizeof report->headingDate, "Date : %02d/%02d/%04d",
                  static_cast<int>(today / 100 % 100), static_cast<int>(today % 100),
                  static_cast<int>(today / 10000));
    const int minutes = FxClock();
    std::snprintf(report->headingTime, sizeof report->headingTime, "Time : %02d:%02d", minutes / 60,
                  minutes % 60);

    int flags = kFileWrite | kFileCreate | kFileBinary;
    switch (report->destination) {
    case REPORT_TO_PRINTER:
    case REPORT_TO_PREVIEW: flags |= kFileAppend; break;
    case REPORT_TO_TEXT_FILE: flags |= kFileEmpty; break;
    default: return 0;  // no export without the report engine
    }
    const size_t pathLength = std::strlen(report->outputFile);
    if (pathLength == 0 || report->outputFile[pathLength - 1] == '/' ||
        report->outputFile[pathLength - 1] == '\\')
        return 0;
    int handle = -1;
    if (FxFileOpen(report->outputFile, flags, 0644, 0, &handle) != 0)
        return 0;
    report->fileHandle = handle;
    GetSessionPaths()->ReportDestination = report->destination;
    return 1;
}

__attribute__((weak)) BWPS_EXPORT int ReportWriteText(TagRepInfo* report, const char* text,
                                                      int column, int newLines)
{
    if (!Writes(report) || text == nullptr)
        return 0;
    Place(report, text, column);
    report->linePending = 1;
    if (newLines > 0)
        ++report->rowCount;
    return 0;
}

__attribute__((weak)) BWPS_EXPORT int ReportNewLines(TagRepInfo* report, int count)
{
    if (!Writes(report) || count < 1)
        return 0;
    for (int i = 0; i < count; ++i)
        if (!SendLine(report))
            return 1;
    report->line += static_cast<uint32_t>(count);
    return 0;
}

__attribute__((weak)) BWPS_EXPORT int ReportEndPage(TagRepInfo* report)
{
    if (!Writes(report))
        return 0;
    report->formFeedPending = 1;
    report->line = 0;
    ++report->page;
    return 0;
}

__attribute__((weak)) BWPS_EXPORT int ReportWritePageHeading(TagRepInfo* report, int width)
{
    if (!Writes(report))
        return 0;
    if (width > 0)
        report->width = static_cast<uint32_t>(width) * 2;
    BlankLine(report);
    char heading[REPORT_LINE_SIZE];
    if (report->headingBlock)
        std::snprintf(heading, sizeof heading, "%s    %s  %s    Page %u", report->title,
                      report->headingDate, report->headingTime, report->page);
    else
        std::snprintf(heading, sizeof heading, "%s", report->title);
    Place(report, heading, 0);
    return ReportNewLines(report, 2);
}

__attribute__((weak)) BWPS_EXPORT int ReportClose(TagRepInfo* report)
{
    if (report == nullptr || report->fileHandle < 0)
        return 0;
    if (report->linePending && !report->aborted)
        ReportNewLines(report, 1);
    FxFileClose(report->fileHandle);
    report->fileHandle = -1;
    return 0;
}

__attribute__((weak)) BWPS_EXPORT int ReportCheckUserBreak(void* work)
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
    if (AskMessage(REPORT_BREAK_MESSAGE, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO,
                   colours, -1, -1, 0, 0, 0) != 0)
        return 0;
    return choice == 1 ? 1 : 0;
}

}  // extern "C"
