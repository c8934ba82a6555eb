// Label styles: the "0LabelDefaults " record of the general settings file,
// filled from the station's label format files on first use; the built-in
// list of label stocks; label pages; and the alignment print of a label
// format, each label's lines placed at its column of the page.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/custom_forms.h"
#include "bwps/files.h"
#include "bwps/form_variables.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/records/stations.h"
#include "bwps/reports.h"
#include "bwps/settings.h"
#include "bwps/stations.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"
#include "report_engine.h"
#include "reports/forms_internal.h"

using bwps::FileNo;
using bwps::No;

namespace {

struct Stock {
    char hotKey;
    const char* name;
    uint32_t number;
};
constexpr Stock kStocks[] = {
    {'S', "Standard Label", 0},         {'4', "Avery 4010 Dot Matrix", 1}, {'D', "Avery 4011 Dot Matrix", 2},
    {'M', "Avery 4144 Dot Matrix", 3},  {'5', "Avery 5160 Laser", 4},      {'L', "Avery 5161 Laser", 5},
    {'2', "Avery 5162 Laser", 6},       {0, nullptr, 0},
};
constexpr int kStockListMax = 8;
constexpr int kReaderEndOfText = 26;

void ReportGeneral(int status, int operation)
{
    ReportRecordManagerError(status, 1, operation, No(FileNo::General), 0);
}

// The label format of a form kind of the station's form table, read into
// the style. The reader's open status (0, -2 missing, other failures).
int TranslateFormat(const StationFormTable& forms, int kind, TagLabelStyle& style)
{
    char path[FOLDER_BUFFER_SIZE] = {};
    GetFormatFilePath(kind, path, reinterpret_cast<const char*>(&forms));
    FxTextReader reader{};
    const int status = FxTextOpen(&reader, path);
    if (status != 0)
        return reader.status;
    TranslatePrinterCodes(&style, &reader);
    FxTextClose(&reader);
    return 0;
}

}  // namespace

extern "C" {

BWPS_EXPORT const char* LabelStockName(const TagLabelStock* entry)
{
    if (entry == nullptr || entry->name == 0 || entry->name > sizeof kStocks / sizeof kStocks[0])
        return "";
    const char* name = kStocks[entry->name - 1].name;
    return name != nullptr ? name : "";
}

BWPS_EXPORT int TranslatePrinterCodes(TagLabelStyle* style, FxTextReader* reader)
{
    if (style == nullptr || reader == nullptr)
        return 0;
    int count = 0, longest = 0;
    bool found = false, condensed = false;
    FxTextRewind(reader);
    while (FxTextNext(reader) == 0) {
        const std::string line = bwps::forms::ReaderLine(*reader);
        ++count;
        longest = std::max(longest, static_cast<int>(line.size()));
        if (!found) {
            if (FormFindTag("{COND}", line.c_str(), nullptr)) {
                found = true;
                condensed = true;
            } else if (FormFindTag("{NORM}", line.c_str(), nullptr)) {
                found = true;
            }
        }
    }
    if (count != 0)
        style->linesPerLabel = static_cast<int16_t>(count);
    if (longest != 0) {
        style->normalWidth = static_cast<int16_t>(std::min(longest, 32767));
        style->condensedWidth = style->normalWidth;
    }
    if (found) {
        style->linesPerLabel = static_cast<int16_t>(style->linesPerLabel - 1);
        if (condensed)
            style->printMode = 1;
    }
    return 0;
}

BWPS_EXPORT int LoadLabelPrinterCodes(uint16_t, TagLabelDefaults* record)
{
    if (record == nullptr)
        return 0;
    StationFormTable forms{};
    ReadStationRecord(0, &forms);
    // The label formats are files of the base folder, as every format file.
    const int product = TranslateFormat(forms, FORM_PRODUCT, record->styles[2]);
    if (product == -2) {
        ShowMessage(FORM_FILE_MISSING_MESSAGE, MESSAGE_DEFAULT_CONTEXT);
    } else {
        TranslateFormat(forms, FORM_LABEL, record->styles[1]);
    }
    if (TranslateFormat(forms, FORM_LABEL, record->styles[3]) == -2)
        ShowMessage(FORM_FILE_MISSING_MESSAGE, MESSAGE_DEFAULT_CONTEXT);
    return 0;
}

BWPS_EXPORT int ReadLabelDefaults(uint16_t generalFile, TagLabelDefaults* record)
{
    if (record == nullptr)
        return B_INVALID_FILE_NAME;
    bwps::Table file;
    const bwps::Status opened = file.Borrow(FileNo::General, generalFile);
    if (!opened.Ok()) {
        opened.Report();
        return opened.status;
    }
    std::memset(record, 0, sizeof *record);
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_LABELDEFAULTS, GENERAL_KEY_SIZE);
    int status = BtrGet(B_GET_EQUAL, file.Handle(), key.bytes, record, sizeof *record);
    if (status == 0)
        return 0;
    std::memset(record, 0, sizeof *record);
    for (TagLabelStyle& style : record->styles)
        StylePresetInit(&style);
    if (status != B_KEY_NOT_FOUND) {
        ReportGeneral(status, B_GET_EQUAL);
        return status;
    }
    LoadLabelPrinterCodes(file.Handle(), record);
    std::memcpy(record->key, GENERAL_KEY_LABELDEFAULTS, GENERAL_KEY_SIZE);
    TagLabelDefaults written = *record;
    status = BtrWrite(B_INSERT, file.Handle(), key.bytes, &written, sizeof written);
    if (status != 0)
        ReportGeneral(status, B_INSERT);
    TagLabelDefaults scratch{};
    std::memcpy(key.bytes, GENERAL_KEY_LABELDEFAULTS, GENERAL_KEY_SIZE);
    return BtrGet(B_GET_EQUAL, file.Handle(), key.bytes, &scratch, sizeof scratch);
}

