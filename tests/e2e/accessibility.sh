#!/usr/bin/env bash
# End to end on the accessibility bus: the real program in a real X server, read and followed as a screen reader
# would, through AT-SPI. Runs itself again inside a session bus of its own.
set -euo pipefail
penwick=$1
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${PENWICK_A11Y_SESSION:-}" ]; then
    exec env PENWICK_A11Y_SESSION=1 dbus-run-session -- bash "$0" "$@"
fi
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
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_STATE_HOME="$work/state"
# As when a screen reader runs: Qt joins the accessibility bus, which the session bus starts on demand.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null

doc=$'first line\nsecond line of words\nthird'
printf '%s' "$doc" > "$work/notes.txt"
"$penwick" "$work/notes.txt" &
app=$!
main=
for _ in $(seq 150); do
    main=$(xdotool search --onlyvisible --name '^notes.txt - Penwick$' 2>/dev/null | head -n 1) && [ -n "$main" ] && break
    sleep 0.1
done
[ -n "$main" ] || { echo "no window" >&2; exit 1; }
xdotool windowactivate --sync "$main"
# Debian's Python: pyatspi is its package.
/usr/bin/python3 "$here/accessibility.py" "$doc" "$main"
