// The cash registers of the store (BPOSDRWR.DB): the maintenance screen,
// with the settings of each register's customer display, and the lookup.
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
#include "bwps/stations.h"
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
constexpr int kColourSetQuestion = 5;
constexpr int kMsgBadRegister = 473;
constexpr int kMsgBadNumber46 = 643;
constexpr int kMsgDeleteRegister = 1023;
constexpr int kF3 = FX_KEY_F1 + 2 * 0x100, kF5 = FX_KEY_F1 + 4 * 0x100, kF6 = FX_KEY_F1 + 5 * 0x100,
              kF7 = FX_KEY_F1 + 6 * 0x100, kF8 = FX_KEY_F1 + 7 * 0x100;

enum : int {
    R_NUMBER = 1, R_DESCRIPTION = 2, R_DRAWER_PORT = 3, R_CODE_FIRST = 4, R_CODE_LAST = 15,
    R_CHOICE438 = 16, R_CHOICE440 = 17, R_DISPLAY_PORT = 18, R_TEXT_FIRST = 19, R_SPEED = 23,
    R_DATA_BITS = 24, R_STOP_BITS = 25, R_PARITY = 26, R_INIT_FIRST = 27, R_SECOND_FIRST = 32,
    R_THIRD_FIRST = 37, R_FLAG172 = 42, R_CHOICE173 = 43, R_NUMBER175 = 44, R_WIDTH = 45,
    R_NUMBER179 = 46, R_FLAG178 = 47
};

constexpr char kPorts[] = "None,LPT1,LPT2,LPT3,COM1,COM2,COM3";
constexpr char kPrinters[] = "None,Printer 1,Printer 2,Printer 3";
constexpr char kPrinters173[] = "None,Receipt,Printer 1,Printer 2,Printer 3";
constexpr char kYesNo[] = "Yes,No";
constexpr int16_t kSpeeds[] = {0xE0, 0xC0, 0xA0, 0x80, 0x40};  // "9600,4800,2400,1200,300"
constexpr uint8_t kParities[] = {0, 8, 0x18};                  // "None,Odd,Even"

struct RegisterScreen {
    FxContext fx;  // first
    FxForm form;
    FxWindow window;
    uint16_t files[30];
    CashRegisterRecord record;
    TagLookUp* lookup;  // the lookup the screen was opened from, or null
    bool existing;
    int currentNumber;
    int endKey;
    uint8_t colours[COLOR_SET_SIZE];
    char picture43[16];
};

RegisterScreen* Screen(void* context)
{
    return static_cast<RegisterScreen*>(context);
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

// A whole number typed into a field; false when blank or not a number.
bool NumberOf(FxForm* form, int field, long* out)
{
    const std::string text = Trimmed(FxFieldGet(form, field));
    if (text.empty())
        return false;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == nullptr || *end != '\0')
        return false;
    *out = value;
    return true;
}

int16_t ShortOf(FxForm* form, int field)
{
    long value = 0;
    if (!NumberOf(form, field, &value))
        return 0;
    return static_cast<int16_t>(std::clamp(value, -32768L, 32767L));
}

void PutNumber(FxForm* form, int field, long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%-3lu", static_cast<unsigned long>(static_cast<uint16_t>(value)));
    FxFieldSet(form, field, text);
}

int ChoiceOfStored(int value, int count)
{
    return value >= 1 && value <= count ? value : 1;
}

// A new register: zeros but the two numbers; register 1 opens with 7.
void StartNewRecord(CashRegisterRecord& r, int number)
{
    std::memset(&r, 0, sizeof r);
    r.registerNumber = static_cast<int16_t>(number);
    r.number175 = 1;
    r.number179 = 1;
    if (number == 1)
        r.drawerCodes[0] = 7;
}

void ApplyDisplayPortRule(RegisterScreen* s)
{
    const bool serial = FxChoiceGet(&s->form, R_DISPLAY_PORT) >= 5;
    for (int field = R_SPEED; field <= R_PARITY; ++field)
        FxFieldSetDisplayOnly(&s->form, field, serial ? 0 : 1);
}

