/* bwps/note_editor.h: the note editor (a full-screen line editor for the
 * custom formats and text files), the record-notes window of the record
 * screens, and the editor's block pool.
 *
 * Both editors run in either screen driver: in a terminal the keys are
 * typed; headless, a script gives them ("key Alt+B", "type some words").
 * A note file is saved by writing a new file beside it, flushing it to the
 * disk and renaming it over the old one: a save that fails leaves the old
 * file as it was and the text in the editor. A note file that is a folder,
 * a link that leads out of its folder or a file that cannot be read is
 * refused with a message before anything is read or written.
 */
#ifndef BWPS_NOTE_EDITOR_H
#define BWPS_NOTE_EDITOR_H

#include <stdint.h>

#include "bwps/export.h"

enum {
    NOTE_POOL_MAX = 262144,          /* the block pool's arena, at most */
    NOTE_POOL_SEGMENT = 65536,       /* a block never straddles such a boundary of the arena */
    NOTE_POOL_FREE_SLOTS = 300,      /* entries of the free list */
    NOTE_LINE_BUFFER = 255,          /* every line is worked in a buffer of this size */
    NOTE_BLOCK_IN_MEMORY = 4096,     /* a copied block up to this size stays in the pool */
    NOTE_BLOCK_LINE_COST = 17,       /* bytes counted per line of a copied block, beside its text */
    NOTE_TAB_STEP = 5,
    NOTE_KEPT_BLANK = 183,           /* a blank that keeps two words together when a format prints */
    NOTE_END_OF_TEXT = 26,           /* Ctrl-Z */
    NOTE_RECORD_LINE_MAX = 255,      /* record notes: longer lines are cut when loaded */
    NOTE_HELP_EDITOR = 691,
    NOTE_HELP_RECORD_NOTES = 255,

    /* messages */
    NOTE_MSG_OUT_OF_MEMORY = 202,
    NOTE_MSG_NOT_FOUND = 206,
    NOTE_MSG_REPLACE_TOO_LONG = 3707,
    NOTE_MSG_EMPTY_FIND = 208,
    NOTE_MSG_LINES_CUT = 3709,
    NOTE_MSG_LINE_FULL = 210,
    NOTE_MSG_NOTHING_TO_PRINT = 3711,
    NOTE_MSG_SCRATCH_OPEN = 221,
    NOTE_MSG_BLOCK_OUTSIDE = 222,
    NOTE_MSG_NOTHING_COPIED = 3723,
    NOTE_MSG_NO_ROOM_TO_PASTE = 224,
    NOTE_MSG_SCRATCH_WRITE = 3725,
    NOTE_MSG_NO_VARIABLES = 226,
    NOTE_MSG_NOT_SAVED = 3727,
    NOTE_MSG_LEAVE_CHANGED = 1103,   /* No leaves, Yes saves first, Cancel stays */
    NOTE_MSG_REPLACE_ASK = 1105,     /* Replace, Skip, All, Cancel */
    NOTE_MSG_PRINT_WIDTH = 1111,     /* Keep, Switch (the other width), Cancel */
    NOTE_MSG_FILE_IS_FOLDER = 3701,
    NOTE_MSG_FILE_LINK_OUT = 3702,
    NOTE_MSG_FILE_UNREADABLE = 3703
};

#ifdef __cplusplus
extern "C" {
#endif

/* The note editor on a text file, in a window at row, column of height x
 * width (the first row holds the title, the last the status line). Lines
 * hold at most maxLine - 1 characters (maxLine at most 254). The file is
 * `path`; with a null path, the file open on *handle. When the caller gave
 * a handle (not -1), it holds the file opened again on return. flag is
 * kept; printWide chooses the wide report when printing. 0 after a normal
 * end; 1 when the window could not be made or the text could not be
 * loaded (message 202, or the message of a refused file). */
BWPS_EXPORT int RunNoteEditor(int row, int column, int height, int width, int maxLine, int* handle,
                              const char* path, uint8_t flag, uint8_t printWide);
/* The record-notes window on a note file (path; with a null path the file
 * open on handle, else -1). further is passed through unread. 1. */
BWPS_EXPORT int RunRecordNotesEditor(int row, int column, int height, int width, const void* further,
                                     int handle, const char* path);

/* The block pool of the note editor (one per process). Init takes the
 * arena (0, or 1 when none could be had); FreeAll gives it and the free
 * list back. Take gives a zeroed block of at least size bytes (null when
 * none is left); Give returns one with the size it was taken with;
 * Available is the room above the top plus the bytes of the free list. */
BWPS_EXPORT int EditorPoolInit(void);
BWPS_EXPORT void EditorPoolFreeAll(void);
BWPS_EXPORT void* EditorPoolTake(int size);
BWPS_EXPORT void EditorPoolGive(void* block, int size);
BWPS_EXPORT int32_t EditorPoolAvailable(void);

#ifdef __cplusplus
}

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace bwps::notes {

/* A pool of 8-byte units in one arena. Blocks are known by their offset in
 * the arena; offset 0 is never given (its first bytes hold the shared
 * one-blank text of empty lines). */
class BWPS_EXPORT EditorPool {
public:
    /* Takes an arena of `bytes` (at most NOTE_POOL_MAX); false when none. */
    bool Init(uint32_t bytes = NOTE_POOL_MAX);
    void Release();
    bool Ready() const { return arena_ != nullptr; }
    /* A zeroed block of at least size bytes; 0 when none is left. */
    uint32_t Take(uint32_t size);
    /* Gives back a block taken with that size. */
    void Give(uint32_t at, uint32_t size);
    uint32_t Available() const;
    /* The bytes above the top. */
    uint32_t Room() const { return size_ - top_; }
    uint32_t Top() const { return top_; }
    std::size_t FreeEntries() const { return free_.size(); }
    uint8_t* At(uint32_t at) { return arena_.get() + at; }
    const uint8_t* At(uint32_t at) const { return arena_.get() + at; }

private:
    struct FreeBlock {
        uint32_t at;
        uint32_t units;
    };
    void Sort();
    std::unique_ptr<uint8_t[]> arena_;
    uint32_t size_ = 0;
    uint32_t top_ = 0;
    std::vector<FreeBlock> free_;
};

/* The process's pool, the one EditorPoolInit starts. */
BWPS_EXPORT EditorPool& SharedPool();

/* "hh:mm:ss AM" on the 12-hour clock (hour 0 shows as 12). */
BWPS_EXPORT std::string TimeStampText(int hour, int minute, int second);

}  // namespace bwps::notes
#endif

#endif
