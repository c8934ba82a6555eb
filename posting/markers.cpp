// Deleted-transaction markers: the lines of a two-file document are
// removed, then its header is written with the caller's operation (3 keeps
// it as a "DELETED" marker, 4 removes it, 2 inserts it as given).

#include <cstring>

#include "bwps/accounts.h"
#include "bwps/ordinals.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

constexpr int kAssemblyHeaderSize = 70;
constexpr int kAssemblyLineSize = 72;
constexpr int kDocumentWidth = 11;
constexpr int kAssemblyDescription = 26;
constexpr int kAssemblyDeletedFlag = 50;

void Begin(TagPostingStatus* block, FileNo file, int operation)
{
    if (block == nullptr)
        return;
    block->FileNumber = No(file);
    block->Operation = operation;
}
void SetKey(TagPostingStatus* block, const void* key, std::size_t length)
{
    if (block == nullptr)
        return;
    std::memset(block->Key, 0, sizeof block->Key);
    std::memcpy(block->Key, key, length < sizeof block->Key ? length : sizeof block->Key);
}
int32_t Done(TagPostingStatus* block, int status)
{
    if (block != nullptr)
        block->Status = status;
    return status;
}
void Clear(TagPostingStatus* block)
{
    if (block != nullptr)
        std::memset(block, 0, sizeof *block);
}

bool SameDocument(const char* a, const char* b)
{
    return FieldText(a, kDocumentWidth) == FieldText(b, kDocumentWidth);
}
bool SameTransaction(const char* journalA, const char* numberA, const char* journalB,
                     const char* numberB)
{
    return FieldText(journalA, LEDGER_JOURNAL_WIDTH) == FieldText(journalB, LEDGER_JOURNAL_WIDTH) &&
           FieldText(numberA, LEDGER_NUMBER_WIDTH) == FieldText(numberB, LEDGER_NUMBER_WIDTH);
}

KeyBuffer LedgerKeyOf(const char* journal, const char* number)
{
    TagLedgerKey key{};
    JournalKey(key.JournalCode, journal);
    CopyText(key.TranNo, sizeof key.TranNo, number);
    KeyBuffer buffer;
    buffer.Set(key);
    return buffer;
}

}  // namespace

