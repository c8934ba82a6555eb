// The pick list over the data dictionary's columns of one table, and the
// account lookup over another company's (or the accounting company's)
// account file.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/accounts.h"
#include "bwps/records/dictionary.h"
#include "bwps/screen_utils.h"
#include "bwps/settings.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using namespace bwps::lookups;
using bwps::FileNo;

namespace {

// key 4 of the dictionary: the zero byte, the table name, the column name
constexpr int kColumnKey = 4;
constexpr size_t kTableAt = 1;
constexpr size_t kColumnAt = kTableAt + DICTIONARY_TABLE_SIZE;

char g_table[DICTIONARY_TABLE_SIZE + 1];
char g_column[DICTIONARY_COLUMN_NAME_SIZE + 1];

bool OfTable(const TagDictionaryRecord& r, bool flagToo)
{
    if (flagToo && r.Zero != 0)
        return false;
    return strncasecmp(r.TableName, g_table, DICTIONARY_TABLE_SIZE) == 0;
}

void TableKey(char* key, bool withColumn)
{
    std::memset(key, 0, 255);
    std::memcpy(key + kTableAt, g_table, DICTIONARY_TABLE_SIZE);
    if (withColumn)
        std::memcpy(key + kColumnAt, g_column, std::strlen(g_column));
}

int ReportedRead(int st, int operation, TagLookUpData* d)
{
    if (st != 0 && st != B_END_OF_FILE && st != B_KEY_NOT_FOUND)
        ReportRecordManagerError(st, 1, operation, d->FileId, 0);
    return st;
}

// Rows of the table only: a step out of them goes back and answers the
// end of the list.
int ColumnRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    TagDictionaryRecord r{};
    const int move = static_cast<int>(d->Move);
    int st;
    if (move == LK_MOVE_NEXT || move == LK_MOVE_PREVIOUS) {
        st = BtrGet(move, d->Handle, d->KeyBuffer, &r, sizeof r);
        if (st == 0 && OfTable(r, move == LK_MOVE_NEXT)) {
            std::memcpy(d->Record, &r, sizeof r);
            return 0;
        }
        if (st != 0 && st != B_END_OF_FILE)
            return ReportedRead(st, move, d);
        if (st == 0)
            BtrGet(move == LK_MOVE_NEXT ? B_GET_PREVIOUS : B_GET_NEXT, d->Handle, d->KeyBuffer, &r, sizeof r);
        return B_END_OF_FILE;
    }
    if (move != LK_MOVE_FIRST && move != LK_MOVE_LAST)
        return B_INVALID_OPERATION;
    char key[255];
    TableKey(key, false);
    if (move == LK_MOVE_LAST)
        key[DICTIONARY_TABLE_SIZE] = static_cast<char>(key[DICTIONARY_TABLE_SIZE] + 1);
    st = BtrGet(B_GET_GE, d->Handle, key, &r, sizeof r);
    if (move == LK_MOVE_LAST) {
        if (st == 0)
            st = BtrGet(B_GET_PREVIOUS, d->Handle, key, &r, sizeof r);
        else if (st == B_END_OF_FILE)
            st = BtrGet(B_GET_LAST, d->Handle, key, &r, sizeof r);
    }
    if (st != 0)
        return st == B_END_OF_FILE || st == B_KEY_NOT_FOUND ? B_END_OF_FILE : ReportedRead(st, B_GET_GE, d);
    if (!OfTable(r, true))
        return B_END_OF_FILE;
    std::memcpy(d->Record, &r, sizeof r);
    return 0;
}

// Search: the key as the list built it (the zero byte, the table, the
// typed text), the text in capitals as the dictionary keeps its names.
int ColumnSearch(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    char key[255] = {};
    std::memcpy(key, d->KeyBuffer, sizeof key);
    if (key[0] != '\0' || std::strncmp(key + kTableAt, g_table, DICTIONARY_TABLE_SIZE) != 0) {
        // a bare text: the key is built here
        const std::string text(d->KeyBuffer, strnlen(d->KeyBuffer, sizeof d->KeyBuffer));
        TableKey(key, false);
        std::memcpy(key + kColumnAt, text.data(), std::min(text.size(), sizeof key - kColumnAt - 1));
    }
    for (size_t i = kColumnAt; i < sizeof key; ++i)
        key[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(key[i])));
    TagDictionaryRecord r{};
    const int st = BtrGet(B_GET_GE, d->Handle, key, &r, sizeof r);
    if (st != 0) {
        ReportedRead(st, B_GET_GE, d);
        return LK_NOT_FOUND;
    }
    if (!OfTable(r, true))
        return LK_NOT_FOUND;
    std::memcpy(d->Record, &r, sizeof r);
    return LK_FOUND;
}

