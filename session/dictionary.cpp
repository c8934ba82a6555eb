// The column dictionary WBWPOCOL.DB: column definitions, picture masks,
// padding of text columns and supplemental indexes over columns.
#include "bwps/files.h"
#include "bwps/dictionary.h"

#include <strings.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;

constexpr int kKeyByNumber = 0;
constexpr int kKeyByName = 1;
constexpr int kIndexOperation = 23;  // reported for a failed index creation

#pragma pack(push, 1)
struct NumberKey {
    char table[12];
    int16_t number;
};
struct NameKey {
    char table[12];
    char column[16];
};
#pragma pack(pop)

void Pad(char* out, const char* text, size_t width)
{
    std::memset(out, ' ', width);
    if (text != nullptr) {
        size_t n = strnlen(text, width);
        while (n > 0 && text[n - 1] == ' ')
            --n;
        std::memcpy(out, text, n);
    }
}

NumberKey KeyOf(const char* table, int number)
{
    NumberKey key{};
    Pad(key.table, table, sizeof key.table);
    key.number = static_cast<int16_t>(number);
    return key;
}

int ReadByNumber(uint16_t handle, const char* table, int number, TagDictionaryRecord& record)
{
    NumberKey key = KeyOf(table, number);
    char keyBuffer[256] = {};
    std::memcpy(keyBuffer, &key, sizeof key);
    std::memset(&record, 0, sizeof record);
    return BtrGet(B_GET_EQUAL, handle, keyBuffer, &record, DICTIONARY_RECORD_SIZE);
}

void ReportDictionary(int status, int operation)
{
    ReportRecordManagerError(status, 1, operation, bwps::No(bwps::FileNo::DictionaryColumns), 0);
}

// The picture's display width after trimming its trailing blanks.
int PictureWidth(const char* picture)
{
    char work[20] = {};
    std::snprintf(work, sizeof work, "%s", picture);
    FxTrimText(5, work);
    return FxPictureWidth(work);
}

// Segments of the listed columns into block; the status of the reads.
int AppendSegments(int fileNumber, const std::vector<int>& columns, std::vector<uint8_t>& block)
{
    uint16_t dictionary = 0;
    int status = OpenColumnDictionary(&dictionary);
    if (status != 0)
        return status;
    char table[13];
    DataFileTableName(fileNumber, table);
    std::vector<TagKeySegment> segments;
    int alternate = 0;
    for (int number : columns) {
        TagColumnInfo column{};
        status = GetColumnDefinition(dictionary, number, table, &column);
        if (status != 0) {
            BtrCloseFile(dictionary);
            return status;
        }
        TagKeySegment segment{};
        ColumnToKeySegment(&segment, &column, &alternate);
        if (!segments.empty())
            segments.back().Flags |= KF_SEGMENTED;
        segments.push_back(segment);
    }
    BtrCloseFile(dictionary);
    block.resize(segments.size() * sizeof(TagKeySegment));
    if (!segments.empty())
        std::memcpy(block.data(), segments.data(), block.size());
    if (alternate) {
        uint8_t collating[RECMAN_COLLATE_SIZE];
        BtrGetAltCollating(collating);
        block.insert(block.end(), collating, collating + sizeof collating);
    }
    return 0;
}

int CreateIndex(int fileNumber, uint16_t handle, const std::vector<int>& columns)
{
    std::vector<uint8_t> block;
    int status = AppendSegments(fileNumber, columns, block);
    if (status != 0)
        return status;
    if (block.empty())
        return B_INVALID_KEY_COUNT;
    status = BtrCreateSupIndex(handle, static_cast<int>(block.size()), block.data());
    if (status != 0)
        ReportRecordManagerError(status, 1, kIndexOperation, fileNumber, 0);
    return status;
}

}  // namespace

