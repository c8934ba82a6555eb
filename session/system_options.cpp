// The system options record "0System        " and the session's copy of its
// option bytes; terms dates and the sign check of amounts.
#include "bwps/files.h"
#include "bwps/options.h"

#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"
#include "session/services_internal.h"

namespace {

using bwps::FileNo;

uint8_t g_options[SYSTEM_OPTIONS_SIZE];

bool On(uint8_t byte)
{
    return byte == 'Y' || byte == 'y' || byte == 1;
}

uint8_t Option(int index)
{
    return index >= 0 && index < SYSTEM_OPTIONS_SIZE ? g_options[index] : 0;
}

void Defaults(TagSystemPref& record)
{
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.Key, "0System        ", 16);
    const bool standAlone = !IsInterfacedToAccounting();
    const TagSysInterface* sys = GetSysInterfaceRecord();
    auto at = [&](int offset) -> uint8_t& { return record.Options[offset - SYSTEM_OPTIONS_OFFSET]; };
    auto sysByte = [&](int offset) -> uint8_t {
        return standAlone ? reinterpret_cast<const uint8_t*>(sys)[offset] : 'N';
    };
    for (int o = 304; o <= 309; ++o)
        at(o) = 'N';
    at(310) = 'T';
    at(311) = 'I';
    at(312) = 'A';
    at(313) = at(314) = 'N';
    at(315) = sysByte(75);
    at(316) = at(317) = 'N';
    at(324) = 'N';
    at(326) = sysByte(449);
    at(327) = sysByte(450);
    at(328) = sysByte(451);
    for (int g = 0; g < 8; ++g) {
        const int o = 344 + 7 * g;
        at(o) = 'Y';
        at(o + 1) = at(o + 2) = at(o + 3) = 'N';
        at(o + 4) = sysByte(73);
        at(o + 5) = sysByte(75);
        at(o + 6) = 'Y';
    }
    if (standAlone)
        std::memcpy(&at(414), sys->SystemText, sizeof sys->SystemText);
}

int DaysIn(int32_t date)
{
    return FxMonthEnd(date) % 100;
}

// Day `day` (1-31, cut to the month's end) of the month of `month`.
int32_t DayOf(int32_t month, int day)
{
    const int last = DaysIn(month);
    if (day > last)
        day = last;
    if (day < 1)
        day = 1;
    return month / 100 * 100 + day;
}

int32_t NextMonth(int32_t date, int months = 1)
{
    return FxDateAddMonths(date, months);
}

int GroupOption(int group, int byte)
{
    if (group < 0 || group > 7)
        return 0;
    return On(Option(344 - SYSTEM_OPTIONS_OFFSET + 7 * group + byte)) ? 1 : 0;
}

void TermsKey(char* key, const char* code)
{
    std::memset(key, 0, 256);
    if (code != nullptr)
        std::memcpy(key, code, strnlen(code, 6));
}

}  // namespace

namespace bwps::detail {
void ResetSystemOptions()
{
    std::memset(g_options, 0, sizeof g_options);
}
}  // namespace bwps::detail

