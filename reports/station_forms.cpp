// Document forms of the station file: the station file BPOSSTN.DB is
// opened through ConvertDocumentForms, which creates it with the built-in
// "DEFAULT" station when it is missing and brings the records of older
// releases to the current 1573-byte layout first.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/stations.h"
#include "fx.h"
#include "recman.h"
#include "reports/station_layouts.h"
#include "session/catalogue_internal.h"
#include "bwps/files.h"
#include "bwps/table.h"

using bwps::FileNo;
using bwps::No;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace bwps::stations {
namespace {

constexpr const char* kTempName = "stntemp.db";
constexpr const char* kFormNames[5] = {"RECEIPT", "QUOTE", "LAYAWAY", "LAYPMT", "ARPMT"};

// Set by step 1 once it has rewritten the file into the 1017-byte layout
// (whose record length then reads 1573), cleared by step 2.
bool g_rewritten = false;

std::string StationPath()
{
    const char* path = GetDataFilePath(No(FileNo::Stations));
    return path != nullptr ? std::string(path) : std::string();
}

std::string TempPath()
{
    char folder[FOLDER_BUFFER_SIZE];
    CopyText(folder, sizeof folder, GetBasePath());
    NormaliseFolder(folder);
    return std::string(folder) + kTempName;
}

bool IsBlank(const char* text, std::size_t size)
{
    for (std::size_t i = 0; i < size && text[i] != '\0'; ++i)
        if (text[i] != ' ')
            return false;
    return true;
}

bool Exists(const std::string& path)
{
    return !path.empty() && FxFileAccess(path.c_str(), 0) == 0;
}

// Puts the old station file back under its name after a failed step.
void RestoreStationFile(const std::string& station, const std::string& temp, bool removeNew)
{
    if (removeNew)
        FxFileDelete(station.c_str());
    FxFileRename(temp.c_str(), station.c_str());
}

void UpdateStatus(intptr_t window)
{
    if (window != 0)
        FxStatusUpdate(reinterpret_cast<FxStatus*>(window), 0);
}

void DefaultPrintSettings(StationPrintSettings* block)
{
    std::memset(block, 0, sizeof *block);
    block->numberStyle = 'D';
    block->printMode = 'N';
    block->secondSwitch = 'Y';
    block->firstSwitch = 'Y';
}

enum class Step { FromOldest = 1, From1017 = 2, From1291 = 3 };

bool StepLeavesAlone(Step step, int recordLength)
{
    if (g_rewritten)
        return false;
    switch (step) {
    case Step::FromOldest:
        return recordLength == 1573 || recordLength == 1291 || recordLength == 1017;
    case Step::From1017:
        return recordLength == 1573 || recordLength == 1291;
    case Step::From1291:
        return recordLength == 1573;
    }
    return true;
}

// Builds the new record of one old record for the step.
void BuildForStep(Step step, const std::vector<uint8_t>& old, std::size_t oldLength,
                  uint8_t* out, intptr_t window)
{
    std::memset(out, 0, sizeof(StationRecord));
    switch (step) {
    case Step::FromOldest:
        BuildRecordFromOldest(old.data(), oldLength, GetProgramPath(), out);
        break;
    case Step::From1017: {
        StationRecord1017 rec;
        std::memcpy(&rec, old.data(), sizeof rec);
        BuildRecordFrom1017(rec, reinterpret_cast<StationRecord*>(out));
        for (int i = 0; i < 3; ++i)
            UpdateStatus(window);
        break;
    }
    case Step::From1291: {
        StationRecord1291 rec;
        std::memcpy(&rec, old.data(), sizeof rec);
        BuildRecordFrom1291(rec, reinterpret_cast<StationRecord*>(out));
        break;
    }
    }
}

int RunUpgradeStep(Step step, intptr_t window)
{
    const std::string station = StationPath();
    int status = 0;
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER, 0);
    {
        Table stations;
        const Status s = stations.OpenPath(FileNo::Stations, station.c_str());
        if (!s.Ok())
            return s.status;
        status = BtrStat(stations.Handle(), stat.data());
    }
    if (status != 0)
        return status;
    uint16_t recordLength = 0;
    std::memcpy(&recordLength, stat.data(), sizeof recordLength);
    if (StepLeavesAlone(step, recordLength))
        return 0;

    // Set the old file aside.
    const std::string temp = TempPath();
    FxFileDelete(temp.c_str());
    if (FxFileRename(station.c_str(), temp.c_str()) != 0)
        return -1;

    // A new, empty station file.
    status = bwps::catalogue::CreateFromKeyFile(No(FileNo::Stations), nullptr);
    if (status != 0) {
        RestoreStationFile(station, temp, Exists(station));
        return status;
    }

    Table older;
    Table newer;
    Status opened = older.OpenPath(FileNo::Stations, temp.c_str());
    if (opened.Ok())
        opened = newer.OpenPath(FileNo::Stations, station.c_str());
    if (!opened.Ok()) {
        opened.Report();
        older.Close();
        RestoreStationFile(station, temp, true);
        return opened.status;
    }
    const uint16_t oldHandle = older.Handle();
    const uint16_t newHandle = newer.Handle();

    // Copy every record.
    const std::size_t bufferSize = std::max<std::size_t>(recordLength, sizeof(StationRecord)) + 16;
    std::vector<uint8_t> old(bufferSize, 0);
    std::vector<uint8_t> fresh(sizeof(StationRecord), 0);
    char key[255] = {};
    status = BtrGet(B_GET_FIRST, oldHandle, key, old.data(), 0);
    while (status == 0) {
        UpdateStatus(window);
        BuildForStep(step, old, recordLength, fresh.data(), window);
        char newKey[255] = {};
        const int insert = BtrWrite(B_INSERT, newHandle, newKey, fresh.data(), 0);
        if (insert != 0) {
            status = insert;
            break;
        }
        std::fill(old.begin(), old.end(), 0);
        status = BtrGet(B_GET_NEXT, oldHandle, key, old.data(), 0);
    }
    older.Close();
    newer.Close();

    if (status == 0 || status == B_END_OF_FILE) {
        FxFileDelete(temp.c_str());
        if (step == Step::FromOldest)
            g_rewritten = true;
        else if (step == Step::From1017)
            g_rewritten = false;
        return 0;
    }
    RestoreStationFile(station, temp, true);
    return status;
}

}  // namespace

