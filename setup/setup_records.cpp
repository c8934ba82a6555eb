// Screens that keep one settings record each: the program date (with the
// date checks other screens use), the company identification, the default
// order of the lookups, the receipt banner lines and the current year.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/pos_transaction.h"
#include "bwps/records.h"
#include "bwps/records/messages.h"
#include "bwps/reports.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/setup_screens.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

constexpr int kColourSetScreen = 2;
constexpr int kColourSetDate = 5;
constexpr int kMsgNotADate = 185;
constexpr int kMsgNameEmpty = 197;
constexpr int kMsgYearZero = 593;
constexpr int kMsgDateOutside = 1672;
constexpr int kRightProgramDate = 1;
constexpr uint32_t kReportDateSet = 0x40;
constexpr char kBlankDate[] = "  /  /    ";
constexpr int kF1 = FX_KEY_F1, kF2 = FX_KEY_F1 + 0x100, kF4 = FX_KEY_F1 + 3 * 0x100,
              kF5 = FX_KEY_F1 + 4 * 0x100;

KeyBuffer GeneralKey(const char* key)
{
    KeyBuffer buffer;
    std::memcpy(buffer.bytes, key, GENERAL_KEY_SIZE);
    return buffer;
}

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

template <std::size_t N>
void PutText(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

template <std::size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

// Opens a window of the given rows and columns at a row and column.
void OpenWindow(FxWindow* window, int row, int column, int rows, int columns, const char* name)
{
    FxWindowCreate(window, row, column, row + rows - 1, column + columns - 1, 1, 1, ' ', nullptr);
    FxWindowSetName(window, name);
}

// ============================================================ program date

struct DateScreen {
    FxContext fx;  // first
    FxForm form;
    FxWindow window;
    uint8_t colours[COLOR_SET_SIZE];
};

int LoadProgramDate(void* context)
{
    auto* s = static_cast<DateScreen*>(context);
    SessionBlock* session = GetSessionPaths();
    if (session->ProgramDate == 0) {
        FxTodayRefresh();
        session->ProgramDate = FxSystemDate();
        FxSetProgramDate(session->ProgramDate);
    }
    char text[16] = {};
    FxTimeToText(text, session->ProgramDate);
    FxFieldSet(&s->form, 1, text);
    return FX_GO_ON;
}

int AcceptProgramDate(void* context)
{
    auto* s = static_cast<DateScreen*>(context);
    const std::string text = FxFieldGet(&s->form, 1);
    // A date outside the years the framework counts in would leave the
    // program without a usable working date: refused like a wrong date.
    if (!ValidateDateText(text.c_str(), 0))
        return FX_STAY;
    const int32_t date = FxDateParse(text.c_str());
    GetSessionPaths()->ProgramDate = date;
    FxSetProgramDate(date);
    FxReportBlock* block = FxReportBlockGet();
    if (block != nullptr) {
        char shown[16] = {};
        FxTimeToText(shown, date);
        std::memset(block->date, 0, sizeof block->date);
        std::memcpy(block->date, shown, std::min(sizeof block->date, std::strlen(shown)));
        SetFlagBits(block, kReportDateSet, shown[0] != '\0');
    }
    ShowPeriodStatus();
    return FX_LEAVE;
}

constexpr std::array<ScreenField, 2> kDateTemplate{{
    bwps::Field(1, 2, 20, "nn/nn/nnnn").Exit(AcceptProgramDate),
    {},
}};

// ================================================== company identification

enum : int {
    C_NAME = 1, C_ADDRESS1, C_ADDRESS2, C_ADDRESS3, C_TEXT300, C_TEXT341, C_PHONE1, C_PHONE2, C_PHONE3,
    C_TEXT393, C_TEXT424, C_PICTURE_SHOWN, C_PICTURE
};

struct CompanyScreen {
    FxContext fx;  // first
    FxForm form;
    FxWindow window;
    uint16_t files[30];
    TagCompanyRecord record;
    uint8_t colours[COLOR_SET_SIZE];
};

// The text fields and the record areas they edit.
struct CompanyText {
    int field;
    size_t offset;
    size_t size;
};
constexpr CompanyText kCompanyTexts[] = {
    {C_NAME, offsetof(TagCompanyRecord, Name), sizeof(TagCompanyRecord::Name)},
    {C_ADDRESS1, offsetof(TagCompanyRecord, Address1), sizeof(TagCompanyRecord::Address1)},
    {C_ADDRESS2, offsetof(TagCompanyRecord, Address2), sizeof(TagCompanyRecord::Address2)},
    {C_ADDRESS3, offsetof(TagCompanyRecord, Address3), sizeof(TagCompanyRecord::Address3)},
    {C_TEXT300, offsetof(TagCompanyRecord, Text300), sizeof(TagCompanyRecord::Text300)},
    {C_TEXT341, offsetof(TagCompanyRecord, Text341), sizeof(TagCompanyRecord::Text341)},
    {C_PHONE1, offsetof(TagCompanyRecord, Text252), sizeof(TagCompanyRecord::Text252)},
    {C_PHONE2, offsetof(TagCompanyRecord, Text268), sizeof(TagCompanyRecord::Text268)},
    {C_PHONE3, offsetof(TagCompanyRecord, Text284), sizeof(TagCompanyRecord::Text284)},
    {C_TEXT393, offsetof(TagCompanyRecord, Text393), sizeof(TagCompanyRecord::Text393)},
    {C_TEXT424, offsetof(TagCompanyRecord, Text424), sizeof(TagCompanyRecord::Text424)},
};

char* Area(TagCompanyRecord& record, const CompanyText& t)
{
    return reinterpret_cast<char*>(&record) + t.offset;
}

int LoadCompany(void* context)
{
    auto* s = static_cast<CompanyScreen*>(context);
    std::memset(&s->record, 0, sizeof s->record);
    if (ReadGeneralRecord(0, s->files[0], GENERAL_COMPANY_SIZE, GENERAL_KEY_COMPANY, &s->record) != 0)
        return FX_LEAVE;
    for (const auto& t : kCompanyTexts) {
        const char* area = Area(s->record, t);
        FxFieldSet(&s->form, t.field, std::string(area, strnlen(area, t.size)).c_str());
    }
    FxChoiceSet(&s->form, C_PICTURE_SHOWN, s->record.PictureShown == 'Y' ? 1 : 2);
    FxFieldSet(&s->form, C_PICTURE, FieldText(s->record.Picture).c_str());
    FxFormRedraw(&s->fx, &s->form);
    return FX_GO_ON;
}

// A picture path keeps only its file name and extension.
std::string PictureName(const std::string& path)
{
    const auto cut = path.find_last_of("/\\:");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    char text[sizeof(TagCompanyRecord::Picture)] = {};
    std::memcpy(text, name.data(), std::min(name.size(), sizeof text - 1));
    FxTrimText(5, text);
    return text;
}

// The screen's fields into a record.
void TakeCompany(CompanyScreen* s, TagCompanyRecord& record)
{
    for (const auto& t : kCompanyTexts) {
        char* area = Area(record, t);
        const std::string text = FxFieldGet(&s->form, t.field);
        std::memset(area, 0, t.size);
        std::memcpy(area, text.data(), std::min(text.size(), t.size - 1));
    }
    record.PictureShown = FxChoiceGet(&s->form, C_PICTURE_SHOWN) == 1 ? 'Y' : 'N';
    PutText(record.Picture, PictureName(Trimmed(FxFieldGet(&s->form, C_PICTURE))));
}

int OnSaveCompany(void* context)
{
    auto* s = static_cast<CompanyScreen*>(context);
    if (Trimmed(FxFieldGet(&s->form, C_NAME)).empty()) {
        ShowMessage(kMsgNameEmpty, 1);
        return FX_STAY;
    }
    TakeCompany(s, s->record);
    // The record as stored now takes the screen's fields; what the other
    // writers of the record keep beside them stays.
    Table general;
    general.Borrow(FileNo::General, s->files[0]);
    TagCompanyRecord stored{};
    KeyBuffer key = GeneralKey(GENERAL_KEY_COMPANY);
    Status st = general.Get(B_GET_EQUAL, key.bytes, &stored, sizeof stored);
    if (!st.Ok()) {
        st.Report();
        return FX_LEAVE;
    }
    TakeCompany(s, stored);
    st = general.Update(stored, &key);
    if (st.Ok())
        return FX_LEAVE;
    st.Report();
    return st.Is(B_CONFLICT) || st.Is(B_DUPLICATE_KEY) ? FX_RECORD_DONE : FX_STAY;
}

constexpr char kYesNo[] = "Yes,No";

constexpr std::array<ScreenField, 14> kCompanyTemplate{{
    bwps::Field(C_NAME, 1, 20, "%-40s"),
    bwps::Field(C_ADDRESS1, 2, 20, "%-40s"),
    bwps::Field(C_ADDRESS2, 3, 20, "%-40s"),
    bwps::Field(C_ADDRESS3, 4, 20, "%-40s"),
    bwps::Field(C_TEXT300, 5, 20, "%-40s"),
    bwps::Field(C_TEXT341, 6, 20, "%-13s"),
    bwps::Field(C_PHONE1, 7, 20, "(nnn) nnn-nnnn"),
    bwps::Field(C_PHONE2, 7, 40, "(nnn) nnn-nnnn"),
    bwps::Field(C_PHONE3, 7, 60, "(nnn) nnn-nnnn"),
    bwps::Field(C_TEXT393, 8, 20, "%-13s"),
    bwps::Field(C_TEXT424, 8, 40, "%-13s"),
    bwps::Field(C_PICTURE_SHOWN, 9, 20, "%-3sm").Choices(kYesNo),
    // The framework's fields hold 255 characters; the stored name and
    // extension never need more.
    bwps::Field(C_PICTURE, 10, 20, "%-255s"),
    {},
}};

// ============================================================ lookup orders

struct OrderField {
    int field;
    size_t offset;  // in TagLookUps
    const char* choices;
    char first;
    char second;
};

#define ORDER(array, index) (offsetof(TagLookUps, array) + (index))
constexpr const char kCodeName[] = "Code,Name";
constexpr const char kCodeDescription[] = "Code,Description";
constexpr const char kNumberCode[] = "Number,Code";
constexpr OrderField kOrderFields[] = {
    {1, ORDER(LookupOrder, 0), kCodeName, 'C', 'N'},
    {2, ORDER(LookupOrder, 1), kCodeName, 'C', 'N'},
    {3, ORDER(LookupOrder, 3), kCodeDescription, 'C', 'D'},
    {4, ORDER(LookupOrder, 4), kCodeDescription, 'C', 'D'},
    {5, ORDER(LookupOrder, 13), kCodeDescription, 'C', 'D'},
    {6, ORDER(LookupOrder, 5), kCodeDescription, 'C', 'D'},
    {7, ORDER(LookupOrder, 7), kCodeDescription, 'C', 'D'},
    {8, ORDER(LookupOrder, 9), kNumberCode, 'N', 'C'},
    {9, ORDER(LookupOrder, 8), kCodeName, 'C', 'N'},
    {10, ORDER(LookupOrder, 12), kCodeDescription, 'C', 'D'},
    {11, ORDER(LookupOrder, 11), kCodeDescription, 'C', 'D'},
    {12, ORDER(LookupOrder, 10), kCodeDescription, 'C', 'D'},
    {13, offsetof(TagLookUps, LookupOrder16), kCodeDescription, 'C', 'D'},
    {15, ORDER(DocumentOrder, 2), kNumberCode, 'N', 'C'},
    {16, ORDER(DocumentOrder, 7), kNumberCode, 'N', 'C'},
    {17, ORDER(DocumentOrder, 4), kNumberCode, 'N', 'C'},
};
#undef ORDER

struct LookupOrderScreen {
    FxContext fx;  // first
    FxForm form;
    FxWindow window;
    uint16_t files[30];
    TagLookUps record;
    uint8_t colours[COLOR_SET_SIZE];
};

char& OrderByte(TagLookUps& record, const OrderField& f)
{
    return reinterpret_cast<char*>(&record)[f.offset];
}

int LoadLookupOrders(void* context)
{
    auto* s = static_cast<LookupOrderScreen*>(context);
    Table general;
    general.Borrow(FileNo::General, s->files[0]);
    KeyBuffer key = GeneralKey(GENERAL_KEY_LOOKUPS);
    const Status st = general.Get(B_GET_EQUAL, key.bytes, &s->record, sizeof s->record);
    if (!st.Ok()) {
        st.Report();
        return FX_LEAVE;
    }
    for (const auto& f : kOrderFields)
        FxChoiceSet(&s->form, f.field, OrderByte(s->record, f) == f.second ? 2 : 1);
    return FX_GO_ON;
}

int OnSaveLookupOrders(void* context)
{
    auto* s = static_cast<LookupOrderScreen*>(context);
    for (const auto& f : kOrderFields)
        OrderByte(s->record, f) = FxChoiceGet(&s->form, f.field) == 2 ? f.second : f.first;
    Table general;
    general.Borrow(FileNo::General, s->files[0]);
    KeyBuffer key = GeneralKey(GENERAL_KEY_LOOKUPS);
    // On the position of the start's read: a change another station made
    // since then is a conflict, not overwritten.
    const Status st = general.Update(s->record, &key);
    if (st.Ok())
        return FX_LEAVE;
    st.Report();
    return st.Is(B_CONFLICT) || st.Is(B_DUPLICATE_KEY) ? FX_RECORD_DONE : FX_STAY;
}

constexpr std::array<ScreenField, 17> kLookupOrderTemplate{{
    bwps::Field(1, 1, 30, "%-4sm").Choices(kCodeName),
    bwps::Field(2, 2, 30, "%-4sm").Choices(kCodeName),
    bwps::Field(3, 3, 30, "%-11sm").Choices(kCodeDescription),
    bwps::Field(4, 4, 30, "%-11sm").Choices(kCodeDescription),
    bwps::Field(5, 5, 30, "%-11sm").Choices(kCodeDescription),
    bwps::Field(6, 6, 30, "%-11sm").Choices(kCodeDescription),
    bwps::Field(7, 7, 30, "%-11sm").Choices(kCodeDescription),
    bwps::Field(8, 8, 30, "%-6sm").Choices(kNumberCode),
    bwps::Field(9, 9, 30, "%-4sm").Choices(kCodeName),
    bwps::Field(10, 10, 30, "%-11sm").Choices(kCodeDescription),
    bwps::Field(11, 11, 30, "%-11sm").Choices(kCodeDescription),
    bwps::Field(12, 12, 30, "%-11sm").Choices(kCodeDescription),
    bwps::Field(13, 1, 66, "%-11sm").Choices(kCodeDescription),
    bwps::Field(15, 2, 66, "%-6sm").Choices(kNumberCode),
    bwps::Field(16, 3, 66, "%-6sm").Choices(kNumberCode),
    bwps::Field(17, 4, 66, "%-6sm").Choices(kNumberCode),
    {},
}};

// ================================================================ banners

struct BannerScreen {
    FxContext fx;  // first
    FxForm form;
    FxWindow window;
    uint16_t files[30];
    TagBanners* banners;  // the caller's area
    bool isNew;
    uint8_t colours[COLOR_SET_SIZE];
};
enum { SLOT_MESSAGES = 0, SLOT_GENERAL = 1 };

int LoadBanners(void* context)
{
    auto* s = static_cast<BannerScreen*>(context);
    Table general;
    general.Borrow(FileNo::General, s->files[SLOT_GENERAL]);
    KeyBuffer key = GeneralKey(GENERAL_KEY_BANNERS);
    const Status st = general.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key.bytes, s->banners, sizeof *s->banners);
    s->isNew = false;
    if (st.Is(B_KEY_NOT_FOUND)) {
        std::memset(s->banners, 0, sizeof *s->banners);
        s->isNew = true;
    } else if (!st.Ok()) {
        Status{st.status, B_GET_EQUAL, st.file}.Report();
        return FX_LEAVE;
    }
    for (int line = 0; line < BANNER_LINES; ++line)
        FxFieldSet(&s->form, line + 1, FieldText(s->banners->Lines[line]).c_str());
    return FX_GO_ON;
}

