// The company banner of the main window and the period lines of its
// heading: the company's name and address from "0Company       ", and the
// accounting period that holds the working date.
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/testing.h"
#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"
#include "reports/forms_internal.h"
#include "reports/station_layouts.h"
#include "bwps/files.h"
#include "bwps/table.h"

using bwps::FileNo;

namespace {

constexpr int kCaptionColour = 2;
constexpr int kCaptionGradient = 24;

bool g_periodHeadingOff = false;
bool g_bannerCreated = false;

// What the banner shows: up to four parts, each with its slot flag.
struct BannerDescription {
    char slots[4][64];
    int flags[4];
};
BannerDescription g_banner{};

// A 41-byte text field of "0Company       ", trimmed.
std::string CompanyText(const char (&field)[41])
{
    char text[sizeof field + 1] = {};
    std::memcpy(text, field, sizeof field);
    FxTrimText(4, text);
    return text;
}

// The period of the working date among the periods of the current year
// and then of the next year. number: the period (from 1), -3 before the
// first period (or none), -4 after the last.
struct DatePeriod {
    int number = -3;
    int32_t first = 0;
    int32_t last = 0;
};

DatePeriod FindPeriodOfDate(const TagPeriods& periods, int32_t date)
{
    DatePeriod found;
    const int count = periods.Count;
    if (count <= 0 || count > 13)
        return found;
    const int bases[2] = {0, 13};
    int32_t lowest = 0;
    int32_t highest = 0;
    for (int base : bases) {
        for (int i = 0; i < count; ++i) {
            const TagPeriodEntry& entry = periods.Entries[base + i];
            if (entry.FirstDate == 0 && entry.LastDate == 0)
                continue;
            if (lowest == 0 || entry.FirstDate < lowest)
                lowest = entry.FirstDate;
            if (entry.LastDate > highest)
                highest = entry.LastDate;
            if (date >= entry.FirstDate && date <= entry.LastDate) {
                found.number = i + 1;
                found.first = entry.FirstDate;
                found.last = entry.LastDate;
                return found;
            }
        }
    }
    found.number = (highest != 0 && date > highest) ? -4 : -3;
    return found;
}

int32_t WorkingDate()
{
    const SessionBlock* session = GetSessionPaths();
    return session->ProgramDate != 0 ? session->ProgramDate : FxToday();
}

}  // namespace

extern "C" {

BWPS_EXPORT void ResetReportsState(void)
{
    g_periodHeadingOff = false;
    g_bannerCreated = false;
    std::memset(&g_banner, 0, sizeof g_banner);
    bwps::stations::ResetStationUpgradeState();
    bwps::forms::ResetFormVariables();
    bwps::forms::ResetFormTools();
}

BWPS_EXPORT void ReportSetPeriodHeadingOff(int value)
{
    g_periodHeadingOff = value != 0;
}

BWPS_EXPORT int ReportGetPeriodHeadingOff(void)
{
    return g_periodHeadingOff ? 1 : 0;
}

BWPS_EXPORT int ShowPeriodStatus(void)
{
    if (g_periodHeadingOff)
        return 0;
    bwps::Table file;
    const bwps::Status opened = file.Open(FileNo::General);
    if (!opened.Ok()) {
        if (!opened.Is(B_FILE_NOT_FOUND))
            opened.Report();
        return opened.status;
    }
    const uint16_t handle = file.Handle();
    TagCompanyRecord company{};
    const int status =
        ReadGeneralRecord(0, handle, sizeof company, GENERAL_KEY_COMPANY, &company);
    if (status == 0)
        FxSetCompanyName(CompanyText(company.Name).c_str());

    TagPeriods periods{};
    if (ReadGeneralRecord(0, handle, GENERAL_PERIODS_SIZE, GENERAL_KEY_PERIODS, &periods) != 0)
        std::memset(&periods, 0, sizeof periods);
    const DatePeriod period = FindPeriodOfDate(periods, WorkingDate());

    char line1[32] = "Period ";
    if (period.number > 0)
        std::snprintf(line1, sizeof line1, "Period %2d", period.number);
    FxPadBlanks(line1, 12);
    FxSetHeadingLine(1, line1);

    char first[16];
    char last[16];
    FxDateFormat(first, period.first);
    FxDateFormat(last, period.last);
    const std::string line2 = std::string(first) + " to " + last;
    FxSetHeadingLine(2, line2.c_str());

    return status;
}

BWPS_EXPORT void ShowCompanyBanner(int flag)
{
    if (flag != 0)
        return;
    TagCompanyRecord company{};
    if (ReadGeneralRecord(0, 0, sizeof company, GENERAL_KEY_COMPANY, &company) != 0)
        return;
    if (!g_bannerCreated) {
        FxBannerCreate(0, 0, 8, 0x30, kCaptionColour, kCaptionGradient);
        g_bannerCreated = true;
    } else {
        FxBannerColour(kCaptionColour, kCaptionGradient);
    }
    FxBannerClear();

    std::memset(&g_banner, 0, sizeof g_banner);
    std::string text = CompanyText(company.Name);
    std::snprintf(g_banner.slots[0], sizeof g_banner.slots[0], "%s", text.c_str());
    const int slotFlags[3] = {1, 2, 4};
    const char(*const addressLines[3])[41] = {&company.Address1, &company.Address2,
                                              &company.Address3};
    int slot = 1;
    for (int i = 0; i < 3; ++i) {
        const std::string line = CompanyText(*addressLines[i]);
        if (line.empty())
            continue;
        text += "\n" + line;
        std::snprintf(g_banner.slots[slot], sizeof g_banner.slots[slot], "%s", line.c_str());
        g_banner.flags[slot] = slotFlags[i];
        ++slot;
    }
    FxBannerShow(text.c_str(), kCaptionColour);
}

}  // extern "C"