void CopyText(char* dst, std::size_t size, const char* src)
{
    std::memset(dst, 0, size);
    if (src != nullptr)
        std::memcpy(dst, src, strnlen(src, size - 1));
}

void PutDefaultForms(StationRecord* record)
{
    CopyText(record->cardForm, 16, "CCARD");
    CopyText(record->productForm, 16, "INVPROD");
    CopyText(record->labelForm, 16, "CVLABEL");
    for (auto& set : record->formSets)
        for (int i = 0; i < 5; ++i)
            CopyText(set[i], 16, kFormNames[i]);
}

// A station starts with the library's colour sets.
void FillStationColourTable(uint8_t* table50)
{
    BuildColorSetTable(table50, 0);
}

void MakeStationKey(char* key15, const char* text)
{
    std::memset(key15, ' ', 14);
    key15[14] = '\0';
    if (text == nullptr)
        return;
    const std::size_t n = std::min<std::size_t>(std::strlen(text), 14);
    std::memcpy(key15, text, n);
}

void DrivePathFromLetter(char* path144, char letter)
{
    CopyText(path144, 144, "A:\\");
    if (letter != '\0' && letter != ' ')
        path144[0] = letter;
}

void BuildRecordFromOldest(const uint8_t* old, std::size_t oldLength, const char* programFolder,
                           uint8_t* out)
{
    std::memset(out, 0, sizeof(StationRecord));
    std::memcpy(out, old, std::min(oldLength, kOldestKeptBytes));
    auto* rec = reinterpret_cast<StationRecord1017*>(out);
    CopyText(rec->arPaymentForm, 16, "ARPMT");
    rec->drive1 = 'A';
    rec->drive2 = 'A';
    rec->word725 = 0;
    rec->word727 = 0;
    CopyText(rec->folder1, 144, programFolder);
    CopyText(rec->folder2, 144, programFolder);
}

void BuildRecordFrom1017(const StationRecord1017& old, StationRecord* out)
{
    std::memset(out, 0, sizeof *out);
    std::memcpy(out->id, old.id, sizeof out->id);
    std::memcpy(out->flags15, old.flags15, sizeof out->flags15);
    std::memcpy(out->colours, old.colours, sizeof out->colours);
    for (int i = 0; i < 4; ++i) {
        const PrinterEntry117& from = old.printers[i];
        StationPrinterEntry& to = out->printers[i];
        std::memcpy(&to, &from, offsetof(PrinterEntry117, normalCodes));
        to.word21 = 0;
        std::memcpy(to.normalCodes, from.normalCodes, sizeof to.normalCodes);
        std::memcpy(to.condensedCodes, from.condensedCodes, sizeof to.condensedCodes);
    }
    std::memcpy(out->name545, old.name537, sizeof out->name545);
    out->flag848 = old.flag552;
    out->printSettings[0] = old.printSettings[0];
    out->printSettings[1] = old.printSettings[1];
    out->printSettings[2] = old.printSettings[0];
    out->printSettings[3] = old.printSettings[0];
    const char* const forms[5] = {old.receiptForm, old.quoteForm, old.layawayForm,
                                  old.layawayPaymentForm, old.arPaymentForm};
    for (auto& set : out->formSets)
        for (int i = 0; i < 5; ++i)
            std::memcpy(set[i], forms[i], 16);
    std::memcpy(out->cardForm, old.cardForm, 16);
    CopyText(out->productForm, 16, "INVPROD");
    CopyText(out->labelForm, 16, "CVLABEL");
    std::memcpy(out->folder1, old.folder1, sizeof out->folder1);
    std::memcpy(out->folder2, old.folder2, sizeof out->folder2);
    DrivePathFromLetter(out->drivePath1, old.drive1);
    DrivePathFromLetter(out->drivePath2, old.drive2);
}

