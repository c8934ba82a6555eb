// The lookup dialogs and their run: the visible page, the moves, the
// search, the keys and the messages.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "lookup.h"
#include "lookup_testing.h"
#include "recman.h"

namespace {

std::vector<CEnhLookDlg*> g_running;

constexpr int kUnknown = -1000;

}  // namespace

// One row of the page: where it stands, its record and its cells.
struct PageRow {
    uint32_t token = 0;
    std::vector<uint8_t> record;
    std::vector<std::string> cells;
};

// The run of one dialog.
struct LookupRun {
    CEnhLookDlg& dlg;
    TagLookUp* l;
    TagLookUpData* d;
    FxListView* view = nullptr;
    std::vector<PageRow> page;
    int highlight = 0;
    int visible = 1;
    std::string search;
    bool picked = false;
    bool reported = false; // an unknown status was reported in this move

    explicit LookupRun(CEnhLookDlg& dialog) : dlg(dialog), l(dialog.lookup_), d(dialog.lookup_->Data) {}

    int RecordLength() const { return d != nullptr ? d->RecordLength : 0; }

    // A row move through the filter; 0 when a row stands in the buffer.
    int Read(int move)
    {
        const int st = dlg.LookUpRead(move, 0);
        if (st != 0 && st != B_END_OF_FILE && st != B_KEY_NOT_FOUND && !reported) {
            reported = true;
            char text[96];
            std::snprintf(text, sizeof text, "the list ends here: its reader answered %d", st);
            FxListViewNote(view, text);
        }
        return st;
    }

    bool Keep(PageRow& row)
    {
        uint32_t token = 0;
        if (dlg.DataReadPos(LK_KEEP_A, &token) != 0)
            return false;
        row.token = token;
        const int n = RecordLength();
        const auto* r = static_cast<const uint8_t*>(d->Record);
        row.record.assign(r, r + (r != nullptr ? n : 0));
        row.cells.clear();
        CEnhListCtrl* list = dlg.list_;
        for (int c = 0; c < list->ColsCount(); ++c) {
            char cell[256];
            list->GetCol(c)->FormatField(d->Record, n, cell, sizeof cell);
            row.cells.push_back(cell);
        }
        return true;
    }

    // Puts the file (or the callback source) back on a row of the page, its
    // record in the buffer; 0 on success.
    int Back(const PageRow& row)
    {
        uint32_t token = row.token;
        return dlg.DataReadPos(LK_BACK_A, &token);
    }

    // The page around the row standing in the buffer, that row on line
    // `line` when rows allow.
    void BuildAround(int line)
    {
        page.clear();
        highlight = 0;
        PageRow current;
        if (!Keep(current))
            return;
        page.push_back(current);
        for (int i = 0; i < line; ++i) {
            PageRow row;
            if (Read(LK_MOVE_PREVIOUS) != 0 || !Keep(row))
                break;
            page.insert(page.begin(), row);
            ++highlight;
        }
        if (Back(current) != 0)
            return;
        while (static_cast<int>(page.size()) < visible) {
            PageRow row;
            if (Read(LK_MOVE_NEXT) != 0 || !Keep(row))
                break;
            page.push_back(row);
        }
        if (static_cast<int>(page.size()) < visible && highlight == line) {
            if (Back(page.front()) == 0)
                while (static_cast<int>(page.size()) < visible) {
                    PageRow row;
                    if (Read(LK_MOVE_PREVIOUS) != 0 || !Keep(row))
                        break;
                    page.insert(page.begin(), row);
                    ++highlight;
                }
        }
    }

    void First()
    {
        page.clear();
        highlight = 0;
        if (Read(LK_MOVE_FIRST) == 0)
            BuildAround(0);
    }

    void Last()
    {
        page.clear();
        highlight = 0;
        if (Read(LK_MOVE_LAST) == 0)
            BuildAround(visible - 1);
    }

    void Search(const std::string& text)
    {
        search = text;
        if (!dlg.CreateKey(text.c_str())) {
            FxBeep();
            return;
        }
        if (l->KeyText != nullptr)
            l->KeyText(l);
        const int st = dlg.DataReadSearch();
        if (st == 0)
            BuildAround(0);
        else
            Last();
    }

