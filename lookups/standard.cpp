// The standard run of a file lookup, the memory of last picks, the start
// columns of the lookup types and the "0LookUps" settings record.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/screen_utils.h"
#include "bwps/settings.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

namespace {

struct LastPick {
    char code[LOOKUP_PICK_CODE];
    char description[LOOKUP_PICK_DESCRIPTION];
};
static_assert(sizeof(LastPick) == 60, "a last pick is 60 bytes");

struct DocLastPick {
    char number[LOOKUP_DOC_NUMBER];
    char text[LOOKUP_DOC_TEXT];
};
static_assert(sizeof(DocLastPick) == 34, "a document's last pick is 34 bytes");

LastPick g_lastPicks[LOOKUP_TYPES];
DocLastPick g_docLastPicks[LOOKUP_DOCUMENT_TYPES];
uint8_t g_lookUpsRecord[LOOKUPS_RECORD_SIZE];

constexpr char kLookUpsKey[] = GENERAL_KEY_LOOKUPS;
static_assert(sizeof(TagLookUps) == LOOKUPS_RECORD_SIZE, "the 0LookUps record");

struct StartColumns {
    int code, description;
};

constexpr StartColumns kStart[LOOKUP_TYPES] = {
    {1, 3}, {1, 53}, {1, 53}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2},
    {1, 2}, {1, 2}, {1, 2}, {1, 3}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}};

StartColumns DocStart(int type)
{
    switch (type) {
    case 0: return {2, 3};
    case 2: return {1, 2};
    case 4: return {1, 6};
    case 6: return {1, 7};
    case 7: return {1, 5};
    default: return {1, 2};
    }
}

bool Blank(const char* text)
{
    return text == nullptr || FxIsEmpty(text) != 0;
}

}  // namespace

int GetLookUpStart(int* codeColumn, int* descriptionColumn, int* keyNumber, char* startText, int type)
{
    const StartColumns c = type >= 0 && type < LOOKUP_TYPES && type <= 16 ? kStart[type] : StartColumns{1, 2};
    if (codeColumn != nullptr)
        *codeColumn = c.code;
    if (descriptionColumn != nullptr)
        *descriptionColumn = c.description;
    if (keyNumber != nullptr)
        *keyNumber = 0;
    if (startText != nullptr) {
        std::memset(startText, 0, LOOKUP_PICK_DESCRIPTION);
        if (type >= 0 && type < LOOKUP_TYPES)
            std::memcpy(startText, g_lastPicks[type].code, LOOKUP_PICK_CODE);
    }
    return 0;
}

int GetDocLookUpStart(int* codeColumn, int* descriptionColumn, int* keyNumber, char* startText, int type)
{
    const StartColumns c = DocStart(type);
    if (codeColumn != nullptr)
        *codeColumn = c.code;
    if (descriptionColumn != nullptr)
        *descriptionColumn = c.description;
    if (keyNumber != nullptr)
        *keyNumber = 0;
    if (startText != nullptr) {
        std::memset(startText, 0, LOOKUP_PICK_DESCRIPTION);
        if (type >= 0 && type < LOOKUP_DOCUMENT_TYPES)
            std::memcpy(startText, g_docLastPicks[type].number, LOOKUP_DOC_NUMBER);
    }
    return 0;
}

const char* LookUpLastPickCode(int type)
{
    return type >= 0 && type < LOOKUP_TYPES ? g_lastPicks[type].code : nullptr;
}

const char* LookUpLastPickDescription(int type)
{
    return type >= 0 && type < LOOKUP_TYPES ? g_lastPicks[type].description : nullptr;
}

const char* DocLookUpLastPick(int type)
{
    return type >= 0 && type < LOOKUP_DOCUMENT_TYPES ? g_docLastPicks[type].number : nullptr;
}

const char* DocLookUpLastPickText(int type)
{
    return type >= 0 && type < LOOKUP_DOCUMENT_TYPES ? g_docLastPicks[type].text : nullptr;
}

