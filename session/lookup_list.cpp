// The lists of the session services (LookUpDefinition: a row text from the
// caller's callbacks, or a record of an open file formatted by the caller)
// run through the lookup library. The definition's keys become handlers of
// a key bar; answer 1 ends the list, a redraw request reads the page again.
#include "session/lookup_list.h"

#include <cstring>
#include <string>

#include "bwps/lookups.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kTextSize = 256;

struct Adapter {
    LookUpDefinition* list = nullptr;
    bool file = false;
    int index = -1;      // caller rows: the row the source stands on
    char text[kTextSize] = {};
};

Adapter* AdapterOf(TagLookUp* l)
{
    return static_cast<Adapter*>(l->Source);
}

// One column: the row's text, or the caller's formatting of the record.
class TextColumn : public CDbLookupColumn {
public:
    TextColumn(TagLookUpField* field, Adapter* adapter) : CDbLookupColumn(field, nullptr), adapter_(adapter) {}
    void FormatField(const void* record, int, char* out, int size) override
    {
        if (adapter_->file) {
            out[0] = '\0';
            if (adapter_->list->FormatRecord != nullptr)
                adapter_->list->FormatRecord(adapter_->list, record, out, size);
            return;
        }
        std::snprintf(out, static_cast<size_t>(size), "%s", adapter_->text);
    }

private:
    Adapter* adapter_;
};

class TextList : public CEnhListCtrl {
public:
    explicit TextList(Adapter* adapter) : adapter_(adapter) {}
    CDbLookupColumn* CreateColumn(TagLookUpField* field, tagTEXTMETRICA*) override
    {
        return new TextColumn(field, adapter_);
    }
    using CEnhListCtrl::CreateColumn;

private:
    Adapter* adapter_;
};

int ReadRow(TagLookUp* l)
{
    Adapter* a = AdapterOf(l);
    LookUpDefinition* list = a->list;
    if (list->Read == nullptr)
        return B_END_OF_FILE;
    const int move = l->Data->Move;
    const int st = list->Read(list->Context, move, a->text, kTextSize);
    if (st != 0)
        return st;
    if (move == B_GET_FIRST)
        a->index = 0;
    else if (move == B_GET_NEXT)
        ++a->index;
    else if (move == B_GET_PREVIOUS)
        --a->index;
    else if (move == B_GET_LAST) {
        // the last row's number: count from the first
        int n = 0;
        char scratch[kTextSize];
        for (int s = list->Read(list->Context, B_GET_FIRST, scratch, kTextSize); s == 0;
             s = list->Read(list->Context, B_GET_NEXT, scratch, kTextSize))
            ++n;
        list->Read(list->Context, B_GET_LAST, a->text, kTextSize);
        a->index = n - 1;
    }
    list->Current = a->index;
    return 0;
}

// Caller rows keep their number in the slots: going back walks from the
// first row.
int RowPosition(TagLookUp* l)
{
    Adapter* a = AdapterOf(l);
    TagLookUpData* d = l->Data;
    switch (d->Move) {
    case LK_KEEP_A: d->SlotA = static_cast<uint32_t>(a->index); return 0;
    case LK_KEEP_B: d->SlotB = static_cast<uint32_t>(a->index); return 0;
    case LK_BACK_A:
    case LK_BACK_B: {
        const int want = static_cast<int>(d->Move == LK_BACK_A ? d->SlotA : d->SlotB);
        LookUpDefinition* list = a->list;
        int st = list->Read(list->Context, B_GET_FIRST, a->text, kTextSize);
        for (int i = 0; st == 0 && i < want; ++i)
            st = list->Read(list->Context, B_GET_NEXT, a->text, kTextSize);
        if (st == 0) {
            a->index = want;
            list->Current = want;
        }
        return st;
    }
    default: return 1;
    }
}

template <int K>
int KeyOf(void* argument)
{
    auto* l = static_cast<TagLookUp*>(argument);
    LookUpDefinition* list = AdapterOf(l)->list;
    list->RedrawPending = 0;
    const int answer = list->Keys[K].Handler(list);
    if (answer == 1)
        return LK_ANSWER_LEAVE;
    if (list->RedrawPending) {
        list->RedrawPending = 0;
        return LK_ANSWER_REFRESH;
    }
    return FX_STAY;
}