BWPS_EXPORT int WriteLabelDefaults(uint16_t generalFile, char choice, uint8_t* printMode, TagLabelDefaults* record)
{
    if (printMode != nullptr)
        *printMode = choice == 1 ? 0 : 1;
    if (record == nullptr)
        return B_INVALID_FILE_NAME;
    bwps::Table file;
    const bwps::Status opened = file.Borrow(FileNo::General, generalFile);
    if (!opened.Ok()) {
        opened.Report();
        return opened.status;
    }
    TagLabelDefaults stored{};
    int status = ReadLabelDefaults(file.Handle(), &stored);
    if (status != 0)
        return status;
    // The update goes to the record just read.
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_LABELDEFAULTS, GENERAL_KEY_SIZE);
    status = BtrGet(B_GET_EQUAL, file.Handle(), key.bytes, &stored, sizeof stored);
    if (status == 0) {
        TagLabelDefaults written = *record;
        std::memcpy(written.key, GENERAL_KEY_LABELDEFAULTS, GENERAL_KEY_SIZE);
        status = BtrWrite(B_UPDATE, file.Handle(), key.bytes, &written, sizeof written);
    }
    if (status != 0)
        ReportGeneral(status, B_UPDATE);
    return status;
}

BWPS_EXPORT int LoadLabelStockList(TagLabelStock* list, int count)
{
    if (list == nullptr || count <= 0)
        return 0;
    count = std::min(count, kStockListMax);
    std::memset(list, 0, sizeof(TagLabelStock) * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (kStocks[i].name == nullptr)
            continue;
        list[i].hotKey = kStocks[i].hotKey;
        list[i].name = static_cast<uint32_t>(i + 1);
        list[i].number = kStocks[i].number;
    }
    return 0;
}

BWPS_EXPORT int LabelAdvancePage(TagRepInfo* report, TagLabelStyle* style)
{
    if (style == nullptr || style->row <= style->rowsPerPage)
        return 0;
    ReportEndPage(report);
    if (style->rowsPerPage > 1)
        ReportNewLines(report, style->topLines - 1);
    style->row = 1;
    return 1;
}

