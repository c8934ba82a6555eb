#!/bin/bash
# The note editor and the record-notes window in tmux: types lines, moves
# the cursor and edits in the middle, copies a block with Alt+B and Alt+C and
# pastes it with Alt+I, saves with F10 and reads the file back.
#   tests/reports/notes/terminal_check.sh <build>/bin/note_editor_demo
# Exits 77 (skipped) when tmux is not installed.
set -u
demo=${1:?path of note_editor_demo}
. "$(dirname "$0")/../../support/tmux_check.sh"

# the record-notes window of a customer
notes=$work/C100.CST
tmux_start "$demo" notes "$notes"
wait_for "C100.CST"
wait_for "F10 Save & Close"
wait_for "Shift+F4 Date"
send -l "Called about the order"
wait_for "Called about the order"
send Enter
send -l "Paid in fll"
wait_for "Paid in fll"
send Left Left u
wait_for "Paid in full"
wait_for "Line:    2 Col:  11"
send F10
wait_for "DEMO-ENDED"
printf 'Called about the order\r\nPaid in full' | cmp -s - "$notes" || { echo "notes not saved as typed:"; od -c "$notes"; fail=1; }
tm kill-server 2>/dev/null

# the note editor on a format: a block copied and pasted, then saved
form=$work/FORM.TXT
printf 'first\r\nsecond\r\n\x1a' >"$form"
tmux_start "$demo" format "$form"
wait_for "FORM.TXT"
wait_for "first"
wait_for "Insert"
send M-b
wait_for "Line:    1 Col:   1   Block"
send Down M-c
wait_for "Line:    2 Col:   1   Insert"
send Down M-i
wait_for "Line:    3"
send -l "end"
wait_for "endfirst"
send F10
wait_for "DEMO-ENDED"
printf 'first\r\nsecond\r\nendfirst\r\nsecond\r\n\x1a' | cmp -s - "$form" || { echo "format not saved as edited:"; od -c "$form"; fail=1; }
[ $fail = 0 ] && echo "note editor terminal check passed"
exit $fail
