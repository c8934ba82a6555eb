// Field, position and format utilities of the screens.
#include "bwps/screen_utils.h"
#include "bwps/screens.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "fx.h"
#include "recman.h"

namespace {

const uint8_t kColour[10][5] = {
    {0x07, 0x0F, 0x0F, 0x0E, 0x0F}, {0x47, 0x4F, 0x4F, 0x0E, 0x4F}, {0x17, 0x1F, 0x4E, 0x0E, 0x1F},
    {0x70, 0x71, 0x4E, 0x0E, 0x70}, {0x3F, 0x3F, 0x4E, 0x0E, 0x0A}, {0x70, 0x71, 0x4E, 0x0E, 0x70},
    {0x4F, 0x4F, 0x4E, 0x0E, 0x4F}, {0x0E, 0x0E, 0x0E, 0x0E, 0x0E}, {0x07, 0x07, 0x07, 0x07, 0x07},
    {0, 0, 0, 0, 0}};
const uint8_t kMono[10][5] = {
    {0x0A, 0x0F, 0x0F, 0x70, 0x0A}, {0x0A, 0x0F, 0x0F, 0x70, 0x0A}, {0x0A, 0x0E, 0x0F, 0x70, 0x0A},
    {0x0A, 0x0F, 0x0F, 0x70, 0x0A}, {0x0A, 0x0F, 0x0F, 0x70, 0x0A}, {0x0A, 0x0F, 0x0F, 0x70, 0x0A},
    {0x0A, 0x0F, 0x0F, 0x70, 0x0A}, {0x70, 0x70, 0x70, 0x70, 0x70}, {0x70, 0x70, 0x70, 0x70, 0x70},
    {0, 0, 0, 0, 0}};

uint8_t g_colours[50];
bool g_coloursBuilt = false;
int g_quiet = 0;
char g_month[4];

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Option 1 of a Yes/No field reads Yes.
bool YesFirst(FxForm* form, int field)
{
    const int current = FxChoiceGet(form, field);
    FxChoiceSet(form, field, 1);
    const char* text = FxFieldGet(form, field);
    const bool yes = text != nullptr && (text[0] == 'Y' || text[0] == 'y');
    if (current > 0)
        FxChoiceSet(form, field, current);
    return yes;
}

bool On(int c) { return c == 'Y' || c == 'y' || c == 1; }

std::vector<int> Candidates(va_list args)
{
    std::vector<int> list;
    for (;;) {
        const int c = va_arg(args, int);
        if (c == 0)
            break;
        list.push_back(c);
    }
    return list;
}

int SetChoiceByChar(FxForm* form, int field, int character, const std::vector<int>& candidates)
{
    int option = 1;
    for (size_t i = 0; i < candidates.size(); ++i)
        if (candidates[i] == character) {
            option = static_cast<int>(i) + 1;
            break;
        }
    FxChoiceSet(form, field, option);
    return 0;
}

int ChoiceChar(FxForm* form, int field, const std::vector<int>& candidates)
{
    const int option = FxChoiceGet(form, field);
    if (option < 1 || option > static_cast<int>(candidates.size()))
        return ' ';
    return candidates[static_cast<size_t>(option) - 1];
}

bool EndOfSource(const ChoiceSource& e) { return e.Caption == nullptr || e.Character == 0; }

}  // namespace

namespace bwps::detail {
void ResetScreenUtils()
{
    g_coloursBuilt = false;
    g_quiet = 0;
    std::memset(g_month, 0, sizeof g_month);
}
}  // namespace bwps::detail

