// What the lookup sources share: the standard run of a file lookup and
// the module state's reset.
#pragma once

#include <cstdint>
#include <vector>

#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/testing.h"

namespace bwps::lookups {

// Column placeholders of a lookup's column list.
constexpr int kCodeColumn = -101;
constexpr int kDescriptionColumn = -102;

enum class Keys { Handler, NullHandler, Removed, Left };
enum class Switch { LookUpSwitch, OwnToggle, Removed, Left };
enum class Stays { Always, UnlessRestore, Never, NoPosition };

// The settings of one file lookup: its file, title, start, columns and keys.
struct Settings {
    FileNo file = FileNo::None;
    int recordLength = 0;
    int titleId = 0;
    const char* titleText = nullptr;   // a literal title instead of a text id
    int startType = -1;                // LookUpType, or -1: the start text only
    bool documentStart = false;        // GetDocLookUpStart
    std::vector<int> columns;          // dictionary numbers; kCodeColumn, kDescriptionColumn
    int key = -1;                      // -1: the start's key; -2: the file's current key
    bool libraryReaders = false;       // row, position and search readers of the library
    LookUpCallback rowReader = nullptr;
    LookUpCallback keyText = nullptr;
    LookUpCallback search = nullptr;   // an own search reader
    LookUpCallback rowAction = nullptr;
    LookUpPrintCallback print = nullptr;
    int captionId = 0;                 // the second title's text id
    const char* captionText = nullptr; // a literal second title instead
    bool keepF5 = false;               // F5 left as the form was prepared
    Keys f8f9 = Keys::Handler;
    Switch shiftF9 = Switch::LookUpSwitch;
    int formOptions = 227;
    int formList = 0;
    int lastPickType = -1;             // LookUpLastPicks (or document) entry
    int lastPickDescription = 0;       // description offset of the last pick
    Stays stays = Stays::Always;
    bool keepKey = false;              // the key stays selected after the run
    FxHandler f3 = nullptr;            // F3 of the list, or none
};

struct Call {
    const char* startText = nullptr;
    int restore = 0;
    uint16_t handle = 0;
    void* record = nullptr;
    uint16_t row = 4, column = 4, height = 13, width = 60;
    FxHandler keyHandler = nullptr;
    // a filter: one column and its value (column 0: none)
    int filterColumn = 0;
    const void* filterValue = nullptr;
    bool sortIndex = false;            // an active-only run: the sort index over the filter
    FileNo columnFile = FileNo::None;  // the dictionary's file when it is not the lookup's
};

// Runs a file lookup; non-zero when a row was chosen.
int RunStandard(const Settings& settings, const Call& call);

// The description columns of a file; false when a column is missing.
bool LoadColumns(FileNo file, const std::vector<int>& numbers, std::vector<TagLookUpField>& out);

// Forget the state of the column, master-item and serial-number lookups.
void ResetColumns();
void ResetItems();
void ResetVariables();

void SetLastPick(int type, const void* record, int descriptionOffset);
// The document number and, from textOffset when it is above 0, the second text.
void SetDocLastPick(int type, const void* record, int textOffset);

}  // namespace bwps::lookups
