// Product activity (BPOSPRTD.DB, file 63), item details (BPOSITMD.DB, file
// 62), product and service history (files 38 and 44) and the product
// record services.
#include "bwps/products.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/db_table.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/settings.h"
#include "bwps/status_windows.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kActivityCounter = 8;       // "0lastnumbers   ", offset 48
constexpr int kInterfacedActivityCounter = 15; // "0TransInfo     ", offset 76
constexpr int kServiceLength = 196;
constexpr int kServiceTextOffset = 46;

// The session's status window of a long job (its kind names the screen);
// each record passed shows its code or number on the first line.
class StatusLines {
public:
    explicit StatusLines(int kind) : open_(OpenStatusWindow(5, -1, -1, 4, 40, nullptr) == 0)
    {
        if (!open_)
            return;
        OpenNamedStatusWindow(kind);
        const FxLineItem items[1] = {{LINE_TEXT, 1, 0, "%-15s"}};
        SetStatusWindowKeys(items, sizeof items);
        OpenGenericStatusWindow(0);
    }
    ~StatusLines()
    {
        if (open_)
            CloseStatusWindow();
    }
    StatusLines(const StatusLines&) = delete;
    StatusLines& operator=(const StatusLines&) = delete;

    // A stored field of up to 15 characters, not always ended by a zero.
    template <size_t N>
    void Line(const char (&field)[N])
    {
        static_assert(N <= 15);
        if (!open_)
            return;
        char text[16] = {};
        std::memcpy(text, field, strnlen(field, N));
        AddStatusLine(0, -1, text);
    }

private:
    bool open_;
};

bool ActivityOn()
{
    const TagSysInterface* sys = GetSysInterfaceRecord();
    return sys != nullptr && sys->ProductActivity == 'Y';
}

// The code as a key: 15 bytes, zero padded.
void CodeKey(KeyBuffer& key, const char* code, size_t width = 15)
{
    key.Clear();
    if (code != nullptr)
        std::memcpy(key.bytes, code, strnlen(code, width));
}

bool SameCode(const char* stored, const char* code, size_t width = 15)
{
    return std::strncmp(stored, code != nullptr ? code : "", width) == 0;
}

// ---- Activity numbers --------------------------------------------------------

Status NextActivity(uint16_t handle, bool take, char* out, int count = 1)
{
    const bool interfaced = IsInterfacedToAccounting() != 0;
    const FileNo file = interfaced ? FileNo::AccountingGeneral : FileNo::General;
    Table general;
    Status s = general.Borrow(file, handle);
    if (!s.Ok())
        return s;
    const int op = B_GET_EQUAL + (take ? B_LOCK_MULTI_NOWAIT : 0);
    KeyBuffer key;
    long number = 0;
    if (interfaced) {
        TagTransInfo record;
        std::memcpy(key.bytes, GENERAL_KEY_TRANSINFO, 16);
        s = general.Get(op, key, record);
        if (!s.Ok())
            return {s.status, B_GET_EQUAL, file};
        number = static_cast<long>(record.Counters[kInterfacedActivityCounter]) + 1;
        if (take) {
            record.Counters[kInterfacedActivityCounter] += count;
            s = general.Update(record);
        }
    } else {
        TagLastNumbers record;
        std::memcpy(key.bytes, GENERAL_KEY_LASTNUMBERS, 16);
        s = general.Get(op, key, record);
        if (!s.Ok())
            return {s.status, B_GET_EQUAL, file};
        number = static_cast<long>(record.Counters[kActivityCounter]) + 1;
        if (take) {
            record.Counters[kActivityCounter] += count;
            s = general.Update(record);
        }
    }
    if (take) {
        Status unlocked = general.UnlockAll();
        if (s.Ok() && !unlocked.Ok())
            s = {unlocked.status, -2, file};
    }
    if (!s.Ok())
        return s;
    char text[32];
    std::snprintf(text, sizeof text, "%ld", number);
    FxRightAlignNumber(text, 10);
    std::memcpy(out, text, 10);
    out[10] = '\0';
    return {};
}

// ---- Activity walks --------------------------------------------------------

