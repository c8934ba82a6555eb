// Record converters of the older release's files, exported one file or one
// record at a time: accounts, billing codes, customers and vendors, address
// files, open invoices, the name-and-address block, detail lines and the
// settings records of the general file.
#include "extensions/convert/convert.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "bwps/messages.h"
#include "bwps/records/general.h"
#include "bwps/reports.h"
#include "bwps/screens.h"
#include "bwps/status_windows.h"
#include "bwps/table.h"
#include "extensions/company/session_steps.h"
#include "extensions/convert/general_records.h"
#include "extensions/convert/layouts.h"
#include "fx.h"
#include "recman.h"

using bwps::FileNo;
using bwps::Status;
using namespace bwps1::convert;

namespace {

// ---- the name-and-address block (old 316 bytes, new 357) ----
constexpr Move kAddressBlock[] = {
    Text("name", 0, 0, 41),          Text("address line 1", 41, 41, 41),
    Text("address line 2", 82, 82, 41), Text("address line 3", 123, 123, 41),
    Text("city", 164, 164, 41),      Text("state", 205, 205, 16),
    Text("state code", 221, 221, 4), Text("postal code", 225, 225, 11),
    Text("country", 236, 236, 16),   Text("phone", 252, 252, 16),
    Text("fax", 268, 268, 16),       Text("contact", 284, 325, 16),
    Text("second contact", 300, 341, 16),
};
static_assert(MovesFit(kAddressBlock, 316, 357));
constexpr std::span<const Move> kAddressBlockWithoutSecond(kAddressBlock, std::size(kAddressBlock) - 1);
constexpr size_t kBlockOld = 316;
constexpr size_t kBlockNew = 357;

// ---- accounts (ordinal 20): old 562 bytes, new 569 ----
constexpr Move kAccount[] = {
    Text("account number", 0, 0, 11),  Text("parent account", 11, 11, 11),
    Text("description", 22, 22, 26),   Text("short name", 48, 48, 16),
    Text("group", 64, 64, 11),         Bytes("account kind", 86, 75, 1),
    Bytes("level", 75, 76, 1),         Bytes("three flags", 87, 77, 3),
    Bytes("fourteen balances", 90, 80, 56), Bytes("budgets", 146, 152, 208),
    Bytes("last year", 354, 360, 104), Bytes("next year", 458, 464, 104),
};
static_assert(MovesFit(kAccount, 562, 569));
constexpr Layout kAccountLayout{"account", 562, 569, kAccount};
constexpr size_t kAccountOldOpening = 78;
constexpr size_t kAccountOldCurrent = 82;
constexpr size_t kAccountOpening = 136;
constexpr size_t kAccountCurrent = 144;

// ---- ordinal 21: code, number, name, two values at the same offsets ----
constexpr Move kCodeRecord[] = {
    Text("code", 0, 0, 15), Bytes("number", 15, 15, 2), Text("name", 17, 17, 15),
    Bytes("two values", 32, 32, 8),
};
static_assert(MovesFit(kCodeRecord, 40, 40));

// ---- billing codes (ordinal 26): old 78 bytes, new 89 ----
constexpr Move kBillingCode[] = {
    Text("code", 0, 0, 6),          Text("description", 6, 6, 41), Text("account", 47, 47, 17),
    Bytes("taxable", 64, 70, 1),    Bytes("two flags", 65, 71, 2), Bytes("rate and amount", 70, 73, 8),
};
static_assert(MovesFit(kBillingCode, 78, 89));
constexpr Layout kBillingCodeLayout{"billing code", 78, 89, kBillingCode};

// ---- customers and vendors (ordinal 27): old 632 bytes, new 795 ----
constexpr Move kCustomer[] = {
    Text("code", 0, 0, 11),
    Text("terms", 341, 11, 6),        Text("tax code", 347, 17, 6),
    Text("salesperson", 353, 23, 6),  Text("account", 359, 29, 11),
    Text("price level", 370, 40, 6),  Text("ship via", 376, 46, 6),
    Text("territory", 382, 52, 6),    Text("kind", 388, 58, 6),
    Text("group", 394, 64, 6),        Text("tax number", 327, 70, 14),
    Bytes("three flags", 400, 117, 3),
    Bytes("seventeen totals", 404, 122, 68),
    Bytes("first notes", 472, 190, 20), Bytes("second notes", 492, 210, 20),
    Bytes("remarks 1", 512, 230, 40), Bytes("remarks 2", 552, 270, 40),
    Bytes("remarks 3", 592, 310, 40),
};
static_assert(MovesFit(kCustomer, 632, 795));
constexpr size_t kCustomerOldBlock = 11;
constexpr size_t kCustomerNewBlock = 350;
static_assert(kCustomerOldBlock + kBlockOld <= 632 && kCustomerNewBlock + kBlockNew <= 795);

// ---- address files (ordinal 28): old 360 bytes, new 401 ----
constexpr Move kAddress[] = {
    Text("code", 0, 0, 11), Bytes("kind", 11, 11, 1), Text("ship-to code", 12, 12, 16),
    Text("description", 28, 28, 16),
};
static_assert(MovesFit(kAddress, 360, 401));
constexpr size_t kAddressBlockAt = 44;
static_assert(kAddressBlockAt + kBlockOld == 360 && kAddressBlockAt + kBlockNew == 401);

// ---- open invoices (ordinals 22 and 32): old 106 bytes, new 123 ----
constexpr Move kOpenInvoice[] = {
    Text("customer", 0, 0, 11),      Text("invoice number", 11, 11, 11),
    Text("reference", 22, 22, 6),    Text("description", 35, 28, 11),
    Bytes("type and class", 46, 39, 3), Bytes("dates", 50, 46, 16),
    Bytes("terms", 82, 78, 4),       Bytes("five amounts", 86, 82, 20),
};
static_assert(MovesFit(kOpenInvoice, 106, 123));
constexpr Layout kOpenInvoiceLayout{"open invoice", 106, 123, kOpenInvoice};
constexpr size_t kOldPaidState = 47;
constexpr size_t kSequence = 42;

// ---- detail lines (ordinal 25): old 157 bytes, new 182 ----
constexpr Move kDetailLine[] = {
    Text("invoice number", 0, 0, 11),  Bytes("line and kind", 11, 11, 4),
    Text("unit", 15, 15, 6),           Bytes("line type", 21, 21, 1),
    Text("product code", 22, 22, 15),  Text("description", 37, 37, 41),
    Text("warehouse", 78, 78, 6),      Bytes("seventeen values", 84, 84, 68),
    Bytes("price and cost again", 96, 152, 8),
    Bytes("tax flags", 152, 168, 2),   Bytes("taxable", 154, 170, 1),
    Bytes("kit flag", 156, 172, 1),
};
static_assert(MovesFit(kDetailLine, 157, 182));
constexpr Layout kDetailLineLayout{"detail line", 157, 182, kDetailLine};

// ---- settings records of the older general file ----
constexpr Move kCompanyRecord[] = {
    Bytes("key", 0, 0, 16), Text("company name", 16, 393, 31), Text("legal name", 47, 424, 31),
};
static_assert(MovesFit(kCompanyRecord, 394, 818));
constexpr size_t kCompanyOldBlock = 78;
constexpr size_t kCompanyNewBlock = 16;
static_assert(kCompanyOldBlock + kBlockOld <= 394 && kCompanyNewBlock + kBlockNew <= 818);

constexpr Move kSysInterface[] = {
    Bytes("key", 0, 0, 16),               Text("product id", 16, 16, 5),
    Bytes("interface flags", 21, 21, 50), Bytes("two options", 71, 81, 2),
    Text("account 1", 75, 85, 11),        Text("code 1", 86, 96, 6),
    Text("code 2", 92, 102, 6),           Text("accounting folder", 98, 108, 144),
    Text("account 2", 242, 252, 11),      Text("account 3", 253, 263, 11),
    Text("account 4", 264, 274, 11),      Text("account 5", 275, 285, 11),
    Text("export folder", 286, 296, 144), Bytes("passwords in force", 430, 440, 1),
};
static_assert(MovesFit(kSysInterface, 431, GENERAL_SYSINTERFACE_SIZE));
constexpr Layout kSysInterfaceLayout{"interface settings", 431, GENERAL_SYSINTERFACE_SIZE, kSysInterface};

constexpr uint16_t P = 811;  // product area of "0Defaults      "
constexpr uint16_t K = 16;   // customer area
constexpr Move kProductDefaults[] = {
    Text("unit", 16, P + 85, 6),          Bytes("taxable", 22, P + 263, 1),
    Bytes("kind", 24, P + 268, 1),        Bytes("costing", 26, P + 269, 1),
    Text("sales account", 27, P + 67, 9), Text("cost account", 38, P + 76, 9),
    Bytes("decimals", 36, P + 270, 2),    Bytes("reorder", 47, P + 272, 2),
    Text("price level 1", 49, P + 210, 6), Text("price level 2", 55, P + 216, 6),
    Text("price level 3", 61, P + 222, 6), Text("price level 4", 67, P + 228, 6),
    Text("price level 5", 73, P + 234, 6), Text("price level 6", 79, P + 240, 6),
};
static_assert(MovesFit(kProductDefaults, 85, GENERAL_DEFAULTS_SIZE));
constexpr Move kCustomerDefaults[] = {
    Text("city", 16, K + 555, 16),        Text("state", 32, K + 571, 4),
    Text("postal code", 36, K + 575, 11), Text("country", 47, K + 586, 6),
    Text("phone prefix", 53, K + 675, 16), Text("price level", 69, K + 40, 6),
    Bytes("taxable", 75, K + 118, 1),     Text("tax code", 76, K + 17, 6),
    Text("terms", 82, K + 11, 6),         Bytes("credit limit", 92, K + 122, 4),
    Bytes("statement", 96, K + 117, 1),   Bytes("two limits", 97, K + 134, 8),
    Text("account", 105, K + 29, 11),
};
static_assert(MovesFit(kCustomerDefaults, 116, GENERAL_DEFAULTS_SIZE));
constexpr size_t kProductTaxable = 23;
constexpr size_t kProductTaxableFlag = P + 266;

constexpr int kRecordBuffer = 4096;

// Walks the old file, builds and inserts each record; end of file is
// success. `build` answers false to skip a record.
template <class Build>
int EachRecord(uint16_t newHandle, uint16_t oldHandle, int newLength, Build build)
{
    std::vector<uint8_t> old(kRecordBuffer);
    std::vector<uint8_t> record(static_cast<size_t>(newLength) + 1);
    bwps::KeyBuffer key;
    for (int status = BtrGet(B_GET_FIRST, oldHandle, key.bytes, old.data(), kRecordBuffer);;
         status = BtrGet(B_GET_NEXT, oldHandle, key.bytes, old.data(), kRecordBuffer)) {
        if (status == B_END_OF_FILE) return 0;
        if (status != 0) return status;
        char text[16] = {};
        std::memcpy(text, old.data(), 15);
        std::memset(record.data(), 0, record.size());
        if (!build(old.data(), record.data(), text)) continue;
        AddStatusLine(1, -1, text);
        bwps::KeyBuffer newKey;
        status = BtrWrite(B_INSERT, newHandle, newKey.bytes, record.data(), 0);
        if (status != 0) return status;
        std::memset(old.data(), 0, old.size());
    }
}

int RecordLengthOf(uint16_t handle)
{
    uint8_t stat[RECMAN_STAT_BUFFER] = {};
    if (BtrStat(handle, stat) != 0) return 0;
    uint16_t length = 0;
    std::memcpy(&length, stat, 2);
    return length;
}

void Block(const uint8_t* old, size_t oldAt, uint8_t* out, size_t newAt, bool second)
{
    ApplyAt(second ? std::span<const Move>(kAddressBlock) : kAddressBlockWithoutSecond, old, oldAt, out,
            newAt);
}

void OpenInvoice(uint8_t* out, const uint8_t* old)
{
    Apply(kOpenInvoiceLayout, old, out);
    char& kind = reinterpret_cast<char&>(out[41]);
    switch (out[39]) {
    case 'C': kind = '3'; break;
    case 'D': kind = '2'; break;
    case 'F': kind = '5'; break;
    case 'P': kind = '4'; break;
    default: kind = '1'; break;
    }
}

// ---- settings records ----

Status ReadOld(uint16_t handle, const char* key, std::vector<uint8_t>& record)
{
    record.assign(kRecordBuffer, 0);
    int length = 0;
    return ReadSetting(handle, key, record.data(), kRecordBuffer, &length);
}

Status Insert(uint16_t handle, std::vector<uint8_t>& record, int length)
{
    bwps::KeyBuffer key;
    const int status = BtrWrite(B_INSERT, handle, key.bytes, record.data(), length);
    return status == 0 ? Status{} : Status{status, B_INSERT, FileNo::General};
}

void PutKey(std::vector<uint8_t>& record, const char* key16)
{
    std::memcpy(record.data(), key16, GENERAL_KEY_SIZE);
}

Status CopyRecord(uint16_t from, uint16_t to, const char* key, int oldLength, int newLength)
{
    std::vector<uint8_t> old;
    Status s = ReadOld(from, key, old);
    if (!s.Ok()) return s;
    std::vector<uint8_t> record(kRecordBuffer, 0);
    std::memcpy(record.data(), old.data(), static_cast<size_t>(oldLength));
    return Insert(to, record, newLength);
}

Status CompanyRecord(uint16_t from, uint16_t to)
{
    std::vector<uint8_t> old;
    Status s = ReadOld(from, GENERAL_KEY_COMPANY, old);
    if (!s.Ok()) return s;
    std::vector<uint8_t> record(kRecordBuffer, 0);
    Block(old.data(), kCompanyOldBlock, record.data(), kCompanyNewBlock, true);
    ApplyAt(kCompanyRecord, old.data(), 0, record.data(), 0);
    PutKey(record, GENERAL_KEY_COMPANY);
    return Insert(to, record, GENERAL_COMPANY_SIZE);
}

bool Is16(const std::vector<uint8_t>& record, size_t offset, char letter)
{
    return Get16(record.data(), offset) == letter;
}

Status SysInterfaceRecord(uint16_t from, uint16_t to)
{
    std::vector<uint8_t> old;
    Status s = ReadOld(from, GENERAL_KEY_SYSINTERFACE, old);
    if (!s.Ok()) return s;
    std::vector<uint8_t> record(kRecordBuffer, 0);
    Apply(kSysInterfaceLayout, old.data(), record.data());
    static constexpr struct {
        size_t offset;
        char letter;
    } kLetters[] = {{71, 'Y'}, {73, 'N'}, {75, 'N'}, {77, 'N'}, {79, 'Y'}};
    for (const auto& l : kLetters) Put16(record.data(), l.offset, l.letter);
    Put16(record.data(), 47, 1);
    record[445] = 1;
    record[441] = 'N';
    s = Insert(to, record, GENERAL_SYSINTERFACE_SIZE);
    if (!s.Ok()) return s;

    std::vector<uint8_t> lookups(kRecordBuffer, 0);
    bwps1::InitLookUpsRecord(lookups.data());
    PutKey(lookups, GENERAL_KEY_LOOKUPS);
    lookups[17] = Is16(record, 43, 'N') ? 'N' : 'C';
    lookups[19] = Is16(record, 45, 'N') ? 'D' : 'C';
    if (Is16(record, 65, 'N'))
        for (size_t at : {21, 23, 24, 26, 27, 28, 29}) lookups[at] = 'D';
    if (record[440] == 'N') lookups[43] = 'C';
    if (Is16(record, 41, 'N')) lookups[38] = 'C';
    if (Is16(record, 67, 'N')) lookups[40] = 'C';
    return Insert(to, lookups, GENERAL_LOOKUPS_SIZE);
}

Status DefaultsRecord(uint16_t from, uint16_t to)
{
    std::vector<uint8_t> product, customer;
    Status s = ReadOld(from, GENERAL_KEY_PRODDEFAULTS, product);
    if (s.Ok()) s = ReadOld(from, GENERAL_KEY_CUSTDEFAULTS, customer);
    if (!s.Ok()) return s;
    std::vector<uint8_t> record(kRecordBuffer, 0);
    PutKey(record, GENERAL_KEY_DEFAULTS);
    ApplyAt(kProductDefaults, product.data(), 0, record.data(), 0);
    record[kProductTaxableFlag] = product[kProductTaxable] != 0 ? 'Y' : 'N';
    ApplyAt(kCustomerDefaults, customer.data(), 0, record.data(), 0);
    return Insert(to, record, GENERAL_DEFAULTS_SIZE);
}

}  // namespace

