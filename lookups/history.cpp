// Pick lists over history rows: a customer's history (the summary of each
// document and, from a summary, the document's lines), the substitutes of
// a product, the product transactions by activity number and the purchase
// history of a caller's file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bwps/dictionary.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/customer_history.h"
#include "bwps/records/dictionary.h"
#include "bwps/records/products.h"
#include "bwps/screen_utils.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using bwps::FileNo;
using namespace bwps::lookups;

namespace {

constexpr int kCustomerSize = sizeof(CustHistSummary::Customer);
constexpr int kReferenceSize = sizeof(CustHistSummary::Document);
constexpr int kProductSize = sizeof(AltProductRecord::Code);
constexpr int kKeySize = 255;
constexpr int kShiftF7 = FX_KEY_SHIFT_F1 + 6 * 0x100;
constexpr int kF10 = FX_KEY_F10;
constexpr char kAmountPicture[] = "%10.2f";

// One text field of a key: its bytes, NUL padded to its length.
struct KeyField {
    const char* value;
    int length;
};

// The range of a list: the records whose leading key fields hold the
// values (each compared as text up to its NUL).
struct Range {
    std::vector<KeyField> fields;
    // the key of the lowest record of the range past the fields (e.g. the
    // lowest line number), or empty: zeros
    std::vector<uint8_t> lowest;
};

void Report(int status, int operation, int fileId)
{
    ReportRecordManagerError(status, 1, operation, fileId, 0);
}

bool InRange(const Range& range, const uint8_t* record)
{
    int at = 0;
    for (const KeyField& f : range.fields) {
        if (std::strncmp(reinterpret_cast<const char*>(record) + at, f.value != nullptr ? f.value : "",
                         static_cast<size_t>(f.length)) != 0)
            return false;
        at += f.length;
    }
    return true;
}

// The key of the range's first record or, past, one above its last: each
// field's last byte is its text's NUL, raised by one in the last field.
void RangeKey(const Range& range, char* key, bool past)
{
    std::memset(key, 0, kKeySize);
    int at = 0;
    for (const KeyField& f : range.fields) {
        if (f.value != nullptr)
            std::memcpy(key + at, f.value, strnlen(f.value, static_cast<size_t>(f.length - 1)));
        at += f.length;
    }
    if (past)
        key[at - 1] = static_cast<char>(key[at - 1] + 1);
    else if (!range.lowest.empty())
        std::memcpy(key + at, range.lowest.data(), range.lowest.size());
}

// One move within the range into the record. A step out of the range goes
// back to the row it came from; at the end of the file the file has not
// moved.
int RangeRead(const Range& range, int move, uint16_t handle, int fileId, char* key, void* record, int length)
{
    if (key == nullptr || record == nullptr)
        return B_INVALID_OPERATION;
    std::vector<uint8_t> work(static_cast<size_t>(length), 0);
    int st;
    switch (move) {
    case LK_MOVE_NEXT:
    case LK_MOVE_PREVIOUS:
        st = BtrGet(move, handle, key, work.data(), length);
        if (st == B_END_OF_FILE)
            return st;
        if (st != 0) {
            Report(st, move, fileId);
            return st;
        }
        if (!InRange(range, work.data())) {
            const int back = move == LK_MOVE_NEXT ? LK_MOVE_PREVIOUS : LK_MOVE_NEXT;
            const int again = BtrGet(back, handle, key, work.data(), length);
            if (again != 0 && again != B_END_OF_FILE)
                Report(again, back, fileId);
            return B_END_OF_FILE;
        }
        break;
    case LK_MOVE_FIRST:
    case LK_MOVE_LAST:
        RangeKey(range, key, move == LK_MOVE_LAST);
        st = BtrGet(B_GET_GE, handle, key, work.data(), length);
        if (move == LK_MOVE_LAST) {
            if (st == 0)
                st = BtrGet(B_GET_PREVIOUS, handle, key, work.data(), length);
            else if (st == B_END_OF_FILE || st == B_KEY_NOT_FOUND)
                st = BtrGet(B_GET_LAST, handle, key, work.data(), length);
        }
        if (st == B_END_OF_FILE || st == B_KEY_NOT_FOUND)
            return B_END_OF_FILE;
        if (st != 0) {
            Report(st, B_GET_GE, fileId);
            return st;
        }
        if (!InRange(range, work.data()))
            return B_END_OF_FILE;
        break;
    default:
        return B_INVALID_OPERATION;
    }
    std::memcpy(record, work.data(), static_cast<size_t>(length));
    return 0;
}

Range CustomerRange(const char* customer)
{
    return Range{{{customer, kCustomerSize}}, {}};
}

Range DocumentRange(const char* customer, const char* reference)
{
    return Range{{{customer, kCustomerSize}, {reference, kReferenceSize}}, {}};
}

Range ProductRange(const char* product)
{
    // the line number is a signed key segment: its lowest value first
    const int16_t lowest = INT16_MIN;
    std::vector<uint8_t> line(sizeof lowest);
    std::memcpy(line.data(), &lowest, sizeof lowest);
    return Range{{{product, kProductSize}}, line};
}

// The state of the running history and substitute lists.
struct HistoryRun {
    char customer[kCustomerSize];
    char reference[kReferenceSize];
    uint16_t summaryHandle;
    uint16_t detailHandle;
    int summaryFile;
    int detailFile;
};
HistoryRun g_history{};
char g_product[kProductSize];

// A text of the resource file formatted with one text.
void Formatted(int textId, const char* value, char* out, size_t size)
{
    char format[65] = {};
    FxLoadString(textId, sizeof format, format);
    std::snprintf(out, size, format, value);
}

// The text without its trailing blanks.
void Trimmed(const char* text, size_t length, char* out, size_t size)
{
    std::snprintf(out, size, "%.*s", static_cast<int>(strnlen(text, length)), text);
    FxTrimText(5, out);
}

// Amount columns show two decimals in ten characters.
void AmountPictures(std::vector<TagLookUpField>& columns)
{
    for (TagLookUpField& c : columns) {
        if (c.Type == 0)
            break;
        if (c.Type == COLUMN_DOUBLE) {
            std::memset(c.Picture, 0, sizeof c.Picture);
            std::memcpy(c.Picture, kAmountPicture, sizeof kAmountPicture - 1);
        }
    }
}

// The key defaults and the record a list's file stands on, kept around the
// list and put back after it.
class FileState {
public:
    FileState(uint16_t handle, int length) : handle_(handle), length_(length)
    {
        BtrGetDefaults(handle_, &key_, &second_);
        stored_ = BtrPosition(B_GET_DIRECT, handle_, &position_) == 0;
    }
    ~FileState()
    {
        BtrSetDefaults(handle_, key_, second_);
        if (!stored_)
            return;
        std::vector<uint8_t> buffer(static_cast<size_t>(length_) + 4, 0);
        std::memcpy(buffer.data(), &position_, sizeof position_);
        char key[kKeySize + 1] = {};
        BtrGet(B_GET_DIRECT, handle_, key, buffer.data(), length_);
    }
    FileState(const FileState&) = delete;
    FileState& operator=(const FileState&) = delete;

private:
    uint16_t handle_;
    int length_;
    int key_ = 0, second_ = 0;
    uint32_t position_ = 0;
    bool stored_ = false;
};

void PassAmount(void* record)
{
    CustHistSummary s;
    std::memcpy(&s, record, sizeof s);
    double balance = s.OpenBalance; // the record is packed: round through an aligned copy
    FxIsZeroAmount(&balance);
    s.OpenBalance = balance;
    std::memcpy(record, &s, sizeof s);
}

int SummaryRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    return CustHistorySummaryRead(d->Move, d->Handle, g_history.customer, d->KeyBuffer, d->Record);
}

