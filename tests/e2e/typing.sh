#!/usr/bin/env bash
# End to end in a real X server with real keystrokes: create a file from the command line, type, save, close.
set -euo pipefail
penwick=$1
work=$(mktemp -d)
cleanup() { kill "$app" "$wm" "$xvfb" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
openbox >/dev/null 2>&1 &
wm=$!
# The window manager is ready once it announces itself on the root window.
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_STATE_HOME="$work/state"

wait_for() {   # a window title, as a regular expression
    for _ in $(seq 150); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window titled $1" >&2
    DISPLAY=$DISPLAY import -window root "${ARTIFACTS:-$work}/e2e-failure.png" 2>/dev/null || true
    return 1
}

file="$work/new notes.txt"
"$penwick" "$file" &
app=$!
question=$(wait_for '^Penwick$')
xdotool windowactivate --sync "$question" key Return      # Yes: create it
main=$(wait_for '^new notes.txt - Penwick$')
xdotool windowactivate --sync "$main"
xdotool type --delay 20 'hello world'
xdotool key Return
xdotool type --delay 20 'second line'
xdotool key ctrl+s
for _ in $(seq 50); do [ -f "$file" ] && [ "$(cat "$file")" = $'hello world\nsecond line' ] && break; sleep 0.1; done
printf 'hello world\nsecond line' | cmp - "$file"

xdotool type --delay 20 '!'
xdotool key alt+F4
question=$(wait_for '^Penwick$')
xdotool windowactivate --sync "$question" key n            # No: end without saving, no second question
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then echo "penwick did not end after No" >&2; exit 1; fi
printf 'hello world\nsecond line' | cmp - "$file"
echo "1 passed, 0 failed"
