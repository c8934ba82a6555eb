// Record counts of the data files ("Checking File Status") and the
// directory list.
#include "bwps/file_status.h"

#include <fnmatch.h>
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
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
        if (own && progress != nullptr)
            FxProgressStep(progress, static_cast<int>(i) + 1);
    }
    if (all != nullptr)
        all->RecordCount = total;
    if (own && progress != nullptr)
        FxProgressClose(progress);
    return 1;
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

int FileCheckRefresh(void)
{
    for (FileCheckRow* row : Rows())
        row->Description = nullptr;
    FreeDescriptions();
    return 1;
}

}  // extern "C"