int InitLookUpsRecord(void* record76)
{
    if (record76 == nullptr)
        return 0;
    TagLookUps r{};
    std::memcpy(r.Key, kLookUpsKey, sizeof r.Key);
    std::memset(r.LookupOrder, 'C', sizeof r.LookupOrder);
    std::memset(r.DocumentOrder, 'N', sizeof r.DocumentOrder);
    std::memcpy(record76, &r, sizeof r);
    return 0;
}

int ReadLookUpsRecord(uint16_t handle, void* record76)
{
    uint8_t own[LOOKUPS_RECORD_SIZE];
    auto* record = record76 != nullptr ? static_cast<uint8_t*>(record76) : own;
    uint16_t file = handle;
    bool opened = false;
    const int general = bwps::No(bwps::FileNo::General);
    if (file == 0) {
        const int st = BtrOpenFile(&file, GetDataFilePath(general), 0, 0);
        if (st == B_FILE_NOT_FOUND)
            return st;
        if (st != 0) {
            ReportRecordManagerError(st, 1, -100, general, 0);
            return st;
        }
        opened = true;
    }
    char key[16];
    std::memcpy(key, kLookUpsKey, 16);
    BtrSetDefaults(file, 0, -1);
    const int st = BtrGet(B_GET_EQUAL, file, key, record, LOOKUPS_RECORD_SIZE);
    if (st != 0) {
        ReportRecordManagerError(st, 1, B_GET_EQUAL, general, 0);
        InitLookUpsRecord(record);
    }
    if (opened)
        BtrCloseFile(file);
    std::memcpy(g_lookUpsRecord, record, LOOKUPS_RECORD_SIZE);
    return st;
}

const uint8_t* LookUpsRecordCopy(void)
{
    return g_lookUpsRecord;
}

namespace bwps::lookups {

void SetLastPick(int type, const void* record, int descriptionOffset)
{
    if (type < 0 || type >= LOOKUP_TYPES || record == nullptr)
        return;
    const auto* r = static_cast<const char*>(record);
    LastPick& p = g_lastPicks[type];
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.code, r, sizeof p.code - 1);
    std::memcpy(p.description, r + descriptionOffset, sizeof p.description - 1);
}

void SetDocLastPick(int type, const void* record, int textOffset)
{
    if (type < 0 || type >= LOOKUP_DOCUMENT_TYPES || record == nullptr)
        return;
    const auto* r = static_cast<const char*>(record);
    DocLastPick& p = g_docLastPicks[type];
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.number, r, sizeof p.number - 1);
    if (textOffset > 0)
        std::memcpy(p.text, r + textOffset, sizeof p.text - 1);
}

bool LoadColumns(FileNo file, const std::vector<int>& numbers, std::vector<TagLookUpField>& out)
{
    out.assign(numbers.size() + 1, TagLookUpField{});
    const char* path = GetDataFilePath(No(file));
    if (path == nullptr)
        return false;
    const std::string name = path;
    for (size_t i = 0; i < numbers.size(); ++i) {
        TagColumnDefinition definitions[2] = {};
        if (GetColumnDefinitions(name.c_str(), sizeof definitions, definitions, numbers[i], -1) != 0)
            return false;
        static_assert(sizeof(TagColumnDefinition) == sizeof(TagLookUpField), "the same 103 bytes");
        std::memcpy(&out[i], &definitions[0], sizeof(TagLookUpField));
        out[i].Align = 0;
        out[i].Offset2 = 0;
        // a quantity in packs: its second offset is that of the column that
        // holds the pack size
        const int packs = definitions[0].Decimals;
        if (definitions[0].Kind == COLUMN_AMOUNT && packs > 0 && packs < 1000) {
            TagColumnDefinition pack[2] = {};
            if (GetColumnDefinitions(name.c_str(), sizeof pack, pack, packs, -1) == 0)
                out[i].Offset2 = pack[0].Offset;
        }
    }
    return true;
}

namespace {

int OwnToggle(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    if (l == nullptr || l->Data == nullptr)
        return 0;
    const int key = l->Data->KeyNumber == 0 ? 1 : 0;
    if (BtrSetDefaults(l->Data->Handle, key, -1) == 0)
        l->Data->KeyNumber = static_cast<uint16_t>(key);
    return 0;
}

}  // namespace

