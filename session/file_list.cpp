// Lists of up to 30 open files in the caller's handle slots.

#include "bwps/catalogue.h"

#include <cstdarg>

#include "bwps/messages.h"
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
        const char* path = GetDataFilePath(fileNumber);
        int status = path ? BtrOpenFile(&list[slot], path, mode, 0) : B_INVALID_FILE_NAME;
        if (status != 0) {
            list[slot] = 0;
            ReportRecordManagerError(status, 1, OPEN_OPERATION, fileNumber, mode);
            CloseFileList(list);
            return status;
        }
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
