// The standard screen frame: the key menu at the head of every form and the
// global keys.
#include "bwps/screen_utils.h"
#include "bwps/screens.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fx.h"

// Screens of other areas bound to global keys; while one is not part of the
// library the key says so.
extern "C" {
__attribute__((weak)) int ShowCalculator(void);
__attribute__((weak)) int Version(void);
}

namespace {

constexpr int kOptions = 0x3C00;

struct Item {
    int key;
    int parent;
    const char* text;
    const char* caption;
    uint8_t f1, f2, f3;
};

const Item kStandard[] = {
    {0x3B00, 0, "F1", "Help", 1, 0, 0},
    {0x5400, kOptions, "\x18" "F1", "Contents and Index", 1, 0, 0},
    {0x5500, kOptions, "\x18" "F2", "Calculator", 1, 0, 0},
    {0x3C00, 0, "F2", "Options", 1, 0, 0},
    {0x3E00, kOptions, "F4", "Date", 1, 0, 0},
    {0x4400, 0, "F10", "OK", 1, 1, 1},
    {0x5D00, kOptions, "\x18" "F10", "Version", 1, 0, 0},
    {27, 0, "ESC", "Close", 1, 0, 0},
};

struct OptionItem {
    int bit;
    Item item;
};
const OptionItem kOptional[] = {
    {0x01, {0x3F00, 0, "F5", "LookUp", 1, 0, 0}},
    {0x02, {0x4000, 0, "F6", "Delete", 1, 1, 1}},
    {0x04, {0x5900, kOptions, "\x18" "F6", "Line Delete", 1, 1, 1}},
    {0x08, {0x5A00, kOptions, "\x18" "F7", "Line Insert", 1, 1, 1}},
    {0x10, {0x4100, 0, "F7", "Print", 1, 0, 0}},
    {0x20, {0x4200, 0, "F8", "Add", 1, 0, 0}},
    {0x40, {0x4300, 0, "F9", "Edit", 1, 0, 0}},
    {0x80, {0x5C00, 0, "\x18" "F9", "Switch Sort", 1, 0, 0}},
};

const int kAltLetters[26] = {0x1E00, 0x3000, 0x2E00, 0x2000, 0x1200, 0x2100, 0x2200,
                             0x2300, 0x1700, 0x2400, 0x2500, 0x2600, 0x3200, 0x3100,
                             0x1800, 0x1900, 0x1000, 0x1300, 0x1F00, 0x1400, 0x1600,
                             0x2F00, 0x1100, 0x2D00, 0x1500, 0x2C00};

FxKeyMenuItem* Append(FxForm* form)
{
    for (FxKeyMenuItem& row : form->keys.menu)
        if (row.key == 0)
            return &row;
    return nullptr;
}

void Fill(FxKeyMenuItem& row, int key, int parent, const char* text, const char* caption, uint8_t f1,
          uint8_t f2, uint8_t f3)
{
    std::memset(&row, 0, sizeof row);
    row.key = key;
    row.parent = parent;
    std::snprintf(row.keyText, sizeof row.keyText, "%s", text);
    std::snprintf(row.caption, sizeof row.caption, "%s", caption);
    std::snprintf(row.longCaption, sizeof row.longCaption, "%s", caption);
    row.attribute = key == 0x3C00 ? 0x20 : 0;
    row.keyCopy = key;
    row.flag1 = f1;
    row.flag2 = f2;
    row.flag3 = f3;
}

bool AddItem(FxForm* form, const Item& item)
{
    FxKeyMenuItem* row = Append(form);
    if (row == nullptr)
        return false;
    Fill(*row, item.key, item.parent, item.text, item.caption, item.f1, item.f2, item.f3);
    return true;
}

// One row of a key-menu text list: fields each ended by a comma.
void AddListRow(FxForm* form, const char* text)
{
    std::vector<std::string> fields;
    std::string t = text;
    size_t start = 0;
    for (;;) {
        const size_t comma = t.find(',', start);
        if (comma == std::string::npos)
            break;   // text after the last comma is ignored
        std::string field = t.substr(start, comma - start);
        if (field.empty())
            break;
        fields.push_back(field);
        start = comma + 1;
    }
    if (fields.empty())
        return;
    const std::string& keyText = fields[0];
    int key = 0;
    std::string shown = keyText;
    if (keyText.size() >= 2 && keyText[0] == '|') {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(keyText[1])));
        if (c >= 'A' && c <= 'Z')
            key = kAltLetters[c - 'A'];
        else if (c >= '1' && c <= '9')
            key = static_cast<int>(0xFFFF0000u | static_cast<unsigned>(0x7800 + (c - '1') * 0x100));
        else if (c == '0')
            key = static_cast<int>(0xFFFF0000u | 0x8100u);
        shown = std::string("Alt") + c;
    } else {
        const bool shifted = keyText[0] == '\x18';
        const std::string rest = shifted ? keyText.substr(1) : keyText;
        if (rest.size() >= 2 && (rest[0] == 'F' || rest[0] == 'f')) {
            const int n = std::atoi(rest.c_str() + 1);
            if (n >= 1 && n <= 10)
                key = (shifted ? 0x5400 : 0x3B00) + (n - 1) * 0x100;
        }
    }
    FxKeyMenuItem* row = Append(form);
    if (row == nullptr)
        return;
    auto on = [&](size_t i) -> uint8_t { return i < fields.size() && fields[i] == "1" ? 1 : 0; };
    Fill(*row, key, on(3) ? kOptions : 0, shown.c_str(), fields.size() > 1 ? fields[1].c_str() : "",
         on(2), on(4), on(5));
}

