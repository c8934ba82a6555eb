// The runners over the lookup library, the forwarders, the system's own
// dialog, list and column classes, the delete key and the sort index.
#include <cstring>
#include <vector>

#include "bwps/dictionary.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/screen_utils.h"
#include "recman.h"

// ---- classes

CLookUpDbColumn::CLookUpDbColumn(TagLookUpField* field, tagTEXTMETRICA* metrics)
    : CDbLookupColumn(field, metrics)
{
}

CLookUpDbColumn::~CLookUpDbColumn() = default;

int CLookUpDbColumn::ReadColumnInfo(const char* table, const char* column, void* out)
{
    uint16_t dictionary = 0;
    const int opened = OpenColumnDictionary(&dictionary);
    if (opened != 0)
        return opened;
    const int st = ReadByDictionaryKey(dictionary, table, column, static_cast<TagColumnInfo*>(out));
    BtrCloseFile(dictionary);
    return st;
}

CLookUpDbListCtrl::CLookUpDbListCtrl(int argument) : CDbListCtrl(argument) {}
CLookUpDbListCtrl::~CLookUpDbListCtrl() = default;

CDbLookupColumn* CLookUpDbListCtrl::CreateColumn(TagLookUpField* field, tagTEXTMETRICA* metrics)
{
    return new CLookUpDbColumn(field, metrics);
}

CPurchHistListCtrl::CPurchHistListCtrl(int argument) : CDbListCtrl(argument) {}
CPurchHistListCtrl::~CPurchHistListCtrl() = default;

CDbLookupColumn* CPurchHistListCtrl::CreateColumn(TagLookUpField* field, tagTEXTMETRICA* metrics)
{
    return new CPurchHistColumn(field, metrics);
}

CLookUpDbDlg::CLookUpDbDlg(TagLookUp* lookup, int dialogId)
    : CDbLookDlg(lookup, dialogId, &list_), list_(lookup != nullptr ? lookup->ListArgument : 0)
{
}

CLookUpDbDlg::~CLookUpDbDlg() = default;

CLookUpFilterDlg::CLookUpFilterDlg(TagLookUp* lookup, int dialogId, CEnhListCtrl* list)
    : CFilterLookupDlg(lookup, dialogId, list)
{
}

CLookUpFilterDlg::~CLookUpFilterDlg() = default;

CDbLookupColumn* CLookUpFilterDlg::CreateFilterColumn(TagLookUpField* field)
{
    return new CLookUpDbColumn(field, nullptr);
}

CLookUpVariablesListCtrl::CLookUpVariablesListCtrl() = default;
CLookUpVariablesListCtrl::~CLookUpVariablesListCtrl() = default;

int CLookUpVariablesListCtrl::ReviewLookupPersistence()
{
    return 1;
}

CDbLookupColumn* CLookUpVariablesListCtrl::CreateColumn(const unsigned char* bytes, int size)
{
    CDbLookupColumn* column = CreateDatextCol(bytes, size);
    return column != nullptr ? column : new CLookUpDbColumn(nullptr, nullptr);
}

CDbLookupColumn* CLookUpVariablesListCtrl::CreateColumn(TagLookUpField* field, tagTEXTMETRICA* metrics)
{
    CDbLookupColumn* column = CreateDatextCol(field, metrics);
    return column != nullptr ? column : new CLookUpDbColumn(field, metrics);
}

// ---- runners

int LookUpProcessDlg(TagLookUp* lookup, int dialogId)
{
    if (lookup == nullptr)
        return 0;
    if (lookup->Data != nullptr && lookup->Data->Handle != 0) {
        CLookUpDbDlg dialog(lookup, dialogId);
        return LookUpProcessImpl(&dialog);
    }
    CEnhLookDlg dialog(lookup, dialogId, nullptr);
    return LookUpProcessImpl(&dialog);
}

int LookUpProcess(TagLookUp* lookup)
{
    return LookUpProcessDlg(lookup, LK_DIALOG_ID);
}