int OnBannerLookup(void* context)
{
    auto* s = static_cast<BannerScreen*>(context);
    MessageCodeRecord message{};
    if (!FlyMessages(nullptr, 0, s->files[SLOT_MESSAGES], &message, 5, 10, 10, 50, nullptr))
        return FX_STAY;
    const int current = std::max(1, static_cast<int>(s->form.currentField));
    const int last = current <= BANNER_FIRST_GROUP ? BANNER_FIRST_GROUP : BANNER_LINES;
    int field = current;
    for (const auto& line : message.Lines) {
        const std::string text = FieldText(line);
        if (Trimmed(text.c_str()).empty())
            continue;
        if (field > last)
            break;
        FxFieldSet(&s->form, field++, text.c_str());
    }
    return FX_LOOKUP_SET;
}

int OnSaveBanners(void* context)
{
    auto* s = static_cast<BannerScreen*>(context);
    TagBanners& b = *s->banners;
    for (int line = 0; line < BANNER_LINES; ++line)
        PutText(b.Lines[line], std::string(FxFieldGet(&s->form, line + 1)));
    std::memcpy(b.Key, GENERAL_KEY_BANNERS, GENERAL_KEY_SIZE);
    Table general;
    general.Borrow(FileNo::General, s->files[SLOT_GENERAL]);
    KeyBuffer key = GeneralKey(GENERAL_KEY_BANNERS);
    const Status st = s->isNew ? general.Insert(b, &key) : general.Update(b, &key);
    if (!st.Ok()) {
        st.Report();
        return FX_GO_ON;
    }
    s->isNew = false;
    return FX_LEAVE;
}