constexpr FxHandler kKeyHandlers[LOOKUP_KEYS] = {KeyOf<0>, KeyOf<1>, KeyOf<2>, KeyOf<3>, KeyOf<4>, KeyOf<5>};

}  // namespace

namespace bwps {

int RunLookupList(LookUpDefinition* list, bool file)
{
    list->Picked = 0;
    Adapter adapter;
    adapter.list = list;
    adapter.file = file && list->Handle != 0;
    TagLookUpField columns[2] = {};
    std::snprintf(columns[0].Title, sizeof columns[0].Title, "%s", list->Heading != nullptr ? list->Heading : "");
    const int width = list->Width > 4 ? list->Width - 2 : 40;
    std::snprintf(columns[0].Picture, sizeof columns[0].Picture, "%%-%ds", width);
    columns[0].Type = 2;
    std::vector<uint8_t> own(kTextSize, 0);
    TagLookUp lookup{};
    TagLookUpData data{};
    uint8_t work[32] = {};
    data.Handle = adapter.file ? list->Handle : 0;
    data.RecordLength = static_cast<uint16_t>(adapter.file ? list->RecordLength : kTextSize);
    data.Record = adapter.file && list->Record != nullptr ? list->Record : own.data();
    lookup.Row = static_cast<uint16_t>(list->Row);
    lookup.Column = static_cast<uint16_t>(list->Column);
    lookup.Height = static_cast<uint16_t>(list->Height > 0 ? list->Height : 10);
    lookup.Width = static_cast<uint16_t>(list->Width > 0 ? list->Width : 40);
    lookup.Title = list->Title;
    lookup.Columns = columns;
    lookup.Data = &data;
    lookup.WorkArea = work;
    lookup.Source = &adapter;
    lookup.StartMode = LK_START_FIRST;
    if (!adapter.file) {
        lookup.Read = ReadRow;
        lookup.ReadAtPosition = RowPosition;
    }
    FxKeyBar keys{};
    bool bound = false;
    for (int k = 0; k < LOOKUP_KEYS; ++k)
        if (list->Keys[k].Handler != nullptr && list->Keys[k].Key != 0) {
            FxSetKeyHandler(&keys, list->Keys[k].Key, kKeyHandlers[k]);
            bound = true;
        }
    lookup.Form = bound ? reinterpret_cast<FxForm*>(&keys) : nullptr;
    if (adapter.file) {
        int key = 0, second = 0;
        BtrGetDefaults(list->Handle, &key, &second);
        data.KeyNumber = static_cast<uint16_t>(key);
        list->RowCount = static_cast<int>(BtrGetRecordCount(list->Handle));
    } else {
        int n = 0;
        char scratch[kTextSize];
        if (list->Read != nullptr)
            for (int s = list->Read(list->Context, B_GET_FIRST, scratch, kTextSize); s == 0;
                 s = list->Read(list->Context, B_GET_NEXT, scratch, kTextSize))
                ++n;
        list->RowCount = n;
    }
    TextList control(&adapter);
    CEnhLookDlg dialog(&lookup, LK_DIALOG_ID, &control);
    const int picked = LookUpProcessImpl(&dialog);
    if (picked)
        list->Picked = 1;
    return list->Picked;
}

}  // namespace bwps

extern "C" {

BWPS_EXPORT int LookUpProcess(LookUpDefinition* list)
{
    return list != nullptr ? bwps::RunLookupList(list, false) : 0;
}

BWPS_EXPORT int LookUpProcessDlg(LookUpDefinition* list, int)
{
    return list != nullptr ? bwps::RunLookupList(list, true) : 0;
}

BWPS_EXPORT int LookUpSendMsg(LookUpDefinition* list, int message)
{
    if (list != nullptr && message == LOOKUP_REDRAW)
        list->RedrawPending = 1;
    return 0;
}

}  // extern "C"