int FilterLookUpProcess(TagLookUp* lookup, TagLookUpField* filterColumns, void** filterValues)
{
    if (lookup == nullptr)
        return 0;
    CLookUpDbListCtrl list(lookup->ListArgument);
    CLookUpFilterDlg dialog(lookup, LK_DIALOG_ID, &list);
    if (filterColumns != nullptr && filterValues != nullptr)
        dialog.CreateFilterColsArray(filterColumns, filterValues);
    return FilterLookUpProcessImpl(&dialog);
}

int VariablesLookUpProcess(TagLookUp* lookup, TagLookUpField* filterColumns, void** filterValues)
{
    if (lookup == nullptr)
        return 0;
    CLookUpVariablesListCtrl list;
    CLookUpFilterDlg dialog(lookup, LK_DIALOG_ID, &list);
    if (filterColumns != nullptr && filterValues != nullptr)
        dialog.CreateFilterColsArray(filterColumns, filterValues);
    return FilterLookUpProcessImpl(&dialog);
}

int ColumnLookUpProcess(TagLookUp* lookup, TagLookUpField* filterColumns, void** filterValues)
{
    if (lookup == nullptr)
        return 0;
    CColumnListCtrl list(lookup->ListArgument);
    CLookUpFilterDlg dialog(lookup, LK_DIALOG_ID, &list);
    if (filterColumns != nullptr && filterValues != nullptr)
        dialog.CreateFilterColsArray(filterColumns, filterValues);
    return FilterLookUpProcessImpl(&dialog);
}

int DbLookUpProcess(TagLookUp* lookup)
{
    if (lookup == nullptr)
        return 0;
    CPurchHistListCtrl list(lookup->ListArgument);
    CDbLookDlg dialog(lookup, LK_DIALOG_ID, &list);
    return LookUpProcessImpl(&dialog);
}

int DirLookUpProcess(TagLookUp* lookup)
{
    return BwFxDirLookUpProcessHlp(lookup, LK_DIALOG_ID);
}

int DbNoDDLookUpProcess(TagLookUp* lookup)
{
    return BwFxDbNoDDLookUpProcessHlp(lookup, LK_DIALOG_ID);
}

// ---- forwarders

int LookUpProcessImpl(CEnhLookDlg* dialog)
{
    return DuVaVeduUpProcessImpl(dialog);
}

int FilterLookUpProcessImpl(CFilterLookupDlg* dialog)
{
    return BwFxFilterLookUpProcessImpl(dialog);
}

int LookUpSendMsg(TagLookUp* lookup, int message)
{
    return DuVaVeduUpSendMsg(lookup, message);
}

int LookUpSwitch(long argument)
{
    return DuVaVeduUpSwitch(argument);
}

int LookUpReadRecord(long argument)
{
    return DuVaVeduUpReadRecord(argument);
}

int LookUpReadAtPosition(long argument)
{
    return DuVaVeduUpReadPos(argument);
}

int LookUpReadSearch(long argument)
{
    return DuVaVeduUpReadSearch(argument);
}

int LookUpGetDbRecords(long argument)
{
    return DuVaVeduUpGetDbRecords(argument);
}

int LookUpSeekPercRelative(long argument)
{
    return DuVaVeduUpSeekPercRelative(argument);
}

int LookUpGetPercRelative(long argument)
{
    return DuVaVeduUpGetPercRelative(argument);
}

int LookUpReadRecordCallback(TagLookUp* lookup)
{
    return LookUpReadRecord(reinterpret_cast<long>(lookup));
}

int LookUpReadAtPositionCallback(TagLookUp* lookup)
{
    return LookUpReadAtPosition(reinterpret_cast<long>(lookup));
}

int LookUpReadSearchCallback(TagLookUp* lookup)
{
    return LookUpReadSearch(reinterpret_cast<long>(lookup));
}

int LookUpSwitchKey(void* lookup)
{
    return LookUpSwitch(reinterpret_cast<long>(lookup));
}

// ---- list services

