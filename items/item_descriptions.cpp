// Description lines of a product or a service: up to ten lines, each a
// description, hidden or pop-up line, free text or the current text of a
// message code. The whole set is written again on F10.
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/products.h"
#include "bwps/records/messages.h"
#include "bwps/records/products.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "fx.h"

namespace bwps {
namespace {

constexpr int kLines = 10;
constexpr int kItemDescriptionRight = 122;
constexpr int kMessageNoItem = 205;
constexpr int kMessageUnknownMessageCode = 247;
constexpr int kMessageItemNotFound = 931;
constexpr int kMessageDeleteQuestion = 1521;
constexpr int kMessageNoCodeToDelete = 1523;
constexpr int kMessageNoFreeLine = 1525;
constexpr int kCodeWidth = 15;  // item code bytes in the record's key, before the line number

enum Field { kItemCode = 1, kItemDescription = 2 };
constexpr int KindField(int line) { return 3 + 3 * line; }
constexpr int MessageField(int line) { return 4 + 3 * line; }
constexpr int TextField(int line) { return 5 + 3 * line; }

const char kKindChoices[] = "\001Description,Hidden,Pop-up";
constexpr char kKindLetters[] = {'D', 'H', 'P'};

struct Line {
    int kind = 1;              // choice 1-3
    char messageCode[6] = {};
    char text[41] = {};
    bool Empty() const { return messageCode[0] == '\0' && text[0] == '\0'; }
};

struct Screen {
    FxContext fx{};
    FxWindow window{};
    FxForm form{};
    std::array<ScreenField, 3 + 3 * kLines + 1> fields{};
    std::string code;
    char description[32] = {};
    int master = 20;
    std::array<Line, kLines> lines{};
    Table details{FileNo::ItemDetails};
    Table messages{FileNo::MessageCodes};
};

Screen* g_screen = nullptr;

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    s = s.substr(first);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

void ItemKey(KeyBuffer& key, const std::string& code)
{
    key.Clear();
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), kCodeWidth - 1));
}

bool SameItem(const TagItemDetail& d, const std::string& code)
{
    return strnlen(d.Code, kCodeWidth) == code.size() && std::memcmp(d.Code, code.data(), code.size()) == 0;
}

// Reads a message code; found: its first text line into text.
Status ReadMessageText(Screen& s, const std::string& code, char (&text)[41])
{
    KeyBuffer key;
    key.Clear();
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 5));
    MessageCodeRecord m{};
    Status st = s.messages.Get(B_GET_EQUAL, key, m);
    if (st.Ok())
        std::snprintf(text, sizeof text, "%.*s", 40, m.Lines[0]);
    return st;
}

void ShowLines(Screen& s)
{
    for (int i = 0; i < kLines; ++i) {
        const Line& l = s.lines[static_cast<size_t>(i)];
        FxChoiceSet(&s.form, KindField(i), l.kind);
        FxFieldSet(&s.form, MessageField(i), l.messageCode);
        FxFieldSet(&s.form, TextField(i), l.text);
    }
}

void ScreenToLines(Screen& s)
{
    for (int i = 0; i < kLines; ++i) {
        Line& l = s.lines[static_cast<size_t>(i)];
        const int kind = FxChoiceGet(&s.form, KindField(i));
        l.kind = kind >= 1 && kind <= 3 ? kind : 1;
        std::snprintf(l.messageCode, sizeof l.messageCode, "%s", Trimmed(FxFieldGet(&s.form, MessageField(i))).c_str());
        std::snprintf(l.text, sizeof l.text, "%s", Trimmed(FxFieldGet(&s.form, TextField(i))).c_str());
    }
}