int RunStandard(const Settings& s, const Call& call)
{
    // 1. start columns and the last pick
    int code = 1, description = 2, key = 0;
    char start[LOOKUP_PICK_DESCRIPTION + 1] = {};
    if (s.startType >= 0) {
        if (s.documentStart)
            GetDocLookUpStart(&code, &description, &key, start, s.startType);
        else
            GetLookUpStart(&code, &description, &key, start, s.startType);
    }
    if (s.key >= 0)
        key = s.key;
    // 2. title; 3. columns (a missing column ends the lookup before the
    // file is touched)
    char title[65] = {};
    if (s.titleText != nullptr)
        std::snprintf(title, sizeof title, "%s", s.titleText);
    else
        FxLoadString(s.titleId, sizeof title, title);
    std::vector<int> numbers;
    for (int n : s.columns)
        numbers.push_back(n == kCodeColumn ? code : n == kDescriptionColumn ? description : n);
    std::vector<TagLookUpField> columns;
    const FileNo columnFile = call.columnFile != FileNo::None ? call.columnFile : s.file;
    if (!LoadColumns(columnFile, numbers, columns))
        return 0;
    std::vector<TagLookUpField> filter;
    if (call.filterColumn != 0 && !LoadColumns(columnFile, {call.filterColumn}, filter))
        return 0;
    // 4. the blocks
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    std::vector<uint8_t> buffer(static_cast<size_t>(s.recordLength) + 16, 0);
    const uint16_t handle = call.handle;
    // 5. the position to come back to
    uint32_t position = 0;
    bool stored = false;
    if (call.restore && s.stays != Stays::NoPosition)
        stored = BtrPosition(B_GET_DIRECT, handle, &position) == 0;
    // 6. the form and its keys
    FxForm form{};
    SetupStandardScreen(&form, s.formOptions, s.formList);
    if (!s.keepF5)
        FxReleaseKey(&form, FX_KEY_F1 + 4 * 0x100);
    const int f8 = FX_KEY_F1 + 7 * 0x100, f9 = FX_KEY_F1 + 8 * 0x100;
    if (s.f8f9 == Keys::Handler && call.keyHandler != nullptr) {
        FxSetKeyHandler(&form, f8, call.keyHandler);
        FxSetKeyHandler(&form, f9, call.keyHandler);
    } else if (s.f8f9 == Keys::NullHandler) {
        FxSetKeyHandler(&form, f8, nullptr);
        FxSetKeyHandler(&form, f9, nullptr);
    } else if (s.f8f9 != Keys::Left) {
        FxReleaseKey(&form, f8);
        FxReleaseKey(&form, f9);
    }
    if (s.f3 != nullptr)
        FxSetKeyHandler(&form, FX_KEY_F1 + 2 * 0x100, s.f3);
    if (s.shiftF9 == Switch::LookUpSwitch)
        FxSetKeyHandler(&form, LK_KEY_SWITCH, LookUpSwitchKey);
    else if (s.shiftF9 == Switch::OwnToggle)
        FxSetKeyHandler(&form, LK_KEY_SWITCH, OwnToggle);
    else if (s.shiftF9 == Switch::Removed)
        FxReleaseKey(&form, LK_KEY_SWITCH);
    // 7. the data block and the key
    data.FileId = static_cast<uint16_t>(No(s.file));
    data.RecordLength = static_cast<uint16_t>(s.recordLength);
    data.Handle = handle;
    data.Record = buffer.data();
    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(handle, &savedKey, &savedSecond);
    if (s.key == -2)
        key = savedKey;
    data.KeyNumber = static_cast<uint16_t>(key);
    BtrSetDefaults(handle, key, -1);
    // 8. colours and window
    SetColorSet(lookup.Colours, 3);
    lookup.Row = call.row;
    lookup.Column = call.column;
    lookup.Height = call.height;
    lookup.Width = call.width;
    // 9. the start text: the argument, else the last pick (a start text
    // longer than the key buffer is cut)
    const char* text = !Blank(call.startText) ? call.startText : (!Blank(start) ? start : nullptr);
    if (text != nullptr) {
        std::snprintf(data.KeyBuffer, sizeof data.KeyBuffer, "%s", text);
        // trailing blanks of a stored code are no part of the search
        for (size_t n = std::strlen(data.KeyBuffer); n > 0 && data.KeyBuffer[n - 1] == ' '; --n)
            data.KeyBuffer[n - 1] = '\0';
        lookup.StartMode = LK_START_SEARCH;
    } else {
        lookup.StartMode = LK_START_FIRST;
    }
    // 10. pointers
    lookup.Columns = columns.data();
    lookup.Title = title;
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.Form = &form;
    lookup.SearchPrompt = "Search :";
    lookup.KeyText = s.keyText;
    if (s.libraryReaders) {
        lookup.Read = LookUpReadRecordCallback;
        lookup.ReadAtPosition = LookUpReadAtPositionCallback;
        lookup.Search = LookUpReadSearchCallback;
    }
    if (s.rowReader != nullptr)
        lookup.Read = s.rowReader;
    if (s.search != nullptr)
        lookup.Search = s.search;
    lookup.RowAction = s.rowAction;
    lookup.Print = s.print;
    char caption[65] = {};
    if (s.captionId != 0) {
        FxLoadString(s.captionId, sizeof caption, caption);
        lookup.ReportTitle = caption;
    } else if (s.captionText != nullptr) {
        lookup.ReportTitle = s.captionText;
    }
    // 11-12. the run; an active-only run with a search text sorts by the
    // filter column first
    int picked = 0;
    bool index = false;
    int indexKey = 0, indexSecond = 0;
    if (call.filterColumn != 0) {
        if (call.sortIndex && data.KeyBuffer[0] != '\0') {
            BtrGetDefaults(handle, &indexKey, &indexSecond);
            const int length = LookUpDataLength(filter[0].Type, filter[0].Picture);
            index = CreateLookUpSortIndex(handle, filter[0].Offset, std::max(1, std::min(length, 1)));
            if (index) {
                int now = 0, second = 0;
                BtrGetDefaults(handle, &now, &second);
                data.KeyNumber = static_cast<uint16_t>(now);
            }
        }
        void* values[1] = {const_cast<void*>(call.filterValue)};
        picked = FilterLookUpProcess(&lookup, filter.data(), values);
        if (index) {
            BtrDropSupIndex(handle, -1);
            BtrSetDefaults(handle, indexKey, indexSecond);
        }
    } else {
        picked = LookUpProcess(&lookup);
    }
    // 13. the pick
    if (picked) {
        if (call.record != nullptr)
            std::memcpy(call.record, buffer.data(), static_cast<size_t>(s.recordLength));
        if (s.lastPickType >= 0) {
            if (s.documentStart)
                SetDocLastPick(s.lastPickType, buffer.data(), s.lastPickDescription);
            else
                SetLastPick(s.lastPickType, buffer.data(), s.lastPickDescription);
        }
        const bool stay = s.stays == Stays::Always || (s.stays == Stays::UnlessRestore && !call.restore);
        if (stay) {
            const int st = BtrPosition(B_GET_DIRECT, handle, &position);
            stored = st == 0;
            if (st != 0)
                ReportRecordManagerError(st, 1, B_GET_DIRECT, No(s.file), 0);
        }
    }
    // 14. the key defaults and the position
    if (!s.keepKey)
        BtrSetDefaults(handle, savedKey, savedSecond);
    if (stored && s.stays != Stays::NoPosition) {
        std::memcpy(buffer.data(), &position, 4);
        char keyBuffer[256] = {};
        BtrGet(B_GET_DIRECT, handle, keyBuffer, buffer.data(), s.recordLength);
    }
    return picked ? 1 : 0;
}

void Reset()
{
    std::memset(g_lastPicks, 0, sizeof g_lastPicks);
    std::memset(g_docLastPicks, 0, sizeof g_docLastPicks);
    std::memset(g_lookUpsRecord, 0, sizeof g_lookUpsRecord);
}

}  // namespace bwps::lookups

BWPS_ORDINAL(710, InitLookUpsRecord);
BWPS_ORDINAL(711, ReadLookUpsRecord);
