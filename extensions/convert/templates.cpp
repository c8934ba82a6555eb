// Import templates ("*.IPT": a file type, ":", field numbers separated by
// ",", ended by ".") renumbered for the current record layouts, and the
// note-file names of a list file carried into the master records.
#include "extensions/convert/convert.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "extensions/convert/notice.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kBufferSize = 4096;
constexpr int kLargestTemplate = kBufferSize - 1;
constexpr int kMostFields = 100;
constexpr int kFileMissing = 4;
constexpr int kMsgBadName = 401;
constexpr int kMsgCannotOpen = 375;
constexpr int kMsgNotWritten = 537;
constexpr int kMsgShortRead = 541;
constexpr int kMsgTooLarge = 3803;
constexpr int kMsgNotAList = 3804;
constexpr int kReleaseOfOwnNumbering = 8;
constexpr int kKeepNumber = -2;
// Written after the "." that ends a converted template's list (text there
// is not read as part of the template): a template that carries it is
// never renumbered again, whether a run is repeated or cut short.
constexpr const char kConvertedMark[] = "\r\n;converted for data-version 16\r\n";

struct Pair {
    int from;
    int to;
};

constexpr Pair kMap1[] = {{1, 1},   {2, 53},  {3, 54},  {4, 55},  {5, 56},  {7, 58},
                          {8, 59},  {9, 60},  {10, 61}, {11, 62}, {12, 63}, {13, 65},
                          {15, 11}, {16, 2},  {17, 3},  {18, 4},  {19, 5},  {20, 6},
                          {21, 7},  {24, 10}, {25, 13}, {26, 14}, {29, 18}, {32, 21}};
constexpr Pair kMap2[] = {{1, 1},   {2, 53},  {3, 54},  {4, 55},  {5, 56},  {7, 58},
                          {8, 59},  {9, 60},  {10, 61}, {11, 62}, {12, 63}, {13, 65},
                          {14, 2},  {15, 3},  {16, 4},  {17, 5},  {18, 6},  {19, 7},
                          {22, 10}, {24, 11}, {26, 13}, {27, 14}, {31, 18}, {34, 21}};
constexpr Pair kMap3[] = {{1, 1},   {2, 2},   {4, 5},   {5, 6},   {6, 7},   {7, 8},
                          {16, 18}, {17, 19}, {18, 20}, {19, 21}, {20, 22}, {21, 23},
                          {23, 26}, {26, 29}, {27, 31}, {28, 32}, {29, 33}, {30, 34},
                          {31, 35}, {32, 36}, {36, 39}, {37, 41}, {38, 42}, {39, 43}};
constexpr Pair kMap4[] = {{1, 1}, {2, 2}, {3, 3}, {6, 8}, {10, 12}, {13, 14}, {25, 4}};
constexpr Pair kMap5[] = {{3, 3}, {6, 8}, {7, 9}};
constexpr Pair kMap6[] = {{3, 3}, {7, 9}, {9, 9}, {8, 8}};
constexpr Pair kTypes[] = {{19, 10}, {38, 20}, {41, 21}, {79, 47}};

template <size_t N>
int Through(const Pair (&map)[N], int number)
{
    for (const Pair& p : map)
        if (p.from == number) return p.to;
    return 0;
}

int NewType(int type, int release)
{
    return release == kReleaseOfOwnNumbering ? type : Through(kTypes, type);
}

int NewField(int type, int release, int field)
{
    if (field == kKeepNumber) return kKeepNumber;
    const bool own = release == kReleaseOfOwnNumbering;
    switch (type) {
    case 10: return own ? Through(kMap2, field) : Through(kMap1, field);
    case 20: return own ? field : Through(kMap3, field);
    case 21: return own ? field : Through(kMap4, field);
    case 47: return own ? Through(kMap6, field) : Through(kMap5, field);
    default: return 0;
    }
}

// The numbers of a template: its type and up to 100 fields. False when the
// text is not such a list (a character other than a digit, a sign or a
// blank inside a number, no ":" or no ".", more than 100 fields).
bool Parse(const char* text, int* type, std::vector<int>& fields, const char** after = nullptr)
{
    fields.clear();
    const char* p = text;
    auto number = [&p](int* value, char end) {
        while (*p == ' ' || *p == '\r' || *p == '\n' || *p == '\t') ++p;
        bool negative = false;
        if (*p == '-') {
            negative = true;
            ++p;
        }
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
        long v = 0;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            v = v * 10 + (*p - '0');
            if (v > 100000) return false;
            ++p;
        }
        while (*p == ' ' || *p == '\r' || *p == '\n' || *p == '\t') ++p;
        *value = static_cast<int>(negative ? -v : v);
        return *p == end || (end == ',' && *p == '.');
    };
    if (!number(type, ':')) return false;
    ++p;
    for (;;) {
        int field = 0;
        if (!number(&field, ',')) return false;
        if (static_cast<int>(fields.size()) == kMostFields) return false;
        fields.push_back(field);
        if (*p++ == '.') {
            if (after != nullptr) *after = p;
            return true;
        }
    }
}

std::vector<std::string> FilesOf(const std::string& folder, const char* pattern)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d))
        if (::fnmatch(pattern, e->d_name, FNM_CASEFOLD) == 0) names.push_back(e->d_name);
    ::closedir(d);
    return names;
}

std::string WithExtension(const std::string& name, const char* extension)
{
    const size_t dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + "." + extension;
}

void ShowOpenFailure(int status)
{
    ShowMessage(status == kFileMissing ? kMsgBadName : kMsgCannotOpen, 1);
}

