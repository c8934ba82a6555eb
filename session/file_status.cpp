// Record counts of the data files ("Checking File Status") and the
// directory list.
#include "bwps/file_status.h"

#include <fnmatch.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/neighbours.h"
#include "fx.h"
#include "recman.h"
#include "session/services_internal.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kTitle = "Checking File Status";
constexpr int kListCapacity = 80;

char* g_descriptions[kListCapacity];
bool g_loaded = false;

void FreeDescriptions()
{
    if (g_loaded)
        FxTextListFree(g_descriptions);
    std::memset(g_descriptions, 0, sizeof g_descriptions);
    g_loaded = false;
}

bool LoadDescriptions()
{
    if (g_loaded)
        return true;
    int width = 0, count = 0;
    std::memset(g_descriptions, 0, sizeof g_descriptions);
    if (FxTextListLoad(FILE_STATUS_TEXT_LIST, g_descriptions, &width, &count, kListCapacity) != 0)
        return false;
    g_loaded = true;
    return true;
}

// The rows of the table in order (the terminator excluded).
std::vector<FileCheckRow*> Rows()
{
    std::vector<FileCheckRow*> rows;
    std::vector<FileCheckRow> copy(CHECK_TABLE_ROWS);
    CopyCheckTable(copy.data());
    for (const FileCheckRow& r : copy) {
        if (r.FileNumber == 0)
            break;
        rows.push_back(FindCheckEntry(r.FileNumber));
    }
    return rows;
}

std::string PathOfRow(int32_t fileNumber)
{
    if (fileNumber == CHECK_CONVERSION_FILE) {
        char buffer[FOLDER_BUFFER_SIZE] = {};
        GetConversionFilePath(-1, buffer);
        return buffer;
    }
    const char* path = GetDataFilePath(fileNumber);
    return path != nullptr ? path : "";
}

int32_t CountRecords(const std::string& path)
{
    if (path.empty() || FxFileAccess(path.c_str(), 0) != 0)
        return -1;
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, path.c_str(), -100, 0) != 0)
        return -1;
    uint8_t stat[RECMAN_STAT_BUFFER] = {};
    int32_t count = -1;
    if (BtrStat(handle, stat) == 0)
        std::memcpy(&count, stat + 6, 4);
    BtrCloseFile(handle);
    return count;
}

}  // namespace

namespace bwps::detail {
void ResetFileStatus()
{
    FreeDescriptions();
}
}  // namespace bwps::detail

namespace bwps {

std::vector<DirectoryEntry> ListDirectory(const std::string& folder, const std::string& pattern)
{
    std::vector<DirectoryEntry> list;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        const std::string name = it->path().filename().string();
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0)
            continue;
        DirectoryEntry e;
        e.name = name;
        e.size = it->file_size(ec);
        list.push_back(e);
    }
    std::sort(list.begin(), list.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    return list;
}

}  // namespace bwps

extern "C" {

int CheckAllFilesStatus(void** statusHandle)
{
    if (!LoadDescriptions())
        return 0;
    FxStatus* progress = statusHandle != nullptr ? static_cast<FxStatus*>(*statusHandle) : nullptr;
    const bool own = progress == nullptr;
    std::vector<FileCheckRow*> rows = Rows();
    if (own)
        progress = FxProgressOpenTitled(kTitle, static_cast<int>(rows.size()));
    else
        FxProgressSetTitle(progress, kTitle);
    int32_t total = 0;
    FileCheckRow* all = nullptr;
    FileCheckProgress steps{own ? progress : nullptr, 0};
    for (size_t i = 0; i < rows.size(); ++i) {
        FileCheckRow* row = rows[i];
        row->Description = g_descriptions[i];
        if (row->FileNumber == CHECK_ALL_FILES) {
            row->RecordCount = 0;
            all = row;
        } else {
            row->RecordCount = CountRecords(PathOfRow(row->FileNumber));
            // Missing and unreadable files count -1 and add nothing.
            if (row->RecordCount > 0)
                total += row->RecordCount;
        }
        StepProgressCount(&steps);
    }
    if (all != nullptr)
        all->RecordCount = total;
    if (own && progress != nullptr)
        FxProgressClose(progress);
    return 1;
}

int StepProgressCount(FileCheckProgress* progress)
{
    if (progress == nullptr)
        return 0;
    ++progress->count;
    if (progress->window != nullptr)
        FxProgressStep(progress->window, progress->count);
    return progress->count;
}

int CheckOneFileStatus(int fileNumber, void** statusHandle)
{
    FxStatus* status = statusHandle != nullptr ? static_cast<FxStatus*>(*statusHandle) : nullptr;
    bool own = false;
    if (fileNumber == 0) {
        if (status == nullptr) {
            status = FxStatusOpen(kTitle, 0);
            own = true;
        }
        if (status != nullptr)
            FxStatusSetLine(status, 0, kTitle);
    }
    for (FileCheckRow* row : Rows()) {
        if (row->FileNumber == CHECK_ALL_FILES)
            continue;
        if (fileNumber != 0 && row->FileNumber != fileNumber)
            continue;
        const std::string path = PathOfRow(row->FileNumber);
        if (path.empty() || FxFileAccess(path.c_str(), 0) != 0)
            continue;
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, path.c_str(), -100, 0) != 0)
            row->Mark = ' ';
        else
            BtrCloseFile(handle);
    }
    if (own && status != nullptr)
        FxStatusClose(status);
    return 1;
}