// The row put back from its position reads as the reader gave it.
int SummaryPosition(TagLookUp* l)
{
    const int st = LookUpReadAtPositionCallback(l);
    if (st == 0 && (l->Data->Move == LK_BACK_A || l->Data->Move == LK_BACK_B))
        PassAmount(l->Data->Record);
    return st;
}

int DetailRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    return CustHistoryDetailRead(d->Move, d->Handle, g_history.customer, g_history.reference, d->KeyBuffer,
                                 d->Record);
}

void RunDetail(uint16_t row, uint16_t column, uint16_t height, uint16_t width)
{
    char customer[kCustomerSize + 1] = {};
    char reference[kReferenceSize + 1] = {};
    Trimmed(g_history.customer, sizeof g_history.customer, customer, sizeof customer);
    Trimmed(g_history.reference, sizeof g_history.reference, reference, sizeof reference);
    std::vector<TagLookUpField> columns;
    std::vector<TagLookUpField> filter;
    if (!LoadColumns(FileNo::CustomerHistoryDetail, {5, 15, 11, 10, 9, 23, 24, 6, 14, 13, 25, 3, 1, 9, 16, 17},
                     columns) ||
        !LoadColumns(FileNo::CustomerHistorySummary, {1, 2}, filter))
        return;
    AmountPictures(columns);
    char title[65] = {};
    char caption[65] = {};
    Formatted(362, customer, title, sizeof title);
    Formatted(362, "", caption, sizeof caption);
    const uint16_t handle = g_history.detailHandle;
    FileState state(handle, sizeof(CustHistDetail));
    BtrSetDefaults(handle, 0, -1);
    FxForm form{};
    SetupStandardScreen(&form, 0, 0);
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    CustHistDetail buffer{};
    data.FileId = static_cast<uint16_t>(g_history.detailFile);
    data.RecordLength = sizeof buffer;
    data.Handle = handle;
    data.Record = &buffer;
    data.KeyNumber = 0;
    SetColorSet(lookup.Colours, 3);
    lookup.Row = row;
    lookup.Column = column;
    lookup.Height = height;
    lookup.Width = width;
    lookup.Title = title;
    lookup.ReportTitle = caption;
    Formatted(527, reference, lookup.Subtitle, sizeof lookup.Subtitle);
    lookup.SearchPrompt = "Search :";
    lookup.Columns = columns.data();
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.Form = &form;
    lookup.Read = DetailRow;
    lookup.ReadAtPosition = LookUpReadAtPositionCallback;
    lookup.Search = LookUpReadSearchCallback;
    // the list holds the one document: it opens on its first line
    lookup.StartMode = LK_START_FIRST;
    char customerValue[kCustomerSize] = {};
    char referenceValue[kReferenceSize] = {};
    std::memcpy(customerValue, g_history.customer, sizeof customerValue);
    std::memcpy(referenceValue, g_history.reference, sizeof referenceValue);
    void* values[2] = {customerValue, referenceValue};
    FilterLookUpProcess(&lookup, filter.data(), values);
}

