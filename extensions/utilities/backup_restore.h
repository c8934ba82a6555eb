// Backup and restore of a company's data: the station's default folders,
// their editor, the backup screen and the callback through which the backup
// library asks the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#ifndef BWPS1_API
#define BWPS1_API extern "C" __attribute__((visibility("default")))
#endif

// The station's backup folders: the backup target, then the restore source.
struct BackupSettings {
    char target[144];
    char source[144];
};

// Actions and data kinds of the backup screen.
enum : int { BACKUP_ACTION_BACKUP = 1, BACKUP_ACTION_RESTORE = 2 };
enum : int { BACKUP_DATA_ACCOUNTING = 1, BACKUP_DATA_POINT_OF_SALE = 2 };

// The settings editor "RSEditBackUpDefaults"; 0.                      (9)
BWPS1_API int EditBackupDefaults(void);
// Saves both folders into the station's record (an empty one as "A:\");
// 1 saved, 0 failed (reported).                                        (10)
BWPS1_API int WriteBackupSettings(const BackupSettings* settings);
// Reads them; a folder never saved reads "A:\". 1 read, 0 failed
// (reported; both folders "A:\").                                       (11)
BWPS1_API int ReadBackupSettings(BackupSettings* settings);

// A typed folder as the runs use it, in place (260 bytes): trimmed, '\' as
// '/', relative to the current folder made absolute, "." and ".." folded,
// a last part that names an existing file dropped, one final '/'. A folder
// named by a drive letter ("a:\") keeps its letter (upper case).
BWPS1_API char* NormalizeBackupPath(char* path);

// Runs the library's entry for the action and kind over the two folders;
// the library's result, or -1 when the library or its entry is missing.
BWPS1_API int RunBackupLibrary(int action, int kind, const char* source, const char* target);

// 1 when a backup or restore asked for on the last backup screen was
// refused or failed (not made, or made only in part), else 0.
BWPS1_API int BackupRunRefused(void);

// The callback the library calls: 2 go on, 4 stop, 3 and 0 as the events
// want.
BWPS1_API int BackupDiskPrompt(int kind, int event, int parameter, void* data);

// Gives every file of the folder that cannot be written the owner's write
// permission (a progress window counts them); the number changed.
BWPS1_API int UnlockArchiveFiles(const char* folder);

// Holds every data file of the folder against opening by any other
// station (or handle) for the life of the object. Held() is false, and
// busy() names the file, when some station has one of them open.
class __attribute__((visibility("default"))) DataFolderHold {
public:
    explicit DataFolderHold(const char* folder);
    ~DataFolderHold();
    DataFolderHold(const DataFolderHold&) = delete;
    DataFolderHold& operator=(const DataFolderHold&) = delete;
    bool Held() const { return held_; }
    const std::string& busy() const { return busy_; }

private:
    std::vector<int> fds_;
    bool held_ = false;
    std::string busy_;
};
