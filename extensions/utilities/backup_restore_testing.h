// The backup screen's state for tests. Product code never calls these.
#pragma once

#include "extensions/utilities/backup_restore.h"

// Forgets the screen state and the progress of the callback, and loads the
// library by its own name again.
BWPS1_API void ResetBackupRestoreState(void);
// Loads the library from this file name (null: its own name).
BWPS1_API void SetBackupLibraryFile(const char* name);
