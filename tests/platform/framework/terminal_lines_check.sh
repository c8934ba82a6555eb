#!/bin/bash
# A type-ahead field and a grid in the terminal driver, in tmux: typing
# opens the drop list of matches under the field, Down and Enter pick one
# into the field; the grid shows its first lines before it is entered,
# scrolls with the cursor line, and F10 leaves on the line under the cursor.
#   tests/platform/framework/terminal_lines_check.sh <build>/bin/fx_lines_demo
# Exits 77 (skipped) when tmux is not installed.
set -u
demo=${1:?path of fx_lines_demo}
. "$(dirname "$0")/../../support/tmux_check.sh"
out=$work/result
tmux_start "$demo" $out

wait_for "Lines Demo"
wait_for "P1          10"
wait_for "P3          30"
wait_for "!P4"
send a b
wait_for "AB10  first"
wait_for "AB20  second"
wait_for "!AC30"
send Down Down Enter
wait_for "!AB10  first"
wait_for "Code      AB20"
send Enter Down Down Down Down
wait_for "P5          50"
wait_for "!P2          20"
send F10
wait_for "DEMO-ENDED"
[ "$(cat "$out" 2>/dev/null)" = "AB20|P5" ] || { echo "FAILED: result $(cat "$out" 2>/dev/null)"; fail=1; }
[ $fail = 0 ] && echo "lines terminal check passed"
exit $fail
