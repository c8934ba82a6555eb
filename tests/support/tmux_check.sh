# Shared part of the terminal checks, sourced by each: starts a program in
# a detached tmux session of $cols x $rows (80 x 24 unless the check sets
# them) and gives the checks these helpers.
#   tmux_start PROGRAM ARGS...  runs the program (then "DEMO-ENDED" and its exit status); exits
#                               77 (skipped) when tmux is not installed
#   wait_for TEXT               waits until the screen shows TEXT (with a
#                               leading "!": no longer shows it), capturing
#                               every 50 ms for up to 5 seconds; on a
#                               timeout prints the screen and sets fail=1
#   send KEYS...                tmux key names or characters
#   resize COLS ROWS            makes the window that size
# $work is a scratch folder removed at the end; $screen the last capture.
fail=0
screen=""
work=$(mktemp -d)
session=check$$
tm() { tmux -L "$session" -f /dev/null "$@"; }
trap 'tm kill-server 2>/dev/null; rm -rf "$work"' EXIT

tmux_start() {
    command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed: skipped"; exit 77; }
    [ -x "$1" ] || { echo "no program at $1"; exit 1; }
    # a server of its own for each start: one killed just before may still
    # be going away on the old socket
    starts=$((${starts:-0} + 1))
    session=check$$-$starts
    tm new-session -d -s "$session" -x "${cols:-80}" -y "${rows:-24}" "TERM=${term:-xterm-256color} $*; echo DEMO-ENDED \$?; sleep 30"
}

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

resize() { tm resize-window -t "$session" -x "$1" -y "$2"; }