// One template into its ".I60" file; true when written (the old one is
// then deleted).
bool ConvertTemplate(const std::string& folder, const std::string& name, int release, char* buffer)
{
    const std::string path = folder + name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_size > kLargestTemplate) {
        bwps1::convert::ShowMessageWithLine(kMsgTooLarge, name);
        return false;
    }
    int handle = -1;
    int status = FxFileOpen(path.c_str(), 2, 0, 0, &handle);
    if (status != 0) {
        ShowOpenFailure(status);
        return false;
    }
    std::memset(buffer, 0, kBufferSize);
    int count = 0;
    const int read = FxFileRead(handle, buffer, static_cast<int>(st.st_size), &count);
    FxFileClose(handle);
    if (read != 0 || count != st.st_size) {
        ShowMessage(kMsgShortRead, 1);
        return false;
    }
    int type = 0;
    std::vector<int> fields;
    const char* after = nullptr;
    if (!Parse(buffer, &type, fields, &after)) {
        bwps1::convert::ShowMessageWithLine(kMsgNotAList, name);
        return false;
    }
    if (std::strncmp(after, kConvertedMark, sizeof kConvertedMark - 1) == 0) return false;
    std::string text = std::to_string(NewType(type, release)) + ":";
    const int newType = NewType(type, release);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) text += ",";
        text += std::to_string(NewField(newType, release, fields[i]));
    }
    text += ".";
    text += kConvertedMark;

    const std::string output = folder + WithExtension(name, "I60");
    status = FxFileOpen(output.c_str(), 1 | 0x100 | 0x200, 0666, 0, &handle);
    if (status != 0) {
        ShowOpenFailure(status);
        return false;
    }
    int written = 0;
    const int write = FxFileWrite(handle, text.data(), static_cast<int>(text.size()), &written);
    FxFileClose(handle);
    if (write != 0 || written != static_cast<int>(text.size())) {
        ShowMessage(kMsgNotWritten, 1);
        FxFileDelete(output.c_str());
        return false;
    }
    FxFileDelete(path.c_str());
    return true;
}

}  // namespace

BWPS1_API int ConvertImportTemplates(int sourceRelease)
{
    std::string folder = GetFilesPathBuffer();
    while (!folder.empty() && folder.back() == ' ') folder.pop_back();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::vector<std::string> templates = FilesOf(folder, "*.IPT");
    // A run that stopped before its last step left converted ".I60" files.
    if (templates.empty() && FilesOf(folder, "*.I60").empty()) return 0;
    char* buffer = static_cast<char*>(FxAlloc(kBufferSize, 1));
    if (buffer == nullptr) return -1;
    for (const std::string& name : templates) ConvertTemplate(folder, name, sourceRelease, buffer);
    FxFree(buffer);
    for (const std::string& name : FilesOf(folder, "*.I60"))
        FxFileRename((folder + name).c_str(), (folder + WithExtension(name, "IPT")).c_str());
    return -1;
}

namespace {

constexpr size_t kListKey = 0;
constexpr size_t kListBase = 15;
constexpr size_t kBaseWidth = 16;
constexpr size_t kNoteWidth = 16;

struct MasterKind {
    int type;
    size_t keyWidth;
    size_t noteAt;
    const char* extension;
};
constexpr MasterKind kKinds[] = {
    {10, 11, 101, ".CST"},
    {20, 15, 246, ".PRD"},
    {21, 15, 73, ".SRV"},
};

}  // namespace

BWPS1_API int ConvertImportTemplateFields(void* window, uint16_t masterHandle, uint16_t listHandle,
                                          int fileType)
{
    const MasterKind* kind = nullptr;
    for (const MasterKind& k : kKinds)
        if (k.type == fileType) kind = &k;
    if (kind == nullptr) return B_INVALID_OPERATION;
    std::vector<uint8_t> entry(kBufferSize), master(kBufferSize);
    uint8_t key[256] = {};
    for (int status = BtrGet(B_GET_FIRST, listHandle, key, entry.data(), kBufferSize);;
         status = BtrGet(B_GET_NEXT, listHandle, key, entry.data(), kBufferSize)) {
        if (status == B_END_OF_FILE) return 0;
        if (status != 0) return status;
        char text[32] = {};
        std::memcpy(text, entry.data() + kListKey, kind->keyWidth);
        if (window) FxWindowText(static_cast<FxWindow*>(window), 8, 43, -1, text, 0);
        uint8_t masterKey[256] = {};
        std::memcpy(masterKey, entry.data() + kListKey, kind->keyWidth);
        BtrSetDefaults(masterHandle, 0, -1);
        std::memset(master.data(), 0, master.size());
        status = BtrGet(B_GET_EQUAL, masterHandle, masterKey, master.data(), kBufferSize);
        if (status != 0) continue;
        const int length = BtrCall218(masterHandle);
        char name[kBaseWidth + 8] = {};
        std::memcpy(name, entry.data() + kListBase, kBaseWidth);
        FxTrimText(5, name);
        std::strcat(name, kind->extension);
        // A name that does not fit the record's note-name field is left out
        // rather than written over the field that follows it.
        if (std::strlen(name) >= kNoteWidth) continue;
        std::memset(master.data() + kind->noteAt, 0, kNoteWidth);
        std::memcpy(master.data() + kind->noteAt, name, std::strlen(name));
        status = BtrWrite(B_UPDATE, masterHandle, masterKey, master.data(), length);
        if (status != 0) return status;
    }
}