// Loads the stored lines; false when the detail file could not be read.
bool LoadLines(Screen& s)
{
    KeyBuffer key;
    ItemKey(key, s.code);
    TagItemDetail d{};
    size_t count = 0;
    Status st = s.details.Get(B_GET_GE, key, d);
    for (; st.Ok() && SameItem(d, s.code) && count < kLines; st = s.details.Get(B_GET_NEXT, key, d)) {
        Line& l = s.lines[count++];
        l = Line{};
        const char kind = d.Status;
        l.kind = kind == 'H' ? 2 : kind == 'P' ? 3 : 1;
        std::snprintf(l.messageCode, sizeof l.messageCode, "%.*s", 5, d.MessageCode);
        std::snprintf(l.text, sizeof l.text, "%.*s", 40, d.Text);
        const std::string message = Trimmed(l.messageCode);
        if (!message.empty()) {
            const Status m = ReadMessageText(s, message, l.text);
            if (!m.Ok() && !m.NotFound()) {
                Status{m.status, B_GET_EQUAL, FileNo::MessageCodes}.Report();
                return true;
            }
        }
    }
    if (!st.Ok() && !st.NotFound()) {
        Status{st.status, B_GET_GE, FileNo::ItemDetails}.Report();
        return false;
    }
    return true;
}

// A line's message code: empty, or on file (its text shown). FX_GO_ON or FX_STAY.
int CheckMessageCode(Screen& s, int line)
{
    const std::string code = Trimmed(FxFieldGet(&s.form, MessageField(line)));
    if (code.empty())
        return FX_GO_ON;
    char text[41] = {};
    const Status st = ReadMessageText(s, code, text);
    if (st.Ok()) {
        FxFieldSet(&s.form, TextField(line), text);
        return FX_GO_ON;
    }
    if (st.NotFound())
        ShowMessage(kMessageUnknownMessageCode, MESSAGE_DEFAULT_CONTEXT);
    else
        Status{st.status, B_GET_EQUAL, FileNo::MessageCodes}.Report();
    return FX_STAY;
}

// Deletes every stored line of the item; false after a reported failure.
bool DeleteStored(Screen& s)
{
    KeyBuffer key;
    ItemKey(key, s.code);
    TagItemDetail d{};
    Status st = s.details.Get(B_GET_GE, key, d);
    while (st.Ok() && SameItem(d, s.code)) {
        const Status del = s.details.Delete();
        if (!del.Ok()) {
            Status{del.status, B_DELETE, FileNo::ItemDetails}.Report();
            return false;
        }
        st = s.details.Get(B_GET_NEXT, key, d);
    }
    if (!st.Ok() && !st.NotFound()) {
        Status{st.status, B_GET_GE, FileNo::ItemDetails}.Report();
        return false;
    }
    return true;
}

int LineOfField(int field) { return (field - 3) / 3; }

int OnKindExit(void* context)
{
    Screen& s = *g_screen;
    const int line = LineOfField(s.form.currentField);
    const int key = static_cast<FxContext*>(context)->key;
    if (key == FX_KEY_UP && line > 0) {
        FxFocusField(&s.form, KindField(line - 1));
        return FX_STAY_FOCUSED;
    }
    if (key == FX_KEY_DOWN && line < kLines - 1) {
        FxFocusField(&s.form, KindField(line + 1));
        return FX_STAY_FOCUSED;
    }
    return FX_GO_ON;
}

int OnMessageExit(void* context)
{
    if (static_cast<FxContext*>(context)->key == FX_KEY_F10)
        return FX_GO_ON;
    Screen& s = *g_screen;
    return CheckMessageCode(s, LineOfField(s.form.currentField));
}

int OnSave(void*)
{
    Screen& s = *g_screen;
    for (int i = 0; i < kLines; ++i)
        if (CheckMessageCode(s, i) != FX_GO_ON) {
            FxFocusField(&s.form, MessageField(i));
            return FX_STAY_FOCUSED;
        }
    ScreenToLines(s);
    // The old lines go and the new ones come in one transaction: a failure
    // leaves the lines as they were.
    WriteBatch batch;
    if (!batch.Begun().Ok()) {
        Status{batch.Begun().status, B_BEGIN_TRAN, FileNo::ItemDetails}.Report();
        return FX_STAY;
    }
    if (!DeleteStored(s))
        return FX_STAY;
    uint8_t written = 0;
    for (const Line& l : s.lines) {
        if (l.Empty())
            continue;
        TagItemDetail d{};
        std::memcpy(d.Code, s.code.data(), std::min<size_t>(s.code.size(), kCodeWidth - 1));
        d.Code[kCodeWidth] = static_cast<char>(written);
        d.Status = kKindLetters[l.kind - 1];
        std::memcpy(d.MessageCode, l.messageCode, sizeof d.MessageCode);
        std::memcpy(d.Text, l.text, sizeof d.Text);
        const Status st = s.details.Insert(d);
        if (!st.Ok()) {
            Status{st.status, B_INSERT, FileNo::ItemDetails}.Report();
            return FX_STAY;
        }
        ++written;
    }
    const Status committed = batch.Commit();
    if (!committed.Ok()) {
        Status{committed.status, B_END_TRAN, FileNo::ItemDetails}.Report();
        return FX_STAY;
    }
    return FX_LEAVE;
}