    // The page read again around the highlighted row (or its neighbours
    // when it went).
    void Refresh()
    {
        if (page.empty()) {
            First();
            return;
        }
        std::vector<int> order;
        for (int i = highlight; i < static_cast<int>(page.size()); ++i)
            order.push_back(i);
        for (int i = highlight - 1; i >= 0; --i)
            order.push_back(i);
        const int line = highlight;
        const std::vector<PageRow> old = page;
        for (int i : order) {
            if (Back(old[static_cast<size_t>(i)]) == 0 && dlg.RowPasses()) {
                BuildAround(std::min(line, i < line ? i : line));
                return;
            }
        }
        First();
    }

    void Down()
    {
        if (page.empty())
            return;
        if (highlight + 1 < static_cast<int>(page.size())) {
            ++highlight;
            return;
        }
        if (Back(page.back()) != 0)
            return;
        PageRow row;
        if (Read(LK_MOVE_NEXT) == 0 && Keep(row)) {
            page.push_back(row);
            if (static_cast<int>(page.size()) > visible)
                page.erase(page.begin());
            highlight = static_cast<int>(page.size()) - 1;
        }
    }

    void Up()
    {
        if (page.empty())
            return;
        if (highlight > 0) {
            --highlight;
            return;
        }
        if (Back(page.front()) != 0)
            return;
        PageRow row;
        if (Read(LK_MOVE_PREVIOUS) == 0 && Keep(row)) {
            page.insert(page.begin(), row);
            if (static_cast<int>(page.size()) > visible)
                page.pop_back();
            highlight = 0;
        }
    }

    void PageDown()
    {
        if (page.empty())
            return;
        std::vector<PageRow> more;
        if (static_cast<int>(page.size()) >= visible && Back(page.back()) == 0)
            while (static_cast<int>(more.size()) < visible) {
                PageRow row;
                if (Read(LK_MOVE_NEXT) != 0 || !Keep(row))
                    break;
                more.push_back(row);
            }
        if (more.empty()) {
            highlight = static_cast<int>(page.size()) - 1;
            return;
        }
        page.insert(page.end(), more.begin(), more.end());
        page.erase(page.begin(), page.end() - std::min<int>(visible, static_cast<int>(page.size())));
        highlight = std::min(highlight, static_cast<int>(page.size()) - 1);
    }

    void PageUp()
    {
        if (page.empty())
            return;
        std::vector<PageRow> more;
        if (Back(page.front()) == 0)
            while (static_cast<int>(more.size()) < visible) {
                PageRow row;
                if (Read(LK_MOVE_PREVIOUS) != 0 || !Keep(row))
                    break;
                more.insert(more.begin(), row);
            }
        if (more.empty()) {
            highlight = 0;
            return;
        }
        page.insert(page.begin(), more.begin(), more.end());
        page.resize(static_cast<size_t>(std::min<int>(visible, static_cast<int>(page.size()))));
        highlight = std::min(highlight, static_cast<int>(page.size()) - 1);
    }

    void Show()
    {
        const size_t columns = static_cast<size_t>(dlg.list_->ColsCount());
        std::vector<const char*> cells;
        for (const PageRow& row : page)
            for (size_t c = 0; c < columns; ++c)
                cells.push_back(c < row.cells.size() ? row.cells[c].c_str() : "");
        FxListViewSetRows(view, static_cast<int>(page.size()), cells.data(), page.empty() ? -1 : highlight);
        FxListViewSetSearch(view, search.c_str());
        FxListViewShow(view);
    }

    // Makes the highlighted row current in the file and the buffer; false
    // when there is none.
    bool OnHighlight()
    {
        if (page.empty())
            return false;
        return Back(page[static_cast<size_t>(highlight)]) == 0;
    }

    void Start()
    {
        reported = false;
        switch (l->StartMode) {
        case LK_START_SEARCH: {
            std::string text(d->KeyBuffer, strnlen(d->KeyBuffer, sizeof d->KeyBuffer));
            search = text;
            if (l->KeyText != nullptr)
                l->KeyText(l);
            if (dlg.DataReadSearch() == 0)
                BuildAround(0);
            else
                Last();
            break;
        }
        case LK_START_POSITIONED: {
            const int answer = l->Position != nullptr ? l->Position(l) : 1;
            if (answer == LK_FOUND) {
                std::string text(d->KeyBuffer, strnlen(d->KeyBuffer, sizeof d->KeyBuffer));
                Search(text);
            } else {
                First();
            }
            break;
        }
        case LK_REDRAW:
            if (d->Record != nullptr && dlg.RowPasses() && dlg.DataReadPos(LK_KEEP_A, nullptr) == 0)
                BuildAround(0);
            else
                First();
            break;
        default:
            First();
            break;
        }
    }

