// Lists of up to 30 open files in the caller's handle slots.

#include "bwps/catalogue.h"

#include <cstdarg>

#include "bwps/table.h"
#include "recman.h"

extern "C" {

int OpenFileListArray(uint16_t* list, const int32_t* words)
{
    if (!list || !words)
        return 0;
    for (int slot = 0; slot < FILE_LIST_SLOTS; ++slot) {
        int32_t word = words[slot];
        if (word == 0)
            return 0;
        int fileNumber = word & 0xFF;
        // The second byte times 256 is the open mode, as a signed 16-bit value.
        int mode = static_cast<int16_t>(word & 0xFF00);
        bwps::Table file;
        const bwps::Status s = file.Open(static_cast<bwps::FileNo>(fileNumber), mode);
        if (!s.Ok()) {
            list[slot] = 0;
            s.Report(1, mode);
            CloseFileList(list);
            return s.status;
        }
        // The list owns the handle from here; CloseFileList closes it.
        list[slot] = file.Release();
    }
    return 0;
}

int OpenFileList(uint16_t* list, ...)
{
    int32_t words[FILE_LIST_SLOTS];
    va_list args;
    va_start(args, list);
    int count = 0;
    while (count < FILE_LIST_SLOTS) {
        int32_t word = va_arg(args, int32_t);
        words[count++] = word;
        if (word == 0)
            break;
    }
    va_end(args);
    // Thirty words without an ending 0 fill the list; no further word is read.
    return OpenFileListArray(list, words);
}

int CloseFileList(uint16_t* list)
{
    if (!list)
        return 0;
    for (int slot = 0; slot < FILE_LIST_SLOTS; ++slot) {
        if (list[slot] != 0) {
            BtrCloseFile(list[slot]);
            list[slot] = 0;
        }
    }
    return 0;
}

}  // extern "C"