void BuildRecordFrom1291(const StationRecord1291& old, StationRecord* out)
{
    std::memset(out, 0, sizeof *out);
    std::memcpy(out, old.head, sizeof old.head);
    std::memcpy(out->folder1, old.folder1, sizeof out->folder1);
    std::memcpy(out->folder2, old.folder2, sizeof out->folder2);
    DrivePathFromLetter(out->drivePath1, old.drive1);
    DrivePathFromLetter(out->drivePath2, old.drive2);
}

void ResetStationUpgradeState()
{
    g_rewritten = false;
}

}  // namespace bwps::stations

using namespace bwps::stations;

extern "C" {

BWPS_EXPORT void BuildDefaultStationRecord(StationRecord* record, const char* programFolder)
{
    std::memset(record, 0, sizeof *record);
    MakeStationKey(record->id, kDefaultStation);
    FillStationColourTable(record->colours);
    StationPrinterEntry& printer = record->printers[0];
    CopyText(printer.name, sizeof printer.name, kDefaultPrinter);
    printer.flag15 = 'N';
    printer.port = 1;
    printer.linesPerPage = 0;
    printer.normalCodes[0] = 18;
    printer.condensedCodes[0] = 15;
    PutDefaultForms(record);
    for (auto& block : record->printSettings)
        DefaultPrintSettings(&block);
    CopyText(record->drivePath1, 144, "A:\\");
    CopyText(record->drivePath2, 144, "A:\\");
    CopyText(record->folder1, 144, programFolder);
    CopyText(record->folder2, 144, programFolder);
}

BWPS_EXPORT int EnsureDefaultStationRecord(void)
{
    const std::string station = StationPath();
    Table stations;
    Status s = stations.OpenPath(FileNo::Stations, station.c_str());
    if (!s.Ok())
        return s.status;
    KeyBuffer key;
    MakeStationKey(reinterpret_cast<char*>(key.bytes), kDefaultStation);
    StationRecord record;
    if (stations.Get(B_GET_EQUAL, key, record).Ok())
        return 0;
    BuildDefaultStationRecord(&record, GetProgramPath());
    MakeStationKey(reinterpret_cast<char*>(key.bytes), kDefaultStation);
    return stations.Insert(record, &key).status;
}

// True when the station file at its path has a layout no upgrade step
// changes (or cannot be read: the steps then report that themselves).
static bool StationFileIsCurrent()
{
    const std::string station = StationPath();
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, station.c_str(), 0, 0) != 0)
        return false;
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER, 0);
    const int status = BtrStat(handle, stat.data());
    BtrCloseFile(handle);
    if (status != 0)
        return false;
    uint16_t recordLength = 0;
    std::memcpy(&recordLength, stat.data(), sizeof recordLength);
    for (Step step : {Step::FromOldest, Step::From1017, Step::From1291})
        if (!StepLeavesAlone(step, recordLength))
            return false;
    return true;
}

BWPS_EXPORT int UpgradeStationFileStep1(const char*, intptr_t statusWindow)
{
    return RunUpgradeStep(Step::FromOldest, statusWindow);
}

BWPS_EXPORT int UpgradeStationFileStep2(const char*, intptr_t statusWindow)
{
    return RunUpgradeStep(Step::From1017, statusWindow);
}

BWPS_EXPORT int UpgradeStationFileStep3(const char*, intptr_t statusWindow)
{
    return RunUpgradeStep(Step::From1291, statusWindow);
}

