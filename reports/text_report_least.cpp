// The text report driver as far as this build has one: a report goes to
// the printer's port (its port file), one line at a time. The full driver,
// where it is compiled in, takes the place of these weak definitions.
#include <cstring>

#include "bwps/ordinals.h"
#include "bwps/pos_transaction.h"
#include "bwps/session.h"
#include "fx.h"

namespace {

constexpr uint8_t kPrinter = 2;
constexpr int kLineChars = 319;
constexpr int kSerialSettings = 0xE3;  // 9600 baud, no parity, one stop bit, 8 data bits

void ClearLine(TextReportState& state)
{
    std::memset(state.Line, ' ', kLineChars);
    state.Line[kLineChars] = '\0';
    state.LineLength = 0;
    state.Pending = 0;
}

// The printer port of the request: the station printer it names, else its
// own port byte, else LPT1. 1..3 LPT1..3, 4..6 COM1..3.
int RequestedPort(const TextReportState& request)
{
    const int choice = request.PrinterChoice;
    if (choice >= 1 && choice <= 3) {
        StationPrinterEntry entry;
        std::memcpy(&entry, GetSessionPaths()->StationPrinters[choice - 1], sizeof entry);
        if (entry.port >= 1 && entry.port <= 6)
            return entry.port;
    }
    return request.Port >= 1 && request.Port <= 6 ? request.Port : 1;
}

}  // namespace

extern "C" {

__attribute__((weak)) uint8_t TextReportOpen(TextReportState* state)
{
    if (state == nullptr)
        return 0;
    if (state->PresetDestination != 0 && state->PresetDestination != kPrinter) {
        FxMessageBox(nullptr, "Reports to the screen or to a file are not available in this build.",
                     nullptr, FX_MB_ICONINFORMATION, 0);
        return 0;
    }
    const TextReportState request = *state;
    std::memset(state, 0, sizeof *state);
    state->PresetDestination = request.PresetDestination;
    state->Condensed = request.Condensed;
    state->Quiet = request.Quiet;
    state->Kept3 = request.Kept3;
    state->PrinterChoice = request.PrinterChoice;
    state->Destination = kPrinter;
    state->Port = static_cast<uint8_t>(RequestedPort(request));
    state->FirstPage = request.FirstPage;
    state->Page = request.FirstPage != 0 ? request.FirstPage : 1;
    state->Width = request.Width != 0 ? request.Width : (request.Condensed != 0 ? 136 : 80);
    state->FullHeading = 1;
    state->Qualifier = '"';
    state->Separator = ',';
    state->FileHandle = state->IndexHandle = state->ParallelHandle = -1;
    state->ParallelPort = state->SerialPort = -1;
    ClearLine(*state);

    bool opened = false;
    if (state->Port <= 3) {
        state->ParallelPort = state->Port - 1;
        int handle = -1;
        opened = FxParallelOpen(0, state->ParallelPort, &handle, 0) == 0;
        state->ParallelHandle = handle;
    } else {
        state->SerialPort = state->Port - 4;
        opened = FxSerialOpen(state->SerialPort, kSerialSettings) == 0;
    }
    if (!opened) {
        state->Destination = 0;
        return 0;
    }
    GetSessionPaths()->ReportDestination = kPrinter;
    return 1;
}

__attribute__((weak)) int TextReportWriteLine(TextReportState* state)
{
    if (state == nullptr || state->Aborted != 0 || state->Destination != kPrinter)
        return 0;
    const int length = state->LineLength < 0 ? 0
                       : state->LineLength > kLineChars ? kLineChars
                                                        : state->LineLength;
    if (state->SerialPort >= 0) {
        if (length > 0)
            FxSerialSend(state->SerialPort, state->Line, length);
    } else if (state->ParallelHandle >= 0) {
        int written = 0;
        FxFileWrite(state->ParallelHandle, state->Line, length, &written);
    }
    ClearLine(*state);
    return 0;
}

__attribute__((weak)) int TextReportClose(TextReportState* state)
{
    if (state == nullptr || state->Destination != kPrinter)
        return 0;
    if (state->SerialPort >= 0)
        FxSerialClose(state->SerialPort);
    else
        FxParallelClose(state->ParallelPort, state->ParallelHandle);
    state->ParallelHandle = -1;
    state->Destination = 0;
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(758, TextReportOpen);
BWPS_ORDINAL(759, TextReportClose);
BWPS_ORDINAL(760, TextReportWriteLine);
