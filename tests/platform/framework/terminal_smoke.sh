#!/bin/bash
# Smoke test of the terminal driver through tmux (by hand, not in CTest):
#   tests/platform/framework/terminal_smoke.sh <build>/bin/fx_demo
# Types a record into the demo screen, saves it, leaves with Esc and checks
# the result file, the drawn screen and that the terminal was given back.
set -u
demo=${1:?path of fx_demo}
out=$(mktemp)
session=fxsmoke$$
tmux new-session -d -s "$session" -x 80 -y 25 "$demo $out; echo DEMO-ENDED; sleep 5"
sleep 0.5
send() { tmux send-keys -t "$session" "$@"; sleep 0.3; }
send a b c Enter
send W i d g e t Enter
send N
screen=$(tmux capture-pane -p -t "$session")
send F10
send y
send Escape
sleep 0.5
after=$(tmux capture-pane -p -t "$session")
tmux kill-session -t "$session" 2>/dev/null
fail=0
grep -q "Edit a Demo Record" <<<"$screen" || { echo "window title not drawn"; fail=1; }
grep -q "ABC" <<<"$screen" || { echo "typed code not shown"; fail=1; }
grep -q "F10 Save" <<<"$screen" || { echo "key bar not drawn"; fail=1; }
grep -q "DEMO-ENDED" <<<"$after" || { echo "demo did not end"; fail=1; }
grep -q "Edit a Demo Record" <<<"$after" && { echo "screen left behind after the end"; fail=1; }
grep -qx "ABC|Widget|No" "$out" || { echo "record not saved: $(cat "$out")"; fail=1; }
grep -qx "end 27" "$out" || { echo "not left by Esc: $(cat "$out")"; fail=1; }
# An interrupt ends the program and leaves the terminal usable.
tmux new-session -d -s "$session" -x 80 -y 25 "trap 'echo INTERRUPTED' INT; $demo $out; echo DEMO-ENDED; stty -a | grep -o -- '-\\?icanon' ; sleep 5"
sleep 0.5
send a b
send C-c
sleep 0.5
after=$(tmux capture-pane -p -t "$session")
tmux kill-session -t "$session" 2>/dev/null
grep -q "DEMO-ENDED" <<<"$after" || { echo "an interrupt did not end the demo"; fail=1; }
grep -qx "icanon" <<<"$after" || { echo "terminal not restored after an interrupt"; fail=1; }
rm -f "$out"
[ $fail = 0 ] && echo "terminal smoke test passed"
exit $fail