    // A bound key; true when the list ends.
    bool RunHandler(int key, FxHandler handler)
    {
        if (handler == nullptr)
            return false;
        OnHighlight();
        const bool f8f9 = key == FX_KEY_F1 + 7 * 0x100 || key == FX_KEY_F1 + 8 * 0x100;
        int32_t word = key;
        if (f8f9 && l->WorkArea != nullptr)
            std::memcpy(l->WorkArea, &word, 4);
        const int switchKey = d != nullptr ? d->KeyNumber : 0;
        const int answer = handler(l);
        const bool redraw = dlg.redrawPending_;
        bool refresh = answer == LK_ANSWER_REFRESH || redraw;
        if (f8f9 && l->WorkArea != nullptr) {
            std::memcpy(&word, l->WorkArea, 4);
            if (word == LK_KEY_SAVED || word == LK_KEY_DELETED || word == 0)
                refresh = true;
        }
        if (d != nullptr && d->KeyNumber != switchKey)
            refresh = true; // the key was switched: the same row, in the new order
        dlg.redrawPending_ = false;
        if (dlg.pickPending_) {
            dlg.pickPending_ = false;
            picked = OnHighlight();
            return true;
        }
        if (answer == LK_ANSWER_LEAVE || answer == FX_LEAVE)
            return true;
        if (redraw && l->StartMode == LK_REDRAW) {
            // the handler put the file on the row to show (start mode and
            // message 0x5000): the page is built from that row
            Start();
            return false;
        }
        if (refresh)
            Refresh();
        return false;
    }

    // Picks the highlighted row; false when the row action sends the user
    // back to the list.
    bool Pick()
    {
        if (!OnHighlight())
            return false;
        if (l->RowAction != nullptr) {
            if (l->RowAction(l) == 0) {
                Refresh();
                return false;
            }
        }
        picked = true;
        return true;
    }

    int Run()
    {
        TagLookUp& t = *l;
        // The keys bound on the lookup's form serve this list only: they go
        // with the run, so the screen under it never reaches a handler that
        // expects a lookup (its form is gone when the lookup returns).
        struct Keys {
            FxForm* form;
            ~Keys() { FxKeyBarForget(form); }
        } keys{t.Form};
        // window numbers: row, column, height, width; clipped to the screen
        const int top = std::clamp<int>(t.Row, 0, 24);
        const int left = std::clamp<int>(t.Column, 0, 79);
        const int height = t.Height > 0 ? t.Height : 12;
        const int width = t.Width > 0 ? t.Width : 60;
        const int bottom = std::clamp(top + height - 1, top, 24);
        const int right = std::clamp(left + width - 1, left, 79);
        view = FxListViewOpen(std::min(top, 24 - 4), std::min(left, 79 - 5), std::max(bottom, std::min(top, 20) + 4),
                              std::max(right, std::min(left, 74) + 5), t.Title != nullptr ? t.Title : "");
        if (view == nullptr)
            return 0;
        CEnhListCtrl* list = dlg.list_;
        std::vector<std::string> captions;
        std::vector<int> widths, rightAligned;
        for (int c = 0; c < list->ColsCount(); ++c) {
            const TagLookUpField& f = list->GetCol(c)->Field();
            std::string title(f.Title, strnlen(f.Title, sizeof f.Title));
            while (!title.empty() && title.back() == ' ')
                title.pop_back();
            captions.push_back(title);
            widths.push_back(list->GetCol(c)->Width());
            rightAligned.push_back(list->GetCol(c)->RightAligned() ? 1 : 0);
        }
        std::vector<const char*> captionPointers;
        for (const std::string& c : captions)
            captionPointers.push_back(c.c_str());
        FxListViewSetColumns(view, static_cast<int>(captions.size()), captionPointers.data(), widths.data(),
                             rightAligned.data());
        if (t.ReportTitle != nullptr && *t.ReportTitle)
            FxListViewSetLine(view, 1, t.ReportTitle);
        if (t.Subtitle[0] != '\0')
            FxListViewSetLine(view, 2, t.Subtitle);
        FxListViewSetPrompt(view, t.SearchPrompt);
        visible = FxListViewRows(view);
        Start();
        Show();
        char text[256];
        for (;;) {
            reported = false;
            const int input = FxListViewInput(view, text, sizeof text);
            if (input == FX_LIST_SEARCH) {
                Search(text);
                Show();
                continue;
            }
            if ((input & ~0xFFFF) == FX_LIST_PICK) {
                const int row = (input & 0xFFFF) - 1;
                if (row >= 0 && row < static_cast<int>(page.size())) {
                    highlight = row;
                    if (Pick())
                        break;
                    Show();
                }
                continue;
            }
            const int key = input;
            // Esc is the list's own: the form's close key works on a screen
            // context, not on the TagLookUp a list hands to its handlers
            FxHandler handler = nullptr;
            const int bound = t.Form != nullptr && key != FX_KEY_ESC ? FxKeyBinding(t.Form, key, &handler) : 0;
            if (bound == -1) {
                FxBeep();
                continue;
            }
            if (bound == 1) {
                if (RunHandler(key, handler))
                    break;
                Show();
                continue;
            }
            bool leave = false;
            switch (key) {
            case FX_KEY_ESC:
                leave = true;
                break;
            case FX_KEY_ENTER:
            case FX_KEY_F10:
                leave = Pick();
                break;
            case FX_KEY_DOWN:
                Down();
                break;
            case FX_KEY_UP:
                Up();
                break;
            case FX_KEY_PGDN:
                PageDown();
                break;
            case FX_KEY_PGUP:
                PageUp();
                break;
            case FX_KEY_HOME:
            case FX_KEY_CTRL_HOME:
                search.clear();
                First();
                break;
            case FX_KEY_END:
            case FX_KEY_CTRL_END:
                search.clear();
                Last();
                break;
            case LK_KEY_PRINT:
                if (t.Print != nullptr) {
                    OnHighlight();
                    t.Print(&dlg);
                    Refresh();
                } else {
                    FxBeep();
                }
                break;
            default:
                FxBeep();
                break;
            }
            if (leave)
                break;
            Show();
        }
        if (!picked)
            FxListViewNote(view, "cancelled");
        else {
            std::string cells;
            for (const std::string& c : page[static_cast<size_t>(highlight)].cells)
                cells += (cells.empty() ? "" : " | ") + c;
            FxListViewNote(view, ("picked " + cells).c_str());
        }
        FxListViewClose(view);
        view = nullptr;
        return picked ? 1 : 0;
    }
};

