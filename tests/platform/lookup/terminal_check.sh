#!/bin/bash
# A lookup list in the terminal driver, in tmux: the title, the column
# headings, the rows with the highlight, PgDn to the next page, a search
# typed after "Search :", and Enter picking the highlighted row.
#   tests/platform/lookup/terminal_check.sh <build>/bin/lookup_demo
# Exits 77 (skipped) when tmux is not installed.
set -u
demo=${1:?path of lookup_demo}
command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed: skipped"; exit 77; }
[ -x "$demo" ] || { echo "no demo program at $demo"; exit 1; }
work=$(mktemp -d)
out=$work/picked
session=lkcheck$$
tm() { tmux -L "$session" -f /dev/null "$@"; }
trap 'tm kill-server 2>/dev/null; rm -rf "$work"' EXIT
tm new-session -d -s "$session" -x 80 -y 25 "TERM=xterm-256color $demo $out $work; echo DEMO-ENDED; sleep 30"

fail=0
screen=""
wait_for() {
    local want=$1 absent=0
    [ "${want:0:1}" = "!" ] && { absent=1; want=${want:1}; }
    for _ in $(seq 100); do
        screen=$(tm capture-pane -p -t "$session" 2>/dev/null)
        if grep -qF -- "$want" <<<"$screen"; then [ $absent = 0 ] && return 0
        else [ $absent = 1 ] && return 0; fi
        sleep 0.05
    done
    echo "FAILED waiting for ${1}"
    echo "$screen"
    fail=1
    return 1
}
send() { tm send-keys -t "$session" "$@"; }

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
