#!/bin/bash
# The terminal driver in tmux: types into a field, moves the cursor and edits
# in the middle, sees the key bar, the title and the company heading, opens
# the F1 help and closes it, makes the window too small and large again, and
# saves the record.
#   tests/platform/framework/terminal_check.sh <build>/bin/fx_demo
# Exits 77 (skipped) when tmux is not installed.
set -u
demo=${1:?path of fx_demo}
. "$(dirname "$0")/../../support/tmux_check.sh"
out=$work/saved
printf 'Demo help\n@RSEditDemo\nType the code of the record, then its name.\n' >"$work/DEMO.HLP"
tmux_start "$demo" $out $work

wait_for "Edit a Demo Record"
wait_for "Demo Company"
wait_for "Period 1 of 2025"
wait_for "F10 Save"
wait_for "F1 Help"
send a b c Enter
wait_for "ABC"
send W d g e t
wait_for "Wdget"
send Left Left Left Left i
wait_for "Widget"
send F1
wait_for "Type the code of the record"
send Escape
wait_for "!Type the code of the record"
tm resize-window -t "$session" -x 60 -y 20
wait_for "Please make this window at least 80 x 24"
tm resize-window -t "$session" -x 1 -y 1
wait_for "!Edit a Demo Record"
tm resize-window -t "$session" -x 100 -y 30
wait_for "Edit a Demo Record"
wait_for "Widget"
send Enter F10
wait_for "Save this record?"
send y
wait_for "!Save this record?"
send Escape
wait_for "DEMO-ENDED"
grep -qx "ABC|Widget|Yes" "$out" 2>/dev/null || { echo "record not saved as typed: $(cat "$out" 2>/dev/null)"; fail=1; }
[ $fail = 0 ] && echo "terminal check passed"
exit $fail
