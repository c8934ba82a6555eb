// The telephone dialer of the customer editor: one of the customer's
// numbers, the store's dialing settings ("0dialer"), and the call handed to
// the modem port of the station (the dial command written to the port's
// device file, as the drawer codes are) or to a program that places it.
#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <cerrno>
#include <memory>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/table.h"
#include "customers/dialer.h"
#include "fx.h"
#include "recman.h"

extern char** environ;

namespace bwps::customers {
namespace {

constexpr int kMsgNoLine = 481;
constexpr int kMsgBadCharacters = 3600;
constexpr int kMsgProgramFailed = 3601;
constexpr int kMsgPortFailed = 3602;
constexpr int kKeySave = 0x4400;  // F10
constexpr size_t kNumberWidth = 16;

enum Field { kName = 1, kText, kNumber, kLongDistance, kAreaCode, kPrefix, kPort, kProgram };

const char kNoYes[] = "\001No,Yes";
const char kPorts[] = "\001None,COM1,COM2,COM3";

std::string Trim(std::string s)
{
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    s.erase(0, first);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

std::string Text(const char* field, size_t width) { return Trim(std::string(field, strnlen(field, width))); }

void Put(char* field, size_t width, const std::string& text)
{
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

struct DialerScreen {
    FxContext fx;  // first: the framework hands the context to the handlers
    FxForm form;
    FxWindow window;
    std::array<ScreenField, 9> fields;
    uint8_t colours[COLOR_SET_SIZE];
    const CustomerRecord* customer;
    std::string numbers;  // the choice list of field 3
    TagDialerRecord settings;
    TagDialerRecord stored;
    TagDialProgramRecord program;
    TagDialProgramRecord storedProgram;
    Table general;
};

DialerScreen& Screen(void* context) { return *static_cast<DialerScreen*>(context); }

// Reads a settings record; a missing one is inserted as `made`.
template <class R>
Status ReadOrCreate(Table& general, const R& made, R& record)
{
    KeyBuffer key;
    std::memcpy(key.bytes, made.Key, GENERAL_KEY_SIZE);
    std::memset(&record, 0, sizeof record);
    Status s = general.Get(B_GET_EQUAL, key.bytes, &record, static_cast<int>(sizeof record));
    if (!s.Is(B_KEY_NOT_FOUND))
        return s;
    record = made;
    return general.Write(B_INSERT, &record, static_cast<int>(sizeof record), &key);
}

bool SameSettings(const TagDialerRecord& a, const TagDialerRecord& b)
{
    return a.LongDistance == b.LongDistance && a.AreaCode == b.AreaCode && a.ModemPort == b.ModemPort &&
           Text(a.Prefix, sizeof a.Prefix) == Text(b.Prefix, sizeof b.Prefix);
}

Status WriteBack(Table& general, const char* key16, void* record, int length)
{
    KeyBuffer key;
    std::memcpy(key.bytes, key16, GENERAL_KEY_SIZE);
    std::vector<uint8_t> current(static_cast<size_t>(length), 0);
    const Status s = general.Get(B_GET_EQUAL, key.bytes, current.data(), length);
    if (s.Ok())
        return general.Write(B_UPDATE, record, length, &key);
    if (s.Is(B_KEY_NOT_FOUND))
        return general.Write(B_INSERT, record, length, &key);
    return s;
}

// Runs the program with the dial string as its one argument (no shell) and
// waits for it; true when it ended with status 0.
bool RunDialProgram(const std::string& program, const std::string& dial)
{
    std::vector<char> path(program.begin(), program.end());
    path.push_back('\0');
    std::vector<char> argument(dial.begin(), dial.end());
    argument.push_back('\0');
    char* argv[] = {path.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, path.data(), nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int OnDial(void* context)
{
    DialerScreen& s = Screen(context);
    s.settings.LongDistance = FxChoiceGet(&s.form, kLongDistance) == 2 ? 'Y' : 'N';
    s.settings.AreaCode = FxChoiceGet(&s.form, kAreaCode) == 2 ? 'Y' : 'N';
    Put(s.settings.Prefix, sizeof s.settings.Prefix, Text(FxFieldGet(&s.form, kPrefix), 64));
    const int port = FxChoiceGet(&s.form, kPort);
    s.settings.ModemPort = static_cast<int16_t>(port >= 2 && port <= 4 ? port - 1 : 0);
    Put(s.program.Program, sizeof s.program.Program, Text(FxFieldGet(&s.form, kProgram), 200));

    const int choice = FxChoiceGet(&s.form, kNumber);
    std::string number;
    if (choice > 0) {
        size_t start = 1, index = 1;
        while (index < static_cast<size_t>(choice) && start <= s.numbers.size()) {
            const size_t comma = s.numbers.find(',', start);
            start = comma == std::string::npos ? s.numbers.size() + 1 : comma + 1;
            ++index;
        }
        if (start <= s.numbers.size()) {
            const size_t comma = s.numbers.find(',', start);
            number = s.numbers.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        }
    }
    const std::string dial = BuildDialString(s.settings, number.substr(0, kNumberWidth));
    if (!DialStringAccepted(dial)) {
        ShowMessage(kMsgBadCharacters, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(&s.form, kPrefix);
        return FX_STAY_FOCUSED;
    }
    if (!SameSettings(s.settings, s.stored)) {
        const Status w = WriteBack(s.general, GENERAL_KEY_DIALER, &s.settings, sizeof s.settings);
        if (!w.Ok())
            w.Report();
        else
            s.stored = s.settings;
    }
    if (Text(s.program.Program, sizeof s.program.Program) !=
        Text(s.storedProgram.Program, sizeof s.storedProgram.Program)) {
        const Status w = WriteBack(s.general, GENERAL_KEY_DIALPROGRAM, &s.program, sizeof s.program);
        if (!w.Ok())
            w.Report();
        else
            s.storedProgram = s.program;
    }
    const std::string programPath = Text(s.program.Program, sizeof s.program.Program);
    if (s.settings.ModemPort > 0) {
        const std::string command = "ATDT" + dial + "\r";
        if (FxSerialSend(s.settings.ModemPort - 1, command.c_str(), static_cast<int>(command.size())) != 0) {
            ShowMessage(kMsgPortFailed, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
    } else if (!programPath.empty()) {
        if (!RunDialProgram(programPath, dial)) {
            ShowMessage(kMsgProgramFailed, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
    } else {
        ShowMessage(kMsgNoLine, MESSAGE_DEFAULT_CONTEXT);
    }
    return FX_LEAVE;
}

int OnStart(void* context)
{
    DialerScreen& s = Screen(context);
    const CustomerRecord& c = *s.customer;
    FxFieldSet(&s.form, kName, Text(c.Name, sizeof c.Name).c_str());
    FxFieldSet(&s.form, kText, Text(c.Field4, sizeof c.Field4).c_str());
    FxChoiceSet(&s.form, kLongDistance, s.settings.LongDistance == 'Y' ? 2 : 1);
    FxChoiceSet(&s.form, kAreaCode, s.settings.AreaCode == 'Y' ? 2 : 1);
    FxFieldSet(&s.form, kPrefix, Text(s.settings.Prefix, sizeof s.settings.Prefix).c_str());
    FxChoiceSet(&s.form, kPort, s.settings.ModemPort >= 1 && s.settings.ModemPort <= 3 ? s.settings.ModemPort + 1 : 1);
    FxFieldSet(&s.form, kProgram, Text(s.program.Program, sizeof s.program.Program).c_str());
    return FX_GO_ON;
}

}  // namespace

std::string DialNumberList(const CustomerRecord& customer)
{
    std::string list = "\001";
    for (const auto& phone : customer.Phone) {
        const std::string number(phone, strnlen(phone, sizeof phone));
        bool blank = true;
        for (char c : number)
            if (FxIsFillerChar(static_cast<unsigned char>(c)) == 0)
                blank = false;
        if (blank)
            continue;
        if (list.size() > 1)
            list += ',';
        list += number;
    }
    return list;
}

std::string BuildDialString(const TagDialerRecord& settings, const std::string& number)
{
    std::string dial = Text(settings.Prefix, sizeof settings.Prefix);
    std::string rest = Trim(number);
    if (settings.AreaCode != 'Y') {
        const size_t close = rest.find(')');
        if (close != std::string::npos)
            rest.erase(0, close + 1);
    }
    if (settings.LongDistance == 'Y')
        dial += '1';
    for (char c : rest)
        if (FxIsFillerChar(static_cast<unsigned char>(c)) == 0)
            dial += c;
    return dial;
}

bool DialStringAccepted(const std::string& dial)
{
    for (char c : dial)
        if (!((c >= '0' && c <= '9') || c == '*' || c == '#' || c == ','))
            return false;
    return true;
}

}  // namespace bwps::customers

using namespace bwps;
using namespace bwps::customers;

extern "C" int RSEditDialer(void* customer)
{
    if (customer == nullptr)
        return 0;
    auto screen = std::make_unique<DialerScreen>();
    DialerScreen& s = *screen;
    s.customer = static_cast<const CustomerRecord*>(customer);
    s.numbers = DialNumberList(*s.customer);
    TagDialerRecord dialer{};
    std::memcpy(dialer.Key, GENERAL_KEY_DIALER, GENERAL_KEY_SIZE);
    dialer.LongDistance = 'N';
    dialer.AreaCode = 'N';
    TagDialProgramRecord program{};
    std::memcpy(program.Key, GENERAL_KEY_DIALPROGRAM, GENERAL_KEY_SIZE);
    Status opened = s.general.Open(FileNo::General);
    if (opened.Ok())
        opened = ReadOrCreate(s.general, dialer, s.settings);
    if (opened.Ok())
        opened = ReadOrCreate(s.general, program, s.program);
    if (!opened.Ok()) {
        opened.Report();
        return 0;
    }
    s.stored = s.settings;
    s.storedProgram = s.program;
    s.fields = {{
        bwps::Field(kName, 1, 16, "%-40s").DisplayOnly(),
        bwps::Field(kText, 2, 16, "%-40s").DisplayOnly(),
        bwps::Field(kNumber, 3, 16, "%-16sm"),
        bwps::Field(kLongDistance, 4, 16, "%-10sm").Choices(kNoYes),
        bwps::Field(kAreaCode, 5, 16, "%-10sm").Choices(kNoYes),
        bwps::Field(kPrefix, 6, 16, "%-24s"),
        bwps::Field(kPort, 7, 16, "%-10sm").Choices(kPorts),
        bwps::Field(kProgram, 8, 16, "%-48s"),
        {},
    }};
    s.fields[kNumber - 1].choices = s.numbers.size() > 1 ? s.numbers.c_str() : "\001 ";
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, s.fields.data(), 0) != 0 &&
        FxWindowCreate(&s.window, 5, 6, 14, 72, 1, 1, ' ', nullptr) == 0) {
        SetColorSet(s.colours, 5);
        FxWindowSetName(&s.window, "RSEditDialer");
        SetupStandardScreen(&s.form, 0, 0);
        FxSetKeyHandler(&s.form, kKeySave, OnDial);
        FxSetKeyCaption(&s.form, kKeySave, "Dial");
        s.form.newRecord = OnStart;
        FxWindowAttachForm(&s.window, &s.form, 0);
        static const char* const kLabels[] = {"Customer:", "Contact:",   "Number:",  "Long dist.:",
                                              "Area code:", "Prefix:",   "Modem:",   "Or program:"};
        for (int i = 0; i < 8; ++i)
            FxWindowText(&s.window, i + 1, 2, -1, kLabels[i], 0);
        FxAppRun(&s.fx, 1);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    return 0;
}

BWPS_ORDINAL(608, RSEditDialer);