void ShowRecord(RegisterScreen* s)
{
    FxForm* form = &s->form;
    const CashRegisterRecord& r = s->record;
    PutNumber(form, R_NUMBER, r.registerNumber);
    FxFieldSet(form, R_DESCRIPTION, std::string(r.description, strnlen(r.description, sizeof r.description)).c_str());
    FxChoiceSet(form, R_DRAWER_PORT, ChoiceOfStored(r.drawerPort + 1, 7));
    for (int i = 0; i < 12; ++i)
        PutNumber(form, R_CODE_FIRST + i, r.drawerCodes[i]);
    FxChoiceSet(form, R_CHOICE438, ChoiceOfStored(r.printerChoice438, 4));
    FxChoiceSet(form, R_CHOICE440, ChoiceOfStored(r.printerChoice440, 4));
    const DeviceSettings& d = r.display;
    FxChoiceSet(form, R_DISPLAY_PORT, ChoiceOfStored(d.portCode, 7));
    for (int i = 0; i < 4; ++i)
        FxFieldSet(form, R_TEXT_FIRST + i, std::string(d.texts[i], strnlen(d.texts[i], sizeof d.texts[i])).c_str());
    int speed = 1;
    for (int i = 0; i < 5; ++i)
        if (kSpeeds[i] == d.speedCode)
            speed = i + 1;
    FxChoiceSet(form, R_SPEED, speed);
    FxChoiceSet(form, R_DATA_BITS, d.dataBits == 2 ? 2 : 1);
    FxChoiceSet(form, R_STOP_BITS, d.stopBits == 4 ? 1 : 2);
    FxChoiceSet(form, R_PARITY, d.parity == 8 ? 2 : d.parity == 0x18 ? 3 : 1);
    for (int i = 0; i < 5; ++i) {
        PutNumber(form, R_INIT_FIRST + i, d.initCodes[i]);
        PutNumber(form, R_SECOND_FIRST + i, d.secondCodes[i]);
        PutNumber(form, R_THIRD_FIRST + i, d.thirdCodes[i]);
    }
    FxChoiceSet(form, R_FLAG172, r.flag172 == 'Y' ? 1 : 2);
    FxChoiceSet(form, R_CHOICE173, ChoiceOfStored(r.printerChoice173, 5));
    PutNumber(form, R_NUMBER175, r.number175);
    FxChoiceSet(form, R_WIDTH, r.width40 == 1 ? 2 : 1);
    PutNumber(form, R_NUMBER179, r.number179 + 1);
    FxChoiceSet(form, R_FLAG178, r.flag178 == 'Y' ? 1 : 2);
    ApplyDisplayPortRule(s);
    FxSetKeyState(form, kF6, s->existing ? 1 : 0);
    FxFormRedraw(&s->fx, form);
}

void TakeRecord(RegisterScreen* s)
{
    FxForm* form = &s->form;
    CashRegisterRecord& r = s->record;
    r.registerNumber = ShortOf(form, R_NUMBER);
    const std::string description = FxFieldGet(form, R_DESCRIPTION);
    std::memset(r.description, 0, sizeof r.description);
    std::memcpy(r.description, description.data(), std::min(description.size(), sizeof r.description - 1));
    r.drawerPort = static_cast<int16_t>(std::max(1, FxChoiceGet(form, R_DRAWER_PORT)) - 1);
    for (int i = 0; i < 12; ++i)
        r.drawerCodes[i] = ShortOf(form, R_CODE_FIRST + i);
    r.printerChoice438 = static_cast<int16_t>(FxChoiceGet(form, R_CHOICE438));
    r.printerChoice440 = static_cast<int16_t>(FxChoiceGet(form, R_CHOICE440));
    DeviceSettings& d = r.display;
    d.portCode = static_cast<int16_t>(std::max(1, FxChoiceGet(form, R_DISPLAY_PORT)));
    for (int i = 0; i < 4; ++i) {
        const std::string text = FxFieldGet(form, R_TEXT_FIRST + i);
        std::memset(d.texts[i], 0, sizeof d.texts[i]);
        std::memcpy(d.texts[i], text.data(), std::min(text.size(), sizeof d.texts[i] - 1));
    }
    const int speed = FxChoiceGet(form, R_SPEED);
    d.speedCode = speed >= 1 && speed <= 5 ? kSpeeds[speed - 1] : kSpeeds[0];
    d.dataBits = FxChoiceGet(form, R_DATA_BITS) == 2 ? 2 : 3;
    d.stopBits = FxChoiceGet(form, R_STOP_BITS) == 1 ? 4 : 0;
    const int parity = FxChoiceGet(form, R_PARITY);
    d.parity = parity >= 1 && parity <= 3 ? kParities[parity - 1] : 0;
    for (int i = 0; i < 5; ++i) {
        d.initCodes[i] = ShortOf(form, R_INIT_FIRST + i);
        d.secondCodes[i] = ShortOf(form, R_SECOND_FIRST + i);
        d.thirdCodes[i] = ShortOf(form, R_THIRD_FIRST + i);
    }
    r.flag172 = FxChoiceGet(form, R_FLAG172) == 1 ? 'Y' : 'N';
    r.printerChoice173 = static_cast<int16_t>(FxChoiceGet(form, R_CHOICE173));
    r.number175 = ShortOf(form, R_NUMBER175);
    r.width40 = FxChoiceGet(form, R_WIDTH) == 2 ? 1 : 0;
    r.number179 = static_cast<int16_t>(ShortOf(form, R_NUMBER179) - 1);
    r.flag178 = FxChoiceGet(form, R_FLAG178) == 1 ? 'Y' : 'N';
}

