#!/bin/bash
# A lookup list in the terminal driver, in tmux: the title, the column
# headings, the rows with the highlight, PgDn to the next page, a search
# typed after "Search :", and Enter picking the highlighted row.
#   tests/platform/lookup/terminal_check.sh <build>/bin/lookup_demo
# Exits 77 (skipped) when tmux is not installed.
set -u
demo=${1:?path of lookup_demo}
. "$(dirname "$0")/../../support/tmux_check.sh"
out=$work/picked
tmux_start "$demo" $out $work

wait_for "Demo Items"
wait_for "Code"
wait_for "Name"
wait_for "K01        Item number 01"
wait_for "Search :"
wait_for "!K30"
send PageDown
wait_for "!K01        Item number 01"
send K 3 3
wait_for "K33        Item number 33"
send Enter
wait_for "DEMO-ENDED"
[ "$(cat "$out" 2>/dev/null)" = "K33" ] || { echo "FAILED: picked $(cat "$out" 2>/dev/null)"; fail=1; }
[ $fail = 0 ] && echo "lookup terminal check passed"
exit $fail
