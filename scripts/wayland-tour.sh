#!/usr/bin/env bash
# Runs the real Tervo window on Wayland: a headless weston as the compositor,
# Qt's Wayland plugin (QT_QPA_PLATFORM=wayland), a folder of three pictures the tour paints.
# The tour opens the folder, steps through it with the keys, turns, zooms,
# goes full screen and back, and ends from the menu; it then checks the exit
# status and that Tervo.ini was written with the folder. No tool can send
# input to a Wayland client from outside, so the tour program sends the keys
# inside the process (tests/shell/wayland_tour.cpp).
#
# Usage: scripts/wayland-tour.sh [build-dir]     (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"

"$root/scripts/install-deps.sh" weston qt6-wayland

fail() { echo "wayland-tour: $*" >&2; exit 1; }

[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target shell_wayland_tour >/dev/null

work=$(mktemp -d)
weston_pid=
cleanup() {
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=tervo-tour
weston --backend=headless-backend.so --socket="$socket" --width=1280 --height=800 --idle-time=0 \
  >"$work/weston.log" 2>&1 &
weston_pid=$!
timeout 30 sh -c "until [ -S '$XDG_RUNTIME_DIR/$socket' ]; do sleep 0.1; done" ||
  fail "weston did not start: $(cat "$work/weston.log")"

mkdir -p "$work/launch" "$work/pictures"
(cd "$work/launch" && WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland \
  "$build/tests/shell/shell_wayland_tour" "$work/pictures") || fail "the tour failed (status $?)"

tr -d '\r' <"$work/launch/Tervo.ini" | grep -qx "read_foldername=$work/pictures" ||
  fail "Tervo.ini does not hold the folder: $(cat "$work/launch/Tervo.ini" 2>/dev/null)"
echo "ok    Tervo.ini written with the folder"
echo "wayland-tour: passed"