Status ReadRegister(RegisterScreen* s, int number, CashRegisterRecord& out)
{
    Table drawers;
    drawers.Borrow(FileNo::CashRegisters, s->files[0]);
    KeyBuffer key;
    const int16_t value = static_cast<int16_t>(number);
    key.Set(value);
    return drawers.Get(B_GET_EQUAL, key, out);
}

// The number check of field 1: 0 to go on, else the answer.
int CheckNumber(RegisterScreen* s)
{
    long number = 0;
    if (!NumberOf(&s->form, R_NUMBER, &number) || number <= 0 || number > 32767) {
        ShowMessage(kMsgBadRegister, 1);
        PutNumber(&s->form, R_NUMBER, s->currentNumber);
        return FX_STAY;
    }
    if (number == s->currentNumber)
        return FX_GO_ON;
    CashRegisterRecord found{};
    const Status st = ReadRegister(s, static_cast<int>(number), found);
    if (st.Ok()) {
        s->record = found;
        s->existing = true;
    } else if (st.Is(B_KEY_NOT_FOUND)) {
        if (s->existing) {
            StartNewRecord(s->record, static_cast<int>(number));
            ClearDeviceSettings(&s->record.display);
            s->existing = false;
        } else {
            s->record.registerNumber = static_cast<int16_t>(number);
        }
    } else {
        st.Report();
        return FX_STAY;
    }
    s->currentNumber = static_cast<int>(number);
    ShowRecord(s);
    return FX_GO_ON;
}

int NewRegister(void* context)
{
    RegisterScreen* s = Screen(context);
    if (s->lookup != nullptr && s->lookup->Data != nullptr && s->currentNumber < 0) {
        // The first pass of a screen opened from a lookup: its record.
        s->currentNumber = 0;
        std::memcpy(&s->record, s->lookup->Data->Record, sizeof s->record);
        s->existing = s->record.registerNumber > 0;
        if (s->existing) {
            s->currentNumber = s->record.registerNumber;
            ShowRecord(s);
            return FX_GO_ON;
        }
    }
    s->currentNumber = 0;
    s->existing = true;  // so that a missing number 1 starts afresh
    StartNewRecord(s->record, 0);
    ClearDeviceSettings(&s->record.display);
    PutNumber(&s->form, R_NUMBER, 1);
    const int answer = CheckNumber(s);
    if (answer != FX_GO_ON)
        ShowRecord(s);
    return FX_GO_ON;
}

int OnNumberEntered(void* context)
{
    RegisterScreen* s = Screen(context);
    long number = 0;
    if (NumberOf(&s->form, R_NUMBER, &number))
        s->currentNumber = static_cast<int>(number);
    return FX_GO_ON;
}

int OnNumberLeft(void* context)
{
    return CheckNumber(Screen(context));
}

int OnDisplayPortLeft(void* context)
{
    ApplyDisplayPortRule(Screen(context));
    return FX_GO_ON;
}

