// Keys of the sale screen that act on the station: the drawer key, the
// printer test and the station options menu; and the settings of the cash
// drawer's serial port.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/pos_transaction.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "fx.h"

namespace {

constexpr int kAskPrinterTest = 1029;
constexpr int kAskNextLetter = 1005;
constexpr int kAskStationOption = 1031;
constexpr int kTestLetters = 23;
constexpr const char* kSettingsFile = "bwwreg.ini";

PosTransactionContext* TransactionOf(void* context)
{
    return context != nullptr ? static_cast<PosScreenContext*>(context)->Transaction : nullptr;
}

// Asks a message with its own buttons in colour set 5; the button chosen,
// 0 when the message could not be shown.
int Ask(int message)
{
    uint8_t colours[COLOR_SET_SIZE] = {};
    SetColorSet(colours, 5);
    int choice = 1;
    return AskMessage(message, 1, &choice, nullptr, colours, -1, -1, 0, 0, 0) == 0 ? choice : 0;
}

// The test line: the letter 23 times and a carriage return.
void PutTestLine(TextReportState& state, char letter)
{
    std::memset(state.Line, letter, kTestLetters);
    state.Line[kTestLetters] = '\r';
    state.Line[kTestLetters + 1] = '\0';
    state.LineLength = kTestLetters + 1;
}

std::string Trimmed(const std::string& text)
{
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return std::string();
    const auto end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool SameName(const std::string& a, const char* b)
{
    if (a.size() != std::strlen(b))
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

extern "C" {

int WRegGetSetting(const char* section, const char* name, int defaultValue)
{
    if (section == nullptr || name == nullptr)
        return defaultValue;
    std::string path = GetSessionPaths()->ProgramPath;
    if (path.empty())
        return defaultValue;
    if (path.back() != '/')
        path += '/';
    std::ifstream in(path + kSettingsFile);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        line = Trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            inSection = close != std::string::npos && SameName(Trimmed(line.substr(1, close - 1)), section);
            continue;
        }
        const auto equals = line.find('=');
        if (!inSection || equals == std::string::npos || !SameName(Trimmed(line.substr(0, equals)), name))
            continue;
        const std::string value = Trimmed(line.substr(equals + 1));
        char* end = nullptr;
        const long number = std::strtol(value.c_str(), &end, 10);
        return !value.empty() && *end == '\0' ? static_cast<int>(number) : defaultValue;
    }
    return defaultValue;
}

int OnOpenDrawerKey(void* context)
{
    PosTransactionContext* transaction = TransactionOf(context);
    if (transaction != nullptr && transaction->DrawerKey != 0)
        SetupCashDrawerPort(transaction);
    return FX_STAY;
}

int RunPrinterTest(void* context)
{
    PosTransactionContext* transaction = TransactionOf(context);
    if (transaction == nullptr || transaction->Printer == nullptr)
        return FX_STAY;
    const int answer = Ask(kAskPrinterTest);
    if (answer == 0 || answer == 2)
        return FX_STAY;
    TextReportState& state = *transaction->Printer;
    // The open starts the report's line buffer afresh: the test line goes
    // into it once the report is open.
    if (TextReportOpen(&state) == 0)
        return FX_STAY;
    char letter = 'A';
    PutTestLine(state, letter);
    TextReportWriteLine(&state);
    for (;;) {
        const int next = Ask(kAskNextLetter);
        if (next == 0 || next == 1 || next == 3)
            break;
        PutTestLine(state, ++letter);
        TextReportWriteLine(&state);
    }
    TextReportClose(&state);
    return FX_STAY;
}

int OnStationOptionsKey(void* context)
{
    PosTransactionContext* transaction = TransactionOf(context);
    if (transaction == nullptr)
        return FX_STAY;
    switch (Ask(kAskStationOption)) {
    case 1:
        RSBanners(transaction);
        break;
    case 2:
        ChooseInvoiceKind(transaction);
        transaction->Printer = &transaction->Working.State;
        RunPrinterTest(context);
        break;
    case 3:
        transaction->StationOption = 0;
        break;
    case 4:
        transaction->StationOption = 1;
        break;
    default:
        break;
    }
    return FX_STAY;
}

// The receipt-banner editor is not in this build; where it is compiled in,
// it takes this one's place.
__attribute__((weak)) int16_t RSBanners(PosTransactionContext*)
{
    FxMessageBox(nullptr, "The receipt-banner editor is not available in this build.", nullptr,
                 FX_MB_ICONINFORMATION, 0);
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(595, RSBanners);
BWPS_ORDINAL(714, OnOpenDrawerKey);
BWPS_ORDINAL(715, RunPrinterTest);
BWPS_ORDINAL(716, OnStationOptionsKey);