BWPS1_API int ConvertRecordLayout22(void* newRecord, const void* oldRecord)
{
    OpenInvoice(static_cast<uint8_t*>(newRecord), static_cast<const uint8_t*>(oldRecord));
    return 1;
}

BWPS1_API int ConvertRecordLayout23(void* newBlock, const void* oldBlock)
{
    Block(static_cast<const uint8_t*>(oldBlock), 0, static_cast<uint8_t*>(newBlock), 0, true);
    return 1;
}

BWPS1_API int ConvertRecordLayout24(void* newBlock, const void* oldBlock)
{
    Block(static_cast<const uint8_t*>(oldBlock), 0, static_cast<uint8_t*>(newBlock), 0, false);
    return 1;
}

BWPS1_API int ConvertRecordLayout25(void* newLine, const void* oldLine)
{
    auto* out = static_cast<uint8_t*>(newLine);
    const auto* old = static_cast<const uint8_t*>(oldLine);
    Apply(kDetailLineLayout, old, out);
    out[171] = old[155] != 0 ? 'Y' : 'N';
    Put32(out, 173, -1);
    Put32(out, 177, -1);
    return 1;
}

BWPS1_API int ConvertFileRecords20(uint16_t newHandle, uint16_t oldHandle)
{
    return EachRecord(newHandle, oldHandle, 569, [](const uint8_t* old, uint8_t* out, char*) {
        Apply(kAccountLayout, old, out);
        PutAmount(out, kAccountOpening, FxLongToAmount(Get32(old, kAccountOldOpening), 2));
        PutAmount(out, kAccountCurrent, FxLongToAmount(Get32(old, kAccountOldCurrent), 2));
        return true;
    });
}

