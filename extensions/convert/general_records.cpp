#include "extensions/convert/general_records.h"

#include <cstring>
#include <vector>

#include "bwps/records/general.h"
#include "extensions/convert/layouts.h"

namespace bwps1::convert {
namespace {

using bwps::FileNo;
using bwps::Status;

constexpr int kRecordBuffer = 4096;

// "0Defaults      ": the customer part of the older record stays where it
// was, its product part moves to where the current record keeps it.
constexpr int kDefaultsLength = GENERAL_DEFAULTS_SIZE;
constexpr uint16_t kProductArea = 811;

constexpr Move kDefaults1349[] = {
    Bytes("key", 0, 0, 16),
    Bytes("customer defaults", 16, 16, 707),
    Bytes("product defaults", 1349 - 626, kProductArea, 626),
};
static_assert(MovesFit(kDefaults1349, 1349, kDefaultsLength));
constexpr Move kDefaults1402Of12[] = {
    Bytes("key", 0, 0, 16),
    Bytes("customer defaults", 16, 16, 718),
    Bytes("product defaults", 1402 - 668, kProductArea, 668),
};
static_assert(MovesFit(kDefaults1402Of12, 1402, kDefaultsLength));
constexpr Move kDefaults1402Of13[] = {
    Bytes("key", 0, 0, 16),
    Bytes("customer defaults", 16, 16, 734),
    Bytes("product defaults", 1402 - 652, kProductArea, 652),
};
static_assert(MovesFit(kDefaults1402Of13, 1402, kDefaultsLength));
constexpr Move kDefaults1454[] = {
    Bytes("key", 0, 0, 16),
    Bytes("customer defaults", 16, 16, 770),
    Bytes("product defaults", 1454 - 668, kProductArea, 668),
};
static_assert(MovesFit(kDefaults1454, 1454, kDefaultsLength));

constexpr Layout kDefaultsLayouts[] = {
    {"defaults of codes 10 and 11", 1349, kDefaultsLength, kDefaults1349},
    {"defaults of code 12", 1402, kDefaultsLength, kDefaults1402Of12},
    {"defaults of code 13", 1402, kDefaultsLength, kDefaults1402Of13},
    {"defaults of code 14", 1454, kDefaultsLength, kDefaults1454},
};

constexpr Move kSysInterface452[] = {Bytes("interface settings", 0, 0, 452)};
static_assert(MovesFit(kSysInterface452, 452, GENERAL_SYSINTERFACE_SIZE));
constexpr Layout kSysInterfaceLayout{"interface settings", 452, GENERAL_SYSINTERFACE_SIZE,
                                     kSysInterface452};

constexpr Move kCompany557[] = {Bytes("company", 0, 0, 557)};
static_assert(MovesFit(kCompany557, 557, GENERAL_COMPANY_SIZE));
constexpr Layout kCompanyLayout{"company", 557, GENERAL_COMPANY_SIZE, kCompany557};

Status Read(uint16_t handle, const char* key16, std::vector<uint8_t>& record, int expected)
{
    record.assign(kRecordBuffer, 0);
    int length = 0;
    Status s = ReadSetting(handle, key16, record.data(), kRecordBuffer, &length);
    if (s.Ok() && length != expected) s = Status{B_DATA_BUFFER_TOO_SHORT, B_GET_EQUAL, FileNo::General};
    return s;
}

Status Update(uint16_t handle, std::vector<uint8_t>& record, int length)
{
    const int status = BtrWrite(B_UPDATE, handle, nullptr, record.data(), length);
    return status == 0 ? Status{} : Status{status, B_UPDATE, FileNo::General};
}

// Reads the older record, rebuilds it by the layout and updates it.
Status Reshape(uint16_t handle, const char* key16, const Layout& layout,
               void (*finish)(uint8_t* record) = nullptr)
{
    std::vector<uint8_t> old;
    Status s = Read(handle, key16, old, layout.oldLength);
    if (!s.Ok()) {
        s.Report();
        return s;
    }
    std::vector<uint8_t> record(kRecordBuffer, 0);
    Apply(layout, old.data(), record.data());
    if (finish) finish(record.data());
    s = Update(handle, record, layout.newLength);
    s.Report();
    return s;
}

void DefaultsMarks(uint8_t* record)
{
    PadTextBlanks(record, 762, 41);
}

void DefaultsMarksA(uint8_t* record)
{
    record[750] = 'A';
    DefaultsMarks(record);
    std::memset(record + 1448, 0, 4);
    std::memset(record + 1452, 0, 11);
}

void SysInterfaceMarks(uint8_t* record) { std::memset(record + 449, 'N', 5); }
void CompanyMarks(uint8_t* record) { record[557] = 'N'; }

Status Defaults(uint16_t handle, int code)
{
    const Layout& layout = code <= 11   ? kDefaultsLayouts[0]
                           : code == 12 ? kDefaultsLayouts[1]
                           : code == 13 ? kDefaultsLayouts[2]
                                        : kDefaultsLayouts[3];
    return Reshape(handle, GENERAL_KEY_DEFAULTS, layout, code <= 13 ? DefaultsMarksA : DefaultsMarks);
}

Status SysInterface(uint16_t handle)
{
    return Reshape(handle, GENERAL_KEY_SYSINTERFACE, kSysInterfaceLayout, SysInterfaceMarks);
}

Status Company(uint16_t handle)
{
    return Reshape(handle, GENERAL_KEY_COMPANY, kCompanyLayout, CompanyMarks);
}

// Codes 10 and 11: the lookup order letters that the older release left
// zero become "N". A failed read is not reported.
Status LookUpsFill(uint16_t handle)
{
    std::vector<uint8_t> record;
    Status s = Read(handle, GENERAL_KEY_LOOKUPS, record, GENERAL_LOOKUPS_SIZE);
    if (!s.Ok()) return s;
    for (int i = 36; i <= 48; ++i)
        if (record[i] == 0) record[i] = 'N';
    s = Update(handle, record, GENERAL_LOOKUPS_SIZE);
    s.Report();
    return s;
}

Status LookUpsOf12(uint16_t handle)
{
    std::vector<uint8_t> record;
    Status s = Read(handle, GENERAL_KEY_LOOKUPS, record, GENERAL_LOOKUPS_SIZE);
    if (!s.Ok()) {
        s.Report();
        return s;
    }
    record[32] = 'C';
    s = Update(handle, record, GENERAL_LOOKUPS_SIZE);
    s.Report();
    return s;
}

}  // namespace

Status ReadSetting(uint16_t handle, const char* key16, uint8_t* buffer, int size, int* length)
{
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, key16, GENERAL_KEY_SIZE);
    const int status = BtrGet(B_GET_EQUAL, handle, key.bytes, buffer, size);
    *length = status == 0 ? BtrCall218(handle) : 0;
    return status == 0 ? Status{} : Status{status, B_GET_EQUAL, FileNo::General};
}

Status ConvertGeneralRecords(int code, uint16_t handle)
{
    Status s;
    switch (code) {
    case 10:
    case 11: {
        s = Defaults(handle, code);
        const Status lookups = LookUpsFill(handle);
        if (s.Ok()) s = lookups;
        if (s.Ok()) s = SysInterface(handle);
        return s;
    }
    case 12:
        s = LookUpsOf12(handle);
        if (s.Ok()) s = Defaults(handle, code);
        if (s.Ok()) s = SysInterface(handle);
        if (s.Ok()) s = Company(handle);
        return s;
    case 13:
        s = Defaults(handle, code);
        if (s.Ok()) s = SysInterface(handle);
        if (s.Ok()) s = Company(handle);
        return s;
    case 14:
        s = Defaults(handle, code);
        if (s.Ok()) s = Company(handle);
        return s;
    case 15: return Company(handle);
    default: return Status{B_INVALID_OPERATION, B_GET_EQUAL, FileNo::General};
    }
}

}  // namespace bwps1::convert