// Shift+F7 and Enter of the summary list: the lines of the document under
// the cursor, one row lower; the summary list goes on.
int OpenDetail(TagLookUp* summary)
{
    if (summary == nullptr || summary->Data == nullptr || summary->Data->Record == nullptr)
        return 0;
    CustHistSummary s;
    std::memcpy(&s, summary->Data->Record, sizeof s);
    // an empty list holds no summary of the customer
    if (s.Document[0] == '\0' || std::strncmp(s.Customer, g_history.customer, sizeof s.Customer) != 0)
        return 0;
    std::memset(g_history.reference, 0, sizeof g_history.reference);
    std::memcpy(g_history.reference, s.Document, strnlen(s.Document, sizeof s.Document - 1));
    RunDetail(static_cast<uint16_t>(summary->Row + 1), summary->Column, summary->Height, summary->Width);
    return 0;
}

int DetailKey(void* summary)
{
    return OpenDetail(static_cast<TagLookUp*>(summary));
}

// ---- substitutes

int SubstituteRow(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    return SubstituteProductRead(d->Move, d->Handle, g_product, d->KeyBuffer, d->Record);
}

// A search lands on the first substitute at or after the text when it is
// one of the product's.
int SubstituteSearch(TagLookUp* l)
{
    TagLookUpData* d = l->Data;
    AltProductRecord work{};
    const int st = BtrGet(B_GET_GE, d->Handle, d->KeyBuffer, &work, sizeof work);
    if (st != 0) {
        if (st != B_END_OF_FILE && st != B_KEY_NOT_FOUND)
            Report(st, B_GET_GE, d->FileId);
        return LK_NOT_FOUND;
    }
    if (!InRange(ProductRange(g_product), reinterpret_cast<const uint8_t*>(&work)))
        return LK_NOT_FOUND;
    std::memcpy(d->Record, &work, sizeof work);
    return LK_FOUND;
}

