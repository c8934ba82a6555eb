// A customer's further addresses (BPOSCUSA.DB): the pick list, restricted
// to one customer or over the whole file, and the screen RSEditAlternative
// on which an address is added or changed. One address of a customer may be
// its default.
#include "bwps/alt_addresses.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bwps/dictionary.h"
#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/masters.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace bwps {
namespace {

constexpr int kCodeLength = sizeof(TagAltAddress::Customer);
constexpr int kListKey = 1;
constexpr int kDefaultKey = 0;
constexpr int kMsgSecondDefault = 443;
constexpr int kMsgDeleteQuestion = 951;
constexpr int kListTitle = 296;
constexpr int kAddrLookUp = 0x3F00;  // F5
constexpr int kAddrDelete = 0x4000;  // F6
constexpr int kAddrAdd = 0x4200;     // F8
constexpr int kAddrChange = 0x4300;  // F9
constexpr int kAddrSave = 0x4400;    // F10

const char kYesNo[] = "\001Yes,No";

std::string Text(const char* field, size_t width)
{
    std::string s(field, strnlen(field, width));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

void Put(char* field, size_t width, const std::string& text)
{
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

// What the list's callbacks share: the filter and the list's own settings.
struct ListRun {
    char customer[kCodeLength] = {};
    bool restricted = false;
    int fileNumber = 0;
    bool allowDelete = false;
    bool allowEdit = false;
};

ListRun& Run(TagLookUp* l) { return *static_cast<ListRun*>(l->Source); }

bool Belongs(const ListRun& run, const void* record)
{
    return std::memcmp(record, run.customer, kCodeLength) == 0;
}

// The restricted list's reader: the customer's addresses only; a move past
// them answers end of file and leaves the file on the customer's last (or
// first) address.
int RestrictedRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    const ListRun& run = Run(l);
    auto get = [d](int op) { return BtrGet(op, d->Handle, d->KeyBuffer, d->Record, d->RecordLength); };
    int st = 0;
    switch (d->Move) {
    case LK_MOVE_NEXT:
        st = get(B_GET_NEXT);
        if (st == 0 && !Belongs(run, d->Record)) {
            get(B_GET_PREVIOUS);
            return B_END_OF_FILE;
        }
        return st;
    case LK_MOVE_PREVIOUS:
        st = get(B_GET_PREVIOUS);
        if (st == 0 && !Belongs(run, d->Record)) {
            get(B_GET_NEXT);
            return B_END_OF_FILE;
        }
        return st;
    case LK_MOVE_FIRST:
        std::memset(d->KeyBuffer, 0, sizeof d->KeyBuffer);
        std::memcpy(d->KeyBuffer, run.customer, kCodeLength);
        st = get(B_GET_GE);
        if (st == 0 && !Belongs(run, d->Record)) {
            get(B_GET_LAST);
            get(B_GET_NEXT);
            return B_END_OF_FILE;
        }
        return st;
    case LK_MOVE_LAST: {
        // the first key after all of the customer's keys: its code with the
        // terminating NUL raised to 1
        std::memset(d->KeyBuffer, 0, sizeof d->KeyBuffer);
        std::memcpy(d->KeyBuffer, run.customer, kCodeLength);
        d->KeyBuffer[strnlen(run.customer, kCodeLength - 1)] = 1;
        st = get(B_GET_GE);
        if (st == 0)
            st = get(B_GET_PREVIOUS);
        else if (st == B_END_OF_FILE)
            st = get(B_GET_LAST);
        if (st != 0)
            return st;
        return Belongs(run, d->Record) ? 0 : B_END_OF_FILE;
    }
    default:
        return get(d->Move);
    }
}

// ---- RSEditAlternative

enum Field {
    kLine1 = 1, kLine5 = 5, kCity, kState, kZip, kPhone1, kPhone3 = 11, kFurther, kShipVia, kSecondCode,
    kDefault
};

constexpr std::array<ScreenField, 16> kFields{{
    bwps::Field(1, 1, 16, "%-40s"),
    bwps::Field(2, 2, 16, "%-40s"),
    bwps::Field(3, 3, 16, "%-40s"),
    bwps::Field(4, 4, 16, "%-40s"),
    bwps::Field(5, 5, 16, "%-40s"),
    bwps::Field(6, 6, 16, "%-15s"),
    bwps::Field(7, 6, 41, "%-3sC").Flags(FX_FIELD_UPPER),
    bwps::Field(8, 6, 56, "ccccc-cccc"),
    bwps::Field(9, 7, 16, "(nnn) nnn-nnnn"),
    bwps::Field(10, 7, 34, "(nnn) nnn-nnnn"),
    bwps::Field(11, 7, 52, "(nnn) nnn-nnnn"),
    bwps::Field(12, 8, 16, "%-13s"),
    bwps::Field(13, 9, 16, "%-15sC").Flags(FX_FIELD_UPPER),
    bwps::Field(14, 10, 16, "%-15s"),
    bwps::Field(15, 11, 16, "%-10sm").Choices(kYesNo),
    {},
}};

struct AddressScreen {
    FxContext fx;  // first: the framework hands the context to the handlers
    FxForm form;
    FxWindow window;
    std::array<ScreenField, kFields.size()> fields;
    uint8_t colours[COLOR_SET_SIZE];
    TagLookUp* list;
    TagAltAddress* record;
    bool change;
    uint32_t position;
    int answer;
};

AddressScreen& Screen(void* context) { return *static_cast<AddressScreen*>(context); }

void RecordToScreen(AddressScreen& s)
{
    const TagAltAddress& r = *s.record;
    for (int i = 0; i < 4; ++i)
        FxFieldSet(&s.form, kLine1 + i, Text(r.Lines[i], sizeof r.Lines[i]).c_str());
    FxFieldSet(&s.form, kLine5, Text(r.Line5, sizeof r.Line5).c_str());
    FxFieldSet(&s.form, kCity, Text(r.City, sizeof r.City).c_str());
    FxFieldSet(&s.form, kState, Text(r.State, sizeof r.State).c_str());
    FxFieldSet(&s.form, kZip, Text(r.Zip, sizeof r.Zip).c_str());
    for (int i = 0; i < 3; ++i)
        FxFieldSet(&s.form, kPhone1 + i, Text(r.Phones[i], sizeof r.Phones[i]).c_str());
    FxFieldSet(&s.form, kFurther, Text(r.Further, sizeof r.Further).c_str());
    FxFieldSet(&s.form, kShipVia, Text(r.ShipVia, sizeof r.ShipVia).c_str());
    FxFieldSet(&s.form, kSecondCode, Text(r.SecondCode, sizeof r.SecondCode).c_str());
    FxChoiceSet(&s.form, kDefault, r.Default == 'Y' ? 1 : 2);
}

void ScreenToRecord(AddressScreen& s, TagAltAddress& r)
{
    auto get = [&s](int field) { return Text(FxFieldGet(&s.form, field), 64); };
    for (int i = 0; i < 4; ++i)
        Put(r.Lines[i], sizeof r.Lines[i], get(kLine1 + i));
    Put(r.Line5, sizeof r.Line5, get(kLine5));
    Put(r.City, sizeof r.City, get(kCity));
    Put(r.State, sizeof r.State, get(kState));
    Put(r.Zip, sizeof r.Zip, get(kZip));
    for (int i = 0; i < 3; ++i)
        Put(r.Phones[i], sizeof r.Phones[i], get(kPhone1 + i));
    Put(r.Further, sizeof r.Further, get(kFurther));
    Put(r.ShipVia, sizeof r.ShipVia, get(kShipVia));
    Put(r.SecondCode, sizeof r.SecondCode, get(kSecondCode));
    r.Default = FxChoiceGet(&s.form, kDefault) == 1 ? 'Y' : 'N';
}

Status Report(int status, int op, int file)
{
    if (status != 0)
        ReportRecordManagerError(status, 1, op, file, 0);
    return {status, op, static_cast<FileNo>(file)};
}

// Another default address of the customer; the list's key and position are
// put back afterwards.
bool OtherDefaultExists(AddressScreen& s)
{
    TagLookUpData* d = s.list->Data;
    const ListRun& run = Run(s.list);
    uint32_t position = 0;
    const bool stored = BtrPosition(B_GET_DIRECT, d->Handle, &position) == 0;
    BtrSetDefaults(d->Handle, kDefaultKey, -1);
    char key[256] = {};
    std::memcpy(key, run.customer, kCodeLength);
    key[kCodeLength] = 'Y';
    TagAltAddress found{};
    const int st = BtrGet(B_GET_EQUAL, d->Handle, key, &found, sizeof found);
    bool other = st == 0;
    if (other && s.change) {
        uint32_t at = 0;
        other = !(BtrPosition(B_GET_DIRECT, d->Handle, &at) == 0 && at == s.position);
    }
    BtrSetDefaults(d->Handle, kListKey, -1);
    if (stored) {
        TagAltAddress back{};
        std::memcpy(&back, &position, 4);
        BtrGet(B_GET_DIRECT, d->Handle, key, &back, sizeof back);
    }
    return other;
}

int OnSave(void* context)
{
    AddressScreen& s = Screen(context);
    TagLookUpData* d = s.list->Data;
    const ListRun& run = Run(s.list);
    TagAltAddress r = *s.record;
    ScreenToRecord(s, r);
    if (r.Default == 'Y' && s.record->Default != 'Y' && OtherDefaultExists(s)) {
        ShowMessage(kMsgSecondDefault, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    char key[256] = {};
    if (s.change) {
        // the file stands on the address again
        TagAltAddress current{};
        std::memcpy(&current, &s.position, 4);
        const int st = BtrGet(B_GET_DIRECT, d->Handle, key, &current, sizeof current);
        if (st != 0) {
            Report(st, B_GET_DIRECT, run.fileNumber);
            return FX_STAY;
        }
    }
    std::memcpy(r.Customer, run.customer, kCodeLength);
    const int op = s.change ? B_UPDATE : B_INSERT;
    const int st = BtrWrite(op, d->Handle, key, &r, sizeof r);
    if (st != 0) {
        Report(st, op, run.fileNumber);
        if (st == B_DUPLICATE_KEY) {
            RecordToScreen(s);
            FxFocusField(&s.form, 2);
            return FX_STAY_FOCUSED;
        }
        return FX_STAY;
    }
    *s.record = r;
    s.answer = LK_KEY_SAVED;
    return FX_LEAVE;
}

int OnShipViaLookUp(void* context)
{
    AddressScreen& s = Screen(context);
    if (s.form.currentField != kShipVia)
        return FX_STAY;
    Table shipVia;
    const Status opened = shipVia.Open(FileNo::ShipVia);
    if (!opened.Ok()) {
        opened.Report();
        return FX_STAY;
    }
    const std::string start = Text(FxFieldGet(&s.form, kShipVia), 32);
    ShipViaRecord picked{};
    if (!FlyShipVia(start.empty() ? nullptr : start.c_str(), 0, shipVia.Handle(), &picked, 5, 6, 13, 67,
                    EditShipViaFromList))
        return FX_STAY;
    FxFieldSet(&s.form, kShipVia, Text(picked.Code, sizeof picked.Code).c_str());
    return FX_LOOKUP_SET;
}

int OnStart(void* context)
{
    AddressScreen& s = Screen(context);
    RecordToScreen(s);
    return FX_GO_ON;
}

// Adds (change false) or changes the address under the list's cursor.
int EditAddress(TagLookUp* l, bool change)
{
    TagLookUpData* d = l->Data;
    ListRun& run = Run(l);
    auto* record = static_cast<TagAltAddress*>(d->Record);
    uint32_t position = 0;
    if (change)
        change = Belongs(run, record) && BtrPosition(B_GET_DIRECT, d->Handle, &position) == 0;
    auto screen = std::make_unique<AddressScreen>();
    AddressScreen& s = *screen;
    s.fields = kFields;
    s.list = l;
    s.change = change;
    s.position = position;
    TagAltAddress work{};
    s.record = &work;
    if (change) {
        // the address as stored, locked while it is edited
        char key[256] = {};
        std::memcpy(&work, &position, 4);
        const int st = BtrGet(B_GET_DIRECT + B_LOCK_MULTI_NOWAIT, d->Handle, key, &work, sizeof work);
        if (st != 0) {
            Report(st, B_GET_DIRECT, run.fileNumber);
            return 0;
        }
    } else {
        std::memcpy(work.Customer, run.customer, kCodeLength);
        work.Default = 'N';
    }
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, s.fields.data(), 0) != 0 &&
        FxWindowCreate(&s.window, 6, 1, 19, 78, 1, 1, ' ', nullptr) == 0) {
        SetColorSet(s.colours, 2);
        FxWindowSetName(&s.window, "RSEditAlternative");
        SetupStandardScreen(&s.form, 1, 0);
        FxSetKeyHandler(&s.form, kAddrSave, OnSave);
        FxSetKeyHandler(&s.form, kAddrLookUp, OnShipViaLookUp);
        s.form.newRecord = OnStart;
        static const char* const kLabels[] = {"Address 1:", "Address 2:", "Address 3:", "Address 4:", "Address 5:",
                                              "City:",      "Telephones:", "Further:", "Ship via:",  "Second code:",
                                              "Default:"};
        const int rows[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        FxWindowAttachForm(&s.window, &s.form, 0);
        for (size_t i = 0; i < std::size(kLabels); ++i)
            FxWindowText(&s.window, rows[i], 2, -1, kLabels[i], 0);
        FxWindowText(&s.window, 6, 34, -1, "State:", 0);
        FxWindowText(&s.window, 6, 47, -1, "ZIP:", 0);
        FxSetKeyState(&s.form, kAddrDelete, 0);
        FxAppRun(&s.fx, 1);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    if (change)
        BtrUnlock(-2, d->Handle, nullptr);
    const int answer = s.answer;
    return answer;
}

int OnAddKey(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    return EditAddress(l, false) == LK_KEY_SAVED ? LK_ANSWER_REFRESH : 0;
}

int OnChangeKey(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    return EditAddress(l, true) == LK_KEY_SAVED ? LK_ANSWER_REFRESH : 0;
}

int OnDeleteKey(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    TagLookUpData* d = l->Data;
    uint32_t position = 0;
    if (BtrPosition(B_GET_DIRECT, d->Handle, &position) != 0)
        return 0;
    int choice = 2;
    if (AskMessage(kMsgDeleteQuestion, MESSAGE_DEFAULT_CONTEXT, &choice, "\001Yes,No", nullptr, -1, -1, 0, 0, 0) !=
            0 ||
        choice != 1)
        return 0;
    char key[256] = {};
    const int st = BtrWrite(B_DELETE, d->Handle, key, d->Record, d->RecordLength);
    if (st != 0) {
        Report(st, B_DELETE, Run(l).fileNumber);
        return 0;
    }
    return LK_ANSWER_REFRESH;
}

int NoKey(void*) { return 0; }

}  // namespace
}  // namespace bwps

using namespace bwps;

extern "C" int SelectAltAddress(int restricted, const char* customer, uint16_t handle, void* record401,
                                uint16_t row, uint16_t column, uint16_t height, uint16_t width, int fileNumber,
                                int allowDelete, int allowEdit)
{
    ListRun run;
    run.restricted = restricted != 0;
    if (customer != nullptr)
        std::snprintf(run.customer, sizeof run.customer, "%s", customer);
    run.fileNumber = fileNumber;
    run.allowDelete = allowDelete != 0;
    run.allowEdit = allowEdit != 0;

    std::vector<TagLookUpField> columns(5, TagLookUpField{});
    std::vector<TagLookUpField> filter(2, TagLookUpField{});
    {
        const char* path = GetDataFilePath(No(FileNo::CustomerAddresses));
        const std::string name = path != nullptr ? path : "";
        static_assert(sizeof(TagColumnDefinition) == sizeof(TagLookUpField), "the same 103 bytes");
        TagColumnDefinition definitions[5] = {};
        if (GetColumnDefinitions(name.c_str(), sizeof definitions, definitions, 5, 9, 10, 2, -1) != 0)
            return 0;
        std::memcpy(columns.data(), definitions, 4 * sizeof(TagLookUpField));
        TagColumnDefinition code[2] = {};
        if (GetColumnDefinitions(name.c_str(), sizeof code, code, 1, -1) != 0)
            return 0;
        std::memcpy(filter.data(), code, sizeof(TagLookUpField));
    }
    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(handle, &savedKey, &savedSecond);
    BtrSetDefaults(handle, kListKey, -1);

    char title[80] = {};
    FxLoadString(kListTitle, sizeof title, title);
    FxForm form{};
    SetupStandardScreen(&form, 99, 0);
    FxSetKeyHandler(&form, kAddrLookUp, NoKey);
    FxSetKeyState(&form, kAddrLookUp, 0);
    FxSetKeyHandler(&form, kAddrDelete, run.allowDelete ? OnDeleteKey : NoKey);
    FxSetKeyHandler(&form, kAddrAdd, run.allowEdit ? OnAddKey : NoKey);
    FxSetKeyHandler(&form, kAddrChange, run.allowEdit ? OnChangeKey : NoKey);
    if (!run.allowDelete)
        FxSetKeyState(&form, kAddrDelete, 0);
    if (!run.allowEdit) {
        FxSetKeyState(&form, kAddrAdd, 0);
        FxSetKeyState(&form, kAddrChange, 0);
    }
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    TagAltAddress buffer{};
    data.FileId = static_cast<uint16_t>(No(FileNo::CustomerAddresses));
    data.KeyNumber = kListKey;
    data.RecordLength = sizeof buffer;
    data.Handle = handle;
    data.Record = &buffer;
    SetColorSet(lookup.Colours, 3);
    lookup.Row = row;
    lookup.Column = column;
    lookup.Height = height;
    lookup.Width = width;
    lookup.Title = title;
    lookup.SearchPrompt = "Search :";
    lookup.Columns = columns.data();
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.Form = &form;
    lookup.Source = &run;
    lookup.StartMode = LK_START_FIRST;
    int picked = 0;
    if (run.restricted) {
        lookup.Read = RestrictedRow;
        void* values[1] = {run.customer};
        picked = FilterLookUpProcess(&lookup, filter.data(), values);
    } else {
        picked = LookUpProcess(&lookup);
    }
    if (picked && record401 != nullptr)
        std::memcpy(record401, &buffer, sizeof buffer);
    BtrSetDefaults(handle, savedKey, savedSecond);
    return picked ? 1 : 0;
}

BWPS_ORDINAL(593, SelectAltAddress);