// ---- CEnhLookDlg

CEnhLookDlg::CEnhLookDlg(TagLookUp* lookup, int dialogId, CEnhListCtrl* list)
    : lookup_(lookup), dialogId_(dialogId), list_(list != nullptr ? list : &ownList_)
{
}

CEnhLookDlg::~CEnhLookDlg()
{
    auto it = std::find(g_running.begin(), g_running.end(), this);
    if (it != g_running.end())
        g_running.erase(it);
}

int CEnhLookDlg::ColsCount()
{
    return list_->ColsCount();
}

int CEnhLookDlg::GetLookupFields(TagLookUpField* out, int count)
{
    int n = 0;
    for (; n < count && n < list_->ColsCount(); ++n)
        out[n] = list_->GetCol(n)->Field();
    return n;
}

void CEnhLookDlg::FillSortColsDefIdx() {}

bool CEnhLookDlg::RowPasses()
{
    return true;
}

bool CEnhLookDlg::RowEndsRange(int)
{
    return false;
}

int CEnhLookDlg::LookUpRead(int move, int)
{
    int st = DataReadLine(move);
    int step = move == LK_MOVE_FIRST ? LK_MOVE_NEXT : move == LK_MOVE_LAST ? LK_MOVE_PREVIOUS : move;
    while (st == 0 && !RowPasses()) {
        if (RowEndsRange(step))
            return B_END_OF_FILE;
        st = DataReadLine(step);
    }
    return st;
}

int CEnhLookDlg::DataReadLine(int move)
{
    ++reads_;
    TagLookUpData* d = lookup_->Data;
    if (d == nullptr)
        return B_FILE_NOT_OPEN;
    d->Move = move;
    if (lookup_->Read != nullptr)
        return lookup_->Read(lookup_);
    if (d->Handle == 0)
        return B_FILE_NOT_OPEN;
    return DuVaVeduUpReadRecord(reinterpret_cast<long>(lookup_));
}