// ---- purchase history

TagLookUpField PurchHistField(const char* caption, const char* picture, int type, int offset, int offset2,
                              const char* name)
{
    TagLookUpField f{};
    std::snprintf(f.Title, sizeof f.Title, "%s", caption);
    std::snprintf(f.Picture, sizeof f.Picture, "%s", picture);
    f.Type = type;
    f.Offset = offset;
    f.Offset2 = offset2;
    std::snprintf(f.Table, sizeof f.Table, "%s", "PurcHist");
    std::snprintf(f.Column, sizeof f.Column, "%s", name);
    return f;
}

const TagLookUpField* PurchHistTable()
{
    static const TagLookUpField table[PURCH_HIST_COLUMNS + 1] = {
        PurchHistField("Sales Date", "%-10s", COLUMN_DATE, offsetof(PurchHistRecord, Date), 0, "Date"),
        PurchHistField("Item Type", "%12s", COLUMN_TEXT, offsetof(PurchHistRecord, ItemType), 0, "ItemType"),
        PurchHistField("Item Number", "%-14s", COLUMN_TEXT, offsetof(PurchHistRecord, ItemNo), 0, "ItemNo"),
        PurchHistField("Item Description", "%-40s", COLUMN_TEXT, offsetof(PurchHistRecord, Description), 0,
                       "Descrip"),
        PurchHistField("Quantity", "%11.4f", COLUMN_AMOUNT, offsetof(PurchHistRecord, Quantity),
                       offsetof(PurchHistRecord, PackSize), "Qty"),
        PurchHistField("Price", "%11.4f", COLUMN_DOUBLE, offsetof(PurchHistRecord, Price), 0, "Price"),
        PurchHistField("Discount", "%12.2f", COLUMN_DOUBLE, offsetof(PurchHistRecord, Discount), 0, "Discount"),
        PurchHistField("Extended", "%12.2f", COLUMN_DOUBLE, offsetof(PurchHistRecord, Extended), 0, "Exteded"),
        TagLookUpField{},
    };
    return table;
}

int SelectKey(void* lookup)
{
    LookUpSendMsg(static_cast<TagLookUp*>(lookup), LK_MSG_SELECT);
    return 1;
}

}  // namespace

// ---- range readers

int CustHistorySummaryRead(int move, uint16_t handle, const char* customer, char* key, void* record125)
{
    const int st = RangeRead(CustomerRange(customer), move, handle, bwps::No(FileNo::CustomerHistorySummary), key,
                             record125, sizeof(CustHistSummary));
    if (st == 0)
        PassAmount(record125);
    return st;
}

int CustHistoryDetailRead(int move, uint16_t handle, const char* customer, const char* reference, char* key,
                          void* record157)
{
    return RangeRead(DocumentRange(customer, reference), move, handle, bwps::No(FileNo::CustomerHistoryDetail),
                     key, record157, sizeof(CustHistDetail));
}

int SubstituteProductRead(int move, uint16_t handle, const char* product, char* key, void* record63)
{
    return RangeRead(ProductRange(product), move, handle, bwps::No(FileNo::AlternateProducts), key, record63,
                     sizeof(AltProductRecord));
}

// ---- customer history