int LookUpDeleteRecord(TagLookUp* lookup)
{
    if (lookup == nullptr || lookup->DeleteAllowed == 0 || lookup->Data == nullptr) {
        FxBeep();
        return 0;
    }
    uint8_t colours[5] = {};
    SetColorSet(colours, 5);
    int choice = 1;
    if (AskMessage(1267, 0, &choice, "\x01Yes,No", colours, 0, 0, 0, 0, 0) != 0 || choice != 1)
        return 0;
    TagLookUpData* d = lookup->Data;
    const int st = BtrWrite(B_DELETE, d->Handle, d->KeyBuffer, d->Record, d->RecordLength);
    if (st != 0)
        ReportRecordManagerError(st, 1, B_DELETE, d->FileId, 0);
    return LK_ANSWER_REFRESH;
}

int LookUpDeleteKey(void* lookup)
{
    return LookUpDeleteRecord(static_cast<TagLookUp*>(lookup));
}

bool CreateLookUpSortIndex(uint16_t handle, int fieldOffset, int fieldLength)
{
    int key = 0, second = 0;
    if (BtrGetDefaults(handle, &key, &second) != 0)
        return false;
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER, 0);
    const auto* segment = static_cast<const uint8_t*>(BtrGetKeyInfo(handle, stat.data(), key));
    if (segment == nullptr)
        return false;
    // the key's segments: the first, then each further one while the one
    // before is segmented and the segment has a length
    std::vector<uint8_t> block(16, 0);
    auto word = [](const uint8_t* p) {
        uint16_t w;
        std::memcpy(&w, p, 2);
        return w;
    };
    const uint16_t position = static_cast<uint16_t>(fieldOffset + 1);
    const uint16_t length = static_cast<uint16_t>(fieldLength);
    const uint16_t flags = KF_DUPLICATES | KF_MODIFIABLE | KF_SEGMENTED;
    std::memcpy(block.data(), &position, 2);
    std::memcpy(block.data() + 2, &length, 2);
    std::memcpy(block.data() + 4, &flags, 2);
    bool alternate = false;
    for (const uint8_t* s = segment;; s += 16) {
        std::vector<uint8_t> copy(s, s + 16);
        uint16_t f = word(copy.data() + 4);
        f = static_cast<uint16_t>((f & ~(KF_DUPLICATES | KF_MODIFIABLE | 0x0008 | KF_SUPPLEMENTAL)) |
                                  KF_DUPLICATES | KF_MODIFIABLE);
        std::memcpy(copy.data() + 4, &f, 2);
        alternate = alternate || (f & KF_ALT_COLLATE) != 0;
        block.insert(block.end(), copy.begin(), copy.end());
        if ((word(s + 4) & KF_SEGMENTED) == 0 || word(s + 16 + 2) == 0)
            break;
    }
    if (alternate) {
        std::vector<uint8_t> sequence(RECMAN_COLLATE_SIZE, 0);
        BtrGetAltCollating(sequence.data());
        block.insert(block.end(), sequence.begin(), sequence.end());
    }
    return BtrCreateSupIndex(handle, static_cast<int>(block.size()), block.data()) == 0;
}

BWPS_ORDINAL(379, LookUpDeleteRecord);
BWPS_ORDINAL(4040, LookUpProcessDlg);
BWPS_ORDINAL(4041, FilterLookUpProcess);
BWPS_ORDINAL(4043, LookUpSendMsg);
BWPS_ORDINAL(4044, LookUpSwitch);
BWPS_ORDINAL(4045, LookUpReadRecord);
BWPS_ORDINAL(4046, LookUpReadAtPosition);
BWPS_ORDINAL(4047, LookUpReadSearch);
BWPS_ORDINAL(4048, LookUpGetDbRecords);
BWPS_ORDINAL(4049, LookUpSeekPercRelative);
BWPS_ORDINAL(4050, LookUpGetPercRelative);
BWPS_ORDINAL(4051, LookUpProcessImpl);
BWPS_ORDINAL(4052, FilterLookUpProcessImpl);
BWPS_ORDINAL(4053, LookUpProcess);
BWPS_ORDINAL(4054, DbNoDDLookUpProcess);
