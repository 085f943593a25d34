# Sourced by the scripts that drive the real window under Xvfb.

# start_xvfb GEOMETRY LOG: starts Xvfb on the first free display with one
# screen of GEOMETRY (e.g. 1280x800x24), exports DISPLAY, sets xvfb_pid and
# returns once the server answers (30 s at most).
start_xvfb() {
  local display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  export DISPLAY=":$display"
  Xvfb "$DISPLAY" -screen 0 "$1" -nolisten tcp >"$2" 2>&1 &
  xvfb_pid=$!
  timeout 30 sh -c 'until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done'
}

# Ends the viewer started as tervo_pid (if any) and the server.
stop_tervo_and_xvfb() {
  [ -n "${tervo_pid:-}" ] && kill "$tervo_pid" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}
