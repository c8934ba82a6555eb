#!/bin/bash
# The terminal driver in tmux: types into a field, moves the cursor and edits
# in the middle, sees the key bar, the title and the company heading, opens
# the F1 help and closes it, makes the window too small and large again, and
# saves the record.
#   tests/platform/framework/terminal_check.sh <build>/bin/fx_demo
# Exits 77 (skipped) when tmux is not installed.
set -u
demo=${1:?path of fx_demo}
command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed: skipped"; exit 77; }
[ -x "$demo" ] || { echo "no demo program at $demo"; exit 1; }
work=$(mktemp -d)
out=$work/saved
session=fxcheck$$
tm() { tmux -L "$session" -f /dev/null "$@"; }
trap 'tm kill-server 2>/dev/null; rm -rf "$work"' EXIT
printf 'Demo help\n@RSEditDemo\nType the code of the record, then its name.\n' >"$work/DEMO.HLP"
tm new-session -d -s "$session" -x 80 -y 25 "TERM=xterm-256color $demo $out $work; echo DEMO-ENDED; sleep 30"

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