int FlyDepHistory(const char* customer, uint16_t summaryHandle, uint16_t detailHandle, uint16_t row,
                  uint16_t column, uint16_t height, uint16_t width)
{
    g_history = HistoryRun{};
    if (customer != nullptr)
        std::memcpy(g_history.customer, customer, strnlen(customer, kCustomerSize - 1));
    g_history.summaryHandle = summaryHandle;
    g_history.detailHandle = detailHandle;
    g_history.summaryFile = bwps::No(FileNo::CustomerHistorySummary);
    g_history.detailFile = bwps::No(FileNo::CustomerHistoryDetail);
    char trimmed[kCustomerSize + 1] = {};
    Trimmed(g_history.customer, sizeof g_history.customer, trimmed, sizeof trimmed);
    char title[65] = {};
    char caption[65] = {};
    Formatted(361, trimmed, title, sizeof title);
    Formatted(361, "", caption, sizeof caption);
    std::vector<TagLookUpField> columns;
    std::vector<TagLookUpField> filter;
    if (!LoadColumns(FileNo::CustomerHistorySummary, {2, 14, 9, 10, 7, 11, 12, 13, 8, 1, 3, 4, 15, 16, 17, 19},
                     columns) ||
        !LoadColumns(FileNo::CustomerHistorySummary, {1}, filter))
        return 0;
    AmountPictures(columns);
    {
        FileState state(summaryHandle, sizeof(CustHistSummary));
        BtrSetDefaults(summaryHandle, 0, -1);
        FxForm form{};
        SetupStandardScreen(&form, 0, 517);
        FxSetKeyHandler(&form, kShiftF7, DetailKey);
        FxSetKeyButton(&form, kShiftF7);
        FxSetKeyCaption(&form, kShiftF7, "DepHistory");
        TagLookUp lookup{};
        TagLookUpData data{};
        uint8_t work[32] = {};
        CustHistSummary buffer{};
        data.FileId = static_cast<uint16_t>(g_history.summaryFile);
        data.RecordLength = sizeof buffer;
        data.Handle = summaryHandle;
        data.Record = &buffer;
        data.KeyNumber = 0;
        SetColorSet(lookup.Colours, 3);
        lookup.Row = row;
        lookup.Column = column;
        lookup.Height = height;
        lookup.Width = width;
        lookup.Title = title;
        lookup.ReportTitle = caption;
        lookup.SearchPrompt = "Search :";
        lookup.Columns = columns.data();
        lookup.Data = &data;
        lookup.WorkArea = work;
        lookup.Form = &form;
        lookup.Read = SummaryRow;
        lookup.ReadAtPosition = SummaryPosition;
        lookup.Print = PrintLookUpList;
        lookup.RowAction = OpenDetail;
        lookup.StartMode = g_history.customer[0] != '\0' ? LK_START_SEARCH : LK_START_FIRST;
        char value[kCustomerSize] = {};
        std::memcpy(value, g_history.customer, sizeof value);
        void* values[1] = {value};
        FilterLookUpProcess(&lookup, filter.data(), values);
    }
    return 0;
}

// ---- substitutes and product transactions

int FlySubstituteProducts(const char* product, const char* startText, int restorePosition, uint16_t handle,
                          void* record, uint16_t row, uint16_t column, uint16_t height, uint16_t width)
{
    std::memset(g_product, 0, sizeof g_product);
    if (product != nullptr)
        std::memcpy(g_product, product, strnlen(product, kProductSize - 1));
    Settings s;
    s.file = FileNo::AlternateProducts;
    s.recordLength = sizeof(AltProductRecord);
    s.titleText = "Lookup Substitute Products";
    s.columns = {1, 3, 4};
    s.key = 0;
    s.libraryReaders = true;
    s.rowReader = SubstituteRow;
    s.search = SubstituteSearch;
    s.f8f9 = Keys::Removed;
    s.shiftF9 = Switch::Left;
    s.formOptions = 0;
    s.formList = 0;
    s.stays = Stays::Always;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, nullptr});
}

