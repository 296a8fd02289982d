# Shell functions for running Zarvoth on a real X display (Xvfb), sourced by ci-desktop and
# take-screenshots. They need Xvfb, xdotool and xwininfo.

# start_display WIDTHxHEIGHT: starts Xvfb on a free display number and exports DISPLAY.
# Sets display_pid.
start_display() {
  local numberfile
  numberfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$numberfile" 2>/dev/null &
  display_pid=$!
  local waited=0
  until [ -s "$numberfile" ]; do
    if ! kill -0 "$display_pid" 2>/dev/null || [ $waited -ge 100 ]; then
      echo "Xvfb did not start" >&2
      rm -f "$numberfile"
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=":$(cat "$numberfile")"
  rm -f "$numberfile"
}

stop_display() {
  if [ -n "${display_pid:-}" ]; then
    kill "$display_pid" 2>/dev/null || true
    wait "$display_pid" 2>/dev/null || true
    display_pid=
  fi
}

# find_window TITLE: prints the id of the visible window of exactly that title, waiting up
# to 20 seconds for it.
find_window() {
  timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}

# window_size ID: prints WIDTHxHEIGHT of the window.
window_size() {
  xwininfo -id "$1" | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print w "x" h }'
}