int OnNumber46Left(void* context)
{
    RegisterScreen* s = Screen(context);
    long value = 0;
    if (!NumberOf(&s->form, R_NUMBER179, &value) || value < 0 || value > 9) {
        ShowMessage(kMsgBadNumber46, 1);
        return FX_STAY;
    }
    return FX_GO_ON;
}

int OnLookupKey(void* context)
{
    RegisterScreen* s = Screen(context);
    if (s->form.currentField != R_NUMBER)
        return FX_STAY;
    CashRegisterRecord picked{};
    if (!LookupCashRegister(nullptr, 1, s->files[0], &picked, 5, 13, 10, 54, nullptr))
        return FX_STAY;
    s->record = picked;
    s->existing = true;
    s->currentNumber = picked.registerNumber;
    ShowRecord(s);
    return FX_LOOKUP_SET;
}

// Reads the register of the screen's number again after a conflict.
int Reread(RegisterScreen* s)
{
    CashRegisterRecord found{};
    if (ReadRegister(s, s->record.registerNumber, found).Ok()) {
        s->record = found;
        s->existing = true;
    }
    ShowRecord(s);
    FxFocusField(&s->form, R_NUMBER);
    return FX_STAY_FOCUSED;
}

int OnDeleteKey(void* context)
{
    RegisterScreen* s = Screen(context);
    long number = 0;
    if (!NumberOf(&s->form, R_NUMBER, &number) || number <= 0) {
        ShowMessage(kMsgBadRegister, 1);
        PutNumber(&s->form, R_NUMBER, s->currentNumber);
        return FX_STAY;
    }
    int choice = 2;
    char buttons[] = "\001Yes,No";
    const uint8_t* colours = GetSessionPaths()->ColorTable + COLOR_SET_SIZE * kColourSetQuestion;
    if (AskMessage(kMsgDeleteRegister, 1, &choice, buttons, colours, -1, -1, 0, 0, 0) != 0 || choice != 1)
        return FX_STAY;
    // The record on screen is the one removed: make it the current one.
    CashRegisterRecord stored{};
    Status st = ReadRegister(s, s->record.registerNumber, stored);
    Table drawers;
    drawers.Borrow(FileNo::CashRegisters, s->files[0]);
    if (st.Ok())
        st = drawers.Delete();
    if (!st.Ok()) {
        Status{st.status, B_DELETE, FileNo::CashRegisters}.Report();
        return st.Is(B_CONFLICT) ? Reread(s) : FX_STAY;
    }
    s->existing = false;
    s->endKey = LK_KEY_DELETED;
    return s->lookup != nullptr ? FX_LEAVE : FX_RECORD_DONE;
}

int OnSaveKey(void* context)
{
    RegisterScreen* s = Screen(context);
    long number = 0;
    if (!NumberOf(&s->form, R_NUMBER, &number) || number <= 0 || number > 32767) {
        ShowMessage(kMsgBadRegister, 1);
        PutNumber(&s->form, R_NUMBER, s->currentNumber);
        FxFocusField(&s->form, R_NUMBER);
        return FX_STAY_FOCUSED;
    }
    if (OnNumber46Left(s) != FX_GO_ON) {
        FxFocusField(&s->form, R_NUMBER179);
        return FX_STAY_FOCUSED;
    }
    TakeRecord(s);
    Table drawers;
    drawers.Borrow(FileNo::CashRegisters, s->files[0]);
    KeyBuffer key;
    Status st;
    if (s->existing) {
        // The update goes to the register of this number as stored now.
        CashRegisterRecord stored{};
        st = ReadRegister(s, s->record.registerNumber, stored);
        if (st.Ok())
            st = drawers.Update(s->record, &key);
    } else {
        st = drawers.Insert(s->record, &key);
    }
    if (!st.Ok()) {
        Status{st.status, s->existing ? B_UPDATE : B_INSERT, FileNo::CashRegisters}.Report();
        if (st.Is(B_CONFLICT) || st.Is(B_DUPLICATE_KEY))
            return Reread(s);
        return FX_STAY;
    }
    s->existing = true;
    s->endKey = LK_KEY_SAVED;
    if (s->lookup != nullptr) {
        std::memcpy(s->lookup->Data->Record, &s->record, sizeof s->record);
        return FX_LEAVE;
    }
    return FX_RECORD_DONE;
}