// The activity file for one walk: the caller's handle (its key and position
// kept and restored) or one opened here (handle -1).
class ActivityFrame {
public:
    explicit ActivityFrame(int handle)
    {
        if (handle == -1) {
            status_ = table_.Open(FileNo::ProductActivity);
            if (!status_.Ok())
                status_.Report();
            return;
        }
        table_.Borrow(FileNo::ProductActivity, static_cast<uint16_t>(handle));
        havePosition_ = BtrPosition(B_GET_DIRECT, table_.Handle(), &position_) == 0;
        savedKey_ = table_.Key();
        table_.SetKey(0);
    }
    ~ActivityFrame()
    {
        if (!table_.Owned() && table_.IsOpen()) {
            table_.SetKey(savedKey_);
            if (havePosition_)
                restored_ = BtrPosition(0, table_.Handle(), &position_);
        }
    }
    bool Ok() const { return status_.Ok(); }
    Table& table() { return table_; }

private:
    Table table_;
    Status status_;
    uint32_t position_ = 0;
    bool havePosition_ = false;
    int savedKey_ = 0;
    int restored_ = 0;
};

// ---- Product updates of the baseline walks --------------------------------

Status WalkProducts()
{
    Table products;
    Status s = products.Open(FileNo::Products);
    if (!s.Ok())
        return s;
    StatusLines lines(445);
    KeyBuffer key;
    TagProduct p;
    int op = B_GET_FIRST;
    while ((s = products.Get(op, key, p)).Ok()) {
        lines.Line(p.Code);
        p.BaselineQuantity = p.Amounts[PRODUCT_QUANTITY];
        p.BaselineValue = p.Amounts[PRODUCT_VALUE];
        s = products.Update(p, &key);
        if (!s.Ok())
            return s;
        op = B_GET_NEXT;
    }
    return s;
}

// The product of one activity record loses the record's quantity and value
// from its baseline; a missing product is passed over.
Status SubtractActivityFromBaseline(Table& products, const TagProductActivity& a)
{
    TagProduct p;
    KeyBuffer key;
    CodeKey(key, a.Code);
    Status s = products.Get(B_GET_EQUAL, key, p);
    if (s.Is(B_KEY_NOT_FOUND))
        return {};
    if (!s.Ok())
        return s;
    p.BaselineQuantity -= a.Quantity;
    p.BaselineValue -= a.Value;
    return products.Update(p, &key);
}

// ---- History ----------------------------------------------------------------

int Bucket(int period, int periodsInYear)
{
    return period >= periodsInYear ? period - 13 : period;
}

template <class R>
bool ReadHistory(uint16_t handle, FileNo file, const void* key19, R* out)
{
    Table t;
    t.Borrow(file, handle);
    KeyBuffer key;
    std::memcpy(key.bytes, key19, 19);
    R record;
    Status s = t.Get(B_GET_EQUAL, key, record);
    if (!s.Ok()) {
        std::memset(out, 0, sizeof *out);
        if (!s.Is(B_KEY_NOT_FOUND))
            s.Report();
        return false;
    }
    *out = record;
    return true;
}

template <class R, class Add>
bool AddHistory(uint16_t handle, FileNo file, const char* code, int32_t year, int period,
                int periodsInYear, Add add)
{
    const int bucket = Bucket(period, periodsInYear);
    if (code == nullptr || bucket < 0 || bucket > 12)
        return false;
    uint8_t key[19] = {};
    std::strncpy(reinterpret_cast<char*>(key), code, 15);
    std::memcpy(key + 15, &year, 4);
    R record;
    const bool found = ReadHistory(handle, file, key, &record);
    add(record, bucket);
    if (!found) {
        std::memcpy(record.Code, key, 15);
        record.Year = year;
    }
    Table t;
    t.Borrow(file, handle);
    KeyBuffer k;
    std::memcpy(k.bytes, key, 19);
    if (found) {
        // The read above went through its own handle object: find the
        // record again so that the update has it current.
        R current;
        Status s = t.Get(B_GET_EQUAL, k, current);
        if (!s.Ok()) {
            s.Report();
            return false;
        }
    }
    Status s = found ? t.Update(record, &k) : t.Insert(record, &k);
    if (!s.Ok()) {
        s.Report();
        return false;
    }
    return true;
}

