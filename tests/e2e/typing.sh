#!/usr/bin/env bash
# End to end in a real X server with real keystrokes: create a file from the command line, type, save, select
# a word with a double click and paste it with the middle button, save again, close.
set -euo pipefail
penwick=$1
source "$(dirname "$0")/xsession.sh"

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

# The first row is just below the menu bar; the middle click lands past the end of the second.
xdotool mousemove --window "$main" 12 30 click --repeat 2 --delay 80 1
xdotool mousemove --window "$main" 400 46 click 2
xdotool key ctrl+s
expected=$'hello world\nsecond linehello'
for _ in $(seq 50); do [ "$(cat "$file")" = "$expected" ] && break; sleep 0.1; done
printf '%s' "$expected" | cmp - "$file"

xdotool type --delay 20 '!'
xdotool key alt+F4
question=$(wait_for '^Penwick$')
xdotool windowactivate --sync "$question" key n            # No: end without saving, no second question
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then echo "penwick did not end after No" >&2; exit 1; fi
printf '%s' "$expected" | cmp - "$file"
echo "1 passed, 0 failed"