BWPS1_API int ConvertFileRecords21(uint16_t newHandle, uint16_t oldHandle)
{
    return EachRecord(newHandle, oldHandle, RecordLengthOf(newHandle),
                      [](const uint8_t* old, uint8_t* out, char*) {
                          ApplyAt(kCodeRecord, old, 0, out, 0);
                          return true;
                      });
}

BWPS1_API int ConvertFileRecords26(uint16_t newHandle, uint16_t oldHandle)
{
    return EachRecord(newHandle, oldHandle, 89, [](const uint8_t* old, uint8_t* out, char*) {
        Apply(kBillingCodeLayout, old, out);
        return true;
    });
}

BWPS1_API int ConvertFileRecords27(uint16_t newHandle, uint16_t oldHandle)
{
    return EachRecord(newHandle, oldHandle, 795, [](const uint8_t* old, uint8_t* out, char*) {
        Block(old, kCustomerOldBlock, out, kCustomerNewBlock, true);
        ApplyAt(kCustomer, old, 0, out, 0);
        out[120] = 'N';
        out[121] = 'R';
        return true;
    });
}

BWPS1_API int ConvertFileRecords28(uint16_t newHandle, uint16_t oldHandle)
{
    return EachRecord(newHandle, oldHandle, 401, [](const uint8_t* old, uint8_t* out, char*) {
        ApplyAt(kAddress, old, 0, out, 0);
        Block(old, kAddressBlockAt, out, kAddressBlockAt, true);
        return true;
    });
}

