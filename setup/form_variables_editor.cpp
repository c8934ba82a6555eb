// The form variables BPOSVAR.DB (file 98): the editor RSEditVarsFile. It
// shows every field of a variable, pages through the file in group and
// number order and writes straight to the file (no audit log).
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/form_variables.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

using bwps::FileNo;
using bwps::No;

namespace {

constexpr int kGroupKey = 2;
constexpr int kMsgBlankName = 211;
constexpr int kMsgNoTypeList = 453;
constexpr int kMsgDeleteQuestion = 969;
constexpr int kKeyList = 3902;   // the key-menu rows of F7, F8 and F9
constexpr int kF5 = FX_KEY_F1 + 4 * 0x100;
constexpr int kF6 = FX_KEY_F1 + 5 * 0x100;
constexpr int kF7 = FX_KEY_F1 + 6 * 0x100;
constexpr int kF8 = FX_KEY_F1 + 7 * 0x100;
constexpr int kF9 = FX_KEY_F1 + 8 * 0x100;
constexpr int kFileNameRow = 6;
constexpr int kFileNameColumn = 30;

enum {
    F_NAME = 1, F_GROUP, F_NUMBER, F_ALIGN, F_ZERO, F_FILE, F_WIDTH, F_OFFSET, F_VALUE31, F_DATE, F_TYPE,
    F_VALUE37, F_PICTURE, F_DESCRIPTION
};

struct VarsScreen {
    FxContext fx;   // first
    FxForm form;
    FxWindow window;
    bwps::Table file;
    TagColumnVar record;
    TagColumnVar stored;     // the record as the file holds it (not new)
    TagColumnVar pending;    // shown by the next new-record pass
    bool isNew = true;
    bool hasPending = false;
    uint8_t colours[COLOR_SET_SIZE];
};

VarsScreen* Screen(void* context)
{
    return static_cast<VarsScreen*>(context);
}

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string FieldText(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

template <size_t N>
void PutText(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// A whole number of a field; what is not a number reads as 0.
int16_t Number(const char* text)
{
    const std::string t = Trimmed(text);
    char* end = nullptr;
    const long v = std::strtol(t.c_str(), &end, 10);
    if (t.empty() || end == nullptr || *end != '\0' || v < -32768 || v > 32767)
        return 0;
    return static_cast<int16_t>(v);
}

void Clear(TagColumnVar& v)
{
    std::memset(&v, 0, sizeof v);
    v.Justify = 'L';
    v.Type = 2;
    v.SourceFile = 36;
}

// Beside field 6: the data file's name, or the typed text padded to 15.
void ShowFileName(VarsScreen& s)
{
    const std::string typed = Trimmed(FxFieldGet(&s.form, F_FILE));
    std::string shown;
    char* end = nullptr;
    const long n = std::strtol(typed.c_str(), &end, 10);
    if (!typed.empty() && end != nullptr && *end == '\0') {
        const char* name = GetDataFileName(static_cast<int>(n));
        shown = name != nullptr ? name : "";
    } else {
        shown = typed;
    }
    shown.resize(15, ' ');
    FxWindowText(&s.window, kFileNameRow, kFileNameColumn, -1, shown.c_str(), 0);
}

void Show(VarsScreen& s)
{
    const TagColumnVar& v = s.record;
    auto number = [&](int field, int value) { FxFieldSet(&s.form, field, std::to_string(value).c_str()); };
    FxFieldSet(&s.form, F_NAME, FieldText(v.Name, sizeof v.Name).c_str());
    number(F_GROUP, v.Category);
    number(F_NUMBER, v.Number);
    FxFieldSet(&s.form, F_ALIGN, std::string(v.Justify != '\0' ? 1 : 0, v.Justify).c_str());
    FxFieldSet(&s.form, F_ZERO, std::string(v.Fill != '\0' ? 1 : 0, v.Fill).c_str());
    number(F_FILE, v.SourceFile);
    number(F_WIDTH, v.Width);
    number(F_OFFSET, v.SourceOffset);
    number(F_VALUE31, v.Value31);
    number(F_DATE, v.DateFormat);
    number(F_TYPE, v.Type);
    number(F_VALUE37, v.WidthFollows);
    FxFieldSet(&s.form, F_PICTURE, FieldText(v.Picture, sizeof v.Picture).c_str());
    FxFieldSet(&s.form, F_DESCRIPTION, FieldText(v.Description, sizeof v.Description).c_str());
    FxFormRedraw(&s.fx, &s.form);
    ShowFileName(s);
    FxSetKeyState(&s.form, kF6, s.isNew ? 0 : 1);
}

void Take(VarsScreen& s)
{
    TagColumnVar& v = s.record;
    PutText(v.Name, Trimmed(FxFieldGet(&s.form, F_NAME)));
    v.Category = Number(FxFieldGet(&s.form, F_GROUP));
    v.Number = Number(FxFieldGet(&s.form, F_NUMBER));
    v.Justify = FxFieldGet(&s.form, F_ALIGN)[0];
    v.Fill = FxFieldGet(&s.form, F_ZERO)[0];
    v.SourceFile = Number(FxFieldGet(&s.form, F_FILE));
    v.Width = Number(FxFieldGet(&s.form, F_WIDTH));
    v.SourceOffset = Number(FxFieldGet(&s.form, F_OFFSET));
    v.Value31 = Number(FxFieldGet(&s.form, F_VALUE31));
    v.DateFormat = Number(FxFieldGet(&s.form, F_DATE));
    v.Type = Number(FxFieldGet(&s.form, F_TYPE));
    v.WidthFollows = Number(FxFieldGet(&s.form, F_VALUE37));
    PutText(v.Picture, FieldText(FxFieldGet(&s.form, F_PICTURE), sizeof v.Picture));
    PutText(v.Description, FieldText(FxFieldGet(&s.form, F_DESCRIPTION), sizeof v.Description));
}

// Puts the file on the stored record (key 2: its group and number, then
// the one of its name among equal keys). The status.
int Locate(VarsScreen& s, const TagColumnVar& wanted)
{
    bwps::KeyBuffer key;
    const int16_t start[2] = {wanted.Category, wanted.Number};
    std::memcpy(key.bytes, start, sizeof start);
    TagColumnVar found{};
    int status = BtrGet(B_GET_EQUAL, s.file.Handle(), key.bytes, &found, sizeof found);
    while (status == 0) {
        if (found.Category != wanted.Category || found.Number != wanted.Number)
            return B_KEY_NOT_FOUND;
        if (std::memcmp(found.Name, wanted.Name, sizeof found.Name) == 0)
            return 0;
        status = BtrGet(B_GET_NEXT, s.file.Handle(), key.bytes, &found, sizeof found);
    }
    return status == B_END_OF_FILE ? B_KEY_NOT_FOUND : status;
}

bool NameIsBlank(VarsScreen& s)
{
    if (!Trimmed(FxFieldGet(&s.form, F_NAME)).empty())
        return false;
    ShowMessage(kMsgBlankName, MESSAGE_DEFAULT_CONTEXT);
    return true;
}

int OnNewRecord(void* context)
{
    VarsScreen& s = *Screen(context);
    if (s.hasPending) {
        s.hasPending = false;
        s.record = s.pending;
        s.stored = s.pending;
        s.isNew = false;
    } else {
        Clear(s.record);
        s.isNew = true;
    }
    Show(s);
    return FX_GO_ON;
}

int OnNameLeft(void* context)
{
    return NameIsBlank(*Screen(context)) ? FX_STAY : FX_GO_ON;
}

int OnFileLeft(void* context)
{
    ShowFileName(*Screen(context));
    return FX_GO_ON;
}

int OnLookupKey(void* context)
{
    VarsScreen& s = *Screen(context);
    if (s.form.currentField == F_TYPE) {
        ShowMessage(kMsgNoTypeList, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (s.form.currentField != F_NAME)
        return FX_STAY;
    SetVariableLookUpGroup(1);
    const int16_t group = Number(FxFieldGet(&s.form, F_GROUP));
    TagColumnVar picked{};
    if (!FlyVariables(group, static_cast<short>(s.file.Handle()), &picked, 4, 4, 13, 72))
        return FX_STAY;
    BtrSetDefaults(s.file.Handle(), kGroupKey, -1);
    s.record = picked;
    s.stored = picked;
    s.isNew = false;
    Show(s);
    return FX_LOOKUP_SET;
}

int OnDeleteKey(void* context)
{
    VarsScreen& s = *Screen(context);
    if (NameIsBlank(s))
        return FX_STAY;
    int choice = 0;
    AskMessage(kMsgDeleteQuestion, MESSAGE_DEFAULT_CONTEXT, &choice, "Yes,No", nullptr, 0, 0, 0, 0, 0);
    if (choice != 1)
        return FX_STAY;
    int status = s.isNew ? B_KEY_NOT_FOUND : Locate(s, s.stored);
    if (status == 0) {
        TagColumnVar scratch = s.stored;
        bwps::KeyBuffer key;
        status = BtrWrite(B_DELETE, s.file.Handle(), key.bytes, &scratch, sizeof scratch);
    }
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_DELETE, No(FileNo::FormVariables), 0);
        return FX_STAY;
    }
    s.hasPending = false;
    return FX_RECORD_DONE;
}

int OnNextGroupKey(void* context)
{
    VarsScreen& s = *Screen(context);
    const std::string typed = Trimmed(FxFieldGet(&s.form, F_GROUP));
    if (typed.empty()) {
        ShowMessage(kMsgBlankName, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    const int16_t group = Number(typed.c_str());
    if (group != s.record.Category)
        return FX_STAY;
    // The first record after the group.
    bwps::KeyBuffer key;
    const int16_t after[2] = {group, 32767};
    std::memcpy(key.bytes, after, sizeof after);
    TagColumnVar next{};
    int status = BtrGet(B_GET_GE, s.file.Handle(), key.bytes, &next, sizeof next);
    while (status == 0 && next.Category == group)
        status = BtrGet(B_GET_NEXT, s.file.Handle(), key.bytes, &next, sizeof next);
    if (status == 0) {
        s.pending = next;
        s.hasPending = true;
    }
    return FX_RECORD_DONE;
}

int Step(VarsScreen& s, int operation)
{
    bwps::KeyBuffer key;
    TagColumnVar found{};
    int status;
    if (s.isNew) {
        status = BtrGet(operation == B_GET_NEXT ? B_GET_FIRST : B_GET_LAST, s.file.Handle(), key.bytes, &found,
                        sizeof found);
    } else {
        status = Locate(s, s.stored);
        if (status == 0)
            status = BtrGet(operation, s.file.Handle(), key.bytes, &found, sizeof found);
    }
    if (status != 0)
        return FX_STAY;   // at the end (or the record has gone): the screen stays as it was
    s.record = found;
    s.stored = found;
    s.isNew = false;
    Show(s);
    return FX_STAY;
}

int OnPreviousKey(void* context)
{
    return Step(*Screen(context), B_GET_PREVIOUS);
}

int OnNextKey(void* context)
{
    return Step(*Screen(context), B_GET_NEXT);
}

int OnSaveKey(void* context)
{
    VarsScreen& s = *Screen(context);
    if (NameIsBlank(s)) {
        FxFocusField(&s.form, F_NAME);
        return FX_STAY_FOCUSED;
    }
    Take(s);
    const int operation = s.isNew ? B_INSERT : B_UPDATE;
    bwps::KeyBuffer key;
    TagColumnVar written = s.record;
    int status = 0;
    if (!s.isNew)
        status = Locate(s, s.stored);
    if (status == 0)
        status = BtrWrite(operation, s.file.Handle(), key.bytes, &written, sizeof written);
    if (status != 0) {
        ReportRecordManagerError(status, 1, operation, No(FileNo::FormVariables), 0);
        return FX_STAY;
    }
    // The variable stays on the screen: a second save updates it.
    s.pending = s.record;
    s.hasPending = true;
    FxSetKeyState(&s.form, kF6, 0);
    return FX_RECORD_DONE;
}

constexpr std::array<ScreenField, 15> kFields{{
    bwps::Field(F_NAME, 1, 18, "%-18s").Exit(OnNameLeft).Flags(FX_FIELD_UPPER),
    bwps::Field(F_GROUP, 2, 18, "%-6s"),
    bwps::Field(F_NUMBER, 3, 18, "%-6s"),
    bwps::Field(F_ALIGN, 4, 18, "%-1s").Flags(FX_FIELD_UPPER),
    bwps::Field(F_ZERO, 5, 18, "%-1s").Flags(FX_FIELD_UPPER),
    bwps::Field(F_FILE, 6, 18, "%-6s").Exit(OnFileLeft),
    bwps::Field(F_WIDTH, 7, 18, "%-6s"),
    bwps::Field(F_OFFSET, 8, 18, "%-6s"),
    bwps::Field(F_VALUE31, 9, 18, "%-6s"),
    bwps::Field(F_DATE, 10, 18, "%-6s"),
    bwps::Field(F_TYPE, 11, 18, "%-6s"),
    bwps::Field(F_VALUE37, 12, 18, "%-6s"),
    bwps::Field(F_PICTURE, 13, 18, "%-18s"),
    bwps::Field(F_DESCRIPTION, 14, 18, "%-39s"),
    {},
}};

constexpr const char* kLabels[] = {"Name:",       "Group:",       "Number:",  "Alignment:", "Zero style:",
                                   "Data file:",  "Width:",       "Offset:",  "Value:",     "Date format:",
                                   "Data type:",  "Width follows:", "Picture:", "Description:"};

}  // namespace

extern "C" {

BWPS_EXPORT int RSEditVarsFile(void)
{
    std::array<ScreenField, kFields.size()> fields = kFields;
    auto screen = std::make_unique<VarsScreen>();
    VarsScreen& s = *screen;
    Clear(s.record);
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 0)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    const bwps::Status opened = s.file.Open(FileNo::FormVariables);
    if (!opened.Ok()) {
        opened.Report();
        FxAppEnd(&s.fx);
        return 0;
    }
    BtrSetDefaults(s.file.Handle(), kGroupKey, -1);
    SetColorSet(s.colours, 2);
    if (FxWindowCreate(&s.window, 3, 6, 3 + 20 - 1, 6 + 74 - 1, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditVarsFile");
        SetupStandardScreen(&s.form, 0x03, kKeyList);
        FxSetKeyHandler(&s.form, kF5, OnLookupKey);
        FxSetKeyHandler(&s.form, kF6, OnDeleteKey);
        FxSetKeyHandler(&s.form, kF7, OnNextGroupKey);
        FxSetKeyHandler(&s.form, kF8, OnPreviousKey);
        FxSetKeyHandler(&s.form, kF9, OnNextKey);
        FxSetKeyHandler(&s.form, FX_KEY_F10, OnSaveKey);
        FxSetKeyCaption(&s.form, FX_KEY_F10, "Save");
        s.form.newRecord = OnNewRecord;
        s.form.question = AskChoiceMessage;
        FxWindowAttachForm(&s.window, &s.form, 0);
        for (int i = 0; i < 14; ++i)
            FxWindowText(&s.window, i + 1, 2, -1, kLabels[i], 0);
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(601, RSEditVarsFile);
