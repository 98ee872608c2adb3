#!/usr/bin/env bash
# Stages `cmake --install` into a temporary folder, checks that every file is there and that the desktop's own
# validators accept them, then uninstalls from the manifest and checks that nothing is left; then installs into a
# prefix as a real install does and checks the desktop's MIME cache.
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
work=$(mktemp -d)
stage=$work/stage
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Runs a checker that must succeed and say nothing.
quiet() {
  local out
  out=$("$@" 2>&1) || { fail "$* exited with $?: $out"; return; }
  [ -z "$out" ] || fail "$* said: $out"
}
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'; }

# Staged as the one component, whose manifest has a name of its own: a real install's stays for `make uninstall`.
DESTDIR=$stage cmake --install "$build" --prefix /usr --component penwick > "$work/install.log" 2>&1 \
  || { cat "$work/install.log"; exit 1; }
mv "$build/install_manifest_penwick.txt" "$work/install_manifest.txt"

usr=$stage/usr
desktop=$usr/share/applications/penwick.desktop
metainfo=$usr/share/metainfo/org.example.penwick.metainfo.xml
manpage=$usr/share/man/man1/penwick.1
[ -x "$usr/bin/penwick" ] || fail "the program is not staged as an executable usr/bin/penwick"
for f in "$desktop" "$metainfo" "$manpage" "$usr/share/icons/hicolor/scalable/apps/penwick.svg"; do
  [ -s "$f" ] || fail "${f#$stage/} is not staged"
done
for size in 16 32 48 64 128 256; do
  icon=$usr/share/icons/hicolor/${size}x${size}/apps/penwick.png
  if [ -s "$icon" ]; then
    [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "${icon#$stage/} is $(png_size "$icon"), not ${size}x${size}"
  else
    fail "${icon#$stage/} is not staged"
  fi
done

quiet desktop-file-validate "$desktop"
# What the entry names must be what was installed beside it.
grep -qx 'Exec=penwick %f' "$desktop" || fail "the desktop entry does not start penwick with one file (%f)"
grep -qx 'Icon=penwick' "$desktop" || fail "the desktop entry's icon is not the installed penwick"
grep -qx 'MimeType=text/plain;' "$desktop" || fail "the desktop entry does not offer to open text/plain"

out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
out=$(appstreamcli validate-tree --no-net "$usr" 2>&1) || fail "appstreamcli validate-tree: $out"
grep -q '<binary>penwick</binary>' "$metainfo" || fail "the metainfo does not provide the binary penwick"
grep -q '<launchable type="desktop-id">penwick.desktop</launchable>' "$metainfo" \
  || fail "the metainfo does not launch penwick.desktop"

out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$manpage" 2>&1 > /dev/null) || fail "man: exited with $?"
[ -z "$out" ] || fail "man --warnings said: $out"
quiet groff -z -man -ww "$manpage"

# The uninstaller of `make uninstall` must remove every file the install wrote.
(cd "$work" && DESTDIR=$stage cmake -P "$source_dir/cmake/uninstall.cmake" > uninstall.log 2>&1) || fail "uninstall: $(cat "$work/uninstall.log")"
left=$(find "$stage" -not -type d)
[ -z "$left" ] || fail "uninstall left: $left"

# Installed without DESTDIR, as `sudo make install` does: the MIME cache offers Penwick for text files until the
# uninstall, and then no longer.
prefix=$work/prefix
mkdir "$work/real"
cmake --install "$build" --prefix "$prefix" --component penwick > "$work/install.log" 2>&1 \
  || { cat "$work/install.log"; exit 1; }
mv "$build/install_manifest_penwick.txt" "$work/real/install_manifest.txt"
cache=$prefix/share/applications/mimeinfo.cache
grep -qx 'text/plain=penwick.desktop;' "$cache" 2>/dev/null || fail "the MIME cache does not offer penwick.desktop for text/plain"
(cd "$work/real" && cmake -P "$source_dir/cmake/uninstall.cmake" > uninstall.log 2>&1) || fail "uninstall: $(cat "$work/real/uninstall.log")"
! grep -q penwick "$cache" 2>/dev/null || fail "the MIME cache still offers penwick.desktop after the uninstall"
[ ! -e "$prefix/bin/penwick" ] || fail "uninstall left the program"

[ "$failures" -eq 0 ] && echo "PASS: every file staged, validated and uninstalled"
exit $((failures > 0))
