// Salespersons (BPOSSPER.DB): the record services that keep the period
// totals of posted documents. The editor and its period history screen are
// in salesperson_editor.cpp.
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/ordinals.h"
#include "bwps/param_string.h"
#include "bwps/periods.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/records/sales.h"
#include "bwps/salespersons.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"

namespace bwps {
namespace {

constexpr int kReverseKind = 4;      // takes a document's amounts off again
constexpr char kKindSkipped1 = 5;    // document kinds that carry no sales
constexpr char kKindSkipped2 = 6;
constexpr int kNoPeriod = -2;

bool PeriodTotalsOff()
{
    const TagSysInterface* iface = GetSysInterfaceRecord();
    if (iface == nullptr)
        return false;
    const int16_t word = iface->SystemByte44;
    const uint8_t bytes[2] = {'N', 0};
    int16_t off = 0;
    std::memcpy(&off, bytes, sizeof off);
    return word == off;
}

std::string TrimmedCode(const char* text, size_t width)
{
    std::string s(text, strnlen(text, width));
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

Status CreateRecord(Table& file, const std::string& code, SalespersonRecord& record)
{
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.Code, code.data(), std::min(code.size(), sizeof record.Code - 1));
    Status s = file.Insert(record);
    if (!s.Ok())
        return s;
    KeyBuffer key;
    std::memcpy(key.bytes, record.Code, sizeof record.Code);
    return file.Get(B_GET_EQUAL, key, record);
}

// Adds (or takes off) one document on its salesperson's record. The record
// is read under a lock, so that two stations posting for one salesperson
// at once both count.
Status AddDocument(Table& file, int kind, const TagPeriods& periods, const TagSalesHdr& header)
{
    const std::string code = TrimmedCode(header.CashDescription, sizeof header.CashDescription);
    SalespersonRecord person{};
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min(code.size(), sizeof person.Code - 1));
    Status s = file.Get(B_GET_EQUAL + B_LOCK_SINGLE_WAIT, key, person);
    if (s.Is(B_KEY_NOT_FOUND)) {
        s = CreateRecord(file, code, person);
        if (!s.Ok())
            return s;
        s = file.Get(B_GET_EQUAL + B_LOCK_SINGLE_WAIT, key, person);
    }
    if (!s.Ok())
        return s;
    int index = -1, nextYear = 0;
    const int32_t date = header.TranDate;
    if (FindPeriodOfDate(date, &index, &nextYear, &periods) == 0 || index < 0 || index >= 26) {
        file.Unlock();
        return {kNoPeriod, B_GET_EQUAL, FileNo::Salespersons};
    }
    const double cash = header.CashAmount, discount = header.DiscountTaken, second = header.SalespersonSecond;
    double amount = cash - discount, other = second;
    if (kind == kReverseKind)
        amount = -amount, other = -other;
    person.Sales[index] = person.Sales[index] + amount;
    person.Totals[index] = person.Totals[index] + other;
    return file.Update(person);
}

}  // namespace
}  // namespace bwps

using namespace bwps;

extern "C" {

int CreateSalesperson(uint16_t handle, const char* code, void* record)
{
    if (handle == 0 || code == nullptr || record == nullptr)
        return 0;
    const std::string trimmed = TrimmedCode(code, sizeof(SalespersonRecord::Code) - 1);
    if (trimmed.empty())
        return 0;
    Table file;
    file.Borrow(FileNo::Salespersons, handle);
    SalespersonRecord person{};
    const Status s = CreateRecord(file, trimmed, person);
    std::memcpy(record, &person, sizeof person);
    s.Report();
    return s.status;
}

int UpdateSalespersonPeriodSales(uint16_t handle, int kind, const void* periodsPointer, const void* headerPointer)
{
    if (handle == 0 || periodsPointer == nullptr || headerPointer == nullptr)
        return 0;
    TagSalesHdr header;
    std::memcpy(&header, headerPointer, sizeof header);
    if (TrimmedCode(header.CashDescription, sizeof header.CashDescription).empty() || PeriodTotalsOff() ||
        header.Type == kKindSkipped1 || header.Type == kKindSkipped2)
        return 0;
    TagPeriods periods;
    std::memcpy(&periods, periodsPointer, sizeof periods);
    Table file;
    file.Borrow(FileNo::Salespersons, handle);
    const Status s = AddDocument(file, kind, periods, header);
    if (s.Is(kNoPeriod))
        return kNoPeriod;
    s.Report();
    return s.status;
}

}  // extern "C"

BWPS_ORDINAL(156, UpdateSalespersonPeriodSales);
BWPS_ORDINAL(157, CreateSalesperson);
