// The data-file check table and the copies handed to bwpos-1.
#include "bwps/check_table.h"

#include <cstring>

#include "bwps/ordinals.h"
#include "bwps/testing.h"

namespace {

// The files the data-file utilities handle, in the order they are listed.
constexpr int32_t kCheckedFiles[CHECK_TABLE_ROWS] = {
    CHECK_ALL_FILES, 1, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 16, 17, 20, 21, 23, 24, 25, 26, 27,
    28, 33, 34, 35, 36, 37, 38, 39, 41, 40, 42, 43, 44, 31, 45, 32, 46, 47, 63, 62, 61, 76,
    77, 78, 64, 66, 67, 68, 70, 71, 72, 79, 80, 81, 82, 83, 84, 48, CHECK_CONVERSION_FILE,
    85, 100, 96, 86, 98, 89, 0};

FileCheckRow g_table[CHECK_TABLE_ROWS];

FileCheckRow MakeRow(int32_t fileNumber)
{
    FileCheckRow row{};
    row.FileNumber = fileNumber;
    row.RecordCount = -1;
    row.Mark = ' ';
    return row;
}

__attribute__((constructor)) void LoadCheckTable() { ResetCheckTable(); }

}  // namespace

extern "C" {

BWPS_EXPORT void ResetCheckTable(void)
{
    for (int i = 0; i < CHECK_TABLE_ROWS; ++i)
        g_table[i] = MakeRow(kCheckedFiles[i]);
}

BWPS_EXPORT int GetCheckTableSize(void) { return CHECK_TABLE_ROWS; }

BWPS_EXPORT int GetCheckTableEntrySize(void) { return static_cast<int>(sizeof(FileCheckRow)); }

BWPS_EXPORT int CopyCheckTable(void* block)
{
    if (block == nullptr)
        return 0;
    std::memcpy(block, g_table, sizeof g_table);
    return 1;
}

BWPS_EXPORT FileCheckRow* FindCheckEntry(int fileNumber)
{
    // The terminator is no file's row.
    for (int i = 0; i < CHECK_TABLE_ROWS - 1; ++i)
        if (g_table[i].FileNumber == fileNumber)
            return &g_table[i];
    return nullptr;
}

BWPS_EXPORT int CopyCheckEntry(int fileNumber, FileCheckRow* out)
{
    const FileCheckRow* row = FindCheckEntry(fileNumber);
    if (row == nullptr || out == nullptr)
        return 0;
    *out = *row;
    return 1;
}

BWPS_EXPORT int32_t GetCheckEntryCount(int fileNumber)
{
    const FileCheckRow* row = FindCheckEntry(fileNumber);
    return row != nullptr ? row->RecordCount : -1;
}

}  // extern "C"

BWPS_ORDINAL(867, FindCheckEntry);
