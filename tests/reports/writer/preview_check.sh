#!/bin/bash
# The preview in a terminal (tmux): pages turned with PgDn and PgUp,
# a wide page panned with the arrows and fitted with "-", closed with Esc.
#   tests/reports/writer/preview_check.sh <build>/bin/writer_preview_demo
# Exits 77 (skipped) when tmux is not installed.
set -u
demo=${1:?path of writer_preview_demo}
. "$(dirname "$0")/../../support/tmux_check.sh"
tmux_start "$demo"
wait_for "Page 1 of 3"
wait_for "Stock list, page 1"
send PageDown
wait_for "Page 2 of 3"
wait_for "Stock list, page 2"
send PageDown
wait_for "Page 3 of 3"
send PageDown
wait_for "Page 3 of 3"
send PageUp PageUp PageUp
wait_for "Page 1 of 3"
wait_for "!WIDE-END"
send Right Right Right Right Right Right
wait_for "WIDE-END"
send Left Left Left Left Left Left
wait_for "!WIDE-END"
send -
wait_for "fitted"
wait_for "!WIDE-END"
send +
wait_for "full width"
send Escape
wait_for "DEMO-ENDED"
[ $fail = 0 ] && echo "preview check passed"
exit $fail