// ---- Item details -----------------------------------------------------------

#pragma pack(push, 1)
// A record of BPOSMSGS.DB as read here: three lines of 41 from offset 7.
struct MessageCodeLines {
    char Code[7];
    char Lines[3][41];
};
#pragma pack(pop)
static_assert(sizeof(MessageCodeLines) == 130, "message code record");

bool LineFilled(const char* line)
{
    char text[42] = {};
    std::memcpy(text, line, 41);
    return FxIsEmpty(text) == 0;
}

}  // namespace

extern "C" {

// ---- Activity ----------------------------------------------------------------

BWPS_EXPORT int NextActivityNumber(uint16_t generalHandle, int take, char* numberOut)
{
    char number[11] = {};
    Status s = NextActivity(generalHandle, take != 0, number);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    if (numberOut != nullptr)
        std::memcpy(numberOut, number, 11);
    return 1;
}

BWPS_EXPORT int WriteProductActivity(uint16_t activityHandle, const TagProduct* product,
                                     const void* service196, TagProductActivity* activity)
{
    if (activity == nullptr || !ActivityOn())
        return 0;
    double quantity = activity->Quantity, value = activity->Value;
    if (FxIsZeroAmount(&quantity) && FxIsZeroAmount(&value))
        return 0;
    Table file;
    Status s = file.Borrow(FileNo::ProductActivity, activityHandle);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    // A record that cannot be numbered is not written.
    s = NextActivity(0, true, activity->Number);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    if (product != nullptr) {
        std::memcpy(activity->Text64, product->Text85, 6);
        std::memcpy(activity->Text106, product->MasterCode, 11);
        std::memcpy(activity->Text117, product->Warehouse, 11);
    } else if (service196 != nullptr) {
        std::memcpy(activity->Text64, static_cast<const char*>(service196) + kServiceTextOffset, 6);
    }
    s = file.Insert(*activity);
    s.Report();
    return s.status;
}

BWPS_EXPORT int WriteProductActivities(uint16_t activityHandle, uint16_t generalHandle,
                                       const TagProduct* const* products, TagProductActivity* activities,
                                       int count)
{
    if (activities == nullptr || count <= 0 || !ActivityOn())
        return 0;
    std::vector<TagProductActivity*> kept;
    std::vector<const TagProduct*> of;
    for (int i = 0; i < count; ++i) {
        double quantity = activities[i].Quantity, value = activities[i].Value;
        if (FxIsZeroAmount(&quantity) && FxIsZeroAmount(&value))
            continue;
        kept.push_back(&activities[i]);
        of.push_back(products != nullptr ? products[i] : nullptr);
    }
    if (kept.empty())
        return 0;
    Table file;
    Status s = file.Borrow(FileNo::ProductActivity, activityHandle);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    // One draw of the counter numbers them all: the first number and the
    // ones after it.
    char first[11] = {};
    s = NextActivity(generalHandle, true, first, static_cast<int>(kept.size()));
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    const long base = std::strtol(first, nullptr, 10);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        TagProductActivity& a = *kept[i];
        char text[32];
        std::snprintf(text, sizeof text, "%ld", base + static_cast<long>(i));
        FxRightAlignNumber(text, 10);
        std::memcpy(a.Number, text, 10);
        a.Number[10] = '\0';
        if (const TagProduct* product = of[i]) {
            std::memcpy(a.Text64, product->Text85, 6);
            std::memcpy(a.Text106, product->MasterCode, 11);
            std::memcpy(a.Text117, product->Warehouse, 11);
        }
        s = file.Insert(a);
        if (!s.Ok()) {
            s.Report();
            return s.status;
        }
    }
    return 0;
}

