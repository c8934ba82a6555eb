// The distinct values that one column of the active customers holds, as a
// pick list over an in-memory list.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/db_table.h"
#include "bwps/dictionary.h"
#include "bwps/messages.h"
#include "bwps/records/masters.h"
#include "bwps/screen_utils.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using bwps::FileNo;

namespace {

CCustLookDlg* DialogOf(TagLookUp* l)
{
    return l != nullptr ? static_cast<CCustLookDlg*>(l->Source) : nullptr;
}

}  // namespace

CCustLookDlg::CCustLookDlg(int customerColumn, int titleId)
    : CEnhLookDlg(&lookup_, LK_DIALOG_ID, nullptr), column_(customerColumn), titleId_(titleId)
{
    std::memset(&lookup_, 0, sizeof lookup_);
    std::memset(&data_, 0, sizeof data_);
    FxListInit(&values_);
}

CCustLookDlg::~CCustLookDlg()
{
    FxListClear(&values_);
}

void CCustLookDlg::FillSortColsDefIdx()
{
    const uint8_t first[32] = {};  // the first column
    if (list_ != nullptr && list_->SortColsCount() == 0)
        list_->AddSortCol(first);
}

int CCustLookDlg::RowRead(TagLookUp* l)
{
    CCustLookDlg* self = DialogOf(l);
    if (self == nullptr || self->values_.count == 0)
        return 1;
    int how = 0;
    switch (l->Data->Move) {
    case LK_MOVE_NEXT: how = 2; break;
    case LK_MOVE_PREVIOUS: how = 3; break;
    case LK_MOVE_FIRST: how = 1; break;
    case LK_MOVE_LAST: how = 4; break;
    default: return B_INVALID_OPERATION;
    }
    void* value = FxListWalk(&self->values_, how, 0, 0);
    if (value == nullptr)
        return 1;
    self->current_ = static_cast<char*>(value);
    l->Data->Record = value;
    return 0;
}

int CCustLookDlg::SearchRead(TagLookUp* l)
{
    CCustLookDlg* self = DialogOf(l);
    if (self == nullptr)
        return LK_NOT_FOUND;
    TagLookUpData* d = l->Data;
    const std::string text(d->KeyBuffer, strnlen(d->KeyBuffer, sizeof d->KeyBuffer));
    FxListSetSearch(&self->values_, text.c_str(), static_cast<int>(text.size()));
    void* value = FxListWalk(&self->values_, 7, 0, 0);
    FxListSetSearch(&self->values_, nullptr, 0);
    if (value == nullptr)
        return LK_NOT_FOUND;
    self->current_ = static_cast<char*>(value);
    d->Record = value;
    std::snprintf(d->KeyBuffer, sizeof d->KeyBuffer, "%s", self->current_);
    return LK_FOUND;
}

int CCustLookDlg::PositionRead(TagLookUp* l)
{
    CCustLookDlg* self = DialogOf(l);
    if (self == nullptr)
        return 1;
    TagLookUpData* d = l->Data;
    // the slots hold the node's number in the list (from 1)
    auto numberOf = [&](const char* value) -> uint32_t {
        uint32_t n = 1;
        for (FxListNode* node = self->values_.first; node != nullptr; node = node->next, ++n)
            if (node->data == value)
                return n;
        return 0;
    };
    switch (d->Move) {
    case LK_KEEP_A: d->SlotA = numberOf(self->current_); return 0;
    case LK_KEEP_B: d->SlotB = numberOf(self->current_); return 0;
    case LK_BACK_A:
    case LK_BACK_B: {
        const uint32_t at = d->Move == LK_BACK_A ? d->SlotA : d->SlotB;
        void* value = FxListWalk(&self->values_, 1, 0, 0);
        for (uint32_t n = 1; value != nullptr && n < at; ++n)
            value = FxListWalk(&self->values_, 2, 0, 0);
        if (value == nullptr || at == 0)
            return B_INVALID_POSITIONING;
        self->current_ = static_cast<char*>(value);
        d->Record = value;
        return 0;
    }
    default: return 1;
    }
}

