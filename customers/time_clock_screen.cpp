// The back-office screen of the salesperson time clock: a salesperson is
// chosen on the header, the entries of BPOSSPTM.DB under that code are
// listed one a line, and the operator corrects dates, times, amounts and
// status or removes an entry. New entries are made only by the register.
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/salespersons.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"

namespace bwps {
namespace {

enum HeaderField { kCode = 1, kName, kShortCode };
enum LineField { kDateIn = 1, kDateOut, kTimeIn, kTimeOut, kAmount1, kAmount4 = kAmount1 + 3, kStatus };

constexpr int kMsgBadDate = 185;
constexpr int kMsgUnknownPerson = 557;
constexpr int kMsgBlankCode = 1187;
constexpr int kMsgDateOrder = 1211;
constexpr int kMsgBadStatus = 1213;
constexpr int kKeyLookUp = 0x3F00;      // F5
constexpr int kKeyDelete = 0x4000;      // F6
constexpr int kKeyNoAction = 0x4200;    // F8
constexpr int kKeyEditList = 0x4300;    // F9
constexpr int kKeyDeleteLine = 0x5900;  // Shift+F6
constexpr char kChoices[] = "A|Active,C|Closed,E|Error";
constexpr char kStatusLetters[] = "ACE";  // the options of kChoices, in order

// The status letter of the choice field; 0 when none is chosen.
char StatusOf(FxForm* grid)
{
    const int option = FxChoiceGet(grid, kStatus);
    return option >= 1 && option <= 3 ? kStatusLetters[option - 1] : '\0';
}

// One line of the grid: the entry as read and where it lies in the file
// (0: not a stored entry).
struct Line {
    TimeClockRecord entry;
    uint32_t position;
};

struct TimeScreen {
    FxContext fx{};             // first: handlers receive the context
    FxWindow window{};
    FxForm header{};
    FxForm grid{};
    std::array<ScreenField, 4> headerTable{};
    std::array<ScreenField, 10> gridTable{};
    std::string choices;
    Table people;
    Table entries;
    SalespersonRecord person{};
};

TimeScreen* gScreen = nullptr;

std::string Trimmed(const char* text, size_t width)
{
    std::string s(text, strnlen(text, width));
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Leaving backwards skips the checks.
bool LeavingBack(const TimeScreen& s)
{
    const int key = s.fx.key;
    return key == FX_KEY_UP || key == FX_KEY_PGUP || key == FX_KEY_CTRL_HOME;
}

int32_t DateOf(const char* text)
{
    const std::string t = Trimmed(text, 16);
    return t.empty() ? 0 : FxDateParse(t.c_str());
}

// "HH:MM" to minutes since midnight; -1 when it is not a time.
int TimeOf(const char* text)
{
    int hours = 0, minutes = 0;
    const std::string t = Trimmed(text, 16);
    if (t.empty())
        return 0;
    if (std::sscanf(t.c_str(), "%d:%d", &hours, &minutes) != 2 || hours < 0 || hours > 23 || minutes < 0 ||
        minutes > 59)
        return -1;
    return hours * 60 + minutes;
}

double Number(const char* text)
{
    double value = 0;
    if (FxParseNumber(text, 0, &value) != 0)
        value = 0;
    return value;
}

void ShowLine(TimeScreen& s, const Line& line)
{
    TimeClockRecord e = line.entry;
    NormalizeTimeClockAmounts(&e);
    char text[32];
    FxFieldSet(&s.grid, kDateIn, FxDateFormat(text, e.DateIn));
    FxFieldSet(&s.grid, kDateOut, FxDateFormat(text, e.DateOut));
    // The time columns hold "HH:MM": a twelve-hour text would lose its
    // AM/PM in them and be written back twelve hours off.
    FxFieldSet(&s.grid, kTimeIn, FxTimeFormat(text, e.TimeIn, 0));
    FxFieldSet(&s.grid, kTimeOut, FxTimeFormat(text, e.TimeOut, 0));
    for (int i = 0; i < 4; ++i)
        FxFieldSet(&s.grid, kAmount1 + i, FxFormatAmount(e.Amounts[i], text, 2));
    const char* found = std::strchr(kStatusLetters, e.Status);
    if (e.Status != '\0' && found != nullptr)
        FxChoiceSet(&s.grid, kStatus, static_cast<int>(found - kStatusLetters) + 1);
    else
        FxFieldSet(&s.grid, kStatus, "");
}

int LineEnter(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    if (const Line* line = static_cast<const Line*>(FxGridCurrent(&s.grid)))
        ShowLine(s, *line);
    return FX_GO_ON;
}

int LineShow(void* context) { return LineEnter(context); }

void ShowHeader(TimeScreen& s)
{
    s.person.ShortCode[sizeof s.person.ShortCode - 1] = '\0';
    FxFieldSet(&s.header, kCode, Trimmed(s.person.Code, sizeof s.person.Code).c_str());
    FxFieldSet(&s.header, kName, Trimmed(s.person.Name, sizeof s.person.Name).c_str());
    FxFieldSet(&s.header, kShortCode, Trimmed(s.person.ShortCode, sizeof s.person.ShortCode).c_str());
}

// The entries of the shown salesperson into the grid.
void LoadLines(TimeScreen& s)
{
    FxGridClear(&s.grid);
    TimeClockRecord e{};
    KeyBuffer key;
    std::memcpy(key.bytes, s.person.Code, sizeof s.person.Code);
    s.entries.SetKey(0);
    Status st = s.entries.Get(B_GET_GE, key, e);
    while (st.Ok() && std::strncmp(e.Code, s.person.Code, sizeof e.Code) == 0) {
        uint32_t position = 0;
        st = s.entries.Position(position);
        if (!st.Ok())
            break;
        Line* line = static_cast<Line*>(FxGridNewLine(&s.grid, sizeof(Line)));
        if (line == nullptr)
            break;
        line->entry = e;
        line->position = position;
        FxGridLine(&s.fx, &s.grid, line, 0x200000);
        st = s.entries.Get(B_GET_NEXT, key, e);
    }
    if (!st.Ok() && !st.Is(B_END_OF_FILE) && !st.Is(B_KEY_NOT_FOUND))
        st.Report();
    FxGridRedraw(&s.grid);
}

// Reads the salesperson of the code field: FX_GO_ON when known.
int CheckCode(TimeScreen& s)
{
    const std::string code = Trimmed(FxFieldGet(&s.header, kCode), 16);
    if (code.empty()) {
        ShowMessage(kMsgBlankCode, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(&s.header, kCode);
        return FX_STAY_FOCUSED;
    }
    SalespersonRecord found{};
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min(code.size(), sizeof found.Code - 1));
    const Status st = s.people.Get(B_GET_EQUAL, key, found);
    if (st.Is(B_KEY_NOT_FOUND)) {
        ShowMessage(kMsgUnknownPerson, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(&s.header, kCode);
        return FX_STAY_FOCUSED;
    }
    if (!st.Ok()) {
        st.Report();
        FxFocusField(&s.header, kCode);
        return FX_STAY_FOCUSED;
    }
    s.person = found;
    ShowHeader(s);
    LoadLines(s);
    return FX_GO_ON;
}

int CodeLeft(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    if (LeavingBack(s))
        return FX_GO_ON;
    return CheckCode(s);
}

// The header accepted: the cursor goes into the lines.
int HeaderDone(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    if (LeavingBack(s))
        return FX_GO_ON;
    const int answer = CheckCode(s);
    if (answer != FX_GO_ON)
        return answer;
    return FX_GRID_FILLED | FX_RECORD_DONE;
}

int LookUpKey(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    if (s.header.currentField != kCode)
        return FX_STAY;
    SalespersonRecord picked{};
    const std::string start = Trimmed(FxFieldGet(&s.header, kCode), 16);
    if (!FlySalespersons(start.empty() ? nullptr : start.c_str(), 0, s.people.Handle(), &picked, 5, 13, 13, 54,
                         nullptr))
        return FX_STAY;
    s.person = picked;
    ShowHeader(s);
    LoadLines(s);
    FxFormRedrawAfterPick(&s.fx, &s.header);
    return FX_LOOKUP_SET;
}

int NoAction(void*) { return FX_STAY; }

// The line as the screen shows it; false when a field is refused (shown).
bool TakeLine(TimeScreen& s, const Line& line, TimeClockRecord& out)
{
    out = line.entry;
    const char* dateIn = FxFieldGet(&s.grid, kDateIn);
    out.DateIn = DateOf(dateIn);
    const char* dateOut = FxFieldGet(&s.grid, kDateOut);
    out.DateOut = DateOf(dateOut);
    const int in = TimeOf(FxFieldGet(&s.grid, kTimeIn)), outTime = TimeOf(FxFieldGet(&s.grid, kTimeOut));
    if (in < 0 || outTime < 0)
        return false;
    out.TimeIn = static_cast<int16_t>(in);
    out.TimeOut = static_cast<int16_t>(outTime);
    for (int i = 0; i < 4; ++i)
        out.Amounts[i] = Number(FxFieldGet(&s.grid, kAmount1 + i));
    out.Status = StatusOf(&s.grid);
    ComputeTimeClockHours(&out, 0);
    NormalizeTimeClockAmounts(&out);
    return true;
}

bool SameAsShown(const TimeClockRecord& a, const Line& line)
{
    TimeClockRecord b = line.entry;
    NormalizeTimeClockAmounts(&b);
    bool same = a.DateIn == b.DateIn && a.DateOut == b.DateOut && a.TimeIn == b.TimeIn && a.TimeOut == b.TimeOut &&
                a.Status == b.Status;
    for (int i = 0; i < 4; ++i) {
        char x[32], y[32];
        same = same && std::strcmp(FxFormatAmount(a.Amounts[i], x, 2), FxFormatAmount(b.Amounts[i], y, 2)) == 0;
    }
    return same;
}

// Writes the cursor line when it changed: FX_GO_ON, or FX_STAY with the
// failure shown.
int WriteLine(TimeScreen& s, bool movingBack)
{
    Line* line = static_cast<Line*>(FxGridCurrent(&s.grid));
    if (line == nullptr || line->position == 0)
        return movingBack || line == nullptr ? FX_GO_ON : FX_STAY;
    TimeClockRecord taken{};
    if (!TakeLine(s, *line, taken))
        return FX_STAY;
    if (SameAsShown(taken, *line))
        return FX_GO_ON;
    KeyBuffer key;
    TimeClockRecord current{};
    Status st = s.entries.Direct(line->position, key, current);
    if (st.Ok()) {
        TimeClockRecord write = taken;
        st = s.entries.Update(write);
        if (st.Is(B_CONFLICT)) {
            st = s.entries.Direct(line->position, key, current);
            if (st.Ok()) {
                write = taken;
                st = s.entries.Update(write);
            }
        }
    }
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    line->entry = taken;
    return FX_GO_ON;
}

int LineLeave(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    return WriteLine(s, LeavingBack(s));
}

int GridSave(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    const int answer = WriteLine(s, true);
    return answer == FX_GO_ON ? FX_RECORD_DONE_MAIN : answer;
}

int HeaderSave(void* context)
{
    (void)context;
    const int answer = CheckCode(*gScreen);
    return answer != FX_GO_ON ? answer : FX_GRID_FILLED | FX_RECORD_DONE;
}

int DeleteLine(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    const Line* line = static_cast<const Line*>(FxGridCurrent(&s.grid));
    if (line == nullptr || line->position == 0)
        return FX_STAY;
    KeyBuffer key;
    TimeClockRecord current{};
    Status st = s.entries.Direct(line->position, key, current);
    if (st.Ok())
        st = s.entries.Delete();
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    FxGridLine(&s.fx, &s.grid, nullptr, 0x400000);
    return 0x80002;
}

bool ValidDateText(const char* text)
{
    const std::string t = Trimmed(text, 16);
    return t.empty() || FxDateCheck(t.c_str()) != 0;
}

int DateLeft(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    const int field = s.grid.currentField;
    if (!ValidDateText(FxFieldGet(&s.grid, field))) {
        ShowMessage(kMsgBadDate, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    const int32_t in = DateOf(FxFieldGet(&s.grid, kDateIn)), out = DateOf(FxFieldGet(&s.grid, kDateOut));
    if (out != 0 && in > out) {
        ShowMessage(kMsgDateOrder, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    return FX_GO_ON;
}

int TimeLeft(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    return TimeOf(FxFieldGet(&s.grid, s.grid.currentField)) < 0 ? FX_STAY : FX_GO_ON;
}

int StatusLeft(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    if (StatusOf(&s.grid) == '\0') {
        ShowMessage(kMsgBadStatus, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    return FX_GO_ON;
}

int NewHeader(void* context)
{
    (void)context;
    TimeScreen& s = *gScreen;
    std::memset(&s.person, 0, sizeof s.person);
    FxSetKeyHandler(&s.header, kKeyLookUp, LookUpKey);
    FxHandler handler = nullptr;
    for (int key : {kKeyDelete, kKeyNoAction, kKeyEditList})
        if (FxKeyBinding(&s.header, key, &handler) != 0)
            FxSetKeyState(&s.header, key, 0);
    FxGridEmpty(&s.grid);
    ShowHeader(s);
    return FX_GO_ON;
}

int RunTimeClockScreen()
{
    TimeScreen s;
    TimeScreen* outer = gScreen;
    gScreen = &s;
    char statusPicture[16];
    std::snprintf(statusPicture, sizeof statusPicture, "%%-%dsm", static_cast<int>(std::strlen(kChoices)));
    s.choices = std::string(1, '\001') + kChoices;
    s.headerTable[0] = bwps::Field(kCode, 1, 16, "%-5sC").Flags(FX_FIELD_UPPER).Exit(CodeLeft);
    s.headerTable[1] = bwps::Field(kName, 2, 16, "%-40s").DisplayOnly().Flags(FX_FIELD_SKIP);
    s.headerTable[2] = bwps::Field(kShortCode, 3, 16, "%-5s").Exit(HeaderDone);
    static constexpr uint8_t kColumns[] = {1, 10, 19, 25, 31, 42, 53, 64, 76};
    s.gridTable[0] = bwps::Field(kDateIn, 5, kColumns[0], "nn/nn/nn").Exit(DateLeft);
    s.gridTable[1] = bwps::Field(kDateOut, 5, kColumns[1], "nn/nn/nn").Exit(DateLeft);
    s.gridTable[2] = bwps::Field(kTimeIn, 5, kColumns[2], "nn:nn").Exit(TimeLeft);
    s.gridTable[3] = bwps::Field(kTimeOut, 5, kColumns[3], "nn:nn").Exit(TimeLeft);
    for (int i = 0; i < 4; ++i)
        s.gridTable[static_cast<size_t>(4 + i)] =
            bwps::Field(static_cast<uint8_t>(kAmount1 + i), 5, kColumns[4 + i], "%10.2f");
    s.gridTable[8] = bwps::Field(kStatus, 5, kColumns[8], "%-25sm").Exit(StatusLeft);
    std::memcpy(s.gridTable[8].picture, statusPicture, sizeof statusPicture);
    s.gridTable[8].choices = s.choices.c_str();

    int result = 0;
    FxAppBegin(&s.fx);
    const Status opened = s.people.Open(FileNo::Salespersons);
    Status openedEntries = opened.Ok() ? s.entries.Open(FileNo::TimeClock) : opened;
    if (!openedEntries.Ok()) {
        openedEntries.Report();
    } else if (FxFormLoad(&s.header, s.headerTable.data(), 1) != 0 && FxFormLoad(&s.grid, s.gridTable.data(), 1) != 0 &&
               FxWindowCreate(&s.window, 5, 0, 20, 79, 1, 0, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditSPTime");
        SetupStandardScreen(&s.header, 39, 0);
        FxReleaseKey(&s.header, kKeyDelete);
        FxSetKeyHandler(&s.header, kKeyLookUp, LookUpKey);
        FxSetKeyHandler(&s.header, kKeyNoAction, NoAction);
        FxSetKeyHandler(&s.header, FX_KEY_F10, HeaderSave);
        FxSetKeyHandler(&s.grid, FX_KEY_F10, GridSave);
        FxSetKeyHandler(&s.grid, kKeyNoAction, NoAction);
        FxSetKeyHandler(&s.grid, kKeyDeleteLine, DeleteLine);
        s.header.newRecord = NewHeader;
        s.grid.lineEnter = LineEnter;
        s.grid.lineShow = LineShow;
        s.grid.lineLeave = LineLeave;
        FxWindowAttachForm(&s.window, &s.header, 0);
        FxGridBlock block{10, 1, 78, 1};
        FxGridAttach(&s.header, &s.grid, &block);
        FxAppRun(&s.fx, 0);
        result = s.fx.exitKey;
        FxGridClear(&s.grid);   // the lines are the screen's to free
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    s.entries.Close();
    s.people.Close();
    gScreen = outer;
    return result;
}

}  // namespace
}  // namespace bwps

extern "C" int RSEditSPTime(void)
{
    return bwps::RunTimeClockScreen();
}

BWPS_ORDINAL(630, RSEditSPTime);
