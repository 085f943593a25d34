#!/usr/bin/env bash
# Step latency on a real X server: starts the built viewer under Xvfb on a
# folder of 24 MP JPEGs in fit mode, presses the "step forward" menu command
# through XTEST and times each key press until the picture's pixels change
# (bench/show/key_to_pixels.c). The first step shows the first picture;
# every later one finds the next picture prepared.
#
# Usage: scripts/key-to-pixels.sh [steps]     (default 12)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TERVO_BUILD_DIR:-$root/build}"
steps="${1:-12}"
pictures="${TMPDIR:-/tmp}/tervo-bench-show-24mp"

"$root/scripts/install-deps.sh" xvfb xauth x11-utils xdotool libx11-dev libxtst-dev
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target tervo bench_show
# bench_show writes the 24 MP pictures once and keeps them.
[ -d "$pictures" ] || QT_QPA_PLATFORM=offscreen "$build/bench/show/bench_show" --seconds 1 >/dev/null

work=$(mktemp -d)
cc -O2 -Wall -Wextra -o "$work/key_to_pixels" "$root/bench/show/key_to_pixels.c" -lX11 -lXtst
mkdir -p "$work/launch"
source "$root/scripts/tervo-ini.sh"
write_tervo_ini "$work/launch/Tervo.ini" 2 1000 "$pictures" 1

source "$root/scripts/xvfb.sh"
tervo_pid=
cleanup() {
  stop_tervo_and_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
start_xvfb 1920x1080x24 "$work/xvfb.log"
(cd "$work/launch" && exec env -u QT_QPA_PLATFORM "$build/app/shell/tervo") >"$work/tervo.log" 2>&1 &
tervo_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Tervo Ver" | head -1)
xdotool windowfocus --sync "$window"
# A square well inside the fitted picture, away from the menu's popup.
"$work/key_to_pixels" "$steps" 1500 900 500 160