int OnTestDisplayKey(void* context)
{
    RegisterScreen* s = Screen(context);
    TakeRecord(s);
    DeviceSettings display = s->record.display;
    if (OpenDevicePort(&display)) {
        ConfigureDevicePort(&display, display.texts[0], display.texts[1]);
        CloseDevicePort(&display);
    }
    return FX_STAY;
}

int OnResetDisplayKey(void* context)
{
    RegisterScreen* s = Screen(context);
    TakeRecord(s);
    ClearDeviceSettings(&s->record.display);
    ShowRecord(s);
    return FX_STAY;
}

constexpr const char kSpeedList[] = "9600,4800,2400,1200,300";

constexpr std::array<ScreenField, 48> kRegisterTemplate{{
    bwps::Field(R_NUMBER, 1, 20, "%-3u").Entry(OnNumberEntered).Exit(OnNumberLeft),
    bwps::Field(R_DESCRIPTION, 2, 20, "%-15s"),
    bwps::Field(R_DRAWER_PORT, 3, 20, "%-4sm").Choices(kPorts),
    bwps::Field(4, 4, 20, "%-3u"), bwps::Field(5, 4, 24, "%-3u"), bwps::Field(6, 4, 28, "%-3u"),
    bwps::Field(7, 4, 32, "%-3u"), bwps::Field(8, 4, 36, "%-3u"), bwps::Field(9, 4, 40, "%-3u"),
    bwps::Field(10, 5, 20, "%-3u"), bwps::Field(11, 5, 24, "%-3u"), bwps::Field(12, 5, 28, "%-3u"),
    bwps::Field(13, 5, 32, "%-3u"), bwps::Field(14, 5, 36, "%-3u"), bwps::Field(15, 5, 40, "%-3u"),
    bwps::Field(R_CHOICE438, 6, 20, "%-9sm").Choices(kPrinters),
    bwps::Field(R_CHOICE440, 7, 20, "%-9sm").Choices(kPrinters),
    bwps::Field(R_DISPLAY_PORT, 9, 20, "%-4sm").Choices(kPorts).Exit(OnDisplayPortLeft),
    bwps::Field(19, 10, 20, "%-19s"), bwps::Field(20, 11, 20, "%-19s"),
    bwps::Field(21, 12, 20, "%-19s"), bwps::Field(22, 13, 20, "%-19s"),
    bwps::Field(R_SPEED, 14, 20, "%-4sm").Choices(kSpeedList),
    bwps::Field(R_DATA_BITS, 14, 30, "%-1sm").Choices("8,7"),
    bwps::Field(R_STOP_BITS, 14, 40, "%-1sm").Choices("2,1"),
    bwps::Field(R_PARITY, 14, 50, "%-4sm").Choices("None,Odd,Even"),
    bwps::Field(27, 15, 20, "%-3u"), bwps::Field(28, 15, 24, "%-3u"), bwps::Field(29, 15, 28, "%-3u"),
    bwps::Field(30, 15, 32, "%-3u"), bwps::Field(31, 15, 36, "%-3u"),
    bwps::Field(32, 16, 20, "%-3u"), bwps::Field(33, 16, 24, "%-3u"), bwps::Field(34, 16, 28, "%-3u"),
    bwps::Field(35, 16, 32, "%-3u"), bwps::Field(36, 16, 36, "%-3u"),
    bwps::Field(37, 17, 20, "%-3u"), bwps::Field(38, 17, 24, "%-3u"), bwps::Field(39, 17, 28, "%-3u"),
    bwps::Field(40, 17, 32, "%-3u"), bwps::Field(41, 17, 36, "%-3u"),
    bwps::Field(R_FLAG172, 19, 20, "%-3sm").Choices(kYesNo),
    bwps::Field(R_CHOICE173, 20, 20, "%-9sm").Choices(kPrinters173),
    bwps::Field(R_NUMBER175, 20, 40, "%-3u"),
    bwps::Field(R_WIDTH, 21, 20, "%-2sm").Choices("80,40"),
    bwps::Field(R_NUMBER179, 21, 40, "%-3u").Exit(OnNumber46Left),
    bwps::Field(R_FLAG178, 22, 20, "%-3sm").Choices(kYesNo),
    {},
}};

