/* bwps/file_status.h: the record counts of the data files that the
 * data-file utilities handle ("Checking File Status"), the file-status
 * list and the directory lookup. */
#ifndef BWPS_FILE_STATUS_H
#define BWPS_FILE_STATUS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/check_table.h"
#include "fx.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { FILE_STATUS_TEXT_LIST = 163 };

/* A progress window that counts the steps given to it. */
typedef struct FileCheckProgress {
    FxStatus* window;
    int32_t count;
} FileCheckProgress;

/* Adds one to the count and shows it in the progress window. The count. */
BWPS_EXPORT int StepProgressCount(FileCheckProgress* progress);

/* Fills every row's description and record count. statusHandle: a
 * progress window (FxStatus*) to use, or null / pointing to null for one
 * of its own. 1; 0 when the description texts cannot be loaded. The
 * all-files row holds the sum of the counts that are not negative. */
BWPS_EXPORT int CheckAllFilesStatus(void** statusHandle);
/* Opens and closes the file of the number (0: every row); a file that
 * cannot be opened gets a blank mark. 1. */
BWPS_EXPORT int CheckOneFileStatus(int fileNumber, void** statusHandle);
/* Gives the description texts back; 1. */
BWPS_EXPORT int FileCheckRefresh(void);
/* The file-status list; on a pick the chosen row goes to `row`. The pick flag. */
BWPS_EXPORT int ListFileStatus(FileCheckRow* row, int top, int column, int height, int width);
/* The files of a folder matching a pattern, sorted by name, ignoring case;
 * on a pick the folder text gets a separator and the name. The pick flag. */
BWPS_EXPORT int ShowDirectoryLookup(char* folder, const char* pattern, int top, int column,
                                    int height, int width);

#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace bwps {

struct DirectoryEntry {
    std::string name;
    uint64_t size = 0;
};
// The files of a folder whose names match the pattern ("*.DB", case
// ignored), sorted by name.
BWPS_EXPORT std::vector<DirectoryEntry> ListDirectory(const std::string& folder,
                                                  const std::string& pattern);

}  // namespace bwps
#endif

#endif
