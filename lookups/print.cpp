// Printing of a lookup list: every row the list can show (through its
// filter), its columns laid out by picture and title, to the report file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/report_services.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

namespace {

constexpr int kNarrowWidth = 80;
constexpr int kWideWidth = 136;

struct PrintColumn {
    int index;      // in the list control
    int at;         // print column
    int width;      // W
    int picture;    // P
    int align;      // 1 left, 2 centre, 3 right
    std::string caption;
};

std::string Trimmed(const char* text, size_t size)
{
    std::string s(text, strnlen(text, size));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b);
}

void PageTop(TagRepInfo& report, const TagLookUp& l, const std::vector<PrintColumn>& columns, bool first)
{
    if (!first)
        ReportEndPage(&report);
    ReportWritePageHeading(&report, 0);
    ReportWriteText(&report, l.Title != nullptr ? l.Title : "", REPORT_ALIGN_CENTRE, 1);
    ReportNewLines(&report, 1);
    if (l.Subtitle[0] != '\0') {
        ReportWriteText(&report, l.Subtitle, REPORT_ALIGN_CENTRE, 1);
        ReportNewLines(&report, 1);
    }
    ReportNewLines(&report, 1);
    int end = 0;
    for (const PrintColumn& c : columns) {
        const int pad = std::max(0, (c.width - static_cast<int>(c.caption.size())) / 2);
        ReportWriteText(&report, c.caption.c_str(), c.at + pad, 0);
        end = c.at + c.width;
    }
    ReportNewLines(&report, 1);
    ReportWriteText(&report, std::string(static_cast<size_t>(end), '-').c_str(), 0, 0);
    ReportNewLines(&report, 1);
}

}  // namespace

const char* LookUpListFileName()
{
    return "LOOKLIST.TXT";
}

int PrintLookUpList(CEnhLookDlg* dialog)
{
    if (dialog == nullptr || dialog->GetLookupSt() == nullptr)
        return 0;
    TagLookUp& l = *dialog->GetLookupSt();
    const int count = dialog->ColsCount();
    std::vector<TagLookUpField> fields(static_cast<size_t>(count) + 1);
    const int got = dialog->GetLookupFields(fields.data(), count);
    // 1-2. the layout
    std::vector<PrintColumn> columns;
    int at = 0;
    bool wide = false;
    for (int i = 0; i < got; ++i) {
        const TagLookUpField& f = fields[static_cast<size_t>(i)];
        char picture[sizeof f.Picture + 1] = {};
        std::memcpy(picture, f.Picture, sizeof f.Picture);
        const int p = FxPictureWidth(picture);
        const std::string caption = Trimmed(f.Title, sizeof f.Title);
        int w = static_cast<int>(std::max<int>(static_cast<int>(caption.size()), p) * 1.2);
        const size_t pl = std::strlen(picture);
        if (pl > 0 && picture[pl - 1] == 'C')
            w = std::max(w, static_cast<int>(p * 1.5));
        else if (FxPictureIsNumeric(picture))
            w = std::max(w, static_cast<int>(p * 1.2));
        if (at + w > kNarrowWidth)
            wide = true;
        if (wide && at + w > kWideWidth)
            break;
        const int align = f.Align == 2 || f.Align == 3 ? f.Align : 1;
        columns.push_back(PrintColumn{i, at, w, p, align, caption});
        at += w + 1;
    }
    // 3. the report
    TagRepInfo report{};
    // The person chooses where the list goes; a file is offered in the
    // data folder.
    report.wide = wide ? 1 : 0;
    char folder[FOLDER_BUFFER_SIZE] = {};
    std::snprintf(folder, sizeof folder, "%s", GetFilesPath());
    FxFolderEnd(folder);
    std::snprintf(report.outputFile, sizeof report.outputFile, "%s%s", folder, LookUpListFileName());
    const char* title = l.ReportTitle != nullptr && l.ReportTitle[0] != '\0' ? l.ReportTitle : l.Title;
    if (!ReportOpen(&report, title != nullptr ? title : ""))
        return 1;
    // 4. the rows
    TagLookUpData* d = l.Data;
    uint8_t work[32] = {};
    bool first = true;
    int st = dialog->LookUpRead(LK_MOVE_FIRST, 0);
    for (; st == 0; st = dialog->LookUpRead(LK_MOVE_NEXT, 0)) {
        if (first || static_cast<int>(report.line) >= report.linesPerPage) {
            PageTop(report, l, columns, first);
            first = false;
        }
        for (const PrintColumn& c : columns) {
            char cell[256] = {};
            dialog->List()->GetCol(c.index)->FormatField(d->Record, d->RecordLength, cell, sizeof cell);
            const std::string text = Trimmed(cell, sizeof cell);
            int shift = 0;
            if (c.align == 2)
                shift = std::max(0, (c.width - static_cast<int>(text.size())) / 2);
            else if (c.align == 3 || dialog->List()->GetCol(c.index)->RightAligned())
                shift = std::max(0, c.width - static_cast<int>(text.size()));
            ReportWriteText(&report, text.c_str(), c.at + shift, 0);
        }
        ReportNewLines(&report, 1);
        if (ReportCheckUserBreakEx(&report, work))
            break;
    }
    // 5. the end
    if (st != 0 && st != B_END_OF_FILE && d != nullptr && d->Handle != 0)
        ShowRecordManagerError(st, 1, B_GET_NEXT, "used by Lookup", 0);
    ReportEndPage(&report);
    ReportClose(&report);
    return 0;
}

BWPS_ORDINAL(6240, PrintLookUpList);