constexpr std::array<ScreenField, 9> kBannerTemplate{{
    bwps::Field(1, 2, 10, "%-40s"),
    bwps::Field(2, 3, 10, "%-40s"),
    bwps::Field(3, 4, 10, "%-40s"),
    bwps::Field(4, 5, 10, "%-40s"),
    bwps::Field(5, 6, 10, "%-40s"),
    bwps::Field(6, 9, 10, "%-40s"),
    bwps::Field(7, 10, 10, "%-40s"),
    bwps::Field(8, 11, 10, "%-40s"),
    {},
}};

// ============================================================ current year

struct YearScreen {
    FxContext fx;  // first
    FxForm form;
    FxWindow window;
    Table general;
    TagCurrentYear record;
    bool isNew;
    uint8_t colours[COLOR_SET_SIZE];
};

int LoadCurrentYear(void* context)
{
    auto* s = static_cast<YearScreen*>(context);
    KeyBuffer key = GeneralKey(GENERAL_KEY_CURRENTYEAR);
    s->isNew = !s->general.Get(B_GET_EQUAL, key.bytes, &s->record, sizeof s->record).Ok();
    if (s->isNew) {
        std::memset(&s->record, 0, sizeof s->record);
        std::memcpy(s->record.Key, GENERAL_KEY_CURRENTYEAR, GENERAL_KEY_SIZE);
        s->record.Zero = 0;
        s->record.Year = static_cast<int16_t>(FxYearOfDate(FxToday()));
    }
    char text[16];
    std::snprintf(text, sizeof text, "%-4ld", static_cast<long>(s->record.Year));
    FxFieldSet(&s->form, 1, text);
    return FX_GO_ON;
}