void NotInThisBuild(const char* what)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s is not available in this build.", what);
    FxMessageBox(nullptr, text, nullptr, FX_MB_ICONINFORMATION, 0);
}

int CloseKey(void* context)
{
    static_cast<FxContext*>(context)->key = FX_KEY_ESC;
    return 0;
}
// F1: the topic of the screen that runs (the handler's context may be a
// lookup's, so the framework is asked which screen that is).
int HelpKey(void*)
{
    char name[32] = {};
    void* keys = nullptr;
    FxCurrentScreen(name, sizeof name, &keys);
    ShowScreenHelp(name, keys);
    return FX_STAY;
}
int HelpIndexKey(void*) { return HelpIndex(), FX_STAY; }
int CalculatorKey(void*)
{
    if (ShowCalculator)
        ShowCalculator();
    else
        NotInThisBuild("The calculator");
    return FX_STAY;
}
int DateKey(void*)
{
    if (RSEDITDATE)
        RSEDITDATE();
    else
        NotInThisBuild("The system date screen");
    return FX_STAY;
}
int VersionKey(void*)
{
    if (Version)
        Version();
    else
        NotInThisBuild("The version list");
    return FX_STAY;
}

}  // namespace

extern "C" {

int SetupStandardScreen(FxForm* form, int options, int listId)
{
    if (form == nullptr)
        return 1;
    if (listId >= 0)
        std::memset(form->keys.menu, 0, sizeof form->keys.menu);
    for (const Item& item : kStandard)
        AddItem(form, item);
    if (options & 0x100) {
        FxSetKeyButton(form, 0x4400);
        FxSetKeyCaption(form, 0x4400, "Continue");
    } else if (options & 0x200) {
        FxSetKeyButton(form, 0x4400);
        FxSetKeyCaption(form, 0x4400, "Save");
    } else if (options & 0x400) {
        FxSetKeyButton(form, 0x4400);
        FxSetKeyCaption(form, 0x4400, "Process");
    } else if (options & 0x800) {
        FxSetKeyButton(form, FX_KEY_ESC);
    }
    for (const OptionItem& o : kOptional)
        if (options & o.bit)
            AddItem(form, o.item);
    if (listId > 0) {
        char* lines[FX_KEYMENU_ROWS + 1] = {};
        int width = 0, count = 0;
        if (FxTextListLoad(listId, lines, &width, &count, FX_KEYMENU_ROWS) != 0)
            return 1;
        for (int i = 0; lines[i] != nullptr; ++i)
            AddListRow(form, lines[i]);
        FxTextListFree(lines);
    }
    FxSetKeyHandler(form, FX_KEY_ESC, CloseKey);
    FxSetKeyHandler(form, 0x3B00, HelpKey);
    FxSetKeyHandler(form, 0x5400, HelpIndexKey);
    FxSetKeyHandler(form, 0x5500, CalculatorKey);
    FxSetKeyHandler(form, 0x3E00, DateKey);
    FxSetKeyHandler(form, 0x5D00, VersionKey);
    FxKeyMenuApply(form);
    return 0;
}

}  // extern "C"