BWPS_EXPORT int HasProductActivity(const char* code, int handle)
{
    ActivityFrame frame(handle);
    if (!frame.Ok())
        return 0;
    KeyBuffer key;
    TagProductActivity a;
    const bool first = code == nullptr || FxIsEmpty(code);
    CodeKey(key, code);
    Status s = frame.table().Get(first ? B_GET_FIRST : B_GET_GE, key, a);
    if (!s.Ok()) {
        if (!s.NotFound())
            s.Report();
        return 0;
    }
    return first || SameCode(a.Code, code);
}

BWPS_EXPORT int DeleteProductActivity(const char* code, int handle)
{
    ActivityFrame frame(handle);
    if (!frame.Ok() || code == nullptr)
        return 0;
    StatusLines lines(446);
    bool deleted = false;
    for (;;) {
        KeyBuffer key;
        CodeKey(key, code);
        TagProductActivity a;
        Status s = frame.table().Get(B_GET_GE, key, a);
        if (s.NotFound() || (s.Ok() && !SameCode(a.Code, code)))
            break;
        if (s.Ok()) {
            lines.Line(a.Number);
            s = frame.table().Delete();
        }
        if (!s.Ok()) {
            s.Report();
            return 0;
        }
        deleted = true;
    }
    return deleted ? 1 : 0;
}

BWPS_EXPORT int UpdateActivityTexts(const char* code, const char* first, const char* second,
                                    int handle)
{
    ActivityFrame frame(handle);
    if (!frame.Ok() || code == nullptr)
        return 0;
    StatusLines lines(506);
    KeyBuffer key;
    CodeKey(key, code);
    TagProductActivity a;
    Status s = frame.table().Get(B_GET_GE, key, a);
    auto replace = [](char* field, const char* text) {
        if (text == nullptr)
            return false;
        char stored[12] = {}, given[12] = {};
        std::memcpy(stored, field, 11);
        std::strncpy(given, text, 11);
        if ((FxIsEmpty(stored) && FxIsEmpty(given)) || std::memcmp(stored, given, 11) == 0)
            return false;
        std::memcpy(field, given, 11);
        return true;
    };
    while (s.Ok() && SameCode(a.Code, code)) {
        lines.Line(a.Number);
        const bool changed1 = replace(a.Text106, first);
        const bool changed2 = replace(a.Text117, second);
        if (changed1 || changed2) {
            s = frame.table().Update(a, &key);
            if (!s.Ok()) {
                s.Report();
                return 0;
            }
        }
        s = frame.table().Get(B_GET_NEXT, key, a);
    }
    if (!s.Ok() && !s.NotFound()) {
        s.Report();
        return 0;
    }
    return 1;
}

BWPS_EXPORT int ResetActivityBaseline(void)
{
    Status s = WalkProducts();
    if (s.NotFound())
        return 0;
    s.Report();
    return s.operation == bwps::kOpenOperation ? s.status : 1;
}

BWPS_EXPORT int ScanProductActivity(void)
{
    if (ResetActivityBaseline() != 0)
        return 1;
    Table products, activity;
    Status s = products.Open(FileNo::Products);
    if (s.Ok())
        s = activity.Open(FileNo::ProductActivity);
    if (!s.Ok()) {
        s.Report();
        return 1;
    }
    StatusLines lines(445);
    KeyBuffer key;
    TagProductActivity a;
    int op = B_GET_FIRST;
    while ((s = activity.Get(op, key, a)).Ok()) {
        lines.Line(a.Number);
        s = SubtractActivityFromBaseline(products, a);
        if (!s.Ok())
            break;
        op = B_GET_NEXT;
    }
    if (s.NotFound())
        return 0;
    s.Report();
    return 1;
}

// ---- Item details -------------------------------------------------------------

BWPS_EXPORT int FindByCodeOnKey1(const char* code, uint16_t handle)
{
    if (code == nullptr)
        return 0;
    Table t;
    t.Borrow(FileNo::None, handle);
    t.SetKey(1);
    uint8_t key[256] = {};
    std::strncpy(reinterpret_cast<char*>(key), code, 15);
    uint8_t buffer[2048];
    const int status = BtrGet(B_GET_EQUAL, handle, key, buffer, sizeof buffer);
    t.SetKey(0);
    return status == 0;
}