extern "C" {

int BuildColorSetTable(uint8_t* table, int monochrome)
{
    std::memcpy(table, monochrome ? kMono : kColour, 50);
    return 0;
}

int BuildPlainColorSetTable(uint8_t* table)
{
    for (int s = 0; s < 7; ++s) {
        const uint8_t set[5] = {0x70, 0x70, 0x0F, 0x0F, 0x0F};
        std::memcpy(table + s * 5, set, 5);
    }
    std::memset(table + 35, 0x70, 10);
    std::memset(table + 45, 0, 5);
    return 0;
}

const uint8_t* LibraryColorSets(void)
{
    if (!g_coloursBuilt) {
        BuildColorSetTable(g_colours, 0);
        g_coloursBuilt = true;
    }
    return g_colours;
}

int SetColorSet(void* definition, int set)
{
    if (definition != nullptr && set >= 0 && set < COLOR_TABLE_SETS)
        std::memcpy(definition, LibraryColorSets() + set * COLOR_SET_SIZE, COLOR_SET_SIZE);
    return 0;
}

int SetFieldYesNo(FxForm* form, int field, int character)
{
    const bool yes = On(character);
    const bool yesFirst = YesFirst(form, field);
    FxChoiceSet(form, field, yes == yesFirst ? 1 : 2);
    return 0;
}

int GetFieldYesNo(FxForm* form, int field)
{
    const bool yesFirst = YesFirst(form, field);
    const bool first = FxChoiceGet(form, field) == 1;
    return first == yesFirst ? 'Y' : 'N';
}

int SetFieldChoiceByChar(FxForm* form, int field, int character, ...)
{
    va_list args;
    va_start(args, character);
    const std::vector<int> candidates = Candidates(args);
    va_end(args);
    return SetChoiceByChar(form, field, character, candidates);
}

int GetFieldChoiceChar(FxForm* form, int field, ...)
{
    va_list args;
    va_start(args, field);
    const std::vector<int> candidates = Candidates(args);
    va_end(args);
    return ChoiceChar(form, field, candidates);
}

int PutYesNoChoice(FxForm* form, int field, int character) { return SetFieldYesNo(form, field, character); }
int ReadYesNoChoice(FxForm* form, int field) { return GetFieldYesNo(form, field); }

int SelectChoiceByValue(FxForm* form, int field, int character, ...)
{
    va_list args;
    va_start(args, character);
    const std::vector<int> candidates = Candidates(args);
    va_end(args);
    return SetChoiceByChar(form, field, character, candidates);
}

int GetSelectedChoiceValue(FxForm* form, int field, ...)
{
    va_list args;
    va_start(args, field);
    const std::vector<int> candidates = Candidates(args);
    va_end(args);
    return ChoiceChar(form, field, candidates);
}

int SetRangeField(FxForm* form, const char* text, int field)
{
    if (form == nullptr)
        return 0;
    const int f = field != 0 ? field : form->currentField;
    if (f <= 0)
        return 0;
    FxFieldSet(form, f, text);
    return 1;
}

int SetRangeFieldFirst(FxForm* form) { return SetRangeField(form, "First", 0); }
int SetRangeFieldLast(FxForm* form) { return SetRangeField(form, "Last", 0); }

int SetupRangeFields(FxForm* form)
{
    if (form == nullptr || form->currentField <= 0)
        return 0;
    const char* text = FxFieldGet(form, form->currentField);
    if (text != nullptr && (std::strcmp(text, "First") == 0 || std::strcmp(text, "Last") == 0))
        FxFieldSet(form, form->currentField, "");
    return 0;
}

int BuildChoiceText(const ChoiceSource* list, char** text)
{
    std::string out(1, '\x01');
    for (int i = 0; list != nullptr && !EndOfSource(list[i]); ++i) {
        if (i)
            out += ',';
        out += list[i].Caption;
    }
    auto* block = static_cast<char*>(FxAlloc(1, static_cast<int>(out.size()) + 1));
    if (block == nullptr)
        return 1;
    std::memcpy(block, out.c_str(), out.size() + 1);
    *text = block;
    return 0;
}

int GetChoiceSourceValue(FxForm* form, const ChoiceSource* list, int field)
{
    const int option = FxChoiceGet(form, field);
    for (int i = 0; list != nullptr && !EndOfSource(list[i]); ++i)
        if (i + 1 == option)
            return list[i].Value;
    return 0;
}

int BuildChoiceList(const ChoiceSource* list, char* out)
{
    int count = 0;
    while (list != nullptr && !EndOfSource(list[count])) {
        out[count + 1] = list[count].Character;
        ++count;
    }
    out[0] = static_cast<char>(count);
    return count > 0 ? 1 : 0;
}

int CompactAddressLines(void* block, int keepSecond)
{
    auto* lines = static_cast<char*>(block);
    char work[5][ADDRESS_LINE_SIZE] = {};
    int next = 0;
    for (int i = 0; i < 5; ++i) {
        const char* line = lines + i * ADDRESS_LINE_SIZE;
        if (keepSecond && i == 1) {
            // The second line keeps its place, empty or not.
            std::memcpy(work[1], line, ADDRESS_LINE_SIZE);
            next = 2;
            continue;
        }
        if (FxIsEmpty(line))
            continue;
        std::memcpy(work[next++], line, ADDRESS_LINE_SIZE);
    }
    char* extra = lines + ADDRESS_EXTRA_OFFSET;
    if (!FxIsEmpty(extra) && next < 5) {
        std::memcpy(work[next], extra, strnlen(extra, ADDRESS_EXTRA_SIZE));
        std::memset(extra, 0, ADDRESS_EXTRA_SIZE);
    }
    std::memcpy(lines, work, sizeof work);
    return 0;
}

int CompactAddressLinesAll(void* block) { return CompactAddressLines(block, 0); }

const char* MonthAbbreviation(int32_t date)
{
    const int month = date / 100 % 100;
    std::snprintf(g_month, sizeof g_month, "%s", month >= 1 && month <= 12 ? kMonths[month - 1] : "");
    return g_month;
}

double AmountDifference(double a, double b)
{
    if (FxAmountsEqual(a, b))
        return 0.0;
    if (a == 0.0)
        return b;
    if (b == 0.0)
        return -a;
    return b - a;
}

int CheckDiskSpace(double bytes)
{
    uint64_t total = 0, available = 0;
    if (FxDiskSpace(".", &total, &available) != 0) {
        ShowMessage(403, MESSAGE_DEFAULT_CONTEXT);
        return 1;
    }
    if (static_cast<double>(available) < bytes) {
        ShowMessage(1, MESSAGE_DEFAULT_CONTEXT);
        return 1;
    }
    return 0;
}

int AskChoiceMessage(FxForm* form)
{
    if (form != nullptr) {
        const char* text = FxFieldGet(form, 1);
        if (text == nullptr || text[0] == '\0')
            return 1;
    }
    int choice = 1;
    AskMessage(953, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO,
               LibraryColorSets() + 5 * 5, 0, 0, 0, 0, 0);
    return choice == 2 ? 0 : 1;
}


int FindInShortList(int value, ...)
{
    if (value == 0)
        return 0;
    va_list args;
    va_start(args, value);
    int result = value;
    for (;;) {
        const int c = va_arg(args, int);
        if (c < 0)
            break;
        if (c == value) {
            result = 0;
            break;
        }
    }
    va_end(args);
    return result;
}

int CheckedRecordCall(int write, int operation, uint16_t handle, void* key, void* record, int length,
                      int kind, int* status, int fileNumber, ...)
{
    char empty[256] = {};
    void* k = key != nullptr ? key : empty;
    const int s = write ? BtrWrite(operation, handle, k, record, length)
                        : BtrGet(operation, handle, k, record, length);
    if (status != nullptr)
        *status = s;
    if (s == 0)
        return 1;
    va_list args;
    va_start(args, fileNumber);
    bool accepted = false;
    for (;;) {
        const int a = va_arg(args, int);
        if (a == -1)
            break;
        if (a == s)
            accepted = true;
    }
    va_end(args);
    if (accepted)
        return 1;
    ReportRecordManagerError(s, kind, operation % 100, fileNumber, 0);
    return 0;
}

int SetScreenFieldAttr(FxForm*, int, int, int) { return 0; }

int SetScreenFieldEnabled(FxForm* form, int field, int on, int)
{
    return FxEnableField(form, field, on ? 1 : 0) == 0 ? 0 : 0x20;
}

void SetStatusWindowQuiet(int quiet) { g_quiet = quiet; }
int GetStatusWindowQuiet(void) { return g_quiet; }

// Entry points 728-744 that do nothing.
int ScreenUtilityNoOp(void) { return 0; }
intptr_t ScreenUtilityFirstArgument(intptr_t first) { return first; }
void ScreenUtilityNoOpVoid(void) {}
int ScreenUtilitySpace(void) { return 0x20; }

}  // extern "C"