extern "C" {

int LoadSystemOptions(TagSystemPref* record)
{
    Defaults(*record);
    return 0;
}

int ReadSystemRecord(uint16_t handle, TagSystemPref* record)
{
    static TagSystemPref internal;
    TagSystemPref& out = record != nullptr ? *record : internal;
    int status = 0;
    if (!IsInterfacedToAccounting()) {
        Defaults(out);
    } else {
        bwps::Table general;
        bwps::Status s = general.Borrow(FileNo::AccountingGeneral, handle);
        if (!s.Ok()) {
            if (s.status != B_FILE_NOT_FOUND)
                s.Report();
            return s.status;
        }
        char key[256] = {};
        std::memcpy(key, "0System        ", 16);
        status = BtrGet(B_GET_EQUAL, general.Handle(), key, &out, SYSTEM_PREF_SIZE);
        if (status != 0) {
            ReportRecordManagerError(status, 1, B_GET_EQUAL, bwps::No(bwps::FileNo::AccountingGeneral), 0);
            Defaults(out);
        }
    }
    std::memcpy(g_options, out.Options, sizeof g_options);
    return status;
}

int IsSystemOptionEqual(int index, int character)
{
    return Option(index) == static_cast<uint8_t>(character) ? 1 : 0;
}

int IsSystemOptionOn(int index)
{
    return On(Option(index)) ? 1 : 0;
}

int GetSystemOption(int index)
{
    const uint8_t byte = Option(index);
    if (index == OPTION_COSTING && byte != 'A' && byte != 'S' && byte != 'L')
        return 'A';
    if (index == OPTION_YES_NO_20 && byte != 'Y' && byte != 'N')
        return 'N';
    return byte;
}

int SetSystemOption(int index, int character)
{
    if (index >= 0 && index < SYSTEM_OPTIONS_SIZE)
        g_options[index] = static_cast<uint8_t>(character);
    return 0;
}

int IsGroupOptionOn(int group, int byte) { return byte >= 0 && byte < 7 ? GroupOption(group, byte) : 0; }
int IsGroupOption1On(int group) { return GroupOption(group, 1); }
int IsGroupOption0On(int group) { return GroupOption(group, 0); }
int IsGroupOption2On(int group) { return GroupOption(group, 2); }
int IsGroupOption3On(int group) { return GroupOption(group, 3); }
int IsGroupOption6On(int group) { return GroupOption(group, 6); }

int IsGeneralLedgerOnline(void) { return IsSystemOptionOn(OPTION_LEDGER_ONLINE); }
int IsCheckRegisterOnline(void) { return IsSystemOptionOn(OPTION_REGISTER_ONLINE); }

int TermsDayOfMonth(int day, int32_t date)
{
    if (day == 99)
        return DaysIn(date);
    if (day == 0)
        return 1;
    return day;
}

int ComputeTermsDates(const TagTermsRecord* terms, int32_t date, double amount, int32_t* dueDate,
                      int32_t* discountDate, double* discountAmount)
{
    if (date == 0)
        date = FxToday();
    int32_t due = date, discount = date;
    if (terms->Mode == 'N') {
        due = FxDateAddDays(date, terms->DueDay);
        discount = FxDateAddDays(date, terms->DiscountDay);
    } else {
        const int cutOff = TermsDayOfMonth(terms->CutOffDay, date);
        const int d = terms->DiscountDay;
        const int u = terms->DueDay;
        int32_t month = date;
        // Day values compared with the cut-off as they fall in the date's month.
        const int dDay = TermsDayOfMonth(d, date);
        const int uDay = TermsDayOfMonth(u, date);
        if (date % 100 > cutOff) {
            month = NextMonth(DayOf(date, cutOff));
            if (d == 0) {
                if (uDay < cutOff)
                    month = NextMonth(month);
            } else if (dDay < cutOff || (uDay < cutOff && dDay < uDay)) {
                month = NextMonth(month);
            }
        } else {
            if (d == 0) {
                if (uDay < cutOff)
                    month = NextMonth(month);
            } else if (dDay < cutOff) {
                month = NextMonth(month);
            }
        }
        discount = d == 0 ? date : DayOf(month, TermsDayOfMonth(d, month));
        due = DayOf(month, TermsDayOfMonth(u, month));
        if (due < discount)
            due = DayOf(NextMonth(DayOf(due, 1)), TermsDayOfMonth(u, NextMonth(DayOf(due, 1))));
        if (terms->NextMonth == 'Y')
            due = DayOf(NextMonth(DayOf(due, 1)), TermsDayOfMonth(u, NextMonth(DayOf(due, 1))));
    }
    if (dueDate)
        *dueDate = due;
    if (discountDate)
        *discountDate = discount;
    if (discountAmount)
        *discountAmount = discount < date ? 0.0 : terms->DiscountPercent / 100.0 * amount;
    return 0;
}

int IsAmountSignValid(int side, int type, double amount)
{
    const bool negative = amount < 0.0;
    if (type == 'I')
        return negative ? 0 : 1;
    if (type == 'D')
        return (side && !negative) || (!side && negative) ? 1 : 0;
    return (side && negative) || (!side && !negative) ? 1 : 0;
}

int ReadTermsRecord(const char* code, TagTermsRecord* record)
{
    std::memset(record, 0, sizeof *record);
    bwps::Table terms;
    bwps::Status s = terms.Open(FileNo::Terms);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    char key[256];
    TermsKey(key, code);
    const int status = BtrGet(B_GET_EQUAL, terms.Handle(), key, record, TERMS_RECORD_SIZE);
    if (status != 0) {
        std::memset(record, 0, sizeof *record);
        if (status != B_KEY_NOT_FOUND)
            ReportRecordManagerError(status, 1, B_GET_EQUAL, bwps::No(FileNo::Terms), 0);
        return 0;
    }
    return 1;
}

int ApplyTermsCode(const char* code, int windowFlag)
{
    bwps::Table terms;
    bwps::Status s = terms.Open(FileNo::Terms);
    if (!s.Ok()) {
        if (windowFlag)
            ShowDatabaseErrorWindow(6, 0, s.status, OPEN_OPERATION, bwps::No(FileNo::Terms), nullptr);
        else
            s.Report();
        return 0;
    }
    char key[256];
    TermsKey(key, code);
    TagTermsRecord record{};
    return BtrGet(B_GET_EQUAL, terms.Handle(), key, &record, TERMS_RECORD_SIZE) == 0 ? 1 : 0;
}

int ApplyTermsToDocument(TagTermsDates* document, const TagTermsRecord* terms, int32_t date)
{
    document->DocumentDate = date;
    const bool empty = terms == nullptr || terms->Code[0] == '\0' || terms->Code[0] == ' ';
    if (empty) {
        document->DueDate = document->DiscountDate = date;
        document->DiscountPercent = 0.0f;
        return 1;
    }
    int32_t due = 0, discount = 0;
    ComputeTermsDates(terms, date, 0.0, &due, &discount, nullptr);
    if (terms->Mode != 'N' && terms->DiscountDay == 0)
        discount = 0;
    document->DueDate = due;
    document->DiscountDate = discount;
    document->DiscountPercent = terms->DiscountPercent;
    return 1;
}

}  // extern "C"

BWPS_ORDINAL(185, LoadSystemOptions);
BWPS_ORDINAL(186, ReadSystemRecord);
BWPS_ORDINAL(187, IsSystemOptionEqual);
BWPS_ORDINAL(188, IsSystemOptionOn);
BWPS_ORDINAL(189, GetSystemOption);
BWPS_ORDINAL(190, SetSystemOption);
BWPS_ORDINAL(191, IsGroupOption1On);
BWPS_ORDINAL(192, IsGroupOption0On);
BWPS_ORDINAL(193, IsGroupOption2On);
BWPS_ORDINAL(194, IsGroupOption3On);
BWPS_ORDINAL(195, IsGroupOption6On);
BWPS_ORDINAL(196, ComputeTermsDates);
BWPS_ORDINAL(197, TermsDayOfMonth);
BWPS_ORDINAL(198, IsAmountSignValid);
BWPS_ORDINAL(199, ApplyTermsCode);
BWPS_ORDINAL(200, ReadTermsRecord);
BWPS_ORDINAL(757, ApplyTermsToDocument);
