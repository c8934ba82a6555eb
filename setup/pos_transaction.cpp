// Services of the sale entry around a transaction: which stored receipt
// set-up the next document uses, the cash drawer (a device port of the
// framework or a serial port), the drawer record, layaway headers and the
// finalized-layaway notice, the window of numbered text lines, and small
// text and number utilities.
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/pos_transaction.h"
#include "bwps/screen_utils.h"
#include "bwps/table.h"
#include "fx.h"

using namespace bwps;

namespace {

constexpr int kAskDocumentForm = 1203;
constexpr int kSerialSetup = 67;
constexpr int kMissingDrawerCode = 7;
constexpr int kTextLines = 40;
constexpr int kNumberedTextColourSet = 6;

bool AsksForForm(int16_t kind) { return kind == 2 || kind == 3 || kind == 4; }

// A text with each "%d" in it replaced by the number; every other '%'
// stays as it is.
std::string WithNumber(const char* line, int number)
{
    std::string text = line;
    const std::string value = std::to_string(number);
    for (std::string::size_type at = text.find("%d"); at != std::string::npos;
         at = text.find("%d", at + value.size()))
        text.replace(at, 2, value);
    return text;
}

}  // namespace

extern "C" {

int16_t ChooseInvoiceKind(PosTransactionContext* context)
{
    if (context == nullptr)
        return 0;
    int16_t result = 0;
    if (AsksForForm(context->DocumentKind1) || AsksForForm(context->DocumentKind2)) {
        uint8_t colours[COLOR_SET_SIZE] = {};
        SetColorSet(colours, 5);
        int choice = 1;
        if (AskMessage(kAskDocumentForm, 1, &choice, nullptr, colours, -1, -1, 0, 0, 0) == 0 &&
            (choice == 2 || choice == 3))
            result = static_cast<int16_t>(choice);
    }
    context->Working = context->Stored[result];
    return result;
}

int SetupCashDrawerPort(PosTransactionContext* context)
{
    if (context == nullptr || context->Drawer == nullptr)
        return 0;
    const int port = context->Drawer->drawerPort;
    if (context->HasDrawer == 0 || port <= 0)
        return 0;
    if (context->TransactionKind == 2 || context->TransactionKind == 6)
        return 0;
    if (context->Stored[0].DrawerSkip != 0 && port == 1)
        return 0;

    uint16_t codes[POS_DRAWER_CODES];
    char bytes[POS_DRAWER_BUFFER] = {};
    for (int i = 0; i < POS_DRAWER_CODES; ++i) {
        codes[i] = static_cast<uint16_t>(context->Drawer->drawerCodes[i]);
        bytes[i] = static_cast<char>(codes[i] & 0xFF);
    }
    if (port <= 3)
        return FxDeviceSend(port - 1, POS_DRAWER_CODES, codes);
    const int serial = port - 4;
    if (WRegGetSetting("CashDrawer", "InitComPort", 0) == 1)
        FxSerialOpen(serial, kSerialSetup);
    const int status = FxSerialSend(serial, bytes, POS_DRAWER_BUFFER);
    FxSerialClose(serial);
    return status;
}

int ReadDrawerRecord(int32_t number, CashRegisterRecord* record)
{
    if (record == nullptr)
        return 0;
    std::memset(record, 0, sizeof *record);
    Table drawers;
    if (!drawers.Open(FileNo::CashRegisters).Ok())
        return 0;
    // The key is the 16-bit register number: a number outside its range
    // names no register (its low bytes would name another one).
    Status s{B_KEY_NOT_FOUND, B_GET_EQUAL, FileNo::CashRegisters};
    if (number >= INT16_MIN && number <= INT16_MAX) {
        KeyBuffer key;
        key.Set(static_cast<int16_t>(number));
        s = drawers.Get(B_GET_EQUAL, key, *record);
    }
    if (!s.Ok()) {
        std::memset(record, 0, sizeof *record);
        record->drawerCodes[0] = kMissingDrawerCode;
    }
    drawers.Close();
    return s.Ok() ? 1 : 0;
}

int ReadLayawayHeader(const char* number, PosLayawayHeader* record)
{
    if (record == nullptr)
        return 0;
    Table layaways;
    const Status opened = layaways.Open(FileNo::LayawayHeader);
    if (!opened.Ok()) {
        opened.Report();
        return 0;
    }
    KeyBuffer key;
    if (number != nullptr)
        std::memcpy(key.bytes, number, ::strnlen(number, sizeof key.bytes - 1));
    const Status s = layaways.Get(B_GET_EQUAL, key, *record);
    layaways.Close();
    if (!s.Ok()) {
        std::memset(record, 0, sizeof *record);
        return 0;
    }
    return record->Status;
}

void CheckLayawayNotFinal(PosLayawayHeader header)
{
    const std::string receipt(header.FinalReceipt,
                              ::strnlen(header.FinalReceipt, sizeof header.FinalReceipt));
    char text[512];
    std::snprintf(text, sizeof text,
                  "You cannot issue any transaction on a finalized layaway entry.\nYou must first "
                  "Void the invoice where the final payment\nfor this layaway was made.\n\nThe "
                  "final Receipt Number for this layaway is %s\n",
                  receipt.c_str());
    FxMessageBox(nullptr, text, nullptr, FX_MB_ICONEXCLAMATION, 0);
}

int BlankFillIfEmpty(char* text, int width)
{
    if (text != nullptr && width >= 1 && FxIsEmpty(text))
        FxPadString(text, width - 1, ' ');
    return 0;
}

int BothTextsEmpty(PosTextPair block)
{
    char first[sizeof block.First + 1] = {};
    char second[sizeof block.Second + 1] = {};
    std::memcpy(first, block.First, sizeof block.First);
    std::memcpy(second, block.Second, sizeof block.Second);
    return FxIsEmpty(first) && FxIsEmpty(second) ? 1 : 0;
}

int FormatNumberText(int16_t decimals, const char* picture, char* target, double value)
{
    if (picture != nullptr && target != nullptr)
        FxFormatNumber(target, picture, 0, decimals, value);
    return 0;
}

void ShowNumberedTextWindow(int16_t number)
{
    char* lines[kTextLines + 1] = {};
    int width = 0;
    int count = 0;
    if (FxTextListLoadOrSplit(POS_NUMBERED_TEXT_LIST, lines, &width, &count, kTextLines) != 0)
        return;
    uint8_t colours[COLOR_SET_SIZE] = {};
    SetColorSet(colours, kNumberedTextColourSet);
    FxWindow window{};
    if (FxWindowCreate(&window, 5, 3, 15, 72, 1, 1, ' ', nullptr) != 0) {
        FxTextListFree(lines);
        return;
    }
    for (int i = 0; i < kTextLines && lines[i] != nullptr; ++i)
        FxWindowText(&window, i + 2, 2, -1, WithNumber(lines[i], number).c_str(), 0);
    FxWindowAttachForm(&window, nullptr, 0);
    int32_t key = 0;
    FxKeyRead(&key, 1, 0);
    FxTextListFree(lines);
    FxWindowClose(&window, 1);
}

}  // extern "C"

BWPS_ORDINAL(712, SetupCashDrawerPort);
BWPS_ORDINAL(713, ReadDrawerRecord);
BWPS_ORDINAL(717, ReadLayawayHeader);
BWPS_ORDINAL(718, CheckLayawayNotFinal);
BWPS_ORDINAL(719, BlankFillIfEmpty);
BWPS_ORDINAL(720, BothTextsEmpty);
BWPS_ORDINAL(721, FormatNumberText);
BWPS_ORDINAL(722, ShowNumberedTextWindow);
BWPS_ORDINAL(724, ChooseInvoiceKind);
