// The pick list over the variables of one category of the printed forms,
// with the keys that set a variable's justification, fill and date format
// from the list.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/form_variables.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using namespace bwps::lookups;
using bwps::FileNo;

namespace {

constexpr int kCategoryKey = 2;
constexpr int kCategoryColumn = 2;
constexpr int kDateTextColumn = 10;  // the fifth column shows the date text

struct DateFormat {
    const char* sample;
    int16_t width;
};
constexpr DateFormat kDateFormats[9] = {
    {"  MM/DD/YY   ", 8},   {" MM/DD/YYYY  ", 10}, {"Jan. 01, 1993", 14},
    {"  DD/MM/YY   ", 8},   {" DD/MM/YYYY  ", 10}, {"01 Jan., 1993", 14},
    {"  YY/MM/DD   ", 8},   {" YYYY/MM/DD  ", 10}, {"1993 Jan., 01", 14}};

int32_t g_category = 0;

bool IsDate(const TagColumnVar& v)
{
    return v.Type == 3 || v.Type == 12;
}

bool NoFillChoice(const TagColumnVar& v)
{
    switch (v.Type) {
    case 1: case 2: case 3: case 4: case 12: case 13: case 16: return true;
    default: return false;
    }
}

char Next(char now, const char* cycle)
{
    if (now == ' ' || now == '\0')
        now = cycle[0];
    const char* at = std::strchr(cycle, now);
    if (at == nullptr || at[1] == '\0')
        return cycle[0];
    return at[1];
}

// Writes the variable under the cursor and has the list drawn again.
int WriteAndRedraw(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    const int st = BtrWrite(B_UPDATE, d->Handle, d->KeyBuffer, d->Record, FORM_VARIABLE_RECORD_SIZE);
    if (st != 0)
        ReportRecordManagerError(st, 1, B_UPDATE, d->FileId, 0);
    l->StartMode = LK_REDRAW;
    LookUpSendMsg(l, LK_REDRAW);
    return 0;
}

TagColumnVarRow* RowOf(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    if (l == nullptr || l->Data == nullptr || l->Data->Record == nullptr)
        return nullptr;
    return static_cast<TagColumnVarRow*>(l->Data->Record);
}

int JustifyKey(void* argument)
{
    TagColumnVarRow* row = RowOf(argument);
    if (row == nullptr)
        return 0;
    row->Record.Justify = Next(row->Record.Justify, "NLCR");
    return WriteAndRedraw(static_cast<TagLookUp*>(argument));
}

int FillKey(void* argument)
{
    TagColumnVarRow* row = RowOf(argument);
    if (row == nullptr)
        return 0;
    if (NoFillChoice(row->Record)) {
        ShowMessage(671, 0);
        return 0;
    }
    row->Record.Fill = Next(row->Record.Fill, "NWF");
    return WriteAndRedraw(static_cast<TagLookUp*>(argument));
}

void SetDateText(TagColumnVarRow& row)
{
    const int f = row.Record.DateFormat;
    const DateFormat& format = f >= 1 && f <= 9 ? kDateFormats[f - 1] : kDateFormats[0];
    std::snprintf(row.DateText, sizeof row.DateText, "%s", format.sample);
    row.Record.Width = format.width;
}

int DateFormatKey(void* argument)
{
    TagColumnVarRow* row = RowOf(argument);
    if (row == nullptr || !IsDate(row->Record))
        return 0;
    const int16_t f = row->Record.DateFormat;
    row->Record.DateFormat = static_cast<int16_t>(f <= 0 || f >= 9 ? 1 : f + 1);
    SetDateText(*row);
    return WriteAndRedraw(static_cast<TagLookUp*>(argument));
}

// ---- the description screen

struct DescriptionScreen {
    FxContext fx;  // first: the handlers get the context
    FxForm form;
    FxWindow window;
    char text[sizeof(TagColumnVar::Description) + 1];
    bool taken;
};

int TakeDescription(void* context)
{
    auto* s = static_cast<DescriptionScreen*>(context);
    std::snprintf(s->text, sizeof s->text, "%s", FxFieldGet(&s->form, 1));
    s->taken = true;
    return FX_LEAVE;
}

// F9: the description of the variable under the cursor in a screen of its
// own; F10 takes it (and, for a variable whose width follows it, the
// width), Esc leaves the variable as it was.
int DescriptionKey(void* argument)
{
    TagColumnVarRow* row = RowOf(argument);
    if (row == nullptr)
        return 0;
    DescriptionScreen s{};
    std::array<ScreenField, 2> fields{{bwps::Field(1, 4, 10, "%-39s"), {}}};
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&s.window, 10, 19, 21, 79, 1, 1, ' ', " Variable Description ") == 0) {
        FxWindowSetName(&s.window, "RSVARDESCRIPTION");
        SetupStandardScreen(&s.form, 35, 0);
        for (int key : {FX_KEY_F1 + 4 * 0x100, FX_KEY_F1 + 5 * 0x100, FX_KEY_F1 + 7 * 0x100})
            FxSetKeyHandler(&s.form, key, nullptr);
        FxSetKeyHandler(&s.form, FX_KEY_F10, TakeDescription);
        FxWindowAttachForm(&s.window, &s.form, 0);
        char description[sizeof row->Record.Description + 1] = {};
        std::memcpy(description, row->Record.Description, sizeof row->Record.Description);
        FxFieldSet(&s.form, 1, description);
        FxAppRun(&s.fx, 1);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    if (!s.taken)
        return 0;
    char padded[sizeof row->Record.Description + 1] = {};
    std::snprintf(padded, sizeof padded, "%-39.39s", s.text);
    std::memcpy(row->Record.Description, padded, sizeof row->Record.Description);
    if (row->Record.WidthFollows != 0) {
        char trimmed[sizeof s.text] = {};
        std::snprintf(trimmed, sizeof trimmed, "%s", s.text);
        FxTrimText(4, trimmed);
        row->Record.Width = static_cast<int16_t>(std::max<size_t>(3, std::strlen(trimmed)));
    }
    return WriteAndRedraw(static_cast<TagLookUp*>(argument));
}

