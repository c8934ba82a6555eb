// The error windows of the posting sources that still name their values
// as texts: each forwards to the shared error windows of the session.

#include <string>
#include <vector>

#include "bwps/messages.h"
#include "bwps/status_windows.h"
#include "fx.h"
#include "posting/posting_internal.h"

namespace bwps::posting {

int PostingErrorWindow(int message, int buttons, int logFlags,
                       std::initializer_list<std::string> values)
{
    // The error screens show at most four values; the list ends with a null.
    const void* v[5] = {};
    int n = 0;
    for (const std::string& value : values) {
        if (n == 4)
            break;
        v[n++] = value.c_str();
    }
    if (HasErrorMessageScreen(message))
        return ShowErrorMessageWindow(message, 0, buttons, logFlags, v[0], v[1], v[2], v[3], v[4]);
    // A message without an error screen of its own: its text, then the
    // values, one a line, so the clerk still sees what was refused.
    std::string text;
    char* lines[16] = {};
    int width = 0, count = 0;
    if (ReadMessageText(message, 0, lines, &width, &count, 16) == 0) {
        for (int i = 0; i < count && lines[i] != nullptr; ++i)
            text += std::string(lines[i]) + "\n";
        FreeMessageLines(lines);
    } else {
        text = "Message " + std::to_string(message) + "\n";
    }
    for (int i = 0; i < n; ++i)
        text += static_cast<const char*>(v[i]) + std::string("\n");
    FxMessageBoxEx(text.c_str(), "Error Message", FX_MB_OK);
    return 1;
}

int PostingDatabaseErrorWindow(int buttons, int logFlags, int status, int operation,
                               int fileNumber)
{
    return ShowDatabaseErrorWindow(buttons, logFlags, status, operation, fileNumber, nullptr);
}

}  // namespace bwps::posting
