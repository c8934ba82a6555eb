// The register detail files rewritten line by line in the current layout,
// and the serial numbers of the older release turned into movements.
//
// A register's file is rebuilt into "TEMPXXX" (emptied first) and renamed
// over the old file only when every line was written, so a file is always
// wholly old or wholly new. An older serial record is marked (bit 0x80 of
// its status byte) in the same record-manager transaction that writes its
// movement, and marked records are passed over: running a pass again makes
// no second movement.
#include "extensions/convert/convert.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/records/sales.h"
#include "bwps/serials.h"
#include "bwps/status_windows.h"
#include "bwps/table.h"
#include "extensions/convert/layouts.h"
#include "fx.h"
#include "recman.h"

using bwps::FileNo;
using bwps::No;
using bwps::Status;
using bwps::Table;
using namespace bwps1::convert;

namespace {

constexpr int kOldLine = 157;
constexpr int kNewLine = 182;
constexpr int kMovementLength = 69;
constexpr int kOlderSerialBuffer = 256;
constexpr int kOlderReleaseOfPos5 = 7;
constexpr int kMsgCannotOpen = 501;
constexpr int kMsgNotWritten = 503;
constexpr uint8_t kCarried = 0x80;
constexpr uint16_t kHeaderLeftAlone = 0x2;

// Older serial record.
constexpr size_t kSerialInvoice = 0;
constexpr size_t kSerialLine = 11;
constexpr size_t kSerialStatus = 64;
constexpr int kSerialKeyLength = 13;
constexpr size_t kSerialText28 = 28;

// The movement of an older serial record.
constexpr Move kMovement[] = {
    Text("serial number", 13, 0, 15),  Text("product code", 28, 15, 21),
    Text("invoice number", 0, 38, 11), Text("customer", 49, 49, 11),
    Bytes("date", 60, 61, 4),
};
static_assert(MovesFit(kMovement, 65, kMovementLength));

// Detail lines.
constexpr size_t kLineHasSerials = 171;
constexpr size_t kLineInvoice = 0;
constexpr int kInvoiceWidth = 11;

void BuildMovement(const uint8_t* serial, uint8_t* movement)
{
    std::memset(movement, 0, kMovementLength);
    ApplyAt(kMovement, serial, 0, movement, 0);
    const bool status = serial[kSerialStatus] != 0;
    movement[36] = 'B';
    movement[37] = status ? 'R' : 'I';
    movement[60] = status ? 'A' : 'R';
    Put32(movement, 65, -1);
}

// The serial services write the movement and keep its unit in step.
bool AddMovement(uint16_t movements, uint16_t units, const uint8_t* bytes, void* line)
{
    static_assert(sizeof(TagSerialMovement) == kMovementLength);
    TagSerialMovement movement;
    std::memcpy(&movement, bytes, sizeof movement);
    return AddSerialMovement(movements, units, &movement, line) == 1;
}

std::string OlderSerialPath(int olderRelease)
{
    const char* path = olderRelease == kOlderReleaseOfPos5 ? GetRelease5FilePath(No(FileNo::SerialNumbers))
                                                           : GetRelease1FilePath(No(FileNo::SerialNumbers));
    return path ? path : "";
}

struct SerialFiles {
    Table units;
    Table movements;
    Table older;
    bool Open(int olderRelease)
    {
        Status s = units.Open(FileNo::SerialNumbers);
        if (s.Ok()) s = movements.Open(FileNo::SerialDetail);
        if (s.Ok()) s = older.OpenPath(FileNo::SerialNumbers, OlderSerialPath(olderRelease).c_str());
        if (!s.Ok()) {
            s.Report();
            return false;
        }
        return true;
    }
};

// Marks the current older record and writes its movement, both or neither.
bool CarryOver(SerialFiles& f, uint8_t* serial, int length, void* line)
{
    uint8_t movement[kMovementLength + 1] = {};
    BuildMovement(serial, movement);
    bwps::WriteBatch batch;
    if (!batch.Begun().Ok()) {
        batch.Begun().Report();
        return false;
    }
    serial[kSerialStatus] |= kCarried;
    const Status marked = f.older.Write(B_UPDATE, serial, length);
    if (!marked.Ok()) {
        marked.Report();
        return false;
    }
    if (!AddMovement(f.movements.Handle(), f.units.Handle(), movement, line))
        return false;
    const Status committed = batch.Commit();
    committed.Report();
    return committed.Ok();
}

std::string Trimmed(const char* text, size_t width)
{
    std::string s(text, strnlen(text, width));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// One register's file into the temporary file; false on a failure (shown).
bool RebuildRegisterFile(int file, int temporary, int registerNumber, Table& headers, int olderRelease)
{
    int32_t position = FxFileTell(temporary);
    std::string previous;
    uint8_t old[kOldLine];
    uint8_t line[kNewLine];
    for (;;) {
        int count = 0;
        std::memset(old, 0, sizeof old);
        if (FxFileRead(file, old, kOldLine, &count) != 0 || count < kOldLine) break;
        ConvertRecordLayout25(line, old);
        char shown[kInvoiceWidth + 1] = {};
        std::memcpy(shown, line + kLineInvoice, kInvoiceWidth);
        AddStatusLine(1, -1, shown);
        if (!CopyDataFileToNewLayout34(line, olderRelease)) return false;
        int written = 0;
        if (FxFileWrite(temporary, line, kNewLine, &written) != 0 || written != kNewLine) {
            ShowMessage(kMsgNotWritten, 1);
            return false;
        }
        const std::string invoice = Trimmed(shown, kInvoiceWidth);
        if (invoice != previous) {
            previous = invoice;
            bwps::KeyBuffer key;
            std::memcpy(key.bytes, line + kLineInvoice, kInvoiceWidth);
            TagSalesHdr header{};
            Status s = headers.Get(B_GET_EQUAL, key, header);
            if (!s.Ok() && !s.Is(B_KEY_NOT_FOUND)) {
                s.Report();
                return false;
            }
            if (s.Ok() && (header.Flags & kHeaderLeftAlone) == 0 &&
                header.RegisterNumber == registerNumber) {
                header.FirstLineOffset = position;
                s = headers.Update(header);
                if (!s.Ok()) {
                    s.Report();
                    return false;
                }
            }
        }
        position = FxFileTell(temporary);
    }
    return true;
}

}  // namespace

BWPS1_API int CopyDataFileToNewLayout34(const void* lineRecord, int olderRelease)
{
    const auto* line = static_cast<const uint8_t*>(lineRecord);
    if (line[kLineHasSerials] == 'N') return 1;
    SerialFiles f;
    if (!f.Open(olderRelease)) return 0;
    uint8_t serial[kOlderSerialBuffer] = {};
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, line + kLineInvoice, kSerialKeyLength);
    Status s = f.older.Get(B_GET_GE, key.bytes, serial, kOlderSerialBuffer);
    while (s.Ok() && std::memcmp(serial, line + kLineInvoice, kSerialKeyLength) == 0) {
        const int length = f.older.BytesRead();
        if ((serial[kSerialStatus] & kCarried) == 0 &&
            !CarryOver(f, serial, length, const_cast<uint8_t*>(line)))
            return 0;
        s = f.older.Get(B_GET_NEXT, key.bytes, serial, kOlderSerialBuffer);
    }
    if (!s.Ok() && !s.NotFound()) {
        s.Report();
        return 0;
    }
    return 1;
}

