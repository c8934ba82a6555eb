#!/bin/bash
# The program as a clerk sees it at 80 x 24, in tmux, over the demo
# company: the menu with its title and key bar, typing 133 to reach terms
# codes and finding the highlight still there after the screen closes, the
# leave question of a changed terms form (No stays, Yes leaves and nothing
# is written), the customer editor showing C100's code, name and address
# on its first page and the running figures on its second, a redraw after
# the window was resized, and one line and exit status 2 for a terminal
# that cannot run the screens.
#   tests/host/screens_check.sh <build>/bin
# Exits 77 (skipped) when tmux is not installed.
set -u
bin=${1:?folder of the built program}
. "$(dirname "$0")/../support/tmux_check.sh"
prog=$work/prog
mkdir -p "$prog"
cp -r "$bin"/bwpos "$bin"/lib*.so "$bin"/RAZAVUR "$bin"/ROVAZERI "$prog"/ || exit 1
"$prog/bwpos" demo "$work/demo" >"$work/demo.log" 2>&1 || { echo "the demo company was not made"; cat "$work/demo.log"; exit 1; }
tmux_start "$prog/bwpos"

wait_for "Main Menu"
wait_for "Enter Run  F1 Help"
wait_for "Demo Company"
send 1 3 3
wait_for "Command number: 133"
send Enter
wait_for "Terms Codes"
wait_for "Terms code:"
send N E T 3 0 Enter T e s t
wait_for "Test"
send Escape
wait_for "Leave this screen without saving your changes?"
wait_for "[Yes]  [No]"
send n
wait_for "!Leave this screen without saving"
wait_for "NET30"
send Escape
wait_for "Leave this screen without saving your changes?"
send y
wait_for "Main Menu"
# the highlight stayed on 133: Enter opens terms codes again
send Enter
wait_for "Terms Codes"
send Escape
wait_for "Main Menu"
send 1 2 0 Enter
wait_for "Customers  Page 1 of 2"
send C 1 0 0 Enter
wait_for "Corner Cafe"
wait_for "Code:       C100"
wait_for "Address:"
send PageDown
wait_for "Page 2 of 2"
wait_for "Balance:"
send PageUp
wait_for "Page 1 of 2"
resize 100 30
wait_for "Corner Cafe"
resize 80 24
wait_for "Corner Cafe"
send Escape
wait_for "Leave this screen without saving your changes?"
send y
wait_for "Main Menu"
send Escape
wait_for "Exit the program?"
send y
wait_for "DEMO-ENDED 0"
terms=$("$prog/bwpos" files --company "$work/demo" | awk '$1 == 27 {print $NF}')
[ "$terms" = 0 ] || { echo "FAILED: the terms file holds ${terms:-?} records after Yes left the form"; fail=1; }

# a terminal without cursor addressing: one line, exit status 2
tm kill-server 2>/dev/null
session=${session}dumb
term=dumb tmux_start "$prog/bwpos"
wait_for "the terminal cannot be used"
wait_for "DEMO-ENDED 2"
[ $fail = 0 ] && echo "screens check passed"
exit $fail
