# shellcheck shell=bash
# Shared by the benchmarks' run.sh scripts: a private session and a private X server
# (xvfb_start, from scripts/xvfb.sh; XR_XVFB_DISPLAY=:N puts a run on display N).

# shellcheck source=scripts/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/xvfb.sh"

# bench_private_session WORK: nothing of the caller's session (settings, display, sound server);
# the cue is written under WORK.
bench_private_session() {
  export HOME=$1/home XDG_RUNTIME_DIR=$1/run XDG_CACHE_HOME=$1/cache
  mkdir -p -m 700 "$HOME/.config/pulse" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS PULSE_SERVER PULSE_SINK
  # A client must never start a sound server of its own: "no server" has to stay that way.
  echo "autospawn = no" > "$HOME/.config/pulse/client.conf"
}

# bench_stop PID...: ends each process that is given (empty ones are skipped) and reaps it.
bench_stop() {
  local pid
  for pid in "$@"; do
    [[ -n $pid ]] || continue
    kill "$pid" 2> /dev/null || true
    wait "$pid" 2> /dev/null || true
  done
}

# bench_find_window PID: the id of the program's first visible window, polled for up to 10 s.
bench_find_window() {
  local wid=
  for _ in $(seq 200); do
    wid=$(xdotool search --onlyvisible --pid "$1" 2> /dev/null | head -1) && [[ -n $wid ]] && break
    sleep 0.05
  done
  echo "$wid"
}

# bench_geometry WID: the window's screen geometry, "X Y W H".
bench_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}

# bench_click_design LEFT TOP WIDTH HEIGHT: clicks the middle of a main-window control given in
# the program's design twips (client area 7800x5445), the window filling the 1920x1080 screen.
bench_click_design() {
  bench_click_scaled "0 0 1920 1080" "$@"
}

# bench_click_in WID LEFT TOP WIDTH HEIGHT: the same in window WID at whatever size it has.
bench_click_in() {
  bench_click_scaled "$(bench_geometry "$1")" "${@:2}"
}

# bench_click_scaled "X Y W H" LEFT TOP WIDTH HEIGHT: design twips scaled to a client area.
bench_click_scaled() {
  local x y
  read -r x y < <(awk -v g="$1" -v l="$2" -v t="$3" -v w="$4" -v h="$5" 'BEGIN {
    split(g, a, " ")
    printf "%d %d\n", a[1] + (l + w / 2) / 7800 * a[3], a[2] + (t + h / 2) / 5445 * a[4] }')
  # --sync waits for the pointer to move, which it never does when it is already there.
  if [[ $(xdotool getmouselocation) == "x:$x y:$y "* ]]; then
    xdotool click 1
  else
    xdotool mousemove --sync "$x" "$y" click 1
  fi
  sleep 0.3
}