BWPS_EXPORT int HasItemDetails(uint16_t handle, const char* code)
{
    Table t;
    Status s = t.Borrow(FileNo::ItemDetails, handle);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    KeyBuffer key;
    CodeKey(key, code);
    TagItemDetail d;
    s = t.Get(B_GET_GE, key, d);
    if (!s.Ok() && !s.NotFound())
        bwps::Status{s.status, B_GET_EQUAL, FileNo::ItemDetails}.Report();
    return s.Ok() && SameCode(d.Code, code);
}

BWPS_EXPORT int HasUnpostedItemDetail(uint16_t handle, const char* code)
{
    Table t;
    Status s = t.Borrow(FileNo::ItemDetails, handle);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    KeyBuffer key;
    CodeKey(key, code);
    TagItemDetail d;
    for (s = t.Get(B_GET_GE, key, d); s.Ok() && SameCode(d.Code, code);
         s = t.Get(B_GET_NEXT, key, d))
        if (d.Status != 'P')
            return 1;
    if (!s.Ok() && !s.NotFound())
        bwps::Status{s.status, B_GET_EQUAL, FileNo::ItemDetails}.Report();
    return 0;
}

BWPS_EXPORT int ReadItemDetails(uint16_t handle, uint16_t messagesHandle, int* count,
                                const char* code, int postedOnly)
{
    int n = 0;
    Table t;
    Status s = t.Borrow(FileNo::ItemDetails, handle);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    Table messages;
    messages.Borrow(FileNo::MessageCodes, messagesHandle);
    KeyBuffer key;
    CodeKey(key, code);
    TagItemDetail d;
    for (s = t.Get(B_GET_GE, key, d); s.Ok() && SameCode(d.Code, code);
         s = t.Get(B_GET_NEXT, key, d)) {
        MessageCodeLines m;
        std::memset(&m, 0, sizeof m);
        char messageCode[7] = {};
        std::memcpy(messageCode, d.MessageCode, 6);
        if (!FxIsEmpty(messageCode)) {
            KeyBuffer mk;
            CodeKey(mk, messageCode, 6);
            if (!messages.Get(B_GET_EQUAL, mk, m).Ok())
                std::memset(&m, 0, sizeof m);
        } else {
            std::memcpy(m.Lines[0], d.Text, 41);
        }
        if (postedOnly && d.Status != 'P')
            continue;
        for (const auto& line : m.Lines)
            if (LineFilled(line))
                ++n;
    }
    if (count != nullptr)
        *count = n;
    if (!s.Ok() && !s.NotFound()) {
        bwps::Status{s.status, B_GET_EQUAL, FileNo::ItemDetails}.Report();
        return s.status;
    }
    return 0;
}

BWPS_EXPORT int DeleteItemDetails(uint16_t handle, const char* code)
{
    Table t;
    Status s = t.Borrow(FileNo::ItemDetails, handle);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    for (;;) {
        KeyBuffer key;
        CodeKey(key, code);
        TagItemDetail d;
        s = t.Get(B_GET_GE, key, d);
        if (!s.Ok() || !SameCode(d.Code, code))
            break;
        s = t.Delete();
        if (!s.Ok()) {
            s.Report();
            return s.status;
        }
    }
    // The walk ends at the first record of another item or at the end.
    return s.NotFound() || s.Ok() ? 0 : s.status;
}

// ---- Products and services ----------------------------------------------------

BWPS_EXPORT int ReadRecordLocked(const char* code, uint16_t productsHandle,
                                 uint16_t servicesHandle, void* record, int* file, int* status)
{
    auto read = [&](uint16_t handle, FileNo f, int length) {
        uint8_t key[256] = {};
        std::strncpy(reinterpret_cast<char*>(key), code != nullptr ? code : "", 15);
        const int st = BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, handle, key, record, length);
        if (st != 0 && st != B_KEY_NOT_FOUND && st != B_END_OF_FILE)
            bwps::Status{st, B_GET_EQUAL, f}.Report();
        return st;
    };
    int st = read(productsHandle, FileNo::Products, sizeof(TagProduct));
    int f = bwps::No(FileNo::Products);
    if (st == B_KEY_NOT_FOUND || st == B_END_OF_FILE) {
        st = read(servicesHandle, FileNo::Services, kServiceLength);
        f = bwps::No(FileNo::Services);
    }
    if (status != nullptr)
        *status = st;
    if (file != nullptr)
        *file = st == 0 ? f : -1;
    return st == 0;
}

