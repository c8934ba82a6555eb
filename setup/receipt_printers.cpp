// The printers of a station: "Printer 1" to "Printer 3" and "Receipts",
// each a printer definition kept in the station's record, picked from the
// store's printer catalogue (BPOSPRN.DB) or edited here. The catalogue is
// only read.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/setup_screens.h"
#include "bwps/table.h"
#include "fx.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

constexpr int kColourSetScreen = 2;
constexpr int kCodes = 15;
constexpr int kSlots = 4;
constexpr int kSessionSlots = 3;  // the session keeps "Printer 1" to "Printer 3"
constexpr int kF5 = FX_KEY_F1 + 4 * 0x100, kF6 = FX_KEY_F1 + 5 * 0x100, kF8 = FX_KEY_F1 + 7 * 0x100;

enum : int {
    P_SLOT = 1, P_NAME = 2, P_PORT = 3, P_FLAG = 4, P_NORMAL_FIRST = 5, P_CONDENSED_FIRST = 20, P_NUMBER = 35
};
enum { SLOT_PRINTERS = 0, SLOT_STATIONS = 1 };

// The slot names; 0xFF keeps "Printer" and its digit together.
constexpr char kSlotList[] = "Printer\xFF" "1,Printer\xFF" "2,Printer\xFF" "3,Receipts";
constexpr char kPortList[] = "LPT1,LPT2,LPT3,COM1,COM2,COM3";

struct PrinterScreen {
    FxContext fx;  // first
    FxForm form;
    FxWindow window;
    uint16_t files[30];
    StationRecord station;
    StationPrinterEntry definition;
    int slot;  // 0..3
    uint8_t colours[COLOR_SET_SIZE];
};

PrinterScreen* Screen(void* context)
{
    return static_cast<PrinterScreen*>(context);
}

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

StationPrinterEntry BlankDefinition()
{
    StationPrinterEntry d{};
    d.flag15 = 'N';
    d.port = 1;
    return d;
}

// The definition of a slot as the station holds it; a station without a
// first printer holds none.
StationPrinterEntry DefinitionOfSlot(const PrinterScreen* s, int slot)
{
    if (Trimmed(std::string(s->station.printers[0].name, strnlen(s->station.printers[0].name, 15)).c_str()).empty())
        return BlankDefinition();
    return s->station.printers[slot];
}

void PutNumber(FxForm* form, int field, long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%-5ld", value);
    FxFieldSet(form, field, text);
}

int16_t ShortOf(FxForm* form, int field)
{
    const long value = std::strtol(Trimmed(FxFieldGet(form, field)).c_str(), nullptr, 10);
    return static_cast<int16_t>(std::clamp(value, -32768L, 65535L));
}

void ShowDefinition(PrinterScreen* s)
{
    FxForm* form = &s->form;
    const StationPrinterEntry& d = s->definition;
    FxFieldSet(form, P_NAME, std::string(d.name, strnlen(d.name, sizeof d.name)).c_str());
    FxChoiceSet(form, P_PORT, d.port >= 1 && d.port <= 6 ? d.port : 1);
    FxChoiceSet(form, P_FLAG, d.flag15 == 'Y' ? 1 : 2);
    for (int i = 0; i < kCodes; ++i) {
        PutNumber(form, P_NORMAL_FIRST + i, d.normalCodes[i]);
        PutNumber(form, P_CONDENSED_FIRST + i, d.condensedCodes[i]);
    }
    PutNumber(form, P_NUMBER, d.linesPerPage);
    FxFormRedraw(&s->fx, form);
}