namespace {

struct RowWalk {
    std::vector<std::string> texts;
    int at = 0;
    int saved = 0;
};

int ReadWalkRow(void* context, int operation, char* text, int size)
{
    auto* walk = static_cast<RowWalk*>(context);
    const int count = static_cast<int>(walk->texts.size());
    switch (operation) {
    case B_GET_FIRST: walk->at = 0; break;
    case B_GET_LAST: walk->at = count - 1; break;
    case B_GET_NEXT: ++walk->at; break;
    case B_GET_PREVIOUS: --walk->at; break;
    default: return B_INVALID_OPERATION;
    }
    if (walk->at < 0 || walk->at >= count) {
        walk->at = walk->at < 0 ? 0 : count;
        return B_END_OF_FILE;
    }
    std::snprintf(text, static_cast<size_t>(size), "%s", walk->texts[static_cast<size_t>(walk->at)].c_str());
    return 0;
}

int PositionWalkRow(void* context, int mode)
{
    auto* walk = static_cast<RowWalk*>(context);
    if (mode == B_GET_DIRECT)
        walk->saved = walk->at;
    else
        walk->at = walk->saved;
    return 0;
}

}  // namespace

int ListFileStatus(FileCheckRow* row, int top, int column, int height, int width)
{
    const std::vector<FileCheckRow*> rows = Rows();
    RowWalk walk;
    for (const FileCheckRow* r : rows) {
        char text[80];
        std::snprintf(text, sizeof text, "%-39.39s %6ld", r->Description != nullptr ? r->Description : "",
                      static_cast<long>(r->RecordCount));
        walk.texts.push_back(text);
    }
    LookUpDefinition list{};
    list.Row = top;
    list.Column = column;
    list.Height = height;
    list.Width = width;
    list.Title = " File Status ";
    list.Heading = "File Description                        Number of Records";
    list.ColourSet = 3;
    list.Read = ReadWalkRow;
    list.Position = PositionWalkRow;
    list.Context = &walk;
    const int picked = LookUpProcess(&list);
    if (picked && row != nullptr && list.Current >= 0 && list.Current < static_cast<int>(rows.size())) {
        const FileCheckRow* chosen = rows[static_cast<size_t>(list.Current)];
        row->FileNumber = chosen->FileNumber;
        row->RecordCount = chosen->RecordCount;
        row->Mark = chosen->Mark;
        row->Description = chosen->Description;
    }
    return picked;
}

int ShowDirectoryLookup(char* folder, const char* pattern, int top, int column, int height, int width)
{
    if (folder == nullptr)
        return 0;
    const std::vector<bwps::DirectoryEntry> files =
        bwps::ListDirectory(folder, pattern != nullptr ? pattern : "*");
    RowWalk walk;
    for (const bwps::DirectoryEntry& e : files) {
        char text[80];
        std::snprintf(text, sizeof text, "%-14.14s %6ld", e.name.c_str(), static_cast<long>(e.size));
        walk.texts.push_back(text);
    }
    LookUpDefinition list{};
    list.Row = top;
    list.Column = column;
    list.Height = height;
    list.Width = width;
    list.Title = " Directory LookUp ";
    list.Heading = " File           Bytes ";
    list.ColourSet = 3;
    list.Read = ReadWalkRow;
    list.Position = PositionWalkRow;
    list.Context = &walk;
    const int picked = LookUpProcess(&list);
    if (picked && list.Current >= 0 && list.Current < static_cast<int>(files.size())) {
        std::string path = folder;
        if (!path.empty() && path.back() != '/' && path.back() != '\\')
            path += '/';
        path += files[static_cast<size_t>(list.Current)].name;
        std::snprintf(folder, FOLDER_BUFFER_SIZE, "%s", path.c_str());
    }
    return picked;
}

int FileCheckRefresh(void)
{
    for (FileCheckRow* row : Rows())
        row->Description = nullptr;
    FreeDescriptions();
    return 1;
}

}  // extern "C"
