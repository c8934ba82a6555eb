// The error windows of the posting sources that still name their values
// as texts: each forwards to the shared error windows of the session.

#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records/general.h"
#include "bwps/settings.h"
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

Status OpenWithRetry(FileNo file, uint16_t& handle, int mode)
{
    if (IsOpenHandle(handle))
        return Success();
    const char* path = GetDataFilePath(No(file));
    if (path == nullptr)
        return {B_INVALID_FILE_NAME, kOpenOperation, file};
    if (std::strchr(path, '/') == nullptr)   // no folder: never the working folder's file
        return {B_FILE_NOT_FOUND, kOpenOperation, file};
    uint16_t opened = 0;
    int status = BtrOpenFile(&opened, path, mode, 0);
    if (status != 0) {
        opened = 0;
        status = BtrOpenFile(&opened, path, mode, 0);
        if (status == B_END_OF_FILE && opened != 0)
            status = 0;
    }
    if (status != 0 || opened == 0)
        return {status != 0 ? status : B_FILE_NOT_OPEN, kOpenOperation, file};
    handle = opened;
    return Success();
}

std::string FormatTexts(const char* format, std::initializer_list<std::string> values)
{
    std::string out;
    if (format == nullptr)
        return out;
    auto next = values.begin();
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            if (next != values.end())
                out += *next++;
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            out += '%';
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

bool WriteInterfaceFlag(std::size_t offset, bool on, unsigned char* record, std::size_t size)
{
    Table general;
    Status s = general.Open(FileNo::General);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, OPEN_OPERATION, No(FileNo::General), 0);
        return false;
    }
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
    s = general.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key.bytes, record, static_cast<int>(size));
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::General), 0);
        return false;
    }
    record[offset] = on ? 'Y' : 'N';
    s = general.Write(B_UPDATE, record, static_cast<int>(size));
    general.UnlockAll();
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_UPDATE, No(FileNo::General), 0);
        return false;
    }
    // The session's copy follows, so that a later rewrite keeps the flag.
    if (TagSysInterface* copy = GetSysInterfaceRecord())
        reinterpret_cast<unsigned char*>(copy)[offset] = on ? 'Y' : 'N';
    return true;
}

}  // namespace bwps::posting
