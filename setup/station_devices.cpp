// Station devices (the cash-drawer file, the customer display port) and the
// register detail source: the lines of one sale, read either from the
// sales-detail file BPOSINDT.DB or from the register's own flat file.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/stations.h"
#include "fx.h"
#include "recman.h"
#include "session/catalogue_internal.h"
#include "bwps/files.h"
#include "bwps/records/sales.h"
#include "bwps/table.h"

using bwps::FileNo;
using bwps::No;

namespace {

using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kLineLength = sizeof(TagSalesDetail);
constexpr int kRegisterNameLength = sizeof(RegisterRecord::Name);

// The sales header of a caller's buffer.
TagSalesHdr HeaderOf(const void* salesHeader)
{
    TagSalesHdr header;
    std::memcpy(&header, salesHeader, sizeof header);
    return header;
}

// The register's name: "REG" and the number.
std::string RegisterName(int registerNumber)
{
    char prefix[16] = {};
    GetDefaultRegisterPrefix(prefix);
    char name[32];
    std::snprintf(name, sizeof name, "%s%d", prefix, registerNumber);
    FxTrimText(5, name);
    return name;
}

// Enters the register in BPOSREGS.DB when it is not there yet.
void EnterRegister(int registerNumber)
{
    Table registers;
    Status s = registers.Open(FileNo::Registers);
    if (!s.Ok())
        return s.Report();
    RegisterRecord record{};
    KeyBuffer key;
    const std::string name = RegisterName(registerNumber);
    std::memset(key.bytes, ' ', kRegisterNameLength);
    for (std::size_t i = 0; i < name.size() && i < kRegisterNameLength; ++i)
        key.bytes[i] = static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(name[i])));
    s = registers.Get(B_GET_EQUAL, key, record);
    if (s.Is(B_KEY_NOT_FOUND)) {
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.Name, key.bytes, kRegisterNameLength);
        s = registers.Insert(record, &key);
        if (s.Is(B_DUPLICATE_KEY))
            return;
    }
    s.Report();
}

// A line of the register file. The end of the file after a whole line is
// the end of the lines; a file that ends inside a line, or before the first
// line its sale points at, is cut short: an I/O error, never an end.
int ReadRegisterLine(InvDetailSource* source, short op)
{
    if (source->fd < 0)
        return B_FILE_NOT_OPEN;
    const int base = op % 100;
    const bool first = base == B_GET_EQUAL || base == B_GET_GE;
    if (first) {
        const int32_t offset = HeaderOf(source->header).FirstLineOffset;
        if (offset < 0 || FxFileSeek(source->fd, offset, 0) < 0)
            return B_IO_ERROR;
    }
    int got = 0;
    if (FxFileRead(source->fd, source->line, kLineLength, &got) != 0)
        return B_IO_ERROR;
    if (got == kLineLength)
        return B_OK;
    return got == 0 && !first ? B_END_OF_FILE : B_IO_ERROR;
}

int ReadDataFileLine(InvDetailSource* source, short op, bool report)
{
    char key[255] = {};
    const TagSalesHdr header = HeaderOf(source->header);
    std::memcpy(key, header.InvoiceNo, strnlen(header.InvoiceNo, sizeof header.InvoiceNo));
    const int status = BtrGet(op, static_cast<uint16_t>(source->handle), key, source->line, 0);
    if (report && status != 0 && status != B_END_OF_FILE)
        Status{status, op % 100, FileNo::SalesDetail}.Report();
    return status;
}

}  // namespace