BWPS1_API int CopyDataFileToNewLayout35(void* window, int olderRelease, int deleteOld)
{
    {
        SerialFiles f;
        if (!f.Open(olderRelease)) return 0;
        uint8_t serial[kOlderSerialBuffer] = {};
        bwps::KeyBuffer key;
        Status s = f.older.Get(B_GET_FIRST, key.bytes, serial, kOlderSerialBuffer);
        for (; s.Ok(); s = f.older.Get(B_GET_NEXT, key.bytes, serial, kOlderSerialBuffer)) {
            char text[24] = {};
            std::memcpy(text, serial + kSerialText28, 21);
            if (window) FxWindowText(static_cast<FxWindow*>(window), 8, 43, -1, text, 0);
            if ((serial[kSerialStatus] & kCarried) != 0) continue;
            if (!CarryOver(f, serial, f.older.BytesRead(), nullptr)) return 0;
        }
        if (!s.NotFound()) {
            s.Report();
            return 0;
        }
    }
    if (deleteOld) {
        const std::string path = OlderSerialPath(olderRelease);
        for (const char* extra : {"", "-wal", "-shm"}) FxFileDelete((path + extra).c_str());
    }
    return 1;
}

BWPS1_API int RebuildFileThroughTemp(int /*unused*/, int olderRelease)
{
    Table headers, registers;
    Status s = headers.Open(FileNo::SalesHeader);
    if (s.Ok()) s = registers.Open(FileNo::Registers);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    char folder[FOLDER_BUFFER_SIZE] = {};
    std::snprintf(folder, sizeof folder, "%s", GetFilesPath());
    NormaliseFolder(folder);
    const std::string temporary = std::string(folder) + "TEMPXXX";
    char prefix[8] = {};
    GetDefaultRegisterPrefix(prefix);

    bwps::KeyBuffer key;
    RegisterRecord record{};
    for (s = registers.Get(B_GET_FIRST, key, record); s.Ok(); s = registers.Get(B_GET_NEXT, key, record)) {
        char name[sizeof record.Name + 1] = {};
        std::memcpy(name, record.Name, sizeof record.Name);
        FxTrimText(5, name);
        const std::string path = std::string(folder) + name + ".db";
        if (!FileExistsAt(path.c_str())) continue;
        const int number = std::strncmp(name, prefix, std::strlen(prefix)) == 0
                               ? std::atoi(name + std::strlen(prefix))
                               : 0;
        int file = -1, temp = -1;
        if (FxFileOpen(path.c_str(), 2, 0, 0, &file) != 0) {
            ShowMessage(kMsgCannotOpen, 1);
            return 0;
        }
        if (FxFileOpen(temporary.c_str(), 2 | 0x100 | 0x200, 0600, 0, &temp) != 0) {
            ShowMessage(kMsgCannotOpen, 1);
            FxFileClose(file);
            return 0;
        }
        const bool rebuilt = RebuildRegisterFile(file, temp, number, headers, olderRelease);
        FxFileClose(file);
        FxFileClose(temp);
        if (!rebuilt) return 0;
        if (FxFileRename(temporary.c_str(), path.c_str()) != 0) return 0;
    }
    return s.Ok() || s.NotFound() ? 1 : 0;
}