int CEnhLookDlg::DataReadSearch()
{
    ++reads_;
    TagLookUpData* d = lookup_->Data;
    if (d == nullptr)
        return B_END_OF_FILE;
    int st;
    if (lookup_->Search != nullptr) {
        st = lookup_->Search(lookup_);
        if (st == LK_FOUND)
            st = 0;
        else if (st == LK_NOT_FOUND)
            st = B_END_OF_FILE;
    } else if (d->Handle != 0 && lookup_->Read == nullptr) {
        st = DuVaVeduUpReadSearch(reinterpret_cast<long>(lookup_));
    } else {
        // rows from a callback: the first row whose first cell is at or
        // after the text, case ignored
        const std::string text(d->KeyBuffer, strnlen(d->KeyBuffer, sizeof d->KeyBuffer));
        list_->ColsCount();
        for (st = LookUpRead(LK_MOVE_FIRST, 0); st == 0; st = LookUpRead(LK_MOVE_NEXT, 0)) {
            char cell[256] = {};
            if (list_->ColsCount() > 0)
                list_->GetCol(0)->FormatField(d->Record, d->RecordLength, cell, sizeof cell);
            if (strncasecmp(cell, text.c_str(), text.size()) >= 0)
                break;
        }
        return st;
    }
    // the filter: the search lands on the first passing row at or after
    while (st == 0 && !RowPasses()) {
        if (RowEndsRange(LK_MOVE_NEXT))
            return B_END_OF_FILE;
        st = DataReadLine(LK_MOVE_NEXT);
    }
    return st;
}

int CEnhLookDlg::DataReadPos(int request, uint32_t* token)
{
    ++reads_;
    TagLookUpData* d = lookup_->Data;
    if (d == nullptr)
        return B_FILE_NOT_OPEN;
    const bool keep = request == LK_KEEP_A || request == LK_KEEP_B;
    uint32_t& slot = request == LK_KEEP_A || request == LK_BACK_A ? d->SlotA : d->SlotB;
    if (!keep && token != nullptr)
        slot = *token;
    d->Move = request;
    int st;
    if (lookup_->ReadAtPosition != nullptr)
        st = lookup_->ReadAtPosition(lookup_);
    else if (d->Handle != 0)
        st = DuVaVeduUpReadPos(reinterpret_cast<long>(lookup_));
    else
        st = 0; // rows without positions: the row in the buffer is the row
    if (st == 0 && keep && token != nullptr)
        *token = slot;
    return st;
}

bool CEnhLookDlg::CreateKey(const char* text)
{
    TagLookUpData* d = lookup_->Data;
    if (d == nullptr)
        return false;
    std::memset(d->KeyBuffer, 0, sizeof d->KeyBuffer);
    const size_t n = strnlen(text, sizeof d->KeyBuffer - 1);
    std::memcpy(d->KeyBuffer, text, n);
    return true;
}

int CEnhLookDlg::SendMessage(int message)
{
    if (message == LK_MSG_SELECT)
        pickPending_ = true;
    else if (message == LK_REDRAW)
        redrawPending_ = true;
    return 0;
}

CEnhLookDlg* CEnhLookDlg::Running(const TagLookUp* lookup)
{
    for (auto it = g_running.rbegin(); it != g_running.rend(); ++it)
        if ((*it)->lookup_ == lookup)
            return *it;
    return nullptr;
}

int CEnhLookDlg::Process()
{
    if (lookup_ == nullptr)
        return 0;
    if (list_->ColsCount() == 0)
        list_->InitCols(lookup_->Columns);
    FillSortColsDefIdx();
    g_running.push_back(this);
    LookupRun run(*this);
    const int result = run.Run();
    auto it = std::find(g_running.begin(), g_running.end(), this);
    if (it != g_running.end())
        g_running.erase(it);
    return result;
}

// ---- CDbLookDlg, CFilterLookupDlg

CDbLookDlg::CDbLookDlg(TagLookUp* lookup, int dialogId, CEnhListCtrl* list) : CEnhLookDlg(lookup, dialogId, list) {}
CDbLookDlg::~CDbLookDlg() = default;

CFilterLookupDlg::CFilterLookupDlg(TagLookUp* lookup, int dialogId, CEnhListCtrl* list)
    : CDbLookDlg(lookup, dialogId, list)
{
}

CFilterLookupDlg::~CFilterLookupDlg() = default;

CDbLookupColumn* CFilterLookupDlg::CreateFilterColumn(TagLookUpField* field)
{
    return new CDbLookupColumn(field, nullptr);
}