extern "C" {

// ---- cash-drawer file ----

BWPS_EXPORT int CreateStationFiles(void)
{
    char path[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(path, GetBasePath(), GetDataFileName(No(FileNo::CashRegisters)));
    if (FileExistsAt(path))
        return 1;

    int status = bwps::catalogue::CreateFromKeyFile(No(FileNo::CashRegisters), GetBasePath());
    if (status != 0)
        return 0;

    Table drawers;
    Status s = drawers.OpenPath(FileNo::CashRegisters, path);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    CashRegisterRecord seed;
    std::memset(&seed, 0, sizeof seed);
    seed.registerNumber = 1;
    seed.drawerPort = 0;
    seed.drawerCodes[0] = 7;
    ClearDeviceSettings(&seed.display);
    KeyBuffer key;
    s = drawers.Insert(seed, &key);
    s.Report();
    return s.Ok() ? 1 : 0;
}

// ---- device settings and ports ----

BWPS_EXPORT int ClearDeviceSettings(DeviceSettings* settings)
{
    std::memset(settings, 0, sizeof *settings);
    settings->portCode = 1;
    settings->speedCode = 0xE0;
    settings->dataBits = 3;
    settings->stopBits = 0;
    settings->parity = 0;
    settings->flag = 'N';
    settings->initCodes[0] = 31;
    settings->secondCodes[0] = 19;
    settings->thirdCodes[0] = 20;
    settings->cursorCommand = 16;
    return 0;
}

BWPS_EXPORT int MapPortCode(int portCode, int* serial)
{
    int index = -1;
    bool isSerial = false;
    if (portCode >= 2 && portCode <= 4) {
        index = portCode - 2;
    } else if (portCode >= 5 && portCode <= 7) {
        index = portCode - 5;
        isSerial = true;
    }
    if (serial != nullptr)
        *serial = isSerial ? 1 : 0;
    return index;
}

BWPS_EXPORT int DeviceSerialInitByte(const DeviceSettings* settings)
{
    return (settings->speedCode | settings->dataBits | settings->stopBits | settings->parity) & 0xFF;
}

BWPS_EXPORT int DeviceDisplayPosition(int row, int column)
{
    return (row - 1) * 20 + column - 1;
}

BWPS_EXPORT int OpenDevicePort(DeviceSettings* settings)
{
    if (settings->portCode == 1)
        return 1;
    int serial = 0;
    const int index = MapPortCode(settings->portCode, &serial);
    if (index < 0) {
        settings->portCode = 1;
        return 1;
    }
    if (!serial) {
        if (!FxParallelReady(index)) {
            settings->portCode = 1;
            ShowMessage(539, 1);
            return 0;
        }
        return 1;
    }
    if (FxSerialOpen(index, DeviceSerialInitByte(settings)) != 0 ||
        FxSerialWrite(index, reinterpret_cast<const char*>(settings->initCodes),
                      sizeof settings->initCodes) != 0) {
        settings->portCode = 1;
        ShowMessage(423, 1);
        return 0;
    }
    return 1;
}

BWPS_EXPORT int CloseDevicePort(DeviceSettings* settings)
{
    if (settings->portCode == 1)
        return 1;
    int serial = 0;
    const int index = MapPortCode(settings->portCode, &serial);
    // A parallel port holds no open handle between writes (each write
    // opens and closes its own), so only a serial port is closed here.
    if (index < 0)
        settings->portCode = 1;
    else if (serial)
        FxSerialClose(index);
    return 1;
}

BWPS_EXPORT int StationDevicePortIo(DeviceSettings* settings, int row, int column, const char* text)
{
    int serial = 0;
    const int index = MapPortCode(settings->portCode, &serial);
    if (index < 0)
        return 1;
    const int position = DeviceDisplayPosition(row, column);
    const int length = text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
    if (!serial) {
        int handle = -1;
        if (FxParallelOpen(1, index, &handle, 0) != 0)
            return 0;
        if (!FxParallelReady(index)) {
            FxFileClose(handle);
            return 0;
        }
        const int32_t block[3] = {settings->cursorCommand, position, 0};
        FxParallelControl(index, 5, block, 0);
        int written = 0;
        if (length > 0)
            FxFileWrite(handle, text, length, &written);
        FxFileClose(handle);
        return written == length;
    }
    // Serial: the positioning command and the position, one byte each,
    // ahead of the text.
    const char command[2] = {static_cast<char>(settings->cursorCommand),
                             static_cast<char>(position)};
    if (FxSerialWrite(index, command, sizeof command) != 0)
        return 0;
    return length == 0 || FxSerialWrite(index, text, length) == 0;
}

BWPS_EXPORT int ConfigureDevicePort(DeviceSettings* settings, const char* text1, const char* text2)
{
    int serial = 0;
    const int index = MapPortCode(settings->portCode, &serial);
    if (index < 0)
        return 1;
    int handle = -1;
    if (!serial) {
        if (FxParallelOpen(1, index, &handle, 0) != 0)
            return 0;
        if (!FxParallelReady(index)) {
            FxFileClose(handle);
            return 0;
        }
        // The port takes a three-word command block: the ten bytes of the
        // sequence as stored, zero-padded.
        int32_t block[3] = {};
        std::memcpy(block, settings->initCodes, sizeof settings->initCodes);
        FxParallelControl(index, 5, block, 0);
    } else if (FxSerialWrite(index, reinterpret_cast<const char*>(settings->initCodes),
                             sizeof settings->initCodes) != 0) {
        return 0;
    }
    auto send = [&](const char* bytes, int length) {
        if (length == 0)
            return true;
        if (!serial) {
            int written = 0;
            return FxFileWrite(handle, bytes, length, &written) == 0 && written == length;
        }
        return FxSerialWrite(index, bytes, length) == 0;
    };
    bool ok = true;
    if (text1 != nullptr) {
        ok = send(text1, static_cast<int>(std::strlen(text1))) && send("\n\r", 2);
    }
    if (ok && text2 != nullptr) {
        char line[256] = {};
        std::strncpy(line, text2, sizeof line - 1);
        FxTrimText(4, line);
        ok = send(line, static_cast<int>(std::strlen(line)));
    }
    if (!serial)
        FxFileClose(handle);
    return ok ? 1 : 0;
}

// ---- register detail source ----

BWPS_EXPORT int InvDetailUsesRegisterFile(const void* salesHeader)
{
    const TagSalesHdr header = HeaderOf(salesHeader);
    return (header.Flags & SALES_LINES_IN_DATA_FILE) == 0 && header.FirstLineOffset >= 0 ? 1 : 0;
}

BWPS_EXPORT int IsRegisterFileMode(const void* salesHeader)
{
    return InvDetailUsesRegisterFile(salesHeader) == 1;
}

BWPS_EXPORT char* BuildRegisterDetailPath(int registerNumber, char* out)
{
    const std::string name = RegisterName(registerNumber) + ".db";
    JoinCompanyFilePath(out, GetFilesPath(), name.c_str());
    return out;
}

BWPS_EXPORT int OpenRegisterDetailFile(int registerNumber, int* fd, int create)
{
    char path[FOLDER_BUFFER_SIZE];
    BuildRegisterDetailPath(registerNumber, path);
    if (FxFileOpen(path, 0x8002, 0x180, 0, fd) == 0)
        return 1;
    *fd = -1;
    if (create)
        EnterRegister(registerNumber);
    return 0;
}

BWPS_EXPORT int OpenInvDetailSource(InvDetailSource* source)
{
    source->openCount = 0;
    source->mode = static_cast<int16_t>(InvDetailUsesRegisterFile(source->header));
    if (source->mode == 1 && source->fd < 0) {
        const int16_t number = HeaderOf(source->header).RegisterNumber;
        int fd = -1;
        if (!OpenRegisterDetailFile(number, &fd, 1))
            return 0;
        source->fd = fd;
        source->openCount += 2;
    }
    if (source->handle < 0) {
        Table lines;
        const Status s = lines.Open(FileNo::SalesDetail);
        if (!s.Ok()) {
            s.Report();
            return 0;
        }
        // The source keeps the handle; CloseInvDetailSource closes it.
        source->handle = static_cast<int16_t>(lines.Release());
        source->openCount += 1;
    }
    return 1;
}

BWPS_EXPORT int ReadInvDetailSource(InvDetailSource* source, short op)
{
    if (source->mode == 1)
        return ReadRegisterLine(source, op) == B_OK;
    return ReadDataFileLine(source, op, true) == B_OK;
}

BWPS_EXPORT int ReadInvDetailSourceAt(InvDetailSource* source, short op)
{
    if (source->mode == 1)
        return ReadRegisterLine(source, op);
    return ReadDataFileLine(source, op, false);
}

BWPS_EXPORT void CloseInvDetailSource(InvDetailSource* source)
{
    if (source->openCount == 0)
        return;
    if (source->mode == 1 && source->fd >= 0) {
        FxFileClose(source->fd);
        source->openCount -= 2;
    }
    if (source->openCount != 0 && source->handle >= 0) {
        BtrCloseFile(static_cast<uint16_t>(source->handle));
        source->openCount -= 1;
    }
}

}  // extern "C"

BWPS_ORDINAL(309, CreateStationFiles);
BWPS_ORDINAL(310, ClearDeviceSettings);
BWPS_ORDINAL(311, OpenDevicePort);
BWPS_ORDINAL(136, CloseDevicePort);
BWPS_ORDINAL(312, StationDevicePortIo);
BWPS_ORDINAL(313, ConfigureDevicePort);
BWPS_ORDINAL(314, InvDetailUsesRegisterFile);
BWPS_ORDINAL(863, IsRegisterFileMode);
BWPS_ORDINAL(315, OpenInvDetailSource);
BWPS_ORDINAL(316, ReadInvDetailSource);
BWPS_ORDINAL(862, ReadInvDetailSourceAt);
BWPS_ORDINAL(317, CloseInvDetailSource);
BWPS_ORDINAL(318, OpenRegisterDetailFile);
BWPS_ORDINAL(319, BuildRegisterDetailPath);