extern "C" {

int32_t ClearDeletedMarkers(uint16_t lines, const char* document, TagPostingStatus* block)
{
    Clear(block);
    Begin(block, FileNo::AssemblyDetail, B_GET_GE);
    if (document == nullptr)
        return Done(block, B_INVALID_OPERATION);
    Table table;
    table.Borrow(FileNo::AssemblyDetail, lines);
    KeyBuffer key;
    std::memcpy(key.bytes, document, kDocumentWidth);
    unsigned char line[kAssemblyLineSize] = {};
    Status s = table.Get(B_GET_GE, key.bytes, line, kAssemblyLineSize);
    while (s.Ok() && SameDocument(reinterpret_cast<char*>(line), document)) {
        s = table.Delete();
        if (!s.Ok()) {
            Begin(block, FileNo::AssemblyDetail, B_DELETE);
            break;
        }
        Begin(block, FileNo::AssemblyDetail, B_GET_NEXT);
        s = table.Get(B_GET_NEXT, key.bytes, line, kAssemblyLineSize);
    }
    if (!s.Ok())
        SetKey(block, line, kAssemblyLineSize);
    return Done(block, s.status);
}

int32_t WriteDeletedMarker(int16_t operation, uint16_t headers, uint16_t lines, void* header,
                           TagPostingStatus* block)
{
    if (header == nullptr)
        return Done(block, B_INVALID_OPERATION);
    char* record = static_cast<char*>(header);
    const int32_t walk = ClearDeletedMarkers(lines, record, block);
    if (walk != 0 && walk != B_KEY_NOT_FOUND && walk != B_END_OF_FILE)
        return walk;
    if (operation == B_UPDATE) {
        CopyText(record + kAssemblyDescription, 11, LEDGER_DELETED_TEXT);
        record[kAssemblyDeletedFlag] = 'Y';
    }
    Begin(block, FileNo::AssemblyHeader, operation);
    SetKey(block, record, kDocumentWidth);
    Table table;
    table.Borrow(FileNo::AssemblyHeader, headers);
    return Done(block, table.Write(operation, record, kAssemblyHeaderSize).status);
}

int32_t FindDeletedMarker(uint16_t handle, const char* document, void* record,
                          TagPostingStatus* block)
{
    Clear(block);
    Begin(block, FileNo::AssemblyHeader, B_GET_EQUAL);
    if (document == nullptr || record == nullptr)
        return Done(block, B_INVALID_OPERATION);
    SetKey(block, document, kDocumentWidth);
    Table table;
    table.Borrow(FileNo::AssemblyHeader, handle);
    KeyBuffer key;
    std::memcpy(key.bytes, document, kDocumentWidth);
    return Done(block, table.Get(B_GET_EQUAL, key.bytes, record, kAssemblyHeaderSize).status);
}

int32_t FindNextDeletedMarker(uint16_t handle, const char* document, void* record,
                              TagPostingStatus* block)
{
    Clear(block);
    Begin(block, FileNo::AssemblyDetail, B_GET_GE);
    if (document == nullptr || record == nullptr)
        return Done(block, B_INVALID_OPERATION);
    Table table;
    table.Borrow(FileNo::AssemblyDetail, handle);
    KeyBuffer key;
    std::memcpy(key.bytes, document, kDocumentWidth);
    Status s = table.Get(B_GET_GE, key.bytes, record, kAssemblyLineSize);
    if (s.Ok() && !SameDocument(static_cast<char*>(record), document))
        return Done(block, B_KEY_NOT_FOUND);
    return Done(block, s.status);
}

int32_t ClearDeletedMarkersByNumber(uint16_t lines, const char* journal, const char* number,
                                    TagPostingStatus* block)
{
    Clear(block);
    if (journal == nullptr || number == nullptr)
        return Done(block, B_INVALID_OPERATION);
    Table table;
    table.Borrow(FileNo::LedgerDetail, lines);
    table.SetKey(0);
    Begin(block, FileNo::LedgerDetail, B_GET_GE);
    KeyBuffer key = LedgerKeyOf(journal, number);
    SetKey(block, key.bytes, LEDGER_KEY_WIDTH);
    const TagLedgerKey wanted = key.As<TagLedgerKey>();
    TagLedgerDetail line{};
    Status s = table.Get(B_GET_GE, key, line);
    while (s.Ok() &&
           SameTransaction(line.JournalCode, line.TranNo, wanted.JournalCode, wanted.TranNo)) {
        s = table.Delete();
        if (!s.Ok()) {
            Begin(block, FileNo::LedgerDetail, B_DELETE);
            break;
        }
        Begin(block, FileNo::LedgerDetail, B_GET_NEXT);
        s = table.Get(B_GET_NEXT, key, line);
    }
    if (!s.Ok())
        SetKey(block, &line, LEDGER_KEY_WIDTH);
    return Done(block, s.status);
}

int32_t WriteDeletedGLMarker(int16_t operation, uint16_t headers, uint16_t lines,
                             TagGLHeader* header, TagPostingStatus* block)
{
    if (header == nullptr)
        return Done(block, B_INVALID_OPERATION);
    const int32_t walk =
        ClearDeletedMarkersByNumber(lines, header->JournalCode, header->TranNo, block);
    if (walk != 0 && walk != B_KEY_NOT_FOUND && walk != B_END_OF_FILE)
        return walk;
    if (operation == B_UPDATE) {
        CopyText(header->Reference, LEDGER_DELETED_TEXT);
        header->Deleted = 'Y';
    }
    Begin(block, FileNo::LedgerHeader, operation);
    SetKey(block, header, LEDGER_KEY_WIDTH);
    Table table;
    table.Borrow(FileNo::LedgerHeader, headers);
    return Done(block, table.Write(operation, header, sizeof *header).status);
}

int32_t FindDeletedMarkerByNumber(uint16_t handle, const char* journal, const char* number,
                                  void* record, TagPostingStatus* block)
{
    Clear(block);
    Begin(block, FileNo::LedgerHeader, B_GET_EQUAL);
    if (journal == nullptr || number == nullptr || record == nullptr)
        return Done(block, B_INVALID_OPERATION);
    KeyBuffer key = LedgerKeyOf(journal, number);
    SetKey(block, key.bytes, LEDGER_KEY_WIDTH);
    Table table;
    table.Borrow(FileNo::LedgerHeader, handle);
    return Done(block,
                table.Get(B_GET_EQUAL, key.bytes, record, sizeof(TagGLHeader)).status);
}

int32_t FindNextDeletedMarkerByNumber(uint16_t handle, const char* journal, const char* number,
                                      void* record, TagPostingStatus* block)
{
    Clear(block);
    Begin(block, FileNo::LedgerDetail, B_GET_GE);
    if (journal == nullptr || number == nullptr || record == nullptr)
        return Done(block, B_INVALID_OPERATION);
    KeyBuffer key = LedgerKeyOf(journal, number);
    const TagLedgerKey wanted = key.As<TagLedgerKey>();
    Table table;
    table.Borrow(FileNo::LedgerDetail, handle);
    Status s = table.Get(B_GET_GE, key.bytes, record, sizeof(TagLedgerDetail));
    const auto* line = static_cast<const TagLedgerDetail*>(record);
    if (s.Ok() &&
        !SameTransaction(line->JournalCode, line->TranNo, wanted.JournalCode, wanted.TranNo))
        return Done(block, B_KEY_NOT_FOUND);
    return Done(block, s.status);
}

}  // extern "C"
