#!/usr/bin/env bash
# End to end with real menus: after a menu closed with one Escape (Qt leaves the menu bar in keyboard mode)
# and after a file chosen in the real Open dialog, typed keys and Ctrl+S reach the document.
set -euo pipefail
penwick=$1
source "$(dirname "$0")/xsession.sh"

file="$work/notes.txt"
printf 'x' > "$file"
"$penwick" &
app=$!
main=$(wait_for '^Penwick$')
xdotool windowactivate --sync "$main"
xdotool key --delay 200 alt+f Escape ctrl+o
dialog=$(wait_for '^Open$')
xdotool windowactivate --sync "$dialog"
xdotool type --delay 20 "$file"
xdotool key Return
main=$(wait_for '^notes.txt - Penwick$')
sleep 0.5
xdotool type --delay 20 'yz'
xdotool key ctrl+s
expected='yzx'
for _ in $(seq 50); do [ "$(cat "$file")" = "$expected" ] && break; sleep 0.1; done
printf '%s' "$expected" | cmp - "$file"

xdotool key --delay 200 alt+o Escape
xdotool type --delay 20 'w'
xdotool key ctrl+s
expected='yzwx'
for _ in $(seq 50); do [ "$(cat "$file")" = "$expected" ] && break; sleep 0.1; done
printf '%s' "$expected" | cmp - "$file"
echo "1 passed, 0 failed"
