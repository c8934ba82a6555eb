// The session services the posting sources reach through one function
// each: the posting error window, the database error window and the system
// option bytes.

#include <cstdio>
#include <string>
#include <vector>

#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/settings.h"
#include "fx.h"
#include "posting/posting_internal.h"

namespace bwps::posting {

namespace {
constexpr int kSystemRecordLength = GENERAL_ACCOUNTING_SYSTEM_SIZE;  // 469
constexpr int kOptionsOffset = 304;
}  // namespace

int PostingErrorWindow(int message, int buttons, int logFlags,
                       std::initializer_list<std::string> values)
{
    (void)logFlags;
    char* lines[MESSAGE_ARRAY_SLOTS] = {};
    int width = 0;
    int count = 0;
    std::vector<std::string> shown;
    if (ReadMessageText(message, 0, lines, &width, &count, MESSAGE_ARRAY_SLOTS - 8) == 0) {
        for (int i = 0; i < count && lines[i] != nullptr; ++i)
            shown.emplace_back(lines[i]);
        FreeMessageLines(lines);
    } else {
        char text[40];
        std::snprintf(text, sizeof text, "Message %d", message);
        shown.emplace_back(text);
    }
    for (const std::string& value : values)
        shown.push_back("  " + value);
    std::vector<char*> pointers;
    pointers.reserve(shown.size() + 1);
    for (std::string& line : shown)
        pointers.push_back(line.data());
    pointers.push_back(nullptr);
    ShowMessageDialog(pointers.data(), static_cast<int>(shown.size()), 78,
                      message + MESSAGE_CONTEXT_OFFSET, MESSAGE_STYLE_SHOW, 0, 0, 0);
    // The dialog offers Continue; a window without it is left by Cancel.
    return (buttons & 1) != 0 ? 2 : 1;
}

int PostingDatabaseErrorWindow(int buttons, int logFlags, int status, int operation,
                               int fileNumber)
{
    return ShowDatabaseErrorWindow(buttons, logFlags, status, operation, fileNumber, nullptr);
}

char PostingSystemOption(int index)
{
    char value = 'N';
    if (index == 8)
        value = 'A';
    if (IsInterfacedToAccounting() && index >= 0 && index < kSystemRecordLength - kOptionsOffset) {
        unsigned char record[kSystemRecordLength] = {};
        Table general;
        if (general.Open(FileNo::AccountingGeneral).Ok()) {
            KeyBuffer key;
            std::memcpy(key.bytes, GENERAL_KEY_SYSTEM, GENERAL_KEY_SIZE);
            if (general.Get(B_GET_EQUAL, key.bytes, record, kSystemRecordLength).Ok())
                value = static_cast<char>(record[kOptionsOffset + index]);
        }
    }
    if (index == 8 && value != 'A' && value != 'S' && value != 'L')
        value = 'A';
    return value;
}

}  // namespace bwps::posting