int OnDelete(void*)
{
    Screen& s = *g_screen;
    if (s.code.empty()) {
        ShowMessage(kMessageNoCodeToDelete, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    int choice = 2;
    AskMessage(kMessageDeleteQuestion, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO,
               LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
    if (choice != 1)
        return FX_STAY;
    WriteBatch batch;
    if (!batch.Begun().Ok()) {
        Status{batch.Begun().status, B_BEGIN_TRAN, FileNo::ItemDetails}.Report();
        return FX_STAY;
    }
    if (!DeleteStored(s))
        return FX_STAY;
    const Status committed = batch.Commit();
    if (!committed.Ok()) {
        Status{committed.status, B_END_TRAN, FileNo::ItemDetails}.Report();
        return FX_STAY;
    }
    for (Line& l : s.lines) {
        l.messageCode[0] = '\0';
        l.text[0] = '\0';
    }
    ShowLines(s);
    return FX_RECORD_DONE;
}

int CurrentLine(Screen& s)
{
    const int field = s.form.currentField;
    return field >= KindField(0) ? LineOfField(field) : 0;
}

int OnRemoveLine(void*)
{
    Screen& s = *g_screen;
    ScreenToLines(s);
    const int line = CurrentLine(s);
    for (int i = line; i < kLines - 1; ++i)
        s.lines[static_cast<size_t>(i)] = s.lines[static_cast<size_t>(i + 1)];
    s.lines[kLines - 1] = Line{};
    ShowLines(s);
    FxFocusField(&s.form, KindField(line));
    return FX_STAY_FOCUSED;
}

int OnInsertLine(void*)
{
    Screen& s = *g_screen;
    ScreenToLines(s);
    if (!s.lines[kLines - 1].Empty()) {
        ShowMessage(kMessageNoFreeLine, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    const int line = CurrentLine(s);
    for (int i = kLines - 1; i > line; --i)
        s.lines[static_cast<size_t>(i)] = s.lines[static_cast<size_t>(i - 1)];
    s.lines[static_cast<size_t>(line)] = Line{};
    ShowLines(s);
    FxFocusField(&s.form, KindField(line));
    return FX_STAY_FOCUSED;
}

int OnLookUp(void*)
{
    Screen& s = *g_screen;
    const int field = s.form.currentField;
    if (field < KindField(0) || (field - 3) % 3 != 1)
        return FX_STAY;
    const int line = LineOfField(field);
    MessageCodeRecord picked{};
    const std::string start = Trimmed(FxFieldGet(&s.form, field));
    if (!FlyMessages(start.empty() ? nullptr : start.c_str(), 1, s.messages.Handle(), &picked, 5, 6, 13, 67,
                     nullptr))
        return FX_STAY;
    char code[6] = {};
    std::snprintf(code, sizeof code, "%.*s", 5, picked.Code);
    char text[41] = {};
    std::snprintf(text, sizeof text, "%.*s", 40, picked.Lines[0]);
    FxFieldSet(&s.form, field, code);
    FxFieldSet(&s.form, TextField(line), text);
    return FX_LOOKUP_SET;
}

// The form starts (or starts again after a delete) on the item's lines.
int OnNewRecord(void*)
{
    Screen& s = *g_screen;
    FxFieldSet(&s.form, kItemCode, s.code.c_str());
    FxFieldSet(&s.form, kItemDescription, s.description);
    ShowLines(s);
    FxFocusField(&s.form, KindField(0));
    return FX_GO_ON;
}

void BuildFields(Screen& s)
{
    size_t n = 0;
    s.fields[n++] = bwps::Field(kItemCode, 1, 16, "%-14sC").DisplayOnly();
    s.fields[n++] = bwps::Field(kItemDescription, 2, 16, "%-30s").DisplayOnly();
    for (int i = 0; i < kLines; ++i) {
        const uint8_t row = static_cast<uint8_t>(5 + i);
        ScreenField kind = bwps::Field(static_cast<uint8_t>(KindField(i)), row, 2, "%-11sm").Choices(kKindChoices);
        kind.exitHandler = OnKindExit;
        ScreenField message = bwps::Field(static_cast<uint8_t>(MessageField(i)), row, 15, "%-5sC").Flags(FX_FIELD_UPPER);
        message.exitHandler = OnMessageExit;
        s.fields[n++] = kind;
        s.fields[n++] = message;
        s.fields[n++] = bwps::Field(static_cast<uint8_t>(TextField(i)), row, 22, "%-40s");
    }
    s.fields[n] = ScreenField{};
}

int RunItemDescriptions(const char* code, int master)
{
    if (CheckUserGroupAccess(kItemDescriptionRight) == 0)
        return 0;
    const std::string item = Trimmed(code);
    if (item.empty()) {
        ShowMessage(kMessageNoItem, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    auto screen = std::make_unique<Screen>();
    Screen& s = *screen;
    s.code = item;
    s.master = master;
    Table products(FileNo::Products), services(FileNo::Services);
    for (Table* t : {&s.details, &products, &services, &s.messages}) {
        const Status st = t->Open();
        if (!st.Ok()) {
            st.Report();
            return 0;
        }
    }
    std::array<uint8_t, sizeof(TagProduct)> record{};
    int file = -1, status = 0;
    ReadRecordLocked(item.c_str(), products.Handle(), services.Handle(), record.data(), &file, &status);
    auto unlock = [&] {
        products.UnlockAll();
        services.UnlockAll();
    };
    if (status != 0 || file != master) {
        if (status == 0 || status == B_KEY_NOT_FOUND || status == B_END_OF_FILE)
            ShowMessage(kMessageItemNotFound, MESSAGE_DEFAULT_CONTEXT);
        else
            Status{status, B_GET_EQUAL, master == 21 ? FileNo::Services : FileNo::Products}.Report();
        unlock();
        return 0;
    }
    std::memcpy(s.description, record.data() + 15, 31);
    s.description[31] = '\0';
    if (!LoadLines(s)) {
        unlock();
        return 0;
    }

    BuildFields(s);
    g_screen = &s;
    FxAppBegin(&s.fx);
    int result = 0;
    if (FxFormLoad(&s.form, s.fields.data(), 1)) {
        FxWindowCreate(&s.window, 4, 9, 23, 76, 1, 5, ' ', nullptr);
        FxWindowSetName(&s.window, "RSEditItemDescr");
        SetupStandardScreen(&s.form, 35, 479);
        FxWindowAttachForm(&s.window, &s.form, 0);
        FxWindowText(&s.window, 1, 2, -1, "Item:", 0);
        FxWindowText(&s.window, 2, 2, -1, "Description:", 0);
        FxWindowText(&s.window, 4, 2, -1, "Kind", 0);
        FxWindowText(&s.window, 4, 15, -1, "Msg", 0);
        FxWindowText(&s.window, 4, 22, -1, "Text", 0);
        FxSetKeyHandler(&s.form, 0x4200, nullptr);
        FxSetKeyHandler(&s.form, 0x3F00, OnLookUp);
        FxSetKeyHandler(&s.form, 0x4000, OnDelete);
        FxSetKeyHandler(&s.form, 0x5900, OnRemoveLine);
        FxSetKeyHandler(&s.form, 0x5A00, OnInsertLine);
        FxSetKeyHandler(&s.form, 0x4400, OnSave);
        s.form.newRecord = OnNewRecord;
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
        result = 1;
    }
    FxAppEnd(&s.fx);
    g_screen = nullptr;
    unlock();
    return result;
}

}  // namespace
}  // namespace bwps

extern "C" int RSEditItemDescr(const char* code, int fileNumber)
{
    return bwps::RunItemDescriptions(code, fileNumber);
}

BWPS_ORDINAL(607, RSEditItemDescr);
