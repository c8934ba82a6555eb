// The error windows of the posting sources that still name their values
// as texts: each forwards to the shared error windows of the session.

#include <string>
#include <vector>

#include "bwps/messages.h"
#include "bwps/status_windows.h"
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
    return ShowErrorMessageWindow(message, 0, buttons, logFlags, v[0], v[1], v[2], v[3], v[4]);
}

int PostingDatabaseErrorWindow(int buttons, int logFlags, int status, int operation,
                               int fileNumber)
{
    return ShowDatabaseErrorWindow(buttons, logFlags, status, operation, fileNumber, nullptr);
}

}  // namespace bwps::posting
