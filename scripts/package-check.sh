#!/usr/bin/env bash
# Builds the Debian package and takes it through what a user does with it:
# checks its contents and declared dependencies, installs it with apt,
# starts the installed program on a picture under Xvfb and ends it from its
# own menu, then removes the package and checks nothing is left behind.
# Installs system-wide: meant for a throwaway machine (CI) and run as root
# (or through sudo).
#
# Usage: scripts/package-check.sh [build-dir]     (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

"$root/scripts/install-deps.sh" xvfb xauth xdotool x11-utils desktop-file-utils appstream man-db lintian

step() { printf '\n== %s\n' "$*"; }
fail() { echo "package-check: $*" >&2; exit 1; }

step "Building the package"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target tervo tervo_icons tervo_man_page tervo_package_docs
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
deb=$(ls "$build"/package/tervo_*.deb)
echo "$deb"

step "Contents (dpkg-deb -c)"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/tervo ./usr/share/applications/tervo.desktop \
         ./usr/share/doc/tervo/copyright ./usr/share/doc/tervo/changelog.Debian.gz \
         ./usr/share/metainfo/io.github.tervo.tervo.metainfo.xml ./usr/share/man/man1/tervo.1.gz \
         ./usr/share/tervo/help/index.html ./usr/share/icons/hicolor/48x48/apps/tervo.png; do
  grep -qxF "$f" <<<"$contents" || fail "missing $f"
  echo "ok  $f"
done
if grep -v '^\./usr/\(bin\|share\)/' <<<"$contents" | grep -qv '^\./\(usr/\)\?$'; then
  fail "files outside /usr/bin and /usr/share: $(grep -v '^\./usr/\(bin\|share\)/' <<<"$contents" | tr '\n' ' ')"
fi

step "Debian's rules (lintian)"
# Tags left aside, each for its reason:
# - initial-upload-closes-no-bugs: the package is built from this tree and
#   never uploaded to Debian, so its first changelog entry has no ITP bug
#   to close.
lintian_suppressed=initial-upload-closes-no-bugs
lintian --fail-on error,warning --tag-display-limit 0 \
  ${lintian_suppressed:+--suppress-tags "$lintian_suppressed"} "$deb" || fail "lintian found faults"
echo "ok  no lintian errors or warnings"

step "Declared dependencies (dpkg-deb -I)"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
dpkg-deb -f "$deb" Recommends | grep -q '\bqt6-wayland\b' || fail "Recommends lacks qt6-wayland"
for p in libqt6widgets6 libqt6gui6 libqt6core6 libspng0 libjpeg62-turbo libgif7 libimagequant0 \
         qt6-translations-l10n fonts-ipafont-gothic; do
  grep -q "\b$p\b" <<<"$depends" || fail "Depends lacks $p"
done
echo "ok  every library the binary links, the Japanese Qt strings and the dialog font"

step "Installing with apt"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed=$(dpkg -L tervo)
[ "$(command -v tervo)" = /usr/bin/tervo ] || fail "tervo is not on the PATH"
desktop-file-validate /usr/share/applications/tervo.desktop
appstreamcli validate --no-net /usr/share/metainfo/io.github.tervo.tervo.metainfo.xml >/dev/null
[ "$(man -w tervo)" = /usr/share/man/man1/tervo.1.gz ] || fail "man tervo finds no page"
echo "ok  /usr/bin/tervo, menu entry, metainfo and manual page valid"
env -u DISPLAY -u WAYLAND_DISPLAY tervo --version | grep -qx "tervo [0-9.]*" || fail "tervo --version"
grep -q '^Exec=tervo %F$' /usr/share/applications/tervo.desktop || fail "the menu entry does not pass several files"
echo "ok  tervo --version without a display; the menu entry passes its files as %F"

step "Starting the installed program on a picture under Xvfb"
work=$(mktemp -d)
source "$root/scripts/xvfb.sh"
xvfb_pid= tervo_pid=
cleanup() {
  stop_tervo_and_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/launch" "$work/pictures"
# A 2 x 2 24-bit BMP, written byte for byte.
printf 'BM\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x10\x00\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff\xff\xff\x00\x00\xff\x00\x00\x00\xff\x00\x00\x00' >"$work/pictures/sample.bmp"
start_xvfb 1280x800x24 "$work/xvfb.log" || fail "Xvfb did not start"
(cd "$work/launch" && exec env -u QT_QPA_PLATFORM tervo "$work/pictures/sample.bmp") >"$work/tervo.log" 2>&1 &
tervo_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Tervo Ver" | head -1) || fail "no window appeared; log: $(cat "$work/tervo.log")"
echo "ok  the main window is up: $(xdotool getwindowname "$window")"
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+x
timeout 30 sh -c "while kill -0 $tervo_pid 2>/dev/null; do sleep 0.1; done" || fail "tervo did not end on Alt+X"
wait "$tervo_pid" && status=0 || status=$?
tervo_pid=
[ "$status" -eq 0 ] || fail "tervo ended with status $status; log: $(cat "$work/tervo.log")"
tr -d '\r' <"$work/launch/Tervo.ini" | grep -qx "read_foldername=$work/pictures" ||
  fail "the settings file does not hold the picture's folder: $(cat "$work/launch/Tervo.ini")"
echo "ok  ended from its menu with status 0; Tervo.ini holds the picture's folder"

step "Removing"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tervo >/dev/null
left=()
while read -r f; do
  [ -f "$f" ] && left+=("$f")
done <<<"$installed"
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
command -v tervo >/dev/null && fail "tervo still on the PATH"
echo "ok  every installed file is gone"
echo
echo "package-check: passed"
