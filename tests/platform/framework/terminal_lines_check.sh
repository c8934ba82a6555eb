#!/bin/bash
# A type-ahead field and a grid in the terminal driver, in tmux: typing
# opens the drop list of matches under the field, Down and Enter pick one
# into the field; the grid shows its first lines before it is entered,
# scrolls with the cursor line, and F10 leaves on the line under the cursor.
#   tests/platform/framework/terminal_lines_check.sh <build>/bin/fx_lines_demo
# Exits 77 (skipped) when tmux is not installed.
set -u
demo=${1:?path of fx_lines_demo}
command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed: skipped"; exit 77; }
[ -x "$demo" ] || { echo "no demo program at $demo"; exit 1; }
work=$(mktemp -d)
out=$work/result
session=fxlines$$
tm() { tmux -L "$session" -f /dev/null "$@"; }
trap 'tm kill-server 2>/dev/null; rm -rf "$work"' EXIT
tm new-session -d -s "$session" -x 80 -y 25 "TERM=xterm-256color $demo $out; echo DEMO-ENDED; sleep 30"

fail=0
screen=""
# Waits until the screen shows (or, with "!", no longer shows) a text:
# captures again every 50 ms for up to 5 seconds.
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
