// Stations: settling the station id and the working date at the start of
// work (the RSASKSTATIONID screen, or silently at log-in), and the station
// index BPOSSTNX.DB with its four report counters per station.
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/stations.h"
#include "fx.h"
#include "recman.h"
#include "reports/station_layouts.h"
#include "bwps/files.h"
#include "bwps/table.h"

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

using bwps::stations::CopyText;
using bwps::stations::FillStationColourTable;
using bwps::stations::kDefaultPrinter;
using bwps::stations::kDefaultStation;
using bwps::stations::MakeStationKey;
using bwps::stations::PutDefaultForms;

namespace {

constexpr const char* kIndexFileName = "BPOSSTNX.DB";
constexpr int kColourSetQuestion = 5;
constexpr int kColourSetScreen = 2;

bool g_colourKeep = false;

const uint8_t* QuestionColours()
{
    return GetSessionPaths()->ColorTable + 5 * kColourSetQuestion;
}

// Session defaults before a station is settled.
void SetSessionStationDefaults()
{
    SessionBlock* session = GetSessionPaths();
    CopyText(session->StationId, sizeof session->StationId, kDefaultStation);
    CopyText(session->PrinterTypeName, sizeof session->PrinterTypeName, kDefaultPrinter);
    auto* printer = reinterpret_cast<StationPrinterEntry*>(session->StationPrinters[0]);
    CopyText(printer->name, sizeof printer->name, kDefaultPrinter);
    printer->normalCodes[0] = 18;
    printer->condensedCodes[0] = 15;
}

// The station prompt is configured when its flag in "0sysinterface  " is
// not zero; an unreadable record means it is not.
bool StationPromptConfigured()
{
    TagSysInterface record{};
    if (ReadGeneralRecord(0, 0, sizeof record, GENERAL_KEY_SYSINTERFACE, &record) != 0)
        return false;
    return record.StationPrompt != 0;
}

void TakeStationColours(const StationRecord& record, bool always)
{
    if (always || !g_colourKeep)
        std::memcpy(GetSessionPaths()->ColorTable, record.colours, sizeof record.colours);
}

void TakeStationPrinters(const StationRecord& record)
{
    std::memcpy(GetSessionPaths()->StationPrinters, record.printers, STATION_PRINTER_TABLE_LEN);
}

void SetSessionStation(const char* key15)
{
    SessionBlock* session = GetSessionPaths();
    std::memset(session->StationId, 0, sizeof session->StationId);
    std::memcpy(session->StationId, key15, STATION_ID_LEN);
}

void NewStationRecord(StationRecord* record, const char* key15, bool withForms)
{
    std::memset(record, 0, sizeof *record);
    std::memcpy(record->id, key15, STATION_ID_LEN);
    FillStationColourTable(record->colours);
    if (withForms)
        PutDefaultForms(record);
}

// Steps shared by both entries: the session defaults, whether the prompt
// is configured, the station file opened (created or upgraded first) and,
// without the prompt, the "DEFAULT" station's settings taken.
struct StationOpening {
    bool configured = false;
    int status = 0;
    Table stations;  // open when the status is 0 and the prompt is configured
};

void OpenStations(StationOpening& opening, bool takePrinters)
{
    SetSessionStationDefaults();
    opening.configured = StationPromptConfigured();
    uint16_t handle = 0;
    opening.status = ConvertDocumentForms(GetBasePath(), &handle, 0);
    if (opening.status != 0)
        return;
    opening.stations.Adopt(FileNo::Stations, handle);
    if (!opening.configured) {
        KeyBuffer key;
        MakeStationKey(reinterpret_cast<char*>(key.bytes), kDefaultStation);
        StationRecord record;
        if (opening.stations.Get(B_GET_EQUAL, key, record).Ok()) {
            TakeStationColours(record, false);
            if (takePrinters)
                TakeStationPrinters(record);
        }
        opening.stations.Close();
    }
}

// Title of a message: its heading line.
std::string MessageTitle(int number)
{
    std::string title;
    Table messages;
    if (!messages.Open(FileNo::MessageTexts).Ok())
        return title;
    struct {
        uint16_t number;
        int16_t line;
    } key{static_cast<uint16_t>(number), 0};
    MessageRecord record{};
    if (messages.Find(key, record).Ok())
        title.assign(record.Text, strnlen(record.Text, sizeof record.Text));
    return title;
}

// ---- silent check ----

// 1 when the check ran (ok set), 0 after an unexpected failure.
int CheckStation(const char* stationText, int* ok)
{
    *ok = 0;
    StationOpening opening;
    OpenStations(opening, false);
    if (opening.status != 0) {
        *ok = opening.configured ? 0 : 1;
        return 1;
    }
    if (!opening.configured) {
        *ok = 1;
        return 1;
    }
    char id[64] = {};
    CopyText(id, sizeof id, stationText);
    FxTrimText(4, id);
    // Station ids are codes: kept in upper case, as the prompt enters them.
    for (char* c = id; *c != '\0'; ++c)
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    if (id[0] == '\0')
        return 1;

    Table& stations = opening.stations;
    KeyBuffer key;
    char* keyText = reinterpret_cast<char*>(key.bytes);
    MakeStationKey(keyText, id);
    StationRecord record;
    Status s = stations.Get(B_GET_EQUAL, key, record);
    if (s.Ok()) {
        SetSessionStation(keyText);
        TakeStationColours(record, false);
        stations.Update(record, &key).Report();
        *ok = 1;
        return 1;
    }
    if (!s.Is(B_KEY_NOT_FOUND)) {
        s.Report();
        return 0;
    }

    char text[160];
    std::snprintf(text, sizeof text,
                  "Station Id \"%s\" does not exist, choose one of the following options:", id);
    char* lines[2] = {text, nullptr};
    const std::string title = MessageTitle(937);
    const int choice =
        FxChoiceDialog(lines, "\001Add Id,Continue", kColourSetQuestion, 0, title.c_str(), 0);
    if (choice == 1) {
        NewStationRecord(&record, keyText, false);
        s = stations.Insert(record, &key);
        if (!s.Ok()) {
            s.Report();
            return 0;
        }
        SetSessionStation(keyText);
        TakeStationColours(record, true);
    }
    // Continue: the prompt counts as not configured.
    *ok = 1;
    return 1;
}

// ---- the screen ----

struct AskStationScreen {
    FxContext fx;  // first: the framework hands it to the handlers
    FxForm form;
    FxWindow window;
    uint16_t handle;
    uint8_t colours[COLOR_SET_SIZE];
};

int AskStationNewRecord(void* context)
{
    auto* screen = static_cast<AskStationScreen*>(context);
    char today[16];
    FxDateFormatLong(today, FxToday());
    FxFieldSet(&screen->form, 2, today);
    FxFieldSet(&screen->form, 1, "");
    return FX_GO_ON;
}

int AskStationAccept(void* context)
{
    auto* screen = static_cast<AskStationScreen*>(context);
    const char* dateText = FxFieldGet(&screen->form, 2);
    if (!FxDateValid(dateText)) {
        ShowMessage(185, 1);
        return FX_STAY;
    }
    const int32_t date = FxDateParse(dateText);
    GetSessionPaths()->ProgramDate = date;
    FxSetProgramDate(date);

    if (screen->fx.key == FX_KEY_UP)
        return FX_GO_ON;

    char id[64] = {};
    CopyText(id, sizeof id, FxFieldGet(&screen->form, 1));
    FxTrimText(4, id);
    Table stations;
    stations.Borrow(FileNo::Stations, screen->handle);
    KeyBuffer key;
    char* keyText = reinterpret_cast<char*>(key.bytes);
    MakeStationKey(keyText, id);
    StationRecord record;
    Status s = stations.Get(B_GET_EQUAL, key, record);
    if (s.Ok()) {
        SetSessionStation(keyText);
        TakeStationColours(record, false);
        TakeStationPrinters(record);
        return FX_LEAVE;
    }
    if (!s.Is(B_KEY_NOT_FOUND)) {
        s.Report();
        return FX_STAY;
    }

    int choice = 1;
    AskMessage(937, 1, &choice, nullptr, QuestionColours(), -1, -1, 0, 0, 0);
    if (choice != 1)
        return FX_LEAVE;
    if (id[0] == '\0') {
        ShowMessage(193, 1);
        FxFocusField(&screen->form, 1);
        return FX_STAY_FOCUSED;
    }
    NewStationRecord(&record, keyText, true);
    s = stations.Insert(record, &key);
    if (!s.Ok()) {
        s.Report();
        return FX_STAY;
    }
    SetSessionStation(keyText);
    TakeStationColours(record, true);
    return FX_LEAVE;
}

// The station-id form: the id (upper case) and the working date; a zero
// field ends it.
constexpr std::array<ScreenField, 3> kAskStationTemplate{{
    bwps::Field(1, 3, 20, "%-14sC").Flags(FX_FIELD_UPPER).Exit(AskStationAccept),
    bwps::Field(2, 5, 20, "nn/nn/nnnn"),
    {},
}};

int RunAskStationScreen(uint16_t handle)
{
    // The form reads its table in place: a copy that lives as long as it.
    std::array<ScreenField, kAskStationTemplate.size()> fields = kAskStationTemplate;

    AskStationScreen screen{};
    screen.handle = handle;
    FxAppBegin(&screen.fx);
    if (!FxFormLoad(&screen.form, fields.data(), 1)) {
        FxAppEnd(&screen.fx);
        return 0;
    }
    if (FxWindowCreate(&screen.window, 7, 11, 18, 78, 1, 1, ' ', nullptr) != 0) {
        FxAppEnd(&screen.fx);
        return 0;
    }
    FxWindowSetName(&screen.window, "RSASKSTATIONID");
    SetColorSet(screen.colours, kColourSetScreen);
    SetupStandardScreen(&screen.form, 0, 0);
    FxWindowAttachForm(&screen.window, &screen.form, 0);
    screen.form.newRecord = AskStationNewRecord;
    screen.form.question = AskChoiceMessage;
    FxReleaseKey(&screen.form, FX_KEY_F1 + 0x100);        // F2
    FxSetKeyState(&screen.form, FX_KEY_F1 + 3 * 0x100, 0);  // F4
    FxSetKeyHandler(&screen.form, FX_KEY_F10, AskStationAccept);
    FxAppRun(&screen.fx, 0);
    FxWindowClose(&screen.window, 1);
    FxAppEnd(&screen.fx);
    return 0;
}

// ---- station index ----

std::string IndexPath()
{
    char path[FOLDER_BUFFER_SIZE];
    GetStationIndexPath(path);
    return path;
}

// The station index is not in the data-file table: its failures are
// reported with its own path.
void ReportIndexError(int status, int operation)
{
    ShowRecordManagerError(status, 1, operation, IndexPath().c_str(), 0);
}

int OpenIndex(Table& index)
{
    const std::string path = IndexPath();
    if (FxFileAccess(path.c_str(), 0) != 0) {
        const int status = CreateStationIndexFile(path.c_str());
        if (status != 0) {
            ReportIndexError(status, 0);
            return status;
        }
    }
    const Status s = index.OpenPath(FileNo::None, path.c_str());
    if (!s.Ok())
        ReportIndexError(s.status, OPEN_OPERATION);
    return s.status;
}

}  // namespace

