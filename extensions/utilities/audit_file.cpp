// The text list writer: one plain text file of lines at a time.
#include <cstdio>
#include <string>

#include "bwps/messages.h"
#include "extensions/utilities/utilities.h"
#include "extensions/utilities/utilities_testing.h"

namespace {

constexpr const char* kDefaultName = "CVTAUDIT.TXT";
constexpr int kCannotCreateMessage = 565;

struct AuditFile {
    std::FILE* stream = nullptr;
    std::string name;
    bool open = false;
    bool written = false;
};

AuditFile g_audit;

void CloseStream(bool removeEmpty)
{
    if (g_audit.stream != nullptr) {
        std::fclose(g_audit.stream);
        if (removeEmpty && !g_audit.written)
            std::remove(g_audit.name.c_str());
    }
    g_audit = AuditFile{};
}

}  // namespace

void ResetAuditFile() { CloseStream(false); }

BWPS1_API int OpenAuditFile(const char* name)
{
    // A list left open by an earlier caller is finished first, so that its
    // stream is not lost.
    CloseStream(true);
    const std::string path = name != nullptr && *name != '\0' ? name : kDefaultName;
    std::FILE* stream = std::fopen(path.c_str(), "w+");
    if (stream == nullptr) {
        ShowMessage(kCannotCreateMessage, 1);
        return 0;
    }
    g_audit.stream = stream;
    g_audit.name = path;
    g_audit.open = true;
    g_audit.written = false;
    return 1;
}

BWPS1_API void WriteAuditLine(const char* text)
{
    if (!g_audit.open || g_audit.stream == nullptr)
        return;
    std::fputs(text != nullptr ? text : "", g_audit.stream);
    std::fputc('\n', g_audit.stream);
    g_audit.written = true;
}

BWPS1_API void CloseAuditFile(void) { CloseStream(true); }
