#!/usr/bin/env bash
# Launch to idle in a real X server: an editor started on a file, timed until its window shows and until it
# stops using the processor; then its peak memory, and the processor time of keystrokes typed at the end.
# Usage: bench/launch.sh FILE COMMAND [ARGS...]   (the file is appended to the command)
# CONFIG=folder starts the program with that settings folder (XDG_CONFIG_HOME), e.g. with word wrap on.
set -euo pipefail
file=$1; shift
source "$(dirname "$0")/../tests/e2e/xsession.sh"
export HOME="$work" XDG_CONFIG_HOME="${CONFIG:-$XDG_CONFIG_HOME}"

ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }   # user + system, in clock ticks
hz=$(getconf CLK_TCK)
now() { date +%s.%N; }

start=$(now)
"$@" "$file" >/dev/null 2>&1 &
app=$!
name=$(basename "$file")
shown=""
for _ in $(seq 1200); do
    if xdotool search --onlyvisible --name "$name" >/dev/null 2>&1; then shown=$(now); break; fi
    sleep 0.05
done
[ -n "$shown" ] || { echo "no window for $name" >&2; exit 1; }
# Idle: no processor time used for half a second.
last=$(ticks); idle=$(now)
for _ in $(seq 1200); do
    sleep 0.1
    t=$(ticks)
    if [ "$t" != "$last" ]; then last=$t; idle=$(now); fi
    awk -v a="$(now)" -v b="$idle" 'BEGIN { exit !(a - b >= 0.5) }' && break
done
cpu=$(ticks)
peak=$(awk '/VmHWM/ { print $2 }' "/proc/$app/status")

# Keystrokes at the end of the text, each followed by its repaint.
window=$(xdotool search --onlyvisible --name "$name" | head -n 1)
xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+End
sleep 1
before=$(ticks)
for _ in $(seq 50); do xdotool key --window "$window" x; sleep 0.02; done
sleep 1
after=$(ticks)

size=$(stat -c %s "$file")
awk -v s="$start" -v w="$shown" -v i="$idle" -v c="$cpu" -v hz="$hz" -v p="$peak" -v size="$size" \
    -v k0="$before" -v k1="$after" -v cmd="$1" 'BEGIN {
    printf "%s: window %.2f s, idle %.2f s, %.2f s of processor, peak %.0f MB (%.2fx the file), keystroke %.1f ms of processor\n",
        cmd, w - s, i - s, c / hz, p / 1024, p * 1024 / size, (k1 - k0) * 1000 / hz / 50 }'
