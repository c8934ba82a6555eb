// The list driver behind the least-of lookup services: rows from the
// caller's callbacks or an open file, the caller's keys, Enter or F10 to
// pick, Esc to leave, a redraw on request. The screens draw through the
// framework's windows, so both drivers show it.
#include "session/lookup_list.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fx.h"
#include "recman.h"

namespace {

// Every row's text (and, over a file, its position).
struct Rows {
    std::vector<std::string> text;
    std::vector<uint32_t> positions;
};

Rows ReadRows(LookUpDefinition* list, bool file)
{
    Rows rows;
    char text[256];
    if (file) {
        std::vector<uint8_t> record(static_cast<size_t>(list->RecordLength));
        char key[256] = {};
        for (int s = BtrGet(B_GET_FIRST, list->Handle, key, record.data(), list->RecordLength); s == 0;
             s = BtrGet(B_GET_NEXT, list->Handle, key, record.data(), list->RecordLength)) {
            text[0] = '\0';
            if (list->FormatRecord)
                list->FormatRecord(list, record.data(), text, sizeof text);
            uint32_t position = 0;
            BtrGet(B_GET_POSITION, list->Handle, key, &position, 4);
            rows.text.push_back(text);
            rows.positions.push_back(position);
        }
        return rows;
    }
    if (list->Read == nullptr)
        return rows;
    for (int s = list->Read(list->Context, B_GET_FIRST, text, sizeof text); s == 0;
         s = list->Read(list->Context, B_GET_NEXT, text, sizeof text))
        rows.text.push_back(text);
    return rows;
}

// Makes the current row's record current in the file and the buffer.
void SelectRecord(LookUpDefinition* list, const Rows& rows)
{
    if (list->Record == nullptr || list->Current < 0 ||
        list->Current >= static_cast<int>(rows.positions.size()))
        return;
    std::memcpy(list->Record, &rows.positions[static_cast<size_t>(list->Current)], 4);
    char key[256] = {};
    BtrGet(B_GET_DIRECT, list->Handle, key, list->Record, list->RecordLength);
}

void Draw(FxWindow& window, LookUpDefinition* list, const Rows& rows)
{
    const int shown = list->Height > 2 ? list->Height - 2 : 1;
    int first = 0;
    if (list->Current >= shown)
        first = list->Current - shown + 1;
    int line = 0;
    if (list->Heading != nullptr) {
        FxWindowText(&window, line++, 0, -1, list->Heading, 0);
    }
    for (int i = first; i < static_cast<int>(rows.text.size()) && line < shown + 1; ++i, ++line) {
        std::string text = (i == list->Current ? "> " : "  ") + rows.text[static_cast<size_t>(i)];
        FxWindowText(&window, line, 0, -1, text.c_str(), 0);
    }
}

}  // namespace

namespace bwps {

int RunLookupList(LookUpDefinition* list, bool file)
{
    list->Picked = 0;
    FxWindow window{};
    const int top = list->Row, left = list->Column;
    if (FxWindowCreate(&window, top, left, top + (list->Height > 0 ? list->Height : 10) - 1,
                       left + (list->Width > 0 ? list->Width : 40) - 1, 1, 0, 0x20, list->Title) != 0)
        return 0;
    Rows rows = ReadRows(list, file);
    list->RowCount = static_cast<int>(rows.text.size());
    if (list->Current >= list->RowCount)
        list->Current = list->RowCount > 0 ? list->RowCount - 1 : 0;
    if (file)
        SelectRecord(list, rows);
    Draw(window, list, rows);
    for (;;) {
        const int key = FxGetKey(1);
        bool handled = false;
        for (auto& k : list->Keys) {
            if (k.Handler != nullptr && k.Key == key) {
                handled = true;
                if (file)
                    SelectRecord(list, rows);
                const int answer = k.Handler(list);
                if (list->RedrawPending) {
                    list->RedrawPending = 0;
                    rows = ReadRows(list, file);
                    list->RowCount = static_cast<int>(rows.text.size());
                    if (list->Current >= list->RowCount)
                        list->Current = list->RowCount > 0 ? list->RowCount - 1 : 0;
                    FxClearWindow(&window);
                    Draw(window, list, rows);
                }
                if (answer == 1) {
                    FxWindowClose(&window, 1);
                    return list->Picked;
                }
                break;
            }
        }
        if (handled)
            continue;
        if (key == FX_KEY_ESC) {
            FxWindowClose(&window, 1);
            return 0;
        }
        if (key == FX_KEY_ENTER || key == FX_KEY_F10) {
            if (list->RowCount > 0) {
                list->Picked = 1;
                if (file)
                    SelectRecord(list, rows);
                FxWindowClose(&window, 1);
                return 1;
            }
            continue;
        }
        if (key == FX_KEY_DOWN && list->Current + 1 < list->RowCount)
            ++list->Current;
        else if (key == FX_KEY_UP && list->Current > 0)
            --list->Current;
        else if (key == FX_KEY_HOME)
            list->Current = 0;
        else if (key == FX_KEY_END && list->RowCount > 0)
            list->Current = list->RowCount - 1;
        else
            continue;
        if (file)
            SelectRecord(list, rows);
        Draw(window, list, rows);
    }
}

}  // namespace bwps