void TakeDefinition(PrinterScreen* s)
{
    FxForm* form = &s->form;
    StationPrinterEntry& d = s->definition;
    const std::string name = Trimmed(FxFieldGet(form, P_NAME));
    std::memset(d.name, 0, sizeof d.name);
    std::memcpy(d.name, name.data(), std::min(name.size(), sizeof d.name - 1));
    d.port = static_cast<uint8_t>(std::max(1, FxChoiceGet(form, P_PORT)));
    d.flag15 = FxChoiceGet(form, P_FLAG) == 1 ? 'Y' : 'N';
    for (int i = 0; i < kCodes; ++i) {
        d.normalCodes[i] = static_cast<uint16_t>(ShortOf(form, P_NORMAL_FIRST + i));
        d.condensedCodes[i] = static_cast<uint16_t>(ShortOf(form, P_CONDENSED_FIRST + i));
    }
    d.linesPerPage = static_cast<uint16_t>(ShortOf(form, P_NUMBER));
}

Status ReadStation(PrinterScreen* s, StationRecord& out, int lockBias = 0)
{
    Table stations;
    stations.Borrow(FileNo::Stations, s->files[SLOT_STATIONS]);
    KeyBuffer key;
    std::memcpy(key.bytes, GetSessionPaths()->StationId, sizeof out.id);
    return stations.Get(B_GET_EQUAL + lockBias, key, out);
}

int NewPrinterRecord(void* context)
{
    PrinterScreen* s = Screen(context);
    std::memset(&s->station, 0, sizeof s->station);
    const Status st = ReadStation(s, s->station);
    if (!st.Ok())
        st.Report();
    FxChoiceSet(&s->form, P_SLOT, s->slot + 1);
    s->definition = DefinitionOfSlot(s, s->slot);
    ShowDefinition(s);
    return FX_GO_ON;
}

int OnSlotLeft(void* context)
{
    PrinterScreen* s = Screen(context);
    const int slot = std::clamp(FxChoiceGet(&s->form, P_SLOT), 1, kSlots) - 1;
    if (slot != s->slot) {
        s->slot = slot;
        s->definition = DefinitionOfSlot(s, slot);
        ShowDefinition(s);
    }
    return FX_GO_ON;
}

int OnPrinterLookup(void* context)
{
    PrinterScreen* s = Screen(context);
    StationPrinterEntry picked{};
    const std::string name = Trimmed(FxFieldGet(&s->form, P_NAME));
    if (!LookupReceiptPrinter(name.c_str(), 0, s->files[SLOT_PRINTERS], &picked, 6, 5, 10, 65))
        return FX_STAY;
    s->definition = picked;
    ShowDefinition(s);
    return FX_LOOKUP_SET;
}

int OnSavePrinter(void* context)
{
    PrinterScreen* s = Screen(context);
    OnSlotLeft(s);
    TakeDefinition(s);
    // The station as stored now takes the one slot: what another station
    // changed in the record since it was shown stays.
    StationRecord stored{};
    Status st = ReadStation(s, stored, B_LOCK_MULTI_NOWAIT);
    Table stations;
    stations.Borrow(FileNo::Stations, s->files[SLOT_STATIONS]);
    if (st.Ok()) {
        stored.printers[s->slot] = s->definition;
        KeyBuffer key;
        st = stations.Update(stored, &key);
    }
    stations.UnlockAll();
    if (!st.Ok()) {
        Status{st.status, B_UPDATE, FileNo::Stations}.Report();
        return st.Is(B_CONFLICT) || st.Is(B_PERMISSION_ERROR) ? FX_RECORD_DONE : FX_STAY;
    }
    s->station = stored;
    if (s->slot < kSessionSlots)
        std::memcpy(GetSessionPaths()->StationPrinters[s->slot], &s->definition, sizeof s->definition);
    return FX_RECORD_DONE;
}