int OnSaveCurrentYear(void* context)
{
    auto* s = static_cast<YearScreen*>(context);
    const long year = std::strtol(Trimmed(FxFieldGet(&s->form, 1)).c_str(), nullptr, 10);
    if (year <= 0 || year > 32767) {
        ShowMessage(kMsgYearZero, 1);
        return FX_STAY;
    }
    s->record.Year = static_cast<int16_t>(year);
    KeyBuffer key = GeneralKey(GENERAL_KEY_CURRENTYEAR);
    const Status st = s->isNew ? s->general.Insert(s->record, &key) : s->general.Update(s->record, &key);
    if (!st.Ok()) {
        st.Report();
        return FX_STAY;
    }
    s->isNew = false;
    return FX_LEAVE;
}

constexpr std::array<ScreenField, 2> kYearTemplate{{
    bwps::Field(1, 3, 30, "%-4ld"),
    {},
}};

}  // namespace

extern "C" {

BWPS_EXPORT uint32_t SetFlagBits(void* block, uint32_t mask, int set)
{
    uint32_t word = 0;
    std::memcpy(&word, block, sizeof word);
    const uint32_t old = word;
    word = set != 0 ? (word | mask) : (word & ~mask);
    std::memcpy(block, &word, sizeof word);
    return old;
}

BWPS_EXPORT int ValidateDateText(const char* text, int blankAllowed)
{
    const char* t = text != nullptr ? text : "";
    if (blankAllowed && std::strcmp(t, kBlankDate) == 0)
        return 1;
    if (FxDateCheck(t))
        return 1;
    ShowMessage(FxDateValid(t) ? kMsgDateOutside : kMsgNotADate, 1);
    return 0;
}

BWPS_EXPORT int ValidateDateField(void* context)
{
    auto* fx = static_cast<FxContext*>(context);
    if (fx == nullptr || fx->form == nullptr)
        return FX_GO_ON;
    const std::string text = FxFieldGet(fx->form, fx->form->currentField);
    return ValidateDateText(text.c_str(), 1) ? FX_GO_ON : FX_STAY;
}

BWPS_EXPORT int RSEDITDATE(void)
{
    SessionBlock* session = GetSessionPaths();
    if (!CheckUserAccess(kRightProgramDate, 0, session->UserId, 1))
        return 0;
    std::array<ScreenField, kDateTemplate.size()> fields = kDateTemplate;
    auto screen = std::make_unique<DateScreen>();
    DateScreen& s = *screen;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    SetColorSet(s.colours, kColourSetDate);
    OpenWindow(&s.window, 5, 27, 7, 52, "RSEDITDATE");
    SetupStandardScreen(&s.form, 0, 0);
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxSetKeyState(&s.form, kF4, 0);
    FxSetKeyState(&s.form, kF1, 0);
    FxReleaseKey(&s.form, kF1);
    FxReleaseKey(&s.form, kF2);
    FxSetKeyHandler(&s.form, FX_KEY_F10, AcceptProgramDate);
    s.form.newRecord = LoadProgramDate;
    FxAppRun(&s.fx, 1);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    return 0;
}

BWPS_EXPORT int RSEditCompanyId(void)
{
    std::array<ScreenField, kCompanyTemplate.size()> fields = kCompanyTemplate;
    auto screen = std::make_unique<CompanyScreen>();
    CompanyScreen& s = *screen;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    if (OpenFileList(s.files, bwps::No(FileNo::General), 0) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    SetColorSet(s.colours, kColourSetScreen);
    OpenWindow(&s.window, 4, 2, 11, 77, "RSEditCompanyId");
    SetupStandardScreen(&s.form, 0, 0);
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnSaveCompany);
    s.form.newRecord = LoadCompany;
    s.form.question = AskChoiceMessage;
    const int key = FxAppRun(&s.fx, 0);
    BtrUnlock(-2, s.files[0], nullptr);
    FxWindowClose(&s.window, 1);
    CloseFileList(s.files);
    FxAppEnd(&s.fx);
    return key;
}

BWPS_EXPORT int RSEditSystemLook(void)
{
    std::array<ScreenField, kLookupOrderTemplate.size()> fields = kLookupOrderTemplate;
    auto screen = std::make_unique<LookupOrderScreen>();
    LookupOrderScreen& s = *screen;
    FxAppBegin(&s.fx);
    if (OpenFileList(s.files, bwps::No(FileNo::General), 0) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        CloseFileList(s.files);
        FxAppEnd(&s.fx);
        return 0;
    }
    SetColorSet(s.colours, kColourSetScreen);
    OpenWindow(&s.window, 2, 2, 14, 78, "RSEditSystemLook");
    SetupStandardScreen(&s.form, 0, 0);
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnSaveLookupOrders);
    s.form.newRecord = LoadLookupOrders;
    s.form.question = AskChoiceMessage;
    FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    CloseFileList(s.files);
    FxAppEnd(&s.fx);
    return 0;
}