BWPS_EXPORT int ConvertDocumentForms(const char* folder, uint16_t* handle, uint16_t mode)
{
    const char* name = GetDataFileName(No(FileNo::Stations));
    char station[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(station, folder, name);
    char older[FOLDER_BUFFER_SIZE];
    std::string olderName = std::string("POS5") + (std::strlen(name) > 4 ? name + 4 : "");
    JoinCompanyFilePath(older, folder, olderName.c_str());

    g_rewritten = false;

    if (Exists(older) && !Exists(station))
        FxFileRename(older, station);

    int status = 0;
    if (!Exists(station)) {
        status = bwps::catalogue::CreateFromKeyFile(No(FileNo::Stations), folder);
        if (status != 0)
            return status;
        status = EnsureDefaultStationRecord();
        if (status != 0)
            return status;
    } else if (!StationFileIsCurrent()) {
        // The status window shows only while a station file is converted.
        FxStatus* statusWindow = FxStatusOpen("RSConvertingForms", 0);
        const auto window = reinterpret_cast<intptr_t>(statusWindow);
        int (*const steps[3])(const char*, intptr_t) = {
            UpgradeStationFileStep1, UpgradeStationFileStep2, UpgradeStationFileStep3};
        for (auto step : steps) {
            status = step(folder, window);
            if (status != 0)
                break;
        }
        if (statusWindow != nullptr)
            FxStatusClose(statusWindow);
        if (status != 0)
            return status;
    }
    return BtrOpenFile(handle, station, mode, 0);
}

BWPS_EXPORT int ReadStationDefaultForm(void)
{
    return GetDefaultProfileName(GetSessionPaths()->StationPrinters);
}

BWPS_EXPORT int GetDefaultProfileName(void* printerTable)
{
    auto* printers = static_cast<StationPrinterEntry*>(printerTable);
    if (IsBlank(printers[0].name, sizeof printers[0].name)) {
        CopyText(printers[0].name, sizeof printers[0].name, kDefaultPrinter);
        printers[0].normalCodes[0] = 18;
        printers[0].condensedCodes[0] = 15;
    }
    SessionBlock* session = GetSessionPaths();
    if (IsBlank(session->StationId, sizeof session->StationId))
        CopyText(session->StationId, sizeof session->StationId, kDefaultStation);

    uint16_t handle = 0;
    const int status = ConvertDocumentForms(GetBasePath(), &handle, 0);
    if (status != 0)
        return status;
    Table stations;
    stations.Adopt(FileNo::Stations, handle);
    KeyBuffer key;
    MakeStationKey(reinterpret_cast<char*>(key.bytes), session->StationId);
    StationRecord record;
    const Status s = stations.Get(B_GET_EQUAL, key, record);
    if (s.Ok())
        std::memcpy(printerTable, record.printers, STATION_PRINTER_TABLE_LEN);
    return s.status;
}

BWPS_EXPORT void BuildStationFormTable(char* scratch, void* formTable, const StationRecord* record,
                                       int set)
{
    const int index = set == 2 ? 1 : set == 3 ? 2 : 0;
    char names[5][16];
    std::memcpy(names, record->formSets[index], sizeof names);
    if (scratch != nullptr)
        std::memcpy(scratch, names, sizeof names);
    auto* table = static_cast<StationFormTable*>(formTable);
    auto entry = [table](int kind) { return table->Forms[kind]; };
    std::memcpy(entry(FORM_RECEIPT), names[0], 16);
    std::memcpy(entry(FORM_QUOTE), names[1], 16);
    std::memcpy(entry(FORM_LAYAWAY), names[2], 16);
    std::memcpy(entry(FORM_CARD), record->cardForm, 16);
    std::memcpy(entry(FORM_LAYAWAY_PAYMENT), names[3], 16);
    std::memcpy(entry(FORM_AR_PAYMENT), names[4], 16);
    std::memcpy(entry(FORM_PRODUCT), record->productForm, 16);
    std::memcpy(entry(FORM_LABEL), record->labelForm, 16);
}

BWPS_EXPORT void StoreStationFormTable(StationRecord* record, const void* formTable, int printerKind)
{
    const int index = printerKind == 2 ? 1 : printerKind == 3 ? 2 : 0;
    const auto* table = static_cast<const StationFormTable*>(formTable);
    auto entry = [table](int kind) { return table->Forms[kind]; };
    char(*set)[16] = record->formSets[index];
    std::memcpy(set[0], entry(FORM_RECEIPT), 16);
    std::memcpy(set[1], entry(FORM_QUOTE), 16);
    std::memcpy(set[2], entry(FORM_LAYAWAY), 16);
    std::memcpy(set[3], entry(FORM_LAYAWAY_PAYMENT), 16);
    std::memcpy(set[4], entry(FORM_AR_PAYMENT), 16);
    if (index == 0) {
        std::memcpy(record->cardForm, entry(FORM_CARD), 16);
        std::memcpy(record->productForm, entry(FORM_PRODUCT), 16);
        std::memcpy(record->labelForm, entry(FORM_LABEL), 16);
    }
}

}  // extern "C"
BWPS_ORDINAL(4103, GetDefaultProfileName);