BWPS_EXPORT int InitProductRecord(void* record668)
{
    auto* p = static_cast<TagProduct*>(record668);
    std::memset(p, 0, sizeof *p);
    p->Flags262[1] = 'Y';
    p->Flags262[2] = 'Y';
    p->Flags262[3] = 'N';
    p->Flags262[4] = 'N';
    p->Kind = 3;
    p->Byte269 = 1;
    std::memcpy(p->Unit1, "EA", 2);
    std::memcpy(p->Unit2, "EA", 2);
    p->UnitFactor = 1;
    p->Value272 = 1;
    return 0;
}

BWPS_EXPORT int InitProductRecordDefaults(void* record668)
{
    auto* p = static_cast<TagProduct*>(record668);
    std::memset(p, 0, sizeof *p);
    std::memcpy(p->Flags262, "NYNNN", 5);
    p->Byte269 = 'Y';
    p->UnitFactor = 1;
    p->Value272 = 1;
    return 0;
}

BWPS_EXPORT int NormalizeProductYesNo(void* record668)
{
    auto* p = static_cast<TagProduct*>(record668);
    for (char& flag : p->Flags262)
        flag = (flag == 'N' || flag == 'n' || flag == 0) ? 'N' : 'Y';
    return 0;
}

BWPS_EXPORT void ClearProductAmounts(void* record668)
{
    // Ten doubles from 290, then six runs of five from 370: one block.
    auto* first = static_cast<uint8_t*>(record668) + offsetof(TagProduct, Amounts);
    constexpr int kCount = 10 + 6 * 5;
    for (int i = 0; i < kCount; ++i) {
        double value;
        std::memcpy(&value, first + 8 * i, sizeof value);
        FxIsZeroAmount(&value);
        std::memcpy(first + 8 * i, &value, sizeof value);
    }
}

// A record read through the active-records reader: an inactive record is
// no record; errors other than "not found" are reported.
static int ReadActive(CDbTblActiveRecs& table, FileNo file, const char* code, void* record,
                      int length)
{
    uint8_t key[256] = {};
    std::strncpy(reinterpret_cast<char*>(key), code != nullptr ? code : "", 15);
    const int status = table.Read(B_GET_EQUAL, key, record, static_cast<int16_t>(length));
    if (status == 0)
        return 1;
    std::memset(record, 0, static_cast<size_t>(length));
    if (status != B_KEY_NOT_FOUND && status != DB_INACTIVE_RECORD)
        bwps::Status{status, B_GET_EQUAL, file}.Report();
    return 0;
}

BWPS_EXPORT int ReadActiveProduct(uint16_t handle, const char* code, void* record668)
{
    CDbTblActiveProd products(handle);
    return ReadActive(products, FileNo::Products, code, record668, sizeof(TagProduct));
}

BWPS_EXPORT int ReadActiveService(uint16_t handle, const char* code, void* record196)
{
    CDbTblActiveServ services(handle);
    return ReadActive(services, FileNo::Services, code, record196, kServiceLength);
}

BWPS_EXPORT int UpdateProductRecord(uint16_t handle, const char* code, double amount)
{
    if (code == nullptr || FxIsEmpty(code)) {
        ShowMessage(205, 1);
        return -1;
    }
    Table products;
    products.Borrow(FileNo::Products, handle);
    KeyBuffer key;
    CodeKey(key, code);
    TagProduct p;
    Status s = products.Get(B_GET_EQUAL + B_LOCK_MULTI_WAIT, key, p);
    if (!s.Ok()) {
        bwps::Status{s.status, B_GET_EQUAL, FileNo::Products}.Report();
        return s.status;
    }
    if (p.Kind == 1 || p.Kind == 3) {
        p.Amounts[PRODUCT_SECOND_QUANTITY] =
            FxRound(p.Amounts[PRODUCT_SECOND_QUANTITY] + amount, 0);
        s = products.Update(p, &key);
        s.Report();
    }
    Status unlocked = products.UnlockAll();
    if (!unlocked.Ok())
        bwps::Status{unlocked.status, -2, FileNo::Products}.Report();
    return s.status;
}