constexpr std::array<ScreenField, 36> kPrinterTemplate{{
    bwps::Field(P_SLOT, 1, 12, "%-9sm").Choices(kSlotList).Exit(OnSlotLeft),
    bwps::Field(P_NAME, 2, 12, "%-14s"),
    bwps::Field(P_PORT, 3, 12, "%-4sm").Choices(kPortList),
    bwps::Field(P_FLAG, 4, 12, "%-3sm").Choices("Yes,No"),
    bwps::Field(5, 5, 12, "%-5s"), bwps::Field(6, 5, 18, "%-5s"), bwps::Field(7, 5, 24, "%-5s"),
    bwps::Field(8, 5, 30, "%-5s"), bwps::Field(9, 5, 36, "%-5s"), bwps::Field(10, 5, 42, "%-5s"),
    bwps::Field(11, 5, 48, "%-5s"), bwps::Field(12, 5, 54, "%-5s"), bwps::Field(13, 5, 60, "%-5s"),
    bwps::Field(14, 5, 66, "%-5s"), bwps::Field(15, 6, 12, "%-5s"), bwps::Field(16, 6, 18, "%-5s"),
    bwps::Field(17, 6, 24, "%-5s"), bwps::Field(18, 6, 30, "%-5s"), bwps::Field(19, 6, 36, "%-5s"),
    bwps::Field(20, 7, 12, "%-5s"), bwps::Field(21, 7, 18, "%-5s"), bwps::Field(22, 7, 24, "%-5s"),
    bwps::Field(23, 7, 30, "%-5s"), bwps::Field(24, 7, 36, "%-5s"), bwps::Field(25, 7, 42, "%-5s"),
    bwps::Field(26, 7, 48, "%-5s"), bwps::Field(27, 7, 54, "%-5s"), bwps::Field(28, 7, 60, "%-5s"),
    bwps::Field(29, 7, 66, "%-5s"), bwps::Field(30, 8, 12, "%-5s"), bwps::Field(31, 8, 18, "%-5s"),
    bwps::Field(32, 8, 24, "%-5s"), bwps::Field(33, 8, 30, "%-5s"), bwps::Field(34, 8, 36, "%-5s"),
    bwps::Field(P_NUMBER, 9, 12, "%-5s"),
    {},
}};

}  // namespace

extern "C" {

BWPS_EXPORT int RSDosEditPrinters(void)
{
    std::array<ScreenField, kPrinterTemplate.size()> fields = kPrinterTemplate;
    auto screen = std::make_unique<PrinterScreen>();
    PrinterScreen& s = *screen;
    s.slot = 0;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    if (OpenFileList(s.files, bwps::No(FileNo::Printers), bwps::No(FileNo::Stations),
                     bwps::No(FileNo::BarcodePrinters), 0) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    SetColorSet(s.colours, kColourSetScreen);
    FxWindowCreate(&s.window, 1, 0, 1 + 11 - 1, 79 - 1, 1, 1, ' ', nullptr);
    FxWindowSetName(&s.window, "RSDosEditPrinters");
    SetupStandardScreen(&s.form, 35, 0);
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxReleaseKey(&s.form, kF6);
    FxReleaseKey(&s.form, kF8);
    FxSetKeyHandler(&s.form, kF5, OnPrinterLookup);
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnSavePrinter);
    s.form.newRecord = NewPrinterRecord;
    s.form.question = AskChoiceMessage;
    FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    CloseFileList(s.files);
    FxAppEnd(&s.fx);
    return 0;
}

BWPS_EXPORT int LookupReceiptPrinter(const char* search, int keepPosition, uint16_t handle,
                                     StationPrinterEntry* out, int row, int column, int height, int width)
{
    using namespace bwps::lookups;
    Settings settings;
    settings.file = FileNo::Printers;
    settings.recordLength = sizeof(StationPrinterEntry);
    settings.titleText = " Receipt Printers Lookup ";
    settings.columns = {1, 2};
    settings.key = 0;
    settings.libraryReaders = true;
    settings.f8f9 = Keys::Removed;
    settings.shiftF9 = Switch::Removed;
    settings.stays = keepPosition ? Stays::Never : Stays::NoPosition;
    Call call;
    call.startText = search;
    call.restore = keepPosition;
    call.handle = handle;
    call.record = out;
    call.row = static_cast<uint16_t>(row);
    call.column = static_cast<uint16_t>(column);
    call.height = static_cast<uint16_t>(height);
    call.width = static_cast<uint16_t>(width);
    return RunStandard(settings, call);
}

}  // extern "C"

BWPS_ORDINAL(766, RSDosEditPrinters);
BWPS_ORDINAL(767, LookupReceiptPrinter);