CBtrPos::CBtrPos() : m_position(0), m_saveStatus(0), m_key(0), m_second(0), m_handle(0) {}
CBtrPos::CBtrPos(uint16_t handle) : CBtrPos() { m_handle = handle; }

void CBtrPos::Init()
{
    m_position = 0;
    m_saveStatus = 0;
    m_key = 0;
    m_second = 0;
    m_handle = 0;
}

bool CBtrPos::Save()
{
    int key = 0, second = 0;
    BtrGetDefaults(m_handle, &key, &second);
    m_key = key;
    m_second = second;
    m_saveStatus = static_cast<int16_t>(BtrPosition(B_GET_DIRECT, m_handle, &m_position));
    return m_saveStatus == 0;
}

bool CBtrPos::Save(int) { return Save(); }

bool CBtrPos::Restore()
{
    BtrSetDefaults(m_handle, m_key, -1);
    if (m_saveStatus == 0)
        BtrPosition(0, m_handle, &m_position);
    return true;
}

BWPS_ORDINAL(373, CheckDiskSpace);
BWPS_ORDINAL(381, AmountDifference);
BWPS_ORDINAL(382, SetupRangeFields);
BWPS_ORDINAL(385, SetRangeField);
BWPS_ORDINAL(386, MonthAbbreviation);
BWPS_ORDINAL(387, CompactAddressLinesAll);
BWPS_ORDINAL(388, SetFieldYesNo);
BWPS_ORDINAL(389, GetFieldYesNo);
BWPS_ORDINAL(390, SetFieldChoiceByChar);
BWPS_ORDINAL(391, GetFieldChoiceChar);
BWPS_ORDINAL(394, CompactAddressLines);
BWPS_ORDINAL(287, AskChoiceMessage);
BWPS_ORDINAL(750, BuildPlainColorSetTable);
BWPS_ORDINAL(828, BuildChoiceList);
BWPS_ORDINAL(829, GetChoiceSourceValue);
BWPS_ORDINAL(831, BuildChoiceText);
BWPS_ORDINAL(834, SetRangeFieldFirst);
BWPS_ORDINAL(835, SetRangeFieldLast);
BWPS_ORDINAL(2003, ScreenUtilitySpace);
BWPS_ORDINAL(728, ScreenUtilityNoOp);
BWPS_ORDINAL(729, ScreenUtilityNoOp);
BWPS_ORDINAL(730, ScreenUtilityNoOp);
BWPS_ORDINAL(731, ScreenUtilityFirstArgument);
BWPS_ORDINAL(732, ScreenUtilityFirstArgument);
BWPS_ORDINAL(733, ScreenUtilityFirstArgument);
BWPS_ORDINAL(734, ScreenUtilityNoOp);
BWPS_ORDINAL(735, ScreenUtilityNoOp);
BWPS_ORDINAL(736, ScreenUtilityNoOpVoid);
BWPS_ORDINAL(737, ScreenUtilityNoOp);
BWPS_ORDINAL(738, ScreenUtilityNoOp);
BWPS_ORDINAL(739, ScreenUtilityNoOp);
BWPS_ORDINAL(740, ScreenUtilityNoOp);
BWPS_ORDINAL(741, ScreenUtilityNoOp);
BWPS_ORDINAL(742, ScreenUtilityNoOp);
BWPS_ORDINAL(743, ScreenUtilityNoOp);
BWPS_ORDINAL(744, ScreenUtilityNoOp);