int FlyTranP(const char* startText, int restorePosition, uint16_t handle, void* record, uint16_t row,
             uint16_t column, uint16_t height, uint16_t width)
{
    Settings s;
    s.file = FileNo::ProductActivity;
    s.recordLength = sizeof(TagProductActivity);
    s.titleId = 449;
    char title[65] = {};
    FxLoadString(s.titleId, sizeof title, title);
    char caption[96] = {};
    std::snprintf(caption, sizeof caption, "%s - FlyTranP", title);
    s.captionText = caption;
    s.columns = {2, 5, 10, 1, 12, 13, 14};
    s.key = 3;
    s.libraryReaders = true;
    s.f8f9 = Keys::Removed;
    s.shiftF9 = Switch::Left;
    s.stays = Stays::UnlessRestore;
    return RunStandard(s, Call{startText, restorePosition, handle, record, row, column, height, width, nullptr});
}

// ---- purchase history

CPurchHistColumn::CPurchHistColumn(TagLookUpField* field, tagTEXTMETRICA* metrics)
    : CDbLookupColumn(field, metrics)
{
}

CPurchHistColumn::~CPurchHistColumn() = default;

int CPurchHistColumn::ReadColumnInfo(const char* table, const char* column, void* out)
{
    return PurchHistColumnInfo(table, column, out);
}

int CPurchHistColumn::PurchHistColumnInfo(const char* table, const char* field, void* out)
{
    char t[64] = {};
    char f[64] = {};
    std::snprintf(t, sizeof t, "%s", table != nullptr ? table : "");
    std::snprintf(f, sizeof f, "%s", field != nullptr ? field : "");
    FxTrimText(4, t);
    FxTrimText(4, f);
    for (const TagLookUpField* c = PurchHistTable(); c->Type != 0; ++c) {
        char rowTable[sizeof c->Table + 1] = {};
        char rowField[sizeof c->Column + 1] = {};
        std::memcpy(rowTable, c->Table, sizeof c->Table);
        std::memcpy(rowField, c->Column, sizeof c->Column);
        if (std::strcmp(rowTable, t) != 0 || std::strcmp(rowField, f) != 0)
            continue;
        if (out == nullptr)
            return 0;
        TagDictFieldSpec spec{};
        std::memcpy(spec.FileName, c->Table, sizeof c->Table);
        spec.Value2 = static_cast<int16_t>(c->Offset);
        spec.Value3 = static_cast<int16_t>(c->Offset2);
        spec.FieldType = static_cast<int16_t>(c->Type);
        std::memcpy(spec.Caption, c->Title, sizeof spec.Caption);
        std::memcpy(spec.Name, c->Picture, sizeof spec.Name);
        std::memcpy(out, &spec, sizeof spec);
        return 0;
    }
    return B_KEY_NOT_FOUND;
}

const TagLookUpField* CPurchHistColumn::Columns()
{
    return PurchHistTable();
}

int FlyCustPurchaseHistory(uint16_t handle, void* record107)
{
    if (record107 == nullptr)
        return 0;
    TagLookUpField columns[PURCH_HIST_COLUMNS + 1] = {};
    std::memcpy(columns, PurchHistTable(), sizeof columns);
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    data.FileId = 0;
    data.RecordLength = sizeof(PurchHistRecord);
    data.Handle = handle;
    data.Record = record107;
    data.KeyNumber = 0;
    BtrSetDefaults(handle, 0, -1);
    FxForm form{};
    SetupStandardScreen(&form, 227, 0);
    FxSetKeyHandler(&form, kF10, SelectKey);
    FxSetKeyButton(&form, kF10);
    FxSetKeyCaption(&form, kF10, "Select");
    SetColorSet(lookup.Colours, 3);
    lookup.Row = 5;
    lookup.Column = 15;
    lookup.Height = 15;
    lookup.Width = 50;
    lookup.Title = "Lookup Customer Purchase History";
    lookup.SearchPrompt = "Search :";
    lookup.StartMode = LK_START_FIRST;
    lookup.Columns = columns;
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.Form = &form;
    return DbLookUpProcess(&lookup);
}

void bwps::lookups::ResetHistory()
{
    g_history = HistoryRun{};
    std::memset(g_product, 0, sizeof g_product);
}

BWPS_ORDINAL(681, FlyDepHistory);
BWPS_ORDINAL(4080, FlyTranP);
BWPS_ORDINAL(6160, FlyCustPurchaseHistory);
BWPS_ORDINAL(6250, FlySubstituteProducts);
