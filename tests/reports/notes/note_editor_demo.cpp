// The note editor or the record-notes window on a file, in the terminal:
// the program the editor's terminal check runs.
//   note_editor_demo format|notes FILE
#include <cstdint>
#include <cstring>

#include "bwps/note_editor.h"
#include "bwps/screens.h"
#include "fx.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    FxStart();
    int answer = 0;
    if (std::strcmp(argv[1], "format") == 0) {
        answer = RunNoteEditor(2, 1, 20, 77, 140, nullptr, argv[2], 0, 0);
    } else {
        int32_t result = -1;
        RunTextEditor(1, 0, 23, 79, 132, &result, argv[2]);
        answer = result == 1 ? 0 : 1;
    }
    FxStop();
    return answer;
}