extern "C" {

int OpenColumnDictionary(uint16_t* handle)
{
    *handle = 0;
    const int status = BtrOpenFile(handle, GetDataFilePath(bwps::No(bwps::FileNo::DictionaryColumns)), 0, 0);
    if (status != 0) {
        *handle = 0;
        ReportDictionary(status, OPEN_OPERATION);
    }
    return status;
}

int GetColumnDefinition(uint16_t handle, int number, const char* table, TagColumnInfo* out)
{
    std::memset(out, 0, sizeof *out);
    TagDictionaryRecord record;
    BtrSetDefaults(handle, kKeyByNumber, -1);
    const int status = ReadByNumber(handle, table, number, record);
    if (status != 0) {
        ReportDictionary(status, B_GET_EQUAL);
        return status;
    }
    UnpackColumnRecord(&record, out);
    return 0;
}

int GetColumnDefinitions(const char* fileName, int size, TagColumnDefinition* out, ...)
{
    std::vector<int> numbers;
    va_list args;
    va_start(args, out);
    for (;;) {
        const int n = va_arg(args, int);
        if (n == 0 || n == -1)
            break;
        numbers.push_back(n);
    }
    va_end(args);

    char table[13];
    std::string name = fileName != nullptr ? fileName : "";
    if (name.size() < 4 || strncasecmp(name.c_str(), "TEMP", 4) != 0) {
        const char* accounting = MapToAccountingFileName(name.c_str());
        if (accounting != nullptr)
            name = accounting;
    }
    FileToDictTableName(name.c_str(), table);

    const int capacity = size / static_cast<int>(sizeof(TagColumnDefinition)) - 1;
    uint16_t dictionary = 0;
    int status = OpenColumnDictionary(&dictionary);
    if (status != 0)
        return status;
    int used = 0;
    for (int number : numbers) {
        if (used >= capacity) {
            FxBeep();
            BtrCloseFile(dictionary);
            return -1;
        }
        TagDictionaryRecord record;
        status = ReadByNumber(dictionary, table, number, record);
        if (status != 0) {
            ReportDictionary(status, B_GET_EQUAL);
            BtrCloseFile(dictionary);
            return status;
        }
        TagColumnInfo column;
        UnpackColumnRecord(&record, &column);
        TagColumnDefinition& d = out[used++];
        std::memset(&d, 0, sizeof d);
        std::memcpy(d.Caption, column.Caption, sizeof d.Caption);
        std::snprintf(d.Picture, sizeof d.Picture, "%s", column.Picture);
        d.Kind = column.Kind;
        d.Offset = column.Offset;
        d.Decimals = column.Decimals;
        std::memcpy(d.TableName, record.TableName, sizeof d.TableName);
        std::snprintf(d.ColumnName, sizeof d.ColumnName, "%s", column.Name);
    }
    BtrCloseFile(dictionary);
    return 0;
}

int CreateSupplementalIndex(int fileNumber, uint16_t handle, int c1, int c2, int c3)
{
    std::vector<int> columns;
    for (int c : {c1, c2, c3})
        if (c != -1)
            columns.push_back(c);
    return CreateIndex(fileNumber, handle, columns);
}

int BuildSupplementalIndex(int fileNumber, uint16_t handle, ...)
{
    std::vector<int> columns;
    va_list args;
    va_start(args, handle);
    for (;;) {
        const int n = va_arg(args, int);
        if (n < 1)
            break;
        columns.push_back(n);
    }
    va_end(args);
    return CreateIndex(fileNumber, handle, columns);
}

int ReadByDictionaryKey(uint16_t handle, const char* table, const char* column, TagColumnInfo* out)
{
    std::memset(out, 0, sizeof *out);
    int savedKey = 0, second = 0;
    BtrGetDefaults(handle, &savedKey, &second);
    BtrSetDefaults(handle, kKeyByName, -1);
    NameKey key{};
    Pad(key.table, table, sizeof key.table);
    Pad(key.column, column, sizeof key.column);
    char keyBuffer[256] = {};
    std::memcpy(keyBuffer, &key, sizeof key);
    TagDictionaryRecord record{};
    const int status = BtrGet(B_GET_EQUAL, handle, keyBuffer, &record, DICTIONARY_RECORD_SIZE);
    if (status == 0)
        UnpackColumnRecord(&record, out);
    else
        ReportDictionary(status, B_GET_EQUAL);
    BtrSetDefaults(handle, savedKey, -1);
    return status;
}

int ReadColumnRecord(int operation, uint16_t handle, void* key, TagColumnInfo* out)
{
    TagDictionaryRecord record{};
    const int status = BtrGet(operation, handle, key, &record, DICTIONARY_RECORD_SIZE);
    if (status != 0) {
        std::memset(out, 0, sizeof *out);
        return status;
    }
    UnpackColumnRecord(&record, out);
    return 0;
}

int CountFileColumns(int fileNumber)
{
    bwps::Table data;
    if (!data.Open(static_cast<FileNo>(fileNumber)).Ok())
        return 0;
    const int length = GetDataFileRecordLength(fileNumber);
    data.Close();
    uint16_t dictionary = 0;
    if (BtrOpenFile(&dictionary, GetDataFilePath(bwps::No(bwps::FileNo::DictionaryColumns)), 0, 0) != 0)
        return 0;
    char table[13];
    DataFileTableName(fileNumber, table);
    NumberKey key = KeyOf(table, 0);
    char keyBuffer[256] = {};
    std::memcpy(keyBuffer, &key, sizeof key);
    TagDictionaryRecord record{};
    int count = 0;
    for (int status = BtrGet(B_GET_GE, dictionary, keyBuffer, &record, DICTIONARY_RECORD_SIZE);
         status == 0 && std::memcmp(record.TableName, table, 12) == 0;
         status = BtrGet(B_GET_NEXT, dictionary, keyBuffer, &record, DICTIONARY_RECORD_SIZE)) {
        if (record.Offset < length)
            ++count;
    }
    BtrCloseFile(dictionary);
    return count;
}

int PadTextColumns(int fileNumber, void* record, int length)
{
    uint16_t dictionary = 0;
    if (BtrOpenFile(&dictionary, GetDataFilePath(bwps::No(bwps::FileNo::DictionaryColumns)), 0, 0) != 0)
        return 0;
    char table[13];
    DataFileTableName(fileNumber, table);
    int result = 1;
    for (int number = 1;; ++number) {
        TagDictionaryRecord column;
        const int status = ReadByNumber(dictionary, table, number, column);
        if (status == B_KEY_NOT_FOUND || status == B_END_OF_FILE)
            break;
        if (status != 0) {
            result = 0;
            break;
        }
        const int width = PictureWidth(column.Picture) + 1;
        if (column.Offset + width > length)
            break;
        if (column.Type == 6) {
            char* field = static_cast<char*>(record) + column.Offset;
            FxPadBlanks(field, width);
        }
    }
    BtrCloseFile(dictionary);
    return result;
}

int ColumnToKeySegment(TagKeySegment* segment, const TagColumnInfo* column, int* alternate)
{
    std::memset(segment, 0, sizeof *segment);
    segment->Flags = KF_DUPLICATES | KF_MODIFIABLE;
    segment->Position = static_cast<uint16_t>(column->Offset + 1);
    int length = 0;
    int type = -1;
    switch (column->Kind) {
    case COLUMN_CHAR: case COLUMN_BYTE: length = 1; break;
    case COLUMN_TEXT:
        length = PictureWidth(column->Picture) + 1;
        segment->Flags |= KF_ALT_COLLATE;
        if (alternate)
            *alternate = 1;
        break;
    case COLUMN_DATE: case COLUMN_TIME: length = 4; type = KT_INTEGER; break;
    case COLUMN_INT16: case COLUMN_UINT16: length = 2; type = KT_INTEGER; break;
    case COLUMN_INT32: case COLUMN_UINT32: length = 4; type = KT_INTEGER; break;
    case COLUMN_FLOAT: length = 4; type = KT_FLOAT; break;
    case COLUMN_DOUBLE: case COLUMN_AMOUNT: length = 8; type = KT_FLOAT; break;
    default: break;
    }
    segment->Length = static_cast<uint16_t>(length);
    if (type >= 0) {
        segment->Flags |= KF_EXTENDED;
        segment->Type = static_cast<uint8_t>(type);
        if (column->Flags & DICTIONARY_FLAG_DESCENDING)
            segment->Flags |= KF_DESCENDING;
    }
    return 0;
}

int GetColumnPictureMask(char* mask, const TagDictionaryRecord* record)
{
    switch (record->Type) {
    case 1: case 5: std::strcpy(mask, "C"); return 0;
    case 7: std::strcpy(mask, "(nnn) nnn-nnnn"); return 0;
    case 9: std::strcpy(mask, "ccccc-cccc"); return 0;
    case 15: std::strcpy(mask, "nn/nn/nn"); return 0;
    default: break;
    }
    char work[17] = {};
    std::memcpy(work, record->Picture, sizeof record->Picture);
    FxTrimText(4, work);
    std::strcpy(mask, work);
    return 0;
}

int TestLowBit(int, int value)
{
    return value & 1;
}

}  // extern "C"

BWPS_ORDINAL(35, OpenColumnDictionary);
BWPS_ORDINAL(36, GetColumnDefinition);
BWPS_ORDINAL(37, GetColumnDefinitions);
BWPS_ORDINAL(38, CreateSupplementalIndex);
BWPS_ORDINAL(408, GetColumnPictureMask);
BWPS_ORDINAL(570, PadTextColumns);
BWPS_ORDINAL(855, ColumnToKeySegment);
BWPS_ORDINAL(857, ReadColumnRecord);
BWPS_ORDINAL(858, TestLowBit);
BWPS_ORDINAL(866, CountFileColumns);