BWPS1_API int ConvertFileRecords32(uint16_t newHandle, uint16_t oldHandle)
{
    int32_t sequence = 0;
    return EachRecord(newHandle, oldHandle, 123, [&](const uint8_t* old, uint8_t* out, char* text) {
        const char paid = static_cast<char>(old[kOldPaidState]);
        if (paid != 'P' && paid != 'F' && paid != 'O') return false;
        OpenInvoice(out, old);
        Put32(out, kSequence, ++sequence);
        std::memset(text, 0, 16);
        std::memcpy(text, old + 11, 11);
        return true;
    });
}

BWPS1_API int ConvertSystemRecords(uint16_t oldHandle, uint16_t newHandle)
{
    auto step = [](Status s) {
        if (!s.Ok()) ReportRecordManagerError(s.status, 1, B_INSERT, bwps::No(FileNo::General), 0);
    };
    step(CompanyRecord(oldHandle, newHandle));
    step(SysInterfaceRecord(oldHandle, newHandle));
    step(CopyRecord(oldHandle, newHandle, GENERAL_KEY_PASSWORDS, 122, 122));
    step(DefaultsRecord(oldHandle, newHandle));
    step(CopyRecord(oldHandle, newHandle, GENERAL_KEY_LASTNUMBERS, 44, GENERAL_LASTNUMBERS_SIZE));
    step(CopyRecord(oldHandle, newHandle, GENERAL_KEY_CURRENTYEAR, 20, 20));
    step(CopyRecord(oldHandle, newHandle, GENERAL_KEY_BANNERS, 344, 344));
    const int stamp = GetFileVersionStamp(nullptr, newHandle);
    step(Status{stamp, B_INSERT, FileNo::General});
    return 1;
}
