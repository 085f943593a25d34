#!/usr/bin/env bash
# Builds Tervo and starts it on a demo folder of generated pictures in the
# four formats it reads (BMP, JPEG, GIF, PNG). The viewer is started from the
# launch directory demo/launch, whose Tervo.ini points at demo/pictures; an
# existing Tervo.ini there is never overwritten, so the settings of the last
# run are kept.
#
# Usage: scripts/run.sh [--prepare-only]
#   --prepare-only  build and prepare the demo folder, do not start the viewer
# Environment: TERVO_BUILD_DIR (default build/), TERVO_DEMO_DIR (default demo/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TERVO_BUILD_DIR:-$root/build}"
demo="${TERVO_DEMO_DIR:-$root/demo}"
pictures="$demo/pictures"
launch="$demo/launch"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tervo tervo_demo_pictures

if [ ! -d "$pictures" ] || [ -z "$(ls -A "$pictures")" ]; then
  echo "Making demo pictures in $pictures"
  QT_QPA_PLATFORM=offscreen "$build/resources/tervo_demo_pictures" "$pictures"
fi
mkdir -p "$launch"
if [ ! -e "$launch/Tervo.ini" ]; then
  # all types but PNG (the viewer's "0:ALL(BJGP)"), 1.5 s, fit to the window
  source "$root/scripts/tervo-ini.sh"
  write_tervo_ini "$launch/Tervo.ini" 0 1500 "$pictures" 1
fi

[ "${1:-}" = "--prepare-only" ] && exit 0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to show the window on. Run it under a desktop, or try scripts/xvfb-tour.sh." >&2
  exit 1
fi
cd "$launch"
exec "$build/app/shell/tervo"
