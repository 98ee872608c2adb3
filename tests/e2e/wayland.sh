#!/usr/bin/env bash
# End to end under a headless Wayland compositor (sway): the real program as a native Wayland client, typed to
# through a virtual keyboard, its clipboard the compositor's, its status bar read over the accessibility bus.
set -euo pipefail
penwick=$1
if [ -z "${PENWICK_WAYLAND_SESSION:-}" ]; then
    exec env PENWICK_WAYLAND_SESSION=1 dbus-run-session -- bash "$0" "$@"
fi
work=$(mktemp -d)
compositor= app=
cleanup() { kill ${app:+"$app"} ${compositor:+"$compositor"} 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    WAYLAND_DISPLAY=$WAYLAND_DISPLAY grim "${ARTIFACTS:-$work}/wayland-failure.png" 2>/dev/null || true
    exit 1
}

# sway refuses to run as root; there it runs as nobody, and the clients reach its socket by its full path.
runtime=$work/compositor
mkdir -m 700 "$runtime"
as_compositor=()
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$work"; chown nobody "$runtime"
    as_compositor=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# Floating, the window may take the size it asks for.
printf 'xwayland disable\noutput HEADLESS-1 resolution 1024x768\nfor_window [app_id="penwick"] floating enable\n' \
    > "$runtime/sway.conf"
"${as_compositor[@]}" env -i PATH="$PATH" HOME="$runtime" XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
    WLR_HEADLESS_OUTPUTS=1 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$runtime/sway.conf" > "$work/sway.log" 2>&1 &
compositor=$!
for _ in $(seq 100); do
    socket=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' | head -n 1)
    ipc=$(find "$runtime" -maxdepth 1 -type s -name 'sway-ipc.*' | head -n 1)
    [ -n "$socket" ] && [ -n "$ipc" ] && break
    sleep 0.1
done
[ -n "$socket" ] || { cat "$work/sway.log"; fail "sway did not start"; }
mkdir -m 700 "$work/client"
unset DISPLAY
export WAYLAND_DISPLAY=$socket SWAYSOCK=$ipc XDG_RUNTIME_DIR=$work/client QT_QPA_PLATFORM=wayland \
    XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_STATE_HOME="$work/state" \
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1

# The compositor's windows as "app_id<TAB>title<TAB>focused<TAB>width<TAB>height".
windows() {
    swaymsg -r -t get_tree | /usr/bin/python3 -c '
import json, sys
def walk(node):
    if node.get("app_id"):
        print("\t".join(str(value) for value in (node["app_id"], node.get("name"), node.get("focused"),
                                                  node["geometry"]["width"], node["geometry"]["height"])))
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}
# Each wtype is a new virtual keyboard whose keymap must reach the client before its first key, or the key is lost.
keys() { wtype -s 250 "$@"; }
# The file's bytes, once they are what was expected.
wait_for_bytes() {
    for _ in $(seq 50); do cmp -s "$1" "$2" && return 0; sleep 0.1; done
    cmp "$1" "$2" || fail "$3"
}
status_bar() {
    /usr/bin/python3 -c '
import sys, time
import pyatspi
for _ in range(100):
    app = next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name.lower() == "penwick"), None)
    if app:
        break
    time.sleep(0.1)
def labels(obj, depth=0):
    if obj is None or depth > 20:
        return []
    own = [obj.name] if obj.getRole() == pyatspi.ROLE_LABEL and obj.name else []
    return own + [name for child in obj for name in labels(child, depth + 1)]
print(" ".join(name for name in labels(app) if name.startswith(("Line:", "Col:"))))'
}

# The stored size comes back (9000 x 6000 twips at 96 dpi); the position is the compositor's to choose.
mkdir -p "$XDG_CONFIG_HOME/Penwick"
printf '[Options]\nWidth=9000\nHeight=6000\nLeft=1500\nTop=1500\n' > "$XDG_CONFIG_HOME/Penwick/Penwick.conf"
file=$work/notes.txt
printf 'caf\303\251 \377\r\nsecond\n' > "$file"
"$penwick" "$file" &
app=$!
shown=$'^penwick\tnotes.txt - Penwick\tTrue\t'
for _ in $(seq 150); do windows | grep -q "$shown" && break; sleep 0.1; done
windows | grep -q "$shown" || fail "no focused window with the desktop entry's application id and the file's title: $(windows)"
windows | grep -q $'\t600\t400$' || fail "the window is not the stored 600 x 400 pixels: $(windows)"

keys -M ctrl -k End -m ctrl
keys 'typed'
keys -M ctrl s -m ctrl
printf 'caf\303\251 \377\r\nsecond\ntyped' > "$work/expected"
wait_for_bytes "$file" "$work/expected" "Ctrl+S did not save the typed text byte-exact"
bar=$(status_bar)
[ "$bar" = "Line: 3 Col: 6" ] || fail "the status bar says '$bar', not 'Line: 3 Col: 6'"

keys -M ctrl a -m ctrl
keys -M ctrl c -m ctrl
copied=
for _ in $(seq 30); do copied=$(timeout 2 wl-paste -n | od -An -tx1 | tr -d ' \n') && [ -n "$copied" ] && break; sleep 0.1; done
# Other programs get the byte that is not UTF-8 as U+FFFD, and every line break as a line feed.
expected=$(printf 'caf\303\251 \357\277\275\nsecond\ntyped' | od -An -tx1 | tr -d ' \n')
[ "$copied" = "$expected" ] || fail "the compositor's clipboard holds $copied, not $expected"

wl-copy ' pasted'
keys -M ctrl -k End -m ctrl
keys -M ctrl v -m ctrl
keys -M ctrl s -m ctrl
printf 'caf\303\251 \377\r\nsecond\ntyped pasted' > "$work/expected"
wait_for_bytes "$file" "$work/expected" "Ctrl+V did not paste the compositor's clipboard"
WAYLAND_DISPLAY=$WAYLAND_DISPLAY grim "${ARTIFACTS:-$work}/wayland.png"
echo "1 passed, 0 failed"