BWPS_EXPORT int LabelSetPaperSize(TagRepInfo* report, int, TagLabelStyle* style)
{
    if (report == nullptr || style == nullptr)
        return 0;
    report->fixedPageLines = 6;
    if (style->stock >= 0 && style->stock <= 3) {
        auto& setup = *reinterpret_cast<EngSetup*>(report->engineSetup);
        setup.paperWidth = 0;
        setup.paperHeight = 0;
        ReportSetCustomPaperSize(report, report->title, 12);
    }
    return 0;
}

BWPS_EXPORT int PrintLabelAlign(const TagLabelJob* job, const void* printerSetup)
{
    if (job == nullptr)
        return 0;
    const TagLabelStyle& style = job->style;
    auto report = std::make_unique<TagRepInfo>();
    std::memset(report.get(), 0, sizeof *report);
    TagRepInfo& r = *report;
    r.silent = 1;
    r.destination = REPORT_TO_PRINTER;
    r.endPageOnClose = 1;
    r.keepStatus = 1;
    r.wide = style.printMode != 0 ? 1 : 0;
    if (printerSetup != nullptr)
        std::memcpy(r.engineSetup, printerSetup, sizeof r.engineSetup);
    FxTextReader reader{};
    if (job->formatPath == nullptr || FxTextOpen(&reader, job->formatPath) != 0) {
        ShowMessage(reader.status == -2 ? FORM_FILE_MISSING_MESSAGE : FORM_FILE_UNREADABLE_MESSAGE,
                    MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    if (ReportOpen(&r, job->title != nullptr ? job->title : "") == 0) {
        FxTextClose(&reader);
        return 0;
    }
    const bool condensed = style.printMode != 0;
    const int first = condensed ? style.condensedFirst : style.normalFirst;
    const int width = std::clamp<int>(condensed ? style.condensedWidth : style.normalWidth, 0, FORM_TOKEN_CHARS);
    const int gap = condensed ? style.condensedGap : style.normalGap;
    const int lines = std::clamp<int>(style.linesPerLabel, 0, 255);
    uint8_t work[32] = {};
    bool stopped = false;
    for (int row = 1; row <= style.rowsPerPage && !stopped; ++row) {
        std::vector<std::string> page(static_cast<size_t>(lines));
        for (int column = 1; column <= style.across && !stopped; ++column) {
            const int at = std::max(0, first - 1 + (column - 1) * (width + gap));
            FxTextRewind(&reader);
            for (int line = 0; line < lines; ++line) {
                if (ReportCheckUserBreak(work) != 0) {
                    stopped = true;
                    break;
                }
                int status = reader.status;
                if (status == 0)
                    status = FxTextNext(&reader);
                if (status != 0 && status != kReaderEndOfText)
                    break;
                std::string text = bwps::forms::ReaderLine(reader);
                if (status == 0 && !text.empty())
                    FormMarkTags(text.data(), 'X');
                else
                    text = " ";
                // Each label's text is cut to the label's width.
                text.resize(std::min<size_t>(text.size(), static_cast<size_t>(width)));
                std::string& out = page[static_cast<size_t>(line)];
                if (out.size() < static_cast<size_t>(at))
                    out.resize(static_cast<size_t>(at), ' ');
                out.replace(static_cast<size_t>(at), std::min(text.size(), out.size() - static_cast<size_t>(at)), text);
            }
        }
        for (const std::string& line : page) {
            const std::string shown = line.find_first_not_of(' ') == std::string::npos ? std::string() : line;
            if (!shown.empty())
                ReportWriteText(&r, shown.substr(0, REPORT_LINE_LAST).c_str(), 0, 0);
            ReportNewLines(&r, 1);
        }
        if (style.betweenRows > 0)
            ReportNewLines(&r, style.betweenRows);
    }
    r.endPageOnClose = 1;
    ReportClose(&r);
    FxTextClose(&reader);
    return 0;
}

}  // extern "C"
