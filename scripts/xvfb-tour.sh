#!/usr/bin/env bash
# Runs the real Tervo window under Xvfb on the demo folder, steps through it
# with keystrokes and clicks, and takes a screenshot after each step for a
# person to look at. The tour has a launch directory of its own, so the
# settings of scripts/run.sh are not touched.
#
# Usage: scripts/xvfb-tour.sh [output-dir]     (default: build/xvfb-tour)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TERVO_BUILD_DIR:-$root/build}"
out="${1:-$build/xvfb-tour}"
pictures="${TERVO_DEMO_DIR:-$root/demo}/pictures"

"$root/scripts/install-deps.sh" xvfb xauth xdotool imagemagick x11-utils
"$root/scripts/run.sh" --prepare-only

rm -rf "$out"
mkdir -p "$out/launch"
source "$root/scripts/tervo-ini.sh"
write_tervo_ini "$out/launch/Tervo.ini" 0 700 "$pictures" 1
title="Tervo Ver$(tervo_version)"

source "$root/scripts/xvfb.sh"
tervo_pid=
trap stop_tervo_and_xvfb EXIT
start_xvfb 1280x800x24 "$out/xvfb.log"

key() { xdotool key --clearmodifiers "$@"; sleep 0.3; }
# A menu by its mnemonics: Alt+letter opens it, the next letter chooses.
menu() { key "alt+$1"; key "$2"; }
# Without a window manager nothing gives the keyboard focus back to the main
# window after a dialog has gone.
focus_main() { xdotool search --name "$title" windowfocus --sync; sleep 0.2; }

(cd "$out/launch" && exec "$build/app/shell/tervo") >"$out/tervo.log" 2>&1 &
tervo_pid=$!
timeout 20 xdotool search --sync --name "$title" >/dev/null
focus_main

step=0
shot() {  # shot NAME: screenshot of the whole screen
  sleep "${pause:-0.6}"
  step=$((step + 1))
  import -window root "$(printf '%s/%02d-%s.png' "$out" "$step" "$1")"
}
# Toolbar buttons, left to right, at the top of the screen-filling window.
button() {
  local x=(23 64 105 146 187 228 269 310 351 392 433 474 515)
  xdotool mousemove "${x[$1]}" 39 click 1
  sleep 0.3
}
folder=0 play_back=1 step_back=2 stop=3 step_fwd=4 play_fwd=5 rotate=6 zoom_in=7 zoom_out=8 sort=9 settings=10 help=11

shot start                                 # Stopped, no image chosen yet
menu p u;               shot step-forward-by-menu
button $step_fwd;       shot step-forward-by-button
menu p d;               shot step-backward-by-menu
button $rotate;         shot rotated-90
button $rotate;         shot rotated-180
button $rotate; button $rotate; shot rotated-back-to-0
button $zoom_in;        shot zoom-in-once
button $zoom_out; button $zoom_out; button $zoom_out; shot zoom-out-three-times
button $play_fwd;       pause=0.2 shot playing-forward
pause=1.5 shot playing-forward-later
button $stop;           shot stopped
menu p b;               pause=1.5 shot playing-backward
menu p e;               shot stopped-by-menu
key alt+f;              shot file-menu
key Escape Escape
xdotool mousemove 269 39; pause=2 shot rotate-tooltip
key alt+h;              shot help-menu
key Escape Escape
button $help;           shot help-page-or-message
key Return;             focus_main
menu f o;               pause=1.5 shot folder-chooser
key Escape;             shot folder-chooser-cancelled
key Return;             focus_main
button $sort;           pause=1 shot sort-window
# the sort window's own close button (the last on its toolbar)
xdotool search --name "並び替え" | head -1 | xargs -I{} xdotool mousemove --window {} 141 15 click 1
sleep 0.5;              focus_main
menu h s;               pause=1 shot about-box
focus_main
button $settings;       pause=1 shot settings-dialog
xdotool search --name "環境設定" | head -1 | xargs -I{} xdotool windowfocus --sync {}
key Tab space                              # the dialog's OK button
focus_main
key alt+x
for _ in $(seq 50); do kill -0 "$tervo_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$tervo_pid" 2>/dev/null; then
  shot still-running
  echo "Tervo did not end on Alt+X; see the last screenshot." >&2
else
  tervo_pid=
  echo "Tervo ended; settings written to $out/launch/Tervo.ini:"
  tr -d '\r' <"$out/launch/Tervo.ini"
fi
echo "Screenshots in $out:"
ls "$out"/*.png