// Start mode -4: the list opens on the start column when the table has it.
int ColumnStart(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    char key[255];
    TableKey(key, true);
    TagDictionaryRecord r{};
    if (BtrGet(B_GET_GE, d->Handle, key, &r, sizeof r) == 0 && OfTable(r, true)) {
        std::memset(d->KeyBuffer, 0, sizeof d->KeyBuffer);
        std::memcpy(d->KeyBuffer, g_column, std::strlen(g_column));
        return LK_FOUND;
    }
    d->Move = LK_MOVE_FIRST;
    ColumnRow(l);
    return 1;
}

}  // namespace

int FlyColumns(const char* table, const char* startColumn, uint16_t handle, void* record, uint16_t row,
               uint16_t column, uint16_t height, uint16_t width)
{
    if (table == nullptr || handle == 0)
        return 0;
    std::snprintf(g_table, sizeof g_table, "%s", table);
    FxPadBlanks(g_table, sizeof g_table);
    // the dictionary keeps its table names in capitals (its key compares case)
    for (char& ch : g_table)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    std::memset(g_column, 0, sizeof g_column);
    if (startColumn != nullptr)
        std::snprintf(g_column, sizeof g_column, "%s", startColumn);
    FxTrimText(5, g_column);

    TagLookUpField columns[3] = {CColumnCol::GetColLookField(CColumnCol::ColumnName),
                                 CColumnCol::GetColLookField(CColumnCol::Caption), {}};
    TagLookUpField filter[3] = {CColumnCol::GetColLookField(CColumnCol::Flag),
                                CColumnCol::GetColLookField(CColumnCol::TableName), {}};
    static const char kZero = 0;
    void* values[2] = {const_cast<char*>(&kZero), g_table};

    TagDictionaryRecord buffer{};
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    FxForm form{};
    SetupStandardScreen(&form, 227, 0);
    FxReleaseKey(&form, FX_KEY_F1 + 4 * 0x100);
    data.FileId = static_cast<uint16_t>(bwps::No(FileNo::DictionaryColumns));
    data.RecordLength = sizeof buffer;
    data.Handle = handle;
    data.Record = &buffer;
    data.KeyNumber = kColumnKey;
    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(handle, &savedKey, &savedSecond);
    BtrSetDefaults(handle, kColumnKey, -1);
    SetColorSet(lookup.Colours, 3);
    lookup.Row = row;
    lookup.Column = column;
    lookup.Height = height;
    lookup.Width = width;
    lookup.Title = " Column LookUp ";
    lookup.SearchPrompt = "Search :";
    lookup.Columns = columns;
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.Form = &form;
    lookup.Read = ColumnRow;
    lookup.Search = ColumnSearch;
    if (g_column[0] != '\0') {
        lookup.StartMode = LK_START_POSITIONED;
        lookup.Position = ColumnStart;
    } else {
        lookup.StartMode = LK_START_FIRST;
    }
    const int picked = ColumnLookUpProcess(&lookup, filter, values);
    if (picked && record != nullptr)
        std::memcpy(record, &buffer, sizeof buffer);
    BtrSetDefaults(handle, savedKey, savedSecond);
    return picked ? 1 : 0;
}

int FlyAccountOfCompany(FxForm* screen, int field, void* record)
{
    char folder[FOLDER_BUFFER_SIZE] = {};
    if (field < 0) {
        const char* from = IsInterfacedToAccounting() ? GetAccountingCompanyPath() : GetFilesPathBuffer();
        std::snprintf(folder, sizeof folder, "%s", from != nullptr ? from : "");
    } else if (screen != nullptr) {
        std::snprintf(folder, sizeof folder, "%s", FxFieldGet(screen, field));
    }
    FxTrimText(5, folder);
    FxFolderEnd(folder);
    const char* name = GetAccountingDataFileName(bwps::No(FileNo::Accounts));
    char path[FOLDER_BUFFER_SIZE + 64] = {};
    std::snprintf(path, sizeof path, "%s%s", folder, name != nullptr ? name : "");
    uint16_t handle = 0;
    if (folder[0] == '\0' || name == nullptr || BtrOpenFile(&handle, path, 7, 0) != 0) {
        ShowMessage(field < 0 ? 465 : 457, 0);
        return 0;
    }
    const int picked = FlyAccount(nullptr, 0, handle, record, 4, 13, 13, 54, nullptr, 1);
    BtrCloseFile(handle);
    return picked;
}

void bwps::lookups::ResetColumns()
{
    std::memset(g_table, 0, sizeof g_table);
    std::memset(g_column, 0, sizeof g_column);
}

BWPS_ORDINAL(665, FlyAccountOfCompany);
BWPS_ORDINAL(1570, FlyColumns);
