#!/usr/bin/env bash
# End to end on the accessibility bus: the real program in a real X server, read and followed as a screen reader
# would, through AT-SPI. Runs itself again inside a session bus of its own.
set -euo pipefail
penwick=$1
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${PENWICK_A11Y_SESSION:-}" ]; then
    exec env PENWICK_A11Y_SESSION=1 dbus-run-session -- bash "$0" "$@"
fi
source "$here/xsession.sh"
# As when a screen reader runs: Qt joins the accessibility bus, which the session bus starts on demand.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null

doc=$'first line\nsecond line of words\nthird'
printf '%s' "$doc" > "$work/notes.txt"
"$penwick" "$work/notes.txt" &
app=$!
main=$(wait_for '^notes.txt - Penwick$')
xdotool windowactivate --sync "$main"
# Debian's Python: pyatspi is its package.
/usr/bin/python3 "$here/accessibility.py" "$doc" "$main"