BWPS_EXPORT int16_t RSBanners(PosTransactionContext* context)
{
    if (context == nullptr)
        return 0;
    std::array<ScreenField, kBannerTemplate.size()> fields = kBannerTemplate;
    auto screen = std::make_unique<BannerScreen>();
    BannerScreen& s = *screen;
    s.banners = &context->Banners;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    if (OpenFileList(s.files, bwps::No(FileNo::MessageCodes), bwps::No(FileNo::General), 0) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    SetColorSet(s.colours, kColourSetScreen);
    OpenWindow(&s.window, 5, 7, 22, 61, "RSBanners");
    SetupStandardScreen(&s.form, 0, 0);
    FxWindowAttachForm(&s.window, &s.form, 0);
    FxSetKeyHandler(&s.form, kF5, OnBannerLookup);
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnSaveBanners);
    s.form.newRecord = LoadBanners;
    const int key = FxAppRun(&s.fx, 0);
    BtrUnlock(-2, s.files[SLOT_GENERAL], nullptr);
    FxWindowClose(&s.window, 1);
    CloseFileList(s.files);
    FxAppEnd(&s.fx);
    return static_cast<int16_t>(key);
}

BWPS_EXPORT int RSEditCurrentYear(void)
{
    std::array<ScreenField, kYearTemplate.size()> fields = kYearTemplate;
    auto screen = std::make_unique<YearScreen>();
    YearScreen& s = *screen;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        return 0;
    }
    const Status opened = s.general.Open(FileNo::General);
    if (!opened.Ok()) {
        opened.Report();
        FxAppEnd(&s.fx);
        return 0;
    }
    SetupStandardScreen(&s.form, 0, 0);
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnSaveCurrentYear);
    SetColorSet(s.colours, kColourSetScreen);
    OpenWindow(&s.window, 6, 22, 9, 60, "RSEditCurrentYear");
    FxWindowAttachForm(&s.window, &s.form, 0);
    s.form.newRecord = LoadCurrentYear;
    const int key = FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    s.general.Close();
    FxAppEnd(&s.fx);
    return key;
}

}  // extern "C"

BWPS_ORDINAL(599, RSEditCompanyId);
BWPS_ORDINAL(604, RSEDITDATE);
BWPS_ORDINAL(605, ValidateDateText);
BWPS_ORDINAL(606, ValidateDateField);
BWPS_ORDINAL(613, RSEditSystemLook);
BWPS_ORDINAL(639, RSEditCurrentYear);
