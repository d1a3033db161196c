# shellcheck shell=bash
# Shared by the benchmarks' run.sh scripts: a private session and a private X server.

# bench_private_session WORK: nothing of the caller's session (settings, display, sound server);
# the cue is written under WORK.
bench_private_session() {
  export HOME=$1/home XDG_RUNTIME_DIR=$1/run XDG_CACHE_HOME=$1/cache
  mkdir -p -m 700 "$HOME/.config/pulse" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS PULSE_SERVER PULSE_SINK
  # A client must never start a sound server of its own: "no server" has to stay that way.
  echo "autospawn = no" > "$HOME/.config/pulse/client.conf"
}

# bench_start_xvfb WORK: a private 1920x1080 X server on a free display; sets xvfb_pid (for the
# caller's cleanup) and exports DISPLAY.
bench_start_xvfb() {
  local dfd display
  exec {dfd}<> <(:)
  Xvfb -displayfd "$dfd" -noreset -screen 0 1920x1080x24 -nolisten tcp 2> "$1/xvfb.log" &
  xvfb_pid=$!
  read -r -t 10 -u "$dfd" display || {
    echo "Xvfb did not start" >&2
    cat "$1/xvfb.log" >&2
    exit 1
  }
  export DISPLAY=:$display
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