// The date text of every row as the list reads it.
int VariableRow(TagLookUp* l)
{
    const int st = LookUpReadRecord(reinterpret_cast<long>(l));
    if (st == 0) {
        auto* row = static_cast<TagColumnVarRow*>(l->Data->Record);
        if (IsDate(row->Record) && row->Record.DateFormat != 0) {
            const int f = row->Record.DateFormat;
            std::snprintf(row->DateText, sizeof row->DateText, "%s",
                          (f >= 1 && f <= 9 ? kDateFormats[f - 1] : kDateFormats[0]).sample);
        } else {
            std::memset(row->DateText, 0, sizeof row->DateText);
        }
    }
    return st;
}

int TitleOf(int category)
{
    switch (category) {
    case 1: return 303;
    case 2: return 306;
    case 3: return 304;
    case 4: return 305;
    case 5: return 307;
    case 6: return 308;
    case 7: return 309;
    case 8: return 310;
    case 14: return 311;
    case 15: return 312;
    default: return 0;
    }
}

}  // namespace

int FlyVariables(short category, short handle, void* record, uint16_t row, uint16_t column, uint16_t height,
                 uint16_t width)
{
    // 1. the file: the data folder's copy when there is one
    uint16_t h = static_cast<uint16_t>(handle);
    bool opened = false;
    if (handle == -1) {
        const char* name = GetDataFileName(bwps::No(FileNo::FormVariables));
        std::string local = std::string(GetFilesPath()) + (name != nullptr ? name : "");
        const char* path = name != nullptr && FxFileAccess(local.c_str(), 0) == 0
                               ? local.c_str()
                               : GetDataFilePath(bwps::No(FileNo::FormVariables));
        if (path == nullptr || BtrOpenFile(&h, path, 0, 0) != 0)
            return 0;
        opened = true;
    }
    auto close = [&] {
        if (opened)
            BtrCloseFile(h);
    };
    // 2. the columns, the fifth the date text, and the category filter
    g_category = category;
    std::vector<TagLookUpField> columns;
    std::vector<TagLookUpField> filter;
    if (!LoadColumns(FileNo::FormVariables, {1, 14, 7, 4, kDateTextColumn, 5}, columns) ||
        !LoadColumns(FileNo::FormVariables, {kCategoryColumn}, filter)) {
        close();
        return 0;
    }
    TagLookUpField& date = columns[4];
    std::memset(&date, 0, sizeof date);
    std::snprintf(date.Title, sizeof date.Title, "Date Text");
    std::snprintf(date.Picture, sizeof date.Picture, "%%14s");
    date.Type = 2;
    date.Offset = offsetof(TagColumnVarRow, DateText);
    columns.push_back(TagLookUpField{});
    filter.push_back(TagLookUpField{});
    // 3. the position and the keys
    uint32_t position = 0;
    if (BtrPosition(B_GET_DIRECT, h, &position) != 0)
        position = 0;
    FxForm form{};
    SetupStandardScreen(&form, 65, 352);
    FxReleaseKey(&form, FX_KEY_F1 + 4 * 0x100);
    FxSetKeyHandler(&form, FX_KEY_F1 + 6 * 0x100, JustifyKey);
    FxSetKeyHandler(&form, FX_KEY_F1 + 7 * 0x100, FillKey);
    FxSetKeyHandler(&form, FX_KEY_SHIFT_F1 + 3 * 0x100, DateFormatKey);
    FxSetKeyHandler(&form, FX_KEY_F1 + 8 * 0x100, DescriptionKey);
    // 4. the blocks
    TagColumnVarRow buffer{};
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    data.FileId = static_cast<uint16_t>(bwps::No(FileNo::FormVariables));
    data.RecordLength = sizeof buffer;
    data.Handle = h;
    data.Record = &buffer;
    data.KeyNumber = kCategoryKey;
    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(h, &savedKey, &savedSecond);
    BtrSetDefaults(h, kCategoryKey, -1);
    char title[65] = {};
    if (TitleOf(category) != 0)
        FxLoadString(TitleOf(category), sizeof title, title);
    SetColorSet(lookup.Colours, 3);
    lookup.Row = row;
    lookup.Column = column;
    lookup.Height = height;
    lookup.Width = width;
    lookup.StartMode = LK_START_FIRST;
    lookup.Title = title;
    lookup.Columns = columns.data();
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.Form = &form;
    lookup.Read = VariableRow;
    lookup.ReadAtPosition = LookUpReadAtPositionCallback;
    int16_t value = static_cast<int16_t>(g_category);
    void* values[1] = {&value};
    // 5. the run
    const int picked = VariablesLookUpProcess(&lookup, filter.data(), values);
    if (picked) {
        if (record != nullptr)
            std::memcpy(record, &buffer, FORM_VARIABLE_RECORD_SIZE);
        const int st = BtrPosition(B_GET_DIRECT, h, &position);
        if (st != 0) {
            ReportRecordManagerError(st, 1, B_GET_DIRECT, data.FileId, 0);
            position = 0;
        }
    }
    BtrSetDefaults(h, savedKey, savedSecond);
    if (position != 0) {
        std::vector<uint8_t> back(sizeof buffer, 0);
        std::memcpy(back.data(), &position, 4);
        char key[256] = {};
        BtrGet(B_GET_DIRECT, h, key, back.data(), FORM_VARIABLE_RECORD_SIZE);
    }
    close();
    return picked ? 1 : 0;
}

void bwps::lookups::ResetVariables()
{
    g_category = 0;
}

BWPS_ORDINAL(705, FlyVariables);