bool CCustLookDlg::Fill(int width, int offset)
{
    FxListClear(&values_);
    FxListInit(&values_);
    CDbTblActiveCust table;
    const int st = table.Open(bwps::No(FileNo::Customers), 0, 0);
    if (st != 0) {
        ReportRecordManagerError(st, 1, -100, bwps::No(FileNo::Customers), 0);
        return false;
    }
    int key = 0, second = 0;
    table.GetDefaults(&key, &second);
    const bool index = table.CreateSupIndex(static_cast<int16_t>(bwps::No(FileNo::Customers)),
                                            static_cast<int16_t>(column_), -1, -1) == 0;
    bool ok = true;
    std::string previous;
    bool any = false;
    CustomerRecord record{};
    char keyBuffer[256] = {};
    for (int s = table.Read(B_GET_FIRST, keyBuffer, &record, sizeof record); s == 0;
         s = table.Read(B_GET_NEXT, keyBuffer, &record, sizeof record)) {
        std::vector<char> value(static_cast<size_t>(width), '\0');
        const auto* bytes = reinterpret_cast<const char*>(&record);
        const size_t room = sizeof record - static_cast<size_t>(offset);
        std::memcpy(value.data(), bytes + offset, std::min(room, static_cast<size_t>(width - 1)));
        const std::string text(value.data());
        if (any && text == previous)
            continue;
        if (FxListAdd(&values_, value.data(), width) == nullptr) {
            ShowMessage(1, 0);
            ok = false;
            break;
        }
        previous = text;
        any = true;
    }
    if (index)
        table.DropSupIndex();
    table.OverRideDef(key, second);
    table.Close();
    return ok;
}

int CCustLookDlg::LookUp(char* value)
{
    // 1. the title and the column
    char title[65] = {};
    FxLoadString(titleId_, sizeof title, title);
    std::vector<TagLookUpField> columns;
    if (!bwps::lookups::LoadColumns(FileNo::Customers, {column_}, columns))
        return 0;
    char picture[sizeof columns[0].Picture + 1] = {};
    std::memcpy(picture, columns[0].Picture, sizeof columns[0].Picture);
    const int width = FxPictureWidth(picture) + 1;
    const int offset = columns[0].Offset;
    if (offset < 0 || offset >= static_cast<int>(sizeof(CustomerRecord)))
        return 0;
    // 2. the list
    if (!Fill(width, offset))
        return 0;
    // 3. the blocks: the rows are the list's values, at offset 0
    columns[0].Offset = 0;
    columns.push_back(TagLookUpField{});
    FxForm form{};
    SetupStandardScreen(&form, 0, 0);
    uint8_t work[32] = {};
    std::vector<char> blank(static_cast<size_t>(width), '\0');  // the row before any is read
    data_.RecordLength = static_cast<uint16_t>(width);
    data_.Record = blank.data();
    lookup_.Row = 5;
    lookup_.Column = 5;
    lookup_.Height = 15;
    lookup_.Width = 35;
    SetColorSet(lookup_.Colours, 3);
    lookup_.Title = title;
    lookup_.SearchPrompt = "Search :";
    lookup_.Columns = columns.data();
    lookup_.WorkArea = work;
    lookup_.Form = &form;
    lookup_.Data = &data_;
    lookup_.Source = this;
    lookup_.Read = RowRead;
    lookup_.Search = SearchRead;
    lookup_.ReadAtPosition = PositionRead;
    lookup_.ValuePicker = 1;
    // 4. the start
    current_ = nullptr;
    char start[256] = {};
    if (value != nullptr)
        std::snprintf(start, sizeof start, "%s", value);
    FxTrimText(4, start);
    if (start[0] != '\0') {
        // A start text longer than the key buffer is cut.
        const std::size_t n = std::min(std::strlen(start), sizeof data_.KeyBuffer - 1);
        std::memset(data_.KeyBuffer, 0, sizeof data_.KeyBuffer);
        std::memcpy(data_.KeyBuffer, start, n);
        lookup_.StartMode = LK_START_SEARCH;
    } else {
        current_ = static_cast<char*>(FxListWalk(&values_, 1, 0, 0));
        if (current_ != nullptr)
            data_.Record = current_;
        lookup_.StartMode = LK_START_FIRST;
    }
    // 5. the run
    const int picked = Process();
    if (picked && current_ != nullptr && value != nullptr)
        std::memcpy(value, current_, std::strlen(current_) + 1);
    lookup_.Columns = nullptr;
    lookup_.Form = nullptr;
    lookup_.WorkArea = nullptr;
    lookup_.Title = nullptr;
    return picked ? 1 : 0;
}