extern "C" {

BWPS_EXPORT void SetStationColourKeep(int keep)
{
    g_colourKeep = keep != 0;
}

BWPS_EXPORT int GetStationColourKeep(void)
{
    return g_colourKeep ? 1 : 0;
}

BWPS_EXPORT int RSASKSTATIONID(void)
{
    StationOpening opening;
    OpenStations(opening, true);
    if (opening.status != 0)
        return opening.status;
    if (!opening.configured)
        return 0;
    RunAskStationScreen(opening.stations.Handle());
    return 0;
}

BWPS_EXPORT int ValidateStationAndDate(int* ok)
{
    int settled = 0;
    const int ran = CheckStation(FxAppStationText(), &settled);
    if (ok != nullptr)
        *ok = settled;
    if (!ran) {
        FxMessageBox(FxGetOwnerWindow(),
                     "Unexpected error while validating station id and date. Please try again.",
                     nullptr, FX_MB_ICONERROR, 0);
        return 0;
    }
    return 1;
}

BWPS_EXPORT char* GetStationIndexPath(char* out)
{
    JoinCompanyFilePath(out, GetBasePath(), kIndexFileName);
    return out;
}

BWPS_EXPORT int CreateStationIndexFile(const char* path)
{
    TagFileSpec spec{};
    spec.RecordLength = sizeof(StationIndexRecord);
    spec.PageSize = 512;
    spec.KeyCount = 1;
    TagKeySegment segment{};
    segment.Position = 1;
    segment.Length = STATION_ID_LEN;
    segment.Flags = KF_DUPLICATES | KF_MODIFIABLE;
    segment.Type = KT_STRING;
    return BtrCreateFile(path, &spec, &segment);
}

BWPS_EXPORT int WriteStationIndexRecord(short op, uint16_t handle, int lock,
                                        StationIndexRecord* record)
{
    Table index;
    if (handle < 1) {
        const int status = OpenIndex(index);
        if (status != 0)
            return status;
        handle = index.Handle();
    }
    char key[255] = {};
    std::memcpy(key, record->id, STATION_ID_LEN);
    int status = 0;
    if (op == B_UPDATE) {
        StationIndexRecord scratch;
        const int read = lock ? B_GET_EQUAL + B_LOCK_MULTI_NOWAIT : B_GET_EQUAL;
        status = BtrGet(read, handle, key, &scratch, sizeof scratch);
        if (status != 0)
            ReportIndexError(status, read);
    }
    if (status == 0) {
        std::memcpy(key, record->id, STATION_ID_LEN);
        status = BtrWrite(op, handle, key, record, sizeof *record);
        if (status != 0)
            ReportIndexError(status, op);
    }
    BtrUnlock(-2, handle, nullptr);
    return status;
}

BWPS_EXPORT int ReadStationIndexRecord(const char* stationId, StationIndexRecord* out)
{
    Table index;
    int status = OpenIndex(index);
    if (status != 0)
        return status;
    const uint16_t handle = index.Handle();
    char key[255] = {};
    MakeStationKey(key, stationId);
    status = BtrGet(B_GET_EQUAL, handle, key, out, sizeof *out);
    if (status == B_KEY_NOT_FOUND) {
        StationIndexRecord fresh{};
        std::memcpy(fresh.id, key, STATION_ID_LEN);
        for (int i = 0; i < 4; ++i)
            fresh.counters[i] = 1;
        status = WriteStationIndexRecord(B_INSERT, handle, 0, &fresh);
        if (status == 0) {
            MakeStationKey(key, stationId);
            status = BtrGet(B_GET_EQUAL, handle, key, out, sizeof *out);
        }
    }
    if (status != 0 && status != B_KEY_NOT_FOUND)
        ReportIndexError(status, B_GET_EQUAL);
    return status;
}

BWPS_EXPORT int GetStationIndexCounter(const char* stationId, int n)
{
    if (n < 0 || n > 3)
        return -1;
    StationIndexRecord record{};
    if (ReadStationIndexRecord(stationId, &record) != 0)
        return -1;
    return record.counters[n];
}

}  // extern "C"

BWPS_ORDINAL(631, RSASKSTATIONID);
BWPS_ORDINAL(865, ValidateStationAndDate);
BWPS_ORDINAL(166, ReadStationIndexRecord);
BWPS_ORDINAL(167, GetStationIndexCounter);
BWPS_ORDINAL(168, WriteStationIndexRecord);
BWPS_ORDINAL(169, GetStationIndexPath);
BWPS_ORDINAL(170, CreateStationIndexFile);