void CFilterLookupDlg::CreateFilterColsArray(TagLookUpField* columns, void** values)
{
    filterColumns_.clear();
    if (columns == nullptr || values == nullptr)
        return;
    const int n = LookUpColumnCount(columns, 16);
    for (int i = 0; i < n; ++i) {
        CDbLookupColumn* column = CreateFilterColumn(&columns[i]);
        const int length = column->GetDataLen();
        Filter f;
        f.offset = column->Field().Offset;
        f.length = length;
        const auto* v = static_cast<const uint8_t*>(values[i]);
        f.value.assign(v, v + (v != nullptr ? length : 0));
        if (columns[i].Type == 2) {
            // a text value ends at its NUL: the rest of the field must be
            // empty as the value's is
            const size_t used = strnlen(reinterpret_cast<const char*>(v), static_cast<size_t>(length));
            std::fill(f.value.begin() + static_cast<long>(used), f.value.end(), 0);
        }
        delete column;
        filterColumns_.push_back(f);
    }
}

bool CFilterLookupDlg::RowPasses()
{
    TagLookUpData* d = lookup_->Data;
    if (d == nullptr || d->Record == nullptr)
        return filterColumns_.empty();
    const auto* record = static_cast<const uint8_t*>(d->Record);
    for (const Filter& f : filterColumns_) {
        if (f.offset < 0 || f.offset + f.length > d->RecordLength)
            return false;
        const uint8_t* field = record + f.offset;
        if (f.value.size() != static_cast<size_t>(f.length))
            return false;
        // texts compare up to the value's end (the field is NUL padded)
        for (int i = 0; i < f.length; ++i) {
            if (field[i] != f.value[static_cast<size_t>(i)])
                return false;
            if (f.value[static_cast<size_t>(i)] == 0)
                break;
        }
    }
    return true;
}

namespace {

// The first segment of the key in use, or null.
const uint8_t* FirstSegment(TagLookUpData* d, std::vector<uint8_t>& buffer)
{
    if (d == nullptr || d->Handle == 0)
        return nullptr;
    buffer.assign(RECMAN_STAT_BUFFER, 0);
    int key = 0, second = 0;
    if (BtrGetDefaults(d->Handle, &key, &second) != 0)
        key = d->KeyNumber;
    return static_cast<const uint8_t*>(BtrGetKeyInfo(d->Handle, buffer.data(), key));
}

uint16_t Word(const uint8_t* p)
{
    uint16_t w;
    std::memcpy(&w, p, 2);
    return w;
}

}  // namespace

bool CFilterLookupDlg::RowEndsRange(int move)
{
    // when the key in use begins with the first filter column, rows past a
    // failing value in key order can never pass
    if (filterColumns_.empty() || (move != LK_MOVE_NEXT && move != LK_MOVE_PREVIOUS))
        return false;
    std::vector<uint8_t> buffer;
    const uint8_t* segment = FirstSegment(lookup_->Data, buffer);
    const Filter& f = filterColumns_.front();
    if (segment == nullptr || Word(segment) != f.offset + 1 || (Word(segment + 4) & KF_EXTENDED) != 0)
        return false;
    const auto* record = static_cast<const uint8_t*>(lookup_->Data->Record) + f.offset;
    const int cmp = std::memcmp(record, f.value.data(), std::min<size_t>(f.value.size(), Word(segment + 2)));
    if ((Word(segment + 4) & KF_DESCENDING) != 0)
        return move == LK_MOVE_NEXT ? cmp < 0 : cmp > 0;
    return move == LK_MOVE_NEXT ? cmp > 0 : cmp < 0;
}

bool CFilterLookupDlg::CreateKey(const char* text)
{
    TagLookUpData* d = lookup_->Data;
    if (d == nullptr)
        return false;
    std::vector<uint8_t> buffer;
    const uint8_t* segment = FirstSegment(d, buffer);
    // a key that begins with filter columns: their values go first
    size_t at = 0;
    char key[sizeof d->KeyBuffer] = {};
    for (const Filter& f : filterColumns_) {
        if (segment == nullptr || Word(segment) != f.offset + 1)
            break;
        const size_t n = std::min<size_t>(Word(segment + 2), f.value.size());
        if (at + n >= sizeof key)
            break;
        std::memcpy(key + at, f.value.data(), n);
        at += Word(segment + 2);
        if ((Word(segment + 4) & KF_SEGMENTED) == 0)
            break;
        segment += 16;
    }
    if (at == 0)
        return CEnhLookDlg::CreateKey(text);
    const size_t n = std::min(std::strlen(text), sizeof key - 1 - at);
    std::memcpy(key + at, text, n);
    std::memcpy(d->KeyBuffer, key, sizeof key);
    return true;
}

void LookUpLibraryReset()
{
    g_running.clear();
}