// ---- History --------------------------------------------------------------------

BWPS_EXPORT int ReadProductHistory(uint16_t handle, const void* key19, TagProductHistory* out)
{
    return ReadHistory(handle, FileNo::ProductHistory, key19, out);
}

BWPS_EXPORT int AddProductHistory(uint16_t handle, const TagProductHistory* amounts,
                                  const char* code, int32_t year, int period, int periodsInYear)
{
    if (amounts == nullptr)
        return 0;
    return AddHistory<TagProductHistory>(handle, FileNo::ProductHistory, code, year, period,
                                         periodsInYear, [&](TagProductHistory& r, int b) {
                                             r.First[b] += amounts->First[b];
                                             r.Second[b] += amounts->Second[b];
                                         });
}

BWPS_EXPORT int ReadServiceHistory(uint16_t handle, const void* key19, TagServiceHistory* out)
{
    return ReadHistory(handle, FileNo::ServiceHistory, key19, out);
}

BWPS_EXPORT int AddServiceHistory(uint16_t handle, const TagServiceHistory* amounts,
                                  const char* code, int32_t year, int period, int periodsInYear)
{
    if (amounts == nullptr)
        return 0;
    return AddHistory<TagServiceHistory>(handle, FileNo::ServiceHistory, code, year, period,
                                         periodsInYear, [&](TagServiceHistory& r, int b) {
                                             r.Amounts[b] += amounts->Amounts[b];
                                         });
}

BWPS_EXPORT int WarnProductRecordVersion(void)
{
    static const char* const kLines[] = {
        "WARNING: Your Product Record does not show the correct settings   ",
        "         for Version 8.0 of Bramlow Point of Sale. This may cause ",
        "         problems with your Product Activity Detail Report. To ",
        "         correct the problem, Go to File/Utilities and run recover",
        "         on the Products file. ",
        "         We recomend that you do that before you continue with this",
        "         function. ",
    };
    FxWindow window;
    std::memset(&window, 0, sizeof window);
    if (FxWindowCreate(&window, 10, 5, 20, 75, 1, 6, 0, nullptr) != 0)
        return 0;
    int row = 1;
    for (const char* line : kLines)
        FxWindowText(&window, row++, 2, 0, line, 0);
    FxWindowText(&window, 9, 2, -2, "                     PRESS ANY KEY TO CONTINUE", 0);
    int32_t key = 0;
    FxKeyRead(&key, 1, 0);
    FxWindowClose(&window, 1);
    return key == 0x4400;
}

}  // extern "C"

BWPS_ORDINAL(418, ReadActiveProduct);
BWPS_ORDINAL(419, ReadActiveService);
BWPS_ORDINAL(420, UpdateProductRecord);
BWPS_ORDINAL(421, InitProductRecord);
BWPS_ORDINAL(422, ReadProductHistory);
BWPS_ORDINAL(423, AddProductHistory);
BWPS_ORDINAL(424, ReadServiceHistory);
BWPS_ORDINAL(425, AddServiceHistory);
BWPS_ORDINAL(426, ResetActivityBaseline);
BWPS_ORDINAL(427, WriteProductActivity);
BWPS_ORDINAL(428, HasProductActivity);
BWPS_ORDINAL(429, DeleteProductActivity);
BWPS_ORDINAL(430, NextActivityNumber);
BWPS_ORDINAL(431, ScanProductActivity);
BWPS_ORDINAL(432, WarnProductRecordVersion);
BWPS_ORDINAL(433, FindByCodeOnKey1);
BWPS_ORDINAL(434, HasItemDetails);
BWPS_ORDINAL(435, ReadItemDetails);
BWPS_ORDINAL(436, DeleteItemDetails);
BWPS_ORDINAL(437, ClearProductAmounts);
BWPS_ORDINAL(438, HasUnpostedItemDetail);
