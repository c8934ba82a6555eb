// The check of a typed company folder: "~" and "." / ".." resolved, the
// result absolute, free of control characters, short enough for the
// session's folder fields and outside the program folder.
#include "bwps/catalogue.h"
#include "bwps/home_folder.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/messages.h"
#include "bwps/ordinals.h"

namespace {

std::string Normalised(const std::string& path)
{
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= path.size()) {
        size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

bool Inside(const std::string& folder, const std::string& parent)
{
    if (parent.empty())
        return false;
    return folder == parent || (folder.size() > parent.size() &&
                                folder.compare(0, parent.size(), parent) == 0 &&
                                folder[parent.size()] == '/');
}

}  // namespace

extern "C" {

BWPS_EXPORT int CheckFolderTextProblem(const char* folder, char* normalised, int size)
{
    if (normalised != nullptr && size > 0)
        normalised[0] = '\0';
    std::string text = folder != nullptr ? folder : "";
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return FOLDER_TEXT_EMPTY;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return FOLDER_TEXT_CONTROL;
    if (text[0] == '~') {
        const size_t slash = text.find('/');
        const std::string user = text.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
        const std::string home = bwps::HomeFolderOf(user);
        if (home.empty())
            return FOLDER_TEXT_RELATIVE;
        text = home + (slash == std::string::npos ? "" : text.substr(slash));
    }
    if (text[0] != '/')
        return FOLDER_TEXT_RELATIVE;
    text = Normalised(text);
    if (text == "/")
        return FOLDER_TEXT_ROOT;
    if (text.size() > static_cast<size_t>(COMPANY_FOLDER_MAX))
        return FOLDER_TEXT_TOO_LONG;
    const char* program = GetProgramPath();
    if (program != nullptr && program[0] == '/' && Inside(text, Normalised(program)))
        return FOLDER_TEXT_PROGRAM;
    if (normalised != nullptr && size > 0)
        std::snprintf(normalised, static_cast<size_t>(size), "%s", text.c_str());
    return FOLDER_TEXT_OK;
}

BWPS_EXPORT int CheckFolderText(char* folder)
{
    if (folder == nullptr)
        return 0;
    char normalised[FOLDER_BUFFER_SIZE];
    const int problem = CheckFolderTextProblem(folder, normalised, sizeof normalised);
    switch (problem) {
    case FOLDER_TEXT_OK:
        std::memcpy(folder, normalised, std::strlen(normalised) + 1);
        return 1;
    case FOLDER_TEXT_EMPTY:
        ShowMessage(195, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    case FOLDER_TEXT_PROGRAM:
        ShowMessage(355, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    default:
        ShowMessage(325, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
}

}  // extern "C"

BWPS_ORDINAL(374, CheckFolderText);