int RunRegisterScreen(TagLookUp* lookup)
{
    std::array<ScreenField, kRegisterTemplate.size()> fields = kRegisterTemplate;
    auto screen = std::make_unique<RegisterScreen>();
    RegisterScreen& s = *screen;
    s.lookup = lookup;
    s.currentNumber = -1;
    s.endKey = 0;
    // Field 43's width follows its list.
    std::snprintf(s.picture43, sizeof s.picture43, "%%-%dsm", static_cast<int>(std::strlen(kPrinters173)) + 1);
    std::memcpy(fields[R_CHOICE173 - 1].picture, s.picture43, sizeof fields[0].picture);
    int savedKey = 0, savedSecond = 0;
    uint16_t lookupHandle = 0;
    if (lookup != nullptr && lookup->Data != nullptr) {
        lookupHandle = lookup->Data->Handle;
        BtrGetDefaults(lookupHandle, &savedKey, &savedSecond);
        BtrSetDefaults(lookupHandle, 0, -1);
        if (lookup->WorkArea != nullptr) {
            int32_t key = 0;
            std::memcpy(&key, lookup->WorkArea, sizeof key);
            s.endKey = key;
            if (key == kF8)
                std::memset(lookup->Data->Record, 0, sizeof(CashRegisterRecord));
        }
    }
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    if (OpenFileList(s.files, bwps::No(FileNo::CashRegisters), 0) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    SetColorSet(s.colours, kColourSetScreen);
    FxWindowCreate(&s.window, 1, 4, 1 + 24 - 1, 4 + 76 - 1, 1, 1, ' ', nullptr);
    FxWindowSetName(&s.window, "RSEditCashReg");
    SetupStandardScreen(&s.form, 35, 336);
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxReleaseKey(&s.form, kF8);
    FxSetKeyHandler(&s.form, kF3, OnResetDisplayKey);
    FxSetKeyHandler(&s.form, kF5, OnLookupKey);
    FxSetKeyHandler(&s.form, kF6, OnDeleteKey);
    FxSetKeyHandler(&s.form, kF7, OnTestDisplayKey);
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnSaveKey);
    s.form.newRecord = NewRegister;
    s.form.question = AskChoiceMessage;
    FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    CloseFileList(s.files);
    FxAppEnd(&s.fx);
    if (lookupHandle != 0)
        BtrSetDefaults(lookupHandle, savedKey, savedSecond);
    return lookup != nullptr ? s.endKey : 0;
}

}  // namespace

extern "C" {

BWPS_EXPORT int RSEditCashReg(int)
{
    return RunRegisterScreen(nullptr);
}

BWPS_EXPORT int RSEditCashRegOfLookup(TagLookUp* lookup)
{
    return RunRegisterScreen(lookup);
}

BWPS_EXPORT int LookupCashRegister(const char* search, int keepPosition, uint16_t handle,
                                   CashRegisterRecord* out, int row, int column, int height, int width,
                                   FxHandler keyHandler)
{
    using namespace bwps::lookups;
    Settings settings;
    settings.file = FileNo::CashRegisters;
    settings.recordLength = sizeof(CashRegisterRecord);
    settings.titleText = " LookUp Cash Registers ";
    settings.columns = {1, 2};
    settings.key = 0;
    settings.libraryReaders = true;
    settings.f8f9 = keyHandler != nullptr ? Keys::Handler : Keys::Removed;
    settings.shiftF9 = Switch::Removed;
    settings.stays = keepPosition ? Stays::Always : Stays::NoPosition;
    Call call;
    call.startText = search;
    call.restore = keepPosition;
    call.handle = handle;
    call.record = out;
    call.row = static_cast<uint16_t>(row);
    call.column = static_cast<uint16_t>(column);
    call.height = static_cast<uint16_t>(height);
    call.width = static_cast<uint16_t>(width);
    call.keyHandler = keyHandler;
    return RunStandard(settings, call);
}

}  // extern "C"

BWPS_ORDINAL(623, RSEditCashReg);
BWPS_ORDINAL(624, LookupCashRegister);
